// CBleDialog: the page of a BLE record tab. It keeps the device's BLE records in 500 slots and shows
// them in its list with the buttons the main window enables around a read. This is the page's least
// form: records, columns and list; adding, editing and deleting records come with the full page.
#pragma once

#include "gui/dlg/definitionmodel.h"
#include "gui/dlg/guibase.h"
#include "platform/controls.h"
#include "platform/dialog.h"
#include "reference/control/listctrlex/listctrlex.h"
#include "resources/pageresource.h"

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
  // Selection, pending record and mode back to their starting values.
  void ResetPage();
  // Clears slots 1..g_nBleCount.
  void ResetRecords();
  // Columns of the list: "No", "Active", then one per parameter of the tab (translated names).
  void BuildColumns();
  // Refills the list from the stored slots.
  void RefreshList();
  // Copies the record into slot nSlot - 1 (formats in the numbered-parameter set only). FALSE, with
  // nothing stored, for an nSlot outside 1..g_nBleCount.
  BOOL StoreRecord(const BLE_INFO& rec);

  CListCtrlEx m_list;
  CProgressCtrl m_progress;
  BLE_INFO* m_pRecords = nullptr;  // kBleSlots records, on the heap
  BLE_INFO* m_pPendingRecord = nullptr;
  BLE_GROUP_INFO m_groupInfo;
  CPtrList* m_pParamList = nullptr;  // the tab's list (owned by the main window)
  int m_nSelected = -1;
  int m_nMode = 0;
  int m_nPageHeight = 460;

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  void OnClose();
  LRESULT OnBleRecord(WPARAM wParam, LPARAM lParam);

  DECLARE_MESSAGE_MAP()
};
