// The themed push buttons: the theme helper with and without the theme provider, classic and
// themed drawing, custom colours, the default frame, disabled text, the grey icon's pixels, the
// Space key, double clicks, toggles, hot tracking and the default-button state.
#include "reference/control/xbuttonxp/xbuttonxp.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <new>
#include <vector>

#include "../../platform/qt_app.h"
#include "gui/dlg/menudlg.h"
#include "platform/dialog.h"
#include "reference/control/xbuttonxp/xthemehelper.h"

namespace {

using platform::DrawOp;
using platform::DrawRecorder;

class ProbeButton : public CXButtonXP {
 public:
  using CXButtonXP::m_bToggled;
};

// Records the commands that reach the buttons' parent.
class Parent : public CWnd {
 public:
  int clicks = 0;
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) ++clicks;
    return CWnd::WindowProc(message, wParam, lParam);
  }
};

class XButtonTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testsupport::EnsureApp();
    ASSERT_TRUE(m_parent.CreateEx(0, nullptr, L"parent", WS_POPUP, CRect(0, 0, 300, 200), nullptr, 0));
  }
  void TearDown() override { m_parent.DestroyWindow(); }
  // A push button made as a dialog makes it, then taken over.
  void Make(CXButtonXP& button, const CString& text, DWORD type = BS_PUSHBUTTON, UINT id = 1300) {
    CButton plain;
    ASSERT_TRUE(plain.Create(text, WS_CHILD | WS_VISIBLE | type, CRect(10, 10, 110, 40), &m_parent, id));
    ASSERT_TRUE(button.SubclassWindow(plain.GetSafeHwnd()));
  }
  // Draws the button into a memory context while recording.
  std::vector<platform::DrawRecord> Draw(CXButtonXP& button, UINT state) {
    CDC screen;
    screen.CreateCompatibleDC(nullptr);
    CBitmap bitmap;
    bitmap.CreateBitmap(100, 30, 1, 32, nullptr);
    CBitmap* old = screen.SelectObject(&bitmap);
    DRAWITEMSTRUCT dis{};
    dis.CtlType = ODT_BUTTON;
    dis.itemAction = ODA_DRAWENTIRE;
    dis.itemState = state;
    dis.hwndItem = button.GetSafeHwnd();
    dis.hDC = screen.GetSafeHdc();
    dis.rcItem = CRect(0, 0, 100, 30);
    DrawRecorder recorder;
    recorder.Start();
    button.DrawItem(&dis);
    recorder.Stop();
    screen.SelectObject(old);
    return recorder.Records();
  }
  static int Count(const std::vector<platform::DrawRecord>& records, DrawOp op) {
    int n = 0;
    for (const auto& r : records) n += r.op == op ? 1 : 0;
    return n;
  }
  Parent m_parent;
};

TEST_F(XButtonTest, TheHelperFindsTheProviderAndAnswersWithoutOne) {
  ASSERT_TRUE(g_ThemeHelper.IsThemeLibAvailable());
  EXPECT_TRUE(g_ThemeHelper.IsAppThemed());
  EXPECT_FALSE(g_ThemeHelper.CloseThemeData(nullptr));
  EXPECT_FALSE(g_ThemeHelper.DrawThemeBackground(nullptr, nullptr, BP_PUSHBUTTON, PBS_NORMAL, nullptr, nullptr));
  // Without the provider (in a child process, where the one helper of the run can be rebuilt).
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    g_ThemeHelper.~CXThemeHelper();
    int failures = platform::ThemeLibraryLoads() == 0 ? 0 : 1;
    platform::SetThemeProviderPresent(false);
    new (&g_ThemeHelper) CXThemeHelper();
    RECT r{0, 0, 10, 10}, content{};
    failures += g_ThemeHelper.IsThemeLibAvailable() ? 1 : 0;
    failures += g_ThemeHelper.IsAppThemed() || g_ThemeHelper.IsThemeActive() ? 1 : 0;
    failures += g_ThemeHelper.OpenThemeData(nullptr, L"Button") != nullptr ? 1 : 0;
    failures += g_ThemeHelper.GetThemeBackgroundContentRect(nullptr, nullptr, 1, 1, &r, &content) ? 1 : 0;
    failures += g_ThemeHelper.DrawThemeText(nullptr, nullptr, 1, 1, L"x", 0, 0, &r) ? 1 : 0;
    failures += g_ThemeHelper.DrawThemeParentBackground(nullptr, nullptr, &r) ? 1 : 0;
    _exit(failures);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST_F(XButtonTest, DrawsThemedOrClassicByState) {
  struct Case {
    const char* name;
    UINT state;
    COLORREF face;
    BOOL theming;
    int themeState;  // 0: classic drawing expected
    UINT edge;       // classic: the edge drawn
  } cases[] = {
      {"themed, normal", 0, static_cast<COLORREF>(-1), TRUE, PBS_NORMAL, 0},
      {"themed, pressed", ODS_SELECTED, static_cast<COLORREF>(-1), TRUE, PBS_PRESSED, 0},
      {"themed, disabled", ODS_DISABLED, static_cast<COLORREF>(-1), TRUE, PBS_DISABLED, 0},
      {"themed, focused", ODS_FOCUS, static_cast<COLORREF>(-1), TRUE, PBS_DEFAULTED, 0},
      {"custom face: classic", 0, RGB(245, 195, 115), TRUE, 0, EDGE_RAISED},
      {"theming off: classic", 0, static_cast<COLORREF>(-1), FALSE, 0, EDGE_RAISED},
      {"classic pressed", ODS_SELECTED, static_cast<COLORREF>(-1), FALSE, 0, EDGE_SUNKEN},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CXButtonXP button;
    Make(button, L"Send");
    button.SetFaceColor(c.face).EnableTheming(c.theming);
    const auto records = Draw(button, c.state);
    if (c.themeState != 0) {
      ASSERT_EQ(Count(records, DrawOp::ThemeBackground), 1);
      for (const auto& r : records)
        if (r.op == DrawOp::ThemeBackground) {
          EXPECT_EQ(r.flags, static_cast<UINT>(c.themeState));
        }
      EXPECT_EQ(Count(records, DrawOp::DrawEdge), 0);
    } else {
      EXPECT_EQ(Count(records, DrawOp::ThemeBackground), 0);
      ASSERT_EQ(Count(records, DrawOp::DrawEdge), 1);
      for (const auto& r : records) {
        if (r.op == DrawOp::DrawEdge) {
          EXPECT_EQ(r.format, c.edge);
        }
        if (r.op == DrawOp::FillRect) {
          EXPECT_EQ(r.brushColor, c.face == static_cast<COLORREF>(-1) ? GetSysColor(COLOR_BTNFACE) : c.face);
        }
      }
    }
    button.DestroyWindow();
  }
}

TEST_F(XButtonTest, ClassicDefaultFrameAndEmbossedDisabledText) {
  CXButtonXP button;
  Make(button, L"Go", BS_DEFPUSHBUTTON);
  button.EnableTheming(FALSE);
  EXPECT_TRUE(button.IsDefaultState());
  auto records = Draw(button, 0);
  int blackFrames = 0;
  for (const auto& r : records) blackFrames += r.op == DrawOp::FrameRect && r.brushColor == RGB(0, 0, 0) ? 1 : 0;
  EXPECT_EQ(blackFrames, 1);
  records = Draw(button, ODS_DISABLED);
  std::vector<COLORREF> textColours;
  for (const auto& r : records)
    if (r.op == DrawOp::DrawText && !(r.format & DT_CALCRECT)) textColours.push_back(r.textColor);
  EXPECT_EQ(textColours, (std::vector<COLORREF>{GetSysColor(COLOR_BTNHIGHLIGHT), GetSysColor(COLOR_BTNSHADOW)}));
}

TEST_F(XButtonTest, TheGreyIconAveragesEachPixel) {
  // white, opaque black, (r30, g60, b90), transparent black
  const COLORREF colours[4] = {RGB(255, 255, 255), RGB(0, 0, 0), RGB(30, 60, 90), RGB(0, 0, 0)};
  std::vector<BYTE> bits(4 * 4);
  for (int i = 0; i < 4; ++i) {
    bits[static_cast<size_t>(i * 4)] = GetBValue(colours[i]);
    bits[static_cast<size_t>(i * 4 + 1)] = GetGValue(colours[i]);
    bits[static_cast<size_t>(i * 4 + 2)] = GetRValue(colours[i]);
  }
  CBitmap colour, mask;
  ASSERT_TRUE(colour.CreateBitmap(4, 1, 1, 32, bits.data()));
  const BYTE maskBits[2] = {0x10, 0};  // the fourth pixel is transparent
  ASSERT_TRUE(mask.CreateBitmap(4, 1, 1, 1, maskBits));
  ICONINFO info{TRUE, 0, 0, mask, colour};
  HICON icon = CreateIconIndirect(&info);
  ASSERT_NE(icon, nullptr);
  HICON grey = CreateGrayscaleIcon(icon);
  ASSERT_NE(grey, nullptr);
  EXPECT_EQ(CreateGrayscaleIcon(nullptr), nullptr);
  ICONINFO out{};
  ASSERT_TRUE(GetIconInfo(grey, &out));
  std::vector<BYTE> got(16);
  CBitmap::FromHandle(out.hbmColor)->GetBitmapBits(16, got.data());
  struct Case {
    const char* name;
    int pixel;
    BYTE grey;
    BYTE alpha;
  } cases[] = {{"white becomes 254", 0, 254, 255},
               {"opaque black stays black", 1, 0, 255},
               {"a colour becomes its average", 2, 60, 255},
               {"transparent black stays transparent", 3, 0, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const BYTE* p = &got[static_cast<size_t>(c.pixel * 4)];
    EXPECT_EQ(p[0], c.grey);
    EXPECT_EQ(p[1], c.grey);
    EXPECT_EQ(p[2], c.grey);
    EXPECT_EQ(p[3], c.alpha);
  }
  DeleteObject(out.hbmColor);
  DeleteObject(out.hbmMask);
  DestroyIcon(grey);
  // a disabled button shows the grey copy
  CXButtonXP button;
  Make(button, L"");
  button.SetButtonIcon(icon);
  ASSERT_NE(button.GetGrayIcon(), nullptr);
  const auto records = Draw(button, ODS_DISABLED);
  EXPECT_EQ(Count(records, DrawOp::DrawIcon), 1);
  EXPECT_EQ(Count(records, DrawOp::DrawState), 0);
}

TEST_F(XButtonTest, SpaceAndDoubleClicksCountAsClicks) {
  CXButtonXP button;
  Make(button, L"Space");
  button.SendMessage(WM_KEYDOWN, VK_SPACE, 1);
  button.SendMessage(WM_KEYDOWN, VK_SPACE, 1 | (1L << 30));  // held: nothing more
  EXPECT_EQ(m_parent.clicks, 0);
  button.SendMessage(WM_KEYUP, VK_SPACE, static_cast<LPARAM>(0xC0000001u));
  EXPECT_EQ(m_parent.clicks, 1);

  // the second press of a double click and its release make one more click
  m_parent.clicks = 0;
  button.SendMessage(WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
  EXPECT_EQ(m_parent.clicks, 0);
  button.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  EXPECT_EQ(m_parent.clicks, 1);
}

TEST_F(XButtonTest, TogglesAndHotTracking) {
  ProbeButton button;
  Make(button, L"Toggle");
  button.SetToggle(TRUE);
  button.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  button.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  EXPECT_TRUE(button.GetToggleState());
  // released outside: the toggle goes back
  button.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  button.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(500, 5));
  EXPECT_TRUE(button.GetToggleState());
  button.SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
  EXPECT_TRUE(button.IsHot());
  button.SendMessage(WM_MOUSELEAVE, 0, 0);
  EXPECT_FALSE(button.IsHot());
}

TEST_F(XButtonTest, TheSidePanelsButtonsTakeTheSelectedFace) {
  CMenuDialog panel(nullptr, nullptr);
  EXPECT_EQ(panel.m_buttons[0].GetFaceColor(), static_cast<COLORREF>(-1));
  panel.OnPageButton(CMenuDialog::kFirstButtonId + 2);
  EXPECT_EQ(panel.m_buttons[2].GetFaceColor(), RGB(245, 195, 115));
  panel.OnPageButton(CMenuDialog::kFirstButtonId + 5);
  EXPECT_EQ(panel.m_buttons[2].GetFaceColor(), static_cast<COLORREF>(-1));
  EXPECT_EQ(panel.m_buttons[5].GetFaceColor(), RGB(245, 195, 115));
  panel.m_bLocked = TRUE;
  panel.OnPageButton(CMenuDialog::kFirstButtonId + 1);  // locked: ignored
  EXPECT_EQ(panel.m_nSelectedButton, 5);
}

}  // namespace
