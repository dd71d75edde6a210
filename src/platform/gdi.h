// Drawing in the Windows manner over Qt: device contexts (plain, memory, paint, client and window
// contexts), pens, brushes, fonts, bitmaps, icons and regions with handles, the system colours and
// metrics as fixed tables, and a recorder that lets a test see every primitive a routine drew.
#pragma once

#include <QFont>
#include <QImage>
#include <QPixmap>
#include <QRegion>
#include <memory>
#include <vector>

#include "platform/cstring.h"
#include "platform/geometry.h"
#include "platform/winmsg.h"

class QPainter;
class QWidget;
class CWnd;
class CDC;
class CBitmap;

// ---- constants ---------------------------------------------------------------------------------

// Pen styles.
#define PS_SOLID 0
#define PS_DASH 1
#define PS_DOT 2
#define PS_DASHDOT 3
#define PS_DASHDOTDOT 4
#define PS_NULL 5
#define PS_INSIDEFRAME 6
#define PS_STYLE_MASK 0x0000000F

// Brush styles and hatches.
#define BS_SOLID 0
#define BS_NULL 1
#define BS_HOLLOW BS_NULL
#define BS_HATCHED 2
#define BS_PATTERN 3
#define HS_HORIZONTAL 0
#define HS_VERTICAL 1
#define HS_FDIAGONAL 2
#define HS_BDIAGONAL 3
#define HS_CROSS 4
#define HS_DIAGCROSS 5

// Font weights, character sets, precision, quality, pitch and family.
#define FW_DONTCARE 0
#define FW_THIN 100
#define FW_EXTRALIGHT 200
#define FW_ULTRALIGHT 200
#define FW_LIGHT 300
#define FW_NORMAL 400
#define FW_REGULAR 400
#define FW_MEDIUM 500
#define FW_SEMIBOLD 600
#define FW_DEMIBOLD 600
#define FW_BOLD 700
#define FW_EXTRABOLD 800
#define FW_ULTRABOLD 800
#define FW_HEAVY 900
#define FW_BLACK 900
#define ANSI_CHARSET 0
#define DEFAULT_CHARSET 1
#define SYMBOL_CHARSET 2
#define HANGUL_CHARSET 129
#define GB2312_CHARSET 134
#define CHINESEBIG5_CHARSET 136
#define OEM_CHARSET 255
#define RUSSIAN_CHARSET 204
#define EASTEUROPE_CHARSET 238
#define OUT_DEFAULT_PRECIS 0
#define OUT_TT_PRECIS 4
#define OUT_TT_ONLY_PRECIS 7
#define CLIP_DEFAULT_PRECIS 0
#define DEFAULT_QUALITY 0
#define DRAFT_QUALITY 1
#define PROOF_QUALITY 2
#define NONANTIALIASED_QUALITY 3
#define ANTIALIASED_QUALITY 4
#define CLEARTYPE_QUALITY 5
#define DEFAULT_PITCH 0
#define FIXED_PITCH 1
#define VARIABLE_PITCH 2
#define FF_DONTCARE 0x00
#define FF_ROMAN 0x10
#define FF_SWISS 0x20
#define FF_MODERN 0x30
#define FF_SCRIPT 0x40
#define FF_DECORATIVE 0x50
#define LF_FACESIZE 32
#define TMPF_FIXED_PITCH 0x01
#define TMPF_VECTOR 0x02
#define TMPF_TRUETYPE 0x04

// Background modes, text alignment, ExtTextOut options.
#define TRANSPARENT 1
#define OPAQUE 2
#define TA_NOUPDATECP 0
#define TA_UPDATECP 1
#define TA_LEFT 0
#define TA_RIGHT 2
#define TA_CENTER 6
#define TA_TOP 0
#define TA_BOTTOM 8
#define TA_BASELINE 24
#define ETO_OPAQUE 0x0002
#define ETO_CLIPPED 0x0004

// DrawText formats.
#define DT_TOP 0x00000000
#define DT_LEFT 0x00000000
#define DT_CENTER 0x00000001
#define DT_RIGHT 0x00000002
#define DT_VCENTER 0x00000004
#define DT_BOTTOM 0x00000008
#define DT_WORDBREAK 0x00000010
#define DT_SINGLELINE 0x00000020
#define DT_EXPANDTABS 0x00000040
#define DT_TABSTOP 0x00000080
#define DT_NOCLIP 0x00000100
#define DT_EXTERNALLEADING 0x00000200
#define DT_CALCRECT 0x00000400
#define DT_NOPREFIX 0x00000800
#define DT_INTERNAL 0x00001000
#define DT_EDITCONTROL 0x00002000
#define DT_PATH_ELLIPSIS 0x00004000
#define DT_END_ELLIPSIS 0x00008000
#define DT_MODIFYSTRING 0x00010000
#define DT_RTLREADING 0x00020000
#define DT_WORD_ELLIPSIS 0x00040000
#define DT_NOFULLWIDTHCHARBREAK 0x00080000
#define DT_HIDEPREFIX 0x00100000
#define DT_PREFIXONLY 0x00200000

// Raster operations (BitBlt, PatBlt) and drawing modes (SetROP2).
#define SRCCOPY 0x00CC0020u
#define SRCPAINT 0x00EE0086u
#define SRCAND 0x008800C6u
#define SRCINVERT 0x00660046u
#define SRCERASE 0x00440328u
#define NOTSRCCOPY 0x00330008u
#define NOTSRCERASE 0x001100A6u
#define MERGECOPY 0x00C000CAu
#define MERGEPAINT 0x00BB0226u
#define PATCOPY 0x00F00021u
#define PATINVERT 0x005A0049u
#define DSTINVERT 0x00550009u
#define BLACKNESS 0x00000042u
#define WHITENESS 0x00FF0062u
#define R2_BLACK 1
#define R2_NOTMERGEPEN 2
#define R2_MASKNOTPEN 3
#define R2_NOTCOPYPEN 4
#define R2_MASKPENNOT 5
#define R2_NOT 6
#define R2_XORPEN 7
#define R2_NOTMASKPEN 8
#define R2_MASKPEN 9
#define R2_NOTXORPEN 10
#define R2_NOP 11
#define R2_MERGENOTPEN 12
#define R2_COPYPEN 13
#define R2_MERGEPENNOT 14
#define R2_MERGEPEN 15
#define R2_WHITE 16
#define BLACKONWHITE 1
#define WHITEONBLACK 2
#define COLORONCOLOR 3
#define HALFTONE 4
#define ALTERNATE 1
#define WINDING 2
#define MM_TEXT 1

// Regions.
#define RGN_ERROR 0
#define NULLREGION 1
#define SIMPLEREGION 2
#define COMPLEXREGION 3
#define RGN_AND 1
#define RGN_OR 2
#define RGN_XOR 3
#define RGN_DIFF 4
#define RGN_COPY 5

// Object types (GetObjectType).
#define OBJ_PEN 1
#define OBJ_BRUSH 2
#define OBJ_DC 3
#define OBJ_FONT 6
#define OBJ_BITMAP 7
#define OBJ_REGION 8
#define OBJ_MEMDC 10

// Stock objects.
#define WHITE_BRUSH 0
#define LTGRAY_BRUSH 1
#define GRAY_BRUSH 2
#define DKGRAY_BRUSH 3
#define BLACK_BRUSH 4
#define NULL_BRUSH 5
#define HOLLOW_BRUSH NULL_BRUSH
#define WHITE_PEN 6
#define BLACK_PEN 7
#define NULL_PEN 8
#define OEM_FIXED_FONT 10
#define ANSI_FIXED_FONT 11
#define ANSI_VAR_FONT 12
#define SYSTEM_FONT 13
#define DEVICE_DEFAULT_FONT 14
#define SYSTEM_FIXED_FONT 16
#define DEFAULT_GUI_FONT 17

// DrawEdge.
#define BDR_RAISEDOUTER 0x0001
#define BDR_SUNKENOUTER 0x0002
#define BDR_RAISEDINNER 0x0004
#define BDR_SUNKENINNER 0x0008
#define BDR_OUTER (BDR_RAISEDOUTER | BDR_SUNKENOUTER)
#define BDR_INNER (BDR_RAISEDINNER | BDR_SUNKENINNER)
#define BDR_RAISED (BDR_RAISEDOUTER | BDR_RAISEDINNER)
#define BDR_SUNKEN (BDR_SUNKENOUTER | BDR_SUNKENINNER)
#define EDGE_RAISED (BDR_RAISEDOUTER | BDR_RAISEDINNER)
#define EDGE_SUNKEN (BDR_SUNKENOUTER | BDR_SUNKENINNER)
#define EDGE_ETCHED (BDR_SUNKENOUTER | BDR_RAISEDINNER)
#define EDGE_BUMP (BDR_RAISEDOUTER | BDR_SUNKENINNER)
#define BF_LEFT 0x0001
#define BF_TOP 0x0002
#define BF_RIGHT 0x0004
#define BF_BOTTOM 0x0008
#define BF_TOPLEFT (BF_TOP | BF_LEFT)
#define BF_TOPRIGHT (BF_TOP | BF_RIGHT)
#define BF_BOTTOMLEFT (BF_BOTTOM | BF_LEFT)
#define BF_BOTTOMRIGHT (BF_BOTTOM | BF_RIGHT)
#define BF_RECT (BF_LEFT | BF_TOP | BF_RIGHT | BF_BOTTOM)
#define BF_DIAGONAL 0x0010
#define BF_MIDDLE 0x0800
#define BF_SOFT 0x1000
#define BF_ADJUST 0x2000
#define BF_FLAT 0x4000
#define BF_MONO 0x8000

// DrawState.
#define DST_COMPLEX 0x0000
#define DST_TEXT 0x0001
#define DST_PREFIXTEXT 0x0002
#define DST_ICON 0x0003
#define DST_BITMAP 0x0004
#define DSS_NORMAL 0x0000
#define DSS_UNION 0x0010
#define DSS_DISABLED 0x0020
#define DSS_MONO 0x0080

// GetDeviceCaps.
#define TECHNOLOGY 2
#define HORZSIZE 4
#define VERTSIZE 6
#define HORZRES 8
#define VERTRES 10
#define BITSPIXEL 12
#define PLANES 14
#define NUMCOLORS 24
#define RASTERCAPS 38
#define LOGPIXELSX 88
#define LOGPIXELSY 90
#define DT_RASDISPLAY 1
#define RC_BITBLT 0x0001
#define RC_BITMAP64 0x0008
#define RC_DI_BITMAP 0x0080
#define RC_STRETCHBLT 0x0800

// System colours (GetSysColor indices).
#define COLOR_SCROLLBAR 0
#define COLOR_BACKGROUND 1
#define COLOR_DESKTOP COLOR_BACKGROUND
#define COLOR_ACTIVECAPTION 2
#define COLOR_INACTIVECAPTION 3
#define COLOR_MENU 4
#define COLOR_WINDOW 5
#define COLOR_WINDOWFRAME 6
#define COLOR_MENUTEXT 7
#define COLOR_WINDOWTEXT 8
#define COLOR_CAPTIONTEXT 9
#define COLOR_ACTIVEBORDER 10
#define COLOR_INACTIVEBORDER 11
#define COLOR_APPWORKSPACE 12
#define COLOR_HIGHLIGHT 13
#define COLOR_HIGHLIGHTTEXT 14
#define COLOR_BTNFACE 15
#define COLOR_3DFACE COLOR_BTNFACE
#define COLOR_BTNSHADOW 16
#define COLOR_3DSHADOW COLOR_BTNSHADOW
#define COLOR_GRAYTEXT 17
#define COLOR_BTNTEXT 18
#define COLOR_INACTIVECAPTIONTEXT 19
#define COLOR_BTNHIGHLIGHT 20
#define COLOR_BTNHILIGHT COLOR_BTNHIGHLIGHT
#define COLOR_3DHIGHLIGHT COLOR_BTNHIGHLIGHT
#define COLOR_3DHILIGHT COLOR_BTNHIGHLIGHT
#define COLOR_3DDKSHADOW 21
#define COLOR_3DLIGHT 22
#define COLOR_INFOTEXT 23
#define COLOR_INFOBK 24
#define COLOR_HOTLIGHT 26
#define COLOR_GRADIENTACTIVECAPTION 27
#define COLOR_GRADIENTINACTIVECAPTION 28
#define COLOR_MENUHILIGHT 29
#define COLOR_MENUBAR 30

// System metrics (GetSystemMetrics indices).
#define SM_CXSCREEN 0
#define SM_CYSCREEN 1
#define SM_CXVSCROLL 2
#define SM_CYHSCROLL 3
#define SM_CYCAPTION 4
#define SM_CXBORDER 5
#define SM_CYBORDER 6
#define SM_CXDLGFRAME 7
#define SM_CXFIXEDFRAME SM_CXDLGFRAME
#define SM_CYDLGFRAME 8
#define SM_CYFIXEDFRAME SM_CYDLGFRAME
#define SM_CYVTHUMB 9
#define SM_CXHTHUMB 10
#define SM_CXICON 11
#define SM_CYICON 12
#define SM_CXCURSOR 13
#define SM_CYCURSOR 14
#define SM_CYMENU 15
#define SM_CXFULLSCREEN 16
#define SM_CYFULLSCREEN 17
#define SM_CYKANJIWINDOW 18
#define SM_MOUSEPRESENT 19
#define SM_CYVSCROLL 20
#define SM_CXHSCROLL 21
#define SM_DEBUG 22
#define SM_SWAPBUTTON 23
#define SM_CXMIN 28
#define SM_CYMIN 29
#define SM_CXSIZE 30
#define SM_CYSIZE 31
#define SM_CXFRAME 32
#define SM_CXSIZEFRAME SM_CXFRAME
#define SM_CYFRAME 33
#define SM_CYSIZEFRAME SM_CYFRAME
#define SM_CXMINTRACK 34
#define SM_CYMINTRACK 35
#define SM_CXDOUBLECLK 36
#define SM_CYDOUBLECLK 37
#define SM_CXICONSPACING 38
#define SM_CYICONSPACING 39
#define SM_MENUDROPALIGNMENT 40
#define SM_CMOUSEBUTTONS 43
#define SM_CXEDGE 45
#define SM_CYEDGE 46
#define SM_CXSMICON 49
#define SM_CYSMICON 50
#define SM_CYSMCAPTION 51
#define SM_CXSMSIZE 52
#define SM_CYSMSIZE 53
#define SM_CXMENUSIZE 54
#define SM_CYMENUSIZE 55
#define SM_CXMAXTRACK 59
#define SM_CYMAXTRACK 60
#define SM_CXMAXIMIZED 61
#define SM_CYMAXIMIZED 62
#define SM_CXDRAG 68
#define SM_CYDRAG 69
#define SM_CXMENUCHECK 71
#define SM_CYMENUCHECK 72
#define SM_XVIRTUALSCREEN 76
#define SM_YVIRTUALSCREEN 77
#define SM_CXVIRTUALSCREEN 78
#define SM_CYVIRTUALSCREEN 79
#define SM_CMONITORS 80
#define SM_CXFOCUSBORDER 83
#define SM_CYFOCUSBORDER 84
#define SM_CXPADDEDBORDER 92

#define CLR_INVALID 0xFFFFFFFFu
#define CLR_NONE 0xFFFFFFFFu
#define CLR_DEFAULT 0xFF000000u

// ---- records -----------------------------------------------------------------------------------

struct LOGFONT {
  LONG lfHeight;
  LONG lfWidth;
  LONG lfEscapement;
  LONG lfOrientation;
  LONG lfWeight;
  BYTE lfItalic;
  BYTE lfUnderline;
  BYTE lfStrikeOut;
  BYTE lfCharSet;
  BYTE lfOutPrecision;
  BYTE lfClipPrecision;
  BYTE lfQuality;
  BYTE lfPitchAndFamily;
  wchar_t lfFaceName[LF_FACESIZE];
};
typedef LOGFONT* LPLOGFONT;
typedef LOGFONT LOGFONTW;

struct LOGPEN {
  UINT lopnStyle;
  POINT lopnWidth;
  COLORREF lopnColor;
};

struct LOGBRUSH {
  UINT lbStyle;
  COLORREF lbColor;
  ULONG_PTR lbHatch;
};

struct BITMAP {
  LONG bmType;
  LONG bmWidth;
  LONG bmHeight;
  LONG bmWidthBytes;
  WORD bmPlanes;
  WORD bmBitsPixel;
  LPVOID bmBits;
};

struct TEXTMETRIC {
  LONG tmHeight;
  LONG tmAscent;
  LONG tmDescent;
  LONG tmInternalLeading;
  LONG tmExternalLeading;
  LONG tmAveCharWidth;
  LONG tmMaxCharWidth;
  LONG tmWeight;
  LONG tmOverhang;
  LONG tmDigitizedAspectX;
  LONG tmDigitizedAspectY;
  wchar_t tmFirstChar;
  wchar_t tmLastChar;
  wchar_t tmDefaultChar;
  wchar_t tmBreakChar;
  BYTE tmItalic;
  BYTE tmUnderlined;
  BYTE tmStruckOut;
  BYTE tmPitchAndFamily;
  BYTE tmCharSet;
};
typedef TEXTMETRIC* LPTEXTMETRIC;

struct PAINTSTRUCT {
  HDC hdc;
  BOOL fErase;
  RECT rcPaint;
  BOOL fRestore;
  BOOL fIncUpdate;
  BYTE rgbReserved[32];
};

struct ICONINFO {
  BOOL fIcon;
  DWORD xHotspot;
  DWORD yHotspot;
  HBITMAP hbmMask;   // monochrome: white where the icon is transparent
  HBITMAP hbmColor;  // 32-bit colour bitmap
};
typedef ICONINFO* PICONINFO;

// ---- GDI objects -------------------------------------------------------------------------------

// Base of the drawing objects. An object holds one handle; destroying the object deletes the
// handle's GDI object (unless it is a stock object). A handle stays valid, and resolvable with
// FromHandle, until the object behind it is deleted.
class CGdiObject {
 public:
  CGdiObject() = default;
  virtual ~CGdiObject();
  CGdiObject(const CGdiObject&) = delete;
  CGdiObject& operator=(const CGdiObject&) = delete;

  HGDIOBJ m_hObject = nullptr;

  HGDIOBJ GetSafeHandle() const { return m_hObject; }
  operator HGDIOBJ() const { return m_hObject; }
  // Takes a live handle (FALSE when the handle is unknown or this object already holds one).
  BOOL Attach(HGDIOBJ hObject);
  HGDIOBJ Detach();
  // Deletes the GDI object held (stock objects are only let go); FALSE when none is held.
  BOOL DeleteObject();
  // Copies the LOGPEN / LOGBRUSH / LOGFONT / BITMAP of the object; bytes written, 0 on error.
  int GetObject(int nCount, LPVOID lpObject) const;
  UINT GetObjectType() const;
  BOOL CreateStockObject(int nIndex);
  BOOL UnrealizeObject() { return m_hObject != nullptr; }
  // The object for a handle: its owner, or a stand-in object kept until the handle is deleted.
  static CGdiObject* FromHandle(HGDIOBJ hObject);

 protected:
  BOOL AttachNew(HGDIOBJ hObject);  // takes a freshly made handle; deletes it when one is held
};

class CPen : public CGdiObject {
 public:
  CPen() = default;
  CPen(int nPenStyle, int nWidth, COLORREF crColor) { CreatePen(nPenStyle, nWidth, crColor); }
  BOOL CreatePen(int nPenStyle, int nWidth, COLORREF crColor);
  BOOL CreatePenIndirect(const LOGPEN* lpLogPen);
  int GetLogPen(LOGPEN* pLogPen) const;
  operator HPEN() const { return static_cast<HPEN>(m_hObject); }
  static CPen* FromHandle(HPEN hPen);
};

class CBrush : public CGdiObject {
 public:
  CBrush() = default;
  explicit CBrush(COLORREF crColor) { CreateSolidBrush(crColor); }
  CBrush(int nIndex, COLORREF crColor) { CreateHatchBrush(nIndex, crColor); }
  explicit CBrush(CBitmap* pBitmap) { CreatePatternBrush(pBitmap); }
  BOOL CreateSolidBrush(COLORREF crColor);
  BOOL CreateHatchBrush(int nIndex, COLORREF crColor);
  BOOL CreatePatternBrush(CBitmap* pBitmap);
  BOOL CreateBrushIndirect(const LOGBRUSH* lpLogBrush);
  BOOL CreateSysColorBrush(int nIndex);
  int GetLogBrush(LOGBRUSH* pLogBrush) const;
  operator HBRUSH() const { return static_cast<HBRUSH>(m_hObject); }
  // Also resolves the (HBRUSH)(COLOR_xxx + 1) form of a system colour brush.
  static CBrush* FromHandle(HBRUSH hBrush);
};

class CFont : public CGdiObject {
 public:
  CFont() = default;
  // nHeight < 0: character height in pixels; > 0: cell height (ascent + descent); 0: default size.
  BOOL CreateFont(int nHeight, int nWidth, int nEscapement, int nOrientation, int nWeight, BYTE bItalic,
                  BYTE bUnderline, BYTE cStrikeOut, BYTE nCharSet, BYTE nOutPrecision, BYTE nClipPrecision,
                  BYTE nQuality, BYTE nPitchAndFamily, const CString& lpszFacename);
  BOOL CreateFontIndirect(const LOGFONT* lpLogFont);
  // nPointSize in tenths of a point, at the display's 96 pixels per inch.
  BOOL CreatePointFont(int nPointSize, const CString& lpszFaceName, CDC* pDC = nullptr);
  BOOL CreatePointFontIndirect(const LOGFONT* lpLogFont, CDC* pDC = nullptr);
  int GetLogFont(LOGFONT* pLogFont) const;
  // The Qt font (the application's default font when none is held).
  const QFont& GetQFont() const;
  operator HFONT() const { return static_cast<HFONT>(m_hObject); }
  static CFont* FromHandle(HFONT hFont);
};

class CBitmap : public CGdiObject {
 public:
  CBitmap() = default;
  // A bitmap of the program's resources (see resources.h).
  BOOL LoadBitmap(UINT nIDResource);
  // nBitcount 1 (rows padded to 16 bits, bit set = white), 24 or 32 (rows padded to 16 bits,
  // blue-green-red[-unused] bytes); lpBits may be null (black). Width or height 0 gives a 1 x 1
  // monochrome bitmap.
  BOOL CreateBitmap(int nWidth, int nHeight, UINT nPlanes, UINT nBitcount, const void* lpBits);
  BOOL CreateBitmapIndirect(const BITMAP* lpBitmap);
  // Same format as the bitmap selected into the context: 32-bit, or monochrome for a memory
  // context that still holds its initial monochrome bitmap. Contents are black.
  BOOL CreateCompatibleBitmap(CDC* pDC, int nWidth, int nHeight);
  BOOL CreateDiscardableBitmap(CDC* pDC, int nWidth, int nHeight) { return CreateCompatibleBitmap(pDC, nWidth, nHeight); }
  int GetBitmap(BITMAP* pBitMap) const;
  CSize GetBitmapDimension() const;
  CSize SetBitmapDimension(int nWidth, int nHeight);
  // The pixels in the layout of CreateBitmap; bytes copied.
  DWORD GetBitmapBits(DWORD dwCount, LPVOID lpBits) const;
  DWORD SetBitmapBits(DWORD dwCount, const void* lpBits);
  operator HBITMAP() const { return static_cast<HBITMAP>(m_hObject); }
  static CBitmap* FromHandle(HBITMAP hBitmap);

  // Layer access: a copy of the pixels, and a bitmap made from an image.
  QImage GetQImage() const;
  QPixmap GetQPixmap() const;
  BOOL CreateFromImage(const QImage& image);
};

class CRgn : public CGdiObject {
 public:
  CRgn() = default;
  BOOL CreateRectRgn(int x1, int y1, int x2, int y2);
  BOOL CreateRectRgnIndirect(LPCRECT lpRect);
  BOOL CreateEllipticRgn(int x1, int y1, int x2, int y2);
  BOOL CreateEllipticRgnIndirect(LPCRECT lpRect);
  BOOL CreateRoundRectRgn(int x1, int y1, int x2, int y2, int x3, int y3);
  BOOL CreatePolygonRgn(const POINT* lpPoints, int nCount, int nPolyFillMode);
  void SetRectRgn(int x1, int y1, int x2, int y2);
  void SetRectRgn(LPCRECT lpRect);
  // Combines two regions into this one (made empty first when this holds none); the type of the
  // result, RGN_ERROR on a bad argument.
  int CombineRgn(const CRgn* pRgn1, const CRgn* pRgn2, int nCombineMode);
  int CopyRgn(const CRgn* pRgnSrc);
  BOOL EqualRgn(const CRgn* pRgn) const;
  int OffsetRgn(int x, int y);
  int OffsetRgn(POINT point) { return OffsetRgn(point.x, point.y); }
  int GetRgnBox(LPRECT lpRect) const;
  BOOL PtInRegion(int x, int y) const;
  BOOL PtInRegion(POINT point) const { return PtInRegion(point.x, point.y); }
  BOOL RectInRegion(LPCRECT lpRect) const;
  operator HRGN() const { return static_cast<HRGN>(m_hObject); }
  static CRgn* FromHandle(HRGN hRgn);

  QRegion GetQRegion() const;
};

// ---- device contexts ---------------------------------------------------------------------------

// A drawing surface with the Windows drawing state (colours, modes, selected objects, origins,
// clip). The handle of a context is the context itself. What it draws on: a QPainter given with
// AttachPainter, the bitmap selected into a memory context, or a window (see CPaintDC). A context
// without a surface draws nothing but still reports its primitives to an active DrawRecorder.
class CDC {
 public:
  CDC();
  virtual ~CDC();
  CDC(const CDC&) = delete;
  CDC& operator=(const CDC&) = delete;

  HDC m_hDC;  // this context, as a handle

  HDC GetSafeHdc() const { return m_hDC; }
  operator HDC() const { return m_hDC; }
  // The context of a handle; null for a handle that is not a live context.
  static CDC* FromHandle(HDC hDC);

  // Layer access: draw through a painter (it must be active, and outlive the attachment). The
  // painter's own state is put back when the context lets it go (DetachPainter, another
  // AttachPainter, DeleteDC or destruction). On a painter of a window's paint the context starts
  // with the window's font (CWnd::SetFont on it or a parent in the same window), else the
  // DEFAULT_GUI_FONT, as the context of an owner-drawn control does.
  BOOL AttachPainter(QPainter* painter);
  QPainter* DetachPainter();
  // Makes this object a second name for another context (its state and surface are shared).
  BOOL Attach(HDC hDC);
  HDC Detach();

  BOOL CreateCompatibleDC(CDC* pDC);
  BOOL DeleteDC();
  BOOL IsPrinting() const { return FALSE; }
  CWnd* GetWindow() const;
  int GetDeviceCaps(int nIndex) const;

  // Objects.
  CPen* SelectObject(CPen* pPen);
  CBrush* SelectObject(CBrush* pBrush);
  CFont* SelectObject(CFont* pFont);
  // Memory contexts only; null when the bitmap is selected into another context.
  CBitmap* SelectObject(CBitmap* pBitmap);
  int SelectObject(CRgn* pRgn);  // as SelectClipRgn
  CGdiObject* SelectObject(CGdiObject* pObject);
  CGdiObject* SelectStockObject(int nIndex);
  CPen* GetCurrentPen() const;
  CBrush* GetCurrentBrush() const;
  CFont* GetCurrentFont() const;
  CBitmap* GetCurrentBitmap() const;
  int SaveDC();
  // nSavedDC > 0: that level; < 0: relative to the last save (-1 = the last).
  BOOL RestoreDC(int nSavedDC);

  // Attributes.
  COLORREF SetTextColor(COLORREF crColor);
  COLORREF GetTextColor() const;
  COLORREF SetBkColor(COLORREF crColor);
  COLORREF GetBkColor() const;
  int SetBkMode(int nBkMode);
  int GetBkMode() const;
  int SetROP2(int nDrawMode);
  int GetROP2() const;
  int SetStretchBltMode(int nStretchMode);
  int GetStretchBltMode() const;
  int SetPolyFillMode(int nPolyFillMode);
  int GetPolyFillMode() const;
  UINT SetTextAlign(UINT nFlags);
  UINT GetTextAlign() const;
  int SetMapMode(int nMapMode);  // only MM_TEXT
  int GetMapMode() const;

  // Coordinates: device = logical - window origin + viewport origin.
  CPoint SetViewportOrg(int x, int y);
  CPoint SetViewportOrg(POINT point) { return SetViewportOrg(point.x, point.y); }
  CPoint OffsetViewportOrg(int nWidth, int nHeight);
  CPoint GetViewportOrg() const;
  CPoint SetWindowOrg(int x, int y);
  CPoint SetWindowOrg(POINT point) { return SetWindowOrg(point.x, point.y); }
  CPoint OffsetWindowOrg(int nWidth, int nHeight);
  CPoint GetWindowOrg() const;
  void LPtoDP(LPPOINT lpPoints, int nCount = 1) const;
  void LPtoDP(LPRECT lpRect) const;
  void DPtoLP(LPPOINT lpPoints, int nCount = 1) const;
  void DPtoLP(LPRECT lpRect) const;

  // Clipping (regions are in device coordinates, rectangles in logical ones).
  int IntersectClipRect(int x1, int y1, int x2, int y2);
  int IntersectClipRect(LPCRECT lpRect);
  int ExcludeClipRect(int x1, int y1, int x2, int y2);
  int ExcludeClipRect(LPCRECT lpRect);
  int SelectClipRgn(CRgn* pRgn);
  int SelectClipRgn(CRgn* pRgn, int nMode);
  int GetClipBox(LPRECT lpRect) const;
  BOOL PtVisible(int x, int y) const;
  BOOL RectVisible(LPCRECT lpRect) const;

  // Lines and shapes (drawn with the selected pen, filled with the selected brush).
  CPoint MoveTo(int x, int y);
  CPoint MoveTo(POINT point) { return MoveTo(point.x, point.y); }
  CPoint GetCurrentPosition() const;
  BOOL LineTo(int x, int y);
  BOOL LineTo(POINT point) { return LineTo(point.x, point.y); }
  BOOL Polyline(const POINT* lpPoints, int nCount);
  BOOL Polygon(const POINT* lpPoints, int nCount);
  BOOL Rectangle(int x1, int y1, int x2, int y2);
  BOOL Rectangle(LPCRECT lpRect);
  BOOL RoundRect(int x1, int y1, int x2, int y2, int x3, int y3);
  BOOL RoundRect(LPCRECT lpRect, POINT point);
  BOOL Ellipse(int x1, int y1, int x2, int y2);
  BOOL Ellipse(LPCRECT lpRect);
  COLORREF SetPixel(int x, int y, COLORREF crColor);
  COLORREF SetPixel(POINT point, COLORREF crColor) { return SetPixel(point.x, point.y, crColor); }
  BOOL SetPixelV(int x, int y, COLORREF crColor) { return SetPixel(x, y, crColor) != CLR_INVALID; }
  // The colour of a pixel; CLR_INVALID outside the surface or when the surface cannot be read.
  COLORREF GetPixel(int x, int y) const;
  COLORREF GetPixel(POINT point) const { return GetPixel(point.x, point.y); }

  // Areas. FillSolidRect leaves the background colour set to crColor.
  void FillSolidRect(LPCRECT lpRect, COLORREF crColor);
  void FillSolidRect(int x, int y, int cx, int cy, COLORREF crColor);
  void FillRect(LPCRECT lpRect, CBrush* pBrush);
  void FrameRect(LPCRECT lpRect, CBrush* pBrush);
  void InvertRect(LPCRECT lpRect);
  BOOL FillRgn(CRgn* pRgn, CBrush* pBrush);
  BOOL FrameRgn(CRgn* pRgn, CBrush* pBrush, int nWidth, int nHeight);
  void Draw3dRect(LPCRECT lpRect, COLORREF clrTopLeft, COLORREF clrBottomRight);
  void Draw3dRect(int x, int y, int cx, int cy, COLORREF clrTopLeft, COLORREF clrBottomRight);
  BOOL DrawEdge(LPRECT lpRect, UINT nEdge, UINT nFlags);
  void DrawFocusRect(LPCRECT lpRect);

  // Text in the selected font.
  // Returns the text height (with DT_VCENTER / DT_BOTTOM on one line: the offset from the top of
  // the rectangle to the bottom of the text); DT_CALCRECT sets the rectangle's right and bottom
  // to fit the text and draws nothing.
  int DrawText(const CString& str, LPRECT lpRect, UINT nFormat);
  int DrawText(const wchar_t* lpszString, int nCount, LPRECT lpRect, UINT nFormat);
  BOOL TextOut(int x, int y, const CString& str);
  BOOL TextOut(int x, int y, const wchar_t* lpszString, int nCount);
  BOOL ExtTextOut(int x, int y, UINT nOptions, LPCRECT lpRect, const CString& str, const int* lpDxWidths = nullptr);
  CSize GetTextExtent(const CString& str) const;
  CSize GetTextExtent(const wchar_t* lpszString, int nCount) const;
  CSize GetOutputTextExtent(const CString& str) const { return GetTextExtent(str); }
  BOOL GetTextMetrics(LPTEXTMETRIC lpMetrics) const;

  // Bitmaps and icons.
  BOOL BitBlt(int x, int y, int nWidth, int nHeight, CDC* pSrcDC, int xSrc, int ySrc, DWORD dwRop);
  BOOL StretchBlt(int x, int y, int nWidth, int nHeight, CDC* pSrcDC, int xSrc, int ySrc, int nSrcWidth,
                  int nSrcHeight, DWORD dwRop);
  // Copies (and scales) the source, leaving out the source pixels of the colour crTransparent.
  BOOL TransparentBlt(int xDest, int yDest, int nDestWidth, int nDestHeight, CDC* pSrcDC, int xSrc, int ySrc,
                      int nSrcWidth, int nSrcHeight, UINT crTransparent);
  BOOL PatBlt(int x, int y, int nWidth, int nHeight, DWORD dwRop);
  // Draws an icon at the standard icon size (SM_CXICON x SM_CYICON).
  BOOL DrawIcon(int x, int y, HICON hIcon);
  BOOL DrawIcon(POINT point, HICON hIcon) { return DrawIcon(point.x, point.y, hIcon); }
  // DST_ICON / DST_BITMAP images at their own size; DSS_DISABLED draws them embossed.
  BOOL DrawState(CPoint pt, CSize size, HICON hIcon, UINT nFlags, CBrush* pBrush = nullptr);
  BOOL DrawState(CPoint pt, CSize size, HBITMAP hBitmap, UINT nFlags, HBRUSH hBrush = nullptr);
  BOOL DrawState(CPoint pt, CSize size, CBitmap* pBitmap, UINT nFlags, CBrush* pBrush = nullptr);

  struct Impl;
  Impl* GetImpl() const { return d; }

 protected:
  std::unique_ptr<Impl> m_own;
  Impl* d;
};

// The context of a window's WM_PAINT: during the window's paint event it paints on the window;
// otherwise it draws nothing (primitives are still recorded).
class CPaintDC : public CDC {
 public:
  explicit CPaintDC(CWnd* pWnd);
  ~CPaintDC() override;
  PAINTSTRUCT m_ps;

 protected:
  HWND m_hWnd;
};

// A window's client area. Inside the window's paint event it paints on the window; elsewhere it
// draws into a throw-away buffer, and reading from it (as a BitBlt source) gives the window's look.
class CClientDC : public CDC {
 public:
  explicit CClientDC(CWnd* pWnd);
  ~CClientDC() override;

 protected:
  HWND m_hWnd;
};

// The whole window (the same area as the client area here).
class CWindowDC : public CDC {
 public:
  explicit CWindowDC(CWnd* pWnd);
  ~CWindowDC() override;

 protected:
  HWND m_hWnd;
};

// ---- global functions --------------------------------------------------------------------------

// Windows 10 default colours; 0 for an unknown index.
COLORREF GetSysColor(int nIndex);
// A stock brush of the colour; null for an unknown index.
HBRUSH GetSysColorBrush(int nIndex);
int GetSystemMetrics(int nIndex);

// The desktop's fonts and sizes of window frames (SystemParametersInfo SPI_GETNONCLIENTMETRICS).
#define SPI_GETNONCLIENTMETRICS 0x0029
struct NONCLIENTMETRICS {
  UINT cbSize;
  int iBorderWidth;
  int iScrollWidth;
  int iScrollHeight;
  int iCaptionWidth;
  int iCaptionHeight;
  LOGFONT lfCaptionFont;
  int iSmCaptionWidth;
  int iSmCaptionHeight;
  LOGFONT lfSmCaptionFont;
  int iMenuWidth;
  int iMenuHeight;
  LOGFONT lfMenuFont;
  LOGFONT lfStatusFont;
  LOGFONT lfMessageFont;
  int iPaddedBorderWidth;
};
typedef NONCLIENTMETRICS NONCLIENTMETRICSW;
// Only SPI_GETNONCLIENTMETRICS is answered: pvParam a NONCLIENTMETRICS whose cbSize (uiParam when
// given) covers at least the message font. The fonts are the desktop's (its message box font for
// lfMessageFont). FALSE for other actions.
BOOL SystemParametersInfo(UINT uiAction, UINT uiParam, void* pvParam, UINT fWinIni);

HGDIOBJ GetStockObject(int nIndex);
BOOL DeleteObject(HGDIOBJ hObject);
int GetObject(HGDIOBJ hObject, int nCount, LPVOID lpObject);
DWORD GetObjectType(HGDIOBJ hObject);
HBRUSH CreateSolidBrush(COLORREF crColor);
HPEN CreatePen(int nPenStyle, int nWidth, COLORREF crColor);
HFONT CreateFontIndirect(const LOGFONT* lpLogFont);
BOOL GetTextExtentPoint32(HDC hDC, const wchar_t* lpString, int nCount, SIZE* lpSize);
int FillRect(HDC hDC, const RECT* lpRect, HBRUSH hBrush);
// Icons: the colour and mask bitmaps of an icon are new bitmaps the caller deletes.
BOOL GetIconInfo(HICON hIcon, PICONINFO pIconInfo);
HICON CreateIconIndirect(PICONINFO pIconInfo);
HICON CopyIcon(HICON hIcon);
BOOL DestroyIcon(HICON hIcon);
int MulDiv(int nNumber, int nNumerator, int nDenominator);

namespace platform {

QColor QColorFromColorRef(COLORREF color);
COLORREF ColorRefFromQColor(const QColor& color);

// Conversions for the rest of the layer (empty results for handles that are not live objects).
QPixmap PixmapFromHBitmap(HBITMAP hBitmap);
QImage ImageFromHBitmap(HBITMAP hBitmap);
HBITMAP HBitmapFromImage(const QImage& image);  // a new bitmap the caller deletes
QImage ImageFromHIcon(HICON hIcon);
HICON HIconFromImage(const QImage& image);      // a new icon the caller destroys
QFont QFontFromHandle(HFONT hFont);
// The handle of a font a window draws with (a dialog's font, given to its controls as their own):
// one lasting object per distinct font, never deleted.
HFONT FontHandleOf(const QFont& font);
// Once per process: the Windows faces of templates and fonts are mapped to installed faces of like
// metrics (Arial to Liberation Sans, the dialog font to a sans no wider than it, ...), and the
// application's font becomes the dialog font (8 points, 11 pixels), so that texts get the room
// the dialog units give them.
void EnsureDialogFont();
// The face the dialog font of templates resolves to.
QFont DialogFont();
// A brush handle (also (HBRUSH)(COLOR_xxx + 1)) as a Qt brush; false for an unknown handle.
bool QBrushFromHandle(HBRUSH hBrush, QBrush* brush);

// Draws the whole bitmap at (x, y) leaving out its pixels of the colour key.
BOOL DrawTransparentBitmap(CDC* pDC, CBitmap* pBitmap, int x, int y, COLORREF key);

// Gives a window the shape of a region (null: the whole window again). The region is copied.
BOOL SetWidgetRegion(CWnd* pWnd, CRgn* pRgn);

// ---- recording ----

enum class DrawOp {
  FillSolidRect,
  FillRect,
  FrameRect,
  InvertRect,
  FillRgn,
  FrameRgn,
  Draw3dRect,
  DrawEdge,
  DrawFocusRect,
  Rectangle,
  RoundRect,
  Ellipse,
  Polygon,
  Polyline,
  LineTo,
  SetPixel,
  DrawText,
  TextOut,
  ExtTextOut,
  BitBlt,
  StretchBlt,
  TransparentBlt,
  PatBlt,
  DrawIcon,
  DrawState,
  ThemeBackground,  // a theme part drawn by the theme provider: format = part, flags = state
};

// One primitive as drawn: coordinates are the context's logical ones.
struct DrawRecord {
  DrawOp op = DrawOp::FillSolidRect;
  const CDC* dc = nullptr;
  CRect rect;                  // the destination rectangle (shapes, fills, text, blits)
  std::vector<CPoint> points;  // LineTo (from, to), Polygon, Polyline, TextOut (the origin)
  CString text;                // as passed
  UINT format = 0;             // DrawText format, ExtTextOut options, DrawEdge edge, DrawState flags
  UINT flags = 0;              // DrawEdge flags
  COLORREF color = 0;          // explicit colour argument (FillSolidRect, SetPixel, Draw3dRect top-left)
  COLORREF color2 = 0;         // Draw3dRect bottom-right
  // The state in force.
  COLORREF textColor = 0;
  COLORREF bkColor = 0;
  int bkMode = OPAQUE;
  COLORREF brushColor = 0;     // the brush used (FillRect / FrameRect / FillRgn: the one passed)
  bool brushNull = false;
  COLORREF penColor = 0;
  bool penNull = false;
  int penWidth = 0;
  int rop2 = R2_COPYPEN;
  CString fontFace;
  int fontHeight = 0;
  int fontWeight = 0;
  bool fontItalic = false;
  // Blits.
  CRect srcRect;               // in the source's logical coordinates
  CSize srcSize;               // the source's bitmap or surface size
  DWORD rop = 0;
  bool hasTransparentKey = false;
  COLORREF transparentKey = 0;
};

// While started, every context appends one record per primitive it draws (any thread). Started
// recorders nest: the latest one started receives the records until it stops.
class DrawRecorder {
 public:
  DrawRecorder();
  ~DrawRecorder();
  DrawRecorder(const DrawRecorder&) = delete;
  DrawRecorder& operator=(const DrawRecorder&) = delete;

  void Start();
  void Stop();
  void Clear();
  std::vector<DrawRecord> Records() const;
  std::vector<DrawRecord> Records(DrawOp op) const;
  size_t Count(DrawOp op) const;

  // Layer internals.
  void Append(const DrawRecord& record);

 private:
  struct Data;
  std::unique_ptr<Data> m_d;
};

}  // namespace platform
