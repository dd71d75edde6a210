// The JSON document tree on any text: an element per array and an attribute per scalar member at
// most, rings whole, nesting within the limit, member keys free of quotes and line feeds.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "gui/dlg/jsontree.h"
#include "support/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text = fuzzsupport::AsBytes(data, size);
  CJsonTree tree;
  CString error;
  const BOOL parsed = tree.Parse(text, &error);
  FUZZ_CHECK(parsed || (error.GetLength() > 0 && tree.Root().child == nullptr && tree.Root().attr == nullptr));
  const size_t arrays = static_cast<size_t>(std::count(text.begin(), text.end(), '['));
  const size_t members = static_cast<size_t>(std::count(text.begin(), text.end(), ':'));
  size_t elements = 0;
  size_t attributes = 0;
  std::vector<std::pair<XmlElement*, int>> pending{{&tree.Root(), 0}};
  while (!pending.empty()) {
    auto [element, depth] = pending.back();
    pending.pop_back();
    FUZZ_CHECK(depth <= CJsonTree::kMaxDepth + 1);
    for (XmlAttribute* a = element->attr; a != nullptr; a = a->next) {
      ++attributes;
      FUZZ_CHECK(a->name.Find(L'"') < 0 && a->name.Find(L'\n') < 0);
    }
    if (XmlElement* first = element->child) {
      XmlElement* c = first;
      do {
        FUZZ_CHECK(c->next != nullptr && c->next->prev == c);
        FUZZ_CHECK(c->name.Find(L'"') < 0 && c->name.Find(L'\n') < 0);
        ++elements;
        pending.push_back({c, depth + 1});
        c = c->next;
      } while (c != first);
    }
  }
  FUZZ_CHECK(elements <= arrays);
  FUZZ_CHECK(attributes <= members);
  // The iterator walks each level to its end.
  size_t walked = 0;
  for (JsonIterator it = tree.begin(); it != nullptr && walked <= elements; ++it) {
    ++walked;
    CList<CString>* names = it.MakeAttributeList();
    delete names;
  }
  FUZZ_CHECK(walked <= elements);
  return 0;
}
