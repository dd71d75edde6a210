// Test helper: the main window against the simulated device over a pseudo-terminal, in a temporary
// current folder with its own registry file and a scripted modal service. Every line the device
// receives is recorded with the clock time of its arrival; the test adds its own answers.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "../gui/dlg/temp_folder.h"
#include "../platform/qt_app.h"
#include "../platform/wait_util.h"
#include "devsim/devsim.h"
#include "gui/dlg/brelvanodlg.h"
#include "platform/clock.h"
#include "platform/modal.h"
#include "platform/portenum.h"
#include "platform/registry.h"
#include "platform/wnd.h"
#include "reference/default/appregsettings.h"
#include "resources/programresources.h"

namespace sessiontest {

constexpr int kRealTimeoutMs = 10000;
constexpr int kDriveTimeoutMs = 20000;
constexpr uint64_t kDrivePace = 10;

struct TimedLine {
  std::string line;
  uint64_t ms;
};

class SessionFixture : public ::testing::Test {
 protected:
  // bManualClock: the program's timers run on a clock the test moves.
  explicit SessionFixture(bool bManualClock = true) : m_manual(bManualClock) {}

  void SetUp() override {
    testsupport::EnsureApp();
    platform::SetGuiThread();
    ASSERT_TRUE(m_folder.Ok());
    m_folder.Enter();
    platform::SetRegistryPath(m_folder.CPath("registry.txt"));
    platform::SetTtyDeviceLister([] { return std::vector<platform::TtyDeviceFacts>{}; });
    brelvano::RegisterProgramResources();
    platform::ModalService& s = platform::ModalService::Instance();
    s.InstallScript();
    s.SetUnexpectedHandler([](const platform::ModalRecord& r) {
      ADD_FAILURE() << "unexpected modal request: " << platform::DescribeModalRecord(r);
    });
    if (m_manual) {
      m_clock = std::make_unique<platform::ManualClock>(1000);
      platform::SetClock(m_clock.get());
    }
    sim.AddHandler([this](const std::string& line, devsim::Responder& out) {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_lines.push_back({line, platform::GetClock().NowMs()});
      (void)out;
      return false;  // recorded only: the answers come from the handlers added after this one
    });
    ASSERT_TRUE(sim.Start()) << sim.LastError();
    CAppRegSettings settings;
    settings.SetRegistryKey(kAppRegistryKeyName);
    ASSERT_TRUE(settings.WriteProfileInt(nullptr, kRegValueLanguage, 9));
    m_dlg = std::make_unique<CBrelvanoDlg>();
    ASSERT_TRUE(m_dlg->Create(IDD_BRELVANO_DIALOG));
  }

  void TearDown() override {
    m_dlg.reset();
    sim.Stop();
    if (m_manual) {
      platform::SetClock(nullptr);
      m_clock.reset();
    }
    platform::ModalService& s = platform::ModalService::Instance();
    EXPECT_EQ(s.PendingAnswers(), 0u) << "queued modal answers were not used";
    s.UninstallScript();
    platform::SetTtyDeviceLister({});
    platform::SetRegistryPath(CString());
  }

  uint64_t Now() const { return platform::GetClock().NowMs(); }

  std::vector<TimedLine> Lines() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_lines;
  }
  std::vector<std::string> LineTexts() const {
    std::vector<std::string> out;
    for (const TimedLine& l : Lines()) out.push_back(l.line);
    return out;
  }
  size_t LineCount() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_lines.size();
  }
  int CountLines(const std::string& text) const {
    int n = 0;
    for (const TimedLine& l : Lines())
      if (l.line == text) ++n;
    return n;
  }

  // Handles the program's messages (in real time) until cond holds.
  bool PumpUntil(const std::function<bool()>& cond, int timeoutMs = kRealTimeoutMs) {
    return testutil::WaitUntil(
        [&] {
          platform::PumpPendingEvents();
          return cond();
        },
        timeoutMs);
  }

  // Handles the program's messages until cond holds, moving the manual clock on by stepMs at a
  // time (the transmitter's and the program's timers run; the quiet watch does not fire while the
  // device is answering). The clock runs at most kDrivePace times as fast as real time, so that a
  // device slowed down by a busy machine still answers within the program's time-outs.
  bool Drive(const std::function<bool()>& cond, uint64_t stepMs = 1, int timeoutMs = kDriveTimeoutMs) {
    const auto start = std::chrono::steady_clock::now();
    uint64_t advanced = 0;
    return testutil::WaitUntil(
        [&] {
          platform::PumpPendingEvents();
          if (cond()) return true;
          const auto real = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
          if (advanced + stepMs > static_cast<uint64_t>(real.count()) * kDrivePace + stepMs) return false;
          m_clock->Advance(stepMs);
          advanced += stepMs;
          platform::PumpPendingEvents();
          return cond();
        },
        timeoutMs);
  }

  // Moves the manual clock on by ms in steps of 10 ms, handling the program's messages after each.
  void Run(uint64_t ms) {
    for (uint64_t done = 0; done < ms; done += 10) {
      m_clock->Advance(10);
      platform::PumpPendingEvents();
    }
  }

  // Moves the manual clock in steps of 10 ms (the shortest timer); after each step that sent
  // commands (they show in the log as they leave) waits until the device has them, so every line is
  // recorded at the clock time it was sent.
  void Elapse(uint64_t ms) {
    for (uint64_t done = 0; done < ms;) {
      const uint64_t step = std::min<uint64_t>(10, ms - done);
      const size_t linesBefore = LineCount();
      const int echoesBefore = SentEchoes();
      m_clock->Advance(step);
      platform::PumpPendingEvents();
      done += step;
      const int sent = SentEchoes() - echoesBefore;
      if (sent > 0) {
        EXPECT_TRUE(testutil::WaitUntil([&] { return LineCount() >= linesBefore + static_cast<size_t>(sent); },
                                        kRealTimeoutMs));
      }
    }
  }

  // Log lines that show a command sent (every received line carries a reply keyword or text).
  int SentEchoes() const {
    int n = 0;
    for (int i = 0; i < m_dlg->m_listLog.GetCount(); ++i) {
      const CString line = m_dlg->m_listLog.GetText(i);
      const int at = line.Find(L"] ");
      if (at >= 0 && (line.Mid(at + 2, 1) == L"$" || line.Mid(at + 2, 3) == L"AT^")) ++n;
    }
    return n;
  }

  std::vector<CString> LogLines() const {
    std::vector<CString> lines;
    for (int i = 0; i < m_dlg->m_listLog.GetCount(); ++i) lines.push_back(m_dlg->m_listLog.GetText(i));
    return lines;
  }
  int LogCount(const CString& text) const {
    int n = 0;
    for (const CString& line : LogLines())
      if (line.Find(text) >= 0) ++n;
    return n;
  }
  bool LogHas(const CString& text) const { return LogCount(text) > 0; }

  // Chooses the simulator's port in the selector as a user would; false when it is not listed.
  bool SelectSimPort() { return SelectPort(CString::FromUtf8(sim.PortName())); }
  bool SelectPort(const CString& name) {
    for (int i = 0; i < m_dlg->m_comboPort.GetCount(); ++i) {
      CString item;
      m_dlg->m_comboPort.GetLBText(i, item);
      if (item == name) {
        m_dlg->m_comboPort.SetCurSel(i);
        m_dlg->SendMessage(WM_COMMAND, MAKEWPARAM(IDC_COMBO_PORT, CBN_SELCHANGE),
                           reinterpret_cast<LPARAM>(m_dlg->m_comboPort.GetSafeHwnd()));
        return true;
      }
    }
    return false;
  }
  void Click(int id) {
    m_dlg->SendMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                       reinterpret_cast<LPARAM>(m_dlg->GetDlgItem(id)->GetSafeHwnd()));
  }
  // Selects the simulator's port and presses Connect; the ready command is queued then.
  void Connect() {
    ASSERT_TRUE(SelectSimPort()) << "the simulator's port is listed";
    Click(IDC_BTN_CONNECT);
    ASSERT_TRUE(m_dlg->m_bPortOpen);
  }
  // Types a command into the command line and presses Enter.
  void Type(const CString& command) {
    m_dlg->m_editCommand.SetWindowText(command);
    MSG enter{};
    enter.hwnd = m_dlg->m_editCommand.GetSafeHwnd();
    enter.message = WM_KEYDOWN;
    enter.wParam = VK_RETURN;
    m_dlg->PreTranslateMessage(&enter);
  }

  bool m_manual;
  testsupport::TempFolder m_folder;
  std::unique_ptr<platform::ManualClock> m_clock;
  devsim::DeviceSimulator sim;
  std::unique_ptr<CBrelvanoDlg> m_dlg;
  mutable std::mutex m_mutex;
  std::vector<TimedLine> m_lines;
};

}  // namespace sessiontest
