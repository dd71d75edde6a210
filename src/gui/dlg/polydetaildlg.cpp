// CPolyDetailDlg (see polydetaildlg.h).
#include "gui/dlg/polydetaildlg.h"

#include <algorithm>

#include "gui/dlg/brelvanodlg.h"
#include "gui/dlg/geofencedlg.h"
#include "gui/dlg/pagehelpers.h"
#include "gui/dlg/pagemessages.h"
#include "gui/dlg/polygondlg.h"
#include "gui/dlg/settingdlg.h"
#include "gui/dlg/valuecodec.h"
#include "gui/dlg/windowwatch.h"
#include "platform/controls.h"
#include "platform/crt.h"
#include "platform/modal.h"
#include "platform/trace.h"
#include "reference/control/edit/numbericedit.h"

namespace {
constexpr UINT kTextNext = 1054;
constexpr UINT kTextCancel = 1056;
constexpr UINT kLabelId = 0xFFFF;
constexpr UINT kFirstValueId = 3001;
constexpr int kLeft = 100;
constexpr int kFirstRowTop = 50;
constexpr int kRowHeight = 16;
constexpr int kMinColumnWidth = 150;
constexpr UINT kMapLoadPollMs = 500;
constexpr DWORD kStyleLabel = WS_CHILD | WS_VISIBLE | SS_RIGHT;
constexpr DWORD kStyleCombo = WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | CBS_DROPDOWNLIST;
constexpr DWORD kStyleEdit = WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL;

// Roles of the zone settings (which field of the zone a parameter holds).
enum {
  kRoleIndex = 0,
  kRoleOne = 1,
  kRoleTwo = 2,
  kRoleFour = 4,
  kRoleEight = 8,
  kRoleTen = 10,
  kRoleEleven = 11,
  kRoleActive = 12,
};

// The zone settings' sub-group record of a parameter.
const SUBGROUP_PARAM& Zone(const PARAM_INFO* p) { return p->subGroups[1]; }

bool IsChoice(int nCtrlType) { return nCtrlType == CTRL_COMBO; }
bool IsInput(int nCtrlType, BOOL bUp) {
  return nCtrlType == CTRL_EDIT || nCtrlType == CTRL_IP || (bUp && nCtrlType == CTRL_EDIT_NUMBER);
}

CString Int(int n) {
  CString text;
  text.Format(L"%d", n);
  return text;
}

// The text field of the zone a $-command role stands for (null for a role without one).
CString* RoleText(POLYGON_INFO& zone, int nRole) {
  switch (nRole) {
    case 2: return &zone.strRole2;
    case 3: return &zone.strRole3;
    case 5: return &zone.strRole5;
    case 6: return &zone.strRole6;
    case 7: return &zone.strRole7;
    case 9: return &zone.strRole9;
    case kRoleEleven: return &zone.strRole11;
    default: return nullptr;
  }
}
int* RoleNumber(POLYGON_INFO& zone, int nRole) {
  switch (nRole) {
    case kRoleEight: return &zone.nRole8;
    case kRoleTen: return &zone.nRole10;
    default: return nullptr;
  }
}
}  // namespace

BEGIN_MESSAGE_MAP(CPolyDetailDlg, CDialog)
  ON_BN_CLICKED(IDOK, &CPolyDetailDlg::OnNext)
  ON_BN_CLICKED(IDCANCEL, &CPolyDetailDlg::OnBnClickedCancel)
  ON_MESSAGE(WM_MAP_PAGE_LOADED, &CPolyDetailDlg::OnMapPageLoaded)
  ON_WM_TIMER()
  ON_WM_CLOSE()
  ON_WM_SHOWWINDOW()
END_MESSAGE_MAP()

CPolyDetailDlg::CPolyDetailDlg(CSettingDialog* pPage) : CDialog(IDD_POLYGON_DETAIL, pPage), m_pPage(pPage) {
  m_font.CreateFont(14, 0, 0, 0, 100, FALSE, FALSE, 0, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                    DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, L"Arial");
}

CPolyDetailDlg::~CPolyDetailDlg() {
  for (const Row& r : m_rows) {
    delete r.pLabel;
    delete r.pValue;
  }
}

BOOL CPolyDetailDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  return TRUE;
}

BOOL CPolyDetailDlg::PreTranslateMessage(MSG* pMsg) {
  // Enter and Escape neither go on nor cancel.
  if (brelvano::IsPageSwallowedKey(pMsg)) return TRUE;
  return CDialog::PreTranslateMessage(pMsg);
}

void CPolyDetailDlg::SetTitle(const CString& title) { SetWindowText(title); }

void CPolyDetailDlg::SetDeviceInfo(DEVICE_INFO* pDeviceInfo, DEF_HEADER* pDefHeader) {
  m_pDeviceInfo = pDeviceInfo;
  m_pDefHeader = pDefHeader;
}

CString CPolyDetailDlg::Text(const CString& text) const {
  return brelvano::PageTranslate(m_pPage != nullptr ? m_pPage->MainWindow() : nullptr, text);
}

void CPolyDetailDlg::EnableMainTabs(BOOL bEnable) {
  if (m_pPage != nullptr) m_pPage->EnableMainTabControl(bEnable);
}

CWnd* CPolyDetailDlg::ValueControl(const PARAM_INFO* pParam) const {
  for (const Row& r : m_rows)
    if (r.pParam == pParam) return r.pValue;
  return nullptr;
}

std::vector<int> CPolyDetailDlg::ListedZones() const {
  std::vector<int> zones;
  if (m_pPage == nullptr || m_pPage->m_listPolygon.GetSafeHwnd() == nullptr) return zones;
  for (int i = 0; i < m_pPage->m_listPolygon.GetItemCount(); ++i)
    zones.push_back(_wtoi(m_pPage->m_listPolygon.GetItemText(i, 0)));
  return zones;
}

BOOL CPolyDetailDlg::IsZoneParam(const PARAM_INFO* p, BOOL bUp) const {
  if (p == nullptr) return FALSE;
  const SUBGROUP_PARAM& sub = Zone(p);
  // Settings of the map step (kind 2) and rows without a value are not shown here.
  if (sub.nId != 1 || sub.nMgrpId == 2 || sub.nCtrlType == CTRL_ANY) return FALSE;
  if (!IsChoice(sub.nCtrlType) && !IsInput(sub.nCtrlType, bUp)) return FALSE;
  if (bUp && !sub.strConfig.IsEmpty()) {
    // A setting that depends on another parameter is shown only while that one is enabled.
    CBrelvanoDlg* pMain = m_pPage != nullptr ? m_pPage->MainWindow() : nullptr;
    // The same switch the zone reader and writer follow: the parameter the text names after its
    // first two characters, on the tab of code 90.
    if (pMain == nullptr || !pMain->FindEnableValue(90, sub.strConfig.Mid(2))) return FALSE;
  }
  return TRUE;
}

void CPolyDetailDlg::SetData(CPtrList* pParams, POLYGON_INFO zone, int nIndexSel) {
  if (!m_rows.empty() || m_pParamList != nullptr) DestroyControls();
  m_pParamList = pParams;
  m_zone = zone;
  m_nIndexSel = nIndexSel;
  if (m_pPage != nullptr) {
    const CString next = m_pPage->LanguageText(kTextNext, L"NEXT");
    const CString cancel = m_pPage->LanguageText(kTextCancel, L"CANCEL");
    SetDlgItemText(IDOK, next);
    SetDlgItemText(IDCANCEL, cancel);
  }
  if (m_pPage != nullptr && m_pPage->m_bUpMode) {
    CreateControlsUp();
  } else {
    CreateControls();
  }
  EnableMainTabs(FALSE);
}

void CPolyDetailDlg::CreateRows(BOOL bUp) {
  if (m_pParamList == nullptr || m_pPage == nullptr) return;
  const BOOL bEdit = m_pPage->m_nPolygonMode == 1;

  // Column widths from the longest name and the longest option or default text.
  int longestName = 0;
  int longestValue = 0;
  for (POSITION pos = m_pParamList->GetHeadPosition(); pos != nullptr;) {
    const auto* p = static_cast<const PARAM_INFO*>(m_pParamList->GetNext(pos));
    if (p == nullptr || Zone(p).nId != 1) continue;
    const SUBGROUP_PARAM& sub = Zone(p);
    longestName = std::max(longestName, (bUp ? sub.strName : Text(sub.strName)).GetLength());
    if (IsChoice(sub.nCtrlType)) {
      for (int o = 0; o < sub.nOptions && sub.pOptions != nullptr; ++o)
        longestValue = std::max(longestValue, (bUp ? sub.pOptions[o].strText : Text(sub.pOptions[o].strText)).GetLength());
    } else if (IsInput(sub.nCtrlType, TRUE) || sub.nCtrlType == CTRL_PASSWD) {
      longestValue = std::max(longestValue, (bUp ? sub.strValue : Text(sub.strValue)).GetLength());
    }
  }
  const int labelWidth = std::max(6 * longestName, kMinColumnWidth);
  const int valueWidth = std::max(6 * longestValue, kMinColumnWidth);

  const std::vector<int> listed = ListedZones();
  int top = kFirstRowTop;
  int bottom = top + kRowHeight;
  int lastBottom = top;
  int k = 0;  // running index over the zone's further values
  int i = 0;
  for (POSITION pos = m_pParamList->GetHeadPosition(); pos != nullptr; ++i) {
    auto* p = static_cast<PARAM_INFO*>(m_pParamList->GetNext(pos));
    if (!IsZoneParam(p, bUp)) continue;
    const SUBGROUP_PARAM& sub = Zone(p);
    const BOOL bLabel = !sub.bReserve;
    Row row{p, nullptr, nullptr};
    if (bLabel) {
      bottom += IsChoice(sub.nCtrlType) ? 4 : 2;
      auto* label = new CStatic();
      if (label->Create(bUp ? sub.strName : Text(sub.strName), kStyleLabel,
                        CRect(kLeft, top + 2, kLeft + labelWidth, bottom + 2), this, kLabelId)) {
        label->SetFont(&m_font);
        row.pLabel = label;
      } else {
        delete label;
      }
    }
    const CRect valueRect(kLeft + labelWidth + 6, top, kLeft + labelWidth + 6 + valueWidth + 5, bottom);
    const UINT valueId = kFirstValueId + 2 * static_cast<UINT>(i);
    if (IsChoice(sub.nCtrlType)) {
      auto* combo = new CComboBox();
      const DWORD style = kStyleCombo | (bEdit ? 0u : static_cast<DWORD>(WS_VSCROLL));
      if (combo->Create(style, valueRect, this, valueId)) {
        combo->SetFont(&m_font);
        row.pValue = combo;
        const int nRole = sub.nRowId;
        for (int o = 0; o < sub.nOptions && sub.pOptions != nullptr; ++o) {
          // A new zone is offered only the numbers not in use.
          if (nRole == kRoleIndex && !bEdit && std::find(listed.begin(), listed.end(), o + 1) != listed.end()) continue;
          const int at = combo->AddString(bUp ? sub.pOptions[o].strText : Text(sub.pOptions[o].strText));
          combo->SetItemData(at, static_cast<DWORD_PTR>(o));
        }
        int sel = -1;
        if (nRole == kRoleIndex) {
          sel = bEdit ? m_nIndexSel : 0;
          if (bEdit) combo->EnableWindow(FALSE);
        } else if (!bEdit) {
          const CString wanted = bUp ? sub.strValue : Text(sub.strValue);
          for (int o = 0; o < combo->GetCount() && sel < 0; ++o)
            if (combo->GetLBText(o).CompareNoCase(wanted) == 0) sel = o;
        } else if (bUp) {
          if (nRole == kRoleOne) {
            sel = m_zone.bUpRole1 != 0 ? 1 : 0;
          } else if (nRole == kRoleTwo) {
            sel = m_zone.bUpRole2 != 0 ? 1 : 0;
          } else {
            const int value = k < kPolygonExtras ? _wtoi(m_zone.strExtra[k]) : 0;
            ++k;
            for (int o = 0; o < sub.nOptions && sub.pOptions != nullptr && sel < 0; ++o)
              if (sub.pOptions[o].nValue == value) sel = o;
          }
        } else if (nRole == kRoleOne || nRole == kRoleFour) {
          sel = (nRole == kRoleOne ? m_zone.nRole1 : m_zone.nRole4) != 0 ? 1 : 0;
        } else if (nRole == kRoleActive) {
          if (sub.strName == L"Active" || sub.strName == Text(L"Active")) sel = m_zone.bActive != 0 ? 1 : 0;
          else if (sub.strName == L"Out Active" || sub.strName == Text(L"Out Active")) sel = m_zone.nOutActive;
        } else {
          sel = k < kPolygonExtras ? _wtoi(m_zone.strExtra[k]) : -1;
          ++k;
        }
        combo->SetCurSel(sel >= 0 && sel < combo->GetCount() ? sel : -1);
      } else {
        delete combo;
      }
    } else {
      CEdit* edit = sub.nCtrlType == CTRL_EDIT_NUMBER ? new CNumbericEdit() : new CEdit();
      if (edit->Create(kStyleEdit, valueRect, this, valueId)) {
        edit->SetFont(&m_font);
        row.pValue = edit;
        CString text;
        const int nRole = sub.nRowId;
        if (!bEdit) {
          text = bUp ? sub.strValue : Text(sub.strValue);
        } else if (bUp) {
          text = k < kPolygonExtras ? brelvano::ShownDecimal(m_zone.strExtra[k]) : CString();
          ++k;
        } else if (CString* field = RoleText(m_zone, nRole)) {
          text = nRole == 2 || nRole == 3 ? Text(*field) : *field;
          if (nRole != kRoleEleven && (text.IsEmpty() || text == L"0")) text = L"0";
        } else if (int* number = RoleNumber(m_zone, nRole)) {
          text = Int(*number);
        } else {
          text = k < kPolygonExtras ? m_zone.strExtra[k] : CString();
          ++k;
        }
        if (sub.nMax > 0 && !(bEdit && bUp)) edit->LimitText(sub.nMax);
        edit->SetWindowText(text);
      } else {
        delete edit;
      }
    }
    if (row.pLabel != nullptr || row.pValue != nullptr) m_rows.push_back(row);
    if (bLabel) {
      lastBottom = bottom;
      top = bottom + 1;
      bottom = top + kRowHeight;
    }
  }
  brelvano::PlaceDetailButtons(*this, kLeft + labelWidth + 6 + valueWidth + 5 + 40, lastBottom, IDOK, IDCANCEL);
}

// The controls into m_zone by their roles; further settings fill the zone's extras from entry 0 in
// the order of the rows.
BOOL CPolyDetailDlg::ReadRows(BOOL bUp, CString& error) {
  int k = 0;
  // The numbered set joins values with ';' and '#'; the $-command set with the definition's delimiter.
  const DEF_HEADER* pHeader = m_pPage != nullptr ? m_pPage->m_pDefHeader : nullptr;
  const wchar_t delimiter = !bUp && pHeader != nullptr && !pHeader->strD.IsEmpty() ? pHeader->strD[0] : L';';
  // A choice left empty keeps the value the zone was read with; without one it is named.
  auto unchosen = [&](const SUBGROUP_PARAM& sub, int at) {
    if (at < kPolygonExtras && !m_zone.strExtra[at].IsEmpty()) return true;
    error = L"Please choose a value for " + (bUp ? sub.strName : Text(sub.strName)) + L".";
    return false;
  };
  for (const Row& r : m_rows) {
    const SUBGROUP_PARAM& sub = Zone(r.pParam);
    if (r.pValue == nullptr) continue;
    const int nRole = sub.nRowId;
    auto* combo = dynamic_cast<CComboBox*>(r.pValue);
    const int sel = combo != nullptr ? combo->GetCurSel() : -1;
    CString text = combo != nullptr ? CString() : r.pValue->GetWindowText();
    // A number typed in any locale is the number the device gets.
    if (combo == nullptr && (bUp || sub.nCtrlType == CTRL_EDIT_NUMBER)) text = brelvano::TypedDecimal(text);
    // A typed value that would split the device line is refused whole.
    if (combo == nullptr && !brelvano::CheckTextField(text, delimiter, bUp ? L"#" : L"", bUp ? sub.strName : Text(sub.strName), error))
      return FALSE;
    if (combo != nullptr && nRole == kRoleIndex) {
      if (sel >= 0) m_zone.nIndex = _wtoi(combo->GetLBText(sel));
    } else if (bUp) {
      if (combo != nullptr && nRole == kRoleOne) {
        m_zone.bUpRole1 = sel > 0 ? 1 : 0;
      } else if (combo != nullptr && nRole == kRoleTwo) {
        m_zone.bUpRole2 = sel > 0 ? 1 : 0;
      } else if (k < kPolygonExtras) {
        // A choice gives its option's value, an input its text (0 when empty).
        const int option = sel >= 0 ? static_cast<int>(combo->GetItemData(sel)) : -1;
        if (combo != nullptr && (option < 0 || option >= sub.nOptions || sub.pOptions == nullptr)) {
          if (!unchosen(sub, k)) return FALSE;
        } else {
          m_zone.strExtra[k] = combo != nullptr ? Int(sub.pOptions[option].nValue) : (text.IsEmpty() ? CString(L"0") : text);
        }
        m_zone.nExtraType[k++] = sub.nCtrlType;
      }
    } else if (combo != nullptr) {
      if (nRole == kRoleOne) {
        m_zone.nRole1 = sel > 0 ? 1 : 0;
      } else if (nRole == kRoleFour) {
        m_zone.nRole4 = sel > 0 ? 1 : 0;
      } else if (nRole == kRoleActive) {
        if (sub.strName == L"Active" || sub.strName == Text(L"Active")) {
          m_zone.bActive = sel > 0 ? 1 : 0;
        } else if (sub.strName == L"Out Active" || sub.strName == Text(L"Out Active")) {
          m_zone.nOutActive = std::max(sel, 0);
          m_zone.bHasOutActive = 1;
        }
      } else if (k < kPolygonExtras) {
        if (sel < 0 && !unchosen(sub, k)) return FALSE;
        if (sel >= 0) m_zone.strExtra[k] = Int(sel);
        ++k;
      }
    } else if (CString* field = RoleText(m_zone, nRole)) {
      *field = text;
    } else if (int* number = RoleNumber(m_zone, nRole)) {
      *number = _wtoi(text);
    } else if (k < kPolygonExtras) {
      m_zone.strExtra[k++] = text;
    }
  }
  return TRUE;
}

void CPolyDetailDlg::DestroyControls() {
  for (const Row& r : m_rows) {
    for (CWnd* w : {r.pLabel, r.pValue}) {
      if (w == nullptr) continue;
      if (w->GetSafeHwnd() != nullptr) w->DestroyWindow();
      delete w;
    }
  }
  m_rows.clear();
  m_pParamList = nullptr;
  EnableMainTabs(TRUE);
  if (m_pPage != nullptr && m_pPage->GetSafeHwnd() != nullptr) m_pPage->EnableWindow(TRUE);
}

// Every page call waits: the wizard may end with its page in one, and then nothing more is done.
void CPolyDetailDlg::PrepareMap(CPolygonDialog* pMap) {
  const WindowWatch self(this);
  pMap->ClearPolygon();
  if (!self.Alive()) return;
  if (m_pPage != nullptr && m_pPage->m_nPolygonMode == 1) {
    pMap->LoadCoord(pMap->m_strPendingPoints);
    if (!self.Alive()) return;
    pMap->EnableSendButtons(TRUE);
  } else {
    pMap->MoveMap(m_pDeviceInfo != nullptr ? m_pDeviceInfo->strLat : CString(),
                  m_pDeviceInfo != nullptr ? m_pDeviceInfo->strLng : CString());
    if (!self.Alive()) return;
    pMap->EnableSendButtons(FALSE);
  }
}

void CPolyDetailDlg::SendLimits(CPolygonDialog* pMap) {
  const WindowWatch self(this);
  pMap->SetPolyCount();
  if (!self.Alive()) return;
  pMap->SetTotalPolyCount();
  if (!self.Alive()) return;
  pMap->SetSumPolyCount();
}

void CPolyDetailDlg::OnNext() {
  try {
    if (m_pPage == nullptr) return;
    const WindowWatch self(this);
    const BOOL bUp = m_pPage->m_bUpMode;
    const BOOL bAdd = m_pPage->m_nPolygonMode == 0;
    // A zone needs its number: a zone-number choice left without one is not passed on.
    for (const Row& r : m_rows) {
      auto* combo = dynamic_cast<CComboBox*>(r.pValue);
      if (combo != nullptr && Zone(r.pParam).nRowId == kRoleIndex && combo->GetCurSel() < 0) {
        AfxMessageBox(L"Please choose the zone number.", MB_OK);
        return;
      }
    }
    CString error;
    if (!(bUp ? ReadControlsUp(error) : ReadControls(error))) {
      AfxMessageBox(error, MB_OK);
      return;
    }
    if (bAdd) {
      const std::vector<int> listed = ListedZones();
      if (std::find(listed.begin(), listed.end(), m_zone.nIndex) != listed.end()) {
        AfxMessageBox(L"already exist index can not be added.", MB_OK);
        return;
      }
    }
    CPolygonDialog* pMap = m_pPage->PolygonMapDialog();
    if (pMap == nullptr) {
      AfxMessageBox(L"The map cannot be shown.", MB_OK);
      return;
    }
    ShowWindow(SW_HIDE);
    if (m_bMapPageLoaded) {
      if (g_bFileMode) m_pPage->SetMapPointText();
      PrepareMap(pMap);
      if (!self.Alive()) return;
    } else {
      SetTimer(TIMER_POLY_MAP_LOAD, kMapLoadPollMs, nullptr);
    }
    SendLimits(pMap);
    if (!self.Alive()) return;
    pMap->ShowWindow(SW_SHOW);
  } catch (...) {
    TRACE(L"ERROR %s %d\n", CString(L"polydetaildlg"), __LINE__);
  }
}

void CPolyDetailDlg::OnTimer(UINT_PTR nIDEvent) {
  if (nIDEvent != TIMER_POLY_MAP_LOAD) {
    CDialog::OnTimer(nIDEvent);
    return;
  }
  if (!m_bMapPageLoaded) return;
  KillTimer(TIMER_POLY_MAP_LOAD);
  CPolygonDialog* pMap = m_pPage != nullptr ? m_pPage->PolygonMapDialog() : nullptr;
  if (pMap == nullptr) return;
  if (g_bFileMode) m_pPage->SetMapPointText();
  const WindowWatch self(this);
  PrepareMap(pMap);
  if (!self.Alive()) return;
  // The limits sent before the page had loaded did not reach it.
  SendLimits(pMap);
}

LRESULT CPolyDetailDlg::OnMapPageLoaded(WPARAM, LPARAM) {
  m_bMapPageLoaded = TRUE;
  return 0;
}

void CPolyDetailDlg::OnBnClickedCancel() {
  try {
    KillTimer(TIMER_POLY_MAP_LOAD);
    DestroyControls();
    if (m_pPage != nullptr && m_pPage->m_pPolygonDlg != nullptr) m_pPage->m_pPolygonDlg->CloseStep();
    EndDialog(IDCANCEL);
  } catch (...) {
    TRACE(L"ERROR %s %d\n", CString(L"polydetaildlg"), __LINE__);
  }
}

// Enter, Escape and the close box: the close box cancels, the keys do nothing.
void CPolyDetailDlg::OnOK() {}
void CPolyDetailDlg::OnCancel() { OnBnClickedCancel(); }
void CPolyDetailDlg::OnClose() { OnBnClickedCancel(); }

void CPolyDetailDlg::OnShowWindow(BOOL bShow, UINT nStatus) {
  CDialog::OnShowWindow(bShow, nStatus);
  // Opened for ADD or EDIT: a keyboard user works the dialog at once.
  if (bShow) brelvano::TakeKeyboardFocus(*this);
}
