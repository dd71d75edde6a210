// The BLE page and the access-point and driver-identifier lists as a user meets them, against the
// simulated tracker over a pseudo-terminal: the BLE tab is read, a record added,
// edited and deleted (the device's table follows each step, a refused write changes nothing on the
// page); the access-point tab is read into the preset lines; the driver identifiers are read.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../gui/dlg/model_fill.h"
#include "device_window_fixture.h"
#include "devsim/devsim.h"
#include "devsim/numbereddevice.h"
#include "devsim/recordstore.h"
#include "devsim/trackerdevice.h"
#include "gui/dlg/bledetaildlg.h"
#include "gui/dlg/bledlg.h"
#include "gui/dlg/reportdlg.h"
#include "gui/dlg/settingdlg.h"
#include "platform/pumpwait.h"
#include "session_end.h"

namespace {

constexpr DWORD kTimeoutMs = 10000;
constexpr int kBleCode = 41;

class RecordPagesTest : public testsupport::DeviceWindowFixture {
 protected:
  void SetUp() override {
    DeviceWindowFixture::SetUp();
    if (HasFatalFailure()) return;
    TolerateMissingAssignCsv();  // the Document folder of these tests holds no CSV
    // The handshake is never answered: the test gives the session its definition itself.
    tracker.SetIgnored("Rdy", true);
    dlg->ShowWindow(SW_SHOW);
    Connect();
  }
  void TearDown() override {
    SetBleCount(50);
    DeviceWindowFixture::TearDown();
  }
  PARAM_INFO* Param(int tab, int i) {
    CPtrList* list = dlg->TabParamList(tab);
    return static_cast<PARAM_INFO*>(list->GetAt(list->FindIndex(i)));
  }
  // A numbered-parameter definition with one BLE tab (code 41): the slot, the active flag, a choice
  // whose option values start at 1, a number of four digits with two decimals, a hexadecimal text.
  void LoadBleDefinition() {
    dlg->m_bUpProtocol = TRUE;
    dlg->m_defHeader.strI = L"1234";
    testsupport::FillTabs(dlg, {{TAB_TYPE_BLE, L"BLE", L"BLE"}, {1, L"Diagnosis", L"DIA"}, {1, L"Profile", L"PRF"}});
    dlg->m_tabInfo[0].nTabId = 41;
    dlg->m_nBleTab = 0;
    testsupport::AddStagedParam(dlg, 1, L"Point", 0, 0);
    testsupport::AddStagedParam(dlg, 1, L"Active", 2, 0);
    testsupport::AddStagedParam(dlg, 1, L"Kind", 2, 1);
    testsupport::AddStagedParam(dlg, 1, L"Level", 0, 0);
    testsupport::AddStagedParam(dlg, 1, L"MAC", 0, 0);
    Param(0, 1)->pOptions[0].strText = L"Disable";
    Param(0, 1)->pOptions[1].strText = L"Enable";
    for (int i = 0; i < 5; ++i) Param(0, i)->nTabId = 41;
    Param(0, 3)->nCtrlType = CTRL_EDIT_NUMBER;
    Param(0, 3)->nSize = 4;
    Param(0, 3)->nDecimal = 2;
    Param(0, 4)->nCtrlType = CTRL_EDIT_HEX;
    Param(0, 4)->nSize = 4;
    Param(0, 4)->nMax = 4;
    SetBleCount(5);
    dlg->CreateChildPages(TRUE);
  }
  CBleDialog* Page() { return dlg->m_pBleDlg; }
  int Rows() { return Page()->m_list.GetItemCount(); }
  CString Cell(int row, int column) { return Page()->m_list.GetItemText(row, column); }
  void Select(int row) {
    Page()->m_list.SetItemState(row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    Page()->m_list.SetSelectionMark(row);
  }
  // Fills the detail dialog's value controls of Kind (option 2), Level and MAC, then OK.
  void FillDetail(const CString& level, const CString& mac, bool pickKind) {
    if (pickKind) static_cast<CComboBox*>(Param(0, 2)->pValueWnd)->SetCurSel(1);
    Param(0, 3)->pValueWnd->SetWindowText(level);
    Param(0, 4)->pValueWnd->SetWindowText(mac);
    Click(Page()->DetailDialog(), IDC_BLE_DETAIL_OK);
  }

  devsim::TrackerDevice tracker{sim};
  devsim::NumberedDevice numbered{sim};
  devsim::RecordStore store{sim};
  // The device's BLE slots (element = slot - 1) that hold an active record.
  int ActiveBleRecords() const {
    int n = 0;
    for (int e = 0; e < 5; ++e) {
      const std::string v = numbered.Value(kBleCode, e);
      n += !v.empty() && v.compare(0, 2, "00") != 0 ? 1 : 0;
    }
    return n;
  }
};

TEST_F(RecordPagesTest, BleRecordsReadAddedEditedAndDeleted) {
  numbered.SetValue(kBleCode, 0, "0101007D4F2A");  // slot 1: active, kind 1, level 1.25, MAC 4F2A
  LoadBleDefinition();
  ASSERT_NE(Page(), nullptr);

  // READ: selecting the BLE tab reads the device's table into the page.
  dlg->m_nCurTab = 0;
  dlg->ActivateCurrentTab();
  ASSERT_TRUE(platform::PumpUntil([&] { return Rows() == 1; }, kTimeoutMs)) << "the record read is listed";
  EXPECT_EQ(Cell(0, 0), CString(L"1"));
  EXPECT_EQ(Cell(0, 1), CString(L"Enable"));
  EXPECT_EQ(Cell(0, 2), CString(L"Kind 0"));
  EXPECT_EQ(Cell(0, 3), CString(L"1.25"));
  EXPECT_EQ(Cell(0, 4), CString(L"4F2A"));

  // ADD: the first free slot is offered; OK writes it and the device's table has it.
  Click(Page(), IDC_BLE_ADD);
  auto* point = static_cast<CComboBox*>(Param(0, 0)->pValueWnd);
  ASSERT_NE(point, nullptr);
  EXPECT_EQ(point->GetCurSel(), 1);
  EXPECT_TRUE(point->IsWindowEnabled());
  static_cast<CComboBox*>(Param(0, 1)->pValueWnd)->SetCurSel(1);
  FillDetail(L"0.29", L"AB", true);
  ASSERT_TRUE(platform::PumpUntil([&] { return Rows() == 2; }, kTimeoutMs)) << "the acknowledged record is listed";
  EXPECT_EQ(numbered.Value(kBleCode, 1), "0102001DAB00");
  EXPECT_EQ(Cell(1, 3), CString(L"0.29"));
  EXPECT_EQ(Page()->DetailDialog()->ControlCount(), 0) << "every control made is gone";

  // EDIT: the slot is shown and fixed; the new level reaches the device.
  Select(1);
  Click(Page(), IDC_BLE_EDIT);
  point = static_cast<CComboBox*>(Param(0, 0)->pValueWnd);
  ASSERT_NE(point, nullptr);
  EXPECT_EQ(point->GetCurSel(), 1);
  EXPECT_FALSE(point->IsWindowEnabled());
  EXPECT_EQ(static_cast<CComboBox*>(Param(0, 2)->pValueWnd)->GetCurSel(), 1) << "the option of value 2";
  EXPECT_EQ(Param(0, 3)->pValueWnd->GetWindowText(), CString(L"0.29"));
  FillDetail(L"-2.5", L"AB00", false);
  ASSERT_TRUE(platform::PumpUntil([&] { return numbered.Value(kBleCode, 1) == "010280FAAB00"; }, kTimeoutMs));
  ASSERT_TRUE(platform::PumpUntil([&] { return Cell(1, 3) == L"-2.50"; }, kTimeoutMs));

  // DELETE refused by the device: the page keeps its table.
  numbered.RefuseNext(1);
  dlg->m_bReplyError = FALSE;
  Select(1);
  platform::ModalService::Instance().ExpectMessageBox(IDOK);
  Click(Page(), IDC_BLE_DELETE);
  ASSERT_TRUE(platform::PumpUntil([&] { return dlg->m_bReplyError == TRUE; }, kTimeoutMs)) << "the refusal arrived";
  EXPECT_EQ(Rows(), 2);
  EXPECT_EQ(Page()->m_pRecords[1].bActive, 1);
  EXPECT_EQ(Cell(1, 1), CString(L"Enable"));
  EXPECT_EQ(ActiveBleRecords(), 2);

  // DELETE acknowledged: the row goes, and ADD offers the slot again.
  Select(1);
  platform::ModalService::Instance().ExpectMessageBox(IDOK);
  Click(Page(), IDC_BLE_DELETE);
  ASSERT_TRUE(platform::PumpUntil([&] { return Rows() == 1; }, kTimeoutMs));
  EXPECT_EQ(numbered.Value(kBleCode, 1).substr(0, 2), "00") << "the device holds the slot as inactive";
  EXPECT_EQ(ActiveBleRecords(), 1);
  Click(Page(), IDC_BLE_ADD);
  EXPECT_EQ(static_cast<CComboBox*>(Param(0, 0)->pValueWnd)->GetCurSel(), 1);
  Click(Page()->DetailDialog(), IDC_BLE_DETAIL_CANCEL);
  EXPECT_EQ(Page()->DetailDialog()->ControlCount(), 0);
}

// A plain edit travels as sign and magnitude in its field: the device's value is shown as the number
// it stands for, and EDIT -> OK without a change writes the very same field back.
TEST_F(RecordPagesTest, BlePlainEditValuesComeBackAsTheyWereRead) {
  LoadBleDefinition();
  ASSERT_NE(Page(), nullptr);
  PARAM_INFO* level = Param(0, 3);
  level->nCtrlType = CTRL_EDIT;
  level->nDecimal = 0;
  const struct {
    int width;
    const char* field;
    const wchar_t* shown;
  } cases[] = {{4, "8001", L"-1"}, {4, "7FFF", L"32767"}, {8, "000186A0", L"100000"}, {8, "800186A0", L"-100000"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.field);
    level->nSize = c.width;
    level->nMax = c.width + 2;
    const std::string stored = std::string("0101") + c.field + "4F2A";
    numbered.SetValue(kBleCode, 0, stored);
    dlg->m_nCurTab = 0;
    dlg->ActivateCurrentTab();
    ASSERT_TRUE(platform::PumpUntil([&] { return Rows() == 1 && Cell(0, 3) == c.shown; }, kTimeoutMs))
        << "shown " << Cell(0, 3).ToUtf8();
    numbered.ClearRequests();
    Select(0);
    Click(Page(), IDC_BLE_EDIT);
    EXPECT_EQ(Param(0, 3)->pValueWnd->GetWindowText(), CString(c.shown));
    Click(Page()->DetailDialog(), IDC_BLE_DETAIL_OK);
    ASSERT_TRUE(platform::PumpUntil([&] { return !numbered.Requests().empty(); }, kTimeoutMs));
    EXPECT_NE(numbered.Requests().back().find("41;00#" + stored), std::string::npos) << numbered.Requests().back();
    EXPECT_EQ(numbered.Value(kBleCode, 0), stored);
  }
}

TEST_F(RecordPagesTest, AccessPointsAndDriverIdentifiersAreRead) {
  store.SetAccessPoints({"home;WPA2;secret", "office;OPEN;"});
  store.SetDriverIds({"ab12", "cd34", "ef56"});
  dlg->m_bUpProtocol = FALSE;
  testsupport::FillTabs(dlg, {{TAB_TYPE_PRESET, L"AP", L"AP"}, {1, L"Diagnosis", L"DIA"}, {1, L"Profile", L"PRF"}});
  testsupport::AddStagedParam(dlg, 1, L"Preset", 0, 0);
  dlg->CreateChildPages(TRUE);
  ASSERT_NE(dlg->m_pSettingDlg, nullptr);

  dlg->m_nCurTab = 0;
  dlg->ActivateCurrentTab();
  ASSERT_TRUE(platform::PumpUntil([&] { return dlg->m_nApTotal == 2; }, kTimeoutMs));
  const CStringArray& presets = dlg->m_pSettingDlg->m_arrPresets;
  ASSERT_EQ(presets.GetSize(), 2);
  EXPECT_EQ(presets[0], CString(L"1;home;WPA2;secret\r"));
  EXPECT_EQ(presets[1], CString(L"2;office;OPEN;\r"));

  // The driver identifiers, as the XML profile save reads them.
  dlg->m_bSavingXmlProfile = TRUE;
  dlg->m_nDriverIdCount = 0;
  ResetEvent(dlg->m_hDriverIdReadEvent);
  dlg->TransmitCommand(L"$PVRGDID\r");
  ASSERT_TRUE(platform::PumpUntil([&] { return WaitForSingleObject(dlg->m_hDriverIdReadEvent, 0) == WAIT_OBJECT_0; },
                                  kTimeoutMs));
  EXPECT_EQ(dlg->m_nDriverIdCount, 3);
  EXPECT_EQ(dlg->m_arrDriverIds[2], CString(L"EF56"));
  dlg->m_bSavingXmlProfile = FALSE;

  // The removal is consumed, and the device's table is empty.
  dlg->TransmitCommand(L"$PVRRDID\r");
  ASSERT_TRUE(platform::PumpUntil([&] { return store.DriverIds().empty(); }, kTimeoutMs));
}

TEST_F(RecordPagesTest, OlderDriverIdentifierLinesAreAssembledWhileAProfileIsSaved) {
  // 45 identifiers: the device answers a line of 30 that goes on ("Continued") and one of 15.
  std::vector<std::string> ids;
  for (int i = 1; i <= 45; ++i) ids.push_back("id" + std::to_string(i));
  store.SetDriverIds(ids);
  dlg->m_bUpProtocol = FALSE;
  testsupport::FillTabs(dlg, {{1, L"Driver", L"DRV"}, {1, L"Diagnosis", L"DIA"}, {1, L"Profile", L"PRF"}});
  testsupport::AddStagedParam(dlg, 1, L"P", 0, 0);
  dlg->CreateChildPages(TRUE);

  dlg->m_bSavingXmlProfile = TRUE;
  dlg->m_nDriverIdCount = 0;
  dlg->m_nCmdTab = 0;
  dlg->m_strCmdHeader = L"HGD";
  dlg->m_strLastCommand = L"$THGD;;02;ALL\r";
  ResetEvent(dlg->m_hDriverIdReadEvent);
  dlg->TransmitCommand(dlg->m_strLastCommand);
  ASSERT_TRUE(platform::PumpUntil([&] { return WaitForSingleObject(dlg->m_hDriverIdReadEvent, 0) == WAIT_OBJECT_0; },
                                  kTimeoutMs));
  auto entry = [](int first, int count) {
    CString text;
    for (int i = first; i < first + count; ++i) text += (i == first ? CString() : CString(L";")) + CString::FromUtf8("id" + std::to_string(i));
    return text;
  };
  EXPECT_EQ(dlg->m_arrDriverIds[0], entry(1, 20));
  EXPECT_EQ(dlg->m_arrDriverIds[1], entry(21, 20)) << "the entry open at the end of the first line is completed";
  EXPECT_EQ(dlg->m_arrDriverIds[2], entry(41, 5));
  EXPECT_EQ(dlg->m_nDriverIdCount, 0) << "a complete list starts the count again";
  dlg->m_bSavingXmlProfile = FALSE;
}

TEST_F(RecordPagesTest, ReportMapValueIsWhatSendWrites) {
  // A numbered-parameter device with a JSON definition: tab 30 holds report parameter 05 of six
  // digits whose options are four check items.
  dlg->m_bUpProtocol = TRUE;
  dlg->m_deviceInfo.bJsonParam = TRUE;
  dlg->m_defHeader.strI = L"1234";
  testsupport::FillTabs(dlg, {{1, L"Report", L"RPT"}, {1, L"Diagnosis", L"DIA"}, {1, L"Profile", L"PRF"}});
  dlg->m_tabInfo[0].nTabId = 30;
  testsupport::AddStagedParam(dlg, 1, L"Reports", 4, 0);
  PARAM_INFO* p = Param(0, 0);
  p->nTabId = 30;
  p->nId = 5;
  p->nCtrlType = CTRL_EDIT_BUTTON;
  p->nMax = 6;
  p->strValue = L"000009";  // states 0 and 3
  for (int k = 0; k < 4; ++k) p->pOptions[k].nCtrlType = CTRL_CHECK_BOX;
  dlg->CreateChildPages(TRUE);
  ASSERT_NE(dlg->m_pSettingDlg, nullptr);
  dlg->m_nCurTab = 0;
  dlg->m_pageInfo.tab = dlg->m_tabInfo[0];
  dlg->m_pageInfo.pParams = dlg->TabParamList(0);
  dlg->m_pSettingDlg->SendMessage(WM_SETTINGS_PAGE_NOTIFY, 0, reinterpret_cast<LPARAM>(&dlg->m_pageInfo));
  ASSERT_NE(p->pExtraWnd, nullptr);

  // SET opens the report map; the user ticks state 1, clears state 3 and presses OK.
  Click(dlg->m_pSettingDlg, p->pExtraWnd->GetDlgCtrlID());
  CReportDialog* report = dlg->m_pReportDlg;
  ASSERT_NE(report, nullptr);
  CPtrList* list = report->m_pParamList;
  ASSERT_NE(list, nullptr);
  ASSERT_EQ(list->GetCount(), 4);
  auto box = [&](int i) { return dynamic_cast<CButton*>(static_cast<PARAM_INFO*>(list->GetAt(list->FindIndex(i)))->pValueWnd); };
  ASSERT_NE(box(1), nullptr);
  ASSERT_NE(box(3), nullptr);
  EXPECT_EQ(box(3)->GetCheck(), BST_CHECKED);
  box(1)->SetCheck(BST_CHECKED);
  box(3)->SetCheck(BST_UNCHECKED);
  Click(report, IDC_REPORT_OK);
  EXPECT_EQ(p->pValueWnd->GetWindowText(), CString(L"000003"));

  // SEND writes that value.
  sim.ClearReceived();
  Click(dlg->m_pSettingDlg, IDC_SETTING_SEND);
  EXPECT_TRUE(platform::PumpUntil([&] {
    for (const std::string& l : sim.ReceivedLines())
      if (l.find("PRG;1234;30;05#000003") != std::string::npos) return true;
    return false;
  }, kTimeoutMs)) << "the device received the packed value";
}

}  // namespace

namespace {

// The user disconnects while DELETE's question of the BLE page is open: the page goes with the
// session and nothing is written.
TEST_F(RecordPagesTest, BleDeleteEndsWithTheSessionEndedInItsQuestion) {
  numbered.SetValue(kBleCode, 0, "0101007D4F2A");
  LoadBleDefinition();
  ASSERT_NE(Page(), nullptr);
  dlg->m_nCurTab = 0;
  dlg->ActivateCurrentTab();
  ASSERT_TRUE(platform::PumpUntil([&] { return Rows() == 1; }, kTimeoutMs));
  Select(0);
  numbered.ClearRequests();
  const HWND page = Page()->GetSafeHwnd();
  platform::ModalService::Instance().ExpectMessageBox(IDOK, [this, page] {
    testsupport::EndSessionUnderPage(testsupport::SessionEnd::Disconnect, dlg, sim, page);
  });
  Click(Page(), IDC_BLE_DELETE);
  EXPECT_EQ(CWnd::FromHandle(page), nullptr) << "the session ended inside DELETE";
  EXPECT_TRUE(numbered.Requests().empty()) << "nothing is written";
  EXPECT_EQ(numbered.Value(kBleCode, 0), "0101007D4F2A");
}

}  // namespace
