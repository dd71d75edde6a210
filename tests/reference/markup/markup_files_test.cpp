// Tests of the markup document's encodings and text files: names to code pages, its own coders,
// declared encodings, and reading and writing files by byte-order mark with their records.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "../../gui/dlg/temp_folder.h"
#include "platform/codepage.h"
#include "reference/markup/markup.h"
#include "reference/markup/markup_textfile.h"

namespace {

using Doc = CMarkupDocument;

TEST(MarkupEncoding, EveryNameOfTheTableGivesItsCodePage) {
  const auto names = MarkupEncodingNames();
  EXPECT_EQ(names.size(), 365u);
  for (const auto& entry : names) {
    EXPECT_EQ(Doc::EncodingToCodePage(entry.first), entry.second) << entry.first;
    CString upper = entry.first;
    upper.MakeUpper();
    if (upper.Left(6) == L"UTF-32") continue;
    EXPECT_EQ(Doc::EncodingToCodePage(upper), entry.second) << upper;
  }
}

TEST(MarkupEncoding, NamesToCodePages) {
  const struct {
    const wchar_t* name;
    int codePage;
  } cases[] = {
      {L"UTF-32", 65005}, {L"UTF-32BE", 65005}, {L"UTF-32 anything", 65005}, {L"utf-32", 12000}, {L"", 0},
      {L"nope", -1}, {L"UTF-8", 65001}, {L"utf8", 65001}, {L"unicode-1-1-utf-8", 65001}, {L"ISO-8859-1", 28591},
      {L"cp1256 ", 1256}, {L"cp1256", 1256}, {L"shifft_jis", 932}, {L"Windows-1252", 1252}, {L"UTF-16", 1200},
  };
  for (const auto& c : cases) EXPECT_EQ(Doc::EncodingToCodePage(c.name), c.codePage) << CString(c.name);
  EXPECT_EQ(Doc::EncodingToCodePage(CString(L'a', 100)), -1);
}

TEST(MarkupEncoding, Coders) {
  int multi = 0;
  bool endedInside = false;
  EXPECT_FALSE(Doc::IsUtf8("\xC3", 1, &multi, &endedInside));
  EXPECT_TRUE(endedInside);
  EXPECT_TRUE(Doc::IsUtf8("a\xC3\xA9", 3, &multi, &endedInside));
  EXPECT_EQ(multi, 1);
  EXPECT_FALSE(Doc::IsUtf8("\xFF", 1, &multi, &endedInside));
  EXPECT_FALSE(endedInside);
  EXPECT_TRUE(Doc::IsUtf8("plain", 5));

  // U+1F600 both ways.
  char bytes[8];
  int count = 0;
  Doc::EncodeUtf8Char(0x1F600, bytes, count);
  EXPECT_EQ(std::string(bytes, static_cast<size_t>(count)), "\xF0\x9F\x98\x80");
  const char* p = bytes;
  EXPECT_EQ(Doc::DecodeUtf8Char(p, bytes + count), 0x1F600);
  char16_t units[2];
  count = 0;
  Doc::EncodeUtf16Char(0x1F600, units, count);
  ASSERT_EQ(count, 2);
  EXPECT_EQ(units[0], 0xD83D);
  EXPECT_EQ(units[1], 0xDE00);
  const char16_t* u = units;
  EXPECT_EQ(Doc::DecodeUtf16Char(u, units + 2), 0x1F600);

  // Undecodable units become '?'.
  char out[16];
  EXPECT_EQ(Doc::Utf16ToUtf8(out, u"a\xD800", 16), 2);
  EXPECT_STREQ(out, "a?");
  EXPECT_EQ(Doc::Utf16ToUtf8(nullptr, u"\u00e9\U0001F600", 0), 6);
  char16_t wide[8] = {};
  EXPECT_EQ(Doc::Utf8ToUtf16(nullptr, "a\xC3\xA9\xF0\x9F\x98\x80", 7), 4);
  EXPECT_EQ(Doc::Utf8ToUtf16(wide, "a\xFF" "b", 3), 3);
  EXPECT_EQ(std::u16string(wide), u"a?b");
  // A capacity too small stops before a character that does not fit.
  char small[3];
  EXPECT_EQ(Doc::Utf16ToUtf8(small, u"a\u00e9\u00e9", 3), 3);
}

TEST(MarkupEncoding, DeclaredEncoding) {
  const struct {
    const char* name;
    const wchar_t* text;
    const wchar_t* encoding;
  } cases[] = {
      {"XML declaration", L"<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a/>", L"ISO-8859-1"},
      {"declaration without encoding", L"<?xml version=\"1.0\"?><a/>", L""},
      {"declaration not at the start", L" <?xml version=\"1.0\" encoding=\"x\"?><a/>", L""},
      {"HTML meta", L"<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1251\"></head>",
       L"windows-1251"},
      {"meta without charset ends the search",
       L"<html><meta http-equiv=\"content-type\" content=\"text/html\"><meta http-equiv=\"Content-Type\" content=\"charset=x\">",
       L""},
      {"after the head", L"<html><head></head><meta http-equiv=\"Content-Type\" content=\"charset=x\">", L""},
      {"first tag not html", L"<body><meta http-equiv=\"Content-Type\" content=\"charset=x\">", L""},
  };
  for (const auto& c : cases) EXPECT_EQ(Doc::FindDeclaredEncoding(c.text), CString(c.encoding)) << c.name;
}

TEST(MarkupEncoding, ConverterBetweenEncodings) {
  const int codes[] = {0x61, 0xE9, 0x1F600};
  MarkupTextConverter toUtf8(L"UTF-32", codes, 3);
  const CString utf8(L"UTF-8");
  char bytes[16];
  const int n = toUtf8.Convert(bytes, &utf8);
  EXPECT_EQ(std::string(bytes, static_cast<size_t>(n)), "a\xC3\xA9\xF0\x9F\x98\x80");
  // A character the target cannot hold is lost and reported.
  const std::u16string text = u"a\u4E2D";
  MarkupTextConverter lossy(L"UTF-16", text.data(), 2);
  const CString latin(L"iso-8859-1");
  EXPECT_EQ(lossy.Convert(bytes, &latin), 2);
  EXPECT_TRUE(lossy.LostChars());
  // A code page this system lacks converts to nothing.
  MarkupTextConverter missing(L"UTF-16", text.data(), 2);
  const CString iscii(L"x-iscii-de");
  EXPECT_EQ(missing.Convert(nullptr, &iscii), 0);
}

class MarkupFiles : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(dir_.Ok()); }
  CString Path(const char* name) const { return CString::FromUtf8(dir_.Root() + "/" + name); }
  void Write(const char* name, const std::string& bytes) const {
    std::ofstream(dir_.Root() + "/" + name, std::ios::binary) << bytes;
  }
  std::string Read(const char* name) const {
    std::ifstream in(dir_.Root() + "/" + name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  testsupport::TempFolder dir_;
};

TEST_F(MarkupFiles, ReadingByMark) {
  const struct {
    const char* name;
    std::string bytes;
    int flags;
    const wchar_t* text;
    const wchar_t* results;
  } cases[] = {
      {"UTF-8 mark", "\xEF\xBB\xBF<a>\xC3\xA9</a>", 0x4, L"<a>\u00e9</a>",
       L"<bom/><read encoding=\"UTF-8\" length=\"9\"/><converted_to encoding=\"UTF-16\" length=\"8\"/>"},
      {"UTF-16LE mark", std::string("\xFF\xFE<\0a\0>\0\xE9\0<\0/\0a\0>\0", 18), 0x1, L"<a>\u00e9</a>",
       L"<bom/><read encoding=\"UTF-16LE\" length=\"8\"/>"},
      {"UTF-16BE mark", std::string("\xFE\xFF\0<\0a\0>\0\xE9\0<\0/\0a\0>", 18), 0x80, L"<a>\u00e9</a>",
       L"<bom/><read encoding=\"UTF-16BE\" length=\"8\"/><endian_swap/>"},
      {"odd last byte of a 16-bit file", std::string("\xFF\xFE<\0a\0/\0>\0X", 11), 0x1, L"<a/>",
       L"<bom/><read encoding=\"UTF-16LE\" length=\"4\"/>"},
      {"declared ISO-8859-1", "<?xml version=\"1.0\" encoding=\"iso-8859-1\"?><a>\xE9</a>", 0,
       L"<?xml version=\"1.0\" encoding=\"iso-8859-1\"?><a>\u00e9</a>",
       L"<read encoding=\"iso-8859-1\" length=\"51\"/><converted_to encoding=\"UTF-16\" length=\"51\"/>"},
      {"first byte '<' is UTF-8", "<a>\xC3\xA9</a>", 0, L"<a>\u00e9</a>",
       L"<read encoding=\"UTF-8\" length=\"9\"/><converted_to encoding=\"UTF-16\" length=\"8\"/>"},
      {"pure ASCII detected as UTF-8", "abc", 0, L"abc",
       L"<read length=\"3\" encoding=\"UTF-8\"/><utf8_detection/><converted_to encoding=\"UTF-16\" length=\"3\"/>"},
      {"a zero byte is dropped", std::string("<a>\0</a>", 8), 0, L"<a></a>",
       L"<read encoding=\"UTF-8\" length=\"8\"/><nulls_removed count=\"1\"/><converted_to encoding=\"UTF-16\" length=\"7\"/>"},
      {"empty file", "", 0, L"", L"<read length=\"0\"/>"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Write("in.xml", c.bytes);
    CString text, results;
    int flags = 0;
    EXPECT_TRUE(Doc::ReadTextFile(Path("in.xml"), text, &results, &flags));
    EXPECT_EQ(text, CString(c.text));
    EXPECT_EQ(results, CString(c.results));
    EXPECT_EQ(flags, c.flags);
  }
}

TEST_F(MarkupFiles, NotUtf8IsReadWithTheAnsiCodePage) {
  Write("ansi.txt", "\xE9" "abc");
  CString text, results;
  EXPECT_TRUE(Doc::ReadTextFile(Path("ansi.txt"), text, &results));
  EXPECT_EQ(text, platform::BytesToText(CP_ACP, "\xE9" "abc"));
  EXPECT_EQ(results, CString(L"<read length=\"4\"/><utf8_detection/><converted_to encoding=\"UTF-16\" length=\"") +
                         CString(std::to_wstring(text.GetLength()).c_str()) + L"\"/>");
}

TEST_F(MarkupFiles, WideEncodingsNamedByTheCallerKeepTheirZeroBytes) {
  const struct {
    const wchar_t* encoding;
    std::string bytes;
  } cases[] = {
      {L"UTF-32", std::string("<\0\0\0a\0\0\0/\0\0\0>\0\0\0", 16)},
      {L"utf-32be", std::string("\0\0\0<\0\0\0a\0\0\0/\0\0\0>", 16)},
      {L"UTF-16", std::string("<\0a\0/\0>\0", 8)},
  };
  for (const auto& c : cases) {
    Write("wide.xml", c.bytes);
    CString text, encoding(c.encoding);
    EXPECT_TRUE(Doc::ReadTextFile(Path("wide.xml"), text, nullptr, nullptr, &encoding));
    EXPECT_EQ(text, CString(L"<a/>")) << CString(c.encoding);
  }
}

TEST_F(MarkupFiles, LoadDescribesWhatItDid) {
  Write("doc.xml", "\xEF\xBB\xBF<a>\xC3\xA9</a>");
  Doc doc;
  EXPECT_TRUE(doc.LoadFile(Path("doc.xml")));
  EXPECT_EQ(doc.GetErrorText(), CString(L"BOM + UTF-8 length 9 to UTF-16 length 8"));
  EXPECT_EQ(doc.GetDocFlags(), 0x4);
  EXPECT_TRUE(doc.FindElement(L"a"));
  EXPECT_FALSE(doc.LoadFile(Path("missing.xml")));
  EXPECT_EQ(doc.GetDocumentText(), CString());
  EXPECT_TRUE(doc.GetResults().Find(L"<file_error msg=\"No such file or directory\" n=\"2\"/>") == 0)
      << doc.GetResults();
  EXPECT_EQ(doc.GetErrorText(), CString(L"No such file or directory"));
}

TEST_F(MarkupFiles, AMarkSetsOnlyItsOwnFlag) {
  // After a big-endian file, files with another mark or none are read as what they are.
  Doc doc;
  Write("be.xml", std::string("\xFE\xFF\0<\0b\0/\0>", 10));
  ASSERT_TRUE(doc.LoadFile(Path("be.xml")));
  EXPECT_EQ(doc.GetDocFlags(), 0x80);
  Write("u8.xml", "\xEF\xBB\xBF<u/>");
  ASSERT_TRUE(doc.LoadFile(Path("u8.xml")));
  EXPECT_EQ(doc.GetDocumentText(), CString(L"<u/>"));
  EXPECT_EQ(doc.GetDocFlags(), 0x4);
  ASSERT_TRUE(doc.LoadFile(Path("be.xml")));
  Write("plain.xml", "<p/>");
  ASSERT_TRUE(doc.LoadFile(Path("plain.xml")));
  EXPECT_EQ(doc.GetDocumentText(), CString(L"<p/>"));
  EXPECT_EQ(doc.GetDocFlags(), 0);
  // A caller may still ask for a mark-less big-endian file.
  Write("bare-be.xml", std::string("\0<\0q\0/\0>", 8));
  CString text;
  int flags = 0x80;
  EXPECT_TRUE(Doc::ReadTextFile(Path("bare-be.xml"), text, nullptr, &flags));
  EXPECT_EQ(text, CString(L"<q/>"));
}

TEST_F(MarkupFiles, WritingByMarkRoundTrips) {
  const struct {
    const char* name;
    int flags;
    std::string bytes;
    const wchar_t* results;
  } cases[] = {
      {"UTF-8 mark", 0x4, "\xEF\xBB\xBF<a>\xC3\xA9</a>",
       L"<bom/><converted_from encoding=\"UTF-16\" length=\"8\"/><write encoding=\"UTF-8\" length=\"9\"/>"},
      {"UTF-16LE mark", 0x1, std::string("\xFF\xFE<\0a\0>\0\xE9\0<\0/\0a\0>\0", 18),
       L"<bom/><write encoding=\"UTF-16LE\" length=\"8\"/>"},
      {"UTF-16BE mark", 0x80, std::string("\xFE\xFF\0<\0a\0>\0\xE9\0<\0/\0a\0>", 18),
       L"<bom/><endian_swap/><write encoding=\"UTF-16BE\" length=\"8\"/>"},
      {"no mark is UTF-8", 0, "<a>\xC3\xA9</a>",
       L"<converted_from encoding=\"UTF-16\" length=\"8\"/><write encoding=\"UTF-8\" length=\"9\"/>"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    int flags = c.flags;
    CString results;
    EXPECT_TRUE(Doc::WriteTextFile(Path("out.xml"), L"<a>\u00e9</a>", &results, &flags));
    EXPECT_EQ(Read("out.xml"), c.bytes);
    EXPECT_EQ(results, CString(c.results));
    Doc doc;
    EXPECT_TRUE(doc.LoadFile(Path("out.xml")));
    EXPECT_EQ(doc.GetDocumentText(), CString(L"<a>\u00e9</a>"));
    EXPECT_EQ(doc.GetDocFlags(), c.flags);
    // Saving a loaded document writes the same mark again.
    EXPECT_TRUE(doc.SaveFile(Path("again.xml")));
    EXPECT_EQ(Read("again.xml"), c.bytes);
  }
}

TEST_F(MarkupFiles, SavingInAnEncodingThisSystemLacksLeavesTheOldFile) {
  int lacking = 0;
  for (const auto& [name, codePage] : MarkupEncodingNames()) {
    SCOPED_TRACE(name.ToUtf8());
    const bool convertible = codePage == 1200 || platform::CodePageSupported(static_cast<UINT>(codePage));
    Write("old.xml", "old content");
    Doc doc;
    doc.SetDocumentText(L"<?xml version=\"1.0\" encoding=\"" + name + L"\"?><a>x</a>");
    const bool saved = doc.SaveFile(Path("old.xml"));
    EXPECT_EQ(saved, convertible);
    if (convertible) {
      EXPECT_NE(Read("old.xml"), "old content");
      continue;
    }
    ++lacking;
    EXPECT_EQ(Read("old.xml"), "old content") << "the old file is left as it was";
    EXPECT_GE(doc.GetResults().Find(L"<unsupported_encoding encoding="), 0) << doc.GetResults().ToUtf8();
    EXPECT_GE(doc.GetErrorText().Find(L"not supported"), 0);
  }
  EXPECT_GT(lacking, 0) << "the table names code pages this system cannot convert";
  // UTF-16 named without its mark is written whole, in 16-bit units.
  Doc wide;
  wide.SetDocumentText(L"<?xml version=\"1.0\" encoding=\"utf-16\"?><a>\u00e9</a>");
  ASSERT_TRUE(wide.SaveFile(Path("wide.xml")));
  EXPECT_EQ(Read("wide.xml"), platform::TextToBytes(CP_UTF16LE, wide.GetDocumentText()));
  // The static writer refuses the same way and creates no file.
  CString results;
  EXPECT_FALSE(Doc::WriteTextFile(Path("new.xml"), L"<?xml version=\"1.0\" encoding=\"x-iscii-de\"?><a/>", &results));
  EXPECT_EQ(Read("new.xml"), "");
}

TEST_F(MarkupFiles, WritingInADeclaredEncodingAndAppending) {
  CString results;
  const CString text(L"<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a>\u00e9\u4E2D</a>");
  EXPECT_TRUE(Doc::WriteTextFile(Path("latin.xml"), text, &results));
  EXPECT_EQ(Read("latin.xml"), "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a>\xE9?</a>");
  EXPECT_TRUE(results.Find(L"<conversion_loss/>") > 0) << results;
  Doc doc;
  doc.SetDocumentText(text);
  doc.SaveFile(Path("latin.xml"));
  EXPECT_EQ(doc.GetErrorText(), CString(L"UTF-16 length 52 to (chars lost in conversion!) ISO-8859-1 length 52"));

  // Appending to a file with content writes no mark.
  Write("log.txt", "one");
  int flags = 0x4 | 0x40;
  EXPECT_TRUE(Doc::WriteTextFile(Path("log.txt"), L"two", &results, &flags));
  EXPECT_EQ(Read("log.txt"), "onetwo");
  EXPECT_EQ(flags, 0x4);
  flags = 0x4 | 0x40;
  EXPECT_TRUE(Doc::WriteTextFile(Path("new.txt"), L"x", &results, &flags));
  EXPECT_EQ(Read("new.txt"), "\xEF\xBB\xBFx");
  // A folder that does not exist.
  EXPECT_FALSE(Doc::WriteTextFile(Path("no/such/dir.xml"), L"<a/>", &results));
  EXPECT_TRUE(results.Find(L"<file_error") >= 0) << results;
}

}  // namespace
