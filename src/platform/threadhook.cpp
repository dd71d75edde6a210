// Thread message hooks (WH_CALLWNDPROCRET): the hook chain, and the application-wide event filter
// that reports the user's input to it.
#include "platform/threadhook.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QWheelEvent>
#include <QWidget>
#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/sync.h"
#include "platform/wndinternal.h"

namespace platform {
namespace {

struct Hook {
  HHOOK handle = nullptr;
  HOOKPROC proc = nullptr;
  DWORD thread = 0;
  bool removed = false;
};

std::mutex g_mutex;
uintptr_t g_nextHandle = 0x7000;
std::atomic<int> g_count{0};

// Newest first.
std::vector<std::shared_ptr<Hook>>& Hooks() {
  static auto* hooks = new std::vector<std::shared_ptr<Hook>>();
  return *hooks;
}

std::vector<std::shared_ptr<Hook>> ChainOf(DWORD thread) {
  std::lock_guard<std::mutex> lock(g_mutex);
  std::vector<std::shared_ptr<Hook>> out;
  for (const auto& h : Hooks()) {
    if (h->thread == thread && !h->removed) out.push_back(h);
  }
  return out;
}

// One walk through the chain for one message; CallNextHookEx continues the innermost walk.
struct Frame {
  std::vector<std::shared_ptr<Hook>> chain;
  size_t next = 0;
};
thread_local std::vector<Frame*> t_frames;
const size_t kMaxDepth = 16;

LRESULT RunNext(Frame& frame, int code, WPARAM wParam, LPARAM lParam) {
  while (frame.next < frame.chain.size()) {
    std::shared_ptr<Hook> hook = frame.chain[frame.next++];
    bool live;
    {
      std::lock_guard<std::mutex> lock(g_mutex);
      live = !hook->removed;
    }
    if (live) return hook->proc(code, wParam, lParam);
  }
  return 0;
}

// ---- input reported from Qt events ----

// The window that owns a widget: the widget's own or its nearest ancestor's, without leaving the
// widget's top-level window (a pop-up without a window of its own belongs to nobody).
CWnd* OwnerWindowOf(QWidget* widget) {
  for (QWidget* w = widget; w != nullptr; w = w->parentWidget()) {
    if (CWnd* wnd = WindowOfWidget(w)) return wnd->m_hWnd != nullptr ? wnd : nullptr;
    if (w->isWindow()) return nullptr;
  }
  return nullptr;
}

HWND HandleOf(CWnd* wnd) { return wnd != nullptr ? wnd->m_hWnd : nullptr; }


LPARAM PointParam(int x, int y) {
  return MAKELPARAM(static_cast<WORD>(static_cast<short>(x)), static_cast<WORD>(static_cast<short>(y)));
}

class InputFeed : public QObject {
 public:
  __attribute__((no_sanitize("vptr"))) bool eventFilter(QObject* watched, QEvent* event) override {
    if (g_count.load() == 0) return false;
    switch (event->type()) {
      case QEvent::KeyPress:
      case QEvent::KeyRelease:
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonDblClick:
      case QEvent::Wheel:
      case QEvent::FocusIn:
      case QEvent::FocusOut:
        break;
      default:
        return false;
    }
    // The web engine's internal objects pass here too: the widget test reads the object's own flag.
    QWidget* widget = watched->isWidgetType() ? static_cast<QWidget*>(watched) : nullptr;
    if (widget == nullptr || IsPropagation(widget, event)) return false;
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    CWnd* target = OwnerWindowOf(widget);
    switch (event->type()) {
      case QEvent::KeyPress:
      case QEvent::KeyRelease: {
        auto* ke = static_cast<QKeyEvent*>(event);
        bool press = event->type() == QEvent::KeyPress;
        message = press ? WM_KEYDOWN : WM_KEYUP;
        wParam = VirtualKeyFromQt(ke->key());
        if (wParam == 0) return false;
        lParam = MAKELPARAM(1, press ? (ke->isAutoRepeat() ? 0x4000 : 0) : 0xC000);
        break;
      }
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonDblClick: {
        auto* me = static_cast<QMouseEvent*>(event);
        bool dbl = event->type() == QEvent::MouseButtonDblClick;
        switch (me->button()) {
          case Qt::LeftButton: message = dbl ? WM_LBUTTONDBLCLK : WM_LBUTTONDOWN; break;
          case Qt::RightButton: message = dbl ? WM_RBUTTONDBLCLK : WM_RBUTTONDOWN; break;
          case Qt::MiddleButton: message = dbl ? WM_MBUTTONDBLCLK : WM_MBUTTONDOWN; break;
          default: return false;
        }
        wParam = MouseKeyFlags(me->buttons(), me->modifiers());
        QPoint p = me->globalPosition().toPoint();
        if (target != nullptr && target->GetWidget() != nullptr) p = target->GetWidget()->mapFromGlobal(p);
        lParam = PointParam(p.x(), p.y());
        break;
      }
      case QEvent::Wheel: {
        auto* we = static_cast<QWheelEvent*>(event);
        QPoint g = we->globalPosition().toPoint();
        message = WM_MOUSEWHEEL;
        wParam = MAKEWPARAM(MouseKeyFlags(we->buttons(), we->modifiers()), static_cast<short>(we->angleDelta().y()));
        lParam = PointParam(g.x(), g.y());
        break;
      }
      case QEvent::FocusIn:
      case QEvent::FocusOut: {
        auto* fe = static_cast<QFocusEvent*>(event);
        // A pop-up taking the keyboard leaves the focus where it was.
        if (fe->reason() == Qt::PopupFocusReason) return false;
        if (event->type() == QEvent::FocusIn) {
          message = WM_SETFOCUS;
        } else {
          message = WM_KILLFOCUS;
          // Qt names the new focus widget before it tells the old one.
          QWidget* gaining = QApplication::focusWidget();
          wParam = reinterpret_cast<WPARAM>(gaining != nullptr && gaining != widget ? HandleOf(OwnerWindowOf(gaining)) : nullptr);
        }
        break;
      }
      default:
        return false;
    }
    WidgetBusyScope busy(widget);
    CallWndProcRetHooks(HandleOf(target), message, wParam, lParam, 0);
    return false;
  }

 private:
  // Qt offers an input event that a widget leaves alone to its parent, and then to the
  // grandparent, and a control may hand an event on to a part of its own (a scroll area gives the
  // wheel to its scroll bar): only the first receiver counts.
  bool IsPropagation(QWidget* widget, QEvent* event) {
    bool input = event->type() != QEvent::FocusIn && event->type() != QEvent::FocusOut;
    if (!input) return false;
    auto* ie = static_cast<QInputEvent*>(event);
    bool again = event == m_lastEvent && event->type() == m_lastType && ie->timestamp() == m_lastTime &&
                 m_lastReceiver != nullptr && widget != m_lastReceiver &&
                 (widget->isAncestorOf(m_lastReceiver) || OwnerWindowOf(widget) == OwnerWindowOf(m_lastReceiver));
    if (again) return true;
    m_lastEvent = event;
    m_lastType = event->type();
    m_lastTime = ie->timestamp();
    m_lastReceiver = widget;
    return false;
  }

  const QEvent* m_lastEvent = nullptr;
  QEvent::Type m_lastType = QEvent::None;
  quint64 m_lastTime = 0;
  QPointer<QWidget> m_lastReceiver;
};

InputFeed* g_feed = nullptr;

// The feed runs before the PreTranslateMessage filter (the filter installed last runs first).
void EnsureFeed() {
  QCoreApplication* app = QCoreApplication::instance();
  if (app == nullptr || g_feed != nullptr || !OnGuiThread()) return;
  EnsureInputFilter();
  g_feed = new InputFeed();
  g_feed->setParent(app);
  app->installEventFilter(g_feed);
  QObject::connect(app, &QObject::destroyed, [] { g_feed = nullptr; });
}

void InstallFeedAtStartup() {
  if (g_count.load() > 0) EnsureFeed();
}

}  // namespace

void CallWndProcRetHooks(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT result) {
  if (g_count.load() == 0 || t_frames.size() >= kMaxDepth) return;
  Frame frame;
  frame.chain = ChainOf(GetCurrentThreadId());
  if (frame.chain.empty()) return;
  CWPRETSTRUCT cwp{result, lParam, wParam, message, hwnd};
  t_frames.push_back(&frame);
  struct Pop {
    ~Pop() { t_frames.pop_back(); }
  } pop;
  RunNext(frame, HC_ACTION, TRUE, reinterpret_cast<LPARAM>(&cwp));
}

int CountCallWndProcRetHooks() { return static_cast<int>(ChainOf(GetCurrentThreadId()).size()); }

}  // namespace platform

namespace {
// Hooks installed before the application object existed start seeing input once it does.
void InstallThreadHookFeed() { platform::InstallFeedAtStartup(); }
}  // namespace
Q_COREAPP_STARTUP_FUNCTION(InstallThreadHookFeed)

HHOOK SetWindowsHookEx(int idHook, HOOKPROC lpfn, HINSTANCE hmod, DWORD dwThreadId) {
  (void)hmod;
  DWORD self = GetCurrentThreadId();
  if (idHook != WH_CALLWNDPROCRET || lpfn == nullptr || (dwThreadId != 0 && dwThreadId != self)) return nullptr;
  auto hook = std::make_shared<platform::Hook>();
  hook->proc = lpfn;
  hook->thread = self;
  {
    std::lock_guard<std::mutex> lock(platform::g_mutex);
    platform::g_nextHandle += 4;
    hook->handle = reinterpret_cast<HHOOK>(platform::g_nextHandle);
    auto& hooks = platform::Hooks();
    hooks.insert(hooks.begin(), hook);
  }
  ++platform::g_count;
  platform::EnsureFeed();
  return hook->handle;
}

BOOL UnhookWindowsHookEx(HHOOK hhk) {
  if (hhk == nullptr) return FALSE;
  std::lock_guard<std::mutex> lock(platform::g_mutex);
  auto& hooks = platform::Hooks();
  for (auto it = hooks.begin(); it != hooks.end(); ++it) {
    if ((*it)->handle != hhk) continue;
    (*it)->removed = true;
    hooks.erase(it);
    --platform::g_count;
    return TRUE;
  }
  return FALSE;
}

LRESULT CallNextHookEx(HHOOK hhk, int nCode, WPARAM wParam, LPARAM lParam) {
  (void)hhk;
  if (platform::t_frames.empty()) return 0;
  return platform::RunNext(*platform::t_frames.back(), nCode, wParam, lParam);
}
