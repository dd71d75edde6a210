// Tests of TRACE output and the program's standard output with its sinks.
#include "platform/trace.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <thread>
#include <vector>

namespace {

// Sends a descriptor into a temporary file while alive; Text() gives what was written.
class Capture {
 public:
  explicit Capture(int fd) : m_fd(fd) {
    fflush(nullptr);
    char name[] = "/tmp/brelvano-trace-XXXXXX";
    m_file = mkstemp(name);
    unlink(name);
    m_saved = dup(fd);
    dup2(m_file, fd);
  }
  ~Capture() { Restore(); }
  std::string Text() {
    Restore();
    std::string text;
    char buffer[4096];
    lseek(m_file, 0, SEEK_SET);
    for (ssize_t n; (n = read(m_file, buffer, sizeof buffer)) > 0;) text.append(buffer, size_t(n));
    return text;
  }

 private:
  void Restore() {
    if (m_saved < 0) return;
    fflush(nullptr);
    dup2(m_saved, m_fd);
    close(m_saved);
    m_saved = -1;
  }
  int m_fd;
  int m_file = -1;
  int m_saved = -1;
};

}  // namespace

TEST(Trace, FormatsAndEndsEachMessageWithOneNewline) {
  Capture err(STDERR_FILENO);
  TRACE(L"port %s opened at %d baud", CString(L"ttyUSB0"), 115200);
  TRACE("already ends\n");
  TRACE0("plain");
  OutputDebugString(L"debug \xD55C");
  EXPECT_EQ(err.Text(), "port ttyUSB0 opened at 115200 baud\nalready ends\nplain\ndebug \xED\x95\x9C\n");
}

TEST(Trace, MessagesFromManyThreadsStayWhole) {
  Capture err(STDERR_FILENO);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([t] {
      for (int i = 0; i < 50; ++i) TRACE(L"thread %d line %03d ........................................", t, i);
    });
  }
  for (std::thread& t : threads) t.join();
  const std::string text = err.Text();
  size_t lines = 0;
  for (size_t start = 0; start < text.size();) {
    const size_t end = text.find('\n', start);
    ASSERT_NE(end, std::string::npos);
    EXPECT_EQ(end - start, std::string("thread 0 line 000 ........................................").size());
    start = end + 1;
    ++lines;
  }
  EXPECT_EQ(lines, 200u);
}

TEST(Trace, StdoutGoesToTheStreamAndEverySink) {
  std::vector<CString> first, second;
  const int a = platform::AddStdoutSink([&](const CString& s) { first.push_back(s); });
  const int b = platform::AddStdoutSink([&](const CString& s) { second.push_back(s); });
  EXPECT_EQ(platform::AddStdoutSink(nullptr), 0);
  Capture out(STDOUT_FILENO);
  platform::WriteStdout(L"ação ");
  platform::RemoveStdoutSink(a);
  platform::WriteStdout(L"done\n");
  platform::RemoveStdoutSink(b);
  platform::RemoveStdoutSink(12345);  // unknown: ignored
  platform::WriteStdout(L"after");
  EXPECT_EQ(out.Text(), "a\xC3\xA7\xC3\xA3o done\nafter");
  EXPECT_EQ(first, (std::vector<CString>{L"ação "}));
  EXPECT_EQ(second, (std::vector<CString>{L"ação ", L"done\n"}));
}

TEST(Trace, TraceSinksSeeEveryMessageUntilRemoved) {
  std::vector<CString> seen;
  const int id = platform::AddTraceSink([&](const CString& s) { seen.push_back(s); });
  Capture err(STDERR_FILENO);
  TRACE(L"one %d", 1);
  platform::RemoveTraceSink(id);
  TRACE(L"two");
  EXPECT_EQ(err.Text(), "one 1\ntwo\n");
  EXPECT_EQ(seen, (std::vector<CString>{L"one 1"}));
}
