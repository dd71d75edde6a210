// The one QApplication of a test executable, made on first use (headless under offscreen).
#pragma once

#include <QApplication>

#include "helper_processes.h"

namespace testsupport {
inline QApplication* EnsureApp() {
  if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance())) return app;
  static int argc = 1;
  static char name[] = "tests";
  static char* argv[] = {name, nullptr};
  EndHelperProcessesAtExit();
  return new QApplication(argc, argv);
}
}  // namespace testsupport
