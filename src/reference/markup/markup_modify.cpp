// The markup document's changing side: every change splices the one text and repairs the element
// positions in place, so that they describe the new text without a new parse.
#include <string>
#include <vector>

#include "reference/markup/markup.h"
#include "reference/markup/markup_scan.h"

using markup::IsSpace;

namespace {

const char16_t kLineBreak[] = u"\r\n";

std::u16string Units(const CString& s) { return s.ToUtf16(); }

bool StartsName(char16_t c) { return (c >= u'A' && c <= u'Z') || c == u'_' || c == u':' || c > 96; }

// A name that reads back as one token.
bool IsElementName(const std::u16string& name) {
  if (name.empty() || !StartsName(name[0])) return false;
  for (char16_t c : name)
    if (markup::IsTokenEnd(c)) return false;
  return true;
}

bool IsAttributeName(const std::u16string& name) {
  if (name.empty()) return false;
  for (char16_t c : name)
    if (markup::IsTokenEnd(c)) return false;
  return true;
}

std::u16string CdataText(const std::u16string& value) {
  std::u16string out = u"<![CDATA[";
  size_t from = 0;
  for (size_t at; (at = value.find(u"]]>", from)) != std::u16string::npos; from = at + 3)
    out += value.substr(from, at - from) + u"]]]]><![CDATA[>";
  out += value.substr(from) + u"]]>";
  return out;
}

// The text of a node of a type; false when the text would not read back as that one node.
bool BuildNodeText(int type, const std::u16string& text, int flags, std::u16string& out) {
  if ((type == CMarkupDocument::MNT_ELEMENT || type == CMarkupDocument::MNT_LONE_END_TAG) &&
      text.find_first_of(u"<>") != std::u16string::npos)
    return false;
  switch (type) {
    case CMarkupDocument::MNT_ELEMENT: out = u"<" + text + u"/>"; break;
    case CMarkupDocument::MNT_TEXT:
    case CMarkupDocument::MNT_WHITESPACE:
      out = Units(CMarkupDocument::EscapeText(CString::FromUtf16(text), flags));
      break;
    case CMarkupDocument::MNT_CDATA_SECTION:
      if (text.find(u"]]>") != std::u16string::npos) return false;
      out = u"<![CDATA[" + text + u"]]>";
      break;
    case CMarkupDocument::MNT_PROCESSING_INSTRUCTION:
      // An instruction starts with its target's name.
      if (text.empty() || markup::IsTokenEnd(text[0])) return false;
      out = u"<?" + text + u"?>";
      break;
    case CMarkupDocument::MNT_COMMENT: out = u"<!--" + text + u"-->"; break;
    case CMarkupDocument::MNT_DOCUMENT_TYPE: out = text; break;
    case CMarkupDocument::MNT_LONE_END_TAG: out = u"</" + text + u">"; break;
    default: return false;
  }
  if (out.empty() || out.find(u'\0') != std::u16string::npos) return false;
  int next = 0;
  markup::NodeInfo node;
  int scanned = markup::ScanNode(out.c_str(), next, node);
  if (node.length != static_cast<int>(out.size())) return false;
  if (scanned == 4) scanned = 2;
  int wanted = type == CMarkupDocument::MNT_WHITESPACE ? 2 : type == CMarkupDocument::MNT_LONE_END_TAG ? 0 : type;
  if (scanned != wanted) return false;
  if (type == CMarkupDocument::MNT_ELEMENT && !node.emptyTag) return false;
  return true;
}

}  // namespace

void CMarkupDocument::Splice(int offset, int removeLen, const std::u16string& insert) {
  if (m_strDoc.capacity() < m_strDoc.size() - static_cast<size_t>(removeLen) + insert.size()) {
    const size_t want = m_strDoc.size() - static_cast<size_t>(removeLen) + insert.size();
    m_strDoc.reserve(want + want / 2 + 128);
  }
  m_strDoc.replace(static_cast<size_t>(offset), static_cast<size_t>(removeLen), insert);
}

// Entries at or past limit (being built) are left alone.
void CMarkupDocument::RepairPositions(int offset, int removedLen, int delta) {
  RepairPositionsBelow(offset, removedLen, delta, m_iPosFree);
}

void CMarkupDocument::RepairPositionsBelow(int offset, int removedLen, int delta, int limit) {
  const int end = offset + removedLen;
  m_aPos[0].nLength += delta;
  for (int i = 1; i < limit; ++i) {
    ElementPosition& e = m_aPos[i];
    if (e.nFlags & MNF_DELETED) continue;
    if (e.nStart >= end) {
      e.nStart += delta;
    } else if (e.nStart < offset && e.nStart + e.nLength >= end && e.nStart + e.nLength > offset) {
      e.nLength += delta;
    }
  }
}

int CMarkupDocument::InsertMarkup(int iParent, int iRef, int flags, const std::u16string& markupText, int limit) {
  const bool noLines = (flags & MNF_WITHNOLINES) != 0;
  const bool before = (flags & MNF_INSERT) != 0;
  const char16_t* t = m_strDoc.c_str();
  if (iParent && !m_aPos[iParent].nEndTagLen) {
    // The parent has no end tag yet: it gets one around the new markup, named as the parser reads
    // the start tag's name, so that a fresh parse pairs them.
    ElementPosition& p = m_aPos[iParent];
    const std::u16string name(t + p.nStart + 1, static_cast<size_t>(markup::TagNameLength(t, p.nStart + 1)));
    std::u16string text = u">";
    if (!noLines) text += kLineBreak;
    text += markupText;
    if (!noLines) text += kLineBreak;
    text += u"</" + name;
    const bool open = (p.nFlags & MNF_NONENDED) != 0;
    // An empty tag loses every "/" before its ">": the parser takes "//>" as empty too.
    int removeLen = 0;
    const int close = p.nStart + p.nStartTagLen - 1;
    if (!open)
      while (removeLen < p.nStartTagLen - 2 && t[close - 1 - removeLen] == u'/') ++removeLen;
    const int offset = close - removeLen;
    Splice(offset, removeLen, text);
    RepairPositionsBelow(offset, removeLen, static_cast<int>(text.size()) - removeLen, limit);
    p.nStartTagLen -= removeLen;
    p.nEndTagLen = static_cast<int>(name.size()) + 3;
    p.nFlags &= ~MNF_NONENDED;
    return offset + 1 + (noLines ? 0 : 2);
  }
  int offset;
  int removeLen = 0;
  if (flags & MNF_REPLACE) {
    offset = iParent ? ContentStart(iParent) : 0;
    removeLen = ContentEnd(iParent) - offset;
  } else if (m_nNodeLength && !(flags & MNF_CHILD)) {
    offset = before ? m_nNodeOffset : m_nNodeOffset + m_nNodeLength;
  } else if (iRef) {
    offset = before ? m_aPos[iRef].nStart : m_aPos[iRef].nStart + m_aPos[iRef].nLength;
  } else {
    offset = before ? (iParent ? ContentStart(iParent) : 0) : ContentEnd(iParent);
  }
  if (!(flags & (MNF_WITHNOLINES | MNF_REPLACE))) {
    int ws = offset;
    while (IsSpace(t[ws])) ++ws;
    if (t[ws] == 0 || t[ws] == u'<') offset = ws;
  }
  std::u16string text = markupText;
  int at = offset;
  if (!noLines) {
    text += kLineBreak;
    if (iParent && ContentStart(iParent) == ContentEnd(iParent)) {
      text = kLineBreak + text;
      at += 2;
    }
  }
  Splice(offset, removeLen, text);
  RepairPositionsBelow(offset, removeLen, static_cast<int>(text.size()) - removeLen, limit);
  return at;
}

void CMarkupDocument::LinkNew(int iPos, int iParent, int iRef, bool before, bool afterCurrentNode) {
  ElementPosition& e = m_aPos[iPos];
  e.iElemParent = iParent;
  e.nFlags &= ~MNF_FIRST;
  int after = -1;  // link after this sibling; 0 = first
  if (afterCurrentNode) after = iRef;
  else if (iRef && !before) after = iRef;
  else if (iRef) after = (m_aPos[iRef].nFlags & MNF_FIRST) ? 0 : m_aPos[iRef].iElemPrev;
  else if (before) after = 0;
  else after = m_aPos[iParent].iElemChild ? m_aPos[m_aPos[iParent].iElemChild].iElemPrev : 0;
  ElementPosition& p = m_aPos[iParent];
  if (after == 0) {
    const int old = p.iElemChild;
    p.iElemChild = iPos;
    e.nFlags |= MNF_FIRST;
    e.iElemNext = old;
    if (old) {
      e.iElemPrev = m_aPos[old].iElemPrev;
      m_aPos[old].iElemPrev = iPos;
      m_aPos[old].nFlags &= ~MNF_FIRST;
    } else {
      e.iElemPrev = iPos;
    }
    return;
  }
  const int next = m_aPos[after].iElemNext;
  e.iElemNext = next;
  e.iElemPrev = after;
  m_aPos[after].iElemNext = iPos;
  if (next) m_aPos[next].iElemPrev = iPos;
  else m_aPos[p.iElemChild].iElemPrev = iPos;
}

void CMarkupDocument::UnlinkElement(int iPos) {
  ElementPosition& e = m_aPos[iPos];
  ElementPosition& p = m_aPos[e.iElemParent];
  const int next = e.iElemNext;
  if (p.iElemChild == iPos) {
    p.iElemChild = next;
    if (next) {
      m_aPos[next].nFlags |= MNF_FIRST;
      m_aPos[next].iElemPrev = e.iElemPrev;
    }
  } else {
    const int prev = e.iElemPrev;
    m_aPos[prev].iElemNext = next;
    if (next) m_aPos[next].iElemPrev = prev;
    else m_aPos[p.iElemChild].iElemPrev = prev;
  }
}

void CMarkupDocument::MarkRemoved(int iPos) {
  std::vector<int> todo{iPos};
  std::vector<int> all;
  while (!todo.empty()) {
    const int i = todo.back();
    todo.pop_back();
    all.push_back(i);
    for (int c = m_aPos[i].iElemChild; c; c = m_aPos[c].iElemNext) todo.push_back(c);
  }
  for (int i : all) {
    ElementPosition& e = m_aPos[i];
    e.nFlags = MNF_DELETED;
    e.nLevel = 0;
    e.iElemNext = m_iPosDeleted;
    m_iPosDeleted = i;
  }
}

int CMarkupDocument::RemoveRange(int iPos, bool withTrailingSpace) {
  const ElementPosition& e = m_aPos[iPos];
  const int from = e.nStart;
  int to = e.nStart + e.nLength;
  if (withTrailingSpace) {
    int ws = to;
    while (IsSpace(m_strDoc.c_str()[ws])) ++ws;
    if (m_strDoc.c_str()[ws] == 0 || m_strDoc.c_str()[ws] == u'<') to = ws;
  }
  const int prev = (e.nFlags & MNF_FIRST) ? 0 : e.iElemPrev;
  UnlinkElement(iPos);
  MarkRemoved(iPos);
  Splice(from, to - from, std::u16string());
  RepairPositions(from, to - from, from - to);
  DropSavedPositions();
  return prev;
}

bool CMarkupDocument::AddElementWorker(const std::u16string& name, const std::u16string& value, int flags) {
  if (m_nDocFlags & MDF_READFILE) return false;
  if ((flags & MNF_CHILD) && !m_iPos) return false;
  if ((flags & MNF_WITHNOEND) && !value.empty()) return false;
  if (!IsElementName(name)) return false;
  std::u16string text;
  int startTagLen, endTagLen = 0;
  if (!value.empty()) {
    const std::u16string body =
        (flags & MNF_WITHCDATA) ? CdataText(value) : Units(EscapeText(CString::FromUtf16(value), flags & MNF_WITHREFS));
    text = u"<" + name + u">" + body + u"</" + name + u">";
    startTagLen = static_cast<int>(name.size()) + 2;
    endTagLen = static_cast<int>(name.size()) + 3;
  } else {
    text = u"<" + name + ((flags & MNF_WITHNOEND) ? u">" : (flags & MNF_WITHXHTMLSPACE) ? u" />" : u"/>");
    startTagLen = static_cast<int>(text.size());
  }
  const bool child = (flags & MNF_CHILD) != 0;
  const int iParent = child ? m_iPos : m_iPosParent;
  const int iRef = child ? m_iPosChild : m_iPos;
  const bool afterNode = m_nNodeLength && !child;
  const int at = InsertMarkup(iParent, iRef, flags, text, m_iPosFree);
  const int i = NewPosition();
  ElementPosition& e = m_aPos[i];
  e.nStart = at;
  e.nLength = static_cast<int>(text.size());
  e.nStartTagLen = startTagLen;
  e.nEndTagLen = endTagLen;
  e.nLevel = iParent ? m_aPos[iParent].nLevel + 1 : 0;
  e.nFlags = (flags & MNF_WITHNOEND) ? MNF_NONENDED : 0;
  LinkNew(i, iParent, iRef, (flags & MNF_INSERT) != 0, afterNode);
  if (child) return SetPosition(m_iPosParent, m_iPos, i);
  return SetPosition(m_iPosParent, i, 0);
}

bool CMarkupDocument::AddElement(const CString& name, const CString& value, int flags) {
  return AddElementWorker(Units(name), Units(value), flags);
}

bool CMarkupDocument::AddElement(const CString& name, int value, int flags) {
  CString text;
  text.Format(L"%d", value);
  return AddElement(name, text, flags);
}

bool CMarkupDocument::AddNode(int type, const CString& text, int flags) {
  if (m_nDocFlags & MDF_READFILE) return false;
  if (type != MNT_PROCESSING_INSTRUCTION && type != MNT_COMMENT && type != MNT_DOCUMENT_TYPE) flags |= MNF_WITHNOLINES;
  flags &= ~(MNF_CHILD | MNF_REPLACE);
  std::u16string nodeText;
  if (!BuildNodeText(type, Units(text), flags & MNF_WITHREFS, nodeText)) return false;
  const bool afterNode = m_nNodeLength != 0;
  const int iParent = m_iPosParent;
  const int iRef = m_iPos;
  const int at = InsertMarkup(iParent, iRef, flags, nodeText, m_iPosFree);
  if (type == MNT_ELEMENT) {
    const int i = NewPosition();
    ElementPosition& e = m_aPos[i];
    e.nStart = at;
    e.nLength = e.nStartTagLen = static_cast<int>(nodeText.size());
    e.nLevel = iParent ? m_aPos[iParent].nLevel + 1 : 0;
    LinkNew(i, iParent, iRef, (flags & MNF_INSERT) != 0, afterNode);
    return SetPosition(iParent, i, 0);
  }
  m_iPosChild = 0;
  m_nNodeType = type;
  m_nNodeOffset = at;
  m_nNodeLength = static_cast<int>(nodeText.size());
  RefreshLabel();
  return true;
}

// Moves the entries parsed from a fragment (from firstNew on) by shift.
void CMarkupDocument::ShiftParsedEntries(int firstNew, int shift) {
  for (int i = firstNew; i < m_iPosFree; ++i)
    if (!(m_aPos[i].nFlags & MNF_DELETED)) m_aPos[i].nStart += shift;
}

bool CMarkupDocument::AddMarkup(const CString& markupText, int flags) {
  if (m_nDocFlags & MDF_READFILE) return false;
  const bool child = (flags & MNF_CHILD) != 0;
  if (child && !m_iPos) return false;
  m_strResult.clear();
  const int iParent = child ? m_iPos : m_iPosParent;
  const int iRef = child ? m_iPosChild : m_iPos;
  const bool afterNode = m_nNodeLength && !child;
  const std::u16string fragment = Units(markupText);
  const int temp = NewPosition();
  m_aPos[temp].nLevel = iParent ? m_aPos[iParent].nLevel + 1 : 0;
  ParseElements(fragment.c_str(), static_cast<int>(fragment.size()), temp, m_strResult);
  const int first = m_aPos[temp].iElemChild;
  const bool ill = (m_aPos[temp].nFlags & MNF_ILLFORMED) != 0;
  int cutStart = 0;
  std::u16string text = fragment;
  if (first && !ill) {
    const int last = m_aPos[first].iElemPrev;
    cutStart = m_aPos[first].nStart;
    text = fragment.substr(static_cast<size_t>(cutStart),
                           static_cast<size_t>(m_aPos[last].nStart + m_aPos[last].nLength - cutStart));
  } else {
    flags |= MNF_WITHNOLINES;
  }
  if (text.empty()) {
    m_aPos[temp].iElemChild = 0;
    MarkRemoved(temp);
    return false;
  }
  const int at = InsertMarkup(iParent, iRef, flags, text, temp);
  ShiftParsedEntries(temp + 1, at - cutStart);
  std::vector<int> tops;
  for (int c = first; c; c = m_aPos[c].iElemNext) tops.push_back(c);
  m_aPos[temp].iElemChild = 0;
  MarkRemoved(temp);
  int linkAfter = 0;
  for (size_t k = 0; k < tops.size(); ++k) {
    if (k == 0) LinkNew(tops[k], iParent, iRef, (flags & MNF_INSERT) != 0, afterNode);
    else LinkNew(tops[k], iParent, linkAfter, false, false);
    linkAfter = tops[k];
  }
  if (ill) m_aPos[iParent].nFlags |= MNF_ILLDATA;
  if (first) {
    if (child) SetPosition(m_iPosParent, m_iPos, first);
    else SetPosition(m_iPosParent, first, 0);
  }
  return tops.size() == 1 && !ill;
}

bool CMarkupDocument::SetAttributeWorker(int iPos, const std::u16string& name, const std::u16string& value, int flags) {
  if (m_nDocFlags & MDF_READFILE) return false;
  const bool instruction = iPos == m_iPos && m_nNodeLength && m_nNodeType == MNT_PROCESSING_INSTRUCTION;
  if (!instruction && (iPos <= 0 || iPos >= m_iPosFree || (iPos == m_iPos && m_nNodeLength) ||
                       (m_aPos[iPos].nFlags & MNF_DELETED)))
    return false;
  if (!IsAttributeName(name)) return false;
  const std::u16string escaped = Units(EscapeText(CString::FromUtf16(value), (flags & MNF_WITHREFS) | MNF_ESCAPEQUOTES));
  const int tag = instruction ? m_nNodeOffset + 2 : m_aPos[iPos].nStart + 1;
  // Changes stay before the "?>" or ">" that closes the tag.
  const int tagEnd = instruction ? m_nNodeOffset + m_nNodeLength - 1 : m_aPos[iPos].nStart + m_aPos[iPos].nStartTagLen;
  AttrRange r;
  int from, to;
  std::u16string text;
  if (FindAttributeRange(tag, &name, -1, r)) {
    if (r.hasValue) {
      from = r.quoted ? r.valStart - 1 : r.valStart;
      to = r.quoted ? r.valEnd + 1 : r.valEnd;
      text = u"\"" + escaped + u"\"";
    } else {
      from = r.nameStart;
      to = r.nameEnd;
      text = m_strDoc.substr(static_cast<size_t>(r.nameStart), static_cast<size_t>(r.nameEnd - r.nameStart)) + u"=\"" +
             escaped + u"\"";
    }
  } else {
    from = to = r.insertAt;
    text = u" " + name + u"=\"" + escaped + u"\"";
  }
  // The tag name runs as the parser reads it (to white space, '/' or '>'), which may take in
  // more than its first name token: a change inside it would part the tag from its end tag.
  const int nameEnd = instruction ? tag : tag + markup::TagNameLength(m_strDoc.c_str(), tag);
  if (from < nameEnd || to > tagEnd - 1 || from > to) return false;
  Splice(from, to - from, text);
  const int delta = static_cast<int>(text.size()) - (to - from);
  RepairPositions(from, to - from, delta);
  if (instruction) m_nNodeLength += delta;
  else m_aPos[iPos].nStartTagLen += delta;
  return true;
}

bool CMarkupDocument::SetAttribute(const CString& name, const CString& value, int flags) {
  return SetAttributeWorker(m_iPos, Units(name), Units(value), flags);
}

bool CMarkupDocument::SetAttribute(const CString& name, int value, int flags) {
  CString text;
  text.Format(L"%d", value);
  return SetAttribute(name, text, flags);
}

bool CMarkupDocument::SetElementData(int iPos, const CString& value, int flags) {
  if (m_nDocFlags & MDF_READFILE) return false;
  if (iPos == m_iPos && m_nNodeLength) {
    std::u16string text;
    if (!BuildNodeText(m_nNodeType, Units(value), flags & MNF_WITHREFS, text)) return false;
    if (m_nNodeType == MNT_ELEMENT) return false;
    Splice(m_nNodeOffset, m_nNodeLength, text);
    RepairPositions(m_nNodeOffset, m_nNodeLength, static_cast<int>(text.size()) - m_nNodeLength);
    m_nNodeLength = static_cast<int>(text.size());
    RefreshLabel();
    return true;
  }
  if (iPos <= 0 || iPos >= m_iPosFree || (m_aPos[iPos].nFlags & MNF_DELETED) || m_aPos[iPos].iElemChild) return false;
  const std::u16string v = Units(value);
  const std::u16string body =
      (flags & MNF_WITHCDATA) ? CdataText(v) : Units(EscapeText(value, flags & MNF_WITHREFS));
  const int savedNodeLength = m_nNodeLength;
  m_nNodeLength = 0;  // the element's own content is the range
  InsertMarkup(iPos, 0, MNF_REPLACE | MNF_WITHNOLINES, body, m_iPosFree);
  m_nNodeLength = savedNodeLength;
  m_aPos[iPos].nFlags &= ~MNF_ILLDATA;
  return true;
}

bool CMarkupDocument::SetElementData(int iPos, int value) {
  CString text;
  text.Format(L"%d", value);
  return SetElementData(iPos, text, 0);
}

bool CMarkupDocument::SetElementContent(const CString& markupText) {
  m_strResult.clear();
  if ((m_nDocFlags & MDF_READFILE) || !m_iPos || m_nNodeLength) return false;
  for (int c = m_aPos[m_iPos].iElemChild; c;) {
    const int next = m_aPos[c].iElemNext;
    MarkRemoved(c);
    c = next;
  }
  m_aPos[m_iPos].iElemChild = 0;
  DropSavedPositions();
  const std::u16string fragment = Units(markupText);
  const int temp = NewPosition();
  m_aPos[temp].nLevel = m_aPos[m_iPos].nLevel + 1;
  ParseElements(fragment.c_str(), static_cast<int>(fragment.size()), temp, m_strResult);
  const bool ill = (m_aPos[temp].nFlags & MNF_ILLFORMED) != 0;
  const bool illData = (m_aPos[temp].nFlags & MNF_ILLDATA) != 0;
  const int at = InsertMarkup(m_iPos, 0, MNF_REPLACE | MNF_WITHNOLINES, fragment, temp);
  ShiftParsedEntries(temp + 1, at);
  const int first = m_aPos[temp].iElemChild;
  m_aPos[m_iPos].iElemChild = first;
  for (int c = first; c; c = m_aPos[c].iElemNext) m_aPos[c].iElemParent = m_iPos;
  m_aPos[temp].iElemChild = 0;
  MarkRemoved(temp);
  if (illData) m_aPos[m_iPos].nFlags |= MNF_ILLDATA;
  else m_aPos[m_iPos].nFlags &= ~MNF_ILLDATA;
  SetPosition(m_iPosParent, m_iPos, 0);
  return !ill;
}

bool CMarkupDocument::RemoveElement() {
  if ((m_nDocFlags & MDF_READFILE) || !m_iPos) return false;
  const int prev = RemoveRange(m_iPos, true);
  return SetPosition(m_iPosParent, prev, 0);
}

bool CMarkupDocument::RemoveChildElement() {
  if ((m_nDocFlags & MDF_READFILE) || !m_iPosChild) return false;
  const int prev = RemoveRange(m_iPosChild, true);
  return SetPosition(m_iPosParent, m_iPos, prev);
}

bool CMarkupDocument::RemoveNode() {
  if (m_nDocFlags & MDF_READFILE) return false;
  if (!m_iPos && !m_nNodeLength) return false;
  const int removedType = m_nNodeType;
  int prevElement;
  int removedAt;
  if (m_nNodeLength) {
    removedAt = m_nNodeOffset;
    prevElement = m_iPos;
    Splice(m_nNodeOffset, m_nNodeLength, std::u16string());
    RepairPositions(m_nNodeOffset, m_nNodeLength, -m_nNodeLength);
  } else {
    removedAt = m_aPos[m_iPos].nStart;
    prevElement = RemoveRange(m_iPos, false);
  }
  const int parent = m_iPosParent;
  SetPosition(parent, prevElement, 0);
  int pos = prevElement ? m_aPos[prevElement].nStart + m_aPos[prevElement].nLength : (parent ? ContentStart(parent) : 0);
  markup::NodeInfo node;
  int lastType = 0, lastStart = 0, lastLength = 0;
  const int following = prevElement ? m_aPos[prevElement].iElemNext : m_aPos[parent].iElemChild;
  while (pos < removedAt) {
    const int type = ScanNodeBefore(pos, node, following, ContentEnd(parent));
    if (type == -2 || node.start >= removedAt) break;
    lastType = type == 0 ? MNT_LONE_END_TAG : type == -1 ? MNT_NODE_ERROR : type;
    lastStart = node.start;
    lastLength = node.length;
  }
  if (lastType && lastType != MNT_ELEMENT) {
    m_nNodeType = lastType;
    m_nNodeOffset = lastStart;
    m_nNodeLength = lastLength;
    RefreshLabel();
  }
  if (removedType == MNT_LONE_END_TAG && parent && (m_aPos[parent].nFlags & MNF_ILLDATA)) {
    // The parent is clean again when its content now scans through its children to its end.
    int at = ContentStart(parent);
    int element = m_aPos[parent].iElemChild;
    bool clean = true;
    for (;;) {
      const int type = markup::ScanNode(m_strDoc.c_str(), at, node);
      if (type == 0 && node.start == ContentEnd(parent)) break;
      if (type == -2 || type == 0 || type == -1) {
        clean = false;
        break;
      }
      if (type == 1) {
        if (!element || m_aPos[element].nStart != node.start) {
          clean = false;
          break;
        }
        at = m_aPos[element].nStart + m_aPos[element].nLength;
        element = m_aPos[element].iElemNext;
      }
    }
    if (clean) m_aPos[parent].nFlags &= ~MNF_ILLDATA;
  }
  return true;
}
