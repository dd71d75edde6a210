// Image lists: the images live in a shared record, so that every control showing a list keeps
// it alive; the drag image is a frameless window that lets the mouse through.
#include "platform/imagelist.h"

#include <QApplication>
#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <algorithm>
#include <map>
#include <mutex>
#include <set>
#include <vector>

#include "platform/gdi.h"
#include "platform/wnd.h"

namespace platform {

struct ImageListData : std::enable_shared_from_this<ImageListData> {
  ImageListData(int w, int h, UINT f);
  ~ImageListData();
  int cx;
  int cy;
  UINT flags;
  COLORREF bk = CLR_NONE;
  std::vector<QImage> images;  // ARGB32, cx x cy each
};

namespace {

std::mutex& RegistryMutex() {
  static std::mutex m;
  return m;
}
std::set<const ImageListData*>& LiveLists() {
  static auto* s = new std::set<const ImageListData*>();
  return *s;
}
// Lists let go by CImageList::Detach, kept until a holder takes them again.
std::map<const ImageListData*, std::shared_ptr<ImageListData>>& Orphans() {
  static auto* m = new std::map<const ImageListData*, std::shared_ptr<ImageListData>>();
  return *m;
}
std::vector<CImageList*>& LiveObjects() {
  static auto* v = new std::vector<CImageList*>();
  return *v;
}

QImage Fit(const QImage& image, int cx, int cy) {
  QImage img = image.convertToFormat(QImage::Format_ARGB32);
  if (img.width() == cx && img.height() == cy) return img;
  QImage out(cx, cy, QImage::Format_ARGB32);
  out.fill(Qt::transparent);
  QPainter p(&out);
  p.setRenderHint(QPainter::SmoothPixmapTransform, true);
  p.drawImage(QRect(0, 0, cx, cy), img);
  return out;
}

// Cuts a strip into images of the list's size (a narrow strip still gives one image).
std::vector<QImage> Cut(const QImage& strip, int cx, int cy) {
  std::vector<QImage> out;
  if (strip.isNull() || cx <= 0 || cy <= 0) return out;
  int count = std::max(1, strip.width() / cx);
  for (int k = 0; k < count; ++k) {
    QImage tile(cx, cy, QImage::Format_ARGB32);
    tile.fill(Qt::transparent);
    QPainter p(&tile);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(QPoint(0, 0), strip, QRect(k * cx, 0, cx, std::min(cy, strip.height())));
    p.end();
    out.push_back(tile);
  }
  return out;
}

QRgb Rgb(COLORREF c) { return qRgb(GetRValue(c), GetGValue(c), GetBValue(c)); }

bool HaveGui() { return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr; }

struct DragState {
  bool began = false;
  bool entered = false;
  bool shown = true;
  QImage image;
  QPoint hotspot;
  QPoint lockOrigin;
  QPoint topLeft;
  QPointer<QLabel> window;
};

DragState& Drag() {
  static auto* d = new DragState();
  return *d;
}

void PlaceDragWindow() {
  DragState& d = Drag();
  bool visible = d.began && d.entered && d.shown;
  if (!visible) {
    if (d.window != nullptr) d.window->hide();
    return;
  }
  if (!HaveGui()) return;
  if (d.window == nullptr) {
    auto* label = new QLabel();
    label->setWindowFlags(Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                          Qt::WindowTransparentForInput | Qt::WindowDoesNotAcceptFocus);
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    label->setAttribute(Qt::WA_ShowWithoutActivating);
    label->setAttribute(Qt::WA_TranslucentBackground);
    label->setPixmap(QPixmap::fromImage(d.image));
    label->resize(d.image.size());
    d.window = label;
  }
  d.window->move(d.topLeft);
  d.window->show();
}

}  // namespace

ImageListData::ImageListData(int w, int h, UINT f) : cx(w), cy(h), flags(f) {
  std::lock_guard<std::mutex> lock(RegistryMutex());
  LiveLists().insert(this);
}

ImageListData::~ImageListData() {
  std::lock_guard<std::mutex> lock(RegistryMutex());
  LiveLists().erase(this);
}

std::shared_ptr<ImageListData> ImageListShare(HIMAGELIST list) {
  auto* data = reinterpret_cast<const ImageListData*>(list);
  if (data == nullptr) return nullptr;
  {
    std::lock_guard<std::mutex> lock(RegistryMutex());
    if (LiveLists().count(data) == 0) return nullptr;
  }
  return const_cast<ImageListData*>(data)->shared_from_this();
}

QImage ImageListImage(HIMAGELIST list, int index) {
  std::shared_ptr<ImageListData> d = ImageListShare(list);
  if (d == nullptr || index < 0 || index >= static_cast<int>(d->images.size())) return QImage();
  return d->images[static_cast<size_t>(index)];
}

CSize ImageListSize(HIMAGELIST list) {
  std::shared_ptr<ImageListData> d = ImageListShare(list);
  return d != nullptr ? CSize(d->cx, d->cy) : CSize();
}

int ImageListCount(HIMAGELIST list) {
  std::shared_ptr<ImageListData> d = ImageListShare(list);
  return d != nullptr ? static_cast<int>(d->images.size()) : 0;
}

namespace {
// The picture an entry gives in a drawing style.
QImage Styled(const ImageListData& d, int index, UINT style) {
  QImage img = d.images[static_cast<size_t>(index)];
  if (style & ILD_MASK) {
    QImage mask(img.size(), QImage::Format_ARGB32);
    for (int y = 0; y < img.height(); ++y) {
      for (int x = 0; x < img.width(); ++x) {
        mask.setPixel(x, y, qAlpha(img.pixel(x, y)) == 0 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
      }
    }
    return mask;
  }
  if (d.bk != CLR_NONE && !(style & ILD_TRANSPARENT)) {
    QImage back(img.size(), QImage::Format_ARGB32);
    back.fill(QColor(Rgb(d.bk)));
    QPainter p(&back);
    p.drawImage(0, 0, img);
    p.end();
    img = back;
  }
  if (style & (ILD_BLEND25 | ILD_BLEND50)) {
    QColor tint(Rgb(GetSysColor(COLOR_HIGHLIGHT)));
    tint.setAlphaF((style & ILD_BLEND50) ? 0.5 : 0.25);
    QPainter p(&img);
    p.setCompositionMode(QPainter::CompositionMode_SourceAtop);
    p.fillRect(img.rect(), tint);
  }
  return img;
}
}  // namespace

bool ImageListDraw(HIMAGELIST list, int index, QPainter* painter, int x, int y, UINT style) {
  std::shared_ptr<ImageListData> d = ImageListShare(list);
  if (d == nullptr || painter == nullptr || index < 0 || index >= static_cast<int>(d->images.size())) return false;
  painter->drawImage(x, y, Styled(*d, index, style));
  return true;
}

}  // namespace platform

using platform::ImageListData;

CImageList::CImageList() { platform::LiveObjects().push_back(this); }

CImageList::~CImageList() {
  auto& live = platform::LiveObjects();
  live.erase(std::remove(live.begin(), live.end(), this), live.end());
}

BOOL CImageList::Create(int cx, int cy, UINT nFlags, int nInitial, int nGrow) {
  (void)nInitial;
  (void)nGrow;
  if (m_data != nullptr || cx <= 0 || cy <= 0 || cx > 4096 || cy > 4096) return FALSE;
  m_data = std::make_shared<ImageListData>(cx, cy, nFlags);
  return TRUE;
}

BOOL CImageList::Create(CImageList* pImageList) {
  if (m_data != nullptr || pImageList == nullptr || pImageList->m_data == nullptr) return FALSE;
  const ImageListData& src = *pImageList->m_data;
  m_data = std::make_shared<ImageListData>(src.cx, src.cy, src.flags);
  m_data->images = src.images;
  m_data->bk = src.bk;
  return TRUE;
}

BOOL CImageList::DeleteImageList() {
  if (m_data == nullptr) return FALSE;
  m_data.reset();
  return TRUE;
}

HIMAGELIST CImageList::GetSafeHandle() const { return reinterpret_cast<HIMAGELIST>(m_data.get()); }

CImageList* CImageList::FromHandle(HIMAGELIST hImageList) {
  if (hImageList == nullptr) return nullptr;
  for (CImageList* obj : platform::LiveObjects()) {
    if (obj->GetSafeHandle() == hImageList) return obj;
  }
  return nullptr;
}

BOOL CImageList::Attach(HIMAGELIST hImageList) {
  if (m_data != nullptr || hImageList == nullptr) return FALSE;
  auto& orphans = platform::Orphans();
  auto it = orphans.find(reinterpret_cast<const ImageListData*>(hImageList));
  if (it != orphans.end()) {
    m_data = it->second;
    orphans.erase(it);
    return TRUE;
  }
  m_data = platform::ImageListShare(hImageList);
  return m_data != nullptr ? TRUE : FALSE;
}

HIMAGELIST CImageList::Detach() {
  if (m_data == nullptr) return nullptr;
  HIMAGELIST h = GetSafeHandle();
  platform::Orphans()[m_data.get()] = m_data;
  m_data.reset();
  return h;
}

int CImageList::Add(const QImage& image) {
  if (m_data == nullptr || image.isNull()) return -1;
  m_data->images.push_back(platform::Fit(image, m_data->cx, m_data->cy));
  return static_cast<int>(m_data->images.size()) - 1;
}

int CImageList::Add(CBitmap* pbmImage, CBitmap* pbmMask) {
  if (m_data == nullptr || pbmImage == nullptr) return -1;
  QImage img = pbmImage->GetQImage().convertToFormat(QImage::Format_ARGB32);
  if (img.isNull()) return -1;
  if (pbmMask != nullptr && (m_data->flags & ILC_MASK)) {
    QImage mask = pbmMask->GetQImage().convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < std::min(img.height(), mask.height()); ++y) {
      for (int x = 0; x < std::min(img.width(), mask.width()); ++x) {
        if (qGray(mask.pixel(x, y)) >= 128) img.setPixel(x, y, qRgba(0, 0, 0, 0));
      }
    }
  }
  std::vector<QImage> tiles = platform::Cut(img, m_data->cx, m_data->cy);
  if (tiles.empty()) return -1;
  int first = static_cast<int>(m_data->images.size());
  for (QImage& tile : tiles) m_data->images.push_back(tile);
  return first;
}

int CImageList::Add(CBitmap* pbmImage, COLORREF crMask) {
  if (m_data == nullptr || pbmImage == nullptr) return -1;
  QImage img = pbmImage->GetQImage().convertToFormat(QImage::Format_ARGB32);
  if (img.isNull()) return -1;
  if ((m_data->flags & ILC_MASK) && crMask != CLR_NONE) {
    QRgb key = platform::Rgb(crMask);
    for (int y = 0; y < img.height(); ++y) {
      for (int x = 0; x < img.width(); ++x) {
        if ((img.pixel(x, y) & 0x00FFFFFFu) == (key & 0x00FFFFFFu)) img.setPixel(x, y, qRgba(0, 0, 0, 0));
      }
    }
  }
  std::vector<QImage> tiles = platform::Cut(img, m_data->cx, m_data->cy);
  if (tiles.empty()) return -1;
  int first = static_cast<int>(m_data->images.size());
  for (QImage& tile : tiles) m_data->images.push_back(tile);
  return first;
}

int CImageList::Add(HICON hIcon) {
  if (m_data == nullptr || hIcon == nullptr) return -1;
  QImage img = platform::ImageFromHIcon(hIcon);
  if (img.isNull()) return -1;
  return Add(img);
}

BOOL CImageList::Replace(int nImage, const QImage& image) {
  if (m_data == nullptr || image.isNull() || nImage < 0 || nImage >= static_cast<int>(m_data->images.size())) {
    return FALSE;
  }
  m_data->images[static_cast<size_t>(nImage)] = platform::Fit(image, m_data->cx, m_data->cy);
  return TRUE;
}

BOOL CImageList::Remove(int nImage) {
  if (m_data == nullptr) return FALSE;
  if (nImage == -1) {
    m_data->images.clear();
    return TRUE;
  }
  if (nImage < 0 || nImage >= static_cast<int>(m_data->images.size())) return FALSE;
  m_data->images.erase(m_data->images.begin() + nImage);
  return TRUE;
}

int CImageList::GetImageCount() const { return m_data != nullptr ? static_cast<int>(m_data->images.size()) : 0; }

BOOL CImageList::SetImageCount(UINT uNewCount) {
  if (m_data == nullptr || uNewCount > 100000) return FALSE;
  size_t old = m_data->images.size();
  m_data->images.resize(uNewCount);
  for (size_t i = old; i < m_data->images.size(); ++i) {
    QImage blank(m_data->cx, m_data->cy, QImage::Format_ARGB32);
    blank.fill(Qt::transparent);
    m_data->images[i] = blank;
  }
  return TRUE;
}

BOOL CImageList::GetImageInfo(int nImage, IMAGEINFO* pImageInfo) const {
  if (m_data == nullptr || pImageInfo == nullptr || nImage < 0 || nImage >= static_cast<int>(m_data->images.size())) {
    return FALSE;
  }
  *pImageInfo = IMAGEINFO{};
  pImageInfo->rcImage = CRect(nImage * m_data->cx, 0, (nImage + 1) * m_data->cx, m_data->cy);
  return TRUE;
}

COLORREF CImageList::SetBkColor(COLORREF cr) {
  if (m_data == nullptr) return CLR_NONE;
  COLORREF old = m_data->bk;
  m_data->bk = cr;
  return old;
}

COLORREF CImageList::GetBkColor() const { return m_data != nullptr ? m_data->bk : CLR_NONE; }

BOOL CImageList::Draw(CDC* pDC, int nImage, POINT pt, UINT nStyle) {
  if (m_data == nullptr || pDC == nullptr || nImage < 0 || nImage >= static_cast<int>(m_data->images.size())) {
    return FALSE;
  }
  QImage img = platform::Styled(*m_data, nImage, nStyle);
  HICON icon = platform::HIconFromImage(img);
  if (icon == nullptr) return FALSE;
  BOOL ok = pDC->DrawState(CPoint(pt), CSize(m_data->cx, m_data->cy), icon, DST_ICON | DSS_NORMAL);
  DestroyIcon(icon);
  return ok;
}

BOOL CImageList::BeginDrag(int nImage, CPoint ptHotSpot) {
  if (m_data == nullptr || nImage < 0 || nImage >= static_cast<int>(m_data->images.size())) return FALSE;
  EndDrag();
  platform::DragState& d = platform::Drag();
  d.began = true;
  d.entered = false;
  d.shown = true;
  d.image = m_data->images[static_cast<size_t>(nImage)];
  d.hotspot = QPoint(ptHotSpot.x, ptHotSpot.y);
  return TRUE;
}

BOOL CImageList::DragEnter(CWnd* pWndLock, CPoint point) {
  platform::DragState& d = platform::Drag();
  if (!d.began) return FALSE;
  d.lockOrigin = QPoint(0, 0);
  if (pWndLock != nullptr && pWndLock->GetSafeHwnd() != nullptr) {
    CRect r;
    pWndLock->GetWindowRect(&r);
    d.lockOrigin = QPoint(r.left, r.top);
  }
  d.entered = true;
  d.topLeft = d.lockOrigin + QPoint(point.x, point.y) - d.hotspot;
  platform::PlaceDragWindow();
  return TRUE;
}

BOOL CImageList::DragMove(CPoint pt) {
  platform::DragState& d = platform::Drag();
  if (!d.began) return FALSE;
  d.topLeft = d.lockOrigin + QPoint(pt.x, pt.y) - d.hotspot;
  platform::PlaceDragWindow();
  return TRUE;
}

BOOL CImageList::DragShowNolock(BOOL bShow) {
  platform::DragState& d = platform::Drag();
  if (!d.began) return FALSE;
  d.shown = bShow != FALSE;
  platform::PlaceDragWindow();
  return TRUE;
}

BOOL CImageList::DragLeave(CWnd* pWndLock) {
  (void)pWndLock;
  platform::DragState& d = platform::Drag();
  if (!d.began) return FALSE;
  d.entered = false;
  platform::PlaceDragWindow();
  return TRUE;
}

void CImageList::EndDrag() {
  platform::DragState& d = platform::Drag();
  if (d.window != nullptr) {
    QLabel* w = d.window;
    d.window = nullptr;
    w->hide();
    w->deleteLater();
  }
  d.began = false;
  d.entered = false;
  d.shown = true;
  d.image = QImage();
}

bool CImageList::IsDragImageShown(POINT* topLeft) {
  platform::DragState& d = platform::Drag();
  bool shown = d.began && d.entered && d.shown && d.window != nullptr && d.window->isVisible();
  if (shown && topLeft != nullptr) *topLeft = POINT{d.topLeft.x(), d.topLeft.y()};
  return shown;
}
