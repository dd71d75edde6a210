// The editor hook: which messages end an edit (keeping or dropping the text), which leave it
// running (drop-downs, focus moving inside the editor), attaching and detaching, several hooks at
// once, editors that go away, and hooks that go away while attached.
#include "reference/control/listctrlex/msghook.h"

#include <gtest/gtest.h>

#include <QTest>
#include <functional>
#include <memory>
#include <vector>

#include "../../platform/qt_app.h"
#include "platform/controls.h"

namespace {

// Stands in for the list: records the end messages and, like the list, detaches the hook.
class EndSink : public CWnd {
 public:
  std::vector<WPARAM> ends;
  CMsgHook* hook = nullptr;
  bool detaches = true;
  std::function<void()> during;
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_LISTCTRLEX_ENDEDIT) {
      ends.push_back(wParam);
      if (detaches && hook != nullptr) hook->Detach();
      if (during) during();
      return 0;
    }
    return CWnd::WindowProc(message, wParam, lParam);
  }
};

void Report(HWND hwnd, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
  platform::CallWndProcRetHooks(hwnd, message, wParam, lParam, 0);
}

class MsgHookTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testsupport::EnsureApp();
    ASSERT_TRUE(frame.CreateEx(0, nullptr, L"frame", WS_POPUP | WS_VISIBLE, CRect(60, 60, 460, 360), nullptr, 0));
    ASSERT_TRUE(list.CreateEx(0, nullptr, L"", WS_CHILD | WS_VISIBLE, CRect(0, 0, 300, 200), &frame, 1));
    ASSERT_TRUE(panel.CreateEx(0, nullptr, L"", WS_CHILD | WS_VISIBLE, CRect(10, 10, 150, 40), &list, 2));
    ASSERT_TRUE(inner.Create(WS_CHILD | WS_VISIBLE, CRect(0, 0, 60, 24), &panel, 3));
    ASSERT_TRUE(elsewhere.Create(L"Elsewhere", WS_CHILD | WS_VISIBLE, CRect(10, 250, 110, 280), &frame, 4));
    list.hook = &hook;
  }
  void TearDown() override {
    hook.Detach();
    if (frame.m_hWnd != nullptr) frame.DestroyWindow();
  }
  NMHDR Notice(UINT code) {
    NMHDR hdr{};
    hdr.hwndFrom = panel.m_hWnd;
    hdr.idFrom = 2;
    hdr.code = code;
    return hdr;
  }

  CWnd frame;
  EndSink list;
  CWnd panel;  // the editor, with a window of its own inside
  CEdit inner;
  CButton elsewhere;
  CMsgHook hook;
};

TEST_F(MsgHookTest, WhatEndsAnEditAndWhatDoesNot) {
  const HWND editor = panel.m_hWnd;
  const HWND child = inner.m_hWnd;
  const HWND other = elsewhere.m_hWnd;
  NMHDR pickerOpen = Notice(DTN_DROPDOWN);
  NMHDR pickerClosed = Notice(DTN_CLOSEUP);
  auto comboOpen = [&] { Report(list.m_hWnd, WM_COMMAND, MAKEWPARAM(2, CBN_DROPDOWN), reinterpret_cast<LPARAM>(editor)); };
  auto comboClosed = [&] { Report(list.m_hWnd, WM_COMMAND, MAKEWPARAM(2, CBN_CLOSEUP), reinterpret_cast<LPARAM>(editor)); };
  struct Case {
    const char* what;
    std::function<void()> before;
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    std::vector<WPARAM> ends;
  };
  const Case cases[] = {
      {"Enter in the editor keeps the text", nullptr, editor, WM_KEYDOWN, VK_RETURN, {1}},
      {"Escape in the editor drops it", nullptr, editor, WM_KEYDOWN, VK_ESCAPE, {0}},
      {"Enter in a window inside the editor", nullptr, child, WM_KEYDOWN, VK_RETURN, {1}},
      {"another key", nullptr, editor, WM_KEYDOWN, 'A', {}},
      {"Enter somewhere else", nullptr, other, WM_KEYDOWN, VK_RETURN, {}},
      {"the focus going to another window", nullptr, editor, WM_KILLFOCUS, reinterpret_cast<WPARAM>(other), {1}},
      {"the focus leaving the program", nullptr, editor, WM_KILLFOCUS, 0, {1}},
      {"the focus moving inside the editor", nullptr, child, WM_KILLFOCUS, reinterpret_cast<WPARAM>(editor), {}},
      {"the focus lost while the combo is open", comboOpen, editor, WM_KILLFOCUS, reinterpret_cast<WPARAM>(other), {}},
      {"the focus lost once the combo closed", [&] { comboOpen(), comboClosed(); }, editor, WM_KILLFOCUS,
       reinterpret_cast<WPARAM>(other), {1}},
      {"a click elsewhere", nullptr, other, WM_LBUTTONDOWN, MK_LBUTTON, {1}},
      {"a right click elsewhere", nullptr, other, WM_RBUTTONDOWN, 0, {1}},
      {"a middle click elsewhere", nullptr, other, WM_MBUTTONDOWN, 0, {1}},
      {"the wheel elsewhere", nullptr, other, WM_MOUSEWHEEL, 0, {1}},
      {"a scroll bar", nullptr, list.m_hWnd, WM_VSCROLL, SB_LINEDOWN, {1}},
      {"a horizontal scroll bar", nullptr, list.m_hWnd, WM_HSCROLL, SB_LINEDOWN, {1}},
      {"a menu", nullptr, frame.m_hWnd, WM_MENUSELECT, 0, {1}},
      {"a click on a pop-up without a window", nullptr, nullptr, WM_LBUTTONDOWN, 0, {1}},
      {"a click in the editor", nullptr, editor, WM_LBUTTONDOWN, 0, {}},
      {"a click inside the editor", nullptr, child, WM_LBUTTONDOWN, 0, {}},
      {"a click while the combo is open", comboOpen, other, WM_LBUTTONDOWN, 0, {}},
      {"a click while the calendar is open",
       [&] { Report(list.m_hWnd, WM_NOTIFY, 2, reinterpret_cast<LPARAM>(&pickerOpen)); }, other, WM_LBUTTONDOWN, 0, {}},
      {"a click once the calendar closed",
       [&] {
         Report(list.m_hWnd, WM_NOTIFY, 2, reinterpret_cast<LPARAM>(&pickerOpen));
         Report(list.m_hWnd, WM_NOTIFY, 2, reinterpret_cast<LPARAM>(&pickerClosed));
       },
       other, WM_LBUTTONDOWN, 0, {1}},
      {"the editor destroyed, then a click", [&] { Report(editor, WM_DESTROY); }, other, WM_LBUTTONDOWN, 0, {}},
      {"a message of no interest", nullptr, editor, WM_TIMER, 1, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    list.ends.clear();
    ASSERT_TRUE(hook.Attach(editor, list.m_hWnd));
    if (c.before) c.before();
    Report(c.hwnd, c.message, c.wParam);
    EXPECT_EQ(list.ends, c.ends);
    if (!c.ends.empty()) {
      EXPECT_FALSE(hook.IsAttached()) << "an ended edit leaves the map";
    }
    hook.Detach();
  }
}

TEST_F(MsgHookTest, AttachingNeedsWindowsAndReplacesTheLastEditor) {
  HWND bogus = reinterpret_cast<HWND>(0x4);
  EXPECT_FALSE(hook.Attach(bogus, list.m_hWnd));
  EXPECT_FALSE(hook.Attach(panel.m_hWnd, bogus));
  EXPECT_FALSE(hook.Attach(nullptr, list.m_hWnd));
  EXPECT_FALSE(hook.Detach()) << "not attached";
  ASSERT_TRUE(hook.Attach(inner.m_hWnd, list.m_hWnd));
  ASSERT_TRUE(hook.Attach(panel.m_hWnd, list.m_hWnd));
  EXPECT_EQ(hook.m_hEditor, panel.m_hWnd);
  CMsgHook* found = nullptr;
  EXPECT_FALSE(CMsgHook::s_mapHooks.Lookup(inner.m_hWnd, found)) << "the first editor left the map";
  EXPECT_TRUE(hook.Detach());
  EXPECT_FALSE(hook.Detach());
  EXPECT_EQ(hook.m_hList, nullptr);
}

TEST_F(MsgHookTest, AClickElsewhereEndsEveryIdleEditOnce) {
  CEdit second;
  ASSERT_TRUE(second.Create(WS_CHILD | WS_VISIBLE, CRect(160, 10, 260, 34), &list, 5));
  EndSink otherList;
  ASSERT_TRUE(otherList.CreateEx(0, nullptr, L"", WS_CHILD, CRect(0, 0, 10, 10), &frame, 6));
  CMsgHook secondHook;
  otherList.hook = &secondHook;
  otherList.detaches = false;  // a notify window that does not detach: the hook detaches itself
  ASSERT_TRUE(hook.Attach(panel.m_hWnd, list.m_hWnd));
  ASSERT_TRUE(secondHook.Attach(second.m_hWnd, list.m_hWnd, otherList.m_hWnd));
  // Ending one edit reports another click from inside: nothing ends twice.
  list.during = [&] { Report(elsewhere.m_hWnd, WM_LBUTTONDOWN); };
  Report(elsewhere.m_hWnd, WM_LBUTTONDOWN);
  EXPECT_EQ(list.ends, (std::vector<WPARAM>{1}));
  EXPECT_EQ(otherList.ends, (std::vector<WPARAM>{1})) << "the notify window hears instead of the list";
  EXPECT_FALSE(hook.IsAttached());
  EXPECT_FALSE(secondHook.IsAttached());
  Report(elsewhere.m_hWnd, WM_LBUTTONDOWN);
  EXPECT_EQ(otherList.ends.size(), 1u);
}

TEST_F(MsgHookTest, AnEditorThatWentAwayIsForgotten) {
  ASSERT_TRUE(hook.Attach(panel.m_hWnd, list.m_hWnd));
  HWND editor = panel.m_hWnd;
  panel.DestroyWindow();
  // Nothing told the hook; the next message finds the editor gone.
  Report(elsewhere.m_hWnd, WM_LBUTTONDOWN);
  EXPECT_TRUE(list.ends.empty());
  EXPECT_FALSE(hook.IsAttached());
  CMsgHook* found = nullptr;
  EXPECT_FALSE(CMsgHook::s_mapHooks.Lookup(editor, found));
}

TEST_F(MsgHookTest, AHookThatGoesAwayLeavesNothingBehind) {
  const int before = platform::CountCallWndProcRetHooks();
  const int instances = CMsgHook::s_nRefCount;
  {
    auto extra = std::make_unique<CMsgHook>();
    EXPECT_EQ(CMsgHook::s_nRefCount, instances + 1);
    EXPECT_EQ(platform::CountCallWndProcRetHooks(), before) << "one thread hook serves every instance";
    ASSERT_TRUE(extra->Attach(inner.m_hWnd, list.m_hWnd));
  }
  EXPECT_EQ(CMsgHook::s_nRefCount, instances);
  CMsgHook* found = nullptr;
  EXPECT_FALSE(CMsgHook::s_mapHooks.Lookup(inner.m_hWnd, found));
  Report(inner.m_hWnd, WM_KEYDOWN, VK_RETURN);
  EXPECT_TRUE(list.ends.empty());
}

TEST_F(MsgHookTest, AComboWithItsListOpenIsNotEnded) {
  CComboBox combo;
  ASSERT_TRUE(combo.Create(WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST, CRect(10, 50, 110, 150), &list, 7));
  combo.AddString(L"one");
  ASSERT_TRUE(hook.Attach(combo.m_hWnd, list.m_hWnd));
  combo.ShowDropDown(TRUE);
  ASSERT_TRUE(combo.GetDroppedState());
  Report(elsewhere.m_hWnd, WM_LBUTTONDOWN);
  Report(combo.m_hWnd, WM_KILLFOCUS, 0);
  EXPECT_TRUE(list.ends.empty()) << "the open list counts as a drop-down even unannounced";
  combo.ShowDropDown(FALSE);
  Report(elsewhere.m_hWnd, WM_LBUTTONDOWN);
  EXPECT_EQ(list.ends, (std::vector<WPARAM>{1}));
}

}  // namespace
