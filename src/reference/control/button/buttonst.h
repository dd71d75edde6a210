// CButtonST: an owner-drawn push button that shows an icon or a bitmap with a transparent colour,
// changes its face while the mouse is over it or while it is pressed, and can carry text in
// several lines, colours per state, a tooltip, a cursor of its own, a drop-down menu, a link to
// open, sounds, and check-box or radio behaviour. The main window's Connect, Disconnect and Open
// buttons are three of them.
#pragma once

#include "platform/controls.h"
#include "platform/gdi.h"
#include "platform/menu.h"

class CButtonST : public CButton {
 public:
  // Results of the setters.
  enum : DWORD {
    kDone = 0,
    kNoResource = 1,        // resource not found or not usable
    kNoMask = 2,            // a mask could not be made
    kBadColorSlot = 3,      // colour slot above 5
    kBadAlignment = 4,      // alignment above 3
    kBadParameter = 5,
    kBadPressedStyle = 6,
  };
  // Colour slots.
  enum : BYTE {
    kBackInside = 0,   // background while pressed or hovered
    kTextInside = 1,   // text while pressed or hovered
    kBackIdle = 2,
    kTextIdle = 3,
    kBackFocus = 4,
    kTextFocus = 5,
    kColorSlots = 6,
  };
  // Image positions.
  enum : BYTE { kImageLeft = 0, kImageAbove = 1, kImageRight = 2, kImageOverlap = 3 };
  // Offsets while pressed.
  enum : BYTE { kPressedDiagonal = 0, kPressedDown = 1 };
  // The "out" image argument: none (the in image in every state), a grey or a darker copy of in.
  static constexpr INT_PTR kOutNone = 0;
  static constexpr INT_PTR kOutGrey = -2;
  static constexpr INT_PTR kOutDarker = -3;
  // The button style bit that moves a caption down by half the height its lines leave free (without
  // it the lines start at the top of the caption rectangle).
  static constexpr DWORD kCaptionCentredStyle = 0x200;
  static HBITMAP OutBitmap(INT_PTR kind) { return reinterpret_cast<HBITMAP>(kind); }
  static HICON OutIcon(INT_PTR kind) { return reinterpret_cast<HICON>(kind); }

  CButtonST();
  ~CButtonST() override;

  // A button made by the program directly is converted as a template button is.
  BOOL Create(const CString& caption, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);

  // ---- images (each frees the previous images, repaints and returns a result) ----
  // The button takes the bitmaps over (it deletes them). hOut may be null, OutBitmap(kOutGrey) or
  // OutBitmap(kOutDarker); those use crIn. The button gets the size of the in bitmap.
  DWORD SetStateBitmaps(HBITMAP hIn, COLORREF crTransIn, HBITMAP hOut = nullptr, COLORREF crTransOut = 0);
  // Bitmaps of the resources; nOut 0, (UINT)kOutGrey or (UINT)kOutDarker as above.
  DWORD LoadStateBitmaps(UINT nIn, COLORREF crTransIn, UINT nOut = 0, COLORREF crTransOut = 0);
  // The button takes the icons over; the button keeps its size.
  DWORD SetStateIcons(HICON hIn, HICON hOut = nullptr);
  DWORD LoadStateIcons(UINT nIn, int cxIn, int cyIn, UINT nOut, int cxOut, int cyOut);
  DWORD LoadStateIcons(UINT nIn, UINT nOut = 0);
  // Resizes the button to its in icon, else its in bitmap; the image margin becomes 0, 0.
  DWORD FitToImage();

  // ---- look and behaviour ----
  DWORD SetFlatLook(BOOL bFlat = TRUE, BOOL bRepaint = TRUE);
  DWORD SetImageAlignment(BYTE byAlign, BOOL bRepaint = TRUE);
  DWORD SetPressedShift(BYTE byStyle, BOOL bRepaint = TRUE);
  DWORD SetFlatBorder(BOOL bEnable = TRUE, BOOL bRepaint = TRUE);
  DWORD SetFlatFocusRect(BOOL bEnable = TRUE, BOOL bRepaint = TRUE);
  DWORD SetTrackAlways(BOOL bAlways = TRUE);
  DWORD SetLineGap(int nGap);
  DWORD SetCheckMode(int nMode);
  // Check-box mode only: any non-zero check is 1.
  DWORD SetCheckState(int nCheck, BOOL bRepaint = TRUE);
  int GetCheckState() const { return m_nCheck; }
  BOOL IsDefaultButton() const { return m_bDefault; }

  // ---- colours ----
  DWORD SetStateColor(BYTE bySlot, COLORREF crColor, BOOL bRepaint = TRUE);
  DWORD GetStateColor(BYTE bySlot, COLORREF* crpColor) const;
  DWORD SetAllStateColors(COLORREF crColor, BOOL bRepaint = TRUE);
  DWORD ResetStateColors(BOOL bRepaint = TRUE);
  // Adds shade (-255..255) to red, green and blue alike, as far as every channel stays in 0..255.
  DWORD ShadeStateColor(BYTE bySlot, short shShade, BOOL bRepaint = TRUE);

  // ---- cursor, tooltip, link, menu, sounds ----
  // 0 only removes the cursor; 1 when the cursor cannot be loaded (the standard IDC_ cursors can).
  DWORD SetHoverCursor(UINT nCursorId, BOOL bRepaint = TRUE);
  void SetTipText(LPCTSTR lpszText, BOOL bActivate = FALSE);
  void SetTipText(UINT nTextId, BOOL bActivate = FALSE);
  void ActivateTip(BOOL bActivate = TRUE);
  void UseBalloonTip();
  DWORD SetLink(LPCTSTR lpszURL);
  // The first sub-menu of the menu drops down on a click; the chosen command goes to hParentWnd.
  DWORD AttachMenu(UINT nMenuId, HWND hParentWnd, BOOL bRepaint = TRUE);
  // nMessage goes to hWnd (wParam: the sub-menu, lParam: lParam) just before the menu drops down.
  DWORD SetMenuNotify(HWND hWnd, UINT nMessage, LPARAM lParam);
  // A null sound clears the record. With a module the sound is a resource name of it, else a file.
  DWORD SetButtonSound(LPCTSTR lpszSound, HMODULE hMod = nullptr, BOOL bPlayOnClick = FALSE, BOOL bPlayAsync = TRUE);

  // ---- transparent drawing ----
  DWORD EnableTransparentDrawing(BOOL bRepaint = TRUE);
  // kBadParameter unless transparent drawing is on and a context is given.
  DWORD SetParentBackground(CDC* pDC);

  // ---- drawing steps ----
  virtual DWORD PaintBackground(CDC* pDC, CRect* pRect);
  virtual DWORD PaintBorder(CDC* pDC, CRect* pRect);
  virtual DWORD PaintIcon(CDC* pDC, BOOL bHasText, RECT* rpItem, CRect* rpCaption, BOOL bIsPressed, BOOL bIsDisabled);
  virtual DWORD PaintBitmap(CDC* pDC, BOOL bHasText, RECT* rpItem, CRect* rpCaption, BOOL bIsPressed, BOOL bIsDisabled);
  virtual DWORD PaintText(CDC* pDC, LPCTSTR lpszText, RECT* rpItem, CRect* rpCaption, BOOL bIsPressed,
                          BOOL bIsDisabled);

  void DrawItem(LPDRAWITEMSTRUCT lpDIS) override;
  void PreSubclassWindow() override;
  BOOL PreTranslateMessage(MSG* pMsg) override;

  // The caption broken into the lines PaintText draws for a width, in the context's font.
  static std::vector<CString> BreakCaption(CDC* pDC, const CString& text, int width);

 protected:
  struct IconRecord {
    HICON hIcon;
    DWORD dwWidth;
    DWORD dwHeight;
  };
  struct BitmapRecord {
    HBITMAP hBitmap;
    DWORD dwWidth;
    DWORD dwHeight;
    HBITMAP hMask;
    COLORREF crTransparent;
  };
  struct MenuNotify {
    HWND hWnd;
    UINT nMessage;
    LPARAM lParam;
  };
  struct SoundRecord {
    WCHAR szSound[MAX_PATH];
    LPCTSTR lpszSound;
    HMODULE hMod;
    DWORD dwFlags;
  };

  // Handlers.
  BOOL OnReflectedClick();
  void OnMouseMove(UINT nFlags, CPoint point);
  void OnMouseLeave();
  void OnKillFocus(CWnd* pNewWnd);
  void OnCancelMode();
  void OnActivate(UINT nState, CWnd* pWndOther, BOOL bMinimized);
  void OnEnable(BOOL bEnable);
  void OnSysColorChange();
  BOOL OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message);
  UINT OnGetDlgCode();
  HBRUSH CtlColor(CDC* pDC, UINT nCtlColor);
  LRESULT OnSetStyle(WPARAM wParam, LPARAM lParam);
  LRESULT OnSetCheck(WPARAM wParam, LPARAM lParam);
  LRESULT OnGetCheck(WPARAM wParam, LPARAM lParam);
  DECLARE_MESSAGE_MAP()

  void CancelHover();
  void FreeImages();
  void ReleaseBackground();
  void CaptureBackground(CDC* pSource);
  void PaintParentBackground(CDC* pDC);
  void PrepareImageRect(BOOL bHasText, RECT* rpItem, CRect* rpCaption, BOOL bIsPressed, DWORD dwWidth, DWORD dwHeight,
                        CRect* rpImage);
  int ImageIndex(BOOL bIsPressed, bool haveOut) const;
  void PlayButtonSound(int index);
  void InitToolTip();
  void Repaint(BOOL bRepaint);

  CPoint m_ptImageMargin{3, 3};
  CPoint m_ptPressedShift{1, 1};
  BOOL m_bFlat = TRUE;
  BOOL m_bMouseOver = FALSE;
  BOOL m_bTransparent = FALSE;
  BOOL m_bPressed = FALSE;
  BOOL m_bFocused = FALSE;
  BOOL m_bDisabled = FALSE;
  BOOL m_bDefault = FALSE;
  int m_nCheckMode = 0;
  BOOL m_bRadio = FALSE;
  BYTE m_byAlign = kImageLeft;
  BOOL m_bFlatBorder = FALSE;
  BOOL m_bFlatFocus = FALSE;
  COLORREF m_crColors[kColorSlots];
  HWND m_hMenuOwner = nullptr;
  BOOL m_bMenuShown = FALSE;
  int m_nLineGap = 0;
  HMENU m_hMenu = nullptr;
  HCURSOR m_hCursor = nullptr;
  CToolTipCtrl m_ToolTip;
  CDC m_dcBk;
  CBitmap m_bmpBk;
  CBitmap* m_pbmpOldBk = nullptr;
  BOOL m_bTrackAlways = TRUE;
  int m_nCheck = 0;
  int m_nTemplateType = 0;
  DWORD m_dwToolTipStyle = 0;
  WCHAR m_szURL[MAX_PATH];
  IconRecord m_Icons[2];
  BitmapRecord m_Bitmaps[2];
  MenuNotify m_MenuNotify;
  SoundRecord m_Sounds[2];

 private:
  BOOL m_bCursorShown = FALSE;
};
