// Tables of cases for polygon zones on the wire: blocks by point count, the write sequence of
// packets, the "PLG" packets with their separators, the numbered deletion line and the fields of
// the device's polygon replies.
#include "gui/dlg/polygonrecords.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "gui/dlg/brelvanodlg.h"

namespace {

using namespace brelvano;

CString PointText(int n) {
  CString text;
  for (int i = 0; i < n; ++i) {
    CString line;
    line.Format(L"%d.000001@%d.000002@", 100 + i, 30 + i);
    if (i > 0) text += L"\n";
    text += line;
  }
  return text;
}

TEST(PolygonRecords, BlocksByPointCount) {
  struct Case {
    int points;
    int blocks;
    int filledInLast;
  } cases[] = {{0, 0, 0}, {1, 1, 1}, {3, 1, 3}, {5, 1, 5}, {6, 2, 1}, {7, 2, 2}, {10, 2, 5}, {12, 3, 2}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.points);
    const auto blocks = PolygonBlocksFromPointText(PointText(c.points), c.points, 4);
    ASSERT_EQ(static_cast<int>(blocks.size()), c.blocks);
    for (int i = 0; i < c.blocks; ++i) {
      EXPECT_EQ(blocks[i].nPolygonIndex, 4);
      EXPECT_EQ(blocks[i].nPacketNo, i + 2);
      EXPECT_EQ(blocks[i].nPacketTotal, c.blocks + 2);
    }
    if (c.blocks == 0) continue;
    const POLYGON_POINT_BLOCK& last = blocks.back();
    for (int p = 0; p < kPointsPerBlock; ++p) {
      EXPECT_EQ(last.point[p].strLng.IsEmpty(), p >= c.filledInLast) << p;
      EXPECT_EQ(last.point[p].strLat.IsEmpty(), p >= c.filledInLast) << p;
    }
    // Point p of the zone is point p mod 5 of block p / 5, longitude first.
    const int p = c.points - 1;
    CString lng, lat;
    lng.Format(L"%d.000001", 100 + p);
    lat.Format(L"%d.000002", 30 + p);
    EXPECT_EQ(blocks[p / 5].point[p % 5].strLng, lng);
    EXPECT_EQ(blocks[p / 5].point[p % 5].strLat, lat);
  }
}

// A count beyond what a zone holds never asks for more than the zone's blocks, and no count overflows.
TEST(PolygonRecords, BlockCountStaysWithinAZone) {
  const struct {
    int points;
    int blocks;
  } cases[] = {{INT_MIN, 0}, {-1, 0}, {299, 60}, {300, 60}, {301, 60}, {99999999, 60}, {INT_MAX, 60}};
  for (const auto& c : cases) EXPECT_EQ(PolygonBlockCount(c.points), c.blocks) << c.points;
  EXPECT_EQ(PolygonBlocksFromPointText(PointText(3), INT_MAX, 1).size(), static_cast<size_t>(kPointBlocksPerZone));
}

TEST(PolygonRecords, BlocksGoBackToTheMapAsFiveLinesEach) {
  const auto blocks = PolygonBlocksFromPointText(L"1.5@2.5@\n3.5@4.5@", 2, 1);
  EXPECT_EQ(PointTextFromPolygonBlocks(blocks.data(), 1), CString(L"1.5@2.5\n3.5@4.5\n@\n@\n@\n"));
}

// Zone 7 with its settings and two further values (an empty one between them).
POLYGON_INFO SampleZone() {
  POLYGON_INFO zone;
  zone.nIndex = 7;
  zone.bActive = 1;
  zone.nRole1 = 1;
  zone.strRole2 = L"a";
  zone.strRole3 = L"b";
  zone.nRole4 = 0;
  zone.strRole5 = L"c";
  zone.strRole6 = L"d";
  zone.strRole7 = L"e";
  zone.nRole8 = 8;
  zone.strRole9 = L"f";
  zone.nRole10 = 10;
  zone.strRole11 = L"g";
  zone.strExtra[0] = L"x0";
  zone.strExtra[2] = L"x2";
  return zone;
}

TEST(PolygonRecords, PacketsWithTheirSeparators) {
  const POLYGON_INFO zone = SampleZone();
  EXPECT_EQ(BuildPolygonSettingsPacket(zone, 1, L";"), CString(L"PLG;1;3;7;1;a;b;0;c;d;e;8;f;10;g;x0;x2"));
  EXPECT_EQ(BuildPolygonSettingsPacket(zone, 2, L",,"),
            CString(L"PLG,,1,,4,,7,,1,,a,,b,,0,,c,,d,,e,,8,,f,,10,,g,,x0,,x2"));
  const auto blocks = PolygonBlocksFromPointText(L"1@2@\n3@4@\n5@6@", 3, 7);
  EXPECT_EQ(BuildPolygonPointPacket(blocks[0], 0, 1), CString(L"PLG;2;3;7;1;2;3;4;5;6;;;;"));
  EXPECT_EQ(BuildPolygonEndPacket(zone, 1), CString(L"PLG;3;3;7;1"));
  EXPECT_EQ(BuildPolygonRequest(L"ErasePolygonGroup", 12), CString(L"PLC;ErasePolygonGroup;12"));
}

// An XML profile holds the same packets without their header word.
TEST(PolygonRecords, XmlProfilePacketsAreTheWritePacketsWithoutTheirHeader) {
  const POLYGON_INFO zone = SampleZone();
  EXPECT_EQ(CBrelvanoDlg::FormatPolygonZone(zone, 3), CString(L"1;3;7;1;a;b;0;c;d;e;8;f;10;g;x0;x2"));
  const auto blocks = PolygonBlocksFromPointText(L"1@2@\n3@4@\n5@6@", 3, 7);
  EXPECT_EQ(CBrelvanoDlg::FormatPolygonGroup(blocks[0], 2, 3), CString(L"2;3;7;1;2;3;4;5;6;;;;"));
  EXPECT_EQ(CBrelvanoDlg::FormatIntTriple(3, zone.nIndex, zone.bActive), CString(L"3;3;7;1"));
}

TEST(PolygonRecords, NumberedDeletionLine) {
  EXPECT_EQ(BuildNumberedPolygonDeleteLine(L"U1", 1, L"0000000000"), CString(L"AT^PRG;U1;53;00#0000000000000000"));
  EXPECT_EQ(BuildNumberedPolygonDeleteLine(L"U1", 12, L""), CString(L"AT^PRG;U1;53;11#000000"));
}

TEST(PolygonRecords, GroupInfoFields) {
  struct Case {
    const wchar_t* line;
    int index, active, points, extras;
    const wchar_t* role11;
  } cases[] = {
      {L"$PVR;PLC;Res;GetPolygonGroupInfo;3;1;0;r2;r3;1;r5;r6;r7;8;r9;10;4;r11\r\n", 3, 1, 4, 0, L"r11"},
      {L"$PVR;PLC;Res;GetPolygonGroupInfo;5;0;1;r2;r3;0;r5;r6;r7;8;r9;10;12;r11;e0;e1", 5, 0, 12, 2, L"r11"},
      {L"$PVR;PLC;Res;GetPolygonGroupInfo;9", 9, 0, 0, 0, L""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(CString(c.line).ToUtf8());
    POLYGON_INFO zone;
    zone.strExtra[5] = L"old";
    ReadPolygonGroupInfo(PolygonSubReply(c.line, L"GetPolygonGroupInfo"), zone);
    EXPECT_EQ(zone.nIndex, c.index);
    EXPECT_EQ(zone.bActive, c.active);
    EXPECT_EQ(zone.nPointCount, c.points);
    EXPECT_EQ(zone.strRole11, CString(c.role11));
    int extras = 0;
    for (const CString& e : zone.strExtra) extras += e.IsEmpty() ? 0 : 1;
    EXPECT_EQ(extras, c.extras);
  }
}

TEST(PolygonRecords, GroupPosIsLongitudeFirst) {
  POLYGON_POINT_BLOCK block;
  ReadPolygonGroupPos(PolygonSubReply(L"$PVR;PLC;Res;GetPolygonGroupPos;2;3;4;126.9;37.5;127.1;37.6", L"GetPolygonGroupPos"), block);
  EXPECT_EQ(block.nPolygonIndex, 2);
  EXPECT_EQ(block.nPacketNo, 3);
  EXPECT_EQ(block.nPacketTotal, 4);
  EXPECT_EQ(block.point[0].strLng, CString(L"126.9"));
  EXPECT_EQ(block.point[0].strLat, CString(L"37.5"));
  EXPECT_EQ(block.point[1].strLat, CString(L"37.6"));
  EXPECT_TRUE(block.point[2].strLng.IsEmpty());
}

TEST(PolygonRecords, ErasedAndNumberedClearedZones) {
  POLYGON_INFO zone;
  zone.nPointCount = 9;
  zone.bHasOutActive = 1;
  zone.strExtra[99] = L"x";
  zone.bUpRole1 = 1;
  ResetErasedPolygonZone(zone, 4);
  EXPECT_EQ(zone.nIndex, 4);
  EXPECT_EQ(zone.nPointCount, 0);
  EXPECT_EQ(zone.bHasOutActive, 0);
  EXPECT_EQ(zone.strRole2, CString(L"0"));
  EXPECT_EQ(zone.strReserved5, CString(L"0"));
  EXPECT_TRUE(zone.strRole11.IsEmpty());
  EXPECT_TRUE(zone.strExtra[99].IsEmpty());
  zone.strExtra[3] = L"y";
  ClearNumberedPolygonZone(zone);
  EXPECT_EQ(zone.bUpRole1, 0);
  EXPECT_TRUE(zone.strExtra[3].IsEmpty());
  EXPECT_EQ(zone.nExtraType[0], 5);
  EXPECT_EQ(zone.nExtraType[99], 5);
}

// The packets a device sees for a zone of n blocks when it acknowledges every packet, in order.
TEST(PolygonRecords, WriteSequenceByPointCount) {
  for (int points : {3, 5, 10, 12}) {
    SCOPED_TRACE(points);
    const int b = PolygonBlockCount(points);
    PolygonWriteChain chain;
    chain.Start(b);
    std::vector<int> sent = {1};
    for (int guard = 0; guard < 100 && chain.IsActive(); ++guard) {
      CString ack;
      ack.Format(L"$PVR;PLG;Res;OK;%d", sent.back());
      switch (chain.OnAcknowledgement(ack, false)) {
        case PolygonWriteChain::SendPointBlock: sent.push_back(chain.BlockToSend() + 2); break;
        case PolygonWriteChain::SendEnd: sent.push_back(b + 2); break;
        case PolygonWriteChain::Complete: break;
        default: FAIL() << "unexpected step";
      }
    }
    std::vector<int> expected;
    for (int k = 1; k <= b + 2; ++k) expected.push_back(k);
    EXPECT_EQ(sent, expected);
    EXPECT_FALSE(chain.IsActive());
  }
}

TEST(PolygonRecords, OnlyTheAcknowledgementOfThePacketSentMovesTheWriteOn) {
  PolygonWriteChain chain;
  chain.Start(2);
  EXPECT_EQ(chain.OnAcknowledgement(L"$PVR;PLG;Res;OK", false), PolygonWriteChain::Ignore);     // too short
  EXPECT_EQ(chain.OnAcknowledgement(L"$PVR;PLG;Res;OK;3", false), PolygonWriteChain::Ignore);   // stray
  EXPECT_EQ(chain.OnAcknowledgement(L"$PVR;PLG;Res;OK;1", false), PolygonWriteChain::SendPointBlock);
  EXPECT_EQ(chain.BlockToSend(), 0);
  EXPECT_EQ(chain.OnAcknowledgement(L"$PVR;PLG;Res;OK;1", false), PolygonWriteChain::Ignore);   // repeated
  EXPECT_EQ(chain.OnAcknowledgement(L"$PVR;PLG;Res;OK;x;2", true), PolygonWriteChain::SendPointBlock);
  EXPECT_EQ(chain.BlockToSend(), 1);
  EXPECT_EQ(chain.OnAcknowledgement(L"$PVR;PLG;Res;OK;3-Error", false), PolygonWriteChain::Failed);
  EXPECT_FALSE(chain.IsActive());
  EXPECT_EQ(chain.OnAcknowledgement(L"$PVR;PLG;Res;OK;3", false), PolygonWriteChain::Ignore);
}

}  // namespace
