// Locale settings from the user's locale (the process environment's, as Qt reads it).
#include "platform/localeinfo.h"

#include <QLocale>
#include <QString>

int GetLocaleInfo(LCID locale, LCTYPE type, wchar_t* lpLCData, int cchData) {
  if (locale != LOCALE_USER_DEFAULT && locale != LOCALE_SYSTEM_DEFAULT) return 0;
  if (cchData < 0 || (cchData > 0 && lpLCData == nullptr)) return 0;
  QLocale system = QLocale::system();
  QString value;
  switch (type) {
    case LOCALE_SDECIMAL: value = system.decimalPoint(); break;
    case LOCALE_STHOUSAND: value = system.groupSeparator(); break;
    case LOCALE_SNEGATIVESIGN: value = system.negativeSign(); break;
    case LOCALE_SPOSITIVESIGN: value = system.positiveSign(); break;
    default: return 0;
  }
  std::u32string wide = value.toStdU32String();
  int needed = static_cast<int>(wide.size()) + 1;
  if (cchData == 0) return needed;
  if (cchData < needed) return 0;
  for (size_t i = 0; i < wide.size(); ++i) lpLCData[i] = static_cast<wchar_t>(wide[i]);
  lpLCData[wide.size()] = L'\0';
  return needed;
}
