// Tests of the crash handling: real faults in a child process reach the installed filter, which
// writes a dump file; the process still dies by its signal.
#include "platform/crashdump.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/clock.h"

namespace {

// Where the filter of the child process writes its dump.
char g_dumpPath[4096];
int g_filterCalls = 0;

LONG DumpFilter(EXCEPTION_POINTERS* info) {
  ++g_filterCalls;
  return platform::WriteDumpFile(g_dumpPath, info) ? EXCEPTION_EXECUTE_HANDLER : EXCEPTION_CONTINUE_SEARCH;
}

LONG OtherFilter(EXCEPTION_POINTERS*) { return EXCEPTION_CONTINUE_SEARCH; }

// A page that any access faults on (SIGSEGV with this address).
char* ForbiddenPage() {
  static char* page = static_cast<char*>(
      mmap(nullptr, static_cast<size_t>(sysconf(_SC_PAGESIZE)), PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
  return page;
}

void WriteForbidden() { *reinterpret_cast<volatile char*>(ForbiddenPage()) = 1; }

// Touching a file mapping beyond the end of the file raises SIGBUS.
void TouchBeyondFileEnd(const std::string& dir) {
  const std::string path = dir + "/empty.bin";
  const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
  void* map = mmap(nullptr, static_cast<size_t>(sysconf(_SC_PAGESIZE)), PROT_READ, MAP_SHARED, fd, 0);
  if (map == MAP_FAILED) return;
  volatile char c = *static_cast<volatile char*>(map);
  (void)c;
}

volatile int g_zero = 0;
__attribute__((no_sanitize("undefined"))) void DivideByZero() {
  volatile int result = 7 / g_zero;
  (void)result;
}

__attribute__((noinline)) void Throw() { throw std::runtime_error("settings lost"); }
void ThrowThroughNoexcept() noexcept { Throw(); }

volatile size_t g_depthLimit = static_cast<size_t>(-1);
__attribute__((noinline)) size_t Recurse(size_t depth) {
  volatile char frame[2048];
  frame[0] = static_cast<char>(depth);
  if (depth == g_depthLimit) return frame[0];
  return Recurse(depth + 1) + frame[0];
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string LineValue(const std::string& dump, const std::string& name) {
  const size_t at = dump.find("\n" + name + ": ");
  if (at == std::string::npos) return "<missing>";
  const size_t start = at + name.size() + 3;
  return dump.substr(start, dump.find('\n', start) - start);
}

std::string HexAddress(const void* p) {
  char text[32];
  std::snprintf(text, sizeof text, "0x%016lx", static_cast<unsigned long>(reinterpret_cast<uintptr_t>(p)));
  return text;
}

class CrashDump : public testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (std::filesystem::temp_directory_path() / "brelvano-crash-XXXXXX").string();
    ASSERT_NE(mkdtemp(&tmpl[0]), nullptr);
    dir_ = tmpl;
    dump_ = dir_ + "/crash.dmp";
    std::snprintf(g_dumpPath, sizeof g_dumpPath, "%s", dump_.c_str());
  }
  void TearDown() override {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }

  // Names in the folder besides the dump (partial files left behind would show here).
  std::vector<std::string> OtherEntries() const {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir_)) {
      const std::string name = e.path().filename().string();
      if (name != "crash.dmp" && name != "empty.bin") names.push_back(name);
    }
    return names;
  }

  std::string dir_;
  std::string dump_;
};

TEST_F(CrashDump, EveryFatalKindReachesTheFilterAndTheProcessStillDiesByItsSignal) {
  ASSERT_NE(ForbiddenPage(), MAP_FAILED);
  const std::string dir = dir_;
  struct Case {
    const char* name;
    int signal;
    std::function<void()> crash;
    std::string address;  // expected fault address line, empty: not checked
    const char* reason;   // expected reason line, null: none
  };
  const std::vector<Case> cases = {
      {"write to a forbidden page", SIGSEGV, WriteForbidden, HexAddress(ForbiddenPage()), nullptr},
      {"read past a file's end", SIGBUS, [dir] { TouchBeyondFileEnd(dir); }, "", nullptr},
      {"integer division by zero", SIGFPE, DivideByZero, "", nullptr},
      {"trap instruction", SIGILL, [] { __builtin_trap(); }, "", nullptr},
      {"abort", SIGABRT, [] { abort(); }, HexAddress(nullptr), nullptr},
      {"uncaught exception", SIGABRT, ThrowThroughNoexcept, HexAddress(nullptr),
       "uncaught exception: settings lost"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove(dump_);
    EXPECT_EXIT(
        {
          SetUnhandledExceptionFilter(DumpFilter);
          c.crash();
          _exit(0);  // not reached when the crash happened
        },
        testing::KilledBySignal(c.signal), "");
    const std::string dump = ReadFile(dump_);
    ASSERT_FALSE(dump.empty()) << "no dump written";
    EXPECT_EQ(dump.rfind("Crash dump\n", 0), 0u) << dump;
    EXPECT_EQ(LineValue(dump, "Signal"), std::to_string(c.signal) + " " + platform::CrashSignalName(c.signal));
    if (!c.address.empty()) {
      EXPECT_EQ(LineValue(dump, "Fault address"), c.address);
    }
    if (c.reason != nullptr) {
      EXPECT_EQ(LineValue(dump, "Reason"), c.reason);
    } else {
      EXPECT_EQ(dump.find("\nReason: "), std::string::npos);
    }
    const size_t trace = dump.find("\nBacktrace:\n");
    ASSERT_NE(trace, std::string::npos) << dump;
    const size_t end = dump.find("End of dump\n", trace);
    ASSERT_NE(end, std::string::npos) << dump;
    EXPECT_GT(end, trace + 12) << "the backtrace has no frames:\n" << dump;
    EXPECT_TRUE(OtherEntries().empty());
  }
}

TEST_F(CrashDump, DumpCarriesTheCrashingThreadAndTheClockServicesTime) {
  EXPECT_EXIT(
      {
        platform::ManualClock clock;
        clock.SetLocalTimeBase(SYSTEMTIME{2026, 12, 0, 8, 9, 5, 3, 0});
        platform::SetClock(&clock);
        SetUnhandledExceptionFilter(DumpFilter);
        std::thread worker([] {
          platform::PrepareThreadForCrashes();
          WriteForbidden();
        });
        worker.join();
        _exit(0);
      },
      testing::KilledBySignal(SIGSEGV), "");
  const std::string dump = ReadFile(dump_);
  ASSERT_FALSE(dump.empty());
  EXPECT_EQ(LineValue(dump, "Time"), "2026-12-08 09:05:03");
  const std::string process = LineValue(dump, "Process");
  const std::string thread = LineValue(dump, "Thread");
  EXPECT_NE(thread, "<missing>");
  EXPECT_NE(thread, process) << "the worker's id, not the process's main thread";
}

TEST_F(CrashDump, StackOverflowOnAPreparedThreadStillGetsItsDump) {
  EXPECT_EXIT(
      {
        SetUnhandledExceptionFilter(DumpFilter);
        std::thread worker([] {
          platform::PrepareThreadForCrashes();
          Recurse(0);
        });
        worker.join();
        _exit(0);
      },
      testing::KilledBySignal(SIGSEGV), "");
  EXPECT_NE(ReadFile(dump_).find("End of dump"), std::string::npos);
}

TEST_F(CrashDump, RemovedFilterIsNotCalledAndACrashingFilterStillEndsTheProcess) {
  EXPECT_EXIT(
      {
        SetUnhandledExceptionFilter(DumpFilter);
        SetUnhandledExceptionFilter(nullptr);
        WriteForbidden();
        _exit(0);
      },
      testing::KilledBySignal(SIGSEGV), "");
  EXPECT_FALSE(std::filesystem::exists(dump_));

  // A filter that itself faults: no second call, no hang, the process dies.
  EXPECT_EXIT(
      {
        SetUnhandledExceptionFilter([](EXCEPTION_POINTERS*) -> LONG {
          ++g_filterCalls;
          if (g_filterCalls > 1) _exit(3);  // called again: fail the expectation
          WriteForbidden();
          return 0;
        });
        abort();
      },
      testing::KilledBySignal(SIGSEGV), "");
}

TEST_F(CrashDump, InstallReturnsThePreviousFilter) {
  const LPTOP_LEVEL_EXCEPTION_FILTER before = SetUnhandledExceptionFilter(DumpFilter);
  EXPECT_EQ(SetUnhandledExceptionFilter(OtherFilter), &DumpFilter);
  EXPECT_EQ(SetUnhandledExceptionFilter(before), &OtherFilter);
  EXPECT_EQ(SetUnhandledExceptionFilter(before), before);

  const UINT mode = SetErrorMode(SEM_FAILCRITICALERRORS);
  EXPECT_EQ(SetErrorMode(mode), SEM_FAILCRITICALERRORS);
}

TEST_F(CrashDump, DumpFileIsWrittenWholeOrNotAtAll) {
  // Outside a crash: no crash data, the calling thread's backtrace.
  ASSERT_TRUE(platform::WriteDumpFile(CString::FromUtf8(dump_), nullptr));
  const std::string dump = ReadFile(dump_);
  EXPECT_EQ(LineValue(dump, "Signal"), "0 signal");
  EXPECT_NE(dump.find("End of dump\n"), std::string::npos);

  // A second dump replaces the first.
  EXCEPTION_POINTERS info;
  info.signalNumber = SIGBUS;
  ASSERT_TRUE(platform::WriteDumpFile(dump_.c_str(), &info));
  EXPECT_EQ(LineValue(ReadFile(dump_), "Signal"), std::to_string(SIGBUS) + " SIGBUS");

  const std::string missingFolder = dir_ + "/no/such/folder/crash.dmp";
  EXPECT_FALSE(platform::WriteDumpFile(missingFolder.c_str(), &info));
  EXPECT_FALSE(platform::WriteDumpFile(static_cast<const char*>(nullptr), &info));
  EXPECT_FALSE(platform::WriteDumpFile("", &info));
  EXPECT_FALSE(platform::WriteDumpFile(-1, &info));
  EXPECT_TRUE(OtherEntries().empty());
}

}  // namespace
