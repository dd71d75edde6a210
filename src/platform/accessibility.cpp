// Accessible interfaces of the layer's windows. One interface class serves every control and
// works out what the control is (its window class and style) at each question, so that a widget
// asked about before its window exists, or a window taken over by another object, still answers
// right. Lists, list views and tab controls expose their rows, cells and tabs as child interfaces
// that read the control live by index.
#include "platform/accessibility.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPointer>
#include <QTimer>
#include <algorithm>
#include <map>

#include "platform/controls.h"
#include "platform/controls_widgets.h"
#include "platform/dialog.h"
#include "platform/listctrl.h"
#include "platform/tabctrl.h"
#include "platform/wndinternal.h"

namespace platform {

CString StripMnemonics(const CString& text) {
  const QString in = text.q();
  QString out;
  out.reserve(in.size());
  for (qsizetype i = 0; i < in.size(); ++i) {
    if (in[i] == QLatin1Char('&')) {
      if (i + 1 < in.size() && in[i + 1] == QLatin1Char('&')) {
        out += QLatin1Char('&');
        ++i;
      }
      continue;
    }
    out += in[i];
  }
  return CString(out);
}

namespace {

enum class Kind {
  Generic,  // not a window of the layer (or not yet one): plain widget answers
  Window,
  Dialog,
  PushButton,
  CheckBox,
  RadioButton,
  GroupBox,
  StaticText,
  Graphic,
  Edit,
  ComboBox,
  ListBox,
  ListView,
  TabControl,
  Progress,
  ScrollBar,
  IpAddress,
  ToolTip,
};

bool ClassIs(const QString& cls, const char* name) { return cls.compare(QLatin1String(name), Qt::CaseInsensitive) == 0; }

Kind KindOf(const QWidget* w) {
  if (w == nullptr) return Kind::Generic;
  CWnd* wnd = WindowOfWidget(w);
  const QString cls = w->property("platformWindowClass").toString();
  const DWORD style = wnd != nullptr ? wnd->GetStyle() : 0;
  if (ClassIs(cls, "BUTTON")) {
    switch (style & BS_TYPEMASK) {
      case BS_CHECKBOX: case BS_AUTOCHECKBOX: case BS_3STATE: case BS_AUTO3STATE: return Kind::CheckBox;
      case BS_RADIOBUTTON: case BS_AUTORADIOBUTTON: return Kind::RadioButton;
      case BS_GROUPBOX: return Kind::GroupBox;
      default: return Kind::PushButton;  // also owner-drawn and user buttons
    }
  }
  if (ClassIs(cls, "STATIC")) {
    switch (style & SS_TYPEMASK) {
      case SS_ICON: case SS_BITMAP: case SS_BLACKRECT: case SS_GRAYRECT: case SS_WHITERECT: case SS_BLACKFRAME:
      case SS_GRAYFRAME: case SS_WHITEFRAME: case SS_ETCHEDHORZ: case SS_ETCHEDVERT: case SS_ETCHEDFRAME:
        return Kind::Graphic;
      default: return Kind::StaticText;
    }
  }
  if (ClassIs(cls, "EDIT")) return Kind::Edit;
  if (ClassIs(cls, "COMBOBOX")) return Kind::ComboBox;
  if (ClassIs(cls, "LISTBOX")) return Kind::ListBox;
  if (ClassIs(cls, "SysListView32")) return Kind::ListView;
  if (ClassIs(cls, "SysTabControl32")) return Kind::TabControl;
  if (ClassIs(cls, "msctls_progress32")) return Kind::Progress;
  if (ClassIs(cls, "SCROLLBAR")) return Kind::ScrollBar;
  if (ClassIs(cls, "SysIPAddress32")) return Kind::IpAddress;
  if (ClassIs(cls, "tooltips_class32")) return Kind::ToolTip;
  if (wnd == nullptr) return Kind::Generic;
  if (dynamic_cast<CDialog*>(wnd) != nullptr) return Kind::Dialog;
  return w->isWindow() ? Kind::Window : Kind::Generic;
}

// Kinds whose window text is their content (or nothing), named by their label instead.
bool NamedByLabel(Kind k) {
  switch (k) {
    case Kind::Edit: case Kind::ComboBox: case Kind::ListBox: case Kind::ListView: case Kind::TabControl:
    case Kind::Progress: case Kind::ScrollBar: case Kind::IpAddress:
      return true;
    default: return false;
  }
}

CListCtrl* ListCtrlOf(const QWidget* w) { return dynamic_cast<CListCtrl*>(WindowOfWidget(w)); }
CTabCtrl* TabCtrlOf(const QWidget* w) { return dynamic_cast<CTabCtrl*>(WindowOfWidget(w)); }

int ListViewColumns(const QWidget* w) {
  CListCtrl* l = ListCtrlOf(w);
  CHeaderCtrl* h = l != nullptr ? l->GetHeaderCtrl() : nullptr;
  return h != nullptr ? std::max(0, h->GetItemCount()) : 0;
}
int ListViewRows(const QWidget* w) {
  CListCtrl* l = ListCtrlOf(w);
  return l != nullptr ? std::max(0, l->GetItemCount()) : 0;
}
QString ListViewColumnTitle(const QWidget* w, int col) {
  CListCtrl* l = ListCtrlOf(w);
  if (l == nullptr) return QString();
  wchar_t buffer[260] = {0};
  LVCOLUMN c{};
  c.mask = LVCF_TEXT;
  c.pszText = buffer;
  c.cchTextMax = 260;
  if (!l->GetColumn(col, &c)) return QString();
  return CString(buffer).q();
}

int TabCount(const QWidget* w) {
  CTabCtrl* t = TabCtrlOf(w);
  return t != nullptr ? std::max(0, t->GetItemCount()) : 0;
}
QString TabTitle(const QWidget* w, int i) {
  CTabCtrl* t = TabCtrlOf(w);
  if (t == nullptr) return QString();
  wchar_t buffer[260] = {0};
  TCITEM item{};
  item.mask = TCIF_TEXT;
  item.pszText = buffer;
  item.cchTextMax = 260;
  if (!t->GetItem(i, &item)) return QString();
  return StripMnemonics(CString(buffer)).q();
}

QRect ToScreen(const QWidget* w, const RECT& r) {
  return QRect(w->mapToGlobal(QPoint(r.left, r.top)), QSize(std::max(0L, static_cast<long>(r.right - r.left)),
                                                             std::max(0L, static_cast<long>(r.bottom - r.top))));
}

// ---- items ------------------------------------------------------------------------------------

enum class ItemKind { ListBoxItem, Tab, ColumnHeader, Cell, ComboItem };

class ItemAccessible : public QAccessibleInterface,
                       public QAccessibleActionInterface,
                       public QAccessibleTableCellInterface {
 public:
  ItemAccessible(QWidget* owner, ItemKind kind, int row, int column)
      : m_owner(owner), m_kind(kind), m_row(row), m_column(column) {}

  bool isValid() const override {
    if (m_owner.isNull()) return false;
    switch (m_kind) {
      case ItemKind::ListBoxItem: {
        auto* l = qobject_cast<ctl::ListBoxWidget*>(m_owner.data());
        return l != nullptr && m_row < l->count();
      }
      case ItemKind::Tab: return m_row < TabCount(m_owner);
      case ItemKind::ColumnHeader: return m_column < ListViewColumns(m_owner);
      case ItemKind::Cell: return m_row < ListViewRows(m_owner) && m_column < ListViewColumns(m_owner);
      case ItemKind::ComboItem: {
        auto* c = qobject_cast<ctl::ComboWidget*>(m_owner.data());
        return c != nullptr && m_row < c->count();
      }
    }
    return false;
  }
  QObject* object() const override { return nullptr; }
  QWindow* window() const override {
    QAccessibleInterface* p = parent();
    return p != nullptr ? p->window() : nullptr;
  }
  QAccessibleInterface* childAt(int, int) const override { return nullptr; }
  QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(m_owner.data()); }
  QAccessibleInterface* child(int) const override { return nullptr; }
  int childCount() const override { return 0; }
  int indexOfChild(const QAccessibleInterface*) const override { return -1; }

  QString text(QAccessible::Text t) const override {
    if (t != QAccessible::Name || !isValid()) return QString();
    switch (m_kind) {
      case ItemKind::ListBoxItem: return qobject_cast<ctl::ListBoxWidget*>(m_owner.data())->item(m_row)->text();
      case ItemKind::Tab: return TabTitle(m_owner, m_row);
      case ItemKind::ColumnHeader: return ListViewColumnTitle(m_owner, m_column);
      case ItemKind::Cell: {
        CListCtrl* l = ListCtrlOf(m_owner);
        return l != nullptr ? l->GetItemText(m_row, m_column).q() : QString();
      }
      case ItemKind::ComboItem: return qobject_cast<ctl::ComboWidget*>(m_owner.data())->itemText(m_row);
    }
    return QString();
  }
  void setText(QAccessible::Text, const QString&) override {}

  QRect rect() const override {
    if (!isValid()) return QRect();
    switch (m_kind) {
      case ItemKind::ListBoxItem: {
        auto* l = qobject_cast<ctl::ListBoxWidget*>(m_owner.data());
        QRect r = l->visualItemRect(l->item(m_row));
        return QRect(l->viewport()->mapToGlobal(r.topLeft()), r.size());
      }
      case ItemKind::Tab: {
        RECT r{};
        return TabCtrlOf(m_owner)->GetItemRect(m_row, &r) ? ToScreen(m_owner, r) : QRect();
      }
      case ItemKind::ColumnHeader: {
        CHeaderCtrl* h = ListCtrlOf(m_owner)->GetHeaderCtrl();
        RECT r{};
        if (h == nullptr || h->GetWidget() == nullptr || !h->GetItemRect(m_column, &r)) return QRect();
        return ToScreen(h->GetWidget(), r);
      }
      case ItemKind::Cell: {
        CRect r;
        return ListCtrlOf(m_owner)->GetSubItemRect(m_row, m_column, LVIR_BOUNDS, r) ? ToScreen(m_owner, r) : QRect();
      }
      case ItemKind::ComboItem: return QRect();  // shown only in the dropped list
    }
    return QRect();
  }

  QAccessible::Role role() const override {
    switch (m_kind) {
      case ItemKind::ListBoxItem: return QAccessible::ListItem;
      case ItemKind::Tab: return QAccessible::PageTab;
      case ItemKind::ColumnHeader: return QAccessible::ColumnHeader;
      case ItemKind::Cell: return QAccessible::Cell;
      case ItemKind::ComboItem: return QAccessible::ListItem;
    }
    return QAccessible::NoRole;
  }

  QAccessible::State state() const override {
    QAccessible::State s;
    if (!isValid()) {
      s.invalid = true;
      return s;
    }
    QWidget* w = m_owner.data();
    if (!w->isEnabled()) s.disabled = true;
    if (!w->isVisible()) s.invisible = true;
    switch (m_kind) {
      case ItemKind::ListBoxItem: {
        auto* l = qobject_cast<ctl::ListBoxWidget*>(w);
        s.selectable = !(l->Style() & LBS_NOSEL);
        s.selected = l->item(m_row)->isSelected();
        s.focusable = true;
        s.focused = w->hasFocus() && l->currentRow() == m_row;
        s.multiSelectable = l->MultiSel();
        break;
      }
      case ItemKind::Tab: {
        CTabCtrl* t = TabCtrlOf(w);
        s.selectable = true;
        s.selected = t->GetCurSel() == m_row;
        s.focusable = true;
        s.focused = w->hasFocus() && t->GetCurFocus() == m_row;
        break;
      }
      case ItemKind::ColumnHeader: break;
      case ItemKind::Cell: {
        CListCtrl* l = ListCtrlOf(w);
        UINT st = l->GetItemState(m_row, LVIS_SELECTED | LVIS_FOCUSED);
        s.selectable = true;
        s.selected = (st & LVIS_SELECTED) != 0;
        s.focusable = true;
        s.focused = w->hasFocus() && (st & LVIS_FOCUSED) != 0;
        s.multiSelectable = !(l->GetStyle() & LVS_SINGLESEL);
        if (m_column == 0 && (l->GetExtendedStyle() & LVS_EX_CHECKBOXES)) {
          s.checkable = true;
          s.checked = l->GetCheck(m_row) != FALSE;
        }
        break;
      }
      case ItemKind::ComboItem: {
        auto* c = qobject_cast<ctl::ComboWidget*>(w);
        s.selectable = true;
        s.selected = c->currentIndex() == m_row;
        if (!c->dropped) s.invisible = true;
        break;
      }
    }
    return s;
  }

  void* interface_cast(QAccessible::InterfaceType type) override {
    if (type == QAccessible::ActionInterface && (m_kind == ItemKind::Tab || m_kind == ItemKind::ComboItem))
      return static_cast<QAccessibleActionInterface*>(this);
    if (type == QAccessible::TableCellInterface && m_kind == ItemKind::Cell) return static_cast<QAccessibleTableCellInterface*>(this);
    return nullptr;
  }

  // Tabs and the items of a choice: pressing one selects it as a click of the user would (with the
  // notifications), so that a screen reader can make the choice.
  QStringList actionNames() const override {
    if ((m_kind == ItemKind::Tab || m_kind == ItemKind::ComboItem) && isValid() && m_owner->isEnabled())
      return {pressAction()};
    return {};
  }
  void doAction(const QString& name) override {
    if (name != pressAction() || !isValid() || !m_owner->isEnabled()) return;
    if (m_kind == ItemKind::ComboItem) {
      // Chosen from the event loop, as a click in the dropped list is: the owner's handler of the
      // change never holds up the client that asked for it.
      QPointer<ctl::ComboWidget> combo(qobject_cast<ctl::ComboWidget*>(m_owner.data()));
      const int row = m_row;
      QTimer::singleShot(0, combo, [combo, row] {
        if (combo.isNull() || !combo->isEnabled() || row >= combo->count()) return;
        if (combo->dropped) combo->hidePopup();
        if (combo.isNull()) return;
        combo->setCurrentIndex(row);
        emit combo->activated(row);
      });
      return;
    }
    if (m_kind != ItemKind::Tab) return;
    RECT r{};
    if (!TabCtrlOf(m_owner)->GetItemRect(m_row, &r)) return;
    const QPointF at((r.left + r.right) / 2.0, (r.top + r.bottom) / 2.0);
    // The click comes from the event loop, as a user's would: what it starts (a page change with
    // its waits, a modal dialog) never holds up the client that asked for it.
    QPointer<QWidget> target = m_owner;
    QTimer::singleShot(0, target, [target, at] {
      if (target.isNull()) return;
      QMouseEvent press(QEvent::MouseButtonPress, at, target->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                        Qt::NoModifier);
      QCoreApplication::sendEvent(target, &press);
      if (target.isNull()) return;
      QMouseEvent release(QEvent::MouseButtonRelease, at, target->mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                          Qt::NoModifier);
      QCoreApplication::sendEvent(target, &release);
    });
  }
  QStringList keyBindingsForAction(const QString&) const override { return {}; }

  // Cells.
  bool isSelected() const override { return state().selected; }
  QList<QAccessibleInterface*> columnHeaderCells() const override;
  QList<QAccessibleInterface*> rowHeaderCells() const override { return {}; }
  int columnIndex() const override { return m_column; }
  int rowIndex() const override { return m_row; }
  int columnExtent() const override { return 1; }
  int rowExtent() const override { return 1; }
  QAccessibleInterface* table() const override { return parent(); }

  int row() const { return m_row; }
  int column() const { return m_column; }
  ItemKind kind() const { return m_kind; }

 private:
  QPointer<QWidget> m_owner;
  ItemKind m_kind;
  int m_row;
  int m_column;
};

// ---- controls ---------------------------------------------------------------------------------

class ControlAccessible : public QAccessibleWidget,
                          public QAccessibleTableInterface,
                          public QAccessibleValueInterface,
                          public QAccessibleTextInterface,
                          public QAccessibleEditableTextInterface {
 public:
  explicit ControlAccessible(QWidget* w) : QAccessibleWidget(w) {}
  ~ControlAccessible() override {
    for (const auto& entry : m_items) QAccessible::deleteAccessibleInterface(entry.second);
  }

  Kind kind() const { return KindOf(widget()); }

  QAccessibleInterface* Item(ItemKind ik, int row, int column) const {
    auto key = std::make_tuple(static_cast<int>(ik), row, column);
    auto it = m_items.find(key);
    if (it != m_items.end()) {
      if (QAccessibleInterface* found = QAccessible::accessibleInterface(it->second)) return found;
      m_items.erase(it);
    }
    auto* item = new ItemAccessible(widget(), ik, row, column);
    QAccessible::Id id = QAccessible::registerAccessibleInterface(item);
    m_items[key] = id;
    return item;
  }

  QAccessible::Role role() const override {
    switch (kind()) {
      case Kind::Generic: return QAccessibleWidget::role();
      case Kind::Window: return QAccessible::Window;
      case Kind::Dialog: return QAccessible::Dialog;
      case Kind::PushButton: return QAccessible::PushButton;
      case Kind::CheckBox: return QAccessible::CheckBox;
      case Kind::RadioButton: return QAccessible::RadioButton;
      case Kind::GroupBox: return QAccessible::Grouping;
      case Kind::StaticText: return QAccessible::StaticText;
      case Kind::Graphic: return QAccessible::Graphic;
      case Kind::Edit: return QAccessible::EditableText;
      case Kind::ComboBox: return QAccessible::ComboBox;
      case Kind::ListBox: return QAccessible::List;
      case Kind::ListView: return QAccessible::Table;
      case Kind::TabControl: return QAccessible::PageTabList;
      case Kind::Progress: return QAccessible::ProgressBar;
      case Kind::ScrollBar: return QAccessible::ScrollBar;
      case Kind::IpAddress: return QAccessible::EditableText;
      case Kind::ToolTip: return QAccessible::ToolTip;
    }
    return QAccessibleWidget::role();
  }

  QString text(QAccessible::Text t) const override {
    const Kind k = kind();
    CWnd* wnd = WindowOfWidget(widget());
    if (k == Kind::Generic || wnd == nullptr) return QAccessibleWidget::text(t);
    switch (t) {
      case QAccessible::Name: {
        if (NamedByLabel(k)) return AccessibleLabelOf(wnd).q();
        CString own = wnd->GetWindowText();
        if (k == Kind::Graphic || k == Kind::Dialog || k == Kind::Window || k == Kind::ToolTip) return own.q();
        if (k == Kind::StaticText && (wnd->GetStyle() & SS_NOPREFIX)) return own.q();
        own = StripMnemonics(own);
        return own.IsEmpty() ? AccessibleLabelOf(wnd).q() : own.q();
      }
      case QAccessible::Description: return widget()->accessibleDescription();
      case QAccessible::Value: {
        switch (k) {
          case Kind::Edit:
            // A password is never read out.
            if (wnd->GetStyle() & ES_PASSWORD) return QString();
            return wnd->GetWindowText().q();
          case Kind::ComboBox:
            if (auto* c = qobject_cast<ctl::ComboWidget*>(widget())) return c->currentText();
            return wnd->GetWindowText().q();
          case Kind::IpAddress: return wnd->GetWindowText().q();
          case Kind::Progress: case Kind::ScrollBar: return currentValue().toString();
          default: return QString();
        }
      }
      default: return QAccessibleWidget::text(t);
    }
  }

  QAccessible::State state() const override {
    QAccessible::State s = QAccessibleWidget::state();
    QWidget* w = widget();
    const Kind k = kind();
    CWnd* wnd = WindowOfWidget(w);
    const DWORD style = wnd != nullptr ? wnd->GetStyle() : 0;
    switch (k) {
      case Kind::PushButton:
        if (auto* b = qobject_cast<QPushButton*>(w)) {
          s.pressed = b->isDown();
          s.defaultButton = b->isDefault() || (style & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
        }
        break;
      case Kind::CheckBox:
      case Kind::RadioButton:
        s.checkable = true;
        if (auto* c = qobject_cast<QCheckBox*>(w)) {
          s.checked = c->checkState() == Qt::Checked;
          s.checkStateMixed = c->checkState() == Qt::PartiallyChecked;
        } else if (auto* b = qobject_cast<QAbstractButton*>(w)) {
          s.checked = b->isChecked();
        }
        break;
      case Kind::Edit:
        if (ctl::EditCore* e = ctl::EditCoreOf(w)) {
          s.readOnly = e->IsReadOnly();
          s.editable = !e->IsReadOnly();
          s.multiLine = e->Multiline();
        }
        s.passwordEdit = (style & ES_PASSWORD) != 0;
        break;
      case Kind::ComboBox:
        s.hasPopup = true;
        if (auto* c = qobject_cast<ctl::ComboWidget*>(w)) {
          s.expanded = c->dropped;
          s.collapsed = !c->dropped;
          s.editable = c->isEditable();
        }
        break;
      case Kind::ListBox:
        if (auto* l = qobject_cast<ctl::ListBoxWidget*>(w)) s.multiSelectable = l->MultiSel();
        break;
      case Kind::ListView: s.multiSelectable = !(style & LVS_SINGLESEL); break;
      case Kind::StaticText: case Kind::Graphic: s.readOnly = true; break;
      default: break;
    }
    return s;
  }

  int childCount() const override {
    switch (kind()) {
      case Kind::ListBox:
        if (auto* l = qobject_cast<ctl::ListBoxWidget*>(widget())) return l->count();
        return 0;
      case Kind::TabControl: return TabCount(widget());
      case Kind::ListView: {
        int cols = ListViewColumns(widget());
        return cols + cols * ListViewRows(widget());
      }
      case Kind::ComboBox:
        if (auto* c = qobject_cast<ctl::ComboWidget*>(widget())) return c->count();
        return 0;
      default: return QAccessibleWidget::childCount();
    }
  }

  QAccessibleInterface* child(int index) const override {
    if (index < 0) return nullptr;
    switch (kind()) {
      case Kind::ListBox:
      case Kind::TabControl:
        if (index >= childCount()) return nullptr;
        return Item(kind() == Kind::ListBox ? ItemKind::ListBoxItem : ItemKind::Tab, index, 0);
      case Kind::ComboBox:
        if (index >= childCount()) return nullptr;
        return Item(ItemKind::ComboItem, index, 0);
      case Kind::ListView: {
        int cols = ListViewColumns(widget());
        if (index >= childCount() || cols == 0) return nullptr;
        if (index < cols) return Item(ItemKind::ColumnHeader, -1, index);
        return Item(ItemKind::Cell, (index - cols) / cols, (index - cols) % cols);
      }
      default: return QAccessibleWidget::child(index);
    }
  }

  int indexOfChild(const QAccessibleInterface* c) const override {
    const Kind k = kind();
    if (k != Kind::ListBox && k != Kind::TabControl && k != Kind::ListView && k != Kind::ComboBox) {
      return QAccessibleWidget::indexOfChild(c);
    }
    auto* item = dynamic_cast<const ItemAccessible*>(c);
    if (item == nullptr || !item->isValid() || item->parent() != this) return -1;
    if (k == Kind::ListView) {
      int cols = ListViewColumns(widget());
      return item->kind() == ItemKind::ColumnHeader ? item->column() : cols + item->row() * cols + item->column();
    }
    return item->row();
  }

  QAccessibleInterface* childAt(int x, int y) const override {
    const Kind k = kind();
    if (k != Kind::ListBox && k != Kind::TabControl && k != Kind::ListView) return QAccessibleWidget::childAt(x, y);
    for (int i = 0, n = childCount(); i < n; ++i) {
      QAccessibleInterface* c = child(i);
      if (c != nullptr && c->rect().contains(x, y)) return c;
    }
    return nullptr;
  }

  QAccessibleInterface* focusChild() const override {
    for (int i = 0, n = childCount(); i < n && kind() != Kind::Generic; ++i) {
      QAccessibleInterface* c = child(i);
      if (c != nullptr && c->state().focused && c->object() == nullptr) return c;
    }
    return QAccessibleWidget::focusChild();
  }

  // Buttons: pressing is a click of the user (with its notification).
  QStringList actionNames() const override {
    QStringList names = QAccessibleWidget::actionNames();
    const Kind k = kind();
    if ((k == Kind::PushButton || k == Kind::CheckBox || k == Kind::RadioButton) && widget()->isEnabled()) {
      names.prepend(pressAction());
      if (k == Kind::CheckBox) names.append(toggleAction());
    }
    if (k == Kind::ComboBox && widget()->isEnabled()) {
      names.prepend(showMenuAction());
      names.prepend(pressAction());
    }
    return names;
  }
  void doAction(const QString& name) override {
    const Kind k = kind();
    bool button = k == Kind::PushButton || k == Kind::CheckBox || k == Kind::RadioButton;
    if (button && (name == pressAction() || (k == Kind::CheckBox && name == toggleAction()))) {
      // Clicked from the event loop, as Qt's own buttons do: a handler that opens a modal dialog
      // does not hold up the client that pressed.
      if (auto* b = qobject_cast<QAbstractButton*>(widget()); b != nullptr && b->isEnabled())
        QMetaObject::invokeMethod(b, &QAbstractButton::click, Qt::QueuedConnection);
      return;
    }
    if (k == Kind::ComboBox && (name == pressAction() || name == showMenuAction())) {
      // Drops the list from the event loop, as a click on the arrow would.
      if (auto* c = qobject_cast<ctl::ComboWidget*>(widget()); c != nullptr && c->isEnabled()) {
        QPointer<ctl::ComboWidget> combo(c);
        QTimer::singleShot(0, c, [combo] {
          if (!combo.isNull()) combo->showPopup();
        });
      }
      return;
    }
    QAccessibleWidget::doAction(name);
  }

  void* interface_cast(QAccessible::InterfaceType type) override {
    const Kind k = kind();
    if (type == QAccessible::TableInterface) return k == Kind::ListView ? static_cast<QAccessibleTableInterface*>(this) : nullptr;
    if (type == QAccessible::ValueInterface) {
      return (k == Kind::Progress || k == Kind::ScrollBar) ? static_cast<QAccessibleValueInterface*>(this) : nullptr;
    }
    if (type == QAccessible::TextInterface) return Edit() != nullptr ? static_cast<QAccessibleTextInterface*>(this) : nullptr;
    if (type == QAccessible::EditableTextInterface) {
      ctl::EditCore* e = Edit();
      return e != nullptr && !e->IsReadOnly() && !Password() ? static_cast<QAccessibleEditableTextInterface*>(this) : nullptr;
    }
    return QAccessibleWidget::interface_cast(type);
  }

  // ---- table (list view) ----
  QAccessibleInterface* caption() const override { return nullptr; }
  QAccessibleInterface* summary() const override { return nullptr; }
  QAccessibleInterface* cellAt(int row, int column) const override {
    if (row < 0 || column < 0 || row >= rowCount() || column >= columnCount()) return nullptr;
    return Item(ItemKind::Cell, row, column);
  }
  int selectedCellCount() const override { return selectedRowCount() * columnCount(); }
  QList<QAccessibleInterface*> selectedCells() const override {
    QList<QAccessibleInterface*> out;
    for (int r : selectedRows()) {
      for (int c = 0; c < columnCount(); ++c) out.append(cellAt(r, c));
    }
    return out;
  }
  QString columnDescription(int column) const override { return ListViewColumnTitle(widget(), column); }
  QString rowDescription(int) const override { return QString(); }
  int selectedColumnCount() const override { return 0; }
  int selectedRowCount() const override { return static_cast<int>(selectedRows().size()); }
  int columnCount() const override { return ListViewColumns(widget()); }
  int rowCount() const override { return ListViewRows(widget()); }
  QList<int> selectedColumns() const override { return {}; }
  QList<int> selectedRows() const override {
    QList<int> out;
    for (int r = 0, n = rowCount(); r < n; ++r) {
      if (isRowSelected(r)) out.append(r);
    }
    return out;
  }
  bool isColumnSelected(int) const override { return false; }
  bool isRowSelected(int row) const override {
    CListCtrl* l = ListCtrlOf(widget());
    return l != nullptr && (l->GetItemState(row, LVIS_SELECTED) & LVIS_SELECTED) != 0;
  }
  bool selectRow(int row) override {
    CListCtrl* l = ListCtrlOf(widget());
    if (l == nullptr || row < 0 || row >= rowCount()) return false;
    if (l->GetStyle() & LVS_SINGLESEL) l->SetItemState(-1, 0, LVIS_SELECTED);
    return l->SetItemState(row, LVIS_SELECTED, LVIS_SELECTED) != FALSE;
  }
  bool selectColumn(int) override { return false; }
  bool unselectRow(int row) override {
    CListCtrl* l = ListCtrlOf(widget());
    if (l == nullptr || row < 0 || row >= rowCount()) return false;
    return l->SetItemState(row, 0, LVIS_SELECTED) != FALSE;
  }
  bool unselectColumn(int) override { return false; }
  void modelChange(QAccessibleTableModelChangeEvent*) override {}

  // ---- value (progress bar, scroll bar) ----
  QVariant currentValue() const override {
    if (auto* p = qobject_cast<ctl::ProgressWidget*>(widget())) return p->pos;
    if (auto* s = qobject_cast<ctl::ScrollBarWidget*>(widget())) return s->info.nPos;
    return QVariant();
  }
  void setCurrentValue(const QVariant&) override {}
  QVariant maximumValue() const override {
    if (auto* p = qobject_cast<ctl::ProgressWidget*>(widget())) return p->high;
    if (auto* s = qobject_cast<ctl::ScrollBarWidget*>(widget())) return s->MaxPos();
    return QVariant();
  }
  QVariant minimumValue() const override {
    if (auto* p = qobject_cast<ctl::ProgressWidget*>(widget())) return p->low;
    if (auto* s = qobject_cast<ctl::ScrollBarWidget*>(widget())) return s->info.nMin;
    return QVariant();
  }
  QVariant minimumStepSize() const override { return 1; }

  // ---- text (edits): what a screen reader reads and moves through; a password reads as empty ----
  ctl::EditCore* Edit() const { return kind() == Kind::Edit ? ctl::EditCoreOf(widget()) : nullptr; }
  bool Password() const {
    CWnd* wnd = WindowOfWidget(widget());
    return wnd != nullptr && (wnd->GetStyle() & ES_PASSWORD) != 0;
  }
  QString Content() const {
    ctl::EditCore* e = Edit();
    return e == nullptr || Password() ? QString() : e->QtText();
  }
  int Clamp(int offset) const { return std::clamp(offset, 0, characterCount()); }
  void selection(int selectionIndex, int* startOffset, int* endOffset) const override {
    *startOffset = *endOffset = 0;
    ctl::EditCore* e = Edit();
    if (e == nullptr || selectionIndex != 0) return;
    int s = 0, en = 0;
    e->QtSel(s, en);
    *startOffset = std::min(s, en);
    *endOffset = std::max(s, en);
  }
  int selectionCount() const override {
    int s = 0, e = 0;
    selection(0, &s, &e);
    return s != e ? 1 : 0;
  }
  void addSelection(int startOffset, int endOffset) override { setSelection(0, startOffset, endOffset); }
  void removeSelection(int) override { setCursorPosition(cursorPosition()); }
  void setSelection(int, int startOffset, int endOffset) override {
    if (ctl::EditCore* e = Edit()) e->SetQtSel(Clamp(startOffset), Clamp(endOffset), true);
  }
  int cursorPosition() const override {
    if (auto* l = qobject_cast<QLineEdit*>(widget())) return l->cursorPosition();
    if (auto* t = qobject_cast<QPlainTextEdit*>(widget())) return t->textCursor().position();
    return 0;
  }
  void setCursorPosition(int position) override { setSelection(0, position, position); }
  QString text(int startOffset, int endOffset) const override {
    const QString all = Content();
    const int s = std::clamp(startOffset, 0, static_cast<int>(all.size()));
    const int e = endOffset < 0 ? static_cast<int>(all.size()) : std::clamp(endOffset, s, static_cast<int>(all.size()));
    return all.mid(s, e - s);
  }
  int characterCount() const override { return static_cast<int>(Content().size()); }
  QRect characterRect(int) const override { return QRect(); }
  int offsetAtPoint(const QPoint&) const override { return -1; }
  void scrollToSubstring(int startIndex, int endIndex) override { setSelection(0, startIndex, endIndex); }
  QString attributes(int offset, int* startOffset, int* endOffset) const override {
    *startOffset = *endOffset = offset;
    return QString();
  }
  // Changes made through the reader go the way typing does: filters, limit and notifications.
  void deleteText(int startOffset, int endOffset) override { replaceText(startOffset, endOffset, QString()); }
  void insertText(int offset, const QString& text) override { replaceText(offset, offset, text); }
  void replaceText(int startOffset, int endOffset, const QString& text) override {
    ctl::EditCore* e = Edit();
    if (e == nullptr || e->IsReadOnly() || Password()) return;
    e->SetQtSel(Clamp(startOffset), Clamp(endOffset), false);
    e->InsertUserText(text, false);
  }

 private:
  mutable std::map<std::tuple<int, int, int>, QAccessible::Id> m_items;
};

QList<QAccessibleInterface*> ItemAccessible::columnHeaderCells() const {
  auto* table = dynamic_cast<ControlAccessible*>(parent());
  if (table == nullptr || m_kind != ItemKind::Cell) return {};
  return {table->Item(ItemKind::ColumnHeader, -1, m_column)};
}

// A message box: its title as name, its text as description and value.
class MessageBoxAccessible : public QAccessibleWidget {
 public:
  explicit MessageBoxAccessible(QWidget* w) : QAccessibleWidget(w, QAccessible::AlertMessage) {}
  QString text(QAccessible::Text t) const override {
    auto* box = qobject_cast<QMessageBox*>(widget());
    if (box == nullptr) return QAccessibleWidget::text(t);
    switch (t) {
      case QAccessible::Name: return box->windowTitle();
      case QAccessible::Description:
      case QAccessible::Value: {
        QString text = box->text();
        if (!box->informativeText().isEmpty()) text += QLatin1Char('\n') + box->informativeText();
        return text;
      }
      default: return QAccessibleWidget::text(t);
    }
  }
};

bool IsLayerWidgetClass(const QObject* o) {
  return qobject_cast<const ctl::PushButtonWidget*>(o) != nullptr || qobject_cast<const ctl::CheckBoxWidget*>(o) != nullptr ||
         qobject_cast<const ctl::RadioButtonWidget*>(o) != nullptr || qobject_cast<const ctl::GroupBoxWidget*>(o) != nullptr ||
         qobject_cast<const ctl::StaticWidget*>(o) != nullptr || qobject_cast<const ctl::LineEditWidget*>(o) != nullptr ||
         qobject_cast<const ctl::TextEditWidget*>(o) != nullptr || qobject_cast<const ctl::ComboWidget*>(o) != nullptr ||
         qobject_cast<const ctl::ListBoxWidget*>(o) != nullptr || qobject_cast<const ctl::ProgressWidget*>(o) != nullptr ||
         qobject_cast<const ctl::ScrollBarWidget*>(o) != nullptr || qobject_cast<const ctl::IpAddressWidget*>(o) != nullptr;
}

// Every object is offered here, the web engine's internal ones too, whose type information the
// undefined-behaviour checker cannot follow.
__attribute__((no_sanitize("vptr"))) QAccessibleInterface* Factory(const QString& className, QObject* object) {
  if (object == nullptr || !object->isWidgetType()) return nullptr;
  // Decide once per object, on its most derived class, before Qt's own interfaces are tried.
  if (className != QLatin1String(object->metaObject()->className())) return nullptr;
  auto* w = static_cast<QWidget*>(object);
  if (qobject_cast<QMessageBox*>(w) != nullptr) return new MessageBoxAccessible(w);
  bool ours = IsLayerWidgetClass(w) || WindowOfWidget(w) != nullptr || w->property("platformWindowClass").isValid();
  // A widget of a plain Qt class inside a window of the layer may become a self-painting control
  // once its window is made; it answers as a plain widget until then.
  if (!ours && (className == QLatin1String("QWidget") || className == QLatin1String("QAbstractScrollArea"))) {
    ours = w->parentWidget() != nullptr && CWnd::FromWidget(w->parentWidget()) != nullptr;
  }
  return ours ? new ControlAccessible(w) : nullptr;
}

}  // namespace

CString AccessibleLabelOf(const CWnd* wnd) {
  if (wnd == nullptr) return CString();
  CWnd* parent = wnd->GetParent();
  if (parent == nullptr) return CString();
  const CWnd* previous = nullptr;
  bool found = false;
  for (CWnd* sibling : parent->GetChildren()) {
    if (sibling == wnd) {
      found = true;
      break;
    }
    previous = sibling;
  }
  if (!found || previous == nullptr || previous->GetWidget() == nullptr) return CString();
  if (KindOf(previous->GetWidget()) != Kind::StaticText) return CString();
  CString text = previous->GetWindowText();
  return (previous->GetStyle() & SS_NOPREFIX) ? text : StripMnemonics(text);
}

void EnsureAccessibility(QWidget* widget) {
  static bool installed = false;
  if (QCoreApplication::instance() == nullptr) return;
  if (!installed) {
    installed = true;
    QAccessible::installFactory(&Factory);
  }
  if (widget == nullptr) return;
  // An interface made for the widget before it became a window (a plain widget's) is replaced.
  QAccessibleInterface* current = QAccessible::queryAccessibleInterface(widget);
  if (current != nullptr && dynamic_cast<ControlAccessible*>(current) == nullptr &&
      dynamic_cast<MessageBoxAccessible*>(current) == nullptr) {
    QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(current));
  }
}

}  // namespace platform
