// The start-up thread: it ends whether or not the application became ready, and a window made
// while it reads the fonts waits for them instead of reading them a second time.
#include <gtest/gtest.h>

#include <QFontDatabase>
#include <QFontMetrics>
#include <QWidget>

#include "platform/startupwarm.h"
#include "platform/wnd.h"
#include "qt_app.h"

TEST(StartupWarmer, EndsWithOrWithoutTheApplicationAndServesTheFirstWindow) {
  {
    platform::StartupWarmer neverReady;
    neverReady.Finish();
    neverReady.Finish();  // a second time is harmless
  }
  {
    platform::StartupWarmer dropped;  // ended by its destructor alone
  }
  // As the program's start does it: the thread starts before the application exists.
  platform::StartupWarmer warmer;
  testsupport::EnsureApp();
  warmer.ApplicationReady();
  // The top-level window is made at once; its first control waits for the font list.
  CWnd window;
  ASSERT_TRUE(window.CreateEx(0, nullptr, L"first window", WS_POPUP, CRect(0, 0, 120, 40), nullptr, 0));
  CWnd control;
  ASSERT_TRUE(control.CreateEx(0, nullptr, L"control", WS_CHILD | WS_VISIBLE, CRect(0, 0, 60, 20), &window, 1));
  EXPECT_GT(QFontMetrics(control.GetWidget()->font()).height(), 0);
  platform::AwaitStartupFonts();  // settled: returns at once
  control.DestroyWindow();
  window.DestroyWindow();
  warmer.Finish();
  EXPECT_FALSE(QFontDatabase::families().isEmpty());
}
