// GUI_Base (see guibase.h).
#include "gui/dlg/guibase.h"

#include "platform/files.h"

namespace {

// Start and length of field n of text (fields from 1); length -1 when there is no such field.
template <typename Text, typename Char>
void FindField(const Text& text, int length, int n, Char sep, int* pStart, int* pLength) {
  *pStart = 0;
  *pLength = -1;
  if (n <= 0) return;
  int count = 0;
  int start = 0;
  for (int i = 0; i < length; ++i) {
    if (text[i] != sep) continue;
    ++count;
    if (count == n) {
      *pStart = start;
      *pLength = i - start;
      return;
    }
    start = i + 1;
  }
  if (count == n - 1) {
    *pStart = start;
    *pLength = length - start;
  }
}

}  // namespace

void GUI_Base::Init(CWnd* pOwner) {
  LoadModuleInfo();
  LoadLanguage();
  m_bridge.Create(pOwner);
  m_bridge.StartAllThreads();
}

void GUI_Base::Stop() {
  m_bridge.StopAllThreads();
  m_bridge.CloseObjects();
}

void GUI_Base::LoadModuleInfo() {
  const CString path = platform::GetProgramPath();
  m_strProductVersion.Empty();
  if (m_fileVersion.Open(path)) m_strProductVersion = m_fileVersion.GetProductVersion();
  m_strModulePath = path;
  m_fileVersion.Close();
}

HINSTANCE GUI_Base::LoadLanguage() { return PrepareAndLoadLanguage(m_regSettings, m_language); }

CString GUI_Base::GetField(CString src, int n, wchar_t sep, BOOL bKeepLF) {
  src.Remove(L'\r');
  if (!bKeepLF) src.Remove(L'\n');
  const std::wstring text = src.ToWString();
  int start = 0;
  int length = -1;
  FindField(text, static_cast<int>(text.size()), n, sep, &start, &length);
  if (length <= 0) return CString();
  return CString(text.substr(static_cast<size_t>(start), static_cast<size_t>(length)));
}

std::string GUI_Base::GetFieldA(std::string src, int n, char sep, BOOL bKeepLF) {
  std::string text;
  text.reserve(src.size());
  for (char ch : src) {
    if (ch == '\r' || (ch == '\n' && !bKeepLF)) continue;
    text.push_back(ch);
  }
  int start = 0;
  int length = -1;
  FindField(text, static_cast<int>(text.size()), n, sep, &start, &length);
  if (length <= 0) return std::string();
  return text.substr(static_cast<size_t>(start), static_cast<size_t>(length));
}

CString GUI_Base::GetFieldsFrom(CString src, int n, wchar_t sep) {
  src.Remove(L'\r');
  src.Remove(L'\n');
  if (n <= 1) return CString();
  // The text after the (n-1)-th separator is field n with everything behind it.
  int count = 0;
  const int length = src.GetLength();
  for (int i = 0; i < length; ++i) {
    if (src.GetAt(i) != sep) continue;
    if (++count == n - 1) {
      CString rest = src.Mid(i + 1);
      rest.Remove(static_cast<wchar_t>(3));
      return rest;
    }
  }
  return CString();
}

int GUI_Base::CountFields(const CString& src, wchar_t sep) {
  int count = 0;
  const int length = src.GetLength();
  for (int i = 0; i < length; ++i)
    if (src.GetAt(i) == sep) ++count;
  return count + 1;
}

BOOL GUI_Base::FileExists(const CString& path) {
  if (path.IsEmpty()) return FALSE;
  return platform::FileExists(path) ? TRUE : FALSE;
}
