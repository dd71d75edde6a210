// The lines a text profile holds for a page: generic pages cut every 20 list positions, the value
// of each control type (nothing for a parameter without a value form), geofence numbers mapped to
// their codes with at most 19 items a line, and BLE slots with their own element numbers.
#include <gtest/gtest.h>

#include "gui/dlg/brelvanodlg.h"
#include "gui/dlg/definitionloading.h"
#include "mainwindow_fixture.h"
#include "model_fill.h"

namespace {

int CountOf(const CString& text, const wchar_t* part) {
  int n = 0;
  for (int at = text.Find(part); at >= 0; at = text.Find(part, at + 1)) ++n;
  return n;
}

class TextProfileLinesTest : public testsupport::MainWindowFixture {
 protected:
  void SetUp() override {
    MainWindowFixture::SetUp();
    dlg = Open(9);
    ASSERT_NE(dlg, nullptr);
    savedGeofences = g_nGeofenceCount;
    savedBle = g_nBleCount;
  }
  void TearDown() override {
    g_nGeofenceCount = savedGeofences;
    g_nBleCount = savedBle;
    MainWindowFixture::TearDown();
  }
  PARAM_INFO* Add(int nTab, int nId, int nCtrlType, const wchar_t* value) {
    auto* p = new PARAM_INFO;
    p->nId = nId;
    p->nCtrlType = nCtrlType;
    p->strValue = value;
    dlg->m_pParamLists[nTab].AddTail(p);
    return p;
  }

  CBrelvanoDlg* dlg = nullptr;
  int savedGeofences = 0;
  int savedBle = 0;
};

TEST_F(TextProfileLinesTest, AGenericPageIsCutEveryTwentyListPositions) {
  struct Case {
    int params;
    int lines;
  } cases[] = {{0, 1}, {20, 1}, {21, 2}, {45, 3}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.params);
    testsupport::FillTabs(dlg, {{1, L"General", L"GEN"}});
    dlg->m_tabInfo[0].nTabId = 5;
    for (int i = 0; i < c.params; ++i) Add(0, i, CTRL_EDIT, L"v");
    const CString lines = dlg->TextProfilePageLines(0);
    EXPECT_EQ(CountOf(lines, L"\r\n"), c.lines);
    EXPECT_EQ(lines.Find(L"GEN,PRG;;05"), 0);
    if (c.params == 45) {
      EXPECT_GE(lines.Find(L";19#v\r\nGEN,PRG;;05;20#v;"), 0);
      EXPECT_GE(lines.Find(L";39#v\r\nGEN,PRG;;05;40#v;41#v;42#v;43#v;44#v\r\n"), 0);
    }
  }
}

TEST_F(TextProfileLinesTest, EachControlTypeGivesItsValueAndParametersWithoutOneGiveNoItem) {
  testsupport::FillTabs(dlg, {{1, L"General", L"GEN"}});
  dlg->m_tabInfo[0].nTabId = 5;
  dlg->m_deviceInfo.bJsonParam = 1;
  Add(0, 1, CTRL_EDIT, L"30");
  Add(0, 2, CTRL_CHECK_BOX, L"1");
  Add(0, 3, CTRL_ANY, L"x");                          // not reserved: no item, no stale value
  Add(0, 4, CTRL_ANY, L"x")->bReserve = TRUE;         // reserved: "0"
  PARAM_INFO* combo = Add(0, 5, CTRL_COMBO, L"High");
  combo->nOptions = 2;
  combo->pOptions = new PARAM_OPTION[2];
  combo->pOptions[0].strText = L"Low";
  combo->pOptions[0].nValue = 0;
  combo->pOptions[1].strText = L"High";
  combo->pOptions[1].nValue = 7;
  Add(0, 6, CTRL_COMBO, L"Nothing");                  // a JSON combo matching no option: no item
  Add(0, 7, CTRL_ALERT_ID, L"10")->strAlertId = L"12";
  Add(0, 8, CTRL_S_ASSIGN, L"")->assign.nNo = 3;
  EXPECT_EQ(dlg->TextProfilePageLines(0), CString(L"GEN,PRG;;05;01#30;04#0;05#07;07#0A0C;08#03\r\n"));
}

TEST_F(TextProfileLinesTest, GeofenceNumbersLandOnTheirCodesWithNineteenItemsALine) {
  g_nGeofenceCount = 1100;
  testsupport::FillTabs(dlg, {{TAB_TYPE_GEOFENCE, L"Zones", L"GEO"}});
  auto use = [&](int n) {
    GEOFENCE_INFO& rec = dlg->m_geofenceTable[static_cast<size_t>(n - 1)];
    rec.nId = n;
    rec.bUsed = 1;
    rec.bIn = 1;
    rec.strLatitude = L"-23.5";
    rec.strLongitude = L"46.25";
    rec.strRadius = L"300";
  };
  for (int n = 1; n <= 20; ++n) use(n);
  for (int n : {75, 76, 1055, 1056}) use(n);
  const CString lines = dlg->GeofenceProfileLines(L"GEO");
  EXPECT_EQ(CountOf(lines, L"\r\n"), 4) << lines;  // 1-19; 20 and 75; 76; 1055
  EXPECT_EQ(lines.Find(L"GEO,PRG;;50;25#816694E002C1B810012C0100;26#"), 0);
  EXPECT_GE(lines.Find(L";43#816694E002C1B810012C0100\r\nGEO,PRG;;50;44#"), 0) << "the 20th record starts a line";
  EXPECT_GE(lines.Find(L";99#816694E002C1B810012C0100\r\nGEO,PRG;;51;00#"), 0) << "75 and 76 on two codes";
  EXPECT_GE(lines.Find(L"GEO,PRG;;98;99#"), 0);
  EXPECT_EQ(CountOf(lines, L"#"), 23) << "number 1056 has no code and is left out";
}

TEST_F(TextProfileLinesTest, EveryAssignmentTabEndsWithItsAssignmentBits) {
  dlg->m_bTextProfileSaving = TRUE;  // the bits are collected, not sent
  const struct {
    int type;
    const wchar_t* hdr;
  } kTabs[] = {{1, L"GEN"}, {TAB_TYPE_GEOFENCE, L"GEO"}, {TAB_TYPE_BLE, L"BLE"}, {21, L"LST"}, {7, L"CMD"},
               {TAB_TYPE_POLYGON, L"PLG"}};
  for (const auto& t : kTabs) {
    SCOPED_TRACE(t.type);
    testsupport::FillTabs(dlg, {{t.type, L"Page", t.hdr}});
    dlg->m_tabInfo[0].bAssign = 1;
    dlg->m_tabInfo[0].strMapId = L"3101";
    Add(0, 0, CTRL_S_ASSIGN, L"1");
    Add(0, 1, CTRL_S_ASSIGN, L"0");
    Add(0, 2, CTRL_S_ASSIGN, L"1");
    const CString lines = dlg->TextProfilePageLines(0);
    EXPECT_EQ(CountOf(lines, L"RMAP,PRG;;31;01#05\r\n"), 1) << lines;
    EXPECT_EQ(lines.Right(20), CString(L"RMAP,PRG;;31;01#05\r\n")) << "after the page's own lines";
    // The same tab without the assignment mark has no bits.
    dlg->m_tabInfo[0].bAssign = 0;
    EXPECT_EQ(dlg->TextProfilePageLines(0).Find(L"RMAP"), -1);
  }
  dlg->m_bTextProfileSaving = FALSE;
}

TEST_F(TextProfileLinesTest, BleSlotsKeepTheirOwnElementNumbersBeyondTheHundredth) {
  g_nBleCount = 200;
  testsupport::FillTabs(dlg, {{TAB_TYPE_BLE, L"Tags", L"BLE"}});
  for (int slot : {1, 101, 150}) {
    BLE_INFO& rec = dlg->m_bleTable[static_cast<size_t>(slot - 1)];
    rec.nSlot = slot;
    rec.bActive = 1;
  }
  EXPECT_EQ(dlg->BleProfileLines(L"BLE"), CString(L"BLE,PRG;;41;00#01;100#01;149#01\r\n"));
}

// A zone line carries the zone's further values of the kinds 0 (two digits), 1 and 13 (eight
// digits); values of any other kind are left out.
TEST_F(TextProfileLinesTest, AZoneLineCarriesOnlyTheExtraKindsItKnows) {
  testsupport::FillTabs(dlg, {{1, L"Zones", L"ZON"}, {1, L"Switches", L"SWI"}});
  dlg->m_tabInfo[0].nTabId = 53;
  dlg->m_tabInfo[1].nTabId = 90;
  PARAM_INFO* row = Add(0, 1, CTRL_COMBO, L"");
  row->subGroups[1].strConfig = L"0007";
  Add(1, 7, CTRL_COMBO, L"Enable");
  brelvano::ReplacePolygonTables(dlg->m_pPolygonTable, dlg->m_pZonePointBlocks, 2);
  dlg->m_nPolygonMax = 2;
  POLYGON_INFO& zone = dlg->m_pPolygonTable[0];
  zone.nPointCount = 3;
  struct Extra {
    int kind;
    const wchar_t* value;
  } extras[] = {{CTRL_COMBO, L"12"}, {CTRL_EDIT, L"1.5"}, {CTRL_EDIT_NUMBER, L"-2"}, {CTRL_EDIT_HEX, L"3.25"},
                {CTRL_PASSWD, L"7"}, {CTRL_COMBO, L"5"}};
  int k = 0;
  for (const Extra& e : extras) {
    zone.nExtraType[k] = e.kind;
    zone.strExtra[k++] = e.value;
  }
  EXPECT_EQ(dlg->ZoneProfileLine(L"PLG", 0), CString(L"PLG,PRG;;53;00#030000" L"0C" L"0016E360" L"801E8480" L"05\r\n"));
}

}  // namespace
