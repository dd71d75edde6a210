// Dialog templates registered by RegisterPageTemplates(): the side menu panel (133), the geofence
// page (140) with its map dialog (149) and detail dialog (152), the BLE page (154), the BLE detail
// dialog (153), the polygon zone wizard (150, 151) and the report map dialog (111).
#include "resources/pagetemplates.h"

#include "platform/controls.h"
#include "platform/dialog.h"
#include "platform/htmldialog.h"
#include "platform/listctrl.h"
#include "platform/resources.h"
#include "resources/pageresource.h"

namespace brelvano {

namespace {

using platform::DialogItemTemplate;
using platform::DialogTemplate;

// The pages are popups without caption; the main window places them over its page area.
constexpr DWORD kPageStyle = WS_POPUP | DS_SETFONT;

void RegisterMenuPanel() {
  // No controls: the panel fills the main window's tab strip.
  platform::RegisterDialogTemplate(DialogTemplate(IDD_MENU_PANEL, 0, 0, 90, 200, kPageStyle, 0, CString(),
                                                  L"MS Shell Dlg", 8));
}

void RegisterGeofencePage() {
  DialogTemplate t(IDD_GEOFENCE_PAGE, 0, 0, 540, 230, kPageStyle, 0, CString(), L"MS Shell Dlg", 8);
  const DWORD v = WS_VISIBLE;
  t.items = {
      DialogItemTemplate(L"SysListView32", L"", IDC_GEOFENCE_LIST, 5, 5, 440, 180,
                         v | WS_TABSTOP | WS_BORDER | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS),
      DialogItemTemplate(L"BUTTON", L"ADD", IDC_GEOFENCE_ADD, 455, 5, 75, 16, v | WS_TABSTOP | BS_PUSHBUTTON),
      DialogItemTemplate(L"BUTTON", L"EDIT", IDC_GEOFENCE_EDIT, 455, 25, 75, 16, v | WS_TABSTOP | BS_PUSHBUTTON),
      DialogItemTemplate(L"BUTTON", L"DELETE", IDC_GEOFENCE_DELETE, 455, 45, 75, 16, v | WS_TABSTOP | BS_PUSHBUTTON),
      DialogItemTemplate(L"msctls_progress32", L"", IDC_GEOFENCE_PROGRESS, 5, 188, 440, 8, PBS_SMOOTH | WS_BORDER),
      DialogItemTemplate(L"LISTBOX", L"", IDC_GEOFENCE_STATUS, 5, 198, 440, 28,
                         v | WS_BORDER | WS_VSCROLL | LBS_NOINTEGRALHEIGHT),
  };
  platform::RegisterDialogTemplate(t);
}

void RegisterBlePage() {
  DialogTemplate t(IDD_BLE_PAGE, 0, 0, 540, 230, kPageStyle, 0, CString(), L"MS Shell Dlg", 8);
  const DWORD v = WS_VISIBLE;
  t.items = {
      DialogItemTemplate(L"SysListView32", L"", IDC_BLE_LIST, 5, 5, 440, 200,
                         v | WS_TABSTOP | WS_BORDER | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS),
      DialogItemTemplate(L"BUTTON", L"ADD", IDC_BLE_ADD, 455, 5, 75, 16, v | WS_TABSTOP | BS_PUSHBUTTON),
      DialogItemTemplate(L"BUTTON", L"EDIT", IDC_BLE_EDIT, 455, 25, 75, 16, v | WS_TABSTOP | BS_PUSHBUTTON),
      DialogItemTemplate(L"BUTTON", L"DELETE", IDC_BLE_DELETE, 455, 45, 75, 16, v | WS_TABSTOP | BS_PUSHBUTTON),
      DialogItemTemplate(L"msctls_progress32", L"", IDC_BLE_PROGRESS, 5, 210, 440, 8, PBS_SMOOTH | WS_BORDER),
  };
  platform::RegisterDialogTemplate(t);
}

// Step 2 of a geofence ADD or EDIT: the circle map over the buttons; the dialog can be resized.
void RegisterGeofenceMap() {
  DialogTemplate t(IDD_GEOFENCE_MAP, 10, 10, 460, 320, WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | DS_SETFONT | DS_CENTER,
                   0, L"Geofence Dialog", L"MS Shell Dlg", 8);
  const DWORD v = WS_VISIBLE | WS_TABSTOP;
  t.items = {
      DialogItemTemplate(L"BUTTON", L"PREV", IDC_MAP_PREV, 170, 302, 60, 14, v | BS_PUSHBUTTON),
      DialogItemTemplate(L"BUTTON", L"SEND", IDOK, 235, 302, 60, 14, v | BS_PUSHBUTTON),
      DialogItemTemplate(L"BUTTON", L"CANCEL", IDCANCEL, 300, 302, 60, 14, v | BS_PUSHBUTTON),
      DialogItemTemplate(L"BUTTON", L"ALL VIEW", IDC_MAP_ALLVIEW, 390, 302, 60, 14, v | BS_PUSHBUTTON),
  };
  platform::RegisterDialogTemplate(t);
}

// Step 1 of a geofence ADD or EDIT: the controls of the geofence's further values are made at run
// time above the two buttons.
void RegisterGeofenceDetail() {
  DialogTemplate t(IDD_GEOFENCE_DETAIL, 20, 20, 300, 230, WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_SETFONT | DS_CENTER, 0,
                   L"Geofence Dialog", L"MS Shell Dlg", 8);
  const DWORD v = WS_VISIBLE | WS_TABSTOP;
  t.items = {
      DialogItemTemplate(L"BUTTON", L"NEXT", IDC_DETAIL_NEXT, 165, 210, 60, 14, v | BS_PUSHBUTTON),
      DialogItemTemplate(L"BUTTON", L"CANCEL", IDC_DETAIL_CANCEL, 232, 210, 60, 14, v | BS_PUSHBUTTON),
  };
  platform::RegisterDialogTemplate(t);
}

// The polygon zone wizard: step 1 (the zone's settings, made at run time above NEXT and CANCEL) and
// step 2 (the polygon map over its buttons; the dialog can be resized).
void RegisterPolygonDetail() {
  DialogTemplate t(IDD_POLYGON_DETAIL, 20, 20, 300, 230, WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_SETFONT | DS_CENTER, 0,
                   L"Dialog", L"MS Shell Dlg", 8);
  const DWORD v = WS_VISIBLE | WS_TABSTOP;
  t.items = {
      DialogItemTemplate(L"BUTTON", L"NEXT", IDOK, 165, 210, 60, 14, v | BS_PUSHBUTTON),
      DialogItemTemplate(L"BUTTON", L"CANCEL", IDCANCEL, 232, 210, 60, 14, v | BS_PUSHBUTTON),
  };
  platform::RegisterDialogTemplate(t);
}

void RegisterPolygonMap() {
  DialogTemplate t(IDD_POLYGON_MAP, 10, 10, 460, 320,
                   WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | DS_SETFONT | DS_CENTER, 0, L"Dialog",
                   L"MS Shell Dlg", 8);
  const DWORD v = WS_VISIBLE | WS_TABSTOP;
  t.items = {
      DialogItemTemplate(L"BUTTON", L"PREV", IDC_POLYMAP_PREV, 105, 302, 60, 14, v | BS_PUSHBUTTON),
      DialogItemTemplate(L"BUTTON", L"SEND", IDC_POLYMAP_SEND, 170, 302, 60, 14, v | BS_PUSHBUTTON),
      DialogItemTemplate(L"BUTTON", L"CANCEL", IDC_POLYMAP_CANCEL, 235, 302, 60, 14, v | BS_PUSHBUTTON),
      DialogItemTemplate(L"BUTTON", L"Cancel", IDC_POLYMAP_FILE_OPEN, 320, 302, 60, 14, v | BS_PUSHBUTTON),
      DialogItemTemplate(L"BUTTON", L"Cancel", IDC_POLYMAP_FILE_SAVE, 390, 302, 60, 14, v | BS_PUSHBUTTON),
  };
  platform::RegisterDialogTemplate(t);
}

void RegisterBleDetail() {
  DialogTemplate t(IDD_BLE_DETAIL, 30, 30, 420, 260, WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_SETFONT, 0,
                   L"BLE Dialog", L"MS Shell Dlg", 8);
  const DWORD v = WS_VISIBLE;
  t.items = {
      DialogItemTemplate(L"BUTTON", L"OK", IDC_BLE_DETAIL_OK, 300, 238, 50, 16, v | WS_TABSTOP | BS_PUSHBUTTON),
      DialogItemTemplate(L"BUTTON", L"CANCEL", IDC_BLE_DETAIL_CANCEL, 360, 238, 50, 16, v | WS_TABSTOP | BS_PUSHBUTTON),
  };
  platform::RegisterDialogTemplate(t);
}

void RegisterReportMap() {
  DialogTemplate t(IDD_REPORT_MAP, 20, 20, 300, 220,
                   WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VSCROLL | DS_MODALFRAME | DS_SETFONT, 0,
                   L"Report Map", L"MS Shell Dlg", 8);
  const DWORD v = WS_VISIBLE;
  t.items = {
      DialogItemTemplate(L"BUTTON", L"OK", IDC_REPORT_OK, 240, 5, 50, 14, v | WS_TABSTOP | BS_PUSHBUTTON),
      DialogItemTemplate(L"STATIC", L"Small Table", IDC_REPORT_SMALL_TITLE, 5, 5, 70, 10, 0),
      DialogItemTemplate(L"STATIC", L"Midium Table", IDC_REPORT_MEDIUM_TITLE, 80, 5, 70, 10, 0),
      DialogItemTemplate(L"STATIC", L"Large Table", IDC_REPORT_LARGE_TITLE, 155, 5, 70, 10, 0),
  };
  platform::RegisterDialogTemplate(t);
}

}  // namespace

void RegisterPageTemplates() {
  RegisterMenuPanel();
  RegisterGeofencePage();
  RegisterBlePage();
  RegisterBleDetail();
  RegisterReportMap();
  RegisterGeofenceMap();
  RegisterGeofenceDetail();
  RegisterPolygonDetail();
  RegisterPolygonMap();
  // The map pages are bundled into the program's own resources.
  platform::RegisterHtmlResource(IDR_HTML_CIRCLEMAP, L"qrc:/map/circlemap.html");
  platform::RegisterHtmlResource(IDR_HTML_POLYGONMAP, L"qrc:/map/polygonmap.html");
}

}  // namespace brelvano
