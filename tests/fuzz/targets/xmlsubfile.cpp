// The XML definition loader on the numbered sub-files of a download. The input's first byte gives
// the announced sub-file count; the rest holds the sub-files, each ending at a line "----".
#include <cstdint>
#include <string>
#include <vector>

#include "gui/dlg/brelvanodlg.h"
#include "support/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzsupport::InputReader input(data, size);
  const int announced = input.Byte() % 52;
  const std::string rest = input.Rest();
  std::vector<std::string> files;
  const std::string separator = "\n----\n";
  for (size_t start = 0;;) {
    const size_t end = rest.find(separator, start);
    files.push_back(rest.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos || files.size() >= 60) break;
    start = end + separator.size();
  }

  CBrelvanoDlg* dlg = fuzzsupport::FreshMainWindow();
  dlg->m_nFileCount = announced;
  for (size_t i = 0; i < files.size(); ++i) {
    dlg->m_bXmlDownload = TRUE;
    dlg->m_nCurrentFile = static_cast<int>(i);
    const CString path = fuzzsupport::WriteScratchFile("subfile.xml", files[i]);
    dlg->LoadXmlDefinition(path, TRUE);
    fuzzsupport::CheckDefinitionModel(dlg);
  }
  fuzzsupport::SettleMainWindow();
  fuzzsupport::CheckDefinitionModel(dlg);
  return 0;
}
