// The Portuguese dictionary: English texts (tab titles, parameter names, option and page texts)
// mapped to the Portuguese texts of the user's "POR_LANG.txt" in the Document folder, one
// "English=Portuguese" entry a line. Loaded once at start when the interface language is
// Portuguese; the main window keeps the map and looks texts up through Translate.
#pragma once

#include "platform/collections.h"
#include "platform/cstring.h"
#include "platform/wintypes.h"

namespace brelvano {

// The "Language" setting that selects Portuguese.
constexpr DWORD kLanguagePortuguese = 22;

// Empties the map, then, when language is Portuguese and documentDir (ending with '/') holds
// "POR_LANG.txt", fills it from the file: keys are the English texts upper-cased and trimmed,
// values the Portuguese texts as written. The file is decoded as UTF-8 when its bytes are valid
// UTF-8 (a leading byte-order mark is dropped), else as code page 1252; lines end with LF or CR LF.
// Lines without '=' or with a blank key are ignored; a value ends at a second '='; a later line
// with the same key wins.
// TRUE when the language is not Portuguese, when there is no such file, or when it was read;
// FALSE, after a message box naming the file and the system's error, when it exists but cannot
// be read (a folder of that name, no permission).
BOOL LoadPortugueseDictionary(CMapStringToString& map, DWORD language, const CString& documentDir);

// The dictionary's text for text (looked up upper-cased and trimmed), or text itself when the map
// is empty, has no such key or holds an empty value for it.
CString Translate(const CMapStringToString& map, const CString& text);

// Writes the English and the Portuguese texts numbered 1001 to 1763 of the two language libraries
// as dictionary lines ("English=Portuguese", UTF-8, CR LF) to strPath, whole or not at all; a text a
// library lacks reads "ERROR". FALSE when the file cannot be written.
BOOL DumpLanguageStrings(const CString& strPath = CString(L"Test.txt"));

}  // namespace brelvano
