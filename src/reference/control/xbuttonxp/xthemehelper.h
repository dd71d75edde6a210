// CXThemeHelper: loads the visual-styles theme library at run time (the program runs without it)
// and wraps its eight calls; each answers FALSE or NULL while the library is not available.
// g_ThemeHelper lives for the whole run.
#pragma once

#include "platform/theme.h"

class CXThemeHelper {
 public:
  CXThemeHelper();
  virtual ~CXThemeHelper();
  CXThemeHelper(const CXThemeHelper&) = delete;
  CXThemeHelper& operator=(const CXThemeHelper&) = delete;

  HTHEME OpenThemeData(HWND hwnd, const wchar_t* classList);
  BOOL CloseThemeData(HTHEME theme);
  BOOL DrawThemeBackground(HTHEME theme, HDC hdc, int part, int state, const RECT* rect, const RECT* clip);
  BOOL DrawThemeParentBackground(HWND hwnd, HDC hdc, const RECT* rect);
  BOOL DrawThemeText(HTHEME theme, HDC hdc, int part, int state, const wchar_t* text, DWORD flags, DWORD flags2,
                     const RECT* rect);
  BOOL GetThemeBackgroundContentRect(HTHEME theme, HDC hdc, int part, int state, const RECT* bounds, RECT* content);
  BOOL IsAppThemed();
  BOOL IsThemeActive();
  BOOL IsThemeLibAvailable() const { return m_bThemeLibLoaded; }

 private:
  // Shared by every instance.
  static HMODULE m_hThemeLib;
  static BOOL m_bThemeLibLoaded;
  static int m_nInstanceCount;
  static PFN_CloseThemeData m_CloseThemeData;
  static PFN_DrawThemeBackground m_DrawThemeBackground;
  static PFN_DrawThemeParentBackground m_DrawThemeParentBackground;
  static PFN_DrawThemeText m_DrawThemeText;
  static PFN_GetThemeBackgroundContentRect m_GetThemeBackgroundContentRect;
  static PFN_IsAppThemed m_IsAppThemed;
  static PFN_IsThemeActive m_IsThemeActive;
  static PFN_OpenThemeData m_OpenThemeData;
};

extern CXThemeHelper g_ThemeHelper;
