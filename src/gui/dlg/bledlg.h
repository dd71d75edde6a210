// CBleDialog: the page of a BLE record tab. It keeps the device's BLE records in 500 slots, lists
// the active ones (a column per parameter of the tab), and adds, edits and deletes records through
// its detail dialog: every record it encodes goes to the main window as a numbered-parameter write,
// and the page's table changes only when the device acknowledges it (WM_BLE_RECORD).
#pragma once

#include "gui/dlg/definitionmodel.h"
#include "gui/dlg/guibase.h"
#include "platform/controls.h"
#include "platform/dialog.h"
#include "reference/control/listctrlex/listctrlex.h"
#include "resources/pageresource.h"

class CBleDetailDlg;

class CBleDialog : public CDialog, public GUI_Base {
 public:
  explicit CBleDialog(CWnd* pParent = nullptr);
  ~CBleDialog() override;

  enum { IDD = IDD_BLE_PAGE };

  BOOL OnInitDialog() override;
  // Enter and Esc never close the page.
  BOOL PreTranslateMessage(MSG* pMsg) override;

  // Keeps the group limits and the tab's parameter list, then builds the columns.
  void SetPageDefinition(BLE_GROUP_INFO group, CPtrList* pParams);
  // Records cleared, mode 0, no pending record.
  void ResetPage();
  // Clears slots 1..g_nBleCount (their formats too in the numbered-parameter set); no rows.
  void ResetRecords();
  // One column per parameter of the tab: 0 the slot, 1 the active state, then the values.
  void BuildColumns();
  // Rebuilds the rows from the active slots, in slot order.
  void RefreshList();
  // Appends one row for a record.
  void AddRow(const BLE_INFO& rec);
  // Copies the record into slot nSlot - 1 (formats in the numbered-parameter set only). FALSE, with
  // nothing stored, for an nSlot outside 1..g_nBleCount.
  BOOL StoreRecord(const BLE_INFO& rec);
  // The record's wire text (see EncodeBleRecordLine); the record becomes the pending one. Empty in
  // the $-command set, for a record without values, and for a value that does not fit its field
  // (the user is told then, and nothing is pending).
  CString EncodeRecord(BLE_INFO* pRecord);
  // Sends the record of row nItem as inactive. The page's table changes when the device
  // acknowledges the write; with a definition opened from files (no device) it changes at once.
  void DeleteRecord(int nItem);
  // A finished record: its encoded text goes to the device, or, with a definition opened from files,
  // the record is stored in the table and listed at once.
  void SubmitRecord(const BLE_INFO& rec, const CString& text);
  int GetPageHeight() const { return m_nPageHeight; }
  // Sends an encoded text to the main window (nothing for an empty text).
  void SendRecordText(const CString& text);
  // The last EncodeRecord refused a value (the user was told).
  BOOL m_bEncodeRefused = FALSE;
  // The detail dialog (made at initialisation; owned here).
  CBleDetailDlg* DetailDialog() { return m_pDetailDlg; }

  BOOL m_bUpMode = FALSE;
  int m_nRowCount = 0;
  CListCtrlEx m_list;
  CProgressCtrl m_progress;
  BLE_GROUP_INFO m_groupInfo;
  BLE_INFO* m_pRecords = nullptr;  // kBleSlots records, on the heap
  BLE_INFO* m_pPendingRecord = nullptr;
  // The copy a DELETE sends (the slot itself stays active until the acknowledgement).
  BLE_INFO m_deleteRecord;
  CPtrList* m_pParamList = nullptr;  // the tab's list (owned by the main window)
  int m_nMode = 0;                   // 1 ADD, 2 EDIT
  int m_nPageHeight = 460;

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  void OnClose();
  void OnDestroy();
  LRESULT OnBleRecord(WPARAM wParam, LPARAM lParam);
  void OnBnClickedAdd();
  void OnBnClickedEdit();
  void OnBnClickedDelete();
  // The row text of value j (from 1) of a record in the column of parameter pParam.
  CString ValueText(const BLE_INFO& rec, int j, const CString& value, const PARAM_INFO* pParam) const;

  CBleDetailDlg* m_pDetailDlg = nullptr;

  DECLARE_MESSAGE_MAP()
};
