// The reply parser of the numbered-parameter set: USP, refusals, read replies (RRE, routed by their
// code to the generic, list, Gap/Group, geofence, BLE and zone/point parsers), acknowledgements
// (RPR with OK: the next line of a write, the write-back of the values, the record shown), the
// identity (ESN_RD), RES and the map defaults (MAP_POS). Element numbers from the device are checked
// against the tables they index: an item outside them is skipped with a trace.
#include <map>
#include <utility>

#include "gui/dlg/bledlg.h"
#include "gui/dlg/brelvanodlg.h"
#include "gui/dlg/brelvanodlg_helpers.h"
#include "gui/dlg/geofencedlg.h"
#include "gui/dlg/settingdlg.h"
#include "gui/dlg/valuecodec.h"
#include "platform/modal.h"
#include "platform/clock.h"
#include "platform/trace.h"

using brelvano::HasWindow;

namespace {
constexpr UINT kWriteNextMs = 100;
constexpr UINT kReplyWatchdogMs = 500;

// One item of a read reply: the element number and the value.
struct Item {
  int nn = 0;
  CString value;
  bool empty = false;
  bool valid = false;
};

// The items of a read reply: each field from the fourth on that holds a '#' is one item, its element
// number before the first '#' and its value after it (a value may hold '#' itself: "*100#").
std::vector<Item> ReplyItems(const CString& line) {
  std::vector<Item> items;
  const int fields = GUI_Base::CountFields(line, L';');
  for (int k = 4; k <= fields; ++k) {
    const CString field = GUI_Base::GetField(line, k, L';');
    const int hash = field.Find(L'#');
    if (hash < 0) continue;
    Item item;
    const CString number = field.Left(hash);
    item.valid = !number.IsEmpty() && IsNumber(number) && number[0] != L'-';
    item.nn = TextToInt(number);
    item.value = field.Mid(hash + 1);
    item.empty = field.Find(L"NoData") >= 0;
    items.push_back(item);
  }
  return items;
}

// The pages a read reply goes to, by its code.
enum class ReplyRoute { Geofence, Ble, Polygon, Record, List, Generic };
ReplyRoute RouteOfCode(int code) {
  if (code == 50 || code == 51 || code == 52 || (code >= 91 && code <= 98)) return ReplyRoute::Geofence;
  if (code == 41) return ReplyRoute::Ble;
  if (code == 53 || (code >= 60 && code <= 89)) return ReplyRoute::Polygon;
  if (code >= 45 && code <= 49) return ReplyRoute::Record;
  if (code == 18 || code == 38 || code == 39) return ReplyRoute::List;
  return ReplyRoute::Generic;
}
}  // namespace

CString CBrelvanoDlg::ReplyWordsOf(const CString& line) {
  // The item values are the device's data (a server name may hold "lock", "not" or "USP"): only
  // the rest of the line is searched for the reply's words.
  CString bare;
  bool inValue = false;
  for (int i = 0; i < line.GetLength(); ++i) {
    const wchar_t c = line[i];
    if (c == L'#') {
      inValue = true;
      continue;
    }
    if (c == L';') inValue = false;
    if (!inValue) bare += CString(c);
  }
  return bare;
}

BOOL CBrelvanoDlg::IsRefusalReply(const CString& line) {
  CString bare = ReplyWordsOf(line);
  bare.MakeUpper();
  for (const wchar_t* word : {L"ERROR", L"ERR", L"LOCK", L"NO MATCH", L"INVALID", L"NOT"}) {
    if (bare.Find(word) >= 0) return TRUE;
  }
  return FALSE;
}

BOOL CBrelvanoDlg::StoreGeofenceRecord(const GEOFENCE_INFO& rec) {
  if (rec.nId < 1 || rec.nId > kGeofenceSlots) return FALSE;
  CopyGeofenceIntoSlot(m_geofenceTable[static_cast<size_t>(rec.nId - 1)], rec, m_bUpProtocol);
  return TRUE;
}

BOOL CBrelvanoDlg::StoreBleRecord(const BLE_INFO& rec) {
  if (rec.nSlot < 1 || rec.nSlot > kBleSlots) return FALSE;
  BLE_INFO& slot = m_bleTable[static_cast<size_t>(rec.nSlot - 1)];
  slot.nSlot = rec.nSlot;
  slot.bActive = rec.bActive;
  slot.strValues = rec.strValues;
  if (m_bUpProtocol) {
    for (int i = 0; i < kFieldFormats; ++i) slot.formats[i] = rec.formats[i];
  }
  return TRUE;
}

void CBrelvanoDlg::ParseNumberedReply(CString line) {
  const BOOL bWalkRunning = m_bWalkActive && !m_bReadAllDone;
  if (ReplyWordsOf(line).Find(L"USP") >= 0) {
    // The device does not support what was asked: the read in progress ends.
    EndNumberedRead();
    m_bMoreLines = FALSE;
    if (!m_deviceInfo.bJsonParam) {
      if (bWalkRunning && m_nTabCount > 0) {
        // The walk moves on at once (or ends, when no tab is left).
        OnReadNextTab();
      }
      if (m_bTextProfileApplying) AfxMessageBox(line, MB_OK);
    }
    for (HANDLE event : {m_hReadDoneEvent, m_hPolygonReadEvent, m_hCommandAckEvent}) {
      if (event != nullptr) SetEvent(event);
    }
    EnableSettingSendButton(TRUE);
  } else if (IsRefusalReply(line)) {
    m_bReplyError = TRUE;
    m_bMoreLines = FALSE;
    m_bListBufferPending = FALSE;
    EndNumberedRead();
    for (HANDLE event : {m_hReadDoneEvent, m_hPolygonReadEvent, m_hCommandAckEvent}) {
      if (event != nullptr) SetEvent(event);
    }
    EnableTabControl(TRUE);
    EnableSettingSendButton(TRUE);
    // A refused read of the walk: the walk goes on with the next tab.
    if (bWalkRunning && m_bWalkRequestOut) StartReadAllTabs();
  } else if (line.Find(L"RRE") >= 0) {
    const int code = TextToInt(GetField(line, 3, L';'));
    const ReplyRoute route = RouteOfCode(code);
    // Only a reply of the code asked for answers the read under way; the device answering keeps a
    // group read going.
    if (code == m_nReqCode && m_nGroupReadTimer != 0) m_nGroupReadAnswerMs = GetTickCount64();
    const int nWalkTab = m_nReadAllTab - 1;
    if (code != m_nReqCode && bWalkRunning && m_bWalkRequestOut && !m_bTextProfileSaving && nWalkTab >= 0 &&
        nWalkTab < kMaxTabs) {
      // Not the answer the walk waits for (a late answer, or one sent unasked): it goes to the pages
      // of its code and the walk stays at its tab. Should no answer follow, the give-up says so.
      m_nWalkStrayCode = code;
      CString text;
      text.Format(L"A read reply of code %02d came while tab %d (%s) was read with code %02d: it is not that tab's answer",
                  code, nWalkTab + 1, m_tabInfo[nWalkTab].strTitle, m_nReqCode);
      AddLogLine(text, TRUE);
    }
    switch (route) {
      case ReplyRoute::Geofence: ParseGeofenceReadReply(line); break;
      case ReplyRoute::Ble: ParseBleReadReply(line); break;
      case ReplyRoute::Polygon: ParsePolygonReadReply(line); break;
      case ReplyRoute::Record: ParseRecordReadReply(line); break;
      case ReplyRoute::List:
        ParseListReadReply(line);  // logs the line itself
        return;
      case ReplyRoute::Generic: ParseGenericReadReply(line); break;
    }
  } else if (line.Find(L"RPR") >= 0 && line.Find(L"OK") >= 0) {
    const BOOL bTabValid = m_nCurTab >= 0 && m_nCurTab < kMaxTabs;
    const int c = bTabValid ? m_tabInfo[m_nCurTab].nTabId : -1;
    if (m_bTextProfileApplying) {
      KillTimer(TIMER_REPLY_WATCHDOG);
      if (m_hReadDoneEvent != nullptr) SetEvent(m_hReadDoneEvent);
      if (m_hCommandAckEvent != nullptr) SetEvent(m_hCommandAckEvent);
    } else if (m_bMoreLines && c != 50 && c != 53) {
      --m_nLinesLeft;
      SetTimer(TIMER_WRITE_NEXT_TAB, kWriteNextMs);
      SetTimer(TIMER_REPLY_WATCHDOG, kReplyWatchdogMs);
    } else if (c == 53) {
      if (m_nPolygonWriteStep == 1) {
        if (HasWindow(m_pSettingDlg)) m_pSettingDlg->SendMessage(WM_POLYGON_LIST_UPDATE, 0, 0);
      } else if (m_nPolygonWriteStep == 2) {
        KillTimer(TIMER_REPLY_WATCHDOG);
        if (m_bMoreLines) {
          --m_nLinesLeft;
          SetTimer(TIMER_WRITE_POINTS, kWriteNextMs);
          SetTimer(TIMER_REPLY_WATCHDOG, kReplyWatchdogMs);
        } else {
          if (m_hPolygonReadEvent != nullptr) SetEvent(m_hPolygonReadEvent);
          EnableTabControl(TRUE);
        }
      }
      m_nPolygonWriteStep = 0;
    } else if (c == 50) {
      // The acknowledged record goes to both tables, once.
      if (HasWindow(m_pGeofenceDlg) && m_pGeofenceDlg->m_pPendingRecord != nullptr) {
        StoreGeofenceRecord(*m_pGeofenceDlg->m_pPendingRecord);
        m_pGeofenceDlg->SendMessage(WM_GEOFENCE_RECORD, 0, reinterpret_cast<LPARAM>(m_pGeofenceDlg->m_pPendingRecord));
        m_pGeofenceDlg->m_pPendingRecord = nullptr;
      }
    } else if (c == 41) {
      if (HasWindow(m_pBleDlg) && m_pBleDlg->m_pPendingRecord != nullptr)
        m_pBleDlg->SendMessage(WM_BLE_RECORD, 0, reinterpret_cast<LPARAM>(m_pBleDlg->m_pPendingRecord));
    } else {
      if (bTabValid && m_tabInfo[m_nCurTab].bAssign == 1 && m_hCommandAckEvent != nullptr) {
        SetEvent(m_hCommandAckEvent);
        KillTimer(TIMER_REPLY_WATCHDOG);
      }
      CopyListBufferToTab();
    }
    EnableTabControl(TRUE);
    if (!m_bMoreLines) EnableSettingSendButton(TRUE);
  } else if (line.Find(L"ESN_RD") >= 0) {
    EndAwaitedStep();
    const CString esn = GetField(line, 2, L';');
    if (esn.IsEmpty()) {
      AfxMessageBox(L"NO ESN", MB_OK);
      if (m_bPortOpen) EndSession();
      return;
    }
    m_defHeader.strI = esn;
    // The identity answered: a map reply that follows only sets the map defaults.
    m_bEsnPending = FALSE;
    OpenMainXml();
  } else if (line.Find(L"RES") >= 0) {
    EnableTabControl(TRUE);
    EnableSettingSendButton(TRUE);
  } else if (line.Find(L"MAP_POS") >= 0) {
    if (CountChar(line, L';') >= 2) {
      m_deviceInfo.strLat = GetField(line, 2, L';');
      m_deviceInfo.strLng = GetField(line, 3, L';');
    }
    if (m_bEsnPending) {
      EndAwaitedStep();
      m_bEsnPending = FALSE;
      OpenMainXml();
    }
  }
  if (GetSafeHwnd() != nullptr && !m_bTextProfileSaving) AddLogLine(line, TRUE);
}

void CBrelvanoDlg::CopyListBufferToTab() {
  // Applied once, to the tab the buffer was filled for, when its write's last line was answered.
  if (!m_bListBufferPending || m_bMoreLines) return;
  m_bListBufferPending = FALSE;
  const int nTab = m_nListBufferTab;
  if (nTab < 0 || nTab >= m_nTabCount || nTab >= kMaxTabs || m_pParamLists == nullptr) return;
  CPtrList& list = m_pParamLists[nTab];
  size_t i = 0;
  for (POSITION pos = list.GetHeadPosition(); pos != nullptr && i < m_listBuffer.size(); ++i) {
    auto* p = static_cast<PARAM_INFO*>(list.GetNext(pos));
    const LIST_BUFFER_ENTRY& e = m_listBuffer[i];
    if (p == nullptr) continue;
    if ((e.nKind >= 0 && e.nKind <= 3) || (e.nKind >= 9 && e.nKind <= 13)) {
      p->strValue = e.strValue;
    } else if (e.nKind == CTRL_ALERT_ID) {
      p->strValue = e.strValue;
      p->strAlertId = e.strValue2;
    }
  }
}

// ---- Read replies ----

void CBrelvanoDlg::ParseGenericReadReply(CString line) {
  const int nTab = m_nReadAllTab - 1;
  const BOOL bWalkRunning = m_bWalkActive && !m_bReadAllDone;
  const std::vector<Item> items = ReplyItems(line);
  const int n = static_cast<int>(items.size());
  const int code = TextToInt(GetField(line, 3, L';'));
  if (m_bTextProfileSaving) {
    if (n < 1) return;
    for (const Item& item : items) {
      if (item.valid && item.nn >= 0 && item.nn < 300) m_profileListValues[item.nn] = item.value;
      else TRACE(L"generic reply: element %d skipped\n", item.nn);
    }
    SendListReadRequest();
    return;
  }
  // Only the walk asks for generic tabs: an answer to no request of it changes nothing.
  if (!bWalkRunning || !m_bWalkRequestOut || nTab < 0 || nTab >= m_nTabCount || nTab >= kMaxTabs ||
      m_pParamLists == nullptr) {
    TRACE(L"generic reply without a tab being read\n");
    return;
  }
  // A reply of another code is not the walked tab's answer (the dispatch has logged it).
  if (code != m_nReqCode) return;
  if (n < 1) {
    // An answer the walk cannot use: one line in the log, and the walk goes on with the next tab.
    CString text;
    text.Format(L"Answer to the read of tab %d not used (no values); the next tab is read", nTab + 1);
    AddLogLine(text, TRUE);
    EndNumberedRead();
    StartReadAllTabs();
    return;
  }
  m_nReqCode = -1;  // answered
  // Each item goes to the parameter of its own element number (of the reply's code).
  CPtrList& list = m_pParamLists[nTab];
  std::map<int, std::pair<PARAM_INFO*, int>> byElement;
  int position = 0;
  for (POSITION pos = list.GetHeadPosition(); pos != nullptr; ++position) {
    auto* p = static_cast<PARAM_INFO*>(list.GetNext(pos));
    if (p != nullptr && p->nTabId == code) byElement.emplace(p->nId, std::make_pair(p, position));
  }
  for (const Item& item : items) {
    const auto found = item.valid ? byElement.find(item.nn) : byElement.end();
    if (found == byElement.end()) {
      TRACE(L"generic reply: code %d element %d matches no parameter of tab %d\n", code, item.nn, nTab);
      continue;
    }
    PARAM_INFO* p = found->second.first;
    if (p->bAssign == 1) {
      // The parameter's bit of the assignment map read before it: bit k is the tab's k-th parameter.
      const int bit = found->second.second;
      int rmapTab = -1;
      for (int t = 0; t < m_nTabCount - 1 && t < kMaxTabs; ++t) {
        if (m_tabInfo[t].strHdr == L"RMAP") {
          rmapTab = t;
          break;
        }
      }
      if (rmapTab > 0) {
        const int mapId = TextToInt(p->strMapId.Mid(2));
        CPtrList& rmap = m_pParamLists[rmapTab];
        for (POSITION q = rmap.GetHeadPosition(); q != nullptr;) {
          const auto* pMap = static_cast<const PARAM_INFO*>(rmap.GetNext(q));
          if (pMap == nullptr || pMap->nId != mapId) continue;
          CString bits = IntToBinaryText(pMap->strValue);
          bits.MakeReverse();
          // A map shorter than the tab reads as 0 for the bits it lacks.
          p->strValue = bit < bits.GetLength() ? CString(bits[bit]) : CString(L"0");
          m_nRmapBit = bit + 1;
          break;
        }
      }
    }
    switch (p->nCtrlType) {
      case CTRL_COMBO:
      case CTRL_EDIT:
      case CTRL_IP:
      case CTRL_CHECK_BOX:
      case CTRL_EDIT_BUTTON:
      case CTRL_EDIT_NUMBER:
        p->strValue = item.value;
        break;
      case CTRL_ALERT_ID:
        p->strValue = item.value.Left(2);
        p->strAlertId = brelvano::AlertNumberFromDevice(item.value.Mid(2), m_deviceInfo.bJsonParam != 0);
        break;
      case CTRL_S_ASSIGN:
      case CTRL_M_ASSIGN:
      case CTRL_L_ASSIGN: {
        const int no = HexTextToLong(item.value);
        p->assign.nNo = no;
        p->assign.bValid = no > 0 ? TRUE : FALSE;
        break;
      }
      default:
        break;
    }
  }
  if (m_bReqMore) {
    --m_nReadAllTab;  // the same tab again, at m_nReqNext
  } else {
    m_nRmapBit = 0;
  }
  StartReadAllTabs();
}

void CBrelvanoDlg::ParseListReadReply(CString line) {
  const std::vector<Item> items = ReplyItems(line);
  if (items.empty()) return;
  const int code = TextToInt(GetField(line, 3, L';'));
  const int base = code == 38 ? 100 : (code == 39 ? 200 : 0);
  if (m_bTextProfileSaving) {
    for (const Item& item : items) {
      if (item.valid && item.nn >= 0 && item.nn < 100) m_profileListValues[base + item.nn] = item.value;
      else TRACE(L"list reply: element %d skipped\n", item.nn);
    }
  } else {
    AddLogLine(line, TRUE);
  }
  if (m_hCommandAckEvent != nullptr) SetEvent(m_hCommandAckEvent);
  // The profile's list read goes on only with the answer of the code it asked for.
  if (m_bTextProfileSaving && code == m_nReqCode) {
    m_nReqCode = -1;
    if (m_bMoreLines) SendListReadRequest();
    else if (m_hReadDoneEvent != nullptr) SetEvent(m_hReadDoneEvent);
  }
}

void CBrelvanoDlg::ParseRecordReadReply(CString line) {
  m_nWatchdogTicks = 0;
  const std::vector<Item> items = ReplyItems(line);
  const BOOL bWalkRunning = m_bWalkActive && !m_bTextProfileSaving && m_bWalkRequestOut;
  if (items.empty()) {
    if (bWalkRunning && TextToInt(GetField(line, 3, L';')) == m_nReqCode) {
      EndNumberedRead();
      StartReadAllTabs();
    }
    return;
  }
  const int code = TextToInt(GetField(line, 3, L';'));
  const int base = (code - 45) * 100;
  // A reply of another code than the line asked for moves no read on.
  const bool bAwaited = code == m_nReqCode;
  if (bAwaited) m_nReqCode = -1;
  if (m_bTextProfileSaving) {
    for (const Item& item : items) {
      if (item.valid && item.nn >= 0 && item.nn < 100 && base >= 0 && base < 500)
        m_profileRecordValues[base + item.nn] = item.value;
      else TRACE(L"record reply: element %d skipped\n", item.nn);
    }
    if (!bAwaited) return;
    if (m_bReqMore) SendRecordReadRequest();
    else if (m_hReadDoneEvent != nullptr) SetEvent(m_hReadDoneEvent);
    return;
  }
  // Within the walk the Gap/Group read goes on like the other record reads.
  if (bWalkRunning && bAwaited) {
    if (m_bReqMore) --m_nReadAllTab;
    StartReadAllTabs();
  }
}

void CBrelvanoDlg::ParseGeofenceReadReply(CString line) {
  const int code = TextToInt(GetField(line, 3, L';'));
  const DefinitionView def = NumberedDefinition();
  for (const Item& item : ReplyItems(line)) {
    if (item.empty) continue;
    GEOFENCE_INFO rec;
    if (!item.valid || !DecodeGeofenceItem(def, code, item.nn, item.value, rec)) {
      TRACE(L"geofence reply: code %d element %d skipped\n", code, item.nn);
      continue;
    }
    if (HasWindow(m_pGeofenceDlg)) m_pGeofenceDlg->StoreRecord(rec);
    StoreGeofenceRecord(rec);
    m_nGeofenceTotal = 0;
  }
  // Records of a reply nobody asked for (or of another read) are kept; it moves no read on.
  if (code != m_nReqCode) return;
  m_nReqCode = -1;
  if (m_deviceInfo.bJsonParam || m_bReadAllDone || !m_bWalkActive) {
    if (m_bReqMore) {
      SendReadRequest(m_nGeofenceTab);
    } else {
      EndGroupRead();
      if (m_hGeofenceReadEvent != nullptr) SetEvent(m_hGeofenceReadEvent);
      if (m_hReadDoneEvent != nullptr) SetEvent(m_hReadDoneEvent);
    }
    return;
  }
  // Within the walk (a late answer to a request the walk gave up on goes no further).
  if (!m_bWalkRequestOut) return;
  if (m_bReqMore) {
    --m_nReadAllTab;
  } else if (m_hGeofenceReadEvent != nullptr) {
    SetEvent(m_hGeofenceReadEvent);
  }
  StartReadAllTabs();
}

void CBrelvanoDlg::ParseBleReadReply(CString line) {
  const DefinitionView def = NumberedDefinition();
  for (const Item& item : ReplyItems(line)) {
    if (item.empty) continue;
    BLE_INFO rec;
    if (!item.valid || item.nn > 99 || !DecodeBleItem(def, item.nn, item.value, rec)) {
      TRACE(L"BLE reply: element %d skipped\n", item.nn);
      continue;
    }
    if (HasWindow(m_pBleDlg)) m_pBleDlg->StoreRecord(rec);
    StoreBleRecord(rec);
  }
  if (TextToInt(GetField(line, 3, L';')) != m_nReqCode) return;
  m_nReqCode = -1;
  if (m_deviceInfo.bJsonParam || m_bReadAllDone || !m_bWalkActive) {
    if (m_bReqMore) {
      SendReadRequest(m_nBleTab);
    } else {
      EndGroupRead();
      if (m_hBleReadEvent != nullptr) SetEvent(m_hBleReadEvent);
      if (m_hReadDoneEvent != nullptr) SetEvent(m_hReadDoneEvent);
    }
    return;
  }
  if (!m_bWalkRequestOut) return;
  if (m_bReqMore) {
    --m_nReadAllTab;
  } else if (m_hBleReadEvent != nullptr) {
    SetEvent(m_hBleReadEvent);
  }
  StartReadAllTabs();
}

void CBrelvanoDlg::ParsePolygonReadReply(CString line) {
  const int code = TextToInt(GetField(line, 3, L';'));
  const DefinitionView def = NumberedDefinition();
  const bool points = code >= 60 && code <= 89;
  const BOOL bPointBlocks = HasWindow(m_pSettingDlg) && m_pSettingDlg->m_pPointBlocks != nullptr;
  for (const Item& item : ReplyItems(line)) {
    if (item.empty) continue;
    if (!item.valid || item.nn < 0 || item.nn > 99) {
      TRACE(L"zone reply: element %d skipped\n", item.nn);
      continue;
    }
    if (!points) {
      if (m_pPolygonTable == nullptr || item.nn >= m_nPolygonMax) {
        TRACE(L"zone reply: zone %d outside the zone table\n", item.nn + 1);
        continue;
      }
      DecodeZoneItem(def, item.nn, item.value, m_pPolygonTable[item.nn]);
      if (m_pSettingDlg != nullptr) m_pSettingDlg->m_bKeepPolygonList = TRUE;
      continue;
    }
    CString lat;
    CString lng;
    DecodePointValue(item.value, lat, lng);
    if (m_bTextProfileSaving) {
      const int zone = code - 60;
      if (m_pPolygonPointLists != nullptr && zone >= 0 && zone < kPointListZones) {
        m_pPolygonPointLists[zone].strLat[item.nn] = lat;
        m_pPolygonPointLists[zone].strLng[item.nn] = lng;
      }
    } else if (bPointBlocks) {
      const int block = item.nn / kPointsPerBlock;
      if (block >= m_pSettingDlg->m_nPointBlockCount) {
        TRACE(L"point reply: point %d outside the point blocks\n", item.nn);
        continue;
      }
      POLYGON_POINT_BLOCK& b = m_pSettingDlg->m_pPointBlocks[block];
      b.nPolygonIndex = item.nn + 1;
      b.point[item.nn % kPointsPerBlock].strLat = lat;
      b.point[item.nn % kPointsPerBlock].strLng = lng;
    }
  }
  if (code != m_nReqCode) return;
  m_nReqCode = -1;
  if (points) {
    if (m_bTextProfileSaving) {
      if (m_hReadDoneEvent != nullptr) SetEvent(m_hReadDoneEvent);
    } else if (bPointBlocks) {
      if (m_bReqMore) {
        // The next points of the zone being edited (not of another selected row).
        const int zone = m_pSettingDlg->m_nEditZone;
        if (zone >= 1 && zone <= m_nPolygonMax && m_pPolygonTable != nullptr) {
          SendPolygonPointsReadRequest(zone, m_pPolygonTable[zone - 1].nPointCount);
        } else {
          TRACE(L"point reply: no zone being edited, the read ends\n");
          EndNumberedRead();
        }
      } else {
        m_pSettingDlg->SendMessage(WM_POLYGON_LIST_UPDATE, 1, 0);
      }
    }
    return;
  }
  if (m_deviceInfo.bJsonParam || m_bReadAllDone || !m_bWalkActive) {
    if (m_bReqMore) {
      SendReadRequest(m_nPolygonTab);
    } else {
      EndGroupRead();
      if (m_hReadDoneEvent != nullptr) SetEvent(m_hReadDoneEvent);
      if (m_hPolygonReadEvent != nullptr) SetEvent(m_hPolygonReadEvent);
    }
    return;
  }
  if (!m_bWalkRequestOut) return;
  if (m_bReqMore) --m_nReadAllTab;
  StartReadAllTabs();
}
