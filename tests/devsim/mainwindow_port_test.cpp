// The main window against the simulated device: the port selector lists it, Connect opens it, a
// typed command reaches it, its answer shows in the log, Disconnect closes it, and an unplug is
// reported without harm.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "../platform/qt_app.h"
#include "devsim/devsim.h"
#include "gui/dlg/brelvanodlg.h"
#include "platform/portenum.h"
#include "platform/registry.h"
#include "platform/sync.h"
#include "reference/default/appregsettings.h"
#include "resources/programresources.h"

namespace {

constexpr DWORD kTimeoutMs = 10000;

class MainWindowPortTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testsupport::EnsureApp();
    platform::SetGuiThread();
    std::string pattern = (std::filesystem::temp_directory_path() / "mainport-test-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    m_dir = pattern;
    platform::SetRegistryPath(CString::FromUtf8(m_dir + "/registry.txt"));
    // None of the machine's ports: only the simulator's (registered by Start) is listed.
    platform::SetTtyDeviceLister([] { return std::vector<platform::TtyDeviceFacts>{}; });
    brelvano::RegisterProgramResources();
    ASSERT_TRUE(sim.Start()) << sim.LastError();
    sim.AddReply("AT^VER", {"VER,1.23"});
    CAppRegSettings settings;
    settings.SetRegistryKey(kAppRegistryKeyName);
    ASSERT_TRUE(settings.WriteProfileInt(nullptr, kRegValueLanguage, 9));
    m_dlg = std::make_unique<CBrelvanoDlg>();
    ASSERT_TRUE(m_dlg->Create(IDD_BRELVANO_DIALOG));
  }
  void TearDown() override {
    m_dlg.reset();
    sim.Stop();
    platform::SetTtyDeviceLister({});
    platform::SetRegistryPath(CString());
    std::error_code ignored;
    std::filesystem::remove_all(m_dir, ignored);
  }

  std::vector<CString> LogLines() const {
    std::vector<CString> lines;
    for (int i = 0; i < m_dlg->m_listLog.GetCount(); ++i) lines.push_back(m_dlg->m_listLog.GetText(i));
    return lines;
  }
  bool LogHas(const CString& text) const {
    for (const CString& line : LogLines())
      if (line.Find(text) >= 0) return true;
    return false;
  }
  // Selects the simulator's port in the selector; false when it is not listed.
  bool SelectSimPort() {
    const CString name = CString::FromUtf8(sim.PortName());
    for (int i = 0; i < m_dlg->m_comboPort.GetCount(); ++i) {
      CString item;
      m_dlg->m_comboPort.GetLBText(i, item);
      if (item == name) {
        m_dlg->m_comboPort.SetCurSel(i);
        return true;
      }
    }
    return false;
  }
  void Click(int id) {
    m_dlg->SendMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                       reinterpret_cast<LPARAM>(m_dlg->GetDlgItem(id)->GetSafeHwnd()));
  }
  static CString StoredPort() {
    CAppRegSettings settings;
    settings.SetRegistryKey(kAppRegistryKeyName);
    return settings.GetProfileString(nullptr, kRegValueComPort);
  }

  std::string m_dir;
  devsim::DeviceSimulator sim;
  std::unique_ptr<CBrelvanoDlg> m_dlg;
};

TEST_F(MainWindowPortTest, ConnectSendsCommandsShowsAnswersAndDisconnects) {
  ASSERT_TRUE(SelectSimPort()) << "the simulator's port is listed";
  Click(IDC_BTN_CONNECT);
  ASSERT_TRUE(m_dlg->m_bPortOpen);
  EXPECT_EQ(StoredPort(), CString::FromUtf8(sim.PortName()));
  EXPECT_EQ(m_dlg->m_strComPort, CString::FromUtf8(sim.PortName()));

  m_dlg->QueueCommand(L"AT^VER\r");
  EXPECT_TRUE(sim.WaitForLine([](const std::string& l) { return l == "AT^VER"; }, kTimeoutMs));
  EXPECT_TRUE(platform::PumpUntil([&] { return LogHas(L"VER,1.23"); }, kTimeoutMs));
  EXPECT_EQ(sim.ReceivedBytes(), "AT^VER\r") << "one terminator, no doubled CR";

  // A command without its terminator gets one.
  m_dlg->QueueCommand(L"AT^VER");
  EXPECT_TRUE(platform::PumpUntil([&] { return sim.ReceivedBytes() == "AT^VER\rAT^VER\r"; }, kTimeoutMs));

  Click(IDC_BTN_DISCONNECT);
  EXPECT_FALSE(m_dlg->m_bPortOpen);
  // Commands typed while closed are only kept, not written.
  sim.ClearReceived();
  m_dlg->QueueCommand(L"AT^VER\r");
  EXPECT_EQ(m_dlg->m_strPendingCommand, CString(L"AT^VER\r"));
  EXPECT_TRUE(sim.ReceivedBytes().empty());

  // The port opens again after a disconnect.
  Click(IDC_BTN_CONNECT);
  EXPECT_TRUE(m_dlg->m_bPortOpen);
}

TEST_F(MainWindowPortTest, UnsolicitedDataInCodePage949IsLogged) {
  ASSERT_TRUE(SelectSimPort());
  Click(IDC_BTN_CONNECT);
  ASSERT_TRUE(m_dlg->m_bPortOpen);
  // "한" in code page 949.
  ASSERT_TRUE(sim.Send("EVT,\xC7\xD1\r\n"));
  EXPECT_TRUE(platform::PumpUntil([&] { return LogHas(L"EVT,\xD55C"); }, kTimeoutMs));
}

TEST_F(MainWindowPortTest, UnplugIsReportedAndClosesThePort) {
  ASSERT_TRUE(SelectSimPort());
  Click(IDC_BTN_CONNECT);
  ASSERT_TRUE(m_dlg->m_bPortOpen);
  sim.Unplug();
  EXPECT_TRUE(platform::PumpUntil([&] { return !m_dlg->m_bPortOpen && LogHas(L"device removed"); }, kTimeoutMs));
  // Writing after the loss is harmless, and the deferred close goes through.
  m_dlg->QueueCommand(L"AT^VER\r");
  EXPECT_TRUE(platform::PumpUntil([&] { return LogHas(L"port closed"); }, kTimeoutMs));
}

TEST_F(MainWindowPortTest, ConnectFailuresAreLoggedAndLeaveThePortClosed) {
  // "USB" is selected at start and no USB device is present.
  Click(IDC_BTN_CONNECT);
  EXPECT_FALSE(m_dlg->m_bPortOpen);
  EXPECT_TRUE(LogHas(L"no port"));
  EXPECT_TRUE(StoredPort().IsEmpty());

  // A listed port that has gone away.
  ASSERT_TRUE(SelectSimPort());
  sim.Stop();
  const size_t before = LogLines().size();
  Click(IDC_BTN_CONNECT);
  EXPECT_FALSE(m_dlg->m_bPortOpen);
  EXPECT_GT(LogLines().size(), before) << "the open failure is logged";
  EXPECT_TRUE(StoredPort().IsEmpty());
}

}  // namespace
