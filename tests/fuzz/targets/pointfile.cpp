// Polygon point files (".stp"): any bytes read as a file, the text the map page would get under
// limits chosen by the input, and a round trip of what was accepted: written as the page writes it
// and read again, it gives the same points.
// The input's first three bytes are the zone's point limit, the total limit and the points the
// other zones hold (0: no limit); the rest is the file.
#include <cstdint>
#include <string>
#include <vector>

#include "gui/dlg/polygonpointfile.h"
#include "support/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzsupport::InputReader input(data, size);
  const int zoneLimit = input.Byte();
  const int totalLimit = input.Byte();
  const int used = input.Byte();
  const std::string file = input.Rest();

  std::vector<CString> lines;
  FUZZ_CHECK(brelvano::ReadPolygonPointFile(fuzzsupport::WriteScratchFile("points.stp", file), lines));
  std::vector<CString> points;
  for (const CString& line : lines) {
    FUZZ_CHECK(line.Find(L'\n') < 0);
    if (!line.IsEmpty()) points.push_back(line);
  }
  FUZZ_CHECK(lines.size() <= file.size() / 2 + 1);

  CString text = L"unchanged";
  if (!brelvano::PolygonPointTextFromFileLines(lines, zoneLimit, totalLimit, used, text)) {
    FUZZ_CHECK(text == L"unchanged");
    FUZZ_CHECK((zoneLimit > 0 && static_cast<int>(points.size()) > zoneLimit) ||
               (totalLimit > 0 && used + static_cast<int>(points.size()) > totalLimit));
    return 0;
  }
  FUZZ_CHECK(zoneLimit == 0 || static_cast<int>(points.size()) <= zoneLimit);
  // A file without points adds none, whatever the other zones hold.
  FUZZ_CHECK(totalLimit == 0 || points.empty() || used + static_cast<int>(points.size()) <= totalLimit);

  const CString copy = fuzzsupport::ScratchFolder() + L"points-copy.stp";
  FUZZ_CHECK(brelvano::WritePolygonPointFile(copy, text));
  std::vector<CString> again;
  FUZZ_CHECK(brelvano::ReadPolygonPointFile(copy, again));
  FUZZ_CHECK(again == points);
  return 0;
}
