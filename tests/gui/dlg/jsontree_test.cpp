// The JSON tree: the shape built from JSON documents (elements for arrays, attributes for scalar
// members, member order, entry order), member keys, number texts, the iterator, and refused or
// oversized input.
#include "gui/dlg/jsontree.h"

#include <gtest/gtest.h>

#include <json/value.h>

#include <filesystem>
#include <memory>
#include <string>

#include "temp_folder.h"

namespace {

std::string U(const CString& s) { return s.ToUtf8(); }

// One element as name(attr=value;...){children}; the root as @(attributes){top-level elements}.
std::string Dump(JsonIterator it) {
  std::string out;
  for (; it != nullptr; ++it) {
    out += U(it.GetName()) + "(";
    std::unique_ptr<CList<CString>> names(it.MakeAttributeList());
    for (POSITION pos = names->GetHeadPosition(); pos != nullptr;) {
      CString name = names->GetNext(pos);
      out += U(name) + "=" + U(it.GetAttribute(name)) + ";";
    }
    out += ")";
    if (it.HasChildren()) out += "{" + Dump(it.ChildBegin()) + "}";
  }
  return out;
}

std::string DumpTree(CJsonTree& tree) {
  std::string out = "@(";
  for (const XmlAttribute* a = tree.Root().attr; a != nullptr; a = a->next) out += U(a->name) + "=" + U(a->value) + ";";
  return out + ")" + Dump(tree.begin());
}

TEST(JsonTreeTest, ShapesOfDocuments) {
  struct Case {
    const char* name;
    const char* json;
    const char* shape;
  } cases[] = {
      {"null", "null", "@()"},
      {"empty object", "{}", "@()"},
      {"scalar top level", "\"text\"", "@()"},
      {"string, boolean and null members in order", R"({"a":[{"x":"1","y":true,"z":null}]})",
       "@()a(x=1;y=true;z=;)"},
      {"members by name", R"({"b":[],"a":[]})", "@()a()b()"},
      {"children in entry order", R"({"a":[{"n":[]},{"m":[]}]})", "@()a(){n()m()}"},
      {"array in an array", R"({"a":[[]]})", "@()a(){0()}"},
      {"arrays in an array by index", R"({"a":[[],"s",[{"k":"v"}]]})", "@()a(){0()2(k=v;)}"},
      {"scalar entries are ignored", R"({"a":["s",5,true],"b":[]})", "@()a()b()"},
      // A number is an attribute with its text and never ends the build.
      {"number members", R"({"a":[{"k":5,"l":"x","m":-1.50,"n":1e3}],"b":[]})",
       "@()a(k=5;l=x;m=-1.50;n=1e3;)b()"},
      {"top-level scalar members", R"({"s":"v","n":7,"t":false})", "@(n=7;s=v;t=false;)"},
      {"object in an object", R"({"a":[{"o":{"s":"v"},"p":[]}]})", "@()a(s=v;){p()}"},
      {"members of two entries", R"({"a":[{"x":"1"},{"y":"2"}]})", "@()a(x=1;y=2;)"},
      {"members after a nested object", R"({"a":[{"b":{"c":"1"},"d":"2"}]})", "@()a(c=1;d=2;)"},
      {"top-level array", R"([{"k":"v"}])", "@()(k=v;)"},
      {"non-ASCII text and names", "{\"\xC3\xA9t\xC3\xA9\":[{\"nom\":\"\xED\x95\x9C\"}]}",
       "@()\xC3\xA9t\xC3\xA9(nom=\xED\x95\x9C;)"},
      {"keys keep their escapes", R"({"a":[{"q\"x":"1","b\\s":"2","t\tx":"3"}]})",
       "@()a(b\\\\s=2;q\\x=1;t\\tx=3;)"},
  };
  for (const Case& c : cases) {
    CJsonTree tree;
    CString error;
    ASSERT_TRUE(tree.Parse(c.json, &error)) << c.name << ": " << U(error);
    EXPECT_EQ(DumpTree(tree), c.shape) << c.name;
  }
}

TEST(JsonTreeTest, BuildFromAValue) {
  Json::Value root(Json::objectValue);
  Json::Value entry(Json::objectValue);
  entry["i"] = 7;
  entry["u"] = Json::Value(static_cast<Json::UInt64>(18446744073709551615ULL));
  entry["r"] = 0.1;
  entry["s"] = "x";
  root["a"].append(entry);
  CJsonTree tree;
  tree.Build(root);
  EXPECT_EQ(DumpTree(tree), "@()a(i=7;r=0.1;s=x;u=18446744073709551615;)");
  tree.Build(Json::Value());
  EXPECT_TRUE(tree.begin() == nullptr);
  EXPECT_EQ(DumpTree(tree), "@()");
}

TEST(JsonTreeTest, Iterator) {
  CJsonTree tree;
  ASSERT_TRUE(tree.Parse(R"({"tab":[{"info":[{"Name":"x"}],"item":[]}],"z":[]})"));
  JsonIterator it = tree.begin();
  ASSERT_TRUE(it != nullptr);
  EXPECT_EQ(U(it.GetName()), "tab");
  EXPECT_EQ(U(it.GetParentName()), "");
  EXPECT_EQ(U(it.GetText()), "");
  JsonIterator child = it.ChildBegin();
  EXPECT_EQ(U(child.GetName()), "info");
  EXPECT_EQ(U(child.GetParentName()), "tab");
  EXPECT_EQ(U(child.GetAttribute(L"Name")), "x");
  EXPECT_EQ(U(child.GetAttribute(L"name")), "") << "names are case-sensitive";
  EXPECT_EQ(U(child.GetAttribute(L"missing")), "");
  ++child;
  EXPECT_EQ(U(child.GetName()), "item");
  EXPECT_FALSE(child.HasChildren());
  EXPECT_TRUE(child.ChildBegin() == nullptr);
  ++child;
  EXPECT_TRUE(child == nullptr) << "the end after the last child, although the ring is circular";
  ++child;
  EXPECT_TRUE(child == nullptr);
  ++it;
  EXPECT_EQ(U(it.GetName()), "z");
  ++it;
  EXPECT_TRUE(it == nullptr);
  // Reads at the end are empty, never a fault.
  EXPECT_EQ(U(it.GetName()), "");
  EXPECT_EQ(U(it.GetAttribute(L"x")), "");
  EXPECT_FALSE(it.HasChildren());
  std::unique_ptr<CList<CString>> none(it.MakeAttributeList());
  EXPECT_EQ(none->GetCount(), 0);
}

TEST(JsonTreeTest, RefusedText) {
  struct Case {
    const char* name;
    std::string text;
  } cases[] = {
      {"empty", ""},
      {"truncated", R"({"a":[{"x":"1"})"},
      {"bare word", "definition"},
      {"deep nesting", std::string(100000, '[')},
      {"deep closed nesting", std::string(5000, '[') + std::string(5000, ']')},
  };
  for (const Case& c : cases) {
    CJsonTree tree;
    ASSERT_TRUE(tree.Parse(R"({"old":[]})"));
    CString error;
    EXPECT_FALSE(tree.Parse(c.text, &error)) << c.name;
    EXPECT_FALSE(error.IsEmpty()) << c.name;
    EXPECT_TRUE(tree.begin() == nullptr) << c.name << ": the old content is gone";
  }
}

TEST(JsonTreeTest, AcceptedWrappings) {
  struct Case {
    const char* name;
    std::string text;
  } cases[] = {
      {"byte-order mark", std::string("\xEF\xBB\xBF") + R"({"a":[]})"},
      {"trailing zeros and line breaks", std::string(R"({"a":[]})") + "\r\n" + std::string(3, '\0')},
      {"comments", "// a definition\n{\"a\":[] /* none */}"},
      {"text after the document is not read", R"({"a":[]} {"b":[]})"},
      {"a word after the document", R"({"a":[]} x)"},
  };
  for (const Case& c : cases) {
    CJsonTree tree;
    CString error;
    EXPECT_TRUE(tree.Parse(c.text, &error)) << c.name << ": " << U(error);
    EXPECT_EQ(DumpTree(tree), "@()a()") << c.name;
  }
}

TEST(JsonTreeTest, ReplaceAllScansOnAfterEachReplacement) {
  struct Case {
    const char* name;
    std::string text, from, to, result;
  } const cases[] = {
      {"every occurrence", "a\"b\"c", "\"", "", "abc"},
      {"replacement holds the text", "xx", "x", "xx", "xxxx"},
      {"longer text", "key\n", "\n", "", "key"},
      {"none found", "abc", "z", "y", "abc"},
      {"empty text to find", "abc", "", "y", "abc"},
      {"adjacent", "aaaa", "aa", "b", "bb"},
  };
  for (const Case& c : cases) {
    std::string text = c.text;
    const std::string copy = CJsonTree::ReplaceAll(text, c.from, c.to);
    EXPECT_EQ(copy, c.result) << c.name;
    EXPECT_EQ(text, c.result) << c.name << ": in place";
  }
}

TEST(JsonTreeTest, NewNodesStartEmpty) {
  std::unique_ptr<XmlAttribute> attribute(CJsonTree::NewAttribute());
  EXPECT_TRUE(attribute->name.IsEmpty());
  EXPECT_TRUE(attribute->value.IsEmpty());
  EXPECT_EQ(attribute->next, nullptr);
  std::unique_ptr<XmlElement> element(CJsonTree::NewElement("\"tabs\"\n"));
  EXPECT_EQ(U(element->name), "tabs");
  EXPECT_TRUE(element->text.IsEmpty());
  EXPECT_EQ(element->next, nullptr);
  EXPECT_EQ(element->prev, nullptr);
  EXPECT_EQ(element->child, nullptr);
  EXPECT_EQ(element->attr, nullptr);
}

TEST(JsonTreeTest, DeepValueStopsTheBuild) {
  // A value made in memory, deeper than any parse allows.
  Json::Value root(Json::arrayValue);
  Json::Value* cursor = &root;
  for (int i = 0; i < CJsonTree::kMaxDepth + 50; ++i) cursor = &cursor->append(Json::Value(Json::arrayValue));
  CJsonTree tree;
  tree.Build(root);
  int depth = 0;
  for (JsonIterator it = tree.begin(); it != nullptr; it = it.ChildBegin()) ++depth;
  EXPECT_GT(depth, 100);
  EXPECT_LE(depth, CJsonTree::kMaxDepth + 1);
}

TEST(JsonTreeTest, Files) {
  testsupport::TempFolder folder;
  ASSERT_TRUE(folder.Ok());
  CJsonTree tree;
  CString error;
  EXPECT_FALSE(tree.LoadFile(folder.CPath("missing.json"), &error));
  EXPECT_FALSE(error.IsEmpty());

  // About 10 MB of tabs and items loads whole.
  const int kTabs = 40;
  const int kItems = 2600;
  std::string json = "{\"tabs\":[";
  for (int t = 0; t < kTabs; ++t) {
    json += (t ? ",{" : "{");
    json += "\"Tab" + std::to_string(t) + "\":[{\"info\":[{\"type\":\"1\",\"index\":" + std::to_string(t) + "}],\"item\":[";
    for (int i = 0; i < kItems; ++i) {
      json += (i ? ",{" : "{");
      json += "\"name\":\"Parameter " + std::to_string(i) + " with a long enough description\",\"type\":\"3\",\"max\":" +
              std::to_string(i) + ",\"value\":\"" + std::string(20, 'v') + "\"}";
    }
    json += "]}]}";
  }
  json += "]}";
  ASSERT_GT(json.size(), 10u * 1000 * 1000);
  folder.Write("big.json", json);
  ASSERT_TRUE(tree.LoadFile(folder.CPath("big.json"), &error)) << U(error);
  JsonIterator tabs = tree.begin();
  ASSERT_EQ(U(tabs.GetName()), "tabs");
  int tabCount = 0;
  for (JsonIterator t = tabs.ChildBegin(); t != nullptr; ++t) ++tabCount;
  EXPECT_EQ(tabCount, kTabs);
  JsonIterator lastTab = tabs.ChildBegin().Node()->prev ? JsonIterator(tabs.ChildBegin().Node()->prev, tabs.Node())
                                                        : JsonIterator();
  EXPECT_EQ(U(lastTab.GetName()), "Tab" + std::to_string(kTabs - 1));
  JsonIterator items = lastTab.ChildBegin();
  ++items;
  ASSERT_EQ(U(items.GetName()), "item");
  // Every item's members went to the one item element, the last one's among them.
  std::unique_ptr<CList<CString>> names(items.MakeAttributeList());
  EXPECT_EQ(names->GetCount(), 4 * kItems);
  EXPECT_EQ(U(names->GetTail()), "value");

  // A file beyond the limit is refused before it is read.
  std::string huge = folder.Path("huge.json");
  folder.Write("huge.json", "{}");
  std::filesystem::resize_file(huge, static_cast<std::uintmax_t>(CJsonTree::kMaxFileBytes) + 1);
  EXPECT_FALSE(tree.LoadFile(folder.CPath("huge.json"), &error));
  EXPECT_FALSE(error.IsEmpty());
  EXPECT_TRUE(tree.begin() == nullptr);

  // A broken file is refused with the parser's reason.
  folder.Write("broken.json", R"({"a":[{"x":)");
  EXPECT_FALSE(tree.LoadFile(folder.CPath("broken.json"), &error));
  EXPECT_FALSE(error.IsEmpty());
}

}  // namespace
