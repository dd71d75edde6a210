// Definition downloads against the simulated tracker on the manual clock: the XML definition as one
// file and as numbered sub-files, the JSON definition in frames after its CSV, bad checksums and
// their resend limit, packets split at every byte of their header, lost, truncated and lying packets,
// silence, and the stored files byte for byte.
#include <QImage>
#include <QWidget>

#include <chrono>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "devsim/definitionserver.h"
#include "devsim/trackerdevice.h"
#include "gui/dlg/settingdlg.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/serialport.h"

#include "tracker_fixture.h"

namespace {



// A single-file definition of three tabs, about 1,500 bytes: three packets of 512.
std::string SingleFileDefinition() {
  std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<brelvano S=\"$T\" D=\";\" cmd=\"SHDC\" res=\"SDRDH\">\r\n";
  const char* titles[] = {"General", "Report", "Events"};
  for (int t = 0; t < 3; ++t) {
    xml += std::string("<grp id=\"1\" title=\"") + titles[t] + "\" hdr=\"H" + std::to_string(t) + "\">\r\n";
    for (int i = 0; i < 8; ++i) {
      xml += "<item fid=\"Parameter " + std::to_string(t * 10 + i) + "\" type=\"edit\" ID=\"" + std::to_string(i) +
             "\" max=\"16\" curr=\"value\"/>\r\n";
    }
    xml += "</grp>\r\n";
  }
  xml += "</brelvano>\r\n";
  return xml;
}

std::string SubFile(const std::string& title, const std::string& hdr, const std::string& beforeEnd) {
  return "<brelvano S=\"$T\" D=\";\" cmd=\"SHDC\" res=\"SDRDH\">\r\n<grp id=\"1\" title=\"" + title + "\" hdr=\"" + hdr +
         "\">\r\n<item fid=\"" + title + " value\" type=\"edit\" ID=\"1\" max=\"8\" curr=\"x\"/>\r\n</grp>" + beforeEnd +
         "</brelvano>";
}

class DownloadTest : public sessiontest::TrackerFixture {
 protected:
  std::string Stored(const CString& name) const {
    std::string bytes;
    platform::ReadWholeFile(m_dlg->m_strModuleDir + name, bytes);
    return bytes;
  }
};

TEST_F(DownloadTest, SingleFileInSeveralPackets) {
  const std::string xml = SingleFileDefinition();
  server.ServeXmlFile(xml);
  ConnectAs("VR600", "150");
  ASSERT_TRUE(Drive([&] { return Loaded(3); })) << "the definition is loaded with its pages";
  const size_t packets = (xml.size() + 511) / 512;
  ASSERT_GE(packets, 3u);
  EXPECT_EQ(RequestsLike("AT^$ReqXmlPk"), std::vector<std::string>(packets, "AT^$ReqXmlPk"));
  EXPECT_EQ(server.Sent(), static_cast<int>(packets));
  EXPECT_EQ(Stored(L"BrelvanoParam.xml"), xml) << "the received bytes are stored as they came";
  EXPECT_EQ(m_dlg->m_tabInfo[0].strTitle, CString(L"General"));
  EXPECT_EQ(m_dlg->m_tabInfo[2].strTitle, CString(L"Events"));
  EXPECT_FALSE(m_dlg->m_bXmlDownload);
  EXPECT_TRUE(m_dlg->m_bPortOpen);
  EXPECT_TRUE(MessageTexts().empty());
}

TEST_F(DownloadTest, StoredSingleFileReplacesALongerOne) {
  ASSERT_TRUE(platform::WriteWholeFile(m_dlg->m_strModuleDir + L"BrelvanoParam.xml", std::string(40000, 'x')));
  // The session start deletes the old copy; a copy left by something else is replaced whole as well.
  const std::string xml = SingleFileDefinition();
  server.ServeXmlFile(xml, 400);
  ConnectAs("VR600", "150");
  ASSERT_TRUE(Drive([&] { return Loaded(3); }));
  EXPECT_EQ(Stored(L"BrelvanoParam.xml"), xml);
}

TEST_F(DownloadTest, SubFilesJoinedWithoutTheReportSettings) {
  // Four files on the device; the first is the report settings file, which is not asked for.
  // The third has no line break before its closing root tag; the last takes several packets.
  const std::vector<std::pair<std::string, std::string>> files = {
      {"RPT_SET", SubFile("Report settings", "RPT", "\r\n")},
      {"GEN", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n" + SubFile("General", "GEN", "\r\n")},
      {"EVT", SubFile("Events", "EVT", "")},
      {"SVC", SubFile(std::string(700, 'S'), "SVC", "\r\n")},
  };
  server.ServeXmlSubFiles(files);
  ConnectAs("VR600", "5");
  ASSERT_TRUE(Drive([&] { return Loaded(3) && !m_dlg->m_bXmlDownload && m_dlg->m_nDownloadState == 2; }));
  // Each file is asked for by its number on the device.
  std::vector<std::string> expectedRequests;
  for (size_t f = 1; f < files.size(); ++f) {
    for (size_t p = 0; p < (files[f].second.size() + 511) / 512; ++p)
      expectedRequests.push_back("AT^$ReqXmlPk;" + std::to_string(f) + ";" + std::to_string(p));
  }
  ASSERT_GT(expectedRequests.size(), 4u);
  EXPECT_EQ(RequestsLike("AT^$ReqXmlPk"), expectedRequests);
  EXPECT_EQ(m_dlg->m_tabInfo[0].strTitle, CString(L"General"));
  EXPECT_EQ(m_dlg->m_tabInfo[1].strTitle, CString(L"Events"));
  EXPECT_EQ(m_dlg->m_tabInfo[2].strTitle, CString::FromUtf8(std::string(700, 'S')));

  // The joined definition: the first file up to its closing root tag, the groups of the others,
  // one closing root tag; UTF-16LE with its byte-order mark.
  const auto part = [](const std::string& text, bool first) {
    const size_t from = first ? 0 : text.find("<grp");
    size_t end = text.find("</brelvano>");
    while (end > from && (text[end - 1] == '\r' || text[end - 1] == '\n')) --end;
    return text.substr(from, end - from);
  };
  const std::string joined = part(files[1].second, true) + "\r" + part(files[2].second, false) + "\r" +
                             part(files[3].second, false) + "\r</brelvano>";
  const std::string expected = "\xFF\xFE" + platform::TextToBytes(CP_UTF16LE, CString::FromUtf8(joined));
  EXPECT_EQ(Stored(L"BrelvanoParam.xml"), expected);
  EXPECT_TRUE(m_dlg->m_bPortOpen);
  EXPECT_TRUE(MessageTexts().empty());
}

// A sub-file that gives no tab would be asked for again and again (its packets are good, so the
// resend limit of bad packets never counts): after that many repeats the download ends.
TEST_F(DownloadTest, SubFileWithoutATabEndsTheDownloadAfterTheResendLimit) {
  struct Case {
    const char* what;
    size_t bad;  // which of the files gives no tab
    std::string text;
  };
  const Case cases[] = {
      {"a root that is not the definition's", 1, "<other><grp id=\"1\" title=\"X\" hdr=\"X\"></grp></other>"},
      {"a root without a child", 1, "<brelvano S=\"$T\" D=\";\"></brelvano>"},
      {"the last file without a tab", 2, "<brelvano S=\"$T\" D=\";\">\r\n</brelvano>"},
      {"no markup at all", 1, "plain text"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    platform::ModalService::Instance().ClearRecords();
    std::vector<std::pair<std::string, std::string>> files = {{"GEN", SubFile("General", "GEN", "\r\n")},
                                                              {"EVT", SubFile("Events", "EVT", "\r\n")},
                                                              {"SVC", SubFile("Service", "SVC", "\r\n")}};
    files[c.bad].second = c.text;
    server.ServeXmlSubFiles(files);
    const std::string request = "AT^$ReqXmlPk;" + std::to_string(c.bad) + ";0";
    const size_t before = RequestsLike(request).size();
    platform::ModalService::Instance().ExpectMessageBox(IDOK);
    ConnectAs("VR600", "5");
    ASSERT_TRUE(Drive([&] { return !m_dlg->m_bPortOpen; })) << "the session ends";
    CString message;
    message.Format(L"Definition download error: sub-file %d gives no tab.", static_cast<int>(c.bad));
    EXPECT_EQ(MessageTexts(), std::vector<CString>{message});
    EXPECT_EQ(RequestsLike(request).size() - before, 1u + m_dlg->kMaxXmlResends) << "asked for, then resent to the limit";
    EXPECT_FALSE(m_dlg->m_bXmlDownload);
  }
}

TEST_F(DownloadTest, BuyerAdditionsGoBeforeTheGeofenceGroup) {
  // A buyer variant whose buyer has an additions file in the program's folder.
  const CString additionsFolder = m_dlg->m_strModuleDir + L"Language XML";
  ASSERT_TRUE(platform::CreateFolder(additionsFolder));
  const std::string additions = "<grp id=\"1\" title=\"Buyer\" hdr=\"BUY\">\r\n</grp>";
  ASSERT_TRUE(platform::WriteWholeFile(additionsFolder + L"/ADD_PARA_AB.xml", additions));
  const std::string geofence = "<grp id=\"6\" hdr=\"CGF\" title=\"Zones\">\r\n</grp>";
  const std::vector<std::pair<std::string, std::string>> files = {
      {"GEN", SubFile("General", "GEN", "\r\n")},
      {"CGF", "<brelvano S=\"$T\" D=\";\">\r\n" + geofence + "\r\n</brelvano>\r\n"},
  };
  server.ServeXmlSubFiles(files);
  ConnectAs("VR835", "40");
  const auto statusRequested = [&] {
    for (const std::string& line : sim.ReceivedLines())
      if (line == "AT^$GetMSen;850000") return true;
    return false;
  };
  ASSERT_TRUE(Drive([&] { return m_dlg->m_nDownloadState == 2 && statusRequested(); }));
  // The completed definition is loaded whole on the status answer.
  ASSERT_TRUE(Drive([&] { return Loaded(3) && m_dlg->m_tabInfo[1].strTitle == CString(L"Buyer"); }));
  // The sub-files are joined first, then completed; every line of the result ends with CR.
  const auto crLines = [](std::string text) {
    for (size_t at; (at = text.find("\r\n")) != std::string::npos;) text.erase(at + 1, 1);
    return text;
  };
  const std::string first = files[0].second.substr(0, files[0].second.find("\r\n</brelvano>"));
  const std::string joined =
      crLines(first) + "\r" + crLines(additions) + "\r\r" + crLines(geofence) + "\r</brelvano>\r";
  EXPECT_EQ(Stored(L"BrelvanoParam.xml"), "\xFF\xFE" + platform::TextToBytes(CP_UTF16LE, CString::FromUtf8(joined)));
  EXPECT_EQ(m_dlg->m_tabInfo[0].strTitle, CString(L"General"));
  EXPECT_TRUE(MessageTexts().empty());
}

TEST_F(DownloadTest, JsonDefinitionInThreeFramesAfterItsCsv) {
  // Non-ASCII names: the bytes are stored as they came.
  const std::string json =
      "{\"brelvano\":[{\"info\":[{\"S\":\"$T\",\"D\":\";\",\"cmd\":\"SHDC\",\"res\":\"SDRDH\"}]},"
      "{\"G\xC3\xA9n\xC3\xA9ral\":[{\"info\":[{\"id\":\"1\",\"hdr\":\"GEN\"}]}]},"
      "{\"Report\":[{\"info\":[{\"id\":\"1\",\"hdr\":\"RPT\"}]}]},"
      "{\"Events\":[{\"info\":[{\"id\":\"1\",\"hdr\":\"EVT\"}]}]}]}";
  server.ServeJson("1,ID,Identifier\n2,NAME,Name", json, 3);
  ConnectAs("VR600", "2.1", 1);
  ASSERT_TRUE(Drive([&] { return Loaded(3) && !m_dlg->m_bJsonDownload; }));
  EXPECT_EQ(RequestsLike("AT^$ReqJsonPk"),
            (std::vector<std::string>{"AT^$ReqJsonPk;No;1", "AT^$ReqJsonPk;No;2", "AT^$ReqJsonPk;No;3"}));
  EXPECT_EQ(Stored(L"JsonParam.json"), json) << "UTF-8 without a byte-order mark";
  std::string copy;
  ASSERT_TRUE(platform::ReadWholeFile(m_dlg->m_strDocumentDir + L"VR600_2.1_JsonParam.json", copy));
  EXPECT_EQ(copy, json);
  EXPECT_EQ(m_dlg->m_tabInfo[0].strTitle, CString::FromUtf8("G\xC3\xA9n\xC3\xA9ral"));
  EXPECT_TRUE(m_dlg->m_bPortOpen);
  EXPECT_TRUE(MessageTexts().empty());
}

TEST_F(DownloadTest, ResendLimit) {
  struct Case {
    const char* what;
    int bad;
    bool completes;
  };
  const Case cases[] = {
      {"15 bad checksums in a row, then a good packet", 15, true},
      {"16 bad checksums in a row give up", 16, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    platform::ModalService::Instance().ClearRecords();
    const std::string xml = SingleFileDefinition();
    server.ServeXmlFile(xml);
    server.SetBadChecksums(c.bad);
    if (!c.completes) platform::ModalService::Instance().ExpectMessageBox(IDOK);
    const size_t before = RequestsLike("AT^$ReqXmlResend").size();
    ConnectAs("VR600", "150");
    if (c.completes) {
      ASSERT_TRUE(Drive([&] { return Loaded(3); }));
      EXPECT_EQ(Stored(L"BrelvanoParam.xml"), xml);
      EXPECT_TRUE(m_dlg->m_bPortOpen);
      EXPECT_TRUE(MessageTexts().empty());
    } else {
      ASSERT_TRUE(Drive([&] { return !m_dlg->m_bPortOpen; })) << "the session ends";
      EXPECT_EQ(MessageTexts(), std::vector<CString>{m_dlg->m_language.LoadString(1003)});
      EXPECT_FALSE(m_dlg->m_bXmlDownload);
      EXPECT_FALSE(platform::FileExists(m_dlg->m_strModuleDir + L"BrelvanoParam.xml"));
    }
    EXPECT_EQ(RequestsLike("AT^$ReqXmlResend").size() - before, 15u);
    if (m_dlg->m_bPortOpen) Click(IDC_BTN_DISCONNECT);
    server.SetBadChecksums(0);
  }
}

TEST_F(DownloadTest, PacketsSplitAtEveryHeaderByte) {
  const std::string xml = SingleFileDefinition();
  // After the STX, after each length byte, after the flag, inside the payload, before the ETX.
  for (size_t cut : {1, 2, 3, 4, 9, 517}) {
    SCOPED_TRACE("cut after byte " + std::to_string(cut));
    server.ServeXmlFile(xml);
    server.SetSplitAt(cut);
    ConnectAs("VR600", "150");
    ASSERT_TRUE(Drive([&] { return Loaded(3); }));
    EXPECT_EQ(Stored(L"BrelvanoParam.xml"), xml);
    EXPECT_TRUE(RequestsLike("AT^$ReqXmlResend").empty()) << "every packet is good";
    Click(IDC_BTN_DISCONNECT);
  }
  server.SetSplitAt(0);
}

TEST_F(DownloadTest, DamagedPacketsAreAskedForAgain) {
  struct Case {
    const char* what;
    std::function<void()> fault;
  };
  const Case cases[] = {
      {"a lost packet", [&] { server.SetLost(1); }},
      {"the first packet lost", [&] { server.SetLost(0); }},
      {"a truncated packet", [&] { server.SetTruncated(1, 40); }},
      {"a length longer than the packet buffer", [&] { server.SetLyingLength(1, 4000); }},
      {"a length longer than the payload", [&] { server.SetLyingLength(1, 600); }},
      {"a length shorter than the payload", [&] { server.SetLyingLength(1, 100); }},
  };
  const std::string xml = SingleFileDefinition();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    server.ServeXmlFile(xml);
    const size_t resendsBefore = RequestsLike("AT^$ReqXmlResend").size();
    c.fault();
    ConnectAs("VR600", "150");
    // The damaged packet is asked for again after the quiet time: the clock runs faster meanwhile.
    ASSERT_TRUE(Drive([&] { return Loaded(3); }, 10));
    EXPECT_EQ(Stored(L"BrelvanoParam.xml"), xml);
    EXPECT_GT(RequestsLike("AT^$ReqXmlResend").size(), resendsBefore);
    EXPECT_TRUE(MessageTexts().empty());
    Click(IDC_BTN_DISCONNECT);
  }
}

TEST_F(DownloadTest, MalformedDownloadsEndTheSessionWithAMessage) {
  struct Case {
    const char* what;
    std::function<void()> setup;
    std::function<CString()> message;
    bool json;
    // Holds once the device has sent all it will and the program has taken it; then only time
    // ends the download (nullptr: the download ends by itself).
    std::function<bool()> stuck;
  };
  const std::string xml = SingleFileDefinition();
  ASSERT_GT(xml.size(), 1400u);
  ASSERT_LE(xml.size(), 2100u);  // three packets of 700
  const std::string json = "{\"brelvano\":[{\"info\":[{\"S\":\"$T\"}]},{\"General\":[{\"info\":[{\"id\":\"1\"}]}]}]}";
  const Case cases[] = {
      {"an announced size beyond the buffer", [&] { server.ServeXmlFile(xml); tracker.SetStartXmlFields("40000"); },
       [] { return CString(L"Warning : Please check the firmware version."); }, false, nullptr},
      {"a file longer than it was announced", [&] { server.ServeXmlFile(xml); tracker.SetStartXmlFields("1000"); },
       [] { return CString(L"Length Mismatching!"); }, false, nullptr},
      {"silence after the first packet", [&] { server.ServeXmlFile(xml); server.SetSilentAfter(1); },
       [&] { return m_dlg->m_language.LoadString(1003); }, false, [&] { return m_dlg->m_nXmlReceived == 512; }},
      {"a truncated last packet and silence",
       [&] {
         server.ServeXmlFile(xml, 700);
         server.SetTruncated(2, 100);
         server.SetSilentAfter(3);
       },
       [&] { return m_dlg->m_language.LoadString(1003); }, false,
       [&] { return m_dlg->m_nXmlReceived == 1400 && m_dlg->m_bInFrame && m_dlg->m_nPacketFill == 96; }},
      {"a JSON frame with a bad checksum", [&] { server.ServeJson("1,ID,Identifier", json, 2); server.SetBadChecksums(1); },
       [] { return CString(L"Json CheckSum Error"); }, true, nullptr},
      {"a truncated JSON frame", [&] { server.ServeJson("1,ID,Identifier", json, 2); server.SetTruncated(1, 20); },
       [&] { return m_dlg->m_language.LoadString(1003); }, true,
       [&] { return m_dlg->m_nPacket == 1 && m_dlg->m_jsonReceive.size() == 20; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    platform::ModalService::Instance().ClearRecords();
    server.SetBadChecksums(0);
    server.SetSilentAfter(-1);
    server.SetTruncated(-1, 0);
    c.setup();
    platform::ModalService::Instance().ExpectMessageBox(IDOK);
    ConnectAs("VR600", c.json ? "2.1" : "150", c.json ? 1 : 0);
    if (c.stuck) {
      ASSERT_TRUE(Drive([&] { return c.stuck() || !m_dlg->m_bPortOpen; }));
      for (int i = 0; i < 40 && m_dlg->m_bPortOpen; ++i) Run(m_dlg->kDownloadQuietMs / 2);
    }
    ASSERT_TRUE(Drive([&] { return !m_dlg->m_bPortOpen; })) << "the session ends";
    EXPECT_EQ(MessageTexts(), std::vector<CString>{c.message()});
    EXPECT_FALSE(m_dlg->m_bXmlDownload);
    EXPECT_FALSE(m_dlg->m_bJsonDownload);
    EXPECT_FALSE(platform::FileExists(m_dlg->m_strModuleDir + L"BrelvanoParam.xml"));
    EXPECT_FALSE(platform::FileExists(m_dlg->m_strModuleDir + L"JsonParam.json"));
    EXPECT_EQ(m_dlg->m_pSettingDlg, nullptr);
  }
}

// A single-file definition with a generic tab and a geofence tab.
std::string DefinitionWithZones() {
  return "<brelvano S=\"$T\" D=\";\" cmd=\"SHDC\" res=\"SDRDH\">\r\n"
         "<grp id=\"1\" title=\"General\" hdr=\"GEN\">\r\n"
         "<item fid=\"Name\" type=\"edit\" ID=\"1\" max=\"16\" curr=\"unit\"/>\r\n"
         "<item fid=\"Mode\" type=\"combo\" ID=\"2\" num=\"2\" curr=\"Day\"><ele>Day</ele><ele>Night</ele></item>\r\n"
         "</grp>\r\n"
         "<grp id=\"6\" title=\"Zones\" hdr=\"GEO\" unit=\"1\" min=\"1\" max=\"20\">\r\n"
         "<item fid=\"Latitude\" type=\"edit\"/>\r\n<item fid=\"Radius\" type=\"edit\"/>\r\n"
         "</grp>\r\n</brelvano>\r\n";
}

// The model is freed and loaded again under shown pages: the device restarts after a download, the
// user disconnects and connects again, the device restarts while a tab read waits for it. Every
// page must let go of the lists before they are freed (the address sanitizer sees a page that
// walks a freed list).
TEST_F(DownloadTest, TheDefinitionIsReplacedUnderItsShownPages) {
  server.ServeXmlFile(DefinitionWithZones());
  ConnectAs("VR600", "150");
  auto shown = [&] {
    return Loaded(2) && m_dlg->m_pSettingDlg->m_pParamList != nullptr && m_dlg->m_pGeofenceDlg != nullptr;
  };
  ASSERT_TRUE(Drive(shown)) << "the first page shows the first tab";
  ASSERT_GE(server.Sent(), 1);

  // The device restarts: the session starts again and the definition is downloaded again. (A busy
  // machine can answer late on the program's clock: a packet or the handshake is asked for again.)
  int before = server.Sent();
  ASSERT_TRUE(tracker.SendSystemStart());
  ASSERT_TRUE(Drive([&] { return server.Sent() > before && shown(); }, 10)) << "a second download";
  EXPECT_GE(tracker.ReadyCount(), 2);
  EXPECT_EQ(m_dlg->m_tabInfo[1].strTitle, CString(L"Zones"));

  // Disconnect and Connect: a third download into a new session.
  Click(IDC_BTN_DISCONNECT);
  EXPECT_EQ(m_dlg->m_pSettingDlg, nullptr);
  EXPECT_EQ(m_dlg->m_pParamLists, nullptr);
  // The download's counters end with the session.
  EXPECT_EQ(m_dlg->m_nXmlSize, 0);
  EXPECT_EQ(m_dlg->m_nXmlReceived, 0);
  EXPECT_EQ(m_dlg->m_nPacket, 0);
  EXPECT_EQ(m_dlg->m_nPacketCount, 0);
  before = server.Sent();
  Connect();
  ASSERT_TRUE(Drive([&] { return server.Sent() > before && shown(); }, 10));

  // The device restarts when the zone tab asks for its records: the wait of the tab read ends with
  // the session it belonged to, and the new session downloads the definition again.
  tracker.RestartOn("RGEO");
  // The read's time-out runs on the wait's own clock steps, a millisecond a pass however fast the
  // passes go: a very long one leaves the device the time to start again on a fast machine too.
  m_dlg->m_tabInfo[1].nSize = 40000;
  const unsigned model = m_dlg->m_nModelGeneration;
  before = server.Sent();
  m_dlg->m_tabPages.SetCurSel(1);
  NMHDR notify{m_dlg->m_tabPages.GetSafeHwnd(), IDC_TAB_PAGES, TCN_SELCHANGE};
  m_dlg->SendMessage(WM_NOTIFY, IDC_TAB_PAGES, reinterpret_cast<LPARAM>(&notify));
  EXPECT_NE(m_dlg->m_nModelGeneration, model) << "the wait ended with the model it read for";
  ASSERT_TRUE(Drive([&] { return server.Sent() > before && shown(); }, 10));
  EXPECT_TRUE(sim.WaitForLine([](const std::string& l) { return l == "AT^$PVRRGEO"; }, 5000));
  EXPECT_TRUE(MessageTexts().empty());
}

// The user closes the window while a tab read waits for the device, and with a port open: the
// wait ends, the session ends with a close request, the link's threads stop and the port is free.
TEST_F(DownloadTest, ClosingTheWindowDuringAReplyWaitEndsTheSessionAndFreesThePort) {
  server.ServeXmlFile(DefinitionWithZones());
  ConnectAs("VR600", "150");
  ASSERT_TRUE(Drive([&] { return Loaded(2) && m_dlg->m_pGeofenceDlg != nullptr; }));
  tracker.SetIgnored("RGEO", true);
  // The close arrives while the zone tab waits for its records.
  platform::ModalService::Instance().ExpectMessageBox(IDOK);
  m_dlg->PostMessage(WM_CLOSE);
  m_dlg->m_tabPages.SetCurSel(1);
  NMHDR notify{m_dlg->m_tabPages.GetSafeHwnd(), IDC_TAB_PAGES, TCN_SELCHANGE};
  m_dlg->SendMessage(WM_NOTIFY, IDC_TAB_PAGES, reinterpret_cast<LPARAM>(&notify));
  // Here the wait has ended.
  EXPECT_FALSE(m_dlg->m_bPortOpen);
  EXPECT_EQ(m_dlg->m_pSettingDlg, nullptr);
  EXPECT_EQ(m_dlg->m_pGeofenceDlg, nullptr);
  EXPECT_EQ(m_dlg->m_pParamLists, nullptr);
  platform::SerialPort probe;
  EXPECT_TRUE(probe.Open(CString::FromUtf8(sim.PortPath()))) << "the port is free at once";
}

// After a download on either road the window is shown as it is now: nothing is left locked
// against repainting, and a grab of the window shows the tab strip with its titles.
TEST_F(DownloadTest, TheWindowRepaintsAfterEveryDownloadRoad) {
  const struct {
    const char* what;
    std::function<void()> serve;
    const char* version;
  } cases[] = {
      {"single file", [&] { server.ServeXmlFile(SingleFileDefinition()); }, "150"},
      {"sub-files",
       [&] {
         server.ServeXmlSubFiles({{"RPT_SET", SubFile("Report settings", "RPT", "\r\n")},
                                  {"GEN", SubFile("General", "GEN", "\r\n")},
                                  {"EVT", SubFile("Events", "EVT", "\r\n")}});
       },
       "5"},
  };
  m_dlg->ShowWindow(SW_SHOW);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    c.serve();
    ConnectAs("VR600", c.version);
    ASSERT_TRUE(Drive([&] { return Loaded(2) && !m_dlg->m_bXmlDownload && m_dlg->m_pSettingDlg->m_pParamList != nullptr; }));
    Run(2000);
    EXPECT_EQ(m_dlg->m_nDownloadState, 2) << "the download has ended: tab changes are not deferred";
    QWidget* window = m_dlg->GetWidget();
    EXPECT_TRUE(window->updatesEnabled()) << "the main window repaints";
    for (QWidget* w : window->findChildren<QWidget*>()) {
      if (w->isVisible()) {
        EXPECT_TRUE(w->updatesEnabled()) << w->metaObject()->className();
      }
    }
    // The grab paints the tab strip as the screen shows it: it differs from a strip without tabs.
    const QImage withTabs = m_dlg->m_tabPages.GetWidget()->grab().toImage();
    EXPECT_FALSE(withTabs.isNull());
    Click(IDC_BTN_DISCONNECT);
  }
}

}  // namespace
