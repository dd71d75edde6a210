// Tests of CStdioFileUtf8: lines as read from UTF-8 bytes (byte-order mark, CR LF, LF, invalid
// bytes, long lines), reads into a buffer, the byte-order mark calls, and writes that reach the
// disk whole on Close.
#include "gui/dlg/stdiofileutf8.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cerrno>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "temp_folder.h"

namespace {

using Lines = std::vector<CString>;

class StdioFileUtf8 : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(dir_.Ok()); }

  // Every line the file gives, read with ReadString(CString&).
  Lines ReadLines(const std::string& bytes) {
    dir_.Write("in.txt", bytes);
    CStdioFileUtf8 file;
    EXPECT_TRUE(file.Open(dir_.CPath("in.txt"), CStdioFileUtf8::modeRead | CStdioFileUtf8::typeBinary));
    Lines lines;
    CString line = L"unchanged";
    while (file.ReadString(line)) lines.push_back(line);
    EXPECT_FALSE(file.ReadString(line)) << "the end stays the end";
    return lines;
  }

  // Every part ReadString(buffer, nMax) gives.
  Lines ReadParts(const std::string& bytes, UINT nMax) {
    dir_.Write("in.txt", bytes);
    CStdioFileUtf8 file;
    EXPECT_TRUE(file.Open(dir_.CPath("in.txt"), CStdioFileUtf8::modeRead));
    Lines parts;
    std::vector<wchar_t> buffer(nMax + 1, L'#');
    while (file.ReadString(buffer.data(), nMax) != nullptr) {
      EXPECT_EQ(buffer[nMax], L'#') << "written past nMax";
      parts.push_back(CString(buffer.data()));
      if (parts.size() > 1000) break;
    }
    return parts;
  }

  testsupport::TempFolder dir_;
};

TEST_F(StdioFileUtf8, LinesAsRead) {
  const CString korean300 = [] {
    CString s;
    for (int i = 0; i < 300; ++i) s += static_cast<wchar_t>(0xD55C);  // 한
    return s;
  }();
  const std::string korean300Bytes = korean300.ToUtf8();
  ASSERT_EQ(korean300Bytes.size(), 900u);
  const std::string megabyte(1 << 20, 'z');

  const struct {
    const char* name;
    std::string bytes;
    Lines lines;
  } cases[] = {
      {"no line end", "abc", {L"abc"}},
      {"CR LF keeps the CR", "\xC3\xA9\r\n", {CString(L"\u00e9\r")}},
      {"LF lines", "a\nb\n", {L"a", L"b"}},
      {"empty line between", "a\n\nb", {L"a", L"", L"b"}},
      {"empty file", "", {}},
      {"only a line feed", "\n", {L""}},
      {"lone CR is no line end", "a\rb\n", {L"a\rb"}},
      {"byte-order mark stays", "\xEF\xBB\xBFx\n", {CString(wchar_t(0xFEFF)) + L"x"}},
      {"invalid byte", "a\xFF" "b\n", {CString(L"a\ufffdb")}},
      {"cut sequence at the end", "ok\n\xE2\x82", {L"ok", CString(L"\ufffd\ufffd")}},
      {"Latin-1 is not UTF-8", "caf\xE9\n", {CString(L"caf\ufffd")}},
      {"outside the BMP", "\xF0\x9F\x98\x80\n", {CString(u"\U0001F600")}},
      {"zero byte inside", std::string("a\0b\n", 4), {CString(L"a") + CString(L'\0') + CString(L"b")}},
      {"300 Korean characters", korean300Bytes + "\n", {korean300}},
      {"a line of 1 MiB", megabyte, {CString::FromUtf8(megabyte)}},
  };
  for (const auto& c : cases) EXPECT_EQ(ReadLines(c.bytes), c.lines) << c.name;
}

// A file that opens and then fails to read (the process's own memory file: reading its first page
// is an input/output error) tells the error apart from the end of the file.
TEST_F(StdioFileUtf8, AReadErrorIsNoEndOfFile) {
  struct stat st {};
  if (stat("/proc/self/mem", &st) != 0 || !S_ISREG(st.st_mode)) GTEST_SKIP() << "no /proc/self/mem";
  CStdioFileUtf8 file;
  ASSERT_TRUE(file.Open(L"/proc/self/mem", CStdioFileUtf8::modeRead));
  CString line = L"unchanged";
  EXPECT_FALSE(file.ReadString(line));
  EXPECT_TRUE(file.IsReadError());
  EXPECT_EQ(file.GetErrorCode(), EIO);
  EXPECT_EQ(line, CString(L"unchanged"));
  wchar_t buffer[8] = L"kept";
  EXPECT_EQ(file.ReadString(buffer, 8), nullptr);
  EXPECT_TRUE(file.IsReadError());

  // The end of a readable file is no error.
  dir_.Write("in.txt", "a\n");
  ASSERT_TRUE(file.Open(dir_.CPath("in.txt"), CStdioFileUtf8::modeRead));
  EXPECT_TRUE(file.ReadString(line));
  EXPECT_FALSE(file.IsReadError());
  EXPECT_FALSE(file.ReadString(line));
  EXPECT_FALSE(file.IsReadError());
  EXPECT_EQ(file.ReadString(buffer, 8), nullptr);
  EXPECT_FALSE(file.IsReadError());
}

TEST_F(StdioFileUtf8, BufferReadsStopAtLineFeedsAndNeverCutACharacter) {
  const struct {
    const char* name;
    std::string bytes;
    UINT nMax;
    Lines parts;
  } cases[] = {
      {"lines longer than the buffer", "abcdef\nxy", 4, {L"abc", L"def", L"\n", L"xy"}},
      {"line feed kept", "ab\ncd\n", 10, {L"ab\n", L"cd\n"}},
      {"two-byte character over the limit", "a\xC3\xA9", 3, {L"a", CString(L"\u00e9")}},
      {"three-byte characters", "\xED\x95\x9C\xEA\xB8\x80", 4, {L"\ud55c", L"\uae00"}},
      {"room for one byte only", "\xED\x95\x9C" "b", 2, {L"\ud55c", L"b"}},
      {"invalid bytes still advance", "\xFF\xFE\xFD", 2, {L"\ufffd", L"\ufffd", L"\ufffd"}},
      {"lead byte without its rest", "\xC3" "a", 2, {L"\ufffd", L"a"}},
      {"empty file", "", 8, {}},
  };
  for (const auto& c : cases) EXPECT_EQ(ReadParts(c.bytes, c.nMax), c.parts) << c.name;

  dir_.Write("in.txt", "abc");
  CStdioFileUtf8 file;
  ASSERT_TRUE(file.Open(dir_.CPath("in.txt"), CStdioFileUtf8::modeRead));
  wchar_t buffer[4] = {L'#', L'#', L'#', L'#'};
  EXPECT_EQ(file.ReadString(nullptr, 4), nullptr);
  EXPECT_EQ(file.ReadString(buffer, 1), nullptr);
  EXPECT_EQ(file.ReadString(buffer, 0), nullptr);
  EXPECT_EQ(buffer[0], L'#');
  EXPECT_EQ(file.ReadString(buffer, 4), buffer);
  EXPECT_EQ(CString(buffer), L"abc");
}

TEST_F(StdioFileUtf8, SkipBom) {
  const struct {
    std::string bytes;
    BOOL skipped;
  } cases[] = {
      {"\xEF\xBB\xBFline\n", TRUE},
      {"\xEF\xBB" "A\n", FALSE},
      {"\xEF\xBB", FALSE},
      {"\xEF", FALSE},
      {"", FALSE},
      {"plain\n", FALSE},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bytes);
    dir_.Write("in.txt", c.bytes);
    CStdioFileUtf8 file;
    ASSERT_TRUE(file.Open(dir_.CPath("in.txt"), CStdioFileUtf8::modeRead));
    EXPECT_EQ(file.SkipBom(), c.skipped);
    const size_t position = c.skipped ? 3 : 0;
    EXPECT_EQ(file.GetPosition(), position);
    // The next line starts right there.
    CString line;
    const bool more = position < c.bytes.size();
    ASSERT_EQ(file.ReadString(line), more ? TRUE : FALSE);
    if (more) {
      EXPECT_EQ(line, platform::BytesToText(CP_UTF8, c.bytes.substr(position, c.bytes.find('\n') - position)));
    }
  }
}

TEST_F(StdioFileUtf8, WritesReachTheDiskWholeOnClose) {
  dir_.Write("out.txt", "old content\n");
  CStdioFileUtf8 file;
  ASSERT_TRUE(file.Open(dir_.CPath("out.txt"), CStdioFileUtf8::modeCreate | CStdioFileUtf8::modeWrite));
  EXPECT_TRUE(file.WriteBom());
  EXPECT_TRUE(file.WriteString(L"\u00e9t\u00e9\r\n"));
  EXPECT_TRUE(file.WriteString(CString(u"\ud55c\U0001F600")));
  EXPECT_EQ(dir_.Read("out.txt"), "old content\n") << "nothing changes on disk before Close";
  EXPECT_TRUE(file.Close());
  EXPECT_EQ(dir_.Read("out.txt"), "\xEF\xBB\xBF\xC3\xA9t\xC3\xA9\r\n\xED\x95\x9C\xF0\x9F\x98\x80");

  // Read back through the class itself.
  ASSERT_TRUE(file.Open(dir_.CPath("out.txt"), CStdioFileUtf8::modeRead));
  EXPECT_TRUE(file.SkipBom());
  CString line;
  ASSERT_TRUE(file.ReadString(line));
  EXPECT_EQ(line, L"\u00e9t\u00e9\r");
  ASSERT_TRUE(file.ReadString(line));
  EXPECT_EQ(line, CString(u"\ud55c\U0001F600"));
  EXPECT_FALSE(file.WriteString(L"x")) << "not open for writing";
  EXPECT_FALSE(file.WriteBom());
  file.Close();

  // Abort leaves the file as it was; a file that is only opened and closed is not touched.
  ASSERT_TRUE(file.Open(dir_.CPath("out.txt"), CStdioFileUtf8::modeCreate | CStdioFileUtf8::modeWrite));
  file.WriteString(L"lost");
  file.Abort();
  EXPECT_EQ(dir_.Read("out.txt").substr(0, 3), "\xEF\xBB\xBF");
  struct stat before {};
  ASSERT_EQ(stat(dir_.Path("out.txt").c_str(), &before), 0);
  ASSERT_TRUE(file.Open(dir_.CPath("out.txt"), CStdioFileUtf8::modeReadWrite));
  EXPECT_TRUE(file.Close());
  struct stat after {};
  ASSERT_EQ(stat(dir_.Path("out.txt").c_str(), &after), 0);
  EXPECT_EQ(after.st_ino, before.st_ino);
}

TEST_F(StdioFileUtf8, OpenModes) {
  using F = CStdioFileUtf8;
  dir_.Write("old.txt", "first\nsecond\n");

  // Keep the content and add to it.
  {
    F file;
    ASSERT_TRUE(file.Open(dir_.CPath("old.txt"), F::modeReadWrite | F::modeCreate | F::modeNoTruncate));
    CString line;
    ASSERT_TRUE(file.ReadString(line));
    EXPECT_EQ(line, L"first");
    EXPECT_EQ(file.SeekToEnd(), 13u);
    EXPECT_TRUE(file.WriteString(L"third\n"));
  }  // the destructor closes
  EXPECT_EQ(dir_.Read("old.txt"), "first\nsecond\nthird\n");

  // The mark goes in front of the content, never over it.
  {
    F file;
    ASSERT_TRUE(file.Open(dir_.CPath("old.txt"), F::modeWrite));
    EXPECT_TRUE(file.WriteBom());
    EXPECT_TRUE(file.WriteBom());
    EXPECT_EQ(file.GetPosition(), 3u);
  }
  EXPECT_EQ(dir_.Read("old.txt"), "\xEF\xBB\xBF" "first\nsecond\nthird\n");

  // Creating without writing makes an empty file.
  {
    F file;
    ASSERT_TRUE(file.Open(dir_.CPath("new.txt"), F::modeCreate | F::modeWrite));
  }
  EXPECT_TRUE(dir_.Exists("new.txt"));
  EXPECT_EQ(dir_.Read("new.txt"), "");

  ASSERT_EQ(mkdir(dir_.Path("folder").c_str(), 0700), 0);
  ASSERT_EQ(mkfifo(dir_.Path("fifo").c_str(), 0600), 0);
  const struct {
    const char* name;
    UINT flags;
  } refused[] = {
      {"missing.txt", F::modeRead},
      {"missing.txt", F::modeWrite},
      {"no/such/folder/x.txt", F::modeCreate | F::modeWrite},
      {"folder", F::modeRead},
      {"folder", F::modeCreate | F::modeWrite},
      {"fifo", F::modeRead},  // must not wait for a writer
      {"old.txt", 0x3u},      // no such access
  };
  for (const auto& r : refused) {
    F file;
    EXPECT_FALSE(file.Open(dir_.CPath(r.name), r.flags)) << r.name;
    EXPECT_FALSE(file.IsOpen());
    EXPECT_NE(file.GetErrorCode(), 0) << r.name;
    CString line;
    EXPECT_FALSE(file.ReadString(line));
  }
  F file;
  EXPECT_FALSE(file.Open(CString(), F::modeRead));
  EXPECT_FALSE(dir_.Exists("no"));
}

}  // namespace
