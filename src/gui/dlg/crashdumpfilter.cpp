// The program's crash-dump handler on the layer's unhandled-exception filter.
#include "gui/dlg/crashdumpfilter.h"

#include "platform/clock.h"

namespace {
LPTOP_LEVEL_EXCEPTION_FILTER g_pPreviousFilter = nullptr;
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

CString CrashDumpFileName(const SYSTEMTIME& time) {
  CString name;
  name.Format(L"%d-%d-%d %d_%d_%d.dmp", time.wYear, time.wMonth, time.wDay, time.wHour, time.wMinute, time.wSecond);
  return name;
}

LONG WriteCrashDump(EXCEPTION_POINTERS* pExceptionInfo) {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  return platform::WriteDumpFile(CrashDumpFileName(now), pExceptionInfo) ? EXCEPTION_EXECUTE_HANDLER
                                                                          : EXCEPTION_CONTINUE_SEARCH;
}
