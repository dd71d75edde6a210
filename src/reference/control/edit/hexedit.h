// CHexEdit: an edit that lets the user type or paste only a number: digits (the letters A to F may
// be typed too), by default no sign and no decimals. Shift with a digit key types nothing.
#pragma once

#include "reference/control/edit/numberedit.h"

class CHexEdit : public CNumberEditBase {
 public:
  CHexEdit();

  // The locale symbols this class uses, read once at start-up; tests and a program that follows a
  // locale change may set them.
  static const LocaleNumberSymbols& GetLocaleSymbols();
  static void SetLocaleSymbols(const LocaleNumberSymbols& symbols);
};
