// Deferred freeing of window objects (see windowlife.h).
#include "platform/windowlife.h"

#include <QCoreApplication>
#include <QTimer>

#include <algorithm>
#include <vector>

#include "platform/wnd.h"

namespace platform {

namespace {

int g_depth = 0;
bool g_flushQueued = false;

std::vector<CWnd*>& Pending() {
  static auto* pending = new std::vector<CWnd*>();
  return *pending;
}

void QueueFlush() {
  if (g_flushQueued || Pending().empty()) return;
  QCoreApplication* app = QCoreApplication::instance();
  if (app == nullptr) return;
  g_flushQueued = true;
  // From the event loop: window code still running then (a loop nested in a handler) keeps the
  // objects for the next time the outermost handler has returned.
  QTimer::singleShot(0, app, [] {
    g_flushQueued = false;
    DeleteDeferredWindows();
  });
}

}  // namespace

void DeleteDeferredWindows() {
  if (g_depth != 0) return;
  while (!Pending().empty()) {
    std::vector<CWnd*> batch;
    batch.swap(Pending());
    for (CWnd* wnd : batch) delete wnd;
  }
}

WindowCodeScope::WindowCodeScope() { ++g_depth; }

WindowCodeScope::~WindowCodeScope() {
  if (--g_depth == 0) QueueFlush();
}

int WindowCodeDepth() { return g_depth; }

void DeleteWindowLater(CWnd* wnd) {
  if (wnd == nullptr) return;
  auto& pending = Pending();
  if (std::find(pending.begin(), pending.end(), wnd) != pending.end()) return;
  if (g_depth == 0 || QCoreApplication::instance() == nullptr) {
    // Objects ended earlier may refer to this one: they go first.
    DeleteDeferredWindows();
    delete wnd;
    return;
  }
  if (wnd->GetSafeHwnd() != nullptr) wnd->DestroyWindow();
  pending.push_back(wnd);
}

size_t PendingWindowDeletions() { return Pending().size(); }

}  // namespace platform
