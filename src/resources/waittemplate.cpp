// Dialog template 132: the caption-less "Connecting to Device" / "Please wait..." notice.
#include "platform/controls.h"
#include "platform/dialog.h"
#include "platform/resources.h"
#include "resources/pageresource.h"
#include "resources/pagetemplates.h"

namespace brelvano {

void RegisterWaitTemplate() {
  platform::DialogTemplate t(IDD_WAIT, 0, 0, 123, 52, WS_POPUP | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT | DS_FIXEDSYS,
                             0, CString(), L"MS Shell Dlg", 8);
  const DWORD s = WS_CHILD | WS_VISIBLE | WS_GROUP | SS_LEFT;
  t.items = {
      platform::DialogItemTemplate(L"STATIC", L"Connecting to Device", 0xFFFF, 16, 14, 75, 11, s),
      platform::DialogItemTemplate(L"STATIC", L"Please wait...", 0xFFFF, 16, 26, 75, 11, s),
  };
  platform::RegisterDialogTemplate(t);
}

}  // namespace brelvano
