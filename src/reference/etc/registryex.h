// CRegistryEx: one open key of the settings store with typed reads and writes (numbers, strings,
// raw bytes, rectangles, points, collections kept as archive bytes), listings and a key search.
// Each operation keeps the store's status of its last call, with the value type and size it saw.
#pragma once

#include <vector>

#include "platform/collections.h"
#include "platform/cstring.h"
#include "platform/geometry.h"
#include "platform/registry.h"

class CRegistryEx {
 public:
  // key: usually a predefined root; it becomes the open key.
  explicit CRegistryEx(HKEY key = HKEY_LOCAL_MACHINE);
  virtual ~CRegistryEx();
  CRegistryEx(const CRegistryEx&) = delete;
  CRegistryEx& operator=(const CRegistryEx&) = delete;

  // Keys. The open key is replaced; a key this object opened before is closed first.
  BOOL Open(HKEY root, const CString& path);     // keeps the path
  BOOL OpenKey(HKEY root, const CString& path);  // records only a failure
  BOOL OpenSubKey(const CString& path);          // relative to the open key
  BOOL CreateKey(HKEY root, const CString& path);
  void Close();
  BOOL DeleteKey(HKEY root, const CString& path);

  // Values of the open key.
  BOOL HasValue(const CString& name);
  BOOL WriteDword(const CString& name, DWORD value);
  LONG WriteDword(const CString& name, int value);  // answers the store's status, records nothing
  BOOL WriteString(const CString& name, const CString& text);
  BOOL WriteRect(const CString& name, const CRect& rect);
  BOOL WritePoint(const CString& name, const CPoint& point);
  BOOL WriteCollection(const CString& name, CStringList& list);
  BOOL WriteCollection(const CString& name, CByteArray& array);
  BOOL WriteCollection(const CString& name, CDWordArray& array);
  BOOL WriteCollection(const CString& name, CWordArray& array);
  BOOL WriteCollection(const CString& name, CStringArray& array);

  BOOL ReadDword(const CString& name, DWORD& value);
  BOOL ReadDword(const CString& name, int& value);
  // At most 99 characters (a 200-byte buffer with the terminator).
  BOOL ReadString(const CString& name, CString& text);
  // At most count bytes, and never more than 510.
  BOOL ReadBinary(const CString& name, BYTE* buffer, DWORD count);
  // TRUE when the value could be read; only a binary value that holds a whole collection changes
  // the collection (FALSE for malformed bytes). An array keeps its element count.
  BOOL ReadCollection(const CString& name, CStringList& list);
  BOOL ReadCollection(const CString& name, CByteArray& array);
  BOOL ReadCollection(const CString& name, CDWordArray& array);
  BOOL ReadCollection(const CString& name, CWordArray& array);
  BOOL ReadCollection(const CString& name, CStringArray& array);
  BOOL ReadRect(const CString& name, CRect& rect);
  BOOL ReadPoint(const CString& name, CPoint& point);
  BOOL DeleteValue(const CString& name);

  // Names of the subkeys / values of path (below the open key), in the store's order. A failed
  // enumeration step shows the error box and answers FALSE.
  BOOL GetSubKeys(const CString& path, CStringArray& names);
  BOOL GetValueNames(const CString& path, CStringArray& names);
  // Depth first below HKEY_LOCAL_MACHINE\path: the first key whose string value `name` equals
  // `wanted` ignoring case (a key without the value reads as empty); empty when none.
  CString FindKeyByValue(const CString& path, const CString& name, const CString& wanted);
  // Message box with the system text of code as caption and "code function\nfile line" as text.
  static void ShowError(LONG code, const CString& function, const CString& file, int line);

  LONG GetLastStatus() const { return m_lStatus; }
  DWORD GetLastType() const { return m_dwLastType; }
  DWORD GetLastSize() const { return m_dwLastSize; }
  HKEY GetOpenKey() const { return m_hOpenKey; }
  const CString& GetKeyPath() const { return m_strKeyPath; }

 private:
  void Record(LONG status, DWORD type, DWORD size) {
    m_lStatus = status;
    m_dwLastType = type;
    m_dwLastSize = size;
  }
  BOOL ReplaceKey(LONG status, HKEY key);
  BOOL WriteBinary(const CString& name, const std::vector<BYTE>& bytes, DWORD recordType);
  // Reads a binary value of at most limit bytes; TRUE when the query succeeded.
  BOOL QueryBytes(const CString& name, DWORD limit, std::vector<BYTE>& bytes, DWORD& type);
  // The five numbers of a rectangle or point value (empty when it holds none); records type 1, 16.
  BOOL ReadNumbers(const CString& name, CDWordArray& numbers);
  template <typename Collection>
  BOOL WriteAny(const CString& name, Collection& c);
  template <typename Collection>
  BOOL ReadAny(const CString& name, Collection& c, bool keepCount);
  BOOL List(const CString& path, CStringArray& names, bool values);

  LONG m_lStatus = 0;
  DWORD m_dwLastType = 0;
  DWORD m_dwLastSize = 0;
  HKEY m_hOpenKey = nullptr;
  CString m_strKeyPath;
};
