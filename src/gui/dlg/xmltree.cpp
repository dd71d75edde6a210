// The program's small XML reader: decoding, tokenising, parsing and the tree operations.
#include "gui/dlg/xmltree.h"

#include <string_view>
#include <vector>

#include "platform/codepage.h"
#include "platform/files.h"

namespace {

constexpr size_t npos = std::u16string::npos;

const wchar_t kErrNotATag[] = L"엘리먼트는 태그로 시작해야 합니다.";
const wchar_t kErrTagMismatch[] = L"시작태그와 종료태그가 일치하지 않습니다.";
const wchar_t kErrAttribute[] = L"속성과 속성값 정의가 올바르지 않거나 값이 지정되어 있지 않습니다.";
const wchar_t kErrNoName[] = L"Element without a name";
const wchar_t kErrOpenQuote[] = L"Quoted value without its closing quote";
const wchar_t kErrTooDeep[] = L"Elements nested too deeply";
const wchar_t kErrEndsInTag[] = L"The document ends inside a tag";
const wchar_t kErrEndsInElement[] = L"The document ends before an element is closed";
const wchar_t kErrZero[] = L"The document holds a zero character";

bool IsSpace(char16_t c) { return c <= 0x20; }
bool IsDelimiter(char16_t c) { return c == u'/' || c == u'='; }

// UTF-8 to UTF-16. Four-byte sequences become surrogate pairs; a byte that cannot start or
// continue a sequence becomes U+FFFD; a sequence cut off by the end of the data ends the text.
std::u16string DecodeUtf8(const unsigned char* p, size_t n) {
  std::u16string out;
  out.reserve(n);
  size_t i = 0;
  while (i < n) {
    const unsigned char b = p[i];
    if (b < 0x80) {
      out.push_back(b);
      ++i;
      continue;
    }
    int extra;
    char32_t cp;
    if ((b & 0xE0) == 0xC0) {
      extra = 1;
      cp = b & 0x1F;
    } else if ((b & 0xF0) == 0xE0) {
      extra = 2;
      cp = b & 0x0F;
    } else if ((b & 0xF8) == 0xF0) {
      extra = 3;
      cp = b & 0x07;
    } else {
      out.push_back(0xFFFD);
      ++i;
      continue;
    }
    if (i + static_cast<size_t>(extra) >= n) break;
    int broken = 0;
    for (int k = 1; k <= extra; ++k) {
      const unsigned char c = p[i + static_cast<size_t>(k)];
      if ((c & 0xC0) != 0x80) {
        broken = k;
        break;
      }
      cp = (cp << 6) | (c & 0x3F);
    }
    if (broken != 0) {
      out.push_back(0xFFFD);
      i += static_cast<size_t>(broken);  // resynchronise on the byte that broke the sequence
      continue;
    }
    i += static_cast<size_t>(extra) + 1;
    if (cp >= 0x10000 && cp <= 0x10FFFF) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else if (cp > 0x10FFFF) {
      out.push_back(0xFFFD);
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
  }
  return out;
}

}  // namespace

// ---- Iterator ----

CString XmlIterator::GetName() const { return m_pNode ? m_pNode->name : CString(); }

const CString* XmlIterator::GetAttribute(const CString& name) const {
  if (!m_pNode) return nullptr;
  for (const XmlAttribute* a = m_pNode->attr; a; a = a->next)
    if (a->name == name) return &a->value;
  return nullptr;
}

const CString* XmlIterator::GetAttribute(const wchar_t* name) const {
  if (!m_pNode) return nullptr;
  for (const XmlAttribute* a = m_pNode->attr; a; a = a->next)
    if (a->name == name) return &a->value;
  return nullptr;
}

CString XmlIterator::GetText() const { return m_pNode ? m_pNode->text : CString(); }

BOOL XmlIterator::HasChildren() const { return m_pNode && m_pNode->child ? TRUE : FALSE; }

XmlIterator XmlIterator::ChildBegin() const {
  if (!m_pNode) return XmlIterator();
  return XmlIterator(m_pNode->child, m_pNode);
}

XmlIterator& XmlIterator::operator++() {
  if (!m_pNode) return *this;
  m_pNode = m_pNode->next;
  if (!m_pParent || m_pNode == m_pParent->child) m_pNode = nullptr;
  return *this;
}

// ---- Loading ----

BOOL CXmlTree::Load(const CString& path, BOOL bUtf8) {
  Clear();
  m_pError = nullptr;
  std::string bytes;
  if (!ReadFile(path, bytes)) return FALSE;
  LoadBytes(bytes, bUtf8);
  return TRUE;
}

BOOL CXmlTree::ReadFile(const CString& path, std::string& bytes) {
  bytes.clear();
  return platform::ReadWholeFile(path, bytes) ? TRUE : FALSE;
}

XmlElement* CXmlTree::NewElement(const CString& name) {
  auto* element = new XmlElement;
  element->name = name;
  return element;
}

void CXmlTree::LoadBytes(const std::string& bytes, BOOL bUtf8) {
  Clear();
  m_pError = nullptr;
  const std::u16string text = DecodeText(bytes, bUtf8);
  Parse(text);
}

std::u16string CXmlTree::DecodeText(const std::string& bytes, BOOL bUtf8) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const size_t n = bytes.size();
  if (n >= 2 && p[0] == 0xFF && p[1] == 0xFE) {
    std::u16string out;
    out.reserve((n - 2) / 2);
    for (size_t i = 2; i + 1 < n; i += 2)  // an odd last byte is dropped
      out.push_back(static_cast<char16_t>(p[i] | (p[i + 1] << 8)));
    return out;
  }
  const bool mark = n >= 3 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF;
  if (mark || bUtf8) return mark ? DecodeUtf8(p + 3, n - 3) : DecodeUtf8(p, n);
  const std::string utf8 = platform::BytesToText(CP_ACP, bytes).ToUtf8();
  return DecodeUtf8(reinterpret_cast<const unsigned char*>(utf8.data()), utf8.size());
}

void CXmlTree::Parse(const std::u16string& text) {
  // The text ends at its first zero character; anything but white space after it is a fault.
  const size_t zero = text.find(u'\0');
  const std::u16string own = zero == npos ? std::u16string() : text.substr(0, zero);
  m_pText = zero == npos ? &text : &own;
  size_t pos = 0;
  while (pos < m_pText->size()) {
    pos = ParseElement(pos, &m_root, 0);
    if (pos == npos) break;
  }
  if (m_pError == nullptr && zero != npos) {
    for (size_t i = zero; i < text.size(); ++i) {
      if (!IsSpace(text[i])) {
        SetError(kErrZero);
        break;
      }
    }
  }
  m_pText = nullptr;
  m_names.clear();
}

CString CXmlTree::Slice(const std::u16string& text, size_t start, size_t length) {
  // The text parsed holds no zero character (Parse ends it at the first one).
  return CString::FromUtf16(std::u16string_view(text).substr(start, length));
}

CString CXmlTree::Name(size_t start, size_t length) {
  const std::u16string_view name = std::u16string_view(*m_pText).substr(start, length);
  for (const auto& known : m_names) {
    if (known.first == name) return known.second;
  }
  CString made = CString::FromUtf16(name);
  // A document with very many distinct names is not searched without end.
  if (m_names.size() < kMaxSharedNames) m_names.emplace_back(std::u16string(name), made);
  return made;
}

bool CXmlTree::NextToken(size_t pos, Token& token) const {
  const std::u16string& t = *m_pText;
  size_t p = pos;
  while (p < t.size() && IsSpace(t[p])) ++p;
  if (p >= t.size()) return false;
  if (t[p] == u'<') {
    const size_t close = t.find(u'>', p);
    if (close == npos) return false;
    token.start = p;
    token.length = close + 1 - p;
    return true;
  }
  const size_t open = t.find(u'<', p);
  if (open == npos) return false;
  token.start = pos;  // a text run keeps its leading white space
  token.length = open - pos;
  return true;
}

bool CXmlTree::ScanWord(size_t pos, size_t count, Word& word) const {
  const std::u16string& t = *m_pText;
  const size_t end = pos + count;
  size_t p = pos;
  while (p < end && IsSpace(t[p])) ++p;
  if (p >= end) return false;
  word.quoted = false;
  if (t[p] == u'"') {
    size_t q = p + 1;
    while (q < end && t[q] != u'"') ++q;
    if (q >= end) return false;  // the caller reports the missing quote
    word.start = p + 1;
    word.length = q - (p + 1);
    word.after = q + 1 - pos;
    word.quoted = true;
    return true;
  }
  if (IsDelimiter(t[p])) {
    word.start = p;
    word.length = 1;
    word.after = p + 1 - pos;
    return true;
  }
  size_t q = p;
  while (q < end && !IsSpace(t[q]) && !IsDelimiter(t[q])) ++q;
  word.start = p;
  word.length = q - p;
  word.after = q - pos;
  return true;
}

XmlElement* CXmlTree::ParseStartTag(size_t pos, size_t length, bool& bEmpty) {
  const std::u16string& t = *m_pText;
  bEmpty = false;
  Word w;
  if (!ScanWord(pos, length, w) || w.quoted || IsDelimiter(t[w.start])) {
    SetError(kErrNoName);
    return nullptr;
  }
  XmlElement* element = NewElement(Name(w.start, w.length));
  size_t p = pos + w.after;
  const size_t end = pos + length;
  auto fail = [&](const wchar_t* error) {
    SetError(error);
    XmlFreeElement(element);
    return nullptr;
  };
  while (p < end) {
    // A quote that is never closed is a fault of its own.
    size_t q = p;
    while (q < end && IsSpace(t[q])) ++q;
    if (q < end && t[q] == u'"') {
      size_t c = q + 1;
      while (c < end && t[c] != u'"') ++c;
      if (c >= end) return fail(kErrOpenQuote);
    }
    if (!ScanWord(p, end - p, w)) break;
    if (!w.quoted && w.length == 1 && t[w.start] == u'/') {
      bEmpty = true;
      break;
    }
    if (!w.quoted && t[w.start] == u'=') return fail(kErrAttribute);
    const CString name = Name(w.start, w.length);
    p += w.after;
    Word eq;
    if (!ScanWord(p, end - p, eq) || eq.quoted || t[eq.start] != u'=') return fail(kErrAttribute);
    p += eq.after;
    // The value: a quoted word, or a plain word (a bare delimiter is no value).
    q = p;
    while (q < end && IsSpace(t[q])) ++q;
    if (q < end && t[q] == u'"') {
      size_t c = q + 1;
      while (c < end && t[c] != u'"') ++c;
      if (c >= end) return fail(kErrOpenQuote);
    }
    Word value;
    if (!ScanWord(p, end - p, value) || (!value.quoted && IsDelimiter(t[value.start])))
      return fail(kErrAttribute);
    p += value.after;
    auto* attr = new XmlAttribute;
    attr->name = name;
    attr->value = Slice(t, value.start, value.length);
    attr->next = element->attr;
    element->attr = attr;
  }
  return element;
}

size_t CXmlTree::ParseElement(size_t pos, XmlElement* parent, int depth) {
  const std::u16string& t = *m_pText;
  Token tok;
  if (!NextToken(pos, tok)) {
    // Only white space may follow the last element: a cut tag or text without a tag is a fault.
    size_t p = pos;
    while (p < t.size() && IsSpace(t[p])) ++p;
    if (p < t.size()) SetError(t[p] == u'<' ? kErrEndsInTag : kErrNotATag);
    return npos;
  }
  if (t[tok.start] != u'<') {
    SetError(kErrNotATag);
    return npos;
  }
  const size_t afterTag = tok.start + tok.length;
  // Declarations, comments and other markup declarations are skipped.
  if (tok.length >= 2 && (t[tok.start + 1] == u'?' || t[tok.start + 1] == u'!')) return afterTag;
  if (depth >= kMaxDepth) {
    SetError(kErrTooDeep);
    return npos;
  }
  bool bEmpty = false;
  XmlElement* element = ParseStartTag(tok.start + 1, tok.length - 2, bEmpty);
  if (!element) return npos;
  XmlLinkChildAtEnd(parent, element);
  if (bEmpty) return afterTag;

  // The text ending before the element's end tag leaves the document incomplete.
  auto incomplete = [this]() {
    SetError(kErrEndsInElement);
    return npos;
  };
  if (!NextToken(afterTag, tok)) return incomplete();
  if (t[tok.start] != u'<') {
    element->text = Slice(t, tok.start, tok.length);
    if (!NextToken(tok.start + tok.length, tok)) return incomplete();
  }
  for (;;) {
    if (tok.length >= 2 && t[tok.start + 1] == u'/') {
      Word w;
      const size_t inner = tok.start + 2;
      const size_t innerLength = tok.length >= 3 ? tok.length - 3 : 0;
      const CString name = ScanWord(inner, innerLength, w) ? Slice(t, w.start, w.length) : CString();
      if (name != element->name) {
        SetError(kErrTagMismatch);
        return npos;
      }
      return tok.start + tok.length;
    }
    const size_t next = ParseElement(tok.start, element, depth + 1);
    if (next == npos) return npos;
    if (!NextToken(next, tok)) return incomplete();
  }
}

// ---- Tree operations ----

void XmlLinkChildAtEnd(XmlElement* parent, XmlElement* element) {
  XmlElement* first = parent->child;
  if (!first) {
    parent->child = element;
    element->next = element->prev = element;
    return;
  }
  XmlElement* last = first->prev;
  last->next = element;
  element->prev = last;
  element->next = first;
  first->prev = element;
}

void XmlFreeAttributes(XmlElement* element) {
  for (XmlAttribute* a = element->attr; a;) {
    XmlAttribute* following = a->next;
    delete a;
    a = following;
  }
  element->attr = nullptr;
}

void XmlFreeElement(XmlElement* element) {
  std::vector<XmlElement*> pending{element};
  while (!pending.empty()) {
    XmlElement* e = pending.back();
    pending.pop_back();
    if (XmlElement* first = e->child) {
      XmlElement* c = first;
      do {
        XmlElement* following = c->next;
        pending.push_back(c);
        c = following;
      } while (c && c != first);
    }
    XmlFreeAttributes(e);
    delete e;
  }
}

void XmlFreeChildren(XmlElement* parent) {
  XmlElement* first = parent->child;
  parent->child = nullptr;
  if (!first) return;
  // The ring is cut into separate elements first: freeing one must not walk on to its siblings.
  std::vector<XmlElement*> children;
  XmlElement* c = first;
  do {
    children.push_back(c);
    c = c->next;
  } while (c && c != first);
  for (XmlElement* e : children) XmlFreeElement(e);
}

XmlIterator CXmlTree::Erase(XmlIterator it) {
  XmlElement* node = it.Node();
  XmlElement* parent = it.Parent();
  if (!node || !parent) return XmlIterator(nullptr, parent);
  XmlElement* following = nullptr;
  if (node->next == node) {
    parent->child = nullptr;
  } else {
    const bool wasLast = node != parent->child && node->next == parent->child;
    node->prev->next = node->next;
    node->next->prev = node->prev;
    if (parent->child == node) parent->child = node->next;
    if (!wasLast) following = node->next;
  }
  node->next = node->prev = nullptr;
  XmlFreeElement(node);
  return XmlIterator(following, parent);
}

void CXmlTree::Clear() {
  while (m_root.child) Erase(m_root.begin());
}

XmlIterator CXmlTree::Insert(XmlIterator it, const CString& name) {
  XmlElement* parent = it.Parent();
  if (!parent) return XmlIterator();
  XmlElement* element = NewElement(name);
  XmlElement* node = it.Node();
  if (!node) {
    XmlLinkChildAtEnd(parent, element);
  } else {
    element->prev = node;
    element->next = node->next;
    node->next->prev = element;
    node->next = element;
  }
  return XmlIterator(element, parent);
}

XmlIterator CXmlTree::AppendChild(XmlIterator it, const CString& name) {
  XmlElement* node = it.Node();
  if (!node) return XmlIterator();
  XmlElement* element = NewElement(name);
  XmlLinkChildAtEnd(node, element);
  return XmlIterator(element, node);
}

// ---- Copies ----

namespace {

// A copy of one element with its attributes (in list order) and its whole subtree, unlinked.
// Without recursion: a work list pairs each source with the copy that receives its children.
XmlElement* CopySubtree(const XmlElement* source) {
  auto copyNode = [](const XmlElement* from) {
    XmlElement* to = CXmlTree::NewElement(from->name);
    to->text = from->text;
    XmlAttribute** tail = &to->attr;
    for (const XmlAttribute* a = from->attr; a != nullptr; a = a->next) {
      *tail = new XmlAttribute{a->name, a->value, nullptr};
      tail = &(*tail)->next;
    }
    return to;
  };
  XmlElement* top = copyNode(source);
  std::vector<std::pair<const XmlElement*, XmlElement*>> work{{source, top}};
  while (!work.empty()) {
    const auto [from, to] = work.back();
    work.pop_back();
    const XmlElement* first = from->child;
    if (first == nullptr) continue;
    const XmlElement* c = first;
    do {
      XmlElement* copy = copyNode(c);
      XmlLinkChildAtEnd(to, copy);
      work.emplace_back(c, copy);
      c = c->next;
    } while (c != nullptr && c != first);
  }
  return top;
}

void LinkAfter(XmlElement* node, XmlElement* element) {
  element->prev = node;
  element->next = node->next;
  node->next->prev = element;
  node->next = element;
}

}  // namespace

CXmlTree::CXmlTree(const CXmlTree& other) { CopyElements(&m_root, other.m_root.child, TRUE); }

void CXmlTree::CopyElements(XmlElement* parent, const XmlElement* source, BOOL bRing) {
  if (parent == nullptr || source == nullptr) return;
  const XmlElement* c = source;
  do {
    XmlLinkChildAtEnd(parent, CopySubtree(c));
    c = c->next;
  } while (bRing && c != nullptr && c != source);
}

XmlIterator CXmlTree::InsertCopy(XmlIterator it, const XmlElement* source) {
  XmlElement* parent = it.Parent();
  if (parent == nullptr || source == nullptr) return XmlIterator();
  XmlElement* element = CopySubtree(source);
  if (it.Node() == nullptr) {
    XmlLinkChildAtEnd(parent, element);
  } else {
    LinkAfter(it.Node(), element);
  }
  return XmlIterator(element, parent);
}

XmlIterator CXmlTree::AppendChildCopy(XmlIterator it, const XmlElement* source) {
  XmlElement* node = it.Node();
  if (node == nullptr || source == nullptr) return XmlIterator();
  XmlElement* element = CopySubtree(source);
  XmlLinkChildAtEnd(node, element);
  return XmlIterator(element, node);
}

// ---- Saving ----

CString CXmlTree::SaveText() const {
  std::wstring out;
  // Each entry: the element, its depth, and whether its end tag is due (its children are written).
  struct Step {
    const XmlElement* element;
    int depth;
    bool closing;
  };
  std::vector<Step> work;
  auto pushRing = [&work](const XmlElement* first, int depth) {
    if (first == nullptr) return;
    std::vector<const XmlElement*> ring;
    const XmlElement* c = first;
    do {
      ring.push_back(c);
      c = c->next;
    } while (c != nullptr && c != first);
    for (auto e = ring.rbegin(); e != ring.rend(); ++e) work.push_back({*e, depth, false});
  };
  pushRing(m_root.child, 0);
  while (!work.empty()) {
    const Step step = work.back();
    work.pop_back();
    const XmlElement* e = step.element;
    if (step.closing) {
      out.append(static_cast<size_t>(step.depth), L'\t');
      out += L"</" + e->name.ToWString() + L">\r\n";
      continue;
    }
    out.append(static_cast<size_t>(step.depth), L'\t');
    out += L"<" + e->name.ToWString();
    for (const XmlAttribute* a = e->attr; a != nullptr; a = a->next)
      out += L" " + a->name.ToWString() + L"=\"" + a->value.ToWString() + L"\"";
    out += L">" + e->text.ToWString();
    if (e->child == nullptr) {
      out += L"</" + e->name.ToWString() + L">\r\n";
      continue;
    }
    if (e->text.IsEmpty()) out += L"\r\n";
    work.push_back({e, step.depth, true});
    pushRing(e->child, step.depth + 1);
  }
  return CString(out.c_str());
}

BOOL CXmlTree::Save(const CString& path) const {
  std::string bytes = "\xFF\xFE";
  bytes += platform::TextToBytes(CP_UTF16LE, SaveText());
  return platform::WriteWholeFile(path, bytes) ? TRUE : FALSE;
}
