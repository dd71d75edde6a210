// Tests of CXmlTree: decoding of the three encodings, the element and attribute rules, malformed
// and truncated input, and the tree operations.
#include "gui/dlg/xmltree.h"

#include <gtest/gtest.h>

#include <clocale>
#include <memory>
#include <string>

#include "platform/codepage.h"
#include "platform/files.h"
#include "temp_folder.h"

namespace {

// The tree as text: name, then the children in parentheses, siblings separated by commas.
std::string Describe(XmlIterator it) {
  std::string out;
  for (bool first = true; it != nullptr; ++it, first = false) {
    if (!first) out += ",";
    out += it.GetName().ToUtf8();
    if (it.HasChildren()) out += "(" + Describe(it.ChildBegin()) + ")";
  }
  return out;
}

std::string Describe(CXmlTree& tree) { return Describe(tree.begin()); }

std::string Utf16WithMark(const CString& text) { return "\xFF\xFE" + platform::TextToBytes(CP_UTF16LE, text); }

TEST(XmlTreeTest, DecodesEveryEncodingTheSame) {
  const CString doc = CString::FromUtf8("<brelvano t=\"한글 가\"><grp title=\"속도\">x 한</grp></brelvano>");
  const struct {
    const char* what;
    std::string bytes;
    BOOL bUtf8;
  } kCases[] = {
      {"UTF-16LE with mark", Utf16WithMark(doc), TRUE},
      {"UTF-16LE with mark, ANSI asked", Utf16WithMark(doc), FALSE},
      {"UTF-8 with mark", "\xEF\xBB\xBF" + doc.ToUtf8(), TRUE},
      {"UTF-8 with mark, ANSI asked", "\xEF\xBB\xBF" + doc.ToUtf8(), FALSE},
      {"UTF-8 without mark", doc.ToUtf8(), TRUE},
      {"code page 949", platform::TextToBytes(CP_KOREAN, doc), FALSE},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    CXmlTree tree;
    tree.LoadBytes(c.bytes, c.bUtf8);
    EXPECT_EQ(tree.GetError(), nullptr);
    ASSERT_EQ(Describe(tree), "brelvano(grp)");
    XmlIterator root = tree.begin();
    ASSERT_NE(root.GetAttribute(L"t"), nullptr);
    EXPECT_EQ(*root.GetAttribute(L"t"), CString::FromUtf8("한글 가"));
    XmlIterator grp = root.ChildBegin();
    EXPECT_EQ(*grp.GetAttribute(L"title"), CString::FromUtf8("속도"));
    EXPECT_EQ(grp.GetText(), CString::FromUtf8("x 한"));
  }
}

TEST(XmlTreeTest, Utf8EdgeSequences) {
  const struct {
    const char* what;
    std::string bytes;
    std::u16string text;
  } kCases[] = {
      {"four-byte sequence becomes a surrogate pair", "\xF0\x9F\x98\x80", u"\U0001F600"},
      {"two-byte sequence", "\xC3\xA9", u"\u00E9"},
      {"stray continuation byte", "a\x80" "b", u"a\uFFFD" "b"},
      {"broken sequence resynchronises", "\xE2\x82" "A", u"\uFFFD" "A"},
      {"sequence cut off by the end", "ab\xE2\x82", u"ab"},
      {"UTF-16 odd last byte dropped", std::string("\xFF\xFE" "a\0b", 5), u"a"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    const BOOL bUtf8 = TRUE;
    EXPECT_EQ(CXmlTree::DecodeText(c.bytes, bUtf8), c.text);
  }
}

TEST(XmlTreeTest, ElementAndAttributeRules) {
  CXmlTree tree;
  tree.LoadBytes(
      "<?xml version=\"1.0\"?>\n<!-- a comment -->\n"
      "<a x=\"1\" y=2 x=\"2\"> word <b z=1/><c k=\"v>w\"/></a>\n"
      "<d>   <e/></d>",
      TRUE);
  // A quoted value cannot hold '>': the tag of c ends there with its quote open, which stops the
  // parse.
  EXPECT_NE(tree.GetError(), nullptr);
  EXPECT_EQ(Describe(tree), "a(b)");

  CXmlTree good;
  good.LoadBytes("<?xml version=\"1.0\"?><!-- c --><a x=\"1\" y=2 x=\"2\"> word <b z=1/></a><d>   <e/></d>", TRUE);
  EXPECT_EQ(good.GetError(), nullptr);
  EXPECT_EQ(Describe(good), "a(b),d(e)");
  XmlIterator a = good.begin();
  EXPECT_EQ(*a.GetAttribute(L"x"), L"2");  // the last occurrence wins
  EXPECT_EQ(*a.GetAttribute(L"y"), L"2");
  EXPECT_EQ(a.GetAttribute(L"X"), nullptr);  // names are case-sensitive
  EXPECT_EQ(a.GetText(), L" word ");
  EXPECT_EQ(*a.ChildBegin().GetAttribute(L"z"), L"1");  // an unquoted value ends at the slash
  XmlIterator d = a;
  ++d;
  EXPECT_EQ(d.GetText(), L"");  // only white space before the first child
  ++d;
  EXPECT_TRUE(d == nullptr);
}

// A tree without an error is the document read whole.
TEST(XmlTreeTest, MalformedInputStopsWhereTheFaultIs) {
  const struct {
    const char* what;
    std::string bytes;
    std::string tree;
    bool error;
  } kCases[] = {
      {"empty file", "", "", false},
      {"white space only", " \r\n\t", "", false},
      {"one byte", "<", "", true},
      {"two bytes of a mark", "\xEF\xBB", "", false},
      {"UTF-16 mark only", "\xFF\xFE", "", false},
      {"text only", "hello", "", true},
      {"truncated start tag", "<brelvano S=\"x", "", true},
      {"truncated element", "<a><b>", "a(b)", true},
      {"truncated after child", "<a><b/>", "a(b)", true},
      {"truncated inside the text", "<a><b>wor", "a(b)", true},
      {"truncated end tag", "<a><b/></a", "a(b)", true},
      {"truncated comment", "<a/><!-- c", "a", true},
      {"text after the root", "<a/>hello", "a", true},
      {"white space after the root", "<a/>\r\n", "a", false},
      {"UTF-16 without its mark", std::string("<\0a\0/\0>\0", 8), "", true},
      {"mismatched end tag", "<a><b></c></a>", "a(b)", true},
      {"text between children", "<a><b/>text<c/></a>", "a(b)", true},
      {"unterminated quote", "<a x=\"1></a>", "", true},
      {"attribute without =", "<a x></a>", "", true},
      {"attribute without value", "<a x=></a>", "", true},
      {"tag without name", "<><a/>", "", true},
      {"stray end tag at the top", "</a>", "", true},
      {"text before the root", "x<a/>", "", true},
      {"zero character ends the text", std::string("<a/>\0<b/>", 9), "a", true},
      {"zero characters after the document", std::string("<a/>\0\0\0", 7), "a", false},
      {"second root after a fault is not read", "<a></b><c/>", "a", true},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    CXmlTree tree;
    tree.LoadBytes(c.bytes, TRUE);
    EXPECT_EQ(Describe(tree), c.tree);
    EXPECT_EQ(tree.GetError() != nullptr, c.error);
  }
}

TEST(XmlTreeTest, DeepNestingIsRefusedWithoutExhaustingTheStack) {
  std::string deep;
  for (int i = 0; i < 100000; ++i) deep += "<a>";
  CXmlTree tree;
  tree.LoadBytes(deep, TRUE);
  EXPECT_NE(tree.GetError(), nullptr);
  int depth = 0;
  for (XmlIterator it = tree.begin(); it != nullptr; it = it.ChildBegin()) ++depth;
  EXPECT_EQ(depth, CXmlTree::kMaxDepth);
}

TEST(XmlTreeTest, LoadReadsFilesAndReportsUnreadableOnes) {
  testsupport::TempFolder folder;
  ASSERT_TRUE(folder.Ok());
  folder.Write("d.xml", "\xEF\xBB\xBF<brelvano S=\"VR1\"/>");
  CXmlTree tree;
  EXPECT_TRUE(tree.Load(folder.CPath("d.xml"), TRUE));
  EXPECT_EQ(Describe(tree), "brelvano");
  // A second load replaces the first content; a missing file leaves the tree empty.
  EXPECT_FALSE(tree.Load(folder.CPath("missing.xml"), TRUE));
  EXPECT_EQ(Describe(tree), "");
}

TEST(XmlTreeTest, ReadFileGivesTheBytesAndLeavesTheLocale) {
  testsupport::TempFolder folder;
  ASSERT_TRUE(folder.Ok());
  const std::string content("\xFF\xFE<\0a\0/\0>\0\0", 11);
  folder.Write("u.xml", content);
  const std::string localeBefore = std::setlocale(LC_CTYPE, nullptr);
  std::string bytes = "left over";
  EXPECT_TRUE(CXmlTree::ReadFile(folder.CPath("u.xml"), bytes));
  EXPECT_EQ(bytes, content);
  EXPECT_EQ(std::string(std::setlocale(LC_CTYPE, nullptr)), localeBefore);
  EXPECT_FALSE(CXmlTree::ReadFile(folder.CPath("missing.xml"), bytes));
  EXPECT_TRUE(bytes.empty());
}

TEST(XmlTreeTest, NewElementIsNamedAndUnlinked) {
  std::unique_ptr<XmlElement> element(CXmlTree::NewElement(L"tab"));
  EXPECT_EQ(element->name, CString(L"tab"));
  EXPECT_TRUE(element->text.IsEmpty());
  EXPECT_EQ(element->next, nullptr);
  EXPECT_EQ(element->prev, nullptr);
  EXPECT_EQ(element->child, nullptr);
  EXPECT_EQ(element->attr, nullptr);
}

TEST(XmlTreeTest, RingOperations) {
  CXmlTree tree;
  tree.LoadBytes("<r><a/><b><x/></b><c/></r>", TRUE);
  XmlIterator r = tree.begin();
  XmlIterator first = r.ChildBegin();
  // Erasing the middle element gives its follower; erasing the last gives the end.
  XmlIterator b = first;
  ++b;
  XmlIterator after = tree.Erase(b);
  EXPECT_EQ(after.GetName(), L"c");
  EXPECT_TRUE(tree.Erase(after) == nullptr);
  EXPECT_EQ(Describe(tree), "r(a)");
  // Insert after a node, append a child, and insert into an empty level.
  tree.Insert(r.ChildBegin(), L"n");
  tree.AppendChild(r.ChildBegin(), L"k");
  EXPECT_EQ(Describe(tree), "r(a(k),n)");
  XmlIterator only = tree.Erase(r.ChildBegin());
  EXPECT_EQ(only.GetName(), L"n");
  EXPECT_TRUE(tree.Erase(only) == nullptr);
  EXPECT_EQ(Describe(tree), "r");
  tree.Insert(r.ChildBegin(), L"z");
  EXPECT_EQ(Describe(tree), "r(z)");
  tree.Clear();
  EXPECT_EQ(Describe(tree), "");
}

TEST(XmlTreeTest, SaveWritesTabIndentedUtf16WithItsMarkAndLoadsBack) {
  CXmlTree tree;
  tree.LoadBytes("<?xml version=\"1.0\"?><r a=\"1\" b=\"x y\"><g t=\"\xEC\x86\x8D\"><i>v</i><e/></g><m>text<c/></m></r>", TRUE);
  // Attributes in list order (the reverse of the document's), text right after the start tag.
  const CString expected = CString::FromUtf8(
      "<r b=\"x y\" a=\"1\">\r\n"
      "\t<g t=\"\xEC\x86\x8D\">\r\n"
      "\t\t<i>v</i>\r\n"
      "\t\t<e></e>\r\n"
      "\t</g>\r\n"
      "\t<m>text\t\t<c></c>\r\n"
      "\t</m>\r\n"
      "</r>\r\n");
  EXPECT_EQ(tree.SaveText().ToUtf8(), expected.ToUtf8());
  testsupport::TempFolder folder;
  ASSERT_TRUE(folder.Ok());
  ASSERT_TRUE(tree.Save(folder.CPath("saved.xml")));
  std::string bytes;
  ASSERT_TRUE(platform::ReadWholeFile(folder.CPath("saved.xml"), bytes));
  EXPECT_EQ(bytes, Utf16WithMark(expected));
  CXmlTree again;
  ASSERT_TRUE(again.Load(folder.CPath("saved.xml"), TRUE));
  EXPECT_EQ(Describe(again), "r(g(i,e),m(c))");
  EXPECT_EQ(*again.begin().ChildBegin().GetAttribute(L"t"), CString::FromUtf8("\xEC\x86\x8D"));
  // A file that cannot be written: FALSE.
  EXPECT_FALSE(tree.Save(folder.CPath("no/such/folder/x.xml")));
}

TEST(XmlTreeTest, CopiesAreDeepAndInsertedOrAppendedWhole) {
  CXmlTree source;
  source.LoadBytes("<a k=\"1\" j=\"2\"><b><c/></b></a><d/>", TRUE);
  CXmlTree copy(source);
  EXPECT_EQ(Describe(copy), "a(b(c)),d");
  // The copy is its own: changing it leaves the source as it was.
  copy.Erase(copy.begin().ChildBegin());
  copy.begin().Node()->attr->value = L"changed";
  EXPECT_EQ(Describe(source), "a(b(c)),d");
  EXPECT_EQ(*source.begin().GetAttribute(L"j"), CString(L"2"));
  EXPECT_EQ(*copy.begin().GetAttribute(L"k"), CString(L"1")) << "attributes keep their list order";

  CXmlTree target;
  target.LoadBytes("<r><x/></r>", TRUE);
  XmlElement* a = source.begin().Node();
  // One subtree, or the whole ring from an element on.
  CXmlTree::CopyElements(target.begin().Node(), a, FALSE);
  EXPECT_EQ(Describe(target), "r(x,a(b(c)))");
  CXmlTree::CopyElements(target.begin().Node(), a->next, TRUE);
  EXPECT_EQ(Describe(target), "r(x,a(b(c)),d,a(b(c)))");
  // Insert a copy after a node, at the end of an empty level, and append one as a child.
  CXmlTree other;
  other.LoadBytes("<r><x/></r>", TRUE);
  other.InsertCopy(other.begin().ChildBegin(), a->child);
  EXPECT_EQ(Describe(other), "r(x,b(c))");
  other.AppendChildCopy(other.begin().ChildBegin(), a);
  EXPECT_EQ(Describe(other), "r(x(a(b(c))),b(c))");
  XmlIterator x = other.begin().ChildBegin();
  XmlIterator emptyLevel = other.AppendChild(x, L"y").ChildBegin();
  EXPECT_EQ(other.InsertCopy(emptyLevel, a->next).GetName(), L"d");
  EXPECT_EQ(Describe(other), "r(x(a(b(c)),y(d)),b(c))");
  EXPECT_TRUE(other.InsertCopy(XmlIterator(), a) == nullptr);
  EXPECT_TRUE(other.AppendChildCopy(x, nullptr) == nullptr);
}

}  // namespace
