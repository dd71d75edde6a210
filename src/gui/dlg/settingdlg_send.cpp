// CSettingDialog: SEND of the shown page and the SET button of an "edit+button" parameter. In the
// numbered-parameter set the page hands its parameter list and tab to the main window, which
// builds the device lines from the page's controls; in the $-command set the page composes one
// command text (the page's prefix, then each value after the definition's delimiter) that the
// main window frames and sends.
#include <algorithm>
#include <vector>

#include "gui/dlg/brelvanodlg.h"
#include "gui/dlg/settingdlg.h"
#include "gui/dlg/valuecodec.h"
#include "gui/dlg/windowwatch.h"
#include "platform/modal.h"
#include "platform/trace.h"

namespace {
// Language texts: the message of an empty command value and the names with their own value codes.
constexpr UINT kTextFillOption = 1008;
constexpr UINT kTextAuthentication = 1129;
constexpr UINT kTextServerType = 1229;
constexpr UINT kTextBackupServerType = 1230;
// The authentication option that the device takes as "A".
constexpr int kAuthenticationLetterValue = 2;
// The model whose server types are sent as numbers.
constexpr const wchar_t kNumericServerTypeModel[] = L"VR325";

bool IsListPage(int type) { return type == 21 || type == 22 || type == 23; }
}  // namespace

// ---- SEND ------------------------------------------------------------------------------------

void CSettingDialog::SendPage() {
  if (m_pParamList == nullptr) {
    TRACE(L"settings page: SEND without a page\n");
    return;
  }
  if (!m_bUpMode) {
    SendPageCommand();
    return;
  }
  // The main window's write-next timer sends these two again for the following lines.
  m_pWriteList = m_pParamList;
  m_writeTab = m_curTab;
  if (g_bFileMode) {
    SendToParent(WM_WRITE_GROUP, reinterpret_cast<WPARAM>(m_pWriteList), reinterpret_cast<LPARAM>(&m_writeTab));
    return;
  }
  if (m_writeTab.bAssign == 1) {
    const WindowWatch self(this);
    WriteAssignmentMap(m_pWriteList, &m_writeTab);
    // The assignment write waits for the device; when the page went with the session, or was
    // cleared or replaced meanwhile, its write ends here.
    if (!self.Alive()) return;
    if (m_pWriteList == nullptr || m_pWriteList != m_pParamList) {
      m_pWriteList = nullptr;
      return;
    }
  }
  SendToParent(WM_WRITE_CURRENT_TAB, reinterpret_cast<WPARAM>(m_pWriteList), reinterpret_cast<LPARAM>(&m_writeTab));
}

CString CSettingDialog::WriteAssignmentMap(CPtrList* pParams, TAB_INFO* pTab) {
  CBrelvanoDlg* pMain = MainWindow();
  if (pMain == nullptr) {
    TRACE(L"settings page: no main window for the assignment map\n");
    return CString();
  }
  return pMain->WriteRmapTab(pParams, pTab);
}

void CSettingDialog::SendPageCommand() {
  switch (m_curTab.nType) {
    case TAB_TYPE_POLYGON:
      // A polygon page sends its service settings.
      SendPolygonSettings();
      return;
    case TAB_TYPE_FILE_DOWNLOAD: {
      // The page is closed to input for the whole download. A session that ends meanwhile takes
      // the page with it.
      const WindowWatch self(this);
      EnableWindow(FALSE);
      DownloadFiles();
      if (self.Alive()) EnableWindow(TRUE);
      return;
    }
    default:
      break;
  }
  CString text;
  if (!ComposePageCommand(text)) return;
  SendToParent(WM_SEND_TAB_COMMAND, 0, reinterpret_cast<LPARAM>(&text));
}

BOOL CSettingDialog::PageFieldValue(const PARAM_INFO* pParam, CString& value) {
  value.Empty();
  CWnd* pCtrl =
      pParam->pValueWnd != nullptr && pParam->pValueWnd->GetSafeHwnd() != nullptr ? pParam->pValueWnd : nullptr;
  switch (pParam->nCtrlType) {
    case CTRL_CHECK_BOX:
    case CTRL_SHEET:
    case CTRL_MGRP:
    case CTRL_ALERT_ID:
    case CTRL_S_ASSIGN:
    case CTRL_M_ASSIGN:
    case CTRL_L_ASSIGN:
    case CTRL_EDIT_BUTTON:
      return FALSE;
    case CTRL_ANY:
      if (pParam->bReserve != 0) value = L"0";
      return TRUE;
    case CTRL_EDIT:
    case CTRL_PASSWD:
    case CTRL_IP:
      value = pCtrl != nullptr ? pCtrl->GetWindowText() : pParam->strValue;
      return TRUE;
    case CTRL_EDIT_NUMBER:
      // A decimal typed in any locale goes out as the number typed.
      value = brelvano::TypedDecimal(pCtrl != nullptr ? pCtrl->GetWindowText() : pParam->strValue);
      return TRUE;
    case CTRL_COMBO:
      break;
    case CTRL_FILE_EDIT:
      // The path the user chose; the field's prompt is no path.
      value = pCtrl != nullptr ? pCtrl->GetWindowText() : pParam->strValue;
      if (value == kFilePathPrompt) value.Empty();
      return TRUE;
    default:
      // Other kinds send what their control holds; without one, the device's value stays in place.
      value = pCtrl != nullptr ? pCtrl->GetWindowText() : pParam->strValue;
      return TRUE;
  }

  // A combo: the option behind its selection; none selected gives an empty field.
  if (pCtrl == nullptr) {
    value = pParam->strValue;
    return TRUE;
  }
  auto* pCombo = dynamic_cast<CComboBox*>(pCtrl);
  const int sel = pCombo != nullptr ? pCombo->GetCurSel() : CB_ERR;
  if (sel < 0) return TRUE;
  const int option = SelectedOption(pParam);
  if (option < 0) {
    value = pCombo->GetLBText(sel);
    return TRUE;
  }
  const PARAM_OPTION& opt = pParam->pOptions[option];
  if (m_curTab.nType == TAB_TYPE_COMMAND) {
    if (pParam->bNumType) {
      if (!opt.strRid.IsEmpty()) {
        value = opt.strRid;
      } else {
        value.Format(L"%d", opt.nValue);
      }
    } else {
      value = opt.strText;  // the command itself, never its translation
    }
    return TRUE;
  }
  const CString name = PageTranslate(pParam->strName);
  auto named = [this](UINT id) {
    const CString text = m_language.LoadString(id);
    return text == kLanguageErrorText ? CString() : text;
  };
  const CString authentication = named(kTextAuthentication);
  const CString serverType = named(kTextServerType);
  const CString backupServerType = named(kTextBackupServerType);
  const bool isServerType = (!serverType.IsEmpty() && name.Find(serverType) >= 0) ||
                            (!backupServerType.IsEmpty() && name.Find(backupServerType) >= 0);
  const bool numericServerTypes = m_pDefHeader != nullptr && m_pDefHeader->strS == kNumericServerTypeModel;
  if (!authentication.IsEmpty() && name == authentication && opt.nValue == kAuthenticationLetterValue) {
    value = L"A";
  } else if (isServerType && !numericServerTypes && (opt.nValue == 0 || opt.nValue == 1)) {
    value = opt.nValue == 0 ? L"T" : L"U";
  } else {
    value.Format(L"%d", opt.nValue);
  }
  return TRUE;
}

BOOL CSettingDialog::ComposePageCommand(CString& text) {
  const CString delimiter =
      m_pDefHeader != nullptr && !m_pDefHeader->strD.IsEmpty() ? CString(m_pDefHeader->strD.Left(1)) : CString(L";");
  const bool commandPage = m_curTab.nType == TAB_TYPE_COMMAND;
  std::vector<const PARAM_INFO*> params;
  if (m_pParamList != nullptr) {
    for (POSITION pos = m_pParamList->GetHeadPosition(); pos != nullptr;) {
      params.push_back(static_cast<const PARAM_INFO*>(m_pParamList->GetNext(pos)));
    }
  }
  size_t walk = commandPage ? 1 : params.size();
  if (m_nRowCount == 0) walk = 0;
  walk = std::min(walk, params.size());

  text = m_strPageCmd;
  CString value;
  CString error;
  // A value holding the delimiter would add a field and shift every later value: refused whole.
  auto fits = [&](const CString& v, const CString& name) {
    if (brelvano::CheckTextField(v, delimiter[0], CString(), PageTranslate(name), error)) return true;
    AfxMessageBox(error, MB_OK);
    return false;
  };
  for (size_t i = 0; i < walk; ++i) {
    if (params[i] == nullptr || !PageFieldValue(params[i], value)) continue;
    if (IsListPage(m_curTab.nType) && value.IsEmpty()) continue;
    if (!fits(value, params[i]->strName)) return FALSE;
    text += delimiter + value;
  }
  if (!text.IsEmpty() && text[0] == delimiter[0]) text = text.Mid(1);

  if (commandPage) {
    if (m_pCmdEdit != nullptr && m_pCmdEdit->GetSafeHwnd() != nullptr && (m_pCmdEdit->GetStyle() & WS_VISIBLE) != 0) {
      const CString argument = m_pCmdEdit->GetWindowText();
      if (argument.IsEmpty()) {
        AfxMessageBox(LanguageText(kTextFillOption, L"Fill Option Please"), MB_OK);
        return FALSE;
      }
      if (!fits(argument, params.empty() || params[0] == nullptr ? CString(L"Option") : params[0]->strName))
        return FALSE;
      text += L"=" + argument;
    }
    if (m_nRowCount > 1 && params.size() > 1 && params[1] != nullptr) {
      const PARAM_INFO* pSecond = params[1];
      value.Empty();
      if (pSecond->nCtrlType == CTRL_EDIT || pSecond->nCtrlType == CTRL_EDIT_NUMBER) {
        value = pSecond->pValueWnd != nullptr && pSecond->pValueWnd->GetSafeHwnd() != nullptr
                    ? pSecond->pValueWnd->GetWindowText()
                    : pSecond->strValue;
        if (pSecond->nCtrlType == CTRL_EDIT_NUMBER) value = brelvano::TypedDecimal(value);
      }
      if (!fits(value, pSecond->strName)) return FALSE;
      text += delimiter + value;
    }
  }
  return TRUE;
}

// ---- Older numbered-parameter composer -------------------------------------------------------

void CSettingDialog::BuildNumberedCommand() {
  if (m_curTab.nType == TAB_TYPE_POLYGON) {
    SendPolygonSettings();
    return;
  }
  constexpr int kMaxEntries = 20;
  const bool commandPage = m_curTab.nType == TAB_TYPE_COMMAND;
  const CString unit = m_pDefHeader != nullptr ? m_pDefHeader->strI : CString();
  CString text = L"AT^";
  if (commandPage) {
    text += L"CMD;" + unit;
  } else {
    CString tab;
    tab.Format(L"%d", m_curTab.nTabId);
    text += L"PRG;" + unit + L";" + tab;
  }
  std::vector<PARAM_INFO*> params;
  if (m_pParamList != nullptr) {
    for (POSITION pos = m_pParamList->GetHeadPosition(); pos != nullptr;) {
      params.push_back(static_cast<PARAM_INFO*>(m_pParamList->GetNext(pos)));
    }
  }
  const size_t walk = std::min<size_t>(commandPage ? 1 : params.size(), kMaxEntries);
  for (size_t i = 0; i < std::min(walk, params.size()); ++i) {
    const PARAM_INFO* p = params[i];
    if (p == nullptr) continue;
    CWnd* pCtrl = p->pValueWnd != nullptr && p->pValueWnd->GetSafeHwnd() != nullptr ? p->pValueWnd : nullptr;
    CString value;
    switch (p->nCtrlType) {
      case CTRL_COMBO: {
        auto* pCombo = dynamic_cast<CComboBox*>(pCtrl);
        const int sel = pCombo != nullptr ? pCombo->GetCurSel() : CB_ERR;
        if (commandPage) {
          const int option = SelectedOption(p);
          value = option >= 0 ? p->pOptions[option].strCmdId : CString();
          if (value.IsEmpty()) {
            TRACE(L"numbered command: the chosen command has no command id; nothing is sent\n");
            return;
          }
        } else if (sel < 0) {
          // Without a selection there is no value to write: the device keeps its own.
          continue;
        } else {
          value.Format(L"%d", sel);
        }
        break;
      }
      case CTRL_EDIT:
      case CTRL_PASSWD:
      case CTRL_IP:
      case CTRL_EDIT_NUMBER:
        value = pCtrl != nullptr ? pCtrl->GetWindowText() : p->strValue;
        break;
      case CTRL_ANY:
        if (p->bReserve != 0) value = L"0";
        break;
      case CTRL_ALERT_ID:
        value = p->strAlertId;
        break;
      case CTRL_S_ASSIGN:
      case CTRL_M_ASSIGN:
      case CTRL_L_ASSIGN:
        value.Format(L"%d", p->assign.nNo);
        break;
      default:
        continue;  // check boxes, sheets, groups and SET buttons add no entry
    }
    if (!commandPage) {
      CString id;
      id.Format(L";%d#", p->nId);
      text += id + value;
      continue;
    }
    if (p->nCtrlType != CTRL_COMBO) {
      TRACE(L"numbered command: the command page starts without a command choice; nothing is sent\n");
      return;
    }
    const bool jsonDefinition = m_pDeviceInfo != nullptr && m_pDeviceInfo->bJsonParam != 0;
    text += L";" + (jsonDefinition ? value.Left(2) + L";" + value.Mid(2) : value);
    if (m_pCmdEdit != nullptr && m_pCmdEdit->GetSafeHwnd() != nullptr && (m_pCmdEdit->GetStyle() & WS_VISIBLE) != 0) {
      const CString argument = m_pCmdEdit->GetWindowText();
      if (argument.IsEmpty()) {
        AfxMessageBox(LanguageText(kTextFillOption, L"Fill Option Please"), MB_OK);
        return;
      }
      text += L";" + argument;
    }
  }
  SendToParent(WM_SEND_TAB_COMMAND, 0, reinterpret_cast<LPARAM>(&text));
}

// ---- SET button of an "edit+button" parameter -------------------------------------------------

REPORT_MAP_REQUEST* CSettingDialog::NewReportMapRequest(PARAM_INFO* pParam, int nValueCtrlId) {
  // The receiver owns the request and frees it with FreeReportMapRequest.
  auto* pRequest = new REPORT_MAP_REQUEST();  // no report tab yet (-1)
  pRequest->pParam = pParam;
  pRequest->nValueCtrlId = nValueCtrlId;
  return pRequest;
}

void CSettingDialog::FreeReportMapRequest(REPORT_MAP_REQUEST* pRequest) { delete pRequest; }

void CSettingDialog::OnCommandButton(WPARAM wParam, LPARAM lParam) {
  const int id = LOWORD(wParam);
  const HWND hSender = reinterpret_cast<HWND>(lParam);
  if (m_pParamList == nullptr) return;
  for (POSITION pos = m_pParamList->GetHeadPosition(); pos != nullptr;) {
    auto* p = static_cast<PARAM_INFO*>(m_pParamList->GetNext(pos));
    if (p == nullptr || p->nCtrlType != CTRL_EDIT_BUTTON || p->pExtraWnd == nullptr) continue;
    if (p->pExtraWnd->GetSafeHwnd() == nullptr || p->pExtraWnd->GetDlgCtrlID() != id) continue;
    if (p->pExtraWnd->GetSafeHwnd() != hSender) return;  // another control of the same id (a label)
    const int valueId =
        p->pValueWnd != nullptr && p->pValueWnd->GetSafeHwnd() != nullptr ? p->pValueWnd->GetDlgCtrlID() : 0;
    REPORT_MAP_REQUEST* pRequest = NewReportMapRequest(p, valueId);
    if (pRequest == nullptr) return;
    CWnd* pParent = GetParent();
    if (pParent == nullptr || pParent->GetSafeHwnd() == nullptr) {
      FreeReportMapRequest(pRequest);  // nobody to take it
      return;
    }
    pParent->SendMessage(WM_OPEN_REPORT_MAP, 0, reinterpret_cast<LPARAM>(pRequest));
    return;
  }
}
