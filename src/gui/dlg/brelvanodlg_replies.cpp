// CBrelvanoDlg: the $-reply parser and the status chain. Lines that carry "$PVR;" and a keyword
// field start the next step of the session: the ready reply, the identity reply, the definition
// download start lines, the login result, diagnosis data and the answers of the status sections,
// which request the next section until the device variant's local definition file is loaded.
#include <algorithm>
#include <cstring>

#include "gui/dlg/brelvanodlg.h"
#include "gui/dlg/geofencedlg.h"
#include "platform/codepage.h"
#include "platform/crt.h"
#include "platform/files.h"
#include "platform/modal.h"
#include "platform/trace.h"
#include "reference/default/appregsettings.h"

namespace {
// Texts of the language library.
constexpr UINT kTextWrongPassword = 1025;
constexpr UINT kTextInvalidPassword = 1026;
// Registry values of the "Language" setting that have a local definition file.
constexpr int kLanguageEnglish = 9;
constexpr int kLanguagePortuguese = 22;
// Timer periods.
constexpr UINT kAdpPollMs = 1000;
// The status chain's time for each section's answer: a device that stops answering ends the
// session with the time-out message instead of leaving the window busy.
constexpr UINT kStatusSectionReplyMs = 10000;
// Sub-files a definition download may announce.
constexpr unsigned kMaxDefinitionFiles = 30;
// Bytes of one definition packet.
constexpr int kPacketBytes = 512;

CString Field(const CString& line, int n) { return GUI_Base::GetField(line, n, L';'); }
CString FieldKeepLF(const CString& line, int n) { return GUI_Base::GetField(line, n, L';', TRUE); }
}  // namespace

DIAG_INFO CBrelvanoDlg::BuildDiagInfo(const CString& strLine) {
  DIAG_INFO diag;
  diag.bInitial = 0;
  const int fields = CountFields(strLine, L';');
  if (fields != 4 && fields != 5 && fields != 9) return diag;  // states stay -1, flags 0
  diag.nGpsState = _wtoi(Field(strLine, 3));
  diag.nNetworkState = _wtoi(Field(strLine, 4));
  if (fields >= 5) {
    diag.bHasExtra = 1;
    diag.strIButtonId = Field(strLine, 5);
    diag.bShowIButton = 1;
  }
  if (fields == 9) {
    diag.strOdoPulse = Field(strLine, 6);
    diag.strDistance = Field(strLine, 7);
    diag.strRpmPulse = Field(strLine, 8);
    diag.strRpm = Field(strLine, 9);
    diag.bShowOdo = 1;
    diag.bShowRpm = 1;
  }
  return diag;
}

void CBrelvanoDlg::RequestStatusSection(int nCode) {
  const wchar_t* request = nullptr;
  switch (nCode) {
    case 0: request = L"$PVRNTW"; break;
    case 1: request = L"$PVRRPT"; break;
    case 2: request = L"$PVREVT"; break;
    case 3: request = L"$PVRGSM"; break;
    case 4: request = L"$PVRSVC"; break;
    case 8: request = L"$PVRADP"; break;
    case 9: request = L"$GetMSen;850000"; break;
    case 16: request = L"$GetMVolt;850000"; break;
    default: return;
  }
  QueueCommand((m_bAtPrefix ? CString(L"AT^") : CString()) + request + L"\r");
  // The session watchdog waits for the answer; the ADP poll bounds the last step itself (it loads
  // the local definition when no answer comes).
  KillTimer(TIMER_SESSION_WATCHDOG);
  if (nCode != 8) SetTimer(TIMER_SESSION_WATCHDOG, kStatusSectionReplyMs);
  if (nCode == 8) {
    // Each ADP request starts the poll's count afresh.
    m_nAdpRetries = 0;
    m_bAdpPollRunning = TRUE;
    SetTimer(TIMER_ADP_POLL, kAdpPollMs);
  } else if (nCode == 9 || nCode == 16) {
    // The "$Get...;Res" answer is taken only while this is set.
    m_bMVoltPending = TRUE;
  }
  LockUI(TRUE);
}

void CBrelvanoDlg::OnGetMVoltReply(const CString& strLine) {
  (void)strLine;
  RequestStatusSection(9);
}

void CBrelvanoDlg::OnGetMSenReply(const CString& strLine) {
  (void)strLine;
  if (m_bTranslateNames) {
    LockUI(FALSE);
    LoadXmlDefinition(m_strModuleDir + L"BrelvanoParam.xml");
  } else {
    RequestStatusSection(8);
  }
}

BOOL CBrelvanoDlg::ParseGetReply(const CString& strLine) {
  if (m_bUpProtocol) return FALSE;
  if (strLine.Find(L"$Get") < 0 || Field(strLine, 2) != L"Res" || !m_bMVoltPending) return FALSE;
  if (strLine.Find(L"$GetMVolt") >= 0) {
    OnGetMVoltReply(strLine);
  } else if (strLine.Find(L"$GetMSen") >= 0) {
    // Cleared first, so that a request this answer leads to may set it again.
    m_bMVoltPending = FALSE;
    OnGetMSenReply(strLine);
  }
  return TRUE;
}

void CBrelvanoDlg::LoadLocalDefinition() {
  // The ADP poll ends here, whoever reached the load.
  KillTimer(TIMER_ADP_POLL);
  m_bAdpPollRunning = FALSE;
  CAppRegSettings settings;
  settings.SetRegistryKey(kAppRegistryKeyName);
  const int language = settings.GetProfileInt(nullptr, kRegValueLanguage, 0);
  CString path;
  if (language == kLanguageEnglish) {
    path = m_strDefinitionBase + L"_Eng.xml";
  } else if (language == kLanguagePortuguese) {
    path = m_strDefinitionBase + L"_Portu.xml";
  } else {
    return;
  }
  if (platform::FileExists(path)) {
    LoadXmlDefinition(path);
    return;
  }
  if (AfxMessageBox(L"Cannot Find XML File", MB_OK | MB_ICONEXCLAMATION) == IDOK) EndSession();
}

// Ends a definition download that announced more sub-files than the program takes.
static void RefuseDefinitionStart(CBrelvanoDlg& dlg) {
  dlg.KillTimer(TIMER_SESSION_WATCHDOG);
  dlg.ResetDeviceInfo();
  dlg.FillDeviceInfoList(&dlg.m_deviceInfo);
  if (dlg.m_bPortOpen) dlg.EndSession();
  dlg.UnlockWindowUpdate();
  dlg.m_bStartPending = FALSE;
  AfxMessageBox(L"Warning : Please check the firmware version.", MB_OK);
}

void CBrelvanoDlg::OnGeoStatusReply(const CString& strLine) {
  const int req = strLine.Find(L"Req;");
  if (m_pGeofenceDlg == nullptr || m_pGeofenceDlg->GetSafeHwnd() == nullptr || req < 0) return;
  CString status = strLine.Mid(req + 4);
  status.Remove(L'\r');
  status.Remove(L'\n');
  m_pGeofenceDlg->AddStatusLine(status);
}

void CBrelvanoDlg::ParseLegacyReply(const CString& strLine) {
  if (strLine.Find(L"$PVR;") < 0) {
    AddLogLine(strLine, FALSE);
    return;
  }
  const CString at = m_bAtPrefix ? CString(L"AT^") : CString();
  const CString keyword = Field(strLine, 2);
  const CString keywordLF = FieldKeepLF(strLine, 2);

  if (keyword == L"Rdy") {
    KillTimer(TIMER_READY_RETRY);
    m_bWaitReady = FALSE;
    m_bStartPending = FALSE;
    m_nReadyRetries = 0;
    m_bMVoltPending = FALSE;
    m_bAdpPollRunning = FALSE;
    if (Field(strLine, 3) == L"UP") {
      m_bUpProtocol = TRUE;
      m_bAtPrefix = TRUE;
    } else {
      m_bUpProtocol = FALSE;
    }
    QueueCommand((m_bAtPrefix ? CString(L"AT^") : CString()) + L"$PVRVer;1416\r");
    return;
  }
  if (keyword == L"Ver") {
    OnVersionReply(strLine);
    return;
  }
  if (keywordLF == L"CSV") {
    CString table = FieldKeepLF(strLine, 3);
    table.Replace(wchar_t(27), L'\n');
    EndAwaitedStep();
    if (!WriteAssignHeaderCsv(table)) {
      // The JSON definition is asked for only with its table stored: the road ends here.
      GiveUpDefinitionRoad(L"Error: the definition is not downloaded without its assignment header table");
      return;
    }
    QueueCommand(L"AT^$PVRGetJson\r\r");
    AwaitDeviceStep(L"AT^$PVRGetJson");
    return;
  }
  if ((keywordLF == L"VRMCUDL" || keywordLF == L"VRMCUDLST") && FieldKeepLF(strLine, 3) != L"ERR") {
    AddLogLine(strLine, TRUE);
    if (m_hCommandAckEvent != nullptr) SetEvent(m_hCommandAckEvent);
    return;
  }
  if (keyword == L"DIAG") {
    DIAG_INFO diag = BuildDiagInfo(strLine);
    SendMessage(WM_SETTINGS_PAGE_NOTIFY, 1, reinterpret_cast<LPARAM>(&diag));
    return;
  }
  if (keyword == L"NTW") return RequestStatusSection(1);
  if (keyword == L"RPT") return RequestStatusSection(2);
  if (keyword == L"EVT") return RequestStatusSection(4);
  if (keyword == L"SVC") return RequestStatusSection(3);
  if (keyword == L"GSM") return RequestStatusSection(9);
  if (keyword == L"ADP") {
    // Only the answer to the running ADP poll counts; a late or unasked one is dropped.
    if (!m_bAdpPollRunning) return;
    KillTimer(TIMER_ADP_POLL);
    LoadLocalDefinition();
    LockUI(FALSE);
    return;
  }
  if (keyword == L"GEO") {
    OnGeoStatusReply(strLine);
    return;
  }
  if (strLine.Find(L"StartXML") >= 0) {
    m_nDownloadState = 1;
    m_nReadyRetries = 0;
    m_dFirmwareVersion = _wtof(m_deviceInfo.strVersion);
    const BOOL singleFile = !m_bAtPrefix || (m_dFirmwareVersion >= 100.0 && m_dFirmwareVersion < 300.0 && !m_bNewFirmware);
    if (singleFile) {
      m_nXmlSize = _wtoi(Field(strLine, 3));
      // A size the receive buffer cannot hold is not a definition this program can take.
      if (m_nXmlSize < 1 || m_nXmlSize > kMaxXmlFileBytes) {
        RefuseDefinitionStart(*this);
        return;
      }
      m_bXmlDownload = TRUE;
      std::memset(m_xmlBuffer, 0, sizeof m_xmlBuffer);
      std::memset(m_packetBuffer, 0, sizeof m_packetBuffer);
      m_nPacketFill = 0;
      m_nXmlReceived = 0;
      QueueCommand(at + L"$ReqXmlPk\r");
      return;
    }
    m_nFileCount = _wtoi(Field(strLine, 3));
    bool refused = m_nFileCount < 1 || static_cast<unsigned>(m_nFileCount) > kMaxDefinitionFiles;
    for (int i = 0; i < m_nFileCount && !refused; ++i) {
      const int size = _wtoi(Field(strLine, i + 4));
      refused = size < 0 || size > kMaxXmlFileBytes;
    }
    if (refused) {
      RefuseDefinitionStart(*this);
      return;
    }
    m_dProgressStep = m_nFileCount > 0 ? 100.0 / m_nFileCount : 0.0;
    m_nXmlSize = _wtoi(Field(strLine, 4));
    m_nPacketCount = (m_nXmlSize + kPacketBytes - 1) / kPacketBytes;
    for (int i = 0; i < m_nFileCount; ++i) {
      m_tabInfo[i].nIndex = i;
      m_tabInfo[i].nSize = _wtoi(Field(strLine, i + 4));
    }
    QueueCommand(L"AT^$PVRReqHdr\r");
    return;
  }
  if (strLine.Find(L"StartJSON") >= 0) {
    m_nDownloadState = 1;
    m_nReadyRetries = 0;
    m_dFirmwareVersion = _wtof(m_deviceInfo.strVersion);
    if (m_deviceInfo.strVersion.Find(L'.') >= 0 || m_deviceInfo.bJsonParam) m_bNewFirmware = TRUE;
    m_nFileCount = _wtoi(Field(strLine, 4));
    if (m_nFileCount < 1 || static_cast<unsigned>(m_nFileCount) > kMaxDefinitionFiles) {
      RefuseDefinitionStart(*this);
      return;
    }
    for (int i = 0; i < m_nFileCount; ++i) m_tabInfo[i].nIndex = i;
    EndAwaitedStep();
    m_bJsonDownload = TRUE;
    // A device that stays silent before its first frame ends the download too.
    SetTimer(TIMER_DOWNLOAD_QUIET, kDownloadQuietMs);
    m_nCurrentFile = 0;
    m_nPacket = 0;
    m_strJsonText.Empty();
    std::memset(m_packetBuffer, 0, sizeof m_packetBuffer);
    CString request;
    request.Format(L"AT^$ReqJsonPk;No;%d\r", 1);
    QueueCommand(request);
    SetProgressRange(0, m_nFileCount);
    SetProgressPos(0);
    ShowProgress(TRUE);
    return;
  }
  if (strLine.Find(L"$PVR;Hdr") >= 0) {
    // Fields 3 on name the announced sub-files in order; the report settings file is not taken.
    int kept = 0;
    const int announced = m_nFileCount < 0 ? 0 : (m_nFileCount > kMaxTabs ? kMaxTabs : m_nFileCount);
    for (int i = 0; i < announced; ++i) {
      const CString word = Field(strLine, i + 3);
      if (word == L"RPT_SET") continue;
      if (kept != i) m_tabInfo[kept] = m_tabInfo[i];
      m_tabInfo[kept].strTitle = word;
      ++kept;
    }
    if (kept != announced) {
      for (int i = kept; i < announced; ++i) m_tabInfo[i].Reset();
      m_nFileCount = kept;
      m_dProgressStep = m_nFileCount > 0 ? 100.0 / m_nFileCount : 0.0;
    }
    m_nCurrentFile = 0;
    m_nPacket = 0;
    CString request;
    // The first kept file, by its number on the device, with its own size.
    if (kept > 0) {
      m_nXmlSize = m_tabInfo[0].nSize;
      m_nPacketCount = (m_nXmlSize + kPacketBytes - 1) / kPacketBytes;
    }
    request.Format(L"AT^$ReqXmlPk;%d;%d\r", kept > 0 ? m_tabInfo[0].nIndex : 0, m_nPacket);
    QueueCommand(request);
    m_bXmlDownload = TRUE;
    std::memset(m_xmlBuffer, 0, sizeof m_xmlBuffer);
    std::memset(m_packetBuffer, 0, sizeof m_packetBuffer);
    m_nPacketFill = 0;
    m_nXmlReceived = 0;
    return;
  }
  if (strLine.Find(L"UPD") >= 0) {
    const int result = _wtoi(Field(strLine, 3));
    TRACE(L"UPD RESULT: %d \n", result);
    if (result == 1) {
      if (m_deviceInfo.bJsonParam) {
        QueueCommand(L"AT^$PVRGetCsv\r\r");
        AwaitDeviceStep(L"AT^$PVRGetCsv");
      } else {
        RequestDefinitionXml();
      }
      return;
    }
    KillTimer(TIMER_SESSION_WATCHDOG);
    ResetDeviceInfo();
    FillDeviceInfoList(&m_deviceInfo);
    EndSession();
    if (result == 2) {
      AfxMessageBox(m_language.LoadString(kTextWrongPassword), MB_OK);
    } else if (result == 3) {
      AfxMessageBox(m_language.LoadString(kTextInvalidPassword), MB_OK);
    } else {
      CString text;
      text.Format(L"ERROR. UPD Result: %d", result);
      AfxMessageBox(text, MB_OK);
    }
    return;
  }
  if (strLine.Find(L"SetLang;OK") >= 0) {
    LockWindowUpdate();
    RequestDefinitionXml();
    return;
  }
  // Any other keyword: dropped.
}

wchar_t* CBrelvanoDlg::NewWideText(const char* pszText) {
  if (pszText == nullptr) return nullptr;
  const std::wstring text = platform::BytesToText(CP_ACP, pszText).ToWString();
  auto* out = new wchar_t[text.size() + 1];
  std::copy(text.begin(), text.end(), out);
  out[text.size()] = L'\0';
  return out;
}

char* CBrelvanoDlg::NewMultiByteText(const wchar_t* pszText) {
  if (pszText == nullptr) return nullptr;
  const std::string bytes = platform::TextToBytes(CP_ACP, CString(pszText));
  auto* out = new char[bytes.size() + 1];
  std::copy(bytes.begin(), bytes.end(), out);
  out[bytes.size()] = '\0';
  return out;
}

BOOL CBrelvanoDlg::IsIntegerText(const CString& strText) {
  for (int i = 0; i < strText.GetLength(); ++i) {
    const wchar_t c = strText[i];
    if (c == L'-' && i == 0) continue;
    if (c < L'0' || c > L'9') return FALSE;
  }
  return TRUE;
}
