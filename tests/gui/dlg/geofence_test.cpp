// Circular geofences of the $-command set without a device: the list reply parser, the
// acknowledgement parser (positional and lettered field orders), the "InitCircleGeo" answer, the
// table stores, the record line, the list's filters and the free-slot search of ADD; the map step
// without the web engine.
#include <gtest/gtest.h>

#include <QAbstractScrollArea>
#include <QTest>

#include <cstdlib>
#include <string>
#include <vector>

#include "gui/dlg/brelvanodlg.h"
#include "gui/dlg/geodetaildlg.h"
#include "gui/dlg/geofencedlg.h"
#include "gui/dlg/settingdlg.h"
#include "gui/dlg/guibase.h"
#include "gui/dlg/mapdlg.h"
#include "mainwindow_fixture.h"
#include "model_fill.h"
#include "platform/htmldialog.h"
#include "platform/modal.h"
#include "platform/pumpwait.h"
#include "platform/wnd.h"
#include "reference/default/appregsettings.h"
#include "../../platform/page_clicks.h"

namespace {

struct ParamSpec {
  const wchar_t* name;
  int ctrlType;
  int options;
};

class GeofenceTest : public testsupport::MainWindowFixture {
 protected:
  // A main window with a geofence tab of the usual parameters and its page.
  CBrelvanoDlg* OpenWithPage(const std::vector<ParamSpec>& params = UsualParams()) {
    CBrelvanoDlg* dlg = Open();
    dlg->ShowWindow(SW_SHOW);
    dlg->m_bAtPrefix = FALSE;
    testsupport::FillTabs(dlg, {{6, L"Geofence", L"CGF"}});
    for (const ParamSpec& p : params) {
      dlg->m_stagingParam.nCtrlType = p.ctrlType;
      testsupport::AddStagedParam(dlg, 1, p.name, p.options, 0);
    }
    dlg->m_stagingParam.nCtrlType = 0;
    dlg->m_geoGroup.strHdr = L"CGF";
    dlg->m_geoGroup.strOrd = L"DATGRIO";
    dlg->m_defHeader.strS = L"$T";
    dlg->m_defHeader.strD = L";";
    dlg->m_defHeader.strR = L"Res";
    dlg->m_hGeofenceReadEvent = CreateEvent(nullptr, TRUE, FALSE, nullptr);
    dlg->CreateChildPages(TRUE);
    EXPECT_NE(dlg->m_pGeofenceDlg, nullptr);
    return dlg;
  }
  static std::vector<ParamSpec> UsualParams() {
    return {{L"Geo ID", 0, 1}, {L"Active", 0, 2}, {L"Latitude", 1, 0}, {L"Longitude", 1, 0}, {L"Radius", 1, 0},
            {L"IN", 0, 2},     {L"OUT", 0, 2},    {L"Speed", 1, 0},    {L"TR ID", 1, 0}};
  }
  static GEOFENCE_INFO Record(int id, int used, const wchar_t* lat, const wchar_t* lon, const wchar_t* radius, int in,
                              int out, const wchar_t* extra = L"") {
    GEOFENCE_INFO r;
    r.nId = id;
    r.bUsed = used;
    r.strLatitude = lat;
    r.strLongitude = lon;
    r.strRadius = radius;
    r.bIn = in;
    r.bOut = out;
    r.strExtra = extra;
    return r;
  }
  static std::vector<CString> Ids(CGeofenceDialog* page) {
    std::vector<CString> ids;
    for (int i = 0; i < page->m_list.GetItemCount(); ++i) ids.push_back(page->m_list.GetItemText(i, 0));
    return ids;
  }
};

TEST_F(GeofenceTest, ListLinesFillBothTablesAndEndTheRead) {
  struct Case {
    const char* name;
    const wchar_t* line;
    const wchar_t* buyer;
    GEOFENCE_INFO want;
  };
  const Case cases[] = {
      {"record", L"$PVR;GEO;Req;5;3;37.5;127.25;100\r", L"", Record(5, 1, L"37.5", L"127.25", L"100", 1, 0)},
      {"second alarm kinds", L"$PVR;GEO;Req;6;72;1;2;3", L"", Record(6, 0, L"1", L"2", L"3", 2, 3)},
      {"third alarm kinds", L"$PVR;GEO;Req;7;48;1;2;3", L"", Record(7, 0, L"1", L"2", L"3", 3, 2)},
      {"exit alarm", L"$PVR;GEO;Req;8;5;1;2;3", L"", Record(8, 1, L"1", L"2", L"3", 0, 1)},
      {"further values", L"$PVR;GEO;Req;9;1;1;2;3;60;7", L"", Record(9, 1, L"1", L"2", L"3", 0, 0, L";60;7")},
      {"too few fields", L"$PVR;GEO;Req;10;1;4.5", L"", Record(10, 1, L"4.5", L"", L"", 0, 0)},
      {"western longitude without its sign", L"$PVR;GEO;Req;11;1;1;99.1;3", L"HALDIMEK",
       Record(11, 1, L"1", L"-99.1", L"3", 0, 0)},
      {"signed western longitude", L"$PVR;GEO;Req;12;1;1;-99.1;3", L"HALDIMEK", Record(12, 1, L"1", L"-99.1", L"3", 0, 0)},
  };
  CBrelvanoDlg* dlg = OpenWithPage();
  CGeofenceDialog* page = dlg->m_pGeofenceDlg;
  dlg->m_nGeofenceListCount = 0;
  for (const Case& c : cases) {
    dlg->m_deviceInfo.strBuyer = c.buyer;
    EXPECT_FALSE(dlg->ParseGeofenceListReply(c.line)) << c.name << ": also offered to the next parsers";
    for (const GEOFENCE_INFO* slot : {&page->m_pRecords[c.want.nId - 1], &dlg->m_geofenceTable[c.want.nId - 1]}) {
      EXPECT_EQ(slot->nId, c.want.nId) << c.name;
      EXPECT_EQ(slot->bUsed, c.want.bUsed) << c.name;
      EXPECT_EQ(slot->bIn, c.want.bIn) << c.name;
      EXPECT_EQ(slot->bOut, c.want.bOut) << c.name;
      EXPECT_EQ(slot->strLatitude, c.want.strLatitude) << c.name;
      EXPECT_EQ(slot->strLongitude, c.want.strLongitude) << c.name;
      EXPECT_EQ(slot->strRadius, c.want.strRadius) << c.name;
      EXPECT_EQ(slot->strExtra, c.want.strExtra) << c.name;
    }
  }
  EXPECT_EQ(dlg->m_nGeofenceListCount, 8);
  EXPECT_EQ(page->m_progress.GetPos(), 7) << "the count before the last record";

  ResetEvent(dlg->m_hGeofenceReadEvent);
  EXPECT_FALSE(dlg->ParseGeofenceListReply(L"$PVR;GEO;NoData\r"));
  EXPECT_EQ(WaitForSingleObject(dlg->m_hGeofenceReadEvent, 0), WAIT_OBJECT_0);
  EXPECT_EQ(dlg->m_nGeofenceTotal, 0);
  ResetEvent(dlg->m_hGeofenceReadEvent);
  EXPECT_TRUE(dlg->ParseGeofenceListReply(L"$PVR;GEO;Total;12\r"));
  EXPECT_EQ(WaitForSingleObject(dlg->m_hGeofenceReadEvent, 0), WAIT_OBJECT_0);
  EXPECT_EQ(dlg->m_nGeofenceTotal, 12);

  // Not a geofence line, or the numbered-parameter set: not taken.
  EXPECT_FALSE(dlg->ParseGeofenceListReply(L"$PVR;GSM;Total;3"));
  dlg->m_bUpProtocol = TRUE;
  EXPECT_FALSE(dlg->ParseGeofenceListReply(L"$PVR;GEO;Total;3"));
  EXPECT_EQ(dlg->m_nGeofenceTotal, 12);
  dlg->m_bUpProtocol = FALSE;
  CloseHandle(dlg->m_hGeofenceReadEvent);
  dlg->m_hGeofenceReadEvent = nullptr;
}

TEST_F(GeofenceTest, AcknowledgementsRebuildTheRecordFromTheCommandSent) {
  struct Case {
    const char* name;
    const wchar_t* header;
    const wchar_t* body;
    const wchar_t* line;
    double firmware;
    bool stored;
    GEOFENCE_INFO want;
    int id;
  };
  const Case cases[] = {
      {"lettered field order", L"CGF", L"7;1;37.5;127.0;300;1;0", L"$TCGF;Res;OK", 0.0, true,
       Record(7, 1, L"37.5", L"127.0", L"300", 1, 0), 7},
      {"positional with the model token", L"CGF", L"8;1;37.5;-122.25;200;0;1;9", L"$T;RES;CGF;OK", 0.0, true,
       Record(8, 1, L"37.5", L"-122.25", L"200", 0, 1, L";9"), 8},
      {"positional for new firmware", L"CGF", L"9;1;1;2;3;1;1", L"VR735;CGF;Res", 150.0, true,
       Record(9, 1, L"1", L"2", L"3", 1, 1), 9},
      {"answer to another command", L"GEN", L"10;1;1;2;3;1;1", L"$T;RES;CGF;OK", 0.0, false, GEOFENCE_INFO(), 10},
      {"error answer", L"CGF", L"11;1;1;2;3;1;1", L"$T;RES;CGF;Error", 0.0, false, GEOFENCE_INFO(), 11},
      {"lettered order keeps the further values written", L"CGF", L"12;1;37.5;127.0;300;1;0;80;7", L"$TCGF;Res;OK",
       0.0, true, Record(12, 1, L"37.5", L"127.0", L"300", 1, 0, L";80;7"), 12},
  };
  CBrelvanoDlg* dlg = OpenWithPage();
  CGeofenceDialog* page = dlg->m_pGeofenceDlg;
  for (const Case& c : cases) {
    dlg->m_strCmdHeader = c.header;
    dlg->m_strCmdBody = c.body;
    dlg->m_dFirmwareVersion = c.firmware;
    EXPECT_TRUE(dlg->IsCircleGeofenceReply(c.line)) << c.name;
    dlg->ParseCircleGeofenceReply(c.line);
    const GEOFENCE_INFO& slot = page->m_pRecords[c.id - 1];
    if (!c.stored) {
      EXPECT_EQ(slot.nId, 0) << c.name;
      continue;
    }
    EXPECT_EQ(slot.nId, c.want.nId) << c.name;
    EXPECT_EQ(slot.bUsed, c.want.bUsed) << c.name;
    EXPECT_EQ(slot.strLatitude, c.want.strLatitude) << c.name;
    EXPECT_EQ(slot.strLongitude, c.want.strLongitude) << c.name;
    EXPECT_EQ(slot.strRadius, c.want.strRadius) << c.name;
    EXPECT_EQ(slot.bIn, c.want.bIn) << c.name;
    EXPECT_EQ(slot.bOut, c.want.bOut) << c.name;
    EXPECT_EQ(slot.strExtra, c.want.strExtra) << c.name;
  }
  EXPECT_EQ(Ids(page), (std::vector<CString>{L"7", L"8", L"9", L"12"}));

  // "InitCircleGeo" clears the page's geofences.
  EXPECT_FALSE(dlg->ParseInitCircleGeoReply(L"$T;XYZ;CMD;02;InitCircleGeo"));
  EXPECT_EQ(page->m_pRecords[6].nId, 7);
  EXPECT_TRUE(dlg->ParseInitCircleGeoReply(L"$T;Res;CMD;02;InitCircleGeo"));
  EXPECT_EQ(page->m_pRecords[6].nId, 0);
}

TEST_F(GeofenceTest, ReceivedAnswersToAGeofenceLineReachThePageOnlyWhenAccepted) {
  struct Case {
    const char* name;
    const wchar_t* line;
    bool stored;
  } cases[] = {
      {"accepted", L"$TCGF;Res;OK", true},
      {"refused", L"$TCGF;Res;ERROR", false},
      {"the model token form, refused", L"$T;RES;CGF;Error", false},
      {"the model token form, accepted", L"$T;RES;CGF;OK", true},
  };
  CBrelvanoDlg* dlg = OpenWithPage();
  CGeofenceDialog* page = dlg->m_pGeofenceDlg;
  int id = 20;
  for (const Case& c : cases) {
    ++id;
    dlg->m_nCmdTab = 0;
    dlg->m_strCmdHeader = L"CGF";
    dlg->m_strCmdBody.Format(L"%d;1;37.5;127.25;300;1;0", id);
    dlg->m_strLastCommand = L"$TCGF;" + dlg->m_strCmdBody + L"\r";
    dlg->DispatchReceivedLine(c.line);
    EXPECT_EQ(page->m_pRecords[id - 1].strRadius, CString(c.stored ? L"300" : L"")) << c.name;
    EXPECT_EQ(dlg->m_geofenceTable[id - 1].strLongitude, CString(c.stored ? L"127.25" : L"")) << c.name;
  }
}

TEST_F(GeofenceTest, RepliesNoParserTookAreOnlyLogged) {
  struct Case {
    const char* name;
    const wchar_t* pendingHeader;  // empty: no command pending
    const wchar_t* line;
  } const cases[] = {
      {"clearing answer without a pending command", L"", L"$T;Res;CMD;02;InitCircleGeo"},
      {"clearing answer to another command", L"GEN", L"$T;Res;CMD;02;InitCircleGeo"},
      {"geofence answer without a pending command", L"", L"$TCGF;Res;OK"},
  };
  CBrelvanoDlg* dlg = OpenWithPage();
  CGeofenceDialog* page = dlg->m_pGeofenceDlg;
  for (const Case& c : cases) {
    // Geofence 5 is on the page, accepted by the device.
    dlg->m_nCmdTab = 0;
    dlg->m_strCmdHeader = L"CGF";
    dlg->m_strCmdBody = L"5;1;37.5;127.25;300;1;0";
    dlg->m_strLastCommand = L"$TCGF;" + dlg->m_strCmdBody + L"\r";
    dlg->DispatchReceivedLine(L"$TCGF;Res;OK");
    ASSERT_EQ(page->m_pRecords[4].strRadius, CString(L"300")) << c.name;
    dlg->ClearPendingCommand();
    if (*c.pendingHeader != 0) {
      dlg->m_strCmdHeader = c.pendingHeader;
      dlg->m_strCmdBody = L"1";
      dlg->m_strLastCommand = L"$TGEN;1\r";
    }
    dlg->m_strCmdBody = L"6;1;1;2;3;1;1";  // what a stale geofence answer would store
    dlg->m_listLog.ResetContent();
    dlg->DispatchReceivedLine(c.line);
    EXPECT_EQ(page->m_pRecords[4].strRadius, CString(L"300")) << c.name << ": the page keeps its geofences";
    EXPECT_EQ(page->m_pRecords[5].nId, 0) << c.name << ": nothing is stored";
    bool logged = false;
    for (int i = 0; i < dlg->m_listLog.GetCount(); ++i) logged = logged || dlg->m_listLog.GetText(i).Find(c.line) >= 0;
    EXPECT_TRUE(logged) << c.name;
  }
}

TEST_F(GeofenceTest, ListRecordsAlsoBecomeStatusRowsOfThePage) {
  CBrelvanoDlg* dlg = OpenWithPage();
  CGeofenceDialog* page = dlg->m_pGeofenceDlg;
  page->m_rowTexts.clear();
  dlg->DispatchReceivedLine(L"$PVR;GEO;Req;5;3;37.5;127.25;100\r");
  dlg->DispatchReceivedLine(L"$PVR;GEO;Total;1\r");
  EXPECT_EQ(page->m_rowTexts, std::vector<CString>{L"5;3;37.5;127.25;100"});
  dlg->OnGeoStatusReply(L"$PVR;GEO;NoReq");
  EXPECT_EQ(page->m_rowTexts.size(), 1u) << "a line without \"Req;\" adds nothing";
}

TEST_F(GeofenceTest, TheMainWindowsTableKeepsRecordsInsideItsSlots) {
  CBrelvanoDlg* dlg = OpenWithPage();
  dlg->m_geofenceTable[0].strSpare = L"kept";
  struct Case {
    int id;
    BOOL up;
    BOOL stored;
  } cases[] = {{0, FALSE, FALSE}, {-1, FALSE, FALSE}, {4097, FALSE, FALSE}, {1, FALSE, TRUE}, {4096, TRUE, TRUE}};
  for (const Case& c : cases) {
    dlg->m_bUpProtocol = c.up;
    GEOFENCE_INFO r = Record(c.id, 1, L"1", L"2", L"3", 1, 0);
    r.strSpare = L"new";
    r.formats[2].nWidth = 4;
    if (c.stored) dlg->m_geofenceTable[c.id - 1].formats[2].nWidth = 7;
    EXPECT_EQ(dlg->StoreGeofenceRecord(r), c.stored) << c.id;
    if (!c.stored) continue;
    const GEOFENCE_INFO& slot = dlg->m_geofenceTable[c.id - 1];
    EXPECT_EQ(slot.strLatitude, CString(L"1"));
    EXPECT_EQ(slot.formats[2].nWidth, c.up ? 4 : 7) << "formats only in the numbered-parameter set; else the slot's stay";
  }
  EXPECT_EQ(dlg->m_geofenceTable[0].strSpare, CString(L"kept"));
  dlg->m_bUpProtocol = FALSE;
}

TEST_F(GeofenceTest, RecordLinesOfTheDollarSet) {
  CBrelvanoDlg* dlg = OpenWithPage();
  CGeofenceDialog* page = dlg->m_pGeofenceDlg;
  GEOFENCE_INFO r = Record(3, 1, L"37.5", L"-122.25", L"200", 1, 0, L";60;7");
  CString line;
  ASSERT_TRUE(page->EncodeRecord(&r, line));
  EXPECT_EQ(line, CString(L"CGF;3;1;37.5;-122.25;200;1;0;60;7"));
  dlg->m_deviceInfo.strBuyer = L"MORVADINE";
  ASSERT_TRUE(page->EncodeRecord(&r, line));
  EXPECT_EQ(line, CString(L"CGF;3;1;37.5;-122.25;200;1;0;7391")) << "the device password instead of the values";
}

TEST_F(GeofenceTest, NumberedSetRecordLinesHaveFixedWidthsAndRefuseWhatDoesNotFit) {
  CBrelvanoDlg* dlg = OpenWithPage();
  CGeofenceDialog* page = dlg->m_pGeofenceDlg;
  dlg->m_bUpProtocol = TRUE;
  page->m_bUpProtocol = TRUE;
  struct Case {
    const char* name;
    GEOFENCE_INFO record;
    int choiceFormat;  // format 0's type (the others are number edits)
    const wchar_t* line;  // empty: refused
  };
  const Case cases[] = {
      {"position, radius and alarms", Record(3, 1, L"37.5", L"-122.25", L"200", 1, 0), 13,
       L"03#023C34608749631000C80100\r"},
      {"further values", Record(3, 1, L"37.5", L"-122.25", L"200", 1, 0, L";3;-1.5"), 0,
       L"03#023C34608749631000C801000380" L"16E360\r"},
      {"coordinates scaled exactly from their text", Record(4, 1, L"0.256229", L"1", L"1", 0, 1), 13,
       L"04#0003E8E5000F4240000100" L"01\r"},
      {"largest radius", Record(5, 1, L"1", L"1", L"65535", 1, 1), 13, L"05#000F4240000F4240FFFF0101\r"},
      {"radius too large", Record(5, 1, L"1", L"1", L"65536", 1, 1), 13, L""},
      {"latitude beyond the pole", Record(5, 1, L"95", L"1", L"1", 1, 1), 13, L""},
      {"choice value too large", Record(5, 1, L"1", L"1", L"1", 1, 1, L";256"), 0, L""},
      {"negative choice value", Record(5, 1, L"1", L"1", L"1", 1, 1, L";-1"), 0, L""},
      {"number value too large", Record(5, 1, L"1", L"1", L"1", 1, 1, L";2148"), 13, L""},
  };
  for (const Case& c : cases) {
    GEOFENCE_INFO r = c.record;
    r.formats[0].nType = c.choiceFormat;
    r.formats[1].nType = 13;
    CString line;
    const bool refused = CString(c.line).IsEmpty();
    if (refused) platform::ModalService::Instance().ExpectMessageBox(IDOK);
    EXPECT_EQ(page->EncodeRecord(&r, line), refused ? FALSE : TRUE) << c.name;
    EXPECT_EQ(line, CString(c.line)) << c.name;
    if (!refused) {
      ASSERT_NE(page->m_pPendingRecord, nullptr);
      EXPECT_EQ(page->m_pPendingRecord->strRadius, r.strRadius) << c.name << ": kept until acknowledged";
    }
  }
  dlg->m_bUpProtocol = FALSE;
}

TEST_F(GeofenceTest, TheListShowsTheGeofencesOfTheCommandSet) {
  CBrelvanoDlg* dlg = OpenWithPage();
  CGeofenceDialog* page = dlg->m_pGeofenceDlg;
  page->StoreRecord(Record(1, 1, L"1", L"2", L"3", 0, 0));
  page->StoreRecord(Record(2, 0, L"1", L"2", L"3", 1, 0));
  page->StoreRecord(Record(3, 1, L"1", L"2", L"3", 1, 5, L";12"));
  page->RefreshList();
  EXPECT_EQ(Ids(page), (std::vector<CString>{L"1", L"3"})) << "$-set: every used slot";
  EXPECT_EQ(page->m_list.GetItemText(1, 4), CString(L"IN 1")) << "the alarm as its option's text";
  EXPECT_EQ(page->m_list.GetItemText(1, 5), CString()) << "an alarm outside the options";
  EXPECT_EQ(page->m_list.GetItemText(1, 6), CString(L"12"));
  dlg->m_bUpProtocol = TRUE;
  page->RefreshList();
  EXPECT_EQ(Ids(page), (std::vector<CString>{L"3"})) << "numbered set: used slots with an alarm";
  dlg->m_bUpProtocol = FALSE;

  // The status texts of a read fill only rows that exist.
  page->RefreshList();
  page->ClearStatusLines();
  page->AddStatusLine(L"1;a;b");
  page->SetReadTotal(40);
  EXPECT_EQ(page->m_list.GetItemText(0, 2), CString(L"a")) << "fields from 1: the first in column 1";
  EXPECT_EQ(page->m_list.GetItemText(0, 0), CString());
}

TEST_F(GeofenceTest, ThePageDefinitionGivesEachColumnItsOptions) {
  CBrelvanoDlg* dlg = OpenWithPage();
  CGeofenceDialog* page = dlg->m_pGeofenceDlg;
  CPtrList* params = page->m_pParams;
  ASSERT_NE(params, nullptr);
  auto texts = [](const CStringArray* a) {
    std::vector<CString> out;
    for (int i = 0; a != nullptr && i < a->GetSize(); ++i) out.push_back(a->GetAt(i));
    return out;
  };
  struct Case {
    int nMin, nMax;
    size_t idCount;
    const wchar_t* first;
    const wchar_t* last;
  } cases[] = {
      {1, 3, 3, L"1", L"3"},
      {5, 5, 1, L"5", L"5"},
      {4, 2, 0, nullptr, nullptr},
      {0, 2147483647, static_cast<size_t>(kGeofenceSlots), L"0", L"4095"},  // a range past the slots
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.nMax);
    GEO_GROUP_INFO group;
    group.nMin = c.nMin;
    group.nMax = c.nMax;
    page->SetPageDefinition(group, params);  // each definition releases the arrays of the last
    // Geo ID, Latitude, Longitude, Radius, IN, OUT, Speed, TR ID ("Active" has no column).
    ASSERT_EQ(page->m_columnOptions.size(), 8u);
    ASSERT_EQ(page->m_list.GetHeaderCtrl()->GetItemCount(), 8);
    for (size_t column : {0u, 7u}) {
      const std::vector<CString> ids = texts(page->m_columnOptions[column]);
      ASSERT_EQ(ids.size(), c.idCount);
      if (c.idCount == 0) continue;
      EXPECT_EQ(ids.front(), CString(c.first));
      EXPECT_EQ(ids.back(), CString(c.last));
    }
    for (size_t column : {1u, 2u, 3u, 6u}) EXPECT_EQ(page->m_columnOptions[column], nullptr) << column;
    EXPECT_EQ(texts(page->m_columnOptions[4]), (std::vector<CString>{L"IN 0", L"IN 1"}));
    EXPECT_EQ(texts(page->m_columnOptions[5]), (std::vector<CString>{L"OUT 0", L"OUT 1"}));
  }
  page->FreeColumnOptions();
  EXPECT_TRUE(page->m_columnOptions.empty());
  // Built again, they go with the page when the main window closes it.
  page->SetPageDefinition(GEO_GROUP_INFO(), params);
  EXPECT_EQ(page->m_columnOptions.size(), 8u);
}

TEST_F(GeofenceTest, TheListKeepsTheRowTheUserChoseAndEditsNoCell) {
  CBrelvanoDlg* dlg = OpenWithPage();
  CGeofenceDialog* page = dlg->m_pGeofenceDlg;
  page->ShowWindow(SW_SHOW);
  page->StoreRecord(Record(1, 1, L"1", L"2", L"3", 0, 0));
  page->StoreRecord(Record(3, 1, L"4", L"5", L"6", 1, 0));
  page->RefreshList();
  CListCtrlEx& list = page->m_list;
  for (int c = 0; c < list.GetHeaderCtrl()->GetItemCount(); ++c) EXPECT_TRUE(list.IsColumnReadOnly(c)) << c;
  QWidget* viewport = qobject_cast<QAbstractScrollArea*>(list.GetWidget())->viewport();
  auto cellCentre = [&](int row, int col) {
    CRect r;
    EXPECT_TRUE(list.GetSubItemRect(row, col, LVIR_BOUNDS, r));
    return viewport->mapFrom(list.GetWidget(), QPoint(r.CenterPoint().x, r.CenterPoint().y));
  };
  struct Case {
    const char* name;
    bool doubleClick;
    int row;
    std::vector<CString> texts;
  } const cases[] = {
      {"click", false, 1, {L"3", L"4", L"5", L"6"}},
      {"double click", true, 0, {L"1", L"1", L"2", L"3"}},
  };
  for (const Case& c : cases) {
    // A double click starts with a click, as the user's does.
    QTest::mouseClick(viewport, Qt::LeftButton, Qt::NoModifier, cellCentre(c.row, 1));
    if (c.doubleClick) {
      page->m_clickedRowTexts.clear();
      QTest::mouseDClick(viewport, Qt::LeftButton, Qt::NoModifier, cellCentre(c.row, 1));
    }
    EXPECT_EQ(page->m_nSelected, c.row) << c.name;
    ASSERT_GE(page->m_clickedRowTexts.size(), 4u) << c.name;
    EXPECT_EQ(std::vector<CString>(page->m_clickedRowTexts.begin(), page->m_clickedRowTexts.begin() + 4), c.texts)
        << c.name;
    EXPECT_EQ(list.GetItemText(c.row, 1), c.texts[1]) << c.name << ": no cell editor took the click";
  }
}

TEST_F(GeofenceTest, AddTakesTheFirstFreeSlotOrSaysThatNoneIsLeft) {
  CBrelvanoDlg* dlg = OpenWithPage();
  CGeofenceDialog* page = dlg->m_pGeofenceDlg;
  dlg->m_geoGroup.nMax = 0;
  page->m_groupInfo.nMax = 0;
  // $-set: slot 255 is a slot like the others.
  for (int id = 1; id <= 255; ++id) page->StoreRecord(Record(id, 1, L"1", L"2", L"3", 1, 0));
  // The geofence tab is the first: the settings page shows its records too, with its own
  // controls. ADD takes the records over: the settings page lets go of its controls first.
  ASSERT_EQ(dlg->m_pSettingDlg->m_pParamList, page->m_pParams);
  page->SendMessage(WM_COMMAND, MAKEWPARAM(IDC_GEOFENCE_ADD, BN_CLICKED), 0);
  ASSERT_TRUE(page->m_pDetailDlg->IsWindowVisible());
  EXPECT_EQ(dlg->m_pSettingDlg->m_pParamList, nullptr);
  PARAM_INFO* geoId = testsupport::ListOf(page->m_pParams)[0];
  auto* combo = dynamic_cast<CComboBox*>(geoId->pValueWnd);
  ASSERT_NE(combo, nullptr);
  ASSERT_NE(combo->GetParent(), nullptr);
  EXPECT_EQ(combo->GetParent()->GetSafeHwnd(), page->m_pDetailDlg->GetSafeHwnd()) << "the detail dialog's own control";
  EXPECT_EQ(combo->GetCount(), 4096);
  EXPECT_EQ(combo->GetLBText(combo->GetCurSel()), CString(L"256"));
  EXPECT_TRUE(combo->IsWindowEnabled());
  EXPECT_EQ(testsupport::ListOf(page->m_pParams)[2]->pValueWnd, nullptr) << "no control for the latitude";
  EXPECT_EQ(testsupport::ListOf(page->m_pParams)[8]->pValueWnd->GetWindowText(), CString(L"7391"));
  // NEXT refuses while an alarm is not chosen.
  auto* in = dynamic_cast<CComboBox*>(testsupport::ListOf(page->m_pParams)[5]->pValueWnd);
  in->SetCurSel(-1);
  platform::ModalService::Instance().ExpectMessageBox(IDOK);
  page->m_pDetailDlg->OnNext();
  EXPECT_TRUE(page->m_pDetailDlg->IsWindowVisible());
  EXPECT_EQ(page->m_pMapDlg, nullptr) << "the map step is not reached";
  page->m_pDetailDlg->SendMessage(WM_COMMAND, MAKEWPARAM(IDC_DETAIL_CANCEL, BN_CLICKED), 0);
  EXPECT_FALSE(page->m_pDetailDlg->IsWindowVisible());
  EXPECT_EQ(geoId->pValueWnd, nullptr) << "the controls are gone";
  EXPECT_TRUE(page->IsWindowEnabled());
  EXPECT_TRUE(dlg->m_tabPages.IsWindowEnabled());

  // Numbered set with 50 geofences, all used.
  dlg->m_bUpProtocol = TRUE;
  SetGeofenceCount(50);
  for (int id = 1; id <= 50; ++id) page->StoreRecord(Record(id, 1, L"1", L"2", L"3", 1, 0));
  platform::ModalService::Instance().ExpectMessageBox(IDOK);
  page->SendMessage(WM_COMMAND, MAKEWPARAM(IDC_GEOFENCE_ADD, BN_CLICKED), 0);
  const auto records = platform::ModalService::Instance().Records();
  ASSERT_FALSE(records.empty());
  EXPECT_EQ(records.back().text, CString(L"All space is in use"));
  EXPECT_TRUE(page->IsWindowEnabled());
  EXPECT_FALSE(page->m_pDetailDlg->IsWindowVisible());
  dlg->m_bUpProtocol = FALSE;
}

// An optional column is on when the parameter its configuration names (after its first two
// characters, on the tab of code 90) is "Enable": the page, the reader and the zone dialog agree.
TEST_F(GeofenceTest, AnOptionalColumnFollowsTheSwitchItsConfigurationNames) {
  CBrelvanoDlg* dlg = OpenWithPage();
  CGeofenceDialog* page = dlg->m_pGeofenceDlg;
  dlg->m_bUpProtocol = TRUE;
  dlg->m_tabInfo[0].nTabId = 90;
  PARAM_INFO* toggle = testsupport::ListOf(&dlg->m_pParamLists[0])[0];
  toggle->nId = 7;
  toggle->strValue = L"Enable";
  PARAM_INFO probe;
  probe.strName = L"Speed";
  probe.strConfig = L"0907";
  EXPECT_FALSE(page->IsParamSwitchedOff(&probe)) << "parameter 07 is enabled";
  EXPECT_TRUE(page->HasColumn(&probe));
  probe.strConfig = L"9008";
  EXPECT_TRUE(page->IsParamSwitchedOff(&probe)) << "parameter 08 does not exist";
  toggle->strValue = L"Disable";
  probe.strConfig = L"9007";
  EXPECT_TRUE(page->IsParamSwitchedOff(&probe));
  dlg->m_bUpProtocol = FALSE;
}

// A further value is shown for editing with every decimal it was read with, so that NEXT passes on
// the number read, never a rounded one.
TEST_F(GeofenceTest, NumberedSetDetailKeepsEveryDecimalOfAFurtherValue) {
  CBrelvanoDlg* dlg = OpenWithPage();
  CGeofenceDialog* page = dlg->m_pGeofenceDlg;
  dlg->m_bUpProtocol = TRUE;
  ASSERT_TRUE(page->StoreRecord(Record(5, 1, L"1", L"2", L"3", 1, 0, L";1.234567")));
  page->RefreshList();
  ASSERT_EQ(page->m_list.GetItemCount(), 1);
  bool listed = false;
  for (int column = 1; column < 10; ++column) listed = listed || page->m_list.GetItemText(0, column) == L"1.234567";
  EXPECT_TRUE(listed) << "the list shows the value read";
  page->m_list.SetSelectionMark(0);
  page->SendMessage(WM_COMMAND, MAKEWPARAM(IDC_GEOFENCE_EDIT, BN_CLICKED), 0);
  ASSERT_TRUE(page->m_pDetailDlg->IsWindowVisible());
  EXPECT_EQ(testsupport::ListOf(page->m_pParams)[7]->pValueWnd->GetWindowText(), CString(L"1.234567"));
  page->m_pDetailDlg->OnNext();
  EXPECT_EQ(page->m_pDetailDlg->m_record.strExtra, CString(L";1.234567"));
  dlg->m_bUpProtocol = FALSE;
}

TEST_F(GeofenceTest, AddOffersOnlyTheNumbersOfTheGeoIdList) {
  CBrelvanoDlg* dlg = OpenWithPage();
  CGeofenceDialog* page = dlg->m_pGeofenceDlg;
  page->m_groupInfo.nMax = 3;
  for (int id = 1; id <= 3; ++id) page->StoreRecord(Record(id, 1, L"1", L"2", L"3", 1, 0));
  platform::ModalService::Instance().ExpectMessageBox(IDOK);
  page->SendMessage(WM_COMMAND, MAKEWPARAM(IDC_GEOFENCE_ADD, BN_CLICKED), 0);
  const auto records = platform::ModalService::Instance().Records();
  ASSERT_FALSE(records.empty());
  EXPECT_EQ(records.back().text, CString(L"All space is in use"));
  EXPECT_FALSE(page->m_pDetailDlg->IsWindowVisible());
}

TEST_F(GeofenceTest, DetailNextSendsAnUnchosenChoiceAsReadAndRefusesAValueThatSplitsTheLine) {
  std::vector<ParamSpec> params = UsualParams();
  params.push_back({L"Mode", 0, 2});
  CBrelvanoDlg* dlg = OpenWithPage(params);
  CGeofenceDialog* page = dlg->m_pGeofenceDlg;
  page->StoreRecord(Record(5, 1, L"1", L"2", L"3", 1, 0, L";80;7"));  // mode 7 is no option
  page->RefreshList();
  page->m_list.SetSelectionMark(0);
  page->SendMessage(WM_COMMAND, MAKEWPARAM(IDC_GEOFENCE_EDIT, BN_CLICKED), 0);
  ASSERT_TRUE(page->m_pDetailDlg->IsWindowVisible());
  const std::vector<PARAM_INFO*> list = testsupport::ListOf(page->m_pParams);
  auto* mode = dynamic_cast<CComboBox*>(list[9]->pValueWnd);
  ASSERT_NE(mode, nullptr);
  EXPECT_EQ(mode->GetCurSel(), -1);
  platform::ModalService& s = platform::ModalService::Instance();
  page->m_pDetailDlg->OnNext();
  EXPECT_EQ(page->m_pDetailDlg->m_record.strExtra, CString(L";80;7")) << "the value the user did not change";

  list[7]->pValueWnd->SetWindowText(L"8;0");
  s.ExpectMessageBox(IDOK);
  page->m_pDetailDlg->OnNext();
  ASSERT_FALSE(s.Records().empty());
  EXPECT_NE(s.Records().back().text.Find(L"Speed"), -1) << "the message names the parameter";
  EXPECT_EQ(page->m_pDetailDlg->m_record.strExtra, CString(L";80;7")) << "nothing of it is taken";
}

TEST_F(GeofenceTest, TheDetailDialogsControlsAreWrittenInItsThinArial) {
  CBrelvanoDlg* dlg = OpenWithPage();
  CGeofenceDialog* page = dlg->m_pGeofenceDlg;
  page->SendMessage(WM_COMMAND, MAKEWPARAM(IDC_GEOFENCE_ADD, BN_CLICKED), 0);
  ASSERT_TRUE(page->m_pDetailDlg->IsWindowVisible());
  int controls = 0;
  for (PARAM_INFO* p : testsupport::ListOf(page->m_pParams)) {
    for (CWnd* w : {p->pLabelWnd, p->pValueWnd}) {
      if (w == nullptr) continue;
      ++controls;
      LOGFONT font{};
      ASSERT_NE(w->GetFont(), nullptr);
      w->GetFont()->GetLogFont(&font);
      EXPECT_EQ(CString(font.lfFaceName), CString(L"Arial")) << p->strName.ToUtf8();
      EXPECT_EQ(std::abs(font.lfHeight), 14) << p->strName.ToUtf8();
      EXPECT_EQ(font.lfWeight, 100) << p->strName.ToUtf8();
    }
  }
  EXPECT_GE(controls, 8) << "labels and values of the shown parameters";
  page->m_pDetailDlg->SendMessage(WM_COMMAND, MAKEWPARAM(IDC_DETAIL_CANCEL, BN_CLICKED), 0);
}

TEST_F(GeofenceTest, PageElementsBoundByIdEndTheMapStepWithoutSending) {
  // No tile service: the map is drawn offline.
  CAppRegSettings settings;
  settings.SetRegistryKey(kAppRegistryKeyName);
  ASSERT_TRUE(settings.WriteProfileString(L"Map", L"TileUrl", L""));
  CBrelvanoDlg* dlg = OpenWithPage();
  CGeofenceDialog* page = dlg->m_pGeofenceDlg;
  struct Case {
    const char* id;
    const wchar_t* clears;
  };
  for (const Case& c : {Case{"ButtonOK", L"0"}, Case{"ButtonCancel", L"1"}}) {
    page->SendMessage(WM_COMMAND, MAKEWPARAM(IDC_GEOFENCE_ADD, BN_CLICKED), 0);
    ASSERT_TRUE(page->m_pDetailDlg->IsWindowVisible()) << c.id;
    for (int alarm : {5, 6}) {
      auto* combo = dynamic_cast<CComboBox*>(testsupport::ListOf(page->m_pParams)[alarm]->pValueWnd);
      ASSERT_NE(combo, nullptr);
      combo->SetCurSel(1);
    }
    page->m_pDetailDlg->OnNext();
    CMapDialog* map = page->m_pMapDlg;
    ASSERT_NE(map, nullptr);
    ASSERT_TRUE(map->IsPageLoaded()) << c.id;
    ASSERT_TRUE(map->IsWindowVisible()) << c.id;
    EXPECT_FALSE(dlg->m_tabPages.IsWindowEnabled()) << c.id << ": the tab strip waits for the geofence";
    map->CallScript(L"ViewDrawCircle", {L"37.5", L"127.25", L"300"});
    // Counts the page's clearAllMarker calls from here on.
    map->GetView()->page()->runJavaScript(QStringLiteral(
        "window.clearCount=0;if(!window.clearCalls){var f=window.clearAllMarker;"
        "window.clearAllMarker=function(){window.clearCount++;return f.apply(this,arguments);};"
        "window.clearCalls=function(){return String(window.clearCount);};}"));
    testsupport::ClickNewPageElement(*map, c.id);
    ASSERT_TRUE(platform::PumpUntil([&] { return !map->IsWindowVisible(); }, 30000)) << c.id;
    EXPECT_EQ(map->CallScript(L"clearCalls"), CString(c.clears)) << c.id;
    EXPECT_EQ(testsupport::ListOf(page->m_pParams)[0]->pValueWnd, nullptr) << c.id << ": step 1's controls are gone";
    EXPECT_TRUE(page->IsWindowEnabled()) << c.id << ": the page takes input again";
    EXPECT_TRUE(dlg->m_tabPages.IsWindowEnabled()) << c.id << ": the tab strip is given back";
    EXPECT_TRUE(Ids(page).empty()) << c.id << ": nothing was sent or stored";
  }
}

TEST_F(GeofenceTest, WithoutTheWebEngineTheMapStepSaysSoAndSendsNothing) {
  struct ModuleGuard {
    ~ModuleGuard() { platform::SetHtmlEngineModule(CString()); }
  } guard;
  platform::SetHtmlEngineModule(m_folder.CPath("htmlengine.so"));
  CBrelvanoDlg* dlg = OpenWithPage();
  CGeofenceDialog* page = dlg->m_pGeofenceDlg;
  platform::ModalService& modal = platform::ModalService::Instance();
  page->SendMessage(WM_COMMAND, MAKEWPARAM(IDC_GEOFENCE_ADD, BN_CLICKED), 0);
  ASSERT_TRUE(page->m_pDetailDlg->IsWindowVisible());
  for (int alarm : {5, 6}) {
    auto* combo = dynamic_cast<CComboBox*>(testsupport::ListOf(page->m_pParams)[alarm]->pValueWnd);
    ASSERT_NE(combo, nullptr);
    combo->SetCurSel(1);
  }
  modal.ExpectMessageBox(IDOK);
  page->m_pDetailDlg->OnNext();
  CMapDialog* map = page->m_pMapDlg;
  ASSERT_NE(map, nullptr);
  ASSERT_TRUE(platform::PumpUntil([&] { return !modal.Records().empty(); }, 10000)) << "the map says it cannot show";
  EXPECT_GE(modal.Records().back().text.Find(L"the web engine could not be loaded"), 0)
      << modal.Records().back().text.ToUtf8();
  ASSERT_EQ(page->m_pMapDlg, map);
  EXPECT_FALSE(map->IsPageLoaded());

  // SEND finds no coordinate: nothing is sent or stored.
  modal.ExpectMessageBox(IDOK);
  map->OnSend();
  EXPECT_EQ(modal.Records().back().text, CString(L"Cannot Find Coordinate"));
  EXPECT_TRUE(Ids(page).empty());
  // CANCEL ends the step as ever.
  map->OnBnClickedCancel();
  EXPECT_FALSE(map->IsWindowVisible());
  EXPECT_TRUE(page->IsWindowEnabled());
  EXPECT_TRUE(dlg->m_tabPages.IsWindowEnabled());
}

}  // namespace
