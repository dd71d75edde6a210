// The editable list: row, column and cell records, in-place editing with Tab navigation, colours
// through custom draw, and sorting by typed comparisons.
#include "reference/control/listctrlex/listctrlex.h"

#include <algorithm>
#include <cmath>

#include "platform/controls.h"
#include "platform/crt.h"
#include "platform/gdi.h"
#include "platform/localeinfo.h"
#include "platform/trace.h"

namespace {

const COLORREF kUnset = static_cast<COLORREF>(-1);

int Sign(long long a, long long b) { return a < b ? -1 : (a > b ? 1 : 0); }
int SignOf(int r) { return r < 0 ? -1 : (r > 0 ? 1 : 0); }

// A non-zero integer that prints back to a text as long as its own.
bool PlainInteger(const CString& text, long& value) {
  value = _wtol(text);
  if (value == 0) return false;
  CString printed;
  printed.Format(L"%ld", value);
  return printed.GetLength() == text.GetLength();
}

}  // namespace

// Row positions and sort texts gathered once per sort (rows keep their places until it ends).
struct CListCtrlEx::SortContext {
  std::unordered_map<const ItemData*, int> rows;
  std::vector<CString> texts;
};

CListCtrlEx::ItemData::~ItemData() {
  for (CellInfo* cell : cells) delete cell;
}

BEGIN_MESSAGE_MAP(CListCtrlEx, CListCtrl)
  ON_NOTIFY_REFLECT_EX(NM_DBLCLK, &CListCtrlEx::OnDblClk)
  ON_NOTIFY_REFLECT_EX(NM_CUSTOMDRAW, &CListCtrlEx::OnCustomDraw)
  ON_NOTIFY_REFLECT(LVN_COLUMNCLICK, &CListCtrlEx::OnColumnClick)
END_MESSAGE_MAP()

CListCtrlEx::CListCtrlEx() : m_crDefaultBack(GetSysColor(COLOR_WINDOW)), m_crDefaultText(GetSysColor(COLOR_WINDOWTEXT)) {}

CListCtrlEx::~CListCtrlEx() {
  m_msgHook.Detach();
  for (ItemData* rec : m_arrRows) delete rec;
  m_arrRows.clear();
  m_rowSet.clear();
  for (ColumnInfo* col : m_arrColumns) delete col;
  m_arrColumns.clear();
}

// ---- creation ------------------------------------------------------------------------------

BOOL CListCtrlEx::PreCreateWindow(CREATESTRUCT& cs) {
  cs.dwExStyle |= WS_EX_DLGMODALFRAME | WS_EX_TRANSPARENT;
  return TRUE;
}

BOOL CListCtrlEx::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
  return CreateEx(0, dwStyle, rect, pParentWnd, nID);
}

BOOL CListCtrlEx::CreateEx(DWORD dwExStyle, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
  return CreateList(dwExStyle, L"SysListView32", nullptr, dwStyle, rect, pParentWnd, nID);
}

BOOL CListCtrlEx::Create(const wchar_t* lpszClassName, const wchar_t* lpszWindowName, DWORD dwStyle, const RECT& rect,
                         CWnd* pParentWnd, UINT nID, void* pContext) {
  (void)pContext;
  return CreateList(0, lpszClassName, lpszWindowName, dwStyle, rect, pParentWnd, nID);
}

BOOL CListCtrlEx::CreateList(DWORD dwExStyle, const wchar_t* lpszClassName, const wchar_t* lpszWindowName,
                             DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
  CREATESTRUCT cs{};
  cs.style = static_cast<LONG>(dwStyle);
  cs.dwExStyle = dwExStyle;
  cs.lpszClass = lpszClassName;
  cs.lpszName = lpszWindowName;
  cs.hwndParent = pParentWnd != nullptr ? pParentWnd->m_hWnd : nullptr;
  if (!PreCreateWindow(cs)) return FALSE;
  if (!CWnd::CreateEx(cs.dwExStyle, lpszClassName, lpszWindowName, static_cast<DWORD>(cs.style), rect, pParentWnd,
                      nID)) {
    return FALSE;
  }
  PreSubclassWindow();
  return TRUE;
}

void CListCtrlEx::PreSubclassWindow() {
  CListCtrl::PreSubclassWindow();
  m_crDefaultBack = GetTextBkColor();
  m_crDefaultText = GetTextColor();
  SetExtendedStyle(GetExtendedStyle() | LVS_EX_FULLROWSELECT);
  ModifyStyle(LVS_TYPEMASK, LVS_REPORT);
}

// ---- records ---------------------------------------------------------------------------------

CListCtrlEx::ItemData* CListCtrlEx::RecordOf(int nRow) const {
  if (!ValidRow(nRow)) return nullptr;
  auto* rec = reinterpret_cast<ItemData*>(CListCtrl::GetItemData(nRow));
  return m_rowSet.count(rec) != 0 ? rec : nullptr;
}

int CListCtrlEx::RowOfRecord(const ItemData* pRecord) const {
  if (pRecord == nullptr || m_rowSet.count(pRecord) == 0) return -1;
  if (m_pSort != nullptr) {
    auto it = m_pSort->rows.find(pRecord);
    return it != m_pSort->rows.end() ? it->second : -1;
  }
  LVFINDINFO fi{};
  fi.flags = LVFI_PARAM;
  fi.lParam = reinterpret_cast<LPARAM>(pRecord);
  return CListCtrl::FindItem(&fi, -1);
}

int CListCtrlEx::BindRecord(int nRow, DWORD_PTR dwValue) {
  if (nRow < 0) return nRow;
  auto* rec = new ItemData(dwValue);
  m_arrRows.push_back(rec);
  m_rowSet.insert(rec);
  CListCtrl::SetItemData(nRow, reinterpret_cast<DWORD_PTR>(rec));
  return nRow;
}

CListCtrlEx::ItemData* CListCtrlEx::EnsureRecord(int nRow) {
  if (!ValidRow(nRow)) return nullptr;
  if (ItemData* rec = RecordOf(nRow)) return rec;
  BindRecord(nRow, 0);
  return RecordOf(nRow);
}

void CListCtrlEx::ForgetRecord(ItemData* pRecord) {
  if (pRecord == nullptr || m_rowSet.erase(pRecord) == 0) return;
  m_arrRows.erase(std::remove(m_arrRows.begin(), m_arrRows.end(), pRecord), m_arrRows.end());
  if (m_pEditRecord == pRecord) {
    // The edited row is gone: the edit will write nothing.
    m_pEditRecord = nullptr;
    m_nEditRow = -1;
  }
  if (m_pActiveEditor != nullptr) {
    bool inside = m_pActiveEditor == pRecord;
    for (CellInfo* cell : pRecord->cells) inside = inside || m_pActiveEditor == cell;
    if (inside) m_pActiveEditor = &m_activeEditor;
  }
  delete pRecord;
}

CListCtrlEx::ColumnInfo* CListCtrlEx::FindColumn(int nColumn) const {
  for (ColumnInfo* col : m_arrColumns) {
    if (col->nColumn == nColumn) return col;
  }
  return nullptr;
}

CListCtrlEx::ColumnInfo* CListCtrlEx::EnsureColumn(int nColumn) {
  if (nColumn < 0) return nullptr;
  if (ColumnInfo* col = FindColumn(nColumn)) return col;
  auto* col = new ColumnInfo(nColumn);
  m_arrColumns.push_back(col);
  return col;
}

CListCtrlEx::CellInfo* CListCtrlEx::FindCell(const ItemData* pRecord, int nColumn) {
  if (pRecord == nullptr) return nullptr;
  for (CellInfo* cell : pRecord->cells) {
    if (cell->nColumn == nColumn) return cell;
  }
  return nullptr;
}

CListCtrlEx::CellInfo* CListCtrlEx::EnsureCell(int nRow, int nColumn) {
  if (!ValidColumn(nColumn)) return nullptr;
  ItemData* rec = EnsureRecord(nRow);
  if (rec == nullptr) return nullptr;
  if (CellInfo* cell = FindCell(rec, nColumn)) return cell;
  auto* cell = new CellInfo(nColumn);
  rec->cells.push_back(cell);
  return cell;
}

int CListCtrlEx::ColumnCount() const {
  CHeaderCtrl* header = GetHeaderCtrl();
  return header != nullptr ? header->GetItemCount() : 0;
}

// ---- rows ------------------------------------------------------------------------------------

int CListCtrlEx::InsertItem(int nItem, LPCTSTR lpszItem) {
  return BindRecord(CListCtrl::InsertItem(nItem, CString(lpszItem != nullptr ? lpszItem : L"")), 0);
}

int CListCtrlEx::InsertItem(int nItem, LPCTSTR lpszItem, int nImage) {
  return BindRecord(CListCtrl::InsertItem(nItem, CString(lpszItem != nullptr ? lpszItem : L""), nImage), 0);
}

int CListCtrlEx::InsertItem(int nItem, const CString& strItem) { return BindRecord(CListCtrl::InsertItem(nItem, strItem), 0); }

int CListCtrlEx::InsertItem(int nItem, const CString& strItem, int nImage) {
  return BindRecord(CListCtrl::InsertItem(nItem, strItem, nImage), 0);
}

int CListCtrlEx::InsertItem(const LVITEM* pItem) {
  if (pItem == nullptr) return -1;
  LVITEM item = *pItem;
  DWORD_PTR value = 0;
  if (item.mask & LVIF_PARAM) {
    value = static_cast<DWORD_PTR>(item.lParam);
    item.mask &= ~LVIF_PARAM;
  }
  return BindRecord(CListCtrl::InsertItem(&item), value);
}

BOOL CListCtrlEx::SetItemData(int nItem, DWORD_PTR dwData) {
  ItemData* rec = EnsureRecord(nItem);
  if (rec == nullptr) return FALSE;
  rec->dwValue = dwData;
  return TRUE;
}

DWORD_PTR CListCtrlEx::GetItemData(int nItem) const {
  ItemData* rec = RecordOf(nItem);
  return rec != nullptr ? rec->dwValue : 0;
}

BOOL CListCtrlEx::DeleteItem(int nItem) {
  if (!ValidRow(nItem)) return FALSE;
  ForgetRecord(RecordOf(nItem));
  return CListCtrl::DeleteItem(nItem);
}

BOOL CListCtrlEx::DeleteAllItems() {
  std::vector<ItemData*> rows = m_arrRows;
  for (ItemData* rec : rows) ForgetRecord(rec);
  return CListCtrl::DeleteAllItems();
}

BOOL CListCtrlEx::DeleteAllColumns() {
  while (ColumnCount() > 0) {
    if (!DeleteColumn(0)) break;
  }
  return GetSafeHwnd() != nullptr && ColumnCount() == 0;
}

BOOL CListCtrlEx::Reset() {
  BOOL rows = DeleteAllItems();
  BOOL columns = DeleteAllColumns();
  return rows && columns;
}

BOOL CListCtrlEx::SetItemTextImage(int nItem, int nSubItem, LPCTSTR lpszText, int nImage) {
  LVITEM item{};
  item.mask = LVIF_TEXT;
  item.iItem = nItem;
  item.iSubItem = nSubItem;
  std::wstring text = lpszText != nullptr ? std::wstring(lpszText) : std::wstring();
  item.pszText = text.data();
  if (nImage != -1) {
    item.mask |= LVIF_IMAGE;
    item.iImage = nImage;
  }
  if (nSubItem == 0) return InsertItem(&item) >= 0;
  if (!ValidRow(nItem) || !ValidColumn(nSubItem)) return FALSE;
  return SetItem(&item);
}

int CListCtrlEx::FindItem(LVFINDINFO* pFindInfo, int nStart) const {
  if (pFindInfo == nullptr) return -1;
  if (!(pFindInfo->flags & LVFI_PARAM)) return CListCtrl::FindItem(pFindInfo, nStart);
  for (int row = std::max(0, nStart + 1); row < GetItemCount(); ++row) {
    if (GetItemData(row) == static_cast<DWORD_PTR>(pFindInfo->lParam)) return row;
  }
  return -1;
}

void CListCtrlEx::DeleteSelectedItems() {
  for (int row = GetItemCount() - 1; row >= 0; --row) {
    if (GetItemState(row, LVIS_SELECTED) & LVIS_SELECTED) DeleteItem(row);
  }
}

void CListCtrlEx::SelectItems(int nItem, BOOL bSelect) {
  UINT state = bSelect ? LVIS_SELECTED : 0;
  if (nItem == -1) {
    for (int row = 0; row < GetItemCount(); ++row) SetItemState(row, state, LVIS_SELECTED);
  } else if (ValidRow(nItem)) {
    SetItemState(nItem, state, LVIS_SELECTED);
  }
}

// ---- editors, colours, flags -------------------------------------------------------------------

void CListCtrlEx::SetEditor(EditorInfo& info, PFNEDITORCALLBACK pfnInit, PFNEDITORCALLBACK pfnEnd, CWnd* pEditor) {
  info.pfnInitEditor = pfnInit;
  info.pfnEndEditor = pfnEnd;
  info.pEditor = pEditor;
}

void CListCtrlEx::SetDefaultEditor(PFNEDITORCALLBACK pfnInitEditor, PFNEDITORCALLBACK pfnEndEditor, CWnd* pEditor) {
  SetEditor(m_defaultEditor, pfnInitEditor, pfnEndEditor, pEditor);
}

void CListCtrlEx::SetDefaultEditor(CWnd* pEditor) { SetDefaultEditor(nullptr, nullptr, pEditor); }

BOOL CListCtrlEx::SetColumnEditor(int nColumn, PFNEDITORCALLBACK pfnInitEditor, PFNEDITORCALLBACK pfnEndEditor,
                                  CWnd* pEditor) {
  ColumnInfo* col = EnsureColumn(nColumn);
  if (col == nullptr) return FALSE;
  SetEditor(*col, pfnInitEditor, pfnEndEditor, pEditor);
  return TRUE;
}

BOOL CListCtrlEx::SetColumnEditor(int nColumn, CWnd* pEditor) { return SetColumnEditor(nColumn, nullptr, nullptr, pEditor); }

BOOL CListCtrlEx::SetRowEditor(int nRow, PFNEDITORCALLBACK pfnInitEditor, PFNEDITORCALLBACK pfnEndEditor, CWnd* pEditor) {
  ItemData* rec = EnsureRecord(nRow);
  if (rec == nullptr) return FALSE;
  SetEditor(*rec, pfnInitEditor, pfnEndEditor, pEditor);
  return TRUE;
}

BOOL CListCtrlEx::SetRowEditor(int nRow, CWnd* pEditor) { return SetRowEditor(nRow, nullptr, nullptr, pEditor); }

BOOL CListCtrlEx::SetCellEditor(int nRow, int nColumn, PFNEDITORCALLBACK pfnInitEditor, PFNEDITORCALLBACK pfnEndEditor,
                                CWnd* pEditor) {
  CellInfo* cell = EnsureCell(nRow, nColumn);
  if (cell == nullptr) return FALSE;
  SetEditor(*cell, pfnInitEditor, pfnEndEditor, pEditor);
  return TRUE;
}

BOOL CListCtrlEx::SetCellEditor(int nRow, int nColumn, CWnd* pEditor) {
  return SetCellEditor(nRow, nColumn, nullptr, nullptr, pEditor);
}

BOOL CListCtrlEx::SetColumnColors(int nColumn, COLORREF clrBack, COLORREF clrText) {
  ColumnInfo* col = EnsureColumn(nColumn);
  if (col == nullptr) return FALSE;
  col->clrBack = clrBack;
  col->clrText = clrText;
  Invalidate();
  return TRUE;
}

BOOL CListCtrlEx::SetRowColors(int nRow, COLORREF clrBack, COLORREF clrText) {
  ItemData* rec = EnsureRecord(nRow);
  if (rec == nullptr) return FALSE;
  rec->clrBack = clrBack;
  rec->clrText = clrText;
  RedrawItems(nRow, nRow);
  return TRUE;
}

BOOL CListCtrlEx::SetCellColors(int nRow, int nColumn, COLORREF clrBack, COLORREF clrText) {
  CellInfo* cell = EnsureCell(nRow, nColumn);
  if (cell == nullptr) return FALSE;
  cell->clrBack = clrBack;
  cell->clrText = clrText;
  RedrawItems(nRow, nRow);
  return TRUE;
}

BOOL CListCtrlEx::SetColumnReadOnly(int nColumn, BOOL bReadOnly) {
  ColumnInfo* col = EnsureColumn(nColumn);
  if (col == nullptr) return FALSE;
  col->bReadOnly = bReadOnly ? TRUE : FALSE;
  return TRUE;
}

BOOL CListCtrlEx::SetRowReadOnly(int nRow, BOOL bReadOnly) {
  ItemData* rec = EnsureRecord(nRow);
  if (rec == nullptr) return FALSE;
  rec->bReadOnly = bReadOnly ? TRUE : FALSE;
  return TRUE;
}

BOOL CListCtrlEx::SetCellReadOnly(int nRow, int nColumn, BOOL bReadOnly) {
  CellInfo* cell = EnsureCell(nRow, nColumn);
  if (cell == nullptr) return FALSE;
  cell->bReadOnly = bReadOnly ? TRUE : FALSE;
  return TRUE;
}

BOOL CListCtrlEx::IsColumnReadOnly(int nColumn) const {
  ColumnInfo* col = FindColumn(nColumn);
  return col != nullptr && col->bReadOnly ? TRUE : FALSE;
}

BOOL CListCtrlEx::IsRowReadOnly(int nRow) const {
  ItemData* rec = RecordOf(nRow);
  return rec != nullptr && rec->bReadOnly ? TRUE : FALSE;
}

BOOL CListCtrlEx::IsCellReadOnly(int nRow, int nColumn) const {
  if (CellInfo* cell = FindCell(RecordOf(nRow), nColumn)) return cell->bReadOnly ? TRUE : FALSE;
  return IsRowReadOnly(nRow) || IsColumnReadOnly(nColumn);
}

BOOL CListCtrlEx::SetCellValue(int nRow, int nColumn, DWORD dwValue) {
  CellInfo* cell = EnsureCell(nRow, nColumn);
  if (cell == nullptr) return FALSE;
  cell->dwValue = dwValue;
  return TRUE;
}

DWORD CListCtrlEx::GetCellValue(int nRow, int nColumn) const {
  CellInfo* cell = FindCell(RecordOf(nRow), nColumn);
  return cell != nullptr ? cell->dwValue : 0;
}

BOOL CListCtrlEx::SetColumnSort(int nColumn, DWORD dwFlags, int nCompareKind) {
  if ((dwFlags & (SortAscending | SortDescending | SortToggle)) == 0) return FALSE;
  ColumnInfo* col = EnsureColumn(nColumn);
  if (col == nullptr) return FALSE;
  col->dwSort = dwFlags;
  col->nCompareKind = nCompareKind;
  col->pfnCompare = nullptr;
  return TRUE;
}

BOOL CListCtrlEx::SetColumnSort(int nColumn, DWORD dwFlags, PFNLVCOMPARE pfnCompare) {
  if ((dwFlags & (SortAscending | SortDescending | SortToggle)) == 0) return FALSE;
  ColumnInfo* col = EnsureColumn(nColumn);
  if (col == nullptr) return FALSE;
  col->dwSort = dwFlags;
  col->pfnCompare = pfnCompare;
  return TRUE;
}

// ---- editing ---------------------------------------------------------------------------------

bool CListCtrlEx::CellRect(int nRow, int nColumn, CRect& rc) {
  EnsureVisible(nRow, FALSE);
  if (!GetSubItemRect(nRow, nColumn, LVIR_LABEL, rc)) return false;
  CRect client;
  GetClientRect(&client);
  if (rc.right > client.right) {
    Scroll(CSize(rc.Width() > client.Width() ? rc.left - client.left : rc.right - client.right, 0));
    GetSubItemRect(nRow, nColumn, LVIR_LABEL, rc);
  }
  if (rc.left < client.left) {
    Scroll(CSize(rc.left - client.left, 0));
    GetSubItemRect(nRow, nColumn, LVIR_LABEL, rc);
  }
  if (rc.right > client.Width() - 4) rc.right = std::max(rc.left, static_cast<LONG>(client.Width() - 4));
  return true;
}

BOOL CListCtrlEx::EditCell(int nRow, int nColumn) {
  if (GetSafeHwnd() == nullptr) return FALSE;
  if (m_pActiveEditor != nullptr) {
    ItemData* rec = RecordOf(nRow);
    EndEdit(TRUE);
    if (rec != nullptr) nRow = RowOfRecord(rec);
  }
  if (!ValidRow(nRow) || !ValidColumn(nColumn)) return FALSE;
  if (IsColumnReadOnly(nColumn) || IsRowReadOnly(nRow) || IsCellReadOnly(nRow, nColumn)) return FALSE;
  CRect rc;
  if (!CellRect(nRow, nColumn, rc)) return FALSE;

  EditorInfo* editor = &m_defaultEditor;
  ColumnInfo* col = FindColumn(nColumn);
  ItemData* rec = RecordOf(nRow);
  CellInfo* cell = FindCell(rec, nColumn);
  const EditorInfo* levels[] = {col, rec, cell};
  for (const EditorInfo* level : levels) {
    if (level == nullptr) continue;
    if (level->bReadOnly) return FALSE;
    if (level->HasEditor()) editor = const_cast<EditorInfo*>(level);
  }
  if (!editor->HasEditor() || editor->bReadOnly) return FALSE;

  m_nEditRow = m_nTabRow = nRow;
  m_nEditCol = m_nTabCol = nColumn;
  CString text = GetItemText(nRow, nColumn);
  if (editor->pfnInitEditor != nullptr) {
    editor->pfnInitEditor(&editor->pEditor, nRow, nColumn, text, rec != nullptr ? rec->dwValue : 0, this, TRUE);
    // The callback may have changed the list.
    if (RecordOf(nRow) != rec || !ValidColumn(nColumn)) {
      m_nEditRow = m_nEditCol = -1;
      return FALSE;
    }
  }
  CWnd* wnd = editor->pEditor;
  if (wnd == nullptr || wnd->GetSafeHwnd() == nullptr) {
    m_nEditRow = m_nEditCol = -1;
    return FALSE;
  }
  SelectItems(-1, FALSE);
  if (editor->pfnInitEditor == nullptr) wnd->SetWindowText(text);
  if (wnd->GetParent() != this) wnd->SetParent(this);
  wnd->SetOwner(this);
  wnd->SetWindowPos(wndTop, rc.left, rc.top, rc.Width(), rc.Height(), SWP_SHOWWINDOW);
  wnd->ShowWindow(SW_SHOW);
  wnd->SetFocus();
  m_pActiveEditor = editor;
  m_activeEditor = *editor;
  m_pEditRecord = rec;
  m_hEditorWnd = wnd->GetSafeHwnd();
  m_msgHook.Attach(m_hEditorWnd, m_hWnd, nullptr);
  return TRUE;
}

void CListCtrlEx::EndEdit(int bAccept) {
  CSingleLock lock(&m_csEdit, TRUE);
  if (!m_msgHook.Detach()) {
    // The hook let go of an editor whose window was destroyed: that edit is over, unwritten.
    if (m_pActiveEditor != nullptr && !IsWindow(m_hEditorWnd)) {
      m_pActiveEditor = nullptr;
      m_pEditRecord = nullptr;
      m_hEditorWnd = nullptr;
      m_nEditRow = m_nEditCol = -1;
    }
    return;
  }
  EditorInfo info = m_activeEditor;
  if (m_pActiveEditor != nullptr && m_pActiveEditor != &m_activeEditor) info = *m_pActiveEditor;
  ItemData* rec = m_pEditRecord;
  int column = m_nEditCol;
  CWnd* editor = CWnd::FromHandle(m_hEditorWnd);
  if (editor != nullptr) editor->ShowWindow(SW_HIDE);

  int row = rec != nullptr ? RowOfRecord(rec) : (m_pActiveEditor != nullptr && ValidRow(m_nEditRow) ? m_nEditRow : -1);
  // A row deleted meanwhile is not written.
  bool rowAlive = row >= 0 && ValidColumn(column);
  CString text;
  DWORD_PTR value = 0;
  if (rowAlive) {
    text = GetItemText(row, column);
    value = rec != nullptr ? rec->dwValue : 0;
  } else {
    bAccept = FALSE;
  }
  if (info.pfnEndEditor != nullptr) {
    CWnd* edited = editor;
    bAccept = info.pfnEndEditor(&edited, row, column, text, value, this, bAccept);
    if (m_pActiveEditor != nullptr && m_pActiveEditor != &m_activeEditor) m_pActiveEditor->pEditor = edited;
  } else if (editor != nullptr) {
    editor->GetWindowText(text);
  }
  // The callback may have changed the rows.
  if (rowAlive) {
    row = rec != nullptr ? RowOfRecord(rec) : (ValidRow(row) ? row : -1);
    rowAlive = row >= 0 && ValidColumn(column);
  }
  if (rowAlive && bAccept != 0) SetItemText(row, column, text);
  if (rowAlive) RedrawItems(row, row);
  m_pActiveEditor = nullptr;
  m_pEditRecord = nullptr;
  m_hEditorWnd = nullptr;
  m_nEditRow = m_nEditCol = -1;
  if (rowAlive && bAccept == -1) SortOnColumn(column, FALSE);
}

bool CListCtrlEx::FromEditor(HWND hWnd) const {
  if (m_pActiveEditor == nullptr || m_hEditorWnd == nullptr) return false;
  for (CWnd* w = CWnd::FromHandle(hWnd); w != nullptr; w = w->GetParent()) {
    if (w->m_hWnd == m_hEditorWnd) return true;
    if (w->m_hWnd == m_hWnd) return false;
  }
  return false;
}

void CListCtrlEx::PlaceEditor() {
  CWnd* editor = CWnd::FromHandle(m_hEditorWnd);
  if (editor == nullptr || !ValidRow(m_nEditRow) || !ValidColumn(m_nEditCol)) return;
  CRect rc;
  if (!GetSubItemRect(m_nEditRow, m_nEditCol, LVIR_LABEL, rc)) return;
  CRect client;
  GetClientRect(&client);
  if (rc.right > client.Width() - 4) rc.right = std::max(rc.left, static_cast<LONG>(client.Width() - 4));
  editor->MoveWindow(rc.left, rc.top, rc.Width(), rc.Height());
}

BOOL CListCtrlEx::OnTabPastLastCell() { return FALSE; }

bool CListCtrlEx::MoveTab(bool bBackward) {
  if (!bBackward && GetItemCount() == 0) OnTabPastLastCell();
  int rows = GetItemCount();
  int cols = ColumnCount();
  if (rows == 0 || cols == 0) return false;
  int row = m_nTabRow;
  int col = m_nTabCol;
  auto step = [&] {
    if (bBackward) {
      if (--col < 0) {
        col = cols - 1;
        --row;
      }
    } else if (++col >= cols) {
      col = 0;
      ++row;
    }
  };
  if (row < 0 || row >= rows || col < 0 || col >= cols) {
    row = bBackward ? rows - 1 : 0;
    col = bBackward ? cols - 1 : 0;
  } else {
    step();
  }
  for (int guard = 0; guard <= rows * cols && row >= 0 && row < GetItemCount(); ++guard) {
    if (EditCell(row, col)) return true;
    cols = ColumnCount();
    if (col >= cols) break;
    step();
  }
  // Past the last (or first) cell: the user leaves the list, the edit ends and the next Tab
  // starts over.
  if (m_pActiveEditor != nullptr) EndEdit(TRUE);
  m_nTabRow = m_nTabCol = -1;
  return false;
}

BOOL CListCtrlEx::PreTranslateMessage(MSG* pMsg) {
  if (pMsg != nullptr && pMsg->message == WM_KEYDOWN && m_hWnd != nullptr) {
    bool ctrl = (GetKeyState(VK_CONTROL) & 0x8000) != 0;
    if (pMsg->wParam == VK_TAB && !ctrl) {
      if (FromEditor(pMsg->hwnd)) {
        m_nPostedTabBackward = (GetKeyState(VK_SHIFT) & 0x8000) != 0 ? 1 : 0;
        PostMessage(WM_KEYDOWN, VK_TAB, pMsg->lParam);
        return TRUE;
      }
      if (pMsg->hwnd == m_hWnd) {
        bool backward = m_nPostedTabBackward >= 0 ? m_nPostedTabBackward == 1 : (GetKeyState(VK_SHIFT) & 0x8000) != 0;
        m_nPostedTabBackward = -1;
        if (MoveTab(backward)) return TRUE;
        return CListCtrl::PreTranslateMessage(pMsg);
      }
    }
    if (pMsg->wParam == VK_DELETE && m_bDeleteKey && pMsg->hwnd == m_hWnd) {
      DeleteSelectedItems();
      return TRUE;
    }
    // Enter and Escape in an editor belong to the edit (the hook ends it), not to the dialog
    // around the list; a drop-down that is open keeps its keys.
    if ((pMsg->wParam == VK_RETURN || pMsg->wParam == VK_ESCAPE) && pMsg->hwnd != m_hWnd) {
      CWnd* target = CWnd::FromHandle(pMsg->hwnd);
      CHeaderCtrl* header = GetHeaderCtrl();
      bool inside = target != nullptr && IsChild(target) && (header == nullptr || target != header);
      if (inside && target->SendMessage(CB_GETDROPPEDSTATE) == 0) return TRUE;
    }
  }
  return CListCtrl::PreTranslateMessage(pMsg);
}

LRESULT CListCtrlEx::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_LISTCTRLEX_ENDEDIT) {
    EndEdit(wParam != 0 ? TRUE : FALSE);
    return 0;
  }
  if (message == WM_DESTROY) {
    m_msgHook.Detach();
    m_pActiveEditor = nullptr;
    m_pEditRecord = nullptr;
    m_hEditorWnd = nullptr;
  }
  return CListCtrl::WindowProc(message, wParam, lParam);
}

BOOL CListCtrlEx::OnDblClk(NMHDR* pNMHDR, LRESULT* pResult) {
  *pResult = 0;
  auto* nm = reinterpret_cast<NMITEMACTIVATE*>(pNMHDR);
  if (nm->iItem < 0 || nm->iSubItem < 0) return FALSE;
  return EditCell(nm->iItem, nm->iSubItem);
}

BOOL CListCtrlEx::OnCustomDraw(NMHDR* pNMHDR, LRESULT* pResult) {
  auto* cd = reinterpret_cast<NMLVCUSTOMDRAW*>(pNMHDR);
  *pResult = CDRF_DODEFAULT;
  switch (cd->nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
    case CDDS_ITEMPREPAINT:
      // The list keeps this answer only when the notification stays here.
      *pResult = CDRF_NOTIFYSUBITEMDRAW;
      return TRUE;
    case CDDS_ITEMPREPAINT | CDDS_SUBITEM: {
      int row = static_cast<int>(cd->nmcd.dwItemSpec);
      int col = cd->iSubItem;
      const ItemData* rec = RecordOf(row);
      const CellInfo* cell = FindCell(rec, col);
      const ColumnInfo* column = FindColumn(col);
      COLORREF back = kUnset, text = kUnset;
      bool found = false;
      if (cell != nullptr && (cell->clrBack != kUnset || cell->clrText != kUnset)) {
        back = cell->clrBack;
        text = cell->clrText;
        found = true;
      } else if (rec != nullptr && (rec->clrBack != kUnset || rec->clrText != kUnset)) {
        back = rec->clrBack;
        text = rec->clrText;
        found = true;
      } else if (column != nullptr && (column->clrBack != kUnset || column->clrText != kUnset)) {
        back = column->clrBack;
        text = column->clrText;
        found = true;
      }
      // Colours carry over from one cell to the next unless put back.
      cd->clrTextBk = back != kUnset ? back : m_crDefaultBack;
      cd->clrText = text != kUnset ? text : m_crDefaultText;
      if (found) {
        *pResult = CDRF_NEWFONT;
        return TRUE;
      }
      return FALSE;
    }
    default:
      return FALSE;
  }
}

void CListCtrlEx::OnColumnClick(NMHDR* pNMHDR, LRESULT* pResult) {
  *pResult = 0;
  SortOnColumn(reinterpret_cast<NMLISTVIEW*>(pNMHDR)->iSubItem, TRUE);
}

// ---- sorting ---------------------------------------------------------------------------------

int CListCtrlEx::CompareTexts(int nKind, const CString& a, const CString& b) {
  switch (nKind) {
    case CompareNone:
      return 0;
    case CompareInteger:
      return Sign(_wtol(a), _wtol(b));
    case CompareFloat: {
      double x = _wtof(a), y = _wtof(b);
      bool nx = std::isnan(x), ny = std::isnan(y);
      if (nx || ny) return nx == ny ? 0 : (nx ? -1 : 1);
      return x < y ? -1 : (x > y ? 1 : 0);
    }
    case CompareIntegerOrText:
    case CompareIntegerOrTextNoCase: {
      long x = 0, y = 0;
      if (PlainInteger(a, x) && PlainInteger(b, y) && x != y) return Sign(x, y);
      return SignOf(nKind == CompareIntegerOrText ? a.Compare(b) : a.CompareNoCase(b));
    }
    case CompareTextNoCase:
      return SignOf(a.CompareNoCase(b));
    case CompareDate: {
      long long x = 0, y = 0;
      // Dates as the user's locale writes them; a text that is no date sorts before every date.
      bool dx = ParseLocaleDateTime(LOCALE_USER_DEFAULT, a, x) != FALSE;
      bool dy = ParseLocaleDateTime(LOCALE_USER_DEFAULT, b, y) != FALSE;
      if (!dx || !dy) return dx == dy ? 0 : (dx ? 1 : -1);
      return Sign(x, y);
    }
    default:
      return SignOf(a.Compare(b));
  }
}

int CALLBACK CListCtrlEx::CompareRows(LPARAM lParam1, LPARAM lParam2, LPARAM lParamSort) {
  auto* self = reinterpret_cast<CListCtrlEx*>(lParamSort);
  const auto* a = reinterpret_cast<const ItemData*>(lParam1);
  const auto* b = reinterpret_cast<const ItemData*>(lParam2);
  bool recA = self->m_rowSet.count(a) != 0;
  bool recB = self->m_rowSet.count(b) != 0;
  const ColumnInfo* column = self->FindColumn(self->m_nSortColumn);
  int direction = 0;
  if (column != nullptr) {
    if (column->dwSort & SortAscending) direction = 1;
    else if (column->dwSort & SortDescending) direction = -1;
  }
  PFNLVCOMPARE compare = self->m_pfnUserCompare != nullptr ? self->m_pfnUserCompare
                                                            : (column != nullptr ? column->pfnCompare : nullptr);
  if (compare != nullptr) {
    LPARAM param = self->m_lUserCompareParam != 0 ? self->m_lUserCompareParam : self->m_nSortColumn;
    LPARAM va = recA ? static_cast<LPARAM>(a->dwValue) : lParam1;
    LPARAM vb = recB ? static_cast<LPARAM>(b->dwValue) : lParam2;
    int r = SignOf(compare(va, vb, param));
    if (self->m_lUserCompareParam != 0 || direction == 0) return r;
    return r * direction;
  }
  if (direction == 0 || column == nullptr) return 0;
  int rowA = recA ? self->RowOfRecord(a) : static_cast<int>(lParam1);
  int rowB = recB ? self->RowOfRecord(b) : static_cast<int>(lParam2);
  if (!self->ValidRow(rowA) || !self->ValidRow(rowB)) return 0;
  CString ta, tb;
  if (self->m_pSort != nullptr && static_cast<size_t>(rowA) < self->m_pSort->texts.size() &&
      static_cast<size_t>(rowB) < self->m_pSort->texts.size()) {
    ta = self->m_pSort->texts[static_cast<size_t>(rowA)];
    tb = self->m_pSort->texts[static_cast<size_t>(rowB)];
  } else {
    ta = self->GetItemText(rowA, self->m_nSortColumn);
    tb = self->GetItemText(rowB, self->m_nSortColumn);
  }
  return direction * CompareTexts(column->nCompareKind, ta, tb);
}

BOOL CListCtrlEx::SortRows() {
  SortContext context;
  int rows = GetItemCount();
  context.texts.reserve(static_cast<size_t>(rows));
  for (int row = 0; row < rows; ++row) {
    if (const ItemData* rec = RecordOf(row)) context.rows[rec] = row;
    context.texts.push_back(ValidColumn(m_nSortColumn) ? GetItemText(row, m_nSortColumn) : CString());
  }
  m_pSort = &context;
  BOOL ok = SortItems(&CListCtrlEx::CompareRows, reinterpret_cast<DWORD_PTR>(this));
  m_pSort = nullptr;
  if (m_pActiveEditor != nullptr && m_pEditRecord != nullptr) {
    int row = RowOfRecord(m_pEditRecord);
    if (row >= 0) {
      m_nEditRow = m_nTabRow = row;
      PlaceEditor();
    }
  }
  return ok;
}

BOOL CListCtrlEx::SortWith(PFNLVCOMPARE pfnCompare, LPARAM dwParam) {
  if (pfnCompare == nullptr || GetSafeHwnd() == nullptr) return FALSE;
  CString trace;
  trace.Format(L"\nBefore : %d", m_nEditRow);
  OutputDebugString(trace);
  m_pfnUserCompare = pfnCompare;
  m_lUserCompareParam = dwParam;
  BOOL ok = SortRows();
  m_pfnUserCompare = nullptr;
  m_lUserCompareParam = 0;
  trace.Format(L"\nAfter : %d", m_nEditRow);
  OutputDebugString(trace);
  return ok;
}

void CListCtrlEx::SortOnColumn(int nColumn, BOOL bToggle) {
  ColumnInfo* column = FindColumn(nColumn);
  if (column == nullptr || (column->dwSort & (SortAscending | SortDescending | SortToggle)) == 0) return;
  if (column->dwSort & SortToggle) {
    // One direction at a time; a column without one starts descending, so that the first
    // toggling click sorts ascending.
    if ((column->dwSort & (SortAscending | SortDescending)) == (SortAscending | SortDescending)) {
      column->dwSort &= ~SortDescending;
    }
    if ((column->dwSort & (SortAscending | SortDescending)) == 0) column->dwSort |= SortDescending;
    if (bToggle) column->dwSort ^= SortAscending | SortDescending;
  }
  CHeaderCtrl* header = GetHeaderCtrl();
  if (header != nullptr && m_nSortColumn >= 0 && m_nSortColumn < header->GetItemCount()) {
    HDITEM item{};
    item.mask = HDI_FORMAT;
    if (header->GetItem(m_nSortColumn, &item)) {
      item.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
      header->SetItem(m_nSortColumn, &item);
    }
  }
  m_nSortColumn = nColumn;
  SortRows();
  if (header != nullptr && nColumn < header->GetItemCount()) {
    HDITEM item{};
    item.mask = HDI_FORMAT;
    if (header->GetItem(nColumn, &item)) {
      item.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
      item.fmt |= (column->dwSort & SortAscending) ? HDF_SORTUP : HDF_SORTDOWN;
      header->SetItem(nColumn, &item);
    }
  }
}
