// CJsonTree: turns a JSON document (parsed by jsoncpp) into the element and attribute nodes of the
// XML document class, so that a JSON definition is walked by element and attribute names as an XML
// definition is. An element stands for each array, named by the member that holds it (or by its
// index inside an array); the string, number, boolean and null members of the objects inside an
// array become the attributes of the array's element, and the arrays inside those objects its
// children. The tree is read-only once built.
#pragma once

#include <json/value.h>

#include <string>
#include <unordered_map>

#include "gui/dlg/xmltree.h"
#include "platform/collections.h"
#include "platform/cstring.h"
#include "platform/wintypes.h"

// A position on one level of a JSON tree: the current element (null at the end) and the element
// whose children are walked. Reads give copies; a missing attribute reads as an empty text.
class JsonIterator {
 public:
  JsonIterator() = default;
  JsonIterator(XmlElement* node, XmlElement* parent) : m_pNode(node), m_pParent(parent) {}

  // The next sibling; the end (null element) after the last one, although the ring is circular.
  JsonIterator& operator++();
  bool operator!=(const XmlElement* node) const { return m_pNode != node; }
  bool operator==(const XmlElement* node) const { return m_pNode == node; }

  // Iterator on the current element's first child (at the end at once when it has none).
  JsonIterator ChildBegin() const;
  BOOL HasChildren() const;
  CString GetName() const;
  CString GetParentName() const;
  // The value of the first attribute of exactly that name (case-sensitive); empty when there is
  // none, so an absent attribute and an empty one read alike.
  CString GetAttribute(const CString& name) const;
  // Always empty in a JSON tree.
  CString GetText() const;
  // The names of the current element's attributes in order, in a new list the caller deletes.
  CList<CString>* MakeAttributeList() const;

  XmlElement* Node() const { return m_pNode; }
  XmlElement* Parent() const { return m_pParent; }

 private:
  XmlElement* m_pNode = nullptr;
  XmlElement* m_pParent = nullptr;
};

class CJsonTree {
 public:
  // Deeper nesting stops the build (and the parse refuses it), so no document exhausts the stack.
  static constexpr int kMaxDepth = 512;
  // A larger file is refused before it is read.
  static constexpr long long kMaxFileBytes = 64LL * 1024 * 1024;

  CJsonTree() = default;
  ~CJsonTree() { Clear(); }
  CJsonTree(const CJsonTree&) = delete;
  CJsonTree& operator=(const CJsonTree&) = delete;

  // Builds the tree from a parsed value, replacing what the tree held. A null value gives an empty
  // tree. Scalar entries of arrays and a scalar top level add nothing. Never fails: should memory
  // run out or the nesting exceed kMaxDepth, the build stops and keeps what it made.
  void Build(Json::Value value);
  // Parses UTF-8 JSON text (a leading byte-order mark and trailing zeros or blanks are ignored) and
  // builds the tree from it; number attributes keep their text as written. FALSE, with the reason
  // in pError and an empty tree, when the text is not JSON.
  BOOL Parse(const std::string& utf8, CString* pError = nullptr);
  // Reads a whole file and parses it. FALSE, with the reason in pError and an empty tree, when the
  // file cannot be read, is larger than kMaxFileBytes or is not JSON.
  BOOL LoadFile(const CString& path, CString* pError = nullptr);

  // Iterator on the first top-level element, with the root as parent.
  JsonIterator begin() { return JsonIterator(m_root.child, &m_root); }
  // The root: its children are the top-level elements, its attributes the scalar members of a
  // top-level object.
  XmlElement& Root() { return m_root; }
  // Frees every node below the root.
  void Clear();

  // Steps of the build. NewElement: a new unlinked element named by the key without its double
  // quotes and line feeds (UTF-8 to wide), empty text, null links; the caller owns it.
  static XmlElement* NewElement(const std::string& key);
  // NewAttribute: a new attribute with empty name and value and no next; the caller owns it.
  static XmlAttribute* NewAttribute();
  // ReplaceAll: every occurrence of from in text replaced by to, in place, the scan going on after
  // each inserted replacement (so to may contain from); returns a copy of the result. An empty
  // from changes nothing.
  static std::string ReplaceAll(std::string& text, const std::string& from, const std::string& to);

 private:
  void AddValue(const std::string& key, const Json::Value& value, XmlElement* current, int depth);
  void AddAttribute(XmlElement* element, const std::string& key, const Json::Value& value);
  CString ScalarText(const Json::Value& value) const;

  XmlElement m_root;
  // During a build: the last attribute of each element, and the parsed text (for number texts).
  std::unordered_map<XmlElement*, XmlAttribute*> m_lastAttribute;
  const std::string* m_pDocument = nullptr;
};

// The key under which a member's name appears in the tree: the name as a JSON string literal
// writes it (backslash, double quote and control characters escaped), with every double quote and
// line feed removed. Plain names come out unchanged.
CString JsonMemberKey(const std::string& name);
