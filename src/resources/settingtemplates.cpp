// Dialog templates registered by RegisterSettingTemplates(): the settings page.
#include "resources/pagetemplates.h"

#include "platform/controls.h"
#include "platform/dialog.h"
#include "platform/listctrl.h"
#include "platform/resources.h"
#include "resources/settingresource.h"

namespace brelvano {
namespace {

// The settings page: a borderless pop-up that the main window places over its page area. Its
// fixed controls are the SEND button, the status lines, the profile row, the polygon zone buttons
// and list, the assignment tables with their titles, and the progress bar of the main window's
// long operations. Everything else on it is generated per tab.
void RegisterSettingPage() {
  using platform::DialogItemTemplate;
  platform::DialogTemplate t(IDD_SETTING_DIALOG, 0, 0, 612, 302, WS_POPUP | DS_FIXEDSYS | DS_SETFONT, 0, CString(),
                             L"MS Shell Dlg", 8);
  const DWORD v = WS_VISIBLE;
  const DWORD list = WS_BORDER | WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS;
  t.items = {
      DialogItemTemplate(L"BUTTON", L"SEND", IDC_SETTING_SEND, 540, 8, 50, 14, v | WS_TABSTOP | BS_PUSHBUTTON),
      // Status lines of the Diagnosis view.
      DialogItemTemplate(L"STATIC", L"", IDC_SETTING_GPS, 10, 10, 300, 12, v | SS_SUNKEN),
      DialogItemTemplate(L"STATIC", L"", IDC_SETTING_GPRS, 10, 26, 300, 12, v | SS_SUNKEN),
      DialogItemTemplate(L"STATIC", L"", IDC_SETTING_IBUTTON, 10, 42, 300, 12, v | SS_SUNKEN),
      DialogItemTemplate(L"STATIC", L"", IDC_SETTING_ODOMETER, 10, 58, 300, 12, v | SS_SUNKEN),
      DialogItemTemplate(L"STATIC", L"", IDC_SETTING_RPM, 10, 74, 300, 12, v | SS_SUNKEN),
      // Profile row.
      DialogItemTemplate(L"EDIT", L"", IDC_SETTING_PROFILE_PATH, 10, 100, 250, 14,
                         v | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL),
      DialogItemTemplate(L"BUTTON", L"Load Profile", IDC_SETTING_LOAD_PROFILE, 10, 120, 60, 14,
                         v | WS_TABSTOP | BS_PUSHBUTTON),
      DialogItemTemplate(L"BUTTON", L"Save Profile", IDC_SETTING_SAVE_PROFILE, 75, 120, 60, 14,
                         v | WS_TABSTOP | BS_PUSHBUTTON),
      DialogItemTemplate(L"BUTTON", L"Change Profile", IDC_SETTING_CHANGE_PROFILE, 140, 120, 60, 14,
                         v | WS_TABSTOP | BS_PUSHBUTTON),
      // Polygon zone buttons and list.
      DialogItemTemplate(L"BUTTON", L"ADD", IDC_SETTING_POLYGON_ADD, 10, 140, 50, 14, v | WS_TABSTOP | BS_PUSHBUTTON),
      DialogItemTemplate(L"BUTTON", L"EDIT", IDC_SETTING_POLYGON_EDIT, 65, 140, 50, 14, v | WS_TABSTOP | BS_PUSHBUTTON),
      DialogItemTemplate(L"BUTTON", L"DELETE", IDC_SETTING_POLYGON_DELETE, 120, 140, 50, 14,
                         v | WS_TABSTOP | BS_PUSHBUTTON),
      DialogItemTemplate(L"SysListView32", L"", IDC_SETTING_POLYGON_LIST, 10, 160, 300, 100, list),
      // Progress of the main window's long operations.
      DialogItemTemplate(L"msctls_progress32", L"", IDC_SETTING_PROGRESS, 10, 286, 592, 8, v | WS_BORDER),
      // Assignment tables with their titles. The page stacks them at x 600 with the small table's
      // size: that size keeps them inside the page as the main window shows it (the page scrolls to
      // the third).
      DialogItemTemplate(L"SysListView32", L"", IDC_SETTING_ASSIGN_SMALL, 330, 20, 136, 64, list),
      DialogItemTemplate(L"SysListView32", L"", IDC_SETTING_ASSIGN_MEDIUM, 330, 112, 136, 64, list | LVS_SINGLESEL),
      DialogItemTemplate(L"SysListView32", L"", IDC_SETTING_ASSIGN_LARGE, 330, 204, 136, 64, list | LVS_SINGLESEL),
      DialogItemTemplate(L"STATIC", L"Small Table", IDC_SETTING_TITLE_SMALL, 330, 10, 100, 8, 0),
      DialogItemTemplate(L"STATIC", L"Medium Table", IDC_SETTING_TITLE_MEDIUM, 330, 102, 100, 8, 0),
      DialogItemTemplate(L"STATIC", L"Large Table", IDC_SETTING_TITLE_LARGE, 330, 194, 100, 8, 0),
  };
  platform::RegisterDialogTemplate(t);
}

}  // namespace

void RegisterSettingTemplates() { RegisterSettingPage(); }

}  // namespace brelvano
