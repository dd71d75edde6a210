// CBleDialog (see bledlg.h).
#include "gui/dlg/bledlg.h"

#include "gui/dlg/bledetaildlg.h"
#include "gui/dlg/blerecordcodec.h"
#include "gui/dlg/pagehelpers.h"
#include "gui/dlg/pagemessages.h"
#include "gui/dlg/windowwatch.h"
#include "platform/crt.h"
#include "platform/modal.h"
#include "platform/trace.h"

namespace {
// The language library's question before a deletion.
constexpr UINT kTextDeleteQuestion = 1063;
constexpr int kColumnPadding = 37;

int SlotCount() { return g_nBleCount < 1 ? 1 : (g_nBleCount < kBleSlots ? g_nBleCount : kBleSlots); }

const PARAM_INFO* ParamAt(const CPtrList* pList, int index) {
  if (pList == nullptr || index < 0) return nullptr;
  POSITION pos = pList->FindIndex(index);
  return pos != nullptr ? static_cast<const PARAM_INFO*>(pList->GetAt(pos)) : nullptr;
}
}  // namespace

BEGIN_MESSAGE_MAP(CBleDialog, CDialog)
  ON_WM_CLOSE()
  ON_WM_DESTROY()
  ON_MESSAGE(WM_BLE_RECORD, &CBleDialog::OnBleRecord)
  ON_BN_CLICKED(IDC_BLE_ADD, &CBleDialog::OnBnClickedAdd)
  ON_BN_CLICKED(IDC_BLE_EDIT, &CBleDialog::OnBnClickedEdit)
  ON_BN_CLICKED(IDC_BLE_DELETE, &CBleDialog::OnBnClickedDelete)
END_MESSAGE_MAP()

CBleDialog::CBleDialog(CWnd* pParent) : CDialog(IDD_BLE_PAGE, pParent), m_pRecords(new BLE_INFO[kBleSlots]) {}

CBleDialog::~CBleDialog() {
  delete m_pDetailDlg;
  delete[] m_pRecords;
}

void CBleDialog::DoDataExchange(CDataExchange* pDX) {
  CDialog::DoDataExchange(pDX);
  DDX_Control(pDX, IDC_BLE_LIST, m_list);
  DDX_Control(pDX, IDC_BLE_PROGRESS, m_progress);
}

BOOL CBleDialog::OnInitDialog() {
  CDialog::OnInitDialog();
  brelvano::SetPageButtonTexts(*this, *this, IDC_BLE_ADD, IDC_BLE_EDIT, IDC_BLE_DELETE);
  m_bUpMode = brelvano::PageParentUsesUpProtocol(m_pParentWnd) ? TRUE : FALSE;
  ResetRecords();
  m_nPageHeight = 460;
  brelvano::PlaceRecordPageButtons(*this, m_nPageHeight, IDC_BLE_ADD, IDC_BLE_EDIT, IDC_BLE_DELETE);
  // The detail dialog is made once, hidden, and reused. It lives beside the page (under the main
  // window) so that disabling the page while it is open leaves the dialog itself usable.
  EnableWindow(FALSE);
  m_pDetailDlg = new CBleDetailDlg(this);
  CWnd* pOwner = m_pParentWnd != nullptr ? m_pParentWnd : this;
  if (!m_pDetailDlg->Create(IDD_BLE_DETAIL, pOwner)) TRACE(L"BLE detail dialog: no window\n");
  m_pDetailDlg->ShowWindow(SW_HIDE);
  EnableWindow(TRUE);
  BuildColumns();
  RefreshList();
  return TRUE;
}

BOOL CBleDialog::PreTranslateMessage(MSG* pMsg) {
  if (brelvano::IsPageSwallowedKey(pMsg)) return TRUE;
  return CDialog::PreTranslateMessage(pMsg);
}

void CBleDialog::OnClose() { DestroyWindow(); }

void CBleDialog::OnDestroy() {
  if (m_pDetailDlg != nullptr && m_pDetailDlg->GetSafeHwnd() != nullptr) m_pDetailDlg->DestroyWindow();
  CDialog::OnDestroy();
}

void CBleDialog::SetPageDefinition(BLE_GROUP_INFO group, CPtrList* pParams) {
  m_groupInfo = group;
  m_pParamList = pParams;
  BuildColumns();
}

void CBleDialog::ResetPage() {
  ResetRecords();
  m_nMode = 0;
  m_pPendingRecord = nullptr;
}

void CBleDialog::ResetRecords() {
  m_bUpMode = brelvano::PageParentUsesUpProtocol(m_pParentWnd) ? TRUE : FALSE;
  for (int i = 0; i < SlotCount(); ++i) {
    BLE_INFO& r = m_pRecords[i];
    r.nSlot = 0;
    r.bActive = 0;
    r.strValues.Empty();
    if (m_bUpMode) {
      for (FIELD_FORMAT& f : r.formats) f = FIELD_FORMAT();
    }
  }
  m_nRowCount = 0;
}

void CBleDialog::BuildColumns() {
  if (m_list.GetSafeHwnd() == nullptr) return;
  m_list.DeleteAllItems();
  m_list.DeleteAllColumns();
  m_nRowCount = 0;
  int column = 0;
  CDC* pDC = GetDC();
  if (m_pParamList != nullptr) {
    for (POSITION pos = m_pParamList->GetHeadPosition(); pos != nullptr;) {
      const auto* p = static_cast<const PARAM_INFO*>(m_pParamList->GetNext(pos));
      if (p == nullptr) continue;
      const CString title = brelvano::PageTranslate(m_pParentWnd, p->strName);
      const int width = (pDC != nullptr ? pDC->GetTextExtent(p->strName).cx : 7 * p->strName.GetLength()) + kColumnPadding;
      m_list.InsertColumn(column, title, LVCFMT_CENTER, width);
      m_list.SetColumnReadOnly(column);
      ++column;
    }
  }
  if (pDC != nullptr) ReleaseDC(pDC);
  m_list.SetExtendedStyle(LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
  brelvano::PlaceRecordPageList(*this, m_list, m_progress);
}

void CBleDialog::RefreshList() {
  if (m_list.GetSafeHwnd() == nullptr) return;
  m_list.DeleteAllItems();
  m_nRowCount = 0;
  for (int i = 0; i < SlotCount(); ++i) {
    if (m_pRecords[i].bActive != 0) AddRow(m_pRecords[i]);
  }
}

CString CBleDialog::ValueText(const BLE_INFO& rec, int j, const CString& value, const PARAM_INFO* pParam) const {
  if (!m_bUpMode) return brelvano::PageTranslate(m_pParentWnd, value);
  if (pParam == nullptr) return CString();
  switch (pParam->nCtrlType) {
    case CTRL_COMBO: {
      long long v = 0;
      if (!brelvano::ScaleDecimalText(value, 0, v)) return CString();
      for (int k = 0; pParam->pOptions != nullptr && k < pParam->nOptions; ++k) {
        if (pParam->pOptions[k].nValue == v) return brelvano::PageTranslate(m_pParentWnd, pParam->pOptions[k].strText);
      }
      return CString();
    }
    case CTRL_EDIT:
    case CTRL_EDIT_NUMBER: {
      const int decimals = j - 1 < kFieldFormats ? rec.formats[j - 1].nDecimals : 0;
      return brelvano::FormatDecimalCut(value, decimals);
    }
    case CTRL_EDIT_HEX:
      return brelvano::PageTranslate(m_pParentWnd, value);
    default:
      return CString();
  }
}

void CBleDialog::AddRow(const BLE_INFO& rec) {
  if (m_list.GetSafeHwnd() == nullptr) return;
  CString number;
  number.Format(L"%d", rec.nSlot);
  const int row = m_list.InsertItem(m_nRowCount, number);
  if (row < 0) return;
  m_list.SetItemText(row, 1, rec.bActive == 1 ? CString(L"Enable") : CString(L"Disable"));
  const int columns = m_list.GetHeaderCtrl() != nullptr ? m_list.GetHeaderCtrl()->GetItemCount() : 0;
  const std::vector<CString> values = brelvano::SplitJoinedValues(rec.strValues, L';');
  for (size_t k = 0; k < values.size(); ++k) {
    const int j = static_cast<int>(k) + 1;
    if (j + 1 >= columns) break;
    m_list.SetItemText(row, j + 1, ValueText(rec, j, values[k], ParamAt(m_pParamList, j + 1)));
  }
  ++m_nRowCount;
  m_list.EnsureVisible(row, FALSE);
}

BOOL CBleDialog::StoreRecord(const BLE_INFO& rec) {
  if (rec.nSlot < 1 || rec.nSlot > SlotCount()) {
    TRACE(L"BLE record %d outside 1..%d: not stored\n", rec.nSlot, SlotCount());
    return FALSE;
  }
  BLE_INFO& slot = m_pRecords[rec.nSlot - 1];
  if (brelvano::PageParentUsesUpProtocol(m_pParentWnd)) {
    for (int i = 0; i < kFieldFormats; ++i) slot.formats[i] = rec.formats[i];
  }
  slot.nSlot = rec.nSlot;
  slot.bActive = rec.bActive;
  slot.strValues = rec.strValues;
  return TRUE;
}

CString CBleDialog::EncodeRecord(BLE_INFO* pRecord) {
  m_bUpMode = brelvano::PageParentUsesUpProtocol(m_pParentWnd) ? TRUE : FALSE;
  m_bEncodeRefused = FALSE;
  if (!m_bUpMode || pRecord == nullptr) return CString();
  CString text, error;
  if (!brelvano::EncodeBleRecordLine(*pRecord, text, error)) {
    m_bEncodeRefused = TRUE;
    MessageBox(error);
    return CString();
  }
  m_pPendingRecord = pRecord;
  return text;
}

void CBleDialog::SendRecordText(const CString& text) {
  if (text.IsEmpty() || m_pParentWnd == nullptr || m_pParentWnd->GetSafeHwnd() == nullptr) return;
  m_pParentWnd->SendMessage(WM_SEND_BLE_RECORD, 0, reinterpret_cast<LPARAM>(&text));
}

void CBleDialog::SubmitRecord(const BLE_INFO& rec, const CString& text) {
  if (!g_bFileMode) {
    SendRecordText(text);
    return;
  }
  m_pPendingRecord = nullptr;
  StoreRecord(rec);
  RefreshList();
}

void CBleDialog::DeleteRecord(int nItem) {
  const int slot = _wtoi(m_list.GetItemText(nItem, 0));
  for (int i = 0; i < SlotCount(); ++i) {
    if (m_pRecords[i].nSlot != slot || slot < 1) continue;
    // A copy goes out: should the device refuse, the record stays active in the page's table.
    m_deleteRecord = m_pRecords[i];
    m_deleteRecord.bActive = 0;
    if (g_bFileMode) {
      // No device: the table is the user's, and it changes at once.
      SubmitRecord(m_deleteRecord, CString());
      return;
    }
    const WindowWatch self(this);
    const CString text = EncodeRecord(&m_deleteRecord);  // may tell the user why it is refused
    if (self.Alive()) SendRecordText(text);
    return;
  }
}

void CBleDialog::OnBnClickedAdd() {
  EnableWindow(FALSE);
  const int limit = m_bUpMode ? SlotCount() : kBleSlots;
  int free = -1;
  for (int i = 0; i < limit; ++i) {
    if (m_pRecords[i].bActive == 0) {
      free = i;
      break;
    }
  }
  if (free < 0 || m_pDetailDlg == nullptr || m_pDetailDlg->GetSafeHwnd() == nullptr) {
    const WindowWatch self(this);
    MessageBox(L"All space is in use");
    if (self.Alive()) EnableWindow(TRUE);
    return;
  }
  m_nMode = 1;
  brelvano::PageTakeListFromSettingsPage(m_pParentWnd, m_pParamList);
  m_pDetailDlg->Open(m_pParamList, &m_pRecords[free], free);
  m_pDetailDlg->ShowWindow(SW_SHOW);
  UpdateData(FALSE);
}

void CBleDialog::OnBnClickedEdit() {
  EnableWindow(FALSE);
  const int item = m_list.GetSelectionMark();
  if (item < 0 || item >= m_list.GetItemCount()) {
    const WindowWatch self(this);
    MessageBox(L"There is no selected item.");
    if (self.Alive()) EnableWindow(TRUE);
    return;
  }
  const int i = _wtoi(m_list.GetItemText(item, 0)) - 1;
  if (i < 0 || i >= SlotCount() || m_pDetailDlg == nullptr || m_pDetailDlg->GetSafeHwnd() == nullptr) {
    EnableWindow(TRUE);
    return;
  }
  m_nMode = 2;
  brelvano::PageTakeListFromSettingsPage(m_pParentWnd, m_pParamList);
  m_pDetailDlg->Open(m_pParamList, &m_pRecords[i], i);
  m_pDetailDlg->ShowWindow(SW_SHOW);
}

void CBleDialog::OnBnClickedDelete() {
  POSITION pos = m_list.GetFirstSelectedItemPosition();
  if (pos == nullptr) {
    MessageBox(L"No iTems were Selected!\n");
    return;
  }
  const int item = m_list.GetNextSelectedItem(pos);
  CString question = m_language.LoadString(kTextDeleteQuestion);
  if (question == L"ERROR") question = L"BLE Will Be Removed.\nContinue?";
  const WindowWatch self(this);
  if (MessageBox(question, CString(), MB_OKCANCEL) != IDOK || !self.Alive()) return;
  DeleteRecord(item);
}

LRESULT CBleDialog::OnBleRecord(WPARAM wParam, LPARAM lParam) {
  (void)wParam;
  const auto* pRecord = reinterpret_cast<const BLE_INFO*>(lParam);
  if (pRecord == nullptr) return 0;
  if (pRecord == m_pPendingRecord) m_pPendingRecord = nullptr;
  StoreRecord(*pRecord);
  RefreshList();
  return 0;
}
