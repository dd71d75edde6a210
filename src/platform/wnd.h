// CWnd: a window of the framework. It owns a Qt widget, has a handle, a control id, a parent and an
// owner, and receives messages through its class's message map. Also the window-class registry
// through which controls are created by class name, and the global window functions.
#pragma once

#include <functional>

#include "platform/cstring.h"
#include "platform/geometry.h"
#include "platform/msgmap.h"
#include "platform/winmsg.h"

class QWidget;
class CWnd;
class CFont;
class CDC;
class CMenu;
struct TOOLINFO;

// Base of everything that has a message map.
class CCmdTarget {
 public:
  CCmdTarget() = default;
  virtual ~CCmdTarget() = default;
  CCmdTarget(const CCmdTarget&) = delete;
  CCmdTarget& operator=(const CCmdTarget&) = delete;

  // The wait cursor for the whole application (set/clear, not stacked).
  void BeginWaitCursor();
  void EndWaitCursor();
  void RestoreWaitCursor();

 protected:
  static const AFX_MSGMAP* GetThisMessageMap();

 public:
  virtual const AFX_MSGMAP* GetMessageMap() const;
  static const AFX_MSGMAP* BaseMessageMapOf() { return GetThisMessageMap(); }
  friend class CWnd;
};

namespace platform {
class WndHook;

// How a window class makes its widget and the C++ object that stands for a control of that class
// when a template creates it without a member of its own.
struct WindowClassInfo {
  CString name;  // case-insensitive ("BUTTON", "EDIT", "SysListView32", ...)
  std::function<QWidget*(CWnd* wnd, DWORD style, DWORD exStyle, QWidget* parent)> createWidget;
  std::function<CWnd*()> createWrapper;
  // Window text of the class's widget (default: a text kept by the window and the widget's title).
  std::function<void(QWidget*, const CString&)> setText;
  std::function<CString(const QWidget*)> getText;
  // What AfxRegisterWndClass gives a class: its styles, the cursor shown over its windows (null:
  // the parent's) and its background brush.
  UINT classStyle = 0;
  HCURSOR cursor = nullptr;
  HBRUSH background = nullptr;
};
void RegisterWindowClass(const WindowClassInfo& info);
const WindowClassInfo* FindWindowClass(const CString& name);
// Registers the standard control classes once (calls the two functions below).
void EnsureStandardClasses();
void RegisterBasicControlClasses();   // button, edit, static, combo box, list box, progress, ...
void RegisterCommonControlClasses();  // list view, header, tab control, ...

// Notifications from a control to its parent, for user actions. The parent's handlers run (after
// the control's own reflected entries) before these return.
LRESULT NotifyCommand(CWnd* control, UINT code);
LRESULT NotifyParent(CWnd* control, NMHDR* header);  // fills hwndFrom and idFrom

// Dialog-unit conversion with the layer's fixed base units.
int DialogUnitsToPixelsX(int du);
int DialogUnitsToPixelsY(int du);
extern const int kBaseUnitX;
extern const int kBaseUnitY;

// The message being handled on this thread (for Default(), GetCurrentMessage and paint contexts).
struct CurrentMessage {
  MSG msg;
  bool defaultCalled;
  const void* paintEvent;  // the QPaintEvent being handled, for WM_PAINT
};
CurrentMessage* GetCurrentMessageState();

// Process pending events (GUI thread). Returns when no event is pending.
void PumpPendingEvents();
// Runs events until pred() or the clock-time deadline; returns pred(). GUI thread.
bool PumpUntil(const std::function<bool()>& pred, DWORD timeoutMs);
// Runs events until pred() or a deadline on the wall clock, whatever clock is in force: for what
// happens in real time, such as a thread's end. Moves no installed clock. GUI thread.
bool PumpUntilWallClock(const std::function<bool()>& pred, DWORD timeoutMs);
// How many messages sent from other threads are waiting for the GUI thread (lets a test act once
// a sender is blocked).
int WaitingSentMessages();
}  // namespace platform

// Sentinels of SetWindowPos's insert-after window.
#define wndTop (reinterpret_cast<const CWnd*>(0))
#define wndBottom (reinterpret_cast<const CWnd*>(1))
#define wndTopMost (reinterpret_cast<const CWnd*>(-1))
#define wndNoTopMost (reinterpret_cast<const CWnd*>(-2))

class CWnd : public CCmdTarget {
 public:
  CWnd();
  ~CWnd() override;

  HWND m_hWnd = nullptr;

  static CWnd* FromHandle(HWND hWnd);
  static CWnd* FromHandlePermanent(HWND hWnd) { return FromHandle(hWnd); }
  static CWnd* FromWidget(const QWidget* widget);  // the window of a widget or its nearest ancestor
  HWND GetSafeHwnd() const { return m_hWnd; }
  operator HWND() const { return m_hWnd; }
  QWidget* GetWidget() const { return m_pWidget; }

  // Creation. lpszClassName names a registered class; null or unknown gives a plain window.
  // A WS_CHILD window, or a WS_POPUP window with a parent, lives in the parent's client area.
  virtual BOOL Create(const wchar_t* lpszClassName, const wchar_t* lpszWindowName, DWORD dwStyle,
                      const RECT& rect, CWnd* pParentWnd, UINT nID, void* pContext = nullptr);
  BOOL CreateEx(DWORD dwExStyle, const wchar_t* lpszClassName, const wchar_t* lpszWindowName,
                DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID, void* lpParam = nullptr);
  // Takes over an existing window's widget, id, style and text (the old object is detached).
  BOOL SubclassWindow(HWND hWnd);
  BOOL SubclassDlgItem(UINT nID, CWnd* pParent);
  HWND UnsubclassWindow();
  virtual BOOL DestroyWindow();
  virtual void PreSubclassWindow() {}
  virtual void PostNcDestroy() {}

  // Messages.
  LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
  BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
  LRESULT SendDlgItemMessage(int nID, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
  virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
  virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
  virtual BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult);
  virtual BOOL PreTranslateMessage(MSG* pMsg);
  // A control's chance to handle a notification it sent to its parent (reflection).
  virtual BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
  BOOL ReflectChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
  // Owner draw, reached through reflection of WM_DRAWITEM / WM_MEASUREITEM.
  virtual void DrawItem(LPDRAWITEMSTRUCT) {}
  virtual void MeasureItem(LPMEASUREITEMSTRUCT) {}
  LRESULT Default();
  static const MSG* GetCurrentMessage();

  // Identity and family.
  int GetDlgCtrlID() const;
  int SetDlgCtrlID(int nID);
  CWnd* GetDlgItem(int nID) const;
  void GetDlgItem(int nID, HWND* phWnd) const;
  CWnd* GetParent() const;
  CWnd* SetParent(CWnd* pWndNewParent);
  CWnd* GetOwner() const;
  void SetOwner(CWnd* pOwnerWnd);
  CWnd* GetTopLevelParent() const;
  BOOL IsChild(const CWnd* pWnd) const;
  // Direct child windows in creation order.
  std::vector<CWnd*> GetChildren() const;
  CWnd* GetWindow(UINT nCmd) const;

  // Text.
  void SetWindowText(const CString& text);
  void GetWindowText(CString& text) const;
  CString GetWindowText() const;
  int GetWindowTextLength() const;
  void SetDlgItemText(int nID, const CString& text);
  int GetDlgItemText(int nID, CString& text) const;
  void SetDlgItemInt(int nID, UINT nValue, BOOL bSigned = TRUE);
  UINT GetDlgItemInt(int nID, BOOL* lpTrans = nullptr, BOOL bSigned = TRUE) const;
  void CheckDlgButton(int nIDButton, UINT nCheck);
  UINT IsDlgButtonChecked(int nIDButton) const;

  // Style.
  DWORD GetStyle() const { return m_dwStyle; }
  DWORD GetExStyle() const { return m_dwExStyle; }
  BOOL ModifyStyle(DWORD dwRemove, DWORD dwAdd, UINT nFlags = 0);
  BOOL ModifyStyleEx(DWORD dwRemove, DWORD dwAdd, UINT nFlags = 0);

  // State and placement.
  BOOL ShowWindow(int nCmdShow);
  BOOL IsWindowVisible() const;
  BOOL EnableWindow(BOOL bEnable = TRUE);
  BOOL IsWindowEnabled() const;
  void MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint = TRUE);
  void MoveWindow(LPCRECT lpRect, BOOL bRepaint = TRUE);
  BOOL SetWindowPos(const CWnd* pWndInsertAfter, int x, int y, int cx, int cy, UINT nFlags);
  void GetWindowRect(LPRECT lpRect) const;   // screen coordinates
  void GetClientRect(LPRECT lpRect) const;   // (0,0)-(width,height) less own scroll bars
  void ScreenToClient(LPPOINT lpPoint) const;
  void ScreenToClient(LPRECT lpRect) const;
  void ClientToScreen(LPPOINT lpPoint) const;
  void ClientToScreen(LPRECT lpRect) const;
  void CenterWindow(CWnd* pAlternateOwner = nullptr);
  void BringWindowToTop();
  BOOL IsIconic() const;
  BOOL IsZoomed() const;

  // Painting.
  void Invalidate(BOOL bErase = TRUE);
  void InvalidateRect(LPCRECT lpRect, BOOL bErase = TRUE);
  void ValidateRect(LPCRECT lpRect);
  BOOL RedrawWindow(LPCRECT lpRectUpdate = nullptr, void* prgnUpdate = nullptr,
                    UINT flags = RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE);
  void UpdateWindow();
  BOOL LockWindowUpdate();
  void UnlockWindowUpdate();
  void SetRedraw(BOOL bRedraw = TRUE);
  // Defined with the drawing classes.
  void SetFont(CFont* pFont, BOOL bRedraw = TRUE);
  CFont* GetFont() const;
  CDC* GetDC();
  CDC* GetWindowDC();
  int ReleaseDC(CDC* pDC);

  // A message box owned by this window (through the modal service). type 0 is MB_OK.
  int MessageBox(const CString& text, const CString& caption = CString(), UINT type = 0);

  // Focus, capture, timers.
  CWnd* SetFocus();
  static CWnd* GetFocus();
  CWnd* SetCapture();
  static CWnd* GetCapture();
  UINT_PTR SetTimer(UINT_PTR nIDEvent, UINT nElapse, void (*lpfnTimer)(HWND, UINT, UINT_PTR, DWORD) = nullptr);
  BOOL KillTimer(UINT_PTR nIDEvent);

  // The window's own scroll bars (WS_VSCROLL / WS_HSCROLL).
  void ShowScrollBar(UINT nBar, BOOL bShow = TRUE);
  BOOL SetScrollInfo(int nBar, LPSCROLLINFO lpScrollInfo, BOOL bRedraw = TRUE);
  BOOL GetScrollInfo(int nBar, LPSCROLLINFO lpScrollInfo, UINT nMask = SIF_ALL) const;
  int GetScrollPos(int nBar) const;
  int SetScrollPos(int nBar, int nPos, BOOL bRedraw = TRUE);
  void SetScrollRange(int nBar, int nMinPos, int nMaxPos, BOOL bRedraw = TRUE);
  void GetScrollRange(int nBar, LPINT lpMinPos, LPINT lpMaxPos) const;
  int GetScrollLimit(int nBar) const;
  void ScrollWindow(int xAmount, int yAmount, LPCRECT lpRect = nullptr, LPCRECT lpClipRect = nullptr);

  // Tool tips of the window's own areas: on hover the window is asked which tool lies under the
  // point (-1 for none) and, for a callback text, sent TTN_NEEDTEXTW with the tool's id.
  BOOL EnableToolTips(BOOL bEnable = TRUE);
  BOOL ToolTipsEnabled() const { return m_bToolTips; }
  virtual INT_PTR OnToolHitTest(CPoint point, TOOLINFO* pTI) const;

  // Handlers reached through message maps; each default passes the message on to Default().
 protected:
  int OnCreate(LPCREATESTRUCT) { return (int)Default(); }
  void OnDestroy() { Default(); }
  void OnMove(int, int) { Default(); }
  void OnSize(UINT, int, int) { Default(); }
  void OnActivate(UINT, CWnd*, BOOL) { Default(); }
  void OnSetFocus(CWnd*) { Default(); }
  void OnKillFocus(CWnd*) { Default(); }
  void OnEnable(BOOL) { Default(); }
  void OnPaint() { Default(); }
  void OnClose() { Default(); }
  BOOL OnEraseBkgnd(CDC*) { return (BOOL)Default(); }
  void OnSysColorChange() { Default(); }
  void OnShowWindow(BOOL, UINT) { Default(); }
  HBRUSH OnCtlColor(CDC*, CWnd*, UINT) { return (HBRUSH)Default(); }
  void OnCancelMode() { Default(); }
  BOOL OnSetCursor(CWnd*, UINT, UINT) { return (BOOL)Default(); }
  void OnDrawItem(int, LPDRAWITEMSTRUCT) { Default(); }
  void OnMeasureItem(int, LPMEASUREITEMSTRUCT) { Default(); }
  HCURSOR OnQueryDragIcon() { return (HCURSOR)Default(); }
  void OnContextMenu(CWnd*, CPoint) { Default(); }
  LRESULT OnNcHitTest(CPoint) { return Default(); }
  void OnNcLButtonDown(UINT, CPoint) { Default(); }
  UINT OnGetDlgCode() { return (UINT)Default(); }
  void OnKeyDown(UINT, UINT, UINT) { Default(); }
  void OnKeyUp(UINT, UINT, UINT) { Default(); }
  void OnChar(UINT, UINT, UINT) { Default(); }
  void OnSysCommand(UINT, LPARAM) { Default(); }
  void OnTimer(UINT_PTR) { Default(); }
  void OnHScroll(UINT, UINT, CScrollBar*) { Default(); }
  void OnVScroll(UINT, UINT, CScrollBar*) { Default(); }
  void OnMenuSelect(UINT, UINT, HMENU) { Default(); }
  void OnMouseMove(UINT, CPoint) { Default(); }
  void OnLButtonDown(UINT, CPoint) { Default(); }
  void OnLButtonUp(UINT, CPoint) { Default(); }
  void OnLButtonDblClk(UINT, CPoint) { Default(); }
  void OnRButtonDown(UINT, CPoint) { Default(); }
  void OnRButtonUp(UINT, CPoint) { Default(); }
  void OnMButtonDown(UINT, CPoint) { Default(); }
  void OnMouseHover(UINT, CPoint) { Default(); }
  void OnXButtonDblClk(UINT, UINT, CPoint) { Default(); }
  void OnMouseLeave() { Default(); }
  BOOL OnMouseWheel(UINT, short, CPoint) { return (BOOL)Default(); }
  void OnCaptureChanged(CWnd*) { Default(); }
  BOOL OnDeviceChange(UINT, DWORD_PTR) { return (BOOL)Default(); }
  LRESULT OnThemeChanged() { return Default(); }
  LRESULT OnKickIdle(WPARAM, LPARAM) { return Default(); }
  HBRUSH CtlColor(CDC*, UINT) { return nullptr; }

 protected:
  DECLARE_MESSAGE_MAP()

 public:
  // Layer internals (used by the window classes, dialogs and drawing code).
  void AttachWidget(QWidget* widget, DWORD style, DWORD exStyle, UINT nID, CWnd* parent, CWnd* owner);
  QWidget* DetachWidget();
  void SetStyleBits(DWORD style, DWORD exStyle) { m_dwStyle = style; m_dwExStyle = exStyle; }
  void SetWrapperOwned(bool owned) { m_bWrapperOwned = owned; }
  bool IsWrapperOwned() const { return m_bWrapperOwned; }
  const CString& StoredText() const { return m_strText; }
  // The widget area that holds child controls (the whole widget less own scroll bars).
  QWidget* ClientWidget() const;

 private:
  friend class platform::WndHook;
  void ReleaseHandle();
  struct ScrollState;

  QWidget* m_pWidget = nullptr;
  platform::WndHook* m_pHook = nullptr;
  DWORD m_dwStyle = 0;
  DWORD m_dwExStyle = 0;
  UINT m_nID = 0;
  CWnd* m_pOwner = nullptr;
  CString m_strText;
  bool m_bWrapperOwned = false;   // a stand-in object the framework created and deletes
  BOOL m_bToolTips = FALSE;
  ScrollState* m_pScroll = nullptr;
};

// Global window functions.
BOOL IsWindow(HWND hWnd);
LRESULT SendMessage(HWND hWnd, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
BOOL PostMessage(HWND hWnd, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
BOOL IsWindowVisible(HWND hWnd);
BOOL EnableWindow(HWND hWnd, BOOL bEnable);
BOOL ReleaseCapture();
HWND GetCapture();
HWND GetFocus();
HWND SetFocus(HWND hWnd);
CWnd* WindowFromPoint(POINT point);
BOOL GetCursorPos(LPPOINT lpPoint);
BOOL SetCursorPos(int x, int y);
UINT RegisterWindowMessage(const CString& name);
BOOL TrackMouseEvent(LPTRACKMOUSEEVENT lpEventTrack);
SHORT GetKeyState(int nVirtKey);
SHORT GetAsyncKeyState(int nVirtKey);
BOOL MessageBeep(UINT uType);
void AfxBeep();
BOOL GetMessagePos(LPPOINT lpPoint);
DWORD GetMessageTime();
// Runs the message loop of the GUI thread until PostQuitMessage.
void PostQuitMessage(int nExitCode);

// Text on the clipboard.
BOOL SetClipboardText(const CString& text);
CString GetClipboardText();

// Cursors.
#define IDC_ARROW (reinterpret_cast<const wchar_t*>(32512))
#define IDC_IBEAM (reinterpret_cast<const wchar_t*>(32513))
#define IDC_WAIT (reinterpret_cast<const wchar_t*>(32514))
#define IDC_CROSS (reinterpret_cast<const wchar_t*>(32515))
#define IDC_SIZEALL (reinterpret_cast<const wchar_t*>(32646))
#define IDC_HAND (reinterpret_cast<const wchar_t*>(32649))
#define IDC_SIZEWE (reinterpret_cast<const wchar_t*>(32644))
#define IDC_SIZENS (reinterpret_cast<const wchar_t*>(32645))
#define IDC_NO (reinterpret_cast<const wchar_t*>(32648))
#define IDC_APPSTARTING (reinterpret_cast<const wchar_t*>(32650))
HCURSOR LoadCursor(HINSTANCE hInstance, const wchar_t* lpCursorName);
// Sets the application cursor override (null clears it); returns the previous one.
HCURSOR SetCursor(HCURSOR hCursor);
// Registers (once for each combination) a plain window class with these class styles, cursor,
// background brush and icon, and returns its name (valid for the program's life). Windows made
// with it show the cursor over themselves.
#define CS_VREDRAW 0x0001
#define CS_HREDRAW 0x0002
#define CS_OWNDC 0x0020
const wchar_t* AfxRegisterWndClass(UINT nClassStyle, HCURSOR hCursor = nullptr, HBRUSH hbrBackground = nullptr,
                                   HICON hIcon = nullptr);
// The cursor a window shows over itself (its class's, or one set for it); null when it shows its
// parent's.
HCURSOR GetWindowCursor(HWND hWnd);

// GetWindow commands.
#define GW_HWNDFIRST 0
#define GW_HWNDLAST 1
#define GW_HWNDNEXT 2
#define GW_HWNDPREV 3
#define GW_OWNER 4
#define GW_CHILD 5
