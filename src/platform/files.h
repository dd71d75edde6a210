// File and folder helpers: existence and wildcard search, whole-file reads and atomic whole-file
// writes, copies, renames, and the program's and the current folder. Paths are text with '/'
// separators, stored as UTF-8 on disk.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "platform/cstring.h"

namespace platform {

// True when a file or folder exists at the path. The last component may hold the wildcards '*'
// (any run of characters) and '?' (one character); then it is true when any entry of that folder
// matches. Wildcards match without regard to case, and "*.*" matches every name, as on Windows.
bool FileExists(const CString& pathOrPattern);

// The files and folders matching a pattern (wildcards as in FileExists, "." and ".." never
// included), as full paths (the pattern's folder joined with each name), sorted by name.
// A pattern without wildcards gives that path when it exists.
std::vector<CString> FindFiles(const CString& pattern);

// Creates one folder (its parent must exist). True when it was created or already is a folder;
// false when something else has that name or it cannot be created.
bool CreateFolder(const CString& path);

// Deletes a file (not a folder). False when there is no such file or it cannot be deleted.
bool DeleteFile(const CString& path);

// The largest file the whole-file readers take.
constexpr long long kMaxWholeFileBytes = 64LL * 1024 * 1024;

// Reads every byte of a regular file of at most maxBytes. False (and bytes empty) when it cannot
// be read; errno then tells why: EISDIR for a folder, EINVAL for anything else that is not a
// regular file (a FIFO, a device, a socket), EFBIG for a longer file. Opening never blocks.
bool ReadWholeFile(const CString& path, std::string& bytes, long long maxBytes = kMaxWholeFileBytes);

// Opens a regular file of at most maxBytes for reading in binary mode, without blocking on the
// opening. Null with errno set as ReadWholeFile's when it cannot be opened or is refused.
std::FILE* OpenRegularFile(const CString& path, long long maxBytes = kMaxWholeFileBytes);

// Writes a file whole or not at all: the bytes go to a temporary file in the same folder, which
// is flushed to disk and then renamed over the target. On any failure the old file (if any) is
// untouched and the temporary file is removed. A new file gets the usual permissions (0666 less
// the umask); a replaced one keeps its permissions. A symbolic link is followed to its target.
bool WriteWholeFile(const CString& path, std::string_view bytes);

// Renames (moves) a file or folder. Unless replace is true, fails when the new name exists.
// A file moves across file systems too (copied, then the original deleted).
bool RenameFile(const CString& from, const CString& to, bool replace = false);

// Copies a file atomically (as WriteWholeFile). With failIfExists, fails when the target exists.
bool CopyFileTo(const CString& from, const CString& to, bool failIfExists = false);

// The size in bytes of a file, or -1 when it is missing or not a regular file.
long long FileSize(const CString& path);

// The running program's file and its folder (no trailing '/').
CString GetProgramPath();
CString GetProgramFolder();

CString GetCurrentFolder();
bool SetCurrentFolder(const CString& path);

// Joins a folder and a name with one '/'. An empty part gives the other part; an absolute
// second part is returned as it is.
CString JoinPath(const CString& folder, const CString& name);

// Turns '\' separators into '/'.
CString NativePath(const CString& path);

}  // namespace platform
