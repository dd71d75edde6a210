// CXmlTree: the program's small XML reader. It loads a whole file (UTF-16LE with its byte-order
// mark, UTF-8 with or without one, or the program's ANSI code page), parses it into a tree of
// elements with attributes and text, and lets callers walk the tree with an XmlIterator. It knows
// no entities, namespaces, validation or mixed content. Malformed text stops the parse where the
// fault is: what was read before stays in the tree and the fault is kept as a text (GetError). A
// document that ends inside a tag or before an element is closed, or that goes on after a zero
// character, is malformed too: a tree without an error was read whole.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/cstring.h"
#include "platform/wintypes.h"

struct XmlAttribute;
struct XmlElement;

// A position on one sibling level: the current element (null at the end) and the element whose
// children are walked.
class XmlIterator {
 public:
  XmlIterator() = default;
  XmlIterator(XmlElement* node, XmlElement* parent) : m_pNode(node), m_pParent(parent) {}

  CString GetName() const;
  // The value of the first attribute of that exact name in the element's list (the last one given
  // in the document), or null when there is none or the iterator is at the end.
  const CString* GetAttribute(const CString& name) const;
  const CString* GetAttribute(const wchar_t* name) const;
  CString GetText() const;
  BOOL HasChildren() const;
  // Iterator on the current element's first child.
  XmlIterator ChildBegin() const;

  // The next sibling; the end (null node) after the last one.
  XmlIterator& operator++();
  XmlIterator operator++(int) {
    XmlIterator before = *this;
    ++*this;
    return before;
  }

  XmlElement* Node() const { return m_pNode; }
  XmlElement* Parent() const { return m_pParent; }
  friend bool operator==(const XmlIterator& it, const XmlElement* node) { return it.m_pNode == node; }
  friend bool operator!=(const XmlIterator& it, const XmlElement* node) { return it.m_pNode != node; }

 private:
  XmlElement* m_pNode = nullptr;
  XmlElement* m_pParent = nullptr;
};

// One attribute. The attributes of an element form a singly linked list in the reverse of their
// document order.
struct XmlAttribute {
  CString name;
  CString value;
  XmlAttribute* next = nullptr;
};

// One element. Siblings form a circular doubly linked ring entered through the parent's child
// pointer: the last element's next is the first one, the first element's prev the last one.
struct XmlElement {
  CString name;
  CString text;
  XmlElement* next = nullptr;
  XmlElement* prev = nullptr;
  XmlElement* child = nullptr;
  XmlAttribute* attr = nullptr;

  // Iterator on the first child, with this element as parent.
  XmlIterator begin() { return XmlIterator(child, this); }
};

// Node operations of the element trees (this reader's and the JSON definition's).
// Links element at the end of parent's ring of children.
void XmlLinkChildAtEnd(XmlElement* parent, XmlElement* element);
// Frees an element that is in no ring (or whose ring is being freed), with its attributes and its
// whole subtree. Without recursion, so that no nesting depth can exhaust the stack.
void XmlFreeElement(XmlElement* element);
// Frees every child of parent with its subtree; parent is left without children.
void XmlFreeChildren(XmlElement* parent);
// Frees the attributes of element; element is left without attributes.
void XmlFreeAttributes(XmlElement* element);

class CXmlTree {
 public:
  // Deeper nesting than this stops the parse (it would only exhaust the stack).
  static constexpr int kMaxDepth = 200;

  CXmlTree() = default;
  ~CXmlTree() { Clear(); }
  // A deep copy of every element, attribute and text.
  CXmlTree(const CXmlTree& other);
  CXmlTree& operator=(const CXmlTree&) = delete;

  // Reads and parses a whole file. FALSE only when the file cannot be read; a parse fault still
  // gives TRUE (see GetError). Bytes starting with FF FE are UTF-16LE; otherwise, with an EF BB BF
  // mark or bUtf8, UTF-8; otherwise the ANSI code page (949). Any previous content is dropped.
  BOOL Load(const CString& path, BOOL bUtf8);
  // Parses bytes as Load does with a file's content.
  void LoadBytes(const std::string& bytes, BOOL bUtf8);
  // Parses text (stops at a zero character).
  void Parse(const std::u16string& text);

  // The root element holds the top-level elements as its children.
  XmlElement& Root() { return m_root; }
  XmlIterator begin() { return m_root.begin(); }

  // Unlinks the iterator's element and frees it with its subtree. Returns an iterator on the
  // following sibling, or the end when it was the last one.
  XmlIterator Erase(XmlIterator it);
  // Erases every top-level element.
  void Clear();

  // A new element named name linked after the iterator's element (as the only child of the
  // iterator's parent when the iterator is at the end and the parent has none; at the end of the
  // ring otherwise). Returns an iterator on it; an iterator without parent gives the end.
  XmlIterator Insert(XmlIterator it, const CString& name);
  // A new element named name appended to the children of the iterator's element.
  XmlIterator AppendChild(XmlIterator it, const CString& name);

  // Copies of other elements: CopyElements appends to parent a copy of source with its subtree, or
  // with bRing a copy of source's whole sibling ring (source first); attributes keep their list
  // order. InsertCopy and AppendChildCopy link a copy of source's subtree as Insert and AppendChild
  // link a new element. A null source copies nothing (end iterator).
  static void CopyElements(XmlElement* parent, const XmlElement* source, BOOL bRing);
  XmlIterator InsertCopy(XmlIterator it, const XmlElement* source);
  XmlIterator AppendChildCopy(XmlIterator it, const XmlElement* source);

  // Writes the tree as UTF-16LE text with its byte-order mark, one element per line, start tags
  // indented by a tab per depth, the text right after the start tag. The file is replaced whole
  // or not at all; FALSE when it cannot be written.
  BOOL Save(const CString& path) const;
  // The text Save writes (without the byte-order mark).
  CString SaveText() const;

  // The text of the fault that stopped the last parse, or null.
  const wchar_t* GetError() const { return m_pError; }

  // Turns file bytes into text as Load does.
  static std::u16string DecodeText(const std::string& bytes, BOOL bUtf8);
  // Reads a whole file's bytes (binary). FALSE when it cannot be opened or read. The process's
  // character-type locale is left as it is.
  static BOOL ReadFile(const CString& path, std::string& bytes);
  // A new unlinked element named name, with empty text and null links; the caller owns it until it
  // is linked into a tree.
  static XmlElement* NewElement(const CString& name);

 private:
  // How many distinct names a parse shares at most.
  static constexpr size_t kMaxSharedNames = 32;

  struct Token {
    size_t start = 0;
    size_t length = 0;
  };
  struct Word {
    size_t start = 0;
    size_t length = 0;
    size_t after = 0;  // distance from the scan position to just after the word
    bool quoted = false;
  };

  bool NextToken(size_t pos, Token& token) const;
  bool ScanWord(size_t pos, size_t count, Word& word) const;
  // Returns the position after the element, or npos when the parse stops.
  size_t ParseElement(size_t pos, XmlElement* parent, int depth);
  XmlElement* ParseStartTag(size_t pos, size_t length, bool& bEmpty);
  void SetError(const wchar_t* text) { m_pError = text; }

  static CString Slice(const std::u16string& text, size_t start, size_t length);
  // An element or attribute name: the names of a document repeat, so each distinct one is made
  // once a parse and shared.
  CString Name(size_t start, size_t length);

  XmlElement m_root;
  const wchar_t* m_pError = nullptr;
  // The text being parsed (only during Parse).
  const std::u16string* m_pText = nullptr;
  // The names made during the parse (only during Parse).
  std::vector<std::pair<std::u16string, CString>> m_names;
};
