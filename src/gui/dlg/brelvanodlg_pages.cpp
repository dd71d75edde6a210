// CBrelvanoDlg: the child pages of a loaded definition (side menu panel, settings page, geofence
// and BLE pages), their creation and destruction, the page area they share below the tab strip,
// the first page request, and the report map dialog.
#include "gui/dlg/brelvanodlg.h"
#include "gui/dlg/brelvanodlg_helpers.h"

#include "gui/dlg/bledlg.h"
#include "gui/dlg/geofencedlg.h"
#include "gui/dlg/menudlg.h"
#include "gui/dlg/reportdlg.h"
#include "gui/dlg/settingdlg.h"
#include "platform/modal.h"
#include "platform/trace.h"

using brelvano::HasWindow;

namespace {

// The last tab of the table with that page type; -1 when there is none.
int LastTabOfType(const TAB_INFO* pTabs, int nType) {
  int found = -1;
  for (int i = 0; i < kMaxTabs; ++i) {
    if (pTabs[i].nType == nType) found = i;
  }
  return found;
}

}  // namespace

CPtrList* CBrelvanoDlg::TabParamList(int nTab) {
  if (m_pParamLists == nullptr || nTab < 0 || nTab >= m_nTabCount || nTab >= kMaxTabs) return nullptr;
  return &m_pParamLists[nTab];
}

void CBrelvanoDlg::FillFirstPageRequest(int nHalfWidthExtra) {
  m_pageInfo.pParams = TabParamList(0);
  m_pageInfo.tab = m_tabInfo[0];
  CRect page;
  m_pSettingDlg->GetWindowRect(&page);
  const int width = page.Width();
  if (width > m_nLabelWidth + m_nValueWidth) {
    m_nLabelWidth = width / 2 + nHalfWidthExtra;
    m_nValueWidth = width / 2 + nHalfWidthExtra;
  }
  const CString& model = m_deviceInfo.strModel;
  const bool wideLabels = model.Find(L"VR735") >= 0 || model.Find(L"VR765") >= 0;
  m_pageInfo.nLabelWidth = wideLabels ? m_nLabelWidth + 60 : m_nLabelWidth;
  m_pageInfo.nValueWidth = m_nValueWidth;
}

BOOL CBrelvanoDlg::ZonePagesWanted() const {
  return !m_bAtPrefix || (m_dFirmwareVersion >= 100.0 && m_dFirmwareVersion < 300.0) || m_bDirectVersion ||
         m_deviceInfo.bJsonParam || m_bUpProtocol || m_bNewFirmware;
}

void CBrelvanoDlg::CreateChildPages(BOOL bCreate) {
  if (!bCreate) {
    DeletePage(m_pMenuDlg);
    if (m_pSettingDlg != nullptr) m_pSettingDlg->ResetPage();
    DeletePage(m_pSettingDlg);
    if (m_pGeofenceDlg != nullptr) m_pGeofenceDlg->ResetPage();
    DeletePage(m_pGeofenceDlg);
    if (m_pBleDlg != nullptr) m_pBleDlg->ResetPage();
    DeletePage(m_pBleDlg);
    return;
  }
  try {
    ShowWindow(SW_SHOWNORMAL);

    // The side menu panel fills the tab strip; a panel of an earlier definition goes first.
    DeletePage(m_pMenuDlg);
    m_tabPages.DeleteAllItems();
    m_pMenuDlg = new CMenuDialog(m_tabInfo, this);
    if (!m_pMenuDlg->Create(IDD_MENU_PANEL, this)) TRACE(L"menu panel: no window\n");
    m_pMenuDlg->ModifyStyle(0, WS_CLIPSIBLINGS | WS_CLIPCHILDREN);
    m_pMenuDlg->ShowWindow(SW_SHOW);

    if (m_pSettingDlg == nullptr) {
      m_pSettingDlg = new CSettingDialog(this);
      if (!m_pSettingDlg->Create(IDD_SETTING_DIALOG, this)) TRACE(L"settings page: no window\n");
    }
    m_pSettingDlg->SetDeviceInfo(&m_deviceInfo, &m_defHeader);

    if (!m_bUpProtocol) {
      FillFirstPageRequest(200);
      if (m_pGeofenceDlg != nullptr) m_pGeofenceDlg->ResetRecords();
      if (m_pBleDlg != nullptr) m_pBleDlg->ResetRecords();
      LayoutPages(FALSE, FALSE, FALSE);
      if (HasWindow(m_pSettingDlg)) {
        m_pSettingDlg->SendMessage(WM_SETTINGS_PAGE_NOTIFY, 0, reinterpret_cast<LPARAM>(&m_pageInfo));
      }
    } else {
      // The page is asked for by the read of all tabs.
      if (HasWindow(m_pSettingDlg)) {
        m_pSettingDlg->ClearPage();
        m_pSettingDlg->ShowStatusControls(FALSE);
        m_pSettingDlg->ShowProfileControls(FALSE);
        m_pSettingDlg->LayoutControls(TRUE);
      }
      LayoutPages(FALSE, FALSE, FALSE);
    }

    // At most one page of each kind, for the last tab of that kind. A page of an earlier
    // definition goes, also when this definition has no tab of its kind.
    const BOOL bZonePages = ZonePagesWanted();
    const int geofenceTab = bZonePages ? LastTabOfType(m_tabInfo, TAB_TYPE_GEOFENCE) : -1;
    const int bleTab = bZonePages ? LastTabOfType(m_tabInfo, TAB_TYPE_BLE) : -1;
    if (m_pGeofenceDlg != nullptr) m_pGeofenceDlg->ResetPage();
    DeletePage(m_pGeofenceDlg);
    if (m_pBleDlg != nullptr) m_pBleDlg->ResetPage();
    DeletePage(m_pBleDlg);
    if (geofenceTab >= 0) {
      m_pGeofenceDlg = new CGeofenceDialog(this);
      if (!m_pGeofenceDlg->Create(IDD_GEOFENCE_PAGE, this)) TRACE(L"geofence page: no window\n");
      m_pGeofenceDlg->SetDeviceInfo(&m_deviceInfo, &m_defHeader);
      m_pGeofenceDlg->SetPageDefinition(m_geoGroup, TabParamList(geofenceTab));
      m_pGeofenceDlg->ShowWindow(SW_HIDE);
    }
    if (bleTab >= 0) {
      m_pBleDlg = new CBleDialog(this);
      if (!m_pBleDlg->Create(IDD_BLE_PAGE, this)) TRACE(L"BLE page: no window\n");
      m_pBleDlg->SetPageDefinition(m_bleGroup, TabParamList(bleTab));
      m_pBleDlg->ShowWindow(SW_HIDE);
    }

    if (HasWindow(m_pSettingDlg)) m_pSettingDlg->ShowWindow(SW_SHOW);
    BringWindowToTop();
  } catch (...) {
    platform::Trace(L"ERROR");
  }
}

void CBrelvanoDlg::ShowFirstTab() {
  if (!HasWindow(m_pSettingDlg)) return;
  FillFirstPageRequest(170);
  m_pSettingDlg->SendMessage(WM_SETTINGS_PAGE_NOTIFY, 0, reinterpret_cast<LPARAM>(&m_pageInfo));
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
  // In screen coordinates: the pages are popups owned by this window.
  return page;
}

void CBrelvanoDlg::LayoutPages(BOOL bNoPages, BOOL bGeofence, BOOL bBle) {
  try {
    if (bNoPages) {
      if (m_pMenuDlg != nullptr) m_pMenuDlg->SetBlockInput(TRUE);
      m_listLog.ShowWindow(SW_HIDE);
      m_editCommand.ShowWindow(SW_HIDE);
      m_editCommand.SetWindowText(CString());
      m_tabPages.DeleteAllItems();
      m_staticLogo.ShowWindow(SW_SHOW);
      return;
    }
    m_staticLogo.ShowWindow(SW_HIDE);
    if (HasWindow(m_pMenuDlg)) m_pMenuDlg->ShowWindow(SW_HIDE);
    CRect t;
    m_tabPages.GetWindowRect(&t);
    const CRect page = PageRect();
    if (HasWindow(m_pGeofenceDlg)) {
      m_pGeofenceDlg->MoveWindow(&page);
      m_pGeofenceDlg->ShowWindow(bGeofence ? SW_SHOW : SW_HIDE);
    }
    if (HasWindow(m_pBleDlg)) {
      m_pBleDlg->MoveWindow(&page);
      m_pBleDlg->ShowWindow(bBle ? SW_SHOW : SW_HIDE);
    }
    if (HasWindow(m_pSettingDlg)) {
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

void CBrelvanoDlg::RelayoutPages() {
  if (m_pMenuDlg == nullptr) return;
  if (m_pSettingDlg == nullptr && m_pGeofenceDlg == nullptr && m_pBleDlg == nullptr) return;
  const CRect page = PageRect();
  if (HasWindow(m_pGeofenceDlg)) m_pGeofenceDlg->MoveWindow(&page);
  if (HasWindow(m_pBleDlg)) m_pBleDlg->MoveWindow(&page);
  // A settings page laid out for narrow labels keeps its place.
  if (HasWindow(m_pSettingDlg) && m_nLabelWidth > 250) m_pSettingDlg->MoveWindow(&page);
}

void CBrelvanoDlg::OnMove(int x, int y) {
  CDialog::OnMove(x, y);
  RelayoutPages();
}

LRESULT CBrelvanoDlg::OnShowPages(WPARAM wParam, LPARAM lParam) {
  (void)lParam;
  const int command = static_cast<int>(wParam);
  if (HasWindow(m_pSettingDlg)) m_pSettingDlg->ShowWindow(command);
  if (HasWindow(m_pGeofenceDlg)) m_pGeofenceDlg->ShowWindow(command);
  if (HasWindow(m_pBleDlg)) m_pBleDlg->ShowWindow(command);
  return 0;
}

void CBrelvanoDlg::ShowReportDialog() {
  // Every request is checked and handed its own tab, also while the dialog is open: the dialog
  // would otherwise get the tab of the request before.
  const int tab = m_pReportMapRequest != nullptr ? m_pReportMapRequest->nReportTab : -1;
  if (tab < 0 || tab >= kMaxReportTabs) {
    AfxMessageBox(L"Check the XML");
    return;
  }
  m_reportPageInfo.pParams =
      m_pReportParamLists != nullptr && tab < m_nReportTabCount ? &m_pReportParamLists[tab] : nullptr;
  m_reportPageInfo.tab = m_reportTabInfo[tab];
  if (!HasWindow(m_pReportDlg)) {
    DeletePage(m_pReportDlg);
    m_pReportDlg = new CReportDialog(m_reportTabInfo, nullptr);
    if (!m_pReportDlg->Create(IDD_REPORT_MAP, this)) {
      TRACE(L"report map: no window\n");
      return;
    }
    m_pReportDlg->ShowWindow(SW_SHOW);
  }
  m_pReportDlg->SendMessage(WM_REPORT_MAP_DATA, reinterpret_cast<WPARAM>(m_pReportMapRequest),
                            reinterpret_cast<LPARAM>(&m_reportPageInfo));
}

void CBrelvanoDlg::ShowReportDialogOnly(BOOL bShow) {
  if (!bShow || HasWindow(m_pReportDlg)) return;
  DeletePage(m_pReportDlg);
  m_pReportDlg = new CReportDialog(this);
  if (m_pReportDlg->Create(IDD_REPORT_MAP, this)) m_pReportDlg->ShowWindow(SW_SHOW);
}

void CBrelvanoDlg::FreeReportMapParams() {
  if (m_pReportMapParams == nullptr) return;
  // The dialog's check boxes live in the list's records: they go first.
  if (m_pReportDlg != nullptr && m_pReportDlg->m_pParamList == m_pReportMapParams) m_pReportDlg->ReleaseList();
  if (m_reportPageInfo.pParams == m_pReportMapParams) m_reportPageInfo.pParams = nullptr;
  POSITION pos = m_pReportMapParams->GetHeadPosition();
  while (pos != nullptr) {
    auto* p = static_cast<PARAM_INFO*>(m_pReportMapParams->GetNext(pos));
    if (p == nullptr) continue;
    FreeParamOptions(*p);
    delete p;
  }
  delete m_pReportMapParams;
  m_pReportMapParams = nullptr;
}

void CBrelvanoDlg::OpenReportMap(REPORT_MAP_REQUEST* pRequest) {
  if (pRequest == nullptr || pRequest->pParam == nullptr) {
    TRACE(L"OpenReportMap: no parameter to show\n");
    return;
  }
  if (!HasWindow(m_pReportDlg)) {
    DeletePage(m_pReportDlg);
    m_pReportDlg = new CReportDialog(this);
    if (!m_pReportDlg->Create(IDD_REPORT_MAP, this)) {
      TRACE(L"report map: no window\n");
      return;
    }
    m_pReportDlg->ShowWindow(SW_SHOW);
  }
  const PARAM_INFO& param = *pRequest->pParam;
  pRequest->nReportTab = 0;
  TAB_INFO tab;
  tab.nSize = param.nOptions;
  tab.nTabId = param.nAssignNo;
  tab.bAssign = param.nOptions == 0 ? TRUE : FALSE;

  // The list of an earlier call goes; the dialog is handed the new one below.
  FreeReportMapParams();
  m_pReportMapParams = new CPtrList;
  if (param.pOptions != nullptr) {
    for (int i = 0; i < param.nOptions; ++i) {
      auto* p = new PARAM_INFO;
      p->nCtrlType = param.pOptions[i].nCtrlType;
      p->strName = param.pOptions[i].strText;
      p->bReserve = TRUE;
      m_pReportMapParams->AddTail(p);
    }
  }
  m_reportPageInfo.pParams = m_pReportMapParams;
  m_reportPageInfo.tab = tab;
  m_pReportDlg->SendMessage(WM_REPORT_MAP_DATA, reinterpret_cast<WPARAM>(pRequest),
                            reinterpret_cast<LPARAM>(&m_reportPageInfo));
}
