// The registry's text store: file format, locking, atomic replacement, handles and the Win32 calls.
//
// File format (UTF-8, one line per key section or value):
//   ; winreg text store 1
//   [HKEY_CURRENT_USER\Software\Vendor\App]
//   Name=sz:"text"
//   Count=dword:00000009
//   Big=qword:0000000100000000
//   Blob=hex(3):00ff10
// Names and texts escape '%', '\', '=', '"', '[', ']', ';' and control characters as %XX, and
// UTF-16 units that are not part of a valid pair as %uXXXX; other characters are written as UTF-8.
// A value whose bytes do not fit the sz/dword/qword forms exactly is written as hex(type).
// Keys without values are written only when they have no subkeys (the others are implied).
#include "platform/registry.h"

#include "platform/codepage.h"

#include <QStringList>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

namespace {

constexpr int kRootCount = 4;
const char* const kRootNames[kRootCount] = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE",
                                            "HKEY_USERS"};
const char* const kRootShortNames[kRootCount] = {"HKCR", "HKCU", "HKLM", "HKU"};
const char kHeader[] = "; winreg text store 1";
constexpr size_t kMaxFileSize = 64u * 1024u * 1024u;
constexpr int kMaxKeyNameLength = 255;
constexpr int kMaxValueNameLength = 16383;
constexpr auto kLockTimeout = std::chrono::seconds(10);

// ---------------------------------------------------------------------------------------------
// The store in memory.

struct Value {
  QString name;
  DWORD type = REG_NONE;
  std::string data;
};

struct Key {
  QString name;
  std::vector<Value> values;  // in the order first set
  std::vector<Key> subkeys;   // in name order, ignoring case
};

struct Store {
  Key roots[kRootCount];
};

bool SameName(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

Key* FindChild(Key& key, const QString& name) {
  for (Key& k : key.subkeys)
    if (SameName(k.name, name)) return &k;
  return nullptr;
}

Key& AddChild(Key& key, const QString& name) {
  auto it = key.subkeys.begin();
  while (it != key.subkeys.end() && it->name.compare(name, Qt::CaseInsensitive) < 0) ++it;
  Key child;
  child.name = name;
  return *key.subkeys.insert(it, std::move(child));
}

Key* FindPath(Store& store, int root, const QStringList& path) {
  Key* key = &store.roots[root];
  for (const QString& part : path) {
    key = FindChild(*key, part);
    if (!key) return nullptr;
  }
  return key;
}

// Walks the path, creating what is missing. created tells whether the last key was new.
Key& MakePath(Store& store, int root, const QStringList& path, bool* created) {
  Key* key = &store.roots[root];
  bool isNew = false;
  for (const QString& part : path) {
    Key* child = FindChild(*key, part);
    isNew = child == nullptr;
    key = child ? child : &AddChild(*key, part);
  }
  if (created) *created = isNew;
  return *key;
}

Value* FindValue(Key& key, const QString& name) {
  for (Value& v : key.values)
    if (SameName(v.name, name)) return &v;
  return nullptr;
}

void SetValue(Key& key, const QString& name, DWORD type, std::string data) {
  if (Value* v = FindValue(key, name)) {
    v->type = type;
    v->data = std::move(data);
    return;
  }
  key.values.push_back(Value{name, type, std::move(data)});
}

QStringList CanonicalPath(Store& store, int root, const QStringList& path) {
  QStringList out;
  Key* key = &store.roots[root];
  for (const QString& part : path) {
    key = FindChild(*key, part);
    if (!key) break;
    out << key->name;
  }
  return out;
}

// ---------------------------------------------------------------------------------------------
// Text escaping.

const char kHex[] = "0123456789abcdef";

void AppendUtf8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

void AppendEscaped(std::string& out, const QString& text) {
  const int n = static_cast<int>(text.size());
  for (int i = 0; i < n; ++i) {
    const char16_t c = text.at(i).unicode();
    if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(text.at(i + 1).unicode())) {
      AppendUtf8(out, QChar::surrogateToUcs4(c, text.at(i + 1).unicode()));
      ++i;
    } else if (QChar::isSurrogate(c)) {
      out += "%u";
      for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(c >> shift) & 0xF];
    } else if (c < 0x20 || c == 0x7F || c == '%' || c == '\\' || c == '=' || c == '"' || c == '[' || c == ']' ||
               c == ';') {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 0xF];
    } else {
      AppendUtf8(out, c);
    }
  }
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool ParseHexNumber(std::string_view text, uint64_t& out) {
  out = 0;
  if (text.empty() || text.size() > 16) return false;
  for (char c : text) {
    const int d = HexDigit(c);
    if (d < 0) return false;
    out = (out << 4) | static_cast<uint64_t>(d);
  }
  return true;
}

// Reverses AppendEscaped. Raw control characters and malformed UTF-8 or escapes are errors.
bool Unescape(std::string_view in, QString& out) {
  out.clear();
  size_t i = 0;
  while (i < in.size()) {
    const unsigned char c = static_cast<unsigned char>(in[i]);
    if (c == '%') {
      uint64_t unit = 0;
      if (i + 1 < in.size() && in[i + 1] == 'u') {
        if (!ParseHexNumber(in.substr(i + 2, 4), unit) || i + 6 > in.size()) return false;
        i += 6;
      } else {
        if (i + 3 > in.size() || !ParseHexNumber(in.substr(i + 1, 2), unit)) return false;
        i += 3;
      }
      out += QChar(static_cast<char16_t>(unit));
      continue;
    }
    if (c < 0x20 || c == 0x7F) return false;
    if (c < 0x80) {
      out += QChar(static_cast<char16_t>(c));
      ++i;
      continue;
    }
    int extra = 0;
    uint32_t cp = 0;
    uint32_t minimum = 0;
    if ((c & 0xE0) == 0xC0) {
      extra = 1, cp = c & 0x1F, minimum = 0x80;
    } else if ((c & 0xF0) == 0xE0) {
      extra = 2, cp = c & 0x0F, minimum = 0x800;
    } else if ((c & 0xF8) == 0xF0) {
      extra = 3, cp = c & 0x07, minimum = 0x10000;
    } else {
      return false;
    }
    if (i + extra >= in.size()) return false;
    for (int k = 1; k <= extra; ++k) {
      const unsigned char cc = static_cast<unsigned char>(in[i + k]);
      if ((cc & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (cc & 0x3F);
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    if (cp >= 0x10000) {
      out += QChar(QChar::highSurrogate(cp));
      out += QChar(QChar::lowSurrogate(cp));
    } else {
      out += QChar(static_cast<char16_t>(cp));
    }
    i += 1 + extra;
  }
  return true;
}

std::string TextToUtf16Bytes(const QString& text, bool terminate) {
  std::string out;
  out.reserve((text.size() + 1) * 2);
  for (QChar ch : text) {
    out += static_cast<char>(ch.unicode() & 0xFF);
    out += static_cast<char>(ch.unicode() >> 8);
  }
  if (terminate) out.append(2, '\0');
  return out;
}

// UTF-16LE bytes to text, ending at the first 0 unit; an odd last byte is ignored.
QString Utf16BytesToText(const std::string& bytes) {
  QString out;
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const char16_t unit = static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                                (static_cast<unsigned char>(bytes[i + 1]) << 8));
    if (unit == 0) break;
    out += QChar(unit);
  }
  return out;
}

// True when the bytes are UTF-16LE text with exactly one 0 unit, at the end.
bool IsPlainSz(const std::string& data) {
  if (data.size() < 2 || data.size() % 2 != 0) return false;
  for (size_t i = 0; i + 1 < data.size(); i += 2) {
    const bool zero = data[i] == 0 && data[i + 1] == 0;
    if (zero != (i + 2 == data.size())) return false;
  }
  return true;
}

uint64_t LittleEndian(const std::string& data) {
  uint64_t v = 0;
  for (size_t i = data.size(); i-- > 0;) v = (v << 8) | static_cast<unsigned char>(data[i]);
  return v;
}

std::string ToLittleEndian(uint64_t v, size_t size) {
  std::string out;
  for (size_t i = 0; i < size; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
  return out;
}

// ---------------------------------------------------------------------------------------------
// Parsing and writing the file.

void AppendNumberHex(std::string& out, uint64_t v, int digits) {
  for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4) out += kHex[(v >> shift) & 0xF];
}

void WriteKey(std::string& out, const std::string& path, const Key& key, bool isRoot) {
  if (!key.values.empty() || (!isRoot && key.subkeys.empty())) {
    out += '[';
    out += path;
    out += "]\n";
    for (const Value& v : key.values) {
      AppendEscaped(out, v.name);
      out += '=';
      if (v.type == REG_SZ && IsPlainSz(v.data)) {
        out += "sz:\"";
        AppendEscaped(out, Utf16BytesToText(v.data));
        out += '"';
      } else if (v.type == REG_DWORD && v.data.size() == 4) {
        out += "dword:";
        AppendNumberHex(out, LittleEndian(v.data), 8);
      } else if (v.type == REG_QWORD && v.data.size() == 8) {
        out += "qword:";
        AppendNumberHex(out, LittleEndian(v.data), 16);
      } else {
        out += "hex(" + std::to_string(v.type) + "):";
        for (unsigned char b : v.data) {
          out += kHex[b >> 4];
          out += kHex[b & 0xF];
        }
      }
      out += '\n';
    }
  }
  for (const Key& sub : key.subkeys) {
    std::string subPath = path + '\\';
    AppendEscaped(subPath, sub.name);
    WriteKey(out, subPath, sub, false);
  }
}

std::string Serialize(const Store& store) {
  std::string out = std::string(kHeader) + "\n";
  for (int r = 0; r < kRootCount; ++r) WriteKey(out, kRootNames[r], store.roots[r], true);
  return out;
}

int RootIndex(std::string_view name) {
  for (int r = 0; r < kRootCount; ++r) {
    const QString n = QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
    if (SameName(n, QLatin1String(kRootNames[r])) || SameName(n, QLatin1String(kRootShortNames[r]))) return r;
  }
  return -1;
}

bool ParseValueData(std::string_view text, DWORD& type, std::string& data) {
  auto startsWith = [&](std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; };
  uint64_t number = 0;
  if (startsWith("sz:\"")) {
    if (text.size() < 5 || text.back() != '"') return false;
    QString s;
    if (!Unescape(text.substr(4, text.size() - 5), s)) return false;
    type = REG_SZ;
    data = TextToUtf16Bytes(s, true);
    return true;
  }
  if (startsWith("dword:")) {
    if (text.size() != 6 + 8 || !ParseHexNumber(text.substr(6), number)) return false;
    type = REG_DWORD;
    data = ToLittleEndian(number, 4);
    return true;
  }
  if (startsWith("qword:")) {
    if (text.size() != 6 + 16 || !ParseHexNumber(text.substr(6), number)) return false;
    type = REG_QWORD;
    data = ToLittleEndian(number, 8);
    return true;
  }
  if (startsWith("hex(")) {
    const size_t close = text.find("):");
    if (close == std::string_view::npos || close == 4 || close > 4 + 10) return false;
    uint64_t t = 0;
    for (char c : text.substr(4, close - 4)) {
      if (c < '0' || c > '9') return false;
      t = t * 10 + static_cast<uint64_t>(c - '0');
    }
    if (t > 0xFFFFFFFFu) return false;
    const std::string_view hex = text.substr(close + 2);
    if (hex.size() % 2 != 0) return false;
    data.clear();
    data.reserve(hex.size() / 2);
    for (size_t i = 0; i < hex.size(); i += 2) {
      const int hi = HexDigit(hex[i]);
      const int lo = HexDigit(hex[i + 1]);
      if (hi < 0 || lo < 0) return false;
      data += static_cast<char>((hi << 4) | lo);
    }
    type = static_cast<DWORD>(t);
    return true;
  }
  return false;
}

// Fills store from the file's text; false (with a reason) when the text is not a store.
bool ParseStore(const std::string& text, Store& store, std::string& why) {
  store = Store();
  Key* current = nullptr;
  bool sawHeader = false;
  size_t pos = 0;
  int lineNo = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    std::string_view line(text.data() + pos, end - pos);
    pos = end + 1;
    ++lineNo;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    auto fail = [&](const char* what) {
      why = "line " + std::to_string(lineNo) + ": " + what;
      return false;
    };
    if (!sawHeader) {
      if (line.find_first_not_of(" \t") == std::string_view::npos) continue;
      if (line != kHeader) return fail("not a registry store (unknown header)");
      sawHeader = true;
      continue;
    }
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[') {
      if (line.size() < 2 || line.back() != ']') return fail("unterminated key");
      const std::string_view inner = line.substr(1, line.size() - 2);
      size_t start = 0;
      int root = -1;
      QStringList path;
      while (true) {
        const size_t sep = inner.find('\\', start);
        const std::string_view part = inner.substr(start, sep == std::string_view::npos ? sep : sep - start);
        if (root < 0) {
          root = RootIndex(part);
          if (root < 0) return fail("unknown root key");
        } else {
          QString name;
          if (part.empty() || !Unescape(part, name) || name.size() > kMaxKeyNameLength)
            return fail("bad key name");
          path << name;
        }
        if (sep == std::string_view::npos) break;
        start = sep + 1;
      }
      current = &MakePath(store, root, path, nullptr);
      continue;
    }
    if (!current) return fail("value outside a key");
    const size_t eq = line.find('=');
    if (eq == std::string_view::npos) return fail("value without '='");
    QString name;
    if (!Unescape(line.substr(0, eq), name)) return fail("bad value name");
    DWORD type = REG_NONE;
    std::string data;
    if (!ParseValueData(line.substr(eq + 1), type, data)) return fail("bad value data");
    SetValue(*current, name, type, std::move(data));
  }
  return true;
}

// ---------------------------------------------------------------------------------------------
// The file.

std::mutex g_pathMutex;
bool g_hasPathOverride = false;
std::string g_pathOverride;

std::string HomeFolder() {
  const char* home = std::getenv("HOME");
  if (home && *home) return home;
  struct passwd pw;
  struct passwd* found = nullptr;
  char buffer[4096];
  if (getpwuid_r(getuid(), &pw, buffer, sizeof buffer, &found) == 0 && found && found->pw_dir)
    return found->pw_dir;
  return "/tmp";
}

std::string RegistryFile() {
  {
    std::lock_guard<std::mutex> lock(g_pathMutex);
    if (g_hasPathOverride) return g_pathOverride;
  }
  const char* env = std::getenv("PLATFORM_REGISTRY_FILE");
  if (env && *env) return env;
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  const std::string config = (xdg && xdg[0] == '/') ? std::string(xdg) : HomeFolder() + "/.config";
  return config + "/winreg/registry.txt";
}

enum class FileState { Ok, Missing, Corrupt, Unreadable };

std::mutex g_reportMutex;
std::map<std::string, std::string> g_reported;  // file -> what was last reported about it

void ReportOnce(const std::string& file, const std::string& signature, const std::string& message) {
  std::lock_guard<std::mutex> lock(g_reportMutex);
  auto it = g_reported.find(file);
  if (it != g_reported.end() && it->second == signature) return;
  g_reported[file] = signature;
  std::fprintf(stderr, "registry: %s\n", message.c_str());
  std::fflush(stderr);
}

void ForgetReport(const std::string& file) {
  std::lock_guard<std::mutex> lock(g_reportMutex);
  g_reported.erase(file);
}

// Reads and parses the file. text gets the bytes read (for Ok and Corrupt).
FileState LoadStore(const std::string& file, Store& store, std::string& text) {
  store = Store();
  text.clear();
  // Not blocking: a FIFO in the store's place would hold the opening.
  const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) {
    const int error = errno;
    if (error == ENOENT) {
      ForgetReport(file);
      return FileState::Missing;
    }
    ReportOnce(file, "unreadable:" + std::to_string(error),
               file + " cannot be read (" + std::strerror(error) + "); it reads as empty");
    return FileState::Unreadable;
  }
  struct stat st;
  std::string problem;
  if (fstat(fd, &st) != 0) {
    problem = std::strerror(errno);
  } else if (!S_ISREG(st.st_mode)) {
    problem = "not a regular file";
  } else if (static_cast<uint64_t>(st.st_size) > kMaxFileSize) {
    problem = "larger than " + std::to_string(kMaxFileSize) + " bytes";
  } else {
    char buffer[65536];
    while (true) {
      const ssize_t n = ::read(fd, buffer, sizeof buffer);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        problem = std::strerror(errno);
        break;
      }
      if (n == 0) break;
      text.append(buffer, static_cast<size_t>(n));
      if (text.size() > kMaxFileSize) {
        problem = "larger than " + std::to_string(kMaxFileSize) + " bytes";
        break;
      }
    }
  }
  ::close(fd);
  if (!problem.empty()) {
    text.clear();
    ReportOnce(file, "unreadable:" + problem, file + " cannot be read (" + problem + "); it reads as empty");
    return FileState::Unreadable;
  }
  std::string why;
  if (!ParseStore(text, store, why)) {
    store = Store();
    ReportOnce(file, "corrupt:" + std::to_string(text.size()) + ":" + std::to_string(std::hash<std::string>{}(text)),
               file + " is damaged (" + why + "); it reads as empty until the next change replaces it");
    return FileState::Corrupt;
  }
  ForgetReport(file);
  return FileState::Ok;
}

bool MakeFolders(const std::string& file) {
  const size_t slash = file.rfind('/');
  if (slash == std::string::npos || slash == 0) return true;
  const std::string folder = file.substr(0, slash);
  struct stat st;
  if (::stat(folder.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
  if (!MakeFolders(folder)) return false;
  return ::mkdir(folder.c_str(), 0777) == 0 || errno == EEXIST;
}

// Writes bytes to file whole or not at all: a temporary file beside it, flushed, then renamed.
bool WriteWhole(const std::string& file, const std::string& bytes) {
  static std::atomic<unsigned> counter{0};
  const std::string temp = file + ".tmp." + std::to_string(::getpid()) + "." + std::to_string(++counter);
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  size_t done = 0;
  bool ok = true;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ok = false;
      break;
    }
    done += static_cast<size_t>(n);
  }
  if (ok && ::fsync(fd) != 0) ok = false;
  if (::close(fd) != 0) ok = false;
  if (ok && ::rename(temp.c_str(), file.c_str()) != 0) ok = false;
  if (!ok) {
    const int error = errno;
    ::unlink(temp.c_str());
    errno = error;
  }
  return ok;
}

// Exclusive lock for a read-modify-write: a mutex among this process's threads, then flock on the
// lock file among processes. Gives up after kLockTimeout rather than hang on a stuck holder.
std::timed_mutex g_writeMutex;

class WriteLock {
 public:
  explicit WriteLock(const std::string& lockFile) {
    const auto deadline = std::chrono::steady_clock::now() + kLockTimeout;
    if (!g_writeMutex.try_lock_until(deadline)) return;
    m_haveMutex = true;
    m_fd = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (m_fd < 0) return;
    auto pause = std::chrono::milliseconds(1);
    while (true) {
      if (::flock(m_fd, LOCK_EX | LOCK_NB) == 0) {
        m_locked = true;
        return;
      }
      if (errno == EINTR) continue;
      if (errno != EWOULDBLOCK || std::chrono::steady_clock::now() >= deadline) return;
      std::this_thread::sleep_for(pause);
      if (pause < std::chrono::milliseconds(10)) pause *= 2;
    }
  }
  ~WriteLock() {
    if (m_fd >= 0) ::close(m_fd);  // releases the flock
    if (m_haveMutex) g_writeMutex.unlock();
  }
  WriteLock(const WriteLock&) = delete;
  WriteLock& operator=(const WriteLock&) = delete;
  bool Locked() const { return m_locked; }

 private:
  bool m_haveMutex = false;
  int m_fd = -1;
  bool m_locked = false;
};

// Runs change on the current content under the lock and writes the result when it differs.
LONG Modify(const std::function<LONG(Store&)>& change) {
  const std::string file = RegistryFile();
  if (!MakeFolders(file)) {
    ReportOnce(file, "nofolder", "the folder of " + file + " cannot be created; changes fail");
    return ERROR_ACCESS_DENIED;
  }
  WriteLock lock(file + ".lock");
  if (!lock.Locked()) {
    std::fprintf(stderr, "registry: cannot lock %s.lock; the change is not made\n", file.c_str());
    return ERROR_ACCESS_DENIED;
  }
  Store store;
  std::string before;
  const FileState state = LoadStore(file, store, before);
  if (state == FileState::Unreadable) return ERROR_ACCESS_DENIED;
  const LONG rc = change(store);
  if (rc != ERROR_SUCCESS) return rc;
  const std::string after = Serialize(store);
  if (state == FileState::Ok && after == before) return ERROR_SUCCESS;
  if (state == FileState::Missing && after == Serialize(Store())) return ERROR_SUCCESS;
  if (state == FileState::Corrupt) {
    if (!WriteWhole(file + ".bad", before)) {
      std::fprintf(stderr, "registry: %s is damaged and cannot be saved to %s.bad; the change is not made\n",
                   file.c_str(), file.c_str());
      return ERROR_ACCESS_DENIED;
    }
    std::fprintf(stderr, "registry: %s was damaged and is replaced; its old content is kept in %s.bad\n",
                 file.c_str(), file.c_str());
  }
  if (!WriteWhole(file, after)) {
    std::fprintf(stderr, "registry: cannot write %s (%s); the change is not made\n", file.c_str(),
                 std::strerror(errno));
    return ERROR_ACCESS_DENIED;
  }
  return ERROR_SUCCESS;
}

template <typename F>
LONG Inspect(F&& look) {
  Store store;
  std::string text;
  LoadStore(RegistryFile(), store, text);
  return look(store);
}

// ---------------------------------------------------------------------------------------------
// Handles. An opened key is a number in a table, never a pointer that is followed, so a closed or
// made-up handle is recognised instead of crashing.

struct Handle {
  int root = 0;
  QStringList path;
  REGSAM access = 0;
};

std::mutex g_handleMutex;
std::map<uintptr_t, Handle> g_handles;
uintptr_t g_nextHandle = 0x10000;

REGSAM EffectiveAccess(REGSAM access) {
  const REGSAM kMaximumAllowed = 0x02000000u, kGenericAll = 0x10000000u, kGenericWrite = 0x40000000u,
               kGenericRead = 0x80000000u;
  if (access & (kMaximumAllowed | kGenericAll)) return KEY_ALL_ACCESS;
  if (access & kGenericRead) access |= KEY_READ;
  if (access & kGenericWrite) access |= KEY_WRITE;
  return access;
}

bool Resolve(HKEY key, Handle& out) {
  const uintptr_t id = reinterpret_cast<uintptr_t>(key);
  if (id >= 0x80000000u && id < 0x80000000u + kRootCount) {
    out = Handle{static_cast<int>(id - 0x80000000u), QStringList(), KEY_ALL_ACCESS};
    return true;
  }
  std::lock_guard<std::mutex> lock(g_handleMutex);
  auto it = g_handles.find(id);
  if (it == g_handles.end()) return false;
  out = it->second;
  return true;
}

HKEY NewHandle(int root, const QStringList& path, REGSAM access) {
  std::lock_guard<std::mutex> lock(g_handleMutex);
  const uintptr_t id = g_nextHandle++;
  g_handles[id] = Handle{root, path, EffectiveAccess(access)};
  return reinterpret_cast<HKEY>(id);
}

// Splits "A\B\C" (a single trailing '\' is allowed) into its names.
LONG SplitKeyPath(const CString& subKey, QStringList& out) {
  out.clear();
  QString text = subKey.q();
  if (text.size() > 1 && text.endsWith(QLatin1Char('\\'))) text.chop(1);
  if (text.isEmpty()) return ERROR_SUCCESS;
  out = text.split(QLatin1Char('\\'));
  for (const QString& part : out)
    if (part.isEmpty() || part.size() > kMaxKeyNameLength) return ERROR_INVALID_PARAMETER;
  return ERROR_SUCCESS;
}

// The key of a handle inside a loaded store: null when another holder deleted it.
Key* HandleKey(Store& store, const Handle& h) { return FindPath(store, h.root, h.path); }

LONG CopyOut(const Value& v, DWORD* type, BYTE* data, DWORD* cbData) {
  if (data && !cbData) return ERROR_INVALID_PARAMETER;
  if (type) *type = v.type;
  const DWORD need = static_cast<DWORD>(v.data.size());
  if (data) {
    if (*cbData < need) {
      *cbData = need;
      return ERROR_MORE_DATA;
    }
    if (need) std::memcpy(data, v.data.data(), need);
  }
  if (cbData) *cbData = need;
  return ERROR_SUCCESS;
}

// Resolves root and key path for the convenience calls.
bool ResolvePath(HKEY root, const CString& key, Handle& h) {
  if (!Resolve(root, h)) return false;
  QStringList rel;
  if (SplitKeyPath(key, rel) != ERROR_SUCCESS) return false;
  h.path += rel;
  return true;
}

}  // namespace

// -----------------------------------------------------------------------------------------------
// The Win32 calls.

LONG RegOpenKeyEx(HKEY key, const CString& subKey, DWORD /*options*/, REGSAM access, HKEY* result) {
  if (!result) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  Handle base;
  if (!Resolve(key, base)) return ERROR_INVALID_HANDLE;
  QStringList rel;
  if (const LONG rc = SplitKeyPath(subKey, rel); rc != ERROR_SUCCESS) return rc;
  QStringList canonical;
  const LONG rc = Inspect([&](Store& store) -> LONG {
    if (!HandleKey(store, base)) return ERROR_KEY_DELETED;
    const QStringList full = base.path + rel;
    if (!FindPath(store, base.root, full)) return ERROR_FILE_NOT_FOUND;
    canonical = CanonicalPath(store, base.root, full);
    return ERROR_SUCCESS;
  });
  if (rc == ERROR_SUCCESS) *result = NewHandle(base.root, canonical, access);
  return rc;
}

LONG RegCreateKeyEx(HKEY key, const CString& subKey, DWORD /*reserved*/, const wchar_t* /*keyClass*/,
                    DWORD /*options*/, REGSAM access, void* /*security*/, HKEY* result, DWORD* disposition) {
  if (!result) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  Handle base;
  if (!Resolve(key, base)) return ERROR_INVALID_HANDLE;
  QStringList rel;
  if (const LONG rc = SplitKeyPath(subKey, rel); rc != ERROR_SUCCESS) return rc;
  QStringList canonical;
  bool created = false;
  const LONG rc = Modify([&](Store& store) -> LONG {
    if (!HandleKey(store, base)) return ERROR_KEY_DELETED;
    const QStringList full = base.path + rel;
    if (!FindPath(store, base.root, full)) {
      if (!(base.access & KEY_CREATE_SUB_KEY)) return ERROR_ACCESS_DENIED;
      MakePath(store, base.root, full, &created);
    }
    canonical = CanonicalPath(store, base.root, full);
    return ERROR_SUCCESS;
  });
  if (rc != ERROR_SUCCESS) return rc;
  *result = NewHandle(base.root, canonical, access);
  if (disposition) *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
  return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY key) {
  const uintptr_t id = reinterpret_cast<uintptr_t>(key);
  if (id >= 0x80000000u && id < 0x80000000u + kRootCount) return ERROR_SUCCESS;
  std::lock_guard<std::mutex> lock(g_handleMutex);
  return g_handles.erase(id) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

LONG RegQueryValueEx(HKEY key, const CString& name, DWORD* /*reserved*/, DWORD* type, BYTE* data,
                     DWORD* cbData) {
  Handle h;
  if (!Resolve(key, h)) return ERROR_INVALID_HANDLE;
  if (!(h.access & KEY_QUERY_VALUE)) return ERROR_ACCESS_DENIED;
  if (data && !cbData) return ERROR_INVALID_PARAMETER;
  return Inspect([&](Store& store) -> LONG {
    Key* k = HandleKey(store, h);
    if (!k) return ERROR_KEY_DELETED;
    const Value* v = FindValue(*k, name.q());
    if (!v) return ERROR_FILE_NOT_FOUND;
    return CopyOut(*v, type, data, cbData);
  });
}

LONG RegSetValueEx(HKEY key, const CString& name, DWORD /*reserved*/, DWORD type, const BYTE* data, DWORD cbData) {
  Handle h;
  if (!Resolve(key, h)) return ERROR_INVALID_HANDLE;
  if (!(h.access & KEY_SET_VALUE)) return ERROR_ACCESS_DENIED;
  if ((!data && cbData) || name.GetLength() > kMaxValueNameLength) return ERROR_INVALID_PARAMETER;
  std::string bytes(reinterpret_cast<const char*>(data), data ? cbData : 0);
  return Modify([&](Store& store) -> LONG {
    Key* k = HandleKey(store, h);
    if (!k) return ERROR_KEY_DELETED;
    SetValue(*k, name.q(), type, bytes);
    return ERROR_SUCCESS;
  });
}

LONG RegEnumValue(HKEY key, DWORD index, CString* name, DWORD* type, BYTE* data, DWORD* cbData) {
  Handle h;
  if (!Resolve(key, h)) return ERROR_INVALID_HANDLE;
  if (!(h.access & KEY_QUERY_VALUE)) return ERROR_ACCESS_DENIED;
  if (!name || (data && !cbData)) return ERROR_INVALID_PARAMETER;
  return Inspect([&](Store& store) -> LONG {
    Key* k = HandleKey(store, h);
    if (!k) return ERROR_KEY_DELETED;
    if (index >= k->values.size()) return ERROR_NO_MORE_ITEMS;
    const Value& v = k->values[index];
    *name = CString(v.name);
    return CopyOut(v, type, data, cbData);
  });
}

LONG RegEnumKeyEx(HKEY key, DWORD index, CString* name) {
  Handle h;
  if (!Resolve(key, h)) return ERROR_INVALID_HANDLE;
  if (!(h.access & KEY_ENUMERATE_SUB_KEYS)) return ERROR_ACCESS_DENIED;
  if (!name) return ERROR_INVALID_PARAMETER;
  return Inspect([&](Store& store) -> LONG {
    Key* k = HandleKey(store, h);
    if (!k) return ERROR_KEY_DELETED;
    if (index >= k->subkeys.size()) return ERROR_NO_MORE_ITEMS;
    *name = CString(k->subkeys[index].name);
    return ERROR_SUCCESS;
  });
}

LONG RegDeleteValue(HKEY key, const CString& name) {
  Handle h;
  if (!Resolve(key, h)) return ERROR_INVALID_HANDLE;
  if (!(h.access & KEY_SET_VALUE)) return ERROR_ACCESS_DENIED;
  return Modify([&](Store& store) -> LONG {
    Key* k = HandleKey(store, h);
    if (!k) return ERROR_KEY_DELETED;
    for (auto it = k->values.begin(); it != k->values.end(); ++it) {
      if (SameName(it->name, name.q())) {
        k->values.erase(it);
        return ERROR_SUCCESS;
      }
    }
    return ERROR_FILE_NOT_FOUND;
  });
}

LONG RegDeleteKey(HKEY key, const CString& subKey) {
  Handle h;
  if (!Resolve(key, h)) return ERROR_INVALID_HANDLE;
  QStringList rel;
  if (const LONG rc = SplitKeyPath(subKey, rel); rc != ERROR_SUCCESS) return rc;
  const QStringList full = h.path + rel;
  if (full.isEmpty()) return ERROR_ACCESS_DENIED;
  return Modify([&](Store& store) -> LONG {
    if (!HandleKey(store, h)) return ERROR_KEY_DELETED;
    Key* parent = FindPath(store, h.root, full.mid(0, full.size() - 1));
    Key* target = FindPath(store, h.root, full);
    if (!parent || !target) return ERROR_FILE_NOT_FOUND;
    if (!target->subkeys.empty()) return ERROR_ACCESS_DENIED;
    for (auto it = parent->subkeys.begin(); it != parent->subkeys.end(); ++it) {
      if (&*it == target) {
        parent->subkeys.erase(it);
        break;
      }
    }
    return ERROR_SUCCESS;
  });
}

// -----------------------------------------------------------------------------------------------

namespace platform {

CString GetRegistryPath() { return CString(QString::fromUtf8(RegistryFile())); }

void SetRegistryPath(const CString& path) {
  std::lock_guard<std::mutex> lock(g_pathMutex);
  g_hasPathOverride = !path.q().isEmpty();
  g_pathOverride = path.q().toStdString();
}

namespace reg {

namespace {
// Looks up one value in a single read of the store.
bool ReadValue(HKEY root, const CString& key, const CString& name, DWORD& type, std::string& data) {
  Handle h;
  if (!ResolvePath(root, key, h)) return false;
  return Inspect([&](Store& store) -> LONG {
           Key* k = HandleKey(store, h);
           const Value* v = k ? FindValue(*k, name.q()) : nullptr;
           if (!v) return ERROR_FILE_NOT_FOUND;
           type = v->type;
           data = v->data;
           return ERROR_SUCCESS;
         }) == ERROR_SUCCESS;
}

bool WriteValue(HKEY root, const CString& key, const CString& name, DWORD type, const std::string& data) {
  Handle base;
  QStringList rel;
  if (!Resolve(root, base) || SplitKeyPath(key, rel) != ERROR_SUCCESS || name.GetLength() > kMaxValueNameLength)
    return false;
  return Modify([&](Store& store) -> LONG {
           if (!HandleKey(store, base)) return ERROR_KEY_DELETED;
           SetValue(MakePath(store, base.root, base.path + rel, nullptr), name.q(), type, data);
           return ERROR_SUCCESS;
         }) == ERROR_SUCCESS;
}
}  // namespace

bool GetDword(HKEY root, const CString& key, const CString& name, DWORD& out) {
  DWORD type = 0;
  std::string data;
  if (!ReadValue(root, key, name, type, data) || type != REG_DWORD || data.size() != 4) return false;
  out = static_cast<DWORD>(LittleEndian(data));
  return true;
}

bool SetDword(HKEY root, const CString& key, const CString& name, DWORD value) {
  return WriteValue(root, key, name, REG_DWORD, ToLittleEndian(value, 4));
}

bool GetString(HKEY root, const CString& key, const CString& name, CString& out) {
  DWORD type = 0;
  std::string data;
  if (!ReadValue(root, key, name, type, data) || (type != REG_SZ && type != REG_EXPAND_SZ)) return false;
  out = CString(Utf16BytesToText(data));
  return true;
}

bool SetString(HKEY root, const CString& key, const CString& name, const CString& value) {
  return WriteValue(root, key, name, REG_SZ, TextToUtf16Bytes(value.q(), true));
}

bool DeleteValue(HKEY root, const CString& key, const CString& name) {
  Handle h;
  if (!ResolvePath(root, key, h)) return false;
  return Modify([&](Store& store) -> LONG {
           Key* k = HandleKey(store, h);
           if (!k) return ERROR_FILE_NOT_FOUND;
           for (auto it = k->values.begin(); it != k->values.end(); ++it) {
             if (SameName(it->name, name.q())) {
               k->values.erase(it);
               return ERROR_SUCCESS;
             }
           }
           return ERROR_FILE_NOT_FOUND;
         }) == ERROR_SUCCESS;
}

std::vector<std::pair<CString, CString>> EnumStrings(HKEY root, const CString& key) {
  std::vector<std::pair<CString, CString>> out;
  Handle h;
  if (!ResolvePath(root, key, h)) return out;
  Inspect([&](Store& store) -> LONG {
    if (Key* k = HandleKey(store, h)) {
      for (const Value& v : k->values)
        if (v.type == REG_SZ || v.type == REG_EXPAND_SZ)
          out.emplace_back(CString(v.name), CString(Utf16BytesToText(v.data)));
    }
    return ERROR_SUCCESS;
  });
  return out;
}

}  // namespace reg
}  // namespace platform

namespace platform {
namespace reg {
CString TextOfBytes(const BYTE* data, DWORD size) {
  if (data == nullptr) return CString();
  size_t units = size / 2;
  for (size_t i = 0; i < units; ++i) {
    if (data[2 * i] == 0 && data[2 * i + 1] == 0) {
      units = i;
      break;
    }
  }
  return BytesToText(CP_UTF16LE, std::string_view(reinterpret_cast<const char*>(data), units * 2));
}
}  // namespace reg
}  // namespace platform
