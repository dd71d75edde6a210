// The user's locale settings by number, as the Windows locale query gives them: the decimal
// separator, the negative sign and the other number symbols of the locale the process runs in.
#pragma once

#include "platform/wintypes.h"

typedef DWORD LCID;
typedef DWORD LCTYPE;

#define LOCALE_USER_DEFAULT 0x0400u
#define LOCALE_SYSTEM_DEFAULT 0x0800u
#define LOCALE_SDECIMAL 0x000Eu
#define LOCALE_STHOUSAND 0x000Fu
#define LOCALE_SNEGATIVESIGN 0x0051u
#define LOCALE_SPOSITIVESIGN 0x0050u

// Copies the setting with its terminating zero into the buffer of cchData characters and returns
// the characters written (terminator included). A cchData of 0 asks for the size needed. 0 when the
// locale or setting is unknown, the buffer is null with cchData > 0, or the buffer is too small.
int GetLocaleInfo(LCID locale, LCTYPE type, wchar_t* lpLCData, int cchData);
