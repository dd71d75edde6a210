// The Document folder and the branding files.
#include "gui/dlg/brandingfiles.h"

#include "gui/dlg/stdiofileutf8.h"
#include "platform/files.h"
#include "platform/trace.h"

namespace brelvano {

CString GetDocumentFolder() {
  CString folder = platform::GetCurrentFolder();
  // Without a current folder (it was removed) the name stays relative to it, never "/Document/".
  if (!folder.IsEmpty() && folder.Right(1) != L"/") folder += L'/';
  return folder + L"Document/";
}

CString PrepareDocumentFolder() {
  const CString folder = GetDocumentFolder();
  platform::CreateFolder(folder.Left(folder.GetLength() - 1));
  return folder;
}

namespace {
// ReadCompanyText, telling also whether the file opened and then could not be read.
BOOL ReadFirstLine(const CString& path, CString& text, bool& unreadable) {
  unreadable = false;
  CStdioFileUtf8 file;
  if (!file.Open(path, CStdioFileUtf8::modeRead | CStdioFileUtf8::typeBinary)) {
    text.Empty();
    return FALSE;
  }
  // The first line as it is: a byte-order mark shows as its character, and the carriage return of
  // a file written with CR LF stays at its end.
  CString line;
  const BOOL bRead = file.ReadString(line);
  if (!bRead && file.IsReadError()) {
    TRACE(L"%s could not be read (error %d)\n", path, file.GetErrorCode());
    unreadable = true;
    return FALSE;
  }
  text = bRead ? line : CString();
  file.Close();
  return TRUE;
}
}  // namespace

BOOL ReadCompanyText(const CString& path, CString& text) {
  bool unreadable = false;
  return ReadFirstLine(path, text, unreadable);
}

BrandingFiles LoadBrandingFiles() {
  BrandingFiles files;
  files.documentDir = PrepareDocumentFolder();
  files.textPath.Format(L"%sCompanyText.txt", files.documentDir);
  files.imagePath.Format(L"%sCompanyImage.bmp", files.documentDir);
  files.hasImage = platform::FileSize(files.imagePath) >= 0;
  files.hasText = ReadFirstLine(files.textPath, files.companyText, files.textUnreadable) != FALSE;
  return files;
}

}  // namespace brelvano
