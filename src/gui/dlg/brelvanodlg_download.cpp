// The packet receivers of a definition download: the device's XML definition arrives in binary
// packets (STX, length high/low, flag, payload, XOR checksum, ETX), as one file or as numbered
// sub-files, and its JSON definition in text frames (STX, fields ';' separated, ETX). Packets are
// assembled across deliveries, checked, kept and answered with the request for the next one; bad XML
// packets are asked for again a limited number of times, and a download that cannot go on ends the
// session with a message.
#include <cstring>
#include <string>

#include "gui/dlg/brelvanodlg.h"
#include "platform/modal.h"
#include "platform/trace.h"

namespace {
// Texts of the language library.
constexpr UINT kTextConnectionTimeout = 1003;
constexpr BYTE kStx = 0x02;
constexpr BYTE kEtx = 0x03;
constexpr BYTE kFlagMore = 0x80;
constexpr BYTE kFlagLast = 0x81;
// A delivery this short that starts with the request text is the request's echo.
constexpr unsigned kMaxEchoBytes = 11;
// Re-arm period of the tab-change retry while a download runs.
constexpr UINT kXmlRetryMs = 2000;
// Sub-files a download may announce.
constexpr int kMaxSubFiles = 30;

// Expiries of TIMER_TAB_DEFER during XML downloads since the last give-up.
int g_nXmlRetries = 0;

bool StartsWith(const BYTE* pBytes, unsigned nCount, const char* pszText) {
  const size_t length = std::strlen(pszText);
  return nCount >= length && std::memcmp(pBytes, pszText, length) == 0;
}

// The checksum text of a JSON data part: two lower-case hex digits of the XOR of its bytes.
CString JsonChecksumText(const std::string& data, BOOL bSignExtended) {
  unsigned x = 0;
  for (unsigned char c : data) x ^= c;
  CString text;
  if (bSignExtended && x >= 0x80) {
    text.Format(L"%08x", 0xFFFFFF00u | x);
  } else {
    text.Format(L"%02x", x);
  }
  return text;
}
}  // namespace

// ---- Routing ----

BOOL CBrelvanoDlg::IsSingleFileDownload() const {
  // The same rule as the StartXML reply's: the device sends one file without the "AT^" forms, or
  // with them for firmware 100 to below 300 of the old numbering. The receiver and the store follow
  // the form the reply started: the open mode (a Document-folder definition) and the new-firmware
  // mark do not turn an announced sub-file series into one file, or one file into sub-files.
  if (!m_bAtPrefix) return TRUE;
  return m_dFirmwareVersion >= 100.0 && m_dFirmwareVersion < 300.0 && !m_bNewFirmware;
}

void CBrelvanoDlg::ResetDownloadState() {
  m_strJsonText.Empty();
  m_strJsonChecksum.Empty();
  m_strMergedXml.Empty();
  m_jsonReceive.clear();
  m_jsonData.clear();
  m_nXmlSize = 0;
  m_nXmlReceived = 0;
  m_nPacketFill = 0;
  m_nFileCount = 0;
  m_nCurrentFile = 0;
  m_nPacket = 0;
  m_nPacketCount = 0;
  m_bInFrame = FALSE;
  m_nHeaderFill = 0;
  m_wPacketLength = 0;
  m_bLastPacket = FALSE;
  m_nResendCount = 0;
  m_nSubFileRepeats = 0;
}

void CBrelvanoDlg::ReceiveDownloadData(const BYTE* pData, int nCount) {
  if (pData == nullptr || nCount <= 0) return;
  const unsigned n = static_cast<unsigned>(nCount);
  if (m_nDownloadGeneration != m_nSessionGeneration) {
    // The first delivery of this session's download: nothing of an earlier one is carried over.
    m_nDownloadGeneration = m_nSessionGeneration;
    m_bInFrame = FALSE;
    m_nHeaderFill = 0;
    m_nResendCount = 0;
    g_nXmlRetries = 0;
    m_jsonReceive.clear();
    m_jsonData.clear();
  }
  // Packet and frame bytes show the device is still sending: the quiet watch starts again, and the
  // request they answer has its answer. A line between packets (a status answer) counts for neither.
  const BOOL inFrame = m_bXmlDownload ? m_bInFrame : !m_jsonReceive.empty();
  if (inFrame || std::memchr(pData, kStx, n) != nullptr) {
    SetTimer(TIMER_DOWNLOAD_QUIET, kDownloadQuietMs);
    EndAwaitedStep();
  }
  if (m_bXmlDownload) {
    // What the start lines announced must fit the receive buffer; otherwise the device's firmware
    // does not match this program.
    const BOOL single = IsSingleFileDownload();
    if (m_nXmlSize < 0 || m_nXmlSize > kMaxXmlFileBytes || (!single && (m_nFileCount < 1 || m_nFileCount > kMaxSubFiles))) {
      TRACE(L"XML download: announced size %d, %d sub-files: refused\n", m_nXmlSize, m_nFileCount);
      EndDefinitionDownload(L"Warning : Please check the firmware version.");
      return;
    }
    if (single) {
      ReceiveXmlPacketV1(pData, n);
    } else {
      // Sub-files are named by their number on the device (a left-out file keeps the numbers of
      // the others); an entry the start line did not number goes by its position.
      int nFile = m_nCurrentFile;
      if (m_nCurrentFile >= 0 && m_nCurrentFile < kMaxTabs && m_tabInfo[m_nCurrentFile].nIndex >= 0 &&
          m_tabInfo[m_nCurrentFile].nIndex < kMaxTabs)
        nFile = m_tabInfo[m_nCurrentFile].nIndex;
      ReceiveXmlPacket(pData, n, nFile, m_nPacket);
    }
    return;
  }
  if (m_bJsonDownload) ReceiveJsonPacket(pData, n, m_nPacket);
}

// ---- XML packets ----

namespace {
enum class PacketState { Open, Good, Bad, TooLong };
}  // namespace

// Walks a delivery through the packet state: opens a packet at an STX, takes its three header
// bytes (they may come in separate deliveries), then its payload and checksum. A packet closes only
// when its payload and checksum are all held; bytes outside a packet (an ETX, noise) are passed
// over, and the rest of a delivery after a closed packet is dropped.
static PacketState AssemblePacket(CBrelvanoDlg& d, const BYTE* pBytes, unsigned nCount) {
  for (unsigned i = 0; i < nCount; ++i) {
    const BYTE b = pBytes[i];
    if (!d.m_bInFrame) {
      if (b != kStx) continue;
      d.m_bInFrame = TRUE;
      d.m_nHeaderFill = 0;
      d.m_nPacketFill = 0;
      std::memset(d.m_packetBuffer, 0, sizeof d.m_packetBuffer);
      continue;
    }
    if (d.m_nHeaderFill < 3) {
      d.m_packetHeader[d.m_nHeaderFill++] = b;
      if (d.m_nHeaderFill < 3) continue;
      d.m_wPacketLength = static_cast<unsigned short>((d.m_packetHeader[0] << 8) | d.m_packetHeader[1]);
      const BYTE flag = d.m_packetHeader[2];
      if (flag == kFlagMore) {
        d.m_bLastPacket = FALSE;
      } else if (flag == kFlagLast) {
        d.m_bLastPacket = TRUE;
      } else {
        TRACE(L"RETRY Header\n");
      }
      // Payload and checksum must fit the packet buffer, and the payload the file buffer.
      if (static_cast<size_t>(d.m_wPacketLength) + 1 > sizeof d.m_packetBuffer) {
        TRACE(L"XML packet: length %u does not fit\n", static_cast<unsigned>(d.m_wPacketLength));
        d.m_bInFrame = FALSE;
        return PacketState::Bad;
      }
      if (d.m_nXmlReceived + d.m_wPacketLength > CBrelvanoDlg::kMaxXmlFileBytes) {
        d.m_bInFrame = FALSE;
        return PacketState::TooLong;
      }
      continue;
    }
    d.m_packetBuffer[d.m_nPacketFill++] = b;
    if (d.m_nPacketFill == d.m_wPacketLength + 1) {
      d.m_bInFrame = FALSE;
      BYTE x = 0;
      for (int k = 0; k < d.m_wPacketLength; ++k) x ^= d.m_packetBuffer[k];
      return x == d.m_packetBuffer[d.m_wPacketLength] ? PacketState::Good : PacketState::Bad;
    }
  }
  return PacketState::Open;
}

// Keeps the payload of the good packet just closed.
static void KeepPayload(CBrelvanoDlg& d) {
  std::memcpy(d.m_xmlBuffer + d.m_nXmlReceived, d.m_packetBuffer, d.m_wPacketLength);
  d.m_nXmlReceived += d.m_wPacketLength;
  d.m_nResendCount = 0;
  g_nXmlRetries = 0;
}

// One delivery of an XML download: assembles the packet and keeps its payload. TRUE when a good
// packet was kept and more are to be asked for; a bad packet is asked for again, an over-long file
// ends the download with strTooLong, and the last packet stores the definition.
BOOL CBrelvanoDlg::TakeXmlDelivery(const BYTE* pBytes, unsigned nCount, const wchar_t* strTooLong) {
  switch (AssemblePacket(*this, pBytes, nCount)) {
    case PacketState::Open:
      return FALSE;
    case PacketState::Bad:
      RequestXmlResend();
      return FALSE;
    case PacketState::TooLong:
      EndDefinitionDownload(strTooLong);
      return FALSE;
    case PacketState::Good:
      break;
  }
  KeepPayload(*this);
  if (m_bLastPacket) {
    TRACE(L"End of XML\n");
    SaveXmlDefinition();
    return FALSE;
  }
  return TRUE;
}

void CBrelvanoDlg::ReceiveXmlPacketV1(const BYTE* pBytes, unsigned nCount) {
  if (!m_bInFrame && nCount <= kMaxEchoBytes && StartsWith(pBytes, nCount, m_bAtPrefix ? "AT^$ReqXmlPk" : "$ReqXmlPk"))
    return;
  if (!TakeXmlDelivery(pBytes, nCount, L"Definition download error: the file is longer than 30720 bytes.")) return;
  QueueCommand(m_bAtPrefix ? L"AT^$ReqXmlPk\r" : L"$ReqXmlPk\r");
}

void CBrelvanoDlg::ReceiveXmlPacket(const BYTE* pBytes, unsigned nCount, int nFile, int nPacket) {
  (void)nPacket;
  if (!m_bInFrame && nCount <= kMaxEchoBytes && StartsWith(pBytes, nCount, "$ReqXmlPk")) return;
  if (!TakeXmlDelivery(pBytes, nCount, L"Definition download error: a sub-file is longer than 30720 bytes.")) return;
  if (m_nPacket < m_nPacketCount) ++m_nPacket;
  CString request;
  request.Format(L"AT^$ReqXmlPk;%d;%d\r", nFile, m_nPacket);
  QueueCommand(request);
}

void CBrelvanoDlg::RequestXmlResend() {
  m_bInFrame = FALSE;
  m_nHeaderFill = 0;
  m_nPacketFill = 0;
  if (m_nResendCount >= kMaxXmlResends) {
    AbortDefinitionDownload();
    m_nResendCount = 0;
    return;
  }
  TRACE(L"RETRY for CS %d\n", m_nResendCount);
  std::memset(m_packetBuffer, 0, sizeof m_packetBuffer);
  QueueCommand(m_bAtPrefix ? L"AT^$ReqXmlResend\r" : L"$ReqXmlResend\r");
  ++m_nResendCount;
}

void CBrelvanoDlg::OnXmlRetryTimer() {
  KillTimer(TIMER_TAB_DEFER);
  ++g_nXmlRetries;
  if (g_nXmlRetries <= kMaxXmlRetries) {
    SetTimer(TIMER_TAB_DEFER, kXmlRetryMs);
    return;
  }
  g_nXmlRetries = 0;
  KillTimer(TIMER_DOWNLOAD_QUIET);
  OnBnClickedDisconnect();
  UnlockWindowUpdate();
  SetCursor(nullptr);
  ResetBusy();
  m_bUserDisconnect = TRUE;
  m_bXmlDownload = FALSE;
  m_bStartPending = FALSE;
  AfxMessageBox(L"XML Loading Error", MB_OK);
}

void CBrelvanoDlg::EndDefinitionDownload(const CString& strMessage) {
  KillTimer(TIMER_SESSION_WATCHDOG);
  KillTimer(TIMER_DOWNLOAD_QUIET);
  UnlockWindowUpdate();
  ResetBusy();
  m_bUserDisconnect = TRUE;
  m_bXmlDownload = FALSE;
  m_bInFrame = FALSE;
  m_jsonReceive.clear();
  if (m_bPortOpen) EndSession();
  m_bStartPending = FALSE;
  AfxMessageBox(strMessage, MB_OK);
}

void CBrelvanoDlg::AwaitDeviceStep(const CString& strStep) {
  m_strAwaitedStep = strStep;
  m_strAwaitedStep.Remove(L'\r');
  SetTimer(TIMER_STEP_DEADLINE, kStepDeadlineMs);
}

void CBrelvanoDlg::EndAwaitedStep() {
  KillTimer(TIMER_STEP_DEADLINE);
  m_strAwaitedStep.Empty();
}

void CBrelvanoDlg::OnStepDeadline() {
  const CString step = m_strAwaitedStep;
  EndAwaitedStep();
  if (!m_bPortOpen) return;
  GiveUpDefinitionRoad(L"Error: the device did not answer " + step + L" in time");
}

void CBrelvanoDlg::GiveUpDefinitionRoad(const CString& strReason) {
  m_bUserDisconnect = TRUE;
  m_bXmlDownload = FALSE;
  m_bJsonDownload = FALSE;
  UnlockWindowUpdate();
  if (m_bPortOpen) EndSession();
  m_bStartPending = FALSE;
  ResetBusy();
  // After the session's end, which empties the log with the definition.
  AddLogLine(strReason, TRUE);
}

void CBrelvanoDlg::AbortDefinitionDownload() { EndDefinitionDownload(m_language.LoadString(kTextConnectionTimeout)); }

// The line has been quiet for kDownloadQuietMs. An XML packet that is open (truncated, or its length
// lies) or that never came (lost) is asked for again, counting towards the resend limit; a JSON
// frame has no resend, so a JSON download gives up. The watch ends with the session or download.
void CBrelvanoDlg::OnDownloadQuiet() {
  if (!m_bPortOpen) {
    KillTimer(TIMER_DOWNLOAD_QUIET);
    return;
  }
  if (m_bXmlDownload) {
    TRACE(L"XML download: no complete packet for %u ms\n", kDownloadQuietMs);
    RequestXmlResend();
    return;
  }
  if (m_bJsonDownload) {
    TRACE(L"JSON download: no complete frame for %u ms\n", kDownloadQuietMs);
    AbortDefinitionDownload();
  }
  // Otherwise a download start is awaited (between the request and the start line): the watch goes
  // on.
}

// ---- JSON frames ----

void CBrelvanoDlg::ReceiveJsonPacket(const BYTE* pBytes, unsigned nCount, int nUnused) {
  (void)nUnused;
  for (unsigned i = 0; i < nCount; ++i) {
    if (pBytes[i] != 0) m_jsonReceive.push_back(static_cast<char>(pBytes[i]));
  }
  const size_t stx = m_jsonReceive.find(static_cast<char>(kStx));
  if (stx == std::string::npos) {
    // Nothing before an STX is part of a frame.
    m_jsonReceive.clear();
    return;
  }
  const size_t etx = m_jsonReceive.find(static_cast<char>(kEtx), stx + 1);
  if (etx == std::string::npos) {
    if (m_jsonReceive.size() - stx > kMaxJsonFrameBytes) {
      m_jsonReceive.clear();
      EndDefinitionDownload(L"Json Packet Error: a frame is longer than the program takes.");
    }
    return;
  }
  if (!m_bPortOpen) return;
  std::string frame = m_jsonReceive.substr(stx + 1, etx - stx - 1);
  m_jsonReceive.clear();
  std::string bare;
  bare.reserve(frame.size());
  for (char c : frame) {
    if (c != '\r' && c != '\n') bare.push_back(c);
  }
  // Field 4 is the checksum; the data is everything after the fourth ';'.
  size_t cut = 0;
  size_t fieldStart = 0;
  int separators = 0;
  std::string checksum;
  while (separators < 4) {
    const size_t next = bare.find(';', cut);
    if (next == std::string::npos) break;
    ++separators;
    if (separators == 4) checksum = bare.substr(fieldStart, next - fieldStart);
    fieldStart = next + 1;
    cut = next + 1;
  }
  m_strJsonChecksum = CString::FromUtf8(checksum);
  m_strJsonChecksum.MakeLower();
  const std::string data = separators == 4 ? bare.substr(cut) : std::string();
  const BOOL good = separators == 4 && (m_strJsonChecksum == JsonChecksumText(data, FALSE) ||
                                        m_strJsonChecksum == JsonChecksumText(data, TRUE));
  if (!good) {
    KillTimer(TIMER_DOWNLOAD_QUIET);
    m_jsonData.clear();
    if (m_bPortOpen) EndSession();
    AfxMessageBox(L"Json CheckSum Error", MB_OK);
    return;
  }
  if (m_jsonData.size() + data.size() > kMaxJsonBytes) {
    m_jsonData.clear();
    EndDefinitionDownload(L"Json Packet Error: the definition is larger than the program takes.");
    return;
  }
  if (m_nPacket == 0) m_jsonData.clear();
  m_jsonData += data;
  if (m_nPacket < m_nFileCount - 1) {
    ++m_nPacket;
    ++m_nCurrentFile;
    SetProgressPos(m_nCurrentFile);
    CString request;
    request.Format(L"AT^$ReqJsonPk;No;%d\r", m_nPacket + 1);
    QueueCommand(request);
    return;
  }
  KillTimer(TIMER_DOWNLOAD_QUIET);
  m_strJsonText = CString::FromUtf8(m_jsonData);
  SaveJsonDefinition();
  ShowProgress(FALSE);
  if (m_nPolygonTab != 0) StartGroupRead();
}
