// The zone settings step of the polygon wizard on a settings page of its own: the controls it makes
// for the zone settings of both command sets, what an edited zone shows in them, the fields NEXT
// reads them into by role, the zone numbers a new zone is offered, and a page without zone
// settings.
#include "gui/dlg/polydetaildlg.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>

#include "gui/dlg/polygondlg.h"
#include "../../platform/page_clicks.h"
#include "gui/dlg/settingdlg.h"
#include "mainwindow_fixture.h"
#include "platform/dialog.h"
#include "platform/modal.h"
#include "platform/wnd.h"

namespace {

// One zone setting of the polygon page (sub-group 1).
struct Setting {
  int role;
  const wchar_t* name;
  int ctrlType;
  std::initializer_list<const wchar_t*> options;
  const wchar_t* value = L"";
  int base = 0;
};

class PolyDetailTest : public testsupport::MainWindowFixture {
 protected:
  void SetUp() override {
    MainWindowFixture::SetUp();
    platform::DialogTemplate t(0, 0, 0, 700, 420, WS_POPUP, 0, L"parent");
    ASSERT_TRUE(m_parent.CreateIndirect(t));
    m_page = std::make_unique<CSettingDialog>(&m_parent);
    ASSERT_TRUE(m_page->Create(IDD_SETTING_DIALOG, &m_parent));
    m_page->m_listPolygon.InsertColumn(0, L"No", LVCFMT_CENTER, 200);
    m_page->m_pDeviceInfo = &m_device;
  }
  void TearDown() override {
    m_page->ResetPage();
    m_page->SendMessage(WM_CLOSE);
    m_page.reset();
    FreeParamInfoList(m_list);
    m_parent.DestroyWindow();
    MainWindowFixture::TearDown();
  }
  void AddSettings(std::initializer_list<Setting> settings) {
    for (const Setting& s : settings) {
      auto* p = new PARAM_INFO();
      p->nType = TAB_TYPE_POLYGON;
      SUBGROUP_PARAM& g = p->subGroups[1];
      g.nId = 1;
      g.nMgrpId = 1;
      g.strTag = L"item";
      g.nRowId = s.role;
      g.strName = s.name;
      g.nCtrlType = s.ctrlType;
      g.strValue = s.value;
      g.nOptions = static_cast<int>(s.options.size());
      if (g.nOptions > 0) {
        g.pOptions = new PARAM_OPTION[s.options.size()];
        int i = 0;
        for (const wchar_t* text : s.options) {
          g.pOptions[i].strText = text;
          g.pOptions[i].nValue = s.base + i;
          ++i;
        }
      }
      m_list.AddTail(p);
    }
  }
  void ListZones(std::initializer_list<const wchar_t*> numbers) {
    for (const wchar_t* n : numbers) m_page->m_listPolygon.InsertItem(m_page->m_listPolygon.GetItemCount(), n);
  }
  // Step 1 as ADD (mode 0) or EDIT (mode 1) opens it.
  CPolyDetailDlg* Open(BOOL bUp, int mode, const POLYGON_INFO& zone, int sel) {
    m_page->m_bUpMode = bUp;
    m_page->m_nPolygonMode = mode;
    CPolyDetailDlg* detail = m_page->PolyDetailDialog();
    EXPECT_NE(detail, nullptr);
    detail->SetData(&m_list, zone, sel);
    detail->ShowWindow(SW_SHOW);
    return detail;
  }
  CWnd* Control(CPolyDetailDlg* detail, const wchar_t* name) {
    for (POSITION pos = m_list.GetHeadPosition(); pos != nullptr;) {
      auto* p = static_cast<PARAM_INFO*>(m_list.GetNext(pos));
      if (p->subGroups[1].strName == name) return detail->ValueControl(p);
    }
    return nullptr;
  }
  CComboBox* Combo(CPolyDetailDlg* detail, const wchar_t* name) { return dynamic_cast<CComboBox*>(Control(detail, name)); }
  CString Shown(CPolyDetailDlg* detail, const wchar_t* name) {
    CWnd* w = Control(detail, name);
    if (auto* combo = dynamic_cast<CComboBox*>(w)) return combo->GetCurSel() < 0 ? CString(L"-") : combo->GetLBText(combo->GetCurSel());
    return w != nullptr ? w->GetWindowText() : CString(L"<none>");
  }

  CDialog m_parent;
  std::unique_ptr<CSettingDialog> m_page;
  CPtrList m_list;
  DEVICE_INFO m_device;
};

TEST_F(PolyDetailTest, DollarSetShowsAnEditedZoneByRoleAndReadsItBack) {
  AddSettings({{0, L"Zone", CTRL_COMBO, {L"1", L"2", L"3", L"4", L"5"}},
               {1, L"Alarm", CTRL_COMBO, {L"Off", L"On"}},
               {12, L"Active", CTRL_COMBO, {L"Off", L"On"}},
               {12, L"Out Active", CTRL_COMBO, {L"No", L"In", L"Out"}},
               {8, L"Speed", CTRL_EDIT, {}},
               {5, L"Text5", CTRL_EDIT, {}},
               {11, L"Name", CTRL_EDIT, {}},
               {20, L"Extra", CTRL_EDIT, {}},
               {21, L"Mode", CTRL_COMBO, {L"A", L"B", L"C"}},
               {3, L"Hidden", CTRL_ANY, {}}});
  POLYGON_INFO zone;
  zone.nIndex = 3;
  zone.nRole1 = 1;
  zone.bActive = 1;
  zone.nOutActive = 2;
  zone.nRole8 = 12;
  zone.strExtra[0] = L"x";
  zone.strExtra[1] = L"2";
  ListZones({L"03"});
  CPolyDetailDlg* detail = Open(FALSE, 1, zone, 2);

  struct Case {
    const wchar_t* name;
    const wchar_t* shown;
  };
  const Case shown[] = {{L"Zone", L"3"},  {L"Alarm", L"On"}, {L"Active", L"On"}, {L"Out Active", L"Out"},
                        {L"Speed", L"12"}, {L"Text5", L"0"},  {L"Name", L""},     {L"Extra", L"x"},
                        {L"Mode", L"C"},   {L"Hidden", L"<none>"}};
  for (const Case& c : shown) EXPECT_EQ(Shown(detail, c.name), CString(c.shown)) << CString(c.name).ToUtf8();
  EXPECT_FALSE(Control(detail, L"Zone")->IsWindowEnabled()) << "an edited zone keeps its number";

  Combo(detail, L"Alarm")->SetCurSel(0);
  Combo(detail, L"Out Active")->SetCurSel(1);
  Control(detail, L"Speed")->SetWindowText(L"7");
  Control(detail, L"Name")->SetWindowText(L"Yard");
  Control(detail, L"Extra")->SetWindowText(L"y");
  Combo(detail, L"Mode")->SetCurSel(0);
  ClickButton(detail, IDOK);
  const POLYGON_INFO& z = detail->m_zone;
  EXPECT_EQ(z.nIndex, 3);
  EXPECT_EQ(z.nRole1, 0);
  EXPECT_EQ(z.bActive, 1);
  EXPECT_EQ(z.nOutActive, 1);
  EXPECT_EQ(z.bHasOutActive, 1);
  EXPECT_EQ(z.nRole8, 7);
  EXPECT_EQ(z.strRole5, CString(L"0"));
  EXPECT_EQ(z.strRole11, CString(L"Yard"));
  EXPECT_EQ(z.strExtra[0], CString(L"y"));
  EXPECT_EQ(z.strExtra[1], CString(L"0"));
  ASSERT_NE(m_page->m_pPolygonDlg, nullptr);
  EXPECT_TRUE(m_page->m_pPolygonDlg->IsWindowVisible()) << "NEXT shows the map";
  EXPECT_FALSE(detail->IsWindowVisible());
  m_page->m_pPolygonDlg->OnBnClickedCancel();
  EXPECT_EQ(Control(detail, L"Zone"), nullptr) << "CANCEL removes the controls";
}

TEST_F(PolyDetailTest, NumberedSetShowsExtrasAsNumbersAndReadsOptionValues) {
  AddSettings({{0, L"Zone", CTRL_COMBO, {L"1", L"2", L"3"}},
               {1, L"In", CTRL_COMBO, {L"Off", L"On"}},
               {2, L"Out", CTRL_COMBO, {L"Off", L"On"}},
               {5, L"Speed", CTRL_EDIT_NUMBER, {}},
               {6, L"Level", CTRL_EDIT, {}},
               {7, L"Kind", CTRL_COMBO, {L"Low", L"High"}, L"", 4}});
  POLYGON_INFO zone;
  zone.nIndex = 2;
  zone.bUpRole2 = 1;
  zone.strExtra[0] = L"12.0";
  zone.strExtra[1] = L"12.345";
  zone.strExtra[2] = L"5";
  ListZones({L"02"});
  CPolyDetailDlg* detail = Open(TRUE, 1, zone, 1);
  EXPECT_EQ(Shown(detail, L"Zone"), CString(L"2"));
  EXPECT_EQ(Shown(detail, L"In"), CString(L"Off"));
  EXPECT_EQ(Shown(detail, L"Out"), CString(L"On"));
  EXPECT_EQ(Shown(detail, L"Speed"), CString(L"12"));
  EXPECT_EQ(Shown(detail, L"Level"), CString(L"12.345")) << "every decimal read, never rounded";
  EXPECT_EQ(Shown(detail, L"Kind"), CString(L"High")) << "the option whose value is 5";

  Combo(detail, L"In")->SetCurSel(1);
  Control(detail, L"Level")->SetWindowText(L"");
  Combo(detail, L"Kind")->SetCurSel(0);
  ClickButton(detail, IDOK);
  const POLYGON_INFO& z = detail->m_zone;
  EXPECT_EQ(z.bUpRole1, 1);
  EXPECT_EQ(z.bUpRole2, 1);
  EXPECT_EQ(z.strExtra[0], CString(L"12"));
  EXPECT_EQ(z.nExtraType[0], CTRL_EDIT_NUMBER);
  EXPECT_EQ(z.strExtra[1], CString(L"0")) << "an empty input is sent as 0";
  EXPECT_EQ(z.strExtra[2], CString(L"4")) << "a choice gives its option's value";
  EXPECT_EQ(z.nExtraType[2], CTRL_COMBO);
  m_page->m_pPolygonDlg->OnBnClickedCancel();
}

// A choice the user did not make is sent as read; with nothing read NEXT names it. A typed value that
// would split the device line is refused by name. Both command sets.
TEST_F(PolyDetailTest, NextKeepsAnUnchosenChoiceAsReadAndRefusesASplittingValue) {
  for (BOOL bUp : {FALSE, TRUE}) {
    SCOPED_TRACE(bUp ? "numbered set" : "$-command set");
    FreeParamInfoList(m_list);
    AddSettings({{0, L"Zone", CTRL_COMBO, {L"1", L"2", L"3"}},
                 {20, L"Extra", CTRL_EDIT, {}},
                 {21, L"Mode", CTRL_COMBO, {L"A", L"B"}}});
    POLYGON_INFO zone;
    zone.nIndex = 2;
    zone.strExtra[0] = L"5";
    zone.strExtra[1] = L"9";  // matches no option
    zone.nExtraType[0] = CTRL_EDIT;
    zone.nExtraType[1] = CTRL_COMBO;
    m_page->m_listPolygon.DeleteAllItems();
    ListZones({L"02"});
    CPolyDetailDlg* detail = Open(bUp, 1, zone, 1);
    EXPECT_EQ(Shown(detail, L"Mode"), CString(L"-"));
    ClickButton(detail, IDOK);
    EXPECT_EQ(detail->m_zone.strExtra[1], CString(L"9")) << "the value the user did not change";
    ASSERT_NE(m_page->m_pPolygonDlg, nullptr);
    m_page->m_pPolygonDlg->OnBnClickedCancel();

    // A new zone with nothing chosen: NEXT says which choice is missing and the dialog stays.
    detail = Open(bUp, 0, POLYGON_INFO(), 0);
    platform::ModalService& s = platform::ModalService::Instance();
    s.ExpectMessageBox(IDOK);
    ClickButton(detail, IDOK);
    ASSERT_FALSE(s.Records().empty());
    EXPECT_NE(s.Records().back().text.Find(L"Mode"), -1);
    EXPECT_TRUE(detail->IsWindowVisible());

    Combo(detail, L"Mode")->SetCurSel(1);
    Control(detail, L"Extra")->SetWindowText(bUp ? L"1#2" : L"1;2");
    s.ExpectMessageBox(IDOK);
    ClickButton(detail, IDOK);
    ASSERT_FALSE(s.Records().empty());
    EXPECT_NE(s.Records().back().text.Find(L"Extra"), -1);
    EXPECT_TRUE(detail->IsWindowVisible());
    ClickButton(detail, IDCANCEL);
  }
}

TEST_F(PolyDetailTest, ANewZoneIsOfferedTheFreeNumbersAndDefaultsAndRefusesANumberInUse) {
  AddSettings({{0, L"Zone", CTRL_COMBO, {L"1", L"2", L"3", L"4", L"5"}},
               {12, L"Active", CTRL_COMBO, {L"Off", L"On"}, L"on"},
               {11, L"Name", CTRL_EDIT, {}, L"Area"}});
  ListZones({L"01", L"03"});
  POLYGON_INFO zone;
  zone.nIndex = 2;
  CPolyDetailDlg* detail = Open(FALSE, 0, zone, 1);
  CComboBox* number = Combo(detail, L"Zone");
  ASSERT_NE(number, nullptr);
  ASSERT_EQ(number->GetCount(), 3);
  EXPECT_EQ(number->GetLBText(0), CString(L"2"));
  EXPECT_EQ(number->GetLBText(1), CString(L"4"));
  EXPECT_EQ(number->GetLBText(2), CString(L"5"));
  EXPECT_EQ(Shown(detail, L"Zone"), CString(L"2"));
  EXPECT_EQ(Shown(detail, L"Active"), CString(L"On")) << "the default, letter case ignored";
  EXPECT_EQ(Shown(detail, L"Name"), CString(L"Area"));

  // Zone 4 became listed meanwhile: NEXT refuses it and the dialog stays.
  number->SetCurSel(1);
  m_page->m_listPolygon.InsertItem(2, L"04");
  platform::ModalService::Instance().ExpectMessageBox(IDOK);
  ClickButton(detail, IDOK);
  EXPECT_EQ(platform::ModalService::Instance().Records().back().text, CString(L"already exist index can not be added."));
  EXPECT_TRUE(detail->IsWindowVisible());
  ClickButton(detail, IDCANCEL);
  EXPECT_FALSE(detail->IsWindowVisible());
}

TEST_F(PolyDetailTest, WithoutZoneSettingsNextLeavesTheZoneAsItWas) {
  auto* other = new PARAM_INFO();
  other->subGroups[0].strTag = L"item";
  other->subGroups[0].strName = L"Polygon";
  m_list.AddTail(other);
  POLYGON_INFO zone;
  zone.nIndex = 5;
  zone.strRole11 = L"Kept";
  CPolyDetailDlg* detail = Open(FALSE, 0, zone, 4);
  EXPECT_EQ(detail->ValueControl(other), nullptr);
  ClickButton(detail, IDOK);
  EXPECT_EQ(detail->m_zone.nIndex, 5);
  EXPECT_EQ(detail->m_zone.strRole11, CString(L"Kept"));
  m_page->m_pPolygonDlg->OnBnClickedCancel();
}

TEST_F(PolyDetailTest, PageElementsBoundByIdConfirmOrEndTheWizardWithoutSending) {
  AddSettings({{0, L"Zone", CTRL_COMBO, {L"1", L"2", L"3"}}, {12, L"Active", CTRL_COMBO, {L"Off", L"On"}}});
  POLYGON_INFO zone;
  zone.nIndex = 1;
  CPolyDetailDlg* detail = Open(FALSE, 0, zone, 0);
  ClickButton(detail, IDOK);
  CPolygonDialog* map = m_page->m_pPolygonDlg;
  ASSERT_NE(map, nullptr);
  ASSERT_TRUE(map->WaitForDocument(30000)) << "the polygon page loads";
  ASSERT_TRUE(map->IsWindowVisible());
  platform::ModalService& modal = platform::ModalService::Instance();

  // "BtnConfirm" only says so; the step stays.
  modal.ClearRecords();
  modal.ExpectMessageBox(IDOK);
  testsupport::ClickNewPageElement(*map, "BtnConfirm");
  ASSERT_TRUE(platform::PumpUntil([&] { return !modal.Records().empty(); }, 30000));
  EXPECT_EQ(modal.Records()[0].text, CString(L"confirm ok"));
  EXPECT_TRUE(map->IsWindowVisible());

  // "ButtonOK" ends the wizard as CANCEL does: nothing is sent, step 1 goes with it.
  testsupport::ClickNewPageElement(*map, "ButtonOK");
  ASSERT_TRUE(platform::PumpUntil([&] { return !map->IsWindowVisible(); }, 30000));
  EXPECT_FALSE(detail->IsWindowVisible());
  EXPECT_EQ(Control(detail, L"Zone"), nullptr) << "step 1's controls are gone";
  EXPECT_EQ(m_page->m_listPolygon.GetItemCount(), 0) << "no zone was written";
  EXPECT_EQ(modal.Records().size(), 1u) << "nothing else was asked";
}

}  // namespace

namespace {

// The controls are read by the reader of each command set: role 1 is the alarm choice of the
// $-command set and the first flag of the numbered-parameter set.
TEST_F(PolyDetailTest, EachCommandSetReadsTheControlsWithItsOwnReader) {
  AddSettings({{0, L"Zone", CTRL_COMBO, {L"1", L"2"}}, {1, L"In", CTRL_COMBO, {L"Off", L"On"}}});
  POLYGON_INFO zone;
  zone.nIndex = 1;
  ListZones({L"01"});
  CPolyDetailDlg* detail = Open(TRUE, 1, zone, 0);
  ASSERT_NE(Combo(detail, L"In"), nullptr) << "CreateControlsUp made the choice";
  Combo(detail, L"In")->SetCurSel(1);
  CString error;
  EXPECT_TRUE(detail->ReadControlsUp(error));
  EXPECT_EQ(detail->m_zone.bUpRole1, 1);
  EXPECT_EQ(detail->m_zone.nRole1, 0);
  EXPECT_TRUE(detail->ReadControls(error));
  EXPECT_EQ(detail->m_zone.nRole1, 1);
}

}  // namespace
