// CProgressWnd: creation and layout of the popup and its controls, the bar and the title's
// percentage, modal mode towards the owner chain, the message pump with its cancel checks, and the
// remembered position.
#include "reference/control/progresswnd/progresswnd.h"

#include "platform/pumpwatch.h"
#include "platform/winapp.h"

namespace {
constexpr int kMargin = 10;
constexpr int kDefaultWidth = 390;
constexpr int kDefaultHeight = 130;
constexpr const wchar_t kProfileSection[] = L"Settings";
constexpr const wchar_t kProfileX[] = L"X";
constexpr const wchar_t kProfileY[] = L"Y";
constexpr wchar_t kEscape = 27;
}  // namespace

BEGIN_MESSAGE_MAP(CProgressWnd, CWnd)
  ON_WM_ERASEBKGND()
  ON_BN_CLICKED(CProgressWnd::IDC_PROGRESS_CANCEL, &CProgressWnd::OnCancel)
END_MESSAGE_MAP()

CProgressWnd::CProgressWnd() = default;

CProgressWnd::CProgressWnd(CWnd* pParent, const wchar_t* pszTitle, BOOL bSmooth) {
  m_strTitle = pszTitle != nullptr ? CString(pszTitle) : CString();
  Create(pParent, pszTitle, bSmooth);
}

CProgressWnd::~CProgressWnd() { DestroyWindow(); }

BOOL CProgressWnd::Create(CWnd* pParent, const wchar_t* pszTitle, BOOL bSmooth) {
  if (m_hWnd != nullptr) return FALSE;
  // A class of its own shows the busy cursor over the window.
  const wchar_t* className = AfxRegisterWndClass(CS_OWNDC | CS_HREDRAW | CS_VREDRAW,
                                                 LoadCursor(nullptr, IDC_APPSTARTING), GetSysColorBrush(COLOR_3DFACE));
  // The system's message font stands in the text line and on the button.
  if (m_fontMessage.GetSafeHandle() == nullptr) {
    NONCLIENTMETRICS metrics{};
    metrics.cbSize = sizeof(metrics);
    LOGFONT lf{};
    if (SystemParametersInfo(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) {
      m_fontMessage.CreateFontIndirect(&metrics.lfMessageFont);
    } else if (GetObject(GetStockObject(DEFAULT_GUI_FONT), sizeof(lf), &lf) != 0) {
      m_fontMessage.CreateFontIndirect(&lf);
    }
  }
  if (pParent == nullptr) pParent = AfxGetMainWnd();

  // A top-level window of its own, owned by the parent: it stays usable while the owner is
  // disabled.
  const CRect rect(0, 0, kDefaultWidth, kDefaultHeight);
  if (!CreateEx(WS_EX_DLGMODALFRAME | WS_EX_TOPMOST, className, pszTitle, WS_POPUP | WS_CAPTION, rect, nullptr, 0)) {
    return FALSE;
  }
  SetOwner(pParent);
  // Above every other window, as its extended style asks.
  SetWindowPos(wndTopMost, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);

  const CRect provisional(0, 0, 10, 10);
  const BOOL made =
      m_wndText.Create(CString(), WS_CHILD | WS_VISIBLE | SS_NOPREFIX | SS_LEFTNOWORDWRAP, provisional, this,
                       IDC_PROGRESS_TEXT) &&
      m_wndBar.Create(WS_CHILD | WS_VISIBLE | (bSmooth ? PBS_SMOOTH : 0u), provisional, this, IDC_PROGRESS_BAR) &&
      m_wndCancel.Create(m_strCancelText, WS_CHILD | WS_VISIBLE | WS_TABSTOP, provisional, this,
                         IDC_PROGRESS_CANCEL);
  if (!made) {
    CWnd::DestroyWindow();
    return FALSE;
  }
  if (m_fontMessage.GetSafeHandle() != nullptr) {
    m_wndCancel.SetFont(&m_fontMessage, TRUE);
    m_wndText.SetFont(&m_fontMessage, TRUE);
  }
  LayoutControls(m_nTextLines, kDefaultWidth);

  m_bRestored = FALSE;
  if (m_bSavePosition) {
    RestorePosition();
  } else {
    CenterWindow();
  }
  ShowProgress();
  if (m_bRestored) {
    // The saved place is the window rectangle's: a frame the shown window got is made up for, so
    // the window does not creep from one showing to the next.
    CRect placed;
    GetWindowRect(&placed);
    const CPoint& want = m_restoredPlace;
    if (placed.left != want.x || placed.top != want.y) {
      SetWindowPos(nullptr, 2 * want.x - placed.left, 2 * want.y - placed.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    }
  }
  return TRUE;
}

void CProgressWnd::LayoutControls(int nLines, int nWidth) {
  if (m_hWnd == nullptr) return;
  const int edgeX = GetSystemMetrics(SM_CXEDGE);
  const int edgeY = GetSystemMetrics(SM_CYEDGE);

  CRect text(kMargin, kMargin, kMargin + nWidth, kMargin);
  CSize buttonSize;
  if (CDC* pDC = GetDC()) {
    CFont* pOld = m_fontMessage.GetSafeHandle() != nullptr ? pDC->SelectObject(&m_fontMessage) : nullptr;
    CString sample = L"M";
    for (int i = 1; i < nLines; ++i) sample += L"\nM";
    CRect measured(0, 0, nWidth, 0);
    pDC->DrawText(sample, &measured, DT_CALCRECT | DT_NOPREFIX | DT_NOCLIP);
    text.bottom = text.top + measured.Height();
    buttonSize = pDC->GetTextExtent(m_strCancelText + L"  ");
    if (pOld != nullptr) pDC->SelectObject(pOld);
    ReleaseDC(pDC);
  }
  buttonSize.cx += 4 * edgeX;
  buttonSize.cy += 3 * edgeY;

  CRect button(text.right - buttonSize.cx, text.bottom + kMargin, text.right, text.bottom + kMargin + buttonSize.cy);
  CRect bar(text.left, button.top + edgeY, button.left - kMargin, button.bottom - edgeY);

  // The client area fits the three; the frame keeps its own size around it.
  CRect window;
  CRect client;
  GetWindowRect(&window);
  GetClientRect(&client);
  const int frameX = window.Width() - client.Width();
  const int frameY = window.Height() - client.Height();
  const int clientW = text.Width() + 2 * kMargin;
  const int clientH = text.Height() + button.Height() + 3 * kMargin;
  SetWindowPos(nullptr, 0, 0, clientW + frameX, clientH + frameY, SWP_NOMOVE | SWP_NOZORDER);

  m_wndBar.MoveWindow(&bar);
  m_wndCancel.MoveWindow(&button);
  m_wndText.MoveWindow(&text);
}

BOOL CProgressWnd::BeginModal(const wchar_t* pszTitle, BOOL bSmooth) {
  if (m_hWnd == nullptr && !Create(AfxGetMainWnd(), pszTitle, bSmooth)) return FALSE;
  // The topmost enabled window of the owner chain takes no input while the work runs.
  CWnd* pOwner = this;
  for (CWnd* pNext = pOwner->GetParent(); pNext != nullptr && pNext->IsWindowEnabled(); pNext = pNext->GetParent()) {
    pOwner = pNext;
  }
  if (pOwner != this) {
    m_pDisabledOwner = pOwner;
    m_hDisabledOwner = pOwner->GetSafeHwnd();
    pOwner->EnableWindow(FALSE);
  }
  EnableWindow(TRUE);
  m_bModal = TRUE;
  return TRUE;
}

// ---- Range, position, text ---------------------------------------------------------------------

int CProgressWnd::PercentOf(int nPos, int nLower, int nUpper) {
  if (nLower >= nUpper) return 0;
  const double span = static_cast<double>(nUpper) - static_cast<double>(nLower);
  return static_cast<int>((static_cast<double>(nPos) - static_cast<double>(nLower)) * 100.0 / span + 0.5);
}

void CProgressWnd::SetProgressRange(int nLower, int nUpper, int nStep) {
  if (m_hWnd == nullptr) return;
  m_wndBar.SendMessage(PBM_SETRANGE32, static_cast<WPARAM>(nLower), static_cast<LPARAM>(nUpper));
  m_nUpper = nUpper;
  m_nLower = nLower;
  m_nStep = nStep;
  m_wndBar.SetStep(nStep);
}

int CProgressWnd::SetProgressPos(int nPos) {
  if (m_hWnd == nullptr) return m_nPos;
  ShowProgress();
  m_nPos = nPos;
  const int percent = PercentOf(nPos, m_nLower, m_nUpper);
  if (percent != m_nShownPercent) {
    m_nShownPercent = percent;
    CString title;
    title.Format(L"%s [%d%%]", m_strTitle, percent);
    SetWindowText(title);
  }
  return m_wndBar.SetPos(nPos);
}

int CProgressWnd::OffsetProgressPos(int nOffset) {
  if (m_hWnd == nullptr) return m_nPos;
  return SetProgressPos(m_nPos + nOffset);
}

int CProgressWnd::StepProgress() {
  if (m_hWnd == nullptr) return m_nPos;
  return SetProgressPos(m_nPos + m_nStep);
}

int CProgressWnd::SetProgressStep(int nStep) {
  const int previous = m_nStep;
  m_nStep = nStep;
  if (m_hWnd == nullptr) return previous;
  return m_wndBar.SetStep(nStep);
}

void CProgressWnd::SetMessageLine(const CString& text) {
  if (m_hWnd == nullptr) return;
  m_wndText.SetWindowText(text.GetLength() > kMaxMessageChars ? text.Left(kMaxMessageChars) : text);
}

void CProgressWnd::ResetProgress() {
  if (m_hWnd != nullptr) {
    m_wndText.SetWindowText(CString());
    m_wndBar.SetPos(0);
  }
  m_bCancelled = FALSE;
  m_nPos = 0;
  if (m_hWnd != nullptr) RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

void CProgressWnd::ShowProgress() {
  if (m_hWnd == nullptr || IsWindowVisible()) return;
  ModifyStyle(0, WS_VISIBLE);
  ShowWindow(SW_SHOWNA);
  RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_FRAME);
}

void CProgressWnd::HideProgress() {
  if (m_hWnd == nullptr || !IsWindowVisible()) return;
  ShowWindow(SW_HIDE);
  ModifyStyle(WS_VISIBLE, 0);
}

// ---- Messages and cancel -----------------------------------------------------------------------

void CProgressWnd::PumpMessages(BOOL bCancelOnEscape) {
  if (m_bCancelled) return;
  bool cancel = false;
  platform::PumpPendingEventsWatching([&](const MSG& msg) {
    if (cancel || m_bCancelled) return;
    if (bCancelOnEscape && msg.message == WM_CHAR && msg.wParam == static_cast<WPARAM>(kEscape)) {
      cancel = true;
    } else if (m_bModal && msg.message == WM_LBUTTONUP && m_wndCancel.GetSafeHwnd() != nullptr) {
      // The owner takes no input while modal: a release over Cancel is caught here as well.
      CRect button;
      m_wndCancel.GetWindowRect(&button);
      if (button.PtInRect(msg.pt)) cancel = true;
    }
  });
  if (cancel && !m_bCancelled) OnCancel();
}

void CProgressWnd::OnCancel() {
  if (m_bSavePosition) SavePosition();
  m_bCancelled = TRUE;
  HideProgress();
  if (m_bModal && m_hWnd != nullptr) PostMessage(WM_CLOSE);
  if (CWnd* pMain = AfxGetMainWnd()) {
    if (pMain->GetSafeHwnd() != nullptr) pMain->BringWindowToTop();
  }
}

BOOL CProgressWnd::OnEraseBkgnd(CDC* pDC) {
  if (pDC == nullptr) return TRUE;
  CBrush brush(GetSysColor(COLOR_BTNFACE));
  CBrush* pOld = pDC->SelectObject(&brush);
  CRect clip;
  pDC->GetClipBox(&clip);
  pDC->PatBlt(clip.left, clip.top, clip.Width(), clip.Height(), PATCOPY);
  pDC->SelectObject(pOld);
  return TRUE;
}

BOOL CProgressWnd::DestroyWindow() {
  if (m_hWnd != nullptr && m_bSavePosition) SavePosition();
  if (m_bModal) {
    m_bModal = FALSE;
    // The owner may have gone meanwhile.
    if (m_pDisabledOwner != nullptr && m_hDisabledOwner != nullptr &&
        CWnd::FromHandle(m_hDisabledOwner) == m_pDisabledOwner) {
      m_pDisabledOwner->EnableWindow(TRUE);
    }
    m_pDisabledOwner = nullptr;
    m_hDisabledOwner = nullptr;
  }
  if (m_hWnd == nullptr) return FALSE;
  return CWnd::DestroyWindow();
}

// ---- Position ----------------------------------------------------------------------------------

void CProgressWnd::SavePosition() {
  CWinApp* pApp = AfxGetApp();
  if (pApp == nullptr || m_hWnd == nullptr) return;
  CRect rect;
  GetWindowRect(&rect);
  pApp->WriteProfileInt(kProfileSection, kProfileX, rect.left);
  pApp->WriteProfileInt(kProfileSection, kProfileY, rect.top);
}

void CProgressWnd::RestorePosition() {
  CWinApp* pApp = AfxGetApp();
  const int x = pApp != nullptr ? static_cast<int>(pApp->GetProfileInt(kProfileSection, kProfileX, -1)) : -1;
  const int y = pApp != nullptr ? static_cast<int>(pApp->GetProfileInt(kProfileSection, kProfileY, -1)) : -1;
  // A place off the primary screen (another monitor, or none saved) centres the window.
  if (x < 0 || x >= GetSystemMetrics(SM_CXSCREEN) || y < 0 || y >= GetSystemMetrics(SM_CYSCREEN)) {
    CenterWindow();
  } else {
    SetWindowPos(nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    m_restoredPlace = CPoint(x, y);
    m_bRestored = TRUE;
  }
}
