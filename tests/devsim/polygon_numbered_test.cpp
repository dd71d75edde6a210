// Polygon zones of the numbered-parameter set as a user works with them against the simulated
// tracker: the polygon tab lists the device's zones (code 53); ADD opens a point file in the wizard
// and SEND writes the zone's points (code 59 + zone) and then its record; DELETE writes the zone's
// record with zero values.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <string>
#include <thread>
#include <vector>

#include "device_window_fixture.h"
#include "devsim/devsim.h"
#include "devsim/numbereddevice.h"
#include "devsim/trackerdevice.h"
#include "gui/dlg/numberedvalues.h"
#include "gui/dlg/polydetaildlg.h"
#include "gui/dlg/polygondlg.h"
#include "gui/dlg/polygonpointfile.h"
#include "gui/dlg/settingdlg.h"
#include "platform/files.h"
#include "platform/modal.h"
#include "platform/pumpwait.h"
#include "reference/default/appregsettings.h"
#include "resources/pageresource.h"
#include "resources/settingresource.h"

namespace {

constexpr DWORD kTimeoutMs = 20000;

constexpr const char kDefinition[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<BRELVANO S=\"VR600\" I=\"UNIT1\" P=\"0000\" V=\"7\" D=\";\" R=\"RR\" cmd=\"$%s;%s\" res=\"$PVR;%s\">\n"
    "  <grp id=\"1\" tab_id=\"5\" title=\"General\" hdr=\"GEN\">\n"
    "    <item fid=\"Interval\" type=\"edit\" ID=\"1\"/>\n"
    "  </grp>\n"
    "  <grp id=\"19\" tab_id=\"53\" title=\"Areas\" hdr=\"PLG\" unit=\"1\" min=\"1\" max=\"3\" ptmax=\"100\">\n"
    "    <subgrp id=\"1\" hdr=\"PLA\" title=\"Zones\">\n"
    "      <mgrp id=\"1\" title=\"Zone Setting\">\n"
    "        <item id=\"0\" fid=\"Zone\" type=\"combo\" num=\"3\"/>\n"
    "        <item id=\"1\" fid=\"In\" type=\"combo\" num=\"2\" curr=\"On\"><ele>Off</ele><ele>On</ele></item>\n"
    "        <item id=\"2\" fid=\"Out\" type=\"combo\" num=\"2\" curr=\"Off\"><ele>Off</ele><ele>On</ele></item>\n"
    "      </mgrp>\n"
    "      <sheet id=\"3\" column=\"3\"><column>No</column><column>In</column><column>Out</column></sheet>\n"
    "    </subgrp>\n"
    "  </grp>\n"
    "</BRELVANO>\n";

class PolygonNumberedTest : public testsupport::DeviceWindowFixture {
 protected:
  void SetUp() override {
    DeviceWindowFixture::SetUp();
    TolerateMissingAssignCsv();
    devsim::TrackerIdentity id;
    id.model = "VR600";
    id.version = "7";
    tracker.SetIdentity(id);
    tracker.SetUpProtocol(true);
    m_folder.Write("Document/A_Param_7.xml", kDefinition);
    // No tile service: the map is drawn offline.
    CAppRegSettings settings;
    settings.SetRegistryKey(kAppRegistryKeyName);
    ASSERT_TRUE(settings.WriteProfileString(L"Map", L"TileUrl", L""));
  }
  // Connect: the walk reads the device's tabs.
  void ConnectAndWalk() {
    ASSERT_TRUE(ConnectToPort(dlg, CString::FromUtf8(sim.PortName())));
    ASSERT_TRUE(platform::PumpUntil([&] { return dlg->m_bReadAllDone && dlg->m_nTabCount > 0; }, kTimeoutMs));
  }
  CSettingDialog* Page() const { return dlg->m_pSettingDlg; }
  std::vector<std::vector<CString>> Rows() const {
    std::vector<std::vector<CString>> rows;
    CListCtrl& list = Page()->m_listPolygon;
    for (int i = 0; i < list.GetItemCount(); ++i)
      rows.push_back({list.GetItemText(i, 0), list.GetItemText(i, 1), list.GetItemText(i, 2)});
    return rows;
  }
  std::vector<std::string> Writes() const {
    std::vector<std::string> out;
    for (const std::string& l : device.Requests())
      if (l.rfind("AT^PRG", 0) == 0) out.push_back(l);
    return out;
  }

  devsim::NumberedDevice device{sim};
  devsim::TrackerDevice tracker{sim};
};

TEST_F(PolygonNumberedTest, ReadAddFromAPointFileAndDeleteZones) {
  device.SetValue(53, 0, "030100");
  device.SetValue(53, 2, "040001");
  ConnectAndWalk();

  // READ: the polygon tab lists the device's zones.
  ASSERT_TRUE(OpenTabOfType(dlg, TAB_TYPE_POLYGON));
  ASSERT_TRUE(platform::PumpUntil([&] { return Rows().size() == 2; }, kTimeoutMs));
  EXPECT_EQ(Rows(), (std::vector<std::vector<CString>>{{L"01", L"O", L"X"}, {L"03", L"X", L"O"}}));
  ASSERT_TRUE(platform::PumpUntil([&] { return dlg->m_tabPages.IsWindowEnabled(); }, kTimeoutMs));

  // ADD: zone 2 offered; the points come from a point file; SEND writes points, then the record.
  QTemporaryDir dir;
  const CString file = CString(dir.path()) + L"/zone.stp";
  const CString text = L"127.100000@37.100000@\n127.200000@37.200000@\n127.300000@37.100000@\n127.250000@37.000000@";
  ASSERT_TRUE(brelvano::WritePolygonPointFile(file, text));
  device.ClearRequests();
  ClickButton(Page(), IDC_SETTING_POLYGON_ADD);
  CPolyDetailDlg* detail = Page()->m_pPolyDetailDlg;
  ASSERT_NE(detail, nullptr);
  ASSERT_TRUE(detail->IsWindowVisible());
  ClickButton(detail, IDOK);
  CPolygonDialog* map = Page()->m_pPolygonDlg;
  ASSERT_NE(map, nullptr);
  ASSERT_TRUE(platform::PumpUntil([&] { return detail->IsMapPageLoaded(); }, 30000));
  ASSERT_TRUE(platform::PumpUntil([&] { return map->CallScript(L"getLimits") == L"100;0;7"; }, kTimeoutMs))
      << map->CallScript(L"getLimits").ToUtf8();
  platform::ModalService::Instance().ExpectFileDialog(file);
  ClickButton(map, IDC_POLYMAP_FILE_OPEN);
  ASSERT_TRUE(platform::PumpUntil([&] { return map->GetDlgItem(IDC_POLYMAP_SEND)->IsWindowEnabled(); }, kTimeoutMs));
  ClickButton(map, IDC_POLYMAP_SEND);
  ASSERT_TRUE(platform::PumpUntil([&] { return Writes().size() == 2; }, kTimeoutMs));
  const std::vector<std::string> writes = Writes();
  std::string points = "AT^PRG;123456789012345;61";
  const char* const lat[] = {"37.100000", "37.200000", "37.100000", "37.000000"};
  const char* const lng[] = {"127.100000", "127.200000", "127.300000", "127.250000"};
  for (int k = 0; k < 4; ++k)
    points += EncodePointItem(k, CString::FromUtf8(lat[k]), CString::FromUtf8(lng[k])).ToUtf8();
  EXPECT_EQ(writes[0], points) << "the points first";
  EXPECT_EQ(writes[1], "AT^PRG;123456789012345;53;01#040100") << "then the zone record";
  EXPECT_EQ(device.Value(53, 1), "040100");
  ASSERT_TRUE(platform::PumpUntil([&] { return Rows().size() == 3; }, kTimeoutMs));
  EXPECT_EQ(Rows()[1], (std::vector<CString>{L"02", L"O", L"X"}));

  // DELETE of zones 1 and 3: each record is written with zero values.
  CListCtrl& list = Page()->m_listPolygon;
  list.SetItemState(-1, 0, LVIS_SELECTED);
  for (int i : {0, 2}) {
    list.SetItemState(i, LVIS_SELECTED, LVIS_SELECTED);
    list.SetSelectionMark(i);
  }
  device.ClearRequests();
  platform::ModalService::Instance().ExpectMessageBox(IDOK);
  ClickButton(Page(), IDC_SETTING_POLYGON_DELETE);
  ASSERT_TRUE(platform::PumpUntil([&] { return device.Value(53, 2) == "000000" && device.Value(53, 0) == "000000"; },
                                  kTimeoutMs));
  EXPECT_EQ(Writes(), (std::vector<std::string>{"AT^PRG;123456789012345;53;00#000000",
                                                "AT^PRG;123456789012345;53;02#000000"}));
  EXPECT_EQ(Rows(), (std::vector<std::vector<CString>>{{L"02", L"O", L"X"}}));
}

// A zone whose points the device refused, or never acknowledged, is not written: its record would
// claim points the device does not hold. The log says so and the tab strip is given back.
TEST_F(PolygonNumberedTest, AZoneRecordIsNotWrittenWhenItsPointsWereNot) {
  ConnectAndWalk();
  ASSERT_TRUE(OpenTabOfType(dlg, TAB_TYPE_POLYGON));
  ASSERT_TRUE(platform::PumpUntil([&] { return dlg->m_tabPages.IsWindowEnabled() && dlg->m_bPolygonListDone; }, kTimeoutMs));
  const CString text = L"127.100000@37.100000@\n127.200000@37.200000@\n127.300000@37.100000@";
  struct Case {
    const char* name;
    bool refuse;
  };
  for (const Case& c : {Case{"refused", true}, Case{"never answered", false}}) {
    device.ClearRequests();
    if (c.refuse) device.RefuseNext(1);
    else device.LoseNext(1);
    POLYGON_INFO zone = dlg->m_pPolygonTable[1];
    zone.nIndex = 2;
    Page()->SubmitPolygon(text, L"3", zone);
    EXPECT_EQ(Writes().size(), 1u) << c.name << ": only the points were sent";
    bool logged = false;
    for (int i = 0; i < dlg->m_listLog.GetCount(); ++i)
      logged = logged || dlg->m_listLog.GetText(i).Find(L"Polygon zone 2 was not written") >= 0;
    EXPECT_TRUE(logged) << c.name;
    EXPECT_EQ(device.Value(53, 1), "") << c.name;
    EXPECT_TRUE(dlg->m_tabPages.IsWindowEnabled()) << c.name;
  }
}

TEST_F(PolygonNumberedTest, ARestartDuringTheZoneReadEndsItsActivation) {
  ConnectAndWalk();
  // The device restarts instead of answering the zone read.
  sim.ClearReceived();
  device.LoseNext(1);
  std::thread restart([&] {
    if (sim.WaitForLine([](const std::string& l) { return l.rfind("AT^REQ;", 0) == 0 && l.find(";53;") != std::string::npos; },
                        static_cast<int>(kTimeoutMs)))
      sim.Send("System Start\r\n");
  });
  const bool opened = OpenTabOfType(dlg, TAB_TYPE_POLYGON);
  restart.join();
  ASSERT_TRUE(opened);
  ASSERT_TRUE(platform::PumpUntil([&] { return dlg->m_bReadAllDone && dlg->m_nTabCount > 0; }, kTimeoutMs))
      << "the restarted session read the device again";
  EXPECT_FALSE(dlg->m_bPolygonActivating) << "no zone read waits any more";
  // The polygon tab is read again in the new session.
  sim.ClearReceived();
  ASSERT_TRUE(OpenTabOfType(dlg, TAB_TYPE_POLYGON));
  EXPECT_TRUE(sim.WaitForLine([](const std::string& l) { return l.find(";53;") != std::string::npos; }, static_cast<int>(kTimeoutMs)));
}

}  // namespace

// EDIT with several rows selected: the zone of the selection mark is edited, and the points past
// the first line (21 onward) are asked of that zone too, never of the first selected row's.
TEST_F(PolygonNumberedTest, EditOfOneOfSeveralSelectedZonesReadsAllItsPointsFromItself) {
  constexpr int kPoints = 25;
  auto Coordinate = [](int zone, int point, bool lat) {
    CString text;
    text.Format(L"%d.%06d", lat ? 30 + zone : 120 + zone, point);
    return text;
  };
  for (int zone : {1, 3}) {
    device.SetValue(53, zone - 1, zone == 1 ? "190100" : "190001");
    for (int k = 0; k < kPoints; ++k) {
      const CString item = EncodePointItem(k, Coordinate(zone, k, true), Coordinate(zone, k, false));
      device.SetValue(59 + zone, k, item.Mid(item.Find(L'#') + 1).ToUtf8());
    }
  }
  ConnectAndWalk();
  ASSERT_TRUE(OpenTabOfType(dlg, TAB_TYPE_POLYGON));
  ASSERT_TRUE(platform::PumpUntil([&] { return Rows().size() == 2 && dlg->m_tabPages.IsWindowEnabled(); }, kTimeoutMs));

  // Both rows selected, the mark on zone 3.
  CListCtrl& list = Page()->m_listPolygon;
  list.SetItemState(-1, 0, LVIS_SELECTED);
  for (int i : {0, 1}) {
    list.SetItemState(i, LVIS_SELECTED, LVIS_SELECTED);
    list.SetSelectionMark(i);
  }
  device.ClearRequests();
  ClickButton(Page(), IDC_SETTING_POLYGON_EDIT);
  ASSERT_TRUE(platform::PumpUntil([&] { return !Page()->m_strMapPointText.IsEmpty(); }, kTimeoutMs));
  CString expected;
  for (int k = 0; k < kPoints; ++k) expected += Coordinate(3, k, false) + L"@" + Coordinate(3, k, true) + L"\n";
  EXPECT_EQ(Page()->m_strMapPointText, expected);
  for (const std::string& request : device.Requests()) {
    if (request.rfind("AT^REQ", 0) != 0) continue;
    EXPECT_NE(request.find(";62;"), std::string::npos) << request;
  }
}
