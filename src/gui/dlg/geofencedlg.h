// CGeofenceDialog: the page of a circular-geofence tab. It keeps the geofence records of the device
// in 4096 slots, shows the used ones in its list, and carries the buttons, the progress bar of a
// list read and the status lines the main window drives. This is the page's least form: records,
// columns, list, status and progress; adding, editing and deleting records come with the full page.
#pragma once

#include "gui/dlg/definitionmodel.h"
#include "gui/dlg/guibase.h"
#include "platform/controls.h"
#include "platform/dialog.h"
#include "reference/control/listctrlex/listctrlex.h"
#include "resources/pageresource.h"

class CGeofenceDialog : public CDialog, public GUI_Base {
 public:
  explicit CGeofenceDialog(CWnd* pParent = nullptr);
  ~CGeofenceDialog() override;

  enum { IDD = IDD_GEOFENCE_PAGE };

  BOOL OnInitDialog() override;
  // Enter and Esc never close the page.
  BOOL PreTranslateMessage(MSG* pMsg) override;

  // Keeps both pointers (buyer and delimiter of the record lines).
  void SetDeviceInfo(DEVICE_INFO* pDeviceInfo, DEF_HEADER* pDefHeader);
  // Keeps the group limits and the tab's parameter list, then builds the columns.
  void SetPageDefinition(GEO_GROUP_INFO group, CPtrList* pParams);
  // Selection, pending record and map texts back to their starting values.
  void ResetPage();
  // Clears the slots: 1..g_nGeofenceCount in the numbered-parameter set, all 4096 otherwise.
  void ResetRecords();
  // Columns of the list: "No", "Active", then one per parameter of the tab (translated names).
  void BuildColumns();
  // Refills the list from the used slots.
  void RefreshList();
  // Copies the record into slot nId - 1 (formats in the numbered-parameter set only). FALSE, with
  // nothing stored, for an nId outside the slots of the command set in use.
  BOOL StoreRecord(const GEOFENCE_INFO& rec);
  // Appends a line to the status list.
  void AddStatusLine(const CString& strLine);

  // The slot count of the command set in use (g_nGeofenceCount or 4096).
  int GetSlotLimit() const;

  CListCtrlEx m_list;
  CProgressCtrl m_progress;
  CListBox m_listStatus;
  GEOFENCE_INFO* m_pRecords = nullptr;  // kGeofenceSlots records, on the heap
  GEOFENCE_INFO* m_pPendingRecord = nullptr;
  int m_nRowCount = 0;
  GEO_GROUP_INFO m_groupInfo;
  CPtrList* m_pParams = nullptr;  // the tab's list (owned by the main window)
  DEVICE_INFO* m_pDeviceInfo = nullptr;
  DEF_HEADER* m_pDefHeader = nullptr;
  int m_nSelected = -1;
  int m_nMode = 0;
  CString m_strMapLat;
  CString m_strMapLng;

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  void OnClose();
  LRESULT OnGeofenceRecord(WPARAM wParam, LPARAM lParam);

  DECLARE_MESSAGE_MAP()

 private:
  BOOL IsUpMode() const;
};
