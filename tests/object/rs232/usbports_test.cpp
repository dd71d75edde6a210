// The device port search over the port list, the modem tunnel decision for a port chosen by name,
// and the recognition of the supported devices in plug broadcasts.
#include "object/rs232/usbports.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <stdlib.h>
#include <string>
#include <vector>

#include "../../platform/fake_sysfs.h"
#include "platform/portenum.h"
#include "rs232_fixture.h"

namespace {

const int kMtk = 0x0E8D, kMtkProduct = 0x0023;
const int kStm = 0x0483, kStmProduct = 0x5740;
const int kQuectel = 0x2C7C, kQuectelProduct = 0x0700;

// A port with its driver and its caption (the description; "USB Serial Device (name)" when none
// is given).
platform::SerialPortInfo Port(const char* name, const char* driver, const char* caption = "") {
  platform::SerialPortInfo p;
  p.name = name;
  p.devicePath = CString("/dev/") + CString(name);
  p.driver = driver;
  p.isUsb = std::strcmp(driver, "serial8250") != 0;
  p.description = *caption ? CString(caption) : CString("USB Serial Device (") + p.name + CString(")");
  return p;
}

platform::SerialPortInfo Virtual(const char* name) {
  platform::SerialPortInfo p = Port(name, "cdc_acm");
  p.isVirtual = true;
  return p;
}

// The supported modem as the machine lists it: four ports of one USB device on the option driver,
// told apart only by their interfaces. The search opens its modem port with the tunnel on.
TEST(UsbPortSearch, FindsTheModemPortOfAMultiPortDeviceReadFromSysfs) {
  std::string dir = (std::filesystem::temp_directory_path() / "usbports-test-XXXXXX").string();
  ASSERT_NE(mkdtemp(dir.data()), nullptr);
  testsupport::FakeSysfs sys(dir + "/sys");
  sys.AddQuectelModem("1-2", {"DM Port", "NMEA Port", "Modem", "AT Port"});
  const std::vector<platform::TtyDeviceFacts> facts = platform::ListSysfsTtyDevices(CString::FromUtf8(sys.Root()));
  platform::SetTtyDeviceLister([facts] { return facts; });
  const std::optional<UsbPortChoice> choice = FindUsbSerialPort();
  platform::SetTtyDeviceLister({});
  std::error_code ignored;
  std::filesystem::remove_all(dir, ignored);
  ASSERT_TRUE(choice.has_value()) << "the search finds the device";
  EXPECT_EQ(choice->port.name, CString("ttyUSB2")) << "its modem interface";
  EXPECT_TRUE(choice->modemTunnel);
}

TEST(UsbPortSearch, PicksTheDevicePortByTheCaptionRules) {
  struct Case {
    const char* what;
    std::vector<platform::SerialPortInfo> ports;
    const char* expected;  // empty: none
    bool tunnel;
  };
  const Case cases[] = {
      {"no ports", {}, "", false},
      {"the highest of two USB serial ports", {Port("ttyACM3", "cdc_acm"), Port("ttyACM7", "cdc_acm")}, "ttyACM7",
       false},
      {"other drivers are no USB serial ports", {Port("ttyUSB0", "ftdi_sio"), Port("ttyS0", "serial8250")}, "", false},
      {"a virtual port is none", {Virtual("pts/7")}, "", false},
      {"a Quectel modem wins and tunnels",
       {Port("ttyUSB5", "option", "Quectel USB Modem (ttyUSB5)"), Port("ttyACM7", "cdc_acm")}, "ttyUSB5", true},
      {"the Quectel modem is found before a modem listed earlier",
       {Port("ttyACM0", "cdc_acm", "Generic MODEM (ttyACM0)"), Port("ttyUSB5", "option", "Quectel USB Modem (ttyUSB5)")},
       "ttyUSB5", true},
      {"a debug port is never used", {Port("ttyACM7", "cdc_acm", "USB DEBUG Port (ttyACM7)")}, "", false},
      {"a debug port that is another port changes nothing",
       {Port("ttyACM1", "cdc_acm"), Port("ttyUSB2", "option", "Debug Port (ttyUSB2)")}, "ttyACM1", false},
      {"a modem without a USB serial port", {Port("ttyUSB123", "option", "Acme Modem (ttyUSB123)")}, "ttyUSB123",
       false},
      {"another modem wins without the tunnel",
       {Port("ttyACM7", "cdc_acm"), Port("ttyUSB4", "option", "Generic MODEM (ttyUSB4)")}, "ttyUSB4", false},
      {"a Quectel port that is no modem is passed over",
       {Port("ttyACM7", "cdc_acm"), Port("ttyUSB1", "option", "Quectel NMEA Port (ttyUSB1)")}, "ttyACM7", false},
  };
  for (const Case& c : cases) {
    const auto choice = FindUsbSerialPort(c.ports);
    if (*c.expected == '\0') {
      EXPECT_FALSE(choice.has_value()) << c.what;
      continue;
    }
    ASSERT_TRUE(choice.has_value()) << c.what;
    EXPECT_EQ(choice->port.name, CString(c.expected)) << c.what;
    EXPECT_EQ(choice->port.devicePath, CString("/dev/") + CString(c.expected)) << c.what;
    EXPECT_EQ(choice->modemTunnel, c.tunnel) << c.what;
  }
}

class UsbPortMachine : public rs232test::PortFixture {};

TEST_F(UsbPortMachine, SearchReadsThePortsOfTheMachine) {
  EXPECT_FALSE(FindUsbSerialPort().has_value());
  UseDevices({rs232test::UsbTty("ttyUSB0", "ftdi_sio", 0x0403, 0x6001, 0),
              rs232test::UsbTty("ttyACM0", "cdc_acm", kStm, kStmProduct, 0)});
  AddVirtual(L"\\Device\\DevSim42_0", L"pts/7");
  const auto choice = FindUsbSerialPort();
  ASSERT_TRUE(choice.has_value());
  EXPECT_EQ(choice->port.name, CString("ttyACM0"));
  EXPECT_FALSE(choice->modemTunnel);
}

TEST(UsbPortSearch, AnyQuectelModemTunnelsTheNamedPort) {
  struct Case {
    const char* what;
    std::vector<platform::SerialPortInfo> ports;
    bool tunnel;
  };
  const Case cases[] = {
      {"a Quectel modem elsewhere", {Port("ttyACM0", "cdc_acm"), Port("ttyUSB3", "option", "Quectel USB Modem (ttyUSB3)")},
       true},
      {"another modem first", {Port("ttyUSB3", "option", "Quectel USB Modem (ttyUSB3)"), Port("ttyACM0", "cdc_acm", "Generic Modem (ttyACM0)")},
       true},
      {"only another modem", {Port("ttyACM0", "cdc_acm", "Generic Modem (ttyACM0)")}, false},
      {"no modem", {Port("ttyACM0", "cdc_acm"), Port("ttyS0", "serial8250")}, false},
  };
  for (const Case& c : cases) EXPECT_EQ(DetectModemPort(L"ttyACM0", c.ports), c.tunnel) << c.what;
}

TEST(UsbIds, TableAndTexts) {
  std::vector<CString> texts;
  for (const SupportedUsbId& id : SupportedUsbIds()) {
    EXPECT_TRUE(IsSupportedUsbId(id.vendorId, id.productId));
    texts.push_back(UsbIdText(id));
  }
  EXPECT_EQ(texts, (std::vector<CString>{"USB#VID_0E8D&PID_0023", "USB#VID_0483&PID_5740", "USB#VID_2C7C&PID_0700"}));
  EXPECT_FALSE(IsSupportedUsbId(kQuectel, kStmProduct));
  EXPECT_FALSE(IsSupportedUsbId(-1, -1));
}

DEV_BROADCAST_DEVICEINTERFACE Interface(const wchar_t* name) {
  DEV_BROADCAST_DEVICEINTERFACE b;
  std::memset(&b, 0, sizeof b);
  b.dbcc_size = sizeof b;
  b.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
  b.dbcc_classguid = GUID_DEVINTERFACE_USB_DEVICE;
  std::wcsncpy(b.dbcc_name, name, DBT_NAME_CHARS - 1);
  return b;
}

TEST(UsbPlugBroadcast, RecognisesSupportedDevicesIgnoringCase) {
  struct Case {
    const char* what;
    const wchar_t* name;
    bool supported;
  };
  const Case cases[] = {
      {"layer form", L"\\\\?\\USB#VID_2C7C&PID_0700#1-2#{a5dcbf10-6530-11d2-901f-00c04fb951ed}", true},
      {"lower case", L"\\\\?\\usb#vid_2c7c&pid_0700#1-2#{a5dcbf10-6530-11d2-901f-00c04fb951ed}", true},
      {"STM", L"\\\\?\\USB#VID_0483&PID_5740#3-1", true},
      {"MediaTek", L"\\\\?\\USB#VID_0E8D&PID_0023#1-1.4", true},
      {"unsupported product", L"\\\\?\\USB#VID_2C7C&PID_0125#1-2", false},
      {"unsupported vendor", L"\\\\?\\USB#VID_0403&PID_6001#1-2", false},
      {"empty name", L"", false},
  };
  for (const Case& c : cases) {
    DEV_BROADCAST_DEVICEINTERFACE b = Interface(c.name);
    EXPECT_EQ(IsSupportedUsbDevice(reinterpret_cast<DEV_BROADCAST_HDR*>(&b)), c.supported ? TRUE : FALSE) << c.what;
  }
}

TEST(UsbPlugBroadcast, OtherOrBrokenBroadcastsAreNotTheDevice) {
  EXPECT_FALSE(IsSupportedUsbDevice(nullptr));

  DEV_BROADCAST_PORT port;
  std::memset(&port, 0, sizeof port);
  port.dbcp_size = sizeof port;
  port.dbcp_devicetype = DBT_DEVTYP_PORT;
  std::wcsncpy(port.dbcp_name, L"USB#VID_2C7C&PID_0700", DBT_NAME_CHARS - 1);
  EXPECT_FALSE(IsSupportedUsbDevice(reinterpret_cast<DEV_BROADCAST_HDR*>(&port)));

  // A record too short to hold the name it would need.
  DEV_BROADCAST_DEVICEINTERFACE cut = Interface(L"USB#VID_2C7C&PID_0700");
  cut.dbcc_size = offsetof(DEV_BROADCAST_DEVICEINTERFACE, dbcc_name) + 8 * sizeof(wchar_t);
  EXPECT_FALSE(IsSupportedUsbDevice(reinterpret_cast<DEV_BROADCAST_HDR*>(&cut)));
  cut.dbcc_size = 4;
  EXPECT_FALSE(IsSupportedUsbDevice(reinterpret_cast<DEV_BROADCAST_HDR*>(&cut)));

  // A name that fills the record without an end is read up to the record's end only.
  DEV_BROADCAST_DEVICEINTERFACE full = Interface(L"");
  for (wchar_t& c : full.dbcc_name) c = L'X';
  const std::wstring tail = L"USB#VID_0483&PID_5740";
  std::wmemcpy(full.dbcc_name + DBT_NAME_CHARS - tail.size(), tail.data(), tail.size());
  EXPECT_TRUE(IsSupportedUsbDevice(reinterpret_cast<DEV_BROADCAST_HDR*>(&full)));
}

}  // namespace
