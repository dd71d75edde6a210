// CPoint, CSize and CRect: the integer geometry types of the window framework.
#pragma once

#include <algorithm>

#include "platform/wintypes.h"

class CPoint : public POINT {
 public:
  CPoint() { x = 0; y = 0; }
  CPoint(int ix, int iy) { x = ix; y = iy; }
  CPoint(const POINT& p) { x = p.x; y = p.y; }
  void Offset(int dx, int dy) { x += dx; y += dy; }
  bool operator==(const POINT& o) const { return x == o.x && y == o.y; }
  bool operator!=(const POINT& o) const { return !(*this == o); }
  CPoint operator+(const POINT& o) const { return CPoint(x + o.x, y + o.y); }
  CPoint operator-(const POINT& o) const { return CPoint(x - o.x, y - o.y); }
};

class CSize : public SIZE {
 public:
  CSize() { cx = 0; cy = 0; }
  CSize(int w, int h) { cx = w; cy = h; }
  CSize(const SIZE& s) { cx = s.cx; cy = s.cy; }
  bool operator==(const SIZE& o) const { return cx == o.cx && cy == o.cy; }
  bool operator!=(const SIZE& o) const { return !(*this == o); }
};

class CRect : public RECT {
 public:
  CRect() { left = top = right = bottom = 0; }
  CRect(int l, int t, int r, int b) { left = l; top = t; right = r; bottom = b; }
  CRect(const RECT& r) { left = r.left; top = r.top; right = r.right; bottom = r.bottom; }
  CRect(POINT topLeft, SIZE size) {
    left = topLeft.x; top = topLeft.y; right = left + size.cx; bottom = top + size.cy;
  }
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  CSize Size() const { return CSize(Width(), Height()); }
  CPoint TopLeft() const { return CPoint(left, top); }
  CPoint BottomRight() const { return CPoint(right, bottom); }
  CPoint CenterPoint() const { return CPoint((left + right) / 2, (top + bottom) / 2); }
  BOOL IsRectEmpty() const { return Width() <= 0 || Height() <= 0; }
  BOOL IsRectNull() const { return left == 0 && top == 0 && right == 0 && bottom == 0; }
  BOOL PtInRect(POINT p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
  void SetRect(int l, int t, int r, int b) { left = l; top = t; right = r; bottom = b; }
  void SetRectEmpty() { SetRect(0, 0, 0, 0); }
  void OffsetRect(int dx, int dy) { left += dx; right += dx; top += dy; bottom += dy; }
  void OffsetRect(POINT p) { OffsetRect(p.x, p.y); }
  void MoveToXY(int x, int y) { OffsetRect(x - left, y - top); }
  void MoveToX(int x) { OffsetRect(x - left, 0); }
  void MoveToY(int y) { OffsetRect(0, y - top); }
  void InflateRect(int dx, int dy) { left -= dx; right += dx; top -= dy; bottom += dy; }
  void InflateRect(int l, int t, int r, int b) { left -= l; top -= t; right += r; bottom += b; }
  void DeflateRect(int dx, int dy) { InflateRect(-dx, -dy); }
  void DeflateRect(int l, int t, int r, int b) { InflateRect(-l, -t, -r, -b); }
  void NormalizeRect() {
    if (left > right) std::swap(left, right);
    if (top > bottom) std::swap(top, bottom);
  }
  BOOL IntersectRect(const RECT& a, const RECT& b) {
    left = std::max(a.left, b.left); top = std::max(a.top, b.top);
    right = std::min(a.right, b.right); bottom = std::min(a.bottom, b.bottom);
    if (IsRectEmpty()) { SetRectEmpty(); return FALSE; }
    return TRUE;
  }
  BOOL UnionRect(const RECT& a, const RECT& b) {
    left = std::min(a.left, b.left); top = std::min(a.top, b.top);
    right = std::max(a.right, b.right); bottom = std::max(a.bottom, b.bottom);
    return !IsRectEmpty();
  }
  bool operator==(const RECT& o) const {
    return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
  }
  bool operator!=(const RECT& o) const { return !(*this == o); }
  operator RECT*() { return this; }
  operator const RECT*() const { return this; }
};

typedef RECT* LPRECT;
typedef const RECT* LPCRECT;
typedef POINT* LPPOINT;
