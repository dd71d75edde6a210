// Polygon zones as they travel: the point blocks of a zone (five points each), the "PLG" packets
// and "PLC" requests of the "$"-command set, the numbered-parameter deletion line, the fields of
// the device's polygon replies, and the packet-by-packet write of one zone.
#pragma once

#include <vector>

#include "gui/dlg/definitionmodel.h"
#include "platform/cstring.h"

namespace brelvano {

// Most points a zone holds: its kPointBlocksPerZone blocks of five. A larger count from the device
// or a file is refused where it comes in.
constexpr int kMaxPointsPerZone = kPointBlocksPerZone * kPointsPerBlock;

// Blocks a zone of n points needs: ceil(n / 5), 0 for none, at most kPointBlocksPerZone.
int PolygonBlockCount(int nPoints);

// The blocks of a zone from its point text ("LON@LAT@" lines, line feeds ignored): block i holds
// points 5i .. 5i + 4 of the first nPoints, packet number i + 2 and packet count blocks + 2; a point
// beyond the text has empty texts.
std::vector<POLYGON_POINT_BLOCK> PolygonBlocksFromPointText(const CString& pointText, int nPoints, int nZone);

// The point text the map page is given for blocks read from the device: every point of every
// block as "LNG@LAT" and a line feed ("@" alone for an empty point).
CString PointTextFromPolygonBlocks(const POLYGON_POINT_BLOCK* pBlocks, int nBlocks);

// A zone record after the device reported it erased: zone number n, numbers 0, role texts "0",
// role 11 and every extra empty.
void ResetErasedPolygonZone(POLYGON_INFO& zone, int n);
// A zone record after a numbered-parameter deletion: no points, both role flags 0, every extra
// empty and of type 5.
void ClearNumberedPolygonZone(POLYGON_INFO& zone);

// "$"-command packets and requests (command bodies; the main window frames them).
// Settings packet: "PLG" D "1" D blocks+2 D zone D role 1 .. role 11, then D and each non-empty
// extra, in order.
CString BuildPolygonSettingsPacket(const POLYGON_INFO& zone, int nBlocks, const CString& delimiter);
// Point packet of one block: "PLG;packet;blocks+2;zone;lng;lat" for all five points.
CString BuildPolygonPointPacket(const POLYGON_POINT_BLOCK& block, int nBlockIndex, int nBlocks);
// End packet: "PLG;blocks+2;blocks+2;zone;active".
CString BuildPolygonEndPacket(const POLYGON_INFO& zone, int nBlocks);
// "PLC;<sub-command>;<zone>".
CString BuildPolygonRequest(const wchar_t* subCommand, int nZone);

// The numbered-parameter deletion line of zone n ("AT^PRG;<unit>;53;<n-1>#000000" and the zero
// values of the zone record's columns), carriage return not included.
CString BuildNumberedPolygonDeleteLine(const CString& unitId, int nZone, const CString& zeroValues);

// Reply fields. The sub-reply is the line from the sub-command's name on.
CString PolygonSubReply(const CString& line, const wchar_t* subCommand);
// "GetPolygonGroupInfo" sub-reply into a zone record (fields 2..15, extras from field 16).
void ReadPolygonGroupInfo(const CString& subReply, POLYGON_INFO& zone);
// "GetPolygonGroupPos" sub-reply into a block (zone, packet, count, five lng/lat pairs).
void ReadPolygonGroupPos(const CString& subReply, POLYGON_POINT_BLOCK& block);

// The packet-by-packet "PLG" write of one zone: the settings packet, one packet per block, the end
// packet, each sent when the device has acknowledged the one before.
class PolygonWriteChain {
 public:
  enum Step { Ignore, SendPointBlock, SendEnd, Complete, Failed };
  // A new write of a zone with nBlocks blocks; the settings packet (1) is the one being sent.
  void Start(int nBlocks);
  void Reset() { m_bActive = false; m_nNextBlock = 0; }
  bool IsActive() const { return m_bActive; }
  // The acknowledgement line: packet number in field 5 (field 6 when bFieldSix). Only the
  // acknowledgement of the packet last sent moves the write on; a "-Error" acknowledgement ends
  // it. For SendPointBlock, BlockToSend() names the block.
  Step OnAcknowledgement(const CString& line, bool bFieldSix);
  int BlockToSend() const { return m_nBlockToSend; }
  int BlockCount() const { return m_nBlocks; }

 private:
  bool m_bActive = false;
  int m_nBlocks = 0;
  int m_nNextBlock = 0;     // next block to send
  int m_nAwaitedPacket = 0;  // packet number whose acknowledgement moves the write on
  int m_nBlockToSend = 0;
};

}  // namespace brelvano
