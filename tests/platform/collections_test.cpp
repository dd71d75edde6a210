// Tests of the MFC-style collections: arrays, lists with positions, maps.
#include "platform/collections.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<int> Items(const CArray<int, int>& a) { return std::vector<int>(a.begin(), a.end()); }

CArray<int, int> ArrayOf(std::initializer_list<int> values) {
  CArray<int, int> a;
  for (int v : values) a.Add(v);
  return a;
}

template <typename L>
std::vector<int> Forward(const L& list) {
  std::vector<int> out;
  for (POSITION pos = list.GetHeadPosition(); pos;) out.push_back(list.GetNext(pos));
  return out;
}

template <typename L>
std::vector<int> Backward(const L& list) {
  std::vector<int> out;
  for (POSITION pos = list.GetTailPosition(); pos;) out.push_back(list.GetPrev(pos));
  return out;
}

}  // namespace

TEST(CArray, EditingOperations) {
  struct Case {
    const char* name;
    void (*op)(CArray<int, int>&);
    std::vector<int> expected;
  };
  const Case cases[] = {
      {"insert in the middle", [](CArray<int, int>& a) { a.InsertAt(1, 9); }, {1, 9, 2, 3}},
      {"insert several", [](CArray<int, int>& a) { a.InsertAt(0, 7, 2); }, {7, 7, 1, 2, 3}},
      {"insert at the end", [](CArray<int, int>& a) { a.InsertAt(3, 4); }, {1, 2, 3, 4}},
      {"insert past the end grows", [](CArray<int, int>& a) { a.InsertAt(5, 6); }, {1, 2, 3, 0, 0, 6}},
      {"insert at a negative index ignored", [](CArray<int, int>& a) { a.InsertAt(-1, 6); }, {1, 2, 3}},
      {"insert an array", [](CArray<int, int>& a) {
         CArray<int, int> b = ArrayOf({8, 9});
         a.InsertAt(1, &b);
       }, {1, 8, 9, 2, 3}},
      {"remove one", [](CArray<int, int>& a) { a.RemoveAt(0); }, {2, 3}},
      {"remove a range", [](CArray<int, int>& a) { a.RemoveAt(1, 2); }, {1}},
      {"remove nothing", [](CArray<int, int>& a) { a.RemoveAt(3, 0); }, {1, 2, 3}},
      {"remove past the end ignored", [](CArray<int, int>& a) { a.RemoveAt(2, 2); }, {1, 2, 3}},
      {"remove at a bad index ignored", [](CArray<int, int>& a) { a.RemoveAt(-1); a.RemoveAt(3); }, {1, 2, 3}},
      {"set inside", [](CArray<int, int>& a) { a.SetAt(2, 5); }, {1, 2, 5}},
      {"set outside ignored", [](CArray<int, int>& a) { a.SetAt(3, 5); a.SetAt(-1, 5); }, {1, 2, 3}},
      {"set and grow", [](CArray<int, int>& a) { a.SetAtGrow(4, 5); }, {1, 2, 3, 0, 5}},
      {"shrink", [](CArray<int, int>& a) { a.SetSize(1); }, {1}},
      {"grow", [](CArray<int, int>& a) { a.SetSize(4); }, {1, 2, 3, 0}},
      {"negative size ignored", [](CArray<int, int>& a) { a.SetSize(-2); }, {1, 2, 3}},
      {"append to itself", [](CArray<int, int>& a) { EXPECT_EQ(a.Append(a), 3); }, {1, 2, 3, 1, 2, 3}},
      {"copy", [](CArray<int, int>& a) { a.Copy(ArrayOf({4})); }, {4}},
      {"element reference", [](CArray<int, int>& a) { a.ElementAt(0) = 8; a[1] += 10; }, {8, 12, 3}},
      {"add an element of itself", [](CArray<int, int>& a) { EXPECT_EQ(a.Add(a[0]), 3); }, {1, 2, 3, 1}},
      {"remove all", [](CArray<int, int>& a) { a.RemoveAll(); }, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CArray<int, int> a = ArrayOf({1, 2, 3});
    c.op(a);
    EXPECT_EQ(Items(a), c.expected);
    EXPECT_EQ(a.GetSize(), static_cast<INT_PTR>(c.expected.size()));
    EXPECT_EQ(a.GetUpperBound(), a.GetSize() - 1);
    EXPECT_EQ(bool(a.IsEmpty()), c.expected.empty());
  }
}

TEST(CArray, OutOfRangeReadsGiveADefaultWithoutTouchingTheArray) {
  CStringArray a;
  EXPECT_EQ(a.Add(L"one"), 0);
  EXPECT_EQ(a.Add("two"), 1);
  EXPECT_EQ(a.GetCount(), 2);
  EXPECT_EQ(a[1], CString(L"two"));
  EXPECT_TRUE(a.GetAt(2).IsEmpty());
  EXPECT_TRUE(a[-1].IsEmpty());
  a.ElementAt(5) = L"lost";  // writes to a scratch element, not the array
  EXPECT_TRUE(a.GetAt(5).IsEmpty());
  EXPECT_EQ(a.GetSize(), 2);
  const CStringArray& constant = a;
  EXPECT_TRUE(constant.GetAt(99).IsEmpty());
  EXPECT_EQ(constant.GetData()[0], CString(L"one"));

  CByteArray bytes;
  bytes.SetSize(3);
  bytes[0] = 0xFF;
  EXPECT_EQ(bytes.GetData()[0], 0xFF);
  EXPECT_EQ(bytes.GetAt(2), 0);
  CDWordArray dwords;
  dwords.Add(0xFFFFFFFFu);
  EXPECT_EQ(dwords[0], 0xFFFFFFFFu);
  CPtrArray pointers;
  EXPECT_EQ(pointers.GetAt(0), nullptr);
}

TEST(CList, WalkingWithRemovalKeepsOtherPositions) {
  CList<int, int> list;
  for (int i = 1; i <= 6; ++i) list.AddTail(i);
  const POSITION five = list.Find(5);
  ASSERT_NE(five, nullptr);

  // The usual idiom: keep the position of the current element, step, then remove it.
  for (POSITION pos = list.GetHeadPosition(); pos;) {
    const POSITION current = pos;
    if (list.GetNext(pos) % 2 == 0) list.RemoveAt(current);
  }
  EXPECT_EQ(Forward(list), (std::vector<int>{1, 3, 5}));
  EXPECT_EQ(Backward(list), (std::vector<int>{5, 3, 1}));
  EXPECT_EQ(list.GetCount(), 3);

  list.AddHead(0);
  list.InsertAfter(five, 55);
  list.InsertBefore(five, 45);
  list.RemoveAt(list.Find(3));
  EXPECT_EQ(list.GetAt(five), 5);
  list.SetAt(five, 50);
  EXPECT_EQ(Forward(list), (std::vector<int>{0, 1, 45, 50, 55}));
  EXPECT_EQ(Backward(list), (std::vector<int>{55, 50, 45, 1, 0}));
  EXPECT_EQ(list.GetHead(), 0);
  EXPECT_EQ(list.GetTail(), 55);

  EXPECT_EQ(list.RemoveHead(), 0);
  EXPECT_EQ(list.RemoveTail(), 55);
  EXPECT_EQ(Forward(list), (std::vector<int>{1, 45, 50}));
}

TEST(CList, InsertAtTheEndsAndWithNullPositions) {
  CList<int, int> list;
  list.InsertBefore(nullptr, 2);  // empty list
  list.InsertAfter(nullptr, 3);   // at the tail
  list.InsertBefore(nullptr, 1);  // at the head
  list.InsertAfter(list.GetTailPosition(), 4);
  list.InsertBefore(list.GetHeadPosition(), 0);
  EXPECT_EQ(Forward(list), (std::vector<int>{0, 1, 2, 3, 4}));
  EXPECT_EQ(Backward(list), (std::vector<int>{4, 3, 2, 1, 0}));
}

TEST(CList, FindAndFindIndex) {
  CStringList list;
  for (const wchar_t* s : {L"a", L"b", L"a", L"c"}) list.AddTail(s);
  const POSITION first = list.Find(L"a");
  const POSITION second = list.Find(L"a", first);
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  EXPECT_NE(first, second);
  EXPECT_EQ(list.Find(L"a", second), nullptr);
  EXPECT_EQ(list.Find(L"z"), nullptr);

  struct Case {
    INT_PTR index;
    const wchar_t* expected;  // nullptr: no position
  };
  const Case cases[] = {{0, L"a"}, {1, L"b"}, {3, L"c"}, {4, nullptr}, {-1, nullptr}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.index);
    const POSITION pos = list.FindIndex(c.index);
    if (!c.expected) {
      EXPECT_EQ(pos, nullptr);
    } else {
      ASSERT_NE(pos, nullptr);
      EXPECT_EQ(list.GetAt(pos), CString(c.expected));
    }
  }
  EXPECT_EQ(list.FindIndex(2), second);
}

TEST(CList, EmptyAndNullPositionAccessIsSafe) {
  CList<int, int> list;
  EXPECT_EQ(list.RemoveHead(), 0);
  EXPECT_EQ(list.RemoveTail(), 0);
  EXPECT_EQ(list.GetHead(), 0);
  POSITION pos = nullptr;
  EXPECT_EQ(list.GetNext(pos), 0);
  EXPECT_EQ(list.GetPrev(pos), 0);
  list.RemoveAt(nullptr);
  list.SetAt(nullptr, 3);
  EXPECT_TRUE(list.IsEmpty());
  EXPECT_EQ(list.GetHeadPosition(), nullptr);
  EXPECT_EQ(list.FindIndex(0), nullptr);
}

TEST(CList, CopiesAreDeepAndListsAppend) {
  CList<int, int> a;
  a.AddTail(1);
  a.AddTail(2);
  CList<int, int> b(a);
  b.AddTail(3);
  a.AddTail(&a);  // to itself
  EXPECT_EQ(Forward(a), (std::vector<int>{1, 2, 1, 2}));
  b.AddHead(&b);
  EXPECT_EQ(Forward(b), (std::vector<int>{1, 2, 3, 1, 2, 3}));
  a = b;
  b.RemoveAll();
  EXPECT_EQ(a.GetCount(), 6);
  EXPECT_EQ(b.GetCount(), 0);

  CPtrList pointers;
  int x = 0;
  pointers.AddTail(&x);
  EXPECT_EQ(pointers.GetHead(), &x);
  EXPECT_EQ(pointers.Find(&x), pointers.GetHeadPosition());
}

TEST(CMap, RoundTripAndIterationInInsertionOrder) {
  CMapStringToString map;
  map.SetAt(L"port", L"ttyUSB0");
  map[L"baud"] = L"115200";
  map.SetAt(L"mode", L"8N1");
  map.SetAt(L"port", L"ttyACM0");  // replaces, keeps its place
  EXPECT_EQ(map.GetCount(), 3);

  CString value;
  EXPECT_TRUE(map.Lookup(L"port", value));
  EXPECT_EQ(value, CString(L"ttyACM0"));
  value = L"unchanged";
  EXPECT_FALSE(map.Lookup(L"Port", value));  // keys are case-sensitive
  EXPECT_EQ(value, CString(L"unchanged"));

  std::vector<CString> keys, values;
  for (POSITION pos = map.GetStartPosition(); pos;) {
    CString k, v;
    map.GetNextAssoc(pos, k, v);
    keys.push_back(k);
    values.push_back(v);
  }
  EXPECT_EQ(keys, (std::vector<CString>{L"port", L"baud", L"mode"}));
  EXPECT_EQ(values, (std::vector<CString>{L"ttyACM0", L"115200", L"8N1"}));

  // Removing each entry right after visiting it.
  for (POSITION pos = map.GetStartPosition(); pos;) {
    CString k, v;
    map.GetNextAssoc(pos, k, v);
    EXPECT_TRUE(map.RemoveKey(k));
  }
  EXPECT_TRUE(map.IsEmpty());
  EXPECT_FALSE(map.RemoveKey(L"port"));
  EXPECT_EQ(map.GetStartPosition(), nullptr);

  POSITION none = nullptr;
  CString k = L"k", v = L"v";
  map.GetNextAssoc(none, k, v);  // reported, nothing changed
  EXPECT_EQ(k, CString(L"k"));
}

TEST(CMap, PointerMapsAndCopies) {
  int a = 1, b = 2;
  CMapWordToPtr byWord;
  byWord.InitHashTable(17);
  byWord.SetAt(7, &a);
  byWord[8] = &b;
  void* found = nullptr;
  EXPECT_TRUE(byWord.Lookup(7, found));
  EXPECT_EQ(found, &a);
  EXPECT_EQ(byWord[9], nullptr);  // added with a null value
  EXPECT_EQ(byWord.GetCount(), 3);

  CMapStringToPtr byName;
  byName.SetAt(L"a", &a);
  CMapStringToPtr copy(byName);
  byName.RemoveAll();
  EXPECT_TRUE(copy.Lookup(L"a", found));
  EXPECT_EQ(found, &a);
  EXPECT_EQ(byName.GetCount(), 0);

  CMap<int, int, CString, const CString&> generic;
  generic[3] = L"three";
  const auto& same = generic;
  generic = same;
  EXPECT_EQ(generic[3], CString(L"three"));
}
