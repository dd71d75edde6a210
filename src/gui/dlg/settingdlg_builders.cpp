// CSettingDialog: the placing and enabling of the polygon zone buttons and list. The polygon page
// is built in settingdlg_polygon.cpp, the generic page, the page of type 36 and the presets in
// settingdlg_page.cpp, the assignment page in settingdlg_assign.cpp, SEND in settingdlg_send.cpp
// and the profile buttons in settingdlg_profile.cpp.
#include "gui/dlg/settingdlg.h"

// ---- Polygon zones ---------------------------------------------------------------------------

namespace {
// The zone settings' label and frame; the zone list fills the frame's client area. ADD, EDIT and
// DELETE stand below the frame (ShowPolygonControls).
const CRect kZoneLabelRect(140, 120, 650, 150);
const CRect kZoneFrameRect(140, 150, 810, 300);
}  // namespace

void CSettingDialog::BuildPolygonZoneFrame() {
  if (m_pParamList == nullptr || GetSafeHwnd() == nullptr) return;
  // The first parameter with a zone settings' title gives the frame its title (one frame a page).
  const PARAM_INFO* titled = nullptr;
  for (POSITION pos = m_pParamList->GetHeadPosition(); pos != nullptr && titled == nullptr;) {
    const auto* p = static_cast<const PARAM_INFO*>(m_pParamList->GetNext(pos));
    if (p->subGroups[1].nId == 1 && !p->subGroups[1].strTitle.IsEmpty()) titled = p;
  }
  if (titled != nullptr && m_pZoneFrame == nullptr && m_pZoneFrameLabel == nullptr) {
    m_pZoneFrameLabel = new CStatic();
    if (!m_pZoneFrameLabel->Create(CString(), WS_CHILD | WS_VISIBLE, kZoneLabelRect, this)) {
      delete m_pZoneFrameLabel;
      m_pZoneFrameLabel = nullptr;
    } else {
      m_pZoneFrameLabel->SetFont(&m_font);
    }
    m_pZoneFrame = new CStatic();
    if (!m_pZoneFrame->Create(titled->subGroups[1].strTitle, WS_CHILD | WS_VISIBLE | WS_BORDER | SS_BLACKFRAME,
                              kZoneFrameRect, this)) {
      delete m_pZoneFrame;
      m_pZoneFrame = nullptr;
    }
  }
  // The list lies in the frame's client area (the frame's rectangle inside its border when the
  // definition gives the zones no title and so no frame).
  CRect inner(0, 0, kZoneFrameRect.Width() - 2, kZoneFrameRect.Height() - 2);
  if (m_pZoneFrame != nullptr) m_pZoneFrame->GetClientRect(&inner);
  if (m_listPolygon.GetSafeHwnd() != nullptr) {
    m_listPolygon.MoveWindow(kZoneFrameRect.left, inner.Height() + 3, inner.Width(), inner.Height());
    // The frame is drawn behind the list.
    if (m_pZoneFrame != nullptr) m_listPolygon.SetWindowPos(wndTop, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  }
}

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

