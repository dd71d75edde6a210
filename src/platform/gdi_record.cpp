// The draw recorder: while a test records, every device context appends what it draws.
#include <algorithm>
#include <atomic>
#include <mutex>
#include <vector>

#include "platform/gdi.h"
#include "platform/gdi_internal.h"

using platform::DrawOp;
using platform::DrawRecord;

// ---- recorder ----

namespace platform {

struct DrawRecorder::Data {
  std::vector<DrawRecord> records;
};

namespace {
std::recursive_mutex& RecorderMutex() {
  static std::recursive_mutex* m = new std::recursive_mutex;
  return *m;
}
std::vector<DrawRecorder*>& RecorderStack() {
  static auto* s = new std::vector<DrawRecorder*>;
  return *s;
}
std::atomic<int> g_recorders{0};
thread_local int t_quiet = 0;
}  // namespace

DrawRecorder::DrawRecorder() : m_d(new Data) {}

DrawRecorder::~DrawRecorder() { Stop(); }

void DrawRecorder::Start() {
  std::lock_guard<std::recursive_mutex> lock(RecorderMutex());
  auto& s = RecorderStack();
  if (std::find(s.begin(), s.end(), this) != s.end()) return;
  s.push_back(this);
  g_recorders.store(static_cast<int>(s.size()));
}

void DrawRecorder::Stop() {
  std::lock_guard<std::recursive_mutex> lock(RecorderMutex());
  auto& s = RecorderStack();
  s.erase(std::remove(s.begin(), s.end(), this), s.end());
  g_recorders.store(static_cast<int>(s.size()));
}

void DrawRecorder::Clear() {
  std::lock_guard<std::recursive_mutex> lock(RecorderMutex());
  m_d->records.clear();
}

std::vector<DrawRecord> DrawRecorder::Records() const {
  std::lock_guard<std::recursive_mutex> lock(RecorderMutex());
  return m_d->records;
}

std::vector<DrawRecord> DrawRecorder::Records(DrawOp op) const {
  std::lock_guard<std::recursive_mutex> lock(RecorderMutex());
  std::vector<DrawRecord> out;
  for (const DrawRecord& r : m_d->records) {
    if (r.op == op) out.push_back(r);
  }
  return out;
}

size_t DrawRecorder::Count(DrawOp op) const { return Records(op).size(); }

void DrawRecorder::Append(const DrawRecord& record) {
  std::lock_guard<std::recursive_mutex> lock(RecorderMutex());
  m_d->records.push_back(record);
}

namespace gdi {

QuietScope::QuietScope() { ++t_quiet; }
QuietScope::~QuietScope() { --t_quiet; }
bool RecordingQuiet() { return t_quiet > 0; }
bool RecorderActive() { return g_recorders.load() > 0; }

void Submit(const DrawRecord& record) {
  std::lock_guard<std::recursive_mutex> lock(RecorderMutex());
  auto& s = RecorderStack();
  if (!s.empty()) s.back()->Append(record);
}

}  // namespace gdi
}  // namespace platform
