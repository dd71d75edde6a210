// Events, waits, critical sections and threads over the standard library. All kernel objects share
// one lock and one condition variable: objects are few and signals rare, and it keeps waits simple.
#include "platform/sync.h"

#include "platform/crashdump.h"

#include <algorithm>
#include <chrono>
#include <limits>
#include <system_error>
#include <unordered_set>
#include <vector>

#include "platform/clock.h"
#include "platform/trace.h"

namespace platform {

namespace {

struct KernelState {
  std::mutex mutex;
  std::condition_variable changed;
  std::unordered_set<const KernelObject*> live;
};

// Never destroyed: threads that outlive main may still signal their handles.
KernelState& Kernel() {
  static KernelState* state = new KernelState;
  return *state;
}

std::atomic<DWORD> g_lastThreadId{0};
thread_local DWORD t_threadId = 0;
std::atomic<DWORD> g_guiThreadId{0};

DWORD NewThreadId() {
  DWORD id = ++g_lastThreadId;
  if (id == 0) id = ++g_lastThreadId;  // after a wrap, 0 still means "none"
  return id;
}

}  // namespace

struct KernelAccess {
  static bool IsLive(const KernelObject* obj) { return Kernel().live.count(obj) != 0; }
  static bool IsEvent(const KernelObject* obj) { return obj->m_kind == KernelObject::Kind::Event; }
  static bool IsThread(const KernelObject* obj) { return obj->m_kind == KernelObject::Kind::Thread; }

  static void SetSignalled(KernelObject* obj, bool signalled) {
    std::lock_guard<std::mutex> lock(Kernel().mutex);
    obj->m_signalled = signalled;
    if (signalled) Kernel().changed.notify_all();
  }
  static bool Signalled(const KernelObject* obj) {
    std::lock_guard<std::mutex> lock(Kernel().mutex);
    return obj->m_signalled;
  }
  static void MakeClosable(KernelObject* obj) {
    std::lock_guard<std::mutex> lock(Kernel().mutex);
    obj->m_closableHandle = true;
  }
  // Under the kernel lock: takes the right to delete the object through CloseHandle.
  static bool ClaimClose(KernelObject* obj) {
    if (!obj->m_closableHandle) return false;
    obj->m_closableHandle = false;
    return true;
  }

  // Sets or resets obj when it is a live event; false otherwise.
  static bool SetIfEvent(const void* handle, bool signalled) {
    std::lock_guard<std::mutex> lock(Kernel().mutex);
    auto* obj = static_cast<KernelObject*>(const_cast<void*>(handle));
    if (!Kernel().live.count(obj) || !IsEvent(obj)) return false;
    obj->m_signalled = signalled;
    if (signalled) Kernel().changed.notify_all();
    return true;
  }
  static int IsSetIfEvent(const void* handle) {  // -1 when not a live event
    std::lock_guard<std::mutex> lock(Kernel().mutex);
    auto* obj = static_cast<const KernelObject*>(handle);
    if (!Kernel().live.count(obj) || !IsEvent(obj)) return -1;
    return obj->m_signalled ? 1 : 0;
  }

  // The one wait of the layer. See WaitForSingleObject for the results.
  static DWORD Wait(KernelObject* obj, DWORD timeoutMs);
};

DWORD KernelAccess::Wait(KernelObject* obj, DWORD timeoutMs) {
  using namespace std::chrono;
  KernelState& k = Kernel();
  Clock& clock = GetClock();
  ManualClock* manual = clock.IsManual() ? dynamic_cast<ManualClock*>(&clock) : nullptr;
  // The thread that moves a manual clock cannot wait for someone else to move it: while it waits,
  // time keeps pace with real time.
  const bool keepPace = manual && timeoutMs != 0 && manual->IsOwnerThread();
  const bool timed = timeoutMs != INFINITE;

  int subscription = 0;
  if (clock.IsManual() && timeoutMs != 0) {
    subscription = clock.Subscribe([&k] {
      std::lock_guard<std::mutex> lock(k.mutex);
      k.changed.notify_all();
    });
  }
  const uint64_t start = clock.NowMs();
  DWORD result = WAIT_FAILED;
  {
    std::unique_lock<std::mutex> lock(k.mutex);
    if (IsLive(obj)) {
      ++obj->m_waiters;
      auto lastReal = steady_clock::now();
      for (;;) {
        if (obj->m_signalled) {
          if (!obj->m_manualReset) obj->m_signalled = false;
          result = WAIT_OBJECT_0;
          break;
        }
        if (obj->m_closing) {
          result = WAIT_FAILED;
          break;
        }
        if (timeoutMs == 0) {
          result = WAIT_TIMEOUT;
          break;
        }
        const uint64_t elapsed = clock.NowMs() - start;
        if (timed && elapsed >= timeoutMs) {
          result = WAIT_TIMEOUT;
          break;
        }
        const uint64_t remaining =
            timed ? timeoutMs - elapsed : std::numeric_limits<uint64_t>::max();
        if (keepPace) {
          k.changed.wait_for(lock, milliseconds(std::min<uint64_t>(remaining, 5)));
          const auto passed = duration_cast<milliseconds>(steady_clock::now() - lastReal);
          if (passed.count() > 0) {
            lastReal += passed;
            lock.unlock();
            manual->Advance(std::min<uint64_t>(static_cast<uint64_t>(passed.count()), remaining));
            lock.lock();
          }
        } else if (clock.IsManual()) {
          // The subscription wakes the wait when time moves; the slice only guards against a
          // clock that does not report its changes.
          k.changed.wait_for(lock, milliseconds(50));
        } else {
          k.changed.wait_for(lock, milliseconds(std::min<uint64_t>(remaining, 3600000)));
        }
      }
      --obj->m_waiters;
      if (obj->m_closing) k.changed.notify_all();
    }
  }
  if (subscription) clock.Unsubscribe(subscription);
  return result;
}

KernelObject::KernelObject(Kind kind, bool manualReset, bool initialState)
    : m_kind(kind), m_manualReset(manualReset), m_signalled(initialState) {
  std::lock_guard<std::mutex> lock(Kernel().mutex);
  Kernel().live.insert(this);
}

KernelObject::~KernelObject() {
  KernelState& k = Kernel();
  std::unique_lock<std::mutex> lock(k.mutex);
  k.live.erase(this);
  m_closing = true;
  k.changed.notify_all();
  k.changed.wait(lock, [this] { return m_waiters == 0; });
}

Event::Event(bool manualReset, bool initialState) : KernelObject(Kind::Event, manualReset, initialState) {}

Event::~Event() = default;

void Event::Set() { KernelAccess::SetSignalled(this, true); }

void Event::Reset() { KernelAccess::SetSignalled(this, false); }

bool Event::IsSet() const { return KernelAccess::Signalled(this); }

bool Event::Wait(DWORD timeoutMs) { return KernelAccess::Wait(this, timeoutMs) == WAIT_OBJECT_0; }

bool Event::IsManualReset() const { return ManualReset(); }

// ---- Recursive lock

void RecursiveMutex::Lock() {
  const std::thread::id self = std::this_thread::get_id();
  std::unique_lock<std::mutex> lock(m_mutex);
  if (m_depth > 0 && m_owner == self) {
    ++m_depth;
    return;
  }
  m_free.wait(lock, [this] { return m_depth == 0; });
  m_owner = self;
  m_depth = 1;
}

bool RecursiveMutex::TryLock() {
  const std::thread::id self = std::this_thread::get_id();
  std::lock_guard<std::mutex> lock(m_mutex);
  if (m_depth > 0 && m_owner != self) return false;
  m_owner = self;
  ++m_depth;
  return true;
}

bool RecursiveMutex::Unlock() {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (m_depth == 0 || m_owner != std::this_thread::get_id()) return false;
  if (--m_depth == 0) {
    m_owner = std::thread::id();
    m_free.notify_one();
  }
  return true;
}

bool RecursiveMutex::IsHeld() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_depth > 0;
}

// ---- GUI thread

void SetGuiThread() { g_guiThreadId.store(GetCurrentThreadId()); }

bool IsGuiThread() {
  const DWORD gui = g_guiThreadId.load();
  return gui != 0 && gui == GetCurrentThreadId();
}

// ---- Threads

namespace {

class ThreadHandle : public KernelObject {
 public:
  ThreadHandle() : KernelObject(Kind::Thread, true, false) {}
  // Guarded by the kernel lock.
  DWORD exitCode = STILL_ACTIVE;
};

// The CWinThread objects that the layer keeps alive (see CWinThread in the header).
struct KeptThreads {
  std::mutex mutex;
  std::vector<CWinThread*> objects;
};

KeptThreads& Kept() {
  static KeptThreads* kept = new KeptThreads;
  return *kept;
}

}  // namespace

struct ThreadState {
  std::mutex mutex;
  std::condition_variable resumed;
  DWORD suspendCount = 0;
  bool cancelled = false;   // the owner went away before the function started
  bool started = false;     // the function has been entered
  CWinThread* owner = nullptr;  // null once the owner is being destroyed
  std::thread thread;
  ThreadHandle handle;
  AFX_THREADPROC proc = nullptr;
  LPVOID param = nullptr;
  DWORD id = 0;
};

namespace {

void ThreadMain(std::shared_ptr<ThreadState> s) {
  PrepareThreadForCrashes();  // crash reports from this thread too
  t_threadId = s->id;
  bool run = false;
  {
    std::unique_lock<std::mutex> lock(s->mutex);
    s->resumed.wait(lock, [&] { return s->suspendCount == 0 || s->cancelled; });
    run = !s->cancelled;
    s->started = run;
  }
  DWORD code = 0;
  if (run) code = s->proc(s->param);

  std::lock_guard<std::mutex> lock(s->mutex);
  {
    std::lock_guard<std::mutex> klock(Kernel().mutex);
    s->handle.exitCode = code;
  }
  KernelAccess::SetSignalled(&s->handle, true);
  // An object the program will not delete gives its thread back to the system now; from here on
  // this thread touches only the shared state.
  const bool autoDelete = s->owner && s->owner->m_bAutoDelete;
  if (autoDelete && s->thread.joinable()) s->thread.detach();
}

}  // namespace

}  // namespace platform

using platform::Kernel;
using platform::KernelAccess;

HANDLE CreateEvent(void* security, BOOL manualReset, BOOL initialState, const wchar_t* name) {
  (void)security;
  (void)name;
  auto* event = new platform::Event(manualReset != FALSE, initialState != FALSE);
  KernelAccess::MakeClosable(event);
  return event;
}

HANDLE CreateEventW(void* security, BOOL manualReset, BOOL initialState, const wchar_t* name) {
  return CreateEvent(security, manualReset, initialState, name);
}

BOOL SetEvent(HANDLE event) { return KernelAccess::SetIfEvent(event, true) ? TRUE : FALSE; }

BOOL ResetEvent(HANDLE event) { return KernelAccess::SetIfEvent(event, false) ? TRUE : FALSE; }

BOOL IsEventSet(HANDLE event) { return KernelAccess::IsSetIfEvent(event) == 1 ? TRUE : FALSE; }

int platform::EventState(HANDLE event) { return KernelAccess::IsSetIfEvent(event); }

BOOL CloseHandle(HANDLE handle) {
  {
    std::lock_guard<std::mutex> lock(Kernel().mutex);
    if (!handle || !KernelAccess::IsLive(handle)) return FALSE;
    if (KernelAccess::IsThread(handle)) return TRUE;
    if (!KernelAccess::ClaimClose(handle)) return FALSE;
  }
  delete handle;
  return TRUE;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD timeoutMs) {
  if (!handle || handle == INVALID_HANDLE_VALUE) return WAIT_FAILED;
  return KernelAccess::Wait(handle, timeoutMs);
}

// ---- Critical sections

namespace {
bool CheckSection(const CRITICAL_SECTION* section, const wchar_t* what) {
  if (section) return true;
  TRACE(L"%s: no critical section", what);
  return false;
}
}  // namespace

void InitializeCriticalSection(CRITICAL_SECTION* section) {
  if (!CheckSection(section, L"InitializeCriticalSection")) return;
  if (section->lock.IsHeld()) TRACE(L"InitializeCriticalSection: the section is held; left as it is");
}

void EnterCriticalSection(CRITICAL_SECTION* section) {
  if (CheckSection(section, L"EnterCriticalSection")) section->lock.Lock();
}

void LeaveCriticalSection(CRITICAL_SECTION* section) {
  if (!CheckSection(section, L"LeaveCriticalSection")) return;
  if (!section->lock.Unlock()) TRACE(L"LeaveCriticalSection: the calling thread does not hold the section");
}

BOOL TryEnterCriticalSection(CRITICAL_SECTION* section) {
  if (!CheckSection(section, L"TryEnterCriticalSection")) return FALSE;
  return section->lock.TryLock() ? TRUE : FALSE;
}

void DeleteCriticalSection(CRITICAL_SECTION* section) {
  if (!CheckSection(section, L"DeleteCriticalSection")) return;
  if (section->lock.IsHeld()) TRACE(L"DeleteCriticalSection: the section is still held");
}

BOOL CCriticalSection::Lock(DWORD timeoutMs) {
  (void)timeoutMs;
  m_sect.lock.Lock();
  return TRUE;
}

BOOL CCriticalSection::Unlock() {
  if (m_sect.lock.Unlock()) return TRUE;
  TRACE(L"CCriticalSection::Unlock: the calling thread does not hold the section");
  return FALSE;
}

CSingleLock::CSingleLock(CSyncObject* object, BOOL initialLock) : m_object(object) {
  if (initialLock) Lock();
}

CSingleLock::~CSingleLock() { Unlock(); }

BOOL CSingleLock::Lock(DWORD timeoutMs) {
  if (m_locked) return TRUE;
  if (!m_object) return FALSE;
  m_locked = m_object->Lock(timeoutMs);
  return m_locked;
}

BOOL CSingleLock::Unlock() {
  if (m_locked && m_object) m_locked = !m_object->Unlock();
  return !m_locked;
}

// ---- Threads

DWORD GetCurrentThreadId() {
  if (platform::t_threadId == 0) platform::t_threadId = platform::NewThreadId();
  return platform::t_threadId;
}

CWinThread::CWinThread() = default;

CWinThread::~CWinThread() {
  if (!m_state) return;
  std::thread thread;
  {
    std::lock_guard<std::mutex> lock(m_state->mutex);
    m_state->owner = nullptr;
    m_state->cancelled = !m_state->started;
    m_state->resumed.notify_all();
    thread = std::move(m_state->thread);
  }
  if (thread.joinable()) {
    if (thread.get_id() == std::this_thread::get_id()) {
      thread.detach();  // deleted by its own thread: it finishes on the shared state alone
    } else {
      thread.join();
    }
  }
  platform::KeptThreads& kept = platform::Kept();
  std::lock_guard<std::mutex> lock(kept.mutex);
  kept.objects.erase(std::remove(kept.objects.begin(), kept.objects.end(), this), kept.objects.end());
}

DWORD CWinThread::ResumeThread() {
  if (!m_state) return 0xFFFFFFFFu;
  std::lock_guard<std::mutex> lock(m_state->mutex);
  const DWORD previous = m_state->suspendCount;
  if (previous > 0 && --m_state->suspendCount == 0) m_state->resumed.notify_all();
  return previous;
}

BOOL CWinThread::SetThreadPriority(int priority) {
  m_priority = priority;
  return TRUE;
}

int CWinThread::GetThreadPriority() const { return m_priority; }

CWinThread* AfxBeginThread(AFX_THREADPROC proc, LPVOID param, int priority, UINT stackSize,
                           DWORD createFlags, void* security) {
  (void)stackSize;
  (void)security;
  if (!proc) return nullptr;
  auto* object = new CWinThread;
  auto state = std::make_shared<platform::ThreadState>();
  state->proc = proc;
  state->param = param;
  state->id = platform::NewThreadId();
  state->owner = object;
  state->suspendCount = (createFlags & CREATE_SUSPENDED) ? 1 : 0;
  object->m_state = state;
  object->m_hThread = &state->handle;
  object->m_nThreadID = state->id;
  object->m_priority = priority;
  {
    std::lock_guard<std::mutex> lock(state->mutex);
    try {
      state->thread = std::thread(platform::ThreadMain, state);
    } catch (const std::system_error& e) {
      TRACE(L"AfxBeginThread: cannot create a thread: %s", e.what());
      object->m_state.reset();
      object->m_hThread = nullptr;
      state->owner = nullptr;
      delete object;
      return nullptr;
    }
  }
  platform::KeptThreads& kept = platform::Kept();
  std::lock_guard<std::mutex> lock(kept.mutex);
  kept.objects.push_back(object);
  return object;
}

BOOL GetExitCodeThread(HANDLE thread, DWORD* exitCode) {
  std::lock_guard<std::mutex> lock(Kernel().mutex);
  if (!thread || !KernelAccess::IsLive(thread) || !KernelAccess::IsThread(thread)) return FALSE;
  if (exitCode) *exitCode = static_cast<platform::ThreadHandle*>(thread)->exitCode;
  return TRUE;
}

// ---- Worker thread

namespace platform {

WorkerThread::WorkerThread() = default;

WorkerThread::~WorkerThread() {
  RequestStop();
  std::lock_guard<std::mutex> lock(m_mutex);
  if (!m_thread.joinable()) return;
  if (m_thread.get_id() == std::this_thread::get_id()) {
    TRACE(L"WorkerThread: destroyed by its own thread; the thread is left to finish alone");
    m_thread.detach();
  } else {
    m_thread.join();
  }
}

bool WorkerThread::Start(std::function<void(Event& stop)> body) {
  if (!body) return false;
  std::lock_guard<std::mutex> lock(m_mutex);
  if (m_running->load()) return false;
  if (m_thread.joinable()) m_thread.join();
  m_stop.Reset();
  m_running->store(true);
  try {
    m_thread = std::thread([running = m_running, stop = &m_stop, body = std::move(body)] {
      PrepareThreadForCrashes();
      body(*stop);
      running->store(false);
    });
  } catch (const std::system_error& e) {
    TRACE(L"WorkerThread: cannot create a thread: %s", e.what());
    m_running->store(false);
    return false;
  }
  return true;
}

void WorkerThread::RequestStop() { m_stop.Set(); }

void WorkerThread::Join() {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (!m_thread.joinable()) return;
  if (m_thread.get_id() == std::this_thread::get_id()) {
    TRACE(L"WorkerThread::Join: called from the worker thread itself; ignored");
    return;
  }
  m_thread.join();
}

bool WorkerThread::IsRunning() const { return m_running->load(); }

}  // namespace platform
