// Page and record writes of the main window: the settings page's command texts and the framed
// command bodies the pages and reply parsers hand over.
#include "gui/dlg/brelvanodlg.h"

#include "platform/trace.h"

void CBrelvanoDlg::QueueTabCommand(const CString& strText) {
  m_strLastCommand = PrefixFramedCommand(BuildTabCommand(strText, m_nCmdTab));
  QueueCommand(m_strLastCommand, FALSE);
}

LRESULT CBrelvanoDlg::OnSendTabCommand(WPARAM, LPARAM lParam) {
  const CString* pText = reinterpret_cast<const CString*>(lParam);
  if (pText == nullptr) {
    TRACE(L"OnSendTabCommand: no command text\n");
    return 0;
  }
  if (m_bUpProtocol) {
    m_strLastCommand = *pText;
    QueueCommand(m_strLastCommand, TRUE);
  } else {
    QueueTabCommand(*pText);
  }
  return 0;
}

LRESULT CBrelvanoDlg::OnSendFramedCommand(WPARAM, LPARAM lParam) {
  const CString* pText = reinterpret_cast<const CString*>(lParam);
  if (pText == nullptr) {
    TRACE(L"OnSendFramedCommand: no command body\n");
    return 0;
  }
  QueueTabCommand(*pText);
  return 0;
}
