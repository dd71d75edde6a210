// The hexadecimal number edit: its key table and paste through the shared number rules.
#include "reference/control/edit/hexedit.h"

#include <algorithm>

namespace {
LocaleNumberSymbols g_hexSymbols = ReadLocaleNumberSymbols();
}  // namespace

BEGIN_MESSAGE_MAP(CHexEdit, CEdit)
  ON_MESSAGE(WM_PASTE, &CHexEdit::OnPaste)
END_MESSAGE_MAP()

CHexEdit::CHexEdit() : m_bAllowNegative(0), m_nDecimalPlaces(0) {}

const LocaleNumberSymbols& CHexEdit::GetLocaleSymbols() { return g_hexSymbols; }
void CHexEdit::SetLocaleSymbols(const LocaleNumberSymbols& symbols) { g_hexSymbols = symbols; }

numberfilter::Format CHexEdit::CurrentFormat() const {
  return numberfilter::Format{m_bAllowNegative != 0, std::min<int>(m_nDecimalPlaces, 9), g_hexSymbols};
}

BOOL CHexEdit::PreTranslateMessage(MSG* pMsg) {
  if (numberfilter::PreTranslate(*this, numberfilter::KeyTable::Hex, CurrentFormat(), pMsg)) return TRUE;
  return CEdit::PreTranslateMessage(pMsg);
}

CString CHexEdit::GetClipboardNumber() { return numberfilter::ClipboardNumber(CurrentFormat()); }

LRESULT CHexEdit::OnPaste(WPARAM, LPARAM) {
  numberfilter::Paste(*this, CurrentFormat(),
                      CString(L"(Warning) CHexEdit::OnPaste: Unknown clipboard data format or clipboard data unavailable.\n"));
  return 0;
}
