// The program's settings store: values under HKEY_CURRENT_USER\Software\<key name>, read and
// written one at a time in the manner of the framework's profile functions (section, entry,
// default), each call opening the key anew.
#pragma once

#include "platform/cstring.h"
#include "platform/wintypes.h"

// The key name every holder of the store sets, and the values kept under it.
inline constexpr const wchar_t kAppRegistryKeyName[] = L"Kestova.Inc.\\Brelvano_v5";
inline constexpr const wchar_t kRegValueLanguage[] = L"Language";  // DWORD: user interface language id
inline constexpr const wchar_t kRegValueComPort[] = L"COMPORT";    // text: the port chosen last

class CAppRegSettings {
 public:
  // The store's key becomes "Software\" + name.
  void SetRegistryKey(const CString& name);
  const CString& GetRegistryKeyName() const { return m_strRegKeyName; }

  // The key path of a section: the store's key, followed by '\' and the section unless section is
  // null (so the empty section gives the key itself, written with a trailing '\').
  CString GetSectionKey(const wchar_t* section) const;

  // A REG_SZ or REG_EXPAND_SZ value (stored with its terminating zero); the default on any
  // problem: no key set, key or value missing, another type, a text without its terminator.
  CString GetProfileString(const wchar_t* section, const CString& entry, const CString& def = CString()) const;
  // A REG_DWORD value; the default on any problem.
  int GetProfileInt(const wchar_t* section, const CString& entry, int def) const;

  // Store a REG_SZ (with its terminating zero) / a REG_DWORD, creating the key path as needed.
  // FALSE when no key was set or the key cannot be created or the value not set.
  BOOL WriteProfileString(const wchar_t* section, const CString& entry, const CString& value);
  BOOL WriteProfileInt(const wchar_t* section, const CString& entry, int value);

 private:
  // False (with a trace) when the store is used before SetRegistryKey: it then touches nothing,
  // rather than reading or writing values at the top of HKEY_CURRENT_USER.
  bool HasKey() const;

  CString m_strRegKeyName;
};
