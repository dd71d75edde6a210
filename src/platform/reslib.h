// Resource libraries: shared libraries that carry only data (texts and bitmaps by number, see
// reslib_format.h), loaded at run time in the manner of LoadLibrary / LoadString / LoadImage, and
// the thread's last-error value that these calls leave behind.
//
// File names. Callers use the Windows form ("Texts.dll"). The one mapping rule: a final ".dll"
// (any case) becomes ".so"; a name without any extension gets ".so"; any other name is used as it
// is. So "Texts.dll" and "Texts" both load "Texts.so".
//
// Search. A plain name (no '/' or '\') is looked for in the program's own folder first
// (platform::GetProgramFolder(), or the folder set with SetLibraryFolder), then on the system's
// library search path (LD_LIBRARY_PATH, the run path, the loader cache). A name with a folder is
// used as it is ('\' separators become '/').
//
// Handles. Loading the same file again gives the same handle and counts a reference; FreeLibrary
// drops one, and the last one unloads the file and retires the handle for good (a later load gives
// a new one), so a stale handle is never mistaken for another library. Texts and bitmaps are copied
// out of the library when it is loaded: what a caller received stays valid after FreeLibrary.
// The handle of the program itself (AfxGetInstanceHandle()) reads the program's own string table
// and bitmaps. All calls are thread-safe.
#pragma once

#include <string>

#include "platform/cstring.h"
#include "platform/reslib_format.h"
#include "platform/winmsg.h"
#include "platform/winerror.h"
#include "platform/wintypes.h"


// The calling thread's last error: set by the calls of this module when they fail (and cleared to
// ERROR_SUCCESS when they succeed).
DWORD GetLastError();
void SetLastError(DWORD code);

// Loads a resource library; null on failure with the last error set: ERROR_MOD_NOT_FOUND (no such
// file), ERROR_BAD_EXE_FORMAT (not a loadable shared library, or no valid resource table: such a
// file is unloaded again), ERROR_INVALID_PARAMETER (empty name).
HINSTANCE LoadLibrary(const CString& fileName);
// Drops one reference; FALSE with ERROR_INVALID_HANDLE for a handle that is not a loaded library.
BOOL FreeLibrary(HINSTANCE hModule);

// The text with that number in out. With maxChars > 0 the text is cut to maxChars - 1 UTF-16 units
// (the room a Windows buffer of maxChars leaves beside its terminator) and its length returned;
// with maxChars 0 the whole text and its length. 0 and out empty when the text is absent or empty
// (ERROR_RESOURCE_NAME_NOT_FOUND; ERROR_RESOURCE_TYPE_NOT_FOUND when the library has no texts at
// all), for a bad handle (ERROR_INVALID_HANDLE) or a negative maxChars (ERROR_INVALID_PARAMETER).
int LoadString(HINSTANCE hInstance, UINT id, CString& out, int maxChars);

// A new bitmap (the caller deletes it with DeleteObject) of the bitmap with that number; null when
// it is absent (ERROR_RESOURCE_NAME_NOT_FOUND), cannot be decoded (ERROR_INVALID_DATA) or the
// handle is bad (ERROR_INVALID_HANDLE).
HBITMAP LoadBitmapFrom(HINSTANCE hInstance, UINT id);

namespace platform {

// The stored bytes of a library's bitmap (a .bmp file), as FindResource / LoadResource give them;
// false (bytes empty) when the handle or the bitmap is unknown. The program's own handle has none.
bool GetBitmapResourceBytes(HINSTANCE hInstance, UINT id, std::string& bytes);

// Replaces the program's folder in the search for plain names (tests); empty restores it.
void SetLibraryFolder(const CString& folder);

// The file name a library name maps to (the rule above), without any folder search.
CString MapLibraryFileName(const CString& fileName);

}  // namespace platform
