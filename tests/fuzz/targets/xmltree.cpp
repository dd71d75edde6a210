// The XML document class on any bytes, decoded both ways (UTF-8 and the ANSI code page). The
// element rings hold together, every name and text is a piece of the decoded text, nesting stays
// within the limit, and a tree parsed without fault is written out and read back unchanged. The
// tree operations (insert, append, erase) keep the rings whole.
#include <cstdint>
#include <string>
#include <vector>

#include "gui/dlg/xmltree.h"
#include "support/fuzz_support.h"

namespace {

std::u16string Units(const CString& text) {
  std::u16string out;
  out.reserve(static_cast<size_t>(text.GetLength()));
  for (int i = 0; i < text.GetLength(); ++i) out.push_back(static_cast<char16_t>(text.GetAt(i)));
  return out;
}

// Checks the ring of parent's children and returns them in order.
std::vector<XmlElement*> Children(XmlElement* parent) {
  std::vector<XmlElement*> out;
  XmlElement* first = parent->child;
  if (first == nullptr) return out;
  XmlElement* e = first;
  do {
    FUZZ_CHECK(e->next != nullptr && e->prev != nullptr);
    FUZZ_CHECK(e->next->prev == e);
    out.push_back(e);
    e = e->next;
  } while (e != first);
  return out;
}

// A name or value as the reader takes it back: quoted, unless it holds a quote (it was written
// without quotes then, so it has no blank or delimiter).
std::u16string Word(const std::u16string& word) {
  if (word.find(u'"') != std::u16string::npos) return word;
  return u"\"" + word + u"\"";
}

struct Walk {
  size_t elements = 0;
  size_t attributes = 0;
  size_t characters = 0;
};

// Walks the tree without recursion: rings, depth, and the pieces inside the text.
Walk Check(XmlElement& root, const std::u16string& text) {
  Walk walk;
  std::vector<std::pair<XmlElement*, int>> pending{{&root, 0}};
  while (!pending.empty()) {
    auto [element, depth] = pending.back();
    pending.pop_back();
    FUZZ_CHECK(depth <= CXmlTree::kMaxDepth + 1);
    for (XmlElement* child : Children(element)) {
      ++walk.elements;
      FUZZ_CHECK(!child->name.IsEmpty());
      walk.characters += static_cast<size_t>(child->name.GetLength() + child->text.GetLength());
      if (walk.elements <= 64) {
        FUZZ_CHECK(text.find(Units(child->name)) != std::u16string::npos);
        FUZZ_CHECK(text.find(Units(child->text)) != std::u16string::npos);
      }
      for (XmlAttribute* a = child->attr; a != nullptr; a = a->next) {
        ++walk.attributes;
        walk.characters += static_cast<size_t>(a->name.GetLength() + a->value.GetLength());
        if (walk.attributes <= 64) FUZZ_CHECK(text.find(Units(a->value)) != std::u16string::npos);
      }
      pending.push_back({child, depth + 1});
    }
  }
  // Names, texts and values are disjoint pieces of the text.
  FUZZ_CHECK(walk.characters <= text.size());
  return walk;
}

void Write(XmlElement& root, std::u16string& out) {
  struct Step {
    XmlElement* element;
    bool closing;
  };
  std::vector<Step> pending;
  std::vector<XmlElement*> top = Children(&root);
  for (auto it = top.rbegin(); it != top.rend(); ++it) pending.push_back({*it, false});
  while (!pending.empty()) {
    Step step = pending.back();
    pending.pop_back();
    XmlElement* e = step.element;
    if (step.closing) {
      out += u"</" + Units(e->name) + u">";
      continue;
    }
    // A name that starts like a declaration ("<?", "<!") was written after a blank.
    const std::u16string name = Units(e->name);
    out += (name[0] == u'?' || name[0] == u'!' ? u"< " : u"<") + name;
    std::vector<XmlAttribute*> attributes;
    for (XmlAttribute* a = e->attr; a != nullptr; a = a->next) attributes.push_back(a);
    for (auto it = attributes.rbegin(); it != attributes.rend(); ++it) {
      out += u" " + Word(Units((*it)->name)) + u"=" + Word(Units((*it)->value));
    }
    out += u">" + Units(e->text);
    pending.push_back({e, true});
    std::vector<XmlElement*> children = Children(e);
    for (auto it = children.rbegin(); it != children.rend(); ++it) pending.push_back({*it, false});
  }
}

bool SameTree(XmlElement& a, XmlElement& b) {
  std::vector<std::pair<XmlElement*, XmlElement*>> pending{{&a, &b}};
  while (!pending.empty()) {
    auto [x, y] = pending.back();
    pending.pop_back();
    if (x->name != y->name || x->text != y->text) return false;
    XmlAttribute* p = x->attr;
    XmlAttribute* q = y->attr;
    for (; p != nullptr && q != nullptr; p = p->next, q = q->next)
      if (p->name != q->name || p->value != q->value) return false;
    if (p != nullptr || q != nullptr) return false;
    std::vector<XmlElement*> xs = Children(x);
    std::vector<XmlElement*> ys = Children(y);
    if (xs.size() != ys.size()) return false;
    for (size_t i = 0; i < xs.size(); ++i) pending.push_back({xs[i], ys[i]});
  }
  return true;
}

void ParseOne(const std::string& bytes, BOOL bUtf8, fuzzsupport::InputReader& steps) {
  CXmlTree tree;
  tree.LoadBytes(bytes, bUtf8);
  std::u16string text = CXmlTree::DecodeText(bytes, bUtf8);
  const size_t zero = text.find(u'\0');
  if (zero != std::u16string::npos) text.resize(zero);
  const Walk walk = Check(tree.Root(), text);

  if (tree.GetError() == nullptr && walk.elements > 0) {
    std::u16string written;
    Write(tree.Root(), written);
    CXmlTree again;
    again.Parse(written);
    FUZZ_CHECK(again.GetError() == nullptr);
    FUZZ_CHECK(SameTree(tree.Root(), again.Root()));
  }

  // A few tree operations, chosen by the last bytes, keep every ring whole.
  XmlIterator it = tree.begin();
  for (int i = 0; i < 8 && steps.Remaining() > 0; ++i) {
    switch (steps.Below(5)) {
      case 0: ++it; break;
      case 1: if (it.HasChildren()) it = it.ChildBegin(); break;
      case 2: it = tree.Insert(it, L"added"); break;
      case 3: if (it.Node() != nullptr) it = tree.AppendChild(it, L"child"); break;
      case 4: it = tree.Erase(it); break;
    }
    Children(&tree.Root());
    if (it.Parent() != nullptr) Children(it.Parent());
  }
  tree.Clear();
  FUZZ_CHECK(tree.Root().child == nullptr);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes = fuzzsupport::AsBytes(data, size);
  // The tree operations are chosen by the input's first bytes.
  fuzzsupport::InputReader steps(data, size < 16 ? size : 16);
  ParseOne(bytes, TRUE, steps);
  ParseOne(bytes, FALSE, steps);
  return 0;
}
