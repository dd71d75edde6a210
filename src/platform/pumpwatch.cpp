// The watched event pass: an application-wide filter, installed for the pass only, that reports
// typed characters and mouse button releases once each before they reach their window.
#include "platform/pumpwatch.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>

#include "platform/clock.h"

namespace platform {

namespace {

class InputWatcher : public QObject {
 public:
  explicit InputWatcher(const std::function<void(const MSG&)>& watch) : m_watch(watch) {}

  bool eventFilter(QObject* watched, QEvent* event) override {
    switch (event->type()) {
      case QEvent::KeyPress: {
        auto* key = static_cast<QKeyEvent*>(event);
        m_lastRelease = false;
        // A key event climbs to the parents that do not take it: it is reported once.
        if (!FirstSight(event, key->timestamp())) break;
        wchar_t ch = 0;
        if (key->key() == Qt::Key_Escape) {
          ch = 27;
        } else if (!key->text().isEmpty()) {
          ch = static_cast<wchar_t>(key->text().at(0).unicode());
        }
        if (ch == 0) break;
        MSG msg{};
        msg.message = WM_CHAR;
        msg.wParam = static_cast<WPARAM>(ch);
        msg.hwnd = WindowHandleOf(watched);
        msg.time = static_cast<DWORD>(GetClock().NowMs());
        m_watch(msg);
        break;
      }
      case QEvent::MouseButtonRelease: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        const QPoint global = mouse->globalPosition().toPoint();
        // A release climbs to the parents as copies of itself: the same moment, place and button.
        if (!FirstSight(event, mouse->timestamp())) break;
        if (m_lastRelease && m_releaseTimestamp == mouse->timestamp() && m_releasePoint == global &&
            m_releaseButton == mouse->button()) {
          break;
        }
        m_lastRelease = true;
        m_releaseTimestamp = mouse->timestamp();
        m_releasePoint = global;
        m_releaseButton = mouse->button();
        UINT message = 0;
        switch (mouse->button()) {
          case Qt::LeftButton: message = WM_LBUTTONUP; break;
          case Qt::RightButton: message = WM_RBUTTONUP; break;
          case Qt::MiddleButton: message = WM_MBUTTONUP; break;
          default: break;
        }
        if (message == 0) break;
        MSG msg{};
        msg.message = message;
        msg.pt.x = global.x();
        msg.pt.y = global.y();
        msg.hwnd = WindowHandleOf(watched);
        msg.time = static_cast<DWORD>(GetClock().NowMs());
        m_watch(msg);
        break;
      }
      default:
        break;
    }
    return false;
  }

 private:
  bool FirstSight(const QEvent* event, quint64 timestamp) {
    if (event == m_last && timestamp == m_lastTimestamp) return false;
    m_last = event;
    m_lastTimestamp = timestamp;
    return true;
  }
  static HWND WindowHandleOf(QObject* watched) {
    auto* widget = qobject_cast<QWidget*>(watched);
    CWnd* wnd = widget != nullptr ? CWnd::FromWidget(widget) : nullptr;
    return wnd != nullptr ? wnd->GetSafeHwnd() : nullptr;
  }

  const std::function<void(const MSG&)>& m_watch;
  const QEvent* m_last = nullptr;
  quint64 m_lastTimestamp = 0;
  bool m_lastRelease = false;
  quint64 m_releaseTimestamp = 0;
  QPoint m_releasePoint;
  Qt::MouseButton m_releaseButton = Qt::NoButton;
};

}  // namespace

void PumpPendingEventsWatching(const std::function<void(const MSG&)>& watch) {
  QCoreApplication* app = QCoreApplication::instance();
  if (app == nullptr) return;
  if (!watch) {
    PumpPendingEvents();
    return;
  }
  InputWatcher watcher(watch);
  app->installEventFilter(&watcher);
  PumpPendingEvents();
  app->removeEventFilter(&watcher);
}

}  // namespace platform
