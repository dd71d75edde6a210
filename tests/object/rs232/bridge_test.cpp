// CBridge with stand-in device objects: objects become hidden children of the owner, requests reach
// the object that handles the message, statuses sent by a worker thread reach the owner's message
// map while the owner waits pumping, threads stop through their wake callback and are joined, and
// full tables refuse further objects and thread slots.
#include "object/rs232/bridge.h"

#include <gtest/gtest.h>

#include <atomic>
#include <climits>
#include <memory>
#include <thread>
#include <vector>

#include "../../platform/qt_app.h"
#include "../../platform/wait_util.h"
#include "platform/clock.h"
#include "platform/geometry.h"
#include "platform/trace.h"

namespace {

constexpr UINT WM_TEST_REQUEST = WM_USER + 150;
constexpr UINT WM_TEST_STATUS = WM_USER + 151;
constexpr UINT WM_TEST_OTHER = WM_USER + 300;

struct Status {
  int code;
  int sequence;
};

// The owner window: records the statuses that reach it and the thread they ran on.
class OwnerWnd : public CWnd {
 public:
  std::vector<int> sequences;
  std::vector<DWORD> threads;
  LRESULT OnStatus(WPARAM, LPARAM lParam) {
    const Status* status = reinterpret_cast<const Status*>(lParam);
    sequences.push_back(status->code == 42 ? status->sequence : -1);
    threads.push_back(GetCurrentThreadId());
    return 5;
  }
  DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(OwnerWnd, CWnd)
  ON_MESSAGE(WM_TEST_STATUS, &OwnerWnd::OnStatus)
END_MESSAGE_MAP()

// A device object with a configurable message range and number of worker threads. Its worker
// sends statuses to the owner until its budget is spent, then blocks on its own event, which only
// the wake callback sets.
class FakeObject : public Object_Base {
 public:
  FakeObject(UINT first, UINT last, int threads) : m_first(first), m_last(last), m_threadCount(threads) {}

  void Init(CBridge* pBridge, ThreadSlot* pSlots, int* pSlotCount) override {
    m_pBridge = pBridge;
    m_hWake = CreateEvent(nullptr, FALSE, FALSE, nullptr);
    ++initCalls;
    for (int i = 0; i < m_threadCount; ++i)
      if (AddThreadSlot(pSlots, pSlotCount, &StatusProc, &WakeProc)) ++slotsAdded;
  }
  void Close() override {
    ++closeCalls;
    CloseHandle(m_hWake);
    m_hWake = nullptr;
  }
  void SetMessageRange() override {
    m_nMsgFirst = m_first;
    m_nMsgLast = m_last;
  }

  LRESULT OnRequest(WPARAM wParam, LPARAM) {
    requests.push_back(static_cast<int>(wParam));
    return 100 + static_cast<LRESULT>(wParam);
  }

  static UINT StatusProc(LPVOID pParam) {
    CBridge* bridge = static_cast<CBridge*>(pParam);
    int slot = -1;
    if (!bridge->FindThreadSlot(&StatusProc, &slot, 0)) return 1;
    const HANDLE stop = bridge->GetStopEvent(slot);
    FakeObject* self = static_cast<FakeObject*>(bridge->GetObject(0));
    self->running = true;
    while (WaitForSingleObject(stop, 0) != WAIT_OBJECT_0) {
      if (self->sent < self->budget) {
        Status status{42, self->sent.load()};
        if (bridge->SendToGui(WM_TEST_STATUS, 0, reinterpret_cast<LPARAM>(&status), SEND_MODE_SEND) == 5)
          ++self->answered;
        ++self->sent;
      } else {
        WaitForSingleObject(self->m_hWake, INFINITE);
      }
    }
    ++self->exits;
    self->running = false;
    return 0;
  }
  static void WakeProc(CBridge* pBridge) {
    FakeObject* self = static_cast<FakeObject*>(pBridge->GetObject(0));
    ++self->wakeCalls;
    SetEvent(self->m_hWake);
  }

  HANDLE m_hWake = nullptr;
  std::vector<int> requests;
  int initCalls = 0;
  int closeCalls = 0;
  int slotsAdded = 0;
  std::atomic<int> budget{0};
  std::atomic<int> sent{0};
  std::atomic<int> answered{0};
  std::atomic<int> wakeCalls{0};
  std::atomic<int> exits{0};
  std::atomic<bool> running{false};

 private:
  UINT m_first;
  UINT m_last;
  int m_threadCount;
  DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(FakeObject, Object_Base)
  ON_MESSAGE(WM_TEST_REQUEST, &FakeObject::OnRequest)
END_MESSAGE_MAP()

class BridgeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testsupport::EnsureApp();
    ASSERT_TRUE(owner.CreateEx(0, nullptr, L"owner", WS_POPUP, CRect(0, 0, 200, 100), nullptr, 0));
  }
  void TearDown() override { owner.DestroyWindow(); }

  static bool Pump(const std::function<bool()>& cond) { return platform::PumpUntil(cond, 10000); }

  OwnerWnd owner;
};

TEST_F(BridgeTest, ObjectBecomesAHiddenChildAndReceivesItsRequests) {
  FakeObject object(WM_USER + 124, WM_USER + 223, 0);
  CBridge bridge;
  bridge.Create(&owner, FALSE);
  ASSERT_TRUE(bridge.RegisterObject(&object));
  EXPECT_EQ(object.initCalls, 1);
  EXPECT_EQ(object.m_pBridge, &bridge);
  ASSERT_NE(object.GetSafeHwnd(), nullptr);
  EXPECT_EQ(object.GetParent(), &owner);
  EXPECT_EQ(owner.GetDlgItem(IDC_RS232_OBJECT), &object);
  EXPECT_FALSE(object.IsWindowVisible());
  EXPECT_EQ(bridge.GetObjectCount(), 1);
  EXPECT_FALSE(bridge.RegisterObject(&object)) << "registered twice";
  EXPECT_FALSE(bridge.RegisterObject(nullptr));

  struct Case {
    UINT msg;
    int mode;
    LRESULT expected;
    bool delivered;
  } cases[] = {
      {WM_TEST_REQUEST, SEND_MODE_SEND, 103, true},
      {WM_TEST_REQUEST, SEND_MODE_NOTIFY, 103, true},  // same thread: a direct call
      {WM_TEST_REQUEST, 0, 0, false},
      {WM_TEST_REQUEST, 7, 7, false},
      {WM_USER + 123, SEND_MODE_SEND, 0, false},      // below the range
      {WM_USER + 224, SEND_MODE_SEND, 0, false},      // above the range
      {WM_TEST_OTHER, 7, 0, false},                   // unclaimed: nothing, whatever the mode
  };
  for (const Case& c : cases) {
    object.requests.clear();
    EXPECT_EQ(bridge.SendToObject(c.msg, 3, 0, c.mode), c.expected) << c.msg << " mode " << c.mode;
    EXPECT_EQ(object.requests.size(), c.delivered ? 1u : 0u) << c.msg << " mode " << c.mode;
  }
  EXPECT_EQ(bridge.FindObjectWindow(WM_USER + 124), object.GetSafeHwnd());
  EXPECT_EQ(bridge.FindObjectWindow(WM_USER + 223), object.GetSafeHwnd());
  EXPECT_EQ(bridge.FindObjectWindow(WM_USER + 224), nullptr);
}

TEST_F(BridgeTest, MessagesGoToTheFirstObjectWhoseRangeHoldsThem) {
  FakeObject first(WM_USER + 100, WM_USER + 150, 0);
  FakeObject second(WM_USER + 150, WM_USER + 200, 0);
  FakeObject unset(1, 0, 0);  // never claims anything
  CBridge bridge;
  bridge.Create(&owner, FALSE);
  ASSERT_TRUE(bridge.RegisterObject(&unset, 9001));
  ASSERT_TRUE(bridge.RegisterObject(&first, 9002));
  ASSERT_TRUE(bridge.RegisterObject(&second, 9003));
  EXPECT_EQ(bridge.FindObjectWindow(WM_USER + 150), first.GetSafeHwnd());
  EXPECT_EQ(bridge.FindObjectWindow(WM_USER + 151), second.GetSafeHwnd());
  EXPECT_EQ(bridge.FindObjectWindow(0), nullptr);
  EXPECT_EQ(bridge.FindObjectWindow(WM_USER + 99), nullptr);
}

TEST_F(BridgeTest, StatusesFromAWorkerThreadReachTheOwnerWhileItPumps) {
  FakeObject object(WM_USER + 124, WM_USER + 223, 1);
  CBridge bridge;
  bridge.Create(&owner, FALSE);
  ASSERT_TRUE(bridge.RegisterObject(&object));
  object.budget = 20;
  bridge.StartAllThreads();
  ASSERT_NE(bridge.GetThreadSlot(0).pThread, nullptr);
  ASSERT_NE(bridge.GetStopEvent(0), nullptr);

  ASSERT_TRUE(Pump([&] { return object.answered == 20; }));
  ASSERT_EQ(owner.sequences.size(), 20u);
  for (int i = 0; i < 20; ++i) EXPECT_EQ(owner.sequences[i], i) << "in order, data valid while handled";
  for (DWORD t : owner.threads) EXPECT_EQ(t, GetCurrentThreadId()) << "handled on the owner's thread";

  // The worker now blocks on its own event: only the wake callback frees it.
  ASSERT_TRUE(bridge.StopThread(0));
  EXPECT_EQ(object.wakeCalls, 1);
  EXPECT_EQ(object.exits, 1) << "joined: the thread has ended when StopThread returns";
  EXPECT_EQ(bridge.GetThreadSlot(0).pThread, nullptr);
  EXPECT_EQ(bridge.GetStopEvent(0), nullptr);
  EXPECT_TRUE(bridge.StopThread(0)) << "stopping a stopped slot does nothing";
  EXPECT_EQ(object.wakeCalls, 1);

  // The slot can be started again.
  object.budget = 25;
  ASSERT_TRUE(bridge.StartThread(0));
  ASSERT_TRUE(Pump([&] { return object.answered == 25; }));
  EXPECT_TRUE(bridge.StartThread(0)) << "already running";
  bridge.StopAllThreads();
  EXPECT_EQ(object.exits, 2);
}

TEST_F(BridgeTest, StoppingAThreadBlockedSendingToTheOwnerDoesNotDeadlock) {
  FakeObject object(WM_USER + 124, WM_USER + 223, 1);
  CBridge bridge;
  bridge.Create(&owner, FALSE);
  ASSERT_TRUE(bridge.RegisterObject(&object));
  object.budget = INT_MAX;
  bridge.StartAllThreads();
  ASSERT_TRUE(Pump([&] { return object.answered >= 5; }));
  // The worker keeps sending; its next send waits for this thread inside StopThread.
  ASSERT_TRUE(bridge.StopThread(0));
  EXPECT_EQ(object.exits, 1);
  EXPECT_FALSE(object.running);
}

// A device object whose one thread, once told to stop, still needs a release before it ends.
class LingeringObject : public Object_Base {
 public:
  void Init(CBridge* pBridge, ThreadSlot* pSlots, int* pSlotCount) override {
    m_pBridge = pBridge;
    AddThreadSlot(pSlots, pSlotCount, &Proc, nullptr);
  }
  void Close() override {}
  void SetMessageRange() override {}

  static UINT Proc(LPVOID pParam) {
    CBridge* bridge = static_cast<CBridge*>(pParam);
    int slot = -1;
    if (!bridge->FindThreadSlot(&Proc, &slot, 0)) return 1;
    auto* self = static_cast<LingeringObject*>(bridge->GetObject(0));
    WaitForSingleObject(bridge->GetStopEvent(slot), INFINITE);
    WaitForSingleObject(self->release, INFINITE);
    self->ended = true;
    return 0;
  }

  HANDLE release = CreateEvent(nullptr, TRUE, FALSE, nullptr);
  std::atomic<bool> ended{false};
};

TEST_F(BridgeTest, StoppingWaitsForAThreadSlowerThanTheStopWait) {
  // On the manual clock the stop wait passes in far less real time than it names.
  platform::ManualClock clock(1000);
  platform::SetClock(&clock);
  LingeringObject object;
  std::atomic<int> reports{0};
  // The thread is let go only once the bridge has reported it as slow.
  const int sink = platform::AddTraceSink([&](const CString& text) {
    if (text.Find(L"CBridge: the thread of slot 0") >= 0) {
      ++reports;
      SetEvent(object.release);
    }
  });
  BOOL stopped = FALSE;
  {
    CBridge bridge;
    bridge.Create(&owner, FALSE);
    ASSERT_TRUE(bridge.RegisterObject(&object));
    bridge.StartAllThreads();
    stopped = bridge.StopThread(0);
    EXPECT_TRUE(object.ended) << "the thread has ended when StopThread returns";
    EXPECT_EQ(bridge.GetThreadSlot(0).pThread, nullptr);
  }
  platform::RemoveTraceSink(sink);
  platform::SetClock(nullptr);
  EXPECT_TRUE(stopped);
  EXPECT_GE(reports, 1);
  SetEvent(object.release);
  CloseHandle(object.release);
}

TEST_F(BridgeTest, FindThreadSlotFindsStartsAndStops) {
  FakeObject object(WM_USER + 124, WM_USER + 223, 1);
  CBridge bridge;
  bridge.Create(&owner, FALSE);
  ASSERT_TRUE(bridge.RegisterObject(&object));
  int index = -1;
  EXPECT_FALSE(bridge.FindThreadSlot(nullptr, &index, 0));
  EXPECT_FALSE(bridge.FindThreadSlot([](LPVOID) -> UINT { return 0; }, &index, 0));
  EXPECT_EQ(index, -1);
  ASSERT_TRUE(bridge.FindThreadSlot(&FakeObject::StatusProc, &index, 0));
  EXPECT_EQ(index, 0);
  EXPECT_EQ(bridge.GetThreadSlot(0).pThread, nullptr) << "op 0 starts nothing";
  for (int op : {3, 4, 9}) EXPECT_TRUE(bridge.FindThreadSlot(&FakeObject::StatusProc, nullptr, op)) << op;
  ASSERT_TRUE(bridge.FindThreadSlot(&FakeObject::StatusProc, nullptr, 1));
  ASSERT_TRUE(Pump([&] { return object.running.load(); }));
  ASSERT_TRUE(bridge.FindThreadSlot(&FakeObject::StatusProc, nullptr, 2));
  EXPECT_EQ(object.exits, 1);
  EXPECT_EQ(object.wakeCalls, 1);
}

TEST_F(BridgeTest, FullTablesRefuseSafely) {
  // Five objects of two threads fill the object table and the ten thread slots.
  std::vector<std::unique_ptr<FakeObject>> objects;
  for (int i = 0; i < 6; ++i)
    objects.push_back(std::make_unique<FakeObject>(WM_USER + 10 * i, WM_USER + 10 * i + 9, 2));
  FakeObject greedy[4] = {{WM_USER + 500, WM_USER + 510, 3}, {WM_USER + 600, WM_USER + 610, 3},
                         {WM_USER + 700, WM_USER + 710, 3}, {WM_USER + 800, WM_USER + 810, 3}};
  auto bridge = std::make_unique<CBridge>();
  bridge->Create(&owner, FALSE);
  CBridge second;
  second.Create(&owner, FALSE);
  for (int i = 0; i < CBridge::MAX_OBJECTS; ++i)
    ASSERT_TRUE(bridge->RegisterObject(objects[i].get(), 9000 + i)) << i;
  EXPECT_EQ(bridge->GetThreadSlotCount(), CBridge::MAX_THREAD_SLOTS);
  EXPECT_FALSE(bridge->RegisterObject(objects[5].get(), 9005));
  EXPECT_EQ(objects[5]->initCalls, 0);
  EXPECT_EQ(objects[5]->GetSafeHwnd(), nullptr) << "a refused object gets no window";
  EXPECT_EQ(bridge->GetObjectCount(), CBridge::MAX_OBJECTS);

  // Out-of-range indices are refused.
  for (int bad : {-1, CBridge::MAX_THREAD_SLOTS, 1000}) {
    EXPECT_FALSE(bridge->StartThread(bad)) << bad;
    EXPECT_FALSE(bridge->StopThread(bad)) << bad;
    EXPECT_EQ(bridge->GetStopEvent(bad), nullptr) << bad;
    EXPECT_EQ(bridge->GetThreadSlot(bad).pfnProc, nullptr) << bad;
  }
  for (int bad : {-1, CBridge::MAX_OBJECTS}) EXPECT_EQ(bridge->GetObject(bad), nullptr) << bad;

  // A bridge whose thread table fills up: an object that wants more slots gets only what is left.
  ASSERT_TRUE(second.RegisterObject(&greedy[0], 9100));
  ASSERT_TRUE(second.RegisterObject(&greedy[1], 9101));
  ASSERT_TRUE(second.RegisterObject(&greedy[2], 9102));
  ASSERT_TRUE(second.RegisterObject(&greedy[3], 9103));
  EXPECT_EQ(greedy[2].slotsAdded, 3);
  EXPECT_EQ(greedy[3].slotsAdded, 1) << "one slot was left";
  EXPECT_EQ(second.GetThreadSlotCount(), CBridge::MAX_THREAD_SLOTS);
  EXPECT_EQ(bridge->GetThreadSlotCount(), CBridge::MAX_THREAD_SLOTS) << "each bridge counts its own";

  // Closing empties the tables and closes each object once.
  bridge->CloseObjects();
  for (int i = 0; i < CBridge::MAX_OBJECTS; ++i) {
    EXPECT_EQ(objects[i]->closeCalls, 1) << i;
    EXPECT_EQ(objects[i]->GetSafeHwnd(), nullptr) << i;
  }
  EXPECT_EQ(bridge->GetObjectCount(), 0);
  EXPECT_EQ(bridge->GetThreadSlotCount(), 0);
  EXPECT_EQ(bridge->FindObjectWindow(WM_USER + 5), nullptr);
  bridge.reset();
  EXPECT_EQ(objects[0]->closeCalls, 1) << "the destructor does not close again";
}

TEST_F(BridgeTest, DestroyingTheBridgeStopsItsThreads) {
  FakeObject object(WM_USER + 124, WM_USER + 223, 1);
  {
    CBridge bridge;
    bridge.Create(&owner, FALSE);
    ASSERT_TRUE(bridge.RegisterObject(&object));
    object.budget = 3;
    bridge.StartAllThreads();
    ASSERT_TRUE(Pump([&] { return object.answered == 3; }));
  }
  EXPECT_EQ(object.exits, 1);
  EXPECT_EQ(object.wakeCalls, 1);
  EXPECT_EQ(object.closeCalls, 1);
}

TEST_F(BridgeTest, WithoutOwnerOrObjectsNothingIsSent) {
  CBridge bridge;
  EXPECT_EQ(bridge.SendToGui(WM_TEST_STATUS, 0, 0, SEND_MODE_SEND), 0);
  EXPECT_EQ(bridge.SendToObject(WM_TEST_REQUEST, 0, 0, SEND_MODE_SEND), 0);
  bridge.StartAllThreads();  // no slots: nothing to start
  EXPECT_EQ(bridge.GetThreadSlot(0).pThread, nullptr);
  bridge.Create(&owner, FALSE);
  Status status{42, 9};
  EXPECT_EQ(bridge.SendToGui(WM_TEST_STATUS, 0, reinterpret_cast<LPARAM>(&status), SEND_MODE_SEND), 5);
  EXPECT_EQ(bridge.SendToGui(WM_TEST_STATUS, 0, reinterpret_cast<LPARAM>(&status), 4), 4);
  EXPECT_EQ(owner.sequences, std::vector<int>{9});
}

TEST_F(BridgeTest, NotificationFromAnotherThreadDoesNotWaitForTheOwner) {
  CBridge bridge;
  bridge.Create(&owner, FALSE);
  static Status status{42, 77};
  std::atomic<bool> returned{false};
  std::atomic<LRESULT> result{0};
  std::thread sender([&] {
    result = bridge.SendToGui(WM_TEST_STATUS, 0, reinterpret_cast<LPARAM>(&status), SEND_MODE_NOTIFY);
    returned = true;
  });
  // The owner's thread handles no message meanwhile: a sender that waited would not return.
  const bool returnedWithoutPumping = testutil::WaitUntil([&] { return returned.load(); }, 5000);
  if (!returnedWithoutPumping) Pump([&] { return returned.load(); });  // release it before joining
  sender.join();
  EXPECT_TRUE(returnedWithoutPumping);
  EXPECT_EQ(result, TRUE);
  EXPECT_TRUE(owner.sequences.empty());
  ASSERT_TRUE(Pump([&] { return !owner.sequences.empty(); }));
  EXPECT_EQ(owner.sequences, std::vector<int>{77});
}

}  // namespace
