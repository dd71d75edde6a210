// Tests of the clock service: the manual clock's sleeps, subscribers and local time, and the
// global time functions reading the clock in force.
#include "platform/clock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/callbacks.h"
#include "wait_util.h"

using platform::ManualClock;

namespace {

// Installs a clock for one test and restores the real one afterwards.
struct ClockScope {
  explicit ClockScope(platform::Clock* clock) { platform::SetClock(clock); }
  ~ClockScope() { platform::SetClock(nullptr); }
};

SYSTEMTIME Make(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
  SYSTEMTIME t{};
  t.wYear = WORD(y);
  t.wMonth = WORD(mo);
  t.wDay = WORD(d);
  t.wHour = WORD(h);
  t.wMinute = WORD(mi);
  t.wSecond = WORD(s);
  t.wMilliseconds = WORD(ms);
  return t;
}

void ExpectTime(const SYSTEMTIME& got, const SYSTEMTIME& want, int dayOfWeek) {
  EXPECT_EQ(got.wYear, want.wYear);
  EXPECT_EQ(got.wMonth, want.wMonth);
  EXPECT_EQ(got.wDay, want.wDay);
  EXPECT_EQ(got.wHour, want.wHour);
  EXPECT_EQ(got.wMinute, want.wMinute);
  EXPECT_EQ(got.wSecond, want.wSecond);
  EXPECT_EQ(got.wMilliseconds, want.wMilliseconds);
  EXPECT_EQ(got.wDayOfWeek, dayOfWeek);
}

}  // namespace

TEST(ManualClock, OwnerThreadSleepMovesTimeAndGlobalsReadIt) {
  ManualClock clock(1000);
  ClockScope scope(&clock);
  EXPECT_TRUE(clock.IsManual());
  EXPECT_TRUE(clock.IsOwnerThread());
  Sleep(250);  // returns at once on the owner thread, moving time
  EXPECT_EQ(clock.NowMs(), 1250u);
  EXPECT_EQ(GetTickCount(), 1250u);
  EXPECT_EQ(GetTickCount64(), 1250u);

  clock.SetNow(5000);
  clock.SetNow(10);  // never backwards
  EXPECT_EQ(GetTickCount64(), 5000u);

  // GetTickCount wraps as a 32-bit count; GetTickCount64 does not.
  clock.SetNow(0x100000005ull);
  EXPECT_EQ(GetTickCount(), 5u);
  EXPECT_EQ(GetTickCount64(), 0x100000005ull);
}

TEST(ManualClock, SleeperOnAnotherThreadIsReleasedOnlyByAdvance) {
  ManualClock clock;
  ClockScope scope(&clock);
  std::atomic<bool> done{false};
  uint64_t wokeAt = 0;
  std::thread sleeper([&] {
    EXPECT_FALSE(clock.IsOwnerThread());
    Sleep(1000);
    wokeAt = clock.NowMs();
    done = true;
  });
  ASSERT_TRUE(testutil::WaitUntil([&] { return clock.SleepingThreads() == 1; }));
  clock.Advance(600);
  clock.Advance(399);
  EXPECT_FALSE(done.load());
  EXPECT_EQ(clock.SleepingThreads(), 1);
  clock.Advance(1);
  ASSERT_TRUE(testutil::WaitUntil([&] { return done.load(); }));
  sleeper.join();
  EXPECT_EQ(wokeAt, 1000u);
  EXPECT_EQ(clock.SleepingThreads(), 0);
}

TEST(ManualClock, DestructionReleasesSleepersAndUninstalls) {
  auto clock = std::make_unique<ManualClock>();
  platform::SetClock(clock.get());
  std::thread sleeper([&] { clock->SleepMs(1000000); });
  ASSERT_TRUE(testutil::WaitUntil([&] { return clock->SleepingThreads() == 1; }));
  clock.reset();
  sleeper.join();
  EXPECT_FALSE(platform::GetClock().IsManual());
}

TEST(ManualClock, SubscribersAreCalledOnEachChangeOnTheChangingThread) {
  ManualClock clock;
  std::atomic<int> calls{0};
  std::thread::id calledOn;
  const int id = clock.Subscribe([&] {
    ++calls;
    calledOn = std::this_thread::get_id();
  });
  ASSERT_NE(id, 0);

  clock.Advance(10);
  EXPECT_EQ(calls, 1);
  clock.SleepMs(5);  // owner's sleep is a change too
  EXPECT_EQ(calls, 2);
  clock.SetNow(3);  // backwards: no change, no call
  clock.Advance(0);
  EXPECT_EQ(calls, 2);

  std::thread other([&] { clock.SetNow(100); });
  const std::thread::id otherId = other.get_id();
  other.join();
  EXPECT_EQ(calls, 3);
  EXPECT_EQ(calledOn, otherId);

  clock.Unsubscribe(id);
  clock.Advance(10);
  EXPECT_EQ(calls, 3);
}

TEST(ManualClock, SubscriberMayUnsubscribeItself) {
  ManualClock clock;
  int calls = 0;
  int id = 0;
  id = clock.Subscribe([&] {
    ++calls;
    clock.Unsubscribe(id);
  });
  clock.Advance(1);
  clock.Advance(1);
  EXPECT_EQ(calls, 1);
}

TEST(CallbackList, RemoveWaitsForACallRunningOnAnotherThread) {
  platform::CallbackList<int> list;
  std::atomic<bool> inside{false}, release{false}, finished{false}, removed{false};
  const int id = list.Add([&](int) {
    inside = true;
    while (!release) std::this_thread::yield();
    finished = true;
  });
  std::thread caller([&] { list.Call(1); });
  ASSERT_TRUE(testutil::WaitUntil([&] { return inside.load(); }));
  std::thread remover([&] {
    list.Remove(id);
    removed = true;
    EXPECT_TRUE(finished.load());  // never returns while the callback still runs
  });
  release = true;
  remover.join();
  caller.join();
  EXPECT_TRUE(removed.load());
  EXPECT_TRUE(list.Empty());
}

TEST(ManualClock, LocalTimeFollowsNowAcrossCalendarBoundaries) {
  struct Case {
    SYSTEMTIME base;
    uint64_t advanceMs;
    SYSTEMTIME expected;
    int dayOfWeek;  // Sunday = 0
  };
  const uint64_t day = 86400000ull;
  const Case cases[] = {
      {Make(2026, 1, 1), 0, Make(2026, 1, 1), 4},
      {Make(2026, 1, 1), 1234, Make(2026, 1, 1, 0, 0, 1, 234), 4},
      {Make(2025, 12, 31, 23, 59, 59, 999), 1, Make(2026, 1, 1), 4},
      {Make(2028, 2, 28, 12), day, Make(2028, 2, 29, 12), 2},        // leap year
      {Make(2027, 2, 28, 12), day, Make(2027, 3, 1, 12), 1},         // common year
      {Make(2100, 2, 28), day, Make(2100, 3, 1), 1},                 // century, not leap
      {Make(2000, 2, 28), day, Make(2000, 2, 29), 2},                // 400-year leap
      {Make(2026, 3, 5, 25, 0), 0, Make(2026, 3, 6, 1, 0), 5},       // hour overflow carries
      {Make(2026, 6, 30, 23, 0), 3600000ull * 2, Make(2026, 7, 1, 1, 0), 3},
  };
  for (const Case& c : cases) {
    ManualClock clock(777);
    clock.SetLocalTimeBase(c.base);
    clock.Advance(c.advanceMs);
    SCOPED_TRACE(testing::Message() << c.base.wYear << "-" << c.base.wMonth << "-" << c.base.wDay
                                    << " +" << c.advanceMs);
    ExpectTime(clock.LocalTime(), c.expected, c.dayOfWeek);
  }
}

TEST(ManualClock, DefaultLocalTimeIsFixedStartPlusNow) {
  ManualClock clock(90061001);  // 1 day, 1 h, 1 min, 1 s, 1 ms
  ClockScope scope(&clock);
  SYSTEMTIME t{};
  GetLocalTime(&t);
  ExpectTime(t, Make(2026, 1, 2, 1, 1, 1, 1), 5);
  GetLocalTime(nullptr);  // tolerated
}

TEST(RealClock, IsInForceByDefaultAndGivesSaneValues) {
  platform::SetClock(nullptr);
  platform::Clock& clock = platform::GetClock();
  EXPECT_FALSE(clock.IsManual());
  const uint64_t a = GetTickCount64();
  Sleep(2);
  EXPECT_GE(GetTickCount64(), a);  // monotonic

  SYSTEMTIME t{};
  GetLocalTime(&t);
  EXPECT_GE(t.wYear, 2024);
  EXPECT_TRUE(t.wMonth >= 1 && t.wMonth <= 12);
  EXPECT_TRUE(t.wDay >= 1 && t.wDay <= 31);
  EXPECT_LE(t.wDayOfWeek, 6);
  EXPECT_LE(t.wHour, 23);
  EXPECT_LE(t.wMinute, 59);
  EXPECT_LE(t.wSecond, 59);
  EXPECT_LE(t.wMilliseconds, 999);
  EXPECT_EQ(clock.Subscribe([] {}), 0);
}

// The local time a crash handler reads (no lock, no allocation) is the local time of the clock in
// force: the manual clock's, or the wall clock in the time zone as the last local time read found it.
TEST(SignalSafeLocalTime, AgreesWithTheLocalTime) {
  ManualClock manual(5000);
  manual.SetLocalTimeBase(Make(2026, 12, 8, 9, 5, 3, 0));
  {
    ClockScope scope(&manual);
    manual.Advance(61000);
    SYSTEMTIME t{};
    platform::SignalSafeLocalTime(&t);
    ExpectTime(t, Make(2026, 12, 8, 9, 6, 4, 0), 2);
  }

  platform::SetClock(nullptr);
  const char* saved = std::getenv("TZ");
  const std::string before = saved != nullptr ? saved : "";
  const struct {
    const char* zone;
  } zones[] = {{"UTC0"}, {"EST5"}, {"IST-5:30"}};
  for (const auto& z : zones) {
    SCOPED_TRACE(z.zone);
    setenv("TZ", z.zone, 1);
    tzset();
    platform::PrepareSignalSafeLocalTime();
    // Read within one minute of the real clock (tried again across a minute's end).
    bool compared = false;
    for (int attempt = 0; attempt < 5 && !compared; ++attempt) {
      SYSTEMTIME a{}, b{}, c{};
      GetLocalTime(&a);
      platform::SignalSafeLocalTime(&b);
      GetLocalTime(&c);
      if (a.wMinute != c.wMinute || a.wHour != c.wHour || a.wDay != c.wDay) continue;
      compared = true;
      EXPECT_EQ(b.wYear, a.wYear);
      EXPECT_EQ(b.wMonth, a.wMonth);
      EXPECT_EQ(b.wDay, a.wDay);
      EXPECT_EQ(b.wHour, a.wHour);
      EXPECT_EQ(b.wMinute, a.wMinute);
    }
    EXPECT_TRUE(compared);
  }
  if (saved != nullptr) {
    setenv("TZ", before.c_str(), 1);
  } else {
    unsetenv("TZ");
  }
  tzset();
  platform::PrepareSignalSafeLocalTime();
}
