// Number parsing and comparison helpers with the Windows C run-time meanings, always in the "C"
// locale whatever the process locale is.
#pragma once

#include "platform/cstring.h"

// Leading decimal integer after white space and a sign; 0 when none; clamps to INT_MIN/INT_MAX.
int _wtoi(const CString& text);
long _wtol(const CString& text);
long long _wtoi64(const CString& text);
// Leading floating-point number ("1.2.3" gives 1.2, "abc" gives 0), decimal point '.'.
double _wtof(const CString& text);
// strtol on wide text: base 0, 2..36 (16 accepts a "0x" prefix); *endIndex gets the index of the
// first unparsed unit when given. Out-of-range clamps to LONG_MIN/LONG_MAX.
long WideToLong(const CString& text, int* endIndex, int base);
unsigned long WideToULong(const CString& text, int* endIndex, int base);
// Case-insensitive ordinal comparison (<0, 0, >0).
int _wcsicmp(const CString& a, const CString& b);
