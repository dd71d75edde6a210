// CXTabControl: the tab strip of the main window's page area, painted flat in light greys instead
// of the system's tab look. It only paints; selection, notifications and the pages stay with the
// tab control and its parent. Several rows of tabs (TCS_MULTILINE) are drawn where the control puts
// them, and the page area starts at the bottom of tab 0, whichever row tab 0 is in.
#pragma once

#include "platform/gdi.h"
#include "platform/tabctrl.h"

class CXTabControl : public CTabCtrl {
 public:
  CXTabControl() = default;

  // Colours of the strip.
  static constexpr COLORREF kUnselectedFill = RGB(240, 240, 240);
  static constexpr COLORREF kSelectedFill = RGB(230, 230, 230);
  static constexpr COLORREF kOutline = RGB(200, 200, 200);
  // Room for a tab title: longer titles show their first kTitleBuffer - 1 characters.
  static constexpr int kTitleBuffer = 32;

 protected:
  BOOL OnEraseBkgnd(CDC* pDC);
  void OnPaint();
  DECLARE_MESSAGE_MAP()
};
