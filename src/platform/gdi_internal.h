// Internals shared by the drawing sources: the table of GDI objects behind the handles, the state
// of a device context, and the painters that several contexts share on one window.
#pragma once

#include <QPainter>
#include <QPointer>
#include <QTransform>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/gdi.h"

namespace platform {
namespace gdi {

enum class Kind { Pen, Brush, Font, Bitmap, Region, Icon };

// The widget property that holds the font handle a window was given (CWnd::SetFont).
inline constexpr char kWindowFontProperty[] = "platformFont";

// The object behind a handle.
struct Object {
  explicit Object(Kind k) : kind(k) {}
  Kind kind;
  bool stock = false;
  // Pen.
  int penStyle = PS_SOLID;
  int penWidth = 0;
  COLORREF penColor = 0;
  // Brush.
  int brushStyle = BS_SOLID;
  COLORREF brushColor = 0;
  int hatch = 0;
  QImage pattern;
  // Font: read it through ResolvedFont. A font asked for by its cell height gets the pixel size
  // that fits the cell when it is first used: measuring loads the font, and the default font of
  // every new context is mostly never drawn with.
  LOGFONT lf{};
  QFont font;
  QFont fitBase;      // the font the fitting measures
  int fitCell = 0;    // the cell height still to fit, 0 when the pixel size is final
  std::once_flag fitted;
  // Bitmap and icon.
  QImage image;
  int bitsPixel = 32;
  CSize dimension;
  const void* selectedIn = nullptr;  // the memory context that holds the bitmap
  QPoint hotspot;
  // Region.
  QRegion region;
};
using ObjectPtr = std::shared_ptr<Object>;

// The font of a font object, its pixel size fitted on the first call (any thread).
const QFont& ResolvedFont(Object& font);

// Handle table (any thread).
HGDIOBJ Register(ObjectPtr object);
ObjectPtr Lookup(HGDIOBJ handle);
ObjectPtr Lookup(HGDIOBJ handle, Kind kind);
// Deletes the object (stock objects stay); false for an unknown handle.
bool Remove(HGDIOBJ handle);
void SetOwner(HGDIOBJ handle, CGdiObject* owner);
void ClearOwner(HGDIOBJ handle, CGdiObject* owner);
// The owner of a handle when it is of class T, else a stand-in of class T kept until the handle
// is deleted; null for an unknown handle or one of another kind.
CGdiObject* Wrapper(HGDIOBJ handle, Kind kind);

HGDIOBJ StockHandle(int index);
HGDIOBJ DefaultBitmapHandle();  // the 1 x 1 monochrome bitmap of a new memory context
// A brush handle, or the (HBRUSH)(COLOR_xxx + 1) form, resolved to its object.
ObjectPtr ResolveBrush(HBRUSH brush, HGDIOBJ* resolved = nullptr);

// Object contents.
ObjectPtr MakePen(int style, int width, COLORREF color);
ObjectPtr MakeBrush(int style, COLORREF color, int hatch);
ObjectPtr MakeFont(const LOGFONT& lf);
ObjectPtr MakeBitmap(const QImage& image, int bitsPixel);
QPen QPenOf(const Object& pen);
QBrush QBrushOf(const Object& brush);

// Helpers.
bool HaveGui();
QColor ToQColor(COLORREF c);
COLORREF FromQColor(QColor c);
QRect ToQRect(const RECT& r);  // right/bottom exclusive, normalised
QString FaceName(const LOGFONT& lf);
// Bitmap pixels as stored: RGB32 (or ARGB32 when the image carries alpha).
QImage NormaliseImage(const QImage& image);
// Copies the colours of an image into RGB32 with every alpha byte made opaque.
QImage OpaqueCopy(QImage image);

// A painter on a window shared by the contexts that paint on it during its paint event.
struct WidgetPainter {
  QPointer<QWidget> widget;
  QPainter* painter = nullptr;
  std::unique_ptr<QPainter> owned;
  bool Valid() const;
};
// The painter of a widget now painting (opened on first use); null when the widget is not
// painting. `external` registers a painter the caller made.
std::shared_ptr<WidgetPainter> AcquireWidgetPainter(QWidget* widget, QPainter* external);

// Suppresses recording on this thread while alive.
struct QuietScope {
  QuietScope();
  ~QuietScope();
};
bool RecordingQuiet();
// Whether a recorder is started; Submit hands a record to the latest one started.
bool RecorderActive();
void Submit(const DrawRecord& record);

}  // namespace gdi
}  // namespace platform

// The drawing state of a context (what SaveDC keeps).
struct DcState {
  COLORREF textColor = 0;
  COLORREF bkColor = 0xFFFFFF;
  int bkMode = OPAQUE;
  int rop2 = R2_COPYPEN;
  int stretchMode = BLACKONWHITE;
  int polyFill = ALTERNATE;
  UINT textAlign = 0;
  int mapMode = MM_TEXT;
  CPoint viewportOrg;
  CPoint windowOrg;
  CPoint pos;
  HGDIOBJ hPen = nullptr;
  HGDIOBJ hBrush = nullptr;
  HGDIOBJ hFont = nullptr;
  HGDIOBJ hBitmap = nullptr;
  platform::gdi::ObjectPtr pen;
  platform::gdi::ObjectPtr brush;
  platform::gdi::ObjectPtr font;
  platform::gdi::ObjectPtr bitmap;
  bool hasClip = false;
  QRegion clip;  // device coordinates
};

struct CDC::Impl {
  explicit Impl(CDC* owner);
  ~Impl();

  enum class Target { None, Painter, Memory, Window };

  CDC* self;
  std::vector<CDC*> aliases;  // contexts attached to this one
  Target target = Target::None;

  // Target::Painter.
  QPainter* external = nullptr;
  // Target::Memory.
  std::unique_ptr<QPainter> bitmapPainter;
  // Target::Window.
  QPointer<QWidget> widget;
  bool hasWidget = false;
  bool bufferAllowed = false;  // client and window contexts outside a paint event
  std::shared_ptr<platform::gdi::WidgetPainter> widgetPainter;
  QImage buffer;
  std::unique_ptr<QPainter> bufferPainter;
  bool bufferMade = false;
  // A read has seen the window rendered: the buffer, when made, starts from the rendered window.
  bool bufferRendered = false;

  // What the context did to a painter it draws with (put back when it lets go).
  QPainter* savedOn = nullptr;
  QTransform baseTransform;
  bool baseClipOn = false;
  QRegion baseClip;

  DcState st;
  std::vector<DcState> stack;
  bool hasSystemClip = false;
  QRegion systemClip;
  int quiet = 0;  // composite primitive in progress: its parts are not recorded
  HWND hwnd = nullptr;  // window contexts: the window

  void ResetState();
  void SelectDefaults();
  // Lets every surface go (painters are put back or ended).
  void ReleaseSurface();
  void LetGo(QPainter* p);

  // Window contexts. `offset` is where the widget painted on sits in the window (a viewport
  // inside a scroll area), so that the context keeps the window's coordinates.
  void OpenWindow(QWidget* w, bool allowBuffer, QPoint offset = QPoint());
  QPoint surfaceOffset;
  QSize SurfaceSize() const;

  // Memory contexts: paint on the bitmap in st.bitmap.
  void BeginBitmapPainter();
  void EndBitmapPainter();

  // The painter to draw with, its state applied; null when nothing can be drawn.
  QPainter* Begin();
  QPainter* CurrentPainter();
  // An image to read the surface from and the mapping from logical coordinates to its pixels.
  const QImage* Readable(QImage& holder, QTransform& logicalToImage);
  // A window context without a buffer yet: the pixels of a logical rectangle as the rendered
  // window holds them (what Readable's buffer would give there), rendering only that part. False
  // when the context is not such a one.
  bool ReadWindowPatch(const QRect& logical, QImage& out);

  CPoint Offset() const { return CPoint(st.viewportOrg.x - st.windowOrg.x, st.viewportOrg.y - st.windowOrg.y); }
  bool EffectiveClip(QRegion& out) const;
  QRegion BoundsRegion() const;  // surface bounds in device coordinates (large when unknown)
  bool IsMonochrome() const;

  // Records: Recording() says whether to build one; NewRecord fills in the state in force.
  bool Recording() const;
  platform::DrawRecord NewRecord(platform::DrawOp op) const;
  void Emit(const platform::DrawRecord& r) const;
  void MakeBuffer(bool render);
};
