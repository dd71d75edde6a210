// CPasswordDlg: the small modal prompt in which the user types the password of a device that asks
// for a login before it may be configured.
#pragma once

#include "gui/dlg/guibase.h"
#include "platform/dialog.h"
#include "resources/sessionresource.h"

class CPasswordDlg : public CDialog, public GUI_Base {
 public:
  explicit CPasswordDlg(CWnd* pParent = nullptr);
  enum { IDD = IDD_PASSWORD_DIALOG };

  // The longest password the edit takes.
  static constexpr int kMaxPasswordLength = 64;

  BOOL OnInitDialog() override;
  // The password typed before OK (empty when the prompt was cancelled).
  CString GetPassword() const { return m_strPassword; }

  CString m_strPassword;

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  void OnBnClickedOk();

  DECLARE_MESSAGE_MAP()
};
