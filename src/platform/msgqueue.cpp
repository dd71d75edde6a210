// Message delivery on the GUI thread: SendMessage (direct on the GUI thread, blocking from other
// threads), PostMessage, window timers on the clock service, event pumping, and the global
// window functions.
#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QThread>
#include <QTimer>
#include <QWidget>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/clock.h"
#include "platform/threadhook.h"
#include "platform/windowlife.h"
#include "platform/wndinternal.h"

namespace platform {

namespace {

const QEvent::Type kSentEvent = static_cast<QEvent::Type>(QEvent::User + 101);
const QEvent::Type kPostedEvent = static_cast<QEvent::Type>(QEvent::User + 102);
const QEvent::Type kTimerEvent = static_cast<QEvent::Type>(QEvent::User + 103);

struct SentRequest {
  HWND hWnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  LRESULT result = 0;
  bool done = false;
};

class PostedEvent : public QEvent {
 public:
  PostedEvent(HWND h, UINT m, WPARAM w, LPARAM l) : QEvent(kPostedEvent), hWnd(h), message(m), wParam(w), lParam(l) {}
  HWND hWnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};

class TimerEvent : public QEvent {
 public:
  TimerEvent(HWND h, UINT_PTR i) : QEvent(kTimerEvent), hWnd(h), id(i) {}
  HWND hWnd;
  UINT_PTR id;
};

class Dispatcher;

// Messages sent from other threads and waiting for the GUI thread. Never destroyed: a thread may
// still be waiting in SendMessage while the process exits.
struct SentState {
  std::mutex mutex;
  std::condition_variable done;
  std::deque<SentRequest*> queue;
  // The dispatcher that delivers them; null (and nothing more accepted) once it is gone.
  Dispatcher* dispatcher = nullptr;
};

SentState& Sent() {
  static SentState* state = new SentState;
  return *state;
}

// Ends the waiting requests chosen by pred with result 0, as for a window that is gone. Called
// with the lock held.
template <typename Pred>
void AbandonSentLocked(SentState& s, Pred pred) {
  for (auto it = s.queue.begin(); it != s.queue.end();) {
    if (!pred(**it)) {
      ++it;
      continue;
    }
    (*it)->result = 0;
    (*it)->done = true;
    it = s.queue.erase(it);
  }
  s.done.notify_all();
}

LRESULT CallWindow(CWnd* wnd, UINT message, WPARAM wParam, LPARAM lParam) {
  HWND h = wnd->m_hWnd;
  LRESULT r = CallWindowProcAsCurrent(wnd, message, wParam, lParam);
  // Hooks watching processed messages see every sent and posted message after its window.
  if (CountCallWndProcRetHooks() > 0) CallWndProcRetHooks(h, message, wParam, lParam, r);
  return r;
}

void DrainSent() {
  SentState& s = Sent();
  while (true) {
    SentRequest* req = nullptr;
    {
      std::lock_guard<std::mutex> lock(s.mutex);
      if (s.queue.empty()) return;
      req = s.queue.front();
      s.queue.pop_front();
    }
    LRESULT r = 0;
    if (CWnd* wnd = LookupHandle(req->hWnd)) r = CallWindow(wnd, req->message, req->wParam, req->lParam);
    std::lock_guard<std::mutex> lock(s.mutex);
    req->result = r;
    req->done = true;
    s.done.notify_all();
  }
}

// Lives on the GUI thread and receives the messages other threads send or post.
class Dispatcher : public QObject {
 public:
  Dispatcher() {
    std::lock_guard<std::mutex> lock(Sent().mutex);
    Sent().dispatcher = this;
  }
  ~Dispatcher() override {
    // Nobody will deliver what still waits: every sender gets 0 back, and no new one gets in.
    SentState& s = Sent();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (s.dispatcher == this) s.dispatcher = nullptr;
    AbandonSentLocked(s, [](const SentRequest&) { return true; });
  }
  bool event(QEvent* e) override;
};

std::atomic<Dispatcher*> g_dispatcher{nullptr};

Dispatcher* GetDispatcher() {
  Dispatcher* d = g_dispatcher.load();
  if (d != nullptr) return d;
  QCoreApplication* app = QCoreApplication::instance();
  if (app == nullptr) return nullptr;
  if (!OnGuiThread()) return nullptr;
  d = new Dispatcher();
  d->setParent(app);
  g_dispatcher.store(d);
  QObject::connect(d, &QObject::destroyed, [] { g_dispatcher.store(nullptr); });
  return d;
}

// ---- timers ---------------------------------------------------------------------------------

struct TimerEntry {
  UINT interval;
  uint64_t due;
  bool pending;
  void (*proc)(HWND, UINT, UINT_PTR, DWORD);
};

std::mutex g_timerMutex;
std::map<std::pair<HWND, UINT_PTR>, TimerEntry> g_timers;
Clock* g_subscribedClock = nullptr;
int g_subscription = 0;

void CheckTimers();

// A single-shot timer that wakes the GUI thread at the earliest real-clock expiry.
class TimerWaker : public QObject {
 public:
  TimerWaker() {
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_timer, &QTimer::timeout, [] { CheckTimers(); });
  }
  void Arm(int ms) { m_timer.start(std::max(0, ms)); }
  void Stop() { m_timer.stop(); }

 private:
  QTimer m_timer;
};
QPointer<TimerWaker> g_waker;

void Rearm() {
  // GUI thread only.
  Clock& clock = GetClock();
  if (clock.IsManual()) {
    if (g_waker != nullptr) g_waker->Stop();
    return;
  }
  uint64_t earliest = UINT64_MAX;
  {
    std::lock_guard<std::mutex> lock(g_timerMutex);
    for (auto& [key, t] : g_timers) {
      if (!t.pending) earliest = std::min(earliest, t.due);
    }
  }
  if (QCoreApplication::instance() == nullptr) return;
  if (g_waker == nullptr) {
    g_waker = new TimerWaker();
    g_waker->setParent(QCoreApplication::instance());
  }
  if (earliest == UINT64_MAX) {
    g_waker->Stop();
    return;
  }
  uint64_t now = clock.NowMs();
  g_waker->Arm(earliest > now ? static_cast<int>(std::min<uint64_t>(earliest - now, 1u << 30)) : 0);
}

void EnsureClockSubscription() {
  Clock& clock = GetClock();
  if (&clock == g_subscribedClock) return;
  g_subscribedClock = &clock;
  if (clock.IsManual()) {
    Clock* target = &clock;
    g_subscription = clock.Subscribe([target] {
      if (&GetClock() == target) CheckTimers();
    });
  }
}

// Marks expired timers and queues one WM_TIMER each (expiries coalesce while one is queued).
void CheckTimers() {
  Dispatcher* d = g_dispatcher.load();
  uint64_t now = GetClock().NowMs();
  std::vector<std::pair<HWND, UINT_PTR>> fire;
  {
    std::lock_guard<std::mutex> lock(g_timerMutex);
    for (auto& [key, t] : g_timers) {
      if (t.pending || t.due > now) continue;
      t.pending = true;
      fire.push_back(key);
    }
  }
  for (auto& key : fire) {
    if (d != nullptr) QCoreApplication::postEvent(d, new TimerEvent(key.first, key.second), Qt::LowEventPriority);
  }
  if (OnGuiThread()) Rearm();
}

void FireTimer(HWND h, UINT_PTR id) {
  void (*proc)(HWND, UINT, UINT_PTR, DWORD) = nullptr;
  {
    std::lock_guard<std::mutex> lock(g_timerMutex);
    auto it = g_timers.find({h, id});
    if (it == g_timers.end() || !it->second.pending) return;
    it->second.pending = false;
    it->second.due = GetClock().NowMs() + it->second.interval;
    proc = it->second.proc;
  }
  if (CWnd* wnd = LookupHandle(h)) {
    if (proc != nullptr) {
      WindowCodeScope running;
      proc(h, WM_TIMER, id, GetTickCount());
    }
    else CallWindow(wnd, WM_TIMER, id, reinterpret_cast<LPARAM>(proc));
  }
  Rearm();
}

bool Dispatcher::event(QEvent* e) {
  if (e->type() == kSentEvent) {
    DrainSent();
    return true;
  }
  if (e->type() == kPostedEvent) {
    auto* pe = static_cast<PostedEvent*>(e);
    DeliverPosted(pe->hWnd, pe->message, pe->wParam, pe->lParam);
    return true;
  }
  if (e->type() == kTimerEvent) {
    auto* te = static_cast<TimerEvent*>(e);
    FireTimer(te->hWnd, te->id);
    return true;
  }
  return QObject::event(e);
}

}  // namespace

void AbandonSentTo(HWND hWnd) {
  SentState& s = Sent();
  std::lock_guard<std::mutex> lock(s.mutex);
  AbandonSentLocked(s, [hWnd](const SentRequest& r) { return r.hWnd == hWnd; });
}

int WaitingSentMessages() {
  SentState& s = Sent();
  std::lock_guard<std::mutex> lock(s.mutex);
  return static_cast<int>(s.queue.size());
}

void DeliverPosted(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
  CWnd* wnd = LookupHandle(hWnd);
  if (wnd == nullptr) return;
  MSG msg{hWnd, message, wParam, lParam, GetTickCount(), POINT{0, 0}};
  QPoint gp = QCursor::pos();
  msg.pt = POINT{gp.x(), gp.y()};
  if (WalkPreTranslate(wnd, &msg)) return;
  wnd = LookupHandle(hWnd);
  if (wnd != nullptr) CallWindow(wnd, message, wParam, lParam);
}

void TimerSet(HWND hWnd, UINT_PTR id, UINT elapse, void (*proc)(HWND, UINT, UINT_PTR, DWORD)) {
  GetDispatcher();
  EnsureClockSubscription();
  UINT interval = std::max<UINT>(elapse, 10);
  {
    std::lock_guard<std::mutex> lock(g_timerMutex);
    g_timers[{hWnd, id}] = TimerEntry{interval, GetClock().NowMs() + interval, false, proc};
  }
  Rearm();
}

bool TimerKill(HWND hWnd, UINT_PTR id) {
  bool found;
  {
    std::lock_guard<std::mutex> lock(g_timerMutex);
    found = g_timers.erase({hWnd, id}) > 0;
  }
  if (found && OnGuiThread()) Rearm();
  return found;
}

void TimersKillAll(HWND hWnd) {
  std::lock_guard<std::mutex> lock(g_timerMutex);
  for (auto it = g_timers.begin(); it != g_timers.end();) {
    if (it->first.first == hWnd) it = g_timers.erase(it);
    else ++it;
  }
}

void PumpPendingEvents() {
  if (QCoreApplication::instance() == nullptr) return;
  GetDispatcher();
  if (GetClock().IsManual()) CheckTimers();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

bool PumpUntil(const std::function<bool()>& pred, DWORD timeoutMs) {
  Clock& clock = GetClock();
  uint64_t start = clock.NowMs();
  while (true) {
    if (pred()) return true;
    if (timeoutMs != INFINITE && clock.NowMs() - start >= timeoutMs) return pred();
    if (QCoreApplication::instance() != nullptr) {
      GetDispatcher();
      QCoreApplication::processEvents(QEventLoop::AllEvents);
      QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    if (pred()) return true;
    clock.SleepMs(1);
  }
}

bool PumpUntilWallClock(const std::function<bool()>& pred, DWORD timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (true) {
    if (pred()) return true;
    if (std::chrono::steady_clock::now() >= deadline) return pred();
    PumpPendingEvents();
    if (pred()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

}  // namespace platform

using platform::LookupHandle;

// ---- global window functions --------------------------------------------------------------

BOOL IsWindow(HWND hWnd) { return LookupHandle(hWnd) != nullptr ? TRUE : FALSE; }

LRESULT SendMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (platform::OnGuiThread()) {
    platform::GetDispatcher();
    CWnd* wnd = LookupHandle(hWnd);
    return wnd != nullptr ? platform::CallWindow(wnd, message, wParam, lParam) : 0;
  }
  platform::SentState& s = platform::Sent();
  platform::SentRequest req{hWnd, message, wParam, lParam};
  std::unique_lock<std::mutex> lock(s.mutex);
  // Checked under the lock: a window destroyed from here on ends the wait (AbandonSentTo), and the
  // dispatcher cannot go away before the event is posted to it.
  if (s.dispatcher == nullptr || LookupHandle(hWnd) == nullptr) return 0;
  s.queue.push_back(&req);
  QCoreApplication::postEvent(s.dispatcher, new QEvent(platform::kSentEvent), Qt::HighEventPriority);
  s.done.wait(lock, [&] { return req.done; });
  return req.result;
}

BOOL PostMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (LookupHandle(hWnd) == nullptr) return FALSE;
  if (platform::OnGuiThread()) {
    platform::Dispatcher* d = platform::GetDispatcher();
    if (d == nullptr) return FALSE;
    QCoreApplication::postEvent(d, new platform::PostedEvent(hWnd, message, wParam, lParam));
    return TRUE;
  }
  // From another thread under the lock, so that the dispatcher cannot go away meanwhile.
  platform::SentState& s = platform::Sent();
  std::lock_guard<std::mutex> lock(s.mutex);
  if (s.dispatcher == nullptr) return FALSE;
  QCoreApplication::postEvent(s.dispatcher, new platform::PostedEvent(hWnd, message, wParam, lParam));
  return TRUE;
}

BOOL IsWindowVisible(HWND hWnd) {
  CWnd* w = LookupHandle(hWnd);
  return w != nullptr && w->IsWindowVisible();
}

BOOL EnableWindow(HWND hWnd, BOOL bEnable) {
  CWnd* w = LookupHandle(hWnd);
  return w != nullptr ? w->EnableWindow(bEnable) : FALSE;
}

BOOL ReleaseCapture() {
  QWidget* grabber = QWidget::mouseGrabber();
  if (grabber != nullptr) {
    grabber->releaseMouse();
    if (CWnd* w = CWnd::FromWidget(grabber)) ::SendMessage(w->m_hWnd, WM_CAPTURECHANGED, 0, 0);
  }
  return TRUE;
}

HWND GetCapture() {
  CWnd* w = CWnd::FromWidget(QWidget::mouseGrabber());
  return w != nullptr ? w->m_hWnd : nullptr;
}

HWND GetFocus() {
  CWnd* w = CWnd::GetFocus();
  return w != nullptr ? w->m_hWnd : nullptr;
}

HWND SetFocus(HWND hWnd) {
  HWND old = GetFocus();
  if (CWnd* w = LookupHandle(hWnd)) w->SetFocus();
  return old;
}

CWnd* WindowFromPoint(POINT point) { return CWnd::FromWidget(QApplication::widgetAt(QPoint(point.x, point.y))); }

BOOL GetCursorPos(LPPOINT lpPoint) {
  if (lpPoint == nullptr) return FALSE;
  QPoint p = QCursor::pos();
  lpPoint->x = p.x();
  lpPoint->y = p.y();
  return TRUE;
}

BOOL SetCursorPos(int x, int y) {
  QCursor::setPos(x, y);
  return TRUE;
}

UINT RegisterWindowMessage(const CString& name) {
  static std::mutex mu;
  static std::map<QString, UINT>* table = new std::map<QString, UINT>();
  std::lock_guard<std::mutex> lock(mu);
  QString key = name.q().toLower();
  auto it = table->find(key);
  if (it != table->end()) return it->second;
  UINT id = 0xC000 + static_cast<UINT>(table->size());
  (*table)[key] = id;
  return id;
}

BOOL TrackMouseEvent(LPTRACKMOUSEEVENT lpEventTrack) {
  if (lpEventTrack == nullptr) return FALSE;
  CWnd* w = LookupHandle(lpEventTrack->hwndTrack);
  if (w == nullptr || w->GetWidget() == nullptr) return FALSE;
  for (QObject* obj : w->GetWidget()->children()) {
    (void)obj;
  }
  auto hooks = w->GetWidget()->findChildren<platform::WndHook*>(QString(), Qt::FindDirectChildrenOnly);
  for (platform::WndHook* hook : hooks) {
    if (hook->Window() != w) continue;
    if (lpEventTrack->dwFlags & TME_CANCEL) {
      hook->m_trackFlags &= ~(lpEventTrack->dwFlags & ~TME_CANCEL);
    } else {
      hook->m_trackFlags |= lpEventTrack->dwFlags;
      if (lpEventTrack->dwFlags & TME_HOVER) hook->m_hoverSent = false;
    }
  }
  return TRUE;
}

SHORT GetKeyState(int nVirtKey) {
  Qt::KeyboardModifiers mods = QGuiApplication::queryKeyboardModifiers();
  Qt::MouseButtons buttons = QGuiApplication::mouseButtons();
  bool down = false;
  switch (nVirtKey) {
    case VK_SHIFT: down = mods & Qt::ShiftModifier; break;
    case VK_CONTROL: down = mods & Qt::ControlModifier; break;
    case VK_MENU: down = mods & Qt::AltModifier; break;
    case VK_LBUTTON: down = buttons & Qt::LeftButton; break;
    case VK_RBUTTON: down = buttons & Qt::RightButton; break;
    case VK_MBUTTON: down = buttons & Qt::MiddleButton; break;
    default: break;
  }
  return down ? static_cast<SHORT>(0x8000) : 0;
}

SHORT GetAsyncKeyState(int nVirtKey) { return GetKeyState(nVirtKey); }

BOOL MessageBeep(UINT uType) {
  (void)uType;
  return TRUE;
}

void AfxBeep() {}

BOOL GetMessagePos(LPPOINT lpPoint) {
  const MSG* m = CWnd::GetCurrentMessage();
  if (lpPoint == nullptr) return FALSE;
  if (m != nullptr) *lpPoint = m->pt;
  else GetCursorPos(lpPoint);
  return TRUE;
}

DWORD GetMessageTime() {
  const MSG* m = CWnd::GetCurrentMessage();
  return m != nullptr ? m->time : GetTickCount();
}

void PostQuitMessage(int nExitCode) {
  if (QCoreApplication::instance() != nullptr) QCoreApplication::exit(nExitCode);
}

BOOL SetClipboardText(const CString& text) {
  QClipboard* cb = QGuiApplication::clipboard();
  if (cb == nullptr) return FALSE;
  cb->setText(text.q());
  return TRUE;
}

CString GetClipboardText() {
  QClipboard* cb = QGuiApplication::clipboard();
  return cb != nullptr ? CString(cb->text()) : CString();
}

namespace {
Qt::CursorShape ShapeOf(HCURSOR h) {
  switch (reinterpret_cast<uintptr_t>(h)) {
    case 32513: return Qt::IBeamCursor;
    case 32514: return Qt::WaitCursor;
    case 32515: return Qt::CrossCursor;
    case 32646: return Qt::SizeAllCursor;
    case 32649: return Qt::PointingHandCursor;
    case 32644: return Qt::SizeHorCursor;
    case 32645: return Qt::SizeVerCursor;
    case 32648: return Qt::ForbiddenCursor;
    case 32650: return Qt::BusyCursor;
    default: return Qt::ArrowCursor;
  }
}
HCURSOR g_currentCursor = nullptr;
}  // namespace

HCURSOR LoadCursor(HINSTANCE hInstance, const wchar_t* lpCursorName) {
  (void)hInstance;
  return reinterpret_cast<HCURSOR>(const_cast<wchar_t*>(lpCursorName));
}

namespace platform {
Qt::CursorShape CursorShapeOf(HCURSOR h) { return ShapeOf(h); }
}  // namespace platform

HCURSOR SetCursor(HCURSOR hCursor) {
  HCURSOR old = g_currentCursor;
  g_currentCursor = hCursor;
  if (QGuiApplication::instance() == nullptr) return old;
  if (hCursor == nullptr) {
    while (QGuiApplication::overrideCursor() != nullptr) QGuiApplication::restoreOverrideCursor();
  } else if (QGuiApplication::overrideCursor() != nullptr) {
    QGuiApplication::changeOverrideCursor(QCursor(ShapeOf(hCursor)));
  } else {
    QGuiApplication::setOverrideCursor(QCursor(ShapeOf(hCursor)));
  }
  return old;
}
