// CSerialCom: the serial port of the serial port object. The GUI thread opens, closes and writes;
// the read thread waits for received characters, gathers them in the receive queue and hands them
// to the owner window in one synchronous status. Every status goes to the owner through the bridge.
#pragma once

#include <atomic>

#include "object/rs232/queue.h"
#include "object/rs232/serialstatus.h"
#include "platform/cstring.h"
#include "platform/serialport.h"
#include "platform/sync.h"

class CBridge;

class CSerialCom {
 public:
  enum { READ_CHUNK = 30000, DRIVER_QUEUE = 30000, CHAR_GAP_MS = 60 };

  CSerialCom();
  virtual ~CSerialCom();
  CSerialCom(const CSerialCom&) = delete;
  CSerialCom& operator=(const CSerialCom&) = delete;

  // Opens the port (a Linux port name, a device path, or either behind a "\\.\" prefix) and sets
  // baud 8N1 without CTS flow control, a 60 ms character gap for reads and the write time-out
  // multiplier 19200 / baud. Sends SERIAL_ST_OPENED and returns 1 when all of that worked; else
  // sends SERIAL_ST_OPEN_FAILED and returns 0 (a port that refused the settings is closed again).
  int Open(const CString& path, int baud);
  // Closes the port and sends SERIAL_ST_CLOSED, or SERIAL_ST_NOT_OPEN when none was open; with
  // notify FALSE nothing is sent. Returns the send result (0 without notify).
  LRESULT Close(BOOL notify = TRUE);
  // Writes the bytes; the number written (0 on any failure). Bytes received and not yet delivered
  // are discarded.
  int Write(const BYTE* data, int count);
  // Reads what the port delivers up to size bytes (the character gap ends a read); 0 when nothing
  // is there or on failure.
  int Read(BYTE* buffer, int size);
  // Read thread: waits for characters, reads them into the receive queue until a read gives
  // nothing, then delivers them. 1 after a wait that returned, 0 after a failed one. A vanished
  // device is reported once (SERIAL_ST_DEVICE_LOST); failed waits then block until the port is
  // opened or closed again or Wake is called, so the thread never spins.
  int WaitForData();
  // Makes a WaitForData in progress (or the next one) return.
  void Wake();
  // Sends the queued bytes (SERIAL_ST_DATA) and empties the queue; nothing when it is empty.
  void DeliverData();
  void SetStatus(int code, int count, void* data, int extra0 = 0, int extra1 = 0);
  void SetOwner(CBridge* pOwner) { m_pOwner = pOwner; }
  BOOL IsConnected() const { return m_bConnected.load(); }
  // Moves on at every open and close. The statuses of open, ready and close carry it in nExtra0, and
  // so does every data delivery, with the value under which its bytes were read: the owner drops a
  // delivery of a port that has closed since.
  unsigned PortGeneration() const { return m_nPortGeneration.load(); }
  // The status record (filled under its lock).
  SerialStatus* GetStatus() { return &m_status; }
  // The receive queue; for the read thread and for tests while the read thread is idle.
  CQueue& Queue() { return m_rxQueue; }

  // The write time-out multiplier for a rate (whole milliseconds; 0 for a rate of 0).
  static DWORD WriteMultiplier(int baud);

 private:
  LRESULT SendStatus();
  // Applies a queue reset that a write asked for.
  void ApplyPendingReset();

  platform::SerialPort m_port;
  std::atomic<BOOL> m_bConnected{FALSE};
  BYTE m_readBuf[READ_CHUNK];
  DWORD m_dwLastRead = 0;
  CQueue m_rxQueue;
  std::atomic<bool> m_bResetPending{false};
  // Set (auto reset) on every open, close and wake: a read thread parked after a failure waits on it.
  HANDLE m_hPortChange = nullptr;
  std::atomic<bool> m_bLostReported{false};
  std::atomic<unsigned> m_nPortGeneration{0};
  // The port generation under which the read thread's queued bytes were read (read thread only).
  unsigned m_nReadGeneration = 0;
  CBridge* m_pOwner = nullptr;
  // The status of open and close (GUI thread) and the status of data deliveries (read thread):
  // two records, so that a close handled while a delivery is being handled never rewrites the
  // record the owner is reading. Both are filled under m_csStatus.
  SerialStatus m_status;
  SerialStatus m_dataStatus;
  // The device-lost status, written and sent by the read thread only.
  SerialStatus m_lostStatus;
  CRITICAL_SECTION m_csStatus;
};
