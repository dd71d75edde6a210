// Device plug notifications: the udev monitor worker and the delivery of WM_DEVICECHANGE.
#include "platform/devicenotify.h"

#include <fcntl.h>
#include <libudev.h>
#include <poll.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QThread>
#include <cerrno>
#include <cstdlib>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/reslib.h"
#include "platform/trace.h"
#include "platform/wnd.h"

const GUID GUID_DEVINTERFACE_USB_DEVICE = {0xA5DCBF10u, 0x6530u, 0x11D2u, {0x90, 0x1F, 0x00, 0xC0, 0x4F, 0xB9, 0x51, 0xED}};

namespace platform {
namespace {

// The udev monitor of the tty and usb subsystems.
class UdevEventSource : public DeviceEventSource {
 public:
  ~UdevEventSource() override {
    if (monitor_ != nullptr) udev_monitor_unref(monitor_);
    if (udev_ != nullptr) udev_unref(udev_);
  }
  bool Open() override {
    udev_ = udev_new();
    if (udev_ == nullptr) return false;
    monitor_ = udev_monitor_new_from_netlink(udev_, "udev");
    if (monitor_ == nullptr) return false;
    if (udev_monitor_filter_add_match_subsystem_devtype(monitor_, "tty", nullptr) < 0 ||
        udev_monitor_filter_add_match_subsystem_devtype(monitor_, "usb", "usb_device") < 0 ||
        udev_monitor_enable_receiving(monitor_) < 0)
      return false;
    const int fd = udev_monitor_get_fd(monitor_);
    if (fd < 0) return false;
    const int fl = fcntl(fd, F_GETFL);
    if (fl >= 0) fcntl(fd, F_SETFL, fl | O_NONBLOCK);
    return true;
  }
  int PollFd() const override { return monitor_ != nullptr ? udev_monitor_get_fd(monitor_) : -1; }
  bool Read(DeviceEvent& event) override {
    if (monitor_ == nullptr) return false;
    while (udev_device* dev = udev_monitor_receive_device(monitor_)) {
      const bool ok = Convert(dev, event);
      udev_device_unref(dev);
      if (ok) return true;
    }
    return false;
  }

 private:
  static bool Convert(udev_device* dev, DeviceEvent& event) {
    const char* action = udev_device_get_action(dev);
    const char* subsystem = udev_device_get_subsystem(dev);
    const char* sysname = udev_device_get_sysname(dev);
    if (action == nullptr || subsystem == nullptr || sysname == nullptr) return false;
    const std::string a(action), s(subsystem);
    event = DeviceEvent();
    event.action = a == "add" ? DeviceAction::Arrival : a == "remove" ? DeviceAction::Removal : DeviceAction::Change;
    event.isPort = s == "tty";
    event.name = CString::FromUtf8(sysname);
    if (!event.isPort) {
      // "PRODUCT" is "vendor/product/release" in hexadecimal, present on removal too.
      const char* product = udev_device_get_property_value(dev, "PRODUCT");
      if (product != nullptr) {
        char* end = nullptr;
        const long v = std::strtol(product, &end, 16);
        if (end != product && *end == '/') {
          const char* p2 = end + 1;
          const long pid = std::strtol(p2, &end, 16);
          if (end != p2 && v >= 0 && v <= 0xFFFF && pid >= 0 && pid <= 0xFFFF) {
            event.vendorId = static_cast<int>(v);
            event.productId = static_cast<int>(pid);
          }
        }
      }
    }
    return true;
  }
  udev* udev_ = nullptr;
  udev_monitor* monitor_ = nullptr;
};

const QEvent::Type kDeviceEventType = static_cast<QEvent::Type>(QEvent::registerEventType());

struct DeviceQEvent : QEvent {
  explicit DeviceQEvent(const DeviceEvent& e) : QEvent(kDeviceEventType), event(e) {}
  DeviceEvent event;
};

void Deliver(const DeviceEvent& event);

// Lives on the GUI thread; receives the worker's events there.
class Relay : public QObject {
 public:
  bool event(QEvent* e) override {
    if (e->type() != kDeviceEventType) return QObject::event(e);
    Deliver(static_cast<DeviceQEvent*>(e)->event);
    return true;
  }
};

// Registrations and the worker's life: under g_control. The relay: under g_relayMutex (the worker
// takes only that one, so stopping the worker while holding g_control cannot deadlock).
std::mutex g_control;
std::map<uintptr_t, HWND> g_registrations;
uintptr_t g_nextHandle = 1;
std::thread g_worker;
int g_wake[2] = {-1, -1};
std::function<std::unique_ptr<DeviceEventSource>()> g_factory;

std::mutex g_relayMutex;
Relay* g_relay = nullptr;
bool g_postRoutineAdded = false;

void Post(const DeviceEvent& event) {
  std::lock_guard<std::mutex> lock(g_relayMutex);
  if (g_relay != nullptr) QCoreApplication::postEvent(g_relay, new DeviceQEvent(event));
}

void WorkerMain(std::unique_ptr<DeviceEventSource> source, int wakeFd) {
  if (source == nullptr || !source->Open() || source->PollFd() < 0) {
    Trace(CString("device notifications: no device event source (udev monitor unavailable); no plug events"));
    source.reset();
  }
  for (;;) {
    pollfd fds[2] = {{wakeFd, POLLIN, 0}, {source != nullptr ? source->PollFd() : -1, POLLIN, 0}};
    const int n = poll(fds, 2, -1);
    if (n < 0) {
      if (errno == EINTR) continue;
      Trace(CString("device notifications: poll failed; the worker stops"));
      break;
    }
    if (fds[0].revents != 0) break;
    if (fds[1].revents & (POLLERR | POLLHUP | POLLNVAL)) {
      Trace(CString("device notifications: the event source failed; no more plug events"));
      source.reset();
      continue;
    }
    if (fds[1].revents & POLLIN) {
      // A bounded batch, so that a wake-up is seen even while events keep coming.
      DeviceEvent event;
      for (int i = 0; i < 256 && source->Read(event); ++i) Post(event);
    }
  }
  source.reset();  // closed on the worker, where it was opened
}

// Under g_control.
void StartWorkerLocked() {
  if (g_worker.joinable()) return;
  if (pipe2(g_wake, O_CLOEXEC | O_NONBLOCK) != 0) {
    Trace(CString("device notifications: cannot make the worker's wake-up pipe; no plug events"));
    g_wake[0] = g_wake[1] = -1;
    return;
  }
  std::unique_ptr<DeviceEventSource> source = g_factory ? g_factory() : std::make_unique<UdevEventSource>();
  g_worker = std::thread(WorkerMain, std::move(source), g_wake[0]);
}

// Under g_control.
void StopWorkerLocked() {
  if (!g_worker.joinable()) return;
  const char byte = 1;
  while (write(g_wake[1], &byte, 1) < 0 && errno == EINTR) {
  }
  g_worker.join();
  close(g_wake[0]);
  close(g_wake[1]);
  g_wake[0] = g_wake[1] = -1;
}

void StopAtAppExit() {
  {
    std::lock_guard<std::mutex> lock(g_control);
    StopWorkerLocked();
  }
  std::lock_guard<std::mutex> lock(g_relayMutex);
  delete g_relay;
  g_relay = nullptr;
  g_postRoutineAdded = false;
}

// Makes the relay on the GUI thread's side. False without an application object.
bool EnsureRelay() {
  QCoreApplication* app = QCoreApplication::instance();
  if (app == nullptr) return false;
  std::lock_guard<std::mutex> lock(g_relayMutex);
  if (g_relay != nullptr) return true;
  g_relay = new Relay;
  if (g_relay->thread() != app->thread()) g_relay->moveToThread(app->thread());
  if (!g_postRoutineAdded) {
    qAddPostRoutine(StopAtAppExit);
    g_postRoutineAdded = true;
  }
  return true;
}

void CopyName(wchar_t* dst, const CString& name) {
  const std::wstring text = name.ToWString();
  size_t n = text.size() < DBT_NAME_CHARS - 1 ? text.size() : DBT_NAME_CHARS - 1;
  text.copy(dst, n);
  dst[n] = L'\0';
}

bool StillRegistered(uintptr_t handle) {
  std::lock_guard<std::mutex> lock(g_control);
  return g_registrations.count(handle) != 0;
}

void SendToAll(const std::vector<std::pair<uintptr_t, HWND>>& targets, UINT code, LPARAM lParam) {
  for (const auto& [handle, hwnd] : targets)
    if (StillRegistered(handle) && ::IsWindow(hwnd)) ::SendMessage(hwnd, WM_DEVICECHANGE, code, lParam);
}

// On the GUI thread.
void Deliver(const DeviceEvent& event) {
  std::vector<std::pair<uintptr_t, HWND>> targets;
  {
    std::lock_guard<std::mutex> lock(g_control);
    targets.assign(g_registrations.begin(), g_registrations.end());
  }
  if (targets.empty()) return;
  if (event.action != DeviceAction::Change) {
    const UINT code = event.action == DeviceAction::Arrival ? DBT_DEVICEARRIVAL : DBT_DEVICEREMOVECOMPLETE;
    if (event.isPort) {
      DEV_BROADCAST_PORT port = {};
      port.dbcp_size = sizeof port;
      port.dbcp_devicetype = DBT_DEVTYP_PORT;
      CopyName(port.dbcp_name, event.name);
      SendToAll(targets, code, reinterpret_cast<LPARAM>(&port));
    } else {
      DEV_BROADCAST_DEVICEINTERFACE iface = {};
      iface.dbcc_size = sizeof iface;
      iface.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
      iface.dbcc_classguid = GUID_DEVINTERFACE_USB_DEVICE;
      CString ids;
      if (event.vendorId >= 0 && event.productId >= 0)
        ids.Format(L"VID_%04X&PID_%04X", event.vendorId, event.productId);
      CString path = CString(L"\\\\?\\USB#") + ids + CString(L"#") + event.name +
                     CString(L"#{a5dcbf10-6530-11d2-901f-00c04fb951ed}");
      CopyName(iface.dbcc_name, path);
      SendToAll(targets, code, reinterpret_cast<LPARAM>(&iface));
    }
  }
  SendToAll(targets, DBT_DEVNODES_CHANGED, 0);
}

}  // namespace

void SetDeviceEventSourceFactory(std::function<std::unique_ptr<DeviceEventSource>()> factory) {
  std::lock_guard<std::mutex> lock(g_control);
  g_factory = std::move(factory);
}

bool DeviceNotifyWorkerRunning() {
  std::lock_guard<std::mutex> lock(g_control);
  return g_worker.joinable();
}

}  // namespace platform

HDEVNOTIFY RegisterDeviceNotification(HWND hWnd, const void* filter, DWORD flags) {
  (void)filter;
  if ((flags & DEVICE_NOTIFY_SERVICE_HANDLE) != 0 || hWnd == nullptr || !::IsWindow(hWnd)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  const bool haveRelay = platform::EnsureRelay();
  std::lock_guard<std::mutex> lock(platform::g_control);
  const uintptr_t handle = platform::g_nextHandle++;
  platform::g_registrations[handle] = hWnd;
  if (haveRelay)
    platform::StartWorkerLocked();
  else
    platform::Trace(CString("device notifications: no application object; no plug events"));
  SetLastError(ERROR_SUCCESS);
  return reinterpret_cast<HDEVNOTIFY>(handle);
}

BOOL UnregisterDeviceNotification(HDEVNOTIFY handle) {
  std::lock_guard<std::mutex> lock(platform::g_control);
  if (platform::g_registrations.erase(reinterpret_cast<uintptr_t>(handle)) == 0) return FALSE;
  if (platform::g_registrations.empty()) platform::StopWorkerLocked();
  return TRUE;
}
