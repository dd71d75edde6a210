// CSettingDialog: the download of files into the device from a file download page. Each file named
// by the page's file-path parameters goes out as a start line and then in blocks of at most 512
// bytes, every line acknowledged by the device before the next leaves, under one progress window
// that the user can cancel. A missing acknowledgement, a file that cannot be read and a cancel end
// the whole download, so the device never gets an announced file without all of its blocks.
#include <string>
#include <vector>

#include "gui/dlg/brelvanodlg.h"
#include "gui/dlg/filedownload.h"
#include "gui/dlg/settingdlg.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/modal.h"
#include "platform/sync.h"
#include "platform/trace.h"
#include "reference/control/progresswnd/progresswnd.h"

namespace {
// Polls of 1 ms without the device's acknowledgement before a line is given up.
constexpr int kAckPollLimit = 5000;

enum class AckResult { Acknowledged, TimedOut, SessionEnded };

// Waits for the device's acknowledgement of the line just sent, handling the program's messages
// meanwhile; the progress window watches them for Esc and its Cancel button. The session may end
// inside the wait and take the page with it: the download then returns without touching the page
// again.
AckResult WaitForAck(CBrelvanoDlg* pMain, unsigned generation, CProgressWnd& progress) {
  for (int timeouts = 0;;) {
    if (IsEventSet(pMain->m_hCommandAckEvent)) return AckResult::Acknowledged;
    if (progress.IsCancelled()) {
      platform::PumpPendingEvents();
    } else {
      progress.PumpMessages(TRUE);
    }
    if (pMain->m_nSessionGeneration != generation || pMain->m_hCommandAckEvent == nullptr) {
      return AckResult::SessionEnded;
    }
    if (IsEventSet(pMain->m_hCommandAckEvent)) return AckResult::Acknowledged;
    Sleep(1);
    if (++timeouts > kAckPollLimit) return AckResult::TimedOut;
  }
}
}  // namespace

void CSettingDialog::DownloadFiles() {
  CBrelvanoDlg* pMain = MainWindow();
  if (pMain == nullptr || pMain->m_hCommandAckEvent == nullptr || m_pParamList == nullptr) {
    TRACE(L"settings page: no device to download to\n");
    return;
  }
  const unsigned generation = pMain->m_nSessionGeneration;

  // The files to send, in list order; a parameter the page shows no path field for is skipped.
  std::vector<CString> paths;
  for (POSITION pos = m_pParamList->GetHeadPosition(); pos != nullptr;) {
    const auto* pParam = static_cast<const PARAM_INFO*>(m_pParamList->GetNext(pos));
    if (pParam == nullptr || pParam->nCtrlType != CTRL_FILE_EDIT) continue;
    if (pParam->pValueWnd == nullptr || pParam->pValueWnd->GetSafeHwnd() == nullptr) continue;
    paths.push_back(pParam->pValueWnd->GetWindowText());
  }

  CProgressWnd progress(GetParent(), L"File Data Sending....", FALSE);
  for (const CString& path : paths) {
    if (!platform::FileExists(path)) {
      AfxMessageBox(L"File Not Found", MB_OK);
      return;
    }
    const long long size = platform::FileSize(path);
    if (size > filedownload::kMaxFileBytes) {
      pMain->AddLogLine(L"(ERROR) FILE Too Large: " + path, TRUE);
      return;
    }
    // The whole file or nothing: a file that cannot be read to its end is not sent.
    std::string bytes;
    if (size < 0 || !platform::ReadWholeFile(path, bytes)) {
      pMain->AddLogLine(L"(ERROR) FILE Open Fail", TRUE);
      return;
    }
    const std::vector<FileDataInfo> blocks = filedownload::SplitBlocks(bytes);

    pMain->QueueCommand(filedownload::StartLine(static_cast<long long>(bytes.size())), 1);
    ResetEvent(pMain->m_hCommandAckEvent);
    const AckResult started = WaitForAck(pMain, generation, progress);
    if (started == AckResult::SessionEnded) return;
    if (started == AckResult::TimedOut) {
      pMain->AddLogLine(L"RECV Data Empty ERROR", TRUE);
      return;
    }

    progress.BeginModal(L"Progress", FALSE);
    progress.SetProgressRange(0, static_cast<int>(blocks.size()), 1);
    for (const FileDataInfo& block : blocks) {
      progress.StepProgress();
      progress.PumpMessages(TRUE);
      if (pMain->m_nSessionGeneration != generation) return;
      Sleep(1);
      if (progress.IsCancelled()) {
        // The rest of this file and the files after it are not sent.
        pMain->AddLogLine(L"File download cancelled: " + path, TRUE);
        return;
      }
      pMain->QueueCommand(filedownload::BlockLine(block), 1);
      ResetEvent(pMain->m_hCommandAckEvent);
      const AckResult sent = WaitForAck(pMain, generation, progress);
      if (sent == AckResult::SessionEnded) return;
      if (sent == AckResult::TimedOut) {
        // The device would put the file together with a block missing: the download ends here.
        pMain->AddLogLine(L"RECV Data Empty ERROR", TRUE);
        pMain->AddLogLine(L"File download stopped: no answer to a block of " + path, TRUE);
        return;
      }
    }
    if (progress.IsCancelled()) {
      // Cancelled while the file's last block waited for its answer: the next files are not sent.
      pMain->AddLogLine(L"File download cancelled: " + path, TRUE);
      return;
    }
  }
}
