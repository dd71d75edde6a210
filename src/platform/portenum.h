// Serial port enumeration: the ports this machine has (the tty devices of sysfs that have a real serial
// driver) plus the virtual ports other programs list in the registry's SERIALCOMM key, and the sync
// of the real ports into that key so that readers of the key see one list, as on Windows.
#pragma once

#include <functional>
#include <vector>

#include "platform/cstring.h"

namespace platform {

// One serial port. Numbers that do not apply (a port that is not on USB) are -1.
struct SerialPortInfo {
  CString name;             // device name below /dev: "ttyUSB0", "ttyACM1", "ttyS0", "pts/7"
  CString devicePath;       // path to open: "/dev/" + name
  int vendorId = -1;        // USB vendor id (0x1546)
  int productId = -1;       // USB product id (0x01a8)
  int interfaceNumber = -1; // USB interface the port belongs to
  CString driver;           // kernel driver of the port ("ftdi_sio", "cdc_acm", "serial8250")
  CString manufacturer;     // USB manufacturer string, when the device has one
  CString product;          // USB product string, when the device has one
  CString interfaceName;    // USB interface string of the port's own interface, when it has one
  CString description;      // vendor, model and interface, the name in parentheses: "Quectel EC200U Modem (ttyUSB2)"
  bool isUsb = false;
  bool isVirtual = false;   // listed in SERIALCOMM by another program (a pseudo-terminal)
};

// What the device database says of one tty device, before the layer decides whether it is a
// usable serial port. Numbers that are unknown are -1; texts that are unknown are empty.
struct TtyDeviceFacts {
  CString name;             // kernel name: "ttyUSB0", "tty1", "ttyS4"
  CString devNode;          // "/dev/ttyUSB0"; empty when the device has no node
  CString parentDriver;     // driver bound to the device the tty hangs off; empty when none
  int serialType = -1;      // the serial core's port type ("type" attribute); 0 = no port there
  int vendorId = -1;
  int productId = -1;
  int interfaceNumber = -1;
  CString manufacturer;
  CString product;
  CString interfaceName;    // the USB interface's own string ("interface" attribute)
};

// Lists the tty devices of the system. The default lister reads sysfs; a machine without sysfs (or
// without /sys entries) gives an empty list.
using TtyDeviceLister = std::function<std::vector<TtyDeviceFacts>()>;
// The tty devices of a sysfs tree ("/sys", or a copy of its shape): the default lister.
std::vector<TtyDeviceFacts> ListSysfsTtyDevices(const CString& sysRoot);
// Replaces the lister (tests); an empty function restores the sysfs one. Thread-safe.
void SetTtyDeviceLister(TtyDeviceLister lister);

// Whether a tty device is a serial port worth listing: it has a device node and a driver, and a
// serial core port that reports "no port there" (the many unconnected ttyS*) is left out.
bool IsUsableSerialPort(const TtyDeviceFacts& facts);

// The real ports (sorted by name, numbers in names compared as numbers), then the virtual ports of
// the SERIALCOMM key (in the key's order; a virtual entry naming a real port is listed once). Never
// fails: without sysfs it gives just the virtual ports.
std::vector<SerialPortInfo> EnumerateSerialPorts();

// Writes the real ports into HKEY_LOCAL_MACHINE\HARDWARE\DEVICEMAP\SERIALCOMM as value
// "\Device\<name>" with data "<name>", and removes such entries whose port is gone. The layer
// owns exactly the entries of that form whose name starts with "tty"; every other entry (the
// virtual ports of other programs) is left alone. Returns false when the registry could not be
// written.
bool SyncSerialCommKey();

}  // namespace platform
