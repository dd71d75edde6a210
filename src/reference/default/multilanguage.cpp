// Choosing, loading and reading the language library.
#include "reference/default/multilanguage.h"

#include "platform/gdi.h"
#include "platform/reslib.h"
#include "platform/trace.h"
#include "reference/default/appregsettings.h"

namespace {

// The room Windows' LoadString buffer of this program gives a text, terminator included.
constexpr int kTextBufferChars = 260;

}  // namespace

CMultiLanguage::~CMultiLanguage() { FreeLanguage(); }

const wchar_t* CMultiLanguage::LibraryFileName(int languageId) {
  switch (languageId) {
    case LANG_ENGLISH: return L"Quorafen.dll";
    case LANG_SPANISH: return L"Vandumel.dll";
    case LANG_PORTUGUESE: return L"Mirabost.dll";
    case LANG_RUSSIAN: return L"Pelgoran.dll";
    default: return L"Trelisko.dll";
  }
}

HINSTANCE CMultiLanguage::Load(CAppRegSettings& settings) {
  const int languageId = settings.GetProfileInt(L"", kRegValueLanguage, 0);
  FreeLanguage();
  switch (languageId) {
    case LANG_ENGLISH: m_nLanguageIndex = 1; break;
    case LANG_RUSSIAN: m_nLanguageIndex = 2; break;
    case LANG_PORTUGUESE: m_nLanguageIndex = 3; break;
    case LANG_SPANISH: m_nLanguageIndex = 4; break;
    default: m_nLanguageIndex = 0; break;
  }
  m_hLib = ::LoadLibrary(LibraryFileName(languageId));
  return m_hLib;
}

CString CMultiLanguage::LoadString(UINT id) const {
  if (m_hLib != nullptr) {
    CString text;
    if (::LoadString(m_hLib, id, text, kTextBufferChars) > 0) {
      const int nul = text.Find(L'\0');  // the buffer's text ends at its first zero
      return nul >= 0 ? text.Left(nul) : text;
    }
  }
  TRACE1(L"STRING LOAD ERROR! %d\n", GetLastError());
  return CString(kLanguageErrorText);
}

void CMultiLanguage::FreeLanguage() {
  if (m_hLib == nullptr) return;
  ::FreeLibrary(m_hLib);
  m_hLib = nullptr;
}

HBITMAP CMultiLanguage::LoadBitmap(UINT id) const {
  if (m_hLib == nullptr) return nullptr;
  return ::LoadBitmapFrom(m_hLib, id);
}

BOOL CMultiLanguage::LoadBitmap(UINT id, CBitmap& bitmap) const {
  if (bitmap.GetSafeHandle() != nullptr) return FALSE;
  HBITMAP handle = LoadBitmap(id);
  if (handle == nullptr) return FALSE;
  if (!bitmap.Attach(handle)) {
    ::DeleteObject(handle);
    return FALSE;
  }
  return TRUE;
}

HINSTANCE PrepareAndLoadLanguage(CAppRegSettings& settings, CMultiLanguage& language) {
  settings.SetRegistryKey(kAppRegistryKeyName);
  if (settings.GetProfileInt(L"", kRegValueLanguage, -1) == -1) {
    settings.WriteProfileInt(L"", kRegValueLanguage, LANG_ENGLISH);
  }
  return language.Load(settings);
}
