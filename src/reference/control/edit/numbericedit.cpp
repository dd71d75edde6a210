// The decimal number edit: its key table and locale symbols for the shared number edit.
#include "reference/control/edit/numbericedit.h"

namespace {
LocaleNumberSymbols g_numericSymbols = ReadLocaleNumberSymbols();
constexpr const wchar_t* kPasteWarning =
    L"(Warning) CNumericEdit::OnPaste: Unknown clipboard data format or clipboard data unavailable.\n";
}  // namespace

CNumbericEdit::CNumbericEdit() : CNumbericEdit(2) {}
CNumbericEdit::CNumbericEdit(WORD nDecimalPlaces)
    : CNumberEditBase(numberfilter::KeyTable::Numeric, &g_numericSymbols, kPasteWarning, 1, nDecimalPlaces) {}

const LocaleNumberSymbols& CNumbericEdit::GetLocaleSymbols() { return g_numericSymbols; }
void CNumbericEdit::SetLocaleSymbols(const LocaleNumberSymbols& symbols) { g_numericSymbols = symbols; }
