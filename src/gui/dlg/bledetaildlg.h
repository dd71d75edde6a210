// CBleDetailDlg: the "BLE Dialog" that edits one BLE record for the BLE page. Each ADD or EDIT
// builds one row of controls per parameter of the BLE tab; OK reads them back into its record, has
// the page encode it and send it to the main window; OK and CANCEL destroy every control made.
#pragma once

#include <vector>

#include "gui/dlg/definitionmodel.h"
#include "platform/dialog.h"
#include "platform/gdi.h"
#include "resources/pageresource.h"

class CBleDialog;

class CBleDetailDlg : public CDialog {
 public:
  explicit CBleDetailDlg(CBleDialog* pPage);
  ~CBleDetailDlg() override;

  enum { IDD = IDD_BLE_DETAIL };

  BOOL OnInitDialog() override;
  // Takes the record (slot, flag, values), builds the controls and disables the main window's tab
  // strip. The page shows the dialog afterwards.
  void Open(CPtrList* pParams, const BLE_INFO* pRecord, int nPointIndex);
  void BuildControls();
  // Destroys every control the last BuildControls made and enables the main window's tab strip.
  void DestroyControls();
  // The number of generated controls that exist now.
  int ControlCount() const { return static_cast<int>(m_controls.size()); }

  CPtrList* m_pParamList = nullptr;
  BLE_INFO m_record;
  int m_nPointIndex = 0;
  int m_nRowCount = 0;
  CFont m_font;
  CString m_strHdr;

 protected:
  void OnOK() override;
  void OnCancel() override;
  void OnClose();
  void OnShowWindow(BOOL bShow, UINT nStatus);
  // Reads the controls into m_record; FALSE (the user told, nothing changed for good) when a
  // value cannot be taken.
  BOOL ReadControls();
  void EnableMainTabs(BOOL bEnable);
  void Finish(int nResult);

  CBleDialog* m_pPage = nullptr;
  std::vector<CWnd*> m_controls;

  DECLARE_MESSAGE_MAP()
};
