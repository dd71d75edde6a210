// The polygon packets an XML profile holds for a zone: the zone packet with the zone's settings and
// its further values, a point packet with its five slots (longitude first) and the end packet.
#include <gtest/gtest.h>

#include "gui/dlg/brelvanodlg.h"

namespace {

TEST(XmlProfilePacketsTest, AZoneOfTwelvePointsGivesItsFivePackets) {
  POLYGON_INFO zone;
  zone.nIndex = 7;
  zone.bActive = 1;
  zone.nPointCount = 12;
  zone.nRole1 = 1;
  zone.strRole2 = L"A";
  zone.strRole3 = L"B";
  zone.nRole4 = 4;
  zone.strRole5 = L"C";
  zone.strRole6 = L"D";
  zone.strRole7 = L"E";
  zone.nRole8 = 8;
  zone.strRole9 = L"F";
  zone.nRole10 = 10;
  zone.strRole11 = L"G";
  zone.strExtra[0] = L"x";
  zone.strExtra[2] = L"z";  // an empty value between them gives no field
  EXPECT_EQ(CBrelvanoDlg::FormatPolygonZone(zone, 5), CString(L"1;5;7;1;A;B;4;C;D;E;8;F;10;G;x;z"));

  POLYGON_POINT_BLOCK last;  // the third block of twelve points: two filled slots
  last.nPolygonIndex = 7;
  last.point[0].strLat = L"1.5";
  last.point[0].strLng = L"2.5";
  last.point[1].strLat = L"3";
  last.point[1].strLng = L"4";
  EXPECT_EQ(CBrelvanoDlg::FormatPolygonGroup(last, 4, 5), CString(L"4;5;7;2.5;1.5;4;3;;;;;;"));

  EXPECT_EQ(CBrelvanoDlg::FormatIntTriple(5, zone.nIndex, zone.bActive), CString(L"5;5;7;1"));
}

}  // namespace
