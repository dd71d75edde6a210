#include "reference/control/xlistctrl/xcombolist.h"

const UINT WM_XCOMBOLIST_VK_RETURN = ::RegisterWindowMessage(L"WM_XCOMBOLIST_VK_RETURN");
const UINT WM_XCOMBOLIST_VK_ESCAPE = ::RegisterWindowMessage(L"WM_XCOMBOLIST_VK_ESCAPE");
const UINT WM_XCOMBOLIST_KEYDOWN = ::RegisterWindowMessage(L"WM_XCOMBOLIST_KEYDOWN");
const UINT WM_XCOMBOLIST_LBUTTONUP = ::RegisterWindowMessage(L"WM_XCOMBOLIST_LBUTTONUP");
const UINT WM_XLISTCTRL_COMBO_SELECTION = ::RegisterWindowMessage(L"WM_XLISTCTRL_COMBO_SELECTION");
const UINT WM_XLISTCTRL_CHECKBOX_CLICKED = ::RegisterWindowMessage(L"WM_XLISTCTRL_CHECKBOX_CLICKED");

namespace {
constexpr UINT_PTR kHoverTimer = 1;
constexpr UINT kHoverInterval = 80;
}  // namespace

BEGIN_MESSAGE_MAP(CXComboList, CWnd)
  ON_WM_LBUTTONDOWN()
  ON_WM_KILLFOCUS()
  ON_WM_CREATE()
  ON_WM_VSCROLL()
  ON_WM_DESTROY()
  ON_WM_TIMER()
END_MESSAGE_MAP()

CXComboList::CXComboList(CWnd* pParent) : m_pNotifyWnd(pParent) {}

CXComboList::~CXComboList() = default;

void CXComboList::SendToParent(UINT message, WPARAM wParam, LPARAM lParam) {
  if (m_pNotifyWnd != nullptr && ::IsWindow(m_pNotifyWnd->GetSafeHwnd())) m_pNotifyWnd->SendMessage(message, wParam, lParam);
}

int CXComboList::OnCreate(LPCREATESTRUCT lpCreateStruct) {
  if (CWnd::OnCreate(lpCreateStruct) == -1) return -1;
  const CRect empty(0, 0, 0, 0);
  m_wndList.Create(WS_CHILD | WS_VISIBLE | LBS_NOINTEGRALHEIGHT, empty, this, 0);
  m_wndScroll.Create(WS_CHILD | WS_VISIBLE | SBS_VERT, empty, this, 0);
  if (m_pNotifyWnd != nullptr) {
    if (CFont* font = m_pNotifyWnd->GetFont()) {
      m_wndList.SetFont(font, FALSE);
      m_wndScroll.SetFont(font, FALSE);
    }
  }
  return 0;
}

void CXComboList::SetListFont(CFont* pFont, BOOL bRedraw) {
  if (::IsWindow(m_wndList.GetSafeHwnd())) m_wndList.SetFont(pFont, bRedraw);
}

void CXComboList::Activate(int scrollBarWidth) {
  if (!::IsWindow(GetSafeHwnd())) return;
  m_wndList.SetFocus();
  if (!m_bFirstActivation) return;
  m_bFirstActivation = FALSE;
  CRect window;
  GetWindowRect(&window);
  // The item height divides the height: never below one pixel.
  int itemHeight = m_wndList.GetItemHeight(0);
  if (itemHeight < 1) itemHeight = 1;
  CRect list;
  GetClientRect(&list);
  list.top += 1;
  list.left += 1;
  list.right -= scrollBarWidth;
  list.bottom = list.top + (window.Height() / itemHeight) * itemHeight;
  const int lines = list.Height() / itemHeight;
  CRect placed;
  GetWindowRect(&placed);
  if (CWnd* parent = GetParent()) parent->ScreenToClient(&placed);
  placed.bottom = placed.top + list.Height() + 4;
  MoveWindow(&placed, TRUE);
  m_wndList.MoveWindow(&list, TRUE);
  const CRect bar(list.right, list.top, list.right + scrollBarWidth, list.bottom);
  m_wndScroll.MoveWindow(&bar, TRUE);
  const int count = m_wndList.GetCount();
  int selection = m_wndList.GetCurSel();
  if (selection < 0) selection = 0;
  SCROLLINFO si{};
  si.cbSize = sizeof si;
  si.fMask = SIF_ALL;
  si.nMin = 0;
  si.nMax = count < 0 ? 1 : count;
  si.nPage = static_cast<UINT>(lines);
  si.nPos = selection;
  m_wndScroll.SetScrollInfo(&si, TRUE);
  m_wndList.SetTopIndex(selection > 0 ? selection - 1 : 0);
  SetTimer(kHoverTimer, kHoverInterval);
}

void CXComboList::OnTimer(UINT_PTR /*nIDEvent*/) {
  if (!::IsWindow(m_wndList.GetSafeHwnd())) return;
  POINT cursor{0, 0};
  GetCursorPos(&cursor);
  CPoint point(cursor);
  m_wndList.ScreenToClient(&point);
  BOOL outside = TRUE;
  const int item = static_cast<int>(m_wndList.ItemFromPoint(point, outside));
  if (outside || item < 0 || item == m_wndList.GetCurSel()) return;
  if (item < m_wndList.GetCount()) m_wndList.SetCurSel(item);
}

BOOL CXComboList::PreTranslateMessage(MSG* pMsg) {
  if (pMsg->message == WM_KEYDOWN) {
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_ALL;
    m_wndScroll.GetScrollInfo(&si, SIF_ALL);
    int selection = m_wndList.GetCurSel();
    if (selection < 0) selection = 0;
    bool moved = false;
    int position = 0;
    const UINT key = static_cast<UINT>(pMsg->wParam);
    switch (key) {
      case VK_RETURN: SendToParent(WM_XCOMBOLIST_VK_RETURN); break;
      case VK_ESCAPE: SendToParent(WM_XCOMBOLIST_VK_ESCAPE); break;
      case VK_PRIOR: position = selection - static_cast<int>(si.nPage) + 1; moved = true; break;
      case VK_NEXT: position = selection + static_cast<int>(si.nPage) - 1; moved = true; break;
      case VK_END: position = si.nMax; moved = true; break;
      case VK_HOME: position = 0; moved = true; break;
      case VK_UP: position = selection - 1; moved = true; break;
      case VK_DOWN: position = selection + 1; moved = true; break;
      default:
        if (key >= 'A' && key <= 'Z') {
          const int found = m_wndList.FindString(selection, CString(static_cast<wchar_t>(key)));
          if (found >= 0) {
            position = found;
            moved = true;
          }
        }
        break;
    }
    if (moved) {
      SendToParent(WM_XCOMBOLIST_KEYDOWN);
      if (position < 0) position = 0;
      if (position > si.nMax) position = si.nMax;
      m_wndScroll.SetScrollPos(position, TRUE);
    }
  } else if (pMsg->message == WM_LBUTTONUP) {
    SendToParent(WM_XCOMBOLIST_LBUTTONUP);
  }
  return CWnd::PreTranslateMessage(pMsg);
}

void CXComboList::OnVScroll(UINT nSBCode, UINT nPos, CScrollBar* /*pScrollBar*/) {
  if (!::IsWindow(m_wndList.GetSafeHwnd())) return;
  const MSG* msg = GetCurrentMessage();
  m_wndList.SendMessage(WM_VSCROLL, msg ? msg->wParam : MAKEWPARAM(nSBCode, nPos), msg ? msg->lParam : 0);
  SCROLLINFO si{};
  si.cbSize = sizeof si;
  si.fMask = SIF_ALL;
  m_wndScroll.GetScrollInfo(&si, SIF_ALL);
  int position = si.nPos;
  switch (nSBCode) {
    case SB_LINEUP: position -= 1; break;
    case SB_LINEDOWN: position += 1; break;
    case SB_PAGEUP: position -= static_cast<int>(si.nPage); break;
    case SB_PAGEDOWN: position += static_cast<int>(si.nPage); break;
    case SB_TOP: position = 0; break;
    case SB_BOTTOM: position = si.nMax; break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: position = static_cast<int>(nPos); break;
    default: return;  // SB_ENDSCROLL
  }
  if (position < 0) position = 0;
  if (position > si.nMax) position = si.nMax;
  m_wndScroll.SetScrollPos(position, TRUE);
}

void CXComboList::OnKillFocus(CWnd* pNewWnd) {
  CWnd::OnKillFocus(pNewWnd);
  if (++m_nFocusLosses > 2) SendToParent(WM_XCOMBOLIST_VK_ESCAPE);
}

void CXComboList::OnLButtonDown(UINT /*nFlags*/, CPoint /*point*/) {
  SendToParent(WM_XCOMBOLIST_LBUTTONUP);
  Default();
}

void CXComboList::OnDestroy() {
  KillTimer(kHoverTimer);
  if (::IsWindow(m_wndList.GetSafeHwnd())) m_wndList.DestroyWindow();
  CWnd::OnDestroy();
}
