// Tests of the simulated device, driven from the program's side of its pseudo-terminal the way the
// program's serial port uses it.
#include "devsim/devsim.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/registry.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kTimeoutMs = 5000;
const wchar_t kSerialKey[] = L"HARDWARE\\DEVICEMAP\\SERIALCOMM";

int MsLeft(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

// The program's end of the port: opened and set up as a serial port is.
class ProgramPort {
 public:
  explicit ProgramPort(const std::string& path) {
    m_fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_fd < 0) return;
    struct termios tio;
    if (tcgetattr(m_fd, &tio) == 0) {
      cfmakeraw(&tio);
      cfsetispeed(&tio, B115200);
      cfsetospeed(&tio, B115200);
      tio.c_cflag |= CLOCAL | CREAD;
      tcsetattr(m_fd, TCSANOW, &tio);
    }
  }
  ~ProgramPort() {
    if (m_fd >= 0) ::close(m_fd);
  }
  ProgramPort(const ProgramPort&) = delete;
  ProgramPort& operator=(const ProgramPort&) = delete;

  bool IsOpen() const { return m_fd >= 0; }
  int fd() const { return m_fd; }

  bool Write(const std::string& bytes) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(kTimeoutMs);
    size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = ::write(m_fd, bytes.data() + done, bytes.size() - done);
      if (n > 0) {
        done += static_cast<size_t>(n);
      } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
        struct pollfd p = {m_fd, POLLOUT, 0};
        if (::poll(&p, 1, MsLeft(deadline)) == 0) return false;
      } else {
        return false;
      }
    }
    return true;
  }

  // Reads until what has arrived satisfies pred or the deadline passes; returns all that arrived.
  std::string ReadUntil(const std::function<bool(const std::string&)>& pred, int timeoutMs = kTimeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!pred(m_received)) {
      struct pollfd p = {m_fd, POLLIN, 0};
      const int r = ::poll(&p, 1, MsLeft(deadline));
      if (r == 0) break;
      if (r < 0 && errno == EINTR) continue;
      if (r < 0 || !(p.revents & POLLIN)) break;
      char buffer[4096];
      const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
      if (n <= 0) break;
      m_received.append(buffer, static_cast<size_t>(n));
    }
    return m_received;
  }
  std::string ReadUntilEndsWith(const std::string& tail) {
    return ReadUntil([&](const std::string& s) { return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0; });
  }

 private:
  int m_fd = -1;
  std::string m_received;
};

std::optional<CString> RegisteredPort(const std::string& valueName) {
  CString data;
  if (!platform::reg::GetString(HKEY_LOCAL_MACHINE, kSerialKey, CString(valueName.c_str()), data)) return std::nullopt;
  return data;
}

bool IsLine(const std::string& line, const std::string& expected) { return line == expected; }

class DevSimTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "devsim-test-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    m_dir = pattern;
    m_registry = m_dir + "/registry.txt";
    platform::SetRegistryPath(CString(m_registry.c_str()));
  }
  void TearDown() override {
    platform::SetRegistryPath(CString());
    std::error_code ignored;
    fs::remove_all(m_dir, ignored);
  }

  std::string m_dir;
  std::string m_registry;
};

TEST_F(DevSimTest, AnswersAScriptedRequestOnItsPort) {
  devsim::DeviceSimulator sim;
  sim.AddReply("AT^$PVRRdy", {"READY", "OK"});
  ASSERT_TRUE(sim.Start()) << sim.LastError();
  EXPECT_EQ(sim.PortPath(), "/dev/" + sim.PortName());
  EXPECT_EQ(sim.PortName().rfind("pts/", 0), 0u) << sim.PortName();

  ProgramPort port(sim.PortPath());
  ASSERT_TRUE(port.IsOpen()) << std::strerror(errno);
  ASSERT_TRUE(port.Write("AT^$PVRRdy\r"));
  EXPECT_EQ(port.ReadUntilEndsWith("OK\r\n"), "READY\r\nOK\r\n");
  EXPECT_EQ(sim.ReceivedLines(), std::vector<std::string>{"AT^$PVRRdy"});
}

TEST_F(DevSimTest, IsListedAsASerialPortWhileRunning) {
  std::string valueName;
  {
    devsim::DeviceSimulator sim;
    ASSERT_TRUE(sim.Start()) << sim.LastError();
    valueName = sim.RegistryValueName();
    EXPECT_EQ(valueName.rfind("\\Device\\DevSim", 0), 0u) << valueName;
    EXPECT_EQ(RegisteredPort(valueName), CString(sim.PortName().c_str()));

    devsim::DeviceSimulator second;
    ASSERT_TRUE(second.Start()) << second.LastError();
    EXPECT_NE(second.RegistryValueName(), valueName);
    EXPECT_NE(second.PortName(), sim.PortName());
    EXPECT_EQ(RegisteredPort(second.RegistryValueName()), CString(second.PortName().c_str()));

    sim.Stop();
    EXPECT_FALSE(sim.IsRunning());
    EXPECT_EQ(RegisteredPort(valueName), std::nullopt);
    EXPECT_TRUE(RegisteredPort(second.RegistryValueName()).has_value());
    valueName = second.RegistryValueName();
    sim.Stop();  // again: nothing happens
  }
  // Destruction without Stop removes the value too.
  EXPECT_EQ(RegisteredPort(valueName), std::nullopt);
}

TEST_F(DevSimTest, StartRemovesValuesLeftByDeadSimulatorsOnly) {
  const std::string livePid = std::to_string(getppid());
  const std::pair<std::string, bool> values[] = {
      {"\\Device\\DevSim999999999_1", false},  // no such process
      {"\\Device\\DevSim" + livePid + "_1", true},
      {"\\Device\\Serial0", true},
      {"\\Device\\DevSimilar", true},
  };
  for (const auto& [name, kept] : values)
    ASSERT_TRUE(platform::reg::SetString(HKEY_LOCAL_MACHINE, kSerialKey, CString(name.c_str()), L"pts/999"));
  devsim::DeviceSimulator sim;
  ASSERT_TRUE(sim.Start()) << sim.LastError();
  for (const auto& [name, kept] : values) EXPECT_EQ(RegisteredPort(name).has_value(), kept) << name;
}

TEST_F(DevSimTest, HandlersComeBeforeTheScriptInOrder) {
  struct Case {
    const char* what;
    std::vector<std::pair<bool, std::string>> handlers;  // accepts?, what it sends
    std::string expected;
  };
  const Case cases[] = {
      {"no handler: the script answers", {}, "SCRIPT\r\n"},
      {"an accepting handler wins", {{true, "HANDLER"}}, "HANDLER\r\n"},
      {"a declining handler lets the script answer", {{false, ""}}, "SCRIPT\r\n"},
      {"the first accepting handler wins", {{false, ""}, {true, "SECOND"}, {true, "THIRD"}}, "SECOND\r\n"},
      {"a handler may accept without answering", {{true, ""}}, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    devsim::DeviceSimulator sim;
    sim.AddReply("AT", {"SCRIPT"});
    sim.AddReply("PING", {"PONG"});
    for (const auto& [accepts, reply] : c.handlers) {
      sim.AddHandler([accepts = accepts, reply = reply](const std::string& line, devsim::Responder& out) {
        if (line != "AT") return false;
        if (accepts && !reply.empty()) out.SendLine(reply);
        return accepts;
      });
    }
    ASSERT_TRUE(sim.Start()) << sim.LastError();
    ProgramPort port(sim.PortPath());
    ASSERT_TRUE(port.IsOpen());
    // PING's answer comes after whatever AT got, so it marks the end of AT's answer.
    ASSERT_TRUE(port.Write("AT\rPING\r"));
    EXPECT_EQ(port.ReadUntilEndsWith("PONG\r\n"), c.expected + "PONG\r\n");
  }
}

TEST_F(DevSimTest, ALaterScriptEntryReplacesAnEarlierOne) {
  devsim::DeviceSimulator sim;
  sim.AddReply("AT", {"OLD"});
  sim.AddReply("AT", {"NEW1", "NEW2"});
  ASSERT_TRUE(sim.Start());
  ProgramPort port(sim.PortPath());
  ASSERT_TRUE(port.Write("AT\r"));
  EXPECT_EQ(port.ReadUntilEndsWith("NEW2\r\n"), "NEW1\r\nNEW2\r\n");
}

TEST_F(DevSimTest, SilentDeviceRecordsButDoesNotAnswer) {
  devsim::DeviceSimulator sim;
  sim.AddReply("AT", {"OK"});
  sim.AddReply("PING", {"PONG"});
  sim.AddHandler([](const std::string& line, devsim::Responder& out) {
    if (line == "HANDLED") out.SendLine("FROM HANDLER");
    return line == "HANDLED";
  });
  ASSERT_TRUE(sim.Start());
  ProgramPort port(sim.PortPath());
  sim.SetSilent(true);
  ASSERT_TRUE(port.Write("AT\rHANDLED\r"));
  ASSERT_TRUE(sim.WaitForLine([](const std::string& l) { return l == "HANDLED"; }, kTimeoutMs));
  sim.SetSilent(false);
  ASSERT_TRUE(port.Write("PING\r"));
  EXPECT_EQ(port.ReadUntilEndsWith("PONG\r\n"), "PONG\r\n");
  EXPECT_EQ(sim.ReceivedLines(), (std::vector<std::string>{"AT", "HANDLED", "PING"}));
}

TEST_F(DevSimTest, LinesEndAtCarriageReturnWhateverTheWrites) {
  struct Case {
    const char* what;
    std::vector<std::string> writes;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {"one line in two writes", {"AT^$PV", "RRdy\r"}, {"AT^$PVRRdy"}},
      {"CR LF endings", {"A\r\n", "B\r\n"}, {"A", "B"}},
      {"LF arriving in the next write", {"A\r", "\nB\r"}, {"A", "B"}},
      {"LF inside a line is dropped", {"A\nB\r"}, {"AB"}},
      {"several lines in one write", {"A\rB\rC\r"}, {"A", "B", "C"}},
      {"a bare CR is an empty line", {"\r"}, {""}},
      {"an unfinished line is not a line yet", {"X\r", "Y"}, {"X"}},
      {"bytes are bytes", {std::string("\x00\xff\x80", 3), "\x1b\r"}, {std::string("\x00\xff\x80\x1b", 4)}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    devsim::DeviceSimulator sim;
    ASSERT_TRUE(sim.Start());
    ProgramPort port(sim.PortPath());
    std::string sent;
    for (const std::string& chunk : c.writes) {
      ASSERT_TRUE(port.Write(chunk));
      sent += chunk;
      // The simulator has this chunk before the next one is written.
      ASSERT_TRUE(sim.WaitForBytes([&](const std::string& got) { return got == sent; }, kTimeoutMs));
    }
    EXPECT_EQ(sim.ReceivedLines(), c.lines);
  }
}

TEST_F(DevSimTest, WaitForLineSeesEarlierAndLaterLines) {
  devsim::DeviceSimulator sim;
  ASSERT_TRUE(sim.Start());
  ProgramPort port(sim.PortPath());
  ASSERT_TRUE(port.Write("FIRST\r"));
  ASSERT_TRUE(sim.WaitForLine([](const std::string& l) { return IsLine(l, "FIRST"); }, kTimeoutMs));
  EXPECT_TRUE(sim.WaitForLine([](const std::string& l) { return IsLine(l, "FIRST"); }, 0));  // already there

  std::thread later([&] { port.Write("SECOND\r"); });
  EXPECT_TRUE(sim.WaitForLine([](const std::string& l) { return IsLine(l, "SECOND"); }, kTimeoutMs));
  later.join();

  sim.ClearReceived();
  EXPECT_TRUE(sim.ReceivedLines().empty());
  EXPECT_FALSE(sim.WaitForLine([](const std::string& l) { return IsLine(l, "FIRST"); }, 0));
  sim.Stop();
  // Stopped: no line can come any more, so the wait ends at once instead of at the deadline.
  EXPECT_FALSE(sim.WaitForLine([](const std::string& l) { return IsLine(l, "NEVER"); }, 60 * 60 * 1000));
}

TEST_F(DevSimTest, SendsUnsolicitedBytesAlsoBeforeTheProgramOpensThePort) {
  devsim::DeviceSimulator sim;
  ASSERT_TRUE(sim.Start());
  ASSERT_TRUE(sim.Send("EARLY\r\n"));
  ProgramPort port(sim.PortPath());
  ASSERT_TRUE(port.IsOpen());
  ASSERT_TRUE(sim.Send(std::string("LATE\0\xff", 6)));
  EXPECT_EQ(port.ReadUntilEndsWith(std::string("LATE\0\xff", 6)), "EARLY\r\n" + std::string("LATE\0\xff", 6));
}

TEST_F(DevSimTest, ReopeningThePortKeepsTheDeviceAnswering) {
  devsim::DeviceSimulator sim;
  sim.AddReply("AT", {"OK"});
  ASSERT_TRUE(sim.Start());
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    ProgramPort port(sim.PortPath());
    ASSERT_TRUE(port.Write("AT\r"));
    EXPECT_EQ(port.ReadUntilEndsWith("OK\r\n"), "OK\r\n");
  }
}

// After the device goes away the program's port reports a hang-up and reads fail.
void ExpectHangUp(ProgramPort& port) {
  struct pollfd p = {port.fd(), POLLIN, 0};
  const int r = ::poll(&p, 1, kTimeoutMs);
  ASSERT_EQ(r, 1);
  EXPECT_TRUE(p.revents & (POLLHUP | POLLERR)) << p.revents;
  char c;
  const ssize_t n = ::read(port.fd(), &c, 1);
  EXPECT_TRUE(n == 0 || (n < 0 && errno == EIO)) << n << " " << std::strerror(errno);
}

TEST_F(DevSimTest, UnplugHangsUpThePortAndUnlistsIt) {
  devsim::DeviceSimulator sim;
  sim.AddReply("AT", {"OK"});
  ASSERT_TRUE(sim.Start());
  const std::string valueName = sim.RegistryValueName();
  ProgramPort port(sim.PortPath());
  ASSERT_TRUE(port.Write("AT\r"));
  ASSERT_EQ(port.ReadUntilEndsWith("OK\r\n"), "OK\r\n");

  sim.Unplug();
  ExpectHangUp(port);
  EXPECT_FALSE(sim.IsRunning());
  EXPECT_EQ(RegisteredPort(valueName), std::nullopt);
  EXPECT_FALSE(sim.Send("x"));
  EXPECT_EQ(sim.ReceivedLines(), std::vector<std::string>{"AT"});

  // It can come back, as a new port.
  ASSERT_TRUE(sim.Start());
  ProgramPort again(sim.PortPath());
  ASSERT_TRUE(again.Write("AT\r"));
  EXPECT_EQ(again.ReadUntilEndsWith("OK\r\n"), "OK\r\n");
}

TEST_F(DevSimTest, AHandlerCanUnplugTheDevice) {
  devsim::DeviceSimulator sim;
  sim.AddHandler([&sim](const std::string& line, devsim::Responder& out) {
    if (line != "BYE") return false;
    sim.Unplug();
    // The port is closed now: answers go nowhere.
    EXPECT_FALSE(out.SendLine("TOO LATE"));
    return true;
  });
  ASSERT_TRUE(sim.Start());
  const std::string valueName = sim.RegistryValueName();
  ProgramPort port(sim.PortPath());
  ASSERT_TRUE(port.Write("BYE\r"));
  ExpectHangUp(port);
  EXPECT_EQ(RegisteredPort(valueName), std::nullopt);
  EXPECT_FALSE(sim.IsRunning());
}

TEST_F(DevSimTest, StopDoesNotWaitForAProgramThatNeverReads) {
  devsim::DeviceSimulator sim;
  ASSERT_TRUE(sim.Start());
  ProgramPort port(sim.PortPath());  // open, never read
  std::optional<bool> sent;
  std::thread sender([&] { sent = sim.Send(std::string(8 << 20, 'x')); });  // far more than the terminal holds
  struct pollfd p = {port.fd(), POLLIN, 0};
  EXPECT_EQ(::poll(&p, 1, kTimeoutMs), 1);  // the sender is under way
  sim.Stop();
  sender.join();
  EXPECT_EQ(sent, false);
}

TEST(DevSimScript, ParsesExchangesAndRejectsMalformedLines) {
  struct Case {
    const char* what;
    std::string text;
    bool ok;
    std::vector<devsim::ScriptEntry> entries;
    std::string errorLine;
  };
  const Case cases[] = {
      {"empty", "", true, {}, ""},
      {"one reply", "AT => OK\n", true, {{"AT", {"OK"}}}, ""},
      {"several replies, spaces trimmed", "  AT^$PVRRdy   =>  READY |OK|  DONE  \r\n", true,
       {{"AT^$PVRRdy", {"READY", "OK", "DONE"}}}, ""},
      {"no reply", "SILENT =>\n", true, {{"SILENT", {}}}, ""},
      {"empty reply line kept", "A => x || y", true, {{"A", {"x", "", "y"}}}, ""},
      {"comments and blank lines", "# c\n\n   \nA => 1\n# B => 2\n", true, {{"A", {"1"}}}, ""},
      {"only the first arrow splits", "A => B => C", true, {{"A", {"B => C"}}}, ""},
      {"missing arrow", "A => 1\nAT OK\n", false, {}, "line 2"},
      {"empty request", "\n => OK\n", false, {}, "line 2"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<devsim::ScriptEntry> entries;
    std::string error;
    ASSERT_EQ(devsim::ParseScript(c.text, entries, error), c.ok) << error;
    ASSERT_EQ(entries.size(), c.entries.size());
    for (size_t i = 0; i < entries.size(); ++i) {
      EXPECT_EQ(entries[i].request, c.entries[i].request);
      EXPECT_EQ(entries[i].replies, c.entries[i].replies);
    }
    if (!c.ok) {
      EXPECT_NE(error.find(c.errorLine), std::string::npos) << error;
    }
  }
}

// The program: runs a child process and talks to it.
class DevSimProgramTest : public DevSimTest {
 protected:
  static std::string ProgramPath() {
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    const fs::path program = self.parent_path().parent_path() / "tools" / "devsim" / "brelvano-devsim";
    return fs::exists(program, ec) ? program.string() : std::string();
  }

  // Starts the program with its output on a pipe; the child sees the test's registry file.
  bool Spawn(const std::vector<std::string>& args) {
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    std::vector<std::string> argStore = {ProgramPath()};
    argStore.insert(argStore.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : argStore) argv.push_back(a.data());
    argv.push_back(nullptr);
    setenv("PLATFORM_REGISTRY_FILE", m_registry.c_str(), 1);
    const int rc = posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), environ);
    unsetenv("PLATFORM_REGISTRY_FILE");
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    m_out = out[0];
    return rc == 0;
  }

  // Reads the child's output until it holds a full line or ends.
  std::string ReadLine() {
    std::string text;
    const auto deadline = Clock::now() + std::chrono::milliseconds(kTimeoutMs);
    while (text.find('\n') == std::string::npos) {
      struct pollfd p = {m_out, POLLIN, 0};
      if (::poll(&p, 1, MsLeft(deadline)) <= 0) break;
      char buffer[256];
      const ssize_t n = ::read(m_out, buffer, sizeof buffer);
      if (n <= 0) break;
      text.append(buffer, static_cast<size_t>(n));
    }
    return text;
  }

  // The exit status, or -1 when the child is still running at the deadline (it is killed then).
  int WaitForExit() {
    const int pidfd = static_cast<int>(::syscall(SYS_pidfd_open, m_pid, 0));
    if (pidfd >= 0) {
      struct pollfd p = {pidfd, POLLIN, 0};
      const bool ended = ::poll(&p, 1, kTimeoutMs) == 1;
      ::close(pidfd);
      if (!ended) ::kill(m_pid, SIGKILL);
    }
    int status = 0;
    waitpid(m_pid, &status, 0);
    m_pid = -1;
    return WIFEXITED(status) && pidfd >= 0 ? WEXITSTATUS(status) : -1;
  }

  void TearDown() override {
    if (m_pid > 0) {
      ::kill(m_pid, SIGKILL);
      waitpid(m_pid, nullptr, 0);
    }
    if (m_out >= 0) ::close(m_out);
    DevSimTest::TearDown();
  }

  pid_t m_pid = -1;
  int m_out = -1;
};

TEST_F(DevSimProgramTest, RunsAScriptUntilTerminated) {
  if (ProgramPath().empty()) GTEST_SKIP() << "brelvano-devsim is not built beside the tests";
  const std::string script = m_dir + "/script.txt";
  std::ofstream(script) << "# test script\nAT^$PVRRdy => READY | OK\n";
  ASSERT_TRUE(Spawn({"--script", script}));
  const std::string line = ReadLine();
  ASSERT_EQ(line.rfind("port: /dev/pts/", 0), 0u) << line;
  const std::string path = line.substr(6, line.find('\n') - 6);

  const auto listed = platform::reg::EnumStrings(HKEY_LOCAL_MACHINE, kSerialKey);
  ASSERT_EQ(listed.size(), 1u);
  EXPECT_EQ("/dev/" + listed[0].second.ToUtf8(), path);

  ProgramPort port(path);
  ASSERT_TRUE(port.Write("AT^$PVRRdy\r"));
  EXPECT_EQ(port.ReadUntilEndsWith("OK\r\n"), "READY\r\nOK\r\n");

  ASSERT_EQ(::kill(m_pid, SIGTERM), 0);
  EXPECT_EQ(WaitForExit(), 0);
  EXPECT_TRUE(platform::reg::EnumStrings(HKEY_LOCAL_MACHINE, kSerialKey).empty());
}

TEST_F(DevSimProgramTest, TrackerAnswersWithTheIdentityGiven) {
  if (ProgramPath().empty()) GTEST_SKIP() << "brelvano-devsim is not built beside the tests";
  ASSERT_TRUE(Spawn({"--model", "VR735", "--buyer", "XY", "--version", "15", "--voice", "1"}));
  const std::string line = ReadLine();
  ASSERT_EQ(line.rfind("port: /dev/pts/", 0), 0u) << line;
  ProgramPort port(line.substr(6, line.find('\n') - 6));
  ASSERT_TRUE(port.Write("AT^$PVRVer;1416\r"));
  const std::string reply = port.ReadUntilEndsWith("\r\n");
  EXPECT_EQ(reply.rfind("$PVR;Ver;VR735_XY_", 0), 0u) << reply;
  EXPECT_NE(reply.find("_15;"), std::string::npos) << reply;
  ASSERT_EQ(::kill(m_pid, SIGTERM), 0);
  EXPECT_EQ(WaitForExit(), 0);
}

TEST_F(DevSimProgramTest, RejectsBadArgumentsAndScripts) {
  if (ProgramPath().empty()) GTEST_SKIP() << "brelvano-devsim is not built beside the tests";
  const std::string badScript = m_dir + "/bad.txt";
  std::ofstream(badScript) << "AT => OK\nno arrow here\n";
  const std::pair<std::vector<std::string>, int> cases[] = {
      {{"--help"}, 0},
      {{"--bogus"}, 2},
      {{"--script"}, 2},
      {{"--script", m_dir + "/missing.txt"}, 2},
      {{"--script", badScript}, 2},
      {{"--voice", "2"}, 2},
      {{"--model"}, 2},
      {{"--model", "VR_835"}, 2},
  };
  for (const auto& [args, status] : cases) {
    SCOPED_TRACE(args.back());
    ASSERT_TRUE(Spawn(args));
    EXPECT_EQ(WaitForExit(), status);
    ::close(m_out);
    m_out = -1;
  }
  EXPECT_TRUE(platform::reg::EnumStrings(HKEY_LOCAL_MACHINE, kSerialKey).empty());
}

}  // namespace
