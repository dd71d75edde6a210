// The registry of the program's own bitmaps and icons, and image file reading.
#include "platform/resources.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <cstdint>
#include <cstdlib>
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

int32_t Le32Signed(const unsigned char* p) { return static_cast<int32_t>(Le32(p)); }

// An uncompressed 24-bit or 8-bit palette bitmap file (what the program's own pictures and the
// button faces of the language libraries are), read directly: Qt's reader would first look through
// every image format the system has. Any other kind of bitmap gives a null image here and is left
// to Qt's reader.
QImage DecodePlainBitmap(const unsigned char* bytes, size_t size) {
  constexpr size_t kFileHeader = 14;
  if (bytes == nullptr || size < kFileHeader + 40 || bytes[0] != 'B' || bytes[1] != 'M') return QImage();
  const unsigned char* info = bytes + kFileHeader;
  const uint32_t infoSize = Le32(info);
  const int32_t width = Le32Signed(info + 4);
  const int32_t height = Le32Signed(info + 8);
  const unsigned planes = info[12] | (info[13] << 8);
  const unsigned bpp = info[14] | (info[15] << 8);
  const uint32_t compression = Le32(info + 16);
  if (infoSize < 40 || infoSize > size - kFileHeader || planes != 1 || (bpp != 24 && bpp != 8) || compression != 0) {
    return QImage();
  }
  if (width <= 0 || width > 32768 || height == 0 || height < -32768 || height > 32768) return QImage();
  const size_t rows = static_cast<size_t>(height < 0 ? -static_cast<int64_t>(height) : height);
  const size_t rowBytes = (static_cast<size_t>(width) * (bpp / 8) + 3) & ~size_t{3};
  const size_t offset = Le32(bytes + 10);
  const size_t paletteAt = kFileHeader + infoSize;
  if (offset < paletteAt || offset > size || (size - offset) / rowBytes < rows) return QImage();
  QList<QRgb> palette;
  if (bpp == 8) {
    const uint32_t used = Le32(info + 32);
    const size_t colours = used == 0 ? 256 : used;
    if (colours > 256 || paletteAt + colours * 4 > offset) return QImage();
    for (size_t i = 0; i < colours; ++i) {
      const unsigned char* c = bytes + paletteAt + i * 4;
      palette.push_back(qRgb(c[2], c[1], c[0]));
    }
  }
  QImage img(width, static_cast<int>(rows), bpp == 24 ? QImage::Format_RGB32 : QImage::Format_Indexed8);
  if (img.isNull()) return img;
  if (bpp == 8) img.setColorTable(palette);
  const bool bottomUp = height > 0;
  for (size_t row = 0; row < rows; ++row) {
    const unsigned char* src = bytes + offset + row * rowBytes;
    uchar* line = img.scanLine(static_cast<int>(bottomUp ? rows - 1 - row : row));
    if (bpp == 8) {
      for (int32_t x = 0; x < width; ++x) {
        if (src[x] >= palette.size()) return QImage();  // a colour the palette lacks: Qt's reader decides
      }
      std::memcpy(line, src, static_cast<size_t>(width));
    } else {
      auto* dst = reinterpret_cast<QRgb*>(line);
      for (int32_t x = 0; x < width; ++x, src += 3) dst[x] = qRgb(src[2], src[1], src[0]);
    }
  }
  return img;
}

QImage DecodeBitmap(const unsigned char* bytes, size_t size) {
  if (bytes == nullptr || size == 0 || size > kMaxImageBytes) return QImage();
  QImage img = DecodeBitmapFile(bytes, size);
  if (!img.isNull()) return img;
  QByteArray withHeader = WithFileHeader(bytes, size);
  if (!withHeader.isEmpty()) {
    img = DecodeBitmapFile(reinterpret_cast<const unsigned char*>(withHeader.constData()),
                           static_cast<size_t>(withHeader.size()));
    if (!img.isNull()) return img;
  }
  img.loadFromData(bytes, static_cast<qsizetype>(size));
  return img;
}

std::vector<QImage> DecodeIcon(const unsigned char* bytes, size_t size) {
  std::vector<QImage> out;
  if (bytes == nullptr || size == 0 || size > kMaxImageBytes) return out;
  // A plain bitmap is one picture: it is read as bitmaps are, without asking every image format.
  if (size >= 2 && bytes[0] == 'B' && bytes[1] == 'M') {
    QImage img = DecodeBitmap(bytes, size);
    if (!img.isNull()) out.push_back(img.convertToFormat(QImage::Format_ARGB32));
    return out;
  }
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

QImage DecodeBitmapFile(const unsigned char* bytes, size_t size) {
  if (bytes == nullptr || size < 2 || size > kMaxImageBytes || bytes[0] != 'B' || bytes[1] != 'M') return QImage();
  QImage img = DecodePlainBitmap(bytes, size);
  if (img.isNull()) img.loadFromData(bytes, static_cast<qsizetype>(size), "BMP");
  return img;
}

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
