// Start-up probe, preloaded (LD_PRELOAD) into a program that the start-up benchmark starts: it
// writes to the descriptor named by STARTUP_PROBE_FD when the Qt application object is made
// ("app <ns>") and when the first frame of a shown window has been painted ("frame <ns>"), in
// nanoseconds of CLOCK_MONOTONIC. It changes nothing else in the program.
#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <unistd.h>

namespace {

int g_fd = -1;

void Report(const char* what) {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  char line[64];
  const int n = std::snprintf(line, sizeof line, "%s %lld\n", what,
                              static_cast<long long>(ts.tv_sec) * 1000000000LL + ts.tv_nsec);
  if (n > 0 && write(g_fd, line, static_cast<size_t>(n)) < 0) g_fd = -1;
}

// The first paint of a widget in a shown window: the frame is on its way once the paint has
// returned and the backing store has been flushed, which the next turn of the event loop sees.
class FrameWatch : public QObject {
 public:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (!m_seen && event->type() == QEvent::Paint) {
      auto* widget = qobject_cast<QWidget*>(watched);
      if (widget != nullptr && widget->window()->isVisible()) {
        m_seen = true;
        QTimer::singleShot(0, [] { Report("frame"); });
        QCoreApplication::instance()->removeEventFilter(this);
      }
    }
    return false;
  }

 private:
  bool m_seen = false;
};

void OnApplication() {
  Report("app");
  QCoreApplication::instance()->installEventFilter(new FrameWatch);
}

__attribute__((constructor)) void StartProbe() {
  const char* fd = std::getenv("STARTUP_PROBE_FD");
  if (fd == nullptr) return;
  g_fd = std::atoi(fd);
  // Children of the program (the web engine's helpers) are not watched.
  unsetenv("LD_PRELOAD");
  qAddPreRoutine(&OnApplication);
}

}  // namespace
