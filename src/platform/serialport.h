// A serial port in the Windows manner (line settings, time-outs, waits for received characters,
// reads, writes, purges, queue status) over a POSIX terminal device opened exclusively in raw mode.
//
// Port names are Linux device names: "ttyUSB0" or "pts/7" mean "/dev/ttyUSB0" and "/dev/pts/7"; a
// name that starts with '/' is taken as a full path. Every blocking call ends by itself: waits and
// reads have a time-out and are released at once by Wake() from another thread, writes have a
// total time-out. A device that disappears (a USB adapter pulled out, the far end of a
// pseudo-terminal closed) is reported as an error by every later call, never as a hang or a crash.
//
// Threads: one thread may wait and read while another writes, purges, asks the queue status or
// closes the port. Close() first releases a waiting or reading thread, then waits for the calls in
// progress to end (a write in progress ends at its time-out at the latest).
#pragma once

#include <atomic>
#include <mutex>
#include <shared_mutex>

#include "platform/cstring.h"
#include "platform/winerror.h"
#include "platform/wintypes.h"


#ifndef MAXDWORD
#define MAXDWORD 0xFFFFFFFFu
#endif

// DCB.Parity
#ifndef NOPARITY
#define NOPARITY 0
#define ODDPARITY 1
#define EVENPARITY 2
#define MARKPARITY 3
#define SPACEPARITY 4
#endif
// DCB.StopBits
#ifndef ONESTOPBIT
#define ONESTOPBIT 0
#define ONE5STOPBITS 1
#define TWOSTOPBITS 2
#endif
// Purge flags
#ifndef PURGE_TXABORT
#define PURGE_TXABORT 0x0001u
#define PURGE_RXABORT 0x0002u
#define PURGE_TXCLEAR 0x0004u
#define PURGE_RXCLEAR 0x0008u
#endif

// Line settings. Supported: the standard rates from 50 to 4,000,000 baud, 5 to 8 data bits, no, odd
// or even parity, one or two stop bits; CTS output flow control on or off.
struct DCB {
  DWORD BaudRate = 0;
  BYTE ByteSize = 8;
  BYTE Parity = NOPARITY;
  BYTE StopBits = ONESTOPBIT;
  BOOL fOutxCtsFlow = FALSE;
};

// Time-outs in milliseconds. Reads: see SerialPort::Read. Writes: a write may take
// WriteTotalTimeoutMultiplier * bytes + WriteTotalTimeoutConstant; when both are 0 (which on
// Windows means "no limit") a write gets 2000 ms + 1 ms for every 10 bytes, so that it never
// blocks forever.
struct COMMTIMEOUTS {
  DWORD ReadIntervalTimeout = 0;
  DWORD ReadTotalTimeoutMultiplier = 0;
  DWORD ReadTotalTimeoutConstant = 0;
  DWORD WriteTotalTimeoutMultiplier = 0;
  DWORD WriteTotalTimeoutConstant = 0;
};

// Bytes waiting in the driver's queues.
struct COMSTAT {
  DWORD cbInQue = 0;
  DWORD cbOutQue = 0;
};

namespace platform {

class SerialPort {
 public:
  SerialPort();
  ~SerialPort();  // closes
  SerialPort(const SerialPort&) = delete;
  SerialPort& operator=(const SerialPort&) = delete;

  // Opens the port read/write, non-blocking, without making it the controlling terminal, locked
  // against every other opener, in raw mode with 8 data bits, no parity, 1 stop bit, the receiver
  // on and modem lines ignored; the rate stays as it was until SetCommState. A port already open
  // in this object is closed first. Errors: ERROR_FILE_NOT_FOUND (no such device),
  // ERROR_ACCESS_DENIED (in use by anyone, or no permission), ERROR_INVALID_NAME (empty name or a
  // name with a zero character), ERROR_NOT_SUPPORTED (not a terminal device), ERROR_GEN_FAILURE.
  bool Open(const CString& portName);
  // Unlocks and closes the port; false with ERROR_INVALID_HANDLE when none is open.
  bool Close();
  bool IsOpen() const;
  // The device path of the open port; empty when none is open.
  CString PortPath() const;

  // The error of the calling thread's last call on this port (ERROR_SUCCESS after a call that
  // succeeded), as GetLastError does for a Windows handle: a reading thread and a writing thread
  // each see their own.
  DWORD LastError() const;

  // Unsupported values are refused with ERROR_INVALID_PARAMETER and change nothing.
  bool SetCommState(const DCB& dcb);
  bool GetCommState(DCB& dcb);
  bool SetCommTimeouts(const COMMTIMEOUTS& timeouts);
  bool GetCommTimeouts(COMMTIMEOUTS& timeouts);
  // The driver's queue sizes; the terminal's own are used, so this only checks the port is open.
  bool SetupComm(DWORD inQueue, DWORD outQueue);

  // Waits until received characters can be read: true at once when some are there already.
  // INFINITE waits until characters, Wake() or a hang-up. False with ERROR_TIMEOUT,
  // ERROR_OPERATION_ABORTED (Wake()), ERROR_DEVICE_NOT_CONNECTED (the device went away),
  // ERROR_INVALID_HANDLE (no port open).
  bool WaitForData(DWORD timeoutMs);
  // Makes a WaitForData in progress on another thread return at once (ERROR_OPERATION_ABORTED) and a
  // Read in progress return what it has. A Wake while nothing waits makes the next WaitForData
  // return at once. Any thread, at any time, also while no port is open.
  void Wake();

  // Reads the characters that are there (0 when there are none), then goes on reading while each
  // next character arrives within interCharGapMs of the one before, until max bytes have been
  // read. When the read total time-outs are set (multiplier * max + constant), the read also ends
  // when that time has passed. Returns the number of bytes read; -1 on error (no port, device
  // gone, bad arguments). A device that goes away in the middle of a read gives the bytes read so
  // far; the next call reports the error.
  int Read(BYTE* buffer, int max, DWORD interCharGapMs);
  // The same with ReadIntervalTimeout as the gap (0 or MAXDWORD: only what is there already).
  int Read(BYTE* buffer, int max);
  // Writes all count bytes: count, or -1 (ERROR_TIMEOUT when the write time-out passed first,
  // with part of the bytes possibly sent; ERROR_DEVICE_NOT_CONNECTED; ERROR_INVALID_HANDLE).
  int Write(const BYTE* data, int count);
  // Discards the characters received and not read (PURGE_RX*) and/or written and not sent
  // (PURGE_TX*). Other bits or no bits: ERROR_INVALID_PARAMETER.
  bool Purge(DWORD flags);
  // The line errors since the last call (always 0 here: the terminal does not report them) and the
  // queued byte counts; both pointers may be null. False when no port is open or the device went.
  bool ClearCommError(DWORD* errors, COMSTAT* status);

 private:
  bool BeginCall(std::shared_lock<std::shared_mutex>& lock);
  bool Fail(DWORD code);
  bool Succeed();
  void MarkHungUp();
  bool DrainWake();
  int ReadUntil(BYTE* buffer, int max, DWORD gapMs, DWORD totalMs);
  void CloseLocked();

  mutable std::shared_mutex m_lifetime;  // shared by every call, exclusive for Open and Close
  int m_fd = -1;
  int m_wake[2] = {-1, -1};
  CString m_path;
  mutable std::mutex m_timeoutsMutex;
  COMMTIMEOUTS m_timeouts;  // under m_timeoutsMutex
  std::atomic<bool> m_hungUp{false};
  std::atomic<bool> m_closing{false};
};

}  // namespace platform
