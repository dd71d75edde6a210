// CBrelvanoDlg: the faces of the three bitmap buttons, the placement of the fixed controls and the
// page area below the tab strip.
#include "gui/dlg/brelvanodlg.h"

#include "platform/gdi.h"
#include "platform/trace.h"

namespace {
// Bitmaps of the language library: the "in" face and the normal face of each button.
constexpr UINT kConnectIn = 1012, kConnectOut = 2000;
constexpr UINT kDisconnectIn = 1013, kDisconnectOut = 2001;
constexpr UINT kOpenIn = 1014, kOpenOut = 2004;
constexpr COLORREF kTransparent = RGB(255, 0, 255);

// The control's rectangle in the parent's client coordinates.
CRect ChildRect(CWnd* parent, CWnd* child) {
  CRect rc;
  child->GetWindowRect(&rc);
  parent->ScreenToClient(&rc);
  return rc;
}

// Moves a child, size unchanged; returns its new left edge.
int PlaceAt(CWnd* child, int x, int y) {
  CRect rc;
  child->GetWindowRect(&rc);
  child->MoveWindow(x, y, rc.Width(), rc.Height());
  return x;
}
}  // namespace

void CBrelvanoDlg::LoadButtonBitmaps() {
  m_hLangInstance = m_language.GetInstanceHandle();
  struct Face {
    CButtonST* button;
    UINT in, out;
  };
  for (const Face& f : {Face{&m_btnConnect, kConnectIn, kConnectOut}, Face{&m_btnDisconnect, kDisconnectIn, kDisconnectOut},
                        Face{&m_btnOpen, kOpenIn, kOpenOut}}) {
    if (f.button->GetSafeHwnd() == nullptr) continue;
    HBITMAP hIn = m_language.LoadBitmap(f.in);
    HBITMAP hOut = m_language.LoadBitmap(f.out);
    // Without the language library the buttons keep their text faces.
    if (hIn == nullptr) {
      if (hOut != nullptr) DeleteObject(hOut);
      continue;
    }
    f.button->SetStateBitmaps(hIn, kTransparent, hOut, kTransparent);
    f.button->EnableTransparentDrawing(FALSE);
  }
}

void CBrelvanoDlg::LayoutControls() {
  // The definition tabs start empty; the port selector waits for the port search.
  DisablePortCombo();

  GetWindowRect(&m_rcLayout);
  m_rcLayout.OffsetRect(-m_rcLayout.left, -m_rcLayout.top);
  CenterWindow();

  CRect client;
  GetClientRect(&client);
  CWnd* group = GetDlgItem(IDC_STATIC_NOID);
  const CRect g = group != nullptr ? ChildRect(this, group) : CRect(0, 0, client.Width(), 0);
  const int c = m_nCaptionHeight;

  // The connection row, right to left, each control left of the previous one.
  auto width = [](CWnd& w) {
    CRect rc;
    w.GetWindowRect(&rc);
    return rc.Width();
  };
  int x = PlaceAt(&m_btnOpen, g.Width() - 160, c + 5);
  x = PlaceAt(&m_btnDisconnect, x - width(m_btnDisconnect) - 30, c + 5);
  x = PlaceAt(&m_btnConnect, x - width(m_btnConnect) - 5, c + 5);
  x = PlaceAt(&m_comboPort, x - width(m_comboPort) - 5, c + 7);
  x = PlaceAt(&m_staticComPort, x - width(m_staticComPort) - 5, c + 8);
  PlaceAt(&m_staticCompany, x - width(m_staticCompany) - 15, c + 45);

  // The tab strip and the logo fill the client area below the group box.
  m_tabPages.MoveWindow(5, g.Height() + 10, client.Width() - 10, client.Height() - g.Height() - 20);
  m_staticLogo.MoveWindow(10, g.Height() + 35, client.Width() - 20, client.Height() - g.Height() - 50);

  LayoutPages(TRUE, FALSE, FALSE);
}

CRect CBrelvanoDlg::PageRect() {
  CRect t;
  m_tabPages.GetWindowRect(&t);
  if (m_tabPages.GetItemCount() > 0) {
    CRect first;
    if (m_tabPages.GetItemRect(0, &first) && first.bottom > m_nTabRowHeight) m_nTabRowHeight = first.bottom;
  }
  CRect page(t.left + 5, t.top + m_nTabRowHeight + 5, t.left + 5 + t.Width() - 10,
             t.top + m_nTabRowHeight + 5 + t.Height() - (m_nTabRowHeight + 120));
  ScreenToClient(&page);
  return page;
}

void CBrelvanoDlg::LayoutPages(BOOL bNoPages, BOOL bGeofence, BOOL bBle) {
  try {
    if (bNoPages) {
      if (m_pMenuDlg != nullptr && m_pMenuDlg->GetSafeHwnd() != nullptr) m_pMenuDlg->EnableWindow(FALSE);
      m_listLog.ShowWindow(SW_HIDE);
      m_editCommand.ShowWindow(SW_HIDE);
      m_editCommand.SetWindowText(CString());
      m_tabPages.DeleteAllItems();
      m_staticLogo.ShowWindow(SW_SHOW);
      return;
    }
    m_staticLogo.ShowWindow(SW_HIDE);
    if (m_pMenuDlg != nullptr && m_pMenuDlg->GetSafeHwnd() != nullptr) m_pMenuDlg->ShowWindow(SW_HIDE);
    CRect t;
    m_tabPages.GetWindowRect(&t);
    const CRect page = PageRect();
    if (m_pGeofenceDlg != nullptr && m_pGeofenceDlg->GetSafeHwnd() != nullptr) {
      m_pGeofenceDlg->MoveWindow(&page);
      m_pGeofenceDlg->ShowWindow(bGeofence ? SW_SHOW : SW_HIDE);
    }
    if (m_pBleDlg != nullptr && m_pBleDlg->GetSafeHwnd() != nullptr) {
      m_pBleDlg->MoveWindow(&page);
      m_pBleDlg->ShowWindow(bBle ? SW_SHOW : SW_HIDE);
    }
    if (m_pSettingDlg != nullptr && m_pSettingDlg->GetSafeHwnd() != nullptr) {
      if (!bGeofence) m_pSettingDlg->MoveWindow(&page);
      m_pSettingDlg->ShowWindow(bGeofence || bBle ? SW_HIDE : SW_SHOW);
    }
    m_listLog.MoveWindow(10, t.Height() - 5, t.Width() - 10, 80);
    m_listLog.ShowWindow(SW_SHOW);
    m_editCommand.MoveWindow(10, t.Height() + 80, t.Width() - 10, 20);
    m_editCommand.ShowWindow(SW_SHOW);
  } catch (...) {
    platform::Trace(L"ERROR");
  }
}
