// A definition opened from files, with no device: the geofence and BLE pages change their tables at
// once on DELETE and on the BLE detail's OK, and the text profile saved afterwards holds what the
// pages show; the zone list keeps only zones its point lists can hold.
#include <gtest/gtest.h>

#include <string>

#include "gui/dlg/bledetaildlg.h"
#include "gui/dlg/bledlg.h"
#include "gui/dlg/brelvanodlg.h"
#include "gui/dlg/geofencedlg.h"
#include "gui/dlg/polydetaildlg.h"
#include "gui/dlg/polygondlg.h"
#include "gui/dlg/settingdlg.h"
#include "mainwindow_fixture.h"
#include "platform/files.h"
#include "platform/modal.h"
#include "resources/pageresource.h"
#include "resources/programresources.h"
#include "resources/settingresource.h"

namespace {

constexpr const char kDefinition[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<BRELVANO S=\"VR600\" I=\"UNIT1\" P=\"0000\" V=\"7\" D=\";\" R=\"RR\" cmd=\"$%s;%s\" "
    "res=\"$PVR;%s\">\n"
    "  <grp id=\"6\" tab_id=\"50\" title=\"Geofence\" hdr=\"GEO\" unit=\"0\" min=\"1\" max=\"50\">\n"
    "    <item fid=\"Geo ID\" type=\"combo\" num=\"1\" curr=\"1\"><ele>1</ele></item>\n"
    "    <item fid=\"Latitude\" type=\"edit\"/>\n"
    "    <item fid=\"Longitude\" type=\"edit\"/>\n"
    "    <item fid=\"Radius\" type=\"edit\"/>\n"
    "    <item fid=\"IN\" type=\"combo\" num=\"2\" curr=\"Off\"><ele>Off</ele><ele>On</ele></item>\n"
    "    <item fid=\"OUT\" type=\"combo\" num=\"2\" curr=\"Off\"><ele>Off</ele><ele>On</ele></item>\n"
    "  </grp>\n"
    "  <grp id=\"19\" tab_id=\"53\" title=\"Areas\" hdr=\"PLG\" unit=\"1\" min=\"1\" max=\"40\" ptmax=\"100\">\n"
    "    <subgrp id=\"1\" hdr=\"PLA\" title=\"Zones\">\n"
    "      <mgrp id=\"1\" title=\"Zone Setting\">\n"
    "        <item id=\"0\" fid=\"Zone\" type=\"combo\" num=\"40\"/>\n"
    "        <item id=\"1\" fid=\"In\" type=\"combo\" num=\"2\" curr=\"On\"><ele>Off</ele><ele>On</ele></item>\n"
    "        <item id=\"2\" fid=\"Out\" type=\"combo\" num=\"2\" curr=\"Off\"><ele>Off</ele><ele>On</ele></item>\n"
    "      </mgrp>\n"
    "      <sheet id=\"3\" column=\"3\"><column>No</column><column>In</column><column>Out</column></sheet>\n"
    "    </subgrp>\n"
    "  </grp>\n"
    "  <grp id=\"40\" tab_id=\"41\" title=\"Tags\" hdr=\"BLE\" min=\"1\" max=\"5\">\n"
    "    <item fid=\"Point\" type=\"combo\" num=\"5\"><ele>1</ele><ele>2</ele><ele>3</ele><ele>4</ele><ele>5</ele></item>\n"
    "    <item fid=\"Active\" type=\"combo\" num=\"2\"><ele>Disable</ele><ele>Enable</ele></item>\n"
    "    <item fid=\"Kind\" type=\"combo\" num=\"2\"><ele>Tag</ele><ele>Beacon</ele></item>\n"
    "  </grp>\n"
    "</BRELVANO>\n";

class FileModeRecordsTest : public testsupport::MainWindowFixture {
 protected:
  void SetUp() override {
    MainWindowFixture::SetUp();
    TolerateMissingAssignCsv();
    dlg = Open(9);
    ASSERT_NE(dlg, nullptr);
    m_folder.Write("Tags_UP_Param.xml", kDefinition);
    // Open, and the chosen numbered-parameter definition is used without a port.
    platform::ModalService::Instance().ExpectFileDialog(m_folder.CPath("Tags_UP_Param.xml"));
    ClickButton(dlg, IDC_BTN_OPEN);
    ASSERT_TRUE(g_bFileMode);
    ASSERT_NE(dlg->m_pGeofenceDlg, nullptr);
    ASSERT_NE(dlg->m_pBleDlg, nullptr);
  }
  std::string SavedProfile() {
    const CString path = m_folder.CPath("saved.txt");
    dlg->SendMessage(WM_SAVE_TEXT_PROFILE, 0, reinterpret_cast<LPARAM>(path.GetString()));
    std::string bytes;
    EXPECT_TRUE(platform::ReadWholeFile(path, bytes));
    return bytes;
  }
  static void SelectRow(CListCtrl& list, int row) {
    list.SetItemState(-1, 0, LVIS_SELECTED);
    list.SetItemState(row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    list.SetSelectionMark(row);
  }
  PARAM_INFO* BleParam(int i) {
    CPtrList* list = dlg->m_pBleDlg->m_pParamList;
    return static_cast<PARAM_INFO*>(list->GetAt(list->FindIndex(i)));
  }

  CBrelvanoDlg* dlg = nullptr;
};

TEST_F(FileModeRecordsTest, DeleteAndOkChangeTheTablesAtOnceAndTheProfileHoldsThem) {
  // Two geofences as a loaded profile leaves them.
  CGeofenceDialog* geo = dlg->m_pGeofenceDlg;
  for (int n : {1, 3}) {
    GEOFENCE_INFO rec;
    rec.nId = n;
    rec.bUsed = 1;
    rec.bIn = 1;
    rec.strLatitude = L"37.5";
    rec.strLongitude = L"126.9";
    rec.strRadius = L"300";
    ASSERT_TRUE(geo->StoreRecord(rec));
  }
  geo->RefreshList();
  ASSERT_EQ(geo->m_list.GetItemCount(), 2);
  std::string profile = SavedProfile();
  ASSERT_NE(profile.find(";25#"), std::string::npos) << profile;

  // DELETE of geofence 1: the row goes at once, and the saved profile no longer holds it.
  SelectRow(geo->m_list, 0);
  platform::ModalService::Instance().ExpectMessageBox(IDOK);
  ClickButton(geo, IDC_GEOFENCE_DELETE);
  ASSERT_EQ(geo->m_list.GetItemCount(), 1);
  EXPECT_EQ(geo->m_list.GetItemText(0, 0), CString(L"3"));
  profile = SavedProfile();
  EXPECT_EQ(profile.find(";25#"), std::string::npos) << profile;
  EXPECT_NE(profile.find(";27#"), std::string::npos) << profile;

  // BLE ADD and OK: the row is there at once, and in the saved profile.
  CBleDialog* ble = dlg->m_pBleDlg;
  ASSERT_EQ(ble->m_list.GetItemCount(), 0);
  ClickButton(ble, IDC_BLE_ADD);
  auto* active = dynamic_cast<CComboBox*>(BleParam(1)->pValueWnd);
  ASSERT_NE(active, nullptr);
  active->SetCurSel(1);
  auto* kind = dynamic_cast<CComboBox*>(BleParam(2)->pValueWnd);
  ASSERT_NE(kind, nullptr);
  kind->SetCurSel(1);
  ClickButton(ble->DetailDialog(), IDC_BLE_DETAIL_OK);
  ASSERT_EQ(ble->m_list.GetItemCount(), 1);
  EXPECT_TRUE(ble->IsWindowEnabled());
  profile = SavedProfile();
  EXPECT_NE(profile.find("BLE,PRG;;41;00#01"), std::string::npos) << profile;

  // BLE DELETE: the row goes at once, and so does the profile's record.
  SelectRow(ble->m_list, 0);
  platform::ModalService::Instance().ExpectMessageBox(IDOK);
  ClickButton(ble, IDC_BLE_DELETE);
  EXPECT_EQ(ble->m_list.GetItemCount(), 0);
  profile = SavedProfile();
  EXPECT_EQ(profile.find("41;00#01"), std::string::npos) << profile;
}

// The zone list of a definition opened from files: a zone the point lists cannot hold (above 30) is
// refused with a log line, and a refill of the list while EDIT's wizard is open leaves the wizard
// editing (its NEXT does not take the zone for a new one).
TEST_F(FileModeRecordsTest, ZonesBeyondThePointListsAreRefusedAndARefillKeepsTheEdit) {
  ASSERT_TRUE(OpenTabOfType(dlg, TAB_TYPE_POLYGON));
  CSettingDialog* page = dlg->m_pSettingDlg;
  ASSERT_NE(page, nullptr);
  const CString three = L"127.1@37.1@\n127.2@37.2@\n127.3@37.1@";
  for (int n : {2, 31}) {
    POLYGON_INFO zone = dlg->m_pPolygonTable[n - 1];
    zone.nIndex = n;
    zone.bUpRole1 = 1;
    page->SubmitPolygon(three, L"3", zone);
  }
  ASSERT_EQ(page->m_listPolygon.GetItemCount(), 1);
  EXPECT_EQ(page->m_listPolygon.GetItemText(0, 0), CString(L"02"));
  EXPECT_EQ(dlg->m_pPolygonTable[30].nPointCount, 0) << "zone 31 is not kept";
  bool logged = false;
  for (int i = 0; i < dlg->m_listLog.GetCount(); ++i)
    logged = logged || dlg->m_listLog.GetText(i).Find(L"polygon zone 31 of 3 points is not kept") >= 0;
  EXPECT_TRUE(logged);

  // EDIT of zone 2, then the list is refilled while step 1 is open.
  page->m_listPolygon.SetItemState(0, LVIS_SELECTED, LVIS_SELECTED);
  page->m_listPolygon.SetSelectionMark(0);
  ClickButton(page, IDC_SETTING_POLYGON_EDIT);
  CPolyDetailDlg* detail = page->m_pPolyDetailDlg;
  ASSERT_NE(detail, nullptr);
  ASSERT_TRUE(detail->IsWindowVisible());
  page->SendMessage(WM_POLYGON_LIST_UPDATE, 0, 0);
  ASSERT_EQ(page->m_listPolygon.GetItemCount(), 1);
  ClickButton(detail, IDOK);  // an unexpected message box fails the test
  EXPECT_FALSE(detail->IsWindowVisible()) << "NEXT went on to the map";
  ASSERT_NE(page->m_pPolygonDlg, nullptr);
  page->m_pPolygonDlg->OnBnClickedCancel();
}

}  // namespace
