// The registry of the program's own bitmaps and icons, and image file reading.
#include "platform/resources.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <cstring>
#include <map>
#include <mutex>

#include "platform/files.h"
#include "platform/gdi.h"
#include "platform/gdi_internal.h"

namespace platform {
namespace {

constexpr size_t kMaxImageBytes = 256u * 1024u * 1024u;
constexpr int kStandardIconSize = 32;

struct Store {
  std::mutex mu;
  std::map<UINT, QImage> bitmaps;
  std::map<UINT, std::vector<QImage>> icons;
  std::map<UINT, HICON> shared;  // LoadIcon handles
};

Store& S() {
  static Store* s = new Store;
  return *s;
}

uint32_t Le32(const unsigned char* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
         (static_cast<uint32_t>(p[3]) << 24);
}

void PutLe32(QByteArray& b, int at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

// A bitmap without its file header (as a resource script stores it) gets one.
QByteArray WithFileHeader(const unsigned char* bytes, size_t size) {
  if (size < 16) return QByteArray();
  const uint32_t headerSize = Le32(bytes);
  if (headerSize != 12 && headerSize != 40 && headerSize != 52 && headerSize != 56 && headerSize != 108 &&
      headerSize != 124) {
    return QByteArray();
  }
  uint32_t paletteBytes = 0;
  if (headerSize == 12) {
    const uint16_t bpp = static_cast<uint16_t>(bytes[10] | (bytes[11] << 8));
    if (bpp <= 8) paletteBytes = 3u << bpp;
  } else if (size >= 40) {
    const uint16_t bpp = static_cast<uint16_t>(bytes[14] | (bytes[15] << 8));
    const uint32_t compression = Le32(bytes + 16);
    uint32_t colours = Le32(bytes + 32);
    if (colours == 0 && bpp <= 8) colours = 1u << bpp;
    if (colours > 256) return QByteArray();
    paletteBytes = colours * 4;
    if (headerSize == 40 && compression == 3) paletteBytes += 12;  // the colour masks
  }
  QByteArray file(14, '\0');
  file[0] = 'B';
  file[1] = 'M';
  PutLe32(file, 2, static_cast<uint32_t>(14 + size));
  PutLe32(file, 10, 14 + headerSize + paletteBytes);
  file.append(reinterpret_cast<const char*>(bytes), static_cast<qsizetype>(size));
  return file;
}

QImage DecodeBitmap(const unsigned char* bytes, size_t size) {
  if (bytes == nullptr || size == 0 || size > kMaxImageBytes) return QImage();
  QImage img;
  if (size >= 2 && bytes[0] == 'B' && bytes[1] == 'M') {
    img.loadFromData(bytes, static_cast<qsizetype>(size), "BMP");
    if (!img.isNull()) return img;
  }
  QByteArray withHeader = WithFileHeader(bytes, size);
  if (!withHeader.isEmpty() && img.loadFromData(withHeader, "BMP")) return img;
  img.loadFromData(bytes, static_cast<qsizetype>(size));
  return img;
}

std::vector<QImage> DecodeIcon(const unsigned char* bytes, size_t size) {
  std::vector<QImage> out;
  if (bytes == nullptr || size == 0 || size > kMaxImageBytes) return out;
  QByteArray data(reinterpret_cast<const char*>(bytes), static_cast<qsizetype>(size));
  QBuffer buffer(&data);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer);
  reader.setDecideFormatFromContent(true);
  const int count = std::min(reader.imageCount(), 64);
  for (int i = 0; i < std::max(1, count); ++i) {
    QImage img = reader.read();
    if (img.isNull()) break;
    out.push_back(img.convertToFormat(QImage::Format_ARGB32));
  }
  return out;
}

// The image nearest a size: an exact match, else the smallest larger one, else the largest.
QImage Nearest(const std::vector<QImage>& images, int cx, int cy) {
  const QImage* best = nullptr;
  for (const QImage& img : images) {
    if (img.width() == cx && img.height() == cy) return img;
  }
  for (const QImage& img : images) {
    if (img.width() >= cx && img.height() >= cy && (best == nullptr || img.width() < best->width())) best = &img;
  }
  if (best == nullptr) {
    for (const QImage& img : images) {
      if (best == nullptr || img.width() > best->width()) best = &img;
    }
  }
  if (best == nullptr) return QImage();
  if (best->width() == cx && best->height() == cy) return *best;
  return best->scaled(cx, cy, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

}  // namespace

void RegisterBitmapResource(UINT id, const QImage& image) {
  std::lock_guard<std::mutex> lock(S().mu);
  if (image.isNull()) S().bitmaps.erase(id);
  else S().bitmaps[id] = image;
}

bool RegisterBitmapResource(UINT id, const unsigned char* bmpBytes, size_t size) {
  QImage img = DecodeBitmap(bmpBytes, size);
  if (img.isNull()) return false;
  RegisterBitmapResource(id, img);
  return true;
}

bool FindBitmapResource(UINT id, QImage& image) {
  std::lock_guard<std::mutex> lock(S().mu);
  auto it = S().bitmaps.find(id);
  if (it == S().bitmaps.end()) return false;
  image = it->second;
  return true;
}

void RegisterIconResource(UINT id, const QImage& image) {
  std::lock_guard<std::mutex> lock(S().mu);
  if (image.isNull()) S().icons.erase(id);
  else S().icons[id] = {image.convertToFormat(QImage::Format_ARGB32)};
  S().shared.erase(id);
}

bool RegisterIconResource(UINT id, const unsigned char* bytes, size_t size) {
  std::vector<QImage> images = DecodeIcon(bytes, size);
  if (images.empty()) return false;
  std::lock_guard<std::mutex> lock(S().mu);
  S().icons[id] = images;
  S().shared.erase(id);
  return true;
}

bool FindIconResource(UINT id, QImage& image, int cx, int cy) {
  std::lock_guard<std::mutex> lock(S().mu);
  auto it = S().icons.find(id);
  if (it == S().icons.end() || it->second.empty()) return false;
  const int w = cx > 0 ? std::min(cx, 1024) : kStandardIconSize;
  const int h = cy > 0 ? std::min(cy, 1024) : kStandardIconSize;
  image = Nearest(it->second, w, h);
  return !image.isNull();
}

void UnregisterResource(UINT id) {
  std::lock_guard<std::mutex> lock(S().mu);
  S().bitmaps.erase(id);
  S().icons.erase(id);
  S().shared.erase(id);  // a handle given out stays valid
}

bool ReadImageFile(const CString& path, QImage& image) {
  // Only a regular file, and none larger than an image the program takes.
  std::string bytes;
  if (!platform::ReadWholeFile(path, bytes, static_cast<long long>(kMaxImageBytes)) || bytes.empty()) return false;
  QImage img = QImage::fromData(QByteArray::fromRawData(bytes.data(), static_cast<int>(bytes.size())));
  if (img.isNull()) return false;
  image = img;
  return true;
}

HBITMAP LoadImageFromFile(const CString& path) {
  QImage img;
  if (!ReadImageFile(path, img)) return nullptr;
  return HBitmapFromImage(img);
}

HICON LoadIconResource(UINT id, int cx, int cy) {
  QImage img;
  if (!FindIconResource(id, img, cx, cy)) return nullptr;
  return HIconFromImage(img);
}

}  // namespace platform

HICON LoadIcon(HINSTANCE hInstance, UINT nIDResource) {
  (void)hInstance;
  auto& s = platform::S();
  {
    std::lock_guard<std::mutex> lock(s.mu);
    auto it = s.shared.find(nIDResource);
    if (it != s.shared.end()) return it->second;
  }
  HICON icon = platform::LoadIconResource(nIDResource, 0, 0);
  if (icon == nullptr) return nullptr;
  std::lock_guard<std::mutex> lock(s.mu);
  auto it = s.shared.find(nIDResource);
  if (it != s.shared.end()) {
    DestroyIcon(icon);
    return it->second;
  }
  if (platform::gdi::ObjectPtr o = platform::gdi::Lookup(icon)) o->stock = true;  // shared: never destroyed
  s.shared[nIDResource] = icon;
  return icon;
}
