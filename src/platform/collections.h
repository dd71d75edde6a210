// The MFC collection classes the program uses (arrays, linked lists with positions, maps), thin
// over the standard library. A bad index or a null position never reads or writes out of bounds:
// it writes a TRACE message and gives a safe result (a default element, or nothing done).
#pragma once

#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/cstring.h"
#include "platform/trace.h"
#include "platform/wintypes.h"

// An opaque place in a list or map; nullptr is "no more elements".
struct PlatformPositionTag;
typedef PlatformPositionTag* POSITION;

namespace platform {
namespace detail {
// A default element handed out instead of one that does not exist (per thread, reset each time).
template <typename T>
T& MissingElement() {
  thread_local T element{};
  element = T{};
  return element;
}
}  // namespace detail
}  // namespace platform

template <typename TYPE, typename ARG_TYPE = const TYPE&>
class CArray {
 public:
  CArray() = default;

  INT_PTR GetSize() const { return static_cast<INT_PTR>(m_items.size()); }
  INT_PTR GetCount() const { return GetSize(); }
  BOOL IsEmpty() const { return m_items.empty(); }
  INT_PTR GetUpperBound() const { return GetSize() - 1; }

  // The growBy hint is accepted and ignored.
  void SetSize(INT_PTR newSize, INT_PTR growBy = -1) {
    (void)growBy;
    if (newSize < 0) {
      TRACE(L"CArray::SetSize: negative size %d ignored", newSize);
      return;
    }
    m_items.resize(static_cast<size_t>(newSize));
  }
  void FreeExtra() { m_items.shrink_to_fit(); }
  void RemoveAll() { m_items.clear(); }

  const TYPE& GetAt(INT_PTR index) const { return Checked(index, L"GetAt"); }
  TYPE& GetAt(INT_PTR index) { return Checked(index, L"GetAt"); }
  TYPE& ElementAt(INT_PTR index) { return Checked(index, L"ElementAt"); }
  const TYPE& ElementAt(INT_PTR index) const { return Checked(index, L"ElementAt"); }
  TYPE& operator[](INT_PTR index) { return Checked(index, L"operator[]"); }
  const TYPE& operator[](INT_PTR index) const { return Checked(index, L"operator[]"); }

  void SetAt(INT_PTR index, ARG_TYPE element) {
    if (!InRange(index)) {
      Report(index, L"SetAt");
      return;
    }
    m_items[static_cast<size_t>(index)] = element;
  }
  // Sets the element, growing the array first when the index is past the end.
  void SetAtGrow(INT_PTR index, ARG_TYPE element) {
    if (index < 0) {
      Report(index, L"SetAtGrow");
      return;
    }
    TYPE copy(element);
    if (index >= GetSize()) m_items.resize(static_cast<size_t>(index) + 1);
    m_items[static_cast<size_t>(index)] = std::move(copy);
  }

  const TYPE* GetData() const { return m_items.data(); }
  TYPE* GetData() { return m_items.data(); }

  // Returns the index of the new element.
  INT_PTR Add(ARG_TYPE element) {
    m_items.push_back(TYPE(element));
    return GetSize() - 1;
  }
  // Returns the index of the first appended element.
  INT_PTR Append(const CArray& source) {
    const INT_PTR first = GetSize();
    std::vector<TYPE> copy(source.m_items);
    m_items.insert(m_items.end(), copy.begin(), copy.end());
    return first;
  }
  void Copy(const CArray& source) {
    if (&source != this) m_items = source.m_items;
  }

  // Inserts count copies at index; an index past the end first grows the array to it.
  void InsertAt(INT_PTR index, ARG_TYPE element, INT_PTR count = 1) {
    if (index < 0 || count < 0) {
      TRACE(L"CArray::InsertAt: bad index %d or count %d ignored", index, count);
      return;
    }
    TYPE copy(element);
    if (index > GetSize()) m_items.resize(static_cast<size_t>(index));
    m_items.insert(m_items.begin() + index, static_cast<size_t>(count), copy);
  }
  void InsertAt(INT_PTR startIndex, const CArray* source) {
    if (!source || startIndex < 0) {
      TRACE(L"CArray::InsertAt: bad index %d or no array ignored", startIndex);
      return;
    }
    std::vector<TYPE> copy(source->m_items);
    if (startIndex > GetSize()) m_items.resize(static_cast<size_t>(startIndex));
    m_items.insert(m_items.begin() + startIndex, copy.begin(), copy.end());
  }

  // Removes count elements from index; a range reaching past the end removes nothing.
  void RemoveAt(INT_PTR index, INT_PTR count = 1) {
    if (index < 0 || count < 0 || index > GetSize() || count > GetSize() - index) {
      TRACE(L"CArray::RemoveAt: range %d+%d outside size %d ignored", index, count, GetSize());
      return;
    }
    m_items.erase(m_items.begin() + index, m_items.begin() + index + count);
  }

  // Range-based for.
  typename std::vector<TYPE>::iterator begin() { return m_items.begin(); }
  typename std::vector<TYPE>::iterator end() { return m_items.end(); }
  typename std::vector<TYPE>::const_iterator begin() const { return m_items.begin(); }
  typename std::vector<TYPE>::const_iterator end() const { return m_items.end(); }

 private:
  bool InRange(INT_PTR index) const { return index >= 0 && index < GetSize(); }
  void Report(INT_PTR index, const wchar_t* what) const {
    TRACE(L"CArray::%s: index %d out of range (size %d)", what, index, GetSize());
  }
  TYPE& Checked(INT_PTR index, const wchar_t* what) {
    if (!InRange(index)) {
      Report(index, what);
      return platform::detail::MissingElement<TYPE>();
    }
    return m_items[static_cast<size_t>(index)];
  }
  const TYPE& Checked(INT_PTR index, const wchar_t* what) const {
    if (!InRange(index)) {
      Report(index, what);
      return platform::detail::MissingElement<TYPE>();
    }
    return m_items[static_cast<size_t>(index)];
  }

  std::vector<TYPE> m_items;
};

class CStringArray : public CArray<CString, const CString&> {};
class CDWordArray : public CArray<DWORD, DWORD> {};
class CWordArray : public CArray<WORD, WORD> {};
class CByteArray : public CArray<BYTE, BYTE> {};
class CUIntArray : public CArray<UINT, UINT> {};
class CPtrArray : public CArray<void*, void*> {};

// A doubly linked list. A POSITION stays valid while other elements are added or removed; it
// becomes invalid when its own element is removed.
template <typename TYPE, typename ARG_TYPE = const TYPE&>
class CList {
 public:
  CList() = default;
  explicit CList(INT_PTR blockSize) { (void)blockSize; }
  CList(const CList& other) { AppendAll(other); }
  CList& operator=(const CList& other) {
    if (&other != this) {
      CList copy(other);
      Swap(copy);
    }
    return *this;
  }
  CList(CList&& other) noexcept { Swap(other); }
  CList& operator=(CList&& other) noexcept {
    Swap(other);
    return *this;
  }
  ~CList() { RemoveAll(); }

  INT_PTR GetCount() const { return m_count; }
  INT_PTR GetSize() const { return m_count; }
  BOOL IsEmpty() const { return m_count == 0; }

  TYPE& GetHead() { return Value(m_head, L"GetHead"); }
  const TYPE& GetHead() const { return Value(m_head, L"GetHead"); }
  TYPE& GetTail() { return Value(m_tail, L"GetTail"); }
  const TYPE& GetTail() const { return Value(m_tail, L"GetTail"); }

  // Removing from an empty list gives a default element.
  TYPE RemoveHead() {
    if (!m_head) {
      Report(L"RemoveHead");
      return TYPE{};
    }
    TYPE value(std::move(m_head->data));
    Unlink(m_head);
    return value;
  }
  TYPE RemoveTail() {
    if (!m_tail) {
      Report(L"RemoveTail");
      return TYPE{};
    }
    TYPE value(std::move(m_tail->data));
    Unlink(m_tail);
    return value;
  }

  POSITION AddHead(ARG_TYPE element) { return ToPos(LinkBefore(m_head, element)); }
  POSITION AddTail(ARG_TYPE element) { return ToPos(LinkAfter(m_tail, element)); }
  void AddHead(const CList* other) {
    if (!other) return;
    CList copy(*other);
    for (Node* n = copy.m_tail; n; n = n->prev) AddHead(n->data);
  }
  void AddTail(const CList* other) {
    if (!other) return;
    CList copy(*other);
    AppendAll(copy);
  }

  void RemoveAll() {
    Node* n = m_head;
    while (n) {
      Node* next = n->next;
      delete n;
      n = next;
    }
    m_head = m_tail = nullptr;
    m_count = 0;
  }

  POSITION GetHeadPosition() const { return ToPos(m_head); }
  POSITION GetTailPosition() const { return ToPos(m_tail); }

  // The element at pos; pos moves to the next (previous) one, nullptr after the last (first).
  TYPE& GetNext(POSITION& pos) {
    Node* n = FromPos(pos);
    if (!n) return Missing(L"GetNext");
    pos = ToPos(n->next);
    return n->data;
  }
  const TYPE& GetNext(POSITION& pos) const { return const_cast<CList*>(this)->GetNext(pos); }
  TYPE& GetPrev(POSITION& pos) {
    Node* n = FromPos(pos);
    if (!n) return Missing(L"GetPrev");
    pos = ToPos(n->prev);
    return n->data;
  }
  const TYPE& GetPrev(POSITION& pos) const { return const_cast<CList*>(this)->GetPrev(pos); }

  TYPE& GetAt(POSITION pos) { return Value(FromPos(pos), L"GetAt"); }
  const TYPE& GetAt(POSITION pos) const { return Value(FromPos(pos), L"GetAt"); }
  void SetAt(POSITION pos, ARG_TYPE element) {
    Node* n = FromPos(pos);
    if (!n) {
      Report(L"SetAt");
      return;
    }
    n->data = element;
  }

  void RemoveAt(POSITION pos) {
    Node* n = FromPos(pos);
    if (!n) {
      Report(L"RemoveAt");
      return;
    }
    Unlink(n);
  }

  // A null position inserts at the head (InsertBefore) or the tail (InsertAfter).
  POSITION InsertBefore(POSITION pos, ARG_TYPE element) {
    Node* n = FromPos(pos);
    return ToPos(LinkBefore(n ? n : m_head, element));
  }
  POSITION InsertAfter(POSITION pos, ARG_TYPE element) {
    Node* n = FromPos(pos);
    return ToPos(LinkAfter(n ? n : m_tail, element));
  }

  // The first element equal to value after startAfter (from the head when null), or nullptr.
  POSITION Find(ARG_TYPE value, POSITION startAfter = nullptr) const {
    Node* n = startAfter ? FromPos(startAfter)->next : m_head;
    for (; n; n = n->next) {
      if (n->data == value) return ToPos(n);
    }
    return nullptr;
  }
  // The position of the index-th element (from 0), or nullptr when there is none.
  POSITION FindIndex(INT_PTR index) const {
    if (index < 0 || index >= m_count) return nullptr;
    Node* n = m_head;
    while (index-- > 0) n = n->next;
    return ToPos(n);
  }

 private:
  struct Node {
    template <typename V>
    explicit Node(V&& v) : data(std::forward<V>(v)) {}
    Node* prev = nullptr;
    Node* next = nullptr;
    TYPE data;
  };

  static POSITION ToPos(Node* n) { return reinterpret_cast<POSITION>(n); }
  static Node* FromPos(POSITION pos) { return reinterpret_cast<Node*>(pos); }

  void Report(const wchar_t* what) const { TRACE(L"CList::%s: no such element", what); }
  TYPE& Missing(const wchar_t* what) const {
    Report(what);
    return platform::detail::MissingElement<TYPE>();
  }
  TYPE& Value(Node* n, const wchar_t* what) const { return n ? n->data : Missing(what); }

  Node* LinkBefore(Node* next, ARG_TYPE element) {
    Node* n = new Node(element);
    n->next = next;
    n->prev = next ? next->prev : m_tail;
    (n->prev ? n->prev->next : m_head) = n;
    (n->next ? n->next->prev : m_tail) = n;
    ++m_count;
    return n;
  }
  Node* LinkAfter(Node* prev, ARG_TYPE element) {
    Node* n = new Node(element);
    n->prev = prev;
    n->next = prev ? prev->next : m_head;
    (n->prev ? n->prev->next : m_head) = n;
    (n->next ? n->next->prev : m_tail) = n;
    ++m_count;
    return n;
  }
  void Unlink(Node* n) {
    (n->prev ? n->prev->next : m_head) = n->next;
    (n->next ? n->next->prev : m_tail) = n->prev;
    --m_count;
    delete n;
  }
  void AppendAll(const CList& other) {
    for (Node* n = other.m_head; n; n = n->next) AddTail(n->data);
  }
  void Swap(CList& other) noexcept {
    std::swap(m_head, other.m_head);
    std::swap(m_tail, other.m_tail);
    std::swap(m_count, other.m_count);
  }

  Node* m_head = nullptr;
  Node* m_tail = nullptr;
  INT_PTR m_count = 0;
};

class CPtrList : public CList<void*, void*> {
 public:
  using CList<void*, void*>::CList;
};
class CStringList : public CList<CString, const CString&> {
 public:
  using CList<CString, const CString&>::CList;
};

// A map from keys to values. Iteration (GetStartPosition / GetNextAssoc) visits the entries in
// the order their keys were first added; removing the entry just visited during an iteration is safe.
template <typename KEY, typename ARG_KEY, typename VALUE, typename ARG_VALUE>
class CMap {
 public:
  CMap() = default;
  explicit CMap(INT_PTR blockSize) { (void)blockSize; }
  CMap(const CMap& other) { CopyFrom(other); }
  CMap& operator=(const CMap& other) {
    if (&other != this) {
      RemoveAll();
      CopyFrom(other);
    }
    return *this;
  }

  INT_PTR GetCount() const { return m_entries.GetCount(); }
  INT_PTR GetSize() const { return m_entries.GetCount(); }
  BOOL IsEmpty() const { return m_entries.IsEmpty(); }

  // Accepted for source compatibility; the table sizes itself.
  void InitHashTable(UINT hashSize, BOOL allocNow = TRUE) {
    (void)hashSize;
    (void)allocNow;
  }

  BOOL Lookup(ARG_KEY key, VALUE& value) const {
    auto it = m_index.find(KEY(key));
    if (it == m_index.end()) return FALSE;
    value = m_entries.GetAt(it->second).value;
    return TRUE;
  }
  // The value of the key, added with a default value when absent.
  VALUE& operator[](ARG_KEY key) {
    KEY k(key);
    auto it = m_index.find(k);
    if (it != m_index.end()) return m_entries.GetAt(it->second).value;
    POSITION pos = m_entries.AddTail(Assoc{k, VALUE{}});
    m_index.emplace(std::move(k), pos);
    return m_entries.GetAt(pos).value;
  }
  void SetAt(ARG_KEY key, ARG_VALUE value) {
    VALUE copy(value);
    (*this)[key] = std::move(copy);
  }
  BOOL RemoveKey(ARG_KEY key) {
    auto it = m_index.find(KEY(key));
    if (it == m_index.end()) return FALSE;
    m_entries.RemoveAt(it->second);
    m_index.erase(it);
    return TRUE;
  }
  void RemoveAll() {
    m_index.clear();
    m_entries.RemoveAll();
  }

  POSITION GetStartPosition() const { return m_entries.GetHeadPosition(); }
  // Fills key and value from the entry at pos and moves pos to the next one (nullptr at the end).
  void GetNextAssoc(POSITION& pos, KEY& key, VALUE& value) const {
    if (!pos) {
      TRACE(L"CMap::GetNextAssoc: no such element");
      return;
    }
    const Assoc& a = m_entries.GetNext(pos);
    key = a.key;
    value = a.value;
  }

 private:
  struct Assoc {
    KEY key;
    VALUE value;
  };

  void CopyFrom(const CMap& other) {
    for (POSITION pos = other.m_entries.GetHeadPosition(); pos;) {
      const Assoc& a = other.m_entries.GetNext(pos);
      SetAt(a.key, a.value);
    }
  }

  CList<Assoc, const Assoc&> m_entries;
  std::unordered_map<KEY, POSITION> m_index;
};

class CMapStringToString : public CMap<CString, const CString&, CString, const CString&> {};
class CMapStringToPtr : public CMap<CString, const CString&, void*, void*> {};
class CMapWordToPtr : public CMap<WORD, WORD, void*, void*> {};
