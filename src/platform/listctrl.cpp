// The list view (report mode) and the header control: a scroll area that paints its rows itself,
// with a Qt header view for the column titles. Everything the classes know lives in the widgets,
// so that a control object taking over the window (SubclassWindow) finds it all there.
//
// The widgets live in listctrl_widget.cpp, the header view and CHeaderCtrl in headerctrl.cpp;
// this file holds the CListCtrl members and the registration of the window classes.
#include "platform/listctrl.h"

#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QPointer>
#include <QScrollBar>
#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

#include "platform/gdi.h"
#include "platform/listctrl_internal.h"

namespace platform {
void RegisterTabControlClass();  // tabctrl.cpp

// ---- helpers -----------------------------------------------------------------------------------

// Copies text into a caller's buffer of cch characters (always terminated); characters copied.
int CopyToBuffer(const QString& text, wchar_t* buffer, int cch) {
  if (buffer == nullptr || cch <= 0) return 0;
  std::wstring w = text.toStdWString();
  int n = std::min<int>(static_cast<int>(w.size()), cch - 1);
  for (int i = 0; i < n; ++i) buffer[i] = w[static_cast<size_t>(i)];
  buffer[n] = L'\0';
  return n;
}

// Text handed in by a caller; null and the callback marker give the empty text.
QString TextArg(const wchar_t* text) {
  if (text == nullptr || text == LPSTR_TEXTCALLBACK) return QString();
  return CString(text).q();
}

// Replaces a control's image list; returns a lasting stand-in for the previous one.
CImageList* SwapImageList(std::shared_ptr<ImageListData>& slot, std::unique_ptr<CImageList>& object,
                          std::vector<std::unique_ptr<CImageList>>& retired, CImageList* next) {
  CImageList* previous = object.get();
  if (object != nullptr) retired.push_back(std::move(object));
  slot = next != nullptr ? ImageListShare(next->GetSafeHandle()) : nullptr;
  if (slot != nullptr) {
    object = std::make_unique<CImageList>();
    object->Attach(reinterpret_cast<HIMAGELIST>(slot.get()));
  }
  return previous;
}

void RegisterCommonControlClasses() {
  WindowClassInfo list;
  list.name = CString("SysListView32");
  list.createWidget = [](CWnd*, DWORD style, DWORD exStyle, QWidget* parent) -> QWidget* {
    return new ListView(parent, style, exStyle);
  };
  list.createWrapper = []() -> CWnd* { return new CListCtrl(); };
  RegisterWindowClass(list);

  WindowClassInfo header;
  header.name = CString("SysHeader32");
  header.createWidget = MakeHeaderWidget;
  header.createWrapper = []() -> CWnd* { return new CHeaderCtrl(); };
  RegisterWindowClass(header);

  RegisterTabControlClass();
}

}  // namespace platform

using platform::ListOf;
using platform::ListRow;
using platform::ListView;

// ---- CListCtrl -----------------------------------------------------------------------------------

BOOL CListCtrl::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
  return CWnd::Create(L"SysListView32", nullptr, dwStyle, rect, pParentWnd, nID);
}

BOOL CListCtrl::CreateEx(DWORD dwExStyle, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
  return CWnd::CreateEx(dwExStyle, L"SysListView32", nullptr, dwStyle, rect, pParentWnd, nID);
}

int CListCtrl::InsertColumn(int nCol, const LVCOLUMN* pColumn) {
  ListView* v = ListOf(this);
  if (v == nullptr || pColumn == nullptr || nCol < 0) return -1;
  v->SyncStyle();
  nCol = std::min(nCol, v->ColumnCount());
  if (!v->model.insertColumns(nCol, 1)) return -1;
  platform::ListColumn& c = v->model.cols[static_cast<size_t>(nCol)];
  UINT mask = pColumn->mask;
  if (mask & LVCF_TEXT) c.text = platform::TextArg(pColumn->pszText);
  if (mask & LVCF_FMT) {
    c.lvFmt = pColumn->fmt;
    c.hdFmt = (pColumn->fmt & (LVCFMT_JUSTIFYMASK | LVCFMT_IMAGE | LVCFMT_BITMAP_ON_RIGHT)) | HDF_STRING;
  }
  c.subItem = (mask & LVCF_SUBITEM) ? pColumn->iSubItem : nCol;
  if (mask & LVCF_IMAGE) c.image = pColumn->iImage;
  v->header->resizeSection(nCol, (mask & LVCF_WIDTH) ? platform::ColumnWidthArg(pColumn->cx) : 0);
  if ((mask & LVCF_ORDER) && pColumn->iOrder >= 0 && pColumn->iOrder < v->header->count()) {
    v->header->moveSection(v->header->visualIndex(nCol), pColumn->iOrder);
  }
  emit v->model.headerDataChanged(Qt::Horizontal, nCol, nCol);
  v->Relayout();
  return nCol;
}

int CListCtrl::InsertColumn(int nCol, const CString& heading, int nFormat, int nWidth, int nSubItem) {
  std::wstring text = heading.ToWString();
  LVCOLUMN c{};
  c.mask = LVCF_TEXT | LVCF_FMT;
  c.pszText = &text[0];
  c.fmt = nFormat;
  if (nWidth != -1) {
    c.mask |= LVCF_WIDTH;
    c.cx = nWidth;
  }
  if (nSubItem != -1) {
    c.mask |= LVCF_SUBITEM;
    c.iSubItem = nSubItem;
  }
  return InsertColumn(nCol, &c);
}

BOOL CListCtrl::DeleteColumn(int nCol) {
  ListView* v = ListOf(this);
  if (v == nullptr || nCol < 0 || nCol >= v->ColumnCount()) return FALSE;
  bool ok = v->model.removeColumns(nCol, 1);
  v->Relayout();
  return ok ? TRUE : FALSE;
}

BOOL CListCtrl::GetColumn(int nCol, LVCOLUMN* pColumn) const {
  ListView* v = ListOf(this);
  if (v == nullptr || pColumn == nullptr || nCol < 0 || nCol >= v->ColumnCount()) return FALSE;
  const platform::ListColumn& c = v->model.cols[static_cast<size_t>(nCol)];
  UINT mask = pColumn->mask;
  if (mask & LVCF_FMT) pColumn->fmt = c.lvFmt;
  if (mask & LVCF_WIDTH) pColumn->cx = v->header->sectionSize(nCol);
  if (mask & LVCF_TEXT) platform::CopyToBuffer(c.text, pColumn->pszText, pColumn->cchTextMax);
  if (mask & LVCF_SUBITEM) pColumn->iSubItem = c.subItem;
  if (mask & LVCF_IMAGE) pColumn->iImage = c.image;
  if (mask & LVCF_ORDER) pColumn->iOrder = v->header->visualIndex(nCol);
  return TRUE;
}

BOOL CListCtrl::SetColumn(int nCol, const LVCOLUMN* pColumn) {
  ListView* v = ListOf(this);
  if (v == nullptr || pColumn == nullptr || nCol < 0 || nCol >= v->ColumnCount()) return FALSE;
  platform::ListColumn& c = v->model.cols[static_cast<size_t>(nCol)];
  UINT mask = pColumn->mask;
  if (mask & LVCF_TEXT) c.text = platform::TextArg(pColumn->pszText);
  if (mask & LVCF_FMT) {
    c.lvFmt = pColumn->fmt;
    int keep = c.hdFmt & ~(HDF_JUSTIFYMASK | HDF_IMAGE | HDF_BITMAP_ON_RIGHT);
    c.hdFmt = keep | (pColumn->fmt & (LVCFMT_JUSTIFYMASK | LVCFMT_IMAGE | LVCFMT_BITMAP_ON_RIGHT));
  }
  if (mask & LVCF_SUBITEM) c.subItem = pColumn->iSubItem;
  if (mask & LVCF_IMAGE) c.image = pColumn->iImage;
  if (mask & LVCF_WIDTH) v->header->resizeSection(nCol, platform::ColumnWidthArg(pColumn->cx));
  if ((mask & LVCF_ORDER) && pColumn->iOrder >= 0 && pColumn->iOrder < v->header->count()) {
    v->header->moveSection(v->header->visualIndex(nCol), pColumn->iOrder);
  }
  emit v->model.headerDataChanged(Qt::Horizontal, nCol, nCol);
  v->viewport()->update();
  return TRUE;
}

int CListCtrl::GetColumnWidth(int nCol) const {
  ListView* v = ListOf(this);
  if (v == nullptr || nCol < 0 || nCol >= v->ColumnCount()) return 0;
  return v->header->sectionSize(nCol);
}

BOOL CListCtrl::SetColumnWidth(int nCol, int cx) {
  ListView* v = ListOf(this);
  if (v == nullptr || nCol < 0 || nCol >= v->ColumnCount()) return FALSE;
  if (cx == LVSCW_AUTOSIZE || cx == LVSCW_AUTOSIZE_USEHEADER) {
    QFontMetrics fm(v->font());
    int widest = 0;
    for (const ListRow& r : v->model.rows) widest = std::max(widest, fm.horizontalAdvance(r.Text(nCol)));
    int width = widest + 2 * platform::kTextPad;
    if (nCol == 0) {
      if (v->lvExStyle & LVS_EX_CHECKBOXES) width += platform::kStateIconWidth;
      width += v->SmallImageWidth();
    }
    if (cx == LVSCW_AUTOSIZE_USEHEADER) {
      QFontMetrics hfm(v->header->font());
      width = std::max(width, hfm.horizontalAdvance(v->model.cols[static_cast<size_t>(nCol)].text) + 4 * platform::kTextPad);
      if (v->header->visualIndex(nCol) == v->header->count() - 1) {
        int others = v->header->length() - v->header->sectionSize(nCol);
        width = std::max(width, v->viewport()->width() - others);
      }
    }
    cx = width;
  } else if (cx < 0) {
    return FALSE;
  }
  v->header->resizeSection(nCol, platform::ColumnWidthArg(cx));
  v->Relayout();
  return TRUE;
}

BOOL CListCtrl::GetColumnOrderArray(LPINT piArray, int iCount) const {
  ListView* v = ListOf(this);
  if (v == nullptr || piArray == nullptr) return FALSE;
  if (iCount < 0) iCount = v->ColumnCount();
  std::vector<int> order = platform::OrderOf(v->header);
  if (iCount < static_cast<int>(order.size())) return FALSE;
  for (size_t i = 0; i < order.size(); ++i) piArray[i] = order[i];
  return TRUE;
}

BOOL CListCtrl::SetColumnOrderArray(int iCount, LPINT piArray) {
  ListView* v = ListOf(this);
  if (v == nullptr) return FALSE;
  bool ok = platform::ApplyOrder(v->header, iCount, piArray);
  v->viewport()->update();
  return ok ? TRUE : FALSE;
}

CHeaderCtrl* CListCtrl::GetHeaderCtrl() const {
  ListView* v = ListOf(this);
  if (v == nullptr) return nullptr;
  return dynamic_cast<CHeaderCtrl*>(v->HeaderWindow());
}

int CListCtrl::InsertItem(const LVITEM* pItem) {
  ListView* v = ListOf(this);
  if (v == nullptr || pItem == nullptr || pItem->iItem < 0 || pItem->iSubItem != 0) return -1;
  v->SyncStyle();
  ListRow row;
  if (pItem->mask & LVIF_TEXT) row.SetText(0, platform::TextArg(pItem->pszText));
  row.SetImage(0, (pItem->mask & LVIF_IMAGE) ? pItem->iImage : 0);
  if (pItem->mask & LVIF_PARAM) row.param = pItem->lParam;
  if (pItem->mask & LVIF_STATE) row.state = pItem->state & pItem->stateMask;
  if (pItem->mask & LVIF_INDENT) row.indent = pItem->iIndent;
  return v->InsertRow(pItem->iItem, row);
}

int CListCtrl::InsertItem(int nItem, const CString& text) {
  return InsertItem(LVIF_TEXT, nItem, text, 0, 0, 0, 0);
}

int CListCtrl::InsertItem(int nItem, const CString& text, int nImage) {
  return InsertItem(LVIF_TEXT | LVIF_IMAGE, nItem, text, 0, 0, nImage, 0);
}

int CListCtrl::InsertItem(UINT nMask, int nItem, const CString& text, UINT nState, UINT nStateMask, int nImage,
                          LPARAM lParam) {
  std::wstring buffer = text.ToWString();
  LVITEM item{};
  item.mask = nMask;
  item.iItem = nItem;
  item.pszText = &buffer[0];
  item.state = nState;
  item.stateMask = nStateMask;
  item.iImage = nImage;
  item.lParam = lParam;
  return InsertItem(&item);
}

BOOL CListCtrl::DeleteItem(int nItem) {
  ListView* v = ListOf(this);
  return v != nullptr && v->DeleteRow(nItem) ? TRUE : FALSE;
}

BOOL CListCtrl::DeleteAllItems() {
  ListView* v = ListOf(this);
  if (v == nullptr) return FALSE;
  v->DeleteAllRows();
  return TRUE;
}

int CListCtrl::GetItemCount() const {
  ListView* v = ListOf(this);
  return v != nullptr ? v->Count() : 0;
}

BOOL CListCtrl::GetItem(LVITEM* pItem) const {
  ListView* v = ListOf(this);
  if (v == nullptr || pItem == nullptr || !v->ValidRow(pItem->iItem) || pItem->iSubItem < 0) return FALSE;
  if (pItem->iSubItem > 0 && pItem->iSubItem >= v->ColumnCount()) return FALSE;
  const ListRow& r = v->model.rows[static_cast<size_t>(pItem->iItem)];
  if (pItem->mask & LVIF_TEXT) {
    if (pItem->pszText != LPSTR_TEXTCALLBACK) platform::CopyToBuffer(r.Text(pItem->iSubItem), pItem->pszText, pItem->cchTextMax);
  }
  if (pItem->mask & LVIF_IMAGE) pItem->iImage = r.Image(pItem->iSubItem);
  if (pItem->mask & LVIF_PARAM) pItem->lParam = r.param;
  if (pItem->mask & LVIF_STATE) pItem->state = r.state & pItem->stateMask;
  if (pItem->mask & LVIF_INDENT) pItem->iIndent = r.indent;
  return TRUE;
}

BOOL CListCtrl::SetItem(const LVITEM* pItem) {
  ListView* v = ListOf(this);
  if (v == nullptr || pItem == nullptr || !v->ValidRow(pItem->iItem) || pItem->iSubItem < 0) return FALSE;
  int sub = pItem->iSubItem;
  if (sub > 0 && sub >= v->ColumnCount()) return FALSE;
  ListRow& r = v->model.rows[static_cast<size_t>(pItem->iItem)];
  if (pItem->mask & LVIF_TEXT) r.SetText(sub, platform::TextArg(pItem->pszText));
  if (pItem->mask & LVIF_IMAGE) r.SetImage(sub, pItem->iImage);
  if (sub == 0) {
    if (pItem->mask & LVIF_PARAM) r.param = pItem->lParam;
    if (pItem->mask & LVIF_INDENT) r.indent = pItem->iIndent;
    if (pItem->mask & LVIF_STATE) v->SetState(pItem->iItem, pItem->state, pItem->stateMask);
  }
  v->viewport()->update();
  return TRUE;
}

BOOL CListCtrl::SetItem(int nItem, int nSubItem, UINT nMask, const CString& text, int nImage, UINT nState,
                        UINT nStateMask, LPARAM lParam) {
  std::wstring buffer = text.ToWString();
  LVITEM item{};
  item.mask = nMask;
  item.iItem = nItem;
  item.iSubItem = nSubItem;
  item.pszText = &buffer[0];
  item.iImage = nImage;
  item.state = nState;
  item.stateMask = nStateMask;
  item.lParam = lParam;
  return SetItem(&item);
}

BOOL CListCtrl::SetItemText(int nItem, int nSubItem, const CString& text) {
  ListView* v = ListOf(this);
  if (v == nullptr || !v->ValidRow(nItem) || nSubItem < 0) return FALSE;
  if (nSubItem > 0 && nSubItem >= v->ColumnCount()) return FALSE;
  v->model.rows[static_cast<size_t>(nItem)].SetText(nSubItem, text.q());
  v->viewport()->update();
  return TRUE;
}

CString CListCtrl::GetItemText(int nItem, int nSubItem) const {
  ListView* v = ListOf(this);
  if (v == nullptr || !v->ValidRow(nItem)) return CString();
  return CString(v->model.rows[static_cast<size_t>(nItem)].Text(nSubItem));
}

int CListCtrl::GetItemText(int nItem, int nSubItem, LPTSTR lpszText, int nLen) const {
  if (lpszText == nullptr || nLen <= 0) return 0;
  return platform::CopyToBuffer(GetItemText(nItem, nSubItem).q(), lpszText, nLen);
}

BOOL CListCtrl::SetItemData(int nItem, DWORD_PTR dwData) {
  ListView* v = ListOf(this);
  if (v == nullptr || !v->ValidRow(nItem)) return FALSE;
  v->model.rows[static_cast<size_t>(nItem)].param = static_cast<LPARAM>(dwData);
  return TRUE;
}

DWORD_PTR CListCtrl::GetItemData(int nItem) const {
  ListView* v = ListOf(this);
  if (v == nullptr || !v->ValidRow(nItem)) return 0;
  return static_cast<DWORD_PTR>(v->model.rows[static_cast<size_t>(nItem)].param);
}

BOOL CListCtrl::SetItemState(int nItem, UINT nState, UINT nMask) {
  ListView* v = ListOf(this);
  return v != nullptr && v->SetState(nItem, nState, nMask) ? TRUE : FALSE;
}

BOOL CListCtrl::SetItemState(int nItem, LVITEM* pItem) {
  if (pItem == nullptr) return FALSE;
  return SetItemState(nItem, pItem->state, pItem->stateMask);
}

UINT CListCtrl::GetItemState(int nItem, UINT nMask) const {
  ListView* v = ListOf(this);
  if (v == nullptr || !v->ValidRow(nItem)) return 0;
  return v->model.rows[static_cast<size_t>(nItem)].state & nMask;
}

BOOL CListCtrl::SetCheck(int nItem, BOOL fCheck) {
  return SetItemState(nItem, INDEXTOSTATEIMAGEMASK(fCheck ? 2 : 1), LVIS_STATEIMAGEMASK);
}

BOOL CListCtrl::GetCheck(int nItem) const {
  UINT s = GetItemState(nItem, LVIS_STATEIMAGEMASK);
  return static_cast<BOOL>(s >> 12) - 1;
}

UINT CListCtrl::GetSelectedCount() const {
  ListView* v = ListOf(this);
  return v != nullptr ? static_cast<UINT>(v->SelectedCount()) : 0;
}

POSITION CListCtrl::GetFirstSelectedItemPosition() const {
  int first = GetNextItem(-1, LVNI_SELECTED);
  return first >= 0 ? reinterpret_cast<POSITION>(static_cast<uintptr_t>(first) + 1) : nullptr;
}

int CListCtrl::GetNextSelectedItem(POSITION& pos) const {
  if (pos == nullptr) return -1;
  int index = static_cast<int>(reinterpret_cast<uintptr_t>(pos) - 1);
  int next = GetNextItem(index, LVNI_SELECTED);
  pos = next >= 0 ? reinterpret_cast<POSITION>(static_cast<uintptr_t>(next) + 1) : nullptr;
  return index;
}

int CListCtrl::GetNextItem(int nItem, int nFlags) const {
  ListView* v = ListOf(this);
  if (v == nullptr) return -1;
  UINT need = 0;
  if (nFlags & LVNI_SELECTED) need |= LVIS_SELECTED;
  if (nFlags & LVNI_FOCUSED) need |= LVIS_FOCUSED;
  if (nFlags & LVNI_CUT) need |= LVIS_CUT;
  if (nFlags & LVNI_DROPHILITED) need |= LVIS_DROPHILITED;
  if (nFlags & (LVNI_TOLEFT | LVNI_TORIGHT)) return -1;
  int n = v->Count();
  auto matches = [&](int i) { return (v->model.rows[static_cast<size_t>(i)].state & need) == need; };
  if (nFlags & LVNI_ABOVE) {
    for (int i = std::min(nItem, n) - 1; i >= 0; --i) {
      if (matches(i)) return i;
    }
    return -1;
  }
  int start = nItem < 0 ? 0 : nItem + 1;
  for (int i = start; i < n; ++i) {
    if (matches(i)) return i;
  }
  return -1;
}

int CListCtrl::GetSelectionMark() const {
  ListView* v = ListOf(this);
  return v != nullptr ? v->selMark : -1;
}

int CListCtrl::SetSelectionMark(int iIndex) {
  ListView* v = ListOf(this);
  if (v == nullptr) return -1;
  int old = v->selMark;
  v->selMark = v->ValidRow(iIndex) ? iIndex : -1;
  return old;
}

DWORD CListCtrl::SetExtendedStyle(DWORD dwNewStyle) {
  ListView* v = ListOf(this);
  if (v == nullptr) return 0;
  DWORD old = v->lvExStyle;
  v->lvExStyle = dwNewStyle;
  if ((dwNewStyle & LVS_EX_CHECKBOXES) && !(old & LVS_EX_CHECKBOXES)) {
    for (ListRow& r : v->model.rows) {
      if ((r.state & LVIS_STATEIMAGEMASK) == 0) r.state |= INDEXTOSTATEIMAGEMASK(1);
    }
  }
  v->SyncStyle();
  return old;
}

DWORD CListCtrl::GetExtendedStyle() const {
  ListView* v = ListOf(this);
  return v != nullptr ? v->lvExStyle : 0;
}

COLORREF CListCtrl::GetBkColor() const {
  ListView* v = ListOf(this);
  return v != nullptr ? v->bk : CLR_NONE;
}

BOOL CListCtrl::SetBkColor(COLORREF cr) {
  ListView* v = ListOf(this);
  if (v == nullptr) return FALSE;
  v->bk = cr;
  v->viewport()->update();
  return TRUE;
}

COLORREF CListCtrl::GetTextColor() const {
  ListView* v = ListOf(this);
  return v != nullptr ? v->text : CLR_NONE;
}

BOOL CListCtrl::SetTextColor(COLORREF cr) {
  ListView* v = ListOf(this);
  if (v == nullptr) return FALSE;
  v->text = cr;
  v->viewport()->update();
  return TRUE;
}

COLORREF CListCtrl::GetTextBkColor() const {
  ListView* v = ListOf(this);
  return v != nullptr ? v->textBk : CLR_NONE;
}

BOOL CListCtrl::SetTextBkColor(COLORREF cr) {
  ListView* v = ListOf(this);
  if (v == nullptr) return FALSE;
  v->textBk = cr;
  v->viewport()->update();
  return TRUE;
}

CImageList* CListCtrl::SetImageList(CImageList* pImageList, int nImageListType) {
  ListView* v = ListOf(this);
  if (v == nullptr || nImageListType < LVSIL_NORMAL || nImageListType > LVSIL_STATE) return nullptr;
  size_t t = static_cast<size_t>(nImageListType);
  CImageList* old = platform::SwapImageList(v->images[t], v->imageObjects[t], v->retired, pImageList);
  v->Relayout();
  return old;
}

CImageList* CListCtrl::GetImageList(int nImageListType) const {
  ListView* v = ListOf(this);
  if (v == nullptr || nImageListType < LVSIL_NORMAL || nImageListType > LVSIL_STATE) return nullptr;
  return v->imageObjects[static_cast<size_t>(nImageListType)].get();
}

BOOL CListCtrl::EnsureVisible(int nItem, BOOL bPartialOK) {
  ListView* v = ListOf(this);
  if (v == nullptr || !v->ValidRow(nItem)) return FALSE;
  v->EnsureMeasured();
  v->EnsureRowVisible(nItem, bPartialOK != FALSE);
  return TRUE;
}

int CListCtrl::GetTopIndex() const {
  ListView* v = ListOf(this);
  return v != nullptr && v->Count() > 0 ? v->Top() : 0;
}

int CListCtrl::GetCountPerPage() const {
  ListView* v = ListOf(this);
  if (v == nullptr) return 0;
  v->EnsureMeasured();
  return v->PerPage();
}

BOOL CListCtrl::GetItemRect(int nItem, LPRECT lpRect, UINT nCode) const {
  ListView* v = ListOf(this);
  if (v == nullptr || lpRect == nullptr || !v->ValidRow(nItem)) return FALSE;
  v->EnsureMeasured();
  QRect r;
  switch (nCode) {
    case LVIR_BOUNDS: r = v->RowRect(nItem); break;
    case LVIR_ICON: r = v->IconRect(nItem); break;
    case LVIR_LABEL: r = v->LabelRect(nItem); break;
    case LVIR_SELECTBOUNDS:
      r = (v->lvExStyle & LVS_EX_FULLROWSELECT) ? v->RowRect(nItem) : v->IconRect(nItem).united(v->LabelRect(nItem));
      break;
    default: return FALSE;
  }
  *lpRect = CRect(r.left(), r.top(), r.left() + r.width(), r.top() + r.height());
  return TRUE;
}

BOOL CListCtrl::GetSubItemRect(int iItem, int iSubItem, int nArea, CRect& ref) const {
  ListView* v = ListOf(this);
  if (v == nullptr || !v->ValidRow(iItem) || iSubItem < 0 || iSubItem >= v->ColumnCount()) return FALSE;
  if (iSubItem == 0) return GetItemRect(iItem, &ref, static_cast<UINT>(nArea));
  v->EnsureMeasured();
  QRect cell = v->CellRect(iItem, iSubItem);
  int imageWidth = 0;
  if ((v->lvExStyle & LVS_EX_SUBITEMIMAGES) && v->images[LVSIL_SMALL] != nullptr &&
      v->model.rows[static_cast<size_t>(iItem)].Image(iSubItem) >= 0) {
    imageWidth = std::min(cell.width(), v->SmallImageWidth() + 2);
  }
  QRect r;
  switch (nArea) {
    case LVIR_BOUNDS: r = cell; break;
    case LVIR_ICON: r = QRect(cell.left(), cell.top(), imageWidth, cell.height()); break;
    case LVIR_LABEL:
    case LVIR_SELECTBOUNDS: r = cell.adjusted(imageWidth, 0, 0, 0); break;
    default: return FALSE;
  }
  ref = CRect(r.left(), r.top(), r.left() + r.width(), r.top() + r.height());
  return TRUE;
}

BOOL CListCtrl::GetItemPosition(int nItem, LPPOINT lpPoint) const {
  CRect r;
  if (lpPoint == nullptr || !GetItemRect(nItem, &r, LVIR_BOUNDS)) return FALSE;
  *lpPoint = r.TopLeft();
  return TRUE;
}

int CListCtrl::HitTest(CPoint pt, UINT* pFlags) const {
  LVHITTESTINFO info{};
  info.pt = pt;
  int r = HitTest(&info);
  if (pFlags != nullptr) *pFlags = info.flags;
  return r;
}

int CListCtrl::HitTest(LVHITTESTINFO* pHitTestInfo) const {
  ListView* v = ListOf(this);
  if (v == nullptr || pHitTestInfo == nullptr) return -1;
  v->EnsureMeasured();
  int sub = -1;
  UINT flags = 0;
  int item = v->Hit(QPoint(pHitTestInfo->pt.x, pHitTestInfo->pt.y), &sub, &flags, false);
  pHitTestInfo->flags = flags;
  pHitTestInfo->iItem = item;
  pHitTestInfo->iSubItem = 0;
  return item;
}

int CListCtrl::SubItemHitTest(LPLVHITTESTINFO pInfo) {
  ListView* v = ListOf(this);
  if (v == nullptr || pInfo == nullptr) return -1;
  v->EnsureMeasured();
  int sub = -1;
  UINT flags = 0;
  int item = v->Hit(QPoint(pInfo->pt.x, pInfo->pt.y), &sub, &flags, true);
  pInfo->flags = flags;
  pInfo->iItem = item;
  pInfo->iSubItem = item >= 0 ? sub : -1;
  return item;
}

BOOL CListCtrl::Scroll(CSize size) {
  ListView* v = ListOf(this);
  if (v == nullptr) return FALSE;
  v->horizontalScrollBar()->setValue(v->horizontalScrollBar()->value() + size.cx);
  int h = v->RowHeight();
  int rows = size.cy / h;
  if (rows == 0 && size.cy != 0) rows = size.cy > 0 ? 1 : -1;
  v->verticalScrollBar()->setValue(v->verticalScrollBar()->value() + rows);
  return TRUE;
}

BOOL CListCtrl::RedrawItems(int nFirst, int nLast) {
  ListView* v = ListOf(this);
  if (v == nullptr || nFirst > nLast) return FALSE;
  v->viewport()->update();
  return TRUE;
}

BOOL CListCtrl::Update(int nItem) {
  ListView* v = ListOf(this);
  if (v == nullptr || !v->ValidRow(nItem)) return FALSE;
  QRect r = v->RowRect(nItem).translated(-v->Origin());
  v->viewport()->update(r);
  return TRUE;
}

namespace {
// A stable merge sort of positions that stays within bounds whatever the callback answers.
std::vector<int> MergeSortPositions(int n, const std::function<int(int, int)>& compare) {
  std::vector<int> a(static_cast<size_t>(n)), b(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) a[static_cast<size_t>(i)] = i;
  for (int width = 1; width < n; width *= 2) {
    for (int lo = 0; lo < n; lo += 2 * width) {
      int mid = std::min(lo + width, n), hi = std::min(lo + 2 * width, n);
      int i = lo, j = mid, k = lo;
      while (i < mid && j < hi) {
        // Take from the right run only when it is strictly smaller: equal items keep their order.
        if (compare(a[static_cast<size_t>(j)], a[static_cast<size_t>(i)]) < 0) b[static_cast<size_t>(k++)] = a[static_cast<size_t>(j++)];
        else b[static_cast<size_t>(k++)] = a[static_cast<size_t>(i++)];
      }
      while (i < mid) b[static_cast<size_t>(k++)] = a[static_cast<size_t>(i++)];
      while (j < hi) b[static_cast<size_t>(k++)] = a[static_cast<size_t>(j++)];
    }
    std::swap(a, b);
  }
  return a;
}

BOOL SortRows(CListCtrl* ctrl, PFNLVCOMPARE pfnCompare, DWORD_PTR dwData, bool byIndex) {
  ListView* v = ListOf(ctrl);
  if (v == nullptr || pfnCompare == nullptr) return FALSE;
  v->CancelEdit();
  std::vector<LPARAM> params;
  for (const ListRow& r : v->model.rows) params.push_back(r.param);
  quint64 gen = v->generation;
  QPointer<ListView> guard(v);
  int n = static_cast<int>(params.size());
  std::vector<int> order = MergeSortPositions(n, [&](int x, int y) {
    LPARAM a = byIndex ? static_cast<LPARAM>(x) : params[static_cast<size_t>(x)];
    LPARAM b = byIndex ? static_cast<LPARAM>(y) : params[static_cast<size_t>(y)];
    return pfnCompare(a, b, static_cast<LPARAM>(dwData));
  });
  if (guard.isNull() || v->generation != gen || v->Count() != n) return FALSE;
  std::vector<ListRow> sorted;
  sorted.reserve(static_cast<size_t>(n));
  for (int i : order) sorted.push_back(std::move(v->model.rows[static_cast<size_t>(i)]));
  v->model.rows = std::move(sorted);
  ++v->generation;
  v->viewport()->update();
  return TRUE;
}
}  // namespace

BOOL CListCtrl::SortItems(PFNLVCOMPARE pfnCompare, DWORD_PTR dwData) { return SortRows(this, pfnCompare, dwData, false); }

BOOL CListCtrl::SortItemsEx(PFNLVCOMPARE pfnCompare, DWORD_PTR dwData) { return SortRows(this, pfnCompare, dwData, true); }

int CListCtrl::FindItem(LVFINDINFO* pFindInfo, int nStart) const {
  ListView* v = ListOf(this);
  if (v == nullptr || pFindInfo == nullptr) return -1;
  int n = v->Count();
  QString wanted = pFindInfo->flags & LVFI_PARAM ? QString() : platform::TextArg(pFindInfo->psz);
  bool partial = (pFindInfo->flags & (LVFI_PARTIAL | LVFI_SUBSTRING)) != 0;
  auto matches = [&](int i) {
    const ListRow& r = v->model.rows[static_cast<size_t>(i)];
    if (pFindInfo->flags & LVFI_PARAM) return r.param == pFindInfo->lParam;
    if (pFindInfo->flags & (LVFI_STRING | LVFI_PARTIAL | LVFI_SUBSTRING)) {
      return partial ? r.Text(0).startsWith(wanted, Qt::CaseInsensitive)
                     : QString::compare(r.Text(0), wanted, Qt::CaseInsensitive) == 0;
    }
    return false;
  };
  int start = nStart < 0 ? 0 : nStart + 1;
  for (int i = start; i < n; ++i) {
    if (matches(i)) return i;
  }
  if (pFindInfo->flags & LVFI_WRAP) {
    for (int i = 0; i < std::min(start, n); ++i) {
      if (matches(i)) return i;
    }
  }
  return -1;
}

CImageList* CListCtrl::CreateDragImage(int nItem, LPPOINT lpPoint) {
  ListView* v = ListOf(this);
  if (v == nullptr || !v->ValidRow(nItem)) return nullptr;
  v->EnsureMeasured();
  QRect icon = v->IconRect(nItem);
  QRect label = v->LabelRect(nItem);
  QRect area = icon.width() > 0 ? icon.united(label) : label;
  if (area.width() <= 0) area.setWidth(std::max(1, v->header->length()));
  QImage image(std::max(1, area.width()), std::max(1, area.height()), QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  {
    QPainter p(&image);
    const ListRow& r = v->model.rows[static_cast<size_t>(nItem)];
    int x = 0;
    HIMAGELIST small = reinterpret_cast<HIMAGELIST>(v->images[LVSIL_SMALL].get());
    if (icon.width() > 0 && small != nullptr) {
      CSize s = platform::ImageListSize(small);
      platform::ImageListDraw(small, r.Image(0), &p, 0, (area.height() - s.cy) / 2);
      x = icon.width();
    }
    p.setFont(v->font());
    p.setPen(platform::ToQ(GetSysColor(COLOR_WINDOWTEXT)));
    p.drawText(QRect(x + 2, 0, image.width() - x - 2, image.height()), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
               r.Text(0));
  }
  auto* list = new CImageList();
  if (!list->Create(image.width(), image.height(), ILC_COLOR32 | ILC_MASK, 1, 0) || list->Add(image) < 0) {
    delete list;
    return nullptr;
  }
  if (lpPoint != nullptr) *lpPoint = POINT{area.left(), area.top()};
  return list;
}

CEdit* CListCtrl::EditLabel(int nItem) {
  ListView* v = ListOf(this);
  if (v == nullptr || m_hWnd == nullptr || !v->ValidRow(nItem)) return nullptr;
  v->CancelEdit();
  if (!v->ValidRow(nItem)) return nullptr;
  QPointer<ListView> guard(v);
  HWND self = m_hWnd;
  std::wstring buffer = v->model.rows[static_cast<size_t>(nItem)].Text(0).toStdWString();
  NMLVDISPINFO di{};
  di.hdr.code = LVN_BEGINLABELEDIT;
  di.item.mask = LVIF_TEXT | LVIF_PARAM;
  di.item.iItem = nItem;
  di.item.pszText = &buffer[0];
  di.item.cchTextMax = static_cast<int>(buffer.size());
  di.item.lParam = v->model.rows[static_cast<size_t>(nItem)].param;
  if (platform::NotifyParent(this, &di.hdr) != 0) return nullptr;
  if (guard.isNull() || CWnd::FromHandle(self) != this || !v->ValidRow(nItem)) return nullptr;
  v->EnsureRowVisible(nItem, false);
  QRect label = v->LabelRect(nItem);
  auto* edit = new platform::SelfDeletingEdit();
  CRect rc(label.left(), label.top(), label.left() + std::max(label.width(), 40), label.top() + label.height());
  if (!edit->Create(WS_CHILD | WS_BORDER | ES_AUTOHSCROLL, rc, this, 0)) {
    delete edit;
    return nullptr;
  }
  edit->armed = true;
  if (edit->GetWidget() == nullptr) {
    edit->DestroyWindow();
    return nullptr;
  }
  edit->SetWindowText(CString(v->model.rows[static_cast<size_t>(nItem)].Text(0)));
  v->editor = edit->GetWidget();
  v->editorHwnd = edit->m_hWnd;
  v->editItem = nItem;
  edit->GetWidget()->installEventFilter(v);
  for (QWidget* child : edit->GetWidget()->findChildren<QWidget*>()) child->installEventFilter(v);
  edit->ShowWindow(SW_SHOW);
  edit->SetFocus();
  edit->SetSel(0, -1);
  return edit;
}

CEdit* CListCtrl::GetEditControl() const {
  ListView* v = ListOf(this);
  if (v == nullptr || v->editorHwnd == nullptr) return nullptr;
  return dynamic_cast<CEdit*>(CWnd::FromHandle(v->editorHwnd));
}

BOOL CListCtrl::CancelEditLabel() {
  ListView* v = ListOf(this);
  if (v == nullptr) return FALSE;
  v->FinishEdit(false, true);
  return TRUE;
}

LRESULT CListCtrl::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  ListView* v = ListOf(this);
  switch (message) {
    case WM_NOTIFY: {
      // The header's notifications go on to the list's parent.
      auto* hdr = reinterpret_cast<NMHDR*>(lParam);
      CWnd* parent = GetParent();
      if (v != nullptr && hdr != nullptr && parent != nullptr && platform::WindowOfWidget(v->header) != nullptr &&
          hdr->hwndFrom == platform::WindowOfWidget(v->header)->m_hWnd) {
        return parent->SendMessage(WM_NOTIFY, wParam, lParam);
      }
      return CWnd::DefWindowProc(message, wParam, lParam);
    }
    case LVM_GETITEMCOUNT: return GetItemCount();
    case LVM_DELETEITEM: return DeleteItem(static_cast<int>(wParam));
    case LVM_DELETEALLITEMS: return DeleteAllItems();
    case LVM_GETNEXTITEM: return GetNextItem(static_cast<int>(wParam), static_cast<int>(LOWORD(lParam)));
    case LVM_GETITEMRECT: {
      auto* r = reinterpret_cast<LPRECT>(lParam);
      return r != nullptr ? GetItemRect(static_cast<int>(wParam), r, static_cast<UINT>(r->left)) : FALSE;
    }
    case LVM_GETSUBITEMRECT: {
      auto* r = reinterpret_cast<LPRECT>(lParam);
      if (r == nullptr) return FALSE;
      CRect out;
      BOOL ok = GetSubItemRect(static_cast<int>(wParam), r->top, r->left, out);
      if (ok) *r = out;
      return ok;
    }
    case LVM_HITTEST: return HitTest(reinterpret_cast<LVHITTESTINFO*>(lParam));
    case LVM_SUBITEMHITTEST: return SubItemHitTest(reinterpret_cast<LVHITTESTINFO*>(lParam));
    case LVM_ENSUREVISIBLE: return EnsureVisible(static_cast<int>(wParam), static_cast<BOOL>(lParam));
    case LVM_GETHEADER: {
      CHeaderCtrl* h = GetHeaderCtrl();
      return reinterpret_cast<LRESULT>(h != nullptr ? h->m_hWnd : nullptr);
    }
    case LVM_GETTOPINDEX: return GetTopIndex();
    case LVM_GETCOUNTPERPAGE: return GetCountPerPage();
    case LVM_SETITEMSTATE: {
      auto* item = reinterpret_cast<LVITEM*>(lParam);
      return item != nullptr ? SetItemState(static_cast<int>(static_cast<INT_PTR>(wParam)), item->state, item->stateMask) : FALSE;
    }
    case LVM_GETITEMSTATE: return GetItemState(static_cast<int>(wParam), static_cast<UINT>(lParam));
    case LVM_GETSELECTEDCOUNT: return GetSelectedCount();
    case LVM_SETEXTENDEDLISTVIEWSTYLE: {
      DWORD mask = wParam != 0 ? static_cast<DWORD>(wParam) : 0xFFFFFFFFu;
      DWORD old = GetExtendedStyle();
      SetExtendedStyle((old & ~mask) | (static_cast<DWORD>(lParam) & mask));
      return old;
    }
    case LVM_GETEXTENDEDLISTVIEWSTYLE: return GetExtendedStyle();
    case LVM_GETSELECTIONMARK: return GetSelectionMark();
    case LVM_SETSELECTIONMARK: return SetSelectionMark(static_cast<int>(lParam));
    default:
      return CWnd::DefWindowProc(message, wParam, lParam);
  }
}
