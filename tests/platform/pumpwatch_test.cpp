// The watched event pass: typed characters and mouse button releases are offered to the watcher
// once each (also when the event climbs to the parents), and only during the pass.
#include "platform/pumpwatch.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>
#include <vector>

#include "platform/controls.h"
#include "qt_app.h"

namespace {

TEST(PumpWatch, OffersCharactersAndReleasesOnceEachDuringThePassOnly) {
  testsupport::EnsureApp();
  CWnd top;
  ASSERT_TRUE(top.CreateEx(0, nullptr, L"top", WS_POPUP | WS_VISIBLE, CRect(100, 50, 400, 250), nullptr, 0));
  CStatic child;
  ASSERT_TRUE(child.Create(L"text", WS_CHILD | WS_VISIBLE, CRect(10, 10, 100, 40), &top, 11));

  std::vector<MSG> seen;
  auto watch = [&](const MSG& m) { seen.push_back(m); };
  // A key the child does not take climbs to its parent: still one character.
  QCoreApplication::postEvent(child.GetWidget(), new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
  QCoreApplication::postEvent(child.GetWidget(),
                              new QKeyEvent(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a")));
  QCoreApplication::postEvent(child.GetWidget(), new QMouseEvent(QEvent::MouseButtonRelease, QPointF(5, 6),
                                                                 QPointF(115, 66), Qt::LeftButton, Qt::NoButton,
                                                                 Qt::NoModifier));
  platform::PumpPendingEventsWatching(watch);

  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[0].message, static_cast<UINT>(WM_CHAR));
  EXPECT_EQ(seen[0].wParam, 27u);
  EXPECT_EQ(seen[0].hwnd, child.GetSafeHwnd());
  EXPECT_EQ(seen[1].wParam, static_cast<WPARAM>(L'a'));
  EXPECT_EQ(seen[2].message, static_cast<UINT>(WM_LBUTTONUP));
  EXPECT_EQ(seen[2].pt.x, 115);
  EXPECT_EQ(seen[2].pt.y, 66);

  // Outside a pass nothing is watched.
  QCoreApplication::postEvent(child.GetWidget(), new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
  platform::PumpPendingEvents();
  EXPECT_EQ(seen.size(), 3u);
  top.DestroyWindow();
}

}  // namespace
