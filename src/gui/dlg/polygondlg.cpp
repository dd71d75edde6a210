// CPolygonDialog (see polygondlg.h).
#include "gui/dlg/polygondlg.h"

#include <vector>

#include "gui/dlg/mapdlg.h"
#include "gui/dlg/pagehelpers.h"
#include "gui/dlg/pagemessages.h"
#include "gui/dlg/polydetaildlg.h"
#include "gui/dlg/polygonpointfile.h"
#include "gui/dlg/settingdlg.h"
#include "gui/dlg/windowwatch.h"
#include "platform/crt.h"
#include "platform/files.h"
#include "platform/modal.h"
#include "platform/trace.h"

namespace {
constexpr UINT kTextSend = 1034;
constexpr UINT kTextPrevious = 1055;
constexpr UINT kTextCancel = 1056;
constexpr UINT kTextFileOpen = 1057;
constexpr UINT kTextFileSave = 1058;
constexpr UINT kZonePollMs = 1000;
// A zone is an area: it needs three points.
constexpr int kMinZonePoints = 3;
constexpr const wchar_t kPointFileFilter[] = L"Polygon Data Files (*.stp)|*.stp|";

CString Decimal(int n) {
  CString text;
  text.Format(L"%d", n);
  return text;
}
}  // namespace

BEGIN_MESSAGE_MAP(CPolygonDialog, CDHtmlDialog)
  ON_BN_CLICKED(IDC_POLYMAP_SEND, &CPolygonDialog::OnSend)
  ON_BN_CLICKED(IDC_POLYMAP_PREV, &CPolygonDialog::OnBnClickedPrev)
  ON_BN_CLICKED(IDC_POLYMAP_CANCEL, &CPolygonDialog::OnBnClickedCancel)
  ON_BN_CLICKED(IDC_POLYMAP_FILE_OPEN, &CPolygonDialog::OnFileOpen)
  ON_BN_CLICKED(IDC_POLYMAP_FILE_SAVE, &CPolygonDialog::OnFileSave)
  ON_WM_TIMER()
  ON_WM_CLOSE()
END_MESSAGE_MAP()

CPolygonDialog::CPolygonDialog(CSettingDialog* pPage)
    : CDHtmlDialog(IDD_POLYGON_MAP, IDR_HTML_POLYGONMAP, pPage), m_pPage(pPage) {
  SetHostConfig(CMapDialog::MapHostConfig());
  BindElementClick(L"ButtonOK", [this] { OnButtonOK(); });
  BindElementClick(L"ButtonCancel", [this] { OnBnClickedCancel(); });
  BindElementClick(L"BtnConfirm", [this] { OnButtonConfirm(); });
}

BOOL CPolygonDialog::OnInitDialog() {
  CDHtmlDialog::OnInitDialog();
  if (m_pPage != nullptr) {
    const struct {
      int id;
      UINT text;
      const wchar_t* fallback;
    } texts[] = {{IDC_POLYMAP_PREV, kTextPrevious, L"PREVIOUS"},
                 {IDC_POLYMAP_SEND, kTextSend, L"SEND"},
                 {IDC_POLYMAP_CANCEL, kTextCancel, L"CANCEL"},
                 {IDC_POLYMAP_FILE_OPEN, kTextFileOpen, L"File Open"},
                 {IDC_POLYMAP_FILE_SAVE, kTextFileSave, L"File Save"}};
    for (const auto& t : texts) SetDlgItemText(t.id, m_pPage->LanguageText(t.text, t.fallback));
  }
  return TRUE;
}

BOOL CPolygonDialog::PreTranslateMessage(MSG* pMsg) {
  if (brelvano::IsPageSwallowedKey(pMsg)) return TRUE;
  return CDHtmlDialog::PreTranslateMessage(pMsg);
}

void CPolygonDialog::OnDocumentComplete(BOOL bOk) {
  CDHtmlDialog::OnDocumentComplete(bOk);
  SetSilent(TRUE);
  if (!bOk) {
    TRACE(L"polygon map page did not load\n");
    return;
  }
  if (CPolyDetailDlg* pDetail = DetailDialog())
    if (pDetail->GetSafeHwnd() != nullptr) pDetail->SendMessage(WM_MAP_PAGE_LOADED, 0, 0);
}

CPolyDetailDlg* CPolygonDialog::DetailDialog() const {
  return m_pPage != nullptr ? m_pPage->m_pPolyDetailDlg : nullptr;
}

void CPolygonDialog::SetTitle(const CString& title) { SetWindowText(title); }

void CPolygonDialog::EnableSendButtons(BOOL bEnable) {
  for (int id : {IDC_POLYMAP_SEND, IDC_POLYMAP_FILE_SAVE})
    if (CWnd* pButton = GetDlgItem(id)) pButton->EnableWindow(bEnable);
  if (!bEnable) SetTimer(TIMER_POLY_ZONE_POLL, kZonePollMs, nullptr);
}

void CPolygonDialog::UpdatePageData() {
  m_strPolyZone = GetElementValue(L"txtpolyzone");
  m_strPolyCount = GetElementValue(L"txtpolycount");
}

void CPolygonDialog::CallPage(const CString& name, const std::vector<CString>& args) { CallScript(name, args); }

void CPolygonDialog::ClearPolygon() { CallPage(L"clearPolygon"); }

void CPolygonDialog::LoadCoord(const CString& pointText) { CallPage(L"loadCoord", {pointText}); }

void CPolygonDialog::MoveMap(const CString& lat, const CString& lng) {
  CallPage(L"MoveMap", {lat, lng});
}

void CPolygonDialog::SetPolyCount() {
  if (m_pPage == nullptr) return;
  CallPage(L"SetPolyCount", {Decimal(m_pPage->m_nPointLimit)});
}

void CPolygonDialog::SetTotalPolyCount() {
  if (m_pPage == nullptr) return;
  CallPage(L"SetTotalPolyCount", {Decimal(m_pPage->m_nTotalPointLimit)});
}

void CPolygonDialog::SetSumPolyCount() {
  if (m_pPage == nullptr) return;
  m_pPage->m_nUsedPoints = m_pPage->GetUsedPointCount();
  CallPage(L"SetSumPolyCount", {Decimal(m_pPage->m_nUsedPoints)});
}

void CPolygonDialog::OnSend() {
  if (m_pPage == nullptr) return;
  CPolyDetailDlg* pDetail = DetailDialog();
  if (pDetail == nullptr) return;
  UpdatePageData();
  const int nPoints = _wtoi(m_strPolyCount);
  // A zone without its three points would close the wizard with nothing written.
  if (nPoints < kMinZonePoints || m_strPolyZone.IsEmpty()) {
    AfxMessageBox(L"A zone needs at least three points: draw the zone and confirm it.", MB_OK);
    return;
  }
  KillTimer(TIMER_POLY_ZONE_POLL);
  m_pPage->EnableMainTabControl(FALSE);
  pDetail->m_zone.nPointCount = nPoints;
  const WindowWatch self(this);
  // The write handles window messages: the dialog takes no second click meanwhile.
  EnableWindow(FALSE);
  m_pPage->SubmitPolygon(m_strPolyZone, m_strPolyCount, pDetail->m_zone);
  // The wizard may have gone with its page meanwhile.
  if (!self.Alive()) return;
  EnableWindow(TRUE);
  if (pDetail->GetSafeHwnd() != nullptr) pDetail->SendMessage(WM_CLOSE, 0, 0);
  EndDialog(IDCANCEL);
}

void CPolygonDialog::OnBnClickedPrev() {
  ShowWindow(SW_HIDE);
  if (CPolyDetailDlg* pDetail = DetailDialog()) pDetail->ShowWindow(SW_SHOW);
}

void CPolygonDialog::OnBnClickedCancel() { EndStep(IDCANCEL); }

void CPolygonDialog::EndStep(int nResult) {
  KillTimer(TIMER_POLY_ZONE_POLL);
  CPolyDetailDlg* pDetail = DetailDialog();
  if (pDetail != nullptr && pDetail->GetSafeHwnd() != nullptr) pDetail->SendMessage(WM_CLOSE, 0, 0);
  EndDialog(nResult);
}

// The plain OK: nothing is sent, but the wizard ends as every other way out of it does, so that
// step 1 and the main window's tabs are not left waiting.
void CPolygonDialog::OnButtonOK() { EndStep(IDOK); }

void CPolygonDialog::OnButtonConfirm() { AfxMessageBox(L"confirm ok", MB_OK); }

void CPolygonDialog::CloseStep() {
  KillTimer(TIMER_POLY_ZONE_POLL);
  if (GetSafeHwnd() != nullptr) EndDialog(IDCANCEL);
}

void CPolygonDialog::OnTimer(UINT_PTR nIDEvent) {
  UpdatePageData();
  if (nIDEvent != TIMER_POLY_ZONE_POLL) {
    CDHtmlDialog::OnTimer(nIDEvent);
    return;
  }
  if (m_strPolyZone.IsEmpty()) return;
  KillTimer(TIMER_POLY_ZONE_POLL);
  EnableSendButtons(TRUE);
}

void CPolygonDialog::OnFileOpen() {
  if (m_pPage == nullptr) return;
  const WindowWatch self(this);
  CFileDialog dialog(TRUE, L"stp", nullptr, OFN_HIDEREADONLY, kPointFileFilter, this);
  if (dialog.DoModal() != IDOK || !self.Alive()) return;
  const CString path = dialog.GetPathName();
  std::vector<CString> lines;
  if (!brelvano::ReadPolygonPointFile(path, lines)) {
    AfxMessageBox(L"The point file cannot be read: " + path, MB_OK);
    return;
  }
  CString text;
  // The file's points count against the zone's own limit and, with the other zones, the total.
  if (!brelvano::PolygonPointTextFromFileLines(lines, m_pPage->m_nPointLimit, m_pPage->m_nTotalPointLimit,
                                               m_pPage->m_nUsedPoints, text)) {
    AfxMessageBox(L"can not point number exceed", MB_OK);
    return;
  }
  LoadCoord(text);
}

void CPolygonDialog::OnFileSave() {
  UpdatePageData();
  const WindowWatch self(this);
  CFileDialog dialog(FALSE, L"stp", nullptr, OFN_HIDEREADONLY, kPointFileFilter, this);
  if (dialog.DoModal() != IDOK || !self.Alive()) return;
  const CString path = dialog.GetPathName();
  if (platform::FileExists(path) && (AfxMessageBox(L"Do you want overwite?", MB_OKCANCEL) != IDOK || !self.Alive()))
    return;
  if (!brelvano::WritePolygonPointFile(path, m_strPolyZone))
    AfxMessageBox(L"The point file cannot be written: " + path, MB_OK);
}

// Enter and Escape do nothing; the close box cancels the wizard.
void CPolygonDialog::OnOK() {}
void CPolygonDialog::OnCancel() {}
void CPolygonDialog::OnClose() { OnBnClickedCancel(); }
