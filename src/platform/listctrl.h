// CListCtrl and CHeaderCtrl: the list view in report mode (rows of items with sub-item columns,
// selection, check boxes, sorting by callback, owner and custom drawing) and the header control
// that carries its column titles. Window classes "SysListView32" and "SysHeader32".
//
// Notifications go to the parent for what the user does (clicks, keys, drags, column clicks).
// A program's own changes send nothing: SetItemState, InsertItem, DeleteItem and the like do
// not send LVN_ITEMCHANGED, LVN_INSERTITEM or LVN_DELETEITEM (unlike the Windows list view,
// which reports programmatic state changes too).
//
// Coordinates are client coordinates of the list: the header is part of the client area, so
// the first row starts below it.
#pragma once

#include "platform/collections.h"
#include "platform/controls.h"
#include "platform/imagelist.h"
#include "platform/wnd.h"

// ---- list view styles ------------------------------------------------------------------------
#define LVS_ICON 0x0000u
#define LVS_REPORT 0x0001u
#define LVS_SMALLICON 0x0002u
#define LVS_LIST 0x0003u
#define LVS_TYPEMASK 0x0003u
#define LVS_SINGLESEL 0x0004u
#define LVS_SHOWSELALWAYS 0x0008u
#define LVS_SORTASCENDING 0x0010u
#define LVS_SORTDESCENDING 0x0020u
#define LVS_SHAREIMAGELISTS 0x0040u
#define LVS_NOLABELWRAP 0x0080u
#define LVS_AUTOARRANGE 0x0100u
#define LVS_EDITLABELS 0x0200u
#define LVS_OWNERDRAWFIXED 0x0400u
#define LVS_ALIGNTOP 0x0000u
#define LVS_ALIGNLEFT 0x0800u
#define LVS_OWNERDATA 0x1000u
#define LVS_NOSCROLL 0x2000u
#define LVS_NOCOLUMNHEADER 0x4000u
#define LVS_NOSORTHEADER 0x8000u

#define LVS_EX_GRIDLINES 0x00000001u
#define LVS_EX_SUBITEMIMAGES 0x00000002u
#define LVS_EX_CHECKBOXES 0x00000004u
#define LVS_EX_TRACKSELECT 0x00000008u
#define LVS_EX_HEADERDRAGDROP 0x00000010u
#define LVS_EX_FULLROWSELECT 0x00000020u
#define LVS_EX_ONECLICKACTIVATE 0x00000040u
#define LVS_EX_TWOCLICKACTIVATE 0x00000080u
#define LVS_EX_FLATSB 0x00000100u
#define LVS_EX_INFOTIP 0x00000400u
#define LVS_EX_UNDERLINEHOT 0x00000800u
#define LVS_EX_UNDERLINECOLD 0x00001000u
#define LVS_EX_LABELTIP 0x00004000u
#define LVS_EX_BORDERSELECT 0x00008000u
#define LVS_EX_DOUBLEBUFFER 0x00010000u

// ---- columns -----------------------------------------------------------------------------------
#define LVCF_FMT 0x0001u
#define LVCF_WIDTH 0x0002u
#define LVCF_TEXT 0x0004u
#define LVCF_SUBITEM 0x0008u
#define LVCF_IMAGE 0x0010u
#define LVCF_ORDER 0x0020u

#define LVCFMT_LEFT 0x0000
#define LVCFMT_RIGHT 0x0001
#define LVCFMT_CENTER 0x0002
#define LVCFMT_JUSTIFYMASK 0x0003
#define LVCFMT_IMAGE 0x0800
#define LVCFMT_BITMAP_ON_RIGHT 0x1000
#define LVCFMT_COL_HAS_IMAGES 0x8000

#define LVSCW_AUTOSIZE (-1)
#define LVSCW_AUTOSIZE_USEHEADER (-2)

struct LVCOLUMN {
  UINT mask;
  int fmt;
  int cx;
  LPTSTR pszText;   // in: the title; out: a buffer of cchTextMax characters
  int cchTextMax;
  int iSubItem;
  int iImage;
  int iOrder;
};
typedef LVCOLUMN* LPLVCOLUMN;

// ---- items -------------------------------------------------------------------------------------
#define LVIF_TEXT 0x0001u
#define LVIF_IMAGE 0x0002u
#define LVIF_PARAM 0x0004u
#define LVIF_STATE 0x0008u
#define LVIF_INDENT 0x0010u
#define LVIF_NORECOMPUTE 0x0800u

#define LVIS_FOCUSED 0x0001u
#define LVIS_SELECTED 0x0002u
#define LVIS_CUT 0x0004u
#define LVIS_DROPHILITED 0x0008u
#define LVIS_OVERLAYMASK 0x0F00u
#define LVIS_STATEIMAGEMASK 0xF000u
#define INDEXTOSTATEIMAGEMASK(i) ((UINT)(i) << 12)
#define INDEXTOOVERLAYMASK(i) ((UINT)(i) << 8)

#define LPSTR_TEXTCALLBACK (reinterpret_cast<LPTSTR>(-1))
#define I_IMAGECALLBACK (-1)
#define I_IMAGENONE (-2)

struct LVITEM {
  UINT mask;
  int iItem;
  int iSubItem;
  UINT state;
  UINT stateMask;
  LPTSTR pszText;   // in: the text; out: a buffer of cchTextMax characters
  int cchTextMax;
  int iImage;
  LPARAM lParam;
  int iIndent;
};
typedef LVITEM* LPLVITEM;

#define LVNI_ALL 0x0000
#define LVNI_FOCUSED 0x0001
#define LVNI_SELECTED 0x0002
#define LVNI_CUT 0x0004
#define LVNI_DROPHILITED 0x0008
#define LVNI_ABOVE 0x0100
#define LVNI_BELOW 0x0200
#define LVNI_TOLEFT 0x0400
#define LVNI_TORIGHT 0x0800

#define LVIR_BOUNDS 0
#define LVIR_ICON 1
#define LVIR_LABEL 2
#define LVIR_SELECTBOUNDS 3

#define LVHT_NOWHERE 0x0001u
#define LVHT_ONITEMICON 0x0002u
#define LVHT_ONITEMLABEL 0x0004u
#define LVHT_ONITEMSTATEICON 0x0008u
#define LVHT_ONITEM (LVHT_ONITEMICON | LVHT_ONITEMLABEL | LVHT_ONITEMSTATEICON)
#define LVHT_ABOVE 0x0008u
#define LVHT_BELOW 0x0010u
#define LVHT_TORIGHT 0x0020u
#define LVHT_TOLEFT 0x0040u

struct LVHITTESTINFO {
  POINT pt;
  UINT flags;
  int iItem;
  int iSubItem;
  int iGroup;
};
typedef LVHITTESTINFO* LPLVHITTESTINFO;

#define LVFI_PARAM 0x0001u
#define LVFI_STRING 0x0002u
#define LVFI_SUBSTRING 0x0004u
#define LVFI_PARTIAL 0x0008u
#define LVFI_WRAP 0x0020u
#define LVFI_NEARESTXY 0x0040u

struct LVFINDINFO {
  UINT flags;
  LPCTSTR psz;
  LPARAM lParam;
  POINT pt;
  UINT vkDirection;
};

#define LVSIL_NORMAL 0
#define LVSIL_SMALL 1
#define LVSIL_STATE 2

#ifndef CALLBACK
#define CALLBACK
#endif
typedef int(CALLBACK* PFNLVCOMPARE)(LPARAM, LPARAM, LPARAM);

// ---- notifications -----------------------------------------------------------------------------
#define LVN_FIRST (0u - 100u)
#define LVN_ITEMCHANGING (LVN_FIRST - 0)
#define LVN_ITEMCHANGED (LVN_FIRST - 1)
#define LVN_INSERTITEM (LVN_FIRST - 2)
#define LVN_DELETEITEM (LVN_FIRST - 3)
#define LVN_DELETEALLITEMS (LVN_FIRST - 4)
#define LVN_COLUMNCLICK (LVN_FIRST - 8)
#define LVN_BEGINDRAG (LVN_FIRST - 9)
#define LVN_BEGINRDRAG (LVN_FIRST - 11)
#define LVN_ITEMACTIVATE (LVN_FIRST - 14)
#define LVN_KEYDOWN (LVN_FIRST - 55)
#define LVN_BEGINLABELEDIT (LVN_FIRST - 75)
#define LVN_ENDLABELEDIT (LVN_FIRST - 76)

#define LVKF_ALT 0x0001u
#define LVKF_CONTROL 0x0002u
#define LVKF_SHIFT 0x0004u

struct NMLISTVIEW {
  NMHDR hdr;
  int iItem;
  int iSubItem;
  UINT uNewState;
  UINT uOldState;
  UINT uChanged;
  POINT ptAction;
  LPARAM lParam;
};
typedef NMLISTVIEW* LPNMLISTVIEW;
typedef NMLISTVIEW NM_LISTVIEW;

struct NMITEMACTIVATE {
  NMHDR hdr;
  int iItem;
  int iSubItem;
  UINT uNewState;
  UINT uOldState;
  UINT uChanged;
  POINT ptAction;
  LPARAM lParam;
  UINT uKeyFlags;
};
typedef NMITEMACTIVATE* LPNMITEMACTIVATE;

struct NMLVKEYDOWN {
  NMHDR hdr;
  WORD wVKey;
  UINT flags;
};
typedef NMLVKEYDOWN* LPNMLVKEYDOWN;
typedef NMLVKEYDOWN LV_KEYDOWN;

struct NMLVDISPINFO {
  NMHDR hdr;
  LVITEM item;
};
typedef NMLVDISPINFO LV_DISPINFO;

// Custom draw (NM_CUSTOMDRAW).
#define CDDS_PREPAINT 0x00000001u
#define CDDS_POSTPAINT 0x00000002u
#define CDDS_PREERASE 0x00000003u
#define CDDS_POSTERASE 0x00000004u
#define CDDS_ITEM 0x00010000u
#define CDDS_ITEMPREPAINT (CDDS_ITEM | CDDS_PREPAINT)
#define CDDS_ITEMPOSTPAINT (CDDS_ITEM | CDDS_POSTPAINT)
#define CDDS_SUBITEM 0x00020000u

#define CDRF_DODEFAULT 0x00000000
#define CDRF_NEWFONT 0x00000002
#define CDRF_SKIPDEFAULT 0x00000004
#define CDRF_DOERASE 0x00000008
#define CDRF_NOTIFYPOSTPAINT 0x00000010
#define CDRF_NOTIFYITEMDRAW 0x00000020
#define CDRF_NOTIFYSUBITEMDRAW 0x00000020
#define CDRF_NOTIFYPOSTERASE 0x00000040
#define CDRF_SKIPPOSTPAINT 0x00000100

#define CDIS_SELECTED 0x0001u
#define CDIS_GRAYED 0x0002u
#define CDIS_DISABLED 0x0004u
#define CDIS_CHECKED 0x0008u
#define CDIS_FOCUS 0x0010u
#define CDIS_DEFAULT 0x0020u
#define CDIS_HOT 0x0040u

struct NMCUSTOMDRAW {
  NMHDR hdr;
  DWORD dwDrawStage;
  HDC hdc;
  RECT rc;
  DWORD_PTR dwItemSpec;
  UINT uItemState;
  LPARAM lItemlParam;
};
typedef NMCUSTOMDRAW* LPNMCUSTOMDRAW;

struct NMLVCUSTOMDRAW {
  NMCUSTOMDRAW nmcd;
  COLORREF clrText;
  COLORREF clrTextBk;
  int iSubItem;
  DWORD dwItemType;
  COLORREF clrFace;
  int iIconEffect;
  int iIconPhase;
  int iPartId;
  int iStateId;
  RECT rcText;
  UINT uAlign;
};
typedef NMLVCUSTOMDRAW* LPNMLVCUSTOMDRAW;

// ---- header control ----------------------------------------------------------------------------
#define HDS_HORZ 0x0000u
#define HDS_BUTTONS 0x0002u
#define HDS_HOTTRACK 0x0004u
#define HDS_HIDDEN 0x0008u
#define HDS_DRAGDROP 0x0040u
#define HDS_FULLDRAG 0x0080u

#define HDI_WIDTH 0x0001u
#define HDI_HEIGHT HDI_WIDTH
#define HDI_TEXT 0x0002u
#define HDI_FORMAT 0x0004u
#define HDI_LPARAM 0x0008u
#define HDI_BITMAP 0x0010u
#define HDI_IMAGE 0x0020u
#define HDI_DI_SETITEM 0x0040u
#define HDI_ORDER 0x0080u

#define HDF_LEFT 0x0000
#define HDF_RIGHT 0x0001
#define HDF_CENTER 0x0002
#define HDF_JUSTIFYMASK 0x0003
#define HDF_RTLREADING 0x0004
#define HDF_SORTDOWN 0x0200
#define HDF_SORTUP 0x0400
#define HDF_IMAGE 0x0800
#define HDF_BITMAP_ON_RIGHT 0x1000
#define HDF_BITMAP 0x2000
#define HDF_STRING 0x4000
#define HDF_OWNERDRAW 0x8000

struct HDITEM {
  UINT mask;
  int cxy;
  LPTSTR pszText;   // in: the title; out: a buffer of cchTextMax characters
  HBITMAP hbm;
  int cchTextMax;
  int fmt;
  LPARAM lParam;
  int iImage;
  int iOrder;
  UINT type;
  void* pvFilter;
  UINT state;
};
typedef HDITEM* LPHDITEM;

#define HHT_NOWHERE 0x0001u
#define HHT_ONHEADER 0x0002u
#define HHT_ONDIVIDER 0x0004u
#define HHT_ONDIVOPEN 0x0008u
#define HHT_ABOVE 0x0100u
#define HHT_BELOW 0x0200u
#define HHT_TORIGHT 0x0400u
#define HHT_TOLEFT 0x0800u

struct HDHITTESTINFO {
  POINT pt;
  UINT flags;
  int iItem;
};
typedef HDHITTESTINFO* LPHDHITTESTINFO;

#define HDN_FIRST (0u - 300u)
#define HDN_BEGINDRAG (HDN_FIRST - 10)
#define HDN_ENDDRAG (HDN_FIRST - 11)
#define HDN_ITEMCHANGING (HDN_FIRST - 20)
#define HDN_ITEMCHANGED (HDN_FIRST - 21)
#define HDN_ITEMCLICK (HDN_FIRST - 22)
#define HDN_ITEMDBLCLICK (HDN_FIRST - 23)
#define HDN_DIVIDERDBLCLICK (HDN_FIRST - 25)
#define HDN_BEGINTRACK (HDN_FIRST - 26)
#define HDN_ENDTRACK (HDN_FIRST - 27)
#define HDN_TRACK (HDN_FIRST - 28)

struct NMHEADER {
  NMHDR hdr;
  int iItem;
  int iButton;  // 0 left, 1 right, 2 middle
  HDITEM* pitem;
};
typedef NMHEADER* LPNMHEADER;
typedef NMHEADER HD_NOTIFY;

// ---- messages (the ones the classes answer when sent) -------------------------------------------
#define LVM_FIRST 0x1000u
#define LVM_GETITEMCOUNT (LVM_FIRST + 4)
#define LVM_DELETEITEM (LVM_FIRST + 8)
#define LVM_DELETEALLITEMS (LVM_FIRST + 9)
#define LVM_GETNEXTITEM (LVM_FIRST + 12)
#define LVM_GETITEMRECT (LVM_FIRST + 14)
#define LVM_HITTEST (LVM_FIRST + 18)
#define LVM_ENSUREVISIBLE (LVM_FIRST + 19)
#define LVM_GETHEADER (LVM_FIRST + 31)
#define LVM_GETTOPINDEX (LVM_FIRST + 39)
#define LVM_GETCOUNTPERPAGE (LVM_FIRST + 40)
#define LVM_SETITEMSTATE (LVM_FIRST + 43)
#define LVM_GETITEMSTATE (LVM_FIRST + 44)
#define LVM_GETSELECTEDCOUNT (LVM_FIRST + 50)
#define LVM_SETEXTENDEDLISTVIEWSTYLE (LVM_FIRST + 54)
#define LVM_GETEXTENDEDLISTVIEWSTYLE (LVM_FIRST + 55)
#define LVM_GETSUBITEMRECT (LVM_FIRST + 56)
#define LVM_SUBITEMHITTEST (LVM_FIRST + 57)
#define LVM_GETSELECTIONMARK (LVM_FIRST + 66)
#define LVM_SETSELECTIONMARK (LVM_FIRST + 67)

#define HDM_FIRST 0x1200u
#define HDM_GETITEMCOUNT (HDM_FIRST + 0)
#define HDM_DELETEITEM (HDM_FIRST + 2)
#define HDM_GETITEMRECT (HDM_FIRST + 7)
#define HDM_SETIMAGELIST (HDM_FIRST + 8)
#define HDM_GETIMAGELIST (HDM_FIRST + 9)
#define HDM_GETITEM (HDM_FIRST + 11)
#define HDM_SETITEM (HDM_FIRST + 12)
#define HDM_INSERTITEM (HDM_FIRST + 10)
#define HDM_LAYOUT (HDM_FIRST + 5)

// Where a window goes (the part HDM_LAYOUT fills in).
struct WINDOWPOS {
  HWND hwnd = nullptr;
  HWND hwndInsertAfter = nullptr;
  int x = 0;
  int y = 0;
  int cx = 0;
  int cy = 0;
  UINT flags = 0;
};
// HDM_LAYOUT: prc is the rectangle the header may take (in its parent's client coordinates); the
// header fills in pwpos with its place (top of prc, prc's width, its own height) and moves prc's
// top below itself. The list view sends it to its header whenever it lays itself out.
struct HDLAYOUT {
  RECT* prc = nullptr;
  WINDOWPOS* pwpos = nullptr;
};
using LPHDLAYOUT = HDLAYOUT*;

class CHeaderCtrl : public CWnd {
 public:
  CHeaderCtrl() = default;
  BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);

  int GetItemCount() const;
  // Inserts at nPos (the end when past it); the new index or -1.
  int InsertItem(int nPos, HDITEM* phdi);
  BOOL DeleteItem(int nPos);
  BOOL GetItem(int nPos, HDITEM* pHeaderItem) const;
  BOOL SetItem(int nPos, HDITEM* pHeaderItem);
  BOOL GetItemRect(int nIndex, LPRECT lpRect) const;
  int HitTest(LPHDHITTESTINFO pHeaderHitTestInfo) const;
  CImageList* SetImageList(CImageList* pImageList);
  CImageList* GetImageList() const;
  // Display order of the items (indices in display order).
  BOOL GetOrderArray(LPINT piArray, int iCount = -1) const;
  BOOL SetOrderArray(int iCount, LPINT piArray);
  int OrderToIndex(int nOrder) const;
  // Sends HDM_LAYOUT (see HDLAYOUT).
  BOOL Layout(HDLAYOUT* pHeaderLayout);

 protected:
  LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
};

class CListCtrl : public CWnd {
 public:
  CListCtrl() = default;
  BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);
  BOOL CreateEx(DWORD dwExStyle, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);

  // Columns. A column inserted without a width is 0 pixels wide. Sub-item texts belong to
  // column positions: inserting or deleting a column moves the texts of the columns after it.
  int InsertColumn(int nCol, const LVCOLUMN* pColumn);
  int InsertColumn(int nCol, const CString& heading, int nFormat = LVCFMT_LEFT, int nWidth = -1,
                   int nSubItem = -1);
  BOOL DeleteColumn(int nCol);
  BOOL GetColumn(int nCol, LVCOLUMN* pColumn) const;
  BOOL SetColumn(int nCol, const LVCOLUMN* pColumn);
  int GetColumnWidth(int nCol) const;
  // cx may be LVSCW_AUTOSIZE (widest text) or LVSCW_AUTOSIZE_USEHEADER (also the title; the
  // last column fills the rest of the client width).
  BOOL SetColumnWidth(int nCol, int cx);
  BOOL GetColumnOrderArray(LPINT piArray, int iCount = -1) const;
  BOOL SetColumnOrderArray(int iCount, LPINT piArray);
  // The header of the list (lives as long as the list's window).
  CHeaderCtrl* GetHeaderCtrl() const;

  // Items.
  int InsertItem(const LVITEM* pItem);
  int InsertItem(int nItem, const CString& text);
  int InsertItem(int nItem, const CString& text, int nImage);
  int InsertItem(UINT nMask, int nItem, const CString& text, UINT nState, UINT nStateMask, int nImage,
                 LPARAM lParam);
  BOOL DeleteItem(int nItem);
  BOOL DeleteAllItems();
  int GetItemCount() const;
  BOOL GetItem(LVITEM* pItem) const;
  BOOL SetItem(const LVITEM* pItem);
  BOOL SetItem(int nItem, int nSubItem, UINT nMask, const CString& text, int nImage, UINT nState,
               UINT nStateMask, LPARAM lParam);
  BOOL SetItemText(int nItem, int nSubItem, const CString& text);
  CString GetItemText(int nItem, int nSubItem) const;
  // Copies at most nLen - 1 characters and a terminating zero; returns the characters copied.
  int GetItemText(int nItem, int nSubItem, LPTSTR lpszText, int nLen) const;
  BOOL SetItemData(int nItem, DWORD_PTR dwData);
  DWORD_PTR GetItemData(int nItem) const;
  BOOL SetItemState(int nItem, UINT nState, UINT nMask);
  BOOL SetItemState(int nItem, LVITEM* pItem);  // nItem -1: every item
  UINT GetItemState(int nItem, UINT nMask) const;
  BOOL SetCheck(int nItem, BOOL fCheck = TRUE);
  BOOL GetCheck(int nItem) const;

  // Selection.
  UINT GetSelectedCount() const;
  POSITION GetFirstSelectedItemPosition() const;
  int GetNextSelectedItem(POSITION& pos) const;
  int GetNextItem(int nItem, int nFlags) const;
  int GetSelectionMark() const;
  int SetSelectionMark(int iIndex);

  // Looks.
  DWORD SetExtendedStyle(DWORD dwNewStyle);
  DWORD GetExtendedStyle() const;
  COLORREF GetBkColor() const;
  BOOL SetBkColor(COLORREF cr);
  COLORREF GetTextColor() const;
  BOOL SetTextColor(COLORREF cr);
  COLORREF GetTextBkColor() const;
  BOOL SetTextBkColor(COLORREF cr);
  CImageList* SetImageList(CImageList* pImageList, int nImageListType);
  CImageList* GetImageList(int nImageListType) const;

  // Places.
  BOOL EnsureVisible(int nItem, BOOL bPartialOK);
  int GetTopIndex() const;
  int GetCountPerPage() const;
  BOOL GetItemRect(int nItem, LPRECT lpRect, UINT nCode) const;
  BOOL GetSubItemRect(int iItem, int iSubItem, int nArea, CRect& ref) const;
  BOOL GetItemPosition(int nItem, LPPOINT lpPoint) const;
  int HitTest(CPoint pt, UINT* pFlags = nullptr) const;
  int HitTest(LVHITTESTINFO* pHitTestInfo) const;
  int SubItemHitTest(LPLVHITTESTINFO pInfo);
  BOOL Scroll(CSize size);
  BOOL RedrawItems(int nFirst, int nLast);
  BOOL Update(int nItem);

  // Sorting: the callback gets the two items' item data and dwData and answers <0, 0 or >0.
  // Items that compare equal keep their order.
  BOOL SortItems(PFNLVCOMPARE pfnCompare, DWORD_PTR dwData);
  // The same, but the callback gets the items' indices (before the sort).
  BOOL SortItemsEx(PFNLVCOMPARE pfnCompare, DWORD_PTR dwData);
  // LVFI_PARAM: item data equal to lParam; LVFI_STRING: item text equal (no case), with
  // LVFI_PARTIAL its start; LVFI_WRAP continues from the top. Starts after nStart.
  int FindItem(LVFINDINFO* pFindInfo, int nStart = -1) const;

  // Dragging: a new image list (owned by the caller) with the item's picture; lpPoint gets the
  // item's top-left corner in client coordinates.
  CImageList* CreateDragImage(int nItem, LPPOINT lpPoint);

  // Label editing (LVS_EDITLABELS): an edit over the label; LVN_BEGINLABELEDIT may refuse it;
  // Enter or leaving the edit ends it with LVN_ENDLABELEDIT (the new text, or null for Escape);
  // a TRUE answer stores the text.
  CEdit* EditLabel(int nItem);
  CEdit* GetEditControl() const;
  BOOL CancelEditLabel();

  // Owner-drawn lists (LVS_OWNERDRAWFIXED) paint every row through this.
  void DrawItem(LPDRAWITEMSTRUCT) override {}

 protected:
  LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
};
