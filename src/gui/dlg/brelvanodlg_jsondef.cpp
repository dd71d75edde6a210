// The JSON definition loader of the main window: the file is parsed into the element tree of
// CJsonTree, then the header pass fills the definition header and the tab table, and the parameter
// pass fills one parameter list per tab (items with their option lists, polygon sub-groups with
// sheets, row groups and rows). Only the "brelvano" member of the document is read; every tab
// carries its attributes in exactly one "info" element.
#include <memory>

#include "gui/dlg/brelvanodlg.h"
#include "gui/dlg/definitionloading.h"
#include "gui/dlg/jsontree.h"
#include "platform/crt.h"
#include "platform/files.h"
#include "platform/modal.h"
#include "platform/trace.h"

namespace {

using brelvano::DefinitionTextMeasure;

// The loader's name in its traces.
constexpr const wchar_t* kSource = L"JSON definition";
// The deepest level of a definition that has a meaning; deeper elements are not visited.
constexpr int kDeepestLevel = 5;
// The page type whose items hold rows of their own.
constexpr int kTabTypeItemRows = 30;
// The Diagnosis and Profile tabs always find their slots after the definition's own tabs.
static_assert(kMaxDefinitionTabs + 2 <= kMaxTabs, "no slots for the appended tabs");

// Kinds of option lists.
enum { kItemList, kAssignList, kRowList, kSheetList };

int ToInt(const CString& text) { return _wtoi(text); }
int IntOrZero(const CString& text) { return text.IsEmpty() ? 0 : ToInt(text); }

BOOL OptionsCountValid(int nOptions, const CString& strWhat) {
  return brelvano::DefinitionOptionCountValid(nOptions, strWhat, kSource);
}

// The element the definition is read from: the first top-level element named "brelvano" (in any
// letter case), else the first top-level element (whose wrong name the parameter pass reports).
XmlElement* DefinitionElement(const JsonIterator& level) {
  XmlElement* pFirst = nullptr;
  for (JsonIterator it(level.Parent() != nullptr ? level.Parent()->child : nullptr, level.Parent()); it != nullptr;
       ++it) {
    if (pFirst == nullptr) pFirst = it.Node();
    if (it.GetName().CompareNoCase(L"brelvano") == 0) return it.Node();
  }
  return pFirst;
}

// A tab's "info" element when it has exactly one; the number found in nCount.
JsonIterator TabInfo(const JsonIterator& tab, int& nCount) {
  nCount = 0;
  JsonIterator found;
  for (JsonIterator it = tab.ChildBegin(); it != nullptr; ++it) {
    if (it.GetName() != L"info") continue;
    if (nCount++ == 0) found = it;
  }
  return nCount == 1 ? found : JsonIterator();
}

BOOL IsLeftOut(const JsonIterator& info) { return info.GetAttribute(L"visible") == L"0"; }

}  // namespace

// ---- The loader ----

void CBrelvanoDlg::LoadJsonDefinition(const CString& strPath) {
  try {
    if (platform::FileSize(strPath) < 0) {
      TRACE(L"JSON definition: %s cannot be opened\n", strPath);
      return;
    }
    CJsonTree tree;
    CString strError;
    if (!tree.LoadFile(strPath, &strError)) {
      TRACE(L"JSON definition %s refused: %s\n", strPath, strError);
      AfxMessageBox(L"Failed to Parse Json", MB_OK);
      return;
    }
    if (tree.Root().attr != nullptr) TRACE0(L"JSON definition: top-level values beside the definition are not read\n");

    DefinitionTextMeasure measure(this);
    ReplaceLoadedDefinition();
    m_nParseTab = 0;
    m_nOptionIndex = 0;
    ParseJsonHeader(tree.begin(), 0);
    const int nDefinitionTabs = m_nTabCount;
    // The Diagnosis and Profile tabs follow, each from a slot in its reset state.
    m_tabInfo[m_nTabCount].Reset();
    AppendFixedTab(m_nTabCount, TAB_TYPE_DIAGNOSIS, brelvano::kTextDiagnosisTab, L"DIA");
    ++m_nTabCount;
    m_tabInfo[m_nTabCount].Reset();
    AppendFixedTab(m_nTabCount, TAB_TYPE_PROFILE, brelvano::kTextProfileTab, L"PRF");
    ++m_nTabCount;
    if (g_bFileMode) {
      m_strAssignCsvPath.Format(L"%s%s_%s_%s.csv", m_strDocumentDir, L"ASSIGN_HEADER_TABLE_FOR_BRELVANO",
                                SafeFileNamePart(m_defHeader.strS), SafeFileNamePart(m_defHeader.strV));
    }
    m_pParamLists = new CPtrList[m_nTabCount];

    m_nDefinitionTabLimit = nDefinitionTabs;
    m_bPolygonGrp = FALSE;
    ParseJsonParams(tree.begin(), 0);
    if (m_stagingParam.pOptions != nullptr || m_stagingParam.subGroups[0].pOptions != nullptr ||
        m_stagingParam.subGroups[1].pOptions != nullptr) {
      TRACE(L"JSON definition: the last parameter has fewer options than it declares; it is dropped\n");
    }
    FreeStagingOptions();
    m_nOptionIndex = 0;

    m_nCurTab = 0;
    DisablePortCombo();
    if (!CreateChildPages(TRUE)) {
      // The session ended under the pages' creation: the window is given back as it stands.
      UnlockWindowUpdate();
      return;
    }
    if (m_bUpProtocol) ShowFirstTab();
    m_nDownloadState = 2;
    UnlockWindowUpdate();
    KillTimer(TIMER_SESSION_WATCHDOG);
    m_bDefinitionPending = FALSE;
    m_bStartPending = FALSE;
  } catch (...) {
    TRACE0(L"ERROR\n");
  }
}

// ---- Header pass ----

void CBrelvanoDlg::ParseJsonHeader(JsonIterator it, int nDepth) {
  if (nDepth == 0) {
    XmlElement* pDefinition = DefinitionElement(it);
    for (; it != nullptr; ++it) {
      if (it.Node() != pDefinition) {
        TRACE(L"JSON definition: the top-level member \"%s\" is refused\n", it.GetName());
        continue;
      }
      m_nCurrentFile = 0;
      m_nTabCount = 0;
      if (it.HasChildren()) ParseJsonHeader(it.ChildBegin(), 1);
    }
    return;
  }
  if (nDepth != 1) return;
  for (; it != nullptr; ++it) {
    if (it.GetName() == L"info") {
      ReadJsonDefinitionHeader(it);
      continue;
    }
    int nInfos = 0;
    const JsonIterator info = TabInfo(it, nInfos);
    if (nInfos != 1) {
      TRACE(L"JSON definition: tab \"%s\" has %d \"info\" elements (one is needed); it is refused\n", it.GetName(),
            nInfos);
      continue;
    }
    if (IsLeftOut(info)) continue;
    if (m_nTabCount >= kMaxDefinitionTabs) {
      TRACE(L"JSON definition: tab \"%s\" refused; a definition holds at most %d tabs\n", it.GetName(),
            kMaxDefinitionTabs);
      continue;
    }
    ReadJsonTabHeader(it, info);
  }
}

void CBrelvanoDlg::ReadJsonDefinitionHeader(const JsonIterator& it) {
  DEF_HEADER& h = m_defHeader;
  h.strS = it.GetAttribute(L"S");
  struct {
    const wchar_t* name;
    CString* target;
  } const kIfGiven[] = {
      {L"I", &h.strI},     {L"V", &h.strV},       {L"D", &h.strD},
      {L"R", &h.strR},     {L"cmd", &h.strCmd},   {L"res", &h.strRes},
      {L"lat", &m_deviceInfo.strLat}, {L"lng", &m_deviceInfo.strLng},
  };
  for (const auto& f : kIfGiven) {
    const CString value = it.GetAttribute(f.name);
    if (!value.IsEmpty()) *f.target = value;
  }
  h.strP = it.GetAttribute(L"P");
  const CString dmax = it.GetAttribute(L"dmax");
  m_deviceInfo.nDMax = dmax.IsEmpty() ? 100 : ToInt(dmax);
  if (g_bFileMode && it.GetAttribute(L"Protocol") == L"UP") m_bUpProtocol = TRUE;
}

void CBrelvanoDlg::ReadJsonTabHeader(const JsonIterator& tabIt, const JsonIterator& info) {
  const int nSlot = m_nTabCount;
  TAB_INFO& tab = m_tabInfo[nSlot];
  tab.Reset();
  tab.bVisible = TRUE;
  tab.strTitle = Translate(tabIt.GetName());
  tab.nIndex = nSlot;
  CString value = info.GetAttribute(L"id");
  if (!value.IsEmpty()) tab.nType = ToInt(value);
  value = info.GetAttribute(L"tab_id");
  if (!value.IsEmpty()) tab.nTabId = ToInt(value);
  tab.strMapId = info.GetAttribute(L"map_id");
  tab.bAssign = info.GetAttribute(L"type") == L"assign";

  if (tab.nType == TAB_TYPE_GEOFENCE) {
    if (!(value = info.GetAttribute(L"unit")).IsEmpty()) m_geoGroup.nUnit = ToInt(value);
    if (!(value = info.GetAttribute(L"min")).IsEmpty()) m_geoGroup.nMin = ToInt(value);
    value = info.GetAttribute(L"max");
    if (!value.IsEmpty()) {
      SetGeofenceCount(ToInt(value));
      m_geoGroup.nMax = g_nGeofenceCount;
    } else {
      SetGeofenceCount(50);
    }
    if (!(value = info.GetAttribute(L"ord")).IsEmpty()) m_geoGroup.strOrd = value;
    m_nGeofenceTab = nSlot;
  } else if (tab.nType == TAB_TYPE_BLE) {
    if (!(value = info.GetAttribute(L"min")).IsEmpty()) m_bleGroup.nMin = ToInt(value);
    value = info.GetAttribute(L"max");
    if (!value.IsEmpty()) {
      SetBleCount(ToInt(value));
      m_bleGroup.nMax = g_nBleCount;
    } else {
      SetBleCount(50);
    }
    m_nBleTab = nSlot;
  } else if (tab.nType == TAB_TYPE_POLYGON) {
    ReadJsonPolygonLimits(info);
    m_nPolygonTab = nSlot;
  }

  tab.strHdr = tab.nType == TAB_TYPE_POLYGON ? CString(L"PLG") : info.GetAttribute(L"hdr");
  if (tab.nType == TAB_TYPE_GEOFENCE) m_geoGroup.strHdr = tab.strHdr;
  if (tab.nType == TAB_TYPE_BLE) m_bleGroup.strHdr = tab.strHdr;
  ++m_nCurrentFile;
  ++m_nTabCount;
}

void CBrelvanoDlg::ReadJsonPolygonLimits(const JsonIterator& info) {
  CString value;
  if (!(value = info.GetAttribute(L"unit")).IsEmpty()) m_nPolygonUnit = ToInt(value);
  if (!(value = info.GetAttribute(L"min")).IsEmpty()) m_nPolygonMin = ToInt(value);
  m_nPolygonFirst = m_nPolygonMin;
  m_nPolygonReadIndex = m_nPolygonMin;
  if (!(value = info.GetAttribute(L"max")).IsEmpty()) m_nPolygonMax = ToInt(value);
  m_nPolygonMax = brelvano::ClampPolygonCount(m_nPolygonMax, kSource);
  if (!(value = info.GetAttribute(L"ptmax")).IsEmpty()) m_nPolygonPointMax = ToInt(value);
  m_nPolygonTotalPointMax = IntOrZero(info.GetAttribute(L"tptmax"));
  brelvano::ReplacePolygonTables(m_pPolygonTable, m_pZonePointBlocks, m_nPolygonMax);
}

// ---- Parameter pass ----

void CBrelvanoDlg::ParseJsonParams(JsonIterator it, int nDepth) {
  if (nDepth == 0) {
    XmlElement* pDefinition = DefinitionElement(it);
    for (; it != nullptr; ++it) {
      if (it.Node() != pDefinition) continue;  // refused by the header pass
      if (it.GetName().CompareNoCase(L"brelvano") != 0) {
        TRACE0(L"Invalid Json file\n");
        return;
      }
      if (it.HasChildren()) ParseJsonParams(it.ChildBegin(), 1);
    }
    return;
  }
  if (nDepth == 1) {
    for (; it != nullptr; ++it) {
      if (it.GetName() == L"info") continue;
      int nInfos = 0;
      const JsonIterator info = TabInfo(it, nInfos);
      if (nInfos != 1 || IsLeftOut(info)) continue;
      if (m_nParseTab >= m_nDefinitionTabLimit) {
        TRACE(L"JSON definition: parameters of tab \"%s\" refused; the definition has %d tabs\n", it.GetName(),
              m_nDefinitionTabLimit);
        continue;
      }
      DropUnfinishedItem();
      ++m_nParseTab;
      ReadJsonTabFields(info);
      // The tab's elements after its "info" (which was read first, wherever it stands).
      ParseJsonParams(it.ChildBegin(), 2);
    }
    return;
  }

  const int nTabType = m_stagingParam.nType;
  for (; it != nullptr; ++it) {
    const CString strName = it.GetName();
    BOOL bDescend = FALSE;
    if (nDepth == 2) {
      if (strName == L"info") continue;
      bDescend = m_bPolygonGrp ? TRUE : ReadJsonItemAndContinue(it);
    } else if (m_bPolygonGrp) {
      bDescend = ReadJsonPolygonLevel(it, nDepth);
    } else if (nDepth == 3) {
      if (strName == L"list")
        FillJsonOptions(it, kItemList);
      else if (strName == L"AssignList")
        FillJsonOptions(it, kAssignList);
      else
        bDescend = nTabType == kTabTypeItemRows;
    } else if (nDepth == 4 && nTabType == kTabTypeItemRows) {
      SUBGROUP_PARAM& g = m_stagingParam.subGroups[m_nSubGroup];
      if (strName == L"info") {
        const CString id = it.GetAttribute(L"id");
        if (!id.IsEmpty()) g.nRowId = ToInt(id);
        g.nId = m_nSubGroup;
        g.strHdr = it.GetAttribute(L"hdr");
      } else {
        ReadJsonRow(it, FALSE, TRUE);
        if (g.nOptions == 0)
          AddParam();
        else
          TRACE(L"JSON definition: row \"%s\" declares options, which its page does not read; it is dropped\n",
                g.strName);
      }
    }
    if (bDescend && it.HasChildren() && nDepth < kDeepestLevel) ParseJsonParams(it.ChildBegin(), nDepth + 1);
  }
}

void CBrelvanoDlg::ReadJsonTabFields(const JsonIterator& info) {
  PARAM_INFO& s = m_stagingParam;
  CString value = info.GetAttribute(L"id");
  if (!value.IsEmpty()) s.nType = ToInt(value);
  value = info.GetAttribute(L"tab_id");
  if (!value.IsEmpty()) s.nTabId = ToInt(value);
  s.bAssign = info.GetAttribute(L"type") == L"assign";
  s.strMapId = info.GetAttribute(L"map_id");
  s.bVisible = TRUE;
  m_bPolygonGrp = s.nType == TAB_TYPE_POLYGON;
  if (m_bPolygonGrp) {
    s.strHdr = info.GetAttribute(L"title");
    return;
  }
  s.strHdr = info.GetAttribute(L"hdr");
  s.bNumType = IntOrZero(info.GetAttribute(L"num_type"));
  if (s.nType == TAB_TYPE_GAP_GROUP) {
    value = info.GetAttribute(L"min");
    s.nGroupMin = value.IsEmpty() ? 1 : ToInt(value);
    value = info.GetAttribute(L"max");
    s.nGroupMax = value.IsEmpty() ? 50 : ToInt(value);
  }
}

BOOL CBrelvanoDlg::ReadJsonItemAndContinue(const JsonIterator& it) {
  DropUnfinishedItem();
  PARAM_INFO& s = m_stagingParam;
  s.strName = Translate(it.GetName());
  DefinitionTextMeasure::Widen(m_nLabelWidth, s.strName);
  CString value = it.GetAttribute(L"ID");
  if (!value.IsEmpty()) s.nId = ToInt(value);
  const int nCtrl = ControlTypeFromText(it.GetAttribute(L"type"));
  if (nCtrl >= 0 && nCtrl != CTRL_FILE_EDIT) s.nCtrlType = nCtrl;
  s.nAssignNo = IntOrZero(it.GetAttribute(L"assign_no"));
  s.bReserve = !it.GetAttribute(L"reserve").IsEmpty();
  s.nOptions = IntOrZero(it.GetAttribute(L"num"));
  s.nMax = IntOrZero(it.GetAttribute(L"max"));
  value = it.GetAttribute(L"text_num");
  const BOOL bAssignItem =
      s.nCtrlType == CTRL_S_ASSIGN || s.nCtrlType == CTRL_M_ASSIGN || s.nCtrlType == CTRL_L_ASSIGN;
  s.assign.nNo = !value.IsEmpty() && bAssignItem ? ToInt(value) : 0;
  s.assign.bValid = s.assign.nNo > 0;
  value = it.GetAttribute(L"value");
  s.strValue = value.IsEmpty() ? CString() : (m_bTranslateNames ? Translate(value) : value);
  s.strAlertId = it.GetAttribute(L"alert_id");
  s.nBase = IntOrZero(it.GetAttribute(L"base"));
  s.nSize = IntOrZero(it.GetAttribute(L"size"));
  s.nDecimal = IntOrZero(it.GetAttribute(L"decimal_point"));
  if (s.nType == TAB_TYPE_GEOFENCE) s.strConfig = it.GetAttribute(L"config");
  if (!OptionsCountValid(s.nOptions, s.strName)) {
    s.nOptions = 0;
    return FALSE;
  }
  if (s.nOptions == 0) {
    AddParam();
    FreeStagingOptions();
  } else {
    s.pOptions = new PARAM_OPTION[s.nOptions];
  }
  return TRUE;
}

BOOL CBrelvanoDlg::ReadJsonPolygonLevel(const JsonIterator& it, int nDepth) {
  const CString strName = it.GetName();
  const CString strParent = it.GetParentName();
  // A row's declared options: a refused count leaves the row without options and its elements
  // unread (FALSE); otherwise the option array is made, or a row without options is complete.
  auto StartRowOptions = [this](SUBGROUP_PARAM& g) -> BOOL {
    if (!OptionsCountValid(g.nOptions, g.strName)) {
      g.nOptions = 0;
      return FALSE;
    }
    if (g.nOptions == 0)
      CompletePolygonRow();
    else
      g.pOptions = new PARAM_OPTION[g.nOptions];
    return TRUE;
  };
  if (nDepth == 3) {
    if (strName == L"info") {
      const CString id = it.GetAttribute(L"id");
      if (id.IsEmpty()) return FALSE;
      const int nId = ToInt(id);
      if (nId != 0 && nId != 1) {
        TRACE(L"JSON definition: sub-group id %d is neither 0 nor 1; it is ignored\n", nId);
        return FALSE;
      }
      m_nSubGroup = nId;
      SUBGROUP_PARAM& g = m_stagingParam.subGroups[nId];
      g.nId = nId;
      g.strHdr = it.GetAttribute(L"hdr");
      g.strTitle = strParent;
      return FALSE;
    }
    DropUnfinishedItem();
    SUBGROUP_PARAM& g = m_stagingParam.subGroups[m_nSubGroup];
    if (strName == L"sheet") {
      g.strTag = L"sheet";
      g.nCtrlType = CTRL_SHEET;
      g.nRowId = IntOrZero(it.GetAttribute(L"id"));
      g.nOptions = IntOrZero(it.GetAttribute(L"num"));
    } else if (strName.Left(3) == L"sub") {
      // A row group: its "info" and rows follow one level down.
      g.strTag = strName;
      g.strMgrpTitle = Translate(strName);
      return TRUE;
    } else {
      ReadJsonRow(it, FALSE, FALSE);
    }
    return StartRowOptions(g);
  }

  SUBGROUP_PARAM& g = m_stagingParam.subGroups[m_nSubGroup];
  if (nDepth == 4 && strParent.Left(3) == L"sub") {
    if (strName == L"info") {
      const CString id = it.GetAttribute(L"id");
      if (!id.IsEmpty()) g.nMgrpId = ToInt(id);
      g.nCtrlType = CTRL_MGRP;
      g.strHdr = it.GetAttribute(L"hdr");
      if (g.nMgrpId == 1 || g.nMgrpId == 2) SetPolygonGroupTitle(g.nMgrpId, g.strMgrpTitle);
      return FALSE;
    }
    DropUnfinishedItem();
    ReadJsonRow(it, TRUE, FALSE);
    return StartRowOptions(g);
  }
  if (nDepth == 4) {
    if (strName == L"list") FillJsonOptions(it, strParent == L"sheet" ? kSheetList : kRowList);
    return FALSE;
  }
  if (nDepth == 5) {
    if (strName == L"info") return FALSE;
    if (strName != L"list") {
      ReadJsonGroupOption(it);
      return FALSE;
    }
    if (g.nRowId != 0) {
      FillJsonOptions(it, kRowList);
      return FALSE;
    }
    // Row 0 numbers its options itself, once, at the first entry of its list.
    if (g.pOptions == nullptr) return FALSE;
    std::unique_ptr<CList<CString>> names(it.MakeAttributeList());
    if (names->IsEmpty()) return FALSE;
    for (int i = 0; i < g.nOptions; ++i) {
      PARAM_OPTION& o = g.pOptions[i];
      o.bHasType = TRUE;
      o.nMax = 0;
      o.strText.Format(L"%d", i + 1);
      o.nValue = i;
    }
    CompletePolygonRow();
  }
  return FALSE;
}

void CBrelvanoDlg::ReadJsonRow(const JsonIterator& it, BOOL bWithConfig, BOOL bCheckBox) {
  SUBGROUP_PARAM& g = m_stagingParam.subGroups[m_nSubGroup];
  const CString strName = it.GetName();
  g.strTag = strName;
  g.strName = Translate(strName);
  DefinitionTextMeasure::Widen(m_nLabelWidth, g.strName);
  CString value = it.GetAttribute(L"id");
  if (!value.IsEmpty()) g.nRowId = ToInt(value);
  value = it.GetAttribute(L"type");
  const int nCtrl = ControlTypeFromText(value);
  if (nCtrl == CTRL_COMBO || nCtrl == CTRL_EDIT || nCtrl == CTRL_EDIT_NUMBER || nCtrl == CTRL_EDIT_HEX ||
      nCtrl == CTRL_ANY || (bCheckBox && nCtrl == CTRL_CHECK_BOX)) {
    g.nCtrlType = nCtrl;
  }
  g.bReserve = !it.GetAttribute(L"reserve").IsEmpty();
  g.nOptions = IntOrZero(it.GetAttribute(L"num"));
  g.nMax = IntOrZero(it.GetAttribute(L"max"));
  value = it.GetAttribute(L"value");
  g.strValue = value.IsEmpty() ? CString() : Translate(value);
  if (bWithConfig) g.strConfig = it.GetAttribute(L"config");
}

void CBrelvanoDlg::ReadJsonGroupOption(const JsonIterator& it) {
  SUBGROUP_PARAM& g = m_stagingParam.subGroups[m_nSubGroup];
  if (g.pOptions == nullptr || m_nOptionIndex < 0 || m_nOptionIndex >= g.nOptions) {
    TRACE(L"JSON definition: option \"%s\" of row \"%s\" beyond its declared count; refused\n", it.GetName(),
          g.strName);
    return;
  }
  PARAM_OPTION& o = g.pOptions[m_nOptionIndex];
  const CString type = it.GetAttribute(L"type");
  o.bHasType = !type.IsEmpty();
  o.nType = type.IsEmpty() ? 2 : ToInt(type);
  o.nMax = IntOrZero(it.GetAttribute(L"max"));
  const CString curr = it.GetAttribute(L"curr");
  if (!curr.IsEmpty()) g.strValue = m_bTranslateNames ? Translate(curr) : curr;
  const CString text = it.GetText();
  o.strText = m_bTranslateNames ? Translate(text) : text;
  o.nValue = m_nOptionIndex;
  DefinitionTextMeasure::Widen(m_nValueWidth, o.strText);
  if (++m_nOptionIndex >= g.nOptions) CompletePolygonRow();
}

void CBrelvanoDlg::FillJsonOptions(const JsonIterator& it, int nKind) {
  const BOOL bItem = nKind == kItemList || nKind == kAssignList;
  SUBGROUP_PARAM& g = m_stagingParam.subGroups[m_nSubGroup];
  PARAM_OPTION* pOptions = bItem ? m_stagingParam.pOptions : g.pOptions;
  const int nOptions = bItem ? m_stagingParam.nOptions : g.nOptions;
  if (pOptions == nullptr) {
    TRACE(L"JSON definition: a \"%s\" list without a declared option count under \"%s\"; refused\n", it.GetName(),
          bItem ? m_stagingParam.strName : g.strName);
    return;
  }
  std::unique_ptr<CList<CString>> names(it.MakeAttributeList());
  const int nEntries = static_cast<int>(names->GetCount());
  for (int i = 0; i < nEntries; ++i) {
    if (m_nOptionIndex < 0 || m_nOptionIndex >= nOptions) break;
    CString key;
    key.Format(L"%d", i);
    const CString entry = it.GetAttribute(key);
    PARAM_OPTION& o = pOptions[m_nOptionIndex];
    const CString first = GetField(entry, 1, L';');
    if (nKind == kSheetList) {
      o.strRid = first;
      o.strText = Translate(first);
    } else if (nKind == kAssignList) {
      o.strText = Translate(first);
      const CString kind = GetField(entry, 2, L';');
      o.nCtrlType = kind.IsEmpty() ? 0 : (kind == L"check box" ? CTRL_CHECK_BOX : CTRL_ANY);
    } else {
      o.nValue = ToInt(first);
      o.strText = Translate(GetField(entry, 2, L';'));
      o.nMax = IntOrZero(GetField(entry, 3, L';'));
      const CString type = GetField(entry, 4, L';');
      o.bHasType = !type.IsEmpty() && type != L"2";
      o.nType = o.bHasType ? ToInt(type) : 2;
      if (nKind == kItemList) o.strCmdId = GetField(entry, 5, L';');
    }
    DefinitionTextMeasure::Widen(m_nValueWidth, o.strText);
    if (++m_nOptionIndex < nOptions) continue;
    if (bItem) {
      AddParam();
      FreeStagingOptions();
      m_nOptionIndex = 0;
    } else {
      CompletePolygonRow();
    }
    break;
  }
}
