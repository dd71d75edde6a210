// Tests of the layer's serial port against the simulated device on its pseudo-terminal.
#include "platform/serialport.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "devsim/devsim.h"
#include "platform/registry.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using platform::SerialPort;

constexpr int kTimeoutMs = 5000;
constexpr int kChunk = 30000;

DWORD MsLeft(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? static_cast<DWORD>(left) : 0;
}

CString Text(const std::string& s) { return CString::FromUtf8(s); }

int WriteText(SerialPort& port, const std::string& text) {
  return port.Write(reinterpret_cast<const BYTE*>(text.data()), static_cast<int>(text.size()));
}

// One WaitForData and one Read; ok is false when either fails.
struct Chunk {
  bool ok = false;
  std::string bytes;
};
Chunk ReadChunk(SerialPort& port, DWORD gapMs, DWORD waitMs = kTimeoutMs) {
  Chunk chunk;
  if (!port.WaitForData(waitMs)) return chunk;
  std::vector<BYTE> buffer(kChunk);
  const int n = port.Read(buffer.data(), kChunk, gapMs);
  if (n < 0) return chunk;
  chunk.ok = true;
  chunk.bytes.assign(reinterpret_cast<const char*>(buffer.data()), static_cast<size_t>(n));
  return chunk;
}

// Everything read until the bytes end with tail or the deadline passes.
std::string ReadUntilEndsWith(SerialPort& port, const std::string& tail, DWORD gapMs = 60) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(kTimeoutMs);
  std::string all;
  while (!(all.size() >= tail.size() && all.compare(all.size() - tail.size(), tail.size(), tail) == 0)) {
    const DWORD left = MsLeft(deadline);
    if (left == 0) break;
    const Chunk chunk = ReadChunk(port, gapMs, left);
    if (!chunk.ok) break;
    all += chunk.bytes;
  }
  return all;
}

class SerialPortTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "serialport-test-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    m_dir = pattern;
    platform::SetRegistryPath(Text(m_dir + "/registry.txt"));
  }
  void TearDown() override {
    platform::SetRegistryPath(CString());
    std::error_code ignored;
    fs::remove_all(m_dir, ignored);
  }

  // Starts the simulator and opens its port in the program's line settings.
  void StartAndOpen(SerialPort& port) {
    ASSERT_TRUE(m_sim.Start()) << m_sim.LastError();
    ASSERT_TRUE(port.Open(Text(m_sim.PortName()))) << port.LastError();
    DCB dcb;
    dcb.BaudRate = 115200;
    ASSERT_TRUE(port.SetCommState(dcb)) << port.LastError();
  }

  std::string m_dir;
  devsim::DeviceSimulator m_sim;
};

TEST_F(SerialPortTest, ReadsTheScriptedReplyToTheReadyRequestByNameOrPath) {
  m_sim.AddReply("AT^$PVRRdy", {"$PVR;Rdy;1.0", "OK"});
  ASSERT_TRUE(m_sim.Start()) << m_sim.LastError();
  for (const std::string& name : {m_sim.PortName(), m_sim.PortPath()}) {
    SCOPED_TRACE(name);
    SerialPort port;
    ASSERT_TRUE(port.Open(Text(name))) << port.LastError();
    EXPECT_TRUE(port.IsOpen());
    EXPECT_EQ(port.PortPath().ToUtf8(), m_sim.PortPath());

    DCB dcb;
    dcb.BaudRate = 115200;
    ASSERT_TRUE(port.SetCommState(dcb)) << port.LastError();
    DCB read;
    read.BaudRate = 1;
    read.ByteSize = 1;
    read.Parity = 9;
    read.StopBits = 9;
    read.fOutxCtsFlow = TRUE;
    ASSERT_TRUE(port.GetCommState(read));
    EXPECT_EQ(read.BaudRate, 115200u);
    EXPECT_EQ(read.ByteSize, 8);
    EXPECT_EQ(read.Parity, NOPARITY);
    EXPECT_EQ(read.StopBits, ONESTOPBIT);
    EXPECT_EQ(read.fOutxCtsFlow, FALSE);

    COMMTIMEOUTS timeouts;
    timeouts.ReadIntervalTimeout = 60;
    ASSERT_TRUE(port.SetCommTimeouts(timeouts));
    COMMTIMEOUTS back;
    ASSERT_TRUE(port.GetCommTimeouts(back));
    EXPECT_EQ(back.ReadIntervalTimeout, 60u);
    EXPECT_TRUE(port.SetupComm(30000, 30000));
    EXPECT_TRUE(port.Purge(PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR));

    m_sim.ClearReceived();
    EXPECT_EQ(WriteText(port, "AT^$PVRRdy\r"), 11);
    EXPECT_EQ(port.LastError(), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(ReadUntilEndsWith(port, "OK\r\n"), "$PVR;Rdy;1.0\r\nOK\r\n");
    EXPECT_EQ(m_sim.ReceivedLines(), std::vector<std::string>{"AT^$PVRRdy"});
    EXPECT_TRUE(port.Close());
    EXPECT_FALSE(port.IsOpen());
    EXPECT_TRUE(port.PortPath().IsEmpty());
  }
}

// A reply in two parts: the gap decides whether one Read takes both.
TEST_F(SerialPortTest, InterCharacterGapDecidesWhereAReadEnds) {
  struct Case {
    DWORD gapMs;
    bool holdSecondPart;  // sent only after the test's first Read returned
    std::vector<std::string> reads;
  };
  const Case cases[] = {
      {60, false, {"$PVR;one;two\r\n"}},
      {5, true, {"$PVR;one;", "two\r\n"}},
  };
  std::mutex mutex;
  std::condition_variable released;
  bool release = false;
  bool hold = false;
  m_sim.AddHandler([&](const std::string& line, devsim::Responder& out) {
    if (line != "SPLIT") return false;
    out.Send("$PVR;one;");
    std::unique_lock<std::mutex> lock(mutex);
    if (hold)
      released.wait_for(lock, std::chrono::milliseconds(kTimeoutMs), [&] { return release; });
    else
      released.wait_for(lock, std::chrono::milliseconds(20), [] { return false; });
    out.Send("two\r\n");
    return true;
  });
  SerialPort port;
  StartAndOpen(port);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.gapMs);
    {
      std::lock_guard<std::mutex> lock(mutex);
      hold = c.holdSecondPart;
      release = false;
    }
    ASSERT_EQ(WriteText(port, "SPLIT\r"), 6);
    std::vector<std::string> reads;
    size_t total = 0;
    size_t expected = 0;
    for (const std::string& r : c.reads) expected += r.size();
    const auto deadline = Clock::now() + std::chrono::milliseconds(kTimeoutMs);
    while (total < expected && MsLeft(deadline) > 0) {
      const Chunk chunk = ReadChunk(port, c.gapMs, MsLeft(deadline));
      ASSERT_TRUE(chunk.ok) << port.LastError();
      reads.push_back(chunk.bytes);
      total += chunk.bytes.size();
      {
        std::lock_guard<std::mutex> lock(mutex);
        release = true;
      }
      released.notify_all();
    }
    EXPECT_EQ(reads, c.reads);
  }
}

TEST_F(SerialPortTest, ReadTakesAtMostTheAskedCountAndLeavesTheRest) {
  std::string big(35000, '\0');
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>('A' + i % 23);
  m_sim.AddHandler([&](const std::string& line, devsim::Responder& out) {
    if (line != "BIG") return false;
    out.Send(big);
    return true;
  });
  SerialPort port;
  StartAndOpen(port);
  ASSERT_EQ(WriteText(port, "BIG\r"), 4);

  std::vector<BYTE> buffer(kChunk + 16, 0xEE);
  std::string all;
  std::vector<int> counts;
  const auto deadline = Clock::now() + std::chrono::milliseconds(kTimeoutMs);
  while (all.size() < big.size() && MsLeft(deadline) > 0) {
    ASSERT_TRUE(port.WaitForData(MsLeft(deadline))) << port.LastError();
    const int n = port.Read(buffer.data(), kChunk, 60);
    ASSERT_GE(n, 0) << port.LastError();
    counts.push_back(n);
    all.append(reinterpret_cast<const char*>(buffer.data()), static_cast<size_t>(n));
  }
  ASSERT_FALSE(counts.empty());
  EXPECT_EQ(counts.front(), kChunk);
  EXPECT_EQ(all, big);
  for (size_t i = kChunk; i < buffer.size(); ++i) ASSERT_EQ(buffer[i], 0xEE) << "byte " << i << " past the asked count";
}

TEST_F(SerialPortTest, ReadWithNothingThereReturnsAtOnceAndTheTotalTimeoutEndsAnEndlessGap) {
  SerialPort port;
  StartAndOpen(port);
  BYTE buffer[16];
  EXPECT_EQ(port.Read(buffer, sizeof buffer, INFINITE), 0);
  EXPECT_EQ(port.LastError(), static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_EQ(port.Read(buffer, 0, 60), 0);
  EXPECT_EQ(port.Read(nullptr, 4, 60), -1);
  EXPECT_EQ(port.LastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(port.Read(buffer, -1, 60), -1);

  // Without a total time-out this read would go on until Wake; the total ends it.
  COMMTIMEOUTS timeouts;
  timeouts.ReadTotalTimeoutConstant = 50;
  ASSERT_TRUE(port.SetCommTimeouts(timeouts));
  ASSERT_TRUE(m_sim.Send("xy"));
  ASSERT_TRUE(port.WaitForData(kTimeoutMs));
  const int n = port.Read(buffer, sizeof buffer, INFINITE);
  EXPECT_GE(n, 1);
  EXPECT_LE(n, 2);
}

TEST_F(SerialPortTest, SecondOpenOfAnOpenPortIsRefusedUntilItIsClosed) {
  SerialPort first;
  StartAndOpen(first);
  for (const std::string& name : {m_sim.PortName(), m_sim.PortPath()}) {
    SerialPort second;
    EXPECT_FALSE(second.Open(Text(name))) << name;
    EXPECT_EQ(second.LastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED)) << name;
    EXPECT_FALSE(second.IsOpen());
  }
  // The first holder is not disturbed by the refused opens.
  ASSERT_EQ(WriteText(first, "PING\r"), 5);
  EXPECT_TRUE(m_sim.WaitForLine([](const std::string& l) { return l == "PING"; }, kTimeoutMs));

  ASSERT_TRUE(first.Close());
  SerialPort second;
  EXPECT_TRUE(second.Open(Text(m_sim.PortName()))) << second.LastError();
  // Reopening through the same object closes the old descriptor first.
  EXPECT_TRUE(second.Open(Text(m_sim.PortName()))) << second.LastError();
  EXPECT_TRUE(second.IsOpen());
}

TEST_F(SerialPortTest, OpenOfWhatIsNoSerialPortFailsWithItsReason) {
  const std::string regular = m_dir + "/plain-file";
  std::ofstream(regular) << "not a port";
  struct Case {
    std::string name;
    DWORD error;
  };
  const Case cases[] = {
      {"ttyNoSuchPort99", ERROR_FILE_NOT_FOUND},
      {"pts/987654", ERROR_FILE_NOT_FOUND},
      {"/nonexistent/dir/tty", ERROR_FILE_NOT_FOUND},
      {"", ERROR_INVALID_NAME},
      {std::string("tty\0S0", 6), ERROR_INVALID_NAME},
      {"/dev/null", ERROR_NOT_SUPPORTED},
      {regular, ERROR_NOT_SUPPORTED},
      {m_dir, ERROR_ACCESS_DENIED},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SerialPort port;
    EXPECT_FALSE(port.Open(Text(c.name)));
    EXPECT_EQ(port.LastError(), c.error);
    EXPECT_FALSE(port.IsOpen());
  }
}

TEST_F(SerialPortTest, EveryCallOnAPortThatIsNotOpenFailsWithInvalidHandle) {
  SerialPort port;
  BYTE byte = 'x';
  DCB dcb;
  dcb.BaudRate = 115200;
  COMMTIMEOUTS timeouts;
  DWORD errors = 0;
  COMSTAT stat;
  struct Op {
    const char* name;
    std::function<bool()> call;
  };
  const Op ops[] = {
      {"Close", [&] { return port.Close(); }},
      {"WaitForData", [&] { return port.WaitForData(0); }},
      {"Read", [&] { return port.Read(&byte, 1, 60) >= 0; }},
      {"Write", [&] { return port.Write(&byte, 1) >= 0; }},
      {"Purge", [&] { return port.Purge(PURGE_RXCLEAR); }},
      {"ClearCommError", [&] { return port.ClearCommError(&errors, &stat); }},
      {"SetCommState", [&] { return port.SetCommState(dcb); }},
      {"GetCommState", [&] { return port.GetCommState(dcb); }},
      {"SetCommTimeouts", [&] { return port.SetCommTimeouts(timeouts); }},
      {"SetupComm", [&] { return port.SetupComm(30000, 30000); }},
  };
  for (int round = 0; round < 2; ++round) {
    for (const Op& op : ops) {
      SCOPED_TRACE(std::string(op.name) + (round ? " after a close" : " before an open"));
      EXPECT_FALSE(op.call());
      EXPECT_EQ(port.LastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    }
    if (round == 0) {
      StartAndOpen(port);
      ASSERT_TRUE(port.Close());
    }
  }
}

TEST_F(SerialPortTest, LineSettingsOutsideWhatThePortTakesAreRefusedAndChangeNothing) {
  SerialPort port;
  StartAndOpen(port);
  struct Case {
    const char* what;
    DWORD baud;
    BYTE size;
    BYTE parity;
    BYTE stop;
  };
  const Case cases[] = {
      {"rate no driver has", 12345, 8, NOPARITY, ONESTOPBIT},
      {"rate zero", 0, 8, NOPARITY, ONESTOPBIT},
      {"nine data bits", 115200, 9, NOPARITY, ONESTOPBIT},
      {"four data bits", 115200, 4, NOPARITY, ONESTOPBIT},
      {"mark parity", 115200, 8, MARKPARITY, ONESTOPBIT},
      {"parity out of range", 115200, 8, 7, ONESTOPBIT},
      {"one and a half stop bits", 115200, 8, NOPARITY, ONE5STOPBITS},
      // A pseudo-terminal only carries 8 data bits without parity.
      {"seven data bits the terminal drops", 115200, 7, EVENPARITY, ONESTOPBIT},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    DCB dcb;
    dcb.BaudRate = c.baud;
    dcb.ByteSize = c.size;
    dcb.Parity = c.parity;
    dcb.StopBits = c.stop;
    EXPECT_FALSE(port.SetCommState(dcb));
    EXPECT_EQ(port.LastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    DCB now;
    ASSERT_TRUE(port.GetCommState(now));
    EXPECT_EQ(now.BaudRate, 115200u);
    EXPECT_EQ(now.ByteSize, 8);
    EXPECT_EQ(now.Parity, NOPARITY);
  }
  DCB slow;
  slow.BaudRate = 9600;
  slow.StopBits = TWOSTOPBITS;
  ASSERT_TRUE(port.SetCommState(slow)) << port.LastError();
  DCB now;
  ASSERT_TRUE(port.GetCommState(now));
  EXPECT_EQ(now.BaudRate, 9600u);
  EXPECT_EQ(now.StopBits, TWOSTOPBITS);
}

TEST_F(SerialPortTest, QueueCountsAndPurgeOfReceivedCharacters) {
  SerialPort port;
  StartAndOpen(port);
  ASSERT_TRUE(m_sim.Send("12345"));
  COMSTAT stat;
  DWORD errors = 99;
  const auto deadline = Clock::now() + std::chrono::milliseconds(kTimeoutMs);
  while (MsLeft(deadline) > 0) {
    ASSERT_TRUE(port.WaitForData(MsLeft(deadline)));
    ASSERT_TRUE(port.ClearCommError(&errors, &stat)) << port.LastError();
    if (stat.cbInQue >= 5) break;
  }
  EXPECT_EQ(stat.cbInQue, 5u);
  EXPECT_EQ(stat.cbOutQue, 0u);
  EXPECT_EQ(errors, 0u);
  EXPECT_TRUE(port.ClearCommError(nullptr, nullptr));

  for (DWORD bad : {0u, 0x10u, PURGE_RXCLEAR | 0x100u}) {
    EXPECT_FALSE(port.Purge(bad)) << bad;
    EXPECT_EQ(port.LastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  }
  ASSERT_TRUE(port.Purge(PURGE_RXCLEAR));
  ASSERT_TRUE(port.ClearCommError(&errors, &stat));
  EXPECT_EQ(stat.cbInQue, 0u);
  BYTE buffer[8];
  EXPECT_EQ(port.Read(buffer, sizeof buffer, 0), 0);
}

TEST_F(SerialPortTest, WakeAndCloseReleaseAWaitOnAnotherThread) {
  SerialPort port;
  StartAndOpen(port);

  // A wake given while nothing waits is kept for the next wait, and for that one only.
  port.Wake();
  EXPECT_FALSE(port.WaitForData(kTimeoutMs));
  EXPECT_EQ(port.LastError(), static_cast<DWORD>(ERROR_OPERATION_ABORTED));
  EXPECT_FALSE(port.WaitForData(1));
  EXPECT_EQ(port.LastError(), static_cast<DWORD>(ERROR_TIMEOUT));

  struct Case {
    const char* what;
    std::function<void()> release;
    bool openAfter;
  };
  const Case cases[] = {
      {"Wake", [&] { port.Wake(); }, true},
      {"Close", [&] { EXPECT_TRUE(port.Close()); }, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::atomic<bool> waiting{false};
    bool result = true;
    DWORD error = 0;
    std::thread reader([&] {
      waiting = true;
      // Long enough that a release that does not work shows as ERROR_TIMEOUT.
      result = port.WaitForData(4 * kTimeoutMs);
      error = port.LastError();
    });
    const auto deadline = Clock::now() + std::chrono::milliseconds(kTimeoutMs);
    while (!waiting && MsLeft(deadline) > 0) std::this_thread::yield();
    c.release();
    reader.join();
    EXPECT_FALSE(result);
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_OPERATION_ABORTED));
    EXPECT_EQ(port.IsOpen(), c.openAfter);
  }
}

TEST_F(SerialPortTest, UnpluggedDeviceIsReportedByEveryCallUntilClosed) {
  struct Case {
    const char* what;
    bool waitingWhenUnplugged;
  };
  const Case cases[] = {{"idle port", false}, {"thread waiting", true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SerialPort port;
    StartAndOpen(port);
    const std::string name = m_sim.PortName();
    bool waitResult = true;
    DWORD waitError = 0;
    std::thread waiter;
    if (c.waitingWhenUnplugged) {
      waiter = std::thread([&] {
        waitResult = port.WaitForData(4 * kTimeoutMs);
        waitError = port.LastError();
      });
    }
    m_sim.Unplug();
    if (waiter.joinable()) {
      waiter.join();
      EXPECT_FALSE(waitResult);
      EXPECT_EQ(waitError, static_cast<DWORD>(ERROR_DEVICE_NOT_CONNECTED));
    }

    EXPECT_FALSE(port.WaitForData(kTimeoutMs));
    EXPECT_EQ(port.LastError(), static_cast<DWORD>(ERROR_DEVICE_NOT_CONNECTED));
    BYTE buffer[16];
    EXPECT_EQ(port.Read(buffer, sizeof buffer, 60), -1);
    EXPECT_EQ(port.LastError(), static_cast<DWORD>(ERROR_DEVICE_NOT_CONNECTED));
    EXPECT_EQ(WriteText(port, "AT^$PVRRdy\r"), -1);
    EXPECT_EQ(port.LastError(), static_cast<DWORD>(ERROR_DEVICE_NOT_CONNECTED));
    COMSTAT stat;
    EXPECT_FALSE(port.ClearCommError(nullptr, &stat));
    EXPECT_EQ(port.LastError(), static_cast<DWORD>(ERROR_DEVICE_NOT_CONNECTED));
    EXPECT_TRUE(port.IsOpen());
    EXPECT_TRUE(port.Close());
    EXPECT_FALSE(port.Open(Text(name)));
    EXPECT_EQ(port.LastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  }
}

TEST_F(SerialPortTest, DeviceGoingAwayInTheMiddleOfAReadKeepsWhatArrived) {
  m_sim.AddHandler([&](const std::string& line, devsim::Responder& out) {
    if (line != "BYE") return false;
    out.Send("last words");
    m_sim.Unplug();
    return true;
  });
  SerialPort port;
  StartAndOpen(port);
  ASSERT_EQ(WriteText(port, "BYE\r"), 4);
  // The hang-up may discard what was not read yet, as with a real device; what was read is kept.
  std::string got;
  const auto deadline = Clock::now() + std::chrono::milliseconds(kTimeoutMs);
  while (MsLeft(deadline) > 0) {
    if (!port.WaitForData(MsLeft(deadline))) break;
    BYTE buffer[64];
    const int n = port.Read(buffer, sizeof buffer, INFINITE);
    if (n < 0) break;
    got.append(reinterpret_cast<const char*>(buffer), static_cast<size_t>(n));
  }
  EXPECT_EQ(port.LastError(), static_cast<DWORD>(ERROR_DEVICE_NOT_CONNECTED));
  EXPECT_EQ(got, std::string("last words").substr(0, got.size()));
}

}  // namespace
