// Tests of the resource library loader: the name rule and the folder search, refusal of files
// that are no sound resource library, texts and their cutting, bitmaps, reference counts and stale
// handles, the program's own resources, several threads, and the per-thread last error.
#include "platform/reslib.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QImage>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/gdi.h"
#include "platform/resources.h"
#include "platform/winapp.h"

namespace {

namespace fs = std::filesystem;

const char* const kTestLib = TESTRESLIB_PATH;

// The text the test library builds its long entries from: 'a' + i % 10.
CString Pattern(int length) {
  std::u16string s;
  for (int i = 0; i < length; ++i) s += static_cast<char16_t>(u'a' + i % 10);
  return CString(s.c_str());
}

// True when the file is mapped into this process.
bool Mapped(const std::string& path) {
  std::ifstream maps("/proc/self/maps");
  const std::string name = fs::path(path).filename().string();
  for (std::string line; std::getline(maps, line);) {
    if (line.size() >= name.size() && line.compare(line.size() - name.size(), name.size(), name) == 0) return true;
  }
  return false;
}

// A temporary folder removed at scope end; the library folder override is reset with it.
class TempFolder {
 public:
  TempFolder() {
    char name[] = "/tmp/brelvano-reslib-XXXXXX";
    m_path = mkdtemp(name);
  }
  ~TempFolder() {
    platform::SetLibraryFolder(CString());
    std::error_code ec;
    fs::remove_all(m_path, ec);
  }
  const std::string& Path() const { return m_path; }
  std::string File(const std::string& name) const { return m_path + "/" + name; }

 private:
  std::string m_path;
};

// A loaded library freed at scope end.
class Lib {
 public:
  explicit Lib(const CString& name) : m_h(LoadLibrary(name)) {}
  ~Lib() {
    if (m_h) FreeLibrary(m_h);
  }
  Lib(const Lib&) = delete;
  Lib& operator=(const Lib&) = delete;
  HINSTANCE get() const { return m_h; }

 private:
  HINSTANCE m_h;
};

TEST(ResLib, NamesMapToTheSharedLibrarySuffix) {
  struct Case {
    const char* name;
    const char* mapped;
  } cases[] = {
      {"Texts.dll", "Texts.so"},     {"Texts.DLL", "Texts.so"},          {"Texts", "Texts.so"},
      {"dir\\Texts.dll", "dir/Texts.so"}, {"my.dir/Texts", "my.dir/Texts.so"}, {"libm.so.6", "libm.so.6"},
      {"Texts.dat", "Texts.dat"},    {"Texts.so", "Texts.so"},           {".dll", ".so"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(platform::MapLibraryFileName(CString(c.name)), CString(c.mapped)) << c.name;
  }
}

TEST(ResLib, FindsLibrariesByPathAndInTheProgramFolderFirst) {
  TempFolder tmp;
  std::ofstream(tmp.File("fake.so")) << "not a shared library";
  fs::copy_file(kTestLib, tmp.File("Other.so"));

  struct Case {
    std::string name;
    bool useTempFolder;  // search tmp instead of the program's folder
    DWORD error;         // ERROR_SUCCESS: loads
  } cases[] = {
      {kTestLib, false, ERROR_SUCCESS},
      {"testreslib.dll", false, ERROR_SUCCESS},  // beside the test program
      {"testreslib", false, ERROR_SUCCESS},
      {"testreslib.dll", true, ERROR_MOD_NOT_FOUND},  // the override replaces the program's folder
      {"Other.dll", true, ERROR_SUCCESS},
      {"Other.dll", false, ERROR_MOD_NOT_FOUND},
      {"fake.dll", true, ERROR_BAD_EXE_FORMAT},
      {tmp.File("fake.dll"), false, ERROR_BAD_EXE_FORMAT},
      {"no-such-library.dll", false, ERROR_MOD_NOT_FOUND},
      {tmp.File("missing.dll"), false, ERROR_MOD_NOT_FOUND},
      {tmp.Path(), false, ERROR_MOD_NOT_FOUND},  // a folder
      {"", false, ERROR_INVALID_PARAMETER},
  };
  for (const Case& c : cases) {
    platform::SetLibraryFolder(c.useTempFolder ? CString(tmp.Path().c_str()) : CString());
    SetLastError(12345);
    HINSTANCE h = LoadLibrary(CString(c.name.c_str()));
    EXPECT_EQ(GetLastError(), c.error) << c.name;
    EXPECT_EQ(h != nullptr, c.error == ERROR_SUCCESS) << c.name;
    if (h != nullptr) {
      CString text;
      EXPECT_EQ(LoadString(h, 1, text, 0), 5) << c.name;
      EXPECT_TRUE(FreeLibrary(h));
    }
  }
}

TEST(ResLib, RefusesUnsoundTablesAndUnloadsThem) {
  const char* kinds[] = {"notable", "magic", "version", "nostrings", "notext", "nobitmap", "count", "nulltable"};
  for (const char* kind : kinds) {
    const std::string path = std::string(BADRESLIB_DIR) + "/badreslib_" + kind + ".so";
    ASSERT_TRUE(fs::exists(path)) << path;
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(LoadLibrary(CString(path.c_str())), nullptr) << kind;
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BAD_EXE_FORMAT)) << kind;
    EXPECT_FALSE(Mapped(path)) << kind << " stayed loaded";
  }
}

TEST(ResLib, TextsComeBackCutToTheRoomGiven) {
  Lib lib(kTestLib);
  ASSERT_NE(lib.get(), nullptr);
  const CString lines(u"Line one\nLinha dois: a\u00e7\u00e3o \U0001F600");
  struct Case {
    UINT id;
    int maxChars;
    CString text;  // empty: nothing
    DWORD error;
  } cases[] = {
      {1, 260, L"Hello", ERROR_SUCCESS},  // the first entry of a repeated number wins
      {1, 3, L"He", ERROR_SUCCESS},
      {1, 1, L"", ERROR_SUCCESS},  // room for the terminator only
      {1, 0, L"Hello", ERROR_SUCCESS},
      {2, 260, Pattern(259), ERROR_SUCCESS},
      {2, 0, Pattern(300), ERROR_SUCCESS},
      {5, 260, Pattern(259), ERROR_SUCCESS},
      {6, 260, Pattern(259), ERROR_SUCCESS},
      {6, 261, Pattern(260), ERROR_SUCCESS},
      {3, 260, lines, ERROR_SUCCESS},
      {4, 260, L"", ERROR_RESOURCE_NAME_NOT_FOUND},  // an empty text reads as absent
      {999, 260, L"", ERROR_RESOURCE_NAME_NOT_FOUND},
      {1, -1, L"", ERROR_INVALID_PARAMETER},
  };
  for (const Case& c : cases) {
    CString out(L"stale");
    SetLastError(12345);
    const int n = LoadString(lib.get(), c.id, out, c.maxChars);
    EXPECT_EQ(out, c.text) << c.id << " / " << c.maxChars;
    EXPECT_EQ(n, c.text.GetLength()) << c.id << " / " << c.maxChars;
    if (c.text.IsEmpty()) {
      EXPECT_EQ(GetLastError(), c.error) << c.id << " / " << c.maxChars;
    }
  }
  EXPECT_EQ(lines.GetLength(), 28);  // the emoji counts two units
  EXPECT_EQ(lines.GetAt(8), L'\n');
}

TEST(ResLib, BitmapsAreDecodedCopiesThatOutliveTheLibrary) {
  HINSTANCE h = LoadLibrary(kTestLib);
  ASSERT_NE(h, nullptr);
  HBITMAP bmp = LoadBitmapFrom(h, 100);
  ASSERT_NE(bmp, nullptr);
  std::string bytes;
  EXPECT_TRUE(platform::GetBitmapResourceBytes(h, 100, bytes));
  EXPECT_EQ(bytes.size(), 70u);
  EXPECT_EQ(bytes.substr(0, 2), "BM");

  struct Bad {
    UINT id;
    DWORD error;
  } bad[] = {{101, ERROR_INVALID_DATA}, {102, ERROR_INVALID_DATA}, {103, ERROR_INVALID_DATA},
             {999, ERROR_RESOURCE_NAME_NOT_FOUND}};
  for (const Bad& b : bad) {
    EXPECT_EQ(LoadBitmapFrom(h, b.id), nullptr) << b.id;
    EXPECT_EQ(GetLastError(), b.error) << b.id;
  }
  EXPECT_FALSE(platform::GetBitmapResourceBytes(h, 999, bytes));
  EXPECT_TRUE(bytes.empty());

  ASSERT_TRUE(FreeLibrary(h));
  const QImage img = platform::ImageFromHBitmap(bmp);  // after the library is gone
  ASSERT_EQ(img.size(), QSize(2, 2));
  EXPECT_EQ(img.pixel(0, 0) & 0xFFFFFFu, 0xFF00FFu);
  EXPECT_EQ(img.pixel(1, 0) & 0xFFFFFFu, 0xFF0000u);
  EXPECT_EQ(img.pixel(0, 1) & 0xFFFFFFu, 0x00FF00u);
  EXPECT_EQ(img.pixel(1, 1) & 0xFFFFFFu, 0x0000FFu);
  EXPECT_TRUE(DeleteObject(bmp));
}

TEST(ResLib, ReferencesAreCountedAndRetiredHandlesStayDead) {
  HINSTANCE first = LoadLibrary(kTestLib);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(LoadLibrary(CString("testreslib.dll")), first);  // the same file by another name
  CString text;
  EXPECT_TRUE(FreeLibrary(first));
  EXPECT_EQ(LoadString(first, 1, text, 260), 5) << "one reference is left";
  EXPECT_TRUE(Mapped(kTestLib));
  EXPECT_TRUE(FreeLibrary(first));
  EXPECT_FALSE(Mapped(kTestLib));

  for (HINSTANCE dead : {first, static_cast<HINSTANCE>(nullptr), reinterpret_cast<HINSTANCE>(uintptr_t{0x1234})}) {
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(LoadString(dead, 1, text, 260), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(LoadBitmapFrom(dead, 100), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_FALSE(FreeLibrary(dead));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  }

  Lib again(kTestLib);
  ASSERT_NE(again.get(), nullptr);
  EXPECT_NE(again.get(), first) << "a retired handle was given out again";
}

TEST(ResLib, TheProgramsOwnHandleReadsItsOwnResources) {
  platform::SetStringTable([](UINT id, CString& out) {
    if (id != 42) return false;
    out = L"Own text";
    return true;
  });
  QImage image(3, 2, QImage::Format_RGB32);
  image.fill(QColor(10, 20, 30));
  platform::RegisterBitmapResource(4242, image);

  HINSTANCE self = AfxGetInstanceHandle();
  CString text;
  EXPECT_EQ(LoadString(self, 42, text, 260), 8);
  EXPECT_EQ(text, CString(L"Own text"));
  EXPECT_EQ(LoadString(self, 43, text, 260), 0);
  HBITMAP bmp = LoadBitmapFrom(self, 4242);
  ASSERT_NE(bmp, nullptr);
  EXPECT_EQ(platform::ImageFromHBitmap(bmp).size(), QSize(3, 2));
  EXPECT_TRUE(DeleteObject(bmp));
  EXPECT_EQ(LoadBitmapFrom(self, 4243), nullptr);
  EXPECT_FALSE(FreeLibrary(self));

  platform::SetStringTable({});
  platform::UnregisterResource(4242);
}

TEST(ResLib, ManyThreadsLoadReadAndFreeTogether) {
  std::atomic<int> failures{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([&failures] {
      for (int i = 0; i < 100; ++i) {
        HINSTANCE h = LoadLibrary(kTestLib);
        CString text;
        if (h == nullptr || LoadString(h, 2, text, 260) != 259 || !FreeLibrary(h)) ++failures;
      }
    });
  }
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(failures.load(), 0);
  EXPECT_FALSE(Mapped(kTestLib)) << "a reference was lost";
}

TEST(ResLib, TheLastErrorBelongsToEachThread) {
  SetLastError(5);
  DWORD seen = 0;
  std::thread other([&seen] {
    seen = GetLastError();
    LoadLibrary(CString("no-such-library.dll"));
  });
  other.join();
  EXPECT_EQ(seen, static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_EQ(GetLastError(), 5u);
}

}  // namespace
