// Test helper: the main window created modeless in a temporary current folder with its own
// registry file, no serial ports and a scripted modal service (an unexpected modal fails the test).
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "../../platform/qt_app.h"
#include "gui/dlg/brelvanodlg.h"
#include "platform/console.h"
#include "platform/modal.h"
#include "platform/portenum.h"
#include "platform/registry.h"
#include "reference/default/appregsettings.h"
#include "resources/programresources.h"
#include "temp_folder.h"

namespace testsupport {

constexpr DWORD kNoLanguage = 0xFFFFFFFF;

// TRUE when the window's message map (or a base map) takes the message.
inline bool HandlesMessage(const CWnd& wnd, UINT message) {
  for (const AFX_MSGMAP* map = wnd.GetMessageMap(); map != nullptr;
       map = map->pfnGetBaseMap != nullptr ? map->pfnGetBaseMap() : nullptr) {
    for (const AFX_MSGMAP_ENTRY* e = map->lpEntries; e != nullptr && e->handler != nullptr; ++e) {
      if (e->nMessage == message) return true;
    }
  }
  return false;
}

class MainWindowFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    testsupport::EnsureApp();
    platform::SetGuiThread();
    ASSERT_TRUE(m_folder.Ok());
    m_folder.Enter();
    platform::SetRegistryPath(m_folder.CPath("registry.txt"));
    // No serial ports: the port selector holds just its two fixed items, whatever the machine has.
    platform::SetTtyDeviceLister([] { return std::vector<platform::TtyDeviceFacts>{}; });
    brelvano::RegisterProgramResources();
    g_nConsoleClicks = 0;
    // Each test starts with the program's state as a new main window leaves it (a file mode of an
    // earlier test ends there, as it does in the program).
    { CBrelvanoDlg fresh; }
    platform::ModalService& s = platform::ModalService::Instance();
    s.InstallScript();
    s.SetUnexpectedHandler([](const platform::ModalRecord& r) {
      ADD_FAILURE() << "unexpected modal request: " << platform::DescribeModalRecord(r);
    });
  }
  void TearDown() override {
    m_dlg.reset();
    platform::CloseConsoleWindow();
    platform::ModalService& s = platform::ModalService::Instance();
    EXPECT_EQ(s.PendingAnswers(), 0u) << "queued modal answers were not used";
    s.UninstallScript();
    platform::SetTtyDeviceLister({});
    platform::SetRegistryPath(CString());
  }

  static void SetLanguage(DWORD language) {
    if (language == kNoLanguage) return;
    CAppRegSettings settings;
    settings.SetRegistryKey(kAppRegistryKeyName);
    ASSERT_TRUE(settings.WriteProfileInt(nullptr, kRegValueLanguage, static_cast<int>(language)));
  }
  // A settings page made in the numbered-parameter set reads the assignment header CSV and says
  // so in a message box when there is none: for tests whose Document folder holds no CSV, those
  // boxes are let through (any other unexpected modal still fails the test).
  static void TolerateMissingAssignCsv() {
    platform::ModalService::Instance().SetUnexpectedHandler([](const platform::ModalRecord& r) {
      const bool csvBox = r.kind == platform::ModalKind::MessageBox &&
                          (r.text.Find(L"assignment header table") >= 0 || r.text.Find(L".csv was not found") >= 0);
      if (!csvBox) ADD_FAILURE() << "unexpected modal request: " << platform::DescribeModalRecord(r);
    });
  }
  static int StoredLanguage() {
    CAppRegSettings settings;
    settings.SetRegistryKey(kAppRegistryKeyName);
    return settings.GetProfileInt(nullptr, kRegValueLanguage, -1);
  }

  // The main window created modeless, with the language setting given.
  CBrelvanoDlg* Open(DWORD language = 9) {
    SetLanguage(language);
    m_dlg = std::make_unique<CBrelvanoDlg>();
    EXPECT_TRUE(m_dlg->Create(IDD_BRELVANO_DIALOG));
    return m_dlg.get();
  }

  // A click on a button of a window, as the button reports it.
  // Opens the first definition tab of a page type as a user picks it in the tab strip; false when
  // there is none.
  static bool OpenTabOfType(CBrelvanoDlg* dlg, int type) {
    for (int i = 0; i < dlg->m_tabPages.GetItemCount(); ++i) {
      if (dlg->m_tabInfo[i].nType != type) continue;
      dlg->m_tabPages.SetCurSel(i);
      dlg->OnTabSelChange(nullptr, nullptr);
      return true;
    }
    return false;
  }
  // The user chooses a definition file in Open's file dialog: the window enters file mode with it.
  static void ChooseDefinitionFile(CBrelvanoDlg* dlg, const CString& path) {
    platform::ModalService::Instance().ExpectFileDialog(path);
    ASSERT_TRUE(dlg->ChooseDefinitionFile(nullptr)) << "the file is taken";
    ASSERT_TRUE(g_bFileMode);
  }
  static void ClickButton(CWnd* wnd, int id) {
    wnd->SendMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                     reinterpret_cast<LPARAM>(wnd->GetDlgItem(id)->GetSafeHwnd()));
  }
  // Chooses a port of the selector by name and presses Connect; false when it is not listed.
  static bool ConnectToPort(CBrelvanoDlg* dlg, const CString& name) {
    bool selected = false;
    for (int i = 0; i < dlg->m_comboPort.GetCount() && !selected; ++i) {
      if (dlg->m_comboPort.GetLBText(i) == name) {
        dlg->m_comboPort.SetCurSel(i);
        dlg->m_strComPort = name;
        selected = true;
      }
    }
    if (selected) ClickButton(dlg, IDC_BTN_CONNECT);
    return selected;
  }

  static MSG Key(HWND target, WPARAM vk) {
    MSG m{};
    m.hwnd = target;
    m.message = WM_KEYDOWN;
    m.wParam = vk;
    return m;
  }

  static std::vector<platform::ModalRecord> Records(platform::ModalKind kind) {
    std::vector<platform::ModalRecord> out;
    for (const auto& r : platform::ModalService::Instance().Records())
      if (r.kind == kind) out.push_back(r);
    return out;
  }

  testsupport::TempFolder m_folder;
  std::unique_ptr<CBrelvanoDlg> m_dlg;
};

}  // namespace testsupport
