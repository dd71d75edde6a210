// CBrelvanoApp: the application object. Its InitInstance runs the whole program: it installs the
// crash-dump handler, names the profile key, runs the main window as a modal dialog and ends the
// program when that window closes.
#pragma once

#include "platform/winapp.h"

class CBrelvanoApp : public CWinApp {
 public:
  CBrelvanoApp();

  // Always FALSE: the program ends when the main window has closed.
  BOOL InitInstance() override;

 protected:
  DECLARE_MESSAGE_MAP()
};

extern CBrelvanoApp theApp;
