// Tests of the markup document's reading side: moves, attributes, data, paths, saved positions and
// the escaping and unescaping of text.
#include <gtest/gtest.h>

#include "reference/markup/markup.h"

namespace {

using Doc = CMarkupDocument;

TEST(MarkupNavigate, AttributesOfAStartTag) {
  Doc doc(L"<e a=\"1\" b='2' c d=x&amp;y/>");
  ASSERT_TRUE(doc.FindElement(L"e"));
  const struct {
    const wchar_t* name;
    const wchar_t* value;
  } cases[] = {{L"a", L"1"}, {L"b", L"2"}, {L"c", L"c"}, {L"d", L"x&y/"}, {L"z", L""}, {L"", L""}};
  for (const auto& c : cases) EXPECT_EQ(doc.GetAttribute(c.name), CString(c.value)) << CString(c.name);
  CString name, value;
  ASSERT_TRUE(doc.GetAttributeAt(1, &name, &value));
  EXPECT_EQ(name, CString(L"b"));
  EXPECT_EQ(value, CString(L"2"));
  EXPECT_EQ(doc.GetAttributeName(3), CString(L"d"));
  EXPECT_FALSE(doc.GetAttributeAt(4, &name, &value));
}

TEST(MarkupNavigate, MovesAmongElements) {
  Doc doc(L"<r><a/><b><x/><y/></b><a n=\"2\"/></r>");
  EXPECT_FALSE(doc.EnterElement());
  EXPECT_FALSE(doc.LeaveElement());
  ASSERT_TRUE(doc.FindElement(L"r"));
  EXPECT_FALSE(doc.FindElement(L"r"));  // no second root
  ASSERT_TRUE(doc.EnterElement());
  ASSERT_TRUE(doc.FindElement(L"a"));
  ASSERT_TRUE(doc.FindElement(L"a"));
  EXPECT_EQ(doc.GetAttribute(L"n"), CString(L"2"));
  EXPECT_FALSE(doc.FindElement(L"a"));
  EXPECT_EQ(doc.GetAttribute(L"n"), CString(L"2"));  // position unchanged
  doc.SetPosition(doc.GetParentIndex(), 0, 0);
  ASSERT_TRUE(doc.FindElement(L"b"));
  ASSERT_TRUE(doc.FindChildElement(L"y"));
  EXPECT_EQ(doc.GetElementName(doc.GetChildIndex()), CString(L"y"));
  EXPECT_FALSE(doc.FindChildElement(L"x"));  // x lies before the child position
  ASSERT_TRUE(doc.LeaveElement());
  EXPECT_EQ(doc.GetTagName(), CString(L"r"));
  EXPECT_EQ(doc.GetElementName(doc.GetChildIndex()), CString(L"b"));
  EXPECT_EQ(doc.GetParentPosition(doc.GetChildIndex()), doc.GetMainIndex());
}

TEST(MarkupNavigate, PathArguments) {
  const struct {
    const char* name;
    const wchar_t* path;
    bool finds;
  } cases[] = {
      {"relative path finds its first step", L"a/b", true},
      {"absolute path finds nothing", L"/a", false},
      {"anywhere path finds nothing", L"//a", false},
      {"number predicate is not evaluated", L"a[2]", true},
      {"attribute predicate accepted", L"a[@id='x']", true},
      {"unclosed predicate is invalid", L"a[2", false},
      {"empty step is invalid", L"a//b", false},
      {"longer name does not match", L"ab", false},
      {"other name does not match", L"b", false},
  };
  for (const auto& c : cases) {
    Doc doc(L"<a><b/></a>");
    EXPECT_EQ(doc.FindElement(c.path), c.finds) << c.name;
  }
}

TEST(MarkupNavigate, NodesAndTheirNamesAndData) {
  Doc doc(L"<?xml version=\"1.0\"?>\r\n<!--top--><r>t1<!--c-->t2<![CDATA[<x>]]><?pi a=\"1\"?></q></r>");
  struct NodeCase {
    int type;
    const wchar_t* tag;
    const wchar_t* data;
  };
  const NodeCase top[] = {{Doc::MNT_PROCESSING_INSTRUCTION, L"xml", L"xml version=\"1.0\""},
             {Doc::MNT_WHITESPACE, L"#text", L"\r\n"},
             {Doc::MNT_COMMENT, L"#comment", L"top"},
             {Doc::MNT_ELEMENT, L"r", L"t1t2<x>"}};
  for (const auto& c : top) {
    EXPECT_EQ(doc.FindNode(), c.type);
    EXPECT_EQ(doc.GetTagName(), CString(c.tag));
    EXPECT_EQ(doc.GetData(), CString(c.data));
  }
  EXPECT_EQ(doc.FindNode(), 0);
  doc.EnterElement();
  const NodeCase inner[] = {{Doc::MNT_TEXT, L"#text", L"t1"},
               {Doc::MNT_COMMENT, L"#comment", L"c"},
               {Doc::MNT_TEXT, L"#text", L"t2"},
               {Doc::MNT_CDATA_SECTION, L"#cdata-section", L"<x>"},
               {Doc::MNT_PROCESSING_INSTRUCTION, L"pi", L"pi a=\"1\""},
               {Doc::MNT_LONE_END_TAG, L"q", L"q"}};
  for (const auto& c : inner) {
    EXPECT_EQ(doc.FindNode(), c.type);
    EXPECT_EQ(doc.GetTagName(), CString(c.tag));
    EXPECT_EQ(doc.GetData(), CString(c.data));
    if (c.type == Doc::MNT_PROCESSING_INSTRUCTION) {
      EXPECT_EQ(doc.GetAttribute(L"a"), CString(L"1"));
    }
  }
  EXPECT_EQ(doc.FindNode(), 0);
  doc.LeaveElement();
  // Text and CDATA are joined as the element's data; comments and instructions are skipped.
  EXPECT_EQ(doc.GetElementData(doc.GetMainIndex()), CString(L"t1t2<x>"));
  // Only comments.
  Doc only(L"<r><a/>x<!--1--><!--2--></r>");
  only.FindElement();
  only.EnterElement();
  EXPECT_EQ(only.FindNode(Doc::MNT_COMMENT), Doc::MNT_COMMENT);
  EXPECT_EQ(only.GetData(), CString(L"1"));
  EXPECT_EQ(only.FindNode(Doc::MNT_COMMENT), Doc::MNT_COMMENT);
  EXPECT_EQ(only.GetData(), CString(L"2"));
}

TEST(MarkupNavigate, ElementDataContentMarkupAndPath) {
  Doc doc(L"<list>\r\n<item>a &lt; b</item>\r\n<item><![CDATA[x]]></item>  \r\n<e/><p><c/></p></list>");
  doc.FindElement();
  doc.FindChildElement(L"item");
  const int first = doc.GetChildIndex();
  EXPECT_EQ(doc.GetElementData(first), CString(L"a < b"));
  EXPECT_EQ(doc.GetElementContent(first), CString(L"a &lt; b"));
  EXPECT_EQ(doc.GetElementPath(first), CString(L"/list/item"));
  doc.FindChildElement(L"item");
  const int second = doc.GetChildIndex();
  EXPECT_EQ(doc.GetElementData(second), CString(L"x"));
  EXPECT_EQ(doc.GetElementPath(second), CString(L"/list/item[2]"));
  EXPECT_EQ(doc.GetElementMarkup(second), CString(L"<item><![CDATA[x]]></item>  \r\n"));
  doc.FindChildElement(L"e");
  EXPECT_EQ(doc.GetElementData(doc.GetChildIndex()), CString());
  doc.FindChildElement(L"p");
  EXPECT_EQ(doc.GetElementData(doc.GetChildIndex()), CString());  // has a child element
  EXPECT_EQ(doc.GetElementData(0), CString());
}

TEST(MarkupNavigate, SavedPositions) {
  Doc doc(L"<r><a><b/></a></r>");
  doc.FindElement();
  EXPECT_TRUE(doc.SavePosition(L"parent-level"));  // main r
  doc.FindChildElement(L"a");
  EXPECT_TRUE(doc.SavePosition(L"child"));
  doc.EnterElement();
  const int a = doc.GetMainIndex();
  doc.SetPosition(a, 0, 0);
  EXPECT_TRUE(doc.SavePosition(L"parent", 1));
  doc.SetPosition(0, 0, 0);
  ASSERT_TRUE(doc.RestorePosition(L"child"));
  EXPECT_EQ(doc.GetParentIndex(), 0);
  EXPECT_EQ(doc.GetElementName(doc.GetMainIndex()), CString(L"r"));
  EXPECT_EQ(doc.GetChildIndex(), a);
  ASSERT_TRUE(doc.RestorePosition(L"parent-level"));
  EXPECT_EQ(doc.GetElementName(doc.GetMainIndex()), CString(L"r"));
  EXPECT_EQ(doc.GetChildIndex(), 0);
  ASSERT_TRUE(doc.RestorePosition(L"parent", 1));
  EXPECT_EQ(doc.GetParentIndex(), a);
  EXPECT_EQ(doc.GetMainIndex(), 0);
  EXPECT_FALSE(doc.RestorePosition(L"parent", 0));
  EXPECT_FALSE(doc.RestorePosition(L"nothing"));
  // Map sizes: only for maps not made yet, never below one bucket or before map 0.
  EXPECT_FALSE(doc.SetMapSize(11, 0));
  EXPECT_TRUE(doc.SetMapSize(11, 3));
  EXPECT_FALSE(doc.SetMapSize(0, 4));
  EXPECT_FALSE(doc.SetMapSize(-3, 5));
  EXPECT_FALSE(doc.SetMapSize(7, -1));
  EXPECT_FALSE(doc.SavePosition(L"x", -1));
  // A parse drops every saved position.
  doc.SetDocumentText(L"<r/>");
  EXPECT_FALSE(doc.RestorePosition(L"child"));
}

// One text conversion: the text, its flags and what comes out.
struct TextCase {
  const char* name;
  const wchar_t* text;
  int flags;
  const wchar_t* expected;
};

TEST(MarkupNavigate, Unescaping) {
  const TextCase cases[] = {
      {"named", L"&lt;", 0, L"<"},
      {"decimal", L"&#60;", 0, L"<"},
      {"hexadecimal", L"&#x3C;&#X3c;", 0, L"<<"},
      {"copy sign", L"&copy;", 0, L"\u00A9"},
      {"capitalised entity", L"&Agrave;&agrave;", 0, L"\u00C0\u00E0"},
      {"apos", L"&apos;", 0, L"'"},
      {"no semicolon within nine", L"&abcdefghij;", 0, L"&abcdefghij;"},
      {"zero stays", L"&#0;", 0, L"&#0;"},
      {"beyond Unicode stays", L"&#x110000;", 0, L"&#x110000;"},
      {"huge decimal stays", L"&#99999999;", 0, L"&#99999999;"},
      {"surrogate stays", L"&#xD800;", 0, L"&#xD800;"},
      {"astral as a pair", L"&#x1F600;", 0, L"\U0001F600"},
      {"unknown name stays", L"&nope;", 0, L"&nope;"},
      {"lone ampersand", L"a & b", 0, L"a & b"},
      {"collapse", L" \ta  b\n", 0x200, L"a b"},
      {"trim only", L" \ta  b\n", 0x100, L"a  b"},
      {"reference is no whitespace", L"&#32;a ", 0x100, L" a"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(Doc::UnescapeText(CString(c.text), -1, c.flags), CString(c.expected)) << c.name;
  EXPECT_EQ(Doc::UnescapeText(L"&lt;&gt;", 4, 0), CString(L"<"));
}

TEST(MarkupNavigate, Escaping) {
  const TextCase cases[] = {
      {"text", L"a<b>&\"'", 0, L"a&lt;b&gt;&amp;\"'"},
      {"attribute", L"a<b>&\"'", 0x100, L"a&lt;b&gt;&amp;&quot;&apos;"},
      {"keep references", L"&amp; & x &#60; &bad", 8, L"&amp; &amp; x &#60; &amp;bad"},
  };
  for (const auto& c : cases) EXPECT_EQ(Doc::EscapeText(CString(c.text), c.flags), CString(c.expected)) << c.name;
}

}  // namespace
