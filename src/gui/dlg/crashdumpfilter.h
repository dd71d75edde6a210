// The program's crash-dump handler: while it is installed, a crash on any thread of the process
// writes a dump file named after the local time into the current folder.
#pragma once

#include <cstddef>

#include "platform/crashdump.h"
#include "platform/cstring.h"
#include "platform/wintypes.h"

// Puts the critical-error mode in force and installs WriteCrashDump, keeping the filter installed
// before it. Always TRUE.
BOOL InstallCrashDumpFilter();
// Puts back the filter kept by InstallCrashDumpFilter. Always TRUE.
BOOL RestoreCrashDumpFilter();
// The filter: writes "<year>-<month>-<day> <hour>_<minute>_<second>.dmp" (no leading zeros) into
// the current folder, replacing a dump of the same second. EXCEPTION_EXECUTE_HANDLER when the dump
// was written, else EXCEPTION_CONTINUE_SEARCH. Async-signal-safe: it runs inside the crash.
LONG WriteCrashDump(EXCEPTION_POINTERS* pExceptionInfo);
// The dump file's name for a local time.
CString CrashDumpFileName(const SYSTEMTIME& time);
// The same into a buffer, with async-signal-safe steps only (for the filter itself); false (and an
// empty text) when it does not fit. kCrashDumpNameBytes always holds it.
constexpr size_t kCrashDumpNameBytes = 64;
bool FormatCrashDumpFileName(const SYSTEMTIME& time, char* out, size_t size);
