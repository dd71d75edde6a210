#include "platform/errortext.h"

#include "platform/winerror.h"

namespace platform {

CString SystemErrorText(DWORD code) {
  struct Entry {
    DWORD code;
    const wchar_t* text;
  };
  static const Entry kTexts[] = {
      {ERROR_SUCCESS, L"The operation completed successfully."},
      {ERROR_FILE_NOT_FOUND, L"The system cannot find the file specified."},
      {ERROR_ACCESS_DENIED, L"Access is denied."},
      {ERROR_INVALID_HANDLE, L"The handle is invalid."},
      {ERROR_INVALID_DATA, L"The data is invalid."},
      {ERROR_GEN_FAILURE, L"A device attached to the system is not functioning."},
      {ERROR_NOT_SUPPORTED, L"The request is not supported."},
      {ERROR_INVALID_PARAMETER, L"The parameter is incorrect."},
      {ERROR_INVALID_NAME, L"The filename, directory name, or volume label syntax is incorrect."},
      {ERROR_MORE_DATA, L"More data is available."},
      {ERROR_NO_MORE_ITEMS, L"No more data is available."},
      {ERROR_KEY_DELETED, L"Illegal operation attempted on a registry key that has been marked for deletion."},
      {ERROR_TIMEOUT, L"This operation returned because the timeout period expired."},
  };
  for (const Entry& e : kTexts)
    if (e.code == code) return CString(e.text) + L"\r\n";
  CString text;
  text.Format(L"Unknown error (%u).\r\n", static_cast<unsigned>(code));
  return text;
}

}  // namespace platform
