// The download of files into the device as a user does it, against the simulated tracker over a
// pseudo-terminal: a 100 KB file goes out under the moving progress window and arrives byte for
// byte; a lost acknowledgement, an error answer and a Cancel each end the download with a log line
// and leave the main window usable; a missing or unreadable file is reported before anything is
// sent.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "device_window_fixture.h"
#include "devsim/devsim.h"
#include "devsim/filereceiver.h"
#include "devsim/trackerdevice.h"
#include "gui/dlg/settingdlg.h"
#include "platform/files.h"
#include "platform/pumpwait.h"

namespace {

constexpr DWORD kTimeoutMs = 10000;
constexpr const char kProgressTitle[] = "File Data Sending....";

// The device's local definition: a page of two file paths and a second tab.
constexpr const char kDefinition[] =
    "<brelvano S=\"$T\" D=\";\" cmd=\"SHDC\" res=\"SDRDH\" V=\"1\">"
    "<grp id=\"37\" title=\"Firmware\" hdr=\"FWD\">"
    "<item fid=\"Main\" type=\"file_edit\"/>"
    "<item fid=\"Sound\" type=\"file_edit\"/>"
    "</grp>"
    "<grp id=\"1\" title=\"Report\" hdr=\"RPT\"></grp>"
    "</brelvano>";

std::string RandomBytes(size_t size, unsigned seed) {
  std::mt19937 gen(seed);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(gen() & 0xFF);
  return bytes;
}

// The progress window while it is on screen (null otherwise).
QWidget* ProgressWindow() {
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (w->isVisible() && w->windowTitle().startsWith(kProgressTitle)) return w;
  }
  return nullptr;
}

class FileDownloadTest : public testsupport::DeviceWindowFixture {
 protected:
  void SetUp() override {
    DeviceWindowFixture::SetUp();
    if (HasFatalFailure()) return;
    dlg->m_strModuleDir = platform::GetCurrentFolder() + L"/";
    ASSERT_TRUE(platform::CreateFolder(dlg->m_strModuleDir + L"Language XML"));
    ASSERT_TRUE(platform::WriteWholeFile(
        dlg->m_strModuleDir + L"Language XML/BrelvanoParam_VR835_AB_32_Voice_Eng.xml", kDefinition));
    devsim::TrackerIdentity id;
    id.voice = 1;
    tracker.SetIdentity(id);
    Connect();
    ASSERT_TRUE(platform::PumpUntil([&] { return Path(1) != nullptr; }, kTimeoutMs)) << "the first tab is shown";
    ASSERT_TRUE(
        platform::PumpUntil([&] { return !dlg->m_bDefinitionPending && dlg->m_tabPages.IsWindowEnabled(); }, kTimeoutMs));
    // An XML definition stores this page under its own number: it is shown here as the download
    // page a definition of that kind gives.
    dlg->m_tabInfo[0].nType = TAB_TYPE_FILE_DOWNLOAD;
    dlg->m_pageInfo.tab.nType = TAB_TYPE_FILE_DOWNLOAD;
    dlg->m_pSettingDlg->SendMessage(WM_SETTINGS_PAGE_NOTIFY, 0, reinterpret_cast<LPARAM>(&dlg->m_pageInfo));
    ASSERT_NE(Path(0), nullptr);
  }
  // The path field of the page's n-th file parameter.
  CWnd* Path(int i) const {
    CSettingDialog* page = dlg->m_pSettingDlg;
    if (page == nullptr || page->m_pParamList == nullptr || page->m_pParamList->GetCount() <= i) return nullptr;
    auto* p = static_cast<PARAM_INFO*>(page->m_pParamList->GetAt(page->m_pParamList->FindIndex(i)));
    return p != nullptr ? p->pValueWnd : nullptr;
  }
  CString WriteFile(const char* name, const std::string& bytes) {
    const CString path = platform::GetCurrentFolder() + L"/" + CString(name);
    EXPECT_TRUE(platform::WriteWholeFile(path, bytes));
    return path;
  }
  int LogCount(const CString& text) const {
    int n = 0;
    for (int i = 0; i < dlg->m_listLog.GetCount(); ++i) n += dlg->m_listLog.GetText(i).Find(text) >= 0 ? 1 : 0;
    return n;
  }
  // Presses SEND on the page; the download runs inside the click.
  void Send() { Click(dlg->m_pSettingDlg, IDC_SETTING_SEND); }
  // Presses SEND; the user presses Esc in the progress window once the device has received `lines`
  // download lines. True when Esc was pressed; shown counts the times the window came up.
  bool SendWithEscAfter(int lines, int* shown = nullptr) {
    QTimer user;
    bool pressed = false;
    bool visible = false;
    QObject::connect(&user, &QTimer::timeout, [&] {
      QWidget* w = ProgressWindow();
      if ((w != nullptr) != visible) {
        visible = w != nullptr;
        if (visible && shown != nullptr) ++*shown;
      }
      if (pressed || w == nullptr || receiver.LineCount() < lines) return;
      QCoreApplication::postEvent(w, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
      pressed = true;
    });
    user.start(5);
    Send();
    user.stop();
    return pressed;
  }
  // After the download the user can go on.
  void ExpectUsable() {
    EXPECT_TRUE(dlg->IsWindowEnabled()) << "the main window takes input again";
    EXPECT_TRUE(dlg->m_pSettingDlg->IsWindowEnabled()) << "the page takes input again";
    EXPECT_EQ(ProgressWindow(), nullptr) << "the progress window is gone";
  }
  std::vector<std::string> DownloadLines() const {
    std::vector<std::string> out;
    for (const std::string& l : sim.ReceivedLines())
      if (l.compare(0, 12, "AT^$PVRMCUDL") == 0) out.push_back(l);
    return out;
  }

  devsim::TrackerDevice tracker{sim};
  devsim::FileReceiver receiver{sim};
};

TEST_F(FileDownloadTest, TwoFilesArriveByteForByteUnderTheMovingProgressWindow) {
  const std::string firmware = RandomBytes(100 * 1024, 1);
  const std::string sound = RandomBytes(513, 2);
  Path(0)->SetWindowText(WriteFile("main.bin", firmware));
  Path(1)->SetWindowText(WriteFile("sound.bin", sound));

  // What the user sees while the blocks go out: the window, modal, its title's percentage rising.
  std::vector<int> percents;
  bool ownerDisabled = false;
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [&] {
    QWidget* w = ProgressWindow();
    if (w == nullptr) return;
    const QString title = w->windowTitle();
    const int open = title.indexOf('[');
    if (open >= 0) {
      const int percent = title.mid(open + 1, title.indexOf('%') - open - 1).toInt();
      if (percents.empty() || percents.back() != percent) percents.push_back(percent);
    }
    if (!dlg->IsWindowEnabled()) ownerDisabled = true;
  });
  watch.start(20);
  Send();
  watch.stop();

  const std::vector<devsim::FileReceiver::File> files = receiver.Files();
  ASSERT_EQ(files.size(), 2u);
  EXPECT_TRUE(files[0].bytes == firmware) << "the 100 KB file arrived byte for byte";
  EXPECT_EQ(files[0].blocks, 200);
  EXPECT_TRUE(files[1].bytes == sound);
  EXPECT_EQ(files[1].blocks, 2);
  // Start line, its blocks, start line, its blocks; each line ended by CR.
  const std::vector<std::string> lines = DownloadLines();
  ASSERT_EQ(lines.size(), 1u + 200u + 1u + 2u);
  EXPECT_EQ(lines[0], "AT^$PVRMCUDLST10240007");
  EXPECT_EQ(lines[201], "AT^$PVRMCUDLST0051309");
  EXPECT_EQ(lines[203].substr(0, 15), "AT^$PVRMCUDL001");
  EXPECT_NE(sim.ReceivedBytes().find("AT^$PVRMCUDLST10240007\r"), std::string::npos);

  EXPECT_TRUE(ownerDisabled) << "the progress window was modal";
  ASSERT_GE(percents.size(), 3u) << "the progress moved";
  EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()) || percents.back() == 100);
  EXPECT_EQ(LogCount(L"ERROR"), 0);
  ExpectUsable();
}

TEST_F(FileDownloadTest, ALostAcknowledgementEndsTheDownload) {
  const std::string firmware = RandomBytes(3000, 3);  // six blocks
  Path(0)->SetWindowText(WriteFile("main.bin", firmware));
  Path(1)->SetWindowText(WriteFile("sound.bin", "abc"));
  receiver.LoseAcknowledgement(3);  // the second block
  Send();
  const std::vector<std::string> lines = DownloadLines();
  EXPECT_EQ(lines.size(), 3u) << "no block after the unanswered one, and not the second file";
  EXPECT_EQ(LogCount(L"RECV Data Empty ERROR"), 1);
  EXPECT_EQ(LogCount(L"File download stopped"), 1);
  ExpectUsable();
}

TEST_F(FileDownloadTest, AnErrorAnswerIsNoAcknowledgement) {
  Path(0)->SetWindowText(WriteFile("main.bin", RandomBytes(600, 4)));
  Path(1)->SetWindowText(WriteFile("sound.bin", "abc"));
  receiver.AnswerErrorTo(1);  // the start line
  Send();
  EXPECT_EQ(DownloadLines().size(), 1u) << "the file's blocks are not sent without its start";
  EXPECT_EQ(LogCount(L"RECV Data Empty ERROR"), 1);
  ExpectUsable();
}

TEST_F(FileDownloadTest, CancelEndsTheWholeDownload) {
  Path(0)->SetWindowText(WriteFile("main.bin", RandomBytes(20 * 512, 5)));
  Path(1)->SetWindowText(WriteFile("sound.bin", "abc"));
  // The user presses Esc once a few blocks have gone out.
  ASSERT_TRUE(SendWithEscAfter(5));
  const std::vector<devsim::FileReceiver::File> files = receiver.Files();
  ASSERT_EQ(files.size(), 1u) << "no start line of the next file";
  EXPECT_LT(files[0].blocks, 20);
  EXPECT_EQ(LogCount(L"File download cancelled"), 1);
  ExpectUsable();
}

// Cancel while the last block of the first file waits for its acknowledgement: nothing more goes
// out, the progress window does not open again, and the log names the file that was cancelled.
TEST_F(FileDownloadTest, CancelDuringTheLastBlocksAcknowledgementSendsNothingMore) {
  const CString main = WriteFile("main.bin", RandomBytes(512, 6));  // one block
  Path(0)->SetWindowText(main);
  Path(1)->SetWindowText(WriteFile("sound.bin", "abc"));
  receiver.SetThrottleBaud(9600);  // the block's answer takes about a second
  int shown = 0;
  ASSERT_TRUE(SendWithEscAfter(2, &shown));
  EXPECT_EQ(DownloadLines().size(), 2u) << "no start line of the next file";
  EXPECT_EQ(receiver.Files().size(), 1u);
  EXPECT_EQ(shown, 1) << "the progress window did not open again";
  EXPECT_EQ(LogCount(L"File download cancelled: " + main), 1);
  EXPECT_EQ(LogCount(L"sound.bin"), 0);
  ExpectUsable();
}

// A device that answers every line twice, at once or in a separate delivery: no line waiting in the
// transmitter is replaced by the next, and both files arrive whole.
TEST_F(FileDownloadTest, ADeviceThatAcknowledgesTwiceGetsEveryBlock) {
  struct Case {
    int delayMs;
  } cases[] = {{0}, {65}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.delayMs);
    sim.ClearReceived();
    const size_t before = receiver.Files().size();
    const std::string firmware = RandomBytes(10 * 512 + 7, 7);
    Path(0)->SetWindowText(WriteFile("main.bin", firmware));
    Path(1)->SetWindowText(WriteFile("sound.bin", "abc"));
    receiver.AcknowledgeTwice(c.delayMs);
    Send();
    const std::vector<devsim::FileReceiver::File> files = receiver.Files();
    ASSERT_EQ(files.size(), before + 2u);
    EXPECT_TRUE(files[before].bytes == firmware) << "every block arrived, once and in order";
    EXPECT_EQ(files[before].blocks, 11);
    EXPECT_EQ(files[before + 1].bytes, "abc");
    EXPECT_EQ(DownloadLines().size(), 1u + 11u + 1u + 1u);
    ExpectUsable();
  }
}

// The device starts again ("System Start") while blocks go out: the write of the old session ends,
// and the new session's ready command reaches the device; no later block does.
TEST_F(FileDownloadTest, ADeviceThatStartsAgainGetsNoBlockOfTheOldWrite) {
  Path(0)->SetWindowText(WriteFile("main.bin", RandomBytes(20 * 512, 6)));
  Path(1)->SetWindowText(WriteFile("sound.bin", "abc"));
  QTimer device;
  size_t restartAt = 0;
  QObject::connect(&device, &QTimer::timeout, [&] {
    if (restartAt != 0 || receiver.LineCount() < 5) return;
    restartAt = sim.ReceivedLines().size();
    EXPECT_TRUE(tracker.SendSystemStart());
  });
  device.start(1);
  Send();
  device.stop();
  ASSERT_NE(restartAt, 0u);
  ASSERT_TRUE(platform::PumpUntil([&] { return tracker.ReadyCount() >= 2; }, kTimeoutMs))
      << "the new session's ready command is sent";
  const std::vector<std::string> lines = sim.ReceivedLines();
  int blocksAfterReady = 0;
  bool ready = false;
  for (size_t i = restartAt; i < lines.size(); ++i) {
    if (lines[i].find("PVRRdy") != std::string::npos) ready = true;
    if (ready && lines[i].compare(0, 12, "AT^$PVRMCUDL") == 0) ++blocksAfterReady;
  }
  EXPECT_EQ(blocksAfterReady, 0) << "no block of the old write reaches the new session";
  ASSERT_EQ(receiver.Files().size(), 1u);
  EXPECT_LE(receiver.Files()[0].blocks, 6) << "the write ended with its session";
}

TEST_F(FileDownloadTest, AMissingFileIsReportedAndNothingIsSent) {
  Path(0)->SetWindowText(L"Double click and set the path");
  platform::ModalService::Instance().ExpectMessageBox(IDOK);
  Send();
  const auto boxes = Records(platform::ModalKind::MessageBox);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, CString(L"File Not Found"));
  EXPECT_TRUE(DownloadLines().empty());
  ExpectUsable();
}

TEST_F(FileDownloadTest, AFileThatCannotBeReadIsRefusedBeforeAnythingIsSent) {
  // A folder has a name but no bytes to read.
  const CString folder = platform::GetCurrentFolder() + L"/not-a-file.bin";
  ASSERT_TRUE(platform::CreateFolder(folder));
  Path(0)->SetWindowText(folder);
  Send();
  EXPECT_EQ(LogCount(L"(ERROR) FILE Open Fail"), 1);
  EXPECT_TRUE(DownloadLines().empty());
  ExpectUsable();
}

}  // namespace
