// The main window: its controls, the language texts it shows, closing with the exit question, the
// title, the busy lock, the progress range, keyboard input (command line, Esc, access code), the
// log menu and clipboard, the hidden console button, the device list and the About command.
#include "gui/dlg/brelvanodlg.h"
#include "gui/dlg/menudlg.h"
#include "gui/dlg/settingdlg.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEvent>

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "../../platform/qt_app.h"
#include "platform/clock.h"
#include "platform/console.h"
#include "platform/listctrl.h"
#include "platform/modal.h"
#include "platform/portenum.h"
#include "platform/registry.h"
#include "platform/sync.h"
#include "platform/windowimage.h"
#include "reference/default/appregsettings.h"
#include "model_fill.h"
#include "resources/programresources.h"
#include "temp_folder.h"
#include "mainwindow_fixture.h"

namespace {

using platform::ModalKind;
using platform::ModalService;

// A page stand-in (a menu panel) that counts the busy-lock messages it gets.
class LockProbe : public CMenuDialog {
 public:
  LockProbe() : CMenuDialog(nullptr, nullptr) {}
  std::vector<WPARAM> locks;
  LRESULT OnUiLock(WPARAM wParam, LPARAM) {
    locks.push_back(wParam);
    return 0;
  }
  DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(LockProbe, CMenuDialog)
  ON_MESSAGE(WM_UI_LOCK, &LockProbe::OnUiLock)
END_MESSAGE_MAP()

class MainWindowTest : public testsupport::MainWindowFixture {};
using testsupport::kNoLanguage;

TEST_F(MainWindowTest, ShowsEveryControlOfItsTemplateBoundToItsMember) {
  CBrelvanoDlg* dlg = Open();
  struct Control {
    int id;
    CWnd* member;
  };
  const Control controls[] = {
      {IDC_COMBO_PORT, &dlg->m_comboPort},       {IDC_BTN_CONNECT, &dlg->m_btnConnect},
      {IDC_BTN_DISCONNECT, &dlg->m_btnDisconnect}, {IDC_BTN_OPEN, &dlg->m_btnOpen},
      {IDC_LIST_DEVICE, &dlg->m_listDevice},     {IDC_LIST_LOG, &dlg->m_listLog},
      {IDC_STATIC_TITLE, &dlg->m_staticTitle},   {IDC_EDIT_COMMAND, &dlg->m_editCommand},
      {IDC_TAB_PAGES, &dlg->m_tabPages},         {IDC_STATIC_COMPORT, &dlg->m_staticComPort},
      {IDC_STATIC_LOGO, &dlg->m_staticLogo},     {IDC_BTN_CONSOLE, &dlg->m_btnConsole},
      {IDC_PROGRESS, &dlg->m_progress},          {IDC_STATIC_COMPANY, &dlg->m_staticCompany},
  };
  for (const Control& c : controls) {
    CWnd* item = dlg->GetDlgItem(c.id);
    ASSERT_NE(item, nullptr) << c.id;
    EXPECT_EQ(item->GetSafeHwnd(), c.member->GetSafeHwnd()) << c.id;
    EXPECT_NE(c.member->GetSafeHwnd(), nullptr) << c.id;
  }
  EXPECT_NE(dlg->GetDlgItem(IDC_STATIC_NOID), nullptr) << "the group box";
  ASSERT_EQ(dlg->m_comboPort.GetCount(), 2);
  CString item;
  dlg->m_comboPort.GetLBText(0, item);
  EXPECT_EQ(item, CString(L"SEARCH.."));
  dlg->m_comboPort.GetLBText(1, item);
  EXPECT_EQ(item, CString(L"USB"));
  EXPECT_EQ(dlg->m_staticComPort.GetWindowText(), CString(L"Comport : "));
  EXPECT_EQ(dlg->GetWindowText(), CString(L"Brelvano_v5 - Kestova Int."));
  dlg->ShowWindow(SW_SHOW);
  // Without pages: logo shown, log and command line hidden, port selector waits for the search.
  EXPECT_TRUE(dlg->m_staticLogo.IsWindowVisible());
  EXPECT_FALSE(dlg->m_listLog.IsWindowVisible());
  EXPECT_FALSE(dlg->m_editCommand.IsWindowVisible());
  EXPECT_FALSE(dlg->m_progress.GetWidget()->isVisible());
  EXPECT_FALSE(dlg->m_comboPort.IsWindowEnabled());
  // The fresh current folder gained its Document folder; no company text there.
  EXPECT_TRUE(m_folder.Exists("Document"));
  EXPECT_EQ(dlg->m_staticCompany.GetWindowText(), CString());
}

TEST_F(MainWindowTest, FirstStartStoresEnglishAndShowsEnglishTexts) {
  CBrelvanoDlg* dlg = Open(kNoLanguage);
  EXPECT_EQ(StoredLanguage(), 9);
  EXPECT_EQ(dlg->m_language.LoadString(1001), CString(L"Really want to exit ?"));
  EXPECT_NE(dlg->m_hLangInstance, nullptr);
}

TEST_F(MainWindowTest, ExitQuestionComesInTheChosenLanguageAndCancelKeepsTheWindow) {
  struct Case {
    DWORD language;
    const wchar_t* question;
  } cases[] = {
      {9, L"Really want to exit ?"}, {22, L"Deseja sair do programa?"}, {10, L"ERROR"}, {25, L"ERROR"}, {0, L"ERROR"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.language);
    CBrelvanoDlg* dlg = Open(c.language);
    dlg->ShowWindow(SW_SHOW);
    ModalService::Instance().ClearRecords();
    ModalService::Instance().ExpectMessageBox(IDCANCEL);
    dlg->SendMessage(WM_CLOSE);
    const auto boxes = Records(ModalKind::MessageBox);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, CString(c.question));
    EXPECT_EQ(boxes[0].flags & (MB_TYPEMASK | MB_ICONMASK), MB_OKCANCEL | MB_ICONQUESTION);
    EXPECT_TRUE(dlg->IsWindowVisible());
    EXPECT_NE(dlg->m_hReadDoneEvent, nullptr) << "Cancel leaves everything in place";
    m_dlg.reset();
  }
}

TEST_F(MainWindowTest, ModalRunEndsOnlyWhenTheExitQuestionIsConfirmed) {
  SetLanguage(9);
  CBrelvanoDlg dlg;
  bool stayedAfterCancel = false;
  bool eventsClosed = false;
  ModalService::Instance().ExpectDialog(
      [&](CDialog& d) -> INT_PTR {
        auto& main = static_cast<CBrelvanoDlg&>(d);
        ModalService::Instance().ExpectMessageBox(IDCANCEL);
        main.SendMessage(WM_CLOSE);
        stayedAfterCancel = main.IsWindowVisible() != FALSE;
        ModalService::Instance().ExpectMessageBox(IDOK);
        main.SendMessage(WM_CLOSE);
        // Every wait ends: the events are set (they are closed with the window object).
        eventsClosed = IsEventSet(main.m_hReadDoneEvent) && IsEventSet(main.m_hCommandAckEvent);
        return 1234;  // not used: the window ended itself
      },
      IDD_BRELVANO_DIALOG);
  EXPECT_EQ(dlg.DoModal(), IDCANCEL);
  EXPECT_TRUE(stayedAfterCancel);
  EXPECT_TRUE(eventsClosed);
}

TEST_F(MainWindowTest, TitleShowsVersionAndNoticeExceptInRussian) {
  struct Case {
    int language;
    const wchar_t* title;
  } cases[] = {
      {9, L"Brelvano v 5.0.9.4, Kestova"}, {0, L"Brelvano v 5.0.9.4, Kestova"}, {22, L"Brelvano v 5.0.9.4, Kestova"},
      {25, L"Brelvano v 5.0.9.4"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CBrelvanoDlg::MakeTitle(L"5.0.9.4", L"Kestova", c.language), CString(c.title)) << c.language;
  }
  EXPECT_EQ(CBrelvanoDlg::MakeTitle(CString(), CString(), 9), CString(L"Brelvano v , "));
  for (DWORD language : {kNoLanguage, DWORD(25)}) {
    CBrelvanoDlg* dlg = Open(language);
    const int shown = language == kNoLanguage ? 0 : static_cast<int>(language);
    EXPECT_EQ(dlg->m_staticTitle.GetWindowText(), CBrelvanoDlg::MakeTitle(dlg->m_strAppVersion, dlg->m_strAppNotice, shown));
    m_dlg.reset();
  }
}

TEST_F(MainWindowTest, TheWindowAndItsControlsShowTheArrowUntilTheMouseLeaves) {
  CBrelvanoDlg* dlg = Open();
  testsupport::FillTabs(dlg, {{1, L"General", L"GEN"}});
  dlg->CreateChildPages(TRUE);
  ASSERT_NE(dlg->m_pSettingDlg, nullptr);
  const HCURSOR wait = LoadCursor(nullptr, IDC_WAIT);
  const HCURSOR arrow = LoadCursor(nullptr, IDC_ARROW);
  struct Case {
    const char* what;
    CWnd* under;  // the window under the mouse
    BOOL busy;
    HCURSOR cursor;
  };
  const Case cases[] = {
      {"the command line", &dlg->m_editCommand, FALSE, arrow},
      {"the command line while busy", &dlg->m_editCommand, TRUE, wait},
      {"the settings page", dlg->m_pSettingDlg, FALSE, arrow},
      {"the settings page while busy", dlg->m_pSettingDlg, TRUE, wait},
  };
  for (const Case& c : cases) {
    dlg->LockUI(c.busy);
    SetCursor(nullptr);
    c.under->SendMessage(WM_SETCURSOR, reinterpret_cast<WPARAM>(c.under->GetSafeHwnd()), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(SetCursor(c.cursor), c.cursor) << c.what;
    // Out of the window the other windows show their own cursors.
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(dlg->GetWidget(), &leave);
    EXPECT_EQ(SetCursor(nullptr), nullptr) << c.what;
  }
  dlg->LockUI(FALSE);
}

TEST_F(MainWindowTest, LockUiTellsOnlyExistingPagesAndSwitchesTheCursor) {
  CBrelvanoDlg* dlg = Open();
  const HCURSOR wait = LoadCursor(nullptr, IDC_WAIT);
  dlg->LockUI(TRUE);  // no pages yet: nothing to tell
  EXPECT_TRUE(dlg->m_bBusy);
  EXPECT_EQ(SetCursor(nullptr), wait);
  dlg->LockUI(FALSE);
  EXPECT_EQ(SetCursor(nullptr), nullptr);

  auto* probe = new LockProbe;
  platform::DialogTemplate tpl(9401, 0, 0, 40, 20, WS_CHILD);
  ASSERT_TRUE(probe->CreateIndirect(tpl, dlg));
  dlg->m_pMenuDlg = probe;  // the main window owns and deletes it
  dlg->LockUI(TRUE);
  dlg->LockUI(FALSE);
  EXPECT_EQ(probe->locks, (std::vector<WPARAM>{TRUE, FALSE}));
  dlg->CloseMainWindow();
  EXPECT_EQ(dlg->m_pMenuDlg, nullptr);
}

TEST_F(MainWindowTest, ProgressRangeEndsOneBelowTheCount) {
  CBrelvanoDlg* dlg = Open();
  struct Case {
    short lower;
    int count;
    int low, high;
  } cases[] = {{0, 1, 0, 0}, {0, 10, 0, 9}, {3, 8, 3, 7}, {5, 0, 5, 5}, {0, 70000, 0, 69999}};
  for (const Case& c : cases) {
    dlg->SetProgressRange(c.lower, c.count);
    int low = -1, high = -1;
    dlg->m_progress.GetRange(low, high);
    EXPECT_EQ(low, c.low) << c.lower << "," << c.count;
    EXPECT_EQ(high, c.high) << c.lower << "," << c.count;
  }
  dlg->ShowWindow(SW_SHOW);
  dlg->ShowProgress(TRUE);
  EXPECT_TRUE(dlg->m_progress.IsWindowVisible());
  dlg->ShowProgress(FALSE);
  EXPECT_FALSE(dlg->m_progress.IsWindowVisible());
}

TEST_F(MainWindowTest, EnterInTheCommandLineQueuesItsTextAndKeepsItSelected) {
  CBrelvanoDlg* dlg = Open();
  const HWND edit = dlg->m_editCommand.GetSafeHwnd();
  MSG enter = Key(edit, VK_RETURN);
  EXPECT_TRUE(dlg->PreTranslateMessage(&enter));
  EXPECT_EQ(dlg->m_strPendingCommand, CString()) << "an empty line sends nothing";
  EXPECT_EQ(dlg->m_listLog.GetCount(), 0);

  dlg->m_editCommand.SetWindowText(L"$PVRVer;1416");
  EXPECT_TRUE(dlg->PreTranslateMessage(&enter));
  EXPECT_EQ(dlg->m_strPendingCommand, CString(L"$PVRVer;1416\r"));
  EXPECT_TRUE(dlg->m_bEchoFilter);
  EXPECT_EQ(dlg->m_strEchoText, CString(L"$PVRVer;1416"));
  EXPECT_EQ(dlg->m_editCommand.GetWindowText(), CString(L"$PVRVer;1416"));
  int start = -1, end = -1;
  dlg->m_editCommand.GetSel(start, end);
  EXPECT_EQ(start, 0);
  EXPECT_EQ(end, 12);
  // The command shows in the log as it leaves, at the transmitter's next pass.
  ASSERT_TRUE(platform::PumpUntil([&] { return dlg->m_listLog.GetCount() == 1; }, 5000));
  EXPECT_GE(dlg->m_listLog.GetText(0).Find(L"] $PVRVer;1416"), 0);

  // Enter aimed at another control is taken too, and queues nothing.
  dlg->m_strPendingCommand.Empty();
  MSG other = Key(dlg->m_btnConnect.GetSafeHwnd(), VK_RETURN);
  EXPECT_TRUE(dlg->PreTranslateMessage(&other));
  EXPECT_EQ(dlg->m_strPendingCommand, CString());
}

TEST_F(MainWindowTest, EnterAndEscapeTypedOnTheWindowNeverCloseIt) {
  CBrelvanoDlg* dlg = Open();
  dlg->ShowWindow(SW_SHOW);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(dlg->GetWidget()));
  for (Qt::Key key : {Qt::Key_Return, Qt::Key_Escape, Qt::Key_Enter}) {
    QTest::keyClick(dlg->m_btnConnect.GetWidget(), key);
    QTest::keyClick(dlg->GetWidget(), key);
    EXPECT_TRUE(dlg->IsWindowVisible()) << key;
  }
}

TEST_F(MainWindowTest, AccessCodeTypedAnywhereShowsTheEngineeringMessageUntilEscape) {
  struct Case {
    const char* keys;  // '~' stands for Esc
    size_t messages;
  } cases[] = {
      {"maplegrid", 1}, {"MAPLEGRIDX", 2}, {"maplegridab", 3}, {"maplegrid~x", 1}, {"mapleXgrid", 0},
      {"xxmaplegrid", 1}, {"maple~grid", 0}, {"mmaplegrid~maplegrid", 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.keys);
    CBrelvanoDlg* dlg = Open();
    ModalService::Instance().ClearRecords();
    for (size_t i = 0; i < c.messages; ++i) ModalService::Instance().ExpectMessageBox(IDOK);
    for (const char* p = c.keys; *p != '\0'; ++p) {
      const WPARAM vk = *p == '~' ? VK_ESCAPE : static_cast<WPARAM>(std::toupper(static_cast<unsigned char>(*p)));
      MSG m = Key(dlg->m_tabPages.GetSafeHwnd(), vk);
      dlg->PreTranslateMessage(&m);
      if (*p == '~') {
        EXPECT_TRUE(dlg->m_strKeyBuffer.IsEmpty());
      }
    }
    const auto boxes = Records(ModalKind::MessageBox);
    ASSERT_EQ(boxes.size(), c.messages);
    for (const auto& b : boxes) EXPECT_EQ(b.text, CString(L"Start Engineering Mode"));
    EXPECT_LE(dlg->m_strKeyBuffer.GetLength(), 9) << "the buffer stays small";
    m_dlg.reset();
  }
}

TEST_F(MainWindowTest, LogMenuCopiesTheSelectedLineWithoutBreaksAndClears) {
  CBrelvanoDlg* dlg = Open();
  dlg->AddLog(L"first line");
  dlg->AddLog(L"second\nline");  // two parts, two lines
  dlg->AddLog(L"an error line");
  ASSERT_EQ(dlg->m_listLog.GetCount(), 4);
  EXPECT_EQ(dlg->m_listLog.GetItemData(3), DWORD_PTR(RGB(255, 0, 0)));
  EXPECT_EQ(dlg->m_listLog.GetItemData(0), DWORD_PTR(0));

  // No selection: Copy leaves the clipboard alone.
  dlg->m_listLog.SetCurSel(-1);
  SetClipboardText(L"untouched");
  dlg->SendMessage(WM_COMMAND, ID_LOG_COPY, 0);
  EXPECT_EQ(GetClipboardText(), CString(L"untouched"));

  dlg->m_listLog.SetCurSel(1);
  dlg->SendMessage(WM_COMMAND, ID_LOG_COPY, 0);
  const CString copied = GetClipboardText();
  EXPECT_EQ(copied.Find(L'\n'), -1);
  EXPECT_EQ(copied.Right(6), CString(L"second"));
  EXPECT_EQ(copied.Left(2), CString(L"[ "));

  // The right button on the log opens menu 144; its Clear empties the log.
  ModalService::Instance().ExpectMenu(ID_LOG_CLEAR);
  MSG up{};
  up.hwnd = dlg->m_listLog.GetSafeHwnd();
  up.message = WM_RBUTTONUP;
  dlg->PreTranslateMessage(&up);
  EXPECT_TRUE(platform::PumpUntil([&] { return dlg->m_listLog.GetCount() == 0; }, 5000));
  EXPECT_EQ(dlg->m_nLogLines, 0);
  const auto menus = Records(ModalKind::PopupMenu);
  ASSERT_EQ(menus.size(), 1u);
  ASSERT_EQ(menus[0].menuItems.size(), 2u);
  EXPECT_EQ(menus[0].menuItems[0].id, UINT(ID_LOG_COPY));
  EXPECT_EQ(menus[0].menuItems[1].id, UINT(ID_LOG_CLEAR));
}

TEST_F(MainWindowTest, TenthClickOnTheHiddenButtonOpensTheConsoleOnce) {
  CBrelvanoDlg* dlg = Open();
  for (int i = 1; i <= 9; ++i) platform::NotifyCommand(&dlg->m_btnConsole, BN_CLICKED);
  EXPECT_FALSE(platform::IsConsoleWindowOpen());
  platform::NotifyCommand(&dlg->m_btnConsole, BN_CLICKED);
  ASSERT_TRUE(platform::IsConsoleWindowOpen());
  platform::WriteStdout(L"traced line\n");
  EXPECT_TRUE(platform::PumpUntil([] { return platform::GetConsoleWindowText().Find(L"traced line") >= 0; }, 5000));
  platform::CloseConsoleWindow();
  for (int i = 0; i < 20; ++i) platform::NotifyCommand(&dlg->m_btnConsole, BN_CLICKED);
  EXPECT_FALSE(platform::IsConsoleWindowOpen());
  EXPECT_EQ(g_nConsoleClicks, kConsoleClicks);
}

std::vector<CString> Headings(CListCtrl& list) {
  std::vector<CString> out;
  for (int col = 0;; ++col) {
    wchar_t buffer[64] = {};
    LVCOLUMN column{};
    column.mask = LVCF_TEXT;
    column.pszText = buffer;
    column.cchTextMax = 64;
    if (!list.GetColumn(col, &column)) break;
    out.emplace_back(buffer);
  }
  return out;
}

TEST_F(MainWindowTest, DeviceListShowsTheIdentityAndPresentOptions) {
  CBrelvanoDlg* dlg = Open();
  struct Case {
    const char* name;
    DEVICE_INFO info;
    std::vector<CString> headings;
    std::vector<CString> cells;
  };
  DEVICE_INFO cleared;
  DEVICE_INFO rs232Input4;
  rs232Input4.strModel = L"VR765";
  rs232Input4.strBuyer = L"ACME";
  rs232Input4.strVersion = L"150-2A";
  rs232Input4.bRS232 = 1;
  rs232Input4.bInput4 = 1;
  rs232Input4.bLogin = 1;  // never shown
  DEVICE_INFO badVersion;
  badVersion.strVersion = L"abc";
  badVersion.strVerField17 = L"B1.2";
  DEVICE_INFO zeroVersion;
  zeroVersion.strVersion = L"0.0";
  zeroVersion.bVoice = 1;
  zeroVersion.bCAN = 1;
  zeroVersion.bSecurity = 1;
  zeroVersion.strVerField18 = L"W3";
  const std::vector<Case> cases = {
      {"cleared", cleared, {L"", L"Device", L"Buyer", L"Ver."}, {L"", L"", L"", L""}},
      {"rs232 and input4", rs232Input4, {L"", L"Device", L"Buyer", L"Ver.", L"RS232", L"Input4"},
       {L"", L"VR765", L"ACME", L"150-2A", L"O", L"O"}},
      {"unreadable version, ble", badVersion, {L"", L"Device", L"Buyer", L"Ver.", L"BLE Version"},
       {L"", L"", L"", L"", L"B1.2"}},
      {"zero version, others", zeroVersion, {L"", L"Device", L"Buyer", L"Ver.", L"Voice", L"CAN", L"Security", L"Wifi Version"},
       {L"", L"", L"", L"", L"O", L"O", L"O", L"W3"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    dlg->FillDeviceInfoList(&c.info);
    EXPECT_EQ(Headings(dlg->m_listDevice), c.headings);
    ASSERT_EQ(dlg->m_listDevice.GetItemCount(), 1);
    for (size_t col = 0; col < c.cells.size(); ++col) {
      EXPECT_EQ(dlg->m_listDevice.GetItemText(0, static_cast<int>(col)), c.cells[col]) << col;
    }
    EXPECT_EQ(dlg->m_listDevice.GetColumnWidth(0), 0);
    EXPECT_GT(dlg->m_listDevice.GetColumnWidth(1), 8);
  }
  dlg->FillDeviceInfoList(nullptr);  // nothing to show: the list stays as it is
  EXPECT_EQ(dlg->m_listDevice.GetItemCount(), 1);
}

TEST_F(MainWindowTest, AboutBoxOpensForEveryCommandOfItsGroup) {
  CBrelvanoDlg* dlg = Open();
  for (UINT id = 0x0010; id <= 0x001F; ++id) {
    ModalService::Instance().ExpectDialog([](CDialog&) -> INT_PTR { return IDOK; }, IDD_ABOUTBOX);
    dlg->SendMessage(WM_SYSCOMMAND, id, 0);
    EXPECT_EQ(ModalService::Instance().PendingAnswers(), 0u) << id;
  }
  ModalService::Instance().ClearRecords();
  for (UINT id : {0x0000u, 0x0020u, 0x0100u}) dlg->SendMessage(WM_SYSCOMMAND, id, 0);
  EXPECT_TRUE(Records(ModalKind::Dialog).empty());
}

TEST_F(MainWindowTest, ResetClearsHeaderAndIdentityButKeepsTheRest) {
  CBrelvanoDlg* dlg = Open();
  dlg->m_defHeader.strS = L"$PV";
  dlg->m_defHeader.strRes = L"x";
  dlg->m_deviceInfo.strModel = L"VR735";
  dlg->m_deviceInfo.bInput4 = 1;
  dlg->m_deviceInfo.bLogin = 1;
  dlg->m_deviceInfo.nVerField12 = 7;
  dlg->m_deviceInfo.strVerField17 = L"B";
  dlg->ResetHeaderAndDeviceInfo();
  EXPECT_TRUE(dlg->m_defHeader.strS.IsEmpty());
  EXPECT_TRUE(dlg->m_defHeader.strRes.IsEmpty());
  EXPECT_TRUE(dlg->m_deviceInfo.strModel.IsEmpty());
  EXPECT_EQ(dlg->m_deviceInfo.bInput4, 0);
  EXPECT_EQ(dlg->m_deviceInfo.bLogin, 0);
  EXPECT_EQ(dlg->m_deviceInfo.nVerField12, 7);
  EXPECT_EQ(dlg->m_deviceInfo.strVerField17, CString(L"B"));
}

TEST_F(MainWindowTest, BrandingAndPortugueseDictionaryComeFromTheDocumentFolder) {
  ASSERT_TRUE(platform::CreateFolder(m_folder.CPath("Document")));
  m_folder.Write("Document/CompanyText.txt", "Kestova Fleet\nsecond line\nthird\n");
  m_folder.Write("Document/POR_LANG.txt", "Device=Dispositivo\nSpeed Limit=Limite de velocidade\n");
  CBrelvanoDlg* dlg = Open(22);
  EXPECT_EQ(dlg->m_staticCompany.GetWindowText(), CString(L"Kestova Fleet"));
  EXPECT_EQ(dlg->Translate(L"speed limit"), CString(L"Limite de velocidade"));
  EXPECT_EQ(dlg->Translate(L"Unknown"), CString(L"Unknown"));
  EXPECT_EQ(dlg->m_strDocumentDir.Right(10), CString(L"/Document/"));
}

TEST_F(MainWindowTest, ACompanyTextThatCannotBeReadLeavesTheTemplateText) {
  struct stat st {};
  if (stat("/proc/self/mem", &st) != 0 || !S_ISREG(st.st_mode)) GTEST_SKIP() << "no /proc/self/mem";
  ASSERT_TRUE(platform::CreateFolder(m_folder.CPath("Document")));
  ASSERT_EQ(symlink("/proc/self/mem", m_folder.Path("Document/CompanyText.txt").c_str()), 0);
  CBrelvanoDlg* dlg = Open();
  EXPECT_EQ(dlg->m_staticCompany.GetWindowText(), CString(L"COMPANY :"));
}

TEST_F(MainWindowTest, ScreenshotOfTheMainWindow) {
  CBrelvanoDlg* dlg = Open();
  DEVICE_INFO info;
  info.strModel = L"VR765";
  info.strBuyer = L"ACME";
  info.strVersion = L"150-2A";
  info.bRS232 = 1;
  dlg->FillDeviceInfoList(&info);
  dlg->ShowWindow(SW_SHOW);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(dlg->GetWidget()));
  EXPECT_TRUE(platform::SaveWindowImage(dlg, m_folder.CPath("main.png")));
  EXPECT_GT(platform::FileSize(m_folder.CPath("main.png")), 1000);
  if (const char* path = std::getenv("BRELVANO_SCREENSHOT")) {
    EXPECT_TRUE(platform::SaveWindowImage(dlg, CString::FromUtf8(path)));
  }
}

// WaitWithMessages handles the window's messages until the tick count has moved on by the time
// asked, and says how long it was.
TEST_F(MainWindowTest, WaitWithMessagesHandlesMessagesForTheTimeAsked) {
  CBrelvanoDlg* dlg = Open();
  ASSERT_NE(dlg, nullptr);
  platform::ManualClock clock(1000);
  platform::SetClock(&clock);
  bool handled = false;
  QTimer::singleShot(0, [&] {
    handled = true;
    clock.Advance(30);
  });
  const DWORD passed = dlg->WaitWithMessages(25);
  platform::SetClock(nullptr);
  EXPECT_TRUE(handled) << "what came meanwhile was handled";
  EXPECT_GE(passed, 30u) << "the time that passed, not the time asked";
}

}  // namespace
