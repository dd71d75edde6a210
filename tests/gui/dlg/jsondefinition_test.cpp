// Tests of the JSON definition loader of the main window: a definition with tabs of every kind
// (generic items with option and assignment lists, a left-out tab, geofence, BLE, polygon with
// sheets, row groups and rows, Gap/Group, file download, item rows) checked field by field; the
// header rules; and malformed definitions (wrong types, extra members, tabs without their "info",
// too many tabs, short option lists, a 10 MB file) that are refused or loaded without a crash.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gui/dlg/brelvanodlg.h"
#include "gui/dlg/settingdlg.h"
#include "definition_fixture.h"
#include "platform/modal.h"

namespace {

const char kDefinition[] = R"JSON({
 "brelvano": [
  {"info": [{"S": "VR900", "I": "UNIT9", "P": "1234", "V": "278", "D": ";", "R": "RR",
             "cmd": "$%s;%s", "res": "$PVR;%s", "lat": "37.5", "lng": "127.25", "dmax": "250"}]},
  {"General": [
    {"info": [{"id": "1", "tab_id": "5", "map_id": "M1", "type": "assign", "hdr": "GEN", "num_type": "1"}]},
    {"Mode": [{"ID": "11", "type": "combo", "num": "3", "value": "Day", "reserve": "0", "base": "5",
               "size": "2", "decimal_point": "1", "alert_id": "A1", "assign_no": "4", "max": "9"},
              {"list": [{"0": "5;Low;0;2;X", "1": "6;Mid;3;7;Y", "2": "7;High", "3": "8;Never"}]}]},
    {"Name": [{"type": "edit", "max": "16", "config": "not on this page"}]},
    {"Small": [{"type": "sAssign", "text_num": "3"}]},
    {"Plain": [{"type": "edit", "text_num": "3"}]},
    {"Assign": [{"type": "mAssign", "num": "2"}, {"AssignList": [{"0": "Speed;check box;x", "1": "Heading;other"}]}]},
    {"Keeps": [{"type": "file_edit"}]}
  ]},
  {"Hidden": [{"info": [{"id": "7", "visible": "0", "tab_id": "99", "map_id": "HM"}]}, {"Secret": [{"type": "edit"}]}]},
  {"Zones": [{"info": [{"id": "6", "hdr": "CGF", "unit": "1", "min": "2", "max": "120", "req": "1", "ord": "AB"}]},
             {"Latitude": [{"type": "edit", "config": "cfg"}]}]},
  {"Beacons": [{"info": [{"id": "40", "hdr": "BLE", "min": "1"}]}, {"Mac": [{"type": "edit"}]}]},
  {"Polygons": [
    {"info": [{"id": "19", "title": "PolyTitle", "hdr": "XYZ", "unit": "3", "min": "1", "max": "10",
               "ptmax": "50", "tptmax": "500"}]},
    {"Service": [{"info": [{"id": "0", "hdr": "PLS"}]},
                 {"Enable": [{"id": "0", "type": "combo", "num": "2", "value": "Disable"},
                             {"list": [{"0": "0;Disable;0;2", "1": "1;Enable;5;1"}]}]},
                 {"Value": [{"id": "1", "type": "edit", "value": "7"}]}]},
    {"Area": [{"info": [{"id": "1", "hdr": "PLA"}]},
              {"sheet": [{"id": "3", "num": "2"}, {"list": [{"0": "Lat", "1": "Lng"}]}]},
              {"subDetail": [{"info": [{"id": "1", "hdr": "MG1"}]},
                             {"Points": [{"id": "0", "num": "4", "type": "combo"}, {"list": [{"0": "x"}]}]},
                             {"Speed": [{"id": "2", "type": "edit", "config": "c2", "num": "2"},
                                        {"Slow": [{"type": "4", "max": "9", "curr": "Fast"}]},
                                        {"Fast": [{"info": null}]}]}]},
              {"subMap": [{"info": [{"id": "2"}]}]}]}
  ]},
  {"Gap": [{"info": [{"id": "36", "hdr": "GAP", "min": "2", "max": "9"}]}, {"Slot": [{"type": "edit"}]}]},
  {"Download": [{"info": [{"id": "37", "hdr": "FWD"}]}, {"File": [{"type": "edit+button"}]}]},
  {"Rows": [{"info": [{"id": "30", "hdr": "R30"}]},
            {"Outputs": [{"ID": "50", "type": "edit"},
                         {"grpA": [{"info": [{"id": "4", "hdr": "OH"}]},
                                   {"Out1": [{"id": "1", "type": "check box"}]},
                                   {"Out2": [{"id": "2", "num": "3"}]}]}]}]}
 ]
})JSON";

using testsupport::TabParams;

// A definition of n visible tabs named T0, T1, ..., each with one item named after its tab.
std::string ManyTabs(int n) {
  std::string text = R"({"brelvano": [{"info": [{"S": "MANY"}]})";
  for (int i = 0; i < n; ++i) {
    const std::string name = "T" + std::to_string(i);
    text += R"(, {")" + name + R"(": [{"info": [{"id": "1", "hdr": "H"}]}, {"P)" + name + R"(": [{"type": "edit"}]}]})";
  }
  return text + "]}";
}

class JsonDefinitionTest : public testsupport::DefinitionLoadFixture {
 protected:
  void SetUp() override {
    DefinitionLoadFixture::SetUp();
  }

  CBrelvanoDlg* LoadInto(CBrelvanoDlg* dlg, const std::string& bytes, const char* name = "JsonParam.json") {
    m_folder.Write(name, bytes);
    dlg->LoadJsonDefinition(m_folder.CPath(name));
    return dlg;
  }
  CBrelvanoDlg* OpenWith(const std::string& bytes) { return LoadInto(Open(), bytes); }
};

TEST_F(JsonDefinitionTest, HeaderAndTabsFieldByField) {
  CBrelvanoDlg* dlg = OpenWith(kDefinition);
  const DEF_HEADER& h = dlg->m_defHeader;
  EXPECT_EQ(h.strS, L"VR900");
  EXPECT_EQ(h.strI, L"UNIT9");
  EXPECT_EQ(h.strP, L"1234");
  EXPECT_EQ(h.strV, L"278");
  EXPECT_EQ(h.strD, L";");
  EXPECT_EQ(h.strR, L"RR");
  EXPECT_EQ(h.strCmd, L"$%s;%s");
  EXPECT_EQ(h.strRes, L"$PVR;%s");
  EXPECT_EQ(dlg->m_deviceInfo.strLat, L"37.5");
  EXPECT_EQ(dlg->m_deviceInfo.strLng, L"127.25");
  EXPECT_EQ(dlg->m_deviceInfo.nDMax, 250);

  struct TabCase {
    int index;
    int type;
    const wchar_t* title;
    const wchar_t* hdr;
    int tabId;
    const wchar_t* mapId;
    BOOL assign;
  };
  const TabCase tabs[] = {
      {0, 1, L"General", L"GEN", 5, L"M1", TRUE},
      {1, TAB_TYPE_GEOFENCE, L"Zones", L"CGF", 0, L"", FALSE},
      {2, TAB_TYPE_BLE, L"Beacons", L"BLE", 0, L"", FALSE},
      {3, TAB_TYPE_POLYGON, L"Polygons", L"PLG", 0, L"", FALSE},
      {4, TAB_TYPE_GAP_GROUP, L"Gap", L"GAP", 0, L"", FALSE},
      {5, TAB_TYPE_FILE_DOWNLOAD, L"Download", L"FWD", 0, L"", FALSE},
      {6, 30, L"Rows", L"R30", 0, L"", FALSE},
      {TAB_TYPE_DIAGNOSIS, TAB_TYPE_EMPTY, L"Diagnosis", L"DIA", 0, L"", FALSE},
      {TAB_TYPE_PROFILE, TAB_TYPE_EMPTY, L"Profile", L"PRF", 0, L"", FALSE},
  };
  ASSERT_EQ(dlg->m_nTabCount, static_cast<int>(std::size(tabs)));
  for (int i = 0; i < dlg->m_nTabCount; ++i) {
    SCOPED_TRACE(i);
    const TAB_INFO& t = dlg->m_tabInfo[i];
    EXPECT_EQ(t.nIndex, tabs[i].index);
    EXPECT_EQ(t.nType, tabs[i].type);
    EXPECT_EQ(t.strHdr, tabs[i].hdr);
    EXPECT_EQ(t.nTabId, tabs[i].tabId);
    EXPECT_EQ(t.strMapId, tabs[i].mapId);
    EXPECT_EQ(t.bAssign, tabs[i].assign);
    EXPECT_TRUE(t.bVisible);
    if (i < 7) {
      EXPECT_EQ(t.strTitle, tabs[i].title);
    }
  }
  EXPECT_EQ(dlg->m_tabInfo[7].strTitle, dlg->m_language.LoadString(1027));
  EXPECT_EQ(dlg->m_tabInfo[8].strTitle, dlg->m_language.LoadString(1028));

  // Group limits of the zone tabs.
  EXPECT_EQ(dlg->m_geoGroup.nUnit, 1);
  EXPECT_EQ(dlg->m_geoGroup.nMin, 2);
  EXPECT_EQ(dlg->m_geoGroup.nMax, 120);
  EXPECT_EQ(g_nGeofenceCount, 120);
  EXPECT_EQ(dlg->m_geoGroup.strOrd, L"AB");
  EXPECT_EQ(dlg->m_geoGroup.strHdr, L"CGF");
  EXPECT_EQ(dlg->m_nGeofenceTab, 1);
  EXPECT_EQ(dlg->m_bleGroup.nMin, 1);
  EXPECT_EQ(dlg->m_bleGroup.nMax, 0) << "without max the group keeps its maximum";
  EXPECT_EQ(g_nBleCount, 50);
  EXPECT_EQ(dlg->m_bleGroup.strHdr, L"BLE");
  EXPECT_EQ(dlg->m_nBleTab, 2);
  EXPECT_EQ(dlg->m_nPolygonUnit, 3);
  EXPECT_EQ(dlg->m_nPolygonMin, 1);
  EXPECT_EQ(dlg->m_nPolygonFirst, 1);
  EXPECT_EQ(dlg->m_nPolygonMax, 10);
  EXPECT_EQ(dlg->m_nPolygonPointMax, 50);
  EXPECT_EQ(dlg->m_nPolygonTotalPointMax, 500);
  EXPECT_NE(dlg->m_pPolygonTable, nullptr);
  EXPECT_EQ(dlg->m_nPolygonTab, 3);

  // The load's end: pages made, download state 2, nothing pending.
  EXPECT_EQ(dlg->m_nDownloadState, 2);
  EXPECT_FALSE(dlg->m_bDefinitionPending);
  EXPECT_NE(dlg->m_pMenuDlg, nullptr);
  EXPECT_NE(dlg->m_pSettingDlg, nullptr);
  EXPECT_EQ(dlg->m_nCurTab, 0);
  EXPECT_EQ(dlg->m_nParseTab, 7);
}

TEST_F(JsonDefinitionTest, ItemsAndOptionsFieldByField) {
  CBrelvanoDlg* dlg = OpenWith(kDefinition);
  const auto general = TabParams(dlg, 0);
  ASSERT_EQ(general.size(), 6u);

  const PARAM_INFO& mode = *general[0];
  EXPECT_EQ(mode.strName, L"Mode");
  EXPECT_EQ(mode.nType, 1);
  EXPECT_EQ(mode.nTabId, 5);
  EXPECT_EQ(mode.strMapId, L"M1");
  EXPECT_EQ(mode.strHdr, L"GEN");
  EXPECT_TRUE(mode.bAssign);
  EXPECT_TRUE(mode.bNumType);
  EXPECT_EQ(mode.nId, 11);
  EXPECT_EQ(mode.nCtrlType, CTRL_COMBO);
  EXPECT_EQ(mode.strValue, L"Day");
  EXPECT_TRUE(mode.bReserve) << "reserve \"0\" still sets it";
  EXPECT_EQ(mode.nBase, 5);
  EXPECT_EQ(mode.nSize, 2);
  EXPECT_EQ(mode.nDecimal, 1);
  EXPECT_EQ(mode.strAlertId, L"A1");
  EXPECT_EQ(mode.nAssignNo, 4);
  EXPECT_EQ(mode.nMax, 9);
  ASSERT_EQ(mode.nOptions, 3) << "the fourth entry is not read";
  ASSERT_NE(mode.pOptions, nullptr);
  struct OptionCase {
    int value;
    const wchar_t* text;
    int max;
    BOOL hasType;
    int type;
    const wchar_t* cmdId;
  };
  const OptionCase options[] = {
      {5, L"Low", 0, FALSE, 2, L"X"}, {6, L"Mid", 3, TRUE, 7, L"Y"}, {7, L"High", 0, FALSE, 2, L""}};
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    const PARAM_OPTION& o = mode.pOptions[i];
    EXPECT_EQ(o.nValue, options[i].value);
    EXPECT_EQ(o.strText, options[i].text);
    EXPECT_EQ(o.nMax, options[i].max);
    EXPECT_EQ(o.bHasType, options[i].hasType);
    EXPECT_EQ(o.nType, options[i].type);
    EXPECT_EQ(o.strCmdId, options[i].cmdId);
  }

  // Items without "num" are added at once; "config" is read on geofence tabs only.
  EXPECT_EQ(general[1]->strName, L"Name");
  EXPECT_EQ(general[1]->nCtrlType, CTRL_EDIT);
  EXPECT_EQ(general[1]->nMax, 16);
  EXPECT_EQ(general[1]->nOptions, 0);
  EXPECT_EQ(general[1]->pOptions, nullptr);
  EXPECT_TRUE(general[1]->strConfig.IsEmpty());
  EXPECT_FALSE(general[1]->bReserve);
  EXPECT_EQ(general[1]->nId, 11) << "an item without ID carries the previous item's";
  // "text_num" counts on assignment items only.
  EXPECT_EQ(general[2]->assign.nNo, 3);
  EXPECT_TRUE(general[2]->assign.bValid);
  EXPECT_EQ(general[3]->assign.nNo, 0);
  EXPECT_FALSE(general[3]->assign.bValid);
  // An assignment list: check box kind 4, any other kind 5.
  const PARAM_INFO& assign = *general[4];
  EXPECT_EQ(assign.nCtrlType, CTRL_M_ASSIGN);
  ASSERT_EQ(assign.nOptions, 2);
  EXPECT_EQ(assign.pOptions[0].strText, L"Speed");
  EXPECT_EQ(assign.pOptions[0].nCtrlType, CTRL_CHECK_BOX);
  EXPECT_EQ(assign.pOptions[1].strText, L"Heading");
  EXPECT_EQ(assign.pOptions[1].nCtrlType, CTRL_ANY);
  // "file_edit" is no JSON control type: the previous item's type stays.
  EXPECT_EQ(general[5]->strName, L"Keeps");
  EXPECT_EQ(general[5]->nCtrlType, CTRL_M_ASSIGN);

  // The left-out tab adds nothing; the geofence tab's parameters are in list 1.
  const auto zones = TabParams(dlg, 1);
  ASSERT_EQ(zones.size(), 1u);
  EXPECT_EQ(zones[0]->strName, L"Latitude");
  EXPECT_EQ(zones[0]->strConfig, L"cfg");
  EXPECT_EQ(zones[0]->nType, TAB_TYPE_GEOFENCE);
  EXPECT_EQ(zones[0]->nTabId, 5) << "a tab without tab_id keeps the previous tab's";
  ASSERT_EQ(TabParams(dlg, 2).size(), 1u);
  EXPECT_EQ(TabParams(dlg, 2)[0]->strName, L"Mac");

  // Gap/Group limits, file download page, rows of page type 30.
  const auto gap = TabParams(dlg, 4);
  ASSERT_EQ(gap.size(), 1u);
  EXPECT_EQ(gap[0]->nGroupMin, 2);
  EXPECT_EQ(gap[0]->nGroupMax, 9);
  EXPECT_EQ(gap[0]->nType, TAB_TYPE_GAP_GROUP);
  const auto download = TabParams(dlg, 5);
  ASSERT_EQ(download.size(), 1u);
  EXPECT_EQ(download[0]->nCtrlType, CTRL_EDIT_BUTTON);
  const auto rows = TabParams(dlg, 6);
  ASSERT_EQ(rows.size(), 2u) << "the item and its one row without options";
  EXPECT_EQ(rows[0]->strName, L"Outputs");
  EXPECT_EQ(rows[1]->strName, L"Outputs");
  EXPECT_EQ(rows[1]->nId, 50);
  EXPECT_TRUE(TabParams(dlg, 7).empty());
  EXPECT_TRUE(TabParams(dlg, 8).empty());
  EXPECT_GT(dlg->m_nLabelWidth, 0);
  EXPECT_GT(dlg->m_nValueWidth, 0);
}

TEST_F(JsonDefinitionTest, PolygonRowsFieldByField) {
  CBrelvanoDlg* dlg = OpenWith(kDefinition);
  const auto rows = TabParams(dlg, 3);
  ASSERT_EQ(rows.size(), 5u);
  for (const PARAM_INFO* p : rows) EXPECT_EQ(p->strHdr, L"PolyTitle");

  const SUBGROUP_PARAM& enable = rows[0]->subGroups[0];
  EXPECT_EQ(enable.strHdr, L"PLS");
  EXPECT_EQ(enable.strTitle, L"Service");
  EXPECT_EQ(enable.strName, L"Enable");
  EXPECT_EQ(enable.nRowId, 0);
  EXPECT_EQ(enable.nCtrlType, CTRL_COMBO);
  EXPECT_EQ(enable.strValue, L"Disable");
  ASSERT_EQ(enable.nOptions, 2);
  EXPECT_EQ(enable.pOptions[1].nValue, 1);
  EXPECT_EQ(enable.pOptions[1].strText, L"Enable");
  EXPECT_EQ(enable.pOptions[1].nMax, 5);
  EXPECT_TRUE(enable.pOptions[1].bHasType);
  EXPECT_EQ(enable.pOptions[1].nType, 1);
  EXPECT_EQ(rows[0]->subGroups[1].pOptions, nullptr) << "a record carries only its own sub-group";
  EXPECT_FALSE(dlg->m_bPolygonServiceEnable);
  EXPECT_EQ(dlg->m_nPolygonServiceValue, 7);

  const SUBGROUP_PARAM& sheet = rows[2]->subGroups[1];
  EXPECT_EQ(sheet.strTitle, L"Area");
  EXPECT_EQ(sheet.strHdr, L"PLA");
  EXPECT_EQ(sheet.strTag, L"sheet");
  EXPECT_EQ(sheet.nCtrlType, CTRL_SHEET);
  EXPECT_EQ(sheet.nRowId, 3);
  ASSERT_EQ(sheet.nOptions, 2);
  EXPECT_EQ(sheet.pOptions[0].strRid, L"Lat");
  EXPECT_EQ(sheet.pOptions[1].strText, L"Lng");

  // Row 0 of a row group numbers its options itself.
  const SUBGROUP_PARAM& points = rows[3]->subGroups[1];
  EXPECT_EQ(points.strName, L"Points");
  EXPECT_EQ(points.nMgrpId, 1);
  EXPECT_EQ(points.strMgrpTitle, L"subDetail");
  EXPECT_EQ(points.strHdr, L"MG1");
  ASSERT_EQ(points.nOptions, 4);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(points.pOptions[i].strText, CString(std::to_wstring(i + 1).c_str()));
    EXPECT_EQ(points.pOptions[i].nValue, i);
    EXPECT_TRUE(points.pOptions[i].bHasType);
  }
  // Option elements of a row.
  const SUBGROUP_PARAM& speed = rows[4]->subGroups[1];
  EXPECT_EQ(speed.strName, L"Speed");
  EXPECT_EQ(speed.strConfig, L"c2");
  EXPECT_EQ(speed.strValue, L"Fast") << "an option's curr becomes the row's value";
  ASSERT_EQ(speed.nOptions, 2);
  EXPECT_TRUE(speed.pOptions[0].bHasType);
  EXPECT_EQ(speed.pOptions[0].nType, 4);
  EXPECT_EQ(speed.pOptions[0].nMax, 9);
  EXPECT_FALSE(speed.pOptions[1].bHasType);
  EXPECT_EQ(speed.pOptions[1].nType, 2);

  // The row groups' titles went to the settings page.
  ASSERT_NE(dlg->m_pSettingDlg, nullptr);
  EXPECT_EQ(dlg->m_pSettingDlg->m_strDetailTitle, L"subDetail");
  EXPECT_EQ(dlg->m_pSettingDlg->m_strMapTitle, L"subMap");
}

TEST_F(JsonDefinitionTest, HeaderRules) {
  TolerateMissingAssignCsv();  // numbered-set pages without a CSV in the Document folder
  struct Case {
    const char* name;
    const char* info;     // the attributes of the definition's "info"
    BOOL fileMode;
    const wchar_t* s;     // expected strS
    const wchar_t* i;     // expected strI (it was "OLD" before)
    int dmax;
    BOOL up;              // m_bUpProtocol afterwards
  };
  const Case cases[] = {
      {"all given", R"("S": "A", "I": "U1", "dmax": "7")", FALSE, L"A", L"U1", 7, FALSE},
      {"empty I keeps, empty S clears", R"("S": "", "I": "")", FALSE, L"", L"OLD", 100, FALSE},
      {"dmax not a number", R"("dmax": "x12")", FALSE, L"", L"OLD", 0, FALSE},
      {"numbers become attribute texts", R"("S": 835, "dmax": 12.5)", FALSE, L"835", L"OLD", 12, FALSE},
      {"Protocol UP outside file mode", R"("Protocol": "UP")", FALSE, L"", L"OLD", 100, FALSE},
      {"Protocol UP in file mode", R"("Protocol": "UP")", TRUE, L"", L"OLD", 100, TRUE},
      {"Protocol in lower case", R"("Protocol": "up")", TRUE, L"", L"OLD", 100, FALSE},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CBrelvanoDlg* dlg = Open();
    dlg->m_defHeader.strI = L"OLD";
    dlg->m_defHeader.strS = L"OLDS";
    g_bFileMode = c.fileMode;
    LoadInto(dlg, std::string(R"({"brelvano": [{"info": [{)") + c.info + "}]}]}");
    EXPECT_EQ(dlg->m_defHeader.strS, c.s);
    EXPECT_EQ(dlg->m_defHeader.strI, c.i);
    EXPECT_EQ(dlg->m_deviceInfo.nDMax, c.dmax);
    EXPECT_EQ(dlg->m_bUpProtocol, c.up);
    // Only the two appended tabs, with empty lists.
    EXPECT_EQ(dlg->m_nTabCount, 2);
    EXPECT_EQ(dlg->m_tabInfo[0].strHdr, L"DIA");
    EXPECT_TRUE(TabParams(dlg, 0).empty());
    m_dlg.reset();
  }
}

TEST_F(JsonDefinitionTest, FileModeNamesTheAssignmentCsvFromTheHeader) {
  CBrelvanoDlg* dlg = Open();
  ASSERT_NO_FATAL_FAILURE(ChooseDefinitionFile(dlg, m_folder.CPath("JsonParam.json")));
  LoadInto(dlg, kDefinition);
  EXPECT_EQ(dlg->m_strAssignCsvPath, dlg->m_strDocumentDir + L"ASSIGN_HEADER_TABLE_FOR_BRELVANO_VR900_278.csv");
}

TEST_F(JsonDefinitionTest, ZoneLimitsAreClamped) {
  struct Case {
    const char* info;
    int geofences;
    int ble;
  };
  const Case cases[] = {
      {R"("id": "6", "max": "99999")", kGeofenceSlots, 50},
      {R"("id": "6", "max": "0")", 1, 50},
      {R"("id": "6")", 50, 50},
      {R"("id": "40", "max": "600")", 50, kBleSlots},
      {R"("id": "40", "max": "-3")", 50, 1},
      {R"("id": "19", "max": "100000")", 50, 50},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.info);
    g_nGeofenceCount = 50;
    g_nBleCount = 50;
    CBrelvanoDlg* dlg = OpenWith(std::string(R"({"brelvano": [{"Z": [{"info": [{)") + c.info + "}]}]}]}");
    EXPECT_EQ(g_nGeofenceCount, c.geofences);
    EXPECT_EQ(g_nBleCount, c.ble);
    EXPECT_LE(dlg->m_nPolygonMax, 500);
    m_dlg.reset();
  }
}

// Definitions that break the format's rules: refused in part, loaded without a crash, and the
// parameters that remain are in the lists of their own tabs.
TEST_F(JsonDefinitionTest, MalformedDefinitions) {
  struct Case {
    const char* name;
    std::string text;
    std::vector<const wchar_t*> titles;  // the definition's own tabs, in order
    std::vector<size_t> params;          // parameters per own tab
  };
  const std::string tabA = R"({"A": [{"info": [{"id": "1"}]}, {"pa": [{"type": "edit"}]}]})";
  const std::string tabB = R"({"B": [{"info": [{"id": "1"}]}, {"pb": [{"type": "edit"}]}, {"pb2": [{}]}]})";
  const Case cases[] = {
      {"the definition is a string", R"({"brelvano": "x"})", {}, {}},
      {"the definition is an object", R"({"brelvano": {"info": [{"S": "X"}]}})", {}, {}},
      {"a scalar top level", R"(42)", {}, {}},
      {"no brelvano member", R"({"other": [)" + tabA + "]}", {L"A"}, {0}},
      {"extra members before and after", R"({"aaa": [)" + tabB + R"(], "brelvano": [)" + tabA +
                                             R"(], "zzz": [)" + tabB + R"(], "n": 5})", {L"A"}, {1}},
      {"a tab without info", R"({"brelvano": [{"X": [{"px": [{}]}]}, )" + tabA + "]}", {L"A"}, {1}},
      {"a tab with two infos", R"({"brelvano": [{"X": [{"info": [{}]}, {"info": [{}]}, {"px": [{}]}]}, )" + tabB + "]}",
       {L"B"}, {2}},
      {"info after the items", R"({"brelvano": [{"X": [{"px": [{}]}, {"info": [{"id": "3", "hdr": "H"}]}]}]})", {L"X"},
       {1}},
      {"a tab that is a string", R"({"brelvano": [{"X": "tab"}, )" + tabA + "]}", {L"A"}, {1}},
      {"an item that is an object", R"({"brelvano": [{"X": [{"info": [{}]}, {"px": {"type": "edit"}}]}]})", {L"X"},
       {0}},
      {"wrong attribute types", R"({"brelvano": [{"X": [{"info": [{"id": true, "visible": null}]},
          {"px": [{"num": [1, 2], "type": 3, "max": {"a": "b"}}]}]}]})", {L"X"}, {1}},
      {"fewer options than declared", R"({"brelvano": [{"X": [{"info": [{}]},
          {"p1": [{"num": "5"}, {"list": [{"0": "1;a", "1": "2;b"}]}]},
          {"p2": [{"num": "1"}, {"list": [{"0": "3;c"}]}]}]}]})", {L"X"}, {1}},
      {"a list without a count", R"({"brelvano": [{"X": [{"info": [{}]}, {"p1": [{}, {"list": [{"0": "1;a"}]}]}]}]})",
       {L"X"}, {1}},
      {"negative and huge counts", R"({"brelvano": [{"X": [{"info": [{}]}, {"p1": [{"num": "-4"}]},
          {"p2": [{"num": "99999999"}]}, {"p3": [{}]}]}]})", {L"X"}, {1}},
      {"polygon rows beyond their sub-groups", R"({"brelvano": [{"P": [{"info": [{"id": "19", "max": "2"}]},
          {"g": [{"info": [{"id": "7"}]}, {"r": [{"num": "2"}, {"list": [{"0": "1;a", "1": "2;b", "2": "3;c"}]}]},
                 {"subX": [{"info": [{"id": "1"}]}, {"q": [{"num": "1"}, {"o1": [{}]}, {"o2": [{}]}]}]}]}]}]})",
       {L"P"}, {2}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CBrelvanoDlg* dlg = OpenWith(c.text);
    ASSERT_EQ(dlg->m_nTabCount, static_cast<int>(c.titles.size()) + 2);
    for (size_t i = 0; i < c.titles.size(); ++i) {
      EXPECT_EQ(dlg->m_tabInfo[i].strTitle, c.titles[i]);
      EXPECT_EQ(TabParams(dlg, static_cast<int>(i)).size(), c.params[i]) << i;
    }
    EXPECT_EQ(dlg->m_tabInfo[c.titles.size()].strHdr, L"DIA");
    EXPECT_EQ(dlg->m_stagingParam.pOptions, nullptr);
    m_dlg.reset();
  }
}

TEST_F(JsonDefinitionTest, LeftOutLastTabLeavesNothingInTheDiagnosisSlot) {
  CBrelvanoDlg* dlg = OpenWith(
      R"({"brelvano": [{"A": [{"info": [{"id": "1"}]}]}, {"B": [{"info": [{"id": "7", "tab_id": "4", "map_id": "M", "visible": "0"}]}]}]})");
  ASSERT_EQ(dlg->m_nTabCount, 3);
  const TAB_INFO& diag = dlg->m_tabInfo[1];
  EXPECT_EQ(diag.strHdr, L"DIA");
  EXPECT_EQ(diag.nType, TAB_TYPE_EMPTY);
  EXPECT_EQ(diag.nTabId, 0);
  EXPECT_TRUE(diag.strMapId.IsEmpty());
}

TEST_F(JsonDefinitionTest, AtMostFortyEightTabs) {
  CBrelvanoDlg* dlg = OpenWith(ManyTabs(60));
  ASSERT_EQ(dlg->m_nTabCount, kMaxTabs);
  EXPECT_EQ(dlg->m_tabInfo[kMaxDefinitionTabs - 1].strTitle, L"T47");
  EXPECT_EQ(dlg->m_tabInfo[kMaxDefinitionTabs].strHdr, L"DIA");
  EXPECT_EQ(dlg->m_tabInfo[kMaxDefinitionTabs + 1].strHdr, L"PRF");
  for (int i = 0; i < kMaxDefinitionTabs; ++i) {
    const auto params = TabParams(dlg, i);
    ASSERT_EQ(params.size(), 1u) << i;
    EXPECT_EQ(params[0]->strName, CString((L"PT" + std::to_wstring(i)).c_str()));
  }
  EXPECT_TRUE(TabParams(dlg, kMaxDefinitionTabs).empty());
}

// Files that cannot be used change nothing of the definition already loaded.
TEST_F(JsonDefinitionTest, UnusableFilesKeepTheLoadedDefinition) {
  struct Case {
    const char* name;
    const char* file;    // nullptr: the file does not exist
    std::string bytes;
    BOOL message;        // "Failed to Parse Json" is shown
  };
  std::string truncated = ManyTabs(10);
  truncated.resize(truncated.size() / 2);
  const Case cases[] = {
      {"missing file", nullptr, "", FALSE},
      {"empty file", "empty.json", "", TRUE},
      {"not JSON", "bad.json", "<brelvano/>", TRUE},
      {"truncated", "cut.json", truncated, TRUE},
      {"a zero byte inside", "zero.json", std::string("{\"brelvano\": [\0]}", 17), TRUE},
  };
  CBrelvanoDlg* dlg = OpenWith(kDefinition);
  auto& modal = platform::ModalService::Instance();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    modal.ClearRecords();
    if (c.message) modal.ExpectMessageBox(IDOK);
    const CString path = m_folder.CPath(c.file != nullptr ? c.file : "missing.json");
    if (c.file != nullptr) m_folder.Write(c.file, c.bytes);
    dlg->LoadJsonDefinition(path);
    const auto boxes = Records(platform::ModalKind::MessageBox);
    ASSERT_EQ(boxes.size(), c.message ? 1u : 0u);
    if (c.message) {
      EXPECT_EQ(boxes[0].text, L"Failed to Parse Json");
    }
    EXPECT_EQ(dlg->m_nTabCount, 9);
    EXPECT_EQ(dlg->m_defHeader.strS, L"VR900");
    EXPECT_EQ(TabParams(dlg, 0).size(), 6u);
  }
}

// The reader takes the definition and does not read what follows it.
TEST_F(JsonDefinitionTest, TextAfterTheDefinitionIsNotRead) {
  CBrelvanoDlg* dlg = OpenWith(ManyTabs(3));
  LoadInto(dlg, kDefinition + std::string("\n x {\"brelvano\": []}"), "extra.json");
  EXPECT_TRUE(Records(platform::ModalKind::MessageBox).empty());
  EXPECT_EQ(dlg->m_nTabCount, 9);
  EXPECT_EQ(dlg->m_defHeader.strS, L"VR900");
  EXPECT_EQ(TabParams(dlg, 0).size(), 6u);
}

TEST_F(JsonDefinitionTest, ReloadReplacesTheDefinition) {
  CBrelvanoDlg* dlg = OpenWith(kDefinition);
  LoadInto(dlg, ManyTabs(3), "second.json");
  EXPECT_EQ(dlg->m_nTabCount, 5);
  EXPECT_EQ(dlg->m_defHeader.strS, L"MANY");
  ASSERT_EQ(TabParams(dlg, 0).size(), 1u);
  EXPECT_EQ(TabParams(dlg, 0)[0]->strName, L"PT0");
}

// A 10 MB definition: a huge attribute text and a thousand tabs beyond the table's end.
TEST_F(JsonDefinitionTest, TenMegabyteFileLoadsWithinTheTable) {
  std::string text = R"({"brelvano": [{"info": [{"S": "BIG"}]}, {"A": [{"info": [{"id": "1"}]}, {"p": [{"alert_id": ")";
  text += std::string(5 * 1024 * 1024, 'a');
  text += R"("}]}]})";
  const std::string filler(5000, 'f');
  for (int i = 0; i < 1000; ++i) {
    text += R"(, {"X)" + std::to_string(i) + R"(": [{"info": [{"id": "1"}]}, {"q": [{"value": ")" + filler + R"("}]}]})";
  }
  text += "]}";
  ASSERT_GE(text.size(), 10u * 1000 * 1000);
  CBrelvanoDlg* dlg = OpenWith(text);
  ASSERT_EQ(dlg->m_nTabCount, kMaxTabs);
  const auto params = TabParams(dlg, 0);
  ASSERT_EQ(params.size(), 1u);
  EXPECT_EQ(params[0]->strAlertId.GetLength(), 5 * 1024 * 1024);
  EXPECT_EQ(dlg->m_tabInfo[kMaxDefinitionTabs - 1].strTitle, L"X46");
}

}  // namespace
