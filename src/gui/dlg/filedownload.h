// The lines of a file download into the device: the start line that announces a file's length and
// the blocks of at most 512 bytes that follow it, each in hexadecimal text with its byte sum.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/cstring.h"

// One block of a file, ready to send.
struct FileDataInfo {
  CString strHex;       // the bytes as "%02X" each, no separators
  CString strSum;       // the sum of the bytes modulo 256, "%02X"
  int nByteCount = 0;   // 1 to 512
};

namespace filedownload {
constexpr int kBlockBytes = 512;
// Files above this size are refused before anything is sent.
constexpr long long kMaxFileBytes = 64LL * 1024 * 1024;

// "AT^$PVRMCUDLST" + the length as "%05d" + the sum of those decimal digits as "%02X".
CString StartLine(long long nLength);
// The block of count bytes at data.
FileDataInfo MakeBlock(const unsigned char* pData, int nCount);
// "AT^$PVRMCUDL" + the byte count as "%03d" + the hexadecimal bytes + their sum.
CString BlockLine(const FileDataInfo& block);
// A file's blocks in file order (none for an empty file).
std::vector<FileDataInfo> SplitBlocks(const std::string& bytes);
}  // namespace filedownload
