// Tests of the program's crash-dump handler: the dump file's name, where it lands, and the filter
// chain it keeps.
#include "gui/dlg/crashdumpfilter.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <malloc.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "platform/clock.h"
#include "temp_folder.h"
#include "../../platform/wait_util.h"

namespace {

SYSTEMTIME Local(int year, int month, int day, int hour, int minute, int second) {
  SYSTEMTIME t{};
  t.wYear = static_cast<WORD>(year);
  t.wMonth = static_cast<WORD>(month);
  t.wDay = static_cast<WORD>(day);
  t.wHour = static_cast<WORD>(hour);
  t.wMinute = static_cast<WORD>(minute);
  t.wSecond = static_cast<WORD>(second);
  return t;
}

LONG Sentinel(EXCEPTION_POINTERS*) { return EXCEPTION_CONTINUE_SEARCH; }

class CrashDumpFilter : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.Ok());
    dir_.Enter();
    clock_.SetLocalTimeBase(Local(2026, 12, 8, 9, 5, 3));
    platform::SetClock(&clock_);
  }
  void TearDown() override { platform::SetClock(nullptr); }

  testsupport::TempFolder dir_;
  platform::ManualClock clock_;
};

TEST_F(CrashDumpFilter, NameHasNoLeadingZeros) {
  const struct {
    SYSTEMTIME time;
    const char* name;
  } cases[] = {
      {Local(2026, 12, 8, 9, 5, 3), "2026-12-8 9_5_3.dmp"},
      {Local(2027, 1, 1, 0, 0, 0), "2027-1-1 0_0_0.dmp"},
      {Local(2026, 10, 31, 23, 59, 59), "2026-10-31 23_59_59.dmp"},
  };
  for (const auto& c : cases) EXPECT_EQ(CrashDumpFileName(c.time), CString(c.name));
}

TEST_F(CrashDumpFilter, DumpLandsInTheCurrentFolderUnderTheLocalTime) {
  EXCEPTION_POINTERS info;
  info.signalNumber = SIGSEGV;
  EXPECT_EQ(WriteCrashDump(&info), EXCEPTION_EXECUTE_HANDLER);
  const std::string dump = dir_.Read("2026-12-8 9_5_3.dmp");
  EXPECT_NE(dump.find("Signal: 11 SIGSEGV\n"), std::string::npos) << dump;
  EXPECT_NE(dump.find("Time: 2026-12-08 09:05:03\n"), std::string::npos) << dump;

  // Within the same second the dump is replaced; nothing else is left in the folder.
  info.signalNumber = SIGBUS;
  EXPECT_EQ(WriteCrashDump(&info), EXCEPTION_EXECUTE_HANDLER);
  EXPECT_NE(dir_.Read("2026-12-8 9_5_3.dmp").find("SIGBUS"), std::string::npos);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.Root()), std::filesystem::directory_iterator()), 1);
}

TEST_F(CrashDumpFilter, NoDumpWhereNoFileCanBeMade) {
  // The current folder is gone: no file can be created there.
  testsupport::TempFolder gone;
  gone.Enter();
  std::filesystem::remove_all(gone.Root());
  EXCEPTION_POINTERS info;
  EXPECT_EQ(WriteCrashDump(&info), EXCEPTION_CONTINUE_SEARCH);
}

TEST_F(CrashDumpFilter, InstallKeepsThePreviousFilterAndRestorePutsItBack) {
  const LPTOP_LEVEL_EXCEPTION_FILTER before = SetUnhandledExceptionFilter(Sentinel);
  EXPECT_TRUE(InstallCrashDumpFilter());
  EXPECT_EQ(SetErrorMode(0), SEM_FAILCRITICALERRORS);
  EXPECT_EQ(SetUnhandledExceptionFilter(WriteCrashDump), &WriteCrashDump);
  EXPECT_TRUE(RestoreCrashDumpFilter());
  EXPECT_EQ(SetUnhandledExceptionFilter(before), &Sentinel);
}

TEST_F(CrashDumpFilter, CrashWhileInstalledWritesTheDump) {
  EXPECT_EXIT(
      {
        InstallCrashDumpFilter();
        void* page = mmap(nullptr, 4096, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        *static_cast<volatile char*>(page) = 1;
        _exit(0);
      },
      testing::KilledBySignal(SIGSEGV), "");
  EXPECT_NE(dir_.Read("2026-12-8 9_5_3.dmp").find("End of dump"), std::string::npos);
}

// True when the thread is blocked in that system call (its /proc entry names it first). Reads
// with system calls only: the allocator may be held when this runs.
bool InSystemCall(long tid, long number) {
  char path[64] = "/proc/self/task/";
  size_t n = std::strlen(path);
  char digits[24];
  int d = 0;
  for (long v = tid; d == 0 || v != 0; v /= 10) digits[d++] = static_cast<char>('0' + v % 10);
  while (d > 0) path[n++] = digits[--d];
  for (const char* s = "/syscall"; *s != '\0'; ++s) path[n++] = *s;
  path[n] = '\0';
  const int fd = open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  char text[32] = {};
  const ssize_t got = read(fd, text, sizeof text - 1);
  close(fd);
  if (got <= 0 || text[0] < '0' || text[0] > '9') return false;
  long value = 0;
  for (const char* c = text; *c >= '0' && *c <= '9'; ++c) value = value * 10 + (*c - '0');
  return value == number;
}

// The forked child: the filter installed on the real clock, one thread inside the allocator with
// its main arena locked (malloc_stats prints with the arena locked, to a standard error that is a
// full pipe), one inside tzset with the time-zone lock held (the zone file it opens is a FIFO
// without a writer); then the main thread crashes. Exit 3: the threads never got there.
[[noreturn]] void CrashWhileTheAllocatorAndTheTimeZoneAreHeld(const std::string& folder, const std::string& zone) {
  if (chdir(folder.c_str()) != 0) _exit(2);
  platform::SetClock(nullptr);
  InstallCrashDumpFilter();
  const std::string tz = ":" + zone;
  if (setenv("TZ", tz.c_str(), 1) != 0) _exit(2);
  int fds[2];
  if (pipe2(fds, O_NONBLOCK | O_CLOEXEC) != 0) _exit(2);
  static char block[4096];
  while (write(fds[1], block, sizeof block) > 0) {
  }
  fcntl(fds[1], F_SETFL, 0);
  static std::atomic<bool> go{false};
  static std::atomic<long> allocator{0}, timeZone{0};
  std::thread([] {
    allocator = static_cast<long>(syscall(SYS_gettid));
    while (!go) {
    }
    malloc_stats();
  }).detach();
  std::thread([] {
    timeZone = static_cast<long>(syscall(SYS_gettid));
    while (!go) {
    }
    tzset();
  }).detach();
  while (allocator == 0 || timeZone == 0) {
  }
  // No allocation from here on: the main arena is about to be held.
  if (dup2(fds[1], STDERR_FILENO) < 0) _exit(2);
  go = true;
  timespec start{};
  clock_gettime(CLOCK_MONOTONIC, &start);
  while (!InSystemCall(allocator, SYS_write) || !InSystemCall(timeZone, SYS_openat)) {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    if (now.tv_sec - start.tv_sec > 30) _exit(3);
    timespec pause{0, 1000000};
    nanosleep(&pause, nullptr);
  }
  void* page = mmap(nullptr, 4096, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  *static_cast<volatile char*>(page) = 1;
  _exit(4);
}

// The commonest crash comes with the allocator or a C library lock held (by the crashed code or
// another thread): the dump is written all the same, and the process dies by its own signal
// instead of hanging until the filter's watchdog ends it.
TEST(CrashDumpFilterInACrash, DumpIsWrittenWhileTheAllocatorAndTheTimeZoneAreHeld) {
  testsupport::TempFolder dir;
  ASSERT_TRUE(dir.Ok());
  const std::string zone = dir.Path("zone");
  ASSERT_EQ(mkfifo(zone.c_str(), 0666), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) CrashWhileTheAllocatorAndTheTimeZoneAreHeld(dir.Root(), zone);
  int status = 0;
  // A generous deadline: the child is done within a second when the filter is sound.
  const bool ended = testutil::WaitUntil([&] { return waitpid(child, &status, WNOHANG) == child; }, 60000);
  if (!ended) {
    kill(child, SIGKILL);
    waitpid(child, &status, 0);
  }
  ASSERT_TRUE(ended) << "the crashed child ended";
  ASSERT_TRUE(WIFSIGNALED(status)) << "exit " << WEXITSTATUS(status) << " (3: the busy threads were not in place)";
  EXPECT_EQ(WTERMSIG(status), SIGSEGV) << "another signal (SIGALRM): the filter hung until its watchdog";
  std::vector<std::string> dumps;
  for (const auto& entry : std::filesystem::directory_iterator(dir.Root()))
    if (entry.path().extension() == ".dmp") dumps.push_back(entry.path().string());
  ASSERT_EQ(dumps.size(), 1u) << "one dump, named after the local time";
  std::ifstream in(dumps[0], std::ios::binary);
  const std::string dump((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_NE(dump.find("Signal: 11 SIGSEGV\n"), std::string::npos) << dump;
  EXPECT_NE(dump.find("End of dump"), std::string::npos) << dump;
}

}  // namespace
