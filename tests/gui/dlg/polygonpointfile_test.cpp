// Polygon point files: exact bytes of the three-point example, the round trip, the limits a loaded
// file obeys, and a file that cannot be written or read.
#include "gui/dlg/polygonpointfile.h"

#include <gtest/gtest.h>
#include <QTemporaryDir>

#include <string>
#include <vector>

#include "platform/files.h"

namespace {

using namespace brelvano;

const wchar_t kThreePoints[] = L"126.980495@37.566079@\n8.50000000@5.2500000@\n-70.654321@-33.456789@";

std::string Utf16Le(const std::string& ascii) {
  std::string bytes;
  for (char c : ascii) {
    bytes.push_back(c);
    bytes.push_back('\0');
  }
  return bytes;
}

TEST(PolygonPointFile, ThreePointsRoundTrip) {
  QTemporaryDir dir;
  const CString path = CString(dir.path()) + L"/zone.stp";
  ASSERT_TRUE(WritePolygonPointFile(path, kThreePoints));
  std::string bytes;
  ASSERT_TRUE(platform::ReadWholeFile(path, bytes));
  EXPECT_EQ(bytes, Utf16Le("126.980495@37.566079@\n8.50000000@5.2500000@\n-70.654321@-33.456789@"));
  std::vector<CString> lines;
  ASSERT_TRUE(ReadPolygonPointFile(path, lines));
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[2], CString(L"-70.654321@-33.456789@"));
  CString text;
  ASSERT_TRUE(PolygonPointTextFromFileLines(lines, 60, 0, 0, text));
  EXPECT_EQ(text, CString(kThreePoints) + L"\n");
}

TEST(PolygonPointFile, LimitsOfALoadedFile) {
  struct Case {
    int lines, emptyLines, zoneLimit, totalLimit, used;
    bool loads;
  } cases[] = {
      {6, 0, 60, 100, 95, false}, {5, 0, 60, 100, 95, true}, {5, 3, 60, 100, 95, true},
      {200, 0, 0, 0, 1000, true}, {61, 0, 60, 0, 0, false},  {60, 0, 60, 0, 0, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.lines);
    std::vector<CString> lines;
    for (int i = 0; i < c.lines; ++i) lines.push_back(L"1.000000@2.000000@");
    for (int i = 0; i < c.emptyLines; ++i) lines.push_back(L"");
    CString text = L"kept";
    EXPECT_EQ(PolygonPointTextFromFileLines(lines, c.zoneLimit, c.totalLimit, c.used, text), c.loads);
    if (!c.loads) {
      EXPECT_EQ(text, CString(L"kept"));
    }
  }
}

TEST(PolygonPointFile, UnwritableAndUnreadableFiles) {
  QTemporaryDir dir;
  EXPECT_FALSE(WritePolygonPointFile(CString(dir.path()) + L"/missing/zone.stp", kThreePoints));
  std::vector<CString> lines = {L"x"};
  EXPECT_FALSE(ReadPolygonPointFile(CString(dir.path()) + L"/none.stp", lines));
  EXPECT_TRUE(lines.empty());
  // A trailing odd byte is ignored.
  const CString odd = CString(dir.path()) + L"/odd.stp";
  ASSERT_TRUE(platform::WriteWholeFile(odd, Utf16Le("1@2@") + "\x31"));
  ASSERT_TRUE(ReadPolygonPointFile(odd, lines));
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], CString(L"1@2@"));
}

}  // namespace
