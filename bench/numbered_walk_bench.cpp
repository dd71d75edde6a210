// Benchmark of the read-all walk of the numbered-parameter set: a definition of 48 tabs and 2,000
// parameters read from the simulated tracker after the ESN road. Reported: the walk's time (from
// its first request to its end) as a ratio to the time a 115,200-baud line needs for the bytes
// exchanged (requests and answers). Run by hand (about a minute):
// build/bench/brelvano_bench --benchmark_filter=NumberedWalk
#include <benchmark/benchmark.h>

#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "../tests/platform/qt_app.h"
#include "devsim/devsim.h"
#include "devsim/numbereddevice.h"
#include "devsim/trackerdevice.h"
#include "gui/dlg/brelvanodlg.h"
#include "platform/modal.h"
#include "platform/portenum.h"
#include "platform/registry.h"
#include "platform/wnd.h"
#include "resources/programresources.h"

namespace {

constexpr int kBaud = 115200;
constexpr int kTabs = 48;
constexpr int kParams = 2000;
constexpr DWORD kWalkTimeoutMs = 600000;

int ParamsOfTab(int t) { return kParams / kTabs + (t < kParams % kTabs ? 1 : 0); }

std::string Definition() {
  std::string xml =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<BRELVANO S=\"VR600\" I=\"UNIT1\" P=\"0\" V=\"7\" D=\";\" R=\"RR\">\n";
  for (int t = 0; t < kTabs; ++t) {
    xml += "<grp id=\"1\" tab_id=\"" + std::to_string(t + 100) + "\" title=\"Tab " + std::to_string(t) + "\" hdr=\"T\">\n";
    for (int i = 0; i < ParamsOfTab(t); ++i)
      xml += "<item fid=\"P" + std::to_string(i) + "\" type=\"edit\" ID=\"" + std::to_string(i) + "\"/>\n";
    xml += "</grp>\n";
  }
  return xml + "</BRELVANO>\n";
}

void BM_NumberedWalk(benchmark::State& state) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  testsupport::EnsureApp();
  platform::SetGuiThread();
  const std::filesystem::path folder = std::filesystem::temp_directory_path() / "brelvano-walk-bench";
  std::filesystem::create_directories(folder / "Document");
  std::filesystem::current_path(folder);
  std::ofstream(folder / "Document" / "A_Param_7.xml") << Definition();
  platform::SetRegistryPath(CString::FromUtf8((folder / "registry.txt").string()));
  platform::SetTtyDeviceLister([] { return std::vector<platform::TtyDeviceFacts>{}; });
  brelvano::RegisterProgramResources();
  platform::ModalService::Instance().InstallScript();

  double walkSeconds = 0;
  double exchanged = 0;
  int requests = 0;
  for (auto _ : state) {
    devsim::DeviceSimulator sim;
    devsim::NumberedDevice device(sim);
    devsim::TrackerDevice tracker(sim);
    devsim::TrackerIdentity id;
    id.model = "VR600";
    id.version = "7";
    tracker.SetIdentity(id);
    tracker.SetUpProtocol(true);
    for (int t = 0; t < kTabs; ++t)
      for (int i = 0; i < ParamsOfTab(t); ++i) device.SetValue(t + 100, i, "value" + std::to_string(i));
    if (!sim.Start()) {
      state.SkipWithError("simulator not started");
      break;
    }
    auto dlg = std::make_unique<CBrelvanoDlg>();
    if (!dlg->Create(IDD_BRELVANO_DIALOG)) {
      state.SkipWithError("main window not created");
      break;
    }
    const CString port = CString::FromUtf8(sim.PortName());
    for (int i = 0; i < dlg->m_comboPort.GetCount(); ++i) {
      CString item;
      dlg->m_comboPort.GetLBText(i, item);
      if (item == port) dlg->m_comboPort.SetCurSel(i);
    }
    dlg->m_strComPort = port;
    dlg->OnBnClickedConnect();
    if (!platform::PumpUntil([&] { return !device.Requests().empty() || !dlg->m_bPortOpen; }, kWalkTimeoutMs)) {
      state.SkipWithError("the walk did not start");
      break;
    }
    const auto start = std::chrono::steady_clock::now();
    const bool done = platform::PumpUntil([&] { return (dlg->m_bReadAllDone && dlg->m_nTabCount == kTabs + 2) || !dlg->m_bPortOpen; },
                                          kWalkTimeoutMs);
    walkSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!done || !dlg->m_bPortOpen) {
      state.SkipWithError("the walk did not complete");
      break;
    }
    size_t requestBytes = 0;
    for (const std::string& l : device.Requests()) requestBytes += l.size() + 1;
    requests = static_cast<int>(device.Requests().size());
    exchanged = static_cast<double>(requestBytes + device.AnswerBytes());
    state.SetIterationTime(walkSeconds);
    dlg->OnBnClickedDisconnect();
    dlg.reset();
    sim.Stop();
  }
  const double lineSeconds = exchanged * 10.0 / kBaud;
  state.counters["requests"] = requests;
  state.counters["bytes_exchanged"] = exchanged;
  state.counters["walk_s"] = walkSeconds;
  state.counters["line_s"] = lineSeconds;
  state.counters["ratio"] = lineSeconds > 0 ? walkSeconds / lineSeconds : 0;
  platform::ModalService::Instance().UninstallScript();
  platform::SetTtyDeviceLister({});
  platform::SetRegistryPath(CString());
  std::error_code ec;
  std::filesystem::current_path(std::filesystem::temp_directory_path(), ec);
  std::filesystem::remove_all(folder, ec);
}
BENCHMARK(BM_NumberedWalk)->Unit(benchmark::kSecond)->Iterations(1)->UseManualTime();

}  // namespace
