// On a real X display, with the user's own pointer and keyboard (X server events, not events handed
// to a widget): ADD on the geofence page opens the detail dialog as the window that takes the typed
// keys; the choices and the speed are made with the keyboard; NEXT opens the map, where a left click
// sets the centre and a right click the rim; SEND stores the geofence in the device. A picture of
// the screen is written to $BRELVANO_SCREENSHOT_DIR when that is set.
#include <gtest/gtest.h>

#include <QApplication>
#include <QColor>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QWebEngineView>
#include <QWidget>

#include <cstdlib>
#include <string>

#include "../gui/dlg/mainwindow_fixture.h"
#include "devsim/devsim.h"
#include "devsim/definitionserver.h"
#include "devsim/geofencedevice.h"
#include "devsim/trackerdevice.h"
#include "gui/dlg/geodetaildlg.h"
#include "gui/dlg/geofencedlg.h"
#include "gui/dlg/guibase.h"
#include "gui/dlg/mapdlg.h"
#include "platform/crt.h"
#include "platform/files.h"
#include "platform/pumpwait.h"
#include "reference/default/appregsettings.h"
#include "resources/pageresource.h"
#include "geofence_page.h"
#include "screen_util.h"
#include "xtest_input.h"

namespace {

constexpr DWORD kTimeoutMs = 20000;
constexpr uint32_t kKeyTab = 0xff09;
constexpr uint32_t kKeyDown = 0xff54;

// The main window runs as the program runs it, as a modal dialog; the test works it from inside.
class GeofenceByXInput : public testsupport::MainWindowFixture {
 protected:
  void SetUp() override {
    MainWindowFixture::SetUp();
    ASSERT_TRUE(displaytest::OnXDisplay()) << "run through tests/display/run_on_xvfb.sh";
    ASSERT_TRUE(input.Ok()) << "the X server offers the XTest extension";
    ASSERT_TRUE(sim.Start()) << sim.LastError();
    SetLanguage(9);
    CAppRegSettings settings;
    settings.SetRegistryKey(kAppRegistryKeyName);
    ASSERT_TRUE(settings.WriteProfileString(L"Map", L"TileUrl", L""));
  }
  void TearDown() override {
    sim.Stop();
    MainWindowFixture::TearDown();
  }
  // Runs the main window modal, with the steps as the first thing its loop does; the session is
  // ended and the window closed after them.
  void RunMainWindow(const std::function<void()>& steps) {
    platform::ModalService::Instance().ExpectDialog(
        [&](CDialog& main) {
          dlg = static_cast<CBrelvanoDlg*>(&main);
          dlg->m_strModuleDir = platform::GetCurrentFolder() + L"/";
          steps();
          if (dlg->m_bPortOpen) ClickButton(dlg, IDC_BTN_DISCONNECT);
          return static_cast<INT_PTR>(IDCANCEL);
        },
        IDD_BRELVANO_DIALOG);
    auto main = std::make_unique<CBrelvanoDlg>();
    main->DoModal();
    dlg = nullptr;
  }
  CGeofenceDialog* Page() const { return dlg->m_pGeofenceDlg; }
  PARAM_INFO* Param(const wchar_t* name) const { return displaytest::ParamNamed(Page()->m_pParams, name); }
  static bool Pump(const std::function<bool()>& cond, DWORD ms = kTimeoutMs) { return platform::PumpUntil(cond, ms); }
  // A click of the user's pointer at a point of the screen.
  void ClickAt(QPoint global, uint8_t button = 1) {
    input.MoveTo(global);
    platform::PumpPendingEvents();
    input.Click(button);
    platform::PumpPendingEvents();
  }
  // The user presses Tab until the keyboard focus is on the widget; false when it never gets there.
  bool TabTo(QWidget* target) {
    for (int i = 0; i < 20; ++i) {
      if (QApplication::focusWidget() == target) return true;
      QWidget* before = QApplication::focusWidget();
      if (!input.Key(kKeyTab)) return false;
      Pump([&] { return QApplication::focusWidget() != before; }, 2000);
    }
    return QApplication::focusWidget() == target;
  }
  void AddAGeofence();
  // Clicks a point of the map until its page reports another "lat;lng;radius" than before (a page
  // just shown may let the first click pass); the last report.
  CString ClickMapUntilChanged(CMapDialog* map, QPoint global, uint8_t button, const CString& before) {
    CString now = before;
    for (int attempt = 0; attempt < 5 && now == before; ++attempt) {
      ClickAt(global, button);
      Pump(
          [&] {
            now = map->CallScript(L"getGeoPos");
            return now != before;
          },
          1000);
    }
    return now;
  }

  displaytest::XInput input;
  devsim::DeviceSimulator sim;
  CBrelvanoDlg* dlg = nullptr;
  devsim::GeofenceDevice geo{sim};
  devsim::TrackerDevice tracker{sim};
  devsim::DefinitionServer server{sim, tracker};
};

TEST_F(GeofenceByXInput, AGeofenceIsAddedWithTheUsersPointerAndKeyboard) {
  RunMainWindow([&] { AddAGeofence(); });
}

void GeofenceByXInput::AddAGeofence() {
  displaytest::ServeGeofenceDefinition(server, tracker);
  ASSERT_TRUE(ConnectToPort(dlg, CString::FromUtf8(sim.PortName()))) << "the simulator's port is listed";
  ASSERT_TRUE(displaytest::GeofencePageReady(dlg, kTimeoutMs));
  ASSERT_TRUE(OpenTabOfType(dlg, TAB_TYPE_GEOFENCE));
  CWnd* add = displaytest::AddButtonWhenReady(dlg, kTimeoutMs);
  ASSERT_NE(add, nullptr) << "ADD takes clicks";
  ASSERT_TRUE(displaytest::ScreenShows(dlg->GetWidget(), [] { platform::PumpPendingEvents(); }));

  // ADD, clicked: the detail dialog opens with the X server's keyboard focus on its window.
  ClickAt(displaytest::CentreOf(add->GetWidget()));
  ASSERT_TRUE(Pump([&] { return Page() != nullptr && Page()->m_pDetailDlg->IsWindowVisible(); }));
  CGeoDetailDlg* detail = Page()->m_pDetailDlg;
  QWidget* window = detail->GetWidget();
  EXPECT_TRUE(Pump([&] { return input.InputFocus() == static_cast<xcb_window_t>(window->winId()); }))
      << "the X server gives the typed keys to the dialog";
  EXPECT_TRUE(Pump([&] { return displaytest::HasTheKeyboard(window); }))
      << "the dialog is the active window with the keyboard focus in it";

  // The alarms start without a choice: the entry alarm on, the exit alarm off and the speed 45,
  // with the keyboard.
  CComboBox* in = nullptr;
  CComboBox* out = nullptr;
  ASSERT_TRUE(displaytest::AlarmsWithoutChoice(Page()->m_pParams, in, out));
  ASSERT_TRUE(TabTo(in->GetWidget())) << "Tab reaches the entry alarm";
  ASSERT_TRUE(input.Key(kKeyDown));
  ASSERT_TRUE(Pump([&] { return in->GetCurSel() == 0; })) << "Down chooses the first option";
  ASSERT_TRUE(input.Key(kKeyDown));
  EXPECT_TRUE(Pump([&] { return in->GetCurSel() == 1; })) << "and then On";
  ASSERT_TRUE(TabTo(out->GetWidget())) << "Tab reaches the exit alarm";
  ASSERT_TRUE(input.Key(kKeyDown));
  EXPECT_TRUE(Pump([&] { return out->GetCurSel() == 0; })) << "Down chooses Off";
  CWnd* speed = Param(L"Speed")->pValueWnd;
  ASSERT_TRUE(TabTo(speed->GetWidget())) << "Tab reaches the speed";
  ASSERT_TRUE(input.Key('4'));
  ASSERT_TRUE(input.Key('5'));
  EXPECT_TRUE(Pump([&] { return speed->GetWindowText() == CString(L"45"); })) << "the typed speed replaces the value";

  // NEXT, clicked: the map.
  ClickAt(displaytest::CentreOf(detail->GetDlgItem(IDC_DETAIL_NEXT)->GetWidget()));
  ASSERT_TRUE(Pump([&] {
    return Page() != nullptr && Page()->m_pMapDlg != nullptr && Page()->m_pMapDlg->IsWindowVisible();
  }));
  CMapDialog* map = Page()->m_pMapDlg;
  ASSERT_TRUE(Pump([&] { return map->IsPageLoaded() == TRUE; }));
  QWebEngineView* view = map->GetView();
  ASSERT_NE(view, nullptr);
  ASSERT_TRUE(displaytest::ScreenShows(map->GetWidget(), [] { platform::PumpPendingEvents(); }));

  // A left click sets the centre, a right click 100 pixels east the rim (the search bar, 28 pixels,
  // is below the map).
  const QPoint centre = view->mapToGlobal(QPoint(view->width() / 2, (view->height() - 28) / 2));
  const CString before = map->CallScript(L"getGeoPos");
  const CString origin = ClickMapUntilChanged(map, centre, 1, before);
  ASSERT_NE(origin, before) << "the left click reaches the map";
  EXPECT_EQ(GUI_Base::GetField(origin, 3, L';'), CString(L"0"));
  const CString drawn = ClickMapUntilChanged(map, centre + QPoint(100, 0), 3, origin);
  ASSERT_NE(drawn, origin) << "the right click reaches the map";
  EXPECT_GT(_wtoi(GUI_Base::GetField(drawn, 3, L';')), 0) << "the circle has a radius";

  // The screen shows the circle: its red rim and fill.
  EXPECT_TRUE(Pump([&] {
    const QImage screen = displaytest::ScreenUnder(view);
    int red = 0;
    for (int y = 0; y < screen.height(); ++y)
      for (int x = 0; x < screen.width(); ++x) {
        const QColor c = screen.pixelColor(x, y);
        if (c.red() > 180 && c.red() - c.green() > 60 && c.red() - c.blue() > 60) ++red;
      }
    return red > 500;
  })) << "the circle is drawn on the screen";
  if (const char* dir = std::getenv("BRELVANO_SCREENSHOT_DIR"))
    QGuiApplication::primaryScreen()->grabWindow(0).save(QString::fromUtf8(dir) + "/geofence_xinput.png");

  // SEND, clicked: the device stores the drawn geofence with the typed values.
  const size_t writes = geo.Writes().size();
  ClickAt(displaytest::CentreOf(map->GetDlgItem(IDOK)->GetWidget()));
  ASSERT_TRUE(Pump([&] { return geo.Writes().size() > writes && geo.Get(1).used == 1; })) << "SEND reaches the device";
  const devsim::SimGeofence added = geo.Get(1);
  EXPECT_EQ(added.in, 1);
  EXPECT_EQ(added.out, 0);
  EXPECT_EQ(added.latitude, GUI_Base::GetField(drawn, 1, L';').ToUtf8());
  EXPECT_EQ(added.longitude, GUI_Base::GetField(drawn, 2, L';').ToUtf8());
  EXPECT_EQ(added.radius, GUI_Base::GetField(drawn, 3, L';').ToUtf8());
  EXPECT_EQ(added.extra, ";45");
}

}  // namespace
