// CStdioFileUtf8 on the C library's streams (reading) and the layer's whole-file writes.
#include "gui/dlg/stdiofileutf8.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <cwchar>

#include "platform/codepage.h"
#include "platform/files.h"

namespace {

const char kBom[] = "\xEF\xBB\xBF";

bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// The length of the sequence a lead byte starts (0 for bytes that start none).
size_t SequenceLength(unsigned char c) {
  if (c >= 0xC2 && c <= 0xDF) return 2;
  if (c >= 0xE0 && c <= 0xEF) return 3;
  if (c >= 0xF0 && c <= 0xF4) return 4;
  return 0;
}

// How many bytes at the end form the beginning of a character whose rest has not been read.
size_t IncompleteTail(const std::string& bytes) {
  const size_t size = bytes.size();
  for (size_t back = 1; back <= 3 && back <= size; ++back) {
    const auto c = static_cast<unsigned char>(bytes[size - back]);
    if (IsContinuation(c)) continue;
    const size_t length = SequenceLength(c);
    return length > back ? back : 0;
  }
  return 0;
}

// The folder part of a path ("." when it has none).
std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

CStdioFileUtf8::CStdioFileUtf8() = default;

CStdioFileUtf8::~CStdioFileUtf8() { Close(); }

BOOL CStdioFileUtf8::Fail(int error) {
  m_error = error;
  return FALSE;
}

BOOL CStdioFileUtf8::IsOpen() const { return m_open; }

BOOL CStdioFileUtf8::Open(const CString& path, UINT openFlags) {
  Close();
  m_error = 0;
  const std::string bytes = path.ToUtf8();
  if (bytes.empty()) return Fail(ENOENT);
  const UINT access = openFlags & 0x3u;
  if (access == 0x3u) return Fail(EINVAL);

  if (access == modeRead) {
    // Non-blocking open: a FIFO never stalls here; only regular files are read.
    const int fd = open(bytes.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return Fail(errno);
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > platform::kMaxWholeFileBytes) {
      const int error = S_ISDIR(st.st_mode) ? EISDIR : S_ISREG(st.st_mode) ? EFBIG : EINVAL;
      close(fd);
      return Fail(error);
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    m_file = fdopen(fd, "rb");
    if (m_file == nullptr) {
      const int error = errno;
      close(fd);
      return Fail(error);
    }
  } else {
    struct stat st {};
    const bool exists = stat(bytes.c_str(), &st) == 0;
    if (exists && S_ISDIR(st.st_mode)) return Fail(EISDIR);
    if (exists && !S_ISREG(st.st_mode)) return Fail(EINVAL);
    if (!exists && (openFlags & modeCreate) == 0) return Fail(ENOENT);
    const std::string folder = FolderOf(bytes);
    struct stat folderSt {};
    if (stat(folder.c_str(), &folderSt) != 0) return Fail(errno);
    if (!S_ISDIR(folderSt.st_mode)) return Fail(ENOTDIR);
    if (::access(folder.c_str(), W_OK) != 0 || (exists && ::access(bytes.c_str(), W_OK) != 0)) return Fail(EACCES);

    m_data.clear();
    const bool truncate = (openFlags & modeCreate) != 0 && (openFlags & modeNoTruncate) == 0;
    if (exists && !truncate && !platform::ReadWholeFile(path, m_data)) return Fail(errno != 0 ? errno : EIO);
    // Creating a file, or emptying one, is a change even when nothing is written afterwards.
    m_changed = !exists || (truncate && st.st_size != 0);
    m_writable = true;
  }
  m_path = path;
  m_pos = 0;
  m_open = true;
  return TRUE;
}

BOOL CStdioFileUtf8::Close() {
  if (!m_open) return TRUE;
  BOOL ok = TRUE;
  if (m_file != nullptr) {
    fclose(m_file);
    m_file = nullptr;
  }
  if (m_writable && m_changed && !platform::WriteWholeFile(m_path, m_data)) {
    m_error = errno != 0 ? errno : EIO;
    ok = FALSE;
  }
  m_writable = false;
  m_changed = false;
  m_open = false;
  m_data.clear();
  m_data.shrink_to_fit();
  m_pos = 0;
  return ok;
}

void CStdioFileUtf8::Abort() {
  m_changed = false;
  Close();
}

int CStdioFileUtf8::NextByte() {
  if (m_file != nullptr) {
    errno = 0;
    const int c = getc(m_file);
    if (c == EOF && ferror(m_file)) {
      m_error = errno != 0 ? errno : EIO;
      m_readError = true;
      clearerr(m_file);
    }
    return c;
  }
  if (!m_writable || m_pos >= m_data.size()) return EOF;
  return static_cast<unsigned char>(m_data[m_pos++]);
}

void CStdioFileUtf8::StepBack(size_t count) {
  if (count == 0) return;
  if (m_file != nullptr) {
    fseeko(m_file, -static_cast<off_t>(count), SEEK_CUR);
  } else {
    m_pos -= count;
  }
}

BOOL CStdioFileUtf8::ReadString(CString& line) {
  m_readError = false;
  std::string bytes;
  bool any = false;
  for (int c; (c = NextByte()) != EOF;) {
    any = true;
    if (c == '\n') break;
    bytes.push_back(static_cast<char>(c));
  }
  if (!any || m_readError) return FALSE;
  line = platform::BytesToText(CP_UTF8, bytes);
  return TRUE;
}

LPTSTR CStdioFileUtf8::ReadString(LPTSTR buffer, UINT nMax) {
  m_readError = false;
  if (buffer == nullptr || nMax < 2) {
    m_error = EINVAL;
    return nullptr;
  }
  const size_t limit = nMax - 1;
  std::string bytes;
  bool ended = false;  // at a line feed or the end of the file
  while (bytes.size() < limit) {
    const int c = NextByte();
    if (c == EOF) {
      ended = true;
      break;
    }
    bytes.push_back(static_cast<char>(c));
    if (c == '\n') {
      ended = true;
      break;
    }
  }
  if (bytes.empty() || m_readError) return nullptr;
  if (!ended) {
    const size_t tail = IncompleteTail(bytes);
    if (tail < bytes.size()) {
      bytes.resize(bytes.size() - tail);
      StepBack(tail);
    } else {
      // The limit leaves room for only this one character: read the rest of it.
      const size_t length = SequenceLength(static_cast<unsigned char>(bytes[0]));
      while (bytes.size() < length) {
        const int c = NextByte();
        if (c == EOF) break;
        if (!IsContinuation(static_cast<unsigned char>(c))) {
          StepBack(1);
          break;
        }
        bytes.push_back(static_cast<char>(c));
      }
    }
  }
  if (m_readError) return nullptr;
  const std::wstring text = platform::BytesToText(CP_UTF8, bytes).ToWString();
  const size_t count = std::min(text.size(), static_cast<size_t>(nMax - 1));
  std::wmemcpy(buffer, text.data(), count);
  buffer[count] = L'\0';
  return buffer;
}

BOOL CStdioFileUtf8::WriteString(const CString& text) {
  if (!m_open || !m_writable) return Fail(EBADF);
  const std::string bytes = platform::TextToBytes(CP_UTF8, text);
  if (m_pos > m_data.size()) m_data.resize(m_pos, '\0');
  m_data.replace(m_pos, std::min(bytes.size(), m_data.size() - m_pos), bytes);
  m_pos += bytes.size();
  if (!bytes.empty()) m_changed = true;
  return TRUE;
}

BOOL CStdioFileUtf8::SkipBom() {
  if (!m_open) return Fail(EBADF);
  SeekToBegin();
  char head[3] = {0, 0, 0};
  int got = 0;
  for (; got < 3; ++got) {
    const int c = NextByte();
    if (c == EOF) break;
    head[got] = static_cast<char>(c);
  }
  if (got == 3 && std::memcmp(head, kBom, 3) == 0) return TRUE;
  SeekToBegin();
  return FALSE;
}

BOOL CStdioFileUtf8::WriteBom() {
  if (!m_open || !m_writable) return Fail(EBADF);
  if (m_data.compare(0, 3, kBom) != 0) {
    m_data.insert(0, kBom, 3);
    m_changed = true;
  }
  m_pos = 3;
  return TRUE;
}

ULONGLONG CStdioFileUtf8::Seek(LONGLONG offset, UINT from) {
  const ULONGLONG failed = static_cast<ULONGLONG>(-1);
  if (!m_open) return failed;
  LONGLONG base = 0;
  if (from == current) base = static_cast<LONGLONG>(GetPosition());
  else if (from == end) base = static_cast<LONGLONG>(GetLength());
  else if (from != begin) return failed;
  const LONGLONG target = base + offset;
  if (target < 0) return failed;
  if (m_file != nullptr) {
    if (fseeko(m_file, static_cast<off_t>(target), SEEK_SET) != 0) return failed;
    clearerr(m_file);
  } else {
    m_pos = static_cast<size_t>(target);
  }
  return static_cast<ULONGLONG>(target);
}

ULONGLONG CStdioFileUtf8::GetPosition() const {
  if (m_file != nullptr) {
    const off_t at = ftello(m_file);
    return at < 0 ? 0 : static_cast<ULONGLONG>(at);
  }
  return m_pos;
}

ULONGLONG CStdioFileUtf8::GetLength() const {
  if (m_file != nullptr) {
    struct stat st {};
    return fstat(fileno(m_file), &st) == 0 ? static_cast<ULONGLONG>(st.st_size) : 0;
  }
  return m_data.size();
}
