// Polygon zones as a user works with them against the simulated tracker over a pseudo-terminal
// ($-command set): the polygon tab lists the device's zones; a zone of four points is sent as the
// wizard's SEND hands it over and the device holds exactly those points; saved as a point file,
// deleted, opened again and sent, the device holds the same points again; DELETE of three selected
// zones erases all three; a refused packet ends the write and gives the tab strip back.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <string>
#include <utility>
#include <vector>

#include "device_window_fixture.h"
#include "devsim/definitionserver.h"
#include "devsim/devsim.h"
#include "devsim/polygondevice.h"
#include "devsim/trackerdevice.h"
#include "gui/dlg/polygonpointfile.h"
#include "gui/dlg/settingdlg.h"
#include "platform/files.h"
#include "platform/modal.h"
#include "platform/pumpwait.h"
#include "resources/settingresource.h"

namespace {

constexpr DWORD kTimeoutMs = 20000;

constexpr const char kDefinition[] =
    "<brelvano S=\"$T\" D=\";\" cmd=\"SHDC\" res=\"SDRDH\" V=\"1\">"
    "<grp id=\"1\" title=\"General\" hdr=\"GEN\">"
    "<item fid=\"APN\" type=\"edit\" curr=\"web\" max=\"20\"/>"
    "</grp>"
    "<grp id=\"19\" title=\"Polygon\" hdr=\"PLG\" min=\"1\" max=\"6\" ptmax=\"60\">"
    "<subgrp id=\"1\" hdr=\"PLA\" title=\"Zones\">"
    "<sheet id=\"3\" column=\"4\"><column>No</column><column>Name</column><column>Active</column>"
    "<column>Points</column></sheet>"
    "</subgrp>"
    "</grp>"
    "</brelvano>";

using Points = std::vector<std::pair<std::string, std::string>>;

class PolygonUserTest : public testsupport::DeviceWindowFixture {
 protected:
  static devsim::SimPolygonZone Zone(int index, const char* name, const Points& points) {
    devsim::SimPolygonZone zone;
    zone.index = index;
    zone.active = 1;
    zone.role11 = name;
    zone.points = points;
    return zone;
  }
  CSettingDialog* Page() const { return dlg->m_pSettingDlg; }
  std::vector<CString> Rows() const {
    std::vector<CString> rows;
    for (int i = 0; i < Page()->m_listPolygon.GetItemCount(); ++i) rows.push_back(Page()->m_listPolygon.GetItemText(i, 0));
    return rows;
  }
  void SelectRows(std::initializer_list<const wchar_t*> numbers) {
    CListCtrl& list = Page()->m_listPolygon;
    list.SetItemState(-1, 0, LVIS_SELECTED);
    for (const wchar_t* n : numbers)
      for (int i = 0; i < list.GetItemCount(); ++i)
        if (list.GetItemText(i, 0) == n) {
          list.SetItemState(i, LVIS_SELECTED, LVIS_SELECTED);
          list.SetSelectionMark(i);
        }
  }
  // The wizard's SEND: the zone's settings with its point text and count.
  void Send(int index, const CString& pointText, int count) {
    POLYGON_INFO zone = dlg->m_pPolygonTable[index - 1];
    zone.nIndex = index;
    zone.bActive = 1;
    zone.strRole11 = L"Yard";
    CString countText;
    countText.Format(L"%d", count);
    Page()->SubmitPolygon(pointText, countText, zone);
  }

  devsim::PolygonDevice poly{sim};
  devsim::TrackerDevice tracker{sim};
  devsim::DefinitionServer server{sim, tracker};
};

TEST_F(PolygonUserTest, ReadAddSaveDeleteReopenAndDeleteZonesOnTheDevice) {
  poly.Put(Zone(1, "Depot", {{"126.1", "37.1"}, {"126.2", "37.2"}, {"126.3", "37.1"}}));
  poly.Put(Zone(2, "Port", {{"127.1", "35.1"}, {"127.2", "35.2"}, {"127.3", "35.1"}, {"127.4", "35.0"}}));
  poly.Put(Zone(4, "Farm", {{"128.1", "36.1"}, {"128.2", "36.2"}, {"128.3", "36.1"}}));
  dlg->m_strModuleDir = platform::GetCurrentFolder() + L"/";
  server.ServeXmlFile(kDefinition);
  devsim::TrackerIdentity id;
  id.model = "VR600";
  id.version = "150";
  tracker.SetIdentity(id);
  ASSERT_TRUE(ConnectToPort(dlg, CString::FromUtf8(sim.PortName())));
  ASSERT_TRUE(platform::PumpUntil([&] { return Page() != nullptr && !dlg->m_bDefinitionPending; }, kTimeoutMs));
  ASSERT_TRUE(platform::PumpUntil([&] { return dlg->m_tabPages.IsWindowEnabled(); }, kTimeoutMs));
  ASSERT_NE(dlg->m_pPolygonTable, nullptr);

  // READ: the polygon tab lists the device's zones, zone by zone.
  int tab = -1;
  for (int i = 0; i < dlg->m_tabPages.GetItemCount(); ++i)
    if (dlg->m_tabInfo[i].nType == TAB_TYPE_POLYGON) tab = i;
  ASSERT_GE(tab, 0);
  dlg->m_tabPages.SetCurSel(tab);
  dlg->OnTabSelChange(nullptr, nullptr);
  ASSERT_TRUE(platform::PumpUntil([&] { return Rows().size() == 3 && dlg->m_bPolygonListDone; }, kTimeoutMs));
  EXPECT_EQ(Rows(), (std::vector<CString>{L"01", L"02", L"04"}));
  EXPECT_EQ(Page()->m_listPolygon.GetItemText(1, 1), CString(L"Port"));
  EXPECT_EQ(Page()->m_listPolygon.GetItemText(1, 2), CString(L"O"));
  EXPECT_EQ(Page()->m_listPolygon.GetItemText(1, 3), CString(L"4"));
  EXPECT_TRUE(Page()->GetDlgItem(IDC_SETTING_POLYGON_ADD)->IsWindowEnabled());
  EXPECT_TRUE(dlg->m_tabPages.IsWindowEnabled());
  EXPECT_EQ(Page()->FindFreePolygonIndex(), 2) << "ADD takes zone 3";

  // EDIT asks for the zone's points: the map gets five lines a block, "@" for a point not filled.
  SelectRows({L"02"});
  ClickButton(Page(), IDC_SETTING_POLYGON_EDIT);
  ASSERT_TRUE(platform::PumpUntil([&] { return !Page()->m_strMapPointText.IsEmpty(); }, kTimeoutMs));
  EXPECT_EQ(Page()->m_strMapPointText, CString(L"127.1@35.1\n127.2@35.2\n127.3@35.1\n127.4@35.0\n@\n"));

  // ADD: a zone of four points is sent, packet by packet; the device holds exactly those points.
  const CString fourPoints = L"126.980495@37.566079@\n126.990000@37.570000@\n127.000000@37.560000@\n126.985000@37.550000@";
  const Points expected = {{"126.980495", "37.566079"}, {"126.990000", "37.570000"}, {"127.000000", "37.560000"},
                           {"126.985000", "37.550000"}};
  ClickButton(Page(), IDC_SETTING_POLYGON_ADD);
  Send(3, fourPoints, 4);
  ASSERT_TRUE(platform::PumpUntil([&] { return Rows().size() == 4; }, kTimeoutMs)) << "the written zone is listed";
  EXPECT_EQ(Rows(), (std::vector<CString>{L"01", L"02", L"03", L"04"}));
  EXPECT_EQ(poly.Get(3).points, expected);
  EXPECT_EQ(poly.Get(3).role11, "Yard");
  EXPECT_EQ(poly.Get(3).active, 1);
  EXPECT_TRUE(dlg->m_tabPages.IsWindowEnabled());

  // Saved as a point file; the zone is deleted on the device.
  QTemporaryDir dir;
  const CString file = CString(dir.path()) + L"/yard.stp";
  ASSERT_TRUE(brelvano::WritePolygonPointFile(file, fourPoints));
  SelectRows({L"03"});
  platform::ModalService::Instance().ExpectMessageBox(IDOK);
  ClickButton(Page(), IDC_SETTING_POLYGON_DELETE);
  ASSERT_TRUE(platform::PumpUntil([&] { return poly.Get(3).points.empty(); }, kTimeoutMs));
  EXPECT_EQ(Rows(), (std::vector<CString>{L"01", L"02", L"04"}));

  // The file opened in a new ADD and sent: the device holds the same points again.
  std::vector<CString> lines;
  ASSERT_TRUE(brelvano::ReadPolygonPointFile(file, lines));
  CString loaded;
  ASSERT_TRUE(brelvano::PolygonPointTextFromFileLines(lines, Page()->m_nPointLimit, Page()->m_nTotalPointLimit, 0, loaded));
  ClickButton(Page(), IDC_SETTING_POLYGON_ADD);
  Send(3, loaded, static_cast<int>(lines.size()));
  ASSERT_TRUE(platform::PumpUntil([&] { return Rows().size() == 4; }, kTimeoutMs));
  EXPECT_EQ(poly.Get(3).points, expected);

  // DELETE of three zones erases all three on the device.
  SelectRows({L"01", L"02", L"04"});
  platform::ModalService::Instance().ExpectMessageBox(IDOK);
  ClickButton(Page(), IDC_SETTING_POLYGON_DELETE);
  ASSERT_TRUE(platform::PumpUntil([&] { return poly.Zones() == std::vector<int>{3}; }, kTimeoutMs))
      << "every deletion reached the device";
  EXPECT_EQ(Rows(), (std::vector<CString>{L"03"}));
  EXPECT_TRUE(platform::PumpUntil([&] { return dlg->m_pPolygonTable[3].nPointCount == 0; }, kTimeoutMs))
      << "the erase reply resets the zone";

  // A refused packet ends the write: nothing further is sent, the log says so, the tab strip is back.
  poly.SetWriteError(true);
  const size_t before = poly.Lines().size();
  ClickButton(Page(), IDC_SETTING_POLYGON_ADD);
  Send(5, fourPoints, 4);
  ASSERT_TRUE(platform::PumpUntil([&] { return LogHas(L"Polygon zone 5 was not written"); }, kTimeoutMs));
  EXPECT_EQ(poly.Lines().size(), before + 1) << "only the settings packet went out";
  EXPECT_TRUE(dlg->m_tabPages.IsWindowEnabled());
  EXPECT_TRUE(poly.Get(5).points.empty());
}

}  // namespace
