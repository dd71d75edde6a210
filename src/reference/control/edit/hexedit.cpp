// The hexadecimal number edit: its key table and locale symbols for the shared number edit.
#include "reference/control/edit/hexedit.h"

namespace {
LocaleNumberSymbols g_hexSymbols = ReadLocaleNumberSymbols();
}  // namespace

CHexEdit::CHexEdit()
    : CNumberEditBase(numberfilter::KeyTable::Hex, &g_hexSymbols,
                      L"(Warning) CHexEdit::OnPaste: Unknown clipboard data format or clipboard data unavailable.\n", 0,
                      0) {}

const LocaleNumberSymbols& CHexEdit::GetLocaleSymbols() { return g_hexSymbols; }
void CHexEdit::SetLocaleSymbols(const LocaleNumberSymbols& symbols) { g_hexSymbols = symbols; }
