// platform::FormatText: printf-style formatting with the Windows C run-time meanings over typed
// arguments, numbers always in the "C" locale.
#include <clocale>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <locale.h>
#include <vector>

#include "platform/cstring.h"

namespace platform {
namespace {

// Largest width or precision taken from a format; larger ones are cut to it.
constexpr int kMaxField = 100000;

// The "C" locale, made once. newlocale of "C" never allocates in glibc, and the object is
// never freed: other threads may be using it until the process ends.
locale_t CLocale() {
  static const locale_t loc = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  return loc;
}

// Puts the calling thread in the "C" locale for the lifetime of the object.
class CLocaleScope {
 public:
  CLocaleScope() : m_loc(CLocale()), m_old(m_loc ? uselocale(m_loc) : nullptr) {}
  ~CLocaleScope() {
    if (m_loc) uselocale(m_old);
  }
  CLocaleScope(const CLocaleScope&) = delete;
  CLocaleScope& operator=(const CLocaleScope&) = delete;

 private:
  locale_t m_loc;
  locale_t m_old;
};

enum IntSize {
  kSizeAuto = 0,  // int / long: 32 bits, or 64 when the value does not fit in 32
  kSize8 = 8,
  kSize16 = 16,
  kSize32 = 32,
  kSize64 = 64,
};

struct Conversion {
  bool left = false;
  bool plus = false;
  bool space = false;
  bool zero = false;
  bool alt = false;
  int width = 0;
  int precision = -1;  // -1: none given
  IntSize size = kSizeAuto;
};

bool IsInteger(const FormatArg& a) { return a.kind == FormatArg::Int || a.kind == FormatArg::UInt; }

unsigned long long RawBits(const FormatArg& a) {
  return a.kind == FormatArg::Int ? static_cast<unsigned long long>(a.i) : a.u;
}

long long AsSigned(const FormatArg& a) {
  return a.kind == FormatArg::Int ? a.i : static_cast<long long>(a.u);
}

int ClampField(long long v) { return v > kMaxField ? kMaxField : static_cast<int>(v); }

// The number of bits an integer argument is formatted at.
int BitsFor(const FormatArg& a, IntSize size) {
  if (size != kSizeAuto) return size;
  if (a.kind == FormatArg::Int) return (a.i >= INT32_MIN && a.i <= INT32_MAX) ? 32 : 64;
  return a.u <= UINT32_MAX ? 32 : 64;
}

unsigned long long LowBits(unsigned long long v, int bits) {
  return bits >= 64 ? v : (v & ((1ULL << bits) - 1));
}

long long SignExtend(unsigned long long v, int bits) {
  if (bits >= 64) return static_cast<long long>(v);
  const unsigned long long sign = 1ULL << (bits - 1);
  v = LowBits(v, bits);
  return static_cast<long long>((v ^ sign)) - static_cast<long long>(sign);
}

// printf into a QString (ASCII output only: numbers).
QString Printf(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
QString Printf(const char* fmt, ...) {
  char stack[128];
  va_list ap;
  va_start(ap, fmt);
  const int n = std::vsnprintf(stack, sizeof stack, fmt, ap);
  va_end(ap);
  if (n < 0) return QString();
  if (static_cast<size_t>(n) < sizeof stack) return QString::fromLatin1(stack, n);
  std::vector<char> heap(static_cast<size_t>(n) + 1);
  va_start(ap, fmt);
  const int m = std::vsnprintf(heap.data(), heap.size(), fmt, ap);
  va_end(ap);
  if (m < 0) return QString();
  return QString::fromLatin1(heap.data(), m < n ? m : n);
}

// "%" + flags + "*.*" + length + conversion, for Printf with width and precision arguments.
struct PrintfFormat {
  char text[16];
  PrintfFormat(const Conversion& s, const char* length, char conv) {
    char* p = text;
    *p++ = '%';
    if (s.left) *p++ = '-';
    if (s.plus) *p++ = '+';
    if (s.space) *p++ = ' ';
    if (s.zero) *p++ = '0';
    if (s.alt) *p++ = '#';
    *p++ = '*';
    *p++ = '.';
    *p++ = '*';
    while (*length) *p++ = *length++;
    *p++ = conv;
    *p = '\0';
  }
};

// Pads a text to the conversion's width: on the right with '-', else on the left with spaces, or
// zeros with the '0' flag (as the Windows run-time does for texts and characters too).
void AppendPadded(QString& out, const Conversion& s, const QString& text) {
  const qsizetype pad = s.width - text.size();
  if (pad <= 0) {
    out.append(text);
  } else if (s.left) {
    out.append(text);
    out.append(QString(pad, QLatin1Char(' ')));
  } else {
    out.append(QString(pad, QLatin1Char(s.zero ? '0' : ' ')));
    out.append(text);
  }
}

void AppendCharacter(QString& out, const Conversion& s, const FormatArg& a) {
  unsigned long long code = RawBits(a);
  if (a.kind == FormatArg::Int && a.i < 0) code &= 0xFFFF;  // a negative int is cut to a UTF-16 unit
  QString text;
  if (code == 0) {
    // a NUL writes nothing into the text
  } else if (code <= 0xFFFF) {
    text.append(QChar(static_cast<char16_t>(code)));  // a lone surrogate unit is kept as given
  } else if (code <= 0x10FFFF) {
    text.append(QChar(QChar::highSurrogate(static_cast<char32_t>(code))));
    text.append(QChar(QChar::lowSurrogate(static_cast<char32_t>(code))));
  } else {
    text.append(QChar(QChar::ReplacementCharacter));
  }
  AppendPadded(out, s, text);
}

void AppendText(QString& out, const Conversion& s, const QString& text) {
  if (s.precision < 0 || s.precision >= text.size()) {
    AppendPadded(out, s, text);
    return;
  }
  qsizetype cut = s.precision;
  if (cut > 0 && text.at(cut - 1).isHighSurrogate() && text.at(cut).isLowSurrogate()) --cut;
  AppendPadded(out, s, text.left(cut));
}

// An integer with the C printf rules for flags, width and precision (done here: this is the
// hot path of every log line).
void AppendInteger(QString& out, const Conversion& s, char conv, const FormatArg& a) {
  const int bits = BitsFor(a, s.size);
  const bool isSigned = conv == 'd' || conv == 'i';
  bool negative = false;
  unsigned long long magnitude;
  if (isSigned) {
    const long long v = SignExtend(RawBits(a), bits);
    negative = v < 0;
    magnitude = negative ? 0ULL - static_cast<unsigned long long>(v) : static_cast<unsigned long long>(v);
  } else {
    magnitude = LowBits(RawBits(a), bits);
  }
  const unsigned base = conv == 'o' ? 8 : (conv == 'x' || conv == 'X') ? 16 : 10;
  const char* digitSet = conv == 'X' ? "0123456789ABCDEF" : "0123456789abcdef";
  char digits[24];  // reversed; 64 bits take at most 22 octal digits
  int digitCount = 0;
  for (unsigned long long m = magnitude; m != 0; m /= base) digits[digitCount++] = digitSet[m % base];

  const int precision = s.precision < 0 ? 1 : s.precision;  // the least number of digits
  int leadingZeros = precision > digitCount ? precision - digitCount : 0;
  if (s.alt && conv == 'o' && leadingZeros == 0) leadingZeros = 1;  // octal '#': starts with 0
  char prefix[2];
  int prefixLength = 0;
  if (isSigned && negative) prefix[prefixLength++] = '-';
  else if (isSigned && s.plus) prefix[prefixLength++] = '+';
  else if (isSigned && s.space) prefix[prefixLength++] = ' ';
  if (s.alt && base == 16 && magnitude != 0) {
    prefix[prefixLength++] = '0';
    prefix[prefixLength++] = conv;
  }
  const int length = prefixLength + leadingZeros + digitCount;
  const int pad = s.width > length ? s.width - length : 0;
  const bool zeroPad = s.zero && !s.left && s.precision < 0;  // '0' gives way to '-' and precision

  if (pad > 0 && !s.left && !zeroPad) out.append(QString(pad, QLatin1Char(' ')));
  out.append(QLatin1StringView(prefix, prefixLength));
  if (pad > 0 && zeroPad) out.append(QString(pad, QLatin1Char('0')));
  if (leadingZeros > 0) out.append(QString(leadingZeros, QLatin1Char('0')));
  for (int k = digitCount - 1; k >= 0; --k) out.append(QLatin1Char(digits[k]));
  if (pad > 0 && s.left) out.append(QString(pad, QLatin1Char(' ')));
}

void AppendFloat(QString& out, const Conversion& s, char conv, const FormatArg& a) {
  double v = a.d;
  if (a.kind == FormatArg::Int) v = static_cast<double>(a.i);
  if (a.kind == FormatArg::UInt) v = static_cast<double>(a.u);
  const CLocaleScope cLocale;
  out.append(Printf(PrintfFormat(s, "", conv).text, s.width, s.precision, v));
}

void AppendPointer(QString& out, const Conversion& s, const FormatArg& a) {
  const unsigned long long bits =
      a.kind == FormatArg::Pointer ? static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(a.p))
                                   : RawBits(a);
  const int digits = static_cast<int>(sizeof(void*) * 2);
  AppendPadded(out, s, Printf("%0*llX", digits, LowBits(bits, static_cast<int>(sizeof(void*) * 8))));
}

bool IsDigit(QChar c) { return c.unicode() >= '0' && c.unicode() <= '9'; }

}  // namespace

QString FormatText(const QString& format, const std::vector<FormatArg>& args) {
  QString out;
  out.reserve(format.size() + 8 * static_cast<qsizetype>(args.size()));
  const QChar* f = format.constData();
  const qsizetype n = format.size();
  size_t next = 0;  // the next argument to take
  // Takes the next argument (nullptr when the caller gave too few); the count moves on either way.
  const auto take = [&]() -> const FormatArg* {
    const size_t at = next++;
    return at < args.size() ? &args[at] : nullptr;
  };

  qsizetype i = 0;
  while (i < n) {
    const qsizetype pct = format.indexOf(QLatin1Char('%'), i);
    if (pct < 0) {
      out.append(QStringView(f + i, n - i));
      break;
    }
    out.append(QStringView(f + i, pct - i));
    const qsizetype convStart = pct;
    const size_t argsBefore = next;
    i = pct + 1;

    Conversion s;
    bool usable = true;
    for (bool more = true; more && i < n;) {
      switch (f[i].unicode()) {
        case '-': s.left = true; ++i; break;
        case '+': s.plus = true; ++i; break;
        case ' ': s.space = true; ++i; break;
        case '0': s.zero = true; ++i; break;
        case '#': s.alt = true; ++i; break;
        default: more = false; break;
      }
    }
    if (i < n && f[i] == QLatin1Char('*')) {
      ++i;
      const FormatArg* w = take();
      if (!w || !IsInteger(*w)) {
        usable = false;
      } else {
        long long v = AsSigned(*w);
        if (v < 0) {
          s.left = true;
          v = v == INT64_MIN ? INT64_MAX : -v;
        }
        s.width = ClampField(v);
      }
    } else {
      long long v = 0;
      for (; i < n && IsDigit(f[i]); ++i) v = v > kMaxField ? v : v * 10 + (f[i].unicode() - '0');
      s.width = ClampField(v);
    }
    if (i < n && f[i] == QLatin1Char('.')) {
      ++i;
      if (i < n && f[i] == QLatin1Char('*')) {
        ++i;
        const FormatArg* p = take();
        if (!p || !IsInteger(*p)) {
          usable = false;
        } else {
          const long long v = AsSigned(*p);
          s.precision = v < 0 ? -1 : ClampField(v);  // a negative precision counts as none
        }
      } else {
        long long v = 0;
        for (; i < n && IsDigit(f[i]); ++i) v = v > kMaxField ? v : v * 10 + (f[i].unicode() - '0');
        s.precision = ClampField(v);
      }
    }
    if (i < n) {
      switch (f[i].unicode()) {
        case 'h':
          ++i;
          if (i < n && f[i] == QLatin1Char('h')) {
            ++i;
            s.size = kSize8;
          } else {
            s.size = kSize16;
          }
          break;
        case 'l':
          ++i;
          if (i < n && f[i] == QLatin1Char('l')) {
            ++i;
            s.size = kSize64;
          }  // a single l is a Windows long: 32 bits, like int
          break;
        case 'L': case 'j': case 'z': case 't':
          ++i;
          s.size = kSize64;
          break;
        case 'w':
          ++i;
          break;
        case 'I':
          ++i;
          if (i + 1 < n && f[i] == QLatin1Char('6') && f[i + 1] == QLatin1Char('4')) {
            i += 2;
            s.size = kSize64;
          } else if (i + 1 < n && f[i] == QLatin1Char('3') && f[i + 1] == QLatin1Char('2')) {
            i += 2;
            s.size = kSize32;
          } else {
            s.size = kSize64;  // pointer-sized
          }
          break;
        default:
          break;
      }
    }
    if (i >= n) {
      // The format ends inside a conversion: keep what is there as it is.
      out.append(QStringView(f + convStart, n - convStart));
      next = argsBefore;
      break;
    }
    const char16_t conv = f[i].unicode();
    ++i;
    switch (conv) {
      case '%':
        out.append(QLatin1Char('%'));
        next = argsBefore;
        continue;
      case 'd': case 'i': case 'u': case 'x': case 'X': case 'o':
      case 'c': case 'C': case 's': case 'S':
      case 'f': case 'F': case 'e': case 'E': case 'g': case 'G': case 'a': case 'A':
      case 'p':
        break;
      default:
        // Not a conversion this formatter knows: copied as written, taking no argument.
        out.append(QStringView(f + convStart, i - convStart));
        next = argsBefore;
        continue;
    }
    const FormatArg* a = take();
    if (!usable || !a) continue;
    switch (conv) {
      case 'd': case 'i': case 'u': case 'x': case 'X': case 'o':
        if (IsInteger(*a)) AppendInteger(out, s, static_cast<char>(conv), *a);
        break;
      case 'c': case 'C':
        if (IsInteger(*a)) AppendCharacter(out, s, *a);
        break;
      case 's': case 'S':
        if (a->kind == FormatArg::Text) AppendText(out, s, a->s);
        break;
      case 'p':
        if (IsInteger(*a) || a->kind == FormatArg::Pointer) AppendPointer(out, s, *a);
        break;
      default:  // floating point
        if (IsInteger(*a) || a->kind == FormatArg::Double) AppendFloat(out, s, static_cast<char>(conv), *a);
        break;
    }
  }
  return out;
}

}  // namespace platform
