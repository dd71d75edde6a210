// CReportDialog and ReverseBitsAndBytes (see reportdlg.h).
#include "gui/dlg/reportdlg.h"

#include "gui/dlg/brelvanodlg.h"
#include "gui/dlg/pagehelpers.h"
#include "gui/dlg/pagemessages.h"
#include "platform/trace.h"

BEGIN_MESSAGE_MAP(CReportDialog, CDialogEx)
  ON_WM_CLOSE()
  ON_BN_CLICKED(IDC_REPORT_OK, &CReportDialog::OnOk)
  ON_MESSAGE(WM_REPORT_MAP_DATA, &CReportDialog::OnReportMapData)
END_MESSAGE_MAP()

CReportDialog::CReportDialog(const TAB_INFO* pReportTabs, CWnd* pParent)
    : CDialogEx(IDD_REPORT_MAP, pParent), m_pReportTabs(pReportTabs) {}

CReportDialog::CReportDialog(CWnd* pParent) : CDialogEx(IDD_REPORT_MAP, pParent) {}

void CReportDialog::DoDataExchange(CDataExchange* pDX) {
  CDialogEx::DoDataExchange(pDX);
  DDX_Control(pDX, IDC_REPORT_BITS, m_listBits);
}

BOOL CReportDialog::OnInitDialog() {
  CDialogEx::OnInitDialog();
  LoadLanguage();
  // While the dialog is open the main window starts no session and changes no page.
  EnableMainControls(FALSE);
  return TRUE;
}

BOOL CReportDialog::PreTranslateMessage(MSG* pMsg) {
  if (pMsg != nullptr && pMsg->message == WM_KEYDOWN && (pMsg->wParam == VK_RETURN || pMsg->wParam == VK_ESCAPE))
    return TRUE;
  return CDialogEx::PreTranslateMessage(pMsg);
}

void CReportDialog::EnableMainControls(BOOL bEnable) {
  auto* pMain = dynamic_cast<CBrelvanoDlg*>(m_pParentWnd);
  if (pMain == nullptr || pMain->GetSafeHwnd() == nullptr) return;
  for (int id : {IDC_BTN_CONNECT, IDC_BTN_DISCONNECT, IDC_BTN_OPEN}) {
    if (CWnd* pItem = pMain->GetDlgItem(id)) pItem->EnableWindow(bEnable);
  }
  if (pMain->m_tabPages.GetSafeHwnd() != nullptr) pMain->m_tabPages.EnableWindow(bEnable);
}

void CReportDialog::OnClose() {
  EnableMainControls(TRUE);
  m_pRequest = nullptr;
  m_pParamList = nullptr;
  if (GetSafeHwnd() != nullptr) DestroyWindow();
}

void CReportDialog::OnOk() { OnClose(); }

CString CReportDialog::BitsFromHex(const CString& hex) {
  CString bits;
  for (int i = hex.GetLength() - 1; i >= 0; --i) {
    const wchar_t c = hex[i];
    int digit = 0;
    if (c >= L'0' && c <= L'9') digit = c - L'0';
    else if (c >= L'A' && c <= L'F') digit = c - L'A' + 10;
    else if (c >= L'a' && c <= L'f') digit = c - L'a' + 10;
    for (int b = 0; b < 4; ++b) bits += ((digit >> b) & 1) ? L'1' : L'0';
  }
  return bits;
}

LRESULT CReportDialog::OnReportMapData(WPARAM wParam, LPARAM lParam) {
  m_pRequest = reinterpret_cast<REPORT_MAP_REQUEST*>(wParam);
  const auto* pPage = reinterpret_cast<const PAGE_INFO*>(lParam);
  if (pPage == nullptr) {
    TRACE(L"report map: no page request\n");
    return 0;
  }
  m_tab = pPage->tab;
  m_pParamList = pPage->pParams;
  m_strBits = m_pRequest != nullptr && m_pRequest->pParam != nullptr ? BitsFromHex(m_pRequest->pParam->strValue)
                                                                      : CString();
  if (m_listBits.GetSafeHwnd() == nullptr) return 0;
  m_listBits.ResetContent();
  if (m_pParamList == nullptr) return 0;
  // Bit i of the value belongs to entry i of the list.
  int bit = 0;
  POSITION pos = m_pParamList->GetHeadPosition();
  while (pos != nullptr) {
    const auto* p = static_cast<const PARAM_INFO*>(m_pParamList->GetNext(pos));
    if (p == nullptr) continue;
    const wchar_t state = bit < m_strBits.GetLength() ? m_strBits[bit] : L'0';
    CString line;
    line.Format(L"[%c] %s", state == L'1' ? L'X' : L' ', brelvano::PageTranslate(m_pParentWnd, p->strName));
    m_listBits.InsertString(-1, line);
    ++bit;
  }
  return 0;
}

int ReverseBitsAndBytes(const unsigned char* pIn, unsigned char* pOut, int nCount) {
  if (pIn == nullptr || pOut == nullptr || nCount < 0 || nCount > 255) {
    TRACE(L"ReverseBitsAndBytes: %d bytes refused\n", nCount);
    return 0;
  }
  // The input is copied first, so that the same buffer may be given for both.
  unsigned char source[255];
  for (int j = 0; j < nCount; ++j) source[j] = pIn[j];
  for (int j = 0; j < nCount; ++j) {
    unsigned char in = source[j];
    unsigned char out = 0;
    for (int b = 0; b < 8; ++b) {
      out = static_cast<unsigned char>((out << 1) | (in & 1));
      in = static_cast<unsigned char>(in >> 1);
    }
    pOut[nCount - 1 - j] = out;
  }
  return nCount;
}
