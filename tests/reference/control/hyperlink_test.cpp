// The hyperlink control: attaching to a static (text and target), colours by hover and visit, the
// hand cursor, opening through the desktop and the fallback program of the settings store, whose
// command line keeps the target one argument and is refused past its limit.
#include "reference/control/xlistctrl/hyperlink.h"

#include <gtest/gtest.h>

#include <vector>

#include "../../platform/qt_app.h"
#include "../default/regtest_support.h"
#include "platform/dialog.h"
#include "platform/shellexec.h"

namespace {

class ProbeLink : public CHyperLink {
 public:
  using CHyperLink::CtlColor;
  using CHyperLink::m_bCursorOver;
  using CHyperLink::OnTimer;
};

class HyperLinkTest : public regtest::RegistryTest {
 protected:
  void SetUp() override {
    RegistryTest::SetUp();
    testsupport::EnsureApp();
    ASSERT_TRUE(m_parent.CreateEx(0, nullptr, L"parent", WS_POPUP, CRect(0, 0, 300, 100), nullptr, 0));
  }
  void TearDown() override {
    platform::SetShellHandler({});
    platform::SetProgramHandler({});
    m_parent.DestroyWindow();
    RegistryTest::TearDown();
  }
  // A static made the way a dialog makes it, then attached.
  void Attach(ProbeLink& link, const CString& text, DWORD style = SS_LEFT) {
    ASSERT_TRUE(m_static.Create(text, WS_CHILD | WS_VISIBLE | style, CRect(10, 10, 210, 40), &m_parent, 1200));
    ASSERT_TRUE(link.SubclassWindow(m_static.GetSafeHwnd()));
  }
  CWnd m_parent;
  CStatic m_static;
};

TEST_F(HyperLinkTest, AttachingExchangesTextAndTargetAndMarksTheStatic) {
  ProbeLink link;
  link.SetLinkUrl(L"https://example.org/a b");
  Attach(link, L"");
  CString text;
  link.GetWindowText(text);
  EXPECT_EQ(text, CString(L"https://example.org/a b"));  // an empty static shows its target
  EXPECT_TRUE(link.GetStyle() & SS_NOTIFY);
  EXPECT_NE(link.GetHandCursor(), nullptr);
  EXPECT_TRUE(link.HasUnderline());

  ProbeLink named;
  CStatic other;
  ASSERT_TRUE(other.Create(L"Manual", WS_CHILD | WS_VISIBLE, CRect(10, 50, 210, 80), &m_parent, 1201));
  ASSERT_TRUE(named.SubclassWindow(other.GetSafeHwnd()));
  EXPECT_EQ(named.GetLinkUrl(), CString(L"Manual"));  // an empty target takes the text
  // fitted to the text: narrower than the template's 200 pixels
  CRect rect;
  named.GetWindowRect(&rect);
  EXPECT_LT(rect.Width(), 200);
  EXPECT_GT(rect.Width(), 0);
}

TEST_F(HyperLinkTest, ColoursFollowHoverAndVisit) {
  ProbeLink link;
  link.SetLinkUrl(L"https://example.org");
  Attach(link, L"Example");
  CRect window;
  link.GetWindowRect(&window);
  CDC dc;
  struct Case {
    const char* name;
    bool over;
    bool visited;
    COLORREF expected;
  } cases[] = {
      {"fresh link", false, false, RGB(0, 0, 255)},
      {"hovered", true, false, RGB(255, 0, 0)},
      {"hovered after a visit", true, true, RGB(255, 0, 0)},
      {"visited", false, true, RGB(85, 26, 139)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    link.MarkVisited(c.visited);
    const CPoint cursor = c.over ? window.CenterPoint() : CPoint(window.right + 50, window.bottom + 50);
    SetCursorPos(cursor.x, cursor.y);
    link.OnTimer(1);
    EXPECT_EQ(link.m_bCursorOver, c.over ? TRUE : FALSE);
    HBRUSH brush = link.CtlColor(&dc, CTLCOLOR_STATIC);
    EXPECT_EQ(dc.GetTextColor(), c.expected);
    EXPECT_EQ(brush, static_cast<HBRUSH>(GetStockObject(NULL_BRUSH)));
  }
  link.SetLinkColours(RGB(1, 2, 3), RGB(4, 5, 6));
  EXPECT_EQ(link.GetColourHover(), GetSysColor(COLOR_HIGHLIGHT));
}

TEST_F(HyperLinkTest, AClickMarksVisitedAndOpensTheTargetOnTheDesktop) {
  std::vector<platform::ShellRequest> opened;
  platform::SetShellHandler([&](const platform::ShellRequest& r) {
    opened.push_back(r);
    return TRUE;
  });
  ProbeLink link;
  link.SetLinkUrl(L"https://example.org/page");
  Attach(link, L"Example");
  m_parent.SendMessage(WM_COMMAND, MAKEWPARAM(1200, STN_CLICKED), reinterpret_cast<LPARAM>(link.GetSafeHwnd()));
  EXPECT_TRUE(link.WasVisited());
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0].verb, CString(L"open"));
  EXPECT_EQ(opened[0].file, CString(L"https://example.org/page"));
  EXPECT_EQ(opened[0].show, SW_SHOW);
}

TEST_F(HyperLinkTest, TheFallbackCommandKeepsTheTargetOneArgument) {
  struct Case {
    const char* name;
    const wchar_t* command;
    std::vector<CString> argv;
  } cases[] = {
      {"quoted placeholder and options", L"\"/opt/web browser/run\" \"%1\" -new", {L"/opt/web browser/run"}},
      {"bare placeholder", L"browser %1", {L"browser"}},
      {"no placeholder", L"browser --new-tab", {L"browser", L"--new-tab"}},
  };
  const CString target = L"file:///tmp/my page.htm; rm -rf x";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<CString> argv;
    ASSERT_TRUE(CHyperLink::BuildCommandLine(c.command, target, argv));
    std::vector<CString> expected = c.argv;
    expected.push_back(target);
    EXPECT_EQ(argv, expected);
  }
  std::vector<CString> argv;
  EXPECT_TRUE(CHyperLink::BuildCommandLine(L"b", CString(L'x', 517), argv));    // 519 characters
  EXPECT_FALSE(CHyperLink::BuildCommandLine(L"b", CString(L'x', 518), argv));   // 520: no room for the end
}

TEST_F(HyperLinkTest, WhenTheDesktopFailsTheWebPageProgramOpensIt) {
  platform::SetShellHandler([](const platform::ShellRequest&) { return FALSE; });
  std::vector<std::vector<CString>> started;
  platform::SetProgramHandler([&](const std::vector<CString>& argv) {
    started.push_back(argv);
    return 33u;
  });
  // no association: the desktop's failure is the answer
  EXPECT_LE(CHyperLink::OpenUrl(L"x y", SW_SHOW), 32u);
  EXPECT_TRUE(started.empty());
  ASSERT_TRUE(platform::reg::SetString(HKEY_CLASSES_ROOT, L".htm", L"", L"WebPage"));
  ASSERT_TRUE(platform::reg::SetString(HKEY_CLASSES_ROOT, L"WebPage\\shell\\open\\command", L"",
                                       L"\"/usr/bin/web view\" \"%1\""));
  EXPECT_EQ(CHyperLink::OpenUrl(L"/tmp/a page.htm", SW_SHOW), 33u);
  ASSERT_EQ(started.size(), 1u);
  EXPECT_EQ(started[0], (std::vector<CString>{L"/usr/bin/web view", L"/tmp/a page.htm"}));
  // past the command line's limit nothing is started
  EXPECT_LE(CHyperLink::OpenUrl(CString(L'z', 600), SW_SHOW), 32u);
  EXPECT_EQ(started.size(), 1u);
}

}  // namespace
