// Tests of the definition files of the main window: the version-ranked Document folder search, the
// definition file choice through the scripted file dialog, the loading of the chosen file (Open
// button and the JSON road of a session opened with a file), and the main definition of the
// Document folder with its window title.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "gui/dlg/brelvanodlg.h"
#include "mainwindow_fixture.h"
#include "platform/modal.h"

namespace {

const char kJsonDefinition[] = R"({"brelvano": [{"info": [{"S": "JS1", "V": "7"}]},
  {"Main": [{"info": [{"id": "1", "hdr": "MAI"}]}, {"Speed": [{"type": "edit"}]}]}]})";

const char kXmlDefinition[] = R"(<brelvano S="XS1" V="1.2"><grp id="1" title="G" hdr="GEN"><item fid="A" type="edit"/></grp></brelvano>)";

// A version reply: identity in field 3, fields 4 to 14 zero, field 15 the JSON mark.
CString VersionLine(const wchar_t* identity, int json) {
  CString line = CString(L"$PVR;Ver;") + identity;
  for (int field = 4; field <= 14; ++field) line += L";0";
  line += json ? L";1" : L";0";
  line += L";;;";
  return line;
}

class DocFilesTest : public testsupport::MainWindowFixture {
 protected:
  CString WriteFile(const std::string& relative, const std::string& bytes) {
    std::filesystem::create_directories(std::filesystem::path(m_folder.Path(relative)).parent_path());
    m_folder.Write(relative, bytes);
    return m_folder.CPath(relative);
  }

};

TEST_F(DocFilesTest, FindDocumentFileRanksByTheDigitsOfTheName) {
  struct Case {
    const char* name;
    std::vector<std::string> files;  // a name ending in '/' is a folder
    const wchar_t* model;
    const wchar_t* version;
    int kind;
    const char* expected;            // "" when nothing qualifies
  };
  const std::vector<std::string> mixed = {"A_Param_270.xml", "A_Param_280.xml", "A_Report_275.xml"};
  const Case cases[] = {
      {"main: highest not above the firmware", mixed, L"", L"278", 0, "A_Param_270.xml"},
      {"report: any .xml name takes part", mixed, L"", L"278", 1, "A_Report_275.xml"},
      {"main: the model's digits do not count", {"VR835_Param_201.xml"}, L"VR835", L"300", 0, "VR835_Param_201.xml"},
      {"main: without the model they count", {"VR835_Param_201.xml"}, L"", L"300", 0, ""},
      {"csv: the model's digits count", {"X_VR835_201.csv"}, L"VR835", L"300", 2, ""},
      {"csv: ranked as 835201", {"X_VR835_201.csv"}, L"VR835", L"835201", 2, "X_VR835_201.csv"},
      {"a number of 0 never qualifies", {"A_Param_0.xml"}, L"", L"278", 0, ""},
      {"firmware without digits", {"A_Param_100.xml"}, L"", L"abc", 0, ""},
      {"firmware with a fraction", {"T_100.csv", "T_200.csv", "T_300.csv"}, L"", L"250.5", 2, "T_200.csv"},
      {"equal numbers: the first one stays", {"A_Param_1_5.xml", "B_Param_15.xml"}, L"", L"20", 0,
       "A_Param_1_5.xml"},
      {"folders do not take part", {"C_Param_100.xml/", "D_Param_50.xml"}, L"", L"278", 0, "D_Param_50.xml"},
      {"a number too large for any firmware", {"A_Param_99999999999999999999.xml", "A_Param_7.xml"}, L"", L"278",
       0, "A_Param_7.xml"},
      {"report: either word is enough", {"Main_100.xml", "Report_200.txt"}, L"", L"300", 1, "Report_200.txt"},
      {"names are compared in their letter case", {"a_param_100.xml", "A_PARAM_100.XML", "B_Param_1.XML"}, L"",
       L"300", 0, ""},
      {"main: report files are excluded", {"A_Param_Report_100.xml"}, L"", L"300", 0, ""},
      {"a name without digits", {"Param.csv"}, L"", L"300", 2, ""},
      {"other kinds take every file", {"notes_12.txt", "A_Param_10.xml"}, L"", L"50", 9, "notes_12.txt"},
      {"an empty folder", {}, L"", L"300", 0, ""},
  };
  CBrelvanoDlg* dlg = Open();
  int index = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string folder = "rank" + std::to_string(index++);
    std::filesystem::create_directories(m_folder.Path(folder));
    for (const std::string& f : c.files) {
      if (!f.empty() && f.back() == '/')
        std::filesystem::create_directories(m_folder.Path(folder + "/" + f));
      else
        m_folder.Write(folder + "/" + f, "x");
    }
    dlg->m_deviceInfo.strModel = c.model;
    dlg->m_deviceInfo.strVersion = c.version;
    const CString found = dlg->FindDocumentFile(m_folder.CPath(folder) + L"/", c.kind);
    if (*c.expected == '\0') {
      EXPECT_TRUE(found.IsEmpty()) << found.ToUtf8();
    } else {
      EXPECT_EQ(found, m_folder.CPath(folder + "/" + c.expected));
    }
  }
  dlg->m_deviceInfo.strVersion = L"300";
  EXPECT_TRUE(dlg->FindDocumentFile(m_folder.CPath("missing") + L"/", 0).IsEmpty());
}

TEST_F(DocFilesTest, FindAssignCsvFileMatchesTheDigitsOfTheIdentityField) {
  CBrelvanoDlg* dlg = Open();
  WriteFile("Document/ASSIGN_12.csv", "x");
  WriteFile("Document/ASSIGN_7.csv", "x");
  WriteFile("Document/OTHER_12.txt", "x");
  WriteFile("Document/NOTES_1_2.csv/inner", "x");  // a folder: no file
  const struct {
    const wchar_t* field;
    const char* expected;  // "" when none
  } cases[] = {{L"12", "Document/ASSIGN_12.csv"}, {L"7 units", "Document/ASSIGN_7.csv"}, {L"3", ""}, {L"", ""}};
  for (const auto& c : cases) {
    SCOPED_TRACE(CString(c.field).ToUtf8());
    dlg->m_deviceInfo.strVerField16 = c.field;
    CString path = L"left over";
    EXPECT_EQ(dlg->FindAssignCsvFile(path), *c.expected ? TRUE : FALSE);
    EXPECT_EQ(path, *c.expected ? m_folder.CPath(c.expected) : CString());
  }
}

TEST_F(DocFilesTest, ChooseDefinitionFileNameRules) {
  struct Case {
    const char* name;
    const wchar_t* chosen;  // empty: the dialog is cancelled
    BOOL result;
    int flag;               // the JSON/UP flag afterwards (it was -1)
    int json;               // bJsonParam afterwards (it was 0)
    BOOL newFirmware;
    BOOL message;           // "invalid file"
  };
  const Case cases[] = {
      {"JSON definition", L"/defs/VR835_Param.json", TRUE, 1, 1, TRUE, FALSE},
      {"numbered-parameter XML", L"/defs/x_Param_UP.xml", TRUE, 1, 0, FALSE, FALSE},
      {"the folder carries the name", L"/my_Param/dev.xml", TRUE, 0, 0, FALSE, FALSE},
      {"downloaded copy", L"/defs/BrelvanoParam.xml", TRUE, 0, 0, FALSE, FALSE},
      {"JSON copy", L"/defs/JsonParam.json", TRUE, 1, 1, TRUE, FALSE},
      {"word in another case", L"/defs/x_param.xml", FALSE, -1, 0, FALSE, TRUE},
      {"no word", L"/defs/other.xml", FALSE, -1, 0, FALSE, TRUE},
      {"cancelled", L"", FALSE, -1, 0, FALSE, FALSE},
  };
  auto& modal = platform::ModalService::Instance();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CBrelvanoDlg* dlg = Open();
    dlg->m_deviceInfo.strModel = L"VR1";
    dlg->m_deviceInfo.bJsonParam = 0;
    dlg->m_bNewFirmware = FALSE;
    modal.ClearRecords();
    modal.ExpectFileDialog(c.chosen);
    if (c.message) modal.ExpectMessageBox(IDOK);
    int flag = -1;
    EXPECT_EQ(dlg->ChooseDefinitionFile(&flag), c.result);
    EXPECT_EQ(flag, c.flag);
    EXPECT_EQ(dlg->m_deviceInfo.bJsonParam, c.json);
    EXPECT_EQ(dlg->m_bNewFirmware, c.newFirmware);
    EXPECT_EQ(g_bFileMode, c.result);
    EXPECT_EQ(dlg->m_strDefinitionPath, c.result || c.message ? CString(c.chosen) : CString());
    if (c.json) {
      EXPECT_EQ(dlg->m_deviceInfo.strVerField16, L"1");
    }
    const auto boxes = Records(platform::ModalKind::MessageBox);
    ASSERT_EQ(boxes.size(), c.message ? 1u : 0u);
    if (c.message) {
      EXPECT_EQ(boxes[0].text, L"invalid file");
      EXPECT_TRUE(dlg->m_deviceInfo.strModel.IsEmpty()) << "the identity is cleared";
    } else {
      EXPECT_EQ(dlg->m_deviceInfo.strModel, L"VR1");
    }
    m_dlg.reset();
  }
}

// A session opened with a file, whose device declares a JSON definition: the choice, then the
// chosen file is loaded, and nothing is asked of the device.
TEST_F(DocFilesTest, DirectVersionJsonRoadLoadsTheChosenFile) {
  TolerateMissingAssignCsv();  // numbered-set pages without a CSV in the Document folder
  const CString json = WriteFile("defs/Dev_JsonParam.json", kJsonDefinition);
  const CString xml = WriteFile("defs/Dev_Param_UP.xml", kXmlDefinition);
  struct Case {
    const char* name;
    CString chosen;
    const wchar_t* token;  // strS afterwards ("" nothing loaded)
    int tabs;
  };
  const Case cases[] = {
      {"a JSON file", json, L"JS1", 3},
      {"an XML file", xml, L"XS1", 3},
      {"cancelled", CString(), L"", 0},
  };
  auto& modal = platform::ModalService::Instance();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CBrelvanoDlg* dlg = Open();
    dlg->m_bDirectVersion = TRUE;
    modal.ClearRecords();
    modal.ExpectFileDialog(c.chosen);
    dlg->OnVersionReply(VersionLine(L"VR900_AB_GEN_1.5", 1));
    EXPECT_EQ(Records(platform::ModalKind::FileOpen).size(), 1u);
    EXPECT_EQ(dlg->m_defHeader.strS, c.token);
    EXPECT_EQ(dlg->m_nTabCount, c.tabs);
    EXPECT_EQ(dlg->m_bUpProtocol, c.chosen.IsEmpty() ? FALSE : TRUE);
    EXPECT_TRUE(dlg->m_strPendingCommand.IsEmpty()) << dlg->m_strPendingCommand.ToUtf8();
    if (c.tabs > 0) {
      EXPECT_NE(dlg->m_pSettingDlg, nullptr);
      EXPECT_NE(dlg->m_pMenuDlg, nullptr);
    }
    m_dlg.reset();
  }
}

TEST_F(DocFilesTest, OpenButtonLoadsAChosenJsonFileWithoutAPort) {
  TolerateMissingAssignCsv();  // numbered-set pages without a CSV in the Document folder
  const CString json = WriteFile("defs/Dev_JsonParam.json", kJsonDefinition);
  CBrelvanoDlg* dlg = Open();
  dlg->m_deviceInfo.bJsonParam = 0;
  platform::ModalService::Instance().ExpectFileDialog(json);
  dlg->OnBnClickedOpenDefinition();
  EXPECT_EQ(dlg->m_defHeader.strS, L"JS1");
  EXPECT_EQ(dlg->m_nTabCount, 3);
  EXPECT_TRUE(dlg->m_bUpProtocol);
  EXPECT_TRUE(dlg->m_bDirectVersion);
  EXPECT_FALSE(dlg->m_bPortOpen);
  EXPECT_EQ(dlg->m_strAssignCsvPath, dlg->m_strDocumentDir + L"ASSIGN_HEADER_TABLE_FOR_BRELVANO_JS1_7.csv");
}

TEST_F(DocFilesTest, OpenMainXmlLoadsTheRankedFileAndShowsItsVersion) {
  WriteFile("Document/VR600_Param_100.xml", kXmlDefinition);
  WriteFile("Document/VR600_Param_200.xml", R"(<brelvano S="TOO_NEW" V="9"/>)");
  CBrelvanoDlg* dlg = Open();
  dlg->m_deviceInfo.strModel = L"VR600";
  dlg->m_deviceInfo.strVersion = L"150";
  dlg->OpenMainXml();
  EXPECT_EQ(dlg->m_defHeader.strS, L"XS1");
  EXPECT_TRUE(dlg->m_bOpenMode);
  EXPECT_TRUE(dlg->m_bAtPrefix);
  CString title;
  dlg->GetWindowText(title);
  EXPECT_EQ(title, L"Brelvano_v5 - Kestova Int. (MainXml Ver : 1.2)");

  // Nothing qualifies: the loader reports the failed open.
  dlg->m_deviceInfo.strVersion = L"50";
  auto& modal = platform::ModalService::Instance();
  modal.ClearRecords();
  modal.ExpectMessageBox(IDOK);
  dlg->OpenMainXml();
  EXPECT_EQ(Records(platform::ModalKind::MessageBox).size(), 1u);
}

}  // namespace
