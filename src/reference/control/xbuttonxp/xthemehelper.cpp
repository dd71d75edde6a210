#include "reference/control/xbuttonxp/xthemehelper.h"

#include <cwchar>

#include "platform/trace.h"
#include "platform/wnd.h"

HMODULE CXThemeHelper::m_hThemeLib = nullptr;
BOOL CXThemeHelper::m_bThemeLibLoaded = FALSE;
int CXThemeHelper::m_nInstanceCount = 0;
PFN_CloseThemeData CXThemeHelper::m_CloseThemeData = nullptr;
PFN_DrawThemeBackground CXThemeHelper::m_DrawThemeBackground = nullptr;
PFN_DrawThemeParentBackground CXThemeHelper::m_DrawThemeParentBackground = nullptr;
PFN_DrawThemeText CXThemeHelper::m_DrawThemeText = nullptr;
PFN_GetThemeBackgroundContentRect CXThemeHelper::m_GetThemeBackgroundContentRect = nullptr;
PFN_IsAppThemed CXThemeHelper::m_IsAppThemed = nullptr;
PFN_IsThemeActive CXThemeHelper::m_IsThemeActive = nullptr;
PFN_OpenThemeData CXThemeHelper::m_OpenThemeData = nullptr;

CXThemeHelper g_ThemeHelper;

CXThemeHelper::CXThemeHelper() {
  ++m_nInstanceCount;
  if (m_hThemeLib != nullptr) {
    TRACE(L"already initialized\n");
    return;
  }
  m_hThemeLib = platform::LoadThemeLibrary(L"UXTHEME.DLL");
  if (m_hThemeLib == nullptr) {
    // Without the library the buttons draw their classic look; nothing to assert about.
    TRACE(L"ERROR - UXTHEME.DLL not accessible\n");
    return;
  }
  auto find = [](const char* name) { return platform::GetThemeProcAddress(m_hThemeLib, name); };
  m_CloseThemeData = reinterpret_cast<PFN_CloseThemeData>(find("CloseThemeData"));
  m_DrawThemeBackground = reinterpret_cast<PFN_DrawThemeBackground>(find("DrawThemeBackground"));
  m_DrawThemeParentBackground = reinterpret_cast<PFN_DrawThemeParentBackground>(find("DrawThemeParentBackground"));
  m_DrawThemeText = reinterpret_cast<PFN_DrawThemeText>(find("DrawThemeText"));
  m_GetThemeBackgroundContentRect =
      reinterpret_cast<PFN_GetThemeBackgroundContentRect>(find("GetThemeBackgroundContentRect"));
  m_IsAppThemed = reinterpret_cast<PFN_IsAppThemed>(find("IsAppThemed"));
  m_IsThemeActive = reinterpret_cast<PFN_IsThemeActive>(find("IsThemeActive"));
  m_OpenThemeData = reinterpret_cast<PFN_OpenThemeData>(find("OpenThemeData"));
  if (m_CloseThemeData && m_DrawThemeBackground && m_DrawThemeParentBackground && m_DrawThemeText &&
      m_GetThemeBackgroundContentRect && m_IsAppThemed && m_IsThemeActive && m_OpenThemeData) {
    m_bThemeLibLoaded = TRUE;
    return;
  }
  TRACE(L"ERROR - failed to locate theme library function\n");
  platform::FreeThemeLibrary(m_hThemeLib);
  m_hThemeLib = nullptr;
}

CXThemeHelper::~CXThemeHelper() {
  if (m_nInstanceCount > 0) --m_nInstanceCount;
  if (m_nInstanceCount == 0 && m_hThemeLib != nullptr) {
    TRACE(L"unloading theme dll\n");
    platform::FreeThemeLibrary(m_hThemeLib);
    m_hThemeLib = nullptr;
    m_bThemeLibLoaded = FALSE;
  }
}

HTHEME CXThemeHelper::OpenThemeData(HWND hwnd, const wchar_t* classList) {
  TRACE(L"in CXThemeHelper::OpenThemeData\n");
  HTHEME theme = m_bThemeLibLoaded ? m_OpenThemeData(hwnd, classList) : nullptr;
  TRACE(L"m_hTheme=%p\n", static_cast<void*>(theme));
  return theme;
}

BOOL CXThemeHelper::CloseThemeData(HTHEME theme) {
  TRACE(L"in CXThemeHelper::CloseThemeData\n");
  if (!m_bThemeLibLoaded || theme == nullptr) return FALSE;
  return m_CloseThemeData(theme) >= 0;
}

BOOL CXThemeHelper::DrawThemeBackground(HTHEME theme, HDC hdc, int part, int state, const RECT* rect,
                                        const RECT* clip) {
  if (!m_bThemeLibLoaded || theme == nullptr) return FALSE;
  return m_DrawThemeBackground(theme, hdc, part, state, rect, clip) >= 0;
}

BOOL CXThemeHelper::DrawThemeParentBackground(HWND hwnd, HDC hdc, const RECT* rect) {
  if (!m_bThemeLibLoaded || !::IsWindow(hwnd) || hdc == nullptr) return FALSE;
  return m_DrawThemeParentBackground(hwnd, hdc, rect) >= 0;
}

BOOL CXThemeHelper::DrawThemeText(HTHEME theme, HDC hdc, int part, int state, const wchar_t* text, DWORD flags,
                                  DWORD flags2, const RECT* rect) {
  if (!m_bThemeLibLoaded || theme == nullptr || text == nullptr) return FALSE;
  return m_DrawThemeText(theme, hdc, part, state, text, static_cast<int>(std::wcslen(text)), flags, flags2, rect) >= 0;
}

BOOL CXThemeHelper::GetThemeBackgroundContentRect(HTHEME theme, HDC hdc, int part, int state, const RECT* bounds,
                                                  RECT* content) {
  if (!m_bThemeLibLoaded || theme == nullptr) return FALSE;
  return m_GetThemeBackgroundContentRect(theme, hdc, part, state, bounds, content) >= 0;
}

BOOL CXThemeHelper::IsAppThemed() { return m_bThemeLibLoaded ? m_IsAppThemed() : FALSE; }

BOOL CXThemeHelper::IsThemeActive() { return m_bThemeLibLoaded ? m_IsThemeActive() : FALSE; }
