// The user's locale settings by number, as the Windows locale query gives them: the decimal
// separator, the negative sign and the other number symbols of the locale the process runs in; and
// dates read as that locale writes them.
#pragma once

#include "platform/cstring.h"
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

// Reads a date with an optional time as the locale writes it (its short and long date forms, the
// short form also with a four-digit year; a time in the locale's forms or as H:mm[:ss]), or in the
// ISO form year-month-day. key orders the moments (year, month, day, hour, minute, second as one
// number). FALSE, key unchanged, for a text that is no date and for a locale other than the user's
// or the system's (both are the process's locale here).
BOOL ParseLocaleDateTime(LCID locale, const CString& text, long long& key);
