// CFileVersion: reads the version block of a program file and hands out its texts by name (the
// product version and the legal notice of the window title, among others).
#pragma once

#include <memory>

#include "platform/cstring.h"
#include "platform/versionblock.h"
#include "platform/wintypes.h"

class CFileVersion {
 public:
  CFileVersion();
  ~CFileVersion();
  CFileVersion(const CFileVersion&) = delete;
  CFileVersion& operator=(const CFileVersion&) = delete;

  // Loads the version block of the file (a block already open is closed first). FALSE, with no
  // block open, when the path is empty or the file has no valid block or translation.
  BOOL Open(const CString& path);
  void Close();
  BOOL IsOpen() const { return m_pVersionData != nullptr; }

  // The named text of the string table for the language and code page pair (language high, code
  // page low; 0 takes the pair found by Open). Empty without a block or such a text.
  CString QueryValue(const CString& name, DWORD dwLangCharset = 0) const;

  CString GetFileDescription() const { return QueryValue(L"FileDescription"); }
  CString GetFileVersion() const { return QueryValue(L"FileVersion"); }
  CString GetInternalName() const { return QueryValue(L"InternalName"); }
  CString GetCompanyName() const { return QueryValue(L"CompanyName"); }
  CString GetLegalCopyright() const { return QueryValue(L"LegalCopyright"); }
  CString GetOriginalFilename() const { return QueryValue(L"OriginalFilename"); }
  CString GetProductName() const { return QueryValue(L"ProductName"); }
  CString GetProductVersion() const { return QueryValue(L"ProductVersion"); }
  CString GetLegalNotice() const { return GetLegalCopyright(); }

  // Copies the fixed part of the block. FALSE without a block.
  BOOL GetFixedInfo(VS_FIXEDFILEINFO& vsffi) const;
  // The fixed file or product version as "a,b,c,d"; empty without a block.
  CString GetFixedFileVersion() const;
  CString GetFixedProductVersion() const;

  // The pair found by Open (language high, code page low); 0 while no block is open.
  DWORD GetLangCharset() const { return m_dwLangCharset; }

 private:
  std::unique_ptr<BYTE[]> m_pVersionData;
  DWORD m_dwLangCharset = 0;
};
