// Tests of the markup document's result records: their text, the update of a record, the limit of
// the results text, and the English line made of them.
#include <gtest/gtest.h>

#include <string>

#include "reference/markup/markup.h"

namespace {

using Doc = CMarkupDocument;

TEST(MarkupResults, RecordTexts) {
  const struct {
    const char* name;
    const char16_t* record;
    const char16_t* value;
    int flags, number, number2;
    const char16_t* text;
  } cases[] = {
      {"unended start tag", u"unended_start_tag", u"b", 0, 3, 7, u"<unended_start_tag tagname=\"b\" offset=\"3\" offset2=\"7\"/>"},
      {"file error", u"file_error", u"Access \"denied\"", 0x40 | 0x4, 5, -1,
       u"<file_error msg=\"Access &quot;denied&quot;\" n=\"5\"/>"},
      {"no offset", u"lone_end_tag", u"x", 0, -1, -1, u"<lone_end_tag tagname=\"x\"/>"},
      {"type word", u"unterminated_tag_syntax", u"comment", 2, 4, -1, u"<unterminated_tag_syntax type=\"comment\" offset=\"4\"/>"},
      {"count", u"nulls_removed", nullptr, 1, 2, -1, u"<nulls_removed count=\"2\"/>"},
      {"bare", u"bom", nullptr, 0, -1, -1, u"<bom/>"},
  };
  for (const auto& c : cases) {
    std::u16string results;
    Doc::AddResult(results, c.record, c.value, c.flags, c.number, c.number2);
    EXPECT_EQ(results, std::u16string(c.text)) << c.name;
  }
}

TEST(MarkupResults, UpdateAndLimit) {
  std::u16string results = u"<bom/><read encoding=\"UTF-8\" length=\"9\"/><read length=\"1\"/>";
  Doc::AddResult(results, u"read", nullptr, Doc::MRC_LENGTH | Doc::MRC_MODIFY, 12);
  EXPECT_EQ(results, u"<bom/><read encoding=\"UTF-8\" length=\"12\"/><read length=\"1\"/>");
  Doc::AddResult(results, u"missing", nullptr, Doc::MRC_MODIFY, 1);
  EXPECT_EQ(results, u"<bom/><read encoding=\"UTF-8\" length=\"12\"/><read length=\"1\"/>");

  std::u16string full(1000, u' ');
  Doc::AddResult(full, u"bom");
  EXPECT_EQ(full.size(), 1000u);
  std::u16string almost(999, u' ');
  Doc::AddResult(almost, u"bom");
  EXPECT_EQ(almost.size(), 1005u);
}

TEST(MarkupResults, ErrorLineKeepsTheFirstMarkupErrorAndEveryFileStep) {
  Doc doc(L"<a></b><c>");
  EXPECT_EQ(doc.GetErrorText(), CString(L"lone end tag 'b' at offset 3"));
  // Many errors stop adding records at the limit; the document still parses.
  std::wstring many = L"<r>";
  for (int i = 0; i < 200; ++i) many += L"</x>";
  many += L"</r>";
  Doc noisy(CString(many.c_str()));
  EXPECT_LT(noisy.GetResults().GetLength(), 1100);
  EXPECT_TRUE(noisy.FindElement(L"r"));
}

}  // namespace
