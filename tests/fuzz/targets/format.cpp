// Format with any format text and up to six arguments of any kind: never more than the format,
// the widths (cut to their limit) and the arguments can make, and never a read outside them.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/cstring.h"
#include "support/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzsupport::InputReader input(data, size);
  const std::string format = input.Bytes(255);
  const unsigned count = input.Below(7);
  std::vector<CString> texts;
  texts.reserve(count);
  std::vector<platform::FormatArg> args;
  size_t textUnits = 0;
  for (unsigned i = 0; i < count; ++i) {
    switch (input.Below(6)) {
      case 0: args.emplace_back(static_cast<int>(input.U32())); break;
      case 1: args.emplace_back(static_cast<unsigned long long>(input.U32()) << input.Below(33)); break;
      case 2: {
        uint64_t bits = (static_cast<uint64_t>(input.U32()) << 32) | input.U32();
        double d;
        static_assert(sizeof d == sizeof bits, "double is 64 bits");
        std::memcpy(&d, &bits, sizeof d);
        args.emplace_back(d);
        break;
      }
      case 3: {
        texts.push_back(CString::FromUtf8(input.Bytes(64)));
        textUnits += static_cast<size_t>(texts.back().GetLength());
        args.emplace_back(texts.back());
        break;
      }
      case 4: args.emplace_back(static_cast<wchar_t>(input.U32() & 0x10FFFF)); break;
      default: args.emplace_back(static_cast<const void*>(nullptr)); break;
    }
  }
  const CString fmt = CString::FromUtf8(format);
  const CString out = platform::FormatText(fmt.q(), args);
  const size_t conversions = static_cast<size_t>(std::count(format.begin(), format.end(), '%'));
  // A conversion writes at most a width or a precision of 100000, plus a number's own digits.
  const size_t bound = static_cast<size_t>(fmt.GetLength()) + conversions * (2 * 100000 + 1100) + textUnits;
  FUZZ_CHECK(static_cast<size_t>(out.GetLength()) <= bound);
  return 0;
}
