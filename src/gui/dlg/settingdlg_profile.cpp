// CSettingDialog: the profile row of the Profile tab. Load Profile chooses a profile (an XML profile
// is checked against the connected device first), Save Profile has the main window read the device
// and write the chosen file, Change Profile has it write the chosen profile into the device. The
// numbered-parameter set works with text profiles, the $-command set with XML profiles. The file
// dialogs, the message boxes and the main window's reads all handle messages meanwhile: a session
// that ends inside them takes the page along, so each handler checks it is still there afterwards.
#include "gui/dlg/profilexmltext.h"
#include "gui/dlg/settingdlg.h"
#include "gui/dlg/windowwatch.h"
#include "gui/dlg/xmltree.h"
#include "platform/modal.h"

namespace {
// Texts of the language library.
constexpr UINT kTextProfileNotFound = 1004;
constexpr UINT kTextInvalidProfile = 1005;
constexpr UINT kTextFileExists = 1021;

constexpr const wchar_t kTextProfileFilter[] = L"Profile Files (*.profile)|*.profile|";
constexpr const wchar_t kXmlProfileFilter[] = L"XML Files (*.xml)|*.xml|";

// The root of an XML profile names the connected device (buyer and protocol in any letter case,
// the version exactly).
bool MatchesDevice(CXmlTree& tree, const DEVICE_INFO* pInfo) {
  XmlIterator it = tree.begin();
  if (it == nullptr || pInfo == nullptr || it.GetName().IsEmpty() || !EqualsIgnoringCase(it.GetName(), L"profile")) return false;
  const CString* buyer = it.GetAttribute(L"buyer");
  const CString* protocol = it.GetAttribute(L"protocol");
  const CString* version = it.GetAttribute(L"ver");
  return buyer != nullptr && EqualsIgnoringCase(DecodeProfileXmlEntities(*buyer), pInfo->strBuyer) && protocol != nullptr &&
         EqualsIgnoringCase(DecodeProfileXmlEntities(*protocol), pInfo->strProtocol) && version != nullptr &&
         DecodeProfileXmlEntities(*version) == pInfo->strVersion;
}
}  // namespace

void CSettingDialog::SetProfilePath(const CString& strPath) {
  m_strProfilePath = strPath;
  SetDlgItemText(IDC_SETTING_PROFILE_PATH, m_strProfilePath);
}

void CSettingDialog::OnLoadProfile() {
  const WindowWatch self(this);
  const BOOL bUpMode = m_bUpMode;
  CFileDialog dialog(TRUE, bUpMode ? L"profile" : L"xml", nullptr, OFN_HIDEREADONLY,
                     bUpMode ? kTextProfileFilter : kXmlProfileFilter, this);
  const INT_PTR chosen = dialog.DoModal();
  if (!self.Alive()) return;
  if (chosen != IDOK) {
    // A cancelled XML choice forgets the profile, in the field as well.
    if (!m_bUpMode) SetProfilePath(CString());
    return;
  }
  SetProfilePath(CString());
  const CString path = dialog.GetPathName();
  if (!m_bUpMode) {
    CXmlTree tree;
    // Only a profile read whole is kept.
    if (!tree.Load(path, TRUE) || tree.GetError() != nullptr || !MatchesDevice(tree, m_pDeviceInfo)) {
      AfxMessageBox(m_language.LoadString(kTextInvalidProfile), MB_OK);
      return;
    }
  }
  SetProfilePath(path);
}

void CSettingDialog::OnSaveProfile() {
  const WindowWatch self(this);
  const BOOL bUpMode = m_bUpMode;
  CFileDialog dialog(FALSE, bUpMode ? L"profile" : L"xml", nullptr, OFN_HIDEREADONLY,
                     bUpMode ? kTextProfileFilter : kXmlProfileFilter, this);
  if (dialog.DoModal() != IDOK || !self.Alive()) return;
  const CString path = dialog.GetPathName();
  if (FileExists(path)) {
    const CString question = m_language.LoadString(kTextFileExists);
    if (AfxMessageBox(question, MB_OKCANCEL) != IDOK || !self.Alive()) return;
  }
  // The main window reads the device and writes the file; the session may end meanwhile.
  if (CWnd* pParent = GetParent())
    pParent->SendMessage(bUpMode ? WM_SAVE_TEXT_PROFILE : WM_SAVE_XML_PROFILE, 0, reinterpret_cast<LPARAM>(path.GetString()));
  if (self.Alive()) SetProfilePath(path);
}

void CSettingDialog::OnChangeProfile() {
  if (m_strProfilePath.IsEmpty()) {
    AfxMessageBox(m_language.LoadString(kTextProfileNotFound), MB_OK);
    return;
  }
  const CString path = m_strProfilePath;
  // The main window writes the profile into the device; nothing of the page is touched afterwards.
  if (CWnd* pParent = GetParent())
    pParent->SendMessage(m_bUpMode ? WM_CHANGE_TEXT_PROFILE : WM_CHANGE_XML_PROFILE, 0, reinterpret_cast<LPARAM>(path.GetString()));
}
