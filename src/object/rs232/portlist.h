// The COM port list: CSerialDevice tells the serial object's device-check thread which ports the
// machine lists, and ListedPortNames gives the main window's port selector the same registry key's ports.
#pragma once

#include <vector>

#include "object/rs232/modeminfo.h"
#include "object/rs232/serialstatus.h"
#include "platform/collections.h"
#include "platform/cstring.h"
#include "platform/sync.h"
#include "platform/wintypes.h"

// Kinds of port a port definition names.
#define PORT_TYPE_COM 3

// One port as the serial object passes it around: its name and its kind (or, in an open request,
// the device path and the baud rate).
struct tagRS232_PortDef {
  CString strPort;
  int nParam = 0;
};

// The template items of the port selector: item 0 rebuilds the list, item 1 searches the device's
// USB port.
#define PORT_ITEM_SEARCH L"SEARCH.."
#define PORT_ITEM_USB L"USB"

class CSerialDevice {
 public:
  CSerialDevice() = default;
  virtual ~CSerialDevice() = default;

  // Rebuilds m_ports from the SERIALCOMM key (after bringing the real ports into it); TRUE when the
  // key lists at least one port.
  BOOL EnumComPorts();
  // 2 when there is a port, 1 when there is none.
  int CheckPorts();
  // One round of the device-check thread: CheckPorts, and whether its result differs from
  // `previous` (which is updated). A change to 2 means "report m_ports", a change to 1 "no port".
  bool CheckPortsChanged(int& previous);

  // The ports of the last check. Read it only while the checking thread cannot run a check.
  const CArray<tagRS232_PortDef>& Ports() const { return m_ports; }
  // Fills the status the device-check thread sends (under its lock).
  void SetStatus(int code, int count, void* data, int extra0 = 0, int extra1 = 0);
  // That status record; the owner reads it while the thread is blocked in sending it.
  SerialStatus* GetStatus() { return &m_status; }

 private:
  CModemInfo m_modemInfo;
  CArray<tagRS232_PortDef> m_ports;
  SerialStatus m_status;
  CCriticalSection m_csStatus;
};

// The ports the port selector offers: every entry of the SERIALCOMM key, in the key's order, one
// per entry, after bringing the real ports into it; entries that cannot be port names are left out.
std::vector<CString> ListedPortNames();
