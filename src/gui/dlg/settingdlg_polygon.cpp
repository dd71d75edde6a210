// CSettingDialog: the polygon zone list of a polygon page. The list is read from the device zone by
// zone ($-command set) or by the tab activation (numbered-parameter set); a zone finished in the
// wizard is stored in the main window's zone table and written; DELETE removes the selected zones
// on the device, one command every 100 ms with the window messages handled in between. Every
// handler that waits checks afterwards that the page is still there (a session that ends inside the
// wait takes the page with it).
#include <algorithm>
#include <cwchar>
#include <vector>

#include "gui/dlg/brelvanodlg.h"
#include "gui/dlg/polydetaildlg.h"
#include "gui/dlg/polygondlg.h"
#include "gui/dlg/polygonrecords.h"
#include "gui/dlg/settingdlg.h"
#include "gui/dlg/windowwatch.h"
#include "platform/clock.h"
#include "platform/crt.h"
#include "platform/modal.h"
#include "platform/pumpwait.h"
#include "platform/trace.h"

namespace {
constexpr UINT kTextDeleteQuestion = 1017;
constexpr DWORD kDeletePauseMs = 100;
constexpr DWORD kPointWaitMs = 5000;
constexpr int kProgressFromRows = 10;
// The service settings' rows.
constexpr int kServiceRows = 2;
constexpr int kServiceLeft = 50;
constexpr int kServiceTop = 50;
constexpr int kServiceRowHeight = 17;
constexpr int kServiceRowPitch = 18;
constexpr UINT kFirstValueId = 3001;
// Service setting roles: the enable choice and the value.
constexpr int kServiceEnableRole = 0;
constexpr int kServiceValueRole = 1;

// A parameter of the polygon service settings (sub-group 0).
bool IsServiceParam(const PARAM_INFO* p) {
  return p != nullptr && p->subGroups[1].nId != 1 && !p->subGroups[0].strTag.IsEmpty();
}
bool IsServiceInput(int nCtrlType) {
  return nCtrlType == CTRL_EDIT || nCtrlType == CTRL_IP || nCtrlType == CTRL_EDIT_NUMBER || nCtrlType == CTRL_PASSWD;
}

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
  BuildPolygonZoneFrame();
  BuildPolygonServiceRows(kServiceLeft, kServiceTop);
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

void CSettingDialog::BuildPolygonServiceRows(int nLeft, int nTop) {
  CBrelvanoDlg* pMain = MainWindow();
  if (m_pParamList == nullptr || GetSafeHwnd() == nullptr) return;
  // The sub-group's title, and the column widths from the longest name and option or value text.
  int longestName = 0;
  int longestValue = 0;
  for (POSITION pos = m_pParamList->GetHeadPosition(); pos != nullptr;) {
    auto* p = static_cast<PARAM_INFO*>(m_pParamList->GetNext(pos));
    if (!IsServiceParam(p)) continue;
    const SUBGROUP_PARAM& sub = p->subGroups[0];
    if (m_pServiceTitle == nullptr && !sub.strTitle.IsEmpty()) {
      CRect client;
      GetClientRect(&client);
      m_pServiceTitle = new CStatic();
      if (m_pServiceTitle->Create(sub.strTitle, WS_CHILD | WS_VISIBLE, CRect(nLeft, 5, client.Width(), 20), this)) {
        m_pServiceTitle->SetFont(&m_font);
      }
    }
    longestName = std::max(longestName, sub.strName.GetLength());
    for (int o = 0; o < sub.nOptions && sub.pOptions != nullptr; ++o)
      longestValue = std::max(longestValue, std::min(sub.pOptions[o].strText.GetLength(), 20));
    longestValue = std::max(longestValue, std::min(sub.strValue.GetLength(), 20));
  }
  const int labelWidth = std::max(6 * longestName, 100);
  const int valueWidth = std::max(6 * longestValue, 100);

  int top = nTop;
  int made = 0;
  int i = 0;
  for (POSITION pos = m_pParamList->GetHeadPosition(); pos != nullptr; ++i) {
    auto* p = static_cast<PARAM_INFO*>(m_pParamList->GetNext(pos));
    if (!IsServiceParam(p)) continue;
    if (made++ >= kServiceRows) {
      ++m_nRowCount;
      continue;
    }
    const SUBGROUP_PARAM& sub = p->subGroups[0];
    if (!sub.bReserve) {
      auto* label = new CStatic();
      if (label->Create(sub.strName, WS_CHILD | WS_VISIBLE,
                        CRect(nLeft, top, nLeft + labelWidth, top + kServiceRowHeight), this)) {
        label->SetFont(&m_font);
        p->pLabelWnd = label;
      } else {
        delete label;
      }
    }
    const CRect valueRect(nLeft + labelWidth + 6, top, nLeft + labelWidth + 6 + valueWidth + 5, top + kServiceRowHeight);
    const UINT id = kFirstValueId + 2 * static_cast<UINT>(i);
    if (sub.nCtrlType == CTRL_COMBO && sub.nOptions > 0 && sub.pOptions != nullptr) {
      auto* combo = new CComboBox();
      if (combo->Create(WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | CBS_DROPDOWNLIST, valueRect, this, id)) {
        combo->SetFont(&m_font);
        for (int o = 0; o < sub.nOptions; ++o) combo->AddString(sub.pOptions[o].strText);
        const BOOL bEnable = pMain != nullptr && pMain->m_bPolygonServiceEnable;
        int sel = combo->FindStringExact(-1, bEnable ? L"Enable" : L"Disable");
        if (sel < 0) sel = bEnable && combo->GetCount() > 1 ? 1 : 0;
        combo->SetCurSel(sel);
        p->pValueWnd = combo;
      } else {
        delete combo;
      }
    } else if (IsServiceInput(sub.nCtrlType)) {
      auto* edit = new CEdit();
      const DWORD password = sub.nCtrlType == CTRL_PASSWD ? static_cast<DWORD>(ES_PASSWORD) : 0u;
      if (edit->Create(WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL | password, valueRect, this, id)) {
        edit->SetFont(&m_font);
        CString text;
        if (sub.nCtrlType == CTRL_PASSWD) text = sub.strValue;
        else text.Format(L"%d", pMain != nullptr ? pMain->m_nPolygonServiceValue : 0);
        edit->SetWindowText(text);
        p->pValueWnd = edit;
      } else {
        delete edit;
      }
    }
    if (!sub.bReserve) {
      ++m_nRowCount;
      // A choice's field is as tall as its font needs: the next row starts below it.
      int next = top + kServiceRowPitch;
      if (p->pValueWnd != nullptr) {
        CRect shown;
        p->pValueWnd->GetWindowRect(&shown);
        next = std::max(next, top + shown.Height() + 1);
      }
      top = next;
    }
  }
}

CString CSettingDialog::BuildPolygonSettingsCommand(int* pIndex, int* pValue) {
  const CString d = m_pDefHeader != nullptr ? m_pDefHeader->strD : CString(L";");
  CString command = L"PLS" + d;
  if (m_pParamList == nullptr) return command;
  for (POSITION pos = m_pParamList->GetHeadPosition(); pos != nullptr;) {
    auto* p = static_cast<PARAM_INFO*>(m_pParamList->GetNext(pos));
    if (!IsServiceParam(p) || p->pValueWnd == nullptr || p->pValueWnd->GetSafeHwnd() == nullptr) continue;
    const SUBGROUP_PARAM& sub = p->subGroups[0];
    if (sub.nCtrlType == CTRL_COMBO && sub.nRowId == kServiceEnableRole) {
      auto* combo = dynamic_cast<CComboBox*>(p->pValueWnd);
      const int index = combo != nullptr ? combo->GetCurSel() : -1;
      if (pIndex != nullptr) *pIndex = index;
      CString text;
      text.Format(L"%d", index);
      command += text + d;
    } else if (IsServiceInput(sub.nCtrlType) && sub.nRowId == kServiceValueRole) {
      const CString text = p->pValueWnd->GetWindowText();
      if (pValue != nullptr) *pValue = _wtoi(text);
      command += text;
    }
  }
  return command;
}

void CSettingDialog::SendPolygonSettings() {
  CBrelvanoDlg* pMain = MainWindow();
  if (pMain == nullptr) return;
  // The chosen settings are kept for the page's next build and for profiles.
  int index = pMain->m_bPolygonServiceEnable;
  int value = pMain->m_nPolygonServiceValue;
  CString command = BuildPolygonSettingsCommand(&index, &value);
  pMain->m_bPolygonServiceEnable = index;
  pMain->m_nPolygonServiceValue = value;
  pMain->SendMessage(WM_SEND_FRAMED_COMMAND, 1, reinterpret_cast<LPARAM>(&command));
}

void CSettingDialog::SendPolygonHeader() {
  CBrelvanoDlg* pMain = MainWindow();
  if (pMain == nullptr || pMain->m_pPolygonTable == nullptr || m_nCurrentPolygon < 1 ||
      m_nCurrentPolygon > pMain->m_nPolygonMax) {
    TRACE(L"SendPolygonHeader: no zone %d\n", m_nCurrentPolygon);
    return;
  }
  // The write starts over: the acknowledgements of this packet and the next ones move it on.
  pMain->m_nPolygonWriteZone = m_nCurrentPolygon;
  pMain->m_polygonWrite.Start(m_nPointBlockCount);
  pMain->ArmPolygonWriteTimeout();
  CString packet = brelvano::BuildPolygonSettingsPacket(pMain->m_pPolygonTable[m_nCurrentPolygon - 1],
                                                        m_nPointBlockCount,
                                                        m_pDefHeader != nullptr ? m_pDefHeader->strD : CString(L";"));
  pMain->SendMessage(WM_SEND_FRAMED_COMMAND, 1, reinterpret_cast<LPARAM>(&packet));
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
  // Rows are appended whatever the last zone action was (the wizard may still be open on it).
  for (int i = nFirst; i < pMain->m_nPolygonMax; ++i) {
    if (pMain->m_pPolygonTable[i].nPointCount <= 0) continue;
    const int row = m_listPolygon.InsertItem(m_listPolygon.GetItemCount(), RowNumber(pMain->m_pPolygonTable[i].nIndex));
    SetPolygonRowColumns(row, pMain->m_pPolygonTable[i]);
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
  SetPolygonRowColumns(row, zone);
}

void CSettingDialog::SetPolygonRowColumns(int row, const POLYGON_INFO& zone) {
  if (row < 0) return;
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

int CALLBACK CSettingDialog::ComparePolygonRows(LPARAM lParam1, LPARAM lParam2, LPARAM lParamSort) {
  const auto* a = reinterpret_cast<const CString*>(lParam1);
  const auto* b = reinterpret_cast<const CString*>(lParam2);
  const int order = std::wcscmp(a != nullptr ? a->GetString() : L"", b != nullptr ? b->GetString() : L"");
  const int sign = order < 0 ? -1 : (order > 0 ? 1 : 0);
  return lParamSort == 1 ? sign : -sign;
}

void CSettingDialog::SortPolygonList() {
  if (m_listPolygon.GetSafeHwnd() == nullptr) return;
  const int rows = m_listPolygon.GetItemCount();
  // Every row carries a copy of its zone number text while the list sorts; texts are compared, so
  // "02" comes before "10" and "100" before "99".
  std::vector<CString> numbers(static_cast<size_t>(rows));
  for (int r = 0; r < rows; ++r) {
    numbers[static_cast<size_t>(r)] = m_listPolygon.GetItemText(r, 0);
    m_listPolygon.SetItemData(r, reinterpret_cast<DWORD_PTR>(&numbers[static_cast<size_t>(r)]));
  }
  m_listPolygon.SortItems(&CSettingDialog::ComparePolygonRows, 1);
  for (int r = 0; r < rows; ++r) m_listPolygon.SetItemData(r, 0);
  if (rows > 0) m_listPolygon.EnsureVisible(rows - 1, FALSE);
}

void CSettingDialog::RefreshPolygonFromRecord(POLYGON_INFO* pZone) {
  if (pZone == nullptr) return;
  SetPolygonListRow(*pZone);
  SortPolygonList();
}

void CSettingDialog::SetMapPointText() {
  CBrelvanoDlg* pMain = MainWindow();
  if (g_bFileMode) {
    // A definition opened from a file keeps the zones' points in the main window's point lists.
    m_strMapPointText.Empty();
    if (pMain != nullptr && pMain->m_pPolygonPointLists != nullptr && m_nEditZone >= 1 &&
        m_nEditZone <= kPointListZones) {
      const POLYGON_POINT_LIST& list = pMain->m_pPolygonPointLists[m_nEditZone - 1];
      for (int p = 0; p < std::min(list.nCount, kPointListPoints); ++p)
        m_strMapPointText += list.strLng[p] + L"@" + list.strLat[p] + L"\n";
    }
  } else {
    m_strMapPointText = brelvano::PointTextFromPolygonBlocks(m_pPointBlocks, m_pPointBlocks != nullptr ? m_nPointBlockCount : 0);
  }
  if (m_pPolygonDlg != nullptr) m_pPolygonDlg->m_strPendingPoints = m_strMapPointText;
}

CPolyDetailDlg* CSettingDialog::PolyDetailDialog() {
  if (m_pPolyDetailDlg != nullptr) return m_pPolyDetailDlg;
  if (GetSafeHwnd() == nullptr) return nullptr;
  m_pPolyDetailDlg = new CPolyDetailDlg(this);
  if (!m_pPolyDetailDlg->Create(IDD_POLYGON_DETAIL, nullptr)) {
    TRACE(L"polygon detail dialog: no window\n");
    delete m_pPolyDetailDlg;
    m_pPolyDetailDlg = nullptr;
    return nullptr;
  }
  m_pPolyDetailDlg->ShowWindow(SW_HIDE);
  return m_pPolyDetailDlg;
}

// The map page starts loading when the dialog is made; step 1 is told when it has loaded.
CPolygonDialog* CSettingDialog::PolygonMapDialog() {
  if (m_pPolygonDlg != nullptr) return m_pPolygonDlg;
  if (GetSafeHwnd() == nullptr) return nullptr;
  m_pPolygonDlg = new CPolygonDialog(this);
  if (!m_pPolygonDlg->Create(IDD_POLYGON_MAP, nullptr)) {
    TRACE(L"polygon map dialog: no window\n");
    delete m_pPolygonDlg;
    m_pPolygonDlg = nullptr;
    return nullptr;
  }
  m_pPolygonDlg->ShowWindow(SW_HIDE);
  return m_pPolygonDlg;
}

void CSettingDialog::AbandonPolygonWizard() {
  if (m_pPolyDetailDlg != nullptr && m_pPolyDetailDlg->GetSafeHwnd() != nullptr &&
      (m_pPolyDetailDlg->m_pParamList != nullptr || m_pPolyDetailDlg->IsWindowVisible())) {
    m_pPolyDetailDlg->KillTimer(TIMER_POLY_MAP_LOAD);
    m_pPolyDetailDlg->DestroyControls();
    m_pPolyDetailDlg->ShowWindow(SW_HIDE);
  }
  if (m_pPolygonDlg != nullptr && m_pPolygonDlg->GetSafeHwnd() != nullptr) m_pPolygonDlg->CloseStep();
}

void CSettingDialog::DestroyPolygonWizard() {
  for (CDialog* pDlg : {static_cast<CDialog*>(m_pPolyDetailDlg), static_cast<CDialog*>(m_pPolygonDlg)}) {
    if (pDlg != nullptr && pDlg->GetSafeHwnd() != nullptr) pDlg->DestroyWindow();
  }
  delete m_pPolyDetailDlg;
  m_pPolyDetailDlg = nullptr;
  delete m_pPolygonDlg;
  m_pPolygonDlg = nullptr;
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
    if (g_bFileMode && (zone.nIndex > kPointListZones || n > kPointListPoints)) {
      // Without a device the zone lives only in the point lists, which hold zones 1 to 30 of at most
      // 100 points each: a zone that does not fit is refused rather than kept without its points.
      CString text;
      text.Format(L"Error: polygon zone %d of %d points is not kept: a definition opened from a file keeps "
                  L"zones 1 to %d of at most %d points.",
                  zone.nIndex, n, kPointListZones, kPointListPoints);
      pMain->AddLogLine(text, TRUE);
      return;
    }
    const std::vector<POLYGON_POINT_BLOCK> blocks = brelvano::PolygonBlocksFromPointText(pointText, n, zone.nIndex);
    delete[] m_pPointBlocks;
    m_nPointBlockCount = static_cast<int>(blocks.size());
    m_nPointBlocksRead = 0;
    m_pPointBlocks = new POLYGON_POINT_BLOCK[blocks.size()];
    std::copy(blocks.begin(), blocks.end(), m_pPointBlocks);
    if (g_bFileMode) {
      if (pMain->m_pPolygonPointLists == nullptr) pMain->m_pPolygonPointLists = new POLYGON_POINT_LIST[kPointListZones];
      POLYGON_POINT_LIST& list = pMain->m_pPolygonPointLists[zone.nIndex - 1];
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
      pMain->m_bReplyTimeout = FALSE;
      pMain->m_bReplyError = FALSE;
      pMain->SendMessage(WM_WRITE_POLYGON_POINTS, reinterpret_cast<WPARAM>(&copy), reinterpret_cast<LPARAM>(&pointText));
      BOOL bPointsWritten = FALSE;
      if (pMain->m_hPolygonReadEvent != nullptr) {
        ResetEvent(pMain->m_hPolygonReadEvent);
        pMain->ArmReplyWatchdog();
        bPointsWritten = pMain->WaitForReply(pMain->m_hPolygonReadEvent) && !pMain->m_bReplyTimeout &&
                         !pMain->m_bReplyError;
      }
      // A zone record whose points did not reach the device would claim points it does not hold.
      if (!bPointsWritten) {
        CString text;
        text.Format(L"Polygon zone %d was not written: its points were not acknowledged.", zone.nIndex);
        pMain->AddLogLine(text, TRUE);
        pMain->EnableTabControl(TRUE);
        return;
      }
      pMain->SendMessage(WM_WRITE_POLYGON_ZONE, reinterpret_cast<WPARAM>(&copy), 0);
      return;
    }
    SendPolygonHeader();
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

BOOL CSettingDialog::WaitForZoneWrite() {
  CBrelvanoDlg* pMain = MainWindow();
  if (pMain == nullptr || !pMain->m_polygonWrite.IsActive()) return TRUE;
  pMain->AddLog(L"A polygon zone is being written: the zone list waits for the write to end.");
  const WindowWatch self(this);
  const unsigned session = pMain->m_nSessionGeneration;
  EnablePolygonButtons(FALSE);
  // Each packet is acknowledged within the write's time-out, or the write ends.
  const DWORD bound = static_cast<DWORD>(kPointBlocksPerZone + 3) * CBrelvanoDlg::kPolygonAckTimeoutMs;
  platform::PumpUntil([&] { return !self.Alive() || pMain->m_nSessionGeneration != session || !pMain->m_polygonWrite.IsActive(); },
                      bound);
  if (!self.Alive() || pMain->m_nSessionGeneration != session) return FALSE;
  EnablePolygonButtons(TRUE);
  return !pMain->m_polygonWrite.IsActive();
}

void CSettingDialog::OnAddPolygon() {
  try {
    CBrelvanoDlg* pMain = MainWindow();
    if (pMain == nullptr || pMain->m_pPolygonTable == nullptr) return;
    if (!WaitForZoneWrite()) return;
    m_nPolygonMode = 0;
    const int i = FindFreePolygonIndex();
    if (i >= pMain->m_nPolygonMax) {
      AfxMessageBox(L"can not be added to the polygon.", MB_OK);
      return;
    }
    CPolyDetailDlg* pDetail = PolyDetailDialog();
    if (pDetail == nullptr || pDetail->IsWindowVisible()) return;
    if (m_pPolygonDlg != nullptr && m_pPolygonDlg->IsWindowVisible()) return;
    pDetail->SetDeviceInfo(m_pDeviceInfo, m_pDefHeader);
    m_bExcludeEdited = FALSE;
    pDetail->SetData(m_pParamList, pMain->m_pPolygonTable[i], i);
    pDetail->SetTitle(m_strDetailTitle);
    CPolygonDialog* pMap = PolygonMapDialog();
    if (pMap != nullptr) pMap->SetTitle(m_strMapTitle);
    pDetail->ShowWindow(SW_SHOW);
    EnableWindow(FALSE);
  } catch (...) {
    TRACE(L"ERROR %s %d\n", CString(__FILE__), __LINE__);
  }
}

// EDIT asks the device for the zone's points and opens the wizard on the zone; the map shows the
// points once they are there. The $-command set waits for the first point reply, at most
// kPointWaitMs.
void CSettingDialog::OnEditPolygon() {
  try {
    CBrelvanoDlg* pMain = MainWindow();
    // The marked zone is the one edited, also when the end of a write re-sorts the list meanwhile.
    const int marked = m_listPolygon.GetSelectionMark();
    const CString markedZone = marked >= 0 ? m_listPolygon.GetItemText(marked, 0) : CString();
    if (!WaitForZoneWrite()) return;
    m_nPolygonMode = 1;
    int mark = m_listPolygon.GetSelectionMark();
    if (mark >= 0 && m_listPolygon.GetItemText(mark, 0) != markedZone) {
      for (int row = 0; row < m_listPolygon.GetItemCount(); ++row)
        if (m_listPolygon.GetItemText(row, 0) == markedZone) mark = row;
    }
    if (pMain == nullptr || pMain->m_pPolygonTable == nullptr || mark < 0) return;
    const int n = _wtoi(m_listPolygon.GetItemText(mark, 0));
    if (n < 1 || n > pMain->m_nPolygonMax) return;
    CPolyDetailDlg* pDetail = PolyDetailDialog();
    if (pDetail == nullptr || pDetail->IsWindowVisible()) return;
    if (m_pPolygonDlg != nullptr && m_pPolygonDlg->IsWindowVisible()) return;
    m_nEditRow = mark;
    m_nEditZone = n;
    // The zone's own points do not count against the total while it is edited.
    m_bExcludeEdited = TRUE;
    m_strMapPointText.Empty();
    CPolygonDialog* pMap = PolygonMapDialog();
    if (pMap != nullptr) pMap->m_strPendingPoints.Empty();
    if (!g_bFileMode) {
      m_nPointBlocksRead = 0;
      m_nPointBlockCount = brelvano::PolygonBlockCount(pMain->m_pPolygonTable[n - 1].nPointCount);
      delete[] m_pPointBlocks;
      m_pPointBlocks = new POLYGON_POINT_BLOCK[static_cast<size_t>(m_nPointBlockCount)];
      if (m_bUpMode) {
        pMain->SendPolygonPointsReadRequest(n, pMain->m_pPolygonTable[n - 1].nPointCount);
      } else {
        CString request = brelvano::BuildPolygonRequest(L"GetPolygonGroupPos", n);
        // Sent at once, not through the one-slot queue; its reply is taken like a queued command's.
        pMain->m_strLastCommand = pMain->PrefixFramedCommand(pMain->BuildTabCommand(request, pMain->m_nCmdTab));
        pMain->TransmitCommand(pMain->m_strLastCommand);
        m_bWaitPoints = TRUE;
        EnablePolygonButtons(FALSE);
        const WindowWatch self(this);
        if (pMain->m_hPolygonReadEvent != nullptr) {
          ResetEvent(pMain->m_hPolygonReadEvent);
          if (platform::WaitPumping(pMain->m_hPolygonReadEvent, kPointWaitMs) != WAIT_OBJECT_0)
            pMain->AddLog(L"The zone's points did not come from the device.");
        }
        // The page may have gone with the session meanwhile.
        if (!self.Alive()) return;
        m_bWaitPoints = FALSE;
        EnablePolygonButtons(TRUE);
      }
    } else {
      SetMapPointText();
    }
    pDetail->SetTitle(m_strDetailTitle);
    pDetail->SetDeviceInfo(m_pDeviceInfo, m_pDefHeader);
    pDetail->SetData(m_pParamList, pMain->m_pPolygonTable[n - 1], n - 1);
    pDetail->ShowWindow(SW_SHOW);
    if (pMap != nullptr) {
      pMap->SetTitle(m_strMapTitle);
      pMap->ShowWindow(SW_HIDE);
    }
    EnableWindow(FALSE);
  } catch (...) {
    TRACE(L"ERROR %s %d\n", CString(__FILE__), __LINE__);
  }
}

// DELETE removes every selected zone, the first selected row again each time, with a pause between
// the commands in which the window messages are handled (the transmitter keeps one command, so each
// goes out before the next is queued). It stops when the session ends or the page goes meanwhile.
void CSettingDialog::OnDeletePolygon() {
  try {
    if (m_pPolyDetailDlg != nullptr && m_pPolyDetailDlg->GetSafeHwnd() != nullptr && m_pPolyDetailDlg->IsWindowVisible())
      return;
    const int mark = m_listPolygon.GetSelectionMark();
    if (mark < 0 || m_listPolygon.GetSelectedCount() == 0) return;
    if (_wtoi(m_listPolygon.GetItemText(mark, 0)) == 0) return;
    const WindowWatch self(this);
    const int answer = AfxMessageBox(LanguageText(kTextDeleteQuestion, L"Geofence Will Be Removed.\nContinue?"), MB_OKCANCEL);
    if (!self.Alive() || answer != IDOK) return;
    // The erase requests share the one-slot transmitter with the write's packets.
    if (!WaitForZoneWrite()) return;
    CBrelvanoDlg* pMain = MainWindow();
    if (pMain == nullptr) return;
    const unsigned session = pMain->m_nSessionGeneration;
    m_nPolygonMode = 2;
    const int selected = static_cast<int>(m_listPolygon.GetSelectedCount());
    const bool progress = selected > kProgressFromRows;
    const double step = progress ? 100.0 / selected : 0.0;
    if (progress) {
      m_progress.SetPos(0);
      m_progress.ShowWindow(SW_SHOW);
    }
    int deleted = 0;
    for (int row = m_listPolygon.GetNextItem(-1, LVNI_SELECTED); row >= 0;
         row = m_listPolygon.GetNextItem(-1, LVNI_SELECTED)) {
      const int n = _wtoi(m_listPolygon.GetItemText(row, 0));
      m_listPolygon.DeleteItem(row);
      if (progress) m_progress.SetPos(static_cast<int>(deleted * step));
      ++deleted;
      if (n >= 1) DeletePolygonZone(n);
      PumpMessagesFor(kDeletePauseMs);
      // The main window outlives its pages; the page and the session may have ended in the pause.
      if (!self.Alive()) return;
      if (pMain->m_nSessionGeneration != session) break;
      // Also when a busy message loop has not reached the transmit timer within the pause.
      pMain->SendQueuedCommandNow();
    }
    if (progress) m_progress.ShowWindow(SW_HIDE);
  } catch (...) {
    TRACE(L"ERROR %s %d\n", CString(__FILE__), __LINE__);
  }
}

void CSettingDialog::PumpMessagesFor(DWORD ms) {
  const DWORD start = GetTickCount();
  platform::PumpUntil([start, ms] { return GetTickCount() - start >= ms; }, ms);
}

void CSettingDialog::OnPolygonListDblClick(NMHDR* pNMHDR, LRESULT* pResult) {
  (void)pNMHDR;
  const int mark = m_listPolygon.GetSelectionMark();
  TRACE(L"in PolyControlList::OnDblClick: %d\n", mark);
  if (mark >= 0 && pResult != nullptr) *pResult = 0;
}

void CSettingDialog::OnPolygonListItemChanged(NMHDR* pNMHDR, LRESULT* pResult) {
  const auto* pItem = reinterpret_cast<const NMLISTVIEW*>(pNMHDR);
  if (pItem != nullptr && pItem->iItem != m_nSelectedRow) {
    TRACE(L"Item %d Selected!!\n", m_nSelectedRow);
    m_nSelectedRow = pItem->iItem;
  }
  if (pResult != nullptr) *pResult = 0;
}
