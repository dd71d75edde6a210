// CFileVersion on the layer's version block reader.
#include "gui/dlg/fileversion.h"

#include <cstring>

CFileVersion::CFileVersion() = default;

CFileVersion::~CFileVersion() { Close(); }

BOOL CFileVersion::Open(const CString& path) {
  Close();
  if (path.IsEmpty()) return FALSE;
  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSize(path, &handle);
  if (size == 0) return FALSE;

  m_pVersionData.reset(new BYTE[size]);
  void* translation = nullptr;
  UINT length = 0;
  if (!GetFileVersionInfo(path, handle, size, m_pVersionData.get()) ||
      !VerQueryValue(m_pVersionData.get(), L"\\VarFileInfo\\Translation", &translation, &length) || length < 4) {
    Close();
    return FALSE;
  }
  // The entry holds the language in its low and the code page in its high word; the pair keeps
  // them the other way round, as the string table's name spells them.
  DWORD entry = 0;
  std::memcpy(&entry, translation, sizeof entry);
  m_dwLangCharset = MAKELONG(HIWORD(entry), LOWORD(entry));
  return TRUE;
}

void CFileVersion::Close() {
  m_pVersionData.reset();
  m_dwLangCharset = 0;
}

CString CFileVersion::QueryValue(const CString& name, DWORD dwLangCharset) const {
  if (!m_pVersionData) return CString();
  const DWORD pair = dwLangCharset != 0 ? dwLangCharset : m_dwLangCharset;
  CString subBlock;
  subBlock.Format(L"\\StringFileInfo\\%08lx\\%s", static_cast<unsigned long>(pair), name);
  void* value = nullptr;
  UINT length = 0;
  if (!VerQueryValue(m_pVersionData.get(), subBlock, &value, &length) || value == nullptr || length == 0) {
    return CString();
  }
  return CString(static_cast<const char16_t*>(value));
}

BOOL CFileVersion::GetFixedInfo(VS_FIXEDFILEINFO& vsffi) const {
  if (!m_pVersionData) return FALSE;
  void* fixed = nullptr;
  UINT length = 0;
  if (!VerQueryValue(m_pVersionData.get(), L"\\", &fixed, &length) || length < sizeof(VS_FIXEDFILEINFO)) {
    return FALSE;
  }
  std::memcpy(&vsffi, fixed, sizeof(VS_FIXEDFILEINFO));
  return TRUE;
}

namespace {
CString FourParts(DWORD ms, DWORD ls) {
  CString text;
  text.Format(L"%u,%u,%u,%u", static_cast<unsigned>(HIWORD(ms)), static_cast<unsigned>(LOWORD(ms)),
              static_cast<unsigned>(HIWORD(ls)), static_cast<unsigned>(LOWORD(ls)));
  return text;
}
}  // namespace

CString CFileVersion::GetFixedFileVersion() const {
  VS_FIXEDFILEINFO vsffi{};
  if (!GetFixedInfo(vsffi)) return CString();
  return FourParts(vsffi.dwFileVersionMS, vsffi.dwFileVersionLS);
}

CString CFileVersion::GetFixedProductVersion() const {
  VS_FIXEDFILEINFO vsffi{};
  if (!GetFixedInfo(vsffi)) return CString();
  return FourParts(vsffi.dwProductVersionMS, vsffi.dwProductVersionLS);
}
