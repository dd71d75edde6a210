// The locale query: the number symbols of the user's locale, the size query and the refusals.
#include "platform/localeinfo.h"

#include <gtest/gtest.h>

#include <QLocale>
#include <QString>

namespace {

QString Read(LCTYPE type) {
  wchar_t buffer[16] = {};
  int n = GetLocaleInfo(LOCALE_USER_DEFAULT, type, buffer, 16);
  if (n <= 0) return QStringLiteral("<failed>");
  std::u32string text;
  for (int i = 0; i < n - 1; ++i) text.push_back(static_cast<char32_t>(buffer[i]));
  return QString::fromStdU32String(text);
}

TEST(LocaleInfoTest, NumberSymbolsAreThoseOfTheUsersLocale) {
  QLocale system = QLocale::system();
  EXPECT_EQ(Read(LOCALE_SDECIMAL), system.decimalPoint());
  EXPECT_EQ(Read(LOCALE_SNEGATIVESIGN), system.negativeSign());
  EXPECT_EQ(Read(LOCALE_STHOUSAND), system.groupSeparator());
}

TEST(LocaleInfoTest, SizeQueryAndRefusals) {
  int needed = GetLocaleInfo(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, nullptr, 0);
  ASSERT_GE(needed, 2);  // at least one character and the terminator
  wchar_t small[1] = {L'x'};
  struct Case {
    const char* name;
    LCID locale;
    LCTYPE type;
    wchar_t* buffer;
    int cch;
  } cases[] = {
      {"buffer too small", LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, small, needed - 1 > 0 ? needed - 1 : 1},
      {"unknown setting", LOCALE_USER_DEFAULT, 0x7777u, small, 1},
      {"unknown locale", 0x0412u, LOCALE_SDECIMAL, small, 1},
      {"null buffer with a size", LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, nullptr, 4},
      {"negative size", LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, small, -1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(GetLocaleInfo(c.locale, c.type, c.buffer, c.cch), 0) << c.name;
  }
}

}  // namespace
