// Benchmarks of the XML definition path: parsing a generated definition of 48 tabs with 2,000
// parameters in all, and loading it into the main window with its pages created. Run by hand:
// build/bench/brelvano_bench --benchmark_filter=Definition
#include <benchmark/benchmark.h>

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "../tests/platform/qt_app.h"
#include "generated_definition.h"
#include "gui/dlg/brelvanodlg.h"
#include "gui/dlg/xmltree.h"
#include "platform/modal.h"
#include "platform/portenum.h"
#include "platform/registry.h"
#include "platform/sync.h"
#include "platform/wnd.h"
#include "resources/programresources.h"

namespace {

using benchsupport::GeneratedDefinition;

void BM_DefinitionParseTree(benchmark::State& state) {
  const std::string bytes = GeneratedDefinition();
  for (auto _ : state) {
    CXmlTree tree;
    tree.LoadBytes(bytes, TRUE);
    benchmark::DoNotOptimize(tree.Root().child);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bytes.size()));
}
BENCHMARK(BM_DefinitionParseTree)->Unit(benchmark::kMillisecond);

void BM_DefinitionLoadWithPages(benchmark::State& state) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  testsupport::EnsureApp();
  platform::SetGuiThread();
  const std::filesystem::path folder = std::filesystem::temp_directory_path() / "brelvano-definition-bench";
  std::filesystem::create_directories(folder);
  const std::string defPath = (folder / "definition.xml").string();
  {
    std::ofstream out(defPath, std::ios::binary | std::ios::trunc);
    out << GeneratedDefinition();
  }
  platform::SetRegistryPath(CString::FromUtf8((folder / "registry.txt").string()));
  platform::SetTtyDeviceLister([] { return std::vector<platform::TtyDeviceFacts>{}; });
  brelvano::RegisterProgramResources();
  platform::ModalService::Instance().InstallScript();

  auto dlg = std::make_unique<CBrelvanoDlg>();
  if (!dlg->Create(IDD_BRELVANO_DIALOG)) {
    state.SkipWithError("main window not created");
    return;
  }
  const CString path = CString::FromUtf8(defPath);
  for (auto _ : state) {
    // Each load replaces the previous definition with its pages.
    dlg->LoadXmlDefinition(path);
    benchmark::DoNotOptimize(dlg->m_nTabCount);
  }
  int params = 0;
  for (int t = 0; t < dlg->m_nTabCount; ++t) params += static_cast<int>(dlg->m_pParamLists[t].GetCount());
  state.counters["tabs"] = dlg->m_nTabCount;
  state.counters["params"] = params;
  state.counters["pages"] = dlg->m_pSettingDlg != nullptr ? 1 : 0;
  dlg.reset();
  platform::ModalService::Instance().UninstallScript();
  platform::SetTtyDeviceLister({});
  platform::SetRegistryPath(CString());
  std::error_code ec;
  std::filesystem::remove_all(folder, ec);
}
BENCHMARK(BM_DefinitionLoadWithPages)->Unit(benchmark::kMillisecond);

}  // namespace
