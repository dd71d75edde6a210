// The assignment-header CSV of the main window: the device's assignment header table, written into
// the Document folder from its "$PVR;CSV" reply and read back line by line when the settings page
// fills its assignment tables; and the two text splitters the readers share.
#include "gui/dlg/brandingfiles.h"
#include "gui/dlg/brelvanodlg.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/modal.h"
#include "platform/trace.h"

BOOL CBrelvanoDlg::WriteAssignHeaderCsv(const CString& strText) {
  const CString folder = brelvano::PrepareDocumentFolder();
  CString name;
  name.Format(L"%s%s_%s_%s.csv", folder, L"ASSIGN_HEADER_TABLE_FOR_BRELVANO", SafeFileNamePart(m_deviceInfo.strModel),
              SafeFileNamePart(m_deviceInfo.strVersion));
  m_strAssignCsvPath = name;
  // Written whole or not at all: an earlier table stays intact when this one cannot be stored.
  if (!platform::WriteWholeFile(name, strText.ToUtf8())) {
    AddLogLine(L"error: the assignment header table could not be written", TRUE);
    return FALSE;
  }
  return TRUE;
}

BOOL CBrelvanoDlg::ReadAssignHeaderCsv(std::vector<CString>& lines) {
  const CString path =
      m_deviceInfo.bJsonParam ? m_strAssignCsvPath : FindDocumentFile(brelvano::GetDocumentFolder(), 2);
  CString message;
  std::string bytes;
  if (path.IsEmpty()) {
    message = L"No assignment header table (.csv) was found in the Document folder.";
  } else if (platform::FileSize(path) < 0) {
    message.Format(L"%s was not found.", path);
  } else if (platform::FileSize(path) > kMaxAssignCsvBytes) {
    message.Format(L"%s is too large to be an assignment header table.", path);
  } else if (!platform::ReadWholeFile(path, bytes)) {
    message.Format(L"%s could not be read.", path);
  }
  if (!message.IsEmpty()) {
    TRACE(L"Assignment header CSV: %s\n", message);
    AfxMessageBox(message, MB_OK);
    return FALSE;
  }
  // Line by line (LF or CR LF), each line followed by LF, then cut at LF: an empty line inside the
  // file stays an empty line, a final line break adds none.
  if (bytes.size() >= 3 && static_cast<unsigned char>(bytes[0]) == 0xEF &&
      static_cast<unsigned char>(bytes[1]) == 0xBB && static_cast<unsigned char>(bytes[2]) == 0xBF) {
    bytes.erase(0, 3);
  }
  std::string text;
  text.reserve(bytes.size() + 1);
  size_t start = 0;
  while (start < bytes.size()) {
    size_t end = bytes.find('\n', start);
    if (end == std::string::npos) end = bytes.size();
    size_t lineEnd = end;
    if (lineEnd > start && bytes[lineEnd - 1] == '\r') --lineEnd;
    text.append(bytes, start, lineEnd - start);
    text.push_back('\n');
    start = end + 1;
  }
  // The program writes the table as UTF-8; a table made for an older device is in the legacy code
  // page, which is taken when the bytes are not UTF-8.
  SplitString(lines, platform::IsValidUtf8(text) ? CString::FromUtf8(text) : platform::BytesToText(CP_ACP, text), L'\n');
  return TRUE;
}

void CBrelvanoDlg::SplitString(std::vector<CString>& out, const CString& src, wchar_t sep) {
  const int length = src.GetLength();
  int pos = 0;
  while (pos < length) {
    int next = src.Find(sep, pos);
    if (next < 0) next = length;
    out.push_back(src.Mid(pos, next - pos));
    pos = next + 1;
  }
}

int CBrelvanoDlg::SplitByString(const CString& src, const CString& sep, CStringArray& out) {
  if (src.IsEmpty()) return 0;
  if (sep.IsEmpty()) {
    out.Add(src);
    return 0;
  }
  int count = 0;
  int pos = 0;
  for (;;) {
    const int found = src.Find(sep, pos);
    if (found < 0) {
      out.Add(src.Mid(pos));
      return count;
    }
    out.Add(src.Mid(pos, found - pos));
    pos = found + sep.GetLength();
    ++count;
  }
}
