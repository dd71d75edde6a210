// The serial port object with its threads against the simulated device: requests through the bridge,
// statuses and received data at the owner's message map, unplugging, reopening, and clean stops.
#include "object/rs232/rs232object.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "../platform/qt_app.h"
#include "devsim/devsim.h"
#include "platform/geometry.h"
#include "platform/portenum.h"
#include "platform/registry.h"

namespace {

constexpr DWORD kTimeoutMs = 10000;

// The owner window: records every status it is sent, copying what is valid only during the call.
class OwnerWnd : public CWnd {
 public:
  struct Record {
    int code;
    std::string data;          // SERIAL_ST_DATA: the bytes
    bool terminated = false;   // SERIAL_ST_DATA: a zero byte follows them
    std::vector<std::string> ports;  // SERIAL_ST_PORT_LIST
    const void* status = nullptr;    // the record the status came in
  };
  std::vector<Record> records;

  LRESULT OnNotify(WPARAM, LPARAM lParam) {
    const SerialStatus* status = reinterpret_cast<const SerialStatus*>(lParam);
    Record record{status->nCode, {}, false, {}, status};
    if (status->nCode == SERIAL_ST_DATA && status->pData != nullptr) {
      const char* bytes = static_cast<const char*>(status->pData);
      record.data.assign(bytes, static_cast<size_t>(status->nCount));
      record.terminated = bytes[status->nCount] == '\0';
    }
    if (status->nCode == SERIAL_ST_PORT_LIST && status->pData != nullptr) {
      const auto* ports = static_cast<const CArray<tagRS232_PortDef>*>(status->pData);
      for (INT_PTR i = 0; i < ports->GetSize(); ++i) record.ports.push_back(ports->GetAt(i).strPort.ToUtf8());
    }
    records.push_back(record);
    return 0;
  }
  std::vector<int> Codes(int from = 0) const {
    std::vector<int> codes;
    for (size_t i = static_cast<size_t>(from); i < records.size(); ++i)
      if (records[i].code != SERIAL_ST_PORT_LIST && records[i].code != SERIAL_ST_NO_PORT)
        codes.push_back(records[i].code);
    return codes;
  }
  std::string AllData() const {
    std::string all;
    for (const Record& r : records)
      if (r.code == SERIAL_ST_DATA) all += r.data;
    return all;
  }
  // What AllData().size() gives, without joining the data (waits ask it at every pump).
  size_t DataSize() const {
    size_t n = 0;
    for (const Record& r : records)
      if (r.code == SERIAL_ST_DATA) n += r.data.size();
    return n;
  }
  int Count(int code) const {
    int n = 0;
    for (const Record& r : records) n += r.code == code ? 1 : 0;
    return n;
  }
  DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(OwnerWnd, CWnd)
  ON_MESSAGE(WM_SERIAL_NOTIFY, &OwnerWnd::OnNotify)
END_MESSAGE_MAP()

class RS232ObjectTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testsupport::EnsureApp();
    std::string pattern = (std::filesystem::temp_directory_path() / "rs232obj-test-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    m_dir = pattern;
    platform::SetRegistryPath(CString::FromUtf8(m_dir + "/registry.txt"));
    platform::SetTtyDeviceLister([] { return std::vector<platform::TtyDeviceFacts>{}; });
    ASSERT_TRUE(sim.Start()) << sim.LastError();
    sim.AddReply("AT^TEST", {"OK"});
    ASSERT_TRUE(owner.CreateEx(0, nullptr, L"owner", WS_POPUP, CRect(0, 0, 200, 100), nullptr, 0));
    bridge.Create(&owner);
    ASSERT_EQ(bridge.GetObjectCount(), 1);
    ASSERT_EQ(bridge.GetThreadSlotCount(), 2);
    bridge.StartAllThreads();
  }
  void TearDown() override {
    bridge.StopAllThreads();
    for (int i = 0; i < bridge.GetThreadSlotCount(); ++i)
      EXPECT_EQ(bridge.GetThreadSlot(i).pThread, nullptr) << "thread " << i << " did not end";
    bridge.CloseObjects();
    owner.DestroyWindow();
    sim.Stop();
    platform::SetTtyDeviceLister({});
    platform::SetRegistryPath(CString());
    std::error_code ignored;
    std::filesystem::remove_all(m_dir, ignored);
  }

  LRESULT Request(int code, WPARAM flavour = 0, void* data = nullptr, int count = 0) {
    SerialRequest request;
    request.nCode = code;
    request.nCount = count;
    request.pData = data;
    return bridge.SendToObject(WM_SERIAL_REQUEST, flavour, reinterpret_cast<LPARAM>(&request), SEND_MODE_SEND);
  }
  LRESULT Open(const std::string& port, int baud = 115200) {
    tagRS232_PortDef def;
    def.strPort = CString::FromUtf8(port);
    def.nParam = baud;
    return Request(SERIAL_REQ_OPEN, 0, &def);
  }
  LRESULT Write(const CString& text) {
    CString copy = text;
    return Request(SERIAL_REQ_WRITE, 0, &copy);
  }
  bool Pump(const std::function<bool()>& cond) { return platform::PumpUntil(cond, kTimeoutMs); }
  bool ExchangeWorks() {
    const size_t before = owner.AllData().size();
    if (Write(L"AT^TEST\r") != 8) return false;
    return Pump([&] { return owner.AllData().size() >= before + 4; }) &&
           owner.AllData().substr(before) == "OK\r\n";
  }

  std::string m_dir;
  devsim::DeviceSimulator sim;
  OwnerWnd owner;
  CBridge bridge;
};

TEST_F(RS232ObjectTest, OpenWriteAndReceiveTheReply) {
  const size_t first = owner.records.size();
  ASSERT_EQ(Open(sim.PortPath()), 1);
  EXPECT_EQ(owner.Codes(static_cast<int>(first)), (std::vector<int>{SERIAL_ST_OPENED, SERIAL_ST_READY}))
      << "both statuses arrive before the request returns";
  ASSERT_TRUE(ExchangeWorks());
  const auto& last = owner.records.back();
  EXPECT_EQ(last.code, SERIAL_ST_DATA);
  EXPECT_TRUE(last.terminated);
  EXPECT_TRUE(sim.WaitForLine([](const std::string& l) { return l == "AT^TEST"; }, kTimeoutMs));
}

TEST_F(RS232ObjectTest, TextReachesTheDeviceAsSingleByteText) {
  ASSERT_EQ(Open(sim.PortName()), 1);
  struct Case {
    WPARAM flavour;
    const wchar_t* text;
    std::string bytes;
  } cases[] = {
      {0, L"AT$X\r", "AT$X\r"},
      {1, L"ABC", "ABC\r"},                                  // the carriage return is added
      {0, L"\xD55C\r", std::string("\xC7\xD1\r")},           // Korean in the ANSI code page
      {1, L"\xD55C" L"1", std::string("\xC7\xD1" "1\r")},
      {1, L"", "\r"},
  };
  for (const Case& c : cases) {
    sim.ClearReceived();
    const CString text(c.text);
    LRESULT written;
    if (c.flavour == 1) {
      const int n = text.GetLength();
      wchar_t* buffer = new wchar_t[static_cast<size_t>(n) + 1];
      for (int i = 0; i < n; ++i) buffer[i] = text[i];
      written = Request(SERIAL_REQ_WRITE, 1, buffer, n);  // the object frees it
    } else {
      written = Write(text);
    }
    EXPECT_EQ(written, static_cast<LRESULT>(c.bytes.size())) << text.ToUtf8();
    EXPECT_TRUE(sim.WaitForBytes([&](const std::string& b) { return b == c.bytes; }, kTimeoutMs))
        << text.ToUtf8() << " gave " << sim.ReceivedBytes();
  }
}

TEST_F(RS232ObjectTest, SendTextRecordWritesOnlyKindOne) {
  ASSERT_EQ(Open(sim.PortPath()), 1);
  const CString ignored = L"IGNORED\r";
  const CString sent = L"AT$Y\r";
  SerialTextRecord other{0, 0, &ignored};
  SerialTextRecord text{1, 0, &sent};
  SerialTextRecord empty{1, 0, nullptr};
  for (SerialTextRecord* record : {&other, &empty, &text})
    EXPECT_EQ(bridge.SendToObject(WM_SERIAL_SEND_TEXT, 0, reinterpret_cast<LPARAM>(record), SEND_MODE_SEND), 0);
  // Writes are synchronous: once the last one is seen, the earlier ones would have been too.
  EXPECT_TRUE(sim.WaitForBytes([](const std::string& b) { return b == "AT$Y\r"; }, kTimeoutMs))
      << sim.ReceivedBytes();
}

TEST_F(RS232ObjectTest, ReplySplitWithinTheCharacterGapIsOneDelivery) {
  sim.AddHandler([](const std::string& line, devsim::Responder& out) {
    if (line != "SPLIT") return false;
    out.Send("PART1,");
    // The device pauses inside its reply, well within the 60 ms gap.
    std::this_thread::sleep_for(std::chrono::milliseconds(15));
    out.Send("PART2\r\n");
    return true;
  });
  ASSERT_EQ(Open(sim.PortPath()), 1);
  const int before = owner.Count(SERIAL_ST_DATA);
  ASSERT_EQ(Write(L"SPLIT\r"), 6);
  ASSERT_TRUE(Pump([&] { return owner.AllData().find("PART2\r\n") != std::string::npos; }));
  EXPECT_EQ(owner.Count(SERIAL_ST_DATA), before + 1);
  EXPECT_EQ(owner.records.back().data, "PART1,PART2\r\n");
}

TEST_F(RS232ObjectTest, ReplyWithAPauseBeyondTheCharacterGapIsTwoDeliveries) {
  sim.AddHandler([](const std::string& line, devsim::Responder& out) {
    if (line != "SLOW") return false;
    out.Send("FIRST,");
    // The device pauses inside its reply for longer than the 60 ms gap.
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    out.Send("SECOND\r\n");
    return true;
  });
  ASSERT_EQ(Open(sim.PortPath()), 1);
  const size_t before = owner.records.size();
  ASSERT_EQ(Write(L"SLOW\r"), 5);
  ASSERT_TRUE(Pump([&] { return owner.AllData().find("SECOND\r\n") != std::string::npos; }));
  std::vector<std::string> deliveries;
  for (size_t i = before; i < owner.records.size(); ++i)
    if (owner.records[i].code == SERIAL_ST_DATA) deliveries.push_back(owner.records[i].data);
  EXPECT_EQ(deliveries, (std::vector<std::string>{"FIRST,", "SECOND\r\n"}));
}

TEST_F(RS232ObjectTest, LargeRepliesArriveCompleteAndInOrder) {
  std::string big;
  for (int i = 0; big.size() < 70000; ++i) big += std::to_string(i) + ";";
  big += "\r\n";
  sim.AddHandler([big](const std::string& line, devsim::Responder& out) {
    if (line != "DUMP") return false;
    out.Send(big);
    return true;
  });
  ASSERT_EQ(Open(sim.PortPath()), 1);
  const size_t before = owner.DataSize();
  ASSERT_EQ(Write(L"DUMP\r"), 5);
  // A generous deadline: on a loaded machine the reader's deliveries come slowly.
  ASSERT_TRUE(platform::PumpUntil([&] { return owner.DataSize() >= before + big.size(); }, 6 * kTimeoutMs));
  EXPECT_EQ(owner.AllData().substr(before), big);
}

TEST_F(RS232ObjectTest, UnpluggedDeviceIsReportedAndWritesFail) {
  ASSERT_EQ(Open(sim.PortPath()), 1);
  ASSERT_TRUE(ExchangeWorks());
  sim.Unplug();
  ASSERT_TRUE(Pump([&] { return owner.Count(SERIAL_ST_DEVICE_LOST) > 0; }));
  for (int i = 0; i < 3; ++i) EXPECT_EQ(Write(L"AT^TEST\r"), 0);
  EXPECT_EQ(owner.Count(SERIAL_ST_DEVICE_LOST), 1) << "reported once";
  // The read thread reports the loss in a record of its own: the record of the open and close
  // statuses, which the GUI thread fills meanwhile, is not written from there.
  const void* lostRecord = nullptr;
  const void* openRecord = nullptr;
  for (const OwnerWnd::Record& r : owner.records) {
    if (r.code == SERIAL_ST_DEVICE_LOST) lostRecord = r.status;
    if (r.code == SERIAL_ST_READY) openRecord = r.status;
  }
  ASSERT_NE(openRecord, nullptr);
  EXPECT_NE(lostRecord, openRecord);
  EXPECT_EQ(static_cast<const SerialStatus*>(openRecord)->nCode, SERIAL_ST_READY);
  const size_t before = owner.records.size();
  EXPECT_NE(Request(SERIAL_REQ_CLOSE), -1);
  EXPECT_EQ(owner.Codes(static_cast<int>(before)), std::vector<int>{SERIAL_ST_CLOSED});
  // A device plugged in again is used as before.
  ASSERT_TRUE(sim.Start()) << sim.LastError();
  sim.AddReply("AT^TEST", {"OK"});
  ASSERT_EQ(Open(sim.PortPath()), 1);
  EXPECT_TRUE(ExchangeWorks());
}

TEST_F(RS232ObjectTest, CloseThenReopen) {
  ASSERT_EQ(Open(sim.PortPath()), 1);
  size_t mark = owner.records.size();
  Request(SERIAL_REQ_CLOSE);
  EXPECT_EQ(owner.Codes(static_cast<int>(mark)), std::vector<int>{SERIAL_ST_CLOSED});
  EXPECT_EQ(Write(L"AT^TEST\r"), 0) << "no port";
  mark = owner.records.size();
  Request(SERIAL_REQ_CLOSE);
  EXPECT_EQ(owner.Codes(static_cast<int>(mark)), std::vector<int>{SERIAL_ST_NOT_OPEN});
  for (int round = 0; round < 2; ++round) {
    mark = owner.records.size();
    ASSERT_EQ(Open(sim.PortPath()), 1) << round;
    EXPECT_EQ(owner.Codes(static_cast<int>(mark)), (std::vector<int>{SERIAL_ST_OPENED, SERIAL_ST_READY}));
    EXPECT_TRUE(ExchangeWorks()) << round;
    Request(SERIAL_REQ_CLOSE);
  }
}

TEST_F(RS232ObjectTest, FailedOpensReportOnlyTheFailure) {
  struct Case {
    std::string port;
    int baud;
  } cases[] = {
      {m_dir + "/no-such-port", 115200},
      {"", 115200},
      {sim.PortPath(), 12345},  // a rate the port refuses
      {sim.PortPath(), 0},
      {"\\\\.\\no-such-port", 115200},
  };
  for (const Case& c : cases) {
    const size_t mark = owner.records.size();
    EXPECT_EQ(Open(c.port, c.baud), 0) << c.port << " " << c.baud;
    EXPECT_EQ(owner.Codes(static_cast<int>(mark)), std::vector<int>{SERIAL_ST_OPEN_FAILED}) << c.port;
  }
  const size_t mark = owner.records.size();
  Request(SERIAL_REQ_CLOSE);
  EXPECT_EQ(owner.Codes(static_cast<int>(mark)), std::vector<int>{SERIAL_ST_NOT_OPEN})
      << "a port that refused its settings is not left open";
  ASSERT_EQ(Open(sim.PortPath()), 1);
  EXPECT_TRUE(ExchangeWorks());
  // Requests without a record, of unknown codes, or with no data change nothing.
  EXPECT_EQ(bridge.SendToObject(WM_SERIAL_REQUEST, 0, 0, SEND_MODE_SEND), 0);
  EXPECT_EQ(Request(99), 0);
  EXPECT_EQ(Request(SERIAL_REQ_WRITE, 0, nullptr), 0);
  EXPECT_TRUE(ExchangeWorks());
}

TEST_F(RS232ObjectTest, DeviceCheckReportsThePortList) {
  ASSERT_TRUE(Pump([&] { return owner.Count(SERIAL_ST_PORT_LIST) > 0; }));
  bool found = false;
  for (const auto& r : owner.records)
    for (const std::string& p : r.ports) found = found || p == sim.PortName();
  EXPECT_TRUE(found) << "the simulator's port is listed";
  EXPECT_EQ(owner.Count(SERIAL_ST_NO_PORT), 0);
}

TEST_F(RS232ObjectTest, ThreadsStopWhileDataIsFlowing) {
  ASSERT_EQ(Open(sim.PortPath()), 1);
  std::atomic<bool> stop{false};
  std::thread talker([&] {
    while (!stop && sim.Send(std::string(500, 'x'))) {
    }
  });
  ASSERT_TRUE(Pump([&] { return owner.Count(SERIAL_ST_DATA) > 0; }));
  bridge.StopAllThreads();
  for (int i = 0; i < bridge.GetThreadSlotCount(); ++i) EXPECT_EQ(bridge.GetThreadSlot(i).pThread, nullptr) << i;
  stop = true;
  sim.Stop();
  talker.join();
  // The port was closed by the stop; a close request finds none.
  const size_t mark = owner.records.size();
  Request(SERIAL_REQ_CLOSE);
  EXPECT_EQ(owner.Codes(static_cast<int>(mark)), std::vector<int>{SERIAL_ST_NOT_OPEN});
}

TEST(SerialComTest, WriteTimeoutMultiplier) {
  const std::pair<int, DWORD> cases[] = {{9600, 2}, {115200, 0}, {19200, 1}, {4800, 4}, {0, 0}, {-5, 0}};
  for (const auto& c : cases) EXPECT_EQ(CSerialCom::WriteMultiplier(c.first), c.second) << c.first;
}

}  // namespace
