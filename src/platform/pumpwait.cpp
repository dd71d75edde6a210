#include "platform/pumpwait.h"

namespace platform {

DWORD WaitPumping(HANDLE event, DWORD timeoutMs) {
  if (event == nullptr) return WAIT_FAILED;
  // 1 set, 0 not set, -1 the handle is no live event (closed before or during the wait).
  int state = 0;
  PumpUntil(
      [event, &state] {
        state = EventState(event);
        return state != 0;
      },
      timeoutMs);
  if (state == 1) return WAIT_OBJECT_0;
  return state < 0 ? WAIT_FAILED : WAIT_TIMEOUT;
}

}  // namespace platform
