// The unhandled-exception filter: fatal-signal and terminate handlers that call it, per-thread
// alternate signal stacks, and the dump file writer.
#include "platform/crashdump.h"

#include <execinfo.h>
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <mutex>

#include "platform/clock.h"

namespace {

constexpr int kFatalSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
// Room for the filter, which may format texts and open files while on the alternate stack.
constexpr size_t kAltStackBytes = 256 * 1024;
// A filter that has not returned by then is stuck; SIGALRM ends the process.
constexpr unsigned kFilterTimeLimitSeconds = 20;
constexpr int kMaxFrames = 128;

std::atomic<LPTOP_LEVEL_EXCEPTION_FILTER> g_filter{nullptr};
std::atomic<UINT> g_errorMode{0};
// Kernel id of the thread handling a crash; 0 while none is.
std::atomic<long> g_crashingThread{0};
std::terminate_handler g_previousTerminate = nullptr;
std::once_flag g_installOnce;

long CurrentThreadId() { return static_cast<long>(syscall(SYS_gettid)); }

// The calling thread's alternate signal stack: a mapping with a guard page below it, released
// when the thread ends.
struct AltStack {
  char* mapping = nullptr;
  size_t mappedBytes = 0;
  size_t page = 0;

  ~AltStack() {
    if (mapping == nullptr) return;
    stack_t current{};
    if (sigaltstack(nullptr, &current) == 0 && current.ss_sp == mapping + page) {
      if ((current.ss_flags & SS_ONSTACK) != 0) return;  // still in use: keep it
      stack_t off{};
      off.ss_flags = SS_DISABLE;
      sigaltstack(&off, nullptr);
    }
    munmap(mapping, mappedBytes);
  }
};
thread_local AltStack t_altStack;

void WaitForever() {
  for (;;) {
    timespec ts{0, 50 * 1000 * 1000};
    nanosleep(&ts, nullptr);
  }
}

// The signal's default action from here on, and the signal once more: it is delivered as soon as
// the handler returns (the signal is blocked inside it), or at once outside a handler.
void DieBy(int sig) {
  struct sigaction dfl {};
  dfl.sa_handler = SIG_DFL;
  sigemptyset(&dfl.sa_mask);
  sigaction(sig, &dfl, nullptr);
  raise(sig);
}

void ArmWatchdog() {
  struct sigaction dfl {};
  dfl.sa_handler = SIG_DFL;
  sigemptyset(&dfl.sa_mask);
  sigaction(SIGALRM, &dfl, nullptr);
  sigset_t alrm;
  sigemptyset(&alrm);
  sigaddset(&alrm, SIGALRM);
  pthread_sigmask(SIG_UNBLOCK, &alrm, nullptr);
  alarm(kFilterTimeLimitSeconds);
}

// Takes the crash for this thread. False when a crash is handled already: on this thread (the
// filter itself crashed) the caller dies at once; on another thread this one waits to be ended.
bool ClaimCrash(long self) {
  long expected = 0;
  if (g_crashingThread.compare_exchange_strong(expected, self)) return true;
  if (expected != self) WaitForever();
  return false;
}

void OnFatalSignal(int sig, siginfo_t* info, void* context) {
  const int savedErrno = errno;
  const long self = CurrentThreadId();
  if (ClaimCrash(self)) {
    ArmWatchdog();
    EXCEPTION_POINTERS pointers;
    pointers.signalNumber = sig;
    pointers.signalCode = info != nullptr ? info->si_code : 0;
    // si_addr means something only when the kernel raised the signal for a fault.
    if (info != nullptr && info->si_code > 0 && sig != SIGABRT) pointers.faultAddress = info->si_addr;
    pointers.threadId = self;
    pointers.context = context;
    if (LPTOP_LEVEL_EXCEPTION_FILTER filter = g_filter.load()) filter(&pointers);
  }
  errno = savedErrno;
  DieBy(sig);
}

void CopyText(char* out, size_t size, const char* a, const char* b = "") {
  size_t n = 0;
  for (const char* s : {a, b}) {
    for (; s != nullptr && *s != '\0' && n + 1 < size; ++s) out[n++] = *s;
  }
  out[n] = '\0';
}

void DescribeCurrentException(char* out, size_t size) {
  std::exception_ptr current = std::current_exception();
  if (!current) {
    CopyText(out, size, "std::terminate called without an active exception");
    return;
  }
  try {
    std::rethrow_exception(current);
  } catch (const std::exception& e) {
    CopyText(out, size, "uncaught exception: ", e.what());
  } catch (...) {
    CopyText(out, size, "uncaught exception of an unknown type");
  }
}

void OnTerminate() {
  const long self = CurrentThreadId();
  if (ClaimCrash(self)) {
    ArmWatchdog();
    static char reason[512];
    DescribeCurrentException(reason, sizeof reason);
    EXCEPTION_POINTERS pointers;
    pointers.signalNumber = SIGABRT;
    pointers.threadId = self;
    pointers.reason = reason;
    if (LPTOP_LEVEL_EXCEPTION_FILTER filter = g_filter.load()) filter(&pointers);
  }
  // The usual handler reports the exception and aborts; the SIGABRT it raises finds the crash
  // handled already and dies at once.
  if (g_previousTerminate != nullptr) g_previousTerminate();
  DieBy(SIGABRT);
  std::abort();
}

void InstallHandlers() {
  // The first backtrace() loads the unwinder, which must not happen inside a crash; the local
  // time's offset is read now, as a crash may not read it.
  void* frames[2];
  backtrace(frames, 2);
  platform::PrepareSignalSafeLocalTime();

  struct sigaction sa {};
  sa.sa_sigaction = OnFatalSignal;
  sa.sa_flags = SA_SIGINFO | SA_ONSTACK;
  sigemptyset(&sa.sa_mask);
  for (int sig : kFatalSignals) sigaddset(&sa.sa_mask, sig);
  for (int sig : kFatalSignals) sigaction(sig, &sa, nullptr);
  g_previousTerminate = std::set_terminate(OnTerminate);
}

// A line buffer for the dump that formats without the C library's allocating functions.
class DumpWriter {
 public:
  explicit DumpWriter(int fd) : m_fd(fd) {}

  DumpWriter& Text(const char* s) {
    for (; s != nullptr && *s != '\0'; ++s) Char(*s);
    return *this;
  }
  DumpWriter& Char(char c) {
    if (m_used == sizeof m_buffer) Flush();
    m_buffer[m_used++] = c;
    return *this;
  }
  DumpWriter& Dec(long long value, int width = 0) {
    char digits[24];
    int n = 0;
    unsigned long long v = value < 0 ? 0ULL - static_cast<unsigned long long>(value) : static_cast<unsigned long long>(value);
    do {
      digits[n++] = static_cast<char>('0' + v % 10);
      v /= 10;
    } while (v != 0);
    if (value < 0) Char('-');
    for (int i = n; i < width; ++i) Char('0');
    while (n > 0) Char(digits[--n]);
    return *this;
  }
  DumpWriter& Hex(uintptr_t value) {
    Text("0x");
    for (int shift = static_cast<int>(sizeof value * 8) - 4; shift >= 0; shift -= 4) {
      Char("0123456789abcdef"[(value >> shift) & 0xF]);
    }
    return *this;
  }
  bool Flush() {
    size_t done = 0;
    while (done < m_used) {
      const ssize_t n = ::write(m_fd, m_buffer + done, m_used - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        m_ok = false;
        break;
      }
      done += static_cast<size_t>(n);
    }
    m_used = 0;
    return m_ok;
  }
  bool Ok() const { return m_ok; }

 private:
  int m_fd;
  char m_buffer[512];
  size_t m_used = 0;
  bool m_ok = true;
};

}  // namespace

LPTOP_LEVEL_EXCEPTION_FILTER SetUnhandledExceptionFilter(LPTOP_LEVEL_EXCEPTION_FILTER filter) {
  std::call_once(g_installOnce, InstallHandlers);
  platform::PrepareThreadForCrashes();
  return g_filter.exchange(filter);
}

UINT SetErrorMode(UINT mode) { return g_errorMode.exchange(mode); }

namespace platform {

bool PrepareThreadForCrashes() {
  AltStack& stack = t_altStack;
  if (stack.mapping != nullptr) return true;
  const long pageSize = sysconf(_SC_PAGESIZE);
  const size_t page = pageSize > 0 ? static_cast<size_t>(pageSize) : 4096;
  const size_t bytes = page + kAltStackBytes;
  void* mapping = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapping == MAP_FAILED) return false;
  char* base = static_cast<char*>(mapping);
  mprotect(base, page, PROT_NONE);  // guard page: an overflow of the handler faults instead of spilling
  stack_t ss{};
  ss.ss_sp = base + page;
  ss.ss_size = kAltStackBytes;
  ss.ss_flags = 0;
  if (sigaltstack(&ss, nullptr) != 0) {
    munmap(mapping, bytes);
    return false;
  }
  stack.mapping = base;
  stack.mappedBytes = bytes;
  stack.page = page;
  return true;
}

const char* CrashSignalName(int signalNumber) {
  switch (signalNumber) {
    case SIGSEGV: return "SIGSEGV";
    case SIGBUS: return "SIGBUS";
    case SIGFPE: return "SIGFPE";
    case SIGILL: return "SIGILL";
    case SIGABRT: return "SIGABRT";
    default: return "signal";
  }
}

bool WriteDumpFile(int fd, const EXCEPTION_POINTERS* info) {
  if (fd < 0) return false;
  EXCEPTION_POINTERS none;
  const EXCEPTION_POINTERS& p = info != nullptr ? *info : none;
  SYSTEMTIME now{};
  SignalSafeLocalTime(&now);

  DumpWriter out(fd);
  out.Text("Crash dump\n");
  out.Text("Signal: ").Dec(p.signalNumber).Char(' ').Text(CrashSignalName(p.signalNumber)).Char('\n');
  out.Text("Code: ").Dec(p.signalCode).Char('\n');
  out.Text("Fault address: ").Hex(reinterpret_cast<uintptr_t>(p.faultAddress)).Char('\n');
  out.Text("Thread: ").Dec(p.threadId != 0 ? p.threadId : CurrentThreadId()).Char('\n');
  out.Text("Process: ").Dec(getpid()).Char('\n');
  out.Text("Time: ").Dec(now.wYear, 4).Char('-').Dec(now.wMonth, 2).Char('-').Dec(now.wDay, 2).Char(' ');
  out.Dec(now.wHour, 2).Char(':').Dec(now.wMinute, 2).Char(':').Dec(now.wSecond, 2).Char('\n');
  if (p.reason != nullptr) out.Text("Reason: ").Text(p.reason).Char('\n');
  out.Text("Backtrace:\n");
  if (!out.Flush()) return false;

  void* frames[kMaxFrames];
  const int count = backtrace(frames, kMaxFrames);
  if (count > 0) backtrace_symbols_fd(frames, count, fd);
  out.Text("End of dump\n");
  return out.Flush();
}

bool WriteDumpFile(const char* path, const EXCEPTION_POINTERS* info) {
  if (path == nullptr || *path == '\0') return false;
  const size_t length = std::strlen(path);
  char temp[PATH_MAX + 32];
  if (length + 24 >= sizeof temp) return false;
  std::memcpy(temp, path, length);
  // ".partial-<pid>" beside the target: the rename keeps the dump whole or absent.
  size_t n = length;
  for (const char* s = ".partial-"; *s != '\0'; ++s) temp[n++] = *s;
  char digits[16];
  int d = 0;
  for (long pid = getpid(); d == 0 || pid != 0; pid /= 10) digits[d++] = static_cast<char>('0' + pid % 10);
  while (d > 0) temp[n++] = digits[--d];
  temp[n] = '\0';

  const int fd = open(temp, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  bool ok = WriteDumpFile(fd, info);
  ok = fsync(fd) == 0 && ok;
  ok = close(fd) == 0 && ok;
  if (ok && rename(temp, path) == 0) return true;
  unlink(temp);
  return false;
}

bool WriteDumpFile(const CString& path, const EXCEPTION_POINTERS* info) {
  const std::string bytes = path.ToUtf8();
  return WriteDumpFile(bytes.c_str(), info);
}

}  // namespace platform
