// The user-interface language: the resource library that the "Language" setting chooses, and the
// texts and button bitmaps taken from it by number.
#pragma once

#include "platform/cstring.h"
#include "platform/winmsg.h"
#include "platform/wintypes.h"

class CAppRegSettings;
class CBitmap;

// Windows primary language ids, the values of the "Language" setting.
#ifndef LANG_ENGLISH
#define LANG_ENGLISH 0x09
#endif
#ifndef LANG_SPANISH
#define LANG_SPANISH 0x0a
#endif
#ifndef LANG_KOREAN
#define LANG_KOREAN 0x12
#endif
#ifndef LANG_PORTUGUESE
#define LANG_PORTUGUESE 0x16
#endif
#ifndef LANG_RUSSIAN
#define LANG_RUSSIAN 0x19
#endif

// The text LoadString gives for a number it cannot find.
inline constexpr const wchar_t kLanguageErrorText[] = L"ERROR";

class CMultiLanguage {
 public:
  CMultiLanguage() = default;
  // Frees the library if one is still loaded.
  ~CMultiLanguage();
  CMultiLanguage(const CMultiLanguage&) = delete;
  CMultiLanguage& operator=(const CMultiLanguage&) = delete;

  // The library file of a language id: 9 English, 10 Spanish, 22 Portuguese, 25 Russian, any
  // other value Korean.
  static const wchar_t* LibraryFileName(int languageId);

  // Reads "Language" (default 0) from the store, which must already point at the program's key,
  // frees the library loaded before and loads the chosen one. The new handle; null when the
  // library is missing or cannot be loaded (every text then reads "ERROR").
  HINSTANCE Load(CAppRegSettings& settings);

  // The text with that number (at most 259 characters, longer ones are cut), or "ERROR" when no
  // library is loaded or it has no such text (with the trace "STRING LOAD ERROR! <last error>").
  CString LoadString(UINT id) const;

  HINSTANCE GetInstanceHandle() const { return m_hLib; }

  // Frees the library when one is loaded (then none is).
  void FreeLanguage();

  // A bitmap of the library: a new handle the caller deletes (null when absent or no library), or
  // into an empty bitmap object (FALSE, object untouched, when it already holds one or on failure).
  HBITMAP LoadBitmap(UINT id) const;
  BOOL LoadBitmap(UINT id, CBitmap& bitmap) const;

  // The language index Load stored: 0 Korean, 1 English, 2 Russian, 3 Portuguese, 4 Spanish.
  int GetLanguageIndex() const { return m_nLanguageIndex; }

 private:
  HINSTANCE m_hLib = nullptr;
  int m_nLanguageIndex = 0;
};

// The language step of every window that shows language texts: points the store at the program's
// key, writes "Language" = 9 (English) when it is missing or not a DWORD, then loads the library
// it names into language. Returns the library handle (null when it could not be loaded).
HINSTANCE PrepareAndLoadLanguage(CAppRegSettings& settings, CMultiLanguage& language);
