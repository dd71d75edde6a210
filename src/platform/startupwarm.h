// Start-up work that needs no window, done on a second thread while the program builds its first
// window: the font configuration, the font list and the image format plugins are read once the
// application object exists. The first window then finds them ready instead of reading them itself
// before its first measurements and paint. Beside it, the heap the start is built in is prepared
// for fewer page faults.
#pragma once

#include <condition_variable>
#include <cstddef>
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

// Prepares the heap the program's start is built in, on the main thread before any other thread
// runs: blocks up to 16 MiB come from the heap from then on (the heap keeps up to 32 MiB free before
// it gives memory back), and the next bytes at its top are given huge pages where the system
// offers them to those who ask (what lies before their first whole 2 MiB extent is set aside). The first window's backing store and controls then take a few
// faults of 2 MiB instead of some thousand of 4 KiB. Returns the bytes so advised (0 without glibc,
// under the address sanitizer, or when the heap cannot grow).
size_t PrepareStartupHeap(size_t bytes);

// Asks for huge pages for the whole 2 MiB extents within [start, start + size); returns their size
// (0 when there is none, or the system refuses).
size_t AdviseHugePages(void* start, size_t size);

}  // namespace platform
