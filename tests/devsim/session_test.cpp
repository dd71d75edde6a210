// The device session against the simulated device on the manual clock: the ready handshake and its
// retry schedule, the echo filter of typed commands, the "System Start" rules, replies split across
// deliveries and the quiet rule for an unterminated rest, Disconnect and unplug in the middle of a
// reply wait, and the transmitter's size limit and modem tunnel.
#include <atomic>

#include "platform/codepage.h"

#include "session_fixture.h"

namespace {

using sessiontest::SessionFixture;

constexpr int kReadyNever = 0;

class SessionTest : public SessionFixture {
 protected:
  void SetUp() override {
    SessionFixture::SetUp();
    // The device answers the ready command from its m_readyFrom-th arrival on.
    sim.AddHandler([this](const std::string& line, devsim::Responder& out) {
      if (line != "AT^$PVRRdy" && line != "$PVRRdy") return false;
      const int n = ++m_readyCount;
      if (m_readyFrom != kReadyNever && n >= m_readyFrom) out.SendLine("$PVR;Rdy");
      return true;
    });
  }

  std::atomic<int> m_readyFrom{kReadyNever};
  std::atomic<int> m_readyCount{0};
};

TEST_F(SessionTest, ReadyRetrySchedule) {
  struct Case {
    const char* what;
    int answerFrom;
    std::vector<std::pair<std::string, uint64_t>> ready;  // ready commands and their times after Connect
    bool versionAsked;
  };
  const Case cases[] = {
      {"silent device: four tries, then silence",
       kReadyNever,
       {{"AT^$PVRRdy", 10}, {"AT^$PVRRdy", 7010}, {"$PVRRdy", 14010}, {"$PVRRdy", 21010}},
       false},
      {"answer at the third try",
       3,
       {{"AT^$PVRRdy", 10}, {"AT^$PVRRdy", 7010}, {"$PVRRdy", 14010}},
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    m_readyFrom = c.answerFrom;
    m_readyCount = 0;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_lines.clear();
    }
    Connect();
    const uint64_t start = Now();
    EXPECT_TRUE(m_dlg->m_bWaitReady);
    EXPECT_TRUE(m_dlg->m_bStartPending);
    EXPECT_TRUE(m_dlg->m_bBusy) << "the window is locked during the handshake";
    // Up to the third try the schedule is the same for both devices.
    Elapse(14010);
    if (c.versionAsked) {
      // The answer arrives in real time; the version query leaves at the transmitter's next pass.
      ASSERT_TRUE(PumpUntil([&] { return m_dlg->m_strPendingCommand == CString(L"$PVRVer;1416\r"); }));
      EXPECT_FALSE(m_dlg->m_bWaitReady);
      EXPECT_FALSE(m_dlg->m_bStartPending);
    }
    Elapse(30000);
    std::vector<std::pair<std::string, uint64_t>> ready;
    for (const sessiontest::TimedLine& l : Lines()) {
      if (l.line == "AT^$PVRRdy" || l.line == "$PVRRdy") ready.emplace_back(l.line, l.ms - start);
    }
    EXPECT_EQ(ready, c.ready);
    EXPECT_EQ(CountLines("$PVRVer;1416"), c.versionAsked ? 1 : 0);
    EXPECT_FALSE(m_dlg->m_bWaitReady);
    Click(IDC_BTN_DISCONNECT);
    EXPECT_FALSE(m_dlg->m_bPortOpen);
  }
}

TEST_F(SessionTest, TypedCommandsEchoIsFilteredUntilTheFirstOtherLine) {
  sim.AddHandler([](const std::string& line, devsim::Responder& out) {
    if (line == "$PVRECHO") return out.Send("$PVRECHO\r\nANSWER ONE\r\n");
    if (line == "$PVRECHO2") return out.Send("$PVRECHO2\r\n");
    return false;
  });
  Connect();
  Type(L"$PVRECHO");
  Elapse(10);
  ASSERT_TRUE(PumpUntil([&] { return LogHas(L"ANSWER ONE"); }));
  EXPECT_EQ(LogCount(L"] $PVRECHO"), 1) << "the command as sent, not its echo";
  EXPECT_FALSE(m_dlg->m_bEchoFilter) << "another line followed the echo";

  // An echo that ends its delivery keeps the filter on for the next one.
  Type(L"$PVRECHO2");
  Elapse(10);
  ASSERT_TRUE(PumpUntil([&] { return m_dlg->m_bEchoSeen == TRUE; }));
  EXPECT_TRUE(m_dlg->m_bEchoFilter);
  ASSERT_TRUE(sim.Send("ANSWER TWO\r\n"));
  ASSERT_TRUE(PumpUntil([&] { return LogHas(L"ANSWER TWO"); })) << "shown while the filter is on";
  EXPECT_FALSE(m_dlg->m_bEchoFilter);
  // Without the filter a line goes to the reply parsers, which show no plain text.
  ASSERT_TRUE(sim.Send("ANSWER THREE\r\nerror mark\r\n"));
  ASSERT_TRUE(PumpUntil([&] { return LogHas(L"error mark"); }));
  EXPECT_FALSE(LogHas(L"ANSWER THREE"));
  EXPECT_EQ(LogCount(L"] $PVRECHO2"), 1);
}

TEST_F(SessionTest, SystemStartRestartsTheHandshakeOnlyBetweenSessionSteps) {
  m_readyFrom = 1;
  Connect();
  Elapse(10);
  ASSERT_TRUE(PumpUntil([&] { return m_dlg->m_strPendingCommand == CString(L"AT^$PVRVer;1416\r"); }));
  Elapse(10);
  ASSERT_EQ(m_readyCount.load(), 1);

  struct Case {
    const char* what;
    BOOL CBrelvanoDlg::*flag;  // set before the line arrives (null: none)
    bool restarts;
  };
  const Case cases[] = {
      {"between steps", nullptr, true},
      {"the user disconnected", &CBrelvanoDlg::m_bUserDisconnect, false},
      {"waiting for the ready reply", &CBrelvanoDlg::m_bWaitReady, false},
      {"a definition road runs", &CBrelvanoDlg::m_bDefinitionPending, false},
      {"the version is asked directly", &CBrelvanoDlg::m_bDirectVersion, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    m_dlg->m_bWaitReady = FALSE;
    if (c.flag != nullptr) (*m_dlg).*(c.flag) = TRUE;
    const int readyBefore = m_readyCount.load();
    ASSERT_TRUE(sim.Send("System Start\r\nerror mark\r\n"));
    ASSERT_TRUE(PumpUntil([&] { return LogHas(L"error mark"); }));
    EXPECT_FALSE(LogHas(L"System Start")) << "the line goes to no parser and not to the log";
    Elapse(10);
    // A marker command: everything sent before it has reached the device when it has.
    m_dlg->TransmitCommand(L"$PVRMARK\r");
    ASSERT_TRUE(PumpUntil([&] { return CountLines("$PVRMARK") > 0; }));
    EXPECT_EQ(m_readyCount.load() - readyBefore, c.restarts ? 1 : 0);
    EXPECT_EQ(m_dlg->m_nTabCount, 0) << "a restart appends no tabs";
    if (c.flag != nullptr) (*m_dlg).*(c.flag) = FALSE;
    // Let the restarted handshake finish before the next case.
    Elapse(20);
    PumpUntil([&] { return m_dlg->m_strPendingCommand.Find(L"Ver;1416") >= 0; }, 2000);
    Elapse(10);
    m_dlg->m_listLog.ResetContent();
    sim.ClearReceived();
    std::lock_guard<std::mutex> lock(m_mutex);
    m_lines.clear();
  }
}

TEST_F(SessionTest, ReplySplitAcrossDeliveriesIsOneLineAndAQuietRestIsALine) {
  Connect();
  ASSERT_TRUE(sim.Send("error part one"));
  ASSERT_TRUE(PumpUntil([&] { return m_dlg->m_strReceiveRest == CString(L"error part one"); }));
  EXPECT_FALSE(LogHas(L"error part one"));
  ASSERT_TRUE(sim.Send(" and two\r\n"));
  ASSERT_TRUE(PumpUntil([&] { return LogHas(L"error part one and two"); }));
  EXPECT_EQ(LogCount(L"error part"), 1);

  // A rest without carriage return is a line after 200 ms of quiet.
  ASSERT_TRUE(sim.Send("error rest"));
  ASSERT_TRUE(PumpUntil([&] { return !m_dlg->m_strReceiveRest.IsEmpty(); }));
  Elapse(190);
  EXPECT_FALSE(LogHas(L"error rest"));
  Elapse(10);
  EXPECT_TRUE(LogHas(L"error rest"));
  EXPECT_TRUE(m_dlg->m_strReceiveRest.IsEmpty());

  // Two lines in one delivery, and a line of two characters with its CR; "OK" alone is dropped.
  ASSERT_TRUE(sim.Send("error A\rerror B\rer\rOK"));
  ASSERT_TRUE(PumpUntil([&] { return LogHas(L"error B") && !m_dlg->m_strReceiveRest.IsEmpty(); }));
  EXPECT_TRUE(LogHas(L"] error A"));
  EXPECT_TRUE(LogHas(L"] er"));
  Elapse(200);
  EXPECT_FALSE(LogHas(L"] OK"));
}

// The device acts in the middle of a reply wait: the user disconnects, or the device is unplugged.
TEST_F(SessionTest, ReplyWaitEndsWhenTheSessionEnds) {
  struct Case {
    const char* what;
    bool unplug;
  };
  for (const Case& c : {Case{"Disconnect", false}, Case{"unplug", true}}) {
    SCOPED_TRACE(c.what);
    if (!sim.IsRunning()) {
      ASSERT_TRUE(sim.Start());
    }
    const HWND window = m_dlg->GetSafeHwnd();
    const HWND button = m_dlg->m_btnDisconnect.GetSafeHwnd();
    const bool unplug = c.unplug;
    devsim::DeviceSimulator* device = &sim;
    sim.AddHandler([window, button, unplug, device](const std::string& line, devsim::Responder&) {
      if (line != "$PVRRGEO") return false;
      if (unplug) {
        device->Unplug();
      } else {
        PostMessage(window, WM_COMMAND, MAKEWPARAM(IDC_BTN_DISCONNECT, BN_CLICKED), reinterpret_cast<LPARAM>(button));
      }
      return true;
    });
    Connect();
    ResetEvent(m_dlg->m_hGeofenceReadEvent);
    // A net under the test: should the wait not end with the session, this ends it a minute later.
    m_dlg->SetTimer(TIMER_GROUP_READ, 60000);
    m_dlg->QueueCommand(L"$PVRRGEO", 1);
    const unsigned generation = m_dlg->m_nSessionGeneration;
    EXPECT_FALSE(m_dlg->WaitForReply(m_dlg->m_hGeofenceReadEvent));
    EXPECT_NE(m_dlg->m_nSessionGeneration, generation);
    EXPECT_FALSE(m_dlg->m_bPortOpen);
    EXPECT_FALSE(m_dlg->m_bBusy);
    Elapse(70000);
    EXPECT_FALSE(m_dlg->m_bPortOpen);
  }
}

TEST_F(SessionTest, TransmitterRefusesOversizedCommandsAndWrapsForTheModem) {
  Connect();
  const CString hangul(static_cast<wchar_t>(0xD55C), 1);
  struct Case {
    const char* what;
    CString command;
    BOOL tunnel;
    bool sent;
  };
  auto repeat = [](const CString& unit, int n) {
    CString s;
    for (int i = 0; i < n; ++i) s += unit;
    return s;
  };
  // The limit counts the bytes that leave, carriage return and the tunnel's wrapping included.
  const Case cases[] = {
      {"1499 bytes", CString(L'A', 1498) + L"\r", FALSE, true},
      {"1500 bytes", CString(L'A', 1499) + L"\r", FALSE, false},
      {"1499 bytes with the tunnel's wrapping", CString(L'A', 1490) + L"\r", TRUE, true},
      {"1500 bytes with the tunnel's wrapping", CString(L'A', 1491) + L"\r", TRUE, false},
      {"749 two-byte characters", repeat(hangul, 749) + L"\r", FALSE, true},
      {"749 two-byte characters and one more", repeat(hangul, 749) + L"A\r", FALSE, false},
      {"the tunnel's form", CString(L"$PVRDIAG\r"), TRUE, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    g_bModemTunnel = c.tunnel;
    sim.ClearReceived();
    m_dlg->m_listLog.ResetContent();
    m_dlg->TransmitCommand(c.command);
    m_dlg->TransmitCommand(L"$PVRMARK\r");
    const std::string mark = c.tunnel ? "AT+VR=\"$PVRMARK\"" : "$PVRMARK";
    ASSERT_TRUE(sim.WaitForLine([&](const std::string& l) { return l == mark; }, sessiontest::kRealTimeoutMs))
        << sim.ReceivedBytes().size() << " bytes: " << sim.ReceivedBytes().substr(0, 40);
    const std::vector<std::string> lines = sim.ReceivedLines();
    EXPECT_EQ(lines.size(), c.sent ? 2u : 1u);
    EXPECT_EQ(m_dlg->m_listLog.GetItemData(0) == DWORD_PTR(RGB(255, 0, 0)), !c.sent) << "refusal in red";
    if (c.sent && lines.size() == 2) {
      std::string expected = platform::TextToBytes(CP_ACP, c.tunnel ? CBrelvanoDlg::WrapForModem(c.command) : c.command);
      if (!expected.empty() && expected.back() == '\r') expected.pop_back();
      EXPECT_EQ(lines[0], expected);
    }
  }
  EXPECT_EQ(sim.ReceivedBytes(), "AT+VR=\"$PVRDIAG\"\rAT+VR=\"$PVRMARK\"\r");

  // The raw write of the file download is never wrapped; the link adds the CR and frees the buffer.
  sim.ClearReceived();
  g_bModemTunnel = TRUE;
  wchar_t* raw = new wchar_t[3]{L'R', L'A', L'W'};
  m_dlg->TransmitRaw(raw, 3);
  ASSERT_TRUE(sim.WaitForLine([](const std::string& l) { return l == "RAW"; }, sessiontest::kRealTimeoutMs));
  EXPECT_EQ(sim.ReceivedBytes(), "RAW\r");
}

}  // namespace

namespace {

// The list sender on the real clock (its 100 ms reply watchdog would otherwise race the device).
class SessionRealClockTest : public SessionFixture {
 protected:
  SessionRealClockTest() : SessionFixture(false) {}
};

// A Disconnect while a command list waits for an answer ends the list: no further line is sent, the
// list is released, and the window is free.
TEST_F(SessionRealClockTest, DisconnectInTheMiddleOfACommandListEndsIt) {
  const HWND window = m_dlg->GetSafeHwnd();
  const HWND button = m_dlg->m_btnDisconnect.GetSafeHwnd();
  sim.AddHandler([window, button](const std::string& line, devsim::Responder& out) {
    if (line == "LIST1") {
      out.SendLine("$PVR;VRMCUDL;OK");  // the first line is acknowledged
      return true;
    }
    if (line == "LIST2") {
      PostMessage(window, WM_COMMAND, MAKEWPARAM(IDC_BTN_DISCONNECT, BN_CLICKED), reinterpret_cast<LPARAM>(button));
      return true;
    }
    return false;
  });
  Connect();
  auto* list = new CStringList;
  for (const wchar_t* line : {L"LIST1", L"LIST2", L"LIST3"}) list->AddTail(line);
  m_dlg->SendCommandListAndWait(list, 1);
  EXPECT_FALSE(m_dlg->m_bPortOpen);
  EXPECT_FALSE(m_dlg->m_bBusy);
  bool second = false;
  for (const std::string& line : sim.ReceivedLines()) {
    EXPECT_NE(line, "LIST3") << "nothing is sent after the session ended";
    if (line == "LIST2") second = true;
  }
  EXPECT_TRUE(second);
}

}  // namespace
