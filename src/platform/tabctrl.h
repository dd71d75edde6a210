// CTabCtrl: the tab control (window class "SysTabControl32"): a strip of tabs, on several rows
// with TCS_MULTILINE, above a display area that the program fills with its pages.
//
// A user's click on another tab sends TCN_SELCHANGING (a TRUE answer keeps the old tab) and then
// TCN_SELCHANGE to the parent; the arrow keys do the same after TCN_KEYDOWN. A program's own
// SetCurSel sends nothing. With several rows, the row of the selected tab is moved next to the
// display area and the others rotate above it, keeping their order.
#pragma once

#include "platform/imagelist.h"
#include "platform/wnd.h"

#define TCS_SCROLLOPPOSITE 0x0001u
#define TCS_BOTTOM 0x0002u
#define TCS_RIGHT 0x0002u
#define TCS_MULTISELECT 0x0004u
#define TCS_FLATBUTTONS 0x0008u
#define TCS_FORCEICONLEFT 0x0010u
#define TCS_FORCELABELLEFT 0x0020u
#define TCS_HOTTRACK 0x0040u
#define TCS_VERTICAL 0x0080u
#define TCS_TABS 0x0000u
#define TCS_BUTTONS 0x0100u
#define TCS_SINGLELINE 0x0000u
#define TCS_MULTILINE 0x0200u
#define TCS_RIGHTJUSTIFY 0x0000u
#define TCS_FIXEDWIDTH 0x0400u
#define TCS_RAGGEDRIGHT 0x0800u
#define TCS_FOCUSONBUTTONDOWN 0x1000u
#define TCS_OWNERDRAWFIXED 0x2000u
#define TCS_TOOLTIPS 0x4000u
#define TCS_FOCUSNEVER 0x8000u

#define TCIF_TEXT 0x0001u
#define TCIF_IMAGE 0x0002u
#define TCIF_RTLREADING 0x0004u
#define TCIF_PARAM 0x0008u
#define TCIF_STATE 0x0010u

#define TCIS_BUTTONPRESSED 0x0001u
#define TCIS_HIGHLIGHTED 0x0002u

struct TCITEM {
  UINT mask;
  DWORD dwState;
  DWORD dwStateMask;
  LPTSTR pszText;   // in: the text; out: a buffer of cchTextMax characters
  int cchTextMax;
  int iImage;
  LPARAM lParam;
};
typedef TCITEM* LPTCITEM;
typedef TCITEM TC_ITEM;

#define TCHT_NOWHERE 0x0001u
#define TCHT_ONITEMICON 0x0002u
#define TCHT_ONITEMLABEL 0x0004u
#define TCHT_ONITEM (TCHT_ONITEMICON | TCHT_ONITEMLABEL)

struct TCHITTESTINFO {
  POINT pt;
  UINT flags;
};
typedef TCHITTESTINFO* LPTCHITTESTINFO;

#define TCN_FIRST (0u - 550u)
#define TCN_KEYDOWN (TCN_FIRST - 0)
#define TCN_SELCHANGE (TCN_FIRST - 1)
#define TCN_SELCHANGING (TCN_FIRST - 2)
#define TCN_FOCUSCHANGE (TCN_FIRST - 4)

struct NMTCKEYDOWN {
  NMHDR hdr;
  WORD wVKey;
  UINT flags;
};
typedef NMTCKEYDOWN TC_KEYDOWN;

// Messages the class answers when they are sent to it.
#define TCM_FIRST 0x1300u
#define TCM_GETIMAGELIST (TCM_FIRST + 2)
#define TCM_SETIMAGELIST (TCM_FIRST + 3)
#define TCM_GETITEMCOUNT (TCM_FIRST + 4)
#define TCM_DELETEITEM (TCM_FIRST + 8)
#define TCM_DELETEALLITEMS (TCM_FIRST + 9)
#define TCM_GETITEMRECT (TCM_FIRST + 10)
#define TCM_GETCURSEL (TCM_FIRST + 11)
#define TCM_SETCURSEL (TCM_FIRST + 12)
#define TCM_HITTEST (TCM_FIRST + 13)
#define TCM_ADJUSTRECT (TCM_FIRST + 40)
#define TCM_SETITEMSIZE (TCM_FIRST + 41)
#define TCM_SETPADDING (TCM_FIRST + 43)
#define TCM_GETROWCOUNT (TCM_FIRST + 44)
#define TCM_GETCURFOCUS (TCM_FIRST + 47)
#define TCM_SETCURFOCUS (TCM_FIRST + 48)
#define TCM_SETMINTABWIDTH (TCM_FIRST + 49)
#define TCM_GETITEM (TCM_FIRST + 60)
#define TCM_SETITEM (TCM_FIRST + 61)
#define TCM_INSERTITEM (TCM_FIRST + 62)

class CTabCtrl : public CWnd {
 public:
  CTabCtrl() = default;
  BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);

  // Inserts before nItem (at the end when past it); the new index or -1. The first tab of an
  // empty control becomes the selected one.
  LONG InsertItem(int nItem, TCITEM* pTabCtrlItem);
  LONG InsertItem(int nItem, const CString& text);
  LONG InsertItem(int nItem, const CString& text, int nImage);
  LONG InsertItem(UINT nMask, int nItem, const CString& text, int nImage, LPARAM lParam);
  LONG InsertItem(UINT nMask, int nItem, const CString& text, int nImage, LPARAM lParam, DWORD dwState,
                  DWORD dwStateMask);
  // Deleting the selected tab leaves no tab selected.
  BOOL DeleteItem(int nItem);
  BOOL DeleteAllItems();
  int GetItemCount() const;
  BOOL GetItem(int nItem, TCITEM* pTabCtrlItem) const;
  BOOL SetItem(int nItem, TCITEM* pTabCtrlItem);

  // The previous selection, or -1 (also when nItem is out of range, which changes nothing).
  // -1 selects no tab.
  int GetCurSel() const;
  int SetCurSel(int nItem);
  int GetCurFocus() const;
  void SetCurFocus(int nItem);

  // Tab rectangles in client coordinates; FALSE for a bad index.
  BOOL GetItemRect(int nItem, LPRECT lpRect) const;
  int GetRowCount() const;
  // FALSE: from a window rectangle to its display area; TRUE: the other way round.
  void AdjustRect(BOOL bLarger, LPRECT lpRect);
  int HitTest(TCHITTESTINFO* pHitTestInfo) const;

  // The height of every tab, and the width of every tab with TCS_FIXEDWIDTH (0 keeps the
  // default); returns the previous size.
  CSize SetItemSize(CSize size);
  void SetPadding(CSize size);
  // The least width of a tab; -1 restores the default. Returns the previous value.
  int SetMinTabWidth(int cx);
  CImageList* SetImageList(CImageList* pImageList);
  CImageList* GetImageList() const;
  DWORD GetItemState(int nItem, DWORD dwMask) const;
  BOOL SetItemState(int nItem, DWORD dwMask, DWORD dwState);
  void DeselectAll(BOOL fExcludeFocus);

  // Owner-drawn tab controls (TCS_OWNERDRAWFIXED) paint every tab through this.
  void DrawItem(LPDRAWITEMSTRUCT) override {}

 protected:
  LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
};

namespace platform {
// Registers "SysTabControl32" (called by RegisterCommonControlClasses).
void RegisterTabControlClass();
}  // namespace platform
