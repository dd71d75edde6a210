// The device port search over the port list, the modem tunnel decision for a port chosen by name,
// and the recognition of the supported devices in plug broadcasts.
#include "object/rs232/usbports.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "rs232_fixture.h"

namespace {

const int kMtk = 0x0E8D, kMtkProduct = 0x0023;
const int kStm = 0x0483, kStmProduct = 0x5740;
const int kQuectel = 0x2C7C, kQuectelProduct = 0x0700;

platform::SerialPortInfo Port(const char* name, int vendorId, int productId, int interfaceNumber = 0,
                              const char* product = "") {
  platform::SerialPortInfo p;
  p.name = name;
  p.devicePath = CString("/dev/") + CString(name);
  p.vendorId = vendorId;
  p.productId = productId;
  p.interfaceNumber = interfaceNumber;
  p.product = product;
  p.isUsb = vendorId >= 0;
  p.description = (*product ? CString(product) : CString("USB Serial Device")) + CString(" (") + p.name + CString(")");
  return p;
}

platform::SerialPortInfo Virtual(const char* name, int vendorId, int productId) {
  platform::SerialPortInfo p = Port(name, vendorId, productId);
  p.isVirtual = true;
  return p;
}

// A Quectel module's four ports: diagnostics, NMEA, AT and modem.
std::vector<platform::SerialPortInfo> QuectelModule(int firstNumber) {
  std::vector<platform::SerialPortInfo> ports;
  for (int i = 0; i < 4; ++i) {
    const std::string name = "ttyUSB" + std::to_string(firstNumber + i);
    ports.push_back(Port(name.c_str(), kQuectel, kQuectelProduct, i));
  }
  return ports;
}

std::vector<platform::SerialPortInfo> Join(std::vector<platform::SerialPortInfo> a,
                                           const std::vector<platform::SerialPortInfo>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TEST(UsbPortSearch, PicksTheDevicePortByTheRules) {
  struct Case {
    const char* what;
    std::vector<platform::SerialPortInfo> ports;
    const char* expected;  // empty: none
    bool tunnel;
  };
  const Case cases[] = {
      {"no ports", {}, "", false},
      {"the highest of two supported ports",
       {Port("ttyACM2", kStm, kStmProduct), Port("ttyACM10", kStm, kStmProduct)}, "ttyACM10", false},
      {"unsupported ids are ignored",
       {Port("ttyUSB0", 0x0403, 0x6001), Port("ttyUSB9", kStm, 0x5741), Port("ttyUSB8", 0x0484, kStmProduct)}, "", false},
      {"supported port besides a higher unsupported one",
       {Port("ttyACM0", kMtk, kMtkProduct), Port("ttyUSB9", 0x0403, 0x6001)}, "ttyACM0", false},
      {"virtual port with supported ids", {Virtual("pts/7", kStm, kStmProduct)}, "", false},
      {"the Quectel modem port wins and tunnels", Join({Port("ttyACM7", kStm, kStmProduct)}, QuectelModule(0)),
       "ttyUSB3", true},
      {"the Quectel modem wins over another modem",
       Join({Port("ttyACM0", kStm, kStmProduct, 0, "Tracker Modem")}, QuectelModule(4)), "ttyUSB7", true},
      {"another modem wins without tunnel",
       {Port("ttyACM0", kStm, kStmProduct, 1, "Tracker Modem"), Port("ttyACM3", kStm, kStmProduct)}, "ttyACM0", false},
      {"the only port is a debug port", {Port("ttyACM7", kMtk, kMtkProduct, 0, "MediaTek Debug Port")}, "", false},
      {"a debug port is passed over",
       {Port("ttyACM1", kMtk, kMtkProduct, 0), Port("ttyACM2", kMtk, kMtkProduct, 1, "debug")}, "ttyACM1", false},
      {"a Quectel module without its modem port",
       {Port("ttyUSB0", kQuectel, kQuectelProduct, 0), Port("ttyUSB2", kQuectel, kQuectelProduct, 2)}, "ttyUSB2",
       false},
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

TEST(UsbPortSearch, TunnelForANamedPortOnlyOnTheQuectelModemPort) {
  const auto ports = Join({Port("ttyACM0", kStm, kStmProduct, 0, "Tracker Modem"), Port("ttyS0", -1, -1)},
                          QuectelModule(0));
  struct Case {
    const wchar_t* name;
    bool tunnel;
  };
  const Case cases[] = {{L"ttyUSB3", true},  {L"ttyUSB2", false}, {L"ttyUSB0", false},
                        {L"ttyACM0", false}, {L"ttyS0", false},   {L"pts/7", false}};
  for (const Case& c : cases) EXPECT_EQ(DetectModemPort(c.name, ports), c.tunnel) << CString(c.name).ToUtf8();
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
