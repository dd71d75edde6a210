// The settings store over the registry calls of the platform layer.
#include "reference/default/appregsettings.h"

#include <string>
#include <vector>

#include "platform/registry.h"
#include "platform/trace.h"

namespace {

// Closes a key handle at scope end.
class KeyHandle {
 public:
  KeyHandle() = default;
  ~KeyHandle() {
    if (m_h != nullptr) RegCloseKey(m_h);
  }
  KeyHandle(const KeyHandle&) = delete;
  KeyHandle& operator=(const KeyHandle&) = delete;
  HKEY* Receive() { return &m_h; }
  operator HKEY() const { return m_h; }

 private:
  HKEY m_h = nullptr;
};

BOOL SetValue(const CString& keyPath, const CString& entry, DWORD type, const std::vector<BYTE>& data) {
  KeyHandle key;
  if (RegCreateKeyEx(HKEY_CURRENT_USER, keyPath, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, key.Receive(),
                     nullptr) != ERROR_SUCCESS) {
    return FALSE;
  }
  return RegSetValueEx(key, entry, 0, type, data.data(), static_cast<DWORD>(data.size())) == ERROR_SUCCESS ? TRUE
                                                                                                           : FALSE;
}

}  // namespace

void CAppRegSettings::SetRegistryKey(const CString& name) { m_strRegKeyName = CString(L"Software\\") + name; }

bool CAppRegSettings::HasKey() const {
  if (!m_strRegKeyName.IsEmpty()) return true;
  TRACE0(L"CAppRegSettings: used before SetRegistryKey; nothing read or written\n");
  return false;
}

CString CAppRegSettings::GetSectionKey(const wchar_t* section) const {
  CString key = m_strRegKeyName;
  if (section != nullptr) {
    key += L'\\';
    key += section;
  }
  return key;
}

CString CAppRegSettings::GetProfileString(const wchar_t* section, const CString& entry, const CString& def) const {
  if (!HasKey()) return def;
  KeyHandle key;
  if (RegOpenKeyEx(HKEY_CURRENT_USER, GetSectionKey(section), 0, KEY_READ, key.Receive()) != ERROR_SUCCESS) return def;
  DWORD type = REG_NONE;
  DWORD size = 0;
  if (RegQueryValueEx(key, entry, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return def;
  if (type != REG_SZ && type != REG_EXPAND_SZ) return def;
  if (size < 2 || size % 2 != 0) return def;  // not even room for the terminator
  std::vector<BYTE> data(size);
  DWORD got = size;
  if (RegQueryValueEx(key, entry, nullptr, &type, data.data(), &got) != ERROR_SUCCESS || got != size ||
      (type != REG_SZ && type != REG_EXPAND_SZ)) {
    return def;  // changed between the two queries
  }
  std::u16string text;
  for (DWORD i = 0; i + 1 < size; i += 2) text += static_cast<char16_t>(data[i] | (data[i + 1] << 8));
  if (text.back() != u'\0') return def;
  return CString(text.c_str());  // up to the first zero
}

int CAppRegSettings::GetProfileInt(const wchar_t* section, const CString& entry, int def) const {
  if (!HasKey()) return def;
  KeyHandle key;
  if (RegOpenKeyEx(HKEY_CURRENT_USER, GetSectionKey(section), 0, KEY_READ, key.Receive()) != ERROR_SUCCESS) return def;
  DWORD type = REG_NONE;
  BYTE data[4] = {0, 0, 0, 0};
  DWORD size = sizeof data;
  if (RegQueryValueEx(key, entry, nullptr, &type, data, &size) != ERROR_SUCCESS || type != REG_DWORD ||
      size != sizeof data) {
    return def;
  }
  const DWORD value = static_cast<DWORD>(data[0]) | (static_cast<DWORD>(data[1]) << 8) |
                      (static_cast<DWORD>(data[2]) << 16) | (static_cast<DWORD>(data[3]) << 24);
  return static_cast<int>(value);
}

BOOL CAppRegSettings::WriteProfileString(const wchar_t* section, const CString& entry, const CString& value) {
  if (!HasKey()) return FALSE;
  std::vector<BYTE> data;
  data.reserve(static_cast<size_t>(value.GetLength() + 1) * 2);
  for (int i = 0; i < value.GetLength(); ++i) {
    const unsigned unit = static_cast<unsigned>(value.GetAt(i)) & 0xFFFFu;
    data.push_back(static_cast<BYTE>(unit & 0xFF));
    data.push_back(static_cast<BYTE>(unit >> 8));
  }
  data.push_back(0);
  data.push_back(0);
  return SetValue(GetSectionKey(section), entry, REG_SZ, data);
}

BOOL CAppRegSettings::WriteProfileInt(const wchar_t* section, const CString& entry, int value) {
  if (!HasKey()) return FALSE;
  const DWORD v = static_cast<DWORD>(value);
  const std::vector<BYTE> data = {static_cast<BYTE>(v & 0xFF), static_cast<BYTE>((v >> 8) & 0xFF),
                                  static_cast<BYTE>((v >> 16) & 0xFF), static_cast<BYTE>((v >> 24) & 0xFF)};
  return SetValue(GetSectionKey(section), entry, REG_DWORD, data);
}
