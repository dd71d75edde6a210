// The console window: a top-level window with a read-only text view that shows everything written
// to standard output through WriteStdout (from the moment it opens), standing in for AllocConsole.
#pragma once

#include "platform/cstring.h"
#include "platform/wintypes.h"

namespace platform {

// Opens the console window (GUI thread); true when it opened now, false when it was open already.
bool OpenConsoleWindow();
bool IsConsoleWindowOpen();
// The text the console shows (GUI thread; empty without a console). Text written from other
// threads shows once the GUI thread has handled its events.
CString GetConsoleWindowText();
// Closes the console window and stops showing standard output.
void CloseConsoleWindow();

}  // namespace platform

// Opens the console window; FALSE when the process has one already.
BOOL AllocConsole();
// Closes it; FALSE when there is none.
BOOL FreeConsole();
