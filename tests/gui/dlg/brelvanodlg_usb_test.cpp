// The main window's port selector and USB plug handling: the selector's items at start, the
// registration for plug events, the reconnect after a supported device is plugged in (with the
// port and modem tunnel the search decides) and the session end after it is unplugged.
#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <mutex>
#include <vector>

#include "../../object/rs232/rs232_fixture.h"
#include "../../platform/qt_app.h"
#include "../../platform/wait_util.h"
#include "gui/dlg/brelvanodlg.h"
#include "platform/clock.h"
#include "platform/modal.h"
#include "platform/registry.h"
#include "platform/wnd.h"
#include "resources/programresources.h"
#include "session_trace.h"
#include "temp_folder.h"

namespace {

using platform::DeviceAction;
using platform::DeviceEvent;

// Plug events pushed by the test come out of the fake source on the notification worker.
struct PlugHub {
  PlugHub() { EXPECT_EQ(pipe2(fds, O_CLOEXEC | O_NONBLOCK), 0); }
  ~PlugHub() {
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
};

class PlugSource : public platform::DeviceEventSource {
 public:
  explicit PlugSource(std::shared_ptr<PlugHub> hub) : m_hub(std::move(hub)) {}
  bool Open() override { return true; }
  int PollFd() const override { return m_hub->fds[0]; }
  bool Read(DeviceEvent& event) override {
    char buf[64];
    while (read(m_hub->fds[0], buf, sizeof buf) > 0) {
    }
    std::lock_guard<std::mutex> lock(m_hub->mutex);
    if (m_hub->queue.empty()) return false;
    event = m_hub->queue.front();
    m_hub->queue.pop_front();
    return true;
  }

 private:
  std::shared_ptr<PlugHub> m_hub;
};

// The four ports of a Quectel module (interface 3 is its modem) and a plain CDC device.
std::vector<platform::TtyDeviceFacts> QuectelModule() {
  return {rs232test::UsbTty("ttyUSB0", "option", 0x2C7C, 0x0700, 0),
          rs232test::UsbTty("ttyUSB1", "option", 0x2C7C, 0x0700, 1),
          rs232test::UsbTty("ttyUSB2", "option", 0x2C7C, 0x0700, 2),
          rs232test::UsbTty("ttyUSB3", "option", 0x2C7C, 0x0700, 3, "Quectel USB Modem")};
}
std::vector<platform::TtyDeviceFacts> CdcDevice() {
  return {rs232test::UsbTty("ttyACM0", "cdc_acm", 0x0483, 0x5740, 0)};
}

DEV_BROADCAST_DEVICEINTERFACE Interface(const wchar_t* name) {
  DEV_BROADCAST_DEVICEINTERFACE b = {};
  b.dbcc_size = sizeof b;
  b.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
  b.dbcc_classguid = GUID_DEVINTERFACE_USB_DEVICE;
  wcsncpy(b.dbcc_name, name, DBT_NAME_CHARS - 1);
  return b;
}

DEV_BROADCAST_PORT Port(const wchar_t* name) {
  DEV_BROADCAST_PORT b = {};
  b.dbcp_size = sizeof b;
  b.dbcp_devicetype = DBT_DEVTYP_PORT;
  wcsncpy(b.dbcp_name, name, DBT_NAME_CHARS - 1);
  return b;
}

const wchar_t kQuectelName[] = L"\\\\?\\USB#VID_2C7C&PID_0700#1-2#{a5dcbf10-6530-11d2-901f-00c04fb951ed}";
const wchar_t kQuectelLower[] = L"\\\\?\\usb#vid_2c7c&pid_0700#1-2#{a5dcbf10-6530-11d2-901f-00c04fb951ed}";
const wchar_t kCdcName[] = L"\\\\?\\USB#VID_0483&PID_5740#1-3#{a5dcbf10-6530-11d2-901f-00c04fb951ed}";
const wchar_t kOtherName[] = L"\\\\?\\USB#VID_1546&PID_01A8#1-4#{a5dcbf10-6530-11d2-901f-00c04fb951ed}";

class UsbPlugTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testsupport::EnsureApp();
    platform::SetGuiThread();
    ASSERT_TRUE(m_folder.Ok());
    m_folder.Enter();
    platform::SetRegistryPath(m_folder.CPath("registry.txt"));
    brelvano::RegisterProgramResources();
    platform::ModalService::Instance().InstallScript();
    platform::ModalService::Instance().SetUnexpectedHandler([](const platform::ModalRecord& r) {
      ADD_FAILURE() << "unexpected modal request: " << platform::DescribeModalRecord(r);
    });
    UseDevices({});
    m_hub = std::make_shared<PlugHub>();
    std::shared_ptr<PlugHub> hub = m_hub;
    platform::SetDeviceEventSourceFactory([hub] { return std::make_unique<PlugSource>(hub); });
    platform::SetClock(&m_clock);
  }
  void TearDown() override {
    m_dlg.reset();
    platform::SetClock(nullptr);
    platform::SetDeviceEventSourceFactory({});
    platform::SetTtyDeviceLister({});
    platform::ModalService::Instance().UninstallScript();
    platform::SetRegistryPath(CString());
  }

  static void UseDevices(std::vector<platform::TtyDeviceFacts> devices) {
    platform::SetTtyDeviceLister([devices] { return devices; });
  }

  CBrelvanoDlg* Open() {
    m_dlg = std::make_unique<CBrelvanoDlg>();
    EXPECT_TRUE(m_dlg->Create(IDD_BRELVANO_DIALOG));
    return m_dlg.get();
  }

  void Elapse(uint64_t ms) {
    m_clock.Advance(ms);
    platform::PumpPendingEvents();
  }

  void Send(UINT event, const void* record) {
    m_dlg->SendMessage(WM_DEVICECHANGE, event, reinterpret_cast<LPARAM>(record));
  }

  std::vector<CString> CallNames() const { return m_trace.Names(); }

  testsupport::TempFolder m_folder;
  testsupport::SessionTrace m_trace;
  platform::ManualClock m_clock{1000};
  std::shared_ptr<PlugHub> m_hub;
  std::unique_ptr<CBrelvanoDlg> m_dlg;
};

TEST_F(UsbPlugTest, SelectorListsSearchUsbAndThePortsWithUsbChosen) {
  std::vector<platform::TtyDeviceFacts> devices = CdcDevice();
  for (const auto& f : QuectelModule()) devices.push_back(f);
  UseDevices(devices);
  CBrelvanoDlg* dlg = Open();

  std::vector<CString> items;
  for (int i = 0; i < dlg->m_comboPort.GetCount(); ++i) {
    CString text;
    dlg->m_comboPort.GetLBText(i, text);
    items.push_back(text);
  }
  ASSERT_EQ(items.size(), 7u);
  EXPECT_EQ(items[0], CString(L"SEARCH.."));
  EXPECT_EQ(items[1], CString(L"USB"));
  for (const wchar_t* port : {L"ttyACM0", L"ttyUSB0", L"ttyUSB1", L"ttyUSB2", L"ttyUSB3"})
    EXPECT_EQ(std::count(items.begin() + 2, items.end(), CString(port)), 1) << CString(port).ToUtf8();
  EXPECT_EQ(dlg->m_comboPort.GetCurSel(), 1);
}

TEST_F(UsbPlugTest, WindowListensForPlugEventsWhileItExists) {
  CBrelvanoDlg* dlg = Open();
  for (HDEVNOTIFY handle : dlg->m_hDeviceNotify) EXPECT_NE(handle, nullptr);
  EXPECT_TRUE(platform::DeviceNotifyWorkerRunning());
  m_dlg.reset();
  EXPECT_FALSE(platform::DeviceNotifyWorkerRunning());
}

TEST_F(UsbPlugTest, PlugInWhileWaitingForTheDeviceReconnectsOnceItsPortIsThere) {
  CBrelvanoDlg* dlg = Open();
  dlg->m_bUsbReconnect = TRUE;  // Connect with "USB" found no port

  // The plug event comes from the event source before the tty devices are set up.
  DeviceEvent plug;
  plug.action = DeviceAction::Arrival;
  plug.name = L"1-2";
  plug.vendorId = 0x2C7C;
  plug.productId = 0x0700;
  m_hub->Push(plug);
  ASSERT_TRUE(testutil::WaitUntil([&] {
    platform::PumpPendingEvents();
    return dlg->m_bBusy == TRUE;
  }));

  Elapse(USB_RECONNECT_MS);
  EXPECT_TRUE(m_trace.Steps().empty()) << "no port yet: the search goes on";
  EXPECT_TRUE(dlg->m_bBusy);

  UseDevices(QuectelModule());
  // The module's port is only listed here: opening it fails, and says so.
  platform::ModalService::Instance().ExpectMessageBox(IDOK);
  Elapse(USB_RECONNECT_MS);
  EXPECT_EQ(m_trace.Steps(), std::vector<CString>{L"Connect /dev/ttyUSB3 tunnel on"});
  EXPECT_FALSE(dlg->m_bBusy);

  Elapse(USB_RECONNECT_MS * 3);
  EXPECT_EQ(m_trace.Steps().size(), 1u) << "the reconnect timer stops once it has connected";
}

TEST_F(UsbPlugTest, ArrivalDecisions) {
  const DEV_BROADCAST_DEVICEINTERFACE quectel = Interface(kQuectelName);
  const DEV_BROADCAST_DEVICEINTERFACE quectelLower = Interface(kQuectelLower);
  const DEV_BROADCAST_DEVICEINTERFACE cdc = Interface(kCdcName);
  const DEV_BROADCAST_DEVICEINTERFACE other = Interface(kOtherName);
  const DEV_BROADCAST_PORT port = Port(L"ttyUSB3");
  struct Case {
    const char* what;
    const void* record;
    std::vector<platform::TtyDeviceFacts> devices;
    BOOL usbReconnect;
    BOOL portOpen;
    BOOL openMode;
    const wchar_t* call;  // null: nothing happens
    const wchar_t* path;
    BOOL tunnel;
  };
  const Case cases[] = {
      {"quectel module: its modem port, tunnel on", &quectel, QuectelModule(), TRUE, FALSE, FALSE, L"Connect",
       L"/dev/ttyUSB3", TRUE},
      {"lower-case name", &quectelLower, QuectelModule(), TRUE, FALSE, FALSE, L"Connect", L"/dev/ttyUSB3", TRUE},
      {"plain device: tunnel off", &cdc, CdcDevice(), TRUE, FALSE, FALSE, L"Connect", L"/dev/ttyACM0", FALSE},
      {"open mode presses Open", &cdc, CdcDevice(), TRUE, FALSE, TRUE, L"Open", L"/dev/ttyACM0", FALSE},
      {"unsupported device", &other, CdcDevice(), TRUE, FALSE, FALSE, nullptr, nullptr, FALSE},
      {"port broadcast", &port, QuectelModule(), TRUE, FALSE, FALSE, nullptr, nullptr, FALSE},
      {"no record", nullptr, QuectelModule(), TRUE, FALSE, FALSE, nullptr, nullptr, FALSE},
      {"a named port was chosen", &quectel, QuectelModule(), FALSE, FALSE, FALSE, nullptr, nullptr, FALSE},
      {"session already running", &quectel, QuectelModule(), TRUE, TRUE, FALSE, nullptr, nullptr, FALSE},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    UseDevices(c.devices);
    CBrelvanoDlg* dlg = Open();
    dlg->m_bUsbReconnect = c.usbReconnect;
    dlg->m_bPortOpen = c.portOpen;
    dlg->m_bOpenMode = c.openMode;
    // Registered for four classes, the window may get one plug-in several times.
    for (int i = 0; i < 4; ++i) Send(DBT_DEVICEARRIVAL, c.record);
    EXPECT_EQ(dlg->m_bBusy, c.call != nullptr ? TRUE : FALSE);
    // The listed ports are not there to open (Connect reports it); Open asks for a definition
    // file first, and is cancelled.
    if (c.call != nullptr && CString(c.call) == L"Connect") platform::ModalService::Instance().ExpectMessageBox(IDOK);
    if (c.call != nullptr && CString(c.call) == L"Open") platform::ModalService::Instance().ExpectFileDialog(CString());
    m_trace.Clear();
    Elapse(USB_RECONNECT_MS - 1);
    EXPECT_TRUE(m_trace.Steps().empty());
    Elapse(1);
    if (c.call == nullptr) {
      EXPECT_TRUE(m_trace.Steps().empty());
    } else {
      ASSERT_FALSE(m_trace.Steps().empty());
      EXPECT_EQ(m_trace.Steps()[0],
                CString(c.call) + L" " + CString(c.path) + (c.tunnel ? L" tunnel on" : L" tunnel off"));
    }
    EXPECT_FALSE(dlg->m_bBusy);
    m_dlg.reset();
  }
}

TEST_F(UsbPlugTest, RemovalDecisions) {
  const DEV_BROADCAST_DEVICEINTERFACE quectel = Interface(kQuectelName);
  const DEV_BROADCAST_DEVICEINTERFACE quectelLower = Interface(kQuectelLower);
  const DEV_BROADCAST_DEVICEINTERFACE other = Interface(kOtherName);
  const DEV_BROADCAST_PORT port = Port(L"ttyUSB3");
  struct Case {
    const char* what;
    UINT event;
    const void* record;
    BOOL portOpen;
    bool endsSession;
  };
  const Case cases[] = {
      {"open device unplugged", DBT_DEVICEREMOVECOMPLETE, &quectel, TRUE, true},
      {"lower-case name", DBT_DEVICEREMOVECOMPLETE, &quectelLower, TRUE, true},
      {"no port open", DBT_DEVICEREMOVECOMPLETE, &quectel, FALSE, false},
      {"unsupported device", DBT_DEVICEREMOVECOMPLETE, &other, TRUE, false},
      {"port broadcast", DBT_DEVICEREMOVECOMPLETE, &port, TRUE, false},
      {"no record", DBT_DEVICEREMOVECOMPLETE, nullptr, TRUE, false},
      {"nodes changed", DBT_DEVNODES_CHANGED, nullptr, TRUE, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CBrelvanoDlg* dlg = Open();
    dlg->m_bPortOpen = c.portOpen;
    m_trace.Clear();
    Send(c.event, c.record);
    Elapse(USB_REMOVED_MS - 1);
    EXPECT_TRUE(m_trace.Steps().empty());
    Elapse(1);
    EXPECT_EQ(CallNames(), c.endsSession ? std::vector<CString>{L"EndSession"} : std::vector<CString>{});
    Elapse(USB_REMOVED_MS * 3);
    EXPECT_EQ(m_trace.Steps().size(), c.endsSession ? 1u : 0u) << "the session ends once";
    m_dlg.reset();
  }
}

TEST_F(UsbPlugTest, RemovalCheckNeverEndsALaterSession) {
  CBrelvanoDlg* dlg = Open();
  dlg->m_bPortOpen = TRUE;
  const DEV_BROADCAST_DEVICEINTERFACE quectel = Interface(kQuectelName);
  Send(DBT_DEVICEREMOVECOMPLETE, &quectel);
  dlg->m_bPortOpen = FALSE;  // the port closed by itself before the check
  Elapse(USB_REMOVED_MS);
  dlg->m_bPortOpen = TRUE;  // a new session after the device came back
  m_trace.Clear();
  Elapse(USB_REMOVED_MS * 5);
  EXPECT_TRUE(m_trace.Steps().empty());
}

}  // namespace
