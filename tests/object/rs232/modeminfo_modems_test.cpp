// Tests of the modem readers over modems recorded in the settings store: key paths, ports, reset
// command, default speed, the initialisation command and the virtual modem exclusion.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "../../reference/default/regtest_support.h"
#include "object/rs232/modeminfo.h"
#include "platform/registry.h"

namespace {

class ModemReaderTest : public regtest::RegistryTest {
 protected:
  static void Set(int index, const CString& name, const CString& value, bool settings = false) {
    CString key = CModemInfo::ModemKeyPath(index);
    if (settings) key += L"\\Settings";
    ASSERT_TRUE(platform::reg::SetString(HKEY_LOCAL_MACHINE, key, name, value));
  }
  static void SetDcb(int index, DWORD rate, size_t size = 28) {
    std::vector<BYTE> dcb(size, 0);
    if (size >= 8) std::memcpy(dcb.data() + 4, &rate, 4);
    HKEY h = nullptr;
    ASSERT_EQ(RegCreateKeyEx(HKEY_LOCAL_MACHINE, CModemInfo::ModemKeyPath(index), 0, nullptr, 0, KEY_ALL_ACCESS,
                             nullptr, &h, nullptr),
              ERROR_SUCCESS);
    RegSetValueEx(h, L"DCB", 0, REG_BINARY, dcb.data(), static_cast<DWORD>(dcb.size()));
    RegCloseKey(h);
  }
};

TEST_F(ModemReaderTest, KeyPathsPadTheIndexToFourDigits) {
  const CString base = L"SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E96D-E325-11CE-BFC1-08002BE10318}\\";
  EXPECT_EQ(CModemInfo::ModemKeyPath(0), base + L"0000");
  EXPECT_EQ(CModemInfo::ModemKeyPath(7), base + L"0007");
  EXPECT_EQ(CModemInfo::ModemKeyPath(123), base + L"0123");
  EXPECT_EQ(CModemInfo::ModemClassGuid(), CString(L"{4D36E96D-E325-11CE-BFC1-08002BE10318}"));
}

TEST_F(ModemReaderTest, PortsResetCommandAndFinding) {
  Set(2, L"FriendlyName", L"Field Modem");
  Set(2, L"AttachedTo", L"COM12");
  Set(2, L"Reset", L"none");
  Set(3, L"FriendlyName", L"Portless Modem");
  Set(4, L"FriendlyName", L"Bus Modem");
  Set(5, L"FriendlyName", L"Reset Modem");
  Set(5, L"AttachedTo", L"COM3");
  Set(5, L"Reset", L"ATZ");
  // a modem its bus enumerated: the device key names the port
  ASSERT_TRUE(platform::reg::SetString(HKEY_LOCAL_MACHINE, L"Enum\\USB\\Dev1", L"Driver", L"modem\\0004"));
  ASSERT_TRUE(platform::reg::SetString(HKEY_LOCAL_MACHINE, L"Enum\\USB\\Dev1", L"PORTNAME", L"COM9"));

  struct Case {
    const char* name;
    int index;
    int port;
  } ports[] = {{"AttachedTo", 2, 12}, {"no port at all", 3, 0}, {"from the device key", 4, 9}, {"no modem", 9, 0}};
  for (const Case& c : ports) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(CModemInfo::ModemComPort(c.index), c.port);
  }
  EXPECT_EQ(CModemInfo::FindModem(L"FIELD modem"), 2);
  EXPECT_EQ(CModemInfo::FindModem(L"Portless Modem"), -1);  // needs a port
  EXPECT_EQ(CModemInfo::FindModem(L""), -1);
  EXPECT_EQ(CModemInfo::ModemComPortByName(L"Bus Modem"), 9);
  EXPECT_EQ(CModemInfo::ModemResetCommand(L"Field Modem"), CString());
  EXPECT_EQ(CModemInfo::ModemResetCommand(L"Reset Modem"), CString(L"ATZ"));
  EXPECT_EQ(CModemInfo::ModemFriendlyName(3), CString(L"Portless Modem"));
  EXPECT_EQ(CModemInfo::ReadRegText(HKEY_LOCAL_MACHINE, L"No\\Such", L"X", L"fallback"), CString(L"fallback"));
  EXPECT_EQ(CModemInfo::FirstSubKeyName(HKEY_LOCAL_MACHINE, L"Enum"), CString(L"USB"));
  EXPECT_EQ(CModemInfo::FirstSubKeyName(HKEY_LOCAL_MACHINE, L"Enum\\USB\\Dev1"), CString());
}

TEST_F(ModemReaderTest, BaudRateIsTheDcbFieldWhenStandard) {
  struct Case {
    const char* name;
    DWORD rate;
    size_t size;
    DWORD expected;
  } cases[] = {
      {"115200", 115200, 28, 115200}, {"110", 110, 28, 110},   {"14400 is not standard", 14400, 28, 0},
      {"a six-byte block", 9600, 6, 0}, {"exactly eight bytes", 9600, 8, 9600},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Set(1, L"FriendlyName", L"Speed Modem");
    Set(1, L"AttachedTo", L"COM4");
    SetDcb(1, c.rate, c.size);
    EXPECT_EQ(CModemInfo::ModemBaudRate(L"Speed Modem"), c.expected);
  }
  EXPECT_EQ(CModemInfo::ModemBaudRate(L"No Modem"), 0u);
}

TEST_F(ModemReaderTest, InitCommandFollowsTheSpeakerLevel) {
  Set(0, L"FriendlyName", L"Voice Modem");
  Set(0, L"AttachedTo", L"COM1");
  Set(0, L"CallSetupFailTimer", L"S7=<#>", true);
  Set(0, L"InactivityTimeout", L"S30=<#>", true);
  Set(0, L"SpeakerMode_Dial", L"M1", true);
  Set(0, L"SpeakerMode_OFF", L"M0", true);
  Set(0, L"ErrorControl_On", L"\\N3", true);
  Set(0, L"Blind_Off", L"X4", true);
  const CString head = L"ATS7=60S30=0";
  const CString tail = L"\\N3X4<cr>";
  EXPECT_TRUE(CModemInfo::HasSpeakerModes(L"Voice Modem"));
  EXPECT_EQ(CModemInfo::CountSpeakerVolumes(L"Voice Modem"), 0);
  struct Case {
    const char* name;
    int level;
    const wchar_t* speaker;
  } noVolumes[] = {{"level -1: no speaker part", -1, L""}, {"level 0", 0, L"M0"},
                   {"level 1 without volumes: dial mode alone", 1, L"M1"}, {"level 2 without volumes", 2, L""},
                   {"level 3 without volumes", 3, L""}, {"an unknown level", 7, L""}};
  for (const Case& c : noVolumes) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(CModemInfo::BuildInitCommand(L"Voice Modem", c.level), head + c.speaker + tail);
  }
  Set(0, L"SpeakerVolume_Low", L"L1", true);
  Set(0, L"SpeakerVolume_High", L"L3", true);
  EXPECT_EQ(CModemInfo::CountSpeakerVolumes(L"Voice Modem"), 2);
  Case withVolumes[] = {{"level 1", 1, L"L1M1"}, {"level 2: the missing medium volume", 2, L"M1"},
                        {"level 3", 3, L"L3M1"}};
  for (const Case& c : withVolumes) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(CModemInfo::BuildInitCommand(L"Voice Modem", c.level), head + c.speaker + tail);
  }
  // no such modem: nothing of the settings
  EXPECT_EQ(CModemInfo::BuildInitCommand(L"Other", 1), CString(L"AT<cr>"));
}

TEST_F(ModemReaderTest, VirtualModemNamesAreLeftOut) {
  EXPECT_TRUE(CModemInfo::IsVirtualModemName(L"Microsoft IP Virtual Modem #2"));
  EXPECT_FALSE(CModemInfo::IsVirtualModemName(L"Quectel Modem (ttyUSB3)"));
}

}  // namespace
