// GUI_Base: the second base of the program's dialogs that use the device link, the settings store
// or the language library. It carries the bridge to the device objects (brought to life only by the
// main window), the settings store, the language library, the program's version texts, and the
// functions with which reply parsers cut device replies into fields.
#pragma once

#include <string>

#include "gui/dlg/fileversion.h"
#include "object/rs232/bridge.h"
#include "platform/cstring.h"
#include "reference/default/appregsettings.h"
#include "reference/default/multilanguage.h"

class CWnd;

class GUI_Base {
 public:
  GUI_Base() = default;
  // Releases the members; the bridge stops its worker threads and closes its objects first.
  virtual ~GUI_Base() = default;
  GUI_Base(const GUI_Base&) = delete;
  GUI_Base& operator=(const GUI_Base&) = delete;

  // The main window's start: module information, language library, then the device link (the
  // bridge's objects as hidden children of pOwner, and their threads).
  void Init(CWnd* pOwner);
  // Stops the device link: every worker thread, then the device objects.
  void Stop();
  // The program file's path and its "ProductVersion" text (empty when unreadable).
  void LoadModuleInfo();
  // Points the settings at the program's key, writes "Language" = 9 when it is missing, then loads
  // the language library it names. The library handle (null when it could not be loaded).
  HINSTANCE LoadLanguage();

  // Field n (from 1) of a sep-joined line, with CR (and LF unless bKeepLF) removed first. Empty for
  // an empty field, n <= 0 and n past the last field.
  static CString GetField(CString src, int n, wchar_t sep, BOOL bKeepLF = FALSE);
  // The same on single-byte text.
  static std::string GetFieldA(std::string src, int n, char sep, BOOL bKeepLF = FALSE);
  // Everything after the (n-1)-th separator, with CR, LF and ETX removed. Empty for n <= 1 and when
  // the line has fewer than n-1 separators.
  static CString GetFieldsFrom(CString src, int n, wchar_t sep);
  // The number of sep characters plus 1 (the empty text has one field). CR and LF count as text.
  static int CountFields(const CString& src, wchar_t sep);
  // TRUE when path names an existing file or folder; the last component may hold '*' and '?'.
  static BOOL FileExists(const CString& path);

  CBridge m_bridge;
  CAppRegSettings m_regSettings;
  CMultiLanguage m_language;
  CFileVersion m_fileVersion;
  CString m_strProductVersion;
  CString m_strModulePath;
};
