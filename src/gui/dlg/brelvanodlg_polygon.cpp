// The $-command polygon replies of the main window: the zone-by-zone list read, the points of a
// zone, the erase and service answers, and the packet-by-packet "PLG" write of one zone, each packet
// sent when the device has acknowledged the one before; and the commands that clear every zone or
// every circular geofence on the device.
#include "gui/dlg/brelvanodlg.h"
#include "gui/dlg/brelvanodlg_helpers.h"
#include "gui/dlg/polygonrecords.h"
#include "gui/dlg/settingdlg.h"
#include "platform/clock.h"
#include "platform/crt.h"
#include "platform/trace.h"

using brelvano::HasWindow;
using brelvano::PolygonWriteChain;

namespace {
constexpr UINT kPolygonWatchdogMs = 100;
// The pause after a command that clears a whole table on the device.
constexpr DWORD kClearCommandPauseMs = 500;
}  // namespace

void CBrelvanoDlg::SendEraseAllPolygons() {
  QueueCommand(m_bUpProtocol ? CString() : m_defHeader.strS + L"PLC;;02;ErasePolygonGroup;A", 1);
  Sleep(kClearCommandPauseMs);
}

void CBrelvanoDlg::SendInitCircleGeo() {
  QueueCommand(m_bUpProtocol ? CString() : m_defHeader.strS + L"CMD;;02;InitCircleGeo", 1);
  Sleep(kClearCommandPauseMs);
}

void CBrelvanoDlg::RoutePolygonReply(const CString& line) {
  static const wchar_t* const kSubCommands[] = {L"GetPolygonGroupInfo", L"GetPolygonGroupPos", L"ErasePolygonGroup",
                                                L"GetPolygonServiceInfo"};
  for (const wchar_t* sub : kSubCommands) {
    if (line.Find(sub) < 0) continue;
    try {
      if (sub == kSubCommands[0]) ParsePolygonGroupInfoReply(line);
      else if (sub == kSubCommands[1]) ParsePolygonGroupPosReply(line);
      else if (sub == kSubCommands[2]) ParseErasePolygonGroupReply(line);
      else ParsePolygonServiceInfoReply(line);
    } catch (...) {
      TRACE(L"ERROR %s %d\n", CString(__FILE__), __LINE__);
    }
    return;
  }
  TRACE(L"Extra Polygon Command\n");
}

void CBrelvanoDlg::SendPolygonCommand(const CString& body) {
  CString text = body;
  SendMessage(WM_SEND_FRAMED_COMMAND, 0, reinterpret_cast<LPARAM>(&text));
}

void CBrelvanoDlg::ParsePolygonGroupInfoReply(CString line) {
  if (m_bUpProtocol) return;
  if (m_pPolygonTable == nullptr || m_nPolygonReadIndex < 1 || m_nPolygonReadIndex > m_nPolygonMax) {
    TRACE(L"zone list reply outside the zone table (read index %d)\n", m_nPolygonReadIndex);
    return;
  }
  POLYGON_INFO& zone = m_pPolygonTable[m_nPolygonReadIndex - 1];
  brelvano::ReadPolygonGroupInfo(brelvano::PolygonSubReply(line, L"GetPolygonGroupInfo"), zone);
  if (zone.nPointCount < 0 || zone.nPointCount > brelvano::kMaxPointsPerZone) {
    CString refusal;
    refusal.Format(L"Zone %d: the device reports %d points, a zone holds at most %d; its points are not read.",
                   m_nPolygonReadIndex, zone.nPointCount, brelvano::kMaxPointsPerZone);
    AddLogLine(refusal, TRUE);
    zone.nPointCount = 0;
  }
  ++m_nPolygonReadIndex;
  const bool onPolygonTab = m_nCurTab >= 0 && m_nCurTab < kMaxTabs && m_tabInfo[m_nCurTab].nType == TAB_TYPE_POLYGON;
  if (!onPolygonTab && !m_bProfileReading) {
    // The user left the page: the read ends here.
    m_bPolygonListDone = TRUE;
    return;
  }
  if (m_nPolygonReadIndex <= m_nPolygonMax) {
    SendPolygonCommand(brelvano::BuildPolygonRequest(L"GetPolygonGroupInfo", m_nPolygonReadIndex));
    return;
  }
  if (m_bProfileReading) {
    if (m_hPolygonReadEvent != nullptr) SetEvent(m_hPolygonReadEvent);
    return;
  }
  m_bPolygonListDone = TRUE;
  if (HasWindow(m_pSettingDlg)) {
    m_pSettingDlg->SendMessage(WM_POLYGON_LIST_UPDATE, 0, 0);
    m_pSettingDlg->EnablePolygonButtons(TRUE);
  }
  EnableTabControl(TRUE);
}

void CBrelvanoDlg::ParsePolygonGroupPosReply(CString line) {
  const CString sub = brelvano::PolygonSubReply(line, L"GetPolygonGroupPos");
  CSettingDialog* page = HasWindow(m_pSettingDlg) ? m_pSettingDlg : nullptr;
  if (page != nullptr && page->m_pPointBlocks != nullptr) {
    if (page->m_nPointBlocksRead >= page->m_nPointBlockCount) return;
    brelvano::ReadPolygonGroupPos(sub, page->m_pPointBlocks[page->m_nPointBlocksRead]);
    ++page->m_nPointBlocksRead;
    if (page->m_nPointBlocksRead == page->m_nPointBlockCount) {
      if (m_bProfileReading) {
        const int zone = m_nPolygonReadZone;
        if (m_pZonePointBlocks != nullptr && zone >= 1 && zone <= m_nPolygonMax) {
          const int n = page->m_nPointBlockCount < kPointBlocksPerZone ? page->m_nPointBlockCount : kPointBlocksPerZone;
          for (int i = 0; i < n; ++i)
            m_pZonePointBlocks[(zone - 1) * kPointBlocksPerZone + i] = page->m_pPointBlocks[i];
        }
        if (m_hPolygonReadEvent != nullptr) SetEvent(m_hPolygonReadEvent);
      } else {
        page->SendMessage(WM_POLYGON_LIST_UPDATE, 1, 0);
      }
    }
  }
  if (page != nullptr && page->m_bWaitPoints && m_hPolygonReadEvent != nullptr) SetEvent(m_hPolygonReadEvent);
}

void CBrelvanoDlg::ParseErasePolygonGroupReply(CString line) {
  const CString field = GetField(brelvano::PolygonSubReply(line, L"ErasePolygonGroup"), 2, L';');
  if (field.IsEmpty()) return;
  const int n = _wtoi(field);
  if (m_pPolygonTable == nullptr || n < 1 || n > m_nPolygonMax) return;
  brelvano::ResetErasedPolygonZone(m_pPolygonTable[n - 1], n);
}

void CBrelvanoDlg::ParsePolygonServiceInfoReply(CString line) {
  m_bPolygonServiceEnable = _wtoi(GetField(line, 6, L';'));
  m_nPolygonServiceValue = _wtoi(GetField(line, 7, L';'));
  if (m_bProfileReading && m_hPolygonReadEvent != nullptr) SetEvent(m_hPolygonReadEvent);
}

void CBrelvanoDlg::ParsePolygonSettingsReply(CString line) {
  m_bPolygonServiceEnable = _wtoi(GetField(line, 5, L';'));
  m_nPolygonServiceValue = _wtoi(GetField(line, 6, L';'));
}

void CBrelvanoDlg::SendPolygonPointBlock(int nBlock) {
  if (!HasWindow(m_pSettingDlg) || m_pSettingDlg->m_pPointBlocks == nullptr || nBlock < 0 ||
      nBlock >= m_pSettingDlg->m_nPointBlockCount)
    return;
  SendPolygonCommand(brelvano::BuildPolygonPointPacket(m_pSettingDlg->m_pPointBlocks[nBlock], nBlock,
                                                       m_pSettingDlg->m_nPointBlockCount));
}

void CBrelvanoDlg::SendPolygonEndPacket() {
  if (m_pPolygonTable == nullptr || m_nPolygonWriteZone < 1 || m_nPolygonWriteZone > m_nPolygonMax) return;
  SendPolygonCommand(brelvano::BuildPolygonEndPacket(m_pPolygonTable[m_nPolygonWriteZone - 1], m_polygonWrite.BlockCount()));
}

void CBrelvanoDlg::ArmPolygonWriteTimeout() { SetTimer(TIMER_POLYGON_WRITE, kPolygonAckTimeoutMs); }

void CBrelvanoDlg::OnPolygonWriteTimeout() {
  KillTimer(TIMER_POLYGON_WRITE);
  if (!m_polygonWrite.IsActive()) return;
  m_polygonWrite.Reset();
  CString text;
  text.Format(L"Polygon zone %d was not written: the device did not acknowledge it.", m_nPolygonWriteZone);
  AddLogLine(text, TRUE);
  EnableTabControl(TRUE);
}

void CBrelvanoDlg::ParsePolygonWriteReply(CString line) {
  try {
    switch (m_polygonWrite.OnAcknowledgement(line, m_deviceInfo.strBuyer == L"LOMBIQ")) {
      case PolygonWriteChain::SendPointBlock:
        ArmPolygonWriteTimeout();
        SendPolygonPointBlock(m_polygonWrite.BlockToSend());
        break;
      case PolygonWriteChain::SendEnd:
        ArmPolygonWriteTimeout();
        SendPolygonEndPacket();
        break;
      case PolygonWriteChain::Complete:
        KillTimer(TIMER_POLYGON_WRITE);
        if (HasWindow(m_pSettingDlg) && m_pPolygonTable != nullptr && m_nPolygonWriteZone >= 1 &&
            m_nPolygonWriteZone <= m_nPolygonMax)
          m_pSettingDlg->SendMessage(WM_POLYGON_LIST_UPDATE, 2,
                                     reinterpret_cast<LPARAM>(&m_pPolygonTable[m_nPolygonWriteZone - 1]));
        EnableTabControl(TRUE);
        break;
      case PolygonWriteChain::Failed: {
        KillTimer(TIMER_POLYGON_WRITE);
        CString text;
        text.Format(L"Polygon zone %d was not written: the device answered with an error.", m_nPolygonWriteZone);
        AddLogLine(text, TRUE);
        EnableTabControl(TRUE);
        break;
      }
      case PolygonWriteChain::Ignore: break;
    }
  } catch (...) {
    TRACE(L"ERROR %s %d\n", CString(__FILE__), __LINE__);
  }
}

void CBrelvanoDlg::ArmReplyWatchdog() {
  m_nWatchdogTicks = 0;
  SetTimer(TIMER_REPLY_WATCHDOG, kPolygonWatchdogMs);
}
