// Template and control numbers of the side menu panel, the geofence and BLE pages and the report
// map dialog (their templates are registered by RegisterPageTemplates()).
#pragma once

// Templates.
#define IDD_REPORT_MAP 111
#define IDD_MENU_PANEL 133
#define IDD_WAIT 132
#define IDD_GEOFENCE_PAGE 140
#define IDD_BLE_DETAIL 153
#define IDD_BLE_PAGE 154
#define IDD_GEOFENCE_MAP 149
#define IDD_GEOFENCE_DETAIL 152
#define IDD_POLYGON_DETAIL 150
#define IDD_POLYGON_MAP 151

// Map pages (HTML resources).
#define IDR_HTML_CIRCLEMAP 104
#define IDR_HTML_POLYGONMAP 108

// Geofence page.
#define IDC_GEOFENCE_LIST 1045
#define IDC_GEOFENCE_ADD 1058
#define IDC_GEOFENCE_EDIT 1062
#define IDC_GEOFENCE_DELETE 1064
#define IDC_GEOFENCE_PROGRESS 1102
#define IDC_GEOFENCE_STATUS 1103

// Geofence map dialog (SEND is IDOK, CANCEL IDCANCEL) and geofence detail dialog.
#define IDC_MAP_PREV 1000
#define IDC_MAP_ALLVIEW 1099
#define IDC_DETAIL_NEXT 1000
#define IDC_DETAIL_CANCEL 1001

// Polygon map dialog (the polygon detail dialog's NEXT is IDOK, its CANCEL IDCANCEL).
#define IDC_POLYMAP_PREV 1079
#define IDC_POLYMAP_SEND 3
#define IDC_POLYMAP_CANCEL 1080
#define IDC_POLYMAP_FILE_OPEN 1081
#define IDC_POLYMAP_FILE_SAVE 1082

// BLE page.
#define IDC_BLE_LIST 1106
#define IDC_BLE_PROGRESS 1107
#define IDC_BLE_DELETE 1108
#define IDC_BLE_EDIT 1109
#define IDC_BLE_ADD 1110

// BLE detail dialog.
#define IDC_BLE_DETAIL_OK 1001
#define IDC_BLE_DETAIL_CANCEL 1111

// Report map dialog.
#define IDC_REPORT_OK 1084
#define IDC_REPORT_SMALL_TITLE 1096
#define IDC_REPORT_MEDIUM_TITLE 1097
#define IDC_REPORT_LARGE_TITLE 1098
