// The program's own resources (see programresources.h). The two images are drawn at build time
// (resources/programimages.h) into Windows bitmap files compiled into the program.
#include "resources/programresources.h"

#include "resources/pagetemplates.h"

#include <cmath>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/controls.h"
#include "platform/dialog.h"
#include "platform/listctrl.h"
#include "platform/menu.h"
#include "platform/resources.h"
#include "platform/tabctrl.h"

#ifndef WS_EX_APPWINDOW
#define WS_EX_APPWINDOW 0x00040000u
#endif

namespace brelvano {
namespace {

// The pictures as the build drew them (resources/programimages.h): kIconBmp and kLogoBmp.
#include "programimages.inc"

void RegisterImages() {
  platform::RegisterIconResource(IDR_MAINFRAME, kIconBmp, sizeof kIconBmp);
  platform::RegisterBitmapResource(IDB_LOGO, kLogoBmp, sizeof kLogoBmp);
}

void RegisterAboutBox() {
  using platform::DialogItemTemplate;
  platform::DialogTemplate t(IDD_ABOUTBOX, 0, 0, 190, 62, DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_SETFONT,
                             0, L"Brelvano 정보", L"MS Shell Dlg", 9);
  const DWORD v = WS_VISIBLE;
  t.items = {
      DialogItemTemplate(L"STATIC", L"", IDC_ABOUT_ICON, 10, 12, 21, 20, v | SS_ICON),
      DialogItemTemplate(L"STATIC", L"Brelvano, Version 5.0", IDC_ABOUT_PRODUCT, 42, 12, 140, 10, v | SS_NOPREFIX),
      DialogItemTemplate(L"STATIC", L"Copyright (C) 2026 Kestova Inc.", IDC_ABOUT_NOTICE, 42, 26, 140, 10, v),
      DialogItemTemplate(L"BUTTON", L"OK", IDOK, 133, 41, 50, 14, v | WS_TABSTOP | WS_GROUP | BS_DEFPUSHBUTTON),
  };
  platform::RegisterDialogTemplate(t);
}

void RegisterMainWindow() {
  using platform::DialogItemTemplate;
  platform::DialogTemplate t(IDD_BRELVANO_DIALOG, 0, 0, 563, 389,
                             WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | DS_MODALFRAME | DS_SETFONT,
                             WS_EX_APPWINDOW, L"Brelvano", L"MS Shell Dlg", 9);
  const DWORD v = WS_VISIBLE;
  t.items = {
      // The connection band: title, device list, port selector and the three buttons.
      DialogItemTemplate(L"BUTTON", L"", IDC_STATIC_NOID, 3, 0, 557, 62, v | BS_GROUPBOX),
      DialogItemTemplate(L"STATIC", L"Static", IDC_STATIC_TITLE, 8, 6, 200, 10, v),
      DialogItemTemplate(L"SysListView32", L"", IDC_LIST_DEVICE, 8, 22, 210, 34,
                         v | WS_TABSTOP | WS_BORDER | LVS_REPORT | LVS_SINGLESEL),
      DialogItemTemplate(L"STATIC", L"Comport : ", IDC_STATIC_COMPORT, 236, 12, 40, 10, v),
      DialogItemTemplate(L"COMBOBOX", L"", IDC_COMBO_PORT, 278, 10, 70, 60, v | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST,
                         0, {L"SEARCH..", L"USB"}),
      DialogItemTemplate(L"BUTTON", L"Connect", IDC_BTN_CONNECT, 352, 8, 40, 16, v | WS_TABSTOP | BS_PUSHBUTTON),
      DialogItemTemplate(L"BUTTON", L"Disconnect", IDC_BTN_DISCONNECT, 396, 8, 40, 16, v | WS_TABSTOP | BS_PUSHBUTTON),
      DialogItemTemplate(L"BUTTON", L"Open", IDC_BTN_OPEN, 456, 8, 40, 16, v | WS_TABSTOP | BS_PUSHBUTTON),
      DialogItemTemplate(L"STATIC", L"COMPANY :", IDC_STATIC_COMPANY, 226, 40, 150, 10, v),
      DialogItemTemplate(L"BUTTON", L"", IDC_BTN_CONSOLE, 545, 2, 14, 10, v | BS_PUSHBUTTON),
      // The page area: tab strip and logo.
      DialogItemTemplate(L"SysTabControl32", L"", IDC_TAB_PAGES, 3, 68, 557, 268, v | TCS_MULTILINE),
      DialogItemTemplate(L"STATIC", L"", IDC_STATIC_LOGO, 6, 84, 551, 248, v | SS_BITMAP | SS_CENTERIMAGE | WS_BORDER),
      // The bottom: progress bar, communication log and command line (shown with the pages).
      DialogItemTemplate(L"msctls_progress32", L"", IDC_PROGRESS, 6, 338, 551, 6, PBS_SMOOTH | WS_BORDER),
      DialogItemTemplate(L"LISTBOX", L"", IDC_LIST_LOG, 6, 346, 551, 26,
                         LBS_OWNERDRAWVARIABLE | LBS_HASSTRINGS | LBS_NOTIFY | WS_VSCROLL | WS_HSCROLL | WS_TABSTOP),
      DialogItemTemplate(L"EDIT", L"", IDC_EDIT_COMMAND, 6, 374, 551, 12, ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP),
  };
  platform::RegisterDialogTemplate(t);
}

void RegisterMenus() {
  platform::RegisterMenuTemplate(IDR_LOG_POPUP, {MenuTemplateItem(L"List Popup", 0, MF_POPUP,
                                                                  {MenuTemplateItem(L"Copy", ID_LOG_COPY),
                                                                   MenuTemplateItem(L"Clear", ID_LOG_CLEAR)})});
}

void RegisterStrings() {
  static const std::map<UINT, CString> table = {
      {IDS_ABOUTBOX, CString(L"Brelvano 정보(&A)...")},
  };
  platform::SetStringTable([](UINT id, CString& out) {
    auto it = table.find(id);
    if (it == table.end()) return false;
    out = it->second;
    return true;
  });
}

}  // namespace

void RegisterProgramResources() {
  RegisterImages();
  RegisterAboutBox();
  RegisterMainWindow();
  RegisterMenus();
  RegisterStrings();
  RegisterPageTemplates();
  RegisterSettingTemplates();
  RegisterSessionTemplates();
  RegisterWaitTemplate();
}

}  // namespace brelvano
