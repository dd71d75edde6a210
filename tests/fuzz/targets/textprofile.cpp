// The reading side of a text profile change on the main window with a numbered-parameter
// definition loaded and its pages made: the file's lines, the model and version check, and the
// values put into the generic, assignment, geofence, BLE and zone tables. Nothing is sent.
// The input's first byte holds flags (bit 0 the JSON parameters, bit 1 the geofence page); the
// rest is the profile file.
#include <cstdint>
#include <string>

#include "gui/dlg/brelvanodlg.h"
#include "gui/dlg/profileload.h"
#include "support/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzsupport::InputReader input(data, size);
  const uint8_t flags = input.Byte();
  const std::string file = input.Rest();

  CBrelvanoDlg* dlg = fuzzsupport::FreshMainWindow();
  fuzzsupport::LoadNumberedDefinition(dlg, (flags & 0x02) != 0);
  dlg->m_bUpProtocol = TRUE;
  dlg->m_deviceInfo.bJsonParam = (flags & 0x01) != 0;

  const BOOL loaded = LoadTextProfile(dlg, fuzzsupport::WriteScratchFile("profile.txt", file));
  // The lines are the file's, cut at CR with the LFs dropped; a loaded profile has values.
  for (const CString& line : dlg->m_textProfileLines)
    FUZZ_CHECK(line.Find(L'\r') < 0 && line.Find(L'\n') < 0);
  if (loaded) FUZZ_CHECK(dlg->m_textProfileLines.size() > 2);
  fuzzsupport::CheckDefinitionModel(dlg);
  for (int z = 0; dlg->m_pPolygonTable != nullptr && z < dlg->m_nPolygonMax; ++z) {
    const POLYGON_INFO& zone = dlg->m_pPolygonTable[z];
    FUZZ_CHECK(zone.nIndex >= 0 && zone.nIndex <= dlg->m_nPolygonMax);
    FUZZ_CHECK(zone.nPointCount >= 0 && zone.nPointCount <= 0xFF);
  }
  fuzzsupport::SettleMainWindow();
  fuzzsupport::CheckDefinitionModel(dlg);
  return 0;
}
