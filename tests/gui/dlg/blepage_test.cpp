// The BLE page and its detail dialog without a device: what ADD, EDIT and DELETE encode, that the
// page's table changes only with the acknowledgement (WM_BLE_RECORD with the pending record), and
// the refusals the user is told of.
#include <gtest/gtest.h>

#include "gui/dlg/bledetaildlg.h"
#include "gui/dlg/bledlg.h"
#include "mainwindow_fixture.h"
#include "model_fill.h"

namespace {

class BlePageTest : public testsupport::MainWindowFixture {
 protected:
  void SetUp() override {
    MainWindowFixture::SetUp();
    TolerateMissingAssignCsv();  // the Document folder of these tests holds no CSV
    dlg = Open();
    dlg->ShowWindow(SW_SHOW);
    dlg->m_bAtPrefix = FALSE;
    dlg->m_bUpProtocol = TRUE;
    testsupport::FillTabs(dlg, {{TAB_TYPE_BLE, L"BLE", L"BLE"}});
    testsupport::AddStagedParam(dlg, 1, L"Point", 0, 0);
    testsupport::AddStagedParam(dlg, 1, L"Active", 2, 0);
    testsupport::AddStagedParam(dlg, 1, L"Kind", 2, 1);
    testsupport::AddStagedParam(dlg, 1, L"Level", 0, 0);
    testsupport::AddStagedParam(dlg, 1, L"MAC", 0, 0);
    Param(3)->nCtrlType = CTRL_EDIT_NUMBER;
    Param(3)->nSize = 4;
    Param(3)->nDecimal = 2;
    Param(4)->nCtrlType = CTRL_EDIT_HEX;
    Param(4)->nSize = 4;
    Param(4)->nMax = 8;
    Param(4)->bReserve = FALSE;
    SetBleCount(3);
    dlg->CreateChildPages(TRUE);
    page = dlg->m_pBleDlg;
  }
  void TearDown() override {
    SetBleCount(50);
    MainWindowFixture::TearDown();
  }
  PARAM_INFO* Param(int i) {
    CPtrList* list = dlg->TabParamList(0);
    return static_cast<PARAM_INFO*>(list->GetAt(list->FindIndex(i)));
  }
  static void Click(CWnd* wnd, int id) {
    wnd->SendMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(wnd->GetDlgItem(id)->GetSafeHwnd()));
  }
  void Acknowledge() {
    ASSERT_NE(page->m_pPendingRecord, nullptr);
    page->SendMessage(WM_BLE_RECORD, 0, reinterpret_cast<LPARAM>(page->m_pPendingRecord));
  }
  BLE_INFO Record(int slot, const wchar_t* values) {
    BLE_INFO r;
    r.nSlot = slot;
    r.bActive = 1;
    r.strValues = values;
    r.formats[0] = {CTRL_COMBO, 0, 0};
    r.formats[1] = {CTRL_EDIT_NUMBER, 4, 2};
    r.formats[2] = {CTRL_EDIT_HEX, 4, 0};
    return r;
  }

  CBrelvanoDlg* dlg = nullptr;
  CBleDialog* page = nullptr;
};

TEST_F(BlePageTest, AddEditAndDeleteChangeTheTableOnlyWhenAcknowledged) {
  ASSERT_NE(page, nullptr);
  page->StoreRecord(Record(1, L";1;3.1415;4F2A"));
  page->RefreshList();
  ASSERT_EQ(page->m_list.GetItemCount(), 1);
  EXPECT_EQ(page->m_list.GetItemText(0, 2), CString(L"Kind 0"));
  EXPECT_EQ(page->m_list.GetItemText(0, 3), CString(L"3.14"));

  // ADD proposes slot 2; the dialog's controls are made, the page and the tab strip are locked.
  Click(page, IDC_BLE_ADD);
  CBleDetailDlg* detail = page->DetailDialog();
  auto* point = static_cast<CComboBox*>(Param(0)->pValueWnd);
  ASSERT_NE(point, nullptr);
  EXPECT_EQ(point->GetCount(), 3) << "slots 1 to the usable count";
  EXPECT_EQ(point->GetCurSel(), 1);
  EXPECT_FALSE(page->IsWindowEnabled());
  EXPECT_FALSE(dlg->m_tabPages.IsWindowEnabled());
  EXPECT_TRUE(detail->GetDlgItem(IDC_BLE_DETAIL_OK)->IsWindowEnabled());

  // A hexadecimal text longer than its size is refused; the dialog stays.
  static_cast<CComboBox*>(Param(1)->pValueWnd)->SetCurSel(1);
  static_cast<CComboBox*>(Param(2)->pValueWnd)->SetCurSel(0);
  Param(3)->pValueWnd->SetWindowText(L"");
  Param(4)->pValueWnd->SetWindowText(L"12345");
  platform::ModalService::Instance().ExpectMessageBox(IDOK);
  Click(detail, IDC_BLE_DETAIL_OK);
  EXPECT_TRUE(detail->IsWindowVisible());
  // A number that does not fit its field is refused too.
  Param(4)->pValueWnd->SetWindowText(L"1A");
  Param(3)->pValueWnd->SetWindowText(L"400");
  platform::ModalService::Instance().ExpectMessageBox(IDOK);
  Click(detail, IDC_BLE_DETAIL_OK);
  EXPECT_TRUE(detail->IsWindowVisible());
  EXPECT_EQ(page->m_pPendingRecord, nullptr);

  Param(3)->pValueWnd->SetWindowText(L"");  // read as 0
  Click(detail, IDC_BLE_DETAIL_OK);
  EXPECT_FALSE(detail->IsWindowVisible());
  EXPECT_EQ(detail->ControlCount(), 0);
  EXPECT_TRUE(page->IsWindowEnabled());
  EXPECT_TRUE(dlg->m_tabPages.IsWindowEnabled());
  EXPECT_EQ(detail->m_record.strValues, CString(L";1;0;1A00"));
  EXPECT_EQ(page->m_list.GetItemCount(), 1) << "nothing listed before the acknowledgement";
  Acknowledge();
  ASSERT_EQ(page->m_list.GetItemCount(), 2);
  EXPECT_EQ(page->m_list.GetItemText(1, 4), CString(L"1A00"));

  // EDIT of slot 1 shows its values; CANCEL changes nothing.
  page->m_list.SetSelectionMark(0);
  Click(page, IDC_BLE_EDIT);
  point = static_cast<CComboBox*>(Param(0)->pValueWnd);
  EXPECT_EQ(point->GetCurSel(), 0);
  EXPECT_FALSE(point->IsWindowEnabled());
  EXPECT_EQ(Param(3)->pValueWnd->GetWindowText(), CString(L"3.14"));
  EXPECT_EQ(static_cast<CComboBox*>(Param(2)->pValueWnd)->GetCurSel(), 0) << "the option of value 1";
  Param(3)->pValueWnd->SetWindowText(L"9");
  Click(detail, IDC_BLE_DETAIL_CANCEL);
  EXPECT_EQ(page->m_pRecords[0].strValues, CString(L";1;3.1415;4F2A"));
  EXPECT_EQ(detail->ControlCount(), 0);

  // DELETE sends the record inactive; without an acknowledgement the slot stays in use.
  page->m_list.SetItemState(1, LVIS_SELECTED, LVIS_SELECTED);
  platform::ModalService::Instance().ExpectMessageBox(IDOK);
  Click(page, IDC_BLE_DELETE);
  ASSERT_NE(page->m_pPendingRecord, nullptr);
  EXPECT_EQ(page->m_pPendingRecord->bActive, 0);
  EXPECT_EQ(page->m_pRecords[1].bActive, 1);
  EXPECT_EQ(page->m_list.GetItemCount(), 2);
  Acknowledge();
  EXPECT_EQ(page->m_list.GetItemCount(), 1);
  EXPECT_EQ(page->m_pRecords[1].bActive, 0);

  // The window closes with the dialog open: its controls go with it.
  Click(page, IDC_BLE_ADD);
  EXPECT_TRUE(detail->IsWindowVisible());
  EXPECT_GT(detail->ControlCount(), 0);
}

TEST_F(BlePageTest, TheCloseBoxCancelsAndTheDialogServesAgain) {
  ASSERT_NE(page, nullptr);
  page->StoreRecord(Record(1, L";1;3.1415;4F2A"));
  page->RefreshList();
  struct Case {
    const char* name;
    int button;
  } cases[] = {{"ADD", IDC_BLE_ADD}, {"EDIT", IDC_BLE_EDIT}, {"ADD again", IDC_BLE_ADD}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    page->m_list.SetSelectionMark(0);
    Click(page, c.button);
    CBleDetailDlg* detail = page->DetailDialog();
    ASSERT_NE(detail->GetSafeHwnd(), nullptr);
    ASSERT_TRUE(detail->IsWindowVisible());
    ASSERT_FALSE(page->IsWindowEnabled());
    Param(3)->pValueWnd->SetWindowText(L"9");
    detail->SendMessage(WM_CLOSE);
    EXPECT_NE(detail->GetSafeHwnd(), nullptr) << "the dialog stays for the next ADD or EDIT";
    EXPECT_FALSE(detail->IsWindowVisible());
    EXPECT_EQ(detail->ControlCount(), 0);
    EXPECT_TRUE(page->IsWindowEnabled());
    EXPECT_TRUE(dlg->m_tabPages.IsWindowEnabled());
    EXPECT_EQ(page->m_pPendingRecord, nullptr) << "nothing is sent";
    EXPECT_EQ(page->m_pRecords[0].strValues, CString(L";1;3.1415;4F2A"));
  }
}

TEST_F(BlePageTest, FullTableAndMissingSelectionAreTold) {
  ASSERT_NE(page, nullptr);
  for (int slot = 1; slot <= 3; ++slot) page->StoreRecord(Record(slot, L";1;1;0000"));
  page->RefreshList();
  platform::ModalService::Instance().ClearRecords();
  platform::ModalService::Instance().ExpectMessageBox(IDOK);
  Click(page, IDC_BLE_ADD);
  EXPECT_TRUE(page->IsWindowEnabled());
  platform::ModalService::Instance().ExpectMessageBox(IDOK);
  Click(page, IDC_BLE_DELETE);
  platform::ModalService::Instance().ExpectMessageBox(IDOK);
  Click(page, IDC_BLE_EDIT);
  const auto boxes = Records(platform::ModalKind::MessageBox);
  ASSERT_EQ(boxes.size(), 3u);
  EXPECT_EQ(boxes[0].text, CString(L"All space is in use"));
  EXPECT_EQ(boxes[1].text, CString(L"No iTems were Selected!\n"));
  EXPECT_EQ(boxes[2].text, CString(L"There is no selected item."));
  EXPECT_TRUE(page->IsWindowEnabled());
}

}  // namespace
