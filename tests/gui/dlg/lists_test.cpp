// The access-point and driver-identifier list lines as the main window's receive path meets them:
// both line forms, the entry numbers it refuses, the 500-entry table and the older form's entries
// of 20 identifiers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gui/dlg/settingdlg.h"
#include "mainwindow_fixture.h"
#include "model_fill.h"
#include "platform/sync.h"

namespace {

class ListsTest : public testsupport::MainWindowFixture {
 protected:
  CBrelvanoDlg* OpenWithPages() {
    CBrelvanoDlg* dlg = Open();
    dlg->m_bAtPrefix = FALSE;
    testsupport::FillTabs(dlg, {{26, L"AP", L"AP"}, {21, L"Driver", L"DRV"}});
    testsupport::AddStagedParam(dlg, 1, L"P", 0, 0);
    dlg->CreateChildPages(TRUE);
    return dlg;
  }
  static bool IsSet(HANDLE event) { return WaitForSingleObject(event, 0) == WAIT_OBJECT_0; }
  static std::vector<CString> Presets(CBrelvanoDlg* dlg) {
    std::vector<CString> out;
    for (INT_PTR i = 0; i < dlg->m_pSettingDlg->m_arrPresets.GetSize(); ++i) out.push_back(dlg->m_pSettingDlg->m_arrPresets[i]);
    return out;
  }
};

TEST_F(ListsTest, AccessPointEntriesGoToTheirNumber) {
  CBrelvanoDlg* dlg = OpenWithPages();
  ASSERT_NE(dlg->m_pSettingDlg, nullptr);
  CStringArray& presets = dlg->m_pSettingDlg->m_arrPresets;

  // Into an empty list, entry 3 first makes two empty lines.
  EXPECT_FALSE(dlg->ParseApListReply(L"$PVR;AP;Req;3;home;WPA\r"));
  EXPECT_EQ(Presets(dlg), (std::vector<CString>{L"", L"", L"3;home;WPA\r"}));
  dlg->m_strLastCommand = L"AT^$PVRRAP\r";
  EXPECT_FALSE(dlg->ParseApListReply(L"$PVR;AP;Req;1;office;OPEN\r"));
  EXPECT_TRUE(dlg->m_strLastCommand.IsEmpty());
  ASSERT_EQ(presets.GetSize(), 4);
  EXPECT_EQ(presets[0], CString(L"1;office;OPEN\r"));

  // Entry numbers that cannot be one: the line is ignored.
  const INT_PTR before = presets.GetSize();
  for (const wchar_t* line : {L"$PVR;AP;Req;0;x\r", L"$PVR;AP;Req;-1;x\r", L"$PVR;AP;Req;x;y\r", L"$PVR;AP;Req;;y\r",
                              L"$PVR;AP;Req;999999999;y\r", L"$PVR;AP;Req;1001;y\r"}) {
    EXPECT_FALSE(dlg->ParseApListReply(line)) << CString(line).ToUtf8();
  }
  EXPECT_EQ(presets.GetSize(), before);

  ResetEvent(dlg->m_hApListReadEvent);
  EXPECT_TRUE(dlg->ParseApListReply(L"$PVR;AP;Total;7\r"));
  EXPECT_EQ(dlg->m_nApTotal, 7);
  EXPECT_TRUE(IsSet(dlg->m_hApListReadEvent));
  ResetEvent(dlg->m_hApListReadEvent);
  EXPECT_FALSE(dlg->ParseApListReply(L"$PVR;AP;NoData\r"));
  EXPECT_EQ(dlg->m_nApTotal, 0);
  EXPECT_TRUE(IsSet(dlg->m_hApListReadEvent));

  // Not taken: another line, the numbered-parameter set, no definition.
  EXPECT_FALSE(dlg->ParseApListReply(L"$PVR;GEO;Total;7\r"));
  dlg->m_bUpProtocol = TRUE;
  EXPECT_FALSE(dlg->ParseApListReply(L"$PVR;AP;Total;3\r"));
  EXPECT_EQ(dlg->m_nApTotal, 0);
  dlg->m_bUpProtocol = FALSE;

  // Through the receive path: the total line is consumed, an entry line goes on to the log.
  dlg->DispatchReceivedLine(L"$PVR;AP;Req;2;cafe;WEP\r");
  EXPECT_EQ(presets[1], CString(L"2;cafe;WEP\r"));
  dlg->DispatchReceivedLine(L"$PVR;AP;Total;4\r");
  EXPECT_EQ(dlg->m_nApTotal, 4);
}

TEST_F(ListsTest, NewerDriverIdentifiersOneLineAnEntry) {
  CBrelvanoDlg* dlg = OpenWithPages();
  // Outside an XML profile save the lines are consumed without effect.
  EXPECT_TRUE(dlg->ParseDriverIdListReply(L"$PVR;GDID;ab12\r"));
  EXPECT_TRUE(dlg->m_arrDriverIds[0].IsEmpty());
  EXPECT_TRUE(dlg->ParseDriverIdListReply(L"$PVR;RDID;OK\r"));
  EXPECT_FALSE(dlg->ParseDriverIdListReply(L"$PVR;AP;Total;1\r"));

  dlg->m_bSavingXmlProfile = TRUE;
  dlg->m_nDriverIdCount = 0;
  struct Case {
    const wchar_t* line;
    const wchar_t* stored;
  } cases[] = {
      {L"$PVR;GDID;ab12\r", L"AB12"},
      {L"$PVR;GDID;00fe;x\r", L"00FE;X"},
      {L"$PVR;GDID;c0ffee", L"C0FFEE"},  // no carriage return: the rest of the line is kept
  };
  for (const Case& c : cases) EXPECT_TRUE(dlg->ParseDriverIdListReply(c.line));
  for (int i = 0; i < 3; ++i) EXPECT_EQ(dlg->m_arrDriverIds[i], CString(cases[i].stored)) << i;
  EXPECT_EQ(dlg->m_nDriverIdCount, 3);

  ResetEvent(dlg->m_hDriverIdReadEvent);
  EXPECT_TRUE(dlg->ParseDriverIdListReply(L"$PVR;GDID;Total;3\r"));
  EXPECT_EQ(dlg->m_nDriverIdCount, 3) << "a total line stores nothing";
  EXPECT_TRUE(IsSet(dlg->m_hDriverIdReadEvent));

  // The table holds 500 entries; later lines are consumed and dropped.
  dlg->m_nDriverIdCount = CBrelvanoDlg::kMaxDriverIds - 1;
  EXPECT_TRUE(dlg->ParseDriverIdListReply(L"$PVR;GDID;last\r"));
  EXPECT_TRUE(dlg->ParseDriverIdListReply(L"$PVR;GDID;beyond\r"));
  EXPECT_EQ(dlg->m_arrDriverIds[CBrelvanoDlg::kMaxDriverIds - 1], CString(L"LAST"));
  EXPECT_EQ(dlg->m_nDriverIdCount, CBrelvanoDlg::kMaxDriverIds);
}

TEST_F(ListsTest, OlderDriverIdentifiersTwentyAnEntry) {
  CBrelvanoDlg* dlg = OpenWithPages();
  auto line = [](int first, int count, bool continued) {
    CString text = L"$T;HGD;Res;02";
    for (int i = first; i < first + count; ++i) {
      CString id;
      id.Format(L";%d", i);
      text += id;
    }
    if (continued) text += L";Continued";
    return text + L"\r";
  };
  auto ids = [](int first, int count) {
    CString text;
    for (int i = first; i < first + count; ++i) {
      CString id;
      id.Format(L"%s%d", i == first ? L"" : L";", i);
      text += id;
    }
    return text;
  };

  // 45 identifiers in one line: 1-20, 21-40, 41-45, none with a trailing ';'.
  dlg->m_nDriverIdCount = 0;
  EXPECT_TRUE(dlg->AssembleContinuedReply(line(1, 45, false)));
  EXPECT_EQ(dlg->m_arrDriverIds[0], ids(1, 20));
  EXPECT_EQ(dlg->m_arrDriverIds[1], ids(21, 20));
  EXPECT_EQ(dlg->m_arrDriverIds[2], ids(41, 5));
  EXPECT_EQ(dlg->m_nDriverIdCount, 2);

  // A "Continued" line leaves its entry open; the next line completes it at 20 identifiers.
  for (CString& id : dlg->m_arrDriverIds) id.Empty();
  dlg->m_nDriverIdCount = 0;
  EXPECT_FALSE(dlg->AssembleContinuedReply(line(1, 15, true)));
  EXPECT_EQ(dlg->m_arrDriverIds[0], ids(1, 15) + L";");
  EXPECT_TRUE(dlg->AssembleContinuedReply(line(16, 10, false)));
  EXPECT_EQ(dlg->m_arrDriverIds[0], ids(1, 20));
  EXPECT_EQ(dlg->m_arrDriverIds[1], ids(21, 5));
}

}  // namespace
