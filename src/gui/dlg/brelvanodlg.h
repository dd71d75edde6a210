// CBrelvanoDlg: the program's main window. It shows the port selector and its buttons, the device
// information list, the tab strip with the page area, the communication log and the command line,
// and owns the program's state (definition records, device identity, session flags, the events the
// reply waits use and the child pages). Its sources are split by subsystem: brelvanodlg.cpp (life
// cycle), brelvanodlg_input.cpp (keyboard, mouse, log menu, console), brelvanodlg_devicelist.cpp
// (device information list), brelvanodlg_layout.cpp (button faces, control layout), brelvanodlg_usb.cpp
// (port selector, USB port search and plug events).
#pragma once

#include <vector>

#include "gui/dlg/definitionmodel.h"
#include "gui/dlg/fileversion.h"
#include "gui/dlg/guibase.h"
#include "gui/dlg/pagemessages.h"
#include "gui/dlg/sessiontimers.h"
#include "object/rs232/portlist.h"
#include "object/rs232/serialstatus.h"
#include "platform/collections.h"
#include "platform/controls.h"
#include "platform/devicenotify.h"
#include "platform/dialog.h"
#include "platform/sync.h"
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

class CBrelvanoDlg : public CDialog, public GUI_Base {
 public:
  explicit CBrelvanoDlg(CWnd* pParent = nullptr);
  ~CBrelvanoDlg() override;

  enum { IDD = IDD_BRELVANO_DIALOG };

  BOOL PreTranslateMessage(MSG* pMsg) override;
  BOOL OnInitDialog() override;

  // Second half of the initialisation: language, device link, cleared records, layout.
  void InitMainWindow();
  // Releases the session, the pages and the events.
  void CloseMainWindow();
  // Busy lock: tells the pages that exist and switches the cursor to the wait cursor.
  void LockUI(BOOL bLock);
  // Progress bar: range nLower .. nCount - 1, position, visibility.
  void SetProgressRange(short nLower, int nCount);
  void SetProgressPos(int nPos);
  void ShowProgress(BOOL bShow);
  void DisablePortCombo();
  // Empties the definition header and the device identity texts and flags.
  void ResetHeaderAndDeviceInfo();
  // Reads the program's version texts (path, product version, legal notice).
  void LoadVersionInfo();
  // The Document folder and the branding files.
  void LoadBranding();
  // Rebuilds the device information list from an identity record.
  void FillDeviceInfoList(const DEVICE_INFO* pInfo);
  // Hands one command line to the transmitter. Until the device link exists the line is only kept
  // (m_strPendingCommand) and written to the log.
  void QueueCommand(const CString& strCommand);
  // Adds a line to the communication log.
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

  // Session operations the USB handling starts. For now they only trace and record what they would
  // do (m_sessionCalls); the session work fills them in.
  void OnBnClickedConnect();
  void OnBnClickedOpen();
  void EndSession();
  struct SessionCall {
    CString name;        // "Connect", "Open", "EndSession"
    CString devicePath;  // m_openPort's device path at the call
    BOOL modemTunnel;    // g_bModemTunnel at the call
  };
  std::vector<SessionCall> m_sessionCalls;

  // Port open and close (brelvanodlg_port.cpp).
  // Closes the open port through the device link; the port counts as closed at once.
  void OnBnClickedDisconnect();
  // Asks the device link to open m_openPort's port at 115200. FALSE when no port is named or the
  // open failed.
  BOOL OpenSerialPort();
  // Writes a text to the open port as it is (the caller adds the terminator). The bytes written.
  int WriteSerialText(const CString& strText);
  // The serial link's statuses: open results, received bytes, the port going away.
  LRESULT OnSerialNotify(WPARAM wParam, LPARAM lParam);

  // The text the title label shows, for a language setting.
  static CString MakeTitle(const CString& version, const CString& notice, int language);

  // ---- Definition model (brelvanodlg_model.cpp) ----
  // Prepares the model for a new definition: empty tab table, no lists, counters at 0.
  void ResetDefinitionTabs();
  // Appends a copy of m_stagingParam to the list of tab m_nParseTab.
  void AddParam();
  // Releases the option arrays m_stagingParam holds and nulls them.
  void FreeStagingOptions();
  // Releases every tab list with its records, the list array and the staging options.
  void FreeParamLists();
  // Empties the device identity (the map defaults, nVerField12, bJsonParam, strVerField16 keep theirs).
  void ResetDeviceInfo();
  // TRUE for a tab that is not a generic parameter page.
  BOOL IsSpecialTab(int nTab) const;

  // ==== XML definition loaders and report definition ====

  // ==== Child pages and side menu panel ====

  // ==== Session: connection, transmitter, receive path, timers, tab activation, replies ====
  // Sends one command at once (modem tunnel wrapping, echo of the command in the log).
  void TransmitCommand(CString strCommand);
  // Adds a text to the communication log (time stamp, error lines in red).
  void AddLogLine(const CString& strText, BOOL bShowAll);
  // The ready handshake; the end of a session; the whole session state back to its start values.
  void StartSession();
  void ResetSession();
  // LockUI(FALSE).
  void ResetBusy();
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
  // Incremented by every ResetSession: waits and deferred steps stop when it changed.
  unsigned m_nSessionGeneration = 0;
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
  BOOL ParseGetReply(const CString& strLine);
  void OnVersionReply(const CString& strLine);


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
  CDialog* m_pSettingDlg = nullptr;
  CDialog* m_pReportDlg = nullptr;
  CDialog* m_pMenuDlg = nullptr;
  CDialog* m_pBleDlg = nullptr;
  CDialog* m_pGeofenceDlg = nullptr;
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
  // The page area below the tab row, in the main window's client coordinates.
  CRect PageRect();
  void DeletePage(CDialog*& pPage);
};
