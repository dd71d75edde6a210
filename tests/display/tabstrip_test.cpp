// On a real X display: the flat tab strip with several rows of tabs, as the screen shows it. The
// page area begins at the bottom of tab 0, whichever row tab 0 is in: with the selected tab in
// another row (the control moves that row next to the page), the rows below tab 0's stand on the
// page area.
#include <gtest/gtest.h>

#include <QColor>
#include <QImage>

#include "../platform/qt_app.h"
#include "platform/wnd.h"
#include "reference/control/xtabcontrol/xtabcontrol.h"
#include "screen_util.h"

namespace {

TEST(TabStripOnScreen, ThePageAreaBeginsAtTabZerosBottomInWhicheverRow) {
  testsupport::EnsureApp();
  ASSERT_TRUE(displaytest::OnXDisplay()) << "run through tests/display/run_on_xvfb.sh";
  CWnd parent;
  ASSERT_TRUE(parent.CreateEx(0, nullptr, L"pages", WS_POPUP | WS_VISIBLE, CRect(30, 30, 670, 500), nullptr, 0));
  CXTabControl tabs;
  ASSERT_TRUE(tabs.Create(WS_CHILD | WS_VISIBLE | TCS_MULTILINE, CRect(10, 10, 610, 460), &parent, 1066));
  for (int i = 0; i < 30; ++i) {
    CString title;
    title.Format(L"Parameter group %d", i);
    ASSERT_EQ(tabs.InsertItem(i, title), i);
  }
  ASSERT_GT(tabs.GetRowCount(), 2);
  const int selected = tabs.GetItemCount() - 1;
  tabs.SetCurSel(selected);
  CRect first;
  CRect chosen;
  ASSERT_TRUE(tabs.GetItemRect(0, &first));
  ASSERT_TRUE(tabs.GetItemRect(selected, &chosen));
  ASSERT_GT(chosen.bottom, first.bottom) << "the selected tab's row is the one next to the page";
  const auto pump = [] { platform::PumpPendingEvents(); };
  ASSERT_TRUE(displaytest::ScreenShows(tabs.GetWidget(), pump));

  const QImage screen = displaytest::ScreenUnder(tabs.GetWidget());
  const auto colour = [&](int x, int y) { return screen.pixel(x, y) & 0xFFFFFFu; };
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  const QRgb strip = qRgb(GetRValue(face), GetGValue(face), GetBValue(face)) & 0xFFFFFFu;
  const QRgb page = qRgb(230, 230, 230) & 0xFFFFFFu;
  const QRgb outline = qRgb(200, 200, 200) & 0xFFFFFFu;
  // Beside the rows (the margin left of the tabs): the strip down to tab 0's bottom, then the page
  // area with its outline on the control's left edge.
  EXPECT_EQ(colour(1, first.top + 2), strip) << "beside tab 0's row: the strip";
  EXPECT_EQ(colour(0, first.bottom + 2), outline) << "below tab 0's row: the page area's edge";
  for (int y = first.bottom + 1; y < chosen.bottom - 1; ++y) EXPECT_EQ(colour(1, y), page) << "y " << y;
  // The selected tab opens onto the page area.
  EXPECT_EQ(colour((chosen.left + chosen.right) / 2, chosen.bottom - 1), page);
  parent.DestroyWindow();
}

}  // namespace
