// The status chain of the $-command set against the simulated tracker on the manual clock: each
// section's answer is waited for a bounded time, so a device that stops answering in the middle of
// the chain ends the session with a message and leaves the window free.
#include <memory>
#include <string>

#include "devsim/trackerdevice.h"
#include "session_fixture.h"

namespace {

using sessiontest::SessionFixture;

class StatusChainTest : public SessionFixture {
 protected:
  void SetUp() override {
    SessionFixture::SetUp();
    // After the recorder: every line is recorded before the tracker answers it.
    tracker = std::make_unique<devsim::TrackerDevice>(sim);
    devsim::TrackerIdentity id;
    id.model = "VR835";
    id.version = "32";
    id.voice = 1;
    tracker->SetIdentity(id);
  }
  // Moves the clock in small steps, the device's answers arriving in real time, until cond holds.
  bool StepUntil(const std::function<bool()>& cond) {
    for (int i = 0; i < 500; ++i) {
      Elapse(10);
      if (PumpUntil(cond, 20)) return true;
    }
    return false;
  }

  std::unique_ptr<devsim::TrackerDevice> tracker;
};

TEST_F(StatusChainTest, ADeviceSilentAfterTheNetworkSectionEndsTheSessionWithAMessage) {
  tracker->SetIgnored("RPT", true);
  Connect();
  ASSERT_TRUE(StepUntil([&] { return CountLines("AT^$PVRRPT") == 1; })) << "the chain asked for the second section";
  EXPECT_EQ(CountLines("AT^$PVRNTW"), 1);
  EXPECT_TRUE(m_dlg->m_bBusy) << "the window waits for the answer";
  const uint64_t asked = Now();

  Elapse(9000);
  EXPECT_TRUE(m_dlg->m_bPortOpen) << "still within the section's time";
  EXPECT_TRUE(m_dlg->m_bBusy);

  platform::ModalService& modal = platform::ModalService::Instance();
  modal.ClearRecords();
  modal.ExpectMessageBox(IDOK);
  Elapse(1100);
  ASSERT_EQ(modal.Records().size(), 1u);
  EXPECT_EQ(modal.Records()[0].text, CString(L"Connection Timeout."));
  EXPECT_LE(Now() - asked, 10100u);
  // The window is free again after the box, and Connect works.
  ASSERT_NE(m_dlg->GetSafeHwnd(), nullptr);
  EXPECT_FALSE(m_dlg->m_bPortOpen);
  EXPECT_FALSE(m_dlg->m_bBusy);
  EXPECT_TRUE(m_dlg->m_btnConnect.IsWindowEnabled());
  EXPECT_TRUE(m_dlg->m_comboPort.IsWindowEnabled());
  EXPECT_EQ(CountLines("AT^$PVREVT"), 0) << "nothing more was asked";
}

TEST_F(StatusChainTest, AnAnsweringDeviceRunsTheWholeChainWithoutATimeOut) {
  Connect();
  ASSERT_TRUE(StepUntil([&] { return CountLines("AT^$PVRADP") >= 1; }));
  for (const char* line : {"AT^$PVRNTW", "AT^$PVRRPT", "AT^$PVREVT", "AT^$PVRSVC", "AT^$PVRGSM", "AT^$GetMSen;850000"})
    EXPECT_EQ(CountLines(line), 1) << line;
  // The ADP answer loads the local definition: the Document folder holds none here, which ends the
  // session with its own message; no time-out follows it.
  platform::ModalService& modal = platform::ModalService::Instance();
  modal.ClearRecords();
  modal.ExpectMessageBox(IDOK);
  ASSERT_TRUE(StepUntil([&] { return !modal.Records().empty(); }));
  EXPECT_EQ(modal.Records()[0].text, CString(L"Cannot Find XML File"));
  Elapse(20000);
  EXPECT_EQ(modal.Records().size(), 1u) << "no time-out message after the chain ended";
}

}  // namespace
