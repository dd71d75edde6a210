// The report map dialog: the packing of check states into a value text, and a report parameter of
// the settings page edited as a user does it (SET, two boxes changed, OK or Escape).
#include "gui/dlg/reportdlg.h"

#include <gtest/gtest.h>

#include <vector>

#include "gui/dlg/settingdlg.h"
#include "mainwindow_fixture.h"
#include "model_fill.h"

namespace {

TEST(ReportBits, PackingAndReading) {
  struct Case {
    const char* name;
    const wchar_t* states;  // state m (from 0) = bit m of the value
    int bytes;
    const wchar_t* text;
  } cases[] = {
      {"nine states in three bytes", L"101100001", 3, L"00010D"},
      {"nine states in one byte keep the low byte", L"101100001", 1, L"0D"},
      {"all cleared in four bytes", L"0000000000", 4, L"00000000"},
      {"one state", L"1", 1, L"01"},
      {"state 15", L"0000000000000001", 2, L"8000"},
      {"no bytes", L"1", 0, L""},
      {"more than 255 bytes", nullptr, 300, nullptr},
  };
  for (const Case& c : cases) {
    if (c.states == nullptr) {
      CString many;
      for (int i = 0; i < 300 * 8; ++i) many += i == 300 * 8 - 1 ? L'1' : L'0';
      const CString packed = CReportDialog::PackBits(many, 300);
      ASSERT_EQ(packed.GetLength(), 600) << c.name;
      EXPECT_EQ(packed.Left(2), CString(L"80")) << c.name;
      EXPECT_EQ(CReportDialog::BitsFromHex(packed), many) << c.name;
      continue;
    }
    EXPECT_EQ(CReportDialog::PackBits(c.states, c.bytes), CString(c.text)) << c.name;
  }
  // Reading 00010D gives the nine states back, then zeros.
  EXPECT_EQ(CReportDialog::BitsFromHex(L"00010D"), CString(L"101100001000000000000000"));
  EXPECT_EQ(CReportDialog::BitsFromHex(L"0g"), CString(L"00000000")) << "not a digit counts as 0";

  std::vector<CString> fields;
  CReportDialog::SplitText(fields, L"a;;b;", L';');
  EXPECT_EQ(fields, (std::vector<CString>{L"a", L"", L"b"}));
}

class ReportDialogTest : public testsupport::MainWindowFixture {
 protected:
  void SetUp() override {
    MainWindowFixture::SetUp();
    TolerateMissingAssignCsv();  // the Document folder of these tests holds no CSV
  }
  // A numbered-parameter device with a JSON definition: one tab holding a report parameter of
  // six digits whose options are three check items, an item without a box, and a fourth check.
  CBrelvanoDlg* OpenReportPage(const wchar_t* value) {
    CBrelvanoDlg* dlg = Open();
    dlg->ShowWindow(SW_SHOW);
    dlg->m_bAtPrefix = FALSE;
    dlg->m_bUpProtocol = TRUE;
    dlg->m_deviceInfo.bJsonParam = TRUE;
    testsupport::FillTabs(
        dlg, {{1, L"Report", L"RPT"}, {1, L"Assign", L"ASN"}, {1, L"Diagnosis", L"DIA"}, {1, L"Profile", L"PRF"}});
    // The second tab, of id 60: a small item (valid entry 4), two medium items (the second not
    // valid) and a parameter without a box.
    const int assignTypes[] = {CTRL_S_ASSIGN, CTRL_M_ASSIGN, CTRL_M_ASSIGN, CTRL_EDIT};
    for (int i = 0; i < 4; ++i) {
      testsupport::AddStagedParam(dlg, 2, L"A", 0, 0);
      auto* a = static_cast<PARAM_INFO*>(dlg->TabParamList(1)->GetTail());
      a->nTabId = 60;
      a->nCtrlType = assignTypes[i];
      a->assign.bValid = i == 0 || i == 1;
      a->assign.nNo = i == 0 ? 4 : 9;
    }
    testsupport::AddStagedParam(dlg, 1, L"Reports", 5, 0);
    auto* p = static_cast<PARAM_INFO*>(dlg->TabParamList(0)->GetHead());
    p->nCtrlType = CTRL_EDIT_BUTTON;
    p->nMax = 6;
    p->strValue = value;
    const int types[] = {CTRL_CHECK_BOX, CTRL_CHECK_BOX, CTRL_CHECK_BOX, CTRL_ANY, CTRL_CHECK_BOX};
    for (int k = 0; k < 5; ++k) p->pOptions[k].nCtrlType = types[k];
    m_param = p;
    dlg->CreateChildPages(TRUE);
    if (dlg->m_pSettingDlg == nullptr) return dlg;
    dlg->m_pageInfo.tab = dlg->m_tabInfo[0];
    dlg->m_pageInfo.pParams = dlg->TabParamList(0);
    dlg->m_pSettingDlg->SendMessage(WM_SETTINGS_PAGE_NOTIFY, 0, reinterpret_cast<LPARAM>(&dlg->m_pageInfo));
    return dlg;
  }
  static void ClickOn(CWnd* wnd, int id) {
    CWnd* item = wnd->GetDlgItem(id);
    ASSERT_NE(item, nullptr) << id;
    wnd->SendMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(item->GetSafeHwnd()));
  }
  // The check boxes of the dialog's list, by list position (null where there is none).
  static std::vector<CButton*> Boxes(CReportDialog* report) {
    std::vector<CButton*> out;
    for (POSITION pos = report->m_pParamList->GetHeadPosition(); pos != nullptr;) {
      auto* p = static_cast<PARAM_INFO*>(report->m_pParamList->GetNext(pos));
      out.push_back(dynamic_cast<CButton*>(p->pValueWnd));
    }
    return out;
  }
  // The dialog made on its own and handed an assignment report of the given id for m_param.
  CReportDialog* OpenAssignmentReport(CBrelvanoDlg* dlg, int nTabId) {
    dlg->ShowReportDialogOnly(TRUE);
    CReportDialog* report = dlg->m_pReportDlg;
    if (report == nullptr) return nullptr;
    m_request.pParam = m_param;
    m_request.nValueCtrlId = m_param->pValueWnd->GetDlgCtrlID();
    m_page.tab.bAssign = TRUE;
    m_page.tab.nTabId = nTabId;
    report->SendMessage(WM_REPORT_MAP_DATA, reinterpret_cast<WPARAM>(&m_request), reinterpret_cast<LPARAM>(&m_page));
    return report;
  }
  PARAM_INFO* m_param = nullptr;
  REPORT_MAP_REQUEST m_request;
  PAGE_INFO m_page;
};

TEST_F(ReportDialogTest, TwoBoxesChangedAndOkWriteThePackedValue) {
  CBrelvanoDlg* dlg = OpenReportPage(L"000011");  // states 0 and 4
  ASSERT_NE(dlg->m_pSettingDlg, nullptr);
  CWnd* valueBox = m_param->pValueWnd;
  ASSERT_NE(valueBox, nullptr);
  ASSERT_NE(m_param->pExtraWnd, nullptr);
  ClickOn(dlg->m_pSettingDlg, m_param->pExtraWnd->GetDlgCtrlID());  // SET
  CReportDialog* report = dlg->m_pReportDlg;
  ASSERT_NE(report, nullptr);
  ASSERT_NE(report->GetSafeHwnd(), nullptr);
  EXPECT_FALSE(dlg->m_btnConnect.IsWindowEnabled());
  EXPECT_FALSE(dlg->m_tabPages.IsWindowEnabled());

  std::vector<CButton*> boxes = Boxes(report);
  ASSERT_EQ(boxes.size(), 5u);
  ASSERT_EQ(boxes[3], nullptr) << "an item without a box";
  const int expected[] = {BST_CHECKED, BST_UNCHECKED, BST_UNCHECKED, -1, BST_CHECKED};
  for (int i : {0, 1, 2, 4}) {
    ASSERT_NE(boxes[i], nullptr) << i;
    EXPECT_EQ(boxes[i]->GetCheck(), expected[i]) << i;
    EXPECT_EQ(boxes[i]->GetDlgCtrlID(), 3001 + 2 * i);
  }
  // The user ticks state 1 and clears state 4.
  ClickOn(report, boxes[1]->GetDlgCtrlID());
  boxes[1]->SetCheck(BST_CHECKED);
  boxes[4]->SetCheck(BST_UNCHECKED);
  ClickOn(report, IDC_REPORT_OK);
  EXPECT_EQ(valueBox->GetWindowText(), CString(L"000003"));
  EXPECT_EQ(report->GetSafeHwnd(), nullptr);
  EXPECT_TRUE(dlg->m_btnConnect.IsWindowEnabled());
  EXPECT_TRUE(dlg->m_tabPages.IsWindowEnabled());
}

TEST_F(ReportDialogTest, EscapeClosesWithoutWritingAndASecondSetReplacesTheFirst) {
  CBrelvanoDlg* dlg = OpenReportPage(L"00000D");
  ASSERT_NE(dlg->m_pSettingDlg, nullptr);
  CWnd* valueBox = m_param->pValueWnd;
  const int setId = m_param->pExtraWnd->GetDlgCtrlID();
  ClickOn(dlg->m_pSettingDlg, setId);
  ClickOn(dlg->m_pSettingDlg, setId);  // again while open: one set of boxes
  CReportDialog* report = dlg->m_pReportDlg;
  ASSERT_NE(report->GetSafeHwnd(), nullptr);
  int boxes = 0;
  for (CWnd* child = report->GetWindow(GW_CHILD); child != nullptr; child = child->GetWindow(GW_HWNDNEXT))
    boxes += child->GetDlgCtrlID() >= 3001 && child->GetDlgCtrlID() < 3101 ? 1 : 0;
  EXPECT_EQ(boxes, 4);
  Boxes(report)[0]->SetCheck(BST_UNCHECKED);
  MSG escape = Key(report->GetSafeHwnd(), VK_ESCAPE);
  EXPECT_TRUE(report->PreTranslateMessage(&escape));
  EXPECT_EQ(report->GetSafeHwnd(), nullptr);
  EXPECT_EQ(valueBox->GetWindowText(), CString(L"00000D"));
  EXPECT_TRUE(dlg->m_btnOpen.IsWindowEnabled());
}

TEST_F(ReportDialogTest, AssignmentLayoutInColumnsOfTheMatchingTab) {
  CBrelvanoDlg* dlg = OpenReportPage(L"000006");  // states 1 and 2
  ASSERT_NE(dlg->m_pSettingDlg, nullptr);
  ASSIGN_INFO entry;
  entry.bValid = TRUE;
  entry.nNo = 4;
  entry.strData = L"Ignition on";
  dlg->m_pSettingDlg->m_mapAssign.SetAt(L"S_4", entry);
  entry.strData = L"Speeding";
  dlg->m_pSettingDlg->m_mapAssign.SetAt(L"M_9", entry);

  CReportDialog* report = OpenAssignmentReport(dlg, 60);
  ASSERT_NE(report, nullptr);
  ASSERT_EQ(report->m_pParamList, dlg->TabParamList(1));
  std::vector<CButton*> boxes = Boxes(report);
  ASSERT_EQ(boxes.size(), 4u);
  ASSERT_NE(boxes[0], nullptr);
  ASSERT_NE(boxes[2], nullptr);
  EXPECT_EQ(boxes[3], nullptr);
  EXPECT_EQ(boxes[0]->GetWindowText(), CString(L"Ignition on"));
  EXPECT_EQ(boxes[0]->GetDlgCtrlID(), 3001);
  EXPECT_EQ(boxes[1]->GetWindowText(), CString(L"Speeding"));
  EXPECT_EQ(boxes[2]->GetWindowText(), CString(L"EMPTY"));
  EXPECT_EQ(boxes[2]->GetDlgCtrlID(), 4004);
  EXPECT_EQ(boxes[0]->GetCheck(), BST_UNCHECKED);
  EXPECT_EQ(boxes[1]->GetCheck(), BST_CHECKED);
  CRect small, medium, second;
  boxes[0]->GetWindowRect(&small);
  boxes[1]->GetWindowRect(&medium);
  boxes[2]->GetWindowRect(&second);
  EXPECT_EQ(medium.left - small.left, 150) << "the medium column beside the small one";
  EXPECT_EQ(medium.top, small.top) << "each column starts under its title";
  EXPECT_EQ(second.top - medium.top, 19);
  ASSERT_NE(report->m_pSmallTitle, nullptr);
  EXPECT_EQ(report->m_pSmallTitle->GetWindowText(), CString(L"S_ASSIGN"));
  EXPECT_NE(report->m_pMediumTitle, nullptr);
  EXPECT_EQ(report->m_pLargeTitle, nullptr);
  // The parameter without a box keeps its bit 3 (clear); state 0 ticked.
  boxes[0]->SetCheck(BST_CHECKED);
  ClickOn(report, IDC_REPORT_OK);
  EXPECT_EQ(m_param->pValueWnd->GetWindowText(), CString(L"000007"));
}

TEST_F(ReportDialogTest, ManyItemsInThreeColumnsAndScrolling) {
  CBrelvanoDlg* dlg = Open();
  dlg->ShowWindow(SW_SHOW);
  dlg->ShowReportDialogOnly(TRUE);
  CReportDialog* report = dlg->m_pReportDlg;
  ASSERT_NE(report, nullptr);
  CPtrList list;
  std::vector<PARAM_INFO> items(20);
  for (PARAM_INFO& p : items) {
    p.nCtrlType = CTRL_CHECK_BOX;
    p.strName = L"Item";
    list.AddTail(&p);
  }
  PARAM_INFO value;
  value.strValue = L"0FFFFF";
  value.nMax = 6;
  REPORT_MAP_REQUEST request;
  request.pParam = &value;
  PAGE_INFO page;
  page.pParams = &list;
  report->SendMessage(WM_REPORT_MAP_DATA, reinterpret_cast<WPARAM>(&request), reinterpret_cast<LPARAM>(&page));
  // 20 items: rows of 20 / 3 = 6, so items 0-6, 7-12 and 13-19.
  CRect first, second, third;
  items[6].pValueWnd->GetWindowRect(&first);
  items[7].pValueWnd->GetWindowRect(&second);
  items[13].pValueWnd->GetWindowRect(&third);
  EXPECT_EQ(second.left - first.left, 350);
  EXPECT_EQ(third.left - first.left, 700);
  EXPECT_EQ(second.top, third.top);
  EXPECT_EQ(static_cast<CButton*>(items[19].pValueWnd)->GetCheck(), BST_CHECKED);

  // Scrolling: a line is 95 pixels, never above the top.
  report->SendMessage(WM_SIZE, 0, MAKELPARAM(400, 300));
  EXPECT_EQ(report->m_nScrollMax, 700);
  EXPECT_EQ(report->m_nScrollPage, 300);
  report->SendMessage(WM_VSCROLL, MAKEWPARAM(SB_LINEDOWN, 0), 0);
  EXPECT_EQ(report->m_nScrollPos, 95);
  CRect moved;
  items[0].pValueWnd->GetWindowRect(&moved);
  CRect before;
  items[1].pValueWnd->GetWindowRect(&before);
  EXPECT_EQ(before.top - moved.top, 18);
  report->SendMessage(WM_VSCROLL, MAKEWPARAM(SB_PAGEDOWN, 0), 0);
  report->SendMessage(WM_VSCROLL, MAKEWPARAM(SB_PAGEDOWN, 0), 0);
  EXPECT_EQ(report->m_nScrollPos, 400) << "kept within range - page";
  report->SendMessage(WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, 120), 0);
  EXPECT_EQ(report->m_nScrollPos, 120);
  report->SendMessage(WM_VSCROLL, MAKEWPARAM(SB_PAGEUP, 0), 0);
  EXPECT_EQ(report->m_nScrollPos, 0);
  report->OnClose();
  for (const PARAM_INFO& p : items) EXPECT_EQ(p.pValueWnd, nullptr);
}

TEST_F(ReportDialogTest, AssignmentLayoutWithoutAMatchingTabLeavesTheValue) {
  CBrelvanoDlg* dlg = OpenReportPage(L"000005");
  ASSERT_NE(dlg->m_pSettingDlg, nullptr);
  // An assignment report whose id no definition tab carries.
  CReportDialog* report = OpenAssignmentReport(dlg, 77);
  ASSERT_NE(report, nullptr);
  EXPECT_EQ(report->m_pParamList, nullptr);
  ClickOn(report, IDC_REPORT_OK);
  EXPECT_EQ(m_param->pValueWnd->GetWindowText(), CString(L"000005"));
}

}  // namespace
