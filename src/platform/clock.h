// The clock service: every timer, sleep, tick count and timed wait of the program reads time here.
// The program runs on the real clock; a test can install a manual clock and move time itself.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/wintypes.h"

namespace platform {

class Clock {
 public:
  virtual ~Clock() = default;
  // Monotonic milliseconds.
  virtual uint64_t NowMs() const = 0;
  // Blocks the calling thread for ms milliseconds of this clock's time.
  virtual void SleepMs(DWORD ms) = 0;
  virtual bool IsManual() const { return false; }
  // Wall-clock local time now.
  virtual SYSTEMTIME LocalTime() const = 0;
  // The same for a crash handler: only async-signal-safe steps (no lock, no allocation). False
  // when this clock cannot be read so; the system's wall clock is read then.
  virtual bool SignalSafeLocalTime(SYSTEMTIME* out) const {
    (void)out;
    return false;
  }
  // Called after every change of a manual clock's time (on the thread that changed it).
  // Returns an id for Unsubscribe. The real clock never calls it.
  virtual int Subscribe(std::function<void()> onAdvance) { (void)onAdvance; return 0; }
  virtual void Unsubscribe(int id) { (void)id; }
};

// A clock whose time moves only when told. Sleep on the thread that created it (the GUI thread)
// moves time forward by the sleep itself; Sleep on another thread blocks until time has been
// moved past its end by someone else. Local time is a fixed start (2026-01-01 00:00:00) plus NowMs.
// While the creating thread is blocked in a wait on an event or thread (WaitForSingleObject), time
// moves on at the pace of real time, as that thread would otherwise have no way to move it.
// The clock must outlive every sleep and wait that uses it; the destructor releases the sleepers
// still blocked in it and uninstalls it if it is the clock in force.
class ManualClock : public Clock {
 public:
  explicit ManualClock(uint64_t startMs = 0);
  ~ManualClock() override;
  ManualClock(const ManualClock&) = delete;
  ManualClock& operator=(const ManualClock&) = delete;
  uint64_t NowMs() const override;
  void SleepMs(DWORD ms) override;
  bool IsManual() const override { return true; }
  SYSTEMTIME LocalTime() const override;
  bool SignalSafeLocalTime(SYSTEMTIME* out) const override;
  // Once Unsubscribe returns, the callback is not running on another thread and is not called
  // again; a callback may unsubscribe itself.
  int Subscribe(std::function<void()> onAdvance) override;
  void Unsubscribe(int id) override;

  void Advance(uint64_t ms);
  void SetNow(uint64_t ms);  // never moves backwards
  // Local time reads `base` now and moves on with NowMs from here. wDayOfWeek is recomputed;
  // days, hours, minutes and seconds past their range carry over (25:00 is 01:00 of the next
  // day); a month outside 1..12 is clamped.
  void SetLocalTimeBase(const SYSTEMTIME& base);
  // True on the thread that created the clock (the one whose Sleep moves time).
  bool IsOwnerThread() const;
  // How many threads are blocked in SleepMs right now (lets a test move time once they are).
  int SleepingThreads() const;

 private:
  struct Impl;
  Impl* m_impl;
};

// The clock in force (the real clock unless a test installed another).
Clock& GetClock();
// Installs a clock (not owned); nullptr restores the real clock.
void SetClock(Clock* clock);

// Local time now for a crash handler, with async-signal-safe steps only: the clock in force when it
// can be read so (the manual clock), else the system's wall clock shifted by the time zone's
// offset as the last local time read (GetLocalTime) found it. PrepareSignalSafeLocalTime reads it
// once, so that it is known before any crash; until then the offset is 0 (UTC).
void PrepareSignalSafeLocalTime();
void SignalSafeLocalTime(SYSTEMTIME* out);

}  // namespace platform

void Sleep(DWORD ms);
DWORD GetTickCount();
ULONGLONG GetTickCount64();
void GetLocalTime(SYSTEMTIME* out);
