#include "platform/pumpwait.h"

namespace platform {

DWORD WaitPumping(HANDLE event, DWORD timeoutMs) {
  if (event == nullptr) return WAIT_FAILED;
  bool set = PumpUntil([event] { return IsEventSet(event) != FALSE; }, timeoutMs);
  return set ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
}

}  // namespace platform
