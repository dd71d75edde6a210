// On a real X display: the numbered-parameter set's read-all walk keeps the main window from
// drawing while it reads tab after tab, and the window is drawn whole when the walk ends, or when
// the user disconnects in the middle of it.
#include <QWidget>

#include <string>

#include "../gui/dlg/mainwindow_fixture.h"
#include "devsim/devsim.h"
#include "devsim/numbereddevice.h"
#include "devsim/trackerdevice.h"
#include "gui/dlg/settingdlg.h"
#include "platform/pumpwait.h"
#include "screen_util.h"

namespace {

constexpr DWORD kTimeoutMs = 20000;

// Three generic tabs of a few edits each.
std::string Definition() {
  std::string xml =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<BRELVANO S=\"VR600\" I=\"UNIT1\" P=\"0000\" V=\"7\" D=\";\" R=\"RR\" cmd=\"$%s;%s\" res=\"$PVR;%s\">\n";
  for (int t = 0; t < 3; ++t) {
    xml += "  <grp id=\"1\" tab_id=\"" + std::to_string(5 + t) + "\" title=\"Tab " + std::to_string(t) + "\" hdr=\"T" +
           std::to_string(t) + "\">\n";
    for (int i = 0; i < 4; ++i)
      xml += "    <item fid=\"P" + std::to_string(i) + "\" type=\"edit\" ID=\"" + std::to_string(i) + "\"/>\n";
    xml += "  </grp>\n";
  }
  return xml + "</BRELVANO>\n";
}

class WalkOnScreen : public testsupport::MainWindowFixture {
 protected:
  void SetUp() override {
    MainWindowFixture::SetUp();
    ASSERT_TRUE(displaytest::OnXDisplay()) << "run through tests/display/run_on_xvfb.sh";
    TolerateMissingAssignCsv();
    ASSERT_TRUE(sim.Start()) << sim.LastError();
    dlg = Open(9);
    ASSERT_NE(dlg, nullptr);
    devsim::TrackerIdentity id;
    id.model = "VR600";
    id.version = "7";
    tracker.SetIdentity(id);
    tracker.SetUpProtocol(true);
    m_folder.Write("Document/A_Param_7.xml", Definition());
  }
  void TearDown() override {
    if (dlg != nullptr && dlg->m_bPortOpen) ClickButton(dlg, IDC_BTN_DISCONNECT);
    m_dlg.reset();
    sim.Stop();
    MainWindowFixture::TearDown();
  }
  bool ScreenShowsWindow() {
    return displaytest::ScreenShows(dlg->GetWidget(), [] { platform::PumpPendingEvents(); });
  }
  // Waits until the walk has read its first tab with the settings page present.
  bool InTheWalk() {
    return platform::PumpUntil(
        [&] { return dlg->m_bWalkActive && dlg->m_nReadAllTab >= 1 && dlg->m_pSettingDlg != nullptr; }, kTimeoutMs);
  }

  devsim::DeviceSimulator sim;
  devsim::NumberedDevice device{sim};
  devsim::TrackerDevice tracker{sim};
  CBrelvanoDlg* dlg = nullptr;
};

TEST_F(WalkOnScreen, NothingIsDrawnDuringTheWalkAndEverythingAfterIt) {
  dlg->ShowWindow(SW_SHOW);
  ASSERT_TRUE(ScreenShowsWindow());
  // Slow answers keep the walk in its steps long enough to look at it.
  device.LoseNext(1);
  ASSERT_TRUE(ConnectToPort(dlg, CString::FromUtf8(sim.PortName())));
  ASSERT_TRUE(InTheWalk());
  EXPECT_FALSE(dlg->GetWidget()->updatesEnabled()) << "the window's drawing is locked while a tab is read";
  ASSERT_TRUE(platform::PumpUntil([&] { return dlg->m_bReadAllDone && !dlg->m_bWalkActive; }, kTimeoutMs));
  EXPECT_TRUE(dlg->GetWidget()->updatesEnabled());
  EXPECT_TRUE(ScreenShowsWindow()) << "the tabs and the first page after the walk";
}

TEST_F(WalkOnScreen, DisconnectingInTheWalkLeavesTheWindowDrawn) {
  dlg->ShowWindow(SW_SHOW);
  ASSERT_TRUE(ScreenShowsWindow());
  device.LoseNext(1);
  ASSERT_TRUE(ConnectToPort(dlg, CString::FromUtf8(sim.PortName())));
  ASSERT_TRUE(InTheWalk());
  ClickButton(dlg, IDC_BTN_DISCONNECT);
  ASSERT_TRUE(dlg->GetSafeHwnd() != nullptr);
  EXPECT_FALSE(dlg->m_bPortOpen);
  EXPECT_TRUE(dlg->GetWidget()->updatesEnabled());
  EXPECT_TRUE(ScreenShowsWindow()) << "the window as the session's end leaves it";
}

}  // namespace
