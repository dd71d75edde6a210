// Tests of the numbered-parameter value forms: every digit is part of the device format, so the
// cases are tables of texts as the device writes and reads them.
#include "gui/dlg/numberedvalues.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

std::string S(const CString& s) { return s.ToUtf8(); }

TEST(NumberedValues, IsNumber) {
  struct Case {
    const char* name;
    const wchar_t* text;
    BOOL expected;
  } cases[] = {
      {"empty", L"", FALSE}, {"letter first", L"a1", FALSE}, {"sign last", L"1-", FALSE},
      {"minus alone", L"-", TRUE}, {"negative", L"-5", TRUE}, {"leading zeros", L"007", TRUE},
      {"blank inside", L"1 2", FALSE},
  };
  for (const Case& c : cases) EXPECT_EQ(IsNumber(c.text), c.expected) << c.name;
}

TEST(NumberedValues, SignedHexadecimalBothWays) {
  struct Case {
    const char* name;
    double value;
    int width;
    const char* text;
  } encode[] = {
      {"minus one", -1, 8, "80000001"},        {"coordinate", -37.5e6, 8, "823C3460"},
      {"half below zero", -0.5, 2, "80"},      {"wider than the field", -200, 2, "148"},
      {"fits", 255, 2, "FF"},                  {"too wide positive", 4096, 2, "1000"},
      {"fraction cut", 12.9, 4, "000C"},
  };
  for (const Case& c : encode) EXPECT_EQ(S(DoubleToSignedHex(c.value, c.width)), c.text) << c.name;

  struct Read {
    const char* name;
    const wchar_t* text;
    BOOL bSigned;
    double value;
  } decode[] = {
      {"negative coordinate", L"816694E0", TRUE, -23500000}, {"largest", L"7FFFFFFF", TRUE, 2147483647},
      {"negative zero", L"80000000", TRUE, 0},                 {"minus one", L"80000001", TRUE, -1},
      {"unsigned", L"816694E0", FALSE, 2170983648.0},           {"two digits", L"85", TRUE, -5},
      {"no digits", L"", TRUE, 0},                              {"not hexadecimal", L"zz", TRUE, 0},
  };
  for (const Read& c : decode) EXPECT_EQ(SignedHexToDouble(c.text, 16, c.bSigned), c.value) << c.name;
}

TEST(NumberedValues, ScaledTextsAreDigitExact) {
  struct Case {
    const char* name;
    const wchar_t* text;
    int decimals;
    int width;
    const char* hex;
  } cases[] = {
      {"binary product just below", L"66.494469", 6, 8, "03F6A005"},
      {"negative just below", L"-8.066408", 6, 8, "807B1568"},
      {"two decimals", L"0.29", 2, 4, "001D"},
      {"latitude", L"-23.5", 6, 8, "816694E0"},
      {"longitude", L"46.25", 6, 8, "02C1B810"},
      {"more decimals than the field", L"1.23456789", 6, 8, "0012D687"},
      {"negative fraction", L"-0.0000001", 6, 8, "80000000"},
      {"zero negative", L"-0", 6, 8, "00000000"},
      {"exponent form", L"1.5e1", 1, 4, "0096"},
      {"empty", L"", 6, 8, "00000000"},
  };
  for (const Case& c : cases) EXPECT_EQ(S(ScaledTextToSignedHex(c.text, c.decimals, c.width)), c.hex) << c.name;
  // Read back to the same six decimals.
  EXPECT_EQ(S(SignedHexToScaledText(L"03F6A005", 6)), "66.494469");
  EXPECT_EQ(S(SignedHexToScaledText(L"807B1568", 6)), "-8.066408");
}

TEST(NumberedValues, IntegerForms) {
  EXPECT_EQ(S(IntToPaddedText(12, 2)), "0C");
  EXPECT_EQ(S(IntToPaddedText(300, 2)), "12C");
  EXPECT_EQ(S(IntToPaddedText(-1, 2)), "FFFFFFFF");
  EXPECT_EQ(S(UIntToPaddedText(10u, 4)), "000A");
  EXPECT_EQ(S(LongToPaddedText(-2L, 2)), "FFFFFFFE");
  EXPECT_EQ(HexTextToShort(L"8000"), -32768);
  EXPECT_EQ(HexTextToShort(L"1A2B3"), -23885);
  EXPECT_EQ(HexTextToShort(L"FFFF"), -1);
  EXPECT_EQ(HexTextToLong(L"FFFFFFFF"), 2147483647);
  EXPECT_EQ(HexTextToLong(L"1E"), 30);
  EXPECT_EQ(HexTextToLong(L""), 0);
  EXPECT_TRUE(IsWholeNumber(3.0));
  EXPECT_FALSE(IsWholeNumber(3.5));
  EXPECT_FALSE(IsWholeNumber(-0.5));
  EXPECT_FALSE(IsWholeNumber(1e10));
  EXPECT_EQ(CountChar(L"a#b#c", L'#'), 2);
  EXPECT_EQ(IntToBinaryDigits(5), 101);
  EXPECT_EQ(IntToBinaryDigits(-3), 0);
}

TEST(NumberedValues, BitsAndSums) {
  struct Case {
    const char* name;
    const wchar_t* bits;
    std::vector<unsigned char> bytes;
  } cases[] = {
      {"one digit", L"1", {0x01}},
      {"first of eight", L"10000000", {0x01}},
      {"last of eight", L"00000001", {0x80}},
      {"ten digits", L"1000000001", {0x02, 0x01}},
      {"none", L"", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(BinaryTextToBytes(c.bits), c.bytes) << c.name;
  // Beyond 255 bytes still works.
  EXPECT_EQ(BinaryTextToBytes(CString(L'1', 2100)).size(), 263u);

  EXPECT_EQ(S(IntToBinaryText(L"A5")), "10100101");
  EXPECT_EQ(S(IntToBinaryText(L"G")), "0000");
  EXPECT_EQ(SumHexDigits(L"FF"), 30);
  EXPECT_EQ(SumHexDigits(L"01024"), 7);
  const std::vector<unsigned short> digits = HexTextToBytes(L"1F");
  EXPECT_EQ(digits, (std::vector<unsigned short>{1, 15, 16}));
  const unsigned char bytes[] = {0x01, 0xFF};
  CString sum;
  EXPECT_EQ(S(BytesToHexText(sum, bytes, 2)), "01FF");
  EXPECT_EQ(S(sum), "00");
  EXPECT_EQ(SumHexBytePairs(L"01FF10", 3), 0x10);
  EXPECT_EQ(S(TextToHexCodes(L"AB")), "4142");
}

TEST(NumberedValues, GeofenceNumbersAndCodes) {
  struct Case {
    int number;
    int code;
    int index;
  } cases[] = {{1, 50, 25}, {75, 50, 99}, {76, 51, 0}, {175, 51, 99}, {176, 52, 0},
               {255, 52, 79}, {256, 91, 0}, {956, 98, 0}, {1055, 98, 99}};
  for (const Case& c : cases) {
    int code = 0;
    int index = 0;
    ASSERT_TRUE(GeofenceCodeIndex(c.number, &code, &index)) << c.number;
    EXPECT_EQ(code, c.code) << c.number;
    EXPECT_EQ(index, c.index) << c.number;
    EXPECT_EQ(GeofenceNumberFromItem(c.code, c.index), c.number) << c.number;
  }
  EXPECT_FALSE(GeofenceCodeIndex(0, nullptr, nullptr));
  EXPECT_FALSE(GeofenceCodeIndex(1056, nullptr, nullptr));
  EXPECT_EQ(GeofenceNumberFromItem(50, 10), 0) << "below the first geofence element";
  EXPECT_EQ(GeofenceNumberFromItem(52, 80), 0) << "beyond geofence 255";
  EXPECT_EQ(GeofenceNumberFromItem(51, 100), 0);
  EXPECT_EQ(GeofenceNumberFromItem(12, 30), 0);
}

// A definition with switch tab 90, geofence tab 50, BLE tab 41 and zone tab 53.
class RecordCoders : public testing::Test {
 protected:
  void SetUp() override {
    tabs_[0].nTabId = 90;
    tabs_[1].nTabId = 50;
    tabs_[2].nTabId = 41;
    tabs_[3].nTabId = 53;
    Add(0, CTRL_COMBO, 7, L"Enable");
    Add(0, CTRL_COMBO, 8, L"Disable");
    // Geofence columns: two switched on, one off, one without a configuration.
    Add(1, CTRL_COMBO, 0, L"", L"9007");
    Add(1, CTRL_EDIT, 0, L"", L"9008");
    Add(1, CTRL_EDIT, 0, L"", L"");
    Add(1, CTRL_EDIT_NUMBER, 0, L"", L"9007");
    // BLE: slot, active, then the values.
    Add(2, CTRL_EDIT_NUMBER, 0, L"");
    Add(2, CTRL_COMBO, 0, L"");
    Add(2, CTRL_COMBO, 0, L"");
    AddSized(2, CTRL_EDIT_NUMBER, 4, 1);
    AddSized(2, CTRL_EDIT_NUMBER, 4, 0);
    AddSized(2, CTRL_EDIT_HEX, 6, 0);
    // Zone rows with their second sub-group.
    AddRow(3, CTRL_COMBO, L"9007");
    AddRow(3, CTRL_EDIT, L"9007");
    AddRow(3, CTRL_EDIT, L"9008");
  }
  void TearDown() override {
    for (auto& list : lists_) FreeParamInfoList(list);
  }
  PARAM_INFO* Add(int tab, int type, int id, const wchar_t* value, const wchar_t* config = L"") {
    auto* p = new PARAM_INFO();
    p->nTabId = tabs_[tab].nTabId;
    p->nCtrlType = type;
    p->nId = id;
    p->strValue = value;
    p->strConfig = config;
    lists_[tab].AddTail(p);
    return p;
  }
  void AddSized(int tab, int type, int size, int decimals) {
    PARAM_INFO* p = Add(tab, type, 0, L"");
    p->nSize = size;
    p->nDecimal = decimals;
  }
  void AddRow(int tab, int rowType, const wchar_t* config) {
    PARAM_INFO* p = Add(tab, CTRL_MGRP, 0, L"");
    p->subGroups[1].nCtrlType = rowType;
    p->subGroups[1].strConfig = config;
  }
  DefinitionView View() { return DefinitionView{tabs_, lists_, 4}; }

  TAB_INFO tabs_[4];
  CPtrList lists_[4];
};

TEST_F(RecordCoders, GeofenceRecordBothWays) {
  GEOFENCE_INFO rec;
  rec.nId = 7;
  rec.strLatitude = L"-23.5";
  rec.strLongitude = L"46.25";
  rec.strRadius = L"300";
  rec.bIn = 1;
  EXPECT_EQ(S(BuildPrgValueLines(rec, FALSE)), "07#816694E002C1B810012C0100");
  rec.strExtra = L";5;1.5";
  rec.formats[0].nType = CTRL_COMBO;
  rec.formats[1].nType = CTRL_EDIT;
  EXPECT_EQ(S(BuildPrgValueLines(rec, TRUE)), "07#816694E002C1B810012C0100050016E360");
  EXPECT_EQ(S(BuildPrgValueLines(rec, FALSE)), "07#816694E002C1B810012C0100") << "extras only in this set";

  // The device's answer for geofence 1: the switched-on rows take their digits, the rest nothing.
  GEOFENCE_INFO read;
  ASSERT_TRUE(DecodeGeofenceItem(View(), 50, 25, L"816694E002C1B810012C00010580000001", read));
  EXPECT_EQ(read.nId, 1);
  EXPECT_EQ(S(read.strLatitude), "-23.500000");
  EXPECT_EQ(S(read.strLongitude), "46.250000");
  EXPECT_EQ(S(read.strRadius), "300");
  EXPECT_EQ(read.bIn, 0);
  EXPECT_EQ(read.bOut, 1);
  EXPECT_EQ(read.bUsed, 1);
  EXPECT_EQ(S(read.strExtra), ";5;-0.000001");
  EXPECT_EQ(read.formats[0].nType, CTRL_COMBO);
  EXPECT_EQ(read.formats[1].nType, CTRL_EDIT_NUMBER);
  EXPECT_EQ(read.formats[2].nType, 5);

  ASSERT_TRUE(DecodeGeofenceItem(View(), 52, 79, L"000000000000000000010000", read));
  EXPECT_EQ(read.nId, 255);
  EXPECT_EQ(read.bUsed, 0);
  EXPECT_FALSE(DecodeGeofenceItem(View(), 50, 10, L"0000", read));
}

TEST_F(RecordCoders, BleRecordBothWays) {
  BLE_INFO rec;
  rec.nSlot = 1;
  EXPECT_EQ(S(BuildBlePrgValueLines(rec, TRUE)), "00#00");
  rec.bActive = 1;
  rec.strValues = L";3;12.5;-2;A1B2C3;x";
  rec.formats[0] = FIELD_FORMAT{CTRL_COMBO, 2, 0};
  rec.formats[1] = FIELD_FORMAT{CTRL_EDIT_NUMBER, 4, 1};
  rec.formats[2] = FIELD_FORMAT{CTRL_EDIT_NUMBER, 4, 0};
  rec.formats[3] = FIELD_FORMAT{CTRL_EDIT_HEX, 6, 0};
  rec.formats[4] = FIELD_FORMAT{CTRL_PASSWD, 4, 0};
  EXPECT_EQ(S(BuildBlePrgValueLines(rec, TRUE)), "00#0103007DFFFEA1B2C3") << "a password adds nothing";

  BLE_INFO wide;
  wide.nSlot = 2;
  wide.strValues = L";-1.5";
  wide.formats[0] = FIELD_FORMAT{CTRL_EDIT, 8, 1};
  EXPECT_EQ(S(BuildBlePrgValueLines(wide, TRUE)), "01#008000000F");

  // A value that does not fit its field gives no line at all, never a longer or cut field.
  const struct {
    FIELD_FORMAT format;
    const wchar_t* value;
  } refused[] = {{{CTRL_COMBO, 2, 0}, L"256"}, {{CTRL_EDIT_NUMBER, 2, 0}, L"300"}, {{CTRL_EDIT_HEX, 4, 0}, L"ABCDE"}};
  for (const auto& c : refused) {
    BLE_INFO big;
    big.nSlot = 3;
    big.strValues = CString(L";") + c.value;
    big.formats[0] = c.format;
    EXPECT_TRUE(BuildBlePrgValueLines(big, TRUE).IsEmpty()) << S(big.strValues);
  }

  BLE_INFO read;
  ASSERT_TRUE(DecodeBleItem(View(), 0, L"0103007DFFFEA1B2C3", read));
  EXPECT_EQ(read.nSlot, 1);
  EXPECT_EQ(read.bActive, 1);
  EXPECT_EQ(S(read.strValues), ";3;12.500000;-2;A1B2C3");
  EXPECT_EQ(read.formats[1].nWidth, 4);
  EXPECT_EQ(read.formats[1].nDecimals, 1);
  ASSERT_TRUE(DecodeBleItem(View(), 4, L"00", read));
  EXPECT_EQ(read.nSlot, 5);
  EXPECT_EQ(read.bActive, 0);
  EXPECT_TRUE(read.strValues.IsEmpty());
  EXPECT_FALSE(DecodeBleItem(View(), 500, L"01", read));
}

TEST_F(RecordCoders, ZoneAndPointValues) {
  POLYGON_INFO zone;
  DecodeZoneItem(View(), 3, L"1E01000C0016E360", zone);
  EXPECT_EQ(zone.nIndex, 4);
  EXPECT_EQ(zone.nPointCount, 30);
  EXPECT_EQ(zone.bUpRole1, 1);
  EXPECT_EQ(zone.bUpRole2, 0);
  EXPECT_EQ(S(zone.strExtra[0]), "12");
  EXPECT_EQ(zone.nExtraType[0], CTRL_COMBO);
  EXPECT_EQ(S(zone.strExtra[1]), "1.500000");
  EXPECT_EQ(zone.nExtraType[1], CTRL_EDIT);
  EXPECT_EQ(zone.nExtraType[2], 5) << "the switched-off row takes nothing";
  EXPECT_EQ(S(EncodeZoneValue(zone)), "1E01000C0016E360");
  EXPECT_EQ(S(RowValuesToHex(View(), L"53")), "0000000000");
  EXPECT_EQ(S(FindRowValue(View(), L"53", 2)), "08");
  EXPECT_EQ(S(FindRowValue(View(), L"53", 3)), "");
  EXPECT_TRUE(FindEnableValue(View(), 90, L"7"));
  EXPECT_FALSE(FindEnableValue(View(), 90, L"8"));

  CString lat;
  CString lng;
  DecodePointValue(L"816694E002C1B810", lat, lng);
  EXPECT_EQ(S(lat), "-23.500000");
  EXPECT_EQ(S(lng), "46.250000");
  EXPECT_EQ(S(EncodePointItem(0, L"-23.5", L"46.25")), ";00#816694E002C1B810");
}

}  // namespace
