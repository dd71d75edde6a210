// Tests of the numbered-parameter set inside the main window without a device: the REQ lines the
// read requests cut, the reply parser's word precedence and routing, the values the read replies
// store, the walk's continuation, and the tab, list, Gap/Group and record writes with the
// write-back of acknowledged values.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gui/dlg/brelvanodlg.h"
#include "gui/dlg/valuecodec.h"
#include "mainwindow_fixture.h"
#include "model_fill.h"

namespace {

using testsupport::FillTabs;
using testsupport::TabSpec;

std::string S(const CString& s) { return s.ToUtf8(); }

class Numbered : public testsupport::MainWindowFixture {
 protected:
  void SetUp() override {
    MainWindowFixture::SetUp();
    dlg_ = Open();
    ASSERT_NE(dlg_, nullptr);
    dlg_->m_bUpProtocol = TRUE;
    dlg_->m_defHeader.strI = L"123";
    savedGeofences_ = g_nGeofenceCount;
    savedBle_ = g_nBleCount;
  }
  void TearDown() override {
    SetGeofenceCount(savedGeofences_);
    SetBleCount(savedBle_);
    MainWindowFixture::TearDown();
  }
  // Tabs of the given codes and page types, then the two appended tabs.
  void Tabs(const std::vector<std::pair<int, int>>& codeAndType) {
    std::vector<TabSpec> specs;
    for (size_t i = 0; i < codeAndType.size(); ++i) specs.push_back({codeAndType[i].second, L"Tab", L"HDR"});
    specs.push_back({TAB_TYPE_DIAGNOSIS, L"Diagnosis", L"DIA"});
    specs.push_back({TAB_TYPE_PROFILE, L"Profile", L"PRF"});
    FillTabs(dlg_, specs);
    for (size_t i = 0; i < codeAndType.size(); ++i) dlg_->m_tabInfo[i].nTabId = codeAndType[i].first;
  }
  PARAM_INFO* Param(int nTab, int type, int id, const wchar_t* value = L"") {
    auto* p = new PARAM_INFO();
    p->nType = dlg_->m_tabInfo[nTab].nType;
    p->nTabId = dlg_->m_tabInfo[nTab].nTabId;
    p->nCtrlType = type;
    p->nId = id;
    p->strValue = value;
    p->strName.Format(L"P%d", id);
    dlg_->m_pParamLists[nTab].AddTail(p);
    return p;
  }
  PARAM_INFO* At(int nTab, int position) {
    return testsupport::ListOf(&dlg_->m_pParamLists[nTab])[static_cast<size_t>(position)];
  }
  // Calls a request builder while its read has further lines; the lines it queued.
  template <class Build>
  std::vector<std::string> Lines(Build build, BOOL* pMore) {
    std::vector<std::string> out;
    for (int guard = 0; guard < 200; ++guard) {
      build();
      out.push_back(S(dlg_->m_strPendingCommand));
      if (!*pMore) break;
    }
    return out;
  }
  static std::string Req(const char* code, const std::string& list) {
    return std::string("AT^REQ;123;") + code + ";" + list + "\r";
  }
  static std::string Range(int from, int to) {
    std::string s;
    for (int i = from; i <= to; ++i) {
      char buf[16];
      snprintf(buf, sizeof buf, "%02d", i);
      if (!s.empty()) s += ",";
      s += buf;
    }
    return s;
  }

  CBrelvanoDlg* dlg_ = nullptr;
  int savedGeofences_ = 50;
  int savedBle_ = 50;
};

TEST_F(Numbered, GenericTabsAreReadInLinesOfTwenty) {
  Tabs({{5, 1}, {7, 1}});
  for (int i = 0; i < 45; ++i) Param(0, CTRL_EDIT, i);
  for (int i = 0; i < 20; ++i) Param(1, CTRL_EDIT, i);
  dlg_->m_bReadAllDone = TRUE;
  EXPECT_EQ(Lines([&] { dlg_->SendReadRequest(0); }, &dlg_->m_bReqMore),
            (std::vector<std::string>{Req("05", Range(0, 19)), Req("05", Range(20, 39)), Req("05", Range(40, 44))}));
  EXPECT_EQ(Lines([&] { dlg_->SendReadRequest(1); }, &dlg_->m_bReqMore),
            (std::vector<std::string>{Req("07", Range(0, 19))}));
}

TEST_F(Numbered, RecordReadsCutByTheirCodeTable) {
  Tabs({{50, TAB_TYPE_GEOFENCE}, {41, TAB_TYPE_BLE}, {53, TAB_TYPE_POLYGON}, {45, 1}});
  dlg_->m_bReadAllDone = TRUE;
  SetGeofenceCount(50);
  EXPECT_EQ(Lines([&] { dlg_->SendReadRequest(0); }, &dlg_->m_bReqMore),
            (std::vector<std::string>{Req("50", Range(25, 44)), Req("50", Range(45, 64)), Req("50", Range(65, 74))}));
  SetGeofenceCount(76);
  EXPECT_EQ(Lines([&] { dlg_->SendReadRequest(0); }, &dlg_->m_bReqMore),
            (std::vector<std::string>{Req("50", Range(25, 44)), Req("50", Range(45, 64)), Req("50", Range(65, 84)),
                                      Req("50", Range(85, 99)), Req("51", "00")}));
  SetGeofenceCount(1055);
  const std::vector<std::string> all = Lines([&] { dlg_->SendReadRequest(0); }, &dlg_->m_bReqMore);
  ASSERT_EQ(all.size(), 53u);
  EXPECT_EQ(all[4], Req("51", Range(0, 19)));
  EXPECT_EQ(all[12], Req("52", Range(60, 79)));
  EXPECT_EQ(all[13], Req("91", Range(0, 19)));
  EXPECT_EQ(all[52], Req("98", Range(80, 99)));

  SetBleCount(50);
  EXPECT_EQ(Lines([&] { dlg_->SendReadRequest(1); }, &dlg_->m_bReqMore),
            (std::vector<std::string>{Req("41", Range(0, 19)), Req("41", Range(20, 39)), Req("41", Range(40, 49))}));
  EXPECT_EQ(Lines([&] { dlg_->SendReadRequest(2); }, &dlg_->m_bReqMore),
            (std::vector<std::string>{Req("53", Range(0, 19)), Req("53", Range(20, 29))}));
  const std::vector<std::string> records = Lines([&] { dlg_->SendReadRequest(3); }, &dlg_->m_bReqMore);
  ASSERT_EQ(records.size(), 25u);
  EXPECT_EQ(records[0], Req("45", Range(0, 19)));
  EXPECT_EQ(records[24], Req("49", Range(80, 99)));
}

TEST_F(Numbered, ListAndPointReads) {
  Tabs({{18, 22}});
  dlg_->m_deviceInfo.nDMax = 150;
  const std::vector<std::string> list = Lines([&] { dlg_->SendListReadRequest(); }, &dlg_->m_bMoreLines);
  ASSERT_EQ(list.size(), 8u);
  EXPECT_EQ(list[4], Req("18", Range(80, 99)));
  EXPECT_EQ(list[5], Req("38", Range(0, 19)));
  EXPECT_EQ(list[7], Req("38", Range(40, 49)));

  struct Case {
    const char* name;
    int points;
    std::vector<std::string> lines;
  } cases[] = {
      {"sixty", 60, {Req("62", Range(0, 19)), Req("62", Range(20, 39)), Req("62", Range(40, 59))}},
      {"one point, no trailing comma", 1, {Req("62", "00")}},
      {"more than the tables hold", 120,
       {Req("62", Range(0, 19)), Req("62", Range(20, 39)), Req("62", Range(40, 59)), Req("62", Range(60, 79)),
        Req("62", Range(80, 99))}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Lines([&] { dlg_->SendPolygonPointsReadRequest(3, c.points); }, &dlg_->m_bReqMore), c.lines) << c.name;
  }
  EXPECT_FALSE(dlg_->SendProfileReadRequest(31)) << "no zone table";
}

TEST_F(Numbered, GenericReadStoresByControlTypeAndContinuesTheWalk) {
  Tabs({{5, 1}, {12, 1}});
  Param(1, CTRL_EDIT, 0);
  for (int i = 0; i < 20; ++i) Param(0, CTRL_EDIT, i);
  PARAM_INFO* alert = Param(0, CTRL_ALERT_ID, 20);
  PARAM_INFO* assign = Param(0, CTRL_S_ASSIGN, 21);
  PARAM_INFO* unset = Param(0, CTRL_S_ASSIGN, 22);
  PARAM_INFO* hex = Param(0, CTRL_EDIT_HEX, 23, L"kept");
  PARAM_INFO* passwd = Param(0, CTRL_PASSWD, 24, L"secret");
  // The walk asked for tab 0.
  dlg_->m_bWalkActive = TRUE;
  dlg_->m_bReadAllDone = FALSE;
  dlg_->m_nReadAllTab = 0;
  dlg_->OnReadNextTab();
  EXPECT_EQ(S(dlg_->m_strPendingCommand), Req("05", Range(0, 19)));
  EXPECT_EQ(dlg_->m_nReadAllTab, 1);
  std::string reply = "RRE;123;05";
  for (int i = 0; i < 20; ++i) reply += ";" + Range(i, i) + "#v" + std::to_string(i);
  dlg_->ParseNumberedReply(CString(reply.c_str()) + L"\r");
  EXPECT_EQ(S(At(0, 19)->strValue), "v19");
  EXPECT_EQ(dlg_->m_nReadAllTab, 0) << "the same tab again";
  dlg_->OnReadNextTab();
  EXPECT_EQ(S(dlg_->m_strPendingCommand), Req("05", Range(20, 24)));
  dlg_->ParseNumberedReply(L"RRE;123;05;20#010A;21#0C;22#00;23#FF;24#new\r");
  EXPECT_EQ(S(alert->strValue), "01");
  EXPECT_EQ(S(alert->strAlertId), "0A");
  EXPECT_EQ(assign->assign.nNo, 12);
  EXPECT_TRUE(assign->assign.bValid);
  EXPECT_FALSE(unset->assign.bValid);
  EXPECT_EQ(S(hex->strValue), "kept");
  EXPECT_EQ(S(passwd->strValue), "secret");
  EXPECT_EQ(dlg_->m_nReadAllTab, 1);

  // An unusable answer (no '#') moves the walk on with one log line.
  const int before = dlg_->m_listLog.GetCount();
  dlg_->OnReadNextTab();
  dlg_->ParseNumberedReply(L"RRE;123;12\r");
  EXPECT_EQ(dlg_->m_listLog.GetCount(), before + 2) << "the note and the reply";
  EXPECT_EQ(dlg_->m_nReadAllTab, 2);
  dlg_->OnReadNextTab();
  EXPECT_TRUE(dlg_->m_bReadAllDone) << "the two appended tabs are never read";
}

TEST_F(Numbered, AssignmentBitsComeFromTheMapTab) {
  // Tab 1 holds the assignment maps; tab 2's parameters take their bits from map 01 ("0201").
  Tabs({{5, 1}, {40, 1}, {12, 1}});
  dlg_->m_tabInfo[1].strHdr = L"RMAP";
  Param(1, CTRL_EDIT, 1, L"0201");
  std::vector<PARAM_INFO*> entries;
  for (int i = 0; i < 12; ++i) {
    PARAM_INFO* p = Param(2, CTRL_S_ASSIGN, i);
    p->bAssign = TRUE;
    p->strMapId = L"8001";
    entries.push_back(p);
  }
  dlg_->m_bWalkActive = TRUE;
  dlg_->m_bReadAllDone = FALSE;
  dlg_->m_nReadAllTab = 2;
  dlg_->OnReadNextTab();
  std::string reply = "RRE;123;12";
  for (int i = 0; i < 12; ++i) reply += ";" + Range(i, i) + "#0" + std::to_string(i % 10);
  dlg_->ParseNumberedReply(CString(reply.c_str()) + L"\r");
  std::string bits;
  for (PARAM_INFO* p : entries) bits += S(p->strValue);
  // Sixteen bits in the map: the first ten as the device set them, and a map shorter than the tab
  // would read 0 beyond its end.
  EXPECT_EQ(bits, "100000000100");
  EXPECT_EQ(entries[3]->assign.nNo, 3);
  EXPECT_EQ(dlg_->m_nRmapBit, 0) << "the tab's read ended";
}

TEST_F(Numbered, WordPrecedence) {
  Tabs({{5, 1}});
  Param(0, CTRL_EDIT, 1, L"old");
  struct Case {
    const char* name;
    const wchar_t* line;
    BOOL error;
  } cases[] = {
      {"upper-case refusal", L"RPR;123;05;ERROR\r", TRUE},
      {"lower-case refusal", L"error\r", TRUE},
      {"lock", L"Lock\r", TRUE},
      {"a value holding refusal letters is data", L"RRE;123;05;01#clock.example.org\r", FALSE},
      {"USP wins over the refusal words", L"USP;123;ERROR\r", FALSE},
      {"acknowledgement", L"RPR;123;05;OK\r", FALSE},
  };
  for (const Case& c : cases) {
    dlg_->m_bReplyError = FALSE;
    dlg_->m_bMoreLines = TRUE;
    dlg_->m_bReadAllDone = TRUE;
    dlg_->ParseNumberedReply(c.line);
    EXPECT_EQ(dlg_->m_bReplyError, c.error) << c.name;
    if (c.error) {
      EXPECT_FALSE(dlg_->m_bMoreLines) << c.name;
    }
  }
  EXPECT_TRUE(CBrelvanoDlg::IsRefusalReply(L"NO MATCH"));
  EXPECT_FALSE(CBrelvanoDlg::IsRefusalReply(L"RRE;1;05;01#NOTHING"));
  EXPECT_TRUE(CBrelvanoDlg::IsRefusalReply(L"RPR;1;05;NOT OK"));
}

TEST_F(Numbered, RecordRepliesFillThePagesTablesWithinBounds) {
  Tabs({{50, TAB_TYPE_GEOFENCE}, {41, TAB_TYPE_BLE}});
  dlg_->m_bReadAllDone = TRUE;
  dlg_->ParseNumberedReply(L"RRE;123;50;25#816694E002C1B810012C0100;26#NoData;10#816694E002C1B810012C0100\r");
  EXPECT_EQ(S(dlg_->m_geofenceTable[0].strLatitude), "-23.500000");
  EXPECT_EQ(dlg_->m_geofenceTable[0].bUsed, 1);
  EXPECT_EQ(dlg_->m_geofenceTable[1].nId, 0) << "NoData is an empty slot";
  dlg_->ParseNumberedReply(L"RRE;123;98;00#000000000000000000010000\r");
  EXPECT_EQ(dlg_->m_geofenceTable[955].nId, 956);
  dlg_->ParseNumberedReply(L"RRE;123;41;00#01;04#00;250#01\r");
  EXPECT_EQ(dlg_->m_bleTable[0].bActive, 1);
  EXPECT_EQ(dlg_->m_bleTable[4].nSlot, 5);
  EXPECT_EQ(dlg_->m_bleTable[4].bActive, 0);
  EXPECT_EQ(dlg_->m_bleTable[250].nSlot, 0) << "a three-digit element is skipped";
}

TEST_F(Numbered, EsnAndMapReplies) {
  platform::ModalService& s = platform::ModalService::Instance();
  s.ExpectMessageBox(IDOK);
  dlg_->ParseNumberedReply(L"ESN_RD;\r");
  EXPECT_EQ(S(s.Records().back().text), "NO ESN");
  dlg_->m_bUpProtocol = TRUE;
  dlg_->m_deviceInfo.strLat = L"1";
  dlg_->ParseNumberedReply(L"MAP_POS;-23.55\r");
  EXPECT_EQ(S(dlg_->m_deviceInfo.strLat), "1") << "one ';' keeps the defaults";
  dlg_->ParseNumberedReply(L"MAP_POS;-23.55;-46.63\r");
  EXPECT_EQ(S(dlg_->m_deviceInfo.strLat), "-23.55");
  EXPECT_EQ(S(dlg_->m_deviceInfo.strLng), "-46.63");
}

TEST_F(Numbered, TabWriteCutsLinesAndAppliesTheValuesOnTheLastAcknowledgement) {
  Tabs({{5, 1}, {6, 1}});
  for (int i = 0; i < 45; ++i) {
    CString v;
    v.Format(L"v%d", i);
    Param(0, CTRL_EDIT, i, v.GetString());
  }
  Param(1, CTRL_EDIT, 1, L"other");
  dlg_->m_nCurTab = 0;
  TAB_INFO tab = dlg_->m_tabInfo[0];
  dlg_->SendMessage(WM_WRITE_CURRENT_TAB, reinterpret_cast<WPARAM>(&dlg_->m_pParamLists[0]), reinterpret_cast<LPARAM>(&tab));
  EXPECT_EQ(dlg_->m_nLinesLeft, 2);
  EXPECT_TRUE(dlg_->m_bMoreLines);
  std::string first = "AT^PRG;123;05";
  for (int i = 0; i < 20; ++i) first += ";" + Range(i, i) + "#v" + std::to_string(i);
  EXPECT_EQ(S(dlg_->m_strPendingCommand), first + "\r");
  // The model changes meanwhile: only the last acknowledgement brings the sent values back.
  At(0, 0)->strValue = L"changed";
  dlg_->ParseNumberedReply(L"RPR;123;05;OK\r");
  EXPECT_EQ(dlg_->m_nLinesLeft, 1);
  EXPECT_EQ(S(At(0, 0)->strValue), "changed");
  dlg_->m_bWriteContinuation = TRUE;
  dlg_->SendMessage(WM_WRITE_CURRENT_TAB, reinterpret_cast<WPARAM>(&dlg_->m_pParamLists[0]), reinterpret_cast<LPARAM>(&tab));
  EXPECT_EQ(S(dlg_->m_strPendingCommand).substr(0, 19), "AT^PRG;123;05;20#v2");
  dlg_->ParseNumberedReply(L"RPR;123;05;OK\r");
  dlg_->m_bWriteContinuation = TRUE;
  dlg_->SendMessage(WM_WRITE_CURRENT_TAB, reinterpret_cast<WPARAM>(&dlg_->m_pParamLists[0]), reinterpret_cast<LPARAM>(&tab));
  EXPECT_FALSE(dlg_->m_bMoreLines);
  dlg_->ParseNumberedReply(L"RPR;123;05;OK\r");
  EXPECT_EQ(S(At(0, 0)->strValue), "v0");
  // A later acknowledgement (of a command, say) applies nothing again.
  At(0, 0)->strValue = L"changed";
  dlg_->ParseNumberedReply(L"RPR;123;05;OK\r");
  EXPECT_EQ(S(At(0, 0)->strValue), "changed");

  // A new SEND starts at the first item even when an earlier chain was left unfinished.
  dlg_->SendMessage(WM_WRITE_CURRENT_TAB, reinterpret_cast<WPARAM>(&dlg_->m_pParamLists[0]), reinterpret_cast<LPARAM>(&tab));
  dlg_->SendMessage(WM_WRITE_CURRENT_TAB, reinterpret_cast<WPARAM>(&dlg_->m_pParamLists[0]), reinterpret_cast<LPARAM>(&tab));
  EXPECT_EQ(S(dlg_->m_strPendingCommand).substr(0, 22), "AT^PRG;123;05;00#chang");
}

TEST_F(Numbered, UnsafeValuesAreRefused) {
  Tabs({{5, 1}});
  Param(0, CTRL_EDIT, 1, L"x;05#1");
  dlg_->m_strPendingCommand.Empty();
  TAB_INFO tab = dlg_->m_tabInfo[0];
  platform::ModalService& s = platform::ModalService::Instance();
  s.ExpectMessageBox(IDOK);
  dlg_->SendMessage(WM_WRITE_CURRENT_TAB, reinterpret_cast<WPARAM>(&dlg_->m_pParamLists[0]), reinterpret_cast<LPARAM>(&tab));
  EXPECT_TRUE(dlg_->m_strPendingCommand.IsEmpty());
  EXPECT_NE(S(s.Records().back().text).find("P1"), std::string::npos) << "the message names the parameter";
}

// File-mode SAVE stores each value in the form the rebuilt page and the text profile read back.
TEST_F(Numbered, FileModeSaveStoresChoicesAndAlertNumbersAsThePageReadsThem) {
  for (bool json : {false, true}) {
    SCOPED_TRACE(json ? "JSON definition" : "XML definition");
    Tabs({{5, 1}});
    dlg_->m_deviceInfo.bJsonParam = json ? 1 : 0;
    PARAM_INFO* choice = Param(0, CTRL_COMBO, 1, L"00");
    choice->nOptions = 2;
    choice->pOptions = new PARAM_OPTION[2];
    choice->pOptions[0].strText = L"Off";
    choice->pOptions[0].nValue = 4;
    choice->pOptions[1].strText = L"On";
    choice->pOptions[1].nValue = 5;
    PARAM_INFO* alert = Param(0, CTRL_ALERT_ID, 2, L"00");
    // The page's controls: the choice shown translated, the alert checked with number 26.
    auto* combo = new CComboBox();
    ASSERT_TRUE(combo->Create(WS_CHILD | CBS_DROPDOWNLIST, CRect(0, 0, 80, 80), dlg_, 4001));
    combo->SetItemData(combo->AddString(L"Desligado"), 0);
    combo->SetItemData(combo->AddString(L"Ligado"), 1);
    combo->SetCurSel(1);
    choice->pValueWnd = combo;
    auto* check = new CButton();
    ASSERT_TRUE(check->Create(L"A", WS_CHILD | BS_AUTOCHECKBOX, CRect(0, 0, 20, 20), dlg_, 4002));
    check->SetCheck(BST_CHECKED);
    auto* number = new CEdit();
    ASSERT_TRUE(number->Create(WS_CHILD, CRect(0, 0, 20, 20), dlg_, 4003));
    number->SetWindowText(L"26");
    alert->pValueWnd = check;
    alert->pExtraWnd = number;
    TAB_INFO tab = dlg_->m_tabInfo[0];
    dlg_->SendMessage(WM_WRITE_GROUP, reinterpret_cast<WPARAM>(&dlg_->m_pParamLists[0]), reinterpret_cast<LPARAM>(&tab));
    EXPECT_EQ(S(choice->strValue), json ? "On" : "01");
    EXPECT_EQ(S(alert->strAlertId), json ? "26" : "1A");
    CString value;
    ASSERT_TRUE(dlg_->TextProfileValue(*choice, value));
    EXPECT_EQ(S(value), json ? "05" : "01");
    ASSERT_TRUE(dlg_->TextProfileValue(*alert, value));
    EXPECT_EQ(S(value), "011A");
    // The profile read back into the model gives the stored forms the SAVE gave, which the page
    // shows as the option and the number chosen.
    CString profile = dlg_->TextProfilePageLines(0);
    profile.Remove(L'\r');
    profile.Remove(L'\n');
    choice->strValue.Empty();
    alert->strAlertId.Empty();
    dlg_->ApplyProfileToGenericTab({L"MODEL=x", L"VERSION=1", profile}, 0);
    EXPECT_EQ(S(choice->strValue), json ? "On" : "01");
    EXPECT_EQ(S(alert->strAlertId), json ? "26" : "1A");
    const brelvano::ComboForm form = brelvano::StoredComboForm(true, json);
    EXPECT_EQ(brelvano::DecodeComboChoice(*choice, choice->strValue, form), 1);
    EXPECT_EQ(brelvano::DecodeAlertNumber(alert->strAlertId, json), 26);
    for (CWnd* w : std::initializer_list<CWnd*>{combo, check, number}) {
      w->DestroyWindow();
      delete w;
    }
    choice->pValueWnd = nullptr;
    alert->pValueWnd = alert->pExtraWnd = nullptr;
  }
}

// A number typed with a comma for its decimal separator is written and saved as the number typed.
TEST_F(Numbered, ANumberTypedWithACommaIsTheNumberTyped) {
  Tabs({{5, 1}});
  PARAM_INFO* rate = Param(0, CTRL_EDIT_NUMBER, 1);
  auto* edit = new CEdit();
  ASSERT_TRUE(edit->Create(WS_CHILD, CRect(0, 0, 40, 20), dlg_, 4001));
  edit->SetWindowText(L"12,5");
  rate->pValueWnd = edit;
  TAB_INFO tab = dlg_->m_tabInfo[0];
  dlg_->SendMessage(WM_WRITE_CURRENT_TAB, reinterpret_cast<WPARAM>(&dlg_->m_pParamLists[0]), reinterpret_cast<LPARAM>(&tab));
  EXPECT_EQ(S(dlg_->m_strPendingCommand), "AT^PRG;123;05;01#12.5\r");
  dlg_->SendMessage(WM_WRITE_GROUP, reinterpret_cast<WPARAM>(&dlg_->m_pParamLists[0]), reinterpret_cast<LPARAM>(&tab));
  EXPECT_EQ(S(rate->strValue), "12.5");
  edit->DestroyWindow();
  delete edit;
  rate->pValueWnd = nullptr;
}

// The command of a single-command page is the chosen option's, whatever language shows it.
TEST_F(Numbered, CommandPageSendsTheChosenOptionsCommandInAnyLanguage) {
  Tabs({{7, TAB_TYPE_COMMAND}});
  PARAM_INFO* command = Param(0, CTRL_COMBO, 1);
  command->nOptions = 2;
  command->pOptions = new PARAM_OPTION[2];
  command->pOptions[0].strText = L"Reset";
  command->pOptions[0].strCmdId = L"12";
  command->pOptions[1].strText = L"Reboot";
  command->pOptions[1].strCmdId = L"13";
  auto* combo = new CComboBox();
  ASSERT_TRUE(combo->Create(WS_CHILD | CBS_DROPDOWNLIST, CRect(0, 0, 80, 80), dlg_, 4001));
  combo->SetItemData(combo->AddString(L"Reiniciar"), 1);
  combo->SetCurSel(0);
  command->pValueWnd = combo;
  TAB_INFO tab = dlg_->m_tabInfo[0];
  dlg_->SendMessage(WM_WRITE_CURRENT_TAB, reinterpret_cast<WPARAM>(&dlg_->m_pParamLists[0]), reinterpret_cast<LPARAM>(&tab));
  EXPECT_EQ(S(dlg_->m_strPendingCommand), "AT^CMD;123;13\r");
  combo->DestroyWindow();
  delete combo;
  command->pValueWnd = nullptr;
}

TEST_F(Numbered, ListGapGroupAndRecordLines) {
  Tabs({{18, 21}, {45, TAB_TYPE_GAP_GROUP}});
  dlg_->m_deviceInfo.nDMax = 300;
  dlg_->m_tabInfo[0].strTitle = L"Remove entry";
  PARAM_INFO* entry = Param(0, CTRL_EDIT, 0, L"300");
  TAB_INFO tab = dlg_->m_tabInfo[0];
  dlg_->SendMessage(WM_WRITE_CURRENT_TAB, reinterpret_cast<WPARAM>(&dlg_->m_pParamLists[0]), reinterpret_cast<LPARAM>(&tab));
  EXPECT_EQ(S(dlg_->m_strPendingCommand), "AT^PRG;123;39;99#0000000000000000\r");
  entry->strValue = L"0";
  dlg_->m_strPendingCommand.Empty();
  dlg_->SendMessage(WM_WRITE_CURRENT_TAB, reinterpret_cast<WPARAM>(&dlg_->m_pParamLists[0]), reinterpret_cast<LPARAM>(&tab));
  EXPECT_TRUE(dlg_->m_strPendingCommand.IsEmpty()) << "entry 0 is refused";

  PARAM_INFO* group = Param(1, CTRL_COMBO, 0, L"12");
  group->strName = L"Group ID";
  Param(1, CTRL_EDIT, 1, L"1.5")->strName = L"Lat";
  Param(1, CTRL_EDIT, 2, L"2.25")->strName = L"Lng";
  Param(1, CTRL_EDIT, 3, L"30")->strName = L"Gap";
  TAB_INFO gap = dlg_->m_tabInfo[1];
  dlg_->SendMessage(WM_WRITE_CURRENT_TAB, reinterpret_cast<WPARAM>(&dlg_->m_pParamLists[1]), reinterpret_cast<LPARAM>(&gap));
  EXPECT_EQ(S(dlg_->m_strPendingCommand), "AT^PRG;123;46;10#0016E360002255100000001E\r");

  struct Case {
    const wchar_t* text;
    const char* line;
  } geofences[] = {{L"01#ABC\r", "AT^PRG;123;50;25#ABC\r"},
                   {L"75#ABC", "AT^PRG;123;50;99#ABC\r"},
                   {L"76#ABC", "AT^PRG;123;51;00#ABC\r"},
                   {L"256#ABC", "AT^PRG;123;91;00#ABC\r"},
                   {L"1055#ABC", "AT^PRG;123;98;99#ABC\r"}};
  for (const Case& c : geofences) {
    const CString text = c.text;
    dlg_->SendMessage(WM_SEND_GEOFENCE_RECORD, 0, reinterpret_cast<LPARAM>(&text));
    EXPECT_EQ(S(dlg_->m_strPendingCommand), c.line) << S(text);
  }
  dlg_->m_strPendingCommand.Empty();
  const CString outside = L"1056#ABC";
  dlg_->SendMessage(WM_SEND_GEOFENCE_RECORD, 0, reinterpret_cast<LPARAM>(&outside));
  EXPECT_TRUE(dlg_->m_strPendingCommand.IsEmpty());
  for (const wchar_t* text : {L"10#01", L"10#01\r"}) {
    const CString ble = text;
    dlg_->SendMessage(WM_SEND_BLE_RECORD, 0, reinterpret_cast<LPARAM>(&ble));
    EXPECT_EQ(S(dlg_->m_strPendingCommand), "AT^PRG;123;41;09#01\r") << "the page's own carriage return is not doubled";
  }

  POLYGON_INFO zone;
  zone.nIndex = 3;
  zone.nPointCount = 45;
  CString points;
  for (int k = 0; k < 45; ++k) points += L"46.25@-23.5@";
  dlg_->SendMessage(WM_WRITE_POLYGON_POINTS, reinterpret_cast<WPARAM>(&zone), reinterpret_cast<LPARAM>(&points));
  EXPECT_EQ(S(dlg_->m_strPendingCommand).substr(0, 34), "AT^PRG;123;62;00#816694E002C1B810;");
  EXPECT_EQ(dlg_->m_nPolygonWriteStep, 2);
  EXPECT_TRUE(dlg_->m_bMoreLines);
  dlg_->SendMessage(WM_WRITE_POLYGON_POINTS, reinterpret_cast<WPARAM>(&zone), reinterpret_cast<LPARAM>(&points));
  dlg_->SendMessage(WM_WRITE_POLYGON_POINTS, reinterpret_cast<WPARAM>(&zone), reinterpret_cast<LPARAM>(&points));
  EXPECT_EQ(S(dlg_->m_strPendingCommand).substr(0, 17), "AT^PRG;123;62;40#");
  EXPECT_FALSE(dlg_->m_bMoreLines);
  zone.nPointCount = 2;
  zone.bUpRole1 = 1;
  dlg_->SendMessage(WM_WRITE_POLYGON_ZONE, reinterpret_cast<WPARAM>(&zone), 0);
  EXPECT_EQ(S(dlg_->m_strPendingCommand), "AT^PRG;123;53;02#020100\r");
  EXPECT_EQ(dlg_->m_nPolygonWriteStep, 1);
}

class NumberedEarlyEnd : public Numbered {
 protected:
  // The reply watchdog's expiries until it gives up.
  void WatchdogGivesUp() {
    for (int i = 0; i < 8; ++i) dlg_->SendMessage(WM_TIMER, TIMER_REPLY_WATCHDOG, 0);
  }
  // A walk of the tabs from nTab on, its first request out.
  void WalkFrom(int nTab) {
    dlg_->m_bWalkActive = TRUE;
    dlg_->m_bReadAllDone = FALSE;
    dlg_->m_nReadAllTab = nTab;
    dlg_->OnReadNextTab();
  }
  static CString Items(int from, int to, const char* value) {
    std::string line;
    for (int i = from; i <= to; ++i) line += ";" + Range(i, i) + "#" + value;
    return CString(line.c_str());
  }
};

TEST_F(NumberedEarlyEnd, AnAssignmentTabAfterAReadEndedEarlyTakesItsBitsFromTheStartOfItsMap) {
  struct Case {
    const char* name;
    const wchar_t* reply;  // null: no answer, the watchdog gives up
  } cases[] = {
      {"the watchdog gave up", nullptr},
      {"a refusal", L"RPR;123;12;ERROR\r"},
      {"USP", L"USP;123;12\r"},
      {"an answer without values", L"RRE;123;12\r"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    // Tab 1 holds the map (01: "0201"); tabs 2 (25 entries) and 3 (12 entries) take their bits from it.
    Tabs({{5, 1}, {40, 1}, {12, 1}, {13, 1}});
    dlg_->m_tabInfo[1].strHdr = L"RMAP";
    Param(1, CTRL_EDIT, 1, L"0201");
    std::vector<PARAM_INFO*> third;
    for (int nTab : {2, 3}) {
      for (int i = 0; i < (nTab == 2 ? 25 : 12); ++i) {
        PARAM_INFO* p = Param(nTab, CTRL_S_ASSIGN, i);
        p->bAssign = TRUE;
        p->strMapId = L"8001";
        if (nTab == 3) third.push_back(p);
      }
    }
    WalkFrom(2);
    dlg_->ParseNumberedReply(L"RRE;123;12" + Items(0, 19, "01") + L"\r");
    dlg_->OnReadNextTab();  // the tab's second line
    if (c.reply != nullptr) dlg_->ParseNumberedReply(c.reply);
    else WatchdogGivesUp();
    if (dlg_->m_nReadAllTab == 3) dlg_->OnReadNextTab();
    EXPECT_NE(dlg_->m_strPendingCommand.Find(L";13;00,"), -1) << S(dlg_->m_strPendingCommand);
    dlg_->ParseNumberedReply(L"RRE;123;13" + Items(0, 11, "01") + L"\r");
    std::string bits;
    for (PARAM_INFO* p : third) bits += S(p->strValue);
    EXPECT_EQ(bits, "100000000100");
    m_dlg.reset();
    dlg_ = Open();
    dlg_->m_bUpProtocol = TRUE;
    dlg_->m_defHeader.strI = L"123";
  }
}

TEST_F(NumberedEarlyEnd, UspInAValueIsData) {
  Tabs({{5, 1}, {7, 1}});
  PARAM_INFO* server = Param(0, CTRL_EDIT, 1);
  Param(1, CTRL_EDIT, 1);
  WalkFrom(0);
  dlg_->ParseNumberedReply(L"RRE;123;05;01#USP.example.org\r");
  EXPECT_EQ(S(server->strValue), "USP.example.org");
  EXPECT_EQ(dlg_->m_nReadAllTab, 1) << "the walk goes on with the next tab";
  EXPECT_FALSE(dlg_->m_bReadAllDone);
}

TEST_F(NumberedEarlyEnd, AGroupReadThatTimesOutStartsAgainAtItsFirstRecord) {
  Tabs({{50, TAB_TYPE_GEOFENCE}, {41, TAB_TYPE_BLE}});
  SetGeofenceCount(50);
  SetBleCount(50);
  dlg_->m_nGeofenceTab = 0;
  dlg_->m_nBleTab = 1;
  struct Case {
    const char* name;
    bool ble;
    UINT timer;
    std::string first;
  } cases[] = {
      {"geofences", false, TIMER_GROUP_READ, Req("50", Range(25, 44))},
      {"BLE records", true, TIMER_BLE_GROUP_READ, Req("41", Range(0, 19))},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto start = [&] { c.ble ? dlg_->StartBleRead() : dlg_->StartGeofenceRead(); };
    start();
    EXPECT_EQ(S(dlg_->m_strPendingCommand), c.first);
    // No answer within the group read's time.
    dlg_->SendMessage(WM_TIMER, c.timer, 0);
    start();
    EXPECT_EQ(S(dlg_->m_strPendingCommand), c.first) << "the next read starts at the first record";
    dlg_->SendMessage(WM_TIMER, c.timer, 0);
  }
}

TEST_F(NumberedEarlyEnd, TheWalksGiveUpLineSaysWhatHappened) {
  struct Case {
    const char* name;
    const wchar_t* reply;  // null: nothing comes
    const wchar_t* logged;
  } cases[] = {
      {"nothing came", nullptr, L"No answer to the read of tab 1"},
      {"an answer of the list's code", L"RRE;123;18;00#entry\r", L"The answer to the read of tab 1 (Tab) came with code 18"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Tabs({{5, 1}, {7, 1}});
    Param(0, CTRL_EDIT, 1);
    Param(1, CTRL_EDIT, 1);
    dlg_->SendMessage(WM_COMMAND, ID_LOG_CLEAR, 0);
    WalkFrom(0);
    if (c.reply != nullptr) dlg_->ParseNumberedReply(c.reply);
    WatchdogGivesUp();
    int found = 0;
    int noAnswer = 0;
    for (int i = 0; i < dlg_->m_listLog.GetCount(); ++i) {
      if (dlg_->m_listLog.GetText(i).Find(c.logged) >= 0) ++found;
      if (dlg_->m_listLog.GetText(i).Find(L"No answer") >= 0) ++noAnswer;
    }
    EXPECT_EQ(found, 1);
    EXPECT_EQ(noAnswer, c.reply == nullptr ? 1 : 0);
  }
}

}  // namespace
