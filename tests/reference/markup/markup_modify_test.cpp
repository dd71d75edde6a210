// Tests of the markup document's changes: the exact text each produces, refusals, and that the
// repaired positions always equal those of a fresh parse of the new text.
#include <gtest/gtest.h>

#include <functional>

#include "markup_test_support.h"
#include "reference/markup/markup.h"

namespace {

using Doc = CMarkupDocument;

TEST(MarkupModify, EachChangeWritesItsText) {
  const struct {
    const char* name;
    const wchar_t* start;
    std::function<bool(Doc&)> change;
    bool result;
    const wchar_t* text;
  } cases[] = {
      {"two top-level elements", L"", [](Doc& d) { return d.AddElement(L"b") && d.AddElement(L"c"); }, true,
       L"<b/>\r\n<c/>\r\n"},
      {"without line breaks", L"", [](Doc& d) { return d.AddElement(L"b", L"", 2) && d.AddElement(L"c", L"", 2); }, true,
       L"<b/><c/>"},
      {"child of an empty root", L"<r/>", [](Doc& d) { return d.FindElement() && d.AddElement(L"x", L"", 0x4000); }, true,
       L"<r>\r\n<x/>\r\n</r>"},
      {"child of an empty root with a blank", L"<r />",
       [](Doc& d) { return d.FindElement() && d.AddElement(L"x", L"", 0x4000 | 2); }, true, L"<r ><x/></r>"},
      {"child of an open element", L"",
       [](Doc& d) { return d.AddElement(L"o", L"", 0x10) && d.AddElement(L"x", L"", 0x4000); }, true,
       L"<o>\r\n<x/>\r\n</o>\r\n"},
      {"open element refuses a value", L"", [](Doc& d) { return d.AddElement(L"o", L"v", 0x10); }, false, L""},
      {"value escaped", L"<r></r>", [](Doc& d) { return d.FindElement() && d.AddElement(L"v", L"a<b", 0x4000); }, true,
       L"<r>\r\n<v>a&lt;b</v>\r\n</r>"},
      {"number value", L"<r>\r\n<a/>\r\n</r>", [](Doc& d) { return d.FindElement() && d.AddElement(L"n", -5, 0x4000); },
       true, L"<r>\r\n<a/>\r\n<n>-5</n>\r\n</r>"},
      {"XHTML space", L"", [](Doc& d) { return d.AddElement(L"e", L"", 4); }, true, L"<e />\r\n"},
      {"CDATA value split", L"", [](Doc& d) { return d.AddElement(L"c", L"x]]>y", 1 | 2); }, true,
       L"<c><![CDATA[x]]]]><![CDATA[>y]]></c>"},
      {"insert before the reference", L"<r>\r\n<a/>\r\n</r>",
       [](Doc& d) { return d.FindElement() && d.FindChildElement(L"a") && d.AddElement(L"z", L"", 0x4000 | 0x2000); },
       true, L"<r>\r\n<z/>\r\n<a/>\r\n</r>"},
      {"bad element name", L"", [](Doc& d) { return d.AddElement(L"a b"); }, false, L""},
      {"element name with a quote", L"", [](Doc& d) { return d.AddElement(L"a\"/><x"); }, false, L""},
      {"set existing attribute", L"<e a=\"1\"/>", [](Doc& d) { return d.FindElement() && d.SetAttribute(L"a", L"x\"y"); },
       true, L"<e a=\"x&quot;y\"/>"},
      {"set attribute in apostrophes", L"<e a='1'/>", [](Doc& d) { return d.FindElement() && d.SetAttribute(L"a", 22); },
       true, L"<e a=\"22\"/>"},
      {"set bare attribute", L"<e a/>", [](Doc& d) { return d.FindElement() && d.SetAttribute(L"a", L"v"); }, true,
       L"<e a=\"v\"/>"},
      {"new attribute after the last", L"<e a=\"1\" />",
       [](Doc& d) { return d.FindElement() && d.SetAttribute(L"b", L"2"); }, true, L"<e a=\"1\" b=\"2\" />"},
      {"bad attribute name", L"<e/>", [](Doc& d) { return d.FindElement() && d.SetAttribute(L"a=b", L"2"); }, false,
       L"<e/>"},
      {"attribute of an instruction", L"<?xml version=\"1.0\"?><r/>",
       [](Doc& d) { return d.FindNode() == 16 && d.SetAttribute(L"encoding", L"UTF-8"); }, true,
       L"<?xml version=\"1.0\" encoding=\"UTF-8\"?><r/>"},
      {"data of an element with children refused", L"<r><a/></r>",
       [](Doc& d) { return d.FindElement() && d.SetData(L"v"); }, false, L"<r><a/></r>"},
      {"data of an empty tag", L"<r><e/></r>",
       [](Doc& d) { return d.FindChildElement(L"e") && d.EnterElement() && d.SetData(L"v&"); }, true,
       L"<r><e>v&amp;</e></r>"},
      {"end tag of an empty tag whose name runs into '='", L"<y=\"1\"/>",
       [](Doc& d) { return d.FindElement() && d.SetElementContent(L"<x/>"); }, true, L"<y=\"1\"><x/></y=\"1\">"},
      {"content of an empty tag closed by two slashes", L"<r a=\"1\"//>",
       [](Doc& d) { return d.FindElement() && d.SetElementContent(L"<x/>"); }, true, L"<r a=\"1\"><x/></r>"},
      {"data of an empty tag closed by two slashes", L"<e//>", [](Doc& d) { return d.FindElement() && d.SetData(L"v"); },
       true, L"<e>v</e>"},
      {"data replaced", L"<e>old</e>", [](Doc& d) { return d.FindElement() && d.SetData(L"x]]>", 1); }, true,
       L"<e><![CDATA[x]]]]><![CDATA[>]]></e>"},
      {"data of a comment node", L"<r/><!--a-->", [](Doc& d) { return d.FindNode(32) && d.SetData(L"bb"); }, true,
       L"<r/><!--bb-->"},
      {"content replaced", L"<r><a><b/></a></r>",
       [](Doc& d) { return d.FindElement() && d.SetElementContent(L"<x/>t<y/>"); }, true, L"<r><x/>t<y/></r>"},
      {"content with an error", L"<r/>", [](Doc& d) { return d.FindElement() && d.SetElementContent(L"<x>"); }, false,
       L"<r><x></r>"},
      {"markup fragment", L"<r/>",
       [](Doc& d) { return d.FindElement() && d.AddMarkup(L" lead <a><b/></a> trail ", 0x4000); }, true,
       L"<r>\r\n<a><b/></a>\r\n</r>"},
      {"markup of two elements", L"<r/>", [](Doc& d) { return d.FindElement() && d.AddMarkup(L"<a/><b/>", 0x4000); },
       false, L"<r>\r\n<a/><b/>\r\n</r>"},
      {"comment node", L"<r/>", [](Doc& d) { return d.FindElement() && d.AddNode(32, L"note"); }, true,
       L"<r/><!--note-->\r\n"},
      {"text node", L"<r><a/></r>", [](Doc& d) { return d.FindChildElement(L"a") && d.EnterElement() && d.AddNode(2, L"1<2"); },
       true, L"<r><a/>1&lt;2</r>"},
      {"element node", L"<r><a/></r>", [](Doc& d) { return d.FindChildElement(L"a") && d.EnterElement() && d.AddNode(1, L"n k='v'"); },
       true, L"<r><a/><n k='v'/></r>"},
      {"CDATA node", L"<r/>", [](Doc& d) { return d.AddNode(8, L"x"); }, true, L"<r/><![CDATA[x]]>"},
      {"CDATA node ending early refused", L"<r/>", [](Doc& d) { return d.AddNode(8, L"x]]>y"); }, false, L"<r/>"},
      {"comment ending early refused", L"<r/>", [](Doc& d) { return d.AddNode(32, L"a-->b"); }, false, L"<r/>"},
      {"instruction ending early refused", L"<r/>", [](Doc& d) { return d.AddNode(16, L"p ?>x"); }, false, L"<r/>"},
      {"instruction without a target refused", L"<r/>", [](Doc& d) { return d.AddNode(16, L" x"); }, false, L"<r/>"},
      {"attribute never lands after an instruction's '?'", L"<?x?><r/>",
       [](Doc& d) { return d.FindNode() == 16 && d.SetAttribute(L"a", L"1"); }, true, L"<?x a=\"1\"?><r/>"},
      {"element node with '>' refused", L"<r/>", [](Doc& d) { return d.AddNode(1, L"a><b"); }, false, L"<r/>"},
      {"end tag node with '<' refused", L"<r/>", [](Doc& d) { return d.AddNode(128, L"a<"); }, false, L"<r/>"},
      {"remove the only child", L"<r>\r\n<x/>\r\n</r>",
       [](Doc& d) { return d.FindElement() && d.FindChildElement() && d.RemoveChildElement() && d.GetChildIndex() == 0; },
       true, L"<r>\r\n</r>"},
      {"remove the second element", L"<r>\r\n<a/>\r\n<b>t</b>  \r\n</r>",
       [](Doc& d) { return d.FindChildElement(L"b") && d.EnterElement() && d.RemoveElement() && d.GetTagName() == L"a"; },
       true, L"<r>\r\n<a/>\r\n</r>"},
      {"remove a comment node", L"<r><a/> <!--c--></r>",
       [](Doc& d) {
         return d.FindElement() && d.EnterElement() && d.FindNode(32) == 32 && d.RemoveNode() && d.GetNodeType() == 4;
       },
       true, L"<r><a/> </r>"},
      {"remove an element node keeps its whitespace", L"<r><a/>\r\n</r>",
       [](Doc& d) { return d.FindChildElement(L"a") && d.EnterElement() && d.RemoveNode(); }, true, L"<r>\r\n</r>"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Doc doc(c.start);
    EXPECT_EQ(c.change(doc), c.result);
    EXPECT_EQ(doc.GetDocumentText(), CString(c.text));
    EXPECT_TRUE(markuptest::PositionsInsideText(doc));
    EXPECT_TRUE(markuptest::SameAsFreshParse(doc));
  }
}

TEST(MarkupModify, NewElementsBecomeThePosition) {
  Doc doc;
  ASSERT_TRUE(doc.AddElement(L"b"));
  ASSERT_TRUE(doc.AddElement(L"c"));
  EXPECT_EQ(doc.GetTagName(), CString(L"c"));
  EXPECT_FALSE(doc.IsWellFormed());
  Doc root(L"<r/>");
  root.FindElement();
  ASSERT_TRUE(root.AddElement(L"x", L"", 0x4000));
  EXPECT_EQ(root.GetTagName(), CString(L"r"));
  EXPECT_EQ(root.GetElementName(root.GetChildIndex()), CString(L"x"));
  // An open element's flag goes once it gets its end tag.
  Doc open;
  open.AddElement(L"o", L"", 0x10);
  const int o = open.GetMainIndex();
  EXPECT_TRUE(open.GetElementPosition(o).nFlags & Doc::MNF_NONENDED);
  open.AddElement(L"x", L"", 0x4000);
  EXPECT_FALSE(open.GetElementPosition(o).nFlags & Doc::MNF_NONENDED);
  EXPECT_TRUE(open.IsWellFormed());
}

TEST(MarkupModify, RemovingDropsSavedPositionsIntoIt) {
  Doc doc(L"<r><a><b/></a><c/></r>");
  doc.FindElement();
  doc.FindChildElement(L"a");
  doc.SavePosition(L"a");
  doc.FindChildElement(L"c");
  doc.SavePosition(L"c");
  doc.SetPosition(doc.GetParentIndex(), doc.GetMainIndex(), 0);
  doc.FindChildElement(L"a");
  ASSERT_TRUE(doc.RemoveChildElement());
  EXPECT_FALSE(doc.RestorePosition(L"a"));
  ASSERT_TRUE(doc.RestorePosition(L"c"));
  EXPECT_EQ(doc.GetElementName(doc.GetChildIndex()), CString(L"c"));
  EXPECT_EQ(doc.GetDocumentText(), CString(L"<r><c/></r>"));
}

TEST(MarkupModify, RemovingALoneEndTagCleansItsParent) {
  Doc doc(L"<r><a/></q></r>");
  doc.FindElement();
  EXPECT_TRUE(doc.GetElementPosition(doc.GetMainIndex()).nFlags & Doc::MNF_ILLDATA);
  doc.EnterElement();
  ASSERT_EQ(doc.FindNode(Doc::MNT_LONE_END_TAG), Doc::MNT_LONE_END_TAG);
  ASSERT_TRUE(doc.RemoveNode());
  EXPECT_EQ(doc.GetDocumentText(), CString(L"<r><a/></r>"));
  EXPECT_FALSE(doc.GetElementPosition(doc.GetParentIndex()).nFlags & Doc::MNF_ILLDATA);
}

// An unterminated end tag at the end, then an element added after it: the end tag's text now
// scans on to the new element's '>'. As a node it ends where the element starts, so neither
// writing the node nor removing it reaches into the element.
TEST(MarkupModify, ANodeBeforeAnElementEndsWhereTheElementStarts) {
  const std::function<bool(Doc&)> changes[] = {
      [](Doc& doc) { return doc.SetData(L"x"); },
      [](Doc& doc) { return doc.RemoveNode(); },
  };
  for (const auto& change : changes) {
    Doc doc(L"<r/></q");
    ASSERT_TRUE(doc.FindElement());
    const int root = doc.GetMainIndex();
    ASSERT_EQ(doc.FindNode(), Doc::MNT_NODE_ERROR);
    ASSERT_TRUE(doc.AddElement(L"a", L"t"));
    const int added = doc.GetMainIndex();
    doc.SetPosition(0, root, 0);
    ASSERT_EQ(doc.FindNode(), Doc::MNT_NODE_ERROR);
    EXPECT_EQ(doc.GetNodeLength(), 3);
    change(doc);
    EXPECT_TRUE(markuptest::PositionsInsideText(doc));
    EXPECT_EQ(doc.GetElementName(added), CString(L"a"));
    EXPECT_EQ(doc.GetElementData(added), CString(L"t"));
  }
}

// The parser reads a tag name to white space, '/' or '>', which may take in more than one name
// token ("a?b"): an attribute never goes inside such a name, where it would part the start tag
// from its end tag.
TEST(MarkupModify, AttributesStayOutOfATagNameOfSeveralTokens) {
  const struct {
    const wchar_t* text;
    const wchar_t* after;  // null: refused (the new attribute would go after the first token)
  } cases[] = {
      {L"<a?b></a?b>", nullptr},
      {L"<a\\b/>", L"<a\\b k=\"2\"/>"},
      {L"<a;b k=\"1\"></a;b>", L"<a;b k=\"2\"></a;b>"},
      {L"<ab k=\"1\"></ab>", L"<ab k=\"2\"></ab>"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(CString(c.text).ToUtf8());
    Doc doc(c.text);
    ASSERT_TRUE(doc.FindElement());
    EXPECT_EQ(doc.SetAttribute(L"k", L"2"), c.after != nullptr);
    EXPECT_EQ(doc.GetDocumentText(), CString(c.after != nullptr ? c.after : c.text));
    EXPECT_TRUE(markuptest::SameAsFreshParse(doc));
  }
}

TEST(MarkupModify, ReadModeRefusesChanges) {
  Doc doc(L"<r/>");
  doc.SetDocFlags(Doc::MDF_READFILE);
  doc.FindElement();
  EXPECT_FALSE(doc.AddElement(L"x"));
  EXPECT_FALSE(doc.SetAttribute(L"a", L"1"));
  EXPECT_FALSE(doc.SetData(L"v"));
  EXPECT_FALSE(doc.SetDocumentText(L"<x/>"));
  EXPECT_EQ(doc.GetDocumentText(), CString(L"<r/>"));
}

}  // namespace
