// CModemInfo: reads which serial ports and modems this machine has, from the SERIALCOMM registry key
// and from the layer's port enumeration (USB ids, drivers, descriptions).
#pragma once

#include "platform/collections.h"
#include "platform/cstring.h"
#include "platform/portenum.h"
#include "platform/wintypes.h"

class CComboBox;
class CListBox;

// One serial port as the port enumeration reports it.
struct SerialPortRecord {
  CString devicePath;   // path to open: "/dev/" + port name
  CString portName;     // "ttyUSB0", "pts/7"
  CString displayName;  // friendly name with the port name in parentheses; the port name when none
  BOOL usbAttached = FALSE;
  CString description;  // the display name without its last " (...)" part
};

class CModemInfo {
 public:
  CModemInfo() = default;
  virtual ~CModemInfo() = default;

  // Appends the port names listed in HKEY_LOCAL_MACHINE\HARDWARE\DEVICEMAP\SERIALCOMM (in the key's
  // order) to `ports`. Entries that are not plausible port names and names already in `ports` are
  // skipped. Nothing is appended when the key is missing. `reserved` is not used.
  void GetSerialCommPorts(CStringArray& ports, int reserved = 0);

  // Fills `records` with the serial ports present (real ones first, then the virtual ones). With
  // `probe` set, ports that cannot be opened right now are left out. The friendly names of the
  // ports found are kept in m_astrComPortNames.
  void EnumeratePorts(CArray<SerialPortRecord>& records, BOOL probe);

  // Modems: the USB serial ports that IsModemPort accepts, in port order. A modem's friendly name
  // is its port's description ("Quectel Module (ttyUSB3)").
  int CountModems();
  CString FirstModemName();
  // The port name of the modem with that friendly name (ignoring case); empty when none.
  CString ModemPortByName(const CString& friendlyName);
  BOOL HasModem(const CString& friendlyName) { return !ModemPortByName(friendlyName).IsEmpty(); }

  // Whether a text can be a port name below /dev: non-empty, at most 260 units, letters, digits,
  // '_', '-', '.', '/' only, no leading '/', no "." or ".." component.
  static bool IsPortName(const CString& text);
  // Whether a port is a modem port: its texts contain "MODEM" (ignoring case), or it is interface 3
  // of a Quectel module (vendor 0x2C7C), the interface such modules use for the modem.
  static bool IsModemPort(const platform::SerialPortInfo& port);

  // Empty the control and add every modem's friendly name, in port order.
  void FillModemCombo(CComboBox& combo);
  void FillModemList(CListBox& list);

  // The friendly names of the ports of the last EnumeratePorts.
  CStringArray m_astrComPortNames;
};
