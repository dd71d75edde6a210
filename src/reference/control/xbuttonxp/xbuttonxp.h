// CXButtonXP: an owner-drawn push button that draws itself with the desktop's theme when theming
// is active (the classic 3-D look otherwise), with an optional icon (and its grey copy for the
// disabled state), a toggle mode, hot tracking, a toolbar look and custom colours. Space and
// Return act as clicks; a double click counts as a second click.
#pragma once

#include "platform/gdi.h"
#include "platform/theme.h"
#include "reference/control/xbuttonxp/oddbutton.h"

class CXButtonXP : public COddButton {
 public:
  CXButtonXP();
  ~CXButtonXP() override;

  // Takes the icon (destroyed with the button or the next icon) and makes its grey copy;
  // alignment 2 puts it right of the text, anything else left of it.
  CXButtonXP& SetButtonIcon(HICON icon, int alignment = 1);
  CXButtonXP& SetButtonIcon(UINT iconId, int alignment = 1);
  // -1: the theme's or the system's button face.
  CXButtonXP& SetFaceColor(COLORREF color) {
    m_crBackground = color;
    return *this;
  }
  CXButtonXP& SetTextColor(COLORREF color) {
    m_crText = color;
    return *this;
  }
  CXButtonXP& SetToggle(BOOL toggle) {
    m_bToggleMode = toggle;
    return *this;
  }
  BOOL GetToggleState() const { return m_bToggled; }
  CXButtonXP& SetToolbarLook(BOOL toolbar) {
    m_bToolbarLook = toolbar;
    return *this;
  }
  CXButtonXP& EnableTheming(BOOL enable) {
    m_bEnableTheming = enable;
    return *this;
  }
  COLORREF GetFaceColor() const { return m_crBackground; }
  BOOL IsHot() const { return m_bMouseOver; }
  HICON GetGrayIcon() const { return m_hGrayIcon; }
  // Whether the last paint opened the theme and theming applies to this button.
  BOOL UsesTheme();

  void DrawItem(LPDRAWITEMSTRUCT lpDIS) override;

 protected:
  LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  BOOL OnEraseBkgnd(CDC* pDC);
  void OnMouseMove(UINT nFlags, CPoint point);
  void OnMouseLeave();
  UINT OnGetDlgCode();
  DECLARE_MESSAGE_MAP()

  void CaptureParentBackground();
  void DrawIcon(CDC* pDC, CRect& rectText, BOOL hasText, BOOL pressed, BOOL disabled, BOOL themed,
                const CRect& rectItem);

  BOOL m_bFirstTime = TRUE;
  BOOL m_bMouseOver = FALSE;
  BOOL m_bToggled = FALSE;
  BOOL m_bToggleMode = FALSE;
  BOOL m_bLButtonDown = FALSE;
  BOOL m_bDblClkPressed = FALSE;
  BOOL m_bKeyPressed = FALSE;  // Space or Return went down on the button
  BOOL m_bEnableTheming = TRUE;
  BOOL m_bToolbarLook = FALSE;
  HTHEME m_hTheme = nullptr;
  HICON m_hIcon = nullptr;
  HICON m_hGrayIcon = nullptr;
  int m_nIconAlign = 1;
  CRect m_rectBk;
  CDC m_dcBk;
  CBitmap m_bmpBk;
  CBitmap* m_pbmpOldBk = nullptr;
  COLORREF m_crBackground = static_cast<COLORREF>(-1);
  COLORREF m_crText = static_cast<COLORREF>(-1);
};

// A grey copy of an icon: each pixel the average of its channels (at most 254), transparent
// black pixels kept, the alpha and the mask kept. NULL for NULL.
HICON CreateGrayscaleIcon(HICON icon);
