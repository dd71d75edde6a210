#include "gui/dlg/polygonrecords.h"

#include "platform/crt.h"

namespace brelvano {

namespace {

using Fields = std::vector<CString>;

// The fields of a text between separators, carriage returns and line feeds dropped; field k
// (from 1) is entry k - 1.
Fields SplitFields(const CString& text, wchar_t sep) {
  Fields fields;
  CString field;
  const int length = text.GetLength();
  for (int i = 0; i < length; ++i) {
    const wchar_t ch = text.GetAt(i);
    if (ch == L'\r' || ch == L'\n') continue;
    if (ch == sep) {
      fields.push_back(field);
      field.Empty();
    } else {
      field += ch;
    }
  }
  fields.push_back(field);
  return fields;
}

CString Field(const Fields& fields, int n) {
  return n >= 1 && n <= static_cast<int>(fields.size()) ? fields[static_cast<size_t>(n - 1)] : CString();
}

int IntField(const Fields& fields, int n) { return _wtoi(Field(fields, n)); }

}  // namespace

int PolygonBlockCount(int nPoints) {
  if (nPoints <= 0) return 0;
  if (nPoints > kMaxPointsPerZone) nPoints = kMaxPointsPerZone;
  return nPoints / kPointsPerBlock + (nPoints % kPointsPerBlock != 0 ? 1 : 0);
}

std::vector<POLYGON_POINT_BLOCK> PolygonBlocksFromPointText(const CString& pointText, int nPoints, int nZone) {
  const int nBlocks = PolygonBlockCount(nPoints);
  std::vector<POLYGON_POINT_BLOCK> blocks(static_cast<size_t>(nBlocks));
  const Fields fields = SplitFields(pointText, L'@');
  for (int i = 0; i < nBlocks; ++i) {
    POLYGON_POINT_BLOCK& block = blocks[static_cast<size_t>(i)];
    block.nPolygonIndex = nZone;
    block.nPacketNo = i + 2;
    block.nPacketTotal = nBlocks + 2;
    for (int p = 0; p < kPointsPerBlock; ++p) {
      if (i * kPointsPerBlock + p >= nPoints) break;
      block.point[p].strLng = Field(fields, 10 * i + 2 * p + 1);
      block.point[p].strLat = Field(fields, 10 * i + 2 * p + 2);
    }
  }
  return blocks;
}

CString PointTextFromPolygonBlocks(const POLYGON_POINT_BLOCK* pBlocks, int nBlocks) {
  CString text;
  for (int i = 0; pBlocks != nullptr && i < nBlocks; ++i)
    for (const auto& point : pBlocks[i].point) text += point.strLng + L"@" + point.strLat + L"\n";
  return text;
}

void ResetErasedPolygonZone(POLYGON_INFO& zone, int n) {
  zone.nIndex = n;
  zone.bActive = zone.nRole1 = zone.nRole4 = zone.nRole8 = zone.nRole10 = 0;
  zone.nPointCount = zone.nOutActive = zone.bHasOutActive = zone.nReserved = 0;
  for (CString* text : {&zone.strRole2, &zone.strRole3, &zone.strRole5, &zone.strRole6, &zone.strRole7,
                        &zone.strRole9, &zone.strReserved5})
    *text = L"0";
  zone.strRole11.Empty();
  for (CString& extra : zone.strExtra) extra.Empty();
}

void ClearNumberedPolygonZone(POLYGON_INFO& zone) {
  zone.nPointCount = zone.bUpRole1 = zone.bUpRole2 = 0;
  for (int i = 0; i < kPolygonExtras; ++i) {
    zone.strExtra[i].Empty();
    zone.nExtraType[i] = 5;
  }
}

CString BuildPolygonSettingsPacket(const POLYGON_INFO& zone, int nBlocks, const CString& d) {
  CString packet;
  packet.Format(L"PLG%s1%s%d%s%d%s%d%s%s%s%s%s%d%s%s%s%s%s%s%s%d%s%s%s%d%s%s", d, d, nBlocks + 2, d,
                zone.nIndex, d, zone.nRole1, d, zone.strRole2, d, zone.strRole3, d, zone.nRole4, d,
                zone.strRole5, d, zone.strRole6, d, zone.strRole7, d, zone.nRole8, d, zone.strRole9, d,
                zone.nRole10, d, zone.strRole11);
  for (const CString& extra : zone.strExtra)
    if (!extra.IsEmpty()) packet += d + extra;
  return packet;
}

CString BuildPolygonPointPacket(const POLYGON_POINT_BLOCK& block, int nBlockIndex, int nBlocks) {
  CString packet;
  packet.Format(L"PLG;%d;%d;%d", nBlockIndex + 2, nBlocks + 2, block.nPolygonIndex);
  for (const auto& point : block.point) packet += L";" + point.strLng + L";" + point.strLat;
  return packet;
}

CString BuildPolygonEndPacket(const POLYGON_INFO& zone, int nBlocks) {
  CString packet;
  packet.Format(L"PLG;%d;%d;%d;%d", nBlocks + 2, nBlocks + 2, zone.nIndex, zone.bActive);
  return packet;
}

CString BuildPolygonRequest(const wchar_t* subCommand, int nZone) {
  CString request;
  request.Format(L"PLC;%s;%d", subCommand, nZone);
  return request;
}

CString BuildNumberedPolygonDeleteLine(const CString& unitId, int nZone, const CString& zeroValues) {
  CString line;
  line.Format(L"AT^PRG;%s;53;%02d#000000%s", unitId, nZone - 1, zeroValues);
  return line;
}

CString PolygonSubReply(const CString& line, const wchar_t* subCommand) {
  const int at = line.Find(subCommand);
  return at < 0 ? CString() : line.Mid(at);
}

void ReadPolygonGroupInfo(const CString& subReply, POLYGON_INFO& zone) {
  const Fields f = SplitFields(subReply, L';');
  zone.nIndex = IntField(f, 2);
  zone.bActive = IntField(f, 3);
  zone.nRole1 = IntField(f, 4);
  zone.strRole2 = Field(f, 5);
  zone.strRole3 = Field(f, 6);
  zone.nRole4 = IntField(f, 7);
  zone.strRole5 = Field(f, 8);
  zone.strRole6 = Field(f, 9);
  zone.strRole7 = Field(f, 10);
  zone.nRole8 = IntField(f, 11);
  zone.strRole9 = Field(f, 12);
  zone.nRole10 = IntField(f, 13);
  zone.nPointCount = IntField(f, 14);
  zone.strRole11 = Field(f, 15);
  for (int i = 0; i < kPolygonExtras; ++i) zone.strExtra[i] = Field(f, i + 16);
}

void ReadPolygonGroupPos(const CString& subReply, POLYGON_POINT_BLOCK& block) {
  const Fields f = SplitFields(subReply, L';');
  block.nPolygonIndex = IntField(f, 2);
  block.nPacketNo = IntField(f, 3);
  block.nPacketTotal = IntField(f, 4);
  for (int p = 0; p < kPointsPerBlock; ++p) {
    block.point[p].strLng = Field(f, 5 + 2 * p);
    block.point[p].strLat = Field(f, 6 + 2 * p);
  }
}

void PolygonWriteChain::Start(int nBlocks) {
  m_bActive = true;
  m_nBlocks = nBlocks;
  m_nNextBlock = 0;
  m_nAwaitedPacket = 1;
  m_nBlockToSend = 0;
}

PolygonWriteChain::Step PolygonWriteChain::OnAcknowledgement(const CString& line, bool bFieldSix) {
  if (!m_bActive) return Ignore;
  if (line.Find(L"-Error") >= 0) {
    Reset();
    return Failed;
  }
  const Fields f = SplitFields(line, L';');
  const int field = bFieldSix ? 6 : 5;
  if (static_cast<int>(f.size()) < field) return Ignore;
  const int acked = IntField(f, field);
  if (acked != m_nAwaitedPacket) return Ignore;
  if (acked == m_nBlocks + 2) {
    Reset();
    return Complete;
  }
  if (m_nNextBlock < m_nBlocks) {
    m_nBlockToSend = m_nNextBlock++;
    m_nAwaitedPacket = m_nBlockToSend + 2;
    return SendPointBlock;
  }
  m_nAwaitedPacket = m_nBlocks + 2;
  return SendEnd;
}

}  // namespace brelvano
