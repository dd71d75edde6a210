// The commands that clear a whole table on the device (every polygon zone, every circular geofence)
// against the simulated tracker: the $-command set sends them after the definition's header token,
// the numbered-parameter set an empty line, and each is followed by a 500 ms pause of the program's
// clock.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "../platform/wait_util.h"
#include "device_window_fixture.h"
#include "devsim/devsim.h"
#include "devsim/numbereddevice.h"
#include "devsim/trackerdevice.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/pumpwait.h"

namespace {

constexpr DWORD kTimeoutMs = 20000;

constexpr const char kDollarDefinition[] =
    "<brelvano S=\"$T\" D=\";\" R=\"Res\" cmd=\"SHDC\" res=\"SDRDH\" V=\"1\">"
    "<grp id=\"1\" title=\"General\" hdr=\"GEN\">"
    "<item fid=\"APN\" type=\"edit\" curr=\"web\" max=\"20\"/>"
    "</grp>"
    "</brelvano>";

constexpr const char kNumberedDefinition[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<BRELVANO S=\"VR600\" I=\"UNIT1\" P=\"0000\" V=\"7\" D=\";\" R=\"RR\" cmd=\"$%s;%s\" res=\"$PVR;%s\">\n"
    "  <grp id=\"1\" tab_id=\"5\" title=\"General\" hdr=\"GEN\">\n"
    "    <item fid=\"Interval\" type=\"edit\" ID=\"1\"/>\n"
    "  </grp>\n"
    "</BRELVANO>\n";

class ClearCommandsTest : public testsupport::DeviceWindowFixture {
 protected:
  void ConnectDollarSet() {
    dlg->m_strModuleDir = platform::GetCurrentFolder() + L"/";
    ASSERT_TRUE(platform::CreateFolder(dlg->m_strModuleDir + L"Language XML"));
    ASSERT_TRUE(platform::WriteWholeFile(
        dlg->m_strModuleDir + L"Language XML/BrelvanoParam_VR835_AB_32_Voice_Eng.xml", kDollarDefinition));
    devsim::TrackerIdentity id;
    id.model = "VR835";
    id.version = "32";
    id.voice = 1;
    tracker.SetIdentity(id);
    Connect();
    ASSERT_TRUE(platform::PumpUntil(
        [&] { return dlg->m_nTabCount > 0 && !dlg->m_bDefinitionPending && dlg->m_tabPages.IsWindowEnabled(); },
        kTimeoutMs));
  }
  void ConnectNumberedSet() {
    TolerateMissingAssignCsv();
    devsim::TrackerIdentity id;
    id.model = "VR600";
    id.version = "7";
    tracker.SetIdentity(id);
    tracker.SetUpProtocol(true);
    m_folder.Write("Document/A_Param_7.xml", kNumberedDefinition);
    ASSERT_TRUE(ConnectToPort(dlg, CString::FromUtf8(sim.PortName())));
    ASSERT_TRUE(platform::PumpUntil([&] { return dlg->m_bReadAllDone && dlg->m_nTabCount > 0; }, kTimeoutMs));
  }
  // Runs the command on a clock the test holds; the program's time it took comes back, and the
  // bytes the device received once the queued command has gone out.
  std::string Run(const std::function<void(CBrelvanoDlg&)>& command, uint64_t& paused) {
    sim.ClearReceived();
    platform::ManualClock clock(platform::GetClock().NowMs());
    platform::SetClock(&clock);
    const uint64_t start = clock.NowMs();
    CBrelvanoDlg* window = dlg;
    command(*window);
    paused = clock.NowMs() - start;
    // The program's time moves on while the test waits, so the transmitter gets its turn.
    const bool sent = testutil::WaitUntil(
        [&] {
          clock.Advance(1);
          platform::PumpPendingEvents();
          return sim.ReceivedBytes().find('\r') != std::string::npos;
        },
        kTimeoutMs);
    platform::SetClock(nullptr);
    EXPECT_TRUE(sent) << "the command reached the device";
    return sim.ReceivedBytes();
  }

  devsim::NumberedDevice device{sim};
  devsim::TrackerDevice tracker{sim};
};

TEST_F(ClearCommandsTest, DollarSetSendsTheCommandsAfterTheHeaderTokenAndPauses) {
  ConnectDollarSet();
  struct Case {
    const char* name;
    std::function<void(CBrelvanoDlg&)> command;
    std::string bytes;
  } const cases[] = {
      {"every zone", [](CBrelvanoDlg& w) { w.SendEraseAllPolygons(); }, "$TPLC;;02;ErasePolygonGroup;A\r"},
      {"every circular geofence", [](CBrelvanoDlg& w) { w.SendInitCircleGeo(); }, "$TCMD;;02;InitCircleGeo\r"},
  };
  for (const Case& c : cases) {
    uint64_t paused = 0;
    EXPECT_EQ(Run(c.command, paused), c.bytes) << c.name;
    EXPECT_EQ(paused, 500u) << c.name;
  }
}

TEST_F(ClearCommandsTest, NumberedSetSendsAnEmptyLineAndPauses) {
  ConnectNumberedSet();
  const std::function<void(CBrelvanoDlg&)> commands[] = {[](CBrelvanoDlg& w) { w.SendEraseAllPolygons(); },
                                                          [](CBrelvanoDlg& w) { w.SendInitCircleGeo(); }};
  for (const auto& command : commands) {
    uint64_t paused = 0;
    EXPECT_EQ(Run(command, paused), "\r");
    EXPECT_EQ(paused, 500u);
  }
}

}  // namespace
