// Test helper: fills the main window's definition model directly, as a loader would, with tabs of
// given page types, one parameter list per tab and parameters with options.
#pragma once

#include <initializer_list>
#include <vector>

#include "gui/dlg/brelvanodlg.h"

namespace testsupport {

struct TabSpec {
  int type;
  const wchar_t* title;
  const wchar_t* hdr;
};

// Resets the model, then writes the tabs in order and makes their lists.
inline void FillTabs(CBrelvanoDlg* dlg, const std::vector<TabSpec>& tabs) {
  dlg->ResetDefinitionTabs();
  int i = 0;
  for (const TabSpec& spec : tabs) {
    TAB_INFO& tab = dlg->m_tabInfo[i];
    tab.nIndex = i;
    tab.nType = spec.type;
    tab.strTitle = spec.title;
    tab.strHdr = spec.hdr;
    ++i;
  }
  dlg->m_nTabCount = i;
  dlg->m_pParamLists = i > 0 ? new CPtrList[i] : nullptr;
}

// Stages one parameter of tab nTab (1-based) with count options from base, and adds it.
inline void AddStagedParam(CBrelvanoDlg* dlg, int nTab, const wchar_t* name, int count, int base) {
  dlg->m_nParseTab = nTab;
  PARAM_INFO& s = dlg->m_stagingParam;
  s.nType = dlg->m_tabInfo[nTab - 1].nType;
  s.strHdr = dlg->m_tabInfo[nTab - 1].strHdr;
  s.strName = name;
  s.nBase = base;
  s.nOptions = count;
  if (count > 0) {
    s.pOptions = new PARAM_OPTION[count];
    for (int k = 0; k < count; ++k) {
      s.pOptions[k].nValue = base + k;
      s.pOptions[k].strText.Format(L"%s %d", CString(name), k);
    }
  }
  dlg->AddParam();
  dlg->FreeStagingOptions();
  s.nOptions = 0;
}

inline std::vector<PARAM_INFO*> ListOf(CPtrList* list) {
  std::vector<PARAM_INFO*> out;
  if (list == nullptr) return out;
  for (POSITION pos = list->GetHeadPosition(); pos != nullptr;) out.push_back(static_cast<PARAM_INFO*>(list->GetNext(pos)));
  return out;
}

}  // namespace testsupport
