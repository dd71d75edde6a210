// Device identification and login against the simulated tracker over a pseudo-terminal: Connect
// runs the ready handshake and the version query, and each road ends where the definition is
// requested; a device that asks for a login gets the typed password, and a refused or cancelled
// login ends the session.
#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

#include "../gui/dlg/mainwindow_fixture.h"
#include "devsim/devsim.h"
#include "devsim/trackerdevice.h"
#include "gui/dlg/settingdlg.h"
#include "platform/files.h"
#include "platform/pumpwait.h"
#include "platform/trace.h"

namespace {

constexpr DWORD kTimeoutMs = 10000;

class IdentifyTest : public testsupport::MainWindowFixture {
 protected:
  void SetUp() override {
    MainWindowFixture::SetUp();
    ASSERT_TRUE(sim.Start()) << sim.LastError();
    dlg = Open(9);
    ASSERT_NE(dlg, nullptr);
  }
  void TearDown() override {
    if (dlg != nullptr && dlg->m_bPortOpen) Click(IDC_BTN_DISCONNECT);
    m_dlg.reset();
    sim.Stop();
    MainWindowFixture::TearDown();
  }

  void Click(int id) {
    dlg->SendMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                     reinterpret_cast<LPARAM>(dlg->GetDlgItem(id)->GetSafeHwnd()));
  }
  // Selects the simulator's port and presses Connect.
  void Connect() {
    const CString name = CString::FromUtf8(sim.PortName());
    bool selected = false;
    for (int i = 0; i < dlg->m_comboPort.GetCount() && !selected; ++i) {
      CString item;
      dlg->m_comboPort.GetLBText(i, item);
      if (item == name) {
        dlg->m_comboPort.SetCurSel(i);
        dlg->m_strComPort = name;
        selected = true;
      }
    }
    ASSERT_TRUE(selected) << "the simulator's port is listed";
    Click(IDC_BTN_CONNECT);
    ASSERT_TRUE(dlg->m_bPortOpen);
  }
  bool DeviceGot(const std::string& line) {
    return platform::PumpUntil(
        [&] {
          for (const std::string& l : sim.ReceivedLines())
            if (l == line) return true;
          return false;
        },
        kTimeoutMs);
  }
  bool DeviceGotNothingLike(const std::string& prefix) const {
    for (const std::string& l : sim.ReceivedLines())
      if (l.compare(0, prefix.size(), prefix) == 0) return false;
    return true;
  }
  static void ExpectPassword(const CString& typed) {
    platform::ModalService::Instance().ExpectDialog(
        [typed](CDialog& d) {
          d.SetDlgItemText(1065, typed);
          d.SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
          return IDCANCEL;  // not reached: the OK handler ends the prompt
        },
        146);
  }

  devsim::DeviceSimulator sim;
  devsim::TrackerDevice tracker{sim};
  CBrelvanoDlg* dlg = nullptr;
};

devsim::TrackerIdentity Device(const std::string& model, const std::string& version) {
  devsim::TrackerIdentity id;
  id.model = model;
  id.version = version;
  return id;
}

TEST_F(IdentifyTest, EachRoadEndsAtItsDefinitionRequest) {
  struct Case {
    const char* name;
    devsim::TrackerIdentity identity;
    bool upProtocol;
    std::vector<std::string> expected;  // lines the device receives after the version query
  };
  devsim::TrackerIdentity json = Device("VR600", "2.1");
  json.json = 1;
  devsim::TrackerIdentity v1 = Device("VR835", "32");
  v1.voice = 1;
  const Case cases[] = {
      {"V1 runs the status chain", v1, false,
       {"AT^$PVRNTW", "AT^$PVRRPT", "AT^$PVREVT", "AT^$PVRSVC", "AT^$PVRGSM", "AT^$GetMSen;850000", "AT^$PVRADP"}},
      {"V2 asks for the XML definition", Device("VR835", "40"), false, {"AT^$PVRGetXml"}},
      {"V3 asks for the XML definition", Device("VR835", "51"), false, {"AT^$PVRGetXml"}},
      {"language first sets the language", Device("VR735", "15.0"), false, {"AT^$PVRSetLang=09", "AT^$PVRGetXml"}},
      {"other devices ask for the XML definition", Device("VR600", "5"), false, {"AT^$PVRGetXml"}},
      {"numbered-parameter devices ask for the serial number", Device("VR600", "5"), true, {"AT^$ESN_READ"}},
      {"JSON devices send their table first", json, false, {"AT^$PVRGetCsv", "AT^$PVRGetJson"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    tracker.SetIdentity(c.identity);
    tracker.SetUpProtocol(c.upProtocol);
    // The roads stop where the definition itself would follow.
    for (const char* command : {"GetXml", "GetJson", "ADP"}) tracker.SetIgnored(command, true);
    sim.ClearReceived();
    Connect();
    ASSERT_TRUE(DeviceGot("AT^$PVRVer;1416"));
    for (const std::string& line : c.expected) EXPECT_TRUE(DeviceGot(line)) << line;
    EXPECT_EQ(dlg->m_deviceInfo.strModel, CString::FromUtf8(c.identity.model));
    Click(IDC_BTN_DISCONNECT);
  }
}

TEST_F(IdentifyTest, LoginAccepted) {
  devsim::TrackerIdentity id = Device("VR600", "5");
  id.login = 1;
  tracker.SetIdentity(id);
  tracker.SetPassword("Ab12");
  tracker.SetIgnored("GetXml", true);
  ExpectPassword(L"Ab12");
  Connect();
  ASSERT_TRUE(DeviceGot("AT^$PVRGetXml")) << "an accepted login leads to the definition request";
  EXPECT_EQ(tracker.Passwords(), std::vector<std::string>{"Ab12"});
  EXPECT_TRUE(dlg->m_bPortOpen);
  EXPECT_EQ(dlg->m_deviceInfo.strModel, CString(L"VR600"));
}

TEST_F(IdentifyTest, LoginRefusedOrCancelledEndsTheSession) {
  struct Case {
    const char* name;
    const wchar_t* typed;  // nullptr: the prompt is cancelled
    int result;            // the device's login result
  };
  const Case cases[] = {
      {"wrong password", L"0000", 2},
      {"invalid characters", L"@@", 3},
      {"other result", L"1234", 9},
      {"cancelled", nullptr, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    devsim::TrackerIdentity id = Device("VR600", "5");
    id.login = 1;
    tracker.SetIdentity(id);
    tracker.SetPassword("Ab12");
    tracker.SetLoginResult(c.result == 2 ? 0 : c.result);
    tracker.SetIgnored("GetXml", true);
    sim.ClearReceived();
    auto& modal = platform::ModalService::Instance();
    modal.ClearRecords();
    if (c.typed != nullptr) {
      ExpectPassword(c.typed);
      modal.ExpectMessageBox(IDOK);
    } else {
      modal.ExpectDialog([](CDialog&) { return IDCANCEL; }, 146);
    }
    Connect();
    ASSERT_TRUE(platform::PumpUntil([&] { return !dlg->m_bPortOpen; }, kTimeoutMs)) << "the session ends";
    EXPECT_TRUE(dlg->m_deviceInfo.strModel.IsEmpty());
    EXPECT_TRUE(DeviceGotNothingLike("AT^$PVRGetXml"));
    if (c.typed != nullptr) {
      ASSERT_EQ(Records(platform::ModalKind::MessageBox).size(), 1u);
      EXPECT_EQ(tracker.Passwords().back(), CString(c.typed).ToUtf8());
    } else {
      EXPECT_TRUE(DeviceGotNothingLike("AT^$PVRUPD"));
    }
  }
}

// The typed password goes to the device whole, and nowhere else: not into the communication log,
// not into the trace, not onto the console.
TEST_F(IdentifyTest, LoginPasswordNeverShows) {
  struct Case {
    const char* name;
    int json;
    const char* next;  // what the device receives after an accepted login
  };
  const Case cases[] = {
      {"definition road", 0, "AT^$PVRGetXml"},
      {"JSON road", 1, "AT^$PVRGetCsv"},
  };
  const std::string password = " Qx7 pw9 ";  // sent as typed, spaces and all
  std::mutex mutex;
  std::vector<CString> shown;
  const auto keep = [&](const CString& text) {
    std::lock_guard<std::mutex> lock(mutex);
    shown.push_back(text);
  };
  const int traceSink = platform::AddTraceSink(keep);
  const int stdoutSink = platform::AddStdoutSink(keep);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    devsim::TrackerIdentity id = Device("VR600", c.json ? "2.1" : "5");
    id.login = 1;
    id.json = c.json;
    tracker.SetIdentity(id);
    tracker.SetPassword(password);
    for (const char* command : {"GetXml", "GetCsv"}) tracker.SetIgnored(command, true);
    ExpectPassword(CString::FromUtf8(password));
    Connect();
    ASSERT_TRUE(DeviceGot(c.next));
    ASSERT_EQ(tracker.Passwords().back(), password) << "the device got the password";
    bool loginLogged = false;
    for (int i = 0; i < dlg->m_listLog.GetCount(); ++i) {
      CString line;
      dlg->m_listLog.GetText(i, line);
      EXPECT_LT(line.Find(L"Qx7"), 0) << line.ToUtf8();
      if (line.Find(L"$PVRUPD;****") >= 0) loginLogged = true;
    }
    EXPECT_TRUE(loginLogged) << "the login shows in the log, without its password";
    Click(IDC_BTN_DISCONNECT);
  }
  platform::RemoveTraceSink(traceSink);
  platform::RemoveStdoutSink(stdoutSink);
  for (const CString& text : shown) EXPECT_LT(text.Find(L"Qx7"), 0) << text.ToUtf8();
}

TEST_F(IdentifyTest, VariantDeviceGetsItsLocalDefinitionTabs) {
  // The program's folder holds the variant file of buyer AB, firmware 32 with the voice option.
  dlg->m_strModuleDir = platform::GetCurrentFolder() + L"/";
  ASSERT_TRUE(platform::CreateFolder(dlg->m_strModuleDir + L"Language XML"));
  ASSERT_TRUE(platform::WriteWholeFile(dlg->m_strModuleDir + L"Language XML/BrelvanoParam_VR835_AB_32_Voice_Eng.xml",
                                       "<brelvano S=\"$T\" D=\";\" cmd=\"SHDC\" res=\"SDRDH\" V=\"1\">"
                                       "<grp id=\"1\" title=\"General\" hdr=\"GEN\"></grp>"
                                       "<grp id=\"1\" title=\"Report\" hdr=\"RPT\"></grp>"
                                       "</brelvano>"));
  devsim::TrackerIdentity id = Device("VR835", "32");
  id.voice = 1;
  tracker.SetIdentity(id);
  Connect();
  ASSERT_TRUE(platform::PumpUntil([&] { return dlg->m_tabPages.GetItemCount() >= 2; }, kTimeoutMs))
      << "the definition's tabs are in the tab strip";
  EXPECT_EQ(dlg->m_tabInfo[0].strTitle, CString(L"General"));
  EXPECT_EQ(dlg->m_tabInfo[1].strTitle, CString(L"Report"));
  EXPECT_FALSE(dlg->m_bDefinitionPending);
  EXPECT_TRUE(DeviceGot("AT^$PVRADP")) << "the status chain ran to its end";
  // The first page is shown, and the log holds the exchange: the commands sent, the version query
  // and the status chain among them (the device's "$PVR;" replies are taken by the parser unlogged).
  ASSERT_NE(dlg->m_pSettingDlg, nullptr);
  EXPECT_TRUE(dlg->m_pSettingDlg->IsWindowVisible());
  bool query = false, status = false;
  for (int i = 0; i < dlg->m_listLog.GetCount(); ++i) {
    CString line;
    dlg->m_listLog.GetText(i, line);
    if (line.Find(L"$PVRVer") >= 0) query = true;
    if (line.Find(L"$PVRADP") >= 0) status = true;
  }
  EXPECT_TRUE(query) << "the version query is in the log";
  EXPECT_TRUE(status) << "the last status request is in the log";
}

TEST_F(IdentifyTest, SecurityDeviceLogsInWithoutPrompt) {
  devsim::TrackerIdentity id = Device("VR600", "5");
  id.login = 1;
  id.security = 1;
  tracker.SetIdentity(id);
  tracker.SetIgnored("GetXml", true);
  Connect();
  ASSERT_TRUE(DeviceGot("AT^$PVRGetXml"));
  EXPECT_TRUE(tracker.Passwords().empty());
}

}  // namespace
