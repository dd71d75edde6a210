// FormatMessage's system texts for the error codes the layer reports (the layer's own table).
#pragma once

#include "platform/cstring.h"
#include "platform/wintypes.h"

namespace platform {
// The text of a Windows error code, ending in "\r\n" like the system's; unknown codes give
// "Unknown error (<code>).\r\n".
CString SystemErrorText(DWORD code);
}  // namespace platform
