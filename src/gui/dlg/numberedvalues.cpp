// The value forms of the numbered-parameter command set (see numberedvalues.h).
#include "gui/dlg/numberedvalues.h"

#include <climits>
#include <cmath>
#include <cstdint>

#include "gui/dlg/blerecordcodec.h"
#include "gui/dlg/valuecodec.h"
#include "platform/codepage.h"
#include "platform/crt.h"
#include "platform/trace.h"

namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n' || c == L'\v' || c == L'\f'; }

int DigitInBase(wchar_t c, int base) {
  int v = -1;
  if (c >= L'0' && c <= L'9') v = c - L'0';
  else if (c >= L'A' && c <= L'Z') v = c - L'A' + 10;
  else if (c >= L'a' && c <= L'z') v = c - L'a' + 10;
  return v >= 0 && v < base ? v : -1;
}

// The leading number of a text in base (blanks, sign, "0x" for base 16), clamped to 64 bits.
long long LeadingNumber(const CString& text, int base, bool* pAnyDigit = nullptr) {
  int i = 0;
  const int n = text.GetLength();
  while (i < n && IsBlank(text[i])) ++i;
  bool negative = false;
  if (i < n && (text[i] == L'-' || text[i] == L'+')) negative = text[i++] == L'-';
  if (base == 16 && i + 1 < n && text[i] == L'0' && (text[i + 1] == L'x' || text[i + 1] == L'X') &&
      i + 2 < n && DigitInBase(text[i + 2], 16) >= 0)
    i += 2;
  unsigned long long v = 0;
  bool any = false;
  bool overflow = false;
  for (; i < n; ++i) {
    const int d = DigitInBase(text[i], base);
    if (d < 0) break;
    any = true;
    if (v > (ULLONG_MAX - static_cast<unsigned>(d)) / static_cast<unsigned>(base)) overflow = true;
    else v = v * static_cast<unsigned>(base) + static_cast<unsigned>(d);
  }
  if (pAnyDigit != nullptr) *pAnyDigit = any;
  if (overflow || v > static_cast<unsigned long long>(LLONG_MAX)) return negative ? LLONG_MIN : LLONG_MAX;
  const long long s = static_cast<long long>(v);
  return negative ? -s : s;
}

CString PadHex(unsigned long long v, int w) {
  CString digits;
  digits.Format(L"%llX", v);
  while (digits.GetLength() < w) digits.Insert(0, L'0');
  return digits;
}

// The sign bit of w digits, worked out in 32 bits (widths above 8 use bit 31).
unsigned long long SignBit(int w) {
  if (w < 1) w = 1;
  if (w > 8) w = 8;
  return 1ULL << (4 * w - 1);
}

CString SignMagnitude(bool negative, unsigned long long magnitude, int w) {
  return PadHex(negative ? SignBit(w) + magnitude : magnitude, w);
}

// A scaled integer from a plain decimal text ("-12.345", "-12,345"); FALSE when the text is no plain decimal.
bool ExactScaled(const CString& text, int decimals, bool& negative, unsigned long long& magnitude) {
  int i = 0;
  const int n = text.GetLength();
  while (i < n && IsBlank(text[i])) ++i;
  negative = false;
  if (i < n && (text[i] == L'-' || text[i] == L'+')) negative = text[i++] == L'-';
  unsigned long long v = 0;
  bool any = false;
  bool point = false;
  int fraction = 0;
  bool nonZero = false;
  for (; i < n; ++i) {
    const wchar_t c = text[i];
    // Either decimal separator: a decimal typed in a comma locale is the same number.
    if ((c == L'.' || c == L',') && !point) {
      point = true;
      continue;
    }
    if (c < L'0' || c > L'9') break;
    any = true;
    if (c != L'0') nonZero = true;
    if (point) {
      if (fraction >= decimals) continue;  // cut towards zero
      ++fraction;
    }
    if (v > 0x7FFFFFFFFFFFULL) return false;  // far beyond any field
    v = v * 10 + static_cast<unsigned>(c - L'0');
  }
  // An exponent or another number form: not a plain decimal.
  if (i < n && (text[i] == L'e' || text[i] == L'E')) return false;
  if (!any) {
    magnitude = 0;
    negative = false;
    return true;
  }
  for (; fraction < decimals; ++fraction) {
    if (v > 0x7FFFFFFFFFFFULL) return false;
    v *= 10;
  }
  magnitude = v;
  negative = negative && nonZero;
  return true;
}

double Power10(int d) { return std::pow(10.0, d); }

}  // namespace

// ---- Texts and numbers ----

BOOL IsNumber(const CString& text) {
  if (text.IsEmpty()) return FALSE;
  const wchar_t first = text[0];
  if (first != L'-' && (first < L'0' || first > L'9')) return FALSE;
  for (int i = 1; i < text.GetLength(); ++i) {
    if (text[i] < L'0' || text[i] > L'9') return FALSE;
  }
  return TRUE;
}

BOOL IsDigit(char ch) { return ch >= '0' && ch <= '9' ? TRUE : FALSE; }

int CountChar(const CString& text, wchar_t ch) {
  int count = 0;
  for (int i = 0; i < text.GetLength(); ++i) {
    if (text[i] == ch) ++count;
  }
  return count;
}

int TextToInt(const CString& text) { return _wtoi(text); }

double TextToDouble(const CString& text) { return _wtof(text); }

// ---- Hexadecimal digits and sums ----

int HexDigitValue(wchar_t ch) {
  const int d = DigitInBase(ch, 16);
  return d < 0 ? 0 : d;
}

unsigned short SumHexDigits(const CString& text) {
  unsigned short sum = 0;
  for (int i = 0; i < text.GetLength(); ++i) sum = static_cast<unsigned short>(sum + HexDigitValue(text[i]));
  return sum;
}

std::vector<unsigned short> HexTextToBytes(const CString& text) {
  std::vector<unsigned short> out;
  out.reserve(static_cast<size_t>(text.GetLength()) + 1);
  for (int i = 0; i < text.GetLength(); ++i) out.push_back(static_cast<unsigned short>(HexDigitValue(text[i])));
  out.push_back(SumHexDigits(text));
  return out;
}

CString BytesToHexText(CString& sumText, const unsigned char* pBytes, int nCount) {
  CString out;
  for (int i = 0; pBytes != nullptr && i < nCount; ++i) {
    CString pair;
    pair.Format(L"%02X", static_cast<unsigned>(pBytes[i]));
    out += pair;
  }
  sumText.Format(L"%02X", static_cast<unsigned>(ByteSum(pBytes, nCount)));
  return out;
}

unsigned char ByteSum(const unsigned char* pBytes, int nCount) {
  unsigned char sum = 0;
  for (int i = 0; pBytes != nullptr && i < nCount; ++i) sum = static_cast<unsigned char>(sum + pBytes[i]);
  return sum;
}

unsigned char SumHexBytePairs(const CString& text, int n) {
  unsigned char sum = 0;
  for (int i = 0; i < n && 2 * i + 1 < text.GetLength(); ++i) {
    sum = static_cast<unsigned char>(sum + HexDigitValue(text[2 * i]) * 16 + HexDigitValue(text[2 * i + 1]));
  }
  return sum;
}

CString TextToHexCodes(const CString& text) {
  CString out;
  for (int i = 0; i < text.GetLength(); ++i) {
    CString code;
    code.Format(L"%02X", static_cast<unsigned>(text[i]));
    out += code;
  }
  return out;
}

// ---- Bit sets ----

std::vector<unsigned char> BinaryTextToBytes(const CString& bits) {
  const int n = bits.GetLength();
  const int nBytes = (n + 7) / 8;
  std::vector<unsigned char> out(static_cast<size_t>(nBytes), 0);
  for (int k = 0; k < n; ++k) {
    if (static_cast<unsigned>(bits[k]) % 48 == 0) continue;
    out[static_cast<size_t>(nBytes - 1 - k / 8)] |= static_cast<unsigned char>(1u << (k % 8));
  }
  return out;
}

CString IntToBinaryText(const CString& hex) {
  CString out;
  for (int i = 0; i < hex.GetLength(); ++i) {
    CString four;
    four.Format(L"%04d", IntToBinaryDigits(HexDigitValue(hex[i])));
    out += four;
  }
  return out;
}

int IntToBinaryDigits(int value) {
  if (value <= 0) return 0;
  long long digits = 0;
  long long place = 1;
  while (value > 0 && place <= 1000000000LL) {
    digits += (value & 1) * place;
    place *= 10;
    value >>= 1;
  }
  return digits > INT_MAX ? INT_MAX : static_cast<int>(digits);
}

// ---- Padded and signed hexadecimal ----

CString IntToPaddedText(int value, int w) { return PadHex(static_cast<uint32_t>(value), w); }

CString UIntToPaddedText(unsigned value, int w) { return PadHex(value, w); }

CString LongToPaddedText(long value, int w) { return PadHex(static_cast<uint32_t>(value), w); }

CString DoubleToSignedHex(double value, int w) {
  if (std::isnan(value)) value = 0.0;
  double t = std::trunc(value);
  if (t > 2147483647.0) t = 2147483647.0;
  if (t < -2147483647.0) t = -2147483647.0;
  const long long whole = static_cast<long long>(t);
  if (value < 0) return SignMagnitude(true, static_cast<unsigned long long>(-whole), w);
  return SignMagnitude(false, static_cast<unsigned long long>(whole), w);
}

CString ScaledTextToSignedHex(const CString& text, int decimals, int w) {
  bool negative = false;
  unsigned long long magnitude = 0;
  if (decimals >= 0 && decimals <= 12 && ExactScaled(text, decimals, negative, magnitude)) {
    if (magnitude > 0x7FFFFFFFULL) magnitude = 0x7FFFFFFFULL;
    return SignMagnitude(negative, magnitude, w);
  }
  // Another number form: the product, taken to the integer it lies within a millionth of.
  double v = TextToDouble(text) * Power10(decimals);
  const double nearest = std::round(v);
  if (std::fabs(v - nearest) < 1e-6) v = nearest;
  return DoubleToSignedHex(v, w);
}

CString CoordinateToHex(const CString& degrees) { return ScaledTextToSignedHex(degrees, 6, 8); }

double SignedHexToDouble(const CString& text, int base, BOOL bSigned) {
  if (base < 2 || base > 36) base = 16;
  long long v = LeadingNumber(text, base);
  const int n = text.GetLength();
  if (bSigned && n >= 1 && n <= 15) {
    const long long sign = 1LL << (4 * n - 1);
    if ((v & sign) != 0) v = sign - v;
  }
  return static_cast<double>(v);
}

CString SignedHexToScaledText(const CString& hex, int decimals) {
  CString out;
  out.Format(L"%lf", SignedHexToDouble(hex, 16, TRUE) / Power10(decimals));
  return out;
}

int HexTextToLong(const CString& text) {
  const long long v = LeadingNumber(text, 16);
  if (v > INT_MAX) return INT_MAX;
  if (v < INT_MIN) return INT_MIN;
  return static_cast<int>(v);
}

int HexTextToShort(const CString& text) {
  return static_cast<int16_t>(static_cast<uint16_t>(static_cast<uint32_t>(HexTextToLong(text)) & 0xFFFFu));
}

BOOL IsWholeNumber(double value) {
  if (std::isnan(value) || value > 2147483647.0 || value < -2147483648.0) return FALSE;
  return value - static_cast<double>(static_cast<int>(value)) == 0.0 ? TRUE : FALSE;
}

// ---- System code page ----

std::string WideToAnsi(const CString& text) { return platform::TextToBytes(CP_ACP, text); }

CString AnsiToWide(const std::string& bytes) { return platform::BytesToText(CP_ACP, bytes); }

// ---- Definition lookups ----

std::vector<const PARAM_INFO*> ParamsOfCode(const DefinitionView& def, int code) {
  std::vector<const PARAM_INFO*> out;
  if (def.pTabs == nullptr || def.pLists == nullptr) return out;
  for (int t = 0; t < def.nTabCount && t < kMaxTabs; ++t) {
    if (def.pTabs[t].nTabId != code) continue;
    const CPtrList& list = def.pLists[t];
    for (POSITION pos = list.GetHeadPosition(); pos != nullptr;) {
      const auto* p = static_cast<const PARAM_INFO*>(list.GetNext(pos));
      if (p != nullptr) out.push_back(p);
    }
  }
  return out;
}

BOOL FindEnableValue(const DefinitionView& def, int code, const CString& id) {
  const int nId = TextToInt(id);
  for (const PARAM_INFO* p : ParamsOfCode(def, code)) {
    if (p->nId == nId && p->strValue == L"Enable") return TRUE;
  }
  return FALSE;
}

BOOL IsRowSwitchOn(const DefinitionView& def, const CString& strConfig) {
  if (strConfig.IsEmpty()) return FALSE;
  return FindEnableValue(def, 90, strConfig.Mid(2));
}

CString FindRowValue(const DefinitionView& def, const CString& code, int n) {
  int k = 0;
  for (const PARAM_INFO* p : ParamsOfCode(def, TextToInt(code))) {
    if (p->subGroups[1].strConfig.IsEmpty()) continue;
    if (k++ == n) return p->subGroups[1].strConfig.Mid(2);
  }
  return CString();
}

CString RowValuesToHex(const DefinitionView& def, const CString& code) {
  CString out;
  for (const PARAM_INFO* p : ParamsOfCode(def, TextToInt(code))) {
    const SUBGROUP_PARAM& row = p->subGroups[1];
    if (!IsRowSwitchOn(def, row.strConfig)) continue;
    if (row.nCtrlType == CTRL_COMBO) out += L"00";
    else if (row.nCtrlType == CTRL_EDIT || row.nCtrlType == CTRL_EDIT_NUMBER) out += L"00000000";
  }
  return out;
}

// ---- Geofence numbers ----

BOOL GeofenceCodeIndex(int nNumber, int* pCode, int* pIndex) {
  int code = 0;
  int index = 0;
  if (nNumber >= 1 && nNumber <= 75) {
    code = 50;
    index = nNumber + 24;
  } else if (nNumber >= 76 && nNumber <= 175) {
    code = 51;
    index = nNumber - 76;
  } else if (nNumber >= 176 && nNumber <= 255) {
    code = 52;
    index = nNumber - 176;
  } else if (nNumber >= 256 && nNumber <= 1055) {
    code = 91 + (nNumber - 256) / 100;
    index = (nNumber - 256) % 100;
  } else {
    return FALSE;
  }
  if (pCode != nullptr) *pCode = code;
  if (pIndex != nullptr) *pIndex = index;
  return TRUE;
}

int GeofenceNumberFromItem(int code, int nn) {
  if (nn < 0 || nn > 99) return 0;
  if (code == 50) return nn >= 25 ? nn - 24 : 0;
  if (code == 51) return nn + 76;
  if (code == 52) return nn <= 79 ? nn + 176 : 0;
  if (code >= 91 && code <= 98) return nn + 256 + 100 * (code - 91);
  return 0;
}

// ---- Record encoders ----

namespace {
// The non-empty ';' tokens of a value list.
std::vector<CString> ValueTokens(const CString& values) {
  std::vector<CString> out;
  int start = 0;
  const int n = values.GetLength();
  while (start <= n) {
    int end = values.Find(L';', start);
    if (end < 0) end = n;
    if (end > start) out.push_back(values.Mid(start, end - start));
    start = end + 1;
  }
  return out;
}

CString Flag(int b) { return b ? CString(L"01") : CString(L"00"); }

// Takes count characters from the front of values.
CString Take(CString& values, int count) {
  if (count < 0) count = 0;
  CString piece = values.Left(count);
  values = values.Mid(piece.GetLength());
  return piece;
}

CString DecimalText(int v) {
  CString s;
  s.Format(L"%d", v);
  return s;
}
}  // namespace


CString EncodeExtraValue(const CString& token, const FIELD_FORMAT& f) {
  if (f.nType == CTRL_COMBO) return IntToPaddedText(TextToInt(token), 2);
  if (f.nType == CTRL_EDIT_HEX) {
    const int width = brelvano::HexFieldWidth(f.nWidth);
    CString out, error;
    if (brelvano::EncodeHexField(token, width, out, error)) return out;
    // The dialogs refuse such a text; one that still gets here keeps its field's width.
    TRACE(L"%s\n", error.GetString());
    return CString(L'0', width);
  }
  return CoordinateToHex(token);
}

BOOL DecodeExtraValue(CString& values, const FIELD_FORMAT& f, CString& text) {
  switch (f.nType) {
    case CTRL_COMBO:
      text = DecimalText(HexTextToLong(Take(values, 2)));
      return TRUE;
    case CTRL_EDIT:
    case CTRL_EDIT_NUMBER:
      text = SignedHexToScaledText(Take(values, 8), 6);
      return TRUE;
    case CTRL_EDIT_HEX:
      text = Take(values, brelvano::HexFieldWidth(f.nWidth));
      return TRUE;
    default:
      return FALSE;
  }
}

CString BuildPrgValueLines(const GEOFENCE_INFO& rec, BOOL bUp) {
  CString out;
  out.Format(L"%02d#", rec.nId);
  out += CoordinateToHex(rec.strLatitude);
  out += CoordinateToHex(rec.strLongitude);
  out += ScaledTextToSignedHex(rec.strRadius, 0, 4);
  out += Flag(rec.bIn) + Flag(rec.bOut);
  if (bUp && !rec.strExtra.IsEmpty()) {
    const std::vector<CString> tokens = ValueTokens(rec.strExtra);
    for (size_t i = 0; i < tokens.size() && i < static_cast<size_t>(kFieldFormats); ++i)
      out += EncodeExtraValue(tokens[i], rec.formats[i]);
  }
  return out;
}

CString BuildBlePrgValueLines(const BLE_INFO& rec, BOOL bUp) {
  CString out;
  out.Format(L"%02d#", rec.nSlot - 1);
  out += Flag(rec.bActive);
  if (!bUp || rec.strValues.IsEmpty()) return out;
  const std::vector<CString> tokens = ValueTokens(rec.strValues);
  for (size_t i = 0; i < tokens.size() && i < static_cast<size_t>(kFieldFormats); ++i) {
    const FIELD_FORMAT& f = rec.formats[i];
    // Kinds without a device form (passwords, addresses) contribute nothing; the reader takes
    // nothing for them either.
    if (f.nType != CTRL_COMBO && f.nType != CTRL_EDIT && f.nType != CTRL_EDIT_NUMBER && f.nType != CTRL_EDIT_HEX) continue;
    // The same field encoder as the BLE page's, so that a record reads back the same either way.
    CString field, error;
    if (!brelvano::EncodeBleValue(tokens[i], f, field, error)) {
      TRACE(L"BLE record %d not written: %s\n", rec.nSlot, error.GetString());
      return CString();
    }
    out += field;
  }
  return out;
}

// ---- Record decoders ----


BOOL DecodeGeofenceExtraValues(const DefinitionView& def, CString values, GEOFENCE_INFO* pRec) {
  if (pRec == nullptr) return TRUE;
  int j = 0;
  for (int code : {50, 51, 52}) {
    for (const PARAM_INFO* p : ParamsOfCode(def, code)) {
      if (values.IsEmpty() || j >= kFieldFormats) return TRUE;
      if (!IsRowSwitchOn(def, p->strConfig)) continue;
      FIELD_FORMAT f;
      f.nType = p->nCtrlType;
      f.nWidth = p->nCtrlType == CTRL_EDIT_HEX ? brelvano::HexFieldWidth(p->nSize) : 0;
      CString text;
      if (!DecodeExtraValue(values, f, text)) continue;
      pRec->strExtra += L";" + text;
      pRec->formats[j++] = f;
    }
  }
  return TRUE;
}

BOOL DecodeBleValues(const DefinitionView& def, CString values, BLE_INFO* pRec) {
  if (pRec == nullptr) return TRUE;
  int j = 0;
  for (int t = 0; def.pTabs != nullptr && def.pLists != nullptr && t < def.nTabCount && t < kMaxTabs; ++t) {
    if (def.pTabs[t].nTabId != 41) continue;
    int position = 0;
    const CPtrList& list = def.pLists[t];
    for (POSITION pos = list.GetHeadPosition(); pos != nullptr; ++position) {
      const auto* p = static_cast<const PARAM_INFO*>(list.GetNext(pos));
      if (position < 2 || p == nullptr) continue;  // the slot and the active flag
      if (values.IsEmpty() || j >= kFieldFormats) return TRUE;
      const FIELD_FORMAT f{p->nCtrlType, p->nSize, p->nDecimal};
      CString text;
      // The reader of the field encoder the BLE page and the profiles write with.
      if (!brelvano::DecodeBleValue(values, f, text)) continue;
      pRec->strValues += L";" + text;
      pRec->formats[j++] = f;
    }
  }
  return TRUE;
}

void DecodePolygonExtraValues(const DefinitionView& def, const CString& code, POLYGON_INFO& zone, CString values) {
  for (int k = 0; k < kPolygonExtras; ++k) {
    zone.strExtra[k].Empty();
    zone.nExtraType[k] = 5;
  }
  int j = 0;
  for (const PARAM_INFO* p : ParamsOfCode(def, TextToInt(code))) {
    if (values.IsEmpty() || j >= kPolygonExtras) return;
    const SUBGROUP_PARAM& row = p->subGroups[1];
    if (!IsRowSwitchOn(def, row.strConfig)) continue;
    // A zone keeps no field widths: its hexadecimal rows have no field on the line.
    FIELD_FORMAT f;
    f.nType = row.nCtrlType == CTRL_EDIT_HEX ? 5 : row.nCtrlType;
    if (!DecodeExtraValue(values, f, zone.strExtra[j])) continue;
    zone.nExtraType[j++] = row.nCtrlType;
  }
}

BOOL DecodeGeofenceItem(const DefinitionView& def, int code, int nn, const CString& value, GEOFENCE_INFO& rec) {
  const int number = GeofenceNumberFromItem(code, nn);
  if (number < 1) return FALSE;
  rec = GEOFENCE_INFO();
  rec.nId = number;
  CString rest = value;
  rest.Remove(L'\r');
  rest.Remove(L'\n');
  rec.strLatitude = SignedHexToScaledText(Take(rest, 8), 6);
  rec.strLongitude = SignedHexToScaledText(Take(rest, 8), 6);
  rec.strRadius = DecimalText(static_cast<int>(SignedHexToDouble(Take(rest, 4), 16, FALSE)));
  rec.bIn = TextToInt(Take(rest, 2));
  rec.bOut = TextToInt(Take(rest, 2));
  rec.bUsed = rec.bIn == 1 || rec.bOut == 1 ? 1 : 0;
  if (!rest.IsEmpty()) DecodeGeofenceExtraValues(def, rest, &rec);
  return TRUE;
}

BOOL DecodeBleItem(const DefinitionView& def, int nn, const CString& value, BLE_INFO& rec) {
  if (nn < 0 || nn >= kBleSlots) return FALSE;
  rec = BLE_INFO();
  rec.nSlot = nn + 1;
  CString rest = value;
  rest.Remove(L'\r');
  rest.Remove(L'\n');
  rec.bActive = TextToInt(Take(rest, 2)) != 0 ? 1 : 0;
  if (!rest.IsEmpty()) DecodeBleValues(def, rest, &rec);
  return TRUE;
}

void DecodeZoneItem(const DefinitionView& def, int nn, const CString& value, POLYGON_INFO& zone) {
  zone.nIndex = nn + 1;
  CString rest = value;
  rest.Remove(L'\r');
  rest.Remove(L'\n');
  zone.nPointCount = HexTextToLong(Take(rest, 2));
  zone.bUpRole1 = HexTextToLong(Take(rest, 2));
  zone.bUpRole2 = HexTextToLong(Take(rest, 2));
  DecodePolygonExtraValues(def, L"53", zone, rest);
}

void DecodePointValue(const CString& value, CString& lat, CString& lng) {
  CString rest = value;
  rest.Remove(L'\r');
  rest.Remove(L'\n');
  lat = SignedHexToScaledText(rest.Left(8), 6);
  lng = SignedHexToScaledText(rest.Mid(8), 6);
}

CString EncodePointItem(int nPoint, const CString& lat, const CString& lng) {
  CString out;
  out.Format(L";%02d#", nPoint);
  return out + CoordinateToHex(lat) + CoordinateToHex(lng);
}

CString EncodeZoneValue(const POLYGON_INFO& zone) {
  CString out = DoubleToSignedHex(zone.nPointCount, 2);
  CString flags;
  flags.Format(L"%02d%02d", zone.bUpRole1, zone.bUpRole2);
  out += flags;
  for (int k = 0; k < kPolygonExtras; ++k) {
    if (zone.strExtra[k].IsEmpty()) continue;
    FIELD_FORMAT f;
    f.nType = zone.nExtraType[k] == CTRL_COMBO ? CTRL_COMBO : CTRL_EDIT_NUMBER;
    out += EncodeExtraValue(zone.strExtra[k], f);
  }
  return out;
}
