// Helpers of the markup document tests: the element tree of a document as comparable records.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "reference/markup/markup.h"

namespace markuptest {

// One live element in document order: where it lies and its depth in the tree.
struct Shape {
  int start, length, startTag, endTag, depth, parentOrder;
  bool operator==(const Shape& o) const {
    return start == o.start && length == o.length && startTag == o.startTag && endTag == o.endTag &&
           depth == o.depth && parentOrder == o.parentOrder;
  }
};

inline std::vector<Shape> Tree(const CMarkupDocument& doc) {
  std::vector<Shape> out;
  struct Item { int pos, depth, parentOrder; };
  std::vector<Item> stack;
  std::vector<int> children;
  for (int c = doc.GetElementPosition(0).iElemChild; c; c = doc.GetElementPosition(c).iElemNext) children.push_back(c);
  for (auto it = children.rbegin(); it != children.rend(); ++it) stack.push_back({*it, 0, -1});
  while (!stack.empty()) {
    const Item item = stack.back();
    stack.pop_back();
    const ElementPosition& e = doc.GetElementPosition(item.pos);
    const int order = static_cast<int>(out.size());
    out.push_back({e.nStart, e.nLength, e.nStartTagLen, e.nEndTagLen, item.depth, item.parentOrder});
    children.clear();
    for (int c = e.iElemChild; c; c = doc.GetElementPosition(c).iElemNext) children.push_back(c);
    for (auto it = children.rbegin(); it != children.rend(); ++it) stack.push_back({*it, item.depth + 1, order});
  }
  return out;
}

// Every live element lies inside the text and inside its parent; links agree both ways.
inline ::testing::AssertionResult PositionsInsideText(const CMarkupDocument& doc) {
  const int length = static_cast<int>(doc.GetDocumentUnits().size());
  if (doc.GetElementPosition(0).nLength != length) return ::testing::AssertionFailure() << "document length";
  for (int i = 1; i < doc.GetPositionCount(); ++i) {
    const ElementPosition& e = doc.GetElementPosition(i);
    if (e.nFlags & CMarkupDocument::MNF_DELETED) continue;
    if (e.nStart < 0 || e.nLength < e.nStartTagLen || e.nStart + e.nLength > length || e.nStartTagLen < 1 ||
        e.nEndTagLen < 0 || e.nStartTagLen + e.nEndTagLen > e.nLength)
      return ::testing::AssertionFailure() << "entry " << i << " outside the text";
    if (doc.GetDocumentUnits()[static_cast<size_t>(e.nStart)] != u'<')
      return ::testing::AssertionFailure() << "entry " << i << " does not start at '<'";
    const int p = e.iElemParent;
    if (p) {
      const ElementPosition& pe = doc.GetElementPosition(p);
      if (e.nStart < pe.nStart + pe.nStartTagLen || e.nStart + e.nLength > pe.nStart + pe.nLength - pe.nEndTagLen)
        return ::testing::AssertionFailure() << "entry " << i << " outside its parent";
    }
    if (e.iElemNext && doc.GetElementPosition(e.iElemNext).iElemPrev != i)
      return ::testing::AssertionFailure() << "entry " << i << " next/prev links disagree";
  }
  return ::testing::AssertionSuccess();
}

// The incrementally repaired positions equal those of a fresh parse of the same text.
inline ::testing::AssertionResult SameAsFreshParse(const CMarkupDocument& doc) {
  CMarkupDocument fresh(doc.GetDocumentText());
  const auto a = Tree(doc), b = Tree(fresh);
  if (a.size() != b.size())
    return ::testing::AssertionFailure() << a.size() << " elements kept, " << b.size() << " parsed from\n"
                                         << doc.GetDocumentText();
  for (size_t i = 0; i < a.size(); ++i)
    if (!(a[i] == b[i]))
      return ::testing::AssertionFailure() << "element " << i << " differs: start " << a[i].start << "/" << b[i].start
                                           << " length " << a[i].length << "/" << b[i].length << " tags "
                                           << a[i].startTag << "," << a[i].endTag << "/" << b[i].startTag << ","
                                           << b[i].endTag << " in\n"
                                           << doc.GetDocumentText();
  return ::testing::AssertionSuccess();
}

}  // namespace markuptest
