// CBrelvanoDlg: the operations on the definition model it owns: the reset before a new definition,
// appending the staged parameter record to its tab's list, releasing the lists and option arrays,
// clearing the device identity and telling special tabs from generic parameter pages.
#include "gui/dlg/brelvanodlg.h"

#include "gui/dlg/bledlg.h"
#include "gui/dlg/geofencedlg.h"
#include "gui/dlg/settingdlg.h"
#include "platform/crt.h"
#include "platform/trace.h"

namespace {

// Copies every field of a sub-group but its assignment entry; the options become a copy of their own.
void CopySubGroup(SUBGROUP_PARAM& to, const SUBGROUP_PARAM& from) {
  to.nId = from.nId;
  to.strHdr = from.strHdr;
  to.strTitle = from.strTitle;
  to.nCtrlType = from.nCtrlType;
  to.nRowId = from.nRowId;
  to.strName = from.strName;
  to.nBase = from.nBase;
  to.nMax = from.nMax;
  to.strValue = from.strValue;
  to.strConfig = from.strConfig;
  to.bReserve = from.bReserve;
  to.strTag = from.strTag;
  to.nMgrpId = from.nMgrpId;
  to.strMgrpTitle = from.strMgrpTitle;
  // Options are copied only from an array that is there; a count without an array gives none.
  if (from.pOptions != nullptr && from.nOptions > 0) {
    to.nOptions = from.nOptions;
    to.pOptions = CopyOptions(from.pOptions, from.nOptions);
  } else {
    if (from.nOptions != 0) TRACE(L"AddParam: sub-group row \"%s\" counts %d options without an array\n", from.strName, from.nOptions);
    to.nOptions = 0;
    to.pOptions = nullptr;
  }
}

BOOL HeaderStartsWith(const CString& hdr, const wchar_t* word) { return hdr.Left(3) == word; }

}  // namespace

void CBrelvanoDlg::ResetDefinitionTabs() {
  m_nReadAllTab = 0;
  // The lists of the previous definition go with it (nothing else owns them); the settings page's
  // controls go with them.
  if (m_pSettingDlg != nullptr && m_pSettingDlg->GetSafeHwnd() != nullptr) m_pSettingDlg->ClearPage();
  DetachPagesFromModel();
  ResetDefinitionModel();
  // ResetDefinitionModel has released the staging record's option arrays and nulled their pointers.
  m_stagingParam.nOptions = 0;

  // Session state that belongs to the definition in use.
  if (m_listLog.GetSafeHwnd() != nullptr) m_listLog.ResetContent();
  m_nLogLines = 0;
  m_nDownloadState = 0;
  m_nReadyRetries = 0;
  if (!m_bOpenedFromFile) m_dFirmwareVersion = 0.0;
}

void CBrelvanoDlg::ResetDefinitionModel() {
  FreeParamLists();
  m_pParamLists = nullptr;
  m_nParseTab = 0;
  m_nTabCount = 0;
  m_nReportTabCount = 0;
  m_nReportParseTab = 0;
  m_nOptionIndex = 0;
  for (TAB_INFO& tab : m_tabInfo) tab.Reset();
}

void CBrelvanoDlg::AddParam() {
  if (m_pParamLists == nullptr) {
    TRACE(L"AddParam: no parameter lists; \"%s\" dropped\n", m_stagingParam.strName);
    return;
  }
  if (m_nParseTab < 1 || m_nParseTab > m_nTabCount || m_nParseTab > kMaxTabs) {
    TRACE(L"AddParam: tab %d outside 1..%d; \"%s\" dropped\n", m_nParseTab, m_nTabCount, m_stagingParam.strName);
    return;
  }
  const PARAM_INFO& s = m_stagingParam;
  const BOOL bPolygon = s.nType == TAB_TYPE_POLYGON;
  if (bPolygon && (m_nSubGroup < 0 || m_nSubGroup > 1)) {
    TRACE(L"AddParam: sub-group %d is neither 0 nor 1; row dropped\n", m_nSubGroup);
    return;
  }

  PARAM_INFO* p = new PARAM_INFO;
  if (!bPolygon) {
    if (s.nOptions != 0 && (s.pOptions == nullptr || s.nOptions < 0))
      TRACE(L"AddParam: \"%s\" counts %d options without an array; kept without options\n", s.strName, s.nOptions);
    CopyParamItem(*p, s);
  } else {
    CopyParamTabFields(*p, s);
    const SUBGROUP_PARAM& group = s.subGroups[m_nSubGroup];
    CopySubGroup(p->subGroups[m_nSubGroup], group);
    if (group.strHdr == L"PLS") {
      if (group.nRowId == 0) {
        CString value = group.strValue;
        value.MakeLower();
        m_bPolygonServiceEnable = value == L"enable" ? TRUE : FALSE;
      } else if (group.nRowId == 1) {
        m_nPolygonServiceValue = _wtoi(group.strValue);
      }
      m_bPolygonServiceSeen = TRUE;
    }
  }
  m_pParamLists[m_nParseTab - 1].AddTail(p);
}

void CBrelvanoDlg::FreeStagingOptions() { FreeParamOptions(m_stagingParam); }

void CBrelvanoDlg::DetachPagesFromModel() {
  // A reply wait for a page of this model ends (a tab read the device restarted under).
  ++m_nModelGeneration;
  if (m_pSettingDlg != nullptr) m_pSettingDlg->ResetPage();
  if (m_pGeofenceDlg != nullptr) m_pGeofenceDlg->m_pParams = nullptr;
  if (m_pBleDlg != nullptr) m_pBleDlg->m_pParamList = nullptr;
  m_pageInfo.pParams = nullptr;
}

void CBrelvanoDlg::FreeParamLists() {
  try {
    if (m_pParamLists != nullptr) {
      // Whoever frees the lists, no page may keep pointing into them.
      DetachPagesFromModel();
      const int count = m_nTabCount < kMaxTabs ? m_nTabCount : kMaxTabs;
      for (int i = 0; i < count; ++i) FreeParamInfoList(m_pParamLists[i]);
      delete[] m_pParamLists;
      m_pParamLists = nullptr;
    }
    FreeParamOptions(m_stagingParam);
  } catch (...) {
    TRACE(L"FreeParamLists: stopped by an exception\n");
  }
}

void CBrelvanoDlg::ResetDeviceInfo() {
  DEVICE_INFO& d = m_deviceInfo;
  d.strModel.Empty();
  d.strBuyer.Empty();
  d.strProtocol.Empty();
  d.strVersion.Empty();
  d.strVerField17.Empty();
  d.strVerField18.Empty();
  d.nVerField5 = d.bVoice = d.bRS232 = d.bCAN = d.bSecurity = d.bLogin = d.bInput4 = 0;
}

BOOL CBrelvanoDlg::IsSpecialTab(int nTab) const {
  if (nTab < 0 || nTab >= kMaxTabs) {
    TRACE(L"IsSpecialTab: tab %d outside the table\n", nTab);
    return FALSE;
  }
  const TAB_INFO& tab = m_tabInfo[nTab];
  if (HeaderStartsWith(tab.strHdr, L"PWD")) return TRUE;
  switch (tab.nType) {
    case 22:
    case 23:
    case TAB_TYPE_GEOFENCE:
    case TAB_TYPE_BLE:
    case TAB_TYPE_POLYGON:
    case TAB_TYPE_PRESET:
    case TAB_TYPE_COMMAND:
    case TAB_TYPE_FILE_DOWNLOAD:
      return TRUE;
    default:
      break;
  }
  for (const wchar_t* word : {L"DIA", L"PRF", L"TAS", L"CCD"}) {
    if (HeaderStartsWith(tab.strHdr, word)) return TRUE;
  }
  return FALSE;
}
