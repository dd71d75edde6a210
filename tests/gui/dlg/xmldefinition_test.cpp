// Tests of the XML definition loaders of the main window: a small definition with tabs of every
// page type, every control type, polygon sub-groups and a geofence group, checked field by field;
// the numbered sub-file download; and malformed definitions that must load without a crash and
// without writing outside the model.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gui/dlg/brelvanodlg.h"
#include "gui/dlg/settingdlg.h"
#include "definition_fixture.h"
#include "platform/codepage.h"
#include "platform/modal.h"

namespace {

// A definition of six tabs: generic (every control type), geofence, BLE, polygon, a Gap/Group id
// stored as 80, and a command page.
const char kDefinition[] = R"XML(<?xml version="1.0" encoding="UTF-8"?>
<!-- fixture definition -->
<BRELVANO S="VR600" I="UNIT1" P="0000" V="1.2" D=";" R="RR" cmd="$%s;%s" res="$PVR;%s" lat="37.5" lng="127.25" dmax="250">
  <grp id="1" tab_id="5" map_id="M1" title="General" hdr="GEN" type="assign" num_type="x">
    <item fid="Mode" type="combo" ID="11" num="3" base="5" curr="Day" reserve="">
      <ele type="4" CMDID="C1" max="9" rid="r1">Off</ele>
      <ele>On</ele>
      <ele>Auto</ele>
    </item>
    <item fid="Name" type="edit" max="16"/>
    <item fid="Password" type="passwd"/>
    <item fid="Server" type="ip"/>
    <item fid="Flag" type="check box"/>
    <item fid="Free" type="any"/>
    <item fid="Alert" type="alert_id"/>
    <item fid="Small" type="sAssign"/>
    <item fid="Medium" type="mAssign"/>
    <item fid="Large" type="lAssign"/>
    <item fid="Reports" type="edit+button" ID="12"/>
    <item fid="Number" type="edit_number"/>
    <item fid="Hex" type="edit_hex"/>
    <item fid="File" type="file_edit"/>
    <item type="unknown" id="9"/>
  </grp>
  <grp id="6" title="Zones" hdr="GEO" unit="1" min="2" max="20" req="1" ord="AB">
    <item fid="Latitude" type="edit"/>
    <item fid="Radius" type="edit"/>
  </grp>
  <grp id="40" title="Beacons" hdr="BLE" min="1" max="30">
    <item fid="Mac" type="edit"/>
  </grp>
  <grp id="19" title="Polygons" hdr="XYZ" unit="3" min="1" max="10" ptmax="50" tptmax="500">
    <subgrp id="0" hdr="PLS" title="Service">
      <item id="0" fid="Service" type="combo" num="2" curr="Disable">
        <ele curr="Enable">Disable</ele>
        <ele type="1" max="3">Enable</ele>
      </item>
      <item id="1" fid="Value" type="edit" curr="7"/>
    </subgrp>
    <subgrp id="1" hdr="PLA" title="Area">
      <sheet id="3" column="2">
        <column id="c1">Lat</column>
        <column>Lng</column>
      </sheet>
      <mgrp id="1" title="Detail">
        <item id="0" num="4" base="10"/>
        <item id="2" fid="Speed" type="edit"/>
      </mgrp>
      <scmd/>
      <mgrp id="2" title="Map"/>
    </subgrp>
  </grp>
  <grp id="36" title="Gap" hdr="GAP">
    <item fid="Gap" type="edit"/>
  </grp>
  <grp id="7" title="Command" hdr="CMD">
    <item fid="Reset" type="combo" num="0"/>
  </grp>
</BRELVANO>
)XML";

using testsupport::TabParams;

class XmlDefinitionTest : public testsupport::DefinitionLoadFixture {
 protected:

  CBrelvanoDlg* OpenWith(const std::string& bytes, const char* name = "def.xml") {
    CBrelvanoDlg* dlg = Open();
    m_folder.Write(name, bytes);
    dlg->LoadXmlDefinition(m_folder.CPath(name));
    return dlg;
  }
};

TEST_F(XmlDefinitionTest, HeaderAndTabsFieldByField) {
  CBrelvanoDlg* dlg = OpenWith(kDefinition);
  const DEF_HEADER& h = dlg->m_defHeader;
  EXPECT_EQ(h.strS, L"VR600");
  EXPECT_EQ(h.strI, L"UNIT1");
  EXPECT_EQ(h.strP, L"0000");
  EXPECT_EQ(h.strV, L"1.2");
  EXPECT_EQ(h.strD, L";");
  EXPECT_EQ(h.strR, L"RR");
  EXPECT_EQ(h.strCmd, L"$%s;%s");  // a '%' is kept as written
  EXPECT_EQ(h.strRes, L"$PVR;%s");
  EXPECT_EQ(dlg->m_deviceInfo.strLat, L"37.5");
  EXPECT_EQ(dlg->m_deviceInfo.strLng, L"127.25");
  EXPECT_EQ(dlg->m_deviceInfo.nDMax, 250);

  // Six definition tabs, then Diagnosis and Profile.
  ASSERT_EQ(dlg->m_nTabCount, 8);
  const struct {
    int nIndex, nType, nTabId;
    const wchar_t* title;
    const wchar_t* hdr;
    const wchar_t* mapId;
    BOOL bAssign;
  } kTabs[] = {
      {0, 1, 5, L"General", L"GEN", L"M1", TRUE},
      {1, TAB_TYPE_GEOFENCE, 0, L"Zones", L"GEO", L"", FALSE},
      {2, TAB_TYPE_BLE, 0, L"Beacons", L"BLE", L"", FALSE},
      {3, TAB_TYPE_POLYGON, 0, L"Polygons", L"XYZ", L"", FALSE},  // single-file: hdr as written
      {4, TAB_TYPE_XML_OWN_PAGE, 0, L"Gap", L"GAP", L"", FALSE},
      {5, TAB_TYPE_COMMAND, 0, L"Command", L"CMD", L"", FALSE},
      {TAB_TYPE_DIAGNOSIS, TAB_TYPE_EMPTY, 0, nullptr, L"DIA", L"", FALSE},
      {TAB_TYPE_PROFILE, TAB_TYPE_EMPTY, 0, nullptr, L"PRF", L"", FALSE},
  };
  for (int i = 0; i < 8; ++i) {
    SCOPED_TRACE(i);
    const TAB_INFO& t = dlg->m_tabInfo[i];
    EXPECT_EQ(t.nIndex, kTabs[i].nIndex);
    EXPECT_EQ(t.nType, kTabs[i].nType);
    EXPECT_EQ(t.nTabId, kTabs[i].nTabId);
    if (kTabs[i].title) {
      EXPECT_EQ(t.strTitle, kTabs[i].title);
    }
    EXPECT_EQ(t.strHdr, kTabs[i].hdr);
    EXPECT_EQ(t.strMapId, kTabs[i].mapId);
    EXPECT_EQ(t.bAssign, kTabs[i].bAssign);
    EXPECT_EQ(t.bVisible, TRUE);
  }
  EXPECT_EQ(dlg->m_tabInfo[6].strTitle, L"Diagnosis");
  EXPECT_EQ(dlg->m_tabInfo[7].strTitle, L"Profile");
  EXPECT_EQ(dlg->m_tabInfo[8].nIndex, TAB_TYPE_EMPTY);

  // Group limits of the zone tabs and the polygon tables.
  EXPECT_EQ(dlg->m_geoGroup.nUnit, 1);
  EXPECT_EQ(dlg->m_geoGroup.nMin, 2);
  EXPECT_EQ(dlg->m_geoGroup.nMax, 20);
  EXPECT_EQ(g_nGeofenceCount, 20);
  EXPECT_EQ(dlg->m_geoGroup.strOrd, L"AB");
  EXPECT_EQ(dlg->m_geoGroup.strHdr, L"GEO");
  EXPECT_EQ(dlg->m_nGeofenceTab, 1);
  EXPECT_EQ(dlg->m_bleGroup.nMin, 1);
  EXPECT_EQ(dlg->m_bleGroup.nMax, 30);
  EXPECT_EQ(dlg->m_bleGroup.strHdr, L"BLE");
  EXPECT_EQ(dlg->m_nBleTab, 2);
  EXPECT_EQ(dlg->m_nPolygonTab, 3);
  EXPECT_EQ(dlg->m_nPolygonUnit, 3);
  EXPECT_EQ(dlg->m_nPolygonMin, 1);
  EXPECT_EQ(dlg->m_nPolygonFirst, 1);
  EXPECT_EQ(dlg->m_nPolygonMax, 10);
  EXPECT_EQ(dlg->m_nPolygonPointMax, 50);
  EXPECT_EQ(dlg->m_nPolygonTotalPointMax, 500);
  EXPECT_NE(dlg->m_pPolygonTable, nullptr);
  EXPECT_NE(dlg->m_pZonePointBlocks, nullptr);

  // The load ends with the pages made.
  EXPECT_NE(dlg->m_pSettingDlg, nullptr);
  EXPECT_EQ(dlg->m_nCmdTab, 0);
  EXPECT_GT(dlg->m_nLabelWidth, 0);
  EXPECT_GT(dlg->m_nValueWidth, 0);
}

TEST_F(XmlDefinitionTest, ParametersOfEveryControlType) {
  CBrelvanoDlg* dlg = OpenWith(kDefinition);
  const std::vector<PARAM_INFO*> general = TabParams(dlg, 0);
  ASSERT_EQ(general.size(), 15u);
  const struct {
    const wchar_t* name;
    int nCtrlType;
  } kItems[] = {
      {L"Mode", CTRL_COMBO},         {L"Name", CTRL_EDIT},           {L"Password", CTRL_PASSWD},
      {L"Server", CTRL_IP},          {L"Flag", CTRL_CHECK_BOX},      {L"Free", CTRL_ANY},
      {L"Alert", CTRL_ALERT_ID},     {L"Small", CTRL_S_ASSIGN},      {L"Medium", CTRL_M_ASSIGN},
      {L"Large", CTRL_L_ASSIGN},     {L"Reports", CTRL_EDIT_BUTTON}, {L"Number", CTRL_EDIT_NUMBER},
      {L"Hex", CTRL_EDIT_HEX},       {L"File", CTRL_FILE_EDIT},
      {L"File", CTRL_FILE_EDIT},  // no fid and an unknown type: both kept from the item before
  };
  for (size_t i = 0; i < general.size(); ++i) {
    SCOPED_TRACE(i);
    const PARAM_INFO& p = *general[i];
    EXPECT_EQ(p.strName, kItems[i].name);
    EXPECT_EQ(p.nCtrlType, kItems[i].nCtrlType);
    EXPECT_EQ(p.strHdr, L"GEN");
    EXPECT_EQ(p.nTabId, 5);
    EXPECT_EQ(p.strMapId, L"M1");
    EXPECT_EQ(p.bAssign, TRUE);
    EXPECT_EQ(p.bNumType, TRUE);
    EXPECT_EQ(p.bVisible, TRUE);
  }
  const PARAM_INFO& mode = *general[0];
  EXPECT_EQ(mode.nType, 1);
  EXPECT_EQ(mode.nId, 11);
  EXPECT_EQ(mode.nBase, 5);
  EXPECT_EQ(mode.strValue, L"Day");
  EXPECT_EQ(mode.bReserve, TRUE);
  ASSERT_EQ(mode.nOptions, 3);
  ASSERT_NE(mode.pOptions, nullptr);
  const struct {
    BOOL bHasType;
    int nType, nMax, nValue;
    const wchar_t* text;
    const wchar_t* cmdId;
    const wchar_t* rid;
  } kOptions[] = {
      {TRUE, 4, 9, 5, L"Off", L"C1", L"r1"},
      {FALSE, 2, 0, 6, L"On", L"", L""},
      {FALSE, 2, 0, 7, L"Auto", L"", L""},
  };
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    const PARAM_OPTION& o = mode.pOptions[i];
    EXPECT_EQ(o.bHasType, kOptions[i].bHasType);
    EXPECT_EQ(o.nType, kOptions[i].nType);
    EXPECT_EQ(o.nMax, kOptions[i].nMax);
    EXPECT_EQ(o.nValue, kOptions[i].nValue);
    EXPECT_EQ(o.strText, kOptions[i].text);
    EXPECT_EQ(o.strCmdId, kOptions[i].cmdId);
    EXPECT_EQ(o.strRid, kOptions[i].rid);
  }
  const PARAM_INFO& name = *general[1];
  EXPECT_EQ(name.nMax, 16);
  EXPECT_EQ(name.nOptions, 0);
  EXPECT_EQ(name.pOptions, nullptr);
  EXPECT_EQ(name.nId, 11);  // ID keeps the previous item's
  EXPECT_EQ(name.bReserve, FALSE);
  EXPECT_EQ(name.strValue, L"");
  EXPECT_EQ(general[10]->nId, 12);
  EXPECT_EQ(general[14]->nType, 9);  // an item's own id replaces the page type

  // Zone tabs, the id-36 tab and the command tab.
  ASSERT_EQ(TabParams(dlg, 1).size(), 2u);
  EXPECT_EQ(TabParams(dlg, 1)[1]->strName, L"Radius");
  EXPECT_EQ(TabParams(dlg, 1)[1]->nType, TAB_TYPE_GEOFENCE);
  ASSERT_EQ(TabParams(dlg, 2).size(), 1u);
  ASSERT_EQ(TabParams(dlg, 4).size(), 1u);
  EXPECT_EQ(TabParams(dlg, 4)[0]->nType, TAB_TYPE_XML_OWN_PAGE);
  ASSERT_EQ(TabParams(dlg, 5).size(), 1u);
  EXPECT_EQ(TabParams(dlg, 5)[0]->nOptions, 0);
  EXPECT_EQ(TabParams(dlg, 5)[0]->bAssign, FALSE);
  EXPECT_EQ(TabParams(dlg, 5)[0]->bNumType, FALSE);
  EXPECT_TRUE(TabParams(dlg, 6).empty());
  EXPECT_TRUE(TabParams(dlg, 7).empty());
}

TEST_F(XmlDefinitionTest, PolygonRowsAndSubGroups) {
  CBrelvanoDlg* dlg = OpenWith(kDefinition);
  const std::vector<PARAM_INFO*> rows = TabParams(dlg, 3);
  // Service, Value (sub-group 0); sheet, mgrp row 0, Speed (sub-group 1).
  ASSERT_EQ(rows.size(), 5u);
  for (PARAM_INFO* p : rows) {
    EXPECT_EQ(p->nType, TAB_TYPE_POLYGON);
    EXPECT_EQ(p->strHdr, L"PLG");
    EXPECT_EQ(p->strName, L"");  // the element fields stay empty on polygon rows
  }
  const SUBGROUP_PARAM& service = rows[0]->subGroups[0];
  EXPECT_EQ(service.nId, 0);
  EXPECT_EQ(service.strHdr, L"PLS");
  EXPECT_EQ(service.strTitle, L"Service");
  EXPECT_EQ(service.strTag, L"item");
  EXPECT_EQ(service.nRowId, 0);
  EXPECT_EQ(service.strName, L"Service");
  EXPECT_EQ(service.nCtrlType, CTRL_COMBO);
  EXPECT_EQ(service.strValue, L"Enable");  // an option's curr gives the row its value
  ASSERT_EQ(service.nOptions, 2);
  EXPECT_EQ(service.pOptions[0].strText, L"Disable");
  EXPECT_EQ(service.pOptions[1].bHasType, TRUE);
  EXPECT_EQ(service.pOptions[1].nType, 1);
  EXPECT_EQ(service.pOptions[1].nMax, 3);
  EXPECT_EQ(service.pOptions[1].nValue, 1);
  EXPECT_EQ(rows[0]->subGroups[1].pOptions, nullptr);  // the other sub-group stays empty
  EXPECT_EQ(rows[1]->subGroups[0].strValue, L"7");
  EXPECT_EQ(rows[1]->subGroups[0].nCtrlType, CTRL_EDIT);
  EXPECT_EQ(dlg->m_bPolygonServiceEnable, TRUE);
  EXPECT_EQ(dlg->m_nPolygonServiceValue, 7);
  EXPECT_EQ(dlg->m_bPolygonServiceSeen, TRUE);

  const SUBGROUP_PARAM& sheet = rows[2]->subGroups[1];
  EXPECT_EQ(sheet.nId, 1);
  EXPECT_EQ(sheet.strHdr, L"PLA");
  EXPECT_EQ(sheet.strTag, L"sheet");
  EXPECT_EQ(sheet.nCtrlType, CTRL_SHEET);
  EXPECT_EQ(sheet.nRowId, 3);
  ASSERT_EQ(sheet.nOptions, 2);
  EXPECT_EQ(sheet.pOptions[0].strRid, L"c1");
  EXPECT_EQ(sheet.pOptions[0].strText, L"Lat");
  EXPECT_EQ(sheet.pOptions[1].strRid, L"");
  EXPECT_EQ(sheet.pOptions[1].strText, L"Lng");

  const SUBGROUP_PARAM& numbered = rows[3]->subGroups[1];
  EXPECT_EQ(numbered.strTag, L"mgrp");
  EXPECT_EQ(numbered.nCtrlType, CTRL_MGRP);
  EXPECT_EQ(numbered.nMgrpId, 1);
  EXPECT_EQ(numbered.strMgrpTitle, L"Detail");
  ASSERT_EQ(numbered.nOptions, 4);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(numbered.pOptions[i].strText, CString(std::to_wstring(i + 1)));
    EXPECT_EQ(numbered.pOptions[i].nValue, 10 + i);  // the row's own base
    EXPECT_EQ(numbered.pOptions[i].bHasType, TRUE);
  }
  EXPECT_EQ(rows[4]->subGroups[1].strName, L"Speed");
  EXPECT_EQ(rows[4]->subGroups[1].nRowId, 2);
  EXPECT_EQ(rows[4]->subGroups[1].nOptions, 0);

  // The mgrp titles 1 and 2 reach the settings page.
  ASSERT_NE(dlg->m_pSettingDlg, nullptr);
  EXPECT_EQ(dlg->m_pSettingDlg->m_strDetailTitle, L"Detail");
  EXPECT_EQ(dlg->m_pSettingDlg->m_strMapTitle, L"Map");
}

TEST_F(XmlDefinitionTest, DiagnosisTabByModelToken) {
  const struct {
    const char* s;
    bool diagnosis;
  } kCases[] = {{"VR600", true}, {"VR325", false}, {"VR4000", false}, {"XVR43", false}, {"VR410", true}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.s);
    CBrelvanoDlg* dlg = OpenWith(std::string("<brelvano S=\"") + c.s + "\"><grp id=\"1\" title=\"A\"/></brelvano>");
    ASSERT_EQ(dlg->m_nTabCount, c.diagnosis ? 3 : 2);
    EXPECT_EQ(dlg->m_tabInfo[1].strHdr, c.diagnosis ? L"DIA" : L"PRF");
    m_dlg.reset();
  }
}

TEST_F(XmlDefinitionTest, RootRulesOfTheNumberedParameterSet) {
  TolerateMissingAssignCsv();  // numbered-set pages without a CSV in the Document folder
  CBrelvanoDlg* dlg = Open();
  dlg->m_bUpProtocol = TRUE;
  dlg->m_defHeader.strI = L"kept";
  dlg->m_deviceInfo.strLat = L"1";
  m_folder.Write("up.xml", "<brelvano S=\"VR9\" I=\"new\" lat=\"9\" dmax=\"7\"/>");
  dlg->LoadXmlDefinition(m_folder.CPath("up.xml"));
  EXPECT_EQ(dlg->m_defHeader.strS, L"VR9");
  EXPECT_EQ(dlg->m_defHeader.strI, L"kept");
  EXPECT_EQ(dlg->m_deviceInfo.strLat, L"1");
  EXPECT_EQ(dlg->m_deviceInfo.nDMax, 100);

  // "Protocol" counts only for a file the user chose.
  CBrelvanoDlg* second = Open();
  m_folder.Write("Proto_Param.xml", "<brelvano S=\"VR9\" Protocol=\"UP\"/>");
  second->LoadXmlDefinition(m_folder.CPath("Proto_Param.xml"));
  EXPECT_EQ(second->m_bUpProtocol, FALSE);
  ASSERT_NO_FATAL_FAILURE(ChooseDefinitionFile(second, m_folder.CPath("Proto_Param.xml")));
  second->LoadXmlDefinition(m_folder.CPath("Proto_Param.xml"));
  EXPECT_EQ(second->m_bUpProtocol, TRUE);
}

TEST_F(XmlDefinitionTest, ChosenFileEncodings) {
  const std::string body = "<brelvano S=\"VR1\"><grp id=\"1\" title=\"속도\"><item fid=\"최대\" type=\"edit\"/></grp></brelvano>";
  const CString text = CString::FromUtf8(body);
  const struct {
    const char* what;
    std::string bytes;
  } kCases[] = {
      {"UTF-8 without mark", body},
      {"UTF-8 with mark", "\xEF\xBB\xBF" + body},
      {"UTF-16LE with mark", "\xFF\xFE" + platform::TextToBytes(CP_UTF16LE, text)},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    CBrelvanoDlg* dlg = OpenWith(c.bytes);
    EXPECT_EQ(dlg->m_tabInfo[0].strTitle, CString::FromUtf8("속도"));
    ASSERT_EQ(TabParams(dlg, 0).size(), 1u);
    EXPECT_EQ(TabParams(dlg, 0)[0]->strName, CString::FromUtf8("최대"));
    m_dlg.reset();
  }
}

TEST_F(XmlDefinitionTest, OptionCountsAreKeptInsideTheirArrays) {
  CBrelvanoDlg* dlg = OpenWith(R"(<brelvano S="VR1"><grp id="1" title="A">
      <item fid="Short" type="combo" num="3"><ele>a</ele></item>
      <item fid="Next" type="combo" num="2"><ele>x</ele><ele>y</ele><ele>overflow</ele></item>
      <item fid="Huge" type="combo" num="2000000000"><ele>h</ele></item>
      <item fid="Negative" type="combo" num="-4"><ele>n</ele></item>
      <item fid="Last" type="combo" num="2"><ele>1</ele></item>
    </grp></brelvano>)");
  // "Short" has too few options and is dropped; "Next" keeps its two; the overflowing option, the
  // huge and the negative counts are refused; "Last" ends unfinished and is dropped.
  const std::vector<PARAM_INFO*> params = TabParams(dlg, 0);
  ASSERT_EQ(params.size(), 1u);
  EXPECT_EQ(params[0]->strName, L"Next");
  ASSERT_EQ(params[0]->nOptions, 2);
  EXPECT_EQ(params[0]->pOptions[0].strText, L"x");
  EXPECT_EQ(params[0]->pOptions[0].nValue, 0);
  EXPECT_EQ(params[0]->pOptions[1].strText, L"y");
  EXPECT_EQ(dlg->m_stagingParam.pOptions, nullptr);
  EXPECT_EQ(dlg->m_nOptionIndex, 0);
}

TEST_F(XmlDefinitionTest, OversizedDefinitionsStayInsideTheTables) {
  std::string many = "<brelvano S=\"VR1\">";
  for (int i = 0; i < 60; ++i)
    many += "<grp id=\"1\" title=\"T" + std::to_string(i) + "\"><item fid=\"P" + std::to_string(i) + "\" type=\"edit\"/></grp>";
  many += "</brelvano>";
  CBrelvanoDlg* dlg = OpenWith(many);
  ASSERT_EQ(dlg->m_nTabCount, kMaxDefinitionTabs + 2);
  EXPECT_EQ(dlg->m_tabInfo[kMaxDefinitionTabs - 1].strTitle, L"T47");
  EXPECT_EQ(dlg->m_tabInfo[kMaxDefinitionTabs].strHdr, L"DIA");
  EXPECT_EQ(dlg->m_tabInfo[kMaxDefinitionTabs + 1].strHdr, L"PRF");
  ASSERT_EQ(TabParams(dlg, kMaxDefinitionTabs - 1).size(), 1u);
  EXPECT_EQ(TabParams(dlg, kMaxDefinitionTabs - 1)[0]->strName, L"P47");
  EXPECT_TRUE(TabParams(dlg, kMaxDefinitionTabs).empty());
  EXPECT_TRUE(TabParams(dlg, kMaxDefinitionTabs + 1).empty());
  m_dlg.reset();

  const struct {
    const char* what;
    const char* grp;
    int geofenceCount;
    int polygonMax;
  } kLimits[] = {
      {"huge geofence max", "<grp id=\"6\" max=\"99999999\"/>", kGeofenceSlots, 0},
      {"negative geofence max", "<grp id=\"6\" max=\"-3\"/>", 1, 0},
      {"geofence without max", "<grp id=\"6\"/>", 50, 0},
      {"huge polygon max", "<grp id=\"19\" max=\"2147483647\"/>", 50, 500},
      {"negative polygon max", "<grp id=\"19\" max=\"-8\"/>", 50, 0},
  };
  for (const auto& c : kLimits) {
    SCOPED_TRACE(c.what);
    g_nGeofenceCount = 50;
    CBrelvanoDlg* d = OpenWith(std::string("<brelvano S=\"VR1\">") + c.grp + "</brelvano>");
    EXPECT_EQ(g_nGeofenceCount, c.geofenceCount);
    EXPECT_EQ(d->m_nPolygonMax, c.polygonMax);
    EXPECT_EQ(d->m_pPolygonTable != nullptr, c.polygonMax > 0);
    m_dlg.reset();
  }
}

// An item's id replaces the page type for it and the following items of the tab (and for the next
// tab when that names none); the id 19 of the polygon tabs included. The pages still show.
TEST_F(XmlDefinitionTest, AnItemIdReplacesThePageTypeOfTheFollowingItems) {
  CBrelvanoDlg* dlg = OpenWith(R"(<brelvano S="VR1">
      <grp id="1" title="A" hdr="AAA"><item fid="First" type="edit"/><item fid="Row" type="edit" id="19"/>
        <item fid="After" type="combo" num="1"><ele>x</ele></item></grp>
      <grp title="B" hdr="BBB"><item fid="Next" type="edit"/></grp>
      <grp id="1" title="C" hdr="CCC"><item fid="Own" type="edit" id="7"/></grp>
    </brelvano>)");
  ASSERT_EQ(dlg->m_nTabCount, 5);
  const std::vector<PARAM_INFO*> first = TabParams(dlg, 0);
  ASSERT_EQ(first.size(), 3u);
  EXPECT_EQ(first[0]->strName, L"First");
  EXPECT_EQ(first[0]->nType, 1);
  EXPECT_EQ(first[1]->nType, TAB_TYPE_POLYGON);
  EXPECT_EQ(first[2]->nType, TAB_TYPE_POLYGON);
  // The next tab names no page type: it takes the polygon type, whose children are sub-groups.
  EXPECT_TRUE(TabParams(dlg, 1).empty());
  const std::vector<PARAM_INFO*> third = TabParams(dlg, 2);
  ASSERT_EQ(third.size(), 1u);
  EXPECT_EQ(third[0]->strName, L"Own");
  EXPECT_EQ(third[0]->nType, 7);
  // Every page of the definition is shown without fault.
  dlg->CreateChildPages(TRUE);
  for (int t = 0; t < dlg->m_nTabCount; ++t) {
    dlg->m_tabPages.SetCurSel(t);
    dlg->OnTabSelChange(nullptr, nullptr);
  }
  EXPECT_NE(dlg->m_pSettingDlg, nullptr);
}

TEST_F(XmlDefinitionTest, SubGroupIdsOtherThanZeroAndOneAreIgnored) {
  CBrelvanoDlg* dlg = OpenWith(R"(<brelvano S="VR1"><grp id="19" title="P">
      <subgrp id="5" hdr="BAD"><item id="1" fid="Lost" type="edit"/></subgrp>
      <subgrp id="1" hdr="OK"><item id="1" fid="Kept" type="edit"/></subgrp>
      <subgrp id="-1"><item id="2" fid="Lost2" type="edit"/></subgrp>
    </grp></brelvano>)");
  const std::vector<PARAM_INFO*> rows = TabParams(dlg, 0);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0]->subGroups[1].strName, L"Kept");
  EXPECT_EQ(rows[0]->subGroups[1].strHdr, L"OK");
  EXPECT_EQ(dlg->m_nSubGroup, 1);
}

TEST_F(XmlDefinitionTest, WellFormedFilesWithElementsOutOfPlaceLoadWhatTheyName) {
  const struct {
    const char* what;
    std::string bytes;
    int tabs;    // definition tabs
    int params;  // parameters of the first tab
  } kCases[] = {
      {"grp named Grp ends the parameters", "<brelvano S=\"VR1\"><grp id=\"1\"><item fid=\"a\"/></grp><Grp id=\"1\"/><grp id=\"1\"><item fid=\"b\"/></grp></brelvano>", 3, 1},
      {"options under a polygon sheet of wrong name", "<brelvano S=\"VR1\"><grp id=\"19\"><subgrp id=\"0\"><sheet column=\"2\"><bad/></sheet></subgrp></grp></brelvano>", 1, 0},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    CBrelvanoDlg* dlg = OpenWith(c.bytes);
    EXPECT_EQ(dlg->m_nTabCount, c.tabs + 2);  // Diagnosis and Profile always follow
    EXPECT_EQ(static_cast<int>(TabParams(dlg, 0).size()), c.tabs > 0 ? c.params : 0);
    m_dlg.reset();
  }
}

// Every line of the communication log, joined.
CString LogText(CBrelvanoDlg* dlg) {
  CString text;
  for (int i = 0; i < dlg->m_listLog.GetCount(); ++i) text += dlg->m_listLog.GetText(i) + L"\n";
  return text;
}

TEST_F(XmlDefinitionTest, ABrokenFileChangesNothingAndTheLogSaysWhy) {
  const std::string good = "<brelvano S=\"VR1\"><grp id=\"1\" title=\"A\"><item fid=\"x\" type=\"edit\"/>"
                           "<item fid=\"y\" type=\"edit\"/></grp><grp id=\"1\" title=\"B\"/></brelvano>";
  std::string utf16;
  for (char c : good) utf16 += std::string(1, c) + '\0';
  const struct {
    const char* what;
    std::string bytes;
    const wchar_t* why;  // a part of the log line's reason
  } kCases[] = {
      {"empty file", "", L"no element"},
      {"white space only", "\r\n  \r\n", L"no element"},
      {"one byte", "<", L"ends inside a tag"},
      {"a byte-order mark only", "\xFF\xFE", L"no element"},
      {"truncated inside a tab", good.substr(0, good.find("<item fid=\"y\"") + 12), L"before an element is closed"},
      {"truncated after a tab's item", good.substr(0, good.find("<item fid=\"y\"")), L"before an element is closed"},
      {"wrong nesting", "<brelvano S=\"VR1\"><grp id=\"1\"><item fid=\"a\" type=\"edit\"></grp></item></brelvano>", L""},
      {"unterminated quote", "<brelvano S=\"VR1\"><grp id=\"1\" title=\"A><item fid=\"a\"/></grp></brelvano>", L""},
      {"wrong root name", "<root S=\"VR1\"><grp id=\"1\"/></root>", L"\"root\""},
      {"text between children", "<brelvano S=\"VR1\"><grp id=\"1\"><item fid=\"a\"/>junk<item fid=\"b\"/></grp></brelvano>", L""},
      {"garbage", "\x7F" "ELF\x02\x01\x01 binary \xC3\x28 data", L""},
      {"UTF-16 without its mark", utf16, L""},
      {"UTF-16 big-endian without its mark", std::string(1, '\0') + utf16.substr(0, utf16.size() - 1), L"zero character"},
      {"NUL bytes inside", good.substr(0, 30) + std::string(8, '\0') + good.substr(30), L""},
  };
  for (bool open : {false, true}) {
    for (const auto& c : kCases) {
      SCOPED_TRACE(std::string(open ? "OpenXmlDefinition: " : "LoadXmlDefinition: ") + c.what);
      CBrelvanoDlg* dlg = OpenWith(good);
      ASSERT_EQ(dlg->m_nTabCount, 4);
      m_folder.Write("broken_Param.xml", c.bytes);
      dlg->m_bDefinitionPending = TRUE;
      if (open)
        dlg->OpenXmlDefinition(m_folder.CPath("broken_Param.xml"));
      else
        dlg->LoadXmlDefinition(m_folder.CPath("broken_Param.xml"));
      // The definition loaded before is all there.
      ASSERT_EQ(dlg->m_nTabCount, 4);
      EXPECT_EQ(dlg->m_tabInfo[0].strTitle, L"A");
      EXPECT_EQ(dlg->m_tabInfo[1].strTitle, L"B");
      EXPECT_EQ(dlg->m_tabInfo[3].strHdr, L"PRF");
      EXPECT_EQ(TabParams(dlg, 0).size(), 2u);
      EXPECT_EQ(dlg->m_tabPages.GetItemCount(), 4);
      // The log names the file and why it was refused; the road goes on.
      const CString log = LogText(dlg);
      EXPECT_NE(log.Find(L"broken_Param.xml"), -1) << log.ToUtf8();
      if (*c.why != L'\0') {
        EXPECT_NE(log.Find(c.why), -1) << log.ToUtf8();
      }
      EXPECT_EQ(dlg->m_bDefinitionPending, FALSE);
      m_dlg.reset();
    }
  }
}

TEST_F(XmlDefinitionTest, TranslatedNamesTitlesOptionsAndValues) {
  CBrelvanoDlg* dlg = Open();
  const struct {
    const wchar_t* key;
    const wchar_t* text;
  } kDictionary[] = {{L"SPEED", L"Velocidade"}, {L"LIMIT", L"Limite"}, {L"OFF", L"Desligado"},
                     {L"DAY", L"Dia"},          {L"ZONE", L"Zona"}};
  for (const auto& d : kDictionary) dlg->m_mapLanguage.SetAt(d.key, d.text);
  m_folder.Write("pt.xml", R"(<brelvano S="VR1"><grp id="1" title="Speed">
      <item fid="Limit" type="combo" num="2" curr="Day"><ele>Off</ele><ele>On</ele></item></grp>
      <grp id="19" title="Zone"><subgrp id="0"><mgrp id="1" title="Zone"/></subgrp></grp></brelvano>)");
  for (BOOL bTranslate : {FALSE, TRUE}) {
    SCOPED_TRACE(bTranslate);
    dlg->m_bTranslateNames = bTranslate;
    dlg->LoadXmlDefinition(m_folder.CPath("pt.xml"));
    EXPECT_EQ(dlg->m_tabInfo[0].strTitle, bTranslate ? L"Velocidade" : L"Speed");
    ASSERT_EQ(TabParams(dlg, 0).size(), 1u);
    const PARAM_INFO& p = *TabParams(dlg, 0)[0];
    EXPECT_EQ(p.strName, bTranslate ? L"Limite" : L"Limit");
    EXPECT_EQ(p.strValue, bTranslate ? L"Dia" : L"Day");
    EXPECT_EQ(p.pOptions[0].strText, bTranslate ? L"Desligado" : L"Off");
    EXPECT_EQ(p.pOptions[1].strText, L"On");  // not in the dictionary
    ASSERT_NE(dlg->m_pSettingDlg, nullptr);
    EXPECT_EQ(dlg->m_pSettingDlg->m_strDetailTitle, bTranslate ? L"Zona" : L"Zone");
  }
}

TEST_F(XmlDefinitionTest, UnreadableFileAddsNoTab) {
  CBrelvanoDlg* dlg = Open();
  dlg->m_bDefinitionPending = TRUE;
  dlg->LoadXmlDefinition(m_folder.CPath("missing.xml"));
  EXPECT_EQ(dlg->m_nTabCount, 0);
  EXPECT_EQ(dlg->m_pParamLists, nullptr);
  EXPECT_EQ(dlg->m_bDefinitionPending, FALSE);
}

TEST_F(XmlDefinitionTest, SecondLoadReplacesTheFirst) {
  CBrelvanoDlg* dlg = OpenWith(kDefinition);
  m_folder.Write("small.xml", "<brelvano S=\"VR325\"><grp id=\"1\" title=\"Only\"><item fid=\"x\"/></grp></brelvano>");
  dlg->LoadXmlDefinition(m_folder.CPath("small.xml"));
  ASSERT_EQ(dlg->m_nTabCount, 2);
  EXPECT_EQ(dlg->m_tabInfo[0].strTitle, L"Only");
  EXPECT_EQ(dlg->m_tabInfo[1].strHdr, L"PRF");
  EXPECT_EQ(dlg->m_tabInfo[2].nIndex, TAB_TYPE_EMPTY);
  EXPECT_EQ(TabParams(dlg, 0).size(), 1u);
}

TEST_F(XmlDefinitionTest, NumberedSubFilesOfTheDownload) {
  CBrelvanoDlg* dlg = Open();
  dlg->m_bAtPrefix = TRUE;
  dlg->m_dFirmwareVersion = 400.0;
  EXPECT_FALSE(dlg->IsSingleFileDefinition());
  dlg->m_nFileCount = 2;
  dlg->m_nCurrentFile = 0;
  dlg->m_tabInfo[1].nSize = 1025;
  m_folder.Write("sub0.xml", "<brelvano S=\"VR600\"><grp id=\"1\" title=\"General\" hdr=\"GEN\"><item fid=\"A\" type=\"edit\"/></grp></brelvano>");
  m_folder.Write("sub1.xml", "<brelvano S=\"VR600\"><grp id=\"19\" title=\"Poly\" hdr=\"XYZ\"><subgrp id=\"0\"><item id=\"1\" fid=\"R\" type=\"edit\"/></subgrp></grp></brelvano>");

  dlg->LoadXmlDefinition(m_folder.CPath("sub0.xml"), TRUE);
  EXPECT_EQ(dlg->m_nCurrentFile, 1);
  ASSERT_EQ(dlg->m_nTabCount, 4);
  EXPECT_EQ(dlg->m_tabInfo[0].strTitle, L"General");
  EXPECT_EQ(dlg->m_tabInfo[2].strHdr, L"DIA");
  EXPECT_EQ(dlg->m_tabInfo[3].strHdr, L"PRF");
  EXPECT_EQ(TabParams(dlg, 0).size(), 1u);
  EXPECT_EQ(dlg->m_strPendingCommand, L"AT^$ReqXmlPk;1;0\r");
  EXPECT_EQ(dlg->m_nXmlSize, 1025);
  EXPECT_EQ(dlg->m_nPacketCount, 3);
  EXPECT_EQ(dlg->m_bXmlDownload, TRUE);

  dlg->LoadXmlDefinition(m_folder.CPath("sub1.xml"), TRUE);
  EXPECT_EQ(dlg->m_nCurrentFile, 2);
  EXPECT_EQ(dlg->m_tabInfo[1].strHdr, L"PLG");  // sub-file mode: the polygon tab's header
  ASSERT_EQ(TabParams(dlg, 1).size(), 1u);
  EXPECT_EQ(TabParams(dlg, 1)[0]->subGroups[0].strName, L"R");
  EXPECT_EQ(dlg->m_bXmlDownload, FALSE);
  EXPECT_EQ(dlg->m_nCmdTab, 0);

  // A sub-file beyond the announced count is refused.
  m_folder.Write("sub2.xml", "<brelvano><grp id=\"1\" title=\"Extra\"><item fid=\"E\"/></grp></brelvano>");
  dlg->LoadXmlDefinition(m_folder.CPath("sub2.xml"), TRUE);
  EXPECT_EQ(dlg->m_tabInfo[2].strHdr, L"DIA");
  EXPECT_EQ(dlg->m_nTabCount, 4);
}

TEST_F(XmlDefinitionTest, ACutSubFileAddsNothingAndIsAskedForAgain) {
  CBrelvanoDlg* dlg = Open();
  dlg->m_bAtPrefix = TRUE;
  dlg->m_dFirmwareVersion = 400.0;
  dlg->m_nFileCount = 2;
  dlg->m_nCurrentFile = 0;
  dlg->m_tabInfo[1].nSize = 600;
  m_folder.Write("sub0.xml", "<brelvano S=\"VR600\"><grp id=\"1\" title=\"General\" hdr=\"GEN\"><item fid=\"A\" type=\"edit\"/></grp></brelvano>");
  m_folder.Write("sub1.xml", "<brelvano S=\"VR600\"><grp id=\"1\" title=\"Second\" hdr=\"SEC\"><item fid=\"B\" type=\"edit\"/>");
  dlg->LoadXmlDefinition(m_folder.CPath("sub0.xml"), TRUE);
  ASSERT_EQ(dlg->m_nCurrentFile, 1);
  dlg->m_strPendingCommand.Empty();
  dlg->LoadXmlDefinition(m_folder.CPath("sub1.xml"), TRUE);
  EXPECT_EQ(dlg->m_nCurrentFile, 1) << "the cut sub-file gives no tab";
  EXPECT_EQ(dlg->m_tabInfo[1].strTitle, L"");
  EXPECT_TRUE(TabParams(dlg, 1).empty());
  EXPECT_EQ(dlg->m_strPendingCommand, L"AT^$ReqXmlPk;1;0\r") << "it is asked for again";
  EXPECT_NE(LogText(dlg).Find(L"sub1.xml"), -1);
}

TEST_F(XmlDefinitionTest, OpenXmlDefinitionAppendsBothTabsAndReportsUnreadableFiles) {
  CBrelvanoDlg* dlg = Open();
  m_folder.Write("main.xml", "<brelvano S=\"VR325\"><grp id=\"1\" title=\"A\"/></brelvano>");
  dlg->OpenXmlDefinition(m_folder.CPath("main.xml"));
  ASSERT_EQ(dlg->m_nTabCount, 3);
  EXPECT_EQ(dlg->m_tabInfo[1].strHdr, L"DIA");
  EXPECT_EQ(dlg->m_tabInfo[2].strHdr, L"PRF");

  platform::ModalService::Instance().ExpectMessageBox(IDOK);
  dlg->OpenXmlDefinition(m_folder.CPath("none.xml"));
  const auto boxes = Records(platform::ModalKind::MessageBox);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_NE(boxes[0].text.Find(L"(Xml Open Fail)"), -1);
  // The definition loaded before is kept, with its pages.
  ASSERT_EQ(dlg->m_nTabCount, 3);
  EXPECT_EQ(dlg->m_tabInfo[0].strTitle, L"A");
}

}  // namespace
