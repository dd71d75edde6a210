// The program's two pictures, drawn pixel by pixel into Windows bitmap files: the icon (a map pin
// on a blue disc, magenta around it for transparency) and the logo (a pin over a street map with
// signal arcs). A tool of the build draws them (resources/tools/programimages.cpp) into data the
// program is built with, so the program carries no binary files and does not draw them at start.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>

#include "resources/programresources.h"

namespace brelvano::images {

struct Rgb {
  double r, g, b;
};

// A 24-bit bottom-up .bmp file of width x height pixels, each given by pixel(x, y) (y from the top).
template <typename PixelFn>
inline std::string MakeBmp(int width, int height, PixelFn pixel) {
  const int rowBytes = (width * 3 + 3) & ~3;
  const uint32_t imageBytes = static_cast<uint32_t>(rowBytes * height);
  std::string bmp;
  auto put16 = [&](uint16_t v) { bmp.push_back(char(v & 0xFF)); bmp.push_back(char(v >> 8)); };
  auto put32 = [&](uint32_t v) { for (int i = 0; i < 4; ++i) bmp.push_back(char((v >> (8 * i)) & 0xFF)); };
  bmp += "BM";
  put32(14 + 40 + imageBytes);
  put32(0);
  put32(14 + 40);
  put32(40);
  put32(static_cast<uint32_t>(width));
  put32(static_cast<uint32_t>(height));
  put16(1);
  put16(24);
  put32(0);
  put32(imageBytes);
  put32(2835);
  put32(2835);
  put32(0);
  put32(0);
  for (int row = height - 1; row >= 0; --row) {
    std::string line;
    for (int x = 0; x < width; ++x) {
      Rgb c = pixel(x, row);
      auto clamp = [](double v) { return char(static_cast<unsigned char>(v < 0 ? 0 : v > 255 ? 255 : v)); };
      line.push_back(clamp(c.b));
      line.push_back(clamp(c.g));
      line.push_back(clamp(c.r));
    }
    line.resize(static_cast<size_t>(rowBytes), '\0');
    bmp += line;
  }
  return bmp;
}

inline Rgb Mix(const Rgb& a, const Rgb& b, double t) {
  if (t < 0) t = 0;
  if (t > 1) t = 1;
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

// Coverage (0..1) of a map pin whose round head has its centre at (cx, cy) and radius r; its point
// lies 1.9 r below the centre. The hole in the head is left out.
inline double PinCoverage(double x, double y, double cx, double cy, double r) {
  const double dx = x - cx, dy = y - cy;
  const double d = std::sqrt(dx * dx + dy * dy);
  double inside = r + 0.5 - d;  // the head
  const double tipY = cy + 1.9 * r;
  if (y > cy && y < tipY) {
    const double half = r * (tipY - y) / (tipY - cy);
    inside = std::max(inside, half + 0.5 - std::fabs(dx));
  }
  const double hole = d - 0.42 * r + 0.5;
  inside = std::min(inside, hole);
  return inside <= 0 ? 0 : inside >= 1 ? 1 : inside;
}

inline std::string IconBmp() {
  const Rgb ring{20, 70, 140}, fill{40, 120, 200}, white{255, 255, 255}, back{255, 0, 255};
  return MakeBmp(32, 32, [&](int x, int y) {
    const double px = x + 0.5, py = y + 0.5;
    const double d = std::hypot(px - 16, py - 16);
    if (d > 15.5) return back;
    Rgb c = d > 14 ? ring : Mix(fill, ring, (py - 2) / 40);
    return Mix(c, white, PinCoverage(px, py, 16, 12.5, 6));
  });
}

inline std::string LogoBmp() {
  const Rgb top{232, 240, 250}, bottom{184, 206, 232}, grid{170, 192, 220}, road{250, 250, 252};
  const Rgb pin{210, 52, 48}, wave{40, 110, 190};
  const double cx = kLogoWidth / 2.0, cy = kLogoHeight / 2.0 - 20;
  return MakeBmp(kLogoWidth, kLogoHeight, [&](int x, int y) {
    const double px = x + 0.5, py = y + 0.5;
    Rgb c = Mix(top, bottom, py / kLogoHeight);
    // A faint street map.
    if (x % 30 == 0 || y % 30 == 0) c = Mix(c, grid, 0.6);
    const double roadDist = std::fabs((py - 150) - 0.35 * (px - 60));
    if (roadDist < 5) c = Mix(c, road, 1.0 - roadDist / 5);
    // Signal arcs above the pin.
    const double d = std::hypot(px - cx, py - (cy - 10));
    if (py < cy - 24) {
      for (double radius : {44.0, 60.0, 76.0}) {
        const double e = std::fabs(d - radius);
        if (e < 3 && std::fabs(px - cx) < (cy - 10 - py) * 1.1) c = Mix(c, wave, 1.0 - e / 3);
      }
    }
    // A soft shadow, then the pin.
    const double shadow = std::hypot((px - cx) / 2.2, py - (cy + 58));
    if (shadow < 8) c = Mix(c, Rgb{120, 140, 170}, (8 - shadow) / 12);
    return Mix(c, pin, PinCoverage(px, py, cx, cy, 30));
  });
}

}  // namespace brelvano::images
