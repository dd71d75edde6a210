// Tests of CFileVersion: the program file's own version texts, blocks of other files, and files
// without one.
#include "gui/dlg/fileversion.h"

#include <gtest/gtest.h>

#include <iterator>
#include <string>

#include "platform/files.h"
#include "platform/versionblock.h"
#include "temp_folder.h"

namespace {

namespace vb = platform::versionblock;

// The program beside this test program in the build tree.
CString ProgramFile() { return platform::GetProgramFolder() + L"/../src/brelvano"; }

TEST(FileVersion, ProgramFileCarriesItsVersionAndLegalNotice) {
  ASSERT_GE(platform::FileSize(ProgramFile()), 0) << "build the brelvano program first";
  CFileVersion version;
  ASSERT_TRUE(version.Open(ProgramFile()));
  EXPECT_EQ(version.GetLangCharset(), 0x041203B5u);  // Korean, code page 949
  EXPECT_EQ(version.GetProductVersion(), L"5.0.9.4");
  EXPECT_EQ(version.QueryValue(L"ProductVersion"), L"5.0.9.4");
  EXPECT_EQ(version.QueryValue(L"ProductVersion", 0x041203B5u), L"5.0.9.4");
  EXPECT_EQ(version.GetFileVersion(), L"5.0.9.4");
  EXPECT_EQ(version.GetLegalNotice(), L"Copyright (C) 2026 Kestova Inc.");
  EXPECT_EQ(version.GetLegalCopyright(), version.GetLegalNotice());
  EXPECT_EQ(version.GetCompanyName(), L"Kestova Inc.");
  EXPECT_EQ(version.GetProductName(), L"Brelvano");
  EXPECT_EQ(version.GetFixedFileVersion(), L"5,0,9,4");
  EXPECT_EQ(version.GetFixedProductVersion(), L"5,0,9,4");
  VS_FIXEDFILEINFO fixed{};
  ASSERT_TRUE(version.GetFixedInfo(fixed));
  EXPECT_EQ(fixed.dwSignature, VS_FFI_SIGNATURE);
  EXPECT_EQ(fixed.dwFileType, VFT_APP);

  EXPECT_EQ(version.QueryValue(L"NoSuchName"), L"");
  EXPECT_EQ(version.GetInternalName(), L"");
  EXPECT_EQ(version.QueryValue(L"ProductVersion", 0x040904B0u), L"") << "another language's table";
}

TEST(FileVersion, FilesWithAndWithoutABlock) {
  testsupport::TempFolder dir;
  ASSERT_TRUE(dir.Ok());
  static constexpr vb::Entry entries[] = {{u"ProductVersion", u"1.2"}, {u"LegalCopyright", u"\u00a9 Somebody"}};
  static constexpr vb::Definition definition{{1, 2, 3, 65535}, {1, 2, 0, 0}, 0x0409, 1200, vb::kFileTypeDll,
                                             entries, std::size(entries)};
  const std::vector<uint8_t> block = platform::BuildVersionBlock(definition);
  dir.Write("with-block.so", std::string(5000, 'x') + std::string(block.begin(), block.end()) + "tail");
  std::string damaged(block.begin(), block.end());
  damaged[vb::kTextsOffset + 6] ^= 1;
  dir.Write("damaged.so", damaged);
  dir.Write("plain.txt", "no version here\n");

  CFileVersion version;
  ASSERT_TRUE(version.Open(dir.CPath("with-block.so")));
  EXPECT_EQ(version.GetLangCharset(), 0x040904B0u);
  EXPECT_EQ(version.GetProductVersion(), L"1.2");
  EXPECT_EQ(version.GetLegalNotice(), L"\u00a9 Somebody");
  EXPECT_EQ(version.GetFixedFileVersion(), L"1,2,3,65535");
  EXPECT_EQ(version.GetFixedProductVersion(), L"1,2,0,0");

  // A failed Open leaves no block of the earlier file behind.
  for (const char* name : {"damaged.so", "plain.txt", "missing", ""}) {
    SCOPED_TRACE(name);
    ASSERT_TRUE(version.Open(dir.CPath("with-block.so")));
    EXPECT_FALSE(version.Open(*name != '\0' ? dir.CPath(name) : CString()));
    EXPECT_FALSE(version.IsOpen());
    EXPECT_EQ(version.GetLangCharset(), 0u);
    EXPECT_EQ(version.GetProductVersion(), L"");
    EXPECT_EQ(version.GetFixedFileVersion(), L"");
    VS_FIXEDFILEINFO fixed{};
    EXPECT_FALSE(version.GetFixedInfo(fixed));
  }

  version.Close();
  version.Close();
  EXPECT_EQ(version.QueryValue(L"ProductVersion"), L"");
}

}  // namespace
