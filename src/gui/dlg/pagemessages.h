// The messages the main window and its pages send each other. Some values are shared by two
// messages that go to different windows (the menu panel's lock and the main window's BLE record
// send, for one).
#pragma once

#include "platform/winmsg.h"

// To the main window.
#define WM_SEND_TAB_COMMAND (WM_USER + 3)
#define WM_TAB_ACTIVATED (WM_USER + 6)
#define WM_SAVE_XML_PROFILE (WM_USER + 9)
#define WM_CHANGE_XML_PROFILE (WM_USER + 10)
#define WM_SEND_GEOFENCE_RECORD (WM_USER + 11)
#define WM_PAGE_BUSY (WM_USER + 17)
#define WM_SEND_BLE_RECORD (WM_USER + 20)
#define WM_SEND_FRAMED_COMMAND (WM_USER + 21)
#define WM_SAVE_TEXT_PROFILE (WM_USER + 112)
#define WM_CHANGE_TEXT_PROFILE (WM_USER + 113)
#define WM_OPEN_REPORT_MAP (WM_USER + 115)
#define WM_WRITE_CURRENT_TAB (WM_USER + 311)
#define WM_WRITE_GROUP (WM_USER + 312)
#define WM_WRITE_POLYGON_ZONE (WM_USER + 313)
#define WM_WRITE_POLYGON_POINTS (WM_USER + 314)
#define WM_SHOW_PAGES (WM_USER + 400)

// Both ways between the main window and the settings page.
#define WM_SETTINGS_PAGE_NOTIFY (WM_USER + 7)

// To the pages.
#define WM_GEOFENCE_RECORD (WM_USER + 12)
#define WM_UI_LOCK (WM_USER + 15)
#define WM_MENU_LOCK (WM_USER + 20)
#define WM_POLYGON_LIST_UPDATE (WM_USER + 22)
#define WM_MAP_PAGE_LOADED (WM_USER + 23)
#define WM_REPORT_MAP_DATA (WM_USER + 101)
#define WM_BLE_RECORD (WM_USER + 118)
