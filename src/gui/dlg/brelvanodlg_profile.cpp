// The profile transfer to the device: the start command, then the profile's command lines one at a
// time, each after the device answered the line before (checked by the expected reply prefix), and
// the end command with the outcome in the log. The XML profile change sends its lines through here;
// the text profile change brackets its own PRG lines with the start and end commands.
#include "gui/dlg/brelvanodlg.h"
#include "gui/dlg/brelvanodlg_helpers.h"
#include "gui/dlg/menudlg.h"
#include "gui/dlg/settingdlg.h"
#include "platform/clock.h"
#include "platform/trace.h"

using brelvano::HasWindow;

namespace {
// Texts of the language library.
constexpr UINT kTextProfileChanged = 1007;
// The device's answer to a profile line must come within this time.
constexpr UINT kProfileLineMs = 10000;
// Pauses after the start command and before the end command.
constexpr DWORD kStartPauseMs = 400;
constexpr DWORD kEndPauseMs = 100;

bool Has(const CString& text, const wchar_t* part) { return text.Find(part) >= 0; }

CString Lower(CString text) {
  text.MakeLower();
  return text;
}
}  // namespace

int CBrelvanoDlg::ProfileLineTab(const CString& strLine) const {
  const CString header = GetField(strLine, 1, FramingSeparator());
  const int tabs = std::min(m_nTabCount, kMaxTabs);
  if (header == L"PLG" || header == L"PLS") {
    for (int t = 0; t < tabs; ++t)
      if (m_tabInfo[t].nType == TAB_TYPE_POLYGON) return t;
    return 0;
  }
  for (int t = 0; t < tabs; ++t)
    if (!header.IsEmpty() && m_tabInfo[t].strHdr == header) return t;
  return 0;
}

void CBrelvanoDlg::BeginProfileWrite() {
  const CString start = m_bAtPrefix ? L"AT^$PVRPRFSTART\r" : L"$PVRPRFSTART\r";
  m_strProfileError.Empty();
  LockUI(TRUE);
  TransmitCommand(start);
  Sleep(kStartPauseMs);
  for (CWnd* w : {static_cast<CWnd*>(&m_btnConnect), static_cast<CWnd*>(&m_btnDisconnect), static_cast<CWnd*>(&m_btnOpen),
                  static_cast<CWnd*>(m_pMenuDlg)}) {
    if (w != nullptr && w->GetSafeHwnd() != nullptr) w->EnableWindow(FALSE);
  }
  // In the numbered-parameter set the text profile change sends its lines itself.
  if (m_bUpProtocol || m_nProfileLine >= static_cast<int>(m_profileLines.size())) return;
  // A polygon settings reply may come while the transfer runs (only while it runs).
  m_bPlsReplyPending = TRUE;
  const CString& first = m_profileLines[static_cast<size_t>(m_nProfileLine)];
  WriteNextProfileLine(first, ProfileLineTab(first));
  if (!m_bProfileWriting) m_bPlsReplyPending = FALSE;
}

void CBrelvanoDlg::WriteNextProfileLine(const CString& strLine, int nTab) {
  if (strLine.IsEmpty()) {
    ++m_nProfileLine;
    return;
  }
  if (HasWindow(m_pSettingDlg)) {
    m_nProgressPos = static_cast<int>(m_nProfileLine * m_dProgressStep);
    m_pSettingDlg->m_progress.SetPos(m_nProgressPos);
  }
  const wchar_t sep = FramingSeparator();
  const CString header = GetField(strLine, 1, sep);
  CString framed;
  if (!m_geoGroup.strHdr.IsEmpty() && header == m_geoGroup.strHdr) {
    framed = BuildFramedCommand(strLine);
  } else if (header == L"HAD") {
    framed = BuildRemoveDriverIdCommand(strLine);
    if (framed.IsEmpty()) {
      // Nothing to send for this line: the next one goes at once, or the transfer is complete.
      ++m_nProfileLine;
      if (m_nProfileLine < static_cast<int>(m_profileLines.size())) {
        const CString& next = m_profileLines[static_cast<size_t>(m_nProfileLine)];
        WriteNextProfileLine(next, ProfileLineTab(next));
      } else {
        EndProfileWrite();
        AddLogLine(m_language.LoadString(kTextProfileChanged), TRUE);
      }
      return;
    }
  } else if (Has(strLine, L"MVolt") || Has(strLine, L"MSen")) {
    const int semicolon = strLine.Find(L';');
    framed = L"$Set" + GetField(strLine, 1, L';') + L";" + m_defHeader.strI + (semicolon >= 0 ? strLine.Mid(semicolon) : CString()) + L"\r";
    m_strCmdHeader = GetField(framed, 1, sep);
  } else {
    framed = BuildTabCommand(strLine, nTab);
  }
  m_strLastCommand = PrefixFramedCommand(framed);
  QueueCommand(m_strLastCommand, FALSE);
  TRACE(L"Write : %s\n", HideSecrets(m_strLastCommand));
  // From here on it holds the start of the answer this line expects.
  m_strLastCommand = BuildReplyHeader();
  SetTimer(TIMER_PROFILE_LINE, kProfileLineMs);
  ++m_nProfileLine;
}

void CBrelvanoDlg::EndProfileWrite() {
  const CString end = m_bAtPrefix ? L"AT^$PVRPRFEND\r" : L"$PVRPRFEND\r";
  KillTimer(TIMER_PROFILE_LINE);
  Sleep(kEndPauseMs);
  QueueCommand(end, FALSE);
  ReleaseProfileControls();
}

void CBrelvanoDlg::ReleaseProfileControls() {
  for (CWnd* w : {static_cast<CWnd*>(&m_btnConnect), static_cast<CWnd*>(&m_btnDisconnect), static_cast<CWnd*>(&m_btnOpen),
                  static_cast<CWnd*>(m_pMenuDlg)}) {
    if (w != nullptr && w->GetSafeHwnd() != nullptr) w->EnableWindow(TRUE);
  }
  LockUI(FALSE);
  if (HasWindow(m_pSettingDlg)) m_pSettingDlg->m_progress.ShowWindow(SW_HIDE);
  m_bProfileWriting = FALSE;
  m_bTextProfileApplying = FALSE;
  m_nProfileLine = 0;
}

void CBrelvanoDlg::CheckProfileReply(const CString& strDelivery) {
  if (!m_bProfileWriting) return;
  const CString model = m_deviceInfo.strModel;
  const CString header = m_strCmdHeader;
  CString prefix;
  if (Has(model, L"VR735") || Has(model, L"VR765")) {
    prefix = m_defHeader.strS + L";" + m_defHeader.strR + L";" + header + L";";
  } else {
    prefix = m_defHeader.strS + header + L";" + m_defHeader.strR + L";";
  }
  if (Has(model, L"VR835") || Has(model, L"VR839") || Has(model, L"VR055") || Has(model, L"VR155") || Has(model, L"VR065")) {
    for (const wchar_t* special : {L"$SetMSen;Res", L"$SetMVolt;Res", L"$PVR;RDID"}) {
      if (Has(strDelivery, special)) {
        prefix = special;
        break;
      }
    }
  }
  prefix = SafeMakeUpper(prefix);
  CString delivery = SafeMakeUpper(strDelivery);
  const int lines = static_cast<int>(m_profileLines.size());
  const BOOL bLastAnswered = m_nProfileLine >= lines;
  const int at = delivery.Find(prefix);
  if (at < 0) {
    // One buyer's devices answer in their own way: any delivery moves the transfer on.
    if (!bLastAnswered && Has(model, L"VR835") && Has(m_deviceInfo.strBuyer, L"LOMBIQ")) {
      const CString& next = m_profileLines[static_cast<size_t>(m_nProfileLine)];
      WriteNextProfileLine(next, ProfileLineTab(next));
    }
    return;
  }
  delivery = delivery.Mid(at);
  TRACE(L"%s\n", HideSecrets(delivery));
  // An error answer, to any line the last included, stops the transfer: the line timer ends it as
  // a failure.
  if (Has(Lower(delivery), L"error")) {
    m_strProfileError = strDelivery;
    m_strProfileError.Remove(L'\r');
    m_strProfileError.Remove(L'\n');
    return;
  }

  // The answer is taken by the header word of the line it answers, the last line included.
  BOOL bMoveOn = TRUE;
  if (header == L"HAD" || header == L"HRD") {
    bMoveOn = Has(Lower(delivery), L"res");
  } else if (Has(delivery, L"$PVR;RDID")) {
    bMoveOn = TRUE;
  } else if (header == L"PLG") {
    bMoveOn = Has(Lower(delivery), L"res");
    if (bMoveOn) m_nCmdTab = ProfileLineTab(L"PLG");
  } else if (header == L"CGF") {
    // The geofence values that were sent go into the table and onto the geofence page.
    ParseCircleGeofenceReply(strDelivery);
  } else {
    // The values sent become the tab's values.
    ApplyValuesToTab(m_strCmdBody, ProfileLineTab(header));
  }
  if (!bMoveOn) return;
  if (bLastAnswered) {
    EndProfileWrite();
    AddLogLine(m_language.LoadString(kTextProfileChanged), TRUE);
    return;
  }
  const CString& next = m_profileLines[static_cast<size_t>(m_nProfileLine)];
  WriteNextProfileLine(next, ProfileLineTab(next));
}
