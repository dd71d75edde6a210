// Benchmark of a file download into the device: a 100 KB file written from a file download page
// to the simulated tracker, its line paced to 115,200 baud. Reported: the time from SEND to the end
// of the download as a ratio to the time the line itself needs for the file's bytes (ratio), and
// for the bytes of the lines and acknowledgements that carry them (ratio_wire). Run by hand (about
// 30 s): build/bench/brelvano_bench --benchmark_filter=FileDownload
#include <benchmark/benchmark.h>

#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "line_bench.h"
#include "devsim/devsim.h"
#include "devsim/filereceiver.h"
#include "devsim/trackerdevice.h"
#include "gui/dlg/brelvanodlg.h"
#include "gui/dlg/settingdlg.h"
#include "platform/files.h"
#include "platform/modal.h"
#include "platform/portenum.h"
#include "platform/registry.h"
#include "platform/wnd.h"
#include "resources/programresources.h"

namespace {

constexpr int kBaud = 115200;
constexpr size_t kFileBytes = 100 * 1024;
constexpr DWORD kStepTimeoutMs = 20000;

constexpr const char kDefinition[] =
    "<brelvano S=\"$T\" D=\";\" cmd=\"SHDC\" res=\"SDRDH\" V=\"1\">"
    "<grp id=\"37\" title=\"Firmware\" hdr=\"FWD\"><item fid=\"Main\" type=\"file_edit\"/></grp>"
    "<grp id=\"1\" title=\"Report\" hdr=\"RPT\"></grp>"
    "</brelvano>";

CWnd* FirstPath(CBrelvanoDlg* dlg) {
  CSettingDialog* page = dlg->m_pSettingDlg;
  if (page == nullptr || page->m_pParamList == nullptr || page->m_pParamList->IsEmpty()) return nullptr;
  return static_cast<PARAM_INFO*>(page->m_pParamList->GetHead())->pValueWnd;
}

void BM_FileDownloadThrottled(benchmark::State& state) {
  benchsupport::LineBenchEnvironment env("brelvano-file-download-bench");
  const std::filesystem::path& folder = env.folder;
  std::filesystem::create_directories(folder / "Language XML");
  const CString base = CString::FromUtf8(folder.string()) + L"/";
  platform::WriteWholeFile(base + L"Language XML/BrelvanoParam_VR835_AB_32_Voice_Eng.xml", kDefinition);
  std::string bytes(kFileBytes, '\0');
  std::mt19937 gen(7);
  for (char& c : bytes) c = static_cast<char>(gen() & 0xFF);
  const CString path = base + L"firmware.bin";
  platform::WriteWholeFile(path, bytes);

  double seconds = 0;
  double wireBytes = 0;
  for (auto _ : state) {
    devsim::DeviceSimulator sim;
    devsim::TrackerDevice tracker(sim);
    devsim::FileReceiver receiver(sim);
    devsim::TrackerIdentity id;
    id.voice = 1;
    tracker.SetIdentity(id);
    receiver.SetThrottleBaud(kBaud);
    std::unique_ptr<CBrelvanoDlg> dlg = benchsupport::StartMainWindow(state, sim);
    if (!dlg) break;
    dlg->m_strModuleDir = base;
    benchsupport::ConnectToSimulator(*dlg, sim);
    if (!platform::PumpUntil([&] { return FirstPath(dlg.get()) != nullptr && !dlg->m_bDefinitionPending; },
                             kStepTimeoutMs)) {
      state.SkipWithError("the definition was not shown");
      break;
    }
    // The loaded tab shown as a file download page.
    dlg->m_tabInfo[0].nType = TAB_TYPE_FILE_DOWNLOAD;
    dlg->m_pageInfo.tab.nType = TAB_TYPE_FILE_DOWNLOAD;
    dlg->m_pSettingDlg->SendMessage(WM_SETTINGS_PAGE_NOTIFY, 0, reinterpret_cast<LPARAM>(&dlg->m_pageInfo));
    FirstPath(dlg.get())->SetWindowText(path);

    CWnd* send = dlg->m_pSettingDlg->GetDlgItem(IDC_SETTING_SEND);
    const auto start = std::chrono::steady_clock::now();
    dlg->m_pSettingDlg->SendMessage(WM_COMMAND, MAKEWPARAM(IDC_SETTING_SEND, BN_CLICKED),
                                    reinterpret_cast<LPARAM>(send->GetSafeHwnd()));
    seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const std::vector<devsim::FileReceiver::File> files = receiver.Files();
    if (files.size() != 1 || files[0].bytes != bytes) {
      state.SkipWithError("the file did not arrive whole");
      break;
    }
    wireBytes = 0;
    for (const std::string& line : sim.ReceivedLines()) {
      // The line with its CR, and the acknowledgement with its CR LF.
      if (line.find("MCUDL") == std::string::npos) continue;
      const size_t answer = line.find("MCUDLST") != std::string::npos ? 19 : 17;
      wireBytes += static_cast<double>(line.size() + 1 + answer);
    }
    state.SetIterationTime(seconds);
    dlg->OnBnClickedDisconnect();
    dlg.reset();
    sim.Stop();
  }
  benchsupport::ReportLineRatios(state, kBaud, seconds, static_cast<double>(kFileBytes), wireBytes, "file_bytes",
                                 "download_s", "ratio_wire");
}
BENCHMARK(BM_FileDownloadThrottled)->Unit(benchmark::kSecond)->Iterations(1)->UseManualTime();

}  // namespace
