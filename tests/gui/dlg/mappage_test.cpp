// The program's map pages in the real web engine (offscreen, without tiles): the circle page's
// functions called through CallScript, a geofence drawn with mouse clicks on the map as a user
// draws it (left click the origin, right click the rim), the page's alert through the modal
// service, the point-text format of the polygon page, and clicks on page elements the dialogs bind
// by id.
#include <gtest/gtest.h>

#include <QTest>
#include <QWebEngineView>
#include <cmath>
#include <functional>
#include <memory>
#include <vector>

#include "../../platform/page_clicks.h"
#include "../../platform/qt_app.h"
#include "../../platform/wait_util.h"
#include "gui/dlg/guibase.h"
#include "gui/dlg/mapdlg.h"
#include "gui/dlg/polygondlg.h"
#include "platform/crt.h"
#include "platform/modal.h"
#include "platform/registry.h"
#include "platform/wnd.h"
#include "reference/default/appregsettings.h"
#include "resources/programresources.h"
#include "map_clicks.h"
#include "page_script.h"
#include "temp_folder.h"

namespace {

constexpr int kLoadMs = 30000;
// Metres a screen pixel covers at the circle page's zoom (13) on the default centre's latitude.
const double kMetresPerPixel = 156543.03392 * std::cos(37.566079 * M_PI / 180.0) / 8192.0;

class MapPageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testsupport::EnsureApp();
    platform::SetGuiThread();
    ASSERT_TRUE(m_folder.Ok());
    platform::SetRegistryPath(m_folder.CPath("registry.txt"));
    // No tile service: the maps are tested offline.
    CAppRegSettings settings;
    settings.SetRegistryKey(kAppRegistryKeyName);
    ASSERT_TRUE(settings.WriteProfileString(L"Map", L"TileUrl", L""));
    brelvano::RegisterProgramResources();
    platform::ModalService& s = platform::ModalService::Instance();
    s.InstallScript();
    s.SetUnexpectedHandler([](const platform::ModalRecord& r) {
      ADD_FAILURE() << "unexpected modal request: " << platform::DescribeModalRecord(r);
    });
  }
  void TearDown() override {
    platform::ModalService& s = platform::ModalService::Instance();
    EXPECT_EQ(s.PendingAnswers(), 0u);
    s.UninstallScript();
    platform::SetRegistryPath(CString());
  }

  // A shown map dialog with its page loaded.
  std::unique_ptr<CMapDialog> OpenMap() {
    auto map = std::make_unique<CMapDialog>(nullptr);
    EXPECT_TRUE(map->Create(IDD_GEOFENCE_MAP, nullptr));
    map->ShowWindow(SW_SHOW);
    EXPECT_TRUE(map->WaitForDocument(kLoadMs)) << "the circle page loads";
    return map;
  }

  testsupport::TempFolder m_folder;
};

TEST_F(MapPageTest, AGeofenceIsDrawnWithTheMouseAndReadBackThroughGetGeoPos) {
  auto map = OpenMap();
  EXPECT_EQ(map->CallScript(L"OnTest"), CString(L"TEST OK"));

  // Before any origin a right click only says so.
  EXPECT_EQ(map->CallScript(L"clearAllMarker"), CString(L"0"));
  platform::ModalService::Instance().ExpectMessageBox(IDOK);
  testsupport::ClickMap(*map, Qt::RightButton, 40, 0);
  ASSERT_TRUE(testutil::WaitUntil(
      [&] {
        platform::PumpPendingEvents();
        return !platform::ModalService::Instance().Records().empty();
      },
      10000));
  EXPECT_EQ(platform::ModalService::Instance().Records()[0].text, CString(L"Select Origin Point first"));
  EXPECT_EQ(map->CallScript(L"getGeoPos"), CString(L";;0"));

  map->CallScript(L"setDistMeter");
  // The origin: the clicked position with six decimals, radius 0.
  const CString origin = testsupport::ClickUntilChanged(*map, Qt::LeftButton, 0, 0, L";;0");
  const CString lat = GUI_Base::GetField(origin, 1, L';');
  const CString lon = GUI_Base::GetField(origin, 2, L';');
  EXPECT_EQ(GUI_Base::GetField(origin, 3, L';'), CString(L"0"));
  EXPECT_EQ(lat.GetLength() - lat.Find(L'.') - 1, 6) << lat.ToUtf8();
  EXPECT_NEAR(_wtof(lat), 37.566079, 0.002);
  EXPECT_NEAR(_wtof(lon), 126.980495, 0.002);

  // The rim 100 pixels east: the radius in whole metres.
  const CString drawn = testsupport::ClickUntilChanged(*map, Qt::RightButton, 100, 0, origin);
  EXPECT_EQ(GUI_Base::GetField(drawn, 1, L';'), lat) << "the origin stays";
  const int radius = _wtoi(GUI_Base::GetField(drawn, 3, L';'));
  EXPECT_NEAR(radius, 100 * kMetresPerPixel, 0.05 * 100 * kMetresPerPixel);
  EXPECT_EQ(GUI_Base::GetField(drawn, 3, L';'), CString::FromUtf8(std::to_string(radius))) << "a whole number";

  // cancelAllMarker forgets the origin.
  EXPECT_EQ(map->CallScript(L"cancelAllMarker"), CString(L"0"));
  EXPECT_EQ(GUI_Base::GetField(map->CallScript(L"getGeoPos"), 1, L';'), CString());
  map->DestroyWindow();
}

TEST_F(MapPageTest, KilometreModeRoundsTheHandDrawnRadiusToWholeKilometres) {
  auto map = OpenMap();
  map->CallScript(L"clearAllMarker");
  const CString origin = testsupport::ClickUntilChanged(*map, Qt::LeftButton, 0, 0, L";;0");
  // About 1,500 m: 2 km.
  const CString far = testsupport::ClickUntilChanged(*map, Qt::RightButton, 100, 0, origin);
  EXPECT_EQ(GUI_Base::GetField(far, 3, L';'), CString(L"2"));
  // About 450 m: under half a kilometre gives 0.
  const CString near = testsupport::ClickUntilChanged(*map, Qt::RightButton, 30, 0, far);
  EXPECT_EQ(GUI_Base::GetField(near, 3, L';'), CString(L"0"));
  map->DestroyWindow();
}

TEST_F(MapPageTest, DrawnGeofencesAreReportedAsTheirCallsGaveThem) {
  auto map = OpenMap();
  struct Case {
    const char* name;
    const wchar_t* function;
    std::vector<CString> args;
    const wchar_t* pos;
  };
  const Case cases[] = {
      {"edit view", L"ViewDrawCircle", {L"37.5", L"127.25", L"300"}, L"37.5;127.25;300"},
      {"overview", L"AllViewDrawCircle", {L"2", L"35.1", L"129.0", L"500"}, L"35.1;129.0;500"},
      {"missing coordinates give the default centre", L"AllViewDrawCircle", {L"3", L"", L"", L"100"},
       L"37.566079;126.980495;1000"},
      {"edit view without a position", L"ViewDrawCircle", {L"", L"", L""}, L"37.566079;126.980495;1000"},
  };
  for (const Case& c : cases) {
    map->CallScript(c.function, c.args);
    EXPECT_EQ(map->CallScript(L"getGeoPos"), CString(c.pos)) << c.name;
  }
  map->CallScript(L"MoveMap", {L"", L""});
  EXPECT_EQ(map->CallScript(L"cancelAllMarker"), CString(L"0"));
  map->DestroyWindow();
}

TEST_F(MapPageTest, PointTextsHaveSixDecimalsFilledToTheirWidths) {
  CDHtmlDialog page(IDD_GEOFENCE_MAP, IDR_HTML_POLYGONMAP);
  ASSERT_TRUE(page.Create(IDD_GEOFENCE_MAP, nullptr));
  ASSERT_TRUE(page.WaitForDocument(kLoadMs));
  struct Case {
    const char* name;
    const wchar_t* points;
    const wchar_t* text;
  };
  const Case cases[] = {
      {"full width", L"126.980495@37.566079@", L"126.980495@37.566079@"},
      {"short values are filled with zeros", L"8.5@5.25@", L"8.50000000@5.2500000@"},
      {"negative values", L"-70.654321@-33.456789@", L"-70.654321@-33.456789@"},
      {"negative short longitude", L"-12.5@1.5@", L"-12.500000@1.5000000@"},
      {"lines without both fields are no points", L"1@2@\n@5@\n\n3@4@", L"1.00000000@2.0000000@\n3.00000000@4.0000000@"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(page.CallScript(L"formatPointText", {c.points}), CString(c.text)) << c.name;
  }
  // A stored zone keeps the texts it was given.
  page.CallScript(L"loadCoord", {L"126.980495@37.566079@\n8.5@5.25@\n-70.654321@-33.456789@"});
  EXPECT_EQ(page.GetElementValue(L"txtpolycount"), CString(L"3"));
  EXPECT_EQ(page.GetElementValue(L"txtpolyzone"), CString(L"126.980495@37.566079@\n8.5@5.25@\n-70.654321@-33.456789@"));
  page.CallScript(L"clearPolygon");
  EXPECT_EQ(page.GetElementValue(L"txtpolyzone"), CString());
  page.DestroyWindow();
}

TEST_F(MapPageTest, AZoneIsDrawnByClicksClosedOnItsFirstPointAndConfirmed) {
  CDHtmlDialog page(IDD_GEOFENCE_MAP, IDR_HTML_POLYGONMAP);
  ASSERT_TRUE(page.Create(IDD_GEOFENCE_MAP, nullptr));
  page.ShowWindow(SW_SHOW);
  ASSERT_TRUE(page.WaitForDocument(kLoadMs));
  auto count = [&] { return page.CallScript(L"getPointCount"); };
  // Clicks until the page has taken the click (a view just shown may not take the first one yet).
  auto addPoint = [&](int dx, int dy, const wchar_t* after) {
    for (int attempt = 0; attempt < 20; ++attempt) {
      testsupport::ClickMap(page, Qt::LeftButton, dx, dy);
      if (platform::PumpUntil([&] { return count() == after; }, 1000)) return true;
    }
    return false;
  };
  ASSERT_TRUE(addPoint(-80, -60, L"1"));
  ASSERT_TRUE(addPoint(80, -60, L"2"));
  ASSERT_TRUE(addPoint(0, 70, L"3"));
  EXPECT_EQ(page.GetElementValue(L"txtpolycount"), CString()) << "nothing before the zone is confirmed";
  // A click on the first point closes the zone; the window's 'confirm' button writes its point text.
  testsupport::ClickMap(page, Qt::LeftButton, -80, -60);
  const QString clickConfirm = QStringLiteral(
      "(function(){var b=[].filter.call(document.querySelectorAll('.leaflet-popup-pane button'),"
      "function(e){return e.textContent==='confirm';})[0];if(!b)return 'none';b.click();return 'clicked';})()");
  ASSERT_TRUE(platform::PumpUntil([&] { return testsupport::RunPageScript(page, clickConfirm) == L"clicked"; }, 10000))
      << "points: " << count().ToUtf8();
  EXPECT_EQ(page.GetElementValue(L"txtpolycount"), CString(L"3"));
  const CString text = page.GetElementValue(L"txtpolyzone");
  EXPECT_EQ(GUI_Base::CountFields(text, L'\n'), 3);
  EXPECT_EQ(text.Right(1), CString(L"@")) << "no line feed after the last point";
  EXPECT_EQ(count(), CString(L"3")) << "the closing point is not counted";

  // With 1 point in the other zones and 3 in all, the third point of a new zone is refused.
  page.CallScript(L"clearPolygon");
  page.CallScript(L"SetTotalPolyCount", {L"3"});
  page.CallScript(L"SetSumPolyCount", {L"1"});
  ASSERT_TRUE(addPoint(-80, -60, L"1"));
  ASSERT_TRUE(addPoint(80, -60, L"2"));
  platform::ModalService::Instance().ExpectMessageBox(IDOK);
  testsupport::ClickMap(page, Qt::LeftButton, 0, 70);
  ASSERT_TRUE(platform::PumpUntil([&] { return !platform::ModalService::Instance().Records().empty(); }, 10000));
  EXPECT_EQ(platform::ModalService::Instance().Records().back().text, CString(L"can not point Total number exceed 3ea."));
  EXPECT_EQ(count(), CString(L"2"));
  page.DestroyWindow();
}

// Runs the dialog modally; once its page has loaded, the prepared script runs on it and elements
// with the ids are added and clicked in turn, each of the message boxes meanwhile answered OK. The
// dialog's end code; -2 when the clicks did not end it.
INT_PTR RunAndClick(CDHtmlDialog& dlg, const std::vector<const char*>& ids, const QString& prepare, size_t boxes) {
  // A last click of the test's own: once it is handled, so are the ones before it.
  bool handled = false;
  dlg.BindElementClick(L"testLast", [&] { handled = true; });
  platform::ModalService::Instance().ExpectDialog([&](CDialog&) -> INT_PTR {
    if (!dlg.WaitForDocument(kLoadMs)) return -3;
    for (size_t i = 0; i < boxes; ++i) platform::ModalService::Instance().ExpectMessageBox(IDOK);
    dlg.GetView()->page()->runJavaScript(prepare);
    for (const char* id : ids) testsupport::ClickNewPageElement(dlg, id);
    testsupport::ClickNewPageElement(dlg, "testLast");
    EXPECT_TRUE(platform::PumpUntil([&] { return handled; }, kLoadMs)) << "the clicks are reported";
    return -2;
  });
  return dlg.DoModal();
}

TEST_F(MapPageTest, PageElementsBoundByIdEndTheMapDialogsOrConfirm) {
  enum Kind { Circle, Polygon };
  struct Case {
    const char* name;
    Kind kind;
    std::vector<const char*> ids;
    INT_PTR result;
    std::vector<CString> boxes;
  };
  const Case cases[] = {
      {"circle OK", Circle, {"ButtonOK"}, IDOK, {}},
      {"circle cancel clears the markers first", Circle, {"ButtonCancel"}, IDCANCEL, {L"markers cleared"}},
      {"circle: no confirmation there", Circle, {"BtnConfirm", "ButtonOK"}, IDOK, {}},
      {"polygon OK", Polygon, {"ButtonOK"}, IDOK, {}},
      {"polygon cancel", Polygon, {"ButtonCancel"}, IDCANCEL, {}},
      {"polygon confirmation keeps the dialog", Polygon, {"BtnConfirm", "ButtonCancel"}, IDCANCEL, {L"confirm ok"}},
  };
  // Every call of the page's clearAllMarker says so.
  const QString spy = QStringLiteral(
      "(function(){var f=window.clearAllMarker;if(typeof f!=='function')return;"
      "window.clearAllMarker=function(){alert('markers cleared');return f.apply(this,arguments);};})();");
  platform::ModalService& modal = platform::ModalService::Instance();
  for (const Case& c : cases) {
    modal.ClearRecords();
    std::unique_ptr<CDHtmlDialog> dlg;
    if (c.kind == Circle)
      dlg = std::make_unique<CMapDialog>(nullptr);
    else
      dlg = std::make_unique<CPolygonDialog>(nullptr);
    EXPECT_EQ(RunAndClick(*dlg, c.ids, spy, c.boxes.size()), c.result) << c.name;
    std::vector<CString> boxes;
    for (const platform::ModalRecord& r : modal.Records())
      if (r.kind == platform::ModalKind::MessageBox) boxes.push_back(r.text);
    EXPECT_EQ(boxes, c.boxes) << c.name;
    EXPECT_EQ(modal.PendingAnswers(), 0u) << c.name;
  }
}

}  // namespace
