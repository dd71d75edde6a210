// SEND of a generic parameter page as a user does it, against the simulated $-set tracker over a
// pseudo-terminal: the device's definition tab is shown with its values, two of them are changed,
// SEND is pressed, the device receives exactly the framed command, and its ";Res" answer reaches
// the communication log.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "device_window_fixture.h"
#include "devsim/devsim.h"
#include "devsim/trackerdevice.h"
#include "gui/dlg/settingdlg.h"
#include "platform/files.h"
#include "platform/modal.h"
#include "platform/pumpwait.h"

namespace {

constexpr DWORD kTimeoutMs = 10000;

// The device's local definition: one tab of three parameters and a second, empty tab.
constexpr const char kDefinition[] =
    "<brelvano S=\"$T\" D=\";\" cmd=\"SHDC\" res=\"SDRDH\" V=\"1\">"
    "<grp id=\"1\" title=\"General\" hdr=\"GEN\">"
    "<item fid=\"Mode\" type=\"combo\" num=\"2\" curr=\"Off\"><ele>Off</ele><ele>On</ele></item>"
    "<item fid=\"APN\" type=\"edit\" curr=\"web\" max=\"20\"/>"
    "<item fid=\"Interval\" type=\"edit_number\" curr=\"30\"/>"
    "</grp>"
    "<grp id=\"1\" title=\"Report\" hdr=\"RPT\"></grp>"
    "</brelvano>";


class SettingPageSendTest : public testsupport::DeviceWindowFixture {
 protected:
  void SetUp() override {
    DeviceWindowFixture::SetUp();
    sim.AddHandler([](const std::string& line, devsim::Responder& out) {
      if (line.compare(0, 6, "$TGEN;") != 0) return false;
      out.SendLine("$T;Res;GEN;OK");
      return true;
    });
  }
  PARAM_INFO* Shown(int i) const {
    CSettingDialog* page = dlg->m_pSettingDlg;
    if (page == nullptr || page->m_pParamList == nullptr || page->m_pParamList->GetCount() <= i) return nullptr;
    return static_cast<PARAM_INFO*>(page->m_pParamList->GetAt(page->m_pParamList->FindIndex(i)));
  }

  devsim::TrackerDevice tracker{sim};
};

TEST_F(SettingPageSendTest, ChangedValuesReachTheDeviceAsOneFramedCommand) {
  ASSERT_TRUE(testsupport::HandlesMessage(*dlg, WM_SEND_TAB_COMMAND)) << "the main window takes the page commands";
  ASSERT_NO_FATAL_FAILURE(UseLocalDefinition(tracker, kDefinition));
  Connect();

  // The first tab is shown with the definition's values.
  ASSERT_TRUE(platform::PumpUntil([&] { return Shown(2) != nullptr && Shown(2)->pValueWnd != nullptr; }, kTimeoutMs))
      << "the settings page shows the first tab";
  ASSERT_TRUE(
      platform::PumpUntil([&] { return !dlg->m_bDefinitionPending && dlg->m_tabPages.IsWindowEnabled(); }, kTimeoutMs));
  auto* mode = dynamic_cast<CComboBox*>(Shown(0)->pValueWnd);
  ASSERT_NE(mode, nullptr);
  EXPECT_EQ(mode->GetLBText(mode->GetCurSel()), CString(L"Off"));
  EXPECT_EQ(Shown(1)->pValueWnd->GetWindowText(), CString(L"web"));

  // The user picks "On" and types another APN, then presses SEND.
  mode->SetCurSel(1);
  dlg->m_pSettingDlg->SendMessage(WM_COMMAND, MAKEWPARAM(mode->GetDlgCtrlID(), CBN_SELCHANGE),
                                  reinterpret_cast<LPARAM>(mode->GetSafeHwnd()));
  Shown(1)->pValueWnd->SetWindowText(L"internet");
  sim.ClearReceived();
  Click(dlg->m_pSettingDlg, IDC_SETTING_SEND);

  ASSERT_TRUE(platform::PumpUntil(
      [&] {
        for (const std::string& l : sim.ReceivedLines())
          if (l.compare(0, 6, "$TGEN;") == 0) return true;
        return false;
      },
      kTimeoutMs))
      << "the command reached the device";
  const std::vector<std::string> lines = sim.ReceivedLines();
  std::vector<std::string> commands;
  for (const std::string& l : lines)
    if (l.compare(0, 6, "$TGEN;") == 0) commands.push_back(l);
  EXPECT_EQ(commands, std::vector<std::string>{"$TGEN;1;internet;30"});
  EXPECT_NE(sim.ReceivedBytes().find("$TGEN;1;internet;30\r"), std::string::npos) << "one line, ended by CR";
  EXPECT_TRUE(platform::PumpUntil([&] { return LogHas(L"$T;Res;GEN;OK"); }, kTimeoutMs)) << "the answer is logged";

  // A value holding the delimiter would shift every later field: refused by name, nothing goes out.
  // A number typed with a comma goes out as the number typed.
  Shown(1)->pValueWnd->SetWindowText(L"a;b");
  Shown(2)->pValueWnd->SetWindowText(L"12,5");
  sim.ClearReceived();
  platform::ModalService::Instance().ExpectMessageBox(IDOK);
  Click(dlg->m_pSettingDlg, IDC_SETTING_SEND);
  const auto boxes = platform::ModalService::Instance().Records();
  ASSERT_FALSE(boxes.empty());
  EXPECT_NE(boxes.back().text.Find(L"APN"), -1) << "the message names the parameter";
  Shown(1)->pValueWnd->SetWindowText(L"web2");
  Click(dlg->m_pSettingDlg, IDC_SETTING_SEND);
  ASSERT_TRUE(platform::PumpUntil(
      [&] {
        for (const std::string& l : sim.ReceivedLines())
          if (l.compare(0, 6, "$TGEN;") == 0) return true;
        return false;
      },
      kTimeoutMs));
  commands.clear();
  for (const std::string& l : sim.ReceivedLines())
    if (l.compare(0, 6, "$TGEN;") == 0) commands.push_back(l);
  EXPECT_EQ(commands, std::vector<std::string>{"$TGEN;1;web2;12.5"}) << "nothing of the refused SEND";
}

}  // namespace
