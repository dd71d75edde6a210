// Tab activation of the main window: the tab change of the tab strip, the activation of a tab's page
// (reading its content from the device first for the geofence, BLE, polygon and access-point pages),
// the Diagnosis poll and the Profile view, the settings page's notifications, and the pages' part of
// the session reset.
#include <algorithm>

#include "gui/dlg/bledlg.h"
#include "gui/dlg/brelvanodlg.h"
#include "gui/dlg/brelvanodlg_helpers.h"
#include "gui/dlg/geofencedlg.h"
#include "gui/dlg/menudlg.h"
#include "gui/dlg/reportdlg.h"
#include "gui/dlg/settingdlg.h"
#include "platform/trace.h"

using brelvano::HasWindow;

namespace {
// Texts of the language library: the titles of the two tabs the loaders append.
constexpr UINT kTextDiagnosis = 1027;
constexpr UINT kTextProfile = 1028;

constexpr UINT kTabDeferMs = 2000;
constexpr UINT kTabActivateMs = 1056;
constexpr UINT kPolygonActivateMs = 1500;
constexpr UINT kPolygonWatchdogMs = 500;
constexpr UINT kDiagFirstPollMs = 100;
constexpr UINT kApReadMs = 1500;
constexpr UINT kGeofenceMinTimeoutMs = 1500;

void EnableButtons(CWnd* page, std::initializer_list<int> ids, BOOL bEnable) {
  for (int id : ids) {
    if (CWnd* button = page->GetDlgItem(id)) button->EnableWindow(bEnable);
  }
}
}  // namespace

UINT CBrelvanoDlg::GeofenceReadTimeout(int nSize) {
  const long long ms = 7LL * std::max(nSize, 0);
  return static_cast<UINT>(std::min<long long>(std::max<long long>(ms, kGeofenceMinTimeoutMs), 0x7FFFFFFF));
}

CString CBrelvanoDlg::TabTitle(int nTab) {
  if (nTab < 0 || nTab >= kMaxTabs) return CString();
  if (m_pMenuDlg != nullptr) return m_pMenuDlg->m_items[nTab].strTitle;
  return m_tabInfo[nTab].strTitle;
}

void CBrelvanoDlg::ActivateCurrentTab() {
  const CString title = TabTitle(m_nCurTab);
  SendMessage(WM_TAB_ACTIVATED, static_cast<WPARAM>(m_nCurTab), reinterpret_cast<LPARAM>(&title));
}

void CBrelvanoDlg::EnableTabControl(BOOL bEnable) {
  if (m_tabPages.GetSafeHwnd() != nullptr) m_tabPages.EnableWindow(bEnable);
}

BOOL CBrelvanoDlg::SettingPageZonesRead() {
  return m_pSettingDlg != nullptr && m_pSettingDlg->m_bKeepPolygonList ? TRUE : FALSE;
}

void CBrelvanoDlg::EnableSettingSendButton(BOOL bEnable) {
  if (HasWindow(m_pSettingDlg)) m_pSettingDlg->EnableSendButton(bEnable);
}

void CBrelvanoDlg::ResetChildPagesForSession() {
  if (m_pReportDlg != nullptr) {
    if (m_pReportDlg->GetSafeHwnd() != nullptr) m_pReportDlg->OnClose();
    DeletePage(m_pReportDlg);
  }
  if (m_pSettingDlg != nullptr) m_pSettingDlg->ResetPage();
  if (m_pGeofenceDlg != nullptr) m_pGeofenceDlg->ResetPage();
  if (m_pBleDlg != nullptr) m_pBleDlg->ResetPage();
  // The pages were released before by the page rebuild; any still there go now.
  if (m_pSettingDlg != nullptr || m_pGeofenceDlg != nullptr || m_pBleDlg != nullptr || m_pMenuDlg != nullptr)
    CreateChildPages(FALSE);
}

void CBrelvanoDlg::OnTabSelChange(NMHDR* pNMHDR, LRESULT* pResult) {
  (void)pNMHDR;
  if (pResult != nullptr) *pResult = 0;
  try {
    EnableTabControl(FALSE);
    m_nCurTab = m_tabPages.GetCurSel();
    const int type = m_nCurTab >= 0 && m_nCurTab < kMaxTabs ? m_tabInfo[m_nCurTab].nType : TAB_TYPE_EMPTY;
    if (!m_bAtPrefix || (m_dFirmwareVersion >= 100.0 && m_dFirmwareVersion < 300.0 && type != TAB_TYPE_POLYGON) ||
        (m_bOpenMode && !m_bNewFirmware)) {
      ActivateCurrentTab();
    } else if (m_nDownloadState == 1) {
      KillTimer(TIMER_TAB_DEFER);
      SetCursor(LoadCursor(nullptr, IDC_WAIT));
      if (HasWindow(m_pSettingDlg)) m_pSettingDlg->ClearPage();
      SetTimer(TIMER_TAB_DEFER, kTabDeferMs);
      if (HasWindow(m_pSettingDlg)) {
        m_pSettingDlg->m_progress.ShowWindow(SW_SHOW);
        m_pSettingDlg->ShowSendButton(FALSE);
      }
      LockWindowUpdate();
    } else if (m_bPolygonListDone) {
      KillTimer(TIMER_TAB_DEFER);
      KillTimer(TIMER_TAB_ACTIVATE);
      if (HasWindow(m_pSettingDlg)) m_pSettingDlg->m_progress.ShowWindow(SW_HIDE);
      ActivateCurrentTab();
      UnlockWindowUpdate();
    } else {
      KillTimer(TIMER_TAB_ACTIVATE);
      SetCursor(LoadCursor(nullptr, IDC_WAIT));
      if (HasWindow(m_pSettingDlg)) m_pSettingDlg->ClearPage();
      SetTimer(TIMER_TAB_ACTIVATE, kTabActivateMs);
    }
    EnableTabControl(TRUE);
  } catch (...) {
    TRACE(L"OnTabSelChange: exception swallowed\n");
  }
}

LRESULT CBrelvanoDlg::OnTabActivated(WPARAM wParam, LPARAM lParam) {
  const int nTab = static_cast<int>(wParam);
  const CString* pTitle = reinterpret_cast<const CString*>(lParam);
  const CString title = pTitle != nullptr ? *pTitle : CString();
  const unsigned generation = m_nSessionGeneration;

  m_nCmdTab = -1;
  // The diagnosis poll runs only while its page is shown: any other tab ends it.
  KillTimer(TIMER_DIAG_POLL);
  // An activation still waiting further up the call stack ends its wait.
  if (m_hGeofenceReadEvent != nullptr) SetEvent(m_hGeofenceReadEvent);
  if (m_hBleReadEvent != nullptr) SetEvent(m_hBleReadEvent);
  if (m_bProfileWriting) return 0;
  m_nCmdTab = nTab;
  m_bProfilePage = FALSE;

  if (!title.IsEmpty() && title == m_language.LoadString(kTextDiagnosis)) {
    DIAG_INFO diag;
    if (HasWindow(m_pSettingDlg))
      m_pSettingDlg->SendMessage(WM_SETTINGS_PAGE_NOTIFY, 1, reinterpret_cast<LPARAM>(&diag));
    SetTimer(TIMER_DIAG_POLL, kDiagFirstPollMs);
    LayoutPages(FALSE, FALSE, FALSE);
    return 0;
  }
  if (!title.IsEmpty() && title == m_language.LoadString(kTextProfile)) {
    if (HasWindow(m_pSettingDlg)) m_pSettingDlg->SendMessage(WM_SETTINGS_PAGE_NOTIFY, 2, 0);
    LayoutPages(FALSE, FALSE, FALSE);
    m_bProfilePage = TRUE;
    return 0;
  }
  if (!HasWindow(m_pSettingDlg)) return 0;
  if (nTab < 0 || nTab >= kMaxTabs) return 0;
  const TAB_INFO tab = m_tabInfo[nTab];

  // Whether the session and the pages are still those of this activation after a wait.
  const unsigned model = m_nModelGeneration;
  auto stillHere = [&]() { return generation == m_nSessionGeneration && model == m_nModelGeneration; };

  switch (tab.nType) {
    case TAB_TYPE_GEOFENCE:
      TRACE(L"Start Geo Timer\n");
      if (m_bUpProtocol) {
        if (!HasWindow(m_pGeofenceDlg)) return 0;
        if (g_bFileMode) {
          LayoutPages(FALSE, TRUE, FALSE);
          return 0;
        }
        m_pGeofenceDlg->BuildColumns();
        m_pGeofenceDlg->ResetRecords();
        EnableButtons(m_pGeofenceDlg, {IDC_GEOFENCE_ADD, IDC_GEOFENCE_EDIT, IDC_GEOFENCE_DELETE}, FALSE);
        LayoutPages(FALSE, TRUE, FALSE);
        StartGeofenceRead();
        ResetEvent(m_hGeofenceReadEvent);
        if (!WaitForReply(m_hGeofenceReadEvent) || !stillHere() || !HasWindow(m_pGeofenceDlg)) return 0;
        EnableButtons(m_pGeofenceDlg, {IDC_GEOFENCE_ADD, IDC_GEOFENCE_EDIT, IDC_GEOFENCE_DELETE}, TRUE);
        m_pGeofenceDlg->RefreshList();
        return 0;
      }
      SetTimer(TIMER_GEOFENCE_READ, GeofenceReadTimeout(tab.nSize));
      if (HasWindow(m_pGeofenceDlg) && !g_bFileMode) {
        m_pGeofenceDlg->BuildColumns();
        m_pGeofenceDlg->ResetRecords();
        EnableButtons(m_pGeofenceDlg, {IDC_GEOFENCE_ADD, IDC_GEOFENCE_EDIT, IDC_GEOFENCE_DELETE}, FALSE);
        m_pGeofenceDlg->m_progress.SetRange32(0, std::max(tab.nSize, 0));
        m_pGeofenceDlg->m_progress.SetPos(0);
        m_pGeofenceDlg->m_progress.ShowWindow(SW_SHOW);
        m_nGeofenceListCount = 0;
      }
      LayoutPages(FALSE, TRUE, FALSE);
      if (!g_bFileMode) {
        m_strLastCommand = m_bAtPrefix ? L"AT^$PVRRGEO\r" : L"$PVRRGEO\r";
        TransmitCommand(m_strLastCommand);
        ResetEvent(m_hGeofenceReadEvent);
        if (!WaitForReply(m_hGeofenceReadEvent) || !stillHere()) return 0;
      }
      KillTimer(TIMER_GEOFENCE_READ);
      if (HasWindow(m_pGeofenceDlg))
        EnableButtons(m_pGeofenceDlg, {IDC_GEOFENCE_ADD, IDC_GEOFENCE_EDIT, IDC_GEOFENCE_DELETE}, TRUE);
      if (m_bGeofenceReadTimeout) {
        m_bGeofenceReadTimeout = FALSE;
        return 0;
      }
      if (!HasWindow(m_pGeofenceDlg)) return 0;
      m_pGeofenceDlg->m_progress.ShowWindow(SW_HIDE);
      m_pGeofenceDlg->RefreshList();
      return 0;

    case TAB_TYPE_BLE:
      if (!m_bUpProtocol) return 0;
      TRACE(L"Start BLE Timer\n");
      if (!HasWindow(m_pBleDlg)) return 0;
      if (g_bFileMode) {
        LayoutPages(FALSE, FALSE, TRUE);
        return 0;
      }
      m_pBleDlg->BuildColumns();
      m_pBleDlg->ResetRecords();
      EnableButtons(m_pBleDlg, {IDC_BLE_ADD, IDC_BLE_EDIT, IDC_BLE_DELETE}, FALSE);
      LayoutPages(FALSE, FALSE, TRUE);
      StartBleRead();
      ResetEvent(m_hBleReadEvent);
      if (!WaitForReply(m_hBleReadEvent) || !stillHere() || !HasWindow(m_pBleDlg)) return 0;
      EnableButtons(m_pBleDlg, {IDC_BLE_ADD, IDC_BLE_EDIT, IDC_BLE_DELETE}, TRUE);
      m_pBleDlg->RefreshList();
      return 0;

    case TAB_TYPE_POLYGON:
      if (!g_bFileMode) {
        m_bProfileReading = FALSE;
        if (m_bUpProtocol) {
          // The activation's own timer does not start it again while it waits, and the reply
          // watchdog bounds the read.
          m_bPolygonActivating = TRUE;
          SetTimer(TIMER_TAB_ACTIVATE, kPolygonActivateMs);
          m_nWatchdogTicks = 0;
          m_bReplyTimeout = FALSE;
          SetTimer(TIMER_REPLY_WATCHDOG, kPolygonWatchdogMs);
          SendReadRequest(m_nCurTab);
          ResetEvent(m_hPolygonReadEvent);
          const BOOL done = WaitForReply(m_hPolygonReadEvent);
          // However the wait ended, this activation no longer waits: a deferred tab change may run.
          m_bPolygonActivating = FALSE;
          if (!stillHere()) return 0;
          KillTimer(TIMER_TAB_ACTIVATE);
          if (!done) return 0;
        }
      }
      break;

    case TAB_TYPE_PRESET:
      if (!g_bFileMode) {
        m_pSettingDlg->m_arrPresets.RemoveAll();
        SetTimer(TIMER_AP_READ, kApReadMs);
        m_strLastCommand = L"AT^$PVRRAP\r";
        TransmitCommand(m_strLastCommand);
        ResetEvent(m_hApListReadEvent);
        if (!WaitForReply(m_hApListReadEvent) || !stillHere()) return 0;
        KillTimer(TIMER_AP_READ);
      }
      break;

    default:
      break;
  }

  if (!HasWindow(m_pSettingDlg)) return 0;
  m_pageInfo.tab = tab;
  m_pageInfo.pParams = TabParamList(nTab);
  m_pSettingDlg->SendMessage(WM_SETTINGS_PAGE_NOTIFY, 0, reinterpret_cast<LPARAM>(&m_pageInfo));
  LayoutPages(FALSE, FALSE, FALSE);
  return 0;
}

LRESULT CBrelvanoDlg::OnSettingsPageNotify(WPARAM wParam, LPARAM lParam) {
  if (m_pSettingDlg == nullptr) return 0;
  if (wParam == 0 || wParam == 2) {
    KillTimer(TIMER_DIAG_POLL);
  } else if (wParam == 1 && HasWindow(m_pSettingDlg)) {
    m_pSettingDlg->SendMessage(WM_SETTINGS_PAGE_NOTIFY, 1, lParam);
  }
  return 0;
}

LRESULT CBrelvanoDlg::OnPageBusy(WPARAM wParam, LPARAM lParam) {
  if (HasWindow(m_pMenuDlg)) m_pMenuDlg->SendMessage(WM_MENU_LOCK, wParam, lParam);
  return 0;
}
