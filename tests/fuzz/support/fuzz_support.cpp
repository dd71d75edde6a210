// The fuzz targets' shared environment and the reset of the shared main window.
#include "support/fuzz_support.h"

#include <stdlib.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

#include "gui/dlg/brelvanodlg.h"
#include "gui/dlg/definitionmodel.h"
#include "object/rs232/serialstatus.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/modal.h"
#include "platform/portenum.h"
#include "platform/registry.h"
#include "platform/sync.h"
#include "platform/qt_app.h"
#include "reference/default/appregsettings.h"
#include "resources/programresources.h"

namespace fuzzsupport {

void Fail(const char* file, int line, const char* condition) {
  std::fprintf(stderr, "%s:%d: invariant broken: %s\n", file, line, condition);
  std::fflush(stderr);
  abort();
}

std::string InputReader::Bytes(size_t maxLength) {
  size_t length = Byte();
  if (length > maxLength) length = maxLength;
  if (length > Remaining()) length = Remaining();
  std::string out(reinterpret_cast<const char*>(m_data + m_pos), length);
  m_pos += length;
  return out;
}

std::string InputReader::Rest() {
  std::string out(reinterpret_cast<const char*>(m_data + m_pos), m_size - m_pos);
  m_pos = m_size;
  return out;
}

namespace {

std::string g_scratch;

void EmptyFolder(const std::string& path) {
  std::error_code ec;
  std::filesystem::remove_all(path, ec);
  std::filesystem::create_directories(path, ec);
}

}  // namespace

void EnsureEnvironment() {
  if (!g_scratch.empty()) return;
  testsupport::EnsureApp();
  platform::SetGuiThread();
  // Timers fire only when an input's own steps move the time; log stamps stay the same.
  static platform::ManualClock clock;
  platform::SetClock(&clock);
  std::string tmpl = (std::filesystem::temp_directory_path() / "brelvano-fuzz-XXXXXX").string();
  if (mkdtemp(&tmpl[0]) == nullptr) Fail(__FILE__, __LINE__, "mkdtemp");
  g_scratch = tmpl + "/";
  platform::SetCurrentFolder(CString::FromUtf8(tmpl));
  platform::SetRegistryPath(CString::FromUtf8(g_scratch + "registry.txt"));
  platform::SetTtyDeviceLister([] { return std::vector<platform::TtyDeviceFacts>{}; });
  brelvano::RegisterProgramResources();
  platform::ModalService& modal = platform::ModalService::Instance();
  // Every modal request is answered "cancel" at once: a message box or a file choice is a fair
  // outcome of a bad input, never a finding.
  modal.InstallScript();
  modal.SetUnexpectedHandler([](const platform::ModalRecord&) {});
}

CString ScratchFolder() {
  EnsureEnvironment();
  return CString::FromUtf8(g_scratch);
}

CString WriteScratchFile(const char* name, const std::string& bytes) {
  EnsureEnvironment();
  const std::string path = g_scratch + name;
  std::error_code ec;
  std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  return CString::FromUtf8(path);
}

namespace {

struct SharedWindow {
  CBrelvanoDlg* dlg = nullptr;
  int geofenceCount = 0;
  int bleCount = 0;
};

SharedWindow g_window;
// Counts the resets of the shared window: a window prepared once stays as prepared only while the
// count holds (the replay runs every target in one process).
unsigned g_resets = 0;

SharedWindow& Shared() {
  SharedWindow& shared = g_window;
  if (shared.dlg != nullptr) return shared;
  EnsureEnvironment();
  CAppRegSettings settings;
  settings.SetRegistryKey(kAppRegistryKeyName);
  settings.WriteProfileInt(nullptr, kRegValueLanguage, 9);
  shared.geofenceCount = g_nGeofenceCount;
  shared.bleCount = g_nBleCount;
  shared.dlg = new CBrelvanoDlg();
  if (!shared.dlg->Create(IDD_BRELVANO_DIALOG)) Fail(__FILE__, __LINE__, "main window not created");
  // A process that ends without ReleaseMainWindow (the fuzzer's own end) ends at once: the threads
  // the window started must not meet the destructors of their owners.
  std::atexit([] {
    if (g_window.dlg == nullptr) return;
    std::fflush(nullptr);
    std::_Exit(0);
  });
  shared.dlg->m_strModuleDir = CString::FromUtf8(g_scratch + "program/");
  return shared;
}

}  // namespace

CBrelvanoDlg* FreshMainWindow() {
  SharedWindow& shared = Shared();
  CBrelvanoDlg* dlg = shared.dlg;
  ++g_resets;
  SettleMainWindow();
  g_nGeofenceCount = shared.geofenceCount;
  g_nBleCount = shared.bleCount;
  dlg->CreateChildPages(FALSE);
  dlg->m_bOpenedFromFile = FALSE;
  dlg->ResetDefinitionTabs();
  dlg->FreeReportParamLists();
  dlg->ResetSession();
  dlg->m_strPendingCommand.Empty();
  dlg->m_strLastCommand.Empty();
  dlg->m_bTranslateNames = FALSE;
  dlg->m_strDefinitionPath.Empty();
  dlg->m_strAssignCsvPath.Empty();
  dlg->m_strMergedXml.Empty();
  dlg->m_strJsonText.Empty();
  dlg->m_jsonReceive.clear();
  dlg->m_jsonData.clear();
  dlg->m_strJsonChecksum.Empty();
  dlg->m_bInFrame = FALSE;
  dlg->m_nHeaderFill = 0;
  dlg->m_wPacketLength = 0;
  dlg->m_bLastPacket = FALSE;
  dlg->m_nResendCount = 0;
  dlg->m_nXmlSize = dlg->m_nXmlReceived = dlg->m_nPacketFill = 0;
  dlg->m_nFileCount = dlg->m_nCurrentFile = dlg->m_nPacket = dlg->m_nPacketCount = 0;
  EmptyFolder(g_scratch + "program");
  EmptyFolder(g_scratch + "Document");
  platform::ModalService::Instance().ClearRecords();
  return dlg;
}

void ReleaseMainWindow() {
  if (g_window.dlg == nullptr) return;
  SettleMainWindow();
  delete g_window.dlg;
  g_window.dlg = nullptr;
}

void SettleMainWindow() { platform::PumpPendingEvents(); }

void DeliverReceived(CBrelvanoDlg* dlg, const std::string& bytes) {
  for (size_t start = 0; start <= bytes.size();) {
    size_t end = bytes.find('\x01', start);
    if (end == std::string::npos) end = bytes.size();
    if (end > start) {
      std::string piece = bytes.substr(start, end - start);
      SerialStatus status;
      status.nCode = SERIAL_ST_DATA;
      status.nCount = static_cast<int>(piece.size());
      status.pData = &piece[0];
      dlg->OnSerialNotify(0, reinterpret_cast<LPARAM>(&status));
    }
    start = end + 1;
  }
}

}  // namespace fuzzsupport

namespace fuzzsupport {
namespace {

int TouchOptions(const PARAM_OPTION* options, int count) {
  FUZZ_CHECK(count >= 0);
  FUZZ_CHECK(count == 0 || options != nullptr);
  int sum = 0;
  for (int i = 0; i < count; ++i) sum += options[i].nType + options[i].nValue + options[i].strText.GetLength();
  return sum;
}

int CheckLists(CPtrList* lists, int count, int limit) {
  FUZZ_CHECK(count >= 0 && count <= limit);
  if (lists == nullptr) return 0;
  int sum = 0;
  for (int i = 0; i < count; ++i) {
    for (POSITION pos = lists[i].GetHeadPosition(); pos != nullptr;) {
      const PARAM_INFO* p = static_cast<const PARAM_INFO*>(lists[i].GetNext(pos));
      FUZZ_CHECK(p != nullptr);
      sum += TouchOptions(p->pOptions, p->nOptions);
      for (const SUBGROUP_PARAM& g : p->subGroups) sum += TouchOptions(g.pOptions, g.nOptions);
    }
  }
  return sum;
}

}  // namespace

void CheckDefinitionModel(CBrelvanoDlg* dlg) {
  volatile int sum = 0;
  sum += CheckLists(dlg->m_pParamLists, dlg->m_nTabCount, kMaxTabs);
  sum += CheckLists(dlg->m_pReportParamLists, dlg->m_nReportTabCount, kMaxReportTabs);
  FUZZ_CHECK(dlg->m_nParseTab >= 0 && dlg->m_nParseTab <= kMaxTabs);
  FUZZ_CHECK(dlg->m_nReportParseTab >= 0 && dlg->m_nReportParseTab <= kMaxReportTabs);
  (void)sum;
}

}  // namespace fuzzsupport

namespace fuzzsupport {
namespace {

// Tabs of every page kind, with codes for every route of the numbered read replies.
constexpr char kDefinition[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<BRELVANO S="VR600" I="UNIT1" P="0000" V="1.2" D=";" R="RR" cmd="$%s;%s" res="$PVR;%s" lat="37.5" lng="127.25" dmax="250">
  <grp id="1" tab_id="5" map_id="M1" title="General" hdr="GEN" type="assign">
    <item fid="Mode" type="combo" ID="0" num="3" base="5" curr="Day">
      <ele>Off</ele>
      <ele>On</ele>
      <ele>Auto</ele>
    </item>
    <item fid="Name" type="edit" ID="1" max="16"/>
    <item fid="Password" type="passwd" ID="2"/>
    <item fid="Server" type="ip" ID="3"/>
    <item fid="Flag" type="check box" ID="4"/>
    <item fid="Alert" type="alert_id" ID="5"/>
    <item fid="Small" type="sAssign" ID="6"/>
    <item fid="Medium" type="mAssign" ID="7"/>
    <item fid="Large" type="lAssign" ID="8"/>
    <item fid="Reports" type="edit+button" ID="9"/>
    <item fid="Number" type="edit_number" ID="10"/>
    <item fid="Hex" type="edit_hex" ID="11"/>
  </grp>
  <grp id="1" tab_id="6" title="Maps" hdr="RMAP">
    <item fid="Map1" type="edit" ID="1"/>
    <item fid="Map2" type="edit" ID="2"/>
  </grp>
  <grp id="1" tab_id="18" title="Lists" hdr="LST">
    <item fid="Entry" type="edit" ID="0"/>
  </grp>
  <grp id="1" tab_id="45" title="Records" hdr="REC">
    <item fid="Record" type="edit" ID="0"/>
  </grp>
  <grp id="6" tab_id="50" title="Zones" hdr="GEO" unit="1" min="2" max="20" req="1" ord="AB">
    <item fid="Latitude" type="edit"/>
    <item fid="Radius" type="edit"/>
  </grp>
  <grp id="40" tab_id="41" title="Beacons" hdr="BLE" min="1" max="30">
    <item fid="Mac" type="edit"/>
  </grp>
  <grp id="19" tab_id="53" title="Polygons" hdr="XYZ" unit="3" min="1" max="10" ptmax="50" tptmax="500">
    <subgrp id="0" hdr="PLS" title="Service">
      <item id="0" fid="Service" type="combo" num="2" curr="Disable">
        <ele>Disable</ele>
        <ele>Enable</ele>
      </item>
      <item id="1" fid="Value" type="edit" curr="7"/>
    </subgrp>
  </grp>
  <grp id="26" title="Presets" hdr="APS">
    <item fid="Preset" type="edit"/>
  </grp>
  <grp id="7" title="Command" hdr="CMD">
    <item fid="Reset" type="combo" num="0"/>
  </grp>
</BRELVANO>
)";


}  // namespace

CBrelvanoDlg* NumberedMainWindow(bool& loaded) {
  static unsigned loadedAt = 0;
  static bool once = false;
  loaded = !once || loadedAt != g_resets;
  if (loaded) {
    CBrelvanoDlg* dlg = FreshMainWindow();
    LoadNumberedDefinition(dlg, true);
    loadedAt = g_resets;
    once = true;
    return dlg;
  }
  SettleMainWindow();
  platform::ModalService::Instance().ClearRecords();
  return g_window.dlg;
}

void LoadNumberedDefinition(CBrelvanoDlg* dlg, bool withGeofencePage) {
  static const std::string withPage(kDefinition);
  static const std::string withoutPage = [] {
    std::string text(kDefinition);
    const size_t from = text.find("  <grp id=\"6\"");
    const size_t to = text.find("</grp>\n", from) + 7;
    return text.erase(from, to - from);
  }();
  dlg->LoadXmlDefinition(WriteScratchFile("definition.xml", withGeofencePage ? withPage : withoutPage), FALSE);
  FUZZ_CHECK(dlg->m_nTabCount > 0);
}

}  // namespace fuzzsupport
