// CSettingDialog: the generic parameter page. Every parameter of the shown tab becomes a row of a
// right-aligned label and a control of its control type, holding its current value, in one column
// (up to 15 parameters) or two; a single-command page gets its command value row below. Also the
// page of type 36, the presets of a page of type 26, the help text lookup and the host address
// checks.
#include <algorithm>
#include <vector>

#include "gui/dlg/brelvanodlg.h"
#include "gui/dlg/settingdlg.h"
#include "gui/dlg/valuecodec.h"
#include "platform/crt.h"
#include "platform/trace.h"
#include "reference/control/edit/editfileread.h"
#include "reference/control/edit/numbericedit.h"

namespace {
// Layout: up to kSingleColumnMax parameters make one column; names and values are measured in
// characters of kCharWidth pixels.
constexpr int kSingleColumnMax = 15;
constexpr int kLongNameChars = 60;
constexpr int kMaxValueChars = 20;
constexpr int kCharWidth = 6;
constexpr int kMinColumnWidth = 100;
constexpr int kFirstRowTop = 50;
constexpr int kRowLineHeight = 17;
// One column: labels from x 200, the alert number box from 65, check boxes from 160.
constexpr int kSingleLabelLeft = 200;
constexpr int kSingleSecondLeft = 65;
constexpr int kSingleSecondRight = 95;
constexpr int kSingleCheckLeft = 160;
// Two columns: the first column's labels from x 80, the second column 110 pixels further than
// the first column's label and value widths.
constexpr int kDoubleLabelLeft = 80;
constexpr int kDoubleSecondColumnGap = 110;
constexpr int kDoubleSecondWidth = 30;
// The SET button of an "edit+button" row: 30 pixels after the value's width, 100 wide.
constexpr int kSetButtonGap = 30;
constexpr int kSetButtonWidth = 100;
constexpr int kSetButtonRoom = kSetButtonGap + kSetButtonWidth;

// Styles of the generated controls.
constexpr DWORD kStyleLabelSingle = 0x50000002;  // child, visible, right-aligned
constexpr DWORD kStyleLabelDouble = 0x50000102;  // the same, notifying (for its tooltip)
constexpr DWORD kStyleCombo = 0x50A10003;        // drop-down list with border and scroll bar
constexpr DWORD kStyleEdit = 0x50810080;         // bordered, tab stop, auto-scroll
constexpr DWORD kStylePassword = 0x508100A0;     // the same, password
constexpr DWORD kStyleGapPasswordDouble = 0x50810020;
constexpr DWORD kStyleCheckBox = 0x50010003;  // auto check box
constexpr DWORD kStylePlain = 0x50010000;     // borderless edit, push button
constexpr DWORD kStyleAlertEditDouble = 0x50810000;
constexpr UINT kUnnamedId = 0xFFFF;

constexpr const wchar_t kOptionLabel[] = L"Option";
// Decimal places of the number edits: generic pages and the page of type 36.
constexpr WORD kGenericDecimals = 2;
constexpr WORD kGapGroupDecimals = 6;
// The numbers a combo of the page of type 36 offers are kept to a sane count.
constexpr int kMaxRangeItems = 10000;
// Help texts: "START" at kHelpFirst, then one "name: description" text a number.
constexpr UINT kHelpFirst = 2000;
constexpr UINT kHelpLast = 2999;

bool IsListPage(int type) { return type == 21 || type == 22 || type == 23; }

std::vector<PARAM_INFO*> ParamsOf(CPtrList* pList) {
  std::vector<PARAM_INFO*> out;
  if (pList == nullptr) return out;
  for (POSITION pos = pList->GetHeadPosition(); pos != nullptr;)
    out.push_back(static_cast<PARAM_INFO*>(pList->GetNext(pos)));
  return out;
}

// The item of a combo whose item data is nData, or CB_ERR.
int FindItemByData(const CComboBox* pCombo, int nData) {
  for (int i = 0; i < pCombo->GetCount(); ++i) {
    if (static_cast<int>(pCombo->GetItemData(i)) == nData) return i;
  }
  return CB_ERR;
}

// Makes a control object's window, or deletes the object and answers null.
template <typename T, typename MakeFn>
T* MakeControl(T* pCtrl, MakeFn make) {
  if (make(pCtrl)) return pCtrl;
  TRACE(L"settings page: a generated control could not be created\n");
  delete pCtrl;
  return nullptr;
}
}  // namespace

CString CSettingDialog::PageTranslate(const CString& text) const {
  CBrelvanoDlg* pMain = MainWindow();
  return pMain != nullptr ? pMain->Translate(text) : text;
}

// ---- Builders --------------------------------------------------------------------------------

void CSettingDialog::BuildGenericPage() { BuildRows(false); }

void CSettingDialog::BuildGapGroupPage() { BuildRows(true); }

void CSettingDialog::BuildRows(bool bGapGroup) {
  m_nRowCount = 0;
  m_strPageCmd.Empty();
  const std::vector<PARAM_INFO*> params = ParamsOf(m_pParamList);
  const int count = static_cast<int>(params.size());
  const bool twoColumns = count > kSingleColumnMax;
  const int split = twoColumns ? (count + 1) / 2 : kSingleColumnMax;
  const bool commandPage = !bGapGroup && m_curTab.nType == TAB_TYPE_COMMAND;
  const bool jsonDefinition = m_pDeviceInfo != nullptr && m_pDeviceInfo->bJsonParam != 0;

  // Measuring: name and value lengths of the parameters that are shown.
  int maxName = 0;
  int maxName1 = 0;
  int maxValue = 0;
  for (int i = 0; i < count; ++i) {
    const PARAM_INFO* p = params[i];
    if (p == nullptr || (i > 0 && p->bReserve != 0)) continue;
    const int nameLength = PageTranslate(p->strName).GetLength();
    maxName = std::max(maxName, nameLength);
    if (i <= split) maxName1 = std::max(maxName1, nameLength);
    if (p->nCtrlType == CTRL_COMBO) {
      for (int k = 0; p->pOptions != nullptr && k < p->nOptions; ++k) {
        maxValue = std::max(maxValue, PageTranslate(p->pOptions[k].strText).GetLength());
      }
    } else if (p->nCtrlType == CTRL_EDIT || p->nCtrlType == CTRL_PASSWD || p->nCtrlType == CTRL_IP ||
               p->nCtrlType == CTRL_EDIT_NUMBER) {
      maxValue = std::max(maxValue, p->strValue.GetLength());
    }
  }
  bool longNames = false;
  if (twoColumns && maxName > kLongNameChars) {
    longNames = true;
    maxName = kLongNameChars;
  }
  maxValue = std::min(maxValue, kMaxValueChars);
  maxName = std::max(maxName * kCharWidth, kMinColumnWidth);
  maxValue = std::max(maxValue * kCharWidth, kMinColumnWidth);
  maxName1 *= kCharWidth;
  // A SET button beside a value of the first column would lie under the second column's labels:
  // the second column then starts after the button.
  bool firstColumnSet = false;
  for (int i = 0; twoColumns && !bGapGroup && i < split && i < count; ++i) {
    const PARAM_INFO* p = params[i];
    if (p != nullptr && p->nCtrlType == CTRL_EDIT_BUTTON && (i == 0 || p->bReserve == 0)) firstColumnSet = true;
  }
  const int secondColumnLeft =
      kDoubleSecondColumnGap + maxName1 + maxValue + (firstColumnSet ? kSetButtonRoom : 0);

  CRect client;
  GetClientRect(&client);
  CRect row(0, kFirstRowTop, 0, kFirstRowTop + kRowLineHeight);
  CRect second = row;
  bool needScroll = false;
  bool inSecondColumn = false;
  const PARAM_OPTION* pFirstOption = nullptr;

  if (twoColumns) CreateToolTip();

  for (int i = 0; i < count; ++i) {
    PARAM_INFO* p = params[i];
    if (p == nullptr) continue;
    p->pValueWnd = nullptr;
    p->pLabelWnd = nullptr;
    p->pExtraWnd = nullptr;
    if (i == 0) {
      m_strPageCmd = p->strHdr;
      if (commandPage && p->pOptions != nullptr && p->nOptions > 0) pFirstOption = &p->pOptions[0];
    }
    if (i > 0 && p->bReserve != 0) continue;

    const int type = p->nCtrlType;
    const bool reserved = p->bReserve != 0;  // only the first parameter gets here reserved
    const UINT valueId = static_cast<UINT>(IDC_SETTING_FIRST_VALUE + 2 * i);
    if (twoColumns && i >= split && !inSecondColumn) {
      inSecondColumn = true;
      row.top = second.top = kFirstRowTop;
      row.bottom = second.bottom = kFirstRowTop + kRowLineHeight;
    }

    CRect label;
    CRect value;
    CString labelText;
    CString fullName;
    bool shortened = false;
    UINT labelId = kUnnamedId;
    DWORD labelStyle = kStyleLabelSingle;
    if (!twoColumns) {
      label.left = kSingleLabelLeft;
      label.right = kSingleLabelLeft + maxName;
      if (!reserved) {
        ++m_nRowCount;
        second.left = kSingleSecondLeft;
        second.right = kSingleSecondRight;
        row.bottom += 4;
        if (type != CTRL_COMBO) second.bottom += 4;
      }
      labelText = PageTranslate(p->strName);
      value.left = (type == CTRL_CHECK_BOX || type == CTRL_ALERT_ID) ? kSingleCheckLeft : label.right + 6;
      value.right = value.left + maxValue + 20;
    } else {
      label.left = inSecondColumn ? secondColumnLeft : kDoubleLabelLeft;
      label.right = inSecondColumn ? secondColumnLeft + maxName : kDoubleLabelLeft + maxName1;
      if (!reserved) {
        ++m_nRowCount;
        second.left = label.left;
        second.right = label.left + kDoubleSecondWidth;
        row.bottom += type == CTRL_COMBO ? 4 : 2;
        second.bottom += 2;
      }
      CString name = p->strName;
      if (longNames && name.GetLength() > kLongNameChars) {
        name = name.Left(kLongNameChars - 1) + L"...";
        shortened = true;
        fullName = PageTranslate(p->strName);
      }
      labelText = PageTranslate(name);
      labelId = static_cast<UINT>(IDC_SETTING_FIRST_VALUE - 1 + 2 * i);
      labelStyle = kStyleLabelDouble;
      value.left = label.right + 5;
      value.right = value.left + maxValue + 5;
    }
    label.top = row.top + 2;
    label.bottom = row.bottom + 2;
    value.top = row.top;
    value.bottom = row.bottom;
    // A reserved first parameter keeps its control, but with no width: it is not seen.
    auto fit = [reserved](CRect rc) {
      if (reserved) rc.right = rc.left;
      return rc;
    };

    if (!reserved && type != CTRL_CHECK_BOX && type != CTRL_ALERT_ID) {
      p->pLabelWnd = MakeControl(
          new CStatic(), [&](CStatic* c) { return c->Create(labelText, labelStyle, label, this, labelId) != FALSE; });
      if (p->pLabelWnd != nullptr) {
        p->pLabelWnd->SetFont(&m_font);
        // The label itself: its id can be the SET button's of the parameter before it.
        if (shortened && m_pToolTip != nullptr) AddToolTip(p->pLabelWnd, fullName);
      }
    }

    // The value control (and a second control) of the parameter's type.
    CWnd* pValue = nullptr;
    switch (type) {
      case CTRL_COMBO: {
        CComboBox* pCombo = MakeControl(
            new CComboBox(), [&](CComboBox* c) { return c->Create(kStyleCombo, fit(value), this, valueId) != FALSE; });
        if (pCombo == nullptr) break;
        pValue = pCombo;
        if (bGapGroup) {
          const int first = p->nGroupMin;
          const int last = std::min(p->nGroupMax, first + kMaxRangeItems - 1);
          for (int n = first; n <= last; ++n) {
            CString item;
            item.Format(L"%d", n);
            const int at = pCombo->AddString(item);
            if (at >= 0) pCombo->SetItemData(at, static_cast<DWORD_PTR>(n - first));
          }
          if (twoColumns && m_bUpMode && !jsonDefinition) {
            pCombo->SetCurSel(FindItemByData(pCombo, brelvano::DecimalIndex(p->strValue)));
          }
          const int match = pCombo->FindStringExact(0, PageTranslate(p->strValue));
          if (match != CB_ERR) pCombo->SetCurSel(match);
        } else {
          for (int k = 0; p->pOptions != nullptr && k < p->nOptions; ++k) {
            if (m_bUpMode && commandPage && p->pOptions[k].strCmdId.IsEmpty()) continue;
            const int at = pCombo->AddString(PageTranslate(p->pOptions[k].strText));
            if (at >= 0) pCombo->SetItemData(at, static_cast<DWORD_PTR>(k));
          }
          if (m_bUpMode) {
            // The stored choice as the model keeps it (see valuecodec.h).
            const int option = brelvano::DecodeComboChoice(*p, p->strValue, brelvano::StoredComboForm(true, jsonDefinition));
            pCombo->SetCurSel(FindItemByData(pCombo, option));
          } else {
            pCombo->SetCurSel(pCombo->FindStringExact(0, PageTranslate(p->strValue)));
          }
        }
        break;
      }
      case CTRL_EDIT:
      case CTRL_IP:
      case CTRL_PASSWD: {
        DWORD style = type == CTRL_PASSWD ? kStylePassword : kStyleEdit;
        if (type == CTRL_PASSWD && bGapGroup && twoColumns) style = kStyleGapPasswordDouble;
        CEdit* pEdit =
            MakeControl(new CEdit(), [&](CEdit* c) { return c->Create(style, fit(value), this, valueId) != FALSE; });
        if (pEdit == nullptr) break;
        pValue = pEdit;
        // Editable values are shown as the device has them (never a dictionary text).
        pEdit->SetWindowText(type != CTRL_PASSWD && IsListPage(m_curTab.nType) ? CString() : p->strValue);
        if (type != CTRL_PASSWD && p->nMax > 0) pEdit->LimitText(p->nMax);
        break;
      }
      case CTRL_EDIT_NUMBER: {
        const WORD decimals = bGapGroup ? kGapGroupDecimals : kGenericDecimals;
        CNumbericEdit* pEdit = MakeControl(new CNumbericEdit(decimals), [&](CNumbericEdit* c) {
          return c->Create(kStyleEdit, fit(value), this, valueId) != FALSE;
        });
        if (pEdit == nullptr) break;
        pValue = pEdit;
        pEdit->SetWindowText(IsListPage(m_curTab.nType) ? CString() : p->strValue);
        if (p->nMax > 0) pEdit->LimitText(p->nMax);
        break;
      }
      case CTRL_ALERT_ID: {
        if (bGapGroup) break;
        CRect box = twoColumns ? label : CRect(value.left, value.top, value.left + 3 * maxValue, value.bottom);
        CButton* pCheck = MakeControl(new CButton(), [&](CButton* c) {
          return c->Create(PageTranslate(p->strName), kStyleCheckBox, fit(box), this, valueId) != FALSE;
        });
        if (pCheck == nullptr) break;
        pValue = pCheck;
        pCheck->SetCheck(_wtoi(p->strValue) != 0 ? BST_CHECKED : BST_UNCHECKED);
        const CRect numberBox(box.left - 40, second.top, box.left - 5, second.bottom);
        const DWORD numberStyle = twoColumns ? kStyleAlertEditDouble : kStyleEdit;
        CNumbericEdit* pNumber = MakeControl(new CNumbericEdit(), [&](CNumbericEdit* c) {
          return c->Create(numberStyle, fit(numberBox), this, valueId) != FALSE;
        });
        if (pNumber != nullptr) {
          CString text;
          text.Format(L"%d", brelvano::DecodeAlertNumber(p->strAlertId, jsonDefinition));
          pNumber->SetWindowText(text);
          if (p->nMax > 0) pNumber->LimitText(p->nMax);
          pNumber->SetFont(&m_font);
          p->pExtraWnd = pNumber;
        }
        break;
      }
      case CTRL_EDIT_BUTTON: {
        if (bGapGroup) break;
        p->strValue.MakeUpper();
        CEdit* pEdit = MakeControl(
            new CEdit(), [&](CEdit* c) { return c->Create(kStylePlain, fit(value), this, valueId) != FALSE; });
        if (pEdit == nullptr) break;
        pValue = pEdit;
        pEdit->SetWindowText(p->strValue);
        if (p->nMax > 0) pEdit->LimitText(p->nMax);
        const CRect setBox(value.left + maxValue + kSetButtonGap, value.top, value.left + maxValue + kSetButtonRoom,
                           value.bottom);
        CButton* pSet = MakeControl(new CButton(), [&](CButton* c) {
          return c->Create(L"EMPTY", kStylePlain, fit(setBox), this, valueId + 1) != FALSE;
        });
        if (pSet != nullptr) {
          pSet->SetWindowText(L"SET");
          pSet->SetFont(&m_font);
          p->pExtraWnd = pSet;
        }
        break;
      }
      case CTRL_FILE_EDIT: {
        if (bGapGroup) break;
        CRect wide = value;
        wide.right += 30;
        CEditFileRead* pEdit = MakeControl(new CEditFileRead(), [&](CEditFileRead* c) {
          return c->Create(kStyleEdit, fit(wide), this, valueId) != FALSE;
        });
        if (pEdit == nullptr) break;
        pValue = pEdit;
        pEdit->SetWindowText(twoColumns ? CString() : CString(kFilePathPrompt));
        break;
      }
      default:
        break;  // no control: the next parameter shares the row
    }
    if (pValue == nullptr) continue;
    pValue->SetFont(&m_font);
    p->pValueWnd = pValue;

    if (row.bottom > client.bottom) needScroll = true;
    if (!reserved) {
      row.top = row.bottom + 1;
      row.bottom = row.top + kRowLineHeight;
      second.top = second.bottom + 1;
      second.bottom = second.top + kRowLineHeight;
    }
    if (!twoColumns) ShowVScrollBar(bGapGroup ? FALSE : (needScroll ? TRUE : FALSE));
  }

  if (twoColumns) ActivateToolTip(TRUE);
  ShowVScrollBar((needScroll && (twoColumns || !bGapGroup)) ? TRUE : FALSE);

  if (commandPage) {
    // The command value row: shown when the command chosen takes a value (the option shown, else
    // the first option).
    const PARAM_INFO* pFirst = params.empty() ? nullptr : params[0];
    const int chosen = pFirst != nullptr ? SelectedOption(pFirst) : -1;
    const PARAM_OPTION* pShown = chosen >= 0 ? &pFirst->pOptions[chosen] : pFirstOption;
    const bool bShowRow = pShown != nullptr && pShown->bHasType;
    const CRect labelBox(kSingleLabelLeft, row.top + 5, kSingleLabelLeft + maxName, row.bottom + 5);
    const int editLeft = kSingleLabelLeft + maxName + 6;
    const CRect editBox(editLeft, row.top + 5, editLeft + maxValue + 5, row.bottom + 8);
    m_pCmdLabel = MakeControl(new CStatic(), [&](CStatic* c) {
      return c->Create(kOptionLabel, kStyleLabelSingle, labelBox, this, kUnnamedId) != FALSE;
    });
    m_pCmdEdit = MakeControl(new CEdit(), [&](CEdit* c) {
      return c->Create(kStyleEdit, editBox, this, static_cast<UINT>(IDC_SETTING_FIRST_VALUE - 1 + 2 * count)) != FALSE;
    });
    for (CWnd* pWnd : std::initializer_list<CWnd*>{m_pCmdLabel, m_pCmdEdit}) {
      if (pWnd == nullptr) continue;
      pWnd->SetFont(&m_font);
      pWnd->ShowWindow(bShowRow ? SW_SHOW : SW_HIDE);
    }
    if (bShowRow && pShown->nMax > 0 && pShown->nType == 0 && m_pCmdEdit != nullptr)
      m_pCmdEdit->LimitText(pShown->nMax);
  }
  PlaceSendButton();
}

int CSettingDialog::SelectedOption(const PARAM_INFO* pParam) {
  if (pParam == nullptr) return -1;
  const auto* pCombo = dynamic_cast<const CComboBox*>(pParam->pValueWnd);
  if (pCombo == nullptr || pCombo->GetSafeHwnd() == nullptr) return -1;
  const int sel = pCombo->GetCurSel();
  if (sel < 0) return -1;
  const DWORD_PTR data = pCombo->GetItemData(sel);
  if (data == static_cast<DWORD_PTR>(CB_ERR)) return -1;
  const int option = static_cast<int>(data);
  if (pParam->pOptions == nullptr || option < 0 || option >= pParam->nOptions) return -1;
  return option;
}

// ---- Presets ---------------------------------------------------------------------------------

void CSettingDialog::ApplyPreset(int nPreset) {
  if (m_pParamList == nullptr) return;
  CString line;
  for (INT_PTR i = 0; i < m_arrPresets.GetSize(); ++i) {
    if (_wtoi(GetField(m_arrPresets[i], 1, L';')) == nPreset) {
      line = m_arrPresets[i];
      break;
    }
  }
  CString number;
  number.Format(L"%d", nPreset);
  int j = 0;
  for (PARAM_INFO* p : ParamsOf(m_pParamList)) {
    const int position = j++;
    if (p == nullptr || p->pValueWnd == nullptr || p->pValueWnd->GetSafeHwnd() == nullptr) continue;
    switch (p->nCtrlType) {
      case CTRL_COMBO:
        if (auto* pCombo = dynamic_cast<CComboBox*>(p->pValueWnd))
          pCombo->SetCurSel(pCombo->FindStringExact(0, number));
        break;
      case CTRL_EDIT:
      case CTRL_IP:
      case CTRL_EDIT_NUMBER:
        p->pValueWnd->SetWindowText(GetField(line, position + 1, L';'));
        break;
      default:
        break;
    }
  }
}

// ---- Help texts and address checks -----------------------------------------------------------

CString CSettingDialog::GetHelpText(const CString& name) {
  const CString key = name + L":";
  for (UINT id = kHelpFirst; id <= kHelpLast; ++id) {
    const CString text = m_language.LoadString(id);
    if (text == kLanguageErrorText) return CString();
    if (text.Find(key) >= 0) return text.Mid(key.GetLength());
  }
  return CString();
}

BOOL CSettingDialog::IsLetter(wchar_t c) {
  return ((c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z')) ? TRUE : FALSE;
}

BOOL CSettingDialog::IsDigit(wchar_t c) { return (c >= L'0' && c <= L'9') ? TRUE : FALSE; }

BOOL CSettingDialog::IsDottedQuad(const CString& s) {
  if (CountFields(s, L'.') != 4) return FALSE;
  for (int i = 0; i < s.GetLength(); ++i) {
    if (!IsDigit(s[i]) && s[i] != L'.') return FALSE;
  }
  for (int n = 1; n <= 4; ++n) {
    const CString field = GetField(s, n, L'.');
    // An empty field is no number. The value is read digit by digit and stops past 255, so no
    // length of leading zeros or digits overflows it.
    if (field.IsEmpty()) return FALSE;
    int value = 0;
    for (int i = 0; i < field.GetLength() && value <= 255; ++i) value = value * 10 + (field[i] - L'0');
    if (value > 255) return FALSE;
  }
  return TRUE;
}

BOOL CSettingDialog::IsValidHostAddress(const CString& s) {
  if (s.IsEmpty()) return TRUE;
  if (!IsLetter(s[0]) && !IsDigit(s[0])) return FALSE;
  if (s.GetLength() < 4 || s.GetLength() > 63) return FALSE;
  if (s.Find(L'.') < 0) return FALSE;
  if (IsDottedQuad(s)) return TRUE;
  for (int i = 0; i < s.GetLength(); ++i) {
    const wchar_t c = s[i];
    if (!IsLetter(c) && !IsDigit(c) && c != L'-' && c != L'.') return FALSE;
  }
  return s[s.GetLength() - 1] != L'-' ? TRUE : FALSE;
}
