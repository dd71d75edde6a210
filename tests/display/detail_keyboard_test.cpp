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
#include "screen_util.h"

namespace {

constexpr DWORD kTimeoutMs = 20000;

// The entry and exit alarms start without a choice.
constexpr const char kDefinition[] =
    "<brelvano S=\"$T\" D=\";\" cmd=\"SHDC\" res=\"SDRDH\" V=\"1\">"
    "<grp id=\"6\" title=\"Geofence\" hdr=\"CGF\" max=\"10\" unit=\"0\" ord=\"DATGRIO\">"
    "<item fid=\"Geo ID\" type=\"combo\" num=\"1\" curr=\"1\"><ele>1</ele></item>"
    "<item fid=\"Active\" type=\"combo\" num=\"2\" curr=\"Off\"><ele>Off</ele><ele>On</ele></item>"
    "<item fid=\"Latitude\" type=\"edit\" curr=\"\"/>"
    "<item fid=\"Longitude\" type=\"edit\" curr=\"\"/>"
    "<item fid=\"Radius\" type=\"edit\" curr=\"\"/>"
    "<item fid=\"IN\" type=\"combo\" num=\"2\" curr=\"\"><ele>Off</ele><ele>On</ele></item>"
    "<item fid=\"OUT\" type=\"combo\" num=\"2\" curr=\"\"><ele>Off</ele><ele>On</ele></item>"
    "<item fid=\"Speed\" type=\"edit\" curr=\"0\" max=\"3\"/>"
    "</grp>"
    "<grp id=\"1\" title=\"General\" hdr=\"GEN\"><item fid=\"APN\" type=\"edit\" curr=\"web\" max=\"20\"/></grp>"
    "</brelvano>";

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
  PARAM_INFO* Param(const wchar_t* name) const {
    CPtrList* list = Page()->m_pParams;
    for (POSITION pos = list->GetHeadPosition(); pos != nullptr;) {
      auto* p = static_cast<PARAM_INFO*>(list->GetNext(pos));
      if (p->strName == name) return p;
    }
    return nullptr;
  }
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
  server.ServeXmlFile(kDefinition);
  devsim::TrackerIdentity id;
  id.model = "VR600";
  id.version = "150";
  tracker.SetIdentity(id);
  Connect();
  ASSERT_TRUE(Pump([&] { return Page() != nullptr && !dlg->m_bDefinitionPending && dlg->m_tabPages.IsWindowEnabled(); }));
  ASSERT_TRUE(OpenTabOfType(dlg, TAB_TYPE_GEOFENCE));
  CWnd* add = nullptr;
  ASSERT_TRUE(Pump([&] {
    add = Page() != nullptr ? Page()->GetDlgItem(IDC_GEOFENCE_ADD) : nullptr;
    return add != nullptr && add->IsWindowEnabled() && add->IsWindowVisible() && dlg->m_tabPages.IsWindowEnabled();
  }));

  ASSERT_TRUE(Press(add->GetWidget())) << "ADD offers its press action";
  ASSERT_TRUE(Pump([&] { return Page() != nullptr && Page()->m_pDetailDlg != nullptr && Page()->m_pDetailDlg->IsWindowVisible(); }));
  CGeoDetailDlg* detail = Page()->m_pDetailDlg;
  QWidget* window = detail->GetWidget();
  EXPECT_TRUE(Pump([&] {
    QWidget* focus = QApplication::focusWidget();
    return QApplication::activeWindow() == window && focus != nullptr && window->isAncestorOf(focus);
  })) << "the dialog takes the keyboard when it opens";

  // The choices, by pressing their items as a screen reader does.
  auto* in = dynamic_cast<CComboBox*>(Param(L"IN")->pValueWnd);
  auto* out = dynamic_cast<CComboBox*>(Param(L"OUT")->pValueWnd);
  ASSERT_NE(in, nullptr);
  ASSERT_NE(out, nullptr);
  ASSERT_EQ(in->GetCurSel(), CB_ERR);
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
