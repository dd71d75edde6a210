// The store of downloaded definitions: asks the device for its XML definition, writes each received
// definition into the program's folder (the JSON one also into the Document folder), joins the
// numbered XML sub-files into one definition, completes the definitions of buyer variants with the
// buyer's additions file, and hands each stored file to its loader.
#include <cstdio>
#include <exception>
#include <string>

#include "gui/dlg/brandingfiles.h"
#include "gui/dlg/brelvanodlg.h"
#include "gui/dlg/settingdlg.h"
#include "platform/clock.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/modal.h"
#include "platform/trace.h"

namespace {
// The session watchdog while the device is asked for its definition.
constexpr UINT kSessionWatchdogMs = 5000000;
// The pause after the last sub-file before the download counts as finished.
constexpr DWORD kLastSubFilePauseMs = 1000;
constexpr const wchar_t kStoredXmlName[] = L"BrelvanoParam.xml";
constexpr const wchar_t kStoredJsonName[] = L"JsonParam.json";
// The buyer's additions go in front of the geofence group.
constexpr const wchar_t kGeofenceGroup[] = L"<grp id=\"6\" hdr=\"CGF\"";
constexpr const wchar_t kRootEnd[] = L"</brelvano>";

// Definition bytes as text: UTF-8 as the loader reads them, else the ANSI code page.
CString DefinitionText(const std::string& bytes) {
  if (platform::IsValidUtf8(bytes)) return CString::FromUtf8(bytes);
  return platform::BytesToText(CP_ACP, bytes);
}

// The text line by line (a line ends at LF; a CR before it belongs to the line end), each line
// followed by CR: the line ends of a merged definition.
CString CrLines(const CString& text) {
  CString out;
  int start = 0;
  const int length = text.GetLength();
  while (start < length) {
    const int lf = text.Find(L'\n', start);
    int lineEnd = lf < 0 ? length : lf;
    if (lf >= 0 && lineEnd > start && text[lineEnd - 1] == L'\r') --lineEnd;
    out += text.Mid(start, lineEnd - start);
    out += L'\r';
    start = lf < 0 ? length : lf + 1;
  }
  return out;
}

// The part of a sub-file that goes into the joined definition: the first from its beginning, the
// others from their first group; each up to its closing root tag, without the line end before it.
CString SubFilePart(const CString& text, BOOL bFirst) {
  int start = 0;
  if (!bFirst) {
    start = text.Find(L"<grp");
    if (start < 0) return CString();
  }
  int end = text.Find(kRootEnd, start);
  if (end < 0) end = text.GetLength();
  while (end > start && (text[end - 1] == L'\r' || text[end - 1] == L'\n' || text[end - 1] == L' ' ||
                         text[end - 1] == L'\t'))
    --end;
  return text.Mid(start, end - start);
}
}  // namespace

CString CBrelvanoDlg::StoredXmlPath() const { return m_strModuleDir + kStoredXmlName; }
CString CBrelvanoDlg::StoredJsonPath() const { return m_strModuleDir + kStoredJsonName; }
CString CBrelvanoDlg::DocumentJsonPath() const {
  CString path;
  path.Format(L"%s%s_%s_%s", m_strDocumentDir, SafeFileNamePart(m_deviceInfo.strModel),
              SafeFileNamePart(m_deviceInfo.strVersion), kStoredJsonName);
  return path;
}

void CBrelvanoDlg::RequestDefinitionXml() {
  TRACE(L"Request XML\n");
  // A new download: no packet is open and no resend has been asked for.
  m_bInFrame = FALSE;
  m_nHeaderFill = 0;
  m_nResendCount = 0;
  m_nSubFileRepeats = 0;
  SetTimer(TIMER_SESSION_WATCHDOG, kSessionWatchdogMs);
  SetTimer(TIMER_DOWNLOAD_QUIET, kDownloadQuietMs);
  QueueCommand(m_bAtPrefix ? L"AT^$PVRGetXml\r" : L"$PVRGetXml\r");
}

BOOL CBrelvanoDlg::ReadFileToBuffer(const CString& strPath, BYTE* pBuffer, unsigned nLength) {
  std::FILE* file = platform::OpenRegularFile(strPath);
  if (file == nullptr) return FALSE;
  if (pBuffer != nullptr && nLength > 0) {
    const size_t got = std::fread(pBuffer, 1, nLength, file);
    (void)got;
  }
  std::fclose(file);
  return TRUE;
}

BOOL CBrelvanoDlg::MergeBuyerAdditions(CString& strText) {
  const CString additionsPath = m_strModuleDir + L"Language XML/ADD_PARA_" + SafeFileNamePart(m_deviceInfo.strBuyer) + L".xml";
  std::string bytes;
  if (!platform::FileExists(additionsPath) || !platform::ReadWholeFile(additionsPath, bytes)) return FALSE;
  CString additions = DefinitionText(bytes);
  // A byte-order mark of the additions file is not part of the text.
  if (!additions.IsEmpty() && additions[0] == wchar_t(0xFEFF)) additions = additions.Mid(1);
  const CString text = CrLines(strText);
  int at = text.Find(kGeofenceGroup);
  if (at < 0) {
    // Without a geofence group the additions close the definition's groups.
    at = text.Find(kRootEnd);
    if (at < 0) {
      TRACE(L"Buyer additions: the definition has no place for them\n");
      return FALSE;
    }
  }
  // Every line of the merged definition ends with CR.
  strText = text.Left(at) + CrLines(additions) + L"\r" + text.Mid(at);
  return TRUE;
}

void CBrelvanoDlg::SaveXmlDefinition() {
  m_bXmlDownload = FALSE;
  KillTimer(TIMER_DOWNLOAD_QUIET);
  if (m_nXmlReceived != m_nXmlSize) {
    TRACE(L"XML Length mis-matching\n");
    UnlockWindowUpdate();
    ResetBusy();
    m_bDefinitionPending = FALSE;
    KillTimer(TIMER_SESSION_WATCHDOG);
    if (m_bPortOpen) EndSession();
    AfxMessageBox(L"Length Mismatching!", MB_OK);
    return;
  }
  const CString stored = StoredXmlPath();
  const std::string bytes(reinterpret_cast<const char*>(m_xmlBuffer), static_cast<size_t>(m_nXmlSize));
  const BOOL single = IsSingleFileDownload();
  // The stored file is replaced whole (nothing of an older, longer file remains).
  if (!platform::WriteWholeFile(stored, bytes)) {
    TRACE(L"SaveXmlDefinition: %s cannot be written\n", stored);
    UnlockWindowUpdate();
    ResetBusy();
    m_bDefinitionPending = FALSE;
    if (m_bPortOpen) EndSession();
    AfxMessageBox(L"The downloaded definition cannot be stored: " + stored, MB_OK);
    return;
  }
  BOOL bJoined = FALSE;
  if (single) {
    if (m_pSettingDlg != nullptr) {
      m_nProgressPos = static_cast<int>(m_nCurrentFile * m_dProgressStep);
      if (m_pSettingDlg->m_progress.GetSafeHwnd() != nullptr) m_pSettingDlg->m_progress.SetPos(m_nProgressPos);
    }
    if (m_bBuyerVariantDefinition && m_bTranslateNames && m_deviceInfo.strModel.Find(L"VR835") >= 0) {
      CString text = DefinitionText(bytes);
      if (MergeBuyerAdditions(text)) {
        const std::string merged = platform::IsValidUtf8(bytes) ? text.ToUtf8() : platform::TextToBytes(CP_ACP, text);
        if (platform::WriteWholeFile(stored, merged)) {
          // The merged definition is loaded on the answer to the status request.
          RequestStatusSection(9);
          return;
        }
        TRACE(L"SaveXmlDefinition: the merged definition cannot be written\n");
      }
    }
    UnlockWindowUpdate();
    ResetBusy();
    const unsigned generation = m_nSessionGeneration;
    LoadXmlDefinition(stored, FALSE);
    // The downloaded definition is stored and loaded: a tab change no longer waits for it (it would
    // lock the window's drawing and retry a download that has ended).
    if (generation == m_nSessionGeneration) m_nDownloadState = 2;
    return;
  }

  // One sub-file of a multi-file download: its part of the joined definition.
  const CString text = DefinitionText(bytes);
  const BOOL bFirst = m_nCurrentFile == 0;
  const BOOL bLast = m_nCurrentFile == m_nFileCount - 1;
  if (bFirst) m_strMergedXml.Empty();
  const int nFileBefore = m_nCurrentFile;
  const int nMergedBefore = m_strMergedXml.GetLength();
  CString part = SubFilePart(text, bFirst);
  if (!bFirst && part.IsEmpty()) TRACE(L"SaveXmlDefinition: sub-file %d has no group\n", m_nCurrentFile);
  // A group left open by its sub-file is closed.
  if (part.Find(L"<grp") >= 0 && part.Find(L"</grp>") < 0) part += L"\r</grp>";
  if (bLast) {
    part += L"\r";
    part += kRootEnd;
    bJoined = TRUE;
  } else {
    part += L"\r";
  }
  m_strMergedXml += part;
  if (m_pSettingDlg != nullptr) {
    m_nProgressPos = static_cast<int>(m_nCurrentFile * m_dProgressStep);
    if (m_pSettingDlg->m_progress.GetSafeHwnd() != nullptr) m_pSettingDlg->m_progress.SetPos(m_nProgressPos);
  }

  UnlockWindowUpdate();
  ResetBusy();
  const unsigned generation = m_nSessionGeneration;
  LoadXmlDefinition(stored, TRUE);
  // A load that ended the session ends the download here.
  if (generation != m_nSessionGeneration) return;
  if (m_nCurrentFile == nFileBefore) {
    // The sub-file gave no tab: it is asked for again (or the download has ended), and its part
    // does not go into the joined definition.
    m_strMergedXml = m_strMergedXml.Left(nMergedBefore);
    return;
  }
  if (m_bAtPrefix && m_nCurrentFile == m_nFileCount) {
    Sleep(kLastSubFilePauseMs);
    if (generation != m_nSessionGeneration) return;
    m_nDownloadState = 2;
  }
  if (!bJoined) return;
  CString joined = m_strMergedXml;
  const BOOL bMerge = m_bBuyerVariantDefinition && m_bTranslateNames && m_deviceInfo.strModel.Find(L"VR835") >= 0 &&
                      MergeBuyerAdditions(joined);
  std::string out = "\xFF\xFE";
  out += platform::TextToBytes(CP_UTF16LE, joined);
  if (!platform::WriteWholeFile(stored, out)) {
    AddLogLine(L"Error: the joined definition cannot be written to " + stored, TRUE);
  } else if (bMerge) {
    // The completed definition is loaded on the answer to the status request.
    RequestStatusSection(9);
  }
  m_bXmlDownload = FALSE;
}

void CBrelvanoDlg::SaveJsonDefinition() {
  m_bJsonDownload = FALSE;
  KillTimer(TIMER_DOWNLOAD_QUIET);
  try {
    const CString stored = StoredJsonPath();
    const CString copy = DocumentJsonPath();
    if (platform::FileExists(stored)) platform::DeleteFile(stored);
    if (!m_strDocumentDir.IsEmpty() && platform::FileExists(copy)) platform::DeleteFile(copy);
    // The received bytes are stored as they came (UTF-8, no byte-order mark).
    const std::string bytes = m_jsonData;
    if (!platform::WriteWholeFile(stored, bytes)) {
      AfxMessageBox(L"Length Mismatching!", MB_OK);
      return;
    }
    UnlockWindowUpdate();
    ResetBusy();
    const unsigned generation = m_nSessionGeneration;
    LoadJsonDefinition(stored);
    if (generation != m_nSessionGeneration) return;
    if (m_strDocumentDir.IsEmpty() || !platform::WriteWholeFile(copy, bytes)) {
      AfxMessageBox(L"Sub File Length Mismatching!", MB_OK);
      return;
    }
  } catch (const std::exception& e) {
    TRACE(L"SaveJsonDefinition: %s\n", CString::FromUtf8(e.what()));
    EndSession();
  }
}
