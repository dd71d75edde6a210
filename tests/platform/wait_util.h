// Test helper: waits in real time for a condition, with a deadline, whatever clock is installed.
#pragma once

#include <chrono>
#include <functional>
#include <thread>

namespace testutil {

// True as soon as cond() holds; false when it still does not after timeoutMs of real time.
inline bool WaitUntil(const std::function<bool()>& cond, int timeoutMs = 10000) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!cond()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  return true;
}

}  // namespace testutil
