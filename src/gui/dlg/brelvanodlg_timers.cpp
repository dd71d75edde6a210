// The timers of the main window's session (one dispatcher for all of them), the reply wait, the
// reply watchdog and the group-read starters.
#include "gui/dlg/bledlg.h"
#include "gui/dlg/brelvanodlg.h"
#include "gui/dlg/brelvanodlg_helpers.h"
#include "gui/dlg/geofencedlg.h"
#include "gui/dlg/settingdlg.h"
#include "platform/modal.h"
#include "platform/pumpwait.h"
#include "platform/trace.h"

using brelvano::HasWindow;

namespace {
// Texts of the language library.
constexpr UINT kTextProfileFailed = 1006;
constexpr UINT kTextGeofenceFailed = 1011;

constexpr UINT kDiagPollMs = 3000;
constexpr UINT kAdpPollMs = 1000;
constexpr UINT kSessionWatchdogMs = 5000000;
// The reply watchdog gives up at this expiry since its last reset.
constexpr int kWatchdogGiveUp = 8;

// The timers a session reset stops: all but the USB timers, the transmitter and the after-send timer.
constexpr UINT_PTR kSessionTimers[] = {
    TIMER_SESSION_WATCHDOG, TIMER_DIAG_POLL,   TIMER_READY_RETRY,    TIMER_OPEN_TIMEOUT,
    TIMER_ADP_POLL,         TIMER_TAB_DEFER,   TIMER_TAB_ACTIVATE,   TIMER_GROUP_READ,
    TIMER_BLE_GROUP_READ,   TIMER_PROFILE_LINE, TIMER_GEOFENCE_READ, TIMER_AP_READ,
    TIMER_READ_NEXT_TAB,    TIMER_WRITE_NEXT_TAB, TIMER_WRITE_POINTS, TIMER_REPLY_WATCHDOG,
    CBrelvanoDlg::TIMER_RECEIVE_REST, CBrelvanoDlg::TIMER_DOWNLOAD_QUIET, CBrelvanoDlg::TIMER_POLYGON_WRITE,
    CBrelvanoDlg::TIMER_STEP_DEADLINE};

}  // namespace

void CBrelvanoDlg::KillSessionTimers() {
  if (GetSafeHwnd() == nullptr) return;
  for (UINT_PTR id : kSessionTimers) KillTimer(id);
}

BOOL CBrelvanoDlg::WaitForReply(HANDLE hEvent) {
  const unsigned generation = m_nSessionGeneration;
  const unsigned model = m_nModelGeneration;
  for (;;) {
    if (hEvent == nullptr) return FALSE;
    const DWORD result = platform::WaitPumping(hEvent, 1);
    if (generation != m_nSessionGeneration || model != m_nModelGeneration) return FALSE;
    if (result == WAIT_OBJECT_0) return TRUE;
    if (result == WAIT_FAILED) return FALSE;
  }
}

void CBrelvanoDlg::OnTimer(UINT_PTR nIDEvent) {
  if (OnUsbTimer(nIDEvent)) return;
  switch (nIDEvent) {
    case TIMER_SESSION_WATCHDOG:
      KillTimer(TIMER_SESSION_WATCHDOG);
      // The session has hung: it ends as a definition download that timed out.
      if (m_bPortOpen) AbortDefinitionDownload();
      m_nReadyRetries = 0;
      break;
    case TIMER_DIAG_POLL:
      KillTimer(TIMER_DIAG_POLL);
      QueueCommand(m_bAtPrefix ? L"AT^$PVRDIAG\r" : L"$PVRDIAG\r", 0);
      SetTimer(TIMER_DIAG_POLL, kDiagPollMs);
      break;
    case TIMER_READY_RETRY:
      if (m_nReadyRetries > 2) {
        KillTimer(TIMER_READY_RETRY);
        m_bWaitReady = FALSE;
        break;
      }
      QueueCommand(m_bAtPrefix ? L"AT^$PVRRdy" : L"$PVRRdy", 1);
      m_bAtPrefix = FALSE;
      SetTimer(TIMER_SESSION_WATCHDOG, kSessionWatchdogMs);
      m_bWaitReady = FALSE;
      ++m_nReadyRetries;
      break;
    case TIMER_AFTER_SEND:
      KillTimer(TIMER_AFTER_SEND);
      break;
    case TIMER_OPEN_TIMEOUT:
      KillTimer(TIMER_OPEN_TIMEOUT);
      m_bOpenMode = FALSE;
      AfxMessageBox(L"Can not Load XML File!", MB_OK);
      break;
    case TIMER_ADP_POLL:
      KillTimer(TIMER_ADP_POLL);
      if (m_nAdpRetries > 1) {
        m_bAdpPollRunning = FALSE;
        m_nAdpRetries = 0;
        LoadLocalDefinition();
        LockUI(FALSE);
      } else {
        QueueCommand(m_bAtPrefix ? L"AT^$PVRADP" : L"$PVRADP", 1);
        ++m_nAdpRetries;
        SetTimer(TIMER_ADP_POLL, kAdpPollMs);
      }
      break;
    case TIMER_TAB_DEFER:
      if (m_bUpProtocol) {
        KillTimer(TIMER_TAB_DEFER);
      } else if (m_nDownloadState == 0 || m_nDownloadState == 2) {
        KillTimer(TIMER_TAB_DEFER);
        ActivateCurrentTab();
        if (HasWindow(m_pSettingDlg)) m_pSettingDlg->m_progress.ShowWindow(SW_HIDE);
        UnlockWindowUpdate();
        SetCursor(nullptr);
      } else {
        OnXmlRetryTimer();
      }
      break;
    case TIMER_TAB_ACTIVATE:
      // A polygon tab's own activation is waiting for its read: it is not started again.
      if (m_bPolygonActivating) break;
      if (m_bPolygonListDone) {
        KillTimer(TIMER_TAB_ACTIVATE);
        ActivateCurrentTab();
        UnlockWindowUpdate();
        SetCursor(nullptr);
      }
      break;
    case TIMER_GROUP_READ:
    case TIMER_BLE_GROUP_READ:
      OnGroupReadTimer(nIDEvent);
      break;
    case TIMER_PROFILE_LINE:
      // No answer to the last line in time (or an error answer stopped the transfer): the end
      // command goes out and the controls come back.
      KillTimer(TIMER_PROFILE_LINE);
      if (HasWindow(m_pSettingDlg)) m_pSettingDlg->m_progress.ShowWindow(SW_HIDE);
      m_bPlsReplyPending = FALSE;
      EndProfileWrite();
      AddLogLine(m_language.LoadString(kTextProfileFailed), TRUE);
      if (!m_strProfileError.IsEmpty()) AddLogLine(L"Error: the device answered " + m_strProfileError, TRUE);
      break;
    case TIMER_GEOFENCE_READ:
      KillTimer(TIMER_GEOFENCE_READ);
      m_bGeofenceReadTimeout = TRUE;
      if (HasWindow(m_pGeofenceDlg)) m_pGeofenceDlg->m_progress.ShowWindow(SW_HIDE);
      if (m_hGeofenceReadEvent != nullptr) SetEvent(m_hGeofenceReadEvent);
      AddLogLine(m_language.LoadString(kTextGeofenceFailed), TRUE);
      break;
    case TIMER_AP_READ:
      KillTimer(TIMER_AP_READ);
      if (m_hApListReadEvent != nullptr) SetEvent(m_hApListReadEvent);
      break;
    case TIMER_TRANSMIT:
      SendQueuedCommandNow();
      break;
    case TIMER_READ_NEXT_TAB:
      OnReadNextTab();
      break;
    case TIMER_WRITE_NEXT_TAB:
      KillTimer(TIMER_WRITE_NEXT_TAB);
      KillTimer(TIMER_REPLY_WATCHDOG);
      OnWriteNextTab();
      break;
    case TIMER_WRITE_POINTS:
      KillTimer(TIMER_WRITE_POINTS);
      KillTimer(TIMER_REPLY_WATCHDOG);
      OnWriteNextPoints();
      break;
    case TIMER_REPLY_WATCHDOG:
      OnReplyWatchdog();
      break;
    case TIMER_RECEIVE_REST:
      FlushReceiveRest();
      break;
    case TIMER_DOWNLOAD_QUIET:
      OnDownloadQuiet();
      break;
    case TIMER_POLYGON_WRITE:
      OnPolygonWriteTimeout();
      break;
    case TIMER_STEP_DEADLINE:
      OnStepDeadline();
      break;
    default:
      Default();
      break;
  }
}

void CBrelvanoDlg::OnReplyWatchdog() {
  ++m_nWatchdogTicks;
  if (m_nWatchdogTicks < kWatchdogGiveUp) return;
  m_nWatchdogTicks = 0;
  m_bReplyTimeout = TRUE;
  KillTimer(TIMER_REPLY_WATCHDOG);
  // The exchange that was waited for is over: its read or write chain ends (a later read or SEND
  // starts from its beginning), and a walk goes on with its next tab.
  const BOOL bWalkRequest = m_bWalkRequestOut && m_bWalkActive;
  EndNumberedRead();
  m_bMoreLines = FALSE;
  m_bListBufferPending = FALSE;
  for (HANDLE event : {m_hGeofenceReadEvent, m_hPolygonReadEvent, m_hReadDoneEvent, m_hCommandAckEvent, m_hBleReadEvent}) {
    if (event != nullptr) SetEvent(event);
  }
  EnableTabControl(TRUE);
  EnableSettingSendButton(TRUE);
  if (bWalkRequest) GiveUpWalkRequest();
}

BOOL CBrelvanoDlg::StartGeofenceRead() {
  if (HasWindow(m_pGeofenceDlg)) m_pGeofenceDlg->ResetRecords();
  BeginGroupRead(m_nGeofenceTab, TIMER_GROUP_READ);
  SendReadRequest(m_nGeofenceTab);
  EnableTabControl(FALSE);
  return TRUE;
}

BOOL CBrelvanoDlg::StartBleRead() {
  if (HasWindow(m_pBleDlg)) m_pBleDlg->ResetRecords();
  BeginGroupRead(m_nBleTab, TIMER_BLE_GROUP_READ);
  SendReadRequest(m_nBleTab);
  EnableTabControl(FALSE);
  return TRUE;
}

BOOL CBrelvanoDlg::StartGroupRead() {
  BeginGroupRead(m_nPolygonTab, TIMER_GROUP_READ);
  SendReadRequest(m_nPolygonTab);
  EnableTabControl(FALSE);
  return TRUE;
}
