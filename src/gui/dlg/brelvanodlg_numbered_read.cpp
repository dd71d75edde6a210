// Read requests of the numbered-parameter set and the walk that reads every tab of a freshly loaded
// definition. A read is a run of REQ lines of at most 20 element numbers (one code a line) held
// together by m_bReqMore / m_nReqNext; the reply parsers ask for the next line. The walk reads one
// tab per exchange, paced by TIMER_READ_NEXT_TAB, and never stalls: every request it sends is
// guarded by the reply watchdog, and an unanswered or unusable tab is logged and passed over.
#include <algorithm>
#include <cmath>

#include "gui/dlg/brelvanodlg.h"
#include "gui/dlg/brelvanodlg_helpers.h"
#include "gui/dlg/settingdlg.h"
#include "platform/clock.h"
#include "platform/trace.h"

using brelvano::HasWindow;

namespace {
constexpr UINT kReadNextTabMs = 100;
constexpr UINT kReplyWatchdogMs = 500;
constexpr int kElementsPerLine = 20;
// The codes of the set address at most this many geofences, list entries and points of a zone.
constexpr int kMaxGeofenceElements = 1055;
constexpr int kMaxListEntries = 300;
constexpr int kMaxZonePoints = 100;
constexpr int kZones = 30;
constexpr int kGapGroupEntries = 500;
constexpr UINT kGroupReadMs = 5000;

bool IsListOrCommandPage(int type) { return type == 21 || type == 22 || type == 23 || type == TAB_TYPE_COMMAND; }

CString Number2(int n) {
  CString s;
  s.Format(L"%02d", n);
  return s;
}

}  // namespace

DefinitionView CBrelvanoDlg::NumberedDefinition() const {
  return DefinitionView{m_tabInfo, m_pParamLists, m_pParamLists != nullptr ? m_nTabCount : 0};
}

void CBrelvanoDlg::ResetNumberedState() {
  EndNumberedRead();
  m_nReadAllTab = 0;
  m_bWalkRequestOut = FALSE;
  m_bWalkActive = FALSE;
  m_nWalkStrayCode = -1;
  m_nGroupReadTimer = 0;
  m_nGroupReadTab = -1;
  m_nRmapBit = 0;
  m_bMoreLines = FALSE;
  m_nNextItem = 0;
  m_nLinesLeft = 0;
  m_bListBufferPending = FALSE;
  m_nListBufferTab = -1;
  m_bWriteContinuation = FALSE;
  m_nPolygonWriteStep = 0;
  m_bTextProfileApplying = FALSE;
  m_bTextProfileSaving = FALSE;
  m_bPlsReplyPending = FALSE;
}

void CBrelvanoDlg::EndNumberedRead() {
  m_bReqMore = FALSE;
  m_nReqNext = 0;
  m_nReqCode = -1;
  m_nReqLineFirst = 0;
  // The next assignment tab takes its bits from the first bit of its map.
  m_nRmapBit = 0;
}

namespace {
// The REQ line: "AT^REQ;I;cc;list" CR.
CString RequestLine(const CString& unit, int code, const CString& list) {
  return L"AT^REQ;" + unit + L";" + Number2(code) + L";" + list + L"\r";
}
}  // namespace

void CBrelvanoDlg::SendReadRequest(int nTab) {
  if (nTab < 0 || nTab >= m_nTabCount || nTab >= kMaxTabs || m_pParamLists == nullptr) {
    TRACE(L"SendReadRequest: no tab %d\n", nTab);
    EndNumberedRead();
    if (m_bWalkActive) StartReadAllTabs();
    return;
  }
  const int code = m_tabInfo[nTab].nTabId;
  switch (code) {
    case 50:
      SendGeofenceReadRequest(nTab);
      return;
    case 41:
      SendBleReadRequest(nTab);
      return;
    case 53:
      SendPolygonZoneReadRequest(nTab);
      return;
    case 45:
      SendRecordReadRequest();
      return;
    default:
      break;
  }
  CPtrList& list = m_pParamLists[nTab];
  const int count = static_cast<int>(list.GetCount());
  // List pages and the single-command page are not read by REQ, nor is a tab without parameters:
  // the walk goes on with the next tab.
  if (IsListOrCommandPage(m_tabInfo[nTab].nType) || count == 0) {
    EndNumberedRead();
    if (m_bWalkActive) StartReadAllTabs();
    return;
  }
  BeginRequestLine();
  CString elements;
  int i = m_nReqNext;
  POSITION pos = list.FindIndex(i);
  for (; i < count && pos != nullptr; ++i) {
    const auto* p = static_cast<const PARAM_INFO*>(list.GetNext(pos));
    if (p != nullptr && IsListOrCommandPage(p->nType)) {
      EndNumberedRead();
      if (m_bWalkActive) StartReadAllTabs();
      return;
    }
    elements += Number2(p != nullptr ? p->nId : 0);
    if (i + 1 == count) {
      m_bReqMore = FALSE;
      break;
    }
    if ((i + 1) % kElementsPerLine == 0) {
      m_nReqNext = i + 1;
      m_bReqMore = TRUE;
      break;
    }
    elements += L",";
  }
  m_strLastCommand = RequestLine(m_defHeader.strI, code, elements);
  m_nReqCode = code;
  if (m_bWalkActive) m_bWalkRequestOut = TRUE;
  QueueCommand(m_strLastCommand, FALSE);
}

namespace {
// One line's element numbers: from index `from` while below total, each written by number(index);
// the line ends after the last index (last set) or after an index where endsLine holds (*pNext
// becomes the index that follows).
struct LineCut {
  CString elements;
  bool last = true;
};

template <class Number, class EndsLine>
LineCut CutElements(int from, int total, Number number, EndsLine endsLine, int* pNext) {
  LineCut cut;
  for (int a = from; a < total; ++a) {
    cut.elements += Number2(number(a));
    if (a + 1 == total) return cut;
    if (endsLine(a)) {
      *pNext = a + 1;
      cut.last = false;
      return cut;
    }
    cut.elements += L",";
  }
  return cut;
}
}  // namespace

void CBrelvanoDlg::BeginRequestLine() {
  m_nWatchdogTicks = 0;
  m_bReplyTimeout = FALSE;
  m_bReadAllFinished = FALSE;
  if (!m_bReqMore) m_nReqNext = 0;
  m_nReqLineFirst = m_nReqNext;
}

void CBrelvanoDlg::SendRecordRequestLine(int code, const CString& elements, bool last) {
  m_bReqMore = last ? FALSE : TRUE;
  // The group-read timer runs on until the read's last answer (or the device's silence) ends it.
  if (last) EnableTabControl(TRUE);
  m_strLastCommand = RequestLine(m_defHeader.strI, code, elements);
  m_nReqCode = code;
  if (m_bWalkActive) m_bWalkRequestOut = TRUE;
  QueueCommand(m_strLastCommand, FALSE);
}

void CBrelvanoDlg::SendGeofenceReadRequest(int nTab) {
  (void)nTab;
  BeginRequestLine();
  const int total = std::min(g_nGeofenceCount, kMaxGeofenceElements);
  auto codeIndex = [](int a, int* pCode) {
    int code = 50;
    int number = 0;
    GeofenceCodeIndex(a + 1, &code, &number);
    if (pCode != nullptr) *pCode = code;
    return number;
  };
  int lineCode = 50;
  if (m_nReqNext < total) codeIndex(m_nReqNext, &lineCode);
  const LineCut cut = CutElements(
      m_nReqNext, total, [&](int a) { return codeIndex(a, nullptr); },
      [&](int a) {
        // The last element of its code's block, or the close of a page of 20.
        const bool blockEnd = a == 74 || a == 174 || a == 254 || (a >= 255 && (a - 255) % 100 == 99);
        const int k = a < 75 ? a : codeIndex(a, nullptr);
        return blockEnd || (k + 1) % kElementsPerLine == 0;
      },
      &m_nReqNext);
  SendRecordRequestLine(lineCode, cut.elements, cut.last);
}

void CBrelvanoDlg::SendBleReadRequest(int nTab) {
  (void)nTab;
  BeginRequestLine();
  // The element numbers are two digits: at most 100 slots are addressed.
  const int total = std::min(g_nBleCount, 100);
  const LineCut cut = CutElements(
      m_nReqNext, total, [](int a) { return a; }, [](int a) { return (a + 1) % kElementsPerLine == 0; }, &m_nReqNext);
  SendRecordRequestLine(41, cut.elements, cut.last);
}

void CBrelvanoDlg::SendPolygonZoneReadRequest(int nTab) {
  BeginRequestLine();
  const int code = nTab >= 0 && nTab < kMaxTabs ? m_tabInfo[nTab].nTabId : 53;
  const LineCut cut = CutElements(
      m_nReqNext, kZones, [](int a) { return a; }, [](int a) { return (a + 1) % kElementsPerLine == 0; }, &m_nReqNext);
  SendRecordRequestLine(code, cut.elements, cut.last);
}

void CBrelvanoDlg::SendRecordReadRequest() {
  BeginRequestLine();
  const int lineCode = 45 + std::min(m_nReqNext, kGapGroupEntries - 1) / 100;
  const LineCut cut = CutElements(
      m_nReqNext, kGapGroupEntries, [](int a) { return a % 100; },
      [](int a) { return (a % 100 + 1) % kElementsPerLine == 0; }, &m_nReqNext);
  SendRecordRequestLine(lineCode, cut.elements, cut.last);
}

void CBrelvanoDlg::SendListReadRequest() {
  const int total = std::min(std::max(m_deviceInfo.nDMax, 0), kMaxListEntries);
  if (!m_bMoreLines) {
    m_nLinesLeft = total / kElementsPerLine;
    m_nNextItem = 0;
  }
  const int lineCode = m_nNextItem < 100 ? 18 : (m_nNextItem < 200 ? 38 : 39);
  const LineCut cut = CutElements(
      m_nNextItem, total, [](int i) { return i % 100; }, [](int i) { return (i + 1) % kElementsPerLine == 0; },
      &m_nNextItem);
  m_bMoreLines = cut.last ? FALSE : TRUE;
  m_strLastCommand = RequestLine(m_defHeader.strI, lineCode, cut.elements);
  m_nReqCode = lineCode;
  QueueCommand(m_strLastCommand, FALSE);
}

void CBrelvanoDlg::SendPolygonPointsReadRequest(int nZone, int nPoints) {
  if (nZone < 1 || nZone > kZones) {
    TRACE(L"SendPolygonPointsReadRequest: no zone %d\n", nZone);
    EndNumberedRead();
    return;
  }
  BeginRequestLine();
  // The point tables hold 100 points a zone, and the element numbers are two digits.
  const int total = std::min(std::max(nPoints, 0), kMaxZonePoints);
  const LineCut cut = CutElements(
      m_nReqNext, total, [](int i) { return i; }, [](int i) { return (i + 1) % kElementsPerLine == 0; }, &m_nReqNext);
  m_bReqMore = cut.last ? FALSE : TRUE;
  m_strLastCommand = RequestLine(m_defHeader.strI, nZone + 59, cut.elements);
  m_nReqCode = nZone + 59;
  QueueCommand(m_strLastCommand, FALSE);
}

BOOL CBrelvanoDlg::SendProfileReadRequest(int nZoneIndex) {
  if (m_pPolygonTable == nullptr || nZoneIndex < 0 || nZoneIndex >= m_nPolygonMax || nZoneIndex >= kZones) return FALSE;
  const int points = m_pPolygonTable[nZoneIndex].nPointCount;
  if (points <= 0) return FALSE;
  SendPolygonPointsReadRequest(nZoneIndex + 1, points);
  return TRUE;
}

// ---- The read-all walk ----

void CBrelvanoDlg::BeginReadAllTabs() {
  m_bWalkActive = TRUE;
  m_bReadAllDone = FALSE;
  StartReadAllTabs();
}

void CBrelvanoDlg::StartReadAllTabs() {
  m_bWalkRequestOut = FALSE;
  SetTimer(TIMER_READ_NEXT_TAB, kReadNextTabMs);
  SetTimer(TIMER_REPLY_WATCHDOG, kReplyWatchdogMs);
}

void CBrelvanoDlg::OnReadNextTab() {
  KillTimer(TIMER_READ_NEXT_TAB);
  KillTimer(TIMER_REPLY_WATCHDOG);
  m_bReadAllDone = FALSE;
  // The two tabs the loaders append (Diagnosis and Profile) are never read.
  if (m_nReadAllTab >= m_nTabCount - 2) {
    EndReadAllTabs();
    return;
  }
  const int nTab = m_nReadAllTab;
  ++m_nReadAllTab;
  m_bWalkRequestOut = FALSE;
  m_nWalkStrayCode = -1;
  SendReadRequest(nTab);
  if (m_bWalkRequestOut) {
    // The request waits for its answer under the watchdog, which moves on when none comes.
    m_nWatchdogTicks = 0;
    SetTimer(TIMER_REPLY_WATCHDOG, kReplyWatchdogMs);
  }
  if (HasWindow(m_pSettingDlg)) {
    SetCursor(LoadCursor(nullptr, IDC_WAIT));
    // The window is drawn again, whole, when the walk ends (or the session does).
    LockWindowUpdate();
    m_nProgressPos = static_cast<int>(std::floor(m_nReadAllTab * m_dProgressStep));
    m_pSettingDlg->m_progress.SetPos(m_nProgressPos);
    m_pSettingDlg->m_progress.ShowWindow(SW_SHOW);
  }
}

void CBrelvanoDlg::EndReadAllTabs() {
  KillTimer(TIMER_READ_NEXT_TAB);
  KillTimer(TIMER_REPLY_WATCHDOG);
  m_bWalkRequestOut = FALSE;
  m_bWalkActive = FALSE;
  m_bReadAllDone = TRUE;
  m_bReadAllFinished = TRUE;
  EndNumberedRead();
  SetCursor(nullptr);
  UnlockWindowUpdate();
  LockUI(FALSE);
  if (HasWindow(m_pSettingDlg)) m_pSettingDlg->m_progress.ShowWindow(SW_HIDE);
  EnableTabControl(TRUE);
  ShowFirstTab();
}

void CBrelvanoDlg::GiveUpWalkRequest() {
  const int nTab = m_nReadAllTab - 1;
  const CString title = nTab >= 0 && nTab < kMaxTabs ? m_tabInfo[nTab].strTitle : CString();
  CString line;
  if (m_nWalkStrayCode >= 0) {
    // An answer came, but its code made it another page's.
    line.Format(L"The answer to the read of tab %d (%s) came with code %02d and went to the pages of that code; "
                L"the next tab is read",
                nTab + 1, title, m_nWalkStrayCode);
  } else {
    line.Format(L"No answer to the read of tab %d (%s); the next tab is read", nTab + 1, title);
  }
  m_nWalkStrayCode = -1;
  AddLogLine(line, TRUE);
  EndNumberedRead();
  StartReadAllTabs();
}

// ---- Group reads (a record tab read on its activation or for a profile) ----

void CBrelvanoDlg::BeginGroupRead(int nTab, UINT_PTR nTimer) {
  // One read at a time: the read this one replaces is over, and its timer with it.
  if (m_nGroupReadTimer != 0 && m_nGroupReadTimer != nTimer) KillTimer(m_nGroupReadTimer);
  EndNumberedRead();  // the read starts at its first record
  m_nGroupReadTimer = nTimer;
  m_nGroupReadTab = nTab;
  m_nGroupReadAnswerMs = GetTickCount64();
  SetTimer(nTimer, kGroupReadMs);
}

void CBrelvanoDlg::EndGroupRead() {
  if (m_nGroupReadTimer != 0 && GetSafeHwnd() != nullptr) KillTimer(m_nGroupReadTimer);
  m_nGroupReadTimer = 0;
  m_nGroupReadTab = -1;
}

void CBrelvanoDlg::OnGroupReadTimer(UINT_PTR nTimer) {
  if (nTimer != m_nGroupReadTimer) {
    // The read this timer guarded is over: another read is none of its business.
    KillTimer(nTimer);
    return;
  }
  EnableTabControl(TRUE);
  const ULONGLONG quiet = GetTickCount64() - m_nGroupReadAnswerMs;
  if (quiet < kGroupReadMs) {
    // The device still answers: the read goes on, watched for the same silence from its last answer.
    SetTimer(nTimer, static_cast<UINT>(kGroupReadMs - quiet));
    return;
  }
  const int nTab = m_nGroupReadTab;
  const int code = nTab >= 0 && nTab < kMaxTabs ? m_tabInfo[nTab].nTabId : -1;
  const wchar_t* what = L"records";
  int total = 0;
  if (code == 50) {
    what = L"geofences";
    total = std::min(g_nGeofenceCount, kMaxGeofenceElements);
  } else if (code == 41) {
    what = L"BLE records";
    total = std::min(g_nBleCount, 100);
  } else if (code == 53) {
    what = L"zones";
    total = kZones;
  }
  const int first = m_nReqCode >= 0 ? m_nReqLineFirst + 1 : total + 1;
  CString line;
  if (first <= total) {
    line.Format(L"The device gave no answer for %d s: the read of tab %d stopped, %s %d to %d were not read",
                static_cast<int>(kGroupReadMs / 1000), nTab + 1, what, first, total);
  } else {
    line.Format(L"The device gave no answer for %d s: the read of tab %d stopped", static_cast<int>(kGroupReadMs / 1000),
                nTab + 1);
  }
  AddLogLine(line, TRUE);
  EndGroupRead();
  EndNumberedRead();
  if (nTimer == TIMER_BLE_GROUP_READ) {
    if (m_hBleReadEvent != nullptr) SetEvent(m_hBleReadEvent);
  } else {
    if (m_hGeofenceReadEvent != nullptr) SetEvent(m_hGeofenceReadEvent);
    if (m_hPolygonReadEvent != nullptr) SetEvent(m_hPolygonReadEvent);
  }
}
