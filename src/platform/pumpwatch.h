// Processing the pending events once while watching the user's input go by: the stand-in for a
// loop that peeks at the queue (PeekMessage) before it lets the application handle what it finds,
// as a long operation on the GUI thread does to notice a cancel.
#pragma once

#include <functional>

#include "platform/wnd.h"

namespace platform {
// Processes the pending events once (as PumpPendingEvents). Each keyboard character the user types
// (WM_CHAR, wParam the character: Esc gives 27) and each mouse button release (WM_LBUTTONUP,
// WM_RBUTTONUP, WM_MBUTTONUP, with pt the screen point and hwnd the window under it) is offered to
// watch once, before the window it is aimed at handles it. The watcher may not pump itself.
void PumpPendingEventsWatching(const std::function<void(const MSG&)>& watch);
}  // namespace platform
