// Template and control ids of the settings page (the right-hand page of the main window that shows
// the generic parameter pages, the status and profile views, the assignment tables and the polygon
// zone list).
#pragma once

#define IDD_SETTING_DIALOG 130

#define IDC_SETTING_SEND 1000
#define IDC_SETTING_GPS 1015
#define IDC_SETTING_GPRS 1016
#define IDC_SETTING_PROFILE_PATH 1017
#define IDC_SETTING_LOAD_PROFILE 1018
#define IDC_SETTING_SAVE_PROFILE 1019
#define IDC_SETTING_POLYGON_ADD 1020
#define IDC_SETTING_CHANGE_PROFILE 1021
#define IDC_SETTING_POLYGON_EDIT 1022
#define IDC_SETTING_POLYGON_DELETE 1023
#define IDC_SETTING_IBUTTON 1024
#define IDC_SETTING_ODOMETER 1025
#define IDC_SETTING_RPM 1026
#define IDC_SETTING_ASSIGN_SMALL 1045
#define IDC_SETTING_ASSIGN_MEDIUM 1046
#define IDC_SETTING_ASSIGN_LARGE 1047
#define IDC_SETTING_POLYGON_LIST 1078
#define IDC_SETTING_PROGRESS 1081
#define IDC_SETTING_TITLE_SMALL 1096
#define IDC_SETTING_TITLE_MEDIUM 1097
#define IDC_SETTING_TITLE_LARGE 1098

// Controls the page builders generate: the value control of the parameter at list position i is
// IDC_SETTING_FIRST_VALUE + 2i, its label IDC_SETTING_FIRST_VALUE - 1 + 2i.
#define IDC_SETTING_FIRST_VALUE 3001
