// The bitmap button: images with transparent colours and their masks, hover tracking, the face
// drawn per state, and the optional menu, link, sounds, tooltip and check behaviour.
#include "reference/control/button/buttonst.h"

#include <algorithm>
#include <cwchar>
#include <vector>

#include "platform/dialog.h"
#include "platform/reslib.h"
#include "platform/resources.h"
#include "platform/shellexec.h"
#include "platform/winapp.h"

namespace {

bool IsSpecialOut(INT_PTR value) { return value == CButtonST::kOutGrey || value == CButtonST::kOutDarker; }

bool IsResourceName(LPCTSTR name) { return reinterpret_cast<uintptr_t>(name) < 0x10000u; }

// The pixels of a bitmap as 32-bit blue-green-red-unused quadruples.
bool ReadPixels(HBITMAP hBitmap, int width, int height, std::vector<BYTE>& bits) {
  if (hBitmap == nullptr || width <= 0 || height <= 0) return false;
  CBitmap copy;
  if (!copy.CreateBitmap(width, height, 1, 32, nullptr)) return false;
  CDC source, target;
  if (!source.CreateCompatibleDC(nullptr) || !target.CreateCompatibleDC(nullptr)) return false;
  CBitmap* oldSource = source.SelectObject(CBitmap::FromHandle(hBitmap));
  CBitmap* oldTarget = target.SelectObject(&copy);
  bool ok = oldSource != nullptr && oldTarget != nullptr;
  if (ok) ok = target.BitBlt(0, 0, width, height, &source, 0, 0, SRCCOPY) != FALSE;
  if (oldSource != nullptr) source.SelectObject(oldSource);
  if (oldTarget != nullptr) target.SelectObject(oldTarget);
  if (!ok) return false;
  const DWORD size = static_cast<DWORD>(width) * static_cast<DWORD>(height) * 4u;
  bits.assign(size, 0);
  return copy.GetBitmapBits(size, bits.data()) == size;
}

// A grey or darker copy of a bitmap (a new bitmap); pixels of the skipped colour stay as they are.
HBITMAP ShadedCopy(HBITMAP hBitmap, int width, int height, bool grey, COLORREF skip, bool skipIsSet) {
  std::vector<BYTE> bits;
  if (!ReadPixels(hBitmap, width, height, bits)) return nullptr;
  for (size_t i = 0; i + 3 < bits.size(); i += 4) {
    BYTE& b = bits[i];
    BYTE& g = bits[i + 1];
    BYTE& r = bits[i + 2];
    if (skipIsSet && RGB(r, g, b) == (skip & 0xFFFFFFu)) continue;
    if (grey) {
      BYTE lum = static_cast<BYTE>(static_cast<int>(0.299 * r + 0.587 * g + 0.114 * b));
      r = g = b = lum;
    } else {
      r = static_cast<BYTE>(static_cast<int>(r - 0.25 * r));
      g = static_cast<BYTE>(static_cast<int>(g - 0.25 * g));
      b = static_cast<BYTE>(static_cast<int>(b - 0.25 * b));
    }
  }
  CBitmap out;
  if (!out.CreateBitmap(width, height, 1, 32, bits.data())) return nullptr;
  return static_cast<HBITMAP>(out.Detach());
}

// The monochrome mask of a bitmap (white where it shows the transparent colour); the bitmap's
// transparent pixels are turned black so that mask and bitmap combine over any background.
HBITMAP MakeMask(HBITMAP hBitmap, int width, int height, COLORREF transparent) {
  CBitmap mask;
  if (hBitmap == nullptr || width <= 0 || height <= 0 || !mask.CreateBitmap(width, height, 1, 1, nullptr)) return nullptr;
  CDC source, maskDC;
  if (!source.CreateCompatibleDC(nullptr) || !maskDC.CreateCompatibleDC(nullptr)) return nullptr;
  CBitmap* oldSource = source.SelectObject(CBitmap::FromHandle(hBitmap));
  CBitmap* oldMask = maskDC.SelectObject(&mask);
  bool ok = oldSource != nullptr && oldMask != nullptr;
  if (ok) {
    source.SetBkColor(transparent);
    ok = maskDC.BitBlt(0, 0, width, height, &source, 0, 0, SRCCOPY) != FALSE;
  }
  if (ok) {
    source.SetTextColor(RGB(255, 255, 255));
    source.SetBkColor(RGB(0, 0, 0));
    ok = source.BitBlt(0, 0, width, height, &maskDC, 0, 0, SRCAND) != FALSE;
  }
  if (oldSource != nullptr) source.SelectObject(oldSource);
  if (oldMask != nullptr) maskDC.SelectObject(oldMask);
  if (!ok) return nullptr;
  return static_cast<HBITMAP>(mask.Detach());
}

HICON ShadedIcon(HICON hIcon, bool grey) {
  ICONINFO info{};
  if (!GetIconInfo(hIcon, &info)) return nullptr;
  BITMAP bm{};
  HICON result = nullptr;
  if (info.hbmColor != nullptr && ::GetObject(info.hbmColor, sizeof(bm), &bm) != 0) {
    // Black pixels stay black.
    HBITMAP shaded = ShadedCopy(info.hbmColor, bm.bmWidth, bm.bmHeight, grey, RGB(0, 0, 0), true);
    if (shaded != nullptr) {
      ICONINFO made = info;
      made.fIcon = TRUE;
      made.hbmColor = shaded;
      result = CreateIconIndirect(&made);
      ::DeleteObject(shaded);
    }
  }
  if (info.hbmColor != nullptr) ::DeleteObject(info.hbmColor);
  if (info.hbmMask != nullptr) ::DeleteObject(info.hbmMask);
  return result;
}

bool IconSize(HICON hIcon, DWORD& width, DWORD& height) {
  ICONINFO info{};
  if (!GetIconInfo(hIcon, &info)) return false;
  width = info.xHotspot * 2;
  height = info.yHotspot * 2;
  if (info.hbmColor != nullptr) ::DeleteObject(info.hbmColor);
  if (info.hbmMask != nullptr) ::DeleteObject(info.hbmMask);
  return true;
}

HBITMAP LoadResourceBitmap(UINT id) {
  HINSTANCE resources = AfxGetResourceHandle();
  HBITMAP bitmap = resources != nullptr ? LoadBitmapFrom(resources, id) : nullptr;
  if (bitmap == nullptr && resources != AfxGetInstanceHandle()) bitmap = LoadBitmapFrom(AfxGetInstanceHandle(), id);
  return bitmap;
}

bool IsStandardCursor(UINT id) {
  switch (id) {
    case 32512: case 32513: case 32514: case 32515: case 32644: case 32645: case 32646: case 32649: return true;
    default: return false;
  }
}

}  // namespace

BEGIN_MESSAGE_MAP(CButtonST, CButton)
  ON_CONTROL_REFLECT_EX(BN_CLICKED, &CButtonST::OnReflectedClick)
  ON_WM_MOUSEMOVE()
  ON_WM_MOUSELEAVE()
  ON_WM_KILLFOCUS()
  ON_WM_CANCELMODE()
  ON_WM_ACTIVATE()
  ON_WM_ENABLE()
  ON_WM_SYSCOLORCHANGE()
  ON_WM_SETCURSOR()
  ON_WM_GETDLGCODE()
  ON_WM_CTLCOLOR_REFLECT()
  ON_MESSAGE(BM_SETSTYLE, &CButtonST::OnSetStyle)
  ON_MESSAGE(BM_SETCHECK, &CButtonST::OnSetCheck)
  ON_MESSAGE(BM_GETCHECK, &CButtonST::OnGetCheck)
END_MESSAGE_MAP()

CButtonST::CButtonST() {
  m_szURL[0] = L'\0';
  for (IconRecord& icon : m_Icons) icon = IconRecord{nullptr, 0, 0};
  for (BitmapRecord& bitmap : m_Bitmaps) bitmap = BitmapRecord{nullptr, 0, 0, nullptr, 0};
  m_MenuNotify = MenuNotify{nullptr, 0, 0};
  for (SoundRecord& sound : m_Sounds) {
    sound.szSound[0] = L'\0';
    sound.lpszSound = nullptr;
    sound.hMod = nullptr;
    sound.dwFlags = 0;
  }
  ResetStateColors(FALSE);
}

CButtonST::~CButtonST() {
  ReleaseBackground();
  FreeImages();
  if (m_bCursorShown) ::SetCursor(nullptr);
  m_hCursor = nullptr;
  if (m_hMenu != nullptr) ::DestroyMenu(m_hMenu);
  m_hMenu = nullptr;
}

BOOL CButtonST::Create(const CString& caption, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
  if (!CButton::Create(caption, dwStyle, rect, pParentWnd, nID)) return FALSE;
  PreSubclassWindow();
  return TRUE;
}

void CButtonST::PreSubclassWindow() {
  const DWORD style = GetStyle();
  m_nTemplateType = static_cast<int>(style & 0x1F);
  const DWORD type = style & BS_TYPEMASK;
  if (type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_AUTO3STATE) m_nCheckMode = 1;
  if (type == BS_AUTORADIOBUTTON) {
    m_nCheckMode = 1;
    m_bRadio = TRUE;
  }
  if (type == BS_DEFPUSHBUTTON) m_bDefault = TRUE;
  CButton::PreSubclassWindow();
  ModifyStyle(BS_TYPEMASK, BS_OWNERDRAW, SWP_FRAMECHANGED);
}

void CButtonST::Repaint(BOOL bRepaint) {
  if (bRepaint && GetSafeHwnd() != nullptr) Invalidate();
}

// ---- images ----------------------------------------------------------------------------------

void CButtonST::FreeImages() {
  if (m_Icons[0].hIcon != nullptr) ::DestroyIcon(m_Icons[0].hIcon);
  if (m_Icons[1].hIcon != nullptr && m_Icons[1].hIcon != m_Icons[0].hIcon) ::DestroyIcon(m_Icons[1].hIcon);
  if (m_Bitmaps[0].hBitmap != nullptr) ::DeleteObject(m_Bitmaps[0].hBitmap);
  if (m_Bitmaps[1].hBitmap != nullptr && m_Bitmaps[1].hBitmap != m_Bitmaps[0].hBitmap) ::DeleteObject(m_Bitmaps[1].hBitmap);
  if (m_Bitmaps[0].hMask != nullptr) ::DeleteObject(m_Bitmaps[0].hMask);
  if (m_Bitmaps[1].hMask != nullptr) ::DeleteObject(m_Bitmaps[1].hMask);
  for (IconRecord& icon : m_Icons) icon = IconRecord{nullptr, 0, 0};
  for (BitmapRecord& bitmap : m_Bitmaps) bitmap = BitmapRecord{nullptr, 0, 0, nullptr, 0};
}

DWORD CButtonST::SetStateBitmaps(HBITMAP hIn, COLORREF crTransIn, HBITMAP hOut, COLORREF crTransOut) {
  FreeImages();
  const INT_PTR outKind = reinterpret_cast<INT_PTR>(hOut);
  if (hIn != nullptr) {
    BitmapRecord& in = m_Bitmaps[0];
    in.hBitmap = hIn;
    in.crTransparent = crTransIn;
    BITMAP bm{};
    if (::GetObject(hIn, sizeof(bm), &bm) == 0) {
      FreeImages();
      return kNoResource;
    }
    in.dwWidth = static_cast<DWORD>(bm.bmWidth);
    in.dwHeight = static_cast<DWORD>(bm.bmHeight);
    if (GetSafeHwnd() != nullptr) {
      SetWindowPos(nullptr, 0, 0, bm.bmWidth, bm.bmHeight, SWP_NOMOVE | SWP_NOZORDER);
    }
    if (IsSpecialOut(outKind)) {
      hOut = ShadedCopy(hIn, bm.bmWidth, bm.bmHeight, outKind == kOutGrey, crTransIn, true);
      crTransOut = crTransIn;
      if (hOut == nullptr) {
        FreeImages();
        return kNoMask;
      }
    }
    in.hMask = MakeMask(hIn, bm.bmWidth, bm.bmHeight, crTransIn);
    if (in.hMask == nullptr) {
      if (hOut != nullptr && IsSpecialOut(outKind)) ::DeleteObject(hOut);
      FreeImages();
      return kNoMask;
    }
  } else if (IsSpecialOut(outKind)) {
    hOut = nullptr;
  }
  // The same bitmap twice is one image in every state.
  if (hOut == hIn) hOut = nullptr;
  if (hOut != nullptr) {
    BitmapRecord& out = m_Bitmaps[1];
    out.hBitmap = hOut;
    out.crTransparent = crTransOut;
    BITMAP bm{};
    if (::GetObject(hOut, sizeof(bm), &bm) == 0) {
      FreeImages();
      return kNoResource;
    }
    out.dwWidth = static_cast<DWORD>(bm.bmWidth);
    out.dwHeight = static_cast<DWORD>(bm.bmHeight);
    out.hMask = MakeMask(hOut, bm.bmWidth, bm.bmHeight, crTransOut);
    if (out.hMask == nullptr) {
      FreeImages();
      return kNoMask;
    }
  }
  Repaint(TRUE);
  return kDone;
}

DWORD CButtonST::LoadStateBitmaps(UINT nIn, COLORREF crTransIn, UINT nOut, COLORREF crTransOut) {
  HBITMAP in = nIn != 0 ? LoadResourceBitmap(nIn) : nullptr;
  if (nIn != 0 && in == nullptr) return kNoResource;
  HBITMAP out = nullptr;
  const INT_PTR special = static_cast<INT_PTR>(static_cast<int>(nOut));
  if (IsSpecialOut(special)) {
    out = OutBitmap(special);
  } else if (nOut != 0) {
    out = LoadResourceBitmap(nOut);
    if (out == nullptr) {
      if (in != nullptr) ::DeleteObject(in);
      return kNoResource;
    }
  }
  return SetStateBitmaps(in, crTransIn, out, crTransOut);
}

DWORD CButtonST::SetStateIcons(HICON hIn, HICON hOut) {
  FreeImages();
  const INT_PTR outKind = reinterpret_cast<INT_PTR>(hOut);
  if (hIn != nullptr) {
    IconRecord& in = m_Icons[0];
    in.hIcon = hIn;
    if (!IconSize(hIn, in.dwWidth, in.dwHeight)) {
      FreeImages();
      return kNoResource;
    }
    if (IsSpecialOut(outKind)) {
      hOut = ShadedIcon(hIn, outKind == kOutGrey);
      if (hOut == nullptr) {
        FreeImages();
        return kNoResource;
      }
    }
  } else if (IsSpecialOut(outKind)) {
    hOut = nullptr;
  }
  if (hOut != nullptr && hOut != hIn) {
    IconRecord& out = m_Icons[1];
    out.hIcon = hOut;
    if (!IconSize(hOut, out.dwWidth, out.dwHeight)) {
      FreeImages();
      return kNoResource;
    }
  }
  Repaint(TRUE);
  return kDone;
}

DWORD CButtonST::LoadStateIcons(UINT nIn, int cxIn, int cyIn, UINT nOut, int cxOut, int cyOut) {
  HICON in = nIn != 0 ? platform::LoadIconResource(nIn, cxIn, cyIn) : nullptr;
  if (nIn != 0 && in == nullptr) return kNoResource;
  HICON out = nullptr;
  const INT_PTR special = static_cast<INT_PTR>(static_cast<int>(nOut));
  if (IsSpecialOut(special)) {
    out = OutIcon(special);
  } else if (nOut != 0) {
    out = platform::LoadIconResource(nOut, cxOut, cyOut);
    if (out == nullptr) {
      if (in != nullptr) ::DestroyIcon(in);
      return kNoResource;
    }
  }
  return SetStateIcons(in, out);
}

DWORD CButtonST::LoadStateIcons(UINT nIn, UINT nOut) { return LoadStateIcons(nIn, 0, 0, nOut, 0, 0); }

DWORD CButtonST::FitToImage() {
  DWORD width = 0, height = 0;
  if (m_Icons[0].hIcon != nullptr) {
    width = m_Icons[0].dwWidth;
    height = m_Icons[0].dwHeight;
  } else if (m_Bitmaps[0].hBitmap != nullptr) {
    width = m_Bitmaps[0].dwWidth;
    height = m_Bitmaps[0].dwHeight;
  }
  if (GetSafeHwnd() != nullptr && width > 0 && height > 0) {
    SetWindowPos(nullptr, -1, -1, static_cast<int>(width), static_cast<int>(height),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOREDRAW | SWP_NOACTIVATE);
  }
  m_ptImageMargin = CPoint(0, 0);
  return kDone;
}

// ---- look and behaviour ------------------------------------------------------------------------

DWORD CButtonST::SetFlatLook(BOOL bFlat, BOOL bRepaint) {
  m_bFlat = bFlat ? TRUE : FALSE;
  Repaint(bRepaint);
  return kDone;
}

DWORD CButtonST::SetImageAlignment(BYTE byAlign, BOOL bRepaint) {
  if (byAlign > kImageOverlap) return kBadAlignment;
  m_byAlign = byAlign;
  Repaint(bRepaint);
  return kDone;
}

DWORD CButtonST::SetPressedShift(BYTE byStyle, BOOL bRepaint) {
  switch (byStyle) {
    case kPressedDiagonal: m_ptPressedShift = CPoint(1, 1); break;
    case kPressedDown: m_ptPressedShift = CPoint(0, 2); break;
    default: return kBadPressedStyle;
  }
  Repaint(bRepaint);
  return kDone;
}

DWORD CButtonST::SetFlatBorder(BOOL bEnable, BOOL bRepaint) {
  m_bFlatBorder = bEnable ? TRUE : FALSE;
  Repaint(bRepaint);
  return kDone;
}

DWORD CButtonST::SetFlatFocusRect(BOOL bEnable, BOOL bRepaint) {
  m_bFlatFocus = bEnable ? TRUE : FALSE;
  Repaint(bRepaint);
  return kDone;
}

DWORD CButtonST::SetTrackAlways(BOOL bAlways) {
  m_bTrackAlways = bAlways ? TRUE : FALSE;
  return kDone;
}

DWORD CButtonST::SetLineGap(int nGap) {
  m_nLineGap = nGap;
  return kDone;
}

DWORD CButtonST::SetCheckMode(int nMode) {
  m_nCheckMode = nMode;
  return kDone;
}

DWORD CButtonST::SetCheckState(int nCheck, BOOL bRepaint) {
  if (m_nCheckMode != 0) {
    m_nCheck = nCheck != 0 ? 1 : 0;
    Repaint(bRepaint);
  }
  return kDone;
}

// ---- colours ---------------------------------------------------------------------------------

DWORD CButtonST::SetStateColor(BYTE bySlot, COLORREF crColor, BOOL bRepaint) {
  if (bySlot >= kColorSlots) return kBadColorSlot;
  m_crColors[bySlot] = crColor;
  Repaint(bRepaint);
  return kDone;
}

DWORD CButtonST::GetStateColor(BYTE bySlot, COLORREF* crpColor) const {
  if (bySlot >= kColorSlots) return kBadColorSlot;
  if (crpColor == nullptr) return kBadParameter;
  *crpColor = m_crColors[bySlot];
  return kDone;
}

DWORD CButtonST::SetAllStateColors(COLORREF crColor, BOOL bRepaint) {
  for (COLORREF& slot : m_crColors) slot = crColor;
  Repaint(bRepaint);
  return kDone;
}

DWORD CButtonST::ResetStateColors(BOOL bRepaint) {
  m_crColors[kBackInside] = m_crColors[kBackIdle] = m_crColors[kBackFocus] = ::GetSysColor(COLOR_BTNFACE);
  m_crColors[kTextInside] = m_crColors[kTextIdle] = m_crColors[kTextFocus] = ::GetSysColor(COLOR_BTNTEXT);
  Repaint(bRepaint);
  return kDone;
}

DWORD CButtonST::ShadeStateColor(BYTE bySlot, short shShade, BOOL bRepaint) {
  if (bySlot >= kColorSlots) return kBadColorSlot;
  if (shShade < -255 || shShade > 255) return kBadParameter;
  const COLORREF colour = m_crColors[bySlot];
  const int r = GetRValue(colour), g = GetGValue(colour), b = GetBValue(colour);
  int amount = shShade;
  if (amount > 0) amount = std::min(amount, 255 - std::max({r, g, b}));
  else amount = std::max(amount, -std::min({r, g, b}));
  m_crColors[bySlot] = RGB(r + amount, g + amount, b + amount);
  Repaint(bRepaint);
  return kDone;
}

// ---- cursor, tooltip, link, menu, sounds ------------------------------------------------------

DWORD CButtonST::SetHoverCursor(UINT nCursorId, BOOL bRepaint) {
  if (m_bCursorShown) {
    ::SetCursor(nullptr);
    m_bCursorShown = FALSE;
  }
  m_hCursor = nullptr;
  if (nCursorId == 0) {
    Repaint(bRepaint);
    return kDone;
  }
  if (!IsStandardCursor(nCursorId)) return kNoResource;
  m_hCursor = ::LoadCursor(nullptr, reinterpret_cast<const wchar_t*>(static_cast<uintptr_t>(nCursorId)));
  if (m_hCursor == nullptr) return kNoResource;
  Repaint(bRepaint);
  return kDone;
}

void CButtonST::InitToolTip() {
  if (m_ToolTip.GetSafeHwnd() != nullptr || GetSafeHwnd() == nullptr) return;
  if (!m_ToolTip.Create(this, m_dwToolTipStyle)) return;
  m_ToolTip.Activate(FALSE);
  m_ToolTip.SetMaxTipWidth(400);
}

void CButtonST::SetTipText(LPCTSTR lpszText, BOOL bActivate) {
  if (lpszText == nullptr || *lpszText == L'\0') return;
  InitToolTip();
  if (m_ToolTip.GetSafeHwnd() == nullptr) return;
  CString text(lpszText);
  if (m_ToolTip.GetToolCount() == 0) {
    CRect rc;
    GetClientRect(&rc);
    m_ToolTip.AddTool(this, text, &rc, 1);
  }
  m_ToolTip.UpdateTipText(text, this, 1);
  m_ToolTip.Activate(bActivate);
}

void CButtonST::SetTipText(UINT nTextId, BOOL bActivate) {
  CString text;
  HINSTANCE resources = AfxGetResourceHandle();
  if (resources == nullptr || LoadString(resources, nTextId, text, 0) == 0) LoadString(AfxGetInstanceHandle(), nTextId, text, 0);
  if (text.IsEmpty()) return;
  std::wstring copy = text.ToWString();
  SetTipText(copy.c_str(), bActivate);
}

void CButtonST::ActivateTip(BOOL bActivate) {
  if (m_ToolTip.GetSafeHwnd() != nullptr && m_ToolTip.GetToolCount() > 0) m_ToolTip.Activate(bActivate);
}

void CButtonST::UseBalloonTip() { m_dwToolTipStyle |= TTS_BALLOON; }

DWORD CButtonST::SetLink(LPCTSTR lpszURL) {
  if (lpszURL == nullptr) {
    m_szURL[0] = L'\0';
  } else {
    std::wcsncpy(m_szURL, lpszURL, MAX_PATH - 1);
    m_szURL[MAX_PATH - 1] = L'\0';
  }
  return kDone;
}

DWORD CButtonST::AttachMenu(UINT nMenuId, HWND hParentWnd, BOOL bRepaint) {
  if (m_hMenu != nullptr) ::DestroyMenu(m_hMenu);
  m_hMenu = nullptr;
  m_hMenuOwner = nullptr;
  if (nMenuId != 0) {
    CMenu menu;
    if (!menu.LoadMenu(nMenuId)) {
      Repaint(bRepaint);
      return kNoResource;
    }
    m_hMenu = menu.Detach();
    m_hMenuOwner = hParentWnd;
  }
  Repaint(bRepaint);
  return kDone;
}

DWORD CButtonST::SetMenuNotify(HWND hWnd, UINT nMessage, LPARAM lParam) {
  m_MenuNotify = MenuNotify{hWnd, nMessage, lParam};
  return kDone;
}

DWORD CButtonST::SetButtonSound(LPCTSTR lpszSound, HMODULE hMod, BOOL bPlayOnClick, BOOL bPlayAsync) {
  SoundRecord& sound = m_Sounds[bPlayOnClick ? 1 : 0];
  sound.szSound[0] = L'\0';
  sound.lpszSound = nullptr;
  sound.hMod = nullptr;
  sound.dwFlags = 0;
  if (lpszSound == nullptr) return kDone;
  if (hMod != nullptr && IsResourceName(lpszSound)) {
    sound.lpszSound = lpszSound;
  } else {
    std::wcsncpy(sound.szSound, lpszSound, MAX_PATH - 1);
    sound.szSound[MAX_PATH - 1] = L'\0';
    sound.lpszSound = sound.szSound;
  }
  sound.hMod = hMod;
  sound.dwFlags = (hMod != nullptr ? SND_RESOURCE : SND_FILENAME) | SND_NODEFAULT | SND_NOWAIT;
  if (bPlayAsync) sound.dwFlags |= SND_ASYNC;
  return kDone;
}

void CButtonST::PlayButtonSound(int index) {
  const SoundRecord& sound = m_Sounds[index];
  if (sound.lpszSound != nullptr) ::PlaySound(sound.lpszSound, sound.hMod, sound.dwFlags);
}

// ---- transparent drawing -----------------------------------------------------------------------

void CButtonST::ReleaseBackground() {
  if (m_pbmpOldBk != nullptr) {
    m_dcBk.SelectObject(m_pbmpOldBk);
    m_pbmpOldBk = nullptr;
  }
  m_bmpBk.DeleteObject();
  m_dcBk.DeleteDC();
}

void CButtonST::CaptureBackground(CDC* pSource) {
  ReleaseBackground();
  CWnd* parent = GetParent();
  if (pSource == nullptr || parent == nullptr) return;
  CRect client;
  GetClientRect(&client);
  CRect place;
  GetWindowRect(&place);
  parent->ScreenToClient(&place);
  if (!m_dcBk.CreateCompatibleDC(pSource)) return;
  if (!m_bmpBk.CreateCompatibleBitmap(pSource, client.Width(), client.Height())) {
    m_dcBk.DeleteDC();
    return;
  }
  m_pbmpOldBk = m_dcBk.SelectObject(&m_bmpBk);
  m_dcBk.BitBlt(0, 0, client.Width(), client.Height(), pSource, place.left, place.top, SRCCOPY);
}

void CButtonST::PaintParentBackground(CDC* pDC) {
  CWnd* parent = GetParent();
  if (m_pbmpOldBk == nullptr && parent != nullptr) {
    CClientDC parentDC(parent);
    CaptureBackground(&parentDC);
  }
  if (m_pbmpOldBk == nullptr) return;
  CRect client;
  GetClientRect(&client);
  pDC->BitBlt(0, 0, client.Width(), client.Height(), &m_dcBk, 0, 0, SRCCOPY);
}

DWORD CButtonST::EnableTransparentDrawing(BOOL bRepaint) {
  m_bTransparent = TRUE;
  ReleaseBackground();
  Repaint(bRepaint);
  return kDone;
}

DWORD CButtonST::SetParentBackground(CDC* pDC) {
  if (!m_bTransparent || pDC == nullptr) return kBadParameter;
  CaptureBackground(pDC);
  return kDone;
}

// ---- messages --------------------------------------------------------------------------------

BOOL CButtonST::PreTranslateMessage(MSG* pMsg) {
  if (pMsg != nullptr && pMsg->hwnd == m_hWnd) {
    InitToolTip();
    m_ToolTip.RelayEvent(pMsg);
    // A double click counts as a second click.
    if (pMsg->message == WM_LBUTTONDBLCLK) pMsg->message = WM_LBUTTONDOWN;
  }
  return CButton::PreTranslateMessage(pMsg);
}

UINT CButtonST::OnGetDlgCode() {
  UINT code = static_cast<UINT>(Default());
  return code | (m_bDefault ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON);
}

LRESULT CButtonST::OnSetStyle(WPARAM wParam, LPARAM lParam) {
  const UINT type = static_cast<UINT>(wParam) & BS_TYPEMASK;
  if (type == BS_DEFPUSHBUTTON) m_bDefault = TRUE;
  else if (type == BS_PUSHBUTTON) m_bDefault = FALSE;
  WPARAM style = (wParam & ~static_cast<WPARAM>(BS_TYPEMASK)) | BS_OWNERDRAW;
  return CButton::DefWindowProc(BM_SETSTYLE, style, lParam);
}

LRESULT CButtonST::OnSetCheck(WPARAM wParam, LPARAM lParam) {
  if (m_nCheckMode == 0) return CButton::DefWindowProc(BM_SETCHECK, wParam, lParam);
  SetCheckState(wParam == BST_CHECKED || wParam == BST_INDETERMINATE ? 1 : 0);
  return 0;
}

LRESULT CButtonST::OnGetCheck(WPARAM wParam, LPARAM lParam) {
  if (m_nCheckMode == 0) return CButton::DefWindowProc(BM_GETCHECK, wParam, lParam);
  return m_nCheck;
}

BOOL CButtonST::OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message) {
  (void)pWnd;
  (void)nHitTest;
  (void)message;
  if (m_hCursor != nullptr) {
    ::SetCursor(m_hCursor);
    if (!m_bCursorShown) {
      m_bCursorShown = TRUE;
      TRACKMOUSEEVENT tme{sizeof(TRACKMOUSEEVENT), TME_LEAVE, m_hWnd, 0};
      ::TrackMouseEvent(&tme);
    }
    return TRUE;
  }
  return static_cast<BOOL>(Default());
}

HBRUSH CButtonST::CtlColor(CDC* pDC, UINT nCtlColor) {
  (void)pDC;
  (void)nCtlColor;
  return static_cast<HBRUSH>(::GetStockObject(NULL_BRUSH));
}

void CButtonST::OnSysColorChange() {
  Default();
  ReleaseBackground();
  ResetStateColors(TRUE);
}

void CButtonST::CancelHover() {
  if (m_bFlat && m_bMouseOver) {
    m_bMouseOver = FALSE;
    Invalidate();
  }
}

void CButtonST::OnMouseMove(UINT nFlags, CPoint point) {
  Default();
  if ((nFlags & MK_LBUTTON) && !m_bMouseOver) return;
  if (!m_bFlat) return;
  CPoint screen = point;
  ClientToScreen(&screen);
  CWnd* under = ::WindowFromPoint(screen);
  const bool active = m_bTrackAlways || CWnd::GetFocus() != nullptr;
  if (under != nullptr && under->m_hWnd == m_hWnd && active) {
    if (!m_bMouseOver) {
      m_bMouseOver = TRUE;
      Invalidate();
      PlayButtonSound(0);
      TRACKMOUSEEVENT tme{sizeof(TRACKMOUSEEVENT), TME_LEAVE, m_hWnd, 0};
      ::TrackMouseEvent(&tme);
    }
  } else {
    CancelHover();
  }
}

void CButtonST::OnMouseLeave() {
  Default();
  if (m_bCursorShown) {
    // The cursor of the button is the application's until it is taken back.
    ::SetCursor(nullptr);
    m_bCursorShown = FALSE;
  }
  CancelHover();
}

void CButtonST::OnKillFocus(CWnd* pNewWnd) {
  (void)pNewWnd;
  Default();
  CancelHover();
}

void CButtonST::OnCancelMode() {
  Default();
  CancelHover();
}

void CButtonST::OnActivate(UINT nState, CWnd* pWndOther, BOOL bMinimized) {
  (void)pWndOther;
  (void)bMinimized;
  Default();
  if (nState == WA_INACTIVE) CancelHover();
}

void CButtonST::OnEnable(BOOL bEnable) {
  Default();
  if (bEnable) return;
  CWnd* parent = GetParent();
  if (parent != nullptr && CWnd::GetFocus() == this) {
    if (auto* dialog = dynamic_cast<CDialog*>(parent)) dialog->NextDlgCtrl();
    else parent->SetFocus();
  }
  CancelHover();
}

BOOL CButtonST::OnReflectedClick() {
  const HWND self = m_hWnd;
  SetFocus();
  if (CWnd::FromHandle(self) != this) return FALSE;
  PlayButtonSound(1);
  if (m_nCheckMode != 0) {
    m_nCheck = m_bRadio ? 1 : (m_nCheck != 0 ? 0 : 1);
    Invalidate();
  } else if (m_hMenu != nullptr) {
    CMenu* menu = CMenu::FromHandle(m_hMenu);
    CMenu* popup = menu != nullptr ? menu->GetSubMenu(0) : nullptr;
    if (popup != nullptr) {
      m_bMenuShown = TRUE;
      Invalidate();
      if (m_MenuNotify.hWnd != nullptr) {
        ::SendMessage(m_MenuNotify.hWnd, m_MenuNotify.nMessage, reinterpret_cast<WPARAM>(popup->m_hMenu),
                      m_MenuNotify.lParam);
        if (CWnd::FromHandle(self) != this) return FALSE;
      }
      CRect rc;
      GetWindowRect(&rc);
      CWnd* owner = CWnd::FromHandle(m_hMenuOwner);
      UINT command = static_cast<UINT>(
          popup->TrackPopupMenu(TPM_LEFTALIGN | TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON, rc.left, rc.bottom,
                                owner != nullptr ? owner : this));
      if (CWnd::FromHandle(self) != this) return FALSE;
      m_bMenuShown = FALSE;
      Invalidate();
      if (command != 0 && m_hMenuOwner != nullptr) ::PostMessage(m_hMenuOwner, WM_COMMAND, MAKEWPARAM(command, 0), 0);
    }
  } else if (m_szURL[0] != L'\0') {
    SHELLEXECUTEINFO info{};
    info.cbSize = sizeof(info);
    info.fMask = SEE_MASK_FLAG_NO_UI;
    info.hwnd = m_hWnd;
    info.lpVerb = L"open";
    info.lpFile = m_szURL;
    info.nShow = SW_SHOWMAXIMIZED;
    ::ShellExecuteEx(&info);
  }
  // The parent hears of the click too.
  return FALSE;
}

// ---- drawing ---------------------------------------------------------------------------------

int CButtonST::ImageIndex(BOOL bIsPressed, bool haveOut) const {
  const bool inside = m_nCheckMode != 0 ? bIsPressed != FALSE : (bIsPressed || m_bMouseOver);
  if (inside) return 0;
  return haveOut ? 1 : 0;
}

void CButtonST::PrepareImageRect(BOOL bHasText, RECT* rpItem, CRect* rpCaption, BOOL bIsPressed, DWORD dwWidth,
                                 DWORD dwHeight, CRect* rpImage) {
  const int width = static_cast<int>(dwWidth);
  const int height = static_cast<int>(dwHeight);
  CRect item(*rpItem);
  *rpImage = item;
  switch (m_byAlign) {
    case kImageLeft:
      if (bHasText) {
        rpImage->left += m_ptImageMargin.x;
        rpCaption->left += width + m_ptImageMargin.x;
      } else {
        rpImage->left += (item.Width() - width) / 2;
      }
      rpImage->top += (item.Height() - height) / 2;
      break;
    case kImageAbove:
      rpImage->left += (item.Width() - width) / 2;
      if (bHasText) {
        rpImage->top += m_ptImageMargin.y;
        rpCaption->top += height + m_ptImageMargin.y;
      } else {
        rpImage->top += (item.Height() - height) / 2;
      }
      break;
    case kImageRight: {
      CRect client;
      GetClientRect(&client);
      if (bHasText) {
        rpImage->left = client.right - width - m_ptImageMargin.x;
        rpCaption->left = m_ptImageMargin.x;
        rpCaption->right = rpImage->left;
        rpImage->top += (item.Height() - height) / 2;
      } else {
        rpImage->left += (item.Width() - width) / 2;
      }
      break;
    }
    default:
      break;
  }
  rpImage->right = rpImage->left + width;
  rpImage->bottom = rpImage->top + height;
  if (bIsPressed && m_nCheckMode == 0) rpImage->OffsetRect(m_ptPressedShift.x, m_ptPressedShift.y);
}

DWORD CButtonST::PaintBackground(CDC* pDC, CRect* pRect) {
  if (!m_bFlat && (m_bFocused || m_bDefault)) {
    CBrush black(RGB(0, 0, 0));
    pDC->FrameRect(pRect, &black);
    pRect->DeflateRect(1, 1);
  }
  COLORREF fill = m_crColors[kBackIdle];
  if (m_bMouseOver || m_bPressed) fill = m_crColors[kBackInside];
  else if (m_bFocused) fill = m_crColors[kBackFocus];
  CBrush brush(fill);
  pDC->FillRect(pRect, &brush);
  return kDone;
}

DWORD CButtonST::PaintBorder(CDC* pDC, CRect* pRect) {
  if (!m_bPressed) {
    if (!m_bFlat) {
      CPen hilight(PS_SOLID, 1, ::GetSysColor(COLOR_BTNHILIGHT));
      CPen light(PS_SOLID, 1, ::GetSysColor(COLOR_3DLIGHT));
      CPen dark(PS_SOLID, 1, ::GetSysColor(COLOR_3DDKSHADOW));
      CPen shadow(PS_SOLID, 1, ::GetSysColor(COLOR_BTNSHADOW));
      CRect r(*pRect);
      CPen* old = pDC->SelectObject(&hilight);
      pDC->MoveTo(r.left, r.bottom - 1);
      pDC->LineTo(r.left, r.top);
      pDC->LineTo(r.right, r.top);
      pDC->SelectObject(&light);
      pDC->MoveTo(r.left + 1, r.bottom - 1);
      pDC->LineTo(r.left + 1, r.top + 1);
      pDC->LineTo(r.right, r.top + 1);
      pDC->SelectObject(&dark);
      pDC->MoveTo(r.left, r.bottom - 1);
      pDC->LineTo(r.right - 1, r.bottom - 1);
      pDC->LineTo(r.right - 1, r.top - 1);
      pDC->SelectObject(&shadow);
      pDC->MoveTo(r.left + 1, r.bottom - 2);
      pDC->LineTo(r.right - 2, r.bottom - 2);
      pDC->LineTo(r.right - 2, r.top);
      pDC->SelectObject(old);
    } else if (m_bMouseOver && m_bFlatBorder) {
      pDC->Draw3dRect(pRect, ::GetSysColor(COLOR_BTNHILIGHT), ::GetSysColor(COLOR_BTNSHADOW));
    }
  } else if (!m_bFlat) {
    CBrush shadow(::GetSysColor(COLOR_BTNSHADOW));
    pDC->FrameRect(pRect, &shadow);
  } else if (m_bFlatBorder) {
    pDC->Draw3dRect(pRect, ::GetSysColor(COLOR_BTNSHADOW), ::GetSysColor(COLOR_BTNHILIGHT));
  }
  return kDone;
}

DWORD CButtonST::PaintIcon(CDC* pDC, BOOL bHasText, RECT* rpItem, CRect* rpCaption, BOOL bIsPressed, BOOL bIsDisabled) {
  if (m_Icons[0].hIcon == nullptr) return kDone;
  const IconRecord& icon = m_Icons[ImageIndex(bIsPressed, m_Icons[1].hIcon != nullptr)];
  CRect image;
  PrepareImageRect(bHasText, rpItem, rpCaption, bIsPressed, m_Icons[0].dwWidth, m_Icons[0].dwHeight, &image);
  pDC->DrawState(image.TopLeft(), CSize(static_cast<int>(icon.dwWidth), static_cast<int>(icon.dwHeight)), icon.hIcon,
                 DST_ICON | (bIsDisabled ? DSS_DISABLED : DSS_NORMAL), static_cast<CBrush*>(nullptr));
  return kDone;
}

DWORD CButtonST::PaintBitmap(CDC* pDC, BOOL bHasText, RECT* rpItem, CRect* rpCaption, BOOL bIsPressed,
                             BOOL bIsDisabled) {
  (void)bIsDisabled;
  if (m_Bitmaps[0].hBitmap == nullptr) return kDone;
  const BitmapRecord& bitmap = m_Bitmaps[ImageIndex(bIsPressed, m_Bitmaps[1].hBitmap != nullptr)];
  CRect image;
  PrepareImageRect(bHasText, rpItem, rpCaption, bIsPressed, m_Bitmaps[0].dwWidth, m_Bitmaps[0].dwHeight, &image);
  CDC memory;
  if (!memory.CreateCompatibleDC(pDC)) return kNoMask;
  const int width = static_cast<int>(bitmap.dwWidth);
  const int height = static_cast<int>(bitmap.dwHeight);
  // The mask keeps the background where the bitmap is transparent; the bitmap fills the rest.
  const COLORREF oldText = pDC->SetTextColor(RGB(0, 0, 0));
  const COLORREF oldBack = pDC->SetBkColor(RGB(255, 255, 255));
  CBitmap* old = memory.SelectObject(CBitmap::FromHandle(bitmap.hMask));
  if (old != nullptr) {
    pDC->BitBlt(image.left, image.top, width, height, &memory, 0, 0, SRCAND);
    memory.SelectObject(CBitmap::FromHandle(bitmap.hBitmap));
    pDC->BitBlt(image.left, image.top, width, height, &memory, 0, 0, SRCPAINT);
    memory.SelectObject(old);
  }
  pDC->SetTextColor(oldText);
  pDC->SetBkColor(oldBack);
  return kDone;
}

std::vector<CString> CButtonST::BreakCaption(CDC* pDC, const CString& text, int width) {
  std::vector<CString> lines;
  std::wstring all = text.ToWString();
  std::vector<std::wstring> paragraphs(1);
  for (size_t i = 0; i < all.size(); ++i) {
    if (all[i] == L'\r' || all[i] == L'\n') {
      if (all[i] == L'\r' && i + 1 < all.size() && all[i + 1] == L'\n') ++i;
      paragraphs.emplace_back();
    } else {
      paragraphs.back() += all[i];
    }
  }
  for (const std::wstring& paragraph : paragraphs) {
    std::wstring line;
    for (wchar_t ch : paragraph) {
      std::wstring longer = line + ch;
      if (!line.empty() && pDC->GetTextExtent(CString(longer.c_str())).cx > width) {
        size_t blank = line.find_last_of(L' ');
        if (blank != std::wstring::npos) {
          lines.emplace_back(line.substr(0, blank).c_str());
          line = line.substr(blank + 1) + ch;
        } else {
          lines.emplace_back(line.c_str());
          line = std::wstring(1, ch);
        }
      } else {
        line = longer;
      }
    }
    lines.emplace_back(line.c_str());
  }
  return lines;
}

DWORD CButtonST::PaintText(CDC* pDC, LPCTSTR lpszText, RECT* rpItem, CRect* rpCaption, BOOL bIsPressed,
                           BOOL bIsDisabled) {
  if (lpszText == nullptr || *lpszText == L'\0') return kDone;
  const CString text(lpszText);
  CRect rc(*rpCaption);
  TEXTMETRIC tm{};
  pDC->GetTextMetrics(&tm);
  const int lineHeight = std::max(1, static_cast<int>(tm.tmHeight));
  UINT align = DT_CENTER;
  if (m_nCheckMode != 0) {
    const bool wide = pDC->GetTextExtent(text).cx > rc.Width();
    const int dy = wide ? (rc.Height() - (2 * lineHeight + 2)) / 2 : (rc.Height() - lineHeight) / 2 - 1;
    rc.OffsetRect(7, dy);
    rc.bottom = std::max(rc.bottom, rc.top + lineHeight);
    align = DT_LEFT;
  } else if (bIsPressed) {
    rc.OffsetRect(m_ptPressedShift.x, m_ptPressedShift.y);
  }
  (void)rpItem;
  const std::vector<CString> lines = BreakCaption(pDC, text, std::max(1, static_cast<int>(rc.Width())));
  const int count = static_cast<int>(lines.size());
  int top = rc.top;
  if ((GetStyle() & kCaptionCentredStyle) != 0) {
    // The block of lines moves down by half the height it leaves free.
    const int free = rc.Height() - count * lineHeight - (count - 1) * m_nLineGap;
    top += free / 2;
  }

  COLORREF textColour, backColour;
  if (bIsDisabled) {
    // Disabled text must stay readable on the face: the system's disabled-text colour.
    textColour = ::GetSysColor(COLOR_GRAYTEXT);
    backColour = m_crColors[kBackIdle];
  } else if (m_bMouseOver || bIsPressed) {
    textColour = m_crColors[kTextInside];
    backColour = m_crColors[kBackInside];
    if (m_nCheckMode != 0) textColour = m_nCheck != 0 ? m_crColors[kTextInside] : m_crColors[kTextIdle];
  } else if (m_bFocused) {
    textColour = m_crColors[kTextFocus];
    backColour = m_crColors[kBackFocus];
  } else {
    textColour = m_crColors[kTextIdle];
    backColour = m_crColors[kBackIdle];
  }
  const COLORREF oldText = pDC->SetTextColor(textColour);
  const COLORREF oldBack = pDC->SetBkColor(backColour);
  const int oldMode = pDC->SetBkMode(TRANSPARENT);
  for (int i = 0; i < count; ++i) {
    const int lineTop = top + i * lineHeight + 2 + i * m_nLineGap;
    CRect lineRect(rc.left, lineTop, rc.right, lineTop + lineHeight);
    pDC->DrawText(lines[static_cast<size_t>(i)], &lineRect, align | DT_VCENTER | DT_SINGLELINE);
  }
  pDC->SetBkMode(oldMode);
  pDC->SetBkColor(oldBack);
  pDC->SetTextColor(oldText);
  return kDone;
}

void CButtonST::DrawItem(LPDRAWITEMSTRUCT lpDIS) {
  if (lpDIS == nullptr) return;
  CDC* pDC = CDC::FromHandle(lpDIS->hDC);
  if (pDC == nullptr) return;
  if (m_nCheckMode != 0) m_bPressed = m_nCheck != 0 ? TRUE : FALSE;
  else m_bPressed = ((lpDIS->itemState & ODS_SELECTED) != 0 || m_bMenuShown) ? TRUE : FALSE;
  m_bFocused = (lpDIS->itemState & ODS_FOCUS) != 0 ? TRUE : FALSE;
  m_bDisabled = (lpDIS->itemState & ODS_DISABLED) != 0 ? TRUE : FALSE;
  CRect itemRect(lpDIS->rcItem);
  pDC->SetBkMode(TRANSPARENT);

  CRect backRect = itemRect;
  if (m_bTransparent) PaintParentBackground(pDC);
  else PaintBackground(pDC, &backRect);
  CRect borderRect = itemRect;
  PaintBorder(pDC, &borderRect);

  CString title = GetWindowText();
  const BOOL hasText = title.IsEmpty() ? FALSE : TRUE;
  CRect captionRect(lpDIS->rcItem);
  if (m_Icons[0].hIcon != nullptr) {
    PaintIcon(pDC, hasText, &lpDIS->rcItem, &captionRect, m_bPressed, m_bDisabled);
  } else if (m_Bitmaps[0].hBitmap != nullptr) {
    pDC->SetBkColor(RGB(255, 255, 255));
    PaintBitmap(pDC, hasText, &lpDIS->rcItem, &captionRect, m_bPressed, m_bDisabled);
  }
  if (hasText) {
    std::wstring text = title.ToWString();
    PaintText(pDC, text.c_str(), &lpDIS->rcItem, &captionRect, m_bPressed, m_bDisabled);
  }
  if (m_bFocused && (!m_bFlat || m_bFlatFocus)) {
    CRect focus = itemRect;
    focus.DeflateRect(3, 3);
    pDC->DrawFocusRect(&focus);
  }
}
