// CString: the program's text type. UTF-16 text (lengths, indices and cuts count UTF-16 units)
// held in a QString, with the members of the MFC string the program calls.
#pragma once

#include <QHashFunctions>
#include <QString>
#include <functional>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "platform/wintypes.h"

typedef wchar_t TCHAR;
typedef const wchar_t* LPCTSTR;
typedef const wchar_t* LPCWSTR;
typedef wchar_t* LPTSTR;
typedef const char* LPCSTR;

class CString;

namespace platform {
// One argument of CString::Format; built implicitly from every type the formats take.
struct FormatArg {
  enum Kind { Int, UInt, Double, Text, Pointer } kind;
  long long i = 0;
  unsigned long long u = 0;
  double d = 0;
  QString s;
  const void* p = nullptr;

  FormatArg(bool v) : kind(Int), i(v ? 1 : 0) {}
  FormatArg(char v) : kind(Int), i(static_cast<unsigned char>(v)) {}
  FormatArg(signed char v) : kind(Int), i(v) {}
  FormatArg(unsigned char v) : kind(UInt), u(v) {}
  FormatArg(wchar_t v) : kind(UInt), u(static_cast<unsigned long long>(v)) {}
  FormatArg(char16_t v) : kind(UInt), u(v) {}
  FormatArg(short v) : kind(Int), i(v) {}
  FormatArg(unsigned short v) : kind(UInt), u(v) {}
  FormatArg(int v) : kind(Int), i(v) {}
  FormatArg(unsigned int v) : kind(UInt), u(v) {}
  FormatArg(long v) : kind(Int), i(v) {}
  FormatArg(unsigned long v) : kind(UInt), u(v) {}
  FormatArg(long long v) : kind(Int), i(v) {}
  FormatArg(unsigned long long v) : kind(UInt), u(v) {}
  FormatArg(float v) : kind(Double), d(v) {}
  FormatArg(double v) : kind(Double), d(v) {}
  FormatArg(const CString& v);
  FormatArg(const wchar_t* v);
  FormatArg(const char16_t* v);
  FormatArg(const char* v);  // UTF-8
  FormatArg(const QString& v) : kind(Text), s(v) {}
  FormatArg(const std::string& v) : kind(Text), s(QString::fromStdString(v)) {}
  FormatArg(const void* v) : kind(Pointer), p(v) {}
  FormatArg(void* v) : kind(Pointer), p(v) {}
};

// Formats with the Windows C run-time meanings (%s/%S text, %d %i %u %x %X %o %c %f %e %g %p,
// flags, width, precision, the h/l/ll/I64 size prefixes), always in the "C" locale.
// A conversion whose argument is missing or of an unusable kind writes nothing for it.
QString FormatText(const QString& format, const std::vector<FormatArg>& args);
}  // namespace platform

class CString {
 public:
  CString() = default;
  CString(const CString&) = default;
  CString(CString&&) noexcept = default;
  CString& operator=(const CString&) = default;
  CString& operator=(CString&&) noexcept = default;

  CString(const wchar_t* text);               // null gives the empty text
  CString(const wchar_t* text, int length);
  CString(const char16_t* text);
  CString(const char* utf8);                  // source literals and UTF-8 bytes
  CString(wchar_t ch, int repeat = 1);
  CString(const QString& text) : m_s(text) {}
  CString(const std::wstring& text);

  CString& operator=(const wchar_t* text);
  CString& operator=(const char* utf8);
  CString& operator=(wchar_t ch);

  // Access for the layer's own code.
  const QString& q() const { return m_s; }
  QString& q() { return m_s; }

  int GetLength() const { return static_cast<int>(m_s.size()); }
  BOOL IsEmpty() const { return m_s.isEmpty(); }
  void Empty() { m_s.clear(); }

  // The UTF-16 unit at an index (0 outside the text).
  wchar_t GetAt(int index) const;
  void SetAt(int index, wchar_t ch);
  wchar_t operator[](int index) const { return GetAt(index); }

  // Wide text of the platform's wchar_t (UTF-32 here), valid until the string next changes.
  const wchar_t* GetString() const;
  std::wstring ToWString() const;
  std::string ToUtf8() const;
  static CString FromUtf8(std::string_view bytes);
  // The UTF-16 units of the text, and text made of UTF-16 units (zero units kept).
  std::u16string ToUtf16() const;
  static CString FromUtf16(std::u16string_view units);

  CString Left(int count) const;
  CString Mid(int first) const;
  CString Mid(int first, int count) const;
  CString Right(int count) const;

  int Find(wchar_t ch, int start = 0) const;
  int Find(const CString& sub, int start = 0) const;
  int Find(const wchar_t* sub, int start = 0) const { return Find(CString(sub), start); }
  int Find(const char* sub, int start = 0) const { return Find(CString(sub), start); }
  int ReverseFind(wchar_t ch) const;
  int FindOneOf(const CString& chars) const;

  int Replace(wchar_t oldCh, wchar_t newCh);
  int Replace(const CString& oldText, const CString& newText);
  int Remove(wchar_t ch);
  int Insert(int index, wchar_t ch);
  int Insert(int index, const CString& text);
  int Delete(int index, int count = 1);

  CString& MakeUpper();
  CString& MakeLower();
  CString& MakeReverse();

  CString& Trim();
  CString& Trim(wchar_t target);
  CString& Trim(const CString& targets);
  CString& TrimLeft();
  CString& TrimLeft(wchar_t target);
  CString& TrimLeft(const CString& targets);
  CString& TrimRight();
  CString& TrimRight(wchar_t target);
  CString& TrimRight(const CString& targets);

  // <0, 0, >0 like wcscmp / _wcsicmp (ordinal by UTF-16 unit; no-case folds with simple case mapping).
  int Compare(const CString& other) const;
  int CompareNoCase(const CString& other) const;

  // Next token after position start (skipping leading delimiters); start becomes -1 at the end.
  CString Tokenize(const CString& tokens, int& start) const;
  CString SpanIncluding(const CString& chars) const;
  CString SpanExcluding(const CString& chars) const;

  // Text of the program's string table (see SetStringTable); FALSE and empty when absent.
  BOOL LoadString(UINT id);

  template <typename... Args>
  void Format(const CString& format, const Args&... args) {
    m_s = platform::FormatText(format.m_s, {platform::FormatArg(args)...});
  }
  template <typename... Args>
  void AppendFormat(const CString& format, const Args&... args) {
    m_s += platform::FormatText(format.m_s, {platform::FormatArg(args)...});
  }

  CString& operator+=(const CString& other) { m_s += other.m_s; return *this; }
  CString& operator+=(const wchar_t* other) { return *this += CString(other); }
  CString& operator+=(const char* other) { return *this += CString(other); }
  CString& operator+=(wchar_t ch);
  CString& operator+=(char ch) { return *this += static_cast<wchar_t>(static_cast<unsigned char>(ch)); }

  friend CString operator+(const CString& a, const CString& b) { CString r(a); r += b; return r; }
  friend CString operator+(const CString& a, const wchar_t* b) { return a + CString(b); }
  friend CString operator+(const wchar_t* a, const CString& b) { return CString(a) + b; }
  friend CString operator+(const CString& a, const char* b) { return a + CString(b); }
  friend CString operator+(const char* a, const CString& b) { return CString(a) + b; }
  friend CString operator+(const CString& a, wchar_t b) { CString r(a); r += b; return r; }
  friend CString operator+(wchar_t a, const CString& b) { return CString(a) + b; }

  friend bool operator==(const CString& a, const CString& b) { return a.m_s == b.m_s; }
  friend bool operator!=(const CString& a, const CString& b) { return a.m_s != b.m_s; }
  friend bool operator<(const CString& a, const CString& b) { return a.Compare(b) < 0; }
  friend bool operator>(const CString& a, const CString& b) { return a.Compare(b) > 0; }
  friend bool operator<=(const CString& a, const CString& b) { return a.Compare(b) <= 0; }
  friend bool operator>=(const CString& a, const CString& b) { return a.Compare(b) >= 0; }
  friend bool operator==(const CString& a, const wchar_t* b) { return a.EqualsWide(b); }
  friend bool operator!=(const CString& a, const wchar_t* b) { return !a.EqualsWide(b); }
  friend bool operator==(const wchar_t* a, const CString& b) { return b.EqualsWide(a); }
  friend bool operator!=(const wchar_t* a, const CString& b) { return !b.EqualsWide(a); }
  friend bool operator==(const CString& a, const char* b) { return a == CString(b); }
  friend bool operator!=(const CString& a, const char* b) { return a != CString(b); }

 private:
  // Whether the text equals CString(text), without making that string.
  bool EqualsWide(const wchar_t* text) const;

  QString m_s;
  mutable std::wstring m_wide;  // backing store of GetString()
};

// Writes the text as UTF-8 (log lines, test failure messages).
std::ostream& operator<<(std::ostream& os, const CString& s);

namespace std {
template <>
struct hash<CString> {
  size_t operator()(const CString& s) const noexcept { return qHash(s.q()); }
};
}  // namespace std

namespace platform {
// The program's own string table, looked up by CString::LoadString.
using StringTableLookup = std::function<bool(UINT id, CString& out)>;
void SetStringTable(StringTableLookup lookup);
}  // namespace platform
