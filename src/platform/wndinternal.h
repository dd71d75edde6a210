// Internals shared by the window framework's sources: the handle table, the widget-to-window
// map, the event hook and the message queue of the GUI thread.
#pragma once

#include <QObject>
#include <Qt>
#include <QPointer>

#include "platform/wnd.h"

class QWidget;
class QEvent;
class QPoint;

namespace platform {

// Makes a message the current one of this thread; returns the previous state.
CurrentMessage* SwapCurrentMessageState(CurrentMessage* state);

// Runs one message through a window's WindowProc as this thread's current message (so that
// Default() and paint contexts find it); reports whether the default handling was reached.
LRESULT CallWindowProcAsCurrent(CWnd* wnd, UINT message, WPARAM wParam, LPARAM lParam,
                                bool* defaultCalled = nullptr, const void* paintEvent = nullptr);

// Shows the tip of the tool under a point of a window that enabled tool tips (local in the window's
// coordinates); false when the window went away while it was asked.
bool ShowWindowToolTip(CWnd* wnd, const QPoint& local, const QPoint& global);

// The SB_ code of a Qt slider action, or -1 for actions without one.
int ScrollCodeFromSliderAction(int action);

// Handle table (any thread may ask whether a handle is alive).
HWND AllocateHandle(CWnd* wnd);
void ReleaseHandleOf(HWND hWnd);
CWnd* LookupHandle(HWND hWnd);
void RebindHandle(HWND hWnd, CWnd* wnd);
// Ends with result 0 every SendMessage from another thread still waiting to reach hWnd (a window
// that is gone, as Windows does). Call after the handle was released.
void AbandonSentTo(HWND hWnd);

// Ends, as if cancelled, every message box and file dialog of the modal service still open for
// that owner (its window is being destroyed). The box itself goes when its run returns.
void EndModalBoxesOwnedBy(HWND hWnd);

// Gives a widget its control id as object name and accessible description ("id=1007").
void PublishControlId(QWidget* widget, UINT nID);

// The Qt cursor shape that stands for a cursor handle (the arrow for unknown ones).
Qt::CursorShape CursorShapeOf(HCURSOR h);

// Widget-to-window map (GUI thread).
void MapWidget(const QWidget* widget, CWnd* wnd);
void UnmapWidget(const QWidget* widget);
CWnd* WindowOfWidget(const QWidget* widget);

// True on the thread that runs the GUI (or when no application object exists yet).
bool OnGuiThread();

// Whether a window's message map (from its class up to CWnd) has an entry for a message.
bool HasMessageEntry(const CWnd* wnd, UINT message);

// Runs a message through the chain of PreTranslateMessage from the target window up through its
// parents and owners; true when one of them took it.
bool WalkPreTranslate(CWnd* target, MSG* msg);

// Turns Qt events of one window's widget into window messages.
class WndHook : public QObject {
 public:
  WndHook(CWnd* wnd, QWidget* widget);
  void Rebind(CWnd* wnd) { m_wnd = wnd; }
  CWnd* Window() const { return m_wnd; }
  bool eventFilter(QObject* watched, QEvent* event) override;
  // Hover tracking requested by TrackMouseEvent.
  DWORD m_trackFlags = 0;
  bool m_hoverSent = false;

 private:
  bool Translate(QEvent* event);
  CWnd* m_wnd;
  QWidget* m_widget;
};

// Installs the application-wide filter that runs PreTranslateMessage (idempotent).
void EnsureInputFilter();
// True while a widget or one of its descendants is handling an event (deleting it now is unsafe).
bool IsWidgetBusy(const QWidget* widget);
// Marks a widget as handling an event for the scope's lifetime, so that a window destroyed
// meanwhile has its widget deleted later instead of at once.
class WidgetBusyScope {
 public:
  explicit WidgetBusyScope(const QWidget* widget);
  ~WidgetBusyScope();
  WidgetBusyScope(const WidgetBusyScope&) = delete;
  WidgetBusyScope& operator=(const WidgetBusyScope&) = delete;
};

// Timers.
void TimerSet(HWND hWnd, UINT_PTR id, UINT elapse, void (*proc)(HWND, UINT, UINT_PTR, DWORD));
bool TimerKill(HWND hWnd, UINT_PTR id);
void TimersKillAll(HWND hWnd);

// Dispatches a message posted to a window (GUI thread): PreTranslateMessage, then WindowProc.
void DeliverPosted(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

// The MK_ flags of the mouse buttons and modifier keys held.
WPARAM MouseKeyFlags(Qt::MouseButtons buttons, Qt::KeyboardModifiers mods);

// Converts Qt key codes to virtual-key codes.
UINT VirtualKeyFromQt(int qtKey);

}  // namespace platform
