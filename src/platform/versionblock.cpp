// Finding, checking and querying version blocks.
#include "platform/versionblock.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

// The running program's block accessor, defined by PLATFORM_VERSION_BLOCK when it has a block.
extern "C" const unsigned char* platform_version_block(unsigned long* size) __attribute__((weak));

namespace {

using namespace platform::versionblock;

// Read at run time, so that the compiler never folds the plain marker into a constant of this code.
volatile uint8_t g_markerMask = kMarkerMask;

std::array<uint8_t, kMarkerSize> Marker() {
  std::array<uint8_t, kMarkerSize> marker{};
  const uint8_t mask = g_markerMask;
  for (size_t i = 0; i < kMarkerSize; ++i) marker[i] = static_cast<uint8_t>(kMaskedMarker[i] ^ mask);
  return marker;
}

// The size of the valid block at p (with `available` bytes readable from p), else 0.
size_t ValidBlockSize(const uint8_t* p, size_t available) {
  if (p == nullptr || available < kTextsOffset) return 0;
  const auto marker = Marker();
  if (std::memcmp(p, marker.data(), kMarkerSize) != 0) return 0;
  const size_t size = Get32(p, kSizeOffset);
  if (size < kTextsOffset || size > kMaxSize || size % 4 != 0 || size > available) return 0;
  if (Get32(p, kChecksumOffset) != Checksum(p + kChecksumStart, size - kChecksumStart)) return 0;
  if (Get16(p, kFormatOffset) != kFormatVersion) return 0;
  if (Get32(p, kFixedOffset) != kFixedSignature) return 0;
  size_t at = kTextsOffset;
  for (uint32_t i = 0, count = Get16(p, kCountOffset); i < count; ++i) {
    if (at + 4 > size) return 0;
    const size_t keyUnits = Get16(p, at);
    const size_t valueUnits = Get16(p, at + 2);
    if (keyUnits == 0 || valueUnits == 0) return 0;
    const size_t end = at + 4 + 2 * (keyUnits + valueUnits);
    if (end > size) return 0;
    const size_t keyEnd = at + 4 + 2 * keyUnits;
    if (Get16(p, keyEnd - 2) != 0 || Get16(p, end - 2) != 0) return 0;
    at = end;
  }
  if (size - at > 3) return 0;  // only the padding may follow the texts
  return size;
}

class Fd {
 public:
  explicit Fd(int fd) : m_fd(fd) {}
  ~Fd() {
    if (m_fd >= 0) close(m_fd);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return m_fd; }

 private:
  int m_fd;
};

// Reads up to size bytes at offset (fewer at the end of the file); -1 on error.
ssize_t ReadAt(int fd, uint8_t* out, size_t size, off_t offset) {
  size_t done = 0;
  while (done < size) {
    const ssize_t n = pread(fd, out + done, size - done, offset + static_cast<off_t>(done));
    if (n < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  return static_cast<ssize_t>(done);
}

// The first valid block of the file: its offset and bytes.
bool Locate(const CString& path, long long* offset, std::vector<uint8_t>* block) {
  const std::string p = path.ToUtf8();
  if (p.empty()) return false;
  // Non-blocking open: a FIFO never stalls the caller; only regular files are read.
  Fd fd(open(p.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (fd.get() < 0) return false;
  struct stat st {};
  if (fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  // The running program's own file (it cannot change while it runs): its block is the one built
  // into it, without reading the file through.
  struct stat self {};
  if (offset == nullptr && stat("/proc/self/exe", &self) == 0 && self.st_dev == st.st_dev && self.st_ino == st.st_ino) {
    DWORD size = 0;
    if (const void* embedded = platform::EmbeddedVersionBlock(&size)) {
      if (block != nullptr) {
        const auto* bytes = static_cast<const uint8_t*>(embedded);
        block->assign(bytes, bytes + size);
      }
      return true;
    }
  }

  const auto marker = Marker();
  constexpr size_t kChunk = 1 << 20;
  std::vector<uint8_t> buffer(kChunk + kMarkerSize);
  std::vector<uint8_t> candidate(kMaxSize);
  size_t carried = 0;     // bytes kept from the previous chunk (a marker may straddle chunks)
  off_t bufferStart = 0;  // file offset of buffer[0]
  for (;;) {
    const ssize_t n = ReadAt(fd.get(), buffer.data() + carried, kChunk, bufferStart + static_cast<off_t>(carried));
    if (n <= 0) return false;
    const size_t filled = carried + static_cast<size_t>(n);
    const uint8_t* const begin = buffer.data();
    const uint8_t* const end = begin + filled;
    for (const uint8_t* hit = begin; hit < end; ++hit) {
      hit = static_cast<const uint8_t*>(memmem(hit, static_cast<size_t>(end - hit), marker.data(), marker.size()));
      if (hit == nullptr) break;
      const off_t at = bufferStart + (hit - begin);
      const ssize_t got = ReadAt(fd.get(), candidate.data(), candidate.size(), at);
      if (got < 0) return false;
      const size_t size = ValidBlockSize(candidate.data(), static_cast<size_t>(got));
      if (size != 0) {
        if (offset != nullptr) *offset = static_cast<long long>(at);
        if (block != nullptr) block->assign(candidate.begin(), candidate.begin() + static_cast<ptrdiff_t>(size));
        return true;
      }
    }
    carried = std::min(filled, kMarkerSize - 1);
    std::memmove(buffer.data(), end - carried, carried);
    bufferStart += static_cast<off_t>(filled - carried);
  }
}

bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

char16_t Upper(char16_t c) { return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - u'a' + u'A') : c; }

bool EqualNoCase(const std::u16string& a, const std::u16string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (Upper(a[i]) != Upper(b[i])) return false;
  }
  return true;
}

// The parts of a sub-block path, split at '\' or '/'; empty parts (doubled or outer separators)
// are dropped.
std::vector<std::u16string> SplitPath(const CString& subBlock) {
  std::vector<std::u16string> parts;
  std::u16string part;
  const QString& text = subBlock.q();
  for (QChar ch : text) {
    const char16_t c = ch.unicode();
    if (IsSeparator(c)) {
      if (!part.empty()) parts.push_back(part);
      part.clear();
    } else {
      part += c;
    }
  }
  if (!part.empty()) parts.push_back(part);
  return parts;
}

// Eight hexadecimal digits into a number.
bool ParseHex8(const std::u16string& text, uint32_t& value) {
  if (text.size() != 8) return false;
  value = 0;
  for (char16_t c : text) {
    const char16_t u = Upper(c);
    uint32_t digit = 0;
    if (u >= u'0' && u <= u'9') digit = u - u'0';
    else if (u >= u'A' && u <= u'F') digit = u - u'A' + 10;
    else return false;
    value = value << 4 | digit;
  }
  return true;
}

std::u16string TextAt(const uint8_t* p, size_t at, size_t units) {
  std::u16string s;
  for (size_t i = 0; i + 1 < units; ++i) s += static_cast<char16_t>(Get16(p, at + 2 * i));
  return s;
}

BOOL Found(void* value, UINT size, void** buffer, UINT* len) {
  if (buffer != nullptr) *buffer = value;
  if (len != nullptr) *len = size;
  return TRUE;
}

}  // namespace

DWORD GetFileVersionInfoSize(const CString& path, DWORD* handle) {
  if (handle != nullptr) *handle = 0;
  DWORD size = 0;
  return platform::FindVersionBlock(path, nullptr, &size) ? size : 0;
}

BOOL GetFileVersionInfo(const CString& path, DWORD handle, DWORD len, void* data) {
  (void)handle;
  if (data == nullptr) return FALSE;
  std::vector<uint8_t> block;
  if (!Locate(path, nullptr, &block) || block.size() > len) return FALSE;
  std::memcpy(data, block.data(), block.size());
  return TRUE;
}

BOOL VerQueryValue(const void* block, const CString& subBlock, void** buffer, UINT* len) {
  if (buffer != nullptr) *buffer = nullptr;
  if (len != nullptr) *len = 0;
  const auto* p = static_cast<const uint8_t*>(block);
  // A block in memory is trusted as far as its own size says (at most kMaxSize).
  if (p == nullptr || ValidBlockSize(p, kMaxSize) == 0) return FALSE;
  auto* base = const_cast<uint8_t*>(p);

  static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "values are handed out in place as little-endian");
  const std::vector<std::u16string> parts = SplitPath(subBlock);
  if (parts.empty()) return Found(base + kFixedOffset, static_cast<UINT>(kFixedSize), buffer, len);
  if (parts.size() == 2 && EqualNoCase(parts[0], u"VarFileInfo") && EqualNoCase(parts[1], u"Translation")) {
    return Found(base + kTranslationOffset, 4, buffer, len);
  }
  if (parts.size() != 3 || !EqualNoCase(parts[0], u"StringFileInfo")) return FALSE;
  uint32_t pair = 0;
  if (!ParseHex8(parts[1], pair)) return FALSE;
  if ((pair >> 16) != Get16(p, kTranslationOffset) || (pair & 0xFFFF) != Get16(p, kTranslationOffset + 2)) {
    return FALSE;
  }
  size_t at = kTextsOffset;
  for (uint32_t i = 0, count = Get16(p, kCountOffset); i < count; ++i) {
    const size_t keyUnits = Get16(p, at);
    const size_t valueUnits = Get16(p, at + 2);
    const size_t valueAt = at + 4 + 2 * keyUnits;
    if (EqualNoCase(TextAt(p, at + 4, keyUnits), parts[2])) {
      return Found(base + valueAt, static_cast<UINT>(valueUnits), buffer, len);
    }
    at = valueAt + 2 * valueUnits;
  }
  return FALSE;
}

namespace platform {

std::vector<uint8_t> BuildVersionBlock(const versionblock::Definition& definition) {
  std::vector<uint8_t> bytes(versionblock::EncodedSize(definition));
  if (bytes.size() > versionblock::kMaxSize) return {};
  versionblock::Encode(definition, bytes.data(), bytes.size());
  return bytes;
}

bool FindVersionBlock(const CString& path, long long* offset, DWORD* size) {
  std::vector<uint8_t> block;
  if (!Locate(path, offset, &block)) return false;
  if (size != nullptr) *size = static_cast<DWORD>(block.size());
  return true;
}

const void* EmbeddedVersionBlock(DWORD* size) {
  if (size != nullptr) *size = 0;
  if (platform_version_block == nullptr) return nullptr;
  unsigned long bytes = 0;
  const unsigned char* block = platform_version_block(&bytes);
  if (block == nullptr || ValidBlockSize(block, bytes) == 0) return nullptr;
  if (size != nullptr) *size = static_cast<DWORD>(bytes);
  return block;
}

}  // namespace platform
