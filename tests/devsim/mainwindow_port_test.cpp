// The main window against the simulated device on the real clock: the port selector lists it,
// Connect opens it and starts the handshake, a typed command reaches it and its answer shows in the
// log, Disconnect closes it, and an unplug ends the session without harm.
#include "session_fixture.h"

namespace {

class MainWindowPortTest : public sessiontest::SessionFixture {
 protected:
  MainWindowPortTest() : SessionFixture(false) {}
  void SetUp() override {
    SessionFixture::SetUp();
    sim.AddReply("AT^VER", {"VER,1.23"});
  }
  static CString StoredPort() {
    CAppRegSettings settings;
    settings.SetRegistryKey(kAppRegistryKeyName);
    return settings.GetProfileString(nullptr, kRegValueComPort);
  }
};

TEST_F(MainWindowPortTest, ConnectSendsCommandsShowsAnswersAndDisconnects) {
  Connect();
  EXPECT_EQ(StoredPort(), CString::FromUtf8(sim.PortName()));
  EXPECT_EQ(m_dlg->m_strComPort, CString::FromUtf8(sim.PortName()));
  EXPECT_TRUE(PumpUntil([&] { return CountLines("AT^$PVRRdy") == 1; })) << "the handshake starts once the port is ready";

  sim.ClearReceived();
  Type(L"AT^VER");
  EXPECT_TRUE(PumpUntil([&] { return CountLines("AT^VER") == 1; }));
  EXPECT_TRUE(PumpUntil([&] { return LogHas(L"VER,1.23"); }));
  EXPECT_EQ(sim.ReceivedBytes(), "AT^VER\r") << "one terminator";

  Click(IDC_BTN_DISCONNECT);
  EXPECT_FALSE(m_dlg->m_bPortOpen);
  // Commands sent while closed are kept in the slot and not written.
  sim.ClearReceived();
  m_dlg->QueueCommand(L"AT^VER", 1);
  EXPECT_TRUE(PumpUntil([&] { return LogHas(L"] AT^VER"); }));
  EXPECT_EQ(m_dlg->m_strPendingCommand, CString(L"AT^VER\r"));
  EXPECT_TRUE(sim.ReceivedBytes().empty());

  // The port opens again after a disconnect, and Connect on an open port reopens it.
  Click(IDC_BTN_CONNECT);
  EXPECT_TRUE(m_dlg->m_bPortOpen);
  Click(IDC_BTN_CONNECT);
  EXPECT_TRUE(m_dlg->m_bPortOpen);
}

TEST_F(MainWindowPortTest, TheLogFollowsItsNewestLineAsCommandsAndAnswersAlternate) {
  Connect();
  EXPECT_TRUE(PumpUntil([&] { return CountLines("AT^$PVRRdy") == 1; }));
  CListBox& log = m_dlg->m_listLog;
  for (int i = 1; i <= 40; ++i) {
    SCOPED_TRACE(i);
    const int before = log.GetCount();
    Type(L"AT^VER");
    ASSERT_TRUE(PumpUntil([&] { return log.GetCount() >= before + 2; })) << "the command and its answer are logged";
  }
  const int last = log.GetCount() - 1;
  EXPECT_EQ(log.GetText(last).Right(8), CString(L"VER,1.23"));
  EXPECT_EQ(m_dlg->m_nLogLines, log.GetCount()) << "every line is counted, the sent ones too";
  CRect client;
  log.GetClientRect(&client);
  const int rows = client.Height() / log.GetItemHeight(last);
  ASSERT_GT(rows, 0);
  ASSERT_LT(rows, last) << "the log holds more lines than it shows";
  const int top = log.GetTopIndex();
  EXPECT_LE(top, last);
  EXPECT_GT(top + rows, last) << "the newest line is in view";
  EXPECT_EQ(log.GetCurSel(), last);
}

TEST_F(MainWindowPortTest, ReceivedTextInCodePage949IsShown) {
  Connect();
  // "한" in code page 949, on a line the log shows (an error).
  ASSERT_TRUE(sim.Send("EVT error,\xC7\xD1\r\n"));
  EXPECT_TRUE(PumpUntil([&] { return LogHas(L"EVT error,\xD55C"); }));
}

TEST_F(MainWindowPortTest, UnplugEndsTheSession) {
  Connect();
  const unsigned generation = m_dlg->m_nSessionGeneration;
  sim.Unplug();
  EXPECT_TRUE(PumpUntil([&] { return !m_dlg->m_bPortOpen; }));
  EXPECT_EQ(m_dlg->m_nSessionGeneration, generation + 1) << "the session was ended once";
  EXPECT_TRUE(m_dlg->m_comboPort.IsWindowEnabled());
  // Writing after the loss is harmless.
  m_dlg->QueueCommand(L"AT^VER", 1);
  EXPECT_TRUE(PumpUntil([&] { return LogHas(L"] AT^VER"); }));
}

TEST_F(MainWindowPortTest, ConnectWithoutADeviceWaitsAndAGonePortIsReported) {
  // "USB" is chosen at start and no USB device is present: the window waits for one.
  Click(IDC_BTN_CONNECT);
  EXPECT_FALSE(m_dlg->m_bPortOpen);
  EXPECT_TRUE(m_dlg->m_bUsbReconnect);
  EXPECT_TRUE(m_dlg->m_bBusy);
  EXPECT_EQ(StoredPort(), CString()) << "nothing stored before a port was found";
  Click(IDC_BTN_DISCONNECT);
  EXPECT_FALSE(m_dlg->m_bUsbReconnect);
  EXPECT_FALSE(m_dlg->m_bBusy);

  // A listed port that has gone away: its entry is still in the store, its device node is not.
  // (The simulator's own pseudo-terminal can't stand for it: other processes take its number again
  // at once.) No one can make a node of this name.
  ASSERT_TRUE(platform::reg::SetString(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", L"\\Device\\Gone",
                                       L"pts/gone"));
  m_dlg->InitPortList();
  ASSERT_TRUE(SelectPort(L"pts/gone"));
  platform::ModalService::Instance().ExpectMessageBox(IDOK);
  Click(IDC_BTN_CONNECT);
  EXPECT_FALSE(m_dlg->m_bPortOpen);
  EXPECT_FALSE(m_dlg->m_bDirectVersion);
}

}  // namespace
