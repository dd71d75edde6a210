// The start line and the block lines of a file download, digit for digit as the device reads them.
#include "gui/dlg/filedownload.h"

#include <algorithm>

#include "gui/dlg/numberedvalues.h"

namespace filedownload {

CString StartLine(long long nLength) {
  CString digits;
  digits.Format(L"%05lld", nLength);
  CString line;
  line.Format(L"AT^$PVRMCUDLST%s%02X", digits, static_cast<unsigned>(SumHexDigits(digits)));
  return line;
}

FileDataInfo MakeBlock(const unsigned char* pData, int nCount) {
  FileDataInfo block;
  block.strHex = BytesToHexText(block.strSum, pData, nCount);
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
