// CGeoDetailDlg (see geodetaildlg.h).
#include "gui/dlg/geodetaildlg.h"

#include <algorithm>

#include "gui/dlg/brelvanodlg.h"
#include "gui/dlg/geofencedlg.h"
#include "gui/dlg/blerecordcodec.h"
#include "gui/dlg/mapdlg.h"
#include "gui/dlg/numberedvalues.h"
#include "gui/dlg/pagehelpers.h"
#include "gui/dlg/valuecodec.h"
#include "gui/dlg/windowwatch.h"
#include "platform/controls.h"
#include "platform/crt.h"
#include "platform/modal.h"
#include "platform/trace.h"
#include "reference/control/edit/hexedit.h"
#include "reference/control/edit/numbericedit.h"

namespace {
constexpr UINT kTextNext = 1054;
constexpr UINT kTextCancel = 1056;
constexpr UINT kLabelId = 0xFFFF;
constexpr UINT kFirstValueId = 3001;
constexpr int kLeft = 100;
constexpr int kFirstRowTop = 50;
constexpr int kRowHeight = 16;
constexpr DWORD kStyleLabel = WS_CHILD | WS_VISIBLE | SS_RIGHT;
constexpr DWORD kStyleCombo = WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL | WS_TABSTOP | CBS_DROPDOWNLIST;
constexpr DWORD kStyleEdit = WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL;
}  // namespace

BEGIN_MESSAGE_MAP(CGeoDetailDlg, CDialog)
  ON_BN_CLICKED(IDC_DETAIL_NEXT, &CGeoDetailDlg::OnNext)
  ON_BN_CLICKED(IDC_DETAIL_CANCEL, &CGeoDetailDlg::OnBnClickedCancel)
  ON_WM_CLOSE()
  ON_WM_SHOWWINDOW()
END_MESSAGE_MAP()

CGeoDetailDlg::CGeoDetailDlg(CGeofenceDialog* pPage) : CDialog(IDD_GEOFENCE_DETAIL, pPage), m_pPage(pPage) {}

CGeoDetailDlg::~CGeoDetailDlg() {
  for (CWnd* w : m_controls) delete w;
}

BOOL CGeoDetailDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  m_font.CreateFont(14, 0, 0, 0, 100, FALSE, FALSE, 0, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                    DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, L"Arial");
  if (m_pPage != nullptr && m_pPage->LoadLanguage() != nullptr) {
    const CString next = m_pPage->m_language.LoadString(kTextNext);
    const CString cancel = m_pPage->m_language.LoadString(kTextCancel);
    if (!next.IsEmpty()) SetDlgItemText(IDC_DETAIL_NEXT, next);
    if (!cancel.IsEmpty()) SetDlgItemText(IDC_DETAIL_CANCEL, cancel);
  }
  return TRUE;
}

void CGeoDetailDlg::SetDeviceInfo(DEVICE_INFO* pDeviceInfo, DEF_HEADER* pDefHeader) {
  m_pDeviceInfo = pDeviceInfo;
  m_pDefHeader = pDefHeader;
}

void CGeoDetailDlg::EnableMainTabs(BOOL bEnable) {
  auto* main = dynamic_cast<CBrelvanoDlg*>(m_pPage != nullptr ? m_pPage->MainWindow() : nullptr);
  if (main != nullptr) main->EnableTabControl(bEnable);
}

CString CGeoDetailDlg::Name(const PARAM_INFO* p) const {
  return brelvano::PageTranslate(m_pPage != nullptr ? m_pPage->MainWindow() : nullptr, p->strName);
}

BOOL CGeoDetailDlg::Is(const PARAM_INFO* p, const wchar_t* name) const {
  return Name(p) == brelvano::PageTranslate(m_pPage != nullptr ? m_pPage->MainWindow() : nullptr, CString(name));
}

BOOL CGeoDetailDlg::HasNoControls(const PARAM_INFO* p) const {
  return Is(p, L"Active") || Is(p, L"Latitude") || Is(p, L"Longitude") || Is(p, L"Radius");
}

BOOL CGeoDetailDlg::IsExtraParam(const PARAM_INFO* p) const {
  if (HasNoControls(p)) return FALSE;
  if (p->nCtrlType == 0) return !(Is(p, L"Geo ID") || Is(p, L"IN") || Is(p, L"OUT"));
  if (p->nCtrlType == 1 || p->nCtrlType == 13 || p->nCtrlType == 14) return !Is(p, L"TR ID");
  return FALSE;
}

// The field a further value takes on the device line.
FIELD_FORMAT CGeoDetailDlg::ExtraFormat(const PARAM_INFO* p) {
  FIELD_FORMAT f;
  f.nType = p->nCtrlType;
  f.nWidth = p->nCtrlType == 14 ? brelvano::HexFieldWidth(p->nSize) : 0;
  return f;
}

// The text of a further value's edit; a number typed in any locale as the number typed (every
// value but a hexadecimal one is a number in the numbered set).
CString CGeoDetailDlg::TypedValue(const PARAM_INFO* p, BOOL bUp) const {
  const CString text = p->pValueWnd != nullptr ? p->pValueWnd->GetWindowText() : CString();
  const bool number = p->nCtrlType == 13 || (bUp && p->nCtrlType != 14);
  return number ? brelvano::TypedDecimal(text) : text;
}

// A hexadecimal text in its field; any other further value a number (either decimal separator).
BOOL CGeoDetailDlg::ExtraValueFits(const PARAM_INFO* p, const CString& text, CString& error) {
  if (p->nCtrlType == 14) {
    CString field;
    if (brelvano::EncodeHexField(text, ExtraFormat(p).nWidth, field, error)) return TRUE;
    error = Name(p) + L": " + error;
    return FALSE;
  }
  if (p->nCtrlType == 0 || text.IsEmpty()) return TRUE;
  long long scaled = 0;
  if (brelvano::ScaleDecimalText(text, 6, scaled) && scaled > -0x80000000LL && scaled < 0x80000000LL) return TRUE;
  error = L"The value of \"" + Name(p) + L"\" is not a number that fits its field: nothing was sent.";
  return FALSE;
}

void CGeoDetailDlg::BeginEdit(CPtrList* pParams, const GEOFENCE_INFO& record, int nSlot) {
  if (m_pParams != nullptr) DestroyControls();
  m_record.nId = record.nId;
  m_record.bUsed = record.bUsed;
  m_record.bIn = record.bIn;
  m_record.bOut = record.bOut;
  m_record.strLatitude = record.strLatitude;
  m_record.strLongitude = record.strLongitude;
  m_record.strRadius = record.strRadius;
  m_record.strSpare = record.strSpare;
  m_record.strExtra = record.strExtra;
  // A free slot has no number yet: without a "Geo ID" choice the slot gives it.
  if (m_record.nId == 0) m_record.nId = nSlot + 1;
  m_pParams = pParams;
  m_nSlot = nSlot;
  BuildControls();
  EnableMainTabs(FALSE);
}

void CGeoDetailDlg::BuildControls() {
  if (m_pParams == nullptr || m_pPage == nullptr) return;
  const BOOL bUp = m_pPage->m_bUpProtocol;
  const BOOL bEdit = m_pPage->m_nMode == 2;
  const CWnd* pMain = m_pPage->MainWindow();

  // Widths from the longest name and the longest value.
  int longestName = 0;
  int longestValue = 0;
  for (POSITION pos = m_pParams->GetHeadPosition(); pos != nullptr;) {
    const auto* p = static_cast<const PARAM_INFO*>(m_pParams->GetNext(pos));
    if (p == nullptr) continue;
    longestName = std::max(longestName, p->strName.GetLength());
    if (p->nCtrlType == 0 && !Is(p, L"Active")) {
      for (int o = 0; o < p->nOptions && p->pOptions != nullptr; ++o)
        longestValue = std::max(longestValue, p->pOptions[o].strText.GetLength());
    } else if (p->nCtrlType == 1 || p->nCtrlType == 2 || p->nCtrlType == 3 || p->nCtrlType == 13 ||
               p->nCtrlType == 14) {
      longestValue = std::max(longestValue, p->strValue.GetLength());
    }
  }
  const int labelWidth = std::max(6 * longestName, 100);
  const int valueWidth = std::max(6 * longestValue, 120);

  m_nCtrlCount = 0;
  int top = kFirstRowTop;
  int bottom = top + kRowHeight;
  int lastBottom = top;
  int extra = 0;
  int i = 0;
  for (POSITION pos = m_pParams->GetHeadPosition(); pos != nullptr; ++i) {
    auto* p = static_cast<PARAM_INFO*>(m_pParams->GetNext(pos));
    if (p == nullptr) continue;
    if (i == 0) m_strHdr = p->strHdr;
    p->pLabelWnd = nullptr;
    p->pValueWnd = nullptr;
    p->pExtraWnd = nullptr;
    if (m_pPage->IsParamSwitchedOff(p)) continue;
    if (HasNoControls(p)) continue;
    const BOOL bReserve = p->bReserve;
    const UINT valueId = kFirstValueId + 2 * i;
    if (!bReserve) {
      ++m_nCtrlCount;
      bottom += p->nCtrlType == 0 ? 4 : 2;
      auto* label = new CStatic();
      if (label->Create(Name(p), kStyleLabel, CRect(kLeft, top + 2, kLeft + labelWidth, bottom + 2), this, kLabelId)) {
        label->SetFont(&m_font);
        p->pLabelWnd = label;
        m_controls.push_back(label);
      } else {
        delete label;
      }
    }
    // Reserve parameters keep their value (it travels with the record) but are not shown.
    const DWORD visible = bReserve ? 0u : static_cast<DWORD>(WS_VISIBLE);
    const CRect valueRect(kLeft + labelWidth + 8, top, kLeft + labelWidth + 8 + valueWidth + 5, bottom);
    const int k = IsExtraParam(p) ? extra++ : -1;
    const CString extraValue = k >= 0 ? m_pPage->GetField(m_record.strExtra, k + 2, L';') : CString();
    CWnd* value = nullptr;
    if (p->nCtrlType == 0) {
      auto* combo = new CComboBox();
      if (combo->Create((kStyleCombo & ~WS_VISIBLE) | visible, valueRect, this, valueId)) {
        value = combo;
        if (Is(p, L"Geo ID")) {
          int nMax = m_pPage->m_groupInfo.nMax;
          if (nMax <= 0) nMax = bUp ? g_nGeofenceCount : kGeofenceSlots;
          if (p->nOptions >= 1) {
            for (int n = 1; n <= nMax; ++n) {
              CString item;
              item.Format(L"%d", n);
              combo->AddString(brelvano::PageTranslate(pMain, item));
            }
          }
          combo->SetCurSel(m_nSlot);
          if (bEdit) combo->EnableWindow(FALSE);
        } else {
          for (int o = 0; o < p->nOptions && p->pOptions != nullptr; ++o)
            combo->AddString(brelvano::PageTranslate(pMain, p->pOptions[o].strText));
          if (!bEdit) {
            const CString wanted = brelvano::PageTranslate(pMain, p->strValue);
            for (int o = 0; o < combo->GetCount(); ++o) {
              if (combo->GetLBText(o) == wanted) {
                combo->SetCurSel(o);
                break;
              }
            }
          } else if (Is(p, L"IN")) {
            combo->SetCurSel(m_record.bIn);
          } else if (Is(p, L"OUT")) {
            combo->SetCurSel(m_record.bOut);
          } else {
            combo->SetCurSel(-1);
            for (int o = 0; o < p->nOptions && p->pOptions != nullptr; ++o) {
              if (p->pOptions[o].nValue == _wtoi(extraValue)) combo->SetCurSel(o);
            }
          }
        }
      } else {
        delete combo;
      }
    } else if (p->nCtrlType == 1 || p->nCtrlType == 2 || p->nCtrlType == 3 || p->nCtrlType == 13 ||
               p->nCtrlType == 14) {
      CEdit* edit = nullptr;
      if (p->nCtrlType == 13) {
        edit = new CNumbericEdit();
      } else if (p->nCtrlType == 14) {
        edit = new CHexEdit();
      } else {
        edit = new CEdit();
      }
      const DWORD style = (kStyleEdit & ~WS_VISIBLE) | visible | (p->nCtrlType == 2 ? ES_PASSWORD : 0u);
      if (edit->Create(style, valueRect, this, valueId)) {
        value = edit;
        CString text;
        if (p->nCtrlType == 2) {
          text = p->strValue;
        } else if (Is(p, L"TR ID")) {
          text = L"7391";
        } else if (bEdit && Is(p, L"IN")) {
          text.Format(L"%d", m_record.bIn);
        } else if (bEdit && Is(p, L"OUT")) {
          text.Format(L"%d", m_record.bOut);
        } else if (bEdit && k >= 0) {
          // Every decimal the record carries: a value shown rounded would be written back rounded.
          text = bUp && p->nCtrlType != 14 ? brelvano::ShownDecimal(extraValue) : extraValue;
          if (p->nMax > 0) edit->LimitText(p->nMax);
        }
        edit->SetWindowText(text);
      } else {
        delete edit;
      }
    }
    if (value != nullptr) {
      value->SetFont(&m_font);
      p->pValueWnd = value;
      m_controls.push_back(value);
      if (bEdit && bUp && k >= 0 && m_record.nId >= 1 && m_record.nId <= kGeofenceSlots && k < kFieldFormats)
        m_pPage->m_pRecords[m_record.nId - 1].formats[k] = ExtraFormat(p);
    }
    if (!bReserve) {
      lastBottom = bottom;
      top = bottom + 1;
      bottom = top + kRowHeight;
    }
  }

  // The buttons go below the last row; the dialog grows to hold everything.
  brelvano::PlaceDetailButtons(*this, kLeft + labelWidth + 8 + valueWidth + 5 + 40, lastBottom, IDC_DETAIL_NEXT,
                               IDC_DETAIL_CANCEL);
}

void CGeoDetailDlg::DestroyControls() {
  if (m_pParams != nullptr) {
    for (POSITION pos = m_pParams->GetHeadPosition(); pos != nullptr;) {
      auto* p = static_cast<PARAM_INFO*>(m_pParams->GetNext(pos));
      if (p == nullptr) continue;
      p->pLabelWnd = nullptr;
      p->pValueWnd = nullptr;
    }
  }
  for (CWnd* w : m_controls) {
    if (w->GetSafeHwnd() != nullptr) w->DestroyWindow();
    delete w;
  }
  m_controls.clear();
  m_pParams = nullptr;
  EnableMainTabs(TRUE);
}

void CGeoDetailDlg::OnNext() {
  if (m_pParams == nullptr || m_pPage == nullptr) return;
  // A record without its number or alarms chosen is not passed on.
  for (POSITION pos = m_pParams->GetHeadPosition(); pos != nullptr;) {
    const auto* p = static_cast<const PARAM_INFO*>(m_pParams->GetNext(pos));
    auto* combo = p != nullptr ? dynamic_cast<CComboBox*>(p->pValueWnd) : nullptr;
    if (combo == nullptr || combo->GetCurSel() >= 0) continue;
    if (Is(p, L"Geo ID") || Is(p, L"IN") || Is(p, L"OUT")) {
      AfxMessageBox(L"Please choose a value for " + Name(p) + L".", MB_OK);
      return;
    }
  }
  // A choice the user did not make: an edited record keeps the value it was read with, a new one
  // is not passed on without it. A typed value that would split the device line is refused.
  const CString readExtra = m_record.strExtra;
  // The numbered set joins the values with ';' and '#', the $-command set with the definition's delimiter.
  const BOOL bUp = m_pPage->m_bUpProtocol;
  const wchar_t delimiter = !bUp && m_pDefHeader != nullptr && !m_pDefHeader->strD.IsEmpty() ? m_pDefHeader->strD[0] : L';';
  {
    int k = 0;
    for (POSITION pos = m_pParams->GetHeadPosition(); pos != nullptr;) {
      const auto* p = static_cast<const PARAM_INFO*>(m_pParams->GetNext(pos));
      if (p == nullptr || m_pPage->IsParamSwitchedOff(p) || !IsExtraParam(p)) continue;
      const CString stored = m_pPage->GetField(readExtra, k + 2, L';');
      ++k;
      if (p->nCtrlType == 0) {
        auto* combo = dynamic_cast<CComboBox*>(p->pValueWnd);
        if (combo == nullptr || combo->GetCurSel() >= 0) continue;
        if (m_pPage->m_nMode == 2 && !stored.IsEmpty()) continue;
        AfxMessageBox(L"Please choose a value for " + Name(p) + L".", MB_OK);
        return;
      }
      if (p->pValueWnd == nullptr) continue;
      CString error;
      const CString text = TypedValue(p, bUp);
      // Only the numbered set gives the values fields of their own.
      if (!brelvano::CheckTextField(text, delimiter, bUp ? L"#" : L";", Name(p), error) ||
          (bUp && !ExtraValueFits(p, text, error))) {
        AfxMessageBox(error, MB_OK);
        return;
      }
    }
  }
  GEOFENCE_INFO& r = m_record;
  r.strExtra.Empty();
  int k = 0;
  for (POSITION pos = m_pParams->GetHeadPosition(); pos != nullptr;) {
    const auto* p = static_cast<const PARAM_INFO*>(m_pParams->GetNext(pos));
    if (p == nullptr || m_pPage->IsParamSwitchedOff(p)) continue;
    if (p->nCtrlType == 0) {
      if (Is(p, L"Active")) {
        r.bUsed = 0;
        continue;
      }
      auto* combo = dynamic_cast<CComboBox*>(p->pValueWnd);
      if (combo == nullptr) continue;
      const int sel = combo->GetCurSel();
      if (Is(p, L"Geo ID")) {
        r.nId = sel + 1;
      } else if (Is(p, L"IN")) {
        r.bIn = sel;
      } else if (Is(p, L"OUT")) {
        r.bOut = sel;
      } else {
        CString item;
        if (sel >= 0 && sel < p->nOptions && p->pOptions != nullptr) item.Format(L";%d", p->pOptions[sel].nValue);
        else item = L";" + m_pPage->GetField(readExtra, k + 2, L';');  // not chosen: sent as read
        r.strExtra += item;
        if (k < kFieldFormats) r.formats[k] = ExtraFormat(p);
        ++k;
      }
    } else if ((p->nCtrlType == 1 || p->nCtrlType == 13 || p->nCtrlType == 14) && IsExtraParam(p)) {
      if (p->pValueWnd == nullptr) continue;
      CString text = TypedValue(p, m_pPage->m_bUpProtocol);
      if (text.IsEmpty()) text = L"0";
      r.strExtra += L";" + text;
      if (k < kFieldFormats) r.formats[k] = ExtraFormat(p);
      ++k;
    }
  }
  if (r.bIn != 0 || r.bOut != 0) r.bUsed = 1;

  // The map's first load and every page call wait: the session, and this dialog with its page, may
  // end in them.
  const WindowWatch self(this);
  CMapDialog* map = m_pPage->MapDialog();
  if (!self.Alive()) return;
  if (map == nullptr) {
    AfxMessageBox(L"The map cannot be shown.", MB_OK);
    return;
  }
  map->ClearAllMarker();
  if (!self.Alive()) return;
  map->SetRecord(&m_record);
  map->SetDeviceInfo(m_pDeviceInfo, m_pDefHeader);
  m_pPage->SetDistMeter();
  if (!self.Alive()) return;
  if (m_pPage->m_nMode == 2) {
    if (r.strLatitude.IsEmpty() || r.strLongitude.IsEmpty()) {
      AfxMessageBox(L"Cannot Find Coordinate", MB_OK);
      return;
    }
    map->CallScript(L"ViewDrawCircle", {r.strLatitude, r.strLongitude, r.strRadius});
  } else {
    map->MoveMapToDefault();
  }
  if (!self.Alive()) return;
  map->ShowWindow(SW_SHOW);
  ShowWindow(SW_HIDE);
}

void CGeoDetailDlg::OnCancel() {
  DestroyControls();
  EndDialog(IDCANCEL);
  if (m_pPage != nullptr) m_pPage->EnableWindow(TRUE);
}

void CGeoDetailDlg::OnBnClickedCancel() { OnCancel(); }

// The close box cancels: the dialog is kept for the next ADD or EDIT.
void CGeoDetailDlg::OnClose() { OnCancel(); }

void CGeoDetailDlg::OnShowWindow(BOOL bShow, UINT nStatus) {
  CDialog::OnShowWindow(bShow, nStatus);
  // Opened for ADD or EDIT: a keyboard user works the dialog at once.
  if (bShow) brelvano::TakeKeyboardFocus(*this);
}
