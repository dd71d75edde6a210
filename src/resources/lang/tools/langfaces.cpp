// Build tool: draws the faces of the main window's bitmap buttons (a word on a rounded face whose
// corners are magenta, the transparent colour) and writes them as Windows .bmp files embedded in a
// C++ fragment that a language library's source includes. It draws with its own pixel font, so the faces come
// out the same on every machine.
//
// Usage: langfaces OUTPUT.inc FACE...
// where each FACE is ID:STYLE:BITS:TINT:WORD
//   STYLE  normal (the face at rest) or in (the face under the mouse: warm, word moved by a pixel)
//   BITS   24 (true colour) or 8 (palette)
//   TINT   green, red or blue (colour of the word)
//   WORD   capital letters A-Z and spaces
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 77;
constexpr int kHeight = 27;
constexpr int kRadius = 5;

struct Rgb {
  uint8_t r, g, b;
  bool operator<(const Rgb& o) const { return (r << 16 | g << 8 | b) < (o.r << 16 | o.g << 8 | o.b); }
  bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
};

constexpr Rgb kMagenta{255, 0, 255};

// 5 x 7 capitals; '#' is ink.
const std::map<char, std::vector<const char*>>& Font() {
  static const std::map<char, std::vector<const char*>> font = {
      {'A', {".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"}},
      {'B', {"####.", "#...#", "#...#", "####.", "#...#", "#...#", "####."}},
      {'C', {".###.", "#...#", "#....", "#....", "#....", "#...#", ".###."}},
      {'D', {"####.", "#...#", "#...#", "#...#", "#...#", "#...#", "####."}},
      {'E', {"#####", "#....", "#....", "####.", "#....", "#....", "#####"}},
      {'F', {"#####", "#....", "#....", "####.", "#....", "#....", "#...."}},
      {'G', {".###.", "#...#", "#....", "#.###", "#...#", "#...#", ".####"}},
      {'H', {"#...#", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"}},
      {'I', {".###.", "..#..", "..#..", "..#..", "..#..", "..#..", ".###."}},
      {'J', {"..###", "...#.", "...#.", "...#.", "...#.", "#..#.", ".##.."}},
      {'K', {"#...#", "#..#.", "#.#..", "##...", "#.#..", "#..#.", "#...#"}},
      {'L', {"#....", "#....", "#....", "#....", "#....", "#....", "#####"}},
      {'M', {"#...#", "##.##", "#.#.#", "#.#.#", "#...#", "#...#", "#...#"}},
      {'N', {"#...#", "#...#", "##..#", "#.#.#", "#..##", "#...#", "#...#"}},
      {'O', {".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."}},
      {'P', {"####.", "#...#", "#...#", "####.", "#....", "#....", "#...."}},
      {'Q', {".###.", "#...#", "#...#", "#...#", "#.#.#", "#..#.", ".##.#"}},
      {'R', {"####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"}},
      {'S', {".####", "#....", "#....", ".###.", "....#", "....#", "####."}},
      {'T', {"#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#.."}},
      {'U', {"#...#", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."}},
      {'V', {"#...#", "#...#", "#...#", "#...#", "#...#", ".#.#.", "..#.."}},
      {'W', {"#...#", "#...#", "#...#", "#.#.#", "#.#.#", "#.#.#", ".#.#."}},
      {'X', {"#...#", "#...#", ".#.#.", "..#..", ".#.#.", "#...#", "#...#"}},
      {'Y', {"#...#", "#...#", ".#.#.", "..#..", "..#..", "..#..", "..#.."}},
      {'Z', {"#####", "....#", "...#.", "..#..", ".#...", "#....", "#####"}},
      {' ', {".....", ".....", ".....", ".....", ".....", ".....", "....."}},
  };
  return font;
}

struct Face {
  unsigned id = 0;
  bool in = false;
  int bits = 24;
  Rgb ink{0, 0, 0};
  std::string word;
};

using Image = std::vector<std::vector<Rgb>>;  // [y][x]

bool InsideFace(int x, int y) {
  // Pixel centres against the rounded rectangle [0, kWidth] x [0, kHeight].
  const double px = x + 0.5, py = y + 0.5;
  const double cx = px < kRadius ? kRadius : (px > kWidth - kRadius ? kWidth - kRadius : px);
  const double cy = py < kRadius ? kRadius : (py > kHeight - kRadius ? kHeight - kRadius : py);
  const double dx = px - cx, dy = py - cy;
  return dx * dx + dy * dy <= kRadius * kRadius;
}

Rgb Mix(Rgb a, Rgb b, int num, int den) {
  auto m = [&](uint8_t u, uint8_t v) { return static_cast<uint8_t>((u * (den - num) + v * num) / den); };
  return Rgb{m(a.r, b.r), m(a.g, b.g), m(a.b, b.b)};
}

Image Draw(const Face& face) {
  const Rgb top = face.in ? Rgb{255, 238, 196} : Rgb{250, 251, 253};
  const Rgb bottom = face.in ? Rgb{238, 182, 80} : Rgb{196, 206, 220};
  const Rgb border = face.in ? Rgb{150, 96, 16} : Rgb{72, 86, 108};
  const Rgb highlight = face.in ? Rgb{255, 248, 228} : Rgb{255, 255, 255};

  Image img(kHeight, std::vector<Rgb>(kWidth, kMagenta));
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      if (!InsideFace(x, y)) continue;
      const bool edge = x == 0 || y == 0 || x == kWidth - 1 || y == kHeight - 1 || !InsideFace(x - 1, y) ||
                        !InsideFace(x + 1, y) || !InsideFace(x, y - 1) || !InsideFace(x, y + 1);
      img[y][x] = edge ? border : Mix(top, bottom, y, kHeight - 1);
    }
  }
  for (int x = 0; x < kWidth; ++x) {  // a light line under the top edge
    if (img[1][x] == kMagenta || img[0][x] == kMagenta) continue;
    if (!(img[1][x] == border)) img[1][x] = highlight;
  }

  const int advance = 6;
  const int textWidth = static_cast<int>(face.word.size()) * advance - 1;
  const int shift = face.in ? 1 : 0;
  const int x0 = (kWidth - textWidth) / 2 + shift;
  const int y0 = (kHeight - 7) / 2 + shift;
  const Rgb shadow = face.in ? Rgb{255, 244, 214} : Rgb{255, 255, 255};
  for (int pass = 0; pass < 2; ++pass) {  // the light shadow first, the ink over it
    const int off = pass == 0 ? 1 : 0;
    for (size_t i = 0; i < face.word.size(); ++i) {
      const auto& glyph = Font().at(face.word[i]);
      for (int gy = 0; gy < 7; ++gy) {
        for (int gx = 0; gx < 5; ++gx) {
          if (glyph[gy][gx] != '#') continue;
          const int x = x0 + static_cast<int>(i) * advance + gx + off;
          const int y = y0 + gy + off;
          if (x > 0 && y > 0 && x < kWidth - 1 && y < kHeight - 1) img[y][x] = pass == 0 ? shadow : face.ink;
        }
      }
    }
  }
  return img;
}

void Put16(std::string& out, unsigned v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>((v >> 8) & 0xFF);
}
void Put32(std::string& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

std::string Bmp(const Image& img, int bits) {
  std::vector<Rgb> palette;
  std::map<Rgb, int> index;
  if (bits == 8) {
    for (const auto& row : img) {
      for (const Rgb& c : row) {
        if (index.count(c) == 0) {
          index[c] = static_cast<int>(palette.size());
          palette.push_back(c);
        }
      }
    }
    if (palette.size() > 256) {
      std::fprintf(stderr, "langfaces: more than 256 colours for an 8-bit face\n");
      std::exit(1);
    }
  }
  const int rowBytes = ((kWidth * bits / 8) + 3) & ~3;
  const uint32_t paletteBytes = static_cast<uint32_t>(palette.size()) * 4;
  const uint32_t offset = 14 + 40 + paletteBytes;
  const uint32_t imageBytes = static_cast<uint32_t>(rowBytes) * kHeight;
  std::string out;
  out += "BM";
  Put32(out, offset + imageBytes);
  Put32(out, 0);
  Put32(out, offset);
  Put32(out, 40);
  Put32(out, kWidth);
  Put32(out, kHeight);
  Put16(out, 1);
  Put16(out, static_cast<unsigned>(bits));
  Put32(out, 0);  // no compression
  Put32(out, imageBytes);
  Put32(out, 2835);  // 72 dots per inch
  Put32(out, 2835);
  Put32(out, static_cast<uint32_t>(palette.size()));
  Put32(out, 0);
  for (const Rgb& c : palette) {
    out += static_cast<char>(c.b);
    out += static_cast<char>(c.g);
    out += static_cast<char>(c.r);
    out += '\0';
  }
  for (int y = kHeight - 1; y >= 0; --y) {  // bottom-up
    std::string row;
    for (int x = 0; x < kWidth; ++x) {
      const Rgb& c = img[y][x];
      if (bits == 8) {
        row += static_cast<char>(index[c]);
      } else {
        row += static_cast<char>(c.b);
        row += static_cast<char>(c.g);
        row += static_cast<char>(c.r);
      }
    }
    row.resize(static_cast<size_t>(rowBytes), '\0');
    out += row;
  }
  return out;
}

bool Parse(const std::string& arg, Face& face) {
  std::vector<std::string> parts;
  std::stringstream ss(arg);
  for (std::string part; std::getline(ss, part, ':');) parts.push_back(part);
  if (parts.size() != 5) return false;
  char* end = nullptr;
  face.id = static_cast<unsigned>(std::strtoul(parts[0].c_str(), &end, 10));
  if (parts[0].empty() || *end != '\0' || face.id == 0 || face.id > 65535) return false;
  if (parts[1] != "normal" && parts[1] != "in") return false;
  face.in = parts[1] == "in";
  if (parts[2] != "24" && parts[2] != "8") return false;
  face.bits = parts[2] == "8" ? 8 : 24;
  if (parts[3] == "green") face.ink = Rgb{0, 110, 40};
  else if (parts[3] == "red") face.ink = Rgb{170, 24, 24};
  else if (parts[3] == "blue") face.ink = Rgb{24, 64, 150};
  else return false;
  face.word = parts[4];
  if (face.word.empty() || static_cast<int>(face.word.size()) * 6 - 1 > kWidth - 4) return false;
  for (char c : face.word) {
    if (Font().count(c) == 0) return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: langfaces OUTPUT.inc ID:STYLE:BITS:TINT:WORD...\n");
    return 2;
  }
  std::vector<Face> faces;
  for (int i = 2; i < argc; ++i) {
    Face face;
    if (!Parse(argv[i], face)) {
      std::fprintf(stderr, "langfaces: bad face \"%s\"\n", argv[i]);
      return 2;
    }
    faces.push_back(face);
  }

  std::ostringstream src;
  src << "// Generated by langfaces: the button faces of one language library (kLanguageFaces).\n"
         "namespace {\n";
  for (const Face& face : faces) {
    const std::string bmp = Bmp(Draw(face), face.bits);
    src << "const unsigned char kFace" << face.id << "[] = {";
    for (size_t i = 0; i < bmp.size(); ++i) {
      if (i % 20 == 0) src << "\n   ";
      src << ' ' << static_cast<unsigned>(static_cast<unsigned char>(bmp[i])) << ',';
    }
    src << "\n};\n";
  }
  src << "const PlatformResourceBitmap kLanguageFaces[] = {\n";
  for (const Face& face : faces) {
    src << "    {" << face.id << ", sizeof kFace" << face.id << ", kFace" << face.id << "},\n";
  }
  src << "};\n}  // namespace\n";

  // Written whole or not at all.
  const std::string target = argv[1];
  const std::string temp = target + ".tmp";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    out << src.str();
    if (!out.flush()) {
      std::fprintf(stderr, "langfaces: cannot write %s\n", temp.c_str());
      std::remove(temp.c_str());
      return 1;
    }
  }
  if (std::rename(temp.c_str(), target.c_str()) != 0) {
    std::fprintf(stderr, "langfaces: cannot replace %s\n", target.c_str());
    std::remove(temp.c_str());
    return 1;
  }
  return 0;
}
