// CGeofenceDialog (see geofencedlg.h).
#include "gui/dlg/geofencedlg.h"

#include "gui/dlg/pagehelpers.h"
#include "gui/dlg/pagemessages.h"
#include "platform/trace.h"

BEGIN_MESSAGE_MAP(CGeofenceDialog, CDialog)
  ON_WM_CLOSE()
  ON_MESSAGE(WM_GEOFENCE_RECORD, &CGeofenceDialog::OnGeofenceRecord)
END_MESSAGE_MAP()

CGeofenceDialog::CGeofenceDialog(CWnd* pParent)
    : CDialog(IDD_GEOFENCE_PAGE, pParent), m_pRecords(new GEOFENCE_INFO[kGeofenceSlots]) {}

CGeofenceDialog::~CGeofenceDialog() { delete[] m_pRecords; }

void CGeofenceDialog::DoDataExchange(CDataExchange* pDX) {
  CDialog::DoDataExchange(pDX);
  DDX_Control(pDX, IDC_GEOFENCE_LIST, m_list);
  DDX_Control(pDX, IDC_GEOFENCE_PROGRESS, m_progress);
  DDX_Control(pDX, IDC_GEOFENCE_STATUS, m_listStatus);
}

BOOL CGeofenceDialog::OnInitDialog() {
  CDialog::OnInitDialog();
  brelvano::SetPageButtonTexts(*this, *this, IDC_GEOFENCE_ADD, IDC_GEOFENCE_EDIT, IDC_GEOFENCE_DELETE);
  m_list.SetExtendedStyle(LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
  m_progress.ShowWindow(SW_HIDE);
  ResetRecords();
  return TRUE;
}

BOOL CGeofenceDialog::PreTranslateMessage(MSG* pMsg) {
  if (brelvano::IsPageSwallowedKey(pMsg)) return TRUE;
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
  BuildColumns();
}

void CGeofenceDialog::ResetPage() {
  m_nSelected = -1;
  m_nMode = 0;
  m_pPendingRecord = nullptr;
  m_strMapLat.Empty();
  m_strMapLng.Empty();
}

void CGeofenceDialog::ResetRecords() {
  const int limit = GetSlotLimit();
  for (int i = 0; i < limit && i < kGeofenceSlots; ++i) m_pRecords[i] = GEOFENCE_INFO();
  m_nRowCount = 0;
}

void CGeofenceDialog::BuildColumns() { brelvano::BuildParamColumns(m_list, m_pParams, m_pParentWnd); }

void CGeofenceDialog::RefreshList() {
  if (m_list.GetSafeHwnd() == nullptr) return;
  m_list.DeleteAllItems();
  m_nRowCount = 0;
  const int limit = GetSlotLimit();
  for (int i = 0; i < limit && i < kGeofenceSlots; ++i) {
    const GEOFENCE_INFO& r = m_pRecords[i];
    if (!r.bUsed) continue;
    CString number;
    number.Format(L"%d", r.nId);
    const int row = m_list.InsertItem(m_nRowCount, number);
    if (row < 0) continue;
    ++m_nRowCount;
    m_list.SetItemText(row, 1, r.bUsed ? CString(L"O") : CString());
    // The values in the order of the parameter columns: position, radius, alarms, further values.
    std::vector<CString> values = {r.strLatitude, r.strLongitude, r.strRadius, r.bIn ? CString(L"1") : CString(L"0"),
                                   r.bOut ? CString(L"1") : CString(L"0")};
    for (const CString& extra : brelvano::SplitJoinedValues(r.strExtra, L';')) values.push_back(extra);
    brelvano::SetRowValues(m_list, row, values);
  }
}

BOOL CGeofenceDialog::StoreRecord(const GEOFENCE_INFO& rec) {
  const BOOL bUp = IsUpMode();
  const int limit = bUp ? g_nGeofenceCount : kGeofenceSlots;
  if (rec.nId < 1 || rec.nId > limit || rec.nId > kGeofenceSlots) {
    TRACE(L"geofence record %d outside 1..%d: not stored\n", rec.nId, limit);
    return FALSE;
  }
  GEOFENCE_INFO& slot = m_pRecords[rec.nId - 1];
  slot.nId = rec.nId;
  slot.bUsed = rec.bUsed;
  slot.bIn = rec.bIn;
  slot.bOut = rec.bOut;
  slot.strLatitude = rec.strLatitude;
  slot.strLongitude = rec.strLongitude;
  slot.strRadius = rec.strRadius;
  slot.strExtra = rec.strExtra;
  if (bUp) {
    for (int i = 0; i < kFieldFormats; ++i) slot.formats[i] = rec.formats[i];
  }
  return TRUE;
}

void CGeofenceDialog::AddStatusLine(const CString& strLine) {
  if (m_listStatus.GetSafeHwnd() == nullptr) return;
  const int index = m_listStatus.InsertString(-1, strLine);
  if (index >= 0) m_listStatus.SetCurSel(index);
}

LRESULT CGeofenceDialog::OnGeofenceRecord(WPARAM wParam, LPARAM lParam) {
  (void)wParam;
  const auto* pRecord = reinterpret_cast<const GEOFENCE_INFO*>(lParam);
  if (pRecord == nullptr) return 0;
  if (StoreRecord(*pRecord)) RefreshList();
  return 0;
}
