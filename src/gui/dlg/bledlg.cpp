// CBleDialog (see bledlg.h).
#include "gui/dlg/bledlg.h"

#include "gui/dlg/pagehelpers.h"
#include "gui/dlg/pagemessages.h"
#include "platform/trace.h"

namespace {
int SlotCount() { return g_nBleCount < kBleSlots ? g_nBleCount : kBleSlots; }
}  // namespace

BEGIN_MESSAGE_MAP(CBleDialog, CDialog)
  ON_WM_CLOSE()
  ON_MESSAGE(WM_BLE_RECORD, &CBleDialog::OnBleRecord)
END_MESSAGE_MAP()

CBleDialog::CBleDialog(CWnd* pParent) : CDialog(IDD_BLE_PAGE, pParent), m_pRecords(new BLE_INFO[kBleSlots]) {}

CBleDialog::~CBleDialog() { delete[] m_pRecords; }

void CBleDialog::DoDataExchange(CDataExchange* pDX) {
  CDialog::DoDataExchange(pDX);
  DDX_Control(pDX, IDC_BLE_LIST, m_list);
  DDX_Control(pDX, IDC_BLE_PROGRESS, m_progress);
}

BOOL CBleDialog::OnInitDialog() {
  CDialog::OnInitDialog();
  brelvano::SetPageButtonTexts(*this, *this, IDC_BLE_ADD, IDC_BLE_EDIT, IDC_BLE_DELETE);
  m_list.SetExtendedStyle(LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
  m_progress.ShowWindow(SW_HIDE);
  ResetRecords();
  RefreshList();
  return TRUE;
}

BOOL CBleDialog::PreTranslateMessage(MSG* pMsg) {
  if (brelvano::IsPageSwallowedKey(pMsg)) return TRUE;
  return CDialog::PreTranslateMessage(pMsg);
}

void CBleDialog::OnClose() { DestroyWindow(); }

void CBleDialog::SetPageDefinition(BLE_GROUP_INFO group, CPtrList* pParams) {
  m_groupInfo = group;
  m_pParamList = pParams;
  BuildColumns();
}

void CBleDialog::ResetPage() {
  m_nSelected = -1;
  m_nMode = 0;
  m_pPendingRecord = nullptr;
}

void CBleDialog::ResetRecords() {
  for (int i = 0; i < SlotCount(); ++i) m_pRecords[i] = BLE_INFO();
}

void CBleDialog::BuildColumns() { brelvano::BuildParamColumns(m_list, m_pParamList, m_pParentWnd); }

void CBleDialog::RefreshList() {
  if (m_list.GetSafeHwnd() == nullptr) return;
  m_list.DeleteAllItems();
  int rows = 0;
  for (int i = 0; i < SlotCount(); ++i) {
    const BLE_INFO& r = m_pRecords[i];
    if (r.nSlot < 1) continue;  // never stored
    CString number;
    number.Format(L"%d", r.nSlot);
    const int row = m_list.InsertItem(rows, number);
    if (row < 0) continue;
    ++rows;
    m_list.SetItemText(row, 1, r.bActive ? CString(L"O") : CString());
    const std::vector<CString> values = brelvano::SplitJoinedValues(r.strValues, L';');
    brelvano::SetRowValues(m_list, row, values);
  }
}

BOOL CBleDialog::StoreRecord(const BLE_INFO& rec) {
  if (rec.nSlot < 1 || rec.nSlot > SlotCount()) {
    TRACE(L"BLE record %d outside 1..%d: not stored\n", rec.nSlot, SlotCount());
    return FALSE;
  }
  BLE_INFO& slot = m_pRecords[rec.nSlot - 1];
  slot.nSlot = rec.nSlot;
  slot.bActive = rec.bActive;
  slot.strValues = rec.strValues;
  if (brelvano::PageParentUsesUpProtocol(m_pParentWnd)) {
    for (int i = 0; i < kFieldFormats; ++i) slot.formats[i] = rec.formats[i];
  }
  return TRUE;
}

LRESULT CBleDialog::OnBleRecord(WPARAM wParam, LPARAM lParam) {
  (void)wParam;
  const auto* pRecord = reinterpret_cast<const BLE_INFO*>(lParam);
  if (pRecord == nullptr) return 0;
  if (StoreRecord(*pRecord)) RefreshList();
  return 0;
}
