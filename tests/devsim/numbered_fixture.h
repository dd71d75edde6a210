// Test helper: the main window against the simulated numbered-parameter tracker (ESN road, the
// Document folder's definition, the walk). A test may write its own definition before Connect.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../gui/dlg/mainwindow_fixture.h"
#include "devsim/devsim.h"
#include "devsim/numbereddevice.h"
#include "devsim/trackerdevice.h"
#include "gui/dlg/settingdlg.h"
#include "platform/files.h"
#include "platform/pumpwait.h"
#include "session_end.h"

namespace numberedtest {

inline constexpr DWORD kTimeoutMs = 20000;

// A generic tab of 22 edits (code 05), a list page, a geofence tab (code 50).
inline std::string Definition() {
  std::string xml =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<BRELVANO S=\"VR600\" I=\"UNIT1\" P=\"0000\" V=\"7\" D=\";\" R=\"RR\" cmd=\"$%s;%s\" res=\"$PVR;%s\">\n"
      "  <grp id=\"1\" tab_id=\"5\" title=\"General\" hdr=\"GEN\">\n";
  for (int i = 0; i < 22; ++i)
    xml += "    <item fid=\"P" + std::to_string(i) + "\" type=\"edit\" ID=\"" + std::to_string(i) + "\"/>\n";
  xml +=
      "  </grp>\n"
      "  <grp id=\"22\" tab_id=\"18\" title=\"List Add\" hdr=\"LST\">\n"
      "    <item fid=\"Entry\" type=\"edit\" ID=\"0\"/>\n"
      "  </grp>\n"
      "  <grp id=\"6\" tab_id=\"50\" title=\"Zones\" hdr=\"GEO\" unit=\"1\" min=\"1\" max=\"50\">\n"
      "    <item fid=\"Latitude\" type=\"edit\"/>\n"
      "  </grp>\n"
      "</BRELVANO>\n";
  return xml;
}

inline std::string Req(const std::string& code, int from, int to) {
  std::string s = "AT^REQ;123456789012345;" + code + ";";
  for (int i = from; i <= to; ++i) {
    char buf[8];
    snprintf(buf, sizeof buf, "%02d", i);
    if (i > from) s += ",";
    s += buf;
  }
  return s;
}

class NumberedSessionTest : public testsupport::MainWindowFixture {
 protected:
  void SetUp() override {
    MainWindowFixture::SetUp();
    TolerateMissingAssignCsv();  // the Document folder of these tests holds no CSV
    ASSERT_TRUE(sim.Start()) << sim.LastError();
    dlg = Open(9);
    ASSERT_NE(dlg, nullptr);
    devsim::TrackerIdentity id;
    id.model = "VR600";
    id.version = "7";
    tracker.SetIdentity(id);
    tracker.SetUpProtocol(true);
    m_folder.Write("Document/A_Param_7.xml", Definition());
    for (int i = 0; i < 22; ++i) device.SetValue(5, i, "v" + std::to_string(i));
    device.SetValue(50, 25, "816694E002C1B810012C0100");
  }
  void TearDown() override {
    if (dlg != nullptr && dlg->m_bPortOpen) Click(IDC_BTN_DISCONNECT);
    m_dlg.reset();
    sim.Stop();
    MainWindowFixture::TearDown();
  }
  void Click(int id) {
    dlg->SendMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(dlg->GetDlgItem(id)->GetSafeHwnd()));
  }
  void Connect() {
    const CString name = CString::FromUtf8(sim.PortName());
    for (int i = 0; i < dlg->m_comboPort.GetCount(); ++i) {
      CString item;
      dlg->m_comboPort.GetLBText(i, item);
      if (item == name) {
        dlg->m_comboPort.SetCurSel(i);
        dlg->m_strComPort = name;
      }
    }
    Click(IDC_BTN_CONNECT);
    ASSERT_TRUE(dlg->m_bPortOpen);
  }
  bool WalkEnded() {
    return platform::PumpUntil([&] { return dlg->m_bReadAllDone && dlg->m_nTabCount > 0; }, kTimeoutMs);
  }
  // After a session ended one way or another (the device may have been unplugged): the device is
  // there again, connected and read by the walk.
  void ConnectAgain() {
    if (!sim.IsRunning()) {
      ASSERT_TRUE(sim.Start()) << sim.LastError();
    }
    ASSERT_TRUE(testsupport::WaitForPortListed(dlg, sim)) << "the port is listed";
    if (dlg->m_bPortOpen) Click(IDC_BTN_DISCONNECT);
    Connect();
    ASSERT_TRUE(WalkEnded());
  }
  std::vector<std::string> Reads() {
    std::vector<std::string> out;
    for (const std::string& l : device.Requests())
      if (l.rfind("AT^REQ", 0) == 0) out.push_back(l);
    return out;
  }
  PARAM_INFO* Param(int nTab, int position) {
    return static_cast<PARAM_INFO*>(dlg->m_pParamLists[nTab].GetAt(dlg->m_pParamLists[nTab].FindIndex(position)));
  }

  devsim::DeviceSimulator sim;
  devsim::NumberedDevice device{sim};
  devsim::TrackerDevice tracker{sim};
  CBrelvanoDlg* dlg = nullptr;
};

}  // namespace numberedtest
