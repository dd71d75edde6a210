// CNumbericEdit: an edit that lets the user type or paste only a decimal number: by default an
// optional leading negative sign and two digits after the decimal separator. Keys pressed with
// Shift type nothing.
#pragma once

#include "reference/control/edit/numberedit.h"

class CNumbericEdit : public CNumberEditBase {
 public:
  CNumbericEdit();
  explicit CNumbericEdit(WORD nDecimalPlaces);

  // The locale symbols this class uses, read once at start-up; tests and a program that follows a
  // locale change may set them.
  static const LocaleNumberSymbols& GetLocaleSymbols();
  static void SetLocaleSymbols(const LocaleNumberSymbols& symbols);
};
