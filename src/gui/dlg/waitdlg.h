// CWaitDlg: the small caption-less notice "Connecting to Device" / "Please wait..." (template 132).
#pragma once

#include "platform/dialog.h"

class CWaitDlg : public CDialog {
 public:
  enum { IDD = 132 };
  explicit CWaitDlg(CWnd* pParent = nullptr);

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  void OnClose();
  void OnDestroy();
  DECLARE_MESSAGE_MAP()
};
