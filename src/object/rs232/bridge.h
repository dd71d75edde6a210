// CBridge and Object_Base: the hub between one owner window and the device objects that run beside
// it. The bridge creates each device object as a hidden child window of the owner, starts and stops
// the objects' worker threads (each with a stop event and an optional wake callback), routes
// requests from the owner to the object that handles a message, and routes status messages from
// the objects and their threads back to the owner.
#pragma once

#include <functional>
#include <memory>
#include <utility>

#include "platform/sync.h"
#include "platform/wnd.h"

class CBridge;

// The control id of the serial port object's window under its owner.
#define IDC_RS232_OBJECT 9000

// How SendToObject / SendToGui deliver a message.
#define SEND_MODE_SEND 1    // send and wait until it is handled; the handler's result
#define SEND_MODE_NOTIFY 2  // send; from another thread, queue it without waiting

// Called while a worker thread is being stopped so that a thread blocked in a wait returns.
typedef void (*BRIDGE_WAKEPROC)(CBridge* pBridge);

// One worker thread of a device object. The thread procedure receives the bridge as its parameter.
struct ThreadSlot {
  CWinThread* pThread = nullptr;       // the running thread; null while none runs
  AFX_THREADPROC pfnProc = nullptr;    // null for an empty slot
  BRIDGE_WAKEPROC pfnWake = nullptr;   // may be null
  HANDLE hStopEvent = nullptr;         // manual reset; set to tell the thread to end
};

// A device object: a hidden window that handles an inclusive range of messages and registers its
// worker threads with the bridge.
class Object_Base : public CWnd {
 public:
  Object_Base() = default;
  ~Object_Base() override = default;

  // Keeps the bridge, creates the object's own events and registers its thread procedures in
  // pSlots from index *pSlotCount on, advancing the count (AddThreadSlot does it safely).
  virtual void Init(CBridge* pBridge, ThreadSlot* pSlots, int* pSlotCount) = 0;
  // Releases the object's own events.
  virtual void Close() = 0;
  // Sets m_nMsgFirst and m_nMsgLast.
  virtual void SetMessageRange() = 0;

  BOOL IsInMessageRange(UINT msg) const { return m_nMsgFirst <= msg && msg <= m_nMsgLast; }

  CBridge* m_pBridge = nullptr;
  // An empty range until SetMessageRange: the object claims no message.
  UINT m_nMsgFirst = 1;
  UINT m_nMsgLast = 0;

 protected:
  // Registers one thread procedure in the next free slot of a bridge's table. Refused (FALSE,
  // traced, nothing written) when proc is null, the table is full or the count is out of range.
  static BOOL AddThreadSlot(ThreadSlot* pSlots, int* pSlotCount, AFX_THREADPROC proc,
                            BRIDGE_WAKEPROC wake);

  DECLARE_MESSAGE_MAP()
};

class CBridge {
 public:
  static constexpr int MAX_OBJECTS = 5;
  static constexpr int MAX_THREAD_SLOTS = 10;
  // How long StopThread waits for a thread to end after it was told to before it reports the
  // thread as slow (it goes on waiting, reporting again after each such wait).
  static constexpr DWORD STOP_WAIT_MS = 10000;

  CBridge() = default;
  // Stops every worker thread and closes the objects, so that no thread outlives the bridge.
  virtual ~CBridge();
  CBridge(const CBridge&) = delete;
  CBridge& operator=(const CBridge&) = delete;

  // Keeps the owner window (and its thread as the GUI thread of the bridge).
  void Create(CWnd* pOwner);
  // Creates the built-in device object (the serial port object) as a hidden child of the owner
  // and registers it; call after Create. The bridge owns the object.
  void CreateObjects();
  // Creates pObject as a hidden child window of the owner (unless it already has a window) with
  // control id nID, stores it in the next object slot, initialises it (which registers its
  // threads) and sets its message range. FALSE (traced) when the object is null, already
  // registered or all MAX_OBJECTS slots are taken. The object must outlive the bridge.
  BOOL RegisterObject(Object_Base* pObject, UINT nID = IDC_RS232_OBJECT);

  // Starts every registered thread that is not running; the first thread that cannot be started
  // ends the loop.
  void StartAllThreads();
  // Starts the slot's thread when the slot has a procedure and no running thread. TRUE when the
  // slot's thread runs afterwards.
  BOOL StartThread(int nSlot);
  // Tells the slot's thread to end (wake callback, stop event) and waits until it has ended,
  // handling window messages meanwhile when called on the GUI thread so that a thread blocked
  // sending to the owner can finish. A thread slower than the stop wait is traced and waited for
  // still: it is never left running on the objects it uses. TRUE when no thread runs in the slot
  // afterwards (FALSE only for a slot out of range).
  BOOL StopThread(int nSlot);
  void StopAllThreads();
  // Closes every registered object, destroys its window and empties the object slots; the thread
  // table is emptied as well when no thread runs.
  void CloseObjects();

  // Finds the first slot whose procedure is proc, stores its index through pIndex (may be null)
  // and applies op: 0 nothing, 1 StartThread, 2 StopThread, 3 suspend, 4 resume (suspending is
  // not available here: 3 and 4 only trace). FALSE when no slot has proc.
  BOOL FindThreadSlot(AFX_THREADPROC proc, int* pIndex, int op);
  // The stop event of a slot (null for an index out of range or a slot without running thread).
  HANDLE GetStopEvent(int nSlot) const;
  // A copy of a slot's record (an empty record for an index out of range).
  ThreadSlot GetThreadSlot(int nSlot) const;
  int GetThreadSlotCount() const { return m_nThreadSlotCount; }

  // The window of the first registered object whose range holds msg; null when none does.
  HWND FindObjectWindow(UINT msg) const;
  // Delivers a message to the object that handles it (0 and nothing sent when none does).
  LRESULT SendToObject(UINT msg, WPARAM wParam, LPARAM lParam, int mode);
  // Delivers a message to the owner window (0 when there is none). Callable from any thread.
  LRESULT SendToGui(UINT msg, WPARAM wParam, LPARAM lParam, int mode);

  // How a written command shows on the console: the owner sets what it blanks there (without a
  // filter, login passwords are blanked). Set and used on the GUI thread.
  void SetEchoFilter(std::function<CString(const CString&)> filter) { m_echoFilter = std::move(filter); }
  CString EchoText(const CString& text) const;

  CWnd* GetOwner() const { return m_pOwner; }
  Object_Base* GetObject(int nSlot) const;
  int GetObjectCount() const { return m_nObjectCount; }

 private:
  std::function<CString(const CString&)> m_echoFilter;
  LRESULT Deliver(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam, int mode) const;
  bool AnyThreadRunning() const;
  // Whether the caller runs on the thread of the owner window (the thread that called Create).
  bool OnOwnerThread() const;

  CWnd* m_pOwner = nullptr;
  Object_Base* m_objects[MAX_OBJECTS] = {};
  ThreadSlot m_threads[MAX_THREAD_SLOTS];
  // Used object and thread slots (each also the index of the next free slot). Every bridge keeps
  // its own, so bridges of different windows never write into each other's ranges.
  int m_nObjectCount = 0;
  int m_nThreadSlotCount = 0;
  DWORD m_dwOwnerThreadId = 0;
  // The serial port object of CreateObjects; destroyed after the destructor has closed it.
  std::unique_ptr<Object_Base> m_pSerialObject;
};
