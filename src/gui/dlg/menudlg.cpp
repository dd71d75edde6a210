// CMenuDialog (see menudlg.h).
#include "gui/dlg/menudlg.h"

#include "gui/dlg/brelvanodlg.h"
#include "gui/dlg/pagemessages.h"
#include "platform/gdi.h"
#include "platform/trace.h"

namespace {
constexpr COLORREF kPanelColour = RGB(240, 240, 240);
}  // namespace

BEGIN_MESSAGE_MAP(CMenuDialog, CDialog)
  ON_WM_CLOSE()
  ON_WM_SETCURSOR()
  ON_WM_ERASEBKGND()
  ON_WM_PAINT()
  ON_MESSAGE(WM_UI_LOCK, &CMenuDialog::OnUiLock)
  ON_MESSAGE(WM_MENU_LOCK, &CMenuDialog::OnMenuLock)
  ON_CONTROL_RANGE(BN_CLICKED, CMenuDialog::kFirstButtonId, CMenuDialog::kFirstButtonId + kMaxTabs - 1,
                   &CMenuDialog::OnPageButton)
END_MESSAGE_MAP()

CMenuDialog::CMenuDialog(const TAB_INFO* pTabs, CWnd* pParent) : CDialog(IDD_MENU_PANEL, pParent) {
  for (int i = 0; i < kMaxTabs; ++i) {
    TAB_INFO& item = m_items[i];
    item.Reset();
    item.bVisible = TRUE;
    if (pTabs == nullptr || pTabs[i].nIndex == TAB_TYPE_EMPTY) continue;
    const TAB_INFO& from = pTabs[i];
    item.nIndex = from.nIndex;
    item.strHdr = from.strHdr;
    item.strTitle = from.strTitle;
    item.bVisible = from.bVisible;
    item.nTabId = from.nTabId;
    item.bAssign = from.bAssign;
    item.strMapId = from.strMapId;
    ++m_nCount;
  }
}

BOOL CMenuDialog::OnInitDialog() {
  CDialog::OnInitDialog();
  auto* pMain = dynamic_cast<CBrelvanoDlg*>(m_pParentWnd);
  if (pMain == nullptr || pMain->m_tabPages.GetSafeHwnd() == nullptr) {
    TRACE(L"menu panel: no main window tab strip to fill\n");
    return TRUE;
  }
  for (int i = 0; i < m_nCount; ++i) pMain->m_tabPages.InsertItem(i, pMain->Translate(m_items[i].strTitle));
  return TRUE;
}

BOOL CMenuDialog::PreTranslateMessage(MSG* pMsg) {
  if (pMsg == nullptr) return FALSE;
  if (pMsg->message == WM_KEYDOWN && (pMsg->wParam == VK_RETURN || pMsg->wParam == VK_ESCAPE)) return TRUE;
  if (m_bBlockInput) return TRUE;
  return CDialog::PreTranslateMessage(pMsg);
}

void CMenuDialog::OnClose() {
  DestroyWindow();
  OnCancel();
}

BOOL CMenuDialog::OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message) {
  (void)pWnd;
  (void)nHitTest;
  (void)message;
  SetCursor(LoadCursor(nullptr, m_bBusy ? IDC_WAIT : IDC_ARROW));
  return TRUE;
}

BOOL CMenuDialog::OnEraseBkgnd(CDC* pDC) {
  (void)pDC;
  return FALSE;
}

void CMenuDialog::OnPaint() {
  CPaintDC dc(this);
  CRect client;
  GetClientRect(&client);
  CDC memory;
  CBitmap bitmap;
  if (!memory.CreateCompatibleDC(&dc) || !bitmap.CreateCompatibleBitmap(&dc, client.Width(), client.Height())) {
    dc.FillSolidRect(&client, kPanelColour);
    return;
  }
  CBitmap* pOld = memory.SelectObject(&bitmap);
  CPen pen(PS_SOLID, 1, kPanelColour);
  CBrush brush(kPanelColour);
  CPen* pOldPen = memory.SelectObject(&pen);
  CBrush* pOldBrush = memory.SelectObject(&brush);
  memory.Rectangle(&client);
  dc.BitBlt(0, 0, client.Width(), client.Height(), &memory, 0, 0, SRCCOPY);
  memory.SelectObject(pOldPen);
  memory.SelectObject(pOldBrush);
  memory.SelectObject(pOld);
}

LRESULT CMenuDialog::OnUiLock(WPARAM wParam, LPARAM lParam) {
  (void)lParam;
  m_bBusy = wParam != 0 ? TRUE : FALSE;
  return 0;
}

LRESULT CMenuDialog::OnMenuLock(WPARAM wParam, LPARAM lParam) {
  (void)lParam;
  m_bLocked = wParam != 0 ? TRUE : FALSE;
  return 0;
}

void CMenuDialog::OnPageButton(UINT nID) {
  const int index = static_cast<int>(nID) - static_cast<int>(kFirstButtonId);
  if (index < 0 || index >= kMaxTabs || m_bLocked || index == m_nSelectedButton) return;
  m_buttons[index].SetFaceColor(kSelectedFace);
  if (m_nSelectedButton >= 0) m_buttons[m_nSelectedButton].SetFaceColor(static_cast<COLORREF>(-1));
  m_nSelectedButton = index;
  if (CWnd* main = GetParent())
    main->SendMessage(WM_TAB_ACTIVATED, static_cast<WPARAM>(index),
                      reinterpret_cast<LPARAM>(&m_items[index].strTitle));
}
