// What the benchmarks against the simulated device share: the program's surroundings in a
// temporary folder (registry file, no serial ports but the simulator's, scripted modal service),
// and the report of a transfer's time as ratios to the time a paced serial line needs.
#pragma once

#include <benchmark/benchmark.h>

#include <stdlib.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "../tests/platform/qt_app.h"
#include "devsim/devsim.h"
#include "gui/dlg/brelvanodlg.h"
#include "platform/modal.h"
#include "platform/portenum.h"
#include "platform/registry.h"
#include "platform/sync.h"
#include "platform/wnd.h"
#include "resources/programresources.h"

namespace benchsupport {

// Sets the surroundings up under the temporary folder's subfolder name; undone when it goes.
class LineBenchEnvironment {
 public:
  explicit LineBenchEnvironment(const char* name) : folder(std::filesystem::temp_directory_path() / name) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    testsupport::EnsureApp();
    platform::SetGuiThread();
    std::filesystem::create_directories(folder);
    platform::SetRegistryPath(CString::FromUtf8((folder / "registry.txt").string()));
    platform::SetTtyDeviceLister([] { return std::vector<platform::TtyDeviceFacts>{}; });
    brelvano::RegisterProgramResources();
    platform::ModalService::Instance().InstallScript();
  }
  ~LineBenchEnvironment() {
    platform::ModalService::Instance().UninstallScript();
    platform::SetTtyDeviceLister({});
    platform::SetRegistryPath(CString());
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
  }
  LineBenchEnvironment(const LineBenchEnvironment&) = delete;
  LineBenchEnvironment& operator=(const LineBenchEnvironment&) = delete;

  std::filesystem::path folder;
};

// Starts the simulator and makes the main window; null, with the reason given to the benchmark,
// when either fails.
inline std::unique_ptr<CBrelvanoDlg> StartMainWindow(benchmark::State& state, devsim::DeviceSimulator& sim) {
  if (!sim.Start()) {
    state.SkipWithError("simulator not started");
    return nullptr;
  }
  auto dlg = std::make_unique<CBrelvanoDlg>();
  if (!dlg->Create(IDD_BRELVANO_DIALOG)) {
    state.SkipWithError("main window not created");
    return nullptr;
  }
  return dlg;
}

// Chooses the simulator's port and presses Connect.
inline void ConnectToSimulator(CBrelvanoDlg& dlg, const devsim::DeviceSimulator& sim) {
  const CString port = CString::FromUtf8(sim.PortName());
  for (int i = 0; i < dlg.m_comboPort.GetCount(); ++i) {
    CString item;
    dlg.m_comboPort.GetLBText(i, item);
    if (item == port) dlg.m_comboPort.SetCurSel(i);
  }
  dlg.m_strComPort = port;
  dlg.OnBnClickedConnect();
}

// Counters of a transfer of payloadBytes (wireBytes with their framing) that took seconds on a
// line of baud (10 bits a byte): <payloadName>, <secondsName>, line_s, ratio and <wireRatioName>.
inline void ReportLineRatios(benchmark::State& state, int baud, double seconds, double payloadBytes,
                             double wireBytes, const char* payloadName, const char* secondsName,
                             const char* wireRatioName) {
  const double lineSeconds = payloadBytes * 10.0 / baud;
  const double wireSeconds = wireBytes * 10.0 / baud;
  state.counters[payloadName] = payloadBytes;
  state.counters[secondsName] = seconds;
  state.counters["line_s"] = lineSeconds;
  state.counters["ratio"] = lineSeconds > 0 ? seconds / lineSeconds : 0;
  state.counters[wireRatioName] = wireSeconds > 0 ? seconds / wireSeconds : 0;
}

}  // namespace benchsupport
