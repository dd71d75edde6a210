// The assignment page: CSV lines into the Small, Medium and Large tables and the entry map, the
// entry lookup, the item columns with their ids, texts, tooltips and check states, and the drag of a
// table row onto an item as a user does it, down to what SEND hands over.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "gui/dlg/settingdlg.h"
#include "mainwindow_fixture.h"
#include "platform/dialog.h"

namespace {

// The page's parent: records the tab write SEND hands over.
class WriteProbe : public CDialog {
 public:
  std::vector<std::pair<WPARAM, LPARAM>> writes;
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_WRITE_CURRENT_TAB) {
      writes.emplace_back(wParam, lParam);
      return 0;
    }
    return CDialog::WindowProc(message, wParam, lParam);
  }
};

struct Item {
  int type;
  const wchar_t* name;
  int assignNo;     // 0: no assignment of its own
  const wchar_t* value;
  BOOL reserve;
};

class AssignPageTest : public testsupport::MainWindowFixture {
 protected:
  void SetUp() override {
    MainWindowFixture::SetUp();
    platform::DialogTemplate t(0, 0, 0, 700, 420, WS_POPUP, 0, L"parent");
    ASSERT_TRUE(m_parent.CreateIndirect(t));
    m_page = std::make_unique<CSettingDialog>(&m_parent);
    ASSERT_TRUE(m_page->Create(IDD_SETTING_DIALOG, &m_parent));
    m_parent.ShowWindow(SW_SHOW);
    m_page->ShowWindow(SW_SHOW);
    // A numbered-parameter page: the tables get their columns and the CSV's lines.
    m_page->m_bUpMode = TRUE;
    m_page->InitAssignTables();
  }
  void TearDown() override {
    m_page->ResetPage();
    m_page->SendMessage(WM_CLOSE);
    m_page.reset();
    for (PARAM_INFO* p : m_items) delete p;
    m_items.clear();
    m_parent.DestroyWindow();
    MainWindowFixture::TearDown();
  }

  void Fill(std::vector<CString> lines) { m_page->FillAssignLists(std::move(lines)); }
  void Show(const std::vector<Item>& items) {
    for (const Item& it : items) {
      auto* p = new PARAM_INFO();
      p->nCtrlType = it.type;
      p->strName = it.name;
      p->strValue = it.value;
      p->bReserve = it.reserve;
      p->assign.nNo = it.assignNo;
      p->assign.bValid = it.assignNo > 0;
      m_items.push_back(p);
      m_list.AddTail(p);
    }
    m_info.tab.nType = 1;
    m_info.tab.bAssign = 1;
    m_info.pParams = &m_list;
    m_page->SendMessage(WM_SETTINGS_PAGE_NOTIFY, SETTINGS_NOTIFY_PAGE, reinterpret_cast<LPARAM>(&m_info));
  }
  static std::vector<std::string> Rows(CListCtrl& list) {
    std::vector<std::string> rows;
    for (int i = 0; i < list.GetItemCount(); ++i) {
      rows.push_back((list.GetItemText(i, 0) + L"|" + list.GetItemText(i, 1) + L"|" + list.GetItemText(i, 2)).ToUtf8());
    }
    return rows;
  }
  CButton* Check(int i) { return dynamic_cast<CButton*>(m_items[static_cast<size_t>(i)]->pValueWnd); }
  CRect RectOf(CWnd* wnd) {
    CRect rc;
    wnd->GetWindowRect(&rc);
    m_page->ScreenToClient(&rc);
    return rc;
  }
  void Select(CListCtrl& list, std::vector<int> rows) {
    for (int i = 0; i < list.GetItemCount(); ++i) list.SetItemState(i, 0, LVIS_SELECTED);
    for (int r : rows) list.SetItemState(r, LVIS_SELECTED, LVIS_SELECTED);
  }
  // The user presses on a row of a table and drags it over an item's check box (or anywhere
  // target names), then lets go there. Returns the cursor shown over the target.
  HCURSOR Drag(CListCtrl& list, int row, CWnd* target) {
    NMLISTVIEW begin{};
    begin.hdr.code = LVN_BEGINDRAG;
    begin.iItem = row;
    begin.ptAction = POINT{5, 20};
    platform::NotifyParent(&list, &begin.hdr);
    const CPoint at = RectOf(target).CenterPoint();
    m_page->SendMessage(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(at.x, at.y));
    const HCURSOR shown = SetCursor(nullptr);
    m_page->SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
    return shown;
  }

  WriteProbe m_parent;
  std::unique_ptr<CSettingDialog> m_page;
  std::vector<PARAM_INFO*> m_items;
  CPtrList m_list;
  PAGE_INFO m_info;
};

TEST_F(AssignPageTest, CsvLinesFillTheThreeTablesAndTheMap) {
  struct Case {
    const char* name;
    std::vector<CString> lines;
    std::vector<std::string> small, medium, large;
    std::vector<const wchar_t*> keys;
  };
  const Case cases[] = {
      {"small and large on one line",
       {L"3,D3,desc3,,,,12,D12,desc12"},
       {"3|D3|desc3"},
       {},
       {"12|D12|desc12"},
       {L"S_3", L"L_12"}},
      {"an empty DATA keeps the row counter",
       {L"5,,desc5", L"6,D6,desc6"},
       {"6|D6|desc6", "5||desc5"},
       {},
       {},
       {L"S_5", L"S_6"}},
      {"an empty DES shows the row but keeps it out of the map", {L"7,D7,"}, {"7|D7|"}, {}, {}, {}},
      {"a header line is an entry of number 0",
       {L"NO,DATA,DES,NO,DATA,DES,NO,DATA,DES", L"1,a,b"},
       {"NO|DATA|DES", "1|a|b"},
       {"NO|DATA|DES"},
       {"NO|DATA|DES"},
       {L"S_0", L"M_0", L"L_0", L"S_1"}},
      {"fields after the ninth are ignored",
       {L"1,a,b,2,c,d,3,e,f,4,g,h"},
       {"1|a|b"},
       {"2|c|d"},
       {"3|e|f"},
       {L"S_1", L"M_2", L"L_3"}},
      {"a later entry of the same key replaces the earlier",
       {L",,,9,x,first", L",,,9,y,second"},
       {},
       {"9|x|first", "9|y|second"},
       {},
       {L"M_9"}},
  };
  for (const Case& c : cases) {
    Fill(c.lines);
    EXPECT_EQ(Rows(m_page->m_listSmall), c.small) << c.name;
    EXPECT_EQ(Rows(m_page->m_listMedium), c.medium) << c.name;
    EXPECT_EQ(Rows(m_page->m_listLarge), c.large) << c.name;
    EXPECT_EQ(m_page->m_mapAssign.GetCount(), static_cast<INT_PTR>(c.keys.size())) << c.name;
    for (const wchar_t* key : c.keys) {
      ASSIGN_INFO info;
      EXPECT_TRUE(m_page->m_mapAssign.Lookup(key, info)) << c.name << ": " << CString(key).ToUtf8();
    }
  }
  EXPECT_EQ(m_page->m_listSmall.GetExtendedStyle() & (LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT),
            static_cast<DWORD>(LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT));
}

TEST_F(AssignPageTest, EntryLookupByTypeAndKey) {
  Fill({L"3,D3,desc3,,,,12,D12,desc12", L"0,zero,nothing"});
  const ASSIGN_INFO s3 = m_page->GetAssignInfo(CTRL_S_ASSIGN, L"S_3");
  EXPECT_TRUE(s3.bValid);
  EXPECT_EQ(s3.nNo, 3);
  EXPECT_EQ(s3.strData, CString(L"D3"));
  EXPECT_EQ(s3.strDes, CString(L"desc3"));
  EXPECT_EQ(m_page->GetAssignInfo(CTRL_L_ASSIGN, L"S_3").nNo, 3) << "one map serves all three types";
  EXPECT_FALSE(m_page->GetAssignInfo(CTRL_S_ASSIGN, L"S_0").bValid) << "number 0 is not valid";
  for (const ASSIGN_INFO& none : {m_page->GetAssignInfo(CTRL_CHECK_BOX, L"S_3"), m_page->GetAssignInfo(9, L"S_4")}) {
    EXPECT_FALSE(none.bValid);
    EXPECT_EQ(none.nNo, 0);
    EXPECT_TRUE(none.strData.IsEmpty());
  }
}

TEST_F(AssignPageTest, ItemsStandInColumnsWithTheirEntriesAndStates) {
  Fill({L"3,D3,desc3,4,D4,desc4,12,D12,desc12"});
  Show({
      {CTRL_M_ASSIGN, L"Reserved first", 4, L"1", TRUE},  // 0: shown although reserved
      {CTRL_L_ASSIGN, L"Large", 12, L"", FALSE},          // 1
      {CTRL_L_ASSIGN, L"Reserved", 12, L"1", TRUE},       // 2: not shown, its id still counts
      {CTRL_EDIT, L"Not an item", 0, L"x", FALSE},        // 3: no control
      {CTRL_M_ASSIGN, L"Unknown entry", 77, L"2", FALSE}, // 4
      {CTRL_M_ASSIGN, L"No entry", 0, L"-3", FALSE},      // 5
  });
  ASSERT_NE(Check(0), nullptr);
  EXPECT_EQ(Check(2), nullptr);
  EXPECT_EQ(m_items[3]->pValueWnd, nullptr);
  EXPECT_EQ(Check(0)->GetDlgCtrlID(), 3001);
  EXPECT_EQ(Check(1)->GetDlgCtrlID(), 3003);
  EXPECT_EQ(Check(4)->GetDlgCtrlID(), 3009);
  EXPECT_EQ(Check(5)->GetDlgCtrlID(), 3011);
  // Medium and large only: the columns at 150 and 300; one cursor, 17 pixels high at a pitch of 20.
  EXPECT_EQ(RectOf(Check(0)).left, 150);
  EXPECT_EQ(RectOf(Check(1)).left, 300);
  EXPECT_EQ(RectOf(Check(0)).top, 81);
  EXPECT_EQ(RectOf(Check(0)).Height(), 17);
  EXPECT_EQ(RectOf(Check(1)).top, 81) << "a column's first item starts below its label";
  EXPECT_EQ(RectOf(Check(4)).top, 101);
  EXPECT_EQ(RectOf(Check(5)).top, 121);
  ASSERT_NE(m_page->m_pLabelM, nullptr);
  ASSERT_NE(m_page->m_pLabelL, nullptr);
  EXPECT_EQ(m_page->m_pLabelS, nullptr);
  EXPECT_EQ(m_page->m_pLabelM->GetWindowText(), CString(L"M_ASSIGN"));
  EXPECT_EQ(RectOf(m_page->m_pLabelL).left, 300);

  EXPECT_EQ(Check(0)->GetWindowText(), CString(L"D4"));
  EXPECT_EQ(Check(1)->GetWindowText(), CString(L"D12"));
  CString tip;
  m_page->m_pToolTip->GetText(tip, Check(1));
  EXPECT_EQ(tip, CString(L"desc12"));
  // An entry the tables do not know: the item keeps its own number (viewing never wipes it).
  EXPECT_EQ(Check(4)->GetWindowText(), CString());
  EXPECT_EQ(m_items[4]->assign.nNo, 77);
  EXPECT_TRUE(m_items[4]->assign.bValid);
  EXPECT_EQ(Check(5)->GetWindowText(), CString(L"EMPTY"));
  m_page->m_pToolTip->GetText(tip, Check(5));
  EXPECT_EQ(tip, CString(L"Empty"));

  EXPECT_EQ(Check(0)->GetCheck(), BST_CHECKED);
  EXPECT_EQ(Check(1)->GetCheck(), BST_UNCHECKED);
  EXPECT_EQ(Check(4)->GetCheck(), BST_CHECKED) << "2 is clamped to ticked";
  EXPECT_EQ(Check(5)->GetCheck(), BST_UNCHECKED) << "-3 is clamped to unticked";
  EXPECT_TRUE(m_page->m_listLarge.IsWindowVisible());
  EXPECT_EQ(RectOf(&m_page->m_listSmall).left, 600);
}

TEST_F(AssignPageTest, DraggingALargeRowOntoALargeItemAssignsItAndSendHandsItOver) {
  Fill({L"1,S1,small one,,,,12,D12,desc12", L",,,,,,20,D20,desc20"});
  Show({{CTRL_S_ASSIGN, L"Small", 1, L"", FALSE}, {CTRL_L_ASSIGN, L"Large", 12, L"1", FALSE}});
  ASSERT_NE(Check(1), nullptr);
  Select(m_page->m_listLarge, {1});
  const HCURSOR shown = Drag(m_page->m_listLarge, 1, Check(1));
  EXPECT_EQ(shown, LoadCursor(nullptr, IDC_ARROW)) << "a drop is possible here";
  EXPECT_FALSE(m_page->m_bDragging);
  EXPECT_EQ(Check(1)->GetWindowText(), CString(L"D20"));
  EXPECT_EQ(m_items[1]->assign.nNo, 20);
  EXPECT_TRUE(m_items[1]->assign.bValid);
  EXPECT_EQ(m_items[1]->assign.strData, CString(L"D20"));
  EXPECT_EQ(m_items[1]->assign.strDes, CString(L"desc20"));
  CString tip;
  m_page->m_pToolTip->GetText(tip, Check(1));
  EXPECT_EQ(tip, CString(L"desc20"));
  EXPECT_EQ(Check(1)->GetCheck(), BST_CHECKED) << "the check state is the user's own";

  // SEND hands the shown tab's own records over: the item carries its new entry.
  m_page->SendMessage(WM_COMMAND, MAKEWPARAM(IDC_SETTING_SEND, BN_CLICKED),
                      reinterpret_cast<LPARAM>(m_page->GetDlgItem(IDC_SETTING_SEND)->GetSafeHwnd()));
  ASSERT_EQ(m_parent.writes.size(), 1u);
  auto* written = reinterpret_cast<CPtrList*>(m_parent.writes[0].first);
  ASSERT_EQ(written, &m_list);
  EXPECT_EQ(static_cast<PARAM_INFO*>(written->GetAt(written->FindIndex(1)))->assign.nNo, 20);

  // The next showing of the tab keeps the entry.
  m_page->SendMessage(WM_SETTINGS_PAGE_NOTIFY, SETTINGS_NOTIFY_PAGE, reinterpret_cast<LPARAM>(&m_info));
  EXPECT_EQ(Check(1)->GetWindowText(), CString(L"D20"));
}

TEST_F(AssignPageTest, DropsThatChangeNothing) {
  Fill({L"1,S1,small one,,,,12,D12,desc12", L"2,S2,small two"});
  Show({{CTRL_S_ASSIGN, L"Small", 1, L"", FALSE}, {CTRL_M_ASSIGN, L"Medium", 0, L"", FALSE}});

  // A small row onto a medium item: the "no" cursor, nothing assigned.
  Select(m_page->m_listSmall, {1});
  EXPECT_EQ(Drag(m_page->m_listSmall, 1, Check(1)), LoadCursor(nullptr, IDC_NO));
  EXPECT_EQ(Check(1)->GetWindowText(), CString(L"EMPTY"));
  EXPECT_EQ(m_items[1]->assign.nNo, 0);

  // Two rows selected in the Small table.
  Select(m_page->m_listSmall, {0, 1});
  Drag(m_page->m_listSmall, 1, Check(0));
  EXPECT_EQ(Check(0)->GetWindowText(), CString(L"S1"));
  EXPECT_EQ(m_items[0]->assign.nNo, 1);

  // Outside the numbered-parameter set no drag starts.
  m_page->m_bUpMode = FALSE;
  Select(m_page->m_listSmall, {1});
  NMLISTVIEW begin{};
  begin.hdr.code = LVN_BEGINDRAG;
  begin.iItem = 1;
  platform::NotifyParent(&m_page->m_listSmall, &begin.hdr);
  EXPECT_FALSE(m_page->m_bDragging);
}

}  // namespace
