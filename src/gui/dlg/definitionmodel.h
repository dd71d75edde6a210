// The device's parameter definition as the program holds it: tabs, parameters with their options
// and sub-groups, the page request handed to the pages, the command-framing header, the device
// identity, and the zone and record types the pages and the reply parsers share.
#pragma once

#include "platform/collections.h"
#include "platform/cstring.h"
#include "platform/wintypes.h"

class CWnd;

// Table sizes. The tab table holds the definition's own tabs and, after them, the appended
// Diagnosis and Profile tabs, so a definition has at most kMaxDefinitionTabs tabs of its own.
constexpr int kMaxTabs = 50;
constexpr int kMaxDefinitionTabs = 48;
constexpr int kMaxReportTabs = 50;
constexpr int kGeofenceSlots = 4096;
constexpr int kBleSlots = 500;
constexpr int kFieldFormats = 100;
constexpr int kPolygonExtras = 100;
constexpr int kPointBlocksPerZone = 60;
constexpr int kPointsPerBlock = 5;
constexpr int kPointListPoints = 100;
constexpr int kPointListZones = 30;

// Page types (TAB_INFO::nType).
enum {
  TAB_TYPE_GEOFENCE = 6,
  TAB_TYPE_COMMAND = 7,
  TAB_TYPE_POLYGON = 19,
  TAB_TYPE_PRESET = 26,
  TAB_TYPE_DIAGNOSIS = 27,  // nIndex of the appended Diagnosis tab
  TAB_TYPE_PROFILE = 28,    // nIndex of the appended Profile tab
  TAB_TYPE_GAP_GROUP = 36,
  TAB_TYPE_FILE_DOWNLOAD = 37,
  TAB_TYPE_BLE = 40,
  TAB_TYPE_XML_OWN_PAGE = 80,  // what an XML definition stores in place of 36 and 37
  TAB_TYPE_EMPTY = 100,
};

// Control types (PARAM_INFO::nCtrlType); 6 and 7 only in sub-group rows ("sheet" and "mgrp").
enum {
  CTRL_COMBO = 0,
  CTRL_EDIT = 1,
  CTRL_PASSWD = 2,
  CTRL_IP = 3,
  CTRL_CHECK_BOX = 4,
  CTRL_ANY = 5,
  CTRL_SHEET = 6,
  CTRL_MGRP = 7,
  CTRL_ALERT_ID = 8,
  CTRL_S_ASSIGN = 9,
  CTRL_M_ASSIGN = 10,
  CTRL_L_ASSIGN = 11,
  CTRL_EDIT_BUTTON = 12,
  CTRL_EDIT_NUMBER = 13,
  CTRL_EDIT_HEX = 14,
  CTRL_FILE_EDIT = 16,
};

// The control type for a definition's "type" text (exact, case-sensitive); -1 when it names none.
int ControlTypeFromText(const CString& text);

// One entry of an assignment table.
struct ASSIGN_INFO {
  BOOL bValid = FALSE;
  int nNo = 0;
  CString strData;
  CString strDes;
};

// One option of a combo-like parameter.
struct PARAM_OPTION {
  BOOL bHasType = FALSE;  // the option element carried a "type"
  int nType = 2;          // that "type"; 2 when absent
  int nMax = 0;
  int nValue = 0;         // position among the item's options plus the item's base
  CString strRid;
  CString strText;        // label (translated when names are translated)
  CString strCmdId;
  int nCtrlType = 0;      // control type of the report-map entry the option stands for
};

// Copies count options into a new array (nullptr for a count of 0 or less).
PARAM_OPTION* CopyOptions(const PARAM_OPTION* pSource, int nCount);

// One sub-group of a polygon page and the row being loaded under it.
struct SUBGROUP_PARAM {
  int nId = 0;
  CString strHdr;         // "PLS" marks the polygon service sub-group
  CString strTitle;
  int nCtrlType = 0;
  int nRowId = 0;
  CString strName;
  int nBase = 0;
  int nMax = 0;
  int nOptions = 0;
  CString strValue;
  CString strConfig;
  PARAM_OPTION* pOptions = nullptr;  // owned by the record that holds the sub-group
  BOOL bReserve = FALSE;
  CString strTag;         // "item", "sheet" or "mgrp"
  int nMgrpId = 0;
  CString strMgrpTitle;
  ASSIGN_INFO assign;
};

// One parameter of a tab. The first six fields repeat the tab's attributes. The option arrays are
// released explicitly (FreeParamOptions), never by the record's destructor, so that records can be
// staged and copied field by field.
struct PARAM_INFO {
  BOOL bAssign = FALSE;
  int nType = 0;
  int nTabId = 0;
  CString strMapId;
  CString strHdr;
  BOOL bVisible = FALSE;
  int nCtrlType = 0;
  ASSIGN_INFO assign;
  CString strAlertId;
  CString strName;
  int nBase = 0;
  int nSize = 0;
  int nDecimal = 0;
  CString strConfig;
  int nMax = 0;
  int nOptions = 0;
  CString strValue;
  PARAM_OPTION* pOptions = nullptr;
  BOOL bReserve = FALSE;
  int nId = 0;
  int nAssignNo = 0;
  BOOL bNumType = FALSE;
  CWnd* pValueWnd = nullptr;  // controls the settings page made for the parameter (owned there)
  CWnd* pLabelWnd = nullptr;
  CWnd* pExtraWnd = nullptr;
  SUBGROUP_PARAM subGroups[2];
  int nGroupMin = 1;
  int nGroupMax = 50;
};

// Releases the option arrays a parameter record holds (its own and both sub-groups') and nulls them.
void FreeParamOptions(PARAM_INFO& param);
// Deletes every record of a list of new'd PARAM_INFO records, with their option arrays, and
// empties the list.
void FreeParamInfoList(CPtrList& list);
// Copies the fields a record takes from its tab (type, ids, header, flags, group range).
void CopyParamTabFields(PARAM_INFO& to, const PARAM_INFO& from);
// Copies the tab fields and the item's own fields (not the page's controls, not the sub-groups);
// the options become a copy of their own, or none when from has no array.
void CopyParamItem(PARAM_INFO& to, const PARAM_INFO& from);

// One tab of a definition.
struct TAB_INFO {
  int nIndex = TAB_TYPE_EMPTY;
  int nType = TAB_TYPE_EMPTY;
  CString strTitle;
  CString strHdr;
  BOOL bAssign = FALSE;
  int nSize = 0;
  int nTabId = 0;
  CString strMapId;
  BOOL bVisible = TRUE;

  // Back to an unused slot (bVisible keeps its value).
  void Reset();
};

// A page request: the tab, its parameter list and the column widths.
struct PAGE_INFO {
  TAB_INFO tab;
  CPtrList* pParams = nullptr;
  int nLabelWidth = 0;
  int nValueWidth = 0;
};

// The definition's command framing: eight texts from the root attributes of the same names.
struct DEF_HEADER {
  CString strS;    // model token of the reply templates
  CString strI;    // unit identifier
  CString strP;    // password
  CString strV;    // version
  CString strD;    // field delimiter
  CString strR;    // reply token
  CString strCmd;  // request template
  CString strRes;  // reply template

  void Clear() { *this = DEF_HEADER(); }
};

// The identity of the connected device, from its version reply, and the definition's map defaults.
struct DEVICE_INFO {
  CString strModel;
  CString strBuyer;
  CString strProtocol;
  CString strVersion;     // firmware version text
  int nVerField5 = 0;
  int bVoice = 0;
  int bRS232 = 0;
  int bCAN = 0;
  int bSecurity = 0;
  int bLogin = 0;         // the device asks for a login (not shown in the device list)
  int bInput4 = 0;
  int nVerField12 = 0;
  CString strVerField17;  // BLE version
  CString strVerField18;  // Wi-Fi version
  int bJsonParam = 0;     // the definition comes as JSON
  CString strVerField16;
  CString strLat;         // map defaults
  CString strLng;
  int nDMax = 100;

  void Clear() { *this = DEVICE_INFO(); }
  // Empties the four identity texts and the first seven option integers; the rest keep theirs.
  void ClearIdentity() {
    strModel.Empty();
    strBuyer.Empty();
    strProtocol.Empty();
    strVersion.Empty();
    nVerField5 = bVoice = bRS232 = bCAN = bSecurity = bLogin = bInput4 = 0;
  }
};

// How one value of a record travels in the numbered-parameter set.
struct FIELD_FORMAT {
  int nType = 5;   // control type behind the column; 5: no column
  int nWidth = 0;  // hexadecimal digits
  int nDecimals = 0;
};

// One circular geofence.
struct GEOFENCE_INFO {
  int nId = 0;
  int bUsed = 0;
  int bIn = 0;
  int bOut = 0;
  CString strLatitude;
  CString strLongitude;
  CString strRadius;
  CString strSpare;
  CString strExtra;  // further values, each preceded by a separator
  FIELD_FORMAT formats[kFieldFormats];
};

// One BLE record.
struct BLE_INFO {
  int nSlot = 0;
  int bActive = 0;
  CString strValues;  // values, each preceded by ';'
  FIELD_FORMAT formats[kFieldFormats];
};

// Group limits of the geofence page.
struct GEO_GROUP_INFO {
  int nUnit = 0;
  int nMin = 0;
  int nMax = 50;
  CString strOrd;
  CString strHdr;
};

// Group limits of the BLE page.
struct BLE_GROUP_INFO {
  int nMin = 0;
  int nMax = 0;
  CString strHdr;
};

// One polygon zone.
struct POLYGON_INFO {
  CString strReserved1;
  CString strReserved2;
  CString strReserved3;
  CString strReserved4;
  int nIndex = 0;
  int bActive = 0;
  int nRole1 = 0;
  CString strRole2;
  CString strRole3;
  int nRole4 = 0;
  CString strRole5;
  CString strRole6;
  CString strRole7;
  int nRole8 = 0;
  CString strRole9;
  int nRole10 = 0;
  int nPointCount = 0;
  CString strRole11;
  int nOutActive = 0;
  int bHasOutActive = 0;
  CString strReserved5;
  int nReserved = 0;
  CString strExtra[kPolygonExtras];
  int nExtraType[kPolygonExtras] = {};
  // The numbered-parameter set's two state flags of the zone (settings of roles 1 and 2).
  int bUpRole1 = 0;
  int bUpRole2 = 0;
};

// One polygon point packet: up to five points of a zone.
struct POLYGON_POINT_BLOCK {
  CString strReserved1;
  CString strReserved2;
  CString strReserved3;
  CString strReserved4;
  int nPolygonIndex = 0;
  int nPacketNo = 0;
  int nPacketTotal = 0;
  struct {
    CString strLat;
    CString strLng;
  } point[kPointsPerBlock];
};

// All points of one zone, for the text profile.
struct POLYGON_POINT_LIST {
  int nCount = 0;
  CString strLat[kPointListPoints];
  CString strLng[kPointListPoints];
};

// The report-map request of an "edit+button" parameter.
struct REPORT_MAP_REQUEST {
  int nReportTab = -1;
  PARAM_INFO* pParam = nullptr;
  int nValueCtrlId = 0;
};

// One diagnosis reading, passed by address during a synchronous notification.
struct DIAG_INFO {
  int nGpsState = -1;
  int nNetworkState = -1;
  int bInitial = 1;
  int bHasExtra = 0;
  CString strIButtonId;
  CString strSpare;
  CString strOdoPulse;
  CString strDistance;
  CString strRpmPulse;
  CString strRpm;
  int bShowIButton = 0;
  int bShowOdo = 0;
  int bShowRpm = 0;
};

// The definition was opened from a file the user chose.
extern BOOL g_bFileMode;
// Geofence and BLE slots the pages offer (50 each by default).
extern int g_nGeofenceCount;
extern int g_nBleCount;
// Setters that keep the counts inside the tables (1..4096 and 1..500); a refused value leaves a trace.
void SetGeofenceCount(int nCount);
void SetBleCount(int nCount);
