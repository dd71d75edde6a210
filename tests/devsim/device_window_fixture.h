// Test helper: the main window (English) and one simulated device on a pseudo-terminal. The device
// is started before the window is made; at the end the port is closed, the window destroyed and
// the device stopped, in that order. A test adds the device's handlers as its own members (they
// answer in the order they are declared) and connects when it is ready.
#pragma once

#include "../gui/dlg/mainwindow_fixture.h"
#include "devsim/devsim.h"
#include "devsim/trackerdevice.h"
#include "platform/files.h"

namespace testsupport {

class DeviceWindowFixture : public MainWindowFixture {
 protected:
  void SetUp() override {
    MainWindowFixture::SetUp();
    ASSERT_TRUE(sim.Start()) << sim.LastError();
    dlg = Open(9);
    ASSERT_NE(dlg, nullptr);
  }
  void TearDown() override {
    if (dlg != nullptr && dlg->m_bPortOpen) ClickButton(dlg, IDC_BTN_DISCONNECT);
    m_dlg.reset();
    sim.Stop();
    MainWindowFixture::TearDown();
  }

  static void Click(CWnd* wnd, int id) { ClickButton(wnd, id); }
  // Chooses the device's port in the selector and presses Connect; the port is open then.
  void Connect() {
    ASSERT_TRUE(ConnectToPort(dlg, CString::FromUtf8(sim.PortName()))) << "the simulator's port is listed";
    ASSERT_TRUE(dlg->m_bPortOpen);
  }
  // The tracker is a $-set VR835 (firmware 32, voice) whose definition is the program's local file.
  void UseLocalDefinition(devsim::TrackerDevice& tracker, const char* xml) {
    dlg->m_strModuleDir = platform::GetCurrentFolder() + L"/";
    ASSERT_TRUE(platform::CreateFolder(dlg->m_strModuleDir + L"Language XML"));
    ASSERT_TRUE(platform::WriteWholeFile(dlg->m_strModuleDir + L"Language XML/BrelvanoParam_VR835_AB_32_Voice_Eng.xml", xml));
    devsim::TrackerIdentity id;
    id.model = "VR835";
    id.version = "32";
    id.voice = 1;
    tracker.SetIdentity(id);
  }
  // The tracker is a numbered-set VR600 (firmware 7) whose definition is in the Document folder.
  void UseNumberedDefinition(devsim::TrackerDevice& tracker, const char* xml) {
    TolerateMissingAssignCsv();  // the Document folder of these tests holds no CSV
    devsim::TrackerIdentity id;
    id.model = "VR600";
    id.version = "7";
    tracker.SetIdentity(id);
    tracker.SetUpProtocol(true);
    m_folder.Write("Document/A_Param_7.xml", xml);
  }
  bool LogHas(const CString& text) const {
    for (int i = 0; i < dlg->m_listLog.GetCount(); ++i)
      if (dlg->m_listLog.GetText(i).Find(text) >= 0) return true;
    return false;
  }

  devsim::DeviceSimulator sim;
  CBrelvanoDlg* dlg = nullptr;
};

}  // namespace testsupport
