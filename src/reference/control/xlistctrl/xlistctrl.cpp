#include "reference/control/xlistctrl/xlistctrl.h"

#include <algorithm>
#include <string>

#include "platform/codepage.h"
#include "platform/trace.h"

namespace {
constexpr UINT_PTR kComboTimer = 1;       // button release and re-activation, 100 ms
constexpr UINT_PTR kCloseTimer = 2;       // close after Escape
constexpr UINT_PTR kAcceptTimer = 3;      // accept after Return or a click
constexpr UINT_PTR kKeyTimer = 4;         // take the key selection
constexpr int kScrollBarWidth = 11;
constexpr int kTipLimit = 80;             // the notification's text buffer, terminator included
constexpr COLORREF kProgressBack = RGB(224, 224, 224);
}  // namespace

BEGIN_MESSAGE_MAP(CXListCtrl, CListCtrl)
  ON_NOTIFY_REFLECT_EX(NM_CLICK, &CXListCtrl::OnReflectClick)
  ON_NOTIFY_REFLECT_EX(LVN_COLUMNCLICK, &CXListCtrl::OnReflectColumnClick)
  ON_NOTIFY_REFLECT(NM_CUSTOMDRAW, &CXListCtrl::OnReflectCustomDraw)
  ON_WM_CREATE()
  ON_WM_DESTROY()
  ON_WM_LBUTTONDOWN()
  ON_WM_PAINT()
  ON_WM_SYSCOLORCHANGE()
  ON_WM_TIMER()
  ON_NOTIFY_EX_RANGE(TTN_NEEDTEXTW, 0, 0xFFFF, &CXListCtrl::OnNeedToolTipText)
  ON_NOTIFY_EX_RANGE(TTN_NEEDTEXTA, 0, 0xFFFF, &CXListCtrl::OnNeedToolTipText)
  ON_REGISTERED_MESSAGE(WM_XCOMBOLIST_VK_ESCAPE, &CXListCtrl::OnDropDownEscape)
  ON_REGISTERED_MESSAGE(WM_XCOMBOLIST_VK_RETURN, &CXListCtrl::OnDropDownReturn)
  ON_REGISTERED_MESSAGE(WM_XCOMBOLIST_KEYDOWN, &CXListCtrl::OnDropDownKey)
  ON_REGISTERED_MESSAGE(WM_XCOMBOLIST_LBUTTONUP, &CXListCtrl::OnDropDownMouseUp)
END_MESSAGE_MAP()

CXListCtrl::CXListCtrl() { ReadSysColours(); }

CXListCtrl::~CXListCtrl() {
  CloseDropDown();
  if (::IsWindow(GetSafeHwnd())) {
    for (int row = 0; row < GetItemCount(); ++row) {
      delete Cells(row);
      SetItemData(row, 0);
    }
  }
}

void CXListCtrl::ReadSysColours() {
  m_crBtnFace = GetSysColor(COLOR_BTNFACE);
  m_crBtnHighlight = GetSysColor(COLOR_BTNHIGHLIGHT);
  m_crBtnShadow = GetSysColor(COLOR_BTNSHADOW);
  m_cr3DFace = GetSysColor(COLOR_BTNFACE);
  m_cr3DShadow = GetSysColor(COLOR_BTNSHADOW);
  m_crBtnText = GetSysColor(COLOR_BTNTEXT);
  m_crGrayText = GetSysColor(COLOR_GRAYTEXT);
  m_crHighLight = GetSysColor(COLOR_HIGHLIGHT);
  m_crHighLightText = GetSysColor(COLOR_HIGHLIGHTTEXT);
  m_crWindow = GetSysColor(COLOR_WINDOW);
  m_crWindowText = GetSysColor(COLOR_WINDOWTEXT);
}

void CXListCtrl::OnSysColorChange() {
  Default();
  ReadSysColours();
}

CHeaderCtrl* CXListCtrl::Header() const {
  if (m_bHeaderHooked && ::IsWindow(m_wndHeader.GetSafeHwnd())) return const_cast<CXHeaderCtrl*>(&m_wndHeader);
  return GetHeaderCtrl();
}

void CXListCtrl::HookHeader() {
  if (m_bHeaderHooked) return;
  CHeaderCtrl* header = GetHeaderCtrl();
  if (header == nullptr || !::IsWindow(header->GetSafeHwnd())) return;
  m_wndHeader.SubclassWindow(header->GetSafeHwnd());
  m_bHeaderHooked = TRUE;
}

int CXListCtrl::OnCreate(LPCREATESTRUCT lpCreateStruct) {
  if (CListCtrl::OnCreate(lpCreateStruct) == -1) return -1;
  HookHeader();
  return 0;
}

void CXListCtrl::PreSubclassWindow() {
  CListCtrl::PreSubclassWindow();
  HookHeader();
}

void CXListCtrl::OnDestroy() {
  CloseDropDown();
  for (int row = 0; row < GetItemCount(); ++row) {
    delete Cells(row);
    SetItemData(row, 0);
  }
  CListCtrl::OnDestroy();
}

// ---- rows and cells ------------------------------------------------------------------------

CXListCtrl::RowCells* CXListCtrl::Cells(int row) const {
  if (row < 0 || row >= GetItemCount()) return nullptr;
  return reinterpret_cast<RowCells*>(GetItemData(row));
}

CXListCtrl::CellData* CXListCtrl::Cell(int row, int column) const {
  RowCells* cells = Cells(row);
  // A column added after the row has no cell in it.
  if (cells == nullptr || column < 0 || column >= GetColumnCount() ||
      column >= static_cast<int>(cells->cells.size()))
    return nullptr;
  return &cells->cells[static_cast<size_t>(column)];
}

int CXListCtrl::GetColumnCount() const {
  CHeaderCtrl* header = Header();
  return header != nullptr ? header->GetItemCount() : 0;
}

CXListCtrl::RowCells* CXListCtrl::NewCells() const {
  auto* cells = new RowCells;
  // A row inserted before any column still has its first cell (enabled flag and row data).
  cells->cells.resize(static_cast<size_t>(std::max(1, GetColumnCount())));
  for (CellData& cell : cells->cells) {
    cell.textColour = m_crWindowText;
    cell.backColour = m_crWindow;
  }
  return cells;
}

int CXListCtrl::InsertRow(int row, const CString& text) { return InsertRow(row, text, m_crWindowText, m_crWindow); }

int CXListCtrl::InsertRow(int row, const CString& text, COLORREF textColour, COLORREF backColour) {
  if (row < 0) return -1;
  const int index = CListCtrl::InsertItem(row, text);
  if (index < 0) return index;
  RowCells* cells = NewCells();
  cells->cells[0].textColour = textColour;
  cells->cells[0].backColour = backColour;
  cells->cells[0].imageIndex = -1;
  SetItemData(index, reinterpret_cast<DWORD_PTR>(cells));
  return index;
}

int CXListCtrl::InsertRow(const LVITEM* item) {
  if (item == nullptr || item->iItem < 0) return -1;
  const int index = CListCtrl::InsertItem(item);
  if (index < 0) return index;
  RowCells* cells = NewCells();
  cells->cells[0].imageIndex = item->iImage;
  SetItemData(index, reinterpret_cast<DWORD_PTR>(cells));
  return index;
}

int CXListCtrl::SetCell(const LVITEM* item) {
  if (item == nullptr || item->iItem < 0) return -1;
  if (Cells(item->iItem) == nullptr) return 0;
  LVITEM copy = *item;
  copy.mask &= ~static_cast<UINT>(LVIF_PARAM);  // the item data holds the cells
  if (!SetItem(&copy)) return 0;
  if (CellData* cell = Cell(item->iItem, item->iSubItem)) cell->imageIndex = item->iImage;
  RedrawCell(item->iItem, item->iSubItem);
  return 1;
}

int CXListCtrl::SetCellImage(int row, int column, int image) {
  CellData* cell = Cell(row, column);
  if (cell == nullptr) return 0;
  cell->imageIndex = image;
  RedrawCell(row, column);
  return 1;
}

int CXListCtrl::SetCellText(int row, int column, const CString& text) {
  if (Cell(row, column) == nullptr) return 0;
  const BOOL result = SetItemText(row, column, text);
  RedrawCell(row, column);
  return result;
}

int CXListCtrl::SetCellText(int row, int column, const wchar_t* text, COLORREF textColour, COLORREF backColour) {
  CellData* cell = Cell(row, column);
  if (cell == nullptr) return 0;
  const BOOL result = text != nullptr ? SetItemText(row, column, text) : TRUE;
  cell->textColour = textColour == static_cast<COLORREF>(-1) ? m_crWindowText : textColour;
  cell->backColour = backColour == static_cast<COLORREF>(-1) ? m_crWindow : backColour;
  RedrawCell(row, column);
  return result;
}

CString CXListCtrl::GetCellText(int row, int column) const {
  if (row < 0 || row >= GetItemCount() || column < 0 || column >= GetColumnCount()) return CString();
  return GetItemText(row, column);
}

int CXListCtrl::DeleteRow(int row) {
  if (row < 0 || row >= GetItemCount()) return 0;
  if (m_pDropDown != nullptr && row == m_nComboRow) CloseDropDown();
  delete Cells(row);
  SetItemData(row, 0);
  return DeleteItem(row);
}

int CXListCtrl::DeleteAllRows() {
  CloseDropDown();
  for (int row = 0; row < GetItemCount(); ++row) {
    delete Cells(row);
    SetItemData(row, 0);
  }
  return DeleteAllItems();
}

int CXListCtrl::SetRowEnabled(int row, BOOL enabled) {
  RowCells* cells = Cells(row);
  if (cells == nullptr) return 0;
  cells->cells[0].rowEnabled = enabled;
  CRect rect;
  if (GetItemRect(row, &rect, LVIR_BOUNDS)) InvalidateRect(&rect, TRUE);
  UpdateWindow();
  return 1;
}

int CXListCtrl::IsRowEnabled(int row) const {
  RowCells* cells = Cells(row);
  return cells != nullptr ? cells->cells[0].rowEnabled : 0;
}

int CXListCtrl::SetCellBold(int row, int column, BOOL bold) {
  CellData* cell = Cell(row, column);
  if (cell == nullptr) return 0;
  cell->boldFont = bold;
  RedrawCell(row, column);
  return 1;
}

int CXListCtrl::IsCellBold(int row, int column) const {
  CellData* cell = Cell(row, column);
  return cell != nullptr ? cell->boldFont : 0;
}

void CXListCtrl::UpdateHeaderCheck(int column) {
  if (GetHeaderCheckState(column) <= 0) return;
  bool all = GetItemCount() > 0;
  for (int row = 0; row < GetItemCount() && all; ++row) {
    CellData* cell = Cell(row, column);
    all = cell != nullptr && cell->checkState == 1;
  }
  SetHeaderCheckState(column, all ? 2 : 1);
}

int CXListCtrl::SetCellCheckState(int row, int column, int state) {
  CellData* cell = Cell(row, column);
  if (cell == nullptr) return 0;
  cell->checkState = state;
  RedrawCell(row, column);
  UpdateHeaderCheck(column);
  return 1;
}

int CXListCtrl::GetCellCheckState(int row, int column) const {
  CellData* cell = Cell(row, column);
  return cell != nullptr ? cell->checkState : -1;
}

int CXListCtrl::CountCheckedCells(int column) const {
  if (column < 0 || column >= GetColumnCount()) return 0;
  int count = 0;
  for (int row = 0; row < GetItemCount(); ++row) {
    CellData* cell = Cell(row, column);
    if (cell != nullptr && cell->checkState == 1) ++count;
  }
  return count;
}

int CXListCtrl::GetHeaderCheckState(int column) const {
  CHeaderCtrl* header = Header();
  if (header == nullptr || column < 0 || column >= GetColumnCount()) return -1;
  HDITEM item{};
  item.mask = HDI_IMAGE;
  if (!header->GetItem(column, &item)) return -1;
  return item.iImage;
}

int CXListCtrl::SetHeaderCheckState(int column, int state) {
  CHeaderCtrl* header = Header();
  if (header == nullptr || column < 0 || column >= GetColumnCount()) return 0;
  HDITEM item{};
  item.mask = HDI_IMAGE;
  item.iImage = state;
  return header->SetItem(column, &item) ? 1 : 0;
}

bool CXListCtrl::IsSafeProgressFormat(const CString& format) {
  int conversions = 0;
  for (int i = 0; i < format.GetLength(); ++i) {
    if (format[i] != L'%') continue;
    if (i + 1 < format.GetLength() && format[i + 1] == L'%') {
      ++i;
      continue;
    }
    // One integer conversion with optional flags, width and precision.
    int j = i + 1;
    while (j < format.GetLength() && wcschr(L"-+ #0", format[j]) != nullptr) ++j;
    while (j < format.GetLength() && ((format[j] >= L'0' && format[j] <= L'9') || format[j] == L'.')) ++j;
    if (j >= format.GetLength() || (format[j] != L'd' && format[j] != L'i')) return false;
    ++conversions;
    i = j;
  }
  return conversions == 1;
}

CString CXListCtrl::ProgressLabel(const CString& format, int percent) {
  CString label;
  if (format.IsEmpty() || !IsSafeProgressFormat(format)) label.Format(L"%d%%", percent);
  else label.Format(format.GetString(), percent);
  return label;
}

int CXListCtrl::ShowCellProgress(int row, int column, BOOL showLabel, const CString& format) {
  CellData* cell = Cell(row, column);
  if (cell == nullptr) return 0;
  cell->showsProgress = TRUE;
  cell->progressPercent = 0;
  cell->progressLabel = showLabel;
  if (!format.IsEmpty() && !IsSafeProgressFormat(format))
    TRACE(L"CXListCtrl::ShowCellProgress: label format \"%s\" is not one integer conversion\n", format.GetString());
  cell->progressFormat = IsSafeProgressFormat(format) ? format : CString();
  RedrawCell(row, column);
  return 1;
}

void CXListCtrl::SetCellProgress(int row, int column, int percent) {
  CellData* cell = Cell(row, column);
  if (cell == nullptr) return;
  cell->progressPercent = std::clamp(percent, 0, 100);
  RedrawCell(row, column);
}

void CXListCtrl::HideCellProgress(int row, int column) {
  CellData* cell = Cell(row, column);
  if (cell == nullptr) return;
  cell->showsProgress = FALSE;
  cell->progressPercent = 0;
  RedrawCell(row, column);
}

int CXListCtrl::SetCellCombo(int row, int column, BOOL enable, CStringArray* items, int lines, int startIndex) {
  CellData* cell = Cell(row, column);
  if (cell == nullptr || items == nullptr) return 0;
  if (startIndex < 0 || startIndex >= items->GetSize()) startIndex = 0;
  cell->hasCombo = enable;
  if (enable) {
    cell->comboItems = items;
    cell->comboLines = std::max(1, lines);
    cell->comboStartIndex = startIndex;
    if (startIndex < items->GetSize()) SetCellText(row, column, (*items)[startIndex]);
  }
  RedrawCell(row, column);
  return 1;
}

int CXListCtrl::SetCellToolTip(int row, int column, const CString& text) {
  CellData* cell = Cell(row, column);
  if (cell == nullptr) return 0;
  cell->tipText = text;
  return 1;
}

CString CXListCtrl::GetCellToolTip(int row, int column) const {
  CellData* cell = Cell(row, column);
  return cell != nullptr ? cell->tipText : CString();
}

void CXListCtrl::ClearAllToolTips() {
  for (int row = 0; row < GetItemCount(); ++row)
    if (RowCells* cells = Cells(row))
      for (CellData& cell : cells->cells) cell.tipText.Empty();
}

DWORD CXListCtrl::GetRowData(int row) const {
  RowCells* cells = Cells(row);
  return cells != nullptr ? cells->cells[0].rowData : 0;
}

int CXListCtrl::SetRowData(int row, DWORD data) {
  RowCells* cells = Cells(row);
  if (cells == nullptr) return 0;
  cells->cells[0].rowData = data;
  return 1;
}

BOOL CXListCtrl::SelectRow(int row) { return SetItemState(row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED); }

int CXListCtrl::GetSelectedRow() const { return GetNextItem(-1, LVNI_SELECTED); }

BOOL CXListCtrl::GetCellRect(int row, int column, int code, CRect& rect) const {
  if (row < 0 || row >= GetItemCount() || column < 0 || column >= GetColumnCount()) return 0;
  const BOOL result = GetSubItemRect(row, column, code, rect);
  if (column == 0 && GetColumnCount() > 1) {
    CRect next;
    if (GetSubItemRect(row, 1, code, next)) rect.right = next.left;
  }
  return result;
}

void CXListCtrl::RedrawCell(int row, int column) {
  CRect rect;
  if (!::IsWindow(GetSafeHwnd()) || !GetCellRect(row, column, LVIR_BOUNDS, rect)) return;
  InvalidateRect(&rect, TRUE);
  UpdateWindow();
}

void CXListCtrl::Notify(UINT message, int row, int column) {
  CWnd* target = GetParent();
  if (target == nullptr) target = GetOwner();
  if (target != nullptr && ::IsWindow(target->GetSafeHwnd()))
    target->SendMessage(message, static_cast<WPARAM>(row), static_cast<LPARAM>(column));
}

// ---- drawing -------------------------------------------------------------------------------

void CXListCtrl::OnReflectCustomDraw(NMHDR* pNMHDR, LRESULT* pResult) {
  auto* cd = reinterpret_cast<NMLVCUSTOMDRAW*>(pNMHDR);
  *pResult = CDRF_DODEFAULT;
  if (cd->nmcd.dwDrawStage == CDDS_PREPAINT) {
    // The layer's list paints itself without a WM_PAINT of ours: an empty list is told after it.
    *pResult = GetItemCount() == 0 ? CDRF_NOTIFYITEMDRAW | CDRF_NOTIFYPOSTPAINT : CDRF_NOTIFYITEMDRAW;
    return;
  }
  if (cd->nmcd.dwDrawStage == CDDS_POSTPAINT) {
    if (GetItemCount() == 0) DrawEmptyText(CDC::FromHandle(cd->nmcd.hdc));
    return;
  }
  if (cd->nmcd.dwDrawStage == CDDS_ITEMPREPAINT) {
    *pResult = CDRF_NOTIFYSUBITEMDRAW;
    return;
  }
  if (cd->nmcd.dwDrawStage != (CDDS_ITEMPREPAINT | CDDS_SUBITEM)) return;
  const int row = static_cast<int>(cd->nmcd.dwItemSpec);
  const int column = cd->iSubItem;
  RowCells* cells = reinterpret_cast<RowCells*>(cd->nmcd.lItemlParam);
  CellData* cell = Cell(row, column);
  if (cells != Cells(row)) cell = nullptr;  // the item data is not this row's cells
  COLORREF text = m_crWindowText, back = m_crWindow;
  if (cell != nullptr) {
    text = cell->textColour;
    back = cell->backColour;
    if (!cells->cells[0].rowEnabled) text = m_crGrayText;
  }
  cd->clrText = text;
  cd->clrTextBk = back;
  CDC* pDC = CDC::FromHandle(cd->nmcd.hdc);
  CRect rect;
  if (pDC == nullptr || !GetCellRect(row, column, LVIR_BOUNDS, rect)) return;
  const bool selected = (GetItemState(row, LVIS_SELECTED) & LVIS_SELECTED) != 0;
  if (cell != nullptr && cell->showsProgress) {
    DrawProgress(pDC, row, column, rect);
  } else if (cell != nullptr && cell->hasCombo && selected) {
    DrawCombo(pDC, row, column, rect);
  } else if (cell != nullptr && cell->checkState != -1 && !cell->hasCombo) {
    DrawCheckbox(pDC, row, column, rect, text, back);
  } else {
    COLORREF t = text, b = back;
    SelectionColours(row, column, t, b);
    pDC->FillSolidRect(&rect, b);
    if (cell == nullptr || !cell->hasCombo) rect.left += DrawImage(pDC, row, column, rect, b);
    DrawText(pDC, row, column, rect, t, b);
  }
  *pResult = CDRF_SKIPDEFAULT;
}

void CXListCtrl::SelectionColours(int row, int column, COLORREF& text, COLORREF& back) const {
  const bool selected = (GetItemState(row, LVIS_SELECTED) & LVIS_SELECTED) != 0;
  if (!selected || (!(GetExtendedStyle() & LVS_EX_FULLROWSELECT) && column != 0)) return;
  if (CWnd::GetFocus() == this) {
    text = m_crHighLightText;
    back = m_crHighLight;
  } else if (GetStyle() & LVS_SHOWSELALWAYS) {
    text = m_crWindowText;
    back = m_crBtnFace;
  }
}

void CXListCtrl::DrawText(CDC* pDC, int row, int column, CRect rect, COLORREF text, COLORREF back) {
  const CString str = GetItemText(row, column);
  if (str.IsEmpty()) return;
  UINT format = DT_VCENTER | DT_SINGLELINE;
  HDITEM item{};
  item.mask = HDI_FORMAT;
  CHeaderCtrl* header = Header();
  if (header != nullptr && header->GetItem(column, &item)) {
    if ((item.fmt & HDF_JUSTIFYMASK) == HDF_CENTER) format |= DT_CENTER;
    else if ((item.fmt & HDF_JUSTIFYMASK) == HDF_RIGHT) format |= DT_RIGHT;
    else format |= DT_LEFT;
  }
  CFont bold;
  CFont* oldFont = nullptr;
  CellData* cell = Cell(row, column);
  if (cell != nullptr && cell->boldFont) {
    LOGFONT lf{};
    CFont* current = pDC->GetCurrentFont();
    if (current != nullptr) current->GetLogFont(&lf);
    lf.lfWeight = FW_BOLD;
    bold.CreateFontIndirect(&lf);
    oldFont = pDC->SelectObject(&bold);
  }
  pDC->SetBkMode(TRANSPARENT);
  pDC->SetTextColor(text);
  pDC->SetBkColor(back);
  pDC->DrawText(str, &rect, format);
  if (oldFont != nullptr) pDC->SelectObject(oldFont);
}

int CXListCtrl::DrawImage(CDC* pDC, int row, int column, CRect rect, COLORREF back) {
  const int gap = m_wndHeader.GetGap();
  rect.left += gap;
  CImageList* images = GetImageList(LVSIL_SMALL);
  CellData* cell = Cell(row, column);
  if (images == nullptr || cell == nullptr || cell->imageIndex == -1 || rect.Width() <= 0) return gap;
  IMAGEINFO info{};
  images->GetImageInfo(cell->imageIndex, &info);
  const int w = info.rcImage.right - info.rcImage.left, h = info.rcImage.bottom - info.rcImage.top;
  const COLORREF old = images->SetBkColor(back);
  const int saved = pDC->SaveDC();
  pDC->IntersectClipRect(rect.left, rect.top, rect.left + std::min(w, rect.Width()), rect.bottom);
  images->Draw(pDC, cell->imageIndex, CPoint(rect.left, rect.top + (rect.Height() - h) / 2), ILD_NORMAL);
  pDC->RestoreDC(saved);
  images->SetBkColor(old);
  return gap + w;
}

void CXListCtrl::DrawCheckbox(CDC* pDC, int row, int column, CRect rect, COLORREF text, COLORREF back) {
  SelectionColours(row, column, text, back);
  pDC->FillSolidRect(&rect, back);
  CellData* cell = Cell(row, column);
  const CString str = GetItemText(row, column);
  CRect box(rect.left + 9, rect.top, 0, rect.bottom - 1);
  box.right = box.left + box.Height();
  if (str.IsEmpty()) {
    box.left = rect.left + rect.Width() / 2 - box.Height() / 2 - 1;
    box.right = box.left + box.Height();
  }
  pDC->FillSolidRect(&box, m_crWindow);
  box.left += 1;
  pDC->DrawEdge(&box, EDGE_SUNKEN, BF_RECT);
  if (cell != nullptr && cell->checkState == 1) {
    CPen pen(PS_SOLID, 1, IsRowEnabled(row) ? RGB(0, 0, 0) : m_crGrayText);
    CPen* oldPen = pDC->SelectObject(&pen);
    int x = box.left + 9, y = box.top + 3;
    for (int i = 0; i < 4; ++i, --x, ++y) {
      pDC->MoveTo(x, y);
      pDC->LineTo(x, y + 3);
    }
    for (int i = 0; i < 3; ++i, --x, --y) {
      pDC->MoveTo(x, y);
      pDC->LineTo(x, y + 3);
    }
    pDC->SelectObject(oldPen);
  }
  if (!str.IsEmpty()) {
    CRect textRect(box.right + 4, rect.top, rect.right, rect.bottom);
    pDC->SetBkMode(TRANSPARENT);
    pDC->SetTextColor(text);
    pDC->SetBkColor(back);
    pDC->DrawText(str, &textRect, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
  }
}

void CXListCtrl::DrawProgress(CDC* pDC, int row, int column, CRect rect) {
  CellData* cell = Cell(row, column);
  if (cell == nullptr) return;
  rect.bottom -= 1;
  rect.left += 1;
  rect.right -= 2;
  CPen shadow(PS_SOLID, 1, m_crBtnShadow), black(PS_SOLID, 1, RGB(0, 0, 0));
  CPen* oldPen = pDC->SelectObject(&shadow);
  pDC->MoveTo(rect.left, rect.top);
  pDC->LineTo(rect.right, rect.top);
  pDC->MoveTo(rect.left, rect.top);
  pDC->LineTo(rect.left, rect.bottom);
  pDC->MoveTo(rect.right, rect.top);
  pDC->LineTo(rect.right, rect.bottom);
  pDC->MoveTo(rect.left, rect.bottom);
  pDC->LineTo(rect.right + 1, rect.bottom);
  CRect inside(rect.left + 1, rect.top + 1, rect.right, rect.bottom);
  pDC->FillSolidRect(&inside, kProgressBack);
  pDC->SelectObject(&black);
  pDC->MoveTo(rect.left + 1, rect.top + 1);
  pDC->LineTo(rect.right, rect.top + 1);
  pDC->MoveTo(rect.left + 1, rect.top + 1);
  pDC->LineTo(rect.left + 1, rect.bottom);
  pDC->SelectObject(oldPen);
  const int full = rect.right - (rect.left + 2);
  CRect filled(rect.left + 2, rect.top + 2, rect.left + 2, rect.bottom);
  if (cell->progressPercent >= 1) {
    filled.right = filled.left + full * cell->progressPercent / 100;
    pDC->FillSolidRect(&filled, m_crHighLight);
  }
  CRect empty(filled.right + (cell->progressPercent >= 1 ? 1 : 0), rect.top + 2, rect.right, rect.bottom);
  if (!cell->progressLabel) return;
  const CString label = ProgressLabel(cell->progressFormat, cell->progressPercent);
  CRect textRect = rect;
  textRect.DeflateRect(1, 1);
  textRect.top += 1;
  pDC->SetBkMode(TRANSPARENT);
  const UINT format = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
  const int saved = pDC->SaveDC();
  if (filled.Width() > 0) {
    pDC->IntersectClipRect(&filled);
    pDC->SetTextColor(cell->backColour);
    pDC->DrawText(label, &textRect, format);
  }
  pDC->RestoreDC(saved);
  const int saved2 = pDC->SaveDC();
  pDC->IntersectClipRect(&empty);
  pDC->SetTextColor(cell->textColour);
  pDC->DrawText(label, &textRect, format);
  pDC->RestoreDC(saved2);
  pDC->SelectClipRgn(nullptr);
}

void CXListCtrl::DrawCombo(CDC* pDC, int row, int column, CRect rect) {
  CellData* cell = Cell(row, column);
  if (cell == nullptr) return;
  rect.bottom += 1;
  rect.left += 1;
  rect.right -= 2;
  CBrush shadow(m_crBtnShadow);
  pDC->FrameRect(&rect, &shadow);
  CRect white = rect;
  white.DeflateRect(2, 2);
  pDC->FillSolidRect(&white, RGB(255, 255, 255));
  CRect button(rect.right + 1 - rect.Height(), rect.top, rect.right + 1, rect.bottom);
  button.DeflateRect(2, 2);
  CString str = GetItemText(row, column);
  if (str.IsEmpty() && cell->comboItems != nullptr && cell->comboStartIndex < cell->comboItems->GetSize()) {
    // Set without a redraw: the cell is being drawn now.
    str = (*cell->comboItems)[cell->comboStartIndex];
    SetItemText(row, column, str);
  }
  if (!str.IsEmpty()) {
    CRect textRect(rect.left + 2, rect.top - 1, button.left - 1, rect.bottom);
    pDC->SetBkMode(TRANSPARENT);
    pDC->SetTextColor(IsRowEnabled(row) ? m_crWindowText : m_crGrayText);
    pDC->SetBkColor(m_crWindow);
    pDC->DrawText(str, &textRect, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
  }
  CPen arrowPen(PS_SOLID, 1, RGB(0, 0, 0));
  auto arrow = [&](int x, int y) {
    CPen* oldPen = pDC->SelectObject(&arrowPen);
    for (int length = 5; length >= 1; length -= 2, ++x, ++y) {
      pDC->MoveTo(x, y);
      pDC->LineTo(x + length, y);
    }
    pDC->SelectObject(oldPen);
  };
  if (!cell->comboDropped) {
    pDC->DrawEdge(&button, EDGE_RAISED, BF_RECT);
    button.DeflateRect(2, 2);
    pDC->FillSolidRect(&button, m_crBtnFace);
    arrow(button.left + 1, button.top + 2);
    return;
  }
  m_rcComboButton = button;
  pDC->FrameRect(&button, &shadow);
  button.DeflateRect(1, 1);
  pDC->FillSolidRect(&button, m_crBtnFace);
  arrow(button.left + 3, button.top + 4);
  if (m_pDropDown == nullptr) OpenDropDown(pDC, row, column, rect);
}

void CXListCtrl::OpenDropDown(CDC* pDC, int row, int column, const CRect& cellRect) {
  CellData* cell = Cell(row, column);
  if (cell == nullptr) return;
  auto* dropDown = new CXComboList(this);
  m_nComboRow = row;
  m_nComboColumn = column;
  CRect rect = cellRect;
  const int height = rect.Height();
  rect.right -= 1;
  rect.top = rect.top + height - 1;
  rect.bottom = rect.top + (height - 2) * cell->comboLines;
  m_rcDropDown = rect;
  ClientToScreen(&m_rcDropDown);
  // A popup with a parent is placed in its parent's client coordinates.
  if (!dropDown->CreateEx(0, nullptr, L"", WS_POPUP | WS_VISIBLE | WS_BORDER, rect, this, 0)) {
    delete dropDown;
    return;
  }
  m_pDropDown = dropDown;
  m_strComboOriginal.Empty();
  if (!m_bDropDownFont) {
    LOGFONT lf{};
    CFont* current = pDC->GetCurrentFont();
    if (current != nullptr && current->GetLogFont(&lf)) m_bDropDownFont = m_fontDropDown.CreateFontIndirect(&lf);
  }
  if (m_bDropDownFont) m_pDropDown->SetListFont(&m_fontDropDown, FALSE);
  CStringArray* items = cell->comboItems;
  if (items != nullptr)
    for (INT_PTR i = 0; i < items->GetSize(); ++i)
      if (!(*items)[i].IsEmpty()) m_pDropDown->AddString((*items)[i]);
  const CString text = GetItemText(row, column);
  int index = 0;
  if (text.IsEmpty()) {
    if (items != nullptr && items->GetSize() > 0) SetItemText(row, column, (*items)[0]);
  } else {
    index = m_pDropDown->FindStringExact(-1, text);
    if (index < 0) index = 0;
  }
  m_pDropDown->SetCurSel(index);
  m_pDropDown->GetText(index, m_strComboOriginal);
  m_pDropDown->Activate(kScrollBarWidth);
}

void CXListCtrl::CloseDropDown() {
  if (m_pDropDown == nullptr) return;
  CXComboList* dropDown = m_pDropDown;
  m_pDropDown = nullptr;
  if (::IsWindow(dropDown->GetSafeHwnd())) dropDown->DestroyWindow();
  delete dropDown;
}

void CXListCtrl::OnPaint() {
  Default();
  if (GetItemCount() > 0) return;
  CClientDC dc(this);
  DrawEmptyText(&dc);
}

void CXListCtrl::DrawEmptyText(CDC* pDC) {
  if (pDC == nullptr) return;
  const int saved = pDC->SaveDC();
  CRect rect;
  GetWindowRect(&rect);
  ScreenToClient(&rect);
  CHeaderCtrl* header = Header();
  if (header != nullptr && header->GetItemCount() > 0) {
    CRect item;
    header->GetItemRect(0, &item);
    rect.top += item.bottom;
  }
  rect.top += 10;
  pDC->FillSolidRect(&rect, m_crWindow);
  pDC->SetTextColor(m_crWindowText);
  pDC->SetBkColor(m_crWindow);
  pDC->SelectStockObject(ANSI_VAR_FONT);
  pDC->DrawText(kEmptyText, &rect, DT_CENTER | DT_WORDBREAK | DT_NOPREFIX | DT_NOCLIP);
  pDC->RestoreDC(saved);
}

// ---- input ---------------------------------------------------------------------------------

void CXListCtrl::OnLButtonDown(UINT nFlags, CPoint point) {
  (void)nFlags;
  int row = -1;
  for (int i = 0; i < GetItemCount(); ++i) {
    CRect rect;
    if (GetItemRect(i, &rect, LVIR_BOUNDS) && rect.PtInRect(point)) {
      row = i;
      break;
    }
  }
  if (row < 0) {
    if (m_pDropDown != nullptr) OnDropDownEscape(0, 0);
    Default();
    return;
  }
  RowCells* cells = Cells(row);
  if (cells == nullptr || !cells->cells[0].rowEnabled) return;  // not even selected
  int column = -1;
  CRect cellRect;
  for (int c = 0; c < GetColumnCount(); ++c) {
    if (GetCellRect(row, c, LVIR_BOUNDS, cellRect) && cellRect.PtInRect(point)) {
      column = c;
      break;
    }
  }
  CellData* cell = column >= 0 ? Cell(row, column) : nullptr;
  if (cell == nullptr) {
    if (m_pDropDown != nullptr) OnDropDownEscape(0, 0);
    Default();
    return;
  }
  if (cell->checkState != -1 && !cell->hasCombo) {
    cell->checkState = cell->checkState == 1 ? 0 : 1;
    RedrawCell(row, column);
    Notify(WM_XLISTCTRL_CHECKBOX_CLICKED, row, column);
    UpdateHeaderCheck(column);
  } else if (cell->hasCombo) {
    CloseDropDown();
    if (point.x >= cellRect.right - cellRect.Height() && point.x <= cellRect.right) {
      cell->comboDropped = TRUE;
      m_bComboButtonDown = TRUE;
      m_nComboRow = row;
      m_nComboColumn = column;
      SelectRow(row);
      RedrawCell(row, column);
      SetTimer(kComboTimer, 100);
    }
  } else if (m_pDropDown != nullptr) {
    OnDropDownEscape(0, 0);
  }
  Default();
}

void CXListCtrl::ReleaseComboButton() {
  if (m_bReleasing) return;
  m_bReleasing = true;
  if (m_bComboButtonDown) {
    if (CellData* cell = Cell(m_nComboRow, m_nComboColumn)) {
      cell->comboDropped = FALSE;
      RedrawCell(m_nComboRow, m_nComboColumn);
    }
  }
  m_bComboButtonDown = FALSE;
  m_bReleasing = false;
}

BOOL CXListCtrl::OnReflectClick(NMHDR* /*pNMHDR*/, LRESULT* pResult) {
  ReleaseComboButton();
  *pResult = 0;
  return FALSE;
}

BOOL CXListCtrl::OnReflectColumnClick(NMHDR* pNMHDR, LRESULT* pResult) {
  *pResult = 0;
  const int column = reinterpret_cast<NMLISTVIEW*>(pNMHDR)->iSubItem;
  const int state = GetHeaderCheckState(column);
  if (state > 0) {
    SetHeaderCheckState(column, state == 1 ? 2 : 1);
    if (CHeaderCtrl* header = Header()) header->UpdateWindow();
    for (int row = 0; row < GetItemCount(); ++row) {
      CellData* cell = Cell(row, column);
      if (cell == nullptr || cell->checkState == -1) continue;
      cell->checkState = state == 1 ? 1 : 0;
      RedrawCell(row, column);
    }
  }
  return FALSE;
}

LRESULT CXListCtrl::OnDropDownEscape(WPARAM, LPARAM) {
  KillTimer(kComboTimer);
  SetTimer(kCloseTimer, 50);
  if (Cell(m_nComboRow, m_nComboColumn) != nullptr) {
    SetItemText(m_nComboRow, m_nComboColumn, m_strComboOriginal);
    RedrawCell(m_nComboRow, m_nComboColumn);
  }
  return 0;
}

LRESULT CXListCtrl::OnDropDownReturn(WPARAM, LPARAM) {
  KillTimer(kComboTimer);
  SetTimer(kAcceptTimer, 50);
  return 0;
}

LRESULT CXListCtrl::OnDropDownMouseUp(WPARAM, LPARAM) { return OnDropDownReturn(0, 0); }

LRESULT CXListCtrl::OnDropDownKey(WPARAM, LPARAM) {
  SetTimer(kKeyTimer, 50);
  return 0;
}

void CXListCtrl::OnTimer(UINT_PTR nIDEvent) {
  switch (nIDEvent) {
    case kComboTimer:
      if (m_bComboButtonDown) {
        POINT cursor{0, 0};
        GetCursorPos(&cursor);
        CPoint point(cursor);
        ScreenToClient(&point);
        if (!m_rcComboButton.PtInRect(point)) ReleaseComboButton();
      } else if (m_pDropDown != nullptr) {
        m_pDropDown->Activate(kScrollBarWidth);
      } else {
        KillTimer(kComboTimer);
      }
      break;
    case kCloseTimer:
      KillTimer(kCloseTimer);
      CloseDropDown();
      break;
    case kAcceptTimer:
    case kKeyTimer: {
      KillTimer(nIDEvent);
      if (m_pDropDown != nullptr && m_pDropDown->GetCurSel() >= 0 && Cell(m_nComboRow, m_nComboColumn) != nullptr) {
        CString text;
        m_pDropDown->GetText(m_pDropDown->GetCurSel(), text);
        SetItemText(m_nComboRow, m_nComboColumn, text);
        RedrawCell(m_nComboRow, m_nComboColumn);
        if (nIDEvent == kAcceptTimer) Notify(WM_XLISTCTRL_COMBO_SELECTION, m_nComboRow, m_nComboColumn);
      }
      if (nIDEvent == kAcceptTimer) CloseDropDown();
      break;
    }
    default:
      break;
  }
}

// ---- tool tips -----------------------------------------------------------------------------

INT_PTR CXListCtrl::OnToolHitTest(CPoint point, TOOLINFO* info) const {
  LVHITTESTINFO hit{};
  hit.pt = point;
  const_cast<CXListCtrl*>(this)->SubItemHitTest(&hit);
  if (!(hit.flags & LVHT_ONITEMLABEL) || hit.iItem < 0) return -1;
  const UINT_PTR id = static_cast<UINT_PTR>(hit.iItem) * 1000 + static_cast<UINT_PTR>(hit.iSubItem) + 1;
  if (info != nullptr) {
    info->hwnd = GetSafeHwnd();
    info->uId = id;
    CRect client;
    GetClientRect(&client);
    info->rect = client;
    info->lpszText = LPSTR_TEXTCALLBACK;
  }
  return static_cast<INT_PTR>(id);
}

BOOL CXListCtrl::OnNeedToolTipText(UINT /*id*/, NMHDR* pNMHDR, LRESULT* pResult) {
  if (pNMHDR == nullptr || pNMHDR->idFrom == 0) return TRUE;
  *pResult = 0;
  POINT pos{0, 0};
  GetMessagePos(&pos);
  CPoint point(pos);
  ScreenToClient(&point);
  LVHITTESTINFO hit{};
  hit.pt = point;
  SubItemHitTest(&hit);
  if (!(hit.flags & LVHT_ONITEMLABEL)) return FALSE;
  const CString tip = GetCellToolTip(hit.iItem, hit.iSubItem);
  if (tip.IsEmpty()) return FALSE;
  if (pNMHDR->code == TTN_NEEDTEXTA) {
    auto* info = reinterpret_cast<NMTTDISPINFOA*>(pNMHDR);
    // Whole characters only, and room for the terminator.
    std::string bytes;
    for (int i = 0; i < tip.GetLength(); ++i) {
      const std::string one = platform::TextToBytes(CP_ACP, CString(tip[i]));
      if (bytes.size() + one.size() > static_cast<size_t>(kTipLimit - 1)) break;
      bytes += one;
    }
    std::copy(bytes.begin(), bytes.end(), info->szText);
    info->szText[bytes.size()] = '\0';
  } else {
    auto* info = reinterpret_cast<NMTTDISPINFOW*>(pNMHDR);
    const int n = std::min(tip.GetLength(), kTipLimit - 1);
    for (int i = 0; i < n; ++i) info->szText[i] = tip[i];
    info->szText[n] = L'\0';
  }
  return FALSE;
}
