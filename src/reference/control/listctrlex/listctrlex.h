// CListCtrlEx: a report-view list that keeps a record of its own behind every row, so that rows,
// columns and single cells can carry colours, a read-only flag and an in-place editor (any window),
// and columns can sort themselves by a typed comparison. A double click shows the cell's editor,
// Tab and Shift+Tab move it from cell to cell, and CMsgHook tells the list when the edit ends. The
// caller's own per-row value lives in the row record, not in the list's item data.
#pragma once

#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/listctrl.h"
#include "platform/sync.h"
#include "reference/control/listctrlex/msghook.h"

class CListCtrlEx : public CListCtrl {
 public:
  // Called before an editor is shown (it may create or fill the editor; its result is not used)
  // and when the edit ends (its result decides: 0 drop the text, non-zero keep it, -1 keep it and
  // sort the list again on the edited column; it may change the text).
  typedef int (*PFNEDITORCALLBACK)(CWnd** ppEditor, int nRow, int nColumn, CString& strText, DWORD_PTR dwRowValue,
                                   CListCtrlEx* pList, BOOL bUpdate);

  // Sort flags of a column: a column sorts only when one of these is set.
  enum : DWORD { SortAscending = 0x1, SortDescending = 0x2, SortToggle = 0x4 };
  // Comparison kinds of a column.
  enum : int {
    CompareNone = 0,
    CompareInteger = 1,
    CompareFloat = 2,
    CompareText = 3,
    CompareIntegerOrText = 4,
    CompareTextNoCase = 5,
    CompareIntegerOrTextNoCase = 6,
    CompareDate = 7
  };

  struct EditorInfo {
    PFNEDITORCALLBACK pfnInitEditor = nullptr;
    PFNEDITORCALLBACK pfnEndEditor = nullptr;
    CWnd* pEditor = nullptr;
    BYTE bReadOnly = FALSE;
    EditorInfo() = default;
    EditorInfo(const EditorInfo&) = default;
    EditorInfo& operator=(const EditorInfo&) = default;
    virtual ~EditorInfo() = default;
    bool HasEditor() const { return pfnInitEditor != nullptr || pEditor != nullptr; }
  };
  struct CellInfo : EditorInfo {
    explicit CellInfo(int column) : nColumn(column) {}
    COLORREF clrBack = static_cast<COLORREF>(-1);
    COLORREF clrText = static_cast<COLORREF>(-1);
    DWORD dwValue = 0;
    int nColumn;
  };
  struct ColumnInfo : EditorInfo {
    explicit ColumnInfo(int column) : nColumn(column) {}
    int nColumn;
    COLORREF clrBack = static_cast<COLORREF>(-1);
    COLORREF clrText = static_cast<COLORREF>(-1);
    DWORD dwSort = 0;
    int nCompareKind = CompareNone;
    PFNLVCOMPARE pfnCompare = nullptr;
  };
  struct ItemData : EditorInfo {
    explicit ItemData(DWORD_PTR value = 0) : dwValue(value) {}
    ~ItemData() override;
    ItemData(const ItemData&) = delete;
    ItemData& operator=(const ItemData&) = delete;
    std::vector<CellInfo*> cells;
    COLORREF clrBack = static_cast<COLORREF>(-1);
    COLORREF clrText = static_cast<COLORREF>(-1);
    DWORD_PTR dwValue;
  };

  CListCtrlEx();
  ~CListCtrlEx() override;

  // Creation by the class itself; a list taken over from a template goes through PreSubclassWindow.
  BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);
  BOOL CreateEx(DWORD dwExStyle, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);
  BOOL Create(const wchar_t* lpszClassName, const wchar_t* lpszWindowName, DWORD dwStyle, const RECT& rect,
              CWnd* pParentWnd, UINT nID, void* pContext = nullptr) override;

  // ---- rows (row = item index, column = sub-item index) ----
  // The new row's index (-1 on failure); the row gets a record with the row value (0 for the first
  // two; with LVIF_PARAM the item's lParam, which the list's own item data never sees).
  int InsertItem(int nItem, LPCTSTR lpszItem);
  int InsertItem(int nItem, LPCTSTR lpszItem, int nImage);
  int InsertItem(int nItem, const CString& strItem);
  int InsertItem(int nItem, const CString& strItem, int nImage);
  int InsertItem(const LVITEM* pItem);
  BOOL SetItemData(int nItem, DWORD_PTR dwData);
  DWORD_PTR GetItemData(int nItem) const;
  BOOL DeleteItem(int nItem);
  BOOL DeleteAllItems();
  BOOL DeleteAllColumns();
  BOOL Reset();
  // Column 0 inserts a row, any other column sets that cell.
  BOOL SetItemTextImage(int nItem, int nSubItem, LPCTSTR lpszText, int nImage = -1);
  int FindItem(LVFINDINFO* pFindInfo, int nStart = -1) const;
  void DeleteSelectedItems();
  // nItem -1: every row.
  void SelectItems(int nItem, BOOL bSelect);
  void EnableDeleteKey(BOOL bEnable) { m_bDeleteKey = bEnable; }

  // ---- editors, colours, flags (each makes the record it needs; FALSE for a row or column
  // outside the list, which changes nothing) ----
  void SetDefaultEditor(PFNEDITORCALLBACK pfnInitEditor, PFNEDITORCALLBACK pfnEndEditor, CWnd* pEditor = nullptr);
  void SetDefaultEditor(CWnd* pEditor);
  BOOL SetColumnEditor(int nColumn, PFNEDITORCALLBACK pfnInitEditor, PFNEDITORCALLBACK pfnEndEditor,
                       CWnd* pEditor = nullptr);
  BOOL SetColumnEditor(int nColumn, CWnd* pEditor);
  BOOL SetRowEditor(int nRow, PFNEDITORCALLBACK pfnInitEditor, PFNEDITORCALLBACK pfnEndEditor, CWnd* pEditor = nullptr);
  BOOL SetRowEditor(int nRow, CWnd* pEditor);
  BOOL SetCellEditor(int nRow, int nColumn, PFNEDITORCALLBACK pfnInitEditor, PFNEDITORCALLBACK pfnEndEditor,
                     CWnd* pEditor = nullptr);
  BOOL SetCellEditor(int nRow, int nColumn, CWnd* pEditor);

  // A colour of -1 is "not set".
  BOOL SetColumnColors(int nColumn, COLORREF clrBack, COLORREF clrText);
  BOOL SetRowColors(int nRow, COLORREF clrBack, COLORREF clrText);
  BOOL SetCellColors(int nRow, int nColumn, COLORREF clrBack, COLORREF clrText);

  // A column record (made for any column index from 0, existing or not) outlives its column: a
  // later column at the same index is read-only again.
  BOOL SetColumnReadOnly(int nColumn, BOOL bReadOnly = TRUE);
  BOOL SetRowReadOnly(int nRow, BOOL bReadOnly = TRUE);
  BOOL SetCellReadOnly(int nRow, int nColumn, BOOL bReadOnly = TRUE);
  BOOL IsColumnReadOnly(int nColumn) const;
  BOOL IsRowReadOnly(int nRow) const;
  // A cell with a record of its own answers with its own flag; otherwise its row's or column's.
  BOOL IsCellReadOnly(int nRow, int nColumn) const;

  BOOL SetCellValue(int nRow, int nColumn, DWORD dwValue);
  DWORD GetCellValue(int nRow, int nColumn) const;

  // Nothing happens when dwFlags has none of the three sort bits.
  BOOL SetColumnSort(int nColumn, DWORD dwFlags, int nCompareKind);
  BOOL SetColumnSort(int nColumn, DWORD dwFlags, PFNLVCOMPARE pfnCompare);
  // Sorts with the caller's function (the two row values and dwParam, or the sort column when
  // dwParam is 0); the edited row keeps its editor.
  BOOL SortWith(PFNLVCOMPARE pfnCompare, LPARAM dwParam);
  // The sort a column click makes (toggle) or an edit asks for (no toggle).
  void SortOnColumn(int nColumn, BOOL bToggle);
  int GetSortColumn() const { return m_nSortColumn; }

  // Shows the cell's editor; FALSE when the cell cannot be edited.
  BOOL EditCell(int nRow, int nColumn);
  // Ends the running edit (what WM_LISTCTRLEX_ENDEDIT does); bAccept as an end callback's result.
  void EndEdit(int bAccept);
  // An edit runs while its editor is shown and watched by the hook.
  BOOL IsEditing() const { return m_pActiveEditor != nullptr && m_msgHook.IsAttached(); }
  int GetEditRow() const { return m_nEditRow; }
  int GetEditColumn() const { return m_nEditCol; }

  // Called by a forward Tab in an empty list; may add rows. FALSE here.
  virtual BOOL OnTabPastLastCell();

  // Compares two rows for a sort (texts of the sort column by kind); exposed for reuse.
  static int CompareTexts(int nKind, const CString& a, const CString& b);

  void PreSubclassWindow() override;
  BOOL PreTranslateMessage(MSG* pMsg) override;
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  virtual BOOL PreCreateWindow(CREATESTRUCT& cs);

 protected:
  BOOL OnDblClk(NMHDR* pNMHDR, LRESULT* pResult);
  BOOL OnCustomDraw(NMHDR* pNMHDR, LRESULT* pResult);
  void OnColumnClick(NMHDR* pNMHDR, LRESULT* pResult);
  DECLARE_MESSAGE_MAP()

 private:
  struct SortContext;

  BOOL CreateList(DWORD dwExStyle, const wchar_t* lpszClassName, const wchar_t* lpszWindowName, DWORD dwStyle,
                  const RECT& rect, CWnd* pParentWnd, UINT nID);

  ItemData* RecordOf(int nRow) const;
  ItemData* EnsureRecord(int nRow);
  int RowOfRecord(const ItemData* pRecord) const;
  int BindRecord(int nRow, DWORD_PTR dwValue);
  void ForgetRecord(ItemData* pRecord);
  ColumnInfo* FindColumn(int nColumn) const;
  ColumnInfo* EnsureColumn(int nColumn);
  static CellInfo* FindCell(const ItemData* pRecord, int nColumn);
  CellInfo* EnsureCell(int nRow, int nColumn);
  int ColumnCount() const;
  bool ValidRow(int nRow) const { return nRow >= 0 && nRow < GetItemCount(); }
  bool ValidColumn(int nColumn) const { return nColumn >= 0 && nColumn < ColumnCount(); }
  static void SetEditor(EditorInfo& info, PFNEDITORCALLBACK pfnInit, PFNEDITORCALLBACK pfnEnd, CWnd* pEditor);
  bool CellRect(int nRow, int nColumn, CRect& rc);
  bool MoveTab(bool bBackward);
  bool FromEditor(HWND hWnd) const;
  void PlaceEditor();
  static int CALLBACK CompareRows(LPARAM lParam1, LPARAM lParam2, LPARAM lParamSort);
  BOOL SortRows();

  CCriticalSection m_csEdit;
  std::vector<ItemData*> m_arrRows;
  std::vector<ColumnInfo*> m_arrColumns;
  EditorInfo* m_pActiveEditor = nullptr;
  EditorInfo m_defaultEditor;
  int m_nEditRow = -1;
  int m_nEditCol = -1;
  int m_nTabRow = -1;
  int m_nTabCol = -1;
  COLORREF m_crDefaultBack;
  COLORREF m_crDefaultText;
  CMsgHook m_msgHook;
  BOOL m_bDeleteKey = FALSE;
  int m_nSortColumn = -1;
  PFNLVCOMPARE m_pfnUserCompare = nullptr;
  LPARAM m_lUserCompareParam = 0;

  // The running edit: the edited row's record (null once the row is deleted), the editor as it
  // was when the edit began (the record holding it may go with its row) and the editor's window.
  std::unordered_set<const ItemData*> m_rowSet;
  ItemData* m_pEditRecord = nullptr;
  EditorInfo m_activeEditor;
  HWND m_hEditorWnd = nullptr;
  // Direction of a Tab the editor handed on to the list (-1 none, 0 forward, 1 backward).
  int m_nPostedTabBackward = -1;
  const SortContext* m_pSort = nullptr;
};
