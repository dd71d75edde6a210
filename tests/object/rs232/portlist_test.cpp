// The COM port list: the device check's port list, the port selector's items and the readers of
// CModemInfo, on a fake machine (own registry, fake tty devices).
#include "object/rs232/portlist.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <vector>

#include "../../platform/qt_app.h"
#include "object/rs232/modeminfo.h"
#include "platform/controls.h"
#include "platform/registry.h"
#include "rs232_fixture.h"

namespace {

using rs232test::UsbTty;

std::vector<CString> PortNames(const CSerialDevice& device) {
  std::vector<CString> names;
  for (INT_PTR i = 0; i < device.Ports().GetSize(); ++i) {
    EXPECT_EQ(device.Ports()[i].nParam, PORT_TYPE_COM);
    names.push_back(device.Ports()[i].strPort);
  }
  return names;
}

class PortListTest : public rs232test::PortFixture {
 protected:
  void SetUp() override {
    rs232test::PortFixture::SetUp();
    testsupport::EnsureApp();
    ASSERT_TRUE(m_parent.Create(nullptr, L"", WS_POPUP, CRect(0, 0, 300, 200), nullptr, 0));
    ASSERT_TRUE(m_combo.Create(WS_CHILD | CBS_DROPDOWNLIST, CRect(0, 0, 150, 200), &m_parent, 1006));
  }
  void TearDown() override {
    if (m_combo.m_hWnd != nullptr) m_combo.DestroyWindow();
    if (m_parent.m_hWnd != nullptr) m_parent.DestroyWindow();
    rs232test::PortFixture::TearDown();
  }
  std::vector<CString> ComboItems() {
    std::vector<CString> items;
    for (int i = 0; i < m_combo.GetCount(); ++i) items.push_back(m_combo.GetLBText(i));
    return items;
  }
  CWnd m_parent;
  CComboBox m_combo;
};

TEST_F(PortListTest, SupportedUsbDeviceAndVirtualPortAreListedAndOffered) {
  UseDevices({UsbTty("ttyACM0", "cdc_acm", 0x0483, 0x5740, 0, "Tracker")});
  AddVirtual(L"\\Device\\DevSim42_0", L"pts/7");

  CSerialDevice device;
  EXPECT_EQ(device.CheckPorts(), 2);
  // The key's order: the simulated device registered its port before the real port was brought in.
  EXPECT_EQ(PortNames(device), (std::vector<CString>{"pts/7", "ttyACM0"}));

  EXPECT_EQ(ListedPortNames(), (std::vector<CString>{"pts/7", "ttyACM0"}));
}

TEST_F(PortListTest, EmptyMachineGivesTemplateItemsOnly) {
  CSerialDevice device;
  EXPECT_EQ(device.CheckPorts(), 1);
  EXPECT_EQ(device.Ports().GetSize(), 0);

  EXPECT_TRUE(ListedPortNames().empty());
}

TEST_F(PortListTest, UnreadableRegistryGivesTemplateItemsOnly) {
  // A folder where the registry file should be: nothing can be read or written there.
  const std::string folder = m_dir + "/registry-folder";
  std::filesystem::create_directory(folder);
  platform::SetRegistryPath(CString::FromUtf8(folder));
  UseDevices({UsbTty("ttyACM0", "cdc_acm", 0x0483, 0x5740, 0)});

  CSerialDevice device;
  EXPECT_EQ(device.CheckPorts(), 1);
  EXPECT_TRUE(ListedPortNames().empty());
}

// The device check and the selector take one port per entry of the key, as the key has them;
// entries that cannot be port names are in neither.
TEST_F(PortListTest, DuplicateEntriesAreOfferedAsTheKeyHasThemAndBrokenOnesNotAtAll) {
  UseDevices({UsbTty("ttyUSB0", "ftdi_sio", 0x0403, 0x6001, 0)});
  AddVirtual(L"\\Device\\DevSim1_0", L"pts/7");
  AddVirtual(L"\\Device\\DevSim2_0", L"pts/7");
  AddVirtual(L"\\Device\\Other", L"ttyUSB0");
  AddVirtual(L"\\Device\\Empty", L"");
  AddVirtual(L"\\Device\\Escape", L"../../etc/passwd");
  AddVirtual(L"\\Device\\Spaces", L"not a port");
  ASSERT_TRUE(platform::reg::SetDword(HKEY_LOCAL_MACHINE, rs232test::kSerialComm, L"\\Device\\Number", 5));

  CSerialDevice device;
  EXPECT_EQ(device.CheckPorts(), 2);
  EXPECT_EQ(PortNames(device), (std::vector<CString>{"pts/7", "pts/7", "ttyUSB0", "ttyUSB0"}));
  EXPECT_EQ(ListedPortNames(), (std::vector<CString>{"pts/7", "pts/7", "ttyUSB0", "ttyUSB0"}));
}

TEST_F(PortListTest, DeviceCheckReportsOnlyChanges) {
  CSerialDevice device;
  int previous = 0;
  struct Step {
    bool withPort;
    bool changed;
    int result;
  };
  const Step steps[] = {{false, true, 1}, {false, false, 1}, {true, true, 2}, {true, false, 2}, {false, true, 1}};
  int n = 0;
  for (const Step& step : steps) {
    if (step.withPort) UseDevices({UsbTty("ttyACM0", "cdc_acm", 0x0483, 0x5740, 0)});
    else UseDevices({});
    EXPECT_EQ(device.CheckPortsChanged(previous), step.changed) << "step " << n;
    EXPECT_EQ(previous, step.result) << "step " << n;
    EXPECT_EQ(device.Ports().GetSize(), step.withPort ? 1 : 0) << "step " << n;
    ++n;
  }
}

// A modem as modem setups record it in the settings store.
void InstallModem(int index, const CString& friendlyName, const CString& attachedTo) {
  ASSERT_TRUE(platform::reg::SetString(HKEY_LOCAL_MACHINE, CModemInfo::ModemKeyPath(index), L"FriendlyName",
                                       friendlyName));
  if (!attachedTo.IsEmpty()) {
    ASSERT_TRUE(platform::reg::SetString(HKEY_LOCAL_MACHINE, CModemInfo::ModemKeyPath(index), L"AttachedTo",
                                         attachedTo));
  }
}

TEST_F(PortListTest, ModemControlsListTheInstalledModems) {
  // The serial ports play no part: a port that looks like a modem is no installed modem.
  UseDevices({UsbTty("ttyUSB3", "option", 0x2C7C, 0x0700, 3, "Quectel Modem")});
  InstallModem(0, L"Acme Modem", L"COM3");
  InstallModem(2, L"Microsoft IP Virtual Modem", L"COM4");
  InstallModem(255, L"Zeta Modem", L"");
  CListBox list;
  ASSERT_TRUE(list.Create(WS_CHILD, CRect(0, 0, 150, 100), &m_parent, 1007));
  list.InsertString(-1, L"stale");
  list.InsertString(-1, L"stale too");
  m_combo.InsertString(-1, L"stale");
  CModemInfo info;
  info.FillModemCombo(m_combo);
  info.FillModemList(list);
  const std::vector<CString> expected{"Acme Modem", "Zeta Modem"};
  EXPECT_EQ(ComboItems(), expected);
  ASSERT_EQ(list.GetCount(), 2);
  for (int i = 0; i < 2; ++i) EXPECT_EQ(list.GetText(i), expected[static_cast<size_t>(i)]);
  list.DestroyWindow();
}

TEST(ModemInfoPortName, AcceptsDeviceNamesOnly) {
  struct Case {
    const wchar_t* text;
    bool ok;
  };
  const Case cases[] = {
      {L"ttyUSB0", true},   {L"pts/7", true},      {L"ttyS0", true},     {L"rfcomm-1.x", true},
      {L"", false},         {L"/dev/ttyS0", false}, {L"pts/", false},    {L"pts//7", false},
      {L"..", false},       {L"pts/../sda", false}, {L"a b", false},     {L"tty\x00e4", false},
      {L"COM3\r\n", false},
  };
  for (const Case& c : cases) EXPECT_EQ(CModemInfo::IsPortName(c.text), c.ok) << CString(c.text).ToUtf8();
  EXPECT_FALSE(CModemInfo::IsPortName(CString(L'x') + CString(std::wstring(260, L'y').c_str())));
}

class ModemInfoTest : public rs232test::PortFixture {};

// The reader appends every entry as the key has it, to what the array already holds: the device
// check and the port selector read one key the same way.
TEST_F(ModemInfoTest, SerialCommReaderAppendsEveryEntryUnchanged) {
  AddVirtual(L"\\Device\\DevSim1_0", L"pts/3");
  AddVirtual(L"\\Device\\DevSim2_0", L"pts/4");
  AddVirtual(L"\\Device\\Other", L"pts/3");
  CModemInfo info;
  CStringArray ports;
  ports.Add(L"pts/4");
  info.GetSerialCommPorts(ports);
  std::vector<CString> names;
  for (INT_PTR i = 0; i < ports.GetSize(); ++i) names.push_back(ports[i]);
  EXPECT_EQ(names, (std::vector<CString>{"pts/4", "pts/3", "pts/4", "pts/3"}));
  EXPECT_EQ(ListedPortNames(), (std::vector<CString>{"pts/3", "pts/4", "pts/3"})) << "as the selector offers them";
}

TEST_F(ModemInfoTest, PortRecordsCarryNamesDescriptionsAndUsb) {
  platform::TtyDeviceFacts plain = UsbTty("ttyFAKE0", "serial8250", -1, -1, -1);
  plain.serialType = 4;
  UseDevices({UsbTty("ttyACM0", "cdc_acm", 0x0483, 0x5740, 0, "Tracker (rev 2)"), plain});
  CModemInfo info;
  CArray<SerialPortRecord> records;
  info.EnumeratePorts(records, FALSE);
  ASSERT_EQ(records.GetSize(), 2);
  EXPECT_EQ(records[0].portName, CString("ttyACM0"));
  EXPECT_EQ(records[0].devicePath, CString("/dev/ttyACM0"));
  EXPECT_EQ(records[0].displayName, CString("Tracker (rev 2) (ttyACM0)"));
  EXPECT_EQ(records[0].description, CString("Tracker (rev 2) (ttyACM0)")) << "an earlier parenthesis: taken whole";
  EXPECT_TRUE(records[0].usbAttached);
  EXPECT_EQ(records[1].portName, CString("ttyFAKE0"));
  EXPECT_EQ(records[1].displayName, CString("Serial Port (ttyFAKE0)"));
  EXPECT_EQ(records[1].description, CString("Serial Port"));
  EXPECT_FALSE(records[1].usbAttached);
  ASSERT_EQ(info.m_astrComPortNames.GetSize(), 2);
  EXPECT_EQ(info.m_astrComPortNames[1], records[1].displayName);

  // Probing keeps the ports that open (a pseudo-terminal) and leaves out the others (no such nodes).
  const int master = posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(master, 0);
  ASSERT_EQ(grantpt(master), 0);
  ASSERT_EQ(unlockpt(master), 0);
  const CString pts = CString(ptsname(master)).Mid(5);  // "pts/N"
  AddVirtual(L"\\Device\\Test_0", pts);
  UseDevices({UsbTty("ttyACMFAKE9", "cdc_acm", 0x0483, 0x5740, 0), plain});
  info.EnumeratePorts(records, TRUE);
  close(master);
  ASSERT_EQ(records.GetSize(), 1);
  EXPECT_EQ(records[0].portName, pts);
  EXPECT_EQ(records[0].devicePath, CString("/dev/") + pts);
  EXPECT_EQ(info.m_astrComPortNames.GetSize(), 2) << "the machine's own ports found, probed or not";
}

TEST_F(ModemInfoTest, ModemsAreTheModemsOfTheSettingsStore) {
  UseDevices({UsbTty("ttyUSB3", "option", 0x2C7C, 0x0700, 3, "Quectel Modem")});
  CModemInfo info;
  EXPECT_EQ(info.CountModems(), 0);
  EXPECT_EQ(info.FirstModemName(), CString());
  EXPECT_FALSE(info.HasModem(L"Quectel Modem (ttyUSB3)")) << "a port is no installed modem";

  InstallModem(1, L"Microsoft IP Virtual Modem", L"COM2");
  InstallModem(4, L"Acme Modem", L"COM3");
  InstallModem(9, L"Portless Modem", L"");
  EXPECT_EQ(info.CountModems(), 2);
  EXPECT_EQ(info.FirstModemName(), CString("Acme Modem"));
  struct Case {
    const wchar_t* name;
    bool has;
  } const cases[] = {
      {L"acme MODEM", true},       {L"Portless Modem", false},  // listed, but FindModem needs a port
      {L"Microsoft IP Virtual Modem", true}, {L"", false}, {L"Other Modem", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(info.HasModem(c.name), c.has ? TRUE : FALSE) << CString(c.name).ToUtf8();
    EXPECT_EQ(info.HasModem(c.name) != FALSE, CModemInfo::FindModem(c.name) != -1) << CString(c.name).ToUtf8();
  }
}

TEST_F(ModemInfoTest, PortsWithoutAPortFriendlyNameAreLeftOut) {
  UseDevices({UsbTty("ttyACM0", "cdc_acm", 0x0483, 0x5740, 0, "Tracker"),
              UsbTty("ttyGS", "cdc_acm", 0x0483, 0x5741, 0, "Gadget")});
  AddVirtual(L"\\Device\\DevSim1_0", L"pts/3");
  CModemInfo info;
  CArray<SerialPortRecord> records;
  info.EnumeratePorts(records, FALSE);
  std::vector<CString> names;
  for (INT_PTR i = 0; i < records.GetSize(); ++i) names.push_back(records[i].displayName);
  EXPECT_EQ(names, (std::vector<CString>{L"Tracker (ttyACM0)", L"Virtual Serial Port (pts/3)"}));
  ASSERT_EQ(info.m_astrComPortNames.GetSize(), 1) << "the names of the machine's own ports";
  EXPECT_EQ(info.m_astrComPortNames[0], CString(L"Tracker (ttyACM0)"));
}

}  // namespace
