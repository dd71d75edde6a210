// Diagnostic output: TRACE messages to standard error, and the program's standard output, which
// also feeds every registered sink (such as a debug console window).
#pragma once

#include <functional>

#include "platform/cstring.h"

namespace platform {

// Writes one message to standard error, adding a newline when it has none. Thread-safe: messages
// from different threads never interleave.
void Trace(const CString& text);

// Trace of a CString::Format text.
template <typename... Args>
void TraceFormat(const CString& format, const Args&... args) {
  CString text;
  text.Format(format, args...);
  Trace(text);
}

// Writes the text as UTF-8 to standard output, as it is (no newline added), then hands it to every
// sink. Sinks run on the writing thread, outside any lock of this module.
void WriteStdout(const CString& text);

// Returns an id for RemoveStdoutSink. After RemoveStdoutSink returns, the sink is not running on
// another thread and is not called again.
int AddStdoutSink(std::function<void(const CString&)> sink);
void RemoveStdoutSink(int id);
// The same for the messages of Trace (as given, without the newline added): a diagnostics view or
// a test watching what the program reports. Without a sink a message costs nothing more.
int AddTraceSink(std::function<void(const CString&)> sink);
void RemoveTraceSink(int id);

}  // namespace platform

#define TRACE(...) ::platform::TraceFormat(__VA_ARGS__)
#define TRACE0(fmt) ::platform::TraceFormat(fmt)
#define TRACE1(fmt, a) ::platform::TraceFormat(fmt, a)
#define TRACE2(fmt, a, b) ::platform::TraceFormat(fmt, a, b)
#define TRACE3(fmt, a, b, c) ::platform::TraceFormat(fmt, a, b, c)

void OutputDebugString(const CString& text);
