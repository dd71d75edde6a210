// Tests of the program's crash-dump handler: the dump file's name, where it lands, and the filter
// chain it keeps.
#include "gui/dlg/crashdumpfilter.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "platform/clock.h"
#include "temp_folder.h"

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

}  // namespace
