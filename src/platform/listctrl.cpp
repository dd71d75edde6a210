// The list view (report mode) and the header control: a scroll area that paints its rows itself,
// with a Qt header view for the column titles. Everything the classes know lives in the widgets,
// so that a control object taking over the window (SubclassWindow) finds it all there.
#include "platform/listctrl.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QFontMetrics>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QStyleOptionHeader>
#include <QTimer>
#include <QIcon>
#include <algorithm>
#include <cstdlib>
#include <functional>
#include <memory>
#include <vector>

#include "platform/clock.h"
#include "platform/controls.h"
#include "platform/gdi.h"
#include "platform/wndinternal.h"

#ifndef ODT_HEADER
#define ODT_HEADER 100
#endif

namespace platform {
void RegisterTabControlClass();  // tabctrl.cpp

namespace {

// ---- helpers -----------------------------------------------------------------------------------

QColor ToQ(COLORREF c) { return QColor(GetRValue(c), GetGValue(c), GetBValue(c)); }

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
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
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
  bool setHeaderData(int section, Qt::Orientation orientation, const QVariant& value, int role) override {
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
  // Columns added through the header: empty titles, the texts of later columns move along.
  bool insertColumns(int column, int count, const QModelIndex& parent = QModelIndex()) override {
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
  bool removeColumns(int column, int count, const QModelIndex& parent = QModelIndex()) override {
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
  HeaderView(QWidget* parent, QAbstractItemModel* ownModel) : QHeaderView(Qt::Horizontal, parent) {
    if (ownModel != nullptr) {
      ownModel->setParent(this);
      setModel(ownModel);
    }
    setMinimumSectionSize(0);
    setStretchLastSection(false);
    setSectionResizeMode(QHeaderView::Interactive);
    setHighlightSections(false);
    setSortIndicatorShown(false);
    setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setFocusPolicy(Qt::NoFocus);
    connect(this, &QHeaderView::sectionClicked, this, [this](int logical) { OnClicked(logical); });
    connect(this, &QHeaderView::sectionHandleDoubleClicked, this, [this](int logical) { OnDividerDoubleClick(logical); });
  }

  std::shared_ptr<ImageListData> images;
  std::unique_ptr<CImageList> imageObject;
  std::vector<std::unique_ptr<CImageList>> retired;
  CWnd* ownWindow = nullptr;  // the window the list made for its header (see ListView::HeaderWindow)

  CWnd* Window() const;
  ListView* List() const;

  // The section whose right edge is at x (header coordinates), as the view resizes it; -1.
  int DividerAt(int x) const {
    int visual = visualIndexAt(x);
    if (visual < 0) {
      // Past the last section: its right edge still counts.
      if (count() == 0) return -1;
      int last = logicalIndex(count() - 1);
      int right = sectionViewportPosition(last) + sectionSize(last);
      return std::abs(x - right) <= Grip() ? last : -1;
    }
    int logical = logicalIndex(visual);
    int pos = sectionViewportPosition(logical);
    if (x < pos + Grip()) {
      for (int v = visual - 1; v >= 0; --v) {
        int l = logicalIndex(v);
        if (!isSectionHidden(l)) return l;
      }
      return -1;
    }
    if (x > pos + sectionSize(logical) - Grip()) return logical;
    return -1;
  }

  // Sends a header notification to the header's parent (the list passes it on to its own).
  LRESULT Notify(UINT code, int item, int button, HDITEM* pitem);

 protected:
  int Grip() const {
    int g = style()->pixelMetric(QStyle::PM_HeaderGripMargin, nullptr, this);
    return g > 0 ? g : 4;
  }

  void paintSection(QPainter* painter, const QRect& rect, int logical) const override {
    if (!rect.isValid() || model() == nullptr) return;
    int fmt = model()->headerData(logical, Qt::Horizontal, kRoleFormat).toInt();
    if (fmt & HDF_OWNERDRAW) {
      CWnd* w = Window();
      CWnd* parent = w != nullptr ? w->GetParent() : nullptr;
      if (w != nullptr && parent != nullptr) {
        CDC dc;
        painter->save();
        dc.AttachPainter(painter);
        DRAWITEMSTRUCT dis{};
        dis.CtlType = ODT_HEADER;
        dis.CtlID = static_cast<UINT>(w->GetDlgCtrlID());
        dis.itemID = static_cast<UINT>(logical);
        dis.itemAction = ODA_DRAWENTIRE;
        dis.hwndItem = w->m_hWnd;
        dis.hDC = dc.GetSafeHdc();
        dis.rcItem = CRect(rect.left(), rect.top(), rect.right() + 1, rect.bottom() + 1);
        dis.itemData = static_cast<ULONG_PTR>(model()->headerData(logical, Qt::Horizontal, kRoleParam).toLongLong());
        parent->SendMessage(WM_DRAWITEM, dis.CtlID, reinterpret_cast<LPARAM>(&dis));
        dc.DetachPainter();
        painter->restore();
        return;
      }
    }
    QStyleOptionHeader opt;
    initStyleOption(&opt);
    opt.rect = rect;
    opt.section = logical;
    opt.state |= QStyle::State_Raised;
    if (isEnabled()) opt.state |= QStyle::State_Enabled;
    opt.text = model()->headerData(logical, Qt::Horizontal, Qt::DisplayRole).toString();
    switch (fmt & HDF_JUSTIFYMASK) {
      case HDF_RIGHT: opt.textAlignment = Qt::AlignRight | Qt::AlignVCenter; break;
      case HDF_CENTER: opt.textAlignment = Qt::AlignHCenter | Qt::AlignVCenter; break;
      default: opt.textAlignment = Qt::AlignLeft | Qt::AlignVCenter; break;
    }
    if (fmt & HDF_SORTUP) opt.sortIndicator = QStyleOptionHeader::SortUp;
    else if (fmt & HDF_SORTDOWN) opt.sortIndicator = QStyleOptionHeader::SortDown;
    else opt.sortIndicator = QStyleOptionHeader::None;
    int image = model()->headerData(logical, Qt::Horizontal, kRoleImage).toInt();
    if ((fmt & HDF_IMAGE) && images != nullptr && image >= 0) {
      QImage img = ImageListImage(reinterpret_cast<HIMAGELIST>(images.get()), image);
      if (!img.isNull()) {
        opt.icon = QIcon(QPixmap::fromImage(img));
        opt.iconAlignment = Qt::AlignLeft | Qt::AlignVCenter;
      }
    }
    int visual = visualIndex(logical);
    if (count() == 1) opt.position = QStyleOptionHeader::OnlyOneSection;
    else if (visual == 0) opt.position = QStyleOptionHeader::Beginning;
    else if (visual == count() - 1) opt.position = QStyleOptionHeader::End;
    else opt.position = QStyleOptionHeader::Middle;
    opt.orientation = Qt::Horizontal;
    style()->drawControl(QStyle::CE_Header, &opt, painter, this);
  }

  bool viewportEvent(QEvent* event) override {
    QPointer<HeaderView> guard(this);
    switch (event->type()) {
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick:
      case QEvent::MouseMove:
        if (ForwardMouseToHook(this, event)) return true;
        if (guard.isNull()) return true;
        break;
      default:
        break;
    }
    if (event->type() == QEvent::MouseButtonPress) {
      auto* me = static_cast<QMouseEvent*>(event);
      if (me->button() == Qt::LeftButton && sectionResizeMode(0) == QHeaderView::Interactive) {
        int divider = DividerAt(me->position().toPoint().x());
        if (divider >= 0) {
          HDITEM item{};
          item.mask = HDI_WIDTH;
          item.cxy = sectionSize(divider);
          if (Notify(HDN_BEGINTRACK, divider, 0, &item) != 0) return true;
          if (guard.isNull()) return true;
          m_tracking = divider;
        }
      }
    }
    bool r = QHeaderView::viewportEvent(event);
    if (guard.isNull()) return true;
    if (event->type() == QEvent::MouseButtonRelease && m_tracking >= 0) {
      int tracked = m_tracking;
      m_tracking = -1;
      if (tracked < count()) {
        HDITEM item{};
        item.mask = HDI_WIDTH;
        item.cxy = sectionSize(tracked);
        Notify(HDN_ENDTRACK, tracked, 0, &item);
      }
    }
    return r;
  }

 private:
  void OnClicked(int logical);
  void OnDividerDoubleClick(int logical);
  int m_tracking = -1;
};

// ---- list view ---------------------------------------------------------------------------------

const int kTextPad = 6;
const int kStateIconWidth = 16;
const int kWidestColumn = 100000;  // wider column widths are taken as this

int ColumnWidthArg(int cx) { return std::max(0, std::min(cx, kWidestColumn)); }

class ListView : public QAbstractScrollArea {
 public:
  ListView(QWidget* parent, DWORD style, DWORD exStyle) : QAbstractScrollArea(parent), m_initialStyle(style) {
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
  ~ListView() override {
    model.header = nullptr;
    delete header;  // before the model it shows
    header = nullptr;
  }

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
  void SyncStyle() {
    DWORD st = Style();
    bool showHeader = (st & LVS_NOCOLUMNHEADER) == 0;
    if (header->isVisibleTo(this) != showHeader) header->setVisible(showHeader);
    header->setSectionsClickable((st & LVS_NOSORTHEADER) == 0);
    header->setSectionsMovable((lvExStyle & LVS_EX_HEADERDRAGDROP) != 0);
    Relayout();
  }

  // The header's window, made on first use. It deletes itself when the list's window goes
  // (PostNcDestroy); one left behind by a control object that took the header over is deleted here.
  CWnd* HeaderWindow() {
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

  int SmallImageWidth() const {
    CSize s = ImageListSize(reinterpret_cast<HIMAGELIST>(images[LVSIL_SMALL].get()));
    return images[LVSIL_SMALL] ? s.cx : 0;
  }

  void EnsureMeasured() {
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

  int DefaultRowHeight() const {
    int h = fontMetrics().height() + 4;
    CSize s = ImageListSize(reinterpret_cast<HIMAGELIST>(images[LVSIL_SMALL].get()));
    if (images[LVSIL_SMALL]) h = std::max(h, static_cast<int>(s.cy) + 1);
    if (lvExStyle & LVS_EX_CHECKBOXES) h = std::max(h, 17);
    return h;
  }
  int RowHeight() const {
    if ((Style() & LVS_OWNERDRAWFIXED) && m_measuredHeight > 0) return m_measuredHeight;
    return std::max(1, DefaultRowHeight());
  }
  int Top() const { return verticalScrollBar()->value(); }
  int PerPage() const { return std::max(0, viewport()->height() / RowHeight()); }
  QPoint Origin() const { return viewport()->geometry().topLeft(); }

  void Relayout() {
    // Showing or hiding a scroll bar resizes the viewport, which lays out again; a few rounds settle it.
    if (m_relayoutDepth > 3) return;
    ++m_relayoutDepth;
    RelayoutOnce();
    --m_relayoutDepth;
  }
  void RelayoutOnce() {
    int hh = header->isVisibleTo(this) ? header->sizeHint().height() : 0;
    setViewportMargins(0, hh, 0, 0);
    QRect cr = contentsRect();
    header->setGeometry(cr.left(), cr.top(), viewport()->width(), hh);
    int per = std::max(1, PerPage());
    verticalScrollBar()->setPageStep(per);
    verticalScrollBar()->setRange(0, std::max(0, Count() - PerPage()));
    horizontalScrollBar()->setPageStep(std::max(1, viewport()->width()));
    horizontalScrollBar()->setRange(0, std::max(0, header->length() - viewport()->width()));
    header->setOffset(horizontalScrollBar()->value());
    viewport()->update();
  }

  // Geometry in client coordinates.
  QRect RowRect(int row) const {
    QPoint o = Origin();
    int h = RowHeight();
    return QRect(o.x() - horizontalScrollBar()->value(), o.y() + (row - Top()) * h, std::max(0, header->length()), h);
  }
  QRect CellRect(int row, int col) const {
    QRect r = RowRect(row);
    if (col < 0 || col >= ColumnCount()) return QRect();
    return QRect(Origin().x() + header->sectionViewportPosition(col), r.top(), header->sectionSize(col), r.height());
  }
  // Parts of column 0: the check box, the image and the label.
  QRect StateIconRect(int row) const {
    QRect c = ColumnZeroRect(row);
    int w = (lvExStyle & LVS_EX_CHECKBOXES) ? std::min(kStateIconWidth, c.width()) : 0;
    return QRect(c.left(), c.top(), w, c.height());
  }
  QRect IconRect(int row) const {
    QRect s = StateIconRect(row);
    QRect c = ColumnZeroRect(row);
    int w = std::min(SmallImageWidth(), std::max(0, c.right() + 1 - (s.left() + s.width())));
    return QRect(s.left() + s.width(), c.top(), w, c.height());
  }
  QRect LabelRect(int row) const {
    QRect i = IconRect(row);
    QRect c = ColumnZeroRect(row);
    int left = i.left() + i.width();
    return QRect(left, c.top(), std::max(0, c.left() + c.width() - left), c.height());
  }
  QRect ColumnZeroRect(int row) const {
    if (ColumnCount() > 0) return CellRect(row, 0);
    QRect r = RowRect(row);
    return QRect(r.left(), r.top(), 0, r.height());
  }

  // Hit test in client coordinates: the item (or -1), its column (or -1) and the LVHT_ flags.
  int Hit(QPoint p, int* sub, UINT* flags, bool anyColumn) const {
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

  void EnsureRowVisible(int row, bool partialOk) {
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

  // ---- row changes made by the program ----

  int InsertRow(int index, ListRow row) {
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

  bool DeleteRow(int index) {
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

  void DeleteAllRows() {
    CancelEdit();
    model.ClearRows();
    selMark = -1;
    ++generation;
    verticalScrollBar()->setValue(0);
    Relayout();
  }

  // After the states of `changed` were set: one focused item, one selection in a single-
  // selection list.
  void NormaliseStates(int changed) {
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

  bool SetState(int index, UINT state, UINT mask) {
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

  int FocusedRow() const {
    for (int i = 0; i < Count(); ++i) {
      if (model.rows[static_cast<size_t>(i)].state & LVIS_FOCUSED) return i;
    }
    return -1;
  }
  int SelectedCount() const {
    int n = 0;
    for (const ListRow& r : model.rows) {
      if (r.state & LVIS_SELECTED) ++n;
    }
    return n;
  }

  // ---- notifications -----------------------------------------------------------------------------

  LRESULT NotifyListView(UINT code, int item, int sub, UINT newState, UINT oldState, UINT changed, QPoint pt) {
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

  LRESULT NotifyActivate(UINT code, int item, int sub, QPoint pt, Qt::KeyboardModifiers mods) {
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

  // State changes the user made: each item's new bits of `mask`. LVN_ITEMCHANGING may refuse a
  // change; LVN_ITEMCHANGED follows for each one made. Items that lose bits come first.
  void UserChange(const std::vector<UINT>& desired, UINT mask, QPoint pt) {
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

  // Selection by a click or a key: extend (Shift) from the selection mark, toggle (Ctrl) or
  // select only `row`; `row` gets the focus.
  void SelectByUser(int row, bool shift, bool ctrl, bool focusOnly, QPoint pt) {
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

  void ToggleCheckByUser(const std::vector<int>& rows, QPoint pt) {
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

  // ---- label editing ----

  void CancelEdit() { FinishEdit(false, false); }
  void FinishEdit(bool accept, bool notify) {
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

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
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

  void resizeEvent(QResizeEvent* event) override {
    QAbstractScrollArea::resizeEvent(event);
    Relayout();
  }
  void showEvent(QShowEvent* event) override {
    QAbstractScrollArea::showEvent(event);
    SyncStyle();
    EnsureMeasured();
  }
  void scrollContentsBy(int, int) override {
    header->setOffset(horizontalScrollBar()->value());
    viewport()->update();
  }
  void changeEvent(QEvent* event) override {
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
      header->setFont(font());
      Relayout();
    }
  }
  void focusInEvent(QFocusEvent* event) override {
    QAbstractScrollArea::focusInEvent(event);
    viewport()->update();
  }
  void focusOutEvent(QFocusEvent* event) override {
    QAbstractScrollArea::focusOutEvent(event);
    viewport()->update();
  }

  bool viewportEvent(QEvent* event) override {
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
      default:
        break;
    }
    return QAbstractScrollArea::viewportEvent(event);
  }

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

CWnd* HeaderView::Window() const { return WindowOfWidget(this); }

void SelfDeletingHeader::PostNcDestroy() {
  // The header view may outlive its window for a moment (deleted later): it must not keep a
  // pointer to this.
  if (auto* hv = dynamic_cast<HeaderView*>(view.data())) {
    if (hv->ownWindow == this) hv->ownWindow = nullptr;
  }
  delete this;
}
ListView* HeaderView::List() const { return dynamic_cast<ListView*>(parentWidget()); }

LRESULT HeaderView::Notify(UINT code, int item, int button, HDITEM* pitem) {
  CWnd* w = Window();
  if (w == nullptr) {
    ListView* list = List();
    if (list != nullptr) w = list->HeaderWindow();
  }
  if (w == nullptr) return 0;
  NMHEADER nm{};
  nm.hdr.code = code;
  nm.iItem = item;
  nm.iButton = button;
  nm.pitem = pitem;
  return NotifyParent(w, &nm.hdr);
}

void HeaderView::OnClicked(int logical) {
  QPointer<HeaderView> guard(this);
  Notify(HDN_ITEMCLICK, logical, 0, nullptr);
  if (guard.isNull()) return;
  ListView* list = List();
  if (list != nullptr && logical >= 0 && logical < list->ColumnCount()) {
    list->NotifyListView(LVN_COLUMNCLICK, -1, logical, 0, 0, 0, QPoint(0, 0));
  }
}

void HeaderView::OnDividerDoubleClick(int logical) {
  QPointer<HeaderView> guard(this);
  Notify(HDN_DIVIDERDBLCLICK, logical, 0, nullptr);
  if (guard.isNull()) return;
  ListView* list = List();
  if (list != nullptr && logical >= 0 && logical < list->ColumnCount()) {
    if (CListCtrl* ctrl = dynamic_cast<CListCtrl*>(list->Window())) ctrl->SetColumnWidth(logical, LVSCW_AUTOSIZE_USEHEADER);
  }
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

// ---- the header control's own widget -------------------------------------------------------------

QWidget* MakeHeaderWidget(CWnd*, DWORD style, DWORD, QWidget* parent) {
  auto* model = new QStandardItemModel(0, 0);
  auto* h = new HeaderView(parent, model);
  h->setSectionsClickable((style & HDS_BUTTONS) != 0);
  h->setSectionsMovable((style & HDS_DRAGDROP) != 0);
  if (style & HDS_HIDDEN) h->setFixedHeight(0);
  return h;
}

ListView* ListOf(const CWnd* w) { return w != nullptr ? dynamic_cast<ListView*>(w->GetWidget()) : nullptr; }
HeaderView* HeaderOf(const CWnd* w) { return w != nullptr ? dynamic_cast<HeaderView*>(w->GetWidget()) : nullptr; }

// Column positions of a header in display order.
std::vector<int> OrderOf(const QHeaderView* h) {
  std::vector<int> out;
  for (int v = 0; v < h->count(); ++v) out.push_back(h->logicalIndex(v));
  return out;
}

bool ApplyOrder(QHeaderView* h, int count, const int* order) {
  if (order == nullptr || count != h->count()) return false;
  std::vector<bool> seen(static_cast<size_t>(count), false);
  for (int i = 0; i < count; ++i) {
    if (order[i] < 0 || order[i] >= count || seen[static_cast<size_t>(order[i])]) return false;
    seen[static_cast<size_t>(order[i])] = true;
  }
  for (int v = 0; v < count; ++v) h->moveSection(h->visualIndex(order[v]), v);
  return true;
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

}  // namespace

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

using platform::HeaderOf;
using platform::HeaderView;
using platform::ListOf;
using platform::ListRow;
using platform::ListView;

// ---- CHeaderCtrl ---------------------------------------------------------------------------------

BOOL CHeaderCtrl::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
  return CWnd::Create(L"SysHeader32", nullptr, dwStyle, rect, pParentWnd, nID);
}

int CHeaderCtrl::GetItemCount() const {
  HeaderView* h = HeaderOf(this);
  return h != nullptr ? h->count() : -1;
}

int CHeaderCtrl::InsertItem(int nPos, HDITEM* phdi) {
  HeaderView* h = HeaderOf(this);
  if (h == nullptr || h->model() == nullptr || phdi == nullptr || nPos < 0) return -1;
  nPos = std::min(nPos, h->count());
  if (!h->model()->insertColumns(nPos, 1)) return -1;
  h->model()->setHeaderData(nPos, Qt::Horizontal, QString(), Qt::DisplayRole);
  h->resizeSection(nPos, 0);
  SetItem(nPos, phdi);
  return nPos;
}

BOOL CHeaderCtrl::DeleteItem(int nPos) {
  HeaderView* h = HeaderOf(this);
  if (h == nullptr || h->model() == nullptr || nPos < 0 || nPos >= h->count()) return FALSE;
  return h->model()->removeColumns(nPos, 1) ? TRUE : FALSE;
}

BOOL CHeaderCtrl::GetItem(int nPos, HDITEM* pHeaderItem) const {
  HeaderView* h = HeaderOf(this);
  if (h == nullptr || h->model() == nullptr || pHeaderItem == nullptr || nPos < 0 || nPos >= h->count()) return FALSE;
  QAbstractItemModel* m = h->model();
  UINT mask = pHeaderItem->mask;
  if (mask & HDI_WIDTH) pHeaderItem->cxy = h->sectionSize(nPos);
  if (mask & HDI_TEXT) {
    platform::CopyToBuffer(m->headerData(nPos, Qt::Horizontal, Qt::DisplayRole).toString(), pHeaderItem->pszText,
                           pHeaderItem->cchTextMax);
  }
  if (mask & HDI_FORMAT) {
    QVariant f = m->headerData(nPos, Qt::Horizontal, platform::kRoleFormat);
    pHeaderItem->fmt = f.isValid() ? f.toInt() : HDF_LEFT | HDF_STRING;
  }
  if (mask & HDI_LPARAM) pHeaderItem->lParam = static_cast<LPARAM>(m->headerData(nPos, Qt::Horizontal, platform::kRoleParam).toLongLong());
  if (mask & HDI_IMAGE) {
    QVariant v = m->headerData(nPos, Qt::Horizontal, platform::kRoleImage);
    pHeaderItem->iImage = v.isValid() ? v.toInt() : 0;
  }
  if (mask & HDI_BITMAP) {
    pHeaderItem->hbm = reinterpret_cast<HBITMAP>(static_cast<uintptr_t>(m->headerData(nPos, Qt::Horizontal, platform::kRoleBitmap).toULongLong()));
  }
  if (mask & HDI_ORDER) pHeaderItem->iOrder = h->visualIndex(nPos);
  return TRUE;
}

BOOL CHeaderCtrl::SetItem(int nPos, HDITEM* pHeaderItem) {
  HeaderView* h = HeaderOf(this);
  if (h == nullptr || h->model() == nullptr || pHeaderItem == nullptr || nPos < 0 || nPos >= h->count()) return FALSE;
  QAbstractItemModel* m = h->model();
  UINT mask = pHeaderItem->mask;
  if (mask & HDI_WIDTH) h->resizeSection(nPos, platform::ColumnWidthArg(pHeaderItem->cxy));
  if (mask & HDI_TEXT) m->setHeaderData(nPos, Qt::Horizontal, platform::TextArg(pHeaderItem->pszText), Qt::DisplayRole);
  if (mask & HDI_FORMAT) m->setHeaderData(nPos, Qt::Horizontal, pHeaderItem->fmt, platform::kRoleFormat);
  if (mask & HDI_LPARAM) m->setHeaderData(nPos, Qt::Horizontal, static_cast<qlonglong>(pHeaderItem->lParam), platform::kRoleParam);
  if (mask & HDI_IMAGE) m->setHeaderData(nPos, Qt::Horizontal, pHeaderItem->iImage, platform::kRoleImage);
  if (mask & HDI_BITMAP) {
    m->setHeaderData(nPos, Qt::Horizontal, static_cast<qulonglong>(reinterpret_cast<uintptr_t>(pHeaderItem->hbm)),
                     platform::kRoleBitmap);
  }
  if ((mask & HDI_ORDER) && pHeaderItem->iOrder >= 0 && pHeaderItem->iOrder < h->count()) {
    h->moveSection(h->visualIndex(nPos), pHeaderItem->iOrder);
  }
  h->viewport()->update();
  return TRUE;
}

BOOL CHeaderCtrl::GetItemRect(int nIndex, LPRECT lpRect) const {
  HeaderView* h = HeaderOf(this);
  if (h == nullptr || lpRect == nullptr || nIndex < 0 || nIndex >= h->count()) return FALSE;
  int left = h->sectionViewportPosition(nIndex);
  *lpRect = CRect(left, 0, left + h->sectionSize(nIndex), h->height());
  return TRUE;
}

int CHeaderCtrl::HitTest(LPHDHITTESTINFO info) const {
  HeaderView* h = HeaderOf(this);
  if (h == nullptr || info == nullptr) return -1;
  info->iItem = -1;
  info->flags = 0;
  int x = info->pt.x, y = info->pt.y;
  if (y < 0) info->flags |= HHT_ABOVE;
  if (y >= h->height()) info->flags |= HHT_BELOW;
  if (x < 0) info->flags |= HHT_TOLEFT;
  if (x >= h->width()) info->flags |= HHT_TORIGHT;
  if (info->flags != 0) return -1;
  int divider = h->DividerAt(x);
  if (divider >= 0) {
    info->flags = HHT_ONDIVIDER;
    info->iItem = divider;
    return divider;
  }
  int logical = h->logicalIndexAt(x);
  if (logical < 0) {
    info->flags = HHT_NOWHERE;
    return -1;
  }
  info->flags = HHT_ONHEADER;
  info->iItem = logical;
  return logical;
}

CImageList* CHeaderCtrl::SetImageList(CImageList* pImageList) {
  HeaderView* h = HeaderOf(this);
  if (h == nullptr) return nullptr;
  CImageList* old = platform::SwapImageList(h->images, h->imageObject, h->retired, pImageList);
  h->viewport()->update();
  return old;
}

CImageList* CHeaderCtrl::GetImageList() const {
  HeaderView* h = HeaderOf(this);
  return h != nullptr ? h->imageObject.get() : nullptr;
}

BOOL CHeaderCtrl::GetOrderArray(LPINT piArray, int iCount) const {
  HeaderView* h = HeaderOf(this);
  if (h == nullptr || piArray == nullptr) return FALSE;
  if (iCount < 0) iCount = h->count();
  std::vector<int> order = platform::OrderOf(h);
  if (iCount < static_cast<int>(order.size())) return FALSE;
  for (size_t i = 0; i < order.size(); ++i) piArray[i] = order[i];
  return TRUE;
}

BOOL CHeaderCtrl::SetOrderArray(int iCount, LPINT piArray) {
  HeaderView* h = HeaderOf(this);
  if (h == nullptr) return FALSE;
  return platform::ApplyOrder(h, iCount, piArray) ? TRUE : FALSE;
}

int CHeaderCtrl::OrderToIndex(int nOrder) const {
  HeaderView* h = HeaderOf(this);
  if (h == nullptr || nOrder < 0 || nOrder >= h->count()) return -1;
  return h->logicalIndex(nOrder);
}

LRESULT CHeaderCtrl::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case HDM_GETITEMCOUNT: return GetItemCount();
    case HDM_DELETEITEM: return DeleteItem(static_cast<int>(wParam));
    case HDM_GETITEMRECT: return GetItemRect(static_cast<int>(wParam), reinterpret_cast<LPRECT>(lParam));
    case HDM_GETITEM: return GetItem(static_cast<int>(wParam), reinterpret_cast<HDITEM*>(lParam));
    case HDM_SETITEM: return SetItem(static_cast<int>(wParam), reinterpret_cast<HDITEM*>(lParam));
    case HDM_INSERTITEM: return InsertItem(static_cast<int>(wParam), reinterpret_cast<HDITEM*>(lParam));
    case HDM_SETIMAGELIST: {
      CImageList* list = CImageList::FromHandle(reinterpret_cast<HIMAGELIST>(lParam));
      CImageList* old = SetImageList(list);
      return reinterpret_cast<LRESULT>(old != nullptr ? old->GetSafeHandle() : nullptr);
    }
    case HDM_GETIMAGELIST: {
      CImageList* list = GetImageList();
      return reinterpret_cast<LRESULT>(list != nullptr ? list->GetSafeHandle() : nullptr);
    }
    default:
      return CWnd::DefWindowProc(message, wParam, lParam);
  }
}

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
