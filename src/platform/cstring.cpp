// CString members: UTF-16 text on QString with the MFC string's clamping and search rules.
#include "platform/cstring.h"

#include <cstring>
#include <cwchar>

#include <mutex>
#include <ostream>

#include <QStringDecoder>

namespace {

// Appends a code point as UTF-16 (a surrogate pair above U+FFFF; U+FFFD when out of range).
void AppendCodePoint(QString& s, char32_t cp) {
  if (cp <= 0xFFFF) {
    s.append(QChar(static_cast<char16_t>(cp)));
  } else if (cp <= 0x10FFFF) {
    s.append(QChar(QChar::highSurrogate(cp)));
    s.append(QChar(QChar::lowSurrogate(cp)));
  } else {
    s.append(QChar(QChar::ReplacementCharacter));
  }
}

QString FromCodePoint(char32_t cp) {
  QString s;
  AppendCodePoint(s, cp);
  return s;
}

char32_t WideToCodePoint(wchar_t ch) {
  return static_cast<char32_t>(static_cast<std::make_unsigned_t<wchar_t>>(ch));
}

// The code point that starts at index i and the number of units it takes (a lone surrogate is
// taken as itself, one unit).
char32_t CodePointAt(const QString& s, int i, int* units) {
  const char16_t u = s.at(i).unicode();
  if (QChar::isHighSurrogate(u) && i + 1 < s.size() && QChar::isLowSurrogate(s.at(i + 1).unicode())) {
    *units = 2;
    return QChar::surrogateToUcs4(u, s.at(i + 1).unicode());
  }
  *units = 1;
  return u;
}

// The code point that ends just before index end and the number of units it takes.
char32_t CodePointBefore(const QString& s, int end, int* units) {
  const char16_t u = s.at(end - 1).unicode();
  if (QChar::isLowSurrogate(u) && end >= 2 && QChar::isHighSurrogate(s.at(end - 2).unicode())) {
    *units = 2;
    return QChar::surrogateToUcs4(s.at(end - 2).unicode(), u);
  }
  *units = 1;
  return u;
}

// A small set of code points, taken from a text.
class CodePointSet {
 public:
  explicit CodePointSet(const QString& chars) {
    for (int i = 0; i < chars.size();) {
      int n = 0;
      m_points.push_back(CodePointAt(chars, i, &n));
      i += n;
    }
  }
  bool Contains(char32_t cp) const {
    for (char32_t p : m_points)
      if (p == cp) return true;
    return false;
  }

 private:
  std::u32string m_points;
};

bool IsTrimSpace(char32_t cp) {
  return cp == U' ' || cp == U'\t' || cp == U'\r' || cp == U'\n' || cp == U'\v' || cp == U'\f';
}

template <typename Pred>
int LeadingSpan(const QString& s, Pred inSet) {
  int i = 0;
  while (i < s.size()) {
    int n = 0;
    if (!inSet(CodePointAt(s, i, &n))) break;
    i += n;
  }
  return i;
}

template <typename Pred>
int TrailingStart(const QString& s, Pred inSet) {
  int end = static_cast<int>(s.size());
  while (end > 0) {
    int n = 0;
    if (!inSet(CodePointBefore(s, end, &n))) break;
    end -= n;
  }
  return end;
}

template <typename Pred>
void TrimLeftBy(QString& s, Pred inSet) {
  const int n = LeadingSpan(s, inSet);
  if (n > 0) s.remove(0, n);
}

template <typename Pred>
void TrimRightBy(QString& s, Pred inSet) {
  const int end = TrailingStart(s, inSet);
  if (end < s.size()) s.truncate(end);
}

// Maps every code point through f, keeping surrogate pairs together.
template <typename F>
QString MapCodePoints(const QString& s, F f) {
  QString out;
  out.reserve(s.size());
  for (int i = 0; i < s.size();) {
    int n = 0;
    const char32_t cp = CodePointAt(s, i, &n);
    AppendCodePoint(out, f(cp));
    i += n;
  }
  return out;
}

int Sign(int v) { return v < 0 ? -1 : (v > 0 ? 1 : 0); }

std::mutex g_tableMutex;
platform::StringTableLookup g_table;

}  // namespace

namespace platform {

FormatArg::FormatArg(const CString& v) : kind(Text), s(v.q()) {}
FormatArg::FormatArg(const wchar_t* v)
    : kind(Text), s(v ? QString::fromWCharArray(v) : QStringLiteral("(null)")) {}
FormatArg::FormatArg(const char16_t* v)
    : kind(Text), s(v ? QString::fromUtf16(v) : QStringLiteral("(null)")) {}
FormatArg::FormatArg(const char* v) : kind(Text), s(v ? QString::fromUtf8(v) : QStringLiteral("(null)")) {}

void SetStringTable(StringTableLookup lookup) {
  std::lock_guard<std::mutex> lock(g_tableMutex);
  g_table = std::move(lookup);
}

}  // namespace platform


namespace {
// Qt's decoders drop a leading byte-order mark; text handed to CString keeps every character.
// The code point a wide character stands for in a CString: U+FFFD for what is none.
char32_t WideUnitCodePoint(wchar_t ch) {
  const char32_t c = static_cast<char32_t>(ch);
  return c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF && sizeof(wchar_t) == 4) ? 0xFFFD : c;
}

QString FromWideKeepingAll(const wchar_t* text, qsizetype length) {
  qsizetype units = length;
  for (qsizetype i = 0; i < length; ++i) {
    if (WideUnitCodePoint(text[i]) >= 0x10000) ++units;
  }
  QString out(units, Qt::Uninitialized);
  QChar* d = out.data();
  for (qsizetype i = 0; i < length; ++i) {
    const char32_t c = WideUnitCodePoint(text[i]);
    if (c >= 0x10000) {
      *d++ = QChar(QChar::highSurrogate(c));
      *d++ = QChar(QChar::lowSurrogate(c));
    } else {
      *d++ = QChar(static_cast<char16_t>(c));
    }
  }
  return out;
}

QString FromUtf16KeepingAll(const char16_t* text) {
  qsizetype n = 0;
  while (text[n] != 0) ++n;
  return QString(reinterpret_cast<const QChar*>(text), n);
}

QString FromUtf8KeepingAll(const char* bytes, qsizetype length) {
  // Every U+FEFF at the start is text too (Qt's own decoding drops the first one).
  QStringDecoder decoder(QStringConverter::Utf8,
                         QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
  return decoder(QByteArrayView(bytes, length));
}
}  // namespace

bool CString::EqualsWide(const wchar_t* text) const {
  const QChar* units = m_s.constData();
  const qsizetype count = m_s.size();
  qsizetype at = 0;
  for (; text != nullptr && *text != 0; ++text) {
    const char32_t c = WideUnitCodePoint(*text);
    if (c >= 0x10000) {
      if (count - at < 2 || units[at] != QChar(QChar::highSurrogate(c)) || units[at + 1] != QChar(QChar::lowSurrogate(c)))
        return false;
      at += 2;
    } else {
      if (at >= count || units[at].unicode() != c) return false;
      ++at;
    }
  }
  return at == count;
}

CString::CString(const wchar_t* text) {
  if (text) m_s = FromWideKeepingAll(text, static_cast<qsizetype>(std::wcslen(text)));
}

CString::CString(const wchar_t* text, int length) {
  if (text && length > 0) m_s = FromWideKeepingAll(text, length);
}

CString::CString(const char16_t* text) {
  if (text) m_s = FromUtf16KeepingAll(text);
}

CString::CString(const char* utf8) {
  if (utf8) m_s = FromUtf8KeepingAll(utf8, static_cast<qsizetype>(std::strlen(utf8)));
}

CString::CString(wchar_t ch, int repeat) {
  if (repeat > 0) m_s = FromCodePoint(WideToCodePoint(ch)).repeated(repeat);
}

CString::CString(const std::wstring& text) : m_s(FromWideKeepingAll(text.data(), static_cast<qsizetype>(text.size()))) {}

CString& CString::operator=(const wchar_t* text) {
  *this = CString(text);
  return *this;
}

CString& CString::operator=(const char* utf8) {
  *this = CString(utf8);
  return *this;
}

CString& CString::operator=(wchar_t ch) {
  m_s = FromCodePoint(WideToCodePoint(ch));
  return *this;
}

CString& CString::operator+=(wchar_t ch) {
  AppendCodePoint(m_s, WideToCodePoint(ch));
  return *this;
}

wchar_t CString::GetAt(int index) const {
  if (index < 0 || index >= m_s.size()) return 0;
  return static_cast<wchar_t>(m_s.at(index).unicode());
}

void CString::SetAt(int index, wchar_t ch) {
  if (index < 0 || index >= m_s.size()) return;
  const char32_t cp = WideToCodePoint(ch);
  if (cp <= 0xFFFF)
    m_s[index] = QChar(static_cast<char16_t>(cp));
  else
    m_s.replace(index, 1, FromCodePoint(cp));  // a character beyond U+FFFF takes two units
}

const wchar_t* CString::GetString() const {
  m_wide = m_s.toStdWString();
  return m_wide.c_str();
}

std::wstring CString::ToWString() const { return m_s.toStdWString(); }

std::string CString::ToUtf8() const { return m_s.toUtf8().toStdString(); }

std::u16string CString::ToUtf16() const { return m_s.toStdU16String(); }

CString CString::FromUtf16(std::u16string_view units) {
  return CString(QString(reinterpret_cast<const QChar*>(units.data()), static_cast<qsizetype>(units.size())));
}

CString CString::FromUtf8(std::string_view bytes) {
  return CString(FromUtf8KeepingAll(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

CString CString::Left(int count) const {
  if (count <= 0) return CString();
  return CString(m_s.left(count));
}

CString CString::Mid(int first) const {
  if (first < 0) first = 0;
  if (first >= m_s.size()) return CString();
  return CString(m_s.mid(first));
}

CString CString::Mid(int first, int count) const {
  if (first < 0) first = 0;
  if (count <= 0 || first >= m_s.size()) return CString();
  const qsizetype avail = m_s.size() - first;
  return CString(m_s.mid(first, count < avail ? count : avail));
}

CString CString::Right(int count) const {
  if (count <= 0) return CString();
  return CString(m_s.right(count));
}

int CString::Find(wchar_t ch, int start) const {
  if (start < 0 || start >= m_s.size()) return -1;
  const char32_t cp = WideToCodePoint(ch);
  if (cp <= 0xFFFF) return static_cast<int>(m_s.indexOf(QChar(static_cast<char16_t>(cp)), start));
  return static_cast<int>(m_s.indexOf(FromCodePoint(cp), start));
}

int CString::Find(const CString& sub, int start) const {
  if (sub.m_s.isEmpty() || start < 0 || start > m_s.size()) return -1;
  return static_cast<int>(m_s.indexOf(sub.m_s, start));
}

int CString::ReverseFind(wchar_t ch) const {
  const char32_t cp = WideToCodePoint(ch);
  if (cp <= 0xFFFF) return static_cast<int>(m_s.lastIndexOf(QChar(static_cast<char16_t>(cp))));
  return static_cast<int>(m_s.lastIndexOf(FromCodePoint(cp)));
}

int CString::FindOneOf(const CString& chars) const {
  if (chars.m_s.isEmpty()) return -1;
  const CodePointSet set(chars.m_s);
  for (int i = 0; i < m_s.size();) {
    int n = 0;
    if (set.Contains(CodePointAt(m_s, i, &n))) return i;
    i += n;
  }
  return -1;
}

int CString::Replace(wchar_t oldCh, wchar_t newCh) {
  if (oldCh == newCh) return 0;
  const char32_t oldCp = WideToCodePoint(oldCh);
  const char32_t newCp = WideToCodePoint(newCh);
  if (oldCp > 0xFFFF || newCp > 0xFFFF) return Replace(CString(oldCh), CString(newCh));
  int count = 0;
  const QChar from(static_cast<char16_t>(oldCp));
  const QChar to(static_cast<char16_t>(newCp));
  for (QChar& c : m_s) {
    if (c == from) {
      c = to;
      ++count;
    }
  }
  return count;
}

int CString::Replace(const CString& oldText, const CString& newText) {
  if (oldText.m_s.isEmpty()) return 0;
  int count = 0;
  QString out;
  qsizetype from = 0;
  for (;;) {
    const qsizetype at = m_s.indexOf(oldText.m_s, from);
    if (at < 0) break;
    if (count == 0) out.reserve(m_s.size());
    out.append(QStringView(m_s).mid(from, at - from));
    out.append(newText.m_s);
    from = at + oldText.m_s.size();
    ++count;
  }
  if (count > 0) {
    out.append(QStringView(m_s).mid(from));
    m_s = std::move(out);
  }
  return count;
}

int CString::Remove(wchar_t ch) {
  const char32_t cp = WideToCodePoint(ch);
  const qsizetype before = m_s.size();
  if (cp <= 0xFFFF) {
    m_s.remove(QChar(static_cast<char16_t>(cp)));
    return static_cast<int>(before - m_s.size());
  }
  m_s.remove(FromCodePoint(cp));
  return static_cast<int>((before - m_s.size()) / 2);
}

int CString::Insert(int index, wchar_t ch) { return Insert(index, CString(ch)); }

int CString::Insert(int index, const CString& text) {
  if (index < 0) index = 0;
  if (index > m_s.size()) index = static_cast<int>(m_s.size());
  m_s.insert(index, text.m_s);
  return GetLength();
}

int CString::Delete(int index, int count) {
  if (index < 0) index = 0;
  const int length = GetLength();
  if (count > 0 && index < length) {
    if (count > length - index) count = length - index;
    m_s.remove(index, count);
  }
  return GetLength();
}

CString& CString::MakeUpper() {
  m_s = MapCodePoints(m_s, [](char32_t cp) { return QChar::toUpper(cp); });
  return *this;
}

CString& CString::MakeLower() {
  m_s = MapCodePoints(m_s, [](char32_t cp) { return QChar::toLower(cp); });
  return *this;
}

CString& CString::MakeReverse() {
  // Reverses characters; a surrogate pair stays one character in its order.
  QString out;
  out.reserve(m_s.size());
  for (int end = static_cast<int>(m_s.size()); end > 0;) {
    int n = 0;
    AppendCodePoint(out, CodePointBefore(m_s, end, &n));
    end -= n;
  }
  m_s = std::move(out);
  return *this;
}

CString& CString::Trim() { return TrimRight().TrimLeft(); }
CString& CString::Trim(wchar_t target) { return TrimRight(target).TrimLeft(target); }
CString& CString::Trim(const CString& targets) { return TrimRight(targets).TrimLeft(targets); }

CString& CString::TrimLeft() {
  TrimLeftBy(m_s, IsTrimSpace);
  return *this;
}

CString& CString::TrimLeft(wchar_t target) {
  const char32_t t = WideToCodePoint(target);
  TrimLeftBy(m_s, [t](char32_t cp) { return cp == t; });
  return *this;
}

CString& CString::TrimLeft(const CString& targets) {
  const CodePointSet set(targets.m_s);
  TrimLeftBy(m_s, [&set](char32_t cp) { return set.Contains(cp); });
  return *this;
}

CString& CString::TrimRight() {
  TrimRightBy(m_s, IsTrimSpace);
  return *this;
}

CString& CString::TrimRight(wchar_t target) {
  const char32_t t = WideToCodePoint(target);
  TrimRightBy(m_s, [t](char32_t cp) { return cp == t; });
  return *this;
}

CString& CString::TrimRight(const CString& targets) {
  const CodePointSet set(targets.m_s);
  TrimRightBy(m_s, [&set](char32_t cp) { return set.Contains(cp); });
  return *this;
}

int CString::Compare(const CString& other) const {
  return Sign(m_s.compare(other.m_s, Qt::CaseSensitive));
}

int CString::CompareNoCase(const CString& other) const {
  return Sign(m_s.compare(other.m_s, Qt::CaseInsensitive));
}

CString CString::Tokenize(const CString& tokens, int& start) const {
  const int length = GetLength();
  if (start < 0 || start >= length) {
    start = -1;
    return CString();
  }
  if (tokens.m_s.isEmpty()) {
    // No delimiters: the rest is one token, and the next call ends the walk.
    CString rest(m_s.mid(start));
    start = length;
    return rest;
  }
  const CodePointSet set(tokens.m_s);
  const auto inSet = [&set](char32_t cp) { return set.Contains(cp); };
  int i = start;
  while (i < length) {
    int n = 0;
    if (!inSet(CodePointAt(m_s, i, &n))) break;
    i += n;
  }
  if (i >= length) {
    start = -1;
    return CString();
  }
  const int from = i;
  int delimiterUnits = 1;  // at the end of the text the next start is length + 1, as in MFC
  while (i < length) {
    int n = 0;
    if (inSet(CodePointAt(m_s, i, &n))) {
      delimiterUnits = n;
      break;
    }
    i += n;
  }
  start = i + delimiterUnits;  // just past the delimiter that ended the token
  return CString(m_s.mid(from, i - from));
}

CString CString::SpanIncluding(const CString& chars) const {
  const CodePointSet set(chars.m_s);
  return Left(LeadingSpan(m_s, [&set](char32_t cp) { return set.Contains(cp); }));
}

CString CString::SpanExcluding(const CString& chars) const {
  const CodePointSet set(chars.m_s);
  return Left(LeadingSpan(m_s, [&set](char32_t cp) { return !set.Contains(cp); }));
}

std::ostream& operator<<(std::ostream& os, const CString& s) { return os << s.ToUtf8(); }

BOOL CString::LoadString(UINT id) {
  platform::StringTableLookup lookup;
  {
    std::lock_guard<std::mutex> lock(g_tableMutex);
    lookup = g_table;
  }
  CString text;
  if (!lookup || !lookup(id, text)) {
    Empty();
    return FALSE;
  }
  *this = std::move(text);
  return TRUE;
}
