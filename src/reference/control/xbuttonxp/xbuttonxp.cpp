#include "reference/control/xbuttonxp/xbuttonxp.h"

#include <vector>

#include "platform/resources.h"
#include "reference/control/xbuttonxp/xthemehelper.h"

BEGIN_MESSAGE_MAP(CXButtonXP, COddButton)
  ON_WM_ERASEBKGND()
  ON_WM_MOUSEMOVE()
  ON_WM_MOUSELEAVE()
  ON_WM_GETDLGCODE()
END_MESSAGE_MAP()

CXButtonXP::CXButtonXP() = default;

CXButtonXP::~CXButtonXP() {
  if (m_hTheme) g_ThemeHelper.CloseThemeData(m_hTheme);
  m_hTheme = nullptr;
  if (m_hIcon) DestroyIcon(m_hIcon);
  if (m_hGrayIcon) DestroyIcon(m_hGrayIcon);
  if (m_pbmpOldBk && m_dcBk.GetSafeHdc()) m_dcBk.SelectObject(m_pbmpOldBk);
}

CXButtonXP& CXButtonXP::SetButtonIcon(HICON icon, int alignment) {
  if (m_hIcon) DestroyIcon(m_hIcon);
  if (m_hGrayIcon) DestroyIcon(m_hGrayIcon);
  m_hIcon = icon;
  m_hGrayIcon = CreateGrayscaleIcon(icon);
  m_nIconAlign = alignment;
  if (::IsWindow(GetSafeHwnd())) RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  return *this;
}

CXButtonXP& CXButtonXP::SetButtonIcon(UINT iconId, int alignment) {
  return SetButtonIcon(platform::LoadIconResource(iconId, 0, 0), alignment);
}

BOOL CXButtonXP::UsesTheme() {
  return m_hTheme != nullptr && m_bEnableTheming && g_ThemeHelper.IsAppThemed();
}

BOOL CXButtonXP::OnEraseBkgnd(CDC* /*pDC*/) { return TRUE; }

UINT CXButtonXP::OnGetDlgCode() {
  const MSG* msg = reinterpret_cast<const MSG*>(GetCurrentMessage()->lParam);
  const bool tab = msg != nullptr && msg->message == WM_KEYDOWN && msg->wParam == VK_TAB;
  UINT code = COddButton::OnGetDlgCode();
  code &= ~static_cast<UINT>(DLGC_WANTALLKEYS);
  if (!tab && m_nType != BS_GROUPBOX) code |= DLGC_WANTALLKEYS;
  return code;
}

LRESULT CXButtonXP::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_KEYDOWN:
      if (wParam == VK_SPACE || wParam == VK_RETURN) {
        if (lParam & (1L << 30)) return 0;  // held down: one click only
        SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, 1));
        SendMessage(BM_SETSTATE, TRUE, 0);
        m_bKeyPressed = TRUE;
        return 0;
      }
      break;
    case WM_KEYUP:
      if (wParam == VK_SPACE || wParam == VK_RETURN) {
        SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(1, 1));
        if (m_bKeyPressed) {
          // The layer's buttons click on their own mouse input only: the key's click is sent here.
          m_bKeyPressed = FALSE;
          SendMessage(BM_SETSTATE, FALSE, 0);
          if (CWnd* parent = GetParent())
            parent->SendMessage(WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(), BN_CLICKED),
                                reinterpret_cast<LPARAM>(GetSafeHwnd()));
        }
        return 0;
      }
      break;
    case WM_LBUTTONDOWN:
      m_bLButtonDown = TRUE;
      if (m_bToggleMode) {
        m_bToggled = !m_bToggled;
        Invalidate(FALSE);
      }
      break;
    case WM_LBUTTONDBLCLK:
      if (m_bToggleMode) {
        SendMessage(BM_SETSTATE, m_bToggled, 0);
      } else {
        SendMessage(BM_SETSTATE, TRUE, 0);
        m_bDblClkPressed = TRUE;
      }
      return 0;
    case WM_LBUTTONUP: {
      m_bLButtonDown = FALSE;
      if (m_bDblClkPressed) {
        SendMessage(BM_SETSTATE, FALSE, 0);
        m_bDblClkPressed = FALSE;
        if (CWnd* parent = GetParent())
          parent->SendMessage(WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(), BN_CLICKED),
                              reinterpret_cast<LPARAM>(GetSafeHwnd()));
      } else if (m_bToggleMode) {
        CRect client;
        GetClientRect(&client);
        const CPoint point(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
        if (!client.PtInRect(point)) {
          m_bToggled = !m_bToggled;
          Invalidate(FALSE);
        }
      }
      break;
    }
    case WM_THEMECHANGED:
      if (UsesTheme()) {
        g_ThemeHelper.CloseThemeData(m_hTheme);
        m_hTheme = nullptr;
        m_bFirstTime = TRUE;
      }
      break;
    default:
      break;
  }
  return COddButton::DefWindowProc(message, wParam, lParam);
}

void CXButtonXP::OnMouseMove(UINT /*nFlags*/, CPoint point) {
  Default();
  CRect client;
  GetClientRect(&client);
  const BOOL over = client.PtInRect(point);
  if (over != m_bMouseOver) {
    m_bMouseOver = over;
    Invalidate(FALSE);
    if (over) {
      TRACKMOUSEEVENT tme{};
      tme.cbSize = sizeof tme;
      tme.dwFlags = TME_LEAVE;
      tme.hwndTrack = GetSafeHwnd();
      ::TrackMouseEvent(&tme);
    }
  }
}

void CXButtonXP::OnMouseLeave() {
  Default();
  m_bMouseOver = FALSE;
  RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

void CXButtonXP::CaptureParentBackground() {
  CWnd* parent = GetParent();
  if (parent == nullptr) return;
  GetWindowRect(&m_rectBk);
  parent->ScreenToClient(&m_rectBk);
  CClientDC parentDc(parent);
  if (m_pbmpOldBk && m_dcBk.GetSafeHdc()) m_dcBk.SelectObject(m_pbmpOldBk);
  m_dcBk.DeleteDC();
  m_bmpBk.DeleteObject();
  m_dcBk.CreateCompatibleDC(&parentDc);
  m_bmpBk.CreateCompatibleBitmap(&parentDc, m_rectBk.Width(), m_rectBk.Height());
  m_pbmpOldBk = m_dcBk.SelectObject(&m_bmpBk);
  // The parent's own painting under the button (a window context draws without its children).
  m_dcBk.BitBlt(0, 0, m_rectBk.Width(), m_rectBk.Height(), &parentDc, m_rectBk.left, m_rectBk.top, SRCCOPY);
}

void CXButtonXP::DrawItem(LPDRAWITEMSTRUCT lpDIS) {
  if (lpDIS == nullptr) return;
  CDC* pScreen = CDC::FromHandle(lpDIS->hDC);
  if (pScreen == nullptr) return;
  CRect rectItem(lpDIS->rcItem);
  const int width = rectItem.Width(), height = rectItem.Height();

  // Everything is drawn in memory and copied to the screen at the end.
  CDC memDc;
  memDc.CreateCompatibleDC(pScreen);
  CBitmap bitmap;
  bitmap.CreateCompatibleBitmap(pScreen, width, height);
  CBitmap* oldBitmap = memDc.SelectObject(&bitmap);
  memDc.BitBlt(0, 0, width, height, pScreen, rectItem.left, rectItem.top, SRCCOPY);
  CDC* pDC = &memDc;
  CRect rect(0, 0, width, height);

  if (m_bFirstTime) {
    m_bFirstTime = FALSE;
    if (g_ThemeHelper.IsThemeLibAvailable()) {
      if (m_hTheme) g_ThemeHelper.CloseThemeData(m_hTheme);
      m_hTheme = g_ThemeHelper.OpenThemeData(GetSafeHwnd(), m_bToolbarLook ? L"Toolbar" : L"Button");
    }
    CaptureParentBackground();
  }

  CFont* oldFont = nullptr;
  if (CWnd* parent = GetParent()) {
    if (CFont* font = parent->GetFont()) oldFont = pDC->SelectObject(font);
  }
  CString text;
  GetWindowText(text);
  const BOOL hasText = !text.IsEmpty();
  BOOL focused = (lpDIS->itemState & ODS_FOCUS) != 0;
  const BOOL disabled = (lpDIS->itemState & ODS_DISABLED) != 0;
  const BOOL drawFocus = (lpDIS->itemState & ODS_NOFOCUSRECT) == 0;
  BOOL pressed = (lpDIS->itemState & ODS_SELECTED) != 0;
  BOOL isDefault = IsDefaultState();
  BOOL themed = UsesTheme();
  const bool customColours = m_crBackground != static_cast<COLORREF>(-1) || m_crText != static_cast<COLORREF>(-1);
  if (customColours) themed = FALSE;
  if (m_bToggleMode) {
    pressed = m_bToggled;
    if (m_bLButtonDown) {
      POINT cursor{0, 0};
      GetCursorPos(&cursor);
      CRect window;
      GetWindowRect(&window);
      if (!window.PtInRect(cursor)) pressed = !m_bToggled;
    }
  }

  if (m_bToolbarLook) {
    if (m_dcBk.GetSafeHdc()) pDC->BitBlt(0, 0, width, height, &m_dcBk, 0, 0, SRCCOPY);
    focused = FALSE;
    isDefault = FALSE;
  }

  if (!themed) {
    CBrush face(m_crBackground == static_cast<COLORREF>(-1) ? GetSysColor(COLOR_BTNFACE) : m_crBackground);
    if (!m_bToolbarLook || customColours) {
      CRect inner = rect;
      inner.DeflateRect(1, 1);
      pDC->FillRect(&inner, &face);
    }
    if ((focused || isDefault) && !(m_bToggleMode && pressed)) {
      CBrush black(RGB(0, 0, 0));
      pDC->FrameRect(&rect, &black);
      rect.DeflateRect(1, 1);
    }
    if (pressed) {
      pDC->DrawEdge(&rect, EDGE_SUNKEN, BF_RECT);
    } else if (!m_bToolbarLook) {
      pDC->DrawEdge(&rect, EDGE_RAISED, BF_RECT);
    }
  } else {
    int state = PBS_NORMAL;
    if (pressed) state = PBS_PRESSED;
    else if (disabled) state = PBS_DISABLED;
    else if (m_bMouseOver) state = PBS_HOT;
    else if (focused || isDefault) state = PBS_DEFAULTED;
    g_ThemeHelper.DrawThemeParentBackground(GetSafeHwnd(), pDC->GetSafeHdc(), &rect);
    g_ThemeHelper.DrawThemeBackground(m_hTheme, pDC->GetSafeHdc(), BP_PUSHBUTTON, state, &rect, nullptr);
  }

  CRect rectText = CRect(0, 0, width, height);
  if (m_hIcon) DrawIcon(pDC, rectText, hasText, pressed, disabled, themed, CRect(0, 0, width, height));

  if (hasText) {
    UINT format = DT_VCENTER;
    if (m_hIcon == nullptr) format |= DT_CENTER;
    format |= (GetStyle() & BS_MULTILINE) ? DT_WORDBREAK : DT_SINGLELINE;
    CRect measured = rectText;
    pDC->DrawText(text, &measured, format | DT_CALCRECT);
    CRect place = rectText;
    place.top += (rectText.Height() - measured.Height()) / 2;
    place.bottom = place.top + measured.Height();
    if (pressed && !themed) place.OffsetRect(1, 1);
    pDC->SetBkMode(TRANSPARENT);
    if (themed && !m_bToolbarLook) {
      g_ThemeHelper.DrawThemeText(m_hTheme, pDC->GetSafeHdc(), BP_PUSHBUTTON, disabled ? PBS_DISABLED : PBS_NORMAL,
                                  text.GetString(), format, 0, &place);
    } else if (disabled) {
      CRect embossed = place;
      embossed.OffsetRect(1, 1);
      pDC->SetTextColor(GetSysColor(COLOR_BTNHIGHLIGHT));
      pDC->DrawText(text, &embossed, format);
      pDC->SetTextColor(GetSysColor(COLOR_BTNSHADOW));
      pDC->DrawText(text, &place, format);
    } else {
      pDC->SetTextColor(m_crText == static_cast<COLORREF>(-1) ? GetSysColor(COLOR_BTNTEXT) : m_crText);
      pDC->DrawText(text, &place, format);
    }
  }

  if (focused && drawFocus) {
    CRect focus(0, 0, width, height);
    focus.DeflateRect(3, 3);
    pDC->DrawFocusRect(&focus);
  }

  if (oldFont) pDC->SelectObject(oldFont);
  pScreen->BitBlt(rectItem.left, rectItem.top, width, height, pDC, 0, 0, SRCCOPY);
  memDc.SelectObject(oldBitmap);
}

void CXButtonXP::DrawIcon(CDC* pDC, CRect& rectText, BOOL hasText, BOOL pressed, BOOL disabled, BOOL themed,
                          const CRect& rectItem) {
  int cx = 32, cy = 32;
  ICONINFO info{};
  if (GetIconInfo(m_hIcon, &info)) {
    BITMAP bm{};
    if (info.hbmColor && CBitmap::FromHandle(info.hbmColor)->GetBitmap(&bm)) {
      cx = bm.bmWidth;
      cy = bm.bmHeight;
    }
    if (info.hbmColor) DeleteObject(info.hbmColor);
    if (info.hbmMask) DeleteObject(info.hbmMask);
  }
  CPoint at;
  if (hasText) {
    if (m_nIconAlign == 2) {
      at.x = rectItem.right - cx / 2 - cx;
      rectText.right = at.x;
    } else {
      at.x = rectItem.left + cx / 2;
      rectText.left = rectItem.left + 2 * cx;
    }
  } else {
    at.x = rectItem.left + (rectItem.Width() - cx) / 2;
  }
  at.y = rectItem.top + (rectItem.Height() - cy) / 2;
  if (pressed && !themed) at.Offset(1, 1);
  if (disabled) {
    if (m_hGrayIcon) pDC->DrawIcon(at, m_hGrayIcon);
    else pDC->DrawState(at, CSize(cx, cy), m_hIcon, DST_ICON | DSS_DISABLED, static_cast<CBrush*>(nullptr));
  } else {
    pDC->DrawIcon(at, m_hIcon);
  }
}

HICON CreateGrayscaleIcon(HICON icon) {
  if (icon == nullptr) return nullptr;
  static BYTE table[256];
  static bool tableBuilt = false;
  if (!tableBuilt) {
    for (int i = 0; i < 256; ++i) table[i] = static_cast<BYTE>(255 - i);
    tableBuilt = true;
  }
  ICONINFO info{};
  if (!GetIconInfo(icon, &info)) return nullptr;
  HICON grey = nullptr;
  CBitmap* colour = info.hbmColor ? CBitmap::FromHandle(info.hbmColor) : nullptr;
  BITMAP bm{};
  if (colour && colour->GetBitmap(&bm) && bm.bmWidth > 0 && bm.bmHeight > 0) {
    std::vector<BYTE> bits(static_cast<size_t>(bm.bmWidth) * static_cast<size_t>(bm.bmHeight) * 4);
    const DWORD got = colour->GetBitmapBits(static_cast<DWORD>(bits.size()), bits.data());
    for (size_t i = 0; i + 3 < got; i += 4) {
      BYTE* p = &bits[i];
      int d = 255 - (p[0] + p[1] + p[2]) / 3;
      if (p[3] == 0 && d == 255) continue;  // transparent black stays as it is
      if (d == 0) d = 1;
      p[0] = p[1] = p[2] = table[d];
    }
    colour->SetBitmapBits(got, bits.data());
    grey = CreateIconIndirect(&info);
  }
  if (info.hbmColor) DeleteObject(info.hbmColor);
  if (info.hbmMask) DeleteObject(info.hbmMask);
  return grey;
}
