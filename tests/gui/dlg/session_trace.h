// Test helper: the session steps the main window traces ("Session: Connect /dev/ttyUSB3 tunnel on"),
// collected while the helper exists, without the "Session: " prefix and the line end.
#pragma once

#include <mutex>
#include <vector>

#include "platform/cstring.h"
#include "platform/trace.h"

namespace testsupport {

class SessionTrace {
 public:
  SessionTrace() {
    m_id = platform::AddTraceSink([this](const CString& text) {
      if (text.Left(9) != L"Session: ") return;
      CString step = text.Mid(9);
      step.TrimRight(L"\r\n");
      std::lock_guard<std::mutex> lock(m_mutex);
      m_steps.push_back(step);
    });
  }
  ~SessionTrace() { platform::RemoveTraceSink(m_id); }
  SessionTrace(const SessionTrace&) = delete;
  SessionTrace& operator=(const SessionTrace&) = delete;

  std::vector<CString> Steps() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_steps;
  }
  // The step names only ("Connect", "Open", "EndSession").
  std::vector<CString> Names() const {
    std::vector<CString> names;
    for (const CString& step : Steps()) names.push_back(step.Left(step.Find(L' ') < 0 ? step.GetLength() : step.Find(L' ')));
    return names;
  }
  void Clear() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_steps.clear();
  }

 private:
  int m_id = 0;
  mutable std::mutex m_mutex;
  std::vector<CString> m_steps;
};

}  // namespace testsupport
