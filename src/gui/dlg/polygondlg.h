// CPolygonDialog: step 2 of adding or editing a polygon zone. It shows the polygon map page, where
// the user draws the zone point by point or sees and edits a stored one; SEND hands the points and
// the zone of step 1 to the settings page, which writes the zone into the device. The points can
// also be saved to and opened from a polygon point file (".stp").
#pragma once

#include "platform/htmldialog.h"
#include "resources/pageresource.h"

class CSettingDialog;
class CPolyDetailDlg;

// Polls the page for a confirmed zone while SEND is disabled.
constexpr UINT_PTR TIMER_POLY_ZONE_POLL = 1050;

class CPolygonDialog : public CDHtmlDialog {
 public:
  explicit CPolygonDialog(CSettingDialog* pPage);

  enum { IDD = IDD_POLYGON_MAP };

  BOOL OnInitDialog() override;
  BOOL PreTranslateMessage(MSG* pMsg) override;
  void OnDocumentComplete(BOOL bOk) override;

  void SetTitle(const CString& title);
  // TRUE enables SEND and File Save; FALSE disables both and polls the page until it holds a zone.
  void EnableSendButtons(BOOL bEnable);
  // Reads the page's zone point text and point count into the members.
  void UpdatePageData();

  // Page calls.
  void ClearPolygon();
  void LoadCoord(const CString& pointText);
  void MoveMap(const CString& lat, const CString& lng);
  // The settings page's per-zone and total point limits, and the points of the other zones (kept
  // by the settings page for the point-file reader).
  void SetPolyCount();
  void SetTotalPolyCount();
  void SetSumPolyCount();

  // The buttons (also called by tests as a click would).
  void OnSend();
  void OnBnClickedPrev();
  void OnBnClickedCancel();
  void OnFileOpen();
  void OnFileSave();
  // Clicks on page elements with the ids "ButtonOK", "ButtonCancel" and "BtnConfirm" (the
  // program's page has none): OK ends the step without sending, Cancel is CANCEL, and Confirm
  // shows "confirm ok".
  void OnButtonOK();
  void OnButtonConfirm();
  // Hides the dialog when step 1 ends the wizard.
  void CloseStep();

  CString m_strPolyZone;
  CString m_strPolyCount;
  // The points of the zone being edited, for the page.
  CString m_strPendingPoints;

 protected:
  void OnOK() override;
  void OnCancel() override;
  void OnClose();
  void OnTimer(UINT_PTR nIDEvent);
  DECLARE_MESSAGE_MAP()

 private:
  CPolyDetailDlg* DetailDialog() const;
  // Calls the page function with its arguments, each one text.
  void CallPage(const CString& name, const std::vector<CString>& args = {});
  // Ends the step with that code, and with it step 1.
  void EndStep(int nResult);

  CSettingDialog* m_pPage;
};
