// CHexEdit: an edit that lets the user type or paste only a number: digits (the letters A to F may
// be typed too), by default no sign and no decimals. Shift with a digit key types nothing.
#pragma once

#include "platform/controls.h"
#include "reference/control/edit/numberfilter.h"

class CHexEdit : public CEdit {
 public:
  CHexEdit();

  BYTE m_bAllowNegative;    // 1: a leading negative sign may be entered
  WORD m_nDecimalPlaces;    // digits allowed after the decimal separator (0 to 9); 0: integers only

  BOOL PreTranslateMessage(MSG* pMsg) override;
  // The numeric text at the start of the clipboard's text (empty when there is none).
  CString GetClipboardNumber();

  // The locale symbols this class uses, read once at start-up; tests and a program that follows a
  // locale change may set them.
  static const LocaleNumberSymbols& GetLocaleSymbols();
  static void SetLocaleSymbols(const LocaleNumberSymbols& symbols);

 protected:
  LRESULT OnPaste(WPARAM wParam, LPARAM lParam);
  DECLARE_MESSAGE_MAP()

 private:
  numberfilter::Format CurrentFormat() const;
};
