// The progress window: the title's percentage by range, the modal owner's input taken and given
// back (by the destructor and by Cancel), Esc and a click on Cancel noticed while it pumps, the
// cancelled state, the message line's limit, and the position kept in the application profile.
#include "reference/control/progresswnd/progresswnd.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QWidget>
#include <climits>
#include <memory>

#include "../../platform/qt_app.h"
#include "platform/registry.h"
#include "platform/winapp.h"

namespace {

constexpr const wchar_t kTitle[] = L"File Data Sending....";

class ProgressWndTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testsupport::EnsureApp();
    ASSERT_TRUE(m_dir.isValid());
    platform::SetRegistryPath(CString(m_dir.filePath("registry.txt")));
    m_app = std::make_unique<CWinApp>(L"ProgressTest");
    m_app->SetRegistryKey(L"Test Company");
    ASSERT_TRUE(m_owner.CreateEx(0, nullptr, L"owner", WS_POPUP | WS_VISIBLE, CRect(0, 0, 600, 400), nullptr, 0));
    m_app->m_pMainWnd = &m_owner;
  }
  void TearDown() override {
    if (m_owner.GetSafeHwnd() != nullptr) m_owner.DestroyWindow();
    m_app.reset();
    platform::SetRegistryPath(CString());
  }
  static void Post(CWnd& wnd, QEvent* event) { QCoreApplication::postEvent(wnd.GetWidget(), event); }
  static void PostEscape(CWnd& wnd) {
    Post(wnd, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
  }
  CString Title(const CProgressWnd& progress) const { return progress.GetWindowText(); }

  QTemporaryDir m_dir;
  std::unique_ptr<CWinApp> m_app;
  CWnd m_owner;
};

TEST(ProgressPercent, HalvesUpAndNoDivisionByAnEmptyRange) {
  struct Case {
    const char* name;
    int pos, lower, upper;
    int percent;
  };
  const Case cases[] = {
      {"first of three", 1, 0, 3, 33},
      {"second of three", 2, 0, 3, 67},
      {"last of three", 3, 0, 3, 100},
      {"a half rounds up", 1, 0, 200, 1},
      {"offset range", 15, 10, 20, 50},
      {"empty range", 5, 5, 5, 0},
      {"reversed range", 5, 10, 0, 0},
      {"the widest range", 0, INT_MIN, INT_MAX, 50},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CProgressWnd::PercentOf(c.pos, c.lower, c.upper), c.percent) << c.name;
  }
}

TEST_F(ProgressWndTest, TitleShowsThePercentageOfEachStep) {
  CProgressWnd progress(&m_owner, kTitle, FALSE);
  ASSERT_NE(progress.GetSafeHwnd(), nullptr);
  EXPECT_TRUE(progress.IsWindowVisible());
  EXPECT_EQ(Title(progress), CString(kTitle));
  progress.SetProgressRange(0, 3, 1);
  EXPECT_EQ(progress.StepProgress(), 0) << "the position before";
  EXPECT_EQ(Title(progress), CString(L"File Data Sending.... [33%]"));
  EXPECT_EQ(progress.StepProgress(), 1);
  EXPECT_EQ(Title(progress), CString(L"File Data Sending.... [67%]"));
  progress.StepProgress();
  EXPECT_EQ(Title(progress), CString(L"File Data Sending.... [100%]"));
  EXPECT_EQ(progress.m_wndBar.GetPos(), 3);

  // An empty range shows no percentage change and divides by nothing.
  CProgressWnd flat(&m_owner, kTitle, FALSE);
  flat.SetProgressRange(5, 5, 1);
  flat.SetProgressPos(5);
  EXPECT_EQ(Title(flat), CString(kTitle));
}

TEST_F(ProgressWndTest, WithoutAWindowOnlyTheStateAnswers) {
  CProgressWnd progress;
  progress.SetProgressRange(0, 10, 2);
  EXPECT_EQ(progress.StepProgress(), 0);
  EXPECT_EQ(progress.SetProgressPos(4), 0);
  EXPECT_EQ(progress.SetProgressStep(3), 1);
  progress.SetMessageText(L"%d", 1);
  progress.PumpMessages(TRUE);
  EXPECT_FALSE(progress.IsCancelled());
}

TEST_F(ProgressWndTest, ModalTakesTheOwnersInputUntilTheWindowGoes) {
  {
    CProgressWnd progress(&m_owner, kTitle, FALSE);
    ASSERT_TRUE(progress.BeginModal(L"Progress", FALSE));
    EXPECT_FALSE(m_owner.IsWindowEnabled());
    EXPECT_TRUE(progress.IsWindowEnabled());
    EXPECT_EQ(Title(progress), CString(kTitle)) << "the existing window keeps its title";
    // A second BeginModal (the next file) leaves the same owner disabled.
    ASSERT_TRUE(progress.BeginModal(L"Progress", FALSE));
    EXPECT_EQ(progress.m_pDisabledOwner, &m_owner);
  }
  EXPECT_TRUE(m_owner.IsWindowEnabled()) << "the destructor gives the owner back";

  CProgressWnd made;
  ASSERT_TRUE(made.BeginModal(L"Progress", FALSE)) << "made for the main window";
  EXPECT_FALSE(m_owner.IsWindowEnabled());
  made.DestroyWindow();
  EXPECT_TRUE(m_owner.IsWindowEnabled());
}

TEST_F(ProgressWndTest, EscCancelsOnlyWhenAskedAndTheStateStaysUntilReset) {
  CProgressWnd progress(&m_owner, kTitle, FALSE);
  ASSERT_TRUE(progress.BeginModal(L"Progress", FALSE));
  PostEscape(progress);
  progress.PumpMessages(FALSE);
  EXPECT_FALSE(progress.IsCancelled()) << "Esc is not a cancel without bCancelOnEscape";

  PostEscape(progress);
  progress.PumpMessages(TRUE);
  EXPECT_TRUE(progress.IsCancelled());
  EXPECT_FALSE(progress.IsWindowVisible()) << "hidden at once";
  // The posted close destroys the window and gives the owner back.
  progress.PumpMessages(TRUE);
  QApplication::processEvents();
  EXPECT_EQ(progress.GetSafeHwnd(), nullptr);
  EXPECT_TRUE(m_owner.IsWindowEnabled());
  EXPECT_TRUE(progress.IsCancelled()) << "the state outlives the window";
  progress.ResetProgress();
  EXPECT_FALSE(progress.IsCancelled());
}

TEST_F(ProgressWndTest, AReleaseOverCancelCancelsAModalWindow) {
  CProgressWnd progress(&m_owner, kTitle, FALSE);
  ASSERT_TRUE(progress.BeginModal(L"Progress", FALSE));
  CRect button;
  progress.m_wndCancel.GetWindowRect(&button);
  const QPoint global(button.CenterPoint().x, button.CenterPoint().y);
  const QPoint local(button.Width() / 2, button.Height() / 2);
  // Elsewhere: nothing.
  Post(progress.m_wndText, new QMouseEvent(QEvent::MouseButtonRelease, QPointF(1, 1), QPointF(button.left - 50, 1),
                                           Qt::LeftButton, Qt::NoButton, Qt::NoModifier));
  progress.PumpMessages(TRUE);
  EXPECT_FALSE(progress.IsCancelled());
  Post(progress.m_wndCancel, new QMouseEvent(QEvent::MouseButtonRelease, QPointF(local), QPointF(global),
                                             Qt::LeftButton, Qt::NoButton, Qt::NoModifier));
  progress.PumpMessages(TRUE);
  EXPECT_TRUE(progress.IsCancelled());
}

TEST_F(ProgressWndTest, TheCancelButtonCancels) {
  CProgressWnd progress(&m_owner, kTitle, FALSE);
  progress.SendMessage(WM_COMMAND, MAKEWPARAM(CProgressWnd::IDC_PROGRESS_CANCEL, BN_CLICKED),
                       reinterpret_cast<LPARAM>(progress.m_wndCancel.GetSafeHwnd()));
  EXPECT_TRUE(progress.IsCancelled());
  EXPECT_FALSE(progress.IsWindowVisible());
  EXPECT_NE(progress.GetSafeHwnd(), nullptr) << "a window that is not modal is only hidden";
}

TEST_F(ProgressWndTest, MessageTextIsCutToItsBuffer) {
  CProgressWnd progress(&m_owner, kTitle, FALSE);
  progress.SetMessageText(L"%s %d", L"block", 7);
  EXPECT_EQ(progress.m_wndText.GetWindowText(), CString(L"block 7"));
  const CString longText(L'x', 2000);
  progress.SetMessageText(L"%s", longText);
  EXPECT_EQ(progress.m_wndText.GetWindowText().GetLength(), CProgressWnd::kMaxMessageChars);
}

TEST_F(ProgressWndTest, TheBusyCursorAndTheMessageFontAreTheWindows) {
  CProgressWnd progress(&m_owner, kTitle, FALSE);
  ASSERT_NE(progress.GetSafeHwnd(), nullptr);
  EXPECT_EQ(GetWindowCursor(progress.GetSafeHwnd()), LoadCursor(nullptr, IDC_APPSTARTING));
  ASSERT_NE(progress.GetWidget(), nullptr);
  EXPECT_EQ(progress.GetWidget()->cursor().shape(), Qt::BusyCursor);
  EXPECT_EQ(progress.m_wndBar.GetWidget()->cursor().shape(), Qt::BusyCursor) << "over the bar as well";
  EXPECT_EQ(GetWindowCursor(m_owner.GetSafeHwnd()), nullptr) << "a plain window has no cursor of its own";

  NONCLIENTMETRICS metrics{};
  metrics.cbSize = sizeof(metrics);
  ASSERT_TRUE(SystemParametersInfo(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0));
  for (CWnd* control : {static_cast<CWnd*>(&progress.m_wndText), static_cast<CWnd*>(&progress.m_wndCancel)}) {
    CFont* font = control->GetFont();
    ASSERT_NE(font, nullptr);
    LOGFONT lf{};
    ASSERT_NE(font->GetLogFont(&lf), 0);
    EXPECT_EQ(CString(lf.lfFaceName), CString(metrics.lfMessageFont.lfFaceName));
    EXPECT_EQ(lf.lfHeight, metrics.lfMessageFont.lfHeight);
  }
  EXPECT_FALSE(SystemParametersInfo(0x1234, 0, &metrics, 0));
}

TEST_F(ProgressWndTest, PositionIsKeptAndAPlaceOffTheScreenCentres) {
  CRect where;
  {
    CProgressWnd progress(&m_owner, kTitle, FALSE);
    progress.SetWindowPos(nullptr, 40, 30, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    progress.GetWindowRect(&where);
  }
  EXPECT_EQ(static_cast<int>(m_app->GetProfileInt(L"Settings", L"X", -1)), where.left);
  EXPECT_EQ(static_cast<int>(m_app->GetProfileInt(L"Settings", L"Y", -1)), where.top);
  {
    CProgressWnd progress(&m_owner, kTitle, FALSE);
    CRect rc;
    progress.GetWindowRect(&rc);
    EXPECT_EQ(rc.left, where.left) << "back where it was left";
    EXPECT_EQ(rc.top, where.top);
  }

  struct Case {
    const char* name;
    int x, y;
  };
  const Case offScreen[] = {
      {"left of the screen", -100, 30},
      {"above the screen", 40, -5},
      {"right of the screen", GetSystemMetrics(SM_CXSCREEN), 30},
      {"below the screen", 40, GetSystemMetrics(SM_CYSCREEN)},
  };
  CRect owner;
  m_owner.GetWindowRect(&owner);
  for (const Case& c : offScreen) {
    m_app->WriteProfileInt(L"Settings", L"X", c.x);
    m_app->WriteProfileInt(L"Settings", L"Y", c.y);
    CProgressWnd progress(&m_owner, kTitle, FALSE);
    progress.m_bSavePosition = FALSE;  // this window's own place is not the case's
    CRect rc;
    progress.GetWindowRect(&rc);
    // Centred to within the window frame's width.
    EXPECT_NEAR(rc.CenterPoint().x, owner.CenterPoint().x, 4) << c.name;
    EXPECT_NEAR(rc.CenterPoint().y, owner.CenterPoint().y, 4) << c.name;
  }
}

}  // namespace
