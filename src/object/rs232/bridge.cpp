// CBridge and Object_Base (see bridge.h).
#include "object/rs232/bridge.h"

#include "object/rs232/passwordtext.h"
#include "object/rs232/rs232object.h"
#include "platform/trace.h"

BEGIN_MESSAGE_MAP(Object_Base, CWnd)
END_MESSAGE_MAP()

BOOL Object_Base::AddThreadSlot(ThreadSlot* pSlots, int* pSlotCount, AFX_THREADPROC proc,
                                BRIDGE_WAKEPROC wake) {
  if (pSlots == nullptr || pSlotCount == nullptr || proc == nullptr) {
    TRACE(L"Object_Base: thread slot refused (no table, count or procedure)\n");
    return FALSE;
  }
  const int index = *pSlotCount;
  if (index < 0 || index >= CBridge::MAX_THREAD_SLOTS) {
    TRACE(L"Object_Base: thread slot refused, table full (%d of %d)\n", index,
          CBridge::MAX_THREAD_SLOTS);
    return FALSE;
  }
  ThreadSlot& slot = pSlots[index];
  slot.pThread = nullptr;
  slot.pfnProc = proc;
  slot.pfnWake = wake;
  slot.hStopEvent = nullptr;
  *pSlotCount = index + 1;
  return TRUE;
}

// ---- CBridge ------------------------------------------------------------------------------

CBridge::~CBridge() {
  StopAllThreads();
  CloseObjects();
}

CString CBridge::EchoText(const CString& text) const {
  return m_echoFilter ? m_echoFilter(text) : brelvano::HidePasswords(text);
}

void CBridge::Create(CWnd* pOwner) {
  m_pOwner = pOwner;
  m_dwOwnerThreadId = GetCurrentThreadId();
}

void CBridge::CreateObjects() {
  if (!m_pSerialObject) m_pSerialObject = std::make_unique<CRS232_Object>();
  RegisterObject(m_pSerialObject.get(), IDC_RS232_OBJECT);
}

BOOL CBridge::RegisterObject(Object_Base* pObject, UINT nID) {
  if (pObject == nullptr) {
    TRACE(L"CBridge: no object to register\n");
    return FALSE;
  }
  for (int i = 0; i < m_nObjectCount; ++i) {
    if (m_objects[i] == pObject) {
      TRACE(L"CBridge: object already registered in slot %d\n", i);
      return FALSE;
    }
  }
  if (m_nObjectCount < 0 || m_nObjectCount >= MAX_OBJECTS) {
    TRACE(L"CBridge: object refused, table full (%d of %d)\n", m_nObjectCount,
          MAX_OBJECTS);
    return FALSE;
  }
  if (pObject->GetSafeHwnd() == nullptr) {
    RECT empty = {0, 0, 0, 0};
    // A failed creation leaves the object without a window; it then receives nothing.
    if (!pObject->Create(nullptr, L"", WS_CHILD, empty, m_pOwner, nID))
      TRACE(L"CBridge: the window of object %u could not be created\n", nID);
  }
  m_objects[m_nObjectCount++] = pObject;

  const int before = m_nThreadSlotCount;
  pObject->Init(this, m_threads, &m_nThreadSlotCount);
  if (m_nThreadSlotCount < before || m_nThreadSlotCount > MAX_THREAD_SLOTS) {
    TRACE(L"CBridge: object left the thread count at %d; kept at %d\n", m_nThreadSlotCount, before);
    m_nThreadSlotCount = before;
  }
  pObject->SetMessageRange();
  return TRUE;
}

void CBridge::StartAllThreads() {
  for (int i = 0; i < MAX_THREAD_SLOTS; ++i) {
    if (m_threads[i].pfnProc == nullptr || m_threads[i].pThread != nullptr) continue;
    if (!StartThread(i)) break;
  }
}

BOOL CBridge::StartThread(int nSlot) {
  if (nSlot < 0 || nSlot >= MAX_THREAD_SLOTS) {
    TRACE(L"CBridge: StartThread slot %d out of range\n", nSlot);
    return FALSE;
  }
  ThreadSlot& slot = m_threads[nSlot];
  if (slot.pfnProc == nullptr) return FALSE;
  if (slot.pThread != nullptr) return TRUE;
  if (slot.hStopEvent == nullptr) slot.hStopEvent = CreateEvent(nullptr, TRUE, FALSE, nullptr);
  else ResetEvent(slot.hStopEvent);
  // Created suspended so that the object is ours to delete before the thread can run.
  CWinThread* thread = AfxBeginThread(slot.pfnProc, this, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
  if (thread == nullptr) {
    TRACE(L"CBridge: the thread of slot %d could not be started\n", nSlot);
    CloseHandle(slot.hStopEvent);
    slot.hStopEvent = nullptr;
    return FALSE;
  }
  thread->m_bAutoDelete = FALSE;
  slot.pThread = thread;
  thread->ResumeThread();
  return TRUE;
}

BOOL CBridge::StopThread(int nSlot) {
  if (nSlot < 0 || nSlot >= MAX_THREAD_SLOTS) {
    TRACE(L"CBridge: StopThread slot %d out of range\n", nSlot);
    return FALSE;
  }
  ThreadSlot& slot = m_threads[nSlot];
  if (slot.pThread == nullptr) return TRUE;
  // The stop event first: a thread woken before it is set would only go back to its wait.
  SetEvent(slot.hStopEvent);
  if (slot.pfnWake != nullptr) slot.pfnWake(this);

  const HANDLE hThread = slot.pThread->m_hThread;
  const auto threadEnded = [hThread] { return WaitForSingleObject(hThread, 0) == WAIT_OBJECT_0; };
  if (OnOwnerThread()) {
    bool ended = platform::PumpUntil(threadEnded, STOP_WAIT_MS);
    // A thread ends in real time: a clock that runs faster than the wall clock (or is moved by
    // the pump itself) must not give up on it before it had the time to. A woken thread always
    // ends, and its object, its stop event and this bridge must outlive it: the wait goes on,
    // with a trace now and then, rather than leaving the thread to run on freed objects.
    while (!ended) {
      TRACE(L"CBridge: the thread of slot %d has not ended yet; still waiting\n", nSlot);
      ended = platform::PumpUntilWallClock(threadEnded, STOP_WAIT_MS);
    }
  } else {
    while (WaitForSingleObject(hThread, STOP_WAIT_MS) == WAIT_TIMEOUT)
      TRACE(L"CBridge: the thread of slot %d has not ended yet; still waiting\n", nSlot);
  }
  delete slot.pThread;
  slot.pThread = nullptr;
  CloseHandle(slot.hStopEvent);
  slot.hStopEvent = nullptr;
  return TRUE;
}

void CBridge::StopAllThreads() {
  for (int i = 0; i < MAX_THREAD_SLOTS; ++i) StopThread(i);
}

bool CBridge::AnyThreadRunning() const {
  for (const ThreadSlot& slot : m_threads)
    if (slot.pThread != nullptr) return true;
  return false;
}

void CBridge::CloseObjects() {
  for (int i = 0; i < MAX_OBJECTS; ++i) {
    Object_Base* object = m_objects[i];
    if (object == nullptr) continue;
    object->Close();
    if (object->GetSafeHwnd() != nullptr && IsWindow(object->GetSafeHwnd())) object->DestroyWindow();
    m_objects[i] = nullptr;
  }
  m_nObjectCount = 0;
  if (!AnyThreadRunning()) {
    for (ThreadSlot& slot : m_threads) slot = ThreadSlot();
    m_nThreadSlotCount = 0;
  }
}

BOOL CBridge::FindThreadSlot(AFX_THREADPROC proc, int* pIndex, int op) {
  if (proc == nullptr) return FALSE;
  for (int i = 0; i < MAX_THREAD_SLOTS; ++i) {
    if (m_threads[i].pfnProc != proc) continue;
    if (pIndex != nullptr) *pIndex = i;
    switch (op) {
      case 1: StartThread(i); break;
      case 2: StopThread(i); break;
      case 3:
      case 4: TRACE(L"CBridge: suspending and resuming threads is not supported (slot %d)\n", i); break;
      default: break;
    }
    return TRUE;
  }
  return FALSE;
}

HANDLE CBridge::GetStopEvent(int nSlot) const {
  if (nSlot < 0 || nSlot >= MAX_THREAD_SLOTS) return nullptr;
  return m_threads[nSlot].hStopEvent;
}

ThreadSlot CBridge::GetThreadSlot(int nSlot) const {
  if (nSlot < 0 || nSlot >= MAX_THREAD_SLOTS) return ThreadSlot();
  return m_threads[nSlot];
}

Object_Base* CBridge::GetObject(int nSlot) const {
  if (nSlot < 0 || nSlot >= MAX_OBJECTS) return nullptr;
  return m_objects[nSlot];
}

HWND CBridge::FindObjectWindow(UINT msg) const {
  for (Object_Base* object : m_objects) {
    if (object != nullptr && object->IsInMessageRange(msg)) return object->GetSafeHwnd();
  }
  return nullptr;
}

bool CBridge::OnOwnerThread() const {
  return platform::IsGuiThread() || (m_dwOwnerThreadId != 0 && GetCurrentThreadId() == m_dwOwnerThreadId);
}

LRESULT CBridge::Deliver(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam, int mode) const {
  if (hWnd == nullptr) return 0;
  switch (mode) {
    case SEND_MODE_SEND:
      return ::SendMessage(hWnd, msg, wParam, lParam);
    case SEND_MODE_NOTIFY:
      if (OnOwnerThread()) return ::SendMessage(hWnd, msg, wParam, lParam);
      return ::PostMessage(hWnd, msg, wParam, lParam);
    default:
      return mode;
  }
}

LRESULT CBridge::SendToObject(UINT msg, WPARAM wParam, LPARAM lParam, int mode) {
  return Deliver(FindObjectWindow(msg), msg, wParam, lParam, mode);
}

LRESULT CBridge::SendToGui(UINT msg, WPARAM wParam, LPARAM lParam, int mode) {
  return Deliver(m_pOwner != nullptr ? m_pOwner->GetSafeHwnd() : nullptr, msg, wParam, lParam, mode);
}
