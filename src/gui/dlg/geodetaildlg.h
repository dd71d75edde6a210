// CGeoDetailDlg: step 1 of adding or editing a circular geofence. For the geofence tab's parameters
// it makes one row of controls each (a label and a value control by the parameter's control type,
// filled from the record when editing); NEXT reads them back into its own copy of the record and
// hands that to the map dialog, where the user places the circle.
#pragma once

#include <vector>

#include "gui/dlg/definitionmodel.h"
#include "platform/dialog.h"
#include "platform/gdi.h"
#include "resources/pageresource.h"

class CGeofenceDialog;

class CGeoDetailDlg : public CDialog {
 public:
  explicit CGeoDetailDlg(CGeofenceDialog* pPage);
  ~CGeoDetailDlg() override;

  enum { IDD = IDD_GEOFENCE_DETAIL };

  BOOL OnInitDialog() override;
  // Copies the record (not its formats), keeps the list and the slot, makes the controls and
  // disables the main window's tab strip.
  void BeginEdit(CPtrList* pParams, const GEOFENCE_INFO& record, int nSlot);
  void SetDeviceInfo(DEVICE_INFO* pDeviceInfo, DEF_HEADER* pDefHeader);
  // Removes every control it made, forgets the list and gives the tab strip back.
  void DestroyControls();

  // NEXT (also called by tests as a click would).
  void OnNext();
  void OnCancel() override;

  DEF_HEADER* m_pDefHeader = nullptr;
  DEVICE_INFO* m_pDeviceInfo = nullptr;
  CPtrList* m_pParams = nullptr;
  GEOFENCE_INFO m_record;
  int m_nSlot = 0;
  int m_nCtrlCount = 0;
  // Arial, 14 pixels high, thin: the font of every control the dialog makes.
  CFont m_font;
  CString m_strHdr;

 protected:
  void OnBnClickedCancel();
  void OnClose();
  void OnShowWindow(BOOL bShow, UINT nStatus);
  DECLARE_MESSAGE_MAP()

 private:
  void BuildControls();
  // The parameter's name in the dictionary, and whether it is one of the special names.
  CString Name(const PARAM_INFO* p) const;
  BOOL Is(const PARAM_INFO* p, const wchar_t* name) const;
  // A parameter without controls: the position and radius come from the map, "Active" from the
  // alarms.
  BOOL HasNoControls(const PARAM_INFO* p) const;
  // A parameter whose value NEXT appends to the record's further values.
  BOOL IsExtraParam(const PARAM_INFO* p) const;
  // The field a further value takes on the device line, and whether a typed value fits it.
  static FIELD_FORMAT ExtraFormat(const PARAM_INFO* p);
  BOOL ExtraValueFits(const PARAM_INFO* p, const CString& text, CString& error);
  CString TypedValue(const PARAM_INFO* p, BOOL bUp) const;
  void EnableMainTabs(BOOL bEnable);

  CGeofenceDialog* m_pPage;
  std::vector<CWnd*> m_controls;  // every control made for the current list
};
