// Locale settings and dates from the user's locale (the process's locale, as Qt reads it).
#include "platform/localeinfo.h"

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QStringList>

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

namespace {

// The date forms of a locale: its short form with a four-digit year and as it is, each also with
// days and months of one or two digits, its long form, and the ISO form.
QStringList DateForms(const QLocale& locale) {
  const QString shortForm = locale.dateFormat(QLocale::ShortFormat);
  QString fourDigits = shortForm;
  if (!shortForm.contains(QStringLiteral("yyyy"))) fourDigits.replace(QStringLiteral("yy"), QStringLiteral("yyyy"));
  QStringList forms;
  for (const QString& f : {fourDigits, shortForm}) {
    forms << f;
    QString loose = f;
    forms << loose.replace(QStringLiteral("dd"), QStringLiteral("d")).replace(QStringLiteral("MM"), QStringLiteral("M"));
  }
  forms << locale.dateFormat(QLocale::LongFormat) << QStringLiteral("yyyy-MM-dd");
  forms.removeDuplicates();
  return forms;
}

QStringList TimeForms(const QLocale& locale) {
  QStringList forms{locale.timeFormat(QLocale::ShortFormat), locale.timeFormat(QLocale::LongFormat),
                    QStringLiteral("H:mm"), QStringLiteral("H:mm:ss")};
  forms.removeDuplicates();
  return forms;
}

}  // namespace

BOOL ParseLocaleDateTime(LCID locale, const CString& text, long long& key) {
  if (locale != LOCALE_USER_DEFAULT && locale != LOCALE_SYSTEM_DEFAULT) return FALSE;
  // Qt's default locale: the process's own unless the program chose another.
  const QLocale user;
  const QString value = text.q().simplified();
  if (value.isEmpty()) return FALSE;
  QDateTime moment;
  for (const QString& date : DateForms(user)) {
    const QDate day = user.toDate(value, date);
    if (day.isValid()) {
      moment = QDateTime(day, QTime(0, 0));
      break;
    }
    for (const QString& time : TimeForms(user)) {
      const QDateTime both = user.toDateTime(value, date + u' ' + time);
      if (both.isValid()) {
        moment = both;
        break;
      }
    }
    if (moment.isValid()) break;
  }
  if (!moment.isValid()) return FALSE;
  const QDate d = moment.date();
  const QTime t = moment.time();
  key = ((((static_cast<long long>(d.year()) * 100 + d.month()) * 100 + d.day()) * 100 + t.hour()) * 100 + t.minute()) *
            100 +
        t.second();
  return TRUE;
}
