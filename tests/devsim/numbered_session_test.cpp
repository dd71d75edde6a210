// The numbered-parameter set against the simulated tracker, as a user meets it: Connect, the ESN
// road loads the Document folder's definition, the walk reads every tab (the device's record of
// requests is the expected REQ sequence), the pages show the device's values; SEND writes PRG lines
// and the model takes the values on the acknowledgement; silence, an answer without values and USP
// on the last tab each move or end the walk, leaving the window usable.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../gui/dlg/mainwindow_fixture.h"
#include "numbered_fixture.h"
#include "devsim/devsim.h"
#include "devsim/numbereddevice.h"
#include "devsim/trackerdevice.h"
#include "session_end.h"
#include "gui/dlg/brandingfiles.h"
#include "gui/dlg/geofencedlg.h"
#include "gui/dlg/settingdlg.h"
#include "platform/files.h"
#include "platform/pumpwait.h"

namespace {

using numberedtest::Definition;
using numberedtest::kTimeoutMs;
using numberedtest::NumberedSessionTest;
using numberedtest::Req;

TEST_F(NumberedSessionTest, TheWalkReadsEveryTabAndSendWritesTheChangedValues) {
  Connect();
  ASSERT_TRUE(WalkEnded());
  EXPECT_EQ(dlg->m_defHeader.strI, CString(L"123456789012345"));
  EXPECT_EQ(Reads(), (std::vector<std::string>{Req("05", 0, 19), Req("05", 20, 21), Req("50", 25, 44),
                                               Req("50", 45, 64), Req("50", 65, 74)}))
      << "the list page and the two appended tabs are not read";
  EXPECT_EQ(Param(0, 21)->strValue, CString(L"v21"));
  EXPECT_EQ(dlg->m_geofenceTable[0].strLatitude, CString(L"-23.500000"));
  EXPECT_TRUE(dlg->m_tabPages.IsWindowEnabled());
  EXPECT_FALSE(dlg->m_bBusy);

  // The first page is shown with the device's values; two of them change and SEND writes them.
  CSettingDialog* page = dlg->m_pSettingDlg;
  ASSERT_NE(page, nullptr);
  ASSERT_TRUE(platform::PumpUntil([&] { return Param(0, 0)->pValueWnd != nullptr; }, kTimeoutMs));
  Param(0, 1)->pValueWnd->SetWindowText(L"changed1");
  Param(0, 20)->pValueWnd->SetWindowText(L"changed20");
  device.ClearRequests();
  dlg->m_nCurTab = 0;
  page->SendPage();
  ASSERT_TRUE(platform::PumpUntil([&] { return device.Requests().size() >= 2 && !dlg->m_bMoreLines && Param(0, 20)->strValue == L"changed20"; },
                                  kTimeoutMs));
  const std::vector<std::string> writes = device.Requests();
  ASSERT_EQ(writes.size(), 2u);
  EXPECT_NE(writes[0].find(";01#changed1;02#v2"), std::string::npos) << writes[0];
  EXPECT_EQ(writes[1], "AT^PRG;123456789012345;05;20#changed20;21#v21");
  EXPECT_EQ(Param(0, 1)->strValue, CString(L"changed1"));
  EXPECT_EQ(device.Value(5, 20), "changed20");
}

TEST_F(NumberedSessionTest, SilenceAnEmptyAnswerAndUspOnTheLastTabNeverStallTheWalk) {
  struct Case {
    const char* name;
    int lose;
    bool empty;
    bool unsupported;
  } cases[] = {
      {"no answer to the first request", 1, false, false},
      {"an answer without values", 0, true, false},
      {"USP on the last tab", 0, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    device.ClearRequests();
    device.LoseNext(c.lose);
    device.SetEmptyReply(5, c.empty);
    device.SetUnsupported(50, c.unsupported);
    Connect();
    ASSERT_TRUE(WalkEnded());
    EXPECT_TRUE(dlg->m_tabPages.IsWindowEnabled());
    EXPECT_FALSE(dlg->m_bBusy);
    const std::vector<std::string> reads = Reads();
    ASSERT_FALSE(reads.empty());
    EXPECT_EQ(reads.back().substr(0, 26), c.unsupported ? Req("50", 25, 44).substr(0, 26) : Req("50", 65, 74).substr(0, 26));
    Click(IDC_BTN_DISCONNECT);
  }
}

}  // namespace

class NumberedSessionAfterFileTest : public NumberedSessionTest {};

// A definition file opened earlier in the run ends with its session: a device connected afterwards
// gets its geofences read when the tab opens, and SEND writes to it instead of saving locally.
TEST_F(NumberedSessionAfterFileTest, ADeviceConnectedAfterAnOpenedFileIsReadAndWritten) {
  m_folder.Write("Chosen_Param_UP.xml", Definition());
  platform::ModalService::Instance().ExpectFileDialog(m_folder.CPath("Chosen_Param_UP.xml"));
  Click(IDC_BTN_OPEN);
  ASSERT_GT(dlg->m_nTabCount, 0) << "the chosen file is loaded without a port";
  ASSERT_FALSE(dlg->m_bPortOpen);

  Connect();
  ASSERT_TRUE(WalkEnded());
  ASSERT_NE(dlg->m_pGeofenceDlg, nullptr);
  device.ClearRequests();
  ASSERT_TRUE(OpenTabOfType(dlg, TAB_TYPE_GEOFENCE));
  ASSERT_NE(dlg->m_pGeofenceDlg, nullptr);
  EXPECT_EQ(Reads(), (std::vector<std::string>{Req("50", 25, 44), Req("50", 45, 64), Req("50", 65, 74)}))
      << "the geofence list is read from the device";
  EXPECT_EQ(dlg->m_pGeofenceDlg->m_list.GetItemCount(), 1);
  EXPECT_EQ(dlg->m_pGeofenceDlg->m_pRecords[0].strLatitude, CString(L"-23.500000"));

  // The first page: one changed value, SEND, and the device holds it.
  ASSERT_TRUE(OpenTabOfType(dlg, 1));
  CSettingDialog* page = dlg->m_pSettingDlg;
  ASSERT_NE(page, nullptr);
  ASSERT_TRUE(platform::PumpUntil([&] { return Param(0, 0)->pValueWnd != nullptr; }, kTimeoutMs));
  Param(0, 3)->pValueWnd->SetWindowText(L"changed3");
  device.ClearRequests();
  ClickButton(page, IDC_SETTING_SEND);
  ASSERT_TRUE(platform::PumpUntil([&] { return device.Value(5, 3) == "changed3"; }, kTimeoutMs))
      << "the numbered SEND reaches the device";
  EXPECT_EQ(device.Requests().front().rfind("AT^PRG;123456789012345;05;00#v0", 0), 0u) << device.Requests().front();
}
namespace {

// An assignment tab first (its map goes out before its own lines), then a generic tab.
constexpr const char kAssignDefinition[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<BRELVANO S=\"VR600\" I=\"UNIT1\" P=\"0000\" V=\"7\" D=\";\" R=\"RR\" cmd=\"$%s;%s\" res=\"$PVR;%s\">\n"
    "  <grp id=\"1\" tab_id=\"7\" map_id=\"0701\" title=\"Inputs\" hdr=\"INP\" type=\"assign\">\n"
    "    <item fid=\"In1\" type=\"check box\" ID=\"0\"/>\n"
    "    <item fid=\"In2\" type=\"check box\" ID=\"1\"/>\n"
    "    <item fid=\"Level\" type=\"edit\" ID=\"2\"/>\n"
    "  </grp>\n"
    "  <grp id=\"1\" tab_id=\"5\" title=\"General\" hdr=\"GEN\">\n"
    "    <item fid=\"P0\" type=\"edit\" ID=\"0\"/>\n"
    "  </grp>\n"
    "</BRELVANO>\n";

class NumberedAssignSendTest : public NumberedSessionTest {
 protected:
  void SetUp() override {
    NumberedSessionTest::SetUp();
    m_folder.Write("Document/A_Param_7.xml", kAssignDefinition);
  }
};

// The session ends while SEND of an assignment tab waits for the device to take the map: the write
// ends with the page, and the program connects again and reads the device.
TEST_F(NumberedAssignSendTest, SendStopsWhenTheSessionEndsWhileTheMapIsWritten) {
  using testsupport::SessionEnd;
  for (SessionEnd how : {SessionEnd::Disconnect, SessionEnd::Unplug, SessionEnd::SystemStart, SessionEnd::CloseWindow}) {
    SCOPED_TRACE(testsupport::SessionEndName(how));
    ConnectAgain();
    if (HasFatalFailure()) return;
    CSettingDialog* page = dlg->m_pSettingDlg;
    ASSERT_NE(page, nullptr);
    ASSERT_TRUE(platform::PumpUntil([&] { return page->m_pParamList != nullptr && page->m_curTab.bAssign == 1; }, kTimeoutMs))
        << "the assignment tab is shown";
    const HWND pageWnd = page->GetSafeHwnd();
    testsupport::AtNextPump([this, how, pageWnd] { testsupport::EndSessionUnderPage(how, dlg, sim, pageWnd); });
    ClickButton(page, IDC_SETTING_SEND);
    EXPECT_EQ(CWnd::FromHandle(pageWnd), nullptr) << "the session ended inside SEND";
    if (how == SessionEnd::SystemStart) {
      ASSERT_TRUE(WalkEnded()) << "the device starts again and is read";
    }
  }
}

}  // namespace
