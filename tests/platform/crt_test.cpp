// Tests of the C run-time number helpers: leading-number parsing, clamping, bases, end index, and
// "C"-locale results while the process runs in a locale with a decimal comma.
#include "platform/crt.h"

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <cfloat>
#include <climits>
#include <cmath>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

namespace {

TEST(CrtTest, WtoiTakesTheLeadingIntegerAndClamps) {
  struct Case {
    const wchar_t* text;
    long long want;
  };
  const Case cases[] = {
      {L"42", 42},
      {L"  -17xyz", -17},
      {L"\t\r\n\v\f+5", 5},
      {L"007", 7},
      {L"12 34", 12},
      {L"abc", 0},
      {L"", 0},
      {L"-", 0},
      {L"- 5", 0},
      {L"0x10", 0},
      {L"\uFF11\uFF12", 0},  // full-width digits are not digits here
      {L"2147483647", INT_MAX},
      {L"-2147483648", INT_MIN},
      {L"2147483648", INT_MAX},
      {L"-2147483649", INT_MIN},
      {L"99999999999999999999999", INT_MAX},
      {L"-99999999999999999999999", INT_MIN},
  };
  for (const Case& c : cases) EXPECT_EQ(_wtoi(c.text), c.want) << CString(c.text).ToUtf8();

  EXPECT_EQ(_wtol(L"-123abc"), -123L);
  EXPECT_EQ(_wtol(L"99999999999999999999999"), LONG_MAX);
  EXPECT_EQ(_wtoi64(L"9223372036854775807"), LLONG_MAX);
  EXPECT_EQ(_wtoi64(L"-9223372036854775808"), LLONG_MIN);
  EXPECT_EQ(_wtoi64(L"9223372036854775808"), LLONG_MAX);
  EXPECT_EQ(_wtoi64(L"-9223372036854775809"), LLONG_MIN);
  EXPECT_EQ(_wtoi64(L" 1099511627776 "), 1099511627776LL);
}

TEST(CrtTest, WtofTakesTheLeadingNumber) {
  struct Case {
    const wchar_t* text;
    double want;
  };
  const Case cases[] = {
      {L"1.5", 1.5},    {L"1.2.3", 1.2},       {L"abc", 0.0},  {L"", 0.0},        {L"  -2.5e3x", -2500.0},
      {L"1,5", 1.0},    {L".5", 0.5},          {L"1e", 1.0},   {L"1e+", 1.0},     {L"+7.", 7.0},
      {L"3.25\u00B0", 3.25},  {L"\uFF13", 0.0}, {L"1e400", HUGE_VAL},
  };
  for (const Case& c : cases) EXPECT_DOUBLE_EQ(_wtof(c.text), c.want) << CString(c.text).ToUtf8();
}

TEST(CrtTest, WideToLongWithBasesAndEndIndex) {
  struct Case {
    const wchar_t* text;
    int base;
    long want;
    int wantEnd;
  };
  const Case cases[] = {
      {L"ff", 16, 255, 2},
      {L"0xff", 16, 255, 4},
      {L"0XFFg", 16, 255, 4},
      {L"0x", 16, 0, 1},  // the "0" is the number
      {L"0xg", 0, 0, 1},
      {L"0x1A", 0, 26, 4},
      {L"017", 0, 15, 3},
      {L"019", 0, 1, 2},
      {L"42", 0, 42, 2},
      {L"12ab", 10, 12, 2},
      {L"  -10,", 10, -10, 5},
      {L"101", 2, 5, 3},
      {L"zZ", 36, 35 * 36 + 35, 2},
      {L"", 10, 0, 0},
      {L"xyz", 10, 0, 0},
      {L"  -", 10, 0, 0},
      {L"10", 1, 0, 0},  // not a base
      {L"10", 37, 0, 0},
      {L"99999999999999999999", 10, LONG_MAX, 20},
      {L"-99999999999999999999", 10, LONG_MIN, 21},
  };
  for (const Case& c : cases) {
    int end = -7;
    EXPECT_EQ(WideToLong(c.text, &end, c.base), c.want) << CString(c.text).ToUtf8() << " base " << c.base;
    EXPECT_EQ(end, c.wantEnd) << CString(c.text).ToUtf8() << " base " << c.base;
  }
  EXPECT_EQ(WideToLong(L"-0x10", nullptr, 16), -16);

  int end = 0;
  EXPECT_EQ(WideToULong(L"ffffffff", &end, 16), 0xFFFFFFFFul);
  EXPECT_EQ(end, 8);
  EXPECT_EQ(WideToULong(L"-1", &end, 10), ULONG_MAX);
  EXPECT_EQ(end, 2);
  EXPECT_EQ(WideToULong(L"99999999999999999999999", &end, 10), ULONG_MAX);
  EXPECT_EQ(WideToULong(L"q", &end, 10), 0ul);
  EXPECT_EQ(end, 0);
  EXPECT_EQ(WideToULong(L"7", nullptr, 0), 7ul);
}

TEST(CrtTest, WcsicmpIgnoresCase) {
  EXPECT_EQ(_wcsicmp(L"Port", L"PORT"), 0);
  EXPECT_EQ(_wcsicmp(L"ação", L"AÇÃO"), 0);
  EXPECT_LT(_wcsicmp(L"abc", L"ABD"), 0);
  EXPECT_GT(_wcsicmp(L"b", L"A"), 0);
  EXPECT_LT(_wcsicmp(L"", L"a"), 0);
}

// Puts the process in a locale whose decimal separator is a comma, and restores the previous
// locale afterwards. Uses an installed one when there is one; otherwise compiles one into a
// temporary folder with localedef (found through LOCPATH).
class DecimalCommaLocale {
 public:
  DecimalCommaLocale() : m_previous(std::setlocale(LC_ALL, nullptr)) {
    const char* locpath = std::getenv("LOCPATH");
    if (locpath) m_previousLocpath = std::string(locpath);
  }
  ~DecimalCommaLocale() {
    std::setlocale(LC_ALL, m_previous.c_str());
    if (m_previousLocpath)
      setenv("LOCPATH", m_previousLocpath->c_str(), 1);
    else
      unsetenv("LOCPATH");
  }

  // True when the process now has a decimal-comma locale; otherwise *why tells why not.
  bool Enter(std::string* why) {
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "pt_BR.UTF-8", "pt_BR.utf8", "fr_FR.UTF-8", "de_DE", "pt_BR"})
      if (TrySet(name)) return true;
    const QString localedef = QStringLiteral("/usr/bin/localedef");
    const QString source = QStringLiteral("/usr/share/i18n/locales/pt_BR");
    if (!QFileInfo::exists(localedef) || !QFileInfo::exists(source)) {
      *why = "no decimal-comma locale is installed and localedef or its locale sources are missing";
      return false;
    }
    if (!m_dir.isValid()) {
      *why = "no temporary folder";
      return false;
    }
    QProcess p;
    p.start(localedef, {QStringLiteral("-i"), QStringLiteral("pt_BR"), QStringLiteral("-f"), QStringLiteral("ISO-8859-1"),
                        m_dir.path() + QStringLiteral("/pt_BR.ISO-8859-1")});
    if (!p.waitForFinished(120000)) {
      *why = "localedef did not finish";
      return false;
    }
    setenv("LOCPATH", m_dir.path().toLocal8Bit().constData(), 1);
    if (TrySet("pt_BR.ISO-8859-1")) return true;
    *why = "localedef could not build a decimal-comma locale: " + p.readAllStandardError().toStdString();
    return false;
  }

 private:
  static bool TrySet(const char* name) {
    if (!std::setlocale(LC_ALL, name)) return false;
    return std::string(std::localeconv()->decimal_point) == ",";
  }

  std::string m_previous;
  std::optional<std::string> m_previousLocpath;
  QTemporaryDir m_dir;
};

TEST(CrtTest, NumbersUseTheCLocaleWhateverTheProcessLocale) {
  DecimalCommaLocale locale;
  std::string why;
  if (!locale.Enter(&why)) GTEST_SKIP() << why;

  // The process locale really writes and reads a comma now.
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.1f", 1.5);
  ASSERT_STREQ(buffer, "1,5");

  EXPECT_DOUBLE_EQ(_wtof(L"1.5"), 1.5);
  EXPECT_DOUBLE_EQ(_wtof(L"1,5"), 1.0);
  EXPECT_DOUBLE_EQ(_wtof(L"-0.125e1"), -1.25);
  CString s;
  s.Format(L"%.2f", 1.5);
  EXPECT_EQ(s, L"1.50");
  s.Format(L"%g|%e|%d", 0.5, 1234.5, 1234567);
  EXPECT_EQ(s, L"0.5|1.234500e+03|1234567");
  EXPECT_EQ(_wtoi(L"1234"), 1234);

  // Formatting left the thread in the process locale.
  std::snprintf(buffer, sizeof buffer, "%.1f", 2.5);
  EXPECT_STREQ(buffer, "2,5");
}

}  // namespace
