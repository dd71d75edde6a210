// Tests of the Portuguese dictionary: which files are read, how their lines become entries, and
// how texts are looked up.
#include "gui/dlg/dictionary.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "../../platform/qt_app.h"
#include "platform/files.h"
#include "platform/modal.h"
#include "temp_folder.h"

namespace {

using brelvano::LoadPortugueseDictionary;
using brelvano::Translate;

constexpr DWORD kPortuguese = brelvano::kLanguagePortuguese;
constexpr DWORD kEnglish = 9;

class Dictionary : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.Ok());
    folder_ = CString::FromUtf8(dir_.Root() + "/");
  }

  testsupport::TempFolder dir_;
  CString folder_;
  CMapStringToString map_;
};

TEST_F(Dictionary, LinesBecomeEntries) {
  using Lookups = std::vector<std::pair<CString, CString>>;  // text -> translation
  const struct {
    const char* name;
    std::string file;
    INT_PTR entries;
    Lookups lookups;
  } cases[] = {
      {"key upper-cased and trimmed, value kept",
       " network parameter =Par\xC3\xA2metros de Rede\n", 1,
       {{L"Network Parameter ", CString(L"Par\u00e2metros de Rede")},
        {L"NETWORK PARAMETER", CString(L"Par\u00e2metros de Rede")},
        {L"Network", L"Network"}}},
      {"empty value translates to the text itself", "APN=\n", 1, {{L"APN", L"APN"}, {L"apn ", L"apn "}}},
      {"value ends at a second equals sign", "Mode=Modo=extra=more\n", 1, {{L"mode", L"Modo"}}},
      {"lines without equals sign or key are skipped", "JUST TEXT\n=orphan\n   =blank\n\nSpeed=Velocidade", 1,
       {{L"JUST TEXT", L"JUST TEXT"}, {L"", L""}, {L"   ", L"   "}, {L"speed", L"Velocidade"}}},
      {"later line wins", "Time=Hora\nTIME = Tempo\n", 1, {{L"Time", L" Tempo"}}},
      {"CR LF line ends", "Speed=Velocidade\r\nGPS=Posi\xC3\xA7\xC3\xA3o\r\n", 2,
       {{L"Speed", L"Velocidade"}, {L"gps", CString(L"Posi\u00e7\u00e3o")}}},
      {"spaces inside the value kept", "Name=  Nome  \n", 1, {{L"Name", L"  Nome  "}}},
      {"byte-order mark not part of the first key", "\xEF\xBB\xBF" "Save=Salvar\n", 1, {{L"Save", L"Salvar"}}},
      {"code page 1252 when not UTF-8", "Max speed=Velocidade m\xE1xima\nOn=Ligado \x93" "ativo\x94\n", 2,
       {{L"MAX SPEED", CString(L"Velocidade m\u00e1xima")}, {L"on", CString(L"Ligado \u201cativo\u201d")}}},
      {"invalid UTF-8 with a mark still decodes", "\xEF\xBB\xBF" "Off=Desligado \xE9\n", 1,
       {{L"Off", CString(L"Desligado \u00e9")}}},
      {"empty file", "", 0, {{L"Speed", L"Speed"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    dir_.Write("POR_LANG.txt", c.file);
    EXPECT_TRUE(LoadPortugueseDictionary(map_, kPortuguese, folder_));
    EXPECT_EQ(map_.GetCount(), c.entries);
    for (const auto& [text, translation] : c.lookups) EXPECT_EQ(Translate(map_, text), translation) << text;
  }
}

TEST_F(Dictionary, FileIsReadOnlyForPortuguese) {
  dir_.Write("POR_LANG.txt", "Speed=Velocidade\n");
  ASSERT_TRUE(LoadPortugueseDictionary(map_, kPortuguese, folder_));
  ASSERT_EQ(map_.GetCount(), 1);

  // Loading again empties the map first.
  for (DWORD language : {kEnglish, DWORD{0}, DWORD{10}, DWORD{25}}) {
    EXPECT_TRUE(LoadPortugueseDictionary(map_, language, folder_)) << language;
    EXPECT_TRUE(map_.IsEmpty()) << language;
    EXPECT_EQ(Translate(map_, L"Speed"), L"Speed");
  }

  std::remove(dir_.Path("POR_LANG.txt").c_str());
  EXPECT_TRUE(LoadPortugueseDictionary(map_, kPortuguese, folder_));
  EXPECT_TRUE(map_.IsEmpty());
  EXPECT_EQ(Translate(map_, L" Speed"), L" Speed");
}

TEST_F(Dictionary, UnreadableFileIsReported) {
  testsupport::EnsureApp();
  platform::ModalService& modal = platform::ModalService::Instance();
  modal.InstallScript();
  modal.ExpectMessageBox(IDOK);
  map_.SetAt(L"OLD", L"Velho");

  ASSERT_EQ(mkdir(dir_.Path("POR_LANG.txt").c_str(), 0700), 0);
  EXPECT_FALSE(LoadPortugueseDictionary(map_, kPortuguese, folder_));
  EXPECT_TRUE(map_.IsEmpty());
  const std::vector<platform::ModalRecord> records = modal.Records();
  modal.UninstallScript();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].kind, platform::ModalKind::MessageBox);
  EXPECT_GE(records[0].text.Find(L"POR_LANG.txt"), 0) << records[0].text;
  EXPECT_GE(records[0].text.Find(CString::FromUtf8(std::strerror(EISDIR))), 0) << records[0].text;
}

TEST_F(Dictionary, SpecialFileOfThatNameIsReportedWithoutWaiting) {
  testsupport::EnsureApp();
  platform::ModalService& modal = platform::ModalService::Instance();
  modal.InstallScript();
  modal.ExpectMessageBox(IDOK);
  ASSERT_EQ(mkfifo(dir_.Path("POR_LANG.txt").c_str(), 0600), 0);
  EXPECT_FALSE(LoadPortugueseDictionary(map_, kPortuguese, folder_));
  EXPECT_EQ(modal.Records().size(), 1u);
  modal.UninstallScript();
}

}  // namespace

namespace {

TEST_F(Dictionary, LanguageTextsDumpAsADictionaryTheLoaderReads) {
  const CString path = folder_ + L"POR_LANG.txt";
  ASSERT_TRUE(brelvano::DumpLanguageStrings(path));
  std::string bytes;
  ASSERT_TRUE(platform::ReadWholeFile(path, bytes));
  size_t lines = 0;
  for (char c : bytes) lines += c == '\n' ? 1 : 0;
  EXPECT_GE(lines, 763u) << "texts 1001 to 1763 (a few hold line breaks of their own)";
  EXPECT_NE(bytes.find("Debounce time (Min)=Tempo de debounce (Min)\r\n"), std::string::npos);
  ASSERT_TRUE(LoadPortugueseDictionary(map_, kPortuguese, folder_));
  EXPECT_EQ(Translate(map_, L"Debounce time (Min)"), CString(L"Tempo de debounce (Min)"));
  EXPECT_FALSE(brelvano::DumpLanguageStrings(folder_ + L"no/such/folder/Test.txt"));
}

}  // namespace
