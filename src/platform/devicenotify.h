// Device plug notifications: RegisterDeviceNotification and the WM_DEVICECHANGE broadcasts, fed by a
// udev monitor of the tty and usb subsystems that runs on a worker thread.
//
// Delivery: the worker never calls into windows. It hands each event to the GUI thread (a queued
// event, so it never waits for the GUI and stopping it can never deadlock with a handler), and there
// the layer builds the broadcast record on its own stack and *sends* WM_DEVICECHANGE to every window
// registered at that moment, so the record stays valid for as long as each handler runs (and no
// longer: a handler that needs the text later copies it).
//
// For each arrival or removal a registered window gets, in this order:
// - a serial port (tty): DBT_DEVICEARRIVAL / DBT_DEVICEREMOVECOMPLETE with a DEV_BROADCAST_PORT whose
//   dbcp_name is the port name ("ttyUSB0");
// - a USB device: the same events with a DEV_BROADCAST_DEVICEINTERFACE of the USB device interface
//   class, dbcc_name "\\?\USB#VID_1546&PID_01A8#<kernel name>#{a5dcbf10-6530-11d2-901f-00c04fb951ed}";
// - then DBT_DEVNODES_CHANGED with lParam 0. Other changes (a driver bound, attributes changed)
//   give only DBT_DEVNODES_CHANGED.
// The filter's class is not used to select events: every registered window gets every event.
//
// The worker starts with the first registration and stops (woken through a pipe, then joined) when
// the last one is unregistered or when the application object is destroyed. When no event source
// can be opened (no udev, a container without netlink), registration still succeeds, the failure is
// traced and no events come.
#pragma once

#include <functional>
#include <memory>

#include "platform/cstring.h"
#include "platform/winmsg.h"
#include "platform/wintypes.h"

#ifndef GUID_DEFINED
#define GUID_DEFINED
struct GUID {
  DWORD Data1;
  WORD Data2;
  WORD Data3;
  BYTE Data4[8];
};
#endif

typedef void* HDEVNOTIFY;

// Broadcast record types (dbch_devicetype).
#define DBT_DEVTYP_OEM 0x00000000u
#define DBT_DEVTYP_VOLUME 0x00000002u
#define DBT_DEVTYP_PORT 0x00000003u
#define DBT_DEVTYP_DEVICEINTERFACE 0x00000005u
#define DBT_DEVTYP_HANDLE 0x00000006u

// RegisterDeviceNotification flags. Only window handles are supported.
#define DEVICE_NOTIFY_WINDOW_HANDLE 0x00000000u
#define DEVICE_NOTIFY_SERVICE_HANDLE 0x00000001u
#define DEVICE_NOTIFY_ALL_INTERFACE_CLASSES 0x00000004u

// Longest name a broadcast record carries (longer names are cut, always 0-terminated).
#define DBT_NAME_CHARS 260

struct DEV_BROADCAST_HDR {
  DWORD dbch_size;
  DWORD dbch_devicetype;
  DWORD dbch_reserved;
};
typedef DEV_BROADCAST_HDR* PDEV_BROADCAST_HDR;

struct DEV_BROADCAST_DEVICEINTERFACE {
  DWORD dbcc_size;
  DWORD dbcc_devicetype;
  DWORD dbcc_reserved;
  GUID dbcc_classguid;
  wchar_t dbcc_name[DBT_NAME_CHARS];
};
typedef DEV_BROADCAST_DEVICEINTERFACE* PDEV_BROADCAST_DEVICEINTERFACE;

struct DEV_BROADCAST_PORT {
  DWORD dbcp_size;
  DWORD dbcp_devicetype;
  DWORD dbcp_reserved;
  wchar_t dbcp_name[DBT_NAME_CHARS];
};
typedef DEV_BROADCAST_PORT* PDEV_BROADCAST_PORT;

// The device interface class of USB devices.
extern const GUID GUID_DEVINTERFACE_USB_DEVICE;

// hWnd must be a window; filter (may be null) is a DEV_BROADCAST_HDR of the caller's. Null on
// failure (not a window, a service handle) with the last error (reslib.h) set.
HDEVNOTIFY RegisterDeviceNotification(HWND hWnd, const void* filter, DWORD flags);
// Stops the deliveries to that registration (from the next event on; an event being delivered to
// other windows goes on). When it was the last one, the worker has stopped when this returns.
// May be called inside a WM_DEVICECHANGE handler. FALSE for an unknown handle.
BOOL UnregisterDeviceNotification(HDEVNOTIFY handle);

namespace platform {

enum class DeviceAction { Arrival, Removal, Change };

// One event of the device source.
struct DeviceEvent {
  DeviceAction action = DeviceAction::Change;
  bool isPort = false;  // a serial port (tty) rather than a USB device
  CString name;         // port: "ttyUSB0"; USB device: its kernel name ("1-2")
  int vendorId = -1;    // USB device: ids; -1 when unknown
  int productId = -1;
};

// Where device events come from. Open and the reads run on the worker thread.
class DeviceEventSource {
 public:
  virtual ~DeviceEventSource() = default;
  // Starts watching; false when no events can be had.
  virtual bool Open() = 0;
  // A descriptor that polls readable when events may be pending.
  virtual int PollFd() const = 0;
  // Takes one pending event; false when none is pending (now).
  virtual bool Read(DeviceEvent& event) = 0;
};

// Makes the source used by the next start of the worker (tests); an empty function restores udev.
void SetDeviceEventSourceFactory(std::function<std::unique_ptr<DeviceEventSource>()> factory);

// Whether the worker thread is running (tests).
bool DeviceNotifyWorkerRunning();

}  // namespace platform
