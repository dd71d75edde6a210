// The header control: the Qt header view behind a list's column titles (or behind a header
// control of its own), its notifications, and the CHeaderCtrl members.
#include "platform/listctrl_internal.h"

#include <QIcon>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QStandardItemModel>
#include <QStyleOptionHeader>
#include <algorithm>
#include <cstdlib>
#include <vector>

#include "platform/gdi.h"

#ifndef ODT_HEADER
#define ODT_HEADER 100
#endif

namespace platform {

// ---- header view -------------------------------------------------------------------------------

HeaderView::HeaderView(QWidget* parent, QAbstractItemModel* ownModel) : QHeaderView(Qt::Horizontal, parent) {
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

int HeaderView::DividerAt(int x) const {
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

void HeaderView::paintSection(QPainter* painter, const QRect& rect, int logical) const {
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

bool HeaderView::viewportEvent(QEvent* event) {
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

// ---- the header control's own widget -------------------------------------------------------------

QWidget* MakeHeaderWidget(CWnd*, DWORD style, DWORD, QWidget* parent) {
  auto* model = new QStandardItemModel(0, 0);
  auto* h = new HeaderView(parent, model);
  h->setSectionsClickable((style & HDS_BUTTONS) != 0);
  h->setSectionsMovable((style & HDS_DRAGDROP) != 0);
  if (style & HDS_HIDDEN) h->setFixedHeight(0);
  return h;
}

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

}  // namespace platform

using platform::HeaderOf;
using platform::HeaderView;

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

BOOL CHeaderCtrl::Layout(HDLAYOUT* pHeaderLayout) {
  return static_cast<BOOL>(SendMessage(HDM_LAYOUT, 0, reinterpret_cast<LPARAM>(pHeaderLayout)));
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
    case HDM_LAYOUT: {
      auto* layout = reinterpret_cast<HDLAYOUT*>(lParam);
      HeaderView* h = HeaderOf(this);
      if (layout == nullptr || layout->prc == nullptr || layout->pwpos == nullptr || h == nullptr) return FALSE;
      const int height = h->isHidden() ? 0 : h->sizeHint().height();
      RECT& rc = *layout->prc;
      *layout->pwpos = WINDOWPOS{};
      layout->pwpos->hwnd = m_hWnd;
      layout->pwpos->x = rc.left;
      layout->pwpos->y = rc.top;
      layout->pwpos->cx = rc.right - rc.left;
      layout->pwpos->cy = height;
      rc.top += height;
      return TRUE;
    }
    default:
      return CWnd::DefWindowProc(message, wParam, lParam);
  }
}
