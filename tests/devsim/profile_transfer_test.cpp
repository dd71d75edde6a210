// The profile transfer against the simulated $-set device on a pseudo-terminal, on the manual
// clock: the start command, one framed line per answer, the end command and the outcome in the
// log; an error answer (the last line's included) ends as a failure after the line time, and the
// controls come back in every outcome.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "../gui/dlg/model_fill.h"
#include "devsim/setcommanddevice.h"
#include "gui/dlg/menudlg.h"
#include "session_fixture.h"

namespace {

constexpr const wchar_t kSuccess[] = L"Success To Change Profile";
constexpr const wchar_t kFailure[] = L"Fail To Change Profile";

class ProfileTransferTest : public sessiontest::SessionFixture {
 protected:
  void SetUp() override {
    SessionFixture::SetUp();
    // After the fixture's recorder, so that every line is recorded with its time.
    device = std::make_unique<devsim::SetCommandDevice>(sim, "$T", "Res");
    Connect();
    CBrelvanoDlg* d = m_dlg.get();
    // A $-set definition of two generic tabs, as a loader leaves it.
    testsupport::FillTabs(d, {{1, L"General", L"GEN"}, {1, L"Report", L"RPT"}});
    for (int tab = 0; tab < 2; ++tab) {
      for (int i = 0; i < 2; ++i) {
        auto* p = new PARAM_INFO;
        p->nCtrlType = CTRL_EDIT;
        p->strValue = L"old";
        d->m_pParamLists[tab].AddTail(p);
      }
    }
    d->m_defHeader.strS = L"$T";
    d->m_defHeader.strD = L";";
    d->m_defHeader.strR = L"Res";
    d->m_defHeader.strCmd = L"SHDC";
    d->m_defHeader.strRes = L"SHDR";
    d->m_deviceInfo.strModel = L"VR600";
    d->m_bUpProtocol = FALSE;
    Elapse(10);
    // The session's ready handshake is left out: the transfer runs on its own.
    d->KillSessionTimers();
    d->m_bAtPrefix = FALSE;  // the ready command of the connect goes out (nobody answers it)
    sim.ClearReceived();
  }

  // Starts a transfer of lines as the XML profile change does.
  void Start(const std::vector<CString>& lines) {
    m_dlg->m_profileLines = lines;
    m_dlg->m_nProfileLine = 0;
    m_dlg->m_dProgressStep = 100.0 / static_cast<double>(lines.size());
    m_dlg->m_bProfileWriting = TRUE;
    m_dlg->BeginProfileWrite();
  }
  // Lets the queued command go out and waits until the device has received n commands in all.
  void SendUntilDeviceHas(size_t n) {
    Elapse(10);
    ASSERT_TRUE(testutil::WaitUntil([&] { return device->Commands().size() >= n; }, sessiontest::kRealTimeoutMs))
        << "the device has " << n << " commands";
  }
  // Waits until the program has taken the device's answer to line k (0-based): it has queued the
  // following line or ended the transfer.
  void TakeAnswer(int k) {
    ASSERT_TRUE(PumpUntil([&] { return m_dlg->m_nProfileLine > k + 1 || !m_dlg->m_bProfileWriting; }));
  }
  std::vector<CString> GenValues() {
    std::vector<CString> out;
    for (PARAM_INFO* p : testsupport::ListOf(&m_dlg->m_pParamLists[0])) out.push_back(p->strValue);
    return out;
  }
  bool ControlsBack() {
    return m_dlg->m_btnConnect.IsWindowEnabled() && m_dlg->m_btnDisconnect.IsWindowEnabled() &&
           m_dlg->m_btnOpen.IsWindowEnabled() && !m_dlg->m_bBusy && !m_dlg->m_bProfileWriting && m_dlg->m_nProfileLine == 0;
  }

  std::unique_ptr<devsim::SetCommandDevice> device;
};

TEST_F(ProfileTransferTest, EachLineFollowsTheAnswerToTheOneBeforeAndTheLastAnswerAppliesItsValues) {
  const uint64_t started = Now();
  Start({L"GEN;a;b", L"RPT;c;d", L"GEN;e;f"});
  EXPECT_FALSE(m_dlg->m_btnConnect.IsWindowEnabled()) << "the connection buttons are locked while it runs";
  EXPECT_TRUE(m_dlg->m_bBusy);
  for (int k = 0; k < 3; ++k) {
    SendUntilDeviceHas(static_cast<size_t>(k) + 2);
    TakeAnswer(k);
  }
  SendUntilDeviceHas(5);
  EXPECT_EQ(device->Commands(), (std::vector<std::string>{"$PVRPRFSTART", "$TGEN;a;b", "$TRPT;c;d", "$TGEN;e;f", "$PVRPRFEND"}));
  EXPECT_TRUE(LogHas(kSuccess));
  EXPECT_FALSE(LogHas(kFailure));
  EXPECT_EQ(GenValues(), (std::vector<CString>{L"e", L"f"})) << "the values of the last line are applied too";
  EXPECT_TRUE(ControlsBack());
  // The start command leaves at once; the first line waits for the pause after it.
  for (const sessiontest::TimedLine& l : Lines()) {
    if (l.line == "$TGEN;a;b") {
      EXPECT_GE(l.ms - started, 400u);
    }
  }
}

TEST_F(ProfileTransferTest, AnErrorAnswerEndsAsAFailureAfterTheLineTimeAndNothingMoreIsSent) {
  struct Case {
    const char* name;
    int errorOn;  // the line answered with an error (1-based)
    size_t commandsBeforeEnd;
  } cases[] = {
      {"error on the last line", 2, 3},
      {"error on the first line", 1, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    device->ErrorOn(c.errorOn);
    const size_t before = device->Commands().size();
    Start({L"GEN;a;b", L"RPT;c;d"});
    for (int k = 0; k < c.errorOn; ++k) {
      SendUntilDeviceHas(before + static_cast<size_t>(k) + 2);
      if (k + 1 < c.errorOn) TakeAnswer(k);
    }
    ASSERT_TRUE(PumpUntil([&] { return !m_dlg->m_strProfileError.IsEmpty(); })) << "the error answer was taken";
    const uint64_t lastSent = Now();
    Elapse(9900);
    EXPECT_TRUE(m_dlg->m_bProfileWriting) << "the transfer waits out the line time";
    EXPECT_EQ(device->Commands().size(), before + c.commandsBeforeEnd) << "nothing follows the error answer";
    Elapse(200);
    ASSERT_TRUE(testutil::WaitUntil([&] { return device->Commands().size() == before + c.commandsBeforeEnd + 1; },
                                    sessiontest::kRealTimeoutMs));
    EXPECT_EQ(device->Commands().back(), "$PVRPRFEND");
    EXPECT_GE(Now() - lastSent, 10000u);
    EXPECT_EQ(LogCount(kFailure), 1);
    EXPECT_TRUE(LogHas(L"Res;ERROR")) << "the device's error answer is shown with the outcome";
    EXPECT_FALSE(LogHas(kSuccess));
    EXPECT_TRUE(ControlsBack());
    m_dlg->m_listLog.ResetContent();
  }
}

TEST_F(ProfileTransferTest, ADriverIdentifierLineWithNothingToSendIsSkippedAndMayEndTheTransfer) {
  Start({L"GEN;a;b", L"HAD"});
  SendUntilDeviceHas(2);
  TakeAnswer(0);
  SendUntilDeviceHas(3);
  EXPECT_EQ(device->Commands(), (std::vector<std::string>{"$PVRPRFSTART", "$TGEN;a;b", "$PVRPRFEND"}));
  EXPECT_TRUE(LogHas(kSuccess));
  EXPECT_TRUE(ControlsBack());
}

TEST_F(ProfileTransferTest, ADeviceUnpluggedDuringATransferLeavesTheWindowUsable) {
  device->ErrorOn(1);
  Start({L"GEN;a;b", L"RPT;c;d"});
  SendUntilDeviceHas(2);
  sim.Unplug();
  for (int i = 0; i < 100 && m_dlg->m_bPortOpen; ++i) {
    Elapse(10);
    PumpUntil([&] { return !m_dlg->m_bPortOpen; }, 50);
  }
  ASSERT_FALSE(m_dlg->m_bPortOpen) << "the session ended";
  EXPECT_TRUE(ControlsBack());
  EXPECT_TRUE(m_dlg->m_btnConnect.IsWindowEnabled()) << "the user can connect again";
}

}  // namespace
