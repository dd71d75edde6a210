// GUI_Base (see guibase.h).
#include "gui/dlg/guibase.h"

#include "platform/files.h"

void GUI_Base::Init(CWnd* pOwner) {
  LoadModuleInfo();
  LoadLanguage();
  StartDeviceLink(pOwner);
}

void GUI_Base::LoadModuleInfo() {
  const CString path = platform::GetProgramPath();
  m_strProductVersion.Empty();
  if (m_fileVersion.Open(path)) m_strProductVersion = m_fileVersion.GetProductVersion();
  m_strModulePath = path;
  m_fileVersion.Close();
}

HINSTANCE GUI_Base::LoadLanguage() { return PrepareAndLoadLanguage(m_regSettings, m_language); }
