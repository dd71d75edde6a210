// Thread message hooks: installing and removing them, the order of the chain, what they see of
// dispatched messages and of the user's input, and hooks that change windows while they run.
#include "platform/threadhook.h"

#include <gtest/gtest.h>

#include <QAbstractScrollArea>
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QTest>
#include <QWheelEvent>
#include <functional>
#include <thread>
#include <vector>

#include "platform/controls.h"
#include "platform/listctrl.h"
#include "platform/sync.h"
#include "test_main_env.h"

namespace {

struct Seen {
  UINT message;
  HWND hwnd;
  WPARAM wParam;
  LPARAM lParam;
  LRESULT result;
};

// What the hooks of a test do; the procedures are plain functions, so they reach it through here.
struct HookLog {
  std::vector<int> order;
  std::vector<Seen> seen;
  std::function<void(int which, const CWPRETSTRUCT&)> action;
  bool stopAt[3] = {false, false, false};
  HHOOK handles[3] = {nullptr, nullptr, nullptr};
};
HookLog* g_log = nullptr;

LRESULT Run(int which, int code, WPARAM wParam, LPARAM lParam) {
  const auto* cwp = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
  if (g_log != nullptr) {
    g_log->order.push_back(which);
    if (which == 0) g_log->seen.push_back(Seen{cwp->message, cwp->hwnd, cwp->wParam, cwp->lParam, cwp->lResult});
    if (g_log->action) g_log->action(which, *cwp);
    if (g_log->stopAt[which]) return 100 + which;
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}
LRESULT Proc0(int code, WPARAM wParam, LPARAM lParam) { return Run(0, code, wParam, lParam); }
LRESULT Proc1(int code, WPARAM wParam, LPARAM lParam) { return Run(1, code, wParam, lParam); }
LRESULT Proc2(int code, WPARAM wParam, LPARAM lParam) { return Run(2, code, wParam, lParam); }
const HOOKPROC kProcs[3] = {Proc0, Proc1, Proc2};

class ThreadHookTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(platform::test::EnsureApplication(), nullptr);
    g_log = &log;
  }
  void TearDown() override {
    for (HHOOK& h : log.handles) {
      if (h != nullptr) UnhookWindowsHookEx(h);
      h = nullptr;
    }
    g_log = nullptr;
    if (frame.m_hWnd != nullptr) frame.DestroyWindow();
    EXPECT_EQ(platform::CountCallWndProcRetHooks(), 0);
  }
  // Installs hooks 0..n-1; the last one installed runs first.
  void Install(int n) {
    for (int i = 0; i < n; ++i) {
      log.handles[i] = SetWindowsHookEx(WH_CALLWNDPROCRET, kProcs[i], nullptr, GetCurrentThreadId());
      ASSERT_NE(log.handles[i], nullptr);
    }
  }
  // A visible frame with an edit and a list view.
  void MakeWindows() {
    ASSERT_TRUE(frame.CreateEx(0, nullptr, L"frame", WS_POPUP | WS_VISIBLE, CRect(30, 30, 430, 330), nullptr, 0));
    ASSERT_TRUE(edit.Create(WS_CHILD | WS_VISIBLE | WS_BORDER, CRect(10, 10, 200, 34), &frame, 101));
    ASSERT_TRUE(list.Create(WS_CHILD | WS_VISIBLE | LVS_REPORT, CRect(10, 50, 300, 250), &frame, 102));
    list.InsertColumn(0, L"A", LVCFMT_LEFT, 100);
    list.InsertItem(0, L"row");
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frame.GetWidget()));
  }
  std::vector<Seen> Messages(UINT message) const {
    std::vector<Seen> out;
    for (const Seen& s : log.seen) {
      if (s.message == message) out.push_back(s);
    }
    return out;
  }

  HookLog log;
  CWnd frame;
  CEdit edit;
  CListCtrl list;
};

TEST_F(ThreadHookTest, InstallsOnlyWhatItCanServe) {
  struct Case {
    const char* what;
    int id;
    HOOKPROC proc;
    int thread;  // 0: none given, 1: this thread, 2: another thread
    bool accepted;
  };
  const Case cases[] = {
      {"after-call hook for this thread", WH_CALLWNDPROCRET, Proc0, 1, true},
      {"after-call hook, thread not named", WH_CALLWNDPROCRET, Proc0, 0, true},
      {"another hook kind", 4, Proc0, 1, false},
      {"keyboard hook", 2, Proc0, 0, false},
      {"no procedure", WH_CALLWNDPROCRET, nullptr, 1, false},
      {"another thread", WH_CALLWNDPROCRET, Proc0, 2, false},
  };
  DWORD other = 0;
  std::thread([&] { other = GetCurrentThreadId(); }).join();
  ASSERT_NE(other, GetCurrentThreadId());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    DWORD thread = c.thread == 0 ? 0 : c.thread == 1 ? GetCurrentThreadId() : other;
    HHOOK h = SetWindowsHookEx(c.id, c.proc, nullptr, thread);
    EXPECT_EQ(h != nullptr, c.accepted);
    if (h == nullptr) continue;
    EXPECT_EQ(platform::CountCallWndProcRetHooks(), 1);
    EXPECT_TRUE(UnhookWindowsHookEx(h));
    EXPECT_FALSE(UnhookWindowsHookEx(h)) << "a removed hook cannot be removed again";
    EXPECT_EQ(platform::CountCallWndProcRetHooks(), 0);
  }
  EXPECT_FALSE(UnhookWindowsHookEx(nullptr));
  EXPECT_EQ(CallNextHookEx(nullptr, HC_ACTION, 0, 0), 0) << "outside a hook there is no chain to continue";
}

TEST_F(ThreadHookTest, ChainRunsNewestFirstUntilAHookStopsIt) {
  Install(3);
  struct Case {
    const char* what;
    bool stop[3];
    std::vector<int> order;
  };
  const Case cases[] = {
      {"every hook passes on", {false, false, false}, {2, 1, 0}},
      {"the newest keeps the message", {false, false, true}, {2}},
      {"the middle one keeps it", {false, true, false}, {2, 1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    log.order.clear();
    std::copy(std::begin(c.stop), std::end(c.stop), std::begin(log.stopAt));
    platform::CallWndProcRetHooks(reinterpret_cast<HWND>(0x40), WM_COMMAND, 7, 8, 9);
    EXPECT_EQ(log.order, c.order);
  }
}

TEST_F(ThreadHookTest, HooksSeeTheMessageAndTheResult) {
  Install(1);
  HWND h = reinterpret_cast<HWND>(0x1234);
  platform::CallWndProcRetHooks(h, WM_NOTIFY, 55, -3, 77);
  ASSERT_EQ(log.seen.size(), 1u);
  EXPECT_EQ(log.seen[0].message, static_cast<UINT>(WM_NOTIFY));
  EXPECT_EQ(log.seen[0].hwnd, h);
  EXPECT_EQ(log.seen[0].wParam, 55u);
  EXPECT_EQ(log.seen[0].lParam, -3);
  EXPECT_EQ(log.seen[0].result, 77);
}

TEST_F(ThreadHookTest, AHookMayRemoveHooksWhileTheChainRuns) {
  Install(3);
  // Hook 2 runs first and removes hook 1 (not yet run) and itself.
  log.action = [&](int which, const CWPRETSTRUCT&) {
    if (which != 2) return;
    EXPECT_TRUE(UnhookWindowsHookEx(log.handles[1]));
    EXPECT_TRUE(UnhookWindowsHookEx(log.handles[2]));
    log.handles[1] = log.handles[2] = nullptr;
  };
  platform::CallWndProcRetHooks(nullptr, WM_TIMER, 0, 0, 0);
  EXPECT_EQ(log.order, (std::vector<int>{2, 0}));
  log.order.clear();
  log.action = nullptr;
  platform::CallWndProcRetHooks(nullptr, WM_TIMER, 0, 0, 0);
  EXPECT_EQ(log.order, (std::vector<int>{0}));
}

TEST_F(ThreadHookTest, NestedReportsEndAtTheDepthLimit) {
  Install(1);
  int calls = 0;
  log.action = [&](int, const CWPRETSTRUCT& cwp) {
    ++calls;
    // A hook that reports a message from inside a hook: each report nests one level deeper.
    platform::CallWndProcRetHooks(cwp.hwnd, cwp.message, cwp.wParam, cwp.lParam, 0);
  };
  platform::CallWndProcRetHooks(nullptr, WM_USER, 0, 0, 0);
  EXPECT_EQ(calls, 16);
}

TEST_F(ThreadHookTest, InputIsReportedForTheWindowThatOwnsTheWidget) {
  ASSERT_NO_FATAL_FAILURE(MakeWindows());
  Install(1);
  QWidget* editWidget = edit.GetWidget();
  QWidget* viewport = qobject_cast<QAbstractScrollArea*>(list.GetWidget())->viewport();
  ASSERT_NE(viewport, nullptr);
  struct Case {
    const char* what;
    std::function<void()> send;
    UINT message;
    HWND hwnd;
    WPARAM wParam;
  };
  const QPoint inList(20, 10);
  const QPoint listClient = viewport->mapTo(list.GetWidget(), inList);
  auto mouse = [](QWidget* w, QEvent::Type type, Qt::MouseButton button, QPoint at) {
    QMouseEvent e(type, QPointF(at), QPointF(w->mapToGlobal(at)), button, button, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
  };
  const Case cases[] = {
      {"Enter in the edit",
       [&] {
         QKeyEvent e(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
         QApplication::sendEvent(editWidget, &e);
       },
       WM_KEYDOWN, edit.m_hWnd, VK_RETURN},
      {"Escape released in the edit",
       [&] {
         QKeyEvent e(QEvent::KeyRelease, Qt::Key_Escape, Qt::NoModifier);
         QApplication::sendEvent(editWidget, &e);
       },
       WM_KEYUP, edit.m_hWnd, VK_ESCAPE},
      {"left press on the list's viewport", [&] { mouse(viewport, QEvent::MouseButtonPress, Qt::LeftButton, inList); },
       WM_LBUTTONDOWN, list.m_hWnd, MK_LBUTTON},
      {"right press on the list's viewport", [&] { mouse(viewport, QEvent::MouseButtonPress, Qt::RightButton, inList); },
       WM_RBUTTONDOWN, list.m_hWnd, MK_RBUTTON},
      {"middle press on the edit", [&] { mouse(editWidget, QEvent::MouseButtonPress, Qt::MiddleButton, QPoint(3, 3)); },
       WM_MBUTTONDOWN, edit.m_hWnd, MK_MBUTTON},
      {"double click on the list's viewport",
       [&] { mouse(viewport, QEvent::MouseButtonDblClick, Qt::LeftButton, inList); }, WM_LBUTTONDBLCLK, list.m_hWnd,
       MK_LBUTTON},
      {"wheel over the list's viewport",
       [&] {
         QWheelEvent e(QPointF(inList), QPointF(viewport->mapToGlobal(inList)), QPoint(), QPoint(0, -120), Qt::NoButton,
                       Qt::NoModifier, Qt::NoScrollPhase, false);
         QApplication::sendEvent(viewport, &e);
       },
       WM_MOUSEWHEEL, list.m_hWnd, MAKEWPARAM(0, static_cast<WORD>(-120))},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    log.seen.clear();
    c.send();
    ASSERT_EQ(Messages(c.message).size(), 1u);
    const Seen s = Messages(c.message)[0];
    EXPECT_EQ(s.hwnd, c.hwnd);
    EXPECT_EQ(s.wParam, c.wParam);
    if (c.message == WM_LBUTTONDOWN) {
      EXPECT_EQ(LOWORD(s.lParam), listClient.x()) << "the point is in the window's client coordinates";
      EXPECT_EQ(HIWORD(s.lParam), listClient.y());
    }
  }
}

TEST_F(ThreadHookTest, InputInAPopUpWithoutAWindowHasNoWindow) {
  ASSERT_NO_FATAL_FAILURE(MakeWindows());
  Install(1);
  // Like the open list of a combo box: a pop-up widget made by a control, without a window.
  auto* popup = new QWidget(edit.GetWidget(), Qt::Popup);
  popup->setGeometry(40, 40, 80, 60);
  QKeyEvent e(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  QApplication::sendEvent(popup, &e);
  ASSERT_EQ(Messages(WM_KEYDOWN).size(), 1u);
  EXPECT_EQ(Messages(WM_KEYDOWN)[0].hwnd, nullptr);
  delete popup;
}

TEST_F(ThreadHookTest, AnEventPassedOnToParentsCountsOnce) {
  ASSERT_NO_FATAL_FAILURE(MakeWindows());
  Install(1);
  // A plain widget inside the frame ignores keys, so Qt offers the key to the frame as well.
  auto* plain = new QWidget(frame.GetWidget());
  plain->setGeometry(250, 10, 40, 20);
  QKeyEvent e(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
  QApplication::sendEvent(plain, &e);
  ASSERT_EQ(Messages(WM_KEYDOWN).size(), 1u);
  EXPECT_EQ(Messages(WM_KEYDOWN)[0].hwnd, frame.m_hWnd);
  EXPECT_EQ(Messages(WM_KEYDOWN)[0].wParam, static_cast<WPARAM>('A'));
  log.seen.clear();
  // The next key of the same kind is a new event, even to the same widget.
  QKeyEvent again(QEvent::KeyPress, Qt::Key_B, Qt::NoModifier, QStringLiteral("b"));
  QApplication::sendEvent(plain, &again);
  EXPECT_EQ(Messages(WM_KEYDOWN).size(), 1u);
}

TEST_F(ThreadHookTest, FocusChangesNameTheWindowThatGainsTheFocus) {
  ASSERT_NO_FATAL_FAILURE(MakeWindows());
  frame.GetWidget()->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(frame.GetWidget()));
  edit.SetFocus();
  ASSERT_TRUE(QTest::qWaitFor([&] { return edit.GetWidget()->hasFocus(); }));
  Install(1);
  list.SetFocus();
  ASSERT_TRUE(QTest::qWaitFor([&] { return list.GetWidget()->hasFocus(); }));
  ASSERT_EQ(Messages(WM_KILLFOCUS).size(), 1u);
  EXPECT_EQ(Messages(WM_KILLFOCUS)[0].hwnd, edit.m_hWnd);
  EXPECT_EQ(Messages(WM_KILLFOCUS)[0].wParam, reinterpret_cast<WPARAM>(list.m_hWnd));
  ASSERT_EQ(Messages(WM_SETFOCUS).size(), 1u);
  EXPECT_EQ(Messages(WM_SETFOCUS)[0].hwnd, list.m_hWnd);
}

TEST_F(ThreadHookTest, AHookMayDestroyTheWindowTheInputIsFor) {
  ASSERT_NO_FATAL_FAILURE(MakeWindows());
  Install(1);
  HWND editHwnd = edit.m_hWnd;
  log.action = [&](int, const CWPRETSTRUCT& cwp) {
    if (cwp.message == WM_KEYDOWN && cwp.hwnd == editHwnd) edit.DestroyWindow();
  };
  QPointer<QWidget> widget = edit.GetWidget();
  QTest::keyClick(widget, Qt::Key_Return);
  EXPECT_FALSE(IsWindow(editHwnd));
  EXPECT_EQ(edit.m_hWnd, nullptr);
  ASSERT_TRUE(QTest::qWaitFor([&] { return widget.isNull(); })) << "the widget goes once the event is done";
}

TEST_F(ThreadHookTest, InputIsNotReportedWithoutHooks) {
  ASSERT_NO_FATAL_FAILURE(MakeWindows());
  Install(1);
  UnhookWindowsHookEx(log.handles[0]);
  log.handles[0] = nullptr;
  QTest::keyClick(edit.GetWidget(), Qt::Key_Return);
  EXPECT_TRUE(log.seen.empty());
}

}  // namespace
