// CGeofenceDialog (see geofencedlg.h).
#include "gui/dlg/geofencedlg.h"

#include <algorithm>
#include <cmath>

#include "gui/dlg/brelvanodlg.h"
#include "gui/dlg/geodetaildlg.h"
#include "gui/dlg/mapdlg.h"
#include "gui/dlg/numberedvalues.h"
#include "gui/dlg/pagehelpers.h"
#include "gui/dlg/pagemessages.h"
#include "gui/dlg/valuecodec.h"
#include "gui/dlg/windowwatch.h"
#include "platform/crt.h"
#include "platform/gdi.h"
#include "platform/modal.h"
#include "platform/trace.h"
#include "platform/windowlife.h"

namespace {
// Texts of the language library.
constexpr UINT kTextDeleteConfirm = 1017;
// Extra width of a column beside its title.
constexpr int kColumnPadding = 37;
// Column positions of the row builder.
constexpr int kColumnIn = 4;
constexpr int kColumnOut = 5;
constexpr int kFirstExtraColumn = 6;
// List positions of the alarm parameters ("No", "Active", "Latitude", "Longitude", "Radius", "IN",
// "OUT" in the usual geofence definition).
constexpr int kParamIn = 5;
constexpr int kParamOut = 6;
}  // namespace

BEGIN_MESSAGE_MAP(CGeofenceDialog, CDialog)
  ON_WM_CLOSE()
  ON_MESSAGE(WM_GEOFENCE_RECORD, &CGeofenceDialog::OnGeofenceRecord)
  ON_BN_CLICKED(IDC_GEOFENCE_ADD, &CGeofenceDialog::OnBnClickedAdd)
  ON_BN_CLICKED(IDC_GEOFENCE_EDIT, &CGeofenceDialog::OnBnClickedEdit)
  ON_BN_CLICKED(IDC_GEOFENCE_DELETE, &CGeofenceDialog::OnBnClickedDelete)
  ON_NOTIFY(LVN_ITEMCHANGED, IDC_GEOFENCE_LIST, &CGeofenceDialog::OnListItemChanged)
  ON_NOTIFY(NM_CLICK, IDC_GEOFENCE_LIST, &CGeofenceDialog::OnListClick)
  ON_NOTIFY(NM_DBLCLK, IDC_GEOFENCE_LIST, &CGeofenceDialog::OnListDblClick)
  ON_WM_DESTROY()
END_MESSAGE_MAP()

CGeofenceDialog::CGeofenceDialog(CWnd* pParent)
    : CDialog(IDD_GEOFENCE_PAGE, pParent), m_pRecords(new GEOFENCE_INFO[kGeofenceSlots]) {}

CGeofenceDialog::~CGeofenceDialog() {
  DestroyChildDialogs();
  FreeColumnOptions();
  delete[] m_pRecords;
}

void CGeofenceDialog::DestroyChildDialogs() {
  // A handler of either may be waiting under this call: the objects outlive it.
  platform::DropWindowLater(m_pDetailDlg);
  platform::DropWindowLater(m_pMapDlg);
}

void CGeofenceDialog::DoDataExchange(CDataExchange* pDX) {
  CDialog::DoDataExchange(pDX);
  DDX_Control(pDX, IDC_GEOFENCE_LIST, m_list);
  DDX_Control(pDX, IDC_GEOFENCE_PROGRESS, m_progress);
  DDX_Control(pDX, IDC_GEOFENCE_STATUS, m_listStatus);
}

BOOL CGeofenceDialog::OnInitDialog() {
  CDialog::OnInitDialog();
  m_bUpProtocol = IsUpMode();
  ResetRecords();
  m_list.SetExtendedStyle(LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
  m_progress.ShowWindow(SW_HIDE);
  brelvano::PlaceRecordPageButtons(*this, GetPageHeight(), IDC_GEOFENCE_ADD, IDC_GEOFENCE_EDIT, IDC_GEOFENCE_DELETE);
  brelvano::PlaceRecordPageList(*this, m_list, m_progress);
  PlaceStatusList();
  // Step 1 of ADD and EDIT, hidden until used. The map dialog (step 2) is made on first need: its
  // web page is the costly part of the page. Both are windows of their own (the page is disabled
  // while they are open, and the map is larger than the page), and give the page back when they end.
  EnableWindow(FALSE);
  m_pDetailDlg = new CGeoDetailDlg(this);
  if (!m_pDetailDlg->Create(IDD_GEOFENCE_DETAIL, nullptr)) TRACE(L"geofence detail dialog: no window\n");
  m_pDetailDlg->ShowWindow(SW_HIDE);
  EnableWindow(TRUE);
  RefreshList();
  brelvano::SetPageButtonTexts(*this, *this, IDC_GEOFENCE_ADD, IDC_GEOFENCE_EDIT, IDC_GEOFENCE_DELETE);
  return TRUE;
}

CMapDialog* CGeofenceDialog::MapDialog() {
  if (m_pMapDlg != nullptr) return m_pMapDlg;
  if (GetSafeHwnd() == nullptr) return nullptr;
  m_pMapDlg = new CMapDialog(this);
  if (!m_pMapDlg->Create(IDD_GEOFENCE_MAP, nullptr)) {
    TRACE(L"geofence map dialog: no window\n");
    delete m_pMapDlg;
    m_pMapDlg = nullptr;
    return nullptr;
  }
  m_pMapDlg->ShowWindow(SW_HIDE);
  m_pMapDlg->SetDeviceInfo(m_pDeviceInfo, m_pDefHeader);
  m_pMapDlg->WaitForPage();
  return m_pMapDlg;
}

BOOL CGeofenceDialog::PreTranslateMessage(MSG* pMsg) {
  if (brelvano::IsPageSwallowedKey(pMsg)) return TRUE;
  if (pMsg->message == WM_RBUTTONDOWN) {
    // The page call waits: the page may end in it, and then takes nothing more.
    const WindowWatch self(this);
    SetDistMeter();
    if (!self.Alive()) return TRUE;
  }
  return CDialog::PreTranslateMessage(pMsg);
}

void CGeofenceDialog::OnClose() { DestroyWindow(); }

BOOL CGeofenceDialog::IsUpMode() const { return brelvano::PageParentUsesUpProtocol(m_pParentWnd) ? TRUE : FALSE; }

int CGeofenceDialog::GetSlotLimit() const { return IsUpMode() ? g_nGeofenceCount : kGeofenceSlots; }

void CGeofenceDialog::SetDeviceInfo(DEVICE_INFO* pDeviceInfo, DEF_HEADER* pDefHeader) {
  m_pDeviceInfo = pDeviceInfo;
  m_pDefHeader = pDefHeader;
}

void CGeofenceDialog::SetPageDefinition(GEO_GROUP_INFO group, CPtrList* pParams) {
  m_groupInfo = group;
  m_pParams = pParams;
  FreeColumnOptions();
  for (POSITION pos = pParams != nullptr ? pParams->GetHeadPosition() : nullptr; pos != nullptr;) {
    const auto* p = static_cast<const PARAM_INFO*>(pParams->GetNext(pos));
    if (!HasColumn(p)) continue;
    CStringArray* options = nullptr;
    if (p->strName.Find(L"ID") >= 0) {
      // A definition's range is not trusted: never more numbers than there are slots.
      const long long count = static_cast<long long>(group.nMax) - group.nMin + 1;
      if (count > kGeofenceSlots) TRACE(L"geofence id range %d..%d cut to %d numbers\n", group.nMin, group.nMax, kGeofenceSlots);
      options = new CStringArray;
      for (long long k = 0; k < std::min<long long>(count, kGeofenceSlots); ++k) {
        CString number;
        number.Format(L"%d", static_cast<int>(group.nMin + k));
        options->Add(number);
      }
    } else if (p->nCtrlType == 0 && p->pOptions != nullptr && p->nOptions > 0) {
      options = new CStringArray;
      for (int o = 0; o < p->nOptions; ++o) options->Add(brelvano::PageTranslate(m_pParentWnd, p->pOptions[o].strText));
    }
    m_columnOptions.push_back(options);
  }
  BuildColumns();
}

void CGeofenceDialog::FreeColumnOptions() {
  for (CStringArray* options : m_columnOptions) delete options;
  m_columnOptions.clear();
}

void CGeofenceDialog::OnListItemChanged(NMHDR* pNMHDR, LRESULT* pResult) {
  const auto* change = reinterpret_cast<const NMLISTVIEW*>(pNMHDR);
  if (change != nullptr) {
    m_nSelected = change->iItem;
    TRACE(L"Item %d Selected!!\n", change->iItem);
  }
  if (pResult != nullptr) *pResult = 0;
}

void CGeofenceDialog::RememberClickedRow(const NMHDR* pNMHDR) {
  const auto* activate = reinterpret_cast<const NMITEMACTIVATE*>(pNMHDR);
  m_clickedRowTexts.clear();
  if (activate == nullptr || activate->iItem < 0 || activate->iItem >= m_list.GetItemCount()) return;
  const int columns = m_list.GetHeaderCtrl() != nullptr ? m_list.GetHeaderCtrl()->GetItemCount() : 0;
  for (int c = 0; c < columns; ++c) m_clickedRowTexts.push_back(m_list.GetItemText(activate->iItem, c));
}

void CGeofenceDialog::OnListClick(NMHDR* pNMHDR, LRESULT* pResult) {
  RememberClickedRow(pNMHDR);
  if (pResult != nullptr) *pResult = 0;
}

void CGeofenceDialog::OnListDblClick(NMHDR* pNMHDR, LRESULT* pResult) {
  RememberClickedRow(pNMHDR);
  if (pResult != nullptr) *pResult = 0;
}

void CGeofenceDialog::OnDestroy() {
  // The detail and map dialogs are windows of their own: they go with the page's window.
  DestroyChildDialogs();
  FreeColumnOptions();
  CDialog::OnDestroy();
}

void CGeofenceDialog::ResetPage() {
  ResetRecords();
  m_nSelected = -1;
  m_nMode = 0;
  m_pPendingRecord = nullptr;
  m_strMapLat.Empty();
  m_strMapLng.Empty();
}

void CGeofenceDialog::ResetRecords() {
  const BOOL bUp = IsUpMode();
  const int limit = std::min(GetSlotLimit(), static_cast<int>(kGeofenceSlots));
  for (int i = 0; i < limit; ++i) {
    GEOFENCE_INFO& r = m_pRecords[i];
    r.nId = r.bUsed = r.bIn = r.bOut = 0;
    r.strLatitude.Empty();
    r.strLongitude.Empty();
    r.strRadius.Empty();
    r.strExtra.Empty();
    if (bUp) {
      for (FIELD_FORMAT& f : r.formats) f = FIELD_FORMAT();
    }
  }
  m_nRowCount = 0;
}

PARAM_INFO* CGeofenceDialog::ParamAt(int nPos) const {
  if (m_pParams == nullptr || nPos < 0 || nPos >= m_pParams->GetCount()) return nullptr;
  return static_cast<PARAM_INFO*>(m_pParams->GetAt(m_pParams->FindIndex(nPos)));
}

BOOL CGeofenceDialog::IsParamSwitchedOff(const PARAM_INFO* p) const {
  if (!IsUpMode() || p == nullptr || p->strConfig.IsEmpty()) return FALSE;
  // The switch of the parameter is a parameter of tab 90 named by its configuration text.
  const auto* main = dynamic_cast<const CBrelvanoDlg*>(m_pParentWnd);
  if (main == nullptr) return FALSE;
  DefinitionView def;
  def.pTabs = main->m_tabInfo;
  def.pLists = main->m_pParamLists;
  def.nTabCount = main->m_nTabCount;
  return IsRowSwitchOn(def, p->strConfig) ? FALSE : TRUE;
}

BOOL CGeofenceDialog::HasColumn(const PARAM_INFO* p) const {
  return p != nullptr && !IsParamSwitchedOff(p) && p->strName != L"Active";
}

void CGeofenceDialog::BuildColumns() {
  if (m_list.GetSafeHwnd() == nullptr) return;
  m_list.DeleteAllItems();
  m_list.DeleteAllColumns();
  m_nRowCount = 0;
  if (m_pParams == nullptr) return;
  CClientDC dc(&m_list);
  CFont* font = GetFont();
  CFont* old = font != nullptr ? dc.SelectObject(font) : nullptr;
  int column = 0;
  for (POSITION pos = m_pParams->GetHeadPosition(); pos != nullptr;) {
    const auto* p = static_cast<const PARAM_INFO*>(m_pParams->GetNext(pos));
    if (!HasColumn(p)) continue;
    const int width = dc.GetTextExtent(p->strName).cx + kColumnPadding;
    m_list.InsertColumn(column, brelvano::PageTranslate(m_pParentWnd, p->strName), LVCFMT_CENTER, width);
    // The list only shows the records: they change through the detail dialog.
    m_list.SetColumnReadOnly(column++);
  }
  if (old != nullptr) dc.SelectObject(old);
  m_list.SetExtendedStyle(LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
  brelvano::PlaceRecordPageList(*this, m_list, m_progress);
  PlaceStatusList();
}

// The translated text of the option at a position of a parameter's list (empty when there is none).
static CString OptionTextAt(const PARAM_INFO* p, int nPos, const CWnd* pParent) {
  if (p == nullptr || p->pOptions == nullptr || nPos < 0 || nPos >= p->nOptions) return CString();
  return brelvano::PageTranslate(pParent, p->pOptions[nPos].strText);
}

void CGeofenceDialog::AddRow(const GEOFENCE_INFO& r) {
  const int row = m_nRowCount;
  CString number;
  number.Format(L"%d", r.nId);
  if (m_list.InsertItem(row, number) < 0) return;
  m_list.SetItemText(row, 1, r.strLatitude);
  m_list.SetItemText(row, 2, r.strLongitude);
  m_list.SetItemText(row, 3, r.strRadius);
  m_list.SetItemText(row, kColumnIn, OptionTextAt(ParamAt(kParamIn), r.bIn, m_pParentWnd));
  m_list.SetItemText(row, kColumnOut, OptionTextAt(ParamAt(kParamOut), r.bOut, m_pParentWnd));
  const int fields = CountFields(r.strExtra, L';');
  for (int k = 1; k < fields; ++k) {
    const CString v = GetField(r.strExtra, k + 1, L';');
    CString cell;
    if (IsUpMode()) {
      const CString t = brelvano::ShownDecimal(v);
      const PARAM_INFO* p = ParamAt(k + kParamOut);
      if (p != nullptr && p->nCtrlType == 0) {
        for (int o = 0; o < p->nOptions && p->pOptions != nullptr; ++o) {
          if (p->pOptions[o].nValue == _wtoi(t)) cell = brelvano::PageTranslate(m_pParentWnd, p->pOptions[o].strText);
        }
      } else {
        cell = brelvano::PageTranslate(m_pParentWnd, t);
      }
    } else {
      cell = brelvano::PageTranslate(m_pParentWnd, v);
    }
    m_list.SetItemText(row, k + kFirstExtraColumn - 1, cell);
  }
  ++m_nRowCount;
  m_list.EnsureVisible(row, FALSE);
}

void CGeofenceDialog::RefreshList() {
  if (m_list.GetSafeHwnd() == nullptr) return;
  m_list.DeleteAllItems();
  m_nRowCount = 0;
  const BOOL bUp = IsUpMode();
  const int limit = std::min(GetSlotLimit(), static_cast<int>(kGeofenceSlots));
  for (int i = 0; i < limit; ++i) {
    const GEOFENCE_INFO& r = m_pRecords[i];
    if (!r.bUsed) continue;
    if (bUp && r.bIn == 0 && r.bOut == 0) continue;
    AddRow(r);
  }
  m_nSelected = -1;
}

BOOL CGeofenceDialog::StoreRecord(const GEOFENCE_INFO& rec) {
  const BOOL bUp = IsUpMode();
  const int limit = bUp ? g_nGeofenceCount : kGeofenceSlots;
  if (rec.nId < 1 || rec.nId > limit || rec.nId > kGeofenceSlots) {
    TRACE(L"geofence record %d outside 1..%d: not stored\n", rec.nId, limit);
    return FALSE;
  }
  CopyGeofenceIntoSlot(m_pRecords[rec.nId - 1], rec, bUp);
  return TRUE;
}

void CopyGeofenceIntoSlot(GEOFENCE_INFO& slot, const GEOFENCE_INFO& rec, BOOL bFormats) {
  slot.nId = rec.nId;
  slot.bUsed = rec.bUsed;
  slot.bIn = rec.bIn;
  slot.bOut = rec.bOut;
  slot.strLatitude = rec.strLatitude;
  slot.strLongitude = rec.strLongitude;
  slot.strRadius = rec.strRadius;
  slot.strExtra = rec.strExtra;
  if (bFormats) {
    for (int i = 0; i < kFieldFormats; ++i) slot.formats[i] = rec.formats[i];
  }
}

void CGeofenceDialog::SetReadTotal(int nTotal) {
  m_nRowCount = nTotal;
  if (m_rowTexts.empty() || m_list.GetSafeHwnd() == nullptr) return;
  // Only rows the list has and texts the read brought.
  const int rows = std::min({nTotal, static_cast<int>(m_rowTexts.size()), m_list.GetItemCount()});
  for (int i = 0; i < rows; ++i) {
    const int fields = CountFields(m_rowTexts[i], L';');
    for (int j = 0; j < fields; ++j) m_list.SetItemText(i, j, GetField(m_rowTexts[i], j, L';'));
  }
}

void CGeofenceDialog::AddStatusLine(const CString& strLine) {
  // A device that sends more lines than it has geofences is not followed further.
  if (m_rowTexts.size() < static_cast<size_t>(kGeofenceSlots)) m_rowTexts.push_back(strLine);
  if (m_listStatus.GetSafeHwnd() == nullptr) return;
  const int index = m_listStatus.InsertString(-1, strLine);
  if (index >= 0) m_listStatus.SetCurSel(index);
}

void CGeofenceDialog::PlaceStatusList() {
  // The received list lines, between the progress bar and the list and as wide as the list.
  if (m_listStatus.GetSafeHwnd() == nullptr || m_list.GetSafeHwnd() == nullptr) return;
  CRect list;
  m_list.GetWindowRect(&list);
  ScreenToClient(&list);
  CRect progress;
  m_progress.GetWindowRect(&progress);
  ScreenToClient(&progress);
  m_listStatus.MoveWindow(list.left, progress.bottom + 5, list.Width(), list.top - progress.bottom - 10);
}

void CGeofenceDialog::ClearStatusLines() {
  m_rowTexts.clear();
  if (m_listStatus.GetSafeHwnd() != nullptr) m_listStatus.ResetContent();
}

LRESULT CGeofenceDialog::OnGeofenceRecord(WPARAM wParam, LPARAM lParam) {
  (void)wParam;
  const auto* pRecord = reinterpret_cast<const GEOFENCE_INFO*>(lParam);
  if (pRecord == nullptr) return 0;
  StoreRecord(*pRecord);
  RefreshList();
  return 0;
}

// ---- ADD, EDIT, DELETE ----

void CGeofenceDialog::OnBnClickedAdd() {
  EnableWindow(FALSE);
  // Only the numbers the detail dialog's "Geo ID" list offers can be added.
  int limit = std::min(GetSlotLimit(), static_cast<int>(kGeofenceSlots));
  if (m_groupInfo.nMax > 0) limit = std::min(limit, m_groupInfo.nMax);
  int slot = -1;
  for (int i = 0; i < limit && slot < 0; ++i) {
    if (m_pRecords[i].bUsed == 0) slot = i;
  }
  if (slot < 0 || m_pDetailDlg == nullptr) {
    const WindowWatch self(this);
    AfxMessageBox(L"All space is in use", MB_OK);
    if (self.Alive()) EnableWindow(TRUE);
    return;
  }
  m_nMode = 1;
  brelvano::PageTakeListFromSettingsPage(m_pParentWnd, m_pParams);
  m_pDetailDlg->BeginEdit(m_pParams, m_pRecords[slot], slot);
  m_pDetailDlg->SetDeviceInfo(m_pDeviceInfo, m_pDefHeader);
  EnableWindow(TRUE);
  m_pDetailDlg->ShowWindow(SW_SHOW);
}

void CGeofenceDialog::OnBnClickedEdit() {
  EnableWindow(FALSE);
  const int row = m_list.GetSelectionMark();
  if (row < 0 || row >= m_list.GetItemCount()) {
    const WindowWatch self(this);
    AfxMessageBox(L"There is no selected item.", MB_OK);
    if (self.Alive()) EnableWindow(TRUE);
    return;
  }
  const int slot = _wtoi(m_list.GetItemText(row, 0)) - 1;
  if (slot < 0 || slot >= std::min(GetSlotLimit(), static_cast<int>(kGeofenceSlots)) || m_pDetailDlg == nullptr) {
    EnableWindow(TRUE);
    return;
  }
  m_nMode = 2;
  brelvano::PageTakeListFromSettingsPage(m_pParentWnd, m_pParams);
  m_pDetailDlg->BeginEdit(m_pParams, m_pRecords[slot], slot);
  m_pDetailDlg->SetDeviceInfo(m_pDeviceInfo, m_pDefHeader);
  // The page stays disabled until step 1 or step 2 ends.
  m_pDetailDlg->ShowWindow(SW_SHOW);
}

void CGeofenceDialog::OnBnClickedDelete() {
  POSITION pos = m_list.GetFirstSelectedItemPosition();
  if (pos == nullptr) {
    AfxMessageBox(L"No iTems were Selected!\n", MB_OK);
    return;
  }
  const int row = m_list.GetNextSelectedItem(pos);
  CString question = L"Geofence Will Be Removed.\nContinue?";
  if (LoadLanguage() != nullptr) {
    const CString text = m_language.LoadString(kTextDeleteConfirm);
    if (!text.IsEmpty()) question = text;
  }
  const WindowWatch self(this);
  if (AfxMessageBox(question, MB_OKCANCEL) != IDOK || !self.Alive()) return;
  DeleteRecord(row);
}

void CGeofenceDialog::DeleteRecord(int nRow) {
  const int id = _wtoi(m_list.GetItemText(nRow, 0));
  const int limit = std::min(GetSlotLimit(), static_cast<int>(kGeofenceSlots));
  for (int i = 0; i < limit; ++i) {
    if (m_pRecords[i].nId != id) continue;
    GEOFENCE_INFO removed = m_pRecords[i];
    removed.bUsed = removed.bIn = removed.bOut = 0;
    if (g_bFileMode) {
      // No device: the table is the user's, and it changes at once (as the map's SEND does).
      StoreRecord(removed);
      RefreshList();
      return;
    }
    // The slot itself stays as it is until the device acknowledges the removal.
    SendRecord(&removed);
    return;
  }
}

// ---- Record lines ----

BOOL CGeofenceDialog::EncodeRecord(GEOFENCE_INFO* pRecord, CString& strLine) {
  strLine.Empty();
  if (pRecord == nullptr) return FALSE;
  const GEOFENCE_INFO& r = *pRecord;
  if (IsUpMode()) {
    // The line's fields have fixed widths: a value that does not fit is refused rather than sent
    // shifting the fields after it.
    CString problem;
    const double radius = TextToDouble(r.strRadius);
    if (std::fabs(TextToDouble(r.strLatitude)) > 90.0) {
      problem = L"Latitude " + r.strLatitude;
    } else if (std::fabs(TextToDouble(r.strLongitude)) > 180.0) {
      problem = L"Longitude " + r.strLongitude;
    } else if (radius < 0.0 || radius > 65535.0) {
      problem = L"Radius " + r.strRadius;
    } else if (m_bUpProtocol) {
      const std::vector<CString> values = brelvano::SplitJoinedValues(r.strExtra, L';');
      int k = 0;
      for (const CString& v : values) {
        if (v.IsEmpty()) continue;
        const bool choice = k < kFieldFormats && r.formats[k].nType == 0;
        const bool fits = choice ? (TextToInt(v) >= 0 && TextToInt(v) <= 0xFF)
                                 : std::fabs(TextToDouble(v)) * 1000000.0 <= static_cast<double>(0x7FFFFFFF);
        if (!fits) {
          problem = v;
          break;
        }
        ++k;
      }
    }
    if (!problem.IsEmpty()) {
      AfxMessageBox(L"The value does not fit the device's geofence record: " + problem, MB_OK);
      return FALSE;
    }
    // Kept until the device acknowledges the write (the main window stores it then).
    m_pendingCopy = r;
    m_pPendingRecord = &m_pendingCopy;
    strLine = BuildPrgValueLines(r, m_bUpProtocol) + L"\r";
    return TRUE;
  }
  const CString d = m_pDefHeader != nullptr ? m_pDefHeader->strD : CString(L";");
  CString line;
  line.Format(L"%s%s%d%s%d%s%s%s%s%s%s%s%d%s%d", m_groupInfo.strHdr, d, r.nId, d, r.bUsed, d, r.strLatitude, d,
              r.strLongitude, d, r.strRadius, d, r.bIn, d, r.bOut);
  if (m_pDeviceInfo != nullptr && m_pDeviceInfo->strBuyer == L"MORVADINE") {
    // The device's default password with its separator.
    line += L";7391";
  } else {
    line += r.strExtra;
  }
  strLine = line;
  return TRUE;
}

BOOL CGeofenceDialog::SendRecord(GEOFENCE_INFO* pRecord) {
  CString line;
  if (!EncodeRecord(pRecord, line)) return FALSE;
  CWnd* main = m_pParentWnd;
  if (main == nullptr) return FALSE;
  main->SendMessage(WM_SEND_GEOFENCE_RECORD, 0, reinterpret_cast<LPARAM>(&line));
  return TRUE;
}

// ---- Map page calls ----

void CGeofenceDialog::SetDistMeter() {
  if (m_pMapDlg != nullptr && m_groupInfo.nUnit == 0) m_pMapDlg->CallScript(L"setDistMeter");
}

CString CGeofenceDialog::CallScript(const CString& name, const std::vector<CString>& args) {
  return m_pMapDlg != nullptr ? m_pMapDlg->CallScript(name, args) : CString();
}

void CGeofenceDialog::CancelAllMarker() { CallScript(L"cancelAllMarker"); }

void CGeofenceDialog::MoveMapToDefault() {
  if (m_pDeviceInfo == nullptr) return;
  CallScript(L"MoveMap", {m_pDeviceInfo->strLat, m_pDeviceInfo->strLng});
}

BOOL CGeofenceDialog::IsIdInList(int nId) {
  BOOL found = FALSE;
  const WindowWatch self(this);
  for (int i = 0; i < m_list.GetItemCount(); ++i) {
    if (_wtoi(m_list.GetItemText(i, 0)) == nId) {
      AfxMessageBox(L"same id", MB_OK);
      found = TRUE;
      if (!self.Alive()) return found;
    }
  }
  return found;
}
