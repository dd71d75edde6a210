// Tests of the code-page conversions: round trips, bad bytes, characters a code page cannot hold,
// and well-formed UTF-8.
#include "platform/codepage.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using platform::BytesToText;
using platform::IsValidUtf8;
using platform::TextToBytes;

std::string Hex(const std::string& bytes) {
  static const char digits[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char b : bytes) {
    out += digits[b >> 4];
    out += digits[b & 15];
    out += ' ';
  }
  return out;
}

TEST(CodePageTest, RoundTrips) {
  struct Case {
    UINT cp;
    CString text;
    std::string bytes;
  };
  const Case cases[] = {
      {CP_KOREAN, L"한국어", "\xC7\xD1\xB1\xB9\xBE\xEE"},
      {CP_ACP, L"한국어 OK", "\xC7\xD1\xB1\xB9\xBE\xEE OK"},
      {CP_WESTERN, L"ação é", "a\xE7\xE3o \xE9"},
      {CP_WESTERN, L"€ \u201Cq\u201D", "\x80 \x93q\x94"},
      {CP_UTF8, L"ação é", "a\xC3\xA7\xC3\xA3o \xC3\xA9"},
      {CP_UTF8, L"\U0001F600", "\xF0\x9F\x98\x80"},
      {CP_UTF16LE, L"\U0001F600", std::string("\x3D\xD8\x00\xDE", 4)},
      {CP_UTF16LE, L"A한", std::string("A\x00\x5C\xD5", 4)},
      {CP_UTF8, L"", ""},
      {CP_UTF8, CString(L"a\0b", 3), std::string("a\0b", 3)},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(BytesToText(c.cp, c.bytes), c.text) << "code page " << c.cp << ": " << Hex(c.bytes);
    EXPECT_EQ(Hex(TextToBytes(c.cp, c.text)), Hex(c.bytes)) << "code page " << c.cp << ": " << c.text.ToUtf8();
  }
}

TEST(CodePageTest, LongTextsCrossTheConversionBuffer) {
  CString korean;
  for (int i = 0; i < 3000; ++i) korean += L"한";
  const std::string bytes = TextToBytes(CP_KOREAN, korean);
  ASSERT_EQ(bytes.size(), 6000u);
  EXPECT_EQ(BytesToText(CP_KOREAN, bytes), korean);

  // A bad byte deep inside a long input, between two characters: one U+FFFD in its place, and
  // the text on both sides survives.
  std::string broken = bytes;
  broken.insert(4096, 1, '\xFF');
  const CString back = BytesToText(CP_KOREAN, broken);
  ASSERT_EQ(back.GetLength(), 3001);
  EXPECT_TRUE(back.Left(2048) == korean.Left(2048));
  EXPECT_EQ(back.GetAt(2048), static_cast<wchar_t>(0xFFFD));
  EXPECT_TRUE(back.Mid(2049) == korean.Mid(2048));
}

TEST(CodePageTest, BadBytesBecomeReplacementCharacters) {
  const wchar_t R = 0xFFFD;
  struct Case {
    const char* what;
    UINT cp;
    std::string bytes;
    CString want;
  };
  const Case cases[] = {
      {"UTF-8 stray byte", CP_UTF8, "a\xFF" "b", CString(L"a") + R + L"b"},
      {"UTF-8 lone continuation", CP_UTF8, "\x80" "a", CString(R) + L"a"},
      {"UTF-8 truncated at end", CP_UTF8, "a\xE2\x82", CString(L"a") + R + R},
      {"UTF-8 truncated before ASCII", CP_UTF8, "\xE2\x82" "a", CString(R) + R + L"a"},
      {"UTF-8 overlong", CP_UTF8, "\xC0\xAF", CString(R) + R},
      {"UTF-8 surrogate", CP_UTF8, "\xED\xA0\x80", CString(R) + R + R},
      {"UTF-8 beyond U+10FFFF", CP_UTF8, "\xF4\x90\x80\x80", CString(R) + R + R + R},
      {"949 truncated pair", CP_KOREAN, "\xB1\xB9\xC7", CString(L"국") + R},
      {"949 invalid lead", CP_KOREAN, "\xFF" "A", CString(R) + L"A"},
      {"1252 undefined byte", CP_WESTERN, "a\x81" "b", CString(L"a") + R + L"b"},
      {"UTF-16LE odd length", CP_UTF16LE, std::string("A\x00" "B", 3), CString(L"A") + R},
      {"UTF-16LE lone low surrogate", CP_UTF16LE, std::string("\x00\xDC" "A\x00", 4), CString(R) + L"A"},
      {"UTF-16LE lone high surrogate", CP_UTF16LE, std::string("\x3D\xD8" "A\x00", 4), CString(R) + L"A"},
      {"UTF-16LE high surrogate at end", CP_UTF16LE, std::string("A\x00\x3D\xD8", 4), CString(L"A") + R},
  };
  for (const Case& c : cases) {
    const CString got = BytesToText(c.cp, c.bytes);
    EXPECT_EQ(got, c.want) << c.what << ": got " << got.ToUtf8();
  }
}

TEST(CodePageTest, CharactersACodePageCannotHoldBecomeQuestionMarks) {
  const QChar loneHigh(static_cast<char16_t>(0xD83D));
  struct Case {
    const char* what;
    UINT cp;
    CString text;
    std::string want;
  };
  const Case cases[] = {
      {"Korean in 1252", CP_WESTERN, CString(L"한a국"), "?a?"},
      {"pair in 949, one mark", CP_KOREAN, CString(L"\U0001F600x"), "?x"},
      {"pair in 1252, one mark", CP_WESTERN, CString(L"a\U0001F600"), "a?"},
      {"lone surrogate in UTF-8", CP_UTF8, CString(QString(loneHigh) + QStringLiteral("a")), "?a"},
      {"lone surrogate at end in UTF-8", CP_UTF8, CString(QStringLiteral("a") + QString(loneHigh)), "a?"},
      {"lone surrogate in UTF-16LE", CP_UTF16LE, CString(QString(loneHigh) + QStringLiteral("a")),
       std::string("?\0a\0", 4)},
  };
  for (const Case& c : cases) EXPECT_EQ(Hex(TextToBytes(c.cp, c.text)), Hex(c.want)) << c.what;
}

TEST(CodePageTest, UnknownCodePageKeepsAsciiOnly) {
  EXPECT_EQ(BytesToText(4242, "ab\xE9"), CString(L"ab\uFFFD"));
  EXPECT_EQ(TextToBytes(4242, CString(L"abé")), "ab?");
  // Other code pages the system knows by number work too.
  EXPECT_EQ(BytesToText(437, "\x82"), CString(L"é"));
}

TEST(CodePageTest, IsValidUtf8) {
  struct Case {
    std::string bytes;
    bool valid;
  };
  const Case cases[] = {
      {"", true},
      {"plain", true},
      {"a\xC3\xA7\xC3\xA3o", true},
      {"\xE2\x82\xAC", true},
      {"\xF0\x9F\x98\x80", true},
      {"\xF4\x8F\xBF\xBF", true},  // U+10FFFF
      {"\xED\x9F\xBF", true},      // U+D7FF
      {std::string("a\0b", 3), true},
      {"\xC0\xAF", false},          // overlong '/'
      {"\xE0\x80\xAF", false},      // overlong
      {"\xF0\x8F\xBF\xBF", false},  // overlong
      {"\xED\xA0\x80", false},      // surrogate
      {"\xED\xBF\xBF", false},      // surrogate
      {"\xF4\x90\x80\x80", false},  // above U+10FFFF
      {"\xF8\x88\x80\x80\x80", false},
      {"\xFF", false},
      {"\x80", false},
      {"\xC3", false},              // truncated
      {"\xE2\x82", false},
      {"\xF0\x9F\x98", false},
      {"\xE2\x82" "a", false},
  };
  for (const Case& c : cases) EXPECT_EQ(IsValidUtf8(c.bytes), c.valid) << Hex(c.bytes);
}

}  // namespace

namespace {

TEST(CodePageTest, NamedCodePagesAndTheirLosses) {
  const struct {
    UINT cp;
    std::string bytes;
    const wchar_t* text;
  } cases[] = {
      {28591, "\xE9", L"\u00e9"},          {28605, "\xA4", L"\u20ac"},       {20866, "\xC1", L"\u0430"},
      {1201, std::string("\0A", 2), L"A"}, {12000, std::string("A\0\0\0", 4), L"A"},
      {54936, "\x81\x30\x81\x30", L"\u0080"},
  };
  for (const auto& c : cases) {
    EXPECT_TRUE(platform::CodePageSupported(c.cp)) << c.cp;
    EXPECT_EQ(platform::BytesToText(c.cp, c.bytes), CString(c.text)) << c.cp;
    EXPECT_EQ(platform::TextToBytes(c.cp, CString(c.text)), c.bytes) << c.cp;
  }
  EXPECT_FALSE(platform::CodePageSupported(4242));
  bool lost = false;
  EXPECT_EQ(platform::TextToBytes(28591, CString(L"a\u4E2D"), &lost), "a?");
  EXPECT_TRUE(lost);
  EXPECT_EQ(platform::TextToBytes(28591, CString(L"ab"), &lost), "ab");
  EXPECT_FALSE(lost);
  EXPECT_EQ(platform::TextToBytes(4242, CString(L"\u00e9"), &lost), "?");
  EXPECT_TRUE(lost);
}

}  // namespace
