// The records and codes of the serial link: the request record that the owner window hands to the
// serial port object with WM_SERIAL_REQUEST, and the status record that the object and its threads
// hand back with WM_SERIAL_NOTIFY.
#pragma once

#include "platform/wintypes.h"

#define WM_SERIAL_REQUEST (WM_USER + 150)
#define WM_SERIAL_NOTIFY (WM_USER + 151)
#define WM_SERIAL_SEND_TEXT (WM_USER + 160)

// The message range the serial port object claims (both inclusive).
#define RS232_MSG_FIRST (WM_USER + 100)
#define RS232_MSG_LAST (WM_USER + 199)

// Request codes (SerialRequest::nCode).
#define SERIAL_REQ_OPEN 3   // pData: tagRS232_PortDef* (port name or device path, baud rate)
#define SERIAL_REQ_CLOSE 4  // pData: unused
#define SERIAL_REQ_WRITE 5  // wParam 0: pData is a CString*; wParam 1: a new[]-allocated wchar_t
                            // buffer of nCount characters, which the object frees

// Status codes (SerialStatus::nCode).
#define SERIAL_ST_NO_PORT 1       // the machine lists no COM port
#define SERIAL_ST_PORT_LIST 2     // pData: const CArray<tagRS232_PortDef>*
#define SERIAL_ST_OPENED 6        // the port is open and configured
#define SERIAL_ST_READY 7         // reading is enabled (follows every successful open)
#define SERIAL_ST_OPEN_FAILED 8   // the port cannot be opened or refused the line settings
#define SERIAL_ST_CLOSED 9        // the port was closed
#define SERIAL_ST_NOT_OPEN 10     // a close found no open port
#define SERIAL_ST_DATA 11         // nCount bytes at pData, followed by a zero byte; valid only
                                  // while the owner handles the message
#define SERIAL_ST_DEVICE_LOST 12  // the open port's device went away; the port stays open (and
                                  // every write fails) until a close request

struct SerialRequest {
  int nExtra0 = 0;
  int nCode = 0;
  int nCount = 0;
  void* pData = nullptr;
  int nExtra1 = 0;
};

struct SerialStatus {
  int nExtra0 = 0;
  int nCode = 0;
  int nCount = 0;
  void* pData = nullptr;
  int nExtra1 = 0;
};

// The record of WM_SERIAL_SEND_TEXT: when nKind is 1 the text at pText is written as it is.
struct SerialTextRecord {
  int nKind = 0;
  int nReserved = 0;
  const void* pText = nullptr;  // const CString*
};
