// GUI_Base: the second base of the program's dialogs that show language texts. It carries the
// settings store, the language library, the program's version reader and its version texts. The
// device link (bridge to the serial port object and its threads) joins it later through
// StartDeviceLink.
#pragma once

#include "gui/dlg/fileversion.h"
#include "platform/cstring.h"
#include "reference/default/appregsettings.h"
#include "reference/default/multilanguage.h"

class CWnd;

class GUI_Base {
 public:
  GUI_Base() = default;
  virtual ~GUI_Base() = default;
  GUI_Base(const GUI_Base&) = delete;
  GUI_Base& operator=(const GUI_Base&) = delete;

  // The main window's start: module information, language library, then the device link.
  void Init(CWnd* pOwner);
  // The program file's path and its "ProductVersion" text (empty when unreadable).
  void LoadModuleInfo();
  // Points the settings at the program's key, writes "Language" = 9 when it is missing, then loads
  // the language library it names. The library handle (null when it could not be loaded).
  HINSTANCE LoadLanguage();

  CAppRegSettings m_regSettings;
  CMultiLanguage m_language;
  CFileVersion m_fileVersion;
  CString m_strProductVersion;
  CString m_strModulePath;

 protected:
  // Hook for the device link (the bridge creating the serial port object as a hidden child of
  // pOwner and starting its threads). Nothing to start yet.
  virtual void StartDeviceLink(CWnd* pOwner) { (void)pOwner; }
};
