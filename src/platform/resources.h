// The program's own resources compiled into it (bitmaps and icons by number), and images read
// from files. Bitmaps and icons are registered at start-up and read by CBitmap::LoadBitmap,
// LoadIcon and the image loaders.
#pragma once

#include <QImage>
#include <cstddef>
#include <vector>

#include "platform/cstring.h"
#include "platform/winmsg.h"

namespace platform {

// A Windows .bmp file (with its file header) as an image; null when the bytes are no bitmap file.
QImage DecodeBitmapFile(const unsigned char* bytes, size_t size);

// Registers (or replaces) a bitmap. The byte form takes a Windows .bmp file, the bitmap of a
// resource script without its file header (a DIB), or any other format Qt decodes; false (and
// nothing registered) when the bytes cannot be decoded.
void RegisterBitmapResource(UINT id, const QImage& image);
bool RegisterBitmapResource(UINT id, const unsigned char* bmpBytes, size_t size);
bool FindBitmapResource(UINT id, QImage& image);

// Registers (or replaces) an icon. The byte form takes a .ico file (all its sizes are kept) or
// a .png / .bmp image; false when the bytes cannot be decoded.
void RegisterIconResource(UINT id, const QImage& image);
bool RegisterIconResource(UINT id, const unsigned char* bytes, size_t size);
// The icon image nearest the size asked (0 means the standard icon size), scaled to that size.
bool FindIconResource(UINT id, QImage& image, int cx = 0, int cy = 0);

// Forgets one resource of either kind (tests use it to start clean).
void UnregisterResource(UINT id);

// Decodes an image file by its contents, whatever its extension says; false when it cannot be
// read or decoded.
bool ReadImageFile(const CString& path, QImage& image);
// The file as a new bitmap the caller deletes (LoadImage with LR_LOADFROMFILE); null on failure.
HBITMAP LoadImageFromFile(const CString& path);
// A new icon of a resource at a size (0: the standard icon size); null when there is none.
HICON LoadIconResource(UINT id, int cx, int cy);

}  // namespace platform

// The icon of a resource at the standard icon size: the same shared handle on every call (it is
// not to be destroyed); null when the program has no such icon.
HICON LoadIcon(HINSTANCE hInstance, UINT nIDResource);
