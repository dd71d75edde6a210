// CBrelvanoDlg: passwords blanked in what the log, the trace and the console show. The loaded
// definition says where password parameters stand in the lines of the link: the body fields of a
// tab's $-set command, the fields of an access-point entry, the elements of a numbered-set tab.
#include "gui/dlg/brelvanodlg.h"
#include "gui/dlg/secrettext.h"

#include <algorithm>
#include <iterator>
#include <set>

namespace {

// Kinds of parameter that put no field into a page's command.
bool WritesNoField(int nCtrlType) {
  constexpr int kNoField[] = {CTRL_CHECK_BOX, CTRL_SHEET,    CTRL_MGRP,     CTRL_ALERT_ID,
                              CTRL_S_ASSIGN,  CTRL_M_ASSIGN, CTRL_L_ASSIGN, CTRL_EDIT_BUTTON};
  return std::find(std::begin(kNoField), std::end(kNoField), nCtrlType) != std::end(kNoField);
}

// Fields of the request template between the header word and the body that come before the body.
int FieldsBeforeBody(const DEF_HEADER& header) {
  const int h = header.strCmd.Find(L'H');
  const int c = header.strCmd.Find(L'C');
  if (h < 0 || c < h) return 0;
  int separators = 0;
  for (int i = h + 1; i < c; ++i)
    if (header.strCmd[i] == L'D') ++separators;
  return separators > 0 ? separators - 1 : 0;
}

// Tabs whose lines carry records by slot number: geofences, zones, BLE records.
bool IsRecordTab(int nType) {
  return nType == TAB_TYPE_GEOFENCE || nType == TAB_TYPE_POLYGON || nType == TAB_TYPE_BLE;
}

}  // namespace

CString CBrelvanoDlg::HideSecrets(const CString& strText) const {
  brelvano::SecretFields where;
  where.separator = FramingSeparator();
  const int skip = FieldsBeforeBody(m_defHeader);
  const int tabs = m_pParamLists != nullptr ? std::min(m_nTabCount, static_cast<int>(kMaxTabs)) : 0;
  for (int t = 0; t < tabs; ++t) {
    std::set<int> fields;  // by position (as the answers and presets count) and as a page writes them
    std::set<int> ids;
    CString firstHeader;
    int position = 0;
    int written = 0;
    for (POSITION pos = m_pParamLists[t].GetHeadPosition(); pos != nullptr;) {
      const auto* p = static_cast<const PARAM_INFO*>(m_pParamLists[t].GetNext(pos));
      if (p == nullptr) continue;
      if (position == 0) firstHeader = p->strHdr;
      ++position;
      if (!WritesNoField(p->nCtrlType)) ++written;
      if (p->nCtrlType != CTRL_PASSWD) continue;
      fields.insert(position);
      fields.insert(written);
      ids.insert(p->nId);
    }
    if (fields.empty()) continue;
    if (m_bUpProtocol) {
      // A record tab's lines number its slots, not its columns, and a password column never puts
      // its value into a record: nothing of such a line is a password.
      if (!IsRecordTab(m_tabInfo[t].nType)) where.numbered[m_tabInfo[t].nTabId].insert(ids.begin(), ids.end());
      continue;
    }
    for (const CString& header : {m_tabInfo[t].strHdr, firstHeader}) {
      if (!header.IsEmpty()) where.framed.push_back({header, skip, fields});
    }
    if (m_tabInfo[t].nType == TAB_TYPE_PRESET) where.presetFields.insert(fields.begin(), fields.end());
  }
  return brelvano::HideSecrets(strText, where);
}
