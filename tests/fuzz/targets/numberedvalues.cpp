// The value forms of the numbered-parameter set on any text: the hexadecimal, binary and
// sign-and-magnitude readers and writers keep their lengths, a point value read and written back
// reads the same, and the record decoders take any reply value (with an empty definition).
#include <cstdint>
#include <string>
#include <vector>

#include "gui/dlg/numberedvalues.h"
#include "support/fuzz_support.h"

namespace {

bool IsHexDigits(const CString& text) {
  for (int i = 0; i < text.GetLength(); ++i)
    if (HexDigitValue(text[i]) == 0 && text[i] != L'0') return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzsupport::InputReader input(data, size);
  const int number = static_cast<int>(input.U32());
  const int small = static_cast<int>(input.Below(12));
  const std::string bytes = input.Rest();
  const CString text = CString::FromUtf8(bytes);
  const int length = text.GetLength();

  IsNumber(text);
  TextToInt(text);
  TextToDouble(text);
  FUZZ_CHECK(HexTextToBytes(text).size() == static_cast<size_t>(length) + 1);
  SumHexDigits(text);
  SumHexBytePairs(text, length / 2);
  FUZZ_CHECK(TextToHexCodes(text).GetLength() >= 2 * length);
  CString sum;
  const CString hex = BytesToHexText(sum, reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<int>(bytes.size()));
  FUZZ_CHECK(hex.GetLength() == 2 * static_cast<int>(bytes.size()) && sum.GetLength() == 2);
  FUZZ_CHECK(BinaryTextToBytes(text).size() == (static_cast<size_t>(length) + 7) / 8);
  FUZZ_CHECK(IntToBinaryText(text).GetLength() == 4 * length);
  IntToBinaryDigits(number);

  const CString padded = IntToPaddedText(number, small);
  FUZZ_CHECK(padded.GetLength() >= small);
  if (number >= 0) FUZZ_CHECK(HexTextToLong(padded) == number);
  FUZZ_CHECK(UIntToPaddedText(static_cast<unsigned>(number), small).GetLength() >= small);
  HexTextToLong(text);
  HexTextToShort(text);
  SignedHexToDouble(text, 16, TRUE);
  SignedHexToDouble(text, 10, FALSE);
  SignedHexToScaledText(text, small);
  FUZZ_CHECK(ScaledTextToSignedHex(text, small % 7, 8).GetLength() >= 8);
  CoordinateToHex(text);
  DoubleToSignedHex(TextToDouble(text), 1 + small);

  // A point value read, written back and read again gives the same coordinates.
  CString lat;
  CString lng;
  DecodePointValue(text, lat, lng);
  if (length == 16 && IsHexDigits(text)) {
    const CString item = EncodePointItem(small, lat, lng);
    const int hash = item.Find(L'#');
    FUZZ_CHECK(hash >= 0 && item.GetLength() == hash + 17);
    CString lat2;
    CString lng2;
    DecodePointValue(item.Mid(hash + 1), lat2, lng2);
    FUZZ_CHECK(lat2 == lat && lng2 == lng);
  }

  // The record decoders with an empty definition.
  const DefinitionView none;
  GEOFENCE_INFO geofence;
  DecodeGeofenceItem(none, 10 + small, number & 0xFF, text, geofence);
  BLE_INFO ble;
  DecodeBleItem(none, number & 0x1FF, text, ble);
  POLYGON_INFO zone;
  DecodeZoneItem(none, number & 0x3F, text, zone);
  int code = 0;
  int index = 0;
  if (GeofenceCodeIndex(number & 0x7FF, &code, &index)) FUZZ_CHECK(code > 0 && index >= 0);
  return 0;
}
