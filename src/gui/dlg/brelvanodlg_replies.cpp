// The $-reply parser of the main window and the status chain.
#include "gui/dlg/brelvanodlg.h"

void CBrelvanoDlg::ParseLegacyReply(const CString& strLine) { (void)strLine; }

BOOL CBrelvanoDlg::ParseGetReply(const CString& strLine) {
  (void)strLine;
  return FALSE;
}

void CBrelvanoDlg::OnVersionReply(const CString& strLine) { (void)strLine; }
