// Dialog templates registered by RegisterSessionTemplates(): the device password prompt.
#include "platform/controls.h"
#include "platform/dialog.h"
#include "platform/resources.h"
#include "resources/pagetemplates.h"
#include "resources/sessionresource.h"

namespace brelvano {

namespace {
void RegisterPasswordPrompt() {
  using platform::DialogItemTemplate;
  platform::DialogTemplate t(IDD_PASSWORD_DIALOG, 0, 0, 165, 50,
                             DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_SETFONT, 0, L"Input Password",
                             L"MS Shell Dlg", 8);
  const DWORD v = WS_VISIBLE;
  t.items = {
      DialogItemTemplate(L"EDIT", L"", IDC_EDIT_PASSWORD, 21, 9, 125, 14,
                         v | WS_BORDER | WS_TABSTOP | ES_PASSWORD | ES_AUTOHSCROLL),
      DialogItemTemplate(L"BUTTON", L"OK", IDOK, 21, 29, 50, 14, v | WS_TABSTOP | BS_DEFPUSHBUTTON),
      DialogItemTemplate(L"BUTTON", L"CANCEL", IDCANCEL, 96, 29, 50, 14, v | WS_TABSTOP | BS_PUSHBUTTON),
  };
  platform::RegisterDialogTemplate(t);
}
}  // namespace

void RegisterSessionTemplates() { RegisterPasswordPrompt(); }

}  // namespace brelvano
