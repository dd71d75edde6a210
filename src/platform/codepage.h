// Conversions between wide text and bytes in a named code page (iconv underneath).
#pragma once

#include <string>
#include <string_view>

#include "platform/cstring.h"

#define CP_ACP 0        // the program's "ANSI" code page: 949
#define CP_UTF8 65001
#define CP_UTF16LE 1200
#define CP_KOREAN 949
#define CP_WESTERN 1252

namespace platform {
// Bytes in code page cp to text. Bytes that are not valid in cp become U+FFFD each (never a throw).
CString BytesToText(UINT cp, std::string_view bytes);
// Text to bytes in code page cp. Characters cp cannot hold become '?'. UTF-16LE has no byte-order mark.
std::string TextToBytes(UINT cp, const CString& text);
// The same; *lost is set true when some character had to be replaced by '?'.
std::string TextToBytes(UINT cp, const CString& text, bool* lost);
// True when this system can convert code page cp (both ways). A code page it lacks converts
// every non-ASCII character to a replacement in the functions above.
bool CodePageSupported(UINT cp);
// True when the bytes are well-formed UTF-8.
bool IsValidUtf8(std::string_view bytes);
}  // namespace platform
