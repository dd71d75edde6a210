// The report definition of the Document folder, loaded as the report map asks for it.
#include <cstdint>

#include "gui/dlg/brelvanodlg.h"
#include "support/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  CBrelvanoDlg* dlg = fuzzsupport::FreshMainWindow();
  fuzzsupport::WriteScratchFile("Document/Report_1.xml", fuzzsupport::AsBytes(data, size));
  dlg->m_deviceInfo.strVersion = L"99";
  dlg->LoadReportDefinition();
  fuzzsupport::CheckDefinitionModel(dlg);
  fuzzsupport::SettleMainWindow();
  fuzzsupport::CheckDefinitionModel(dlg);
  return 0;
}
