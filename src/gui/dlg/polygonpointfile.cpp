#include "gui/dlg/polygonpointfile.h"

#include "platform/files.h"

namespace brelvano {

std::string PolygonPointFileBytes(const CString& pointText) {
  const std::u16string units = pointText.ToUtf16();
  std::string bytes;
  bytes.reserve(units.size() * 2);
  for (char16_t unit : units) {
    bytes.push_back(static_cast<char>(unit & 0xFF));
    bytes.push_back(static_cast<char>((unit >> 8) & 0xFF));
  }
  return bytes;
}

bool WritePolygonPointFile(const CString& path, const CString& pointText) {
  return platform::WriteWholeFile(path, PolygonPointFileBytes(pointText));
}

bool ReadPolygonPointFile(const CString& path, std::vector<CString>& lines) {
  lines.clear();
  std::string bytes;
  if (!platform::ReadWholeFile(path, bytes)) return false;
  std::u16string line;
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const char16_t unit = static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                                (static_cast<unsigned char>(bytes[i + 1]) << 8));
    if (unit == u'\n') {
      lines.push_back(CString::FromUtf16(line));
      line.clear();
    } else {
      line.push_back(unit);
    }
  }
  if (!line.empty()) lines.push_back(CString::FromUtf16(line));
  return true;
}

bool PolygonPointTextFromFileLines(const std::vector<CString>& lines, int nZoneLimit, int nTotalLimit,
                                   int nUsedPoints, CString& text) {
  CString result;
  int nPoints = 0;
  for (const CString& line : lines) {
    if (line.IsEmpty()) continue;
    ++nPoints;
    if (nZoneLimit > 0 && nPoints > nZoneLimit) return false;
    if (nTotalLimit != 0 && nUsedPoints + nPoints > nTotalLimit) return false;
    result += line + L"\n";
  }
  text = result;
  return true;
}

}  // namespace brelvano
