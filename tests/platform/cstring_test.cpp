// Tests of CString: clamping cuts, searches, edits, trims, comparisons, tokenizing, UTF-16 units.
#include "platform/cstring.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// "a😀b" as UTF-16: a, high surrogate, low surrogate, b.
const CString kWithPair(L"a\U0001F600b");

TEST(CStringTest, CutsClampLikeMfc) {
  const CString s(L"Hello");
  struct Case {
    const char* what;
    CString got;
    const wchar_t* want;
  };
  const Case cases[] = {
      {"Left in range", s.Left(2), L"He"},
      {"Left negative", s.Left(-1), L""},
      {"Left past end", s.Left(99), L"Hello"},
      {"Mid(first)", s.Mid(3), L"lo"},
      {"Mid(first) negative", s.Mid(-4), L"Hello"},
      {"Mid(first) at end", s.Mid(5), L""},
      {"Mid(first) past end", s.Mid(50), L""},
      {"Mid(first,count)", s.Mid(1, 3), L"ell"},
      {"Mid count past end", s.Mid(3, 99), L"lo"},
      {"Mid negative first", s.Mid(-2, 3), L"Hel"},
      {"Mid negative count", s.Mid(1, -3), L""},
      {"Mid first past end", s.Mid(9, 2), L""},
      {"Mid huge count", s.Mid(4, 0x7fffffff), L"o"},
      {"Right in range", s.Right(3), L"llo"},
      {"Right negative", s.Right(-3), L""},
      {"Right past end", s.Right(10), L"Hello"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.got, CString(c.want)) << c.what;
}

TEST(CStringTest, GetAtAndSetAtOutsideTheTextAreHarmless) {
  CString s(L"abc");
  EXPECT_EQ(s.GetAt(1), L'b');
  EXPECT_EQ(s[2], L'c');
  EXPECT_EQ(s.GetAt(-1), 0);
  EXPECT_EQ(s.GetAt(3), 0);
  s.SetAt(-1, L'x');
  s.SetAt(3, L'x');
  EXPECT_EQ(s, L"abc");
  s.SetAt(0, L'X');
  EXPECT_EQ(s, L"Xbc");
  // A character beyond U+FFFF takes the place of one unit as its surrogate pair.
  s.SetAt(1, L'\U0001F600');
  EXPECT_EQ(s, CString(L"X\U0001F600c"));
  EXPECT_EQ(s.GetLength(), 4);
}

TEST(CStringTest, FindFromIndex) {
  const CString s(L"abcabc");
  struct Case {
    const wchar_t* sub;
    int start;
    int want;
  };
  const Case cases[] = {
      {L"b", 0, 1}, {L"b", 1, 1}, {L"b", 2, 4}, {L"b", 5, -1}, {L"bc", 2, 4}, {L"abc", 0, 0},
      {L"abc", 1, 3}, {L"x", 0, -1}, {L"c", 6, -1}, {L"c", 60, -1}, {L"a", -1, -1}, {L"", 0, -1},
      {L"abcabcd", 0, -1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(s.Find(CString(c.sub), c.start), c.want) << "sub '" << CString(c.sub).ToUtf8() << "' from " << c.start;
    if (std::wstring(c.sub).size() == 1) {
      EXPECT_EQ(s.Find(c.sub[0], c.start), c.want) << "char '" << CString(c.sub).ToUtf8() << "' from " << c.start;
    }
  }
  EXPECT_EQ(s.Find("ca"), 2);
  EXPECT_EQ(s.ReverseFind(L'a'), 3);
  EXPECT_EQ(s.ReverseFind(L'z'), -1);
  EXPECT_EQ(s.FindOneOf(L"xc"), 2);
  EXPECT_EQ(s.FindOneOf(L"xyz"), -1);
  EXPECT_EQ(s.FindOneOf(L""), -1);
}

TEST(CStringTest, EditsReturnCountsAndLengths) {
  struct Case {
    const char* what;
    const wchar_t* start;
    int (*edit)(CString&);
    int wantResult;
    const wchar_t* wantText;
  };
  const Case cases[] = {
      {"Replace text", L"a--b--c", [](CString& s) { return s.Replace(L"--", L"+"); }, 2, L"a+b+c"},
      {"Replace not overlapping", L"aaaa", [](CString& s) { return s.Replace(L"aa", L"b"); }, 2, L"bb"},
      {"Replace with same", L"xax", [](CString& s) { return s.Replace(L"a", L"a"); }, 1, L"xax"},
      {"Replace absent", L"abc", [](CString& s) { return s.Replace(L"z", L"y"); }, 0, L"abc"},
      {"Replace empty old", L"abc", [](CString& s) { return s.Replace(L"", L"y"); }, 0, L"abc"},
      {"Replace growing", L"a.b", [](CString& s) { return s.Replace(L".", L"..."); }, 1, L"a...b"},
      {"Replace char", L"a.b.c", [](CString& s) { return s.Replace(L'.', L','); }, 2, L"a,b,c"},
      {"Replace char same", L"a.b", [](CString& s) { return s.Replace(L'.', L'.'); }, 0, L"a.b"},
      {"Remove", L"a b c ", [](CString& s) { return s.Remove(L' '); }, 3, L"abc"},
      {"Remove absent", L"abc", [](CString& s) { return s.Remove(L'z'); }, 0, L"abc"},
      {"Insert char", L"ac", [](CString& s) { return s.Insert(1, L'b'); }, 3, L"abc"},
      {"Insert text", L"ad", [](CString& s) { return s.Insert(1, CString(L"bc")); }, 4, L"abcd"},
      {"Insert negative", L"bc", [](CString& s) { return s.Insert(-5, L'a'); }, 3, L"abc"},
      {"Insert past end", L"ab", [](CString& s) { return s.Insert(9, L'c'); }, 3, L"abc"},
      {"Delete one", L"abc", [](CString& s) { return s.Delete(1); }, 2, L"ac"},
      {"Delete many", L"abcdef", [](CString& s) { return s.Delete(1, 3); }, 3, L"aef"},
      {"Delete past end", L"abcdef", [](CString& s) { return s.Delete(4, 100); }, 4, L"abcd"},
      {"Delete negative index", L"abc", [](CString& s) { return s.Delete(-2, 1); }, 2, L"bc"},
      {"Delete index past end", L"abc", [](CString& s) { return s.Delete(7, 1); }, 3, L"abc"},
      {"Delete negative count", L"abc", [](CString& s) { return s.Delete(1, -1); }, 3, L"abc"},
  };
  for (const Case& c : cases) {
    CString s(c.start);
    EXPECT_EQ(c.edit(s), c.wantResult) << c.what;
    EXPECT_EQ(s, CString(c.wantText)) << c.what;
  }
}

TEST(CStringTest, TrimWhiteSpaceOneCharOrSet) {
  struct Case {
    const char* what;
    const wchar_t* start;
    CString& (*trim)(CString&);
    const wchar_t* want;
  };
  const Case cases[] = {
      {"Trim all white space", L" \t\r\n\v\fab c\f\v\n\r\t ", [](CString& s) -> CString& { return s.Trim(); }, L"ab c"},
      {"TrimLeft", L"  ab  ", [](CString& s) -> CString& { return s.TrimLeft(); }, L"ab  "},
      {"TrimRight", L"  ab  ", [](CString& s) -> CString& { return s.TrimRight(); }, L"  ab"},
      {"Trim all spaces", L"   ", [](CString& s) -> CString& { return s.Trim(); }, L""},
      {"Trim char", L"xxaxbxx", [](CString& s) -> CString& { return s.Trim(L'x'); }, L"axb"},
      {"TrimLeft char", L"00120", [](CString& s) -> CString& { return s.TrimLeft(L'0'); }, L"120"},
      {"TrimRight char", L"1.500", [](CString& s) -> CString& { return s.TrimRight(L'0'); }, L"1.5"},
      {"Trim set", L"\"[a]\"", [](CString& s) -> CString& { return s.Trim(CString(L"\"[]")); }, L"a"},
      {"TrimRight set", L"a;,;", [](CString& s) -> CString& { return s.TrimRight(CString(L",;")); }, L"a"},
      {"Trim empty set", L" a ", [](CString& s) -> CString& { return s.Trim(CString()); }, L" a "},
      {"Trim set keeps other chars", L"ab", [](CString& s) -> CString& { return s.Trim(CString(L"xy")); }, L"ab"},
      {"Trim leaves a different pair whole", L"\U0001F601a\U0001F601",
       [](CString& s) -> CString& { return s.Trim(CString(L"\U0001F600")); }, L"\U0001F601a\U0001F601"},
      {"Trim a pair", L"\U0001F600a\U0001F600", [](CString& s) -> CString& { return s.Trim(L'\U0001F600'); }, L"a"},
  };
  for (const Case& c : cases) {
    CString s(c.start);
    EXPECT_EQ(c.trim(s), CString(c.want)) << c.what;
  }
}

TEST(CStringTest, CompareAndCompareNoCase) {
  struct Case {
    const wchar_t* a;
    const wchar_t* b;
    int compare;
    int noCase;
  };
  const Case cases[] = {
      {L"abc", L"abc", 0, 0},   {L"abc", L"ABC", 1, 0},     {L"abc", L"abd", -1, -1},
      {L"ab", L"abc", -1, -1},  {L"", L"", 0, 0},           {L"B", L"a", -1, 1},
      {L"Ação", L"AÇÃO", 1, 0}, {L"\uFFFF", L"\U0001F600", 1, 1},  // ordinal by UTF-16 unit
  };
  for (const Case& c : cases) {
    const CString a(c.a), b(c.b);
    EXPECT_EQ(a.Compare(b), c.compare) << a.ToUtf8() << " vs " << b.ToUtf8();
    EXPECT_EQ(a.CompareNoCase(b), c.noCase) << a.ToUtf8() << " vs " << b.ToUtf8();
  }
  EXPECT_TRUE(CString(L"a") < CString(L"b"));
  EXPECT_TRUE(CString(L"b") >= CString(L"b"));
}

TEST(CStringTest, EqualityWithWideTextIsThatOfTheTextMade) {
  // Wide texts as CString makes them: a character beyond the BMP is a pair, a surrogate or a
  // value beyond U+10FFFF is U+FFFD, the text ends at its first zero.
  const wchar_t loneSurrogate[] = {L'a', static_cast<wchar_t>(0xD800), 0};
  const wchar_t beyondUnicode[] = {static_cast<wchar_t>(0x110000), 0};
  const wchar_t negative[] = {static_cast<wchar_t>(-1), 0};
  struct Case {
    CString text;
    const wchar_t* wide;
    bool equal;
  };
  const Case cases[] = {
      {CString(L"fid"), L"fid", true},
      {CString(L"fid"), L"fi", false},
      {CString(L"fi"), L"fid", false},
      {CString(L"fid"), L"FID", false},
      {CString(), L"", true},
      {CString(), nullptr, true},
      {CString(L"x"), nullptr, false},
      {CString(L"x"), L"", false},
      {kWithPair, L"a\U0001F600b", true},
      {kWithPair, L"a\U0001F601b", false},
      {CString::FromUtf16(u"a\xD83D"), L"a\U0001F600", false},
      {CString::FromUtf16(u"a\xFFFD"), loneSurrogate, true},
      {CString::FromUtf16(u"\xFFFD"), beyondUnicode, true},
      {CString::FromUtf16(u"\xFFFD"), negative, true},
      {CString::FromUtf16(std::u16string(u"ab\0c", 4)), L"ab", false},
  };
  for (const Case& c : cases) {
    const std::string what = c.text.ToUtf8();
    EXPECT_EQ(c.text == c.wide, c.equal) << what;
    EXPECT_EQ(c.wide == c.text, c.equal) << what;
    EXPECT_EQ(c.text != c.wide, !c.equal) << what;
    EXPECT_EQ(c.wide != c.text, !c.equal) << what;
    EXPECT_EQ(c.text == CString(c.wide), c.equal) << what;
  }
}

std::vector<std::string> TokenizeAll(const CString& s, const CString& delimiters, int start = 0) {
  std::vector<std::string> tokens;
  for (int guard = 0; guard < 100; ++guard) {
    CString token = s.Tokenize(delimiters, start);
    if (start == -1) {
      EXPECT_TRUE(token.IsEmpty());
      return tokens;
    }
    tokens.push_back(token.ToUtf8());
  }
  ADD_FAILURE() << "Tokenize never ended";
  return tokens;
}

TEST(CStringTest, TokenizeWalksTokensAndEnds) {
  using V = std::vector<std::string>;
  struct Case {
    const wchar_t* text;
    const wchar_t* delimiters;
    int start;
    V want;
  };
  const Case cases[] = {
      {L"a,b,c", L",", 0, V{"a", "b", "c"}},
      {L",,a,,b;c;;", L",;", 0, V{"a", "b", "c"}},
      {L"one two", L" ", 4, V{"two"}},
      {L"one two", L" ", 3, V{"two"}},
      {L",,,", L",", 0, V{}},
      {L"", L",", 0, V{}},
      {L"abc", L",", 3, V{}},
      {L"abc", L",", 99, V{}},
      {L"abc", L",", -1, V{}},
      {L"a b", L"", 0, V{"a b"}},
      {L"a\U0001F600b\U0001F600", L"\U0001F600", 0, V{"a", "b"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TokenizeAll(CString(c.text), CString(c.delimiters), c.start), c.want)
        << CString(c.text).ToUtf8() << " from " << c.start;
  }
  // The position after a token is just past the delimiter that ended it.
  int pos = 0;
  EXPECT_EQ(CString(L"ab,,cd").Tokenize(L",", pos), L"ab");
  EXPECT_EQ(pos, 3);
  EXPECT_EQ(CString(L"ab,,cd").Tokenize(L",", pos), L"cd");
  EXPECT_EQ(pos, 7);
}

TEST(CStringTest, SpanIncludingAndExcluding) {
  const CString s(L"123abc456");
  EXPECT_EQ(s.SpanIncluding(L"0123456789"), L"123");
  EXPECT_EQ(s.SpanIncluding(L"abc"), L"");
  EXPECT_EQ(s.SpanIncluding(L""), L"");
  EXPECT_EQ(s.SpanExcluding(L"cb"), L"123a");
  EXPECT_EQ(s.SpanExcluding(L"xyz"), L"123abc456");
  EXPECT_EQ(s.SpanExcluding(L""), L"123abc456");
}

TEST(CStringTest, CharactersBeyondTheBmpCountTwoUnits) {
  EXPECT_EQ(kWithPair.GetLength(), 4);
  EXPECT_EQ(CString(L'\U0001F600').GetLength(), 2);
  EXPECT_EQ(CString(L'x', 3), L"xxx");
  EXPECT_EQ(CString(L'x', 0), L"");
  EXPECT_EQ(CString(L'\U0001F600', 2).GetLength(), 4);
  EXPECT_EQ(kWithPair.Find(L'\U0001F600'), 1);
  EXPECT_EQ(kWithPair.Find(L'b'), 3);
  EXPECT_EQ(kWithPair.ReverseFind(L'\U0001F600'), 1);
  EXPECT_EQ(kWithPair.GetAt(1), static_cast<wchar_t>(0xD83D));
  EXPECT_EQ(kWithPair.GetAt(2), static_cast<wchar_t>(0xDE00));
  EXPECT_EQ(kWithPair.Right(3), CString(L"\U0001F600b"));

  // UTF-16 in, UTF-32 wchar_t out, and back.
  const std::wstring wide = kWithPair.GetString();
  ASSERT_EQ(wide.size(), 3u);
  EXPECT_EQ(wide[1], L'\U0001F600');
  EXPECT_EQ(kWithPair.ToWString(), wide);
  EXPECT_EQ(CString(wide), kWithPair);
  EXPECT_EQ(kWithPair.ToUtf8(), "a\xF0\x9F\x98\x80" "b");
  EXPECT_EQ(CString(u"a\U0001F600b"), kWithPair);

  CString reversed = kWithPair;
  EXPECT_EQ(reversed.MakeReverse(), CString(L"b\U0001F600a"));

  CString removed = kWithPair;
  EXPECT_EQ(removed.Remove(L'\U0001F600'), 1);
  EXPECT_EQ(removed, L"ab");

  CString appended(L"x");
  appended += L'\U0001F600';
  EXPECT_EQ(appended.GetLength(), 3);
  EXPECT_EQ(appended + L'y', CString(L"x\U0001F600y"));
}

TEST(CStringTest, ConstructionFromOtherForms) {
  EXPECT_EQ(CString(static_cast<const wchar_t*>(nullptr)), L"");
  EXPECT_EQ(CString(static_cast<const char*>(nullptr)), L"");
  EXPECT_EQ(CString(L"abcdef", 3), L"abc");
  EXPECT_EQ(CString(L"abc", -1), L"");
  EXPECT_EQ(CString("a\xC3\xA7\xC3\xA3o"), CString(L"ação"));
  EXPECT_EQ(CString::FromUtf8(std::string_view("a\xFF" "b", 3)), CString(L"a\uFFFDb"));
  EXPECT_EQ(CString::FromUtf8(std::string_view("a\0b", 3)).GetLength(), 3);
  CString s;
  s = "x";
  s += L"y";
  s += 'z';
  s = s + "!" + CString(L"?");
  EXPECT_EQ(s, "xyz!?");
  s = L'\u00E9';
  EXPECT_EQ(s, L"é");
  EXPECT_TRUE(CString().IsEmpty());
}

TEST(CStringTest, CaseMappingKeepsLengths) {
  CString s(L"Straße ação İ \U00010428");  // Deseret small letter long I
  const int length = s.GetLength();
  s.MakeUpper();
  EXPECT_EQ(s.GetLength(), length);
  EXPECT_EQ(s.Left(12), CString(L"STRAßE AÇÃO "));
  EXPECT_EQ(s.Right(2), CString(L"\U00010400"));
  s.MakeLower();
  EXPECT_EQ(s.GetLength(), length);
  EXPECT_EQ(s.Left(12), CString(L"straße ação "));
  EXPECT_EQ(s.Right(2), CString(L"\U00010428"));
}

TEST(CStringTest, LoadStringAsksTheInstalledTable) {
  platform::SetStringTable(nullptr);
  CString s(L"old");
  EXPECT_FALSE(s.LoadString(1));
  EXPECT_TRUE(s.IsEmpty());

  platform::SetStringTable([](UINT id, CString& out) {
    if (id != 7) return false;
    out = L"seven";
    return true;
  });
  EXPECT_TRUE(s.LoadString(7));
  EXPECT_EQ(s, L"seven");
  EXPECT_FALSE(s.LoadString(8));
  EXPECT_TRUE(s.IsEmpty());
  platform::SetStringTable(nullptr);
}

}  // namespace

TEST(CStringBom, ALeadingByteOrderMarkIsKeptByEveryConstructor) {
  const wchar_t wide[] = {0xFEFF, L'a', 0};
  const char16_t utf16[] = {0xFEFF, u'a', 0};
  for (const CString& s : {CString(wide), CString(wide, 2), CString(utf16), CString("\xEF\xBB\xBF" "a"),
                           CString::FromUtf8("\xEF\xBB\xBF" "a"), CString(std::wstring(wide))}) {
    ASSERT_EQ(s.GetLength(), 2);
    EXPECT_EQ(s.GetAt(0), static_cast<wchar_t>(0xFEFF));
    EXPECT_EQ(s.GetAt(1), L'a');
  }
}

TEST(CStringBom, EveryLeadingByteOrderMarkIsKept) {
  for (const CString& s : {CString("\xEF\xBB\xBF\xEF\xBB\xBF" "a"), CString::FromUtf8("\xEF\xBB\xBF\xEF\xBB\xBF" "a")}) {
    ASSERT_EQ(s.GetLength(), 3);
    EXPECT_EQ(s.GetAt(1), static_cast<wchar_t>(0xFEFF));
    EXPECT_EQ(s.ToUtf8(), "\xEF\xBB\xBF\xEF\xBB\xBF" "a");
  }
}

TEST(CStringUtf16, UnitsBothWays) {
  const std::u16string units(u"a\0\U0001F600", 4);
  const CString text = CString::FromUtf16(units);
  EXPECT_EQ(text.GetLength(), 4);
  EXPECT_EQ(text.ToUtf16(), units);
  EXPECT_EQ(CString(L"\u00e9").ToUtf16(), std::u16string(u"\u00e9"));
}
