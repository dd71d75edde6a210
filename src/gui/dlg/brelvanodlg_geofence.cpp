// CBrelvanoDlg: circular geofences of the $-command set: the parsers of the paged geofence list the
// device sends after "$PVRRGEO" and of its acknowledgement of a written geofence line (the record
// writes are in brelvanodlg_numbered_write.cpp, the table in brelvanodlg_numbered_replies.cpp).
#include "gui/dlg/brelvanodlg.h"
#include "gui/dlg/geofencedlg.h"
#include "platform/crt.h"
#include "platform/trace.h"

void CBrelvanoDlg::ParseGeofenceListRecord(const CString& strLine, GEOFENCE_INFO& rec) {
  TRACE(L"geofence record: %s\n", strLine);
  rec.strExtra.Empty();
  const int fields = CountFields(strLine, L';');
  for (int i = 0; i < fields - 3; ++i) {
    const CString v = GetField(strLine, i + 4, L';');
    switch (i) {
      case 0:
        rec.nId = _wtoi(v);
        break;
      case 1: {
        const int flags = _wtoi(v);
        rec.bUsed = flags & 1;
        rec.bIn = (flags & 2) ? 1 : (flags & 8) ? 2 : (flags & 16) ? 3 : 0;
        rec.bOut = (flags & 4) ? 1 : (flags & 32) ? 2 : (flags & 64) ? 3 : 0;
        break;
      }
      case 2:
        rec.strLatitude = v;
        break;
      case 3:
        // This buyer's devices send western longitudes without their sign.
        rec.strLongitude = (m_deviceInfo.strBuyer == L"HALDIMEK" && _wtof(v) > 0.0) ? L"-" + v : v;
        break;
      case 4:
        rec.strRadius = v;
        break;
      default:
        rec.strExtra += m_defHeader.strD + v;
        break;
    }
  }
}

BOOL CBrelvanoDlg::ParseGeofenceListReply(const CString& strLine) {
  if (m_nTabCount == 0 || m_bUpProtocol || strLine.Find(L"$PVR;GEO") < 0) return FALSE;
  TRACE(L"geofence list: %s\n", strLine);
  const CString keyword = GetField(strLine, 3, FramingSeparator());
  const BOOL bPage = m_pGeofenceDlg != nullptr && m_pGeofenceDlg->GetSafeHwnd() != nullptr;
  if (!g_bFileMode) {
    if (keyword.Find(L"Req") >= 0) {
      GEOFENCE_INFO rec;
      ParseGeofenceListRecord(strLine, rec);
      if (bPage) {
        m_pGeofenceDlg->StoreRecord(rec);
        m_pGeofenceDlg->m_progress.SetPos(m_nGeofenceListCount);
        ++m_nGeofenceListCount;
      }
      StoreGeofenceRecord(rec);
    } else if (keyword.Find(L"NoData") >= 0) {
      m_nGeofenceTotal = 0;
      if (m_hGeofenceReadEvent != nullptr) SetEvent(m_hGeofenceReadEvent);
      KillTimer(TIMER_GEOFENCE_READ);
    }
  }
  BOOL bTaken = FALSE;
  if (keyword.Find(L"Total") >= 0) {
    const int total = _wtoi(GetField(strLine, 4, L';'));
    m_nGeofenceTotal = total;
    if (m_hGeofenceReadEvent != nullptr) SetEvent(m_hGeofenceReadEvent);
    if (bPage) m_pGeofenceDlg->SetReadTotal(total);
    KillTimer(TIMER_GEOFENCE_READ);
    bTaken = TRUE;
  }
  ClearPendingCommand();
  return bTaken;
}

BOOL CBrelvanoDlg::IsCircleGeofenceReply(const CString& strLine) const {
  if (m_bUpProtocol) return FALSE;
  return strLine.Find(L"CGF;Res") >= 0 || (!m_defHeader.strS.IsEmpty() && strLine.Find(m_defHeader.strS + L";RES;CGF") >= 0) ||
         strLine.Find(L"VR735;CGF") >= 0 || strLine.Find(L"VR765;CGF") >= 0;
}

void CBrelvanoDlg::ParseCircleGeofenceReply(const CString& strLine) {
  // Only the answer to a geofence line counts.
  if (m_strCmdHeader.IsEmpty() || m_strCmdHeader != m_geoGroup.strHdr) return;
  CString lower = strLine;
  lower.MakeLower();
  if (lower.Find(L"res") < 0) return;
  if (lower.Find(L"error") >= 0) {
    TRACE(L"ERROR\n");
    return;
  }
  const wchar_t sep = FramingSeparator();
  const CString& body = m_strCmdBody;
  GEOFENCE_INFO rec;
  const BOOL positional = (!m_defHeader.strS.IsEmpty() && strLine.Find(m_defHeader.strS + L";RES;CGF") >= 0) ||
                          m_dFirmwareVersion >= 100.0 || m_bNewFirmware;
  if (positional) {
    const int fields = CountFields(body, L';');
    for (int i = 0; i < fields; ++i) {
      const CString v = GetField(body, i + 1, sep);
      switch (i) {
        case 0: rec.nId = _wtoi(v); break;
        case 1: rec.bUsed = _wtoi(v); break;
        case 2: rec.strLatitude = v; break;
        case 3: rec.strLongitude = v; break;
        case 4: rec.strRadius = v; break;
        case 5: rec.bIn = _wtoi(v); break;
        case 6: rec.bOut = _wtoi(v); break;
        default: rec.strExtra += m_defHeader.strD + v; break;
      }
    }
  } else {
    const CString& order = m_geoGroup.strOrd;
    for (int k = 0; k < order.GetLength(); ++k) {
      const CString v = GetField(body, k + 1, sep);
      switch (order[k]) {
        case L'A': rec.bUsed = _wtoi(v); break;
        case L'D': rec.nId = _wtoi(v); break;
        case L'T': rec.strLatitude = v; break;
        case L'G': rec.strLongitude = v; break;
        case L'R': rec.strRadius = v; break;
        case L'I': rec.bIn = _wtoi(v); break;
        case L'O': rec.bOut = _wtoi(v); break;
        default: break;
      }
    }
    // The further values written after the lettered fields stay the slot's values.
    const int fields = CountFields(body, sep);
    for (int i = order.GetLength(); i < fields; ++i) rec.strExtra += m_defHeader.strD + GetField(body, i + 1, sep);
  }
  StoreGeofenceRecord(rec);
  if (m_pGeofenceDlg != nullptr && m_pGeofenceDlg->GetSafeHwnd() != nullptr)
    m_pGeofenceDlg->SendMessage(WM_GEOFENCE_RECORD, 0, reinterpret_cast<LPARAM>(&rec));
}
