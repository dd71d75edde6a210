// The start-up warmer's thread.
#include "platform/startupwarm.h"

#include <dlfcn.h>

#include <QBuffer>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImageReader>
#include <atomic>

namespace platform {
namespace {

std::mutex g_activeMutex;
StartupWarmer* g_active = nullptr;  // the warmer whose thread runs, under g_activeMutex
std::atomic<bool> g_fontsSettled{false};

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
  // Reading the font configuration (files parsed, caches mapped) is most of the time the first
  // font takes; it needs nothing of Qt. The library is already loaded with Qt's GUI module.
  using FcInitFn = int (*)();
  if (auto fcInit = reinterpret_cast<FcInitFn>(dlsym(RTLD_DEFAULT, "FcInit"))) fcInit();

  bool ready = false;
  {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [this] { return m_stage != Stage::Waiting; });
    ready = m_stage == Stage::Ready && qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
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
