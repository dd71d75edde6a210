// CSettingDialog: the settings page, the right-hand page of the main window. It shows one tab at a
// time of every definition tab without a page of its own (generic parameter pages, the Diagnosis
// and Profile views, assignment tables, file download, polygon zones), generating one row of
// controls per parameter and keeping them in the main window's PARAM_INFO records until the next
// tab. Its sources: settingdlg.cpp (life cycle, notifications, page modes, clearing, buttons),
// settingdlg_view.cpp (scrolling, painting, tooltips, the status and profile views),
// settingdlg_page.cpp (the generic parameter page, the page of type 36, presets), settingdlg_send.cpp
// (SEND and the SET button), settingdlg_assign.cpp (the assignment page, its tables and their drag
// and drop), settingdlg_download.cpp (the file download into the device), settingdlg_polygon.cpp
// (the polygon page and its zone actions), settingdlg_profile.cpp (profile Save and Load) and
// settingdlg_builders.cpp (placing the zone buttons).
#pragma once

#include <memory>
#include <vector>

#include "gui/dlg/definitionmodel.h"
#include "gui/dlg/guibase.h"
#include "gui/dlg/pagemessages.h"
#include "platform/collections.h"
#include "platform/controls.h"
#include "platform/dialog.h"
#include "platform/gdi.h"
#include "platform/imagelist.h"
#include "platform/listctrl.h"
#include "resources/settingresource.h"

// Page modes: which of the page's fixed control groups is shown.
enum {
  PAGE_MODE_PARAMETERS = 0,
  PAGE_MODE_STATUS = 1,
  PAGE_MODE_PROFILE = 2,
};

// wParam of WM_SETTINGS_PAGE_NOTIFY to the page.
enum {
  SETTINGS_NOTIFY_PAGE = 0,
  SETTINGS_NOTIFY_DIAGNOSIS = 1,
  SETTINGS_NOTIFY_PROFILE = 2,
};

// Numbers the page's layout uses.
constexpr int kSettingRowHeight = 21;      // one generated parameter row
constexpr int kSettingPageMargin = 50;     // what an empty page still needs
constexpr int kSettingScrollLine = 95;     // one scroll line, in pixels
constexpr COLORREF kSettingBackground = RGB(0xF0, 0xF0, 0xF0);
// What an empty path field of the one-column layout shows.
constexpr const wchar_t kFilePathPrompt[] = L"Double click and set the path";

class CBrelvanoDlg;
class CPolyDetailDlg;
class CPolygonDialog;

class CSettingDialog : public CDialog, public GUI_Base {
 public:
  explicit CSettingDialog(CWnd* pParent = nullptr);
  ~CSettingDialog() override;

  enum { IDD = IDD_SETTING_DIALOG };

  BOOL OnInitDialog() override;
  BOOL PreTranslateMessage(MSG* pMsg) override;
  // Every command of the page is dispatched here and never passed on (always TRUE).
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

  // ---- Operations of the main window ----
  // Keeps the main window's device identity and definition header (both may be null).
  void SetDeviceInfo(DEVICE_INFO* pDeviceInfo, DEF_HEADER* pDefHeader);
  // Forgets the page's state (pointers, counters, presets) without touching any window.
  void ResetPage();
  // Destroys every control generated for the shown tab and nulls its pointers in the records.
  void ClearPage();
  // Hides the assignment, polygon, status and profile controls and places SEND.
  void LayoutControls(BOOL bRepaint);
  // The profile row (path field and the three profile buttons); showing it tells the main window
  // WM_SETTINGS_PAGE_NOTIFY 2. Both empty the profile path.
  void ShowProfileControls(BOOL bShow);
  // The status lines of the Diagnosis view; hiding them tells the main window WM_SETTINGS_PAGE_NOTIFY 0.
  void ShowStatusControls(BOOL bShow);
  void ShowSendButton(BOOL bShow);
  void EnableSendButton(BOOL bEnable);
  // Enables or disables the main window's tab strip (around modal work of the page).
  void EnableMainTabControl(BOOL bEnable);
  // Pixels the shown page needs: (rows, plus one on a single-command page) x 21 + 50.
  int GetPageHeight() const;

  // ---- Operations offered to the page builders ----
  void SetPageMode(int nMode);
  // SEND at the top right of the page (lower and further left on a polygon page), reading "SEND".
  void PlaceSendButton();
  void ShowVScrollBar(BOOL bShow);
  void ShowAssignControls(BOOL bShow);
  BOOL CreateToolTip();
  void AddToolTip(UINT nCtrlId, const CString& text);
  void AddToolTip(CWnd* pCtrl, const CString& text);
  void ActivateToolTip(BOOL bActivate);
  void DeleteToolTip();

  // ---- Page builders and the actions of the single page kinds (settingdlg_builders.cpp) ----
  void BuildParameterPage(BOOL bAssign);
  void BuildGenericPage();
  void BuildAssignPage();
  void BuildGapGroupPage();
  void BuildPolygonPage();
  void ApplyPreset(int nPreset);
  void ShowPolygonControls(BOOL bShow);
  void EnablePolygonButtons(BOOL bEnable);
  void FillPolygonGroupList();
  void SetMapPointText();
  void RefreshPolygonFromRecord(POLYGON_INFO* pZone);
  // (settingdlg_polygon.cpp) One row of the zone list for a zone (a new row, or the row EDIT
  // opened), the list sorted by zone number text, the first free zone (a 0-based table index, the
  // zone count when every zone is in use) and the points of the other zones.
  void SetPolygonListRow(const POLYGON_INFO& zone);
  void SortPolygonList();
  // Columns 1 onward of list row `row` from the zone (by command set).
  void SetPolygonRowColumns(int row, const POLYGON_INFO& zone);
  // The sort order of the zone list: each row's item data is its zone number text; a sort
  // parameter of 1 sorts ascending by wcscmp, any other descending.
  static int CALLBACK ComparePolygonRows(LPARAM lParam1, LPARAM lParam2, LPARAM lParamSort);
  // Handles window messages for ms milliseconds. The caller may be gone afterwards: a handler that
  // pauses with it checks that its window is still there before touching a member.
  static void PumpMessagesFor(DWORD ms);
  int FindFreePolygonIndex();
  int GetUsedPointCount();
  // The wizard's result: the zone with its point text and count is stored and written.
  void SubmitPolygon(CString pointText, CString countText, POLYGON_INFO zone);
  // The zone wizard's two steps, made on first use and kept.
  CPolyDetailDlg* PolyDetailDialog();
  CPolygonDialog* PolygonMapDialog();
  // Ends an open zone wizard without writing (both steps hidden, their controls removed).
  void AbandonPolygonWizard();
  // Destroys and deletes both steps (the page goes).
  void DestroyPolygonWizard();
  // The polygon service settings ("PLS"): the chosen enable index and value are kept in the main
  // window and sent to the device.
  void SendPolygonSettings();
  // Starts the $-command write of zone m_nCurrentPolygon (its record in the main window's zone
  // table, its points in m_pPointBlocks): the settings packet "PLG" 1 is sent; each acknowledgement
  // then moves the main window's write on.
  void SendPolygonHeader();
  // The "PLS" command body of the service controls: "PLS", D, the enable index and D, then the
  // value (each only when its control is there); the index and value are also given back.
  CString BuildPolygonSettingsCommand(int* pIndex = nullptr, int* pValue = nullptr);
  // Deletes zone n on the device (numbered-parameter line or "ErasePolygonGroup" request).
  void DeletePolygonZone(int nZone);
  // A zone write of the $-command set still under way (its packets come from m_pPointBlocks and go
  // through the one-slot transmitter) is waited for with the zone buttons disabled; the write's own
  // time-out bounds the wait. FALSE when the page or its session ended meanwhile: the caller then
  // touches nothing.
  BOOL WaitForZoneWrite();
  // The zone list read of the $-command set, from the first zone.
  void StartPolygonListRead();
  void SendPage();
  // lParam: the window of the control that was clicked. A label of a two-column page shares its id
  // with the SET button of the parameter before it: only the button itself counts.
  void OnCommandButton(WPARAM wParam, LPARAM lParam);
  void OnAddPolygon();
  void OnEditPolygon();
  void OnDeletePolygon();
  void OnLoadProfile();
  void OnSaveProfile();
  void OnChangeProfile();
  // The chosen profile's path, kept and shown in the path field.
  void SetProfilePath(const CString& strPath);

  // ---- Assignment page (settingdlg_assign.cpp) ----
  // The columns of the three tables, then the tables filled from the main window's assignment
  // header CSV (numbered-parameter set, when the page is made).
  void InitAssignTables();
  // Empties the entry map and the three tables and fills them from the CSV lines (NO, DATA, DES of
  // the small, medium and large table on each line).
  void FillAssignLists(std::vector<CString> lines);
  // The entry of the map under key ("S_3") for an assignment item type (9, 10, 11); a new, empty
  // entry for an unknown key or another type.
  ASSIGN_INFO GetAssignInfo(int nCtrlType, const CString& key) const;
  // Writes the one selected row of the source table into the item (text, number, tooltip); with
  // no or several rows selected nothing changes. The check state stays; nothing is sent.
  void ApplyDroppedEntry(CListCtrl* pSource, PARAM_INFO* pItem);
  void AddAssignTip(PARAM_INFO* pItem, const CString& text);
  void UpdateAssignTip(PARAM_INFO* pItem, const CString& text);
  // The drag image of the row being dragged, and the window last under the cursor as a handle.
  std::unique_ptr<CImageList> m_pDragImage;
  HWND m_hDropWnd = nullptr;

  // ---- File download (settingdlg_download.cpp) ----
  // Sends the files named by the shown page's file-path parameters into the device, one after the
  // other, under a progress window; SEND of a file download page in the $-command set.
  void DownloadFiles();

  // ---- Status view ----
  // Shows the status lines for one diagnosis reading (only read during the call; null: the line
  // prefixes alone).
  void ShowDiagnosis(const DIAG_INFO* pDiag);

  // ---- Generic parameter pages (settingdlg_page.cpp) ----
  // The help text of a parameter name ("name: description" texts from 2000 on), without the
  // "name:" key; empty when the library has none.
  CString GetHelpText(const CString& name);
  // Text checks of host addresses.
  static BOOL IsLetter(wchar_t c);
  static BOOL IsDigit(wchar_t c);
  static BOOL IsDottedQuad(const CString& s);
  static BOOL IsValidHostAddress(const CString& s);
  // The option index behind the selection of a parameter's combo (combos keep each item's option
  // index as item data); -1 without a combo, a selection or a matching option.
  static int SelectedOption(const PARAM_INFO* pParam);

  // ---- SEND (settingdlg_send.cpp) ----
  // The $-set road of SEND: composes the page's command and hands it to the main window.
  void SendPageCommand();
  // The $-set command text of the shown page (prefix, then each value after the delimiter). FALSE
  // when there is nothing to send (a command page's empty command value; the user was told).
  BOOL ComposePageCommand(CString& text);
  // The older numbered-parameter composer, which nothing in the program calls: one "AT^PRG" line
  // of the shown tab ("AT^PRG;I;tab" then ";id#value" per parameter, at most 20 of them), or on a
  // command page "AT^CMD;I;command[;value]", handed to the main window like SEND's command. A
  // polygon page sends its service settings instead.
  void BuildNumberedCommand();
  // The assignment map of an assignment tab, written by the main window before the tab's own
  // lines in the numbered-parameter set; the result is not used.
  virtual CString WriteAssignmentMap(CPtrList* pParams, TAB_INFO* pTab);
  // A report-map request as WM_OPEN_REPORT_MAP hands it over (its receiver frees it with
  // FreeReportMapRequest): zero-filled, report tab -1.
  static REPORT_MAP_REQUEST* NewReportMapRequest(PARAM_INFO* pParam, int nValueCtrlId);
  static void FreeReportMapRequest(REPORT_MAP_REQUEST* pRequest);

  // ---- Members ----
  int m_nLabelWidth = 0;
  int m_nValueWidth = 0;
  // Polygon zone list state.
  int m_nSelectedRow = -1;                      // item of the last LVN_ITEMCHANGED of the zone list
  CPolyDetailDlg* m_pPolyDetailDlg = nullptr;  // wizard step 1, owned here
  CPolygonDialog* m_pPolygonDlg = nullptr;     // wizard step 2, owned here
  int m_nEditZone = 0;                         // zone number opened by EDIT
  POLYGON_POINT_BLOCK* m_pPointBlocks = nullptr;  // new[], owned here
  int m_nPointBlockCount = 0;
  int m_nPointBlocksRead = 0;
  int m_nUsedPoints = 0;
  BOOL m_bKeepPolygonList = FALSE;  // the zones were read (the list is not asked again)
  int m_nPolygonMode = 0;           // last zone action: 0 add, 1 edit, 2 delete
  int m_nCurrentPolygon = 0;        // zone number last submitted
  int m_nEditRow = -1;              // list row of the zone opened by EDIT
  int m_nPolygonColumns = 0;
  BOOL m_bWaitPoints = FALSE;       // EDIT waits for the zone's points
  BOOL m_bExcludeEdited = FALSE;    // GetUsedPointCount leaves the selected zone out
  CString m_strMapPointText;        // the point text of the zone opened by EDIT, for the map
  CString m_strDetailTitle;
  CString m_strMapTitle;
  // Assignment entries by "S_n", "M_n", "L_n".
  CMap<CString, const CString&, ASSIGN_INFO, const ASSIGN_INFO&> m_mapAssign{10};
  // The list and tab of the last numbered-parameter SEND (the main window's write-next timer
  // sends them again).
  CPtrList* m_pWriteList = nullptr;
  TAB_INFO m_writeTab;
  // The value edit of a single-command page's command row.
  CEdit* m_pCmdEdit = nullptr;
  BOOL m_bUpMode = FALSE;
  int m_nPointLimit = 60;
  int m_nTotalPointLimit = 0;
  int m_nZoneLimit = 0;
  TAB_INFO m_curTab;
  CPtrList* m_pParamList = nullptr;  // the main window's list of the shown tab (never freed here)
  CFont m_font;
  CStatic* m_pCmdLabel = nullptr;
  CStatic* m_pServiceTitle = nullptr;
  CStatic* m_pZoneFrame = nullptr;
  CStatic* m_pZoneFrameLabel = nullptr;
  int m_nRowCount = 0;
  CString m_strPageCmd;
  DEVICE_INFO* m_pDeviceInfo = nullptr;
  DEF_HEADER* m_pDefHeader = nullptr;
  CStatic m_stGps;
  CStatic m_stGprs;
  CString m_strProfilePath;
  BOOL m_bBusy = FALSE;
  // Column labels of an assignment page.
  CStatic* m_pLabelS = nullptr;
  CStatic* m_pLabelM = nullptr;
  CStatic* m_pLabelL = nullptr;
  CStatic m_stTitleSmall;
  CStatic m_stTitleMedium;
  CStatic m_stTitleLarge;
  CListCtrl m_listSmall;
  CListCtrl m_listMedium;
  CListCtrl m_listLarge;
  BOOL m_bDragging = FALSE;
  int m_nDragIndex = -1;
  int m_nDropIndex = -1;
  CListCtrl* m_pDragList = nullptr;
  CWnd* m_pDropWnd = nullptr;
  CListCtrl m_listPolygon;
  CProgressCtrl m_progress;
  CStringArray m_arrPresets;
  CStatic m_stIButton;
  CStatic m_stOdometer;
  CStatic m_stRpm;
  BOOL m_bBkErased = FALSE;
  CToolTipCtrl* m_pToolTip = nullptr;
  int m_nScrollPos = 0;
  int m_nScrollPage = 0;
  int m_nScrollRange = 0;

 protected:
  void DoDataExchange(CDataExchange* pDX) override;

  void OnSize(UINT nType, int cx, int cy);
  void OnVScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar);
  LRESULT OnSettingsPageNotify(WPARAM wParam, LPARAM lParam);
  LRESULT OnUiLock(WPARAM wParam, LPARAM lParam);
  LRESULT OnPolygonListUpdate(WPARAM wParam, LPARAM lParam);
  void OnLButtonUp(UINT nFlags, CPoint point);
  void OnMouseMove(UINT nFlags, CPoint point);
  void OnClose();
  BOOL OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message);
  void OnPaint();
  BOOL OnEraseBkgnd(CDC* pDC);

  void OnButtonClicked(WPARAM wParam, LPARAM lParam);
  void OnComboSelChange();
  void OnFilePathDblClk(WPARAM wParam, LPARAM lParam);
  // NM_DBLCLK and LVN_ITEMCHANGED of the zone list: a trace, and the changed item kept.
  void OnPolygonListDblClick(NMHDR* pNMHDR, LRESULT* pResult);
  void OnPolygonListItemChanged(NMHDR* pNMHDR, LRESULT* pResult);
  // LVN_BEGINDRAG of the three assignment tables.
  void OnBeginDragAssignList(UINT id, NMHDR* pNMHDR, LRESULT* pResult);

  DECLARE_MESSAGE_MAP()

 private:
  friend class CPolyDetailDlg;
  friend class CPolygonDialog;
  // The service settings' controls of a polygon page (the first two sub-group 0 parameters).
  void BuildPolygonServiceRows(int nLeft, int nTop);
  // The zone settings' frame (with its empty label above it) and the zone list inside the frame.
  void BuildPolygonZoneFrame();
  // Destroys a control the page generated (its window, then the object); a pointer already
  // destroyed in the same clearing (in done) is skipped. Null is ignored.
  static void DestroyControl(CWnd* pWnd, std::vector<CWnd*>& done);
  // Detaches every control of the shown list's records into m_orphanControls (the records' pointers
  // become null); used when the page must forget the list before its controls can go.
  void DetachListControls();
  // Controls of a forgotten list, destroyed by the next clearing or with the page.
  std::vector<CWnd*> m_orphanControls;
  // The main window (the page's parent), or null when the page stands under another window.
  CBrelvanoDlg* MainWindow() const;
  // Sends a message to the parent window (nothing without one).
  LRESULT SendToParent(UINT message, WPARAM wParam, LPARAM lParam);
  // A language text, or the fallback when the library has none.
  CString LanguageText(UINT id, const wchar_t* fallback) const;
  // Moves every child back by the scrolled amount and sets the position to 0.
  void ScrollToTop();
  // The first parameter of the shown list, or null.
  PARAM_INFO* FirstParam() const;
  // The assignment table of a control id (null for another id).
  CListCtrl* AssignList(UINT nId);
  // The item of the shown page under a window that a row of the dragged table may be dropped on.
  PARAM_INFO* DropTarget(const CWnd* pWnd) const;
  // Rows of a generic page (bGapGroup: the page of type 36, which makes fewer kinds of control).
  void BuildRows(bool bGapGroup);
  // The main window's dictionary text (the text itself without a main window).
  CString PageTranslate(const CString& text) const;
  // The $-set field of one parameter of the walk; FALSE when the parameter adds no field.
  BOOL PageFieldValue(const PARAM_INFO* pParam, CString& value);
};
