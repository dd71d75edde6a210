// Message maps: the tables that bind window messages and control notifications to a class's
// handler members, walked from the most derived class to its bases.
#pragma once

#include "platform/winmsg.h"

class CCmdTarget;
class CWnd;
class CDC;
class CScrollBar;

// One entry of a message map. `handler` receives the window (cast to the map's class inside the
// thunk), the message and its parameters; it returns TRUE in *handled unless the entry declines
// (the _EX and reflect forms may decline).
struct AFX_MSGMAP_ENTRY {
  UINT nMessage;        // message number; WM_COMMAND / WM_NOTIFY for control entries
  UINT nCode;           // control notification code (WM_COMMAND, WM_NOTIFY entries)
  UINT nID;             // first control id
  UINT nLastID;         // last control id (same as nID for a single id)
  const UINT* pRegistered;  // registered message number, for ON_REGISTERED_MESSAGE
  LRESULT (*handler)(CCmdTarget* self, UINT message, WPARAM wParam, LPARAM lParam, BOOL* handled);
};

struct AFX_MSGMAP {
  const AFX_MSGMAP* (*pfnGetBaseMap)();
  const AFX_MSGMAP_ENTRY* lpEntries;
};

#define DECLARE_MESSAGE_MAP()                          \
 protected:                                            \
  static const AFX_MSGMAP* GetThisMessageMap();        \
                                                       \
 public:                                               \
  const AFX_MSGMAP* GetMessageMap() const override;    \
  static const AFX_MSGMAP* BaseMessageMapOf() { return GetThisMessageMap(); }

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                          \
  const AFX_MSGMAP* theClass::GetMessageMap() const { return GetThisMessageMap(); }     \
  const AFX_MSGMAP* theClass::GetThisMessageMap() {                                     \
    typedef theClass ThisClass;                                                         \
    typedef baseClass TheBaseClass;                                                     \
    (void)sizeof(ThisClass*);                                                           \
    static const AFX_MSGMAP_ENTRY _messageEntries[] = {

#define END_MESSAGE_MAP()                                                               \
  {0, 0, 0, 0, nullptr, nullptr}};                                                      \
  static const AFX_MSGMAP messageMap = {&TheBaseClass::BaseMessageMapOf, &_messageEntries[0]}; \
  return &messageMap;                                                                   \
  }

#define AFX_MSG_THUNK(body)                                                             \
  [](CCmdTarget* w, UINT msg, WPARAM wParam, LPARAM lParam, BOOL* handled) -> LRESULT {        \
    (void)msg; (void)wParam; (void)lParam; (void)handled;                               \
    ThisClass* self = static_cast<ThisClass*>(w);                                       \
    (void)self;                                                                         \
    body                                                                                \
  }

#define AFX_GET_X_LPARAM(lp) ((int)(short)LOWORD(lp))
#define AFX_GET_Y_LPARAM(lp) ((int)(short)HIWORD(lp))

// Plain messages.
#define ON_MESSAGE(message, memberFxn) \
  {message, 0, 0, 0, nullptr, AFX_MSG_THUNK(return (self->*memberFxn)(wParam, lParam);)},
#define ON_REGISTERED_MESSAGE(nMessageVariable, memberFxn) \
  {0xC000, 0, 0, 0, &nMessageVariable, AFX_MSG_THUNK(return (self->*memberFxn)(wParam, lParam);)},

// Commands and control notifications (WM_COMMAND).
#define ON_COMMAND(id, memberFxn) \
  {WM_COMMAND, 0, (UINT)(id), (UINT)(id), nullptr, AFX_MSG_THUNK((self->*memberFxn)(); return 0;)},
#define ON_COMMAND_RANGE(id, idLast, memberFxn)                                  \
  {WM_COMMAND, 0, (UINT)(id), (UINT)(idLast), nullptr,                           \
   AFX_MSG_THUNK((self->*memberFxn)((UINT)LOWORD(wParam)); return 0;)},
#define ON_CONTROL(wNotifyCode, id, memberFxn)                                   \
  {WM_COMMAND, (UINT)(wNotifyCode), (UINT)(id), (UINT)(id), nullptr,             \
   AFX_MSG_THUNK((self->*memberFxn)(); return 0;)},
#define ON_CONTROL_RANGE(wNotifyCode, id, idLast, memberFxn)                     \
  {WM_COMMAND, (UINT)(wNotifyCode), (UINT)(id), (UINT)(idLast), nullptr,         \
   AFX_MSG_THUNK((self->*memberFxn)((UINT)LOWORD(wParam)); return 0;)},
#define ON_BN_CLICKED(id, memberFxn) ON_CONTROL(BN_CLICKED, id, memberFxn)
#define ON_BN_DOUBLECLICKED(id, memberFxn) ON_CONTROL(BN_DOUBLECLICKED, id, memberFxn)
#define ON_BN_SETFOCUS(id, memberFxn) ON_CONTROL(BN_SETFOCUS, id, memberFxn)
#define ON_BN_KILLFOCUS(id, memberFxn) ON_CONTROL(BN_KILLFOCUS, id, memberFxn)
#define ON_EN_CHANGE(id, memberFxn) ON_CONTROL(EN_CHANGE, id, memberFxn)
#define ON_EN_UPDATE(id, memberFxn) ON_CONTROL(EN_UPDATE, id, memberFxn)
#define ON_EN_SETFOCUS(id, memberFxn) ON_CONTROL(EN_SETFOCUS, id, memberFxn)
#define ON_EN_KILLFOCUS(id, memberFxn) ON_CONTROL(EN_KILLFOCUS, id, memberFxn)
#define ON_EN_MAXTEXT(id, memberFxn) ON_CONTROL(EN_MAXTEXT, id, memberFxn)
#define ON_CBN_SELCHANGE(id, memberFxn) ON_CONTROL(CBN_SELCHANGE, id, memberFxn)
#define ON_CBN_DROPDOWN(id, memberFxn) ON_CONTROL(CBN_DROPDOWN, id, memberFxn)
#define ON_CBN_CLOSEUP(id, memberFxn) ON_CONTROL(CBN_CLOSEUP, id, memberFxn)
#define ON_CBN_EDITCHANGE(id, memberFxn) ON_CONTROL(CBN_EDITCHANGE, id, memberFxn)
#define ON_CBN_SELENDOK(id, memberFxn) ON_CONTROL(CBN_SELENDOK, id, memberFxn)
#define ON_CBN_KILLFOCUS(id, memberFxn) ON_CONTROL(CBN_KILLFOCUS, id, memberFxn)
#define ON_LBN_SELCHANGE(id, memberFxn) ON_CONTROL(LBN_SELCHANGE, id, memberFxn)
#define ON_LBN_DBLCLK(id, memberFxn) ON_CONTROL(LBN_DBLCLK, id, memberFxn)
#define ON_STN_CLICKED(id, memberFxn) ON_CONTROL(STN_CLICKED, id, memberFxn)
#define ON_STN_DBLCLK(id, memberFxn) ON_CONTROL(STN_DBLCLK, id, memberFxn)

// Control notifications (WM_NOTIFY): handler(NMHDR*, LRESULT*) or, for ranges, (UINT id, NMHDR*, LRESULT*).
#define ON_NOTIFY(wNotifyCode, id, memberFxn)                                                 \
  {WM_NOTIFY, (UINT)(wNotifyCode), (UINT)(id), (UINT)(id), nullptr,                           \
   AFX_MSG_THUNK(LRESULT r = 0; (self->*memberFxn)(reinterpret_cast<NMHDR*>(lParam), &r); return r;)},
#define ON_NOTIFY_RANGE(wNotifyCode, id, idLast, memberFxn)                                   \
  {WM_NOTIFY, (UINT)(wNotifyCode), (UINT)(id), (UINT)(idLast), nullptr,                       \
   AFX_MSG_THUNK(LRESULT r = 0; NMHDR* h = reinterpret_cast<NMHDR*>(lParam);                  \
                 (self->*memberFxn)((UINT)h->idFrom, h, &r); return r;)},
#define ON_NOTIFY_EX_RANGE(wNotifyCode, id, idLast, memberFxn)                                \
  {WM_NOTIFY, (UINT)(wNotifyCode), (UINT)(id), (UINT)(idLast), nullptr,                       \
   AFX_MSG_THUNK(LRESULT r = 0; NMHDR* h = reinterpret_cast<NMHDR*>(lParam);                  \
                 *handled = (self->*memberFxn)((UINT)h->idFrom, h, &r); return r;)},

// Reflected notifications, handled by the control itself before its parent sees them.
#define ON_CONTROL_REFLECT(wNotifyCode, memberFxn)                                            \
  {WM_REFLECT_BASE + WM_COMMAND, (UINT)(wNotifyCode), 0, 0, nullptr,                          \
   AFX_MSG_THUNK((self->*memberFxn)(); return 0;)},
#define ON_CONTROL_REFLECT_EX(wNotifyCode, memberFxn)                                         \
  {WM_REFLECT_BASE + WM_COMMAND, (UINT)(wNotifyCode), 0, 0, nullptr,                          \
   AFX_MSG_THUNK(*handled = (self->*memberFxn)(); return 0;)},
#define ON_NOTIFY_REFLECT(wNotifyCode, memberFxn)                                             \
  {WM_REFLECT_BASE + WM_NOTIFY, (UINT)(wNotifyCode), 0, 0, nullptr,                           \
   AFX_MSG_THUNK(LRESULT r = 0; (self->*memberFxn)(reinterpret_cast<NMHDR*>(lParam), &r); return r;)},
#define ON_NOTIFY_REFLECT_EX(wNotifyCode, memberFxn)                                          \
  {WM_REFLECT_BASE + WM_NOTIFY, (UINT)(wNotifyCode), 0, 0, nullptr,                           \
   AFX_MSG_THUNK(LRESULT r = 0; *handled = (self->*memberFxn)(reinterpret_cast<NMHDR*>(lParam), &r); return r;)},
#define ON_WM_CTLCOLOR_REFLECT()                                                              \
  {WM_REFLECT_BASE + WM_CTLCOLOR, 0, 0, 0, nullptr,                                           \
   AFX_MSG_THUNK(return (LRESULT)self->CtlColor(reinterpret_cast<CDC*>(wParam), (UINT)lParam);)},

// Window messages.
#define ON_WM_CREATE() \
  {WM_CREATE, 0, 0, 0, nullptr, AFX_MSG_THUNK(return (LRESULT)self->OnCreate(reinterpret_cast<LPCREATESTRUCT>(lParam));)},
#define ON_WM_DESTROY() {WM_DESTROY, 0, 0, 0, nullptr, AFX_MSG_THUNK(self->OnDestroy(); return 0;)},
#define ON_WM_MOVE() \
  {WM_MOVE, 0, 0, 0, nullptr, AFX_MSG_THUNK(self->OnMove(AFX_GET_X_LPARAM(lParam), AFX_GET_Y_LPARAM(lParam)); return 0;)},
#define ON_WM_SIZE() \
  {WM_SIZE, 0, 0, 0, nullptr, AFX_MSG_THUNK(self->OnSize((UINT)wParam, LOWORD(lParam), HIWORD(lParam)); return 0;)},
#define ON_WM_ACTIVATE()                                                                      \
  {WM_ACTIVATE, 0, 0, 0, nullptr,                                                             \
   AFX_MSG_THUNK(self->OnActivate(LOWORD(wParam), CWnd::FromHandle((HWND)lParam), HIWORD(wParam)); return 0;)},
#define ON_WM_SETFOCUS() \
  {WM_SETFOCUS, 0, 0, 0, nullptr, AFX_MSG_THUNK(self->OnSetFocus(CWnd::FromHandle((HWND)wParam)); return 0;)},
#define ON_WM_KILLFOCUS() \
  {WM_KILLFOCUS, 0, 0, 0, nullptr, AFX_MSG_THUNK(self->OnKillFocus(CWnd::FromHandle((HWND)wParam)); return 0;)},
#define ON_WM_ENABLE() {WM_ENABLE, 0, 0, 0, nullptr, AFX_MSG_THUNK(self->OnEnable((BOOL)wParam); return 0;)},
#define ON_WM_PAINT() {WM_PAINT, 0, 0, 0, nullptr, AFX_MSG_THUNK(self->OnPaint(); return 0;)},
#define ON_WM_CLOSE() {WM_CLOSE, 0, 0, 0, nullptr, AFX_MSG_THUNK(self->OnClose(); return 0;)},
#define ON_WM_ERASEBKGND() \
  {WM_ERASEBKGND, 0, 0, 0, nullptr, AFX_MSG_THUNK(return (LRESULT)self->OnEraseBkgnd(reinterpret_cast<CDC*>(wParam));)},
#define ON_WM_SYSCOLORCHANGE() {WM_SYSCOLORCHANGE, 0, 0, 0, nullptr, AFX_MSG_THUNK(self->OnSysColorChange(); return 0;)},
#define ON_WM_SHOWWINDOW() \
  {WM_SHOWWINDOW, 0, 0, 0, nullptr, AFX_MSG_THUNK(self->OnShowWindow((BOOL)wParam, (UINT)lParam); return 0;)},
#define ON_WM_CTLCOLOR()                                                                      \
  {WM_CTLCOLOR, 0, 0, 0, nullptr,                                                             \
   AFX_MSG_THUNK(const CtlColorArgs* a = reinterpret_cast<const CtlColorArgs*>(lParam);       \
                 return (LRESULT)self->OnCtlColor(a->pDC, a->pWnd, a->nCtlColor);)},
#define ON_WM_CANCELMODE() {WM_CANCELMODE, 0, 0, 0, nullptr, AFX_MSG_THUNK(self->OnCancelMode(); return 0;)},
#define ON_WM_SETCURSOR()                                                                     \
  {WM_SETCURSOR, 0, 0, 0, nullptr,                                                            \
   AFX_MSG_THUNK(return (LRESULT)self->OnSetCursor(CWnd::FromHandle((HWND)wParam), LOWORD(lParam), HIWORD(lParam));)},
#define ON_WM_DRAWITEM()                                                                      \
  {WM_DRAWITEM, 0, 0, 0, nullptr,                                                             \
   AFX_MSG_THUNK(self->OnDrawItem((int)wParam, reinterpret_cast<LPDRAWITEMSTRUCT>(lParam)); return TRUE;)},
#define ON_WM_MEASUREITEM()                                                                   \
  {WM_MEASUREITEM, 0, 0, 0, nullptr,                                                          \
   AFX_MSG_THUNK(self->OnMeasureItem((int)wParam, reinterpret_cast<LPMEASUREITEMSTRUCT>(lParam)); return TRUE;)},
#define ON_WM_QUERYDRAGICON() \
  {WM_QUERYDRAGICON, 0, 0, 0, nullptr, AFX_MSG_THUNK(return (LRESULT)self->OnQueryDragIcon();)},
#define ON_WM_CONTEXTMENU()                                                                   \
  {WM_CONTEXTMENU, 0, 0, 0, nullptr,                                                          \
   AFX_MSG_THUNK(self->OnContextMenu(CWnd::FromHandle((HWND)wParam),                           \
                                     CPoint(AFX_GET_X_LPARAM(lParam), AFX_GET_Y_LPARAM(lParam))); return 0;)},
#define ON_WM_NCHITTEST()                                                                     \
  {WM_NCHITTEST, 0, 0, 0, nullptr,                                                            \
   AFX_MSG_THUNK(return (LRESULT)self->OnNcHitTest(CPoint(AFX_GET_X_LPARAM(lParam), AFX_GET_Y_LPARAM(lParam)));)},
#define ON_WM_NCLBUTTONDOWN()                                                                 \
  {WM_NCLBUTTONDOWN, 0, 0, 0, nullptr,                                                        \
   AFX_MSG_THUNK(self->OnNcLButtonDown((UINT)wParam, CPoint(AFX_GET_X_LPARAM(lParam), AFX_GET_Y_LPARAM(lParam))); return 0;)},
#define ON_WM_GETDLGCODE() {WM_GETDLGCODE, 0, 0, 0, nullptr, AFX_MSG_THUNK(return (LRESULT)self->OnGetDlgCode();)},
#define AFX_KEY_THUNK(msgid, fn) \
  {msgid, 0, 0, 0, nullptr, AFX_MSG_THUNK(self->fn((UINT)wParam, LOWORD(lParam), HIWORD(lParam)); return 0;)},
#define ON_WM_KEYDOWN() AFX_KEY_THUNK(WM_KEYDOWN, OnKeyDown)
#define ON_WM_KEYUP() AFX_KEY_THUNK(WM_KEYUP, OnKeyUp)
#define ON_WM_CHAR() AFX_KEY_THUNK(WM_CHAR, OnChar)
#define ON_WM_SYSCOMMAND() \
  {WM_SYSCOMMAND, 0, 0, 0, nullptr, AFX_MSG_THUNK(self->OnSysCommand((UINT)wParam, lParam); return 0;)},
#define ON_WM_TIMER() {WM_TIMER, 0, 0, 0, nullptr, AFX_MSG_THUNK(self->OnTimer((UINT_PTR)wParam); return 0;)},
#define ON_WM_HSCROLL()                                                                       \
  {WM_HSCROLL, 0, 0, 0, nullptr,                                                              \
   AFX_MSG_THUNK(self->OnHScroll(LOWORD(wParam), (short)HIWORD(wParam),                         \
                                 reinterpret_cast<CScrollBar*>(CWnd::FromHandle((HWND)lParam))); return 0;)},
#define ON_WM_VSCROLL()                                                                       \
  {WM_VSCROLL, 0, 0, 0, nullptr,                                                              \
   AFX_MSG_THUNK(self->OnVScroll(LOWORD(wParam), (short)HIWORD(wParam),                         \
                                 reinterpret_cast<CScrollBar*>(CWnd::FromHandle((HWND)lParam))); return 0;)},
#define ON_WM_MENUSELECT()                                                                    \
  {WM_MENUSELECT, 0, 0, 0, nullptr,                                                           \
   AFX_MSG_THUNK(self->OnMenuSelect(LOWORD(wParam), HIWORD(wParam), (HMENU)lParam); return 0;)},
#define AFX_MOUSE_THUNK(msgid, fn)                                                            \
  {msgid, 0, 0, 0, nullptr,                                                                   \
   AFX_MSG_THUNK(self->fn((UINT)wParam, CPoint(AFX_GET_X_LPARAM(lParam), AFX_GET_Y_LPARAM(lParam))); return 0;)},
#define ON_WM_MOUSEMOVE() AFX_MOUSE_THUNK(WM_MOUSEMOVE, OnMouseMove)
#define ON_WM_LBUTTONDOWN() AFX_MOUSE_THUNK(WM_LBUTTONDOWN, OnLButtonDown)
#define ON_WM_LBUTTONUP() AFX_MOUSE_THUNK(WM_LBUTTONUP, OnLButtonUp)
#define ON_WM_LBUTTONDBLCLK() AFX_MOUSE_THUNK(WM_LBUTTONDBLCLK, OnLButtonDblClk)
#define ON_WM_RBUTTONDOWN() AFX_MOUSE_THUNK(WM_RBUTTONDOWN, OnRButtonDown)
#define ON_WM_RBUTTONUP() AFX_MOUSE_THUNK(WM_RBUTTONUP, OnRButtonUp)
#define ON_WM_MBUTTONDOWN() AFX_MOUSE_THUNK(WM_MBUTTONDOWN, OnMButtonDown)
#define ON_WM_MOUSEHOVER() AFX_MOUSE_THUNK(WM_MOUSEHOVER, OnMouseHover)
#define ON_WM_XBUTTONDBLCLK()                                                                 \
  {WM_XBUTTONDBLCLK, 0, 0, 0, nullptr,                                                        \
   AFX_MSG_THUNK(self->OnXButtonDblClk(LOWORD(wParam), HIWORD(wParam),                          \
                                       CPoint(AFX_GET_X_LPARAM(lParam), AFX_GET_Y_LPARAM(lParam))); return 0;)},
#define ON_WM_MOUSELEAVE() {WM_MOUSELEAVE, 0, 0, 0, nullptr, AFX_MSG_THUNK(self->OnMouseLeave(); return 0;)},
#define ON_WM_MOUSEWHEEL()                                                                    \
  {WM_MOUSEWHEEL, 0, 0, 0, nullptr,                                                           \
   AFX_MSG_THUNK(return (LRESULT)self->OnMouseWheel(LOWORD(wParam), (short)HIWORD(wParam),      \
                                                    CPoint(AFX_GET_X_LPARAM(lParam), AFX_GET_Y_LPARAM(lParam)));)},
#define ON_WM_CAPTURECHANGED() \
  {WM_CAPTURECHANGED, 0, 0, 0, nullptr, AFX_MSG_THUNK(self->OnCaptureChanged(CWnd::FromHandle((HWND)lParam)); return 0;)},
#define ON_WM_DEVICECHANGE() \
  {WM_DEVICECHANGE, 0, 0, 0, nullptr, AFX_MSG_THUNK(return (LRESULT)self->OnDeviceChange((UINT)wParam, (DWORD_PTR)lParam);)},
#define ON_WM_THEMECHANGED() {WM_THEMECHANGED, 0, 0, 0, nullptr, AFX_MSG_THUNK(return (LRESULT)self->OnThemeChanged();)},
#define ON_WM_KICKIDLE() {WM_KICKIDLE, 0, 0, 0, nullptr, AFX_MSG_THUNK(return (LRESULT)self->OnKickIdle(wParam, lParam);)},

// Arguments of WM_CTLCOLOR (lParam points at one).
struct CtlColorArgs {
  CDC* pDC;
  CWnd* pWnd;
  UINT nCtlColor;
};
