// CSettingDialog: the assignment page. Its report items (small, medium and large assignment items)
// stand as check boxes in three columns beside the Small, Medium and Large tables of the device's
// assignment header table; the user ticks the items the device is to report and drags a table row
// onto an item of the same size class to assign that entry to it. The tables and their entry map
// are filled from the assignment-header CSV when the page is made in the numbered-parameter set.
#include <algorithm>
#include <vector>

#include "gui/dlg/brelvanodlg.h"
#include "gui/dlg/settingdlg.h"
#include "platform/crt.h"
#include "platform/imagelist.h"
#include "platform/trace.h"

namespace {
// Columns of the three tables.
constexpr int kNoColumnWidth = 30;
constexpr int kDataColumnLess = 196;
constexpr int kDesColumnWidth = 130;
constexpr DWORD kTableStyles = LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT;
// The tables and their titles on an assignment page.
constexpr int kTableX = 600;
// Item columns: the small one at 80, each further one 150 to the right of the one before.
constexpr int kSmallColumnX = 80;
constexpr int kColumnPitch = 150;
constexpr int kLabelTop = 60;
constexpr int kLabelBottom = 76;
constexpr int kFirstItemTop = 81;
constexpr int kFirstItemBottom = 95;
constexpr DWORD kItemStyle = WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | BS_AUTOCHECKBOX;
// The hot spot of the drag image, from the cursor.
constexpr int kDragHotSpotX = -10;
constexpr int kDragHotSpotY = -14;

// The key prefix and column label of an assignment item's size class; null for other kinds.
const wchar_t* KeyPrefix(int nCtrlType) {
  switch (nCtrlType) {
    case CTRL_S_ASSIGN: return L"S_";
    case CTRL_M_ASSIGN: return L"M_";
    case CTRL_L_ASSIGN: return L"L_";
    default: return nullptr;
  }
}

bool IsAssignItem(int nCtrlType) { return KeyPrefix(nCtrlType) != nullptr; }

// DATA names what the user drags: it is never narrower than its widest entry or its title, also
// on a table too narrow for the width the other columns leave it (the table then scrolls
// sideways).
void FitDataColumn(CListCtrl& list) {
  CRect table;
  list.GetWindowRect(&table);
  list.SetColumnWidth(1, LVSCW_AUTOSIZE_USEHEADER);
  if (list.GetColumnWidth(1) < table.Width() - kDataColumnLess) list.SetColumnWidth(1, table.Width() - kDataColumnLess);
}
}  // namespace

// ---- The tables ------------------------------------------------------------------------------

void CSettingDialog::ShowAssignControls(BOOL bShow) {
  for (CWnd* pWnd : std::initializer_list<CWnd*>{&m_listSmall, &m_listMedium, &m_listLarge, &m_stTitleSmall,
                                                 &m_stTitleMedium, &m_stTitleLarge}) {
    if (pWnd->GetSafeHwnd() != nullptr) pWnd->ShowWindow(bShow ? SW_SHOW : SW_HIDE);
  }
}

void CSettingDialog::InitAssignTables() {
  CRect small;
  m_listSmall.GetWindowRect(&small);
  for (CListCtrl* pList : {&m_listSmall, &m_listMedium, &m_listLarge}) {
    if (pList->GetSafeHwnd() == nullptr) continue;
    pList->InsertColumn(0, L"NO", LVCFMT_LEFT, kNoColumnWidth);
    pList->InsertColumn(1, L"DATA", LVCFMT_LEFT, small.Width() - kDataColumnLess);
    pList->InsertColumn(2, L"DES", LVCFMT_LEFT, kDesColumnWidth);
    FitDataColumn(*pList);
  }
  CBrelvanoDlg* pMain = MainWindow();
  std::vector<CString> lines;
  if (pMain != nullptr && pMain->ReadAssignHeaderCsv(lines)) FillAssignLists(lines);
}

void CSettingDialog::FillAssignLists(std::vector<CString> lines) {
  m_mapAssign.RemoveAll();
  CListCtrl* lists[3] = {&m_listSmall, &m_listMedium, &m_listLarge};
  static const wchar_t* const kPrefixes[3] = {L"S_", L"M_", L"L_"};
  int rows[3] = {0, 0, 0};
  for (CListCtrl* pList : lists) {
    if (pList->GetSafeHwnd() != nullptr) pList->DeleteAllItems();
  }

  for (const CString& line : lines) {
    std::vector<CString> fields;
    CBrelvanoDlg::SplitString(fields, line, L',');
    ASSIGN_INFO entries[3];
    const size_t count = std::min<size_t>(fields.size(), 9);
    for (size_t f = 0; f < count; ++f) {
      const int table = static_cast<int>(f / 3);
      const CString& field = fields[f];
      CListCtrl* pList = lists[table];
      const bool hasList = pList->GetSafeHwnd() != nullptr;
      ASSIGN_INFO& entry = entries[table];
      switch (f % 3) {
        case 0:  // NO
          if (field.IsEmpty()) break;
          entry.nNo = _wtoi(field);
          if (hasList) pList->InsertItem(rows[table], field);
          entry.bValid = entry.nNo > 0 ? TRUE : FALSE;
          break;
        case 1:  // DATA
          if (field.IsEmpty()) break;
          if (hasList) pList->SetItemText(rows[table], 1, field);
          entry.strData = field;
          break;
        default:  // DES
          if (!field.IsEmpty()) {
            if (hasList) pList->SetItemText(rows[table], 2, field);
            entry.strDes = field;
            CString key;
            key.Format(L"%s%d", kPrefixes[table], entry.nNo);
            m_mapAssign.SetAt(key, entry);
          }
          if (!entry.strData.IsEmpty()) ++rows[table];
          break;
      }
    }
  }
  for (CListCtrl* pList : lists) {
    if (pList->GetSafeHwnd() == nullptr) continue;
    pList->SetExtendedStyle(kTableStyles);
    FitDataColumn(*pList);
  }
}

ASSIGN_INFO CSettingDialog::GetAssignInfo(int nCtrlType, const CString& key) const {
  ASSIGN_INFO info;
  if (IsAssignItem(nCtrlType)) m_mapAssign.Lookup(key, info);
  return info;
}

// ---- The page ----------------------------------------------------------------------------------

void CSettingDialog::BuildParameterPage(BOOL bAssign) {
  if (bAssign != 1) {
    BuildGenericPage();
    return;
  }
  CRect list;
  m_listSmall.GetWindowRect(&list);
  const int h = list.Height();
  const int w = list.Width();
  m_listSmall.MoveWindow(kTableX, 55, w, h);
  m_listMedium.MoveWindow(kTableX, h + 90, w, h);
  m_listLarge.MoveWindow(kTableX, 2 * h + 135, w, h);
  CRect title;
  m_stTitleSmall.GetWindowRect(&title);
  m_stTitleSmall.MoveWindow(kTableX, 40, title.Width() + 20, title.Height());
  m_stTitleMedium.MoveWindow(kTableX, h + 70, title.Width() + 20, title.Height());
  m_stTitleLarge.MoveWindow(kTableX, 2 * h + 115, title.Width() + 20, title.Height());
  m_progress.ShowWindow(SW_HIDE);
  m_progress.SetRange(0, 100);
  ShowAssignControls(TRUE);
  BuildAssignPage();
}

void CSettingDialog::BuildAssignPage() {
  m_nRowCount = 0;
  PlaceSendButton();
  std::vector<PARAM_INFO*> params;
  if (m_pParamList != nullptr) {
    for (POSITION pos = m_pParamList->GetHeadPosition(); pos != nullptr;) {
      params.push_back(static_cast<PARAM_INFO*>(m_pParamList->GetNext(pos)));
    }
  }
  int longest = 0;
  for (PARAM_INFO* p : params) {
    if (p == nullptr) continue;
    p->pValueWnd = nullptr;
    p->pLabelWnd = nullptr;
    p->pExtraWnd = nullptr;
    longest = std::max(longest, PageTranslate(p->strName).GetLength());
  }
  const int nameWidth = std::max(5 * longest, 100);
  CreateToolTip();

  CRect client;
  GetClientRect(&client);
  int columnX[3] = {0, 0, 0};  // small, medium, large; 0 until the column has an item
  int top = kFirstItemTop;
  int bottom = kFirstItemBottom;
  BOOL bNeedScroll = FALSE;
  for (size_t i = 0; i < params.size(); ++i) {
    PARAM_INFO* p = params[i];
    if (p == nullptr) continue;
    if (i > 0 && p->bReserve) continue;
    const wchar_t* prefix = KeyPrefix(p->nCtrlType);
    if (prefix == nullptr) continue;
    const int column = p->nCtrlType - CTRL_S_ASSIGN;
    const int x = column == 0 ? kSmallColumnX : kColumnPitch + columnX[column - 1];
    const int right = x + nameWidth + 20;

    CStatic** ppLabel = column == 0 ? &m_pLabelS : column == 1 ? &m_pLabelM : &m_pLabelL;
    if (columnX[column] == 0) {
      static const wchar_t* const kLabels[3] = {L"S_ASSIGN", L"M_ASSIGN", L"L_ASSIGN"};
      if (*ppLabel == nullptr) {
        auto* pLabel = new CStatic();
        if (pLabel->Create(kLabels[column], WS_CHILD | WS_VISIBLE, CRect(x, kLabelTop, right, kLabelBottom), this,
                           0xFFFF)) {
          pLabel->SetFont(&m_font);
          *ppLabel = pLabel;
        } else {
          delete pLabel;
        }
      }
      top = kFirstItemTop;
      bottom = kFirstItemBottom;
    }
    columnX[column] = x;

    bottom += 3;
    auto* pCheck = new CButton();
    if (!pCheck->Create(CString(), kItemStyle, CRect(x, top, right, bottom), this,
                        static_cast<UINT>(IDC_SETTING_FIRST_VALUE + 2 * static_cast<int>(i)))) {
      TRACE(L"settings page: no check box for assignment item %d\n", static_cast<int>(i));
      delete pCheck;
      continue;
    }
    p->pValueWnd = pCheck;
    if (p->assign.bValid) {
      CString key;
      key.Format(L"%s%d", prefix, p->assign.nNo);
      // Showing the page never changes an item's assignment: an entry the tables do not know
      // leaves the item with its own number (and no text).
      ASSIGN_INFO entry;
      const bool known = m_mapAssign.Lookup(key, entry) != FALSE;
      if (known) p->assign = GetAssignInfo(p->nCtrlType, key);
      pCheck->SetWindowText(known ? p->assign.strData : CString());
      AddAssignTip(p, known ? p->assign.strDes : CString());
    } else {
      pCheck->SetWindowText(L"EMPTY");
      AddAssignTip(p, L"Empty");
    }
    pCheck->SetFont(&m_font);
    // A check box is ticked or not: any other number counts as its nearer end.
    const int state = p->strValue.IsEmpty() ? 0 : std::clamp(_wtoi(p->strValue), 0, 1);
    pCheck->SetCheck(state);

    if (bottom > client.bottom) bNeedScroll = TRUE;
    top = bottom + 3;
    bottom = top + 14;
  }
  ActivateToolTip(TRUE);
  ShowVScrollBar(bNeedScroll);
}

void CSettingDialog::AddAssignTip(PARAM_INFO* pItem, const CString& text) {
  if (m_pToolTip == nullptr || pItem == nullptr || pItem->pValueWnd == nullptr) return;
  m_pToolTip->AddTool(pItem->pValueWnd, text);
  m_pToolTip->SetTipBkColor(RGB(0, 0, 0));
  m_pToolTip->SetTipTextColor(RGB(255, 255, 255));
}

void CSettingDialog::UpdateAssignTip(PARAM_INFO* pItem, const CString& text) {
  if (m_pToolTip == nullptr || pItem == nullptr || pItem->pValueWnd == nullptr) return;
  m_pToolTip->UpdateTipText(text, pItem->pValueWnd);
  m_pToolTip->SetTipBkColor(RGB(0, 0, 0));
  m_pToolTip->SetTipTextColor(RGB(255, 255, 255));
}

// ---- Drag and drop ---------------------------------------------------------------------------

CListCtrl* CSettingDialog::AssignList(UINT nId) {
  switch (nId) {
    case IDC_SETTING_ASSIGN_SMALL: return &m_listSmall;
    case IDC_SETTING_ASSIGN_MEDIUM: return &m_listMedium;
    case IDC_SETTING_ASSIGN_LARGE: return &m_listLarge;
    default: return nullptr;
  }
}

PARAM_INFO* CSettingDialog::DropTarget(const CWnd* pWnd) const {
  if (pWnd == nullptr || m_pParamList == nullptr || m_pDragList == nullptr) return nullptr;
  const int type = m_pDragList == &m_listSmall    ? CTRL_S_ASSIGN
                   : m_pDragList == &m_listMedium ? CTRL_M_ASSIGN
                                                  : CTRL_L_ASSIGN;
  for (POSITION pos = m_pParamList->GetHeadPosition(); pos != nullptr;) {
    auto* p = static_cast<PARAM_INFO*>(m_pParamList->GetNext(pos));
    if (p != nullptr && p->nCtrlType == type && p->pValueWnd == pWnd) return p;
  }
  return nullptr;
}

void CSettingDialog::OnBeginDragAssignList(UINT id, NMHDR* pNMHDR, LRESULT* pResult) {
  if (pResult != nullptr) *pResult = 0;
  CListCtrl* pList = AssignList(id);
  // The tables are only filled, and an entry only assigned, in the numbered-parameter set.
  if (!m_bUpMode || pList == nullptr || pNMHDR == nullptr || m_bDragging) return;
  const auto* pView = reinterpret_cast<const NMLISTVIEW*>(pNMHDR);
  m_nDragIndex = pView->iItem;
  CPoint image(0, 0);
  m_pDragImage.reset(pList->CreateDragImage(m_nDragIndex, &image));
  CPoint action(pView->ptAction);
  pList->ClientToScreen(&action);
  if (m_pDragImage) {
    m_pDragImage->BeginDrag(0, CPoint(kDragHotSpotX, kDragHotSpotY));
    CImageList::DragEnter(nullptr, action);
  }
  m_bDragging = TRUE;
  m_nDropIndex = -1;
  m_pDragList = pList;
  m_pDropWnd = pList;
  m_hDropWnd = pList->GetSafeHwnd();
  SetCapture();
}

void CSettingDialog::OnMouseMove(UINT nFlags, CPoint point) {
  (void)nFlags;
  if (m_bDragging && m_bUpMode) {
    CPoint screen(point);
    ClientToScreen(&screen);
    CImageList::DragMove(screen);
    CImageList::DragShowNolock(FALSE);
    CWnd* pOver = WindowFromPoint(screen);
    if (pOver != m_pDropWnd) {
      // The window left behind loses the drag's marks at once (when it is still there).
      if (CWnd* pOld = CWnd::FromHandle(m_hDropWnd)) pOld->RedrawWindow();
      m_pDropWnd = pOver;
      m_hDropWnd = pOver != nullptr ? pOver->GetSafeHwnd() : nullptr;
    }
    if (DropTarget(pOver) != nullptr) {
      SetCursor(LoadCursor(nullptr, IDC_ARROW));
      pOver->RedrawWindow();
    } else {
      SetCursor(LoadCursor(nullptr, IDC_NO));
    }
    CImageList::DragShowNolock(TRUE);
  }
  Default();
}

void CSettingDialog::OnLButtonUp(UINT nFlags, CPoint point) {
  (void)nFlags;
  if (m_bDragging && m_bUpMode) {
    ReleaseCapture();
    m_bDragging = FALSE;
    CImageList::DragLeave(nullptr);
    CImageList::EndDrag();
    m_pDragImage.reset();
    SetCursor(nullptr);
    CPoint screen(point);
    ClientToScreen(&screen);
    CWnd* pOver = WindowFromPoint(screen);
    // The entry goes into the item's own record, which is the shown tab's: the page shares the
    // main window's records of that tab.
    if (dynamic_cast<CButton*>(pOver) != nullptr) {
      if (PARAM_INFO* pItem = DropTarget(pOver)) ApplyDroppedEntry(m_pDragList, pItem);
    }
  }
  Default();
}

void CSettingDialog::ApplyDroppedEntry(CListCtrl* pSource, PARAM_INFO* pItem) {
  if (pSource == nullptr || pItem == nullptr || pSource->GetSafeHwnd() == nullptr) return;
  if (pSource->GetSelectedCount() != 1) return;
  POSITION pos = pSource->GetFirstSelectedItemPosition();
  const int row = pSource->GetNextSelectedItem(pos);
  if (row < 0) return;
  const CString no = pSource->GetItemText(row, 0);
  const CString data = pSource->GetItemText(row, 1);
  const CString des = pSource->GetItemText(row, 2);
  if (pItem->pValueWnd != nullptr && pItem->pValueWnd->GetSafeHwnd() != nullptr) pItem->pValueWnd->SetWindowText(data);
  pItem->assign.nNo = _wtoi(no);
  pItem->assign.bValid = pItem->assign.nNo > 0 ? TRUE : FALSE;
  pItem->assign.strData = data;
  UpdateAssignTip(pItem, des);
  pItem->assign.strDes = des;
}
