// The program's crash-dump handler on the layer's unhandled-exception filter. The filter runs
// inside a signal handler, perhaps with the allocator or a lock of the C library held by the
// crashed code: it reads the time, builds the name and writes the dump with async-signal-safe
// steps only (no allocation, no lock).
#include "gui/dlg/crashdumpfilter.h"

#include "platform/clock.h"

namespace {
LPTOP_LEVEL_EXCEPTION_FILTER g_pPreviousFilter = nullptr;

// Appends the decimal digits of n (no leading zeros) at out[used]; false when they do not fit.
bool AppendDecimal(char* out, size_t size, size_t& used, unsigned n) {
  char digits[12];
  int count = 0;
  do {
    digits[count++] = static_cast<char>('0' + n % 10);
    n /= 10;
  } while (n != 0);
  if (used + static_cast<size_t>(count) >= size) return false;
  while (count > 0) out[used++] = digits[--count];
  return true;
}
}  // namespace

BOOL InstallCrashDumpFilter() {
  SetErrorMode(SEM_FAILCRITICALERRORS);
  g_pPreviousFilter = SetUnhandledExceptionFilter(WriteCrashDump);
  return TRUE;
}

BOOL RestoreCrashDumpFilter() {
  SetUnhandledExceptionFilter(g_pPreviousFilter);
  return TRUE;
}

bool FormatCrashDumpFileName(const SYSTEMTIME& time, char* out, size_t size) {
  if (out == nullptr || size == 0) return false;
  const unsigned parts[] = {time.wYear, time.wMonth, time.wDay, time.wHour, time.wMinute, time.wSecond};
  const char separators[] = {'-', '-', ' ', '_', '_', '.'};
  size_t used = 0;
  for (int i = 0; i < 6; ++i) {
    if (!AppendDecimal(out, size, used, parts[i]) || used + 1 >= size) {
      out[0] = '\0';
      return false;
    }
    out[used++] = separators[i];
  }
  for (const char* s = "dmp"; *s != '\0'; ++s) {
    if (used + 1 >= size) {
      out[0] = '\0';
      return false;
    }
    out[used++] = *s;
  }
  out[used] = '\0';
  return true;
}

CString CrashDumpFileName(const SYSTEMTIME& time) {
  char name[kCrashDumpNameBytes];
  return FormatCrashDumpFileName(time, name, sizeof name) ? CString::FromUtf8(name) : CString();
}

LONG WriteCrashDump(EXCEPTION_POINTERS* pExceptionInfo) {
  SYSTEMTIME now{};
  platform::SignalSafeLocalTime(&now);
  char name[kCrashDumpNameBytes];
  if (!FormatCrashDumpFileName(now, name, sizeof name)) return EXCEPTION_CONTINUE_SEARCH;
  return platform::WriteDumpFile(name, pExceptionInfo) ? EXCEPTION_EXECUTE_HANDLER : EXCEPTION_CONTINUE_SEARCH;
}
