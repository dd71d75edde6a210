// CRS232_Object: the serial port object, a hidden child window of the owner created through the
// bridge. It handles the owner's open, close and write requests (WM_SERIAL_REQUEST) on the GUI
// thread and runs two worker threads: the device-check thread, which reports the COM port list,
// and the read thread, which hands received bytes to the owner (WM_SERIAL_NOTIFY).
#pragma once

#include "object/rs232/bridge.h"
#include "object/rs232/portlist.h"
#include "object/rs232/serialcom.h"
#include "object/rs232/serialstatus.h"

class CRS232_Object : public Object_Base {
 public:
  CRS232_Object() = default;
  ~CRS232_Object() override;

  // Keeps the bridge, makes it the port's owner, creates the two events and registers the
  // device-check thread and then the read thread (nothing unless two slots are free).
  void Init(CBridge* pBridge, ThreadSlot* pSlots, int* pSlotCount) override;
  void Close() override;
  void SetMessageRange() override;

  // WM_SERIAL_REQUEST: by the record's code, OpenPort, ClosePort or WritePort. Returns the
  // operation's result (open: 1 or 0; close: the status send's result; write: bytes written);
  // 0 for a missing record or another code.
  LRESULT OnSerialRequest(WPARAM wParam, LPARAM lParam);
  // WM_SERIAL_SEND_TEXT: writes the text of a SerialTextRecord of kind 1. Returns 0.
  LRESULT OnSendText(WPARAM wParam, LPARAM lParam);

  // Opens the port the request's tagRS232_PortDef names; on success enables reading and sends
  // SERIAL_ST_READY. Returns the port's Open result.
  int OpenPort(const SerialRequest* pRequest);
  // Closes the port, asks for a new port check and disables reading.
  LRESULT ClosePort();
  // Flavour 1: nCount wide characters at pData (freed here with delete[]) plus a carriage return.
  // Flavour 0: the CString at pData, echoed to standard output after "[SEND]\n". Both are written
  // as single-byte text of the ANSI code page. Returns the bytes written.
  int WritePort(const SerialRequest* pRequest, WPARAM flavour);
  // Writes a text as single-byte text without terminator.
  int WriteText(const CString& text);

  static UINT _tDeviceCheckThread(LPVOID pParam);
  static UINT _tCRS232_ReadThread(LPVOID pParam);
  static void WakeDeviceCheckThread(CBridge* pBridge);
  static void WakeReadThread(CBridge* pBridge);

  CSerialCom& Com() { return m_com; }

 private:
  // The serial port object registered with a bridge (null when there is none).
  static CRS232_Object* FromBridge(CBridge* pBridge);
  void ReportPorts(int state);

  HANDLE m_hReadEnable = nullptr;  // manual reset: set while a port is open
  HANDLE m_hCheckEvent = nullptr;  // auto reset: wakes the device-check thread
  int m_nDeviceState = 0;          // 1 no COM port, 2 COM ports; 0 until the first check
  CSerialCom m_com;
  CSerialDevice m_device;

  DECLARE_MESSAGE_MAP()
};
