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

#include "../gui/dlg/map_clicks.h"
#include "../platform/wait_util.h"
#include "device_window_fixture.h"
#include "session_end.h"
#include "devsim/definitionserver.h"
#include "devsim/devsim.h"
#include "devsim/polygondevice.h"
#include "devsim/trackerdevice.h"
#include "gui/dlg/polydetaildlg.h"
#include "gui/dlg/polygondlg.h"
#include "gui/dlg/polygonpointfile.h"
#include "gui/dlg/settingdlg.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/modal.h"
#include "platform/pumpwait.h"
#include "reference/default/appregsettings.h"
#include "resources/pageresource.h"
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
  // The device serves the definition; Connect, and the page is there once the download is done.
  void ConnectWith(const char* definition) {
    dlg->m_strModuleDir = platform::GetCurrentFolder() + L"/";
    server.ServeXmlFile(definition);
    devsim::TrackerIdentity id;
    id.model = "VR600";
    id.version = "150";
    tracker.SetIdentity(id);
    ASSERT_TRUE(ConnectToPort(dlg, CString::FromUtf8(sim.PortName())));
    ASSERT_TRUE(platform::PumpUntil([&] { return Page() != nullptr && !dlg->m_bDefinitionPending; }, kTimeoutMs));
    ASSERT_TRUE(platform::PumpUntil([&] { return dlg->m_tabPages.IsWindowEnabled(); }, kTimeoutMs));
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
    // The map's SEND then closes step 1, which ends the wizard.
    if (Page()->m_pPolyDetailDlg != nullptr) Page()->m_pPolyDetailDlg->SendMessage(WM_CLOSE, 0, 0);
  }

  devsim::PolygonDevice poly{sim};
  devsim::TrackerDevice tracker{sim};
  devsim::DefinitionServer server{sim, tracker};
};

TEST_F(PolygonUserTest, ReadAddSaveDeleteReopenAndDeleteZonesOnTheDevice) {
  poly.Put(Zone(1, "Depot", {{"126.1", "37.1"}, {"126.2", "37.2"}, {"126.3", "37.1"}}));
  poly.Put(Zone(2, "Port", {{"127.1", "35.1"}, {"127.2", "35.2"}, {"127.3", "35.1"}, {"127.4", "35.0"}}));
  poly.Put(Zone(4, "Farm", {{"128.1", "36.1"}, {"128.2", "36.2"}, {"128.3", "36.1"}}));
  ConnectWith(kDefinition);
  ASSERT_NE(dlg->m_pPolygonTable, nullptr);

  // READ: the polygon tab lists the device's zones, zone by zone.
  ASSERT_TRUE(OpenTabOfType(dlg, TAB_TYPE_POLYGON));
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

// A zone count the device reports beyond what a zone holds is refused with a log line before
// anything is made for it: the zone is listed as holding no points, and EDIT of the others works.
TEST_F(PolygonUserTest, PointCountsBeyondAZoneAreRefused) {
  const struct {
    const char* reported;
  } cases[] = {{"301"}, {"99999999"}, {"2147483647"}, {"-5"}};
  const Points three = {{"126.1", "37.1"}, {"126.2", "37.2"}, {"126.3", "37.1"}};
  poly.Put(Zone(2, "Port", three));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.reported);
    devsim::SimPolygonZone zone = Zone(1, "Depot", three);
    zone.reportedPoints = c.reported;
    poly.Put(zone);
    ConnectWith(kDefinition);
    ASSERT_TRUE(OpenTabOfType(dlg, TAB_TYPE_POLYGON));
    ASSERT_TRUE(platform::PumpUntil([&] { return dlg->m_bPolygonListDone && !Rows().empty(); }, kTimeoutMs));
    EXPECT_EQ(Rows(), std::vector<CString>{L"02"});
    EXPECT_EQ(dlg->m_pPolygonTable[0].nPointCount, 0);
    const CString refusal = L"Zone 1: the device reports " + CString::FromUtf8(c.reported) + L" points";
    EXPECT_TRUE(LogHas(refusal)) << refusal.ToUtf8();
    SelectRows({L"02"});
    ClickButton(Page(), IDC_SETTING_POLYGON_EDIT);
    ASSERT_TRUE(platform::PumpUntil([&] { return !Page()->m_strMapPointText.IsEmpty(); }, kTimeoutMs));
    EXPECT_EQ(Page()->m_nPointBlockCount, 1);
    ClickButton(dlg, IDC_BTN_DISCONNECT);
    ASSERT_FALSE(dlg->m_bPortOpen);
  }
}

// The wizard as a user goes through it: a polygon page whose zones have a number, a name and an
// active choice, and a service setting; the map page is the program's own, drawn offline.
constexpr const char kWizardDefinition[] =
    "<brelvano S=\"$T\" D=\";\" cmd=\"SHDC\" res=\"SDRDH\" V=\"1\">"
    "<grp id=\"1\" title=\"General\" hdr=\"GEN\">"
    "<item fid=\"APN\" type=\"edit\" curr=\"web\" max=\"20\"/>"
    "</grp>"
    "<grp id=\"19\" title=\"Polygon\" hdr=\"PLG\" min=\"1\" max=\"6\" ptmax=\"60\">"
    "<subgrp id=\"0\" hdr=\"PLS\" title=\"Service\">"
    "<item id=\"0\" fid=\"Polygon\" type=\"combo\" num=\"2\" curr=\"Enable\"><ele>Disable</ele><ele>Enable</ele></item>"
    "<item id=\"1\" fid=\"Interval\" type=\"edit\" curr=\"30\"/>"
    "</subgrp>"
    "<subgrp id=\"1\" hdr=\"PLA\" title=\"Zones\">"
    "<mgrp id=\"1\" title=\"Zone Setting\">"
    "<item id=\"0\" fid=\"Zone\" type=\"combo\" num=\"6\"/>"
    "<item id=\"11\" fid=\"Name\" type=\"edit\" curr=\"Area\" max=\"10\"/>"
    "<item id=\"12\" fid=\"Active\" type=\"combo\" num=\"2\" curr=\"On\"><ele>Off</ele><ele>On</ele></item>"
    "</mgrp>"
    "<mgrp id=\"2\" title=\"Zone Map\"/>"
    "<sheet id=\"3\" column=\"4\"><column>No</column><column>Name</column><column>Active</column>"
    "<column>Points</column></sheet>"
    "</subgrp>"
    "</grp>"
    "</brelvano>";

class PolygonWizardTest : public PolygonUserTest {
 protected:
  void SetUp() override {
    PolygonUserTest::SetUp();
    // No tile service: the map is drawn offline.
    CAppRegSettings settings;
    settings.SetRegistryKey(kAppRegistryKeyName);
    ASSERT_TRUE(settings.WriteProfileString(L"Map", L"TileUrl", L""));
  }
  void ConnectAndOpenPolygonTab() {
    ConnectWith(kWizardDefinition);
    ASSERT_TRUE(OpenTabOfType(dlg, TAB_TYPE_POLYGON));
    ASSERT_TRUE(platform::PumpUntil([&] { return dlg->m_bPolygonListDone && Page()->m_listPolygon.IsWindowVisible(); },
                                    kTimeoutMs));
  }
  CPolyDetailDlg* Detail() const { return Page()->m_pPolyDetailDlg; }
  CPolygonDialog* Map() const { return Page()->m_pPolygonDlg; }
  // The value control of the wizard's zone setting with that name.
  CWnd* DetailControl(const wchar_t* name) const {
    for (POSITION pos = Page()->m_pParamList->GetHeadPosition(); pos != nullptr;) {
      auto* p = static_cast<PARAM_INFO*>(Page()->m_pParamList->GetNext(pos));
      if (p->subGroups[1].nId == 1 && p->subGroups[1].strName == name) return Detail()->ValueControl(p);
    }
    return nullptr;
  }
  // ADD, the zone's settings, NEXT: the map is shown and prepared for a new zone.
  void AddUpToTheMap(const wchar_t* name, bool firstShowing) {
    ClickButton(Page(), IDC_SETTING_POLYGON_ADD);
    ASSERT_NE(Detail(), nullptr);
    ASSERT_TRUE(Detail()->IsWindowVisible());
    EXPECT_FALSE(Page()->IsWindowEnabled()) << "the page waits for the wizard";
    auto* nameEdit = dynamic_cast<CEdit*>(DetailControl(L"Name"));
    ASSERT_NE(nameEdit, nullptr);
    EXPECT_EQ(nameEdit->GetWindowText(), CString(L"Area")) << "a new zone starts from the default";
    nameEdit->SetWindowText(name);
    ClickButton(Detail(), IDOK);
    ASSERT_NE(Map(), nullptr);
    if (firstShowing) {
      EXPECT_FALSE(Detail()->IsMapPageLoaded()) << "NEXT came before the page had loaded";
    }
    EXPECT_TRUE(Map()->IsWindowVisible());
    EXPECT_FALSE(Detail()->IsWindowVisible());
    // The page loads while the user looks at the map; then it is prepared and given the limits.
    ASSERT_TRUE(platform::PumpUntil([&] { return Detail()->IsMapPageLoaded(); }, 30000)) << "the map page loads";
    ASSERT_TRUE(platform::PumpUntil([&] { return Map()->CallScript(L"getLimits") == L"60;0;3"; }, kTimeoutMs))
        << Map()->CallScript(L"getLimits").ToUtf8();
    EXPECT_FALSE(Map()->GetDlgItem(IDC_POLYMAP_SEND)->IsWindowEnabled()) << "nothing to send yet";
  }
  // Left clicks until the page counts the point.
  bool AddPoint(int dx, int dy, const wchar_t* after) {
    for (int attempt = 0; attempt < 20; ++attempt) {
      testsupport::ClickMap(*Map(), Qt::LeftButton, dx, dy);
      if (platform::PumpUntil([&] { return Map()->CallScript(L"getPointCount") == after; }, 1000)) return true;
    }
    return false;
  }
  static Points PointsOf(const CString& text) {
    Points points;
    const std::string all = text.ToUtf8();
    size_t start = 0;
    while (start <= all.size()) {
      size_t end = all.find('\n', start);
      if (end == std::string::npos) end = all.size();
      const std::string line = all.substr(start, end - start);
      const size_t at = line.find('@');
      const size_t at2 = line.find('@', at + 1);
      if (at != std::string::npos) points.emplace_back(line.substr(0, at), line.substr(at + 1, at2 - at - 1));
      start = end + 1;
    }
    return points;
  }
};

TEST_F(PolygonWizardTest, AZoneDrawnOnTheMapIsSentSavedDeletedAndOpenedAgain) {
  poly.Put(Zone(1, "Depot", {{"126.1", "37.1"}, {"126.2", "37.2"}, {"126.3", "37.1"}}));
  ConnectAndOpenPolygonTab();
  ASSERT_TRUE(platform::PumpUntil([&] { return Rows().size() == 1; }, kTimeoutMs));
  AddUpToTheMap(L"Yard", true);

  // SEND before the zone is drawn: refused, the wizard stays open.
  const size_t readLines = poly.Lines().size();
  platform::ModalService::Instance().ExpectMessageBox(IDOK);
  Map()->OnSend();
  EXPECT_EQ(platform::ModalService::Instance().Records().back().text,
            CString(L"A zone needs at least three points: draw the zone and confirm it."));
  EXPECT_TRUE(Map()->IsWindowVisible());
  EXPECT_EQ(poly.Lines().size(), readLines) << "nothing was written";

  // Four clicks, a click on the first point closes the zone, 'confirm' takes it.
  // (The point table takes the right of the page: the clicks stay left of it.)
  ASSERT_TRUE(AddPoint(-160, -60, L"1"));
  ASSERT_TRUE(AddPoint(40, -60, L"2"));
  ASSERT_TRUE(AddPoint(50, 60, L"3"));
  ASSERT_TRUE(AddPoint(-150, 70, L"4"));
  testsupport::ClickMap(*Map(), Qt::LeftButton, -160, -60);
  ASSERT_TRUE(platform::PumpUntil([&] { return Map()->CallScript(L"confirmZone") == L"0"; }, kTimeoutMs));
  // SEND and File Save are enabled once the page holds the zone.
  ASSERT_TRUE(platform::PumpUntil([&] { return Map()->GetDlgItem(IDC_POLYMAP_SEND)->IsWindowEnabled(); }, kTimeoutMs));
  EXPECT_TRUE(Map()->GetDlgItem(IDC_POLYMAP_FILE_SAVE)->IsWindowEnabled());
  Map()->UpdatePageData();
  const CString drawn = Map()->m_strPolyZone;
  const Points expected = PointsOf(drawn);
  ASSERT_EQ(expected.size(), 4u) << drawn.ToUtf8();

  // File Save: the zone as a point file.
  QTemporaryDir dir;
  const CString file = CString(dir.path()) + L"/yard.stp";
  platform::ModalService::Instance().ExpectFileDialog(file);
  ClickButton(Map(), IDC_POLYMAP_FILE_SAVE);
  std::string bytes;
  ASSERT_TRUE(platform::ReadWholeFile(file, bytes));
  EXPECT_EQ(bytes, brelvano::PolygonPointFileBytes(drawn));

  // SEND: the zone goes to the device packet by packet; the wizard closes, the page is back.
  ClickButton(Map(), IDC_POLYMAP_SEND);
  ASSERT_TRUE(platform::PumpUntil([&] { return Rows().size() == 2; }, kTimeoutMs)) << "the written zone is listed";
  EXPECT_EQ(Rows(), (std::vector<CString>{L"01", L"02"}));
  EXPECT_EQ(poly.Get(2).points, expected) << "the device holds exactly the drawn points";
  EXPECT_EQ(poly.Get(2).role11, "Yard");
  EXPECT_EQ(poly.Get(2).active, 1);
  EXPECT_FALSE(Map()->IsWindowVisible());
  EXPECT_FALSE(Detail()->IsWindowVisible());
  EXPECT_TRUE(Page()->IsWindowEnabled());
  EXPECT_TRUE(platform::PumpUntil([&] { return dlg->m_tabPages.IsWindowEnabled(); }, kTimeoutMs));

  // The zone is deleted on the device.
  SelectRows({L"02"});
  platform::ModalService::Instance().ExpectMessageBox(IDOK);
  ClickButton(Page(), IDC_SETTING_POLYGON_DELETE);
  ASSERT_TRUE(platform::PumpUntil([&] { return poly.Get(2).points.empty(); }, kTimeoutMs));
  ASSERT_TRUE(platform::PumpUntil([&] { return dlg->m_pPolygonTable[1].nPointCount == 0; }, kTimeoutMs))
      << "the erase reply resets the zone";

  // A new ADD opens the file instead of drawing; a file over the per-zone limit is refused first.
  AddUpToTheMap(L"Again", false);
  const CString tooMany = CString(dir.path()) + L"/many.stp";
  ASSERT_TRUE(brelvano::WritePolygonPointFile(tooMany, drawn + L"\n" + drawn));
  const int limit = Page()->m_nPointLimit;
  Page()->m_nPointLimit = 6;
  platform::ModalService::Instance().ExpectFileDialog(tooMany);
  platform::ModalService::Instance().ExpectMessageBox(IDOK);
  ClickButton(Map(), IDC_POLYMAP_FILE_OPEN);
  EXPECT_EQ(platform::ModalService::Instance().Records().back().text, CString(L"can not point number exceed"));
  EXPECT_EQ(Map()->CallScript(L"getPointCount"), CString(L"0")) << "the page is unchanged";
  Page()->m_nPointLimit = limit;
  platform::ModalService::Instance().ExpectFileDialog(file);
  ClickButton(Map(), IDC_POLYMAP_FILE_OPEN);
  ASSERT_TRUE(platform::PumpUntil([&] { return Map()->GetDlgItem(IDC_POLYMAP_SEND)->IsWindowEnabled(); }, kTimeoutMs));
  ClickButton(Map(), IDC_POLYMAP_SEND);
  ASSERT_TRUE(platform::PumpUntil([&] { return Rows().size() == 2; }, kTimeoutMs));
  EXPECT_EQ(poly.Get(2).points, expected) << "the device holds the same points again";
  EXPECT_EQ(poly.Get(2).role11, "Again");

  // The service settings: SEND of the page sends "PLS" with the chosen index and value.
  const size_t before = poly.Lines().size();
  ClickButton(Page(), IDC_SETTING_SEND);
  ASSERT_TRUE(platform::PumpUntil([&] { return poly.Lines().size() > before; }, kTimeoutMs));
  EXPECT_EQ(poly.Service(), "1;30");
}

TEST_F(PolygonWizardTest, PrevGoesBackCancelEndsTheWizardAndNextNeedsAFreeZoneNumber) {
  poly.Put(Zone(1, "Depot", {{"126.1", "37.1"}, {"126.2", "37.2"}, {"126.3", "37.1"}}));
  ConnectAndOpenPolygonTab();
  ASSERT_TRUE(platform::PumpUntil([&] { return Rows().size() == 1; }, kTimeoutMs));
  const size_t readLines = poly.Lines().size();
  ClickButton(Page(), IDC_SETTING_POLYGON_ADD);
  auto* zone = dynamic_cast<CComboBox*>(DetailControl(L"Zone"));
  ASSERT_NE(zone, nullptr);
  // Zone 1 is in use: the choice offers 2 to 6, the first selected.
  ASSERT_EQ(zone->GetCount(), 5);
  EXPECT_EQ(zone->GetLBText(zone->GetCurSel()), CString(L"2"));
  // Without a zone number NEXT refuses and the dialog stays.
  zone->SetCurSel(-1);
  platform::ModalService::Instance().ExpectMessageBox(IDOK);
  ClickButton(Detail(), IDOK);
  EXPECT_EQ(platform::ModalService::Instance().Records().back().text, CString(L"Please choose the zone number."));
  EXPECT_TRUE(Detail()->IsWindowVisible());
  // Enter and Escape do nothing in step 1.
  for (WPARAM key : {static_cast<WPARAM>(VK_RETURN), static_cast<WPARAM>(VK_ESCAPE)}) {
    MSG msg{};
    msg.hwnd = Detail()->GetSafeHwnd();
    msg.message = WM_KEYDOWN;
    msg.wParam = key;
    EXPECT_TRUE(Detail()->PreTranslateMessage(&msg));
  }
  zone->SetCurSel(2);
  ClickButton(Detail(), IDOK);
  ASSERT_TRUE(Map()->IsWindowVisible());
  EXPECT_EQ(Detail()->m_zone.nIndex, 4);

  // Point files that cannot be read or written are said so; an existing file is replaced only when
  // the user agrees.
  QTemporaryDir dir;
  platform::ModalService& modal = platform::ModalService::Instance();
  const CString missing = CString(dir.path()) + L"/missing.stp";
  modal.ExpectFileDialog(missing);
  modal.ExpectMessageBox(IDOK);
  ClickButton(Map(), IDC_POLYMAP_FILE_OPEN);
  EXPECT_EQ(modal.Records().back().text, L"The point file cannot be read: " + missing);
  const CString existing = CString(dir.path()) + L"/kept.stp";
  ASSERT_TRUE(brelvano::WritePolygonPointFile(existing, L"1@2@"));
  modal.ExpectFileDialog(existing);
  modal.ExpectMessageBox(IDCANCEL);
  ClickButton(Map(), IDC_POLYMAP_FILE_SAVE);
  EXPECT_EQ(modal.Records().back().text, CString(L"Do you want overwite?"));
  std::string bytes;
  ASSERT_TRUE(platform::ReadWholeFile(existing, bytes));
  EXPECT_EQ(bytes, brelvano::PolygonPointFileBytes(L"1@2@")) << "the file is untouched";
  const CString unwritable = CString(dir.path()) + L"/no/such/folder/zone.stp";
  modal.ExpectFileDialog(unwritable);
  modal.ExpectMessageBox(IDOK);
  ClickButton(Map(), IDC_POLYMAP_FILE_SAVE);
  EXPECT_EQ(modal.Records().back().text, L"The point file cannot be written: " + unwritable);
  EXPECT_FALSE(platform::FileExists(unwritable));
  // PREV shows step 1 again with its values.
  ClickButton(Map(), IDC_POLYMAP_PREV);
  EXPECT_FALSE(Map()->IsWindowVisible());
  EXPECT_TRUE(Detail()->IsWindowVisible());
  EXPECT_EQ(zone->GetLBText(zone->GetCurSel()), CString(L"4"));
  ClickButton(Detail(), IDOK);
  // CANCEL ends both steps: nothing written, the page and the tab strip are back.
  ClickButton(Map(), IDC_POLYMAP_CANCEL);
  EXPECT_FALSE(Map()->IsWindowVisible());
  EXPECT_FALSE(Detail()->IsWindowVisible());
  EXPECT_TRUE(Page()->IsWindowEnabled());
  EXPECT_TRUE(dlg->m_tabPages.IsWindowEnabled());
  EXPECT_EQ(DetailControl(L"Zone"), nullptr) << "the controls are gone";
  EXPECT_EQ(poly.Lines().size(), readLines) << "nothing was written";

  // The session ends while the wizard is open: the wizard goes with the page.
  ClickButton(Page(), IDC_SETTING_POLYGON_ADD);
  ClickButton(Detail(), IDOK);
  ASSERT_TRUE(Map()->IsWindowVisible());
  ClickButton(dlg, IDC_BTN_DISCONNECT);
  ASSERT_TRUE(platform::PumpUntil([&] { return !dlg->m_bPortOpen; }, kTimeoutMs));
  EXPECT_TRUE(dlg->m_pSettingDlg == nullptr || !dlg->m_pSettingDlg->m_pPolygonDlg->IsWindowVisible());
}

TEST_F(PolygonWizardTest, EditShowsTheStoredZoneOnTheMapAndSendsItBack) {
  const Points depot = {{"126.100000", "37.100000"}, {"126.200000", "37.200000"}, {"126.300000", "37.100000"}};
  // A zone whose texts have other than six decimals goes back as the device gave it.
  const Points yard = {{"126.12345678", "37.1"}, {"126.2", "37.20000001"}, {"126.3", "37.123456789"}};
  poly.Put(Zone(1, "Depot", depot));
  poly.Put(Zone(2, "Yard", yard));
  ConnectAndOpenPolygonTab();
  ASSERT_TRUE(platform::PumpUntil([&] { return Rows().size() == 2; }, kTimeoutMs));
  struct Case {
    const wchar_t* row;
    int zone;
    const char* name;
    const Points& points;
    const wchar_t* mapText;
  };
  const Case cases[] = {
      {L"01", 1, "Depot", depot, L"126.100000@37.100000\n126.200000@37.200000\n126.300000@37.100000\n@\n@\n"},
      {L"02", 2, "Yard", yard, L"126.12345678@37.1\n126.2@37.20000001\n126.3@37.123456789\n@\n@\n"},
  };
  auto LogCount = [&](const wchar_t* text) {
    int n = 0;
    for (int i = 0; i < dlg->m_listLog.GetCount(); ++i) n += dlg->m_listLog.GetText(i).Find(text) >= 0 ? 1 : 0;
    return n;
  };
  for (const Case& c : cases) {
    SelectRows({c.row});
    ClickButton(Page(), IDC_SETTING_POLYGON_EDIT);
    ASSERT_NE(Detail(), nullptr);
    ASSERT_TRUE(Detail()->IsWindowVisible()) << c.name;
    EXPECT_TRUE(platform::PumpUntil([&] { return Page()->m_strMapPointText == c.mapText; }, kTimeoutMs))
        << c.name << ": " << Page()->m_strMapPointText.ToUtf8();
    auto* zone = dynamic_cast<CComboBox*>(DetailControl(L"Zone"));
    ASSERT_NE(zone, nullptr);
    EXPECT_FALSE(zone->IsWindowEnabled());
    EXPECT_EQ(zone->GetLBText(zone->GetCurSel()), CString::FromUtf8(std::to_string(c.zone)));
    EXPECT_EQ(DetailControl(L"Name")->GetWindowText(), CString::FromUtf8(c.name));
    const size_t lines = poly.Lines().size();
    ClickButton(Detail(), IDOK);
    // The stored zone is drawn once the page has loaded; SEND is there from the start.
    ASSERT_TRUE(platform::PumpUntil([&] { return Map()->CallScript(L"getPointCount") == L"3"; }, 30000)) << c.name;
    EXPECT_TRUE(Map()->GetDlgItem(IDC_POLYMAP_SEND)->IsWindowEnabled());
    EXPECT_EQ(Map()->CallScript(L"getLimits"), CString(L"60;0;3")) << c.name << ": the edited zone's own points do not count";
    ClickButton(Map(), IDC_POLYMAP_SEND);
    ASSERT_TRUE(platform::PumpUntil([&] { return !Map()->IsWindowVisible() && dlg->m_tabPages.IsWindowEnabled(); },
                                    kTimeoutMs));
    const std::string sent = "PLG;3;3;" + std::to_string(c.zone) + ";1";
    ASSERT_TRUE(platform::PumpUntil(
        [&] { return poly.Lines().size() > lines && poly.Lines().back().find(sent) != std::string::npos; }, kTimeoutMs))
        << c.name << ": " << poly.Lines().back();
    // The device's answer to the last packet is taken before the next EDIT.
    ASSERT_TRUE(platform::PumpUntil([&] { return LogCount(L"PLG;Res;01;OK;3") == c.zone; }, kTimeoutMs)) << c.name;
    EXPECT_EQ(poly.Get(c.zone).points, c.points) << c.name;
    EXPECT_EQ(poly.Get(c.zone).role11, c.name);
    EXPECT_EQ(Rows(), (std::vector<CString>{L"01", L"02"}));
  }
}

// EDIT or DELETE pressed while the zone the map's SEND handed over is still being written: the
// write goes on to its end with the zone's own points, and then EDIT reads the edited zone's points
// and DELETE erases its zone; nothing of either is lost.
TEST_F(PolygonUserTest, EditAndDeleteRightAfterSendWaitForTheWrite) {
  const Points twelve = {{"126.01", "37.01"}, {"126.02", "37.02"}, {"126.03", "37.03"}, {"126.04", "37.04"},
                         {"126.05", "37.05"}, {"126.06", "37.06"}, {"126.07", "37.07"}, {"126.08", "37.08"},
                         {"126.09", "37.09"}, {"126.10", "37.10"}, {"126.11", "37.11"}, {"126.12", "37.12"}};
  const CString eight = L"127.1@35.1@\n127.2@35.2@\n127.3@35.3@\n127.4@35.4@\n127.5@35.5@\n127.6@35.6@\n"
                        L"127.7@35.7@\n127.8@35.8@";
  const Points eightPoints = {{"127.1", "35.1"}, {"127.2", "35.2"}, {"127.3", "35.3"}, {"127.4", "35.4"},
                              {"127.5", "35.5"}, {"127.6", "35.6"}, {"127.7", "35.7"}, {"127.8", "35.8"}};
  poly.Put(Zone(1, "Depot", twelve));
  poly.Put(Zone(4, "Farm", {{"128.1", "36.1"}, {"128.2", "36.2"}, {"128.3", "36.1"}}));
  ConnectWith(kDefinition);
  ASSERT_TRUE(OpenTabOfType(dlg, TAB_TYPE_POLYGON));
  ASSERT_TRUE(platform::PumpUntil([&] { return Rows().size() == 2 && dlg->m_bPolygonListDone; }, kTimeoutMs));

  // EDIT of zone 1 at once after SEND of zone 2.
  ClickButton(Page(), IDC_SETTING_POLYGON_ADD);
  Page()->EnableMainTabControl(FALSE);  // as the map's SEND does
  Send(2, eight, 8);
  SelectRows({L"01"});
  ClickButton(Page(), IDC_SETTING_POLYGON_EDIT);
  ASSERT_TRUE(platform::PumpUntil([&] { return poly.Get(2).points.size() == 8u; }, kTimeoutMs));
  EXPECT_EQ(poly.Get(2).points, eightPoints) << "the written zone keeps its own points";
  CString expected;
  for (const auto& p : twelve) expected += CString::FromUtf8(p.first + "@" + p.second + "\n");
  expected += L"@\n@\n@\n";
  EXPECT_TRUE(platform::PumpUntil([&] { return Page()->m_strMapPointText == expected; }, kTimeoutMs))
      << Page()->m_strMapPointText.ToUtf8();
  if (Page()->m_pPolyDetailDlg != nullptr) Page()->m_pPolyDetailDlg->SendMessage(WM_CLOSE, 0, 0);
  ASSERT_TRUE(platform::PumpUntil([&] { return Page()->IsWindowEnabled() && dlg->m_tabPages.IsWindowEnabled(); },
                                  kTimeoutMs));

  // DELETE of zone 4 at once after SEND of zone 3.
  ClickButton(Page(), IDC_SETTING_POLYGON_ADD);
  Page()->EnableMainTabControl(FALSE);
  Send(3, eight, 8);
  SelectRows({L"04"});
  platform::ModalService::Instance().ExpectMessageBox(IDOK);
  ClickButton(Page(), IDC_SETTING_POLYGON_DELETE);
  ASSERT_TRUE(platform::PumpUntil([&] { return poly.Get(4).points.empty() && poly.Get(3).points.size() == 8u; },
                                  kTimeoutMs))
      << "zone 4 erased and zone 3 written";
  EXPECT_EQ(poly.Get(3).points, eightPoints);
  EXPECT_TRUE(platform::PumpUntil([&] { return dlg->m_tabPages.IsWindowEnabled(); }, kTimeoutMs));
}

// A zone write whose packet is never acknowledged (the device names another packet) ends after the
// time-out with the failure message, and the tab strip is given back.
TEST_F(PolygonUserTest, AWriteWithoutItsAcknowledgementEndsAfterTheTimeOut) {
  ConnectWith(kDefinition);
  ASSERT_TRUE(OpenTabOfType(dlg, TAB_TYPE_POLYGON));
  ASSERT_TRUE(platform::PumpUntil([&] { return dlg->m_bPolygonListDone && dlg->m_tabPages.IsWindowEnabled(); }, kTimeoutMs));
  poly.SetAckPacketShift(5);
  platform::ManualClock clock(platform::GetClock().NowMs());
  platform::SetClock(&clock);
  ClickButton(Page(), IDC_SETTING_POLYGON_ADD);
  Page()->EnableMainTabControl(FALSE);  // as the map's SEND does
  Send(2, L"127.1@35.1@\n127.2@35.2@\n127.3@35.3@", 3);
  const bool ended = testutil::WaitUntil(
      [&] {
        clock.Advance(100);
        platform::PumpPendingEvents();
        return LogHas(L"Polygon zone 2 was not written");
      },
      kTimeoutMs);
  platform::SetClock(nullptr);
  ASSERT_TRUE(ended) << "the write ended";
  EXPECT_TRUE(dlg->m_tabPages.IsWindowEnabled());
  EXPECT_TRUE(Page()->GetDlgItem(IDC_SETTING_POLYGON_EDIT)->IsWindowEnabled());
  // The device answers again: the next write goes through.
  poly.SetAckPacketShift(0);
  ClickButton(Page(), IDC_SETTING_POLYGON_ADD);
  Send(2, L"127.1@35.1@\n127.2@35.2@\n127.3@35.3@", 3);
  EXPECT_TRUE(platform::PumpUntil([&] { return poly.Get(2).points.size() == 3u; }, kTimeoutMs));
}

}  // namespace

namespace {

// The session ends while DELETE of three zones waits, in its question or in a pause between the
// commands: DELETE stops with the page, and the program connects again and lists the zones.
TEST_F(PolygonUserTest, DeleteOfSeveralZonesStopsWhenTheSessionEndsInsideIt) {
  using testsupport::SessionEnd;
  struct Case {
    SessionEnd how;
    bool inQuestion;  // while the question is open, else in the first pause
  };
  const Case cases[] = {{SessionEnd::Unplug, true},       {SessionEnd::Disconnect, false},
                        {SessionEnd::Unplug, false},      {SessionEnd::SystemStart, false},
                        {SessionEnd::CloseWindow, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(testsupport::SessionEndName(c.how)) + (c.inQuestion ? " in the question" : " in a pause"));
    if (!sim.IsRunning()) {
      ASSERT_TRUE(sim.Start()) << sim.LastError();
    }
    ASSERT_TRUE(testsupport::WaitForPortListed(dlg, sim)) << "the port is listed";
    if (dlg->m_bPortOpen) ClickButton(dlg, IDC_BTN_DISCONNECT);
    for (int zone : {1, 2, 3}) poly.Put(Zone(zone, "Zone", {{"126.1", "37.1"}, {"126.2", "37.2"}, {"126.3", "37.1"}}));
    ConnectWith(kDefinition);
    ASSERT_TRUE(OpenTabOfType(dlg, TAB_TYPE_POLYGON));
    ASSERT_TRUE(platform::PumpUntil([&] { return Rows().size() == 3 && dlg->m_bPolygonListDone; }, kTimeoutMs));
    SelectRows({L"01", L"02", L"03"});
    const HWND page = Page()->GetSafeHwnd();
    auto end = [this, how = c.how, page] { testsupport::EndSessionUnderPage(how, dlg, sim, page); };
    if (c.inQuestion) {
      platform::ModalService::Instance().ExpectMessageBox(IDOK, end);
    } else {
      platform::ModalService::Instance().ExpectMessageBox(IDOK);
      testsupport::AtNextPump(end);
    }
    ClickButton(Page(), IDC_SETTING_POLYGON_DELETE);
    EXPECT_EQ(CWnd::FromHandle(page), nullptr) << "the session ended inside DELETE";
    if (c.how == SessionEnd::SystemStart) {
      // The device starts again: the session comes back with a new page.
      ASSERT_TRUE(platform::PumpUntil([&] { return Page() != nullptr && !dlg->m_bDefinitionPending; }, kTimeoutMs));
    }
  }
}

// Every call into the zone map is a wait: the session ends inside SEND's read of the drawn zone or
// inside NEXT's preparation of a loaded map. The page goes with its wizard, nothing is written, and
// the program connects again.
TEST_F(PolygonWizardTest, TheSessionEndsInsideACallIntoTheZoneMap) {
  using testsupport::SessionEnd;
  struct Case {
    const char* name;
    bool send;  // SEND on the map, else NEXT of step 1 with the map loaded
    SessionEnd how;
  };
  const Case cases[] = {
      {"unplug in SEND's page call", true, SessionEnd::Unplug},
      {"Disconnect in NEXT's preparation of the map", false, SessionEnd::Disconnect},
      {"Disconnect in SEND's page call", true, SessionEnd::Disconnect},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (!sim.IsRunning()) {
      ASSERT_TRUE(sim.Start()) << sim.LastError();
    }
    ASSERT_TRUE(testsupport::WaitForPortListed(dlg, sim)) << "the port is listed";
    if (dlg->m_bPortOpen) ClickButton(dlg, IDC_BTN_DISCONNECT);
    poly.Put(Zone(1, "Depot", {{"126.1", "37.1"}, {"126.2", "37.2"}, {"126.3", "37.1"}}));
    ASSERT_NO_FATAL_FAILURE(ConnectAndOpenPolygonTab());
    ASSERT_TRUE(platform::PumpUntil([&] { return Rows().size() == 1; }, kTimeoutMs));
    ASSERT_NO_FATAL_FAILURE(AddUpToTheMap(L"Yard", true));
    if (!c.send) {
      ClickButton(Map(), IDC_POLYMAP_PREV);
      ASSERT_TRUE(Detail()->IsWindowVisible());
    }
    const size_t lines = poly.Lines().size();
    const HWND page = Page()->GetSafeHwnd();
    testsupport::AtNextPump([this, how = c.how, page] { testsupport::EndSessionUnderPage(how, dlg, sim, page); });
    if (c.send) {
      ClickButton(Map(), IDC_POLYMAP_SEND);
    } else {
      ClickButton(Detail(), IDOK);
    }
    EXPECT_EQ(CWnd::FromHandle(page), nullptr) << "the session ended inside the page call";
    EXPECT_EQ(poly.Lines().size(), lines) << "nothing was written";
  }
}

}  // namespace

namespace {

// The session ends while EDIT waits for a zone write that the device does not acknowledge: EDIT
// stops with the page, and the program connects again and lists the zones.
TEST_F(PolygonUserTest, EditWaitingForAWriteStopsWhenTheSessionEndsInsideIt) {
  using testsupport::SessionEnd;
  for (SessionEnd how : {SessionEnd::Disconnect, SessionEnd::Unplug, SessionEnd::SystemStart, SessionEnd::CloseWindow}) {
    SCOPED_TRACE(testsupport::SessionEndName(how));
    if (!sim.IsRunning()) {
      ASSERT_TRUE(sim.Start()) << sim.LastError();
    }
    ASSERT_TRUE(testsupport::WaitForPortListed(dlg, sim)) << "the port is listed";
    if (dlg->m_bPortOpen) ClickButton(dlg, IDC_BTN_DISCONNECT);
    poly.SetAckPacketShift(0);
    poly.Put(Zone(1, "Zone", {{"126.1", "37.1"}, {"126.2", "37.2"}, {"126.3", "37.1"}}));
    ConnectWith(kDefinition);
    ASSERT_TRUE(OpenTabOfType(dlg, TAB_TYPE_POLYGON));
    ASSERT_TRUE(platform::PumpUntil([&] { return Rows().size() == 1 && dlg->m_bPolygonListDone; }, kTimeoutMs));
    poly.SetAckPacketShift(5);  // the write is never acknowledged
    ClickButton(Page(), IDC_SETTING_POLYGON_ADD);
    Send(2, L"127.1@35.1@\n127.2@35.2@\n127.3@35.3@", 3);
    SelectRows({L"01"});
    const HWND page = Page()->GetSafeHwnd();
    testsupport::AtNextPump([this, how, page] { testsupport::EndSessionUnderPage(how, dlg, sim, page); });
    ClickButton(Page(), IDC_SETTING_POLYGON_EDIT);
    EXPECT_EQ(CWnd::FromHandle(page), nullptr) << "the session ended inside EDIT";
    if (how == SessionEnd::SystemStart) {
      ASSERT_TRUE(platform::PumpUntil([&] { return Page() != nullptr && !dlg->m_bDefinitionPending; }, kTimeoutMs));
      EXPECT_FALSE(dlg->m_polygonWrite.IsActive()) << "the write ended with the session";
    }
  }
}

}  // namespace

namespace {

// The session ends in the middle of a zone write of several point packets, after the device has
// acknowledged some of them: the device restarts ("System Start"), or the user disconnects or
// unplugs it while the write waits for an acknowledgement or while its next packet still waits in
// the transmitter. No packet of the old write is sent after the session's end nor reaches the
// device after the ready command of the next session, the next session's definition download ends
// without a message, and the window writes a zone again.
TEST_F(PolygonUserTest, AZoneWriteEndsWithItsSession) {
  using testsupport::SessionEnd;
  struct Case {
    SessionEnd how;
    int afterPacket;  // the last packet acknowledged before the session ends
    // The acknowledgement of the packet after it is taken just before the session ends, in the
    // same pass of the message loop: its next packet waits in the transmitter then.
    bool queued;
  };
  const Case cases[] = {{SessionEnd::SystemStart, 1, false}, {SessionEnd::SystemStart, 2, false},
                        {SessionEnd::SystemStart, 4, false}, {SessionEnd::Disconnect, 2, false},
                        {SessionEnd::Disconnect, 2, true},   {SessionEnd::Unplug, 2, false}};
  // Twenty points: the settings packet, four point packets and the end packet.
  CString twenty;
  for (int p = 1; p <= 20; ++p) {
    CString point;
    point.Format(L"127.%02d@35.%02d@\n", p, p);
    twenty += point;
  }
  const CString four = L"126.1@37.1@\n126.2@37.2@\n126.3@37.3@\n126.4@37.4@";
  auto packets = [&] {
    int n = 0;
    for (const std::string& line : poly.Lines()) n += line.find("PLG;") != std::string::npos ? 1 : 0;
    return n;
  };
  // The lines the device received after the last ready command.
  auto linesAfterReady = [&] {
    const std::vector<std::string> lines = sim.ReceivedLines();
    size_t ready = lines.size();
    for (size_t i = 0; i < lines.size(); ++i)
      if (lines[i].find("PVRRdy") != std::string::npos) ready = i;
    return ready < lines.size() ? std::vector<std::string>(lines.begin() + static_cast<long>(ready) + 1, lines.end())
                                : std::vector<std::string>();
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(testsupport::SessionEndName(c.how)) + " after packet " + std::to_string(c.afterPacket) +
                 (c.queued ? " with the next packet queued" : ""));
    if (!sim.IsRunning()) {
      ASSERT_TRUE(sim.Start()) << sim.LastError();
    }
    ASSERT_TRUE(testsupport::WaitForPortListed(dlg, sim)) << "the port is listed";
    if (dlg->m_bPortOpen) ClickButton(dlg, IDC_BTN_DISCONNECT);
    poly.RestartAfterPacket(0);
    poly.StallAfterPacket(0);
    for (int zone = 2; zone <= 3; ++zone) poly.Put(Zone(zone, "", {}));
    poly.Put(Zone(1, "Depot", {{"126.1", "37.1"}, {"126.2", "37.2"}, {"126.3", "37.1"}}));
    ConnectWith(kDefinition);
    ASSERT_TRUE(OpenTabOfType(dlg, TAB_TYPE_POLYGON));
    ASSERT_TRUE(platform::PumpUntil([&] { return Rows().size() == 1 && dlg->m_bPolygonListDone; }, kTimeoutMs));

    const int before = packets();
    const unsigned session = dlg->m_nSessionGeneration;
    const HWND page = Page()->GetSafeHwnd();
    if (c.how == SessionEnd::SystemStart) poly.RestartAfterPacket(c.afterPacket);
    else poly.StallAfterPacket(c.afterPacket);
    ClickButton(Page(), IDC_SETTING_POLYGON_ADD);
    Page()->EnableMainTabControl(FALSE);  // as the map's SEND does
    Send(2, twenty, 20);
    if (c.how == SessionEnd::SystemStart) {
      ASSERT_TRUE(platform::PumpUntil([&] { return dlg->m_nSessionGeneration != session; }, kTimeoutMs))
          << "the device restarted";
    } else {
      // The write waits for the acknowledgement of the packet after the last one answered.
      ASSERT_TRUE(platform::PumpUntil([&] { return packets() == before + c.afterPacket + 1; }, kTimeoutMs));
      EXPECT_TRUE(dlg->m_polygonWrite.IsActive());
      const int next = c.afterPacket + (c.queued ? 2 : 1);
      if (c.queued) dlg->DispatchReceivedLine(CString::FromUtf8("$TPLG;Res;01;OK;" + std::to_string(c.afterPacket + 1) + "\r"));
      testsupport::EndSessionUnderPage(c.how, dlg, sim, page);
      const CString unsent = CString::FromUtf8("PLG;" + std::to_string(next) + ";");
      EXPECT_TRUE(platform::PumpUntil([&] { return !dlg->m_bTransmitQueued; }, kTimeoutMs));
      EXPECT_FALSE(LogHas(unsent)) << "a packet of the ended write was sent: " << unsent.ToUtf8();
      ASSERT_FALSE(dlg->m_bPortOpen);
      poly.StallAfterPacket(0);
      if (!sim.IsRunning()) {
        ASSERT_TRUE(sim.Start()) << sim.LastError();
      }
      ASSERT_TRUE(testsupport::WaitForPortListed(dlg, sim)) << "the port is listed";
      ConnectWith(kDefinition);
    }
    // The next session: its definition download ended without a message (an unexpected message box
    // fails the test), the page is a new one, and the zones are listed.
    ASSERT_TRUE(platform::PumpUntil([&] { return Page() != nullptr && !dlg->m_bDefinitionPending; }, kTimeoutMs));
    ASSERT_TRUE(platform::PumpUntil([&] { return dlg->m_tabPages.IsWindowEnabled(); }, kTimeoutMs));
    EXPECT_EQ(CWnd::FromHandle(page), nullptr) << "the page went with the session";
    EXPECT_FALSE(dlg->m_polygonWrite.IsActive()) << "the write ended with the session";
    ASSERT_TRUE(OpenTabOfType(dlg, TAB_TYPE_POLYGON));
    ASSERT_TRUE(platform::PumpUntil([&] { return dlg->m_bPolygonListDone && !Rows().empty(); }, kTimeoutMs));
    for (const std::string& line : linesAfterReady())
      EXPECT_EQ(line.find("PLG;"), std::string::npos) << "a packet of the old write reached the new session: " << line;

    // The window writes a zone again.
    ClickButton(Page(), IDC_SETTING_POLYGON_ADD);
    Page()->EnableMainTabControl(FALSE);
    Send(3, four, 4);
    ASSERT_TRUE(platform::PumpUntil([&] { return poly.Get(3).points.size() == 4u; }, kTimeoutMs));
    EXPECT_TRUE(platform::PumpUntil(
        [&] { return !dlg->m_polygonWrite.IsActive() && dlg->m_tabPages.IsWindowEnabled(); }, kTimeoutMs));
  }
}

}  // namespace
