// The receive path of the main window: the serial link's statuses, the received data cut into
// lines, the line dispatcher with the echo filter and the "System Start" rule, and the
// communication log.
#include <string>
#include <string_view>
#include <vector>

#include "gui/dlg/brelvanodlg.h"
#include "object/rs232/portlist.h"
#include "platform/clock.h"
#include "platform/codepage.h"
#include "platform/console.h"
#include "platform/gdi.h"
#include "platform/modal.h"
#include "platform/trace.h"

namespace {
// Texts of the language library.
constexpr UINT kTextOpenFailed = 1002;
constexpr COLORREF kErrorLineColour = RGB(255, 0, 0);
// A rest that grows this long without a carriage return is dispatched as it is.
constexpr int kMaxReceiveRest = 65536;

BOOL IsErrorText(CString text) {
  text.MakeLower();
  for (const wchar_t* word : {L"error", L"invalid", L"no match field count", L"err"}) {
    if (text.Find(word) >= 0) return TRUE;
  }
  return FALSE;
}

BOOL ContainsAny(const CString& text, std::initializer_list<const wchar_t*> words) {
  for (const wchar_t* word : words) {
    if (text.Find(word) >= 0) return TRUE;
  }
  return FALSE;
}
}  // namespace

LRESULT CBrelvanoDlg::OnSerialNotify(WPARAM, LPARAM lParam) {
  const SerialStatus* status = reinterpret_cast<const SerialStatus*>(lParam);
  if (status == nullptr) return 0;
  platform::WriteStdout(L"[RCV]\n");
  switch (status->nCode) {
    case SERIAL_ST_NO_PORT: {
      m_comboPort.EnableWindow(TRUE);
      const int usb = m_comboPort.FindStringExact(1, PORT_ITEM_USB);
      if (usb != CB_ERR) m_comboPort.SetCurSel(usb);
      break;
    }
    case SERIAL_ST_PORT_LIST: {
      m_comboPort.EnableWindow(TRUE);
      const auto* ports = static_cast<const CArray<tagRS232_PortDef>*>(status->pData);
      if (ports != nullptr) {
        for (INT_PTR i = 0; i < ports->GetSize(); ++i) {
          const CString& name = ports->GetAt(i).strPort;
          // A port already in the selector is not listed twice.
          BOOL listed = FALSE;
          for (int j = 0; j < m_comboPort.GetCount() && !listed; ++j) {
            CString item;
            m_comboPort.GetLBText(j, item);
            listed = item == name;
          }
          if (!listed) m_comboPort.AddString(name);
        }
      }
      int match = CB_ERR;
      for (int j = 0; j < m_comboPort.GetCount() && match == CB_ERR; ++j) {
        CString item;
        m_comboPort.GetLBText(j, item);
        if (item == m_strComPort) match = j;
      }
      if (match != CB_ERR) {
        m_comboPort.SetCurSel(match);
      } else if (m_comboPort.GetCount() > 1) {
        m_comboPort.SetCurSel(1);
        m_comboPort.GetLBText(1, m_strComPort);
      }
      break;
    }
    case SERIAL_ST_OPENED:
      m_nPortGeneration = static_cast<unsigned>(status->nExtra0);
      m_bPortOpen = TRUE;
      break;
    case SERIAL_ST_READY:
      m_nPortGeneration = static_cast<unsigned>(status->nExtra0);
      if (m_bOpenMode) {
        KillTimer(TIMER_OPEN_TIMEOUT);
        QueueCommand(m_bAtPrefix ? L"AT^$PVRVer;1416" : L"$PVRVer;1416", 1);
      } else {
        StartSession();
      }
      break;
    case SERIAL_ST_OPEN_FAILED:
      m_bPortOpen = FALSE;
      m_bDirectVersion = FALSE;
      KillTimer(TIMER_OPEN_TIMEOUT);
      AfxMessageBox(m_language.LoadString(kTextOpenFailed), MB_OK);
      break;
    case SERIAL_ST_CLOSED:
      m_nPortGeneration = static_cast<unsigned>(status->nExtra0);
      // The session of the port that closed has no timer left.
      KillSessionTimers();
      m_strReceiveRest.Empty();
      if (m_bPortOpen) {
        m_bPortOpen = FALSE;
        m_comboPort.EnableWindow(TRUE);
        m_staticLogo.ShowWindow(SW_HIDE);
        CreateChildPages(FALSE);
        LayoutPages(TRUE, FALSE, FALSE);
      }
      m_bBusy = FALSE;
      m_bDirectVersion = FALSE;
      break;
    case SERIAL_ST_NOT_OPEN:
      m_nPortGeneration = static_cast<unsigned>(status->nExtra0);
      m_bPortOpen = FALSE;
      break;
    case SERIAL_ST_DEVICE_LOST:
      // The device went away under an open port: the session ends once this delivery is handled
      // (the close runs on the GUI thread's own pass, not inside the reader's report).
      AddLogLine(L"Error: the device was removed", TRUE);
      SetTimer(TIMER_USB_REMOVED, 1);
      break;
    case SERIAL_ST_DATA: {
      const int n = status->nCount;
      TRACE(L"RECV \n");
      if (n <= 0 || status->pData == nullptr) return 0;
      // Bytes read under a port that has closed since (a close wakes the reader, which still hands
      // over what it had) belong to no session: they are dropped.
      if (static_cast<unsigned>(status->nExtra0) != m_nPortGeneration) {
        TRACE(L"RECV: %d bytes of a closed port dropped\n", n);
        return 0;
      }
      const BYTE* bytes = static_cast<const BYTE*>(status->pData);
      // During a definition download every delivery, however short, goes to the packet receivers
      // (brelvanodlg_download.cpp), which assemble packets across deliveries.
      if (m_bXmlDownload || m_bJsonDownload) {
        ReceiveDownloadData(bytes, n);
        return 0;
      }
      // The conversion ends at the first zero byte.
      std::string_view raw(reinterpret_cast<const char*>(bytes), static_cast<size_t>(n));
      const size_t zero = raw.find('\0');
      if (zero != std::string_view::npos) raw = raw.substr(0, zero);
      const CString text = platform::BytesToText(CP_ACP, raw);
      if (m_bProfileWriting) {
        ReceiveProfileReply(text);
        return 0;
      }
      platform::WriteStdout(HideSecrets(text));
      platform::WriteStdout(L"\n");

      // The rest of the last delivery goes in front; complete lines are cut at CR.
      CString all = m_strReceiveRest + text;
      m_strReceiveRest.Empty();
      KillTimer(TIMER_RECEIVE_REST);
      std::vector<CString> lines;
      int start = 0;
      for (int i = 0; i < all.GetLength(); ++i) {
        if (all[i] == L'\r') {
          lines.push_back(all.Mid(start, i - start + 1));
          start = i + 1;
        }
      }
      CString rest = all.Mid(start);
      CString bare = rest;
      bare.Remove(L'\n');
      if (bare.IsEmpty()) {
        rest.Empty();
      } else if (rest.GetLength() > kMaxReceiveRest) {
        lines.push_back(rest);
        rest.Empty();
      }
      if (!rest.IsEmpty()) {
        m_strReceiveRest = rest;
        SetTimer(TIMER_RECEIVE_REST, kReceiveQuietMs);
      }
      unsigned generation = m_nSessionGeneration;
      for (const CString& line : lines) {
        DispatchReceivedLine(line);
        if (generation == m_nSessionGeneration) continue;
        // A line that ended the session leaves the rest of this delivery undispatched; after a
        // restart ("System Start") the rest is the restarted device's and goes to the new session.
        if (!m_bPortOpen || !m_bStartPending) break;
        generation = m_nSessionGeneration;
      }
      if (!m_bEchoSeen) m_bEchoFilter = FALSE;
      return 0;
    }
    default:
      break;
  }
  platform::WriteStdout(L"\n");
  return 0;
}

void CBrelvanoDlg::FlushReceiveRest() {
  KillTimer(TIMER_RECEIVE_REST);
  const CString rest = m_strReceiveRest;
  m_strReceiveRest.Empty();
  if (rest.IsEmpty()) return;
  DispatchReceivedLine(rest);
  if (!m_bEchoSeen) m_bEchoFilter = FALSE;
}

void CBrelvanoDlg::ReceiveProfileReply(const CString& strText) { CheckProfileReply(strText); }

void CBrelvanoDlg::DispatchReceivedLine(const CString& strLine) {
  if (strLine.GetLength() < 3) return;
  m_bEchoSeen = FALSE;
  if (m_bEchoFilter) {
    CString bare = strLine;
    bare.Remove(L'\r');
    bare.Remove(L'\n');
    if (bare == m_strEchoText) {
      m_bEchoSeen = TRUE;
    } else {
      AddLogLine(strLine, TRUE);
    }
    return;
  }
  if (HandleSystemStart(strLine)) return;

  CString upper = SafeMakeUpper(strLine);
  if (upper.Find(L"$PVR") < 0 &&
      ((m_bUpProtocol && ContainsAny(upper, {L"RRE", L"RPR", L"USP", L"ESN_RD", L"RES", L"ERR", L"MAP_POS"})) ||
       ContainsAny(upper, {L"LOCK", L"INVALID", L"NO MATCH"}))) {
    ParseNumberedReply(strLine);
    return;
  }

  CString line = strLine;
  if (!m_bUpProtocol) line.Remove(L'\n');
  const int headerPos = m_defHeader.strS.IsEmpty() ? 0 : line.Find(m_defHeader.strS);

  if (ParseGeofenceListReply(line)) return;
  if (ParseDriverIdListReply(line)) return;
  if (ParseApListReply(line)) return;
  if (ParseSetReply(line)) return;
  if (ParseGetReply(line)) return;
  if (headerPos == 0 && !m_defHeader.strS.IsEmpty()) {
    AddLogLine(line, TRUE);
    return;
  }
  ParseLegacyReply(line);
}

BOOL CBrelvanoDlg::HandleSystemStart(const CString& strLine) {
  if (strLine.Find(L"System Start") < 0) return FALSE;
  if (!m_bDirectVersion && !m_bWaitReady && !m_bDefinitionPending && !m_bUserDisconnect) StartSession();
  return TRUE;
}

void CBrelvanoDlg::AddLog(const CString& strLine) { AddLogLine(strLine, TRUE); }

void CBrelvanoDlg::AddLogLine(const CString& strText, BOOL bShowAll) {
  if (m_bProfileWriting) return;
  if (m_listLog.GetSafeHwnd() == nullptr) return;
  if (m_listLog.GetCount() > kMaxLogLines) {
    m_listLog.DeleteString(0);
    --m_nLogLines;
  }
  if (strText.Find(L"VR845PWD") >= 0 && strText.Find(L"VR845PWD;Res") < 0) return;

  int start = 0;
  const int length = strText.GetLength();
  while (start <= length) {
    int end = strText.Find(L'\n', start);
    if (end < 0) end = length;
    CString part = strText.Mid(start, end - start);
    start = end + 1;
    // A part is shown without its line end.
    part.Remove(L'\r');
    if (part.IsEmpty()) continue;

    SYSTEMTIME now{};
    GetLocalTime(&now);
    CString line;
    line.Format(L"[ %02d:%02d:%02d ] %s", now.wHour, now.wMinute, now.wSecond, HideSecrets(part));
    if (IsErrorText(part)) {
      if (m_bTextProfileApplying) m_bReplyError = TRUE;
      if (m_hReadDoneEvent != nullptr && ((m_pSettingDlg != nullptr && !SettingPageZonesRead()) || m_bProfileReading))
        SetEvent(m_hReadDoneEvent);
      EnableTabControl(TRUE);
      EnableSettingSendButton(TRUE);
      m_listLog.InsertString(-1, line, kErrorLineColour);
    } else if (bShowAll) {
      m_listLog.InsertString(-1, line);
    }
    ++m_nLogLines;
    ShowNewestLogLine();
  }
}

void CBrelvanoDlg::ShowNewestLogLine() {
  // The log follows its newest line, whatever else (sent commands, hidden lines) it counted.
  const int last = m_listLog.GetCount() - 1;
  if (last < 0) return;
  m_listLog.SetCurSel(last);
  m_listLog.SetTopIndex(last);
  UpdateLogExtent();
}

void CBrelvanoDlg::UpdateLogExtent() {
  if (m_listLog.GetSafeHwnd() == nullptr) return;
  CClientDC dc(&m_listLog);
  CFont* font = m_listLog.GetFont();
  CFont* old = font != nullptr ? dc.SelectObject(font) : nullptr;
  // The extent never shrinks and every line was measured when it was added, so the newest line is
  // the only one that can widen it.
  int widest = 0;
  const int last = m_listLog.GetCount() - 1;
  if (last >= 0) widest = dc.GetTextExtent(m_listLog.GetText(last)).cx;
  if (old != nullptr) dc.SelectObject(old);
  if (widest > m_listLog.GetHorizontalExtent()) m_listLog.SetHorizontalExtent(widest);
}

BOOL CBrelvanoDlg::IsAcknowledgement(const CString& strReply) {
  CString lower = strReply;
  lower.MakeLower();
  return ContainsAny(lower, {L"sendstatusreq", L"system reboot now", L"command disregarded", L"success", L"ok",
                             L"invalid", L"bt"});
}
