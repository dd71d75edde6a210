// The simulated device: pseudo-terminal, registration, the reader thread and the answers.
#include "devsim/devsim.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <sstream>

#include "platform/registry.h"

namespace devsim {

namespace {

const wchar_t kSerialKey[] = L"HARDWARE\\DEVICEMAP\\SERIALCOMM";
const char kValuePrefix[] = "\\Device\\DevSim";
constexpr size_t kMaxLine = 1u << 20;       // a longer run without CR is recorded as a line
constexpr size_t kMaxRecorded = 16u << 20;  // bytes kept for ReceivedBytes
constexpr int kWriteTimeoutMs = 5000;

std::string Trim(const std::string& s) {
  const size_t first = s.find_first_not_of(" \t");
  if (first == std::string::npos) return std::string();
  const size_t last = s.find_last_not_of(" \t");
  return s.substr(first, last - first + 1);
}

std::string ErrnoText(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

// Removes the values of simulators whose process no longer exists (killed without Stop).
void RemoveStaleValues() {
  for (const auto& [name, data] : platform::reg::EnumStrings(HKEY_LOCAL_MACHINE, kSerialKey)) {
    (void)data;
    const std::string text = name.ToUtf8();
    if (text.compare(0, sizeof kValuePrefix - 1, kValuePrefix) != 0) continue;
    const std::string rest = text.substr(sizeof kValuePrefix - 1);
    const size_t underscore = rest.find('_');
    if (underscore == 0 || underscore == std::string::npos || underscore > 9) continue;
    if (rest.find_first_not_of("0123456789") != underscore) continue;
    if (rest.find_first_not_of("0123456789", underscore + 1) != std::string::npos) continue;
    const long pid = std::strtol(rest.substr(0, underscore).c_str(), nullptr, 10);
    if (pid <= 0 || pid == static_cast<long>(::getpid())) continue;
    if (::kill(static_cast<pid_t>(pid), 0) == -1 && errno == ESRCH)
      platform::reg::DeleteValue(HKEY_LOCAL_MACHINE, kSerialKey, name);
  }
}

}  // namespace

bool ParseScript(const std::string& text, std::vector<ScriptEntry>& out, std::string& error) {
  out.clear();
  size_t pos = 0;
  int lineNo = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(pos, end - pos);
    pos = end + 1;
    ++lineNo;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    line = Trim(line);
    if (line.empty() || line[0] == '#') continue;
    const size_t arrow = line.find("=>");
    if (arrow == std::string::npos) {
      error = "line " + std::to_string(lineNo) + ": expected \"REQUEST => REPLY | REPLY\"";
      out.clear();
      return false;
    }
    ScriptEntry entry;
    entry.request = Trim(line.substr(0, arrow));
    if (entry.request.empty()) {
      error = "line " + std::to_string(lineNo) + ": empty request";
      out.clear();
      return false;
    }
    const std::string replies = Trim(line.substr(arrow + 2));
    if (!replies.empty()) {
      size_t start = 0;
      while (true) {
        const size_t bar = replies.find('|', start);
        entry.replies.push_back(Trim(replies.substr(start, bar == std::string::npos ? bar : bar - start)));
        if (bar == std::string::npos) break;
        start = bar + 1;
      }
    }
    out.push_back(std::move(entry));
  }
  return true;
}

class DeviceSimulator::PortResponder : public Responder {
 public:
  explicit PortResponder(DeviceSimulator& sim) : m_sim(sim) {}
  bool Send(const std::string& bytes) override { return m_sim.WriteAll(bytes); }

 private:
  DeviceSimulator& m_sim;
};

DeviceSimulator::DeviceSimulator() = default;

DeviceSimulator::~DeviceSimulator() {
  Stop();
  if (m_reader.joinable()) {
    if (std::this_thread::get_id() == m_readerId)
      m_reader.detach();
    else
      m_reader.join();
  }
  for (int& fd : m_wake) {
    if (fd >= 0) ::close(fd);
    fd = -1;
  }
}

bool DeviceSimulator::Start() {
  if (IsRunning()) return true;
  if (m_reader.joinable()) {
    if (std::this_thread::get_id() == m_readerId) {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_lastError = "cannot restart from inside a handler";
      return false;
    }
    m_reader.join();
  }
  for (int& fd : m_wake) {
    if (fd >= 0) ::close(fd);
    fd = -1;
  }

  std::string error;
  int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  int slave = -1;
  char name[128] = {0};
  int wake[2] = {-1, -1};
  if (master < 0) {
    error = ErrnoText("posix_openpt");
  } else if (::grantpt(master) != 0) {
    error = ErrnoText("grantpt");
  } else if (::unlockpt(master) != 0) {
    error = ErrnoText("unlockpt");
  } else if (::ptsname_r(master, name, sizeof name) != 0) {
    error = ErrnoText("ptsname_r");
  } else if ((slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC)) < 0) {
    error = ErrnoText(name);
  } else {
    struct termios tio;
    if (::tcgetattr(slave, &tio) != 0) {
      error = ErrnoText("tcgetattr");
    } else {
      ::cfmakeraw(&tio);
      tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
      tio.c_cflag |= CS8 | CLOCAL | CREAD;
      tio.c_cc[VMIN] = 1;
      tio.c_cc[VTIME] = 0;
      ::cfsetispeed(&tio, B115200);
      ::cfsetospeed(&tio, B115200);
      if (::tcsetattr(slave, TCSANOW, &tio) != 0) error = ErrnoText("tcsetattr");
    }
  }
  if (error.empty()) {
    const int flags = ::fcntl(master, F_GETFL);
    if (flags < 0 || ::fcntl(master, F_SETFL, flags | O_NONBLOCK) != 0) error = ErrnoText("fcntl");
  }
  if (error.empty() && ::pipe2(wake, O_CLOEXEC | O_NONBLOCK) != 0) error = ErrnoText("pipe2");

  const std::string path = name;
  const std::string portName = path.compare(0, 5, "/dev/") == 0 ? path.substr(5) : path;
  static std::atomic<unsigned> counter{0};
  const std::string valueName =
      std::string(kValuePrefix) + std::to_string(::getpid()) + "_" + std::to_string(++counter);
  if (error.empty()) {
    RemoveStaleValues();
    if (!platform::reg::SetString(HKEY_LOCAL_MACHINE, kSerialKey, CString(valueName.c_str()),
                                  CString(portName.c_str())))
      error = "cannot register the port in the registry (" + platform::GetRegistryPath().ToUtf8() + ")";
  }
  if (!error.empty()) {
    for (int fd : {master, slave, wake[0], wake[1]})
      if (fd >= 0) ::close(fd);
    std::lock_guard<std::mutex> lock(m_mutex);
    m_lastError = error;
    return false;
  }

  {
    std::lock_guard<std::mutex> lock(m_writeMutex);
    m_master = master;
    m_slave = slave;
    m_wake[0] = wake[0];
    m_wake[1] = wake[1];
  }
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_running = true;
    m_lastError.clear();
    m_portName = portName;
    m_valueName = valueName;
    m_registered = true;
    m_lines.clear();
    m_bytes.clear();
    m_partial.clear();
  }
  m_reader = std::thread([this] { ReaderLoop(); });
  m_readerId = m_reader.get_id();
  return true;
}

void DeviceSimulator::Stop() {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_running = false;
  }
  m_changed.notify_all();
  if (m_wake[1] >= 0) {
    // Never drained: every poll on the read end wakes from now on.
    const char byte = 's';
    while (::write(m_wake[1], &byte, 1) < 0 && errno == EINTR) {
    }
  }
  // Unlisted first: once the program's port reports the hang-up, the port is no longer listed.
  Unregister();
  const bool joined = m_reader.joinable() && std::this_thread::get_id() != m_readerId;
  if (joined) m_reader.join();
  {
    std::lock_guard<std::mutex> lock(m_writeMutex);
    CloseTerminal();
    if (joined) {
      for (int& fd : m_wake) {
        if (fd >= 0) ::close(fd);
        fd = -1;
      }
    }
  }
}

void DeviceSimulator::Unplug() { Stop(); }

void DeviceSimulator::CloseTerminal() {
  if (m_master >= 0) ::close(m_master);
  if (m_slave >= 0) ::close(m_slave);
  m_master = -1;
  m_slave = -1;
}

void DeviceSimulator::Unregister() {
  std::string valueName;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_registered) return;
    m_registered = false;
    valueName = m_valueName;
  }
  platform::reg::DeleteValue(HKEY_LOCAL_MACHINE, kSerialKey, CString(valueName.c_str()));
}

bool DeviceSimulator::IsRunning() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_running;
}

std::string DeviceSimulator::LastError() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_lastError;
}

std::string DeviceSimulator::PortName() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_portName;
}

std::string DeviceSimulator::PortPath() const {
  const std::string name = PortName();
  return name.empty() ? name : "/dev/" + name;
}

std::string DeviceSimulator::RegistryValueName() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_valueName;
}

void DeviceSimulator::AddReply(const std::string& requestLine, std::vector<std::string> replyLines) {
  std::lock_guard<std::mutex> lock(m_mutex);
  for (ScriptEntry& entry : m_script) {
    if (entry.request == requestLine) {
      entry.replies = std::move(replyLines);
      return;
    }
  }
  m_script.push_back(ScriptEntry{requestLine, std::move(replyLines)});
}

void DeviceSimulator::LoadScript(const std::vector<ScriptEntry>& entries) {
  for (const ScriptEntry& entry : entries) AddReply(entry.request, entry.replies);
}

void DeviceSimulator::AddHandler(Handler handler) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_handlers.push_back(std::make_shared<Handler>(std::move(handler)));
}

void DeviceSimulator::SetSilent(bool silent) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_silent = silent;
}

bool DeviceSimulator::Send(const std::string& raw) { return WriteAll(raw); }

bool DeviceSimulator::WriteAll(const std::string& bytes) {
  std::lock_guard<std::mutex> lock(m_writeMutex);
  if (m_master < 0) return false;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWriteTimeoutMs);
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(m_master, bytes.data() + done, bytes.size() - done);
    if (n > 0) {
      done += static_cast<size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return false;
    // The terminal's queue is full: wait until the program reads, we are stopped, or time is up.
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
    if (left <= 0) return false;
    struct pollfd fds[2] = {{m_master, POLLOUT, 0}, {m_wake[0], POLLIN, 0}};
    const int r = ::poll(fds, m_wake[0] >= 0 ? 2 : 1, static_cast<int>(left));
    if (r < 0 && errno != EINTR) return false;
    if (r > 0 && (fds[1].revents & POLLIN)) return false;
  }
  return true;
}

void DeviceSimulator::ReaderLoop() {
  int master;
  {
    std::lock_guard<std::mutex> lock(m_writeMutex);
    master = m_master;
  }
  const int wake = m_wake[0];
  char buffer[4096];
  while (true) {
    struct pollfd fds[2] = {{master, POLLIN, 0}, {wake, POLLIN, 0}};
    const int r = ::poll(fds, 2, -1);
    if (r < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (fds[1].revents) break;
    if (!IsRunning()) break;  // stopped from a handler: the descriptor is already closed
    if (fds[0].revents & POLLIN) {
      const ssize_t n = ::read(master, buffer, sizeof buffer);
      if (n > 0) {
        // Lines to answer; whether the device is silent is decided when a line is complete.
        std::vector<std::string> toAnswer;
        {
          std::lock_guard<std::mutex> lock(m_mutex);
          if (m_bytes.size() < kMaxRecorded)
            m_bytes.append(buffer, std::min(static_cast<size_t>(n), kMaxRecorded - m_bytes.size()));
          for (ssize_t i = 0; i < n; ++i) {
            const char c = buffer[i];
            if (c == '\n') continue;
            if (c == '\r' || m_partial.size() >= kMaxLine) {
              m_lines.push_back(m_partial);
              if (!m_silent) toAnswer.push_back(m_partial);
              m_partial.clear();
              if (c == '\r') continue;
            }
            m_partial += c;
          }
        }
        m_changed.notify_all();
        for (const std::string& line : toAnswer) {
          HandleLine(line);
          if (!IsRunning()) return;
        }
        continue;
      }
      if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    }
    if (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) {
      // Not expected while our own slave descriptor is open; do not spin on it.
      struct pollfd w = {wake, POLLIN, 0};
      ::poll(&w, 1, 10);
    }
  }
}

void DeviceSimulator::HandleLine(const std::string& line) {
  std::vector<std::shared_ptr<Handler>> handlers;
  std::vector<std::string> replies;
  bool scripted = false;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    handlers = m_handlers;
    for (const ScriptEntry& entry : m_script) {
      if (entry.request == line) {
        replies = entry.replies;
        scripted = true;
        break;
      }
    }
  }
  PortResponder out(*this);
  for (const auto& handler : handlers)
    if ((*handler)(line, out)) return;
  if (scripted)
    for (const std::string& reply : replies) out.SendLine(reply);
}

std::vector<std::string> DeviceSimulator::ReceivedLines() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_lines;
}

std::string DeviceSimulator::ReceivedBytes() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_bytes;
}

void DeviceSimulator::ClearReceived() {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_lines.clear();
  m_bytes.clear();
}

bool DeviceSimulator::WaitForLine(const std::function<bool(const std::string&)>& pred, int timeoutMs) const {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
  std::unique_lock<std::mutex> lock(m_mutex);
  size_t checked = 0;
  while (true) {
    if (checked > m_lines.size()) checked = 0;  // cleared meanwhile
    const std::vector<std::string> fresh(m_lines.begin() + static_cast<std::ptrdiff_t>(checked), m_lines.end());
    checked = m_lines.size();
    const bool running = m_running;
    lock.unlock();
    for (const std::string& line : fresh)
      if (pred(line)) return true;
    lock.lock();
    if (checked != m_lines.size()) continue;
    if (!running || !m_running) return false;
    if (m_changed.wait_until(lock, deadline) == std::cv_status::timeout && checked == m_lines.size()) return false;
  }
}

bool DeviceSimulator::WaitForBytes(const std::function<bool(const std::string&)>& pred, int timeoutMs) const {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
  std::unique_lock<std::mutex> lock(m_mutex);
  while (true) {
    const std::string bytes = m_bytes;
    const bool running = m_running;
    lock.unlock();
    if (pred(bytes)) return true;
    lock.lock();
    if (bytes != m_bytes) continue;
    if (!running || !m_running) return false;
    if (m_changed.wait_until(lock, deadline) == std::cv_status::timeout && bytes == m_bytes) return false;
  }
}

std::string BareCommandLine(std::string line) {
  const std::string tunnel = "AT+VR=\"";
  if (line.compare(0, tunnel.size(), tunnel) == 0) {
    line = line.substr(tunnel.size());
    if (!line.empty() && line.back() == '"') line.pop_back();
  }
  if (line.compare(0, 3, "AT^") == 0) line = line.substr(3);
  return line;
}

std::vector<std::string> SplitFields(const std::string& text, char sep) {
  std::vector<std::string> out;
  std::string piece;
  std::istringstream in(text);
  while (std::getline(in, piece, sep)) out.push_back(piece);
  if (!text.empty() && text.back() == sep) out.emplace_back();
  return out;
}

}  // namespace devsim
