// The value forms of the numbered-parameter command set: decimal and hexadecimal numbers, the
// sign-and-magnitude hexadecimal of coordinates and scaled values, bit sets, byte sums, and the
// encoders and decoders of the geofence, BLE, zone and point record values. Pure functions (all in
// the "C" locale); the ones that read the definition take it as a DefinitionView.
#pragma once

#include <string>
#include <vector>

#include "gui/dlg/definitionmodel.h"

// ---- Texts and numbers ----
// TRUE when text is not empty, starts with '-' or a digit and holds only digits after that ("-" alone
// counts as a number).
BOOL IsNumber(const CString& text);
BOOL IsDigit(char ch);
int CountChar(const CString& text, wchar_t ch);
// The leading decimal integer of a text (blanks skipped, optional sign; 0 when none).
int TextToInt(const CString& text);
// The leading real number of a text ('.' decimal point; 0 when none).
double TextToDouble(const CString& text);

// ---- Hexadecimal digits and sums (file download) ----
// '0'-'9' 0-9, 'A'-'F' / 'a'-'f' 10-15, anything else 0.
int HexDigitValue(wchar_t ch);
// Sum of the digit values, kept in 16 bits.
unsigned short SumHexDigits(const CString& text);
// The digit value of every character, then SumHexDigits (n + 1 values).
std::vector<unsigned short> HexTextToBytes(const CString& text);
// "%02X" of each byte; sumText gets "%02X" of the byte sum kept in 8 bits.
CString BytesToHexText(CString& sumText, const unsigned char* pBytes, int nCount);
unsigned char ByteSum(const unsigned char* pBytes, int nCount);
// Sum (8 bits) of the first n bytes written as two-character hexadecimal pairs.
unsigned char SumHexBytePairs(const CString& text, int n);
// "%02X" of each character's code.
CString TextToHexCodes(const CString& text);

// ---- Bit sets ----
// A binary text (first digit = bit 0 of the number) as the number's bytes, most significant first,
// ceil(n / 8) bytes (no length limit).
std::vector<unsigned char> BinaryTextToBytes(const CString& bits);
// Four binary digits for each hexadecimal digit (0000 for a character that is not one).
CString IntToBinaryText(const CString& hex);
// The binary digits of a positive value read as a decimal number (5 gives 101); 0 for 0 and less.
int IntToBinaryDigits(int value);

// ---- Padded and signed hexadecimal ----
// Upper-case hexadecimal padded with '0' to w digits (a negative value: eight digits of its 32-bit
// two's complement; a longer value keeps all its digits).
CString IntToPaddedText(int value, int w);
CString UIntToPaddedText(unsigned value, int w);
CString LongToPaddedText(long value, int w);
// Sign and magnitude of width w: the value cut towards zero; negative values get the highest bit
// of the w digits (2^(4w-1) + |v|). A value between -1 and 0 gives the sign bit alone.
CString DoubleToSignedHex(double value, int w);
// A decimal text times 10^decimals, worked out digit-exactly from the text (no binary rounding),
// cut towards zero, in sign-and-magnitude hexadecimal of width w.
CString ScaledTextToSignedHex(const CString& text, int decimals, int w);
// A coordinate in degrees: degrees x 1,000,000 in eight sign-and-magnitude digits.
CString CoordinateToHex(const CString& degrees);
// The text's leading number in base; with bSigned and bit 4n-1 set (n = the text's length) the
// sign-and-magnitude value. 0 for a text without digits.
double SignedHexToDouble(const CString& text, int base, BOOL bSigned);
// Eight (or w) sign-and-magnitude digits divided by 10^decimals, written "%lf".
CString SignedHexToScaledText(const CString& hex, int decimals);
// The leading hexadecimal number as a 32-bit value (above 7FFFFFFF: 7FFFFFFF).
int HexTextToLong(const CString& text);
// The leading hexadecimal number's low 16 bits as a signed value (FFFF gives -1).
int HexTextToShort(const CString& text);
// TRUE when the value has no fraction; values outside the 32-bit range are not whole.
BOOL IsWholeNumber(double value);

// ---- System code page ----
std::string WideToAnsi(const CString& text);
CString AnsiToWide(const std::string& bytes);

// ---- Definition lookups and record values ----
// The definition tables the record coders read.
struct DefinitionView {
  const TAB_INFO* pTabs = nullptr;
  const CPtrList* pLists = nullptr;  // nTabCount lists of PARAM_INFO*
  int nTabCount = 0;
};

// The parameters of every tab whose nTabId is code, in tab and list order.
std::vector<const PARAM_INFO*> ParamsOfCode(const DefinitionView& def, int code);
// TRUE when a tab of that code has a parameter with nId = integer value of id whose value is "Enable".
BOOL FindEnableValue(const DefinitionView& def, int code, const CString& id);
// The switch of a row with a configuration text is on (the configuration text without its first two
// characters names a parameter of tab code 90).
BOOL IsRowSwitchOn(const DefinitionView& def, const CString& strConfig);
// Among the parameters of the tabs of code (integer value of the text), the n-th (from 0) whose second
// sub-group has a configuration text: that text without its first two characters; empty when none.
CString FindRowValue(const DefinitionView& def, const CString& code, int n);
// The all-zero value text of a zone's further settings (the switched rows of the tabs of code).
CString RowValuesToHex(const DefinitionView& def, const CString& code);

// Geofence number (1..1055) to its code and element index; FALSE outside 1..1055.
BOOL GeofenceCodeIndex(int nNumber, int* pCode, int* pIndex);
// The geofence number a code and element number stand for; 0 when they stand for none.
int GeofenceNumberFromItem(int code, int nn);

// One further value of a geofence or zone record by its column's control type: a choice as two
// hexadecimal digits, a hexadecimal text in its field's width, any other number x 10^6 in eight
// sign-and-magnitude digits. DecodeExtraValue takes it back from the front of values (FALSE, and
// nothing taken, for a type without a field).
CString EncodeExtraValue(const CString& token, const FIELD_FORMAT& f);
BOOL DecodeExtraValue(CString& values, const FIELD_FORMAT& f, CString& text);
// The value text of one geofence record: "nn#" lat8 lng8 radius4 in2 out2 and, with bUp, the
// further values by their formats.
CString BuildPrgValueLines(const GEOFENCE_INFO& rec, BOOL bUp);
// The value text of one BLE record: "(slot-1)#" active2 and, with bUp, the values by their formats
// (the BLE page's field encoder); empty when a value does not fit its field.
CString BuildBlePrgValueLines(const BLE_INFO& rec, BOOL bUp);
// The further values of a geofence read from the device, by the switched parameters of tabs 50-52.
BOOL DecodeGeofenceExtraValues(const DefinitionView& def, CString values, GEOFENCE_INFO* pRec);
// The values of a BLE record read from the device, by the parameters of tab 41 from the third on.
BOOL DecodeBleValues(const DefinitionView& def, CString values, BLE_INFO* pRec);
// The further settings of a zone read from the device, by the switched rows of the tabs of code.
void DecodePolygonExtraValues(const DefinitionView& def, const CString& code, POLYGON_INFO& zone, CString values);
// One geofence item of a read reply into rec (number, position, radius, flags, further values);
// FALSE when the code and element number name no geofence.
BOOL DecodeGeofenceItem(const DefinitionView& def, int code, int nn, const CString& value, GEOFENCE_INFO& rec);
// One BLE item (element nn = slot - 1).
BOOL DecodeBleItem(const DefinitionView& def, int nn, const CString& value, BLE_INFO& rec);
// One zone item's value (point count, the two list flags, further settings) into zone.
void DecodeZoneItem(const DefinitionView& def, int nn, const CString& value, POLYGON_INFO& zone);
// One point value (lat8 lng8) as "%lf" texts.
void DecodePointValue(const CString& value, CString& lat, CString& lng);
// The item of one point of a point line: "kk#" lat8 lng8.
CString EncodePointItem(int nPoint, const CString& lat, const CString& lng);
// The value text of a zone line after "zz#": count, flags and further settings.
CString EncodeZoneValue(const POLYGON_INFO& zone);
