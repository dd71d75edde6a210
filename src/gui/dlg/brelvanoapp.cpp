// CBrelvanoApp and the program's one application object (compiled into the program itself).
#include "gui/dlg/brelvanoapp.h"

#include <memory>

#include "gui/dlg/brelvanodlg.h"
#include "gui/dlg/crashdumpfilter.h"
#include "resources/programresources.h"

namespace {
// The profile key of the application's own settings (the progress popup's position).
constexpr const wchar_t kProfileRegistryKey[] = L"로컬 응용 프로그램 마법사에서 생성된 응용 프로그램";
}  // namespace

BEGIN_MESSAGE_MAP(CBrelvanoApp, CWinApp)
  ON_COMMAND(ID_HELP, &CWinApp::OnHelp)
END_MESSAGE_MAP()

CBrelvanoApp::CBrelvanoApp() = default;

CBrelvanoApp theApp;

BOOL CBrelvanoApp::InitInstance() {
  INITCOMMONCONTROLSEX controls{};
  controls.dwSize = sizeof(controls);
  controls.dwICC = ICC_WIN95_CLASSES;
  InitCommonControlsEx(&controls);

  CWinApp::InitInstance();
  InstallCrashDumpFilter();
  AfxEnableControlContainer();
  SetRegistryKey(kProfileRegistryKey);

  brelvano::RegisterProgramResources();

  // The main window holds large record tables: it lives on the heap for the whole modal run.
  auto dlg = std::make_unique<CBrelvanoDlg>();
  m_pMainWnd = dlg.get();
  dlg->DoModal();

  RestoreCrashDumpFilter();
  m_pMainWnd = nullptr;
  return FALSE;
}
