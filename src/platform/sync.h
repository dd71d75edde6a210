// Events, timed waits, critical sections and threads in the manner of the Windows kernel objects
// and the MFC thread classes. Every time-out counts on the clock service (platform::GetClock()).
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/wintypes.h"

namespace platform {

// Something a thread can wait on: an event or a thread. It is signalled or not; waiting on an
// auto-reset object that is signalled takes the signal (resets it) for exactly one waiter.
class KernelObject {
 public:
  virtual ~KernelObject();
  KernelObject(const KernelObject&) = delete;
  KernelObject& operator=(const KernelObject&) = delete;

 protected:
  enum class Kind { Event, Thread };
  KernelObject(Kind kind, bool manualReset, bool initialState);
  bool ManualReset() const { return m_manualReset; }

 private:
  friend struct KernelAccess;
  const Kind m_kind;
  const bool m_manualReset;
  // The fields below are guarded by the layer's one kernel lock.
  bool m_signalled;
  bool m_closing = false;
  bool m_closableHandle = false;  // made by CreateEvent: CloseHandle deletes it
  int m_waiters = 0;
};

// An event usable directly from C++ (its address is also a HANDLE for WaitForSingleObject).
// A manual-reset event stays set until Reset; an auto-reset one releases one waiter per Set.
// Destroying an event releases its waiters with a failed wait.
class Event : public KernelObject {
 public:
  explicit Event(bool manualReset = true, bool initialState = false);
  ~Event() override;

  void Set();
  void Reset();
  // Whether the event is set, without taking the signal of an auto-reset event.
  bool IsSet() const;
  // True when the event was (or became) set within timeoutMs of the clock; INFINITE waits for ever.
  bool Wait(DWORD timeoutMs = INFINITE);
  bool IsManualReset() const;
};

// A recursive lock that knows its owner: unlocking from a thread that does not hold it is refused.
class RecursiveMutex {
 public:
  void Lock();
  bool TryLock();
  // False (and nothing done) when the calling thread does not hold the lock.
  bool Unlock();
  bool IsHeld() const;  // by any thread

 private:
  mutable std::mutex m_mutex;
  std::condition_variable m_free;
  std::thread::id m_owner;
  unsigned m_depth = 0;
};

// Records the calling thread as the one that runs the GUI.
void SetGuiThread();
// True on the thread recorded by SetGuiThread (false while none is recorded).
bool IsGuiThread();

// A thread with a stop event. The body receives the stop event and should return soon after it is
// set (waiting on it with Wait(ms) is an interruptible, clock-aware sleep). The destructor requests
// a stop and joins, so the thread never outlives this object.
class WorkerThread {
 public:
  WorkerThread();
  ~WorkerThread();
  WorkerThread(const WorkerThread&) = delete;
  WorkerThread& operator=(const WorkerThread&) = delete;

  // Starts the body on a new thread. False when a previous body is still running or the thread
  // cannot be created. A finished previous run is joined first and the stop event reset.
  bool Start(std::function<void(Event& stop)> body);
  void RequestStop();
  // Waits until the body has returned. Does nothing when called from the worker thread itself.
  void Join();
  // True from Start until the body has returned.
  bool IsRunning() const;
  Event& StopEvent() { return m_stop; }

 private:
  Event m_stop{true, false};
  std::mutex m_mutex;  // guards m_thread
  std::thread m_thread;
  // Shared with the thread, which may outlive this object only when this object is destroyed
  // from the thread itself.
  std::shared_ptr<std::atomic<bool>> m_running = std::make_shared<std::atomic<bool>>(false);
};

struct ThreadState;

}  // namespace platform

// Handles: events made by CreateEvent and the handles of threads. NULL (nullptr) is no handle.
typedef platform::KernelObject* HANDLE;
#ifndef INVALID_HANDLE_VALUE
#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(static_cast<intptr_t>(-1)))
#endif

// The name is accepted and ignored: events are not shared by name. Never fails (returns non-null).
HANDLE CreateEvent(void* security, BOOL manualReset, BOOL initialState, const wchar_t* name);
HANDLE CreateEventW(void* security, BOOL manualReset, BOOL initialState, const wchar_t* name);
// FALSE for a handle that is not a live event.
BOOL SetEvent(HANDLE event);
BOOL ResetEvent(HANDLE event);
// Non-consuming test of an event (FALSE for a handle that is not a live event).
BOOL IsEventSet(HANDLE event);
namespace platform {
// Non-consuming test of an event: 1 set, 0 not set, -1 not a live event.
int EventState(HANDLE event);
}  // namespace platform
// Deletes an event made by CreateEvent (its waiters get WAIT_FAILED). A thread's handle belongs to
// its CWinThread: closing it does nothing and succeeds. FALSE for anything else.
BOOL CloseHandle(HANDLE handle);
// WAIT_OBJECT_0 when signalled (taking the signal of an auto-reset event), WAIT_TIMEOUT after
// timeoutMs of the clock (0 polls, INFINITE never times out), WAIT_FAILED for a handle that is not
// live or an object destroyed during the wait.
DWORD WaitForSingleObject(HANDLE handle, DWORD timeoutMs);

// Critical sections: recursive locks. Leaving a section the thread does not hold is ignored (with
// a TRACE message), as is deleting one that is still held.
struct CRITICAL_SECTION {
  platform::RecursiveMutex lock;
};
typedef CRITICAL_SECTION* LPCRITICAL_SECTION;
void InitializeCriticalSection(CRITICAL_SECTION* section);
void EnterCriticalSection(CRITICAL_SECTION* section);
void LeaveCriticalSection(CRITICAL_SECTION* section);
BOOL TryEnterCriticalSection(CRITICAL_SECTION* section);
void DeleteCriticalSection(CRITICAL_SECTION* section);

class CSyncObject {
 public:
  virtual ~CSyncObject() = default;
  virtual BOOL Lock(DWORD timeoutMs = INFINITE) = 0;
  virtual BOOL Unlock() = 0;
};

class CCriticalSection : public CSyncObject {
 public:
  CCriticalSection() = default;
  // The time-out is ignored: a critical section is always waited for.
  BOOL Lock(DWORD timeoutMs = INFINITE) override;
  BOOL Unlock() override;
  operator CRITICAL_SECTION*() { return &m_sect; }

  CRITICAL_SECTION m_sect;
};

// Holds a lock on a sync object for its lifetime (unlocks in the destructor when locked).
class CSingleLock {
 public:
  explicit CSingleLock(CSyncObject* object, BOOL initialLock = FALSE);
  ~CSingleLock();
  CSingleLock(const CSingleLock&) = delete;
  CSingleLock& operator=(const CSingleLock&) = delete;
  // Locking again while locked does nothing and succeeds.
  BOOL Lock(DWORD timeoutMs = INFINITE);
  BOOL Unlock();
  BOOL IsLocked() const { return m_locked; }

 private:
  CSyncObject* m_object;
  BOOL m_locked = FALSE;
};

#define CREATE_SUSPENDED 0x00000004u
#define STILL_ACTIVE 259u
#define THREAD_PRIORITY_LOWEST (-2)
#define THREAD_PRIORITY_BELOW_NORMAL (-1)
#define THREAD_PRIORITY_NORMAL 0
#define THREAD_PRIORITY_ABOVE_NORMAL 1
#define THREAD_PRIORITY_HIGHEST 2

typedef UINT (*AFX_THREADPROC)(LPVOID);

// A thread started by AfxBeginThread. m_hThread is signalled when the thread function has returned.
//
// m_bAutoDelete (TRUE by default): unlike MFC, the object never deletes itself when its thread
// ends, so m_hThread and the other members stay valid to wait on and read for as long as the
// process runs; the layer keeps such objects and releases the thread's own resources as soon as it
// ends. With m_bAutoDelete FALSE the program deletes the object, as in MFC. Deleting the object
// (whatever m_bAutoDelete says) waits for its thread to end first; a thread created suspended
// and never resumed ends without running its function.
class CWinThread {
 public:
  CWinThread();
  virtual ~CWinThread();
  CWinThread(const CWinThread&) = delete;
  CWinThread& operator=(const CWinThread&) = delete;

  // Decrements the suspend count; the thread runs when it reaches 0. Returns the previous count,
  // or 0xFFFFFFFF for an object with no thread.
  DWORD ResumeThread();
  // Priorities are recorded only.
  BOOL SetThreadPriority(int priority);
  int GetThreadPriority() const;

  HANDLE m_hThread = nullptr;
  DWORD m_nThreadID = 0;
  BOOL m_bAutoDelete = TRUE;

 private:
  friend CWinThread* AfxBeginThread(AFX_THREADPROC, LPVOID, int, UINT, DWORD, void*);
  std::shared_ptr<platform::ThreadState> m_state;
  int m_priority = THREAD_PRIORITY_NORMAL;
};

// Starts proc(param) on a new thread (suspended with CREATE_SUSPENDED). The stack size and
// security arguments are ignored. nullptr when proc is null or no thread can be created.
CWinThread* AfxBeginThread(AFX_THREADPROC proc, LPVOID param, int priority = THREAD_PRIORITY_NORMAL,
                           UINT stackSize = 0, DWORD createFlags = 0, void* security = nullptr);

// The exit code of a thread's function, STILL_ACTIVE while it runs. FALSE for a non-thread handle.
BOOL GetExitCodeThread(HANDLE thread, DWORD* exitCode);

// A number for the calling thread, unique for the life of the process (never 0).
DWORD GetCurrentThreadId();
