// Framing of $-set commands from the definition's request and reply templates: the worked cases,
// the unit identifier forms, the buyer fill, the default password, the older fixed form, the
// driver-identifier removal and the "AT^" rule.
#include <gtest/gtest.h>

#include "gui/dlg/brelvanodlg.h"
#include "mainwindow_fixture.h"

namespace {

class FramingTest : public testsupport::MainWindowFixture {
 protected:
  void SetUp() override {
    MainWindowFixture::SetUp();
    dlg = Open();
    ASSERT_NE(dlg, nullptr);
  }
  // A definition header with the usual test values.
  void Header(const wchar_t* cmd, const wchar_t* res = L"", const wchar_t* delimiter = L";") {
    DEF_HEADER& h = dlg->m_defHeader;
    h.strS = L"$T";
    h.strI = L"100200";
    h.strP = L"";
    h.strV = L"7";
    h.strD = delimiter;
    h.strR = L"Res";
    h.strCmd = cmd;
    h.strRes = res;
  }
  void Device(const wchar_t* model, const wchar_t* buyer, const wchar_t* version) {
    dlg->m_deviceInfo.strModel = model;
    dlg->m_deviceInfo.strBuyer = buyer;
    dlg->m_deviceInfo.strVersion = version;
  }
  void TabType(int tab, int type) { dlg->m_tabInfo[tab].nType = type; }

  CBrelvanoDlg* dlg = nullptr;
};

// The request builders on whole cases: template, header, device, tab type and text in, command out.
struct RequestCase {
  const char* name;
  const wchar_t* cmd;
  const wchar_t* delimiter;
  const wchar_t* model;
  const wchar_t* buyer;
  const wchar_t* version;
  BOOL newFirmware;
  int tabType;
  const wchar_t* text;
  const wchar_t* expected;
  const wchar_t* header;  // m_strCmdHeader afterwards
  const wchar_t* body;    // m_strCmdBody afterwards
};

TEST_F(FramingTest, TabCommandsAreFramedByTheRequestTemplate) {
  const RequestCase cases[] = {
      {"template SHDIDC", L"SHDIDC", L";", L"VR835", L"AB", L"32", FALSE, 1, L"ABC;1;0", L"$TABC;100200;1;0\r", L"ABC",
       L"1;0"},
      {"buyer fill pads the body to four fields", L"SHDC", L";", L"VR835", L"RI3XA", L"32", FALSE, 11, L"ABC;1",
       L"$TABC;RI3;1;;;\r", L"ABC", L"RI3;1;;;"},
      {"buyer fill leaves a four-field body", L"SHDC", L";", L"VR835", L"XRI3XA", L"32", FALSE, 11, L"ABC;1;2;3;4",
       L"$TABC;XRI;1;2;3;4\r", L"ABC", L"XRI;1;2;3;4"},
      {"no buyer fill on other tab types", L"SHDC", L";", L"VR835", L"RI3XA", L"32", FALSE, 1, L"ABC;1", L"$TABC;1\r",
       L"ABC", L"1"},
      {"single command page loses a trailing separator", L"SHDC", L";", L"VR835", L"AB", L"32", FALSE, 7, L"ABC;",
       L"$TABC\r", L"ABC", L""},
      {"older single-model form", L"SHDC", L";", L"VR835", L"AB", L"99", FALSE, 9, L"ABC;1;0", L"$SetABC;100200;1;0\r",
       L"ABC", L"1;0"},
      {"older form on type 16 whatever the delimiter", L"SHDC", L"#", L"VR835", L"AB", L"99", FALSE, 16, L"ABC#1",
       L"$SetABC;100200;1\r", L"ABC", L"1"},
      {"version 100 takes the template", L"SHDC", L";", L"VR835", L"AB", L"100", FALSE, 9, L"ABC;1;0",
       L"$TABC;1;0\r", L"ABC", L"1;0"},
      {"new firmware takes the template", L"SHDC", L";", L"VR835", L"AB", L"99", TRUE, 9, L"ABC;1;0", L"$TABC;1;0\r",
       L"ABC", L"1;0"},
      {"other model takes the template", L"SHDC", L";", L"VR735", L"AB", L"99", FALSE, 9, L"ABC;1;0", L"$TABC;1;0\r",
       L"ABC", L"1;0"},
      {"tokens of the reply template and lower case add nothing", L"SHRsDVC", L";", L"VR835", L"AB", L"32", FALSE, 1,
       L"ABC;1", L"$TABC;71\r", L"ABC", L"1"},
      {"two-character delimiter", L"SHDC", L";;", L"VR835", L"AB", L"32", FALSE, 1, L"ABC;1", L"$TABC;;1\r", L"ABC",
       L"1"},
      {"text without a separator", L"SHDC", L";", L"VR835", L"AB", L"32", FALSE, 1, L"ABC", L"$TABC;\r", L"ABC", L""},
      {"empty template", L"", L";", L"VR835", L"AB", L"32", FALSE, 1, L"ABC;1", L"\r", L"ABC", L"1"},
  };
  for (const RequestCase& c : cases) {
    SCOPED_TRACE(c.name);
    Header(c.cmd, L"", c.delimiter);
    Device(c.model, c.buyer, c.version);
    dlg->m_bNewFirmware = c.newFirmware;
    TabType(3, c.tabType);
    dlg->m_strCmdBody = L"LEFT;OVER";  // a body whose reply never came
    EXPECT_EQ(dlg->BuildTabCommand(c.text, 3), CString(c.expected));
    EXPECT_EQ(dlg->m_strCmdHeader, CString(c.header));
    EXPECT_EQ(dlg->m_strCmdBody, CString(c.body));
  }
}

TEST_F(FramingTest, UnitIdentifierForms) {
  Header(L"SHDC");
  TabType(2, TAB_TYPE_COMMAND);
  dlg->m_strCmdHeader = L"KEEP";
  dlg->m_strCmdBody = L"BODY";
  EXPECT_EQ(dlg->BuildTabCommand(L"UID;SetUnitId=654321", 2), CString(L"$SetUID;654321\r"));
  EXPECT_EQ(dlg->BuildTabCommand(L"UID;GetUnitId", 2), CString(L"$GetUID\r"));
  // Only the length is checked.
  EXPECT_EQ(dlg->BuildTabCommand(L"UID;SetUnitId=ab12cd", 2), CString(L"$SetUID;ab12cd\r"));
  EXPECT_EQ(dlg->m_strCmdHeader, CString(L"KEEP"));
  EXPECT_EQ(dlg->m_strCmdBody, CString(L"BODY"));

  platform::ModalService::Instance().ExpectMessageBox(IDOK);
  EXPECT_TRUE(dlg->BuildTabCommand(L"UID;SetUnitId=65432", 2).IsEmpty());
  const auto boxes = Records(platform::ModalKind::MessageBox);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, dlg->m_language.LoadString(1018));
  EXPECT_EQ(dlg->m_strCmdHeader, CString(L"KEEP")) << "a refused identifier leaves the pending command";

  // The same texts on another tab type are ordinary commands.
  TabType(2, 1);
  EXPECT_EQ(dlg->BuildTabCommand(L"UID;GetUnitId", 2), CString(L"$TUID;GetUnitId\r"));
}

TEST_F(FramingTest, ReplyHeaderFromTheReplyTemplate) {
  struct Case {
    const wchar_t* res;
    const wchar_t* version;
    const wchar_t* model;
    const wchar_t* expected;
  };
  const Case cases[] = {
      {L"SDRDHDV", L"7", L"VR835", L"$T;Res;ABC;007"},
      {L"SDRDHDV", L"7", L"VR839H", L"$T;Res;ABC;00H-7"},
      {L"SDRDHDV", L"7", L"VR839HX", L"$T;Res;ABC;007"},
      {L"SDRDHDV", L"123", L"VR835", L"$T;Res;ABC;123"},
      {L"SDRDHDV", L"1234", L"VR839H", L"$T;Res;ABC;H-1234"},
      {L"SHCIPx", L"7", L"VR835", L"$TABC1;0100200"},
      {L"", L"7", L"VR835", L""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << CString(c.res).ToUtf8() << " " << CString(c.model).ToUtf8());
    Header(L"SHDC", c.res);
    dlg->m_defHeader.strV = c.version;
    Device(c.model, L"AB", L"32");
    dlg->m_strCmdHeader = L"ABC";
    dlg->m_strCmdBody = L"1;0";
    EXPECT_EQ(dlg->BuildReplyHeader(), CString(c.expected));
  }
}

TEST_F(FramingTest, DefaultPasswordOnlyWhileWritingAProfileForDuvo) {
  struct Case {
    const char* name;
    BOOL profileWriting;
    const wchar_t* buyer;
    const wchar_t* password;
    const wchar_t* expected;
  };
  const Case cases[] = {
      {"empty password field gets 7391", TRUE, L"DUVO", L"", L"$TABC;1;7391\r"},
      {"a password of the definition stays", TRUE, L"DUVO", L"55", L"$TABC;1;55\r"},
      {"not while idle", FALSE, L"DUVO", L"", L"$TABC;1;\r"},
      {"only the buyer DUVO exactly", TRUE, L"DUVO2", L"", L"$TABC;1;\r"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Header(L"SHDCDP");
    dlg->m_defHeader.strP = c.password;
    Device(L"VR835", c.buyer, L"32");
    dlg->m_bProfileWriting = c.profileWriting;
    TabType(0, 1);
    EXPECT_EQ(dlg->BuildTabCommand(L"ABC;1", 0), CString(c.expected));
    EXPECT_EQ(dlg->BuildFramedCommand(L"ABC;1"), CString(c.expected));
  }
}

TEST_F(FramingTest, FramedAndDriverIdentifierCommands) {
  Header(L"SHDIDC");
  Device(L"VR835", L"AB", L"32");
  EXPECT_EQ(dlg->BuildFramedCommand(L"GEO;1;2"), CString(L"$TGEO;100200;1;2\r"));

  struct Case {
    const wchar_t* version;
    BOOL newFirmware;
    const wchar_t* text;
    const wchar_t* expected;
  };
  const Case cases[] = {
      {L"279", FALSE, L"HAD;RemoveAllDriverID", L"$PVRRDID\r"},
      {L"278", TRUE, L"HAD;RemoveAllDriverID", L"$PVRRDID\r"},
      {L"278", FALSE, L"HAD;RemoveAllDriverID", L"$THRD;100200;ALL\r"},
      {L"300", FALSE, L"HAD;5;1234", L"$THAD;100200;5;1234\r"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(CString(c.text).ToUtf8() + " " + CString(c.version).ToUtf8());
    dlg->m_deviceInfo.strVersion = c.version;
    dlg->m_bNewFirmware = c.newFirmware;
    EXPECT_EQ(dlg->BuildRemoveDriverIdCommand(c.text), CString(c.expected));
  }
  // A line without a body: nothing to send, the pending command untouched.
  dlg->m_strCmdHeader = L"KEEP";
  dlg->m_strCmdBody = L"BODY";
  EXPECT_TRUE(dlg->BuildRemoveDriverIdCommand(L"HAD;").IsEmpty());
  EXPECT_EQ(dlg->m_strCmdHeader, CString(L"KEEP"));
  EXPECT_EQ(dlg->m_strCmdBody, CString(L"BODY"));
}

TEST_F(FramingTest, AtPrefixRule) {
  struct Case {
    double firmware;
    BOOL newFirmware;
    const wchar_t* expected;
  };
  const Case cases[] = {
      {99.9, FALSE, L"$TABC;1\r"},
      {100.0, FALSE, L"AT^$TABC;1\r"},
      {0.0, TRUE, L"AT^$TABC;1\r"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.firmware);
    dlg->m_dFirmwareVersion = c.firmware;
    dlg->m_bNewFirmware = c.newFirmware;
    dlg->m_strLastCommand.Empty();
    dlg->QueueFramedCommand(L"$TABC;1\r");
    EXPECT_EQ(dlg->m_strLastCommand, CString(c.expected));
    EXPECT_EQ(dlg->m_strPendingCommand, CString(c.expected)) << "queued as built, no further CR";
  }
  // The empty result of a refused build sends nothing.
  dlg->m_strPendingCommand = L"untouched";
  dlg->QueueFramedCommand(CString());
  EXPECT_EQ(dlg->m_strPendingCommand, CString(L"untouched"));
}

}  // namespace
