// Tests of the settings store: which stored values a read accepts, writes and the key path they
// create, sections, two holders, and use before a key is set.
#include "reference/default/appregsettings.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "platform/registry.h"
#include "regtest_support.h"

namespace {

const CString kKey(L"Software\\Kestova.Inc.\\Brelvano_v5");

// UTF-16LE bytes of a text (no terminator added).
std::string Utf16(const std::u16string& text) {
  std::string out;
  for (char16_t c : text) {
    out += static_cast<char>(c & 0xFF);
    out += static_cast<char>(c >> 8);
  }
  return out;
}

void SetRaw(const CString& key, const CString& name, DWORD type, const std::string& bytes) {
  HKEY h = nullptr;
  ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, key, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &h,
                           nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(RegSetValueEx(h, name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                          static_cast<DWORD>(bytes.size())),
            ERROR_SUCCESS);
  RegCloseKey(h);
}

class AppRegSettingsTest : public regtest::RegistryTest {
 protected:
  void SetUp() override {
    RegistryTest::SetUp();
    m_settings.SetRegistryKey(kAppRegistryKeyName);
  }
  CAppRegSettings m_settings;
};

TEST_F(AppRegSettingsTest, ReadsAcceptOnlyWholeValuesOfTheirOwnType) {
  struct Case {
    const char* what;
    DWORD type;
    std::string bytes;
    const wchar_t* text;  // GetProfileString with default "dflt"
    int number;           // GetProfileInt with default -1
  } cases[] = {
      {"text", REG_SZ, Utf16(u"COM3") + std::string(2, '\0'), L"COM3", -1},
      {"expandable text", REG_EXPAND_SZ, Utf16(u"USB") + std::string(2, '\0'), L"USB", -1},
      {"text with a zero inside", REG_SZ, Utf16(u"ab") + std::string(2, '\0') + Utf16(u"cd") + std::string(2, '\0'),
       L"ab", -1},
      {"empty text", REG_SZ, std::string(2, '\0'), L"", -1},
      {"text without terminator", REG_SZ, Utf16(u"COM3"), L"dflt", -1},
      {"odd byte count", REG_SZ, std::string("C\0O", 3), L"dflt", -1},
      {"no bytes", REG_SZ, std::string(), L"dflt", -1},
      {"number", REG_DWORD, std::string("\x09\0\0\0", 4), L"dflt", 9},
      {"negative number", REG_DWORD, std::string("\xFB\xFF\xFF\xFF", 4), L"dflt", -5},
      {"short number", REG_DWORD, std::string("\x09\0", 2), L"dflt", -1},
      {"binary", REG_BINARY, std::string("\x09\0\0\0", 4), L"dflt", -1},
      {"quad word", REG_QWORD, std::string("\x09\0\0\0\0\0\0\0", 8), L"dflt", -1},
  };
  for (const Case& c : cases) {
    SetRaw(kKey, L"Value", c.type, c.bytes);
    EXPECT_EQ(m_settings.GetProfileString(L"", L"Value", L"dflt"), CString(c.text)) << c.what;
    EXPECT_EQ(m_settings.GetProfileInt(L"", L"Value", -1), c.number) << c.what;
  }
  EXPECT_EQ(m_settings.GetProfileString(L"", L"Missing", L"dflt"), CString(L"dflt"));
  EXPECT_EQ(m_settings.GetProfileInt(L"", L"Missing", 7), 7);
}

TEST_F(AppRegSettingsTest, AMissingKeyGivesTheCallersDefault) {
  for (int def : {0, -1, 22}) EXPECT_EQ(m_settings.GetProfileInt(L"", kRegValueLanguage, def), def);
  EXPECT_EQ(m_settings.GetProfileString(L"", kRegValueComPort), CString());
}

TEST_F(AppRegSettingsTest, WritesCreateTheKeyPathAndKeepTheirTypes) {
  for (int value : {0, 9, -5, INT_MIN, INT_MAX}) {
    ASSERT_TRUE(m_settings.WriteProfileInt(L"", kRegValueLanguage, value));
    EXPECT_EQ(m_settings.GetProfileInt(L"", kRegValueLanguage, 12345), value);
    DWORD stored = 0;
    EXPECT_TRUE(platform::reg::GetDword(HKEY_CURRENT_USER, kKey, L"Language", stored));
    EXPECT_EQ(stored, static_cast<DWORD>(value));
  }
  for (const CString& text : {CString(L"COM12"), CString(), CString(u"Porta \u00e7 \U0001F600")}) {
    ASSERT_TRUE(m_settings.WriteProfileString(L"", kRegValueComPort, text));
    EXPECT_EQ(m_settings.GetProfileString(L"", kRegValueComPort, L"dflt"), text);
    CString stored;
    EXPECT_TRUE(platform::reg::GetString(HKEY_CURRENT_USER, kKey, L"COMPORT", stored));
    EXPECT_EQ(stored, text);
  }
  // A text written over a number replaces it, and the number reads as missing.
  ASSERT_TRUE(m_settings.WriteProfileString(L"", kRegValueLanguage, L"9"));
  EXPECT_EQ(m_settings.GetProfileInt(L"", kRegValueLanguage, -1), -1);
}

TEST_F(AppRegSettingsTest, SectionsAddressSubkeys) {
  EXPECT_EQ(m_settings.GetSectionKey(nullptr), kKey);
  EXPECT_EQ(m_settings.GetSectionKey(L""), kKey + L"\\");
  EXPECT_EQ(m_settings.GetSectionKey(L"Settings"), kKey + L"\\Settings");

  ASSERT_TRUE(m_settings.WriteProfileInt(L"Settings", L"X", 40));
  ASSERT_TRUE(m_settings.WriteProfileInt(nullptr, L"X", 1));
  EXPECT_EQ(m_settings.GetProfileInt(L"Settings", L"X", -1), 40);
  EXPECT_EQ(m_settings.GetProfileInt(L"", L"X", -1), 1) << "the empty section is the key itself";
  DWORD stored = 0;
  EXPECT_TRUE(platform::reg::GetDword(HKEY_CURRENT_USER, kKey + L"\\Settings", L"X", stored));
  EXPECT_EQ(stored, 40u);
}

TEST_F(AppRegSettingsTest, EveryCallSeesTheOtherHoldersLatestWrite) {
  CAppRegSettings other;
  other.SetRegistryKey(kAppRegistryKeyName);
  for (int value : {22, 9, 10}) {
    ASSERT_TRUE(m_settings.WriteProfileInt(L"", kRegValueLanguage, value));
    EXPECT_EQ(other.GetProfileInt(L"", kRegValueLanguage, -1), value);
  }
}

using AppRegSettingsNoKeyTest = regtest::RegistryTest;

TEST_F(AppRegSettingsNoKeyTest, AStoreWithoutKeyTouchesNothing) {
  CAppRegSettings settings;
  EXPECT_EQ(settings.GetSectionKey(L""), CString(L"\\"));
  SetRaw(L"", L"Language", REG_DWORD, std::string("\x16\0\0\0", 4));  // a value at the top
  regtest::StderrCapture err;
  EXPECT_EQ(settings.GetProfileInt(L"", kRegValueLanguage, -1), -1);
  EXPECT_EQ(settings.GetProfileString(L"", kRegValueComPort, L"dflt"), CString(L"dflt"));
  EXPECT_FALSE(settings.WriteProfileInt(L"", kRegValueLanguage, 9));
  EXPECT_FALSE(settings.WriteProfileString(L"", kRegValueComPort, L"COM1"));
  EXPECT_NE(err.Text().find("SetRegistryKey"), std::string::npos) << "the misuse is traced";
  DWORD top = 0;
  EXPECT_TRUE(platform::reg::GetDword(HKEY_CURRENT_USER, L"", L"Language", top));
  EXPECT_EQ(top, 0x16u);
  CString port;
  EXPECT_FALSE(platform::reg::GetString(HKEY_CURRENT_USER, L"", L"COMPORT", port));
}

}  // namespace
