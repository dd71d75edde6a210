// The bitmap file reader (the program's pictures, the button faces of the language libraries) on
// any input: the input after its first byte as the file itself, or (first byte odd) the rest of
// the input behind a file header and bitmap header made from its next bytes, so that the palette
// and row checks of the direct reader are reached with sizes, depths and offsets near the edges.
// A picture read has the size its header gives, and every pixel of it can be read.
#include <QImage>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/resources.h"
#include "support/fuzz_support.h"

namespace {

void Put16(std::string& b, uint16_t v) {
  b.push_back(static_cast<char>(v & 0xFF));
  b.push_back(static_cast<char>(v >> 8));
}

void Put32(std::string& b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

std::string Framed(fuzzsupport::InputReader& input) {
  const int32_t width = static_cast<int32_t>(input.Below(64)) - 2;
  const int32_t height = static_cast<int32_t>(input.Below(64)) - 32;
  const uint16_t depths[] = {24, 8, 32, 4, 1, 16};
  const uint16_t depth = depths[input.Below(6)];
  const uint32_t compression = input.Below(8) == 0 ? input.Below(4) : 0;
  const uint32_t colours = input.Below(4) == 0 ? input.U32() : input.Below(260);
  const uint32_t offsetSlack = input.Below(4) == 0 ? input.U32() : input.Below(1100);
  const std::string rest = input.Rest();
  std::string file = "BM";
  Put32(file, static_cast<uint32_t>(54 + rest.size()));
  Put32(file, 0);
  Put32(file, 54 + offsetSlack);
  Put32(file, 40);
  Put32(file, static_cast<uint32_t>(width));
  Put32(file, static_cast<uint32_t>(height));
  Put16(file, 1);
  Put16(file, depth);
  Put32(file, compression);
  Put32(file, 0);
  Put32(file, 2835);
  Put32(file, 2835);
  Put32(file, colours);
  Put32(file, 0);
  return file + rest;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzsupport::InputReader input(data, size);
  const bool framed = input.Bool();
  const std::string file = framed ? Framed(input) : input.Rest();
  const QImage image =
      platform::DecodeBitmapFile(reinterpret_cast<const unsigned char*>(file.data()), file.size());
  if (image.isNull()) return 0;
  FUZZ_CHECK(file.size() >= 2 && file[0] == 'B' && file[1] == 'M');
  if (file.size() >= 26) {
    const auto* h = reinterpret_cast<const uint8_t*>(file.data()) + 14;
    const int32_t width = static_cast<int32_t>(h[4] | h[5] << 8 | h[6] << 16 | static_cast<uint32_t>(h[7]) << 24);
    const int32_t height = static_cast<int32_t>(h[8] | h[9] << 8 | h[10] << 16 | static_cast<uint32_t>(h[11]) << 24);
    const uint32_t infoSize = h[0] | h[1] << 8 | h[2] << 16 | static_cast<uint32_t>(h[3]) << 24;
    if (infoSize == 40 && width > 0 && height != INT32_MIN) {
      FUZZ_CHECK(image.width() == width);
      FUZZ_CHECK(image.height() == std::abs(height));
    }
  }
  const QImage converted = image.convertToFormat(QImage::Format_RGB32);
  FUZZ_CHECK(converted.size() == image.size());
  return 0;
}
