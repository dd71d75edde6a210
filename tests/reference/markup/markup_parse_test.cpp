// Tests of the markup document's parse: element positions, flags and result records of well-formed
// and malformed texts, the node scanner's rules, and documents past one position segment.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "markup_test_support.h"
#include "reference/markup/markup.h"

namespace {

using Doc = CMarkupDocument;

TEST(MarkupParse, MalformedTextsGiveTheirRecords) {
  const struct {
    const char* name;
    const wchar_t* text;
    bool wellFormed;
    const wchar_t* results;
    const wchar_t* errorText;
  } cases[] = {
      {"well-formed", L"<a><b/></a>", true, L"", L""},
      {"empty text records nothing", L"", false, L"", L""},
      {"unended start tag", L"<a><b></a>", false, L"<unended_start_tag tagname=\"b\" offset=\"3\" offset2=\"7\"/>",
       L"start tag 'b' at offset 3 expecting end tag at offset 7"},
      {"lone end tag", L"<a></b></a>", false, L"<lone_end_tag tagname=\"b\" offset=\"3\"/>",
       L"lone end tag 'b' at offset 3"},
      {"root has sibling", L"<a/><b/>", false, L"<root_has_sibling/>", L"root element has sibling"},
      {"no root element", L"text", false, L"<no_root_element/>", L"no root element"},
      {"exclamation syntax", L"<a><!x></a>", false, L"<exclamation_tag_syntax offset=\"3\"/>",
       L"tag syntax error at offset 3 expecting 'DOCTYPE' [ or -"},
      {"comment syntax", L"<a><!-x></a>", false, L"<comment_tag_syntax offset=\"3\"/>",
       L"tag syntax error at offset 3 expecting - to begin comment"},
      {"cdata syntax", L"<a><![X[y]]></a>", false, L"<cdata_section_syntax offset=\"3\"/>",
       L"tag syntax error at offset 3 expecting 'CDATA'"},
      {"first tag syntax", L"<a>< b</a>", false, L"<first_tag_syntax offset=\"3\"/>",
       L"tag syntax error at offset 3 expecting tag name / ! or ?"},
      {"doctype syntax", L"<!DOCTYPE r [<!x>]><r/>", false, L"<doctype_tag_syntax offset=\"0\"/>",
       L"tag syntax error at offset 0 expecting markup declaration"},
      {"unterminated tag at the end", L"<a", false,
       L"<unterminated_tag_syntax type=\"start_tag\" offset=\"0\"/><no_root_element/>",
       L"unterminated tag at offset 0"},
      {"unterminated comment", L"<a/><!-- x", false, L"<unterminated_tag_syntax type=\"comment\" offset=\"4\"/>",
       L"unterminated tag at offset 4"},
      {"two markup errors: the first phrase only", L"<a></b></c></a>", false,
       L"<lone_end_tag tagname=\"b\" offset=\"3\"/><lone_end_tag tagname=\"c\" offset=\"7\"/>", L"lone end tag 'b' at offset 3"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Doc doc;
    EXPECT_EQ(doc.SetDocumentText(CString(c.text)), c.wellFormed);
    EXPECT_EQ(doc.GetResults(), CString(c.results));
    EXPECT_EQ(doc.GetErrorText(), CString(c.errorText));
    EXPECT_TRUE(markuptest::PositionsInsideText(doc));
  }
}

TEST(MarkupParse, UnendedElementKeepsItsStartTagAndLosesItsChildren) {
  Doc doc(L"<a><b><c/></a>");
  ASSERT_TRUE(doc.FindElement(L"a"));
  ASSERT_TRUE(doc.FindChildElement(L"b"));
  const ElementPosition& b = doc.GetElementPosition(doc.GetChildIndex());
  EXPECT_EQ(b.nLength, 3);
  EXPECT_EQ(b.nEndTagLen, 0);
  EXPECT_TRUE(b.nFlags & Doc::MNF_NONENDED);
  EXPECT_EQ(doc.GetElementPosition(doc.GetMainIndex()).nLength, 14);
  // c follows b as a sibling under a.
  ASSERT_TRUE(doc.FindChildElement(L"c"));
  EXPECT_EQ(doc.GetElementPosition(doc.GetChildIndex()).iElemParent, doc.GetMainIndex());
  EXPECT_TRUE(doc.GetElementPosition(0).nFlags & Doc::MNF_ILLFORMED);
}

// The element names under parent, in sibling order; every one must name parent as its parent, and
// the first one's previous link must be the last one.
std::vector<std::string> ChildNames(const Doc& doc, int parent) {
  std::vector<std::string> names;
  const int first = doc.GetElementPosition(parent).iElemChild;
  int last = 0;
  for (int i = first; i != 0; i = doc.GetElementPosition(i).iElemNext) {
    names.push_back(doc.GetElementName(i).ToUtf8());
    EXPECT_EQ(doc.GetElementPosition(i).iElemParent, parent) << names.back();
    last = i;
  }
  if (first != 0) {
    EXPECT_EQ(doc.GetElementPosition(first).iElemPrev, last);
  }
  return names;
}

TEST(MarkupParse, RunsOfUnendedElementsFollowTheirOutermostOneInDocumentOrder) {
  // Closed by an end tag of an element further out: d, b and a in turn are found unended.
  Doc inner(L"<r><a><b><c/><d><e/></r>");
  EXPECT_EQ(inner.GetResults(), CString(L"<unended_start_tag tagname=\"d\" offset=\"13\" offset2=\"21\"/>"
                                        L"<unended_start_tag tagname=\"b\" offset=\"6\" offset2=\"21\"/>"
                                        L"<unended_start_tag tagname=\"a\" offset=\"3\" offset2=\"21\"/>"));
  const int r = inner.GetElementPosition(0).iElemChild;
  EXPECT_EQ(ChildNames(inner, r), (std::vector<std::string>{"a", "b", "c", "d", "e"}));
  EXPECT_TRUE(markuptest::PositionsInsideText(inner));
  // A fault inside an unended element marks the element the run moves under.
  Doc faulty(L"<r><a><b></x></r>");
  const int fr = faulty.GetElementPosition(0).iElemChild;
  EXPECT_TRUE(faulty.GetElementPosition(fr).nFlags & Doc::MNF_ILLDATA);
  EXPECT_EQ(ChildNames(faulty, fr), (std::vector<std::string>{"a", "b"}));
  // Closed by the end of the text: every one moves up to the document.
  std::wstring deep;
  for (int i = 0; i < 3000; ++i) deep += L"<a>";
  deep += L"<z/>";
  Doc open(CString(deep.c_str()));
  const std::vector<std::string> names = ChildNames(open, 0);
  ASSERT_EQ(names.size(), 3001u);
  EXPECT_EQ(names.back(), "z");
  EXPECT_TRUE(markuptest::PositionsInsideText(open));
}

TEST(MarkupParse, ScannerRules) {
  // An unquoted value ending in '/' does not make an empty tag; a quoted one does.
  Doc open(L"<r><a x=y/></a></r>");
  EXPECT_TRUE(open.IsWellFormed());
  Doc empty(L"<r><a x='y'/></r>");
  EXPECT_TRUE(empty.IsWellFormed());
  ASSERT_TRUE(empty.FindChildElement(L"a"));
  EXPECT_EQ(empty.GetElementPosition(empty.GetChildIndex()).nEndTagLen, 0);

  // A document type declaration with its internal subset is one node, then the root.
  Doc dtd(L"<!DOCTYPE r [<!ELEMENT r ANY>]><r/>");
  EXPECT_TRUE(dtd.IsWellFormed());
  EXPECT_EQ(dtd.FindNode(), Doc::MNT_DOCUMENT_TYPE);
  EXPECT_EQ(dtd.GetNodeLength(), 31);
  EXPECT_EQ(dtd.GetTagName(), CString(L"r"));
  EXPECT_EQ(dtd.FindNode(), Doc::MNT_ELEMENT);

  // Content holding '>' is one element whose content scans as two text nodes.
  Doc gt(L"<a>1>2</a>");
  EXPECT_TRUE(gt.IsWellFormed());
  ASSERT_TRUE(gt.FindElement());
  ASSERT_TRUE(gt.EnterElement());
  EXPECT_EQ(gt.FindNode(), Doc::MNT_TEXT);
  EXPECT_EQ(gt.GetData(), CString(L"1>"));
  EXPECT_EQ(gt.FindNode(), Doc::MNT_TEXT);
  EXPECT_EQ(gt.GetData(), CString(L"2"));
  EXPECT_EQ(gt.FindNode(), 0);
}

TEST(MarkupParse, WideQuantitiesKeepTheirPositions) {
  // An end tag longer than 1023 characters, and a start tag of more than 4,194,303.
  std::wstring longEnd = L"<r><a>x</a" + std::wstring(1100, L' ') + L"><b/></r>";
  Doc doc(CString(longEnd.c_str()));
  EXPECT_TRUE(doc.IsWellFormed());
  ASSERT_TRUE(doc.FindChildElement(L"a"));
  EXPECT_EQ(doc.GetElementPosition(doc.GetChildIndex()).nEndTagLen, 1104);
  EXPECT_FALSE(doc.GetElementPosition(doc.GetChildIndex()).nFlags & Doc::MNF_DELETED);
  EXPECT_EQ(doc.GetElementContent(doc.GetChildIndex()), CString(L"x"));
  ASSERT_TRUE(doc.FindChildElement(L"b"));
  EXPECT_TRUE(doc.RemoveChildElement());
  EXPECT_TRUE(markuptest::SameAsFreshParse(doc));

  std::wstring huge = L"<r v=\"" + std::wstring(4200000, L'x') + L"\"><c/></r>";
  Doc big(CString(huge.c_str()));
  EXPECT_TRUE(big.IsWellFormed());
  ASSERT_TRUE(big.FindChildElement(L"c"));
  EXPECT_EQ(big.GetElementPosition(big.GetMainIndex()).nStartTagLen, 4200008);
  EXPECT_EQ(big.GetElementPosition(big.GetChildIndex()).nStart, 4200008);

  // Nesting deeper than 65,535 levels.
  std::wstring deep;
  for (int i = 0; i < 70000; ++i) deep += L"<d>";
  for (int i = 0; i < 70000; ++i) deep += L"</d>";
  Doc nested(CString(deep.c_str()));
  EXPECT_TRUE(nested.IsWellFormed());
  int last = nested.GetPositionCount() - 1;
  EXPECT_EQ(nested.GetElementPosition(last).nLevel, 69999);
  EXPECT_FALSE(nested.GetElementPosition(last).nFlags & Doc::MNF_DELETED);
}

TEST(MarkupParse, DocumentsPastOneSegmentParseAndCopy) {
  std::wstring text = L"<list>";
  for (int i = 0; i < 70000; ++i) text += L"<i/>";
  text += L"<last n=\"1\"/></list>";
  Doc doc(CString(text.c_str()));
  EXPECT_TRUE(doc.IsWellFormed());
  ASSERT_TRUE(doc.FindChildElement(L"last"));
  EXPECT_EQ(doc.GetPositionCount(), 70003);
  Doc copy;
  copy = doc;
  EXPECT_EQ(markuptest::Tree(copy).size(), markuptest::Tree(doc).size());
  EXPECT_TRUE(markuptest::Tree(copy) == markuptest::Tree(doc));
  EXPECT_EQ(copy.GetElementName(copy.GetChildIndex()), CString(L"last"));
  EXPECT_EQ(copy.GetAttribute(L"n"), CString());
  copy.EnterElement();
  EXPECT_EQ(copy.GetAttribute(L"n"), CString(L"1"));
}

TEST(MarkupParse, PositionLabelFollowsTheCurrentPosition) {
  Doc doc(L"<r><a/><!--c--></r>");
  EXPECT_STREQ(doc.GetPositionLabel(), L"top of document");
  doc.FindElement();
  EXPECT_STREQ(doc.GetPositionLabel(), L"main position element");
  doc.FindChildElement();
  EXPECT_STREQ(doc.GetPositionLabel(), L"child position element");
  EXPECT_EQ(doc.GetPositionTextOffset(), 3);
  doc.EnterElement();
  EXPECT_STREQ(doc.GetPositionLabel(), L"main position element");
  EXPECT_EQ(doc.FindNode(Doc::MNT_COMMENT), Doc::MNT_COMMENT);
  EXPECT_STREQ(doc.GetPositionLabel(), L"main position node");
  EXPECT_EQ(doc.GetPositionTextOffset(), 7);
}

TEST(MarkupParse, CopiesAreRefusedInAFileMode) {
  Doc reading(L"<r/>");
  reading.SetDocFlags(Doc::MDF_READFILE);
  Doc copy(reading);
  EXPECT_EQ(copy.GetDocumentText(), CString());
  EXPECT_FALSE(copy.FindElement());
  Doc target(L"<t/>");
  target = reading;
  EXPECT_EQ(target.GetDocumentText(), CString(L"<t/>"));
}

TEST(MarkupParse, IgnoreCaseFlagMatchesEndTags) {
  Doc doc;
  doc.SetDocFlags(Doc::MDF_IGNORECASE);
  EXPECT_TRUE(doc.SetDocumentText(L"<A><b></B></a>"));
  EXPECT_TRUE(doc.FindElement(L"a"));
  Doc strict(L"<A></a>");
  EXPECT_FALSE(strict.IsWellFormed());
}

}  // namespace
