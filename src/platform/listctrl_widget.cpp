// The list view's widget: a scroll area that keeps the rows and columns (its model), lays them out
// under a header view, paints them (owner draw and custom draw included) and turns the user's
// mouse and keys into selection changes and notifications.
#include "platform/listctrl_internal.h"

#include <QApplication>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QScrollBar>
#include <QTimer>
#include <algorithm>
#include <vector>

#include "platform/clock.h"
#include "platform/gdi.h"
#include "platform/wndinternal.h"

namespace platform {

// ---- helpers -----------------------------------------------------------------------------------

QColor ToQ(COLORREF c) { return QColor(GetRValue(c), GetGValue(c), GetBValue(c)); }

// Runs a viewport's mouse event through the message hook of the window that owns the scroll
// area, in the window's coordinates. True when the window's handler swallowed it.
bool ForwardMouseToHook(QAbstractScrollArea* area, QEvent* event) {
  auto* me = static_cast<QMouseEvent*>(event);
  WndHook* hook = nullptr;
  for (QObject* child : area->children()) {
    if (auto* h = dynamic_cast<WndHook*>(child)) {
      hook = h;
      break;
    }
  }
  if (hook == nullptr) return false;
  QPointF local = me->position() + QPointF(area->viewport()->geometry().topLeft());
  QMouseEvent mapped(me->type(), local, me->scenePosition(), me->globalPosition(), me->button(), me->buttons(),
                     me->modifiers(), me->pointingDevice());
  QPointer<QAbstractScrollArea> guard(area);
  bool swallowed = hook->eventFilter(area, &mapped);
  return swallowed || guard.isNull();
}

// ---- the rows and columns ----------------------------------------------------------------------

QVariant ListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= static_cast<int>(cols.size())) return QVariant();
  const ListColumn& c = cols[static_cast<size_t>(section)];
  switch (role) {
    case Qt::DisplayRole: return c.text;
    case kRoleFormat: return c.hdFmt;
    case kRoleParam: return static_cast<qlonglong>(c.hdParam);
    case kRoleImage: return c.image;
    case kRoleBitmap: return c.bitmap;
    default: return QVariant();
  }
}

bool ListModel::setHeaderData(int section, Qt::Orientation orientation, const QVariant& value, int role) {
  if (orientation != Qt::Horizontal || section < 0 || section >= static_cast<int>(cols.size())) return false;
  ListColumn& c = cols[static_cast<size_t>(section)];
  switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole: c.text = value.toString(); break;
    case kRoleFormat:
      c.hdFmt = value.toInt();
      c.lvFmt = (c.lvFmt & ~LVCFMT_JUSTIFYMASK) | (c.hdFmt & HDF_JUSTIFYMASK);
      break;
    case kRoleParam: c.hdParam = static_cast<LPARAM>(value.toLongLong()); break;
    case kRoleImage: c.image = value.toInt(); break;
    case kRoleBitmap: c.bitmap = value.toULongLong(); break;
    default: return false;
  }
  emit headerDataChanged(orientation, section, section);
  return true;
}

bool ListModel::insertColumns(int column, int count, const QModelIndex& parent) {
  if (parent.isValid() || column < 0 || column > static_cast<int>(cols.size()) || count <= 0) return false;
  beginInsertColumns(QModelIndex(), column, column + count - 1);
  for (int k = 0; k < count; ++k) {
    ListColumn c;
    c.subItem = column + k;
    cols.insert(cols.begin() + column + k, c);
    for (ListRow& r : rows) {
      if (static_cast<int>(r.texts.size()) > column) r.texts.insert(r.texts.begin() + column, QString());
      if (static_cast<int>(r.images.size()) > column) r.images.insert(r.images.begin() + column, -1);
    }
  }
  endInsertColumns();
  return true;
}

bool ListModel::removeColumns(int column, int count, const QModelIndex& parent) {
  if (parent.isValid() || column < 0 || count <= 0 || column + count > static_cast<int>(cols.size())) return false;
  beginRemoveColumns(QModelIndex(), column, column + count - 1);
  cols.erase(cols.begin() + column, cols.begin() + column + count);
  for (ListRow& r : rows) {
    int n = static_cast<int>(r.texts.size());
    if (n > column) r.texts.erase(r.texts.begin() + column, r.texts.begin() + std::min(n, column + count));
    int m = static_cast<int>(r.images.size());
    if (m > column) r.images.erase(r.images.begin() + column, r.images.begin() + std::min(m, column + count));
  }
  endRemoveColumns();
  return true;
}

// ---- list view ---------------------------------------------------------------------------------

ListView::ListView(QWidget* parent, DWORD style, DWORD exStyle) : QAbstractScrollArea(parent), m_initialStyle(style) {
  header = new HeaderView(this, nullptr);
  model.header = header;
  header->setModel(&model);
  header->setSectionsClickable((style & LVS_NOSORTHEADER) == 0);
  header->setVisible((style & LVS_NOCOLUMNHEADER) == 0);
  bool framed = (style & WS_BORDER) || (exStyle & (WS_EX_CLIENTEDGE | WS_EX_STATICEDGE));
  setFrameStyle(framed ? (QFrame::StyledPanel | QFrame::Sunken) : QFrame::NoFrame);
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_InputMethodEnabled, false);
  viewport()->setAutoFillBackground(false);
  verticalScrollBar()->setSingleStep(1);
  horizontalScrollBar()->setSingleStep(20);
  bk = GetSysColor(COLOR_WINDOW);
  text = GetSysColor(COLOR_WINDOWTEXT);
  textBk = GetSysColor(COLOR_WINDOW);
  connect(header, &QHeaderView::sectionResized, this, [this](int, int, int) { Relayout(); });
  connect(header, &QHeaderView::sectionMoved, this, [this](int, int, int) { viewport()->update(); });
  connect(header, &QHeaderView::sectionCountChanged, this, [this](int, int) { Relayout(); });
  Relayout();
}

ListView::~ListView() {
  model.header = nullptr;
  delete header;  // before the model it shows
  header = nullptr;
}

void ListView::SyncStyle() {
  DWORD st = Style();
  bool showHeader = (st & LVS_NOCOLUMNHEADER) == 0;
  if (header->isVisibleTo(this) != showHeader) header->setVisible(showHeader);
  header->setSectionsClickable((st & LVS_NOSORTHEADER) == 0);
  header->setSectionsMovable((lvExStyle & LVS_EX_HEADERDRAGDROP) != 0);
  Relayout();
}

CWnd* ListView::HeaderWindow() {
  CWnd* existing = WindowOfWidget(header);
  if (header->ownWindow != nullptr && header->ownWindow != existing && header->ownWindow->m_hWnd == nullptr) {
    delete header->ownWindow;
    header->ownWindow = nullptr;
  }
  if (existing != nullptr) return existing;
  CWnd* list = Window();
  if (list == nullptr || list->m_hWnd == nullptr) return nullptr;
  auto* h = new SelfDeletingHeader();
  h->view = header;
  h->AttachWidget(header, WS_CHILD | WS_VISIBLE | HDS_HORZ | HDS_BUTTONS, 0, 0, list, nullptr);
  header->ownWindow = h;
  return h;
}

void ListView::EnsureMeasured() {
  if (m_measured || !(Style() & LVS_OWNERDRAWFIXED)) return;
  CWnd* w = Window();
  if (w == nullptr || w->m_hWnd == nullptr) return;
  m_measured = true;
  MEASUREITEMSTRUCT mis{};
  mis.CtlType = ODT_LISTVIEW;
  mis.CtlID = static_cast<UINT>(w->GetDlgCtrlID());
  mis.itemHeight = static_cast<UINT>(DefaultRowHeight());
  QPointer<ListView> guard(this);
  CWnd* parent = w->GetParent();
  if (parent != nullptr) parent->SendMessage(WM_MEASUREITEM, mis.CtlID, reinterpret_cast<LPARAM>(&mis));
  if (guard.isNull()) return;
  if (mis.itemHeight > 0 && mis.itemHeight < 2000) m_measuredHeight = static_cast<int>(mis.itemHeight);
  Relayout();
}

int ListView::DefaultRowHeight() const {
  int h = fontMetrics().height() + 4;
  CSize s = ImageListSize(reinterpret_cast<HIMAGELIST>(images[LVSIL_SMALL].get()));
  if (images[LVSIL_SMALL]) h = std::max(h, static_cast<int>(s.cy) + 1);
  if (lvExStyle & LVS_EX_CHECKBOXES) h = std::max(h, 17);
  return h;
}

void ListView::Relayout() {
  // Showing or hiding a scroll bar resizes the viewport, which lays out again; a few rounds settle it.
  if (m_relayoutDepth > 3) return;
  ++m_relayoutDepth;
  RelayoutOnce();
  --m_relayoutDepth;
}

void ListView::RelayoutOnce() {
  int hh = header->isVisibleTo(this) ? header->sizeHint().height() : 0;
  setViewportMargins(0, hh, 0, 0);
  QRect cr = contentsRect();
  QRect place(cr.left(), cr.top(), viewport()->width(), hh);
  // A header window that handles HDM_LAYOUT itself is asked where it goes, as a list view asks;
  // other headers take the place the list gives them.
  if (hh > 0) {
    CWnd* headerWindow = WindowOfWidget(header);
    if (headerWindow != nullptr && HasMessageEntry(headerWindow, HDM_LAYOUT)) {
      RECT area{cr.left(), cr.top(), cr.left() + viewport()->width(), cr.bottom() + 1};
      WINDOWPOS pos;
      HDLAYOUT layout{&area, &pos};
      if (headerWindow->SendMessage(HDM_LAYOUT, 0, reinterpret_cast<LPARAM>(&layout)) && pos.cx >= 0 && pos.cy >= 0)
        place = QRect(pos.x, pos.y, pos.cx, pos.cy);
    }
  }
  header->setGeometry(place);
  int per = std::max(1, PerPage());
  verticalScrollBar()->setPageStep(per);
  verticalScrollBar()->setRange(0, std::max(0, Count() - PerPage()));
  horizontalScrollBar()->setPageStep(std::max(1, viewport()->width()));
  horizontalScrollBar()->setRange(0, std::max(0, header->length() - viewport()->width()));
  header->setOffset(horizontalScrollBar()->value());
  viewport()->update();
}

QRect ListView::RowRect(int row) const {
  QPoint o = Origin();
  int h = RowHeight();
  return QRect(o.x() - horizontalScrollBar()->value(), o.y() + (row - Top()) * h, std::max(0, header->length()), h);
}

QRect ListView::CellRect(int row, int col) const {
  QRect r = RowRect(row);
  if (col < 0 || col >= ColumnCount()) return QRect();
  return QRect(Origin().x() + header->sectionViewportPosition(col), r.top(), header->sectionSize(col), r.height());
}

QRect ListView::StateIconRect(int row) const {
  QRect c = ColumnZeroRect(row);
  int w = (lvExStyle & LVS_EX_CHECKBOXES) ? std::min(kStateIconWidth, c.width()) : 0;
  return QRect(c.left(), c.top(), w, c.height());
}

QRect ListView::IconRect(int row) const {
  QRect s = StateIconRect(row);
  QRect c = ColumnZeroRect(row);
  int w = std::min(SmallImageWidth(), std::max(0, c.right() + 1 - (s.left() + s.width())));
  return QRect(s.left() + s.width(), c.top(), w, c.height());
}

QRect ListView::LabelRect(int row) const {
  QRect i = IconRect(row);
  QRect c = ColumnZeroRect(row);
  int left = i.left() + i.width();
  return QRect(left, c.top(), std::max(0, c.left() + c.width() - left), c.height());
}

QRect ListView::ColumnZeroRect(int row) const {
  if (ColumnCount() > 0) return CellRect(row, 0);
  QRect r = RowRect(row);
  return QRect(r.left(), r.top(), 0, r.height());
}

int ListView::Hit(QPoint p, int* sub, UINT* flags, bool anyColumn) const {
  if (sub != nullptr) *sub = -1;
  UINT f = 0;
  QRect client = rect();
  if (p.y() < 0) f |= LVHT_ABOVE;
  else if (p.y() >= client.height()) f |= LVHT_BELOW;
  if (p.x() < 0) f |= LVHT_TOLEFT;
  else if (p.x() >= client.width()) f |= LVHT_TORIGHT;
  if (f != 0) {
    if (flags != nullptr) *flags = f;
    return -1;
  }
  QRect vp = viewport()->geometry();
  if (flags != nullptr) *flags = LVHT_NOWHERE;
  if (!vp.contains(p)) return -1;
  int h = RowHeight();
  int row = Top() + (p.y() - vp.top()) / h;
  if (row < 0 || row >= Count()) return -1;
  int col = header->logicalIndexAt(p.x() - vp.left());
  if (sub != nullptr) *sub = col;
  if (col < 0) return -1;
  if (col == 0) {
    if (StateIconRect(row).contains(p)) f = LVHT_ONITEMSTATEICON;
    else if (IconRect(row).contains(p)) f = LVHT_ONITEMICON;
    else f = LVHT_ONITEMLABEL;
  } else if (anyColumn || (lvExStyle & LVS_EX_FULLROWSELECT)) {
    f = LVHT_ONITEMLABEL;
  } else {
    return -1;
  }
  if (flags != nullptr) *flags = f;
  return row;
}

void ListView::EnsureRowVisible(int row, bool partialOk) {
  if (!ValidRow(row)) return;
  int top = Top();
  int per = std::max(1, PerPage());
  if (row < top) {
    verticalScrollBar()->setValue(row);
  } else if (row >= top + per) {
    bool partlyShown = row == top + per && (row - top) * RowHeight() < viewport()->height();
    if (!(partialOk && partlyShown)) verticalScrollBar()->setValue(row - per + 1);
  }
}

int ListView::InsertRow(int index, ListRow row) {
  if (index < 0) return -1;
  index = std::min(index, Count());
  DWORD st = Style();
  if (st & (LVS_SORTASCENDING | LVS_SORTDESCENDING)) {
    bool desc = (st & LVS_SORTDESCENDING) != 0;
    index = 0;
    while (index < Count()) {
      int c = QString::compare(model.rows[static_cast<size_t>(index)].Text(0), row.Text(0), Qt::CaseInsensitive);
      if (desc ? c < 0 : c > 0) break;
      ++index;
    }
  }
  if ((lvExStyle & LVS_EX_CHECKBOXES) && (row.state & LVIS_STATEIMAGEMASK) == 0) row.state |= INDEXTOSTATEIMAGEMASK(1);
  model.InsertRowAt(index, std::move(row));
  if (selMark >= index) ++selMark;
  if (editItem >= index) ++editItem;
  ++generation;
  NormaliseStates(index);
  Relayout();
  return index;
}

bool ListView::DeleteRow(int index) {
  if (!ValidRow(index)) return false;
  if (editItem == index) CancelEdit();
  model.RemoveRowAt(index);
  if (selMark == index) selMark = -1;
  else if (selMark > index) --selMark;
  if (editItem > index) --editItem;
  ++generation;
  Relayout();
  return true;
}

void ListView::DeleteAllRows() {
  CancelEdit();
  model.ClearRows();
  selMark = -1;
  ++generation;
  verticalScrollBar()->setValue(0);
  Relayout();
}

void ListView::NormaliseStates(int changed) {
  if (!ValidRow(changed)) return;
  UINT s = model.rows[static_cast<size_t>(changed)].state;
  bool single = (Style() & LVS_SINGLESEL) != 0;
  if (!(s & LVIS_FOCUSED) && !(single && (s & LVIS_SELECTED))) return;
  for (int i = 0; i < Count(); ++i) {
    if (i == changed) continue;
    UINT& o = model.rows[static_cast<size_t>(i)].state;
    if (s & LVIS_FOCUSED) o &= ~LVIS_FOCUSED;
    if (single && (s & LVIS_SELECTED)) o &= ~LVIS_SELECTED;
  }
}

bool ListView::SetState(int index, UINT state, UINT mask) {
  if (index == -1) {
    for (ListRow& r : model.rows) {
      UINT m = mask & ~LVIS_FOCUSED;
      if ((mask & LVIS_FOCUSED) && !(state & LVIS_FOCUSED)) m |= LVIS_FOCUSED;
      r.state = (r.state & ~m) | (state & m);
    }
    if ((Style() & LVS_SINGLESEL) && (mask & state & LVIS_SELECTED)) {
      bool first = true;
      for (ListRow& r : model.rows) {
        if (!(r.state & LVIS_SELECTED)) continue;
        if (!first) r.state &= ~LVIS_SELECTED;
        first = false;
      }
    }
    viewport()->update();
    return true;
  }
  if (!ValidRow(index)) return false;
  UINT& s = model.rows[static_cast<size_t>(index)].state;
  s = (s & ~mask) | (state & mask);
  NormaliseStates(index);
  viewport()->update();
  return true;
}

int ListView::FocusedRow() const {
  for (int i = 0; i < Count(); ++i) {
    if (model.rows[static_cast<size_t>(i)].state & LVIS_FOCUSED) return i;
  }
  return -1;
}

int ListView::SelectedCount() const {
  int n = 0;
  for (const ListRow& r : model.rows) {
    if (r.state & LVIS_SELECTED) ++n;
  }
  return n;
}

LRESULT ListView::NotifyListView(UINT code, int item, int sub, UINT newState, UINT oldState, UINT changed, QPoint pt) {
  CWnd* w = Window();
  if (w == nullptr) return 0;
  NMLISTVIEW nm{};
  nm.hdr.code = code;
  nm.iItem = item;
  nm.iSubItem = sub;
  nm.uNewState = newState;
  nm.uOldState = oldState;
  nm.uChanged = changed;
  nm.ptAction = POINT{pt.x(), pt.y()};
  nm.lParam = ValidRow(item) ? model.rows[static_cast<size_t>(item)].param : 0;
  return NotifyParent(w, &nm.hdr);
}

LRESULT ListView::NotifyActivate(UINT code, int item, int sub, QPoint pt, Qt::KeyboardModifiers mods) {
  CWnd* w = Window();
  if (w == nullptr) return 0;
  NMITEMACTIVATE nm{};
  nm.hdr.code = code;
  nm.iItem = item;
  nm.iSubItem = item >= 0 ? std::max(0, sub) : sub;
  nm.ptAction = POINT{pt.x(), pt.y()};
  nm.lParam = ValidRow(item) ? model.rows[static_cast<size_t>(item)].param : 0;
  if (mods & Qt::AltModifier) nm.uKeyFlags |= LVKF_ALT;
  if (mods & Qt::ControlModifier) nm.uKeyFlags |= LVKF_CONTROL;
  if (mods & Qt::ShiftModifier) nm.uKeyFlags |= LVKF_SHIFT;
  return NotifyParent(w, &nm.hdr);
}

void ListView::UserChange(const std::vector<UINT>& desired, UINT mask, QPoint pt) {
  struct Change {
    int row;
    UINT oldState;
    UINT newState;
  };
  if (static_cast<int>(desired.size()) != Count()) return;
  std::vector<Change> losing, gaining;
  for (int i = 0; i < Count(); ++i) {
    UINT old = model.rows[static_cast<size_t>(i)].state;
    UINT now = (old & ~mask) | (desired[static_cast<size_t>(i)] & mask);
    if (now == old) continue;
    bool loses = ((old & mask) & ~(now & mask)) != 0 && ((now & mask) & ~(old & mask)) == 0;
    (loses ? losing : gaining).push_back(Change{i, old, now});
  }
  std::vector<Change> changes = losing;
  changes.insert(changes.end(), gaining.begin(), gaining.end());
  if (changes.empty()) return;
  QPointer<ListView> guard(this);
  quint64 gen = generation;
  std::vector<Change> allowed;
  for (const Change& c : changes) {
    LRESULT veto = NotifyListView(LVN_ITEMCHANGING, c.row, 0, c.newState, c.oldState, LVIF_STATE, pt);
    if (guard.isNull() || generation != gen) return;
    if (veto == 0) allowed.push_back(c);
  }
  for (const Change& c : allowed) {
    UINT& s = model.rows[static_cast<size_t>(c.row)].state;
    s = (s & ~mask) | (c.newState & mask);
  }
  viewport()->update();
  for (const Change& c : allowed) {
    NotifyListView(LVN_ITEMCHANGED, c.row, 0, c.newState, c.oldState, LVIF_STATE, pt);
    if (guard.isNull() || generation != gen) return;
  }
}

void ListView::SelectByUser(int row, bool shift, bool ctrl, bool focusOnly, QPoint pt) {
  std::vector<UINT> desired(static_cast<size_t>(Count()));
  bool single = (Style() & LVS_SINGLESEL) != 0;
  if (single) {
    shift = false;
    ctrl = false;
    focusOnly = false;
  }
  for (int i = 0; i < Count(); ++i) {
    UINT cur = model.rows[static_cast<size_t>(i)].state & LVIS_SELECTED;
    UINT sel = cur;
    if (row < 0) {
      if (!ctrl) sel = 0;
    } else if (focusOnly) {
      sel = cur;
    } else if (shift && selMark >= 0) {
      int lo = std::min(selMark, row), hi = std::max(selMark, row);
      bool inRange = i >= lo && i <= hi;
      sel = inRange ? LVIS_SELECTED : (ctrl ? cur : 0);
    } else if (ctrl) {
      if (i == row) sel = cur ? 0 : LVIS_SELECTED;
    } else {
      sel = i == row ? LVIS_SELECTED : 0;
    }
    UINT foc = (row >= 0 ? (i == row) : (model.rows[static_cast<size_t>(i)].state & LVIS_FOCUSED) != 0) ? LVIS_FOCUSED : 0;
    desired[static_cast<size_t>(i)] = sel | foc;
  }
  if (row >= 0 && !shift && !focusOnly) selMark = row;
  if (row >= 0 && shift && selMark < 0) selMark = row;
  UserChange(desired, LVIS_SELECTED | LVIS_FOCUSED, pt);
}

void ListView::ToggleCheckByUser(const std::vector<int>& rows, QPoint pt) {
  std::vector<UINT> desired(static_cast<size_t>(Count()));
  for (int i = 0; i < Count(); ++i) desired[static_cast<size_t>(i)] = model.rows[static_cast<size_t>(i)].state;
  for (int r : rows) {
    if (!ValidRow(r)) continue;
    UINT s = desired[static_cast<size_t>(r)];
    UINT img = (s & LVIS_STATEIMAGEMASK) >> 12;
    UINT next = img == 2 ? 1 : 2;
    desired[static_cast<size_t>(r)] = (s & ~LVIS_STATEIMAGEMASK) | INDEXTOSTATEIMAGEMASK(next);
  }
  UserChange(desired, LVIS_STATEIMAGEMASK, pt);
}

void ListView::FinishEdit(bool accept, bool notify) {
  if (editorHwnd == nullptr) return;
  HWND h = editorHwnd;
  int item = editItem;
  editorHwnd = nullptr;
  editItem = -1;
  CWnd* ed = CWnd::FromHandle(h);
  if (ed == nullptr) return;
  CString typed = ed->GetWindowText();
  if (ed->GetWidget() != nullptr) ed->GetWidget()->removeEventFilter(this);
  ed->ShowWindow(SW_HIDE);
  QPointer<ListView> guard(this);
  if (notify && ValidRow(item)) {
    CWnd* w = Window();
    std::wstring buffer = typed.ToWString();
    NMLVDISPINFO di{};
    di.hdr.code = LVN_ENDLABELEDIT;
    di.item.mask = LVIF_TEXT;
    di.item.iItem = item;
    di.item.pszText = accept ? &buffer[0] : nullptr;
    di.item.cchTextMax = static_cast<int>(buffer.size());
    di.item.lParam = model.rows[static_cast<size_t>(item)].param;
    LRESULT keep = w != nullptr ? NotifyParent(w, &di.hdr) : 0;
    if (!guard.isNull() && accept && keep != 0 && ValidRow(item)) {
      model.rows[static_cast<size_t>(item)].SetText(0, typed.q());
      viewport()->update();
    }
  }
  if (CWnd* e = CWnd::FromHandle(h)) e->DestroyWindow();  // the editor deletes itself
  if (!guard.isNull()) setFocus(Qt::OtherFocusReason);
}

bool ListView::eventFilter(QObject* watched, QEvent* event) {
  if (editor != nullptr && editorHwnd != nullptr) {
    auto* w = qobject_cast<QWidget*>(watched);
    bool inEditor = w != nullptr && (w == editor || editor->isAncestorOf(w));
    if (inEditor && event->type() == QEvent::KeyPress) {
      int key = static_cast<QKeyEvent*>(event)->key();
      if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape) {
        bool accept = key != Qt::Key_Escape;
        QPointer<ListView> guard(this);
        QTimer::singleShot(0, this, [guard, accept] {
          if (!guard.isNull()) guard->FinishEdit(accept, true);
        });
        return true;
      }
    }
    if (inEditor && event->type() == QEvent::FocusOut) {
      QWidget* next = QApplication::focusWidget();
      if (next == nullptr || (next != editor && !editor->isAncestorOf(next))) {
        QPointer<ListView> guard(this);
        QTimer::singleShot(0, this, [guard] {
          if (!guard.isNull()) guard->FinishEdit(true, true);
        });
      }
    }
  }
  return QAbstractScrollArea::eventFilter(watched, event);
}

void ListView::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  Relayout();
}

void ListView::showEvent(QShowEvent* event) {
  QAbstractScrollArea::showEvent(event);
  SyncStyle();
  EnsureMeasured();
}

void ListView::scrollContentsBy(int, int) {
  header->setOffset(horizontalScrollBar()->value());
  viewport()->update();
}

void ListView::changeEvent(QEvent* event) {
  QAbstractScrollArea::changeEvent(event);
  if (event->type() == QEvent::FontChange) {
    header->setFont(font());
    Relayout();
  }
}

void ListView::focusInEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusInEvent(event);
  viewport()->update();
}

void ListView::focusOutEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusOutEvent(event);
  viewport()->update();
}

bool ListView::viewportEvent(QEvent* event) {
  switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove: {
      QPointer<ListView> guard(this);
      if (ForwardMouseToHook(this, event)) return true;
      if (guard.isNull()) return true;
      break;
    }
    case QEvent::ToolTip: {
      // The window's tool tips, asked in the window's coordinates.
      CWnd* wnd = CWnd::FromWidget(this);
      if (wnd == nullptr || wnd->GetWidget() != this || !wnd->ToolTipsEnabled()) break;
      auto* help = static_cast<QHelpEvent*>(event);
      ShowWindowToolTip(wnd, help->pos() + viewport()->geometry().topLeft(), help->globalPos());
      return true;
    }
    default:
      break;
  }
  return QAbstractScrollArea::viewportEvent(event);
}

// ---- painting ----------------------------------------------------------------------------------

LRESULT ListView::CustomDraw(CWnd* w, QPainter* painter, DWORD stage, const QRect& rc, int item, int sub,
                             UINT* itemState, COLORREF* clrText, COLORREF* clrTextBk, QFont* font) {
  NMLVCUSTOMDRAW cd{};
  CDC dc;
  painter->save();
  dc.AttachPainter(painter);
  cd.nmcd.hdr.code = NM_CUSTOMDRAW;
  cd.nmcd.dwDrawStage = stage;
  cd.nmcd.hdc = dc.GetSafeHdc();
  cd.nmcd.rc = CRect(rc.left(), rc.top(), rc.left() + rc.width(), rc.top() + rc.height());
  cd.nmcd.dwItemSpec = static_cast<DWORD_PTR>(item < 0 ? 0 : item);
  cd.nmcd.uItemState = itemState != nullptr ? *itemState : 0;
  cd.nmcd.lItemlParam = ValidRow(item) ? model.rows[static_cast<size_t>(item)].param : 0;
  cd.clrText = clrText != nullptr ? *clrText : text;
  cd.clrTextBk = clrTextBk != nullptr ? *clrTextBk : textBk;
  cd.iSubItem = sub;
  cd.rcText = cd.nmcd.rc;
  LRESULT r = NotifyParent(w, &cd.nmcd.hdr);
  if (itemState != nullptr) *itemState = cd.nmcd.uItemState;
  if (clrText != nullptr) *clrText = cd.clrText;
  if (clrTextBk != nullptr) *clrTextBk = cd.clrTextBk;
  if (font != nullptr && (r & CDRF_NEWFONT)) {
    if (CFont* f = dc.GetCurrentFont()) *font = f->GetQFont();
  }
  dc.DetachPainter();
  painter->restore();
  return r;
}

void ListView::paintEvent(QPaintEvent* event) {
  EnsureMeasured();
  QPainter p(viewport());
  QColor background = bk == CLR_NONE ? palette().color(QPalette::Base) : ToQ(bk);
  p.fillRect(event->rect(), background);
  p.translate(-Origin());  // client coordinates from here on
  CWnd* w = Window();
  QPointer<ListView> guard(this);
  bool owner = (Style() & LVS_OWNERDRAWFIXED) != 0;
  QRect area(Origin(), viewport()->size());
  LRESULT pre = CDRF_DODEFAULT;
  if (!owner && w != nullptr) {
    pre = CustomDraw(w, &p, CDDS_PREPAINT, area, -1, 0, nullptr, nullptr, nullptr, nullptr);
    if (guard.isNull()) return;
  }
  if (!(pre & CDRF_SKIPDEFAULT)) {
    int h = RowHeight();
    int first = Top();
    int last = first + viewport()->height() / h + 1;
    for (int row = first; row <= last && row < Count(); ++row) {
      bool stop = false;
      if (owner) PaintOwnerRow(p, row, &stop);
      else PaintRow(p, row, pre, &stop);
      if (guard.isNull()) return;
      if (stop) break;
    }
    if (lvExStyle & LVS_EX_GRIDLINES) {
      p.setPen(ToQ(GetSysColor(COLOR_BTNFACE)).darker(104));
      int bottom = area.bottom();
      for (int v = 0; v < header->count(); ++v) {
        int logical = header->logicalIndex(v);
        if (header->isSectionHidden(logical)) continue;
        int x = Origin().x() + header->sectionViewportPosition(logical) + header->sectionSize(logical) - 1;
        p.drawLine(x, area.top(), x, bottom);
      }
      int right = Origin().x() - horizontalScrollBar()->value() + header->length() - 1;
      right = std::max(right, area.right());
      for (int y = area.top() + h - 1; y <= bottom; y += h) p.drawLine(area.left(), y, right, y);
    }
  }
  if ((pre & CDRF_NOTIFYPOSTPAINT) && w != nullptr) {
    CustomDraw(w, &p, CDDS_POSTPAINT, area, -1, 0, nullptr, nullptr, nullptr, nullptr);
  }
}

void ListView::PaintOwnerRow(QPainter& p, int row, bool* stop) {
  CWnd* w = Window();
  if (w == nullptr) {
    *stop = true;
    return;
  }
  const ListRow& data = model.rows[static_cast<size_t>(row)];
  QRect r = RowRect(row);
  CDC dc;
  p.save();
  dc.AttachPainter(&p);
  DRAWITEMSTRUCT dis{};
  dis.CtlType = ODT_LISTVIEW;
  dis.CtlID = static_cast<UINT>(w->GetDlgCtrlID());
  dis.itemID = static_cast<UINT>(row);
  dis.itemAction = ODA_DRAWENTIRE;
  if (data.state & LVIS_SELECTED) dis.itemState |= ODS_SELECTED;
  if ((data.state & LVIS_FOCUSED) && hasFocus()) dis.itemState |= ODS_FOCUS;
  if (!isEnabled()) dis.itemState |= ODS_DISABLED;
  dis.hwndItem = w->m_hWnd;
  dis.hDC = dc.GetSafeHdc();
  dis.rcItem = CRect(r.left(), r.top(), r.left() + r.width(), r.top() + r.height());
  dis.itemData = static_cast<ULONG_PTR>(data.param);
  quint64 gen = generation;
  QPointer<ListView> guard(this);
  CWnd* parent = w->GetParent();
  if (parent != nullptr) parent->SendMessage(WM_DRAWITEM, dis.CtlID, reinterpret_cast<LPARAM>(&dis));
  else w->DrawItem(&dis);
  dc.DetachPainter();
  p.restore();
  if (guard.isNull() || gen != generation) *stop = true;
}

void ListView::PaintRow(QPainter& p, int row, LRESULT pre, bool* stop) {
  CWnd* w = Window();
  QPointer<ListView> guard(this);
  quint64 gen = generation;
  ListRow data = model.rows[static_cast<size_t>(row)];
  bool focused = hasFocus();
  UINT itemState = 0;
  if (data.state & LVIS_SELECTED) itemState |= CDIS_SELECTED;
  if ((data.state & LVIS_FOCUSED) && focused) itemState |= CDIS_FOCUS;
  COLORREF fg = text, bgc = textBk;
  QFont font = this->font();
  LRESULT itemResult = CDRF_DODEFAULT;
  QRect rowRect = RowRect(row);
  if ((pre & CDRF_NOTIFYITEMDRAW) && w != nullptr) {
    itemResult = CustomDraw(w, &p, CDDS_ITEMPREPAINT, rowRect, row, 0, &itemState, &fg, &bgc, &font);
    if (guard.isNull() || gen != generation) {
      *stop = true;
      return;
    }
  }
  if (!(itemResult & CDRF_SKIPDEFAULT)) {
    COLORREF subFg = fg, subBg = bgc;  // sub-item colours carry over from one column to the next
    for (int v = 0; v < header->count(); ++v) {
      int col = header->logicalIndex(v);
      if (col < 0 || header->isSectionHidden(col)) continue;
      QFont cellFont = font;
      UINT cellState = itemState;
      LRESULT subResult = CDRF_DODEFAULT;
      if ((itemResult & CDRF_NOTIFYSUBITEMDRAW) && w != nullptr) {
        subResult = CustomDraw(w, &p, CDDS_ITEMPREPAINT | CDDS_SUBITEM, CellRect(row, col), row, col, &cellState,
                               &subFg, &subBg, &cellFont);
        if (guard.isNull() || gen != generation) {
          *stop = true;
          return;
        }
        if (subResult & CDRF_SKIPDEFAULT) continue;
        PaintCell(p, row, col, data, subFg, subBg, cellState, cellFont);
        if ((subResult & CDRF_NOTIFYPOSTPAINT) && w != nullptr) {
          CustomDraw(w, &p, CDDS_ITEMPOSTPAINT | CDDS_SUBITEM, CellRect(row, col), row, col, &cellState, &subFg,
                     &subBg, nullptr);
          if (guard.isNull() || gen != generation) {
            *stop = true;
            return;
          }
        }
      } else {
        PaintCell(p, row, col, data, fg, bgc, cellState, cellFont);
      }
    }
    if ((data.state & LVIS_FOCUSED) && focused) {
      QRect fr = (lvExStyle & LVS_EX_FULLROWSELECT) ? rowRect : LabelRect(row);
      p.save();
      QPen pen(ToQ(GetSysColor(COLOR_WINDOWTEXT)));
      pen.setStyle(Qt::DotLine);
      p.setPen(pen);
      p.setBrush(Qt::NoBrush);
      p.drawRect(fr.adjusted(0, 0, -1, -1));
      p.restore();
    }
  }
  if ((itemResult & CDRF_NOTIFYPOSTPAINT) && w != nullptr) {
    CustomDraw(w, &p, CDDS_ITEMPOSTPAINT, rowRect, row, 0, &itemState, &fg, &bgc, nullptr);
    if (guard.isNull() || gen != generation) *stop = true;
  }
}

void ListView::PaintCell(QPainter& p, int row, int col, const ListRow& data, COLORREF fg, COLORREF bgc,
                         UINT itemState, const QFont& font) {
  QRect cell = CellRect(row, col);
  if (cell.width() <= 0) return;
  p.save();
  p.setClipRect(cell);
  bool focused = hasFocus();
  bool showSel = (itemState & CDIS_SELECTED) && (focused || (Style() & LVS_SHOWSELALWAYS));
  bool highlightCell = showSel && ((lvExStyle & LVS_EX_FULLROWSELECT) || col == 0);
  QRect textArea = cell;
  HIMAGELIST small = reinterpret_cast<HIMAGELIST>(images[LVSIL_SMALL].get());
  if (col == 0) {
    QRect st = StateIconRect(row);
    if (st.width() > 0) {
      UINT img = (data.state & LVIS_STATEIMAGEMASK) >> 12;
      HIMAGELIST stateList = reinterpret_cast<HIMAGELIST>(images[LVSIL_STATE].get());
      if (img > 0 && stateList != nullptr) {
        CSize s = ImageListSize(stateList);
        ImageListDraw(stateList, static_cast<int>(img) - 1, &p, st.left(), st.top() + (st.height() - s.cy) / 2);
      } else if (img > 0) {
        int side = std::min(13, st.height() - 2);
        QRect box(st.left() + (st.width() - side) / 2, st.top() + (st.height() - side) / 2, side, side);
        p.fillRect(box, Qt::white);
        p.setPen(ToQ(GetSysColor(COLOR_BTNSHADOW)));
        p.drawRect(box.adjusted(0, 0, -1, -1));
        if (img == 2) {
          QPen pen(ToQ(GetSysColor(COLOR_WINDOWTEXT)));
          pen.setWidth(2);
          p.setPen(pen);
          QPoint a(box.left() + 3, box.top() + side / 2);
          QPoint b(box.left() + side / 2 - 1, box.bottom() - 3);
          QPoint c(box.right() - 2, box.top() + 3);
          p.drawLine(a, b);
          p.drawLine(b, c);
        }
      }
    }
    QRect ic = IconRect(row);
    if (ic.width() > 0 && small != nullptr) {
      CSize s = ImageListSize(small);
      UINT style = (highlightCell && focused) ? ILD_SELECTED : ILD_NORMAL;
      ImageListDraw(small, data.Image(0), &p, ic.left(), ic.top() + (ic.height() - s.cy) / 2, style);
    }
    textArea = LabelRect(row);
  } else if ((lvExStyle & LVS_EX_SUBITEMIMAGES) && small != nullptr && data.Image(col) >= 0) {
    CSize s = ImageListSize(small);
    ImageListDraw(small, data.Image(col), &p, cell.left() + 2, cell.top() + (cell.height() - s.cy) / 2);
    textArea.setLeft(cell.left() + 2 + s.cx);
  }
  QColor ink;
  if (highlightCell) {
    QColor back = focused ? ToQ(GetSysColor(COLOR_HIGHLIGHT)) : ToQ(GetSysColor(COLOR_BTNFACE));
    ink = focused ? ToQ(GetSysColor(COLOR_HIGHLIGHTTEXT)) : ToQ(GetSysColor(COLOR_WINDOWTEXT));
    p.fillRect(col == 0 ? textArea : cell, back);
  } else {
    if (bgc != CLR_NONE && bgc != CLR_DEFAULT) p.fillRect(col == 0 ? textArea : cell, ToQ(bgc));
    ink = fg == CLR_DEFAULT || fg == CLR_NONE ? ToQ(GetSysColor(COLOR_WINDOWTEXT)) : ToQ(fg);
  }
  if (!isEnabled()) ink = ToQ(GetSysColor(COLOR_GRAYTEXT));
  QString s = data.Text(col);
  if (!s.isEmpty()) {
    QRect tr = textArea.adjusted(kTextPad, 0, -kTextPad, 0);
    if (col == 0) tr.setLeft(textArea.left() + (textArea.left() > cell.left() ? 2 : kTextPad));
    if (tr.width() > 0) {
      p.setFont(font);
      p.setPen(ink);
      QFontMetrics fm(font);
      QString shown = fm.elidedText(s, Qt::ElideRight, tr.width());
      Qt::Alignment align = Qt::AlignLeft;
      int fmt = col < ColumnCount() ? model.cols[static_cast<size_t>(col)].lvFmt & LVCFMT_JUSTIFYMASK : LVCFMT_LEFT;
      if (col != 0 && fmt == LVCFMT_RIGHT) align = Qt::AlignRight;
      else if (col != 0 && fmt == LVCFMT_CENTER) align = Qt::AlignHCenter;
      p.drawText(tr, static_cast<int>(align | Qt::AlignVCenter | Qt::TextSingleLine), shown);
    }
  }
  p.restore();
}

// ---- input -------------------------------------------------------------------------------------

void ListView::mousePressEvent(QMouseEvent* event) {
  event->accept();
  if (event->button() != Qt::LeftButton && event->button() != Qt::RightButton) return;
  QPointer<ListView> guard(this);
  if (editorHwnd != nullptr) {
    FinishEdit(true, true);
    if (guard.isNull()) return;
  }
  setFocus(Qt::MouseFocusReason);
  QPoint cp = event->position().toPoint() + Origin();
  int sub = -1;
  UINT flags = 0;
  int item = Hit(cp, &sub, &flags, false);
  m_press = Press();
  m_press.active = true;
  m_press.button = event->button();
  m_press.client = cp;
  m_press.item = item;
  m_press.sub = sub;
  m_press.mods = event->modifiers();
  bool shift = (event->modifiers() & Qt::ShiftModifier) != 0;
  bool ctrl = (event->modifiers() & Qt::ControlModifier) != 0;
  if (event->button() == Qt::LeftButton && item >= 0 && (flags & LVHT_ONITEMSTATEICON) &&
      (lvExStyle & LVS_EX_CHECKBOXES)) {
    m_press.onCheck = true;
    ToggleCheckByUser({item}, cp);
    return;
  }
  if (event->button() == Qt::RightButton) {
    if (item < 0) SelectByUser(-1, false, false, false, cp);
    else if (!(model.rows[static_cast<size_t>(item)].state & LVIS_SELECTED)) SelectByUser(item, false, false, false, cp);
    return;
  }
  if (item >= 0 && !shift && !ctrl && (model.rows[static_cast<size_t>(item)].state & LVIS_SELECTED) &&
      SelectedCount() > 1) {
    // Keep the selection for a drag of several items; a plain click narrows it on release.
    m_press.deferredSelect = item;
    SelectByUser(item, false, false, true, cp);
    return;
  }
  SelectByUser(item, shift, ctrl, false, cp);
}

void ListView::mouseMoveEvent(QMouseEvent* event) {
  event->accept();
  if (!m_press.active || m_press.dragged || m_press.doubleClick || m_press.onCheck || m_press.item < 0) return;
  if (!(event->buttons() & m_press.button)) return;
  QPoint cp = event->position().toPoint() + Origin();
  if ((cp - m_press.client).manhattanLength() < QApplication::startDragDistance()) return;
  m_press.dragged = true;
  if (!ValidRow(m_press.item)) return;
  UINT code = m_press.button == Qt::RightButton ? LVN_BEGINRDRAG : LVN_BEGINDRAG;
  NotifyListView(code, m_press.item, 0, 0, 0, 0, m_press.client);
}

void ListView::mouseReleaseEvent(QMouseEvent* event) {
  event->accept();
  if (!m_press.active || event->button() != m_press.button) return;
  Press press = m_press;
  m_press.active = false;
  if (press.dragged || press.doubleClick) return;
  QPointer<ListView> guard(this);
  if (press.deferredSelect >= 0 && ValidRow(press.deferredSelect)) {
    SelectByUser(press.deferredSelect, false, false, false, press.client);
    if (guard.isNull()) return;
  }
  int item = ValidRow(press.item) ? press.item : -1;
  NotifyActivate(press.button == Qt::RightButton ? NM_RCLICK : NM_CLICK, item, press.sub, press.client, press.mods);
  if (guard.isNull()) return;
  if (press.button == Qt::LeftButton && item >= 0 && ValidRow(item) && (lvExStyle & LVS_EX_ONECLICKACTIVATE)) {
    NotifyActivate(LVN_ITEMACTIVATE, item, press.sub, press.client, press.mods);
  }
}

void ListView::mouseDoubleClickEvent(QMouseEvent* event) {
  event->accept();
  if (event->button() != Qt::LeftButton && event->button() != Qt::RightButton) return;
  QPointer<ListView> guard(this);
  QPoint cp = event->position().toPoint() + Origin();
  int sub = -1;
  UINT flags = 0;
  int item = Hit(cp, &sub, &flags, false);
  m_press = Press();
  m_press.active = true;
  m_press.doubleClick = true;
  m_press.button = event->button();
  if (event->button() == Qt::LeftButton && item >= 0 && (flags & LVHT_ONITEMSTATEICON) &&
      (lvExStyle & LVS_EX_CHECKBOXES)) {
    ToggleCheckByUser({item}, cp);
    if (guard.isNull()) return;
  }
  item = ValidRow(item) ? item : -1;
  NotifyActivate(event->button() == Qt::RightButton ? NM_RDBLCLK : NM_DBLCLK, item, sub, cp, event->modifiers());
  if (guard.isNull()) return;
  if (event->button() == Qt::LeftButton && ValidRow(item)) {
    NotifyActivate(LVN_ITEMACTIVATE, item, sub, cp, event->modifiers());
  }
}

void ListView::keyPressEvent(QKeyEvent* event) {
  QPointer<ListView> guard(this);
  UINT vk = VirtualKeyFromQt(event->key());
  CWnd* w = Window();
  if (vk != 0 && w != nullptr) {
    NMLVKEYDOWN kd{};
    kd.hdr.code = LVN_KEYDOWN;
    kd.wVKey = static_cast<WORD>(vk);
    NotifyParent(w, &kd.hdr);
    if (guard.isNull()) return;
  }
  bool shift = (event->modifiers() & Qt::ShiftModifier) != 0;
  bool ctrl = (event->modifiers() & Qt::ControlModifier) != 0;
  int n = Count();
  int focus = FocusedRow();
  int target = -2;
  switch (event->key()) {
    case Qt::Key_Up: target = focus < 0 ? 0 : focus - 1; break;
    case Qt::Key_Down: target = focus < 0 ? 0 : focus + 1; break;
    case Qt::Key_Home: target = 0; break;
    case Qt::Key_End: target = n - 1; break;
    case Qt::Key_PageUp: {
      int per = std::max(1, PerPage());
      target = focus <= Top() ? focus - per + 1 : Top();
      break;
    }
    case Qt::Key_PageDown: {
      int per = std::max(1, PerPage());
      int bottom = Top() + per - 1;
      target = focus >= bottom ? focus + per - 1 : bottom;
      break;
    }
    case Qt::Key_Space: {
      event->accept();
      if (focus < 0) return;
      if (lvExStyle & LVS_EX_CHECKBOXES) {
        std::vector<int> rows;
        for (int i = 0; i < n; ++i) {
          if (model.rows[static_cast<size_t>(i)].state & LVIS_SELECTED) rows.push_back(i);
        }
        if (rows.empty()) rows.push_back(focus);
        ToggleCheckByUser(rows, QPoint());
      } else if (ctrl) {
        SelectByUser(focus, false, true, false, QPoint());
      } else {
        SelectByUser(focus, false, false, false, QPoint());
      }
      return;
    }
    case Qt::Key_F2:
      if ((Style() & LVS_EDITLABELS) && focus >= 0) {
        event->accept();
        if (CListCtrl* ctrl = dynamic_cast<CListCtrl*>(Window())) ctrl->EditLabel(focus);
        return;
      }
      event->ignore();
      return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (w != nullptr) {
        NMHDR hdr{};
        hdr.code = NM_RETURN;
        NotifyParent(w, &hdr);
      }
      event->ignore();
      return;
    default: {
      QString t = event->text();
      if (!ctrl && t.size() == 1 && t[0].isPrint() && !t[0].isSpace() && n > 0) {
        event->accept();
        uint64_t now = GetClock().NowMs();
        if (now - m_typedAt > 1000) m_typed.clear();
        m_typedAt = now;
        m_typed += t;
        int start = m_typed.size() == 1 ? focus + 1 : std::max(0, focus);
        for (int k = 0; k < n; ++k) {
          int i = (start + k) % n;
          if (model.rows[static_cast<size_t>(i)].Text(0).startsWith(m_typed, Qt::CaseInsensitive)) {
            SelectByUser(i, false, false, false, QPoint());
            if (!guard.isNull()) EnsureRowVisible(i, false);
            break;
          }
        }
        return;
      }
      event->ignore();
      return;
    }
  }
  event->accept();
  if (n == 0) return;
  target = std::max(0, std::min(n - 1, target));
  SelectByUser(target, shift, false, ctrl && !shift, QPoint());
  if (!guard.isNull()) EnsureRowVisible(target, false);
}

}  // namespace platform
