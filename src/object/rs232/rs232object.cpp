// The serial port object: requests on the GUI thread, the read and device-check threads beside it.
#include "object/rs232/rs232object.h"

#include <string>

#include "object/rs232/passwordtext.h"
#include "platform/codepage.h"
#include "platform/trace.h"

BEGIN_MESSAGE_MAP(CRS232_Object, Object_Base)
  ON_MESSAGE(WM_SERIAL_REQUEST, &CRS232_Object::OnSerialRequest)
  ON_MESSAGE(WM_SERIAL_SEND_TEXT, &CRS232_Object::OnSendText)
END_MESSAGE_MAP()

CRS232_Object::~CRS232_Object() {
  Close();
}

void CRS232_Object::Init(CBridge* pBridge, ThreadSlot* pSlots, int* pSlotCount) {
  m_pBridge = pBridge;
  m_com.SetOwner(pBridge);
  if (m_hReadEnable == nullptr) m_hReadEnable = CreateEvent(nullptr, TRUE, FALSE, nullptr);
  if (m_hCheckEvent == nullptr) m_hCheckEvent = CreateEvent(nullptr, FALSE, FALSE, nullptr);
  if (pSlots == nullptr || pSlotCount == nullptr || *pSlotCount < 0 ||
      *pSlotCount > CBridge::MAX_THREAD_SLOTS - 2) {
    TRACE(L"CRS232_Object: no room for its two threads\n");
    return;
  }
  AddThreadSlot(pSlots, pSlotCount, &_tDeviceCheckThread, &WakeDeviceCheckThread);
  AddThreadSlot(pSlots, pSlotCount, &_tCRS232_ReadThread, &WakeReadThread);
}

void CRS232_Object::Close() {
  // The threads have ended by now (the bridge stops them before it closes its objects); a port
  // still open is closed without a status, as the owner may be going away.
  m_com.Close(FALSE);
  if (m_hReadEnable != nullptr) CloseHandle(m_hReadEnable);
  if (m_hCheckEvent != nullptr) CloseHandle(m_hCheckEvent);
  m_hReadEnable = nullptr;
  m_hCheckEvent = nullptr;
}

void CRS232_Object::SetMessageRange() {
  m_nMsgFirst = RS232_MSG_FIRST;
  m_nMsgLast = RS232_MSG_LAST;
}

LRESULT CRS232_Object::OnSerialRequest(WPARAM wParam, LPARAM lParam) {
  const SerialRequest* pRequest = reinterpret_cast<const SerialRequest*>(lParam);
  if (pRequest == nullptr) return 0;
  switch (pRequest->nCode) {
    case SERIAL_REQ_OPEN:
      return OpenPort(pRequest);
    case SERIAL_REQ_CLOSE:
      return ClosePort();
    case SERIAL_REQ_WRITE:
      return WritePort(pRequest, wParam);
    default:
      return 0;
  }
}

LRESULT CRS232_Object::OnSendText(WPARAM, LPARAM lParam) {
  const SerialTextRecord* pRecord = reinterpret_cast<const SerialTextRecord*>(lParam);
  if (pRecord != nullptr && pRecord->nKind == 1 && pRecord->pText != nullptr)
    WriteText(*static_cast<const CString*>(pRecord->pText));
  return 0;
}

int CRS232_Object::OpenPort(const SerialRequest* pRequest) {
  const tagRS232_PortDef* pPort = static_cast<const tagRS232_PortDef*>(pRequest->pData);
  if (pPort == nullptr) {
    m_com.SetStatus(SERIAL_ST_OPEN_FAILED, 0, nullptr);
    if (m_pBridge != nullptr)
      m_pBridge->SendToGui(WM_SERIAL_NOTIFY, 0, reinterpret_cast<LPARAM>(m_com.GetStatus()), SEND_MODE_SEND);
    return 0;
  }
  const CString path = pPort->strPort;
  const int result = m_com.Open(path, pPort->nParam);
  if (result == 1) {
    SetEvent(m_hReadEnable);
    m_com.SetStatus(SERIAL_ST_READY, 0, nullptr, static_cast<int>(m_com.PortGeneration()));
    if (m_pBridge != nullptr)
      m_pBridge->SendToGui(WM_SERIAL_NOTIFY, 0, reinterpret_cast<LPARAM>(m_com.GetStatus()), SEND_MODE_SEND);
  }
  return result;
}

LRESULT CRS232_Object::ClosePort() {
  const LRESULT result = m_com.Close();
  SetEvent(m_hCheckEvent);
  ResetEvent(m_hReadEnable);
  return result;
}

int CRS232_Object::WritePort(const SerialRequest* pRequest, WPARAM flavour) {
  if (pRequest->pData == nullptr) return 0;
  if (flavour == 1) {
    wchar_t* pChars = static_cast<wchar_t*>(pRequest->pData);
    const int count = pRequest->nCount > 0 ? pRequest->nCount : 0;
    const CString text(pChars, count);
    delete[] pChars;
    std::string bytes = platform::TextToBytes(CP_ACP, text);
    bytes += '\r';
    return m_com.Write(reinterpret_cast<const BYTE*>(bytes.data()), static_cast<int>(bytes.size()));
  }
  const CString& text = *static_cast<const CString*>(pRequest->pData);
  platform::WriteStdout(L"[SEND]\n");
  platform::WriteStdout(m_pBridge != nullptr ? m_pBridge->EchoText(text) : brelvano::HidePasswords(text));
  return WriteText(text);
}

int CRS232_Object::WriteText(const CString& text) {
  const std::string bytes = platform::TextToBytes(CP_ACP, text);
  return m_com.Write(reinterpret_cast<const BYTE*>(bytes.data()), static_cast<int>(bytes.size()));
}

CRS232_Object* CRS232_Object::FromBridge(CBridge* pBridge) {
  if (pBridge == nullptr) return nullptr;
  for (int i = 0; i < pBridge->GetObjectCount(); ++i)
    if (CRS232_Object* pObject = dynamic_cast<CRS232_Object*>(pBridge->GetObject(i))) return pObject;
  return nullptr;
}

void CRS232_Object::ReportPorts(int state) {
  if (state == 2) {
    m_device.SetStatus(SERIAL_ST_PORT_LIST, 0, const_cast<CArray<tagRS232_PortDef>*>(&m_device.Ports()));
  } else {
    m_device.SetStatus(SERIAL_ST_NO_PORT, 0, nullptr);
  }
  m_pBridge->SendToGui(WM_SERIAL_NOTIFY, 0, reinterpret_cast<LPARAM>(m_device.GetStatus()), SEND_MODE_SEND);
}

UINT CRS232_Object::_tDeviceCheckThread(LPVOID pParam) {
  TRACE(L"_tDeviceCheckThread Start\n");
  CBridge* pBridge = static_cast<CBridge*>(pParam);
  CRS232_Object* pThis = FromBridge(pBridge);
  int nSlot = -1;
  if (pThis != nullptr && pBridge->FindThreadSlot(&_tDeviceCheckThread, &nSlot, 0)) {
    const HANDLE hStop = pBridge->GetStopEvent(nSlot);
    // A short pause so that the owner finishes its start-up before the first report.
    if (WaitForSingleObject(hStop, 50) != WAIT_OBJECT_0) {
      while (WaitForSingleObject(hStop, 0) != WAIT_OBJECT_0) {
        if (pThis->m_device.CheckPortsChanged(pThis->m_nDeviceState)) pThis->ReportPorts(pThis->m_nDeviceState);
        WaitForSingleObject(pThis->m_hCheckEvent, INFINITE);
      }
    }
  }
  TRACE(L"_tDeviceCheckThread Exited normally\n");
  return 0;
}

UINT CRS232_Object::_tCRS232_ReadThread(LPVOID pParam) {
  TRACE(L"[TRACE]__START : _tCRS232_ReadThread\n");
  CBridge* pBridge = static_cast<CBridge*>(pParam);
  CRS232_Object* pThis = FromBridge(pBridge);
  int nSlot = -1;
  if (pThis != nullptr && pBridge->FindThreadSlot(&_tCRS232_ReadThread, &nSlot, 0)) {
    const HANDLE hStop = pBridge->GetStopEvent(nSlot);
    for (;;) {
      WaitForSingleObject(pThis->m_hReadEnable, INFINITE);
      if (WaitForSingleObject(hStop, 0) == WAIT_OBJECT_0) break;
      pThis->m_com.WaitForData();
    }
  }
  TRACE(L"[TRACE]__END : _tCRS232_ReadThread\n");
  return 0;
}

void CRS232_Object::WakeDeviceCheckThread(CBridge* pBridge) {
  if (CRS232_Object* pThis = FromBridge(pBridge)) SetEvent(pThis->m_hCheckEvent);
}

void CRS232_Object::WakeReadThread(CBridge* pBridge) {
  CRS232_Object* pThis = FromBridge(pBridge);
  if (pThis == nullptr) return;
  // Ends the port without a status (the owner is stopping its threads) and lets the thread see
  // its stop event.
  pThis->m_com.Close(FALSE);
  pThis->m_com.Wake();
  SetEvent(pThis->m_hReadEnable);
}
