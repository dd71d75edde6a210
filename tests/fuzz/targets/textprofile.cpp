// The reading side of a text profile change on the main window with a numbered-parameter
// definition loaded and its pages made: the file's lines, the model and version check, and the
// values put into the generic, assignment, geofence, BLE and zone tables. Nothing is sent.
// The definition is loaded once; before each input the values a profile changes are put back.
// The input's first byte holds flags (bit 0 the JSON parameters); the rest is the profile file.
#include <cstdint>
#include <string>
#include <vector>

#include "gui/dlg/brelvanodlg.h"
#include "gui/dlg/profileload.h"
#include "support/fuzz_support.h"

namespace {

// What a profile's values change: the parameters' values, the record tables and the zones.
struct Values {
  struct Param {
    PARAM_INFO* p;
    CString value;
    ASSIGN_INFO assign;
    CString alertId;
  };
  std::vector<Param> params;
  RecordTable<GEOFENCE_INFO> geofences{kGeofenceSlots};
  RecordTable<BLE_INFO> ble{kBleSlots};
  std::vector<POLYGON_INFO> zones;

  void Take(CBrelvanoDlg* dlg) {
    params.clear();
    for (int t = 0; t < dlg->m_nTabCount && t < kMaxTabs && dlg->m_pParamLists != nullptr; ++t) {
      for (POSITION pos = dlg->m_pParamLists[t].GetHeadPosition(); pos != nullptr;) {
        auto* p = static_cast<PARAM_INFO*>(dlg->m_pParamLists[t].GetNext(pos));
        if (p != nullptr) params.push_back({p, p->strValue, p->assign, p->strAlertId});
      }
    }
    geofences = dlg->m_geofenceTable;
    ble = dlg->m_bleTable;
    zones.assign(dlg->m_pPolygonTable, dlg->m_pPolygonTable + (dlg->m_pPolygonTable ? dlg->m_nPolygonMax : 0));
  }
  void PutBack(CBrelvanoDlg* dlg) const {
    for (const Param& v : params) {
      v.p->strValue = v.value;
      v.p->assign = v.assign;
      v.p->strAlertId = v.alertId;
    }
    dlg->m_geofenceTable = geofences;
    dlg->m_bleTable = ble;
    for (size_t z = 0; z < zones.size(); ++z) dlg->m_pPolygonTable[z] = zones[z];
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzsupport::InputReader input(data, size);
  const uint8_t flags = input.Byte();
  const std::string file = input.Rest();

  static Values start;
  bool fresh = false;
  CBrelvanoDlg* dlg = fuzzsupport::NumberedMainWindow(fresh);
  if (fresh) start.Take(dlg);
  else start.PutBack(dlg);
  dlg->m_bUpProtocol = TRUE;
  dlg->m_deviceInfo.bJsonParam = (flags & 0x01) != 0;
  dlg->m_textProfileLines.clear();

  const BOOL loaded = LoadTextProfile(dlg, fuzzsupport::WriteScratchFile("profile.txt", file));
  // The lines are the file's, cut at CR with the LFs dropped; a loaded profile has values.
  for (const CString& line : dlg->m_textProfileLines)
    FUZZ_CHECK(line.Find(L'\r') < 0 && line.Find(L'\n') < 0);
  if (loaded) FUZZ_CHECK(dlg->m_textProfileLines.size() > 2);
  fuzzsupport::CheckDefinitionModel(dlg);
  for (int z = 0; dlg->m_pPolygonTable != nullptr && z < dlg->m_nPolygonMax; ++z) {
    const POLYGON_INFO& zone = dlg->m_pPolygonTable[z];
    FUZZ_CHECK(zone.nIndex >= 0 && zone.nIndex <= dlg->m_nPolygonMax);
    FUZZ_CHECK(zone.nPointCount >= -0xF && zone.nPointCount <= 0xFF);
  }
  fuzzsupport::SettleMainWindow();
  fuzzsupport::CheckDefinitionModel(dlg);
  return 0;
}
