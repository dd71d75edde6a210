// CBrelvanoDlg: the program's main window. It shows the port selector and its buttons, the device
// information list, the tab strip with the page area, the communication log and the command line,
// and owns the program's state (definition records, device identity, session flags, the events the
// reply waits use and the child pages). Its sources are split by subsystem: brelvanodlg.cpp (life
// cycle), brelvanodlg_input.cpp (keyboard, mouse, log menu, console), brelvanodlg_devicelist.cpp
// (device information list), brelvanodlg_layout.cpp (button faces, control layout), brelvanodlg_usb.cpp
// (port selector, USB port search and plug events), brelvanodlg_numbered_read.cpp (read requests
// and the read-all walk of the numbered-parameter set), brelvanodlg_numbered_replies.cpp (its reply
// parser), brelvanodlg_numbered_write.cpp (its tab, list and record writes), brelvanodlg_setreply.cpp
// (the ;Res reply parser and value appliers), brelvanodlg_geofence.cpp (the geofence list read of
// the $-command set and its acknowledgements), brelvanodlg_lists.cpp (access-point and
// driver-identifier lists), brelvanodlg_secrets.cpp (passwords blanked in what is shown);
// brelvanodlg_helpers.h holds small helpers these sources share.
#pragma once

#include <vector>

#include "gui/dlg/definitionmodel.h"
#include "gui/dlg/fileversion.h"
#include "gui/dlg/guibase.h"
#include "gui/dlg/numberedvalues.h"
#include "gui/dlg/pagemessages.h"
#include "gui/dlg/polygonrecords.h"
#include "gui/dlg/recordtable.h"
#include "gui/dlg/sessiontimers.h"
#include "object/rs232/portlist.h"
#include "object/rs232/serialstatus.h"
#include "platform/collections.h"
#include "platform/controls.h"
#include "platform/devicenotify.h"
#include "platform/dialog.h"
#include "platform/sync.h"
#include "platform/windowlife.h"
#include "reference/control/button/buttonst.h"
#include "reference/control/ccolorlistbox/ccolorlistbox.h"
#include "reference/control/listctrlex/listctrlex.h"
#include "reference/control/xtabcontrol/xtabcontrol.h"
#include "resources/programresources.h"

// Timers of the USB plug handling: the retried port search after a plug-in (or a Connect that found
// no port) and the session end after an unplug.
#define USB_RECONNECT_MS 2000
#define USB_REMOVED_MS 1000

// Commands are wrapped for a modem's tunnel: set by every port search, read by the transmitter.
extern BOOL g_bModemTunnel;

// The engineering-mode access code typed anywhere in the main window.
inline constexpr const wchar_t kEngineeringCode[] = L"MAPLEGRID";
// Clicks on the hidden console button; the console opens at the tenth and stays open.
extern signed char g_nConsoleClicks;
constexpr signed char kConsoleClicks = 10;

// The child pages (their own headers).
class CMenuDialog;
class CSettingDialog;
class CGeofenceDialog;
class CBleDialog;
class CReportDialog;

class CBrelvanoDlg : public CDialog, public GUI_Base {
 public:
  explicit CBrelvanoDlg(CWnd* pParent = nullptr);
  ~CBrelvanoDlg() override;

  enum { IDD = IDD_BRELVANO_DIALOG };

  BOOL PreTranslateMessage(MSG* pMsg) override;
  BOOL OnInitDialog() override;

  // Second half of the initialisation: language, device link, cleared records, layout.
  void InitMainWindow();
  // Ends the session (close request to the port), ends every reply wait (new generation, events
  // set), stops and joins the serial threads, releases the pages and the model. The events
  // themselves are closed by the destructor.
  void CloseMainWindow();
  // Busy lock: tells the pages that exist and switches the cursor to the wait cursor.
  void LockUI(BOOL bLock);
  // Progress bar: range nLower .. nCount - 1, position, visibility.
  void SetProgressRange(short nLower, int nCount);
  void SetProgressPos(int nPos);
  void ShowProgress(BOOL bShow);
  void DisablePortCombo();
  // Handles the thread's window messages (and timers) until the tick count has moved on by at least
  // dwMs since the start; the milliseconds that passed. Whatever is handled may end this window.
  DWORD WaitWithMessages(DWORD dwMs);
  // Empties the definition header and the device identity texts and flags.
  void ResetHeaderAndDeviceInfo();
  // Reads the program's version texts (path, product version, legal notice).
  void LoadVersionInfo();
  // The Document folder and the branding files.
  void LoadBranding();
  // Rebuilds the device information list from an identity record.
  void FillDeviceInfoList(const DEVICE_INFO* pInfo);
  // The one-slot transmitter: keeps the command (plus a carriage return when bAddCR is 1) in
  // m_strPendingCommand and sends it at the next pass of the message loop; a later call before
  // that replaces it.
  void QueueCommand(const CString& strCommand, int bAddCR = 0);
  // Sends the queued command now if the message loop has not sent it yet, so that a caller queuing
  // several commands in a row loses none of them.
  void SendQueuedCommandNow();
  // Forgets the queued command that has not gone out yet (the session that queued it has ended).
  void DropQueuedCommand();
  // Adds a line to the communication log, shown in every case (AddLogLine with bShowAll TRUE).
  void AddLog(const CString& strLine);
  // The Portuguese dictionary's text for a parameter name or tab title.
  CString Translate(const CString& text) const;

  // Layout (page area and fixed controls).
  void LoadButtonBitmaps();
  void LayoutControls();
  void LayoutPages(BOOL bNoPages, BOOL bGeofence, BOOL bBle);

  // Input.
  void CopyLogLineToClipboard();
  void OpenDebugConsole();

  // Port selector and USB plug handling.
  // Fills the port selector ("SEARCH..", "USB", the listed ports; "USB" selected).
  void InitPortList();
  // Empties the port selector and fills it with "SEARCH..", "USB" and the listed ports
  // (ListedPortNames); selects "USB".
  void FillPortCombo();
  // Registers the window for the plug events of the four device interface classes. FALSE when a
  // registration failed (those made stay in force until the window goes).
  BOOL RegisterDeviceNotifications();
  void UnregisterDeviceNotifications();
  // Searches the device's USB port: sets g_bModemTunnel and, when found, m_openPort's device path.
  BOOL FindDevicePort();
  // An unplug of a supported device while the port is open: the session ends a second later.
  void CheckRemovedDevice(const DEV_BROADCAST_HDR* pHeader);
  // The expiry of a USB plug timer; FALSE for other timers.
  BOOL OnUsbTimer(UINT_PTR nIDEvent);

  // The connection buttons (brelvanodlg_session.cpp). Connect ends a running session first, then
  // opens the chosen port ("USB": the searched device port); Open is a toggle: with a port open it
  // ends the session, else it opens a session with a definition file. Every Connect, Open and every
  // EndSession that ends something (an open port or a file session) is traced as
  // "Session: <step> <device path> tunnel on|off".
  void TraceSessionStep(const wchar_t* pszStep) const;
  void OnBnClickedConnect();
  void OnBnClickedOpenDefinition();
  void OnBnClickedDisconnect();
  void EndSession();

  // The serial link's statuses: open results, received bytes, the port going away
  // (brelvanodlg_receive.cpp).
  LRESULT OnSerialNotify(WPARAM wParam, LPARAM lParam);

  // The text the title label shows, for a language setting.
  static CString MakeTitle(const CString& version, const CString& notice, int language);

  // ---- Definition model (brelvanodlg_model.cpp) ----
  // Prepares the model for a new definition: empty tab table, no lists, counters at 0.
  void ResetDefinitionTabs();
  // The model part of the resets: every tab list freed, counters at 0, tab slots reset (the pages
  // and the log are left as they are).
  void ResetDefinitionModel();
  // Appends a copy of m_stagingParam to the list of tab m_nParseTab.
  void AddParam();
  // Releases the option arrays m_stagingParam holds and nulls them.
  void FreeStagingOptions();
  // Releases every tab list with its records, the list array and the staging options; the pages
  // that point into the lists let go of them first (DetachPagesFromModel).
  void FreeParamLists();
  // The settings page forgets its list (its controls stay until it is cleared), the geofence and
  // BLE pages and the first-page request drop their list pointers.
  void DetachPagesFromModel();
  // Incremented by every DetachPagesFromModel: reply waits for the pages of a model stop when it
  // changed (the session may go on with a new model).
  unsigned m_nModelGeneration = 0;
  // Empties the device identity (the map defaults, nVerField12, bJsonParam, strVerField16 keep theirs).
  void ResetDeviceInfo();
  // TRUE for a tab that is not a generic parameter page.
  BOOL IsSpecialTab(int nTab) const;

  // ==== XML definition loaders and report definition ====
  // (brelvanodlg_xmldef.cpp) Loads an XML definition of the connected device. A complete file (the
  // local variant file, a saved download, a chosen file) loads whole (bSubFile FALSE); bSubFile TRUE
  // loads one numbered tab sub-file of the download and asks the device for the next one.
  void LoadXmlDefinition(const CString& strPath, BOOL bSubFile = FALSE);
  // Loads a definition file of the Document folder (numbered-parameter devices).
  void OpenXmlDefinition(const CString& strPath);
  // The header pass (root and tabs) and the parameter pass, from a level's first element.
  void ParseXmlHeader(class XmlIterator it, int nDepth);
  void ParseXmlParams(class XmlIterator it, int nDepth);
  // The device sends its definition whole (TRUE) or as numbered tab sub-files (FALSE).
  BOOL IsSingleFileDefinition() const;
  // (brelvanodlg_report.cpp) WM_OPEN_REPORT_MAP: lParam a REPORT_MAP_REQUEST*; returns 0.
  LRESULT OnOpenReportMap(WPARAM wParam, LPARAM lParam);
  // Finds, reads and shows the report definition of the Document folder.
  void LoadReportDefinition();
  void ParseReportXmlHeader(class XmlIterator it, int nDepth);
  void ParseReportXmlParams(class XmlIterator it, int nDepth);
  // Appends a copy of m_reportStagingParam (no options) to report list m_nReportParseTab - 1.
  void AddReportParam();
  // Releases the report lists with their records (m_pReportParamLists becomes null).
  void FreeReportParamLists();
  // A definition file of a folder by kind (1: the report definition); empty when there is none.
  CString FindDocumentFile(const CString& strFolder, int nKind);
  // The CSV of the Document folder whose name's digits equal the leading number of the identity's
  // field after the JSON mark (the last one found); FALSE (strPath empty) when there is none.
  BOOL FindAssignCsvFile(CString& strPath);
  // Steps of the passes and loaders (brelvanodlg_xmldef.cpp).
  void ReplaceLoadedDefinition();
  void AppendFixedTab(int nSlot, int nIndex, UINT nTextId, const wchar_t* pszHdr);
  void RunParamPass(class CXmlTree& tree, int nLimit);
  void CreateSubFileZonePage();
  void RequestNextSubFile();
  // After a sub-file is taken: TRUE when it gave no tab (the same file would be asked for again)
  // for the kMaxXmlResends + 1st time in a row, and the download has been ended with a message.
  BOOL SubFileGaveNoTabTooOften(int nFileBefore);
  void ReadRootAttributes(const class XmlIterator& it);
  void ReadTabHeader(const class XmlIterator& it);
  void ReadPolygonLimits(const class XmlIterator& it);
  // Sets the settings page's first (nGroup 1) or second (2) polygon title, making the page first
  // when it does not exist yet (the XML and the JSON passes).
  void SetPolygonGroupTitle(int nGroup, const CString& strTitle);
  void DropUnfinishedItem();
  void ReadParamGroup(const class XmlIterator& it);
  BOOL ReadItem(const class XmlIterator& it);
  void ReadOption(const class XmlIterator& it);
  BOOL ReadSubGroup(const class XmlIterator& it);
  void ReadRowAttributes(const class XmlIterator& it);
  void CompletePolygonRow();
  BOOL ReadPolygonRow(const class XmlIterator& it, const CString& strName);
  BOOL ReadGroupRow(const class XmlIterator& it);
  void ReadRowOption(const class XmlIterator& it, BOOL bColumn);
  // First polygon number (the polygon tab's "min").
  int m_nPolygonFirst = 0;
  // The load in progress writes numbered sub-files (tab slots by m_nCurrentFile).
  BOOL m_bSubFileMode = FALSE;
  // Tabs whose parameters the parameter pass may load (the tabs the header pass accepted).
  int m_nDefinitionTabLimit = 0;
  // The parameter pass is inside a polygon tab.
  BOOL m_bPolygonGrp = FALSE;
  // Owner of the report lists (m_pReportParamLists points at them); frees them when the main
  // window goes.
  struct LoaderStore {
    CPtrList* pReportLists = nullptr;
    int nReportLists = 0;
    void FreeReportLists();
    LoaderStore() = default;
    LoaderStore(const LoaderStore&) = delete;
    LoaderStore& operator=(const LoaderStore&) = delete;
    ~LoaderStore() { FreeReportLists(); }
  };
  LoaderStore m_loaderStore;

  // ==== Child pages and side menu panel ====
  // TRUE: creates the menu panel, the settings page and the zone pages for the definition just
  // loaded and asks for the first page; FALSE: closes and deletes them (not the report dialog).
  // FALSE when the session (or the window) ended while a page was made: nothing more is built then.
  BOOL CreateChildPages(BOOL bCreate);
  // Asks the settings page for the first definition tab (nothing without a settings page).
  void ShowFirstTab();
  // Moves the existing pages back over the page area (visibility unchanged).
  void RelayoutPages();
  // WM_MOVE: the pages follow the main window.
  void OnMove(int x, int y);
  // WM_SHOW_PAGES: ShowWindow(wParam) on the settings and zone pages that exist.
  LRESULT OnShowPages(WPARAM wParam, LPARAM lParam);
  // Shows the report definition's current tab in the report dialog (made on first need).
  void ShowReportDialog();
  // Makes and shows the report dialog when it has no window yet.
  void ShowReportDialogOnly(BOOL bShow);
  // Shows one "edit+button" parameter's options in the report dialog.
  void OpenReportMap(REPORT_MAP_REQUEST* pRequest);
  // The parameter list OpenReportMap built last (owned here; replaced by the next one).
  CPtrList* m_pReportMapParams = nullptr;
  void FreeReportMapParams();
  // The page rectangle of LayoutPages, in screen coordinates.
  CRect ChildPageRect() { return PageRect(); }
  // The parameter list of tab nTab (0-based); null when there is none.
  CPtrList* TabParamList(int nTab);
  // m_pageInfo for the first tab; widths above the settings page's half width plus the extra.
  void FillFirstPageRequest(int nHalfWidthExtra);
  // The session conditions under which the geofence and BLE pages are made.
  BOOL ZonePagesWanted() const;

  // ==== Session: connection, transmitter, receive path, timers, tab activation, replies ====
  // Sends one command at once (modem tunnel wrapping, echo of the command in the log). A command of
  // more than kMaxCommandBytes bytes is refused with an error line in the log; nothing is sent.
  void TransmitCommand(CString strCommand);
  // Adds a text to the communication log (time stamp, error lines in red).
  void AddLogLine(const CString& strText, BOOL bShowAll);
  // A line of the link as the log, the trace and the console show it: the login and the values of
  // the definition's password parameters blanked (brelvanodlg_secrets.cpp).
  CString HideSecrets(const CString& strText) const;
  // The ready handshake; the end of a session; the whole session state back to its start values.
  void StartSession();
  void ResetSession();
  // LockUI(FALSE).
  void ResetBusy();
  // Session control (brelvanodlg_session.cpp).
  void OnCbnSelchangePort();
  void SaveComPort();
  void LoadComPort();
  // The upper-case copy of a text (the text unchanged should upper-casing fail).
  CString SafeMakeUpper(const CString& strText) const;
  // Every zone record of the polygon table back to its empty state (zone number = position + 1).
  void ResetPolygonTable();
  // The model reset of a new session: tab slots, lists and counters, not the log.
  void ResetSessionDefinition();
  // The pages' part of the session reset: the report dialog closed and deleted, the other pages
  // reset (and released when they still exist).
  void ResetChildPagesForSession();
  // The settings page's zones-read flag (FALSE without a page) and its SEND button.
  BOOL SettingPageZonesRead();
  void EnableSettingSendButton(BOOL bEnable);
  // The transmitter (brelvanodlg_transmit.cpp).
  static constexpr int kMaxCommandBytes = 1499;
  // Writes a new[]-allocated buffer of nCount characters (the link frees it and adds a CR); never
  // wrapped for a modem.
  void TransmitRaw(wchar_t* pBuffer, int nCount);
  void SetSerialRequest(int nCode, int nCount, void* pData, int nExtra0, int nExtra1);
  // Sends each line of a heap-allocated list and waits for its acknowledgement (or the watchdog);
  // deletes the list.
  void SendCommandListAndWait(CStringList* pList, int bAddCR);
  // The text a modem's tunnel carries for a command (CR and LF removed, wrapped, CR added).
  static CString WrapForModem(const CString& strCommand);
  SerialRequest m_serialRequest;
  CRITICAL_SECTION m_csRequest;
  // The receive path (brelvanodlg_receive.cpp).
  // One received line (carriage return included) to the reply parsers, or to the log.
  void DispatchReceivedLine(const CString& strLine);
  // TRUE when the line holds "System Start" (the handshake restarts unless a session step runs).
  BOOL HandleSystemStart(const CString& strLine);
  void UpdateLogExtent();
  // Selects the log's newest line and scrolls it into view.
  void ShowNewestLogLine();
  static BOOL IsAcknowledgement(const CString& strReply);
  // Every delivery during a definition download goes here, to the download's packet receivers.
  void ReceiveDownloadData(const BYTE* pData, int nCount);
  // A delivery during a profile transfer goes here: the transfer's reply check (CheckProfileReply).
  void ReceiveProfileReply(const CString& strText);
  // The received rest without carriage return, dispatched as a line after kReceiveQuietMs of quiet.
  void FlushReceiveRest();
  static constexpr UINT_PTR TIMER_RECEIVE_REST = 1190;
  static constexpr UINT kReceiveQuietMs = 200;
  static constexpr int kMaxLogLines = 5000;
  CString m_strReceiveRest;
  BOOL m_bProfileReading = FALSE;
  BOOL m_bTextProfileApplying = FALSE;
  BOOL m_bReplyError = FALSE;
  // Timers, events and reply waits (brelvanodlg_timers.cpp).
  // The reply wait: handles messages until the event is set. FALSE when it ended because the
  // session was reset or the model freed meanwhile (or the event is gone): the caller stops.
  BOOL WaitForReply(HANDLE hEvent);
  // Kills every session timer (not the USB timers, the transmitter and the after-send timer).
  void KillSessionTimers();
  BOOL StartGeofenceRead();
  BOOL StartBleRead();
  BOOL StartGroupRead();
  // The reply watchdog's expiry.
  void OnReplyWatchdog();
  // Tab activation (brelvanodlg_tabs.cpp).
  void OnTabSelChange(NMHDR* pNMHDR, LRESULT* pResult);
  LRESULT OnTabActivated(WPARAM wParam, LPARAM lParam);
  LRESULT OnSettingsPageNotify(WPARAM wParam, LPARAM lParam);
  LRESULT OnPageBusy(WPARAM wParam, LPARAM lParam);
  // Sends WM_TAB_ACTIVATED for m_nCurTab with its title.
  void ActivateCurrentTab();
  // The title of a tab of the strip (empty outside the definition).
  CString TabTitle(int nTab);
  void EnableTabControl(BOOL bEnable);
  // The geofence read's time-out for a tab size: max(1500, 7 x size) ms.
  static UINT GeofenceReadTimeout(int nSize);
  BOOL m_bProfilePage = FALSE;
  int m_nGeofenceListCount = 0;
  // A polygon tab's activation waits for its read (a second one is not started meanwhile).
  BOOL m_bPolygonActivating = FALSE;
  // Session flags.
  BOOL m_bUserDisconnect = FALSE;
  BOOL m_bWaitReady = FALSE;
  BOOL m_bDefinitionPending = FALSE;
  BOOL m_bDirectVersion = FALSE;
  BOOL m_bOpenedFromFile = FALSE;
  BOOL m_bAtPrefix = FALSE;
  double m_dFirmwareVersion = 0.0;
  BOOL m_bNewFirmware = FALSE;
  BOOL m_bUpProtocol = FALSE;
  int m_nReadyRetries = 0;
  int m_nDownloadState = 0;
  BOOL m_bXmlDownload = FALSE;
  BOOL m_bJsonDownload = FALSE;
  BOOL m_bProfileWriting = FALSE;
  BOOL m_bEchoSeen = FALSE;
  // Incremented by every ResetSession and StartSession: waits and deferred steps stop when it changed.
  unsigned m_nSessionGeneration = 0;
  // The serial port's generation from its last open, ready or close status (data of another is
  // dropped).
  unsigned m_nPortGeneration = 0;
  // The selected tab and the tab of the pending command (-1: none).
  int m_nCurTab = 0;
  int m_nCmdTab = -1;
  // Reply waits and read progress.
  int m_nWatchdogTicks = 0;
  BOOL m_bReplyTimeout = FALSE;
  BOOL m_bGeofenceReadTimeout = FALSE;
  int m_nAdpRetries = 0;
  BOOL m_bReadAllDone = FALSE;
  BOOL m_bReadAllFinished = FALSE;
  int m_nProgressPos = 0;
  double m_dProgressStep = 0.0;

  // ==== Command framing and the password prompt ====
  // The $-reply parser (each line is consumed), the two "$Get" status answers, the version reply.
  void ParseLegacyReply(const CString& strLine);
  // The "GEO" section of the $-reply parser: a line holding "Req;" adds the text after it to the
  // geofence page's status rows (when the page exists).
  void OnGeoStatusReply(const CString& strLine);
  BOOL ParseGetReply(const CString& strLine);
  void OnVersionReply(const CString& strLine);
  // Framing of $-set commands with the definition's request template (brelvanodlg_framing.cpp).
  // The results end in CR; the empty text means there is nothing to send.
  CString BuildTabCommand(CString strText, int nTab);
  CString BuildFramedCommand(CString strText);
  CString BuildRemoveDriverIdCommand(CString strText);
  // The expected start of the answer to the last framed command (no CR).
  CString BuildReplyHeader();
  // A built command as it is sent: "AT^" in front for firmware 100.0 and newer or new firmware.
  CString PrefixFramedCommand(const CString& strBuilt) const;
  // Sends a built command with the "AT^" rule, remembering it in m_strLastCommand; the empty text
  // sends nothing.
  void QueueFramedCommand(const CString& strBuilt);
  // The definition's field separator: the first character of its delimiter (';' without one).
  wchar_t FramingSeparator() const;
  // The status chain (brelvanodlg_replies.cpp): one status request; the two "$Get" answers; the
  // local definition file of the device variant.
  void RequestStatusSection(int nCode);
  void OnGetMVoltReply(const CString& strLine);
  void OnGetMSenReply(const CString& strLine);
  void LoadLocalDefinition();
  // The diagnosis record of a DIAG reply (states -1 and flags 0 for an unknown field count).
  static DIAG_INFO BuildDiagInfo(const CString& strLine);
  // Text helpers of the reply handling: a multibyte text (the ANSI code page) as newly allocated
  // wide text, and the reverse, both zero-terminated and freed by the caller with delete[] (null in
  // gives null); whether a text is an integer (digits only after an optional leading '-'; the
  // empty text passes).
  static wchar_t* NewWideText(const char* pszText);
  static char* NewMultiByteText(const wchar_t* pszText);
  static BOOL IsIntegerText(const CString& strText);
  // Device identification (brelvanodlg_identify.cpp).
  static BOOL IsUndefinedDevice(DEVICE_INFO info);
  // The roads after the version reply: the login and the definition request; the JSON road.
  void FollowDefinitionTail();
  void FollowJsonRoad();
  // The password prompt: 1 OK (the password in strPassword), 0 cancelled, -1 the session ended or
  // was reset while the prompt was open.
  int AskDevicePassword(CString& strPassword);
  // A device text made fit to be part of a file name ('/', '\' and ".." removed).
  static CString SafeFileNamePart(CString strText);
  // The definition file choice the identification roads call (brelvanodlg_docfiles.cpp).
  BOOL ChooseDefinitionFile(int* pbJsonOrUp);
  void LoadChosenDefinition();
  // Writes the device's assignment header table into the Document folder; TRUE when written
  // (brelvanodlg_csv.cpp).
  BOOL WriteAssignHeaderCsv(const CString& strText);
  // The last framed command as sent, and the header word and body of the last framed command.
  CString m_strLastCommand;
  CString m_strCmdHeader;
  CString m_strCmdBody;
  // The "$Get...;Res" answers are taken (set by the MVolt and MSen requests).
  BOOL m_bMVoltPending = FALSE;
  // The ADP status poll runs (an "ADP" reply is taken only then).
  BOOL m_bAdpPollRunning = FALSE;
  // Definition road of the version reply.
  BOOL m_bBuyerVariantDefinition = FALSE;
  BOOL m_bEsnPending = FALSE;
  CString m_strDefinitionPath;
  CString m_strAssignCsvPath;
  // Definition download state, set by the download start lines; the packet receivers use it.
  int m_nXmlSize = 0;
  int m_nXmlReceived = 0;
  int m_nPacketFill = 0;
  int m_nFileCount = 0;
  int m_nCurrentFile = 0;
  int m_nPacket = 0;
  int m_nPacketCount = 0;
  CString m_strJsonText;
  unsigned char m_xmlBuffer[30720] = {};
  unsigned char m_packetBuffer[1024] = {};


  // ---- Members, grouped by the subsystem that owns them ----
  // Icon.
  HICON m_hIcon = nullptr;
  // Portuguese dictionary.
  CMapStringToString m_mapLanguage;
  // Port controls (session control uses them).
  CComboBox m_comboPort;
  CButtonST m_btnConnect;
  CButtonST m_btnDisconnect;
  CButtonST m_btnOpen;
  // Layout base.
  CRect m_rcLayout;
  HINSTANCE m_hLangInstance = nullptr;
  // Port state (session control).
  BOOL m_bPortOpen = FALSE;
  CString m_strComPort;
  CString m_strBaudRates[5];
  // Definition model (definition loaders).
  DEF_HEADER m_defHeader;
  TAB_INFO m_tabInfo[kMaxTabs];
  int m_nTabCount = 0;
  int m_nParseTab = 0;
  int m_nOptionIndex = 0;
  PARAM_INFO m_stagingParam;
  CPtrList* m_pParamLists = nullptr;  // m_nTabCount lists of PARAM_INFO*
  PAGE_INFO m_pageInfo;
  int m_nSubGroup = 0;
  BOOL m_bTranslateNames = FALSE;
  int m_nGeofenceTab = 0;
  int m_nBleTab = 0;
  int m_nPolygonTab = 0;
  GEO_GROUP_INFO m_geoGroup;
  BLE_GROUP_INFO m_bleGroup;
  BOOL m_bPolygonServiceEnable = FALSE;
  int m_nPolygonServiceValue = 0;
  BOOL m_bPolygonServiceSeen = FALSE;
  // Report definition.
  TAB_INFO m_reportTabInfo[kMaxReportTabs];
  int m_nReportTabCount = 0;
  int m_nReportParseTab = 0;
  DEF_HEADER m_reportHeader;
  PARAM_INFO m_reportStagingParam;
  CPtrList* m_pReportParamLists = nullptr;
  PAGE_INFO m_reportPageInfo;
  REPORT_MAP_REQUEST* m_pReportMapRequest = nullptr;
  // Polygon zone store (from the polygon tab's group limits).
  int m_nPolygonUnit = 0;
  int m_nPolygonMin = 0;
  int m_nPolygonMax = 0;
  int m_nPolygonPointMax = 0;
  int m_nPolygonTotalPointMax = 0;
  int m_nPolygonReadIndex = 0;
  POLYGON_INFO* m_pPolygonTable = nullptr;          // m_nPolygonMax zones
  POLYGON_POINT_BLOCK* m_pZonePointBlocks = nullptr;  // m_nPolygonMax groups of 60 blocks
  POLYGON_POINT_LIST* m_pPolygonPointLists = nullptr;  // 30 lists, made on first need
  // Device identity.
  DEVICE_INFO m_deviceInfo;
  // Session and page state (session control).
  BOOL m_bStartPending = FALSE;
  // Child pages (created by the definition loaders; owned here).
  CSettingDialog* m_pSettingDlg = nullptr;
  CReportDialog* m_pReportDlg = nullptr;
  CMenuDialog* m_pMenuDlg = nullptr;
  CBleDialog* m_pBleDlg = nullptr;
  CGeofenceDialog* m_pGeofenceDlg = nullptr;
  // Lists.
  CListCtrlEx m_listDevice;
  CColorListBox m_listLog;
  int m_nLogLines = 0;
  // Events of the reply waits (manual reset).
  HANDLE m_hReadDoneEvent = nullptr;
  HANDLE m_hGeofenceReadEvent = nullptr;
  HANDLE m_hBleReadEvent = nullptr;
  HANDLE m_hPolygonReadEvent = nullptr;
  HANDLE m_hApListReadEvent = nullptr;
  HANDLE m_hDriverIdReadEvent = nullptr;
  HANDLE m_hCommandAckEvent = nullptr;
  // Key buffer of the engineering-mode code.
  CString m_strKeyBuffer;
  // UI lock.
  BOOL m_bBusy = FALSE;
  // Session flags (receive path).
  BOOL m_bEchoFilter = FALSE;
  CString m_strEchoText;
  // Page layout numbers.
  int m_nLabelWidth = 0;
  int m_nValueWidth = 0;
  int m_nCaptionHeight = 0;
  int m_nTabRowHeight = 0;
  // Transmitter.
  CString m_strPendingCommand;
  BOOL m_bTransmitQueued = FALSE;  // m_strPendingCommand waits for the transmit timer
  // Version texts.
  CString m_strAppVersion;
  CString m_strAppPath;
  CString m_strAppNotice;
  // Definition road (device identification).
  CString m_strDefinitionBase;
  // Folders (with their closing '/').
  CString m_strModuleDir;
  CString m_strDocumentDir;
  // Version reader.
  CFileVersion m_versionInfo;
  // Fixed controls.
  CStatic m_staticTitle;
  CEdit m_editCommand;
  CStatic m_staticCompany;
  CXTabControl m_tabPages;
  CStatic m_staticComPort;
  CStatic m_staticLogo;
  // USB reconnect (port search) and polygon list state (page reads).
  BOOL m_bUsbReconnect = FALSE;
  BOOL m_bPolygonListDone = TRUE;
  // The open request's port (device path) and baud rate (session control, port search).
  tagRS232_PortDef m_openPort;
  // Open mode: the reconnect presses Open instead of Connect (session control).
  BOOL m_bOpenMode = FALSE;
  // The plug-event registrations of the four interface classes (null where one failed).
  HDEVNOTIFY m_hDeviceNotify[4] = {};
  // Hidden console button and the progress bar.
  CButton m_btnConsole;
  CProgressCtrl m_progress;
  // Company image shown in the logo (owned here when loaded).
  HBITMAP m_hCompanyImage = nullptr;
  HBITMAP m_hLogoBitmap = nullptr;

  // ==== Circular geofences (brelvanodlg_geofence.cpp) ====
  // A "$PVR;GEO" list line of the $-command set: records into both tables, the end of the read on
  // "NoData" or "Total". TRUE only for the total line (the others go on to the next parsers).
  BOOL ParseGeofenceListReply(const CString& strLine);
  // The fields of a "Req" list line into rec.
  void ParseGeofenceListRecord(const CString& strLine, GEOFENCE_INFO& rec);
  // TRUE for the device's acknowledgement forms of a written geofence line.
  BOOL IsCircleGeofenceReply(const CString& strLine) const;
  // The acknowledgement of a written geofence line: the record is rebuilt from the body of the last
  // command sent, stored in the main table and handed to the page.
  void ParseCircleGeofenceReply(const CString& strLine);

  // ==== Page and record writes ====
  // Frees the kept report-map request (the report dialog stops referring to it).
  void FreeReportMapRequest();
  // A page's command text (lParam: CString*, valid during the call): queued as it is with a CR in
  // the numbered-parameter set, framed for the active tab otherwise.
  LRESULT OnSendTabCommand(WPARAM wParam, LPARAM lParam);
  // A command body (lParam: CString*) framed for the active tab whatever the command set.
  LRESULT OnSendFramedCommand(WPARAM wParam, LPARAM lParam);
  // The framed form: BuildTabCommand for m_nCmdTab, the "AT^" rule, queued as it is (it ends in CR).
  void QueueTabCommand(const CString& strText);

  // ==== Access-point and driver-identifier lists (brelvanodlg_lists.cpp) ====
  // "$PVR;AP;" lines of the $-command set: entries go into the settings page's preset lines at
  // their number - 1 (a number below 1, not a number or beyond kMaxApEntries: the line is ignored
  // with a trace); "NoData" and "Total" end the read. TRUE only for the total line.
  BOOL ParseApListReply(const CString& strLine);
  // "$PVR;GDID" and "$PVR;RDID" lines (TRUE for both): while an XML profile is saved, the entries
  // go into m_arrDriverIds (at most kMaxDriverIds; a line without CR keeps its rest).
  BOOL ParseDriverIdListReply(const CString& strLine);
  // One line of the older driver-identifier reply: identifiers from field 5 on, 20 an entry. FALSE
  // when the line ends in "Continued" (more lines follow), TRUE when the list is complete or full.
  BOOL AssembleContinuedReply(const CString& strLine);
  static constexpr int kMaxApEntries = 1000;
  static constexpr int kMaxDriverIds = 500;
  static constexpr int kDriverIdsPerEntry = 20;
  int m_nApTotal = 0;
  CString m_arrDriverIds[kMaxDriverIds];
  int m_nDriverIdCount = 0;
  BOOL m_bSavingXmlProfile = FALSE;

  // ==== JSON definitions, definition files and the CSV ====
  // (brelvanodlg_jsondef.cpp) Loads a JSON definition file (the downloaded "JsonParam.json" or a
  // chosen ".json" file) into the model, then makes the pages. A missing file changes nothing; a
  // file that is not JSON shows "Failed to Parse Json" and changes nothing. Of the top-level
  // members only the definition ("brelvano") is read; a tab without exactly one "info" element and
  // visible tabs beyond kMaxDefinitionTabs are refused with a trace.
  void LoadJsonDefinition(const CString& strPath);
  // The header pass (definition header and tab table) and the parameter pass (parameters, options,
  // polygon rows), each from a level's first element.
  void ParseJsonHeader(class JsonIterator it, int nDepth);
  void ParseJsonParams(class JsonIterator it, int nDepth);
  // Steps of the JSON passes.
  void ReadJsonDefinitionHeader(const class JsonIterator& it);
  void ReadJsonTabHeader(const class JsonIterator& tab, const class JsonIterator& info);
  void ReadJsonPolygonLimits(const class JsonIterator& info);
  void ReadJsonTabFields(const class JsonIterator& info);
  // An item of a generic tab; FALSE when its elements are not to be read (a refused option count).
  BOOL ReadJsonItemAndContinue(const class JsonIterator& it);
  // An element of depth 3 to 5 of a polygon tab; TRUE when its children are to be read.
  BOOL ReadJsonPolygonLevel(const class JsonIterator& it, int nDepth);
  void ReadJsonRow(const class JsonIterator& it, BOOL bWithConfig, BOOL bCheckBox);
  void ReadJsonGroupOption(const class JsonIterator& it);
  void FillJsonOptions(const class JsonIterator& it, int nKind);

  // (brelvanodlg_docfiles.cpp) The chosen definition file loaded by its kind: a ".json" file with
  // LoadJsonDefinition, any other with LoadChosenDefinition.
  void LoadChosenFile();
  // The JSON road of a session opened with a definition file: the file choice, then the chosen
  // file is loaded. A cancelled choice changes nothing.
  void FollowDirectJsonRoad();
  // Finds the main definition of the Document folder, loads it and shows its version in the title.
  void OpenMainXml();
  // (brelvanodlg_csv.cpp) Appends the lines of the current assignment-header CSV (m_strAssignCsvPath
  // for a JSON-definition device, else the best-ranked CSV of the Document folder). FALSE, after a
  // message box, when no file can be read.
  BOOL ReadAssignHeaderCsv(std::vector<CString>& lines);
  // Appends the pieces of src between the separators (empty pieces kept, no empty last piece after
  // a trailing separator, nothing for an empty src); out is not cleared.
  static void SplitString(std::vector<CString>& out, const CString& src, wchar_t sep);
  // Appends the pieces of src between occurrences of sep; returns the number of separators found
  // (nothing appended and 0 for an empty src; an empty sep gives src whole and 0).
  static int SplitByString(const CString& src, const CString& sep, CStringArray& out);
  // A larger CSV file is refused when read back.
  static constexpr long long kMaxAssignCsvBytes = 16LL * 1024 * 1024;

  // ==== Definition download and storage ====
  // (brelvanodlg_download.cpp) The packet receivers of a definition download. During a download
  // every delivery, however short, reaches ReceiveDownloadData, which hands it to the receiver of
  // the running download; packets are assembled across deliveries. The bytes are used only during
  // the call.
  void ReceiveXmlPacketV1(const BYTE* pBytes, unsigned nCount);
  void ReceiveXmlPacket(const BYTE* pBytes, unsigned nCount, int nFile, int nPacket);
  BOOL TakeXmlDelivery(const BYTE* pBytes, unsigned nCount, const wchar_t* strTooLong);
  void ReceiveJsonPacket(const BYTE* pBytes, unsigned nCount, int nUnused);
  // A bad XML packet: asks the device for it again, or gives up after kMaxXmlResends in a row.
  void RequestXmlResend();
  // TIMER_TAB_DEFER during a download: re-arms up to kMaxXmlRetries times, then disconnects.
  void OnXmlRetryTimer();
  // Gives the download up: "Connection Timeout." and the session ends.
  void AbortDefinitionDownload();
  // Ends the download and the session with the given message.
  void EndDefinitionDownload(const CString& strMessage);
  // The line stayed quiet for kDownloadQuietMs during a download (see the source).
  void OnDownloadQuiet();
  // The download texts emptied and the packet, length and file counters at 0 (a session's end).
  void ResetDownloadState();
  // The device sends its XML definition as one file (TRUE) or in numbered sub-files.
  BOOL IsSingleFileDownload() const;
  static constexpr UINT_PTR TIMER_DOWNLOAD_QUIET = 1192;
  // A step of the definition road that waits for the device (a sub-file request, the CSV and JSON
  // requests, the identity read) has a deadline: without an answer the road ends with a log line
  // and the window is given back.
  void AwaitDeviceStep(const CString& strStep);
  void EndAwaitedStep();
  void OnStepDeadline();
  // Ends the definition road: the reason goes to the log, the session ends and the window is usable.
  void GiveUpDefinitionRoad(const CString& strReason);
  static constexpr UINT_PTR TIMER_STEP_DEADLINE = 1193;
  static constexpr UINT kStepDeadlineMs = 10000;
  CString m_strAwaitedStep;
  static constexpr UINT kDownloadQuietMs = 5000;
  static constexpr int kMaxXmlResends = 15;
  static constexpr int kMaxXmlRetries = 10;
  static constexpr int kMaxXmlFileBytes = 30720;
  static constexpr size_t kMaxJsonFrameBytes = 1024 * 1024;
  static constexpr size_t kMaxJsonBytes = 16 * 1024 * 1024;
  // XML packet state: a packet is open (its STX seen), header bytes held (0..3), its length, the
  // flag of the last header, consecutive bad packets.
  BOOL m_bInFrame = FALSE;
  int m_nHeaderFill = 0;
  BYTE m_packetHeader[3] = {};
  unsigned short m_wPacketLength = 0;
  BOOL m_bLastPacket = FALSE;
  int m_nResendCount = 0;
  // Sub-files in a row that gave no tab (each is asked for again).
  int m_nSubFileRepeats = 0;
  // JSON: received bytes not yet taken as a frame, the last frame's checksum field (lower case),
  // and the data of the good frames, joined (bytes as received, UTF-8).
  std::string m_jsonReceive;
  CString m_strJsonChecksum;
  std::string m_jsonData;
  // The session (m_nSessionGeneration) whose download the receive state belongs to.
  unsigned m_nDownloadGeneration = ~0u;
  // (brelvanodlg_store.cpp) Asks the device for its XML definition.
  void RequestDefinitionXml();
  // Stores the received XML file or sub-file and loads it (the joined sub-files replace the stored
  // file after the last one; the buyer's additions are merged into a complete definition).
  void SaveXmlDefinition();
  // Stores the received JSON definition (program folder and Document folder) and loads it.
  void SaveJsonDefinition();
  // Reads up to nLength bytes of a file into pBuffer; FALSE when it cannot be opened.
  BOOL ReadFileToBuffer(const CString& strPath, BYTE* pBuffer, unsigned nLength);
  // Inserts the buyer's additions file (when there is one) into a complete definition text before
  // the geofence group (else before the closing root tag). FALSE when there is no additions file
  // or no place for it; the text is then unchanged.
  BOOL MergeBuyerAdditions(CString& strText);
  // The stored definition files.
  CString StoredXmlPath() const;
  CString StoredJsonPath() const;
  CString DocumentJsonPath() const;
  // The joined text of a multi-file download.
  CString m_strMergedXml;


  // ==== Numbered-parameter command set ====
  // (brelvanodlg_numbered_read.cpp) Read requests (REQ lines of at most 20 element numbers, one code
  // a line, carried over several lines by m_bReqMore / m_nReqNext) and the walk that reads every tab
  // of a freshly loaded definition, one exchange at a time.
  void SendReadRequest(int nTab);
  void SendGeofenceReadRequest(int nTab);
  void SendBleReadRequest(int nTab);
  void SendPolygonZoneReadRequest(int nTab);
  void SendRecordReadRequest();
  void SendListReadRequest();
  void SendPolygonPointsReadRequest(int nZone, int nPoints);
  // FALSE, with nothing sent, when the zone at that index has no points (or there is no such zone).
  BOOL SendProfileReadRequest(int nZoneIndex);
  // Starts the walk over the tabs of the definition just loaded (from m_nReadAllTab).
  void BeginReadAllTabs();
  // Arms the walk timer (100 ms) and the reply watchdog (500 ms).
  void StartReadAllTabs();
  // The walk timer's expiry: the next tab's request, or the end of the walk.
  void OnReadNextTab();
  // The walk's end: UI unlocked, progress hidden, tab strip enabled, first page shown.
  void EndReadAllTabs();
  // The common start of a REQ line (watchdog count, continuation) and the send of a record read's
  // line (its last line ends the read and the group-read timer).
  void BeginRequestLine();
  void SendRecordRequestLine(int code, const CString& elements, bool last);
  // The read in progress is over (continuation state back to a new read).
  void EndNumberedRead();
  // The reply watchdog gave up on a walk request: one log line, the walk goes on with the next tab.
  void GiveUpWalkRequest();
  // The exchanges of the set back to their starting state (session end and reset).
  void ResetNumberedState();
  // The definition tables as the record coders read them.
  DefinitionView NumberedDefinition() const;
  BOOL m_bReqMore = FALSE;
  int m_nReqNext = 0;
  int m_nReadAllTab = 0;
  // A walk runs (from its start after a definition load to its end).
  BOOL m_bWalkActive = FALSE;
  // A walk request is out and its answer not yet taken.
  BOOL m_bWalkRequestOut = FALSE;
  // The code of an answer that came while a walk request was out but belonged, by its code, to
  // other pages than the tab read (-1: none came).
  int m_nWalkStrayCode = -1;
  // The code of the REQ line whose answer is awaited (-1: none): a read reply of another code is
  // not that read's answer and moves neither the read nor the walk on.
  int m_nReqCode = -1;
  // The element index at which the awaited REQ line starts (the first record it asks for).
  int m_nReqLineFirst = 0;
  // The group read under way (tab activation, profile save): the timer that guards it
  // (TIMER_GROUP_READ or TIMER_BLE_GROUP_READ, 0: none), its tab and the clock time of its last answer.
  UINT_PTR m_nGroupReadTimer = 0;
  int m_nGroupReadTab = -1;
  ULONGLONG m_nGroupReadAnswerMs = 0;
  // Starts a group read of a record tab under its timer; ends it (its timer stopped).
  void BeginGroupRead(int nTab, UINT_PTR nTimer);
  void EndGroupRead();
  // A group-read timer's expiry: the tab strip comes back; the read ends only when the device has
  // been silent for the time-out, saying which records it did not read.
  void OnGroupReadTimer(UINT_PTR nTimer);

  // (brelvanodlg_numbered_replies.cpp) The reply parser of the set and its read-reply parsers.
  void ParseNumberedReply(CString line);
  void ParseGenericReadReply(CString line);
  void ParseListReadReply(CString line);
  void ParseRecordReadReply(CString line);
  void ParseGeofenceReadReply(CString line);
  void ParseBleReadReply(CString line);
  void ParsePolygonReadReply(CString line);
  // Applies the write-back buffer to the tab it was filled for (once, on the last acknowledgement).
  void CopyListBufferToTab();
  // The reply's text without its item values: where its words are searched.
  static CString ReplyWordsOf(const CString& line);
  // TRUE when the reply (its item values left out) holds a refusal word.
  static BOOL IsRefusalReply(const CString& line);
  // The main window's record tables (geofences 1..4096, BLE records 1..500); FALSE outside them.
  BOOL StoreGeofenceRecord(const GEOFENCE_INFO& rec);
  BOOL StoreBleRecord(const BLE_INFO& rec);
  int m_nRmapBit = 0;
  BOOL m_bTextProfileSaving = FALSE;
  CString m_profileListValues[300];
  CString m_profileRecordValues[500];
  int m_nGeofenceTotal = 0;
  RecordTable<GEOFENCE_INFO> m_geofenceTable{kGeofenceSlots};
  RecordTable<BLE_INFO> m_bleTable{kBleSlots};

  // (brelvanodlg_numbered_write.cpp) Tab writes (PRG and CMD lines from the settings page's
  // controls), the assignment map, list entries, Gap/Group lines, and the record writes.
  LRESULT OnWriteCurrentTab(WPARAM wParam, LPARAM lParam);
  LRESULT OnWriteGroup(WPARAM wParam, LPARAM lParam);
  CString WriteRmapTab(CPtrList* pList, TAB_INFO* pTab);
  void WriteListEntries(CPtrList* pList, TAB_INFO* pTab);
  void WriteGapGroupId(CPtrList* pList, TAB_INFO* pTab);
  void ClearListBuffer();
  // The write-next and point timers' expiries: the next line of the tab or point write.
  void OnWriteNextTab();
  void OnWriteNextPoints();
  // The zone and point text of the running point write (its continuation lines use them).
  POLYGON_INFO m_pointWriteZone;
  CString m_strPointWriteText;
  // lParam: const CString* of the page's record text (valid during the call).
  LRESULT OnSendGeofenceRecord(WPARAM wParam, LPARAM lParam);
  LRESULT OnSendBleRecord(WPARAM wParam, LPARAM lParam);
  // wParam: POLYGON_INFO*; lParam (points): const CString* of "lng@lat@" pairs.
  LRESULT OnWritePolygonZone(WPARAM wParam, LPARAM lParam);
  LRESULT OnWritePolygonPoints(WPARAM wParam, LPARAM lParam);
  // The record value encoders and decoders on this definition.
  CString BuildPrgValueLines(GEOFENCE_INFO rec);
  CString BuildBlePrgValueLines(BLE_INFO rec);
  BOOL DecodeGeofenceExtraValues(CString values, GEOFENCE_INFO* pRec);
  BOOL DecodeBleValues(CString values, BLE_INFO* pRec);
  void DecodePolygonExtraValues(CString code, int nZone, CString values);
  CString RowValuesToHex(CString code);
  BOOL FindEnableValue(int code, CString id);
  CString FindRowValue(CString code, int n);
  // One entry of the write-back buffer: the control type at the position (5: nothing to apply) and
  // the values to store on acknowledgement.
  struct LIST_BUFFER_ENTRY {
    int nKind = 5;
    CString strValue;
    CString strValue2;
  };
  // Sized to the tab being written; applied once to m_nListBufferTab when the write's last line is
  // acknowledged.
  std::vector<LIST_BUFFER_ENTRY> m_listBuffer;
  int m_nListBufferTab = -1;
  BOOL m_bListBufferPending = FALSE;
  BOOL m_bMoreLines = FALSE;
  int m_nNextItem = 0;
  int m_nLinesLeft = 0;
  int m_nPolygonWriteStep = 0;
  // The write-next timer is sending the following line of a tab write (a SEND starts a new one).
  BOOL m_bWriteContinuation = FALSE;

  // (brelvanodlg_setreply.cpp) The ";Res" reply parser of the $-command set: TRUE when it took the
  // line. ApplyValuesToTab writes a sent command body (fields at the definition's separator) into
  // the tab's parameters; parameters beyond the body's fields keep their values.
  BOOL ParseSetReply(const CString& line);
  void ApplyValuesToTab(const CString& values, int nTab);
  // Empties the last framed command, its header word and body.
  void ClearPendingCommand();
  // TRUE when a field of the line is the definition's reply token (the command is answered); an
  // "InitCircleGeo" answer (field 5) also clears the geofence page's records.
  BOOL ParseInitCircleGeoReply(const CString& line);
  BOOL m_bPlsReplyPending = FALSE;

  // (brelvanodlg_polygon.cpp) The $-command polygon replies ("PLC;Res" sub-commands, "PLG;Res",
  // "PLS;Res") and the packet-by-packet zone write they drive.
  void RoutePolygonReply(const CString& line);
  void ParsePolygonGroupInfoReply(CString line);
  void ParsePolygonGroupPosReply(CString line);
  void ParseErasePolygonGroupReply(CString line);
  void ParsePolygonServiceInfoReply(CString line);
  void ParsePolygonSettingsReply(CString line);
  void ParsePolygonWriteReply(CString line);
  // A polygon command body framed for the polygon tab and queued.
  void SendPolygonCommand(const CString& body);
  void SendPolygonPointBlock(int nBlock);
  void SendPolygonEndPacket();
  // Commands that clear the device's zones ("PLC;;02;ErasePolygonGroup;A" after the definition's
  // header token) and its circular geofences ("CMD;;02;InitCircleGeo"): queued with a carriage
  // return (the numbered-parameter set queues an empty line), then a 500 ms pause. Nothing in the
  // program offers them to the user.
  void SendEraseAllPolygons();
  void SendInitCircleGeo();
  // Arms the reply watchdog (its expiry sets the reply events after eight silent periods).
  void ArmReplyWatchdog();
  // The zone write the settings page's SendPolygonHeader started, and its zone.
  brelvano::PolygonWriteChain m_polygonWrite;
  int m_nPolygonWriteZone = 0;
  // Every packet of a zone write is acknowledged within this time, or the write ends with its
  // failure line and the tab strip is given back.
  static constexpr UINT_PTR TIMER_POLYGON_WRITE = 1194;
  static constexpr UINT kPolygonAckTimeoutMs = 5000;
  void ArmPolygonWriteTimeout();
  void OnPolygonWriteTimeout();

  // ==== Profiles ====
  // (brelvanodlg_profile.cpp) The profile transfer: the start command, the lines of m_profileLines
  // one per device answer (each framed for the tab of its header word), the end command and the
  // outcome in the log. The reply check runs on every delivery while m_bProfileWriting is set.
  void BeginProfileWrite();
  void WriteNextProfileLine(const CString& strLine, int nTab);
  void EndProfileWrite();
  // The controls a transfer locks come back and its state ends (without the end command: also
  // when the session ends under a transfer).
  void ReleaseProfileControls();
  void CheckProfileReply(const CString& strDelivery);
  // The tab a profile line is framed for and applied to: the tab whose header word the line starts
  // with (the polygon tab for "PLG" and "PLS"), tab 0 when none has it.
  int ProfileLineTab(const CString& strLine) const;
  std::vector<CString> m_profileLines;
  int m_nProfileLine = 0;
  // The device's error answer that stopped the transfer (shown with its outcome).
  CString m_strProfileError;
  // (brelvanodlg_profile_text.cpp) Text profiles of the numbered-parameter set (lParam: the path,
  // const wchar_t*).
  LRESULT OnSaveTextProfile(WPARAM wParam, LPARAM lParam);
  LRESULT OnChangeTextProfile(WPARAM wParam, LPARAM lParam);
  CString BuildProfilePrgLines(const CString& strHdr);
  void ApplyProfileToTables(std::vector<CString> lines);
  void ParseProfileValues(const CString& strLine);
  void ApplyProfileBleRows(const CString& strLine);
  std::vector<CString> m_textProfileLines;
  // Steps of the text profile save and change: the page reads (FALSE when the device did not
  // answer or the session ended), the lines of a page, the value item of a generic parameter (FALSE:
  // no item), the lines of the record pages and zones, and the values applied to a generic tab and
  // to a zone.
  BOOL ReadTextProfilePages();
  BOOL ReadProfileZonePoints();
  CString TextProfilePageLines(int nTab);
  // The lines of a page by its page type, without the assignment bits every assignment tab adds.
  CString TextProfileOwnLines(int nTab, CPtrList* pList);
  BOOL TextProfileValue(const PARAM_INFO& p, CString& value);
  CString GeofenceProfileLines(const CString& strHdr);
  CString BleProfileLines(const CString& strHdr);
  CString ZonePointLines(const CString& strHdr, int nZone);
  CString ZoneProfileLine(const CString& strHdr, int nZone);
  void ApplyProfileToGenericTab(const std::vector<CString>& lines, int nTab);
  void ApplyProfileZoneLine(const CString& strLine);
  // (brelvanodlg_profile_xml.cpp) XML profiles of the $-command set.
  LRESULT OnSaveXmlProfile(WPARAM wParam, LPARAM lParam);
  LRESULT OnChangeXmlProfile(WPARAM wParam, LPARAM lParam);
  // FALSE after "Invalid Profile!" or "Wrong Profile" (the change then sends nothing).
  BOOL ParseXmlProfile(class XmlIterator it, int nDepth);
  // The polygon packets of a profile's zone list, without the "PLG" header word: the zone packet
  // ("1;total;nIndex;" and the zone's settings and non-empty extras), a point packet (its number,
  // total, the zone, then ";lng;lat" for each of the five slots) and the end packet (a;a;b;c).
  static CString FormatPolygonZone(const POLYGON_INFO& zone, int total);
  static CString FormatPolygonGroup(const POLYGON_POINT_BLOCK& block, int nPacket, int total);
  static CString FormatIntTriple(int a, int b, int c);
  CString m_strPendingProfileLine;
  int m_nPolygonReadZone = 0;

 protected:
  void DoDataExchange(CDataExchange* pDX) override;

  void OnSysCommand(UINT nID, LPARAM lParam);
  void OnPaint();
  HCURSOR OnQueryDragIcon();
  void OnClose();
  LRESULT OnNcHitTest(CPoint point);
  void OnNcLButtonDown(UINT nHitTest, CPoint point);
  void OnContextMenu(CWnd* pWnd, CPoint point);
  LRESULT OnKickIdle(WPARAM wParam, LPARAM lParam);
  void OnLogCopy();
  void OnLogClear();
  BOOL OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message);
  void OnLButtonDblClk(UINT nFlags, CPoint point);
  void OnXButtonDblClk(UINT nFlags, UINT nButton, CPoint point);
  void OnLButtonDown(UINT nFlags, CPoint point);
  void OnBnClickedConsole();
  BOOL OnDeviceChange(UINT nEventType, DWORD_PTR dwData);
  void OnTimer(UINT_PTR nIDEvent);

  DECLARE_MESSAGE_MAP()

 private:
  // The page area below the tab row, in screen coordinates (the pages are owned popups).
  CRect PageRect();
  // Closes a page's window (when it has one), deletes the page and nulls the pointer.
  template <class Page>
  void DeletePage(Page*& pPage) {
    if (pPage == nullptr) return;
    Page* pGone = pPage;
    if (pGone->GetSafeHwnd() != nullptr) pGone->SendMessage(WM_CLOSE);
    if (pPage == pGone) pPage = nullptr;
    // A handler of the page may be waiting under this call: the object outlives it.
    platform::DeleteWindowLater(pGone);
  }
};
