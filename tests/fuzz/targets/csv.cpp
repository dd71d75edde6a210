// The assignment-header CSV: the device's table written into the Document folder and read back
// line by line (line ends LF or CR LF, a leading byte-order mark dropped), the Document folder's
// own CSV found and read, and the two text splitters the readers share.
#include <cstdint>
#include <string>
#include <vector>

#include "gui/dlg/brelvanodlg.h"
#include "platform/codepage.h"
#include "support/fuzz_support.h"

namespace {

CString Join(const std::vector<CString>& pieces, const CString& sep) {
  CString out;
  for (size_t i = 0; i < pieces.size(); ++i) {
    if (i > 0) out += sep;
    out += pieces[i];
  }
  return out;
}

// The lines a reader must give for the bytes of a file: UTF-8, or the legacy code page when the
// bytes are not UTF-8.
std::vector<CString> ExpectedLines(std::string bytes) {
  if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) bytes.erase(0, 3);
  const bool utf8 = platform::IsValidUtf8(bytes);
  std::vector<CString> lines;
  size_t start = 0;
  while (start < bytes.size()) {
    size_t end = bytes.find('\n', start);
    if (end == std::string::npos) end = bytes.size();
    std::string line = bytes.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(utf8 ? CString::FromUtf8(line) : platform::BytesToText(CP_ACP, line));
    start = end + 1;
  }
  return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes = fuzzsupport::AsBytes(data, size);
  const CString text = CString::FromUtf8(bytes);

  // The splitters: the pieces joined by the separator give the text back.
  std::vector<CString> pieces;
  CBrelvanoDlg::SplitString(pieces, text, L',');
  FUZZ_CHECK(pieces.size() <= static_cast<size_t>(text.GetLength()));
  CString joined = Join(pieces, L",");
  FUZZ_CHECK(joined == text || joined + L"," == text);
  CStringArray parts;
  const CString sep = text.Left(size % 3);
  const int count = CBrelvanoDlg::SplitByString(text, sep, parts);
  FUZZ_CHECK(count >= 0 && count <= text.GetLength());
  if (!text.IsEmpty()) {
    std::vector<CString> list;
    for (INT_PTR i = 0; i < parts.GetSize(); ++i) list.push_back(parts.GetAt(i));
    FUZZ_CHECK(Join(list, sep) == text);
    FUZZ_CHECK(parts.GetSize() == (sep.IsEmpty() ? 1 : count + 1));
  }

  // The device's table written and read back (a JSON-definition device reads its own file).
  CBrelvanoDlg* dlg = fuzzsupport::FreshMainWindow();
  dlg->m_deviceInfo.strModel = L"MODEL";
  dlg->m_deviceInfo.strVersion = L"12";
  dlg->m_deviceInfo.bJsonParam = TRUE;
  std::vector<CString> lines;
  if (dlg->WriteAssignHeaderCsv(text)) {
    FUZZ_CHECK(dlg->ReadAssignHeaderCsv(lines));
    FUZZ_CHECK(lines == ExpectedLines(text.ToUtf8()));
  }

  // The Document folder's own table, as the file holds it.
  fuzzsupport::FreshMainWindow();
  dlg->m_deviceInfo.strVersion = L"12";
  dlg->m_deviceInfo.bJsonParam = FALSE;
  fuzzsupport::WriteScratchFile("Document/ASSIGN_HEADER_TABLE_3.csv", bytes);
  lines.clear();
  FUZZ_CHECK(dlg->ReadAssignHeaderCsv(lines));
  FUZZ_CHECK(lines == ExpectedLines(bytes));
  return 0;
}
