// The reading side of a profile change, apart from the sending: what a profile file gives before
// anything goes to the device.
#pragma once

#include "platform/cstring.h"
#include "platform/wintypes.h"

class CBrelvanoDlg;

// A text profile: its lines into m_textProfileLines and its values into the tables and pages.
// FALSE (after its log line or message) when the file cannot be read, is not UTF-8 text, lacks
// its model and version lines or names another model or version, or holds no values: nothing is
// applied or sent then (values are applied only from a profile that passed every check).
BOOL LoadTextProfile(CBrelvanoDlg* d, const CString& path);

// An XML profile: its command lines into m_profileLines (left as they were when the file cannot be
// read). FALSE (after its log line or message) when the file cannot be read, is invalid or
// foreign, or gives no line.
BOOL LoadXmlProfileLines(CBrelvanoDlg* d, const CString& path);
