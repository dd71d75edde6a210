// CPasswordDlg (see passworddlg.h).
#include "gui/dlg/passworddlg.h"

#include "platform/controls.h"

BEGIN_MESSAGE_MAP(CPasswordDlg, CDialog)
  ON_BN_CLICKED(IDOK, &CPasswordDlg::OnBnClickedOk)
END_MESSAGE_MAP()

CPasswordDlg::CPasswordDlg(CWnd* pParent) : CDialog(IDD_PASSWORD_DIALOG, pParent) {}

BOOL CPasswordDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  if (auto* edit = dynamic_cast<CEdit*>(GetDlgItem(IDC_EDIT_PASSWORD))) edit->LimitText(kMaxPasswordLength);
  return TRUE;
}

void CPasswordDlg::DoDataExchange(CDataExchange* pDX) {
  CDialog::DoDataExchange(pDX);
  DDX_Text(pDX, IDC_EDIT_PASSWORD, m_strPassword);
}

void CPasswordDlg::OnBnClickedOk() {
  // The text as typed: the device judges it.
  if (!UpdateData(TRUE)) return;
  if (m_strPassword.GetLength() > kMaxPasswordLength) m_strPassword = m_strPassword.Left(kMaxPasswordLength);
  EndDialog(IDOK);
}
