// CSettingDialog: the polygon zone list of a polygon page. The list is read from the device zone by
// zone ($-command set) or by the tab activation (numbered-parameter set); a zone finished in the
// wizard is stored in the main window's zone table and written; DELETE removes the selected zones
// on the device, one command every 100 ms with the window messages handled in between.
#include <algorithm>
#include <vector>

#include "gui/dlg/brelvanodlg.h"
#include "gui/dlg/polygonrecords.h"
#include "gui/dlg/settingdlg.h"
#include "platform/crt.h"
#include "platform/modal.h"
#include "platform/pumpwait.h"
#include "platform/trace.h"

namespace {
constexpr UINT kTextDeleteQuestion = 1017;
constexpr DWORD kDeletePauseMs = 100;
constexpr DWORD kPointWaitMs = 5000;
constexpr int kProgressFromRows = 10;

// The zone settings' sub-group.
const SUBGROUP_PARAM& ZoneSubGroup(const PARAM_INFO* p) { return p->subGroups[1]; }

CString RowNumber(int n) {
  CString text;
  text.Format(L"%02d", n);
  return text;
}
}  // namespace

void CSettingDialog::BuildPolygonPage() {
  m_nRowCount = 0;
  PlaceSendButton();
  CBrelvanoDlg* pMain = MainWindow();
  // The list's columns: the options of the zone sub-group's column-title parameter.
  if (m_pParamList != nullptr && m_listPolygon.GetSafeHwnd() != nullptr) {
    for (POSITION pos = m_pParamList->GetHeadPosition(); pos != nullptr;) {
      auto* pParam = static_cast<PARAM_INFO*>(m_pParamList->GetNext(pos));
      const SUBGROUP_PARAM& sub = ZoneSubGroup(pParam);
      if (sub.nId != 1 || sub.nCtrlType != CTRL_SHEET) continue;
      m_listPolygon.DeleteAllItems();
      while (m_listPolygon.DeleteColumn(0)) {
      }
      m_nPolygonColumns = 0;
      for (int i = 0; i < sub.nOptions && sub.pOptions != nullptr; ++i)
        m_listPolygon.InsertColumn(m_nPolygonColumns++, sub.pOptions[i].strText, LVCFMT_CENTER, 200);
      m_listPolygon.SetExtendedStyle(LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
      break;
    }
  }
  if (pMain == nullptr || pMain->m_nPolygonReadIndex == 0) return;
  if (m_bKeepPolygonList) {
    FillPolygonGroupList();
  } else if (m_bUpMode) {
    if (g_bFileMode) FillPolygonGroupList();
    else pMain->m_bPolygonListDone = TRUE;
  } else {
    StartPolygonListRead();
  }
  if (m_bUpMode) EnablePolygonButtons(TRUE);
}

void CSettingDialog::StartPolygonListRead() {
  CBrelvanoDlg* pMain = MainWindow();
  if (pMain == nullptr) return;
  EnablePolygonButtons(FALSE);
  EnableMainTabControl(FALSE);
  m_nUsedPoints = 0;
  pMain->m_bPolygonListDone = FALSE;
  CString request = brelvano::BuildPolygonRequest(L"GetPolygonGroupInfo", pMain->m_nPolygonReadIndex);
  pMain->SendMessage(WM_SEND_FRAMED_COMMAND, 0, reinterpret_cast<LPARAM>(&request));
}

void CSettingDialog::FillPolygonGroupList() {
  CBrelvanoDlg* pMain = MainWindow();
  if (pMain == nullptr || m_listPolygon.GetSafeHwnd() == nullptr) return;
  m_listPolygon.DeleteAllItems();
  if (pMain->m_pPolygonTable == nullptr) return;
  const int nFirst = pMain->m_nPolygonMin > 0 ? pMain->m_nPolygonMin - 1 : 0;
  for (int i = nFirst; i < pMain->m_nPolygonMax; ++i) {
    if (pMain->m_pPolygonTable[i].nPointCount <= 0) continue;
    m_nPolygonMode = 0;
    SetPolygonListRow(pMain->m_pPolygonTable[i]);
  }
}

void CSettingDialog::SetPolygonListRow(const POLYGON_INFO& zone) {
  if (m_listPolygon.GetSafeHwnd() == nullptr) return;
  int row = m_listPolygon.GetItemCount();
  if (m_nPolygonMode == 1 && m_nEditRow >= 0 && m_nEditRow < row) {
    row = m_nEditRow;
    m_listPolygon.SetItemText(row, 0, RowNumber(zone.nIndex));
  } else {
    row = m_listPolygon.InsertItem(row, RowNumber(zone.nIndex));
  }
  if (m_bUpMode) {
    m_listPolygon.SetItemText(row, 1, zone.bUpRole1 ? L"O" : L"X");
    m_listPolygon.SetItemText(row, 2, zone.bUpRole2 ? L"O" : L"X");
  } else {
    m_listPolygon.SetItemText(row, 1, zone.strRole11);
    m_listPolygon.SetItemText(row, 2, zone.bActive == 1 ? L"O" : L"X");
    if (m_nPolygonColumns > 3) {
      CString count;
      count.Format(L"%d", zone.nPointCount);
      m_listPolygon.SetItemText(row, 3, count);
    }
  }
  m_listPolygon.EnsureVisible(row, FALSE);
}

void CSettingDialog::SortPolygonList() {
  const int rows = m_listPolygon.GetItemCount();
  const int columns = std::max(m_nPolygonColumns, 1);
  std::vector<std::vector<CString>> texts(static_cast<size_t>(rows));
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < columns; ++c) texts[static_cast<size_t>(r)].push_back(m_listPolygon.GetItemText(r, c));
  // Texts are compared, so "02" comes before "10" and "100" before "99".
  std::stable_sort(texts.begin(), texts.end(), [](const std::vector<CString>& a, const std::vector<CString>& b) {
    return a[0] < b[0];
  });
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < columns; ++c) m_listPolygon.SetItemText(r, c, texts[static_cast<size_t>(r)][static_cast<size_t>(c)]);
  if (rows > 0) m_listPolygon.EnsureVisible(rows - 1, FALSE);
}

void CSettingDialog::RefreshPolygonFromRecord(POLYGON_INFO* pZone) {
  if (pZone == nullptr) return;
  SetPolygonListRow(*pZone);
  SortPolygonList();
}

void CSettingDialog::SetMapPointText() {
  m_strMapPointText = brelvano::PointTextFromPolygonBlocks(m_pPointBlocks, m_nPointBlockCount);
}

int CSettingDialog::FindFreePolygonIndex() {
  CBrelvanoDlg* pMain = MainWindow();
  if (pMain == nullptr) return 0;
  const int rows = m_listPolygon.GetItemCount();
  int i = pMain->m_nPolygonMin > 0 ? pMain->m_nPolygonMin - 1 : 0;
  for (; i < pMain->m_nPolygonMax; ++i) {
    const int n = i < rows ? _wtoi(m_listPolygon.GetItemText(i, 0)) : 0;
    if (n != i + 1) break;
  }
  return i;
}

int CSettingDialog::GetUsedPointCount() {
  CBrelvanoDlg* pMain = MainWindow();
  if (pMain == nullptr || pMain->m_pPolygonTable == nullptr) return 0;
  const int mark = m_listPolygon.GetSelectionMark();
  const int selected = mark >= 0 ? _wtoi(m_listPolygon.GetItemText(mark, 0)) : 0;
  int sum = 0;
  for (int i = pMain->m_nPolygonMin > 0 ? pMain->m_nPolygonMin - 1 : 0; i < pMain->m_nPolygonMax; ++i) {
    if (m_bExcludeEdited && i == selected - 1) continue;
    if (pMain->m_pPolygonTable[i].nPointCount > 0) sum += pMain->m_pPolygonTable[i].nPointCount;
  }
  return sum;
}

void CSettingDialog::SubmitPolygon(CString pointText, CString countText, POLYGON_INFO zone) {
  try {
    CBrelvanoDlg* pMain = MainWindow();
    const int n = _wtoi(countText);
    if (n <= 0 || pMain == nullptr || pMain->m_pPolygonTable == nullptr) return;
    if (zone.nIndex < 1 || zone.nIndex > pMain->m_nPolygonMax) {
      TRACE(L"SubmitPolygon: zone %d outside the zone table\n", zone.nIndex);
      return;
    }
    const std::vector<POLYGON_POINT_BLOCK> blocks = brelvano::PolygonBlocksFromPointText(pointText, n, zone.nIndex);
    delete[] m_pPointBlocks;
    m_nPointBlockCount = static_cast<int>(blocks.size());
    m_nPointBlocksRead = 0;
    m_pPointBlocks = new POLYGON_POINT_BLOCK[blocks.size()];
    std::copy(blocks.begin(), blocks.end(), m_pPointBlocks);
    if (g_bFileMode && zone.nIndex <= kPointListZones) {
      if (pMain->m_pPolygonPointLists == nullptr) pMain->m_pPolygonPointLists = new POLYGON_POINT_LIST[kPointListZones];
      POLYGON_POINT_LIST& list = pMain->m_pPolygonPointLists[zone.nIndex - 1];
      // A list holds at most kPointListPoints points; further points are not kept.
      const int kept = std::min(n, kPointListPoints);
      for (int p = 0; p < kept; ++p) {
        list.strLng[p] = blocks[static_cast<size_t>(p / kPointsPerBlock)].point[p % kPointsPerBlock].strLng;
        list.strLat[p] = blocks[static_cast<size_t>(p / kPointsPerBlock)].point[p % kPointsPerBlock].strLat;
      }
      list.nCount = kept;
    }
    m_nCurrentPolygon = zone.nIndex;
    zone.nPointCount = n;
    pMain->m_pPolygonTable[zone.nIndex - 1] = zone;
    if (m_bUpMode) {
      if (g_bFileMode) {
        SendMessage(WM_POLYGON_LIST_UPDATE, 0, 0);
        return;
      }
      POLYGON_INFO copy = zone;
      pMain->SendMessage(WM_WRITE_POLYGON_POINTS, reinterpret_cast<WPARAM>(&copy), reinterpret_cast<LPARAM>(&pointText));
      if (pMain->m_hPolygonReadEvent != nullptr) {
        ResetEvent(pMain->m_hPolygonReadEvent);
        pMain->ArmReplyWatchdog();
        pMain->WaitForReply(pMain->m_hPolygonReadEvent);
      }
      pMain->SendMessage(WM_WRITE_POLYGON_ZONE, reinterpret_cast<WPARAM>(&copy), 0);
      return;
    }
    pMain->StartPolygonWrite(zone.nIndex);
  } catch (...) {
    TRACE(L"ERROR %s %d\n", CString(__FILE__), __LINE__);
  }
}

void CSettingDialog::DeletePolygonZone(int nZone) {
  CBrelvanoDlg* pMain = MainWindow();
  if (pMain == nullptr) return;
  if (m_bUpMode) {
    CString line = brelvano::BuildNumberedPolygonDeleteLine(m_pDefHeader != nullptr ? m_pDefHeader->strI : CString(),
                                                            nZone, pMain->RowValuesToHex(L"53"));
    pMain->SendMessage(WM_SEND_TAB_COMMAND, 0, reinterpret_cast<LPARAM>(&line));
    if (pMain->m_pPolygonTable != nullptr && nZone >= 1 && nZone <= pMain->m_nPolygonMax)
      brelvano::ClearNumberedPolygonZone(pMain->m_pPolygonTable[nZone - 1]);
  } else {
    CString request = brelvano::BuildPolygonRequest(L"ErasePolygonGroup", nZone);
    pMain->SendMessage(WM_SEND_FRAMED_COMMAND, 0, reinterpret_cast<LPARAM>(&request));
  }
}

void CSettingDialog::OnAddPolygon() {
  CBrelvanoDlg* pMain = MainWindow();
  if (pMain == nullptr) return;
  m_nPolygonMode = 0;
  if (FindFreePolygonIndex() >= pMain->m_nPolygonMax) {
    AfxMessageBox(L"can not be added to the polygon.", MB_OK);
    return;
  }
  m_bExcludeEdited = FALSE;
}

// EDIT asks the device for the zone's points; the wizard shows them on the map. The wait ends at
// the first point reply or after kPointWaitMs without one.
void CSettingDialog::OnEditPolygon() {
  try {
    CBrelvanoDlg* pMain = MainWindow();
    m_nPolygonMode = 1;
    const int mark = m_listPolygon.GetSelectionMark();
    if (pMain == nullptr || pMain->m_pPolygonTable == nullptr || mark < 0) return;
    const int n = _wtoi(m_listPolygon.GetItemText(mark, 0));
    if (n < 1 || n > pMain->m_nPolygonMax) return;
    m_nEditRow = mark;
    m_nPointBlocksRead = 0;
    m_nPointBlockCount = brelvano::PolygonBlockCount(pMain->m_pPolygonTable[n - 1].nPointCount);
    if (g_bFileMode) return;
    delete[] m_pPointBlocks;
    m_pPointBlocks = new POLYGON_POINT_BLOCK[static_cast<size_t>(m_nPointBlockCount)];
    m_strMapPointText.Empty();
    if (m_bUpMode) {
      pMain->SendPolygonPointsReadRequest(n, pMain->m_pPolygonTable[n - 1].nPointCount);
      return;
    }
    m_bExcludeEdited = TRUE;
    CString request = brelvano::BuildPolygonRequest(L"GetPolygonGroupPos", n);
    // Sent at once, not through the one-slot queue; its reply is taken like a queued command's.
    pMain->m_strLastCommand = pMain->PrefixFramedCommand(pMain->BuildTabCommand(request, pMain->m_nCmdTab));
    pMain->TransmitCommand(pMain->m_strLastCommand);
    m_bWaitPoints = TRUE;
    if (pMain->m_hPolygonReadEvent != nullptr) {
      ResetEvent(pMain->m_hPolygonReadEvent);
      if (platform::WaitPumping(pMain->m_hPolygonReadEvent, kPointWaitMs) != WAIT_OBJECT_0)
        pMain->AddLog(L"The zone's points did not come from the device.");
    }
    m_bWaitPoints = FALSE;
  } catch (...) {
    TRACE(L"ERROR %s %d\n", CString(__FILE__), __LINE__);
  }
}

void CSettingDialog::OnDeletePolygon() {
  try {
    const int mark = m_listPolygon.GetSelectionMark();
    if (mark < 0 || m_listPolygon.GetSelectedCount() == 0) return;
    if (_wtoi(m_listPolygon.GetItemText(mark, 0)) == 0) return;
    if (AfxMessageBox(LanguageText(kTextDeleteQuestion, L"Geofence Will Be Removed.\nContinue?"), MB_OKCANCEL) != IDOK)
      return;
    m_nPolygonMode = 2;
    const int selected = static_cast<int>(m_listPolygon.GetSelectedCount());
    const bool progress = selected > kProgressFromRows;
    const double step = progress ? 100.0 / selected : 0.0;
    if (progress) {
      m_progress.SetPos(0);
      m_progress.ShowWindow(SW_SHOW);
    }
    HANDLE pause = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    int deleted = 0;
    for (int row = m_listPolygon.GetNextItem(-1, LVNI_SELECTED); row >= 0;
         row = m_listPolygon.GetNextItem(-1, LVNI_SELECTED)) {
      const int n = _wtoi(m_listPolygon.GetItemText(row, 0));
      m_listPolygon.DeleteItem(row);
      if (progress) m_progress.SetPos(static_cast<int>(deleted * step));
      ++deleted;
      if (n >= 1) DeletePolygonZone(n);
      // The transmitter keeps one command: each goes out before the next is queued, also when a
      // busy message loop has not reached the transmit timer within the pause.
      platform::WaitPumping(pause, kDeletePauseMs);
      if (GetSafeHwnd() == nullptr) break;
      if (CBrelvanoDlg* pMain = MainWindow()) pMain->SendQueuedCommandNow();
    }
    CloseHandle(pause);
    if (progress) m_progress.ShowWindow(SW_HIDE);
  } catch (...) {
    TRACE(L"ERROR %s %d\n", CString(__FILE__), __LINE__);
  }
}
