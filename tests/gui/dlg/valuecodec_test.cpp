// Round trips of every kind of value: each encoder against its decoder, with the edges of the kind
// (negative, widest, the comma decimal separator, a label that is not its position), and the texts
// that would split a device line.
#include "gui/dlg/valuecodec.h"

#include <gtest/gtest.h>

#include "gui/dlg/blerecordcodec.h"
#include "gui/dlg/numberedvalues.h"

namespace {

std::string S(const CString& s) { return s.ToUtf8(); }

// A choice of three options whose labels are not their positions and whose values are not either.
struct Choice {
  Choice() {
    p.nOptions = 3;
    p.pOptions = new PARAM_OPTION[3];
    const wchar_t* labels[] = {L"On", L"Off", L"2"};
    for (int k = 0; k < 3; ++k) {
      p.pOptions[k].strText = labels[k];
      p.pOptions[k].nValue = 10 + k;
    }
  }
  ~Choice() {
    delete[] p.pOptions;
    p.pOptions = nullptr;
  }
  PARAM_INFO p;
};

TEST(ValueCodec, ComboChoicesComeBackAsTheSameOption) {
  Choice c;
  for (brelvano::ComboForm form : {brelvano::ComboForm::kPosition, brelvano::ComboForm::kLabel}) {
    for (int option = 0; option < 3; ++option) {
      const CString stored = brelvano::EncodeComboChoice(c.p, option, form);
      EXPECT_EQ(brelvano::DecodeComboChoice(c.p, stored, form), option) << S(stored);
      const CString device = brelvano::ComboChoiceToDevice(c.p, option, form);
      EXPECT_EQ(brelvano::ComboChoiceFromDevice(c.p, device, form), option) << S(device);
    }
  }
  EXPECT_EQ(S(brelvano::EncodeComboChoice(c.p, 1, brelvano::ComboForm::kPosition)), "01");
  EXPECT_EQ(S(brelvano::EncodeComboChoice(c.p, 1, brelvano::ComboForm::kLabel)), "Off");
  EXPECT_EQ(S(brelvano::ComboChoiceToDevice(c.p, 1, brelvano::ComboForm::kLabel)), "11");
  // A label is never taken for a position, nor a translated label for the option's own.
  EXPECT_EQ(brelvano::DecodeComboChoice(c.p, L"On", brelvano::ComboForm::kPosition), -1);
  EXPECT_EQ(brelvano::DecodeComboChoice(c.p, L"Ligado", brelvano::ComboForm::kLabel), -1);
  EXPECT_EQ(brelvano::DecodeComboChoice(c.p, L"03", brelvano::ComboForm::kPosition), -1);
  EXPECT_TRUE(brelvano::EncodeComboChoice(c.p, 3, brelvano::ComboForm::kPosition).IsEmpty());
}

TEST(ValueCodec, AlertNumbersComeBackTheSame) {
  for (bool json : {false, true}) {
    for (int n : {0, 9, 10, 26, 99, 255}) {
      const CString stored = brelvano::EncodeAlertNumber(n, json);
      EXPECT_EQ(brelvano::DecodeAlertNumber(stored, json), n) << S(stored);
      const CString device = brelvano::AlertNumberToDevice(stored, json);
      EXPECT_EQ(brelvano::DecodeAlertNumber(brelvano::AlertNumberFromDevice(device, json), json), n) << S(device);
    }
  }
  EXPECT_EQ(S(brelvano::EncodeAlertNumber(26, true)), "26");
  EXPECT_EQ(S(brelvano::EncodeAlertNumber(26, false)), "1A");
  EXPECT_EQ(S(brelvano::AlertNumberToDevice(L"26", true)), "1A");
}

TEST(ValueCodec, DecimalsTypedInAnyLocaleReachTheDeviceAsTyped) {
  const struct {
    const char* name;
    const wchar_t* typed;
    const wchar_t* dotted;
  } cases[] = {
      {"comma", L"12,5", L"12.5"},
      {"negative comma", L"-23,500001", L"-23.500001"},
      {"dot", L"46.25", L"46.25"},
      {"whole", L"7", L"7"},
      {"text kept", L"a,b", L"a,b"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(S(brelvano::TypedDecimal(c.typed)), S(c.dotted)) << c.name;
    EXPECT_EQ(S(CoordinateToHex(c.typed)), S(CoordinateToHex(c.dotted))) << c.name;
    EXPECT_EQ(S(ScaledTextToSignedHex(c.typed, 1, 4)), S(ScaledTextToSignedHex(c.dotted, 1, 4))) << c.name;
  }
  EXPECT_EQ(S(SignedHexToScaledText(CoordinateToHex(L"12,5"), 6)), "12.500000");
  EXPECT_EQ(S(SignedHexToScaledText(CoordinateToHex(L"-179,999999"), 6)), "-179.999999");
}

TEST(ValueCodec, RecordValuesAreShownWithEveryDecimalTheyCarry) {
  const struct {
    const wchar_t* stored;
    const char* shown;
  } cases[] = {{L"1.234567", "1.234567"}, {L"12.500000", "12.5"}, {L"3.000000", "3"},
               {L"-0.000001", "-0.000001"}, {L"-0.000000", "0"}, {L"5", "5"}, {L"1A2B", "1A2B"}};
  for (const auto& c : cases) {
    const CString shown = brelvano::ShownDecimal(c.stored);
    EXPECT_EQ(S(shown), c.shown);
    // What is shown is written back as the number that was read.
    EXPECT_EQ(S(CoordinateToHex(shown)), S(CoordinateToHex(c.stored))) << c.shown;
  }
}

TEST(ValueCodec, BleFieldsComeBackTheSame) {
  const struct {
    const char* name;
    FIELD_FORMAT format;
    const wchar_t* value;
    const char* read;
  } cases[] = {
      {"choice 0", {CTRL_COMBO, 2, 0}, L"0", "0"},
      {"choice 255", {CTRL_COMBO, 2, 0}, L"255", "255"},
      {"plain -1", {CTRL_EDIT, 4, 0}, L"-1", "-1"},
      {"plain widest negative", {CTRL_EDIT, 4, 0}, L"-32767", "-32767"},
      {"plain 100000 in 8 digits", {CTRL_EDIT, 8, 0}, L"100000", "100000"},
      {"plain -100000 in 8 digits", {CTRL_EDIT, 8, 0}, L"-100000", "-100000"},
      {"plain with decimals", {CTRL_EDIT, 8, 2}, L"-1,25", "-1.250000"},
      {"number -1", {CTRL_EDIT_NUMBER, 4, 0}, L"-1", "-1"},
      {"number -32768", {CTRL_EDIT_NUMBER, 4, 0}, L"-32768", "-32768"},
      {"number 32767", {CTRL_EDIT_NUMBER, 4, 0}, L"32767", "32767"},
      {"number -2.5", {CTRL_EDIT_NUMBER, 4, 1}, L"-2.5", "-2.500000"},
      {"hexadecimal", {CTRL_EDIT_HEX, 6, 0}, L"A1B2C3", "A1B2C3"},
  };
  for (const auto& c : cases) {
    CString field, error;
    ASSERT_TRUE(brelvano::EncodeBleValue(c.value, c.format, field, error)) << c.name << ": " << S(error);
    EXPECT_EQ(field.GetLength(), c.format.nType == CTRL_COMBO ? 2 : c.format.nWidth) << c.name;
    CString rest = field + L"99";
    CString text;
    ASSERT_TRUE(brelvano::DecodeBleValue(rest, c.format, text)) << c.name;
    EXPECT_EQ(S(text), c.read) << c.name;
    EXPECT_EQ(S(rest), "99") << c.name << ": the next field starts where this one ends";
  }
}

TEST(ValueCodec, HexFieldsKeepTheirWidth) {
  const struct {
    const wchar_t* text;
    int width;
    const char* field;  // nullptr: refused
  } cases[] = {{L"1A", 4, "1A00"}, {L"1a2b", 4, "1A2B"}, {L"", 2, "00"}, {L"12345", 4, nullptr}, {L"1G", 2, nullptr}};
  for (const auto& c : cases) {
    CString field, error;
    const bool ok = brelvano::EncodeHexField(c.text, c.width, field, error);
    EXPECT_EQ(ok, c.field != nullptr) << S(c.text);
    if (ok) {
      EXPECT_EQ(S(field), c.field);
    } else {
      EXPECT_FALSE(error.IsEmpty());
    }
  }
}

TEST(ValueCodec, TextsThatWouldSplitALineAreRefusedByName) {
  const struct {
    const wchar_t* text;
    wchar_t delimiter;
    const wchar_t* extra;
    bool ok;
  } cases[] = {{L"abcd", L';', L"#", true}, {L"ab;cd", L';', L"", false}, {L"ab#cd", L';', L"#", false},
               {L"ab#cd", L';', L"", true},  {L"ab,cd", L',', L"", false}, {L"ab\rcd", L';', L"", false},
               {L"ab\ncd", L';', L"", false}};
  for (const auto& c : cases) {
    CString error;
    EXPECT_EQ(brelvano::CheckTextField(c.text, c.delimiter, c.extra, L"Zone name", error), c.ok) << S(c.text);
    if (!c.ok) {
      EXPECT_NE(S(error).find("Zone name"), std::string::npos);
    }
  }
}

// Geofence further values of every kind through the device line and back.
TEST(ValueCodec, GeofenceExtrasOfEveryKindComeBackTheSame) {
  TAB_INFO tabs[2];
  CPtrList lists[2];
  tabs[0].nTabId = 90;
  tabs[1].nTabId = 50;
  auto add = [&](int tab, int type, int id, const wchar_t* value, const wchar_t* config, int size) {
    auto* p = new PARAM_INFO();
    p->nCtrlType = type;
    p->nId = id;
    p->strValue = value;
    p->strConfig = config;
    p->nSize = size;
    lists[tab].AddTail(p);
  };
  add(0, CTRL_COMBO, 7, L"Enable", L"", 0);
  add(1, CTRL_COMBO, 0, L"", L"9007", 0);
  add(1, CTRL_EDIT_HEX, 0, L"", L"9007", 4);
  add(1, CTRL_EDIT_NUMBER, 0, L"", L"9007", 0);
  add(1, CTRL_EDIT, 0, L"", L"9007", 0);
  const DefinitionView def{tabs, lists, 2};

  GEOFENCE_INFO rec;
  rec.nId = 1;
  rec.strLatitude = L"-23.500001";
  rec.strLongitude = L"46.25";
  rec.strRadius = L"65535";
  rec.bIn = 1;
  rec.strExtra = L";255;1A2B;1.234567;-2147.483647";
  rec.formats[0] = FIELD_FORMAT{CTRL_COMBO, 0, 0};
  rec.formats[1] = FIELD_FORMAT{CTRL_EDIT_HEX, 4, 0};
  rec.formats[2] = FIELD_FORMAT{CTRL_EDIT_NUMBER, 0, 0};
  rec.formats[3] = FIELD_FORMAT{CTRL_EDIT, 0, 0};
  const CString line = BuildPrgValueLines(rec, TRUE);
  GEOFENCE_INFO read;
  ASSERT_TRUE(DecodeGeofenceItem(def, 50, 25, line.Mid(line.Find(L'#') + 1), read));
  EXPECT_EQ(S(read.strExtra), ";255;1A2B;1.234567;-2147.483647");
  EXPECT_EQ(S(read.strLatitude), "-23.500001");
  EXPECT_EQ(S(read.strRadius), "65535");
  EXPECT_EQ(read.formats[1].nWidth, 4);
  // Written again as read: the same line.
  EXPECT_EQ(S(BuildPrgValueLines(read, TRUE)), S(line));
  for (auto& list : lists) FreeParamInfoList(list);
}

}  // namespace
