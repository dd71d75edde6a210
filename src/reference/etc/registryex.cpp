#include "reference/etc/registryex.h"

#include <cstring>
#include <string>
#include <type_traits>

#include "platform/archive.h"
#include "platform/codepage.h"
#include "platform/errortext.h"
#include "platform/modal.h"
#include "platform/trace.h"

namespace {

constexpr DWORD kCollectionLimit = 4096;  // collections: bytes read and written at most
constexpr DWORD kStringLimit = 200;       // strings: bytes read at most, terminator included
constexpr DWORD kBinaryLimit = 510;       // raw bytes: read at most
constexpr DWORD kRectLimit = 30;          // rectangle and point values: read at most
constexpr int kNameLimit = 200;           // listed names: characters, terminator included

bool IsRoot(HKEY key) {
  const uintptr_t id = reinterpret_cast<uintptr_t>(key);
  return id >= 0x80000000u && id <= 0x80000003u;
}

// The rectangle and point form: five 32-bit numbers in the collection form of a number array.
std::vector<BYTE> FiveNumbers(DWORD a, DWORD b, DWORD c, DWORD d) {
  CDWordArray numbers;
  for (DWORD v : {a, b, c, d, 0u}) numbers.Add(v);
  CArchive ar;
  SerializeCollection(ar, numbers);
  return ar.Bytes();
}

}  // namespace

CRegistryEx::CRegistryEx(HKEY key) : m_hOpenKey(key) {}

CRegistryEx::~CRegistryEx() { Close(); }

BOOL CRegistryEx::ReplaceKey(LONG status, HKEY key) {
  if (status != ERROR_SUCCESS) return FALSE;
  if (m_hOpenKey && m_hOpenKey != key && !IsRoot(m_hOpenKey)) RegCloseKey(m_hOpenKey);
  m_hOpenKey = key;
  return TRUE;
}

BOOL CRegistryEx::Open(HKEY root, const CString& path) {
  m_strKeyPath = path;
  HKEY key = nullptr;
  const LONG status = RegOpenKeyEx(root, path, 0, KEY_ALL_ACCESS, &key);
  Record(status, 0, 0);
  return ReplaceKey(status, key);
}

BOOL CRegistryEx::OpenKey(HKEY root, const CString& path) {
  HKEY key = nullptr;
  const LONG status = RegOpenKeyEx(root, path, 0, KEY_ALL_ACCESS, &key);
  if (status != ERROR_SUCCESS) Record(status, 0, 0);
  return ReplaceKey(status, key);
}

BOOL CRegistryEx::OpenSubKey(const CString& path) {
  HKEY key = nullptr;
  const LONG status = m_hOpenKey ? RegOpenKeyEx(m_hOpenKey, path, 0, KEY_ALL_ACCESS, &key) : ERROR_INVALID_HANDLE;
  Record(status, 0, 0);
  return ReplaceKey(status, key);
}

BOOL CRegistryEx::CreateKey(HKEY root, const CString& path) {
  HKEY key = nullptr;
  const LONG status = RegCreateKeyEx(root, path, 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                                     nullptr);
  Record(status, 0, 0);
  return ReplaceKey(status, key);
}

void CRegistryEx::Close() {
  if (m_hOpenKey) RegCloseKey(m_hOpenKey);
  m_hOpenKey = nullptr;
}

BOOL CRegistryEx::DeleteKey(HKEY root, const CString& path) {
  const LONG status = RegDeleteKey(root, path);
  Record(status, 0, 0);
  return status == ERROR_SUCCESS;
}

BOOL CRegistryEx::HasValue(const CString& name) {
  const LONG status = RegQueryValueEx(m_hOpenKey, name, nullptr, nullptr, nullptr, nullptr);
  Record(status, 0, 0);
  return status == ERROR_SUCCESS;
}

BOOL CRegistryEx::WriteDword(const CString& name, DWORD value) {
  BYTE bytes[4];
  std::memcpy(bytes, &value, 4);
  const LONG status = RegSetValueEx(m_hOpenKey, name, 0, REG_DWORD, bytes, 4);
  Record(status, 4, 4);
  return status == ERROR_SUCCESS;
}

LONG CRegistryEx::WriteDword(const CString& name, int value) {
  BYTE bytes[4];
  std::memcpy(bytes, &value, 4);
  return RegSetValueEx(m_hOpenKey, name, 0, REG_DWORD, bytes, 4);
}

BOOL CRegistryEx::WriteString(const CString& name, const CString& text) {
  std::string units = platform::TextToBytes(CP_UTF16LE, text);
  units.append(2, '\0');
  const LONG status = RegSetValueEx(m_hOpenKey, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(units.data()),
                                    static_cast<DWORD>(units.size()));
  Record(status, REG_SZ, static_cast<DWORD>(units.size() / 2));
  return status == ERROR_SUCCESS;
}

BOOL CRegistryEx::WriteBinary(const CString& name, const std::vector<BYTE>& bytes, DWORD recordType) {
  LONG status;
  if (bytes.size() >= kCollectionLimit) {
    // The readers could not take it back: refused rather than stored half-usable.
    TRACE(L"CRegistryEx: \"%s\" needs %u bytes, more than a binary value may hold", name.GetString(),
          static_cast<unsigned>(bytes.size()));
    status = ERROR_MORE_DATA;
  } else {
    status = RegSetValueEx(m_hOpenKey, name, 0, REG_BINARY, bytes.data(), static_cast<DWORD>(bytes.size()));
  }
  Record(status, recordType, static_cast<DWORD>(bytes.size()));
  return status == ERROR_SUCCESS;
}

BOOL CRegistryEx::WriteRect(const CString& name, const CRect& rect) {
  return WriteBinary(name,
                     FiveNumbers(static_cast<DWORD>(rect.top), static_cast<DWORD>(rect.bottom),
                                 static_cast<DWORD>(rect.left), static_cast<DWORD>(rect.right)),
                     1);
}

BOOL CRegistryEx::WritePoint(const CString& name, const CPoint& point) {
  return WriteBinary(name, FiveNumbers(static_cast<DWORD>(point.x), static_cast<DWORD>(point.y), 0, 0), 2);
}

template <typename Collection>
BOOL CRegistryEx::WriteAny(const CString& name, Collection& c) {
  CArchive ar;
  SerializeCollection(ar, c);
  return WriteBinary(name, ar.Bytes(), REG_BINARY);
}

BOOL CRegistryEx::WriteCollection(const CString& name, CStringList& list) { return WriteAny(name, list); }
BOOL CRegistryEx::WriteCollection(const CString& name, CByteArray& array) { return WriteAny(name, array); }
BOOL CRegistryEx::WriteCollection(const CString& name, CDWordArray& array) { return WriteAny(name, array); }
BOOL CRegistryEx::WriteCollection(const CString& name, CWordArray& array) { return WriteAny(name, array); }
BOOL CRegistryEx::WriteCollection(const CString& name, CStringArray& array) { return WriteAny(name, array); }

BOOL CRegistryEx::ReadDword(const CString& name, DWORD& value) {
  BYTE bytes[4] = {};
  DWORD type = 0, size = 4;
  const LONG status = RegQueryValueEx(m_hOpenKey, name, nullptr, &type, bytes, &size);
  Record(status, type, size);
  if (status != ERROR_SUCCESS) return FALSE;
  std::memcpy(&value, bytes, 4);
  return TRUE;
}

BOOL CRegistryEx::ReadDword(const CString& name, int& value) {
  DWORD v = 0;
  if (!ReadDword(name, v)) return FALSE;
  value = static_cast<int>(v);
  return TRUE;
}

BOOL CRegistryEx::ReadString(const CString& name, CString& text) {
  BYTE buffer[kStringLimit] = {};
  DWORD type = 0, size = kStringLimit;
  const LONG status = RegQueryValueEx(m_hOpenKey, name, nullptr, &type, buffer, &size);
  Record(status, type, size);
  if (status != ERROR_SUCCESS) return FALSE;
  // The text ends at its first 0 unit, or with the bytes read (never beyond them).
  text = platform::reg::TextOfBytes(buffer, size);
  return TRUE;
}

BOOL CRegistryEx::ReadBinary(const CString& name, BYTE* buffer, DWORD count) {
  BYTE local[kBinaryLimit] = {};
  DWORD type = 0, size = count < kBinaryLimit ? count : kBinaryLimit;
  const LONG status = RegQueryValueEx(m_hOpenKey, name, nullptr, &type, local, &size);
  Record(status, type, size);
  if (status != ERROR_SUCCESS) return FALSE;
  if (buffer && size) std::memcpy(buffer, local, size);
  return TRUE;
}

BOOL CRegistryEx::QueryBytes(const CString& name, DWORD limit, std::vector<BYTE>& bytes, DWORD& type) {
  bytes.assign(limit, 0);
  DWORD size = limit;
  type = 0;
  const LONG status = RegQueryValueEx(m_hOpenKey, name, nullptr, &type, bytes.data(), &size);
  Record(status, type, size);
  if (status != ERROR_SUCCESS) return FALSE;
  bytes.resize(size);
  return TRUE;
}

template <typename Collection>
BOOL CRegistryEx::ReadAny(const CString& name, Collection& c, bool keepCount) {
  std::vector<BYTE> bytes;
  DWORD type = 0;
  if (!QueryBytes(name, kCollectionLimit, bytes, type)) return FALSE;
  if (type != REG_BINARY) return TRUE;
  Collection loaded;
  CArchive ar(bytes.data(), bytes.size());
  if (!SerializeCollection(ar, loaded)) {
    TRACE(L"CRegistryEx::ReadCollection: \"%s\" does not hold a whole collection", name.GetString());
    return FALSE;
  }
  if constexpr (!std::is_same_v<Collection, CStringList>) {
    if (keepCount) loaded.SetSize(c.GetSize());
    c.RemoveAll();
    for (INT_PTR i = 0; i < loaded.GetSize(); ++i) c.Add(loaded[i]);
  } else {
    (void)keepCount;
    c.RemoveAll();
    for (POSITION pos = loaded.GetHeadPosition(); pos;) c.AddTail(loaded.GetNext(pos));
  }
  return TRUE;
}

BOOL CRegistryEx::ReadCollection(const CString& name, CStringList& list) { return ReadAny(name, list, false); }
BOOL CRegistryEx::ReadCollection(const CString& name, CByteArray& array) { return ReadAny(name, array, true); }
BOOL CRegistryEx::ReadCollection(const CString& name, CDWordArray& array) { return ReadAny(name, array, true); }
BOOL CRegistryEx::ReadCollection(const CString& name, CWordArray& array) { return ReadAny(name, array, true); }
BOOL CRegistryEx::ReadCollection(const CString& name, CStringArray& array) { return ReadAny(name, array, true); }

BOOL CRegistryEx::ReadNumbers(const CString& name, CDWordArray& numbers) {
  std::vector<BYTE> bytes;
  DWORD type = 0;
  const BOOL ok = QueryBytes(name, kRectLimit, bytes, type);
  const LONG status = m_lStatus;
  if (ok && type == REG_BINARY) {
    CArchive ar(bytes.data(), bytes.size());
    if (!SerializeCollection(ar, numbers)) numbers.RemoveAll();
  }
  Record(status, 1, 16);
  return ok;
}

BOOL CRegistryEx::ReadRect(const CString& name, CRect& rect) {
  CDWordArray numbers;
  const BOOL ok = ReadNumbers(name, numbers);
  if (numbers.GetSize() >= 4) {
    rect.top = static_cast<LONG>(numbers[0]);
    rect.bottom = static_cast<LONG>(numbers[1]);
    rect.left = static_cast<LONG>(numbers[2]);
    rect.right = static_cast<LONG>(numbers[3]);
  }
  return ok;
}

BOOL CRegistryEx::ReadPoint(const CString& name, CPoint& point) {
  CDWordArray numbers;
  const BOOL ok = ReadNumbers(name, numbers);
  if (numbers.GetSize() >= 2) {
    point.x = static_cast<LONG>(numbers[0]);
    point.y = static_cast<LONG>(numbers[1]);
  }
  return ok;
}

BOOL CRegistryEx::DeleteValue(const CString& name) {
  const LONG status = RegDeleteValue(m_hOpenKey, name);
  Record(status, 0, 0);
  return status == ERROR_SUCCESS;
}

BOOL CRegistryEx::List(const CString& path, CStringArray& names, bool values) {
  HKEY key = nullptr;
  const LONG status = m_hOpenKey ? RegOpenKeyEx(m_hOpenKey, path, 0, KEY_READ, &key) : ERROR_INVALID_HANDLE;
  Record(status, 0, 0);
  if (status != ERROR_SUCCESS) return FALSE;
  names.RemoveAll();
  BOOL ok = TRUE;
  for (DWORD index = 0;; ++index) {
    CString name;
    DWORD type = 0;
    LONG step = values ? RegEnumValue(key, index, &name, &type, nullptr, nullptr) : RegEnumKeyEx(key, index, &name);
    if (step == ERROR_NO_MORE_ITEMS) break;  // the normal end of the listing
    if (step == ERROR_SUCCESS && name.GetLength() >= kNameLimit) step = ERROR_MORE_DATA;
    if (step != ERROR_SUCCESS) {
      ShowError(step, values ? L"RegEnumValue" : L"RegEnumKeyEx", CString(__FILE__), __LINE__);
      ok = FALSE;
      break;
    }
    names.Add(name);
  }
  RegCloseKey(key);
  return ok;
}

BOOL CRegistryEx::GetSubKeys(const CString& path, CStringArray& names) { return List(path, names, false); }

BOOL CRegistryEx::GetValueNames(const CString& path, CStringArray& names) { return List(path, names, true); }

CString CRegistryEx::FindKeyByValue(const CString& path, const CString& name, const CString& wanted) {
  CString text;
  {
    CRegistryEx reader(HKEY_LOCAL_MACHINE);
    if (reader.Open(HKEY_LOCAL_MACHINE, path)) reader.ReadString(name, text);
    reader.Close();
  }
  CString a = text, b = wanted;
  if (a.MakeUpper() == b.MakeUpper()) return path;
  CStringArray subKeys;
  GetSubKeys(path, subKeys);
  for (INT_PTR i = 0; i < subKeys.GetSize(); ++i) {
    const CString found = FindKeyByValue(path + L"\\" + subKeys[i], name, wanted);
    if (!found.IsEmpty()) return found;
  }
  return CString();
}

void CRegistryEx::ShowError(LONG code, const CString& function, const CString& file, int line) {
  CString system = platform::SystemErrorText(static_cast<DWORD>(code));
  CString text;
  text.Format(L"%u %s\n%s %u", static_cast<unsigned>(code), function.GetString(), file.GetString(),
              static_cast<unsigned>(line));
  if (text.GetLength() > 255) text = text.Left(255);
  MessageBox(nullptr, text, system, MB_ICONINFORMATION);
}
