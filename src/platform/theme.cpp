#include "platform/theme.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>
#include <atomic>
#include <cstring>
#include <mutex>

#include "platform/gdi_internal.h"
#include "platform/wnd.h"

namespace {

std::atomic<bool> g_present{true};
std::atomic<int> g_loads{0};
// The module handle of the provider: the address of a private object.
char g_module;

// A theme handle: the class it was opened for.
struct ThemeDataRecord {
  CString classList;
};

HTHEME Open(HWND /*hwnd*/, const wchar_t* classList) {
  if (classList == nullptr) return nullptr;
  auto* record = new ThemeDataRecord{CString(classList)};
  return reinterpret_cast<HTHEME>(record);
}

HRESULT Close(HTHEME theme) {
  if (theme == nullptr) return E_HANDLE;
  delete reinterpret_cast<ThemeDataRecord*>(theme);
  return S_OK;
}

CDC* ContextOf(HDC hdc) { return hdc != nullptr ? CDC::FromHandle(hdc) : nullptr; }

HRESULT DrawBackground(HTHEME theme, HDC hdc, int part, int state, const RECT* rect, const RECT* /*clip*/) {
  CDC* dc = ContextOf(hdc);
  if (theme == nullptr || dc == nullptr || rect == nullptr) return E_FAIL;
  CDC::Impl* impl = dc->GetImpl();
  if (impl->Recording()) {
    platform::DrawRecord r = impl->NewRecord(platform::DrawOp::ThemeBackground);
    r.rect = CRect(*rect);
    r.format = static_cast<UINT>(part);
    r.flags = static_cast<UINT>(state);
    impl->Emit(r);
  }
  if (!platform::gdi::HaveGui()) return S_OK;
  QPainter* painter = impl->Begin();
  if (painter == nullptr) return S_OK;
  QStyleOptionButton option;
  option.rect = platform::gdi::ToQRect(*rect);
  option.palette = QApplication::palette();
  option.state = QStyle::State_None;
  if (state != PBS_DISABLED) option.state |= QStyle::State_Enabled;
  option.state |= state == PBS_PRESSED ? QStyle::State_Sunken : QStyle::State_Raised;
  if (state == PBS_HOT) option.state |= QStyle::State_MouseOver;
  if (state == PBS_DEFAULTED) option.features |= QStyleOptionButton::DefaultButton;
  const bool toolbar = reinterpret_cast<ThemeDataRecord*>(theme)->classList.CompareNoCase(L"Toolbar") == 0;
  if (toolbar) option.features |= QStyleOptionButton::Flat;
  QApplication::style()->drawControl(QStyle::CE_PushButtonBevel, &option, painter, nullptr);
  return S_OK;
}

HRESULT DrawParentBackground(HWND hwnd, HDC hdc, const RECT* rect) {
  CDC* dc = ContextOf(hdc);
  if (!IsWindow(hwnd) || dc == nullptr) return E_FAIL;
  CRect area;
  if (rect != nullptr) area = *rect;
  else dc->GetClipBox(&area);
  dc->FillSolidRect(&area, GetSysColor(COLOR_BTNFACE));
  return S_OK;
}

HRESULT DrawText(HTHEME theme, HDC hdc, int /*part*/, int state, const wchar_t* text, int length, DWORD flags,
                 DWORD flags2, const RECT* rect) {
  CDC* dc = ContextOf(hdc);
  if (theme == nullptr || dc == nullptr || text == nullptr || rect == nullptr) return E_FAIL;
  const bool grey = state == PBS_DISABLED || (flags2 & DTT_GRAYED) != 0;
  const COLORREF oldColor = dc->SetTextColor(GetSysColor(grey ? COLOR_GRAYTEXT : COLOR_BTNTEXT));
  const int oldMode = dc->SetBkMode(TRANSPARENT);
  CRect area(*rect);
  const int n = length < 0 ? static_cast<int>(std::wcslen(text)) : length;
  dc->DrawText(CString(text, n), &area, flags);
  dc->SetBkMode(oldMode);
  dc->SetTextColor(oldColor);
  return S_OK;
}

HRESULT ContentRect(HTHEME theme, HDC /*hdc*/, int /*part*/, int /*state*/, const RECT* bounds, RECT* content) {
  if (theme == nullptr || bounds == nullptr || content == nullptr) return E_FAIL;
  int margin = 3;
  if (platform::gdi::HaveGui()) margin = QApplication::style()->pixelMetric(QStyle::PM_ButtonMargin) / 2;
  CRect r(*bounds);
  r.DeflateRect(margin, margin);
  *content = r;
  return S_OK;
}

BOOL AppThemed() { return platform::gdi::HaveGui() ? TRUE : FALSE; }

}  // namespace

namespace platform {

HMODULE LoadThemeLibrary(const CString& name) {
  if (!g_present.load() || name.CompareNoCase(L"UXTHEME.DLL") != 0) return nullptr;
  ++g_loads;
  return reinterpret_cast<HMODULE>(&g_module);
}

void* GetThemeProcAddress(HMODULE module, const char* name) {
  if (module != reinterpret_cast<HMODULE>(&g_module) || name == nullptr) return nullptr;
  struct Entry {
    const char* name;
    void* fn;
  };
  static const Entry kEntries[] = {
      {"OpenThemeData", reinterpret_cast<void*>(&Open)},
      {"CloseThemeData", reinterpret_cast<void*>(&Close)},
      {"DrawThemeBackground", reinterpret_cast<void*>(&DrawBackground)},
      {"DrawThemeParentBackground", reinterpret_cast<void*>(&DrawParentBackground)},
      {"DrawThemeText", reinterpret_cast<void*>(&DrawText)},
      {"GetThemeBackgroundContentRect", reinterpret_cast<void*>(&ContentRect)},
      {"IsAppThemed", reinterpret_cast<void*>(&AppThemed)},
      {"IsThemeActive", reinterpret_cast<void*>(&AppThemed)},
  };
  for (const Entry& e : kEntries)
    if (std::strcmp(e.name, name) == 0) return e.fn;
  return nullptr;
}

void FreeThemeLibrary(HMODULE module) {
  if (module == reinterpret_cast<HMODULE>(&g_module) && g_loads.load() > 0) --g_loads;
}

void SetThemeProviderPresent(bool present) { g_present = present; }

int ThemeLibraryLoads() { return g_loads.load(); }

}  // namespace platform
