// The $-reply parser: its rows, the status chain to the local definition file of the device
// variant, the download start lines, the login results, the diagnosis record, and the roads the
// version reply takes up to the point where a definition is requested or loaded.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "gui/dlg/brelvanodlg.h"
#include "gui/dlg/geofencedlg.h"
#include "mainwindow_fixture.h"
#include "platform/files.h"
#include "platform/sync.h"

namespace {

// A small definition: the framing header and one tab.
constexpr char kDefinitionXml[] =
    "<brelvano S=\"$T\" D=\";\" cmd=\"SHDC\" res=\"SDRDH\" V=\"1\">"
    "<grp id=\"1\" title=\"General\" hdr=\"GEN\"></grp>"
    "</brelvano>";

class LegacyReplyTest : public testsupport::MainWindowFixture {
 protected:
  void SetUp() override {
    MainWindowFixture::SetUp();
    dlg = Open();
    ASSERT_NE(dlg, nullptr);
  }

  // A command the window sent or queued: the transmitter slot, or its echo in the log.
  bool Sent(const CString& command) const {
    if (dlg->m_strPendingCommand == command) return true;
    CString bare = command;
    bare.Remove(L'\r');
    return LogHas(bare);
  }
  bool LogHas(const CString& text) const {
    for (int i = 0; i < dlg->m_listLog.GetCount(); ++i)
      if (dlg->m_listLog.GetText(i).Find(text) >= 0) return true;
    return false;
  }
  void ClearSent() {
    dlg->m_strPendingCommand.Empty();
    dlg->m_listLog.ResetContent();
  }
  static void WriteFile(const CString& path, const std::string& bytes) {
    const int slash = path.ReverseFind(L'/');
    if (slash > 0) platform::CreateFolder(path.Left(slash));
    ASSERT_TRUE(platform::WriteWholeFile(path, bytes));
  }
  // A version reply line: the identity field and the flag fields 6 to 11 and 15.
  static CString VersionLine(const wchar_t* identity, const char* flags = "0;0;0;0;0;0", int json = 0) {
    CString line;
    line.Format(L"$PVR;Ver;%s;0;0;%s;0;0;0;%d;;;", identity, flags, json);
    return line;
  }

  CBrelvanoDlg* dlg = nullptr;
};

TEST_F(LegacyReplyTest, StatusSectionsAndReadyReplyQueueTheNextRequest) {
  struct Case {
    const wchar_t* line;
    BOOL atPrefix;
    const wchar_t* expected;
  };
  const Case cases[] = {
      {L"$PVR;NTW;1;0", FALSE, L"$PVRRPT\r"},   {L"$PVR;RPT;1", FALSE, L"$PVREVT\r"},
      {L"$PVR;EVT;1", FALSE, L"$PVRSVC\r"},     {L"$PVR;SVC;1", FALSE, L"$PVRGSM\r"},
      {L"$PVR;GSM;1", FALSE, L"$GetMSen;850000\r"}, {L"$PVR;GSM;1", TRUE, L"AT^$GetMSen;850000\r"},
      {L"$PVR;NTW", TRUE, L"AT^$PVRRPT\r"},     {L"$PVR;Rdy", FALSE, L"$PVRVer;1416\r"},
      {L"$PVR;Rdy", TRUE, L"AT^$PVRVer;1416\r"}, {L"$PVR;Rdy;UP", FALSE, L"AT^$PVRVer;1416\r"},
      {L"$PVR;SetLang;OK", FALSE, L"$PVRGetXml\r"}, {L"$PVR;SetLang;OK", TRUE, L"AT^$PVRGetXml\r"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(CString(c.line).ToUtf8());
    dlg->m_bAtPrefix = c.atPrefix;
    dlg->m_bUpProtocol = FALSE;
    ClearSent();
    dlg->ParseLegacyReply(c.line);
    EXPECT_EQ(dlg->m_strPendingCommand, CString(c.expected));
  }
  // Unknown keywords, other lines and a refused download acknowledgement send nothing.
  for (const wchar_t* line : {L"$PVR;XYZ;1", L"hello", L"$PVR;VRMCUDL;ERR", L"$PVR"}) {
    SCOPED_TRACE(CString(line).ToUtf8());
    ClearSent();
    dlg->ParseLegacyReply(line);
    EXPECT_TRUE(dlg->m_strPendingCommand.IsEmpty());
  }
}

TEST_F(LegacyReplyTest, ReadyReplySetsTheProtocolAndEndsTheHandshake) {
  struct Case {
    const wchar_t* line;
    BOOL atBefore;
    BOOL upAfter;
    BOOL atAfter;
  };
  const Case cases[] = {
      {L"$PVR;Rdy;UP", FALSE, TRUE, TRUE},
      {L"$PVR;Rdy", TRUE, FALSE, TRUE},
      {L"$PVR;Rdy;XX", FALSE, FALSE, FALSE},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(CString(c.line).ToUtf8());
    dlg->m_bAtPrefix = c.atBefore;
    dlg->m_bUpProtocol = TRUE;
    dlg->m_bWaitReady = TRUE;
    dlg->m_bStartPending = TRUE;
    dlg->m_nReadyRetries = 2;
    dlg->ParseLegacyReply(c.line);
    EXPECT_EQ(dlg->m_bUpProtocol, c.upAfter);
    EXPECT_EQ(dlg->m_bAtPrefix, c.atAfter);
    EXPECT_FALSE(dlg->m_bWaitReady);
    EXPECT_FALSE(dlg->m_bStartPending);
    EXPECT_EQ(dlg->m_nReadyRetries, 0);
  }
}

TEST_F(LegacyReplyTest, DiagnosisRecordByFieldCount) {
  struct Case {
    const wchar_t* line;
    int gps, network, hasExtra, showIButton, showOdo, showRpm;
    const wchar_t* iButton;
    const wchar_t* rpm;
  };
  const Case cases[] = {
      {L"$PVR;DIAG;0;3", 0, 3, 0, 0, 0, 0, L"", L""},
      {L"$PVR;DIAG;1;2;AB12", 1, 2, 1, 1, 0, 0, L"AB12", L""},
      {L"$PVR;DIAG;2;9;AB12;10;20;30;1500\r\n", 2, 9, 1, 1, 1, 1, L"AB12", L"1500"},
      {L"$PVR;DIAG;1", -1, -1, 0, 0, 0, 0, L"", L""},
      {L"$PVR;DIAG;1;2;3;4;5;6", -1, -1, 0, 0, 0, 0, L"", L""},
      {L"$PVR;DIAG;x;y", 0, 0, 0, 0, 0, 0, L"", L""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(CString(c.line).ToUtf8());
    const DIAG_INFO d = CBrelvanoDlg::BuildDiagInfo(c.line);
    EXPECT_EQ(d.nGpsState, c.gps);
    EXPECT_EQ(d.nNetworkState, c.network);
    EXPECT_EQ(d.bInitial, 0);
    EXPECT_EQ(d.bHasExtra, c.hasExtra);
    EXPECT_EQ(d.bShowIButton, c.showIButton);
    EXPECT_EQ(d.bShowOdo, c.showOdo);
    EXPECT_EQ(d.bShowRpm, c.showRpm);
    EXPECT_EQ(d.strIButtonId, CString(c.iButton));
    EXPECT_EQ(d.strRpm, CString(c.rpm));
    // Without a settings page the record goes nowhere, harmlessly.
    dlg->ParseLegacyReply(c.line);
  }
}

TEST_F(LegacyReplyTest, GeofenceStatusGoesToThePage) {
  // Without a page the line is dropped harmlessly.
  dlg->ParseLegacyReply(L"$PVR;GEO;Req;Zone 1 OK\r");
  auto* page = new CGeofenceDialog(dlg);
  dlg->m_pGeofenceDlg = page;  // owned by the main window from here on
  page->SetDeviceInfo(&dlg->m_deviceInfo, &dlg->m_defHeader);
  ASSERT_TRUE(page->Create(IDD_GEOFENCE_PAGE, dlg));
  const int before = page->m_listStatus.GetCount();
  dlg->ParseLegacyReply(L"$PVR;GEO;Req;Zone 1 OK\r");
  dlg->ParseLegacyReply(L"$PVR;GEO;Set;2");  // no "Req;": not shown
  ASSERT_EQ(page->m_listStatus.GetCount(), before + 1);
  CString shown;
  page->m_listStatus.GetText(before, shown);
  EXPECT_EQ(shown, CString(L"Zone 1 OK"));
}

TEST_F(LegacyReplyTest, DownloadAcknowledgementSetsTheEvent) {
  struct Case {
    const wchar_t* line;
    bool signalled;
  };
  const Case cases[] = {
      {L"$PVR;VRMCUDL;OK", true},
      {L"$PVR;VRMCUDLST;1", true},
      {L"$PVR;VRMCUDL;ERR", false},
      {L"$PVR;VRMCUDLX;OK", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(CString(c.line).ToUtf8());
    ResetEvent(dlg->m_hCommandAckEvent);
    dlg->ParseLegacyReply(c.line);
    EXPECT_EQ(WaitForSingleObject(dlg->m_hCommandAckEvent, 0) == WAIT_OBJECT_0, c.signalled);
  }
}

TEST_F(LegacyReplyTest, GetRepliesAreTakenOnlyWhileRequested) {
  // Not requested: not taken.
  dlg->m_bMVoltPending = FALSE;
  EXPECT_FALSE(dlg->ParseGetReply(L"$GetMSen;Res;1"));
  // The MSen request arms the answer; without translated names the ADP poll follows.
  dlg->m_bTranslateNames = FALSE;
  dlg->RequestStatusSection(9);
  EXPECT_TRUE(dlg->m_bMVoltPending);
  EXPECT_FALSE(dlg->ParseGetReply(L"$GetMSen;Err;1")) << "field 2 must be Res";
  dlg->m_nAdpRetries = 5;
  EXPECT_TRUE(dlg->ParseGetReply(L"$GetMSen;Res;1"));
  EXPECT_FALSE(dlg->m_bMVoltPending);
  EXPECT_EQ(dlg->m_strPendingCommand, CString(L"$PVRADP\r"));
  EXPECT_TRUE(dlg->m_bAdpPollRunning);
  EXPECT_EQ(dlg->m_nAdpRetries, 0) << "each ADP request restarts the count";
  // The MVolt answer leads to the MSen request.
  dlg->RequestStatusSection(16);
  EXPECT_TRUE(dlg->ParseGetReply(L"$GetMVolt;Res;12"));
  EXPECT_EQ(dlg->m_strPendingCommand, CString(L"$GetMSen;850000\r"));
  // Other $Get answers are consumed; the numbered-parameter protocol takes none.
  EXPECT_TRUE(dlg->ParseGetReply(L"$GetOther;Res"));
  dlg->m_bUpProtocol = TRUE;
  EXPECT_FALSE(dlg->ParseGetReply(L"$GetMSen;Res;1"));
  // Unknown section codes do nothing.
  dlg->m_strPendingCommand.Empty();
  dlg->RequestStatusSection(5);
  EXPECT_TRUE(dlg->m_strPendingCommand.IsEmpty());
}

TEST_F(LegacyReplyTest, AdpReplyCountsOnlyWhileThePollRuns) {
  SetLanguage(9);
  const CString base = dlg->m_strDefinitionBase;
  WriteFile(base + L"_Eng.xml", kDefinitionXml);
  // Unasked: dropped, nothing loaded.
  dlg->m_bAdpPollRunning = FALSE;
  dlg->ParseLegacyReply(L"$PVR;ADP;1");
  EXPECT_TRUE(dlg->m_defHeader.strS.IsEmpty());
  // Asked: the local definition loads and the poll ends.
  dlg->RequestStatusSection(8);
  dlg->ParseLegacyReply(L"$PVR;ADP;1");
  EXPECT_FALSE(dlg->m_bAdpPollRunning);
  EXPECT_EQ(dlg->m_defHeader.strS, CString(L"$T"));
}

TEST_F(LegacyReplyTest, LocalDefinitionByLanguage) {
  struct Case {
    DWORD language;
    const wchar_t* file;  // the file present (nullptr: none)
    bool loaded;
    bool missingBox;
  };
  const Case cases[] = {
      {9, L"_Eng.xml", true, false},
      {22, L"_Portu.xml", true, false},
      {22, L"_Eng.xml", false, true},
      {10, L"_Eng.xml", false, false},
      {9, nullptr, false, true},
  };
  int caseNo = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(caseNo);
    SetLanguage(c.language);
    dlg->m_defHeader.Clear();
    CString base;
    base.Format(L"Language XML/case%d", caseNo++);
    dlg->m_strDefinitionBase = base;
    if (c.file != nullptr) WriteFile(base + c.file, kDefinitionXml);
    platform::ModalService::Instance().ClearRecords();
    if (c.missingBox) platform::ModalService::Instance().ExpectMessageBox(IDOK);
    dlg->LoadLocalDefinition();
    EXPECT_EQ(!dlg->m_defHeader.strS.IsEmpty(), c.loaded);
    const auto boxes = Records(platform::ModalKind::MessageBox);
    ASSERT_EQ(boxes.size(), c.missingBox ? 1u : 0u);
    if (c.missingBox) { EXPECT_EQ(boxes[0].text, CString(L"Cannot Find XML File")); }
  }
}

TEST_F(LegacyReplyTest, StatusChainEndsInTheLocalVariantFile) {
  SetLanguage(9);
  // A V1 device: buyer AB, firmware 32 with the fifth part R, voice and CAN options.
  const CString expectedBase = L"Language XML/BrelvanoParam_VR835_AB_32R_Voice_CAN";
  WriteFile(expectedBase + L"_Eng.xml", kDefinitionXml);

  dlg->ParseLegacyReply(L"$PVR;Rdy");
  EXPECT_EQ(dlg->m_strPendingCommand, CString(L"$PVRVer;1416\r"));
  dlg->ParseLegacyReply(VersionLine(L"VR835_AB_GEN_32_R", "1;0;1;0;0;0"));
  EXPECT_EQ(dlg->m_strDefinitionBase, expectedBase);
  EXPECT_EQ(dlg->m_deviceInfo.strVersion, CString(L"32R"));
  EXPECT_DOUBLE_EQ(dlg->m_dFirmwareVersion, 32.0);

  // Each answer asks for the next section.
  const struct {
    const wchar_t* expected;
    const wchar_t* answer;
  } chain[] = {
      {L"$PVRNTW\r", L"$PVR;NTW;1;2"},          {L"$PVRRPT\r", L"$PVR;RPT;1"},
      {L"$PVREVT\r", L"$PVR;EVT;1"},            {L"$PVRSVC\r", L"$PVR;SVC;1"},
      {L"$PVRGSM\r", L"$PVR;GSM;1"},            {L"$GetMSen;850000\r", L"$GetMSen;Res;3"},
      {L"$PVRADP\r", L"$PVR;ADP;1"},
  };
  for (const auto& step : chain) {
    SCOPED_TRACE(CString(step.expected).ToUtf8());
    ASSERT_EQ(dlg->m_strPendingCommand, CString(step.expected));
    if (!dlg->ParseGetReply(step.answer)) dlg->ParseLegacyReply(step.answer);
  }
  EXPECT_EQ(dlg->m_defHeader.strS, CString(L"$T")) << "the local definition is loaded";
  EXPECT_EQ(dlg->m_tabInfo[0].strTitle, CString(L"General"));
}

TEST_F(LegacyReplyTest, DownloadStartLines) {
  dlg->m_deviceInfo.strVersion = L"32";
  // Single file without the AT^ forms.
  dlg->m_bAtPrefix = FALSE;
  dlg->m_nReadyRetries = 2;
  dlg->ParseLegacyReply(L"$PVR;StartXML;2048");
  EXPECT_TRUE(dlg->m_bXmlDownload);
  EXPECT_EQ(dlg->m_nXmlSize, 2048);
  EXPECT_EQ(dlg->m_nDownloadState, 1);
  EXPECT_EQ(dlg->m_nReadyRetries, 0);
  EXPECT_EQ(dlg->m_strPendingCommand, CString(L"$ReqXmlPk\r"));
  // Single file with AT^ for firmware from 100 to below 300.
  dlg->m_bAtPrefix = TRUE;
  dlg->m_deviceInfo.strVersion = L"150";
  dlg->ParseLegacyReply(L"$PVR;StartXML;512");
  EXPECT_EQ(dlg->m_strPendingCommand, CString(L"AT^$ReqXmlPk\r"));

  // Multi-file: the sizes of the sub-files, then the header line drops the report settings file.
  dlg->m_bXmlDownload = FALSE;
  dlg->m_deviceInfo.strVersion = L"32";
  dlg->ParseLegacyReply(L"$PVR;StartXML;3;100;600;300");
  EXPECT_EQ(dlg->m_nFileCount, 3);
  EXPECT_EQ(dlg->m_nXmlSize, 100);
  EXPECT_EQ(dlg->m_nPacketCount, 1);
  EXPECT_EQ(dlg->m_tabInfo[1].nSize, 600);
  EXPECT_EQ(dlg->m_tabInfo[2].nIndex, 2);
  EXPECT_EQ(dlg->m_strPendingCommand, CString(L"AT^$PVRReqHdr\r"));
  dlg->ParseLegacyReply(L"$PVR;Hdr;GEN;RPT_SET;GEO");
  EXPECT_EQ(dlg->m_nFileCount, 2);
  EXPECT_DOUBLE_EQ(dlg->m_dProgressStep, 50.0);
  EXPECT_EQ(dlg->m_tabInfo[0].strTitle, CString(L"GEN"));
  EXPECT_EQ(dlg->m_tabInfo[1].strTitle, CString(L"GEO"));
  EXPECT_EQ(dlg->m_tabInfo[1].nIndex, 2) << "the file keeps its number on the device";
  EXPECT_EQ(dlg->m_tabInfo[1].nSize, 300);
  EXPECT_TRUE(dlg->m_bXmlDownload);
  EXPECT_EQ(dlg->m_strPendingCommand, CString(L"AT^$ReqXmlPk;0;0\r"));

  // JSON.
  dlg->m_deviceInfo.strVersion = L"1.5";
  dlg->m_bNewFirmware = FALSE;
  dlg->ParseLegacyReply(L"$PVR;StartJSON;4096;4");
  EXPECT_TRUE(dlg->m_bJsonDownload);
  EXPECT_TRUE(dlg->m_bNewFirmware);
  EXPECT_EQ(dlg->m_nFileCount, 4);
  EXPECT_EQ(dlg->m_strPendingCommand, CString(L"AT^$ReqJsonPk;No;1\r"));
}

TEST_F(LegacyReplyTest, TooManySubFilesAbortTheDownload) {
  struct Case {
    const wchar_t* line;
    bool refused;
  };
  const Case cases[] = {
      {L"$PVR;StartXML;30;100", false},
      {L"$PVR;StartXML;31;100", true},
      {L"$PVR;StartXML;-1;100", true},
      {L"$PVR;StartJSON;100;31", true},
      {L"$PVR;StartJSON;100;30", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(CString(c.line).ToUtf8());
    dlg->m_bAtPrefix = TRUE;
    dlg->m_deviceInfo.strModel = L"VR835";
    dlg->m_deviceInfo.strVersion = L"32";
    dlg->m_bStartPending = TRUE;
    platform::ModalService::Instance().ClearRecords();
    if (c.refused) platform::ModalService::Instance().ExpectMessageBox(IDOK);
    dlg->ParseLegacyReply(c.line);
    const auto boxes = Records(platform::ModalKind::MessageBox);
    ASSERT_EQ(boxes.size(), c.refused ? 1u : 0u);
    if (c.refused) {
      EXPECT_EQ(boxes[0].text, CString(L"Warning : Please check the firmware version."));
      EXPECT_TRUE(dlg->m_deviceInfo.strModel.IsEmpty());
      EXPECT_FALSE(dlg->m_bStartPending);
    }
  }
}

TEST_F(LegacyReplyTest, LoginResults) {
  struct Case {
    const wchar_t* line;
    int json;
    const wchar_t* sent;   // nullptr: refused
    UINT messageText;      // language text of the refusal, 0 for the literal
    const wchar_t* literal;
  };
  const Case cases[] = {
      {L"$PVR;UPD;1", 0, L"$PVRGetXml\r", 0, nullptr},
      {L"$PVR;UPD;1", 1, L"AT^$PVRGetCsv\r\r", 0, nullptr},
      {L"$PVR;UPD;2", 0, nullptr, 1025, nullptr},
      {L"$PVR;UPD;3", 0, nullptr, 1026, nullptr},
      {L"$PVR;UPD;7", 0, nullptr, 0, L"ERROR. UPD Result: 7"},
      {L"$PVR;xUPDx;0", 0, nullptr, 0, L"ERROR. UPD Result: 0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(CString(c.line).ToUtf8());
    dlg->m_bAtPrefix = FALSE;
    dlg->m_deviceInfo.strModel = L"VR835";
    dlg->m_deviceInfo.bJsonParam = c.json;
    ClearSent();
    platform::ModalService::Instance().ClearRecords();
    if (c.sent == nullptr) platform::ModalService::Instance().ExpectMessageBox(IDOK);
    dlg->ParseLegacyReply(c.line);
    const auto boxes = Records(platform::ModalKind::MessageBox);
    if (c.sent != nullptr) {
      EXPECT_EQ(dlg->m_strPendingCommand, CString(c.sent));
      EXPECT_TRUE(boxes.empty());
    } else {
      ASSERT_EQ(boxes.size(), 1u);
      EXPECT_EQ(boxes[0].text, c.literal != nullptr ? CString(c.literal) : dlg->m_language.LoadString(c.messageText));
      EXPECT_TRUE(dlg->m_deviceInfo.strModel.IsEmpty()) << "the identity is reset";
    }
  }
}

TEST_F(LegacyReplyTest, AssignmentHeaderTableIsWrittenThenJsonRequested) {
  dlg->m_deviceInfo.strModel = L"VR9/..";
  dlg->m_deviceInfo.strVersion = L"1.2";
  dlg->ParseLegacyReply(L"$PVR;CSV;1,ID,Identifier\x1b"
                        L"2,SP,Speed");
  const CString path = platform::GetCurrentFolder() + L"/Document/ASSIGN_HEADER_TABLE_FOR_BRELVANO_VR9_1.2.csv";
  std::string bytes;
  ASSERT_TRUE(platform::ReadWholeFile(path, bytes)) << path.ToUtf8();
  EXPECT_EQ(bytes, "1,ID,Identifier\n2,SP,Speed");
  EXPECT_EQ(dlg->m_strAssignCsvPath, path);
  EXPECT_EQ(dlg->m_strPendingCommand, CString(L"AT^$PVRGetJson\r\r"));
}

// The roads of the version reply up to the definition request or load.
TEST_F(LegacyReplyTest, VersionReplyRoads) {
  struct Case {
    const char* name;
    const wchar_t* identity;
    const char* flags;  // fields 6 to 11: voice, RS232, CAN, security, login, input4
    int json;
    BOOL upProtocol;
    BOOL atPrefix;
    const wchar_t* sent;  // the command the road ends in (nullptr: none)
    const wchar_t* base;  // the definition base afterwards
    BOOL buyerVariant, translate, pending;
  };
  const wchar_t* root = L"Language XML/BrelvanoParam";
  const Case cases[] = {
      {"V1 starts the status chain", L"VR835_AB_GEN_32", "1;1;1;0;0;1", 0, FALSE, FALSE, L"$PVRNTW\r",
       L"Language XML/BrelvanoParam_VR835_AB_32_Voice_RS232_CAN_Input4", TRUE, FALSE, FALSE},
      {"V1 below 33", L"VR835_AB_GEN_32.9", "0;0;0;0;0;0", 0, FALSE, TRUE, L"AT^$PVRNTW\r",
       L"Language XML/BrelvanoParam_VR835_AB_32.9", TRUE, FALSE, FALSE},
      {"V1 six parts append nothing", L"VR839H_AB_GEN_10_R_S", "0;0;0;0;0;0", 0, FALSE, FALSE, L"$PVRNTW\r",
       L"Language XML/BrelvanoParam_VR835_AB_10", TRUE, FALSE, FALSE},
      {"device texts lose path characters", L"VR835_A/..\\B_GEN_3..2", "0;0;0;0;0;0", 0, FALSE, FALSE,
       L"$PVRNTW\r", L"Language XML/BrelvanoParam_VR835_AB_32", TRUE, FALSE, FALSE},
      {"V2 at 33", L"VR835_AB_GEN_33", "0;0;0;0;0;0", 0, FALSE, FALSE, L"$PVRGetXml\r",
       L"Language XML/BrelvanoParam_VR835", TRUE, TRUE, FALSE},
      {"V3 at 51", L"VR835_AB_GEN_51", "0;0;0;0;0;0", 0, FALSE, FALSE, L"$PVRGetXml\r",
       L"Language XML/BrelvanoParam_VR835", FALSE, TRUE, TRUE},
      {"VR3 above 400 is a variant", L"VR300_AB_GEN_401", "0;0;0;0;0;0", 0, FALSE, FALSE, L"$PVRGetXml\r",
       L"Language XML/BrelvanoParam_VR835", FALSE, TRUE, TRUE},
      {"VR3 at 400 is another device", L"VR300_AB_GEN_400", "0;0;0;0;0;0", 0, FALSE, FALSE, L"$PVRGetXml\r",
       L"Language XML/BrelvanoParam", FALSE, FALSE, TRUE},
      {"language first below 15", L"VR735_AB_GEN_14.99", "0;0;0;0;0;0", 0, FALSE, FALSE, L"$PVRGetXml\r",
       L"Language XML/BrelvanoParam", TRUE, TRUE, FALSE},
      {"language first from 15", L"VR735_AB_GEN_15.0", "0;0;0;0;0;0", 0, FALSE, TRUE, L"AT^$PVRSetLang=09\r",
       L"Language XML/BrelvanoParam", FALSE, TRUE, TRUE},
      {"login with security needs no prompt", L"VR600_AB_GEN_5", "0;0;0;1;1;0", 0, FALSE, FALSE, L"$PVRGetXml\r",
       L"Language XML/BrelvanoParam", FALSE, FALSE, TRUE},
      {"numbered-parameter device asks for its serial number", L"VR600_AB_GEN_5", "0;0;0;0;1;0", 0, TRUE, TRUE,
       L"AT^$ESN_READ\r", L"Language XML/BrelvanoParam", FALSE, FALSE, TRUE},
      {"JSON device asks for its assignment table", L"VR600_AB_GEN_5", "0;0;0;0;0;0", 1, FALSE, FALSE,
       L"AT^$PVRGetCsv\r\r", L"Language XML/BrelvanoParam", FALSE, FALSE, FALSE},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetLanguage(9);
    // A base an earlier reply composed: each reply starts again from the fixed base.
    dlg->m_strDefinitionBase = CString(root) + L"_VR835_OLD_1";
    dlg->m_bUpProtocol = c.upProtocol;
    dlg->m_bAtPrefix = c.atPrefix;
    dlg->m_bNewFirmware = FALSE;
    dlg->m_bBuyerVariantDefinition = FALSE;
    dlg->m_bTranslateNames = FALSE;
    dlg->m_bDefinitionPending = FALSE;
    dlg->m_bEsnPending = FALSE;
    ClearSent();
    dlg->OnVersionReply(VersionLine(c.identity, c.flags, c.json));
    EXPECT_TRUE(Sent(c.sent)) << "pending: " << dlg->m_strPendingCommand.ToUtf8();
    if (c.base != nullptr && CString(c.base) != root) { EXPECT_EQ(dlg->m_strDefinitionBase, CString(c.base)); }
    EXPECT_EQ(dlg->m_bBuyerVariantDefinition, c.buyerVariant);
    EXPECT_EQ(dlg->m_bTranslateNames, c.translate);
    EXPECT_EQ(dlg->m_bDefinitionPending, c.pending);
    if (c.upProtocol && !c.json) { EXPECT_TRUE(dlg->m_bEsnPending); }
  }
}

TEST_F(LegacyReplyTest, VersionReplyFillsTheIdentity) {
  dlg->OnVersionReply(L"$PVR;Ver;VR835_AB_GEN_32;x;7;1;0;1;0;0;1;12;;;0;F16;BLE2;WIFI3");
  const DEVICE_INFO& d = dlg->m_deviceInfo;
  EXPECT_EQ(d.strModel, CString(L"VR835"));
  EXPECT_EQ(d.strBuyer, CString(L"AB"));
  EXPECT_EQ(d.strProtocol, CString(L"GEN"));
  EXPECT_EQ(d.nVerField5, 7);
  EXPECT_EQ(d.bVoice, 1);
  EXPECT_EQ(d.bRS232, 0);
  EXPECT_EQ(d.bCAN, 1);
  EXPECT_EQ(d.bInput4, 1);
  EXPECT_EQ(d.nVerField12, 12);
  EXPECT_EQ(d.strVerField16, CString(L"F16"));
  EXPECT_EQ(d.strVerField17, CString(L"BLE2"));
  EXPECT_EQ(d.strVerField18, CString(L"WIFI3"));
  EXPECT_FALSE(dlg->m_bNewFirmware);

  // A short reply reads its missing fields as empty and 0; an undefined device goes no further.
  ClearSent();
  dlg->OnVersionReply(L"$PVR;Ver;UNDEF_AB");
  EXPECT_TRUE(dlg->m_deviceInfo.strVersion.IsEmpty());
  EXPECT_TRUE(LogHas(L"Invalid Device"));
  EXPECT_TRUE(dlg->m_strPendingCommand.IsEmpty());
  EXPECT_TRUE(CBrelvanoDlg::IsUndefinedDevice(dlg->m_deviceInfo));
  DEVICE_INFO buyer;
  buyer.strBuyer = L"XUNDEFX";
  EXPECT_TRUE(CBrelvanoDlg::IsUndefinedDevice(buyer));
  buyer.strBuyer = L"undef";
  EXPECT_FALSE(CBrelvanoDlg::IsUndefinedDevice(buyer));
}

TEST_F(LegacyReplyTest, LoginPromptOnTheXmlRoads) {
  auto& modal = platform::ModalService::Instance();
  // OK: the login goes to the device (as typed: the simulated device checks that), its password
  // blanked in the log.
  modal.ExpectDialog(
      [](CDialog& d) {
        d.SetDlgItemText(1065, L" Pass 1 ");
        d.SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        return IDCANCEL;  // not reached: the OK handler ends the prompt
      },
      146);
  dlg->OnVersionReply(VersionLine(L"VR600_AB_GEN_5", "0;0;0;0;1;0"));
  EXPECT_TRUE(Sent(L"$PVRUPD;****\r"));
  EXPECT_FALSE(LogHas(L"Pass"));
  EXPECT_FALSE(dlg->m_bDefinitionPending);
  EXPECT_EQ(dlg->m_deviceInfo.strModel, CString(L"VR600"));

  // Cancel: the identity is reset and nothing is sent.
  ClearSent();
  modal.ExpectDialog([](CDialog&) { return IDCANCEL; }, 146);
  dlg->OnVersionReply(VersionLine(L"VR600_AB_GEN_5", "0;0;0;0;1;0"));
  EXPECT_FALSE(Sent(L"$PVRUPD;\r"));
  EXPECT_TRUE(dlg->m_strPendingCommand.IsEmpty());
  EXPECT_TRUE(dlg->m_deviceInfo.strModel.IsEmpty());

  // The session is reset while the prompt is open (the device went away): the late OK sends nothing.
  ClearSent();
  CBrelvanoDlg* window = dlg;
  modal.ExpectDialog(
      [window](CDialog& d) {
        window->ResetSession();
        d.SetDlgItemText(1065, L"late");
        d.SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        return IDOK;
      },
      146);
  dlg->OnVersionReply(VersionLine(L"VR600_AB_GEN_5", "0;0;0;0;1;0"));
  EXPECT_FALSE(Sent(L"$PVRUPD;late\r"));
  EXPECT_TRUE(dlg->m_strPendingCommand.IsEmpty());
}

TEST_F(LegacyReplyTest, DirectVersionModeLoadsTheChosenFile) {
  const CString path = platform::GetCurrentFolder() + L"/Document/VR835_Param_32.xml";
  WriteFile(path, kDefinitionXml);
  dlg->m_bDirectVersion = TRUE;
  ASSERT_NO_FATAL_FAILURE(ChooseDefinitionFile(dlg, path));
  dlg->OnVersionReply(VersionLine(L"VR835_AB_GEN_32"));
  EXPECT_EQ(dlg->m_defHeader.strS, CString(L"$T"));
  EXPECT_TRUE(dlg->m_strPendingCommand.IsEmpty()) << "nothing is asked of the device";

  // Without a chosen file the session ends with the identity cleared. Disconnect ends the file
  // session first (and with it the chosen file).
  ClickButton(dlg, IDC_BTN_DISCONNECT);
  EXPECT_TRUE(dlg->m_defHeader.strS.IsEmpty());
  dlg->m_bDirectVersion = TRUE;
  dlg->OnVersionReply(VersionLine(L"VR835_AB_GEN_51"));
  EXPECT_TRUE(dlg->m_defHeader.strS.IsEmpty());
  EXPECT_TRUE(dlg->m_deviceInfo.strModel.IsEmpty());
}

TEST_F(LegacyReplyTest, PasswordPromptLimitsAndReturnsTheText) {
  auto& modal = platform::ModalService::Instance();
  struct Case {
    CString typed;
    INT_PTR result;
    CString expected;
  };
  const Case cases[] = {
      {L"", IDOK, L""},
      {L"AbC 12", IDOK, L"AbC 12"},
      {CString(L'x', 80), IDOK, CString(L'x', 64)},
      {L"secret", IDCANCEL, L""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed.ToUtf8());
    const CString typed = c.typed;
    const INT_PTR result = c.result;
    modal.ExpectDialog(
        [typed, result](CDialog& d) {
          d.SetDlgItemText(1065, typed);
          if (result == IDOK) d.SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
          return result;
        },
        146);
    CString password = L"unchanged";
    const int answer = dlg->AskDevicePassword(password);
    EXPECT_EQ(answer, c.result == IDOK ? 1 : 0);
    if (c.result == IDOK) { EXPECT_EQ(password, c.expected); }
  }
}

}  // namespace

namespace {

TEST(ReplyTextHelpers, MultibyteAndWideCopiesAndTheIntegerTest) {
  // "한글 A" in the ANSI code page (949) and back.
  const char korean[] = "\xC7\xD1\xB1\xDB A";
  wchar_t* wide = CBrelvanoDlg::NewWideText(korean);
  ASSERT_NE(wide, nullptr);
  EXPECT_EQ(CString(wide), CString(L"\ud55c\uae00 A"));
  char* bytes = CBrelvanoDlg::NewMultiByteText(wide);
  ASSERT_NE(bytes, nullptr);
  EXPECT_STREQ(bytes, korean);
  delete[] wide;
  delete[] bytes;
  EXPECT_EQ(CBrelvanoDlg::NewWideText(nullptr), nullptr);
  EXPECT_EQ(CBrelvanoDlg::NewMultiByteText(nullptr), nullptr);
  const struct {
    const wchar_t* text;
    BOOL integer;
  } cases[] = {{L"123", TRUE}, {L"-45", TRUE}, {L"", TRUE}, {L"-", TRUE}, {L"1-2", FALSE}, {L"1.5", FALSE},
               {L" 7", FALSE}, {L"+7", FALSE}};
  for (const auto& c : cases) EXPECT_EQ(CBrelvanoDlg::IsIntegerText(c.text), c.integer) << CString(c.text).ToUtf8();
}

}  // namespace
