// A session owns its timers and its waits, against the simulated tracker on the manual clock: the
// diagnosis poll of an old session never writes into a restarted one, and stops when its page is
// left; bytes read under a port that has closed reach no session; every step of the definition road
// that waits for the device ends after its deadline with a log line and gives the window back; a
// retried first sub-file keeps the sub-files the device announced.
#include <QTimer>

#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/files.h"
#include "tracker_fixture.h"

namespace {

std::string Tab(const std::string& title, const std::string& hdr, const std::string& type = "1") {
  return "<grp id=\"" + type + "\" title=\"" + title + "\" hdr=\"" + hdr + "\">\r\n<item fid=\"" + title +
         " value\" type=\"edit\" ID=\"1\" max=\"8\" curr=\"x\"/>\r\n</grp>\r\n";
}

std::string Definition(const std::string& tabs) {
  return "<brelvano S=\"$T\" D=\";\" cmd=\"SHDC\" res=\"SDRDH\">\r\n" + tabs + "</brelvano>\r\n";
}

class SessionTimersTest : public sessiontest::TrackerFixture {
 protected:
  int TabTitled(const CString& title) const {
    for (int i = 0; i < m_dlg->m_tabPages.GetItemCount(); ++i)
      if (m_dlg->m_tabInfo[i].strTitle == title) return i;
    return -1;
  }
  // Picks a tab in the tab strip as the user does.
  void SelectTab(int tab) {
    m_dlg->m_tabPages.SetCurSel(tab);
    NMHDR notify{m_dlg->m_tabPages.GetSafeHwnd(), IDC_TAB_PAGES, TCN_SELCHANGE};
    m_dlg->SendMessage(WM_NOTIFY, IDC_TAB_PAGES, reinterpret_cast<LPARAM>(&notify));
  }
  // Lines the device received from the n-th on that hold the text.
  int CountFrom(size_t from, const std::string& text) const {
    const std::vector<std::string> lines = sim.ReceivedLines();
    int n = 0;
    for (size_t i = from; i < lines.size(); ++i) n += lines[i].find(text) != std::string::npos ? 1 : 0;
    return n;
  }
  size_t Received() const { return sim.ReceivedLines().size(); }
  // The log as one text (for a failure's message).
  std::string LogText() const {
    std::string text;
    for (const CString& line : LogLines()) text += line.ToUtf8() + "\n";
    return text;
  }
  // The window after a road that ended: the port closed, nothing locked.
  void ExpectGivenBack() {
    EXPECT_FALSE(m_dlg->m_bPortOpen);
    EXPECT_FALSE(m_dlg->m_bBusy) << "the wait cursor is gone";
    EXPECT_FALSE(m_dlg->m_bStartPending);
    EXPECT_TRUE(m_dlg->m_comboPort.IsWindowEnabled()) << "the user can connect again";
  }
};

// With the Diagnosis tab open the device starts again and its handshake goes slowly: the new
// session runs its own ready retries, and no poll of the old session writes into them.
TEST_F(SessionTimersTest, NoTimerOfTheOldSessionFiresInTheNewOne) {
  server.ServeXmlFile(Definition(Tab("General", "GEN") + Tab("Events", "EVT")));
  ConnectAs("VR600", "150");
  ASSERT_TRUE(Drive([&] { return Loaded(3); }, 10));
  const int diagnosis = TabTitled(L"Diagnosis");
  ASSERT_GE(diagnosis, 0);
  SelectTab(diagnosis);
  ASSERT_TRUE(Drive([&] { return CountFrom(0, "PVRDIAG") >= 1; }, 10)) << "the page polls";

  tracker.SetReadyAnswerFrom(0);
  const size_t before = Received();
  ASSERT_TRUE(tracker.SendSystemStart());
  ASSERT_TRUE(Drive([&] { return tracker.ReadyCount() >= 2; })) << "the handshake starts again";
  Run(20000);
  EXPECT_TRUE(PumpUntil([&] { return CountFrom(before, "PVRRdy") >= 3; })) << "the new session's own retries run";
  EXPECT_EQ(CountFrom(before, "PVRDIAG"), 0) << "the old session's poll ended with it";
}

// The user leaves Diagnosis for a zone tab whose read waits for the device: the poll stops with its
// page, and the read's wait hears nothing of it.
TEST_F(SessionTimersTest, ThePollStopsWhenItsPageIsLeft) {
  server.ServeXmlFile(Definition(Tab("General", "GEN") + Tab("Zones", "GEO", "6")));
  ConnectAs("VR600", "150");
  ASSERT_TRUE(Drive([&] { return Loaded(3) && m_dlg->m_pGeofenceDlg != nullptr; }, 10));
  SelectTab(TabTitled(L"Diagnosis"));
  ASSERT_TRUE(Drive([&] { return CountFrom(0, "PVRDIAG") >= 1; }, 10));

  tracker.SetIgnored("RGEO", true);
  const size_t before = Received();
  const uint64_t start = Now();
  // The clock runs on while the zone tab waits for its records (inside the tab change).
  QTimer clock;
  QObject::connect(&clock, &QTimer::timeout, [&] { m_clock->Advance(10); });
  clock.start(1);
  SelectTab(TabTitled(L"Zones"));
  ASSERT_TRUE(PumpUntil([&] { return Now() >= start + 10000; }));
  clock.stop();
  EXPECT_EQ(CountFrom(before, "PVRDIAG"), 0);
  EXPECT_GE(CountFrom(before, "RGEO"), 1);
}

// A close wakes the reader, which still hands over the bytes it read before: a "System Start" among
// them starts no session on the closed port, nor on the port opened after it.
TEST_F(SessionTimersTest, BytesReadUnderAClosedPortReachNoSession) {
  ConnectAs("VR600", "150");
  const unsigned closed = m_dlg->m_nPortGeneration;
  std::string bytes = "System Start\r\n";
  SerialStatus late;
  late.nCode = SERIAL_ST_DATA;
  late.nCount = static_cast<int>(bytes.size());
  late.pData = bytes.data();
  late.nExtra0 = static_cast<int>(closed);

  Click(IDC_BTN_DISCONNECT);
  ASSERT_FALSE(m_dlg->m_bPortOpen);
  m_dlg->SendMessage(WM_SERIAL_NOTIFY, 0, reinterpret_cast<LPARAM>(&late));
  EXPECT_FALSE(m_dlg->m_bStartPending) << "no session starts on a closed port";
  EXPECT_FALSE(m_dlg->m_bBusy) << "the window is not locked";

  Connect();
  const unsigned generation = m_dlg->m_nSessionGeneration;
  EXPECT_NE(m_dlg->m_nPortGeneration, closed);
  m_dlg->SendMessage(WM_SERIAL_NOTIFY, 0, reinterpret_cast<LPARAM>(&late));
  EXPECT_EQ(m_dlg->m_nSessionGeneration, generation) << "the new port's session goes on";
}

// The request for the next sub-file is lost: the download ends after its deadline.
TEST_F(SessionTimersTest, ALostSubFileRequestEndsTheDownloadWithALogLine) {
  server.ServeXmlSubFiles({{"GEN", Definition(Tab("General", "GEN"))}, {"EVT", Definition(Tab("Events", "EVT"))}});
  server.SetSilentAfter(1);
  ConnectAs("VR600", "5");
  ASSERT_TRUE(Drive([&] { return !m_dlg->m_bPortOpen; }, 10)) << "the session ends";
  EXPECT_TRUE(LogHas(L"did not answer AT^$ReqXmlPk;1;0 in time")) << LogText();
  ExpectGivenBack();
}

// The first sub-file gives no tab and is asked for again: the sub-files after it keep the numbers
// and sizes the device announced.
TEST_F(SessionTimersTest, ARetriedFirstSubFileKeepsTheAnnouncedSubFiles) {
  server.ServeXmlSubFiles({{"RPT_SET", Definition(Tab("Report settings", "RPT"))},
                           {"GEN", Definition(Tab("General", "GEN"))},
                           {"EVT", Definition(Tab("Events", "EVT"))},
                           {"SVC", Definition(Tab("Service", "SVC"))}});
  // A first copy of the announced size that holds no tab.
  const std::string general = Definition(Tab("General", "GEN"));
  std::string empty = "<brelvano S=\"$T\" D=\";\">";
  empty += std::string(general.size() - empty.size() - 11, ' ') + "</brelvano>";
  server.SetFirstCopy(1, empty);
  ConnectAs("VR600", "5");
  ASSERT_TRUE(Drive([&] { return Loaded(3) && !m_dlg->m_bXmlDownload && m_dlg->m_nDownloadState == 2; }, 10));
  ASSERT_EQ(RequestsLike("AT^$ReqXmlPk"),
            (std::vector<std::string>{"AT^$ReqXmlPk;1;0", "AT^$ReqXmlPk;1;0", "AT^$ReqXmlPk;2;0", "AT^$ReqXmlPk;3;0"}))
      << "every sub-file by its number on the device";
  EXPECT_EQ(m_dlg->m_tabInfo[0].strTitle, CString(L"General"));
  EXPECT_EQ(m_dlg->m_tabInfo[2].strTitle, CString(L"Service"));
  EXPECT_TRUE(m_dlg->m_bPortOpen);
}

// Each step of the JSON and identity roads that waits for the device ends after its deadline (or at
// once when it cannot go on) with a log line, and the window is usable again.
TEST_F(SessionTimersTest, EveryStepOfTheRoadsEndsWithALogLine) {
  struct Case {
    const char* what;
    std::function<void()> arrange;
    int json;
    const wchar_t* logged;
  };
  const Case cases[] = {
      {"the CSV request unanswered", [&] { tracker.SetIgnored("GetCsv", true); }, 1,
       L"did not answer AT^$PVRGetCsv in time"},
      {"the JSON request unanswered", [&] { tracker.SetIgnored("GetJson", true); }, 1,
       L"did not answer AT^$PVRGetJson in time"},
      {"the table cannot be stored",
       [&] {
         // A file where the Document folder should be.
         std::filesystem::remove_all(platform::GetCurrentFolder().ToUtf8() + "/Document");
         ASSERT_TRUE(platform::WriteWholeFile(platform::GetCurrentFolder() + L"/Document", "a file"));
       },
       1,
       L"not downloaded without its assignment header table"},
      {"the identity unanswered", [&] { tracker.SetUpProtocol(true); }, 0, L"did not answer AT^$ESN_READ in time"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    tracker.SetIgnored("GetCsv", false);
    tracker.SetIgnored("GetJson", false);
    tracker.SetUpProtocol(false);
    server.ServeJson("1,ID,Identifier", "{\"a\":1}", 1);
    c.arrange();
    m_dlg->m_listLog.ResetContent();
    ConnectAs("VR600", "5", c.json);
    ASSERT_TRUE(Drive([&] { return !m_dlg->m_bPortOpen; }, 10)) << "the session ends";
    EXPECT_TRUE(LogHas(c.logged)) << LogText();
    ExpectGivenBack();
    std::filesystem::remove_all(platform::GetCurrentFolder().ToUtf8() + "/Document");
  }
}

// The session ends while a step waits for the device: its deadline ends with it, and nothing of it
// reaches the next session.
TEST_F(SessionTimersTest, AStepsDeadlineEndsWithItsSession) {
  struct Case {
    const char* what;
    bool restart;  // the device starts again (else the user disconnects)
  };
  for (const Case& c : {Case{"Disconnect", false}, Case{"System Start", true}}) {
    SCOPED_TRACE(c.what);
    tracker.SetIgnored("GetCsv", true);
    tracker.SetReadyAnswerFrom(1);
    m_dlg->m_listLog.ResetContent();
    ConnectAs("VR600", "5", 1);
    ASSERT_TRUE(Drive([&] { return CountFrom(0, "PVRGetCsv") >= 1; }, 10)) << "the CSV is asked for";
    const int readyBefore = tracker.ReadyCount();
    if (c.restart) {
      // The restarted device stays silent: its handshake runs on its own timers.
      tracker.SetReadyAnswerFrom(0);
      ASSERT_TRUE(tracker.SendSystemStart());
      ASSERT_TRUE(Drive([&] { return tracker.ReadyCount() > readyBefore; }));
    } else {
      Click(IDC_BTN_DISCONNECT);
    }
    Run(2 * CBrelvanoDlg::kStepDeadlineMs);
    EXPECT_FALSE(LogHas(L"did not answer")) << LogText();
    EXPECT_EQ(m_dlg->m_bPortOpen, c.restart ? TRUE : FALSE) << "only the user's disconnect closes the port";
    if (m_dlg->m_bPortOpen) Click(IDC_BTN_DISCONNECT);
    sim.ClearReceived();
  }
}

}  // namespace
