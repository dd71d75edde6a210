// Tests of the file helpers: wildcard search, whole-file reads and atomic writes, copies, renames.
#include "platform/files.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

using platform::JoinPath;

namespace {

class Files : public testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (std::filesystem::temp_directory_path() / "brelvano-files-XXXXXX").string();
    ASSERT_NE(mkdtemp(&tmpl[0]), nullptr);
    root_ = tmpl;
    chmod(root_.c_str(), 0755);
    dir_ = CString::FromUtf8(root_);
  }
  void TearDown() override {
    // Read-only folders made by a test must not stop the clean-up.
    std::error_code ec;
    for (auto it = std::filesystem::recursive_directory_iterator(root_, ec);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
      if (it->is_directory(ec)) chmod(it->path().c_str(), 0755);
    }
    std::filesystem::remove_all(root_, ec);
  }

  CString Path(const char* name) const { return JoinPath(dir_, CString(name)); }

  void Put(const char* name, const std::string& bytes) const {
    ASSERT_TRUE(platform::WriteWholeFile(Path(name), bytes)) << name;
  }

  std::string Get(const char* name) const {
    std::string bytes;
    EXPECT_TRUE(platform::ReadWholeFile(Path(name), bytes)) << name;
    return bytes;
  }

  // Every name in a folder (recursively, relative), sorted: shows leftover temporary files.
  std::vector<std::string> Entries() const {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::recursive_directory_iterator(root_)) {
      names.push_back(std::filesystem::relative(e.path(), root_).string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  mode_t Mode(const char* name) const {
    struct stat st {};
    EXPECT_EQ(stat(Path(name).ToUtf8().c_str(), &st), 0) << name;
    return st.st_mode & 07777;
  }

  std::string root_;
  CString dir_;
};

// Runs fn in a child process (as an unprivileged user when asked and we are root) and returns
// what it returned; -1 when the child did not exit normally.
int InChild(const std::function<bool()>& fn, bool dropPrivileges) {
  const pid_t pid = fork();
  if (pid == 0) {
    if (dropPrivileges && geteuid() == 0) {
      if (setgid(65534) != 0 || setuid(65534) != 0) _exit(3);
    }
    _exit(fn() ? 1 : 0);
  }
  int status = 0;
  if (pid < 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

}  // namespace

TEST_F(Files, WriteThenReadRoundTripsAnyBytes) {
  const std::string cases[] = {
      std::string(),
      std::string("one line\r\n"),
      std::string("\0\xFF\x01 binary\0", 11),
      std::string(200000, 'x'),
  };
  for (const std::string& bytes : cases) {
    SCOPED_TRACE(bytes.size());
    Put("data.bin", bytes);
    EXPECT_EQ(Get("data.bin"), bytes);
    EXPECT_EQ(platform::FileSize(Path("data.bin")), static_cast<long long>(bytes.size()));
  }
  Put("\xED\x95\x9C\xEA\xB5\xAD\xEC\x96\xB4 a\xC3\xA7\xC3\xA3o.txt", "k");  // "한국어 ação.txt"
  EXPECT_EQ(Entries(), (std::vector<std::string>{"data.bin",
                                                 "\xED\x95\x9C\xEA\xB5\xAD\xEC\x96\xB4 a\xC3\xA7\xC3\xA3o.txt"}));
}

TEST_F(Files, FailedWritesLeaveTheOldFileAndNoTemporaryFile) {
  Put("existing.txt", "old");
  ASSERT_TRUE(platform::CreateFolder(Path("sub")));
  const std::vector<std::string> before = Entries();
  const char* paths[] = {
      "existing.txt/child.txt",  // parent is a file
      "nofolder/x.txt",          // missing folder
      "sub",                     // target is a folder
      "sub/",                    // no file name
  };
  for (const char* p : paths) {
    SCOPED_TRACE(p);
    EXPECT_FALSE(platform::WriteWholeFile(Path(p), "new"));
    EXPECT_EQ(Entries(), before);
  }
  EXPECT_FALSE(platform::WriteWholeFile(CString(), "new"));
  EXPECT_EQ(Get("existing.txt"), "old");
}

TEST_F(Files, WriteIntoAReadOnlyFolderFailsAndKeepsTheOldFile) {
  ASSERT_TRUE(platform::CreateFolder(Path("ro")));
  Put("ro/keep.txt", "old");
  ASSERT_EQ(chmod(Path("ro").ToUtf8().c_str(), 0555), 0);
  ASSERT_TRUE(platform::CreateFolder(Path("rw")));
  ASSERT_EQ(chmod(Path("rw").ToUtf8().c_str(), 0777), 0);
  // The same user can write where the folder allows it, so the refusal below is the folder's.
  const CString allowed = Path("rw/new.txt");
  ASSERT_EQ(InChild([&] { return platform::WriteWholeFile(allowed, "new"); }, true), 1);
  const std::vector<std::string> before = Entries();
  const CString target = Path("ro/keep.txt");
  EXPECT_EQ(InChild([&] { return platform::WriteWholeFile(target, "new"); }, true), 0);
  EXPECT_EQ(Get("ro/keep.txt"), "old");
  EXPECT_EQ(Entries(), before);
}

TEST_F(Files, WriteFailingMidwayKeepsTheOldFile) {
  Put("big.txt", "old");
  const std::vector<std::string> before = Entries();
  const CString target = Path("big.txt");
  // The file size limit makes the write of the temporary file fail part of the way.
  EXPECT_EQ(InChild(
                [&] {
                  signal(SIGXFSZ, SIG_IGN);
                  struct rlimit limit {1024, 1024};
                  setrlimit(RLIMIT_FSIZE, &limit);
                  return platform::WriteWholeFile(target, std::string(100000, 'n'));
                },
                false),
            0);
  EXPECT_EQ(Get("big.txt"), "old");
  EXPECT_EQ(Entries(), before);
}

TEST_F(Files, PermissionsAndSymbolicLinks) {
  const mode_t old = umask(022);
  Put("new.txt", "a");
  EXPECT_EQ(Mode("new.txt"), 0644u);
  ASSERT_EQ(chmod(Path("new.txt").ToUtf8().c_str(), 0600), 0);
  Put("new.txt", "b");
  EXPECT_EQ(Mode("new.txt"), 0600u);
  umask(old);

  ASSERT_EQ(symlink("new.txt", Path("link.txt").ToUtf8().c_str()), 0);
  Put("link.txt", "through the link");
  EXPECT_EQ(Get("new.txt"), "through the link");
  struct stat st {};
  ASSERT_EQ(lstat(Path("link.txt").ToUtf8().c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
}

TEST_F(Files, WildcardsInTheLastComponent) {
  for (const char* name : {"a.txt", "B.TXT", "data1.bin", "data22.bin", "noext"}) Put(name, "x");
  ASSERT_TRUE(platform::CreateFolder(Path("sub")));
  Put("sub/inner.txt", "x");

  struct Case {
    const char* pattern;
    std::vector<std::string> found;  // names, sorted
  };
  const Case cases[] = {
      {"*.txt", {"B.TXT", "a.txt"}},
      {"*.TXT", {"B.TXT", "a.txt"}},  // without regard to case
      {"data?.bin", {"data1.bin"}},
      {"data??.bin", {"data22.bin"}},
      {"data???.bin", {}},
      {"data*", {"data1.bin", "data22.bin"}},
      {"*.*", {"B.TXT", "a.txt", "data1.bin", "data22.bin", "noext", "sub"}},
      {"*", {"B.TXT", "a.txt", "data1.bin", "data22.bin", "noext", "sub"}},
      {"*e*t", {"noext"}},
      {"s?b", {"sub"}},
      {"*.csv", {}},
      {"noext", {"noext"}},  // no wildcard: the path itself
      {"missing", {}},
      {"sub/*.txt", {"sub/inner.txt"}},
      {"nofolder/*.txt", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pattern);
    std::vector<CString> expected;
    for (const std::string& n : c.found) expected.push_back(Path(n.c_str()));
    EXPECT_EQ(platform::FindFiles(Path(c.pattern)), expected);
    EXPECT_EQ(platform::FileExists(Path(c.pattern)), !c.found.empty());
  }
  EXPECT_FALSE(platform::FileExists(CString()));
  EXPECT_TRUE(platform::FindFiles(CString()).empty());
}

TEST_F(Files, RelativePatternsUseTheCurrentFolder) {
  Put("rel.txt", "x");
  const CString saved = platform::GetCurrentFolder();
  ASSERT_TRUE(platform::SetCurrentFolder(dir_));
  EXPECT_EQ(platform::GetCurrentFolder(), CString::FromUtf8(std::filesystem::canonical(root_).string()));
  EXPECT_TRUE(platform::FileExists(L"rel.txt"));
  EXPECT_EQ(platform::FindFiles(L"r*.txt"), (std::vector<CString>{L"rel.txt"}));
  EXPECT_FALSE(platform::SetCurrentFolder(Path("missing")));
  EXPECT_FALSE(platform::SetCurrentFolder(CString()));
  ASSERT_TRUE(platform::SetCurrentFolder(saved));
}

TEST_F(Files, CreateAndDelete) {
  Put("file", "x");
  struct FolderCase {
    const char* name;
    bool ok;
  };
  const FolderCase folders[] = {{"new", true}, {"new", true}, {"file", false}, {"no/parent", false}};
  for (const FolderCase& c : folders) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(platform::CreateFolder(Path(c.name)), c.ok);
  }
  EXPECT_FALSE(platform::CreateFolder(CString()));
  EXPECT_TRUE(std::filesystem::is_directory(root_ + "/new"));

  EXPECT_FALSE(platform::DeleteFile(Path("new")));  // not a folder
  EXPECT_TRUE(platform::DeleteFile(Path("file")));
  EXPECT_FALSE(platform::DeleteFile(Path("file")));
  EXPECT_EQ(Entries(), (std::vector<std::string>{"new"}));
}

TEST_F(Files, ReadFailuresAndSizes) {
  std::string bytes = "stale";
  EXPECT_FALSE(platform::ReadWholeFile(Path("missing"), bytes));
  EXPECT_TRUE(bytes.empty());
  bytes = "stale";
  EXPECT_FALSE(platform::ReadWholeFile(dir_, bytes));
  EXPECT_TRUE(bytes.empty());
  Put("empty", "");
  EXPECT_TRUE(platform::ReadWholeFile(Path("empty"), bytes));
  EXPECT_TRUE(bytes.empty());

  EXPECT_EQ(platform::FileSize(Path("empty")), 0);
  EXPECT_EQ(platform::FileSize(Path("missing")), -1);
  EXPECT_EQ(platform::FileSize(dir_), -1);
}

TEST_F(Files, RenameAndCopy) {
  Put("a", "A");
  Put("b", "B");
  EXPECT_FALSE(platform::RenameFile(Path("a"), Path("b")));  // no replacing by default
  EXPECT_EQ(Get("a"), "A");
  EXPECT_EQ(Get("b"), "B");
  EXPECT_TRUE(platform::RenameFile(Path("a"), Path("b"), true));
  EXPECT_EQ(Get("b"), "A");
  EXPECT_FALSE(platform::FileExists(Path("a")));
  EXPECT_FALSE(platform::RenameFile(Path("a"), Path("c")));  // no source
  EXPECT_TRUE(platform::RenameFile(Path("b"), Path("c")));
  ASSERT_TRUE(platform::CreateFolder(Path("dir")));
  EXPECT_TRUE(platform::RenameFile(Path("dir"), Path("dir2")));

  ASSERT_EQ(chmod(Path("c").ToUtf8().c_str(), 0640), 0);
  EXPECT_TRUE(platform::CopyFileTo(Path("c"), Path("d")));
  EXPECT_EQ(Get("d"), "A");
  EXPECT_EQ(Mode("d"), 0640u);
  Put("e", "E");
  EXPECT_FALSE(platform::CopyFileTo(Path("c"), Path("e"), true));
  EXPECT_EQ(Get("e"), "E");
  EXPECT_TRUE(platform::CopyFileTo(Path("c"), Path("e"), false));
  EXPECT_EQ(Get("e"), "A");
  EXPECT_FALSE(platform::CopyFileTo(Path("missing"), Path("f")));
  EXPECT_FALSE(platform::CopyFileTo(Path("dir2"), Path("f")));
  EXPECT_EQ(Entries(), (std::vector<std::string>{"c", "d", "dir2", "e"}));
}

TEST_F(Files, RenameAcrossFileSystems) {
  struct stat here {}, shm {};
  if (stat(root_.c_str(), &here) != 0 || stat("/dev/shm", &shm) != 0 || here.st_dev == shm.st_dev) {
    GTEST_SKIP() << "no second file system to move to";
  }
  std::string other = "/dev/shm/brelvano-files-XXXXXX";
  ASSERT_NE(mkdtemp(&other[0]), nullptr);
  const CString target = JoinPath(CString::FromUtf8(other), L"moved");
  Put("m", "moving");
  EXPECT_TRUE(platform::RenameFile(Path("m"), target));
  std::string bytes;
  EXPECT_TRUE(platform::ReadWholeFile(target, bytes));
  EXPECT_EQ(bytes, "moving");
  EXPECT_FALSE(platform::FileExists(Path("m")));
  std::error_code ec;
  std::filesystem::remove_all(other, ec);
}

TEST(FilePaths, JoinAndNative) {
  struct Case {
    const wchar_t* a;
    const wchar_t* b;
    const wchar_t* joined;
  };
  const Case cases[] = {
      {L"a", L"b", L"a/b"},    {L"a/", L"b", L"a/b"}, {L"", L"b", L"b"},
      {L"a", L"", L"a"},       {L"a", L"/abs", L"/abs"}, {L"/", L"x", L"/x"},
  };
  for (const Case& c : cases) EXPECT_EQ(JoinPath(c.a, c.b), CString(c.joined)) << c.joined;
  EXPECT_EQ(platform::NativePath(L"Log\\2026\\a.txt"), CString(L"Log/2026/a.txt"));
  EXPECT_EQ(platform::NativePath(L"plain"), CString(L"plain"));
}

TEST(FilePaths, ProgramPathAndFolder) {
  const CString path = platform::GetProgramPath();
  const CString folder = platform::GetProgramFolder();
  EXPECT_TRUE(platform::FileExists(path));
  EXPECT_EQ(path.Right(15), CString(L"/platform_tests"));
  EXPECT_FALSE(folder.IsEmpty());
  EXPECT_NE(folder.Right(1), CString(L"/"));
  EXPECT_EQ(JoinPath(folder, L"platform_tests"), path);
}
