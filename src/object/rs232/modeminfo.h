// CModemInfo: reads which serial ports this machine has (the SERIALCOMM registry key and the layer's
// port enumeration) and which modems the settings store records as installed.
#pragma once

#include "platform/collections.h"
#include "platform/cstring.h"
#include "platform/portenum.h"
#include "platform/registry.h"
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

  // Fills `records` with the serial ports present: the machine's ports, then those other programs
  // list whose friendly name the first pass did not find. A port whose friendly name does not end
  // in its port name in parentheses (next-to-last character a digit) is left out. With `probe`
  // set, ports that cannot be opened right now are left out too. The friendly names of the first
  // pass are kept in m_astrComPortNames.
  void EnumeratePorts(CArray<SerialPortRecord>& records, BOOL probe);

  // Whether a text can be a port name below /dev: non-empty, at most 260 units, letters, digits,
  // '_', '-', '.', '/' only, no leading '/', no "." or ".." component.
  static bool IsPortName(const CString& text);

  // The modems installed in the settings store (below), without the "IP Virtual Modem" ones: their
  // number, the first one's friendly name, and the controls emptied and filled with their friendly
  // names in index order.
  int CountModems();
  CString FirstModemName();
  void FillModemCombo(CComboBox& combo);
  void FillModemList(CListBox& list);
  // A modem of that friendly name with a port is installed (FindModem finds it).
  BOOL HasModem(const CString& friendlyName) { return FindModem(friendlyName) != -1; }

  // The friendly names of the ports of the last EnumeratePorts.
  CStringArray m_astrComPortNames;

  // --- Modems installed in the settings store (HKEY_LOCAL_MACHINE modem class keys 0000 to 0255),
  // the way other programs' modem setups record them (modeminfo_modems.cpp).
  static constexpr int kMaxModems = 256;
  // The value's text, or defaultText when the key cannot be opened or the value cannot be read.
  static CString ReadRegText(HKEY root, const CString& subKey, const CString& name, const CString& defaultText);
  static CString ModemClassGuid();
  // "SYSTEM\CurrentControlSet\Control\Class\{modem class}\0007" for index 7.
  static CString ModemKeyPath(int index);
  static CString ModemFriendlyName(int index);
  // The lowest index whose friendly name matches ignoring case and whose COM port is above 0; -1.
  static int FindModem(const CString& friendlyName);
  // The number after the first three characters of "AttachedTo" (COM12 gives 12), else of the
  // "PORTNAME" of the device key below "Enum" whose "Driver" is "Modem\<index key>"; 0 when none.
  static int ModemComPort(int index);
  static int ModemComPortByName(const CString& friendlyName);
  // "Reset"; empty when missing or "NONE" in any case.
  static CString ModemResetCommand(const CString& friendlyName);
  // The BaudRate of the "DCB" value when it is a standard rate, else 0.
  static DWORD ModemBaudRate(const CString& friendlyName);
  static BOOL HasSpeakerModes(const CString& friendlyName);
  static int CountSpeakerVolumes(const CString& friendlyName);
  // "AT" + the modem's stored settings for a speaker level -1 (none) to 3, ending in "<cr>".
  static CString BuildInitCommand(const CString& friendlyName, int speakerLevel);
  static CString FirstSubKeyName(HKEY root, const CString& keyPath);
  // Whether a friendly name is one that the modem lists leave out ("IP Virtual Modem").
  static bool IsVirtualModemName(const CString& friendlyName);
};
