// Serial port enumeration: which tty devices count as ports, the list with the registry's virtual
// ports, and the sync of the real ports into the SERIALCOMM key.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "fake_sysfs.h"
#include "platform/portenum.h"
#include "platform/registry.h"
#include "qt_app.h"

namespace fs = std::filesystem;

namespace {

const wchar_t kSerialComm[] = L"HARDWARE\\DEVICEMAP\\SERIALCOMM";

platform::TtyDeviceFacts UbloxAcm() {
  platform::TtyDeviceFacts f;
  f.name = "ttyACM0";
  f.devNode = "/dev/ttyACM0";
  f.parentDriver = "cdc_acm";
  f.vendorId = 0x1546;
  f.productId = 0x01a8;
  f.interfaceNumber = 0;
  f.manufacturer = "u-blox AG";
  f.product = "u-blox GNSS receiver";
  return f;
}

platform::TtyDeviceFacts Plain(const char* name, const char* driver, int serialType) {
  platform::TtyDeviceFacts f;
  f.name = name;
  f.devNode = CString("/dev/") + CString(name);
  f.parentDriver = driver;
  f.serialType = serialType;
  return f;
}

class PortEnumTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testsupport::EnsureApp();
    std::string pattern = (fs::temp_directory_path() / "portenum-test-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    m_dir = pattern;
    platform::SetRegistryPath(CString(QString::fromStdString(m_dir + "/registry.txt")));
  }
  void TearDown() override {
    platform::SetTtyDeviceLister({});
    platform::SetRegistryPath(CString());
    std::error_code ignored;
    fs::remove_all(m_dir, ignored);
  }
  void UseDevices(std::vector<platform::TtyDeviceFacts> devices) {
    platform::SetTtyDeviceLister([devices] { return devices; });
  }
  static std::vector<CString> Names(const std::vector<platform::SerialPortInfo>& ports) {
    std::vector<CString> names;
    for (const auto& p : ports) names.push_back(p.name);
    return names;
  }
  static std::vector<std::pair<CString, CString>> SerialComm() {
    return platform::reg::EnumStrings(HKEY_LOCAL_MACHINE, kSerialComm);
  }
  std::string m_dir;
};

TEST(PortEnumFilter, KeepsOnlyTtysWithANodeADriverAndAPort) {
  struct Case {
    const char* what;
    platform::TtyDeviceFacts facts;
    bool usable;
  };
  platform::TtyDeviceFacts noNode = UbloxAcm();
  noNode.devNode = CString();
  const Case cases[] = {
      {"USB ACM port", UbloxAcm(), true},
      {"USB serial converter", Plain("ttyUSB0", "ftdi_sio", -1), true},
      {"8250 port with a UART", Plain("ttyS0", "serial8250", 4), true},
      {"PCI port without type attribute", Plain("ttyS4", "serial", -1), true},
      {"unconnected 8250 slot", Plain("ttyS17", "serial8250", 0), false},
      {"virtual console (no parent driver)", Plain("tty3", "", -1), false},
      {"device without a node", noNode, false},
  };
  for (const Case& c : cases) EXPECT_EQ(platform::IsUsableSerialPort(c.facts), c.usable) << c.what;
}

TEST_F(PortEnumTest, ListsRealPortsInNameOrderThenVirtualOnes) {
  UseDevices({Plain("ttyUSB10", "pl2303", -1), UbloxAcm(), Plain("ttyS31", "serial8250", 0),
              Plain("ttyUSB2", "ftdi_sio", -1), Plain("tty1", "", -1)});
  ASSERT_TRUE(platform::reg::SetString(HKEY_LOCAL_MACHINE, kSerialComm, L"\\Device\\DevSim42_0", L"pts/7"));

  const auto ports = platform::EnumerateSerialPorts();
  ASSERT_EQ(Names(ports), (std::vector<CString>{"ttyACM0", "ttyUSB2", "ttyUSB10", "pts/7"}));

  const platform::SerialPortInfo& usb = ports[0];
  EXPECT_EQ(usb.devicePath, CString("/dev/ttyACM0"));
  EXPECT_EQ(usb.vendorId, 0x1546);
  EXPECT_EQ(usb.productId, 0x01a8);
  EXPECT_EQ(usb.interfaceNumber, 0);
  EXPECT_EQ(usb.driver, CString("cdc_acm"));
  EXPECT_EQ(usb.manufacturer, CString("u-blox AG"));
  EXPECT_EQ(usb.product, CString("u-blox GNSS receiver"));
  EXPECT_EQ(usb.description, CString("u-blox AG u-blox GNSS receiver (ttyACM0)"));
  EXPECT_TRUE(usb.isUsb);
  EXPECT_FALSE(usb.isVirtual);

  EXPECT_FALSE(ports[1].isUsb);
  EXPECT_EQ(ports[1].vendorId, -1);
  EXPECT_EQ(ports[1].description, CString("Serial Port (ttyUSB2)"));

  const platform::SerialPortInfo& pty = ports[3];
  EXPECT_TRUE(pty.isVirtual);
  EXPECT_EQ(pty.devicePath, CString("/dev/pts/7"));
  EXPECT_EQ(pty.vendorId, -1);
  EXPECT_EQ(pty.description, CString("Virtual Serial Port (pts/7)"));
}

TEST_F(PortEnumTest, WithoutDevicesOrRegistryGivesWhatThereIs) {
  UseDevices({});
  EXPECT_TRUE(platform::EnumerateSerialPorts().empty());  // no key at all
  ASSERT_TRUE(platform::reg::SetString(HKEY_LOCAL_MACHINE, kSerialComm, L"\\Device\\Sim", L"pts/3"));
  ASSERT_TRUE(platform::reg::SetString(HKEY_LOCAL_MACHINE, kSerialComm, L"\\Device\\Empty", L""));
  ASSERT_TRUE(platform::reg::SetDword(HKEY_LOCAL_MACHINE, kSerialComm, L"\\Device\\Number", 5));
  EXPECT_EQ(Names(platform::EnumerateSerialPorts()), (std::vector<CString>{"pts/3"}));
}

TEST_F(PortEnumTest, BrokenRegistryFileStillListsRealPorts) {
  UseDevices({UbloxAcm()});
  {
    FILE* f = fopen((m_dir + "/registry.txt").c_str(), "wb");
    ASSERT_NE(f, nullptr);
    fputs("\x01\x02 not a registry [[[\n", f);
    fclose(f);
  }
  EXPECT_EQ(Names(platform::EnumerateSerialPorts()), (std::vector<CString>{"ttyACM0"}));
}

TEST_F(PortEnumTest, SyncAddsRealKeepsVirtualRemovesStale) {
  UseDevices({UbloxAcm(), Plain("ttyS0", "serial8250", 4), Plain("ttyS1", "serial8250", 0)});
  ASSERT_TRUE(platform::reg::SetString(HKEY_LOCAL_MACHINE, kSerialComm, L"\\Device\\DevSim42_0", L"pts/7"));
  ASSERT_TRUE(platform::reg::SetString(HKEY_LOCAL_MACHINE, kSerialComm, L"\\Device\\ttyUSB9", L"ttyUSB9"));
  ASSERT_TRUE(platform::reg::SetString(HKEY_LOCAL_MACHINE, kSerialComm, L"\\Device\\ttyS0", L"ttyS0"));
  // Another program's entry that happens to name a tty: not of the synced form, so not touched.
  ASSERT_TRUE(platform::reg::SetString(HKEY_LOCAL_MACHINE, kSerialComm, L"\\Device\\Bridge0", L"ttyV0"));

  ASSERT_TRUE(platform::SyncSerialCommKey());
  const std::vector<std::pair<CString, CString>> want = {
      {"\\Device\\DevSim42_0", "pts/7"},
      {"\\Device\\ttyS0", "ttyS0"},
      {"\\Device\\Bridge0", "ttyV0"},
      {"\\Device\\ttyACM0", "ttyACM0"},
  };
  EXPECT_EQ(SerialComm(), want);

  // Synced entries are not listed a second time, and a second sync changes nothing.
  EXPECT_EQ(Names(platform::EnumerateSerialPorts()),
            (std::vector<CString>{"ttyACM0", "ttyS0", "pts/7", "ttyV0"}));
  ASSERT_TRUE(platform::SyncSerialCommKey());
  EXPECT_EQ(SerialComm(), want);

  // Unplugged: its entry goes, the others stay.
  UseDevices({Plain("ttyS0", "serial8250", 4)});
  ASSERT_TRUE(platform::SyncSerialCommKey());
  EXPECT_EQ(SerialComm(), (std::vector<std::pair<CString, CString>>{
                              {"\\Device\\DevSim42_0", "pts/7"},
                              {"\\Device\\ttyS0", "ttyS0"},
                              {"\\Device\\Bridge0", "ttyV0"},
                          }));
}

TEST_F(PortEnumTest, VirtualEntryNamingARealPortIsListedOnce) {
  UseDevices({UbloxAcm()});
  ASSERT_TRUE(platform::reg::SetString(HKEY_LOCAL_MACHINE, kSerialComm, L"\\Device\\Other", L"ttyACM0"));
  const auto ports = platform::EnumerateSerialPorts();
  ASSERT_EQ(Names(ports), (std::vector<CString>{"ttyACM0"}));
  EXPECT_FALSE(ports[0].isVirtual);
}

// The ports of one multi-port USB device read from a sysfs tree: all share the device's vendor and
// product strings, and the caption of each names its own interface.
TEST_F(PortEnumTest, PortsOfOneUsbDeviceAreCaptionedByTheirInterfaces) {
  testsupport::FakeSysfs sys(m_dir + "/sys");
  sys.AddQuectelModem("1-2", {"DM Port", "NMEA Port", "AT Port", "Modem"});
  sys.AddUsbDevice("1-3", "1546", "01a8", "u-blox AG", "u-blox GNSS receiver", {{"ttyACM0", 0, "", "cdc_acm"}});
  sys.AddVirtualTty("tty1");
  const std::vector<platform::TtyDeviceFacts> facts = platform::ListSysfsTtyDevices(CString::FromUtf8(sys.Root()));
  UseDevices(facts);
  const auto ports = platform::EnumerateSerialPorts();
  ASSERT_EQ(Names(ports), (std::vector<CString>{"ttyACM0", "ttyUSB0", "ttyUSB1", "ttyUSB2", "ttyUSB3"}));
  struct Row {
    const char* caption;
    const char* driver;
    int interfaceNumber;
  };
  const Row rows[] = {
      {"u-blox AG u-blox GNSS receiver (ttyACM0)", "cdc_acm", 0},
      {"Quectel EC200U-CN DM Port (ttyUSB0)", "option1", 0},
      {"Quectel EC200U-CN NMEA Port (ttyUSB1)", "option1", 1},
      {"Quectel EC200U-CN AT Port (ttyUSB2)", "option1", 2},
      {"Quectel EC200U-CN Modem (ttyUSB3)", "option1", 3},
  };
  for (size_t i = 0; i < ports.size(); ++i) {
    SCOPED_TRACE(rows[i].caption);
    EXPECT_EQ(ports[i].description, CString(rows[i].caption));
    EXPECT_EQ(ports[i].driver, CString(rows[i].driver));
    EXPECT_EQ(ports[i].interfaceNumber, rows[i].interfaceNumber);
    EXPECT_EQ(ports[i].devicePath, CString("/dev/") + ports[i].name);
    EXPECT_TRUE(ports[i].isUsb);
  }
  EXPECT_EQ(ports[4].vendorId, 0x2C7C);
  EXPECT_EQ(ports[4].productId, 0x0700);
}

TEST_F(PortEnumTest, SystemListIsWellFormed) {
  // Whatever this machine has (possibly nothing): every port has a name and a path below /dev.
  for (const platform::SerialPortInfo& p : platform::EnumerateSerialPorts()) {
    EXPECT_FALSE(p.name.IsEmpty());
    EXPECT_EQ(p.devicePath.Left(5), CString("/dev/")) << p.devicePath;
    EXPECT_EQ(p.isUsb, p.vendorId >= 0) << p.name;
  }
  EXPECT_TRUE(platform::SyncSerialCommKey());
}

}  // namespace
