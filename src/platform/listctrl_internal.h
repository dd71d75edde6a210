// Internals shared by the list view's sources: the widgets behind the list view and the header
// control (the rows and columns a list keeps, the header view, the list's scroll area) and the
// small helpers that the control classes use on them.
#pragma once

#include <QAbstractItemModel>
#include <QAbstractScrollArea>
#include <QColor>
#include <QFont>
#include <QHeaderView>
#include <QPointer>
#include <QRect>
#include <QScrollBar>
#include <QString>
#include <QStyle>
#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/controls.h"
#include "platform/imagelist.h"
#include "platform/controls_text.h"
#include "platform/listctrl.h"
#include "platform/wndinternal.h"

class QPainter;

namespace platform {

// ---- helpers -----------------------------------------------------------------------------------

// Runs a viewport's mouse event through the message hook of the window that owns the scroll
// area, in the window's coordinates. True when the window's handler swallowed it.
bool ForwardMouseToHook(QAbstractScrollArea* area, QEvent* event);

enum HeaderRole {
  kRoleFormat = Qt::UserRole + 40,  // HDF_ format
  kRoleParam,                       // HDITEM lParam
  kRoleImage,                       // image index
  kRoleBitmap,                      // HBITMAP as a number
};

struct ListColumn {
  QString text;
  int lvFmt = LVCFMT_LEFT;
  int hdFmt = HDF_LEFT | HDF_STRING;
  int subItem = 0;
  int image = -1;
  LPARAM hdParam = 0;
  qulonglong bitmap = 0;
};

struct ListRow {
  std::vector<QString> texts;  // [0] is the item's own text
  std::vector<int> images;     // [0] is the item's image
  LPARAM param = 0;
  UINT state = 0;
  int indent = 0;

  QString Text(int c) const { return c >= 0 && c < static_cast<int>(texts.size()) ? texts[static_cast<size_t>(c)] : QString(); }
  void SetText(int c, const QString& t) {
    if (c < 0) return;
    if (static_cast<int>(texts.size()) <= c) texts.resize(static_cast<size_t>(c) + 1);
    texts[static_cast<size_t>(c)] = t;
  }
  int Image(int c) const {
    if (c >= 0 && c < static_cast<int>(images.size())) return images[static_cast<size_t>(c)];
    return c == 0 ? 0 : -1;
  }
  void SetImage(int c, int image) {
    if (c < 0) return;
    while (static_cast<int>(images.size()) <= c) images.push_back(images.empty() ? 0 : -1);
    images[static_cast<size_t>(c)] = image;
  }
};

class HeaderView;

// The rows and columns of a list; also the model of its header view.
class ListModel : public QAbstractTableModel {
 public:
  std::vector<ListColumn> cols;
  std::vector<ListRow> rows;
  HeaderView* header = nullptr;

  // Row changes (a reset would make the header forget its sections).
  void InsertRowAt(int index, ListRow row) {
    beginInsertRows(QModelIndex(), index, index);
    rows.insert(rows.begin() + index, std::move(row));
    endInsertRows();
  }
  void RemoveRowAt(int index) {
    beginRemoveRows(QModelIndex(), index, index);
    rows.erase(rows.begin() + index);
    endRemoveRows();
  }
  void ClearRows() {
    if (rows.empty()) return;
    beginRemoveRows(QModelIndex(), 0, static_cast<int>(rows.size()) - 1);
    rows.clear();
    endRemoveRows();
  }

  int rowCount(const QModelIndex& parent = QModelIndex()) const override {
    return parent.isValid() ? 0 : static_cast<int>(rows.size());
  }
  int columnCount(const QModelIndex& parent = QModelIndex()) const override {
    return parent.isValid() ? 0 : static_cast<int>(cols.size());
  }
  QVariant data(const QModelIndex& index, int role) const override {
    if (!index.isValid() || index.row() >= static_cast<int>(rows.size())) return QVariant();
    if (role == Qt::DisplayRole) return rows[static_cast<size_t>(index.row())].Text(index.column());
    return QVariant();
  }
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  bool setHeaderData(int section, Qt::Orientation orientation, const QVariant& value, int role) override;
  // Columns added through the header: empty titles, the texts of later columns move along.
  bool insertColumns(int column, int count, const QModelIndex& parent = QModelIndex()) override;
  bool removeColumns(int column, int count, const QModelIndex& parent = QModelIndex()) override;
};

class ListView;

// Windows the layer makes for a list's parts: they go with the list's window.
class SelfDeletingHeader : public CHeaderCtrl {
 public:
  QPointer<QWidget> view;
  void PostNcDestroy() override;
};
class SelfDeletingEdit : public CEdit {
 public:
  bool armed = false;  // set once made: a failed creation is cleaned up by its maker
  void PostNcDestroy() override {
    if (armed) delete this;
  }
};

// ---- header view -------------------------------------------------------------------------------

// The header of a list, or a header control of its own (then with an item model of its own).
class HeaderView : public QHeaderView {
 public:
  HeaderView(QWidget* parent, QAbstractItemModel* ownModel);

  std::shared_ptr<ImageListData> images;
  std::unique_ptr<CImageList> imageObject;
  std::vector<std::unique_ptr<CImageList>> retired;
  CWnd* ownWindow = nullptr;  // the window the list made for its header (see ListView::HeaderWindow)

  CWnd* Window() const;
  ListView* List() const;

  // The section whose right edge is at x (header coordinates), as the view resizes it; -1.
  int DividerAt(int x) const;

  // Sends a header notification to the header's parent (the list passes it on to its own).
  LRESULT Notify(UINT code, int item, int button, HDITEM* pitem);

 protected:
  int Grip() const {
    int g = style()->pixelMetric(QStyle::PM_HeaderGripMargin, nullptr, this);
    return g > 0 ? g : 4;
  }

  void paintSection(QPainter* painter, const QRect& rect, int logical) const override;
  bool viewportEvent(QEvent* event) override;

 private:
  void OnClicked(int logical);
  void OnDividerDoubleClick(int logical);
  int m_tracking = -1;
};

// Makes the widget of a header control of its own (window class "SysHeader32").
QWidget* MakeHeaderWidget(CWnd*, DWORD style, DWORD, QWidget* parent);

// ---- list view ---------------------------------------------------------------------------------

inline constexpr int kTextPad = 6;
inline constexpr int kStateIconWidth = 16;
inline constexpr int kWidestColumn = 100000;  // wider column widths are taken as this

inline int ColumnWidthArg(int cx) { return std::max(0, std::min(cx, kWidestColumn)); }

class ListView : public QAbstractScrollArea {
 public:
  ListView(QWidget* parent, DWORD style, DWORD exStyle);
  ~ListView() override;

  ListModel model;
  HeaderView* header;
  DWORD lvExStyle = 0;
  COLORREF bk;
  COLORREF text;
  COLORREF textBk;
  std::shared_ptr<ImageListData> images[3];
  std::unique_ptr<CImageList> imageObjects[3];
  std::vector<std::unique_ptr<CImageList>> retired;
  int selMark = -1;
  quint64 generation = 0;  // moves on with every change of the rows' number or order
  QPointer<QWidget> editor;
  HWND editorHwnd = nullptr;
  int editItem = -1;

  CWnd* Window() const { return WindowOfWidget(this); }
  DWORD Style() const {
    CWnd* w = Window();
    return w != nullptr ? w->GetStyle() : m_initialStyle;
  }
  int Count() const { return static_cast<int>(model.rows.size()); }
  int ColumnCount() const { return static_cast<int>(model.cols.size()); }
  bool ValidRow(int i) const { return i >= 0 && i < Count(); }

  // Brings the widgets in line with the window's style bits.
  void SyncStyle();

  // The header's window, made on first use. It deletes itself when the list's window goes
  // (PostNcDestroy); one left behind by a control object that took the header over is deleted here.
  CWnd* HeaderWindow();

  int SmallImageWidth() const {
    CSize s = ImageListSize(reinterpret_cast<HIMAGELIST>(images[LVSIL_SMALL].get()));
    return images[LVSIL_SMALL] ? s.cx : 0;
  }

  void EnsureMeasured();

  int DefaultRowHeight() const;
  int RowHeight() const {
    if ((Style() & LVS_OWNERDRAWFIXED) && m_measuredHeight > 0) return m_measuredHeight;
    return std::max(1, DefaultRowHeight());
  }
  int Top() const { return verticalScrollBar()->value(); }
  int PerPage() const { return std::max(0, viewport()->height() / RowHeight()); }
  QPoint Origin() const { return viewport()->geometry().topLeft(); }

  void Relayout();
  void RelayoutOnce();

  // Geometry in client coordinates.
  QRect RowRect(int row) const;
  QRect CellRect(int row, int col) const;
  // Parts of column 0: the check box, the image and the label.
  QRect StateIconRect(int row) const;
  QRect IconRect(int row) const;
  QRect LabelRect(int row) const;
  QRect ColumnZeroRect(int row) const;

  // Hit test in client coordinates: the item (or -1), its column (or -1) and the LVHT_ flags.
  int Hit(QPoint p, int* sub, UINT* flags, bool anyColumn) const;

  void EnsureRowVisible(int row, bool partialOk);

  // ---- row changes made by the program ----

  int InsertRow(int index, ListRow row);
  bool DeleteRow(int index);
  void DeleteAllRows();

  // After the states of `changed` were set: one focused item, one selection in a single-
  // selection list.
  void NormaliseStates(int changed);

  bool SetState(int index, UINT state, UINT mask);

  int FocusedRow() const;
  int SelectedCount() const;

  // ---- notifications -----------------------------------------------------------------------------

  LRESULT NotifyListView(UINT code, int item, int sub, UINT newState, UINT oldState, UINT changed, QPoint pt);
  LRESULT NotifyActivate(UINT code, int item, int sub, QPoint pt, Qt::KeyboardModifiers mods);

  // State changes the user made: each item's new bits of `mask`. LVN_ITEMCHANGING may refuse a
  // change; LVN_ITEMCHANGED follows for each one made. Items that lose bits come first.
  void UserChange(const std::vector<UINT>& desired, UINT mask, QPoint pt);

  // Selection by a click or a key: extend (Shift) from the selection mark, toggle (Ctrl) or
  // select only `row`; `row` gets the focus.
  void SelectByUser(int row, bool shift, bool ctrl, bool focusOnly, QPoint pt);

  void ToggleCheckByUser(const std::vector<int>& rows, QPoint pt);

  // ---- label editing ----

  void CancelEdit() { FinishEdit(false, false); }
  void FinishEdit(bool accept, bool notify);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void scrollContentsBy(int, int) override;
  void changeEvent(QEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  bool viewportEvent(QEvent* event) override;

  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  struct Press {
    bool active = false;
    Qt::MouseButton button = Qt::NoButton;
    QPoint client;
    int item = -1;
    int sub = -1;
    bool onCheck = false;
    bool dragged = false;
    bool doubleClick = false;
    int deferredSelect = -1;
    Qt::KeyboardModifiers mods;
  };

  LRESULT CustomDraw(CWnd* w, QPainter* painter, DWORD stage, const QRect& rc, int item, int sub, UINT* itemState,
                     COLORREF* clrText, COLORREF* clrTextBk, QFont* font);
  void PaintRow(QPainter& p, int row, LRESULT pre, bool* stop);
  void PaintCell(QPainter& p, int row, int col, const ListRow& data, COLORREF fg, COLORREF bgc, UINT itemState,
                 const QFont& font);
  void PaintOwnerRow(QPainter& p, int row, bool* stop);

  DWORD m_initialStyle;
  int m_relayoutDepth = 0;
  bool m_measured = false;
  int m_measuredHeight = 0;
  Press m_press;
  QString m_typed;
  uint64_t m_typedAt = 0;
};

// The widgets behind a control object (null when it has none or another kind).
inline ListView* ListOf(const CWnd* w) { return w != nullptr ? dynamic_cast<ListView*>(w->GetWidget()) : nullptr; }
inline HeaderView* HeaderOf(const CWnd* w) { return w != nullptr ? dynamic_cast<HeaderView*>(w->GetWidget()) : nullptr; }

// Column positions of a header in display order.
std::vector<int> OrderOf(const QHeaderView* h);

bool ApplyOrder(QHeaderView* h, int count, const int* order);

// Replaces a control's image list; returns a lasting stand-in for the previous one.
CImageList* SwapImageList(std::shared_ptr<ImageListData>& slot, std::unique_ptr<CImageList>& object,
                          std::vector<std::unique_ptr<CImageList>>& retired, CImageList* next);

}  // namespace platform
