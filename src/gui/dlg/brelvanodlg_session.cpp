// Session control of the main window: connect, disconnect, open, the port selector, the ready
// handshake, session start, end and reset, and the stored port name.
#include <exception>

#include "gui/dlg/brelvanodlg.h"
#include "object/rs232/portlist.h"
#include "object/rs232/usbports.h"
#include "platform/clock.h"
#include "platform/crt.h"
#include "platform/files.h"
#include "platform/modal.h"
#include "platform/portenum.h"
#include "platform/trace.h"

namespace {
constexpr UINT kReadyRetryMs = 7000;
constexpr UINT kSessionWatchdogMs = 5000000;
constexpr UINT kOpenTimeoutMs = 2000;
constexpr const wchar_t kCaption[] = L"Brelvano_v5 - Kestova Int.";
constexpr const wchar_t kDownloadedDefinition[] = L"BrelvanoParam.xml";

// The device path of a port chosen by name ("ttyUSB0", "pts/3"); a path stays as it is.
CString DevicePathOf(const CString& name) {
  if (!name.IsEmpty() && name[0] == L'/') return name;
  return CString(L"/dev/") + name;
}
}  // namespace

void CBrelvanoDlg::OnBnClickedConnect() {
  OnBnClickedDisconnect();
  if (m_bPortOpen) {
    AfxMessageBox(L"Already the port is open.", MB_OK);
    return;
  }
  m_strDefinitionBase = m_strModuleDir + L"Language XML/BrelvanoParam";
  if (m_strComPort.IsEmpty() || m_strComPort == PORT_ITEM_SEARCH) m_strComPort = PORT_ITEM_USB;

  if (m_strComPort == PORT_ITEM_USB) {
    m_bUsbReconnect = TRUE;
    if (!FindDevicePort()) {
      // No device yet: the reconnect timer searches again every two seconds.
      LockUI(TRUE);
      SetTimer(TIMER_USB_RECONNECT, USB_RECONNECT_MS);
      return;
    }
    TRACE(L"Find USB Ports\n");
  } else {
    m_bUsbReconnect = FALSE;
    g_bModemTunnel = DetectModemPort(m_strComPort, platform::EnumerateSerialPorts()) ? TRUE : FALSE;
    m_openPort.strPort = DevicePathOf(m_strComPort);
  }
  m_openPort.nParam = _wtoi(m_strBaudRates[3].Left(10));
  SaveComPort();
  m_bUserDisconnect = FALSE;

  TraceSessionStep(L"Connect");
  SetSerialRequest(SERIAL_REQ_OPEN, 0, &m_openPort, 0, 0);
  // The port's statuses (open, ready and the handshake's start) arrive inside this call.
  m_bridge.SendToObject(WM_SERIAL_REQUEST, 0, reinterpret_cast<LPARAM>(&m_serialRequest), SEND_MODE_SEND);
}

void CBrelvanoDlg::OnBnClickedDisconnect() {
  KillTimer(TIMER_USB_RECONNECT);
  LockUI(FALSE);
  m_bUsbReconnect = FALSE;
  KillTimer(TIMER_READY_RETRY);
  KillTimer(TIMER_SESSION_WATCHDOG);
  UnlockWindowUpdate();
  ResetBusy();
  m_bUserDisconnect = TRUE;
  m_bXmlDownload = FALSE;
  EndSession();
  m_bStartPending = FALSE;
}

void CBrelvanoDlg::TraceSessionStep(const wchar_t* pszStep) const {
  TRACE(L"Session: %s %s tunnel %s\n", pszStep, m_openPort.strPort, g_bModemTunnel ? L"on" : L"off");
}

void CBrelvanoDlg::OnBnClickedOpenDefinition() {
  TraceSessionStep(L"Open");
  if (m_bPortOpen) {
    // Open works as a disconnect while a port is open.
    KillTimer(TIMER_SESSION_WATCHDOG);
    UnlockWindowUpdate();
    ResetBusy();
    m_bUserDisconnect = TRUE;
    m_bXmlDownload = FALSE;
    m_bJsonDownload = FALSE;
    EndSession();
    m_bStartPending = FALSE;
    KillTimer(TIMER_READY_RETRY);
    KillTimer(TIMER_SESSION_WATCHDOG);
    return;
  }
  Sleep(100);
  int bJsonOrUp = 0;
  if (!ChooseDefinitionFile(&bJsonOrUp)) return;
  m_bOpenMode = TRUE;
  m_bAtPrefix = TRUE;
  // A new file session starts with an empty model (the log stays).
  ResetSessionDefinition();
  if (bJsonOrUp == 0) {
    m_bUpProtocol = FALSE;
    if (m_strComPort.IsEmpty() || m_strComPort == PORT_ITEM_SEARCH || m_strComPort == PORT_ITEM_USB) {
      if (!FindDevicePort()) return;
    } else {
      m_openPort.strPort = DevicePathOf(m_strComPort);
    }
    m_openPort.nParam = _wtoi(m_strBaudRates[3].Left(10));
    SaveComPort();
    m_bUserDisconnect = FALSE;
    m_bDirectVersion = TRUE;
    m_bOpenedFromFile = TRUE;
    SetTimer(TIMER_OPEN_TIMEOUT, kOpenTimeoutMs);
    SetSerialRequest(SERIAL_REQ_OPEN, 0, &m_openPort, 0, 0);
    m_bridge.SendToObject(WM_SERIAL_REQUEST, 0, reinterpret_cast<LPARAM>(&m_serialRequest), SEND_MODE_SEND);
  } else {
    // A JSON or numbered-parameter definition is used without a port.
    m_bUpProtocol = TRUE;
    m_bDirectVersion = TRUE;
    m_bOpenedFromFile = TRUE;
    LoadChosenFile();
  }
  KillTimer(TIMER_READY_RETRY);
  KillTimer(TIMER_SESSION_WATCHDOG);
}

void CBrelvanoDlg::OnCbnSelchangePort() {
  const int sel = m_comboPort.GetCurSel();
  if (sel == CB_ERR) return;
  m_comboPort.GetLBText(sel, m_strComPort);
  if (m_strComPort == PORT_ITEM_SEARCH) {
    FillPortCombo();
    m_comboPort.SetCurSel(1);
    m_strComPort = PORT_ITEM_USB;
  }
}

void CBrelvanoDlg::ResetSessionDefinition() {
  // The model of the previous definition goes (lists, counters, tab slots); the log is kept.
  ResetDefinitionModel();
}

void CBrelvanoDlg::StartSession() {
  // A new session: the waits and writes of the old one end when they see the new generation, and
  // none of its timers runs on into the handshake (a poll would write into it, a read's time-out
  // would end a wait of the new session).
  ++m_nSessionGeneration;
  KillSessionTimers();
  m_strReceiveRest.Empty();
  // A definition downloaded in an earlier session is not used again.
  const CString downloaded = m_strModuleDir + kDownloadedDefinition;
  if (platform::FileExists(downloaded)) {
    if (!platform::DeleteFile(downloaded)) TRACE(L"StartSession: %s could not be deleted\n", downloaded);
  }
  m_bStartPending = TRUE;
  ResetSessionDefinition();
  CreateChildPages(FALSE);
  LayoutPages(TRUE, FALSE, FALSE);

  m_bWaitReady = TRUE;
  LockUI(TRUE);
  m_bAtPrefix = TRUE;
  m_bNewFirmware = FALSE;
  m_nDownloadState = 0;
  m_nReadyRetries = 0;
  m_dFirmwareVersion = 0.0;
  m_nCurTab = 0;
  // A restart (a "System Start" from the device) cuts every read, save and walk of the session
  // short: none of their states carries over into the new handshake.
  ResetNumberedState();
  m_bProfileReading = FALSE;
  m_bSavingXmlProfile = FALSE;
  m_bPolygonActivating = FALSE;
  m_polygonWrite.Reset();
  KillTimer(TIMER_POLYGON_WRITE);
  QueueCommand(m_bAtPrefix ? L"AT^$PVRRdy" : L"$PVRRdy", 1);

  ResetDeviceInfo();
  FillDeviceInfoList(&m_deviceInfo);

  SetTimer(TIMER_READY_RETRY, kReadyRetryMs);
  SetTimer(TIMER_SESSION_WATCHDOG, kSessionWatchdogMs);
}

void CBrelvanoDlg::EndSession() {
  if (m_bPortOpen || g_bFileMode) TraceSessionStep(L"EndSession");
  m_bBusy = TRUE;
  m_bDirectVersion = FALSE;
  m_bOpenedFromFile = FALSE;
  m_bOpenMode = FALSE;
  m_bTranslateNames = FALSE;
  m_bBuyerVariantDefinition = FALSE;
  m_bJsonDownload = FALSE;
  ResetDownloadState();
  // With or without a port, nothing of the session runs on after its end.
  KillSessionTimers();

  ResetDefinitionTabs();
  ResetDeviceInfo();
  FillDeviceInfoList(&m_deviceInfo);
  ShowProgress(FALSE);

  if (m_bPortOpen) {
    SetSerialRequest(SERIAL_REQ_CLOSE, 0, nullptr, 0, 0);
    m_bridge.SendToObject(WM_SERIAL_REQUEST, 0, reinterpret_cast<LPARAM>(&m_serialRequest), SEND_MODE_SEND);
    ResetSession();
  } else if (g_bFileMode) {
    m_comboPort.EnableWindow(TRUE);
    ShowProgress(FALSE);
    CreateChildPages(FALSE);
    LayoutPages(TRUE, FALSE, FALSE);
    ResetSession();
  }
  m_bUpProtocol = FALSE;
  ResetNumberedState();
  // The definition of a chosen file ends with its session.
  g_bFileMode = FALSE;
  // No close follows that would release the busy lock: it is released here.
  if (!m_bPortOpen) m_bBusy = FALSE;
}

void CBrelvanoDlg::ResetSession() {
  // Waits and deferred steps of the session that ends stop when they see the new generation.
  ++m_nSessionGeneration;
  // A profile transfer that the session's end cuts off gives the window its controls back.
  if (m_bProfileWriting) ReleaseProfileControls();
  ResetNumberedState();
  const BOOL bWasUp = m_bUpProtocol;

  if (m_pReportDlg != nullptr || m_pSettingDlg != nullptr || m_pGeofenceDlg != nullptr || m_pBleDlg != nullptr ||
      m_pMenuDlg != nullptr) {
    ResetChildPagesForSession();
  }
  ResetHeaderAndDeviceInfo();

  // Session flags back to their starting values.
  m_bPortOpen = FALSE;
  m_bWaitReady = FALSE;
  m_bDefinitionPending = FALSE;
  m_bUserDisconnect = FALSE;
  m_bBusy = FALSE;
  m_bDirectVersion = FALSE;
  m_bOpenMode = FALSE;
  m_bStartPending = FALSE;
  m_bXmlDownload = FALSE;
  m_bJsonDownload = FALSE;
  m_bProfileWriting = FALSE;
  m_bProfileReading = FALSE;
  m_bSavingXmlProfile = FALSE;
  m_bTextProfileApplying = FALSE;
  m_bReplyError = FALSE;
  m_bEchoFilter = FALSE;
  m_bEchoSeen = FALSE;
  m_strEchoText.Empty();
  m_strKeyBuffer.Empty();
  m_strReceiveRest.Empty();
  m_nCurTab = 0;
  m_nCmdTab = -1;
  m_nLogLines = m_listLog.GetSafeHwnd() != nullptr ? m_listLog.GetCount() : 0;
  m_nWatchdogTicks = 0;
  m_bReplyTimeout = FALSE;
  m_bGeofenceReadTimeout = FALSE;
  m_nAdpRetries = 0;
  m_bPolygonListDone = TRUE;
  m_bReadAllDone = FALSE;
  m_bReadAllFinished = FALSE;
  m_nProgressPos = 0;
  m_dProgressStep = 0.0;
  m_nReadyRetries = 0;
  m_nDownloadState = 0;
  ResetDownloadState();
  m_bProfilePage = FALSE;
  m_bPolygonActivating = FALSE;
  g_bFileMode = FALSE;
  m_nGeofenceListCount = 0;
  m_nPolygonReadIndex = 0;
  // A zone write in progress ends with the session.
  m_polygonWrite.Reset();
  m_nPolygonWriteZone = 0;
  m_nLabelWidth = 0;
  m_nValueWidth = 0;
  // Status chain, identification and the pending command of the session that ends.
  m_bMVoltPending = FALSE;
  m_bAdpPollRunning = FALSE;
  m_bBuyerVariantDefinition = FALSE;
  m_strCmdHeader.Empty();
  m_strCmdBody.Empty();

  // Every session timer goes; the events are reset in place, so that a wait holding one still
  // holds a valid handle (it ends through the generation).
  KillSessionTimers();
  // A command of the session (a zone write's next packet, say) that the transmitter has not sent
  // yet is not sent after its end.
  DropQueuedCommand();
  for (HANDLE event : {m_hReadDoneEvent, m_hGeofenceReadEvent, m_hBleReadEvent, m_hPolygonReadEvent,
                       m_hApListReadEvent, m_hDriverIdReadEvent}) {
    if (event != nullptr) ResetEvent(event);
  }

  m_strDefinitionBase = L"Language XML/BrelvanoParam";
  const wchar_t* rates[5] = {L"9600", L"14400", L"19200", L"115200", L"Unknown"};
  for (int i = 0; i < 5; ++i) m_strBaudRates[i] = rates[i];
  m_bUpProtocol = FALSE;
  m_bAtPrefix = FALSE;

  SetWindowText(kCaption);
  // No window stays locked against drawing after a session.
  UnlockWindowUpdate();
  KillTimer(TIMER_DIAG_POLL);
  if (bWasUp) KillTimer(TIMER_READ_NEXT_TAB);
  // The cursor follows the busy flag.
  LockUI(FALSE);
}

void CBrelvanoDlg::ResetBusy() { LockUI(FALSE); }

void CBrelvanoDlg::SaveComPort() {
  m_regSettings.SetRegistryKey(kAppRegistryKeyName);
  if (!m_regSettings.WriteProfileString(nullptr, kRegValueComPort, m_strComPort))
    TRACE(L"SaveComPort: the port name could not be stored\n");
}

void CBrelvanoDlg::LoadComPort() {
  m_regSettings.SetRegistryKey(kAppRegistryKeyName);
  m_strComPort = m_regSettings.GetProfileString(nullptr, kRegValueComPort, CString());
  if (m_strComPort.IsEmpty()) m_regSettings.WriteProfileString(nullptr, kRegValueComPort, CString());
}

CString CBrelvanoDlg::SafeMakeUpper(const CString& strText) const {
  CString upper = strText;
  try {
    upper.MakeUpper();
  } catch (const std::exception&) {
    TRACE(L"Exception: Make Upper Case");
    return strText;
  }
  return upper;
}

void CBrelvanoDlg::ResetPolygonTable() {
  if (m_pPolygonTable == nullptr) return;
  for (int i = 0; i < m_nPolygonMax; ++i) {
    POLYGON_INFO& zone = m_pPolygonTable[i];
    zone.nIndex = i + 1;
    zone.bActive = 0;
    zone.nRole1 = zone.nRole4 = zone.nRole8 = zone.nRole10 = 0;
    zone.strRole2 = zone.strRole3 = zone.strRole5 = zone.strRole6 = zone.strRole7 = zone.strRole9 = L"0";
    zone.nPointCount = 0;
    zone.strRole11.Empty();
    zone.nOutActive = 0;
    zone.bHasOutActive = 0;
    zone.strReserved5 = L"0";
    zone.bUpRole1 = 0;
    zone.bUpRole2 = 0;
  }
}
