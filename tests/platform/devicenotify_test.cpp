// Device plug notifications: injected arrivals and removals reach registered windows' message maps on
// the GUI thread with a readable record; other windows get nothing; the worker stops on unregister.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QThread>
#include <atomic>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/devicenotify.h"
#include "platform/msgmap.h"
#include "platform/wnd.h"
#include "qt_app.h"
#include "wait_util.h"

namespace {

using platform::DeviceAction;
using platform::DeviceEvent;

// The test's end of a fake event source: events pushed here come out of the source on the worker.
struct FakeHub {
  FakeHub() { EXPECT_EQ(pipe2(fds, O_CLOEXEC | O_NONBLOCK), 0); }
  ~FakeHub() {
    close(fds[0]);
    close(fds[1]);
  }
  void Push(const DeviceEvent& e) {
    std::lock_guard<std::mutex> lock(mutex);
    queue.push_back(e);
    EXPECT_EQ(write(fds[1], "x", 1), 1);
  }
  std::mutex mutex;
  std::deque<DeviceEvent> queue;
  int fds[2] = {-1, -1};
  bool openSucceeds = true;
  std::atomic<int> opened{0};
  std::atomic<int> destroyed{0};
};

class FakeSource : public platform::DeviceEventSource {
 public:
  explicit FakeSource(std::shared_ptr<FakeHub> hub) : hub_(std::move(hub)) {}
  ~FakeSource() override { ++hub_->destroyed; }
  bool Open() override {
    ++hub_->opened;
    return hub_->openSucceeds;
  }
  int PollFd() const override { return hub_->fds[0]; }
  bool Read(DeviceEvent& event) override {
    char buf[64];
    while (read(hub_->fds[0], buf, sizeof buf) > 0) {
    }
    std::lock_guard<std::mutex> lock(hub_->mutex);
    if (hub_->queue.empty()) return false;
    event = hub_->queue.front();
    hub_->queue.pop_front();
    return true;
  }

 private:
  std::shared_ptr<FakeHub> hub_;
};

struct Seen {
  UINT code;
  DWORD type;  // 0 without a record
  CString name;
  bool operator==(const Seen& o) const { return code == o.code && type == o.type && name == o.name; }
};

std::ostream& operator<<(std::ostream& os, const Seen& s) {
  return os << "{" << std::hex << s.code << ", " << s.type << ", " << s.name << "}";
}

class PlugWnd : public CWnd {
 public:
  std::vector<Seen> seen;
  bool allOnGuiThread = true;
  HDEVNOTIFY unregisterOnEvent = nullptr;

  BOOL OnDeviceChange(UINT event, DWORD_PTR data) {
    allOnGuiThread = allOnGuiThread && QThread::currentThread() == QCoreApplication::instance()->thread();
    Seen s{event, 0, CString()};
    if (data != 0) {
      const auto* hdr = reinterpret_cast<const DEV_BROADCAST_HDR*>(data);
      s.type = hdr->dbch_devicetype;
      if (hdr->dbch_devicetype == DBT_DEVTYP_PORT) {
        const auto* port = reinterpret_cast<const DEV_BROADCAST_PORT*>(data);
        EXPECT_EQ(port->dbcp_size, sizeof(DEV_BROADCAST_PORT));
        s.name = CString(port->dbcp_name);
      } else if (hdr->dbch_devicetype == DBT_DEVTYP_DEVICEINTERFACE) {
        const auto* iface = reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE*>(data);
        EXPECT_EQ(iface->dbcc_size, sizeof(DEV_BROADCAST_DEVICEINTERFACE));
        EXPECT_EQ(iface->dbcc_classguid.Data1, GUID_DEVINTERFACE_USB_DEVICE.Data1);
        s.name = CString(iface->dbcc_name);
      }
    }
    seen.push_back(s);
    if (unregisterOnEvent != nullptr) {
      EXPECT_TRUE(UnregisterDeviceNotification(unregisterOnEvent));
      unregisterOnEvent = nullptr;
    }
    return TRUE;
  }
  bool Make() { return CreateEx(0, nullptr, L"", WS_POPUP, CRect(0, 0, 20, 20), nullptr, 0) != FALSE; }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(PlugWnd, CWnd)
  ON_WM_DEVICECHANGE()
END_MESSAGE_MAP()

DeviceEvent Port(DeviceAction action, const char* name) {
  DeviceEvent e;
  e.action = action;
  e.isPort = true;
  e.name = name;
  return e;
}

DeviceEvent Usb(DeviceAction action, const char* name, int vid, int pid) {
  DeviceEvent e;
  e.action = action;
  e.name = name;
  e.vendorId = vid;
  e.productId = pid;
  return e;
}

bool PumpUntil(const std::function<bool()>& cond) {
  return testutil::WaitUntil([&] {
    QCoreApplication::processEvents();
    return cond();
  });
}

class DeviceNotifyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testsupport::EnsureApp();
    hub = std::make_shared<FakeHub>();
    std::shared_ptr<FakeHub> h = hub;
    platform::SetDeviceEventSourceFactory([h] { return std::make_unique<FakeSource>(h); });
  }
  void TearDown() override {
    EXPECT_FALSE(platform::DeviceNotifyWorkerRunning());
    platform::SetDeviceEventSourceFactory({});
  }
  std::shared_ptr<FakeHub> hub;
};

const Seen kChanged{DBT_DEVNODES_CHANGED, 0, CString()};

TEST_F(DeviceNotifyTest, EventsReachTheMessageMapOnTheGuiThread) {
  PlugWnd wnd;
  ASSERT_TRUE(wnd.Make());
  HDEVNOTIFY reg = RegisterDeviceNotification(wnd.GetSafeHwnd(), nullptr, DEVICE_NOTIFY_ALL_INTERFACE_CLASSES);
  ASSERT_NE(reg, nullptr);

  const CString usbName = L"\\\\?\\USB#VID_1546&PID_01A8#1-2#{a5dcbf10-6530-11d2-901f-00c04fb951ed}";
  struct Case {
    const char* what;
    DeviceEvent event;
    std::vector<Seen> want;
  };
  const Case cases[] = {
      {"port arrival", Port(DeviceAction::Arrival, "ttyACM0"),
       {{DBT_DEVICEARRIVAL, DBT_DEVTYP_PORT, "ttyACM0"}, kChanged}},
      {"usb arrival", Usb(DeviceAction::Arrival, "1-2", 0x1546, 0x01a8),
       {{DBT_DEVICEARRIVAL, DBT_DEVTYP_DEVICEINTERFACE, usbName}, kChanged}},
      {"port removal", Port(DeviceAction::Removal, "ttyACM0"),
       {{DBT_DEVICEREMOVECOMPLETE, DBT_DEVTYP_PORT, "ttyACM0"}, kChanged}},
      {"usb removal", Usb(DeviceAction::Removal, "1-2", 0x1546, 0x01a8),
       {{DBT_DEVICEREMOVECOMPLETE, DBT_DEVTYP_DEVICEINTERFACE, usbName}, kChanged}},
      {"usb device without ids", Usb(DeviceAction::Arrival, "3-1.4", -1, -1),
       {{DBT_DEVICEARRIVAL, DBT_DEVTYP_DEVICEINTERFACE,
         L"\\\\?\\USB##3-1.4#{a5dcbf10-6530-11d2-901f-00c04fb951ed}"},
        kChanged}},
      {"other change", Port(DeviceAction::Change, "ttyACM0"), {kChanged}},
  };
  for (const Case& c : cases) {
    wnd.seen.clear();
    hub->Push(c.event);
    ASSERT_TRUE(PumpUntil([&] { return wnd.seen.size() >= c.want.size(); })) << c.what;
    QCoreApplication::processEvents();
    EXPECT_EQ(wnd.seen, c.want) << c.what;
  }
  EXPECT_TRUE(wnd.allOnGuiThread);

  // A name longer than the record holds is cut and still terminated.
  wnd.seen.clear();
  std::string longName(400, 'x');
  hub->Push(Port(DeviceAction::Arrival, longName.c_str()));
  ASSERT_TRUE(PumpUntil([&] { return !wnd.seen.empty(); }));
  EXPECT_EQ(wnd.seen[0].name.GetLength(), DBT_NAME_CHARS - 1);

  EXPECT_TRUE(UnregisterDeviceNotification(reg));
}

TEST_F(DeviceNotifyTest, OnlyRegisteredLiveWindowsGetEvents) {
  PlugWnd kept, dropped, never, destroyed;
  for (PlugWnd* w : {&kept, &dropped, &never, &destroyed}) ASSERT_TRUE(w->Make());
  HDEVNOTIFY keptReg = RegisterDeviceNotification(kept.GetSafeHwnd(), nullptr, 0);
  HDEVNOTIFY droppedReg = RegisterDeviceNotification(dropped.GetSafeHwnd(), nullptr, 0);
  HDEVNOTIFY destroyedReg = RegisterDeviceNotification(destroyed.GetSafeHwnd(), nullptr, 0);
  ASSERT_NE(keptReg, nullptr);
  ASSERT_NE(droppedReg, nullptr);
  ASSERT_NE(destroyedReg, nullptr);
  EXPECT_TRUE(UnregisterDeviceNotification(droppedReg));
  destroyed.DestroyWindow();

  hub->Push(Port(DeviceAction::Arrival, "ttyUSB0"));
  // Delivery goes to all windows within one GUI event, so once the kept window has both messages
  // the others have had their chance.
  ASSERT_TRUE(PumpUntil([&] { return kept.seen.size() >= 2; }));
  EXPECT_TRUE(dropped.seen.empty());
  EXPECT_TRUE(never.seen.empty());
  EXPECT_TRUE(destroyed.seen.empty());

  EXPECT_TRUE(UnregisterDeviceNotification(destroyedReg));
  EXPECT_TRUE(UnregisterDeviceNotification(keptReg));
}

TEST_F(DeviceNotifyTest, UnregisterStopsAndJoinsTheWorker) {
  PlugWnd a, b;
  ASSERT_TRUE(a.Make());
  ASSERT_TRUE(b.Make());
  HDEVNOTIFY ra = RegisterDeviceNotification(a.GetSafeHwnd(), nullptr, 0);
  HDEVNOTIFY rb = RegisterDeviceNotification(b.GetSafeHwnd(), nullptr, 0);
  ASSERT_TRUE(testutil::WaitUntil([&] { return hub->opened.load() == 1; }));
  EXPECT_TRUE(platform::DeviceNotifyWorkerRunning());

  EXPECT_TRUE(UnregisterDeviceNotification(ra));
  EXPECT_TRUE(platform::DeviceNotifyWorkerRunning());  // b still registered
  EXPECT_TRUE(UnregisterDeviceNotification(rb));
  EXPECT_FALSE(platform::DeviceNotifyWorkerRunning());
  EXPECT_EQ(hub->destroyed.load(), 1);  // closed by the worker before the join returned

  EXPECT_FALSE(UnregisterDeviceNotification(rb));  // twice
  EXPECT_FALSE(UnregisterDeviceNotification(nullptr));

  // A new registration starts a new worker with a new source.
  HDEVNOTIFY again = RegisterDeviceNotification(a.GetSafeHwnd(), nullptr, 0);
  ASSERT_TRUE(testutil::WaitUntil([&] { return hub->opened.load() == 2; }));
  hub->Push(Port(DeviceAction::Removal, "ttyUSB0"));
  ASSERT_TRUE(PumpUntil([&] { return a.seen.size() >= 2; }));
  EXPECT_TRUE(UnregisterDeviceNotification(again));
  EXPECT_EQ(hub->destroyed.load(), 2);
}

TEST_F(DeviceNotifyTest, HandlerMayUnregisterTheLastRegistration) {
  PlugWnd wnd;
  ASSERT_TRUE(wnd.Make());
  wnd.unregisterOnEvent = RegisterDeviceNotification(wnd.GetSafeHwnd(), nullptr, 0);
  ASSERT_NE(wnd.unregisterOnEvent, nullptr);
  hub->Push(Port(DeviceAction::Arrival, "ttyACM0"));
  hub->Push(Port(DeviceAction::Removal, "ttyACM0"));
  ASSERT_TRUE(PumpUntil([&] { return !wnd.seen.empty(); }));
  EXPECT_FALSE(platform::DeviceNotifyWorkerRunning());
  QCoreApplication::processEvents();
  EXPECT_EQ(wnd.seen, (std::vector<Seen>{{DBT_DEVICEARRIVAL, DBT_DEVTYP_PORT, "ttyACM0"}}));
}

TEST_F(DeviceNotifyTest, RegistrationFailsOnlyForBadArguments) {
  PlugWnd wnd;
  ASSERT_TRUE(wnd.Make());
  EXPECT_EQ(RegisterDeviceNotification(nullptr, nullptr, 0), nullptr);
  EXPECT_EQ(RegisterDeviceNotification(wnd.GetSafeHwnd(), nullptr, DEVICE_NOTIFY_SERVICE_HANDLE), nullptr);

  // No event source: registration still works and unregistering does not hang.
  hub->openSucceeds = false;
  HDEVNOTIFY reg = RegisterDeviceNotification(wnd.GetSafeHwnd(), nullptr, 0);
  ASSERT_NE(reg, nullptr);
  ASSERT_TRUE(testutil::WaitUntil([&] { return hub->opened.load() == 1; }));
  EXPECT_TRUE(UnregisterDeviceNotification(reg));
  EXPECT_TRUE(wnd.seen.empty());
}

TEST_F(DeviceNotifyTest, SystemSourceStartsAndStops) {
  // The machine's own udev monitor (or none, in a container): either way no error and no hang.
  platform::SetDeviceEventSourceFactory({});
  PlugWnd wnd;
  ASSERT_TRUE(wnd.Make());
  HDEVNOTIFY reg = RegisterDeviceNotification(wnd.GetSafeHwnd(), nullptr, 0);
  ASSERT_NE(reg, nullptr);
  EXPECT_TRUE(UnregisterDeviceNotification(reg));
}

}  // namespace
