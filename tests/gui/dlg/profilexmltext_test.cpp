// The XML profile's text helpers: escaping on writing, the standard entities decoded on reading
// (a text without entities reads as before), and the UTF-16LE bytes of the file.
#include <gtest/gtest.h>

#include "gui/dlg/profilexmltext.h"

namespace {

TEST(ProfileXmlTextTest, MarkupCharactersAreEscapedAndTheStandardEntitiesDecoded) {
  struct Case {
    const wchar_t* plain;
    const wchar_t* escaped;
  } cases[] = {
      {L"30", L"30"},
      {L"a<b\"c&d>e", L"a&lt;b&quot;c&amp;d&gt;e"},
      {L"&lt;", L"&amp;lt;"},
      {L"it's", L"it's"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(EscapeProfileXml(c.plain), CString(c.escaped));
    EXPECT_EQ(DecodeProfileXmlEntities(c.escaped), CString(c.plain));
  }
  // Only the five standard entities are decoded; any other '&' stays as it is.
  EXPECT_EQ(DecodeProfileXmlEntities(L"&apos;&#65;&nbsp;R&D&amp"), CString(L"'&#65;&nbsp;R&D&amp"));
}

TEST(ProfileXmlTextTest, TextBecomesUtf16LittleEndianWithSurrogatePairs) {
  EXPECT_EQ(ToUtf16LeBytes(L"A\u00e9"), std::string("A\0\xE9\0", 4));
  EXPECT_EQ(ToUtf16LeBytes(CString(L"\U0001F600")), std::string("\x3D\xD8\x00\xDE", 4));
}

}  // namespace
