// The real clock, the manual clock for tests, and the Win32-style time functions that read the
// clock in force.
#include "platform/clock.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <ctime>
#include <limits>
#include <mutex>
#include <thread>

#include "platform/callbacks.h"

namespace platform {
namespace {

// Days since 1970-01-01 of a proleptic Gregorian date (month 1..12; day may run past the month).
int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) {
  y -= m <= 2 ? 1 : 0;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int64_t& y, int64_t& m, int64_t& d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  d = doy - (153 * mp + 2) / 5 + 1;
  m = mp < 10 ? mp + 3 : mp - 9;
  y = yoe + era * 400 + (m <= 2 ? 1 : 0);
}

constexpr int64_t kMsPerDay = 86400000;

// Milliseconds since 1970-01-01 00:00 of a broken-down time (no time zone involved).
int64_t SystemTimeToMs(const SYSTEMTIME& t) {
  int64_t month = t.wMonth;
  if (month < 1) month = 1;
  if (month > 12) month = 12;
  const int64_t day = t.wDay < 1 ? 1 : t.wDay;
  const int64_t days = DaysFromCivil(t.wYear, month, 1) + day - 1;
  return days * kMsPerDay + int64_t(t.wHour) * 3600000 + int64_t(t.wMinute) * 60000 +
         int64_t(t.wSecond) * 1000 + t.wMilliseconds;
}

SYSTEMTIME MsToSystemTime(int64_t ms) {
  int64_t days = ms / kMsPerDay;
  int64_t rest = ms % kMsPerDay;
  if (rest < 0) {
    rest += kMsPerDay;
    --days;
  }
  int64_t y, m, d;
  CivilFromDays(days, y, m, d);
  SYSTEMTIME t{};
  t.wYear = static_cast<WORD>(y);
  t.wMonth = static_cast<WORD>(m);
  t.wDay = static_cast<WORD>(d);
  // 1970-01-01 was a Thursday (4, with Sunday 0).
  int64_t dow = (days + 4) % 7;
  if (dow < 0) dow += 7;
  t.wDayOfWeek = static_cast<WORD>(dow);
  t.wHour = static_cast<WORD>(rest / 3600000);
  t.wMinute = static_cast<WORD>(rest / 60000 % 60);
  t.wSecond = static_cast<WORD>(rest / 1000 % 60);
  t.wMilliseconds = static_cast<WORD>(rest % 1000);
  return t;
}

// The time zone's offset from UTC in seconds as the real clock's last local time found it.
std::atomic<long> g_utcOffsetSeconds{0};

// The system's wall clock as local time with the last offset seen: clock_gettime and arithmetic
// only, so a crash handler may call it.
SYSTEMTIME SignalSafeWallClock() {
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  const int64_t ms = static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000 +
                     static_cast<int64_t>(g_utcOffsetSeconds.load(std::memory_order_relaxed)) * 1000;
  return MsToSystemTime(ms);
}

class RealClock : public Clock {
 public:
  uint64_t NowMs() const override {
    using namespace std::chrono;
    return static_cast<uint64_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
  }

  void SleepMs(DWORD ms) override {
    if (ms == 0) {
      std::this_thread::yield();
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
  }

  SYSTEMTIME LocalTime() const override {
    using namespace std::chrono;
    const auto now = system_clock::now();
    const auto sinceEpoch = duration_cast<milliseconds>(now.time_since_epoch()).count();
    int64_t secs = sinceEpoch / 1000;
    int64_t millis = sinceEpoch % 1000;
    if (millis < 0) {
      millis += 1000;
      --secs;
    }
    const time_t tt = static_cast<time_t>(secs);
    struct tm local {};
    SYSTEMTIME t{};
    if (!localtime_r(&tt, &local)) return MsToSystemTime(sinceEpoch);
    g_utcOffsetSeconds.store(local.tm_gmtoff, std::memory_order_relaxed);
    t.wYear = static_cast<WORD>(local.tm_year + 1900);
    t.wMonth = static_cast<WORD>(local.tm_mon + 1);
    t.wDayOfWeek = static_cast<WORD>(local.tm_wday);
    t.wDay = static_cast<WORD>(local.tm_mday);
    t.wHour = static_cast<WORD>(local.tm_hour);
    t.wMinute = static_cast<WORD>(local.tm_min);
    // A leap second reads as :59, as Windows never shows :60.
    t.wSecond = static_cast<WORD>(local.tm_sec > 59 ? 59 : local.tm_sec);
    t.wMilliseconds = static_cast<WORD>(millis);
    return t;
  }
};

// Never destroyed: threads still running while the process exits may read it.
RealClock& TheRealClock() {
  static RealClock* clock = new RealClock;
  return *clock;
}

std::atomic<Clock*> g_clock{nullptr};

}  // namespace

struct ManualClock::Impl {
  mutable std::mutex mutex;
  std::condition_variable changed;
  uint64_t now = 0;
  std::thread::id owner;
  int64_t localBaseMs = 0;    // local time (ms since 1970) at NowMs() == baseAtNow
  uint64_t baseAtNow = 0;
  bool closing = false;
  int sleepers = 0;
  CallbackList<> subscribers;
  // Copies of now, localBaseMs and baseAtNow that a crash handler reads without the lock; written
  // under it whenever those change.
  std::atomic<uint64_t> signalNow{0};
  std::atomic<int64_t> signalLocalBaseMs{0};
  std::atomic<uint64_t> signalBaseAtNow{0};
  void Mirror() {
    signalNow.store(now, std::memory_order_relaxed);
    signalLocalBaseMs.store(localBaseMs, std::memory_order_relaxed);
    signalBaseAtNow.store(baseAtNow, std::memory_order_relaxed);
  }
};

ManualClock::ManualClock(uint64_t startMs) : m_impl(new Impl) {
  m_impl->now = startMs;
  m_impl->owner = std::this_thread::get_id();
  SYSTEMTIME start{};
  start.wYear = 2026;
  start.wMonth = 1;
  start.wDay = 1;
  m_impl->localBaseMs = SystemTimeToMs(start);
  m_impl->baseAtNow = 0;
  m_impl->Mirror();
}

ManualClock::~ManualClock() {
  Clock* self = this;
  g_clock.compare_exchange_strong(self, nullptr);
  {
    std::unique_lock<std::mutex> lock(m_impl->mutex);
    m_impl->closing = true;
    m_impl->changed.notify_all();
    m_impl->changed.wait(lock, [this] { return m_impl->sleepers == 0; });
  }
  delete m_impl;
}

uint64_t ManualClock::NowMs() const {
  std::lock_guard<std::mutex> lock(m_impl->mutex);
  return m_impl->now;
}

bool ManualClock::IsOwnerThread() const {
  return std::this_thread::get_id() == m_impl->owner;
}

int ManualClock::SleepingThreads() const {
  std::lock_guard<std::mutex> lock(m_impl->mutex);
  return m_impl->sleepers;
}

void ManualClock::SleepMs(DWORD ms) {
  if (IsOwnerThread()) {
    Advance(ms);
    return;
  }
  if (ms == 0) {
    std::this_thread::yield();
    return;
  }
  std::unique_lock<std::mutex> lock(m_impl->mutex);
  const uint64_t end = m_impl->now + ms;
  ++m_impl->sleepers;
  m_impl->changed.wait(lock, [&] { return m_impl->closing || m_impl->now >= end; });
  --m_impl->sleepers;
  if (m_impl->closing) m_impl->changed.notify_all();
}

SYSTEMTIME ManualClock::LocalTime() const {
  std::lock_guard<std::mutex> lock(m_impl->mutex);
  const int64_t elapsed = static_cast<int64_t>(m_impl->now - m_impl->baseAtNow);
  return MsToSystemTime(m_impl->localBaseMs + elapsed);
}

bool ManualClock::SignalSafeLocalTime(SYSTEMTIME* out) const {
  if (out == nullptr) return false;
  const int64_t elapsed = static_cast<int64_t>(m_impl->signalNow.load(std::memory_order_relaxed) -
                                               m_impl->signalBaseAtNow.load(std::memory_order_relaxed));
  *out = MsToSystemTime(m_impl->signalLocalBaseMs.load(std::memory_order_relaxed) + elapsed);
  return true;
}

void ManualClock::SetLocalTimeBase(const SYSTEMTIME& base) {
  std::lock_guard<std::mutex> lock(m_impl->mutex);
  m_impl->localBaseMs = SystemTimeToMs(base);
  m_impl->baseAtNow = m_impl->now;
  m_impl->Mirror();
}

int ManualClock::Subscribe(std::function<void()> onAdvance) {
  return m_impl->subscribers.Add(std::move(onAdvance));
}

void ManualClock::Unsubscribe(int id) { m_impl->subscribers.Remove(id); }

void ManualClock::Advance(uint64_t ms) {
  if (ms == 0) return;
  {
    std::lock_guard<std::mutex> lock(m_impl->mutex);
    const uint64_t room = std::numeric_limits<uint64_t>::max() - m_impl->now;
    m_impl->now += ms < room ? ms : room;
    m_impl->Mirror();
  }
  m_impl->changed.notify_all();
  m_impl->subscribers.Call();
}

void ManualClock::SetNow(uint64_t ms) {
  {
    std::lock_guard<std::mutex> lock(m_impl->mutex);
    if (ms <= m_impl->now) return;
    m_impl->now = ms;
    m_impl->Mirror();
  }
  m_impl->changed.notify_all();
  m_impl->subscribers.Call();
}

Clock& GetClock() {
  Clock* clock = g_clock.load();
  return clock ? *clock : TheRealClock();
}

void SetClock(Clock* clock) { g_clock.store(clock); }

void PrepareSignalSafeLocalTime() { (void)TheRealClock().LocalTime(); }

void SignalSafeLocalTime(SYSTEMTIME* out) {
  if (out == nullptr) return;
  const Clock* clock = g_clock.load();
  if (clock != nullptr && clock->SignalSafeLocalTime(out)) return;
  *out = SignalSafeWallClock();
}

}  // namespace platform

void Sleep(DWORD ms) { platform::GetClock().SleepMs(ms); }

DWORD GetTickCount() { return static_cast<DWORD>(platform::GetClock().NowMs()); }

ULONGLONG GetTickCount64() { return platform::GetClock().NowMs(); }

void GetLocalTime(SYSTEMTIME* out) {
  if (out) *out = platform::GetClock().LocalTime();
}
