// The child pages of a loaded definition: which pages are made and for which tabs, the first page
// request and its widths, the page area and how pages follow the main window, the destruction of
// the pages, the report map dialog, and the least geofence and BLE pages.
#include <gtest/gtest.h>

#include <iterator>

#include "gui/dlg/bledlg.h"
#include "gui/dlg/geofencedlg.h"
#include "gui/dlg/menudlg.h"
#include "gui/dlg/reportdlg.h"
#include "gui/dlg/settingdlg.h"
#include "mainwindow_fixture.h"
#include "model_fill.h"

namespace {

using testsupport::AddStagedParam;
using testsupport::FillTabs;
using testsupport::ListOf;

class ChildPagesTest : public testsupport::MainWindowFixture {
 protected:
  // The main window shown, with a legacy-set session whose zone pages are wanted.
  CBrelvanoDlg* OpenShown() {
    CBrelvanoDlg* dlg = Open();
    dlg->ShowWindow(SW_SHOW);
    dlg->m_bAtPrefix = FALSE;
    return dlg;
  }
  static CRect ScreenRectOf(CWnd* page) {
    CRect rc;
    page->GetWindowRect(&rc);
    return rc;
  }
  // A settings page of the given width made before the pages are (CreateChildPages keeps it).
  static CSettingDialog* MakeSettingsPage(CBrelvanoDlg* dlg, int width) {
    auto* page = new CSettingDialog(dlg);
    EXPECT_TRUE(page->Create(IDD_SETTING_DIALOG, dlg));
    page->MoveWindow(0, 0, width, 300);
    dlg->m_pSettingDlg = page;
    return page;
  }
};

TEST_F(ChildPagesTest, ZonePagesOnlyForZoneTabsAndOnlyOneOfEachForTheLastTab) {
  struct Case {
    std::vector<int> types;
    int geofenceTab, bleTab;  // -1: no page
  } cases[] = {
      {{1, 2, 3}, -1, -1},
      {{1, 6, 40}, 1, 2},
      {{6, 1, 6, 40, 40, 2}, 2, 4},
      {{40}, -1, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.types.size());
    CBrelvanoDlg* dlg = OpenShown();
    std::vector<testsupport::TabSpec> tabs;
    for (int type : c.types) tabs.push_back({type, L"Tab", L"HDR"});
    FillTabs(dlg, tabs);
    for (int i = 0; i < dlg->m_nTabCount; ++i) AddStagedParam(dlg, i + 1, L"P", 1, 0);
    dlg->CreateChildPages(TRUE);
    ASSERT_NE(dlg->m_pMenuDlg, nullptr);
    ASSERT_NE(dlg->m_pSettingDlg, nullptr);
    EXPECT_EQ(dlg->m_tabPages.GetItemCount(), static_cast<int>(c.types.size()));
    EXPECT_EQ(dlg->m_pGeofenceDlg != nullptr, c.geofenceTab >= 0);
    EXPECT_EQ(dlg->m_pBleDlg != nullptr, c.bleTab >= 0);
    if (dlg->m_pGeofenceDlg != nullptr) {
      EXPECT_EQ(dlg->m_pGeofenceDlg->m_pParams, &dlg->m_pParamLists[c.geofenceTab]);
      EXPECT_FALSE(dlg->m_pGeofenceDlg->IsWindowVisible());
    }
    if (dlg->m_pBleDlg != nullptr) {
      EXPECT_EQ(dlg->m_pBleDlg->m_pParamList, &dlg->m_pParamLists[c.bleTab]);
    }
    EXPECT_TRUE(dlg->m_pSettingDlg->IsWindowVisible());
    EXPECT_FALSE(dlg->m_pMenuDlg->IsWindowVisible()) << "the panel stays hidden";
    EXPECT_FALSE(dlg->m_staticLogo.IsWindowVisible());

    // Without zone pages, a geofence layout only hides the settings page.
    if (c.geofenceTab < 0) {
      dlg->LayoutPages(FALSE, TRUE, FALSE);
      EXPECT_FALSE(dlg->m_pSettingDlg->IsWindowVisible());
      EXPECT_EQ(dlg->m_pGeofenceDlg, nullptr);
    }
    // A second creation replaces the pages: still one of each, the tab strip not doubled.
    dlg->CreateChildPages(TRUE);
    EXPECT_EQ(dlg->m_tabPages.GetItemCount(), static_cast<int>(c.types.size()));
    EXPECT_EQ(dlg->m_pGeofenceDlg != nullptr, c.geofenceTab >= 0);

    dlg->CreateChildPages(FALSE);
    EXPECT_EQ(dlg->m_pMenuDlg, nullptr);
    EXPECT_EQ(dlg->m_pSettingDlg, nullptr);
    EXPECT_EQ(dlg->m_pGeofenceDlg, nullptr);
    EXPECT_EQ(dlg->m_pBleDlg, nullptr);
    m_dlg.reset();
  }
}

TEST_F(ChildPagesTest, ResettingTheModelUnderLivePagesLeavesThemNoReleasedRecords) {
  CBrelvanoDlg* dlg = OpenShown();
  FillTabs(dlg, {{1, L"General", L"GEN"}, {6, L"Geofence", L"GEO"}, {40, L"BLE", L"BLE"}});
  for (int tab = 1; tab <= 3; ++tab) AddStagedParam(dlg, tab, L"Value", 2, 0);
  dlg->CreateChildPages(TRUE);
  ASSERT_NE(dlg->m_pGeofenceDlg, nullptr);
  ASSERT_NE(dlg->m_pBleDlg, nullptr);
  dlg->ResetDefinitionTabs();
  EXPECT_EQ(dlg->m_pSettingDlg->m_pParamList, nullptr);
  EXPECT_EQ(dlg->m_pGeofenceDlg->m_pParams, nullptr);
  EXPECT_EQ(dlg->m_pBleDlg->m_pParamList, nullptr);
  EXPECT_EQ(dlg->m_pageInfo.pParams, nullptr);
  // The pages go on working with the next definition (the sanitizer build sees any stale record).
  dlg->m_pGeofenceDlg->BuildColumns();
  FillTabs(dlg, {{6, L"Geofence", L"GEO"}});
  AddStagedParam(dlg, 1, L"Radius", 0, 0);
  dlg->CreateChildPages(TRUE);
  EXPECT_EQ(dlg->m_pGeofenceDlg->m_pParams, &dlg->m_pParamLists[0]);
  EXPECT_EQ(dlg->m_pBleDlg, nullptr) << "no BLE tab: the earlier definition's page is gone";
}

TEST_F(ChildPagesTest, SessionConditionsDecideWhetherZonePagesAreMade) {
  TolerateMissingAssignCsv();  // numbered-set pages without a CSV in the Document folder
  struct Case {
    BOOL atPrefix;
    double firmware;
    BOOL upProtocol, newFirmware, directVersion;
    int json;
    bool made;
  } cases[] = {
      {TRUE, 150.0, FALSE, FALSE, FALSE, 0, true},  {TRUE, 300.0, FALSE, FALSE, FALSE, 0, false},
      {TRUE, 100.0, FALSE, FALSE, FALSE, 0, true},  {TRUE, 99.9, FALSE, FALSE, FALSE, 0, false},
      {FALSE, 300.0, FALSE, FALSE, FALSE, 0, true}, {TRUE, 300.0, TRUE, FALSE, FALSE, 0, true},
      {TRUE, 300.0, FALSE, TRUE, FALSE, 0, true},   {TRUE, 300.0, FALSE, FALSE, TRUE, 0, true},
      {TRUE, 300.0, FALSE, FALSE, FALSE, 1, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.firmware);
    CBrelvanoDlg* dlg = OpenShown();
    FillTabs(dlg, {{1, L"General", L"GEN"}, {6, L"Geofence", L"GEO"}, {40, L"BLE", L"BLE"}});
    dlg->m_bAtPrefix = c.atPrefix;
    dlg->m_dFirmwareVersion = c.firmware;
    dlg->m_bUpProtocol = c.upProtocol;
    dlg->m_bNewFirmware = c.newFirmware;
    dlg->m_bDirectVersion = c.directVersion;
    dlg->m_deviceInfo.bJsonParam = c.json;
    dlg->CreateChildPages(TRUE);
    EXPECT_EQ(dlg->m_pGeofenceDlg != nullptr, c.made);
    EXPECT_EQ(dlg->m_pBleDlg != nullptr, c.made);
    m_dlg.reset();
  }
}

TEST_F(ChildPagesTest, FirstPageRequestWidensTheColumnsToHalfThePage) {
  struct Case {
    int pageWidth, label, value;
    const wchar_t* model;
    int created, createdLabel;  // widths after CreateChildPages, and the request's label width
    int first, firstLabel;      // the same after ShowFirstTab from the measured widths
  } cases[] = {
      {700, 150, 200, L"VR100", 550, 550, 520, 520},
      {700, 150, 200, L"VR765B", 550, 610, 520, 580},
      {700, 150, 200, L"XVR735", 550, 610, 520, 580},
      {700, 400, 300, L"VR100", 400, 400, 400, 400},  // wide enough already: the measured widths stay
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(CString(c.model));
    CBrelvanoDlg* dlg = OpenShown();
    FillTabs(dlg, {{1, L"General", L"GEN"}});
    AddStagedParam(dlg, 1, L"Speed", 2, 0);
    dlg->m_deviceInfo.strModel = c.model;
    MakeSettingsPage(dlg, c.pageWidth);
    dlg->m_nLabelWidth = c.label;
    dlg->m_nValueWidth = c.value;
    dlg->CreateChildPages(TRUE);
    EXPECT_EQ(dlg->m_nLabelWidth, c.created);
    EXPECT_EQ(dlg->m_nValueWidth, c.pageWidth > c.label + c.value ? c.created : c.value);
    EXPECT_EQ(dlg->m_pageInfo.nLabelWidth, c.createdLabel);
    EXPECT_EQ(dlg->m_pageInfo.pParams, &dlg->m_pParamLists[0]);
    EXPECT_EQ(dlg->m_pageInfo.tab.strTitle, CString(L"General"));

    dlg->m_pSettingDlg->MoveWindow(0, 0, c.pageWidth, 300);
    dlg->m_nLabelWidth = c.label;
    dlg->m_nValueWidth = c.value;
    dlg->ShowFirstTab();
    EXPECT_EQ(dlg->m_nLabelWidth, c.first);
    EXPECT_EQ(dlg->m_pageInfo.nLabelWidth, c.firstLabel);
    m_dlg.reset();
  }
}

TEST_F(ChildPagesTest, NumberedParameterSetAsksForNoPageAndShowFirstTabNeedsASettingsPage) {
  TolerateMissingAssignCsv();  // numbered-set pages without a CSV in the Document folder
  CBrelvanoDlg* dlg = OpenShown();
  FillTabs(dlg, {{1, L"General", L"GEN"}});
  dlg->ShowFirstTab();  // no settings page: nothing happens
  EXPECT_EQ(dlg->m_pageInfo.pParams, nullptr);
  EXPECT_EQ(dlg->m_nLabelWidth, 0);

  dlg->m_bUpProtocol = TRUE;
  dlg->CreateChildPages(TRUE);
  ASSERT_NE(dlg->m_pSettingDlg, nullptr);
  EXPECT_EQ(dlg->m_pageInfo.pParams, nullptr) << "the page waits for the read of all tabs";
  EXPECT_EQ(dlg->m_pageInfo.tab.nIndex, TAB_TYPE_EMPTY);
  EXPECT_EQ(dlg->m_nLabelWidth, 0);
}

TEST_F(ChildPagesTest, PagesStayOverTheTabAreaWhenTheWindowMoves) {
  CBrelvanoDlg* dlg = OpenShown();
  FillTabs(dlg, {{1, L"General", L"GEN"}, {6, L"Geofence", L"GEO"}});
  dlg->CreateChildPages(TRUE);
  ASSERT_NE(dlg->m_pGeofenceDlg, nullptr);
  dlg->LayoutPages(FALSE, TRUE, FALSE);
  EXPECT_TRUE(dlg->m_pGeofenceDlg->IsWindowVisible());
  EXPECT_FALSE(dlg->m_pSettingDlg->IsWindowVisible());
  const CRect area = dlg->ChildPageRect();
  const CRect tabs = ScreenRectOf(&dlg->m_tabPages);
  EXPECT_TRUE(tabs.left < area.left && tabs.top < area.top && area.right < tabs.right) << "inside the tab area";

  // Displaced, then the window moves: the page is put back over the tab area.
  dlg->m_pGeofenceDlg->MoveWindow(area.left + 7, area.top + 9, 100, 100);
  CRect window;
  dlg->GetWindowRect(&window);
  dlg->MoveWindow(window.left + 40, window.top + 30, window.Width(), window.Height());
  dlg->SendMessage(WM_MOVE, 0, MAKELPARAM(window.left + 40, window.top + 30));
  EXPECT_EQ(ScreenRectOf(dlg->m_pGeofenceDlg), dlg->ChildPageRect());

  // The settings page is put back only while its labels are wider than 250 pixels.
  struct Case {
    int labelWidth;
    bool movedBack;
  } cases[] = {{250, false}, {100, false}, {251, true}};
  for (const Case& c : cases) {
    dlg->m_pSettingDlg->MoveWindow(1, 2, 300, 200);
    dlg->m_nLabelWidth = c.labelWidth;
    dlg->SendMessage(WM_MOVE, 0, 0);
    EXPECT_EQ(ScreenRectOf(dlg->m_pSettingDlg) == dlg->ChildPageRect(), c.movedBack) << c.labelWidth;
  }
}

TEST_F(ChildPagesTest, NoPagesShowsTheLogoAndShowPagesReachesTheExistingPages) {
  CBrelvanoDlg* dlg = OpenShown();
  FillTabs(dlg, {{1, L"General", L"GEN"}, {40, L"BLE", L"BLE"}});
  dlg->CreateChildPages(TRUE);
  EXPECT_TRUE(dlg->m_listLog.IsWindowVisible());
  EXPECT_EQ(dlg->SendMessage(WM_SHOW_PAGES, SW_HIDE, 0), 0);
  EXPECT_FALSE(dlg->m_pSettingDlg->IsWindowVisible());
  dlg->SendMessage(WM_SHOW_PAGES, SW_SHOW, 0);
  EXPECT_TRUE(dlg->m_pSettingDlg->IsWindowVisible());
  EXPECT_TRUE(dlg->m_pBleDlg->IsWindowVisible());

  dlg->m_editCommand.SetWindowText(L"typed");
  dlg->LayoutPages(TRUE, FALSE, FALSE);
  EXPECT_TRUE(dlg->m_staticLogo.IsWindowVisible());
  EXPECT_FALSE(dlg->m_listLog.IsWindowVisible());
  EXPECT_FALSE(dlg->m_editCommand.IsWindowVisible());
  EXPECT_TRUE(dlg->m_editCommand.GetWindowText().IsEmpty());
  EXPECT_EQ(dlg->m_tabPages.GetItemCount(), 0);
  EXPECT_TRUE(dlg->m_pMenuDlg->m_bBlockInput);
}

TEST_F(ChildPagesTest, ReportDialogNeedsAReportTabAndShowsTheReportList) {
  CBrelvanoDlg* dlg = OpenShown();
  platform::ModalService::Instance().ExpectMessageBox(IDOK);
  dlg->ShowReportDialog();  // no request kept
  const auto boxes = Records(platform::ModalKind::MessageBox);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, CString(L"Check the XML"));
  EXPECT_EQ(dlg->m_pReportDlg, nullptr);

  // An "edit+button" parameter with three options, value 0x5 (bits 0 and 2).
  PARAM_INFO param;
  param.nOptions = 3;
  param.nAssignNo = 17;
  param.strValue = L"05";
  param.pOptions = new PARAM_OPTION[3];
  const wchar_t* names[] = {L"Ignition", L"Power", L"Panic"};
  for (int i = 0; i < 3; ++i) {
    param.pOptions[i].strText = names[i];
    param.pOptions[i].nCtrlType = i == 1 ? CTRL_CHECK_BOX : CTRL_ANY;
  }
  REPORT_MAP_REQUEST request;
  request.pParam = &param;
  for (int round = 0; round < 2; ++round) {  // the second call replaces the first list
    dlg->OpenReportMap(&request);
    ASSERT_NE(dlg->m_pReportDlg, nullptr);
    EXPECT_TRUE(dlg->m_pReportDlg->IsWindowVisible());
    EXPECT_EQ(request.nReportTab, 0);
    EXPECT_EQ(dlg->m_reportPageInfo.tab.nSize, 3);
    EXPECT_EQ(dlg->m_reportPageInfo.tab.nTabId, 17);
    EXPECT_FALSE(dlg->m_reportPageInfo.tab.bAssign);
    const std::vector<PARAM_INFO*> list = ListOf(dlg->m_reportPageInfo.pParams);
    ASSERT_EQ(list.size(), 3u);
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(list[i]->strName, CString(names[i]));
      EXPECT_EQ(list[i]->nCtrlType, i == 1 ? CTRL_CHECK_BOX : CTRL_ANY);
      EXPECT_TRUE(list[i]->bReserve);
    }
    EXPECT_EQ(dlg->m_pReportDlg->m_strBits, CString(L"10100000"));
    // Only the check-box item gets a box, unchecked by its bit 1.
    EXPECT_EQ(list[0]->pValueWnd, nullptr);
    EXPECT_EQ(list[2]->pValueWnd, nullptr);
    auto* pBox = dynamic_cast<CButton*>(list[1]->pValueWnd);
    ASSERT_NE(pBox, nullptr);
    EXPECT_EQ(pBox->GetWindowText(), CString(L"Power"));
    EXPECT_EQ(pBox->GetCheck(), BST_UNCHECKED);
  }
  // The dialog keeps the main window's controls until it closes.
  EXPECT_FALSE(dlg->m_btnConnect.IsWindowEnabled());
  EXPECT_FALSE(dlg->m_tabPages.IsWindowEnabled());
  dlg->m_pReportDlg->OnClose();
  EXPECT_TRUE(dlg->m_btnConnect.IsWindowEnabled());
  EXPECT_TRUE(dlg->m_btnOpen.IsWindowEnabled());
  EXPECT_TRUE(dlg->m_tabPages.IsWindowEnabled());
  EXPECT_EQ(dlg->m_pReportDlg->GetSafeHwnd(), nullptr);

  // With a report tab kept, ShowReportDialog makes the dialog again and hands it that tab.
  FillTabs(dlg, {});
  dlg->m_reportTabInfo[1].strTitle = L"Report";
  dlg->m_nReportTabCount = 2;
  request.nReportTab = 1;
  dlg->m_pReportMapRequest = &request;
  dlg->ShowReportDialog();
  ASSERT_NE(dlg->m_pReportDlg->GetSafeHwnd(), nullptr);
  EXPECT_EQ(dlg->m_pReportDlg->m_tab.strTitle, CString(L"Report"));
  EXPECT_EQ(dlg->m_pReportDlg->m_pParamList, nullptr) << "no report lists were loaded";
  // While it is open, a request gets its own tab, and one naming no tab is refused.
  dlg->m_reportTabInfo[0].strTitle = L"Other";
  request.nReportTab = 0;
  dlg->ShowReportDialog();
  EXPECT_EQ(dlg->m_pReportDlg->m_tab.strTitle, CString(L"Other"));
  request.nReportTab = -1;
  platform::ModalService::Instance().ExpectMessageBox(IDOK);
  dlg->ShowReportDialog();
  const auto refused = Records(platform::ModalKind::MessageBox);
  EXPECT_EQ(refused.size(), 2u);
  EXPECT_EQ(refused.back().text, CString(L"Check the XML"));
  EXPECT_EQ(dlg->m_pReportDlg->m_tab.strTitle, CString(L"Other")) << "nothing reaches the open dialog";
  dlg->m_pReportMapRequest = nullptr;
  FreeParamOptions(param);
}

TEST(ReverseBitsAndBytesTest, ReversesTheBytesAndTheBitsOfEach) {
  struct Case {
    std::vector<unsigned char> in, out;
  } cases[] = {
      {{}, {}},
      {{0x01}, {0x80}},
      {{0x00, 0xFF}, {0xFF, 0x00}},
      {{0x01, 0x02, 0xF0}, {0x0F, 0x40, 0x80}},
  };
  for (const Case& c : cases) {
    std::vector<unsigned char> out(c.in.size() + 1, 0xAA);
    EXPECT_EQ(ReverseBitsAndBytes(c.in.data(), out.data(), static_cast<int>(c.in.size())), static_cast<int>(c.in.size()));
    EXPECT_EQ(std::vector<unsigned char>(out.begin(), out.end() - 1), c.out);
    EXPECT_EQ(out.back(), 0xAA) << "nothing written past the count";
  }
  // The same buffer may be given for both.
  unsigned char same[2] = {0x01, 0x03};
  EXPECT_EQ(ReverseBitsAndBytes(same, same, 2), 2);
  EXPECT_EQ(same[0], 0xC0);
  EXPECT_EQ(same[1], 0x80);
  // More than 255 bytes are reversed too; a negative count and missing buffers are refused.
  std::vector<unsigned char> big(300, 1), target(300, 0);
  big[0] = 0x02;
  EXPECT_EQ(ReverseBitsAndBytes(big.data(), target.data(), 300), 300);
  EXPECT_EQ(target[0], 0x80);
  EXPECT_EQ(target[299], 0x40);
  target.assign(300, 0);
  EXPECT_EQ(ReverseBitsAndBytes(big.data(), target.data(), -1), 0);
  EXPECT_EQ(target[0], 0);
  EXPECT_EQ(ReverseBitsAndBytes(nullptr, target.data(), 1), 0);
  EXPECT_EQ(ReverseBitsAndBytes(big.data(), nullptr, 1), 0);
}

TEST_F(ChildPagesTest, GeofencePageStoresRecordsInsideTheSlotsOfTheCommandSet) {
  CBrelvanoDlg* dlg = OpenShown();
  FillTabs(dlg, {{6, L"Geofence", L"GEO"}});
  AddStagedParam(dlg, 1, L"Latitude", 0, 0);
  AddStagedParam(dlg, 1, L"Longitude", 0, 0);
  dlg->CreateChildPages(TRUE);
  CGeofenceDialog* page = dlg->m_pGeofenceDlg;
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(page->m_list.GetHeaderCtrl()->GetItemCount(), 2) << "one per parameter (\"Active\" has none)";
  SetGeofenceCount(10);
  struct Case {
    BOOL up;
    int id;
    BOOL stored;
  } cases[] = {{FALSE, 1, TRUE},  {FALSE, 4096, TRUE}, {FALSE, 0, FALSE}, {FALSE, 4097, FALSE},
               {TRUE, 10, TRUE},  {TRUE, 11, FALSE},   {TRUE, -3, FALSE}};
  for (const Case& c : cases) {
    dlg->m_bUpProtocol = c.up;
    GEOFENCE_INFO rec;
    rec.nId = c.id;
    rec.bUsed = 1;
    rec.strLatitude = L"37.1";
    rec.strSpare = L"spare";
    rec.formats[3].nWidth = 8;
    EXPECT_EQ(page->StoreRecord(rec), c.stored) << c.up << " " << c.id;
    if (c.stored) {
      const GEOFENCE_INFO& slot = page->m_pRecords[c.id - 1];
      EXPECT_EQ(slot.strLatitude, CString(L"37.1"));
      EXPECT_TRUE(slot.strSpare.IsEmpty()) << "the spare text is not copied";
      EXPECT_EQ(slot.formats[3].nWidth, c.up ? 8 : 0) << "formats only in the numbered-parameter set";
    }
  }
  // The numbered-parameter set clears its own slots only.
  page->ResetRecords();
  EXPECT_EQ(page->m_pRecords[9].nId, 0);
  EXPECT_EQ(page->m_pRecords[4095].nId, 4096);
  dlg->m_bUpProtocol = FALSE;
  page->ResetRecords();
  EXPECT_EQ(page->m_pRecords[4095].nId, 0);

  GEOFENCE_INFO rec;
  rec.nId = 3;
  rec.bUsed = 1;
  rec.strLatitude = L"37.5";
  rec.strLongitude = L"127.1";
  page->SendMessage(WM_GEOFENCE_RECORD, 0, reinterpret_cast<LPARAM>(&rec));
  ASSERT_EQ(page->m_list.GetItemCount(), 1);
  EXPECT_EQ(page->m_list.GetItemText(0, 0), CString(L"3"));
  EXPECT_EQ(page->m_list.GetItemText(0, 1), CString(L"37.5")) << "the row builder's fixed positions";
  page->SendMessage(WM_GEOFENCE_RECORD, 0, 0);  // no record: nothing
  page->AddStatusLine(L"Req;OK");
  EXPECT_EQ(page->m_listStatus.GetCount(), 1);
  SetGeofenceCount(50);
}

TEST_F(ChildPagesTest, BlePageStoresRecordsInsideItsSlots) {
  CBrelvanoDlg* dlg = OpenShown();
  FillTabs(dlg, {{40, L"BLE", L"BLE"}});
  AddStagedParam(dlg, 1, L"Point", 0, 0);
  AddStagedParam(dlg, 1, L"Active", 0, 0);
  AddStagedParam(dlg, 1, L"MAC", 0, 0);
  dlg->CreateChildPages(TRUE);
  CBleDialog* page = dlg->m_pBleDlg;
  ASSERT_NE(page, nullptr);
  SetBleCount(5);
  for (const auto& c : std::vector<std::pair<int, BOOL>>{{1, TRUE}, {5, TRUE}, {6, FALSE}, {0, FALSE}, {500, FALSE}}) {
    BLE_INFO rec;
    rec.nSlot = c.first;
    rec.bActive = 1;
    rec.strValues = L";AA:BB";
    EXPECT_EQ(page->StoreRecord(rec), c.second) << c.first;
  }
  BLE_INFO rec;
  rec.nSlot = 2;
  rec.bActive = 1;
  rec.strValues = L";CC:DD";
  page->SendMessage(WM_BLE_RECORD, 0, reinterpret_cast<LPARAM>(&rec));
  ASSERT_EQ(page->m_list.GetItemCount(), 3);
  EXPECT_EQ(page->m_list.GetItemText(1, 0), CString(L"2"));
  EXPECT_EQ(page->m_list.GetItemText(1, 1), CString(L"Enable"));
  EXPECT_EQ(page->m_list.GetItemText(1, 2), CString(L"CC:DD"));
  // An inactive record is not listed.
  rec.bActive = 0;
  page->SendMessage(WM_BLE_RECORD, 0, reinterpret_cast<LPARAM>(&rec));
  EXPECT_EQ(page->m_list.GetItemCount(), 2);
  page->ResetRecords();
  page->RefreshList();
  EXPECT_EQ(page->m_list.GetItemCount(), 0);
  SetBleCount(50);
}

}  // namespace
