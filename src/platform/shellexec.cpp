// PlaySound and ShellExecuteEx over the desktop services, with replaceable handlers.
#include "platform/shellexec.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>
#include <mutex>
#include <string>
#include <thread>

#include "platform/codepage.h"
#include "platform/winerror.h"

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

namespace platform {
namespace {
std::function<UINT(const std::vector<CString>&)>& ProgramHandler() {
  static std::function<UINT(const std::vector<CString>&)> handler;
  return handler;
}
}  // namespace

void SetProgramHandler(std::function<UINT(const std::vector<CString>&)> handler) {
  std::lock_guard<std::mutex> lock(g_mutex);
  ProgramHandler() = std::move(handler);
}
}  // namespace platform

std::vector<CString> SplitCommandLine(const CString& commandLine) {
  std::vector<CString> args;
  CString current;
  bool inQuotes = false, started = false;
  for (int i = 0; i < commandLine.GetLength(); ++i) {
    const wchar_t c = commandLine[i];
    if (c == L'"') {
      inQuotes = !inQuotes;
      started = true;
    } else if ((c == L' ' || c == L'\t') && !inQuotes) {
      if (started) args.push_back(current);
      current.Empty();
      started = false;
    } else {
      current += c;
      started = true;
    }
  }
  if (started) args.push_back(current);
  return args;
}

UINT StartProgram(const std::vector<CString>& argv, int /*nShow*/) {
  std::function<UINT(const std::vector<CString>&)> handler;
  {
    std::lock_guard<std::mutex> lock(platform::g_mutex);
    handler = platform::ProgramHandler();
  }
  if (handler) return handler(argv);
  if (argv.empty() || argv[0].IsEmpty()) return ERROR_FILE_NOT_FOUND;
  std::vector<std::string> bytes;
  for (const CString& a : argv) bytes.push_back(platform::TextToBytes(CP_UTF8, a));
  std::vector<char*> raw;
  for (std::string& b : bytes) raw.push_back(b.data());
  raw.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawnp(&pid, raw[0], nullptr, nullptr, raw.data(), environ) != 0) return ERROR_FILE_NOT_FOUND;
  // The program runs on its own; its end is collected so that it leaves no zombie behind.
  std::thread([pid] {
    int status = 0;
    waitpid(pid, &status, 0);
  }).detach();
  return 33;
}
