// Benchmark of the definition download: a definition of about 200 KB in eight numbered sub-files,
// sent by the simulated tracker over a pseudo-terminal throttled to 115,200 baud. Reported: the
// protocol's own time (from the first packet request to the end of the last packet on the line)
// as a ratio to the time the line itself needs for the definition's bytes, and for the bytes sent
// with their packet framing. Run by hand (about 40 s):
// build/bench/brelvano_bench --benchmark_filter=Download
#include <benchmark/benchmark.h>

#include <stdlib.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "line_bench.h"
#include "devsim/definitionserver.h"
#include "devsim/devsim.h"
#include "devsim/trackerdevice.h"
#include "gui/dlg/brelvanodlg.h"
#include "platform/modal.h"
#include "platform/portenum.h"
#include "platform/registry.h"
#include "platform/wnd.h"
#include "resources/programresources.h"

namespace {

constexpr int kBaud = 115200;
constexpr int kSubFiles = 8;
constexpr size_t kSubFileBytes = 25600;
constexpr DWORD kDownloadTimeoutMs = 180000;

// One tab sub-file of about kSubFileBytes bytes.
std::string SubFile(int index) {
  std::string xml = "<brelvano S=\"$T\" D=\";\" cmd=\"SHDC\" res=\"SDRDH\">\r\n<grp id=\"1\" title=\"Tab " +
                    std::to_string(index) + "\" hdr=\"T" + std::to_string(index) + "\">\r\n";
  const std::string end = "</grp>\r\n</brelvano>\r\n";
  for (int i = 0; xml.size() + end.size() < kSubFileBytes - 120; ++i) {
    xml += "<item fid=\"Parameter " + std::to_string(index * 1000 + i) + "\" type=\"edit\" ID=\"" + std::to_string(i) +
           "\" max=\"32\" curr=\"value\"/>\r\n";
  }
  return xml + end;
}

void BM_DownloadThrottled(benchmark::State& state) {
  benchsupport::LineBenchEnvironment env("brelvano-download-bench");
  const std::filesystem::path& folder = env.folder;
  std::filesystem::create_directories(folder / "Document");

  std::vector<std::pair<std::string, std::string>> files;
  size_t payload = 0;
  for (int i = 0; i < kSubFiles; ++i) {
    files.emplace_back("T" + std::to_string(i), SubFile(i));
    payload += files.back().second.size();
  }

  double protocolSeconds = 0;
  double wireBytes = 0;
  for (auto _ : state) {
    devsim::DeviceSimulator sim;
    std::mutex mutex;
    std::chrono::steady_clock::time_point firstRequest{};
    std::atomic<bool> requested{false};
    sim.AddHandler([&](const std::string& line, devsim::Responder&) {
      if (!requested && line.find("$ReqXmlPk") != std::string::npos) {
        std::lock_guard<std::mutex> lock(mutex);
        firstRequest = std::chrono::steady_clock::now();
        requested = true;
      }
      return false;
    });
    devsim::TrackerDevice tracker(sim);
    devsim::TrackerIdentity id;
    id.model = "VR600";
    id.version = "5";
    tracker.SetIdentity(id);
    devsim::DefinitionServer server(sim, tracker);
    server.ServeXmlSubFiles(files);
    server.SetThrottleBaud(kBaud);
    std::unique_ptr<CBrelvanoDlg> dlg = benchsupport::StartMainWindow(state, sim);
    if (!dlg) break;
    dlg->m_strModuleDir = CString::FromUtf8(folder.string()) + L"/";
    dlg->m_strDocumentDir = CString::FromUtf8((folder / "Document").string()) + L"/";
    benchsupport::ConnectToSimulator(*dlg, sim);
    const bool done = platform::PumpUntil(
        [&] { return dlg->m_nDownloadState == 2 || !dlg->m_bPortOpen; }, kDownloadTimeoutMs);
    if (!done || !dlg->m_bPortOpen || dlg->m_nTabCount < kSubFiles) {
      state.SkipWithError("the download did not complete");
      break;
    }
    {
      std::lock_guard<std::mutex> lock(mutex);
      protocolSeconds = std::chrono::duration<double>(server.LastWriteEnd() - firstRequest).count();
    }
    wireBytes = static_cast<double>(server.BytesSent());
    state.SetIterationTime(protocolSeconds);
    dlg->OnBnClickedDisconnect();
    dlg.reset();
    sim.Stop();
  }
  benchsupport::ReportLineRatios(state, kBaud, protocolSeconds, static_cast<double>(payload), wireBytes,
                                 "definition_bytes", "protocol_s", "ratio_framed");
}
BENCHMARK(BM_DownloadThrottled)->Unit(benchmark::kSecond)->Iterations(1)->UseManualTime();

}  // namespace
