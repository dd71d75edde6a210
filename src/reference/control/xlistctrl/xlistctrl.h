// CXListCtrl: a report list whose cells carry their own state and drawing: text and background
// colours, bold text, an image, a check box, a drop-down choice edited in place (combo cell), a
// progress bar with a label, and a tool tip. Rows can be disabled. It tells its parent about
// check-box clicks and combo choices by WM_XLISTCTRL_CHECKBOX_CLICKED / _COMBO_SELECTION.
#pragma once

#include <vector>

#include "platform/collections.h"
#include "platform/gdi.h"
#include "platform/imagelist.h"
#include "platform/listctrl.h"
#include "reference/control/xlistctrl/xcombolist.h"
#include "reference/control/xlistctrl/xheaderctrl.h"

class CXListCtrl : public CListCtrl {
 public:
  struct CellData {
    BOOL rowEnabled = TRUE;  // first cell only
    BOOL boldFont = FALSE;
    int imageIndex = -1;
    CString tipText;
    BOOL hasCombo = FALSE;
    BOOL comboDropped = FALSE;
    CStringArray* comboItems = nullptr;  // the caller's; kept alive while the cell uses it
    int comboLines = 10;
    int comboStartIndex = 0;
    COLORREF textColour = 0;
    COLORREF backColour = 0;
    BOOL showsProgress = FALSE;
    int progressPercent = 0;
    CString progressFormat;
    BOOL progressLabel = TRUE;
    int checkState = -1;  // -1 none, 0 unchecked, 1 checked
    DWORD rowData = 0;    // first cell only
  };
  // The cells of one row: one per column that existed when the row was inserted (at least one).
  struct RowCells {
    std::vector<CellData> cells;
  };
  static constexpr const wchar_t* kEmptyText = L"There are no items to show in this view.";

  CXListCtrl();
  ~CXListCtrl() override;

  int InsertRow(int row, const CString& text);
  int InsertRow(int row, const CString& text, COLORREF textColour, COLORREF backColour);
  int InsertRow(const LVITEM* item);
  int SetCell(const LVITEM* item);
  int SetCellImage(int row, int column, int image);
  int SetCellText(int row, int column, const CString& text);
  // A null text leaves the text; -1 colours are the window's text and background colours.
  int SetCellText(int row, int column, const wchar_t* text, COLORREF textColour, COLORREF backColour);
  CString GetCellText(int row, int column) const;
  int DeleteRow(int row);
  int DeleteAllRows();
  int SetRowEnabled(int row, BOOL enabled);
  int IsRowEnabled(int row) const;
  int SetCellBold(int row, int column, BOOL bold);
  int IsCellBold(int row, int column) const;
  int SetCellCheckState(int row, int column, int state);
  int GetCellCheckState(int row, int column) const;
  int CountCheckedCells(int column) const;
  int GetHeaderCheckState(int column) const;
  int SetHeaderCheckState(int column, int state);
  // A label format other than one integer conversion (with "%%" allowed) shows "%d%%".
  int ShowCellProgress(int row, int column, BOOL showLabel, const CString& format = CString());
  void SetCellProgress(int row, int column, int percent);
  void HideCellProgress(int row, int column);
  int SetCellCombo(int row, int column, BOOL enable, CStringArray* items, int lines, int startIndex);
  int SetCellToolTip(int row, int column, const CString& text);
  CString GetCellToolTip(int row, int column) const;
  void ClearAllToolTips();
  DWORD GetRowData(int row) const;
  int SetRowData(int row, DWORD data);
  BOOL SelectRow(int row);
  int GetSelectedRow() const;
  int GetColumnCount() const;
  BOOL GetCellRect(int row, int column, int code, CRect& rect) const;
  void RedrawCell(int row, int column);

  // Tool tips: the tool at a point (id row * 1000 + column + 1, -1 when no cell label is there)
  // and the text of a TTN_NEEDTEXTA/W notification (at most 79 characters and the terminator).
  INT_PTR OnToolHitTest(CPoint point, TOOLINFO* info) const override;
  virtual BOOL OnNeedToolTipText(UINT id, NMHDR* pNMHDR, LRESULT* pResult);

  // The label a progress cell shows for a percent, the format already checked.
  static CString ProgressLabel(const CString& format, int percent);
  static bool IsSafeProgressFormat(const CString& format);

  CXHeaderCtrl m_wndHeader;
  CXComboList* GetDropDown() const { return m_pDropDown; }

 protected:
  void PreSubclassWindow() override;
  int OnCreate(LPCREATESTRUCT lpCreateStruct);
  void OnDestroy();
  void OnLButtonDown(UINT nFlags, CPoint point);
  void OnPaint();
  void OnSysColorChange();
  void OnTimer(UINT_PTR nIDEvent);
  BOOL OnReflectClick(NMHDR* pNMHDR, LRESULT* pResult);
  BOOL OnReflectColumnClick(NMHDR* pNMHDR, LRESULT* pResult);
  void OnReflectCustomDraw(NMHDR* pNMHDR, LRESULT* pResult);
  LRESULT OnDropDownEscape(WPARAM, LPARAM);
  LRESULT OnDropDownReturn(WPARAM, LPARAM);
  LRESULT OnDropDownKey(WPARAM, LPARAM);
  LRESULT OnDropDownMouseUp(WPARAM, LPARAM);
  DECLARE_MESSAGE_MAP()

  void HookHeader();
  // The header window: the flat one once it has taken the list's header over.
  CHeaderCtrl* Header() const;
  void ReadSysColours();
  RowCells* Cells(int row) const;
  // The cells of a new row: one per column (at least one), in the window's colours.
  RowCells* NewCells() const;
  CellData* Cell(int row, int column) const;
  bool ValidCell(int row, int column) const { return Cell(row, column) != nullptr; }
  void UpdateHeaderCheck(int column);
  void SelectionColours(int row, int column, COLORREF& text, COLORREF& back) const;
  void DrawText(CDC* pDC, int row, int column, CRect rect, COLORREF text, COLORREF back);
  int DrawImage(CDC* pDC, int row, int column, CRect rect, COLORREF back);
  void DrawCheckbox(CDC* pDC, int row, int column, CRect rect, COLORREF text, COLORREF back);
  void DrawProgress(CDC* pDC, int row, int column, CRect rect);
  void DrawCombo(CDC* pDC, int row, int column, CRect rect);
  void OpenDropDown(CDC* pDC, int row, int column, const CRect& rect);
  void CloseDropDown();
  void DrawEmptyText(CDC* pDC);
  void ReleaseComboButton();
  void Notify(UINT message, int row, int column);

  BOOL m_bHeaderHooked = FALSE;
  COLORREF m_crBtnFace = 0, m_crBtnHighlight = 0, m_crBtnShadow = 0, m_cr3DFace = 0, m_cr3DShadow = 0;
  COLORREF m_crBtnText = 0, m_crGrayText = 0, m_crHighLight = 0, m_crHighLightText = 0, m_crWindow = 0,
           m_crWindowText = 0;
  BOOL m_bComboButtonDown = FALSE;
  int m_nComboRow = 0;
  int m_nComboColumn = 0;
  CRect m_rcComboButton;
  CRect m_rcDropDown;
  CXComboList* m_pDropDown = nullptr;
  CFont m_fontDropDown;
  BOOL m_bDropDownFont = FALSE;
  CString m_strComboOriginal;
  bool m_bReleasing = false;
};
