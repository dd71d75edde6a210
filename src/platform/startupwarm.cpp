// The start-up warmer's thread.
#include "platform/startupwarm.h"

#include <dlfcn.h>
#include <malloc.h>
#include <sys/mman.h>

#include <QBuffer>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImageReader>
#include <atomic>
#include <cstdint>
#include <cstdlib>

namespace platform {
namespace {

std::mutex g_activeMutex;
StartupWarmer* g_active = nullptr;  // the warmer whose thread runs, under g_activeMutex
std::atomic<bool> g_fontsSettled{false};
constexpr uintptr_t kHugePage = uintptr_t{2} << 20;

}  // namespace

StartupWarmer::StartupWarmer() {
  {
    std::lock_guard<std::mutex> lock(g_activeMutex);
    if (g_active == nullptr) g_active = this;
  }
  m_thread = std::thread([this] { Run(); });
}

StartupWarmer::~StartupWarmer() { Finish(); }

void StartupWarmer::ApplicationReady() {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (m_stage == Stage::Waiting) m_stage = Stage::Ready;
  m_changed.notify_all();
}

void StartupWarmer::Finish() {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_stage = Stage::Finishing;
    m_changed.notify_all();
  }
  if (m_thread.joinable()) m_thread.join();
  std::lock_guard<std::mutex> lock(g_activeMutex);
  if (g_active == this) g_active = nullptr;
}

void StartupWarmer::Run() {
  bool ready = false;
  {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [this] { return m_stage != Stage::Waiting; });
    ready = m_stage == Stage::Ready && qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
  }
  // Reading the font configuration (files parsed, caches mapped) is most of the time the first
  // font takes. It needs nothing of Qt (the library is already loaded with Qt's GUI module), but
  // beside the application object's own start (the display's libraries and connection) it only
  // slowed both: it begins once the application object exists.
  using FcInitFn = int (*)();
  if (ready) {
    if (auto fcInit = reinterpret_cast<FcInitFn>(dlsym(RTLD_DEFAULT, "FcInit"))) fcInit();
  }
  // The font list (Qt's font database is shared between threads under its own lock).
  if (ready) (void)QFontDatabase::families();
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_fontsDone = true;
    m_changed.notify_all();
  }
  if (!ready) return;
  // Reading an image whose format is not named makes Qt load every image format plugin first.
  QByteArray nothing;
  QBuffer empty(&nothing);
  empty.open(QIODevice::ReadOnly);
  QImageReader reader(&empty);
  (void)reader.canRead();
}

size_t AdviseHugePages(void* start, size_t size) {
  const auto from = reinterpret_cast<uintptr_t>(start);
  if (start == nullptr || size < kHugePage || from > UINTPTR_MAX - size) return 0;
  const uintptr_t first = (from + kHugePage - 1) & ~(kHugePage - 1);
  const uintptr_t end = (from + size) & ~(kHugePage - 1);
  if (end <= first) return 0;
  return madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE) == 0 ? end - first : 0;
}

size_t PrepareStartupHeap(size_t bytes) {
#if defined(__GLIBC__) && !defined(__SANITIZE_ADDRESS__)
  // The values glibc's own moving limits come to once a block of 16 MiB has been freed.
  if (mallopt(M_MMAP_THRESHOLD, 16 << 20) == 0 || mallopt(M_TRIM_THRESHOLD, 32 << 20) == 0) return 0;
  // A block from the top of the heap, advised and given back at once: the heap stays that much
  // larger with the range free at its top, and the next blocks are carved from it.
  void* block = std::malloc(bytes);
  const size_t advised = AdviseHugePages(block, bytes);
  // What lies before the first whole extent would be carved first, page by page: the block keeps
  // it (never written, it costs no memory), so that the next blocks begin on the extent.
  const auto start = reinterpret_cast<uintptr_t>(block);
  const uintptr_t head = ((start + kHugePage - 1) & ~(kHugePage - 1)) - start;
  static void* g_heapHead = nullptr;
  if (advised > 0 && g_heapHead == nullptr && head > (uintptr_t{64} << 10)) {
    g_heapHead = std::realloc(block, head - 32);  // shrunk where it is, the rest back to the top
    if (g_heapHead == nullptr) std::free(block);
  } else {
    std::free(block);
  }
  return advised;
#else
  (void)bytes;
  return 0;
#endif
}

void AwaitStartupFonts() {
  if (g_fontsSettled.load(std::memory_order_acquire)) return;
  std::lock_guard<std::mutex> active(g_activeMutex);
  StartupWarmer* warmer = g_active;
  if (warmer == nullptr) {
    g_fontsSettled.store(true, std::memory_order_release);
    return;
  }
  std::unique_lock<std::mutex> lock(warmer->m_mutex);
  if (warmer->m_stage != StartupWarmer::Stage::Ready) return;  // not before the application is ready
  warmer->m_changed.wait(lock, [warmer] { return warmer->m_fontsDone || warmer->m_stage != StartupWarmer::Stage::Ready; });
  g_fontsSettled.store(true, std::memory_order_release);
}

}  // namespace platform
