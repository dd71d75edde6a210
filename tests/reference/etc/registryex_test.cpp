// Tests of the registry access class over the settings store file: every value type round-trips,
// the binary forms are byte-exact, reads stay inside their limits, malformed archive bytes are
// refused, listings end normally, the key search, and two processes writing at once.
#include "reference/etc/registryex.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "../default/regtest_support.h"
#include "platform/archive.h"
#include "platform/modal.h"

namespace {

const CString kKey(L"Software\\Brelvano\\RegistryExTest");

class RegistryExTest : public regtest::RegistryTest {
 protected:
  void SetUp() override {
    RegistryTest::SetUp();
    platform::ModalService::Instance().InstallScript();
    HKEY h = nullptr;
    ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(h);
  }
  void TearDown() override {
    platform::ModalService::Instance().UninstallScript();
    RegistryTest::TearDown();
  }
  static std::vector<BYTE> Raw(const CString& name, DWORD* type = nullptr) {
    HKEY h = nullptr;
    EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, kKey, 0, KEY_READ, &h), ERROR_SUCCESS);
    DWORD size = 0, t = 0;
    RegQueryValueEx(h, name, nullptr, &t, nullptr, &size);
    std::vector<BYTE> bytes(size);
    RegQueryValueEx(h, name, nullptr, &t, bytes.data(), &size);
    RegCloseKey(h);
    if (type) *type = t;
    return bytes;
  }
  static void SetRaw(const CString& name, DWORD type, const std::vector<BYTE>& bytes) {
    HKEY h = nullptr;
    ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, kKey, 0, KEY_ALL_ACCESS, &h), ERROR_SUCCESS);
    RegSetValueEx(h, name, 0, type, bytes.data(), static_cast<DWORD>(bytes.size()));
    RegCloseKey(h);
  }
};

TEST_F(RegistryExTest, EveryValueTypeRoundTripsThroughTheStoreFile) {
  {
    CRegistryEx reg(HKEY_CURRENT_USER);
    ASSERT_TRUE(reg.Open(HKEY_CURRENT_USER, kKey));
    EXPECT_EQ(reg.GetKeyPath(), kKey);
    EXPECT_TRUE(reg.WriteDword(L"Number", DWORD{0xDEADBEEFu}));
    EXPECT_EQ(reg.GetLastType(), 4u);
    EXPECT_EQ(reg.WriteDword(L"Signed", -5), ERROR_SUCCESS);
    EXPECT_TRUE(reg.WriteString(L"Text", L"h\u00e9llo w\u00f6rld"));
    EXPECT_EQ(reg.GetLastType(), REG_SZ);
    EXPECT_EQ(reg.GetLastSize(), 12u);
    EXPECT_TRUE(reg.WriteRect(L"Rect", CRect(1, 2, 3, 4)));
    EXPECT_TRUE(reg.WritePoint(L"Point", CPoint(-7, 9)));
    CStringList list;
    list.AddTail(L"one");
    list.AddTail(CString(L'x', 300));
    list.AddTail(L"");
    EXPECT_TRUE(reg.WriteCollection(L"List", list));
    CStringArray strings;
    strings.Add(L"a");
    strings.Add(L"\u00fc\u00df");
    EXPECT_TRUE(reg.WriteCollection(L"Strings", strings));
    CByteArray bytes;
    for (BYTE b : {1, 2, 255}) bytes.Add(b);
    EXPECT_TRUE(reg.WriteCollection(L"Bytes", bytes));
    CWordArray words;
    for (WORD w : {1, 0xFFFF}) words.Add(w);
    EXPECT_TRUE(reg.WriteCollection(L"Words", words));
    CDWordArray dwords;
    for (DWORD d : {7u, 0xFFFFFFFFu, 0u}) dwords.Add(d);
    EXPECT_TRUE(reg.WriteCollection(L"DWords", dwords));
  }
  // A second object reads what the first one wrote, from the file.
  CRegistryEx reg(HKEY_CURRENT_USER);
  ASSERT_TRUE(reg.Open(HKEY_CURRENT_USER, kKey));
  DWORD number = 0;
  int signedNumber = 0;
  EXPECT_TRUE(reg.ReadDword(L"Number", number));
  EXPECT_EQ(number, 0xDEADBEEFu);
  EXPECT_TRUE(reg.ReadDword(L"Signed", signedNumber));
  EXPECT_EQ(signedNumber, -5);
  CString text;
  EXPECT_TRUE(reg.ReadString(L"Text", text));
  EXPECT_EQ(text, CString(L"h\u00e9llo w\u00f6rld"));
  CRect rect;
  EXPECT_TRUE(reg.ReadRect(L"Rect", rect));
  EXPECT_EQ(rect, CRect(1, 2, 3, 4));
  EXPECT_EQ(reg.GetLastType(), 1u);
  EXPECT_EQ(reg.GetLastSize(), 16u);
  CPoint point;
  EXPECT_TRUE(reg.ReadPoint(L"Point", point));
  EXPECT_EQ(point.x, -7);
  EXPECT_EQ(point.y, 9);
  CStringList list;
  EXPECT_TRUE(reg.ReadCollection(L"List", list));
  ASSERT_EQ(list.GetCount(), 3);
  POSITION pos = list.GetHeadPosition();
  EXPECT_EQ(list.GetNext(pos), CString(L"one"));
  EXPECT_EQ(list.GetNext(pos), CString(L'x', 300));
  EXPECT_EQ(list.GetNext(pos), CString());
  CStringArray strings;
  strings.SetSize(2);
  EXPECT_TRUE(reg.ReadCollection(L"Strings", strings));
  EXPECT_EQ(strings[1], CString(L"\u00fc\u00df"));
  CByteArray bytes;
  bytes.SetSize(3);
  EXPECT_TRUE(reg.ReadCollection(L"Bytes", bytes));
  EXPECT_EQ(bytes[2], 255);
  CWordArray words;
  words.SetSize(2);
  EXPECT_TRUE(reg.ReadCollection(L"Words", words));
  EXPECT_EQ(words[1], 0xFFFF);
  CDWordArray dwords;
  dwords.SetSize(3);
  EXPECT_TRUE(reg.ReadCollection(L"DWords", dwords));
  EXPECT_EQ(dwords[1], 0xFFFFFFFFu);
  BYTE raw[8] = {};
  EXPECT_TRUE(reg.ReadBinary(L"Bytes", raw, sizeof raw));
  EXPECT_EQ(raw[0], 3);  // the count comes first
  EXPECT_TRUE(reg.HasValue(L"Text"));
  EXPECT_TRUE(reg.DeleteValue(L"Text"));
  EXPECT_FALSE(reg.HasValue(L"Text"));
  EXPECT_EQ(reg.GetLastStatus(), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryExTest, RectangleAndPointHaveTheirByteExactForm) {
  CRegistryEx reg(HKEY_CURRENT_USER);
  ASSERT_TRUE(reg.Open(HKEY_CURRENT_USER, kKey));
  ASSERT_TRUE(reg.WriteRect(L"R", CRect(1, 2, 3, 4)));
  EXPECT_EQ(Raw(L"R"), (std::vector<BYTE>{5, 0, 2, 0, 0, 0, 4, 0, 0, 0, 1, 0, 0, 0, 3, 0, 0, 0, 0, 0, 0, 0}));
  ASSERT_TRUE(reg.WritePoint(L"P", CPoint(10, 20)));
  EXPECT_EQ(Raw(L"P"), (std::vector<BYTE>{5, 0, 10, 0, 0, 0, 20, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(reg.GetLastType(), 2u);
  EXPECT_EQ(reg.GetLastSize(), 22u);
}

TEST_F(RegistryExTest, ArrayReadsKeepTheElementCountTheArrayHad) {
  CRegistryEx reg(HKEY_CURRENT_USER);
  ASSERT_TRUE(reg.Open(HKEY_CURRENT_USER, kKey));
  CDWordArray three;
  for (DWORD d : {1u, 2u, 3u}) three.Add(d);
  ASSERT_TRUE(reg.WriteCollection(L"Three", three));
  struct Case {
    const char* name;
    int before;
    std::vector<DWORD> after;
  } cases[] = {
      {"five elements: the last two become 0", 5, {1, 2, 3, 0, 0}},
      {"an empty array stays empty", 0, {}},
      {"two elements: the third is dropped", 2, {1, 2}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CDWordArray array;
    for (int i = 0; i < c.before; ++i) array.Add(99);
    EXPECT_TRUE(reg.ReadCollection(L"Three", array));
    std::vector<DWORD> got;
    for (INT_PTR i = 0; i < array.GetSize(); ++i) got.push_back(array[i]);
    EXPECT_EQ(got, c.after);
  }
}

TEST_F(RegistryExTest, ReadsStayInsideTheirLimitsAndRefuseMalformedData) {
  CRegistryEx reg(HKEY_CURRENT_USER);
  ASSERT_TRUE(reg.Open(HKEY_CURRENT_USER, kKey));
  ASSERT_TRUE(reg.WriteString(L"S99", CString(L'a', 99)));
  ASSERT_TRUE(reg.WriteString(L"S100", CString(L'b', 100)));
  ASSERT_TRUE(reg.WriteDword(L"Dword", DWORD{4}));
  // 200 bytes of text without a terminator
  SetRaw(L"Unterminated", REG_SZ, std::vector<BYTE>(200, 'c'));
  SetRaw(L"Long binary", REG_BINARY, std::vector<BYTE>(600, 7));
  SetRaw(L"Rect30", REG_BINARY, std::vector<BYTE>(30, 0));
  SetRaw(L"Rect31", REG_BINARY, std::vector<BYTE>(31, 0));
  // count 1000 with three numbers behind it; a string with a broken marker; a length past the end
  SetRaw(L"Count too big", REG_BINARY, {0xE8, 0x03, 1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0});
  SetRaw(L"Bad marker", REG_BINARY, {1, 0, 0xFF, 0xFF, 0xFF, 1, 'a', 0});
  SetRaw(L"Short string", REG_BINARY, {1, 0, 0xFF, 0xFE, 0xFF, 50, 'a', 0});
  SetRaw(L"Empty", REG_BINARY, {});

  CString text = L"unchanged";
  EXPECT_TRUE(reg.ReadString(L"S99", text));
  EXPECT_EQ(text.GetLength(), 99);
  text = L"unchanged";
  EXPECT_FALSE(reg.ReadString(L"S100", text));
  EXPECT_EQ(reg.GetLastStatus(), ERROR_MORE_DATA);
  EXPECT_EQ(text, CString(L"unchanged"));
  EXPECT_TRUE(reg.ReadString(L"Unterminated", text));
  EXPECT_EQ(text.GetLength(), 100);

  std::vector<BYTE> big(1000, 0);
  EXPECT_FALSE(reg.ReadBinary(L"Long binary", big.data(), 1000));  // the limit is 510, whatever is asked
  EXPECT_EQ(reg.GetLastStatus(), ERROR_MORE_DATA);
  EXPECT_EQ(big[0], 0);

  CRect rect(9, 9, 9, 9);
  EXPECT_TRUE(reg.ReadRect(L"Rect30", rect));
  EXPECT_FALSE(reg.ReadRect(L"Rect31", rect));

  struct Case {
    const char* name;
    const wchar_t* value;
    BOOL result;      // as a list of strings
    BOOL dwordResult;  // as an array of numbers
  } cases[] = {
      {"count past the bytes", L"Count too big", FALSE, FALSE},
      {"broken string marker (one whole number)", L"Bad marker", FALSE, TRUE},
      {"string length past the bytes (one whole number)", L"Short string", FALSE, TRUE},
      {"no bytes at all", L"Empty", FALSE, FALSE},
      {"a number value is not a collection", L"Dword", TRUE, TRUE},
      {"a missing value", L"Missing", FALSE, FALSE},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CDWordArray dwords;
    dwords.Add(42);
    CStringList list;
    list.AddTail(L"kept");
    EXPECT_EQ(reg.ReadCollection(c.value, dwords), c.dwordResult);
    EXPECT_EQ(reg.ReadCollection(c.value, list), c.result);
    ASSERT_EQ(dwords.GetSize(), 1);  // an array keeps its element count
    if (!c.dwordResult || c.value == CString(L"Dword")) {
      EXPECT_EQ(dwords[0], 42u);
    }
    ASSERT_EQ(list.GetCount(), 1);
  }
  // a collection the readers could not take back is refused, nothing half-written
  CStringArray huge;
  for (int i = 0; i < 40; ++i) huge.Add(CString(L'z', 60));
  EXPECT_FALSE(reg.WriteCollection(L"Huge", huge));
  EXPECT_FALSE(reg.HasValue(L"Huge"));
}

TEST_F(RegistryExTest, ListingsEndNormallyWithoutAnErrorBox) {
  CRegistryEx reg(HKEY_CURRENT_USER);
  for (const wchar_t* sub : {L"b", L"A", L"c\\deep"}) {
    HKEY h = nullptr;
    ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, kKey + L"\\" + sub, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h,
                             nullptr),
              ERROR_SUCCESS);
    RegCloseKey(h);
  }
  ASSERT_TRUE(reg.Open(HKEY_CURRENT_USER, kKey));
  reg.WriteDword(L"First", DWORD{1});
  reg.WriteString(L"Second", L"2");
  reg.Close();
  CRegistryEx root(HKEY_CURRENT_USER);
  CStringArray names;
  EXPECT_TRUE(root.GetSubKeys(kKey, names));
  ASSERT_EQ(names.GetSize(), 3);
  EXPECT_EQ(names[0], CString(L"A"));
  EXPECT_EQ(names[2], CString(L"c"));
  EXPECT_TRUE(root.GetValueNames(kKey, names));
  ASSERT_EQ(names.GetSize(), 2);
  EXPECT_EQ(names[1], CString(L"Second"));
  EXPECT_FALSE(root.GetSubKeys(kKey + L"\\missing", names));
  EXPECT_EQ(root.GetLastStatus(), ERROR_FILE_NOT_FOUND);
  EXPECT_TRUE(platform::ModalService::Instance().Records().empty());
}

TEST_F(RegistryExTest, KeySearchIsDepthFirstAndIgnoresCase) {
  const CString base = L"SOFTWARE\\BrelvanoSearchTest";
  auto set = [&](const CString& path, const CString& value) {
    ASSERT_TRUE(platform::reg::SetString(HKEY_LOCAL_MACHINE, base + path, L"Driver", value));
  };
  set(L"", L"root value");
  set(L"\\A", L"Modem\\0001");
  set(L"\\A\\Inner", L"modem\\0002");
  set(L"\\B", L"Modem\\0002");
  CRegistryEx reg(HKEY_LOCAL_MACHINE);
  EXPECT_EQ(reg.FindKeyByValue(base, L"Driver", L"MODEM\\0002"), base + L"\\A\\Inner");
  EXPECT_EQ(reg.FindKeyByValue(base, L"Driver", L"ROOT VALUE"), base);
  EXPECT_EQ(reg.FindKeyByValue(base, L"Driver", L"none"), CString());
  ASSERT_TRUE(platform::reg::SetString(HKEY_LOCAL_MACHINE, base + L"\\A\\Inner\\Leaf", L"Other", L"x"));
  // an empty wanted text matches the first key without the value
  EXPECT_EQ(reg.FindKeyByValue(base, L"Driver", L""), base + L"\\A\\Inner\\Leaf");
}

TEST_F(RegistryExTest, TwoProcessesWritingAtOnceLoseNothing) {
  constexpr int kPerProcess = 60;
  pid_t children[2];
  for (int p = 0; p < 2; ++p) {
    children[p] = fork();
    ASSERT_GE(children[p], 0);
    if (children[p] == 0) {
      int failures = 0;
      for (int i = 0; i < kPerProcess; ++i) {
        CRegistryEx reg(HKEY_CURRENT_USER);
        CString name;
        name.Format(L"P%dV%d", p, i);
        CDWordArray values;
        values.Add(static_cast<DWORD>(p * 1000 + i));
        if (!reg.Open(HKEY_CURRENT_USER, kKey) || !reg.WriteCollection(name, values)) ++failures;
      }
      _exit(failures);
    }
  }
  for (pid_t child : children) {
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
  }
  CRegistryEx reg(HKEY_CURRENT_USER);
  ASSERT_TRUE(reg.Open(HKEY_CURRENT_USER, kKey));
  for (int p = 0; p < 2; ++p) {
    for (int i = 0; i < kPerProcess; ++i) {
      CString name;
      name.Format(L"P%dV%d", p, i);
      CDWordArray values;
      values.SetSize(1);
      ASSERT_TRUE(reg.ReadCollection(name, values)) << i;
      EXPECT_EQ(values[0], static_cast<DWORD>(p * 1000 + i));
    }
  }
}

}  // namespace
