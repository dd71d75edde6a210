// Turns Qt input, paint and window events into window messages, and runs PreTranslateMessage
// for keyboard and mouse input before the target control sees it.
#include <QApplication>
#include <QContextMenuEvent>
#include <QCursor>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPointer>
#include <QScrollBar>
#include <QToolTip>
#include <QWheelEvent>
#include <QWidget>
#include <algorithm>
#include <vector>

#include "platform/clock.h"
#include "platform/controls.h"
#include "platform/gdi.h"
#include "platform/listctrl.h"
#include "platform/windowlife.h"
#include "platform/wndinternal.h"

namespace platform {

namespace {
std::vector<const QWidget*>& BusyWidgets() {
  static auto* v = new std::vector<const QWidget*>();
  return *v;
}



LPARAM PointParam(int x, int y) { return MAKELPARAM(static_cast<WORD>(static_cast<short>(x)), static_cast<WORD>(static_cast<short>(y))); }

}  // namespace

LRESULT CallWindowProcAsCurrent(CWnd* wnd, UINT message, WPARAM wParam, LPARAM lParam, bool* defaultCalled,
                                const void* paintEvent) {
  CurrentMessage state{};
  state.msg.hwnd = wnd->m_hWnd;
  state.msg.message = message;
  state.msg.wParam = wParam;
  state.msg.lParam = lParam;
  state.msg.time = GetTickCount();
  QPoint gp = QCursor::pos();
  state.msg.pt = POINT{gp.x(), gp.y()};
  state.defaultCalled = false;
  state.paintEvent = paintEvent;
  CurrentMessage* old = SwapCurrentMessageState(&state);
  WindowCodeScope running;
  LRESULT r = wnd->WindowProc(message, wParam, lParam);
  SwapCurrentMessageState(old);
  if (defaultCalled != nullptr) *defaultCalled = state.defaultCalled;
  return r;
}

namespace {
LRESULT Dispatch(CWnd* wnd, UINT message, WPARAM wParam, LPARAM lParam, bool* defaultCalled,
                 const QPaintEvent* paint = nullptr) {
  return CallWindowProcAsCurrent(wnd, message, wParam, lParam, defaultCalled, paint);
}
}  // namespace

WidgetBusyScope::WidgetBusyScope(const QWidget* widget) { BusyWidgets().push_back(widget); }
WidgetBusyScope::~WidgetBusyScope() { BusyWidgets().pop_back(); }

WPARAM MouseKeyFlags(Qt::MouseButtons buttons, Qt::KeyboardModifiers mods) {
  WPARAM f = 0;
  if (buttons & Qt::LeftButton) f |= MK_LBUTTON;
  if (buttons & Qt::RightButton) f |= MK_RBUTTON;
  if (buttons & Qt::MiddleButton) f |= MK_MBUTTON;
  if (mods & Qt::ShiftModifier) f |= MK_SHIFT;
  if (mods & Qt::ControlModifier) f |= MK_CONTROL;
  return f;
}

bool IsWidgetBusy(const QWidget* widget) {
  for (const QWidget* busy : BusyWidgets()) {
    for (const QWidget* w = busy; w != nullptr; w = w->parentWidget()) {
      if (w == widget) return true;
    }
  }
  return false;
}

UINT VirtualKeyFromQt(int key) {
  if (key >= Qt::Key_A && key <= Qt::Key_Z) return static_cast<UINT>('A' + (key - Qt::Key_A));
  if (key >= Qt::Key_0 && key <= Qt::Key_9) return static_cast<UINT>('0' + (key - Qt::Key_0));
  if (key >= Qt::Key_F1 && key <= Qt::Key_F12) return static_cast<UINT>(VK_F1 + (key - Qt::Key_F1));
  switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter: return VK_RETURN;
    case Qt::Key_Escape: return VK_ESCAPE;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return VK_TAB;
    case Qt::Key_Backspace: return VK_BACK;
    case Qt::Key_Delete: return VK_DELETE;
    case Qt::Key_Insert: return VK_INSERT;
    case Qt::Key_Home: return VK_HOME;
    case Qt::Key_End: return VK_END;
    case Qt::Key_PageUp: return VK_PRIOR;
    case Qt::Key_PageDown: return VK_NEXT;
    case Qt::Key_Left: return VK_LEFT;
    case Qt::Key_Right: return VK_RIGHT;
    case Qt::Key_Up: return VK_UP;
    case Qt::Key_Down: return VK_DOWN;
    case Qt::Key_Shift: return VK_SHIFT;
    case Qt::Key_Control: return VK_CONTROL;
    case Qt::Key_Alt: return VK_MENU;
    case Qt::Key_Space: return VK_SPACE;
    case Qt::Key_Pause: return VK_PAUSE;
    case Qt::Key_CapsLock: return VK_CAPITAL;
    case Qt::Key_Minus: return 0xBD;
    case Qt::Key_Period: return 0xBE;
    case Qt::Key_Comma: return 0xBC;
    case Qt::Key_Plus: return 0xBB;
    default: return 0;
  }
}

bool WalkPreTranslate(CWnd* target, MSG* msg) {
  HWND h = target != nullptr ? target->m_hWnd : nullptr;
  WindowCodeScope running;
  int guard = 0;
  for (CWnd* w = target; w != nullptr && guard < 64; ++guard) {
    HWND self = w->m_hWnd;
    if (w->PreTranslateMessage(msg)) return true;
    if (LookupHandle(self) != w) return true;  // the window went away while handling it
    w = w->GetParent();
  }
  (void)h;
  return false;
}

// ---- per-window hook ----------------------------------------------------------------------

WndHook::WndHook(CWnd* wnd, QWidget* widget) : QObject(widget), m_wnd(wnd), m_widget(widget) {}

bool WndHook::eventFilter(QObject* watched, QEvent* event) {
  if (watched != m_widget || m_wnd == nullptr || m_wnd->m_hWnd == nullptr) return false;
  WidgetBusyScope busy(m_widget);
  return Translate(event);
}

// ---- tool tips of windows that enabled them --------------------------------------------------

// Asks a window for the tool under a point of its client area and shows the tool's text; hides
// the tip where there is no tool or no text. False when the window went away meanwhile.
bool ShowWindowToolTip(CWnd* wnd, const QPoint& local, const QPoint& global) {
  HWND self = wnd->m_hWnd;
  TOOLINFO info{};
  info.cbSize = sizeof(info);
  const INT_PTR hit = wnd->OnToolHitTest(CPoint(local.x(), local.y()), &info);
  if (LookupHandle(self) != wnd) return false;
  if (hit == -1) {
    QToolTip::hideText();
    return true;
  }
  QString text;
  if (info.lpszText != nullptr && info.lpszText != LPSTR_TEXTCALLBACK) {
    text = QString::fromWCharArray(info.lpszText);
  } else {
    NMTTDISPINFOW disp{};
    disp.hdr.idFrom = info.uId;
    disp.hdr.code = TTN_NEEDTEXTW;
    disp.lpszText = disp.szText;
    // The handler reads the hover point as the current message's position.
    CurrentMessage state{};
    state.msg.hwnd = self;
    state.msg.message = WM_NOTIFY;
    state.msg.wParam = static_cast<WPARAM>(info.uId);
    state.msg.lParam = reinterpret_cast<LPARAM>(&disp.hdr);
    state.msg.time = GetTickCount();
    state.msg.pt = POINT{global.x(), global.y()};
    CurrentMessage* old = SwapCurrentMessageState(&state);
    wnd->WindowProc(WM_NOTIFY, state.msg.wParam, state.msg.lParam);
    SwapCurrentMessageState(old);
    if (LookupHandle(self) != wnd) return false;
    if (disp.lpszText == nullptr || disp.lpszText == disp.szText) {
      const wchar_t* end = std::find(std::begin(disp.szText), std::end(disp.szText), L'\0');
      text = QString::fromWCharArray(disp.szText, static_cast<int>(end - disp.szText));
    } else {
      text = QString::fromWCharArray(disp.lpszText);
    }
  }
  if (text.isEmpty()) {
    QToolTip::hideText();
    return true;
  }
  QWidget* widget = wnd->GetWidget();
  const QRect area(QPoint(info.rect.left, info.rect.top), QPoint(info.rect.right - 1, info.rect.bottom - 1));
  QToolTip::showText(global, text, widget, area.isValid() ? area : QRect());
  return true;
}

bool WndHook::Translate(QEvent* event) {
  CWnd* wnd = m_wnd;
  HWND self = wnd->m_hWnd;
  bool def = true;
  switch (event->type()) {
    case QEvent::ToolTip: {
      if (!wnd->ToolTipsEnabled()) return false;
      auto* help = static_cast<QHelpEvent*>(event);
      ShowWindowToolTip(wnd, help->pos(), help->globalPos());
      return true;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick: {
      auto* me = static_cast<QMouseEvent*>(event);
      QPoint p = me->position().toPoint();
      QPoint g = me->globalPosition().toPoint();
      if (event->type() == QEvent::MouseButtonPress && me->button() == Qt::LeftButton &&
          HasMessageEntry(wnd, WM_NCHITTEST)) {
        LRESULT hit = Dispatch(wnd, WM_NCHITTEST, 0, PointParam(g.x(), g.y()), nullptr);
        if (LookupHandle(self) != wnd) return true;
        if (hit == HTCAPTION) {
          Dispatch(wnd, WM_NCLBUTTONDOWN, HTCAPTION, PointParam(g.x(), g.y()), nullptr);
          return true;
        }
      }
      UINT msg = 0;
      bool press = event->type() == QEvent::MouseButtonPress;
      bool dbl = event->type() == QEvent::MouseButtonDblClick;
      switch (me->button()) {
        case Qt::LeftButton: msg = dbl ? WM_LBUTTONDBLCLK : press ? WM_LBUTTONDOWN : WM_LBUTTONUP; break;
        case Qt::RightButton: msg = dbl ? WM_RBUTTONDBLCLK : press ? WM_RBUTTONDOWN : WM_RBUTTONUP; break;
        case Qt::MiddleButton: msg = dbl ? WM_MBUTTONDBLCLK : press ? WM_MBUTTONDOWN : WM_MBUTTONUP; break;
        case Qt::BackButton:
        case Qt::ForwardButton: msg = dbl ? WM_XBUTTONDBLCLK : press ? WM_XBUTTONDOWN : WM_XBUTTONUP; break;
        default: return false;
      }
      WPARAM flags = MouseKeyFlags(me->buttons(), me->modifiers());
      if (msg == WM_XBUTTONDBLCLK || msg == WM_XBUTTONDOWN || msg == WM_XBUTTONUP) {
        flags = MAKEWPARAM(flags, me->button() == Qt::BackButton ? 1 : 2);
      }
      Dispatch(wnd, msg, flags, PointParam(p.x(), p.y()), &def);
      return LookupHandle(self) != wnd || !def;
    }
    case QEvent::MouseMove: {
      auto* me = static_cast<QMouseEvent*>(event);
      QPoint p = me->position().toPoint();
      if (HasMessageEntry(wnd, WM_SETCURSOR) || HasMessageEntry(wnd->GetTopLevelParent(), WM_SETCURSOR)) {
        Dispatch(wnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(self), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE), nullptr);
        if (LookupHandle(self) != wnd) return true;
      }
      Dispatch(wnd, WM_MOUSEMOVE, MouseKeyFlags(me->buttons(), me->modifiers()), PointParam(p.x(), p.y()), &def);
      if (LookupHandle(self) != wnd) return true;
      if ((m_trackFlags & TME_HOVER) && !m_hoverSent) {
        m_hoverSent = true;
        m_trackFlags &= ~TME_HOVER;
        Dispatch(wnd, WM_MOUSEHOVER, MouseKeyFlags(me->buttons(), me->modifiers()), PointParam(p.x(), p.y()), nullptr);
      }
      return LookupHandle(self) != wnd || !def;
    }
    case QEvent::Leave:
      if (m_trackFlags & TME_LEAVE) {
        m_trackFlags = 0;
        m_hoverSent = false;
        Dispatch(wnd, WM_MOUSELEAVE, 0, 0, nullptr);
        if (LookupHandle(self) != wnd) return false;
      }
      // A cursor a window set for itself while the mouse moved over it does not follow the mouse
      // out of the window: elsewhere the windows' own cursors show again.
      if (m_widget->isWindow() && HasMessageEntry(wnd, WM_SETCURSOR)) SetCursor(nullptr);
      return false;
    case QEvent::Wheel: {
      auto* we = static_cast<QWheelEvent*>(event);
      QPoint g = we->globalPosition().toPoint();
      short delta = static_cast<short>(we->angleDelta().y());
      Dispatch(wnd, WM_MOUSEWHEEL, MAKEWPARAM(MouseKeyFlags(we->buttons(), we->modifiers()), delta),
               PointParam(g.x(), g.y()), &def);
      return LookupHandle(self) != wnd || !def;
    }
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
      auto* ke = static_cast<QKeyEvent*>(event);
      UINT vk = VirtualKeyFromQt(ke->key());
      bool press = event->type() == QEvent::KeyPress;
      LPARAM lp = MAKELPARAM(1, press ? (ke->isAutoRepeat() ? 0x4000 : 0) : 0xC000);
      bool keyDefault = true;
      if (vk != 0) {
        Dispatch(wnd, press ? WM_KEYDOWN : WM_KEYUP, vk, lp, &keyDefault);
        if (LookupHandle(self) != wnd) return true;
      }
      if (!keyDefault) return true;
      if (press && !ke->text().isEmpty()) {
        bool charDefault = true;
        for (QChar c : ke->text()) {
          if (!c.isPrint() && c != QChar('\r') && c != QChar('\b') && c != QChar(0x1B) && c != QChar('\t')) continue;
          bool d = true;
          Dispatch(wnd, WM_CHAR, c.unicode(), lp, &d);
          if (LookupHandle(self) != wnd) return true;
          charDefault = charDefault && d;
        }
        return !charDefault;
      }
      return false;
    }
    case QEvent::FocusIn:
      Dispatch(wnd, WM_SETFOCUS, 0, 0, nullptr);
      return false;
    case QEvent::FocusOut:
      Dispatch(wnd, WM_KILLFOCUS, 0, 0, nullptr);
      return false;
    case QEvent::Move: {
      QPoint p = m_widget->isWindow() ? m_widget->mapToGlobal(QPoint(0, 0)) : m_widget->pos();
      Dispatch(wnd, WM_MOVE, 0, PointParam(p.x(), p.y()), nullptr);
      return false;
    }
    case QEvent::Resize: {
      if (wnd->GetStyle() & (WS_VSCROLL | WS_HSCROLL)) {
        // Keep the own scroll bars on the edges.
        for (QObject* obj : m_widget->children()) {
          auto* sb = qobject_cast<QScrollBar*>(obj);
          if (sb == nullptr || !sb->property("platformOwnScrollBar").toBool()) continue;
          const int thick = 17;
          if (sb->orientation() == Qt::Vertical) sb->setGeometry(m_widget->width() - thick, 0, thick, m_widget->height());
          else sb->setGeometry(0, m_widget->height() - thick, m_widget->width(), thick);
        }
      }
      CRect rc;
      wnd->GetClientRect(&rc);
      WPARAM kind = m_widget->isMinimized() ? SIZE_MINIMIZED : m_widget->isMaximized() ? SIZE_MAXIMIZED : SIZE_RESTORED;
      Dispatch(wnd, WM_SIZE, kind, MAKELPARAM(rc.Width(), rc.Height()), nullptr);
      return false;
    }
    case QEvent::Paint: {
      bool erase = HasMessageEntry(wnd, WM_ERASEBKGND);
      bool paint = HasMessageEntry(wnd, WM_PAINT);
      if (!paint && !erase) return false;
      auto* pe = static_cast<QPaintEvent*>(event);
      if (erase) {
        // The background is erased first, through a context on the window being painted.
        CClientDC dc(wnd);
        Dispatch(wnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), 0, nullptr, pe);
        if (LookupHandle(self) != wnd) return true;
      }
      if (!paint) return false;
      Dispatch(wnd, WM_PAINT, 0, 0, &def, pe);
      return LookupHandle(self) != wnd || !def;
    }
    case QEvent::Close: {
      event->ignore();
      Dispatch(wnd, WM_CLOSE, 0, 0, nullptr);
      return true;
    }
    case QEvent::Show:
      Dispatch(wnd, WM_SHOWWINDOW, TRUE, 0, nullptr);
      return false;
    case QEvent::Hide:
      Dispatch(wnd, WM_SHOWWINDOW, FALSE, 0, nullptr);
      return false;
    case QEvent::EnabledChange:
      Dispatch(wnd, WM_ENABLE, m_widget->isEnabled() ? TRUE : FALSE, 0, nullptr);
      return false;
    case QEvent::WindowActivate:
    case QEvent::WindowDeactivate:
      if (m_widget->isWindow()) {
        Dispatch(wnd, WM_ACTIVATE, event->type() == QEvent::WindowActivate ? WA_ACTIVE : WA_INACTIVE, 0, nullptr);
      }
      return false;
    case QEvent::ContextMenu: {
      auto* ce = static_cast<QContextMenuEvent*>(event);
      if (ce->reason() == QContextMenuEvent::Mouse && !HasMessageEntry(wnd, WM_CONTEXTMENU)) {
        // Parents may still want it, as DefWindowProc passes it up.
      }
      QPoint g = ce->globalPos();
      Dispatch(wnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(self), PointParam(g.x(), g.y()), &def);
      return LookupHandle(self) != wnd || !def;
    }
    default:
      return false;
  }
}

// ---- application input filter (PreTranslateMessage) -----------------------------------------

namespace {
class InputFilter : public QObject {
 public:
  // Every object's events pass here, the web engine's internal ones too, whose type information the
  // undefined-behaviour checker cannot follow: the widget test reads the object's own flag instead.
  __attribute__((no_sanitize("vptr"))) bool eventFilter(QObject* watched, QEvent* event) override {
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    QWidget* widget = watched->isWidgetType() ? static_cast<QWidget*>(watched) : nullptr;
    if (widget == nullptr) return false;
    switch (event->type()) {
      case QEvent::KeyPress:
      case QEvent::KeyRelease:
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick:
        break;
      default:
        return false;
    }
    // Qt offers a propagated event to each ancestor of its first receiver in turn; only the
    // first receiver counts.
    if (event == m_lastEvent && event->type() == m_lastType && m_lastReceiver != nullptr &&
        widget != m_lastReceiver && widget->isAncestorOf(m_lastReceiver)) {
      return false;
    }
    m_lastEvent = event;
    m_lastType = event->type();
    m_lastReceiver = widget;
    CWnd* target = CWnd::FromWidget(widget);
    if (target == nullptr) return false;
    MSG msg{};
    msg.hwnd = target->m_hWnd;
    msg.time = GetTickCount();
    QPoint gp = QCursor::pos();
    msg.pt = POINT{gp.x(), gp.y()};
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
      auto* ke = static_cast<QKeyEvent*>(event);
      bool press = event->type() == QEvent::KeyPress;
      message = press ? WM_KEYDOWN : WM_KEYUP;
      wParam = VirtualKeyFromQt(ke->key());
      lParam = MAKELPARAM(1, press ? (ke->isAutoRepeat() ? 0x4000 : 0) : 0xC000);
      if (wParam != 0) {
        msg.message = message;
        msg.wParam = wParam;
        msg.lParam = lParam;
        if (WalkPreTranslate(target, &msg)) return true;
      }
      if (press) {
        for (QChar c : ke->text()) {
          MSG cm = msg;
          cm.hwnd = CWnd::FromWidget(widget) != nullptr ? CWnd::FromWidget(widget)->m_hWnd : nullptr;
          cm.message = WM_CHAR;
          cm.wParam = c.unicode();
          cm.lParam = lParam;
          CWnd* t = CWnd::FromWidget(widget);
          if (t == nullptr) return true;
          if (WalkPreTranslate(t, &cm)) return true;
        }
      }
      return false;
    }
    auto* me = static_cast<QMouseEvent*>(event);
    QPoint local = target->GetWidget()->mapFromGlobal(me->globalPosition().toPoint());
    bool dbl = event->type() == QEvent::MouseButtonDblClick;
    bool press = event->type() == QEvent::MouseButtonPress;
    switch (me->button()) {
      case Qt::LeftButton: message = dbl ? WM_LBUTTONDBLCLK : press ? WM_LBUTTONDOWN : WM_LBUTTONUP; break;
      case Qt::RightButton: message = dbl ? WM_RBUTTONDBLCLK : press ? WM_RBUTTONDOWN : WM_RBUTTONUP; break;
      case Qt::MiddleButton: message = dbl ? WM_MBUTTONDBLCLK : press ? WM_MBUTTONDOWN : WM_MBUTTONUP; break;
      default: return false;
    }
    msg.message = message;
    msg.wParam = MouseKeyFlags(me->buttons(), me->modifiers());
    msg.lParam = PointParam(local.x(), local.y());
    return WalkPreTranslate(target, &msg);
  }

 private:
  const QEvent* m_lastEvent = nullptr;
  QEvent::Type m_lastType = QEvent::None;
  QPointer<QWidget> m_lastReceiver;
};
}  // namespace

void EnsureInputFilter() {
  static InputFilter* filter = nullptr;
  QCoreApplication* app = QCoreApplication::instance();
  if (app == nullptr || filter != nullptr) return;
  filter = new InputFilter();
  filter->setParent(app);
  app->installEventFilter(filter);
  QObject::connect(app, &QObject::destroyed, [] { filter = nullptr; });
}

}  // namespace platform

// ---- tool tips ---------------------------------------------------------------------------------

BOOL CWnd::EnableToolTips(BOOL bEnable) {
  const BOOL old = m_bToolTips;
  m_bToolTips = bEnable ? TRUE : FALSE;
  if (!m_bToolTips && m_pWidget != nullptr && QToolTip::isVisible()) QToolTip::hideText();
  return old;
}

INT_PTR CWnd::OnToolHitTest(CPoint point, TOOLINFO* pTI) const {
  (void)point;
  (void)pTI;
  return -1;
}
