// Thread message hooks of the WH_CALLWNDPROCRET kind: procedures that see the messages the windows
// of the installing thread (the GUI thread) receive, with the result the window gave.
//
// What a hook sees:
// - the user's input as it reaches a window: key presses and releases (WM_KEYDOWN / WM_KEYUP),
//   mouse button presses and double clicks (WM_xBUTTONDOWN / WM_xBUTTONDBLCLK), the wheel
//   (WM_MOUSEWHEEL) and focus changes (WM_SETFOCUS, and WM_KILLFOCUS whose wParam is the window
//   that gains the focus, null when the focus leaves the program). The window is the one that owns
//   the widget the input is aimed at (a part of a control, such as a list's scroll bar, counts as
//   the control); input aimed at a pop-up that has no window of its own (the open list of a combo
//   box, a calendar) is reported with a null window. This input is reported when it arrives, before
//   the window and the PreTranslateMessage chain handle it: the layer's input path has no later
//   point. A propagated Qt event counts once, for the window that received it first. A focus change
//   caused by a pop-up opening is not a focus change (the window keeps the keyboard on Windows).
// - every message handed to platform::CallWndProcRetHooks: the entry for dispatch code, to be
//   called once a window procedure has handled a message sent to it (WM_COMMAND, WM_NOTIFY,
//   WM_DESTROY, ...). Sent messages reach the hooks only through it.
//
// Hooks run newest first; each one decides whether the older ones run (CallNextHookEx). A hook may
// install or remove hooks, send messages (which may reach the hooks again, up to a nesting depth of
// 16) and destroy windows, including the one the message was for.
#pragma once

#include "platform/wnd.h"

#define WH_CALLWNDPROCRET 12
#define HC_ACTION 0

typedef struct HHOOK__* HHOOK;
typedef LRESULT (*HOOKPROC)(int nCode, WPARAM wParam, LPARAM lParam);

// lParam of a WH_CALLWNDPROCRET hook procedure.
struct CWPRETSTRUCT {
  LRESULT lResult;
  LPARAM lParam;
  WPARAM wParam;
  UINT message;
  HWND hwnd;
};
typedef CWPRETSTRUCT* PCWPRETSTRUCT;
typedef CWPRETSTRUCT* LPCWPRETSTRUCT;

// Installs a hook for the calling thread: idHook must be WH_CALLWNDPROCRET, lpfn not null and
// dwThreadId 0 or the calling thread's id (GetCurrentThreadId). The module is not used. Null when
// refused.
HHOOK SetWindowsHookEx(int idHook, HOOKPROC lpfn, HINSTANCE hmod, DWORD dwThreadId);
// FALSE for a handle that is not an installed hook (also one removed already).
BOOL UnhookWindowsHookEx(HHOOK hhk);
// From inside a hook procedure: runs the next older hook of the chain and returns its result (0
// when there is none). Outside a hook procedure it does nothing and returns 0.
LRESULT CallNextHookEx(HHOOK hhk, int nCode, WPARAM wParam, LPARAM lParam);

namespace platform {
// Offers a handled message to the calling thread's hooks (dispatch code; also usable by tests).
void CallWndProcRetHooks(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT result);
// Number of hooks installed for the calling thread.
int CountCallWndProcRetHooks();
}  // namespace platform
