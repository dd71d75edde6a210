// The command transmitter of the main window: the one-slot queue emptied by TIMER_TRANSMIT, the
// transmit step with the modem tunnel wrapping, the raw write of the file download, the filling of
// the shared request record, and the list send that waits for each acknowledgement.
#include <string>

#include "gui/dlg/brelvanodlg.h"
#include "platform/clock.h"
#include "platform/codepage.h"
#include "platform/trace.h"

namespace {
constexpr UINT kTransmitMs = 1;
constexpr UINT kAfterSendMs = 500;
constexpr UINT kListWatchdogMs = 100;
}  // namespace

void CBrelvanoDlg::QueueCommand(const CString& strCommand, int bAddCR) {
  TRACE(L"%s\n", HideSecrets(strCommand));
  m_strPendingCommand = strCommand;
  if (bAddCR == 1) m_strPendingCommand += L"\r";
  m_bTransmitQueued = TRUE;
  SetTimer(TIMER_TRANSMIT, kTransmitMs);
}

void CBrelvanoDlg::SendQueuedCommandNow() {
  if (!m_bTransmitQueued) return;
  KillTimer(TIMER_TRANSMIT);
  m_bTransmitQueued = FALSE;
  const CString command = m_strPendingCommand;
  TransmitCommand(command);
}

void CBrelvanoDlg::DropQueuedCommand() {
  if (GetSafeHwnd() != nullptr) KillTimer(TIMER_TRANSMIT);
  m_bTransmitQueued = FALSE;
  m_strPendingCommand.Empty();
}

CString CBrelvanoDlg::WrapForModem(const CString& strCommand) {
  CString bare = strCommand;
  bare.Remove(L'\r');
  bare.Remove(L'\n');
  CString wrapped;
  wrapped.Format(L"AT+VR=\"%s\"%c", bare, static_cast<wchar_t>(13));
  return wrapped;
}

void CBrelvanoDlg::TransmitCommand(CString strCommand) {
  CString text = g_bModemTunnel ? WrapForModem(strCommand) : strCommand;
  const size_t bytes = platform::TextToBytes(CP_ACP, text).size();
  if (bytes > static_cast<size_t>(kMaxCommandBytes)) {
    CString line;
    line.Format(L"Error: command of %d bytes not sent (at most %d)", static_cast<int>(bytes), kMaxCommandBytes);
    AddLogLine(line, TRUE);
    return;
  }
  // The command as sent, in the log (a password never shows).
  CString echo = HideSecrets(strCommand);
  echo.Remove(L'\r');
  echo.Remove(L'\n');
  if (!echo.IsEmpty() && echo.Find(L"VR845PWD") < 0 && m_listLog.GetSafeHwnd() != nullptr) {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    CString line;
    line.Format(L"[ %02d:%02d:%02d ] %s", now.wHour, now.wMinute, now.wSecond, echo);
    if (m_listLog.GetCount() > kMaxLogLines) {
      m_listLog.DeleteString(0);
      --m_nLogLines;
    }
    m_listLog.InsertString(-1, line);
    ++m_nLogLines;
    ShowNewestLogLine();
  }
  SetSerialRequest(SERIAL_REQ_WRITE, text.GetLength(), &text, 0, 0);
  m_bridge.SendToObject(WM_SERIAL_REQUEST, 0, reinterpret_cast<LPARAM>(&m_serialRequest), SEND_MODE_SEND);
  SetTimer(TIMER_AFTER_SEND, kAfterSendMs);
}

void CBrelvanoDlg::TransmitRaw(wchar_t* pBuffer, int nCount) {
  if (pBuffer == nullptr) return;
  if (nCount < 0) nCount = 0;
  SetSerialRequest(SERIAL_REQ_WRITE, nCount, pBuffer, 0, 0);
  // Write flavour 1: the link adds the CR, writes and frees the buffer.
  const LRESULT handled =
      m_bridge.SendToObject(WM_SERIAL_REQUEST, 1, reinterpret_cast<LPARAM>(&m_serialRequest), SEND_MODE_SEND);
  if (handled == 0 && m_bridge.FindObjectWindow(WM_SERIAL_REQUEST) == nullptr) delete[] pBuffer;
  SetTimer(TIMER_AFTER_SEND, kAfterSendMs);
}

void CBrelvanoDlg::SetSerialRequest(int nCode, int nCount, void* pData, int nExtra0, int nExtra1) {
  EnterCriticalSection(&m_csRequest);
  m_serialRequest.nCode = nCode;
  m_serialRequest.nCount = nCount;
  m_serialRequest.pData = pData;
  m_serialRequest.nExtra0 = nExtra0;
  m_serialRequest.nExtra1 = nExtra1;
  LeaveCriticalSection(&m_csRequest);
}

void CBrelvanoDlg::SendCommandListAndWait(CStringList* pList, int bAddCR) {
  if (pList == nullptr) return;
  const unsigned generation = m_nSessionGeneration;
  for (POSITION pos = pList->GetHeadPosition(); pos != nullptr;) {
    const CString line = pList->GetNext(pos);
    TRACE(L"%s\n", HideSecrets(line));
    m_strPendingCommand = line;
    if (bAddCR == 1) m_strPendingCommand += L"\r";
    m_bTransmitQueued = TRUE;
    SetTimer(TIMER_TRANSMIT, kTransmitMs);
    SetTimer(TIMER_REPLY_WATCHDOG, kListWatchdogMs);
    ResetEvent(m_hCommandAckEvent);
    // The line goes out and its answer is parsed inside the wait; the watchdog ends a silent one.
    if (!WaitForReply(m_hCommandAckEvent) || generation != m_nSessionGeneration) break;
  }
  delete pList;
}
