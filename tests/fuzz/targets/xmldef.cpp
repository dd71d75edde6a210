// The XML definition loaders of the main window on a whole definition file: the download's complete
// file (odd-sized inputs also through the Document folder's loader). The loaded model holds together
// and the pages made for it survive.
#include <cstdint>

#include "gui/dlg/brelvanodlg.h"
#include "support/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  CBrelvanoDlg* dlg = fuzzsupport::FreshMainWindow();
  const CString path = fuzzsupport::WriteScratchFile("definition.xml", fuzzsupport::AsBytes(data, size));
  if (size % 2 == 0) {
    dlg->LoadXmlDefinition(path, FALSE);
  } else {
    dlg->OpenXmlDefinition(path);
  }
  fuzzsupport::CheckDefinitionModel(dlg);
  fuzzsupport::SettleMainWindow();
  fuzzsupport::CheckDefinitionModel(dlg);
  return 0;
}
