// The supported USB devices and the search for the device's port among the serial ports: which port
// to open when the user asks for "USB", whether commands go through a modem's tunnel, and which
// plug events concern the device.
#pragma once

#include <optional>
#include <vector>

#include "platform/cstring.h"
#include "platform/devicenotify.h"
#include "platform/portenum.h"
#include "platform/wintypes.h"

// One supported USB device by its ids.
struct SupportedUsbId {
  int vendorId;
  int productId;
  bool quectelModem;  // the device is a Quectel module whose modem port needs the command tunnel
};

// The supported devices, in the order they are checked.
const std::vector<SupportedUsbId>& SupportedUsbIds();
bool IsSupportedUsbId(int vendorId, int productId);
// The text that names a supported device in a USB device-interface name: "USB#VID_2C7C&PID_0700".
CString UsbIdText(const SupportedUsbId& id);

// What the port search decided.
struct UsbPortChoice {
  platform::SerialPortInfo port;
  bool modemTunnel = false;  // commands are wrapped for the modem
};

// The caption a port is judged by: its description ("Quectel USB Modem (ttyUSB3)"), else its name.
CString PortCaption(const platform::SerialPortInfo& port);

// Searches `ports` (as EnumerateSerialPorts gives them, in name order) for the device's port:
// the last port of the USB serial driver (cdc_acm) is taken, then the captions are walked (those
// naming Quectel first, then every port's): a caption with MODEM gives its port and ends the
// search, with the command tunnel on when it also names QUECTEL; a caption with DEBUG on the port
// taken leaves no port. None when no port qualifies.
std::optional<UsbPortChoice> FindUsbSerialPort(const std::vector<platform::SerialPortInfo>& ports);
// The same search over the ports the machine has now.
std::optional<UsbPortChoice> FindUsbSerialPort();

// Whether commands to a port chosen by name go through the modem tunnel: the captions are walked
// as by the search; the first modem decides (on for a Quectel modem), whatever port was chosen.
bool DetectModemPort(const CString& portName, const std::vector<platform::SerialPortInfo>& ports);

// Whether a port is a debug port (its texts contain "DEBUG", ignoring case).
bool IsDebugPort(const platform::SerialPortInfo& port);

// Whether a plug broadcast concerns a supported device: a device-interface broadcast whose name
// contains the id text of one of them, ignoring case. Null, short or other broadcasts give FALSE.
// Arrivals and removals are judged alike.
BOOL IsSupportedUsbDevice(const DEV_BROADCAST_HDR* header);
