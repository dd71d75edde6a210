// The visual-styles theme library in its Linux form: a provider whose eight entry points draw
// themed parts with the application's Qt style. A program looks it up by the library's name and
// the entry points by their names, as it would load the library at run time; tests can make it
// absent to exercise the classic drawing.
//
// The provider answers IsAppThemed / IsThemeActive with TRUE while a GUI application object exists
// (Qt's style is what the theme is). DrawThemeBackground draws the part with QStyle and adds a
// ThemeBackground record for an active DrawRecorder; DrawThemeText and DrawThemeParentBackground
// draw through the context (DrawText, FillSolidRect), so they are recorded as such.
#pragma once

#include "platform/gdi.h"
#include "platform/winmsg.h"

typedef struct ThemeData* HTHEME;
typedef LONG HRESULT;
#define S_OK 0L
#define E_FAIL static_cast<HRESULT>(0x80004005L)
#define E_HANDLE static_cast<HRESULT>(0x80070006L)

// Parts and states of the "Button" class.
#define BP_PUSHBUTTON 1
#define PBS_NORMAL 1
#define PBS_HOT 2
#define PBS_PRESSED 3
#define PBS_DISABLED 4
#define PBS_DEFAULTED 5
// DrawThemeText's second flags.
#define DTT_GRAYED 0x1u

typedef HTHEME (*PFN_OpenThemeData)(HWND hwnd, const wchar_t* classList);
typedef HRESULT (*PFN_CloseThemeData)(HTHEME theme);
typedef HRESULT (*PFN_DrawThemeBackground)(HTHEME theme, HDC hdc, int part, int state, const RECT* rect,
                                           const RECT* clip);
typedef HRESULT (*PFN_DrawThemeParentBackground)(HWND hwnd, HDC hdc, const RECT* rect);
typedef HRESULT (*PFN_DrawThemeText)(HTHEME theme, HDC hdc, int part, int state, const wchar_t* text, int length,
                                     DWORD flags, DWORD flags2, const RECT* rect);
typedef HRESULT (*PFN_GetThemeBackgroundContentRect)(HTHEME theme, HDC hdc, int part, int state,
                                                     const RECT* bounds, RECT* content);
typedef BOOL (*PFN_IsAppThemed)();
typedef BOOL (*PFN_IsThemeActive)();

namespace platform {

// The provider's module for the theme library's name ("UXTHEME.DLL", any case); null for another
// name or while the provider is absent. Each load is freed with FreeThemeLibrary.
HMODULE LoadThemeLibrary(const CString& name);
// One of the eight entry points by name ("OpenThemeData", ...), null for an unknown name.
void* GetThemeProcAddress(HMODULE module, const char* name);
void FreeThemeLibrary(HMODULE module);
// Makes the provider absent (false) or present again (true, the default).
void SetThemeProviderPresent(bool present);
// How many loads are not freed yet.
int ThemeLibraryLoads();

}  // namespace platform
