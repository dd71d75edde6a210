// XML profiles of the $-command set against two simulated devices: the first device is given new
// values with SEND (one holding '<', '"' and '&'), the profile is saved (its bytes are checked), the
// second device is connected and the profile changed into it, after which both hold the same
// values. A profile that is invalid or made for another buyer sends nothing.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "../gui/dlg/mainwindow_fixture.h"
#include "../platform/wait_util.h"
#include "devsim/devsim.h"
#include "devsim/geofencedevice.h"
#include "devsim/recordstore.h"
#include "devsim/setcommanddevice.h"
#include "devsim/trackerdevice.h"
#include "gui/dlg/geofencedlg.h"
#include "session_end.h"
#include "gui/dlg/profilexmltext.h"
#include "gui/dlg/settingdlg.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/pumpwait.h"

namespace {

constexpr DWORD kTimeoutMs = 10000;

// A generic page of three values, then the pages given.
std::string DefinitionWith(const char* pages) {
  return std::string("<brelvano S=\"$T\" D=\";\" R=\"Res\" cmd=\"SHDC\" res=\"SHDR\" V=\"1\">"
                     "<grp id=\"1\" title=\"General\" hdr=\"GEN\">"
                     "<item fid=\"Mode\" type=\"combo\" num=\"2\" curr=\"Off\"><ele>Off</ele><ele>On</ele></item>"
                     "<item fid=\"APN\" type=\"edit\" curr=\"web\" max=\"20\"/>"
                     "<item fid=\"Interval\" type=\"edit_number\" curr=\"30\"/>"
                     "</grp>") +
         pages + "</brelvano>";
}

constexpr const char kReportPage[] = "<grp id=\"1\" title=\"Report\" hdr=\"RPT\"></grp>";

// A page of driver identifiers and one of access points beside the generic page.
constexpr const char kListPages[] =
    "<grp id=\"21\" title=\"Drivers\" hdr=\"HAD\"><item fid=\"Driver\" type=\"edit\"/></grp>"
    "<grp id=\"26\" title=\"Access points\" hdr=\"APS\"><item fid=\"Preset\" type=\"edit\"/></grp>";

struct Device {
  devsim::DeviceSimulator sim;
  devsim::TrackerDevice tracker{sim};
  // Before the configuration, which would take the list writes as settings.
  devsim::RecordStore lists{sim};
  std::unique_ptr<devsim::SetCommandDevice> config;
  // Lists the device's geofences; installed after the configuration, which takes the geofence writes.
  std::unique_ptr<devsim::GeofenceDevice> geofences;
};

// A page of circular geofences (fields in the order of "DATGRIO").
constexpr const char kGeofencePage[] =
    "<grp id=\"6\" title=\"Geofence\" hdr=\"CGF\" max=\"10\" unit=\"0\" ord=\"DATGRIO\">"
    "<item fid=\"Latitude\" type=\"edit\" curr=\"\"/></grp>";

class XmlProfileTest : public testsupport::MainWindowFixture {
 protected:
  void SetUp() override {
    MainWindowFixture::SetUp();
    for (Device* d : {&first, &second}) {
      d->config = std::make_unique<devsim::SetCommandDevice>(d->sim, "$T", "Res");
      devsim::TrackerIdentity id;
      id.model = "VR835";
      id.version = "32";
      id.voice = 1;
      d->tracker.SetIdentity(id);
      ASSERT_TRUE(d->sim.Start()) << d->sim.LastError();
    }
    dlg = Open(9);
    ASSERT_NE(dlg, nullptr);
    dlg->m_strModuleDir = platform::GetCurrentFolder() + L"/";
    ASSERT_TRUE(platform::CreateFolder(dlg->m_strModuleDir + L"Language XML"));
    WriteDefinition(DefinitionWith(kReportPage));
    path = platform::GetCurrentFolder() + L"/saved.xml";
  }
  void TearDown() override {
    if (dlg != nullptr && dlg->m_bPortOpen) ClickButton(dlg, IDC_BTN_DISCONNECT);
    m_dlg.reset();
    first.sim.Stop();
    second.sim.Stop();
    MainWindowFixture::TearDown();
  }
  void ConnectTo(Device& d) {
    if (dlg->m_bPortOpen) ClickButton(dlg, IDC_BTN_DISCONNECT);
    ASSERT_TRUE(ConnectToPort(dlg, CString::FromUtf8(d.sim.PortName())));
    ASSERT_TRUE(platform::PumpUntil([&] { return Shown(2) != nullptr && Shown(2)->pValueWnd != nullptr; }, kTimeoutMs));
    ASSERT_TRUE(platform::PumpUntil([&] { return !dlg->m_bDefinitionPending && dlg->m_tabPages.IsWindowEnabled(); }, kTimeoutMs));
  }
  void WriteDefinition(const std::string& text) {
    ASSERT_TRUE(platform::WriteWholeFile(dlg->m_strModuleDir + L"Language XML/BrelvanoParam_VR835_AB_32_Voice_Eng.xml", text.c_str()));
  }
  PARAM_INFO* Shown(int i) const {
    CSettingDialog* page = dlg->m_pSettingDlg;
    if (page == nullptr || page->m_pParamList == nullptr || page->m_pParamList->GetCount() <= i) return nullptr;
    return static_cast<PARAM_INFO*>(page->m_pParamList->GetAt(page->m_pParamList->FindIndex(i)));
  }
  bool LogHas(const CString& text) const {
    for (int i = 0; i < dlg->m_listLog.GetCount(); ++i)
      if (dlg->m_listLog.GetText(i).Find(text) >= 0) return true;
    return false;
  }
  static std::vector<std::string> ProfileLines(const Device& d) {
    std::vector<std::string> out;
    for (const std::string& c : d.config->Commands())
      if (c.find("PRF") == std::string::npos) out.push_back(c);
    return out;
  }
  // Saves with the program's time on a clock that moves as the save waits (the read limits pass at
  // once), until the log shows endText (false when it does not within 20 s of real time); waited
  // is the program's time the save took.
  bool SaveOnManualClock(const CString& endText, uint64_t& waited) {
    platform::ManualClock clock(platform::GetClock().NowMs());
    platform::SetClock(&clock);
    const uint64_t start = clock.NowMs();
    dlg->PostMessage(WM_SAVE_XML_PROFILE, 0, reinterpret_cast<LPARAM>(path.GetString()));
    const bool ended = testutil::WaitUntil([&] {
      platform::PumpPendingEvents();
      return LogHas(endText);
    }, 20000);
    waited = clock.NowMs() - start;
    platform::SetClock(nullptr);
    return ended;
  }
  void Change() { dlg->SendMessage(WM_CHANGE_XML_PROFILE, 0, reinterpret_cast<LPARAM>(path.GetString())); }

  Device first;
  Device second;
  CBrelvanoDlg* dlg = nullptr;
  CString path;
};

TEST_F(XmlProfileTest, ValuesWithMarkupCharactersSurviveASaveAndAChangeIntoAnotherDevice) {
  ConnectTo(first);
  auto* mode = dynamic_cast<CComboBox*>(Shown(0)->pValueWnd);
  ASSERT_NE(mode, nullptr);
  mode->SetCurSel(1);
  dlg->m_pSettingDlg->SendMessage(WM_COMMAND, MAKEWPARAM(mode->GetDlgCtrlID(), CBN_SELCHANGE),
                                  reinterpret_cast<LPARAM>(mode->GetSafeHwnd()));
  Shown(1)->pValueWnd->SetWindowText(L"a<b\"c&d");
  ClickButton(dlg->m_pSettingDlg, IDC_SETTING_SEND);
  ASSERT_TRUE(platform::PumpUntil([&] { return Shown(1)->strValue == L"a<b\"c&d"; }, kTimeoutMs)) << "the device took the values";
  EXPECT_EQ(first.config->Body("GEN"), "1;a<b\"c&d;30");

  dlg->SendMessage(WM_SAVE_XML_PROFILE, 0, reinterpret_cast<LPARAM>(path.GetString()));
  EXPECT_TRUE(LogHas(L"Profile Saved Successfully!"));
  const DEVICE_INFO& info = dlg->m_deviceInfo;
  const CString expected = L"<?xml version=\"1.0\"?>\r\n\t<profile model=\"" + info.strModel + L"\" buyer=\"" + info.strBuyer +
                           L"\" protocol=\"" + info.strProtocol + L"\" ver=\"" + info.strVersion +
                           L"\">\r\n"
                           L"\t\t<grp hdr=\"GEN\">\r\n\t\t\t<ele>1</ele>\r\n\t\t\t<ele>a&lt;b&quot;c&amp;d</ele>\r\n"
                           L"\t\t\t<ele>30</ele>\r\n\t\t</grp>\r\n\t\t<grp hdr=\"RPT\">\r\n\t\t</grp>\r\n\t</profile>\r\n";
  std::string bytes;
  ASSERT_TRUE(platform::ReadWholeFile(path, bytes));
  EXPECT_EQ(bytes, "\xFF\xFE" + ToUtf16LeBytes(expected));

  ConnectTo(second);
  Change();
  ASSERT_TRUE(platform::PumpUntil([&] { return !dlg->m_bProfileWriting; }, kTimeoutMs));
  EXPECT_TRUE(LogHas(L"Success To Change Profile"));
  // The empty Report group is sent as its bare header, as the device has always received it.
  EXPECT_EQ(ProfileLines(second), (std::vector<std::string>{"$TGEN;1;a<b\"c&d;30", "$TRPT;"}));
  EXPECT_EQ(second.config->Body("GEN"), first.config->Body("GEN"));
  EXPECT_EQ(Shown(1)->strValue, CString(L"a<b\"c&d"));
  EXPECT_TRUE(dlg->m_btnConnect.IsWindowEnabled());
}

TEST_F(XmlProfileTest, AnInvalidOrForeignProfileShowsWhyAndSendsNothing) {
  ConnectTo(second);
  // A whole profile of this device, and broken copies of it: none may send a line.
  const std::string whole = "<profile buyer=\"ab\" protocol=\"GEN\" ver=\"32\"><grp hdr=\"GEN\"><ele>1</ele>"
                            "<ele>web</ele><ele>30</ele><ele>5</ele></grp></profile>";
  const std::string cut = whole.substr(0, whole.find("<ele>5"));
  struct Case {
    const char* name;
    std::string text;
    const wchar_t* message;
  } cases[] = {
      {"cut after its third element", cut, L"Invalid Profile!"},
      {"cut inside a tag", whole.substr(0, whole.find("</grp>") + 3), L"Invalid Profile!"},
      {"empty", "", L"Invalid Profile!"},
      {"garbage", "\x89PNG\r\n\x1a\n binary", L"Invalid Profile!"},
      {"UTF-16 without its mark", ToUtf16LeBytes(CString::FromUtf8(whole)), L"Invalid Profile!"},
      {"NUL bytes inside", cut + std::string(4, '\0') + whole.substr(cut.size()), L"Invalid Profile!"},
      {"an element out of place after a good group",
       "<profile buyer=\"ab\" protocol=\"GEN\" ver=\"32\"><grp hdr=\"GEN\"><ele>1</ele></grp><grp hdr=\"RPT\"><bad/></grp></profile>",
       L"Invalid Profile!"},
      {"another buyer", "<profile buyer=\"XY\"><grp hdr=\"GEN\"><ele>1</ele></grp></profile>", L"Wrong Profile"},
      {"no buyer", "<profile><grp hdr=\"GEN\"><ele>1</ele></grp></profile>", L"Invalid Profile!"},
      {"another root", "<config buyer=\"AB\"><grp hdr=\"GEN\"><ele>1</ele></grp></config>", L"Invalid Profile!"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(platform::WriteWholeFile(path, c.text));
    const size_t before = second.config->Commands().size();
    second.sim.ClearReceived();
    platform::ModalService::Instance().ClearRecords();
    platform::ModalService::Instance().ExpectMessageBox(IDOK);
    Change();
    const std::vector<platform::ModalRecord> records = platform::ModalService::Instance().Records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].text, CString(c.message));
    EXPECT_FALSE(dlg->m_bProfileWriting);
    EXPECT_TRUE(dlg->m_profileLines.empty());
    EXPECT_EQ(second.config->Commands().size(), before) << "nothing is sent";
    EXPECT_TRUE(second.sim.ReceivedLines().empty()) << "the device receives nothing";
  }
}

TEST_F(XmlProfileTest, LoadKeepsAProfileOnlyWhenItNamesTheConnectedDevice) {
  ConnectTo(second);
  const DEVICE_INFO& info = dlg->m_deviceInfo;
  CString lowerBuyer = info.strBuyer;
  lowerBuyer.MakeLower();
  struct Case {
    const char* name;
    CString root;
    bool kept;
  } cases[] = {
      {"buyer and protocol in another letter case",
       L"<profile buyer=\"" + lowerBuyer + L"\" protocol=\"" + info.strProtocol + L"\" ver=\"" + info.strVersion + L"\"/>", true},
      {"another version", L"<profile buyer=\"" + info.strBuyer + L"\" protocol=\"" + info.strProtocol + L"\" ver=\"" + info.strVersion + L"x\"/>", false},
      {"no protocol", L"<profile buyer=\"" + info.strBuyer + L"\" ver=\"" + info.strVersion + L"\"/>", false},
      {"cut", L"<profile buyer=\"" + info.strBuyer + L"\" protocol=\"" + info.strProtocol + L"\" ver=\"" + info.strVersion +
       L"\"><grp hdr=\"GEN\"><ele>1</ele>", false},
  };
  platform::ModalService& modal = platform::ModalService::Instance();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(platform::WriteWholeFile(path, c.root.ToUtf8()));
    modal.ExpectFileDialog(path);
    if (!c.kept) modal.ExpectMessageBox(IDOK);
    modal.ClearRecords();
    ClickButton(dlg->m_pSettingDlg, IDC_SETTING_LOAD_PROFILE);
    EXPECT_EQ(dlg->m_pSettingDlg->m_strProfilePath, c.kept ? path : CString());
    if (!c.kept) {
      ASSERT_FALSE(modal.Records().empty());
      EXPECT_EQ(modal.Records().back().text, CString(L"Invalid Profile!"));
    }
  }
}

TEST_F(XmlProfileTest, AccessPointsAndDriverIdentifiersAreSavedAndWrittenBack) {
  // Older firmware lists the identifiers in entries of up to 20 and removes them with "HRD"; the
  // new firmware lists one a line (in capitals) and removes them with "$PVRRDID".
  struct Case {
    const char* name;
    bool newFirmware;
    std::vector<std::string> ids;
    std::vector<std::string> idElements;
  } cases[] = {
      {"older firmware", false, {"ab12", "cd34", "ef56"}, {"ab12;cd34;ef56"}},
      {"new firmware", true, {"AB12", "CD34"}, {"AB12", "CD34"}},
  };
  const std::vector<std::string> accessPoints{"home;WPA2;secret", "office;OPEN;"};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteDefinition(DefinitionWith(kListPages));
    first.lists.SetAccessPoints(accessPoints);
    first.lists.SetDriverIds(c.ids);
    // The second device holds something of its own that the profile replaces.
    second.lists.SetAccessPoints({});
    second.lists.SetDriverIds({"ZZ99"});

    ConnectTo(first);
    dlg->m_bNewFirmware = c.newFirmware;
    dlg->m_listLog.ResetContent();
    dlg->SendMessage(WM_SAVE_XML_PROFILE, 0, reinterpret_cast<LPARAM>(path.GetString()));
    EXPECT_TRUE(LogHas(L"Profile Saved Successfully!"));
    const DEVICE_INFO& info = dlg->m_deviceInfo;
    CString expected = L"<?xml version=\"1.0\"?>\r\n\t<profile model=\"" + info.strModel + L"\" buyer=\"" + info.strBuyer +
                       L"\" protocol=\"" + info.strProtocol + L"\" ver=\"" + info.strVersion +
                       L"\">\r\n"
                       L"\t\t<grp hdr=\"GEN\">\r\n\t\t\t<ele>0</ele>\r\n\t\t\t<ele>web</ele>\r\n\t\t\t<ele>30</ele>\r\n\t\t</grp>\r\n"
                       L"\t\t<grp hdr=\"HAD\">\r\n\t\t\t<ele>RemoveAllDriverID</ele>\r\n";
    for (const std::string& e : c.idElements) expected += L"\t\t\t<ele>" + CString::FromUtf8(e) + L"</ele>\r\n";
    expected += L"\t\t</grp>\r\n\t\t<grp hdr=\"APS\" num=\"2\">\r\n"
                L"\t\t\t<ele>1;home;WPA2;secret</ele>\r\n\t\t\t<ele>2;office;OPEN;</ele>\r\n\t\t</grp>\r\n\t</profile>\r\n";
    std::string bytes;
    ASSERT_TRUE(platform::ReadWholeFile(path, bytes));
    EXPECT_EQ(bytes, "\xFF\xFE" + ToUtf16LeBytes(expected));

    ConnectTo(second);
    dlg->m_bNewFirmware = c.newFirmware;
    dlg->m_listLog.ResetContent();
    platform::ModalService::Instance().ClearRecords();
    Change();
    ASSERT_TRUE(platform::PumpUntil([&] { return !dlg->m_bProfileWriting; }, kTimeoutMs));
    EXPECT_TRUE(LogHas(L"Success To Change Profile"));
    EXPECT_EQ(second.lists.DriverIds(), c.ids);
    EXPECT_EQ(second.lists.AccessPoints(), accessPoints);
    EXPECT_TRUE(platform::ModalService::Instance().Records().empty()) << "no message box";
  }
}

TEST_F(XmlProfileTest, AListReadTheDeviceLeavesUnansweredEndsTheSaveAfterItsLimit) {
  struct Case {
    const char* name;
    const char* page;
    const char* request;  // what the silent device is sent
    const wchar_t* log;
  } cases[] = {
      {"polygon zones",
       "<grp id=\"19\" title=\"Polygon\" hdr=\"PLG\" min=\"1\" max=\"6\" ptmax=\"60\">"
       "<subgrp id=\"1\" hdr=\"PLA\" title=\"Zones\"><sheet id=\"3\" column=\"2\"><column>No</column>"
       "<column>Name</column></sheet></subgrp></grp>",
       "PLC;GetPolygonGroupInfo;1", L"the polygon zone read within 10 s"},
      {"geofences",
       "<grp id=\"6\" title=\"Geofence\" hdr=\"CGF\" max=\"10\" unit=\"0\" ord=\"DATGRIO\">"
       "<item fid=\"Latitude\" type=\"edit\" curr=\"\"/></grp>",
       "$PVRRGEO", L"the geofence read within 10 s"},
      {"driver identifiers", "<grp id=\"21\" title=\"Drivers\" hdr=\"HAD\"><item fid=\"Driver\" type=\"edit\"/></grp>",
       "HGD;;02;ALL", L"the driver identifier read within 10 s"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteDefinition(DefinitionWith(c.page));
    ConnectTo(first);
    platform::DeleteFile(path);
    dlg->m_listLog.ResetContent();
    first.sim.ClearReceived();
    first.sim.SetSilent(true);
    uint64_t waited = 0;
    const bool ended = SaveOnManualClock(L"no profile was saved", waited);
    first.sim.SetSilent(false);
    ASSERT_TRUE(ended) << "the save ended";
    EXPECT_TRUE(LogHas(c.log));
    EXPECT_GE(waited, 10000u);
    EXPECT_LT(waited, 11000u);
    EXPECT_TRUE(testutil::WaitUntil([&] {
      for (const std::string& line : first.sim.ReceivedLines())
        if (line.find(c.request) != std::string::npos) return true;
      return false;
    }, 20000)) << "the device was asked";
    EXPECT_FALSE(platform::FileExists(path)) << "no file is written";
    EXPECT_FALSE(LogHas(L"Profile Saved Successfully!"));
    EXPECT_FALSE(dlg->m_bProfileReading);
    EXPECT_FALSE(dlg->m_bSavingXmlProfile);
  }
}

TEST_F(XmlProfileTest, AccessPointsOfAnEarlierReadAreNotSavedWhenTheDeviceLeavesTheReadUnanswered) {
  WriteDefinition(DefinitionWith("<grp id=\"26\" title=\"Access points\" hdr=\"APS\"><item fid=\"Preset\" type=\"edit\"/></grp>"));
  first.lists.SetAccessPoints({"home;WPA2;secret", "office;OPEN;"});
  ConnectTo(first);
  const DEVICE_INFO& info = dlg->m_deviceInfo;
  const CString head = L"<?xml version=\"1.0\"?>\r\n\t<profile model=\"" + info.strModel + L"\" buyer=\"" + info.strBuyer +
                       L"\" protocol=\"" + info.strProtocol + L"\" ver=\"" + info.strVersion +
                       L"\">\r\n"
                       L"\t\t<grp hdr=\"GEN\">\r\n\t\t\t<ele>0</ele>\r\n\t\t\t<ele>web</ele>\r\n\t\t\t<ele>30</ele>\r\n\t\t</grp>\r\n";
  dlg->SendMessage(WM_SAVE_XML_PROFILE, 0, reinterpret_cast<LPARAM>(path.GetString()));
  std::string bytes;
  ASSERT_TRUE(platform::ReadWholeFile(path, bytes));
  EXPECT_EQ(bytes, "\xFF\xFE" + ToUtf16LeBytes(head + L"\t\t<grp hdr=\"APS\" num=\"2\">\r\n\t\t\t<ele>1;home;WPA2;secret</ele>\r\n"
                                                  L"\t\t\t<ele>2;office;OPEN;</ele>\r\n\t\t</grp>\r\n\t</profile>\r\n"));

  // Saved again while the device is silent: the list's own limit ends the read, and the total of
  // the earlier read does not bring back a group the device did not announce.
  first.sim.SetSilent(true);
  dlg->m_listLog.ResetContent();
  uint64_t waited = 0;
  const bool ended = SaveOnManualClock(L"Profile Saved Successfully!", waited);
  first.sim.SetSilent(false);
  ASSERT_TRUE(ended);
  EXPECT_GE(waited, 1500u);
  EXPECT_LT(waited, 10000u);
  ASSERT_TRUE(platform::ReadWholeFile(path, bytes));
  EXPECT_EQ(bytes, "\xFF\xFE" + ToUtf16LeBytes(head + L"\t</profile>\r\n"));
}

TEST_F(XmlProfileTest, GeofencesOfAChangedProfileReachTheGeofenceTable) {
  WriteDefinition(DefinitionWith(kGeofencePage));
  ConnectTo(second);
  const DEVICE_INFO& info = dlg->m_deviceInfo;
  const CString profile = L"<profile buyer=\"" + info.strBuyer + L"\"><grp hdr=\"CGF\" num=\"2\">"
                          L"<ele>3;1;37.5;127.25;100;1;0</ele><ele>7;1;35.1;129.04;250;0;1</ele></grp>"
                          L"<grp hdr=\"GEN\"><ele>1</ele><ele>web</ele><ele>30</ele></grp></profile>";
  ASSERT_TRUE(platform::WriteWholeFile(path, profile.ToUtf8()));
  Change();
  ASSERT_TRUE(platform::PumpUntil([&] { return !dlg->m_bProfileWriting; }, kTimeoutMs));
  EXPECT_TRUE(LogHas(L"Success To Change Profile"));
  struct Case {
    int id;
    const wchar_t* latitude;
    const wchar_t* longitude;
    const wchar_t* radius;
    int in;
    int out;
  } cases[] = {{3, L"37.5", L"127.25", L"100", 1, 0}, {7, L"35.1", L"129.04", L"250", 0, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    const GEOFENCE_INFO& rec = dlg->m_geofenceTable[static_cast<size_t>(c.id - 1)];
    EXPECT_EQ(rec.nId, c.id);
    EXPECT_EQ(rec.bUsed, 1);
    EXPECT_EQ(rec.strLatitude, CString(c.latitude));
    EXPECT_EQ(rec.strLongitude, CString(c.longitude));
    EXPECT_EQ(rec.strRadius, CString(c.radius));
    EXPECT_EQ(rec.bIn, c.in);
    EXPECT_EQ(rec.bOut, c.out);
  }
  const std::vector<std::string> lines = ProfileLines(second);
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[0], "$TCGF;3;1;37.5;127.25;100;1;0");
  EXPECT_EQ(lines[1], "$TCGF;7;1;35.1;129.04;250;0;1");
}

TEST_F(XmlProfileTest, AProfileSavedWithADefinitionFileHoldsTheGeofencesOfThePage) {
  // The definition is opened from a file with the device on the port: the device's geofence list is
  // not taken, the page holds the geofences the user gave it (here by a profile change).
  const CString definition = platform::GetCurrentFolder() + L"/Unit_Param.xml";
  ASSERT_TRUE(platform::WriteWholeFile(definition, DefinitionWith(kGeofencePage).c_str()));
  first.geofences = std::make_unique<devsim::GeofenceDevice>(first.sim);
  devsim::SimGeofence own;
  own.id = 1;
  own.used = 1;
  own.in = 1;
  own.latitude = "10.5";
  own.longitude = "20.5";
  own.radius = "300";
  first.geofences->Put(own);
  dlg->m_strComPort = CString::FromUtf8(first.sim.PortName());
  platform::ModalService::Instance().ExpectFileDialog(definition);
  ClickButton(dlg, IDC_BTN_OPEN);
  ASSERT_TRUE(platform::PumpUntil([&] { return dlg->m_bPortOpen && Shown(2) != nullptr && Shown(2)->pValueWnd != nullptr; }, kTimeoutMs));
  ASSERT_TRUE(platform::PumpUntil([&] { return !dlg->m_bDefinitionPending && dlg->m_tabPages.IsWindowEnabled(); }, kTimeoutMs));
  ASSERT_TRUE(g_bFileMode);
  ASSERT_NE(dlg->m_pGeofenceDlg, nullptr);

  const DEVICE_INFO& info = dlg->m_deviceInfo;
  const CString profile = L"<profile buyer=\"" + info.strBuyer + L"\"><grp hdr=\"CGF\" num=\"1\">"
                          L"<ele>4;1;37.5;127.25;100;1;0</ele></grp></profile>";
  ASSERT_TRUE(platform::WriteWholeFile(path, profile.ToUtf8()));
  Change();
  ASSERT_TRUE(platform::PumpUntil([&] { return !dlg->m_bProfileWriting; }, kTimeoutMs));
  ASSERT_EQ(dlg->m_pGeofenceDlg->m_pRecords[3].nId, 4) << "the page shows the geofence the device took";

  dlg->m_listLog.ResetContent();
  dlg->SendMessage(WM_SAVE_XML_PROFILE, 0, reinterpret_cast<LPARAM>(path.GetString()));
  ASSERT_TRUE(LogHas(L"Profile Saved Successfully!"));
  std::string bytes;
  ASSERT_TRUE(platform::ReadWholeFile(path, bytes));
  const std::string group = ToUtf16LeBytes(L"\t\t<grp hdr=\"CGF\" num=\"1\">\r\n\t\t\t<ele>4;1;37.5;127.25;100;1;0</ele>\r\n\t\t</grp>\r\n");
  EXPECT_NE(bytes.find(group), std::string::npos) << "the page's geofence is saved";
  EXPECT_EQ(bytes.find(ToUtf16LeBytes(L"10.5")), std::string::npos) << "the device's own list is not taken";
}

}  // namespace

namespace {

// The session ends while Save Profile or Load Profile waits, in its file dialog or in the save's
// reads of the device's lists: nothing is written, the page goes with the session, and the program
// connects again.
TEST_F(XmlProfileTest, SaveAndLoadStopWhenTheSessionEndsInsideThem) {
  using testsupport::SessionEnd;
  enum class Where { SaveReads, SaveDialog, LoadDialog };
  struct Case {
    const char* name;
    Where where;
    SessionEnd how;
  };
  const Case cases[] = {
      {"Disconnect in the save's reads", Where::SaveReads, SessionEnd::Disconnect},
      {"unplug in the save's reads", Where::SaveReads, SessionEnd::Unplug},
      {"System Start in the save's reads", Where::SaveReads, SessionEnd::SystemStart},
      {"unplug in the save's file dialog", Where::SaveDialog, SessionEnd::Unplug},
      {"Disconnect in the load's file dialog", Where::LoadDialog, SessionEnd::Disconnect},
      {"closing the window in the save's reads", Where::SaveReads, SessionEnd::CloseWindow},
  };
  WriteDefinition(DefinitionWith(kListPages));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (!first.sim.IsRunning()) {
      ASSERT_TRUE(first.sim.Start()) << first.sim.LastError();
    }
    ASSERT_TRUE(testsupport::WaitForPortListed(dlg, first.sim)) << "the port is listed";
    ConnectTo(first);
    CSettingDialog* page = dlg->m_pSettingDlg;
    const HWND pageWnd = page->GetSafeHwnd();
    auto end = [this, how = c.how, pageWnd] { testsupport::EndSessionUnderPage(how, dlg, first.sim, pageWnd); };
    platform::ModalService& modal = platform::ModalService::Instance();
    switch (c.where) {
      case Where::SaveReads:
        modal.ExpectFileDialog(path);
        testsupport::AtNextPump(end);
        ClickButton(page, IDC_SETTING_SAVE_PROFILE);
        break;
      case Where::SaveDialog:
        modal.ExpectFileDialog(path, end);
        ClickButton(page, IDC_SETTING_SAVE_PROFILE);
        break;
      case Where::LoadDialog:
        modal.ExpectFileDialog(path, end);
        ClickButton(page, IDC_SETTING_LOAD_PROFILE);
        break;
    }
    EXPECT_EQ(CWnd::FromHandle(pageWnd), nullptr) << "the session ended inside the handler";
    EXPECT_FALSE(platform::FileExists(path)) << "no profile is written";
    if (c.how == SessionEnd::SystemStart) {
      ASSERT_TRUE(platform::PumpUntil([&] { return Shown(2) != nullptr && Shown(2)->pValueWnd != nullptr; }, kTimeoutMs))
          << "the device starts again with a new page";
    }
  }
}

}  // namespace
