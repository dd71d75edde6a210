// Tests of the report definition: the report-map request of an "edit+button" parameter, the report
// file of the Document folder read into the report tables, and the cases without a report map.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "gui/dlg/brelvanodlg.h"
#include "definition_fixture.h"
#include "platform/modal.h"

namespace {

const char kReport[] = R"XML(<?xml version="1.0"?>
<Brelvano S="RPT1" I="U" P="p" V="2" D="," R="ignored">
  <grp id="12" tab_id="3" title="Event reports" type="assign" hdr="REP">
    <item fid="Ignition" type="check box" id="4"/>
    <item fid="Alert" type="alert_id" reserve="1"/>
    <item fid="Small" type="sAssign" max="8" base="2"/>
    <item fid="Medium" type="mAssign"/>
    <item fid="Large" type="lAssign"/>
    <item fid="Other" type="any"/>
    <item fid="Listed" type="check box" num="3"><ele>a</ele></item>
    <item fid="Kept" type="strange"/>
  </grp>
  <grp id="13" title="Timed reports">
    <item fid="Every minute" type="check box"/>
  </grp>
</Brelvano>
)XML";

using testsupport::ReportTabParams;

class ReportDefinitionTest : public testsupport::MainWindowFixture {
 protected:
  CBrelvanoDlg* OpenReady(BOOL bUpProtocol, int bJson) {
    CBrelvanoDlg* dlg = Open();
    dlg->m_bUpProtocol = bUpProtocol;
    dlg->m_deviceInfo.bJsonParam = bJson;
    // The Document folder search takes the file with the highest number not above the firmware.
    dlg->m_deviceInfo.strVersion = L"300";
    return dlg;
  }
  void WriteReportFile(const std::string& name, const std::string& bytes) {
    std::filesystem::create_directories(m_folder.Path("Document"));
    // A name without digits gets a version number, which the Document folder search needs.
    std::string ranked = name;
    if (ranked.find_first_of("0123456789") == std::string::npos && ranked.rfind('.') != std::string::npos)
      ranked.insert(ranked.rfind('.'), "_100");
    m_folder.Write("Document/" + ranked, bytes);
  }
  LRESULT Click(CBrelvanoDlg* dlg, REPORT_MAP_REQUEST& request) {
    return dlg->SendMessage(WM_OPEN_REPORT_MAP, 0, reinterpret_cast<LPARAM>(&request));
  }
};

TEST_F(ReportDefinitionTest, ReportFileFillsTheReportTables) {
  CBrelvanoDlg* dlg = OpenReady(TRUE, 0);
  WriteReportFile("ReportParam.xml", kReport);
  PARAM_INFO clicked;
  clicked.nId = 12;
  REPORT_MAP_REQUEST& request = *new REPORT_MAP_REQUEST();  // the main window takes it
  request.pParam = &clicked;
  request.nValueCtrlId = 1234;
  EXPECT_EQ(Click(dlg, request), 0);

  EXPECT_EQ(dlg->m_pReportMapRequest, &request);
  EXPECT_EQ(request.nReportTab, 0);
  EXPECT_EQ(dlg->m_reportHeader.strS, L"RPT1");
  EXPECT_EQ(dlg->m_reportHeader.strI, L"U");
  EXPECT_EQ(dlg->m_reportHeader.strP, L"p");
  EXPECT_EQ(dlg->m_reportHeader.strV, L"2");
  EXPECT_EQ(dlg->m_reportHeader.strD, L",");
  EXPECT_EQ(dlg->m_reportHeader.strR, L"");  // not read from a report file

  ASSERT_EQ(dlg->m_nReportTabCount, 2);
  const TAB_INFO& first = dlg->m_reportTabInfo[0];
  EXPECT_EQ(first.nIndex, 0);
  EXPECT_EQ(first.nType, 12);
  EXPECT_EQ(first.nTabId, 3);
  EXPECT_EQ(first.strTitle, L"Event reports");
  EXPECT_EQ(first.bAssign, TRUE);
  EXPECT_EQ(first.strHdr, L"REP");
  EXPECT_EQ(dlg->m_reportTabInfo[1].nType, 13);
  EXPECT_EQ(dlg->m_reportTabInfo[1].strHdr, L"");

  const std::vector<PARAM_INFO*> items = ReportTabParams(dlg, 0);
  const struct {
    const wchar_t* name;
    int nCtrlType;
  } kItems[] = {
      {L"Ignition", CTRL_CHECK_BOX}, {L"Alert", CTRL_ALERT_ID}, {L"Small", CTRL_S_ASSIGN},
      {L"Medium", CTRL_M_ASSIGN},    {L"Large", CTRL_L_ASSIGN}, {L"Other", CTRL_ANY},
      // "Listed" declares options and is not added; "Kept" has an unknown type and keeps Listed's.
      {L"Kept", CTRL_CHECK_BOX},
  };
  ASSERT_EQ(items.size(), std::size(kItems));
  for (size_t i = 0; i < items.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(items[i]->strName, kItems[i].name);
    EXPECT_EQ(items[i]->nCtrlType, kItems[i].nCtrlType);
    EXPECT_EQ(items[i]->pOptions, nullptr);
    EXPECT_EQ(items[i]->strHdr, L"REP");
    EXPECT_EQ(items[i]->nTabId, 3);
    EXPECT_EQ(items[i]->bAssign, TRUE);
  }
  EXPECT_EQ(items[0]->nType, 4);
  EXPECT_EQ(items[1]->bReserve, TRUE);
  EXPECT_EQ(items[2]->nMax, 8);
  EXPECT_EQ(items[2]->nBase, 2);
  EXPECT_EQ(ReportTabParams(dlg, 1).size(), 1u);

  EXPECT_NE(dlg->m_pReportDlg, nullptr);
  EXPECT_EQ(dlg->m_reportPageInfo.pParams, &dlg->m_pReportParamLists[0]);

  // A second click reads the file anew and replaces the lists.
  clicked.nId = 13;
  Click(dlg, request);
  EXPECT_EQ(request.nReportTab, 1);
  EXPECT_EQ(dlg->m_nReportTabCount, 2);
  EXPECT_EQ(ReportTabParams(dlg, 0).size(), std::size(kItems));
}

TEST_F(ReportDefinitionTest, NoMatchingTabAsksToCheckTheXml) {
  CBrelvanoDlg* dlg = OpenReady(TRUE, 0);
  WriteReportFile("RPT_main.xml", kReport);
  PARAM_INFO clicked;
  clicked.nId = 99;
  REPORT_MAP_REQUEST& request = *new REPORT_MAP_REQUEST();  // the main window takes it
  request.pParam = &clicked;
  platform::ModalService::Instance().ExpectMessageBox(IDOK);
  Click(dlg, request);
  EXPECT_EQ(request.nReportTab, -1);
  const auto boxes = Records(platform::ModalKind::MessageBox);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, L"Check the XML");
  EXPECT_EQ(dlg->m_pReportDlg, nullptr);
}

TEST_F(ReportDefinitionTest, CasesWithoutAReportFileRead) {
  const std::string report = kReport;
  const std::string cut = report.substr(0, report.find("<item fid=\"Every"));
  const struct {
    const char* what;
    BOOL bUpProtocol;
    int bJson;
    const char* file;       // report file written (nullptr: none)
    const char* contents;
  } kCases[] = {
      {"legacy command set", FALSE, 0, "ReportParam.xml", kReport},
      {"legacy set with a JSON definition", FALSE, 1, "ReportParam.xml", kReport},
      {"JSON definition", TRUE, 1, "ReportParam.xml", kReport},
      {"no report file", TRUE, 0, nullptr, nullptr},
      {"file that is neither .xml nor a report", TRUE, 0, "Main.txt", kReport},
      {"wrong root name", TRUE, 0, "Report.xml", "<root><grp id=\"12\"/></root>"},
      {"empty report file", TRUE, 0, "Report.xml", ""},
      {"truncated report file", TRUE, 0, "Report.xml", "<brelvano><grp id=\"12\""},
      {"report file cut inside its second tab", TRUE, 0, "Report.xml", cut.c_str()},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove_all(m_folder.Path("Document"));
    if (c.file) WriteReportFile(c.file, c.contents);
    CBrelvanoDlg* dlg = OpenReady(c.bUpProtocol, c.bJson);
    PARAM_INFO clicked;
    clicked.nId = 12;
    clicked.nOptions = 0;
    REPORT_MAP_REQUEST& request = *new REPORT_MAP_REQUEST();  // the main window takes it
    request.pParam = &clicked;
    dlg->m_bDefinitionPending = TRUE;
    Click(dlg, request);
    if (c.bUpProtocol && c.bJson) {
      // The JSON definition carries the report items itself: no file is read.
      EXPECT_EQ(request.nReportTab, 0);
    } else if (c.bUpProtocol) {
      EXPECT_EQ(dlg->m_bDefinitionPending, FALSE);
    }
    EXPECT_EQ(dlg->m_nReportTabCount, 0);
    if (!c.bUpProtocol) {
      EXPECT_EQ(dlg->m_pReportDlg, nullptr);
    }
    m_dlg.reset();
  }
}

TEST_F(ReportDefinitionTest, OversizedReportFileStaysInsideTheTable) {
  std::string many = "<brelvano>";
  for (int i = 0; i < 70; ++i) many += "<grp id=\"" + std::to_string(i) + "\"><item fid=\"x\" type=\"any\"/></grp>";
  many += "</brelvano>";
  WriteReportFile("Report.xml", many);
  CBrelvanoDlg* dlg = OpenReady(TRUE, 0);
  PARAM_INFO clicked;
  clicked.nId = 49;
  REPORT_MAP_REQUEST& request = *new REPORT_MAP_REQUEST();  // the main window takes it
  request.pParam = &clicked;
  Click(dlg, request);
  EXPECT_EQ(dlg->m_nReportTabCount, kMaxReportTabs);
  EXPECT_EQ(request.nReportTab, 49);
  EXPECT_EQ(ReportTabParams(dlg, kMaxReportTabs - 1).size(), 1u);
}

}  // namespace
