// Every file reader of the program refuses what is not a regular file (a folder, a FIFO, a
// device) at once, whatever the file system: none blocks on a FIFO, reads a device without end or
// takes a folder for an empty file; and none takes a file larger than the program accepts.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "gui/dlg/dictionary.h"
#include "gui/dlg/jsontree.h"
#include "gui/dlg/polygonpointfile.h"
#include "gui/dlg/stdiofileutf8.h"
#include "gui/dlg/xmltree.h"
#include "platform/files.h"
#include "platform/gdi.h"
#include "platform/resources.h"
#include "reference/markup/markup.h"
#include "temp_folder.h"
#include "../../platform/wait_util.h"

namespace {

constexpr int kDeadlineMs = 20000;

struct Reader {
  const char* name;
  // True when the reader took the file as read.
  std::function<bool(const CString&)> read;
};

std::vector<Reader> Readers() {
  return {
      {"whole-file read", [](const CString& p) { std::string b; return platform::ReadWholeFile(p, b); }},
      {"regular-file open",
       [](const CString& p) {
         std::FILE* f = platform::OpenRegularFile(p);
         if (f != nullptr) std::fclose(f);
         return f != nullptr;
       }},
      {"XML tree", [](const CString& p) { CXmlTree t; return t.Load(p, TRUE) != FALSE; }},
      {"JSON tree", [](const CString& p) { CJsonTree t; return t.LoadFile(p) != FALSE; }},
      {"UTF-8 text file",
       [](const CString& p) {
         CStdioFileUtf8 f;
         return f.Open(p, CStdioFileUtf8::modeRead) != FALSE;
       }},
      {"markup document",
       [](const CString& p) {
         CString text, results;
         const bool read = CMarkupDocument::ReadTextFile(p, text, &results);
         EXPECT_TRUE(read || results.Find(L"file_error") >= 0) << results.ToUtf8();
         return read;
       }},
      {"markup document load", [](const CString& p) { CMarkupDocument d; return d.LoadFile(p); }},
      {"polygon point file",
       [](const CString& p) {
         std::vector<CString> lines;
         return brelvano::ReadPolygonPointFile(p, lines);
       }},
      {"image", [](const CString& p) {
         HBITMAP bitmap = platform::LoadImageFromFile(p);
         if (bitmap != nullptr) DeleteObject(bitmap);
         return bitmap != nullptr;
       }},
  };
}

class FileReaders : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.Ok());
    ASSERT_EQ(mkdir(dir_.Path("folder").c_str(), 0777), 0);
    ASSERT_EQ(mkfifo(dir_.Path("fifo").c_str(), 0666), 0);
  }

  // Runs the reader on its own thread and waits for it with a deadline. A reader still blocked on
  // the FIFO then is released (a writer opens and closes it) so that the test can end; it has
  // failed all the same.
  void ExpectRefused(const Reader& r, const std::string& path) {
    SCOPED_TRACE(std::string(r.name) + " on " + path);
    auto done = std::make_shared<std::atomic<int>>(-1);
    std::thread reader([done, read = r.read, path] { *done = read(CString::FromUtf8(path)) ? 1 : 0; });
    const bool ended = testutil::WaitUntil([&] { return *done >= 0; }, kDeadlineMs);
    EXPECT_TRUE(ended) << "the reader came back";
    if (!ended && path == dir_.Path("fifo")) {
      const int fd = open(path.c_str(), O_WRONLY | O_NONBLOCK);
      if (fd >= 0) close(fd);
    }
    if (ended || path == dir_.Path("fifo")) {
      reader.join();
    } else {
      reader.detach();  // a device read without end: the process goes down with it
    }
    EXPECT_EQ(*done, 0) << "refused";
  }

  testsupport::TempFolder dir_;
};

TEST_F(FileReaders, RefuseWhatIsNotARegularFile) {
  for (const Reader& r : Readers()) {
    for (const std::string& path : {dir_.Path("folder"), dir_.Path("fifo"), std::string("/dev/zero")}) {
      ExpectRefused(r, path);
    }
  }
}

TEST_F(FileReaders, RefuseAFileLargerThanTheProgramTakes) {
  // A sparse file one byte beyond the limit: nothing of it is on the disk.
  const std::string big = dir_.Path("big.xml");
  const int fd = open(big.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(ftruncate(fd, platform::kMaxWholeFileBytes + 1), 0);
  close(fd);
  for (const Reader& r : Readers()) ExpectRefused(r, big);
  // One at the limit is read.
  dir_.Write("small.xml", "<brelvano/>");
  std::string bytes;
  EXPECT_TRUE(platform::ReadWholeFile(dir_.CPath("small.xml"), bytes));
  EXPECT_EQ(bytes, "<brelvano/>");
  EXPECT_FALSE(platform::ReadWholeFile(dir_.CPath("small.xml"), bytes, 10)) << "longer than the limit given";
  EXPECT_EQ(errno, EFBIG);
}

}  // namespace
