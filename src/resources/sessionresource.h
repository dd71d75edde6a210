// Template and control numbers of the session's dialogs (the device password prompt).
#pragma once

#define IDD_PASSWORD_DIALOG 146
#define IDC_EDIT_PASSWORD 1065
