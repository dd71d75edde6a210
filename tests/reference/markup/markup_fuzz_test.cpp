// Generated and mutated documents for the markup document (fixed seed, bounded): positions stay
// inside the text whatever the input, and every change leaves positions equal to a fresh parse.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "markup_test_support.h"
#include "reference/markup/markup.h"

namespace {

using Doc = CMarkupDocument;

class Generator {
 public:
  explicit Generator(unsigned seed) : m_rng(seed) {}
  int Pick(int n) { return static_cast<int>(m_rng() % static_cast<unsigned>(n)); }

  std::wstring Name() {
    static const wchar_t* names[] = {L"a", L"b", L"item", L"grp", L"x:y", L"_p", L"\u00e9l", L"Z9"};
    return names[Pick(8)];
  }
  std::wstring Text() {
    static const wchar_t* texts[] = {L"t", L"1 &lt; 2", L"a>b", L"  ", L"\r\n", L"&#x1F600;", L"\u4E2D", L"x&amp;y"};
    return texts[Pick(8)];
  }
  std::wstring Attributes() {
    std::wstring out;
    for (int n = Pick(3); n > 0; --n) {
      switch (Pick(4)) {
        case 0: out += L" k" + std::to_wstring(n) + L"=\"v&quot;" + std::to_wstring(Pick(99)) + L"\""; break;
        case 1: out += L" q" + std::to_wstring(n) + L"='v>'"; break;
        case 2: out += L" bare" + std::to_wstring(n); break;
        default: out += L"\r\n u" + std::to_wstring(n) + L"=w "; break;
      }
    }
    return out;
  }
  std::wstring Element(int depth) {
    const std::wstring name = Name();
    std::wstring out = L"<" + name + Attributes();
    if (depth > 3 || Pick(4) == 0) return out + (Pick(2) ? L"/>" : L" />");
    out += L">";
    for (int n = Pick(4); n > 0; --n) {
      switch (Pick(6)) {
        case 0: out += Text(); break;
        case 1: out += L"<!--c" + std::to_wstring(Pick(9)) + L"-->"; break;
        case 2: out += L"<![CDATA[<d>]]>"; break;
        case 3: out += L"<?pi x=\"1\"?>"; break;
        default: out += Element(depth + 1); break;
      }
    }
    return out + L"</" + name + L">";
  }
  std::wstring Document() {
    std::wstring out;
    if (Pick(2)) out += L"<?xml version=\"1.0\"?>\r\n";
    if (Pick(4) == 0) out += L"<!DOCTYPE r [<!ELEMENT r ANY>]>";
    return out + Element(0) + (Pick(2) ? L"\r\n" : L"");
  }
  std::wstring Mutate(std::wstring text) {
    static const wchar_t pieces[] = L"<>/!?-[]\"'= &;x\0";
    for (int n = 1 + Pick(4); n > 0 && !text.empty(); --n) {
      const size_t at = static_cast<size_t>(Pick(static_cast<int>(text.size())));
      switch (Pick(3)) {
        case 0: text[at] = pieces[Pick(16)]; break;
        case 1: text.insert(at, 1, pieces[Pick(16)]); break;
        default: text.erase(at, static_cast<size_t>(1 + Pick(6))); break;
      }
    }
    return text;
  }

 private:
  std::mt19937 m_rng;
};

std::vector<int> LiveElements(const Doc& doc) {
  std::vector<int> out;
  for (int i = 1; i < doc.GetPositionCount(); ++i)
    if (!(doc.GetElementPosition(i).nFlags & Doc::MNF_DELETED)) out.push_back(i);
  return out;
}

// Walks every node of every level; a bounded number of steps.
void WalkAllNodes(Doc& doc) {
  doc.SetPosition(0, 0, 0);
  int steps = 0;
  for (int type; steps < 2000 && (type = doc.FindNode()) != 0; ++steps) {
    doc.GetTagName();
    doc.GetData();
    if (type == Doc::MNT_ELEMENT) doc.GetAttributeAt(0, nullptr, nullptr);
  }
}

TEST(MarkupFuzz, PositionsStayInsideTheText) {
  Generator gen(20201);
  for (int round = 0; round < 3000; ++round) {
    std::wstring text = gen.Document();
    if (round % 2) text = gen.Mutate(text);
    Doc doc(CString(text.c_str()));
    ASSERT_TRUE(markuptest::PositionsInsideText(doc)) << CString(text.c_str());
    WalkAllNodes(doc);
    for (int i : LiveElements(doc)) {
      doc.GetElementData(i);
      doc.GetElementPath(i);
      doc.GetElementMarkup(i);
    }
    doc.GetErrorText();
  }
}

// One random change at a random position; false when it was refused.
bool RandomChange(Generator& gen, Doc& doc) {
  const std::vector<int> live = LiveElements(doc);
  if (!live.empty()) {
    const int e = live[static_cast<size_t>(gen.Pick(static_cast<int>(live.size())))];
    doc.SetPosition(doc.GetParentPosition(e), e, 0);
    if (gen.Pick(3) == 0 && doc.GetElementPosition(e).iElemChild) {
      doc.FindChildElement();
    }
    if (gen.Pick(4) == 0) doc.FindNode();
  }
  // An element written open (0x10) takes the next end tag of its name on a fresh parse: by design,
  // so it is left to the table tests.
  static const int addFlags[] = {0, 2, 4, 0x4000, 0x2000, 0x4000 | 0x2000, 1, 8, 0x4000 | 0x2000 | 2, 0x4000 | 2};
  switch (gen.Pick(11)) {
    case 0:
    case 1: {
      const int flags = addFlags[gen.Pick(10)];
      return doc.AddElement(gen.Name().c_str(), (flags & 0x10) ? CString() : CString(gen.Text().c_str()), flags);
    }
    case 2: return doc.SetAttribute(gen.Name().c_str(), gen.Text().c_str());
    case 3: return doc.SetData(gen.Text().c_str(), gen.Pick(2));
    case 4: {
      static const int types[] = {1, 2, 8, 16, 32};
      const int type = types[gen.Pick(5)];
      return doc.AddNode(type, type == 1 ? CString(gen.Name().c_str()) : CString(L"n"), gen.Pick(2) ? 0x2000 : 0);
    }
    case 5: return doc.AddMarkup(gen.Element(2).c_str(), gen.Pick(2) ? 0x4000 : 0);
    case 6: return doc.SetElementContent(gen.Element(3).c_str());
    case 7: return doc.RemoveElement();
    case 8: return doc.RemoveChildElement();
    case 9: return doc.RemoveNode();
    default: return doc.SetAttribute(L"k1", gen.Pick(1000));
  }
}

TEST(MarkupFuzz, EveryChangeLeavesTheStructureOfAFreshParse) {
  Generator gen(7);
  int applied = 0;
  for (int round = 0; round < 1500; ++round) {
    Doc doc(CString(gen.Document().c_str()));
    for (int step = 0; step < 12; ++step) {
      if (RandomChange(gen, doc)) ++applied;
      ASSERT_TRUE(markuptest::PositionsInsideText(doc)) << "round " << round << " step " << step;
      ASSERT_TRUE(markuptest::SameAsFreshParse(doc)) << "round " << round << " step " << step;
    }
  }
  EXPECT_GT(applied, 8000);
}

}  // namespace
