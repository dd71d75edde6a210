// Building the element tree from a JSON value, and walking it.
#include "gui/dlg/jsontree.h"

#include <json/reader.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <new>
#include <sstream>
#include <vector>

#include "platform/files.h"

namespace {

// Ends a build early; every node made before stays in the tree.
struct StopBuild {};

// Every double quote and line feed removed.
std::string WithoutQuotesAndLineFeeds(std::string text) {
  CJsonTree::ReplaceAll(text, "\"", "");
  return CJsonTree::ReplaceAll(text, "\n", "");
}

// A real number as the shortest decimal text that reads back as the same value.
std::string RealText(double value) {
  if (!std::isfinite(value)) return value != value ? "NaN" : (value < 0 ? "-Infinity" : "Infinity");
  char buffer[40];
  for (int precision = 15; precision <= 17; ++precision) {
    std::snprintf(buffer, sizeof buffer, "%.*g", precision, value);
    if (std::strtod(buffer, nullptr) == value) break;
  }
  return buffer;
}

}  // namespace

CString JsonMemberKey(const std::string& name) {
  std::string printed;
  printed.reserve(name.size());
  for (unsigned char c : name) {
    switch (c) {
      case '"': printed += "\\\""; break;
      case '\\': printed += "\\\\"; break;
      case '\b': printed += "\\b"; break;
      case '\f': printed += "\\f"; break;
      case '\n': printed += "\\n"; break;
      case '\r': printed += "\\r"; break;
      case '\t': printed += "\\t"; break;
      default:
        if (c < 0x20) {
          char buffer[8];
          std::snprintf(buffer, sizeof buffer, "\\u%04X", static_cast<unsigned>(c));
          printed += buffer;
        } else {
          printed.push_back(static_cast<char>(c));
        }
        break;
    }
  }
  return CString::FromUtf8(WithoutQuotesAndLineFeeds(printed));
}

// ---- iterator ------------------------------------------------------------------------------

JsonIterator& JsonIterator::operator++() {
  if (m_pNode != nullptr) {
    m_pNode = m_pNode->next;
    if (m_pParent == nullptr || m_pNode == m_pParent->child) m_pNode = nullptr;
  }
  return *this;
}

JsonIterator JsonIterator::ChildBegin() const {
  if (m_pNode == nullptr) return JsonIterator();
  return JsonIterator(m_pNode->child, m_pNode);
}

BOOL JsonIterator::HasChildren() const { return m_pNode != nullptr && m_pNode->child != nullptr; }

CString JsonIterator::GetName() const { return m_pNode != nullptr ? m_pNode->name : CString(); }

CString JsonIterator::GetParentName() const { return m_pParent != nullptr ? m_pParent->name : CString(); }

CString JsonIterator::GetAttribute(const CString& name) const {
  if (m_pNode == nullptr) return CString();
  for (const XmlAttribute* a = m_pNode->attr; a != nullptr; a = a->next) {
    if (a->name == name) return a->value;
  }
  return CString();
}

CString JsonIterator::GetText() const { return m_pNode != nullptr ? m_pNode->text : CString(); }

CList<CString>* JsonIterator::MakeAttributeList() const {
  auto* list = new CList<CString>(10);
  if (m_pNode == nullptr) return list;
  for (const XmlAttribute* a = m_pNode->attr; a != nullptr; a = a->next) list->AddTail(a->name);
  return list;
}

// ---- tree ----------------------------------------------------------------------------------

void CJsonTree::Clear() {
  XmlFreeChildren(&m_root);
  XmlFreeAttributes(&m_root);
  m_lastAttribute.clear();
}

XmlElement* CJsonTree::NewElement(const std::string& key) {
  auto* element = new XmlElement;
  element->name = CString::FromUtf8(WithoutQuotesAndLineFeeds(key));
  return element;
}

XmlAttribute* CJsonTree::NewAttribute() { return new XmlAttribute; }

std::string CJsonTree::ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
  if (from.empty()) return text;
  size_t pos = 0;
  while ((pos = text.find(from, pos)) != std::string::npos) {
    text.replace(pos, from.size(), to);
    pos += to.size();
  }
  return text;
}

CString CJsonTree::ScalarText(const Json::Value& value) const {
  switch (value.type()) {
    case Json::nullValue:
      return CString();
    case Json::booleanValue:
      return CString(value.asBool() ? L"true" : L"false");
    case Json::stringValue: {
      const char* begin = nullptr;
      const char* end = nullptr;
      if (value.getString(&begin, &end) && begin != nullptr) return CString::FromUtf8(std::string_view(begin, end - begin));
      return CString();
    }
    case Json::intValue:
    case Json::uintValue:
    case Json::realValue: {
      // The number as the document writes it, when the document is at hand.
      if (m_pDocument != nullptr) {
        ptrdiff_t start = value.getOffsetStart();
        ptrdiff_t limit = value.getOffsetLimit();
        if (start >= 0 && limit > start && static_cast<size_t>(limit) <= m_pDocument->size()) {
          return CString::FromUtf8(std::string_view(m_pDocument->data() + start, static_cast<size_t>(limit - start)));
        }
      }
      if (value.type() == Json::intValue) return CString::FromUtf8(std::to_string(value.asLargestInt()));
      if (value.type() == Json::uintValue) return CString::FromUtf8(std::to_string(value.asLargestUInt()));
      return CString::FromUtf8(RealText(value.asDouble()));
    }
    default:
      return CString();
  }
}

void CJsonTree::AddAttribute(XmlElement* element, const std::string& key, const Json::Value& value) {
  XmlAttribute* attribute = NewAttribute();
  std::unique_ptr<XmlAttribute> guard(attribute);
  attribute->name = JsonMemberKey(key);
  attribute->value = ScalarText(value);
  XmlAttribute*& last = m_lastAttribute[element];
  if (last == nullptr) {
    // The list may already hold attributes (a second object of the same array): find its end.
    last = element->attr;
    while (last != nullptr && last->next != nullptr) last = last->next;
  }
  guard.release();
  if (last == nullptr) element->attr = attribute;
  else last->next = attribute;
  last = attribute;
}

void CJsonTree::AddValue(const std::string& key, const Json::Value& value, XmlElement* current, int depth) {
  if (depth > kMaxDepth) throw StopBuild();
  if (value.isArray()) {
    XmlElement* element = NewElement(key);
    XmlLinkChildAtEnd(current, element);
    for (Json::ArrayIndex i = 0; i < value.size(); ++i) {
      const Json::Value& entry = value[i];
      if (entry.isArray() || entry.isObject()) AddValue(std::to_string(i) + "\n", entry, element, depth + 1);
    }
    return;
  }
  if (!value.isObject()) return;  // a scalar on its own adds nothing
  // Members in the order the parser keeps them: by name, byte by byte.
  for (auto it = value.begin(); it != value.end(); ++it) {
    const Json::Value& member = *it;
    std::string name = it.name();
    if (member.isArray() || member.isObject()) {
      AddValue(JsonMemberKey(name).ToUtf8(), member, current, depth + 1);
    } else {
      AddAttribute(current, name, member);
    }
  }
}

void CJsonTree::Build(Json::Value value) {
  Clear();
  if (value.isNull()) return;
  try {
    AddValue(std::string(), value, &m_root, 0);
  } catch (const StopBuild&) {
  } catch (const std::exception&) {
  }
  m_lastAttribute.clear();
}

BOOL CJsonTree::Parse(const std::string& utf8, CString* pError) {
  Clear();
  size_t begin = 0;
  size_t end = utf8.size();
  if (end >= 3 && static_cast<unsigned char>(utf8[0]) == 0xEF && static_cast<unsigned char>(utf8[1]) == 0xBB &&
      static_cast<unsigned char>(utf8[2]) == 0xBF) {
    begin = 3;
  }
  while (end > begin && (utf8[end - 1] == '\0' || utf8[end - 1] == ' ' || utf8[end - 1] == '\t' ||
                         utf8[end - 1] == '\r' || utf8[end - 1] == '\n')) {
    --end;
  }
  std::string document = utf8.substr(begin, end - begin);
  Json::CharReaderBuilder builder;
  // The reader takes the first JSON value; text after it is not read.
  builder["failIfExtra"] = false;
  builder["stackLimit"] = kMaxDepth;
  Json::Value value;
  std::string errors;
  bool ok = false;
  try {
    std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    ok = reader->parse(document.data(), document.data() + document.size(), &value, &errors);
  } catch (const std::exception& e) {
    ok = false;
    errors = e.what();
  }
  if (!ok) {
    if (pError != nullptr) *pError = CString::FromUtf8(errors.empty() ? std::string("not JSON text") : errors);
    return FALSE;
  }
  m_pDocument = &document;
  Build(std::move(value));
  m_pDocument = nullptr;
  if (pError != nullptr) pError->Empty();
  return TRUE;
}

BOOL CJsonTree::LoadFile(const CString& path, CString* pError) {
  Clear();
  long long size = platform::FileSize(path);
  if (size > kMaxFileBytes) {
    if (pError != nullptr) pError->Format(L"the file is larger than %d MB", static_cast<int>(kMaxFileBytes / (1024 * 1024)));
    return FALSE;
  }
  std::string bytes;
  bool read = false;
  try {
    read = platform::ReadWholeFile(path, bytes);
  } catch (const std::bad_alloc&) {
    read = false;
  }
  if (!read) {
    if (pError != nullptr) *pError = CString(L"the file cannot be read");
    return FALSE;
  }
  return Parse(bytes, pError);
}
