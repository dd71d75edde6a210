// The program's entry point: builds the Qt application, then runs the application object's
// InitInstance and, when it asks for one, the message loop. Linked into the program only.
#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

#include "platform/startupwarm.h"
#include "platform/sync.h"
#include "platform/winapp.h"

namespace {

int RunApplication(int argc, char** argv) {
  // Windows end a program only when it says so (PostQuitMessage, the end of InitInstance).
  QApplication::setQuitOnLastWindowClosed(false);
  platform::SetGuiThread();

  CWinApp* winApp = AfxGetApp();
  if (winApp == nullptr) {
    std::fprintf(stderr, "no application object\n");
    return 1;
  }
  winApp->SetCommandLine(argc, argv);
  if (!winApp->InitInstance()) {
    if (winApp->m_pMainWnd != nullptr && winApp->m_pMainWnd->m_hWnd != nullptr) winApp->m_pMainWnd->DestroyWindow();
    return winApp->ExitInstance();
  }
  return winApp->Run();
}

}  // namespace

int main(int argc, char** argv) {
  // The web engine's sandbox cannot run for the superuser: it is switched off then. (The OpenGL
  // context web views share is made when the first one is, see htmldialog.cpp.) Set before any
  // other thread runs, as every change of the environment must be.
  if (geteuid() == 0) setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 0);
  // The application object, the main window and its first frame are built in the next 8 MiB of
  // the heap (most of it the window's backing store).
  (void)platform::PrepareStartupHeap(size_t{8} << 20);
  platform::StartupWarmer warmer;
  QApplication app(argc, argv);
  warmer.ApplicationReady();
  const int result = RunApplication(argc, argv);
  warmer.Finish();
  return result;
}
