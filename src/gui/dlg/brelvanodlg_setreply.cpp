// The ";Res" reply parser of the $-command set: the answer to a framed command (the definition's
// header token, the command's header word, then "Res") is logged, routed to the polygon, geofence
// and driver-identifier parsers, or, for a settings tab, the values that were sent become the
// tab's values (ApplyValuesToTab).
#include "gui/dlg/brelvanodlg.h"
#include "gui/dlg/brelvanodlg_helpers.h"
#include "gui/dlg/geofencedlg.h"
#include "gui/dlg/settingdlg.h"
#include "platform/trace.h"

using brelvano::HasWindow;

namespace {
// Language texts of the combos whose values travel as letters.
constexpr UINT kTextAuthentication = 1129;
constexpr UINT kTextServerType = 1229;
constexpr UINT kTextBackupServerType = 1230;
constexpr int kAuthenticationLetterValue = 2;
constexpr const wchar_t kNumericServerTypeModel[] = L"VR325";

bool ContainsText(const CString& text, const CString& part) { return !part.IsEmpty() && text.Find(part) >= 0; }
}  // namespace

void CBrelvanoDlg::ClearPendingCommand() {
  m_strLastCommand.Empty();
  m_strCmdHeader.Empty();
  m_strCmdBody.Empty();
}

BOOL CBrelvanoDlg::ParseInitCircleGeoReply(const CString& line) {
  const wchar_t sep = FramingSeparator();
  BOOL bToken = FALSE;
  const int fields = CountFields(line, sep);
  for (int i = 1; i <= fields && !bToken; ++i) {
    if (!m_defHeader.strR.IsEmpty() && GetField(line, i, sep) == m_defHeader.strR) bToken = TRUE;
  }
  if (!bToken) return FALSE;
  if (GetField(line, 5, sep).Find(L"InitCircleGeo") >= 0 && HasWindow(m_pGeofenceDlg)) m_pGeofenceDlg->ResetRecords();
  return TRUE;
}

BOOL CBrelvanoDlg::ParseSetReply(const CString& line) {
  if (m_strLastCommand.IsEmpty() || m_bUpProtocol) return FALSE;
  if (line.Find(L"$PVRRGEO\r") >= 0) return FALSE;
  CString header = m_strCmdHeader;
  CString lowerHeader = m_strCmdHeader;
  lowerHeader.MakeLower();
  if (line.Find(header) < 0 && line.Find(lowerHeader) < 0) {
    // An answer to no pending command.
    if (IsAcknowledgement(line)) {
      AddLogLine(line, TRUE);
      ClearPendingCommand();
    }
    return FALSE;
  }
  if (m_nCmdTab < 0 || m_nCmdTab >= kMaxTabs) return FALSE;
  const CString& s = m_defHeader.strS;
  if ((m_tabInfo[m_nCmdTab].nType == TAB_TYPE_POLYGON || m_bProfileReading) && line.Find(s + L"PLG;Res") >= 0) {
    // A zone write's acknowledgement, refusals included: they end the write.
    AddLogLine(line, TRUE);
    ParsePolygonWriteReply(line);
    return TRUE;
  }
  CString lower = line;
  lower.MakeLower();
  const bool polygonTab = m_tabInfo[m_nCmdTab].nType == TAB_TYPE_POLYGON;
  if (!polygonTab && m_bProfileReading && line.Find(s + L"PLC;Res") >= 0 && lower.Find(L"err") >= 0) {
    // A zone the device cannot give during a profile read: the read waits no longer for it. The
    // line is logged as a failure.
    if (m_hPolygonReadEvent != nullptr) SetEvent(m_hPolygonReadEvent);
    return FALSE;
  }
  for (const wchar_t* word : {L"error", L"invalid", L"no match field count", L"err", L"lock"}) {
    if (lower.Find(word) >= 0) return FALSE;
  }
  const CString upper = SafeMakeUpper(line);
  const bool geofenceLine = upper.Find(L"CGF") >= 0;
  if (!(upper.Find(L"$PVR") >= 0 && geofenceLine) && !m_bProfileReading && !(geofenceLine && m_bProfilePage))
    AddLogLine(line, TRUE);

  if (m_bPlsReplyPending && line.Find(s + L"PLS;Res") >= 0) {
    ParsePolygonSettingsReply(line);
    m_bPlsReplyPending = FALSE;
  }

  const bool driverIdLine = m_tabInfo[m_nCmdTab].nType != TAB_TYPE_POLYGON && line.Find(L"HGD;Res") >= 0;
  if (driverIdLine && (m_bProfileReading || m_bSavingXmlProfile)) {
    // The older driver-identifier list: its lines continue each other until the list is complete.
    if (line.Find(L"NoData") >= 0) {
      if (m_hDriverIdReadEvent != nullptr) SetEvent(m_hDriverIdReadEvent);
    } else if (!m_bSavingXmlProfile) {
      TRACE(L"driver identifier reply outside a profile save: %s\n", line);
    } else if (AssembleContinuedReply(line)) {
      m_nDriverIdCount = 0;
      if (m_hDriverIdReadEvent != nullptr) SetEvent(m_hDriverIdReadEvent);
    }
    return TRUE;
  }
  if (m_tabInfo[m_nCmdTab].nType == TAB_TYPE_POLYGON || m_bProfileReading) {
    if (line.Find(s + L"PLC;Res") >= 0) {
      RoutePolygonReply(line);
    } else if (line.Find(s + L"PLS;Res") >= 0) {
      if (m_tabInfo[m_nCmdTab].nType != TAB_TYPE_POLYGON && line.Find(L"-Error") >= 0) return FALSE;
    } else {
      m_bPolygonListDone = TRUE;
    }
    return TRUE;
  }

  m_bPolygonListDone = TRUE;
  if (line.Find(L"$SetUID") >= 0) m_defHeader.strI = GetField(line, 3, FramingSeparator());
  if (IsCircleGeofenceReply(line)) {
    ParseCircleGeofenceReply(line);
  } else if (line.Find(s + m_strCmdHeader + L";Res") >= 0) {
    ApplyValuesToTab(m_strCmdBody, m_nCmdTab);
  }
  if (line.Find(s + L"APS;Res") >= 0 && HasWindow(m_pSettingDlg)) {
    // The acknowledged preset replaces the entry of its slot (appended after the last one).
    const int slot = TextToInt(GetField(m_strCmdBody, 1, L';'));
    const int at = line.Find(L"Res;");
    if (slot >= 1 && at >= 0) {
      const CString text = GetFieldsFrom(line.Mid(at + 4), 3, L';');
      CStringArray& presets = m_pSettingDlg->m_arrPresets;
      if (slot - 1 < presets.GetSize()) presets.SetAt(slot - 1, text);
      else if (slot - 1 == presets.GetSize()) presets.Add(text);
    }
  }
  if (ParseInitCircleGeoReply(line)) ClearPendingCommand();
  return TRUE;
}

void CBrelvanoDlg::ApplyValuesToTab(const CString& values, int nTab) {
  if (nTab < 0 || nTab >= m_nTabCount || nTab >= kMaxTabs || m_pParamLists == nullptr) return;
  const wchar_t sep = FramingSeparator();
  const int fields = values.IsEmpty() ? 0 : CountFields(values, sep);
  auto named = [this](UINT id) {
    const CString text = m_language.LoadString(id);
    return text == kLanguageErrorText ? CString() : text;
  };
  const CString authentication = named(kTextAuthentication);
  const CString serverType = named(kTextServerType);
  const CString backupServerType = named(kTextBackupServerType);
  int idx = -1;
  int i = 0;
  for (POSITION pos = m_pParamLists[nTab].GetHeadPosition(); pos != nullptr; ++i) {
    auto* p = static_cast<PARAM_INFO*>(m_pParamLists[nTab].GetNext(pos));
    // Nothing was sent for a parameter beyond the body's fields: it keeps its value.
    if (p == nullptr || i >= fields) continue;
    const CString v = GetField(values, i + 1, sep);
    switch (p->nCtrlType) {
      case CTRL_COMBO: {
        const CString name = Translate(p->strName);
        if (ContainsText(name, authentication)) {
          idx = v == L"A" ? kAuthenticationLetterValue : TextToInt(v);
        } else if ((ContainsText(name, serverType) || ContainsText(name, backupServerType)) &&
                   m_defHeader.strS != kNumericServerTypeModel) {
          if (v == L"T") idx = 0;
          else if (v == L"U") idx = 1;
          else idx = TextToInt(v);
        } else {
          idx = TextToInt(v);
        }
        if (idx < 0) idx = 0;
        if (m_strCmdHeader == m_geoGroup.strHdr || m_strCmdHeader == m_bleGroup.strHdr) break;
        for (int o = 0; o < p->nOptions && p->pOptions != nullptr; ++o) {
          if (p->pOptions[o].nValue == idx) p->strValue = p->pOptions[o].strText;
        }
        break;
      }
      case CTRL_EDIT:
      case CTRL_PASSWD:
      case CTRL_IP:
      case CTRL_EDIT_NUMBER:
        p->strValue = v;
        break;
      default:
        break;
    }
  }
}
