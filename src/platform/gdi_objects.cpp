// The GDI objects behind the handles (pens, brushes, fonts, bitmaps, icons, regions), their
// wrapper classes, the stock objects, and the fixed tables of system colours and metrics.
#include <QFontMetrics>
#include <QApplication>
#include <QGuiApplication>
#include <QPainterPath>
#include <QScreen>
#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstring>
#include <mutex>
#include <unordered_map>

#include "platform/gdi.h"
#include "platform/gdi_internal.h"
#include "platform/resources.h"

namespace platform {
namespace gdi {
namespace {

constexpr int kMaxFontPixels = 2048;
constexpr int kDefaultFontPixels = 11;
constexpr long long kMaxBitmapPixels = 64LL * 1024 * 1024;
constexpr int kMaxBitmapSide = 32767;

struct Table {
  std::recursive_mutex mu;
  std::unordered_map<uintptr_t, ObjectPtr> objects;
  std::unordered_map<uintptr_t, CGdiObject*> owners;
  std::unordered_map<uintptr_t, std::unique_ptr<CGdiObject>> standIns;
  std::vector<std::unique_ptr<CGdiObject>> retired;  // stand-ins of deleted handles, freed later
  uintptr_t next = 0x10000;
  HGDIOBJ stock[DEFAULT_GUI_FONT + 1] = {};
  HGDIOBJ sysBrushes[COLOR_MENUBAR + 1] = {};
  HGDIOBJ defaultBitmap = nullptr;
  std::unordered_map<QString, HGDIOBJ> windowFonts;  // FontHandleOf, by font key
};

Table& T() {
  static Table* table = new Table;  // lives for the whole process (objects may die after Qt)
  return *table;
}

uintptr_t Key(HGDIOBJ h) { return reinterpret_cast<uintptr_t>(h); }

bool IsClass(CGdiObject* o, Kind kind) {
  switch (kind) {
    case Kind::Pen: return dynamic_cast<CPen*>(o) != nullptr;
    case Kind::Brush: return dynamic_cast<CBrush*>(o) != nullptr;
    case Kind::Font: return dynamic_cast<CFont*>(o) != nullptr;
    case Kind::Bitmap: return dynamic_cast<CBitmap*>(o) != nullptr;
    case Kind::Region: return dynamic_cast<CRgn*>(o) != nullptr;
    case Kind::Icon: return false;
  }
  return false;
}

CGdiObject* NewStandIn(Kind kind) {
  switch (kind) {
    case Kind::Pen: return new CPen;
    case Kind::Brush: return new CBrush;
    case Kind::Font: return new CFont;
    case Kind::Bitmap: return new CBitmap;
    case Kind::Region: return new CRgn;
    case Kind::Icon: return nullptr;
  }
  return nullptr;
}

HGDIOBJ RegisterStock(ObjectPtr o) {
  o->stock = true;
  return Register(std::move(o));
}

LOGFONT MakeLogFont(int height, int weight, BYTE pitchFamily, const wchar_t* face) {
  LOGFONT lf{};
  lf.lfHeight = height;
  lf.lfWeight = weight;
  lf.lfCharSet = DEFAULT_CHARSET;
  lf.lfPitchAndFamily = pitchFamily;
  std::wcsncpy(lf.lfFaceName, face, LF_FACESIZE - 1);
  return lf;
}

QFont::StyleHint HintFor(const LOGFONT& lf, const QString& face) {
  const QString f = face.toLower();
  if ((lf.lfPitchAndFamily & 0x3) == FIXED_PITCH || (lf.lfPitchAndFamily & 0xF0) == FF_MODERN ||
      f.contains(QLatin1String("courier")) || f == QLatin1String("terminal") || f == QLatin1String("fixedsys") ||
      f == QLatin1String("consolas") || f == QLatin1String("lucida console")) {
    return QFont::Monospace;
  }
  if ((lf.lfPitchAndFamily & 0xF0) == FF_ROMAN || f.startsWith(QLatin1String("times"))) return QFont::Serif;
  return QFont::SansSerif;
}

// The largest pixel size whose cell (ascent + descent) fits the height.
int FitCellHeight(QFont f, int cell) {
  if (!HaveGui()) return cell;
  int lo = 1, hi = cell, best = 1;
  while (lo <= hi) {
    int mid = lo + (hi - lo) / 2;
    f.setPixelSize(mid);
    if (QFontMetrics(f).height() <= cell) {
      best = mid;
      lo = mid + 1;
    } else {
      hi = mid - 1;
    }
  }
  return best;
}

int RegionType(const QRegion& r) {
  if (r.isEmpty()) return NULLREGION;
  return r.rectCount() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

// Shaped regions are rasterised scan line by scan line; beyond this distance from the origin
// (far outside any window) they are cut off, so absurd coordinates cost no more than large ones.
constexpr int kShapeLimit = 4096;

bool WithinShapeLimit(const QRectF& r) {
  return r.left() >= -kShapeLimit && r.top() >= -kShapeLimit && r.right() <= kShapeLimit && r.bottom() <= kShapeLimit;
}

QRegion BoundedRegion(QPainterPath path) {
  if (!WithinShapeLimit(path.boundingRect())) {
    QPainterPath box;
    box.addRect(QRectF(-kShapeLimit, -kShapeLimit, 2.0 * kShapeLimit, 2.0 * kShapeLimit));
    path = path.intersected(box);
  }
  return QRegion(path.toFillPolygon().toPolygon(), path.fillRule());
}

bool ValidBitmapSize(long long w, long long h) {
  return w > 0 && h > 0 && w <= kMaxBitmapSide && h <= kMaxBitmapSide && w * h <= kMaxBitmapPixels;
}

int RowBytes(int width, int bpp) { return ((width * bpp + 15) / 16) * 2; }

}  // namespace

// ---- helpers ----

bool HaveGui() { return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr; }

QColor ToQColor(COLORREF c) { return QColor(GetRValue(c), GetGValue(c), GetBValue(c)); }

COLORREF FromQColor(QColor c) {
  QRgb v = c.rgb();
  return RGB(qRed(v), qGreen(v), qBlue(v));
}

QRect ToQRect(const RECT& r) {
  long long l = std::min(r.left, r.right), rr = std::max(r.left, r.right);
  long long t = std::min(r.top, r.bottom), b = std::max(r.top, r.bottom);
  long long w = std::min<long long>(rr - l, INT_MAX), h = std::min<long long>(b - t, INT_MAX);
  return QRect(static_cast<int>(l), static_cast<int>(t), static_cast<int>(w), static_cast<int>(h));
}

QString FaceName(const LOGFONT& lf) {
  size_t n = 0;
  while (n < LF_FACESIZE && lf.lfFaceName[n] != 0) ++n;
  return QString::fromWCharArray(lf.lfFaceName, static_cast<qsizetype>(n));
}

QImage NormaliseImage(const QImage& image) {
  if (image.isNull()) return QImage();
  if (image.hasAlphaChannel()) return image.convertToFormat(QImage::Format_ARGB32);
  return image.convertToFormat(QImage::Format_RGB32);
}

QImage OpaqueCopy(QImage image) {
  // A temporary of the same depth (a patch just copied out) is converted in its own pixels.
  QImage out = std::move(image).convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < out.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
    for (int x = 0; x < out.width(); ++x) line[x] |= 0xFF000000u;
  }
  out.reinterpretAsFormat(QImage::Format_RGB32);
  return out;
}

// ---- handle table ----

HGDIOBJ Register(ObjectPtr object) {
  if (!object) return nullptr;
  Table& t = T();
  std::lock_guard<std::recursive_mutex> lock(t.mu);
  t.retired.clear();
  uintptr_t key = t.next;
  t.next += 16;
  t.objects.emplace(key, std::move(object));
  return reinterpret_cast<HGDIOBJ>(key);
}

ObjectPtr Lookup(HGDIOBJ handle) {
  if (handle == nullptr) return nullptr;
  Table& t = T();
  std::lock_guard<std::recursive_mutex> lock(t.mu);
  auto it = t.objects.find(Key(handle));
  return it == t.objects.end() ? nullptr : it->second;
}

ObjectPtr Lookup(HGDIOBJ handle, Kind kind) {
  ObjectPtr o = Lookup(handle);
  return (o && o->kind == kind) ? o : nullptr;
}

bool Remove(HGDIOBJ handle) {
  Table& t = T();
  std::lock_guard<std::recursive_mutex> lock(t.mu);
  auto it = t.objects.find(Key(handle));
  if (it == t.objects.end()) return false;
  if (it->second->stock) return true;
  t.objects.erase(it);
  t.owners.erase(Key(handle));
  auto s = t.standIns.find(Key(handle));
  if (s != t.standIns.end()) {
    s->second->m_hObject = nullptr;
    t.retired.push_back(std::move(s->second));
    t.standIns.erase(s);
  }
  return true;
}

void SetOwner(HGDIOBJ handle, CGdiObject* owner) {
  Table& t = T();
  std::lock_guard<std::recursive_mutex> lock(t.mu);
  t.owners[Key(handle)] = owner;
}

void ClearOwner(HGDIOBJ handle, CGdiObject* owner) {
  Table& t = T();
  std::lock_guard<std::recursive_mutex> lock(t.mu);
  auto it = t.owners.find(Key(handle));
  if (it != t.owners.end() && it->second == owner) t.owners.erase(it);
}

CGdiObject* Wrapper(HGDIOBJ handle, Kind kind) {
  Table& t = T();
  std::lock_guard<std::recursive_mutex> lock(t.mu);
  t.retired.clear();
  auto it = t.objects.find(Key(handle));
  if (it == t.objects.end() || it->second->kind != kind) return nullptr;
  auto o = t.owners.find(Key(handle));
  if (o != t.owners.end() && IsClass(o->second, kind)) return o->second;
  auto s = t.standIns.find(Key(handle));
  if (s != t.standIns.end()) return s->second.get();
  CGdiObject* w = NewStandIn(kind);
  if (w == nullptr) return nullptr;
  w->m_hObject = handle;
  t.standIns.emplace(Key(handle), std::unique_ptr<CGdiObject>(w));
  return w;
}

HGDIOBJ StockHandle(int index) {
  if (index < 0 || index > DEFAULT_GUI_FONT) return nullptr;
  Table& t = T();
  std::lock_guard<std::recursive_mutex> lock(t.mu);
  if (t.stock[index] != nullptr) return t.stock[index];
  ObjectPtr o;
  switch (index) {
    case WHITE_BRUSH: o = MakeBrush(BS_SOLID, RGB(255, 255, 255), 0); break;
    case LTGRAY_BRUSH: o = MakeBrush(BS_SOLID, RGB(192, 192, 192), 0); break;
    case GRAY_BRUSH: o = MakeBrush(BS_SOLID, RGB(128, 128, 128), 0); break;
    case DKGRAY_BRUSH: o = MakeBrush(BS_SOLID, RGB(64, 64, 64), 0); break;
    case BLACK_BRUSH: o = MakeBrush(BS_SOLID, RGB(0, 0, 0), 0); break;
    case NULL_BRUSH: o = MakeBrush(BS_NULL, 0, 0); break;
    case WHITE_PEN: o = MakePen(PS_SOLID, 0, RGB(255, 255, 255)); break;
    case BLACK_PEN: o = MakePen(PS_SOLID, 0, RGB(0, 0, 0)); break;
    case NULL_PEN: o = MakePen(PS_NULL, 0, 0); break;
    case OEM_FIXED_FONT: o = MakeFont(MakeLogFont(12, FW_NORMAL, FIXED_PITCH | FF_MODERN, L"Terminal")); break;
    case ANSI_FIXED_FONT: o = MakeFont(MakeLogFont(12, FW_NORMAL, FIXED_PITCH | FF_MODERN, L"Courier")); break;
    case ANSI_VAR_FONT: o = MakeFont(MakeLogFont(-11, FW_NORMAL, VARIABLE_PITCH | FF_SWISS, L"MS Sans Serif")); break;
    case SYSTEM_FONT:
    case DEVICE_DEFAULT_FONT: o = MakeFont(MakeLogFont(16, FW_BOLD, VARIABLE_PITCH | FF_SWISS, L"System")); break;
    case SYSTEM_FIXED_FONT: o = MakeFont(MakeLogFont(15, FW_NORMAL, FIXED_PITCH | FF_MODERN, L"Fixedsys")); break;
    case DEFAULT_GUI_FONT: o = MakeFont(MakeLogFont(-11, FW_NORMAL, VARIABLE_PITCH | FF_SWISS, L"MS Shell Dlg")); break;
    default: return nullptr;
  }
  t.stock[index] = RegisterStock(o);
  return t.stock[index];
}

HGDIOBJ DefaultBitmapHandle() {
  Table& t = T();
  std::lock_guard<std::recursive_mutex> lock(t.mu);
  if (t.defaultBitmap == nullptr) {
    QImage one(1, 1, QImage::Format_RGB32);
    one.fill(Qt::black);
    t.defaultBitmap = RegisterStock(MakeBitmap(one, 1));
  }
  return t.defaultBitmap;
}

ObjectPtr ResolveBrush(HBRUSH brush, HGDIOBJ* resolved) {
  HGDIOBJ h = brush;
  uintptr_t v = Key(h);
  if (v >= 1 && v <= COLOR_MENUBAR + 1) h = GetSysColorBrush(static_cast<int>(v - 1));
  if (resolved != nullptr) *resolved = h;
  return Lookup(h, Kind::Brush);
}

// ---- object contents ----

ObjectPtr MakePen(int style, int width, COLORREF color) {
  auto o = std::make_shared<Object>(Kind::Pen);
  o->penStyle = style & PS_STYLE_MASK;
  if (o->penStyle > PS_INSIDEFRAME) o->penStyle = PS_SOLID;
  o->penWidth = std::clamp(width, 0, 4096);
  o->penColor = color & 0xFFFFFF;
  return o;
}

ObjectPtr MakeBrush(int style, COLORREF color, int hatch) {
  auto o = std::make_shared<Object>(Kind::Brush);
  o->brushStyle = style;
  o->brushColor = color & 0xFFFFFF;
  o->hatch = hatch;
  return o;
}

ObjectPtr MakeFont(const LOGFONT& lfIn) {
  auto o = std::make_shared<Object>(Kind::Font);
  LOGFONT lf = lfIn;
  lf.lfFaceName[LF_FACESIZE - 1] = 0;
  o->lf = lf;
  QFont f;
  const QString face = FaceName(lf);
  f.setFamily(face.isEmpty() ? QStringLiteral("Sans Serif") : face);
  f.setStyleHint(HintFor(lf, face));
  long long h = lf.lfHeight;
  long long mag = std::min<long long>(h < 0 ? -h : h, kMaxFontPixels);
  if (h < 0) f.setPixelSize(static_cast<int>(std::max<long long>(1, mag)));
  else if (h > 0 && lf.lfWidth == 0) {
    o->fitBase = f;
    o->fitCell = static_cast<int>(mag);
    f.setPixelSize(static_cast<int>(mag));  // until it is fitted
  } else if (h > 0) f.setPixelSize(FitCellHeight(f, static_cast<int>(mag)));
  else f.setPixelSize(kDefaultFontPixels);
  int weight = lf.lfWeight <= 0 ? FW_NORMAL : std::min<int>(lf.lfWeight, FW_HEAVY);
  f.setWeight(static_cast<QFont::Weight>(weight));
  f.setItalic(lf.lfItalic != 0);
  f.setUnderline(lf.lfUnderline != 0);
  f.setStrikeOut(lf.lfStrikeOut != 0);
  f.setKerning(false);
  if (lf.lfQuality == NONANTIALIASED_QUALITY) f.setStyleStrategy(QFont::NoAntialias);
  if (lf.lfWidth != 0 && HaveGui()) {
    int avg = QFontMetrics(f).averageCharWidth();
    long long w = lf.lfWidth < 0 ? -static_cast<long long>(lf.lfWidth) : lf.lfWidth;
    if (avg > 0) f.setStretch(static_cast<int>(std::clamp<long long>(w * 100 / avg, 1, 4000)));
  }
  o->font = f;
  return o;
}

const QFont& ResolvedFont(Object& font) {
  std::call_once(font.fitted, [&font] {
    if (font.fitCell > 0) font.font.setPixelSize(FitCellHeight(font.fitBase, font.fitCell));
    font.fitCell = 0;
  });
  return font.font;
}

ObjectPtr MakeBitmap(const QImage& image, int bitsPixel) {
  if (image.isNull()) return nullptr;
  auto o = std::make_shared<Object>(Kind::Bitmap);
  o->image = image;
  o->bitsPixel = bitsPixel;
  return o;
}

QPen QPenOf(const Object& pen) {
  if (pen.penStyle == PS_NULL) return QPen(Qt::NoPen);
  QPen p(ToQColor(pen.penColor));
  if (pen.penWidth <= 1) {
    p.setWidth(0);  // cosmetic: one pixel
    p.setCapStyle(Qt::FlatCap);
  } else {
    p.setWidth(pen.penWidth);
    p.setCapStyle(Qt::RoundCap);
    p.setJoinStyle(Qt::RoundJoin);
  }
  switch (pen.penStyle) {
    case PS_DASH: p.setStyle(Qt::DashLine); break;
    case PS_DOT: p.setStyle(Qt::DotLine); break;
    case PS_DASHDOT: p.setStyle(Qt::DashDotLine); break;
    case PS_DASHDOTDOT: p.setStyle(Qt::DashDotDotLine); break;
    default: p.setStyle(Qt::SolidLine); break;
  }
  return p;
}

QBrush QBrushOf(const Object& brush) {
  switch (brush.brushStyle) {
    case BS_NULL: return QBrush(Qt::NoBrush);
    case BS_HATCHED: {
      Qt::BrushStyle s = Qt::HorPattern;
      switch (brush.hatch) {
        case HS_VERTICAL: s = Qt::VerPattern; break;
        case HS_FDIAGONAL: s = Qt::FDiagPattern; break;
        case HS_BDIAGONAL: s = Qt::BDiagPattern; break;
        case HS_CROSS: s = Qt::CrossPattern; break;
        case HS_DIAGCROSS: s = Qt::DiagCrossPattern; break;
        default: break;
      }
      return QBrush(ToQColor(brush.brushColor), s);
    }
    case BS_PATTERN:
      if (!brush.pattern.isNull()) return QBrush(brush.pattern);
      return QBrush(ToQColor(brush.brushColor));
    default: return QBrush(ToQColor(brush.brushColor));
  }
}

}  // namespace gdi

// ---- conversions for the layer ----

QColor QColorFromColorRef(COLORREF color) { return gdi::ToQColor(color); }
COLORREF ColorRefFromQColor(const QColor& color) { return gdi::FromQColor(color); }

QImage ImageFromHBitmap(HBITMAP hBitmap) {
  gdi::ObjectPtr o = gdi::Lookup(hBitmap, gdi::Kind::Bitmap);
  return o ? o->image.copy() : QImage();
}

QPixmap PixmapFromHBitmap(HBITMAP hBitmap) {
  QImage img = ImageFromHBitmap(hBitmap);
  if (img.isNull() || !gdi::HaveGui()) return QPixmap();
  return QPixmap::fromImage(img);
}

HBITMAP HBitmapFromImage(const QImage& image) {
  QImage img = gdi::NormaliseImage(image);
  if (img.isNull()) return nullptr;
  return static_cast<HBITMAP>(gdi::Register(gdi::MakeBitmap(img, 32)));
}

QImage ImageFromHIcon(HICON hIcon) {
  gdi::ObjectPtr o = gdi::Lookup(hIcon, gdi::Kind::Icon);
  return o ? o->image.copy() : QImage();
}

HICON HIconFromImage(const QImage& image) {
  if (image.isNull()) return nullptr;
  auto o = std::make_shared<gdi::Object>(gdi::Kind::Icon);
  o->image = image.convertToFormat(QImage::Format_ARGB32);
  o->hotspot = QPoint(image.width() / 2, image.height() / 2);
  return static_cast<HICON>(gdi::Register(o));
}

QFont QFontFromHandle(HFONT hFont) {
  gdi::ObjectPtr o = gdi::Lookup(hFont, gdi::Kind::Font);
  return o ? gdi::ResolvedFont(*o) : QFont();
}

bool QBrushFromHandle(HBRUSH hBrush, QBrush* brush) {
  gdi::ObjectPtr o = gdi::ResolveBrush(hBrush);
  if (!o) return false;
  if (brush != nullptr) *brush = gdi::QBrushOf(*o);
  return true;
}

}  // namespace platform

using platform::gdi::BoundedRegion;
using platform::gdi::WithinShapeLimit;
using platform::gdi::Kind;
using platform::gdi::Lookup;
using platform::gdi::ObjectPtr;
using platform::gdi::RegionType;
using platform::gdi::RowBytes;

// ---- CGdiObject ----

CGdiObject::~CGdiObject() { DeleteObject(); }

BOOL CGdiObject::Attach(HGDIOBJ hObject) {
  if (m_hObject != nullptr || !Lookup(hObject)) return FALSE;
  m_hObject = hObject;
  platform::gdi::SetOwner(hObject, this);
  return TRUE;
}

BOOL CGdiObject::AttachNew(HGDIOBJ hObject) {
  if (hObject == nullptr) return FALSE;
  if (m_hObject != nullptr) {
    platform::gdi::Remove(hObject);
    return FALSE;
  }
  m_hObject = hObject;
  platform::gdi::SetOwner(hObject, this);
  return TRUE;
}

HGDIOBJ CGdiObject::Detach() {
  HGDIOBJ h = m_hObject;
  if (h != nullptr) platform::gdi::ClearOwner(h, this);
  m_hObject = nullptr;
  return h;
}

BOOL CGdiObject::DeleteObject() {
  if (m_hObject == nullptr) return FALSE;
  HGDIOBJ h = Detach();
  return platform::gdi::Remove(h) ? TRUE : FALSE;
}

int CGdiObject::GetObject(int nCount, LPVOID lpObject) const { return ::GetObject(m_hObject, nCount, lpObject); }

UINT CGdiObject::GetObjectType() const { return ::GetObjectType(m_hObject); }

BOOL CGdiObject::CreateStockObject(int nIndex) {
  HGDIOBJ h = platform::gdi::StockHandle(nIndex);
  if (h == nullptr || m_hObject != nullptr) return FALSE;
  m_hObject = h;
  platform::gdi::SetOwner(h, this);
  return TRUE;
}

CGdiObject* CGdiObject::FromHandle(HGDIOBJ hObject) {
  ObjectPtr o = Lookup(hObject);
  if (!o) return nullptr;
  return platform::gdi::Wrapper(hObject, o->kind);
}

// ---- CPen ----

BOOL CPen::CreatePen(int nPenStyle, int nWidth, COLORREF crColor) {
  return AttachNew(platform::gdi::Register(platform::gdi::MakePen(nPenStyle, nWidth, crColor)));
}

BOOL CPen::CreatePenIndirect(const LOGPEN* lpLogPen) {
  if (lpLogPen == nullptr) return FALSE;
  return CreatePen(static_cast<int>(lpLogPen->lopnStyle), lpLogPen->lopnWidth.x, lpLogPen->lopnColor);
}

int CPen::GetLogPen(LOGPEN* pLogPen) const { return GetObject(sizeof(LOGPEN), pLogPen); }

CPen* CPen::FromHandle(HPEN hPen) { return static_cast<CPen*>(platform::gdi::Wrapper(hPen, Kind::Pen)); }

// ---- CBrush ----

BOOL CBrush::CreateSolidBrush(COLORREF crColor) {
  return AttachNew(platform::gdi::Register(platform::gdi::MakeBrush(BS_SOLID, crColor, 0)));
}

BOOL CBrush::CreateHatchBrush(int nIndex, COLORREF crColor) {
  if (nIndex < HS_HORIZONTAL || nIndex > HS_DIAGCROSS) return FALSE;
  return AttachNew(platform::gdi::Register(platform::gdi::MakeBrush(BS_HATCHED, crColor, nIndex)));
}

BOOL CBrush::CreatePatternBrush(CBitmap* pBitmap) {
  if (pBitmap == nullptr) return FALSE;
  ObjectPtr bmp = Lookup(pBitmap->m_hObject, Kind::Bitmap);
  if (!bmp) return FALSE;
  auto o = platform::gdi::MakeBrush(BS_PATTERN, 0, 0);
  o->pattern = bmp->image.copy();
  return AttachNew(platform::gdi::Register(o));
}

BOOL CBrush::CreateBrushIndirect(const LOGBRUSH* lpLogBrush) {
  if (lpLogBrush == nullptr) return FALSE;
  switch (lpLogBrush->lbStyle) {
    case BS_SOLID: return CreateSolidBrush(lpLogBrush->lbColor);
    case BS_NULL: return AttachNew(platform::gdi::Register(platform::gdi::MakeBrush(BS_NULL, 0, 0)));
    case BS_HATCHED: return CreateHatchBrush(static_cast<int>(lpLogBrush->lbHatch), lpLogBrush->lbColor);
    default: return FALSE;
  }
}

BOOL CBrush::CreateSysColorBrush(int nIndex) {
  if (GetSysColorBrush(nIndex) == nullptr) return FALSE;
  return CreateSolidBrush(GetSysColor(nIndex));
}

int CBrush::GetLogBrush(LOGBRUSH* pLogBrush) const { return GetObject(sizeof(LOGBRUSH), pLogBrush); }

CBrush* CBrush::FromHandle(HBRUSH hBrush) {
  HGDIOBJ h = nullptr;
  if (!platform::gdi::ResolveBrush(hBrush, &h)) return nullptr;
  return static_cast<CBrush*>(platform::gdi::Wrapper(h, Kind::Brush));
}

// ---- CFont ----

BOOL CFont::CreateFont(int nHeight, int nWidth, int nEscapement, int nOrientation, int nWeight, BYTE bItalic,
                       BYTE bUnderline, BYTE cStrikeOut, BYTE nCharSet, BYTE nOutPrecision, BYTE nClipPrecision,
                       BYTE nQuality, BYTE nPitchAndFamily, const CString& lpszFacename) {
  LOGFONT lf{};
  lf.lfHeight = nHeight;
  lf.lfWidth = nWidth;
  lf.lfEscapement = nEscapement;
  lf.lfOrientation = nOrientation;
  lf.lfWeight = nWeight;
  lf.lfItalic = bItalic;
  lf.lfUnderline = bUnderline;
  lf.lfStrikeOut = cStrikeOut;
  lf.lfCharSet = nCharSet;
  lf.lfOutPrecision = nOutPrecision;
  lf.lfClipPrecision = nClipPrecision;
  lf.lfQuality = nQuality;
  lf.lfPitchAndFamily = nPitchAndFamily;
  std::wstring face = lpszFacename.Left(LF_FACESIZE - 1).ToWString();
  std::wcsncpy(lf.lfFaceName, face.c_str(), LF_FACESIZE - 1);
  return CreateFontIndirect(&lf);
}

BOOL CFont::CreateFontIndirect(const LOGFONT* lpLogFont) {
  if (lpLogFont == nullptr) return FALSE;
  return AttachNew(platform::gdi::Register(platform::gdi::MakeFont(*lpLogFont)));
}

BOOL CFont::CreatePointFont(int nPointSize, const CString& lpszFaceName, CDC* pDC) {
  LOGFONT lf{};
  lf.lfCharSet = DEFAULT_CHARSET;
  lf.lfHeight = nPointSize;
  std::wstring face = lpszFaceName.Left(LF_FACESIZE - 1).ToWString();
  std::wcsncpy(lf.lfFaceName, face.c_str(), LF_FACESIZE - 1);
  return CreatePointFontIndirect(&lf, pDC);
}

BOOL CFont::CreatePointFontIndirect(const LOGFONT* lpLogFont, CDC* pDC) {
  if (lpLogFont == nullptr) return FALSE;
  LOGFONT lf = *lpLogFont;
  int dpi = pDC != nullptr ? pDC->GetDeviceCaps(LOGPIXELSY) : 96;
  long long h = (static_cast<long long>(dpi) * lf.lfHeight + (lf.lfHeight >= 0 ? 360 : -360)) / 720;
  h = std::min<long long>(h < 0 ? -h : h, INT_MAX);
  lf.lfHeight = -static_cast<LONG>(h);
  return CreateFontIndirect(&lf);
}

int CFont::GetLogFont(LOGFONT* pLogFont) const { return GetObject(sizeof(LOGFONT), pLogFont); }

const QFont& CFont::GetQFont() const {
  ObjectPtr o = Lookup(m_hObject, Kind::Font);
  if (o) return ResolvedFont(*o);  // the object outlives the call while this wrapper holds the handle
  static const QFont* fallback = new QFont;
  return *fallback;
}

CFont* CFont::FromHandle(HFONT hFont) { return static_cast<CFont*>(platform::gdi::Wrapper(hFont, Kind::Font)); }

// ---- CBitmap ----

BOOL CBitmap::LoadBitmap(UINT nIDResource) {
  QImage img;
  if (!platform::FindBitmapResource(nIDResource, img)) return FALSE;
  return CreateFromImage(img);
}

BOOL CBitmap::CreateFromImage(const QImage& image) {
  QImage img = platform::gdi::NormaliseImage(image);
  if (img.isNull()) return FALSE;
  return AttachNew(platform::gdi::Register(platform::gdi::MakeBitmap(img, 32)));
}

BOOL CBitmap::CreateBitmap(int nWidth, int nHeight, UINT nPlanes, UINT nBitcount, const void* lpBits) {
  if (nPlanes != 1 || nWidth < 0 || nHeight < 0) return FALSE;
  if (nWidth == 0 || nHeight == 0) {
    QImage one(1, 1, QImage::Format_RGB32);
    one.fill(Qt::black);
    return AttachNew(platform::gdi::Register(platform::gdi::MakeBitmap(one, 1)));
  }
  if (nBitcount != 1 && nBitcount != 24 && nBitcount != 32) return FALSE;
  if (!platform::gdi::ValidBitmapSize(nWidth, nHeight)) return FALSE;
  QImage img(nWidth, nHeight, QImage::Format_RGB32);
  if (img.isNull()) return FALSE;
  img.fill(Qt::black);
  auto o = platform::gdi::MakeBitmap(img, static_cast<int>(nBitcount));
  if (!o) return FALSE;
  HGDIOBJ h = platform::gdi::Register(o);
  if (!AttachNew(h)) return FALSE;
  if (lpBits != nullptr) {
    int stride = ((nWidth * static_cast<int>(nBitcount) + 15) / 16) * 2;
    SetBitmapBits(static_cast<DWORD>(stride) * static_cast<DWORD>(nHeight), lpBits);
  }
  return TRUE;
}

BOOL CBitmap::CreateBitmapIndirect(const BITMAP* lpBitmap) {
  if (lpBitmap == nullptr) return FALSE;
  return CreateBitmap(lpBitmap->bmWidth, lpBitmap->bmHeight, lpBitmap->bmPlanes, lpBitmap->bmBitsPixel,
                      lpBitmap->bmBits);
}

BOOL CBitmap::CreateCompatibleBitmap(CDC* pDC, int nWidth, int nHeight) {
  if (pDC == nullptr || nWidth < 0 || nHeight < 0) return FALSE;
  bool mono = pDC->GetImpl() != nullptr && pDC->GetImpl()->IsMonochrome();
  if (nWidth == 0 || nHeight == 0) return CreateBitmap(0, 0, 1, 1, nullptr);
  return CreateBitmap(nWidth, nHeight, 1, mono ? 1 : 32, nullptr);
}

int CBitmap::GetBitmap(BITMAP* pBitMap) const { return GetObject(sizeof(BITMAP), pBitMap); }

CSize CBitmap::GetBitmapDimension() const {
  ObjectPtr o = Lookup(m_hObject, Kind::Bitmap);
  return o ? o->dimension : CSize();
}

CSize CBitmap::SetBitmapDimension(int nWidth, int nHeight) {
  ObjectPtr o = Lookup(m_hObject, Kind::Bitmap);
  if (!o) return CSize();
  CSize old = o->dimension;
  o->dimension = CSize(nWidth, nHeight);
  return old;
}

DWORD CBitmap::GetBitmapBits(DWORD dwCount, LPVOID lpBits) const {
  ObjectPtr o = Lookup(m_hObject, Kind::Bitmap);
  if (!o || lpBits == nullptr) return 0;
  const QImage& img = o->image;
  const int bpp = o->bitsPixel == 1 ? 1 : (o->bitsPixel == 24 ? 24 : 32);
  const int stride = RowBytes(img.width(), bpp);
  auto* out = static_cast<BYTE*>(lpBits);
  DWORD written = 0;
  for (int y = 0; y < img.height() && written < dwCount; ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(img.constScanLine(y));
    std::vector<BYTE> row(static_cast<size_t>(stride), 0);
    for (int x = 0; x < img.width(); ++x) {
      QRgb p = line[x];
      if (bpp == 1) {
        if (qGray(p) >= 128) row[static_cast<size_t>(x / 8)] |= static_cast<BYTE>(0x80 >> (x % 8));
      } else if (bpp == 24) {
        row[static_cast<size_t>(x * 3)] = static_cast<BYTE>(qBlue(p));
        row[static_cast<size_t>(x * 3 + 1)] = static_cast<BYTE>(qGreen(p));
        row[static_cast<size_t>(x * 3 + 2)] = static_cast<BYTE>(qRed(p));
      } else {
        row[static_cast<size_t>(x * 4)] = static_cast<BYTE>(qBlue(p));
        row[static_cast<size_t>(x * 4 + 1)] = static_cast<BYTE>(qGreen(p));
        row[static_cast<size_t>(x * 4 + 2)] = static_cast<BYTE>(qRed(p));
        row[static_cast<size_t>(x * 4 + 3)] = static_cast<BYTE>(qAlpha(p));
      }
    }
    DWORD n = std::min<DWORD>(static_cast<DWORD>(stride), dwCount - written);
    std::memcpy(out + written, row.data(), n);
    written += n;
  }
  return written;
}

DWORD CBitmap::SetBitmapBits(DWORD dwCount, const void* lpBits) {
  ObjectPtr o = Lookup(m_hObject, Kind::Bitmap);
  if (!o || lpBits == nullptr) return 0;
  QImage& img = o->image;
  const int bpp = o->bitsPixel == 1 ? 1 : (o->bitsPixel == 24 ? 24 : 32);
  const int stride = RowBytes(img.width(), bpp);
  const auto* in = static_cast<const BYTE*>(lpBits);
  const bool alpha = img.format() == QImage::Format_ARGB32;
  DWORD used = 0;
  for (int y = 0; y < img.height(); ++y) {
    if (used + static_cast<DWORD>(stride) > dwCount) break;
    const BYTE* row = in + used;
    auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
    for (int x = 0; x < img.width(); ++x) {
      if (bpp == 1) {
        bool white = (row[x / 8] & (0x80 >> (x % 8))) != 0;
        line[x] = white ? 0xFFFFFFFFu : 0xFF000000u;
      } else if (bpp == 24) {
        line[x] = qRgb(row[x * 3 + 2], row[x * 3 + 1], row[x * 3]);
      } else {
        line[x] = qRgba(row[x * 4 + 2], row[x * 4 + 1], row[x * 4], alpha ? row[x * 4 + 3] : 255);
      }
    }
    used += static_cast<DWORD>(stride);
  }
  return used;
}

QImage CBitmap::GetQImage() const { return platform::ImageFromHBitmap(static_cast<HBITMAP>(m_hObject)); }

QPixmap CBitmap::GetQPixmap() const { return platform::PixmapFromHBitmap(static_cast<HBITMAP>(m_hObject)); }

CBitmap* CBitmap::FromHandle(HBITMAP hBitmap) {
  return static_cast<CBitmap*>(platform::gdi::Wrapper(hBitmap, Kind::Bitmap));
}

// ---- CRgn ----

namespace {
ObjectPtr RegionOf(HGDIOBJ h) { return Lookup(h, Kind::Region); }

BOOL MakeRegion(CRgn* rgn, const QRegion& region) {
  if (rgn->m_hObject != nullptr) return FALSE;
  auto o = std::make_shared<platform::gdi::Object>(Kind::Region);
  o->region = region;
  HGDIOBJ h = platform::gdi::Register(o);
  if (rgn->Attach(h)) return TRUE;
  platform::gdi::Remove(h);
  return FALSE;
}
}  // namespace

BOOL CRgn::CreateRectRgn(int x1, int y1, int x2, int y2) {
  return MakeRegion(this, QRegion(platform::gdi::ToQRect(RECT{x1, y1, x2, y2})));
}

BOOL CRgn::CreateRectRgnIndirect(LPCRECT lpRect) {
  if (lpRect == nullptr) return FALSE;
  return CreateRectRgn(lpRect->left, lpRect->top, lpRect->right, lpRect->bottom);
}

BOOL CRgn::CreateEllipticRgn(int x1, int y1, int x2, int y2) {
  QRect r = platform::gdi::ToQRect(RECT{x1, y1, x2, y2});
  if (r.isEmpty()) return MakeRegion(this, QRegion());
  if (WithinShapeLimit(QRectF(r))) return MakeRegion(this, QRegion(r, QRegion::Ellipse));
  QPainterPath path;
  path.addEllipse(QRectF(r));
  return MakeRegion(this, BoundedRegion(path));
}

BOOL CRgn::CreateEllipticRgnIndirect(LPCRECT lpRect) {
  if (lpRect == nullptr) return FALSE;
  return CreateEllipticRgn(lpRect->left, lpRect->top, lpRect->right, lpRect->bottom);
}

BOOL CRgn::CreateRoundRectRgn(int x1, int y1, int x2, int y2, int x3, int y3) {
  QRect r = platform::gdi::ToQRect(RECT{x1, y1, x2, y2});
  if (r.isEmpty()) return MakeRegion(this, QRegion());
  QPainterPath path;
  qreal rx = std::min<qreal>(std::abs(static_cast<qreal>(x3)) / 2.0, r.width() / 2.0);
  qreal ry = std::min<qreal>(std::abs(static_cast<qreal>(y3)) / 2.0, r.height() / 2.0);
  path.addRoundedRect(QRectF(r), rx, ry);
  return MakeRegion(this, BoundedRegion(path));
}

BOOL CRgn::CreatePolygonRgn(const POINT* lpPoints, int nCount, int nPolyFillMode) {
  if (lpPoints == nullptr || nCount <= 0) return FALSE;
  if (nCount < 3) return MakeRegion(this, QRegion());
  const Qt::FillRule rule = nPolyFillMode == WINDING ? Qt::WindingFill : Qt::OddEvenFill;
  QPolygonF poly;
  poly.reserve(nCount);
  for (int i = 0; i < nCount; ++i) poly << QPointF(lpPoints[i].x, lpPoints[i].y);
  if (WithinShapeLimit(poly.boundingRect())) return MakeRegion(this, QRegion(poly.toPolygon(), rule));
  QPainterPath path;
  path.addPolygon(poly);
  path.closeSubpath();
  path.setFillRule(rule);
  return MakeRegion(this, BoundedRegion(path));
}

void CRgn::SetRectRgn(int x1, int y1, int x2, int y2) {
  ObjectPtr o = RegionOf(m_hObject);
  QRegion r(platform::gdi::ToQRect(RECT{x1, y1, x2, y2}));
  if (o) o->region = r;
  else MakeRegion(this, r);
}

void CRgn::SetRectRgn(LPCRECT lpRect) {
  if (lpRect != nullptr) SetRectRgn(lpRect->left, lpRect->top, lpRect->right, lpRect->bottom);
}

int CRgn::CombineRgn(const CRgn* pRgn1, const CRgn* pRgn2, int nCombineMode) {
  if (pRgn1 == nullptr) return RGN_ERROR;
  ObjectPtr a = RegionOf(pRgn1->m_hObject);
  if (!a) return RGN_ERROR;
  QRegion result;
  if (nCombineMode == RGN_COPY) {
    result = a->region;
  } else {
    if (pRgn2 == nullptr) return RGN_ERROR;
    ObjectPtr b = RegionOf(pRgn2->m_hObject);
    if (!b) return RGN_ERROR;
    switch (nCombineMode) {
      case RGN_AND: result = a->region.intersected(b->region); break;
      case RGN_OR: result = a->region.united(b->region); break;
      case RGN_XOR: result = a->region.xored(b->region); break;
      case RGN_DIFF: result = a->region.subtracted(b->region); break;
      default: return RGN_ERROR;
    }
  }
  ObjectPtr self = RegionOf(m_hObject);
  if (self) self->region = result;
  else if (!MakeRegion(this, result)) return RGN_ERROR;
  return RegionType(result);
}

int CRgn::CopyRgn(const CRgn* pRgnSrc) { return CombineRgn(pRgnSrc, nullptr, RGN_COPY); }

BOOL CRgn::EqualRgn(const CRgn* pRgn) const {
  if (pRgn == nullptr) return FALSE;
  ObjectPtr a = RegionOf(m_hObject), b = RegionOf(pRgn->m_hObject);
  return a && b && a->region == b->region;
}

int CRgn::OffsetRgn(int x, int y) {
  ObjectPtr o = RegionOf(m_hObject);
  if (!o) return RGN_ERROR;
  o->region.translate(x, y);
  return RegionType(o->region);
}

int CRgn::GetRgnBox(LPRECT lpRect) const {
  ObjectPtr o = RegionOf(m_hObject);
  if (!o || lpRect == nullptr) return RGN_ERROR;
  QRect b = o->region.boundingRect();
  if (o->region.isEmpty()) *lpRect = RECT{0, 0, 0, 0};
  else *lpRect = RECT{b.left(), b.top(), b.left() + b.width(), b.top() + b.height()};
  return RegionType(o->region);
}

BOOL CRgn::PtInRegion(int x, int y) const {
  ObjectPtr o = RegionOf(m_hObject);
  return o && o->region.contains(QPoint(x, y));
}

BOOL CRgn::RectInRegion(LPCRECT lpRect) const {
  ObjectPtr o = RegionOf(m_hObject);
  return o && lpRect != nullptr && o->region.intersects(platform::gdi::ToQRect(*lpRect));
}

CRgn* CRgn::FromHandle(HRGN hRgn) { return static_cast<CRgn*>(platform::gdi::Wrapper(hRgn, Kind::Region)); }

QRegion CRgn::GetQRegion() const {
  ObjectPtr o = RegionOf(m_hObject);
  return o ? o->region : QRegion();
}

// ---- system colours and metrics ----

namespace {
const COLORREF kSysColors[COLOR_MENUBAR + 1] = {
    RGB(200, 200, 200),  // COLOR_SCROLLBAR
    RGB(0, 0, 0),        // COLOR_BACKGROUND
    RGB(153, 180, 209),  // COLOR_ACTIVECAPTION
    RGB(191, 205, 219),  // COLOR_INACTIVECAPTION
    RGB(240, 240, 240),  // COLOR_MENU
    RGB(255, 255, 255),  // COLOR_WINDOW
    RGB(100, 100, 100),  // COLOR_WINDOWFRAME
    RGB(0, 0, 0),        // COLOR_MENUTEXT
    RGB(0, 0, 0),        // COLOR_WINDOWTEXT
    RGB(0, 0, 0),        // COLOR_CAPTIONTEXT
    RGB(180, 180, 180),  // COLOR_ACTIVEBORDER
    RGB(244, 247, 252),  // COLOR_INACTIVEBORDER
    RGB(171, 171, 171),  // COLOR_APPWORKSPACE
    RGB(0, 120, 215),    // COLOR_HIGHLIGHT
    RGB(255, 255, 255),  // COLOR_HIGHLIGHTTEXT
    RGB(240, 240, 240),  // COLOR_BTNFACE
    RGB(160, 160, 160),  // COLOR_BTNSHADOW
    RGB(109, 109, 109),  // COLOR_GRAYTEXT
    RGB(0, 0, 0),        // COLOR_BTNTEXT
    RGB(0, 0, 0),        // COLOR_INACTIVECAPTIONTEXT
    RGB(255, 255, 255),  // COLOR_BTNHIGHLIGHT
    RGB(105, 105, 105),  // COLOR_3DDKSHADOW
    RGB(227, 227, 227),  // COLOR_3DLIGHT
    RGB(0, 0, 0),        // COLOR_INFOTEXT
    RGB(255, 255, 225),  // COLOR_INFOBK
    RGB(0, 0, 0),        // (unused index 25)
    RGB(0, 102, 204),    // COLOR_HOTLIGHT
    RGB(185, 209, 234),  // COLOR_GRADIENTACTIVECAPTION
    RGB(215, 228, 242),  // COLOR_GRADIENTINACTIVECAPTION
    RGB(0, 120, 215),    // COLOR_MENUHILIGHT
    RGB(240, 240, 240),  // COLOR_MENUBAR
};

QRect ScreenRect(bool available) {
  if (platform::gdi::HaveGui() && QGuiApplication::platformName() != QLatin1String("offscreen")) {
    if (QScreen* s = QGuiApplication::primaryScreen()) return available ? s->availableGeometry() : s->geometry();
  }
  return available ? QRect(0, 0, 1920, 1040) : QRect(0, 0, 1920, 1080);
}
}  // namespace

COLORREF GetSysColor(int nIndex) {
  if (nIndex < 0 || nIndex > COLOR_MENUBAR || nIndex == 25) return 0;
  return kSysColors[nIndex];
}

HBRUSH GetSysColorBrush(int nIndex) {
  if (nIndex < 0 || nIndex > COLOR_MENUBAR || nIndex == 25) return nullptr;
  auto& t = platform::gdi::T();
  std::lock_guard<std::recursive_mutex> lock(t.mu);
  if (t.sysBrushes[nIndex] == nullptr) {
    auto o = platform::gdi::MakeBrush(BS_SOLID, kSysColors[nIndex], 0);
    o->stock = true;
    t.sysBrushes[nIndex] = platform::gdi::Register(o);
  }
  return static_cast<HBRUSH>(t.sysBrushes[nIndex]);
}

int GetSystemMetrics(int nIndex) {
  switch (nIndex) {
    case SM_CXSCREEN: return ScreenRect(false).width();
    case SM_CYSCREEN: return ScreenRect(false).height();
    case SM_CXFULLSCREEN: return ScreenRect(true).width();
    case SM_CYFULLSCREEN: return ScreenRect(true).height() - 23;
    case SM_CXVIRTUALSCREEN:
    case SM_CXMAXIMIZED: return ScreenRect(false).width();
    case SM_CYVIRTUALSCREEN:
    case SM_CYMAXIMIZED: return ScreenRect(false).height();
    case SM_CXMAXTRACK: return ScreenRect(false).width() + 12;
    case SM_CYMAXTRACK: return ScreenRect(false).height() + 12;
    case SM_XVIRTUALSCREEN:
    case SM_YVIRTUALSCREEN: return 0;
    case SM_CXVSCROLL:
    case SM_CYHSCROLL:
    case SM_CYVSCROLL:
    case SM_CXHSCROLL:
    case SM_CYVTHUMB:
    case SM_CXHTHUMB: return 17;
    case SM_CYCAPTION: return 23;
    case SM_CXBORDER:
    case SM_CYBORDER: return 1;
    case SM_CXDLGFRAME:
    case SM_CYDLGFRAME: return 3;
    case SM_CXFRAME:
    case SM_CYFRAME: return 4;
    case SM_CXICON:
    case SM_CYICON:
    case SM_CXCURSOR:
    case SM_CYCURSOR: return 32;
    case SM_CYMENU: return 20;
    case SM_CYKANJIWINDOW: return 0;
    case SM_MOUSEPRESENT: return 1;
    case SM_DEBUG:
    case SM_SWAPBUTTON:
    case SM_MENUDROPALIGNMENT: return 0;
    case SM_CXMIN:
    case SM_CXMINTRACK: return 136;
    case SM_CYMIN:
    case SM_CYMINTRACK: return 39;
    case SM_CXSIZE: return 36;
    case SM_CYSIZE: return 22;
    case SM_CXDOUBLECLK:
    case SM_CYDOUBLECLK:
    case SM_CXDRAG:
    case SM_CYDRAG: return 4;
    case SM_CXICONSPACING:
    case SM_CYICONSPACING: return 75;
    case SM_CMOUSEBUTTONS: return 3;
    case SM_CXEDGE:
    case SM_CYEDGE: return 2;
    case SM_CXSMICON:
    case SM_CYSMICON: return 16;
    case SM_CYSMCAPTION: return 23;
    case SM_CXSMSIZE:
    case SM_CYSMSIZE: return 22;
    case SM_CXMENUSIZE:
    case SM_CYMENUSIZE: return 19;
    case SM_CXMENUCHECK:
    case SM_CYMENUCHECK: return 15;
    case SM_CMONITORS: return 1;
    case SM_CXFOCUSBORDER:
    case SM_CYFOCUSBORDER: return 1;
    case SM_CXPADDEDBORDER: return 4;
    default: return 0;
  }
}

HGDIOBJ GetStockObject(int nIndex) { return platform::gdi::StockHandle(nIndex); }

BOOL DeleteObject(HGDIOBJ hObject) { return platform::gdi::Remove(hObject) ? TRUE : FALSE; }

int GetObject(HGDIOBJ hObject, int nCount, LPVOID lpObject) {
  ObjectPtr o = Lookup(hObject);
  if (!o) return 0;
  auto copy = [&](const void* src, int size) -> int {
    if (lpObject == nullptr) return size;
    if (nCount < size) return 0;
    std::memcpy(lpObject, src, static_cast<size_t>(size));
    return size;
  };
  switch (o->kind) {
    case Kind::Pen: {
      LOGPEN lp{static_cast<UINT>(o->penStyle), POINT{o->penWidth, 0}, o->penColor};
      return copy(&lp, sizeof(lp));
    }
    case Kind::Brush: {
      LOGBRUSH lb{static_cast<UINT>(o->brushStyle), o->brushColor, static_cast<ULONG_PTR>(o->hatch)};
      return copy(&lb, sizeof(lb));
    }
    case Kind::Font: return copy(&o->lf, sizeof(LOGFONT));
    case Kind::Bitmap: {
      BITMAP bm{};
      bm.bmWidth = o->image.width();
      bm.bmHeight = o->image.height();
      bm.bmPlanes = 1;
      bm.bmBitsPixel = static_cast<WORD>(o->bitsPixel);
      bm.bmWidthBytes = RowBytes(bm.bmWidth, o->bitsPixel);
      return copy(&bm, sizeof(bm));
    }
    default: return 0;
  }
}

DWORD GetObjectType(HGDIOBJ hObject) {
  ObjectPtr o = Lookup(hObject);
  if (!o) return 0;
  switch (o->kind) {
    case Kind::Pen: return OBJ_PEN;
    case Kind::Brush: return OBJ_BRUSH;
    case Kind::Font: return OBJ_FONT;
    case Kind::Bitmap: return OBJ_BITMAP;
    case Kind::Region: return OBJ_REGION;
    default: return 0;
  }
}

HBRUSH CreateSolidBrush(COLORREF crColor) {
  return static_cast<HBRUSH>(platform::gdi::Register(platform::gdi::MakeBrush(BS_SOLID, crColor, 0)));
}

HPEN CreatePen(int nPenStyle, int nWidth, COLORREF crColor) {
  return static_cast<HPEN>(platform::gdi::Register(platform::gdi::MakePen(nPenStyle, nWidth, crColor)));
}

HFONT CreateFontIndirect(const LOGFONT* lpLogFont) {
  if (lpLogFont == nullptr) return nullptr;
  return static_cast<HFONT>(platform::gdi::Register(platform::gdi::MakeFont(*lpLogFont)));
}

int MulDiv(int nNumber, int nNumerator, int nDenominator) {
  if (nDenominator == 0) return -1;
  long long p = static_cast<long long>(nNumber) * nNumerator;
  long long d = nDenominator;
  bool neg = (p < 0) != (d < 0);
  unsigned long long ap = static_cast<unsigned long long>(p < 0 ? -p : p);
  unsigned long long ad = static_cast<unsigned long long>(d < 0 ? -d : d);
  unsigned long long q = (ap + ad / 2) / ad;  // rounds half away from zero
  if (q > static_cast<unsigned long long>(INT_MAX) + (neg ? 1ULL : 0ULL)) return -1;
  long long r = neg ? -static_cast<long long>(q) : static_cast<long long>(q);
  return static_cast<int>(r);
}

// ---- icons ----

BOOL GetIconInfo(HICON hIcon, PICONINFO pIconInfo) {
  ObjectPtr o = Lookup(hIcon, Kind::Icon);
  if (!o || pIconInfo == nullptr) return FALSE;
  const QImage& img = o->image;
  QImage colour = platform::gdi::NormaliseImage(img);
  QImage mask(img.size(), QImage::Format_RGB32);
  for (int y = 0; y < img.height(); ++y) {
    const auto* src = reinterpret_cast<const QRgb*>(img.constScanLine(y));
    auto* m = reinterpret_cast<QRgb*>(mask.scanLine(y));
    for (int x = 0; x < img.width(); ++x) m[x] = qAlpha(src[x]) < 128 ? 0xFFFFFFFFu : 0xFF000000u;
  }
  ICONINFO info{};
  info.fIcon = TRUE;
  info.xHotspot = static_cast<DWORD>(o->hotspot.x());
  info.yHotspot = static_cast<DWORD>(o->hotspot.y());
  info.hbmColor = static_cast<HBITMAP>(platform::gdi::Register(platform::gdi::MakeBitmap(colour, 32)));
  info.hbmMask = static_cast<HBITMAP>(platform::gdi::Register(platform::gdi::MakeBitmap(mask, 1)));
  *pIconInfo = info;
  return TRUE;
}

HICON CreateIconIndirect(PICONINFO pIconInfo) {
  if (pIconInfo == nullptr) return nullptr;
  ObjectPtr colour = Lookup(pIconInfo->hbmColor, Kind::Bitmap);
  ObjectPtr mask = Lookup(pIconInfo->hbmMask, Kind::Bitmap);
  if (!colour && !mask) return nullptr;
  QImage img = colour ? colour->image.convertToFormat(QImage::Format_ARGB32) : QImage();
  if (img.isNull()) {
    img = QImage(mask->image.size(), QImage::Format_ARGB32);
    img.fill(Qt::black);
  }
  const bool colourHasAlpha = colour && colour->image.hasAlphaChannel();
  for (int y = 0; y < img.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
    for (int x = 0; x < img.width(); ++x) {
      bool transparent = false;
      if (mask && x < mask->image.width() && y < mask->image.height()) {
        transparent = qGray(mask->image.pixel(x, y)) >= 128;
      }
      int a = transparent ? 0 : (colourHasAlpha ? qAlpha(line[x]) : 255);
      line[x] = qRgba(qRed(line[x]), qGreen(line[x]), qBlue(line[x]), a);
    }
  }
  auto o = std::make_shared<platform::gdi::Object>(Kind::Icon);
  o->image = img;
  o->hotspot = pIconInfo->fIcon ? QPoint(img.width() / 2, img.height() / 2)
                                : QPoint(static_cast<int>(pIconInfo->xHotspot), static_cast<int>(pIconInfo->yHotspot));
  return static_cast<HICON>(platform::gdi::Register(o));
}

HICON CopyIcon(HICON hIcon) {
  ObjectPtr o = Lookup(hIcon, Kind::Icon);
  if (!o) return nullptr;
  auto c = std::make_shared<platform::gdi::Object>(Kind::Icon);
  c->image = o->image.copy();
  c->hotspot = o->hotspot;
  return static_cast<HICON>(platform::gdi::Register(c));
}

BOOL DestroyIcon(HICON hIcon) {
  if (!Lookup(hIcon, Kind::Icon)) return FALSE;
  return platform::gdi::Remove(hIcon) ? TRUE : FALSE;
}

namespace platform {

HFONT FontHandleOf(const QFont& font) {
  gdi::Table& t = gdi::T();
  std::lock_guard<std::recursive_mutex> lock(t.mu);
  const QString key = font.key();
  auto it = t.windowFonts.find(key);
  if (it != t.windowFonts.end()) return static_cast<HFONT>(it->second);
  auto o = std::make_shared<gdi::Object>(gdi::Kind::Font);
  o->font = font;
  LOGFONT& lf = o->lf;
  const int pixels = font.pixelSize() > 0 ? font.pixelSize() : static_cast<int>(font.pointSizeF() * 96.0 / 72.0 + 0.5);
  lf.lfHeight = -std::max(1, pixels);
  lf.lfWeight = static_cast<LONG>(font.weight());
  lf.lfItalic = font.italic() ? 1 : 0;
  lf.lfUnderline = font.underline() ? 1 : 0;
  lf.lfStrikeOut = font.strikeOut() ? 1 : 0;
  lf.lfCharSet = DEFAULT_CHARSET;
  lf.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
  const std::wstring face = font.family().left(LF_FACESIZE - 1).toStdWString();
  std::wcsncpy(lf.lfFaceName, face.c_str(), LF_FACESIZE - 1);
  HGDIOBJ h = gdi::RegisterStock(o);
  t.windowFonts.emplace(key, h);
  return static_cast<HFONT>(h);
}

namespace {
// Installed faces of like metrics for the faces Windows programs name, the first installed wins.
// Liberation's faces share their widths with Arial, Times New Roman and Courier New; the dialog
// faces (MS Shell Dlg and its kin) are no narrower than Arial, so a text that fits there fits here.
const struct {
  const char* face;
  const char* substitutes[3];
} kSubstitutes[] = {
    {"Arial", {"Liberation Sans", "Arimo", "DejaVu Sans"}},
    {"MS Shell Dlg", {"Liberation Sans", "Arimo", "DejaVu Sans"}},
    {"MS Shell Dlg 2", {"Liberation Sans", "Arimo", "DejaVu Sans"}},
    {"MS Sans Serif", {"Liberation Sans", "Arimo", "DejaVu Sans"}},
    {"Microsoft Sans Serif", {"Liberation Sans", "Arimo", "DejaVu Sans"}},
    {"Tahoma", {"Liberation Sans", "Arimo", "DejaVu Sans"}},
    {"Segoe UI", {"Liberation Sans", "Arimo", "DejaVu Sans"}},
    {"Times New Roman", {"Liberation Serif", "Tinos", "DejaVu Serif"}},
    {"Courier New", {"Liberation Mono", "Cousine", "DejaVu Sans Mono"}},
};
}  // namespace

QFont DialogFont() {
  QFont f(QStringLiteral("MS Shell Dlg"));
  f.setStyleHint(QFont::SansSerif);
  f.setPixelSize(11);  // 8 points at 96 dots an inch, as Windows draws its dialogs
  return f;
}

void EnsureDialogFont() {
  static bool done = false;
  if (done || qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) return;
  done = true;
  for (const auto& entry : kSubstitutes) {
    QStringList list;
    for (const char* s : entry.substitutes) list << QString::fromLatin1(s);
    QFont::insertSubstitutions(QString::fromLatin1(entry.face), list);
  }
  QApplication::setFont(DialogFont());
}

}  // namespace platform

namespace {
// A font of the desktop as a LOGFONT (height in pixels, negative: the character height).
LOGFONT LogFontOfQFont(const QFont& font) {
  LOGFONT lf{};
  int pixels = font.pixelSize();
  if (pixels <= 0) pixels = static_cast<int>(font.pointSizeF() * 96.0 / 72.0 + 0.5);
  lf.lfHeight = -std::max(1, pixels);
  lf.lfWeight = font.weight();
  lf.lfItalic = font.italic() ? 1 : 0;
  lf.lfCharSet = DEFAULT_CHARSET;
  lf.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
  const std::wstring face = font.family().toStdWString();
  std::wcsncpy(lf.lfFaceName, face.c_str(), LF_FACESIZE - 1);
  return lf;
}
}  // namespace

BOOL SystemParametersInfo(UINT uiAction, UINT uiParam, void* pvParam, UINT /*fWinIni*/) {
  if (uiAction != SPI_GETNONCLIENTMETRICS || pvParam == nullptr) return FALSE;
  auto* metrics = static_cast<NONCLIENTMETRICS*>(pvParam);
  const UINT size = uiParam != 0 ? uiParam : metrics->cbSize;
  if (size < offsetof(NONCLIENTMETRICS, iPaddedBorderWidth) || QGuiApplication::instance() == nullptr) return FALSE;
  const QFont general = QGuiApplication::font();
  const QFont message = QApplication::instance() != nullptr ? QApplication::font("QMessageBox") : general;
  const UINT cbSize = metrics->cbSize;
  std::memset(metrics, 0, std::min<size_t>(size, sizeof(NONCLIENTMETRICS)));
  metrics->cbSize = cbSize;
  metrics->iBorderWidth = 1;
  metrics->iScrollWidth = GetSystemMetrics(SM_CXVSCROLL);
  metrics->iScrollHeight = GetSystemMetrics(SM_CYHSCROLL);
  metrics->iCaptionWidth = metrics->iCaptionHeight = GetSystemMetrics(SM_CYCAPTION);
  metrics->iSmCaptionWidth = metrics->iSmCaptionHeight = GetSystemMetrics(SM_CYCAPTION);
  metrics->iMenuWidth = metrics->iMenuHeight = GetSystemMetrics(SM_CYMENU);
  metrics->lfCaptionFont = metrics->lfSmCaptionFont = metrics->lfMenuFont = metrics->lfStatusFont =
      LogFontOfQFont(general);
  metrics->lfMessageFont = LogFontOfQFont(message);
  return TRUE;
}
