// The rules of the number edits (CHexEdit, CNumbericEdit): which keys, typed characters and pasted
// texts keep a field a well-formed number, that is an optional leading negative sign, digits, and at
// most one decimal separator followed by a bounded count of digits. The decisions are made from the
// field's text and selection of the moment; the edits apply them.
#pragma once

#include "platform/controls.h"
#include "platform/cstring.h"

// The user locale's number symbols that a number edit uses.
struct LocaleNumberSymbols {
  wchar_t decimalSeparator;
  wchar_t negativeSign;
};

// '.' and '-', each replaced by the user locale's symbol when the locale gives it as one character.
LocaleNumberSymbols ReadLocaleNumberSymbols();

namespace numberfilter {

// The settings of one number edit.
struct Format {
  bool allowNegative;
  int decimalPlaces;  // 0: integers only
  LocaleNumberSymbols symbols;
};

// The field: its text and selection (start == end: no selection, the caret at start).
struct Field {
  CString text;
  int start;
  int end;
};

// The key tables of the two edits.
enum class KeyTable { Hex, Numeric };

enum class Verdict {
  Pass,             // the edit handles the key or character itself
  Beep,             // refused with the exclamation beep
  Swallow,          // refused silently
  InsertSeparator,  // accepted: the locale's decimal separator replaces the selection
  InsertSign,       // accepted: the locale's negative sign replaces the selection
};

// The single rules (a refusal is Beep).
Verdict DigitRule(const Format& format, const Field& field);
Verdict SeparatorRule(const Format& format, const Field& field);
Verdict MinusRule(const Format& format, const Field& field);

// A key press (virtual key) with the state of Ctrl and Shift.
Verdict FilterKeyDown(KeyTable table, const Format& format, const Field& field, UINT vk, bool ctrl, bool shift);
// A typed character (control characters pass; the key press that made it has been filtered).
Verdict FilterChar(KeyTable table, const Format& format, const Field& field, wchar_t ch);

// The number at the start of a pasted text: blanks and tabs skipped, then an optional negative sign
// (the whole result is empty when the sign is not allowed), digits 0-9, and one decimal separator
// when decimals are allowed. Empty when nothing was taken.
CString NumberFromText(const CString& pasted, const Format& format);

// Puts a pasted number into the field. limit is the field's text limit. False (the field stays as
// it is) when the paste is refused; else the new text and caret.
bool ComposePaste(const Format& format, const Field& field, CString number, UINT limit, CString& result,
                  int& caret);

// What the edits do with their messages.
// WM_KEYDOWN and WM_CHAR: TRUE when the edit swallows the message (after a beep when refused).
BOOL PreTranslate(CEdit& edit, KeyTable table, const Format& format, const MSG* msg);
// WM_PASTE: takes the number from the clipboard and puts it into the edit, or beeps. The warning is
// traced when the clipboard holds no number.
void Paste(CEdit& edit, const Format& format, const CString& warning);
// The number on the clipboard (empty when there is none).
CString ClipboardNumber(const Format& format);

}  // namespace numberfilter

// Virtual keys the number edits look at.
#ifndef VK_NUMPAD0
#define VK_NUMPAD0 0x60
#define VK_NUMPAD9 0x69
#endif
#ifndef VK_SUBTRACT
#define VK_SUBTRACT 0x6D
#endif
#ifndef VK_DECIMAL
#define VK_DECIMAL 0x6E
#endif
#ifndef VK_OEM_COMMA
#define VK_OEM_COMMA 0xBC
#endif
#ifndef VK_OEM_MINUS
#define VK_OEM_MINUS 0xBD
#endif
#ifndef VK_OEM_PERIOD
#define VK_OEM_PERIOD 0xBE
#endif
