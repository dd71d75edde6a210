// Tests of the Document folder and the branding files in it.
#include "gui/dlg/brandingfiles.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "temp_folder.h"

namespace {

using brelvano::BrandingFiles;
using brelvano::LoadBrandingFiles;

class Branding : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.Ok());
    dir_.Enter();
  }
  testsupport::TempFolder dir_;
};

TEST_F(Branding, FreshFolderGetsTheDocumentFolderAndNoBranding) {
  const BrandingFiles files = LoadBrandingFiles();
  struct stat st {};
  ASSERT_EQ(stat(dir_.Path("Document").c_str(), &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));
  EXPECT_EQ(files.documentDir, CString::FromUtf8(dir_.Root() + "/Document/"));
  EXPECT_EQ(files.textPath, CString::FromUtf8(dir_.Root() + "/Document/CompanyText.txt"));
  EXPECT_EQ(files.imagePath, CString::FromUtf8(dir_.Root() + "/Document/CompanyImage.bmp"));
  EXPECT_FALSE(files.hasImage);
  EXPECT_FALSE(files.hasText);
  EXPECT_EQ(files.companyText, L"");

  // A second start finds the folder there.
  EXPECT_EQ(LoadBrandingFiles().documentDir, files.documentDir);
}

TEST_F(Branding, CompanyTextIsTheFirstLine) {
  ASSERT_EQ(mkdir(dir_.Path("Document").c_str(), 0755), 0);
  const struct {
    const char* name;
    std::string bytes;
    CString text;
  } cases[] = {
      {"three lines", "Kestova Inc.\nsecond\nthird\n", L"Kestova Inc."},
      {"CR LF: the carriage return stays", "Kestova Inc.\r\nsecond\r\n", L"Kestova Inc.\r"},
      {"byte-order mark: shown as its character", "\xEF\xBB\xBFKestova Inc.\n", CString(L"\ufeffKestova Inc.")},
      {"no line end", "Kestova", L"Kestova"},
      {"UTF-8 text", "\xEC\xBC\x80\xEC\x8A\xA4\xED\x86\xA0\xEB\xB0\x94 Ltda. \xC3\xA9\n", CString(L"\ucf00\uc2a4\ud1a0\ubc14 Ltda. \u00e9")},
      {"invalid bytes", "Caf\xE9\n", CString(L"Caf\ufffd")},
      {"empty file", "", L""},
      {"empty first line", "\nsecond\n", L""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    dir_.Write("Document/CompanyText.txt", c.bytes);
    const BrandingFiles files = LoadBrandingFiles();
    EXPECT_TRUE(files.hasText);
    EXPECT_EQ(files.companyText, c.text);
  }
}

// A company text that opens and cannot be read (here the process's memory file, whose first page
// gives an input/output error) is no text: the text the caller had stays.
TEST_F(Branding, UnreadableCompanyTextKeepsTheTextThereWas) {
  struct stat st {};
  if (stat("/proc/self/mem", &st) != 0 || !S_ISREG(st.st_mode)) GTEST_SKIP() << "no /proc/self/mem";
  ASSERT_EQ(mkdir(dir_.Path("Document").c_str(), 0755), 0);
  ASSERT_EQ(symlink("/proc/self/mem", dir_.Path("Document/CompanyText.txt").c_str()), 0);
  CString text = L"before";
  EXPECT_FALSE(brelvano::ReadCompanyText(CString::FromUtf8(dir_.Path("Document/CompanyText.txt")), text));
  EXPECT_EQ(text, CString(L"before"));
  const BrandingFiles files = LoadBrandingFiles();
  EXPECT_FALSE(files.hasText);
  EXPECT_TRUE(files.textUnreadable);
  EXPECT_EQ(files.companyText, L"");
}

TEST_F(Branding, ImageMustBeAFile) {
  ASSERT_EQ(mkdir(dir_.Path("Document").c_str(), 0755), 0);
  ASSERT_EQ(mkdir(dir_.Path("Document/CompanyImage.bmp").c_str(), 0755), 0);
  EXPECT_FALSE(LoadBrandingFiles().hasImage);
  ASSERT_EQ(rmdir(dir_.Path("Document/CompanyImage.bmp").c_str()), 0);
  dir_.Write("Document/CompanyImage.bmp", "not even an image");  // decoding is the window's part
  EXPECT_TRUE(LoadBrandingFiles().hasImage);
}

TEST_F(Branding, DocumentThatIsAFileMeansNoBranding) {
  dir_.Write("Document", "a file in the folder's place");
  const BrandingFiles files = LoadBrandingFiles();
  EXPECT_FALSE(files.hasText);
  EXPECT_FALSE(files.hasImage);
  EXPECT_EQ(files.companyText, L"");
  EXPECT_EQ(dir_.Read("Document"), "a file in the folder's place");
}

}  // namespace
