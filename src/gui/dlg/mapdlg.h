// CMapDialog: step 2 of adding or editing a circular geofence. It shows the circle map page, where
// the user picks the centre (left click) and the radius (right click); SEND takes them into the
// record and has the geofence page send it; ALL VIEW draws every defined geofence of the page.
// The map's tile layers and the address search come from the settings store (section "Map").
#pragma once

#include "gui/dlg/definitionmodel.h"
#include "platform/htmldialog.h"
#include "resources/pageresource.h"

class CGeofenceDialog;

class CMapDialog : public CDHtmlDialog {
 public:
  explicit CMapDialog(CGeofenceDialog* pPage);

  enum { IDD = IDD_GEOFENCE_MAP };

  BOOL OnInitDialog() override;
  void SetDeviceInfo(DEVICE_INFO* pDeviceInfo, DEF_HEADER* pDefHeader);
  // Keeps the record and sets the button texts of the user's language.
  void SetRecord(GEOFENCE_INFO* pRecord);
  // "clearAllMarker()", "cancelAllMarker()", "MoveMap(lat,lng)" with the definition's map centre.
  void ClearAllMarker();
  void CancelAllMarker();
  void MoveMapToDefault();
  // Handles messages until the page has loaded (or a while has passed); FALSE when it has not.
  BOOL WaitForPage();

  // The page's configuration from the settings store: the tile layers and the geocoder address.
  static CString MapHostConfig();

  // The buttons (also called by tests as a click would).
  void OnSend();
  void OnBnClickedCancel();
  void OnBnClickedPrev();
  void OnAllView();
  // Clicks on page elements with the ids "ButtonOK" and "ButtonCancel" (the program's page has
  // none): OK ends the step without sending; Cancel clears the page's markers first.
  void OnButtonOK();
  void OnButtonCancel();

  DEVICE_INFO* m_pDeviceInfo = nullptr;
  DEF_HEADER* m_pDefHeader = nullptr;
  GEOFENCE_INFO* m_pRecord = nullptr;

 protected:
  void OnOK() override;
  void OnCancel() override;
  void OnClose();
  DECLARE_MESSAGE_MAP()

 private:
  // Ends the step with that code: step 1's controls go and the geofence page takes input again.
  void EndStep(int nResult);

  CGeofenceDialog* m_pPage;
};
