// Tables of cases for the BLE record values on the wire: the field encoders by type, the record
// line, the exact decimal scaling and the texts the page shows.
#include "gui/dlg/blerecordcodec.h"

#include <gtest/gtest.h>

namespace {

using brelvano::EncodeBleRecordLine;
using brelvano::EncodeBleValue;
using brelvano::FormatDecimalCut;
using brelvano::ScaleDecimalText;

TEST(BleRecordCodec, ValuesInTheirFields) {
  struct Case {
    const char* name;
    const wchar_t* token;
    FIELD_FORMAT format;
    const wchar_t* encoded;  // nullptr: refused
  } cases[] = {
      {"choice", L"1", {CTRL_COMBO, 2, 0}, L"01"},
      {"choice 255", L"255", {CTRL_COMBO, 2, 0}, L"FF"},
      {"choice above a byte", L"256", {CTRL_COMBO, 2, 0}, nullptr},
      {"negative choice", L"-1", {CTRL_COMBO, 2, 0}, nullptr},
      {"number -1 in 4 digits", L"-1", {CTRL_EDIT_NUMBER, 4, 0}, L"FFFF"},
      {"number 300 in 4 digits", L"300", {CTRL_EDIT_NUMBER, 4, 0}, L"012C"},
      {"number -1 in 8 digits", L"-1", {CTRL_EDIT_NUMBER, 8, 0}, L"FFFFFFFF"},
      {"70000 beyond 16 bits", L"70000", {CTRL_EDIT_NUMBER, 4, 0}, nullptr},
      {"256 beyond 2 digits", L"256", {CTRL_EDIT_NUMBER, 2, 0}, nullptr},
      {"negative in 2 digits", L"-1", {CTRL_EDIT_NUMBER, 2, 0}, nullptr},
      {"12.345 with 2 decimals", L"12.345", {CTRL_EDIT_NUMBER, 4, 2}, L"04D2"},
      {"-2.5 with 1 decimal", L"-2.5", {CTRL_EDIT_NUMBER, 4, 1}, L"8019"},
      {"0.29 scaled exactly", L"0.29", {CTRL_EDIT_NUMBER, 4, 2}, L"001D"},
      {"comma separator", L"0,29", {CTRL_EDIT_NUMBER, 4, 2}, L"001D"},
      {"12.5 with 1 decimal", L"12.5", {CTRL_EDIT_NUMBER, 4, 1}, L"007D"},
      {"-1.5 in 8 digits", L"-1.5", {CTRL_EDIT_NUMBER, 8, 1}, L"8000000F"},
      {"sign bit needed", L"3276.8", {CTRL_EDIT_NUMBER, 4, 1}, nullptr},
      {"largest magnitude", L"-3276.7", {CTRL_EDIT_NUMBER, 4, 1}, L"FFFF"},
      {"plain edit as signed", L"-7", {CTRL_EDIT, 4, 0}, L"8007"},
      {"not a number", L"1x", {CTRL_EDIT_NUMBER, 4, 0}, nullptr},
      {"hexadecimal text", L"4F2A", {CTRL_EDIT_HEX, 4, 0}, L"4F2A"},
      {"short hexadecimal padded", L"1A", {CTRL_EDIT_HEX, 4, 0}, L"1A00"},
      {"long hexadecimal", L"12345", {CTRL_EDIT_HEX, 4, 0}, nullptr},
      {"no hexadecimal", L"XY", {CTRL_EDIT_HEX, 2, 0}, nullptr},
      {"no format", L"5", {5, 0, 0}, nullptr},
  };
  for (const Case& c : cases) {
    CString out, error;
    const bool ok = EncodeBleValue(c.token, c.format, out, error);
    if (c.encoded == nullptr) {
      EXPECT_FALSE(ok) << c.name << " gave " << out.ToUtf8();
      EXPECT_FALSE(error.IsEmpty()) << c.name;
    } else {
      EXPECT_TRUE(ok) << c.name << ": " << error.ToUtf8();
      EXPECT_EQ(out, CString(c.encoded)) << c.name;
    }
  }
}

TEST(BleRecordCodec, RecordLines) {
  BLE_INFO rec;
  rec.nSlot = 3;
  rec.bActive = 1;
  rec.strValues = L";1;-1;4F2A";
  rec.formats[0] = {CTRL_COMBO, 2, 0};
  rec.formats[1] = {CTRL_EDIT_NUMBER, 4, 0};
  rec.formats[2] = {CTRL_EDIT_HEX, 4, 0};
  CString out, error;
  ASSERT_TRUE(EncodeBleRecordLine(rec, out, error)) << error.ToUtf8();
  EXPECT_EQ(out, CString(L"03#0101FFFF4F2A\r"));

  rec.bActive = 0;  // a deletion
  ASSERT_TRUE(EncodeBleRecordLine(rec, out, error));
  EXPECT_EQ(out, CString(L"03#0001FFFF4F2A\r"));

  rec.strValues = L";1;70000;4F2A";  // refused, nothing to send
  EXPECT_FALSE(EncodeBleRecordLine(rec, out, error));
  EXPECT_TRUE(out.IsEmpty());

  rec.strValues.Empty();  // no values: nothing to send
  EXPECT_TRUE(EncodeBleRecordLine(rec, out, error));
  EXPECT_TRUE(out.IsEmpty());
}

TEST(BleRecordCodec, ExactScalingAndShownTexts) {
  struct Scale {
    const wchar_t* text;
    int decimals;
    long long value;
  } scales[] = {{L"0.29", 2, 29}, {L"12.345", 2, 1234}, {L"-2.5", 1, -25}, {L"", 3, 0},
                {L"7", 3, 7000},  {L"-0.001", 2, 0},    {L"1.1", 1, 11}};
  for (const Scale& s : scales) {
    long long v = -999;
    EXPECT_TRUE(ScaleDecimalText(s.text, s.decimals, v)) << CString(s.text).ToUtf8();
    EXPECT_EQ(v, s.value) << CString(s.text).ToUtf8();
  }
  long long v = 0;
  for (const wchar_t* bad : {L"-", L".", L"1.2.3", L"abc", L"99999999999999999999"})
    EXPECT_FALSE(ScaleDecimalText(bad, 0, v)) << CString(bad).ToUtf8();

  struct Shown {
    const wchar_t* text;
    int decimals;
    const wchar_t* shown;
  } shown[] = {{L"12.0", 2, L"12"},   {L"12.345", 2, L"12.34"}, {L"3.1415", 2, L"3.14"}, {L"0.29", 2, L"0.29"},
               {L"-2.50", 1, L"-2.5"}, {L"3.1", 2, L"3.10"},    {L"7.9", 0, L"7"},       {L"-0.001", 2, L"0.00"},
               {L"abc", 2, L"abc"}};
  for (const Shown& s : shown) EXPECT_EQ(FormatDecimalCut(s.text, s.decimals), CString(s.shown)) << CString(s.text).ToUtf8();
}

}  // namespace
