// Tests of CString::Format / platform::FormatText: the Windows meanings of the conversions, and
// what happens with missing, surplus and unusable arguments.
#include "platform/cstring.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using Args = std::vector<platform::FormatArg>;

struct FormatCase {
  const wchar_t* format;
  Args args;
  const wchar_t* want;
};

void ExpectFormats(const std::vector<FormatCase>& cases) {
  for (const FormatCase& c : cases) {
    EXPECT_EQ(CString(platform::FormatText(CString(c.format).q(), c.args)), CString(c.want))
        << "format \"" << CString(c.format).ToUtf8() << "\"";
  }
}

TEST(FormatTest, Integers) {
  const BYTE byte = 0x0A;
  const char signedByte = static_cast<char>(0xAB);
  ExpectFormats({
      {L"%d", {42}, L"42"},
      {L"%i", {-42}, L"-42"},
      {L"%5d", {42}, L"   42"},
      {L"%-5d|", {42}, L"42   |"},
      {L"%05d", {42}, L"00042"},
      {L"%05d", {-42}, L"-0042"},
      {L"%+d % d", {5, 5}, L"+5  5"},
      {L"%.3d", {7}, L"007"},
      {L"%x %X", {255, 255}, L"ff FF"},
      {L"%#x", {255}, L"0xff"},
      {L"%o", {8}, L"10"},
      {L"%x", {-1}, L"ffffffff"},
      {L"%X", {-2L}, L"FFFFFFFE"},
      {L"%llx", {-1LL}, L"ffffffffffffffff"},
      {L"%I64X", {-1}, L"FFFFFFFFFFFFFFFF"},
      {L"%08lx", {0xBEEFul}, L"0000beef"},
      {L"%02X", {byte}, L"0A"},
      {L"%02X", {signedByte}, L"AB"},
      {L"%u", {-1}, L"4294967295"},
      {L"%u", {3000000000u}, L"3000000000"},
      {L"%d", {0xFFFFFFFFu}, L"-1"},
      {L"%d", {static_cast<DWORD>(0x80000000u)}, L"-2147483648"},
      {L"%d", {3000000000LL}, L"3000000000"},  // a value wider than 32 bits is never cut silently
      {L"%I64d", {1LL << 40}, L"1099511627776"},
      {L"%I64u", {~0ULL}, L"18446744073709551615"},
      {L"%lld", {~0ULL}, L"-1"},
      {L"%I32d", {0xFFFFFFFFu}, L"-1"},
      {L"%zu", {sizeof(int)}, L"4"},
      {L"%hd", {70000}, L"4464"},
      {L"%hu", {-1}, L"65535"},
      {L"%hhu", {257}, L"1"},
      {L"%hhd", {255}, L"-1"},
      {L"%d", {true}, L"1"},
      {L"%d", {L'A'}, L"65"},
  });
}

// Every combination of flags, width and precision gives what the C library gives for an int.
TEST(FormatTest, IntegerFlagsWidthAndPrecisionFollowTheCRules) {
  const char* const flagSets[] = {"", "-", "+", " ", "0", "#", "-0", "+0", "#0", "-#", "+ ", " 0", "-+#0"};
  const char* const widths[] = {"", "1", "6", "13"};
  const char* const precisions[] = {"", ".", ".0", ".1", ".4"};
  const char conversions[] = {'d', 'i', 'u', 'x', 'X', 'o'};
  const int values[] = {0, 1, -1, 7, 42, -42, 255, 65535, INT32_MAX, INT32_MIN};
  std::vector<std::string> mismatches;
  for (const char* flags : flagSets)
    for (const char* width : widths)
      for (const char* precision : precisions)
        for (char conv : conversions)
          for (int value : values) {
            const std::string format = std::string("[%") + flags + width + precision + conv + "]";
            char want[64];
            if (conv == 'd' || conv == 'i')
              std::snprintf(want, sizeof want, format.c_str(), value);
            else
              std::snprintf(want, sizeof want, format.c_str(), static_cast<unsigned>(value));
            const QString got = platform::FormatText(QString::fromLatin1(format.c_str()), {value});
            if (got != QLatin1String(want))
              mismatches.push_back(format + " of " + std::to_string(value) + ": " + got.toStdString() + " not " + want);
          }
  EXPECT_TRUE(mismatches.empty()) << mismatches.size() << " mismatches, first: " << mismatches.front();
}

TEST(FormatTest, TextAndCharacters) {
  const CString text(L"ação");
  ExpectFormats({
      {L"[%s]", {text}, L"[ação]"},
      {L"[%s]", {L"wide"}, L"[wide]"},
      {L"[%S]", {"a\xC3\xA7\xC3\xA3o"}, L"[ação]"},  // UTF-8 bytes
      {L"[%ls|%hs|%ws]", {L"a", "b", u"c"}, L"[a|b|c]"},
      {L"[%s]", {QStringLiteral("q")}, L"[q]"},
      {L"[%s]", {std::string("std")}, L"[std]"},
      {L"[%s]", {static_cast<const wchar_t*>(nullptr)}, L"[(null)]"},
      {L"[%.3s]", {L"abcdef"}, L"[abc]"},
      {L"[%.9s]", {L"abc"}, L"[abc]"},
      {L"[%5s]", {L"ab"}, L"[   ab]"},
      {L"[%-5s]", {L"ab"}, L"[ab   ]"},
      {L"[%05s]", {L"ab"}, L"[000ab]"},
      {L"[%1s]", {L"abc"}, L"[abc]"},
      {L"[%-6.2s]", {L"abc"}, L"[ab    ]"},
      {L"[%.1s]", {L"\U0001F600x"}, L"[]"},  // never half a surrogate pair
      {L"[%.2s]", {L"\U0001F600x"}, L"[\U0001F600]"},
      {L"[%c%C]", {L'A', 'b'}, L"[Ab]"},
      {L"[%c]", {0x00E9}, L"[é]"},
      {L"[%c]", {0x1F600}, L"[\U0001F600]"},
      {L"[%3c]", {L'x'}, L"[  x]"},
      {L"[%-3c]", {L'x'}, L"[x  ]"},
      {L"[%c]", {0}, L"[]"},
  });
}

TEST(FormatTest, FloatingPointAndPointers) {
  ExpectFormats({
      {L"%f", {1.5}, L"1.500000"},
      {L"%lf", {1.5}, L"1.500000"},
      {L"%Lf", {0.25f}, L"0.250000"},
      {L"%.6f", {3.14159265}, L"3.141593"},
      {L"%.2f", {2.005}, L"2.00"},  // 2.005 is just below in binary
      {L"%.0f", {2.5}, L"2"},
      {L"%8.3f|%-8.3f|", {-1.5, 1.5}, L"  -1.500|1.500   |"},
      {L"%08.2f", {-3.5}, L"-0003.50"},
      {L"%+.1f", {2.0}, L"+2.0"},
      {L"%e", {12345.678}, L"1.234568e+04"},
      {L"%E", {0.000123}, L"1.230000E-04"},
      {L"%g %g %g", {0.0001, 1e20, 100.0}, L"0.0001 1e+20 100"},
      {L"%G", {1e-10}, L"1E-10"},
      {L"%.1f", {5}, L"5.0"},  // an integer for a floating conversion is taken by value
      {L"%p", {reinterpret_cast<void*>(0x1234)}, L"0000000000001234"},
      {L"%p", {reinterpret_cast<const void*>(0xABCDEFull)}, L"0000000000ABCDEF"},
      {L"[%18p]", {static_cast<void*>(nullptr)}, L"[  0000000000000000]"},
  });
}

TEST(FormatTest, WidthAndPrecisionFromArguments) {
  ExpectFormats({
      {L"[%*d]", {5, 42}, L"[   42]"},
      {L"[%-*d]", {5, 42}, L"[42   ]"},
      {L"[%*d]", {-5, 42}, L"[42   ]"},
      {L"[%.*f]", {2, 1.5}, L"[1.50]"},
      {L"[%.*f]", {-1, 1.5}, L"[1.500000]"},
      {L"[%*.*s]", {6, 3, L"abcdef"}, L"[   abc]"},
      {L"[%*d|%d]", {L"x", 1, 2}, L"[|2]"},  // an unusable width spoils its own conversion only
  });
}

TEST(FormatTest, PercentLiteralsAndUnknownConversions) {
  ExpectFormats({
      {L"100%%", {}, L"100%"},
      {L"%d%%", {50}, L"50%"},
      {L"a%yb", {1}, L"a%yb"},
      {L"%5y%d", {7}, L"%5y7"},  // copied as written and takes no argument
      {L"%n%d", {7}, L"%n7"},
      {L"end%", {}, L"end%"},
      {L"end%-5", {1}, L"end%-5"},
      {L"end%l", {1}, L"end%l"},
      {L"%I6d", {1}, L"%I6d"},
      {L"no conversions", {1, 2}, L"no conversions"},
      {L"", {}, L""},
  });
}

TEST(FormatTest, MissingOrUnusableArgumentsWriteNothing) {
  ExpectFormats({
      {L"%d", {}, L""},
      {L"a%db%sc", {1}, L"a1bc"},
      {L"[%d]", {L"text"}, L"[]"},
      {L"[%s]", {42}, L"[]"},
      {L"[%c]", {1.5}, L"[]"},
      {L"[%d]", {1.5}, L"[]"},
      {L"[%x]", {static_cast<void*>(nullptr)}, L"[]"},
      {L"[%p]", {L"text"}, L"[]"},
      {L"[%f]", {L"text"}, L"[]"},
      {L"%d %s %d", {1, 2, 3}, L"1  3"},  // later arguments keep their places
      {L"%d", {1, 2, 3}, L"1"},
      {L"[%*d]", {}, L"[]"},
  });
}

TEST(FormatTest, FormatAndAppendFormatOnCString) {
  CString s;
  s.Format(L"%s=%d", CString(L"k"), 5);
  EXPECT_EQ(s, L"k=5");
  s.AppendFormat(L", %02X", static_cast<BYTE>(0xF));
  EXPECT_EQ(s, L"k=5, 0F");
  s.Format("%s", "utf8 \xC3\xA9");
  EXPECT_EQ(s, L"utf8 é");
  // The format may be the string itself.
  s = L"%d";
  s.Format(s, 3);
  EXPECT_EQ(s, L"3");
  // Text containing conversions is taken as it is when passed as an argument.
  s.Format(L"[%s]", CString(L"%d%s"));
  EXPECT_EQ(s, L"[%d%s]");
  // Width counts UTF-16 units.
  s.Format(L"[%3s]", CString(L"\U0001F600"));
  EXPECT_EQ(s, CString(L"[ \U0001F600]"));
}

TEST(FormatTest, HugeWidthsAreBounded) {
  CString s;
  s.Format(L"%99999999999d", 1);
  EXPECT_GT(s.GetLength(), 1000);
  EXPECT_LE(s.GetLength(), 1000000);
  EXPECT_EQ(s.Right(1), L"1");
}

}  // namespace
