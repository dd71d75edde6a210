// Session control of the main window: connect, disconnect, open, the ready handshake, session start,
// end and reset.
#include "gui/dlg/brelvanodlg.h"

void CBrelvanoDlg::TransmitCommand(CString strCommand) { QueueCommand(strCommand); }

void CBrelvanoDlg::AddLogLine(const CString& strText, BOOL bShowAll) {
  (void)bShowAll;
  AddLog(strText);
}

void CBrelvanoDlg::StartSession() {}

void CBrelvanoDlg::ResetSession() { ++m_nSessionGeneration; }

void CBrelvanoDlg::ResetBusy() { LockUI(FALSE); }
