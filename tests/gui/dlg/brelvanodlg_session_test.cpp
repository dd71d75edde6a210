// The main window's session core without a device: the communication log (format, red lines and
// their side effects, the line cap), the reply watchdog, the session reset, the transmitter's one
// slot, the port-list report, and the small helpers (acknowledgements, upper case, geofence
// time-out, modem wrapping).
#include <gtest/gtest.h>

#include <functional>

#include <string>
#include <vector>

#include "gui/dlg/brelvanodlg.h"
#include "gui/dlg/settingdlg.h"
#include "mainwindow_fixture.h"
#include "platform/clock.h"
#include "platform/wnd.h"
#include "session_trace.h"

namespace {

class SessionCoreTest : public testsupport::MainWindowFixture {
 protected:
  void SetUp() override {
    MainWindowFixture::SetUp();
    SYSTEMTIME base{};
    base.wYear = 2026;
    base.wMonth = 3;
    base.wDay = 4;
    base.wHour = 13;
    base.wMinute = 5;
    base.wSecond = 9;
    m_clock.SetLocalTimeBase(base);
    platform::SetClock(&m_clock);
  }
  void TearDown() override {
    MainWindowFixture::TearDown();
    platform::SetClock(nullptr);
  }
  void Elapse(uint64_t ms) {
    m_clock.Advance(ms);
    platform::PumpPendingEvents();
  }
  static bool IsSet(HANDLE event) { return WaitForSingleObject(event, 0) == WAIT_OBJECT_0; }

  platform::ManualClock m_clock{5000};
};

TEST_F(SessionCoreTest, LogLinesCarryTheTimeAndErrorsAreRed) {
  CBrelvanoDlg* dlg = Open();
  struct Case {
    const wchar_t* text;
    BOOL showAll;
    std::vector<const wchar_t*> shown;  // lines after the time prefix
    bool red;
  };
  const Case cases[] = {
      {L"plain", TRUE, {L"plain"}, false},
      {L"plain hidden", FALSE, {}, false},
      {L"Error in reply", FALSE, {L"Error in reply"}, true},
      {L"value INVALID", TRUE, {L"value INVALID"}, true},
      {L"No Match Field Count", TRUE, {L"No Match Field Count"}, true},
      {L"$PVR;GEO;ERR", TRUE, {L"$PVR;GEO;ERR"}, true},
      {L"first\nsecond\n\n", TRUE, {L"first", L"second"}, false},
      {L"reply\r\n", TRUE, {L"reply"}, false},
      {L"AT^$PVRVR845PWD;1234", TRUE, {}, false},
      {L"$PVR;VR845PWD;Res;1", TRUE, {L"$PVR;VR845PWD;Res;1"}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << CString(c.text).ToUtf8());
    dlg->SendMessage(WM_COMMAND, ID_LOG_CLEAR, 0);  // the log's Clear command
    dlg->AddLogLine(c.text, c.showAll);
    ASSERT_EQ(dlg->m_listLog.GetCount(), static_cast<int>(c.shown.size()));
    for (size_t i = 0; i < c.shown.size(); ++i) {
      EXPECT_EQ(dlg->m_listLog.GetText(static_cast<int>(i)), CString(L"[ 13:05:09 ] ") + c.shown[i]);
      EXPECT_EQ(dlg->m_listLog.GetItemData(static_cast<int>(i)), c.red ? DWORD_PTR(RGB(255, 0, 0)) : DWORD_PTR(0));
    }
  }
}

TEST_F(SessionCoreTest, ErrorLinesEndReadsAndMarkTheProfileApply) {
  CBrelvanoDlg* dlg = Open();
  ResetEvent(dlg->m_hReadDoneEvent);
  dlg->AddLogLine(L"some error", TRUE);
  EXPECT_FALSE(IsSet(dlg->m_hReadDoneEvent)) << "no settings page and no profile read";
  EXPECT_FALSE(dlg->m_bReplyError);

  dlg->m_bProfileReading = TRUE;
  dlg->m_bTextProfileApplying = TRUE;
  dlg->m_tabPages.EnableWindow(FALSE);
  dlg->AddLogLine(L"plain", TRUE);
  EXPECT_FALSE(IsSet(dlg->m_hReadDoneEvent));
  dlg->AddLogLine(L"some error", FALSE);
  EXPECT_TRUE(IsSet(dlg->m_hReadDoneEvent));
  EXPECT_TRUE(dlg->m_bReplyError);
  EXPECT_TRUE(dlg->m_tabPages.IsWindowEnabled());

  // During a profile transfer the log takes nothing.
  const int before = dlg->m_listLog.GetCount();
  dlg->m_bProfileWriting = TRUE;
  dlg->AddLogLine(L"error while writing", TRUE);
  EXPECT_EQ(dlg->m_listLog.GetCount(), before);
}

TEST_F(SessionCoreTest, LogKeepsAboutFiveThousandLinesDroppingTheOldest) {
  CBrelvanoDlg* dlg = Open();
  for (int i = 0; i < 5003; ++i) {
    CString text;
    text.Format(L"line %d", i);
    dlg->AddLogLine(text, TRUE);
  }
  EXPECT_EQ(dlg->m_listLog.GetCount(), 5001);
  EXPECT_EQ(dlg->m_listLog.GetText(0), CString(L"[ 13:05:09 ] line 2"));
  EXPECT_EQ(dlg->m_listLog.GetText(5000), CString(L"[ 13:05:09 ] line 5002"));
  EXPECT_EQ(dlg->m_listLog.GetCurSel(), 5000) << "the newest line is selected";
  EXPECT_GT(dlg->m_listLog.GetHorizontalExtent(), 0);
}

TEST_F(SessionCoreTest, ReplyWatchdogGivesUpAtItsEighthExpiry) {
  CBrelvanoDlg* dlg = Open();
  HANDLE given[] = {dlg->m_hGeofenceReadEvent, dlg->m_hPolygonReadEvent, dlg->m_hReadDoneEvent,
                    dlg->m_hCommandAckEvent, dlg->m_hBleReadEvent};
  HANDLE kept[] = {dlg->m_hApListReadEvent, dlg->m_hDriverIdReadEvent};
  for (HANDLE e : given) ResetEvent(e);
  for (HANDLE e : kept) ResetEvent(e);
  dlg->m_tabPages.EnableWindow(FALSE);
  dlg->m_nWatchdogTicks = 0;
  dlg->SetTimer(TIMER_REPLY_WATCHDOG, 500);
  for (int i = 1; i <= 7; ++i) {
    Elapse(500);
    EXPECT_EQ(dlg->m_nWatchdogTicks, i);
  }
  for (HANDLE e : given) EXPECT_FALSE(IsSet(e));
  EXPECT_FALSE(dlg->m_bReplyTimeout);
  Elapse(500);
  EXPECT_TRUE(dlg->m_bReplyTimeout);
  EXPECT_EQ(dlg->m_nWatchdogTicks, 0);
  for (HANDLE e : given) EXPECT_TRUE(IsSet(e));
  for (HANDLE e : kept) EXPECT_FALSE(IsSet(e));
  EXPECT_TRUE(dlg->m_tabPages.IsWindowEnabled());
  Elapse(5000);
  EXPECT_EQ(dlg->m_nWatchdogTicks, 0) << "the watchdog stopped";
}

// A read the device does not answer ends when its timer expires (the group reads arm theirs when
// they start; the access-point read is armed by its tab).
TEST_F(SessionCoreTest, GroupReadTimersEndTheirReads) {
  CBrelvanoDlg* dlg = Open();
  struct Case {
    UINT_PTR timer;
    std::function<void()> start;
    std::vector<HANDLE> events;
  };
  const Case cases[] = {
      {TIMER_GROUP_READ, [dlg] { dlg->StartGeofenceRead(); }, {dlg->m_hGeofenceReadEvent, dlg->m_hPolygonReadEvent}},
      {TIMER_BLE_GROUP_READ, [dlg] { dlg->StartBleRead(); }, {dlg->m_hBleReadEvent}},
      {TIMER_AP_READ, [dlg] { dlg->SetTimer(TIMER_AP_READ, 5000); }, {dlg->m_hApListReadEvent}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.timer);
    for (HANDLE e : c.events) ResetEvent(e);
    c.start();
    Elapse(4999);
    for (HANDLE e : c.events) EXPECT_FALSE(IsSet(e));
    Elapse(1);
    for (HANDLE e : c.events) EXPECT_TRUE(IsSet(e));
  }
}

TEST_F(SessionCoreTest, ResetSessionStopsSessionTimersAndResetsEventsInPlace) {
  CBrelvanoDlg* dlg = Open();
  const HANDLE geofence = dlg->m_hGeofenceReadEvent;
  SetEvent(geofence);
  SetEvent(dlg->m_hCommandAckEvent);
  dlg->m_bAtPrefix = TRUE;
  dlg->m_bPortOpen = TRUE;
  dlg->m_bWaitReady = TRUE;
  dlg->m_bUserDisconnect = TRUE;
  dlg->m_strReceiveRest = L"partial";
  const unsigned generation = dlg->m_nSessionGeneration;
  dlg->SetTimer(TIMER_DIAG_POLL, 100);
  dlg->SetTimer(TIMER_READY_RETRY, 100);
  dlg->QueueCommand(L"queued", 1);

  dlg->ResetSession();
  EXPECT_EQ(dlg->m_nSessionGeneration, generation + 1);
  EXPECT_EQ(dlg->m_hGeofenceReadEvent, geofence) << "the same handle, reset";
  EXPECT_FALSE(IsSet(geofence));
  EXPECT_TRUE(IsSet(dlg->m_hCommandAckEvent)) << "the acknowledgement event keeps its state";
  EXPECT_FALSE(dlg->m_bAtPrefix);
  EXPECT_FALSE(dlg->m_bPortOpen);
  EXPECT_FALSE(dlg->m_bWaitReady);
  EXPECT_FALSE(dlg->m_bUserDisconnect);
  EXPECT_TRUE(dlg->m_strReceiveRest.IsEmpty());
  Elapse(1000);
  EXPECT_FALSE(dlg->m_bTransmitQueued);
  EXPECT_TRUE(dlg->m_strPendingCommand.IsEmpty())
      << "the command queued in the session went with it, and neither poll nor retry queued anything";
}

TEST_F(SessionCoreTest, EndSessionWithoutAPortLeavesTheWindowFree) {
  testsupport::SessionTrace trace;
  CBrelvanoDlg* dlg = Open();
  dlg->m_bBusy = TRUE;
  dlg->m_deviceInfo.strModel = L"VR835";
  dlg->EndSession();
  EXPECT_FALSE(dlg->m_bBusy);
  EXPECT_TRUE(dlg->m_deviceInfo.strModel.IsEmpty());
  EXPECT_TRUE(trace.Steps().empty()) << "nothing was running";
}

TEST_F(SessionCoreTest, QueueKeepsOneCommandAndSendsItAtTheNextPass) {
  CBrelvanoDlg* dlg = Open();
  dlg->QueueCommand(L"$PVRFIRST", 1);
  dlg->QueueCommand(L"$PVRSECOND", 1);
  EXPECT_EQ(dlg->m_strPendingCommand, CString(L"$PVRSECOND\r"));
  dlg->QueueCommand(L"$PVRTHIRD", 0);
  EXPECT_EQ(dlg->m_strPendingCommand, CString(L"$PVRTHIRD"));
  // Timers run at ten milliseconds at the shortest.
  Elapse(10);
  // Without a port the command only shows in the log as it leaves.
  int shown = 0;
  for (int i = 0; i < dlg->m_listLog.GetCount(); ++i) {
    const CString line = dlg->m_listLog.GetText(i);
    EXPECT_LT(line.Find(L"FIRST"), 0);
    EXPECT_LT(line.Find(L"SECOND"), 0);
    if (line.Find(L"] $PVRTHIRD") >= 0) ++shown;
  }
  EXPECT_EQ(shown, 1);
  EXPECT_EQ(dlg->m_strPendingCommand, CString(L"$PVRTHIRD")) << "the slot keeps its text";

  // A caller queuing several commands in a row sends the waiting one before it queues the next;
  // a command already sent is not sent again, and the timer does not repeat it.
  auto count = [&](const wchar_t* command) {
    int n = 0;
    for (int i = 0; i < dlg->m_listLog.GetCount(); ++i)
      if (dlg->m_listLog.GetText(i).Find(CString(L"] ") + command) >= 0) ++n;
    return n;
  };
  dlg->SendQueuedCommandNow();
  EXPECT_EQ(count(L"$PVRTHIRD"), 1);
  dlg->QueueCommand(L"$PVRFOURTH", 1);
  dlg->SendQueuedCommandNow();
  EXPECT_EQ(count(L"$PVRFOURTH"), 1) << "sent without waiting for the timer";
  dlg->QueueCommand(L"$PVRFIFTH", 1);
  Elapse(10);
  EXPECT_EQ(count(L"$PVRFOURTH"), 1);
  EXPECT_EQ(count(L"$PVRFIFTH"), 1);
}

TEST_F(SessionCoreTest, OversizedCommandIsRefusedWithAnErrorLine) {
  CBrelvanoDlg* dlg = Open();
  dlg->TransmitCommand(CString(L'A', 1500));
  ASSERT_EQ(dlg->m_listLog.GetCount(), 1);
  EXPECT_GE(dlg->m_listLog.GetText(0).Find(L"1500 bytes"), 0);
  EXPECT_EQ(dlg->m_listLog.GetItemData(0), DWORD_PTR(RGB(255, 0, 0)));
}

TEST_F(SessionCoreTest, PortListReportAddsEachNameOnce) {
  CBrelvanoDlg* dlg = Open();
  const int fixed = dlg->m_comboPort.GetCount();
  CArray<tagRS232_PortDef> ports;
  tagRS232_PortDef a;
  a.strPort = L"ttyS7";
  tagRS232_PortDef b;
  b.strPort = L"ttyS8";
  ports.Add(a);
  ports.Add(b);
  SerialStatus status;
  status.nCode = SERIAL_ST_PORT_LIST;
  status.pData = &ports;
  dlg->m_strComPort = L"ttyS8";
  dlg->SendMessage(WM_SERIAL_NOTIFY, 0, reinterpret_cast<LPARAM>(&status));
  dlg->SendMessage(WM_SERIAL_NOTIFY, 0, reinterpret_cast<LPARAM>(&status));
  EXPECT_EQ(dlg->m_comboPort.GetCount(), fixed + 2);
  CString chosen;
  dlg->m_comboPort.GetLBText(dlg->m_comboPort.GetCurSel(), chosen);
  EXPECT_EQ(chosen, CString(L"ttyS8"));

  // A stored name that is not listed falls back to item 1.
  dlg->m_strComPort = L"ttyGone";
  dlg->SendMessage(WM_SERIAL_NOTIFY, 0, reinterpret_cast<LPARAM>(&status));
  EXPECT_EQ(dlg->m_comboPort.GetCurSel(), 1);
  EXPECT_EQ(dlg->m_strComPort, CString(L"USB"));
}

TEST_F(SessionCoreTest, DeliveriesGoToTheLinesOnlyOutsideDownloadsAndProfileTransfers) {
  CBrelvanoDlg* dlg = Open();
  auto deliver = [&](const std::string& bytes) {
    std::string buffer = bytes;
    SerialStatus status;
    status.nCode = SERIAL_ST_DATA;
    status.nCount = static_cast<int>(buffer.size());
    status.pData = buffer.data();
    dlg->SendMessage(WM_SERIAL_NOTIFY, 0, reinterpret_cast<LPARAM>(&status));
  };
  struct Case {
    const char* what;
    BOOL CBrelvanoDlg::*flag;
    bool logged;
  };
  const Case cases[] = {
      {"XML download", &CBrelvanoDlg::m_bXmlDownload, false},
      {"JSON download", &CBrelvanoDlg::m_bJsonDownload, false},
      {"profile transfer", &CBrelvanoDlg::m_bProfileWriting, false},
      {"none", nullptr, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    dlg->m_listLog.ResetContent();
    if (c.flag != nullptr) (*dlg).*(c.flag) = TRUE;
    deliver("err\r");
    deliver("error line\r\n");
    // The conversion ends at the first zero byte.
    deliver(std::string("error two\r\0error hidden\r", 24));
    if (c.flag != nullptr) (*dlg).*(c.flag) = FALSE;
    EXPECT_EQ(dlg->m_listLog.GetCount(), c.logged ? 3 : 0);
    EXPECT_TRUE(dlg->m_strReceiveRest.IsEmpty());
  }
}

TEST_F(SessionCoreTest, StoredPortNameExistsAfterTheFirstStart) {
  CBrelvanoDlg* dlg = Open();
  EXPECT_TRUE(dlg->m_strComPort.IsEmpty());
  CAppRegSettings settings;
  settings.SetRegistryKey(kAppRegistryKeyName);
  EXPECT_EQ(settings.GetProfileString(nullptr, kRegValueComPort, L"missing"), CString());
  dlg->m_strComPort = L"ttyS3";
  dlg->SaveComPort();
  dlg->m_strComPort.Empty();
  dlg->LoadComPort();
  EXPECT_EQ(dlg->m_strComPort, CString(L"ttyS3"));
}

class TabActivationTest : public SessionCoreTest {
 protected:
  CBrelvanoDlg* OpenWithSettingsPage() {
    CBrelvanoDlg* dlg = Open();
    dlg->m_pSettingDlg = new CSettingDialog(dlg);
    EXPECT_TRUE(dlg->m_pSettingDlg->Create(CSettingDialog::IDD, dlg));
    return dlg;
  }
  LRESULT Activate(int nTab, const CString& title) {
    return m_dlg->SendMessage(WM_TAB_ACTIVATED, static_cast<WPARAM>(nTab), reinterpret_cast<LPARAM>(&title));
  }
  int Sent(const wchar_t* command) const {
    int n = 0;
    for (int i = 0; i < m_dlg->m_listLog.GetCount(); ++i)
      if (m_dlg->m_listLog.GetText(i).Find(CString(L"] ") + command) >= 0) ++n;
    return n;
  }
};

TEST_F(TabActivationTest, DiagnosisPollsUntilThePageLeavesTheView) {
  CBrelvanoDlg* dlg = OpenWithSettingsPage();
  Activate(0, dlg->m_language.LoadString(1027));
  EXPECT_EQ(dlg->m_nCmdTab, 0);
  Elapse(100);
  Elapse(10);
  EXPECT_EQ(Sent(L"$PVRDIAG"), 1) << "the first poll about 100 ms later";
  Elapse(2980);
  EXPECT_EQ(Sent(L"$PVRDIAG"), 1);
  Elapse(30);
  Elapse(10);
  EXPECT_EQ(Sent(L"$PVRDIAG"), 2) << "then every 3000 ms";
  dlg->SendMessage(WM_SETTINGS_PAGE_NOTIFY, 0, 0);
  Elapse(9000);
  EXPECT_EQ(Sent(L"$PVRDIAG"), 2) << "leaving the view stops the poll";

  // The Profile tab shows the page's profile view and polls nothing.
  Activate(1, dlg->m_language.LoadString(1028));
  EXPECT_TRUE(dlg->m_bProfilePage);
  Elapse(4000);
  EXPECT_EQ(Sent(L"$PVRDIAG"), 2);
}

TEST_F(TabActivationTest, ReadsOfTheDollarSet) {
  struct Case {
    const char* what;
    int type;
    int size;
    BOOL fileMode;
    BOOL up;
    const wchar_t* sent;  // null: nothing sent
    uint64_t endsAfterMs;  // clock time the activation took (at least)
    bool timeoutLogged;
  };
  const Case cases[] = {
      {"geofences of size 300 time out after 2100 ms", TAB_TYPE_GEOFENCE, 300, FALSE, FALSE, L"$PVRRGEO", 2100, true},
      {"geofences of size 200 time out after 1500 ms", TAB_TYPE_GEOFENCE, 200, FALSE, FALSE, L"$PVRRGEO", 1500, true},
      {"geofences of a file definition: nothing is read", TAB_TYPE_GEOFENCE, 300, TRUE, FALSE, nullptr, 0, false},
      {"BLE records in the $-set: nothing happens", TAB_TYPE_BLE, 10, FALSE, FALSE, nullptr, 0, false},
      {"access points end after 1500 ms", TAB_TYPE_PRESET, 0, FALSE, FALSE, L"AT^$PVRRAP", 1500, false},
      {"a numbered-set polygon read is bounded by the watchdog", TAB_TYPE_POLYGON, 0, FALSE, TRUE, nullptr, 4000,
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CBrelvanoDlg* dlg = OpenWithSettingsPage();
    g_bFileMode = c.fileMode;
    dlg->m_bUpProtocol = c.up;
    dlg->m_tabInfo[0].nType = c.type;
    dlg->m_tabInfo[0].nSize = c.size;
    dlg->m_tabInfo[0].strTitle = L"Page";
    const uint64_t start = m_clock.NowMs();
    Activate(0, L"Page");
    const uint64_t took = m_clock.NowMs() - start;
    EXPECT_GE(took, c.endsAfterMs);
    EXPECT_LT(took, c.endsAfterMs + 100);
    EXPECT_EQ(Sent(L"$PVRRGEO") + Sent(L"AT^$PVRRAP"), c.sent != nullptr ? 1 : 0);
    if (c.sent != nullptr) {
      EXPECT_EQ(Sent(c.sent), 1);
    }
    EXPECT_EQ(dlg->m_listLog.GetCount() > Sent(L"$") + Sent(L"AT^"), c.timeoutLogged);
    EXPECT_FALSE(dlg->m_bGeofenceReadTimeout) << "the activation took the time-out flag";
    m_dlg.reset();
  }
}

TEST_F(TabActivationTest, TabChangeWaitsForADownloadOrAPolygonListRead) {
  struct Case {
    const char* what;
    int downloadState;
    BOOL polygonListDone;
    UINT periodMs;  // the deferred activation is tried this often
  };
  const Case cases[] = {
      {"definition download", 1, TRUE, 2000},
      {"polygon list read", 0, FALSE, 1056},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CBrelvanoDlg* dlg = OpenWithSettingsPage();
    dlg->m_tabPages.InsertItem(0, L"Page");
    dlg->m_tabPages.SetCurSel(0);
    dlg->m_tabInfo[0].nType = TAB_TYPE_COMMAND;
    dlg->m_tabInfo[0].strTitle = L"Page";
    dlg->m_bAtPrefix = TRUE;  // a device whose pages are read only when nothing else runs
    dlg->m_nDownloadState = c.downloadState;
    dlg->m_bPolygonListDone = c.polygonListDone;
    LRESULT result = 1;
    dlg->OnTabSelChange(nullptr, &result);
    EXPECT_EQ(dlg->m_nCmdTab, -1) << "not activated yet";
    EXPECT_TRUE(dlg->m_tabPages.IsWindowEnabled());
    Elapse(c.periodMs);
    Elapse(c.periodMs);
    EXPECT_EQ(dlg->m_nCmdTab, -1) << "still waiting";
    dlg->m_nDownloadState = 0;
    dlg->m_bPolygonListDone = TRUE;
    Elapse(c.periodMs);
    EXPECT_EQ(dlg->m_nCmdTab, 0) << "activated once the other work ended";
    dlg->m_nCmdTab = -1;
    Elapse(c.periodMs * 3);
    EXPECT_EQ(dlg->m_nCmdTab, -1) << "and only once";
    m_dlg.reset();
  }
}

TEST_F(TabActivationTest, SessionResetEndsAWaitingActivation) {
  testsupport::SessionTrace trace;
  CBrelvanoDlg* dlg = OpenWithSettingsPage();
  dlg->m_tabInfo[0].nType = TAB_TYPE_GEOFENCE;
  dlg->m_tabInfo[0].nSize = 4000;
  // The session ends while the read waits (28 s time-out).
  dlg->SetTimer(TIMER_USB_REMOVED, 500);
  dlg->m_bPortOpen = TRUE;
  const uint64_t start = m_clock.NowMs();
  Activate(0, L"Geo");
  EXPECT_LT(m_clock.NowMs() - start, 1000u);
  EXPECT_FALSE(dlg->m_bPortOpen);
  ASSERT_FALSE(trace.Names().empty());
  EXPECT_EQ(trace.Names().back(), CString(L"EndSession"));
  Elapse(30000);
  EXPECT_FALSE(dlg->m_bGeofenceReadTimeout) << "the read's timer went with the session";
}

TEST_F(SessionCoreTest, SmallHelpers) {
  struct Ack {
    const wchar_t* reply;
    BOOL ack;
  };
  for (const Ack& a : {Ack{L"$PVR;Res;OK", TRUE}, Ack{L"SUCCESS", TRUE}, Ack{L"System Reboot Now", TRUE},
                       Ack{L"command disregarded", TRUE}, Ack{L"SendStatusReq", TRUE}, Ack{L"Invalid", TRUE},
                       Ack{L"BT", TRUE}, Ack{L"$PVR;Res;1", FALSE}, Ack{L"", FALSE}}) {
    EXPECT_EQ(CBrelvanoDlg::IsAcknowledgement(a.reply), a.ack) << CString(a.reply).ToUtf8();
  }
  struct Timeout {
    int size;
    UINT ms;
  };
  for (const Timeout& t : {Timeout{200, 1500}, Timeout{300, 2100}, Timeout{0, 1500}, Timeout{-5, 1500},
                           Timeout{214, 1500}, Timeout{215, 1505}, Timeout{4096, 28672}}) {
    EXPECT_EQ(CBrelvanoDlg::GeofenceReadTimeout(t.size), t.ms) << t.size;
  }
  struct Wrap {
    const wchar_t* command;
    const wchar_t* wrapped;
  };
  for (const Wrap& w : {Wrap{L"$PVRDIAG\r", L"AT+VR=\"$PVRDIAG\"\r"}, Wrap{L"AT^$PVRRdy", L"AT+VR=\"AT^$PVRRdy\"\r"},
                        Wrap{L"a\r\nb\n", L"AT+VR=\"ab\"\r"}, Wrap{L"", L"AT+VR=\"\"\r"}}) {
    EXPECT_EQ(CBrelvanoDlg::WrapForModem(w.command), CString(w.wrapped)) << CString(w.command).ToUtf8();
  }
  CBrelvanoDlg* dlg = Open();
  EXPECT_EQ(dlg->SafeMakeUpper(L"gdid;ab12"), CString(L"GDID;AB12"));
}

}  // namespace

namespace {

// A zone the device cannot give while a profile is read ends the wait for it, whatever the error
// word of the line; on the polygon tab the same reply goes to the zone parsers.
TEST_F(SessionCoreTest, AZoneErrorDuringAProfileReadEndsTheZoneWait) {
  CBrelvanoDlg* dlg = Open();
  dlg->m_defHeader.strS = L"$PVR;";
  dlg->m_tabInfo[0].nType = 1;
  dlg->m_tabInfo[1].nType = TAB_TYPE_POLYGON;
  struct Case {
    const char* name;
    int tab;
    BOOL profileReading;
    const wchar_t* line;
    bool eventSet;
  };
  const Case cases[] = {
      {"error word during a profile read", 0, TRUE, L"$PVR;PLC;Res;GetPolygonGroupInfo;3;Error", true},
      {"err in lower case during a profile read", 0, TRUE, L"$PVR;PLC;Res;GetPolygonGroupPos;3;err", true},
      {"no profile read", 0, FALSE, L"$PVR;PLC;Res;GetPolygonGroupInfo;3;Error", false},
      {"the service settings go to their parser", 0, TRUE, L"$PVR;PLC;Res;GetPolygonServiceInfo;1;0;7", true},
  };
  for (const Case& c : cases) {
    dlg->m_strLastCommand = L"$PVR;PLC;GetPolygonGroupInfo;3\r";
    dlg->m_strCmdHeader = L"PLC";
    dlg->m_nCmdTab = c.tab;
    dlg->m_bProfileReading = c.profileReading;
    ResetEvent(dlg->m_hPolygonReadEvent);
    dlg->ParseSetReply(c.line);
    EXPECT_EQ(IsSet(dlg->m_hPolygonReadEvent), c.eventSet) << c.name;
  }
  EXPECT_EQ(dlg->m_nPolygonServiceValue, 7);
  dlg->m_bProfileReading = FALSE;
}

}  // namespace
