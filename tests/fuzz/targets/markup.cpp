// The markup document on any bytes: read as a file (byte-order marks, declared encodings) and as
// UTF-8 text. Every element lies inside the text and inside its parent with links that agree both
// ways, navigation and the element texts stay inside the document, a document read from a file and
// written out reads back the same, and a short run of edits chosen by the input keeps the positions
// inside the text (and, on a well-formed document, equal to those of a fresh parse).
// The input's first byte is the number of edits (low four bits) and the doc flags to parse with
// (bits 4-5: ignore case, collapse white space); then three bytes an edit; the rest is the document.
#include <cstdint>
#include <string>
#include <vector>

#include "reference/markup/markup.h"
#include "support/fuzz_support.h"

namespace {

using Doc = CMarkupDocument;

// Every live element lies inside the text and inside its parent; links agree both ways.
void CheckPositions(const Doc& doc) {
  const int length = static_cast<int>(doc.GetDocumentUnits().size());
  FUZZ_CHECK(doc.GetElementPosition(0).nLength == length);
  for (int i = 1; i < doc.GetPositionCount(); ++i) {
    const ElementPosition& e = doc.GetElementPosition(i);
    if (e.nFlags & Doc::MNF_DELETED) continue;
    FUZZ_CHECK(e.nStart >= 0 && e.nStartTagLen >= 1 && e.nEndTagLen >= 0);
    FUZZ_CHECK(e.nLength >= e.nStartTagLen + e.nEndTagLen && e.nStart + e.nLength <= length);
    FUZZ_CHECK(doc.GetDocumentUnits()[static_cast<size_t>(e.nStart)] == u'<');
    if (e.iElemParent) {
      const ElementPosition& p = doc.GetElementPosition(e.iElemParent);
      FUZZ_CHECK(e.nStart >= p.nStart + p.nStartTagLen);
      FUZZ_CHECK(e.nStart + e.nLength <= p.nStart + p.nLength - p.nEndTagLen);
    }
    if (e.iElemNext) FUZZ_CHECK(doc.GetElementPosition(e.iElemNext).iElemPrev == i);
  }
}

struct Shape {
  int start, length, startTag, endTag, depth;
  bool operator==(const Shape& o) const {
    return start == o.start && length == o.length && startTag == o.startTag && endTag == o.endTag && depth == o.depth;
  }
};

// The live elements in document order, walked without recursion.
std::vector<Shape> Tree(const Doc& doc) {
  std::vector<Shape> out;
  std::vector<std::pair<int, int>> stack;
  std::vector<int> children;
  auto push = [&](int first, int depth) {
    children.clear();
    for (int c = first; c && children.size() <= static_cast<size_t>(doc.GetPositionCount());
         c = doc.GetElementPosition(c).iElemNext)
      children.push_back(c);
    FUZZ_CHECK(children.size() <= static_cast<size_t>(doc.GetPositionCount()));
    for (auto it = children.rbegin(); it != children.rend(); ++it) stack.push_back({*it, depth});
  };
  push(doc.GetElementPosition(0).iElemChild, 0);
  while (!stack.empty()) {
    const auto [pos, depth] = stack.back();
    stack.pop_back();
    const ElementPosition& e = doc.GetElementPosition(pos);
    out.push_back({e.nStart, e.nLength, e.nStartTagLen, e.nEndTagLen, depth});
    FUZZ_CHECK(out.size() <= static_cast<size_t>(doc.GetPositionCount()));
    push(e.iElemChild, depth + 1);
  }
  return out;
}

// Walks a bounded number of nodes of every level and reads each one's texts.
void Walk(Doc& doc) {
  const int length = static_cast<int>(doc.GetDocumentUnits().size());
  doc.SetPosition(0, 0, 0);
  for (int steps = 0, type; steps < 500 && (type = doc.FindNode()) != 0; ++steps) {
    FUZZ_CHECK(doc.GetNodeOffset() >= 0 && doc.GetNodeOffset() + doc.GetNodeLength() <= length);
    doc.GetTagName();
    doc.GetData();
    if (type == Doc::MNT_ELEMENT) {
      CString name;
      CString value;
      for (int a = 0; a < 4 && doc.GetAttributeAt(a, &name, &value); ++a) doc.GetAttribute(name);
      if (steps % 3 == 0) doc.EnterElement();
    }
  }
  int live = 0;
  for (int i = 1; i < doc.GetPositionCount() && live < 64; ++i) {
    if (doc.GetElementPosition(i).nFlags & Doc::MNF_DELETED) continue;
    ++live;
    // The markup is the element's text and the white space after it, when a tag or the end follows.
    FUZZ_CHECK(doc.GetElementMarkup(i).GetLength() >= doc.GetElementPosition(i).nLength);
    doc.GetElementData(i);
    doc.GetElementContent(i);
    doc.GetElementPath(i);
  }
  doc.GetErrorText();
}

bool HasSurrogates(const std::u16string& units) {
  for (char16_t u : units)
    if (u >= 0xD800 && u <= 0xDFFF) return true;
  return false;
}

std::u16string WithoutLeadingMark(std::u16string units) {
  while (!units.empty() && units[0] == 0xFEFF) units.erase(0, 1);
  return units;
}

// One edit chosen by three bytes, from the kinds of change a program makes.
void Edit(Doc& doc, uint8_t where, uint8_t kind, uint8_t value) {
  static const wchar_t* const kNames[] = {L"a", L"item", L"x:y", L"_p", L"\u00e9l", L"Z9", L"grp", L"b"};
  static const wchar_t* const kTexts[] = {L"t", L"1 < 2 & 3", L"a>b", L"  ", L"\r\n", L"]]>", L"\u4E2D", L"\"q'"};
  static const int kAddFlags[] = {0, Doc::MNF_WITHNOLINES, Doc::MNF_WITHXHTMLSPACE, Doc::MNF_CHILD, Doc::MNF_INSERT,
                                  Doc::MNF_CHILD | Doc::MNF_INSERT, Doc::MNF_WITHCDATA, Doc::MNF_WITHREFS};
  std::vector<int> live;
  for (int i = 1; i < doc.GetPositionCount(); ++i)
    if (!(doc.GetElementPosition(i).nFlags & Doc::MNF_DELETED)) live.push_back(i);
  if (!live.empty()) {
    const int e = live[where % live.size()];
    doc.SetPosition(doc.GetParentPosition(e), e, 0);
    if ((where & 0x40) && doc.GetElementPosition(e).iElemChild) doc.FindChildElement();
    if (where & 0x80) doc.FindNode();
  } else {
    doc.SetPosition(0, 0, 0);
  }
  const CString name = kNames[value % 8];
  const CString text = kTexts[(value >> 3) % 8];
  switch (kind % 10) {
    case 0: doc.AddElement(name, text, kAddFlags[(value >> 6) | ((kind >> 4) & 4)]); break;
    case 1: doc.SetAttribute(name, text, (kind >> 4) & 1 ? Doc::MNF_WITHREFS : 0); break;
    case 2: doc.SetData(text, (kind >> 4) & 1 ? Doc::MNF_WITHCDATA : 0); break;
    case 3: {
      static const int types[] = {Doc::MNT_ELEMENT, Doc::MNT_TEXT, Doc::MNT_CDATA_SECTION,
                                  Doc::MNT_PROCESSING_INSTRUCTION, Doc::MNT_COMMENT};
      const int type = types[(kind >> 4) % 5];
      doc.AddNode(type, type == Doc::MNT_ELEMENT ? name : CString(L"n"), (value & 0x80) ? Doc::MNF_INSERT : 0);
      break;
    }
    case 4: doc.AddMarkup(L"<" + name + L" k=\"1\">" + CString(kTexts[0]) + L"</" + name + L">",
                          (value & 0x80) ? Doc::MNF_CHILD : 0);
      break;
    case 5: doc.SetElementContent(L"<" + name + L"/>x<" + name + L"><b/></" + name + L">"); break;
    case 6: doc.RemoveElement(); break;
    case 7: doc.RemoveChildElement(); break;
    case 8: doc.RemoveNode(); break;
    default: doc.SetAttribute(name, static_cast<int>(value) - 128); break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzsupport::InputReader input(data, size);
  const uint8_t head = input.Byte();
  const int editCount = head & 0x0F;
  const int parseFlags = ((head & 0x10) ? Doc::MDF_IGNORECASE : 0) | ((head & 0x20) ? Doc::MDF_COLLAPSEWHITESPACE : 0);
  std::vector<uint8_t> edits;
  for (int i = 0; i < 3 * editCount; ++i) edits.push_back(input.Byte());
  const std::string bytes = input.Rest();

  // As a file: any encoding; what was read and written out reads back the same.
  const CString path = fuzzsupport::WriteScratchFile("markup.xml", bytes);
  Doc file;
  if (file.LoadFile(path)) {
    CheckPositions(file);
    Walk(file);
    const CString encoding = Doc::FindDeclaredEncoding(file.GetDocumentText());
    const bool lossless = encoding.IsEmpty() || encoding.CompareNoCase(L"UTF-8") == 0 ||
                          (file.GetDocFlags() & (Doc::MDF_UTF16LEFILE | Doc::MDF_UTF16BEFILE)) != 0;
    const CString copy = fuzzsupport::ScratchFolder() + L"markup-copy.xml";
    if (lossless && !HasSurrogates(file.GetDocumentUnits()) && file.SaveFile(copy)) {
      Doc again;
      FUZZ_CHECK(again.LoadFile(copy));
      // A text that begins with U+FEFF is written as the bytes of a byte-order mark, which the
      // reader takes as one.
      FUZZ_CHECK(WithoutLeadingMark(again.GetDocumentUnits()) == WithoutLeadingMark(file.GetDocumentUnits()));
    }
  }

  // As text, then edited.
  Doc doc;
  doc.SetDocFlags(parseFlags);
  doc.SetDocumentText(CString::FromUtf8(bytes));
  CheckPositions(doc);
  Walk(doc);
  // The parser stops at a zero unit, while edits may add after it: only a text without one is
  // compared with a fresh parse.
  const bool wellFormed = doc.IsWellFormed() && doc.GetDocumentUnits().find(u'\0') == std::u16string::npos;
  for (size_t i = 0; i + 2 < edits.size(); i += 3) {
    Edit(doc, edits[i], edits[i + 1], edits[i + 2]);
    CheckPositions(doc);
    if (wellFormed) {
      Doc fresh;
      fresh.SetDocFlags(parseFlags);
      fresh.SetDocumentText(doc.GetDocumentText());
      FUZZ_CHECK(Tree(doc) == Tree(fresh));
    }
  }
  Walk(doc);
  return 0;
}
