// What the program passes to its map pages stays data, in the real web engine: markup in every text
// argument of every page function, and in the map settings, shows as text (the page's title, its
// scripts and its handlers stay as they were); the pages' policy lets scripts come only from the
// program and reaches only the configured tile and search hosts; the address search asks at most
// once a second and only its last answer counts; a stored zone goes back with its texts as given.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <memory>
#include <vector>

#include "../../platform/qt_app.h"
#include "gui/dlg/definitionmodel.h"
#include "gui/dlg/mapdlg.h"
#include "gui/dlg/polygondlg.h"
#include "page_script.h"
#include "platform/modal.h"
#include "platform/registry.h"
#include "platform/sync.h"
#include "platform/wnd.h"
#include "reference/default/appregsettings.h"
#include "resources/programresources.h"
#include "temp_folder.h"

namespace {

constexpr int kLoadMs = 30000;

// Markup that runs script when a page takes it as markup.
const CString kMarkup[] = {
    L"<img/src=x/onerror=document.title=1>",
    L"</script><svg/onload=document.title=2>&amp;<b>b</b>",
    L"\"><img src=x onerror=\"document.title='3'\"> <script>document.title='4'</script>",
};

class MapPageTextTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testsupport::EnsureApp();
    platform::SetGuiThread();
    ASSERT_TRUE(m_folder.Ok());
    platform::SetRegistryPath(m_folder.CPath("registry.txt"));
    // Tiles and search from hosts that do not answer: nothing leaves the machine.
    Set(L"TileUrl", L"http://127.0.0.1:9/{z}/{x}/{y}.png");
    Set(L"GeocoderUrl", L"http://127.0.0.1:8/search?q={query}");
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
  static void Set(const wchar_t* key, const CString& value) {
    CAppRegSettings settings;
    settings.SetRegistryKey(kAppRegistryKeyName);
    ASSERT_TRUE(settings.WriteProfileString(L"Map", key, value));
  }
  // A shown map dialog of either page with its page loaded.
  static std::unique_ptr<CDHtmlDialog> Open(bool circle) {
    std::unique_ptr<CDHtmlDialog> dlg;
    if (circle)
      dlg = std::make_unique<CMapDialog>(nullptr);
    else
      dlg = std::make_unique<CPolygonDialog>(nullptr);
    EXPECT_TRUE(dlg->Create(circle ? IDD_GEOFENCE_MAP : IDD_POLYGON_MAP, nullptr));
    dlg->ShowWindow(SW_SHOW);
    EXPECT_TRUE(dlg->WaitForDocument(kLoadMs));
    return dlg;
  }

  testsupport::TempFolder m_folder;
};

TEST_F(MapPageTextTest, MarkupInEveryTextArgumentOfEveryPageFunctionStaysText) {
  struct Case {
    bool circle;
    const wchar_t* function;
    std::vector<CString> args;  // "%" stands for the markup
    bool shown;                 // the page shows that text
  };
  const Case cases[] = {
      {true, L"MoveMap", {L"%", L"127"}, false},
      {true, L"MoveMap", {L"37.5", L"%"}, false},
      {true, L"ViewDrawCircle", {L"%", L"127", L"300"}, false},
      {true, L"ViewDrawCircle", {L"37.5", L"%", L"300"}, false},
      {true, L"ViewDrawCircle", {L"37.5", L"127", L"%"}, true},
      {true, L"AllViewDrawCircle", {L"%", L"37.5", L"127", L"300"}, true},
      {true, L"AllViewDrawCircle", {L"2", L"%", L"127", L"300"}, false},
      {true, L"AllViewDrawCircle", {L"2", L"37.5", L"%", L"300"}, false},
      {true, L"AllViewDrawCircle", {L"2", L"37.5", L"127", L"%"}, true},
      {false, L"loadCoord", {L"%"}, false},
      {false, L"loadCoord", {L"1@2@\n%@3@\n4@5@\n6@7@"}, false},
      {false, L"loadCoord", {L"1@2@\n3@%@\n4@5@\n6@7@"}, false},
      {false, L"MoveMap", {L"%", L"127"}, false},
      {false, L"MoveMap", {L"37.5", L"%"}, false},
      {false, L"SetPolyCount", {L"%"}, false},
      {false, L"SetTotalPolyCount", {L"%"}, false},
      {false, L"SetSumPolyCount", {L"%"}, false},
      {false, L"formatPointText", {L"%"}, false},
  };
  for (bool circle : {true, false}) {
    auto page = Open(circle);
    const testsupport::MapPageState before = testsupport::InspectMapPage(*page);
    ASSERT_EQ(before.title, CString(circle ? L"Geo Fense Setting" : L"Zone Draw"));
    ASSERT_GT(before.scripts, 0);
    for (const Case& c : cases) {
      if (c.circle != circle) continue;
      for (const CString& markup : kMarkup) {
        std::vector<CString> args;
        for (const CString& a : c.args) {
          CString arg = a;
          arg.Replace(L"%", markup);
          args.push_back(arg);
        }
        page->CallScript(c.function, args);
        const std::string what = CString(c.function).ToUtf8() + " with " + markup.ToUtf8();
        const testsupport::MapPageState after = testsupport::InspectMapPage(*page);
        EXPECT_EQ(after.title, before.title) << what;
        EXPECT_EQ(after.scripts, before.scripts) << what;
        EXPECT_EQ(after.handlers, std::vector<CString>{}) << what;
        EXPECT_EQ(after.strayElements, std::vector<CString>{}) << what;
        if (c.shown) {
          EXPECT_GE(after.shown.Find(markup), 0) << what << ": shown as text, in " << after.shown.ToUtf8();
        }
      }
    }
    if (!circle) {
      EXPECT_EQ(page->CallScript(L"getLimits"), CString(L"60;0;0")) << "limits that are no numbers change none";
    }
    // Any handler that had been planted would have run by the time a page image fails to load.
    testsupport::RunPageScript(*page, QStringLiteral("var i=new Image();i.onerror=function(){window.probeDone=1;};"
                                                     "i.src='nothing.png';"));
    EXPECT_TRUE(platform::PumpUntil([&] { return testsupport::RunPageScript(*page, QStringLiteral("String(window.probeDone)")) == L"1"; },
                                    kLoadMs));
    EXPECT_EQ(testsupport::InspectMapPage(*page).title, before.title);
    page->DestroyWindow();
  }
}

TEST_F(MapPageTextTest, TheDialogsHandEveryTextToTheirPagesAsOneArgument) {
  // Texts that a call text would cut into pieces or read as a function of its own.
  const CString hostile[] = {
      L"javascript:open(https://attacker.example/,_self)",
      L"1,2)('\"x\"",
      L"1@2@\n3@4@\n5@6@')+open('https://attacker.example/",
  };
  // Records the calls of the page functions and the windows the page would open.
  const QString recorder = QStringLiteral(
      "window.recordedCalls=[];['MoveMap','loadCoord','open'].forEach(function(n){var f=window[n];"
      "window[n]=function(){window.recordedCalls.push([n].concat(Array.prototype.slice.call(arguments)));"
      "return n==='open'?null:f.apply(this,arguments);};});");
  auto calls = [](CDHtmlDialog& page) {
    return testsupport::RunPageScript(page, QStringLiteral("JSON.stringify(window.recordedCalls)"));
  };
  // The calls as the recorder lists them.
  auto json = [](const std::vector<std::vector<CString>>& list) {
    QJsonArray all;
    for (const auto& call : list) {
      QJsonArray a;
      for (const CString& s : call) a.append(s.q());
      all.append(a);
    }
    return CString(QString::fromUtf8(QJsonDocument(all).toJson(QJsonDocument::Compact)));
  };
  for (const CString& text : hostile) {
    auto circle = Open(true);
    auto zone = Open(false);
    const QUrl circleHome = circle->GetView()->url();
    const QUrl zoneHome = zone->GetView()->url();
    testsupport::RunPageScript(*circle, recorder);
    testsupport::RunPageScript(*zone, recorder);
    DEVICE_INFO info;
    info.strLat = text;
    info.strLng = text + L"2";
    auto* map = static_cast<CMapDialog*>(circle.get());
    map->SetDeviceInfo(&info, nullptr);
    map->MoveMapToDefault();
    auto* polygon = static_cast<CPolygonDialog*>(zone.get());
    polygon->MoveMap(text, text + L"2");
    polygon->LoadCoord(text);
    EXPECT_EQ(calls(*circle), json({{L"MoveMap", text, text + L"2"}})) << text.ToUtf8();
    EXPECT_EQ(calls(*zone), json({{L"MoveMap", text, text + L"2"}, {L"loadCoord", text}})) << text.ToUtf8();
    EXPECT_EQ(circle->GetView()->url(), circleHome);
    EXPECT_EQ(zone->GetView()->url(), zoneHome);
    circle->DestroyWindow();
    zone->DestroyWindow();
  }
}

TEST_F(MapPageTextTest, MarkupInTheMapSettingsShowsAsText) {
  Set(L"TileName", kMarkup[0]);
  Set(L"TileAttribution", kMarkup[1]);
  Set(L"TileUrl2", L"http://127.0.0.1:9/b/{z}/{x}/{y}.png");
  Set(L"TileName2", kMarkup[2]);
  for (bool circle : {true, false}) {
    auto page = Open(circle);
    const testsupport::MapPageState state = testsupport::InspectMapPage(*page);
    EXPECT_EQ(state.title, CString(circle ? L"Geo Fense Setting" : L"Zone Draw"));
    EXPECT_EQ(state.handlers, std::vector<CString>{});
    EXPECT_EQ(state.strayElements, std::vector<CString>{});
    for (const CString& markup : kMarkup) EXPECT_GE(state.shown.Find(markup), 0) << markup.ToUtf8() << " in " << state.shown.ToUtf8();
    EXPECT_EQ(testsupport::RunPageScript(*page, QStringLiteral("String(document.querySelectorAll('a[href^=\"http\"]').length)")),
              CString(L"0"))
        << "no link takes the dialog away from its map";
    page->DestroyWindow();
  }
}

TEST_F(MapPageTextTest, ThePagesRunOnlyTheProgramsScriptsAndReachOnlyTheConfiguredHosts) {
  for (bool circle : {true, false}) {
    auto page = Open(circle);
    // What the page's policy refuses, reported in order; the last request is refused on purpose,
    // so once it is reported every one before it has been decided.
    testsupport::RunPageScript(*page, QStringLiteral(R"JS(
window.refused = [];
document.addEventListener('securitypolicyviolation', function (e) {
  window.refused.push(e.effectiveDirective + ' ' + (e.blockedURI || ''));
});
var s = document.createElement('script'); s.textContent = 'document.title = "inline"'; document.head.appendChild(s);
var r = document.createElement('script'); r.src = 'http://127.0.0.1:9/x.js'; document.head.appendChild(r);
var d = document.createElement('div'); d.setAttribute('onclick', 'document.title = "handler"'); document.body.appendChild(d); d.click();
fetch('http://127.0.0.1:8/search?q=a').catch(function () {});
fetch('http://127.0.0.1:7/search?q=b').catch(function () {});
new Image().src = 'http://127.0.0.1:9/1/2/3.png';
new Image().src = 'http://127.0.0.1:6/1/2/3.png';
setTimeout(function () { new Image().src = 'http://127.0.0.1:5/last.png'; }, 0);
)JS"));
    auto refused = [&] { return testsupport::RunPageScript(*page, QStringLiteral("JSON.stringify(window.refused)")); };
    ASSERT_TRUE(platform::PumpUntil([&] { return refused().Find(L"127.0.0.1:5/last.png") >= 0; }, kLoadMs)) << refused().ToUtf8();
    const QJsonArray list = QJsonDocument::fromJson(refused().q().toUtf8()).array();
    std::vector<CString> got;
    for (const QJsonValue& v : list) got.emplace_back(v.toString());
    const std::vector<CString> expected = {
        L"script-src-elem inline",
        L"script-src-elem http://127.0.0.1:9/x.js",
        L"script-src-attr inline",
        L"connect-src http://127.0.0.1:7/search?q=b",
        L"img-src http://127.0.0.1:6/1/2/3.png",
        L"img-src http://127.0.0.1:5/last.png",
    };
    std::vector<CString> sortedGot = got, sortedExpected = expected;
    std::sort(sortedGot.begin(), sortedGot.end());
    std::sort(sortedExpected.begin(), sortedExpected.end());
    EXPECT_EQ(sortedGot, sortedExpected) << (circle ? "circle page" : "polygon page");
    EXPECT_EQ(testsupport::InspectMapPage(*page).title, CString(circle ? L"Geo Fense Setting" : L"Zone Draw"));
    page->DestroyWindow();
  }
}

TEST_F(MapPageTextTest, TheAddressSearchAsksAtMostOnceASecondAndTheLastAddressWins) {
  auto page = Open(true);
  // The page's clock and requests under the test's hand: the clock moves only when told, and the
  // search requests wait until answered.
  testsupport::RunPageScript(*page, QStringLiteral(R"JS(
window.realTimeout = window.setTimeout.bind(window);
window.now = 50000;
Date.now = function () { return window.now; };
window.timers = [];
window.setTimeout = function (f, ms) { window.timers.push({ at: window.now + (ms || 0), f: f }); return window.timers.length; };
window.advance = function (ms) {
  window.now += ms;
  var due = window.timers.filter(function (t) { return t.at <= window.now; });
  window.timers = window.timers.filter(function (t) { return t.at > window.now; });
  due.forEach(function (t) { t.f(); });
  return '';
};
window.requests = [];
window.fetch = function (url) {
  var r = { url: url };
  var p = new Promise(function (resolve) { r.resolve = resolve; });
  window.requests.push(r);
  return p;
};
window.queries = function () {
  return window.requests.map(function (r) { return decodeURIComponent(r.url.split('q=')[1]); }).join('|');
};
window.press = function (text, enter) {
  var q = document.getElementById('queryInput');
  q.value = text;
  if (enter) q.dispatchEvent(new KeyboardEvent('keydown', { key: 'Enter' }));
  else document.getElementById('searchButton').click();
  return '';
};
// Answers a request; settled is set once the page has taken the answer.
window.answer = function (i, lat, lon) {
  window.settled = false;
  window.requests[i].resolve({ ok: true, json: function () { return Promise.resolve([{ lat: lat, lon: lon }]); } });
  window.realTimeout(function () { window.settled = true; }, 0);
  return '';
};
window.markers = function () {
  var out = [];
  map.eachLayer(function (l) { if (l instanceof L.Marker) out.push(l.getLatLng().lat + ',' + l.getLatLng().lng); });
  return out.join('|');
};
)JS"));
  auto run = [&](const char* script) { return testsupport::RunPageScript(*page, QString::fromUtf8(script)); };
  auto queries = [&] { return run("window.queries()"); };

  run("press('first')");
  EXPECT_EQ(queries(), CString(L"first")) << "the first search goes at once";
  run("press('second')");
  run("press('third', true)");
  run("press('fourth')");
  EXPECT_EQ(queries(), CString(L"first")) << "presses within the second wait";
  EXPECT_EQ(run("String(window.timers.length)"), CString(L"1")) << "one request waits, not one a press";
  run("advance(999)");
  EXPECT_EQ(queries(), CString(L"first"));
  run("advance(1)");
  EXPECT_EQ(queries(), CString(L"first|fourth")) << "after the second, the last address pressed";
  run("advance(5000)");
  EXPECT_EQ(queries(), CString(L"first|fourth")) << "nothing more";
  run("press('fifth')");
  EXPECT_EQ(queries(), CString(L"first|fourth|fifth")) << "a second after the last request it goes at once";
  run("press('sixth')");
  run("advance(1000)");
  EXPECT_EQ(queries(), CString(L"first|fourth|fifth|sixth"));

  // Answers that arrive late: only the newest request's answer moves the map.
  run("answer(3, '10.5', '20.5')");
  ASSERT_TRUE(platform::PumpUntil([&] { return run("String(window.settled)") == L"true"; }, kLoadMs));
  EXPECT_EQ(run("markers()"), CString(L"10.5,20.5"));
  run("answer(0, '30.5', '40.5')");
  ASSERT_TRUE(platform::PumpUntil([&] { return run("String(window.settled)") == L"true"; }, kLoadMs));
  EXPECT_EQ(run("markers()"), CString(L"10.5,20.5")) << "an older request's answer is passed over";
  page->DestroyWindow();
}

TEST_F(MapPageTextTest, AStoredZoneKeepsItsPointTextsAsGiven) {
  auto page = Open(false);
  struct Case {
    const char* name;
    const wchar_t* text;
    const wchar_t* zone;
    const wchar_t* count;
  };
  const Case cases[] = {
      {"more decimals than six", L"126.98049512@37.56607934@\n126.99@37.57@\n127.0000001@37.5500000001@",
       L"126.98049512@37.56607934@\n126.99@37.57@\n127.0000001@37.5500000001@", L"3"},
      {"short texts stay short", L"8.5@5.25@\n9@5@\n9@6@", L"8.5@5.25@\n9@5@\n9@6@", L"3"},
      {"carriage returns, third fields and non-points go", L"1.5@2.5@\r\n@5@\n3.5@4.5@x\nabc@1@\n5.5@6.5@\r",
       L"1.5@2.5@\n3.5@4.5@\n5.5@6.5@", L"3"},
      {"fewer than three points give no zone", L"1@2@\n3@4@", L"", L""},
  };
  for (const Case& c : cases) {
    testsupport::CallPageFunction(*page, L"loadCoord", {c.text});
    EXPECT_EQ(page->GetElementValue(L"txtpolyzone"), CString(c.zone)) << c.name;
    EXPECT_EQ(page->GetElementValue(L"txtpolycount"), CString(c.count)) << c.name;
  }
  page->DestroyWindow();
}

}  // namespace
