// The program's own resources: the dialog templates of the About box and the main window, the log
// pop-up menu, the program's string table, the program icon and the logo bitmap. Everything is
// registered with the layer by RegisterProgramResources(), once at start-up (tests call it too).
#pragma once

#include "platform/wintypes.h"

// Dialog templates.
#define IDD_ABOUTBOX 100
#define IDD_BRELVANO_DIALOG 102
// String table.
#define IDS_ABOUTBOX 101
// Icon and bitmap.
#define IDR_MAINFRAME 128
#define IDB_LOGO 148
// The communication log's pop-up menu and its commands.
#define IDR_LOG_POPUP 144
#define ID_LOG_COPY 32784
#define ID_LOG_CLEAR 32785
// The About box's system-menu command.
#define IDM_ABOUTBOX 0x0010

// Controls of the main window.
#define IDC_BTN_OPEN 1000
#define IDC_COMBO_PORT 1006
#define IDC_BTN_CONNECT 1007
#define IDC_BTN_DISCONNECT 1011
#define IDC_LIST_DEVICE 1012
#define IDC_LIST_LOG 1014
#define IDC_STATIC_TITLE 1063
#define IDC_EDIT_COMMAND 1064
#define IDC_TAB_PAGES 1066
#define IDC_STATIC_COMPORT 1067
#define IDC_STATIC_LOGO 1068
#define IDC_STATIC_COMPANY 1069
#define IDC_BTN_CONSOLE 1094
#define IDC_PROGRESS 1105
// Controls of the About box.
#define IDC_ABOUT_ICON 1200
#define IDC_ABOUT_PRODUCT 1201
#define IDC_ABOUT_NOTICE 1202
// A template control without an id of its own.
#define IDC_STATIC_NOID 0xFFFF

namespace brelvano {

// Registers (or registers again: the content is always the same) every resource above.
void RegisterProgramResources();

// The logo bitmap's size in pixels.
constexpr int kLogoWidth = 420;
constexpr int kLogoHeight = 220;

}  // namespace brelvano
