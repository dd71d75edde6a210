// Code-page conversions over iconv. Nothing here throws or stops early: bytes a code page cannot
// read become U+FFFD, characters it cannot hold become '?', and conversion goes on after them.
#include "platform/codepage.h"

#include <cerrno>
#include <iconv.h>
#include <map>
#include <string>
#include <utility>

namespace platform {
namespace {

const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);

// The iconv name of a code page; other numbers are tried as "CP<number>".
std::string IconvName(UINT cp) {
  switch (cp) {
    case CP_ACP:
    case CP_KOREAN: return "CP949";
    case CP_WESTERN: return "CP1252";
    case CP_UTF8: return "UTF-8";
    case CP_UTF16LE: return "UTF-16LE";
    case 1201: return "UTF-16BE";
    case 12000: return "UTF-32LE";
    case 12001: return "UTF-32BE";
    case 65000: return "UTF-7";
    case 1361: return "JOHAB";
    case 10000: return "MACINTOSH";
    case 20127: return "ASCII";
    case 20866: return "KOI8-R";
    case 21866: return "KOI8-U";
    case 20932:
    case 51932: return "EUC-JP";
    case 51936: return "EUC-CN";
    case 51949: return "EUC-KR";
    case 54936: return "GB18030";
    case 50220:
    case 50221:
    case 50222: return "ISO-2022-JP";
    case 50225: return "ISO-2022-KR";
    case 28603: return "ISO-8859-13";
    case 28605: return "ISO-8859-15";
    case 38598: return "ISO-8859-8";
    default:
      if (cp >= 28591 && cp <= 28599) return "ISO-8859-" + std::to_string(cp - 28590);
      return "CP" + std::to_string(cp);
  }
}

bool IsUtf16(UINT cp) { return cp == CP_UTF16LE || cp == 1201; }

// Bytes of one input unit that a conversion skips over when it meets one it cannot read.
size_t UnitBytes(UINT cp) {
  if (cp == 12000 || cp == 12001) return 4;
  return IsUtf16(cp) ? 2 : 1;
}

// Open converters of this thread, kept for reuse (an iconv descriptor is not shared between
// threads). Failed opens are remembered too, so an unknown code page is not looked up again.
class ConverterCache {
 public:
  ~ConverterCache() {
    for (auto& entry : m_open)
      if (entry.second != kNoConverter) iconv_close(entry.second);
  }
  iconv_t Get(const std::string& to, const std::string& from) {
    const auto key = std::make_pair(to, from);
    auto it = m_open.find(key);
    if (it == m_open.end()) it = m_open.emplace(key, iconv_open(to.c_str(), from.c_str())).first;
    if (it->second != kNoConverter) iconv(it->second, nullptr, nullptr, nullptr, nullptr);  // initial state
    return it->second;
  }

 private:
  std::map<std::pair<std::string, std::string>, iconv_t> m_open;
};

iconv_t Converter(const std::string& to, const std::string& from) {
  thread_local ConverterCache cache;
  return cache.Get(to, from);
}

// Runs cd over the input. onBad(in, left) is called where the input cannot be converted (invalid,
// incomplete or not representable); it writes its replacement and returns how many input bytes to
// skip (at least one).
template <typename OnOutput, typename OnBad>
void Convert(iconv_t cd, const char* in, size_t inLeft, OnOutput onOutput, OnBad onBad) {
  char buffer[4096];
  char* inPtr = const_cast<char*>(in);
  while (inLeft > 0) {
    char* outPtr = buffer;
    size_t outLeft = sizeof buffer;
    const size_t r = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    const int error = errno;
    onOutput(buffer, static_cast<size_t>(outPtr - buffer));
    if (r != static_cast<size_t>(-1) || error == E2BIG) continue;
    size_t skip = onBad(inPtr, inLeft);
    if (skip < 1) skip = 1;
    if (skip > inLeft) skip = inLeft;
    inPtr += skip;
    inLeft -= skip;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  char* outPtr = buffer;
  size_t outLeft = sizeof buffer;
  if (iconv(cd, nullptr, nullptr, &outPtr, &outLeft) != static_cast<size_t>(-1))
    onOutput(buffer, static_cast<size_t>(outPtr - buffer));
}

void AppendUtf16Le(QString& out, const char* bytes, size_t size) {
  const auto* b = reinterpret_cast<const unsigned char*>(bytes);
  const qsizetype units = static_cast<qsizetype>(size / 2);
  if (units == 0) return;
  const qsizetype old = out.size();
  out.resize(old + units);
  QChar* d = out.data() + old;
  for (qsizetype k = 0; k < units; ++k) d[k] = QChar(static_cast<char16_t>(b[2 * k] | (b[2 * k + 1] << 8)));
}

std::string ToUtf16Le(const QString& text) {
  std::string bytes;
  bytes.reserve(static_cast<size_t>(text.size()) * 2);
  for (QChar c : text) {
    bytes.push_back(static_cast<char>(c.unicode() & 0xFF));
    bytes.push_back(static_cast<char>(c.unicode() >> 8));
  }
  return bytes;
}

}  // namespace

CString BytesToText(UINT cp, std::string_view bytes) {
  QString out;
  out.reserve(static_cast<qsizetype>(bytes.size()));
  const iconv_t cd = Converter("UTF-16LE", IconvName(cp));
  if (cd == kNoConverter) {
    // A code page this system cannot convert: only ASCII is certain.
    for (char b : bytes)
      out.append(static_cast<unsigned char>(b) < 0x80 ? QChar(static_cast<char16_t>(b))
                                                      : QChar(QChar::ReplacementCharacter));
    return CString(out);
  }
  const size_t unit = UnitBytes(cp);
  Convert(
      cd, bytes.data(), bytes.size(), [&](const char* b, size_t n) { AppendUtf16Le(out, b, n); },
      [&](const char*, size_t) {
        out.append(QChar(QChar::ReplacementCharacter));
        return unit;
      });
  return CString(out);
}

std::string TextToBytes(UINT cp, const CString& text) { return TextToBytes(cp, text, nullptr); }

bool CodePageSupported(UINT cp) {
  return Converter("UTF-16LE", IconvName(cp)) != kNoConverter && Converter(IconvName(cp), "UTF-16LE") != kNoConverter;
}

std::string TextToBytes(UINT cp, const CString& text, bool* lost) {
  if (lost) *lost = false;
  std::string out;
  const QString& s = text.q();
  const iconv_t cd = Converter(IconvName(cp), "UTF-16LE");
  if (cd == kNoConverter) {
    for (QChar c : s) {
      if (c.unicode() >= 0x80 && lost) *lost = true;
      out.push_back(c.unicode() < 0x80 ? static_cast<char>(c.unicode()) : '?');
    }
    return out;
  }
  out.reserve(static_cast<size_t>(s.size()) * (IsUtf16(cp) ? 2 : 1));
  const std::string input = ToUtf16Le(s);
  const std::string replacement = cp == 1201 ? std::string("\0?", 2)
                                  : IsUtf16(cp) ? std::string("?\0", 2)
                                  : UnitBytes(cp) == 4 ? (cp == 12001 ? std::string("\0\0\0?", 4) : std::string("?\0\0\0", 4))
                                  : std::string("?");
  Convert(
      cd, input.data(), input.size(), [&](const char* b, size_t n) { out.append(b, n); },
      [&](const char* at, size_t left) -> size_t {
        out += replacement;
        if (lost) *lost = true;
        // A whole surrogate pair is one character: skip both units.
        const auto* b = reinterpret_cast<const unsigned char*>(at);
        if (left >= 4 && QChar::isHighSurrogate(static_cast<char16_t>(b[0] | (b[1] << 8))) &&
            QChar::isLowSurrogate(static_cast<char16_t>(b[2] | (b[3] << 8))))
          return 4;
        return 2;
      });
  return out;
}

bool IsValidUtf8(std::string_view bytes) {
  const auto* b = reinterpret_cast<const unsigned char*>(bytes.data());
  const size_t n = bytes.size();
  size_t i = 0;
  while (i < n) {
    const unsigned char c = b[i];
    if (c < 0x80) {
      ++i;
      continue;
    }
    size_t len;
    char32_t cp;
    char32_t min;
    if ((c & 0xE0) == 0xC0) {
      len = 2; cp = c & 0x1F; min = 0x80;
    } else if ((c & 0xF0) == 0xE0) {
      len = 3; cp = c & 0x0F; min = 0x800;
    } else if ((c & 0xF8) == 0xF0) {
      len = 4; cp = c & 0x07; min = 0x10000;
    } else {
      return false;  // a continuation byte without a lead, or 0xF8..0xFF
    }
    if (n - i < len) return false;
    for (size_t k = 1; k < len; ++k) {
      if ((b[i + k] & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (b[i + k] & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    i += len;
  }
  return true;
}

}  // namespace platform
