// The basic standard controls: button, edit, static, combo box, list box, progress bar, scroll bar,
// IP address field and tooltip, with their style bits, messages and notification records.
#pragma once

#include "platform/wnd.h"

// ---------------------------------------------------------------------------------------------
// Buttons.
#define BS_PUSHBUTTON 0x00000000u
#define BS_DEFPUSHBUTTON 0x00000001u
#define BS_CHECKBOX 0x00000002u
#define BS_AUTOCHECKBOX 0x00000003u
#define BS_RADIOBUTTON 0x00000004u
#define BS_3STATE 0x00000005u
#define BS_AUTO3STATE 0x00000006u
#define BS_GROUPBOX 0x00000007u
#define BS_USERBUTTON 0x00000008u
#define BS_AUTORADIOBUTTON 0x00000009u
#define BS_PUSHBOX 0x0000000Au
#define BS_OWNERDRAW 0x0000000Bu
#define BS_TYPEMASK 0x0000000Fu
#define BS_LEFTTEXT 0x00000020u
#define BS_TEXT 0x00000000u
#define BS_ICON 0x00000040u
#define BS_BITMAP 0x00000080u
#define BS_LEFT 0x00000100u
#define BS_RIGHT 0x00000200u
#define BS_CENTER 0x00000300u
#define BS_TOP 0x00000400u
#define BS_BOTTOM 0x00000800u
#define BS_VCENTER 0x00000C00u
#define BS_PUSHLIKE 0x00001000u
#define BS_MULTILINE 0x00002000u
#define BS_NOTIFY 0x00004000u
#define BS_FLAT 0x00008000u

#define BST_UNCHECKED 0x0000
#define BST_CHECKED 0x0001
#define BST_INDETERMINATE 0x0002
#define BST_PUSHED 0x0004
#define BST_FOCUS 0x0008

#define BM_GETCHECK 0x00F0
#define BM_SETCHECK 0x00F1
#define BM_GETSTATE 0x00F2
#define BM_SETSTATE 0x00F3
#define BM_SETSTYLE 0x00F4
#define BM_CLICK 0x00F5
#define BM_GETIMAGE 0x00F6
#define BM_SETIMAGE 0x00F7

#ifndef IMAGE_BITMAP
#define IMAGE_BITMAP 0
#endif
#ifndef IMAGE_ICON
#define IMAGE_ICON 1
#endif

// ---------------------------------------------------------------------------------------------
// Edits.
#define ES_LEFT 0x0000u
#define ES_CENTER 0x0001u
#define ES_RIGHT 0x0002u
#define ES_MULTILINE 0x0004u
#define ES_UPPERCASE 0x0008u
#define ES_LOWERCASE 0x0010u
#define ES_PASSWORD 0x0020u
#define ES_AUTOVSCROLL 0x0040u
#define ES_AUTOHSCROLL 0x0080u
#define ES_NOHIDESEL 0x0100u
#define ES_OEMCONVERT 0x0400u
#define ES_READONLY 0x0800u
#define ES_WANTRETURN 0x1000u
#define ES_NUMBER 0x2000u

#define EM_GETSEL 0x00B0
#define EM_SETSEL 0x00B1
#define EM_LINESCROLL 0x00B6
#define EM_SCROLLCARET 0x00B7
#define EM_GETMODIFY 0x00B8
#define EM_SETMODIFY 0x00B9
#define EM_GETLINECOUNT 0x00BA
#define EM_LINEINDEX 0x00BB
#define EM_LINELENGTH 0x00C1
#define EM_REPLACESEL 0x00C2  // lParam: const CString*
#define EM_LIMITTEXT 0x00C5
#define EM_SETLIMITTEXT EM_LIMITTEXT
#define EM_CANUNDO 0x00C6
#define EM_UNDO 0x00C7
#define EM_LINEFROMCHAR 0x00C9
#define EM_SETPASSWORDCHAR 0x00CC
#define EM_EMPTYUNDOBUFFER 0x00CD
#define EM_GETFIRSTVISIBLELINE 0x00CE
#define EM_SETREADONLY 0x00CF
#define EM_GETPASSWORDCHAR 0x00D2
#define EM_GETLIMITTEXT 0x00D5

// ---------------------------------------------------------------------------------------------
// Statics.
#define SS_LEFT 0x00000000u
#define SS_CENTER 0x00000001u
#define SS_RIGHT 0x00000002u
#define SS_ICON 0x00000003u
#define SS_BLACKRECT 0x00000004u
#define SS_GRAYRECT 0x00000005u
#define SS_WHITERECT 0x00000006u
#define SS_BLACKFRAME 0x00000007u
#define SS_GRAYFRAME 0x00000008u
#define SS_WHITEFRAME 0x00000009u
#define SS_SIMPLE 0x0000000Bu
#define SS_LEFTNOWORDWRAP 0x0000000Cu
#define SS_OWNERDRAW 0x0000000Du
#define SS_BITMAP 0x0000000Eu
#define SS_ETCHEDHORZ 0x00000010u
#define SS_ETCHEDVERT 0x00000011u
#define SS_ETCHEDFRAME 0x00000012u
#define SS_TYPEMASK 0x0000001Fu
#define SS_REALSIZECONTROL 0x00000040u
#define SS_NOPREFIX 0x00000080u
#define SS_NOTIFY 0x00000100u
#define SS_CENTERIMAGE 0x00000200u
#define SS_RIGHTJUST 0x00000400u
#define SS_REALSIZEIMAGE 0x00000800u
#define SS_SUNKEN 0x00001000u
#define SS_ENDELLIPSIS 0x00004000u

#define STM_SETICON 0x0170
#define STM_GETICON 0x0171
#define STM_SETIMAGE 0x0172
#define STM_GETIMAGE 0x0173

// ---------------------------------------------------------------------------------------------
// Combo boxes.
#define CBS_SIMPLE 0x0001u
#define CBS_DROPDOWN 0x0002u
#define CBS_DROPDOWNLIST 0x0003u
#define CBS_OWNERDRAWFIXED 0x0010u
#define CBS_OWNERDRAWVARIABLE 0x0020u
#define CBS_AUTOHSCROLL 0x0040u
#define CBS_OEMCONVERT 0x0080u
#define CBS_SORT 0x0100u
#define CBS_HASSTRINGS 0x0200u
#define CBS_NOINTEGRALHEIGHT 0x0400u
#define CBS_DISABLENOSCROLL 0x0800u
#define CBS_UPPERCASE 0x2000u
#define CBS_LOWERCASE 0x4000u

#define CB_OKAY 0
#define CB_ERR (-1)
#define CB_ERRSPACE (-2)

#define CB_GETEDITSEL 0x0140
#define CB_LIMITTEXT 0x0141
#define CB_SETEDITSEL 0x0142
#define CB_ADDSTRING 0x0143      // lParam: const CString*
#define CB_DELETESTRING 0x0144
#define CB_GETCOUNT 0x0146
#define CB_GETCURSEL 0x0147
#define CB_GETLBTEXT 0x0148      // lParam: CString*
#define CB_GETLBTEXTLEN 0x0149
#define CB_INSERTSTRING 0x014A   // lParam: const CString*
#define CB_RESETCONTENT 0x014B
#define CB_FINDSTRING 0x014C     // lParam: const CString*
#define CB_SELECTSTRING 0x014D   // lParam: const CString*
#define CB_SETCURSEL 0x014E
#define CB_SHOWDROPDOWN 0x014F
#define CB_GETITEMDATA 0x0150
#define CB_SETITEMDATA 0x0151
#define CB_GETDROPPEDSTATE 0x0157
#define CB_FINDSTRINGEXACT 0x0158  // lParam: const CString*
#define CB_GETDROPPEDWIDTH 0x015F
#define CB_SETDROPPEDWIDTH 0x0160

// ---------------------------------------------------------------------------------------------
// List boxes.
#define LBS_NOTIFY 0x0001u
#define LBS_SORT 0x0002u
#define LBS_NOREDRAW 0x0004u
#define LBS_MULTIPLESEL 0x0008u
#define LBS_OWNERDRAWFIXED 0x0010u
#define LBS_OWNERDRAWVARIABLE 0x0020u
#define LBS_HASSTRINGS 0x0040u
#define LBS_USETABSTOPS 0x0080u
#define LBS_NOINTEGRALHEIGHT 0x0100u
#define LBS_MULTICOLUMN 0x0200u
#define LBS_WANTKEYBOARDINPUT 0x0400u
#define LBS_EXTENDEDSEL 0x0800u
#define LBS_DISABLENOSCROLL 0x1000u
#define LBS_NOSEL 0x4000u
#define LBS_STANDARD (LBS_NOTIFY | LBS_SORT | WS_VSCROLL | WS_BORDER)

#define LB_OKAY 0
#define LB_ERR (-1)
#define LB_ERRSPACE (-2)

#define LB_ADDSTRING 0x0180      // lParam: const CString*
#define LB_INSERTSTRING 0x0181   // lParam: const CString*
#define LB_DELETESTRING 0x0182
#define LB_RESETCONTENT 0x0184
#define LB_SETSEL 0x0185
#define LB_SETCURSEL 0x0186
#define LB_GETSEL 0x0187
#define LB_GETCURSEL 0x0188
#define LB_GETTEXT 0x0189        // lParam: CString*
#define LB_GETTEXTLEN 0x018A
#define LB_GETCOUNT 0x018B
#define LB_SELECTSTRING 0x018C   // lParam: const CString*
#define LB_GETTOPINDEX 0x018E
#define LB_FINDSTRING 0x018F     // lParam: const CString*
#define LB_GETSELCOUNT 0x0190
#define LB_GETHORIZONTALEXTENT 0x0193
#define LB_SETHORIZONTALEXTENT 0x0194
#define LB_SETTOPINDEX 0x0197
#define LB_GETITEMDATA 0x0199
#define LB_SETITEMDATA 0x019A
#define LB_SETCARETINDEX 0x019E
#define LB_GETCARETINDEX 0x019F
#define LB_SETITEMHEIGHT 0x01A0
#define LB_GETITEMHEIGHT 0x01A1
#define LB_FINDSTRINGEXACT 0x01A2  // lParam: const CString*

// ---------------------------------------------------------------------------------------------
// Scroll bar controls.
#define SBS_HORZ 0x0000u
#define SBS_VERT 0x0001u

#define SBM_SETPOS 0x00E0
#define SBM_GETPOS 0x00E1
#define SBM_SETRANGE 0x00E2
#define SBM_GETRANGE 0x00E3        // wParam: int* min, lParam: int* max
#define SBM_SETRANGEREDRAW 0x00E6
#define SBM_SETSCROLLINFO 0x00E9   // lParam: SCROLLINFO*
#define SBM_GETSCROLLINFO 0x00EA   // lParam: SCROLLINFO*

#define ESB_ENABLE_BOTH 0x0000u
#define ESB_DISABLE_LTUP 0x0001u
#define ESB_DISABLE_RTDN 0x0002u
#define ESB_DISABLE_BOTH 0x0003u

// ---------------------------------------------------------------------------------------------
// Progress bars.
#define PBS_SMOOTH 0x01u
#define PBS_VERTICAL 0x04u

#define PBM_SETRANGE (WM_USER + 1)
#define PBM_SETPOS (WM_USER + 2)
#define PBM_DELTAPOS (WM_USER + 3)
#define PBM_SETSTEP (WM_USER + 4)
#define PBM_STEPIT (WM_USER + 5)
#define PBM_SETRANGE32 (WM_USER + 6)
#define PBM_GETRANGE (WM_USER + 7)   // wParam: TRUE for the low end; lParam: PBRANGE* or 0
#define PBM_GETPOS (WM_USER + 8)
#define PBM_SETBARCOLOR (WM_USER + 9)
#define PBM_SETBKCOLOR 0x2001

struct PBRANGE {
  int iLow;
  int iHigh;
};

#ifndef CLR_NONE
#define CLR_NONE 0xFFFFFFFFu
#endif
#ifndef CLR_DEFAULT
#define CLR_DEFAULT 0xFF000000u
#endif

// ---------------------------------------------------------------------------------------------
// IP address fields.
#define IPM_CLEARADDRESS (WM_USER + 100)
#define IPM_SETADDRESS (WM_USER + 101)
#define IPM_GETADDRESS (WM_USER + 102)   // lParam: DWORD*
#define IPM_SETRANGE (WM_USER + 103)
#define IPM_SETFOCUS (WM_USER + 104)
#define IPM_ISBLANK (WM_USER + 105)

#define IPN_FIRST (0u - 860u)
#define IPN_FIELDCHANGED (IPN_FIRST - 0)

#define MAKEIPRANGE(low, high) ((LPARAM)(WORD)(((BYTE)(high) << 8) + (BYTE)(low)))
#define MAKEIPADDRESS(b1, b2, b3, b4) \
  ((DWORD)(((DWORD)(BYTE)(b1) << 24) + ((DWORD)(BYTE)(b2) << 16) + ((DWORD)(BYTE)(b3) << 8) + ((DWORD)(BYTE)(b4))))
#define FIRST_IPADDRESS(x) (((x) >> 24) & 0xff)
#define SECOND_IPADDRESS(x) (((x) >> 16) & 0xff)
#define THIRD_IPADDRESS(x) (((x) >> 8) & 0xff)
#define FOURTH_IPADDRESS(x) ((x) & 0xff)

// IPN_FIELDCHANGED record: the parent may change iValue (0..255, or -1 for blank).
struct NMIPADDRESS {
  NMHDR hdr;
  int iField;
  int iValue;
};
typedef NMIPADDRESS* LPNMIPADDRESS;

// ---------------------------------------------------------------------------------------------
// Tooltips.
#define TTS_ALWAYSTIP 0x01u
#define TTS_NOPREFIX 0x02u
#define TTS_NOANIMATE 0x10u
#define TTS_NOFADE 0x20u
#define TTS_BALLOON 0x40u

#define TTDT_AUTOMATIC 0
#define TTDT_RESHOW 1
#define TTDT_AUTOPOP 2
#define TTDT_INITIAL 3

// ---------------------------------------------------------------------------------------------
// Control classes. Every class keeps its state in its window's widget, so that an object that
// later takes the window over (SubclassWindow) sees the same control. Without a window every
// member answers its error value.

class CButton : public CWnd {
 public:
  CButton() = default;
  using CWnd::Create;
  BOOL Create(const CString& caption, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);

  int GetCheck() const;             // BST_UNCHECKED / BST_CHECKED / BST_INDETERMINATE
  void SetCheck(int nCheck);        // no notification
  UINT GetState() const;            // check state | BST_PUSHED | BST_FOCUS
  void SetState(BOOL bHighlight);   // shows the button pushed in or not
  UINT GetButtonStyle() const;      // the low style word
  void SetButtonStyle(UINT nStyle, BOOL bRedraw = TRUE);
  HBITMAP SetBitmap(HBITMAP hBitmap);  // returns the previous bitmap
  HBITMAP GetBitmap() const;
  HICON SetIcon(HICON hIcon);
  HICON GetIcon() const;

  LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
};

class CEdit : public CWnd {
 public:
  CEdit() = default;
  using CWnd::Create;
  BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);

  // Positions count UTF-16 units of the window text, in which a multi-line edit's line
  // breaks are "\r\n".
  DWORD GetSel() const;  // MAKELONG(start, end)
  void GetSel(int& nStartChar, int& nEndChar) const;
  // (0, -1) selects everything; a start of -1 removes the selection and puts the caret at the end.
  void SetSel(DWORD dwSelection, BOOL bNoScroll = FALSE);
  void SetSel(int nStartChar, int nEndChar, BOOL bNoScroll = FALSE);
  // Replaces the selection (the caret when nothing is selected), within the text limit.
  void ReplaceSel(const CString& text, BOOL bCanUndo = FALSE);

  // The limit of what the user can type or paste (0 = the largest). SetWindowText is not limited.
  void LimitText(int nChars = 0);
  void SetLimitText(UINT nMax);
  UINT GetLimitText() const;

  int GetLineCount() const;
  int GetLine(int nIndex, CString& text) const;  // returns the length, 0 for a bad line
  int LineIndex(int nLine = -1) const;           // first position of the line; -1 = caret line
  int LineLength(int nLine = -1) const;
  int LineFromChar(int nIndex = -1) const;
  void LineScroll(int nLines, int nChars = 0);
  int GetFirstVisibleLine() const;

  BOOL GetModify() const;
  void SetModify(BOOL bModified = TRUE);
  BOOL SetReadOnly(BOOL bReadOnly = TRUE);
  void SetPasswordChar(TCHAR ch);  // 0 shows the text
  TCHAR GetPasswordChar() const;

  BOOL CanUndo() const;
  void EmptyUndoBuffer();
  // Clipboard and undo; each goes through the window's message (WM_CLEAR, WM_COPY, ...).
  void Clear();
  void Copy();
  void Cut();
  void Paste();
  BOOL Undo();

  LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
};

class CStatic : public CWnd {
 public:
  CStatic() = default;
  using CWnd::Create;
  BOOL Create(const CString& text, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID = 0xffff);

  HBITMAP SetBitmap(HBITMAP hBitmap);  // shown with SS_BITMAP; returns the previous one
  HBITMAP GetBitmap() const;
  HICON SetIcon(HICON hIcon);
  HICON GetIcon() const;

  LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
};

class CComboBox : public CWnd {
 public:
  CComboBox() = default;
  using CWnd::Create;
  BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);

  int GetCount() const;
  int GetCurSel() const;
  int SetCurSel(int nSelect);  // -1 clears (and answers CB_ERR); out of range: CB_ERR, cleared
  int AddString(const CString& text);                 // sorted place with CBS_SORT
  int InsertString(int nIndex, const CString& text);  // -1 appends; never sorts
  int DeleteString(UINT nIndex);                      // remaining count or CB_ERR
  void ResetContent();
  int GetLBText(int nIndex, CString& text) const;     // length or CB_ERR
  CString GetLBText(int nIndex) const;
  int GetLBTextLen(int nIndex) const;
  // Searches start after nStartAfter (-1: from the first item) and wrap around. Case-insensitive.
  int FindString(int nStartAfter, const CString& prefix) const;
  int FindStringExact(int nIndexStart, const CString& text) const;
  int SelectString(int nStartAfter, const CString& prefix);
  DWORD_PTR GetItemData(int nIndex) const;            // (DWORD_PTR)CB_ERR for a bad index
  int SetItemData(int nIndex, DWORD_PTR dwItemData);
  void* GetItemDataPtr(int nIndex) const;
  int SetItemDataPtr(int nIndex, void* pData);
  BOOL GetDroppedState() const;
  void ShowDropDown(BOOL bShowIt = TRUE);
  int GetDroppedWidth() const;
  int SetDroppedWidth(UINT nWidth);
  BOOL LimitText(int nMaxChars);
  DWORD GetEditSel() const;
  BOOL SetEditSel(int nStartChar, int nEndChar);

  LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
};

class CListBox : public CWnd {
 public:
  CListBox() = default;
  using CWnd::Create;
  BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);

  int GetCount() const;
  int AddString(const CString& text);                 // sorted place with LBS_SORT
  int InsertString(int nIndex, const CString& text);  // -1 appends; never sorts
  int DeleteString(UINT nIndex);                      // remaining count or LB_ERR
  void ResetContent();
  int GetText(int nIndex, CString& text) const;       // length or LB_ERR
  CString GetText(int nIndex) const;
  int GetTextLen(int nIndex) const;
  int FindString(int nStartAfter, const CString& prefix) const;
  int FindStringExact(int nIndexStart, const CString& text) const;
  int SelectString(int nStartAfter, const CString& prefix);
  DWORD_PTR GetItemData(int nIndex) const;            // (DWORD_PTR)LB_ERR for a bad index
  int SetItemData(int nIndex, DWORD_PTR dwItemData);
  void* GetItemDataPtr(int nIndex) const;
  int SetItemDataPtr(int nIndex, void* pData);

  // Single-selection list boxes.
  int GetCurSel() const;
  int SetCurSel(int nSelect);
  // Multiple-selection list boxes (LBS_MULTIPLESEL / LBS_EXTENDEDSEL); nIndex -1 = every item.
  int GetSel(int nIndex) const;  // > 0 selected, 0 not, LB_ERR
  int SetSel(int nIndex, BOOL bSelect = TRUE);
  int GetSelCount() const;
  int GetSelItems(int nMaxItems, LPINT rgIndex) const;
  int SelItemRange(BOOL bSelect, int nFirstItem, int nLastItem);
  int GetCaretIndex() const;
  int SetCaretIndex(int nIndex, BOOL bScroll = TRUE);

  int GetTopIndex() const;
  int SetTopIndex(int nIndex);
  // Heights: one for every item, or per item with LBS_OWNERDRAWVARIABLE.
  int GetItemHeight(int nIndex) const;
  int SetItemHeight(int nIndex, UINT cyItemHeight);
  int GetItemRect(int nIndex, LPRECT lpRect) const;  // client coordinates
  UINT ItemFromPoint(CPoint pt, BOOL& bOutside) const;
  int GetHorizontalExtent() const;
  void SetHorizontalExtent(int cxExtent);

  LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
};

class CProgressCtrl : public CWnd {
 public:
  CProgressCtrl() = default;
  using CWnd::Create;
  BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);

  void SetRange(short nLower, short nUpper);
  void SetRange32(int nLower, int nUpper);
  void GetRange(int& nLower, int& nUpper) const;
  int GetPos() const;
  int SetPos(int nPos);        // returns the previous position
  int OffsetPos(int nPos);     // returns the previous position
  int SetStep(int nStep);      // returns the previous step
  int StepIt();                // returns the previous position; wraps past the upper end
  COLORREF SetBarColor(COLORREF clrBar);  // returns the previous colour (CLR_DEFAULT at first)
  COLORREF GetBarColor() const;
  COLORREF SetBkColor(COLORREF clrNew);
  COLORREF GetBkColor() const;

  LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
};

// A scroll bar control. It moves only when told to: user actions reach the parent as
// WM_HSCROLL / WM_VSCROLL (lParam = the bar's handle), and the parent sets the new position.
class CScrollBar : public CWnd {
 public:
  CScrollBar() = default;
  using CWnd::Create;
  BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);

  int GetScrollPos() const;
  int SetScrollPos(int nPos, BOOL bRedraw = TRUE);  // returns the previous position
  void GetScrollRange(LPINT lpMinPos, LPINT lpMaxPos) const;
  void SetScrollRange(int nMinPos, int nMaxPos, BOOL bRedraw = TRUE);
  BOOL SetScrollInfo(LPSCROLLINFO lpScrollInfo, BOOL bRedraw = TRUE);
  BOOL GetScrollInfo(LPSCROLLINFO lpScrollInfo, UINT nMask = SIF_ALL) const;
  int GetScrollLimit() const;
  void ShowScrollBar(BOOL bShow = TRUE);
  BOOL EnableScrollBar(UINT nArrowFlags = ESB_ENABLE_BOTH);

  LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
};

class CIPAddressCtrl : public CWnd {
 public:
  CIPAddressCtrl() = default;
  using CWnd::Create;
  BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);

  void SetAddress(BYTE nField0, BYTE nField1, BYTE nField2, BYTE nField3);
  void SetAddress(DWORD dwAddress);  // the first field in the high byte
  // Both answer the number of fields that are not blank; blank fields read as 0.
  int GetAddress(BYTE& nField0, BYTE& nField1, BYTE& nField2, BYTE& nField3) const;
  int GetAddress(DWORD& dwAddress) const;
  void ClearAddress();
  BOOL IsBlank() const;
  void SetFieldFocus(WORD nField);
  void SetFieldRange(int nField, BYTE nLower, BYTE nUpper);

  LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
};

// Tooltips for the windows of a parent: each tool is a whole window (id 0 without a
// rectangle) or a rectangle of a window with an id.
// Tool hits and tip texts asked of a window (the TTN_NEEDTEXT protocol).
#define TTN_NEEDTEXTA (0U - 520U)
#define TTN_NEEDTEXTW (0U - 530U)
#define TTF_IDISHWND 0x0001u
struct TOOLINFO {
  UINT cbSize;
  UINT uFlags;
  HWND hwnd;
  UINT_PTR uId;
  RECT rect;
  HINSTANCE hinst;
  LPTSTR lpszText;
  LPARAM lParam;
};
struct NMTTDISPINFOA {
  NMHDR hdr;
  char* lpszText;
  char szText[80];
  HINSTANCE hinst;
  UINT uFlags;
  LPARAM lParam;
};
struct NMTTDISPINFOW {
  NMHDR hdr;
  wchar_t* lpszText;
  wchar_t szText[80];
  HINSTANCE hinst;
  UINT uFlags;
  LPARAM lParam;
};

class CToolTipCtrl : public CWnd {
 public:
  CToolTipCtrl() = default;
  using CWnd::Create;
  BOOL Create(CWnd* pParentWnd, DWORD dwStyle = 0);

  BOOL AddTool(CWnd* pWnd, const CString& text, LPCRECT lpRectTool = nullptr, UINT_PTR nIDTool = 0);
  void DelTool(CWnd* pWnd, UINT_PTR nIDTool = 0);
  void UpdateTipText(const CString& text, CWnd* pWnd, UINT_PTR nIDTool = 0);
  void GetText(CString& text, CWnd* pWnd, UINT_PTR nIDTool = 0) const;
  void SetToolRect(CWnd* pWnd, UINT_PTR nIDTool, LPCRECT lpRect);
  int GetToolCount() const;
  void Activate(BOOL bActivate);
  // The tips show themselves from the tool windows' own mouse events; relaying is not needed.
  void RelayEvent(LPMSG) {}
  void SetDelayTime(UINT nDelay);
  void SetDelayTime(DWORD dwDuration, int iTime);
  int GetDelayTime(DWORD dwDuration) const;
  int SetMaxTipWidth(int iWidth);  // returns the previous width (-1 = none)
  int GetMaxTipWidth() const;
  void SetTipBkColor(COLORREF clr);
  void SetTipTextColor(COLORREF clr);
  COLORREF GetTipBkColor() const;
  COLORREF GetTipTextColor() const;
  void Pop();
  void Update() {}
};
