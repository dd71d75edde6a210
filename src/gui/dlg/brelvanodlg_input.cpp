// CBrelvanoDlg: keyboard and mouse input before the dialog sees it (the command line, the
// engineering-mode code), the communication log's pop-up menu, the busy cursor, dragging by the
// background, the About entry of the title area and the hidden console button.
#include "gui/dlg/brelvanodlg.h"

#include "platform/clock.h"
#include "platform/console.h"
#include "platform/menu.h"
#include "platform/modal.h"
#include "platform/trace.h"

signed char g_nConsoleClicks = 0;


BOOL CBrelvanoDlg::PreTranslateMessage(MSG* pMsg) {
  if (pMsg->message == WM_KEYDOWN) {
    if (pMsg->wParam == VK_RETURN) {
      if (m_editCommand.GetSafeHwnd() != nullptr && pMsg->hwnd == m_editCommand.GetSafeHwnd()) {
        CString text;
        m_editCommand.GetWindowText(text);
        if (!text.IsEmpty()) {
          m_bEchoFilter = TRUE;
          m_strEchoText = text;
          QueueCommand(text, 1);
          m_editCommand.SetSel(0, -1);
        } else {
          platform::Trace(L"Command String is empty!\n");
        }
      }
      return TRUE;  // Enter never closes the window
    }
    if (pMsg->wParam == VK_ESCAPE) {
      m_strKeyBuffer.Empty();
      return TRUE;  // nor does Esc
    }
    CString key;
    key.Format(L"%c", static_cast<wchar_t>(pMsg->wParam));
    m_strKeyBuffer += key;
    m_strKeyBuffer.MakeUpper();
    const CString code(kEngineeringCode);
    if (m_strKeyBuffer.Find(code) >= 0) {
      // The buffer only needs to remember that the code was typed (every later key before Esc
      // shows the message again), so it never grows beyond the code and one key.
      m_strKeyBuffer = code;
      AfxMessageBox(L"Start Engineering Mode", MB_OK);
    } else if (m_strKeyBuffer.GetLength() >= code.GetLength()) {
      m_strKeyBuffer = m_strKeyBuffer.Right(code.GetLength() - 1);
    }
  } else if (pMsg->message == WM_RBUTTONUP && m_listLog.GetSafeHwnd() != nullptr &&
             pMsg->hwnd == m_listLog.GetSafeHwnd()) {
    CMenu menu;
    if (menu.LoadMenu(IDR_LOG_POPUP)) {
      if (CMenu* popup = menu.GetSubMenu(0)) {
        POINT pt{0, 0};
        GetCursorPos(&pt);
        popup->TrackPopupMenu(TPM_RIGHTBUTTON, pt.x, pt.y, this);
      }
    }
  }
  return CDialog::PreTranslateMessage(pMsg);
}

void CBrelvanoDlg::OnLogCopy() {
  if (m_listLog.GetCount() > 0 && m_listLog.GetCurSel() != LB_ERR) CopyLogLineToClipboard();
}

void CBrelvanoDlg::CopyLogLineToClipboard() {
  const int sel = m_listLog.GetCurSel();
  if (sel == LB_ERR) return;
  CString text = m_listLog.GetText(sel);
  text.Remove(L'\n');
  SetClipboardText(text);
}

void CBrelvanoDlg::OnLogClear() {
  m_listLog.ResetContent();
  m_nLogLines = 0;
}

BOOL CBrelvanoDlg::OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message) {
  (void)pWnd;
  (void)nHitTest;
  (void)message;
  // The window and its controls show the wait cursor while busy, else the arrow.
  SetCursor(LoadCursor(nullptr, m_bBusy ? IDC_WAIT : IDC_ARROW));
  return TRUE;
}

LRESULT CBrelvanoDlg::OnKickIdle(WPARAM wParam, LPARAM lParam) {
  (void)wParam;
  (void)lParam;
  return 0;
}

LRESULT CBrelvanoDlg::OnNcHitTest(CPoint point) {
  (void)point;
  if (m_bStartPending == 1) return HTNOWHERE;
  const LRESULT hit = Default();
  return hit == HTCLIENT ? HTCAPTION : hit;
}

void CBrelvanoDlg::OnNcLButtonDown(UINT nHitTest, CPoint point) {
  (void)nHitTest;
  (void)point;
  Default();
}

void CBrelvanoDlg::OnLButtonDblClk(UINT nFlags, CPoint point) {
  (void)nFlags;
  (void)point;
  Default();
}

void CBrelvanoDlg::OnXButtonDblClk(UINT nFlags, UINT nButton, CPoint point) {
  (void)nFlags;
  (void)nButton;
  (void)point;
  Default();
}

void CBrelvanoDlg::OnLButtonDown(UINT nFlags, CPoint point) {
  (void)nFlags;
  (void)point;
  Default();
}

void CBrelvanoDlg::OnContextMenu(CWnd* pWnd, CPoint point) {
  // The title area (the band above the tab strip) offers the About box, as a system menu would.
  if (pWnd != this && pWnd != &m_staticTitle && pWnd != &m_staticCompany && pWnd != &m_staticComPort) return;
  CPoint client = point;
  ScreenToClient(&client);
  if (m_tabPages.GetSafeHwnd() != nullptr) {
    CRect tab;
    m_tabPages.GetWindowRect(&tab);
    ScreenToClient(&tab);
    if (client.y >= tab.top) return;
  }
  CString text;
  if (!text.LoadString(IDS_ABOUTBOX) || text.IsEmpty()) return;
  CMenu menu;
  if (!menu.CreatePopupMenu()) return;
  menu.AppendMenu(MF_STRING, IDM_ABOUTBOX, text);
  const UINT command = static_cast<UINT>(menu.TrackPopupMenu(TPM_RETURNCMD | TPM_RIGHTBUTTON, point.x, point.y, this));
  if (command != 0) SendMessage(WM_SYSCOMMAND, command, 0);
}

void CBrelvanoDlg::OnBnClickedConsole() {
  m_btnConsole.SendMessage(WM_KILLFOCUS);
  ++g_nConsoleClicks;
  if (g_nConsoleClicks == kConsoleClicks) OpenDebugConsole();
  if (g_nConsoleClicks > kConsoleClicks) g_nConsoleClicks = kConsoleClicks;
}

void CBrelvanoDlg::OpenDebugConsole() { AllocConsole(); }
