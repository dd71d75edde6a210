// CMsgHook: decides when the in-place editor of an editable list has to close (Enter or Escape in
// the editor, the focus leaving it, a click or scroll somewhere else, but not while a drop-down of
// the editor is open) and tells the list with WM_LISTCTRLEX_ENDEDIT. One thread hook serves every
// instance; each CListCtrlEx owns one CMsgHook.
#pragma once

#include "platform/collections.h"
#include "platform/threadhook.h"
#include "platform/wnd.h"

// Sent to the list (or the notify window) when the edit ends: wParam 1 keeps the typed text, 0
// drops it; lParam 0. Other windows of the program use the same number for other purposes.
#define WM_LISTCTRLEX_ENDEDIT (WM_USER + 10)

// Date-picker notifications and the query of its open calendar.
#ifndef DTN_DROPDOWN
#define DTN_DROPDOWN (0u - 754u)
#endif
#ifndef DTN_CLOSEUP
#define DTN_CLOSEUP (0u - 753u)
#endif
#ifndef DTM_GETMONTHCAL
#define DTM_GETMONTHCAL 0x1008u
#endif

class CMsgHook {
 public:
  CMsgHook();
  virtual ~CMsgHook();
  CMsgHook(const CMsgHook&) = delete;
  CMsgHook& operator=(const CMsgHook&) = delete;

  // FALSE unless the editor and the list are windows. A previous attachment ends first.
  BOOL Attach(HWND hEditor, HWND hList, HWND hNotify = nullptr);
  // FALSE when this hook is not attached.
  BOOL Detach();
  BOOL IsAttached() const { return m_hEditor != nullptr; }

  // The thread hook's procedure.
  static LRESULT HookProc(int nCode, WPARAM wParam, LPARAM lParam);

  HWND m_hEditor = nullptr;
  HWND m_hList = nullptr;
  HWND m_hNotify = nullptr;
  BOOL m_bDropDown = FALSE;

  static HHOOK s_hHook;
  static int s_nRefCount;
  // Editor window -> the hook attached to it.
  static CMap<HWND, HWND, CMsgHook*, CMsgHook*> s_mapHooks;

 private:
  // The hook of the editor that contains the window (the window itself or one of its parents).
  static CMsgHook* HookOfWindow(HWND hWnd);
  static bool IsWithin(HWND hWnd, HWND hAncestor);
  // Hooks whose editor window is gone leave the map.
  static void DropDeadEditors();
  // Every attached hook whose editor is idle (no drop-down open) ends its edit, keeping the text.
  static void EndIdleEdits();
  // Tells the list; a hook that is still attached to the same editor afterwards is detached.
  void EndEdit(BOOL bAccept);
  bool EditorIsDroppedDown() const;
};
