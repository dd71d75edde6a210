// Start-up work that needs no window, done on a second thread while the program starts and builds
// its first window: the font configuration is read as soon as the program runs, the font list and
// the image format plugins once the application object exists. The first window then finds them
// ready instead of reading them itself before its first measurements and paint.
#pragma once

#include <condition_variable>
#include <mutex>
#include <thread>

namespace platform {

class StartupWarmer {
 public:
  // Starts the thread. Made before the application object, finished before it ends; one at a time.
  StartupWarmer();
  ~StartupWarmer();
  StartupWarmer(const StartupWarmer&) = delete;
  StartupWarmer& operator=(const StartupWarmer&) = delete;

  // The Qt application object exists: the thread goes on with what needs it.
  void ApplicationReady();
  // Waits for the thread (at once when the application never became ready). Call it while the
  // application object still exists; safe to call more than once.
  void Finish();

 private:
  enum class Stage { Waiting, Ready, Finishing };
  void Run();
  friend void AwaitStartupFonts();

  std::mutex m_mutex;
  std::condition_variable m_changed;
  Stage m_stage = Stage::Waiting;
  bool m_fontsDone = false;
  std::thread m_thread;
};

// Waits until the start-up thread has the font list ready, when one runs and the application is
// ready: the first controls measure text, and would otherwise read the font configuration a second
// time beside it. Returns at once when there is no such thread or it is done with the fonts.
void AwaitStartupFonts();

}  // namespace platform
