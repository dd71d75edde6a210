// The rules of the number edits and their application to an edit's messages.
#include "reference/control/edit/numberfilter.h"

#include <algorithm>

#include "platform/localeinfo.h"
#include "platform/modal.h"
#include "platform/trace.h"
#include "platform/wnd.h"

LocaleNumberSymbols ReadLocaleNumberSymbols() {
  LocaleNumberSymbols symbols{L'.', L'-'};
  // Room for one character and the terminator: a longer symbol keeps the default.
  wchar_t buffer[2] = {};
  if (GetLocaleInfo(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, buffer, 2) != 0) symbols.decimalSeparator = buffer[0];
  if (GetLocaleInfo(LOCALE_USER_DEFAULT, LOCALE_SNEGATIVESIGN, buffer, 2) != 0) symbols.negativeSign = buffer[0];
  return symbols;
}

namespace numberfilter {

namespace {

bool StartsWith(const CString& text, wchar_t ch) { return !text.IsEmpty() && text.GetAt(0) == ch; }

// Nothing may be typed in front of a negative sign that stays.
bool InFrontOfSign(const Format& format, const Field& field) {
  return field.start == 0 && field.end == 0 && StartsWith(field.text, format.symbols.negativeSign);
}

bool IsDigit(wchar_t ch) { return ch >= L'0' && ch <= L'9'; }
bool IsHexLetter(wchar_t ch) { return (ch >= L'A' && ch <= L'F') || (ch >= L'a' && ch <= L'f'); }

// A key or character that stands for the decimal separator: the locale's own, the full stop, and the
// comma where the locale writes decimals with it.
bool IsSeparatorChar(const Format& format, wchar_t ch) {
  return ch == format.symbols.decimalSeparator || ch == L'.' || (ch == L',' && format.symbols.decimalSeparator == L',');
}

}  // namespace

Verdict DigitRule(const Format& format, const Field& field) {
  if (field.text.IsEmpty()) return Verdict::Pass;
  int sep = field.text.Find(format.symbols.decimalSeparator);
  if (sep >= 0 && field.start == field.end && field.start > sep &&
      field.text.GetLength() - sep - 1 >= format.decimalPlaces) {
    return Verdict::Beep;
  }
  if (InFrontOfSign(format, field)) return Verdict::Beep;
  return Verdict::Pass;
}

Verdict SeparatorRule(const Format& format, const Field& field) {
  // An empty field takes a separator, whatever the decimal count.
  if (field.text.IsEmpty()) return Verdict::InsertSeparator;
  if (format.decimalPlaces <= 0) return Verdict::Beep;
  const CString& text = field.text;
  for (int i = 0; i < text.GetLength(); ++i) {
    bool outside = i < field.start || i >= field.end;
    if (outside && text.GetAt(i) == format.symbols.decimalSeparator) return Verdict::Beep;
  }
  // The characters after the selection become the decimals.
  if (text.GetLength() - field.end > format.decimalPlaces) return Verdict::Beep;
  if (InFrontOfSign(format, field)) return Verdict::Beep;
  return Verdict::InsertSeparator;
}

Verdict MinusRule(const Format& format, const Field& field) {
  if (!format.allowNegative) return Verdict::Beep;
  if (field.text.IsEmpty()) return Verdict::InsertSign;
  if (field.start != 0) return Verdict::Beep;
  if (field.start == field.end &&
      (StartsWith(field.text, format.symbols.decimalSeparator) || StartsWith(field.text, format.symbols.negativeSign))) {
    return Verdict::Beep;
  }
  return Verdict::InsertSign;
}

Verdict FilterKeyDown(KeyTable table, const Format& format, const Field& field, UINT vk, bool ctrl, bool shift) {
  // Copy, cut, paste and select all.
  if (ctrl && (vk == 'C' || vk == 'X' || vk == 'V' || vk == 'A')) return Verdict::Pass;
  bool numeric = table == KeyTable::Numeric;
  if (numeric && (shift || vk == VK_SHIFT)) return Verdict::Swallow;
  // Shift with a main-keyboard digit types a symbol ('#' among them, the value separator of the
  // device's lines), never a digit.
  if (shift && vk >= '0' && vk <= '9') return Verdict::Swallow;
  switch (vk) {
    case VK_BACK:
    case VK_LEFT:
    case VK_RIGHT:
    case VK_DELETE:
      return Verdict::Pass;
    case VK_TAB:
    case VK_SHIFT:
      return DigitRule(format, field);
    case VK_OEM_MINUS:
    case VK_SUBTRACT:
      return MinusRule(format, field);
    case VK_DECIMAL:
    case VK_OEM_PERIOD:
      return SeparatorRule(format, field);
    case VK_OEM_COMMA:
      return format.symbols.decimalSeparator == L',' ? SeparatorRule(format, field) : Verdict::Swallow;
    case VK_SPACE:
      return Verdict::Beep;
    default:
      break;
  }
  if ((vk >= '0' && vk <= '9') || (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD9)) return DigitRule(format, field);
  if (vk >= 'A' && vk <= 'F') return numeric ? Verdict::Swallow : DigitRule(format, field);
  return Verdict::Swallow;
}

Verdict FilterChar(KeyTable table, const Format& format, const Field& field, wchar_t ch) {
  if (ch < 0x20 || ch == 0x7F) return Verdict::Pass;
  if (IsDigit(ch)) return DigitRule(format, field);
  if (table == KeyTable::Hex && IsHexLetter(ch)) return DigitRule(format, field);
  if (IsSeparatorChar(format, ch)) return SeparatorRule(format, field);
  if (ch == format.symbols.negativeSign || ch == L'-') return MinusRule(format, field);
  return Verdict::Beep;
}

CString NumberFromText(const CString& pasted, const Format& format) {
  int i = 0;
  int length = pasted.GetLength();
  while (i < length && (pasted.GetAt(i) == L' ' || pasted.GetAt(i) == L'\t')) ++i;
  CString number;
  if (i < length && pasted.GetAt(i) == format.symbols.negativeSign) {
    if (!format.allowNegative) return CString();
    number += format.symbols.negativeSign;
    ++i;
  }
  bool separatorTaken = false;
  for (; i < length; ++i) {
    wchar_t ch = pasted.GetAt(i);
    if (IsDigit(ch)) {
      number += ch;
    } else if (ch == format.symbols.decimalSeparator && format.decimalPlaces > 0 && !separatorTaken) {
      number += ch;
      separatorTaken = true;
    } else {
      break;
    }
  }
  return number;
}

bool ComposePaste(const Format& format, const Field& field, CString number, UINT limit, CString& result,
                  int& caret) {
  const CString& text = field.text;
  const wchar_t sep = format.symbols.decimalSeparator;
  int start = std::max(0, std::min(field.start, text.GetLength()));
  int end = std::max(start, std::min(field.end, text.GetLength()));
  if (number.IsEmpty()) return false;
  if (StartsWith(number, format.symbols.negativeSign) && start != 0) return false;
  if (StartsWith(text, format.symbols.negativeSign) && start == end) return false;
  // One separator at most: the number gives up its own when the field keeps one.
  int own = number.Find(sep);
  if (own >= 0) {
    bool fieldKeepsOne = false;
    for (int i = 0; i < text.GetLength(); ++i) {
      if (text.GetAt(i) == sep && (i < start || i >= end)) fieldKeepsOne = true;
    }
    if (format.decimalPlaces <= 0 || fieldKeepsOne) number = number.Left(own);
  }
  // The field's text limit holds for pasted text as for typed text.
  long long kept = text.GetLength() - (end - start);
  long long room = static_cast<long long>(limit) - kept;
  if (room <= 0) return false;
  if (number.GetLength() > room) number = number.Left(static_cast<int>(room));
  if (number.IsEmpty()) return false;
  CString composed = text.Left(start) + number + text.Mid(end);
  int newCaret = start + number.GetLength();
  int sepPos = composed.Find(sep);
  if (sepPos >= 0 && composed.GetLength() - sepPos - 1 > format.decimalPlaces) {
    composed = composed.Left(sepPos + 1 + std::max(0, format.decimalPlaces));
  }
  result = composed;
  caret = std::min(newCaret, composed.GetLength());
  return true;
}

CString ClipboardNumber(const Format& format) { return NumberFromText(GetClipboardText(), format); }

BOOL PreTranslate(CEdit& edit, KeyTable table, const Format& format, const MSG* msg) {
  if (msg == nullptr || msg->hwnd != edit.m_hWnd || edit.m_hWnd == nullptr) return FALSE;
  if (msg->message != WM_KEYDOWN && msg->message != WM_CHAR) return FALSE;
  Field field{edit.GetWindowText(), 0, 0};
  edit.GetSel(field.start, field.end);
  Verdict verdict = Verdict::Pass;
  if (msg->message == WM_KEYDOWN) {
    bool ctrl = GetKeyState(VK_CONTROL) < 0;
    bool shift = GetKeyState(VK_SHIFT) < 0;
    verdict = FilterKeyDown(table, format, field, static_cast<UINT>(msg->wParam), ctrl, shift);
  } else {
    // With Ctrl or Alt held the edit types nothing; the key press was filtered already.
    if (GetKeyState(VK_CONTROL) < 0 || GetKeyState(VK_MENU) < 0) return FALSE;
    verdict = FilterChar(table, format, field, static_cast<wchar_t>(msg->wParam));
  }
  switch (verdict) {
    case Verdict::Pass:
      return FALSE;
    case Verdict::Beep:
      MessageBeep(MB_ICONEXCLAMATION);
      return TRUE;
    case Verdict::Swallow:
      return TRUE;
    case Verdict::InsertSeparator:
    case Verdict::InsertSign:
      // The locale's own symbol, whichever key stood for it.
      if (edit.GetStyle() & ES_READONLY) {
        MessageBeep(MB_ICONEXCLAMATION);
        return TRUE;
      }
      edit.ReplaceSel(CString(verdict == Verdict::InsertSeparator ? format.symbols.decimalSeparator
                                                                  : format.symbols.negativeSign));
      return TRUE;
  }
  return FALSE;
}

void Paste(CEdit& edit, const Format& format, const CString& warning) {
  if (edit.m_hWnd == nullptr) return;
  if (edit.GetStyle() & ES_READONLY) {
    MessageBeep(MB_ICONEXCLAMATION);
    return;
  }
  CString number = ClipboardNumber(format);
  if (number.IsEmpty()) {
    platform::Trace(warning);
    MessageBeep(MB_ICONEXCLAMATION);
    return;
  }
  Field field{edit.GetWindowText(), 0, 0};
  edit.GetSel(field.start, field.end);
  CString result;
  int caret = 0;
  if (!ComposePaste(format, field, number, edit.GetLimitText(), result, caret)) {
    MessageBeep(MB_ICONEXCLAMATION);
    return;
  }
  // Through the selection, so that the change notifies the parent and can be undone.
  edit.SetSel(0, -1);
  edit.ReplaceSel(result);
  edit.SetSel(caret, caret);
}

}  // namespace numberfilter
