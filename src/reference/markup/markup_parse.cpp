// The markup document's core: the element position array, the text scanners, the parse that
// records every element's position, and the whole-document operations.
#include <algorithm>
#include <cstring>

#include "reference/markup/markup.h"
#include "reference/markup/markup_scan.h"

namespace markup {

void NextToken(const char16_t* text, int pos, int& start, int& end) {
  while (IsSpace(text[pos])) ++pos;
  start = pos;
  while (!IsTokenEnd(text[pos])) ++pos;
  if (pos == start && text[pos]) ++pos;
  end = pos;
}

namespace {
char16_t Lower(char16_t c) { return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c; }

bool NameEnd(char16_t c) { return c == 0 || c == u' ' || c == u'/' || c == u'=' || c == u'[' || c == u']'; }

bool SameUnits(const char16_t* a, const char16_t* b, int length, bool ignoreCase) {
  int high = 0;
  for (int i = 0; i < length; ++i) {
    if (a[i] == b[i]) {
      if (a[i] >= 128) ++high;
      continue;
    }
    if (!ignoreCase || high >= 2 || Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}
}  // namespace

bool TokenMatches(const char16_t* token, int length, const char16_t* name, bool ignoreCase) {
  for (int i = 0; i < length; ++i)
    if (name[i] == 0) return false;
  return SameUnits(token, name, length, ignoreCase) && NameEnd(name[length]);
}

bool SameName(const char16_t* a, int aLen, const char16_t* b, int bLen, bool ignoreCase) {
  return aLen == bLen && SameUnits(a, b, aLen, ignoreCase);
}

namespace {

void SyntaxRecord(NodeInfo& node, const char16_t* name, const char16_t* type) {
  CMarkupDocument::AddResult(node.results, name, type, type ? CMarkupDocument::MRC_TYPE : 0, node.start);
}

// After a syntax error the node runs on to the next '>' (or before the next '<').
int RecoverAfterError(const char16_t* text, int pos) {
  while (text[pos] && text[pos] != u'<') {
    if (text[pos++] == u'>') break;
  }
  return pos;
}

// Finds the terminator term (ending in '>') at or after from; the offset after it or -1.
int FindTerminator(const char16_t* text, int from, const char16_t* term, int termLen) {
  for (int i = from; text[i]; ++i) {
    if (text[i] != u'>' || i - from + 1 < termLen) continue;
    if (std::memcmp(text + i - termLen + 1, term, sizeof(char16_t) * static_cast<size_t>(termLen)) == 0) return i + 1;
  }
  return -1;
}

bool StartsName(char16_t c) { return (c >= u'A' && c <= u'Z') || c == u'_' || c == u':' || c > 96; }

}  // namespace

int ScanNode(const char16_t* text, int& next, NodeInfo& node) {
  const int start = next;
  node.start = start;
  node.emptyTag = false;
  node.nameStart = node.nameLen = 0;
  node.results.clear();
  int pos = start;
  auto finish = [&](int type, int end) {
    node.type = type;
    node.length = end - start;
    next = end;
    return type;
  };
  auto unterminated = [&](const char16_t* word) {
    SyntaxRecord(node, u"unterminated_tag_syntax", word);
    int end = start;
    while (text[end]) ++end;
    return finish(-1, end);
  };
  auto syntaxError = [&](const char16_t* record, int at) {
    SyntaxRecord(node, record, nullptr);
    return finish(-1, RecoverAfterError(text, at));
  };
  if (text[pos] == 0) return finish(-2, pos);
  if (text[pos] != u'<') {
    int type = 4;
    while (text[pos] && text[pos] != u'<') {
      const char16_t c = text[pos++];
      if (!IsSpace(c)) type = 2;
      if (c == u'>') break;
    }
    return finish(type, pos);
  }
  const char16_t c1 = text[pos + 1];
  if (c1 == 0) return unterminated(u"tag");
  if (StartsName(c1) || c1 == u'/') {
    const bool endTag = c1 == u'/';
    pos += endTag ? 2 : 1;
    node.nameStart = pos;
    node.nameLen = TagNameLength(text, pos);
    pos += node.nameLen;
    if (endTag) {
      while (text[pos] && text[pos] != u'>') ++pos;
      if (!text[pos]) return unterminated(u"end_tag");
      return finish(0, pos + 1);
    }
    char16_t quote = 0;
    bool unquoted = false;  // inside an unquoted attribute value
    bool afterEquals = false;
    for (;; ++pos) {
      const char16_t c = text[pos];
      if (c == 0) return unterminated(u"start_tag");
      if (quote) {
        if (c == quote) quote = 0;
        continue;
      }
      if (c == u'>') break;
      if (unquoted) {
        if (IsSpace(c)) unquoted = false;
        continue;
      }
      if (afterEquals) {
        if (IsSpace(c)) continue;
        afterEquals = false;
        if (c == u'"' || c == u'\'') quote = c;
        else unquoted = true;
        continue;
      }
      if (c == u'=' && text[pos + 1] != u'=') afterEquals = true;
    }
    node.emptyTag = pos > start + 1 && text[pos - 1] == u'/' && !unquoted;
    return finish(1, pos + 1);
  }
  if (c1 == u'?') {
    const int end = FindTerminator(text, pos + 2, u"?>", 2);
    if (end < 0) return unterminated(u"processing_instruction");
    return finish(16, end);
  }
  if (c1 != u'!') return syntaxError(u"first_tag_syntax", pos + 1);
  const char16_t c2 = text[pos + 2];
  if (c2 == 0) return unterminated(u"tag");
  if (c2 == u'-') {
    if (text[pos + 3] != u'-') return syntaxError(u"comment_tag_syntax", pos + 3);
    const int end = FindTerminator(text, pos + 4, u"-->", 3);
    if (end < 0) return unterminated(u"comment");
    return finish(32, end);
  }
  if (c2 == u'[') {
    if (text[pos + 3] != u'C') return syntaxError(u"cdata_section_syntax", pos + 3);
    const int end = FindTerminator(text, pos + 3, u"]]>", 3);
    if (end < 0) return unterminated(u"cdata_section");
    return finish(8, end);
  }
  if (c2 != u'D') return syntaxError(u"exclamation_tag_syntax", pos + 2);
  // Document type declaration with its internal subset.
  char16_t quote = 0;
  bool inDecl = false;
  for (pos += 2;; ++pos) {
    const char16_t c = text[pos];
    if (c == 0) return unterminated(u"document_type");
    if (quote) {
      if (c == quote) quote = 0;
      continue;
    }
    if (c == u'"' || c == u'\'') {
      quote = c;
      continue;
    }
    if (c == u'<' && text[pos + 1] == u'!') {
      const char16_t d = text[pos + 2];
      if (d != u'A' && d != u'E' && d != u'N') return syntaxError(u"doctype_tag_syntax", pos + 2);
      inDecl = true;
      pos += 2;
      continue;
    }
    if (c == u'>') {
      if (inDecl) {
        inDecl = false;
        continue;
      }
      return finish(64, pos + 1);
    }
  }
}

}  // namespace markup

using markup::NodeInfo;

void ElementPositionArray::GrowTo(int size) {
  while (m_nSize < size) {
    const int seg = m_nSize >> kSegmentBits;
    if (seg >= static_cast<int>(m_segments.size())) m_segments.emplace_back();
    std::vector<ElementPosition>& last = m_segments[static_cast<size_t>(seg)];
    const int want = std::min(kSegmentSize, size - (seg << kSegmentBits));
    last.resize(static_cast<size_t>(want));
    m_nSize = (seg << kSegmentBits) + want;
  }
}

CMarkupDocument::CMarkupDocument() { ParseDocument(); }

CMarkupDocument::CMarkupDocument(const CString& text) { SetDocumentText(text); }

CMarkupDocument::CMarkupDocument(const CMarkupDocument& other) {
  ParseDocument();  // an empty document when the copy is refused
  *this = other;
}

CMarkupDocument::~CMarkupDocument() = default;

CMarkupDocument& CMarkupDocument::operator=(const CMarkupDocument& other) {
  if (this == &other || InFileMode() || other.InFileMode()) return *this;
  m_iPosParent = other.m_iPosParent;
  m_iPos = other.m_iPos;
  m_iPosChild = other.m_iPosChild;
  m_iPosFree = other.m_iPosFree;
  m_iPosDeleted = other.m_iPosDeleted;
  m_nNodeType = other.m_nNodeType;
  m_nNodeOffset = other.m_nNodeOffset;
  m_nNodeLength = other.m_nNodeLength;
  m_strDoc = other.m_strDoc;
  m_strResult = other.m_strResult;
  m_nDocFlags = other.m_nDocFlags;
  m_aPos.Clear();
  m_aPos.GrowTo(std::max(8, m_iPosFree));
  for (int i = 0; i < m_iPosFree; ++i) m_aPos[i] = other.m_aPos[i];
  m_maps = other.m_maps;
  RefreshLabel();
  return *this;
}

bool CMarkupDocument::SetDocumentText(const CString& text) {
  if (InFileMode()) return false;
  m_strDoc = text.ToUtf16();
  m_strResult.clear();
  return ParseDocument();
}

bool CMarkupDocument::SetDocumentText(const wchar_t* text) {
  if (InFileMode()) return false;
  if (!text) {
    m_strDoc.clear();
    m_aPos.Clear();
    m_strResult.clear();
    return ParseDocument();
  }
  return SetDocumentText(CString(text));
}

bool CMarkupDocument::IsWellFormed() const {
  if (m_aPos.GetSize() == 0) return false;
  const ElementPosition& doc = m_aPos[0];
  return !(doc.nFlags & MNF_ILLFORMED) && doc.iElemChild && !m_aPos[doc.iElemChild].iElemNext;
}

bool CMarkupDocument::SetPosition(int iPosParent, int iPos, int iPosChild) {
  m_iPosParent = iPosParent;
  m_iPos = iPos;
  m_iPosChild = iPosChild;
  m_nNodeOffset = 0;
  m_nNodeLength = 0;
  m_nNodeType = iPos ? MNT_ELEMENT : 0;
  RefreshLabel();
  return true;
}

void CMarkupDocument::RefreshLabel() {
  if (m_nNodeLength) {
    m_pLabel = L"main position node";
    m_nLabelOffset = m_nNodeOffset;
  } else if (m_nNodeOffset) {
    m_pLabel = L"main position offset";
    m_nLabelOffset = m_nNodeOffset;
  } else if (m_iPosChild) {
    m_pLabel = L"child position element";
    m_nLabelOffset = m_aPos[m_iPosChild].nStart;
  } else if (m_iPos) {
    m_pLabel = L"main position element";
    m_nLabelOffset = m_aPos[m_iPos].nStart;
  } else if (m_iPosParent) {
    m_pLabel = L"parent position element";
    m_nLabelOffset = m_aPos[m_iPosParent].nStart;
  } else {
    m_pLabel = L"top of document";
    m_nLabelOffset = 0;
  }
}

int CMarkupDocument::NewPosition() {
  if (m_iPosFree >= m_aPos.GetSize()) m_aPos.GrowTo(m_iPosFree + m_iPosFree / 2 + 1);
  const int i = m_iPosFree++;
  m_aPos[i] = ElementPosition();
  return i;
}

void CMarkupDocument::LinkLastChild(int iParent, int iPos) {
  ElementPosition& parent = m_aPos[iParent];
  ElementPosition& pos = m_aPos[iPos];
  pos.iElemParent = iParent;
  pos.iElemNext = 0;
  if (!parent.iElemChild) {
    parent.iElemChild = iPos;
    pos.iElemPrev = iPos;
    pos.nFlags |= MNF_FIRST;
    return;
  }
  ElementPosition& first = m_aPos[parent.iElemChild];
  const int last = first.iElemPrev;
  m_aPos[last].iElemNext = iPos;
  pos.iElemPrev = last;
  first.iElemPrev = iPos;
}

bool CMarkupDocument::ParseDocument() {
  m_maps.clear();
  m_iPosFree = 1;
  m_aPos.GrowTo(static_cast<int>(m_strDoc.size() / 64) + 8);
  m_iPosDeleted = 0;
  m_aPos[0] = ElementPosition();
  if (!m_strDoc.empty()) {
    ParseElements(m_strDoc.c_str(), static_cast<int>(m_strDoc.size()), 0, m_strResult);
    m_aPos[0].nLength = static_cast<int>(m_strDoc.size());
    const int root = m_aPos[0].iElemChild;
    if (!root)
      AddResult(m_strResult, u"no_root_element");
    else if (m_aPos[root].iElemNext)
      AddResult(m_strResult, u"root_has_sibling");
  }
  ResetPositions();
  return IsWellFormed();
}

void CMarkupDocument::CloseUnended(std::vector<TagStackEntry>& stack, size_t keep, int iParseParent,
                                   const char16_t* text, int offset2, std::u16string& results) {
  if (stack.size() <= keep) return;
  m_aPos[iParseParent].nFlags |= MNF_ILLFORMED;
  const int outer = stack[keep].iPos;
  const int parent = m_aPos[outer].iElemParent;
  // Innermost first, as each is found unended: its flags and its record.
  bool illData = false;
  for (size_t k = stack.size(); k-- > keep;) {
    ElementPosition& e = m_aPos[stack[k].iPos];
    e.nFlags |= MNF_NONENDED;
    e.nEndTagLen = 0;
    e.nLength = e.nStartTagLen;
    if (e.nFlags & MNF_ILLDATA) {
      e.nFlags &= ~MNF_ILLDATA;
      illData = true;
    }
    int ts, te;
    markup::NextToken(text, e.nStart + 1, ts, te);
    const std::u16string name(text + ts, static_cast<size_t>(te - ts));
    AddResult(results, u"unended_start_tag", name.c_str(), 0, e.nStart, offset2);
  }
  if (illData) m_aPos[parent].nFlags |= MNF_ILLDATA;
  // Outermost first: each element is followed by its children, the last of which is the next
  // unended element (still without a following sibling when its parent's children are walked).
  int tail = outer;
  for (size_t k = keep; k < stack.size(); ++k) {
    const int iPos = stack[k].iPos;
    ElementPosition& e = m_aPos[iPos];
    const int first = e.iElemChild;
    if (!first) continue;
    for (int c = first; c; c = m_aPos[c].iElemNext) {
      m_aPos[c].iElemParent = parent;
      tail = c;
    }
    m_aPos[first].nFlags &= ~MNF_FIRST;
    m_aPos[first].iElemPrev = iPos;
    e.iElemNext = first;
    e.iElemChild = 0;
  }
  m_aPos[m_aPos[parent].iElemChild].iElemPrev = tail;
  stack.resize(keep);
}

int CMarkupDocument::ParseElements(const char16_t* text, int textLength, int iPosParent, std::u16string& results) {
  const bool ignoreCase = (m_nDocFlags & MDF_IGNORECASE) != 0;
  std::vector<TagStackEntry> stack;
  stack.reserve(7);
  int current = iPosParent;
  int firstCreated = 0;
  int next = 0;
  NodeInfo node;
  for (;;) {
    const int type = markup::ScanNode(text, next, node);
    if (type == -2) break;
    if (type == 1) {
      const int i = NewPosition();
      if (!firstCreated) firstCreated = i;
      LinkLastChild(current, i);
      ElementPosition& e = m_aPos[i];
      e.nLevel = m_aPos[iPosParent].nLevel + static_cast<int>(stack.size());
      e.nStart = node.start;
      e.nStartTagLen = node.length;
      if (node.emptyTag) {
        e.nLength = node.length;
      } else {
        stack.push_back({i, node.nameStart, node.nameLen});
        current = i;
      }
    } else if (type == 0) {
      int match = static_cast<int>(stack.size()) - 1;
      while (match >= 0 && !markup::SameName(text + stack[static_cast<size_t>(match)].nameStart,
                                               stack[static_cast<size_t>(match)].nameLen, text + node.nameStart,
                                               node.nameLen, ignoreCase))
        --match;
      if (match >= 0) {
        CloseUnended(stack, static_cast<size_t>(match) + 1, iPosParent, text, node.start + 1, results);
        ElementPosition& e = m_aPos[stack.back().iPos];
        e.nLength = node.start + node.length - e.nStart;
        e.nEndTagLen = node.length;
        stack.pop_back();
        current = stack.empty() ? iPosParent : stack.back().iPos;
      } else {
        m_aPos[iPosParent].nFlags |= MNF_ILLFORMED;
        m_aPos[current].nFlags |= MNF_ILLDATA;
        const std::u16string name(text + node.nameStart, static_cast<size_t>(node.nameLen));
        AddResult(results, u"lone_end_tag", name.c_str(), 0, node.start);
      }
    } else if (type == -1) {
      m_aPos[iPosParent].nFlags |= MNF_ILLFORMED;
      m_aPos[current].nFlags |= MNF_ILLDATA;
      if (results.size() < 1000) results += node.results;
    }
  }
  CloseUnended(stack, 0, iPosParent, text, textLength, results);
  return firstCreated;
}
