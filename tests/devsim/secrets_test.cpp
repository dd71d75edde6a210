// Passwords as a user meets them against the simulated tracker: a password parameter typed on a
// page and sent, read from a numbered-set device and sent again, and the passphrase of an
// access-point preset read from the device never show in the communication log, the trace or the
// console; the device gets every value as typed.
#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

#include "device_window_fixture.h"
#include "devsim/devsim.h"
#include "devsim/numbereddevice.h"
#include "devsim/trackerdevice.h"
#include "gui/dlg/settingdlg.h"
#include "platform/pumpwait.h"
#include "platform/trace.h"

namespace {

constexpr DWORD kTimeoutMs = 20000;

// A $-set definition: a general tab with a password, an access-point preset tab with a passphrase.
constexpr const char kDefinition[] =
    "<brelvano S=\"$T\" D=\";\" cmd=\"SHDC\" res=\"SDRDH\" V=\"1\">"
    "<grp id=\"1\" title=\"General\" hdr=\"GEN\">"
    "<item fid=\"APN\" type=\"edit\" curr=\"web\" max=\"20\"/>"
    "<item fid=\"PIN\" type=\"passwd\" curr=\"\" max=\"20\"/>"
    "</grp>"
    "<grp id=\"26\" title=\"Access Points\" hdr=\"APS\">"
    "<item fid=\"No\" type=\"combo\" num=\"2\" curr=\"1\"><ele>1</ele><ele>2</ele></item>"
    "<item fid=\"SSID\" type=\"edit\" curr=\"\"/>"
    "<item fid=\"Key\" type=\"passwd\" curr=\"\"/>"
    "</grp>"
    "</brelvano>";

// A numbered-set definition whose general tab (code 05) has a password as element 01.
constexpr const char kNumberedDefinition[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<BRELVANO S=\"VR600\" I=\"UNIT1\" P=\"0000\" V=\"7\" D=\";\" R=\"RR\" cmd=\"$%s;%s\" res=\"$PVR;%s\">\n"
    "  <grp id=\"1\" tab_id=\"5\" title=\"General\" hdr=\"GEN\">\n"
    "    <item fid=\"APN\" type=\"edit\" ID=\"0\"/>\n"
    "    <item fid=\"PIN\" type=\"passwd\" ID=\"1\"/>\n"
    "  </grp>\n"
    "  <grp id=\"40\" tab_id=\"41\" title=\"Tags\" hdr=\"BLE\" min=\"1\" max=\"5\">\n"
    "    <item fid=\"Active\" type=\"edit\" ID=\"0\"/>\n"
    "    <item fid=\"Key\" type=\"passwd\" ID=\"1\"/>\n"
    "  </grp>\n"
    "</BRELVANO>\n";

// Everything the log, the trace and the console showed while the test ran.
class SecretsTest : public testsupport::DeviceWindowFixture {
 protected:
  void SetUp() override {
    DeviceWindowFixture::SetUp();
    m_traceSink = platform::AddTraceSink([this](const CString& t) { Keep(t); });
    m_stdoutSink = platform::AddStdoutSink([this](const CString& t) { Keep(t); });
  }
  void TearDown() override {
    platform::RemoveTraceSink(m_traceSink);
    platform::RemoveStdoutSink(m_stdoutSink);
    DeviceWindowFixture::TearDown();
  }
  void Keep(const CString& text) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_shown += text.ToUtf8() + "\n";
  }
  // What was shown that holds the text (the log, then the trace and console).
  std::string WhereShown(const std::string& secret) {
    std::string found;
    for (int i = 0; i < dlg->m_listLog.GetCount(); ++i) {
      const std::string line = dlg->m_listLog.GetText(i).ToUtf8();
      if (line.find(secret) != std::string::npos) found += "log: " + line + "\n";
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_shown.find(secret) != std::string::npos) found += "trace or console: ..." + m_shown.substr(m_shown.find(secret) > 60 ? m_shown.find(secret) - 60 : 0, 120) + "\n";
    return found;
  }
  PARAM_INFO* Param(int nTab, int position) const {
    return static_cast<PARAM_INFO*>(dlg->m_pParamLists[nTab].GetAt(dlg->m_pParamLists[nTab].FindIndex(position)));
  }
  bool Received(const std::string& line) const {
    for (const std::string& l : sim.ReceivedLines())
      if (l == line) return true;
    return false;
  }

  devsim::TrackerDevice tracker{sim};
  std::mutex m_mutex;
  std::string m_shown;
  int m_traceSink = 0;
  int m_stdoutSink = 0;
};

TEST_F(SecretsTest, APasswordSentAndAPassphraseReadNeverShow) {
  sim.AddHandler([](const std::string& line, devsim::Responder& out) {
    if (line.compare(0, 6, "$TGEN;") == 0) {
      out.SendLine("$T;Res;GEN;OK");
      return true;
    }
    if (line.find("$PVRRAP") != std::string::npos) {
      out.SendLine("$PVR;AP;Req;1;homenet;wifipass99");
      out.SendLine("$PVR;AP;Total;1");
      return true;
    }
    return false;
  });
  ASSERT_NO_FATAL_FAILURE(UseLocalDefinition(tracker, kDefinition));
  Connect();
  ASSERT_TRUE(platform::PumpUntil([&] { return dlg->m_nTabCount > 1 && Param(0, 1)->pValueWnd != nullptr; }, kTimeoutMs));
  ASSERT_TRUE(platform::PumpUntil([&] { return !dlg->m_bDefinitionPending && dlg->m_tabPages.IsWindowEnabled(); }, kTimeoutMs));

  // The user types the PIN and sends the page.
  Param(0, 1)->pValueWnd->SetWindowText(L"pin4711");
  Click(dlg->m_pSettingDlg, IDC_SETTING_SEND);
  ASSERT_TRUE(platform::PumpUntil([&] { return LogHas(L"$T;Res;GEN;OK"); }, kTimeoutMs)) << "the device answered";
  EXPECT_TRUE(Received("$TGEN;web;pin4711")) << "the device gets the PIN as typed";
  EXPECT_TRUE(LogHas(L"$TGEN;web;****")) << "the log shows the command, its PIN blanked";

  // The access-point tab reads the presets.
  int presets = -1;
  for (int i = 0; i < dlg->m_tabPages.GetItemCount(); ++i)
    if (dlg->m_tabInfo[i].nType == TAB_TYPE_PRESET) presets = i;
  ASSERT_GE(presets, 0);
  dlg->m_tabPages.SetCurSel(presets);
  dlg->OnTabSelChange(nullptr, nullptr);
  ASSERT_TRUE(platform::PumpUntil([&] { return dlg->m_nApTotal == 1; }, kTimeoutMs));
  ASSERT_GE(dlg->m_pSettingDlg->m_arrPresets.GetSize(), 1);
  EXPECT_GE(dlg->m_pSettingDlg->m_arrPresets.GetAt(0).Find(L"wifipass99"), 0) << "the page has the passphrase";

  EXPECT_EQ(WhereShown("pin4711"), "");
  EXPECT_EQ(WhereShown("wifipass99"), "");
}

class NumberedSecretsTest : public SecretsTest {
 protected:
  void SetUp() override {
    SecretsTest::SetUp();
    UseNumberedDefinition(tracker, kNumberedDefinition);
    device.SetValue(5, 0, "web");
    device.SetValue(5, 1, "pin4711");
  }
  devsim::NumberedDevice device{sim};
};

TEST_F(NumberedSecretsTest, APasswordReadAndSentNeverShows) {
  Connect();
  ASSERT_TRUE(platform::PumpUntil([&] { return dlg->m_bReadAllDone && dlg->m_nTabCount > 0; }, kTimeoutMs));
  bool read = false;
  for (const std::string& l : device.Requests()) read = read || l.rfind("AT^REQ;123456789012345;05;00,01", 0) == 0;
  EXPECT_TRUE(read) << "the device was asked for its PIN (the page keeps none it reads)";
  ASSERT_TRUE(platform::PumpUntil([&] { return Param(0, 1)->pValueWnd != nullptr; }, kTimeoutMs));

  Param(0, 1)->pValueWnd->SetWindowText(L"pin0815");
  dlg->m_nCurTab = 0;
  dlg->m_pSettingDlg->SendPage();
  ASSERT_TRUE(platform::PumpUntil([&] { return Param(0, 1)->strValue == L"pin0815"; }, kTimeoutMs));
  EXPECT_EQ(device.Value(5, 1), "pin0815") << "the device gets the PIN as typed";

  EXPECT_EQ(WhereShown("pin4711"), "");
  EXPECT_EQ(WhereShown("pin0815"), "");

  // A record tab's lines number their slots, not the elements of its columns: a password column
  // there hides no record (its value never goes into a record line).
  const CString record = L"AT^PRG;123456789012345;41;01#1A2B3C4D5E6F;02#0001";
  EXPECT_EQ(dlg->HideSecrets(record), record);
  EXPECT_EQ(dlg->HideSecrets(L"AT^PRG;123456789012345;05;00#web;01#pin4711"),
            CString(L"AT^PRG;123456789012345;05;00#web;01#****"));
}

}  // namespace
