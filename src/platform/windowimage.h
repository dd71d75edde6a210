// Pictures of windows: what a window and its children show, saved as an image file (for
// screenshots of the program under a headless display).
#pragma once

#include "platform/cstring.h"

class CWnd;

namespace platform {

// Renders the window (its whole widget, children included) and writes it as a PNG file, whole or
// not at all. False when the window has no widget or the file cannot be written.
bool SaveWindowImage(CWnd* wnd, const CString& path);

}  // namespace platform
