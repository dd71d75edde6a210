// Crash handling in the manner of the Windows unhandled-exception filter: the fatal signals
// (SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT) and std::terminate call one process-wide filter, which
// can write a dump file of the layer's own text format. When the filter returns, the process dies
// as it would have without it (the signal's default action).
#pragma once

#include "platform/cstring.h"
#include "platform/wintypes.h"

// Filter results. Whatever the filter returns, the process ends afterwards: a fault cannot be
// resumed here.
#define EXCEPTION_EXECUTE_HANDLER 1
#define EXCEPTION_CONTINUE_SEARCH 0
#define EXCEPTION_CONTINUE_EXECUTION (-1)

// Error modes (recorded only: this system shows no critical-error boxes anyway).
#define SEM_FAILCRITICALERRORS 0x0001u
#define SEM_NOGPFAULTERRORBOX 0x0002u
#define SEM_NOALIGNMENTFAULTEXCEPT 0x0004u
#define SEM_NOOPENFILEERRORBOX 0x8000u

// What the filter is told about a crash.
struct EXCEPTION_POINTERS {
  int signalNumber = 0;          // SIGSEGV, SIGBUS, SIGFPE, SIGILL, or SIGABRT (also for std::terminate)
  int signalCode = 0;            // the signal's si_code (0 for std::terminate)
  void* faultAddress = nullptr;  // the faulting address (SIGSEGV, SIGBUS) or instruction (SIGILL,
                                 // SIGFPE); null when the signal was sent rather than caused
  long threadId = 0;             // kernel thread id of the crashing thread
  void* context = nullptr;       // the signal's ucontext_t (null for std::terminate)
  const char* reason = nullptr;  // std::terminate: what the uncaught exception said; else null
};
typedef EXCEPTION_POINTERS* PEXCEPTION_POINTERS;
typedef LONG (*LPTOP_LEVEL_EXCEPTION_FILTER)(EXCEPTION_POINTERS* info);

// Installs the filter for every thread of the process and returns the one installed before (null
// at first). The first call installs the signal handlers and the terminate handler; every call
// gives the calling thread an alternate signal stack. Null removes the filter: crashes then only die.
// The filter runs on the crashing thread, inside the signal handler; a second crash while it runs
// (on any thread) ends the process without calling it again, and a filter that has not returned
// after 20 seconds is ended by SIGALRM.
LPTOP_LEVEL_EXCEPTION_FILTER SetUnhandledExceptionFilter(LPTOP_LEVEL_EXCEPTION_FILTER filter);

// Records the mode and returns the previous one (0 at first).
UINT SetErrorMode(UINT mode);

namespace platform {

// Gives the calling thread an alternate signal stack, so that even a stack overflow on it reaches
// the filter. Worker threads call it once when they start; the stack is released when the thread
// ends. True when the thread has one (also when it already had it).
bool PrepareThreadForCrashes();

// Writes a dump of the layer's own text format: signal, code, fault address, thread, process,
// local time (of the clock service, read as a crash handler may), the reason of a terminate, and
// the crashing thread's backtrace (the calling thread's when called outside a crash). info may be
// null (no crash data). Only async-signal-safe calls are made: no lock, no allocation, the bytes
// go out with write(2). True when every line was written.
bool WriteDumpFile(int fd, const EXCEPTION_POINTERS* info);
// Writes the dump to a file whole or not at all (a temporary file beside it, renamed over the
// target, replacing an earlier one). False when the file cannot be written. Async-signal-safe.
bool WriteDumpFile(const char* path, const EXCEPTION_POINTERS* info);
// The same for a path given as text. Not for a crash handler: converting the text allocates.
bool WriteDumpFile(const CString& path, const EXCEPTION_POINTERS* info);

// The short name of a fatal signal ("SIGSEGV"), or "signal" for others.
const char* CrashSignalName(int signalNumber);

}  // namespace platform
