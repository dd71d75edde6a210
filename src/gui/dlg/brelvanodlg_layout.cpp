// CBrelvanoDlg: the faces of the three bitmap buttons and the placement of the fixed controls (the
// page area below the tab strip is laid out with the child pages, brelvanodlg_pages.cpp).
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
  ResetDefinitionTabs();
  DisablePortCombo();

  GetWindowRect(&m_rcLayout);
  m_rcLayout.OffsetRect(-m_rcLayout.left, -m_rcLayout.top);
  CenterWindow();

  // The window rectangle here is the client area (the frame is the window system's), so the
  // controls below fill the client rectangle where a framed window subtracts its caption and edges.
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
