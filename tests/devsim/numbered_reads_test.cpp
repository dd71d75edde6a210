// Reads of the numbered-parameter set against the simulated tracker when the device does not answer
// in step: a reply of another code that comes while a tab is read (late or unasked), a slow device
// whose group read runs past its time-out, one that falls silent in the middle of a read, a value
// holding '#', and list pages whose entry numbers are left empty.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include <QTimer>

#include "numbered_fixture.h"
#include "session_end.h"
#include "gui/dlg/geofencedlg.h"
#include "gui/dlg/settingdlg.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/pumpwait.h"

namespace {

using numberedtest::kTimeoutMs;
using numberedtest::Req;

constexpr const char kEsn[] = "123456789012345";

std::string Items(const char* fid, int count) {
  std::string xml;
  for (int i = 0; i < count; ++i)
    xml += "    <item fid=\"" + std::string(fid) + std::to_string(i) + "\" type=\"edit\" ID=\"" + std::to_string(i) + "\"/>\n";
  return xml;
}

// General (code 05, 22 values: two lines), Server (07, 3 values: one line), Long (06, 45 values:
// three lines), the three list pages, the geofences (their count given) and the BLE records (30).
std::string Definition(int geofences) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         "<BRELVANO S=\"VR600\" I=\"UNIT1\" P=\"0000\" V=\"7\" D=\";\" R=\"RR\" cmd=\"$%s;%s\" res=\"$PVR;%s\">\n"
         "  <grp id=\"1\" tab_id=\"5\" title=\"General\" hdr=\"GEN\">\n" + Items("P", 22) + "  </grp>\n"
         "  <grp id=\"1\" tab_id=\"7\" title=\"Server\" hdr=\"SRV\">\n" + Items("S", 3) + "  </grp>\n"
         "  <grp id=\"1\" tab_id=\"6\" title=\"Long\" hdr=\"LNG\">\n" + Items("L", 45) + "  </grp>\n"
         "  <grp id=\"22\" tab_id=\"18\" title=\"List Add\" hdr=\"LSA\">\n" + Items("A", 2) + "  </grp>\n"
         "  <grp id=\"22\" tab_id=\"18\" title=\"List Get\" hdr=\"LSG\">\n" + Items("G", 2) + "  </grp>\n"
         "  <grp id=\"22\" tab_id=\"18\" title=\"List Remove\" hdr=\"LSR\">\n" + Items("R", 2) + "  </grp>\n"
         "  <grp id=\"6\" tab_id=\"50\" title=\"Zones\" hdr=\"GEO\" unit=\"1\" min=\"1\" max=\"" + std::to_string(geofences) + "\">\n"
         "    <item fid=\"Latitude\" type=\"edit\"/>\n"
         "  </grp>\n"
         "  <grp id=\"40\" tab_id=\"41\" title=\"Beacons\" hdr=\"BLE\" min=\"1\" max=\"30\">\n"
         "    <item fid=\"Mac\" type=\"edit\"/>\n"
         "  </grp>\n"
         "</BRELVANO>\n";
}

constexpr const char kGeofence[] = "816694E002C1B810012C0100";

class NumberedReadsTest : public numberedtest::NumberedSessionTest {
 protected:
  void UseDefinition(int geofences) { m_folder.Write("Document/A_Param_7.xml", Definition(geofences)); }
  void Values(const std::string& tag) {
    for (int i = 0; i < 22; ++i) device.SetValue(5, i, tag + "g" + std::to_string(i));
    for (int i = 0; i < 3; ++i) device.SetValue(7, i, tag + "s" + std::to_string(i));
    for (int i = 0; i < 45; ++i) device.SetValue(6, i, tag + "l" + std::to_string(i));
  }
  // The values of a tab as the model holds them.
  std::vector<std::string> Model(int nTab) {
    std::vector<std::string> out;
    for (POSITION pos = dlg->m_pParamLists[nTab].GetHeadPosition(); pos != nullptr;)
      out.push_back(static_cast<PARAM_INFO*>(dlg->m_pParamLists[nTab].GetNext(pos))->strValue.ToUtf8());
    return out;
  }
  std::vector<std::string> Expected(const std::string& tag, const char* kind, int count) {
    std::vector<std::string> out;
    for (int i = 0; i < count; ++i) out.push_back(tag + kind + std::to_string(i));
    return out;
  }
  int LogCount(const wchar_t* text) {
    int n = 0;
    for (int i = 0; i < dlg->m_listLog.GetCount(); ++i)
      if (dlg->m_listLog.GetText(i).Find(text) >= 0) ++n;
    return n;
  }
  bool OpenTab(int nTab) {
    if (nTab < 0 || nTab >= dlg->m_tabPages.GetItemCount()) return false;
    dlg->m_tabPages.SetCurSel(nTab);
    dlg->OnTabSelChange(nullptr, nullptr);
    return true;
  }
  // The REQ lines of geofence codes (50-52, 91-98).
  std::vector<std::string> GeofenceReads() {
    std::vector<std::string> out;
    for (const std::string& l : Reads()) {
      const std::vector<std::string> f = devsim::SplitFields(l, ';');
      const int code = f.size() > 2 ? std::atoi(f[2].c_str()) : 0;
      if ((code >= 50 && code <= 52) || (code >= 91 && code <= 98)) out.push_back(l);
    }
    return out;
  }
};

// The walk asks General (two lines) and Server (one line); before one of those answers the device
// sends a reply of another code. The walk stays at its tab: every tab's values are stored, every
// line is asked once, and the log names the tab that was being read.
TEST_F(NumberedReadsTest, AReplyOfAnotherCodeLeavesTheWalkAtItsTab) {
  UseDefinition(50);
  const std::string esn = kEsn;
  struct Case {
    const char* name;
    int before;  // the code whose answer the unasked reply precedes
    std::string unasked;
    const wchar_t* logged;
  } cases[] = {
      {"a geofence reply during a two-line tab", 5, "RRE;" + esn + ";50;25#" + kGeofence, L"tab 1 (General)"},
      {"a BLE reply during a one-line tab", 7, "RRE;" + esn + ";41;00#01", L"tab 2 (Server)"},
      {"a zone reply during a two-line tab", 5, "RRE;" + esn + ";53;00#020000", L"tab 1 (General)"},
      {"a Gap/Group reply during a one-line tab", 7, "RRE;" + esn + ";45;00#000000000000000000000000", L"tab 2 (Server)"},
  };
  int row = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string tag = "r" + std::to_string(++row);
    Values(tag);
    device.ClearRequests();
    device.SendBeforeAnswer(c.before, c.unasked);
    Connect();
    ASSERT_TRUE(WalkEnded());
    EXPECT_EQ(Model(0), Expected(tag, "g", 22));
    EXPECT_EQ(Model(1), Expected(tag, "s", 3));
    const std::vector<std::string> reads = Reads();
    ASSERT_GE(reads.size(), 3u);
    EXPECT_EQ(std::vector<std::string>(reads.begin(), reads.begin() + 3),
              (std::vector<std::string>{Req("05", 0, 19), Req("05", 20, 21), Req("07", 0, 2)}));
    EXPECT_EQ(LogCount(c.logged), 1) << "the log names the tab that was read";
    Click(IDC_BTN_DISCONNECT);
  }
}

// A value holding '#' (a USSD code) is read back whole, and so is the line it stands in; a list
// entry's data may hold '#' and is written as it stands.
TEST_F(NumberedReadsTest, AValueHoldingAHashIsReadAndWrittenWhole) {
  UseDefinition(50);
  Values("h");
  device.SetValue(6, 25, "*100#");
  device.SetValue(5, 3, "#");
  Connect();
  ASSERT_TRUE(WalkEnded());
  std::vector<std::string> expected = Expected("h", "l", 45);
  expected[25] = "*100#";
  EXPECT_EQ(Model(2), expected) << "all three lines of the tab are stored";
  EXPECT_EQ(Model(0)[3], "#");

  ASSERT_TRUE(OpenTab(3));  // List Add
  CSettingDialog* page = dlg->m_pSettingDlg;
  ASSERT_TRUE(platform::PumpUntil([&] { return Param(3, 1)->pValueWnd != nullptr; }, kTimeoutMs));
  Param(3, 0)->pValueWnd->SetWindowText(L"5");
  Param(3, 1)->pValueWnd->SetWindowText(L"*100#");
  device.ClearRequests();
  ClickButton(page, IDC_SETTING_SEND);
  ASSERT_TRUE(platform::PumpUntil([&] { return !device.Requests().empty(); }, kTimeoutMs));
  EXPECT_EQ(device.Requests(), (std::vector<std::string>{"AT^PRG;" + std::string(kEsn) + ";18;04#*100#"}));
  EXPECT_EQ(device.Value(18, 4), "*100#");
}

// On Get and Remove pages every edit is an entry number: one left empty sends nothing at all.
TEST_F(NumberedReadsTest, AnEmptyEntryNumberOnAGetOrRemovePageSendsNothing) {
  UseDefinition(50);
  Connect();
  ASSERT_TRUE(WalkEnded());
  struct Case {
    const char* name;
    int tab;
    const wchar_t* first;
    const wchar_t* second;
  } cases[] = {
      {"Get, second empty", 4, L"3", L""},
      {"Get, first empty", 4, L"", L"3"},
      {"Remove, second empty", 5, L"3", L""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(OpenTab(c.tab));
    CSettingDialog* page = dlg->m_pSettingDlg;
    ASSERT_TRUE(platform::PumpUntil([&] { return Param(c.tab, 1)->pValueWnd != nullptr; }, kTimeoutMs));
    Param(c.tab, 0)->pValueWnd->SetWindowText(c.first);
    Param(c.tab, 1)->pValueWnd->SetWindowText(c.second);
    device.ClearRequests();
    const int refusals = LogCount(L"NOT INVALID");
    // A line sent would be waited for, inside SEND, until the device answered it.
    ClickButton(page, IDC_SETTING_SEND);
    EXPECT_TRUE(device.Requests().empty());
    EXPECT_EQ(LogCount(L"NOT INVALID"), refusals + 1);
  }
}

// Group reads from a slow or silent device (a suite of its own: its reads take seconds).
class NumberedSlowReadsTest : public NumberedReadsTest {};

// 200 geofences (eleven lines) from a device that answers each line 550 ms late: a read takes more
// than the 5 s of its timer and still reads every geofence, alone, right after the BLE tab (whose
// timer runs from its own start), and for a text profile.
TEST_F(NumberedSlowReadsTest, ASlowDeviceKeepsEveryGeofenceOfAGroupReadPastItsTimeOut) {
  UseDefinition(200);
  Values("s");
  device.SetValue(50, 25, kGeofence);
  device.SetValue(52, 24, kGeofence);
  Connect();
  ASSERT_TRUE(WalkEnded());
  const CString path = m_folder.CPath("slow.txt");
  struct Case {
    const char* name;
    bool bleFirst;
    bool profile;
  } cases[] = {
      {"the geofence tab", false, false},
      {"the geofence tab right after the BLE tab", true, false},
      {"a text profile save", false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.bleFirst) {
      ASSERT_TRUE(OpenTabOfType(dlg, TAB_TYPE_BLE));
    }
    dlg->m_geofenceTable[199].strLatitude.Empty();
    device.ClearRequests();
    device.SetAnswerDelayMs(550);
    const ULONGLONG start = GetTickCount64();
    if (c.profile) {
      dlg->SendMessage(WM_SAVE_TEXT_PROFILE, 0, reinterpret_cast<LPARAM>(path.GetString()));
    } else {
      ASSERT_TRUE(OpenTabOfType(dlg, TAB_TYPE_GEOFENCE));
    }
    const ULONGLONG took = GetTickCount64() - start;
    device.SetAnswerDelayMs(0);
    EXPECT_GT(took, 5000u) << "the read ran past its timer";
    const std::vector<std::string> lines = GeofenceReads();
    EXPECT_EQ(lines.size(), 11u);
    EXPECT_EQ(lines.empty() ? std::string() : lines.back(), Req("52", 20, 24));
    EXPECT_EQ(dlg->m_geofenceTable[199].strLatitude, CString(L"-23.500000")) << "geofence 200 is read";
    EXPECT_EQ(LogCount(L"were not read"), 0);
    if (c.profile) {
      std::string text;
      ASSERT_TRUE(platform::ReadWholeFile(path, text));
      EXPECT_NE(text.find(";52;24#" + std::string(kGeofence)), std::string::npos) << text;
    }
  }
}

// The device falls silent in the middle of a geofence read: 5 s after its last answer the read
// ends, the tab strip is usable, and the log says which geofences were not read.
TEST_F(NumberedSlowReadsTest, ASilentDeviceEndsAGroupReadSayingWhatWasNotRead) {
  UseDefinition(200);
  Connect();
  ASSERT_TRUE(WalkEnded());
  device.ClearRequests();
  device.SilentAfterAnswers(2);
  ASSERT_TRUE(OpenTabOfType(dlg, TAB_TYPE_GEOFENCE));
  device.SilentAfterAnswers(-1);
  EXPECT_EQ(Reads().size(), 3u);
  EXPECT_EQ(LogCount(L"geofences 41 to 200 were not read"), 1);
  EXPECT_TRUE(dlg->m_tabPages.IsWindowEnabled());
  // The next read starts at the first geofence.
  device.ClearRequests();
  ASSERT_TRUE(OpenTabOfType(dlg, TAB_TYPE_BLE));
  ASSERT_TRUE(OpenTabOfType(dlg, TAB_TYPE_GEOFENCE));
  ASSERT_FALSE(GeofenceReads().empty());
  EXPECT_EQ(GeofenceReads().front(), Req("50", 25, 44));
}

// The session ends while the geofence tab waits for a slow device's read: the activation returns
// with the page gone, and no timer of the ended read runs on.
TEST_F(NumberedSlowReadsTest, TheSessionEndsInsideASlowGroupRead) {
  UseDefinition(50);
  using testsupport::SessionEnd;
  for (SessionEnd how : {SessionEnd::Disconnect, SessionEnd::Unplug, SessionEnd::SystemStart, SessionEnd::CloseWindow}) {
    SCOPED_TRACE(testsupport::SessionEndName(how));
    ConnectAgain();
    if (HasFatalFailure()) return;
    ASSERT_NE(dlg->m_pGeofenceDlg, nullptr);
    const HWND pageWnd = dlg->m_pGeofenceDlg->GetSafeHwnd();
    device.ClearRequests();
    device.SetAnswerDelayMs(550);
    // Once the read has had its second line, the session ends.
    std::function<void()> endLater = [&] {
      if (GeofenceReads().size() < 2) {
        QTimer::singleShot(10, endLater);
        return;
      }
      testsupport::EndSessionUnderPage(how, dlg, sim, pageWnd);
    };
    testsupport::AtNextPump(endLater);
    OpenTabOfType(dlg, TAB_TYPE_GEOFENCE);
    EXPECT_EQ(CWnd::FromHandle(pageWnd), nullptr) << "the session ended inside the read";
    device.SetAnswerDelayMs(0);
    EXPECT_EQ(dlg->m_nGroupReadTimer, 0u) << "no timer of the ended read runs on";
    if (how == SessionEnd::SystemStart) {
      ASSERT_TRUE(WalkEnded()) << "the device starts again and is read";
    }
  }
}

}  // namespace
