// CNumbericEdit: an edit that lets the user type or paste only a decimal number: by default an
// optional leading negative sign and two digits after the decimal separator. Keys pressed with
// Shift type nothing.
#pragma once

#include "platform/controls.h"
#include "reference/control/edit/numberfilter.h"

class CNumbericEdit : public CEdit {
 public:
  CNumbericEdit();
  explicit CNumbericEdit(WORD nDecimalPlaces);

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
