// The report definition of the main window: the report-map request of an "edit+button" parameter,
// the report file of the Document folder, its header and parameter passes into the report tables,
// and the hand-over to the report dialog.
#include "gui/dlg/brelvanodlg.h"
#include "gui/dlg/definitionloading.h"
#include "gui/dlg/reportdlg.h"
#include "gui/dlg/xmltree.h"
#include "platform/crt.h"
#include "platform/files.h"
#include "platform/trace.h"

namespace {

constexpr int kReportFileKind = 1;

int ToInt(const CString& text) { return _wtoi(text); }

int IntOrZero(const CString* value) { return value == nullptr || value->IsEmpty() ? 0 : ToInt(*value); }

// The control type of a report item's "type" text; -1 keeps the previous one.
int ReportControlType(const CString& text) {
  static const struct {
    const wchar_t* text;
    int type;
  } kTypes[] = {
      {L"check box", CTRL_CHECK_BOX}, {L"alert_id", CTRL_ALERT_ID}, {L"sAssign", CTRL_S_ASSIGN},
      {L"mAssign", CTRL_M_ASSIGN},    {L"lAssign", CTRL_L_ASSIGN},  {L"any", CTRL_ANY},
  };
  for (const auto& t : kTypes)
    if (text == t.text) return t.type;
  return -1;
}

}  // namespace

void CBrelvanoDlg::LoaderStore::FreeReportLists() {
  if (pReportLists != nullptr) {
    for (int i = 0; i < nReportLists; ++i) FreeParamInfoList(pReportLists[i]);
    delete[] pReportLists;
  }
  pReportLists = nullptr;
  nReportLists = 0;
}

void CBrelvanoDlg::FreeReportParamLists() {
  // The dialog's check boxes may live in these lists' records: they go first.
  if (m_pReportDlg != nullptr) m_pReportDlg->ReleaseList();
  m_loaderStore.FreeReportLists();
  m_pReportParamLists = nullptr;
}

LRESULT CBrelvanoDlg::OnOpenReportMap(WPARAM /*wParam*/, LPARAM lParam) {
  auto* pRequest = reinterpret_cast<REPORT_MAP_REQUEST*>(lParam);
  if (pRequest == nullptr) {
    TRACE0(L"Report map: request without its record ignored\n");
    return 0;
  }
  // The main window owns the request it keeps; the one it replaces goes.
  if (m_pReportMapRequest != pRequest) FreeReportMapRequest();
  m_pReportMapRequest = pRequest;
  if (!m_deviceInfo.bJsonParam && m_bUpProtocol)
    LoadReportDefinition();
  else if (m_deviceInfo.bJsonParam && m_bUpProtocol)
    OpenReportMap(pRequest);
  // The legacy command set has no report map.
  return 0;
}

void CBrelvanoDlg::FreeReportMapRequest() {
  if (m_pReportMapRequest == nullptr) return;
  if (m_pReportDlg != nullptr) m_pReportDlg->ForgetRequest(m_pReportMapRequest);
  delete m_pReportMapRequest;
  m_pReportMapRequest = nullptr;
}

void CBrelvanoDlg::LoadReportDefinition() {
  const CString strFolder = platform::JoinPath(platform::GetCurrentFolder(), L"Document") + L"/";
  const CString strPath = FindDocumentFile(strFolder, kReportFileKind);
  if (m_pReportMapRequest != nullptr) m_pReportMapRequest->nReportTab = -1;
  m_nReportTabCount = 0;
  CXmlTree tree;
  if (strPath.IsEmpty()) {
    TRACE(L"Report definition: no report file in %s\n", strFolder);
  } else if (!tree.Load(strPath, TRUE)) {
    TRACE(L"Report definition: %s cannot be read\n", strPath);
  } else if (tree.GetError() != nullptr) {
    // A report definition that is not read whole leaves the one loaded before.
    TRACE(L"Report definition: %s refused: %s\n", strPath, tree.GetError());
    AddLogLine(L"Invalid definition file " + strPath + L": " + tree.GetError(), TRUE);
  } else {
    ParseReportXmlHeader(tree.begin(), 0);
    if (m_nReportTabCount != 0) {
      m_nReportParseTab = 0;
      // The lists of the previous report load go; the page request must not point into them.
      const CPtrList* pOldFirst = m_loaderStore.pReportLists;
      const CPtrList* pOldEnd = pOldFirst + m_loaderStore.nReportLists;
      const bool bRequestInOld = m_reportPageInfo.pParams != nullptr && pOldFirst != nullptr &&
                                 m_reportPageInfo.pParams >= pOldFirst && m_reportPageInfo.pParams < pOldEnd;
      FreeReportParamLists();
      if (bRequestInOld) m_reportPageInfo.pParams = nullptr;
      m_loaderStore.pReportLists = new CPtrList[m_nReportTabCount];
      m_loaderStore.nReportLists = m_nReportTabCount;
      m_pReportParamLists = m_loaderStore.pReportLists;
      ParseReportXmlParams(tree.begin(), 0);
      DisablePortCombo();
      const int nTab = m_pReportMapRequest != nullptr ? m_pReportMapRequest->nReportTab : -1;
      if (nTab >= 0 && nTab < m_nReportTabCount) {
        m_reportPageInfo.pParams = &m_pReportParamLists[nTab];
        m_reportPageInfo.tab = m_reportTabInfo[nTab];
      }
      ShowReportDialog();
    }
  }
  KillTimer(TIMER_SESSION_WATCHDOG);
  m_bDefinitionPending = FALSE;
  m_bStartPending = FALSE;
}

void CBrelvanoDlg::ParseReportXmlHeader(XmlIterator it, int nDepth) {
  for (; it != nullptr; ++it) {
    if (nDepth == 0) {
      if (it.GetName().CompareNoCase(L"brelvano") != 0) {
        TRACE0(L"Invalid XML file\n");
        return;
      }
      if (const CString* v = it.GetAttribute(L"S")) m_reportHeader.strS = *v;
      if (const CString* v = it.GetAttribute(L"I")) m_reportHeader.strI = *v;
      if (const CString* v = it.GetAttribute(L"P")) m_reportHeader.strP = *v;
      if (const CString* v = it.GetAttribute(L"V")) m_reportHeader.strV = *v;
      if (const CString* v = it.GetAttribute(L"D")) m_reportHeader.strD = *v;
    } else if (nDepth == 1) {
      if (m_nReportTabCount < 0 || m_nReportTabCount >= kMaxReportTabs) {
        TRACE(L"Report definition: tab refused; at most %d report tabs\n", kMaxReportTabs);
        return;
      }
      TAB_INFO& tab = m_reportTabInfo[m_nReportTabCount];
      tab.Reset();
      tab.nIndex = m_nReportTabCount;
      tab.nType = IntOrZero(it.GetAttribute(L"id"));
      tab.nTabId = IntOrZero(it.GetAttribute(L"tab_id"));
      if (const CString* v = it.GetAttribute(L"title")) tab.strTitle = m_bTranslateNames ? Translate(*v) : *v;
      const CString* pType = it.GetAttribute(L"type");
      tab.bAssign = pType != nullptr && *pType == L"assign";
      const CString* pHdr = it.GetAttribute(L"hdr");
      tab.strHdr = pHdr ? *pHdr : CString();
      ++m_nReportTabCount;
    }
    if (it.HasChildren() && nDepth < 1) ParseReportXmlHeader(it.ChildBegin(), nDepth + 1);
  }
}

void CBrelvanoDlg::ParseReportXmlParams(XmlIterator it, int nDepth) {
  brelvano::DefinitionTextMeasure measure(this);  // the outermost call measures for the whole pass
  PARAM_INFO& s = m_reportStagingParam;
  try {
    for (; it != nullptr; ++it) {
      const CString strName = it.GetName();
      if (nDepth == 1) {
        if (strName != L"grp") break;
        if (m_nReportParseTab >= m_nReportTabCount) {
          TRACE(L"Report definition: parameters of tab %d refused\n", m_nReportParseTab + 1);
          break;
        }
        if (const CString* v = it.GetAttribute(L"id")) {
          s.nType = ToInt(*v);
          if (m_pReportMapRequest != nullptr && m_pReportMapRequest->pParam != nullptr &&
              s.nType == m_pReportMapRequest->pParam->nId)
            m_pReportMapRequest->nReportTab = m_nReportParseTab;
        }
        const CString* pHdr = it.GetAttribute(L"hdr");
        s.strHdr = pHdr ? *pHdr : CString();
        s.nTabId = IntOrZero(it.GetAttribute(L"tab_id"));
        const CString* pType = it.GetAttribute(L"type");
        s.bAssign = pType != nullptr && *pType == L"assign";
        ++m_nReportParseTab;
      } else if (nDepth == 2) {
        if (strName != L"item") break;
        const CString* pFid = it.GetAttribute(L"fid");
        s.strName = pFid ? (m_bTranslateNames ? Translate(*pFid) : *pFid) : CString();
        brelvano::DefinitionTextMeasure::Widen(m_nLabelWidth, s.strName);
        if (const CString* v = it.GetAttribute(L"type")) {
          const int nCtrl = ReportControlType(*v);
          if (nCtrl >= 0) s.nCtrlType = nCtrl;
        }
        if (const CString* v = it.GetAttribute(L"id")) s.nType = ToInt(*v);
        s.bReserve = it.GetAttribute(L"reserve") != nullptr;
        s.nOptions = IntOrZero(it.GetAttribute(L"num"));
        s.nMax = IntOrZero(it.GetAttribute(L"max"));
        s.nBase = IntOrZero(it.GetAttribute(L"base"));
        if (s.nOptions == 0) {
          AddReportParam();
          FreeParamOptions(s);
        } else {
          TRACE(L"Report definition: item \"%s\" declares options; it is not shown\n", s.strName);
        }
      }
      if (it.HasChildren() && nDepth < 2) ParseReportXmlParams(it.ChildBegin(), nDepth + 1);
    }
  } catch (...) {
    TRACE0(L"Report definition: read stopped by an error\n");
  }
}

void CBrelvanoDlg::AddReportParam() {
  if (m_pReportParamLists == nullptr || m_nReportParseTab < 1 || m_nReportParseTab > m_loaderStore.nReportLists) {
    TRACE(L"AddReportParam: no report list %d; \"%s\" dropped\n", m_nReportParseTab, m_reportStagingParam.strName);
    return;
  }
  const PARAM_INFO& s = m_reportStagingParam;
  auto* p = new PARAM_INFO;
  CopyParamItem(*p, s);
  m_pReportParamLists[m_nReportParseTab - 1].AddTail(p);
}
