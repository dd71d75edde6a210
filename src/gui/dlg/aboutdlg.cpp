// CAboutDlg (see aboutdlg.h).
#include "gui/dlg/aboutdlg.h"

#include "gui/dlg/fileversion.h"
#include "platform/controls.h"
#include "platform/files.h"
#include "platform/resources.h"
#include "platform/winapp.h"

CAboutDlg::CAboutDlg() : CDialog(IDD_ABOUTBOX) {}

BOOL CAboutDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  if (auto* icon = dynamic_cast<CStatic*>(GetDlgItem(IDC_ABOUT_ICON))) {
    icon->SetIcon(LoadIcon(AfxGetInstanceHandle(), IDR_MAINFRAME));
  }
  // The product line and notice of the program's own version block, when it has one.
  CFileVersion version;
  if (version.Open(platform::GetProgramPath())) {
    CString line;
    line.Format(L"Brelvano, Version %s", version.GetProductVersion());
    SetDlgItemText(IDC_ABOUT_PRODUCT, line);
    const CString notice = version.GetLegalNotice();
    if (!notice.IsEmpty()) SetDlgItemText(IDC_ABOUT_NOTICE, notice);
  }
  return TRUE;
}
