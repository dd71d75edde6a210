// The start line and the block lines of a file download, digit for digit as the device reads them.
#include "gui/dlg/filedownload.h"

#include <algorithm>

namespace filedownload {

CString StartLine(long long nLength) {
  CString digits;
  digits.Format(L"%05lld", nLength);
  unsigned sum = 0;
  for (int i = 0; i < digits.GetLength(); ++i) {
    const wchar_t c = digits[i];
    if (c >= L'0' && c <= L'9') sum += static_cast<unsigned>(c - L'0');
  }
  CString line;
  line.Format(L"AT^$PVRMCUDLST%s%02X", digits, sum & 0xFFFFu);
  return line;
}

FileDataInfo MakeBlock(const unsigned char* pData, int nCount) {
  static const wchar_t kDigits[] = L"0123456789ABCDEF";
  FileDataInfo block;
  std::wstring hex;
  hex.reserve(static_cast<size_t>(nCount) * 2);
  unsigned sum = 0;
  for (int i = 0; i < nCount; ++i) {
    hex += kDigits[pData[i] >> 4];
    hex += kDigits[pData[i] & 0x0F];
    sum += pData[i];
  }
  block.strHex = CString(hex.c_str());
  block.strSum.Format(L"%02X", sum & 0xFFu);
  block.nByteCount = block.strHex.GetLength() / 2;
  return block;
}

CString BlockLine(const FileDataInfo& block) {
  CString line;
  line.Format(L"AT^$PVRMCUDL%03d", block.nByteCount);
  return line + block.strHex + block.strSum;
}

std::vector<FileDataInfo> SplitBlocks(const std::string& bytes) {
  std::vector<FileDataInfo> blocks;
  const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
  for (size_t at = 0; at < bytes.size(); at += kBlockBytes) {
    const size_t count = std::min<size_t>(kBlockBytes, bytes.size() - at);
    blocks.push_back(MakeBlock(data + at, static_cast<int>(count)));
  }
  return blocks;
}

}  // namespace filedownload
