// CPolyDetailDlg: step 1 of adding or editing a polygon zone. For the zone settings of the polygon
// page (sub-group 1 of its parameters) it makes one row each, a label and a choice or input box,
// filled from the zone when editing; NEXT reads them back into its own copy of the zone by the
// parameters' roles and opens the polygon map dialog (step 2), where the zone's points are drawn.
// The $-command set and the numbered-parameter set give the roles different fields.
#pragma once

#include <vector>

#include "gui/dlg/definitionmodel.h"
#include "platform/dialog.h"
#include "platform/gdi.h"
#include "resources/pageresource.h"

class CSettingDialog;
class CPolygonDialog;

// Prepares the map page until it has loaded.
constexpr UINT_PTR TIMER_POLY_MAP_LOAD = 1049;

class CPolyDetailDlg : public CDialog {
 public:
  explicit CPolyDetailDlg(CSettingDialog* pPage);
  ~CPolyDetailDlg() override;

  enum { IDD = IDD_POLYGON_DETAIL };

  BOOL OnInitDialog() override;
  BOOL PreTranslateMessage(MSG* pMsg) override;

  void SetTitle(const CString& title);
  void SetDeviceInfo(DEVICE_INFO* pDeviceInfo, DEF_HEADER* pDefHeader);
  // Keeps the list, copies the zone, keeps the zone-number position to select; makes the controls
  // of the page's command set and disables the main window's tab strip.
  void SetData(CPtrList* pParams, POLYGON_INFO zone, int nIndexSel);
  // Removes every control it made, forgets the list and gives the tab strip and the settings page
  // back.
  void DestroyControls();

  // NEXT and CANCEL (also called by tests as a click would).
  void OnNext();
  void OnBnClickedCancel();

  BOOL IsMapPageLoaded() const { return m_bMapPageLoaded; }
  // The value control made for a parameter (null when it has none).
  CWnd* ValueControl(const PARAM_INFO* pParam) const;

  POLYGON_INFO m_zone;
  CPtrList* m_pParamList = nullptr;
  DEF_HEADER* m_pDefHeader = nullptr;
  DEVICE_INFO* m_pDeviceInfo = nullptr;
  int m_nIndexSel = 0;
  BOOL m_bMapPageLoaded = FALSE;
  CFont m_font;

 protected:
  void OnOK() override;
  void OnCancel() override;
  void OnClose();
  void OnShowWindow(BOOL bShow, UINT nStatus);
  void OnTimer(UINT_PTR nIDEvent);
  LRESULT OnMapPageLoaded(WPARAM wParam, LPARAM lParam);
  DECLARE_MESSAGE_MAP()

 public:
  // The zone settings' controls for the $-command set and for the numbered-parameter set.
  void CreateControls() { CreateRows(FALSE); }
  void CreateControlsUp() { CreateRows(TRUE); }
  // The controls into m_zone by their roles, for the $-command set and the numbered-parameter set;
  // FALSE, with the message in error, when a choice is missing or a text would split the line.
  BOOL ReadControls(CString& error) { return ReadRows(FALSE, error); }
  BOOL ReadControlsUp(CString& error) { return ReadRows(TRUE, error); }

 private:
  // The controls made for one parameter.
  struct Row {
    PARAM_INFO* pParam;
    CWnd* pLabel;
    CWnd* pValue;
  };
  // The work of CreateControls / CreateControlsUp and of ReadControls / ReadControlsUp (bUp: the
  // numbered-parameter set's fields).
  void CreateRows(BOOL bUp);
  BOOL ReadRows(BOOL bUp, CString& error);
  // A parameter of the zone settings that gets controls in this form.
  BOOL IsZoneParam(const PARAM_INFO* p, BOOL bUp) const;
  // The zone numbers the settings page lists.
  std::vector<int> ListedZones() const;
  // The map page made ready for the zone (cleared, then the zone's points or the default place).
  void PrepareMap(CPolygonDialog* pMap);
  // The point limits of the device and the points of the other zones, for the map page.
  void SendLimits(CPolygonDialog* pMap);
  CString Text(const CString& text) const;
  void EnableMainTabs(BOOL bEnable);

  CSettingDialog* m_pPage;
  std::vector<Row> m_rows;
};
