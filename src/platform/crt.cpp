// Number parsing and comparison with the Windows C run-time meanings, independent of the process
// locale: integers are parsed here, floating point by strtod_l in the "C" locale.
#include "platform/crt.h"

#include <climits>
#include <cstdlib>
#include <locale.h>
#include <string>

namespace {

bool IsCSpace(char16_t c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

int DigitValue(char16_t c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'z') return c - 'a' + 10;
  if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
  return 99;
}

struct ParsedInteger {
  bool negative = false;
  bool overflow = false;  // the magnitude does not fit in 64 bits
  unsigned long long magnitude = 0;
  int end = 0;  // index after the number, 0 when there is none
};

// White space, an optional sign and digits in base (0: decimal, octal after "0", hex after "0x").
ParsedInteger ParseInteger(const QString& s, int base) {
  ParsedInteger r;
  const int n = static_cast<int>(s.size());
  const auto at = [&](int k) -> char16_t { return k < n ? s.at(k).unicode() : u'\0'; };
  int i = 0;
  while (i < n && IsCSpace(at(i))) ++i;
  if (at(i) == '+' || at(i) == '-') {
    r.negative = at(i) == '-';
    ++i;
  }
  if ((base == 0 || base == 16) && at(i) == '0' && (at(i + 1) == 'x' || at(i + 1) == 'X') &&
      DigitValue(at(i + 2)) < 16) {
    i += 2;
    base = 16;
  } else if (base == 0) {
    base = at(i) == '0' ? 8 : 10;
  }
  const int first = i;
  const unsigned long long b = static_cast<unsigned long long>(base);
  for (; i < n; ++i) {
    const int d = DigitValue(at(i));
    if (d >= base) break;
    if (r.magnitude > (ULLONG_MAX - static_cast<unsigned long long>(d)) / b)
      r.overflow = true;
    else
      r.magnitude = r.magnitude * b + static_cast<unsigned long long>(d);
  }
  r.end = i > first ? i : 0;
  if (r.end == 0) r.negative = false;
  return r;
}

// The parsed number in [minValue, maxValue], clamped to the nearer end when out of range.
long long ClampSigned(const ParsedInteger& p, long long minValue, long long maxValue) {
  if (p.negative) {
    const unsigned long long limit = static_cast<unsigned long long>(-(minValue + 1)) + 1;
    if (p.overflow || p.magnitude >= limit) return minValue;
    return -static_cast<long long>(p.magnitude);
  }
  if (p.overflow || p.magnitude > static_cast<unsigned long long>(maxValue)) return maxValue;
  return static_cast<long long>(p.magnitude);
}

bool IsValidBase(int base) { return base == 0 || (base >= 2 && base <= 36); }

locale_t CLocale() {
  static const locale_t loc = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  return loc;
}

int Sign(int v) { return v < 0 ? -1 : (v > 0 ? 1 : 0); }

}  // namespace

int _wtoi(const CString& text) {
  return static_cast<int>(ClampSigned(ParseInteger(text.q(), 10), INT_MIN, INT_MAX));
}

long _wtol(const CString& text) {
  return static_cast<long>(ClampSigned(ParseInteger(text.q(), 10), LONG_MIN, LONG_MAX));
}

long long _wtoi64(const CString& text) { return ClampSigned(ParseInteger(text.q(), 10), LLONG_MIN, LLONG_MAX); }

double _wtof(const CString& text) {
  // A number is ASCII; the text up to its first other unit is all strtod can read.
  const QString& s = text.q();
  std::string ascii;
  for (QChar c : s) {
    if (c.unicode() == 0 || c.unicode() >= 0x80) break;
    ascii.push_back(static_cast<char>(c.unicode()));
  }
  const locale_t c = CLocale();
  if (!c) return 0.0;
  return strtod_l(ascii.c_str(), nullptr, c);
}

long WideToLong(const CString& text, int* endIndex, int base) {
  if (!IsValidBase(base)) {
    if (endIndex) *endIndex = 0;
    return 0;
  }
  const ParsedInteger p = ParseInteger(text.q(), base);
  if (endIndex) *endIndex = p.end;
  return static_cast<long>(ClampSigned(p, LONG_MIN, LONG_MAX));
}

unsigned long WideToULong(const CString& text, int* endIndex, int base) {
  if (!IsValidBase(base)) {
    if (endIndex) *endIndex = 0;
    return 0;
  }
  const ParsedInteger p = ParseInteger(text.q(), base);
  if (endIndex) *endIndex = p.end;
  if (p.overflow || p.magnitude > ULONG_MAX) return ULONG_MAX;
  const unsigned long v = static_cast<unsigned long>(p.magnitude);
  return p.negative ? 0UL - v : v;  // strtoul: a minus sign negates in the unsigned type
}

int _wcsicmp(const CString& a, const CString& b) { return Sign(a.q().compare(b.q(), Qt::CaseInsensitive)); }
