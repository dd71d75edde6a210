// CAboutDlg: the About box (program icon, product line, notice and OK), opened from the main
// window's About command.
#pragma once

#include "platform/dialog.h"
#include "resources/programresources.h"

class CAboutDlg : public CDialog {
 public:
  CAboutDlg();
  enum { IDD = IDD_ABOUTBOX };

  BOOL OnInitDialog() override;
};
