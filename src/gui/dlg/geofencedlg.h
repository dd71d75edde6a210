// CGeofenceDialog: the page of a circular-geofence tab. It keeps the geofence records of the device
// in 4096 slots, lists the defined ones, and starts adding (ADD), editing (EDIT) and deleting
// (DELETE) a geofence: ADD and EDIT go through the detail dialog (step 1) and the map dialog
// (step 2). It composes the record line the main window frames and sends, in either command set;
// the device's answers come back as WM_GEOFENCE_RECORD.
#pragma once

#include <vector>

#include "gui/dlg/definitionmodel.h"
#include "gui/dlg/guibase.h"
#include "platform/controls.h"
#include "platform/dialog.h"
#include "reference/control/listctrlex/listctrlex.h"
#include "resources/pageresource.h"

class CMapDialog;
class CGeoDetailDlg;

class CGeofenceDialog : public CDialog, public GUI_Base {
 public:
  explicit CGeofenceDialog(CWnd* pParent = nullptr);
  ~CGeofenceDialog() override;

  enum { IDD = IDD_GEOFENCE_PAGE };

  BOOL OnInitDialog() override;
  // Enter and Esc never close the page; a right button press anywhere in it switches the map page
  // to metres when the group's unit asks for it.
  BOOL PreTranslateMessage(MSG* pMsg) override;

  // Keeps both pointers (buyer and delimiter of the record lines).
  void SetDeviceInfo(DEVICE_INFO* pDeviceInfo, DEF_HEADER* pDefHeader);
  // Keeps the group limits and the tab's parameter list, builds the option texts of each column
  // (m_columnOptions), then builds the columns.
  void SetPageDefinition(GEO_GROUP_INFO group, CPtrList* pParams);
  // Releases the option texts of the columns.
  void FreeColumnOptions();
  // Records, selection, mode and pending record back to their starting values.
  void ResetPage();
  // Clears the slots: 1..g_nGeofenceCount with their formats in the numbered-parameter set, all
  // 4096 otherwise (formats untouched); the spare texts stay.
  void ResetRecords();
  // The columns from the tab's parameters: every one but "Active" (and, in the numbered-parameter
  // set, those switched off), titled in the dictionary.
  void BuildColumns();
  // Refills the list from the slots: used slots with an alarm set (numbered-parameter set), used
  // slots ($-command set).
  void RefreshList();
  // Copies the record into slot nId - 1 (formats in the numbered-parameter set only). FALSE, with
  // nothing stored, for an nId outside the slots of the command set in use.
  BOOL StoreRecord(const GEOFENCE_INFO& rec);
  // The total of a list read: the status texts of the read into the first rows' cells.
  void SetReadTotal(int nTotal);
  // Appends a status text of a list read ("$PVR;GEO;Req;..." after "Req;") to the status list.
  void AddStatusLine(const CString& strLine);
  // Empties the status texts (a list read starts).
  void ClearStatusLines();
  int GetPageHeight() const { return 460; }

  // The record line of a record in the command set in use: FALSE, after a message box naming the
  // value, when a value does not fit its field (nothing is to be sent then). The numbered-parameter
  // form remembers the record as the pending one.
  BOOL EncodeRecord(GEOFENCE_INFO* pRecord, CString& strLine);
  // Encodes the record and hands the line to the main window; FALSE when it was not sent.
  BOOL SendRecord(GEOFENCE_INFO* pRecord);
  // DELETE of a list row: a copy of the row's record with its flags cleared is sent; the table
  // changes when the device's acknowledgement comes back.
  void DeleteRecord(int nRow);
  // "setDistMeter()" on the map page when the group's unit is 0.
  void SetDistMeter();
  // Map page calls of the page itself.
  void CancelAllMarker();
  void MoveMapToDefault();
  // Calls the map page function with its arguments, each one text (nothing without a map).
  CString CallScript(const CString& name, const std::vector<CString>& args = {});
  // TRUE (after "same id") when a row of the list has that number.
  BOOL IsIdInList(int nId);

  // A parameter of the numbered-parameter set that its switch (tab 90) leaves out.
  BOOL IsParamSwitchedOff(const PARAM_INFO* p) const;
  // A parameter that gets a list column.
  BOOL HasColumn(const PARAM_INFO* p) const;
  // The main window (the page's parent).
  CWnd* MainWindow() const { return m_pParentWnd; }
  // The slot count of the command set in use (g_nGeofenceCount or 4096).
  int GetSlotLimit() const;
  // The map dialog, made (and its page loaded) on first need; null when it cannot be made.
  CMapDialog* MapDialog();

  // Button handlers (also called by tests as a click would).
  void OnBnClickedAdd();
  void OnBnClickedEdit();
  void OnBnClickedDelete();

  CListCtrlEx m_list;
  CProgressCtrl m_progress;
  CListBox m_listStatus;
  // Places the received list lines between the progress bar and the list.
  void PlaceStatusList();
  GEOFENCE_INFO* m_pRecords = nullptr;  // kGeofenceSlots records, on the heap
  GEOFENCE_INFO* m_pPendingRecord = nullptr;
  GEOFENCE_INFO m_pendingCopy;          // the record last encoded in the numbered-parameter set
  int m_nRowCount = 0;
  GEO_GROUP_INFO m_groupInfo;
  CPtrList* m_pParams = nullptr;  // the tab's list (owned by the main window)
  // One entry per column, as of the last page definition: a number parameter ("ID" in its name)
  // holds the numbers of the group's range, a choice parameter its translated option texts, any
  // other column null. Owned by the page.
  std::vector<CStringArray*> m_columnOptions;
  DEVICE_INFO* m_pDeviceInfo = nullptr;
  DEF_HEADER* m_pDefHeader = nullptr;
  CMapDialog* m_pMapDlg = nullptr;
  CGeoDetailDlg* m_pDetailDlg = nullptr;
  // The row the list last reported as changed (LVN_ITEMCHANGED), and the texts of the row last
  // clicked or double-clicked.
  int m_nSelected = -1;
  std::vector<CString> m_clickedRowTexts;
  int m_nMode = 0;  // 0 idle, 1 ADD, 2 EDIT
  BOOL m_bUpProtocol = FALSE;
  std::vector<CString> m_rowTexts;
  CString m_strMapLat;
  CString m_strMapLng;

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  void OnClose();
  LRESULT OnGeofenceRecord(WPARAM wParam, LPARAM lParam);
  void OnListItemChanged(NMHDR* pNMHDR, LRESULT* pResult);
  void OnListClick(NMHDR* pNMHDR, LRESULT* pResult);
  void OnListDblClick(NMHDR* pNMHDR, LRESULT* pResult);
  void OnDestroy();

  DECLARE_MESSAGE_MAP()

 private:
  BOOL IsUpMode() const;
  // The row builder.
  void AddRow(const GEOFENCE_INFO& r);
  // The parameter at a list position (null past the end).
  PARAM_INFO* ParamAt(int nPos) const;
  void DestroyChildDialogs();
  void RememberClickedRow(const NMHDR* pNMHDR);
};

// The stores' copy of a record into a table slot: every field but the spare text, the formats only
// when bFormats is set.
void CopyGeofenceIntoSlot(GEOFENCE_INFO& slot, const GEOFENCE_INFO& rec, BOOL bFormats);
