// Test helper: mouse clicks on the map of a map dialog's page, as a user clicks it.
#pragma once

#include <QTest>
#include <QWebEngineView>

#include "platform/htmldialog.h"
#include "platform/wnd.h"

namespace testsupport {

// A click at an offset from the centre of the page's map area (the search bar, 28 pixels, is below
// it).
inline void ClickMap(CDHtmlDialog& map, Qt::MouseButton button, int dx, int dy) {
  QWebEngineView* view = map.GetView();
  QWidget* target = view->focusProxy() != nullptr ? view->focusProxy() : view;
  const QPoint at(target->width() / 2 + dx, (target->height() - 28) / 2 + dy);
  QTest::mouseMove(target, at);
  QTest::mouseClick(target, button, Qt::NoModifier, at);
}

// Clicks until getGeoPos() answers something else than before (a view just shown may not take the
// first click yet); the last answer.
inline CString ClickUntilChanged(CDHtmlDialog& map, Qt::MouseButton button, int dx, int dy, const CString& before) {
  CString now;
  for (int attempt = 0; attempt < 20; ++attempt) {
    ClickMap(map, button, dx, dy);
    const bool changed = platform::PumpUntil(
        [&] {
          now = map.CallScript(L"getGeoPos");
          return now != before;
        },
        1000);
    if (changed) break;
  }
  return now;
}

}  // namespace testsupport
