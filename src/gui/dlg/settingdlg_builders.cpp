// CSettingDialog: the placing and enabling of the polygon zone buttons and list. The polygon page
// is built in settingdlg_polygon.cpp, the generic page, the page of type 36 and the presets in
// settingdlg_page.cpp, the assignment page in settingdlg_assign.cpp, SEND in settingdlg_send.cpp
// and the profile buttons in settingdlg_profile.cpp.
#include "gui/dlg/settingdlg.h"

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

