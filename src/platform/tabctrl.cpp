// The tab control: a widget that lays out and paints its tabs itself (one row, or several rows
// with TCS_MULTILINE), owner-drawn through WM_DRAWITEM with TCS_OWNERDRAWFIXED. Everything the
// class knows lives in the widget, so that a control object taking over the window finds it there.
#include "platform/tabctrl.h"

#include "platform/controls_text.h"

#include <QFocusEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QWheelEvent>
#include <QWidget>
#include <algorithm>
#include <memory>
#include <vector>

#include "platform/gdi.h"
#include "platform/wndinternal.h"

namespace platform {
namespace {

const int kMargin = 2;             // between the control's edge and the first tab
const int kButtonGap = 3;          // between buttons (TCS_BUTTONS)
const int kDefaultMinWidth = 42;   // the least width of a tab unless SetMinTabWidth says otherwise
const int kDefaultFixedWidth = 96; // TCS_FIXEDWIDTH without SetItemSize
const int kDisplayInset = 4;       // display area inside the control's frame
const int kSelectedBulge = 2;      // the selected tab stands out by this much
const int kLargest = 32767;        // sizes beyond this are taken as this

struct Tab {
  QString text;
  int image = -1;
  LPARAM param = 0;
  DWORD state = 0;
};

struct Layout {
  std::vector<QRect> rects;  // client coordinates
  int rows = 1;
  int stripBottom = 0;       // the bottom of the lowest row
};

class TabBar : public QWidget {
 public:
  TabBar(QWidget* parent, DWORD style) : QWidget(parent), m_initialStyle(style) {
    setFocusPolicy((style & TCS_FOCUSNEVER) ? Qt::NoFocus : Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent, false);
  }

  std::vector<Tab> tabs;
  int cur = -1;
  int focus = -1;
  CSize itemSize;
  CSize padding{6, 3};
  int minTabWidth = -1;
  std::shared_ptr<ImageListData> images;
  std::unique_ptr<CImageList> imageObject;
  std::vector<std::unique_ptr<CImageList>> retired;
  int firstVisible = 0;  // one row that does not fit: the first tab shown

  CWnd* Window() const { return WindowOfWidget(this); }
  DWORD Style() const {
    CWnd* w = Window();
    return w != nullptr ? w->GetStyle() : m_initialStyle;
  }
  int Count() const { return static_cast<int>(tabs.size()); }
  bool Valid(int i) const { return i >= 0 && i < Count(); }

  int TabHeight() const {
    if (itemSize.cy > 0) return std::min<int>(itemSize.cy, kLargest);
    int h = fontMetrics().height();
    CSize s = ImageListSize(reinterpret_cast<HIMAGELIST>(images.get()));
    if (images) h = std::max(h, static_cast<int>(s.cy));
    return std::min(kLargest, h + 2 * static_cast<int>(padding.cy) + 1);
  }

  int TabWidth(int i) const { return std::min(kLargest, NaturalWidth(i)); }
  int NaturalWidth(int i) const {
    DWORD st = Style();
    if (st & TCS_FIXEDWIDTH) return itemSize.cx > 0 ? std::min<int>(itemSize.cx, kLargest) : kDefaultFixedWidth;
    const Tab& t = tabs[static_cast<size_t>(i)];
    int w = fontMetrics().horizontalAdvance(t.text) + 2 * std::max(0, static_cast<int>(padding.cx));
    if (images && t.image >= 0) w += ImageListSize(reinterpret_cast<HIMAGELIST>(images.get())).cx + padding.cx;
    int least = minTabWidth >= 0 ? std::min(minTabWidth, kLargest) : kDefaultMinWidth;
    return std::max(std::min(w, kLargest), least);
  }

  Layout Compute(int width) const {
    Layout out;
    DWORD st = Style();
    bool multi = (st & TCS_MULTILINE) != 0;
    bool buttons = (st & TCS_BUTTONS) != 0;
    int gap = buttons ? kButtonGap : 0;
    int avail = std::max(1, width - 2 * kMargin);
    int h = TabHeight();
    int n = Count();
    std::vector<int> widths(static_cast<size_t>(n));
    std::vector<int> rowOf(static_cast<size_t>(n));
    int row = 0, x = 0;
    for (int i = 0; i < n; ++i) {
      widths[static_cast<size_t>(i)] = TabWidth(i);
      if (multi && x > 0 && x + widths[static_cast<size_t>(i)] > avail) {
        ++row;
        x = 0;
      }
      rowOf[static_cast<size_t>(i)] = row;
      x += widths[static_cast<size_t>(i)] + gap;
    }
    out.rows = row + 1;
    out.rects.resize(static_cast<size_t>(n));
    int selRow = Valid(cur) ? rowOf[static_cast<size_t>(cur)] : 0;
    bool justify = multi && out.rows > 1 && !(st & TCS_RAGGEDRIGHT);
    int first = 0;
    for (int r = 0; r < out.rows; ++r) {
      int last = first;
      while (last < n && rowOf[static_cast<size_t>(last)] == r) ++last;
      int k = last - first;
      int total = 0;
      for (int i = first; i < last; ++i) total += widths[static_cast<size_t>(i)];
      total += gap * std::max(0, k - 1);
      int extra = justify && k > 0 ? std::max(0, avail - total) : 0;
      int disp = buttons || !multi ? r : out.rows - 1 - ((r - selRow + out.rows) % out.rows);
      int y = kMargin + disp * (h + gap);
      int cx = kMargin;
      if (!multi) {
        int skip = std::max(0, std::min(firstVisible, n));
        for (int i = 0; i < skip; ++i) cx -= widths[static_cast<size_t>(i)] + gap;
      }
      for (int i = first; i < last; ++i) {
        int w = widths[static_cast<size_t>(i)];
        if (extra > 0) {
          int share = extra / k + ((i - first) < extra % k ? 1 : 0);
          w += share;
        }
        out.rects[static_cast<size_t>(i)] = QRect(cx, y, w, h);
        cx += w + gap;
      }
      first = last;
    }
    out.stripBottom = kMargin + out.rows * h + (out.rows - 1) * gap;
    return out;
  }
  Layout Current() const { return Compute(width()); }

  // One row that does not fit: move it so that the selected tab shows.
  void KeepSelectionVisible() {
    if ((Style() & TCS_MULTILINE) || !Valid(cur)) return;
    if (cur < firstVisible) firstVisible = cur;
    for (int guard = 0; guard < Count(); ++guard) {
      Layout l = Current();
      const QRect& r = l.rects[static_cast<size_t>(cur)];
      if (r.right() <= width() - kMargin || firstVisible >= cur) break;
      ++firstVisible;
    }
  }

  void Changed() {
    KeepSelectionVisible();
    update();
  }

  int HitIndex(QPoint p, UINT* flags) const {
    Layout l = Current();
    int found = -1;
    // The selected tab is drawn over its neighbours: it wins where they overlap.
    if (Valid(cur) && l.rects[static_cast<size_t>(cur)].contains(p)) found = cur;
    for (int i = 0; i < Count() && found < 0; ++i) {
      if (l.rects[static_cast<size_t>(i)].contains(p)) found = i;
    }
    if (flags != nullptr) {
      if (found < 0) {
        *flags = TCHT_NOWHERE;
      } else {
        *flags = TCHT_ONITEMLABEL;
        const Tab& t = tabs[static_cast<size_t>(found)];
        if (images && t.image >= 0) {
          const QRect& r = l.rects[static_cast<size_t>(found)];
          int iw = ImageListSize(reinterpret_cast<HIMAGELIST>(images.get())).cx;
          if (p.x() < r.left() + padding.cx + iw) *flags = TCHT_ONITEMICON;
        }
      }
    }
    return found;
  }

  LRESULT NotifySimple(UINT code) {
    CWnd* w = Window();
    if (w == nullptr) return 0;
    NMHDR hdr{};
    hdr.code = code;
    return NotifyParent(w, &hdr);
  }

  // A selection the user asked for: TCN_SELCHANGING (may refuse), the change, TCN_SELCHANGE.
  void SelectByUser(int index) {
    if (!Valid(index) || index == cur) return;
    QPointer<TabBar> guard(this);
    if (NotifySimple(TCN_SELCHANGING) != 0) return;
    if (guard.isNull() || !Valid(index)) return;
    cur = index;
    focus = index;
    Changed();
    NotifySimple(TCN_SELCHANGE);
  }

 protected:
  void paintEvent(QPaintEvent* event) override;

  void mousePressEvent(QMouseEvent* event) override {
    event->accept();
    if (event->button() != Qt::LeftButton && event->button() != Qt::RightButton) return;
    m_pressed = event->button();
    if (event->button() != Qt::LeftButton) return;
    QPointer<TabBar> guard(this);
    if (!(Style() & TCS_FOCUSNEVER)) setFocus(Qt::MouseFocusReason);
    if (guard.isNull()) return;
    int i = HitIndex(event->position().toPoint(), nullptr);
    if (i >= 0) SelectByUser(i);
  }

  void mouseReleaseEvent(QMouseEvent* event) override {
    event->accept();
    if (event->button() != m_pressed) return;
    m_pressed = Qt::NoButton;
    if (!rect().contains(event->position().toPoint())) return;
    NotifySimple(event->button() == Qt::RightButton ? NM_RCLICK : NM_CLICK);
  }

  void mouseDoubleClickEvent(QMouseEvent* event) override {
    // A double click is a second click.
    mousePressEvent(event);
  }

  void wheelEvent(QWheelEvent* event) override {
    if (Style() & TCS_MULTILINE) {
      event->ignore();
      return;
    }
    int steps = event->angleDelta().y() / 120;
    if (steps == 0) steps = event->angleDelta().x() / 120;
    if (steps == 0) {
      event->ignore();
      return;
    }
    firstVisible = std::max(0, std::min(Count() - 1, firstVisible - steps));
    update();
    event->accept();
  }

  void keyPressEvent(QKeyEvent* event) override {
    QPointer<TabBar> guard(this);
    UINT vk = VirtualKeyFromQt(event->key());
    CWnd* w = Window();
    if (vk != 0 && w != nullptr) {
      NMTCKEYDOWN kd{};
      kd.hdr.code = TCN_KEYDOWN;
      kd.wVKey = static_cast<WORD>(vk);
      NotifyParent(w, &kd.hdr);
      if (guard.isNull()) return;
    }
    int from = Valid(cur) ? cur : 0;
    int target = -1;
    switch (event->key()) {
      case Qt::Key_Left: target = from - 1; break;
      case Qt::Key_Right: target = from + 1; break;
      case Qt::Key_Home: target = 0; break;
      case Qt::Key_End: target = Count() - 1; break;
      default: event->ignore(); return;
    }
    event->accept();
    if (Valid(target)) SelectByUser(target);
  }

  void resizeEvent(QResizeEvent* event) override {
    QWidget::resizeEvent(event);
    KeepSelectionVisible();
  }
  void changeEvent(QEvent* event) override {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange) update();
  }
  void focusInEvent(QFocusEvent* event) override {
    QWidget::focusInEvent(event);
    update();
  }
  void focusOutEvent(QFocusEvent* event) override {
    QWidget::focusOutEvent(event);
    update();
  }

 private:
  void PaintTab(QPainter& p, int i, const QRect& r, bool selected, bool buttons);

  DWORD m_initialStyle;
  Qt::MouseButton m_pressed = Qt::NoButton;
};

void TabBar::PaintTab(QPainter& p, int i, const QRect& r, bool selected, bool buttons) {
  QColor face = ToQ(GetSysColor(COLOR_BTNFACE));
  QColor light = ToQ(GetSysColor(COLOR_BTNHIGHLIGHT));
  QColor shadow = ToQ(GetSysColor(COLOR_BTNSHADOW));
  QColor dark = ToQ(GetSysColor(COLOR_3DDKSHADOW));
  QRect t = r;
  if (buttons) {
    p.fillRect(t, face);
    p.setPen(selected ? shadow : light);
    p.drawLine(t.topLeft(), t.topRight());
    p.drawLine(t.topLeft(), t.bottomLeft());
    p.setPen(selected ? light : dark);
    p.drawLine(t.bottomLeft(), t.bottomRight());
    p.drawLine(t.topRight(), t.bottomRight());
  } else {
    if (selected) t.adjust(-kSelectedBulge, -kSelectedBulge, kSelectedBulge, 1);
    p.fillRect(t, face);
    p.setPen(light);
    p.drawLine(t.left(), t.bottom(), t.left(), t.top() + 2);
    p.drawLine(t.left() + 2, t.top(), t.right() - 2, t.top());
    p.drawPoint(t.left() + 1, t.top() + 1);
    p.setPen(shadow);
    p.drawLine(t.right() - 1, t.top() + 1, t.right() - 1, t.bottom());
    p.setPen(dark);
    p.drawLine(t.right(), t.top() + 2, t.right(), t.bottom());
  }
  const Tab& tab = tabs[static_cast<size_t>(i)];
  QRect content = t.adjusted(padding.cx, 0, -static_cast<int>(padding.cx), 0);
  if (images && tab.image >= 0) {
    CSize s = ImageListSize(reinterpret_cast<HIMAGELIST>(images.get()));
    ImageListDraw(reinterpret_cast<HIMAGELIST>(images.get()), tab.image, &p, content.left(), t.top() + (t.height() - s.cy) / 2);
    content.setLeft(content.left() + s.cx + padding.cx);
  }
  p.setPen(isEnabled() ? ToQ(GetSysColor(COLOR_BTNTEXT)) : ToQ(GetSysColor(COLOR_GRAYTEXT)));
  p.setFont(font());
  QString shown = fontMetrics().elidedText(tab.text, Qt::ElideRight, std::max(0, content.width()));
  p.drawText(content, Qt::AlignCenter | Qt::TextSingleLine, shown);
  if (i == focus && hasFocus()) {
    QPen pen(ToQ(GetSysColor(COLOR_WINDOWTEXT)));
    pen.setStyle(Qt::DotLine);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawRect(r.adjusted(2, 2, -3, -3));
  }
}

void TabBar::paintEvent(QPaintEvent*) {
  QPainter p(this);
  DWORD st = Style();
  bool buttons = (st & TCS_BUTTONS) != 0;
  Layout l = Current();
  p.fillRect(rect(), ToQ(GetSysColor(COLOR_BTNFACE)));
  if (!buttons) {
    QRect frame(0, l.stripBottom, width(), std::max(0, height() - l.stripBottom));
    p.setPen(ToQ(GetSysColor(COLOR_BTNHIGHLIGHT)));
    p.drawLine(frame.left(), frame.top(), frame.right(), frame.top());
    p.drawLine(frame.left(), frame.top(), frame.left(), frame.bottom());
    p.setPen(ToQ(GetSysColor(COLOR_BTNSHADOW)));
    p.drawLine(frame.right() - 1, frame.top() + 1, frame.right() - 1, frame.bottom() - 1);
    p.drawLine(frame.left() + 1, frame.bottom() - 1, frame.right() - 1, frame.bottom() - 1);
    p.setPen(ToQ(GetSysColor(COLOR_3DDKSHADOW)));
    p.drawLine(frame.right(), frame.top(), frame.right(), frame.bottom());
    p.drawLine(frame.left(), frame.bottom(), frame.right(), frame.bottom());
  }
  if (st & TCS_OWNERDRAWFIXED) {
    CWnd* w = Window();
    if (w == nullptr) return;
    QPointer<TabBar> guard(this);
    for (int i = 0; i < Count(); ++i) {
      const QRect& r = l.rects[static_cast<size_t>(i)];
      CDC dc;
      p.save();
      dc.AttachPainter(&p);
      DRAWITEMSTRUCT dis{};
      dis.CtlType = ODT_TAB;
      dis.CtlID = static_cast<UINT>(w->GetDlgCtrlID());
      dis.itemID = static_cast<UINT>(i);
      dis.itemAction = ODA_DRAWENTIRE;
      if (i == cur) dis.itemState |= ODS_SELECTED;
      if (i == focus && hasFocus()) dis.itemState |= ODS_FOCUS;
      if (!isEnabled()) dis.itemState |= ODS_DISABLED;
      dis.hwndItem = w->m_hWnd;
      dis.hDC = dc.GetSafeHdc();
      dis.rcItem = CRect(r.left(), r.top(), r.left() + r.width(), r.top() + r.height());
      dis.itemData = static_cast<ULONG_PTR>(tabs[static_cast<size_t>(i)].param);
      int count = Count();
      if (CWnd* parent = w->GetParent()) parent->SendMessage(WM_DRAWITEM, dis.CtlID, reinterpret_cast<LPARAM>(&dis));
      else w->DrawItem(&dis);
      dc.DetachPainter();
      p.restore();
      if (guard.isNull() || count != Count()) return;
    }
    return;
  }
  for (int i = 0; i < Count(); ++i) {
    if (i != cur) PaintTab(p, i, l.rects[static_cast<size_t>(i)], false, buttons);
  }
  if (Valid(cur)) PaintTab(p, cur, l.rects[static_cast<size_t>(cur)], true, buttons);
}

TabBar* BarOf(const CWnd* w) { return w != nullptr ? dynamic_cast<TabBar*>(w->GetWidget()) : nullptr; }

}  // namespace

void RegisterTabControlClass() {
  WindowClassInfo info;
  info.name = CString("SysTabControl32");
  info.createWidget = [](CWnd*, DWORD style, DWORD, QWidget* parent) -> QWidget* { return new TabBar(parent, style); };
  info.createWrapper = []() -> CWnd* { return new CTabCtrl(); };
  RegisterWindowClass(info);
}

}  // namespace platform

using platform::BarOf;
using platform::TabBar;

BOOL CTabCtrl::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
  return CWnd::Create(L"SysTabControl32", nullptr, dwStyle, rect, pParentWnd, nID);
}

LONG CTabCtrl::InsertItem(int nItem, TCITEM* pTabCtrlItem) {
  TabBar* b = BarOf(this);
  if (b == nullptr || pTabCtrlItem == nullptr || nItem < 0) return -1;
  nItem = std::min(nItem, b->Count());
  platform::Tab t;
  UINT mask = pTabCtrlItem->mask;
  if (mask & TCIF_TEXT) t.text = platform::TextArg(pTabCtrlItem->pszText);
  if (mask & TCIF_IMAGE) t.image = pTabCtrlItem->iImage;
  if (mask & TCIF_PARAM) t.param = pTabCtrlItem->lParam;
  if (mask & TCIF_STATE) t.state = pTabCtrlItem->dwState & pTabCtrlItem->dwStateMask;
  b->tabs.insert(b->tabs.begin() + nItem, t);
  if (b->Count() == 1) {
    b->cur = 0;
    b->focus = 0;
  } else {
    if (b->cur >= nItem) ++b->cur;
    if (b->focus >= nItem) ++b->focus;
  }
  b->Changed();
  return nItem;
}

LONG CTabCtrl::InsertItem(int nItem, const CString& text) { return InsertItem(TCIF_TEXT, nItem, text, 0, 0); }

LONG CTabCtrl::InsertItem(int nItem, const CString& text, int nImage) {
  return InsertItem(TCIF_TEXT | TCIF_IMAGE, nItem, text, nImage, 0);
}

LONG CTabCtrl::InsertItem(UINT nMask, int nItem, const CString& text, int nImage, LPARAM lParam) {
  return InsertItem(nMask, nItem, text, nImage, lParam, 0, 0);
}

LONG CTabCtrl::InsertItem(UINT nMask, int nItem, const CString& text, int nImage, LPARAM lParam, DWORD dwState,
                          DWORD dwStateMask) {
  std::wstring buffer = text.ToWString();
  TCITEM item{};
  item.mask = nMask;
  item.pszText = &buffer[0];
  item.iImage = nImage;
  item.lParam = lParam;
  item.dwState = dwState;
  item.dwStateMask = dwStateMask;
  return InsertItem(nItem, &item);
}

BOOL CTabCtrl::DeleteItem(int nItem) {
  TabBar* b = BarOf(this);
  if (b == nullptr || !b->Valid(nItem)) return FALSE;
  b->tabs.erase(b->tabs.begin() + nItem);
  if (b->cur == nItem) b->cur = -1;
  else if (b->cur > nItem) --b->cur;
  if (b->focus == nItem) b->focus = -1;
  else if (b->focus > nItem) --b->focus;
  b->firstVisible = std::max(0, std::min(b->firstVisible, b->Count() - 1));
  b->Changed();
  return TRUE;
}

BOOL CTabCtrl::DeleteAllItems() {
  TabBar* b = BarOf(this);
  if (b == nullptr) return FALSE;
  b->tabs.clear();
  b->cur = -1;
  b->focus = -1;
  b->firstVisible = 0;
  b->Changed();
  return TRUE;
}

int CTabCtrl::GetItemCount() const {
  TabBar* b = BarOf(this);
  return b != nullptr ? b->Count() : 0;
}

BOOL CTabCtrl::GetItem(int nItem, TCITEM* pTabCtrlItem) const {
  TabBar* b = BarOf(this);
  if (b == nullptr || pTabCtrlItem == nullptr || !b->Valid(nItem)) return FALSE;
  const platform::Tab& t = b->tabs[static_cast<size_t>(nItem)];
  UINT mask = pTabCtrlItem->mask;
  if (mask & TCIF_TEXT) platform::CopyToBuffer(t.text, pTabCtrlItem->pszText, pTabCtrlItem->cchTextMax);
  if (mask & TCIF_IMAGE) pTabCtrlItem->iImage = t.image;
  if (mask & TCIF_PARAM) pTabCtrlItem->lParam = t.param;
  if (mask & TCIF_STATE) pTabCtrlItem->dwState = t.state & pTabCtrlItem->dwStateMask;
  return TRUE;
}

BOOL CTabCtrl::SetItem(int nItem, TCITEM* pTabCtrlItem) {
  TabBar* b = BarOf(this);
  if (b == nullptr || pTabCtrlItem == nullptr || !b->Valid(nItem)) return FALSE;
  platform::Tab& t = b->tabs[static_cast<size_t>(nItem)];
  UINT mask = pTabCtrlItem->mask;
  if (mask & TCIF_TEXT) t.text = platform::TextArg(pTabCtrlItem->pszText);
  if (mask & TCIF_IMAGE) t.image = pTabCtrlItem->iImage;
  if (mask & TCIF_PARAM) t.param = pTabCtrlItem->lParam;
  if (mask & TCIF_STATE) {
    t.state = (t.state & ~pTabCtrlItem->dwStateMask) | (pTabCtrlItem->dwState & pTabCtrlItem->dwStateMask);
  }
  b->Changed();
  return TRUE;
}

int CTabCtrl::GetCurSel() const {
  TabBar* b = BarOf(this);
  return b != nullptr ? b->cur : -1;
}

int CTabCtrl::SetCurSel(int nItem) {
  TabBar* b = BarOf(this);
  if (b == nullptr || nItem < -1 || nItem >= b->Count()) return -1;
  int old = b->cur;
  b->cur = nItem;
  if (nItem >= 0) b->focus = nItem;
  b->Changed();
  return old;
}

int CTabCtrl::GetCurFocus() const {
  TabBar* b = BarOf(this);
  return b != nullptr ? b->focus : -1;
}

void CTabCtrl::SetCurFocus(int nItem) {
  TabBar* b = BarOf(this);
  if (b == nullptr || !b->Valid(nItem)) return;
  // Without buttons the focused tab is the selected one; a program's call sends nothing.
  b->focus = nItem;
  if (!(GetStyle() & TCS_BUTTONS)) b->cur = nItem;
  b->Changed();
}

BOOL CTabCtrl::GetItemRect(int nItem, LPRECT lpRect) const {
  TabBar* b = BarOf(this);
  if (b == nullptr || lpRect == nullptr || !b->Valid(nItem)) return FALSE;
  QRect r = b->Current().rects[static_cast<size_t>(nItem)];
  *lpRect = CRect(r.left(), r.top(), r.left() + r.width(), r.top() + r.height());
  return TRUE;
}

int CTabCtrl::GetRowCount() const {
  TabBar* b = BarOf(this);
  return b != nullptr ? b->Current().rows : 0;
}

void CTabCtrl::AdjustRect(BOOL bLarger, LPRECT lpRect) {
  TabBar* b = BarOf(this);
  if (b == nullptr || lpRect == nullptr) return;
  int strip = b->Current().stripBottom;
  bool buttons = (GetStyle() & TCS_BUTTONS) != 0;
  int inset = buttons ? 0 : platform::kDisplayInset;
  int top = strip + (buttons ? platform::kButtonGap : 2);
  if (bLarger) {
    lpRect->left -= inset;
    lpRect->right += inset;
    lpRect->bottom += inset;
    lpRect->top -= top;
  } else {
    lpRect->left += inset;
    lpRect->right -= inset;
    lpRect->bottom -= inset;
    lpRect->top += top;
    if (lpRect->right < lpRect->left) lpRect->right = lpRect->left;
    if (lpRect->bottom < lpRect->top) lpRect->bottom = lpRect->top;
  }
}

int CTabCtrl::HitTest(TCHITTESTINFO* pHitTestInfo) const {
  TabBar* b = BarOf(this);
  if (b == nullptr || pHitTestInfo == nullptr) return -1;
  return b->HitIndex(QPoint(pHitTestInfo->pt.x, pHitTestInfo->pt.y), &pHitTestInfo->flags);
}

CSize CTabCtrl::SetItemSize(CSize size) {
  TabBar* b = BarOf(this);
  if (b == nullptr) return CSize();
  CSize old(b->itemSize.cx > 0 ? b->itemSize.cx : platform::kDefaultFixedWidth, b->TabHeight());
  b->itemSize = CSize(std::max<LONG>(0, size.cx), std::max<LONG>(0, size.cy));
  b->Changed();
  return old;
}

void CTabCtrl::SetPadding(CSize size) {
  TabBar* b = BarOf(this);
  if (b == nullptr) return;
  b->padding = CSize(std::max<LONG>(0, std::min<LONG>(size.cx, 1000)), std::max<LONG>(0, std::min<LONG>(size.cy, 1000)));
  b->Changed();
}

int CTabCtrl::SetMinTabWidth(int cx) {
  TabBar* b = BarOf(this);
  if (b == nullptr) return 0;
  int old = b->minTabWidth >= 0 ? b->minTabWidth : platform::kDefaultMinWidth;
  b->minTabWidth = cx < 0 ? -1 : cx;
  b->Changed();
  return old;
}

CImageList* CTabCtrl::SetImageList(CImageList* pImageList) {
  TabBar* b = BarOf(this);
  if (b == nullptr) return nullptr;
  CImageList* previous = b->imageObject.get();
  if (b->imageObject != nullptr) b->retired.push_back(std::move(b->imageObject));
  b->images = pImageList != nullptr ? platform::ImageListShare(pImageList->GetSafeHandle()) : nullptr;
  if (b->images != nullptr) {
    b->imageObject = std::make_unique<CImageList>();
    b->imageObject->Attach(reinterpret_cast<HIMAGELIST>(b->images.get()));
  }
  b->Changed();
  return previous;
}

CImageList* CTabCtrl::GetImageList() const {
  TabBar* b = BarOf(this);
  return b != nullptr ? b->imageObject.get() : nullptr;
}

DWORD CTabCtrl::GetItemState(int nItem, DWORD dwMask) const {
  TabBar* b = BarOf(this);
  if (b == nullptr || !b->Valid(nItem)) return 0;
  return b->tabs[static_cast<size_t>(nItem)].state & dwMask;
}

BOOL CTabCtrl::SetItemState(int nItem, DWORD dwMask, DWORD dwState) {
  TabBar* b = BarOf(this);
  if (b == nullptr || !b->Valid(nItem)) return FALSE;
  DWORD& s = b->tabs[static_cast<size_t>(nItem)].state;
  s = (s & ~dwMask) | (dwState & dwMask);
  b->update();
  return TRUE;
}

void CTabCtrl::DeselectAll(BOOL fExcludeFocus) {
  TabBar* b = BarOf(this);
  if (b == nullptr) return;
  for (int i = 0; i < b->Count(); ++i) {
    if (fExcludeFocus && i == b->focus) continue;
    b->tabs[static_cast<size_t>(i)].state &= ~TCIS_BUTTONPRESSED;
  }
  if (!fExcludeFocus && (GetStyle() & TCS_BUTTONS)) b->cur = -1;
  b->update();
}

LRESULT CTabCtrl::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  int index = static_cast<int>(static_cast<INT_PTR>(wParam));
  switch (message) {
    case TCM_GETITEMCOUNT: return GetItemCount();
    case TCM_DELETEITEM: return DeleteItem(index);
    case TCM_DELETEALLITEMS: return DeleteAllItems();
    case TCM_GETITEMRECT: return GetItemRect(index, reinterpret_cast<LPRECT>(lParam));
    case TCM_GETCURSEL: return GetCurSel();
    case TCM_SETCURSEL: return SetCurSel(index);
    case TCM_GETCURFOCUS: return GetCurFocus();
    case TCM_SETCURFOCUS: SetCurFocus(index); return 0;
    case TCM_HITTEST: return HitTest(reinterpret_cast<TCHITTESTINFO*>(lParam));
    case TCM_ADJUSTRECT: AdjustRect(static_cast<BOOL>(wParam), reinterpret_cast<LPRECT>(lParam)); return 0;
    case TCM_GETROWCOUNT: return GetRowCount();
    case TCM_SETITEMSIZE: {
      CSize old = SetItemSize(CSize(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))));
      return MAKELRESULT(old.cx, old.cy);
    }
    case TCM_SETPADDING:
      SetPadding(CSize(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))));
      return 0;
    case TCM_SETMINTABWIDTH: return SetMinTabWidth(static_cast<int>(lParam));
    case TCM_GETITEM: return GetItem(index, reinterpret_cast<TCITEM*>(lParam));
    case TCM_SETITEM: return SetItem(index, reinterpret_cast<TCITEM*>(lParam));
    case TCM_INSERTITEM: return InsertItem(index, reinterpret_cast<TCITEM*>(lParam));
    case TCM_GETIMAGELIST: {
      CImageList* list = GetImageList();
      return reinterpret_cast<LRESULT>(list != nullptr ? list->GetSafeHandle() : nullptr);
    }
    case TCM_SETIMAGELIST: {
      CImageList* old = SetImageList(CImageList::FromHandle(reinterpret_cast<HIMAGELIST>(lParam)));
      return reinterpret_cast<LRESULT>(old != nullptr ? old->GetSafeHandle() : nullptr);
    }
    default:
      return CWnd::DefWindowProc(message, wParam, lParam);
  }
}
