// The editor hook of the editable list: one WH_CALLWNDPROCRET hook for the GUI thread, a map from
// editor windows to their hooks, and the rules that end an edit.
#include "reference/control/listctrlex/msghook.h"

#include <utility>
#include <vector>

#include "platform/controls.h"
#include "platform/listctrl.h"
#include "platform/sync.h"
#include "platform/trace.h"

HHOOK CMsgHook::s_hHook = nullptr;
int CMsgHook::s_nRefCount = 0;
CMap<HWND, HWND, CMsgHook*, CMsgHook*> CMsgHook::s_mapHooks(10);

namespace {
const int kMaxParentWalk = 64;

HWND ParentOf(HWND hWnd) {
  CWnd* wnd = CWnd::FromHandle(hWnd);
  CWnd* parent = wnd != nullptr ? wnd->GetParent() : nullptr;
  return parent != nullptr ? parent->m_hWnd : nullptr;
}
}  // namespace

CMsgHook::CMsgHook() {
  if (s_nRefCount++ == 0) {
    s_hHook = SetWindowsHookEx(WH_CALLWNDPROCRET, &CMsgHook::HookProc, nullptr, GetCurrentThreadId());
    if (s_hHook == nullptr) TRACE(L"CMsgHook: the thread hook could not be installed");
  }
}

CMsgHook::~CMsgHook() {
  // A hook that goes away must not stay in the map.
  Detach();
  if (--s_nRefCount == 0 && s_hHook != nullptr) {
    UnhookWindowsHookEx(s_hHook);
    s_hHook = nullptr;
  }
}

BOOL CMsgHook::Attach(HWND hEditor, HWND hList, HWND hNotify) {
  if (!IsWindow(hEditor) || !IsWindow(hList)) return FALSE;
  Detach();
  m_hEditor = hEditor;
  m_hList = hList;
  m_hNotify = hNotify;
  m_bDropDown = FALSE;
  s_mapHooks.SetAt(hEditor, this);
  return TRUE;
}

BOOL CMsgHook::Detach() {
  CMsgHook* found = nullptr;
  if (m_hEditor == nullptr || !s_mapHooks.Lookup(m_hEditor, found) || found != this) {
    m_hEditor = m_hList = m_hNotify = nullptr;
    m_bDropDown = FALSE;
    return FALSE;
  }
  s_mapHooks.RemoveKey(m_hEditor);
  m_hEditor = m_hList = m_hNotify = nullptr;
  m_bDropDown = FALSE;
  return TRUE;
}

CMsgHook* CMsgHook::HookOfWindow(HWND hWnd) {
  int guard = 0;
  for (HWND w = hWnd; w != nullptr && guard < kMaxParentWalk; w = ParentOf(w), ++guard) {
    CMsgHook* hook = nullptr;
    if (s_mapHooks.Lookup(w, hook)) return hook;
  }
  return nullptr;
}

bool CMsgHook::IsWithin(HWND hWnd, HWND hAncestor) {
  int guard = 0;
  for (HWND w = hWnd; w != nullptr && guard < kMaxParentWalk; w = ParentOf(w), ++guard) {
    if (w == hAncestor) return true;
  }
  return false;
}

void CMsgHook::DropDeadEditors() {
  std::vector<CMsgHook*> dead;
  for (POSITION pos = s_mapHooks.GetStartPosition(); pos != nullptr;) {
    HWND editor = nullptr;
    CMsgHook* hook = nullptr;
    s_mapHooks.GetNextAssoc(pos, editor, hook);
    if (!IsWindow(editor)) dead.push_back(hook);
  }
  for (CMsgHook* hook : dead) hook->Detach();
}

bool CMsgHook::EditorIsDroppedDown() const {
  CWnd* editor = CWnd::FromHandle(m_hEditor);
  if (editor == nullptr) return false;
  if (editor->SendMessage(CB_GETDROPPEDSTATE) != 0) return true;
  // A list view reads this number as a request to delete its first item.
  if (dynamic_cast<CListCtrl*>(editor) != nullptr) return false;
  return editor->SendMessage(DTM_GETMONTHCAL) != 0;
}

void CMsgHook::EndEdit(BOOL bAccept) {
  HWND editor = m_hEditor;
  HWND target = m_hNotify != nullptr ? m_hNotify : m_hList;
  if (editor == nullptr) return;
  ::SendMessage(target, WM_LISTCTRLEX_ENDEDIT, bAccept ? 1 : 0, 0);
  // The list detaches the hook itself; a notify window that does not is helped here, unless the
  // hook went away meanwhile or already serves a new edit.
  CMsgHook* still = nullptr;
  if (s_mapHooks.Lookup(editor, still) && still == this) Detach();
}

void CMsgHook::EndIdleEdits() {
  // Collected first: ending an edit changes the map.
  std::vector<std::pair<HWND, CMsgHook*>> idle;
  for (POSITION pos = s_mapHooks.GetStartPosition(); pos != nullptr;) {
    HWND editor = nullptr;
    CMsgHook* hook = nullptr;
    s_mapHooks.GetNextAssoc(pos, editor, hook);
    if (IsWindow(editor) && !hook->m_bDropDown && !hook->EditorIsDroppedDown()) idle.emplace_back(editor, hook);
  }
  for (const auto& entry : idle) {
    CMsgHook* current = nullptr;
    if (s_mapHooks.Lookup(entry.first, current) && current == entry.second) current->EndEdit(TRUE);
  }
}

LRESULT CMsgHook::HookProc(int nCode, WPARAM wParam, LPARAM lParam) {
  const auto* cwp = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
  if (nCode == HC_ACTION && cwp != nullptr && !s_mapHooks.IsEmpty()) {
    DropDeadEditors();
    switch (cwp->message) {
      case WM_KEYDOWN:
        if (cwp->wParam == VK_RETURN || cwp->wParam == VK_ESCAPE) {
          if (CMsgHook* hook = HookOfWindow(cwp->hwnd)) hook->EndEdit(cwp->wParam == VK_RETURN);
        }
        break;
      case WM_COMMAND: {
        UINT code = HIWORD(cwp->wParam);
        if (code == CBN_DROPDOWN || code == CBN_CLOSEUP) {
          if (CMsgHook* hook = HookOfWindow(reinterpret_cast<HWND>(cwp->lParam))) hook->m_bDropDown = code == CBN_DROPDOWN;
        }
        break;
      }
      case WM_NOTIFY: {
        const auto* hdr = reinterpret_cast<const NMHDR*>(cwp->lParam);
        if (hdr != nullptr && (hdr->code == DTN_DROPDOWN || hdr->code == DTN_CLOSEUP)) {
          if (CMsgHook* hook = HookOfWindow(hdr->hwndFrom)) hook->m_bDropDown = hdr->code == DTN_DROPDOWN;
        }
        break;
      }
      case WM_DESTROY: {
        CMsgHook* hook = nullptr;
        if (s_mapHooks.Lookup(cwp->hwnd, hook)) hook->Detach();
        break;
      }
      case WM_KILLFOCUS: {
        CMsgHook* hook = HookOfWindow(cwp->hwnd);
        // An open drop-down may take the keyboard; the edit goes on.
        if (hook == nullptr || hook->m_bDropDown || hook->EditorIsDroppedDown()) break;
        if (IsWithin(reinterpret_cast<HWND>(cwp->wParam), hook->m_hEditor)) break;
        hook->EndEdit(TRUE);
        break;
      }
      case WM_HSCROLL:
      case WM_VSCROLL:
      case WM_MENUSELECT:
      case WM_LBUTTONDOWN:
      case WM_RBUTTONDOWN:
      case WM_MBUTTONDOWN:
      case WM_MOUSEWHEEL:
        if (HookOfWindow(cwp->hwnd) == nullptr) EndIdleEdits();
        break;
      default:
        break;
    }
  }
  return CallNextHookEx(s_hHook, nCode, wParam, lParam);
}
