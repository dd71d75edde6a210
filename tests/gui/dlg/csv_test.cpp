// Tests of the assignment-header CSV of the main window: the bytes written from the device's table,
// the lines read back (from the written file for a JSON-definition device, from the best-ranked
// file of the Document folder otherwise), unreadable files, and the two text splitters.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "gui/dlg/brelvanodlg.h"
#include "mainwindow_fixture.h"
#include "platform/modal.h"

namespace {

std::vector<CString> Lines(std::initializer_list<const wchar_t*> texts) {
  std::vector<CString> out;
  for (const wchar_t* t : texts) out.emplace_back(t);
  return out;
}

class CsvTest : public testsupport::MainWindowFixture {
 protected:
  CBrelvanoDlg* OpenDevice(const wchar_t* model, const wchar_t* version, int json) {
    CBrelvanoDlg* dlg = Open();
    dlg->m_deviceInfo.strModel = model;
    dlg->m_deviceInfo.strVersion = version;
    dlg->m_deviceInfo.bJsonParam = json;
    return dlg;
  }
};

TEST_F(CsvTest, WrittenBytesAndReadBack) {
  struct Case {
    const char* name;
    CString text;            // the table as the reply gives it (ESC already turned into LF)
    std::string bytes;       // the file afterwards
    std::vector<CString> lines;
  };
  const Case cases[] = {
      {"two lines", L"1,A,x\n2,B,y\n", "1,A,x\n2,B,y\n", Lines({L"1,A,x", L"2,B,y"})},
      {"no final line break", L"1,A,x\n2,B,y", "1,A,x\n2,B,y", Lines({L"1,A,x", L"2,B,y"})},
      {"an empty line inside", L"1,A\n\n2,B\n", "1,A\n\n2,B\n", Lines({L"1,A", L"", L"2,B"})},
      {"three groups", L"1,A,a,2,B,b,3,C,c\n", "1,A,a,2,B,b,3,C,c\n", Lines({L"1,A,a,2,B,b,3,C,c"})},
      {"non-ASCII text as UTF-8", L"1,\x00C4pfel,\x00FC\n", "1,\xC3\x84pfel,\xC3\xBC\n", Lines({L"1,\x00C4pfel,\x00FC"})},
      {"an empty table", L"", "", {}},  // written as no bytes at all
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CBrelvanoDlg* dlg = OpenDevice(L"VR835", L"278", 1);
    ASSERT_TRUE(dlg->WriteAssignHeaderCsv(c.text));
    const CString expectedPath = dlg->m_strDocumentDir + L"ASSIGN_HEADER_TABLE_FOR_BRELVANO_VR835_278.csv";
    EXPECT_EQ(dlg->m_strAssignCsvPath, expectedPath);
    const std::string written = m_folder.Read("Document/ASSIGN_HEADER_TABLE_FOR_BRELVANO_VR835_278.csv");
    EXPECT_EQ(written, c.bytes.empty() ? c.text.ToUtf8() : c.bytes);
    std::vector<CString> lines = Lines({L"kept"});
    ASSERT_TRUE(dlg->ReadAssignHeaderCsv(lines));
    std::vector<CString> expected = Lines({L"kept"});
    expected.insert(expected.end(), c.lines.begin(), c.lines.end());
    EXPECT_EQ(lines, expected);
    m_dlg.reset();
  }
}

TEST_F(CsvTest, RewriteReplacesTheWholeFile) {
  CBrelvanoDlg* dlg = OpenDevice(L"VR835", L"278", 1);
  ASSERT_TRUE(dlg->WriteAssignHeaderCsv(L"1,LONG TEXT,long description\n2,B,y\n"));
  ASSERT_TRUE(dlg->WriteAssignHeaderCsv(L"3,C\n"));
  EXPECT_EQ(m_folder.Read("Document/ASSIGN_HEADER_TABLE_FOR_BRELVANO_VR835_278.csv"), "3,C\n");
}

TEST_F(CsvTest, DeviceTextsCannotLeaveTheDocumentFolder) {
  CBrelvanoDlg* dlg = OpenDevice(L"../VR/x", L"1\\2", 1);
  ASSERT_TRUE(dlg->WriteAssignHeaderCsv(L"1,A\n"));
  EXPECT_EQ(dlg->m_strAssignCsvPath, dlg->m_strDocumentDir + L"ASSIGN_HEADER_TABLE_FOR_BRELVANO_VRx_12.csv");
  EXPECT_TRUE(m_folder.Exists("Document/ASSIGN_HEADER_TABLE_FOR_BRELVANO_VRx_12.csv"));
}

TEST_F(CsvTest, WriteFailsWhenTheDocumentFolderCannotBeMade) {
  m_folder.Write("Document", "a file where the folder should be");
  CBrelvanoDlg* dlg = OpenDevice(L"VR835", L"278", 1);
  EXPECT_FALSE(dlg->WriteAssignHeaderCsv(L"1,A\n"));
  EXPECT_EQ(m_folder.Read("Document"), "a file where the folder should be");
  EXPECT_TRUE(Records(platform::ModalKind::MessageBox).empty());
}

TEST_F(CsvTest, LineBreaksOfAFileReadBack) {
  struct Case {
    const char* name;
    std::string bytes;
    std::vector<CString> lines;
  };
  const Case cases[] = {
      {"CR LF", "1,A\r\n2,B\r\n", Lines({L"1,A", L"2,B"})},
      {"mixed", "1,A\r\n2,B\n3,C", Lines({L"1,A", L"2,B", L"3,C"})},
      {"a lone CR stays in its line", "1,A\r2,B\n", Lines({L"1,A\r2,B"})},
      {"byte-order mark", "\xEF\xBB\xBF" "1,A\n", Lines({L"1,A"})},
      {"only line breaks", "\n\n", Lines({L"", L""})},
      {"empty file", "", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CBrelvanoDlg* dlg = OpenDevice(L"VR835", L"278", 1);
    std::filesystem::create_directories(m_folder.Path("Document"));
    m_folder.Write("Document/table.csv", c.bytes);
    dlg->m_strAssignCsvPath = m_folder.CPath("Document/table.csv");
    std::vector<CString> lines;
    ASSERT_TRUE(dlg->ReadAssignHeaderCsv(lines));
    EXPECT_EQ(lines, c.lines);
    m_dlg.reset();
  }
}

// The table reads as UTF-8, or in the legacy code page when its bytes are not UTF-8 (tables made for
// devices with an XML definition), for the written file and the file found in the Document folder.
TEST_F(CsvTest, TextsReadInTheEncodingOfTheFile) {
  struct Case {
    const char* name;
    std::string bytes;
    std::vector<CString> lines;
  };
  const Case cases[] = {
      {"UTF-8", "1,Igni\xC3\xA7\xC3\xA3o,x\n", Lines({L"1,Igni\x00E7\x00E3o,x"})},
      {"legacy code page", "1,\xC7\xD1\xB1\xDB,\xB1\xDB\r\n2,B,y\n", Lines({L"1,\xD55C\xAE00,\xAE00", L"2,B,y"})},
      {"ASCII", "1,A,x\n", Lines({L"1,A,x"})},
  };
  for (const Case& c : cases) {
    for (int json : {1, 0}) {
      SCOPED_TRACE(std::string(c.name) + (json ? ", written file" : ", found in the Document folder"));
      CBrelvanoDlg* dlg = OpenDevice(L"VR835", L"278", json);
      std::filesystem::create_directories(m_folder.Path("Document"));
      m_folder.Write("Document/Table_270.csv", c.bytes);
      dlg->m_strAssignCsvPath = m_folder.CPath("Document/Table_270.csv");
      std::vector<CString> lines;
      ASSERT_TRUE(dlg->ReadAssignHeaderCsv(lines));
      EXPECT_EQ(lines, c.lines);
      m_dlg.reset();
    }
  }
}

// A device with an XML definition reads the CSV with the highest number not above its firmware.
TEST_F(CsvTest, XmlDeviceReadsTheRankedFile) {
  std::filesystem::create_directories(m_folder.Path("Document"));
  m_folder.Write("Document/Table_200.csv", "200\n");
  m_folder.Write("Document/Table_270.csv", "270\n");
  m_folder.Write("Document/ASSIGN_HEADER_TABLE_FOR_BRELVANO_VR835_278.csv", "json\n");
  CBrelvanoDlg* dlg = OpenDevice(L"VR835", L"278", 0);
  dlg->m_strAssignCsvPath = m_folder.CPath("Document/ASSIGN_HEADER_TABLE_FOR_BRELVANO_VR835_278.csv");
  std::vector<CString> lines;
  ASSERT_TRUE(dlg->ReadAssignHeaderCsv(lines));
  EXPECT_EQ(lines, Lines({L"270"}));
}

TEST_F(CsvTest, UnreadableFilesShowAMessage) {
  struct Case {
    const char* name;
    int json;
    const char* path;  // m_strAssignCsvPath below the test folder (nullptr: empty)
  };
  const Case cases[] = {
      {"JSON device without a written table", 1, nullptr},
      {"JSON device, file gone", 1, "Document/gone.csv"},
      {"JSON device, a folder", 1, "Document"},
      {"XML device, no ranked file", 0, nullptr},
  };
  std::filesystem::create_directories(m_folder.Path("Document"));
  m_folder.Write("Document/NoDigits.csv", "1,A\n");
  auto& modal = platform::ModalService::Instance();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CBrelvanoDlg* dlg = OpenDevice(L"VR835", L"278", c.json);
    dlg->m_strAssignCsvPath = c.path != nullptr ? m_folder.CPath(c.path) : CString();
    modal.ClearRecords();
    modal.ExpectMessageBox(IDOK);
    std::vector<CString> lines;
    EXPECT_FALSE(dlg->ReadAssignHeaderCsv(lines));
    EXPECT_TRUE(lines.empty());
    EXPECT_EQ(Records(platform::ModalKind::MessageBox).size(), 1u);
    m_dlg.reset();
  }
}

TEST(CsvSplitTest, SplitString) {
  struct Case {
    const wchar_t* src;
    wchar_t sep;
    std::vector<CString> pieces;
  };
  const Case cases[] = {
      {L"a,,b", L',', Lines({L"a", L"", L"b"})},
      {L"a,b,", L',', Lines({L"a", L"b"})},
      {L",", L',', Lines({L""})},
      {L",a", L',', Lines({L"", L"a"})},
      {L"", L',', {}},
      {L"abc", L',', Lines({L"abc"})},
      {L"x\ny\n", L'\n', Lines({L"x", L"y"})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(CString(c.src).ToUtf8());
    std::vector<CString> out = Lines({L"before"});
    CBrelvanoDlg::SplitString(out, c.src, c.sep);
    std::vector<CString> expected = Lines({L"before"});
    expected.insert(expected.end(), c.pieces.begin(), c.pieces.end());
    EXPECT_EQ(out, expected);
  }
}

TEST(CsvSplitTest, SplitByString) {
  struct Case {
    const wchar_t* src;
    const wchar_t* sep;
    int count;
    std::vector<CString> pieces;
  };
  const Case cases[] = {
      {L"k=v", L"=", 1, Lines({L"k", L"v"})},
      {L"k=", L"=", 1, Lines({L"k", L""})},
      {L"", L"=", 0, {}},
      {L"==", L"=", 2, Lines({L"", L"", L""})},
      {L"a::b::c", L"::", 2, Lines({L"a", L"b", L"c"})},
      {L"a:b", L"::", 0, Lines({L"a:b"})},
      {L"abc", L"", 0, Lines({L"abc"})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(CString(c.src).ToUtf8());
    CStringArray out;
    EXPECT_EQ(CBrelvanoDlg::SplitByString(c.src, c.sep, out), c.count);
    ASSERT_EQ(static_cast<size_t>(out.GetSize()), c.pieces.size());
    for (size_t i = 0; i < c.pieces.size(); ++i) EXPECT_EQ(out[static_cast<INT_PTR>(i)], c.pieces[i]);
  }
}

}  // namespace
