// The JSON definition loader of the main window on a whole definition file (odd-sized inputs in the
// file mode, which also names the assignment table). The loaded model holds together and the pages
// made for it survive.
#include <cstdint>

#include "gui/dlg/brelvanodlg.h"
#include "gui/dlg/definitionmodel.h"
#include "support/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  CBrelvanoDlg* dlg = fuzzsupport::FreshMainWindow();
  const CString path = fuzzsupport::WriteScratchFile("definition.json", fuzzsupport::AsBytes(data, size));
  g_bFileMode = size % 2 == 1;
  dlg->LoadJsonDefinition(path);
  fuzzsupport::CheckDefinitionModel(dlg);
  fuzzsupport::SettleMainWindow();
  fuzzsupport::CheckDefinitionModel(dlg);
  return 0;
}
