// CBrelvanoDlg: construction, data exchange, initialisation, closing, the busy lock, the progress
// bar and the resets of the definition header and device identity.
#include "gui/dlg/brelvanodlg.h"

#include "gui/dlg/aboutdlg.h"
#include "gui/dlg/bledlg.h"
#include "gui/dlg/brandingfiles.h"
#include "gui/dlg/dictionary.h"
#include "gui/dlg/geofencedlg.h"
#include "gui/dlg/menudlg.h"
#include "gui/dlg/reportdlg.h"
#include "gui/dlg/settingdlg.h"
#include "platform/files.h"
#include "platform/gdi.h"
#include "platform/modal.h"
#include "platform/resources.h"
#include "platform/trace.h"
#include "platform/winapp.h"
#include "reference/default/appregsettings.h"

namespace {
// Texts of the language library.
constexpr UINT kTextExitQuestion = 1001;
// The caption of the main window.
constexpr const wchar_t kCaption[] = L"Brelvano_v5 - Kestova Int.";
// The "Language" value that shows the title without the legal notice.
constexpr int kLanguageRussian = 25;
}  // namespace

BEGIN_MESSAGE_MAP(CBrelvanoDlg, CDialog)
  ON_WM_SYSCOMMAND()
  ON_WM_PAINT()
  ON_WM_QUERYDRAGICON()
  ON_WM_CLOSE()
  ON_WM_NCLBUTTONDOWN()
  ON_WM_NCHITTEST()
  ON_WM_KICKIDLE()
  ON_COMMAND(ID_LOG_COPY, &CBrelvanoDlg::OnLogCopy)
  ON_COMMAND(ID_LOG_CLEAR, &CBrelvanoDlg::OnLogClear)
  ON_WM_SETCURSOR()
  ON_WM_LBUTTONDBLCLK()
  ON_WM_XBUTTONDBLCLK()
  ON_WM_LBUTTONDOWN()
  ON_BN_CLICKED(IDC_BTN_CONSOLE, &CBrelvanoDlg::OnBnClickedConsole)
  ON_WM_CONTEXTMENU()
  ON_WM_DEVICECHANGE()
  ON_WM_TIMER()
  ON_BN_CLICKED(IDC_BTN_CONNECT, &CBrelvanoDlg::OnBnClickedConnect)
  ON_BN_CLICKED(IDC_BTN_DISCONNECT, &CBrelvanoDlg::OnBnClickedDisconnect)
  ON_MESSAGE(WM_SERIAL_NOTIFY, &CBrelvanoDlg::OnSerialNotify)
  ON_BN_CLICKED(IDC_BTN_OPEN, &CBrelvanoDlg::OnBnClickedOpenDefinition)
  ON_CBN_SELCHANGE(IDC_COMBO_PORT, &CBrelvanoDlg::OnCbnSelchangePort)
  ON_NOTIFY(TCN_SELCHANGE, IDC_TAB_PAGES, &CBrelvanoDlg::OnTabSelChange)
  ON_MESSAGE(WM_TAB_ACTIVATED, &CBrelvanoDlg::OnTabActivated)
  ON_MESSAGE(WM_SETTINGS_PAGE_NOTIFY, &CBrelvanoDlg::OnSettingsPageNotify)
  ON_MESSAGE(WM_PAGE_BUSY, &CBrelvanoDlg::OnPageBusy)
  ON_WM_MOVE()
  ON_MESSAGE(WM_SHOW_PAGES, &CBrelvanoDlg::OnShowPages)
  ON_MESSAGE(WM_OPEN_REPORT_MAP, &CBrelvanoDlg::OnOpenReportMap)
  ON_MESSAGE(WM_SEND_TAB_COMMAND, &CBrelvanoDlg::OnSendTabCommand)
  ON_MESSAGE(WM_SEND_GEOFENCE_RECORD, &CBrelvanoDlg::OnSendGeofenceRecord)
  ON_MESSAGE(WM_SEND_FRAMED_COMMAND, &CBrelvanoDlg::OnSendFramedCommand)
  ON_MESSAGE(WM_WRITE_CURRENT_TAB, &CBrelvanoDlg::OnWriteCurrentTab)
  ON_MESSAGE(WM_WRITE_GROUP, &CBrelvanoDlg::OnWriteGroup)
  ON_MESSAGE(WM_SEND_GEOFENCE_RECORD, &CBrelvanoDlg::OnSendGeofenceRecord)
  ON_MESSAGE(WM_SEND_BLE_RECORD, &CBrelvanoDlg::OnSendBleRecord)
  ON_MESSAGE(WM_WRITE_POLYGON_ZONE, &CBrelvanoDlg::OnWritePolygonZone)
  ON_MESSAGE(WM_WRITE_POLYGON_POINTS, &CBrelvanoDlg::OnWritePolygonPoints)
  ON_MESSAGE(WM_SAVE_TEXT_PROFILE, &CBrelvanoDlg::OnSaveTextProfile)
  ON_MESSAGE(WM_CHANGE_TEXT_PROFILE, &CBrelvanoDlg::OnChangeTextProfile)
  ON_MESSAGE(WM_SAVE_XML_PROFILE, &CBrelvanoDlg::OnSaveXmlProfile)
  ON_MESSAGE(WM_CHANGE_XML_PROFILE, &CBrelvanoDlg::OnChangeXmlProfile)
END_MESSAGE_MAP()

CBrelvanoDlg::CBrelvanoDlg(CWnd* pParent) : CDialog(IDD_BRELVANO_DIALOG, pParent) {
  m_hIcon = LoadIcon(AfxGetInstanceHandle(), IDR_MAINFRAME);
  m_deviceInfo.Clear();

  m_hReadDoneEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  m_hGeofenceReadEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  m_hBleReadEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  m_hPolygonReadEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  m_hApListReadEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  m_hDriverIdReadEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  m_hCommandAckEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);

  m_strDefinitionBase = L"Language XML/BrelvanoParam";
  // No definition of a chosen file is in use yet.
  g_bFileMode = FALSE;
  const wchar_t* rates[5] = {L"9600", L"14400", L"19200", L"115200", L"Unknown"};
  for (int i = 0; i < 5; ++i) m_strBaudRates[i] = rates[i];
  m_bPolygonListDone = TRUE;
}

CBrelvanoDlg::~CBrelvanoDlg() {
  // The device link goes first: closing the port notifies this window, whose controls must still exist.
  Stop();
  m_bPortOpen = FALSE;  // closed with the link
  // A window that was never closed through OnClose still gives its pages back.
  CloseMainWindow();
  // The events go with the window object only: a wait still on the call stack when the window was
  // closed holds them until it has returned.
  for (HANDLE* event : {&m_hReadDoneEvent, &m_hGeofenceReadEvent, &m_hBleReadEvent, &m_hPolygonReadEvent,
                        &m_hApListReadEvent, &m_hDriverIdReadEvent, &m_hCommandAckEvent}) {
    if (*event != nullptr) CloseHandle(*event);
    *event = nullptr;
  }
  // The report dialog lives as long as the main window.
  DeletePage(m_pReportDlg);
  FreeReportMapParams();
  FreeReportMapRequest();
  UnregisterDeviceNotifications();
  if (m_hCompanyImage != nullptr) DeleteObject(m_hCompanyImage);
  if (m_hLogoBitmap != nullptr) DeleteObject(m_hLogoBitmap);
}

void CBrelvanoDlg::DoDataExchange(CDataExchange* pDX) {
  CDialog::DoDataExchange(pDX);
  DDX_Control(pDX, IDC_COMBO_PORT, m_comboPort);
  DDX_Control(pDX, IDC_BTN_CONNECT, m_btnConnect);
  DDX_Control(pDX, IDC_BTN_DISCONNECT, m_btnDisconnect);
  DDX_Control(pDX, IDC_BTN_OPEN, m_btnOpen);
  DDX_Control(pDX, IDC_LIST_DEVICE, m_listDevice);
  DDX_Control(pDX, IDC_LIST_LOG, m_listLog);
  DDX_Control(pDX, IDC_STATIC_TITLE, m_staticTitle);
  DDX_Control(pDX, IDC_EDIT_COMMAND, m_editCommand);
  DDX_Control(pDX, IDC_TAB_PAGES, m_tabPages);
  DDX_Control(pDX, IDC_STATIC_COMPORT, m_staticComPort);
  DDX_Control(pDX, IDC_STATIC_LOGO, m_staticLogo);
  DDX_Control(pDX, IDC_BTN_CONSOLE, m_btnConsole);
  DDX_Control(pDX, IDC_PROGRESS, m_progress);
  DDX_Control(pDX, IDC_STATIC_COMPANY, m_staticCompany);
}

CString CBrelvanoDlg::MakeTitle(const CString& version, const CString& notice, int language) {
  CString title;
  if (language == kLanguageRussian) {
    title.Format(L"Brelvano v %s", version);
  } else {
    title.Format(L"Brelvano v %s, %s", version, notice);
  }
  return title;
}

BOOL CBrelvanoDlg::OnInitDialog() {
  CDialog::OnInitDialog();

  // The logo's own picture (the company image may replace it below).
  CBitmap logo;
  if (logo.LoadBitmap(IDB_LOGO)) {
    m_hLogoBitmap = static_cast<HBITMAP>(logo.Detach());
    m_staticLogo.SetBitmap(m_hLogoBitmap);
  }

  // There is no system menu here: the About entry is offered by the title area's context menu
  // (OnContextMenu), with the text of the string table.
  SetIcon(m_hIcon, TRUE);
  SetIcon(m_hIcon, FALSE);

  LoadVersionInfo();

  m_regSettings.SetRegistryKey(kAppRegistryKeyName);
  const int language = m_regSettings.GetProfileInt(nullptr, kRegValueLanguage, 0);
  m_staticTitle.SetWindowText(MakeTitle(m_strAppVersion, m_strAppNotice, language));

  // The title label stays where the template puts it: the client area here has no caption band.
  m_nCaptionHeight = GetSystemMetrics(SM_CYEDGE) + GetSystemMetrics(SM_CYCAPTION);
  SetWindowText(kCaption);

  LoadBranding();
  InitMainWindow();

  // The port chosen last (session control connects to it).
  LoadComPort();
  InitPortList();

  m_strDocumentDir = brelvano::GetDocumentFolder();
  m_strModuleDir = platform::GetProgramFolder() + L"/";

  // USB plug and unplug notices; without them the window still works (no automatic reconnect).
  if (!RegisterDeviceNotifications()) platform::Trace(L"device notifications unavailable");

  // The console button is an invisible click area: owner-drawn with nothing to draw.
  m_btnConsole.SetWindowText(CString());
  m_btnConsole.SetButtonStyle(BS_OWNERDRAW, FALSE);

  const int dictionaryLanguage = m_regSettings.GetProfileInt(nullptr, kRegValueLanguage, 0);
  brelvano::LoadPortugueseDictionary(m_mapLanguage, static_cast<DWORD>(dictionaryLanguage), m_strDocumentDir);
  return TRUE;
}

void CBrelvanoDlg::InitMainWindow() {
  Init(this);
  // The console shows the commands written with their passwords blanked.
  m_bridge.SetEchoFilter([this](const CString& text) { return HideSecrets(text); });
  ResetHeaderAndDeviceInfo();
  LoadButtonBitmaps();
  LayoutControls();
  // The progress bar appears only while an operation runs.
  ShowProgress(FALSE);
}

void CBrelvanoDlg::LoadVersionInfo() {
  m_strAppPath = platform::GetProgramPath();
  m_strAppVersion.Empty();
  m_strAppNotice.Empty();
  if (m_versionInfo.Open(m_strAppPath)) {
    m_strAppVersion = m_versionInfo.GetProductVersion();
    m_strAppNotice = m_versionInfo.GetLegalNotice();
  }
  m_versionInfo.Close();
}

void CBrelvanoDlg::LoadBranding() {
  const brelvano::BrandingFiles files = brelvano::LoadBrandingFiles();
  if (files.hasImage) {
    HBITMAP image = platform::LoadImageFromFile(files.imagePath);
    // An image that cannot be decoded leaves the logo without a picture.
    m_staticLogo.SetBitmap(image);
    if (m_hCompanyImage != nullptr) DeleteObject(m_hCompanyImage);
    m_hCompanyImage = image;
  }
  // A text file that cannot be read leaves the text shown as it was.
  if (!files.textUnreadable) m_staticCompany.SetWindowText(files.hasText ? files.companyText : CString());
}

void CBrelvanoDlg::ResetHeaderAndDeviceInfo() {
  m_defHeader.Clear();
  m_deviceInfo.ClearIdentity();
}

void CBrelvanoDlg::OnSysCommand(UINT nID, LPARAM lParam) {
  if ((nID & 0xFFF0) == IDM_ABOUTBOX) {
    CAboutDlg about;
    about.DoModal();
    return;
  }
  (void)lParam;
  Default();
}

void CBrelvanoDlg::OnPaint() {
  if (!IsIconic()) {
    Default();  // the dialog's own painting
    return;
  }
  // Minimized: the program icon, centred in the client area.
  CPaintDC dc(this);
  SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), 0);
  int cxIcon = GetSystemMetrics(SM_CXICON);
  int cyIcon = GetSystemMetrics(SM_CYICON);
  CRect rect;
  GetClientRect(&rect);
  int x = (rect.Width() - cxIcon + 1) / 2;
  int y = (rect.Height() - cyIcon + 1) / 2;
  dc.DrawIcon(x, y, m_hIcon);
}

HCURSOR CBrelvanoDlg::OnQueryDragIcon() { return static_cast<HCURSOR>(m_hIcon); }

void CBrelvanoDlg::OnClose() {
  const CString question = m_language.LoadString(kTextExitQuestion);
  if (AfxMessageBox(question, MB_OKCANCEL | MB_ICONQUESTION) != IDOK) return;
  if (m_bPortOpen) EndSession();
  m_bUsbReconnect = FALSE;
  CloseMainWindow();
  EndDialog(IDCANCEL);
}

void CBrelvanoDlg::CloseMainWindow() {
  try {
    if (m_bPortOpen) {
      ResetSession();
      SetSerialRequest(SERIAL_REQ_CLOSE, 0, nullptr, 0, 0);
      m_bridge.SendToObject(WM_SERIAL_REQUEST, 0, reinterpret_cast<LPARAM>(&m_serialRequest), SEND_MODE_SEND);
    }
    // Every reply wait ends, also one further up the call stack (the window may be closed from
    // inside a wait): a new generation and every event set.
    ++m_nSessionGeneration;
    for (HANDLE event : {m_hReadDoneEvent, m_hGeofenceReadEvent, m_hBleReadEvent, m_hPolygonReadEvent,
                         m_hApListReadEvent, m_hDriverIdReadEvent, m_hCommandAckEvent}) {
      if (event != nullptr) SetEvent(event);
    }
    // The serial threads end and are joined, and the port is closed: nothing of the device link
    // reaches the window after this.
    Stop();
    // The pages let go of the parameter records before the records go.
    if (m_pSettingDlg != nullptr) {
      if (m_pSettingDlg->GetSafeHwnd() != nullptr) m_pSettingDlg->ClearPage();
      m_pSettingDlg->ResetPage();
    }
    DeletePage(m_pSettingDlg);
    DeletePage(m_pMenuDlg);
    if (m_pGeofenceDlg != nullptr) m_pGeofenceDlg->ResetPage();
    DeletePage(m_pGeofenceDlg);
    if (m_pBleDlg != nullptr) m_pBleDlg->ResetPage();
    DeletePage(m_pBleDlg);
    FreeParamLists();
    // The polygon zone store.
    delete[] m_pPolygonTable;
    m_pPolygonTable = nullptr;
    delete[] m_pZonePointBlocks;
    m_pZonePointBlocks = nullptr;
    delete[] m_pPolygonPointLists;
    m_pPolygonPointLists = nullptr;
  } catch (...) {
  }
}

void CBrelvanoDlg::LockUI(BOOL bLock) {
  m_bBusy = bLock;
  for (CDialog* page : {static_cast<CDialog*>(m_pMenuDlg), static_cast<CDialog*>(m_pSettingDlg)}) {
    if (page != nullptr && page->GetSafeHwnd() != nullptr) page->SendMessage(WM_UI_LOCK, bLock, 0);
  }
  // The wait cursor shows at once, not only at the next mouse move.
  SetCursor(bLock ? LoadCursor(nullptr, IDC_WAIT) : nullptr);
}

void CBrelvanoDlg::SetProgressRange(short nLower, int nCount) {
  // The range ends at nCount - 1, never below its start; large counts keep their full value.
  int upper = nCount - 1;
  if (upper < nLower) upper = nLower;
  m_progress.SetRange32(nLower, upper);
}

void CBrelvanoDlg::SetProgressPos(int nPos) { m_progress.SetPos(nPos); }

void CBrelvanoDlg::ShowProgress(BOOL bShow) { m_progress.ShowWindow(bShow ? SW_SHOW : SW_HIDE); }

void CBrelvanoDlg::DisablePortCombo() { m_comboPort.EnableWindow(FALSE); }

CString CBrelvanoDlg::Translate(const CString& text) const { return brelvano::Translate(m_mapLanguage, text); }
