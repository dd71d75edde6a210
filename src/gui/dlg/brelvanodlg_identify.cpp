// CBrelvanoDlg: device identification and login. The version reply fills the device identity,
// refuses an undefined device, picks the road by which the device's definition is obtained (a
// local file per device variant, a definition the device sends as XML or JSON, a file the user
// chose) and logs the user into a device that asks for a password.
#include "gui/dlg/brandingfiles.h"
#include "gui/dlg/brelvanodlg.h"
#include "gui/dlg/passworddlg.h"
#include "platform/crt.h"
#include "platform/files.h"
#include "platform/modal.h"
#include "platform/trace.h"
#include "reference/default/appregsettings.h"

namespace {
// The session watchdog while the device is asked for its definition.
constexpr UINT kSessionWatchdogMs = 5000000;
// Firmware limits of the roads.
constexpr double kVariantV2Firmware = 33.0;
constexpr double kVariantV3Firmware = 51.0;
constexpr double kLanguageFirstFirmware = 15.0;
constexpr int kVariantVr3Firmware = 400;
// The name every local definition file starts with.
constexpr const wchar_t kDefinitionName[] = L"BrelvanoParam";

CString Field(const CString& line, int n) { return GUI_Base::GetField(line, n, L';'); }
}  // namespace

BOOL CBrelvanoDlg::IsUndefinedDevice(DEVICE_INFO info) {
  return info.strModel.Find(L"UNDEF") >= 0 || info.strBuyer.Find(L"UNDEF") >= 0;
}

CString CBrelvanoDlg::SafeFileNamePart(CString strText) {
  strText.Remove(L'/');
  strText.Remove(L'\\');
  while (strText.Find(L"..") >= 0) strText.Replace(L"..", L"");
  return strText;
}

// The fixed base of the local definition names: the folder part of the current base followed by
// "BrelvanoParam", whatever an earlier reply appended.
static CString DefinitionRoot(const CString& base) {
  int cut = base.ReverseFind(L'/');
  const int back = base.ReverseFind(L'\\');
  if (back > cut) cut = back;
  return base.Left(cut + 1) + kDefinitionName;
}

void CBrelvanoDlg::OnVersionReply(const CString& strLine) {
  const CString identity = Field(strLine, 3);
  DEVICE_INFO& info = m_deviceInfo;
  // A definition road starts: the pages and the tabs of an earlier definition go.
  auto clearForDefinition = [this, &info] {
    m_bDefinitionPending = TRUE;
    CreateChildPages(FALSE);
    LayoutPages(TRUE, FALSE, FALSE);
    ResetDefinitionTabs();
    FillDeviceInfoList(&info);
  };
  info.strModel = GetField(identity, 1, L'_');
  info.strBuyer = GetField(identity, 2, L'_');
  info.strProtocol = GetField(identity, 3, L'_');
  info.strVersion = GetField(identity, 4, L'_');
  m_dFirmwareVersion = _wtof(info.strVersion);
  info.nVerField5 = _wtoi(Field(strLine, 5));
  info.bVoice = _wtoi(Field(strLine, 6));
  info.bRS232 = _wtoi(Field(strLine, 7));
  info.bCAN = _wtoi(Field(strLine, 8));
  info.bSecurity = _wtoi(Field(strLine, 9));
  info.bLogin = _wtoi(Field(strLine, 10));
  info.bInput4 = _wtoi(Field(strLine, 11));
  info.nVerField12 = _wtoi(Field(strLine, 12));
  info.bJsonParam = _wtoi(Field(strLine, 15));
  info.strVerField16 = Field(strLine, 16);
  info.strVerField17 = Field(strLine, 17);
  info.strVerField18 = Field(strLine, 18);

  KillTimer(TIMER_SESSION_WATCHDOG);
  if (info.strVersion.Find(L'.') >= 0 || info.bJsonParam != 0) m_bNewFirmware = TRUE;

  if (IsUndefinedDevice(info)) {
    AddLogLine(L"Invalid Device", TRUE);
    ResetBusy();
    return;
  }
  if (info.bJsonParam != 0) {
    FollowJsonRoad();
    return;
  }

  // Each reply composes the name afresh from the fixed base.
  const CString root = DefinitionRoot(m_strDefinitionBase);
  const double version = m_dFirmwareVersion;
  const int versionNumber = _wtoi(info.strVersion);
  const BOOL variant = info.strModel.Find(L"VR8") >= 0 ||
                       (info.strModel.Find(L"VR3") >= 0 && versionNumber > kVariantVr3Firmware && !m_bUpProtocol &&
                        !m_bNewFirmware);
  if (variant) {
    m_strDefinitionBase = root + L"_VR835";
    if (version < kVariantV2Firmware) {
      // V1: the local file of this buyer, firmware and options, reached through the status chain.
      m_bBuyerVariantDefinition = TRUE;
      m_bTranslateNames = FALSE;
      if (CountFields(identity, L'_') == 5) info.strVersion += GetField(identity, 5, L'_');
      CString name = m_strDefinitionBase + L"_" + SafeFileNamePart(info.strBuyer) + L"_" +
                     SafeFileNamePart(info.strVersion);
      if (info.bVoice) name += L"_Voice";
      if (info.bRS232) name += L"_RS232";
      if (info.bCAN) name += L"_CAN";
      if (info.bInput4) name += L"_Input4";
      m_strDefinitionBase = name;
      FillDeviceInfoList(&info);
      ResetBusy();
      if (m_bDirectVersion) {
        LoadChosenDefinition();
        return;
      }
      KillTimer(TIMER_SESSION_WATCHDOG);
      RequestStatusSection(0);
      return;
    }
    if (version < kVariantV3Firmware && info.strModel.Find(L"VR835") >= 0) {
      // V2: the device sends its definition; the buyer's additions complete it.
      m_bBuyerVariantDefinition = TRUE;
      m_bTranslateNames = TRUE;
      FillDeviceInfoList(&info);
      ResetBusy();
    } else {
      // V3.
      m_bDefinitionPending = TRUE;
      m_bBuyerVariantDefinition = FALSE;
      m_bTranslateNames = TRUE;
      ResetDefinitionTabs();
      FillDeviceInfoList(&info);
    }
  } else if (info.strModel.Find(L"VR735") >= 0 && !m_bUpProtocol) {
    if (version < kLanguageFirstFirmware) {
      m_bBuyerVariantDefinition = TRUE;
      m_bTranslateNames = TRUE;
      FillDeviceInfoList(&info);
    } else {
      // The device first learns the user's language, then its "SetLang;OK" starts the download.
      CAppRegSettings settings;
      settings.SetRegistryKey(kAppRegistryKeyName);
      CString command;
      command.Format(L"$PVRSetLang=%02d\r", settings.GetProfileInt(nullptr, kRegValueLanguage, 0));
      if (m_bAtPrefix) command = L"AT^" + command;
      m_bBuyerVariantDefinition = FALSE;
      m_bTranslateNames = TRUE;
      clearForDefinition();
      if (m_bDirectVersion) {
        LoadChosenDefinition();
        return;
      }
      TransmitCommand(command);
      return;
    }
  } else {
    clearForDefinition();
  }
  if (m_bDirectVersion) {
    LoadChosenDefinition();
    return;
  }
  FollowDefinitionTail();
}

int CBrelvanoDlg::AskDevicePassword(CString& strPassword) {
  const unsigned generation = m_nSessionGeneration;
  CPasswordDlg prompt(this);
  const INT_PTR result = prompt.DoModal();
  // Device lines handled while the prompt was open may have ended the session.
  if (generation != m_nSessionGeneration || GetSafeHwnd() == nullptr) return -1;
  if (result != IDOK) return 0;
  strPassword = prompt.GetPassword();
  return 1;
}

void CBrelvanoDlg::FollowDefinitionTail() {
  const DEVICE_INFO& info = m_deviceInfo;
  const CString at = m_bAtPrefix ? CString(L"AT^") : CString();
  if (info.bLogin && !m_bUpProtocol && !info.bSecurity) {
    KillTimer(TIMER_SESSION_WATCHDOG);
    ResetBusy();
    CString password;
    const int answer = AskDevicePassword(password);
    if (answer < 0) return;
    if (answer) {
      SetTimer(TIMER_SESSION_WATCHDOG, kSessionWatchdogMs);
      TransmitCommand(at + L"$PVRUPD;" + password + L"\r");
    } else {
      KillTimer(TIMER_SESSION_WATCHDOG);
      ResetDeviceInfo();
      FillDeviceInfoList(&m_deviceInfo);
      EndSession();
    }
    m_bDefinitionPending = FALSE;
  } else if (m_bBuyerVariantDefinition && info.strModel.Find(L"VR835") >= 0 && !m_bTranslateNames &&
             !m_bUpProtocol) {
    KillTimer(TIMER_SESSION_WATCHDOG);
    QueueCommand(at + L"$PVRNTW\r");
  } else if (!m_bUpProtocol && !info.bJsonParam) {
    LockWindowUpdate();
    RequestDefinitionXml();
  }
  if (m_bUpProtocol && !m_deviceInfo.bJsonParam) {
    KillTimer(TIMER_SESSION_WATCHDOG);
    m_bEsnPending = TRUE;
    QueueCommand(L"AT^$ESN_READ\r");
    AwaitDeviceStep(L"AT^$ESN_READ");
  }
}

void CBrelvanoDlg::FollowJsonRoad() {
  m_bBuyerVariantDefinition = FALSE;
  m_bTranslateNames = FALSE;
  FillDeviceInfoList(&m_deviceInfo);
  if (m_bDirectVersion) {
    FollowDirectJsonRoad();
    return;
  }
  if (!m_deviceInfo.bLogin) {
    QueueCommand(L"AT^$PVRGetCsv\r\r");
    AwaitDeviceStep(L"AT^$PVRGetCsv");
    return;
  }
  KillTimer(TIMER_SESSION_WATCHDOG);
  ResetBusy();
  CString password;
  const int answer = AskDevicePassword(password);
  if (answer < 0) return;
  if (answer) {
    SetTimer(TIMER_SESSION_WATCHDOG, kSessionWatchdogMs);
    TransmitCommand(L"AT^$PVRUPD;" + password + L"\r");
    return;
  }
  // A cancelled login ends the session here too, as on the XML roads.
  ResetDeviceInfo();
  FillDeviceInfoList(&m_deviceInfo);
  EndSession();
}

// The definition file choice and the loading of the chosen file: brelvanodlg_docfiles.cpp; the
// assignment-header CSV: brelvanodlg_csv.cpp.
