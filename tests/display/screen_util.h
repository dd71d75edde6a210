// Test helper for the tests on a real X display: what the screen shows of a window, compared with
// what the window would draw, and the rectangles of its controls in screen coordinates.
#pragma once

#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QWidget>

#include <functional>

#include "../platform/wait_util.h"
#include "platform/wnd.h"

namespace displaytest {

inline bool OnXDisplay() { return QGuiApplication::platformName() == QLatin1String("xcb"); }

// The screen's pixels under a widget, read back from the X server.
inline QImage ScreenUnder(const QWidget* w) {
  const QPoint at = w->mapToGlobal(QPoint(0, 0));
  QScreen* screen = QGuiApplication::primaryScreen();
  return screen->grabWindow(0, at.x(), at.y(), w->width(), w->height()).toImage().convertToFormat(QImage::Format_RGB32);
}

// The share of pixels (0..1) in which two pictures of one size differ; 1 for different sizes.
inline double DifferingShare(const QImage& a, const QImage& b) {
  if (a.size() != b.size() || a.isNull()) return 1.0;
  const QImage x = a.convertToFormat(QImage::Format_RGB32);
  const QImage y = b.convertToFormat(QImage::Format_RGB32);
  qint64 differing = 0;
  for (int row = 0; row < x.height(); ++row) {
    const auto* p = reinterpret_cast<const QRgb*>(x.constScanLine(row));
    const auto* q = reinterpret_cast<const QRgb*>(y.constScanLine(row));
    for (int col = 0; col < x.width(); ++col)
      if ((p[col] & 0xFFFFFF) != (q[col] & 0xFFFFFF)) ++differing;
  }
  return static_cast<double>(differing) / (static_cast<double>(x.width()) * x.height());
}

// True once the screen shows what the widget draws (up to a caret or a focus frame: at most 2% of
// its pixels differ), handling the program's messages meanwhile; false when it still does not
// after timeoutMs.
inline bool ScreenShows(const QWidget* w, const std::function<void()>& pump, int timeoutMs = 10000) {
  return testutil::WaitUntil(
      [&] {
        pump();
        if (!w->isVisible()) return false;
        QWidget* widget = const_cast<QWidget*>(w);
        return DifferingShare(ScreenUnder(w), widget->grab().toImage()) <= 0.02;
      },
      timeoutMs);
}

}  // namespace displaytest
