// The definition model of the main window: the reset before a new definition, AddParam with
// options, bases, polygon sub-groups and the polygon service rows, the refusals of AddParam, the
// release of the lists, the identity reset, and the special-tab test.
#include <gtest/gtest.h>

#include "gui/dlg/brelvanodlg.h"
#include "gui/dlg/menudlg.h"
#include "mainwindow_fixture.h"
#include "model_fill.h"

namespace {

using testsupport::AddStagedParam;
using testsupport::FillTabs;
using testsupport::ListOf;

class DefinitionModelTest : public testsupport::MainWindowFixture {};

TEST_F(DefinitionModelTest, ResetEmptiesTheTableListsCountersAndLog) {
  CBrelvanoDlg* dlg = Open();
  FillTabs(dlg, {{1, L"General", L"GEN"}, {6, L"Geofence", L"GEO"}});
  AddStagedParam(dlg, 1, L"Speed", 3, 0);
  dlg->m_tabInfo[1].bVisible = FALSE;
  dlg->m_tabInfo[1].nTabId = 7;
  dlg->m_nOptionIndex = 4;
  dlg->m_nReportTabCount = 2;
  dlg->m_nDownloadState = 3;
  dlg->m_nReadyRetries = 2;
  dlg->m_dFirmwareVersion = 150.0;
  dlg->m_listLog.InsertString(-1, L"a line");
  dlg->m_nLogLines = 1;
  ASSERT_GT(dlg->m_listLog.GetCount(), 0);

  dlg->ResetDefinitionTabs();  // the lists go with the reset (the sanitizer build sees a leak otherwise)
  EXPECT_EQ(dlg->m_pParamLists, nullptr);
  EXPECT_EQ(dlg->m_nTabCount, 0);
  EXPECT_EQ(dlg->m_nParseTab, 0);
  EXPECT_EQ(dlg->m_nOptionIndex, 0);
  EXPECT_EQ(dlg->m_nReportTabCount, 0);
  EXPECT_EQ(dlg->m_stagingParam.nOptions, 0);
  EXPECT_EQ(dlg->m_stagingParam.pOptions, nullptr);
  EXPECT_EQ(dlg->m_listLog.GetCount(), 0);
  EXPECT_EQ(dlg->m_nLogLines, 0);
  EXPECT_EQ(dlg->m_nDownloadState, 0);
  EXPECT_EQ(dlg->m_nReadyRetries, 0);
  EXPECT_EQ(dlg->m_dFirmwareVersion, 0.0);
  for (int i = 0; i < kMaxTabs; ++i) {
    EXPECT_EQ(dlg->m_tabInfo[i].nIndex, TAB_TYPE_EMPTY) << i;
    EXPECT_EQ(dlg->m_tabInfo[i].nType, TAB_TYPE_EMPTY) << i;
    EXPECT_TRUE(dlg->m_tabInfo[i].strTitle.IsEmpty()) << i;
    EXPECT_EQ(dlg->m_tabInfo[i].nTabId, 0) << i;
  }
  EXPECT_FALSE(dlg->m_tabInfo[1].bVisible) << "visibility keeps its value";
  CMenuDialog panel(dlg->m_tabInfo, dlg);
  EXPECT_EQ(panel.m_nCount, 0) << "the side menu panel shows no tab";

  // A definition opened from a file keeps its firmware number.
  dlg->m_bOpenedFromFile = TRUE;
  dlg->m_dFirmwareVersion = 150.0;
  dlg->ResetDefinitionTabs();
  EXPECT_EQ(dlg->m_dFirmwareVersion, 150.0);
}

TEST_F(DefinitionModelTest, AddParamCopiesTheStagedRecordAndItsOptions) {
  CBrelvanoDlg* dlg = Open();
  FillTabs(dlg, {{1, L"General", L"GEN"}});
  struct Case {
    int count, base;
    std::vector<int> values;
  } cases[] = {{0, 0, {}}, {3, 5, {5, 6, 7}}, {1, -2, {-2}}};
  PARAM_INFO& s = dlg->m_stagingParam;
  s.bAssign = TRUE;
  s.nTabId = 12;
  s.strMapId = L"M1";
  s.bVisible = TRUE;
  s.nCtrlType = CTRL_COMBO;
  s.assign.bValid = TRUE;
  s.assign.nNo = 4;
  s.strValue = L"cur";
  s.nMax = 9;
  s.nId = 33;
  s.pValueWnd = &dlg->m_listLog;  // never copied
  for (const Case& c : cases) AddStagedParam(dlg, 1, L"Item", c.count, c.base);

  const std::vector<PARAM_INFO*> params = ListOf(&dlg->m_pParamLists[0]);
  ASSERT_EQ(params.size(), 3u);
  for (size_t i = 0; i < params.size(); ++i) {
    const PARAM_INFO* p = params[i];
    const Case& c = cases[i];
    SCOPED_TRACE(i);
    EXPECT_EQ(p->nOptions, c.count);
    EXPECT_EQ(p->pOptions == nullptr, c.count == 0) << "an item without options has no array";
    for (int k = 0; k < c.count; ++k) EXPECT_EQ(p->pOptions[k].nValue, c.values[k]);
    EXPECT_EQ(p->nBase, c.base);
    EXPECT_TRUE(p->bAssign);
    EXPECT_EQ(p->nTabId, 12);
    EXPECT_EQ(p->strMapId, CString(L"M1"));
    EXPECT_EQ(p->assign.nNo, 4);
    EXPECT_EQ(p->strValue, CString(L"cur"));
    EXPECT_EQ(p->nMax, 9);
    EXPECT_EQ(p->nId, 33);
    EXPECT_EQ(p->pValueWnd, nullptr);
    EXPECT_EQ(p->subGroups[0].pOptions, nullptr);
    EXPECT_EQ(p->subGroups[1].pOptions, nullptr);
  }
  // The copies are the records' own: the staging arrays were released after each AddParam.
  EXPECT_EQ(params[1]->pOptions[2].strText, CString(L"Item 2"));
  EXPECT_EQ(s.pOptions, nullptr);
}

TEST_F(DefinitionModelTest, AddParamRefusesWithoutAListToAddTo) {
  CBrelvanoDlg* dlg = Open();
  FillTabs(dlg, {{1, L"A", L"A"}, {1, L"B", L"B"}});
  for (int tab : {0, -1, 3, 50}) {
    dlg->m_nParseTab = tab;
    dlg->AddParam();
  }
  EXPECT_EQ(dlg->m_pParamLists[0].GetCount(), 0);
  EXPECT_EQ(dlg->m_pParamLists[1].GetCount(), 0);
  // A count without an array gives a record without options.
  dlg->m_nParseTab = 2;
  dlg->m_stagingParam.nOptions = 1000000;
  dlg->AddParam();
  dlg->m_stagingParam.nOptions = 0;
  ASSERT_EQ(dlg->m_pParamLists[1].GetCount(), 1);
  const PARAM_INFO* p = ListOf(&dlg->m_pParamLists[1])[0];
  EXPECT_EQ(p->nOptions, 0);
  EXPECT_EQ(p->pOptions, nullptr);

  dlg->FreeParamLists();  // no lists at all
  dlg->m_nParseTab = 1;
  dlg->AddParam();
  EXPECT_EQ(dlg->m_pParamLists, nullptr);
}

TEST_F(DefinitionModelTest, PolygonRecordsCarryOnlyTheirSubGroupAndPlsRowsSetTheService) {
  CBrelvanoDlg* dlg = Open();
  FillTabs(dlg, {{TAB_TYPE_POLYGON, L"Polygon", L"PLG"}});
  dlg->m_nParseTab = 1;
  PARAM_INFO& s = dlg->m_stagingParam;
  s.nType = TAB_TYPE_POLYGON;
  s.strName = L"not copied";
  s.nOptions = 2;
  struct Row {
    int subGroup;
    const wchar_t* hdr;
    int rowId;
    const wchar_t* value;
    BOOL enable;  // m_bPolygonServiceEnable after the row
    int service;  // m_nPolygonServiceValue after the row
  } rows[] = {
      {0, L"PLG", 0, L"Enable", FALSE, 0}, {1, L"PLS", 0, L"Enable", TRUE, 0},  {1, L"PLS", 1, L"42", TRUE, 42},
      {1, L"PLS", 0, L"disable", FALSE, 42}, {1, L"PLS", 0, L"ENABLE", TRUE, 42}, {1, L"PLS", 2, L"7", TRUE, 42},
  };
  for (const Row& r : rows) {
    SUBGROUP_PARAM& g = s.subGroups[r.subGroup];
    dlg->m_nSubGroup = r.subGroup;
    g.strHdr = r.hdr;
    g.nRowId = r.rowId;
    g.strValue = r.value;
    g.strName = L"row";
    g.nOptions = 2;
    g.pOptions = new PARAM_OPTION[2];
    g.pOptions[1].strText = L"second";
    dlg->AddParam();
    dlg->FreeStagingOptions();
    EXPECT_EQ(dlg->m_bPolygonServiceEnable, r.enable) << r.rowId << " " << CString(r.value);
    EXPECT_EQ(dlg->m_nPolygonServiceValue, r.service) << r.rowId;
  }
  EXPECT_TRUE(dlg->m_bPolygonServiceSeen);
  const std::vector<PARAM_INFO*> params = ListOf(&dlg->m_pParamLists[0]);
  ASSERT_EQ(params.size(), 6u);
  for (size_t i = 0; i < params.size(); ++i) {
    const PARAM_INFO* p = params[i];
    const int own = rows[i].subGroup, other = 1 - own;
    EXPECT_TRUE(p->strName.IsEmpty()) << "element fields stay empty";
    EXPECT_EQ(p->nOptions, 0);
    EXPECT_EQ(p->pOptions, nullptr);
    EXPECT_EQ(p->subGroups[own].strHdr, CString(rows[i].hdr));
    ASSERT_NE(p->subGroups[own].pOptions, nullptr);
    EXPECT_EQ(p->subGroups[own].pOptions[1].strText, CString(L"second"));
    EXPECT_EQ(p->subGroups[other].pOptions, nullptr);
    EXPECT_TRUE(p->subGroups[other].strHdr.IsEmpty());
  }
  // A sub-group number other than 0 or 1 adds nothing.
  dlg->m_nSubGroup = 2;
  dlg->AddParam();
  EXPECT_EQ(dlg->m_pParamLists[0].GetCount(), 6);
}

TEST_F(DefinitionModelTest, FreeParamListsReleasesEverythingOnce) {
  CBrelvanoDlg* dlg = Open();
  FillTabs(dlg, {{1, L"A", L"A"}, {TAB_TYPE_POLYGON, L"P", L"PLG"}});
  AddStagedParam(dlg, 1, L"X", 4, 1);
  dlg->m_stagingParam.pOptions = new PARAM_OPTION[2];  // staging arrays go too
  dlg->m_stagingParam.subGroups[1].pOptions = new PARAM_OPTION[1];
  dlg->FreeParamLists();
  EXPECT_EQ(dlg->m_pParamLists, nullptr);
  EXPECT_EQ(dlg->m_stagingParam.pOptions, nullptr);
  EXPECT_EQ(dlg->m_stagingParam.subGroups[1].pOptions, nullptr);
  dlg->FreeParamLists();  // a second call finds nothing
  EXPECT_EQ(dlg->m_pParamLists, nullptr);
}

TEST_F(DefinitionModelTest, ResetDeviceInfoKeepsTheMapDefaultsAndDefinitionKind) {
  CBrelvanoDlg* dlg = Open();
  DEVICE_INFO& d = dlg->m_deviceInfo;
  d.strModel = L"VR765";
  d.strBuyer = L"B";
  d.strProtocol = L"UP";
  d.strVersion = L"1.2";
  d.strVerField17 = L"ble";
  d.strVerField18 = L"wifi";
  d.nVerField5 = d.bVoice = d.bRS232 = d.bCAN = d.bSecurity = d.bLogin = d.bInput4 = 1;
  d.nVerField12 = 5;
  d.bJsonParam = 1;
  d.strVerField16 = L"x";
  d.strLat = L"37.5";
  d.strLng = L"127.0";
  d.nDMax = 250;
  dlg->ResetDeviceInfo();
  for (const CString* text : {&d.strModel, &d.strBuyer, &d.strProtocol, &d.strVersion, &d.strVerField17, &d.strVerField18})
    EXPECT_TRUE(text->IsEmpty());
  for (int value : {d.nVerField5, d.bVoice, d.bRS232, d.bCAN, d.bSecurity, d.bLogin, d.bInput4}) EXPECT_EQ(value, 0);
  EXPECT_EQ(d.nVerField12, 5);
  EXPECT_EQ(d.bJsonParam, 1);
  EXPECT_EQ(d.strVerField16, CString(L"x"));
  EXPECT_EQ(d.strLat, CString(L"37.5"));
  EXPECT_EQ(d.strLng, CString(L"127.0"));
  EXPECT_EQ(d.nDMax, 250);
}

TEST_F(DefinitionModelTest, SpecialTabsAreThoseWithoutAGenericPage) {
  CBrelvanoDlg* dlg = Open();
  struct Case {
    int type;
    const wchar_t* hdr;
    BOOL special;
  } cases[] = {
      {1, L"PWDCHG", TRUE},  {1, L"PWD", TRUE},   {1, L"pwd", FALSE}, {80, L"GEN", FALSE}, {100, L"DIA", TRUE},
      {100, L"PRF", TRUE},   {1, L"TASK", TRUE},  {1, L"CCDX", TRUE}, {1, L"DI", FALSE},   {22, L"", TRUE},
      {23, L"", TRUE},       {6, L"", TRUE},      {40, L"", TRUE},    {19, L"", TRUE},     {26, L"", TRUE},
      {7, L"", TRUE},        {37, L"", TRUE},     {36, L"", FALSE},   {9, L"XPWD", FALSE}, {21, L"", FALSE},
  };
  std::vector<testsupport::TabSpec> tabs;
  for (const Case& c : cases) tabs.push_back({c.type, L"t", c.hdr});
  FillTabs(dlg, tabs);
  for (size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(dlg->IsSpecialTab(static_cast<int>(i)), cases[i].special)
        << cases[i].type << " " << CString(cases[i].hdr);
  }
  EXPECT_FALSE(dlg->IsSpecialTab(-1));
  EXPECT_FALSE(dlg->IsSpecialTab(kMaxTabs));
}

}  // namespace
