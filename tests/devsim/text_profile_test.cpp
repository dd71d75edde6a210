// Text profiles of the numbered-parameter set against two simulated devices: the configuration of
// the first is saved (the file's bytes are checked), the second is connected and the profile is
// changed into it, after which both devices hold the same values and records and the pages show
// them. Refused and malformed profiles change nothing they should not.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "../gui/dlg/mainwindow_fixture.h"
#include "devsim/devsim.h"
#include "devsim/numbereddevice.h"
#include "devsim/trackerdevice.h"
#include "gui/dlg/bledlg.h"
#include "gui/dlg/geofencedlg.h"
#include "gui/dlg/settingdlg.h"
#include "platform/files.h"
#include "platform/pumpwait.h"

namespace {

constexpr DWORD kTimeoutMs = 20000;

// A generic tab (code 05: an edit, a check box, a combo, an edit), a geofence tab (code 50), a
// zone tab of three zones (code 53) and a BLE tab (code 41).
constexpr const char kDefinition[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<BRELVANO S=\"VR600\" I=\"UNIT1\" P=\"0000\" V=\"7\" D=\";\" R=\"RR\" cmd=\"$%s;%s\" res=\"$PVR;%s\">\n"
    "  <grp id=\"1\" tab_id=\"5\" title=\"General\" hdr=\"GEN\">\n"
    "    <item fid=\"Interval\" type=\"edit\" ID=\"1\"/>\n"
    "    <item fid=\"Ignition\" type=\"check box\" ID=\"2\"/>\n"
    "    <item fid=\"Mode\" type=\"combo\" ID=\"3\" num=\"2\"><ele>0</ele><ele>1</ele></item>\n"
    "    <item fid=\"Apn\" type=\"edit\" ID=\"4\"/>\n"
    "  </grp>\n"
    "  <grp id=\"6\" tab_id=\"50\" title=\"Zones\" hdr=\"GEO\" unit=\"1\" min=\"1\" max=\"50\">\n"
    "    <item fid=\"Latitude\" type=\"edit\"/>\n"
    "  </grp>\n"
    "  <grp id=\"19\" tab_id=\"53\" title=\"Areas\" hdr=\"PLG\" unit=\"1\" min=\"1\" max=\"3\" ptmax=\"100\">\n"
    "  </grp>\n"
    "  <grp id=\"40\" tab_id=\"41\" title=\"Tags\" hdr=\"BLE\" min=\"1\" max=\"5\">\n"
    "    <item fid=\"Active\" type=\"edit\"/>\n"
    "  </grp>\n"
    "</BRELVANO>\n";

// The same with an assignment page (code 30, assignment map 30/01) after the generic tab.
std::string WithAssignmentPage() {
  std::string xml = kDefinition;
  const std::string page =
      "  <grp id=\"1\" tab_id=\"30\" title=\"Inputs\" hdr=\"ASG\" type=\"assign\" map_id=\"3001\">\n"
      "    <item fid=\"In1\" type=\"sAssign\" ID=\"0\"/>\n"
      "    <item fid=\"In2\" type=\"sAssign\" ID=\"1\"/>\n"
      "  </grp>\n";
  xml.insert(xml.find("  <grp id=\"6\""), page);
  return xml;
}

struct Device {
  devsim::DeviceSimulator sim;
  devsim::NumberedDevice numbered{sim};
  devsim::TrackerDevice tracker{sim};
  void Prepare() {
    devsim::TrackerIdentity id;
    id.model = "VR600";
    id.version = "7";
    tracker.SetIdentity(id);
    tracker.SetUpProtocol(true);
  }
};

// The values of the first device's configuration (code, element, value).
struct Value {
  int code;
  int nn;
  const char* value;
};
constexpr Value kConfiguration[] = {
    {5, 1, "30"},
    {5, 3, "1"},
    {5, 4, "apn.net"},
    {50, 25, "816694E002C1B810012C0100"},
    {50, 26, "000F4240001E848000640100"},
    {41, 0, "01"},
    {41, 2, "01"},
};

class TextProfileTest : public testsupport::MainWindowFixture {
 protected:
  void SetUp() override {
    MainWindowFixture::SetUp();
    TolerateMissingAssignCsv();
    for (Device* d : {&first, &second}) {
      d->Prepare();
      ASSERT_TRUE(d->sim.Start()) << d->sim.LastError();
    }
    for (const Value& v : kConfiguration) first.numbered.SetValue(v.code, v.nn, v.value);
    first.numbered.SetValue(5, 2, "1");
    dlg = Open(9);
    ASSERT_NE(dlg, nullptr);
    m_folder.Write("Document/A_Param_7.xml", kDefinition);
    path = platform::GetCurrentFolder() + L"/saved.profile";
  }
  void TearDown() override {
    if (dlg != nullptr && dlg->m_bPortOpen) Click(IDC_BTN_DISCONNECT);
    m_dlg.reset();
    first.sim.Stop();
    second.sim.Stop();
    MainWindowFixture::TearDown();
  }
  void Click(int id) {
    dlg->SendMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(dlg->GetDlgItem(id)->GetSafeHwnd()));
  }
  // Connects to a device and waits until the walk has read every tab.
  void ConnectTo(Device& d) {
    if (dlg->m_bPortOpen) Click(IDC_BTN_DISCONNECT);
    const CString name = CString::FromUtf8(d.sim.PortName());
    for (int i = 0; i < dlg->m_comboPort.GetCount(); ++i) {
      CString item;
      dlg->m_comboPort.GetLBText(i, item);
      if (item == name) {
        dlg->m_comboPort.SetCurSel(i);
        dlg->m_strComPort = name;
      }
    }
    Click(IDC_BTN_CONNECT);
    ASSERT_TRUE(dlg->m_bPortOpen);
    ASSERT_TRUE(platform::PumpUntil([&] { return dlg->m_bReadAllDone && dlg->m_nTabCount > 0; }, kTimeoutMs));
  }
  std::string FileText() {
    std::string bytes;
    EXPECT_TRUE(platform::ReadWholeFile(path, bytes));
    return bytes;
  }
  PARAM_INFO* Param(int nTab, int position) {
    return static_cast<PARAM_INFO*>(dlg->m_pParamLists[nTab].GetAt(dlg->m_pParamLists[nTab].FindIndex(position)));
  }
  bool LogHas(const CString& text) {
    for (int i = 0; i < dlg->m_listLog.GetCount(); ++i)
      if (dlg->m_listLog.GetText(i).Find(text) >= 0) return true;
    return false;
  }
  LRESULT Change() {
    return dlg->SendMessage(WM_CHANGE_TEXT_PROFILE, 0, reinterpret_cast<LPARAM>(path.GetString()));
  }

  Device first;
  Device second;
  CBrelvanoDlg* dlg = nullptr;
  CString path;
};

TEST_F(TextProfileTest, AConfigurationSavedFromOneDeviceIsWrittenIntoAnotherAndBothHoldTheSameValues) {
  ConnectTo(first);
  dlg->SendMessage(WM_SAVE_TEXT_PROFILE, 0, reinterpret_cast<LPARAM>(path.GetString()));
  EXPECT_TRUE(LogHas(L"Profile Saved Successfully!"));
  // The check box is not part of a text profile; the values after it are.
  EXPECT_EQ(FileText(),
            "MODEL=VR600\r\nVERSION=7\r\n"
            "GEN,PRG;;05;01#30;03#1;04#apn.net\r\n"
            "GEO,PRG;;50;25#816694E002C1B810012C0100;26#000F4240001E848000640100\r\n"
            "BLE,PRG;;41;00#01;02#01\r\n");

  ConnectTo(second);
  EXPECT_EQ(Param(0, 2)->strValue, CString(L"NoData")) << "the second device starts without the values";
  second.numbered.ClearRequests();
  Change();
  EXPECT_TRUE(LogHas(L"Success To Change Profile"));
  EXPECT_EQ(second.numbered.Requests(),
            (std::vector<std::string>{"AT^PRG;;05;01#30;03#1;04#apn.net",
                                      "AT^PRG;;50;25#816694E002C1B810012C0100;26#000F4240001E848000640100",
                                      "AT^PRG;;41;00#01;02#01"}));
  for (const Value& v : kConfiguration) {
    SCOPED_TRACE(std::to_string(v.code) + "/" + std::to_string(v.nn));
    EXPECT_EQ(second.numbered.Value(v.code, v.nn), first.numbered.Value(v.code, v.nn));
  }
  // The pages show what was written: the combo after the check box, the geofences and the tags.
  EXPECT_EQ(Param(0, 0)->strValue, CString(L"30"));
  EXPECT_EQ(Param(0, 2)->strValue, CString(L"1"));
  EXPECT_EQ(Param(0, 3)->strValue, CString(L"apn.net"));
  ASSERT_NE(dlg->m_pGeofenceDlg, nullptr);
  EXPECT_EQ(dlg->m_pGeofenceDlg->m_pRecords[0].strLatitude, CString(L"-23.500000"));
  EXPECT_EQ(dlg->m_pGeofenceDlg->m_pRecords[1].strRadius, CString(L"100"));
  ASSERT_NE(dlg->m_pBleDlg, nullptr);
  EXPECT_TRUE(dlg->m_pBleDlg->m_pRecords[2].bActive);
  // The transfer is bracketed by the profile's start and end commands.
  const std::vector<std::string> lines = second.sim.ReceivedLines();
  EXPECT_NE(std::find(lines.begin(), lines.end(), "AT^$PVRPRFSTART"), lines.end());
  EXPECT_TRUE(platform::PumpUntil([&] {
    const std::vector<std::string> l = second.sim.ReceivedLines();
    return std::find(l.begin(), l.end(), "AT^$PVRPRFEND") != l.end();
  }, kTimeoutMs));
  EXPECT_TRUE(dlg->m_btnConnect.IsWindowEnabled());
}

TEST_F(TextProfileTest, ARefusedLineStopsTheChangeAndMalformedItemsAreLeftOut) {
  ConnectTo(second);
  // A zone index of 99, short geofence values and items without an element number: each is left
  // out on its own, the rest is applied.
  m_folder.Write("saved.profile",
                 "MODEL=VR600\r\nVERSION=7\r\n"
                 "GEO,PRG;;50;25#8166;26#000F4240001E848000640100;x#1\r\n"
                 "PLG,PRG;;53;99#030000\r\n"
                 "PLG,PRG;;53;01#0301\r\n"
                 "PLG,PRG;;53;02#030102\r\n"
                 "GEN,PRG;;05;01#45;04#\r\n"
                 "GEN,PRG;;05;03#0\r\n");
  Change();
  EXPECT_TRUE(LogHas(L"Success To Change Profile"));
  EXPECT_EQ(dlg->m_pGeofenceDlg->m_pRecords[0].strLatitude, CString()) << "the short item is left out";
  EXPECT_EQ(dlg->m_pGeofenceDlg->m_pRecords[1].strRadius, CString(L"100"));
  EXPECT_EQ(Param(0, 0)->strValue, CString(L"45"));
  ASSERT_NE(dlg->m_pPolygonTable, nullptr);
  EXPECT_EQ(dlg->m_pPolygonTable[1].nPointCount, 0) << "a zone value without its three fields is left out";
  EXPECT_EQ(dlg->m_pPolygonTable[2].nPointCount, 3);
  EXPECT_EQ(dlg->m_pPolygonTable[2].bUpRole2, 2);
  EXPECT_EQ(Param(0, 2)->strValue, CString(L"0")) << "the combo's item on a later line is found";

  // The device refuses the first line: nothing more is sent and the change fails.
  second.numbered.ClearRequests();
  second.numbered.RefuseNext(1);
  dlg->m_listLog.ResetContent();
  Change();
  EXPECT_EQ(second.numbered.Requests().size(), 1u);
  EXPECT_TRUE(LogHas(L"Fail To Change Profile"));
  EXPECT_FALSE(LogHas(L"Success To Change Profile"));
  EXPECT_TRUE(dlg->m_btnConnect.IsWindowEnabled());
  EXPECT_FALSE(dlg->m_bBusy);
}

TEST_F(TextProfileTest, AProfileOfAnotherModelWithoutItsHeaderOrNotTextIsRefusedAndNothingIsSent) {
  ConnectTo(second);
  const std::string body = "GEN,PRG;;05;01#77\r\n";
  const std::string whole = "MODEL=VR600\r\nVERSION=7\r\n" + body;
  std::string utf16;
  for (char c : whole) utf16 += std::string(1, c) + '\0';
  struct Case {
    const char* name;
    std::string text;
    const wchar_t* message;
  } cases[] = {
      {"another model", "MODEL=VR700\r\nVERSION=7\r\nGEN,PRG;;05;01#1\r\n", L"Profile Not Match Model"},
      {"another version", "MODEL= VR600 \r\nVERSION=8\r\nGEN,PRG;;05;01#1\r\n", L"Profile Not Match Version"},
      {"line feeds only", "MODEL=VR600\nVERSION=7\nGEN,PRG;;05;01#1\n", L"Profile Not Match Model"},
      {"no header lines", body + body + body, L"Profile Not Match Model"},
      {"no version line", "MODEL=VR600\r\n" + body + body, L"Profile Not Match Version"},
      {"empty", "", L"Profile Not Match Model"},
      {"UTF-16 without its mark", utf16, L"Invalid Profile!"},
      {"UTF-16 with its mark", "\xFF\xFE" + utf16, L"Invalid Profile!"},
      {"NUL bytes inside", "MODEL=VR600\r\nVERSION=7\r\n" + std::string(3, '\0') + body, L"Invalid Profile!"},
      {"not UTF-8", "MODEL=VR600\r\nVERSION=7\r\nGEN,PRG;;05;04#\xE7\xE3o\r\n", L"Invalid Profile!"},
      {"no lines after the header", "MODEL=VR600\r\nVERSION=7\r\n", L"Profile Empty Data"},
  };
  const CString before = Param(0, 0)->strValue;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    m_folder.Write("saved.profile", c.text);
    second.numbered.ClearRequests();
    second.sim.ClearReceived();
    platform::ModalService::Instance().ExpectMessageBox(IDOK);
    platform::ModalService::Instance().ClearRecords();
    Change();
    const std::vector<platform::ModalRecord> records = platform::ModalService::Instance().Records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].text, CString(c.message));
    EXPECT_TRUE(second.numbered.Requests().empty());
    EXPECT_TRUE(second.sim.ReceivedLines().empty()) << "the device receives nothing";
    EXPECT_EQ(Param(0, 0)->strValue, before) << "no value of the file is applied";
  }
}

TEST_F(TextProfileTest, AUserSavesLoadsAndChangesAProfileThroughTheProfileTab) {
  platform::ModalService& modal = platform::ModalService::Instance();
  auto showProfileTab = [&] {
    dlg->m_tabPages.SetCurSel(dlg->m_tabPages.GetItemCount() - 1);
    LRESULT result = 0;
    dlg->OnTabSelChange(nullptr, &result);
    ASSERT_TRUE(platform::PumpUntil(
        [&] {
          CWnd* load = dlg->m_pSettingDlg != nullptr ? dlg->m_pSettingDlg->GetDlgItem(IDC_SETTING_LOAD_PROFILE) : nullptr;
          return load != nullptr && load->IsWindowVisible();
        },
        kTimeoutMs))
        << "the Profile tab shows the profile row";
  };
  auto click = [&](int id) {
    CSettingDialog* page = dlg->m_pSettingDlg;
    page->SendMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(page->GetDlgItem(id)->GetSafeHwnd()));
  };
  auto pathField = [&] { return dlg->m_pSettingDlg->GetDlgItem(IDC_SETTING_PROFILE_PATH)->GetWindowText(); };

  ConnectTo(first);
  showProfileTab();
  modal.ExpectFileDialog(path);
  click(IDC_SETTING_SAVE_PROFILE);
  EXPECT_TRUE(LogHas(L"Profile Saved Successfully!"));
  EXPECT_EQ(pathField(), path) << "the saved profile is the chosen one";
  const std::string saved = FileText();
  EXPECT_NE(saved.find("GEN,PRG;;05;01#30;03#1;04#apn.net\r\n"), std::string::npos);

  // Saving over it again is asked first; Cancel leaves the file as it was.
  modal.ExpectFileDialog(path);
  modal.ExpectMessageBox(IDCANCEL);
  first.numbered.SetValue(5, 1, "99");
  modal.ClearRecords();
  click(IDC_SETTING_SAVE_PROFILE);
  ASSERT_EQ(modal.Records().size(), 2u);
  EXPECT_EQ(modal.Records()[1].text, CString(L"File Exists. Overwrite?"));
  EXPECT_EQ(FileText(), saved);

  ConnectTo(second);
  showProfileTab();
  EXPECT_EQ(pathField(), CString()) << "the row starts without a profile";
  modal.ExpectMessageBox(IDOK);
  modal.ClearRecords();
  click(IDC_SETTING_CHANGE_PROFILE);
  ASSERT_EQ(modal.Records().size(), 1u);
  EXPECT_EQ(modal.Records()[0].text, CString(L"Profile Not Found\nLoad Profile First"));

  modal.ExpectFileDialog(path);
  click(IDC_SETTING_LOAD_PROFILE);
  EXPECT_EQ(pathField(), path);
  click(IDC_SETTING_CHANGE_PROFILE);
  EXPECT_TRUE(LogHas(L"Success To Change Profile"));
  EXPECT_EQ(second.numbered.Value(5, 4), "apn.net");
  EXPECT_EQ(second.numbered.Value(50, 26), "000F4240001E848000640100");
}

TEST_F(TextProfileTest, ADeviceUnpluggedDuringASaveLeavesTheNextSessionWritingItsAssignmentPage) {
  m_folder.Write("Document/A_Param_7.xml", WithAssignmentPage());
  ConnectTo(first);
  // The device goes away while the save waits for its geofences.
  first.sim.ClearReceived();
  std::thread unplug([&] {
    if (first.sim.WaitForLine([](const std::string& l) { return l.rfind("AT^REQ;", 0) == 0 && l.find(";50;") != std::string::npos; },
                              static_cast<int>(kTimeoutMs)))
      first.sim.Unplug();
  });
  first.numbered.LoseNext(1);
  dlg->SendMessage(WM_SAVE_TEXT_PROFILE, 0, reinterpret_cast<LPARAM>(path.GetString()));
  unplug.join();
  ASSERT_TRUE(platform::PumpUntil([&] { return !dlg->m_bPortOpen; }, kTimeoutMs)) << "the unplug ended the session";
  EXPECT_FALSE(platform::FileExists(path)) << "no profile was written";

  ConnectTo(second);
  int assignTab = -1;
  for (int t = 0; t < dlg->m_nTabCount && assignTab < 0; ++t)
    if (dlg->m_tabInfo[t].bAssign == 1) assignTab = t;
  ASSERT_GE(assignTab, 0);
  dlg->m_tabPages.SetCurSel(assignTab);
  LRESULT result = 0;
  dlg->OnTabSelChange(nullptr, &result);
  ASSERT_TRUE(platform::PumpUntil([&] { return Param(assignTab, 1)->pValueWnd != nullptr; }, kTimeoutMs));
  auto* second_in = dynamic_cast<CButton*>(Param(assignTab, 1)->pValueWnd);
  ASSERT_NE(second_in, nullptr);
  second_in->SetCheck(BST_CHECKED);
  second.numbered.ClearRequests();
  CSettingDialog* page = dlg->m_pSettingDlg;
  page->SendMessage(WM_COMMAND, MAKEWPARAM(IDC_SETTING_SEND, BN_CLICKED),
                    reinterpret_cast<LPARAM>(page->GetDlgItem(IDC_SETTING_SEND)->GetSafeHwnd()));
  ASSERT_TRUE(platform::PumpUntil([&] {
    for (const std::string& l : second.numbered.Requests())
      if (l.rfind("AT^PRG;123456789012345;30;01#", 0) == 0) return true;
    return false;
  }, kTimeoutMs)) << "SEND on the assignment page writes its map to the device";
}

}  // namespace
