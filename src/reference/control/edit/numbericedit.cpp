// The decimal number edit: its key table and paste through the shared number rules.
#include "reference/control/edit/numbericedit.h"

#include <algorithm>

namespace {
LocaleNumberSymbols g_numericSymbols = ReadLocaleNumberSymbols();
}  // namespace

BEGIN_MESSAGE_MAP(CNumbericEdit, CEdit)
  ON_MESSAGE(WM_PASTE, &CNumbericEdit::OnPaste)
END_MESSAGE_MAP()

CNumbericEdit::CNumbericEdit() : m_bAllowNegative(1), m_nDecimalPlaces(2) {}
CNumbericEdit::CNumbericEdit(WORD nDecimalPlaces) : m_bAllowNegative(1), m_nDecimalPlaces(nDecimalPlaces) {}

const LocaleNumberSymbols& CNumbericEdit::GetLocaleSymbols() { return g_numericSymbols; }
void CNumbericEdit::SetLocaleSymbols(const LocaleNumberSymbols& symbols) { g_numericSymbols = symbols; }

numberfilter::Format CNumbericEdit::CurrentFormat() const {
  return numberfilter::Format{m_bAllowNegative != 0, std::min<int>(m_nDecimalPlaces, 9), g_numericSymbols};
}

BOOL CNumbericEdit::PreTranslateMessage(MSG* pMsg) {
  if (numberfilter::PreTranslate(*this, numberfilter::KeyTable::Numeric, CurrentFormat(), pMsg)) return TRUE;
  return CEdit::PreTranslateMessage(pMsg);
}

CString CNumbericEdit::GetClipboardNumber() { return numberfilter::ClipboardNumber(CurrentFormat()); }

LRESULT CNumbericEdit::OnPaste(WPARAM, LPARAM) {
  numberfilter::Paste(*this, CurrentFormat(),
                      CString(L"(Warning) CNumericEdit::OnPaste: Unknown clipboard data format or clipboard data unavailable.\n"));
  return 0;
}
