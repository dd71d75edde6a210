#include "gui/dlg/waitdlg.h"

BEGIN_MESSAGE_MAP(CWaitDlg, CDialog)
  ON_WM_CLOSE()
  ON_WM_DESTROY()
END_MESSAGE_MAP()

CWaitDlg::CWaitDlg(CWnd* pParent) : CDialog(IDD, pParent) {}

void CWaitDlg::DoDataExchange(CDataExchange* pDX) { CDialog::DoDataExchange(pDX); }

void CWaitDlg::OnClose() {
  DestroyWindow();
  // The framework's close of a window that is gone already does nothing.
  if (::IsWindow(GetSafeHwnd())) CDialog::OnClose();
}

void CWaitDlg::OnDestroy() { CDialog::OnDestroy(); }
