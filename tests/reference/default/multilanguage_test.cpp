// Tests of the language step and the language library holder: the choice by the "Language"
// value, its repair, the texts of the delivered libraries, cutting, failures and their trace,
// reloading, shared holders, and the button faces.
#include "reference/default/multilanguage.h"

#include <gtest/gtest.h>

#include <QImage>
#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/gdi.h"
#include "platform/registry.h"
#include "platform/reslib.h"
#include "reference/default/appregsettings.h"
#include "regtest_support.h"

namespace {

const CString kKey(L"Software\\Kestova.Inc.\\Brelvano_v5");
const CString kError(L"ERROR");
const UINT kFaces[] = {1012, 1013, 1014, 2000, 2001, 2004};

// The ids a library is asked for in the tests below: every message, the parameter names and the
// help texts the libraries carry.
std::vector<UINT> SampleIds() {
  std::vector<UINT> ids;
  for (UINT id = 1000; id <= 1066; ++id) ids.push_back(id);
  for (UINT id : {1101u, 1102u, 1129u, 1132u, 1229u, 1230u, 1763u, 2000u, 2001u, 2002u, 2011u}) ids.push_back(id);
  return ids;
}

// The text the test library builds its long entries from: 'a' + i % 10.
CString Pattern(int length) {
  std::u16string s;
  for (int i = 0; i < length; ++i) s += static_cast<char16_t>(u'a' + i % 10);
  return CString(s.c_str());
}

bool IsMagenta(const QImage& img, int x, int y) { return (img.pixel(x, y) & 0xFFFFFFu) == 0xFF00FFu; }

class MultiLanguageTest : public regtest::RegistryTest {
 protected:
  void TearDown() override {
    m_language.FreeLanguage();
    RegistryTest::TearDown();
  }
  static void SetLanguage(DWORD value) { ASSERT_TRUE(platform::reg::SetDword(HKEY_CURRENT_USER, kKey, L"Language", value)); }
  static bool StoredLanguage(DWORD& value) { return platform::reg::GetDword(HKEY_CURRENT_USER, kKey, L"Language", value); }
  // Loads the library for a language value through the language step.
  HINSTANCE LoadFor(DWORD value) {
    SetLanguage(value);
    return PrepareAndLoadLanguage(m_settings, m_language);
  }

  CAppRegSettings m_settings;
  CMultiLanguage m_language;
};

TEST_F(MultiLanguageTest, TheFirstStartChoosesEnglish) {
  DWORD stored = 0;
  ASSERT_FALSE(StoredLanguage(stored));
  EXPECT_NE(PrepareAndLoadLanguage(m_settings, m_language), nullptr);
  ASSERT_TRUE(StoredLanguage(stored));
  EXPECT_EQ(stored, 9u);
  EXPECT_EQ(m_language.LoadString(1001), CString(L"Really want to exit ?"));
  EXPECT_EQ(m_language.GetLanguageIndex(), 1);
  EXPECT_EQ(m_settings.GetRegistryKeyName(), kKey);
}

TEST_F(MultiLanguageTest, TheLanguageValueChoosesTheLibrary) {
  struct Case {
    DWORD value;
    DWORD storedAfter;
    bool delivered;
    int index;
    const wchar_t* exitText;  // 1001
    const wchar_t* gpsText;   // 1066
  } cases[] = {
      {9, 9, true, 1, L"Really want to exit ?", L"GPS Turned Off"},
      {22, 22, true, 3, L"Deseja sair do programa?", L"ERROR"},
      {10, 10, false, 4, L"ERROR", L"ERROR"},
      {25, 25, false, 2, L"ERROR", L"ERROR"},
      {0, 0, false, 0, L"ERROR", L"ERROR"},
      {18, 18, false, 0, L"ERROR", L"ERROR"},
      {0xFFFFFFFFu, 9, true, 1, L"Really want to exit ?", L"GPS Turned Off"},  // reads as the missing mark
  };
  for (const Case& c : cases) {
    CMultiLanguage language;
    SetLanguage(c.value);
    regtest::StderrCapture quiet;  // the failed lookups trace
    HINSTANCE h = PrepareAndLoadLanguage(m_settings, language);
    EXPECT_EQ(h != nullptr, c.delivered) << c.value;
    EXPECT_EQ(language.GetInstanceHandle(), h) << c.value;
    EXPECT_EQ(language.GetLanguageIndex(), c.index) << c.value;
    DWORD stored = 0;
    EXPECT_TRUE(StoredLanguage(stored));
    EXPECT_EQ(stored, c.storedAfter) << c.value;
    EXPECT_EQ(language.LoadString(1001), CString(c.exitText)) << c.value;
    EXPECT_EQ(language.LoadString(1066), CString(c.gpsText)) << c.value;
    if (!c.delivered) {
      for (UINT id : SampleIds()) EXPECT_EQ(language.LoadString(id), kError) << c.value << " / " << id;
      EXPECT_EQ(language.LoadBitmap(2000), nullptr) << c.value;
    }
  }
}

TEST_F(MultiLanguageTest, ALanguageOfAnotherTypeIsReplacedByEnglish) {
  struct Case {
    const char* what;
    DWORD type;
    std::string bytes;
  } cases[] = {
      {"the text 9", REG_SZ, std::string("9\0\0\0", 4)},
      {"the text 22", REG_SZ, std::string("2\0" "2\0\0\0", 6)},
      {"binary", REG_BINARY, std::string("\x16\0\0\0", 4)},
  };
  for (const Case& c : cases) {
    HKEY h = nullptr;
    ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueEx(h, L"Language", 0, c.type, reinterpret_cast<const BYTE*>(c.bytes.data()),
                            static_cast<DWORD>(c.bytes.size())),
              ERROR_SUCCESS);
    RegCloseKey(h);
    CMultiLanguage language;
    EXPECT_NE(PrepareAndLoadLanguage(m_settings, language), nullptr) << c.what;
    DWORD stored = 0;
    EXPECT_TRUE(StoredLanguage(stored)) << c.what;
    EXPECT_EQ(stored, 9u) << c.what;
    EXPECT_EQ(language.LoadString(1001), CString(L"Really want to exit ?")) << c.what;
  }
}

TEST_F(MultiLanguageTest, TheDeliveredLibrariesHoldTheirTexts) {
  struct Case {
    DWORD language;
    std::vector<UINT> missing;  // among the sample ids
  } cases[] = {
      {9, {1020}},
      {22, {1020, 1062, 1066}},
  };
  for (const Case& c : cases) {
    ASSERT_NE(LoadFor(c.language), nullptr);
    regtest::StderrCapture quiet;
    for (UINT id : SampleIds()) {
      const bool absent = std::find(c.missing.begin(), c.missing.end(), id) != c.missing.end();
      EXPECT_EQ(m_language.LoadString(id) == kError, absent) << c.language << " / " << id;
    }
  }
  // Line breaks and characters beyond ASCII arrive as such.
  ASSERT_NE(LoadFor(9), nullptr);
  EXPECT_EQ(m_language.LoadString(1004), CString(L"Profile Not Found\nLoad Profile First"));
  ASSERT_NE(LoadFor(22), nullptr);
  EXPECT_EQ(m_language.LoadString(1017), CString(u"A cerca eletr\u00f4nica ser\u00e1 removida.\nContinuar?"));
  EXPECT_EQ(m_language.LoadString(1129), CString(u"Autentica\u00e7\u00e3o"));
  EXPECT_EQ(m_language.LoadString(2002), CString(L"APN:Access Point Name")) << "help texts stay English";
  const CString fill = m_language.LoadString(1008);
  EXPECT_NE(fill, kError);
  EXPECT_NE(fill, CString(L"Fill Option Please"));
}

TEST_F(MultiLanguageTest, TheLongHelpTextComesBackWhole) {
  CString english;
  for (DWORD language : {9u, 22u}) {
    ASSERT_NE(LoadFor(language), nullptr);
    const CString text = m_language.LoadString(2001);
    EXPECT_EQ(text.GetLength(), 131) << language;
    int breaks = 0;
    for (int i = 0; i < text.GetLength(); ++i) breaks += text.GetAt(i) == L'\n' ? 1 : 0;
    EXPECT_EQ(breaks, 2) << language;
    const int colon = text.Find(L':');
    EXPECT_GT(colon, 0) << "name:description";
    EXPECT_LT(colon, text.Find(L'\n'));
    if (language == 9) english = text;
    else EXPECT_EQ(text, english) << "both libraries hold the help texts in English";
    EXPECT_EQ(m_language.LoadString(2000), CString(L"START"));
    EXPECT_EQ(m_language.LoadString(2011), CString(L"TR ID:Transaction ID\nMust be 4 digits"));
  }
}

TEST_F(MultiLanguageTest, LongTextsAreCutTo259Characters) {
  // The test library stands in for the Korean one, looked for in a folder of this test's own.
  std::filesystem::copy_file(TESTRESLIB_PATH, Folder() + "/Trelisko.so");
  platform::SetLibraryFolder(CString(Folder().c_str()));
  ASSERT_NE(LoadFor(0), nullptr);
  struct Case {
    UINT id;
    CString text;
  } cases[] = {
      {1, L"Hello"},
      {2, Pattern(259)},  // 300 characters stored
      {6, Pattern(259)},  // 260
      {5, Pattern(259)},  // 259: whole
      {4, kError},        // empty
  };
  regtest::StderrCapture quiet;
  for (const Case& c : cases) EXPECT_EQ(m_language.LoadString(c.id), c.text) << c.id;
}

TEST_F(MultiLanguageTest, FailedLookupsAreTracedWithTheLastError) {
  ASSERT_NE(LoadFor(22), nullptr);
  {
    regtest::StderrCapture err;
    EXPECT_EQ(m_language.LoadString(1066), kError);
    EXPECT_EQ(err.Text(), "STRING LOAD ERROR! 1814\n");
  }
  EXPECT_EQ(LoadFor(10), nullptr);
  {
    regtest::StderrCapture err;
    EXPECT_EQ(m_language.LoadString(1001), kError);
    EXPECT_EQ(err.Text().rfind("STRING LOAD ERROR! ", 0), 0u);
  }
}

TEST_F(MultiLanguageTest, LoadingAgainFreesTheLibraryLoadedBefore) {
  HINSTANCE english = LoadFor(9);
  ASSERT_NE(english, nullptr);
  HINSTANCE portuguese = LoadFor(22);
  ASSERT_NE(portuguese, nullptr);
  EXPECT_NE(portuguese, english);
  EXPECT_EQ(m_language.LoadString(1001), CString(L"Deseja sair do programa?"));
  CString text;
  EXPECT_EQ(LoadString(english, 1001, text, 260), 0) << "the English library is still loaded";

  EXPECT_EQ(LoadFor(10), nullptr);  // a library that is not delivered
  EXPECT_EQ(m_language.GetInstanceHandle(), nullptr);
  EXPECT_EQ(LoadString(portuguese, 1001, text, 260), 0) << "the Portuguese library is still loaded";
}

TEST_F(MultiLanguageTest, HoldersShareTheLibraryAndFreeOnlyTheirOwnReference) {
  SetLanguage(9);
  HINSTANCE shared = nullptr;
  {
    CMultiLanguage first;
    CAppRegSettings otherSettings;
    shared = PrepareAndLoadLanguage(m_settings, m_language);
    ASSERT_NE(shared, nullptr);
    EXPECT_EQ(PrepareAndLoadLanguage(otherSettings, first), shared);

    m_language.FreeLanguage();
    m_language.FreeLanguage();  // a second time does nothing
    EXPECT_EQ(m_language.GetInstanceHandle(), nullptr);
    regtest::StderrCapture quiet;
    EXPECT_EQ(m_language.LoadString(1001), kError);
    EXPECT_EQ(first.LoadString(1001), CString(L"Really want to exit ?"));
  }  // the destructor of the last holder frees the library
  CString text;
  EXPECT_EQ(LoadString(shared, 1001, text, 260), 0);
}

TEST_F(MultiLanguageTest, TheButtonFacesAreTransparentCornered77By27Bitmaps) {
  std::vector<QImage> faces[2];
  for (int lang = 0; lang < 2; ++lang) {
    const DWORD value = lang == 0 ? 9 : 22;
    ASSERT_NE(LoadFor(value), nullptr);
    std::vector<HBITMAP> handles;
    for (UINT id : kFaces) {
      std::string bytes;
      ASSERT_TRUE(platform::GetBitmapResourceBytes(m_language.GetInstanceHandle(), id, bytes)) << value << "/" << id;
      ASSERT_GT(bytes.size(), 30u);
      const int bits = static_cast<unsigned char>(bytes[28]);
      EXPECT_EQ(bits, value == 22 && id == 1014 ? 8 : 24) << value << "/" << id;
      HBITMAP h = m_language.LoadBitmap(id);
      ASSERT_NE(h, nullptr) << value << "/" << id;
      handles.push_back(h);
    }
    EXPECT_EQ(m_language.LoadBitmap(1015), nullptr);
    m_language.FreeLanguage();  // the bitmaps are copies that stay
    for (size_t i = 0; i < handles.size(); ++i) {
      const QImage img = platform::ImageFromHBitmap(handles[i]);
      ASSERT_EQ(img.size(), QSize(77, 27)) << value << "/" << kFaces[i];
      for (QPoint corner : {QPoint(0, 0), QPoint(76, 0), QPoint(0, 26), QPoint(76, 26)}) {
        EXPECT_TRUE(IsMagenta(img, corner.x(), corner.y())) << value << "/" << kFaces[i];
      }
      int face = 0;
      for (int y = 0; y < 27; ++y) {
        for (int x = 0; x < 77; ++x) face += IsMagenta(img, x, y) ? 0 : 1;
      }
      EXPECT_GT(face, 77 * 27 * 9 / 10) << "the face fills the bitmap";
      faces[lang].push_back(img);
      EXPECT_TRUE(DeleteObject(handles[i]));
    }
  }
  for (int lang = 0; lang < 2; ++lang) {
    for (size_t i = 0; i < 3; ++i) EXPECT_NE(faces[lang][i], faces[lang][i + 3]) << "in and normal faces differ";
    for (size_t i = 0; i < 3; ++i) EXPECT_NE(faces[lang][i], faces[lang][(i + 1) % 3]) << "each button has its face";
  }
  for (size_t i = 0; i < 6; ++i) EXPECT_NE(faces[0][i], faces[1][i]) << "the words are the language's";
}

TEST_F(MultiLanguageTest, ABitmapLoadsOnlyIntoAnEmptyObject) {
  ASSERT_NE(LoadFor(9), nullptr);
  CBitmap bitmap;
  EXPECT_FALSE(m_language.LoadBitmap(1015, bitmap));
  EXPECT_EQ(bitmap.GetSafeHandle(), nullptr);
  ASSERT_TRUE(m_language.LoadBitmap(2000, bitmap));
  BITMAP info{};
  ASSERT_NE(bitmap.GetBitmap(&info), 0);
  EXPECT_EQ(info.bmWidth, 77);
  EXPECT_EQ(info.bmHeight, 27);
  const HGDIOBJ held = bitmap.GetSafeHandle();
  EXPECT_FALSE(m_language.LoadBitmap(2001, bitmap));
  EXPECT_EQ(bitmap.GetSafeHandle(), held);
}

}  // namespace
