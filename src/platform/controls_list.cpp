// Combo boxes and list boxes: item lists with item data, Windows searches and return codes, and
// owner-drawn list box items painted through WM_DRAWITEM.
#include <QAbstractItemView>
#include <QFocusEvent>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <climits>
#include <functional>

#include "platform/controls_widgets.h"

namespace platform {
namespace ctl {

namespace {
const int kDataRole = Qt::UserRole;
const int kHeightRole = Qt::UserRole + 1;

// Windows item search: starts after startAfter (-1, or any index outside the list, means from the
// first item), wraps around and ends with startAfter itself.
int SearchItems(int count, int startAfter, const std::function<bool(int)>& match) {
  if (count <= 0) return -1;
  if (startAfter < -1 || startAfter >= count) startAfter = -1;
  for (int k = 1; k <= count; ++k) {
    int i = (startAfter + k) % count;
    if (match(i)) return i;
  }
  return -1;
}

// Where AddString puts a text in a sorted list: after the items that compare equal or lower.
int SortedPosition(int count, const std::function<QString(int)>& textAt, const QString& text) {
  int i = 0;
  while (i < count && CompareNoCase(textAt(i), text) <= 0) ++i;
  return i;
}
}  // namespace

// ---- combo box ----------------------------------------------------------------------------

void ComboWidget::FitSelectionField() {
  if ((winStyle & 0x3u) == CBS_SIMPLE) return;
  setFixedHeight(sizeHint().height());
}

void ComboWidget::changeEvent(QEvent* event) {
  QComboBox::changeEvent(event);
  if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) FitSelectionField();
}

ComboWidget::ComboWidget(DWORD s, QWidget* parent) : QComboBox(parent), winStyle(s) {
  DWORD type = s & 0x3u;
  if (type == CBS_DROPDOWN || type == CBS_SIMPLE) {
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    setCompleter(nullptr);
    connect(lineEdit(), &QLineEdit::textEdited, this, [this] {
      if (quiet != 0) return;
      QPointer<QWidget> self(this);
      Notify(this, CBN_EDITUPDATE);
      if (self != nullptr) Notify(this, CBN_EDITCHANGE);
    });
  }
  setMaxVisibleItems(30);
  FitSelectionField();
  connect(this, QOverload<int>::of(&QComboBox::activated), this, [this](int) {
    if (quiet != 0) return;
    QPointer<QWidget> self(this);
    Notify(this, CBN_SELENDOK);
    if (self != nullptr) Notify(this, CBN_SELCHANGE);
  });
}

ComboWidget::~ComboWidget() { m_alive = false; }

void ComboWidget::showPopup() {
  if (quiet == 0) {
    QPointer<QWidget> self(this);
    Notify(this, CBN_DROPDOWN);  // the owner may still fill the list
    if (self == nullptr) return;
  }
  dropped = true;
  if (droppedWidth > 0) view()->setMinimumWidth(droppedWidth);
  QComboBox::showPopup();
}

void ComboWidget::hidePopup() {
  bool was = dropped;
  dropped = false;
  QComboBox::hidePopup();
  if (was && m_alive && quiet == 0) Notify(this, CBN_CLOSEUP);
}

void ComboWidget::SetSelection(int index) {
  quiet++;
  setCurrentIndex(index);
  quiet--;
}

void ComboWidget::focusInEvent(QFocusEvent* event) {
  QComboBox::focusInEvent(event);
  if (event->reason() != Qt::PopupFocusReason) Notify(this, CBN_SETFOCUS);
}

void ComboWidget::focusOutEvent(QFocusEvent* event) {
  QComboBox::focusOutEvent(event);
  if (event->reason() != Qt::PopupFocusReason && m_alive) Notify(this, CBN_KILLFOCUS);
}

// ---- list box -----------------------------------------------------------------------------

ListBoxDelegate::ListBoxDelegate(ListBoxWidget* list) : QStyledItemDelegate(list), m_list(list) {}

void ListBoxDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
  if (!m_list->OwnerDraw()) {
    QStyledItemDelegate::paint(painter, option, index);
    return;
  }
  DRAWITEMSTRUCT dis{};
  dis.CtlType = ODT_LISTBOX;
  dis.itemID = static_cast<UINT>(index.row());
  dis.itemAction = ODA_DRAWENTIRE;
  if (option.state & QStyle::State_Selected) dis.itemState |= ODS_SELECTED;
  if (option.state & QStyle::State_HasFocus) dis.itemState |= ODS_FOCUS;
  if (!(option.state & QStyle::State_Enabled)) dis.itemState |= ODS_DISABLED;
  QRect r = option.rect;
  // An item spans the whole client width (or the horizontal extent when wider).
  int right = std::max(r.right() + 1, m_list->viewport()->width());
  dis.rcItem = CRect(r.left(), r.top(), right, r.bottom() + 1);
  dis.itemData = static_cast<ULONG_PTR>(index.data(kDataRole).toULongLong());
  painter->save();
  SendDrawItem(OwnWnd(m_list), dis, *painter);
  painter->restore();
}

QSize ListBoxDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
  int h = m_list->HeightOf(index.row());
  int w = m_list->horizontalExtent;
  if (!m_list->OwnerDraw()) w = std::max(w, QStyledItemDelegate::sizeHint(option, index).width());
  return QSize(w, h);
}

ListBoxWidget::ListBoxWidget(DWORD s, QWidget* parent) : QListWidget(parent), winStyle(s) {
  setItemDelegate(new ListBoxDelegate(this));
  if (s & LBS_NOSEL) setSelectionMode(QAbstractItemView::NoSelection);
  else if (s & LBS_EXTENDEDSEL) setSelectionMode(QAbstractItemView::ExtendedSelection);
  else if (s & LBS_MULTIPLESEL) setSelectionMode(QAbstractItemView::MultiSelection);
  else setSelectionMode(QAbstractItemView::SingleSelection);
  setVerticalScrollBarPolicy((s & WS_VSCROLL) ? ((s & LBS_DISABLENOSCROLL) ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAsNeeded)
                                              : Qt::ScrollBarAlwaysOff);
  setHorizontalScrollBarPolicy((s & WS_HSCROLL) ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
  setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
  setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setDragEnabled(false);
  setWordWrap(false);
  setTextElideMode(Qt::ElideNone);
  connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
    if (quiet == 0 && (Style() & LBS_NOTIFY)) Notify(this, LBN_SELCHANGE);
  });
}

int ListBoxWidget::DefaultItemHeight() const { return std::max(1, fontMetrics().height()); }

int ListBoxWidget::HeightOf(int row) {
  if (Variable()) {
    QListWidgetItem* it = item(row);
    if (it != nullptr) {
      QVariant v = it->data(kHeightRole);
      if (v.isValid()) return v.toInt();
    }
  } else if (fixedHeight < 0 && OwnerDraw() && !measuring && OwnWnd(this) != nullptr) {
    // A fixed owner-drawn list asks its owner once for the height of every item.
    measuring = true;
    MEASUREITEMSTRUCT mis{};
    mis.CtlType = ODT_LISTBOX;
    mis.itemID = 0;
    mis.itemWidth = static_cast<UINT>(viewport()->width());
    mis.itemHeight = static_cast<UINT>(DefaultItemHeight());
    QPointer<QWidget> self(this);
    SendMeasureItem(OwnWnd(this), mis);
    if (self == nullptr) return DefaultItemHeight();
    measuring = false;
    fixedHeight = static_cast<int>(mis.itemHeight);
  }
  return fixedHeight >= 0 ? fixedHeight : DefaultItemHeight();
}

void ListBoxWidget::MeasureNewItem(int row) {
  if (!OwnerDraw()) return;
  if (!Variable()) {
    HeightOf(row);
    return;
  }
  QListWidgetItem* it = item(row);
  if (it == nullptr || OwnWnd(this) == nullptr) return;
  MEASUREITEMSTRUCT mis{};
  mis.CtlType = ODT_LISTBOX;
  mis.itemID = static_cast<UINT>(row);
  mis.itemWidth = static_cast<UINT>(viewport()->width());
  mis.itemHeight = static_cast<UINT>(fixedHeight >= 0 ? fixedHeight : DefaultItemHeight());
  mis.itemData = static_cast<ULONG_PTR>(it->data(kDataRole).toULongLong());
  QPointer<QWidget> self(this);
  SendMeasureItem(OwnWnd(this), mis);
  if (self == nullptr) return;
  // The owner's handler may have removed items meanwhile.
  if (item(row) == it) it->setData(kHeightRole, static_cast<int>(mis.itemHeight));
}

void ListBoxWidget::SelectOnly(int row) {
  quiet++;
  if (row < 0 || row >= count()) {
    clearSelection();
    selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
  } else {
    setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
    scrollToItem(item(row));
  }
  quiet--;
}

void ListBoxWidget::RefreshLayout() {
  scheduleDelayedItemsLayout();
  viewport()->update();
}

void ListBoxWidget::paintEvent(QPaintEvent* event) {
  // Items added since the last layout are placed before they are drawn, also when the widget
  // is painted outside the event loop (grab, repaint).
  executeDelayedItemsLayout();
  QListWidget::paintEvent(event);
}

void ListBoxWidget::focusInEvent(QFocusEvent* event) {
  QListWidget::focusInEvent(event);
  if (event->reason() != Qt::PopupFocusReason) Notify(this, LBN_SETFOCUS);
}

void ListBoxWidget::focusOutEvent(QFocusEvent* event) {
  QListWidget::focusOutEvent(event);
  if (event->reason() != Qt::PopupFocusReason) Notify(this, LBN_KILLFOCUS);
}

void ListBoxWidget::mouseDoubleClickEvent(QMouseEvent* event) {
  QPointer<QWidget> self(this);
  QPoint pos = event->position().toPoint();
  QListWidget::mouseDoubleClickEvent(event);
  if (self == nullptr || event->button() != Qt::LeftButton) return;
  if (itemAt(pos) != nullptr && (Style() & LBS_NOTIFY)) Notify(this, LBN_DBLCLK);
}

}  // namespace ctl
}  // namespace platform

using platform::ctl::ComboWidget;
using platform::ctl::CompareNoCase;
using platform::ctl::ListBoxWidget;
using platform::ctl::SearchItems;
using platform::ctl::SortedPosition;
using platform::ctl::StartsWithNoCase;

namespace {

ComboWidget* Combo(const CWnd* w) { return qobject_cast<ComboWidget*>(w->GetWidget()); }
ListBoxWidget* List(const CWnd* w) { return qobject_cast<ListBoxWidget*>(w->GetWidget()); }

// Structural changes keep the selection where Windows keeps it (Qt would move or invent one)
// and an editable combo's text as the user left it.
struct ComboKeeper {
  ComboWidget* c;
  QString edit;
  explicit ComboKeeper(ComboWidget* combo) : c(combo) {
    c->quiet++;
    if (c->isEditable()) edit = c->lineEdit()->text();
  }
  void Finish(int want) {
    if (c->currentIndex() != want) c->setCurrentIndex(want);
    if (c->isEditable() && c->lineEdit()->text() != edit) c->lineEdit()->setText(edit);
    c->quiet--;
  }
};

int ComboInsert(ComboWidget* c, int index, const CString& text) {
  int cur = c->currentIndex();
  ComboKeeper keep(c);
  c->insertItem(index, text.q(), QVariant(static_cast<qulonglong>(0)));
  keep.Finish(cur < 0 ? -1 : (index <= cur ? cur + 1 : cur));
  return index;
}

int ListInsert(ListBoxWidget* l, int index, const CString& text) {
  auto* item = new QListWidgetItem(text.q());
  item->setData(platform::ctl::kDataRole, static_cast<qulonglong>(0));
  l->quiet++;
  l->insertItem(index, item);
  l->quiet--;
  l->MeasureNewItem(index);
  return index;
}

}  // namespace

// ---- CComboBox -----------------------------------------------------------------------------

BOOL CComboBox::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
  return CWnd::Create(L"COMBOBOX", L"", dwStyle, rect, pParentWnd, nID);
}

int CComboBox::GetCount() const {
  ComboWidget* c = Combo(this);
  return c != nullptr ? c->count() : CB_ERR;
}

int CComboBox::GetCurSel() const {
  ComboWidget* c = Combo(this);
  if (c == nullptr) return CB_ERR;
  int i = c->currentIndex();
  return i >= 0 && i < c->count() ? i : CB_ERR;
}

int CComboBox::SetCurSel(int nSelect) {
  ComboWidget* c = Combo(this);
  if (c == nullptr) return CB_ERR;
  if (nSelect < 0 || nSelect >= c->count()) {
    c->SetSelection(-1);
    return CB_ERR;
  }
  c->SetSelection(nSelect);
  return nSelect;
}

int CComboBox::AddString(const CString& text) {
  ComboWidget* c = Combo(this);
  if (c == nullptr) return CB_ERR;
  int index = c->count();
  if (GetStyle() & CBS_SORT) index = SortedPosition(c->count(), [c](int i) { return c->itemText(i); }, text.q());
  return ComboInsert(c, index, text);
}

int CComboBox::InsertString(int nIndex, const CString& text) {
  ComboWidget* c = Combo(this);
  if (c == nullptr) return CB_ERR;
  if (nIndex == -1) nIndex = c->count();
  if (nIndex < 0 || nIndex > c->count()) return CB_ERR;
  return ComboInsert(c, nIndex, text);
}

int CComboBox::DeleteString(UINT nIndex) {
  ComboWidget* c = Combo(this);
  if (c == nullptr || nIndex >= static_cast<UINT>(c->count())) return CB_ERR;
  int index = static_cast<int>(nIndex);
  int cur = c->currentIndex();
  ComboKeeper keep(c);
  c->removeItem(index);
  keep.Finish(cur == index ? -1 : (cur > index ? cur - 1 : cur));
  return c->count();
}

void CComboBox::ResetContent() {
  ComboWidget* c = Combo(this);
  if (c == nullptr) return;
  c->quiet++;
  c->clear();
  if (c->isEditable()) c->lineEdit()->clear();
  c->quiet--;
}

int CComboBox::GetLBText(int nIndex, CString& text) const {
  ComboWidget* c = Combo(this);
  if (c == nullptr || nIndex < 0 || nIndex >= c->count()) {
    text.Empty();
    return CB_ERR;
  }
  text = CString(c->itemText(nIndex));
  return text.GetLength();
}

CString CComboBox::GetLBText(int nIndex) const {
  CString text;
  GetLBText(nIndex, text);
  return text;
}

int CComboBox::GetLBTextLen(int nIndex) const {
  ComboWidget* c = Combo(this);
  if (c == nullptr || nIndex < 0 || nIndex >= c->count()) return CB_ERR;
  return static_cast<int>(c->itemText(nIndex).size());
}

int CComboBox::FindString(int nStartAfter, const CString& prefix) const {
  ComboWidget* c = Combo(this);
  if (c == nullptr) return CB_ERR;
  int i = SearchItems(c->count(), nStartAfter, [&](int k) { return StartsWithNoCase(c->itemText(k), prefix.q()); });
  return i >= 0 ? i : CB_ERR;
}

int CComboBox::FindStringExact(int nIndexStart, const CString& text) const {
  ComboWidget* c = Combo(this);
  if (c == nullptr) return CB_ERR;
  int i = SearchItems(c->count(), nIndexStart, [&](int k) { return CompareNoCase(c->itemText(k), text.q()) == 0; });
  return i >= 0 ? i : CB_ERR;
}

int CComboBox::SelectString(int nStartAfter, const CString& prefix) {
  int i = FindString(nStartAfter, prefix);
  if (i != CB_ERR) Combo(this)->SetSelection(i);
  return i;
}

DWORD_PTR CComboBox::GetItemData(int nIndex) const {
  ComboWidget* c = Combo(this);
  if (c == nullptr || nIndex < 0 || nIndex >= c->count()) return static_cast<DWORD_PTR>(CB_ERR);
  return static_cast<DWORD_PTR>(c->itemData(nIndex, platform::ctl::kDataRole).toULongLong());
}

int CComboBox::SetItemData(int nIndex, DWORD_PTR dwItemData) {
  ComboWidget* c = Combo(this);
  if (c == nullptr || nIndex < 0 || nIndex >= c->count()) return CB_ERR;
  c->setItemData(nIndex, QVariant(static_cast<qulonglong>(dwItemData)), platform::ctl::kDataRole);
  return CB_OKAY;
}

void* CComboBox::GetItemDataPtr(int nIndex) const { return reinterpret_cast<void*>(GetItemData(nIndex)); }

int CComboBox::SetItemDataPtr(int nIndex, void* pData) {
  return SetItemData(nIndex, reinterpret_cast<DWORD_PTR>(pData));
}

BOOL CComboBox::GetDroppedState() const {
  ComboWidget* c = Combo(this);
  return c != nullptr && c->dropped ? TRUE : FALSE;
}

void CComboBox::ShowDropDown(BOOL bShowIt) {
  ComboWidget* c = Combo(this);
  if (c == nullptr || (bShowIt != FALSE) == c->dropped) return;
  c->quiet++;
  if (bShowIt) c->showPopup();
  else c->hidePopup();
  c->quiet--;
}

int CComboBox::GetDroppedWidth() const {
  ComboWidget* c = Combo(this);
  if (c == nullptr) return CB_ERR;
  return c->droppedWidth > 0 ? c->droppedWidth : c->width();
}

int CComboBox::SetDroppedWidth(UINT nWidth) {
  ComboWidget* c = Combo(this);
  if (c == nullptr) return CB_ERR;
  c->droppedWidth = static_cast<int>(std::min<UINT>(nWidth, 32767));
  c->view()->setMinimumWidth(c->droppedWidth);
  return GetDroppedWidth();
}

BOOL CComboBox::LimitText(int nMaxChars) {
  ComboWidget* c = Combo(this);
  if (c == nullptr || !c->isEditable()) return FALSE;
  c->lineEdit()->setMaxLength(nMaxChars > 0 ? nMaxChars : INT_MAX);
  return TRUE;
}

DWORD CComboBox::GetEditSel() const {
  ComboWidget* c = Combo(this);
  if (c == nullptr || !c->isEditable()) return static_cast<DWORD>(CB_ERR);
  QLineEdit* e = c->lineEdit();
  int s = e->hasSelectedText() ? e->selectionStart() : e->cursorPosition();
  int end = e->hasSelectedText() ? e->selectionEnd() : s;
  return static_cast<DWORD>(MAKELONG(s, end));
}

BOOL CComboBox::SetEditSel(int nStartChar, int nEndChar) {
  ComboWidget* c = Combo(this);
  if (c == nullptr || !c->isEditable()) return FALSE;
  QLineEdit* e = c->lineEdit();
  int length = static_cast<int>(e->text().size());
  if (nStartChar < 0) {
    e->deselect();
    return TRUE;
  }
  if (nEndChar < 0) nEndChar = length;
  nStartChar = std::min(nStartChar, length);
  nEndChar = std::min(nEndChar, length);
  e->setSelection(nStartChar, nEndChar - nStartChar);
  return TRUE;
}

LRESULT CComboBox::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  auto text = [lParam]() { return lParam != 0 ? *reinterpret_cast<const CString*>(lParam) : CString(); };
  switch (message) {
    case CB_GETCOUNT: return GetCount();
    case CB_GETCURSEL: return GetCurSel();
    case CB_SETCURSEL: return SetCurSel(static_cast<int>(wParam));
    case CB_ADDSTRING: return AddString(text());
    case CB_INSERTSTRING: return InsertString(static_cast<int>(wParam), text());
    case CB_DELETESTRING: return DeleteString(static_cast<UINT>(wParam));
    case CB_RESETCONTENT: ResetContent(); return CB_OKAY;
    case CB_GETLBTEXT: {
      CString t;
      int r = GetLBText(static_cast<int>(wParam), t);
      if (lParam != 0) *reinterpret_cast<CString*>(lParam) = t;
      return r;
    }
    case CB_GETLBTEXTLEN: return GetLBTextLen(static_cast<int>(wParam));
    case CB_FINDSTRING: return FindString(static_cast<int>(wParam), text());
    case CB_FINDSTRINGEXACT: return FindStringExact(static_cast<int>(wParam), text());
    case CB_SELECTSTRING: return SelectString(static_cast<int>(wParam), text());
    case CB_GETITEMDATA: return static_cast<LRESULT>(GetItemData(static_cast<int>(wParam)));
    case CB_SETITEMDATA: return SetItemData(static_cast<int>(wParam), static_cast<DWORD_PTR>(lParam));
    case CB_SHOWDROPDOWN: ShowDropDown(static_cast<BOOL>(wParam)); return TRUE;
    case CB_GETDROPPEDSTATE: return GetDroppedState();
    case CB_GETDROPPEDWIDTH: return GetDroppedWidth();
    case CB_SETDROPPEDWIDTH: return SetDroppedWidth(static_cast<UINT>(wParam));
    case CB_LIMITTEXT: return LimitText(static_cast<int>(wParam));
    case CB_GETEDITSEL: return static_cast<LRESULT>(GetEditSel());
    case CB_SETEDITSEL: return SetEditSel(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
    default: return CWnd::DefWindowProc(message, wParam, lParam);
  }
}

// ---- CListBox ------------------------------------------------------------------------------

BOOL CListBox::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
  return CWnd::Create(L"LISTBOX", nullptr, dwStyle, rect, pParentWnd, nID);
}

int CListBox::GetCount() const {
  ListBoxWidget* l = List(this);
  return l != nullptr ? l->count() : LB_ERR;
}

int CListBox::AddString(const CString& text) {
  ListBoxWidget* l = List(this);
  if (l == nullptr) return LB_ERR;
  int index = l->count();
  if (GetStyle() & LBS_SORT) index = SortedPosition(l->count(), [l](int i) { return l->item(i)->text(); }, text.q());
  return ListInsert(l, index, text);
}

int CListBox::InsertString(int nIndex, const CString& text) {
  ListBoxWidget* l = List(this);
  if (l == nullptr) return LB_ERR;
  if (nIndex == -1) nIndex = l->count();
  if (nIndex < 0 || nIndex > l->count()) return LB_ERR;
  return ListInsert(l, nIndex, text);
}

int CListBox::DeleteString(UINT nIndex) {
  ListBoxWidget* l = List(this);
  if (l == nullptr || nIndex >= static_cast<UINT>(l->count())) return LB_ERR;
  l->quiet++;
  delete l->takeItem(static_cast<int>(nIndex));
  l->quiet--;
  return l->count();
}

void CListBox::ResetContent() {
  ListBoxWidget* l = List(this);
  if (l == nullptr) return;
  l->quiet++;
  l->clear();
  l->quiet--;
}

int CListBox::GetText(int nIndex, CString& text) const {
  ListBoxWidget* l = List(this);
  if (l == nullptr || nIndex < 0 || nIndex >= l->count()) {
    text.Empty();
    return LB_ERR;
  }
  text = CString(l->item(nIndex)->text());
  return text.GetLength();
}

CString CListBox::GetText(int nIndex) const {
  CString text;
  GetText(nIndex, text);
  return text;
}

int CListBox::GetTextLen(int nIndex) const {
  ListBoxWidget* l = List(this);
  if (l == nullptr || nIndex < 0 || nIndex >= l->count()) return LB_ERR;
  return static_cast<int>(l->item(nIndex)->text().size());
}

int CListBox::FindString(int nStartAfter, const CString& prefix) const {
  ListBoxWidget* l = List(this);
  if (l == nullptr) return LB_ERR;
  int i = SearchItems(l->count(), nStartAfter, [&](int k) { return StartsWithNoCase(l->item(k)->text(), prefix.q()); });
  return i >= 0 ? i : LB_ERR;
}

int CListBox::FindStringExact(int nIndexStart, const CString& text) const {
  ListBoxWidget* l = List(this);
  if (l == nullptr) return LB_ERR;
  int i = SearchItems(l->count(), nIndexStart, [&](int k) { return CompareNoCase(l->item(k)->text(), text.q()) == 0; });
  return i >= 0 ? i : LB_ERR;
}

int CListBox::SelectString(int nStartAfter, const CString& prefix) {
  int i = FindString(nStartAfter, prefix);
  if (i != LB_ERR) List(this)->SelectOnly(i);
  return i;
}

DWORD_PTR CListBox::GetItemData(int nIndex) const {
  ListBoxWidget* l = List(this);
  if (l == nullptr || nIndex < 0 || nIndex >= l->count()) return static_cast<DWORD_PTR>(LB_ERR);
  return static_cast<DWORD_PTR>(l->item(nIndex)->data(platform::ctl::kDataRole).toULongLong());
}

int CListBox::SetItemData(int nIndex, DWORD_PTR dwItemData) {
  ListBoxWidget* l = List(this);
  if (l == nullptr || nIndex < 0 || nIndex >= l->count()) return LB_ERR;
  l->item(nIndex)->setData(platform::ctl::kDataRole, QVariant(static_cast<qulonglong>(dwItemData)));
  return LB_OKAY;
}

void* CListBox::GetItemDataPtr(int nIndex) const { return reinterpret_cast<void*>(GetItemData(nIndex)); }

int CListBox::SetItemDataPtr(int nIndex, void* pData) {
  return SetItemData(nIndex, reinterpret_cast<DWORD_PTR>(pData));
}

int CListBox::GetCurSel() const {
  ListBoxWidget* l = List(this);
  if (l == nullptr || l->count() == 0) return LB_ERR;
  if (l->MultiSel()) return l->currentRow() >= 0 ? l->currentRow() : 0;
  QList<QListWidgetItem*> selected = l->selectedItems();
  return selected.isEmpty() ? LB_ERR : l->row(selected.front());
}

int CListBox::SetCurSel(int nSelect) {
  ListBoxWidget* l = List(this);
  if (l == nullptr || l->MultiSel()) return LB_ERR;
  if (nSelect < 0 || nSelect >= l->count()) {
    l->SelectOnly(-1);
    return LB_ERR;
  }
  l->SelectOnly(nSelect);
  return nSelect;
}

int CListBox::GetSel(int nIndex) const {
  ListBoxWidget* l = List(this);
  if (l == nullptr || nIndex < 0 || nIndex >= l->count()) return LB_ERR;
  return l->item(nIndex)->isSelected() ? 1 : 0;
}

int CListBox::SetSel(int nIndex, BOOL bSelect) {
  ListBoxWidget* l = List(this);
  if (l == nullptr || !l->MultiSel()) return LB_ERR;
  if (nIndex < -1 || nIndex >= l->count()) return LB_ERR;
  l->quiet++;
  if (nIndex == -1) {
    for (int i = 0; i < l->count(); ++i) l->item(i)->setSelected(bSelect != FALSE);
  } else {
    l->item(nIndex)->setSelected(bSelect != FALSE);
  }
  l->quiet--;
  return LB_OKAY;
}

int CListBox::GetSelCount() const {
  ListBoxWidget* l = List(this);
  if (l == nullptr || !l->MultiSel()) return LB_ERR;
  return static_cast<int>(l->selectedItems().size());
}

int CListBox::GetSelItems(int nMaxItems, LPINT rgIndex) const {
  ListBoxWidget* l = List(this);
  if (l == nullptr || !l->MultiSel()) return LB_ERR;
  int n = 0;
  for (int i = 0; i < l->count() && n < nMaxItems; ++i) {
    if (!l->item(i)->isSelected()) continue;
    if (rgIndex != nullptr) rgIndex[n] = i;
    ++n;
  }
  return n;
}

int CListBox::SelItemRange(BOOL bSelect, int nFirstItem, int nLastItem) {
  ListBoxWidget* l = List(this);
  if (l == nullptr || !l->MultiSel()) return LB_ERR;
  if (nFirstItem > nLastItem) std::swap(nFirstItem, nLastItem);
  if (nFirstItem < 0 || nLastItem >= l->count()) return LB_ERR;
  l->quiet++;
  for (int i = nFirstItem; i <= nLastItem; ++i) l->item(i)->setSelected(bSelect != FALSE);
  l->quiet--;
  return LB_OKAY;
}

int CListBox::GetCaretIndex() const {
  ListBoxWidget* l = List(this);
  if (l == nullptr || l->count() == 0) return LB_ERR;
  return std::max(0, l->currentRow());
}

int CListBox::SetCaretIndex(int nIndex, BOOL bScroll) {
  ListBoxWidget* l = List(this);
  if (l == nullptr || nIndex < 0 || nIndex >= l->count()) return LB_ERR;
  l->quiet++;
  l->selectionModel()->setCurrentIndex(l->model()->index(nIndex, 0), QItemSelectionModel::NoUpdate);
  l->quiet--;
  if (bScroll) l->scrollToItem(l->item(nIndex));
  return LB_OKAY;
}

int CListBox::GetTopIndex() const {
  ListBoxWidget* l = List(this);
  if (l == nullptr) return LB_ERR;
  QModelIndex top = l->indexAt(QPoint(1, 1));
  return top.isValid() ? top.row() : 0;
}

int CListBox::SetTopIndex(int nIndex) {
  ListBoxWidget* l = List(this);
  if (l == nullptr || nIndex < 0 || nIndex >= l->count()) return LB_ERR;
  l->scrollToItem(l->item(nIndex), QAbstractItemView::PositionAtTop);
  return LB_OKAY;
}

int CListBox::GetItemHeight(int nIndex) const {
  ListBoxWidget* l = List(this);
  if (l == nullptr) return LB_ERR;
  if (l->Variable() && (nIndex < 0 || nIndex >= l->count())) return LB_ERR;
  return l->HeightOf(l->Variable() ? nIndex : 0);
}

int CListBox::SetItemHeight(int nIndex, UINT cyItemHeight) {
  ListBoxWidget* l = List(this);
  if (l == nullptr || cyItemHeight > 255) return LB_ERR;
  if (l->Variable()) {
    if (nIndex < 0 || nIndex >= l->count()) return LB_ERR;
    l->item(nIndex)->setData(platform::ctl::kHeightRole, static_cast<int>(cyItemHeight));
  } else {
    l->fixedHeight = static_cast<int>(cyItemHeight);
  }
  l->RefreshLayout();
  return LB_OKAY;
}

int CListBox::GetItemRect(int nIndex, LPRECT lpRect) const {
  ListBoxWidget* l = List(this);
  if (l == nullptr || nIndex < 0 || nIndex >= l->count() || lpRect == nullptr) return LB_ERR;
  QRect r = l->visualItemRect(l->item(nIndex));
  *lpRect = CRect(r.left(), r.top(), std::max(r.right() + 1, l->viewport()->width()), r.bottom() + 1);
  return LB_OKAY;
}

UINT CListBox::ItemFromPoint(CPoint pt, BOOL& bOutside) const {
  bOutside = TRUE;
  ListBoxWidget* l = List(this);
  if (l == nullptr || l->count() == 0) return 0;
  QPoint p(pt.x, pt.y);
  bOutside = l->viewport()->rect().contains(p) ? FALSE : TRUE;
  QModelIndex at = l->indexAt(p);
  if (at.isValid()) return static_cast<UINT>(at.row());
  // The nearest item: the top one above the items, else the last one.
  if (p.y() < 0) return static_cast<UINT>(GetTopIndex());
  return static_cast<UINT>(l->count() - 1);
}

int CListBox::GetHorizontalExtent() const {
  ListBoxWidget* l = List(this);
  return l != nullptr ? l->horizontalExtent : 0;
}

void CListBox::SetHorizontalExtent(int cxExtent) {
  ListBoxWidget* l = List(this);
  if (l == nullptr) return;
  l->horizontalExtent = std::max(0, cxExtent);
  l->RefreshLayout();
}

LRESULT CListBox::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  auto text = [lParam]() { return lParam != 0 ? *reinterpret_cast<const CString*>(lParam) : CString(); };
  switch (message) {
    case LB_GETCOUNT: return GetCount();
    case LB_ADDSTRING: return AddString(text());
    case LB_INSERTSTRING: return InsertString(static_cast<int>(wParam), text());
    case LB_DELETESTRING: return DeleteString(static_cast<UINT>(wParam));
    case LB_RESETCONTENT: ResetContent(); return LB_OKAY;
    case LB_GETTEXT: {
      CString t;
      int r = GetText(static_cast<int>(wParam), t);
      if (lParam != 0) *reinterpret_cast<CString*>(lParam) = t;
      return r;
    }
    case LB_GETTEXTLEN: return GetTextLen(static_cast<int>(wParam));
    case LB_FINDSTRING: return FindString(static_cast<int>(wParam), text());
    case LB_FINDSTRINGEXACT: return FindStringExact(static_cast<int>(wParam), text());
    case LB_SELECTSTRING: return SelectString(static_cast<int>(wParam), text());
    case LB_GETITEMDATA: return static_cast<LRESULT>(GetItemData(static_cast<int>(wParam)));
    case LB_SETITEMDATA: return SetItemData(static_cast<int>(wParam), static_cast<DWORD_PTR>(lParam));
    case LB_GETCURSEL: return GetCurSel();
    case LB_SETCURSEL: return SetCurSel(static_cast<int>(wParam));
    case LB_GETSEL: return GetSel(static_cast<int>(wParam));
    case LB_SETSEL: return SetSel(static_cast<int>(lParam), static_cast<BOOL>(wParam));
    case LB_GETSELCOUNT: return GetSelCount();
    case LB_GETCARETINDEX: return GetCaretIndex();
    case LB_SETCARETINDEX: return SetCaretIndex(static_cast<int>(wParam), !lParam);
    case LB_GETTOPINDEX: return GetTopIndex();
    case LB_SETTOPINDEX: return SetTopIndex(static_cast<int>(wParam));
    case LB_GETITEMHEIGHT: return GetItemHeight(static_cast<int>(wParam));
    case LB_SETITEMHEIGHT: return SetItemHeight(static_cast<int>(wParam), static_cast<UINT>(LOWORD(lParam)));
    case LB_GETHORIZONTALEXTENT: return GetHorizontalExtent();
    case LB_SETHORIZONTALEXTENT: SetHorizontalExtent(static_cast<int>(wParam)); return 0;
    default: return CWnd::DefWindowProc(message, wParam, lParam);
  }
}
