// The definition packet receivers fed directly with deliveries: XML packets whole, split and with
// odd flags, stray bytes outside packets, lengths that cannot fit; JSON frames and their checksum
// forms, frames that arrive in pieces.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "gui/dlg/brelvanodlg.h"
#include "platform/files.h"
#include "mainwindow_fixture.h"

namespace {

using Bytes = std::vector<BYTE>;

class DownloadReceiversTest : public testsupport::MainWindowFixture {
 protected:
  // A single-file download of nSize bytes, as the start line leaves it.
  CBrelvanoDlg* StartXml(int nSize) {
    CBrelvanoDlg* dlg = Open();
    dlg->m_bAtPrefix = FALSE;
    dlg->m_bXmlDownload = TRUE;
    dlg->m_nXmlSize = nSize;
    dlg->m_nXmlReceived = 0;
    dlg->m_nPacketFill = 0;
    return dlg;
  }
  static void Feed(CBrelvanoDlg* dlg, const Bytes& bytes) {
    dlg->ReceiveDownloadData(bytes.data(), static_cast<int>(bytes.size()));
  }
  static std::string Received(CBrelvanoDlg* dlg) {
    return std::string(reinterpret_cast<const char*>(dlg->m_xmlBuffer), static_cast<size_t>(dlg->m_nXmlReceived));
  }
};

TEST_F(DownloadReceiversTest, XmlPacketsAcrossDeliveries) {
  struct Case {
    const char* what;
    std::vector<Bytes> deliveries;
    std::string kept;         // payload bytes kept
    bool asked;               // the next packet was asked for
    BOOL lastPacket;          // m_bLastPacket afterwards
  };
  const Case cases[] = {
      {"one delivery", {{0x02, 0x00, 0x03, 0x80, 0x41, 0x42, 0x43, 0x40, 0x03}}, "ABC", true, FALSE},
      {"an ETX inside the payload is payload", {{0x02, 0x00, 0x03, 0x80, 0x41, 0x03, 0x43, 0x01, 0x03}}, "A\x03" "C", true, FALSE},
      {"split after the flag", {{0x02, 0x00, 0x03, 0x80, 0x41}, {0x42, 0x43, 0x40, 0x03}}, "ABC", true, FALSE},
      {"split after the STX", {{0x02}, {0x00, 0x03, 0x80, 0x41, 0x42, 0x43, 0x40, 0x03}}, "ABC", true, FALSE},
      {"split inside the length", {{0x02, 0x00}, {0x03}, {0x80, 0x41, 0x42, 0x43, 0x40}, {0x03}}, "ABC", true, FALSE},
      {"three pieces of a longer packet",
       {{0x02, 0x00, 0x08, 0x80, 0x41, 0x42}, {0x43, 0x44, 0x45, 0x46}, {0x47, 0x48, 0x08, 0x03}},
       "ABCDEFGH", true, FALSE},
      {"stray bytes and an ETX before the packet", {{0x03, 0x55, 0x03}, {0x02, 0x00, 0x01, 0x80, 0x41, 0x41, 0x03}}, "A", true, FALSE},
      {"an unknown flag keeps the last-packet state", {{0x02, 0x00, 0x01, 0x7F, 0x41, 0x41, 0x03}}, "A", true, FALSE},
      {"the echo of the request is passed over", {{'$', 'R', 'e', 'q', 'X', 'm', 'l', 'P', 'k', '\r'}}, "", false, FALSE},
      {"a packet without its checksum stays open", {{0x02, 0x00, 0x03, 0x80, 0x41, 0x42, 0x43}}, "", false, FALSE},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CBrelvanoDlg* dlg = StartXml(100);
    dlg->m_strPendingCommand.Empty();
    for (const Bytes& d : c.deliveries) Feed(dlg, d);
    EXPECT_EQ(Received(dlg), c.kept);
    EXPECT_EQ(dlg->m_strPendingCommand == CString(L"$ReqXmlPk\r"), c.asked);
    EXPECT_EQ(dlg->m_bLastPacket, c.lastPacket);
    EXPECT_TRUE(dlg->m_bXmlDownload);
    m_dlg.reset();
  }
}

TEST_F(DownloadReceiversTest, BadXmlPacketsAreAskedForAgain) {
  struct Case {
    const char* what;
    Bytes delivery;
  };
  const Case cases[] = {
      {"wrong checksum", {0x02, 0x00, 0x03, 0x80, 0x41, 0x42, 0x43, 0x41, 0x03}},
      {"a length beyond the packet buffer", {0x02, 0x04, 0x00, 0x80, 0x41, 0x03}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CBrelvanoDlg* dlg = StartXml(100);
    Feed(dlg, c.delivery);
    EXPECT_EQ(dlg->m_nXmlReceived, 0);
    EXPECT_EQ(dlg->m_strPendingCommand, CString(L"$ReqXmlResend\r"));
    EXPECT_EQ(dlg->m_nResendCount, 1);
    EXPECT_FALSE(dlg->m_bInFrame);
    m_dlg.reset();
  }
}

TEST_F(DownloadReceiversTest, LastPacketStoresTheFile) {
  CBrelvanoDlg* dlg = StartXml(2);
  dlg->m_strModuleDir = platform::GetCurrentFolder() + L"/";
  // The checksum byte is 0x03 itself: the packet closes at it, not before.
  Feed(dlg, {0x02, 0x00, 0x02, 0x81, 0x41, 0x42, 0x03, 0x03});
  EXPECT_FALSE(dlg->m_bXmlDownload);
  std::string stored;
  ASSERT_TRUE(platform::ReadWholeFile(dlg->m_strModuleDir + L"BrelvanoParam.xml", stored));
  EXPECT_EQ(stored, "AB");
}

TEST_F(DownloadReceiversTest, JsonFramesAndTheirChecksums) {
  struct Case {
    const char* what;
    std::vector<std::string> deliveries;
  };
  const std::string stx(1, '\x02');
  const std::string etx(1, '\x03');
  const Case cases[] = {
      {"{} needs 06", {stx + "$PVR;JsonPk;1;06;{}" + etx}},
      {"{ needs 7b", {stx + "$PVR;JsonPk;1;7b;{" + etx}},
      {"7B matches as well", {stx + "$PVR;JsonPk;1;7B;{" + etx}},
      {"data with ';' and line breaks", {stx + "$PVR;JsonPk;1;38;a;\r\nb" + etx}},
      {"the eight-digit form of a high checksum", {stx + "$PVR;JsonPk;1;ffffffc3;\xC3" + etx}},
      {"the two-digit form of a high checksum", {stx + "$PVR;JsonPk;1;c3;\xC3" + etx}},
      {"a frame in short pieces", {stx + "$PV", "R;Js", "onPk;1;06;", "{", "}" + etx}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CBrelvanoDlg* dlg = Open();
    dlg->m_bPortOpen = TRUE;  // no port object behind it: only the good path is run here
    dlg->m_bJsonDownload = TRUE;
    dlg->m_nFileCount = 2;
    dlg->m_nPacket = 0;
    dlg->m_nCurrentFile = 0;
    for (const std::string& d : c.deliveries)
      dlg->ReceiveDownloadData(reinterpret_cast<const BYTE*>(d.data()), static_cast<int>(d.size()));
    EXPECT_EQ(dlg->m_strPendingCommand, CString(L"AT^$ReqJsonPk;No;2\r")) << "the next frame is asked for";
    EXPECT_EQ(dlg->m_nPacket, 1);
    dlg->m_bPortOpen = FALSE;
    m_dlg.reset();
  }
}

}  // namespace

namespace {

// The tab change retries an XML download that does not go on; after the limit of retries the download
// ends with a message, and the count starts again for the next one.
TEST_F(DownloadReceiversTest, TabChangeRetriesGiveUpAfterTheLimit) {
  CBrelvanoDlg* dlg = StartXml(2048);
  platform::ModalService& modal = platform::ModalService::Instance();
  // Whatever an earlier download left of the count, the give-up comes within the limit.
  modal.ExpectMessageBox(IDOK);
  int calls = 0;
  while (modal.PendingAnswers() > 0 && calls <= CBrelvanoDlg::kMaxXmlRetries) {
    dlg->OnXmlRetryTimer();
    ++calls;
  }
  ASSERT_EQ(modal.PendingAnswers(), 0u) << "the retries gave up";
  EXPECT_FALSE(dlg->m_bXmlDownload);
  EXPECT_TRUE(dlg->m_bUserDisconnect);
  EXPECT_EQ(Records(platform::ModalKind::MessageBox).back().text, CString(L"XML Loading Error"));

  // From a fresh count: the limit's retries are re-armed, the next one gives up.
  dlg->m_bXmlDownload = TRUE;
  modal.ExpectMessageBox(IDOK);
  for (int i = 0; i < CBrelvanoDlg::kMaxXmlRetries; ++i) dlg->OnXmlRetryTimer();
  EXPECT_EQ(modal.PendingAnswers(), 1u) << "still retrying";
  dlg->OnXmlRetryTimer();
  EXPECT_EQ(modal.PendingAnswers(), 0u) << "given up after the limit";
}

}  // namespace
