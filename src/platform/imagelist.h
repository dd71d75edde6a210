// CImageList: a row of equally sized small images (with transparency) that list views, tab
// controls and headers draw beside their texts, and the floating image that follows the mouse
// while the user drags something.
#pragma once

#include <memory>

#include "platform/geometry.h"
#include "platform/winmsg.h"

class CBitmap;
class CDC;
class CWnd;
class QImage;
class QPainter;

typedef struct _IMAGELIST* HIMAGELIST;

// Creation flags.
#define ILC_MASK 0x00000001u
#define ILC_COLOR 0x00000000u
#define ILC_COLORDDB 0x000000FEu
#define ILC_COLOR4 0x00000004u
#define ILC_COLOR8 0x00000008u
#define ILC_COLOR16 0x00000010u
#define ILC_COLOR24 0x00000018u
#define ILC_COLOR32 0x00000020u

// Drawing styles.
#define ILD_NORMAL 0x00000000u
#define ILD_TRANSPARENT 0x00000001u
#define ILD_BLEND25 0x00000002u
#define ILD_FOCUS ILD_BLEND25
#define ILD_BLEND50 0x00000004u
#define ILD_SELECTED ILD_BLEND50
#define ILD_BLEND ILD_BLEND50
#define ILD_MASK 0x00000010u
#define ILD_IMAGE 0x00000020u

#ifndef CLR_NONE
#define CLR_NONE 0xFFFFFFFFu
#endif
#ifndef CLR_DEFAULT
#define CLR_DEFAULT 0xFF000000u
#endif

struct IMAGEINFO {
  HBITMAP hbmImage;
  HBITMAP hbmMask;
  int Unused1;
  int Unused2;
  RECT rcImage;  // the image's place: (0, 0)-(cx, cy) shifted by index * cx
};

namespace platform {
// The images of one image list. Controls that show an image list share it, so the list's
// images stay valid for them even when the CImageList object that made it goes away.
struct ImageListData;
// The image of one entry as ARGB pixels (a null image for a bad index).
QImage ImageListImage(HIMAGELIST list, int index);
// Size of the entries (0 x 0 for null).
CSize ImageListSize(HIMAGELIST list);
int ImageListCount(HIMAGELIST list);
// Draws one entry with its transparency at (x, y); false for a bad list or index.
bool ImageListDraw(HIMAGELIST list, int index, QPainter* painter, int x, int y, UINT style = ILD_NORMAL);
// Shares the data of a list by handle (null for an unknown handle).
std::shared_ptr<ImageListData> ImageListShare(HIMAGELIST list);
}  // namespace platform

class CImageList {
 public:
  CImageList();
  ~CImageList();
  CImageList(const CImageList&) = delete;
  CImageList& operator=(const CImageList&) = delete;

  // A new, empty list of cx x cy images (FALSE when this object already has a list or a size
  // is not positive). nInitial and nGrow are accepted for compatibility.
  BOOL Create(int cx, int cy, UINT nFlags, int nInitial, int nGrow);
  // Takes a copy of another list's images.
  BOOL Create(CImageList* pImageList);
  BOOL DeleteImageList();
  HIMAGELIST GetSafeHandle() const;
  operator HIMAGELIST() const { return GetSafeHandle(); }
  // The object that stands for a handle: the one that created it or, for a handle a control
  // handed out, a lasting stand-in (null for null).
  static CImageList* FromHandle(HIMAGELIST hImageList);
  // Makes this object share an existing list (FALSE when it already has one).
  BOOL Attach(HIMAGELIST hImageList);
  HIMAGELIST Detach();

  // A bitmap wider than one image adds one image per cx pixels. Returns the index of the first
  // image added, -1 on failure. The mask colour (with ILC_MASK) becomes transparent; a mask
  // bitmap makes its white pixels transparent.
  int Add(CBitmap* pbmImage, CBitmap* pbmMask);
  int Add(CBitmap* pbmImage, COLORREF crMask);
  int Add(HICON hIcon);
  // Layer form: adds an image (scaled to the list's size when it differs).
  int Add(const QImage& image);
  BOOL Replace(int nImage, const QImage& image);
  BOOL Remove(int nImage);  // -1 removes all
  int GetImageCount() const;
  BOOL SetImageCount(UINT uNewCount);
  BOOL GetImageInfo(int nImage, IMAGEINFO* pImageInfo) const;
  COLORREF SetBkColor(COLORREF cr);
  COLORREF GetBkColor() const;

  BOOL Draw(CDC* pDC, int nImage, POINT pt, UINT nStyle);

  // Dragging: one drag image at a time for the whole application. BeginDrag makes the image of
  // nImage (hot spot relative to its top-left corner) the drag image; DragEnter shows it at
  // point, relative to the top-left corner of pWndLock's window (screen coordinates for null);
  // DragMove moves it; DragShowNolock shows or hides it; DragLeave hides it; EndDrag ends.
  BOOL BeginDrag(int nImage, CPoint ptHotSpot);
  static BOOL DragEnter(CWnd* pWndLock, CPoint point);
  static BOOL DragMove(CPoint pt);
  static BOOL DragShowNolock(BOOL bShow);
  static BOOL DragLeave(CWnd* pWndLock);
  static void EndDrag();
  // Layer internals for tests: whether the drag image is shown, and where (screen coordinates).
  static bool IsDragImageShown(POINT* topLeft = nullptr);

 private:
  std::shared_ptr<platform::ImageListData> m_data;
};
