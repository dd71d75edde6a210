// Polygon point files (".stp"): the zone's point text ("LON@LAT@" lines joined by line feeds, none
// after the last) as UTF-16 little-endian units, without byte-order mark or terminator.
#pragma once

#include <string>
#include <vector>

#include "platform/cstring.h"

namespace brelvano {

// The bytes of a point file holding the text.
std::string PolygonPointFileBytes(const CString& pointText);
// Writes the file whole or not at all. FALSE when it cannot be written.
bool WritePolygonPointFile(const CString& path, const CString& pointText);
// The lines of a point file (split at line feeds, which are dropped; a trailing odd byte is
// ignored). FALSE (no lines) when the file cannot be read.
bool ReadPolygonPointFile(const CString& path, std::vector<CString>& lines);
// The text handed to the map page for the lines of a file: each non-empty line and a line feed.
// FALSE when the lines hold more points than one zone may have (nZoneLimit, 0 = none) or take
// the points of all zones (nUsedPoints held by the others) over nTotalLimit (0 = none).
bool PolygonPointTextFromFileLines(const std::vector<CString>& lines, int nZoneLimit, int nTotalLimit,
                                   int nUsedPoints, CString& text);

}  // namespace brelvano
