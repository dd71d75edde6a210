// Definition files of the main window: the definition file the user chooses (the dialog, its name
// rules and the loading of the chosen file), and the version-ranked search of the Document folder
// from which the main definition, the report definition and the assignment-header CSV are taken.
#include <climits>

#include "gui/dlg/brandingfiles.h"
#include "gui/dlg/brelvanodlg.h"
#include "platform/crt.h"
#include "platform/files.h"
#include "platform/modal.h"
#include "platform/trace.h"

namespace {

constexpr const wchar_t kCaption[] = L"Brelvano_v5 - Kestova Int.";

// The decimal digits of a name read in order as one number; -1 when the name has none, INT_MAX
// when the number does not fit (it then ranks above every firmware number).
int DigitsOf(const CString& name) {
  long long value = 0;
  bool any = false;
  for (int i = 0; i < name.GetLength(); ++i) {
    const wchar_t c = name[i];
    if (c < L'0' || c > L'9') continue;
    any = true;
    value = value * 10 + (c - L'0');
    if (value > INT_MAX) return INT_MAX;
  }
  return any ? static_cast<int>(value) : -1;
}

}  // namespace

// ---- The definition file choice ----

BOOL CBrelvanoDlg::ChooseDefinitionFile(int* pbJsonOrUp) {
  m_strDefinitionPath.Empty();
  CFileDialog dialog(TRUE, L"xml", nullptr, OFN_FILEMUSTEXIST | OFN_HIDEREADONLY, L"(*.xml)|*.xml|(*.json)|*.json|",
                     this);
  if (dialog.DoModal() != IDOK) return FALSE;
  m_strDefinitionPath = dialog.GetPathName();
  const CString& path = m_strDefinitionPath;
  if (path.Find(L"_Param") < 0 && path.Find(L"BrelvanoParam") < 0 && path.Find(L"JsonParam") < 0) {
    AfxMessageBox(L"invalid file", MB_OK);
    ResetDeviceInfo();
    FillDeviceInfoList(&m_deviceInfo);
    EndSession();
    return FALSE;
  }
  int jsonOrUp = 0;
  if (path.Find(L".json") >= 0) {
    jsonOrUp = 1;
    m_bNewFirmware = TRUE;
    m_deviceInfo.bJsonParam = 1;
    m_deviceInfo.strVerField16 = L"1";
  } else if (path.Find(L"_UP") >= 0) {
    jsonOrUp = 1;
  }
  if (pbJsonOrUp != nullptr) *pbJsonOrUp = jsonOrUp;
  g_bFileMode = TRUE;
  return TRUE;
}

void CBrelvanoDlg::LoadChosenDefinition() {
  if (g_bFileMode) {
    const CString path = m_strDefinitionPath;
    LoadXmlDefinition(path);
    return;
  }
  ResetDeviceInfo();
  FillDeviceInfoList(&m_deviceInfo);
  EndSession();
}

void CBrelvanoDlg::LoadChosenFile() {
  // The kind is told by the chosen name, not by the device identity: a JSON mark left by an earlier
  // device must not make an XML file load as JSON.
  if (g_bFileMode && m_strDefinitionPath.Find(L".json") >= 0) {
    const CString path = m_strDefinitionPath;
    LoadJsonDefinition(path);
    return;
  }
  LoadChosenDefinition();
}

void CBrelvanoDlg::FollowDirectJsonRoad() {
  if (!ChooseDefinitionFile(&m_bUpProtocol)) return;
  LoadChosenFile();
}

// ---- The Document folder ----

CString CBrelvanoDlg::FindDocumentFile(const CString& strFolder, int nKind) {
  const int nLimit = _wtoi(m_deviceInfo.strVersion);
  int nBest = 0;
  CString result;
  for (const CString& path : platform::FindFiles(platform::JoinPath(strFolder, L"*.*"))) {
    // Only files take part (folders are not archived entries).
    if (platform::FileSize(path) < 0) continue;
    const CString fileName = path.Mid(path.ReverseFind(L'/') + 1);
    CString name = fileName;
    switch (nKind) {
      case 0:
        if (name.Find(L".xml") < 0 || name.Find(L"_Param") < 0 || name.Find(L"Report") >= 0) continue;
        // The model's own digits do not rank a main definition.
        if (!m_deviceInfo.strModel.IsEmpty()) name.Replace(m_deviceInfo.strModel, L"");
        break;
      case 1:
        // Either word is enough.
        if (name.Find(L".xml") < 0 && name.Find(L"Report") < 0) continue;
        break;
      case 2:
        if (name.Find(L".csv") < 0) continue;
        break;
      default:
        break;
    }
    const int n = DigitsOf(name);
    if (n < 0) continue;
    if (nBest < n && n <= nLimit) {
      nBest = n;
      result = platform::JoinPath(strFolder, fileName);
    }
  }
  return result;
}

BOOL CBrelvanoDlg::FindAssignCsvFile(CString& strPath) {
  strPath.Empty();
  const int target = _wtoi(m_deviceInfo.strVerField16);
  const CString folder = brelvano::GetDocumentFolder();
  for (const CString& path : platform::FindFiles(platform::JoinPath(folder, L"*.*"))) {
    if (platform::FileSize(path) < 0) continue;
    const CString name = path.Mid(path.ReverseFind(L'/') + 1);
    // The last match enumerated wins.
    if (name.Find(L".csv") >= 0 && DigitsOf(name) == target) strPath = platform::JoinPath(folder, name);
  }
  return strPath.IsEmpty() ? FALSE : TRUE;
}

void CBrelvanoDlg::OpenMainXml() {
  const CString path = FindDocumentFile(brelvano::GetDocumentFolder(), 0);
  m_bOpenMode = TRUE;
  OpenXmlDefinition(path);
  m_bAtPrefix = TRUE;
  CString title;
  title.Format(L"%s (MainXml Ver : %s)", kCaption, m_defHeader.strV);
  SetWindowText(title);
}
