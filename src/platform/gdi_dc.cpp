// The device context: its surfaces (a painter, a memory bitmap, a window), its drawing state,
// shapes, fills and clipping (its blits: gdi_blit.cpp).
#include <QPaintEngine>
#include <QPainterPath>
#include <QVariant>
#include <QWidget>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <mutex>
#include <utility>
#include <unordered_map>
#include <unordered_set>

#include "platform/gdi.h"
#include "platform/gdi_internal.h"

using platform::DrawOp;
using platform::DrawRecord;
using platform::gdi::Kind;
using platform::gdi::Lookup;
using platform::gdi::ObjectPtr;
using platform::gdi::ToQColor;
using platform::gdi::ToQRect;

namespace platform {
namespace gdi {

// ---- painters shared on a window ----

namespace {
std::unordered_map<const QWidget*, std::weak_ptr<WidgetPainter>>& WidgetPainters() {
  static auto* m = new std::unordered_map<const QWidget*, std::weak_ptr<WidgetPainter>>;
  return *m;
}
}  // namespace

bool WidgetPainter::Valid() const {
  return painter != nullptr && !widget.isNull() && painter->isActive() &&
         widget->testAttribute(Qt::WA_WState_InPaintEvent);
}

std::shared_ptr<WidgetPainter> AcquireWidgetPainter(QWidget* widget, QPainter* external) {
  if (widget == nullptr) return nullptr;
  auto& map = WidgetPainters();
  auto it = map.find(widget);
  if (it != map.end()) {
    std::shared_ptr<WidgetPainter> wp = it->second.lock();
    if (wp && wp->Valid()) return wp;
    map.erase(it);
  }
  auto wp = std::shared_ptr<WidgetPainter>(new WidgetPainter, [widget](WidgetPainter* p) {
    if (p->owned) {
      if (!p->widget.isNull() && p->owned->isActive()) p->owned->end();
      if (p->widget.isNull()) (void)p->owned.release();  // its device is gone: ending it is unsafe
    }
    auto& m = WidgetPainters();
    auto i = m.find(widget);
    if (i != m.end() && i->second.expired()) m.erase(i);
    delete p;
  });
  wp->widget = widget;
  if (external != nullptr) {
    wp->painter = external;
  } else {
    if (!widget->testAttribute(Qt::WA_WState_InPaintEvent) || widget->paintingActive()) return nullptr;
    wp->owned = std::make_unique<QPainter>();
    if (!wp->owned->begin(widget)) {
      wp->owned.reset();
      return nullptr;
    }
    wp->painter = wp->owned.get();
  }
  map[widget] = wp;
  return wp;
}

}  // namespace gdi
}  // namespace platform

// ---- helpers ----

namespace {

std::mutex& LiveMutex() {
  static std::mutex* m = new std::mutex;
  return *m;
}
std::unordered_set<const CDC*>& LiveContexts() {
  static auto* s = new std::unordered_set<const CDC*>;
  return *s;
}

// Device pixels of a rectangle given with right/bottom exclusive (normalised).
QRect QR(int l, int t, int r, int b) { return ToQRect(RECT{l, t, r, b}); }

QPainter::CompositionMode ModeForRop2(int rop2) {
  switch (rop2) {
    case R2_NOT: return QPainter::RasterOp_NotDestination;
    case R2_XORPEN: return QPainter::RasterOp_SourceXorDestination;
    case R2_NOTXORPEN: return QPainter::RasterOp_NotSourceXorDestination;
    case R2_MASKPEN: return QPainter::RasterOp_SourceAndDestination;
    case R2_MERGEPEN: return QPainter::RasterOp_SourceOrDestination;
    case R2_MASKNOTPEN: return QPainter::RasterOp_NotSourceAndDestination;
    case R2_MERGENOTPEN: return QPainter::RasterOp_NotSourceOrDestination;
    case R2_MASKPENNOT: return QPainter::RasterOp_SourceAndNotDestination;
    case R2_MERGEPENNOT: return QPainter::RasterOp_SourceOrNotDestination;
    case R2_NOTMERGEPEN: return QPainter::RasterOp_NotSourceAndNotDestination;
    case R2_NOTMASKPEN: return QPainter::RasterOp_NotSourceOrNotDestination;
    default: return QPainter::CompositionMode_SourceOver;
  }
}

QColor Rop2Colour(int rop2, QColor c) {
  if (rop2 == R2_BLACK) return Qt::black;
  if (rop2 == R2_WHITE) return Qt::white;
  if (rop2 == R2_NOTCOPYPEN) return QColor(255 - c.red(), 255 - c.green(), 255 - c.blue());
  return c;
}

int RegionType(const QRegion& r) {
  if (r.isEmpty()) return NULLREGION;
  return r.rectCount() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

bool IsHatched(const platform::gdi::Object& brush) { return brush.brushStyle == BS_HATCHED; }

}  // namespace

// ---- CDC::Impl ----

CDC::Impl::Impl(CDC* owner) : self(owner) { SelectDefaults(); }

CDC::Impl::~Impl() {
  ReleaseSurface();
  for (CDC* a : aliases) a->d = a->m_own.get();
}

void CDC::Impl::SelectDefaults() {
  st = DcState();
  st.hPen = platform::gdi::StockHandle(BLACK_PEN);
  st.pen = Lookup(st.hPen);
  st.hBrush = platform::gdi::StockHandle(WHITE_BRUSH);
  st.brush = Lookup(st.hBrush);
  st.hFont = platform::gdi::StockHandle(SYSTEM_FONT);
  st.font = Lookup(st.hFont);
}

void CDC::Impl::ResetState() {
  stack.clear();
  SelectDefaults();
  hasSystemClip = false;
  systemClip = QRegion();
}

void CDC::Impl::LetGo(QPainter* p) {
  if (p != nullptr && savedOn == p && p->isActive()) p->restore();
  if (savedOn == p) savedOn = nullptr;
}

void CDC::Impl::ReleaseSurface() {
  if (external != nullptr) {
    LetGo(external);
    external = nullptr;
  }
  EndBitmapPainter();
  if (widgetPainter) {
    if (widgetPainter->Valid()) LetGo(widgetPainter->painter);
    widgetPainter.reset();
  }
  if (bufferPainter) {
    LetGo(bufferPainter.get());
    bufferPainter->end();
    bufferPainter.reset();
  }
  savedOn = nullptr;
  surfaceOffset = QPoint();
  buffer = QImage();
  bufferMade = false;
  bufferRendered = false;
  widget = nullptr;
  hasWidget = false;
  bufferAllowed = false;
  hwnd = nullptr;
  target = Target::None;
}

void CDC::Impl::BeginBitmapPainter() {
  if (!st.bitmap || st.bitmap->stock || st.bitmap->image.isNull()) return;
  if (st.bitmap->selectedIn != nullptr && st.bitmap->selectedIn != this) return;
  st.bitmap->selectedIn = this;
  bitmapPainter = std::make_unique<QPainter>();
  if (!bitmapPainter->begin(&st.bitmap->image)) bitmapPainter.reset();
}

void CDC::Impl::EndBitmapPainter() {
  if (bitmapPainter) {
    LetGo(bitmapPainter.get());
    bitmapPainter->end();
    bitmapPainter.reset();
  }
  if (st.bitmap && st.bitmap->selectedIn == this) st.bitmap->selectedIn = nullptr;
}

void CDC::Impl::OpenWindow(QWidget* w, bool allowBuffer, QPoint offset) {
  ReleaseSurface();
  target = Target::Window;
  surfaceOffset = offset;
  widget = w;
  hasWidget = w != nullptr;
  bufferAllowed = allowBuffer;
  if (w != nullptr) widgetPainter = platform::gdi::AcquireWidgetPainter(w, nullptr);
}

QSize CDC::Impl::SurfaceSize() const {
  switch (target) {
    case Target::Painter:
      if (external != nullptr && external->device() != nullptr) {
        return QSize(external->device()->width(), external->device()->height());
      }
      return QSize();
    case Target::Memory: return st.bitmap ? st.bitmap->image.size() : QSize();
    case Target::Window:
      if (hasWidget) return widget.isNull() ? QSize() : widget->size();
      return QSize(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    default: return QSize();
  }
}

void CDC::Impl::MakeBuffer(bool render) {
  if (bufferMade) return;
  if (bufferRendered) render = true;
  QSize size = SurfaceSize();
  size = size.expandedTo(QSize(1, 1)).boundedTo(QSize(8192, 8192));
  buffer = QImage(size, QImage::Format_RGB32);
  if (buffer.isNull()) return;
  buffer.fill(Qt::white);
  if (render && !widget.isNull() && !widget->testAttribute(Qt::WA_WState_InPaintEvent) &&
      platform::gdi::HaveGui()) {
    platform::gdi::QuietScope quietScope;
    widget->render(&buffer, QPoint(), QRegion(), QWidget::DrawWindowBackground);
  }
  bufferPainter = std::make_unique<QPainter>();
  if (!bufferPainter->begin(&buffer)) bufferPainter.reset();
  bufferMade = true;
}

bool CDC::Impl::ReadWindowPatch(const QRect& logical, QImage& out) {
  if (target != Target::Window || bufferMade || widgetPainter || widget.isNull() ||
      widget->testAttribute(Qt::WA_WState_InPaintEvent) || !platform::gdi::HaveGui())
    return false;
  const QSize size = SurfaceSize().expandedTo(QSize(1, 1)).boundedTo(QSize(8192, 8192));
  const CPoint off = Offset();
  const QRect r = logical.translated(off.x, off.y);
  const QRect inside = r & QRect(QPoint(0, 0), size);
  QImage patch(r.size(), QImage::Format_RGB32);
  if (patch.isNull()) return false;
  patch.fill(0u);  // beyond the surface, as a copy of the buffer gives there
  if (!inside.isEmpty()) {
    const QPoint at = inside.topLeft() - r.topLeft();
    {
      QPainter white(&patch);
      white.fillRect(QRect(at, inside.size()), Qt::white);
    }
    platform::gdi::QuietScope quietScope;
    widget->render(&patch, at, QRegion(inside), QWidget::DrawWindowBackground);
  }
  out = patch;
  bufferRendered = true;
  return true;
}

QPainter* CDC::Impl::CurrentPainter() {
  switch (target) {
    case Target::Painter: return (external != nullptr && external->isActive()) ? external : nullptr;
    case Target::Memory: return (bitmapPainter && bitmapPainter->isActive()) ? bitmapPainter.get() : nullptr;
    case Target::Window:
      if (widgetPainter) {
        if (widgetPainter->Valid()) return widgetPainter->painter;
        if (savedOn == widgetPainter->painter) savedOn = nullptr;
        widgetPainter.reset();
      }
      if (!bufferAllowed) return nullptr;
      MakeBuffer(false);
      return (bufferPainter && bufferPainter->isActive()) ? bufferPainter.get() : nullptr;
    default: return nullptr;
  }
}

QPainter* CDC::Impl::Begin() {
  QPainter* p = CurrentPainter();
  if (p == nullptr) return nullptr;
  if (savedOn != p) {
    p->save();
    savedOn = p;
    baseTransform = p->transform();
    baseClipOn = p->hasClipping();
    baseClip = baseClipOn ? p->clipRegion() : QRegion();
  }
  p->setTransform(baseTransform);
  if (baseClipOn) p->setClipRegion(baseClip);
  else p->setClipping(false);
  if (widgetPainter && !surfaceOffset.isNull()) p->translate(-surfaceOffset.x(), -surfaceOffset.y());
  QRegion eff;
  if (EffectiveClip(eff)) p->setClipRegion(eff, baseClipOn ? Qt::IntersectClip : Qt::ReplaceClip);
  CPoint off = Offset();
  p->translate(off.x, off.y);
  p->setCompositionMode(QPainter::CompositionMode_SourceOver);
  p->setRenderHint(QPainter::Antialiasing, false);
  p->setRenderHint(QPainter::SmoothPixmapTransform, false);
  p->setBackgroundMode(Qt::TransparentMode);
  return p;
}

const QImage* CDC::Impl::Readable(QImage& holder, QTransform& logicalToImage) {
  CPoint off = Offset();
  switch (target) {
    case Target::Memory:
      if (!st.bitmap) return nullptr;
      logicalToImage = QTransform::fromTranslate(off.x, off.y);
      return &st.bitmap->image;
    case Target::Window:
      if (!widgetPainter || !widgetPainter->Valid()) {
        if (widgetPainter) {
          if (savedOn == widgetPainter->painter) savedOn = nullptr;
          widgetPainter.reset();
        }
        if (!bufferMade) MakeBuffer(true);
        if (!bufferMade) return nullptr;
        logicalToImage = QTransform::fromTranslate(off.x, off.y);
        return &buffer;
      }
      [[fallthrough]];
    case Target::Painter: {
      QPainter* p = Begin();
      if (p == nullptr) return nullptr;
      QPaintDevice* dev = p->paintEngine() != nullptr ? p->paintEngine()->paintDevice() : p->device();
      if (dev == nullptr) return nullptr;
      logicalToImage = p->deviceTransform();
      if (dev->devType() == QInternal::Image) return static_cast<const QImage*>(dev);
      if (dev->devType() == QInternal::Pixmap) {
        holder = static_cast<const QPixmap*>(dev)->toImage().copy();
        return &holder;
      }
      return nullptr;
    }
    default: return nullptr;
  }
}

bool CDC::Impl::EffectiveClip(QRegion& out) const {
  if (!st.hasClip && !hasSystemClip) return false;
  if (st.hasClip && hasSystemClip) out = st.clip.intersected(systemClip);
  else out = st.hasClip ? st.clip : systemClip;
  return true;
}

QRegion CDC::Impl::BoundsRegion() const {
  QSize s = SurfaceSize();
  if (s.isValid() && !s.isEmpty()) return QRegion(QRect(target == Target::Window ? surfaceOffset : QPoint(0, 0), s));
  return QRegion(QRect(-(1 << 24), -(1 << 24), 1 << 25, 1 << 25));
}

bool CDC::Impl::IsMonochrome() const { return target == Target::Memory && st.bitmap && st.bitmap->bitsPixel == 1; }

bool CDC::Impl::Recording() const {
  return quiet == 0 && platform::gdi::RecorderActive() && !platform::gdi::RecordingQuiet();
}

DrawRecord CDC::Impl::NewRecord(DrawOp op) const {
  DrawRecord r;
  r.op = op;
  r.dc = self;
  r.textColor = st.textColor;
  r.bkColor = st.bkColor;
  r.bkMode = st.bkMode;
  r.rop2 = st.rop2;
  if (st.brush) {
    r.brushColor = st.brush->brushColor;
    r.brushNull = st.brush->brushStyle == BS_NULL;
  }
  if (st.pen) {
    r.penColor = st.pen->penColor;
    r.penNull = st.pen->penStyle == PS_NULL;
    r.penWidth = st.pen->penWidth;
  }
  if (st.font) {
    r.fontFace = CString(platform::gdi::FaceName(st.font->lf));
    r.fontHeight = st.font->lf.lfHeight;
    r.fontWeight = st.font->lf.lfWeight;
    r.fontItalic = st.font->lf.lfItalic != 0;
  }
  return r;
}

void CDC::Impl::Emit(const DrawRecord& r) const { platform::gdi::Submit(r); }

// ---- CDC: life ----

CDC::CDC() : m_hDC(reinterpret_cast<HDC>(this)), m_own(new Impl(this)), d(m_own.get()) {
  std::lock_guard<std::mutex> lock(LiveMutex());
  LiveContexts().insert(this);
}

CDC::~CDC() {
  {
    std::lock_guard<std::mutex> lock(LiveMutex());
    LiveContexts().erase(this);
  }
  if (d != m_own.get() && d != nullptr) d->aliases.erase(std::remove(d->aliases.begin(), d->aliases.end(), this), d->aliases.end());
  d = nullptr;
  m_own.reset();
}

CDC* CDC::FromHandle(HDC hDC) {
  std::lock_guard<std::mutex> lock(LiveMutex());
  auto* dc = reinterpret_cast<CDC*>(hDC);
  return LiveContexts().count(dc) != 0 ? dc : nullptr;
}

BOOL CDC::AttachPainter(QPainter* painter) {
  d->ReleaseSurface();
  if (painter == nullptr || !painter->isActive()) return FALSE;
  d->target = Impl::Target::Painter;
  d->external = painter;
  QPaintDevice* dev = painter->device();
  if (dev != nullptr && dev->devType() == QInternal::Widget) {
    auto* w = static_cast<QWidget*>(dev);
    d->widgetPainter = platform::gdi::AcquireWidgetPainter(w, painter);
    // As for an owner-drawn control, the context starts with the window's font (the nearest
    // one set on the widget or its parents within the window), else the dialog font.
    HGDIOBJ font = nullptr;
    for (QWidget* o = w; o != nullptr && font == nullptr; o = o->isWindow() ? nullptr : o->parentWidget()) {
      QVariant v = o->property(platform::gdi::kWindowFontProperty);
      if (!v.isValid()) continue;
      HGDIOBJ h = reinterpret_cast<HGDIOBJ>(v.value<quintptr>());
      if (Lookup(h, Kind::Font)) font = h;
    }
    if (font == nullptr) font = platform::gdi::StockHandle(DEFAULT_GUI_FONT);
    d->st.hFont = font;
    d->st.font = Lookup(font);
  }
  return TRUE;
}

QPainter* CDC::DetachPainter() {
  if (d->target != Impl::Target::Painter) return nullptr;
  QPainter* p = d->external;
  d->ReleaseSurface();
  return p;
}

BOOL CDC::Attach(HDC hDC) {
  CDC* other = FromHandle(hDC);
  if (other == nullptr || other == this || d != m_own.get() || other->d == d) return FALSE;
  d = other->d;
  d->aliases.push_back(this);
  return TRUE;
}

HDC CDC::Detach() {
  if (d == m_own.get()) return nullptr;
  HDC h = d->self->m_hDC;
  d->aliases.erase(std::remove(d->aliases.begin(), d->aliases.end(), this), d->aliases.end());
  d = m_own.get();
  return h;
}

BOOL CDC::CreateCompatibleDC(CDC* pDC) {
  (void)pDC;
  d->ReleaseSurface();
  d->ResetState();
  d->target = Impl::Target::Memory;
  d->st.hBitmap = platform::gdi::DefaultBitmapHandle();
  d->st.bitmap = Lookup(d->st.hBitmap);
  return TRUE;
}

BOOL CDC::DeleteDC() {
  bool had = d->target != Impl::Target::None;
  d->ReleaseSurface();
  d->ResetState();
  return had ? TRUE : FALSE;
}

int CDC::GetDeviceCaps(int nIndex) const {
  switch (nIndex) {
    case LOGPIXELSX:
    case LOGPIXELSY: return 96;
    case HORZRES: return GetSystemMetrics(SM_CXSCREEN);
    case VERTRES: return GetSystemMetrics(SM_CYSCREEN);
    case HORZSIZE: return MulDiv(GetSystemMetrics(SM_CXSCREEN), 254, 960);
    case VERTSIZE: return MulDiv(GetSystemMetrics(SM_CYSCREEN), 254, 960);
    case BITSPIXEL: return 32;
    case PLANES: return 1;
    case NUMCOLORS: return -1;
    case TECHNOLOGY: return DT_RASDISPLAY;
    case RASTERCAPS: return RC_BITBLT | RC_BITMAP64 | RC_DI_BITMAP | RC_STRETCHBLT;
    default: return 0;
  }
}

// ---- CDC: objects ----

CPen* CDC::SelectObject(CPen* pPen) {
  if (pPen == nullptr) return nullptr;
  ObjectPtr o = Lookup(pPen->m_hObject, Kind::Pen);
  if (!o) return nullptr;
  HGDIOBJ prev = d->st.hPen;
  d->st.hPen = pPen->m_hObject;
  d->st.pen = o;
  return CPen::FromHandle(static_cast<HPEN>(prev));
}

CBrush* CDC::SelectObject(CBrush* pBrush) {
  if (pBrush == nullptr) return nullptr;
  HGDIOBJ h = nullptr;
  ObjectPtr o = platform::gdi::ResolveBrush(static_cast<HBRUSH>(pBrush->m_hObject), &h);
  if (!o) return nullptr;
  HGDIOBJ prev = d->st.hBrush;
  d->st.hBrush = h;
  d->st.brush = o;
  return CBrush::FromHandle(static_cast<HBRUSH>(prev));
}

CFont* CDC::SelectObject(CFont* pFont) {
  if (pFont == nullptr) return nullptr;
  ObjectPtr o = Lookup(pFont->m_hObject, Kind::Font);
  if (!o) return nullptr;
  HGDIOBJ prev = d->st.hFont;
  d->st.hFont = pFont->m_hObject;
  d->st.font = o;
  return CFont::FromHandle(static_cast<HFONT>(prev));
}

CBitmap* CDC::SelectObject(CBitmap* pBitmap) {
  if (pBitmap == nullptr || d->target != Impl::Target::Memory) return nullptr;
  ObjectPtr o = Lookup(pBitmap->m_hObject, Kind::Bitmap);
  if (!o) return nullptr;
  if (o->selectedIn != nullptr && o->selectedIn != d) return nullptr;
  HGDIOBJ prev = d->st.hBitmap;
  if (o != d->st.bitmap) {
    d->EndBitmapPainter();
    d->st.hBitmap = pBitmap->m_hObject;
    d->st.bitmap = o;
    d->BeginBitmapPainter();
  }
  return CBitmap::FromHandle(static_cast<HBITMAP>(prev));
}

int CDC::SelectObject(CRgn* pRgn) { return SelectClipRgn(pRgn); }

CGdiObject* CDC::SelectObject(CGdiObject* pObject) {
  if (pObject == nullptr) return nullptr;
  ObjectPtr o = Lookup(pObject->m_hObject);
  if (!o) return nullptr;
  switch (o->kind) {
    case Kind::Pen: return SelectObject(CPen::FromHandle(static_cast<HPEN>(pObject->m_hObject)));
    case Kind::Brush: return SelectObject(CBrush::FromHandle(static_cast<HBRUSH>(pObject->m_hObject)));
    case Kind::Font: return SelectObject(CFont::FromHandle(static_cast<HFONT>(pObject->m_hObject)));
    case Kind::Bitmap: return SelectObject(CBitmap::FromHandle(static_cast<HBITMAP>(pObject->m_hObject)));
    case Kind::Region: SelectClipRgn(CRgn::FromHandle(static_cast<HRGN>(pObject->m_hObject))); return nullptr;
    default: return nullptr;
  }
}

CGdiObject* CDC::SelectStockObject(int nIndex) {
  CGdiObject* o = CGdiObject::FromHandle(platform::gdi::StockHandle(nIndex));
  return o != nullptr ? SelectObject(o) : nullptr;
}

CPen* CDC::GetCurrentPen() const { return CPen::FromHandle(static_cast<HPEN>(d->st.hPen)); }
CBrush* CDC::GetCurrentBrush() const { return CBrush::FromHandle(static_cast<HBRUSH>(d->st.hBrush)); }
CFont* CDC::GetCurrentFont() const { return CFont::FromHandle(static_cast<HFONT>(d->st.hFont)); }
CBitmap* CDC::GetCurrentBitmap() const { return CBitmap::FromHandle(static_cast<HBITMAP>(d->st.hBitmap)); }

int CDC::SaveDC() {
  d->stack.push_back(d->st);
  return static_cast<int>(d->stack.size());
}

BOOL CDC::RestoreDC(int nSavedDC) {
  const int size = static_cast<int>(d->stack.size());
  int level = nSavedDC < 0 ? size + 1 + nSavedDC : nSavedDC;
  if (nSavedDC == 0 || level < 1 || level > size) return FALSE;
  DcState next = d->stack[static_cast<size_t>(level - 1)];
  d->stack.resize(static_cast<size_t>(level - 1));
  const bool bitmapChanges = d->target == Impl::Target::Memory && next.bitmap != d->st.bitmap;
  if (bitmapChanges) d->EndBitmapPainter();
  d->st = next;
  if (bitmapChanges) d->BeginBitmapPainter();
  return TRUE;
}

// ---- CDC: attributes ----

COLORREF CDC::SetTextColor(COLORREF c) { return std::exchange(d->st.textColor, c & 0xFFFFFF); }
COLORREF CDC::GetTextColor() const { return d->st.textColor; }
COLORREF CDC::SetBkColor(COLORREF c) { return std::exchange(d->st.bkColor, c & 0xFFFFFF); }
COLORREF CDC::GetBkColor() const { return d->st.bkColor; }

int CDC::SetBkMode(int nBkMode) {
  if (nBkMode != TRANSPARENT && nBkMode != OPAQUE) return 0;
  return std::exchange(d->st.bkMode, nBkMode);
}
int CDC::GetBkMode() const { return d->st.bkMode; }

int CDC::SetROP2(int nDrawMode) {
  if (nDrawMode < R2_BLACK || nDrawMode > R2_WHITE) return 0;
  return std::exchange(d->st.rop2, nDrawMode);
}
int CDC::GetROP2() const { return d->st.rop2; }

int CDC::SetStretchBltMode(int nStretchMode) {
  if (nStretchMode < BLACKONWHITE || nStretchMode > HALFTONE) return 0;
  return std::exchange(d->st.stretchMode, nStretchMode);
}
int CDC::GetStretchBltMode() const { return d->st.stretchMode; }

int CDC::SetPolyFillMode(int nPolyFillMode) {
  if (nPolyFillMode != ALTERNATE && nPolyFillMode != WINDING) return 0;
  return std::exchange(d->st.polyFill, nPolyFillMode);
}
int CDC::GetPolyFillMode() const { return d->st.polyFill; }

UINT CDC::SetTextAlign(UINT nFlags) { return std::exchange(d->st.textAlign, nFlags); }
UINT CDC::GetTextAlign() const { return d->st.textAlign; }

int CDC::SetMapMode(int nMapMode) {
  if (nMapMode != MM_TEXT) return 0;
  return std::exchange(d->st.mapMode, nMapMode);
}
int CDC::GetMapMode() const { return d->st.mapMode; }

// ---- CDC: coordinates ----

CPoint CDC::SetViewportOrg(int x, int y) { return std::exchange(d->st.viewportOrg, CPoint(x, y)); }
CPoint CDC::OffsetViewportOrg(int nWidth, int nHeight) {
  CPoint old = d->st.viewportOrg;
  d->st.viewportOrg.Offset(nWidth, nHeight);
  return old;
}
CPoint CDC::GetViewportOrg() const { return d->st.viewportOrg; }
CPoint CDC::SetWindowOrg(int x, int y) { return std::exchange(d->st.windowOrg, CPoint(x, y)); }
CPoint CDC::OffsetWindowOrg(int nWidth, int nHeight) {
  CPoint old = d->st.windowOrg;
  d->st.windowOrg.Offset(nWidth, nHeight);
  return old;
}
CPoint CDC::GetWindowOrg() const { return d->st.windowOrg; }

void CDC::LPtoDP(LPPOINT lpPoints, int nCount) const {
  if (lpPoints == nullptr) return;
  CPoint off = d->Offset();
  for (int i = 0; i < nCount; ++i) {
    lpPoints[i].x += off.x;
    lpPoints[i].y += off.y;
  }
}
void CDC::LPtoDP(LPRECT lpRect) const {
  if (lpRect == nullptr) return;
  CPoint off = d->Offset();
  lpRect->left += off.x;
  lpRect->right += off.x;
  lpRect->top += off.y;
  lpRect->bottom += off.y;
}
void CDC::DPtoLP(LPPOINT lpPoints, int nCount) const {
  if (lpPoints == nullptr) return;
  CPoint off = d->Offset();
  for (int i = 0; i < nCount; ++i) {
    lpPoints[i].x -= off.x;
    lpPoints[i].y -= off.y;
  }
}
void CDC::DPtoLP(LPRECT lpRect) const {
  if (lpRect == nullptr) return;
  CPoint off = d->Offset();
  lpRect->left -= off.x;
  lpRect->right -= off.x;
  lpRect->top -= off.y;
  lpRect->bottom -= off.y;
}

// ---- CDC: clipping ----

namespace {
int ClipResult(const CDC::Impl* d) {
  QRegion eff;
  if (!d->EffectiveClip(eff)) eff = d->BoundsRegion();
  return RegionType(eff);
}
}  // namespace

int CDC::IntersectClipRect(int x1, int y1, int x2, int y2) {
  CPoint off = d->Offset();
  QRect dev = QR(x1, y1, x2, y2).translated(off.x, off.y);
  d->st.clip = d->st.hasClip ? d->st.clip.intersected(dev) : d->BoundsRegion().intersected(dev);
  d->st.hasClip = true;
  return ClipResult(d);
}

int CDC::IntersectClipRect(LPCRECT lpRect) {
  if (lpRect == nullptr) return RGN_ERROR;
  return IntersectClipRect(lpRect->left, lpRect->top, lpRect->right, lpRect->bottom);
}

int CDC::ExcludeClipRect(int x1, int y1, int x2, int y2) {
  CPoint off = d->Offset();
  QRect dev = QR(x1, y1, x2, y2).translated(off.x, off.y);
  d->st.clip = (d->st.hasClip ? d->st.clip : d->BoundsRegion()).subtracted(dev);
  d->st.hasClip = true;
  return ClipResult(d);
}

int CDC::ExcludeClipRect(LPCRECT lpRect) {
  if (lpRect == nullptr) return RGN_ERROR;
  return ExcludeClipRect(lpRect->left, lpRect->top, lpRect->right, lpRect->bottom);
}

int CDC::SelectClipRgn(CRgn* pRgn) { return SelectClipRgn(pRgn, RGN_COPY); }

int CDC::SelectClipRgn(CRgn* pRgn, int nMode) {
  if (pRgn == nullptr) {
    if (nMode != RGN_COPY) return RGN_ERROR;
    d->st.hasClip = false;
    d->st.clip = QRegion();
    return ClipResult(d);
  }
  ObjectPtr o = Lookup(pRgn->m_hObject, Kind::Region);
  if (!o) return RGN_ERROR;
  QRegion current = d->st.hasClip ? d->st.clip : d->BoundsRegion();
  QRegion next;
  switch (nMode) {
    case RGN_COPY: next = o->region; break;
    case RGN_AND: next = current.intersected(o->region); break;
    case RGN_OR: next = current.united(o->region); break;
    case RGN_XOR: next = current.xored(o->region); break;
    case RGN_DIFF: next = current.subtracted(o->region); break;
    default: return RGN_ERROR;
  }
  d->st.clip = next;
  d->st.hasClip = true;
  return ClipResult(d);
}

int CDC::GetClipBox(LPRECT lpRect) const {
  if (lpRect == nullptr) return RGN_ERROR;
  QRegion eff;
  if (!d->EffectiveClip(eff)) eff = d->BoundsRegion();
  else if (d->SurfaceSize().isValid() && !d->SurfaceSize().isEmpty()) eff = eff.intersected(d->BoundsRegion());
  QRect b = eff.boundingRect();
  CPoint off = d->Offset();
  if (eff.isEmpty()) *lpRect = RECT{0, 0, 0, 0};
  else *lpRect = RECT{b.left() - off.x, b.top() - off.y, b.left() + b.width() - off.x, b.top() + b.height() - off.y};
  return RegionType(eff);
}

BOOL CDC::PtVisible(int x, int y) const {
  QRegion eff;
  if (!d->EffectiveClip(eff)) eff = d->BoundsRegion();
  CPoint off = d->Offset();
  return eff.contains(QPoint(x + off.x, y + off.y)) ? TRUE : FALSE;
}

BOOL CDC::RectVisible(LPCRECT lpRect) const {
  if (lpRect == nullptr) return FALSE;
  QRegion eff;
  if (!d->EffectiveClip(eff)) eff = d->BoundsRegion();
  CPoint off = d->Offset();
  return eff.intersects(ToQRect(*lpRect).translated(off.x, off.y)) ? TRUE : FALSE;
}

// ---- CDC: lines and shapes ----

namespace {
// Sets up pen, brush and drawing mode for a shape; false when the mode draws nothing.
bool SetupShape(QPainter* p, const DcState& st, bool withBrush) {
  if (st.rop2 == R2_NOP) return false;
  QPen pen = st.pen ? platform::gdi::QPenOf(*st.pen) : QPen(Qt::black);
  if (pen.style() != Qt::NoPen) pen.setColor(Rop2Colour(st.rop2, pen.color()));
  QBrush brush = (withBrush && st.brush) ? platform::gdi::QBrushOf(*st.brush) : QBrush(Qt::NoBrush);
  if (brush.style() != Qt::NoBrush && brush.style() != Qt::TexturePattern) {
    brush.setColor(Rop2Colour(st.rop2, brush.color()));
  }
  p->setPen(pen);
  p->setBrush(brush);
  p->setCompositionMode(ModeForRop2(st.rop2));
  return true;
}

// The background of a hatched brush in opaque mode.
void HatchBackground(QPainter* p, const DcState& st, const QPainterPath& area) {
  if (!st.brush || !IsHatched(*st.brush) || st.bkMode != OPAQUE) return;
  p->fillPath(area, ToQColor(st.bkColor));
}

// The rectangle a shape's outline runs along (Windows excludes the right and bottom edges).
QRect OutlineRect(const QRect& r, const DcState& st) {
  QRect o(r.left(), r.top(), r.width() - 1, r.height() - 1);
  if (st.pen && st.pen->penStyle == PS_INSIDEFRAME && st.pen->penWidth > 1) {
    int h = st.pen->penWidth / 2;
    o.adjust(h, h, -h, -h);
  }
  return o;
}

bool PenIsNull(const DcState& st) { return !st.pen || st.pen->penStyle == PS_NULL; }
}  // namespace

CPoint CDC::MoveTo(int x, int y) { return std::exchange(d->st.pos, CPoint(x, y)); }
CPoint CDC::GetCurrentPosition() const { return d->st.pos; }

BOOL CDC::LineTo(int x, int y) {
  CPoint from = d->st.pos;
  d->st.pos = CPoint(x, y);
  if (d->Recording()) {
    DrawRecord r = d->NewRecord(DrawOp::LineTo);
    r.points = {from, CPoint(x, y)};
    r.rect = CRect(std::min<int>(from.x, x), std::min<int>(from.y, y), std::max<int>(from.x, x), std::max<int>(from.y, y));
    d->Emit(r);
  }
  QPainter* p = d->Begin();
  if (p == nullptr || !SetupShape(p, d->st, false) || PenIsNull(d->st)) return TRUE;
  QPoint a(from.x, from.y), b(x, y);
  // A cosmetic pen with flat caps leaves out the last point, as Windows does.
  if (a != b) p->drawLine(a, b);
  return TRUE;
}

BOOL CDC::Polyline(const POINT* lpPoints, int nCount) {
  if (lpPoints == nullptr || nCount < 2) return FALSE;
  if (d->Recording()) {
    DrawRecord r = d->NewRecord(DrawOp::Polyline);
    for (int i = 0; i < nCount; ++i) r.points.emplace_back(lpPoints[i]);
    d->Emit(r);
  }
  QPainter* p = d->Begin();
  if (p == nullptr || !SetupShape(p, d->st, false) || PenIsNull(d->st)) return TRUE;
  QPolygon poly;
  for (int i = 0; i < nCount; ++i) poly << QPoint(lpPoints[i].x, lpPoints[i].y);
  p->drawPolyline(poly);
  return TRUE;
}

BOOL CDC::Polygon(const POINT* lpPoints, int nCount) {
  if (lpPoints == nullptr || nCount < 2) return FALSE;
  if (d->Recording()) {
    DrawRecord r = d->NewRecord(DrawOp::Polygon);
    for (int i = 0; i < nCount; ++i) r.points.emplace_back(lpPoints[i]);
    d->Emit(r);
  }
  QPainter* p = d->Begin();
  if (p == nullptr || !SetupShape(p, d->st, true)) return TRUE;
  QPolygon poly;
  for (int i = 0; i < nCount; ++i) poly << QPoint(lpPoints[i].x, lpPoints[i].y);
  Qt::FillRule rule = d->st.polyFill == WINDING ? Qt::WindingFill : Qt::OddEvenFill;
  QPainterPath path;
  path.addPolygon(poly);
  path.closeSubpath();
  path.setFillRule(rule);
  HatchBackground(p, d->st, path);
  p->drawPolygon(poly, rule);
  return TRUE;
}

namespace {
enum class Shape { Rect, RoundRect, Ellipse };

void DrawShape(CDC::Impl* d, DrawOp op, Shape shape, int x1, int y1, int x2, int y2, int rw, int rh) {
  QRect r = QR(x1, y1, x2, y2);
  if (d->Recording()) {
    DrawRecord rec = d->NewRecord(op);
    rec.rect = CRect(r.left(), r.top(), r.left() + r.width(), r.top() + r.height());
    if (shape == Shape::RoundRect) rec.points = {CPoint(rw, rh)};
    d->Emit(rec);
  }
  if (r.width() < 2 || r.height() < 2) return;
  QPainter* p = d->Begin();
  if (p == nullptr || !SetupShape(p, d->st, true)) return;
  const bool nullPen = PenIsNull(d->st);
  QRect o = nullPen ? QRect(r.left(), r.top(), r.width() - 1, r.height() - 1) : OutlineRect(r, d->st);
  QPainterPath path;
  switch (shape) {
    case Shape::Rect: path.addRect(QRectF(nullPen ? o : o.adjusted(0, 0, 1, 1))); break;
    case Shape::RoundRect: path.addRoundedRect(QRectF(o), std::abs(rw) / 2.0, std::abs(rh) / 2.0); break;
    case Shape::Ellipse: path.addEllipse(QRectF(o)); break;
  }
  HatchBackground(p, d->st, path);
  if (nullPen) {
    // Without an outline the filled area is one pixel smaller in each direction.
    if (shape == Shape::Rect) p->fillRect(o, p->brush());
    else p->drawPath(path);
    return;
  }
  switch (shape) {
    case Shape::Rect: p->drawRect(o); break;
    case Shape::RoundRect: p->drawRoundedRect(o, std::abs(rw) / 2.0, std::abs(rh) / 2.0); break;
    case Shape::Ellipse: p->drawEllipse(o); break;
  }
}
}  // namespace

BOOL CDC::Rectangle(int x1, int y1, int x2, int y2) {
  DrawShape(d, DrawOp::Rectangle, Shape::Rect, x1, y1, x2, y2, 0, 0);
  return TRUE;
}
BOOL CDC::Rectangle(LPCRECT lpRect) {
  if (lpRect == nullptr) return FALSE;
  return Rectangle(lpRect->left, lpRect->top, lpRect->right, lpRect->bottom);
}
BOOL CDC::RoundRect(int x1, int y1, int x2, int y2, int x3, int y3) {
  DrawShape(d, DrawOp::RoundRect, Shape::RoundRect, x1, y1, x2, y2, x3, y3);
  return TRUE;
}
BOOL CDC::RoundRect(LPCRECT lpRect, POINT point) {
  if (lpRect == nullptr) return FALSE;
  return RoundRect(lpRect->left, lpRect->top, lpRect->right, lpRect->bottom, point.x, point.y);
}
BOOL CDC::Ellipse(int x1, int y1, int x2, int y2) {
  DrawShape(d, DrawOp::Ellipse, Shape::Ellipse, x1, y1, x2, y2, 0, 0);
  return TRUE;
}
BOOL CDC::Ellipse(LPCRECT lpRect) {
  if (lpRect == nullptr) return FALSE;
  return Ellipse(lpRect->left, lpRect->top, lpRect->right, lpRect->bottom);
}

COLORREF CDC::SetPixel(int x, int y, COLORREF crColor) {
  crColor &= 0xFFFFFF;
  if (d->Recording()) {
    DrawRecord r = d->NewRecord(DrawOp::SetPixel);
    r.rect = CRect(x, y, x + 1, y + 1);
    r.color = crColor;
    d->Emit(r);
  }
  QPainter* p = d->Begin();
  if (p != nullptr) p->fillRect(QRect(x, y, 1, 1), ToQColor(crColor));
  return crColor;
}

COLORREF CDC::GetPixel(int x, int y) const {
  if (!PtVisible(x, y)) return CLR_INVALID;
  QImage holder;
  QTransform t;
  const QImage* img = d->Readable(holder, t);
  if (img == nullptr) return CLR_INVALID;
  QPoint q = t.map(QPoint(x, y));
  if (!img->valid(q)) return CLR_INVALID;
  return platform::gdi::FromQColor(QColor::fromRgb(img->pixel(q)));
}

// ---- CDC: areas ----

namespace {
void FillWithBrush(QPainter* p, const DcState& st, const QRegion& area, const platform::gdi::Object& brush) {
  if (brush.brushStyle == BS_NULL) return;
  QBrush b = platform::gdi::QBrushOf(brush);
  for (const QRect& r : area) {
    if (IsHatched(brush) && st.bkMode == OPAQUE) p->fillRect(r, ToQColor(st.bkColor));
    p->fillRect(r, b);
  }
}

// A 1-pixel frame inside a rectangle.
QRegion FrameOf(const QRect& r, int w, int h) {
  if (r.isEmpty()) return QRegion();
  QRegion outer(r);
  QRect inner = r.adjusted(w, h, -w, -h);
  return inner.isValid() && !inner.isEmpty() ? outer.subtracted(QRegion(inner)) : outer;
}
}  // namespace

void CDC::FillSolidRect(LPCRECT lpRect, COLORREF crColor) {
  if (lpRect == nullptr) return;
  crColor &= 0xFFFFFF;
  if (d->Recording()) {
    DrawRecord r = d->NewRecord(DrawOp::FillSolidRect);
    r.rect = CRect(*lpRect);
    r.color = crColor;
    r.bkColor = crColor;
    d->Emit(r);
  }
  d->st.bkColor = crColor;
  QPainter* p = d->Begin();
  if (p != nullptr) p->fillRect(ToQRect(*lpRect), ToQColor(crColor));
}

void CDC::FillSolidRect(int x, int y, int cx, int cy, COLORREF crColor) {
  RECT r{x, y, x + cx, y + cy};
  FillSolidRect(&r, crColor);
}

void CDC::FillRect(LPCRECT lpRect, CBrush* pBrush) {
  if (lpRect == nullptr || pBrush == nullptr) return;
  ObjectPtr brush = platform::gdi::ResolveBrush(static_cast<HBRUSH>(pBrush->m_hObject));
  if (!brush) return;
  if (d->Recording()) {
    DrawRecord r = d->NewRecord(DrawOp::FillRect);
    r.rect = CRect(*lpRect);
    r.brushColor = brush->brushColor;
    r.brushNull = brush->brushStyle == BS_NULL;
    d->Emit(r);
  }
  QPainter* p = d->Begin();
  if (p != nullptr) FillWithBrush(p, d->st, QRegion(ToQRect(*lpRect)), *brush);
}

void CDC::FrameRect(LPCRECT lpRect, CBrush* pBrush) {
  if (lpRect == nullptr || pBrush == nullptr) return;
  ObjectPtr brush = platform::gdi::ResolveBrush(static_cast<HBRUSH>(pBrush->m_hObject));
  if (!brush) return;
  if (d->Recording()) {
    DrawRecord r = d->NewRecord(DrawOp::FrameRect);
    r.rect = CRect(*lpRect);
    r.brushColor = brush->brushColor;
    r.brushNull = brush->brushStyle == BS_NULL;
    d->Emit(r);
  }
  QPainter* p = d->Begin();
  if (p != nullptr) FillWithBrush(p, d->st, FrameOf(ToQRect(*lpRect), 1, 1), *brush);
}

void CDC::InvertRect(LPCRECT lpRect) {
  if (lpRect == nullptr) return;
  if (d->Recording()) {
    DrawRecord r = d->NewRecord(DrawOp::InvertRect);
    r.rect = CRect(*lpRect);
    d->Emit(r);
  }
  QPainter* p = d->Begin();
  if (p == nullptr) return;
  p->setCompositionMode(QPainter::RasterOp_NotDestination);
  p->fillRect(ToQRect(*lpRect), Qt::black);
}

BOOL CDC::FillRgn(CRgn* pRgn, CBrush* pBrush) {
  if (pRgn == nullptr || pBrush == nullptr) return FALSE;
  ObjectPtr rgn = Lookup(pRgn->m_hObject, Kind::Region);
  ObjectPtr brush = platform::gdi::ResolveBrush(static_cast<HBRUSH>(pBrush->m_hObject));
  if (!rgn || !brush) return FALSE;
  if (d->Recording()) {
    DrawRecord r = d->NewRecord(DrawOp::FillRgn);
    QRect b = rgn->region.boundingRect();
    r.rect = CRect(b.left(), b.top(), b.left() + b.width(), b.top() + b.height());
    r.brushColor = brush->brushColor;
    r.brushNull = brush->brushStyle == BS_NULL;
    d->Emit(r);
  }
  QPainter* p = d->Begin();
  if (p != nullptr) FillWithBrush(p, d->st, rgn->region, *brush);
  return TRUE;
}

BOOL CDC::FrameRgn(CRgn* pRgn, CBrush* pBrush, int nWidth, int nHeight) {
  if (pRgn == nullptr || pBrush == nullptr || nWidth < 0 || nHeight < 0) return FALSE;
  ObjectPtr rgn = Lookup(pRgn->m_hObject, Kind::Region);
  ObjectPtr brush = platform::gdi::ResolveBrush(static_cast<HBRUSH>(pBrush->m_hObject));
  if (!rgn || !brush) return FALSE;
  if (d->Recording()) {
    DrawRecord r = d->NewRecord(DrawOp::FrameRgn);
    QRect b = rgn->region.boundingRect();
    r.rect = CRect(b.left(), b.top(), b.left() + b.width(), b.top() + b.height());
    r.brushColor = brush->brushColor;
    r.brushNull = brush->brushStyle == BS_NULL;
    d->Emit(r);
  }
  QPainter* p = d->Begin();
  if (p == nullptr) return TRUE;
  const QRegion& full = rgn->region;
  QRegion inner = full.intersected(full.translated(nWidth, 0))
                      .intersected(full.translated(-nWidth, 0))
                      .intersected(full.translated(0, nHeight))
                      .intersected(full.translated(0, -nHeight));
  FillWithBrush(p, d->st, full.subtracted(inner), *brush);
  return TRUE;
}

void CDC::Draw3dRect(LPCRECT lpRect, COLORREF clrTopLeft, COLORREF clrBottomRight) {
  if (lpRect == nullptr) return;
  Draw3dRect(lpRect->left, lpRect->top, lpRect->right - lpRect->left, lpRect->bottom - lpRect->top, clrTopLeft,
             clrBottomRight);
}

void CDC::Draw3dRect(int x, int y, int cx, int cy, COLORREF clrTopLeft, COLORREF clrBottomRight) {
  if (d->Recording()) {
    DrawRecord r = d->NewRecord(DrawOp::Draw3dRect);
    r.rect = CRect(x, y, x + cx, y + cy);
    r.color = clrTopLeft & 0xFFFFFF;
    r.color2 = clrBottomRight & 0xFFFFFF;
    d->Emit(r);
  }
  ++d->quiet;
  FillSolidRect(x, y, cx - 1, 1, clrTopLeft);
  FillSolidRect(x, y, 1, cy - 1, clrTopLeft);
  FillSolidRect(x + cx, y, -1, cy, clrBottomRight);
  FillSolidRect(x, y + cy, cx, -1, clrBottomRight);
  --d->quiet;
}

namespace {
// One ring of an edge: top and left in one colour, then bottom and right in the other.
void EdgeRing(QPainter* p, QRect& r, UINT sides, COLORREF tl, COLORREF br) {
  if (r.width() <= 0 || r.height() <= 0) return;
  const int l = r.left(), t = r.top(), rr = r.left() + r.width(), b = r.top() + r.height();
  if (p != nullptr) {
    if (sides & BF_LEFT) p->fillRect(QRect(l, t, 1, b - t - 1), ToQColor(tl));
    if (sides & BF_TOP) p->fillRect(QRect(l, t, rr - l - 1, 1), ToQColor(tl));
    if (sides & BF_RIGHT) p->fillRect(QRect(rr - 1, t, 1, b - t), ToQColor(br));
    if (sides & BF_BOTTOM) p->fillRect(QRect(l, b - 1, rr - l, 1), ToQColor(br));
  }
  r.adjust((sides & BF_LEFT) ? 1 : 0, (sides & BF_TOP) ? 1 : 0, (sides & BF_RIGHT) ? -1 : 0,
           (sides & BF_BOTTOM) ? -1 : 0);
}
}  // namespace

BOOL CDC::DrawEdge(LPRECT lpRect, UINT nEdge, UINT nFlags) {
  if (lpRect == nullptr) return FALSE;
  if (d->Recording()) {
    DrawRecord r = d->NewRecord(DrawOp::DrawEdge);
    r.rect = CRect(*lpRect);
    r.format = nEdge;
    r.flags = nFlags;
    d->Emit(r);
  }
  if (nFlags & BF_DIAGONAL) return TRUE;
  QPainter* p = d->Begin();
  QRect r = ToQRect(*lpRect);
  const UINT sides = nFlags & BF_RECT;
  COLORREF outerTL, outerBR, innerTL, innerBR;
  if (nFlags & BF_MONO) {
    outerTL = outerBR = GetSysColor(COLOR_WINDOWFRAME);
    innerTL = innerBR = GetSysColor(COLOR_WINDOW);
  } else if (nFlags & BF_FLAT) {
    outerTL = outerBR = GetSysColor(COLOR_BTNSHADOW);
    innerTL = innerBR = GetSysColor(COLOR_BTNFACE);
  } else {
    if (nEdge & BDR_RAISEDOUTER) {
      outerTL = GetSysColor(COLOR_3DLIGHT);
      outerBR = GetSysColor(COLOR_3DDKSHADOW);
    } else {
      outerTL = GetSysColor(COLOR_BTNSHADOW);
      outerBR = GetSysColor(COLOR_BTNHIGHLIGHT);
    }
    if (nEdge & BDR_RAISEDINNER) {
      innerTL = GetSysColor(COLOR_BTNHIGHLIGHT);
      innerBR = GetSysColor(COLOR_BTNSHADOW);
    } else {
      innerTL = GetSysColor(COLOR_3DDKSHADOW);
      innerBR = GetSysColor(COLOR_3DLIGHT);
    }
  }
  if (nEdge & BDR_OUTER) EdgeRing(p, r, sides, outerTL, outerBR);
  if (nEdge & BDR_INNER) EdgeRing(p, r, sides, innerTL, innerBR);
  if ((nFlags & BF_MIDDLE) && p != nullptr && r.width() > 0 && r.height() > 0) {
    p->fillRect(r, ToQColor(GetSysColor((nFlags & BF_MONO) ? COLOR_WINDOW : COLOR_BTNFACE)));
  }
  if (nFlags & BF_ADJUST) {
    *lpRect = RECT{r.left(), r.top(), r.left() + std::max(0, r.width()), r.top() + std::max(0, r.height())};
  }
  return TRUE;
}

void CDC::DrawFocusRect(LPCRECT lpRect) {
  if (lpRect == nullptr) return;
  if (d->Recording()) {
    DrawRecord r = d->NewRecord(DrawOp::DrawFocusRect);
    r.rect = CRect(*lpRect);
    d->Emit(r);
  }
  QPainter* p = d->Begin();
  QRect r = ToQRect(*lpRect);
  if (p == nullptr || r.width() <= 0 || r.height() <= 0) return;
  const int l = r.left(), t = r.top(), rr = r.left() + r.width() - 1, b = r.top() + r.height() - 1;
  QPolygon pts;
  auto dot = [&](int x, int y) {
    if (((x + y) & 1) == 0) pts << QPoint(x, y);
  };
  const int maxDots = 8192;  // a focus frame of a huge rectangle stays cheap
  for (int x = l; x <= rr && pts.size() < maxDots; ++x) {
    dot(x, t);
    if (b != t) dot(x, b);
  }
  for (int y = t + 1; y < b && pts.size() < 2 * maxDots; ++y) {
    dot(l, y);
    if (rr != l) dot(rr, y);
  }
  p->setCompositionMode(QPainter::RasterOp_NotDestination);
  QPen pen(Qt::black);
  pen.setWidth(0);
  p->setPen(pen);
  p->drawPoints(pts);
}
