// Diagnostic output to standard error and the program's standard output with its sinks.
#include "platform/trace.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <mutex>
#include <string>

#include "platform/callbacks.h"

namespace platform {
namespace {

// Never destroyed: threads may still write while the process exits.
std::mutex& OutputMutex() {
  static std::mutex* m = new std::mutex;
  return *m;
}

CallbackList<const CString&>& Sinks() {
  static CallbackList<const CString&>* sinks = new CallbackList<const CString&>;
  return *sinks;
}

CallbackList<const CString&>& TraceSinks() {
  static CallbackList<const CString&>* sinks = new CallbackList<const CString&>;
  return *sinks;
}

// Writes every byte unless the descriptor fails (a closed pipe is not an error worth more).
void WriteAll(int fd, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return;
    }
    done += static_cast<size_t>(n);
  }
}

}  // namespace

void Trace(const CString& text) {
  std::string bytes = text.ToUtf8();
  if (bytes.empty() || bytes.back() != '\n') bytes += '\n';
  {
    std::lock_guard<std::mutex> lock(OutputMutex());
    WriteAll(STDERR_FILENO, bytes);
  }
  TraceSinks().Call(text);
}

void WriteStdout(const CString& text) {
  const std::string bytes = text.ToUtf8();
  {
    std::lock_guard<std::mutex> lock(OutputMutex());
    // Anything the C library still buffers for stdout goes first, to keep the order.
    fflush(stdout);
    WriteAll(STDOUT_FILENO, bytes);
  }
  Sinks().Call(text);
}

int AddStdoutSink(std::function<void(const CString&)> sink) { return Sinks().Add(std::move(sink)); }

void RemoveStdoutSink(int id) { Sinks().Remove(id); }

int AddTraceSink(std::function<void(const CString&)> sink) { return TraceSinks().Add(std::move(sink)); }

void RemoveTraceSink(int id) { TraceSinks().Remove(id); }

}  // namespace platform

void OutputDebugString(const CString& text) { platform::Trace(text); }
