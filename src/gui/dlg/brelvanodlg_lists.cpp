// The access-point and driver-identifier lists of the main window: the paged access-point list
// (the preset lines of the settings page), the newer driver-identifier list of one line per entry,
// and the older one whose identifiers come in lines that continue each other.
#include "gui/dlg/brelvanodlg.h"
#include "gui/dlg/settingdlg.h"
#include "platform/crt.h"
#include "platform/trace.h"

namespace {
// A decimal entry number from 1 up to the bound; 0 for anything else.
int EntryNumber(const CString& text, int nBound) {
  CString t = text;
  t.Trim();
  if (t.IsEmpty() || t.GetLength() > 9) return 0;
  for (int i = 0; i < t.GetLength(); ++i) {
    if (t[i] < L'0' || t[i] > L'9') return 0;
  }
  const int n = _wtoi(t);
  return n >= 1 && n <= nBound ? n : 0;
}
}  // namespace

BOOL CBrelvanoDlg::ParseApListReply(const CString& strLine) {
  if (m_nTabCount == 0 || m_bUpProtocol) return FALSE;
  if (strLine.Find(L"$PVR;AP;") < 0) return FALSE;
  TRACE(L"%s\n", HideSecrets(strLine));
  const wchar_t sep = FramingSeparator();
  const CString keyword = GetField(strLine, 3, sep);
  BOOL result = FALSE;
  if (!g_bFileMode) {
    if (keyword.Find(L"Req") >= 0) {
      const int n = EntryNumber(GetField(strLine, 4, sep), kMaxApEntries);
      if (n == 0) {
        TRACE(L"access point entry \"%s\" is not a number from 1 to %d: line ignored\n", GetField(strLine, 4, sep),
              kMaxApEntries);
      } else if (m_pSettingDlg != nullptr) {
        // The entry as received after "Req;": its number, its values and the carriage return.
        const CString entry = strLine.Mid(strLine.Find(L"Req;") + 4);
        m_pSettingDlg->m_arrPresets.InsertAt(n - 1, entry);
      }
    } else if (keyword.Find(L"NoData") >= 0) {
      m_nApTotal = 0;
      if (m_hApListReadEvent != nullptr) SetEvent(m_hApListReadEvent);
      KillTimer(TIMER_AP_READ);
    }
  }
  if (keyword.Find(L"Total") >= 0) {
    m_nApTotal = _wtoi(GetField(strLine, 4, L';'));
    if (m_hApListReadEvent != nullptr) SetEvent(m_hApListReadEvent);
    KillTimer(TIMER_AP_READ);
    result = TRUE;
  }
  m_strLastCommand.Empty();
  m_strCmdHeader.Empty();
  m_strCmdBody.Empty();
  return result;
}

BOOL CBrelvanoDlg::ParseDriverIdListReply(const CString& strLine) {
  const CString keyword = GetField(strLine, 3, FramingSeparator());
  if (m_nTabCount == 0 || m_bUpProtocol) return FALSE;
  if (strLine.Find(L"$PVR;RDID") >= 0) return TRUE;
  if (strLine.Find(L"$PVR;GDID") < 0) return FALSE;
  if (!m_bSavingXmlProfile) return TRUE;
  if (keyword == L"NoData" || keyword == L"Total") {
    TRACE(L"%s\n", strLine);
    if (m_hDriverIdReadEvent != nullptr) SetEvent(m_hDriverIdReadEvent);
    return TRUE;
  }
  // The identifier follows "GDID" and its separator; a line without a carriage return keeps its rest.
  CString id = strLine.Mid(strLine.Find(L"GDID") + 5);
  const int cr = id.Find(L'\r');
  if (cr >= 0) id = id.Left(cr);
  id.Remove(L'\n');
  if (m_nDriverIdCount < 0 || m_nDriverIdCount >= kMaxDriverIds) {
    TRACE(L"driver identifier beyond the %d the table holds: %s not stored\n", kMaxDriverIds, id);
    return TRUE;
  }
  m_arrDriverIds[m_nDriverIdCount] = SafeMakeUpper(id);
  ++m_nDriverIdCount;
  return TRUE;
}

BOOL CBrelvanoDlg::AssembleContinuedReply(const CString& strLine) {
  if (m_nDriverIdCount < 0 || m_nDriverIdCount >= kMaxDriverIds) return TRUE;
  const int fields = CountFields(strLine, L';');
  // The entry left open by a "Continued" line goes on counting its identifiers: every entry holds
  // 20 of them, each followed by ';' until the entry is complete.
  int inEntry = 0;
  {
    const CString& open = m_arrDriverIds[m_nDriverIdCount];
    for (int i = 0; i < open.GetLength(); ++i) inEntry += open[i] == L';' ? 1 : 0;
  }
  for (int i = 5; i <= fields; ++i) {
    const CString field = GetField(strLine, i, L';');
    if (field == L"Continued") return FALSE;
    CString& entry = m_arrDriverIds[m_nDriverIdCount];
    entry += field + L";";
    if (++inEntry == kDriverIdsPerEntry) {
      inEntry = 0;
      entry.Delete(entry.GetLength() - 1);
      if (++m_nDriverIdCount >= kMaxDriverIds) return TRUE;
    }
  }
  CString& last = m_arrDriverIds[m_nDriverIdCount];
  if (!last.IsEmpty() && last[last.GetLength() - 1] == L';') last.Delete(last.GetLength() - 1);
  return TRUE;
}
