// BLE record values on the wire (see blerecordcodec.h).
#include "gui/dlg/blerecordcodec.h"

#include "gui/dlg/numberedvalues.h"
#include "gui/dlg/pagehelpers.h"

namespace brelvano {

namespace {

constexpr long long kMaxMagnitude = 1000000000000000000LL;  // 10^18
constexpr int kMaxFieldDigits = 8;

struct DecimalText {
  bool negative = false;
  CString whole;     // digits before the separator
  CString fraction;  // digits after it
};

bool SplitDecimal(const CString& text, DecimalText& out) {
  CString t = text;
  t.Trim();
  int i = 0;
  if (i < t.GetLength() && (t[i] == L'-' || t[i] == L'+')) {
    out.negative = t[i] == L'-';
    ++i;
  }
  bool separator = false;
  for (; i < t.GetLength(); ++i) {
    const wchar_t c = t[i];
    if (c >= L'0' && c <= L'9') {
      (separator ? out.fraction : out.whole) += c;
    } else if ((c == L'.' || c == L',') && !separator) {
      separator = true;
    } else {
      return false;
    }
  }
  // "-" or "." alone is no number, the empty text is 0.
  return !(t.GetLength() > 0 && out.whole.IsEmpty() && out.fraction.IsEmpty());
}

bool IsHexText(const CString& t) {
  for (int i = 0; i < t.GetLength(); ++i) {
    const wchar_t c = t[i];
    if (!((c >= L'0' && c <= L'9') || (c >= L'A' && c <= L'F') || (c >= L'a' && c <= L'f'))) return false;
  }
  return true;
}

}  // namespace

bool ScaleDecimalText(const CString& text, int decimals, long long& value) {
  DecimalText d;
  if (decimals < 0 || decimals > 17 || !SplitDecimal(text, d)) return false;
  CString digits = d.whole;
  for (int k = 0; k < decimals; ++k) digits += k < d.fraction.GetLength() ? d.fraction[k] : L'0';
  long long v = 0;
  for (int i = 0; i < digits.GetLength(); ++i) {
    const int digit = digits[i] - L'0';
    // Checked before the step, so that the product never leaves the integer's range.
    if (v > (kMaxMagnitude - 1 - digit) / 10) return false;
    v = v * 10 + digit;
  }
  value = d.negative ? -v : v;
  return true;
}

CString FormatDecimalCut(const CString& text, int decimals) {
  DecimalText d;
  if (text.IsEmpty() || !SplitDecimal(text, d)) return text;
  if (decimals < 0) decimals = 0;
  CString whole = d.whole;
  whole.TrimLeft(L'0');
  if (whole.IsEmpty()) whole = L"0";
  CString fraction = d.fraction;
  fraction.TrimRight(L'0');
  const bool isWhole = fraction.IsEmpty();
  CString cut = isWhole ? CString() : fraction.Left(decimals);
  while (!isWhole && cut.GetLength() < decimals) cut += L'0';
  bool zero = whole == L"0";
  for (int i = 0; zero && i < cut.GetLength(); ++i) zero = cut[i] == L'0';
  const CString sign = d.negative && !zero ? CString(L"-") : CString();
  if (isWhole || decimals == 0) return sign + whole;
  return sign + whole + L"." + cut;
}

bool EncodeBleValue(const CString& token, const FIELD_FORMAT& f, CString& out, CString& error) {
  const int width = f.nWidth;
  switch (f.nType) {
    case CTRL_COMBO: {
      long long v = 0;
      if (!ScaleDecimalText(token, 0, v) || token.Find(L'.') >= 0 || v < 0 || v > 0xFF) {
        error.Format(L"The choice value %s does not fit its field (0 to 255).", token);
        return false;
      }
      out = IntToPaddedText(static_cast<int>(v), 2);
      return true;
    }
    case CTRL_EDIT:
    case CTRL_EDIT_NUMBER: {
      if (width < 1 || width > kMaxFieldDigits) {
        error.Format(L"The value %s has a field of %d digits, which cannot be written.", token, width);
        return false;
      }
      long long v = 0;
      if (!ScaleDecimalText(token, f.nDecimals, v)) {
        error.Format(L"The value %s is not a number.", token);
        return false;
      }
      if (f.nType == CTRL_EDIT_NUMBER && f.nDecimals == 0) {
        // Two's complement of a 16-bit number, of which the field keeps its last digits; the
        // device reads the field back as a 16-bit number.
        const bool fits = v >= -32768 && v <= 32767 && (width >= 4 || (v >= 0 && v < (1LL << (4 * width))));
        if (!fits) {
          error.Format(L"The value %s does not fit its field of %d digits.", token, width);
          return false;
        }
        out = IntToPaddedText(static_cast<int>(v), width);
        if (out.GetLength() > width) out = out.Right(width);
        return true;
      }
      // Sign and magnitude: the top bit of the field is the sign.
      const unsigned long long sign = 1ULL << (4 * width - 1);
      const unsigned long long magnitude = static_cast<unsigned long long>(v < 0 ? -v : v);
      if (magnitude >= sign) {
        error.Format(L"The value %s does not fit its field of %d digits.", token, width);
        return false;
      }
      CString decimal = token;
      decimal.Replace(L',', L'.');
      out = ScaledTextToSignedHex(decimal, f.nDecimals, width);
      return true;
    }
    case CTRL_EDIT_HEX: {
      if (!IsHexText(token) || (width > 0 && token.GetLength() > width)) {
        error.Format(L"The hexadecimal text %s does not fit its field of %d digits.", token, width);
        return false;
      }
      out = token;
      while (out.GetLength() < width) out += L'0';
      return true;
    }
    default:
      error.Format(L"The value %s has no field to be written in.", token);
      return false;
  }
}

bool DecodeBleValue(CString& values, const FIELD_FORMAT& f, CString& text) {
  auto take = [&values](int count) {
    const CString front = values.Left(count < 0 ? 0 : count);
    values = values.Mid(front.GetLength());
    return front;
  };
  switch (f.nType) {
    case CTRL_COMBO:
      text.Format(L"%d", HexTextToLong(take(2)));
      return true;
    case CTRL_EDIT:
    case CTRL_EDIT_NUMBER: {
      const CString field = take(f.nWidth);
      if (f.nDecimals > 0) {
        text = SignedHexToScaledText(field, f.nDecimals);
      } else if (f.nType == CTRL_EDIT) {
        text.Format(L"%d", static_cast<int>(SignedHexToDouble(field, 16, TRUE)));
      } else {
        text.Format(L"%d", HexTextToShort(field));
      }
      return true;
    }
    case CTRL_EDIT_HEX:
      text = take(f.nWidth);
      return true;
    default:
      return false;
  }
}

bool EncodeBleRecordLine(const BLE_INFO& record, CString& out, CString& error) {
  out.Empty();
  if (record.strValues.IsEmpty()) return true;
  CString line;
  line.Format(L"%02d#%02d", record.nSlot, record.bActive);
  int k = 0;
  for (const CString& token : SplitJoinedValues(record.strValues, L';')) {
    if (token.IsEmpty()) continue;
    if (k >= kFieldFormats) {
      error = L"The record has more values than fields.";
      return false;
    }
    CString field;
    if (!EncodeBleValue(token, record.formats[k], field, error)) return false;
    line += field;
    ++k;
  }
  out = line + L"\r";
  return true;
}

}  // namespace brelvano
