// The stored and typed forms of the values the pages carry (see valuecodec.h).
#include "gui/dlg/valuecodec.h"

#include "gui/dlg/blerecordcodec.h"
#include "gui/dlg/numberedvalues.h"

namespace brelvano {

namespace {
bool HasOption(const PARAM_INFO& p, int option) {
  return p.pOptions != nullptr && option >= 0 && option < p.nOptions;
}

CString Two(int v) {
  CString s;
  s.Format(L"%02d", v);
  return s;
}
}  // namespace

int DecimalIndex(const CString& text) {
  CString t = text;
  t.Trim();
  if (t.IsEmpty() || t.GetLength() > 9) return -1;
  for (int i = 0; i < t.GetLength(); ++i) {
    if (t[i] < L'0' || t[i] > L'9') return -1;
  }
  return TextToInt(t);
}

ComboForm StoredComboForm(bool numberedSet, bool json) {
  return numberedSet && !json ? ComboForm::kPosition : ComboForm::kLabel;
}

CString EncodeComboChoice(const PARAM_INFO& p, int option, ComboForm form) {
  if (!HasOption(p, option)) return CString();
  return form == ComboForm::kPosition ? Two(option) : p.pOptions[option].strText;
}

int DecodeComboChoice(const PARAM_INFO& p, const CString& stored, ComboForm form) {
  if (form == ComboForm::kPosition) {
    const int option = DecimalIndex(stored);
    return HasOption(p, option) ? option : -1;
  }
  for (int k = 0; p.pOptions != nullptr && k < p.nOptions; ++k) {
    if (p.pOptions[k].strText == stored) return k;
  }
  return -1;
}

CString ComboChoiceToDevice(const PARAM_INFO& p, int option, ComboForm form) {
  if (!HasOption(p, option)) return CString();
  return Two(form == ComboForm::kPosition ? option : p.pOptions[option].nValue);
}

int ComboChoiceFromDevice(const PARAM_INFO& p, const CString& device, ComboForm form) {
  const int n = DecimalIndex(device);
  if (n < 0) return -1;
  if (form == ComboForm::kPosition) return HasOption(p, n) ? n : -1;
  for (int k = 0; p.pOptions != nullptr && k < p.nOptions; ++k) {
    if (p.pOptions[k].nValue == n) return k;
  }
  return -1;
}

CString EncodeAlertNumber(int number, bool json) {
  if (json) return Two(number);
  return IntToPaddedText(number, 2);
}

int DecodeAlertNumber(const CString& stored, bool json) {
  return json ? TextToInt(stored) : HexTextToLong(stored);
}

CString AlertNumberToDevice(const CString& stored, bool json) {
  return IntToPaddedText(DecodeAlertNumber(stored, json), 2);
}

CString AlertNumberFromDevice(const CString& hex, bool json) { return EncodeAlertNumber(HexTextToLong(hex), json); }

CString TypedDecimal(const CString& text) {
  CString t = text;
  t.Trim();
  long long unused = 0;
  // Only a text that is a decimal number has its separator turned.
  if (t.Find(L',') >= 0 && t.Find(L'.') < 0 && ScaleDecimalText(t, 0, unused)) t.Replace(L',', L'.');
  return t;
}

CString ShownDecimal(const CString& text) {
  CString t = TypedDecimal(text);
  long long whole = 0;
  if (!ScaleDecimalText(t, 0, whole)) return text;
  const int point = t.Find(L'.');
  if (point < 0) return t;
  t.TrimRight(L'0');
  if (t.Right(1) == L".") t = t.Left(t.GetLength() - 1);
  if (t.IsEmpty() || t == L"-" || t == L"+") t = L"0";
  if (t == L"-0") t = L"0";
  return t;
}

bool EncodeHexField(const CString& text, int width, CString& out, CString& error) {
  for (int i = 0; i < text.GetLength(); ++i) {
    const wchar_t c = text[i];
    if (!((c >= L'0' && c <= L'9') || (c >= L'A' && c <= L'F') || (c >= L'a' && c <= L'f'))) {
      error.Format(L"The hexadecimal text %s holds a character that is not a hexadecimal digit.", text.GetString());
      return false;
    }
  }
  if (width > 0 && text.GetLength() > width) {
    error.Format(L"The hexadecimal text %s does not fit its field of %d digits.", text.GetString(), width);
    return false;
  }
  out = text;
  out.MakeUpper();
  while (out.GetLength() < width) out += L'0';
  return true;
}

int HexFieldWidth(int nSize) { return nSize > 0 ? nSize : 2; }

bool CheckTextField(const CString& text, wchar_t delimiter, const CString& extra, const CString& name,
                    CString& error) {
  bool bad = text.Find(L'\r') >= 0 || text.Find(L'\n') >= 0 || (delimiter != 0 && text.Find(delimiter) >= 0);
  for (int i = 0; !bad && i < extra.GetLength(); ++i) bad = text.Find(extra[i]) >= 0;
  if (!bad) return true;
  CString forbidden;
  if (delimiter != 0) forbidden.Format(L"'%c', ", delimiter);
  for (int i = 0; i < extra.GetLength(); ++i) {
    if (extra[i] == delimiter) continue;
    CString c;
    c.Format(L"'%c', ", extra[i]);
    forbidden += c;
  }
  error = L"The value of \"" + name + L"\" holds " + forbidden + L"or a line break: nothing was sent.";
  return false;
}

}  // namespace brelvano
