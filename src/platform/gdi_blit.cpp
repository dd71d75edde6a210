// Blits of the device context (BitBlt, StretchBlt, pattern and transparent copies, DrawState) and
// the free drawing functions that stand on it.
#include <QPainter>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "platform/gdi.h"
#include "platform/gdi_internal.h"

using platform::DrawOp;
using platform::DrawRecord;
using platform::gdi::Kind;
using platform::gdi::Lookup;
using platform::gdi::ObjectPtr;
using platform::gdi::ToQColor;
using platform::gdi::ToQRect;

// ---- CDC: blits ----

namespace {
bool NeedsSource(DWORD rop) {
  return rop != PATCOPY && rop != PATINVERT && rop != DSTINVERT && rop != BLACKNESS && rop != WHITENESS;
}

// Pixels of a source rectangle, converted for the destination (monochrome rules of Windows) and
// made opaque. False when the source cannot be read.
bool SourcePatch(CDC::Impl* src, const CDC::Impl* dst, int xs, int ys, int w, int h, QImage& out) {
  if (src == nullptr || w <= 0 || h <= 0) return false;
  QImage patch;
  if (src->ReadWindowPatch(QRect(xs, ys, w, h), patch)) {
    out = platform::gdi::OpaqueCopy(std::move(patch));
  } else {
    QImage holder;
    QTransform t;
    const QImage* img = src->Readable(holder, t);
    if (img == nullptr) return false;
    QRect r = t.mapRect(QRect(xs, ys, w, h));
    out = platform::gdi::OpaqueCopy(img->copy(r));
  }
  if (out.isNull()) return false;
  if (out.size() != QSize(w, h)) out = out.scaled(w, h);
  const bool srcMono = src->IsMonochrome(), dstMono = dst->IsMonochrome();
  if (srcMono != dstMono) {
    const QRgb text = ToQColor(dst->st.textColor).rgb(), bk = ToQColor(dst->st.bkColor).rgb();
    const QRgb srcBk = ToQColor(src->st.bkColor).rgb() & 0xFFFFFF;
    for (int y = 0; y < out.height(); ++y) {
      auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
      for (int x = 0; x < out.width(); ++x) {
        if (srcMono) line[x] = qGray(line[x]) >= 128 ? bk : text;
        else line[x] = (line[x] & 0xFFFFFF) == srcBk ? 0xFFFFFFFFu : 0xFF000000u;
      }
    }
  }
  return true;
}

bool ApplyRop(QPainter* p, const QRect& dest, QImage patch, DWORD rop, const DcState& st, bool smooth) {
  QPainter::CompositionMode mode;
  switch (rop) {
    case SRCCOPY: mode = QPainter::CompositionMode_Source; break;
    case NOTSRCCOPY:
      patch.invertPixels();
      mode = QPainter::CompositionMode_Source;
      break;
    case SRCAND: mode = QPainter::RasterOp_SourceAndDestination; break;
    case SRCPAINT: mode = QPainter::RasterOp_SourceOrDestination; break;
    case SRCINVERT: mode = QPainter::RasterOp_SourceXorDestination; break;
    case SRCERASE: mode = QPainter::RasterOp_SourceAndNotDestination; break;
    case NOTSRCERASE: mode = QPainter::RasterOp_NotSourceAndNotDestination; break;
    case MERGEPAINT: mode = QPainter::RasterOp_NotSourceOrDestination; break;
    case MERGECOPY: {
      const QRgb b = ToQColor(st.brush ? st.brush->brushColor : 0).rgb();
      for (int y = 0; y < patch.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(patch.scanLine(y));
        for (int x = 0; x < patch.width(); ++x) line[x] = (line[x] & b) | 0xFF000000u;
      }
      mode = QPainter::CompositionMode_Source;
      break;
    }
    default: return false;
  }
  p->setCompositionMode(mode);
  p->setRenderHint(QPainter::SmoothPixmapTransform, smooth);
  p->drawImage(dest, patch);
  return true;
}

bool PatternFill(QPainter* p, const QRect& dest, DWORD rop, const DcState& st) {
  switch (rop) {
    case PATCOPY:
      if (st.brush && st.brush->brushStyle != BS_NULL) {
        p->setCompositionMode(QPainter::CompositionMode_Source);
        p->fillRect(dest, platform::gdi::QBrushOf(*st.brush));
      }
      return true;
    case PATINVERT:
      if (st.brush && st.brush->brushStyle != BS_NULL) {
        p->setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        p->fillRect(dest, ToQColor(st.brush->brushColor));
      }
      return true;
    case DSTINVERT:
      p->setCompositionMode(QPainter::RasterOp_NotDestination);
      p->fillRect(dest, Qt::black);
      return true;
    case BLACKNESS:
      p->setCompositionMode(QPainter::CompositionMode_Source);
      p->fillRect(dest, Qt::black);
      return true;
    case WHITENESS:
      p->setCompositionMode(QPainter::CompositionMode_Source);
      p->fillRect(dest, Qt::white);
      return true;
    default: return false;
  }
}

bool KnownRop(DWORD rop) {
  switch (rop) {
    case SRCCOPY: case NOTSRCCOPY: case SRCAND: case SRCPAINT: case SRCINVERT: case SRCERASE:
    case NOTSRCERASE: case MERGEPAINT: case MERGECOPY: case PATCOPY: case PATINVERT: case DSTINVERT:
    case BLACKNESS: case WHITENESS: return true;
    default: return false;
  }
}

CSize SizeOf(const CDC::Impl* src) {
  if (src == nullptr) return CSize();
  QSize s = src->SurfaceSize();
  return s.isValid() ? CSize(s.width(), s.height()) : CSize();
}

// The record of a blit into dest: where it goes, and where it reads from when it has a source.
DrawRecord BlitRecord(const CDC::Impl* dest, DrawOp op, const CRect& rect, bool hasSource, const CDC::Impl* src,
                      const CRect& srcRect) {
  DrawRecord r = dest->NewRecord(op);
  r.rect = rect;
  if (hasSource) {
    r.srcRect = srcRect;
    r.srcSize = SizeOf(src);
  }
  return r;
}

// Keys out the pixels of a colour (they become fully transparent).
QImage KeyOut(const QImage& opaque, COLORREF key) {
  QImage out = opaque.convertToFormat(QImage::Format_ARGB32);
  const QRgb k = ToQColor(key).rgb() & 0xFFFFFF;
  for (int y = 0; y < out.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
    for (int x = 0; x < out.width(); ++x) {
      if ((line[x] & 0xFFFFFF) == k) line[x] = 0;
      else line[x] |= 0xFF000000u;
    }
  }
  return out;
}
}  // namespace

BOOL CDC::BitBlt(int x, int y, int nWidth, int nHeight, CDC* pSrcDC, int xSrc, int ySrc, DWORD dwRop) {
  if (!KnownRop(dwRop)) return FALSE;
  const bool needsSrc = NeedsSource(dwRop);
  if (needsSrc && pSrcDC == nullptr) return FALSE;
  if (nWidth < 0) { x += nWidth; xSrc += nWidth; nWidth = -nWidth; }
  if (nHeight < 0) { y += nHeight; ySrc += nHeight; nHeight = -nHeight; }
  if (d->Recording()) {
    DrawRecord r = BlitRecord(d, DrawOp::BitBlt, CRect(x, y, x + nWidth, y + nHeight), needsSrc,
                              needsSrc ? pSrcDC->d : nullptr, CRect(xSrc, ySrc, xSrc + nWidth, ySrc + nHeight));
    r.rop = dwRop;
    d->Emit(r);
  }
  if (nWidth == 0 || nHeight == 0) return TRUE;
  QImage patch;
  if (needsSrc && !SourcePatch(pSrcDC->d, d, xSrc, ySrc, nWidth, nHeight, patch)) return TRUE;
  QPainter* p = d->Begin();
  if (p == nullptr) return TRUE;
  QRect dest(x, y, nWidth, nHeight);
  if (!needsSrc) return PatternFill(p, dest, dwRop, d->st) ? TRUE : FALSE;
  return ApplyRop(p, dest, patch, dwRop, d->st, false) ? TRUE : FALSE;
}

BOOL CDC::StretchBlt(int x, int y, int nWidth, int nHeight, CDC* pSrcDC, int xSrc, int ySrc, int nSrcWidth,
                     int nSrcHeight, DWORD dwRop) {
  if (!KnownRop(dwRop)) return FALSE;
  const bool needsSrc = NeedsSource(dwRop);
  if (needsSrc && pSrcDC == nullptr) return FALSE;
  if (d->Recording()) {
    DrawRecord r = BlitRecord(d, DrawOp::StretchBlt, CRect(x, y, x + nWidth, y + nHeight), needsSrc,
                              needsSrc ? pSrcDC->d : nullptr, CRect(xSrc, ySrc, xSrc + nSrcWidth, ySrc + nSrcHeight));
    r.rop = dwRop;
    d->Emit(r);
  }
  if (nWidth == 0 || nHeight == 0 || (needsSrc && (nSrcWidth == 0 || nSrcHeight == 0))) return TRUE;
  const bool flipX = (nWidth < 0) != (nSrcWidth < 0), flipY = (nHeight < 0) != (nSrcHeight < 0);
  QRect dest = ToQRect(RECT{x, y, x + nWidth, y + nHeight});
  if (std::llabs(static_cast<long long>(dest.width())) * dest.height() > 64LL * 1024 * 1024) return FALSE;
  QImage patch;
  if (needsSrc) {
    QRect src = ToQRect(RECT{xSrc, ySrc, xSrc + nSrcWidth, ySrc + nSrcHeight});
    if (!SourcePatch(pSrcDC->d, d, src.left(), src.top(), src.width(), src.height(), patch)) return TRUE;
    if (flipX || flipY) patch = patch.mirrored(flipX, flipY);
  }
  QPainter* p = d->Begin();
  if (p == nullptr) return TRUE;
  if (!needsSrc) return PatternFill(p, dest, dwRop, d->st) ? TRUE : FALSE;
  return ApplyRop(p, dest, patch, dwRop, d->st, d->st.stretchMode == HALFTONE) ? TRUE : FALSE;
}

BOOL CDC::TransparentBlt(int xDest, int yDest, int nDestWidth, int nDestHeight, CDC* pSrcDC, int xSrc, int ySrc,
                         int nSrcWidth, int nSrcHeight, UINT crTransparent) {
  if (pSrcDC == nullptr || nDestWidth <= 0 || nDestHeight <= 0 || nSrcWidth <= 0 || nSrcHeight <= 0) return FALSE;
  if (static_cast<long long>(nDestWidth) * nDestHeight > 64LL * 1024 * 1024) return FALSE;
  if (d->Recording()) {
    DrawRecord r = BlitRecord(d, DrawOp::TransparentBlt, CRect(xDest, yDest, xDest + nDestWidth, yDest + nDestHeight),
                              true, pSrcDC->d, CRect(xSrc, ySrc, xSrc + nSrcWidth, ySrc + nSrcHeight));
    r.hasTransparentKey = true;
    r.transparentKey = crTransparent & 0xFFFFFF;
    d->Emit(r);
  }
  QImage patch;
  if (!SourcePatch(pSrcDC->d, d, xSrc, ySrc, nSrcWidth, nSrcHeight, patch)) return TRUE;
  QImage keyed = KeyOut(patch, crTransparent);
  if (keyed.size() != QSize(nDestWidth, nDestHeight)) {
    keyed = keyed.scaled(nDestWidth, nDestHeight, Qt::IgnoreAspectRatio, Qt::FastTransformation);
  }
  QPainter* p = d->Begin();
  if (p != nullptr) p->drawImage(QPoint(xDest, yDest), keyed);
  return TRUE;
}

BOOL CDC::PatBlt(int x, int y, int nWidth, int nHeight, DWORD dwRop) {
  if (NeedsSource(dwRop)) return FALSE;
  QRect dest = ToQRect(RECT{x, y, x + nWidth, y + nHeight});
  if (d->Recording()) {
    DrawRecord r = d->NewRecord(DrawOp::PatBlt);
    r.rect = CRect(dest.left(), dest.top(), dest.left() + dest.width(), dest.top() + dest.height());
    r.rop = dwRop;
    d->Emit(r);
  }
  QPainter* p = d->Begin();
  if (p == nullptr || dest.isEmpty()) return TRUE;
  return PatternFill(p, dest, dwRop, d->st) ? TRUE : FALSE;
}

namespace {
// An embossed image of the dark parts of an icon or bitmap, as a disabled state shows it.
void DrawEmbossed(QPainter* p, const QRect& dest, const QImage& img) {
  QImage scaled = img.size() == dest.size() ? img : img.scaled(dest.size());
  QImage light(scaled.size(), QImage::Format_ARGB32), dark(scaled.size(), QImage::Format_ARGB32);
  light.fill(0);
  dark.fill(0);
  const QRgb hi = ToQColor(GetSysColor(COLOR_3DHILIGHT)).rgb(), sh = ToQColor(GetSysColor(COLOR_3DSHADOW)).rgb();
  for (int y = 0; y < scaled.height(); ++y) {
    for (int x = 0; x < scaled.width(); ++x) {
      QRgb px = scaled.pixel(x, y);
      if (qAlpha(px) >= 128 && qGray(px) < 192) {
        light.setPixel(x, y, hi);
        dark.setPixel(x, y, sh);
      }
    }
  }
  p->drawImage(dest.topLeft() + QPoint(1, 1), light);
  p->drawImage(dest.topLeft(), dark);
}
}  // namespace

BOOL CDC::DrawIcon(int x, int y, HICON hIcon) {
  ObjectPtr icon = Lookup(hIcon, Kind::Icon);
  if (!icon) return FALSE;
  const int cx = GetSystemMetrics(SM_CXICON), cy = GetSystemMetrics(SM_CYICON);
  if (d->Recording()) {
    DrawRecord r = d->NewRecord(DrawOp::DrawIcon);
    r.rect = CRect(x, y, x + cx, y + cy);
    r.srcSize = CSize(icon->image.width(), icon->image.height());
    d->Emit(r);
  }
  QPainter* p = d->Begin();
  if (p != nullptr) {
    p->setRenderHint(QPainter::SmoothPixmapTransform, true);
    p->drawImage(QRect(x, y, cx, cy), icon->image);
  }
  return TRUE;
}

namespace {
BOOL DrawStateImage(CDC::Impl* d, CPoint pt, CSize size, const QImage& img, UINT nFlags) {
  QSize s = (size.cx > 0 && size.cy > 0) ? QSize(size.cx, size.cy) : img.size();
  if (d->Recording()) {
    DrawRecord r = d->NewRecord(DrawOp::DrawState);
    r.rect = CRect(pt.x, pt.y, pt.x + s.width(), pt.y + s.height());
    r.format = nFlags;
    r.srcSize = CSize(img.width(), img.height());
    d->Emit(r);
  }
  QPainter* p = d->Begin();
  if (p == nullptr) return TRUE;
  QRect dest(QPoint(pt.x, pt.y), s);
  if (nFlags & DSS_DISABLED) DrawEmbossed(p, dest, img);
  else p->drawImage(dest, img);
  return TRUE;
}
}  // namespace

BOOL CDC::DrawState(CPoint pt, CSize size, HICON hIcon, UINT nFlags, CBrush* pBrush) {
  (void)pBrush;
  ObjectPtr icon = Lookup(hIcon, Kind::Icon);
  if (!icon) return FALSE;
  return DrawStateImage(d, pt, size, icon->image, nFlags);
}

BOOL CDC::DrawState(CPoint pt, CSize size, HBITMAP hBitmap, UINT nFlags, HBRUSH hBrush) {
  (void)hBrush;
  ObjectPtr bmp = Lookup(hBitmap, Kind::Bitmap);
  if (!bmp) return FALSE;
  return DrawStateImage(d, pt, size, platform::gdi::OpaqueCopy(bmp->image), nFlags);
}

BOOL CDC::DrawState(CPoint pt, CSize size, CBitmap* pBitmap, UINT nFlags, CBrush* pBrush) {
  if (pBitmap == nullptr) return FALSE;
  return DrawState(pt, size, static_cast<HBITMAP>(pBitmap->m_hObject), nFlags,
                   pBrush != nullptr ? static_cast<HBRUSH>(pBrush->m_hObject) : nullptr);
}

// ---- free functions ----

BOOL platform::DrawTransparentBitmap(CDC* pDC, CBitmap* pBitmap, int x, int y, COLORREF key) {
  if (pDC == nullptr || pBitmap == nullptr) return FALSE;
  ObjectPtr bmp = Lookup(pBitmap->m_hObject, Kind::Bitmap);
  if (!bmp) return FALSE;
  CDC::Impl* d = pDC->GetImpl();
  const int w = bmp->image.width(), h = bmp->image.height();
  if (d->Recording()) {
    DrawRecord r = d->NewRecord(DrawOp::TransparentBlt);
    r.rect = CRect(x, y, x + w, y + h);
    r.srcRect = CRect(0, 0, w, h);
    r.srcSize = CSize(w, h);
    r.hasTransparentKey = true;
    r.transparentKey = key & 0xFFFFFF;
    d->Emit(r);
  }
  QPainter* p = d->Begin();
  if (p != nullptr) p->drawImage(QPoint(x, y), KeyOut(platform::gdi::OpaqueCopy(bmp->image), key));
  return TRUE;
}

int FillRect(HDC hDC, const RECT* lpRect, HBRUSH hBrush) {
  CDC* dc = CDC::FromHandle(hDC);
  CBrush* brush = CBrush::FromHandle(hBrush);
  if (dc == nullptr || brush == nullptr || lpRect == nullptr) return 0;
  dc->FillRect(lpRect, brush);
  return 1;
}
