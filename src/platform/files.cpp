// File and folder helpers over POSIX calls.
#include "platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <functional>

#include <QString>

namespace platform {
namespace {

std::string Bytes(const CString& path) { return path.ToUtf8(); }

// Folder and last component of a path ("" for the folder when there is no '/').
void SplitLast(const CString& path, CString& folder, CString& last) {
  const int slash = path.ReverseFind(L'/');
  if (slash < 0) {
    folder = CString();
    last = path;
  } else {
    folder = path.Left(slash == 0 ? 1 : slash);
    last = path.Mid(slash + 1);
  }
}

bool HasWildcards(const CString& text) { return text.FindOneOf(CString(L"*?")) >= 0; }

// '*' matches any run of units, '?' exactly one; both sides are already case-folded.
bool WildMatch(const QString& pattern, const QString& name) {
  int p = 0, n = 0, starP = -1, starN = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == QLatin1Char('?') || pattern[p] == name[n])) {
      ++p;
      ++n;
    } else if (p < pattern.size() && pattern[p] == QLatin1Char('*')) {
      starP = p++;
      starN = n;
    } else if (starP >= 0) {
      p = starP + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == QLatin1Char('*')) ++p;
  return p == pattern.size();
}

// The names in a folder matching a wildcard pattern, sorted.
std::vector<CString> MatchNames(const CString& folder, const CString& pattern) {
  std::vector<CString> names;
  const std::string dirPath = folder.IsEmpty() ? std::string(".") : Bytes(folder);
  DIR* dir = opendir(dirPath.c_str());
  if (!dir) return names;
  QString folded = pattern.q().toCaseFolded();
  if (folded == QStringLiteral("*.*")) folded = QStringLiteral("*");
  while (dirent* entry = readdir(dir)) {
    const std::string raw = entry->d_name;
    if (raw == "." || raw == "..") continue;
    const CString name = CString::FromUtf8(raw);
    if (WildMatch(folded, name.q().toCaseFolded())) names.push_back(name);
  }
  closedir(dir);
  std::sort(names.begin(), names.end());
  return names;
}

bool WriteAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

mode_t ProcessUmask() {
  // /proc gives the mask without changing it (umask() would, for every thread).
  FILE* status = fopen("/proc/self/status", "re");
  mode_t mask = 022;
  if (!status) return mask;
  char line[256];
  while (fgets(line, sizeof line, status)) {
    unsigned value = 0;
    if (sscanf(line, "Umask: %o", &value) == 1) {
      mask = static_cast<mode_t>(value);
      break;
    }
  }
  fclose(status);
  return mask;
}

// Moves tmp to target unless target exists (atomically where the file system allows).
bool PlaceNoReplace(const std::string& tmp, const std::string& target) {
  if (renameat2(AT_FDCWD, tmp.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return false;
  if (link(tmp.c_str(), target.c_str()) == 0) {
    unlink(tmp.c_str());
    return true;
  }
  if (errno == EEXIST) return false;
  struct stat st {};
  if (lstat(target.c_str(), &st) == 0) return false;
  return rename(tmp.c_str(), target.c_str()) == 0;
}

void SyncFolder(const std::string& folder) {
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

// Writes a file whole or not at all; fill writes the content into the temporary file.
bool AtomicWrite(const CString& path, const std::function<bool(int fd)>& fill, bool haveMode,
                 mode_t mode, bool noReplace) {
  std::string target = Bytes(path);
  if (target.empty()) return false;
  struct stat st {};
  if (lstat(target.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
    if (char* real = realpath(target.c_str(), nullptr)) {
      target = real;
      free(real);
    }
  }
  const bool exists = stat(target.c_str(), &st) == 0;
  if (exists && S_ISDIR(st.st_mode)) return false;
  if (exists && noReplace) return false;
  if (!haveMode) mode = exists ? (st.st_mode & 07777) : (0666 & ~ProcessUmask());

  const size_t slash = target.rfind('/');
  const std::string folder =
      slash == std::string::npos ? std::string(".") : (slash == 0 ? std::string("/") : target.substr(0, slash));
  std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
  if (base.empty()) return false;
  if (base.size() > 200) base.resize(200);
  std::string tmp = folder + "/." + base + ".XXXXXX";
  const int fd = mkostemp(&tmp[0], O_CLOEXEC);
  if (fd < 0) return false;

  bool ok = fchmod(fd, mode) == 0 && fill(fd) && fsync(fd) == 0;
  if (close(fd) != 0) ok = false;
  if (ok) ok = noReplace ? PlaceNoReplace(tmp, target) : rename(tmp.c_str(), target.c_str()) == 0;
  if (!ok) {
    unlink(tmp.c_str());
    return false;
  }
  SyncFolder(folder);
  return true;
}

bool CopyInto(int from, int to) {
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(from, buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) return true;
    if (!WriteAll(to, buffer, static_cast<size_t>(n))) return false;
  }
}

bool IsRegularFile(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace

bool FileExists(const CString& pathOrPattern) {
  if (pathOrPattern.IsEmpty()) return false;
  CString folder, last;
  SplitLast(pathOrPattern, folder, last);
  if (HasWildcards(last)) return !MatchNames(folder, last).empty();
  struct stat st {};
  return stat(Bytes(pathOrPattern).c_str(), &st) == 0;
}

std::vector<CString> FindFiles(const CString& pattern) {
  std::vector<CString> result;
  if (pattern.IsEmpty()) return result;
  CString folder, last;
  SplitLast(pattern, folder, last);
  if (!HasWildcards(last)) {
    if (FileExists(pattern)) result.push_back(pattern);
    return result;
  }
  for (const CString& name : MatchNames(folder, last)) result.push_back(JoinPath(folder, name));
  return result;
}

bool CreateFolder(const CString& path) {
  const std::string p = Bytes(path);
  if (p.empty()) return false;
  if (mkdir(p.c_str(), 0777) == 0) return true;
  struct stat st {};
  return errno == EEXIST && stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool DeleteFile(const CString& path) {
  const std::string p = Bytes(path);
  struct stat st {};
  if (p.empty() || lstat(p.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return false;
  return unlink(p.c_str()) == 0;
}

// Opens path for reading without blocking (a FIFO without a writer would hold the opening) and
// keeps it only when it is a regular file of at most maxBytes; -1 with errno set otherwise.
static int OpenRegularFd(const CString& path, long long maxBytes, long long* size) {
  const std::string p = Bytes(path);
  if (p.empty()) {
    errno = ENOENT;
    return -1;
  }
  const int fd = open(p.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return -1;
  struct stat st {};
  int refusal = 0;
  if (fstat(fd, &st) != 0) {
    refusal = errno;
  } else if (S_ISDIR(st.st_mode)) {
    refusal = EISDIR;
  } else if (!S_ISREG(st.st_mode)) {
    refusal = EINVAL;
  } else if (st.st_size > maxBytes) {
    refusal = EFBIG;
  }
  if (refusal != 0) {
    close(fd);
    errno = refusal;
    return -1;
  }
  // Reads of a regular file do not block anyway; the flag goes for those who look at it.
  const int flags = fcntl(fd, F_GETFL);
  if (flags >= 0) fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  if (size != nullptr) *size = static_cast<long long>(st.st_size);
  return fd;
}

bool ReadWholeFile(const CString& path, std::string& bytes, long long maxBytes) {
  bytes.clear();
  long long size = 0;
  const int fd = OpenRegularFd(path, maxBytes, &size);
  if (fd < 0) return false;
  if (size > 0) bytes.reserve(static_cast<size_t>(size));
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      const int error = errno;
      close(fd);
      bytes.clear();
      errno = error;
      return false;
    }
    if (n == 0) break;
    // A file that grows while it is read is held to the same limit.
    if (static_cast<long long>(bytes.size()) + n > maxBytes) {
      close(fd);
      bytes.clear();
      errno = EFBIG;
      return false;
    }
    bytes.append(buffer, static_cast<size_t>(n));
  }
  close(fd);
  return true;
}

std::FILE* OpenRegularFile(const CString& path, long long maxBytes) {
  const int fd = OpenRegularFd(path, maxBytes, nullptr);
  if (fd < 0) return nullptr;
  std::FILE* file = fdopen(fd, "rb");
  if (file == nullptr) {
    const int error = errno;
    close(fd);
    errno = error;
  }
  return file;
}

bool WriteWholeFile(const CString& path, std::string_view bytes) {
  return AtomicWrite(
      path, [bytes](int fd) { return WriteAll(fd, bytes.data(), bytes.size()); }, false, 0, false);
}

bool CopyFileTo(const CString& from, const CString& to, bool failIfExists) {
  const std::string source = Bytes(from);
  if (source.empty()) return false;
  const int in = open(source.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return false;
  struct stat st {};
  if (fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(in);
    return false;
  }
  const bool ok = AtomicWrite(
      to, [in](int out) { return CopyInto(in, out); }, true, st.st_mode & 07777, failIfExists);
  close(in);
  return ok;
}

bool RenameFile(const CString& from, const CString& to, bool replace) {
  const std::string a = Bytes(from);
  const std::string b = Bytes(to);
  struct stat st {};
  if (a.empty() || b.empty() || lstat(a.c_str(), &st) != 0) return false;
  bool moved;
  if (replace) {
    moved = rename(a.c_str(), b.c_str()) == 0;
  } else if (renameat2(AT_FDCWD, a.c_str(), AT_FDCWD, b.c_str(), RENAME_NOREPLACE) == 0) {
    moved = true;
  } else if (errno == EINVAL || errno == ENOSYS || errno == ENOTSUP) {
    struct stat existing {};
    moved = lstat(b.c_str(), &existing) != 0 && rename(a.c_str(), b.c_str()) == 0;
  } else {
    moved = false;
  }
  if (moved) return true;
  if (errno != EXDEV || !IsRegularFile(a)) return false;
  // Another file system: copy, then remove the original only once the copy is in place.
  if (!CopyFileTo(from, to, !replace)) return false;
  return unlink(a.c_str()) == 0;
}

long long FileSize(const CString& path) {
  struct stat st {};
  if (stat(Bytes(path).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
  return static_cast<long long>(st.st_size);
}

CString GetProgramPath() {
  std::string buffer(256, '\0');
  for (;;) {
    const ssize_t n = readlink("/proc/self/exe", &buffer[0], buffer.size());
    if (n < 0) return CString();
    if (static_cast<size_t>(n) < buffer.size()) {
      buffer.resize(static_cast<size_t>(n));
      return CString::FromUtf8(buffer);
    }
    buffer.resize(buffer.size() * 2);
  }
}

CString GetProgramFolder() {
  const CString path = GetProgramPath();
  const int slash = path.ReverseFind(L'/');
  if (slash < 0) return CString();
  return slash == 0 ? CString(L"/") : path.Left(slash);
}

CString GetCurrentFolder() {
  char* cwd = getcwd(nullptr, 0);
  if (!cwd) return CString();
  CString result = CString::FromUtf8(cwd);
  free(cwd);
  return result;
}

bool SetCurrentFolder(const CString& path) {
  const std::string p = Bytes(path);
  return !p.empty() && chdir(p.c_str()) == 0;
}

CString JoinPath(const CString& folder, const CString& name) {
  if (folder.IsEmpty()) return name;
  if (name.IsEmpty()) return folder;
  if (name.GetAt(0) == L'/') return name;
  if (folder.GetAt(folder.GetLength() - 1) == L'/') return folder + name;
  return folder + L"/" + name;
}

CString NativePath(const CString& path) {
  CString result(path);
  result.Replace(L'\\', L'/');
  return result;
}

}  // namespace platform
