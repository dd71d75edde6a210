// The console window and window pictures: standard output shows in the console from the moment it
// opens (also from other threads), it opens once, and a window's picture is written as a PNG file.
#include "platform/console.h"

#include <gtest/gtest.h>

#include <QImage>
#include <string>
#include <thread>

#include "platform/dialog.h"
#include "platform/files.h"
#include "platform/trace.h"
#include "platform/windowimage.h"
#include "test_main_env.h"

namespace {

class ConsoleTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(platform::test::EnsureApplication(), nullptr); }
  void TearDown() override { platform::CloseConsoleWindow(); }
};

TEST_F(ConsoleTest, ShowsStandardOutputWrittenAfterItOpened) {
  platform::WriteStdout(L"before\n");
  EXPECT_FALSE(platform::IsConsoleWindowOpen());
  EXPECT_TRUE(AllocConsole());
  EXPECT_FALSE(AllocConsole()) << "one console per process";
  platform::WriteStdout(L"on the gui thread\n");
  std::thread worker([] { platform::WriteStdout(L"from a worker\n"); });
  worker.join();
  EXPECT_TRUE(platform::PumpUntil([] { return platform::GetConsoleWindowText().Find(L"from a worker") >= 0; }, 5000));
  const CString text = platform::GetConsoleWindowText();
  EXPECT_EQ(text.Find(L"before"), -1);
  EXPECT_GE(text.Find(L"on the gui thread"), 0);
  EXPECT_TRUE(FreeConsole());
  EXPECT_FALSE(FreeConsole());
  platform::WriteStdout(L"after closing\n");  // no console: nothing to show, no crash
  EXPECT_EQ(platform::GetConsoleWindowText(), CString());
}

TEST_F(ConsoleTest, WindowPictureIsWrittenAsPng) {
  char name[] = "/tmp/brelvano-picture-XXXXXX";
  ASSERT_NE(mkdtemp(name), nullptr);
  const CString folder = CString::FromUtf8(name);
  CDialog dlg;
  platform::DialogTemplate tpl(9501, 0, 0, 80, 40, WS_POPUP | WS_CAPTION);
  ASSERT_TRUE(dlg.CreateIndirect(tpl));
  const CString path = platform::JoinPath(folder, L"w.png");
  EXPECT_TRUE(platform::SaveWindowImage(&dlg, path));
  QImage image;
  ASSERT_TRUE(image.load(path.q(), "PNG"));
  EXPECT_EQ(image.width(), platform::DialogUnitsToPixelsX(80));
  EXPECT_FALSE(platform::SaveWindowImage(nullptr, path));
  EXPECT_FALSE(platform::SaveWindowImage(&dlg, platform::JoinPath(folder, L"missing/w.png")));
  platform::DeleteFile(path);
  dlg.DestroyWindow();
  rmdir(name);
}

}  // namespace
