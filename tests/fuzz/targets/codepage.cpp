// The code page conversions: bytes of the program's code pages to text and back. Text is always
// well-formed; text without replacement characters survives the way back to bytes and to text
// again; well-formed UTF-8 comes back byte for byte.
#include <cstdint>
#include <string>

#include "platform/codepage.h"
#include "support/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzsupport::InputReader input(data, size);
  const UINT pages[] = {CP_ACP, CP_UTF8, CP_UTF16LE, CP_KOREAN, CP_WESTERN};
  const UINT cp = pages[input.Below(5)];
  const std::string bytes = input.Rest();

  const CString text = platform::BytesToText(cp, bytes);
  FUZZ_CHECK(text.GetLength() <= static_cast<int>(bytes.size()));
  FUZZ_CHECK(platform::IsValidUtf8(text.ToUtf8()));
  if (text.Find(L'\xFFFD') < 0) {
    const std::string back = platform::TextToBytes(cp, text);
    FUZZ_CHECK(platform::BytesToText(cp, back) == text);
  }
  if (cp == CP_UTF8 && platform::IsValidUtf8(bytes)) {
    FUZZ_CHECK(platform::TextToBytes(CP_UTF8, text) == bytes);
  }
  // Any text reaches bytes in every code page (what a page cannot hold becomes '?').
  const CString wide = CString::FromUtf8(bytes);
  for (UINT page : pages) {
    const std::string out = platform::TextToBytes(page, wide);
    FUZZ_CHECK(out.size() <= static_cast<size_t>(wide.GetLength()) * 4);
  }
  return 0;
}
