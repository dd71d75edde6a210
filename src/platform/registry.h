// The registry: a typed, hierarchical key/value store kept in a text file under the user's
// configuration folder, with the Win32 calls (RegOpenKeyEx, RegQueryValueEx, ...) and a small
// C++ convenience API on top.
//
// Semantics worth knowing:
// - Every call reads the file anew, so two holders (handles, threads or processes) see each other's
//   writes. A change is a read-modify-write under an exclusive lock (flock on "<file>.lock") and is
//   written whole (temporary file + rename): concurrent writers never lose each other's changes.
// - A handle names a key by its path. If another holder deletes the key, operations on the handle
//   fail with ERROR_KEY_DELETED; if the key is later created again, the handle refers to the new one.
// - Key and value names match without regard to case; the case first written is kept.
// - RegEnumValue lists values in the order they were first set (setting an existing value again keeps
//   its place); RegEnumKeyEx lists subkeys in name order, ignoring case.
// - A file that cannot be parsed reads as empty and is reported once on stderr. The first change
//   written over it keeps its old content in "<file>.bad" and says so on stderr. A file that exists but
//   cannot be read at all (permissions, a folder) is never replaced: changes fail with
//   ERROR_ACCESS_DENIED.
#pragma once

#include <utility>
#include <vector>

#include "platform/cstring.h"
#include "platform/winerror.h"
#include "platform/wintypes.h"

typedef struct RegKey* HKEY;
typedef HKEY* PHKEY;
typedef DWORD REGSAM;
typedef LONG LSTATUS;

#define HKEY_CLASSES_ROOT (reinterpret_cast<HKEY>(static_cast<uintptr_t>(0x80000000u)))
#define HKEY_CURRENT_USER (reinterpret_cast<HKEY>(static_cast<uintptr_t>(0x80000001u)))
#define HKEY_LOCAL_MACHINE (reinterpret_cast<HKEY>(static_cast<uintptr_t>(0x80000002u)))
#define HKEY_USERS (reinterpret_cast<HKEY>(static_cast<uintptr_t>(0x80000003u)))


// Value types.
#define REG_NONE 0u
#define REG_SZ 1u
#define REG_EXPAND_SZ 2u
#define REG_BINARY 3u
#define REG_DWORD 4u
#define REG_MULTI_SZ 7u
#define REG_QWORD 11u

// Access rights of a handle. Reading values needs KEY_QUERY_VALUE, changing or deleting them
// KEY_SET_VALUE, listing subkeys KEY_ENUMERATE_SUB_KEYS, creating subkeys below a handle
// KEY_CREATE_SUB_KEY. The predefined roots have every right.
#define KEY_QUERY_VALUE 0x0001u
#define KEY_SET_VALUE 0x0002u
#define KEY_CREATE_SUB_KEY 0x0004u
#define KEY_ENUMERATE_SUB_KEYS 0x0008u
#define KEY_NOTIFY 0x0010u
#define KEY_CREATE_LINK 0x0020u
#define KEY_WOW64_64KEY 0x0100u
#define KEY_WOW64_32KEY 0x0200u
#define KEY_READ 0x00020019u
#define KEY_WRITE 0x00020006u
#define KEY_EXECUTE KEY_READ
#define KEY_ALL_ACCESS 0x000F003Fu

#define REG_OPTION_NON_VOLATILE 0x0000u
#define REG_OPTION_VOLATILE 0x0001u
#define REG_CREATED_NEW_KEY 0x0001u
#define REG_OPENED_EXISTING_KEY 0x0002u

// Opens an existing key (subKey may be empty: a new handle to the same key).
// ERROR_FILE_NOT_FOUND when it does not exist. Path separators are '\'.
LONG RegOpenKeyEx(HKEY key, const CString& subKey, DWORD options, REGSAM access, HKEY* result);
// Opens a key, creating it and every missing key above it. disposition (optional) tells which.
LONG RegCreateKeyEx(HKEY key, const CString& subKey, DWORD reserved, const wchar_t* keyClass,
                    DWORD options, REGSAM access, void* security, HKEY* result, DWORD* disposition);
LONG RegCloseKey(HKEY key);
// Windows size protocol: data null gives the size in *cbData; a buffer too small gives
// ERROR_MORE_DATA with the size needed in *cbData. The stored bytes come back as they were set
// (a REG_SZ set by this API or the convenience calls is UTF-16LE ending with a 0 unit).
// An empty name is the key's default value.
LONG RegQueryValueEx(HKEY key, const CString& name, DWORD* reserved, DWORD* type, BYTE* data,
                     DWORD* cbData);
LONG RegSetValueEx(HKEY key, const CString& name, DWORD reserved, DWORD type, const BYTE* data, DWORD cbData);
// The index-th value (order: first set first); ERROR_NO_MORE_ITEMS past the end. The size protocol
// of RegQueryValueEx applies to data/cbData; name and type are filled in either case.
LONG RegEnumValue(HKEY key, DWORD index, CString* name, DWORD* type, BYTE* data, DWORD* cbData);
// The index-th subkey name (name order, ignoring case); ERROR_NO_MORE_ITEMS past the end.
LONG RegEnumKeyEx(HKEY key, DWORD index, CString* name);
LONG RegDeleteValue(HKEY key, const CString& name);
// Deletes a key that has no subkeys (ERROR_ACCESS_DENIED when it has some). An empty subKey deletes
// the key of the handle itself; a predefined root cannot be deleted.
LONG RegDeleteKey(HKEY key, const CString& subKey);

namespace platform {
// The file behind the registry: the path given to SetRegistryPath, else the environment variable
// PLATFORM_REGISTRY_FILE, else ${XDG_CONFIG_HOME:-$HOME/.config}/winreg/registry.txt.
CString GetRegistryPath();
// An empty path removes the override.
void SetRegistryPath(const CString& path);

namespace reg {
// Typed shortcuts over the calls above, each one read (or one locked change) of the store. root is a
// predefined root or an open handle; key is a path below it (may be empty). Get* fail when the key
// or value is missing or the value has another type (a DWORD 9 is not the string "9"). Set* create
// the key when needed.
bool GetDword(HKEY root, const CString& key, const CString& name, DWORD& out);
bool SetDword(HKEY root, const CString& key, const CString& name, DWORD value);
// REG_SZ or REG_EXPAND_SZ; the text ends at the first 0 unit.
bool GetString(HKEY root, const CString& key, const CString& name, CString& out);
bool SetString(HKEY root, const CString& key, const CString& name, const CString& value);
bool DeleteValue(HKEY root, const CString& key, const CString& name);
// Every REG_SZ/REG_EXPAND_SZ value of a key as (name, text), in enumeration order; empty when the
// key does not exist.
std::vector<std::pair<CString, CString>> EnumStrings(HKEY root, const CString& key);
// The text of a string value's bytes as read: UTF-16LE up to the first 0 unit or the end of the
// bytes (an odd last byte is left out), never past size.
CString TextOfBytes(const BYTE* data, DWORD size);
}  // namespace reg
}  // namespace platform
