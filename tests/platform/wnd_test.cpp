// Window framework core: message maps, reflection, SendMessage across threads, posted messages,
// timers on the manual clock, PreTranslateMessage routing and window lifetime.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTest>
#include <atomic>
#include <thread>
#include <vector>

#include "platform/clock.h"
#include "platform/gdi.h"
#include "platform/pumpwait.h"
#include "platform/sync.h"
#include "platform/wnd.h"
#include "qt_app.h"
#include "wait_util.h"

namespace {

const UINT WM_TEST_PING = WM_USER + 1;
const UINT WM_TEST_BASEONLY = WM_USER + 2;
const UINT WM_TEST_DESTROYSELF = WM_USER + 3;

class BaseWnd : public CWnd {
 public:
  std::vector<CString> log;
  LRESULT OnBaseOnly(WPARAM w, LPARAM) {
    log.push_back(CString("base"));
    return static_cast<LRESULT>(w) + 1;
  }
  LRESULT OnPing(WPARAM, LPARAM) {
    log.push_back(CString("base-ping"));
    return 1;
  }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(BaseWnd, CWnd)
  ON_MESSAGE(WM_TEST_BASEONLY, &BaseWnd::OnBaseOnly)
  ON_MESSAGE(WM_TEST_PING, &BaseWnd::OnPing)
END_MESSAGE_MAP()

class TestWnd : public BaseWnd {
 public:
  std::vector<UINT_PTR> timers;
  std::vector<UINT> commands;
  std::vector<std::pair<UINT, UINT>> notifies;
  std::vector<UINT> preTranslated;
  bool swallowEnterEsc = false;
  std::function<void(UINT_PTR)> onTimerHook;

  LRESULT OnPing(WPARAM w, LPARAM l) {
    log.push_back(CString("ping"));
    return static_cast<LRESULT>(w * 10 + l);
  }
  void OnTimer(UINT_PTR id) {
    timers.push_back(id);
    if (onTimerHook) onTimerHook(id);
  }
  void OnCommandRange(UINT id) { commands.push_back(id); }
  void OnNotifyRange(UINT id, NMHDR* hdr, LRESULT* result) {
    notifies.emplace_back(id, hdr->code);
    *result = 7;
  }
  LRESULT OnDestroySelf(WPARAM, LPARAM) {
    DestroyWindow();
    return 5;
  }
  BOOL PreTranslateMessage(MSG* pMsg) override {
    if (pMsg->message == WM_KEYDOWN) {
      preTranslated.push_back(static_cast<UINT>(pMsg->wParam));
      if (swallowEnterEsc && (pMsg->wParam == VK_RETURN || pMsg->wParam == VK_ESCAPE)) return TRUE;
    }
    return BaseWnd::PreTranslateMessage(pMsg);
  }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(TestWnd, BaseWnd)
  ON_MESSAGE(WM_TEST_PING, &TestWnd::OnPing)
  ON_MESSAGE(WM_TEST_DESTROYSELF, &TestWnd::OnDestroySelf)
  ON_WM_TIMER()
  ON_COMMAND_RANGE(2000, 2009, &TestWnd::OnCommandRange)
  ON_NOTIFY_RANGE(NM_CLICK, 3000, 3099, &TestWnd::OnNotifyRange)
END_MESSAGE_MAP()

// A child control that takes WM_COMMAND notifications it sends itself before its parent does.
class ReflectingChild : public CWnd {
 public:
  int reflected = 0;
  void OnReflectedClick() { ++reflected; }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(ReflectingChild, CWnd)
  ON_CONTROL_REFLECT(BN_CLICKED, &ReflectingChild::OnReflectedClick)
END_MESSAGE_MAP()

// Erases its background red and paints a blue square in its top-left corner.
class PaintedWnd : public CWnd {
 public:
  std::vector<UINT> order;
  BOOL OnEraseBkgnd(CDC* pDC) {
    order.push_back(WM_ERASEBKGND);
    CRect rc;
    GetClientRect(&rc);
    pDC->FillSolidRect(&rc, RGB(255, 0, 0));
    return TRUE;
  }
  void OnPaint() {
    order.push_back(WM_PAINT);
    CPaintDC dc(this);
    dc.FillSolidRect(CRect(0, 0, 10, 10), RGB(0, 0, 255));
  }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(PaintedWnd, CWnd)
  ON_WM_ERASEBKGND()
  ON_WM_PAINT()
END_MESSAGE_MAP()

class WndTest : public ::testing::Test {
 protected:
  void SetUp() override { testsupport::EnsureApp(); }
  void TearDown() override { platform::SetClock(nullptr); }

  static void CreateTop(CWnd& w) {
    ASSERT_TRUE(w.CreateEx(0, nullptr, L"top", WS_POPUP | WS_VISIBLE, CRect(10, 10, 310, 210), nullptr, 0));
  }
};

TEST_F(WndTest, MessageMapsResolveMostDerivedFirstAndFallBackToBases) {
  TestWnd w;
  CreateTop(w);
  EXPECT_EQ(w.SendMessage(WM_TEST_PING, 4, 2), 42);         // derived entry wins
  EXPECT_EQ(w.SendMessage(WM_TEST_BASEONLY, 9, 0), 10);     // base entry still reached
  EXPECT_EQ(w.SendMessage(WM_USER + 77, 1, 1), 0);          // nobody: DefWindowProc
  ASSERT_EQ(w.log.size(), 2u);
  EXPECT_EQ(w.log[0], CString("ping"));
  EXPECT_EQ(w.log[1], CString("base"));
}

TEST_F(WndTest, CommandAndNotifyRangesCarryTheControlId) {
  TestWnd w;
  CreateTop(w);
  w.SendMessage(WM_COMMAND, MAKEWPARAM(2003, 0), 0);
  w.SendMessage(WM_COMMAND, MAKEWPARAM(2010, 0), 0);  // outside the range
  NMHDR hdr{nullptr, 3042, NM_CLICK};
  EXPECT_EQ(w.SendMessage(WM_NOTIFY, 3042, reinterpret_cast<LPARAM>(&hdr)), 7);
  NMHDR other{nullptr, 3042, NM_DBLCLK};
  EXPECT_EQ(w.SendMessage(WM_NOTIFY, 3042, reinterpret_cast<LPARAM>(&other)), 0);
  EXPECT_EQ(w.commands, std::vector<UINT>{2003});
  ASSERT_EQ(w.notifies.size(), 1u);
  EXPECT_EQ(w.notifies[0], std::make_pair(3042u, static_cast<UINT>(NM_CLICK)));
}

TEST_F(WndTest, ReflectedNotificationIsTakenByTheChildFirst) {
  TestWnd parent;
  CreateTop(parent);
  ReflectingChild child;
  ASSERT_TRUE(child.Create(nullptr, L"", WS_CHILD | WS_VISIBLE, CRect(0, 0, 20, 20), &parent, 2005));
  platform::NotifyCommand(&child, BN_CLICKED);
  EXPECT_EQ(child.reflected, 1);
  EXPECT_TRUE(parent.commands.empty());
  platform::NotifyCommand(&child, BN_DOUBLECLICKED);  // not reflected: reaches nobody in the range map
  EXPECT_EQ(child.reflected, 1);
  EXPECT_EQ(parent.GetDlgItem(2005), &child);
  EXPECT_EQ(child.GetParent(), &parent);
}

TEST_F(WndTest, SendMessageFromAnotherThreadBlocksUntilHandledInsideAWait) {
  TestWnd w;
  CreateTop(w);
  HANDLE done = CreateEvent(nullptr, TRUE, FALSE, nullptr);
  std::atomic<LRESULT> result{-1};
  std::atomic<bool> returned{false};
  std::thread worker([&] {
    result = ::SendMessage(w.m_hWnd, WM_TEST_PING, 3, 4);
    returned = true;
    SetEvent(done);
  });
  // The GUI thread is inside a nested wait; the sent message is handled there.
  EXPECT_EQ(platform::WaitPumping(done, 10000), WAIT_OBJECT_0);
  worker.join();
  EXPECT_TRUE(returned);
  EXPECT_EQ(result.load(), 34);
  ASSERT_FALSE(w.log.empty());
  EXPECT_EQ(w.log.back(), CString("ping"));
  CloseHandle(done);
}

TEST_F(WndTest, SendMessageToADestroyedWindowFromAnotherThreadReturnsZero) {
  HWND stale;
  {
    TestWnd w;
    CreateTop(w);
    stale = w.m_hWnd;
  }
  std::atomic<LRESULT> result{-1};
  std::thread worker([&] { result = ::SendMessage(stale, WM_TEST_PING, 1, 1); });
  worker.join();
  EXPECT_EQ(result.load(), 0);
  EXPECT_FALSE(IsWindow(stale));
}

TEST_F(WndTest, SendMessageWaitingFromAnotherThreadReturnsZeroWhenTheWindowIsDestroyed) {
  TestWnd w;
  CreateTop(w);
  const HWND h = w.m_hWnd;
  platform::PumpPendingEvents();  // the dispatcher exists before the worker sends
  std::atomic<LRESULT> result{-1};
  std::atomic<bool> returned{false};
  std::thread worker([&] {
    result = ::SendMessage(h, WM_TEST_PING, 3, 4);
    returned = true;
  });
  // The worker waits for this thread, which destroys the window without handling messages.
  const bool queued = testutil::WaitUntil([] { return platform::WaitingSentMessages() > 0; });
  w.DestroyWindow();
  const bool released = testutil::WaitUntil([&] { return returned.load(); });
  // Whatever happened, the worker is let go before it is joined.
  platform::PumpUntilWallClock([&] { return returned.load(); }, 10000);
  worker.join();
  EXPECT_TRUE(queued);
  EXPECT_TRUE(released) << "the sender is let go when its window goes, without a pump";
  EXPECT_EQ(result.load(), 0);
  EXPECT_TRUE(w.log.empty()) << "the destroyed window handled nothing";
}

TEST_F(WndTest, PostedMessagesArriveInOrderAndAreDroppedForDeadWindows) {
  TestWnd w;
  CreateTop(w);
  EXPECT_TRUE(w.PostMessage(WM_COMMAND, MAKEWPARAM(2001, 0), 0));
  EXPECT_TRUE(w.PostMessage(WM_COMMAND, MAKEWPARAM(2002, 0), 0));
  EXPECT_TRUE(w.commands.empty());  // not handled synchronously
  EXPECT_TRUE(platform::PumpUntil([&] { return w.commands.size() == 2; }, 5000));
  EXPECT_EQ(w.commands, (std::vector<UINT>{2001, 2002}));

  auto* doomed = new TestWnd();
  CreateTop(*doomed);
  HWND h = doomed->m_hWnd;
  EXPECT_TRUE(::PostMessage(h, WM_TEST_PING, 0, 0));
  delete doomed;
  platform::PumpPendingEvents();  // must not touch the deleted object
  EXPECT_FALSE(IsWindow(h));
  EXPECT_FALSE(::PostMessage(h, WM_TEST_PING, 0, 0));
}

TEST_F(WndTest, TimersFollowTheManualClock) {
  platform::ManualClock clock(1000);
  platform::SetClock(&clock);
  TestWnd w;
  CreateTop(w);
  w.SetTimer(1, 7000);
  w.SetTimer(2, 500);

  auto advanceAndPump = [&](uint64_t ms) {
    clock.Advance(ms);
    platform::PumpPendingEvents();
  };
  advanceAndPump(499);
  EXPECT_TRUE(w.timers.empty());
  advanceAndPump(1);
  EXPECT_EQ(w.timers, std::vector<UINT_PTR>{2});
  advanceAndPump(500);
  EXPECT_EQ(w.timers, (std::vector<UINT_PTR>{2, 2}));  // periodic
  EXPECT_TRUE(w.KillTimer(2));
  EXPECT_FALSE(w.KillTimer(2));
  advanceAndPump(2000);
  EXPECT_EQ(w.timers, (std::vector<UINT_PTR>{2, 2}));  // killed: no more

  // Re-setting a live timer restarts its period from now.
  w.timers.clear();
  advanceAndPump(3000);  // 6000 ms since timer 1 was set
  w.SetTimer(1, 7000);
  advanceAndPump(1500);  // 7500 since the first set, 1500 since the restart
  EXPECT_TRUE(w.timers.empty());
  advanceAndPump(5500);
  EXPECT_EQ(w.timers, std::vector<UINT_PTR>{1});

  // Several periods passing at once coalesce into one WM_TIMER.
  w.timers.clear();
  advanceAndPump(7000 * 3);
  EXPECT_EQ(w.timers, std::vector<UINT_PTR>{1});
  w.KillTimer(1);
}

TEST_F(WndTest, TimersFireInsideANestedWaitOnTheManualClock) {
  platform::ManualClock clock(0);
  platform::SetClock(&clock);
  TestWnd w;
  CreateTop(w);
  HANDLE ev = CreateEvent(nullptr, TRUE, FALSE, nullptr);
  // A retry schedule: the wait's own 1 ms steps move the manual clock forward.
  w.onTimerHook = [&](UINT_PTR id) {
    if (id == 5 && w.timers.size() == 4) SetEvent(ev);
  };
  w.SetTimer(5, 7000);
  EXPECT_EQ(platform::WaitPumping(ev, 60000), WAIT_OBJECT_0);
  EXPECT_EQ(w.timers.size(), 4u);
  EXPECT_GE(clock.NowMs(), 28000u);
  EXPECT_LT(clock.NowMs(), 28000u + 100u);
  ResetEvent(ev);
  EXPECT_EQ(platform::WaitPumping(ev, 100), WAIT_TIMEOUT);
  CloseHandle(ev);
}

TEST_F(WndTest, AWaitOnAnEventClosedBeforeOrDuringItFails) {
  platform::ManualClock clock(0);
  platform::SetClock(&clock);
  TestWnd w;
  CreateTop(w);
  HANDLE ev = CreateEvent(nullptr, TRUE, FALSE, nullptr);
  // Closed by a handler that runs inside the wait: the wait ends as failed, not at its time-out.
  w.onTimerHook = [&](UINT_PTR id) {
    if (id == 6) CloseHandle(ev);
  };
  w.SetTimer(6, 50);
  EXPECT_EQ(platform::WaitPumping(ev, INFINITE), static_cast<DWORD>(WAIT_FAILED));
  w.KillTimer(6);
  EXPECT_LT(clock.NowMs(), 1000u);
  EXPECT_EQ(platform::WaitPumping(ev, INFINITE), static_cast<DWORD>(WAIT_FAILED)) << "closed before the wait";
}

TEST_F(WndTest, PreTranslateMessageSwallowsEnterAndEscapeBeforeAChildEdit) {
  platform::WindowClassInfo edit;
  edit.name = CString("TESTLINEEDIT");
  edit.createWidget = [](CWnd*, DWORD, DWORD, QWidget* parent) -> QWidget* { return new QLineEdit(parent); };
  edit.createWrapper = [] { return new CWnd(); };
  platform::RegisterWindowClass(edit);

  TestWnd dlg;
  CreateTop(dlg);
  CWnd child;
  ASSERT_TRUE(child.Create(L"TESTLINEEDIT", L"", WS_CHILD | WS_VISIBLE, CRect(5, 5, 105, 25), &dlg, 1001));
  auto* line = qobject_cast<QLineEdit*>(child.GetWidget());
  ASSERT_NE(line, nullptr);
  QObject::connect(line, &QLineEdit::returnPressed, [&] { dlg.log.push_back(CString("edit-return")); });

  dlg.swallowEnterEsc = true;
  QTest::keyClick(line, Qt::Key_Return);
  QTest::keyClick(line, Qt::Key_A);
  QTest::keyClick(line, Qt::Key_Escape);
  EXPECT_EQ(dlg.preTranslated, (std::vector<UINT>{VK_RETURN, 'A', VK_ESCAPE}));
  EXPECT_EQ(line->text(), QString("a"));
  for (const CString& s : dlg.log) EXPECT_NE(s, CString("edit-return"));

  dlg.swallowEnterEsc = false;
  QTest::keyClick(line, Qt::Key_Return);
  EXPECT_EQ(dlg.log.back(), CString("edit-return"));
}

TEST_F(WndTest, WindowMayDestroyItselfInsideItsOwnHandler) {
  TestWnd w;
  CreateTop(w);
  HWND h = w.m_hWnd;
  EXPECT_EQ(w.SendMessage(WM_TEST_DESTROYSELF), 5);
  EXPECT_FALSE(IsWindow(h));
  EXPECT_EQ(w.GetSafeHwnd(), nullptr);
  platform::PumpPendingEvents();
}

TEST_F(WndTest, SubclassingKeepsTheHandleAndMovesMessagesToTheNewObject) {
  TestWnd parent;
  CreateTop(parent);
  auto* stand = new CWnd();
  stand->SetWrapperOwned(true);
  ASSERT_TRUE(stand->Create(nullptr, L"caption", WS_CHILD | WS_VISIBLE, CRect(1, 2, 31, 22), &parent, 1500));
  HWND h = stand->m_hWnd;
  TestWnd member;
  ASSERT_TRUE(member.SubclassDlgItem(1500, &parent));  // the stand-in is deleted
  EXPECT_EQ(member.m_hWnd, h);
  EXPECT_EQ(CWnd::FromHandle(h), &member);
  EXPECT_EQ(parent.GetDlgItem(1500), &member);
  EXPECT_EQ(member.GetWindowText(), CString("caption"));
  EXPECT_EQ(::SendMessage(h, WM_TEST_PING, 1, 2), 12);
  CRect r;
  member.GetWindowRect(&r);
  parent.ScreenToClient(&r);
  EXPECT_EQ(r, CRect(1, 2, 31, 22));
}

TEST_F(WndTest, OwnedPopupLivesInTheOwnersClientAreaAtScreenCoordinates) {
  TestWnd owner;
  CreateTop(owner);
  CRect ownerRect;
  owner.GetWindowRect(&ownerRect);
  CWnd popup;
  CRect want(ownerRect.left + 20, ownerRect.top + 30, ownerRect.left + 120, ownerRect.top + 80);
  ASSERT_TRUE(popup.Create(nullptr, L"", WS_POPUP | WS_VISIBLE, want, &owner, 0));
  EXPECT_EQ(popup.GetWidget()->parentWidget(), owner.GetWidget());
  CRect got;
  popup.GetWindowRect(&got);
  EXPECT_EQ(got, want);
  EXPECT_EQ(popup.GetParent(), &owner);  // a popup's parent is its owner
  popup.MoveWindow(ownerRect.left + 50, ownerRect.top + 5, 10, 10);
  EXPECT_EQ(popup.GetWidget()->pos(), QPoint(50, 5));
}

TEST_F(WndTest, PaintErasesTheBackgroundThenPaintsThroughTheMessageMap) {
  PaintedWnd w;
  ASSERT_TRUE(w.CreateEx(0, nullptr, L"", WS_POPUP | WS_VISIBLE, CRect(0, 0, 40, 30), nullptr, 0));
  QImage shot = w.GetWidget()->grab().toImage();
  ASSERT_GE(w.order.size(), 2u);
  EXPECT_EQ(w.order[0], static_cast<UINT>(WM_ERASEBKGND));
  EXPECT_EQ(w.order[1], static_cast<UINT>(WM_PAINT));
  EXPECT_EQ(shot.pixelColor(5, 5), QColor(0, 0, 255));
  EXPECT_EQ(shot.pixelColor(30, 20), QColor(255, 0, 0));
}

}  // namespace
