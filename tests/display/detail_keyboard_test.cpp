// On a real X display: the geofence detail dialog worked by a keyboard user and a screen reader
// alone. ADD is pressed through the accessibility interface; the dialog opens as the active window
// with the keyboard focus in it; the choices are made by pressing their items through the
// accessibility interface, a value is typed after moving there with Tab, and NEXT passes the
// record on to the map.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QTest>
#include <QWidget>

#include <string>

#include "../devsim/device_window_fixture.h"
#include "devsim/definitionserver.h"
#include "devsim/geofencedevice.h"
#include "devsim/trackerdevice.h"
#include "gui/dlg/geodetaildlg.h"
#include "gui/dlg/geofencedlg.h"
#include "gui/dlg/mapdlg.h"
#include "platform/files.h"
#include "platform/pumpwait.h"
#include "reference/default/appregsettings.h"
#include "resources/pageresource.h"
#include "geofence_page.h"
#include "screen_util.h"

namespace {

constexpr DWORD kTimeoutMs = 20000;

class DetailDialogByKeyboard : public testsupport::DeviceWindowFixture {
 protected:
  void SetUp() override {
    DeviceWindowFixture::SetUp();
    if (HasFatalFailure()) return;
    ASSERT_TRUE(displaytest::OnXDisplay()) << "run through tests/display/run_on_xvfb.sh";
    CAppRegSettings settings;
    settings.SetRegistryKey(kAppRegistryKeyName);
    ASSERT_TRUE(settings.WriteProfileString(L"Map", L"TileUrl", L""));
    dlg->m_strModuleDir = platform::GetCurrentFolder() + L"/";
    dlg->ShowWindow(SW_SHOW);
  }
  CGeofenceDialog* Page() const { return dlg->m_pGeofenceDlg; }
  PARAM_INFO* Param(const wchar_t* name) const { return displaytest::ParamNamed(Page()->m_pParams, name); }
  // Presses a control, or item i of a control, through its accessible interface.
  static bool Press(QWidget* w, int item = -1) {
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(w);
    if (iface == nullptr) return false;
    if (item >= 0) iface = iface->child(item);
    if (iface == nullptr || iface->actionInterface() == nullptr) return false;
    const QStringList names = iface->actionInterface()->actionNames();
    if (!names.contains(QAccessibleActionInterface::pressAction())) return false;
    iface->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    return true;
  }
  static bool Pump(const std::function<bool()>& cond) { return platform::PumpUntil(cond, kTimeoutMs); }

  devsim::GeofenceDevice geo{sim};
  devsim::TrackerDevice tracker{sim};
  devsim::DefinitionServer server{sim, tracker};
};

TEST_F(DetailDialogByKeyboard, TheGeofenceDetailIsFilledAndPassedWithoutAMouse) {
  displaytest::ServeGeofenceDefinition(server, tracker);
  Connect();
  ASSERT_TRUE(displaytest::GeofencePageReady(dlg, kTimeoutMs));
  ASSERT_TRUE(OpenTabOfType(dlg, TAB_TYPE_GEOFENCE));
  CWnd* add = displaytest::AddButtonWhenReady(dlg, kTimeoutMs);
  ASSERT_NE(add, nullptr) << "ADD takes clicks";

  ASSERT_TRUE(Press(add->GetWidget())) << "ADD offers its press action";
  ASSERT_TRUE(Pump([&] { return Page() != nullptr && Page()->m_pDetailDlg != nullptr && Page()->m_pDetailDlg->IsWindowVisible(); }));
  CGeoDetailDlg* detail = Page()->m_pDetailDlg;
  QWidget* window = detail->GetWidget();
  EXPECT_TRUE(Pump([&] { return displaytest::HasTheKeyboard(window); }))
      << "the dialog takes the keyboard when it opens";

  // The choices, by pressing their items as a screen reader does.
  CComboBox* in = nullptr;
  CComboBox* out = nullptr;
  ASSERT_TRUE(displaytest::AlarmsWithoutChoice(Page()->m_pParams, in, out));
  ASSERT_TRUE(Press(in->GetWidget(), 1)) << "an item of a choice offers its press action";
  ASSERT_TRUE(Press(out->GetWidget(), 0));
  ASSERT_TRUE(Pump([&] { return in->GetCurSel() == 1 && out->GetCurSel() == 0; }));

  // The speed, typed after moving there with Tab.
  QWidget* speed = Param(L"Speed")->pValueWnd->GetWidget();
  for (int i = 0; i < 20 && QApplication::focusWidget() != speed; ++i) {
    QWidget* focus = QApplication::focusWidget();
    ASSERT_NE(focus, nullptr);
    QTest::keyClick(focus, Qt::Key_Tab);
    platform::PumpPendingEvents();
  }
  ASSERT_EQ(QApplication::focusWidget(), speed) << "Tab reaches the value";
  QTest::keySequence(speed, QKeySequence::SelectAll);
  QTest::keyClicks(speed, "45");
  EXPECT_EQ(Param(L"Speed")->pValueWnd->GetWindowText(), CString(L"45"));

  // NEXT passes the record on: no message asks for a choice, the map takes over.
  ASSERT_TRUE(Press(detail->GetDlgItem(IDC_DETAIL_NEXT)->GetWidget()));
  ASSERT_TRUE(Pump([&] { return Page() == nullptr || !Page()->m_pDetailDlg->IsWindowVisible(); }));
  ASSERT_NE(Page(), nullptr);
  EXPECT_EQ(Page()->m_pDetailDlg->m_record.bIn, 1);
  EXPECT_EQ(Page()->m_pDetailDlg->m_record.bOut, 0);
  ASSERT_NE(Page()->m_pMapDlg, nullptr);
  EXPECT_TRUE(Page()->m_pMapDlg->IsWindowVisible());
}

}  // namespace
