// The XML definition loaders of the main window: the header pass (root framing and tabs), the
// parameter pass (items, options, polygon sub-groups and rows), and the two loaders around them
// (the connected device's definition, whole or in numbered sub-files, and a Document-folder file).
#include <cstring>

#include "gui/dlg/bledlg.h"
#include <vector>

#include "gui/dlg/brelvanodlg.h"
#include "gui/dlg/definitionloading.h"
#include "gui/dlg/geofencedlg.h"
#include "gui/dlg/settingdlg.h"
#include "gui/dlg/xmltree.h"
#include "platform/crt.h"
#include "platform/modal.h"
#include "platform/trace.h"

namespace {

using brelvano::DefinitionTextMeasure;

// The loader's name in its traces.
constexpr const wchar_t* kSource = L"Definition";
// Below these depths every level of a definition has a meaning; deeper elements are not visited.
constexpr int kHeaderDepth = 1;
constexpr int kParamDepth = 5;

int ToInt(const CString& text) { return _wtoi(text); }

// "num" and "max" style numbers: 0 when absent or empty.
int IntOrZero(const CString* value) { return value == nullptr || value->IsEmpty() ? 0 : ToInt(*value); }

// A page type as the XML definitions store it.
int XmlPageType(int type) {
  return type == TAB_TYPE_GAP_GROUP || type == TAB_TYPE_FILE_DOWNLOAD ? TAB_TYPE_XML_OWN_PAGE : type;
}

BOOL OptionsCountValid(int nOptions, const CString& strWhat) {
  return brelvano::DefinitionOptionCountValid(nOptions, strWhat, kSource);
}

// How a definition file was read.
enum class DefinitionRead { kWhole, kUnreadable, kBroken };

// Reads a definition file into tree. It is taken only when it parses whole and its first element
// is the definition's root; otherwise strWhy says why not.
DefinitionRead ReadDefinitionFile(CXmlTree& tree, const CString& strPath, CString& strWhy) {
  if (!tree.Load(strPath, TRUE)) {
    strWhy = L"the file cannot be read";
    return DefinitionRead::kUnreadable;
  }
  if (tree.GetError() != nullptr) {
    strWhy = tree.GetError();
    return DefinitionRead::kBroken;
  }
  const XmlIterator first = tree.begin();
  if (first == nullptr) {
    strWhy = L"the file holds no element";
    return DefinitionRead::kBroken;
  }
  if (first.GetName().CompareNoCase(L"brelvano") != 0) {
    strWhy.Format(L"its root element is \"%s\", not \"brelvano\"", first.GetName());
    return DefinitionRead::kBroken;
  }
  return DefinitionRead::kWhole;
}

// A definition file that was not taken: the definition loaded before stays, and the log says why.
void LogRefusedDefinition(CBrelvanoDlg* pDlg, const CString& strPath, const CString& strWhy) {
  TRACE(L"Definition: %s refused: %s\n", strPath, strWhy);
  pDlg->AddLogLine(L"Invalid definition file " + strPath + L": " + strWhy, TRUE);
}

}  // namespace

// ---- Mode and the loaders ----

BOOL CBrelvanoDlg::IsSingleFileDefinition() const {
  if (!m_bAtPrefix) return TRUE;
  if (m_dFirmwareVersion >= 100.0 && m_dFirmwareVersion < 300.0) return TRUE;
  return m_bOpenMode && !m_bNewFirmware;
}

void CBrelvanoDlg::ReplaceLoadedDefinition() {
  if (m_pParamLists == nullptr && m_nTabCount == 0) return;
  // A definition is loaded over an earlier one that was not reset: its pages and lists go first.
  TRACE(L"Definition: the previous definition (%d tabs) is replaced\n", m_nTabCount);
  CreateChildPages(FALSE);
  FreeParamLists();
  m_nTabCount = 0;
  m_nParseTab = 0;
  m_nOptionIndex = 0;
  for (TAB_INFO& tab : m_tabInfo) tab.Reset();
}

void CBrelvanoDlg::AppendFixedTab(int nSlot, int nIndex, UINT nTextId, const wchar_t* pszHdr) {
  if (nSlot < 0 || nSlot >= kMaxTabs) {
    TRACE(L"Definition: no slot %d for the \"%s\" tab\n", nSlot, pszHdr);
    return;
  }
  TAB_INFO& tab = m_tabInfo[nSlot];
  tab.nIndex = nIndex;
  tab.strTitle = m_language.LoadString(nTextId);
  tab.strHdr = pszHdr;
}

void CBrelvanoDlg::RunParamPass(CXmlTree& tree, int nLimit) {
  m_nDefinitionTabLimit = nLimit;
  ParseXmlParams(tree.begin(), 0);
  if (m_stagingParam.pOptions != nullptr || m_stagingParam.subGroups[0].pOptions != nullptr ||
      m_stagingParam.subGroups[1].pOptions != nullptr) {
    TRACE(L"Definition: the last item \"%s\" has fewer options than it declares; it is dropped\n",
          m_stagingParam.strName);
  }
  FreeStagingOptions();
  m_nOptionIndex = 0;
}

void CBrelvanoDlg::LoadXmlDefinition(const CString& strPath, BOOL bSubFile) {
  // The drawing locked by the definition road is released however the load ends.
  struct DrawingUnlock {
    CBrelvanoDlg* pDlg;
    ~DrawingUnlock() { pDlg->UnlockWindowUpdate(); }
  } unlock{this};
  CXmlTree tree;
  CString strWhy;
  if (!bSubFile) {
    // The definition loaded before stays until this one is read whole.
    if (ReadDefinitionFile(tree, strPath, strWhy) == DefinitionRead::kWhole) {
      m_bSubFileMode = FALSE;
      ReplaceLoadedDefinition();
      ParseXmlHeader(tree.begin(), 0);
      const int nDefinitionTabs = m_nTabCount;
      const CString& s = m_defHeader.strS;
      if (!(s == L"VR325" || s.Find(L"VR40") >= 0 || s.Find(L"VR43") >= 0)) {
        AppendFixedTab(m_nTabCount, TAB_TYPE_DIAGNOSIS, brelvano::kTextDiagnosisTab, L"DIA");
        ++m_nTabCount;
      }
      AppendFixedTab(m_nTabCount, TAB_TYPE_PROFILE, brelvano::kTextProfileTab, L"PRF");
      ++m_nTabCount;
      m_pParamLists = new CPtrList[m_nTabCount];
      RunParamPass(tree, nDefinitionTabs);
      m_nCmdTab = 0;
      DisablePortCombo();
      CreateChildPages(TRUE);
      if (m_bUpProtocol) ShowFirstTab();
    } else {
      LogRefusedDefinition(this, strPath, strWhy);
    }
    KillTimer(TIMER_SESSION_WATCHDOG);
    m_bDefinitionPending = FALSE;
    m_bStartPending = FALSE;
    return;
  }

  // One numbered tab sub-file of the download.
  m_bSubFileMode = TRUE;
  if (m_nFileCount < 1 || m_nFileCount > kMaxDefinitionTabs) {
    TRACE(L"Definition: %d announced sub-files (1..%d allowed); the download is dropped\n", m_nFileCount,
          kMaxDefinitionTabs);
    m_bXmlDownload = FALSE;
    KillTimer(TIMER_SESSION_WATCHDOG);
    m_bDefinitionPending = FALSE;
    m_bStartPending = FALSE;
    return;
  }
  const int nFileBefore = m_nCurrentFile;
  if (m_nCurrentFile == 0) {
    // The sub-files the device announced (their numbers on the device, sizes and header words) are
    // of this download, not of the definition replaced: a retry of the first one keeps them.
    std::vector<TAB_INFO> announced(m_tabInfo, m_tabInfo + m_nFileCount);
    ReplaceLoadedDefinition();
    for (int i = 0; i < m_nFileCount; ++i) {
      m_tabInfo[i].nIndex = announced[i].nIndex;
      m_tabInfo[i].nSize = announced[i].nSize;
      m_tabInfo[i].strTitle = announced[i].strTitle;
    }
    if (ReadDefinitionFile(tree, strPath, strWhy) == DefinitionRead::kWhole) {
      ParseXmlHeader(tree.begin(), 0);
      const CString& s = m_defHeader.strS;
      if (!(s == L"VR325" || s.Find(L"VR4") >= 0)) {
        AppendFixedTab(m_nFileCount + m_nTabCount, TAB_TYPE_DIAGNOSIS, brelvano::kTextDiagnosisTab, L"DIA");
        ++m_nTabCount;
      }
      AppendFixedTab(m_nFileCount + m_nTabCount, TAB_TYPE_PROFILE, brelvano::kTextProfileTab, L"PRF");
      m_nTabCount = m_nFileCount + 2;
      m_pParamLists = new CPtrList[m_nTabCount];
      RunParamPass(tree, m_nFileCount);
      m_nCmdTab = 0;
      DisablePortCombo();
      CreateChildPages(TRUE);
    } else {
      LogRefusedDefinition(this, strPath, strWhy);
    }
    KillTimer(TIMER_SESSION_WATCHDOG);
    m_bDefinitionPending = FALSE;
    m_bStartPending = FALSE;
    if (SubFileGaveNoTabTooOften(nFileBefore)) return;
    RequestNextSubFile();
    m_bXmlDownload = TRUE;
    return;
  }

  // A sub-file that is not read whole adds nothing (it is asked for again).
  const BOOL bLoaded = ReadDefinitionFile(tree, strPath, strWhy) == DefinitionRead::kWhole;
  if (bLoaded) {
    ParseXmlHeader(tree.begin(), 0);
  } else {
    LogRefusedDefinition(this, strPath, strWhy);
  }
  if (bLoaded && m_nTabCount != 0 && m_pParamLists != nullptr) {
    RunParamPass(tree, m_nFileCount);
    m_nCmdTab = m_nCurrentFile;
    if (m_nCurrentFile == m_nFileCount) CreateSubFileZonePage();
  }
  if (SubFileGaveNoTabTooOften(nFileBefore)) return;
  RequestNextSubFile();
}

BOOL CBrelvanoDlg::SubFileGaveNoTabTooOften(int nFileBefore) {
  if (m_nCurrentFile != nFileBefore) {
    m_nSubFileRepeats = 0;
    return FALSE;
  }
  // A sub-file that does not load, or has no tab, is asked for again; good packets do not end
  // that loop, so it has the resend limit of a bad packet.
  if (m_nSubFileRepeats < kMaxXmlResends) {
    ++m_nSubFileRepeats;
    TRACE(L"Definition: sub-file %d gave no tab; asked for again (%d)\n", nFileBefore, m_nSubFileRepeats);
    return FALSE;
  }
  m_nSubFileRepeats = 0;
  CString message;
  message.Format(L"Definition download error: sub-file %d gives no tab.", nFileBefore);
  EndDefinitionDownload(message);
  return TRUE;
}

void CBrelvanoDlg::CreateSubFileZonePage() {
  // The first zone tab of the definition gets its page.
  for (int i = 0; i <= m_nFileCount + 1 && i < kMaxTabs; ++i) {
    const int nType = m_tabInfo[i].nType;
    if (nType == TAB_TYPE_GEOFENCE) {
      if (m_pGeofenceDlg != nullptr) m_pGeofenceDlg->ResetPage();
      DeletePage(m_pGeofenceDlg);
      m_pGeofenceDlg = new CGeofenceDialog(this);
      if (!m_pGeofenceDlg->Create(IDD_GEOFENCE_PAGE, this)) TRACE(L"geofence page: no window\n");
      m_pGeofenceDlg->SetDeviceInfo(&m_deviceInfo, &m_defHeader);
      m_pGeofenceDlg->SetPageDefinition(m_geoGroup, &m_pParamLists[i]);
      m_pGeofenceDlg->ShowWindow(SW_HIDE);
      return;
    }
    if (nType == TAB_TYPE_BLE) {
      if (m_pBleDlg != nullptr) m_pBleDlg->ResetPage();
      DeletePage(m_pBleDlg);
      m_pBleDlg = new CBleDialog(this);
      if (!m_pBleDlg->Create(IDD_BLE_PAGE, this)) TRACE(L"BLE page: no window\n");
      m_pBleDlg->SetPageDefinition(m_bleGroup, &m_pParamLists[i]);
      m_pBleDlg->ShowWindow(SW_HIDE);
      return;
    }
  }
}

void CBrelvanoDlg::RequestNextSubFile() {
  m_nPacket = 0;
  m_nXmlSize = m_nCurrentFile >= 0 && m_nCurrentFile < kMaxTabs ? m_tabInfo[m_nCurrentFile].nSize : 0;
  if (m_nXmlSize < 0) m_nXmlSize = 0;
  m_nPacketCount = (m_nXmlSize + 511) / 512;
  const BOOL bMore = m_nCurrentFile != m_nFileCount;
  if (bMore) {
    CString strRequest;
    // The device numbers its files itself (a left-out file keeps the numbers of the others); an
    // entry the start line did not number is asked for by its position.
    int nDeviceFile = m_nCurrentFile;
    if (m_nCurrentFile >= 0 && m_nCurrentFile < kMaxTabs && m_tabInfo[m_nCurrentFile].nIndex >= 0 &&
        m_tabInfo[m_nCurrentFile].nIndex < kMaxTabs)
      nDeviceFile = m_tabInfo[m_nCurrentFile].nIndex;
    strRequest.Format(L"AT^$ReqXmlPk;%d;%d", nDeviceFile, m_nPacket);
    QueueCommand(strRequest + L"\r");
    m_bXmlDownload = TRUE;
    AwaitDeviceStep(strRequest);
  } else {
    // Every tab sub-file is in: nothing more is asked of the device.
    m_bXmlDownload = FALSE;
    m_nCmdTab = 0;
  }
  std::memset(m_xmlBuffer, 0, sizeof(m_xmlBuffer));
  std::memset(m_packetBuffer, 0, sizeof(m_packetBuffer));
  m_nXmlReceived = 0;
  if (m_pSettingDlg != nullptr) {
    m_nProgressPos = static_cast<int>(m_nCurrentFile * m_dProgressStep);
    if (m_pSettingDlg->m_progress.GetSafeHwnd() != nullptr) m_pSettingDlg->m_progress.SetPos(m_nProgressPos);
  }
}

void CBrelvanoDlg::OpenXmlDefinition(const CString& strPath) {
  CXmlTree tree;
  CString strWhy;
  // The definition loaded before stays until this one is read whole.
  const DefinitionRead read = ReadDefinitionFile(tree, strPath, strWhy);
  if (read == DefinitionRead::kUnreadable) {
    CString strMessage;
    strMessage.Format(L"File Name : %s (Xml Open Fail)", strPath);
    AfxMessageBox(strMessage);
    return;
  }
  if (read == DefinitionRead::kBroken) {
    // The road goes on as after a load; the definition stays as it was.
    LogRefusedDefinition(this, strPath, strWhy);
    KillTimer(TIMER_SESSION_WATCHDOG);
    m_bDefinitionPending = FALSE;
    m_bStartPending = FALSE;
    return;
  }
  m_bSubFileMode = FALSE;
  ReplaceLoadedDefinition();
  ParseXmlHeader(tree.begin(), 0);
  const int nDefinitionTabs = m_nTabCount;
  AppendFixedTab(m_nTabCount, TAB_TYPE_DIAGNOSIS, brelvano::kTextDiagnosisTab, L"DIA");
  ++m_nTabCount;
  AppendFixedTab(m_nTabCount, TAB_TYPE_PROFILE, brelvano::kTextProfileTab, L"PRF");
  ++m_nTabCount;
  m_pParamLists = new CPtrList[m_nTabCount];
  RunParamPass(tree, nDefinitionTabs);
  m_nCmdTab = 0;
  DisablePortCombo();
  if (m_bUpProtocol) {
    m_dProgressStep = nDefinitionTabs > 0 ? 100.0 / nDefinitionTabs : 0.0;
    CreateChildPages(TRUE);
    BeginReadAllTabs();
    m_tabPages.EnableWindow(FALSE);
  }
  KillTimer(TIMER_SESSION_WATCHDOG);
  m_bDefinitionPending = FALSE;
  m_bStartPending = FALSE;
}

// ---- Header pass ----

void CBrelvanoDlg::ParseXmlHeader(XmlIterator it, int nDepth) {
  for (; it != nullptr; ++it) {
    if (nDepth == 0) {
      if (it.GetName().CompareNoCase(L"brelvano") != 0) {
        TRACE0(L"Invalid XML file\n");
        return;
      }
      ReadRootAttributes(it);
    } else if (nDepth == 1) {
      ReadTabHeader(it);
    }
    if (it.HasChildren() && nDepth < kHeaderDepth) ParseXmlHeader(it.ChildBegin(), nDepth + 1);
  }
}

void CBrelvanoDlg::ReadRootAttributes(const XmlIterator& it) {
  struct {
    const wchar_t* name;
    CString DEF_HEADER::*field;
    BOOL bLegacyOnly;
  } const kFields[] = {
      {L"S", &DEF_HEADER::strS, FALSE},   {L"I", &DEF_HEADER::strI, TRUE},
      {L"P", &DEF_HEADER::strP, FALSE},   {L"V", &DEF_HEADER::strV, FALSE},
      {L"D", &DEF_HEADER::strD, FALSE},   {L"R", &DEF_HEADER::strR, FALSE},
      {L"cmd", &DEF_HEADER::strCmd, FALSE}, {L"res", &DEF_HEADER::strRes, FALSE},
  };
  for (const auto& f : kFields) {
    if (f.bLegacyOnly && m_bUpProtocol) continue;
    if (const CString* v = it.GetAttribute(f.name)) m_defHeader.*f.field = *v;
  }
  if (!m_bUpProtocol) {
    if (const CString* v = it.GetAttribute(L"lat")) m_deviceInfo.strLat = *v;
    if (const CString* v = it.GetAttribute(L"lng")) m_deviceInfo.strLng = *v;
  }
  const CString* pDMax = it.GetAttribute(L"dmax");
  m_deviceInfo.nDMax = pDMax != nullptr && !m_bUpProtocol ? ToInt(*pDMax) : 100;
  if (g_bFileMode) {
    const CString* pProtocol = it.GetAttribute(L"Protocol");
    if (pProtocol != nullptr && *pProtocol == L"UP") m_bUpProtocol = TRUE;
  }
}

void CBrelvanoDlg::ReadTabHeader(const XmlIterator& it) {
  int& nCounter = m_bSubFileMode ? m_nCurrentFile : m_nTabCount;
  const int nSlotLimit = m_bSubFileMode ? m_nFileCount : kMaxDefinitionTabs;
  const int nSlot = nCounter;
  if (nSlot < 0 || nSlot >= nSlotLimit || nSlot >= kMaxDefinitionTabs) {
    TRACE(L"Definition: tab \"%s\" refused; a definition holds at most %d tabs\n",
          it.GetAttribute(L"title") ? *it.GetAttribute(L"title") : CString(), nSlotLimit);
    return;
  }
  TAB_INFO& tab = m_tabInfo[nSlot];
  tab.nIndex = nSlot;
  if (const CString* v = it.GetAttribute(L"id")) tab.nType = XmlPageType(ToInt(*v));
  const CString* pTabId = it.GetAttribute(L"tab_id");
  tab.nTabId = pTabId ? ToInt(*pTabId) : 0;
  const CString* pMapId = it.GetAttribute(L"map_id");
  tab.strMapId = pMapId ? *pMapId : CString();
  tab.bVisible = TRUE;
  const CString* pType = it.GetAttribute(L"type");
  tab.bAssign = pType != nullptr && *pType == L"assign";
  if (const CString* v = it.GetAttribute(L"title")) tab.strTitle = m_bTranslateNames ? Translate(*v) : *v;

  if (tab.nType == TAB_TYPE_GEOFENCE) {
    if (const CString* v = it.GetAttribute(L"unit")) m_geoGroup.nUnit = ToInt(*v);
    if (const CString* v = it.GetAttribute(L"min")) m_geoGroup.nMin = ToInt(*v);
    const CString* pMax = it.GetAttribute(L"max");
    SetGeofenceCount(pMax ? ToInt(*pMax) : 50);
    m_geoGroup.nMax = g_nGeofenceCount;
    if (const CString* v = it.GetAttribute(L"ord")) m_geoGroup.strOrd = *v;
    m_nGeofenceTab = nSlot;
  } else if (tab.nType == TAB_TYPE_BLE) {
    if (const CString* v = it.GetAttribute(L"min")) m_bleGroup.nMin = ToInt(*v);
    if (const CString* v = it.GetAttribute(L"max")) {
      int nMax = ToInt(*v);
      if (nMax < 0 || nMax > kBleSlots) {
        TRACE(L"Definition: BLE max %d outside 0..%d; kept inside\n", nMax, kBleSlots);
        nMax = nMax < 0 ? 0 : kBleSlots;
      }
      m_bleGroup.nMax = nMax;
    }
    m_nBleTab = nSlot;
  } else if (tab.nType == TAB_TYPE_POLYGON) {
    ReadPolygonLimits(it);
    m_nPolygonTab = nSlot;
  }

  const CString* pHdr = it.GetAttribute(L"hdr");
  tab.strHdr = pHdr ? *pHdr : CString();
  if (m_bSubFileMode && tab.nType == TAB_TYPE_POLYGON) tab.strHdr = L"PLG";
  if (tab.nType == TAB_TYPE_GEOFENCE) m_geoGroup.strHdr = tab.strHdr;
  if (tab.nType == TAB_TYPE_BLE) m_bleGroup.strHdr = tab.strHdr;
  ++nCounter;
}

void CBrelvanoDlg::ReadPolygonLimits(const XmlIterator& it) {
  if (const CString* v = it.GetAttribute(L"unit")) m_nPolygonUnit = ToInt(*v);
  if (const CString* v = it.GetAttribute(L"min")) m_nPolygonMin = ToInt(*v);
  m_nPolygonFirst = m_nPolygonMin;
  m_nPolygonReadIndex = m_nPolygonMin;
  if (const CString* v = it.GetAttribute(L"max")) m_nPolygonMax = ToInt(*v);
  m_nPolygonMax = brelvano::ClampPolygonCount(m_nPolygonMax, kSource);
  if (const CString* v = it.GetAttribute(L"ptmax")) m_nPolygonPointMax = ToInt(*v);
  const CString* pTotal = it.GetAttribute(L"tptmax");
  m_nPolygonTotalPointMax = pTotal ? ToInt(*pTotal) : 0;
  brelvano::ReplacePolygonTables(m_pPolygonTable, m_pZonePointBlocks, m_nPolygonMax);
}

// ---- Parameter pass ----

void CBrelvanoDlg::ParseXmlParams(XmlIterator it, int nDepth) {
  DefinitionTextMeasure measure(this);  // the outermost call measures for the whole pass
  try {
    for (; it != nullptr; ++it) {
      const CString strName = it.GetName();
      BOOL bDescend = TRUE;
      if (nDepth == 1) {
        if (strName != L"grp") return;
        if (m_nParseTab >= m_nDefinitionTabLimit) {
          TRACE(L"Definition: parameters of tab %d refused; the definition has %d tabs\n", m_nParseTab + 1,
                m_nDefinitionTabLimit);
          return;
        }
        ReadParamGroup(it);
      } else if (nDepth == 2 && !m_bPolygonGrp) {
        if (strName != L"item") return;
        bDescend = ReadItem(it);
      } else if (nDepth == 3 && !m_bPolygonGrp) {
        if (strName != L"ele") {
          TRACE0(L"Invalid Tag::Must Be \"ele\"\n");
          return;
        }
        ReadOption(it);
      } else if (nDepth == 2) {
        if (strName != L"subgrp") return;
        bDescend = ReadSubGroup(it);
      } else if (nDepth == 3) {
        if (strName != L"item" && strName != L"sheet" && strName != L"scmd" && strName != L"mgrp") return;
        bDescend = ReadPolygonRow(it, strName);
      } else if (nDepth == 4 && m_bPolygonGrp) {
        const CString& strTag = m_stagingParam.subGroups[m_nSubGroup].strTag;
        if (strTag == L"sheet" && strName != L"column") {
          TRACE0(L"Invalid Tag::Must Be \"column\"\n");
          return;
        }
        if (strTag == L"mgrp" && strName != L"item") {
          TRACE0(L"Invalid Tag::Must Be \"item\"\n");
          return;
        }
        if (strTag == L"mgrp")
          bDescend = ReadGroupRow(it);
        else
          ReadRowOption(it, strTag == L"sheet");
      } else if (nDepth == 5 && m_bPolygonGrp) {
        if (m_stagingParam.subGroups[m_nSubGroup].strTag == L"mgrp") ReadRowOption(it, FALSE);
      }
      if (bDescend && it.HasChildren() && nDepth < kParamDepth) ParseXmlParams(it.ChildBegin(), nDepth + 1);
    }
  } catch (...) {
    AfxMessageBox(L"Xml Read Error");
  }
}

void CBrelvanoDlg::DropUnfinishedItem() {
  PARAM_INFO& s = m_stagingParam;
  if (s.pOptions != nullptr || s.subGroups[0].pOptions != nullptr || s.subGroups[1].pOptions != nullptr) {
    TRACE(L"Definition: \"%s\" has fewer options than it declares; it is dropped\n",
          s.pOptions != nullptr ? s.strName : s.subGroups[m_nSubGroup].strName);
  }
  FreeStagingOptions();
  m_nOptionIndex = 0;
}

void CBrelvanoDlg::ReadParamGroup(const XmlIterator& it) {
  DropUnfinishedItem();
  PARAM_INFO& s = m_stagingParam;
  if (const CString* v = it.GetAttribute(L"id")) s.nType = XmlPageType(ToInt(*v));
  const CString* pTabId = it.GetAttribute(L"tab_id");
  s.nTabId = pTabId ? ToInt(*pTabId) : 0;
  const CString* pMapId = it.GetAttribute(L"map_id");
  s.strMapId = pMapId ? *pMapId : CString();
  s.bVisible = TRUE;
  m_bPolygonGrp = s.nType == TAB_TYPE_POLYGON;
  if (m_bPolygonGrp) {
    s.strHdr = L"PLG";
  } else {
    const CString* pHdr = it.GetAttribute(L"hdr");
    s.strHdr = pHdr ? *pHdr : CString();
    s.bNumType = it.GetAttribute(L"num_type") != nullptr;
    const CString* pType = it.GetAttribute(L"type");
    s.bAssign = pType != nullptr && *pType == L"assign";
  }
  ++m_nParseTab;
}

BOOL CBrelvanoDlg::ReadItem(const XmlIterator& it) {
  DropUnfinishedItem();
  PARAM_INFO& s = m_stagingParam;
  if (const CString* v = it.GetAttribute(L"fid")) s.strName = m_bTranslateNames ? Translate(*v) : *v;
  DefinitionTextMeasure::Widen(m_nLabelWidth, s.strName);
  if (const CString* v = it.GetAttribute(L"type")) {
    const int nCtrl = ControlTypeFromText(*v);
    if (nCtrl >= 0) s.nCtrlType = nCtrl;
  }
  if (const CString* v = it.GetAttribute(L"ID")) s.nId = ToInt(*v);
  // The item's id is the page type of this item and the following ones.
  if (const CString* v = it.GetAttribute(L"id")) s.nType = ToInt(*v);
  s.bReserve = it.GetAttribute(L"reserve") != nullptr;
  s.nOptions = IntOrZero(it.GetAttribute(L"num"));
  s.nMax = IntOrZero(it.GetAttribute(L"max"));
  const CString* pCurr = it.GetAttribute(L"curr");
  s.strValue = pCurr ? (m_bTranslateNames ? Translate(*pCurr) : *pCurr) : CString();
  const CString* pBase = it.GetAttribute(L"base");
  s.nBase = pBase ? ToInt(*pBase) : 0;
  if (!OptionsCountValid(s.nOptions, s.strName)) {
    s.nOptions = 0;
    return FALSE;
  }
  if (s.nOptions != 0) {
    s.pOptions = new PARAM_OPTION[s.nOptions];
  } else {
    AddParam();
    FreeStagingOptions();
  }
  return TRUE;
}

void CBrelvanoDlg::ReadOption(const XmlIterator& it) {
  PARAM_INFO& s = m_stagingParam;
  if (s.pOptions == nullptr || m_nOptionIndex < 0 || m_nOptionIndex >= s.nOptions) {
    TRACE(L"Definition: option \"%s\" of \"%s\" beyond its declared count; refused\n", it.GetText(), s.strName);
    return;
  }
  PARAM_OPTION& o = s.pOptions[m_nOptionIndex];
  const CString* pType = it.GetAttribute(L"type");
  o.bHasType = pType != nullptr;
  o.nType = pType ? ToInt(*pType) : 2;
  const CString* pCmdId = it.GetAttribute(L"CMDID");
  o.strCmdId = pCmdId ? *pCmdId : CString();
  const CString* pMax = it.GetAttribute(L"max");
  o.nMax = pMax ? ToInt(*pMax) : 0;
  const CString* pRid = it.GetAttribute(L"rid");
  o.strRid = pRid ? *pRid : CString();
  const CString strText = it.GetText();
  o.strText = m_bTranslateNames ? Translate(strText) : strText;
  DefinitionTextMeasure::Widen(m_nValueWidth, o.strText);
  o.nValue = m_nOptionIndex + s.nBase;
  if (++m_nOptionIndex >= s.nOptions) {
    AddParam();
    FreeStagingOptions();
    m_nOptionIndex = 0;
  }
}

BOOL CBrelvanoDlg::ReadSubGroup(const XmlIterator& it) {
  DropUnfinishedItem();
  if (const CString* v = it.GetAttribute(L"id")) {
    const int nId = ToInt(*v);
    if (nId != 0 && nId != 1) {
      TRACE(L"Definition: sub-group id %d is neither 0 nor 1; the sub-group is ignored\n", nId);
      return FALSE;
    }
    m_nSubGroup = nId;
    m_stagingParam.subGroups[nId].nId = nId;
  }
  SUBGROUP_PARAM& g = m_stagingParam.subGroups[m_nSubGroup];
  if (const CString* v = it.GetAttribute(L"hdr")) g.strHdr = *v;
  if (const CString* v = it.GetAttribute(L"title")) g.strTitle = *v;
  return TRUE;
}

void CBrelvanoDlg::ReadRowAttributes(const XmlIterator& it) {
  SUBGROUP_PARAM& g = m_stagingParam.subGroups[m_nSubGroup];
  if (const CString* v = it.GetAttribute(L"id")) g.nRowId = ToInt(*v);
  if (const CString* v = it.GetAttribute(L"fid")) g.strName = m_bTranslateNames ? Translate(*v) : *v;
  DefinitionTextMeasure::Widen(m_nLabelWidth, g.strName);
  if (const CString* v = it.GetAttribute(L"type")) {
    if (*v == L"combo")
      g.nCtrlType = CTRL_COMBO;
    else if (*v == L"edit")
      g.nCtrlType = CTRL_EDIT;
    else if (*v == L"any")
      g.nCtrlType = CTRL_ANY;
  }
  g.bReserve = it.GetAttribute(L"reserve") != nullptr;
  g.nOptions = IntOrZero(it.GetAttribute(L"num"));
  const CString* pBase = it.GetAttribute(L"base");
  g.nBase = pBase ? ToInt(*pBase) : 0;
  g.nMax = IntOrZero(it.GetAttribute(L"max"));
  const CString* pCurr = it.GetAttribute(L"curr");
  g.strValue = pCurr ? (m_bTranslateNames ? Translate(*pCurr) : *pCurr) : CString();
}

void CBrelvanoDlg::CompletePolygonRow() {
  AddParam();
  // Every completed row gives its options back, in either sub-group, so that no later element
  // can write into an array of a row that is already stored.
  FreeStagingOptions();
  m_nOptionIndex = 0;
}

BOOL CBrelvanoDlg::ReadPolygonRow(const XmlIterator& it, const CString& strName) {
  SUBGROUP_PARAM& g = m_stagingParam.subGroups[m_nSubGroup];
  if (strName == L"scmd") return TRUE;  // its children are read like those of the previous row
  // The row's declared options: a refused count leaves the row without options and its elements
  // unread (FALSE); otherwise the option array is made, or a row without options is complete.
  auto StartRowOptions = [this, &g](const CString& strWhat) -> BOOL {
    if (!OptionsCountValid(g.nOptions, strWhat)) {
      g.nOptions = 0;
      return FALSE;
    }
    if (g.nOptions != 0)
      g.pOptions = new PARAM_OPTION[g.nOptions];
    else
      CompletePolygonRow();
    return TRUE;
  };
  DropUnfinishedItem();
  if (strName == L"item") {
    g.strTag = L"item";
    ReadRowAttributes(it);
    return StartRowOptions(g.strName);
  }
  if (strName == L"sheet") {
    g.strTag = L"sheet";
    if (const CString* v = it.GetAttribute(L"id")) g.nRowId = ToInt(*v);
    g.nCtrlType = CTRL_SHEET;
    g.nOptions = IntOrZero(it.GetAttribute(L"column"));
    return StartRowOptions(L"sheet");
  }
  // mgrp: a titled group of rows.
  g.strTag = L"mgrp";
  if (const CString* v = it.GetAttribute(L"id")) g.nMgrpId = ToInt(*v);
  g.nCtrlType = CTRL_MGRP;
  if (const CString* v = it.GetAttribute(L"title")) g.strMgrpTitle = m_bTranslateNames ? Translate(*v) : *v;
  if (g.nMgrpId == 1 || g.nMgrpId == 2) SetPolygonGroupTitle(g.nMgrpId, g.strMgrpTitle);
  return TRUE;
}

void CBrelvanoDlg::SetPolygonGroupTitle(int nGroup, const CString& strTitle) {
  if (m_pSettingDlg == nullptr) {
    m_pSettingDlg = new CSettingDialog(this);
    if (!m_pSettingDlg->Create(IDD_SETTING_DIALOG, this)) TRACE(L"settings page: no window\n");
  }
  if (nGroup == 1)
    m_pSettingDlg->m_strDetailTitle = strTitle;
  else
    m_pSettingDlg->m_strMapTitle = strTitle;
}

BOOL CBrelvanoDlg::ReadGroupRow(const XmlIterator& it) {
  DropUnfinishedItem();
  SUBGROUP_PARAM& g = m_stagingParam.subGroups[m_nSubGroup];
  ReadRowAttributes(it);
  if (!OptionsCountValid(g.nOptions, g.strName)) {
    g.nOptions = 0;
    return FALSE;
  }
  if (g.nRowId != 0) {
    if (g.nOptions != 0)
      g.pOptions = new PARAM_OPTION[g.nOptions];
    else
      CompletePolygonRow();
    return TRUE;
  }
  // Row 0 numbers its options itself.
  if (g.nOptions != 0) {
    g.pOptions = new PARAM_OPTION[g.nOptions];
    for (int i = 0; i < g.nOptions; ++i) {
      PARAM_OPTION& o = g.pOptions[i];
      o.bHasType = TRUE;
      o.nMax = 0;
      o.strText.Format(L"%d", i + 1);
      o.nValue = i + g.nBase;
    }
  }
  CompletePolygonRow();
  return FALSE;
}

void CBrelvanoDlg::ReadRowOption(const XmlIterator& it, BOOL bColumn) {
  SUBGROUP_PARAM& g = m_stagingParam.subGroups[m_nSubGroup];
  if (g.pOptions == nullptr || m_nOptionIndex < 0 || m_nOptionIndex >= g.nOptions) {
    TRACE(L"Definition: option \"%s\" of row \"%s\" beyond its declared count; refused\n", it.GetText(), g.strName);
    return;
  }
  PARAM_OPTION& o = g.pOptions[m_nOptionIndex];
  const CString strText = it.GetText();
  if (bColumn) {
    const CString* pId = it.GetAttribute(L"id");
    o.strRid = pId ? *pId : CString();
  } else {
    const CString* pType = it.GetAttribute(L"type");
    o.bHasType = pType != nullptr;
    o.nType = pType ? ToInt(*pType) : 2;
    const CString* pMax = it.GetAttribute(L"max");
    o.nMax = pMax ? ToInt(*pMax) : 0;
    if (const CString* v = it.GetAttribute(L"curr")) g.strValue = m_bTranslateNames ? Translate(*v) : *v;
  }
  o.strText = m_bTranslateNames ? Translate(strText) : strText;
  DefinitionTextMeasure::Widen(m_nValueWidth, o.strText);
  o.nValue = m_nOptionIndex + g.nBase;
  if (++m_nOptionIndex >= g.nOptions) CompletePolygonRow();
}
