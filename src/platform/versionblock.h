// Version information of a built file with the Windows version functions' names: the size and copy
// of a file's version block (platform/versionblock_format.h), and the lookup of its fixed numbers,
// its translation and its named texts.
#pragma once

#include <vector>

#include "platform/cstring.h"
#include "platform/versionblock_format.h"
#include "platform/wintypes.h"

#define VS_FFI_SIGNATURE 0xFEEF04BDu
#define VS_FFI_STRUCVERSION 0x00010000u
#define VS_FFI_FILEFLAGSMASK 0x0000003Fu
#define VFT_UNKNOWN 0x00000000u
#define VFT_APP 0x00000001u
#define VFT_DLL 0x00000002u

// The fixed part of a version block.
struct VS_FIXEDFILEINFO {
  DWORD dwSignature;         // VS_FFI_SIGNATURE
  DWORD dwStrucVersion;
  DWORD dwFileVersionMS;     // first part high, second part low
  DWORD dwFileVersionLS;     // third part high, fourth part low
  DWORD dwProductVersionMS;
  DWORD dwProductVersionLS;
  DWORD dwFileFlagsMask;
  DWORD dwFileFlags;
  DWORD dwFileOS;
  DWORD dwFileType;          // VFT_APP, VFT_DLL or VFT_UNKNOWN
  DWORD dwFileSubtype;
  DWORD dwFileDateMS;
  DWORD dwFileDateLS;
};
static_assert(sizeof(VS_FIXEDFILEINFO) == 52, "the fixed part is 52 bytes");

// The size of the file's version block, 0 when the file has none (or cannot be read, or is not a
// regular file). *handle (optional) is set to 0. A damaged block (its size, checksum or contents
// do not hold together) counts as none; the file is read in chunks, so its size does not matter.
DWORD GetFileVersionInfoSize(const CString& path, DWORD* handle);
// Copies the file's version block into data. FALSE when there is none, data is null or len is
// smaller than the block (nothing is cut).
BOOL GetFileVersionInfo(const CString& path, DWORD handle, DWORD len, void* data);
// Looks a value up in a block copied by GetFileVersionInfo; *buffer points into the block.
//   "\"                                the VS_FIXEDFILEINFO; *len 52
//   "\VarFileInfo\Translation"         one DWORD: language in the low, code page in the high word; *len 4
//   "\StringFileInfo\<llllcccc>\<Name>" the text as UTF-16 units (char16_t) with a closing zero;
//                                      *len the units with the zero. llll is the language and cccc
//                                      the code page in hexadecimal; they must be the block's.
// '/' may stand for '\'; names and hexadecimal digits match without regard to case. FALSE (and
// *buffer null, *len 0) when the value is absent or the block is not a valid one.
BOOL VerQueryValue(const void* block, const CString& subBlock, void** buffer, UINT* len);

namespace platform {

// A block of the layer's format, built at run time (for tests and tools).
std::vector<uint8_t> BuildVersionBlock(const versionblock::Definition& definition);

// Where the file's version block lies: byte offset and size. False when it has none.
bool FindVersionBlock(const CString& path, long long* offset, DWORD* size);

// The running program's own block, from memory (null and 0 when it was built without one).
const void* EmbeddedVersionBlock(DWORD* size);

}  // namespace platform
