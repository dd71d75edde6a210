// The serial port of the serial port object on the layer's serial port.
#include "object/rs232/serialcom.h"

#include <cstring>

#include "object/rs232/bridge.h"
#include "platform/trace.h"

namespace {
const DWORD kPurgeAll = PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR;

// "\\.\COM3" names the port COM3; a Linux name or path comes through unchanged.
CString PortNameFromPath(const CString& path) {
  const CString prefix = L"\\\\.\\";
  if (path.GetLength() > prefix.GetLength() && path.Left(prefix.GetLength()) == prefix)
    return path.Mid(prefix.GetLength());
  return path;
}
}  // namespace

CSerialCom::CSerialCom() {
  InitializeCriticalSection(&m_csStatus);
  m_hPortChange = CreateEvent(nullptr, FALSE, FALSE, nullptr);
}

CSerialCom::~CSerialCom() {
  if (m_port.IsOpen()) m_port.Close();
  CloseHandle(m_hPortChange);
  DeleteCriticalSection(&m_csStatus);
}

DWORD CSerialCom::WriteMultiplier(int baud) { return baud > 0 ? static_cast<DWORD>(19200 / baud) : 0; }

int CSerialCom::Open(const CString& path, int baud) {
  m_bConnected = FALSE;
  if (!m_port.Open(PortNameFromPath(path))) {
    TRACE(L"CSerialCom: cannot open %s (error %u)\n", path, static_cast<unsigned>(m_port.LastError()));
    SetStatus(SERIAL_ST_OPEN_FAILED, 0, nullptr);
    SendStatus();
    return 0;
  }
  m_bLostReported = false;
  m_port.SetupComm(DRIVER_QUEUE, DRIVER_QUEUE);
  m_port.Purge(kPurgeAll);

  COMMTIMEOUTS timeouts;
  timeouts.ReadIntervalTimeout = CHAR_GAP_MS;
  timeouts.WriteTotalTimeoutMultiplier = WriteMultiplier(baud);
  m_port.SetCommTimeouts(timeouts);

  DCB dcb;
  bool accepted = baud > 0 && m_port.GetCommState(dcb);
  if (accepted) {
    dcb.BaudRate = static_cast<DWORD>(baud);
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    dcb.fOutxCtsFlow = FALSE;
    accepted = m_port.SetCommState(dcb);
  }
  if (!accepted) {
    // A port that refused its settings is of no use: it is closed so that no reading starts on it.
    TRACE(L"CSerialCom: %s refused %d baud 8N1\n", path, baud);
    m_port.Close();
    SetEvent(m_hPortChange);
    SetStatus(SERIAL_ST_OPEN_FAILED, 0, nullptr);
    SendStatus();
    return 0;
  }
  m_port.Purge(kPurgeAll);
  m_bResetPending = true;  // nothing of an earlier port is delivered for this one
  const unsigned generation = ++m_nPortGeneration;
  m_bConnected = TRUE;
  SetEvent(m_hPortChange);
  SetStatus(SERIAL_ST_OPENED, 0, nullptr, static_cast<int>(generation));
  SendStatus();
  return 1;
}

LRESULT CSerialCom::Close(BOOL notify) {
  int code = SERIAL_ST_NOT_OPEN;
  if (m_port.IsOpen()) {
    m_port.Wake();
    m_port.Purge(kPurgeAll);
    m_port.Close();
    code = SERIAL_ST_CLOSED;
  }
  m_bConnected = FALSE;
  // Bytes the read thread still holds were read under the port that closes now.
  const unsigned generation = ++m_nPortGeneration;
  SetEvent(m_hPortChange);
  if (!notify) return 0;
  SetStatus(code, 0, nullptr, static_cast<int>(generation));
  return SendStatus();
}

int CSerialCom::Write(const BYTE* data, int count) {
  int written = 0;
  if (data != nullptr && count > 0) {
    written = m_port.Write(data, count);
    if (written < 0) {
      TRACE(L"CSerialCom: write failed (error %u)\n", static_cast<unsigned>(m_port.LastError()));
      m_port.ClearCommError(nullptr, nullptr);
      written = 0;
    }
  }
  // The read thread empties the queue before it stores or delivers anything more.
  m_bResetPending = true;
  return written;
}

int CSerialCom::Read(BYTE* buffer, int size) {
  COMSTAT stat;
  if (!m_port.ClearCommError(nullptr, &stat) || stat.cbInQue == 0) return 0;
  const int n = m_port.Read(buffer, size, CHAR_GAP_MS);
  if (n < 0) {
    m_port.ClearCommError(nullptr, nullptr);
    return 0;
  }
  return n;
}

void CSerialCom::ApplyPendingReset() {
  if (m_bResetPending.exchange(false)) m_rxQueue.Reset();
}

int CSerialCom::WaitForData() {
  if (!m_port.WaitForData(INFINITE)) {
    const DWORD error = m_port.LastError();
    if (error == ERROR_OPERATION_ABORTED || error == ERROR_TIMEOUT) return 0;
    m_port.ClearCommError(nullptr, nullptr);
    if (error == ERROR_DEVICE_NOT_CONNECTED && !m_bLostReported.exchange(true)) {
      TRACE(L"CSerialCom: the device went away\n");
      m_bConnected = FALSE;
      // A record of the read thread's own: the GUI thread may be filling m_status (an open).
      m_lostStatus = SerialStatus();
      m_lostStatus.nCode = SERIAL_ST_DEVICE_LOST;
      if (m_pOwner != nullptr)
        m_pOwner->SendToGui(WM_SERIAL_NOTIFY, 0, reinterpret_cast<LPARAM>(&m_lostStatus), SEND_MODE_SEND);
    }
    // No port, or a dead one: wait for the port to change rather than failing again at once.
    WaitForSingleObject(m_hPortChange, INFINITE);
    return 0;
  }
  for (;;) {
    const unsigned generation = m_nPortGeneration.load();
    std::memset(m_readBuf, 0, sizeof(m_readBuf));
    const int n = Read(m_readBuf, READ_CHUNK);
    m_dwLastRead = static_cast<DWORD>(n);
    if (n <= 0) break;
    ApplyPendingReset();
    // Bytes of two ports never share a delivery: what is queued of the earlier one is dropped.
    if (m_rxQueue.GetCount() > 0 && generation != m_nReadGeneration) m_rxQueue.Reset();
    m_nReadGeneration = generation;
    if (n < CQueue::QUEUE_SIZE - m_rxQueue.GetCount()) {
      for (int i = 0; i < n; ++i) m_rxQueue.Push(m_readBuf[i]);
    } else {
      TRACE(L"Queue FULL!\n");
    }
  }
  DeliverData();
  return 1;
}

void CSerialCom::Wake() {
  m_port.Wake();
  SetEvent(m_hPortChange);
}

void CSerialCom::DeliverData() {
  ApplyPendingReset();
  const int count = m_rxQueue.GetCount();
  if (count == 0) return;
  EnterCriticalSection(&m_csStatus);
  m_dataStatus = SerialStatus();
  m_dataStatus.nCode = SERIAL_ST_DATA;
  m_dataStatus.nCount = count;
  m_dataStatus.pData = const_cast<BYTE*>(m_rxQueue.GetBuffer());
  m_dataStatus.nExtra0 = static_cast<int>(m_nReadGeneration);
  LeaveCriticalSection(&m_csStatus);
  if (m_pOwner != nullptr)
    m_pOwner->SendToGui(WM_SERIAL_NOTIFY, 0, reinterpret_cast<LPARAM>(&m_dataStatus), SEND_MODE_SEND);
  m_bResetPending = false;
  m_rxQueue.Reset();
}

void CSerialCom::SetStatus(int code, int count, void* data, int extra0, int extra1) {
  EnterCriticalSection(&m_csStatus);
  m_status.nExtra0 = extra0;
  m_status.nCode = code;
  m_status.nCount = count;
  m_status.pData = data;
  m_status.nExtra1 = extra1;
  LeaveCriticalSection(&m_csStatus);
}

LRESULT CSerialCom::SendStatus() {
  if (m_pOwner == nullptr) return 0;
  return m_pOwner->SendToGui(WM_SERIAL_NOTIFY, 0, reinterpret_cast<LPARAM>(&m_status), SEND_MODE_SEND);
}
