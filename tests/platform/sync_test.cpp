// Tests of events and waits (on the real and the manual clock), critical sections and threads.
#include "platform/sync.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <memory>
#include <set>
#include <thread>
#include <vector>

#include "platform/clock.h"
#include "wait_util.h"

using platform::ManualClock;

namespace {

struct ClockScope {
  explicit ClockScope(platform::Clock* clock) { platform::SetClock(clock); }
  ~ClockScope() { platform::SetClock(nullptr); }
};

// Runs fn on a new thread and returns its result.
template <typename F>
auto OnOtherThread(F fn) -> decltype(fn()) {
  return std::async(std::launch::async, fn).get();
}

}  // namespace

TEST(Event, ResetModesAndNonConsumingTest) {
  struct Step {
    enum Op { Set, Reset, Wait0, IsSet } op;
    DWORD expected;  // wait result, or TRUE/FALSE for IsSet
  };
  struct Case {
    const char* name;
    BOOL manualReset;
    BOOL initialState;
    std::vector<Step> steps;
  };
  const Case cases[] = {
      {"manual starts set", TRUE, TRUE,
       {{Step::Wait0, WAIT_OBJECT_0}, {Step::Wait0, WAIT_OBJECT_0}, {Step::Reset, 0},
        {Step::Wait0, WAIT_TIMEOUT}}},
      {"manual stays set for every waiter", TRUE, FALSE,
       {{Step::Wait0, WAIT_TIMEOUT}, {Step::Set, 0}, {Step::Wait0, WAIT_OBJECT_0},
        {Step::IsSet, TRUE}, {Step::Wait0, WAIT_OBJECT_0}}},
      {"auto releases one wait per set", FALSE, TRUE,
       {{Step::Wait0, WAIT_OBJECT_0}, {Step::Wait0, WAIT_TIMEOUT}, {Step::Set, 0}, {Step::Set, 0},
        {Step::Wait0, WAIT_OBJECT_0}, {Step::Wait0, WAIT_TIMEOUT}}},
      {"testing an auto event does not take its signal", FALSE, FALSE,
       {{Step::IsSet, FALSE}, {Step::Set, 0}, {Step::IsSet, TRUE}, {Step::IsSet, TRUE},
        {Step::Wait0, WAIT_OBJECT_0}, {Step::IsSet, FALSE}}},
      {"auto reset before a wait", FALSE, TRUE, {{Step::Reset, 0}, {Step::Wait0, WAIT_TIMEOUT}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    HANDLE h = CreateEvent(nullptr, c.manualReset, c.initialState, nullptr);
    ASSERT_NE(h, nullptr);
    int i = 0;
    for (const Step& s : c.steps) {
      SCOPED_TRACE(i++);
      switch (s.op) {
        case Step::Set: EXPECT_TRUE(SetEvent(h)); break;
        case Step::Reset: EXPECT_TRUE(ResetEvent(h)); break;
        case Step::Wait0: EXPECT_EQ(WaitForSingleObject(h, 0), s.expected); break;
        case Step::IsSet: EXPECT_EQ(IsEventSet(h), BOOL(s.expected)); break;
      }
    }
    EXPECT_TRUE(CloseHandle(h));
  }
}

TEST(Event, BadHandlesFailCleanly) {
  HANDLE closed = CreateEventW(nullptr, TRUE, TRUE, L"named");
  ASSERT_TRUE(CloseHandle(closed));
  const HANDLE bad[] = {nullptr, INVALID_HANDLE_VALUE, closed};
  for (HANDLE h : bad) {
    EXPECT_EQ(WaitForSingleObject(h, 0), WAIT_FAILED);
    EXPECT_EQ(WaitForSingleObject(h, INFINITE), WAIT_FAILED);
    EXPECT_FALSE(SetEvent(h));
    EXPECT_FALSE(ResetEvent(h));
    EXPECT_FALSE(IsEventSet(h));
    EXPECT_FALSE(CloseHandle(h));
  }
  // An event of the C++ class is waitable through its address but not closable.
  platform::Event direct(true, true);
  EXPECT_EQ(WaitForSingleObject(&direct, 0), WAIT_OBJECT_0);
  EXPECT_FALSE(CloseHandle(&direct));
  EXPECT_TRUE(direct.IsSet());
}

TEST(Event, RealClockTimeoutAndWakeUp) {
  platform::SetClock(nullptr);
  HANDLE h = CreateEvent(nullptr, FALSE, FALSE, nullptr);
  EXPECT_EQ(WaitForSingleObject(h, 15), WAIT_TIMEOUT);
  std::thread setter([&] { SetEvent(h); });
  EXPECT_EQ(WaitForSingleObject(h, INFINITE), WAIT_OBJECT_0);
  setter.join();
  EXPECT_FALSE(IsEventSet(h));  // the wait took the auto-reset signal
  CloseHandle(h);
}

TEST(Event, ManualClockTimeoutOnAnotherThreadFollowsAdvance) {
  ManualClock clock;
  ClockScope scope(&clock);
  HANDLE h = CreateEvent(nullptr, TRUE, FALSE, nullptr);
  std::atomic<bool> started{false}, done{false};
  uint64_t startedAt = 0, endedAt = 0;
  DWORD result = 0;
  std::thread waiter([&] {
    startedAt = clock.NowMs();
    started = true;
    result = WaitForSingleObject(h, 5000);
    endedAt = clock.NowMs();
    done = true;
  });
  ASSERT_TRUE(testutil::WaitUntil([&] { return started.load(); }));
  clock.Advance(4000);
  // Moving time in steps until the waiter gives up (its wait may have begun after a step).
  ASSERT_TRUE(testutil::WaitUntil([&] {
    if (!done) clock.Advance(250);
    return done.load();
  }));
  waiter.join();
  EXPECT_EQ(result, WAIT_TIMEOUT);
  EXPECT_GE(endedAt - startedAt, 5000u);
  CloseHandle(h);
}

TEST(Event, ManualClockWaiterIsReleasedBySetBeforeItsTimeout) {
  ManualClock clock;
  ClockScope scope(&clock);
  platform::Event event(false, false);
  std::promise<bool> result;
  std::thread waiter([&] { result.set_value(event.Wait(1000)); });
  event.Set();
  EXPECT_TRUE(result.get_future().get());
  waiter.join();
  EXPECT_EQ(clock.NowMs(), 0u);  // nobody moved time
}

TEST(Event, ClockOwnerWaitKeepsPaceSoOtherThreadsSleepsEnd) {
  ManualClock clock;  // owned by this thread
  ClockScope scope(&clock);
  platform::Event done(true, false);
  std::thread worker([&] {
    Sleep(200);  // ends only once time has moved 200 ms
    done.Set();
  });
  EXPECT_EQ(WaitForSingleObject(&done, INFINITE), WAIT_OBJECT_0);
  worker.join();
  EXPECT_GE(clock.NowMs(), 200u);

  platform::Event never(true, false);
  const uint64_t before = clock.NowMs();
  EXPECT_FALSE(never.Wait(30));
  EXPECT_GE(clock.NowMs() - before, 30u);
}

TEST(Event, OneAutoResetSetReleasesExactlyOneOfTwoWaiters) {
  HANDLE h = CreateEvent(nullptr, FALSE, FALSE, nullptr);
  std::atomic<int> ready{0}, woken{0};
  auto wait = [&] {
    ++ready;
    EXPECT_EQ(WaitForSingleObject(h, INFINITE), WAIT_OBJECT_0);
    ++woken;
  };
  std::thread a(wait), b(wait);
  ASSERT_TRUE(testutil::WaitUntil([&] { return ready == 2; }));
  SetEvent(h);
  ASSERT_TRUE(testutil::WaitUntil([&] { return woken >= 1; }));
  EXPECT_EQ(woken, 1);
  EXPECT_FALSE(IsEventSet(h));
  SetEvent(h);
  ASSERT_TRUE(testutil::WaitUntil([&] { return woken == 2; }));
  a.join();
  b.join();
  EXPECT_FALSE(IsEventSet(h));
  CloseHandle(h);
}

TEST(Event, ClosingReleasesItsWaitersWithFailure) {
  HANDLE h = CreateEvent(nullptr, TRUE, FALSE, nullptr);
  std::atomic<bool> ready{false};
  std::promise<DWORD> result;
  std::thread waiter([&] {
    ready = true;
    result.set_value(WaitForSingleObject(h, INFINITE));
  });
  ASSERT_TRUE(testutil::WaitUntil([&] { return ready.load(); }));
  EXPECT_TRUE(CloseHandle(h));
  EXPECT_EQ(result.get_future().get(), WAIT_FAILED);
  waiter.join();
}

TEST(CriticalSection, RecursiveAndOwnedAcrossThreads) {
  CRITICAL_SECTION cs;
  InitializeCriticalSection(&cs);
  auto tryOther = [&] {
    return OnOtherThread([&] {
      const BOOL got = TryEnterCriticalSection(&cs);
      if (got) LeaveCriticalSection(&cs);
      return got;
    });
  };
  EnterCriticalSection(&cs);
  EnterCriticalSection(&cs);
  EXPECT_TRUE(TryEnterCriticalSection(&cs));  // the owner may enter again
  EXPECT_FALSE(tryOther());
  LeaveCriticalSection(&cs);
  LeaveCriticalSection(&cs);
  EXPECT_FALSE(tryOther());  // still held once
  // A thread that does not hold it cannot release it.
  OnOtherThread([&] {
    LeaveCriticalSection(&cs);
    return 0;
  });
  EXPECT_FALSE(tryOther());
  LeaveCriticalSection(&cs);
  EXPECT_TRUE(tryOther());
  LeaveCriticalSection(&cs);  // one too many: ignored
  EXPECT_TRUE(tryOther());
  DeleteCriticalSection(&cs);

  // Null sections are reported, not dereferenced.
  EnterCriticalSection(nullptr);
  LeaveCriticalSection(nullptr);
  EXPECT_FALSE(TryEnterCriticalSection(nullptr));
}

TEST(CriticalSection, SingleLockGivesMutualExclusion) {
  CCriticalSection section;
  long counter = 0;  // deliberately not atomic
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 20000; ++i) {
        CSingleLock lock(&section, TRUE);
        EXPECT_TRUE(lock.IsLocked());
        ++counter;
      }
    });
  }
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(counter, 4 * 20000);

  {
    CSingleLock lock(&section);
    EXPECT_FALSE(lock.IsLocked());
    EXPECT_TRUE(lock.Lock());
    EXPECT_TRUE(lock.Lock());  // no second hold
    EXPECT_FALSE(OnOtherThread([&] { return TryEnterCriticalSection(section); }));
  }
  // The lock went with its scope, once.
  EXPECT_TRUE(OnOtherThread([&] {
    const BOOL got = TryEnterCriticalSection(section);
    if (got) LeaveCriticalSection(section);
    return got;
  }));
  CSingleLock none(nullptr, TRUE);
  EXPECT_FALSE(none.IsLocked());
}

namespace {
struct ProcData {
  std::atomic<bool> ran{false};
  std::atomic<DWORD> seenId{0};
  UINT code = 0;
};
UINT Proc(LPVOID p) {
  auto* d = static_cast<ProcData*>(p);
  d->seenId = GetCurrentThreadId();
  d->ran = true;
  return d->code;
}
}  // namespace

TEST(WinThread, HandleIsSignalledWhenTheFunctionReturns) {
  ProcData data;
  data.code = 42;
  CWinThread* thread = AfxBeginThread(Proc, &data);
  ASSERT_NE(thread, nullptr);
  EXPECT_TRUE(thread->m_bAutoDelete);
  EXPECT_EQ(WaitForSingleObject(thread->m_hThread, INFINITE), WAIT_OBJECT_0);
  EXPECT_TRUE(data.ran);
  EXPECT_EQ(data.seenId.load(), thread->m_nThreadID);
  EXPECT_NE(thread->m_nThreadID, GetCurrentThreadId());
  DWORD code = 0;
  EXPECT_TRUE(GetExitCodeThread(thread->m_hThread, &code));
  EXPECT_EQ(code, 42u);
  // An auto-delete object stays valid after its thread ended; its handle cannot be closed away.
  EXPECT_TRUE(CloseHandle(thread->m_hThread));
  EXPECT_EQ(WaitForSingleObject(thread->m_hThread, 0), WAIT_OBJECT_0);
  EXPECT_FALSE(SetEvent(thread->m_hThread));
  EXPECT_EQ(AfxBeginThread(nullptr, nullptr), nullptr);
}

TEST(WinThread, CreateSuspendedRunsOnlyAfterResume) {
  ProcData data;
  data.code = 7;
  CWinThread* thread = AfxBeginThread(Proc, &data, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
  ASSERT_NE(thread, nullptr);
  thread->m_bAutoDelete = FALSE;
  EXPECT_EQ(WaitForSingleObject(thread->m_hThread, 0), WAIT_TIMEOUT);
  DWORD code = 0;
  EXPECT_TRUE(GetExitCodeThread(thread->m_hThread, &code));
  EXPECT_EQ(code, STILL_ACTIVE);
  EXPECT_FALSE(data.ran);
  EXPECT_EQ(thread->ResumeThread(), 1u);
  EXPECT_EQ(WaitForSingleObject(thread->m_hThread, INFINITE), WAIT_OBJECT_0);
  EXPECT_TRUE(data.ran);
  EXPECT_EQ(thread->ResumeThread(), 0u);
  EXPECT_TRUE(GetExitCodeThread(thread->m_hThread, &code));
  EXPECT_EQ(code, 7u);
  delete thread;
}

TEST(WinThread, DeletingANeverResumedThreadDoesNotRunIt) {
  ProcData data;
  CWinThread* thread = AfxBeginThread(Proc, &data, 0, 0, CREATE_SUSPENDED);
  ASSERT_NE(thread, nullptr);
  thread->m_bAutoDelete = FALSE;
  delete thread;  // joins without hanging
  EXPECT_FALSE(data.ran);
}

TEST(WinThread, ThreadIdsAreUniqueAndStable) {
  std::set<DWORD> ids;
  ids.insert(GetCurrentThreadId());
  EXPECT_EQ(GetCurrentThreadId(), *ids.begin());
  for (int i = 0; i < 8; ++i) ids.insert(OnOtherThread([] { return GetCurrentThreadId(); }));
  EXPECT_EQ(ids.size(), 9u);
  EXPECT_EQ(ids.count(0), 0u);
}

TEST(GuiThread, OnlyTheRecordedThreadIsTheGuiThread) {
  platform::SetGuiThread();
  EXPECT_TRUE(platform::IsGuiThread());
  EXPECT_FALSE(OnOtherThread([] { return platform::IsGuiThread(); }));
}

TEST(WorkerThread, StopJoinAndRestart) {
  platform::WorkerThread worker;
  EXPECT_FALSE(worker.IsRunning());
  std::atomic<int> rounds{0};
  auto body = [&](platform::Event& stop) {
    while (!stop.Wait(1)) ++rounds;
  };
  ASSERT_TRUE(worker.Start(body));
  EXPECT_FALSE(worker.Start(body));  // one body at a time
  ASSERT_TRUE(testutil::WaitUntil([&] { return rounds > 2; }));
  EXPECT_TRUE(worker.IsRunning());
  worker.RequestStop();
  worker.Join();
  EXPECT_FALSE(worker.IsRunning());
  EXPECT_TRUE(worker.StopEvent().IsSet());

  // A new run starts with the stop event reset.
  rounds = 0;
  ASSERT_TRUE(worker.Start(body));
  ASSERT_TRUE(testutil::WaitUntil([&] { return rounds > 2; }));
  EXPECT_FALSE(worker.Start(nullptr));
  // The destructor stops and joins the running body.
}

TEST(WorkerThread, StopWaitsCountOnTheManualClock) {
  ManualClock clock;
  ClockScope scope(&clock);
  std::atomic<int> ticks{0};
  {
    platform::WorkerThread worker;
    ASSERT_TRUE(worker.Start([&](platform::Event& stop) {
      while (!stop.Wait(1000)) ++ticks;
    }));
    ASSERT_TRUE(testutil::WaitUntil([&] {
      if (ticks < 3) clock.Advance(100);
      return ticks >= 3;
    }));
    EXPECT_GE(clock.NowMs(), 3000u);
  }
  EXPECT_GE(ticks, 3);
}

TEST(WorkerThread, JoinFromTheWorkerItselfDoesNotDeadlock) {
  platform::WorkerThread worker;
  std::atomic<bool> joined{false};
  ASSERT_TRUE(worker.Start([&](platform::Event&) {
    worker.Join();
    joined = true;
  }));
  ASSERT_TRUE(testutil::WaitUntil([&] { return joined.load(); }));
  worker.Join();
  EXPECT_FALSE(worker.IsRunning());
}
