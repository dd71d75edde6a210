// CBrelvanoDlg: opening and closing the chosen serial port through the device link, writing
// command lines to it, and the link's statuses (open results, received bytes, the port going away).
#include <string_view>

#include "gui/dlg/brelvanodlg.h"
#include "object/rs232/serialstatus.h"
#include "platform/codepage.h"
#include "platform/trace.h"

namespace {
// Texts of the language library.
constexpr UINT kTextOpenFailed = 1002;
constexpr int kPortBaudRate = 115200;
}  // namespace

BOOL CBrelvanoDlg::OpenSerialPort() {
  CString choice;
  const int sel = m_comboPort.GetSafeHwnd() != nullptr ? m_comboPort.GetCurSel() : CB_ERR;
  if (sel != CB_ERR) m_comboPort.GetLBText(sel, choice);
  if (choice.IsEmpty() || choice == PORT_ITEM_SEARCH || choice == PORT_ITEM_USB) {
    if (!FindDevicePort()) {
      AddLog(L"no port");
      return FALSE;
    }
  } else {
    m_openPort.strPort = choice;
  }
  // A port still open is closed first, so that only one is ever in use.
  if (m_bPortOpen) OnBnClickedDisconnect();
  m_openPort.nParam = kPortBaudRate;
  SerialRequest request;
  request.nCode = SERIAL_REQ_OPEN;
  request.pData = &m_openPort;
  // The open and ready statuses arrive (OnSerialNotify) before the request returns.
  m_bridge.SendToObject(WM_SERIAL_REQUEST, 0, reinterpret_cast<LPARAM>(&request), SEND_MODE_SEND);
  if (!m_bPortOpen) return FALSE;
  m_strComPort = m_openPort.strPort;
  if (!m_regSettings.WriteProfileString(nullptr, kRegValueComPort, m_strComPort))
    platform::Trace(L"the chosen port could not be stored");
  return TRUE;
}

void CBrelvanoDlg::OnBnClickedDisconnect() {
  SerialRequest request;
  request.nCode = SERIAL_REQ_CLOSE;
  m_bridge.SendToObject(WM_SERIAL_REQUEST, 0, reinterpret_cast<LPARAM>(&request), SEND_MODE_SEND);
  m_bPortOpen = FALSE;
}

int CBrelvanoDlg::WriteSerialText(const CString& strText) {
  CString text = strText;
  SerialRequest request;
  request.nCode = SERIAL_REQ_WRITE;
  request.pData = &text;
  return static_cast<int>(
      m_bridge.SendToObject(WM_SERIAL_REQUEST, 0, reinterpret_cast<LPARAM>(&request), SEND_MODE_SEND));
}

LRESULT CBrelvanoDlg::OnSerialNotify(WPARAM, LPARAM lParam) {
  const SerialStatus* status = reinterpret_cast<const SerialStatus*>(lParam);
  if (status == nullptr) return 0;
  switch (status->nCode) {
    case SERIAL_ST_OPENED:
    case SERIAL_ST_READY:
      m_bPortOpen = TRUE;
      break;
    case SERIAL_ST_OPEN_FAILED:
      m_bPortOpen = FALSE;
      AddLog(m_language.LoadString(kTextOpenFailed));
      break;
    case SERIAL_ST_CLOSED:
      m_bPortOpen = FALSE;
      AddLog(L"port closed");
      break;
    case SERIAL_ST_DEVICE_LOST:
      m_bPortOpen = FALSE;
      AddLog(L"device removed");
      // The port stays open in the link until closed; the close runs after this notice is handled,
      // not inside the reader's delivery.
      PostMessage(WM_COMMAND, MAKEWPARAM(IDC_BTN_DISCONNECT, BN_CLICKED),
                  reinterpret_cast<LPARAM>(m_btnDisconnect.GetSafeHwnd()));
      break;
    case SERIAL_ST_DATA:
      if (status->pData != nullptr && status->nCount > 0) {
        CString text = platform::BytesToText(
            CP_ACP, std::string_view(static_cast<const char*>(status->pData), static_cast<size_t>(status->nCount)));
        text.Remove(L'\r');
        text.TrimRight(L'\n');
        text.Replace(L'\n', L' ');
        if (!text.IsEmpty()) AddLog(text);
      }
      break;
    default:
      break;
  }
  return 0;
}
