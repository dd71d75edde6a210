// The memory archive: the framework's binary forms of counts, numbers and wide strings, the
// collections' store-and-load, and loading that refuses short or malformed bytes.
#include "platform/archive.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(Archive, CollectionsStoreTheirCountAndElementsAndLoadBack) {
  CArchive out;
  CStringArray strings;
  strings.Add(L"ab");
  strings.Add(CString(L'x', 300));
  SerializeCollection(out, strings);
  const std::vector<BYTE>& bytes = out.Bytes();
  // count 2, then 0xFF 0xFFFE, length 2, "ab" in UTF-16LE
  ASSERT_GE(bytes.size(), 10u);
  EXPECT_EQ(std::vector<BYTE>(bytes.begin(), bytes.begin() + 10),
            (std::vector<BYTE>{2, 0, 0xFF, 0xFE, 0xFF, 2, 'a', 0, 'b', 0}));
  CArchive in(bytes.data(), bytes.size());
  CStringArray back;
  ASSERT_TRUE(SerializeCollection(in, back));
  EXPECT_TRUE(in.AtEnd());
  ASSERT_EQ(back.GetSize(), 2);
  EXPECT_EQ(back[1], CString(L'x', 300));

  CArchive big;
  big.WriteCount(70000);
  EXPECT_EQ(big.Bytes(), (std::vector<BYTE>{0xFF, 0xFF, 0x70, 0x11, 0x01, 0x00}));
}

TEST(Archive, ShortOrMalformedBytesAreRefusedAndChangeNothing) {
  struct Case {
    const char* name;
    std::vector<BYTE> bytes;
  } cases[] = {
      {"no bytes", {}},
      {"half a count", {3}},
      {"count past the bytes", {3, 0, 1, 0, 0, 0}},
      {"huge count", {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CDWordArray numbers;
    numbers.Add(9);
    CArchive in(c.bytes.data(), c.bytes.size());
    EXPECT_FALSE(SerializeCollection(in, numbers));
    ASSERT_EQ(numbers.GetSize(), 1);
    EXPECT_EQ(numbers[0], 9u);
    EXPECT_TRUE(in.Failed());
  }
  const std::vector<BYTE> badString = {1, 0, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 'a', 0};
  CStringList list;
  CArchive in(badString.data(), badString.size());
  EXPECT_FALSE(SerializeCollection(in, list));
  EXPECT_EQ(list.GetCount(), 0);
}

}  // namespace
