// Circular geofences as a user edits them, against the simulated tracker over a pseudo-terminal, in
// both command sets: the geofence tab lists the device's geofences; ADD with a geofence drawn on the
// real map page (left click the centre, right click the rim) and SEND stores it in the device; ALL
// VIEW draws the table (a screenshot is written to $BRELVANO_SCREENSHOT_DIR when that is set); EDIT
// changes a geofence's radius; DELETE removes one only when the device acknowledges it.
#include <gtest/gtest.h>

#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QPixmap>
#include <QWidget>

#include <cmath>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "../gui/dlg/map_clicks.h"
#include "../gui/dlg/page_script.h"
#include "device_window_fixture.h"
#include "devsim/definitionserver.h"
#include "devsim/devsim.h"
#include "devsim/geofencedevice.h"
#include "devsim/numbereddevice.h"
#include "devsim/trackerdevice.h"
#include "session_end.h"
#include "gui/dlg/geodetaildlg.h"
#include "gui/dlg/geofencedlg.h"
#include "gui/dlg/guibase.h"
#include "gui/dlg/mapdlg.h"
#include "platform/crt.h"
#include "platform/files.h"
#include "platform/pumpwait.h"
#include "platform/windowimage.h"
#include "reference/default/appregsettings.h"

namespace {

constexpr DWORD kTimeoutMs = 20000;
const double kMetresPerPixel = 156543.03392 * std::cos(37.55 * M_PI / 180.0) / 8192.0;

constexpr const char kDefinition[] =
    "<brelvano S=\"$T\" D=\";\" cmd=\"SHDC\" res=\"SDRDH\" V=\"1\">"
    "<grp id=\"1\" title=\"General\" hdr=\"GEN\">"
    "<item fid=\"APN\" type=\"edit\" curr=\"web\" max=\"20\"/>"
    "</grp>"
    "<grp id=\"6\" title=\"Geofence\" hdr=\"CGF\" max=\"10\" unit=\"0\" ord=\"DATGRIO\">"
    "<item fid=\"Geo ID\" type=\"combo\" num=\"1\" curr=\"1\"><ele>1</ele></item>"
    "<item fid=\"Active\" type=\"combo\" num=\"2\" curr=\"Off\"><ele>Off</ele><ele>On</ele></item>"
    "<item fid=\"Latitude\" type=\"edit\" curr=\"\"/>"
    "<item fid=\"Longitude\" type=\"edit\" curr=\"\"/>"
    "<item fid=\"Radius\" type=\"edit\" curr=\"\"/>"
    "<item fid=\"IN\" type=\"combo\" num=\"2\" curr=\"Off\"><ele>Off</ele><ele>On</ele></item>"
    "<item fid=\"OUT\" type=\"combo\" num=\"2\" curr=\"Off\"><ele>Off</ele><ele>On</ele></item>"
    "<item fid=\"Speed\" type=\"edit\" curr=\"0\" max=\"3\"/>"
    "</grp>"
    "</brelvano>";

// The user's side of both fixtures: the main window, its geofence page and the simulated device
// (geofence tables of both sets, the numbered-set device for the rest, the identity and the
// definition download).
class GeofenceUserBase : public testsupport::DeviceWindowFixture {
 protected:
  void SetUp() override {
    DeviceWindowFixture::SetUp();
    // No tile service: the map is drawn offline.
    CAppRegSettings settings;
    settings.SetRegistryKey(kAppRegistryKeyName);
    ASSERT_TRUE(settings.WriteProfileString(L"Map", L"TileUrl", L""));
  }

  // Opens the device's geofence tab as a user picks it in the tab strip; the list read runs.
  void OpenGeofenceTab() {
    int tab = -1;
    for (int i = 0; i < dlg->m_tabPages.GetItemCount(); ++i)
      if (dlg->m_tabInfo[i].nType == TAB_TYPE_GEOFENCE) tab = i;
    ASSERT_GE(tab, 0) << "the definition has a geofence tab";
    dlg->m_tabPages.SetCurSel(tab);
    dlg->OnTabSelChange(nullptr, nullptr);
  }
  CGeofenceDialog* Page() const { return dlg->m_pGeofenceDlg; }
  std::vector<CString> Ids() const {
    std::vector<CString> ids;
    for (int i = 0; i < Page()->m_list.GetItemCount(); ++i) ids.push_back(Page()->m_list.GetItemText(i, 0));
    return ids;
  }
  void SelectRow(const CString& id) {
    for (int i = 0; i < Page()->m_list.GetItemCount(); ++i) {
      if (Page()->m_list.GetItemText(i, 0) != id) continue;
      Page()->m_list.SetItemState(i, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
      Page()->m_list.SetSelectionMark(i);
      return;
    }
    ADD_FAILURE() << "no row " << id.ToUtf8();
  }
  PARAM_INFO* Param(const wchar_t* name) const {
    CPtrList* list = Page()->m_pParams;
    for (POSITION pos = list->GetHeadPosition(); pos != nullptr;) {
      auto* p = static_cast<PARAM_INFO*>(list->GetNext(pos));
      if (p->strName == name) return p;
    }
    return nullptr;
  }
  size_t WritesNow() const { return geo.Writes().size(); }
  // Step 1 of ADD or EDIT passed with NEXT: the map dialog is shown with its page.
  CMapDialog* NextToMap() {
    Click(Page()->m_pDetailDlg, IDC_DETAIL_NEXT);
    CMapDialog* map = Page()->m_pMapDlg;
    EXPECT_NE(map, nullptr);
    if (map == nullptr) return nullptr;
    EXPECT_TRUE(map->IsPageLoaded());
    EXPECT_TRUE(map->IsWindowVisible());
    EXPECT_FALSE(Page()->m_pDetailDlg->IsWindowVisible());
    return map;
  }
  // ALL VIEW, and (with $BRELVANO_SCREENSHOT_DIR set) a picture of the map once its circles show.
  void AllViewPicture(CMapDialog* map, const char* name) {
    Click(map, IDC_MAP_ALLVIEW);
    const char* dir = std::getenv("BRELVANO_SCREENSHOT_DIR");
    if (dir == nullptr) return;
    auto redPixels = [&] {
      const QImage image = map->GetView()->grab().toImage();
      int n = 0;
      for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
          const QColor c = image.pixelColor(x, y);
          if (c.red() > 180 && c.red() - c.green() > 80 && c.red() - c.blue() > 80) ++n;
        }
      return n;
    };
    EXPECT_TRUE(platform::PumpUntil([&] { return redPixels() > 200; }, kTimeoutMs)) << "the circles are painted";
    EXPECT_TRUE(platform::SaveWindowImage(map, CString::FromUtf8(std::string(dir) + "/" + name)));
  }
  // The user clicks the centre and then the rim dx pixels east; the page's "lat;lng;radius".
  CString DrawCircle(CMapDialog* map, int dx, const CString& before) {
    const CString origin = testsupport::ClickUntilChanged(*map, Qt::LeftButton, 0, 0, before);
    EXPECT_EQ(GUI_Base::GetField(origin, 3, L';'), CString(L"0"));
    return testsupport::ClickUntilChanged(*map, Qt::RightButton, dx, 0, origin);
  }

  devsim::GeofenceDevice geo{sim};
  devsim::NumberedDevice numbered{sim};
  devsim::TrackerDevice tracker{sim};
  devsim::DefinitionServer server{sim, tracker};
};

class GeofenceUserTest : public GeofenceUserBase {
 protected:
  void SetUp() override {
    GeofenceUserBase::SetUp();
    geo.Put(Geofence(1, 1, 0, "37.56", "126.97", "300", ";50"));
    geo.Put(Geofence(3, 0, 1, "37.55", "126.95", "800", ";60"));
  }
  static devsim::SimGeofence Geofence(int id, int in, int out, const char* lat, const char* lng, const char* radius,
                                      const char* extra) {
    devsim::SimGeofence g;
    g.id = id;
    g.used = 1;
    g.in = in;
    g.out = out;
    g.latitude = lat;
    g.longitude = lng;
    g.radius = radius;
    g.extra = extra;
    return g;
  }
  // Connects a tracker that sends the definition with its geofence tab (a firmware that has its
  // geofences edited) and opens that tab.
  void ConnectAndOpenTheGeofenceTab(const std::string& definition = kDefinition) {
    server.ServeXmlFile(definition);
    devsim::TrackerIdentity id;
    id.model = "VR600";
    id.version = "150";
    tracker.SetIdentity(id);
    Connect();
    ASSERT_TRUE(platform::PumpUntil([&] { return Page() != nullptr && !dlg->m_bDefinitionPending; }, kTimeoutMs))
        << "the definition with its geofence tab is loaded";
    ASSERT_TRUE(platform::PumpUntil([&] { return dlg->m_tabPages.IsWindowEnabled(); }, kTimeoutMs));
    OpenGeofenceTab();
  }
};

TEST_F(GeofenceUserTest, ReadAddEditAndDeleteGeofencesOnTheDevice) {
  dlg->m_strModuleDir = platform::GetCurrentFolder() + L"/";
  // READ: the tab lists the device's geofences.
  ASSERT_NO_FATAL_FAILURE(ConnectAndOpenTheGeofenceTab());
  ASSERT_TRUE(platform::PumpUntil([&] { return Ids().size() == 2; }, kTimeoutMs));
  EXPECT_EQ(Ids(), (std::vector<CString>{L"1", L"3"}));
  EXPECT_EQ(Page()->m_list.GetItemText(0, 1), CString(L"37.56"));
  EXPECT_EQ(Page()->m_list.GetItemText(0, 3), CString(L"300"));
  EXPECT_EQ(Page()->m_list.GetItemText(0, 4), CString(L"On")) << "the entry alarm by its option text";
  EXPECT_EQ(Page()->m_list.GetItemText(1, 5), CString(L"On")) << "the exit alarm";
  EXPECT_EQ(Page()->m_list.GetItemText(1, 6), CString(L"60")) << "the further value";
  EXPECT_EQ(dlg->m_geofenceTable[2].strRadius, CString(L"800")) << "the main window keeps them too";

  // ADD: step 1 proposes the first free number; the user turns the entry alarm on and types a speed.
  Click(Page(), IDC_GEOFENCE_ADD);
  CGeoDetailDlg* detail = Page()->m_pDetailDlg;
  ASSERT_TRUE(detail->IsWindowVisible());
  auto* geoId = dynamic_cast<CComboBox*>(Param(L"Geo ID")->pValueWnd);
  ASSERT_NE(geoId, nullptr);
  EXPECT_EQ(geoId->GetLBText(geoId->GetCurSel()), CString(L"2"));
  auto* in = dynamic_cast<CComboBox*>(Param(L"IN")->pValueWnd);
  ASSERT_NE(in, nullptr);
  in->SetCurSel(1);
  Param(L"Speed")->pValueWnd->SetWindowText(L"45");
  EXPECT_EQ(Param(L"Latitude")->pValueWnd, nullptr) << "the position comes from the map";
  EXPECT_FALSE(dlg->m_tabPages.IsWindowEnabled()) << "the tab strip waits for the geofence";
  CMapDialog* map = NextToMap();
  ASSERT_NE(map, nullptr);

  // ALL VIEW draws the two geofences of the table.
  AllViewPicture(map, "geofence_allview.png");
  EXPECT_EQ(map->CallScript(L"getGeoPos"), CString(L"37.55;126.95;800")) << "the map ends on the last one";

  // The user clicks the centre and then the rim 100 pixels east, and sends.
  const CString drawn = DrawCircle(map, 100, L"37.55;126.95;800");
  const CString lat = GUI_Base::GetField(drawn, 1, L';');
  const CString lon = GUI_Base::GetField(drawn, 2, L';');
  const CString radius = GUI_Base::GetField(drawn, 3, L';');
  EXPECT_NEAR(_wtoi(radius), 100 * kMetresPerPixel, 5 * kMetresPerPixel) << "metres: the group's unit is 0";
  Click(map, IDOK);
  ASSERT_TRUE(platform::PumpUntil([&] { return Ids().size() == 3; }, kTimeoutMs)) << "the acknowledged geofence is listed";
  const devsim::SimGeofence added = geo.Get(2);
  EXPECT_EQ(added.used, 1);
  EXPECT_EQ(added.in, 1);
  EXPECT_EQ(added.out, 0);
  EXPECT_EQ(added.latitude, lat.ToUtf8());
  EXPECT_EQ(added.longitude, lon.ToUtf8());
  EXPECT_EQ(added.radius, radius.ToUtf8());
  EXPECT_EQ(added.extra, ";45");
  EXPECT_EQ(geo.Writes().back(), "$TCGF;2;1;" + lat.ToUtf8() + ";" + lon.ToUtf8() + ";" + radius.ToUtf8() + ";1;0;45");
  EXPECT_FALSE(map->IsWindowVisible());
  EXPECT_TRUE(dlg->m_tabPages.IsWindowEnabled()) << "the tab strip is given back";

  // EDIT geofence 1: its number cannot change; the map shows it, the user moves the rim.
  SelectRow(L"1");
  Click(Page(), IDC_GEOFENCE_EDIT);
  ASSERT_TRUE(detail->IsWindowVisible());
  geoId = dynamic_cast<CComboBox*>(Param(L"Geo ID")->pValueWnd);
  EXPECT_EQ(geoId->GetLBText(geoId->GetCurSel()), CString(L"1"));
  EXPECT_FALSE(geoId->IsWindowEnabled());
  EXPECT_EQ(Param(L"Speed")->pValueWnd->GetWindowText(), CString(L"50"));
  Click(detail, IDC_DETAIL_NEXT);
  ASSERT_TRUE(map->IsWindowVisible());
  EXPECT_EQ(map->CallScript(L"getGeoPos"), CString(L"37.56;126.97;300"));
  const CString moved = testsupport::ClickUntilChanged(*map, Qt::RightButton, 60, 0, L"37.56;126.97;300");
  const CString newRadius = GUI_Base::GetField(moved, 3, L';');
  ASSERT_NE(newRadius, CString(L"300")) << "the rim moved";
  const size_t writes = WritesNow();
  Click(map, IDOK);
  ASSERT_TRUE(platform::PumpUntil([&] { return Page()->m_list.GetItemText(0, 3) == newRadius; }, kTimeoutMs));
  EXPECT_EQ(WritesNow(), writes + 1);
  EXPECT_EQ(geo.Writes().back(), "$TCGF;1;1;37.56;126.97;" + newRadius.ToUtf8() + ";1;0;50");
  EXPECT_EQ(geo.Get(1).radius, newRadius.ToUtf8());
  EXPECT_TRUE(Page()->IsWindowEnabled()) << "the page is given back after SEND";

  // DELETE answered with an error: the table stays as it was.
  geo.SetWriteError(true);
  SelectRow(L"3");
  platform::ModalService::Instance().ExpectMessageBox(IDOK);
  Click(Page(), IDC_GEOFENCE_DELETE);
  ASSERT_TRUE(platform::PumpUntil([&] { return LogHas(L"RES;CGF;ERROR"); }, kTimeoutMs)) << "the refusal arrived";
  EXPECT_EQ(WritesNow(), writes + 2);
  EXPECT_EQ(geo.Writes().back(), "$TCGF;3;0;37.55;126.95;800;0;0;60");
  EXPECT_EQ(Ids(), (std::vector<CString>{L"1", L"2", L"3"}));
  EXPECT_EQ(Page()->m_pRecords[2].bUsed, 1) << "ADD would not offer the device's geofence 3";
  EXPECT_EQ(geo.UsedIds(), (std::vector<int>{1, 2, 3}));

  // DELETE acknowledged: the row goes.
  geo.SetWriteError(false);
  SelectRow(L"3");
  platform::ModalService::Instance().ExpectMessageBox(IDOK);
  Click(Page(), IDC_GEOFENCE_DELETE);
  ASSERT_TRUE(platform::PumpUntil([&] { return Ids().size() == 2; }, kTimeoutMs));
  EXPECT_EQ(Ids(), (std::vector<CString>{L"1", L"2"}));
  EXPECT_EQ(geo.UsedIds(), (std::vector<int>{1, 2}));
}

// The page's status lines stay when the user enters the geofence tab again.
TEST_F(GeofenceUserTest, EnteringTheTabAgainKeepsThePagesStatusLines) {
  ASSERT_NO_FATAL_FAILURE(ConnectAndOpenTheGeofenceTab());
  ASSERT_TRUE(platform::PumpUntil([&] { return Ids().size() == 2; }, kTimeoutMs));
  Page()->AddStatusLine(L"status before");
  std::vector<CString> before;
  for (int i = 0; i < Page()->m_listStatus.GetCount(); ++i) before.push_back(Page()->m_listStatus.GetText(i));
  OpenGeofenceTab();
  ASSERT_TRUE(platform::PumpUntil([&] { return Ids().size() == 2 && dlg->m_tabPages.IsWindowEnabled(); }, kTimeoutMs));
  ASSERT_GE(Page()->m_listStatus.GetCount(), static_cast<int>(before.size()));
  for (size_t i = 0; i < before.size(); ++i)
    EXPECT_EQ(Page()->m_listStatus.GetText(static_cast<int>(i)), before[i]) << "line " << i << " is kept";
}

TEST_F(GeofenceUserTest, ARadiusHoldingMarkupShowsOnTheMapAsText) {
  // A device whose list gives markup as a radius.
  const char* markup = "<img/src=x/onerror=document.title=1>";
  geo.Put(Geofence(2, 1, 1, "37.57", "126.99", markup, ";70"));
  dlg->m_strModuleDir = platform::GetCurrentFolder() + L"/";
  ASSERT_NO_FATAL_FAILURE(ConnectAndOpenTheGeofenceTab());
  ASSERT_TRUE(platform::PumpUntil([&] { return Ids().size() == 3; }, kTimeoutMs));
  EXPECT_EQ(Page()->m_list.GetItemText(1, 3), CString::FromUtf8(markup)) << "the list shows the device's text";

  // EDIT shows it in the circle's window, ALL VIEW in its hover text: as text, running nothing.
  SelectRow(L"2");
  Click(Page(), IDC_GEOFENCE_EDIT);
  ASSERT_TRUE(Page()->m_pDetailDlg->IsWindowVisible());
  CMapDialog* map = NextToMap();
  ASSERT_NE(map, nullptr);
  const CString shownText = L"Radius is: [" + CString::FromUtf8(markup) + L"m]";
  testsupport::MapPageState state = testsupport::InspectMapPage(*map);
  EXPECT_GE(state.shown.Find(shownText), 0) << state.shown.ToUtf8();
  Click(map, IDC_MAP_ALLVIEW);
  ASSERT_TRUE(map != nullptr && map->IsWindowVisible()) << "ALL VIEW keeps the map step";
  state = testsupport::InspectMapPage(*map);
  EXPECT_GE(state.shown.Find(L"GEO ID: [2] " + shownText), 0) << state.shown.ToUtf8();
  EXPECT_EQ(state.title, CString(L"Geo Fense Setting"));
  EXPECT_EQ(state.handlers, std::vector<CString>{});
  EXPECT_EQ(state.strayElements, std::vector<CString>{});

  // SEND of the unchanged geofence: its radius is no number, so nothing goes to the device.
  const size_t writes = WritesNow();
  map->CallScript(L"ViewDrawCircle", {L"37.57", L"126.99", CString::FromUtf8(markup)});
  platform::ModalService::Instance().ExpectMessageBox(IDOK);
  Click(map, IDOK);
  ASSERT_FALSE(platform::ModalService::Instance().Records().empty());
  EXPECT_EQ(platform::ModalService::Instance().Records().back().text, CString(L"Cannot Find Coordinate"));
  EXPECT_EQ(WritesNow(), writes);
  EXPECT_EQ(testsupport::InspectMapPage(*map).title, CString(L"Geo Fense Setting"));
  Click(map, IDCANCEL);
  EXPECT_TRUE(platform::PumpUntil([&] { return dlg->m_tabPages.IsWindowEnabled(); }, kTimeoutMs));
}

// Records, on the map page, every call of the page functions the program makes and every window
// the page would open; calls() gives them as JSON, a list of [name, arguments...].
constexpr const char kCallRecorder[] = R"JS(
(function () {
  if (window.recordedCalls) { window.recordedCalls = []; return; }
  window.recordedCalls = [];
  ['MoveMap', 'ViewDrawCircle', 'AllViewDrawCircle', 'open'].forEach(function (n) {
    var f = window[n];
    window[n] = function () {
      window.recordedCalls.push([n].concat(Array.prototype.slice.call(arguments)));
      return n === 'open' ? null : f.apply(this, arguments);
    };
  });
  window.calls = function () { return JSON.stringify(window.recordedCalls); };
})();
)JS";

TEST_F(GeofenceUserTest, DeviceTextsReachTheMapFunctionsAsOneTextEach) {
  // Texts that a call text would cut into pieces or read as a function of its own.
  const std::string lat = "javascript:open(https://attacker.example/,_self)";
  const std::string lng = "1,2)('\"x\"";
  const std::string radius = "'300', javascript:alert(1)";
  const std::string homeLat = "javascript:open(https://attacker.example/home,_self)";
  const std::string homeLng = "(2,'3')";
  geo.Put(Geofence(2, 1, 1, lat.c_str(), lng.c_str(), radius.c_str(), ";70"));
  // The definition gives the map's home position.
  std::string definition = kDefinition;
  const std::string attrs = " lat=\"javascript:open(https://attacker.example/home,_self)\" lng=\"(2,'3')\"";
  definition.insert(definition.find(" V=\"1\"") + 6, attrs);
  ASSERT_NO_FATAL_FAILURE(ConnectAndOpenTheGeofenceTab(definition));
  ASSERT_TRUE(platform::PumpUntil([&] { return Ids().size() == 3; }, kTimeoutMs));
  ASSERT_EQ(dlg->m_deviceInfo.strLat, CString::FromUtf8(homeLat));

  // The map is made at the first NEXT; from then on the page records the program's calls.
  Click(Page(), IDC_GEOFENCE_ADD);
  CMapDialog* map = NextToMap();
  ASSERT_NE(map, nullptr);
  Click(map, IDCANCEL);
  const QUrl home = map->GetView()->url();
  ASSERT_EQ(home.scheme(), QStringLiteral("qrc"));
  auto record = [&] { testsupport::RunPageScript(*map, QString::fromUtf8(kCallRecorder)); };
  auto calls = [&] { return testsupport::RunPageScript(*map, QStringLiteral("window.calls()")); };
  auto json = [](const std::vector<std::string>& call) {
    QJsonArray a;
    for (const std::string& s : call) a.append(QString::fromStdString(s));
    return CString::FromUtf8(QJsonDocument(a).toJson(QJsonDocument::Compact).toStdString());
  };
  struct Step {
    const char* name;
    std::function<void()> act;
    std::vector<std::string> call;
  };
  const Step steps[] = {
      {"ADD, NEXT: the map goes to the home position",
       [&] {
         Click(Page(), IDC_GEOFENCE_ADD);
         NextToMap();
       },
       {"MoveMap", homeLat, homeLng}},
      {"EDIT, NEXT: the geofence is drawn",
       [&] {
         Click(map, IDCANCEL);
         SelectRow(L"2");
         Click(Page(), IDC_GEOFENCE_EDIT);
         NextToMap();
       },
       {"ViewDrawCircle", lat, lng, radius}},
      {"ALL VIEW: every geofence is drawn", [&] { Click(map, IDC_MAP_ALLVIEW); },
       {"AllViewDrawCircle", "2", lat, lng, radius}},
  };
  for (const Step& s : steps) {
    record();
    s.act();
    const CString got = calls();
    EXPECT_GE(got.Find(json(s.call)), 0) << s.name << ": " << got.ToUtf8();
    EXPECT_LT(got.Find(L"[\"open\""), 0) << s.name << ": no window or page was opened";
    EXPECT_EQ(map->GetView()->url(), home) << s.name << ": the map stays on its page";
    EXPECT_EQ(testsupport::InspectMapPage(*map).title, CString(L"Geo Fense Setting")) << s.name;
  }
  Click(map, IDCANCEL);
}

}  // namespace

namespace {

TEST(SimulatedGeofences, TheNumberedSetKeepsGeofencesAsElementsOfTheirCodes) {
  devsim::DeviceSimulator sim;
  devsim::GeofenceDevice geo(sim);
  EXPECT_EQ(geo.Answer("AT^PRG;U1;50;27#023C34608749631000C80100"), std::vector<std::string>{"RPR;U1;OK"});
  EXPECT_EQ(geo.Item(50, 27), "023C34608749631000C80100");
  EXPECT_EQ(geo.Answer("AT^REQ;U1;50;27,28"),
            std::vector<std::string>{"RRE;U1;50;27#023C34608749631000C80100;28#NoData"});
  geo.SetWriteError(true);
  EXPECT_EQ(geo.Answer("AT^PRG;U1;91;00#00"), std::vector<std::string>{"RPR;U1;ERROR"});
  EXPECT_EQ(geo.Item(91, 0), "") << "a refused write changes nothing";
  EXPECT_TRUE(geo.Answer("AT^PRG;U1;41;00#01").empty()) << "not a geofence code";
  EXPECT_EQ(geo.Writes().size(), 3u);
}

}  // namespace

namespace {

// The numbered-parameter definition: a general tab and the geofence tab (code 50, 50 geofences).
constexpr const char kNumberedDefinition[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<BRELVANO S=\"VR600\" I=\"UNIT1\" P=\"0000\" V=\"7\" D=\";\" R=\"RR\" cmd=\"$%s;%s\" res=\"$PVR;%s\">\n"
    "  <grp id=\"1\" tab_id=\"5\" title=\"General\" hdr=\"GEN\">\n"
    "    <item fid=\"APN\" type=\"edit\" ID=\"0\"/>\n"
    "  </grp>\n"
    "  <grp id=\"6\" tab_id=\"50\" title=\"Geofence\" hdr=\"GEO\" unit=\"0\" min=\"1\" max=\"50\">\n"
    "    <item fid=\"Geo ID\" type=\"combo\" num=\"1\" curr=\"1\"><ele>1</ele></item>\n"
    "    <item fid=\"Latitude\" type=\"edit\"/>\n"
    "    <item fid=\"Longitude\" type=\"edit\"/>\n"
    "    <item fid=\"Radius\" type=\"edit\"/>\n"
    "    <item fid=\"IN\" type=\"combo\" num=\"2\" curr=\"Off\"><ele>Off</ele><ele>On</ele></item>\n"
    "    <item fid=\"OUT\" type=\"combo\" num=\"2\" curr=\"Off\"><ele>Off</ele><ele>On</ele></item>\n"
    "  </grp>\n"
    "</BRELVANO>\n";

// A geofence element as the device holds it: latitude and longitude in millionths of a degree
// (eight hex digits each), the radius (four), the entry and exit alarms (two each).
struct HeldGeofence {
  double latitude = 0.0;
  double longitude = 0.0;
  long radius = -1;
  int in = -1;
  int out = -1;
};
HeldGeofence Held(const std::string& value) {
  HeldGeofence h;
  if (value.size() < 24) return h;
  auto hex = [&](size_t at, size_t n) { return std::stoul(value.substr(at, n), nullptr, 16); };
  h.latitude = static_cast<int32_t>(hex(0, 8)) / 1e6;
  h.longitude = static_cast<int32_t>(hex(8, 8)) / 1e6;
  h.radius = static_cast<long>(hex(16, 4));
  h.in = static_cast<int>(hex(20, 2));
  h.out = static_cast<int>(hex(22, 2));
  return h;
}

class GeofenceNumberedUserTest : public GeofenceUserBase {
 protected:
  void SetUp() override {
    GeofenceUserBase::SetUp();
    UseNumberedDefinition(tracker, kNumberedDefinition);
    geo.PutItem(50, 25, "023D1EC0" "07916890" "012C" "01" "00");  // 1: 37.56, 126.97, 300 m, entry alarm
    geo.PutItem(50, 27, "023CF7B0" "07911A70" "0320" "00" "01");  // 3: 37.55, 126.95, 800 m, exit alarm
  }
};

TEST_F(GeofenceNumberedUserTest, ReadAddEditAndDeleteGeofencesOnTheDevice) {
  Connect();
  ASSERT_TRUE(platform::PumpUntil([&] { return dlg->m_bReadAllDone && dlg->m_nTabCount > 0 && Page() != nullptr; }, kTimeoutMs))
      << "the definition is loaded and read";

  // READ: the tab lists the device's geofences, positions decoded from their fixed-width fields.
  OpenGeofenceTab();
  ASSERT_TRUE(platform::PumpUntil([&] { return Ids().size() == 2; }, kTimeoutMs));
  EXPECT_EQ(Ids(), (std::vector<CString>{L"1", L"3"}));
  EXPECT_EQ(Page()->m_list.GetItemText(0, 1), CString(L"37.560000"));
  EXPECT_EQ(Page()->m_list.GetItemText(1, 2), CString(L"126.950000"));
  EXPECT_EQ(Page()->m_list.GetItemText(1, 3), CString(L"800"));
  EXPECT_EQ(dlg->m_geofenceTable[2].strRadius, CString(L"800")) << "the main window keeps them too";

  // ADD geofence 2 with its entry alarm, drawn on the map, and SEND.
  Click(Page(), IDC_GEOFENCE_ADD);
  ASSERT_TRUE(Page()->m_pDetailDlg->IsWindowVisible());
  auto* geoId = dynamic_cast<CComboBox*>(Param(L"Geo ID")->pValueWnd);
  ASSERT_NE(geoId, nullptr);
  EXPECT_EQ(geoId->GetLBText(geoId->GetCurSel()), CString(L"2"));
  auto* in = dynamic_cast<CComboBox*>(Param(L"IN")->pValueWnd);
  ASSERT_NE(in, nullptr);
  in->SetCurSel(1);
  CMapDialog* map = NextToMap();
  ASSERT_NE(map, nullptr);
  AllViewPicture(map, "geofence_allview_numbered.png");
  const CString drawn = DrawCircle(map, 100, map->CallScript(L"getGeoPos"));
  const CString radius = GUI_Base::GetField(drawn, 3, L';');
  EXPECT_NEAR(_wtoi(radius), 100 * kMetresPerPixel, 5 * kMetresPerPixel);
  Click(map, IDOK);
  ASSERT_TRUE(platform::PumpUntil([&] { return Ids().size() == 3; }, kTimeoutMs)) << "the acknowledged geofence is listed";
  EXPECT_EQ(geo.Writes().back().rfind("PRG;123456789012345;50;26#", 0), 0u) << geo.Writes().back();
  const HeldGeofence added = Held(geo.Item(50, 26));
  EXPECT_NEAR(added.latitude, _wtof(GUI_Base::GetField(drawn, 1, L';')), 1e-6);
  EXPECT_NEAR(added.longitude, _wtof(GUI_Base::GetField(drawn, 2, L';')), 1e-6);
  EXPECT_EQ(added.radius, _wtoi(radius));
  EXPECT_EQ(added.in, 1);
  EXPECT_EQ(added.out, 0);
  EXPECT_TRUE(dlg->m_tabPages.IsWindowEnabled()) << "the tab strip is given back";

  // EDIT geofence 1: the user moves the rim; the device holds the new radius at the same centre.
  SelectRow(L"1");
  Click(Page(), IDC_GEOFENCE_EDIT);
  ASSERT_TRUE(Page()->m_pDetailDlg->IsWindowVisible());
  ASSERT_EQ(NextToMap(), map);
  const CString shown = map->CallScript(L"getGeoPos");
  EXPECT_EQ(GUI_Base::GetField(shown, 3, L';'), CString(L"300"));
  const CString moved = testsupport::ClickUntilChanged(*map, Qt::RightButton, 60, 0, shown);
  const CString newRadius = GUI_Base::GetField(moved, 3, L';');
  ASSERT_NE(newRadius, CString(L"300")) << "the rim moved";
  Click(map, IDOK);
  ASSERT_TRUE(platform::PumpUntil([&] { return Page()->m_list.GetItemText(0, 3) == newRadius; }, kTimeoutMs));
  const HeldGeofence edited = Held(geo.Item(50, 25));
  EXPECT_EQ(edited.radius, _wtoi(newRadius));
  EXPECT_NEAR(edited.latitude, 37.56, 1e-6);
  EXPECT_EQ(edited.in, 1);

  // DELETE refused by the device: the table stays as it was.
  geo.SetWriteError(true);
  dlg->m_bReplyError = FALSE;
  SelectRow(L"3");
  platform::ModalService::Instance().ExpectMessageBox(IDOK);
  Click(Page(), IDC_GEOFENCE_DELETE);
  ASSERT_TRUE(platform::PumpUntil([&] { return dlg->m_bReplyError == TRUE; }, kTimeoutMs)) << "the refusal arrived";
  EXPECT_EQ(geo.Writes().back().rfind("PRG;123456789012345;50;27#", 0), 0u) << geo.Writes().back();
  EXPECT_EQ(Ids(), (std::vector<CString>{L"1", L"2", L"3"}));
  EXPECT_EQ(Held(geo.Item(50, 27)).out, 1);

  // DELETE acknowledged: the row goes, the device's element has no alarm left.
  geo.SetWriteError(false);
  SelectRow(L"3");
  platform::ModalService::Instance().ExpectMessageBox(IDOK);
  Click(Page(), IDC_GEOFENCE_DELETE);
  ASSERT_TRUE(platform::PumpUntil([&] { return Ids().size() == 2; }, kTimeoutMs));
  EXPECT_EQ(Ids(), (std::vector<CString>{L"1", L"2"}));
  const HeldGeofence removed = Held(geo.Item(50, 27));
  EXPECT_EQ(removed.in, 0);
  EXPECT_EQ(removed.out, 0);
}

}  // namespace

namespace {

// The session ends while a message box of the geofence page is open (DELETE's question, EDIT's "no
// selected item"): the handler ends with the page, nothing is sent, and the program connects again.
TEST_F(GeofenceUserTest, AQuestionOfThePageEndsWithTheSessionEndedUnderIt) {
  using testsupport::SessionEnd;
  struct Case {
    const char* name;
    int button;
    bool select;
    SessionEnd how;
  };
  const Case cases[] = {
      {"unplug in DELETE's question", IDC_GEOFENCE_DELETE, true, SessionEnd::Unplug},
      {"Disconnect in EDIT's message", IDC_GEOFENCE_EDIT, false, SessionEnd::Disconnect},
  };
  dlg->m_strModuleDir = platform::GetCurrentFolder() + L"/";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (!sim.IsRunning()) {
      ASSERT_TRUE(sim.Start()) << sim.LastError();
    }
    ASSERT_TRUE(testsupport::WaitForPortListed(dlg, sim)) << "the port is listed";
    ASSERT_NO_FATAL_FAILURE(ConnectAndOpenTheGeofenceTab());
    ASSERT_TRUE(platform::PumpUntil([&] { return Ids().size() == 2; }, kTimeoutMs));
    if (c.select) SelectRow(L"3");
    const size_t writes = WritesNow();
    const HWND page = Page()->GetSafeHwnd();
    platform::ModalService::Instance().ExpectMessageBox(
        IDOK, [this, how = c.how, page] { testsupport::EndSessionUnderPage(how, dlg, sim, page); });
    Click(Page(), c.button);
    EXPECT_EQ(CWnd::FromHandle(page), nullptr) << "the session ended inside the handler";
    EXPECT_EQ(WritesNow(), writes) << "nothing is sent";
  }
}

}  // namespace
