// GUI_Base's reply-field functions (fields by number, the rest from a field on, field counts, the
// single-byte twin) and its file-existence test.
#include "gui/dlg/guibase.h"

#include <gtest/gtest.h>

#include <string>

#include "temp_folder.h"

namespace {

struct FieldCase {
  const char* text;
  int n;
  wchar_t sep;
  bool keepLF;
  const char* expected;
};

const FieldCase kFieldCases[] = {
    {"A;B;C", 1, L';', false, "A"},
    {"A;B;C", 2, L';', false, "B"},
    {"A;B;C", 3, L';', false, "C"},
    {"A;B;C", 0, L';', false, ""},
    {"A;B;C", -1, L';', false, ""},
    {"A;B;C", 4, L';', false, ""},
    {"A;;C", 2, L';', false, ""},
    {"A;;C", 3, L';', false, "C"},
    {"A;B\r\n", 2, L';', false, "B"},
    {"A\nB;C", 1, L';', true, "A\nB"},
    {"A\nB;C", 1, L';', false, "AB"},
    {"A\r\nB;C", 1, L';', true, "A\nB"},
    {"A;B;", 3, L';', false, ""},
    {"A;B;", 4, L';', false, ""},
    {";A", 1, L';', false, ""},
    {";A", 2, L';', false, "A"},
    {"", 1, L';', false, ""},
    {"", 2, L';', false, ""},
    {"ABC", 1, L';', false, "ABC"},
    {"ABC", 2, L';', false, ""},
    {"$PVRVer#5.0#KR", 2, L'#', false, "5.0"},
    {"a@b", 2, L'@', false, "b"},
    {"1,2,3", 3, L',', false, "3"},
    {"x=y", 1, L'=', false, "x"},
    {"1.25", 2, L'.', false, "25"},
    {"a_b_c", 2, L'_', false, "b"},
    {"A;B;C", 2, L',', false, ""},
    {"\r;\r", 2, L';', false, ""},
    {"가;나다;라", 2, L';', false, "나다"},
};

TEST(GuiBaseFields, GetFieldTable) {
  for (const FieldCase& c : kFieldCases) {
    EXPECT_EQ(GUI_Base::GetField(CString(c.text), c.n, c.sep, c.keepLF ? TRUE : FALSE), CString(c.expected))
        << "text '" << c.text << "' field " << c.n << " keepLF " << c.keepLF;
    // The single-byte twin agrees on the ASCII lines.
    const std::string text(c.text);
    bool ascii = true;
    for (unsigned char ch : text) ascii = ascii && ch < 0x80;
    if (ascii) {
      EXPECT_EQ(GUI_Base::GetFieldA(text, c.n, static_cast<char>(c.sep), c.keepLF ? TRUE : FALSE),
                std::string(c.expected))
          << "single-byte text '" << c.text << "' field " << c.n;
    }
  }
}

TEST(GuiBaseFields, GetFieldsFromTable) {
  struct Case {
    const char* text;
    int n;
    const char* expected;
  } cases[] = {
      {"A;B;C", 2, "B;C"},
      {"A;B;C", 3, "C"},
      {"A;B;C", 1, ""},
      {"A;B;C", 0, ""},
      {"A;B;C", -3, ""},
      {"A;B", 3, ""},
      {"A;B;", 3, ""},
      {"A;B;C\x03", 2, "B;C"},
      {"A;B\r\n;C", 2, "B;C"},
      {"A\x03;B\x03;C", 2, "B;C"},  // an ETX before the cut does not move it
      {"A\x03\x03;BC", 2, "BC"},
      {";", 2, ""},
      {"", 2, ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(GUI_Base::GetFieldsFrom(CString(c.text), c.n, L';'), CString(c.expected))
        << "text '" << c.text << "' from " << c.n;
  }
}

TEST(GuiBaseFields, CountFieldsTable) {
  struct Case {
    const char* text;
    wchar_t sep;
    int expected;
  } cases[] = {
      {"", L';', 1},         {"A", L';', 1},      {"A;B;", L';', 3},   {";;", L';', 3},
      {"A;B;C", L',', 1},    {"a#b#c#d", L'#', 4}, {"A;\r\n", L';', 2},
  };
  for (const Case& c : cases)
    EXPECT_EQ(GUI_Base::CountFields(CString(c.text), c.sep), c.expected) << "text '" << c.text << "'";
}

TEST(GuiBaseFields, VeryLongLines) {
  // 100,000 fields of a 100-character word, and one field of a million characters.
  const CString word(L'w', 100);
  CString line;
  const int fields = 100000;
  for (int i = 0; i < fields; ++i) {
    if (i > 0) line += L';';
    line += (i == fields - 1) ? CString(L"last") : word;
  }
  EXPECT_EQ(GUI_Base::CountFields(line, L';'), fields);
  EXPECT_EQ(GUI_Base::GetField(line, fields, L';'), CString(L"last"));
  EXPECT_EQ(GUI_Base::GetField(line, 1, L';'), word);
  EXPECT_EQ(GUI_Base::GetField(line, fields + 1, L';'), CString());
  EXPECT_EQ(GUI_Base::GetFieldsFrom(line, fields, L';'), CString(L"last"));

  const CString big(L'x', 1000000);
  EXPECT_EQ(GUI_Base::GetField(big, 1, L';').GetLength(), 1000000);
  EXPECT_EQ(GUI_Base::GetField(big + L";y", 2, L';'), CString(L"y"));
  EXPECT_EQ(GUI_Base::GetFieldsFrom(CString(L"a;") + big, 2, L';').GetLength(), 1000000);
}

TEST(GuiBaseFiles, FileExistsMatchesNamesAndPatterns) {
  testsupport::TempFolder folder;
  ASSERT_TRUE(folder.Ok());
  folder.Write("model.xml", "<x/>");
  struct Case {
    CString path;
    BOOL expected;
  } cases[] = {
      {folder.CPath("model.xml"), TRUE},
      {folder.CPath("*.xml"), TRUE},
      {folder.CPath("mod?l.XML"), TRUE},
      {folder.CPath("*.csv"), FALSE},
      {folder.CPath("missing.xml"), FALSE},
      {folder.CPath("nofolder/model.xml"), FALSE},
      {CString(), FALSE},
  };
  for (const Case& c : cases) EXPECT_EQ(GUI_Base::FileExists(c.path), c.expected) << c.path;
}

}  // namespace
