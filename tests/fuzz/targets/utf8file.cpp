// The UTF-8 text file: lines read whole and through a small buffer agree (for well-formed UTF-8), never a character cut
// in two or a buffer overrun, and the lines read, written back (with the byte-order mark when the
// file had one) and read again come out the same.
#include <cstdint>
#include <string>
#include <vector>

#include "gui/dlg/stdiofileutf8.h"
#include "platform/codepage.h"
#include "support/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes = fuzzsupport::AsBytes(data, size);
  const CString path = fuzzsupport::WriteScratchFile("text.txt", bytes);
  std::vector<CString> lines;
  bool bom = false;
  {
    CStdioFileUtf8 file;
    FUZZ_CHECK(file.Open(path, CStdioFileUtf8::modeRead));
    FUZZ_CHECK(file.GetLength() == size);
    bom = file.SkipBom() != FALSE;
    CString line;
    while (file.ReadString(line)) {
      lines.push_back(line);
      FUZZ_CHECK(lines.size() <= size + 1);
      FUZZ_CHECK(file.GetPosition() <= size);
    }
  }
  {
    // Through a buffer of 2 to 17 characters: pieces joined give the same text.
    const UINT nMax = 2 + static_cast<UINT>(size % 16);
    CStdioFileUtf8 file;
    FUZZ_CHECK(file.Open(path, CStdioFileUtf8::modeRead));
    if (bom) file.SkipBom();
    std::vector<wchar_t> buffer(nMax + 4, L'#');
    CString all;
    while (file.ReadString(buffer.data(), nMax) != nullptr) {
      FUZZ_CHECK(buffer[nMax] == L'#');
      size_t n = 0;
      while (n < nMax && buffer[n] != 0) ++n;
      FUZZ_CHECK(n < nMax);
      all += CString(buffer.data(), static_cast<int>(n));
    }
    CString whole;
    for (size_t i = 0; i < lines.size(); ++i) {
      if (i > 0) whole += L"\n";
      whole += lines[i];
    }
    // (Bytes that are not UTF-8 may be replaced differently when a read ends among them.)
    if (platform::IsValidUtf8(bytes) && bytes.find('\0') == std::string::npos) FUZZ_CHECK(all == whole || all == whole + L"\n");
  }
  {
    const CString copy = fuzzsupport::ScratchFolder() + L"copy.txt";
    CStdioFileUtf8 out;
    FUZZ_CHECK(out.Open(copy, CStdioFileUtf8::modeWrite | CStdioFileUtf8::modeCreate));
    if (bom) FUZZ_CHECK(out.WriteBom());
    for (const CString& line : lines) FUZZ_CHECK(out.WriteString(line + L"\n"));
    FUZZ_CHECK(out.Close());
    CStdioFileUtf8 in;
    FUZZ_CHECK(in.Open(copy, CStdioFileUtf8::modeRead));
    FUZZ_CHECK((in.SkipBom() != FALSE) == bom);
    std::vector<CString> again;
    CString line;
    while (in.ReadString(line)) again.push_back(line);
    FUZZ_CHECK(again == lines);
  }
  return 0;
}
