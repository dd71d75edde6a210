// The lines of a file download into the device: start lines by file length and block lines by
// their bytes, digit for digit, and the cutting of a file into blocks of at most 512 bytes.
#include "gui/dlg/filedownload.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(FileDownloadLines, StartLineByLength) {
  struct Case {
    const char* name;
    long long length;
    const wchar_t* line;
  };
  const Case cases[] = {
      {"2048 bytes", 2048, L"AT^$PVRMCUDLST020480E"},
      {"an empty file", 0, L"AT^$PVRMCUDLST0000000"},
      {"one block", 512, L"AT^$PVRMCUDLST0051208"},
      {"six digits, never cut", 100000, L"AT^$PVRMCUDLST10000001"},
      {"a 100 KB file", 102400, L"AT^$PVRMCUDLST10240007"},
      {"a digit sum above 15", 99999, L"AT^$PVRMCUDLST999992D"},
      {"eight digits", 12345678, L"AT^$PVRMCUDLST1234567824"},
  };
  for (const Case& c : cases) EXPECT_EQ(filedownload::StartLine(c.length), CString(c.line)) << c.name;
}

TEST(FileDownloadLines, BlockLineByBytes) {
  struct Case {
    const char* name;
    std::vector<unsigned char> bytes;
    const wchar_t* line;
  };
  const Case cases[] = {
      {"two bytes", {0x01, 0xFF}, L"AT^$PVRMCUDL00201FF00"},
      {"one byte", {0x0A}, L"AT^$PVRMCUDL0010A0A"},
      {"lower-case never", {0xab, 0xcd}, L"AT^$PVRMCUDL002ABCD78"},
  };
  for (const Case& c : cases) {
    const FileDataInfo block = filedownload::MakeBlock(c.bytes.data(), static_cast<int>(c.bytes.size()));
    EXPECT_EQ(filedownload::BlockLine(block), CString(c.line)) << c.name;
  }
  // 256 bytes of FF: the count 256 and the sum 65,280 modulo 256.
  const std::vector<unsigned char> ff(256, 0xFF);
  const FileDataInfo block = filedownload::MakeBlock(ff.data(), 256);
  EXPECT_EQ(block.nByteCount, 256);
  EXPECT_EQ(block.strSum, CString(L"00"));
  EXPECT_EQ(filedownload::BlockLine(block).Left(15), CString(L"AT^$PVRMCUDL256"));
  EXPECT_EQ(filedownload::BlockLine(block).GetLength(), 15 + 512 + 2);
}

TEST(FileDownloadLines, FilesAreCutIntoBlocksOfAtMost512Bytes) {
  struct Case {
    const char* name;
    size_t size;
    std::vector<int> counts;
  };
  const Case cases[] = {
      {"empty", 0, {}},
      {"one byte", 1, {1}},
      {"exactly one block", 512, {512}},
      {"one byte over", 513, {512, 1}},
      {"two and a bit", 1100, {512, 512, 76}},
  };
  for (const Case& c : cases) {
    std::string bytes(c.size, '\0');
    for (size_t i = 0; i < c.size; ++i) bytes[i] = static_cast<char>(i * 7);
    const std::vector<FileDataInfo> blocks = filedownload::SplitBlocks(bytes);
    std::vector<int> counts;
    std::string joined;
    for (const FileDataInfo& b : blocks) {
      counts.push_back(b.nByteCount);
      joined += b.strHex.ToUtf8();
    }
    EXPECT_EQ(counts, c.counts) << c.name;
    EXPECT_EQ(joined.size(), 2 * c.size) << c.name << ": the blocks hold the file in order";
  }
  EXPECT_EQ(filedownload::BlockLine(filedownload::SplitBlocks(std::string(513, 'A'))[1]),
            CString(L"AT^$PVRMCUDL0014141")) << "the last block's count is 001";
}

}  // namespace
