// CSettingDialog: construction, data exchange, initialisation, the message map and the command
// dispatch, the page notification with its page modes, the busy lock, the keyboard, the clearing
// of generated controls, and the operations the main window calls.
#include "gui/dlg/settingdlg.h"

#include <algorithm>

#include "gui/dlg/brelvanodlg.h"
#include "gui/dlg/polydetaildlg.h"
#include "gui/dlg/polygondlg.h"
#include "platform/modal.h"
#include "platform/trace.h"

namespace {
// Language texts.
constexpr UINT kTextSend = 1034;
constexpr UINT kTextAdd = 1035;
constexpr UINT kTextLoadProfile = 1036;
constexpr UINT kTextChangeProfile = 1037;
constexpr UINT kTextSaveProfile = 1038;
constexpr UINT kTextEdit = 1052;
constexpr UINT kTextDelete = 1053;

// WM_COMMAND notification codes the page acts on.
constexpr UINT kCodeClicked = 0;       // BN_CLICKED
constexpr UINT kCodeSelChange = 1;     // CBN_SELCHANGE
constexpr UINT kCodeFieldDblClk = 5;   // double click in a file path field

// The file path chooser of a file field.
constexpr const wchar_t kBinaryFilter[] = L"hex (*.bin,*.hex)|*.bin;*.hex | All Files|*.*||";

const UINT kStatusIds[] = {IDC_SETTING_GPS, IDC_SETTING_GPRS, IDC_SETTING_IBUTTON, IDC_SETTING_ODOMETER,
                           IDC_SETTING_RPM};
const UINT kProfileIds[] = {IDC_SETTING_PROFILE_PATH, IDC_SETTING_LOAD_PROFILE, IDC_SETTING_SAVE_PROFILE,
                            IDC_SETTING_CHANGE_PROFILE};
}  // namespace

BEGIN_MESSAGE_MAP(CSettingDialog, CDialog)
  ON_WM_SIZE()
  ON_WM_VSCROLL()
  ON_MESSAGE(WM_SETTINGS_PAGE_NOTIFY, &CSettingDialog::OnSettingsPageNotify)
  ON_MESSAGE(WM_UI_LOCK, &CSettingDialog::OnUiLock)
  ON_MESSAGE(WM_POLYGON_LIST_UPDATE, &CSettingDialog::OnPolygonListUpdate)
  ON_NOTIFY_RANGE(LVN_BEGINDRAG, IDC_SETTING_ASSIGN_SMALL, IDC_SETTING_ASSIGN_LARGE,
                  &CSettingDialog::OnBeginDragAssignList)
  ON_NOTIFY(NM_DBLCLK, IDC_SETTING_POLYGON_LIST, &CSettingDialog::OnPolygonListDblClick)
  ON_NOTIFY(LVN_ITEMCHANGED, IDC_SETTING_POLYGON_LIST, &CSettingDialog::OnPolygonListItemChanged)
  ON_WM_LBUTTONUP()
  ON_WM_MOUSEMOVE()
  ON_WM_CLOSE()
  ON_WM_DESTROY()
  ON_WM_SETCURSOR()
  ON_WM_PAINT()
  ON_WM_ERASEBKGND()
END_MESSAGE_MAP()

CSettingDialog::CSettingDialog(CWnd* pParent) : CDialog(IDD_SETTING_DIALOG, pParent) {}

CSettingDialog::~CSettingDialog() {
  DestroyPolygonWizard();
  DeleteToolTip();
  // Whatever is still generated goes with the page; the records' pointers are not touched here,
  // since the main window may have released its lists already.
  std::vector<CWnd*> done;
  for (CWnd* pWnd : m_orphanControls) DestroyControl(pWnd, done);
  m_orphanControls.clear();
  for (CWnd* pWnd : std::initializer_list<CWnd*>{m_pCmdLabel, m_pCmdEdit, m_pServiceTitle, m_pZoneFrame,
                                                 m_pZoneFrameLabel, m_pLabelS, m_pLabelM, m_pLabelL}) {
    DestroyControl(pWnd, done);
  }
  delete[] m_pPointBlocks;
  m_pPointBlocks = nullptr;
}

void CSettingDialog::DoDataExchange(CDataExchange* pDX) {
  CDialog::DoDataExchange(pDX);
  DDX_Control(pDX, IDC_SETTING_GPS, m_stGps);
  DDX_Control(pDX, IDC_SETTING_GPRS, m_stGprs);
  DDX_Control(pDX, IDC_SETTING_POLYGON_LIST, m_listPolygon);
  DDX_Control(pDX, IDC_SETTING_PROGRESS, m_progress);
  DDX_Control(pDX, IDC_SETTING_IBUTTON, m_stIButton);
  DDX_Control(pDX, IDC_SETTING_ODOMETER, m_stOdometer);
  DDX_Control(pDX, IDC_SETTING_RPM, m_stRpm);
  DDX_Control(pDX, IDC_SETTING_ASSIGN_SMALL, m_listSmall);
  DDX_Control(pDX, IDC_SETTING_ASSIGN_MEDIUM, m_listMedium);
  DDX_Control(pDX, IDC_SETTING_ASSIGN_LARGE, m_listLarge);
  DDX_Control(pDX, IDC_SETTING_TITLE_SMALL, m_stTitleSmall);
  DDX_Control(pDX, IDC_SETTING_TITLE_MEDIUM, m_stTitleMedium);
  DDX_Control(pDX, IDC_SETTING_TITLE_LARGE, m_stTitleLarge);
}

CBrelvanoDlg* CSettingDialog::MainWindow() const { return dynamic_cast<CBrelvanoDlg*>(GetParent()); }

LRESULT CSettingDialog::SendToParent(UINT message, WPARAM wParam, LPARAM lParam) {
  CWnd* pParent = GetParent();
  if (pParent == nullptr || pParent->GetSafeHwnd() == nullptr) return 0;
  return pParent->SendMessage(message, wParam, lParam);
}

CString CSettingDialog::LanguageText(UINT id, const wchar_t* fallback) const {
  CString text = m_language.LoadString(id);
  if (text == kLanguageErrorText) return CString(fallback);
  return text;
}

BOOL CSettingDialog::OnInitDialog() {
  CDialog::OnInitDialog();
  LoadLanguage();

  CBrelvanoDlg* pMain = MainWindow();
  if (pMain != nullptr) {
    m_bUpMode = pMain->m_bUpProtocol;
    m_nPointLimit = pMain->m_nPolygonPointMax > 0 ? pMain->m_nPolygonPointMax : 60;
    m_nTotalPointLimit = pMain->m_nPolygonTotalPointMax > 0 ? pMain->m_nPolygonTotalPointMax : 0;
    m_nZoneLimit = pMain->m_nPolygonMax;
  }

  for (UINT id : kStatusIds) {
    if (CWnd* pWnd = GetDlgItem(static_cast<int>(id))) pWnd->ShowWindow(SW_HIDE);
  }
  m_strProfilePath.Empty();
  SetDlgItemText(IDC_SETTING_PROFILE_PATH, m_strProfilePath);

  // Button texts of the language; a library without them leaves the template's English ones.
  struct ButtonText {
    int id;
    UINT text;
    const wchar_t* fallback;
  };
  const ButtonText texts[] = {
      {IDC_SETTING_LOAD_PROFILE, kTextLoadProfile, L"Load Profile"},
      {IDC_SETTING_SAVE_PROFILE, kTextSaveProfile, L"Save Profile"},
      {IDC_SETTING_CHANGE_PROFILE, kTextChangeProfile, L"Change Profile"},
      {IDC_SETTING_POLYGON_ADD, kTextAdd, L"ADD"},
      {IDC_SETTING_POLYGON_EDIT, kTextEdit, L"EDIT"},
      {IDC_SETTING_POLYGON_DELETE, kTextDelete, L"DELETE"},
  };
  for (const ButtonText& t : texts) SetDlgItemText(t.id, LanguageText(t.text, t.fallback));

  m_font.CreateFont(14, 0, 0, 0, 100, FALSE, FALSE, 0, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                    DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, L"Arial");
  m_progress.SetRange(0, 100);
  m_progress.SetPos(10);
  m_progress.ShowWindow(SW_HIDE);

  EnableMainTabControl(TRUE);

  if (m_bUpMode) {
    m_bDragging = FALSE;
    m_nDragIndex = -1;
    m_nDropIndex = -1;
    m_pDragList = nullptr;
    m_pDropWnd = nullptr;
    EnablePolygonButtons(FALSE);
    InitAssignTables();
  }
  return TRUE;
}

// ---- Input -----------------------------------------------------------------------------------

BOOL CSettingDialog::PreTranslateMessage(MSG* pMsg) {
  if (pMsg == nullptr) return FALSE;
  // Enter and Esc never close the page nor press a button of it.
  if (pMsg->message == WM_KEYDOWN && (pMsg->wParam == VK_RETURN || pMsg->wParam == VK_ESCAPE)) return TRUE;
  // The busy lock only shows the wait cursor: keys and clicks go on as always.
  if (m_pToolTip != nullptr) m_pToolTip->RelayEvent(pMsg);
  return CDialog::PreTranslateMessage(pMsg);
}

LRESULT CSettingDialog::OnUiLock(WPARAM wParam, LPARAM lParam) {
  (void)lParam;
  m_bBusy = wParam != 0 ? TRUE : FALSE;
  return 0;
}

BOOL CSettingDialog::OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message) {
  (void)pWnd;
  (void)nHitTest;
  (void)message;
  // The page and its controls show the wait cursor while busy, else the arrow.
  SetCursor(LoadCursor(nullptr, m_bBusy ? IDC_WAIT : IDC_ARROW));
  return TRUE;
}

// ---- Commands --------------------------------------------------------------------------------

BOOL CSettingDialog::OnCommand(WPARAM wParam, LPARAM lParam) {
  switch (HIWORD(wParam)) {
    case kCodeClicked:
      OnButtonClicked(wParam, lParam);
      break;
    case kCodeSelChange:
      // Only a combo box's selection change; an edit's or a list's code of the same value is not one.
      if (dynamic_cast<CComboBox*>(CWnd::FromHandle(reinterpret_cast<HWND>(lParam))) != nullptr) OnComboSelChange();
      break;
    case kCodeFieldDblClk:
      OnFilePathDblClk(wParam, lParam);
      break;
    default:
      break;
  }
  return TRUE;
}

void CSettingDialog::OnButtonClicked(WPARAM wParam, LPARAM lParam) {
  switch (LOWORD(wParam)) {
    case IDC_SETTING_SEND: SendPage(); break;
    case IDC_SETTING_LOAD_PROFILE: OnLoadProfile(); break;
    case IDC_SETTING_SAVE_PROFILE: OnSaveProfile(); break;
    case IDC_SETTING_POLYGON_ADD: OnAddPolygon(); break;
    case IDC_SETTING_CHANGE_PROFILE: OnChangeProfile(); break;
    case IDC_SETTING_POLYGON_EDIT: OnEditPolygon(); break;
    case IDC_SETTING_POLYGON_DELETE: OnDeletePolygon(); break;
    default: OnCommandButton(wParam, lParam); break;
  }
}

PARAM_INFO* CSettingDialog::FirstParam() const {
  if (m_pParamList == nullptr || m_pParamList->IsEmpty()) return nullptr;
  return static_cast<PARAM_INFO*>(m_pParamList->GetHead());
}

void CSettingDialog::OnComboSelChange() {
  PARAM_INFO* pFirst = FirstParam();
  if (pFirst == nullptr) return;
  // The option behind the selection (a combo may list only some options; each item keeps its index).
  const int nSel = SelectedOption(pFirst);
  if (nSel < 0) return;
  if (m_curTab.nType == TAB_TYPE_COMMAND) {
    if (m_pCmdEdit != nullptr && m_pCmdEdit->GetSafeHwnd() != nullptr) m_pCmdEdit->SetWindowText(CString());
    const PARAM_OPTION* pOption =
        pFirst->pOptions != nullptr && nSel < pFirst->nOptions ? &pFirst->pOptions[nSel] : nullptr;
    const BOOL bShow = pOption != nullptr && pOption->bHasType;
    for (CWnd* pWnd : std::initializer_list<CWnd*>{m_pCmdLabel, m_pCmdEdit}) {
      if (pWnd != nullptr && pWnd->GetSafeHwnd() != nullptr) pWnd->ShowWindow(bShow ? SW_SHOW : SW_HIDE);
    }
    if (bShow && pOption->nMax > 0 && pOption->nType == 0 && m_pCmdEdit != nullptr &&
        m_pCmdEdit->GetSafeHwnd() != nullptr) {
      m_pCmdEdit->LimitText(pOption->nMax);
    }
  } else if (m_curTab.nType == TAB_TYPE_PRESET) {
    ApplyPreset(nSel + 1);
  }
}

void CSettingDialog::OnFilePathDblClk(WPARAM wParam, LPARAM lParam) {
  // The field that asked: its window in lParam, else the control with the command's id.
  CWnd* pField = CWnd::FromHandle(reinterpret_cast<HWND>(lParam));
  if (pField == nullptr) pField = GetDlgItem(LOWORD(wParam));
  if (pField == nullptr) return;
  HWND hField = pField->GetSafeHwnd();
  CFileDialog dlg(TRUE, L"bin", nullptr, OFN_READONLY, kBinaryFilter, nullptr);
  if (dlg.DoModal() != IDOK) return;
  // The field may have gone while the chooser was open.
  if (CWnd* pStill = CWnd::FromHandle(hField)) pStill->SetWindowText(dlg.GetPathName());
}

LRESULT CSettingDialog::OnPolygonListUpdate(WPARAM wParam, LPARAM lParam) {
  switch (wParam) {
    case 0: FillPolygonGroupList(); break;
    case 1: SetMapPointText(); break;
    case 2:
      if (lParam != 0) RefreshPolygonFromRecord(reinterpret_cast<POLYGON_INFO*>(lParam));
      break;
    default: break;
  }
  return 0;
}

// ---- Page notification and modes ------------------------------------------------------------

LRESULT CSettingDialog::OnSettingsPageNotify(WPARAM wParam, LPARAM lParam) {
  SendToParent(WM_PAGE_BUSY, 1, 0);
  DeleteToolTip();
  // A new page starts unscrolled: the fixed controls come back to their places first.
  ScrollToTop();
  ClearPage();
  ShowAssignControls(FALSE);

  switch (wParam) {
    case SETTINGS_NOTIFY_PAGE: {
      const PAGE_INFO* pPage = reinterpret_cast<const PAGE_INFO*>(lParam);
      if (pPage == nullptr) {
        platform::Trace(L"settings page: page request without a page");
        break;
      }
      m_pParamList = pPage->pParams;
      m_curTab = pPage->tab;
      m_nLabelWidth = pPage->nLabelWidth;
      m_nValueWidth = pPage->nValueWidth;
      m_nRowCount = 0;
      HCURSOR hOldCursor = SetCursor(LoadCursor(nullptr, IDC_WAIT));
      LockWindowUpdate();
      SetPageMode(PAGE_MODE_PARAMETERS);
      switch (m_curTab.nType) {
        case TAB_TYPE_POLYGON:
          BuildPolygonPage();
          ShowPolygonControls(TRUE);
          break;
        case TAB_TYPE_PRESET:
          BuildGenericPage();
          ApplyPreset(1);
          break;
        case TAB_TYPE_GAP_GROUP:
          BuildGapGroupPage();
          break;
        default:
          BuildParameterPage(m_curTab.bAssign);
          break;
      }
      UnlockWindowUpdate();
      SetCursor(hOldCursor);
      CString sendText;
      if (g_bFileMode && m_bUpMode) {
        sendText = L"SAVE";
      } else {
        CBrelvanoDlg* pMain = MainWindow();
        sendText = pMain != nullptr ? pMain->Translate(L"SEND") : CString(L"SEND");
      }
      SetDlgItemText(IDC_SETTING_SEND, sendText);
      break;
    }
    case SETTINGS_NOTIFY_DIAGNOSIS:
      m_nRowCount = 0;
      ShowDiagnosis(reinterpret_cast<const DIAG_INFO*>(lParam));
      break;
    case SETTINGS_NOTIFY_PROFILE:
      m_nRowCount = 0;
      SetPageMode(PAGE_MODE_PROFILE);
      break;
    default:
      break;
  }

  SendToParent(WM_PAGE_BUSY, 0, 0);
  return 0;
}

void CSettingDialog::SetPageMode(int nMode) {
  switch (nMode) {
    case PAGE_MODE_PARAMETERS: {
      BOOL bSend = TRUE;
      if (m_curTab.nType == TAB_TYPE_POLYGON) {
        const PARAM_INFO* pFirst = FirstParam();
        bSend = pFirst != nullptr && !pFirst->subGroups[0].strTitle.IsEmpty();
      }
      ShowSendButton(bSend);
      ShowStatusControls(FALSE);
      ShowProfileControls(FALSE);
      break;
    }
    case PAGE_MODE_STATUS:
      ShowSendButton(FALSE);
      ShowStatusControls(TRUE);
      ShowProfileControls(FALSE);
      break;
    case PAGE_MODE_PROFILE:
      ShowSendButton(FALSE);
      ShowStatusControls(FALSE);
      ShowProfileControls(TRUE);
      break;
    default:
      break;
  }
}

// ---- Clearing --------------------------------------------------------------------------------

void CSettingDialog::DestroyControl(CWnd* pWnd, std::vector<CWnd*>& done) {
  if (pWnd == nullptr) return;
  if (std::find(done.begin(), done.end(), pWnd) != done.end()) return;
  done.push_back(pWnd);
  if (pWnd->GetSafeHwnd() != nullptr) pWnd->DestroyWindow();
  delete pWnd;
}

void CSettingDialog::ClearPage() {
  std::vector<CWnd*> done;
  if (m_pParamList != nullptr) {
    for (POSITION pos = m_pParamList->GetHeadPosition(); pos != nullptr;) {
      auto* pParam = static_cast<PARAM_INFO*>(m_pParamList->GetNext(pos));
      if (pParam == nullptr) continue;
      // The column label of an assignment item's size class goes with the item.
      CStatic** ppColumn = pParam->nCtrlType == CTRL_S_ASSIGN   ? &m_pLabelS
                           : pParam->nCtrlType == CTRL_M_ASSIGN ? &m_pLabelM
                           : pParam->nCtrlType == CTRL_L_ASSIGN ? &m_pLabelL
                                                                : nullptr;
      if (ppColumn != nullptr && *ppColumn != nullptr) {
        DestroyControl(*ppColumn, done);
        *ppColumn = nullptr;
      }
      DestroyControl(pParam->pLabelWnd, done);
      pParam->pLabelWnd = nullptr;
      DestroyControl(pParam->pExtraWnd, done);
      pParam->pExtraWnd = nullptr;
      DestroyControl(pParam->pValueWnd, done);
      pParam->pValueWnd = nullptr;
    }
    // A write that waits for the device ends with the page it belongs to.
    if (m_pWriteList == m_pParamList) m_pWriteList = nullptr;
    m_pParamList = nullptr;
  }

  for (CWnd* pWnd : m_orphanControls) DestroyControl(pWnd, done);
  m_orphanControls.clear();
  DestroyControl(m_pCmdLabel, done);
  m_pCmdLabel = nullptr;
  DestroyControl(m_pCmdEdit, done);
  m_pCmdEdit = nullptr;
  DestroyControl(m_pServiceTitle, done);
  m_pServiceTitle = nullptr;
  DestroyControl(m_pZoneFrame, done);
  m_pZoneFrame = nullptr;
  DestroyControl(m_pZoneFrameLabel, done);
  m_pZoneFrameLabel = nullptr;
  for (CStatic** ppColumn : {&m_pLabelS, &m_pLabelM, &m_pLabelL}) {
    DestroyControl(*ppColumn, done);
    *ppColumn = nullptr;
  }

  ShowPolygonControls(FALSE);
  if (CBrelvanoDlg* pMain = MainWindow()) pMain->m_nPolygonReadIndex = pMain->m_nPolygonMin;

  if (m_pPointBlocks != nullptr && !g_bFileMode) {
    delete[] m_pPointBlocks;
    m_pPointBlocks = nullptr;
    m_nPointBlockCount = 0;
    m_nPointBlocksRead = 0;
  }
}

void CSettingDialog::DetachListControls() {
  if (m_pParamList == nullptr) return;
  for (POSITION pos = m_pParamList->GetHeadPosition(); pos != nullptr;) {
    auto* pParam = static_cast<PARAM_INFO*>(m_pParamList->GetNext(pos));
    if (pParam == nullptr) continue;
    for (CWnd** ppWnd : {&pParam->pLabelWnd, &pParam->pExtraWnd, &pParam->pValueWnd}) {
      if (*ppWnd != nullptr) m_orphanControls.push_back(*ppWnd);
      *ppWnd = nullptr;
    }
  }
}

void CSettingDialog::OnClose() {
  ClearPage();
  DestroyWindow();
}

void CSettingDialog::OnDestroy() {
  // The zone wizard's dialogs are windows of their own: they go with the page's window.
  DestroyPolygonWizard();
  CDialog::OnDestroy();
}

// ---- Operations of the main window ----------------------------------------------------------

void CSettingDialog::SetDeviceInfo(DEVICE_INFO* pDeviceInfo, DEF_HEADER* pDefHeader) {
  m_pDeviceInfo = pDeviceInfo;
  m_pDefHeader = pDefHeader;
}

void CSettingDialog::ResetPage() {
  // The shown controls stay on the page until it is cleared or closed, but the records no longer
  // point at them: the main window may release its lists before that.
  DetachListControls();
  // An open zone wizard works on the lists the main window is about to release.
  AbandonPolygonWizard();
  auto park = [this](auto*& pWnd) {
    if (pWnd != nullptr) m_orphanControls.push_back(pWnd);
    pWnd = nullptr;
  };
  park(m_pCmdEdit);
  park(m_pCmdLabel);
  park(m_pServiceTitle);
  park(m_pZoneFrame);
  park(m_pZoneFrameLabel);
  park(m_pLabelS);
  park(m_pLabelM);
  park(m_pLabelL);
  m_pDefHeader = nullptr;
  m_pParamList = nullptr;
  m_pWriteList = nullptr;
  m_bBusy = FALSE;
  m_nLabelWidth = 0;
  m_nValueWidth = 0;
  m_nSelectedRow = -1;
  m_nPointBlockCount = 0;
  m_nPointBlocksRead = 0;
  m_nUsedPoints = 0;
  m_bKeepPolygonList = FALSE;
  m_nRowCount = 0;
  m_arrPresets.RemoveAll();
  DeleteToolTip();
}

void CSettingDialog::LayoutControls(BOOL bRepaint) {
  ShowAssignControls(FALSE);
  ShowPolygonControls(FALSE);
  for (UINT id : kStatusIds) {
    if (CWnd* pWnd = GetDlgItem(static_cast<int>(id))) pWnd->ShowWindow(SW_HIDE);
  }
  for (UINT id : kProfileIds) {
    if (CWnd* pWnd = GetDlgItem(static_cast<int>(id))) pWnd->ShowWindow(SW_HIDE);
  }
  PlaceSendButton();
  if (bRepaint && GetSafeHwnd() != nullptr) Invalidate();
}

void CSettingDialog::ShowSendButton(BOOL bShow) {
  if (CWnd* pSend = GetDlgItem(IDC_SETTING_SEND)) pSend->ShowWindow(bShow ? SW_SHOW : SW_HIDE);
}

void CSettingDialog::EnableSendButton(BOOL bEnable) {
  if (CWnd* pSend = GetDlgItem(IDC_SETTING_SEND)) pSend->EnableWindow(bEnable);
}

void CSettingDialog::EnableMainTabControl(BOOL bEnable) {
  CBrelvanoDlg* pMain = MainWindow();
  if (pMain != nullptr && pMain->m_tabPages.GetSafeHwnd() != nullptr) pMain->m_tabPages.EnableWindow(bEnable);
}

int CSettingDialog::GetPageHeight() const {
  const int rows = m_nRowCount + (m_curTab.nType == TAB_TYPE_COMMAND ? 1 : 0);
  return rows * kSettingRowHeight + kSettingPageMargin;
}

void CSettingDialog::PlaceSendButton() {
  CWnd* pSend = GetDlgItem(IDC_SETTING_SEND);
  if (pSend == nullptr) return;
  CRect button;
  pSend->GetWindowRect(&button);
  CRect client;
  GetClientRect(&client);
  const int w = button.Width();
  const int h = button.Height();
  if (m_curTab.nType == TAB_TYPE_POLYGON) {
    pSend->MoveWindow(client.Width() - 4 * w, client.top + 25, w, h);
    pSend->RedrawWindow();
  } else {
    pSend->MoveWindow(client.Width() - w - 30, client.top + 20, w, h);
  }
  pSend->SetWindowText(LanguageText(kTextSend, L"SEND"));
}
