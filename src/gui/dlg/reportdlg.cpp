// CReportDialog, ReverseBitsAndBytes (see reportdlg.h).
#include "gui/dlg/reportdlg.h"

#include <algorithm>

#include "gui/dlg/brelvanodlg.h"
#include "gui/dlg/menudlg.h"
#include "gui/dlg/pagehelpers.h"
#include "gui/dlg/pagemessages.h"
#include "gui/dlg/settingdlg.h"
#include "platform/crt.h"
#include "platform/trace.h"

namespace {
constexpr DWORD kStyleCheck = WS_CHILD | WS_VISIBLE | WS_BORDER | BS_AUTOCHECKBOX;
constexpr DWORD kStyleTitle = WS_CHILD | WS_VISIBLE;
constexpr int kFirstCheckId = 3001;
constexpr int kEmptyCheckId = 4000;
constexpr int kItemHeight = 17;
constexpr int kLineStep = 95;
constexpr int kOneColumnMax = 15;

bool IsCheckType(int type) {
  return type == CTRL_CHECK_BOX || (type >= CTRL_ALERT_ID && type <= CTRL_L_ASSIGN);
}
}  // namespace

BEGIN_MESSAGE_MAP(CReportDialog, CDialogEx)
  ON_WM_CLOSE()
  ON_WM_VSCROLL()
  ON_WM_SIZE()
  ON_BN_CLICKED(IDC_REPORT_OK, &CReportDialog::OnOk)
  ON_MESSAGE(WM_REPORT_MAP_DATA, &CReportDialog::OnReportMapData)
END_MESSAGE_MAP()

CReportDialog::CReportDialog(const TAB_INFO* pReportTabs, CWnd* pParent)
    : CDialogEx(IDD_REPORT_MAP, pParent), m_pReportTabs(pReportTabs) {}

CReportDialog::CReportDialog(CWnd* pParent) : CDialogEx(IDD_REPORT_MAP, pParent) {}

CReportDialog::~CReportDialog() {
  // The list may be gone by now: only the controls themselves go.
  for (CWnd* pCtrl : m_controls) delete pCtrl;
}

BOOL CReportDialog::OnInitDialog() {
  CDialogEx::OnInitDialog();
  LoadLanguage();
  m_font.CreateFont(14, 0, 0, 0, 100, FALSE, FALSE, 0, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                    DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, L"Arial");
  // While the dialog is open the main window starts no session and changes no page.
  EnableMainControls(FALSE);
  return TRUE;
}

BOOL CReportDialog::PreTranslateMessage(MSG* pMsg) {
  if (pMsg != nullptr && pMsg->message == WM_KEYDOWN) {
    if (pMsg->wParam == VK_ESCAPE) {
      OnClose();
      return TRUE;
    }
    if (pMsg->wParam == VK_RETURN) return TRUE;
  }
  return CDialogEx::PreTranslateMessage(pMsg);
}

void CReportDialog::EnableMainControls(BOOL bEnable) {
  auto* pMain = dynamic_cast<CBrelvanoDlg*>(m_pParentWnd);
  if (pMain == nullptr || pMain->GetSafeHwnd() == nullptr) return;
  for (int id : {IDC_BTN_CONNECT, IDC_BTN_DISCONNECT, IDC_BTN_OPEN}) {
    if (CWnd* pItem = pMain->GetDlgItem(id)) pItem->EnableWindow(bEnable);
  }
  // The tab strip too: another tab rebuilds the settings page, and OK would then write the value
  // into whichever parameter's box has the same control id.
  if (pMain->m_tabPages.GetSafeHwnd() != nullptr) pMain->m_tabPages.EnableWindow(bEnable);
  if (pMain->m_pMenuDlg != nullptr && pMain->m_pMenuDlg->GetSafeHwnd() != nullptr)
    pMain->m_pMenuDlg->EnableWindow(bEnable);
}

void CReportDialog::ReleaseList() {
  for (CWnd* pCtrl : m_controls) {
    if (pCtrl->GetSafeHwnd() != nullptr) pCtrl->DestroyWindow();
    delete pCtrl;
  }
  m_controls.clear();
  m_pSmallTitle = m_pMediumTitle = m_pLargeTitle = nullptr;
  if (m_pParamList != nullptr) {
    for (POSITION pos = m_pParamList->GetHeadPosition(); pos != nullptr;) {
      auto* p = static_cast<PARAM_INFO*>(m_pParamList->GetNext(pos));
      if (p != nullptr && IsCheckType(p->nCtrlType)) p->pValueWnd = nullptr;
    }
  }
  m_pParamList = nullptr;
}

void CReportDialog::OnClose() {
  m_pRequest = nullptr;
  EnableMainControls(TRUE);
  ReleaseList();
  if (GetSafeHwnd() != nullptr) DestroyWindow();
}

CWnd* CReportDialog::ValueBox() const {
  const auto* pMain = dynamic_cast<const CBrelvanoDlg*>(m_pParentWnd);
  if (pMain == nullptr || m_pRequest == nullptr || pMain->m_pSettingDlg == nullptr ||
      pMain->m_pSettingDlg->GetSafeHwnd() == nullptr || m_pRequest->nValueCtrlId == 0)
    return nullptr;
  return pMain->m_pSettingDlg->GetDlgItem(m_pRequest->nValueCtrlId);
}

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

void CReportDialog::SplitText(std::vector<CString>& out, const CString& text, wchar_t sep) {
  CBrelvanoDlg::SplitString(out, text, sep);
}

CString CReportDialog::PackBits(const CString& bits, int nBytes) {
  // Eight states a byte, the first of each group in bit 7; then bytes and bits reversed, which
  // gives the value most significant byte first with state m as bit m.
  const int count = (bits.GetLength() + 7) / 8;
  std::vector<unsigned char> packed(static_cast<size_t>(count), 0), value(static_cast<size_t>(count), 0);
  for (int m = 0; m < bits.GetLength(); ++m) {
    if (bits[m] % 48 != 0) packed[static_cast<size_t>(m / 8)] |= static_cast<unsigned char>(0x80 >> (m % 8));
  }
  ReverseBitsAndBytes(packed.data(), value.data(), count);
  CString text;
  // The value keeps its low bytes: states beyond the parameter's size are dropped.
  for (int j = 0; j < nBytes; ++j) {
    const int from = count - nBytes + j;
    CString b;
    b.Format(L"%02X", from >= 0 ? value[static_cast<size_t>(from)] : 0);
    text += b;
  }
  return text;
}

CButton* CReportDialog::MakeCheckBox(const CString& text, const CRect& rc, UINT nId, BOOL bChecked) {
  auto* pBox = new CButton();
  if (!pBox->Create(text, kStyleCheck, rc, this, nId)) {
    delete pBox;
    return nullptr;
  }
  pBox->SetFont(&m_font);
  pBox->SetCheck(bChecked ? BST_CHECKED : BST_UNCHECKED);
  m_controls.push_back(pBox);
  return pBox;
}

CStatic* CReportDialog::MakeTitle(const CString& text, const CRect& rc) {
  auto* pTitle = new CStatic();
  if (!pTitle->Create(text, kStyleTitle, rc, this, 0xFFFF)) {
    delete pTitle;
    return nullptr;
  }
  pTitle->SetFont(&m_font);
  m_controls.push_back(pTitle);
  return pTitle;
}

void CReportDialog::ShowScrollBarFor(int nBottom) {
  CRect client;
  GetClientRect(&client);
  if (nBottom > client.bottom) m_bScrollNeeded = TRUE;
}

LRESULT CReportDialog::OnReportMapData(WPARAM wParam, LPARAM lParam) {
  // A second request replaces the first: its check boxes go first.
  ReleaseList();
  if (m_nScrollPos != 0) {
    ScrollWindow(0, m_nScrollPos);
    m_nScrollPos = 0;
    SetScrollPos(SB_VERT, 0);
  }
  m_pRequest = reinterpret_cast<REPORT_MAP_REQUEST*>(wParam);
  const auto* pPage = reinterpret_cast<const PAGE_INFO*>(lParam);
  if (pPage == nullptr) {
    TRACE(L"report map: no page request\n");
    return 0;
  }
  m_tab = pPage->tab;
  m_pParamList = pPage->pParams;
  CString value;
  if (CWnd* pBox = ValueBox()) value = pBox->GetWindowText();
  else if (m_pRequest != nullptr && m_pRequest->pParam != nullptr) value = m_pRequest->pParam->strValue;
  m_strBits = BitsFromHex(value);
  m_bScrollNeeded = FALSE;
  if (m_tab.bAssign == 1) LayoutAssignments();
  else LayoutPlain();
  ShowScrollBar(SB_VERT, m_bScrollNeeded);
  return 0;
}

void CReportDialog::LayoutAssignments() {
  auto* pMain = dynamic_cast<CBrelvanoDlg*>(m_pParentWnd);
  m_pParamList = nullptr;
  if (pMain == nullptr) return;
  // The definition tab whose first parameter carries the report tab's id (not the appended
  // Diagnosis and Profile tabs). Without one there is nothing to show, and OK changes nothing.
  for (int t = 0; t < pMain->m_nTabCount - 2; ++t) {
    CPtrList* pList = pMain->TabParamList(t);
    if (pList == nullptr || pList->IsEmpty()) continue;
    const auto* pFirst = static_cast<const PARAM_INFO*>(pList->GetHead());
    if (pFirst != nullptr && pFirst->nTabId == m_tab.nTabId) {
      m_nMatchedTab = t;
      m_pParamList = pList;
      break;
    }
  }
  if (m_pParamList == nullptr) {
    TRACE(L"report map: no definition tab has the id %d\n", m_tab.nTabId);
    return;
  }
  const wchar_t* titles[] = {L"S_ASSIGN", L"M_ASSIGN", L"L_ASSIGN"};
  const wchar_t* prefixes[] = {L"S_", L"M_", L"L_"};
  CStatic** titleWnds[] = {&m_pSmallTitle, &m_pMediumTitle, &m_pLargeTitle};
  int columnX[3] = {150, 150, 150};
  bool started[3] = {false, false, false};
  int y = 79;
  int i = 0;
  for (POSITION pos = m_pParamList->GetHeadPosition(); pos != nullptr; ++i) {
    auto* p = static_cast<PARAM_INFO*>(m_pParamList->GetNext(pos));
    if (p == nullptr) continue;
    p->strValue = i < m_strBits.GetLength() ? CString(m_strBits[i]) : CString();
    p->pValueWnd = nullptr;
    const int column = p->nCtrlType - CTRL_S_ASSIGN;
    if (column < 0 || column > 2) continue;
    if (!started[column]) {
      started[column] = true;
      // A column starts 150 pixels right of the one before it, when that one has items.
      if (column > 0) columnX[column] = started[column - 1] ? columnX[column - 1] + 150 : 150;
      *titleWnds[column] = MakeTitle(titles[column], CRect(columnX[column], 60, columnX[column] + 100, 76));
      y = 79;
    }
    const int width = column == 0 ? 120 : 100;
    CString caption = L"EMPTY";
    UINT id = static_cast<UINT>(kEmptyCheckId + 2 * i);
    if (p->assign.bValid == 1) {
      CString key;
      key.Format(L"%s%d", prefixes[column], p->assign.nNo);
      ASSIGN_INFO info;
      if (pMain->m_pSettingDlg != nullptr && pMain->m_pSettingDlg->m_mapAssign.Lookup(key, info)) p->assign = info;
      caption = p->assign.strData;
      id = static_cast<UINT>(kFirstCheckId + 2 * i);
    }
    const CRect rc(columnX[column], y, columnX[column] + width, y + kItemHeight);
    p->pValueWnd = MakeCheckBox(caption, rc, id, _wtoi(p->strValue) != 0);
    ShowScrollBarFor(rc.bottom);
    y += kItemHeight + 2;
  }
}

void CReportDialog::LayoutPlain() {
  if (m_pParamList == nullptr) return;
  const CWnd* pMain = m_pParentWnd;
  const int count = static_cast<int>(m_pParamList->GetCount());
  int longest = 0;
  for (POSITION pos = m_pParamList->GetHeadPosition(); pos != nullptr;) {
    const auto* p = static_cast<const PARAM_INFO*>(m_pParamList->GetNext(pos));
    if (p != nullptr) longest = std::max(longest, brelvano::PageTranslate(pMain, p->strName).GetLength());
  }
  const int width = std::max(7 * longest, 100);
  const int rows = count <= kOneColumnMax ? count : (count % 2 == 0 ? count / 3 : count / 3 + 1);
  int i = 0;
  int y = 70;
  for (POSITION pos = m_pParamList->GetHeadPosition(); pos != nullptr; ++i) {
    auto* p = static_cast<PARAM_INFO*>(m_pParamList->GetNext(pos));
    if (p == nullptr) continue;
    int x = 100;
    if (count > kOneColumnMax) {
      if (i == rows + 1 || i == 2 * rows + 1) y = 70;
      x = i <= rows ? 100 : (i <= 2 * rows ? 450 : 800);
    }
    p->strValue = i < m_strBits.GetLength() ? CString(m_strBits[i]) : CString();
    p->pValueWnd = nullptr;
    p->pLabelWnd = nullptr;
    if (p->nCtrlType == CTRL_CHECK_BOX || p->nCtrlType == CTRL_ALERT_ID) {
      const CRect rc(x, y, x + width, y + kItemHeight);
      p->pValueWnd = MakeCheckBox(brelvano::PageTranslate(pMain, p->strName), rc,
                                  static_cast<UINT>(kFirstCheckId + 2 * i), _wtoi(p->strValue) != 0);
      ShowScrollBarFor(rc.bottom);
    }
    y += kItemHeight + 1;
  }
}

void CReportDialog::OnOk() {
  if (m_pParamList != nullptr) {
    // Bit i of the value is parameter i of the list: a check box gives its state, a parameter
    // without one keeps the bit it was read with.
    CString bits;
    int i = 0;
    for (POSITION pos = m_pParamList->GetHeadPosition(); pos != nullptr; ++i) {
      const auto* p = static_cast<const PARAM_INFO*>(m_pParamList->GetNext(pos));
      const auto* pBox = p != nullptr && IsCheckType(p->nCtrlType) ? dynamic_cast<CButton*>(p->pValueWnd) : nullptr;
      if (pBox != nullptr && pBox->GetSafeHwnd() != nullptr)
        bits += pBox->GetCheck() == BST_CHECKED ? L'1' : L'0';
      else
        bits += i < m_strBits.GetLength() ? m_strBits[i] : L'0';
    }
    const int bytes = m_pRequest != nullptr && m_pRequest->pParam != nullptr ? m_pRequest->pParam->nMax / 2 : 0;
    if (CWnd* pBox = ValueBox()) pBox->SetWindowText(PackBits(bits, bytes));
  }
  OnClose();
}

void CReportDialog::OnSize(UINT nType, int cx, int cy) {
  CDialogEx::OnSize(nType, cx, cy);
  if (cx == 0 || cy == 0) return;
  if (m_nScrollPos != 0) ScrollWindow(0, m_nScrollPos);
  m_nScrollMax = 2 * cy + 100;
  m_nScrollPage = cy;
  m_nScrollPos = 0;
  SCROLLINFO info{};
  info.cbSize = sizeof(info);
  info.fMask = SIF_ALL;
  info.nMin = 0;
  info.nMax = m_nScrollMax - 1;
  info.nPage = static_cast<UINT>(m_nScrollPage);
  info.nPos = 0;
  SetScrollInfo(SB_VERT, &info);
}

void CReportDialog::OnVScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar) {
  (void)pScrollBar;
  int pos = m_nScrollPos;
  switch (nSBCode) {
    case SB_LINEUP: pos -= kLineStep; break;
    case SB_LINEDOWN: pos += kLineStep; break;
    case SB_PAGEUP: pos -= m_nScrollPage; break;
    case SB_PAGEDOWN: pos += m_nScrollPage; break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: pos = static_cast<int>(nPos); break;
    default: return;
  }
  pos = std::max(0, std::min(pos, m_nScrollMax - m_nScrollPage));
  if (pos == m_nScrollPos) return;
  ScrollWindow(0, m_nScrollPos - pos);
  m_nScrollPos = pos;
  SetScrollPos(SB_VERT, pos);
}

int ReverseBitsAndBytes(const unsigned char* pIn, unsigned char* pOut, int nCount) {
  if (pIn == nullptr || pOut == nullptr || nCount < 0) {
    TRACE(L"ReverseBitsAndBytes: %d bytes refused\n", nCount);
    return 0;
  }
  // The input is copied first, so that the same buffer may be given for both.
  const std::vector<unsigned char> source(pIn, pIn + nCount);
  for (int j = 0; j < nCount; ++j) {
    unsigned char in = source[static_cast<size_t>(j)];
    unsigned char out = 0;
    for (int b = 0; b < 8; ++b) {
      out = static_cast<unsigned char>((out << 1) | (in & 1));
      in = static_cast<unsigned char>(in >> 1);
    }
    pOut[nCount - 1 - j] = out;
  }
  return nCount;
}
