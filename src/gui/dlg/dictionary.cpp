// Loading of the Portuguese dictionary and the lookup in it.
#include "gui/dlg/dictionary.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <string_view>

#include "gui/dlg/brelvanodlg.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/modal.h"
#include "platform/reslib.h"
#include "reference/default/multilanguage.h"

namespace brelvano {
namespace {

// Why a file that exists cannot be read (errno).
int ReadError(const CString& path) {
  const std::string bytes = path.ToUtf8();
  const int fd = open(bytes.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return errno;
  struct stat st {};
  int error = EIO;
  if (fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) error = EISDIR;
  else if (fstat(fd, &st) == 0 && !S_ISREG(st.st_mode)) error = EINVAL;
  close(fd);
  return error;
}

// The file's text: UTF-8 when the bytes are valid UTF-8, else code page 1252.
CString DecodeDictionary(std::string_view bytes) {
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
  return platform::BytesToText(platform::IsValidUtf8(bytes) ? CP_UTF8 : CP_WESTERN, bytes);
}

// One "key=value" line into the map, split with the main window's splitter; the value ends at a
// second '='.
void AddEntry(CMapStringToString& map, const CString& line) {
  CStringArray pieces;
  if (CBrelvanoDlg::SplitByString(line, L"=", pieces) < 1) return;
  CString key = pieces.GetAt(0);
  key.MakeUpper();
  key.Trim();
  if (key.IsEmpty()) return;
  map.SetAt(key, pieces.GetAt(1));
}

}  // namespace

BOOL LoadPortugueseDictionary(CMapStringToString& map, DWORD language, const CString& documentDir) {
  map.RemoveAll();
  if (language != kLanguagePortuguese) return TRUE;
  CString path;
  path.Format(L"%sPOR_LANG.txt", documentDir);
  if (!platform::FileExists(path)) return TRUE;

  std::string bytes;
  // Only a regular file is read: a FIFO of that name would never end.
  if (platform::FileSize(path) < 0 || !platform::ReadWholeFile(path, bytes)) {
    CString message;
    message.Format(L"%s\n%s", path, std::strerror(ReadError(path)));
    AfxMessageBox(message, MB_OK | MB_ICONEXCLAMATION);
    return FALSE;
  }
  const CString text = DecodeDictionary(bytes);
  int start = 0;
  while (start <= text.GetLength()) {
    int end = text.Find(L'\n', start);
    if (end < 0) end = text.GetLength();
    CString line = text.Mid(start, end - start);
    if (line.Right(1) == L"\r") line = line.Left(line.GetLength() - 1);
    AddEntry(map, line);
    start = end + 1;
  }
  return TRUE;
}

CString Translate(const CMapStringToString& map, const CString& text) {
  if (map.IsEmpty()) return text;
  CString key = text;
  key.MakeUpper();
  key.Trim();
  CString value;
  if (map.Lookup(key, value) && !value.IsEmpty()) return value;
  return text;
}

BOOL DumpLanguageStrings(const CString& strPath) {
  constexpr UINT kFirstText = 1001;
  constexpr UINT kLastText = 1763;
  const HINSTANCE english = ::LoadLibrary(CMultiLanguage::LibraryFileName(9));
  const HINSTANCE portuguese = ::LoadLibrary(CMultiLanguage::LibraryFileName(static_cast<int>(kLanguagePortuguese)));
  auto text = [](HINSTANCE library, UINT id) {
    CString value;
    if (library == nullptr || ::LoadString(library, id, value, 260) <= 0) return CString(kLanguageErrorText);
    const int nul = value.Find(L'\0');
    return nul >= 0 ? value.Left(nul) : value;
  };
  std::string out;
  for (UINT id = kFirstText; id <= kLastText; ++id) out += (text(english, id) + L"=" + text(portuguese, id)).ToUtf8() + "\r\n";
  if (english != nullptr) ::FreeLibrary(english);
  if (portuguese != nullptr) ::FreeLibrary(portuguese);
  return platform::WriteWholeFile(strPath, out) ? TRUE : FALSE;
}

}  // namespace brelvano
