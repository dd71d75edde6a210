// Text helpers of the XML profile files: markup characters escaped on writing, the standard
// entities decoded on reading, and the UTF-16LE bytes the file holds.
#pragma once

#include <string>

#include "platform/cstring.h"

// "&", "<", ">" and '"' as "&amp;", "&lt;", "&gt;" and "&quot;".
CString EscapeProfileXml(const CString& text);
// "&amp;", "&lt;", "&gt;", "&quot;" and "&apos;" back to their characters; any other "&" stays as it
// is, so a text without entities comes back unchanged.
CString DecodeProfileXmlEntities(const CString& text);
// The two texts are equal but for the letter case (names and attributes of a profile's root).
bool EqualsIgnoringCase(CString a, CString b);
// The text as UTF-16LE bytes (characters beyond the basic plane as surrogate pairs).
std::string ToUtf16LeBytes(const CString& text);
