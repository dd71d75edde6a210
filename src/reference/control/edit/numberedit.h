// CNumberEditBase: what the number edits (CHexEdit, CNumbericEdit) share: the sign and decimal
// settings, the filtering of keys and typed characters and the paste of a number, each through
// the number rules with the derived edit's key table and locale symbols.
#pragma once

#include "platform/controls.h"
#include "reference/control/edit/numberfilter.h"

class CNumberEditBase : public CEdit {
 public:
  BYTE m_bAllowNegative;    // 1: a leading negative sign may be entered
  WORD m_nDecimalPlaces;    // digits allowed after the decimal separator (0 to 9); 0: integers only

  BOOL PreTranslateMessage(MSG* pMsg) override;
  // The numeric text at the start of the clipboard's text (empty when there is none).
  CString GetClipboardNumber();

 protected:
  // pSymbols: the derived class's locale symbols, read at every use; pszPasteWarning: the trace of
  // a paste without a number.
  CNumberEditBase(numberfilter::KeyTable table, const LocaleNumberSymbols* pSymbols, const wchar_t* pszPasteWarning,
                  BYTE bAllowNegative, WORD nDecimalPlaces);

  LRESULT OnPaste(WPARAM wParam, LPARAM lParam);
  DECLARE_MESSAGE_MAP()

 private:
  numberfilter::Format CurrentFormat() const;

  numberfilter::KeyTable m_table;
  const LocaleNumberSymbols* m_pSymbols;
  const wchar_t* m_pszPasteWarning;
};
