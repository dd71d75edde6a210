// CBleDetailDlg (see bledetaildlg.h).
#include "gui/dlg/bledetaildlg.h"

#include <algorithm>

#include "gui/dlg/bledlg.h"
#include "gui/dlg/blerecordcodec.h"
#include "gui/dlg/brelvanodlg.h"
#include "gui/dlg/pagehelpers.h"
#include "gui/dlg/windowwatch.h"
#include "platform/controls.h"
#include "platform/modal.h"
#include "platform/trace.h"
#include "reference/control/edit/hexedit.h"
#include "reference/control/edit/numbericedit.h"

namespace {
constexpr UINT kTextOk = 1042;
constexpr UINT kTextCancel = 1056;
constexpr UINT kLabelId = 0xFFFF;
constexpr int kFirstValueId = 3001;
constexpr DWORD kStyleLabel = WS_CHILD | WS_VISIBLE | SS_RIGHT;
constexpr DWORD kStyleCombo = 0x50A10003;
constexpr DWORD kStyleEdit = 0x50810000;
constexpr DWORD kStylePassword = 0x50810020;

bool IsValueType(int type) {
  return type == CTRL_COMBO || type == CTRL_EDIT || type == CTRL_EDIT_NUMBER || type == CTRL_EDIT_HEX;
}

int SelectedOptionValue(CComboBox* pCombo, const PARAM_INFO& p) {
  const int sel = pCombo->GetCurSel();
  if (sel < 0) return -1;
  const int k = static_cast<int>(pCombo->GetItemData(sel));
  return p.pOptions != nullptr && k >= 0 && k < p.nOptions ? p.pOptions[k].nValue : -1;
}
}  // namespace

BEGIN_MESSAGE_MAP(CBleDetailDlg, CDialog)
  ON_WM_CLOSE()
  ON_WM_SHOWWINDOW()
  ON_BN_CLICKED(IDC_BLE_DETAIL_OK, &CBleDetailDlg::OnOK)
  ON_BN_CLICKED(IDC_BLE_DETAIL_CANCEL, &CBleDetailDlg::OnCancel)
END_MESSAGE_MAP()

CBleDetailDlg::CBleDetailDlg(CBleDialog* pPage) : CDialog(IDD_BLE_DETAIL, pPage), m_pPage(pPage) {}

CBleDetailDlg::~CBleDetailDlg() {
  // The parameter list may be gone by now: only the controls themselves go.
  for (CWnd* pCtrl : m_controls) delete pCtrl;
}

BOOL CBleDetailDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  m_font.CreateFont(14, 0, 0, 0, 100, FALSE, FALSE, 0, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                    DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, L"Arial");
  if (m_pPage != nullptr) {
    const CString ok = m_pPage->m_language.LoadString(kTextOk);
    const CString cancel = m_pPage->m_language.LoadString(kTextCancel);
    if (ok != L"ERROR") SetDlgItemText(IDC_BLE_DETAIL_OK, ok);
    if (cancel != L"ERROR") SetDlgItemText(IDC_BLE_DETAIL_CANCEL, cancel);
  }
  return TRUE;
}

// The close box cancels: the dialog stays for the next ADD or EDIT, and the page and the tab strip
// are given back.
void CBleDetailDlg::OnClose() { OnCancel(); }

void CBleDetailDlg::EnableMainTabs(BOOL bEnable) {
  CWnd* pMainWnd = m_pPage != nullptr ? m_pPage->GetParent() : nullptr;
  if (auto* pMain = dynamic_cast<CBrelvanoDlg*>(pMainWnd)) pMain->EnableTabControl(bEnable);
}

void CBleDetailDlg::Open(CPtrList* pParams, const BLE_INFO* pRecord, int nPointIndex) {
  DestroyControls();
  m_pParamList = pParams;
  if (pRecord != nullptr) {
    m_record.bActive = pRecord->bActive;
    m_record.nSlot = pRecord->nSlot;
    m_record.strValues = pRecord->strValues;
  }
  m_nPointIndex = nPointIndex;
  UpdateData(FALSE);
  BuildControls();
  UpdateData(FALSE);
  EnableMainTabs(FALSE);
}

void CBleDetailDlg::BuildControls() {
  if (m_pParamList == nullptr || GetSafeHwnd() == nullptr || m_pPage == nullptr) return;
  const CWnd* pMain = m_pPage->GetParent();
  const bool up = brelvano::PageParentUsesUpProtocol(pMain);
  const bool editing = m_pPage->m_nMode == 2;
  auto tr = [pMain](const CString& t) { return brelvano::PageTranslate(pMain, t); };

  // Widths: the longest name and the longest option or value text.
  int longestName = 0, longestValue = 0;
  for (POSITION pos = m_pParamList->GetHeadPosition(); pos != nullptr;) {
    const auto* p = static_cast<const PARAM_INFO*>(m_pParamList->GetNext(pos));
    if (p == nullptr) continue;
    longestName = std::max(longestName, p->strName.GetLength());
    if (p->nCtrlType == CTRL_COMBO) {
      for (int k = 0; p->pOptions != nullptr && k < p->nOptions; ++k)
        longestValue = std::max(longestValue, p->pOptions[k].strText.GetLength());
    } else if (p->nCtrlType <= CTRL_IP || p->nCtrlType == CTRL_EDIT_NUMBER || p->nCtrlType == CTRL_EDIT_HEX) {
      longestValue = std::max(longestValue, p->strValue.GetLength());
    }
  }
  const int L = std::max(6 * longestName, 100);
  const int V = std::max(6 * longestValue, 120);

  const std::vector<CString> stored = brelvano::SplitJoinedValues(m_record.strValues, L';');
  BLE_INFO* pPageRecord = nullptr;
  if (up && m_record.nSlot >= 1 && m_record.nSlot <= kBleSlots) pPageRecord = &m_pPage->m_pRecords[m_record.nSlot - 1];

  m_nRowCount = 0;
  int top = 50, bottom = 66;
  int i = 0, k = 0;
  for (POSITION pos = m_pParamList->GetHeadPosition(); pos != nullptr; ++i) {
    auto* p = static_cast<PARAM_INFO*>(m_pParamList->GetNext(pos));
    if (p == nullptr) continue;
    if (i == 0) m_strHdr = p->strHdr;
    const bool reserved = p->bReserve != FALSE;
    const int type = p->nCtrlType;
    const CString name = tr(p->strName);
    const bool point = type == CTRL_COMBO && name == tr(L"Point");
    const bool active = type == CTRL_COMBO && name == tr(L"Active");
    if (!reserved) {
      ++m_nRowCount;
      bottom += type == CTRL_COMBO ? 4 : 2;
      auto* pLabel = new CStatic();
      if (pLabel->Create(name, kStyleLabel, CRect(100, top + 2, 100 + L, bottom + 2), this, kLabelId)) {
        pLabel->SetFont(&m_font);
        p->pLabelWnd = pLabel;
        m_controls.push_back(pLabel);
      } else {
        delete pLabel;
      }
    }
    const CRect box(108 + L, top, 113 + L + V, bottom);
    const UINT id = static_cast<UINT>(kFirstValueId + 2 * i);
    // A reserved parameter keeps its value in the record but shows no control.
    const DWORD shown = reserved ? ~static_cast<DWORD>(WS_VISIBLE) : ~static_cast<DWORD>(0);
    // The stored value of an edited record for a value-taking parameter.
    CString value;
    const bool takesValue = IsValueType(type) && !point && !active;
    if (takesValue && editing) {
      if (k < static_cast<int>(stored.size())) value = stored[k];
      if (pPageRecord != nullptr && k < kFieldFormats) pPageRecord->formats[k] = FIELD_FORMAT{type, p->nSize, p->nDecimal};
      if (up && (type == CTRL_EDIT || type == CTRL_EDIT_NUMBER)) value = brelvano::FormatDecimalCut(value, p->nDecimal);
    }
    if (takesValue) ++k;

    CWnd* pValue = nullptr;
    switch (type) {
      case CTRL_COMBO: {
        auto* pCombo = new CComboBox();
        if (!pCombo->Create(kStyleCombo & shown, box, this, id)) {
          delete pCombo;
          break;
        }
        pValue = pCombo;
        if (point) {
          int count = m_pPage->m_groupInfo.nMax;
          if (count <= 0) count = up ? g_nBleCount : kBleSlots;
          count = std::min(count, kBleSlots);
          for (int n = 1; n <= count; ++n) {
            CString item;
            item.Format(L"%d", n);
            pCombo->AddString(item);
          }
          pCombo->SetCurSel(m_nPointIndex);
          if (editing) pCombo->EnableWindow(FALSE);
          break;
        }
        for (int o = 0; p->pOptions != nullptr && o < p->nOptions; ++o) {
          const int at = pCombo->AddString(tr(p->pOptions[o].strText));
          if (at >= 0) pCombo->SetItemData(at, static_cast<DWORD_PTR>(o));
        }
        if (!editing) {
          pCombo->SetCurSel(pCombo->FindStringExact(-1, tr(p->strValue)));
        } else if (active) {
          pCombo->SetCurSel(m_record.bActive);
        } else {
          // The option whose value is the stored one (option values need not start at 0).
          long long v = -1;
          int select = -1;
          if (brelvano::ScaleDecimalText(value, 0, v)) {
            for (int o = 0; p->pOptions != nullptr && o < p->nOptions; ++o) {
              if (p->pOptions[o].nValue == v) select = o;
            }
          }
          for (int item = 0; select >= 0 && item < pCombo->GetCount(); ++item) {
            if (static_cast<int>(pCombo->GetItemData(item)) == select) pCombo->SetCurSel(item);
          }
        }
        break;
      }
      case CTRL_EDIT:
      case CTRL_IP:
      case CTRL_PASSWD: {
        auto* pEdit = new CEdit();
        if (!pEdit->Create((type == CTRL_PASSWD ? kStylePassword : kStyleEdit) & shown, box, this, id)) {
          delete pEdit;
          break;
        }
        pValue = pEdit;
        if (type == CTRL_PASSWD) pEdit->SetWindowText(p->strValue);
        else if (editing && type == CTRL_EDIT) pEdit->SetWindowText(value);
        if (type != CTRL_PASSWD && p->nMax > 0) pEdit->LimitText(p->nMax);
        break;
      }
      case CTRL_EDIT_NUMBER:
      case CTRL_EDIT_HEX: {
        CEdit* pEdit = type == CTRL_EDIT_NUMBER ? static_cast<CEdit*>(new CNumbericEdit(static_cast<WORD>(p->nDecimal)))
                                                : static_cast<CEdit*>(new CHexEdit());
        if (!pEdit->Create(kStyleEdit & shown, box, this, id)) {
          delete pEdit;
          break;
        }
        pValue = pEdit;
        if (editing) pEdit->SetWindowText(value);
        if (p->nMax > 0) pEdit->LimitText(p->nMax);
        break;
      }
      default:
        break;  // a label only
    }
    if (pValue != nullptr) {
      pValue->SetFont(&m_font);
      p->pValueWnd = pValue;
      m_controls.push_back(pValue);
    }
    if (!reserved) {
      top = bottom + 1;
      bottom = top + 16;
    }
  }
}

BOOL CBleDetailDlg::ReadControls() {
  if (m_pParamList == nullptr) return FALSE;
  BLE_INFO rec = m_record;
  rec.strValues.Empty();
  const CWnd* pMain = m_pPage != nullptr ? m_pPage->GetParent() : nullptr;
  auto tr = [pMain](const CString& t) { return brelvano::PageTranslate(pMain, t); };
  int k = 0;
  for (POSITION pos = m_pParamList->GetHeadPosition(); pos != nullptr;) {
    const auto* p = static_cast<const PARAM_INFO*>(m_pParamList->GetNext(pos));
    if (p == nullptr || p->pValueWnd == nullptr || !IsValueType(p->nCtrlType)) continue;
    const CString name = tr(p->strName);
    CString value;
    if (p->nCtrlType == CTRL_COMBO) {
      auto* pCombo = static_cast<CComboBox*>(p->pValueWnd);
      const int sel = pCombo->GetCurSel();
      if (name == tr(L"Point") || name == tr(L"Active")) {
        if (sel < 0) {
          MessageBox(L"Choose a value for " + name + L".");
          return FALSE;
        }
        if (name == tr(L"Point")) rec.nSlot = sel + 1;
        else rec.bActive = sel;
        continue;
      }
      const int optionValue = SelectedOptionValue(pCombo, *p);
      if (optionValue < 0) {
        MessageBox(L"Choose a value for " + name + L".");
        return FALSE;
      }
      value.Format(L"%d", optionValue);
    } else {
      value = p->pValueWnd->GetWindowText();
      value.Trim();
      if (p->nCtrlType == CTRL_EDIT_HEX) {
        if (p->nSize > 0 && value.GetLength() > p->nSize) {
          CString message;
          message.Format(L"%s: the hexadecimal text %s is longer than its %d digits.", name, value, p->nSize);
          MessageBox(message);
          return FALSE;
        }
        while (value.GetLength() < p->nSize) value += L'0';
      } else if (value.IsEmpty()) {
        value = L"0";
      }
    }
    rec.strValues += L";" + value;
    if (k < kFieldFormats) rec.formats[k] = FIELD_FORMAT{p->nCtrlType, p->nSize, p->nDecimal};
    ++k;
  }
  m_record = rec;
  return TRUE;
}

void CBleDetailDlg::OnOK() {
  if (m_pPage == nullptr) return;
  const WindowWatch self(this);
  // A value the user has to choose or mend is told in a message box; the dialog stays open.
  if (!ReadControls() || !self.Alive()) return;
  const CString text = m_pPage->EncodeRecord(&m_record);
  if (!self.Alive() || m_pPage->m_bEncodeRefused) return;
  m_pPage->SubmitRecord(m_record, text);
  Finish(IDOK);
}

void CBleDetailDlg::OnCancel() { Finish(IDCANCEL); }

void CBleDetailDlg::Finish(int nResult) {
  DestroyControls();
  EndDialog(nResult);
  if (m_pPage != nullptr && m_pPage->GetSafeHwnd() != nullptr) m_pPage->EnableWindow(TRUE);
}

void CBleDetailDlg::DestroyControls() {
  for (CWnd* pCtrl : m_controls) {
    if (pCtrl->GetSafeHwnd() != nullptr) pCtrl->DestroyWindow();
    delete pCtrl;
  }
  m_controls.clear();
  if (m_pParamList != nullptr) {
    for (POSITION pos = m_pParamList->GetHeadPosition(); pos != nullptr;) {
      auto* p = static_cast<PARAM_INFO*>(m_pParamList->GetNext(pos));
      if (p == nullptr) continue;
      p->pValueWnd = nullptr;
      p->pLabelWnd = nullptr;
    }
    m_pParamList = nullptr;
  }
  EnableMainTabs(TRUE);
}

void CBleDetailDlg::OnShowWindow(BOOL bShow, UINT nStatus) {
  CDialog::OnShowWindow(bShow, nStatus);
  // Opened for ADD or EDIT: a keyboard user works the dialog at once.
  if (bShow) brelvano::TakeKeyboardFocus(*this);
}
