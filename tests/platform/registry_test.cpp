// Tests of the registry: types, the size protocol, enumeration, deletion, names, several holders
// (handles, threads, processes), damaged files and where the file lives.
#include "platform/registry.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;

std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

std::string Bytes(const BYTE* data, DWORD size) { return std::string(reinterpret_cast<const char*>(data), size); }

// UTF-16LE bytes of a text, with the terminating 0 unit.
std::string Sz(const std::u16string& text) {
  std::string out;
  for (char16_t c : text) {
    out += static_cast<char>(c & 0xFF);
    out += static_cast<char>(c >> 8);
  }
  out.append(2, '\0');
  return out;
}

CString Text(const std::u16string& text) { return CString(QString::fromUtf16(text.data(), text.size())); }

// A key handle closed at scope end.
class Key {
 public:
  Key() = default;
  explicit Key(HKEY h) : m_h(h) {}
  ~Key() {
    if (m_h) RegCloseKey(m_h);
  }
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;
  HKEY* out() { return &m_h; }
  HKEY get() const { return m_h; }

 private:
  HKEY m_h = nullptr;
};

LONG Create(HKEY root, const CString& path, Key& key, REGSAM access = KEY_ALL_ACCESS, DWORD* disposition = nullptr) {
  return RegCreateKeyEx(root, path, 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, key.out(), disposition);
}

LONG Open(HKEY root, const CString& path, Key& key, REGSAM access = KEY_READ) {
  return RegOpenKeyEx(root, path, 0, access, key.out());
}

LONG Set(HKEY key, const CString& name, DWORD type, const std::string& data) {
  return RegSetValueEx(key, name, 0, type, reinterpret_cast<const BYTE*>(data.data()), static_cast<DWORD>(data.size()));
}

// Type and bytes of a value; nullopt when the query fails.
std::optional<std::pair<DWORD, std::string>> Query(HKEY key, const CString& name) {
  DWORD type = 0, size = 0;
  if (RegQueryValueEx(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return std::nullopt;
  std::vector<BYTE> buffer(size + 1);
  if (RegQueryValueEx(key, name, nullptr, &type, buffer.data(), &size) != ERROR_SUCCESS) return std::nullopt;
  return std::make_pair(type, Bytes(buffer.data(), size));
}

std::vector<CString> ValueNames(HKEY key) {
  std::vector<CString> names;
  CString name;
  for (DWORD i = 0; RegEnumValue(key, i, &name, nullptr, nullptr, nullptr) == ERROR_SUCCESS; ++i) names.push_back(name);
  return names;
}

std::vector<CString> SubkeyNames(HKEY key) {
  std::vector<CString> names;
  CString name;
  for (DWORD i = 0; RegEnumKeyEx(key, i, &name) == ERROR_SUCCESS; ++i) names.push_back(name);
  return names;
}

class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "registry-test-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    m_dir = pattern;
    m_file = m_dir + "/config/winreg/registry.txt";  // folders that do not exist yet
    platform::SetRegistryPath(CString(QString::fromStdString(m_file)));
  }
  void TearDown() override {
    platform::SetRegistryPath(CString());
    std::error_code ignored;
    fs::permissions(m_dir, fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(m_dir, ignored);
  }

  std::string m_dir;
  std::string m_file;
};

TEST_F(RegistryTest, DwordAndStringOfTheSameDigitsStayDifferent) {
  ASSERT_TRUE(platform::reg::SetDword(HKEY_CURRENT_USER, L"Software\\T", L"Number", 9));
  ASSERT_TRUE(platform::reg::SetString(HKEY_CURRENT_USER, L"Software\\T", L"Text", L"9"));

  DWORD d = 0;
  CString s;
  EXPECT_TRUE(platform::reg::GetDword(HKEY_CURRENT_USER, L"Software\\T", L"Number", d));
  EXPECT_EQ(d, 9u);
  EXPECT_FALSE(platform::reg::GetString(HKEY_CURRENT_USER, L"Software\\T", L"Number", s));
  EXPECT_TRUE(platform::reg::GetString(HKEY_CURRENT_USER, L"Software\\T", L"Text", s));
  EXPECT_EQ(s, CString(L"9"));
  EXPECT_FALSE(platform::reg::GetDword(HKEY_CURRENT_USER, L"Software\\T", L"Text", d));

  Key k;
  ASSERT_EQ(Open(HKEY_CURRENT_USER, L"Software\\T", k), ERROR_SUCCESS);
  EXPECT_EQ(Query(k.get(), L"Number"), std::make_pair(DWORD(REG_DWORD), std::string("\x09\0\0\0", 4)));
  EXPECT_EQ(Query(k.get(), L"Text"), std::make_pair(DWORD(REG_SZ), Sz(u"9")));

  // Setting a value again with another type changes its type.
  ASSERT_TRUE(platform::reg::SetString(HKEY_CURRENT_USER, L"Software\\T", L"Number", L"nine"));
  EXPECT_FALSE(platform::reg::GetDword(HKEY_CURRENT_USER, L"Software\\T", L"Number", d));
  EXPECT_TRUE(platform::reg::GetString(HKEY_CURRENT_USER, L"Software\\T", L"Number", s));
  EXPECT_EQ(s, CString(L"nine"));
}

TEST_F(RegistryTest, AnyNameAndDataRoundTripOneValueALine) {
  struct Case {
    std::u16string name;
    DWORD type;
    std::string data;
  };
  std::string allBytes;
  for (int b = 0; b < 256; ++b) allBytes += static_cast<char>(b);
  const std::vector<Case> cases = {
      {u"plain", REG_SZ, Sz(u"text with spaces")},
      {u"back\\slash", REG_SZ, Sz(u"C:\\Program Files\\x")},
      {u"a=b", REG_SZ, Sz(u"x=y")},
      {u"line\nbreak\r", REG_SZ, Sz(u"two\nlines\r\n")},
      {u"%41%u0041", REG_SZ, Sz(u"%20 and %")},
      {u"[section]", REG_SZ, Sz(u"[not a key]")},
      {u";comment", REG_SZ, Sz(u"; not a comment")},
      {u"\"quoted\"", REG_SZ, Sz(u"\"\"")},
      {u"\uD55C\uAE00 name", REG_SZ, Sz(u"\uD55C\uAE00 \u00E9 \U0001F600")},
      {u"lone \xD800 high", REG_SZ, Sz(u"lone \xDC00 low")},
      {u"", REG_SZ, Sz(u"default value")},
      {u"tab\tand\x01" u"control", REG_DWORD, std::string("\x78\x56\x34\x12", 4)},
      {u"all bytes", REG_BINARY, allBytes},
      {u"empty binary", REG_BINARY, std::string()},
      {u"sz without terminator", REG_SZ, std::string("a\0b\0", 4)},
      {u"sz of odd length", REG_SZ, std::string("a\0b", 3)},
      {u"sz with inner zero", REG_SZ, std::string("a\0\0\0b\0\0\0", 8)},
      {u"short dword", REG_DWORD, std::string("\x01\x02\x03", 3)},
      {u"qword", REG_QWORD, std::string("\x01\x02\x03\x04\x05\x06\x07\x88", 8)},
      {u"multi", REG_MULTI_SZ, Sz(u"one") + Sz(u"two") + std::string(2, '\0')},
      {u"odd type", 0xFEDCBA98u, std::string("xyz")},
  };
  {
    Key k;
    ASSERT_EQ(Create(HKEY_CURRENT_USER, L"Software\\Round Trip", k), ERROR_SUCCESS);
    for (const Case& c : cases) ASSERT_EQ(Set(k.get(), Text(c.name), c.type, c.data), ERROR_SUCCESS);
  }

  Key k;
  ASSERT_EQ(Open(HKEY_CURRENT_USER, L"Software\\Round Trip", k), ERROR_SUCCESS);
  std::vector<CString> expectedNames;
  for (const Case& c : cases) {
    SCOPED_TRACE(QString::fromUtf16(c.name.data(), c.name.size()).toStdString());
    EXPECT_EQ(Query(k.get(), Text(c.name)), std::make_pair(c.type, c.data));
    expectedNames.push_back(Text(c.name));
  }
  EXPECT_EQ(ValueNames(k.get()), expectedNames);

  // One line for the header, one for the key, one for each value: nothing spills onto another line.
  const std::string file = ReadFileBytes(m_file);
  EXPECT_EQ(static_cast<size_t>(std::count(file.begin(), file.end(), '\n')), 2 + cases.size()) << file;
}

TEST_F(RegistryTest, KeyNamesWithAnyCharacterRoundTrip) {
  const std::vector<std::u16string> names = {u"a=b", u"[x]", u"%20", u"\uD55C\uAE00", u" spaced ", u";semi",
                                             u"\"q\"", u"\U0001F600", u"new\nline"};
  for (const auto& name : names) {
    Key k;
    ASSERT_EQ(Create(HKEY_CURRENT_USER, L"Names\\" + Text(name), k), ERROR_SUCCESS);
    ASSERT_EQ(Set(k.get(), L"v", REG_SZ, Sz(name)), ERROR_SUCCESS);
  }
  Key parent;
  ASSERT_EQ(Open(HKEY_CURRENT_USER, L"Names", parent), ERROR_SUCCESS);
  EXPECT_EQ(SubkeyNames(parent.get()).size(), names.size());
  for (const auto& name : names) {
    Key k;
    ASSERT_EQ(Open(parent.get(), Text(name), k), ERROR_SUCCESS);
    EXPECT_EQ(Query(k.get(), L"v"), std::make_pair(DWORD(REG_SZ), Sz(name)));
  }
}

TEST_F(RegistryTest, QueryFollowsTheWindowsSizeProtocol) {
  Key k;
  ASSERT_EQ(Create(HKEY_CURRENT_USER, L"Size", k), ERROR_SUCCESS);
  ASSERT_TRUE(platform::reg::SetString(k.get(), L"", L"Name", L"ab"));
  const std::string stored = Sz(u"ab");  // 6 bytes: 'a' 0 'b' 0 0 0

  struct Case {
    const char* what;
    bool withBuffer;
    DWORD bufferSize;
    LONG result;
    DWORD sizeAfter;
    bool filled;
  };
  const Case cases[] = {
      {"no buffer: size only", false, 0, ERROR_SUCCESS, 6, false},
      {"no buffer, size given", false, 100, ERROR_SUCCESS, 6, false},
      {"empty buffer", true, 0, ERROR_MORE_DATA, 6, false},
      {"one byte short", true, 5, ERROR_MORE_DATA, 6, false},
      {"exact", true, 6, ERROR_SUCCESS, 6, true},
      {"larger", true, 100, ERROR_SUCCESS, 6, true},
  };
  using Call = std::function<LONG(DWORD*, BYTE*, DWORD*)>;
  const std::pair<const char*, Call> calls[] = {
      {"RegQueryValueEx", [&](DWORD* t, BYTE* d, DWORD* cb) { return RegQueryValueEx(k.get(), L"Name", nullptr, t, d, cb); }},
      {"RegEnumValue", [&](DWORD* t, BYTE* d, DWORD* cb) {
         CString name;
         return RegEnumValue(k.get(), 0, &name, t, d, cb);
       }},
  };
  for (const auto& [callName, call] : calls) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(callName) + ": " + c.what);
      std::vector<BYTE> buffer(100, 0xEE);
      DWORD type = 0;
      DWORD size = c.bufferSize;
      EXPECT_EQ(call(&type, c.withBuffer ? buffer.data() : nullptr, &size), c.result);
      EXPECT_EQ(size, c.sizeAfter);
      EXPECT_EQ(type, DWORD(REG_SZ));
      if (c.filled) {
        EXPECT_EQ(Bytes(buffer.data(), 6), stored);
        EXPECT_EQ(buffer[6], 0xEE);  // nothing written past the value
      }
    }
    // A buffer without a size is a caller error, not a crash.
    BYTE buffer[8];
    EXPECT_EQ(call(nullptr, buffer, nullptr), ERROR_INVALID_PARAMETER);
  }
}

TEST_F(RegistryTest, EnumerationOrderAndEnd) {
  Key k;
  ASSERT_EQ(Create(HKEY_CURRENT_USER, L"Order", k), ERROR_SUCCESS);
  for (const wchar_t* name : {L"c", L"A", L"b"}) ASSERT_EQ(Set(k.get(), name, REG_DWORD, std::string(4, '\0')), ERROR_SUCCESS);
  for (const wchar_t* name : {L"zeta", L"Alpha", L"beta"}) {
    Key sub;
    ASSERT_EQ(Create(k.get(), name, sub), ERROR_SUCCESS);
  }
  // Values: the order first set, which setting again does not change; subkeys: name order, ignoring case.
  ASSERT_EQ(Set(k.get(), L"a", REG_DWORD, std::string(4, '\1')), ERROR_SUCCESS);
  EXPECT_EQ(ValueNames(k.get()), (std::vector<CString>{L"c", L"A", L"b"}));
  EXPECT_EQ(SubkeyNames(k.get()), (std::vector<CString>{L"Alpha", L"beta", L"zeta"}));

  ASSERT_EQ(RegDeleteValue(k.get(), L"A"), ERROR_SUCCESS);
  EXPECT_EQ(ValueNames(k.get()), (std::vector<CString>{L"c", L"b"}));

  CString name;
  EXPECT_EQ(RegEnumValue(k.get(), 2, &name, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);
  EXPECT_EQ(RegEnumKeyEx(k.get(), 3, &name), ERROR_NO_MORE_ITEMS);
  EXPECT_EQ(RegEnumKeyEx(k.get(), 0xFFFFFFFFu, &name), ERROR_NO_MORE_ITEMS);
}

TEST_F(RegistryTest, NamesMatchIgnoringCaseAndKeepTheirFirstCase) {
  ASSERT_TRUE(platform::reg::SetDword(HKEY_CURRENT_USER, L"Software\\MixedCase", L"ValueName", 1));
  ASSERT_TRUE(platform::reg::SetDword(HKEY_CURRENT_USER, L"SOFTWARE\\mixedcase", L"VALUENAME", 2));

  Key k;
  ASSERT_EQ(Open(HKEY_CURRENT_USER, L"software\\MIXEDCASE", k, KEY_READ), ERROR_SUCCESS);
  EXPECT_EQ(ValueNames(k.get()), (std::vector<CString>{L"ValueName"}));
  DWORD d = 0;
  EXPECT_TRUE(platform::reg::GetDword(HKEY_CURRENT_USER, L"Software\\MixedCase", L"valuename", d));
  EXPECT_EQ(d, 2u);
  Key software;
  ASSERT_EQ(Open(HKEY_CURRENT_USER, L"software", software, KEY_READ), ERROR_SUCCESS);
  EXPECT_EQ(SubkeyNames(software.get()), (std::vector<CString>{L"MixedCase"}));
  // Non-ASCII letters fold too.
  ASSERT_TRUE(platform::reg::SetString(HKEY_CURRENT_USER, L"\u00C9t\u00E9", L"\u00C4", L"x"));
  CString s;
  EXPECT_TRUE(platform::reg::GetString(HKEY_CURRENT_USER, L"\u00E9T\u00C9", L"\u00E4", s));
}

TEST_F(RegistryTest, CreateMakesMissingKeysAndTellsWhetherItDid) {
  DWORD disposition = 0;
  {
    Key k;
    ASSERT_EQ(Create(HKEY_LOCAL_MACHINE, L"A\\B\\C\\", k, KEY_ALL_ACCESS, &disposition), ERROR_SUCCESS);
    EXPECT_EQ(disposition, DWORD(REG_CREATED_NEW_KEY));
  }
  Key k;
  ASSERT_EQ(Create(HKEY_LOCAL_MACHINE, L"a\\b\\c", k, KEY_ALL_ACCESS, &disposition), ERROR_SUCCESS);
  EXPECT_EQ(disposition, DWORD(REG_OPENED_EXISTING_KEY));
  Key b;
  EXPECT_EQ(Open(HKEY_LOCAL_MACHINE, L"A\\B", b), ERROR_SUCCESS);
  // Roots are separate trees.
  Key other;
  EXPECT_EQ(Open(HKEY_CURRENT_USER, L"A", other), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(other.get(), nullptr);
  EXPECT_EQ(Open(HKEY_USERS, L"A", other), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(Open(HKEY_CLASSES_ROOT, L"A", other), ERROR_FILE_NOT_FOUND);
  // Malformed paths.
  for (const wchar_t* bad : {L"\\A", L"A\\\\B", L"\\"}) {
    Key x;
    EXPECT_EQ(Create(HKEY_LOCAL_MACHINE, bad, x), ERROR_INVALID_PARAMETER) << CString(bad).ToUtf8();
  }
  Key x;
  EXPECT_EQ(Create(HKEY_LOCAL_MACHINE, CString(L'k', 256), x), ERROR_INVALID_PARAMETER);
}

TEST_F(RegistryTest, DeleteValuesAndKeys) {
  Key k;
  ASSERT_EQ(Create(HKEY_CURRENT_USER, L"Del\\Parent\\Child", k), ERROR_SUCCESS);
  ASSERT_EQ(Set(k.get(), L"v", REG_DWORD, std::string(4, '\0')), ERROR_SUCCESS);

  EXPECT_EQ(RegDeleteValue(k.get(), L"V"), ERROR_SUCCESS);
  EXPECT_EQ(Query(k.get(), L"v"), std::nullopt);
  EXPECT_EQ(RegDeleteValue(k.get(), L"v"), ERROR_FILE_NOT_FOUND);

  EXPECT_EQ(RegDeleteKey(HKEY_CURRENT_USER, L"Del\\Parent"), ERROR_ACCESS_DENIED);  // has a subkey
  EXPECT_EQ(RegDeleteKey(HKEY_CURRENT_USER, L"Del\\Missing"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegDeleteKey(HKEY_CURRENT_USER, L""), ERROR_ACCESS_DENIED);  // a root
  EXPECT_EQ(RegDeleteKey(HKEY_CURRENT_USER, L"del\\parent\\CHILD"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteKey(HKEY_CURRENT_USER, L"Del\\Parent"), ERROR_SUCCESS);
  Key gone;
  EXPECT_EQ(Open(HKEY_CURRENT_USER, L"Del\\Parent", gone), ERROR_FILE_NOT_FOUND);
  Key del;
  ASSERT_EQ(Open(HKEY_CURRENT_USER, L"Del", del, KEY_ALL_ACCESS), ERROR_SUCCESS);
  EXPECT_TRUE(SubkeyNames(del.get()).empty());
  // A handle may delete its own key.
  EXPECT_EQ(RegDeleteKey(del.get(), L""), ERROR_SUCCESS);
  EXPECT_EQ(Open(HKEY_CURRENT_USER, L"Del", gone), ERROR_FILE_NOT_FOUND);

  EXPECT_TRUE(platform::reg::SetString(HKEY_CURRENT_USER, L"Del2", L"s", L"x"));
  EXPECT_TRUE(platform::reg::DeleteValue(HKEY_CURRENT_USER, L"Del2", L"S"));
  EXPECT_FALSE(platform::reg::DeleteValue(HKEY_CURRENT_USER, L"Del2", L"s"));
  EXPECT_FALSE(platform::reg::DeleteValue(HKEY_CURRENT_USER, L"NoSuchKey", L"s"));
}

TEST_F(RegistryTest, HandleRightsAreEnforced) {
  ASSERT_TRUE(platform::reg::SetDword(HKEY_CURRENT_USER, L"Rights", L"v", 1));
  Key reader, writer;
  ASSERT_EQ(Open(HKEY_CURRENT_USER, L"Rights", reader, KEY_READ), ERROR_SUCCESS);
  ASSERT_EQ(Open(HKEY_CURRENT_USER, L"Rights", writer, KEY_SET_VALUE), ERROR_SUCCESS);

  EXPECT_EQ(Set(reader.get(), L"v", REG_DWORD, std::string(4, '\0')), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegDeleteValue(reader.get(), L"v"), ERROR_ACCESS_DENIED);
  Key sub;
  EXPECT_EQ(Create(reader.get(), L"Sub", sub), ERROR_ACCESS_DENIED);
  EXPECT_EQ(Query(writer.get(), L"v"), std::nullopt);
  CString name;
  EXPECT_EQ(RegEnumKeyEx(writer.get(), 0, &name), ERROR_ACCESS_DENIED);
  EXPECT_EQ(Set(writer.get(), L"v", REG_DWORD, std::string("\2\0\0\0", 4)), ERROR_SUCCESS);
  DWORD d = 0;
  EXPECT_TRUE(platform::reg::GetDword(HKEY_CURRENT_USER, L"Rights", L"v", d));
  EXPECT_EQ(d, 2u);
}

TEST_F(RegistryTest, BadHandlesAreRejected) {
  Key closed;
  ASSERT_EQ(Create(HKEY_CURRENT_USER, L"Handles", closed), ERROR_SUCCESS);
  const HKEY stale = closed.get();
  ASSERT_EQ(RegCloseKey(stale), ERROR_SUCCESS);
  *closed.out() = nullptr;

  const HKEY bad[] = {stale, nullptr, reinterpret_cast<HKEY>(uintptr_t(0x1234)), reinterpret_cast<HKEY>(uintptr_t(0x80000004u))};
  for (HKEY h : bad) {
    SCOPED_TRACE(reinterpret_cast<uintptr_t>(h));
    HKEY out = nullptr;
    CString name;
    DWORD size = 0;
    EXPECT_EQ(RegOpenKeyEx(h, L"", 0, KEY_READ, &out), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCreateKeyEx(h, L"x", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &out, nullptr), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegQueryValueEx(h, L"v", nullptr, nullptr, nullptr, &size), ERROR_INVALID_HANDLE);
    EXPECT_EQ(Set(h, L"v", REG_SZ, Sz(u"x")), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegEnumValue(h, 0, &name, nullptr, nullptr, nullptr), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegEnumKeyEx(h, 0, &name), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegDeleteValue(h, L"v"), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegDeleteKey(h, L"x"), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCloseKey(h), ERROR_INVALID_HANDLE);
    EXPECT_EQ(out, nullptr);
  }
  EXPECT_EQ(RegCloseKey(HKEY_CURRENT_USER), ERROR_SUCCESS);
  EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, L"", 0, KEY_READ, nullptr), ERROR_INVALID_PARAMETER);
}

TEST_F(RegistryTest, TwoHandlesSeeEachOthersChangesAndDeletion) {
  Key a, b;
  ASSERT_EQ(Create(HKEY_CURRENT_USER, L"Shared\\Key", a), ERROR_SUCCESS);
  ASSERT_EQ(Open(HKEY_CURRENT_USER, L"shared\\key", b, KEY_ALL_ACCESS), ERROR_SUCCESS);

  ASSERT_EQ(Set(a.get(), L"v", REG_SZ, Sz(u"first")), ERROR_SUCCESS);
  EXPECT_EQ(Query(b.get(), L"v"), std::make_pair(DWORD(REG_SZ), Sz(u"first")));
  ASSERT_EQ(Set(b.get(), L"v", REG_SZ, Sz(u"second")), ERROR_SUCCESS);
  EXPECT_EQ(Query(a.get(), L"v"), std::make_pair(DWORD(REG_SZ), Sz(u"second")));

  // The key goes away under handle a: every call on a fails cleanly.
  ASSERT_EQ(RegDeleteKey(b.get(), L""), ERROR_SUCCESS);
  DWORD size = 0;
  CString name;
  Key sub;
  EXPECT_EQ(RegQueryValueEx(a.get(), L"v", nullptr, nullptr, nullptr, &size), ERROR_KEY_DELETED);
  EXPECT_EQ(Set(a.get(), L"v", REG_SZ, Sz(u"x")), ERROR_KEY_DELETED);
  EXPECT_EQ(RegEnumValue(a.get(), 0, &name, nullptr, nullptr, nullptr), ERROR_KEY_DELETED);
  EXPECT_EQ(RegEnumKeyEx(a.get(), 0, &name), ERROR_KEY_DELETED);
  EXPECT_EQ(RegDeleteValue(a.get(), L"v"), ERROR_KEY_DELETED);
  EXPECT_EQ(Create(a.get(), L"Sub", sub), ERROR_KEY_DELETED);
  EXPECT_EQ(Open(a.get(), L"", sub), ERROR_KEY_DELETED);
  EXPECT_FALSE(platform::reg::SetDword(a.get(), L"", L"v", 1));
  Key check;
  EXPECT_EQ(Open(HKEY_CURRENT_USER, L"Shared\\Key", check), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryTest, ChangesMadeToTheFileOutsideAreSeen) {
  ASSERT_TRUE(platform::reg::SetDword(HKEY_CURRENT_USER, L"Outside", L"v", 1));
  WriteFileBytes(m_file,
                 "; winreg text store 1\n"
                 "[HKEY_CURRENT_USER\\Outside]\n"
                 "v=dword:0000002a\n"
                 "s=sz:\"from %22outside%22\"\n");
  DWORD d = 0;
  CString s;
  EXPECT_TRUE(platform::reg::GetDword(HKEY_CURRENT_USER, L"Outside", L"v", d));
  EXPECT_EQ(d, 42u);
  EXPECT_TRUE(platform::reg::GetString(HKEY_CURRENT_USER, L"Outside", L"s", s));
  EXPECT_EQ(s, CString(L"from \"outside\""));
}

TEST_F(RegistryTest, ConcurrentWritersInThreadsKeepEveryValue) {
  auto writer = [](int id) {
    for (int i = 0; i < 50; ++i)
      platform::reg::SetDword(HKEY_CURRENT_USER, L"Concurrent",
                              CString(QString("t%1_%2").arg(id).arg(i)), static_cast<DWORD>(id * 1000 + i));
  };
  std::thread first(writer, 1), second(writer, 2);
  first.join();
  second.join();
  Key k;
  ASSERT_EQ(Open(HKEY_CURRENT_USER, L"Concurrent", k), ERROR_SUCCESS);
  EXPECT_EQ(ValueNames(k.get()).size(), 100u);
  DWORD d = 0;
  EXPECT_TRUE(platform::reg::GetDword(HKEY_CURRENT_USER, L"Concurrent", L"t2_49", d));
  EXPECT_EQ(d, 2049u);
}

TEST_F(RegistryTest, ConcurrentWritersInProcessesKeepEveryValue) {
  int start[2];
  ASSERT_EQ(pipe(start), 0);
  std::vector<pid_t> children;
  for (int id = 1; id <= 2; ++id) {
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      close(start[1]);
      char c;
      while (read(start[0], &c, 1) < 0) {
      }
      // The parent wrote this after the fork: the child sees it through the file.
      CString go;
      if (!platform::reg::GetString(HKEY_CURRENT_USER, L"Processes", L"go", go) || go != CString(L"yes")) _exit(3);
      for (int i = 0; i < 50; ++i)
        if (!platform::reg::SetDword(HKEY_CURRENT_USER, L"Processes", CString(QString("p%1_%2").arg(id).arg(i)),
                                     static_cast<DWORD>(i)))
          _exit(4);
      _exit(0);
    }
    children.push_back(pid);
  }
  close(start[0]);
  EXPECT_TRUE(platform::reg::SetString(HKEY_CURRENT_USER, L"Processes", L"go", L"yes"));
  close(start[1]);  // both children start writing now
  for (pid_t pid : children) {
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
  }
  Key k;
  ASSERT_EQ(Open(HKEY_CURRENT_USER, L"Processes", k), ERROR_SUCCESS);
  EXPECT_EQ(ValueNames(k.get()).size(), 101u);
}

TEST_F(RegistryTest, DamagedFileReadsEmptyIsReportedOnceAndIsKeptWhenReplaced) {
  const std::string header = "; winreg text store 1\n";
  const std::string key = "[HKEY_CURRENT_USER\\Software]\n";
  const std::pair<const char*, std::string> cases[] = {
      {"binary garbage", std::string("\x7f" "ELF\0\1\2\3\xff\xfe", 10)},
      {"no header", key + "v=dword:00000001\n"},
      {"other header", "; winreg text store 2\n" + key},
      {"value before any key", header + "v=dword:00000001\n"},
      {"unknown root", header + "[HKEY_NOWHERE\\x]\n"},
      {"unterminated key", header + "[HKEY_CURRENT_USER\\x\n"},
      {"empty key name", header + "[HKEY_CURRENT_USER\\\\x]\n"},
      {"value without =", header + key + "just text\n"},
      {"short dword", header + key + "v=dword:123\n"},
      {"dword with non-hex", header + key + "v=dword:0000000g\n"},
      {"odd hex", header + key + "v=hex(3):abc\n"},
      {"bad type number", header + key + "v=hex(x):00\n"},
      {"type too large", header + key + "v=hex(4294967296):00\n"},
      {"unknown form", header + key + "v=text:abc\n"},
      {"unclosed string", header + key + "v=sz:\"abc\n"},
      {"broken escape", header + key + "v%4=sz:\"\"\n"},
      {"broken unit escape", header + key + "v%uD8=sz:\"\"\n"},
      {"invalid UTF-8", header + key + "v\xc3=sz:\"\"\n"},
      {"overlong UTF-8", header + key + "v\xc0\xaf=sz:\"\"\n"},
      {"truncated UTF-8 at end", header + key + "v=sz:\"\xe2\x82\""},
  };
  for (const auto& [what, content] : cases) {
    SCOPED_TRACE(what);
    fs::remove(m_file + ".bad");
    WriteFileBytes(m_file, content);

    testing::internal::CaptureStderr();
    Key k;
    EXPECT_EQ(Open(HKEY_CURRENT_USER, L"Software", k), ERROR_FILE_NOT_FOUND);
    EXPECT_TRUE(platform::reg::EnumStrings(HKEY_CURRENT_USER, L"Software").empty());
    Key root;
    ASSERT_EQ(Open(HKEY_CURRENT_USER, L"", root), ERROR_SUCCESS);
    EXPECT_TRUE(SubkeyNames(root.get()).empty());
    const std::string reported = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(reported.begin(), reported.end(), '\n'), 1) << reported;
    EXPECT_NE(reported.find(m_file), std::string::npos) << reported;
    EXPECT_EQ(ReadFileBytes(m_file), content);  // reading never rewrites

    testing::internal::CaptureStderr();
    EXPECT_TRUE(platform::reg::SetDword(HKEY_CURRENT_USER, L"Software", L"fresh", 7));
    const std::string replaced = testing::internal::GetCapturedStderr();
    EXPECT_NE(replaced.find(".bad"), std::string::npos) << replaced;
    EXPECT_EQ(ReadFileBytes(m_file + ".bad"), content);
    Key fresh;
    ASSERT_EQ(Open(HKEY_CURRENT_USER, L"Software", fresh), ERROR_SUCCESS);
    EXPECT_EQ(ValueNames(fresh.get()), (std::vector<CString>{L"fresh"}));
  }
}

TEST_F(RegistryTest, MissingEmptyOrBlankFilesAreEmptyStoresWithoutComplaint) {
  for (const char* content : {static_cast<const char*>(nullptr), "", "\n\n  \n", "; winreg text store 1\r\n"}) {
    fs::remove(m_file);
    if (content) WriteFileBytes(m_file, content);
    testing::internal::CaptureStderr();
    EXPECT_TRUE(platform::reg::EnumStrings(HKEY_CURRENT_USER, L"").empty());
    EXPECT_TRUE(platform::reg::SetString(HKEY_CURRENT_USER, L"K", L"v", L"x"));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_FALSE(fs::exists(m_file + ".bad"));
  }
}

TEST_F(RegistryTest, UnreadableFileIsNeverReplaced) {
  fs::create_directories(m_file);  // a folder where the file should be
  testing::internal::CaptureStderr();
  EXPECT_TRUE(platform::reg::EnumStrings(HKEY_CURRENT_USER, L"").empty());
  EXPECT_FALSE(platform::reg::SetDword(HKEY_CURRENT_USER, L"K", L"v", 1));
  Key k;
  EXPECT_EQ(Create(HKEY_CURRENT_USER, L"K", k), ERROR_ACCESS_DENIED);
  const std::string reported = testing::internal::GetCapturedStderr();
  EXPECT_EQ(std::count(reported.begin(), reported.end(), '\n'), 1) << reported;
  EXPECT_TRUE(fs::is_directory(m_file));
}

TEST_F(RegistryTest, ReadOnlyFolderMakesChangesFailWithoutLosingData) {
  if (geteuid() == 0) GTEST_SKIP() << "permissions do not bind root";
  ASSERT_TRUE(platform::reg::SetDword(HKEY_CURRENT_USER, L"K", L"v", 1));
  const std::string before = ReadFileBytes(m_file);
  const fs::path folder = fs::path(m_file).parent_path();
  fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
  testing::internal::CaptureStderr();
  EXPECT_FALSE(platform::reg::SetDword(HKEY_CURRENT_USER, L"K", L"v", 2));
  testing::internal::GetCapturedStderr();
  fs::permissions(folder, fs::perms::owner_all);
  DWORD d = 0;
  EXPECT_TRUE(platform::reg::GetDword(HKEY_CURRENT_USER, L"K", L"v", d));
  EXPECT_EQ(d, 1u);
  EXPECT_EQ(ReadFileBytes(m_file), before);
}

// Sets or removes an environment variable for the life of the object.
class EnvVar {
 public:
  EnvVar(const char* name, const char* value) : m_name(name) {
    if (const char* old = std::getenv(name)) m_old = old;
    if (value)
      setenv(name, value, 1);
    else
      unsetenv(name);
  }
  ~EnvVar() {
    if (m_old)
      setenv(m_name, m_old->c_str(), 1);
    else
      unsetenv(m_name);
  }

 private:
  const char* m_name;
  std::optional<std::string> m_old;
};

TEST_F(RegistryTest, FileLocationFollowsSetterThenEnvironmentThenConfigFolder) {
  struct Case {
    const char* setter;
    const char* env;
    const char* xdg;
    const char* home;
    const char* expected;
  };
  const Case cases[] = {
      {"/set/r.txt", "/env/r.txt", "/xdg", "/home/u", "/set/r.txt"},
      {nullptr, "/env/r.txt", "/xdg", "/home/u", "/env/r.txt"},
      {nullptr, "", "/xdg", "/home/u", "/xdg/winreg/registry.txt"},
      {nullptr, nullptr, "/xdg", "/home/u", "/xdg/winreg/registry.txt"},
      {nullptr, nullptr, nullptr, "/home/u", "/home/u/.config/winreg/registry.txt"},
      {nullptr, nullptr, "", "/home/u", "/home/u/.config/winreg/registry.txt"},
      {nullptr, nullptr, "relative", "/home/u", "/home/u/.config/winreg/registry.txt"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expected);
    EnvVar env("PLATFORM_REGISTRY_FILE", c.env), xdg("XDG_CONFIG_HOME", c.xdg), home("HOME", c.home);
    platform::SetRegistryPath(c.setter ? CString(c.setter) : CString());
    EXPECT_EQ(platform::GetRegistryPath(), CString(c.expected));
  }

  // And the environment variable is really used for the file.
  const std::string viaEnv = m_dir + "/env/registry.txt";
  EnvVar env("PLATFORM_REGISTRY_FILE", viaEnv.c_str());
  platform::SetRegistryPath(CString());
  ASSERT_TRUE(platform::reg::SetDword(HKEY_CURRENT_USER, L"K", L"v", 5));
  EXPECT_NE(ReadFileBytes(viaEnv).find("v=dword:00000005"), std::string::npos);
}

TEST_F(RegistryTest, StringShortcutsReadWhatOthersStored) {
  Key k;
  ASSERT_EQ(Create(HKEY_CURRENT_USER, L"Strings", k), ERROR_SUCCESS);
  ASSERT_EQ(Set(k.get(), L"unterminated", REG_SZ, std::string("a\0b\0", 4)), ERROR_SUCCESS);
  ASSERT_EQ(Set(k.get(), L"number", REG_DWORD, std::string(4, '\0')), ERROR_SUCCESS);
  ASSERT_EQ(Set(k.get(), L"expand", REG_EXPAND_SZ, Sz(u"%HOME%")), ERROR_SUCCESS);
  ASSERT_EQ(Set(k.get(), L"inner zero", REG_SZ, std::string("x\0\0\0y\0\0\0", 8)), ERROR_SUCCESS);
  ASSERT_EQ(Set(k.get(), L"odd", REG_SZ, std::string("z\0q", 3)), ERROR_SUCCESS);

  const std::vector<std::pair<CString, CString>> expected = {
      {L"unterminated", L"ab"}, {L"expand", L"%HOME%"}, {L"inner zero", L"x"}, {L"odd", L"z"}};
  EXPECT_EQ(platform::reg::EnumStrings(HKEY_CURRENT_USER, L"Strings"), expected);
  EXPECT_TRUE(platform::reg::EnumStrings(HKEY_CURRENT_USER, L"No\\Such\\Key").empty());
  CString s = L"unchanged";
  EXPECT_FALSE(platform::reg::GetString(HKEY_CURRENT_USER, L"Strings", L"missing", s));
  EXPECT_EQ(s, CString(L"unchanged"));
}

}  // namespace
