// Waiting on the GUI thread for an event while window messages, timers and deliveries from other
// threads keep being handled (re-entrant: a handler may wait again inside the wait).
#pragma once

#include "platform/sync.h"
#include "platform/wnd.h"

namespace platform {
// Tests the event, else processes pending events and sleeps 1 ms of the clock service, until the
// event is set (WAIT_OBJECT_0) or timeoutMs of clock time have passed (WAIT_TIMEOUT). INFINITE
// waits for ever. A null handle, or one that is not a live event or is closed during the wait, gives
// WAIT_FAILED. Does not reset the event.
DWORD WaitPumping(HANDLE event, DWORD timeoutMs);
}  // namespace platform
