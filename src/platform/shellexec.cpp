// PlaySound and ShellExecuteEx over the desktop services, with replaceable handlers.
#include "platform/shellexec.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>
#include <mutex>

namespace platform {
namespace {
std::mutex g_mutex;

std::function<BOOL(const SoundRequest&)>& SoundHandler() {
  static auto* handler = new std::function<BOOL(const SoundRequest&)>();
  return *handler;
}

std::function<BOOL(const ShellRequest&)>& ShellHandler() {
  static auto* handler = new std::function<BOOL(const ShellRequest&)>();
  return *handler;
}

CString TextOf(LPCTSTR text) { return text != nullptr ? CString(text) : CString(); }

QString LocalPath(const CString& path) {
  QString p = path.q();
  p.replace(QLatin1Char('\\'), QLatin1Char('/'));
  return p;
}
}  // namespace

void SetSoundHandler(std::function<BOOL(const SoundRequest&)> handler) {
  std::lock_guard<std::mutex> lock(g_mutex);
  SoundHandler() = std::move(handler);
}

void SetShellHandler(std::function<BOOL(const ShellRequest&)> handler) {
  std::lock_guard<std::mutex> lock(g_mutex);
  ShellHandler() = std::move(handler);
}

}  // namespace platform

BOOL PlaySound(LPCTSTR pszSound, HMODULE hmod, DWORD fdwSound) {
  platform::SoundRequest request;
  request.sound = platform::TextOf(pszSound);
  request.module = hmod;
  request.flags = fdwSound;
  std::function<BOOL(const platform::SoundRequest&)> handler;
  {
    std::lock_guard<std::mutex> lock(platform::g_mutex);
    handler = platform::SoundHandler();
  }
  if (handler) return handler(request);
  if (pszSound == nullptr) return TRUE;
  if ((fdwSound & SND_RESOURCE) == SND_RESOURCE) return FALSE;
  if (fdwSound & SND_FILENAME) return QFileInfo(platform::LocalPath(request.sound)).isFile() ? TRUE : FALSE;
  return FALSE;
}

BOOL ShellExecuteEx(LPSHELLEXECUTEINFO pExecInfo) {
  if (pExecInfo == nullptr) return FALSE;
  platform::ShellRequest request;
  request.verb = platform::TextOf(pExecInfo->lpVerb);
  request.file = platform::TextOf(pExecInfo->lpFile);
  request.parameters = platform::TextOf(pExecInfo->lpParameters);
  request.directory = platform::TextOf(pExecInfo->lpDirectory);
  request.show = pExecInfo->nShow;
  request.mask = pExecInfo->fMask;
  std::function<BOOL(const platform::ShellRequest&)> handler;
  {
    std::lock_guard<std::mutex> lock(platform::g_mutex);
    handler = platform::ShellHandler();
  }
  BOOL ok = FALSE;
  int error = SE_ERR_FNF;
  if (handler) {
    ok = handler(request);
  } else if (!request.file.IsEmpty() && (request.verb.IsEmpty() || request.verb.CompareNoCase(L"open") == 0)) {
    QString target = platform::LocalPath(request.file);
    QUrl url = QFileInfo(target).exists() ? QUrl::fromLocalFile(QFileInfo(target).absoluteFilePath())
                                          : QUrl::fromUserInput(target);
    ok = url.isValid() && QDesktopServices::openUrl(url) ? TRUE : FALSE;
  } else if (!request.file.IsEmpty()) {
    error = SE_ERR_NOASSOC;
  }
  pExecInfo->hInstApp = reinterpret_cast<HINSTANCE>(static_cast<intptr_t>(ok ? 42 : error));
  return ok;
}
