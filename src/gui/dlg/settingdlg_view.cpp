// CSettingDialog: vertical scrolling by moving the child windows, painting of the background,
// the tooltip control, and the two views without parameters: the status lines of the Diagnosis
// tab and the profile row of the Profile tab.
#include "gui/dlg/settingdlg.h"

#include "platform/trace.h"

namespace {
// GPS state texts by code (0..3) and network state texts by code (0..9).
const UINT kGpsTexts[] = {1039, 1040, 1041, 1066};
const UINT kNetworkTexts[] = {1042, 1043, 1044, 1045, 1046, 1047, 1048, 1059, 1060, 1061};
// Tooltip timing: a tip stays 10 s and appears almost at once.
constexpr int kTipShowMs = 10000;
constexpr int kTipDelayMs = 10;
// The device model that shows only the first detail line.
constexpr const wchar_t kSingleDetailModel[] = L"VR065UR";

CSize SizeOf(const CWnd* pWnd) {
  CRect rc;
  pWnd->GetWindowRect(&rc);
  return CSize(rc.Width(), rc.Height());
}

void MoveKeepingSize(CWnd* pWnd, int x, int y) {
  if (pWnd == nullptr) return;
  const CSize size = SizeOf(pWnd);
  pWnd->MoveWindow(x, y, size.cx, size.cy);
}
}  // namespace

// ---- Scrolling -------------------------------------------------------------------------------

void CSettingDialog::ScrollToTop() {
  if (GetSafeHwnd() == nullptr) return;
  if (m_nScrollPos != 0) ScrollWindow(0, m_nScrollPos);
  m_nScrollPos = 0;
  SetScrollPos(SB_VERT, 0, TRUE);
}

void CSettingDialog::OnSize(UINT nType, int cx, int cy) {
  (void)nType;
  Default();
  if (GetSafeHwnd() == nullptr || cx == 0 || cy == 0) return;
  // A new size starts at the top; the controls come back to their unscrolled places with it.
  if (m_nScrollPos != 0) ScrollWindow(0, m_nScrollPos);
  CRect client;
  GetClientRect(&client);
  m_nScrollRange = 3 * client.Height() + 100;
  SCROLLINFO si{};
  si.cbSize = sizeof(si);
  si.fMask = SIF_ALL;
  si.nMin = 0;
  if (cy < m_nScrollRange) {
    si.nMax = m_nScrollRange - 1;
    m_nScrollPage = cy;
  } else {
    si.nMax = 0;
    m_nScrollPage = 0;
  }
  m_nScrollPos = 0;
  si.nPage = static_cast<UINT>(m_nScrollPage);
  si.nPos = 0;
  SetScrollInfo(SB_VERT, &si, TRUE);
  // As a window's own scroll bar does, the bar shows itself when there is something to scroll.
  ShowScrollBar(SB_VERT, si.nMax > 0 ? TRUE : FALSE);
}

void CSettingDialog::OnVScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar) {
  (void)pScrollBar;
  int step = 0;
  switch (nSBCode) {
    case SB_LINEUP: step = -kSettingScrollLine; break;
    case SB_LINEDOWN: step = kSettingScrollLine; break;
    case SB_PAGEUP: step = -m_nScrollPage; break;
    case SB_PAGEDOWN: step = m_nScrollPage; break;
    case SB_THUMBTRACK:
      // The message carries the thumb position in 16 bits.
      step = static_cast<int>(nPos & 0xFFFFu) - m_nScrollPos;
      break;
    default:
      return;
  }
  if (m_nScrollPos + step < 0) {
    step = -m_nScrollPos;
  } else if (m_nScrollPos + step > m_nScrollRange - m_nScrollPage) {
    step = m_nScrollRange - m_nScrollPage - m_nScrollPos;
  }
  if (step == 0) return;
  m_nScrollPos += step;
  SetScrollPos(SB_VERT, m_nScrollPos, TRUE);
  ScrollWindow(0, -step);
}

void CSettingDialog::ShowVScrollBar(BOOL bShow) { ShowScrollBar(SB_VERT, bShow); }

// ---- Painting --------------------------------------------------------------------------------

BOOL CSettingDialog::OnEraseBkgnd(CDC* pDC) {
  if (m_bBkErased) return TRUE;
  Default();
  if (pDC != nullptr) {
    CRect client;
    GetClientRect(&client);
    pDC->FillSolidRect(&client, kSettingBackground);
  }
  m_bBkErased = TRUE;
  return TRUE;
}

void CSettingDialog::OnPaint() {
  CPaintDC dc(this);
  CRect client;
  GetClientRect(&client);
  if (client.Width() <= 0 || client.Height() <= 0) return;
  CDC memDC;
  CBitmap bitmap;
  if (!memDC.CreateCompatibleDC(&dc) || !bitmap.CreateCompatibleBitmap(&dc, client.Width(), client.Height())) {
    dc.FillSolidRect(&client, kSettingBackground);
    return;
  }
  CBitmap* pOld = memDC.SelectObject(&bitmap);
  memDC.FillSolidRect(0, 0, client.Width(), client.Height(), kSettingBackground);
  dc.BitBlt(0, 0, client.Width(), client.Height(), &memDC, 0, 0, SRCCOPY);
  memDC.SelectObject(pOld);
}

// ---- Tooltips --------------------------------------------------------------------------------

BOOL CSettingDialog::CreateToolTip() {
  DeleteToolTip();
  m_pToolTip = new CToolTipCtrl();
  if (!m_pToolTip->Create(this, TTS_ALWAYSTIP)) {
    TRACE(L"%s(%d): Unable to create ToolTip\n", CString(__FILE__), __LINE__);
    delete m_pToolTip;
    m_pToolTip = nullptr;
    return FALSE;
  }
  m_pToolTip->SetDelayTime(TTDT_AUTOPOP, kTipShowMs);
  m_pToolTip->SetDelayTime(TTDT_INITIAL, kTipDelayMs);
  return TRUE;
}

void CSettingDialog::AddToolTip(UINT nCtrlId, const CString& text) {
  if (m_pToolTip == nullptr) return;
  CWnd* pCtrl = GetDlgItem(static_cast<int>(nCtrlId));
  if (pCtrl == nullptr) {
    TRACE(L"settings page: no control %u for a tooltip\n", nCtrlId);
    return;
  }
  AddToolTip(pCtrl, text);
}

void CSettingDialog::AddToolTip(CWnd* pCtrl, const CString& text) {
  if (m_pToolTip == nullptr || pCtrl == nullptr) return;
  m_pToolTip->AddTool(pCtrl, text);
  m_pToolTip->SetTipBkColor(RGB(0, 0, 0));
  m_pToolTip->SetTipTextColor(RGB(255, 255, 255));
}

void CSettingDialog::ActivateToolTip(BOOL bActivate) {
  if (m_pToolTip != nullptr) m_pToolTip->Activate(bActivate);
}

void CSettingDialog::DeleteToolTip() {
  if (m_pToolTip == nullptr) return;
  if (m_pToolTip->GetSafeHwnd() != nullptr) m_pToolTip->DestroyWindow();
  delete m_pToolTip;
  m_pToolTip = nullptr;
}

// ---- Status view -----------------------------------------------------------------------------

void CSettingDialog::ShowStatusControls(BOOL bShow) {
  if (GetSafeHwnd() == nullptr) return;
  CWnd* pGps = GetDlgItem(IDC_SETTING_GPS);
  CWnd* pGprs = GetDlgItem(IDC_SETTING_GPRS);
  CWnd* pIButton = GetDlgItem(IDC_SETTING_IBUTTON);
  CWnd* pOdometer = GetDlgItem(IDC_SETTING_ODOMETER);
  CWnd* pRpm = GetDlgItem(IDC_SETTING_RPM);
  if (pGps == nullptr || pGprs == nullptr || pIButton == nullptr || pOdometer == nullptr || pRpm == nullptr) return;
  if (!bShow) {
    for (CWnd* pWnd : {pGps, pGprs, pIButton, pOdometer, pRpm}) pWnd->ShowWindow(SW_HIDE);
    SendToParent(WM_SETTINGS_PAGE_NOTIFY, 0, 0);
    return;
  }
  ShowVScrollBar(FALSE);
  const int h1 = SizeOf(pGps).cy;
  const int h2 = SizeOf(pGprs).cy;
  MoveKeepingSize(pGps, 200, 50);
  MoveKeepingSize(pGprs, 200, h1 + 55);
  pGps->ShowWindow(SW_SHOW);
  pGprs->ShowWindow(SW_SHOW);
  MoveKeepingSize(pIButton, 200, 2 * h2 + 60);
  pIButton->ShowWindow(SW_SHOW);
  const bool singleDetail = m_pDeviceInfo != nullptr && m_pDeviceInfo->strModel.Left(7) == kSingleDetailModel;
  if (singleDetail) {
    pOdometer->ShowWindow(SW_HIDE);
    pRpm->ShowWindow(SW_HIDE);
  } else {
    MoveKeepingSize(pOdometer, 200, 3 * (h2 + 5) + 50);
    MoveKeepingSize(pRpm, 200, 4 * h2 + 70);
    pOdometer->ShowWindow(SW_SHOW);
    pRpm->ShowWindow(SW_SHOW);
  }
}

void CSettingDialog::ShowDiagnosis(const DIAG_INFO* pDiag) {
  SetPageMode(PAGE_MODE_STATUS);
  // Without a reading the view shows what it shows before the first one: the two prefixes.
  const DIAG_INFO none;
  if (pDiag == nullptr) pDiag = &none;
  CString gps = L"GPS: ";
  if (pDiag->nGpsState >= 0 && pDiag->nGpsState < static_cast<int>(sizeof(kGpsTexts) / sizeof(kGpsTexts[0]))) {
    gps += m_language.LoadString(kGpsTexts[pDiag->nGpsState]);
  }
  CString network = L"GPRS: ";
  if (pDiag->nNetworkState >= 0 &&
      pDiag->nNetworkState < static_cast<int>(sizeof(kNetworkTexts) / sizeof(kNetworkTexts[0]))) {
    network += m_language.LoadString(kNetworkTexts[pDiag->nNetworkState]);
  }
  m_stGps.SetWindowText(gps);
  m_stGprs.SetWindowText(network);
  if (pDiag->bHasExtra != 0) {
    m_stIButton.SetWindowText(L"I-Button ID: " + pDiag->strIButtonId);
    m_stOdometer.SetWindowText(L"Odo Pulse: " + pDiag->strOdoPulse + L"   Dist: " + pDiag->strDistance);
    m_stRpm.SetWindowText(L"RPM Pulse: " + pDiag->strRpmPulse + L"   RPM: " + pDiag->strRpm);
    if (pDiag->bShowIButton == 0) m_stIButton.ShowWindow(SW_HIDE);
    if (pDiag->bShowOdo == 0) m_stOdometer.ShowWindow(SW_HIDE);
    if (pDiag->bShowRpm == 0) m_stRpm.ShowWindow(SW_HIDE);
  } else {
    m_stIButton.ShowWindow(SW_HIDE);
    m_stOdometer.ShowWindow(SW_HIDE);
    m_stRpm.ShowWindow(SW_HIDE);
  }
}

// ---- Profile view ----------------------------------------------------------------------------

void CSettingDialog::ShowProfileControls(BOOL bShow) {
  if (GetSafeHwnd() == nullptr) return;
  CWnd* pPath = GetDlgItem(IDC_SETTING_PROFILE_PATH);
  CWnd* pLoad = GetDlgItem(IDC_SETTING_LOAD_PROFILE);
  CWnd* pSave = GetDlgItem(IDC_SETTING_SAVE_PROFILE);
  CWnd* pChange = GetDlgItem(IDC_SETTING_CHANGE_PROFILE);
  if (pPath == nullptr || pLoad == nullptr || pSave == nullptr || pChange == nullptr) return;
  if (bShow) {
    ShowVScrollBar(FALSE);
    SendToParent(WM_SETTINGS_PAGE_NOTIFY, 2, 0);
    const CSize load = SizeOf(pLoad);
    const int w21 = SizeOf(pChange).cx;
    MoveKeepingSize(pLoad, 200, 50);
    MoveKeepingSize(pPath, load.cx + 205, 50);
    MoveKeepingSize(pChange, 200, load.cy + 55);
    MoveKeepingSize(pSave, w21 + 205, load.cy + 55);
    for (CWnd* pWnd : {pLoad, pPath, pChange, pSave}) pWnd->ShowWindow(SW_SHOW);
  } else {
    for (CWnd* pWnd : {pLoad, pSave, pChange, pPath}) pWnd->ShowWindow(SW_HIDE);
  }
  m_strProfilePath.Empty();
  pPath->SetWindowText(m_strProfilePath);
}
