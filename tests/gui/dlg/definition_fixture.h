// Test helper: the main window fixture for definition loads (the zone counts and the file mode a
// load changes are put back after each test) and the records of a loaded parameter list.
#pragma once

#include <vector>

#include "gui/dlg/brelvanodlg.h"
#include "mainwindow_fixture.h"

namespace testsupport {

// The records of entry index of a list array of nLists lists, in order; none without an array or
// for an index outside it.
inline std::vector<PARAM_INFO*> ListRecords(CPtrList* pLists, int nLists, int index) {
  std::vector<PARAM_INFO*> out;
  if (pLists == nullptr || index < 0 || index >= nLists) return out;
  CPtrList& list = pLists[index];
  for (POSITION pos = list.GetHeadPosition(); pos != nullptr;) out.push_back(static_cast<PARAM_INFO*>(list.GetNext(pos)));
  return out;
}

// The parameter records of a definition tab.
inline std::vector<PARAM_INFO*> TabParams(CBrelvanoDlg* dlg, int tab) {
  return ListRecords(dlg->m_pParamLists, dlg->m_nTabCount, tab);
}

// The parameter records of a report tab.
inline std::vector<PARAM_INFO*> ReportTabParams(CBrelvanoDlg* dlg, int tab) {
  return ListRecords(dlg->m_pReportParamLists, dlg->m_nReportTabCount, tab);
}

class DefinitionLoadFixture : public MainWindowFixture {
 protected:
  void SetUp() override {
    MainWindowFixture::SetUp();
    m_savedGeofenceCount = g_nGeofenceCount;
    m_savedBleCount = g_nBleCount;
  }
  void TearDown() override {
    MainWindowFixture::TearDown();
    g_nGeofenceCount = m_savedGeofenceCount;
    g_nBleCount = m_savedBleCount;
  }

 private:
  int m_savedGeofenceCount = 50;
  int m_savedBleCount = 50;
};

}  // namespace testsupport
