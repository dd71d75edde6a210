// CSettingDialog: the choice of builder for a parameter tab, the assignment page and the polygon
// page builders, and the actions of those page kinds (the polygon zone buttons and list, the
// profile buttons, the assignment tables and their drag and drop). The generic page, the page of
// type 36 and the presets are in settingdlg_page.cpp, SEND in settingdlg_send.cpp. Those that do
// not build anything yet leave an empty page.
#include "gui/dlg/settingdlg.h"

// ---- Builders --------------------------------------------------------------------------------

void CSettingDialog::BuildParameterPage(BOOL bAssign) {
  if (bAssign) {
    BuildAssignPage();
  } else {
    BuildGenericPage();
  }
}

void CSettingDialog::BuildAssignPage() {
  m_nRowCount = 0;
  PlaceSendButton();
}

void CSettingDialog::BuildPolygonPage() {
  m_nRowCount = 0;
  PlaceSendButton();
}

// ---- Assignment tables -----------------------------------------------------------------------

void CSettingDialog::ShowAssignControls(BOOL bShow) {
  for (CWnd* pWnd : std::initializer_list<CWnd*>{&m_listSmall, &m_listMedium, &m_listLarge, &m_stTitleSmall,
                                                 &m_stTitleMedium, &m_stTitleLarge}) {
    if (pWnd->GetSafeHwnd() != nullptr) pWnd->ShowWindow(bShow ? SW_SHOW : SW_HIDE);
  }
}

void CSettingDialog::FillAssignLists() {}

void CSettingDialog::OnLButtonUp(UINT nFlags, CPoint point) {
  (void)nFlags;
  (void)point;
  Default();
}

void CSettingDialog::OnMouseMove(UINT nFlags, CPoint point) {
  (void)nFlags;
  (void)point;
  Default();
}

// ---- Polygon zones ---------------------------------------------------------------------------

void CSettingDialog::ShowPolygonControls(BOOL bShow) {
  CWnd* pAdd = GetDlgItem(IDC_SETTING_POLYGON_ADD);
  CWnd* pEdit = GetDlgItem(IDC_SETTING_POLYGON_EDIT);
  CWnd* pDelete = GetDlgItem(IDC_SETTING_POLYGON_DELETE);
  CWnd* pList = GetDlgItem(IDC_SETTING_POLYGON_LIST);
  if (pAdd == nullptr || pEdit == nullptr || pDelete == nullptr || pList == nullptr) return;
  if (bShow) {
    CRect add;
    CRect edit;
    CRect del;
    pAdd->GetWindowRect(&add);
    pEdit->GetWindowRect(&edit);
    pDelete->GetWindowRect(&del);
    pAdd->MoveWindow(270, 310, add.Width(), add.Height());
    pEdit->MoveWindow(270 + add.Width() + 10, 310, edit.Width(), edit.Height());
    pDelete->MoveWindow(270 + add.Width() + edit.Width() + 20, 310, del.Width(), del.Height());
  }
  for (CWnd* pWnd : {pAdd, pEdit, pDelete, pList}) pWnd->ShowWindow(bShow ? SW_SHOW : SW_HIDE);
}

void CSettingDialog::EnablePolygonButtons(BOOL bEnable) {
  for (int id : {IDC_SETTING_POLYGON_ADD, IDC_SETTING_POLYGON_EDIT, IDC_SETTING_POLYGON_DELETE}) {
    if (CWnd* pWnd = GetDlgItem(id)) pWnd->EnableWindow(bEnable != FALSE);
  }
}

void CSettingDialog::FillPolygonGroupList() {}

void CSettingDialog::SetMapPointText() {}

void CSettingDialog::RefreshPolygonFromRecord(POLYGON_INFO* pZone) { (void)pZone; }

void CSettingDialog::OnAddPolygon() {}

void CSettingDialog::OnEditPolygon() {}

void CSettingDialog::OnDeletePolygon() {}

// ---- Profile buttons -------------------------------------------------------------------------

void CSettingDialog::OnLoadProfile() {}

void CSettingDialog::OnSaveProfile() {}

void CSettingDialog::OnChangeProfile() {}
