// The device contexts of windows (paint, client and window contexts) and the drawing members of
// CWnd: fonts, GetDC / ReleaseDC, and window shapes.
#include <QPaintEvent>
#include <QVariant>
#include <QWidget>
#include <mutex>
#include <unordered_set>

#include "platform/gdi.h"
#include "platform/gdi_internal.h"
#include "platform/wnd.h"

namespace {

using platform::gdi::kWindowFontProperty;

// The widget a window paints on: the one of its widgets that is painting now (its client
// area, the whole window, or an inner widget of its own such as a scroll area's viewport, whose
// place in the window goes to *offset); else its client area.
QWidget* PaintTarget(CWnd* wnd, QPoint* offset) {
  *offset = QPoint();
  if (wnd == nullptr) return nullptr;
  QWidget* client = wnd->ClientWidget();
  QWidget* whole = wnd->GetWidget();
  for (QWidget* w : {client, whole}) {
    if (w != nullptr && w->testAttribute(Qt::WA_WState_InPaintEvent)) return w;
  }
  for (QWidget* w : {client, whole}) {
    if (w == nullptr) continue;
    for (QWidget* inner : w->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
      if (inner->testAttribute(Qt::WA_WState_InPaintEvent) && CWnd::FromWidget(inner) == wnd) {
        *offset = inner->mapTo(w, QPoint(0, 0));
        return inner;
      }
    }
  }
  return client != nullptr ? client : whole;
}

std::mutex& GivenMutex() {
  static std::mutex* m = new std::mutex;
  return *m;
}
std::unordered_set<CDC*>& Given() {
  static auto* s = new std::unordered_set<CDC*>;
  return *s;
}

RECT WidgetRect(const QWidget* w) { return w != nullptr ? RECT{0, 0, w->width(), w->height()} : RECT{0, 0, 0, 0}; }

}  // namespace

CPaintDC::CPaintDC(CWnd* pWnd) : m_ps{}, m_hWnd(pWnd != nullptr ? pWnd->m_hWnd : nullptr) {
  QPoint offset;
  QWidget* w = PaintTarget(pWnd, &offset);
  d->OpenWindow(w, false, offset);
  d->hwnd = m_hWnd;
  m_ps.hdc = m_hDC;
  m_ps.fErase = TRUE;
  const platform::CurrentMessage* cur = platform::GetCurrentMessageState();
  if (d->widgetPainter && cur != nullptr && cur->paintEvent != nullptr && cur->msg.hwnd == m_hWnd) {
    const auto* pe = static_cast<const QPaintEvent*>(cur->paintEvent);
    QRect r = pe->rect().translated(offset);
    m_ps.rcPaint = RECT{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
    d->hasSystemClip = true;
    d->systemClip = pe->region().translated(offset);
  } else {
    QWidget* area = pWnd != nullptr ? pWnd->ClientWidget() : nullptr;
    m_ps.rcPaint = WidgetRect(area != nullptr ? area : w);
  }
}

CPaintDC::~CPaintDC() { d->ReleaseSurface(); }

CClientDC::CClientDC(CWnd* pWnd) : m_hWnd(pWnd != nullptr ? pWnd->m_hWnd : nullptr) {
  QPoint offset;
  QWidget* w = PaintTarget(pWnd, &offset);
  d->OpenWindow(w, true, offset);
  d->hwnd = m_hWnd;
}

CClientDC::~CClientDC() { d->ReleaseSurface(); }

CWindowDC::CWindowDC(CWnd* pWnd) : m_hWnd(pWnd != nullptr ? pWnd->m_hWnd : nullptr) {
  QPoint offset;
  QWidget* w = pWnd != nullptr ? pWnd->GetWidget() : nullptr;
  if (w == nullptr || !w->testAttribute(Qt::WA_WState_InPaintEvent)) w = PaintTarget(pWnd, &offset);
  d->OpenWindow(w, true, offset);
  d->hwnd = m_hWnd;
}

CWindowDC::~CWindowDC() { d->ReleaseSurface(); }

CWnd* CDC::GetWindow() const { return d->hwnd != nullptr ? CWnd::FromHandle(d->hwnd) : nullptr; }

// ---- CWnd ----

void CWnd::SetFont(CFont* pFont, BOOL bRedraw) {
  QWidget* w = GetWidget();
  if (w == nullptr) return;
  HGDIOBJ h = pFont != nullptr ? pFont->m_hObject : nullptr;
  if (h == nullptr || !platform::gdi::Lookup(h, platform::gdi::Kind::Font)) {
    w->setProperty(kWindowFontProperty, QVariant());
    w->setFont(QFont());
  } else {
    w->setProperty(kWindowFontProperty, QVariant::fromValue<quintptr>(reinterpret_cast<quintptr>(h)));
    w->setFont(platform::QFontFromHandle(static_cast<HFONT>(h)));
  }
  if (bRedraw) w->update();
}

CFont* CWnd::GetFont() const {
  QWidget* w = GetWidget();
  if (w == nullptr) return nullptr;
  QVariant v = w->property(kWindowFontProperty);
  if (!v.isValid()) return nullptr;
  return CFont::FromHandle(reinterpret_cast<HFONT>(v.value<quintptr>()));
}

CDC* CWnd::GetDC() {
  CDC* dc = new CClientDC(this);
  std::lock_guard<std::mutex> lock(GivenMutex());
  Given().insert(dc);
  return dc;
}

CDC* CWnd::GetWindowDC() {
  CDC* dc = new CWindowDC(this);
  std::lock_guard<std::mutex> lock(GivenMutex());
  Given().insert(dc);
  return dc;
}

int CWnd::ReleaseDC(CDC* pDC) {
  {
    std::lock_guard<std::mutex> lock(GivenMutex());
    if (Given().erase(pDC) == 0) return 0;
  }
  delete pDC;
  return 1;
}

BOOL platform::SetWidgetRegion(CWnd* pWnd, CRgn* pRgn) {
  QWidget* w = pWnd != nullptr ? pWnd->GetWidget() : nullptr;
  if (w == nullptr) return FALSE;
  if (pRgn == nullptr) {
    w->clearMask();
    return TRUE;
  }
  if (!platform::gdi::Lookup(pRgn->m_hObject, platform::gdi::Kind::Region)) return FALSE;
  QRegion region = pRgn->GetQRegion();
  // An empty region hides the whole window (Qt would read an empty mask as "no mask").
  if (region.isEmpty()) region = QRegion(QRect(-2, -2, 1, 1));
  w->setMask(region);
  return TRUE;
}
