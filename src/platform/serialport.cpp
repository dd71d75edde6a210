// The serial port over a POSIX terminal: exclusive open, raw line settings, poll-based waits that a
// wake-up pipe can end, gap-timed reads and time-limited writes.
#include "platform/serialport.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <string>

#include "platform/trace.h"

namespace platform {
namespace {

using Clock = std::chrono::steady_clock;

// A slice of a write's wait, so that a Close from another thread does not wait for the whole
// write time-out.
constexpr int kWriteSliceMs = 50;
constexpr DWORD kDefaultWriteMs = 2000;

struct ThreadError {
  const SerialPort* port = nullptr;
  DWORD code = ERROR_SUCCESS;
};
thread_local ThreadError t_error;

struct Rate {
  DWORD baud;
  speed_t speed;
};
const Rate kRates[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},
    {150, B150},         {200, B200},         {300, B300},         {600, B600},
    {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
    {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
    {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
    {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
    {3500000, B3500000}, {4000000, B4000000},
};

bool SpeedOf(DWORD baud, speed_t& speed) {
  for (const Rate& r : kRates)
    if (r.baud == baud) {
      speed = r.speed;
      return true;
    }
  return false;
}

DWORD BaudOf(speed_t speed) {
  for (const Rate& r : kRates)
    if (r.speed == speed) return r.baud;
  return 0;
}

bool IsGoneErrno(int e) { return e == EIO || e == ENXIO || e == ENODEV || e == EPIPE; }

DWORD OpenErrorOf(int e) {
  switch (e) {
    case ENOENT:
    case ENOTDIR:
    case ENXIO:
    case ENODEV:
      return ERROR_FILE_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EBUSY:
    case EISDIR:
    case EROFS:
    case ETXTBSY:
      return ERROR_ACCESS_DENIED;
    case ENAMETOOLONG:
    case ELOOP:
      return ERROR_INVALID_NAME;
    case EIO:
      return ERROR_DEVICE_NOT_CONNECTED;
    default:
      return ERROR_GEN_FAILURE;
  }
}

// Milliseconds from now until deadline, at least 0, at most INT_MAX.
int MsUntil(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  if (left <= 0) return 0;
  return left > INT_MAX ? INT_MAX : static_cast<int>(left);
}

// Reads until the terminal has nothing more or room is used up. hungUp: the device is gone (end of
// file or an I/O error); failed: another error.
int Drain(int fd, BYTE* buffer, int room, bool& hungUp, bool& failed) {
  int got = 0;
  while (got < room) {
    const ssize_t n = ::read(fd, buffer + got, static_cast<size_t>(room - got));
    if (n > 0) {
      got += static_cast<int>(n);
      continue;
    }
    if (n == 0) {
      hungUp = true;  // a terminal in non-blocking mode reads 0 bytes only after a hang-up
      break;
    }
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) break;
    if (IsGoneErrno(errno))
      hungUp = true;
    else
      failed = true;
    break;
  }
  return got;
}

}  // namespace

SerialPort::SerialPort() {
  if (::pipe2(m_wake, O_CLOEXEC | O_NONBLOCK) != 0) {
    m_wake[0] = -1;
    m_wake[1] = -1;
  }
}

SerialPort::~SerialPort() {
  {
    std::unique_lock<std::shared_mutex> lock(m_lifetime);
    if (m_fd >= 0) CloseLocked();
  }
  for (int fd : m_wake)
    if (fd >= 0) ::close(fd);
}

bool SerialPort::Fail(DWORD code) {
  t_error.port = this;
  t_error.code = code;
  return false;
}

bool SerialPort::Succeed() {
  t_error.port = this;
  t_error.code = ERROR_SUCCESS;
  return true;
}

DWORD SerialPort::LastError() const { return t_error.port == this ? t_error.code : ERROR_SUCCESS; }

void SerialPort::MarkHungUp() {
  if (!m_hungUp.exchange(true)) TRACE(L"serial port %s: the device is gone", m_path);
}

bool SerialPort::DrainWake() {
  if (m_wake[0] < 0) return false;
  BYTE bytes[64];
  bool any = false;
  while (true) {
    const ssize_t n = ::read(m_wake[0], bytes, sizeof bytes);
    if (n > 0) {
      any = true;
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    return any;
  }
}

void SerialPort::Wake() {
  if (m_wake[1] < 0) return;
  const BYTE byte = 1;
  // A full pipe already wakes every poll on it.
  while (::write(m_wake[1], &byte, 1) < 0 && errno == EINTR) {
  }
}

bool SerialPort::BeginCall(std::shared_lock<std::shared_mutex>& lock) {
  if (m_closing) return Fail(ERROR_OPERATION_ABORTED);
  lock = std::shared_lock<std::shared_mutex>(m_lifetime);
  if (m_fd < 0) return Fail(ERROR_INVALID_HANDLE);
  if (m_hungUp) return Fail(ERROR_DEVICE_NOT_CONNECTED);
  return true;
}

bool SerialPort::Open(const CString& portName) {
  std::unique_lock<std::shared_mutex> lock(m_lifetime);
  if (m_fd >= 0) CloseLocked();
  m_hungUp = false;
  DrainWake();
  {
    std::lock_guard<std::mutex> guard(m_timeoutsMutex);
    m_timeouts = COMMTIMEOUTS();
  }
  if (m_wake[0] < 0) return Fail(ERROR_GEN_FAILURE);

  const std::string name = portName.ToUtf8();
  if (name.empty() || name.find('\0') != std::string::npos) return Fail(ERROR_INVALID_NAME);
  const std::string path = name[0] == '/' ? name : "/dev/" + name;

  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return Fail(OpenErrorOf(errno));
  auto refuse = [fd, this](DWORD code) {
    ::close(fd);
    return Fail(code);
  };

  struct stat st;
  if (::fstat(fd, &st) != 0) return refuse(ERROR_GEN_FAILURE);
  if (!S_ISCHR(st.st_mode)) return refuse(ERROR_NOT_SUPPORTED);
  // The lock keeps out every other opener that locks, the super-user included; the terminal's
  // exclusive mode keeps out other plain openers.
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0)
    return refuse(errno == EWOULDBLOCK ? ERROR_ACCESS_DENIED : ERROR_GEN_FAILURE);

  struct termios tio;
  if (::tcgetattr(fd, &tio) != 0) return refuse(errno == ENOTTY ? ERROR_NOT_SUPPORTED : OpenErrorOf(errno));
  ::cfmakeraw(&tio);
  tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
  tio.c_cflag |= CS8 | CLOCAL | CREAD;
  tio.c_cc[VMIN] = 1;
  tio.c_cc[VTIME] = 0;
  if (::tcsetattr(fd, TCSANOW, &tio) != 0) return refuse(OpenErrorOf(errno));
  if (::ioctl(fd, TIOCEXCL) != 0) return refuse(OpenErrorOf(errno));

  m_fd = fd;
  m_path = CString::FromUtf8(path);
  return Succeed();
}

void SerialPort::CloseLocked() {
  // Unsent output would hold up the close (a serial driver waits up to 30 s for it to drain).
  ::tcflush(m_fd, TCOFLUSH);
  // The exclusive mode belongs to the terminal, not to this descriptor: other holders keep it open.
  ::ioctl(m_fd, TIOCNXCL);
  ::close(m_fd);
  m_fd = -1;
  m_path.Empty();
  m_hungUp = false;
}

bool SerialPort::Close() {
  m_closing = true;
  Wake();
  std::unique_lock<std::shared_mutex> lock(m_lifetime);
  m_closing = false;
  if (m_fd < 0) return Fail(ERROR_INVALID_HANDLE);
  CloseLocked();
  return Succeed();
}

bool SerialPort::IsOpen() const {
  std::shared_lock<std::shared_mutex> lock(m_lifetime);
  return m_fd >= 0;
}

CString SerialPort::PortPath() const {
  std::shared_lock<std::shared_mutex> lock(m_lifetime);
  return m_path;
}

bool SerialPort::SetCommState(const DCB& dcb) {
  std::shared_lock<std::shared_mutex> lock;
  if (!BeginCall(lock)) return false;
  speed_t speed;
  if (!SpeedOf(dcb.BaudRate, speed)) return Fail(ERROR_INVALID_PARAMETER);
  tcflag_t size;
  switch (dcb.ByteSize) {
    case 5: size = CS5; break;
    case 6: size = CS6; break;
    case 7: size = CS7; break;
    case 8: size = CS8; break;
    default: return Fail(ERROR_INVALID_PARAMETER);
  }
  if (dcb.Parity != NOPARITY && dcb.Parity != ODDPARITY && dcb.Parity != EVENPARITY)
    return Fail(ERROR_INVALID_PARAMETER);
  if (dcb.StopBits != ONESTOPBIT && dcb.StopBits != TWOSTOPBITS) return Fail(ERROR_INVALID_PARAMETER);

  struct termios tio;
  if (::tcgetattr(m_fd, &tio) != 0) {
    if (IsGoneErrno(errno)) MarkHungUp();
    return Fail(IsGoneErrno(errno) ? ERROR_DEVICE_NOT_CONNECTED : ERROR_GEN_FAILURE);
  }
  const struct termios before = tio;
  tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
  tio.c_cflag |= size;
  if (dcb.Parity != NOPARITY) {
    tio.c_cflag |= PARENB;
    if (dcb.Parity == ODDPARITY) tio.c_cflag |= PARODD;
    tio.c_iflag |= INPCK;
  } else {
    tio.c_iflag &= ~static_cast<tcflag_t>(INPCK);
  }
  if (dcb.StopBits == TWOSTOPBITS) tio.c_cflag |= CSTOPB;
  if (dcb.fOutxCtsFlow) tio.c_cflag |= CRTSCTS;
  ::cfsetispeed(&tio, speed);
  ::cfsetospeed(&tio, speed);
  if (::tcsetattr(m_fd, TCSANOW, &tio) != 0) {
    if (IsGoneErrno(errno)) MarkHungUp();
    return Fail(IsGoneErrno(errno) ? ERROR_DEVICE_NOT_CONNECTED : ERROR_INVALID_PARAMETER);
  }
  // A driver applies what it can and keeps quiet about the rest: a setting it did not take is
  // refused, and the settings from before stay.
  struct termios applied;
  const tcflag_t checked = CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS;
  if (::tcgetattr(m_fd, &applied) != 0 || (applied.c_cflag & checked) != (tio.c_cflag & checked) ||
      ::cfgetospeed(&applied) != speed) {
    ::tcsetattr(m_fd, TCSANOW, &before);
    return Fail(ERROR_INVALID_PARAMETER);
  }
  return Succeed();
}

bool SerialPort::GetCommState(DCB& dcb) {
  std::shared_lock<std::shared_mutex> lock;
  if (!BeginCall(lock)) return false;
  struct termios tio;
  if (::tcgetattr(m_fd, &tio) != 0) {
    if (IsGoneErrno(errno)) MarkHungUp();
    return Fail(IsGoneErrno(errno) ? ERROR_DEVICE_NOT_CONNECTED : ERROR_GEN_FAILURE);
  }
  dcb.BaudRate = BaudOf(::cfgetospeed(&tio));
  switch (tio.c_cflag & CSIZE) {
    case CS5: dcb.ByteSize = 5; break;
    case CS6: dcb.ByteSize = 6; break;
    case CS7: dcb.ByteSize = 7; break;
    default: dcb.ByteSize = 8; break;
  }
  if (!(tio.c_cflag & PARENB))
    dcb.Parity = NOPARITY;
  else
    dcb.Parity = (tio.c_cflag & PARODD) ? ODDPARITY : EVENPARITY;
  dcb.StopBits = (tio.c_cflag & CSTOPB) ? TWOSTOPBITS : ONESTOPBIT;
  dcb.fOutxCtsFlow = (tio.c_cflag & CRTSCTS) ? TRUE : FALSE;
  return Succeed();
}

bool SerialPort::SetCommTimeouts(const COMMTIMEOUTS& timeouts) {
  std::shared_lock<std::shared_mutex> lock;
  if (!BeginCall(lock)) return false;
  std::lock_guard<std::mutex> guard(m_timeoutsMutex);
  m_timeouts = timeouts;
  return Succeed();
}

bool SerialPort::GetCommTimeouts(COMMTIMEOUTS& timeouts) {
  std::shared_lock<std::shared_mutex> lock;
  if (!BeginCall(lock)) return false;
  std::lock_guard<std::mutex> guard(m_timeoutsMutex);
  timeouts = m_timeouts;
  return Succeed();
}

bool SerialPort::SetupComm(DWORD, DWORD) {
  std::shared_lock<std::shared_mutex> lock;
  if (!BeginCall(lock)) return false;
  return Succeed();
}

bool SerialPort::WaitForData(DWORD timeoutMs) {
  std::shared_lock<std::shared_mutex> lock;
  if (!BeginCall(lock)) return false;
  const bool unlimited = timeoutMs == INFINITE;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(unlimited ? 0 : timeoutMs);
  while (true) {
    struct pollfd fds[2] = {{m_fd, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
    const int r = ::poll(fds, 2, unlimited ? -1 : MsUntil(deadline));
    if (r < 0) {
      if (errno == EINTR) continue;
      return Fail(ERROR_GEN_FAILURE);
    }
    if (r == 0) return Fail(ERROR_TIMEOUT);
    if (fds[1].revents) {
      DrainWake();
      return Fail(ERROR_OPERATION_ABORTED);
    }
    if (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) {
      // Characters that arrived before the hang-up are still readable on some drivers.
      int queued = 0;
      if (::ioctl(m_fd, FIONREAD, &queued) == 0 && queued > 0) return Succeed();
      MarkHungUp();
      return Fail(ERROR_DEVICE_NOT_CONNECTED);
    }
    if (fds[0].revents & POLLIN) return Succeed();
  }
}

int SerialPort::Read(BYTE* buffer, int max, DWORD interCharGapMs) {
  DWORD totalMs = 0;
  {
    std::lock_guard<std::mutex> guard(m_timeoutsMutex);
    const unsigned long long total = static_cast<unsigned long long>(m_timeouts.ReadTotalTimeoutMultiplier) *
                                         static_cast<unsigned long long>(max > 0 ? max : 0) +
                                     m_timeouts.ReadTotalTimeoutConstant;
    totalMs = static_cast<DWORD>(std::min<unsigned long long>(total, INFINITE - 1));
  }
  return ReadUntil(buffer, max, interCharGapMs, totalMs);
}

int SerialPort::Read(BYTE* buffer, int max) {
  DWORD gap;
  {
    std::lock_guard<std::mutex> guard(m_timeoutsMutex);
    gap = m_timeouts.ReadIntervalTimeout;
  }
  return Read(buffer, max, gap == MAXDWORD ? 0 : gap);
}

int SerialPort::ReadUntil(BYTE* buffer, int max, DWORD gapMs, DWORD totalMs) {
  std::shared_lock<std::shared_mutex> lock;
  if (!BeginCall(lock)) return -1;
  if (max < 0 || (buffer == nullptr && max > 0)) {
    Fail(ERROR_INVALID_PARAMETER);
    return -1;
  }
  const Clock::time_point start = Clock::now();
  const Clock::time_point totalDeadline = start + std::chrono::milliseconds(totalMs);
  bool hungUp = false;
  bool failed = false;
  int got = Drain(m_fd, buffer, max, hungUp, failed);
  Clock::time_point lastChar = start;
  while (got < max && got > 0 && !hungUp && !failed && gapMs != 0) {
    int waitMs = -1;
    if (gapMs != INFINITE) {
      waitMs = MsUntil(lastChar + std::chrono::milliseconds(gapMs));
      if (waitMs == 0) break;
    }
    if (totalMs != 0) {
      const int left = MsUntil(totalDeadline);
      if (left == 0) break;
      waitMs = waitMs < 0 ? left : std::min(waitMs, left);
    }
    struct pollfd fds[2] = {{m_fd, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
    const int r = ::poll(fds, 2, waitMs);
    if (r < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (r == 0 || fds[1].revents) break;  // the wake stays pending for the next wait
    if (fds[0].revents) {
      const int n = Drain(m_fd, buffer + got, max - got, hungUp, failed);
      if (n > 0) {
        got += n;
        lastChar = Clock::now();
      }
    }
  }
  if (hungUp) MarkHungUp();
  if (got > 0) {
    Succeed();
    return got;
  }
  if (hungUp) {
    Fail(ERROR_DEVICE_NOT_CONNECTED);
    return -1;
  }
  if (failed) {
    Fail(ERROR_GEN_FAILURE);
    return -1;
  }
  Succeed();
  return 0;
}

int SerialPort::Write(const BYTE* data, int count) {
  std::shared_lock<std::shared_mutex> lock;
  if (!BeginCall(lock)) return -1;
  if (count < 0 || (data == nullptr && count > 0)) {
    Fail(ERROR_INVALID_PARAMETER);
    return -1;
  }
  unsigned long long totalMs;
  {
    std::lock_guard<std::mutex> guard(m_timeoutsMutex);
    totalMs = static_cast<unsigned long long>(m_timeouts.WriteTotalTimeoutMultiplier) * static_cast<unsigned>(count) +
              m_timeouts.WriteTotalTimeoutConstant;
  }
  if (totalMs == 0) totalMs = kDefaultWriteMs + static_cast<unsigned>(count) / 10;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(totalMs);
  int done = 0;
  while (done < count) {
    const ssize_t n = ::write(m_fd, data + done, static_cast<size_t>(count - done));
    if (n > 0) {
      done += static_cast<int>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
      if (IsGoneErrno(errno)) {
        MarkHungUp();
        Fail(ERROR_DEVICE_NOT_CONNECTED);
      } else {
        Fail(ERROR_GEN_FAILURE);
      }
      return -1;
    }
    // The output queue is full: wait for room, in slices so that a Close is not held up.
    while (true) {
      if (m_closing) {
        Fail(ERROR_OPERATION_ABORTED);
        return -1;
      }
      const int left = MsUntil(deadline);
      if (left == 0) {
        Fail(ERROR_TIMEOUT);
        return -1;
      }
      struct pollfd fd = {m_fd, POLLOUT, 0};
      const int r = ::poll(&fd, 1, std::min(left, kWriteSliceMs));
      if (r < 0 && errno != EINTR) {
        Fail(ERROR_GEN_FAILURE);
        return -1;
      }
      if (r > 0 && (fd.revents & (POLLHUP | POLLERR | POLLNVAL)) && !(fd.revents & POLLOUT)) {
        MarkHungUp();
        Fail(ERROR_DEVICE_NOT_CONNECTED);
        return -1;
      }
      if (r > 0) break;
    }
  }
  Succeed();
  return done;
}

bool SerialPort::Purge(DWORD flags) {
  std::shared_lock<std::shared_mutex> lock;
  if (!BeginCall(lock)) return false;
  const DWORD all = PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR;
  if (flags == 0 || (flags & ~all) != 0) return Fail(ERROR_INVALID_PARAMETER);
  const bool rx = (flags & (PURGE_RXABORT | PURGE_RXCLEAR)) != 0;
  const bool tx = (flags & (PURGE_TXABORT | PURGE_TXCLEAR)) != 0;
  const int queue = rx && tx ? TCIOFLUSH : rx ? TCIFLUSH : TCOFLUSH;
  if (::tcflush(m_fd, queue) != 0) {
    if (IsGoneErrno(errno)) MarkHungUp();
    return Fail(IsGoneErrno(errno) ? ERROR_DEVICE_NOT_CONNECTED : ERROR_GEN_FAILURE);
  }
  return Succeed();
}

bool SerialPort::ClearCommError(DWORD* errors, COMSTAT* status) {
  std::shared_lock<std::shared_mutex> lock;
  if (!BeginCall(lock)) return false;
  int in = 0;
  int out = 0;
  if (::ioctl(m_fd, FIONREAD, &in) != 0 || ::ioctl(m_fd, TIOCOUTQ, &out) != 0) {
    if (IsGoneErrno(errno)) MarkHungUp();
    return Fail(IsGoneErrno(errno) ? ERROR_DEVICE_NOT_CONNECTED : ERROR_GEN_FAILURE);
  }
  if (errors) *errors = 0;
  if (status) {
    status->cbInQue = static_cast<DWORD>(std::max(in, 0));
    status->cbOutQue = static_cast<DWORD>(std::max(out, 0));
  }
  return Succeed();
}

}  // namespace platform
