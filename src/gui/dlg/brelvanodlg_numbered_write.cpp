// Writes of the numbered-parameter set: the settings page's SEND becomes PRG lines (a CMD line on a
// single-command page) built from the page's controls, at most 20 items a line, continued by the
// acknowledgements; the values sent wait in the write-back buffer until the last line is
// acknowledged. Also the assignment map (RMAP form), list entries, Gap/Group lines, the file-mode
// save, and the record writes of the geofence, BLE and polygon pages.
#include <algorithm>

#include "gui/dlg/bledlg.h"
#include "gui/dlg/brelvanodlg.h"
#include "gui/dlg/brelvanodlg_helpers.h"
#include "gui/dlg/geofencedlg.h"
#include "gui/dlg/settingdlg.h"
#include "gui/dlg/valuecodec.h"
#include "platform/modal.h"
#include "platform/trace.h"

using brelvano::HasWindow;

namespace {
constexpr UINT kReplyWatchdogMs = 500;
constexpr int kItemsPerLine = 20;
constexpr UINT kTextFillOption = 1008;
constexpr int kMaxListEntries = 300;
constexpr int kMaxZonePoints = 100;
constexpr int kBleSlotsAddressed = 100;

bool IsListPage(int type) { return type == 21 || type == 22 || type == 23; }

CString Number2(int n) {
  CString s;
  s.Format(L"%02d", n);
  return s;
}

CString Hex2(int n) {
  CString s;
  s.Format(L"%02X", n);
  return s;
}

CWnd* LiveWnd(CWnd* pWnd) { return pWnd != nullptr && pWnd->GetSafeHwnd() != nullptr ? pWnd : nullptr; }

// The text of a value control (the model's value without one).
CString ControlText(const PARAM_INFO* p) {
  CWnd* pWnd = LiveWnd(p->pValueWnd);
  return pWnd != nullptr ? pWnd->GetWindowText() : p->strValue;
}

BOOL IsChecked(CWnd* pWnd) {
  auto* pButton = dynamic_cast<CButton*>(LiveWnd(pWnd));
  return pButton != nullptr && pButton->GetCheck() == BST_CHECKED ? TRUE : FALSE;
}

int ComboSelection(const PARAM_INFO* p) {
  auto* pCombo = dynamic_cast<CComboBox*>(LiveWnd(p->pValueWnd));
  return pCombo != nullptr ? pCombo->GetCurSel() : CB_ERR;
}

CString ComboText(const PARAM_INFO* p, int sel) {
  auto* pCombo = dynamic_cast<CComboBox*>(LiveWnd(p->pValueWnd));
  return pCombo != nullptr && sel >= 0 ? pCombo->GetLBText(sel) : CString();
}

// A value that would split the device line.
bool BreaksLine(const CString& value) {
  return value.Find(L';') >= 0 || value.Find(L'\r') >= 0 || value.Find(L'\n') >= 0;
}

std::vector<PARAM_INFO*> ListParams(CPtrList* pList) {
  std::vector<PARAM_INFO*> out;
  if (pList == nullptr) return out;
  for (POSITION pos = pList->GetHeadPosition(); pos != nullptr;) out.push_back(static_cast<PARAM_INFO*>(pList->GetNext(pos)));
  return out;
}
}  // namespace

void CBrelvanoDlg::ClearListBuffer() {
  m_listBuffer.assign(100, LIST_BUFFER_ENTRY());
  m_bListBufferPending = FALSE;
}

void CBrelvanoDlg::OnWriteNextTab() {
  if (!HasWindow(m_pSettingDlg) || m_pSettingDlg->m_pWriteList == nullptr || !m_bMoreLines) {
    m_bMoreLines = FALSE;
    return;
  }
  m_bWriteContinuation = TRUE;
  SendMessage(WM_WRITE_CURRENT_TAB, reinterpret_cast<WPARAM>(m_pSettingDlg->m_pWriteList),
              reinterpret_cast<LPARAM>(&m_pSettingDlg->m_writeTab));
  m_bWriteContinuation = FALSE;
}

void CBrelvanoDlg::OnWriteNextPoints() {
  if (!m_bMoreLines) return;
  SendMessage(WM_WRITE_POLYGON_POINTS, reinterpret_cast<WPARAM>(&m_pointWriteZone),
              reinterpret_cast<LPARAM>(&m_strPointWriteText));
}

LRESULT CBrelvanoDlg::OnWriteCurrentTab(WPARAM wParam, LPARAM lParam) {
  auto* pList = reinterpret_cast<CPtrList*>(wParam);
  auto* pTab = reinterpret_cast<TAB_INFO*>(lParam);
  const BOOL bContinuation = m_bWriteContinuation;
  m_bWriteContinuation = FALSE;
  m_nWatchdogTicks = 0;
  if (pList == nullptr || pTab == nullptr) return 0;
  // A SEND always starts a new write; only the write-next timer continues one.
  if (!bContinuation) m_bMoreLines = FALSE;
  if (IsListPage(pTab->nType)) {
    WriteListEntries(pList, pTab);
    return 0;
  }
  if (pTab->nType == TAB_TYPE_GAP_GROUP) {
    WriteGapGroupId(pList, pTab);
    return 0;
  }
  const std::vector<PARAM_INFO*> params = ListParams(pList);
  const bool commandPage = pTab->nType == TAB_TYPE_COMMAND;
  const BOOL bJson = m_deviceInfo.bJsonParam;

  if (!m_bMoreLines) {
    // Every value is checked before the first line goes out.
    for (const PARAM_INFO* p : params) {
      if (p == nullptr) continue;
      CString value;
      if (p->nCtrlType == CTRL_EDIT || p->nCtrlType == CTRL_PASSWD || p->nCtrlType == CTRL_IP ||
          p->nCtrlType == CTRL_EDIT_NUMBER || (p->nCtrlType == CTRL_EDIT_BUTTON && p->pExtraWnd != nullptr))
        value = ControlText(p);
      if (BreaksLine(value)) {
        AfxMessageBox(L"The value of \"" + Translate(p->strName) + L"\" holds ';' or a line break: nothing was sent.", MB_OK);
        return 0;
      }
      if (p->nCtrlType == CTRL_ALERT_ID && LiveWnd(p->pExtraWnd) != nullptr && !IsNumber(p->pExtraWnd->GetWindowText())) {
        AfxMessageBox(L"The alert id of \"" + Translate(p->strName) + L"\" is not a number: nothing was sent.", MB_OK);
        return 0;
      }
    }
  }

  int nTab = m_nCurTab;
  for (int t = 0; m_pParamLists != nullptr && t < m_nTabCount && t < kMaxTabs; ++t) {
    if (&m_pParamLists[t] == pList) nTab = t;
  }
  CString head;
  int count = static_cast<int>(params.size());
  if (commandPage) {
    head = L"CMD;" + m_defHeader.strI;
    if (params.empty() || params[0] == nullptr || params[0]->nCtrlType != CTRL_COMBO) {
      AddLogLine(L"This command page has no command list: nothing was sent.", TRUE);
      return 0;
    }
    count = 1;
    m_nNextItem = 0;
    m_nLinesLeft = 1;
  } else {
    head = L"PRG;" + m_defHeader.strI + L";" + Number2(pTab->nTabId);
  }
  if (!m_bMoreLines) {
    m_nLinesLeft = count > 0 ? (count - 1) / kItemsPerLine : 0;
    m_nNextItem = 0;
    ClearListBuffer();
    m_listBuffer.resize(std::max<size_t>(static_cast<size_t>(count), m_listBuffer.size()));
    m_nListBufferTab = nTab;
  }
  CString line = L"AT^" + head;
  m_bMoreLines = FALSE;
  for (int i = m_nNextItem; i < count; ++i) {
    PARAM_INFO* p = params[static_cast<size_t>(i)];
    if (p == nullptr) continue;
    LIST_BUFFER_ENTRY& entry = m_listBuffer[static_cast<size_t>(i)];
    entry.nKind = p->nCtrlType;
    if (commandPage) {
      // The command of the selected entry, then its argument when the page asks for one.
      entry.nKind = 5;  // nothing of a command is applied to the model
      const int sel = ComboSelection(p);
      if (sel < 0) {
        AddLogLine(L"No command is selected: nothing was sent.", TRUE);
        return 0;
      }
      line += L";";
      // The option the entry stands for decides, whatever language its text is shown in.
      const int option = CSettingDialog::SelectedOption(p);
      if (option < 0 || p->pOptions[option].strCmdId.IsEmpty()) {
        AddLogLine(L"The selected entry has no command: nothing was sent.", TRUE);
        return 0;
      }
      const CString id = p->pOptions[option].strCmdId;
      line += bJson ? id.Left(2) + L";" + id.Mid(2) : id;
      CEdit* pArg = HasWindow(m_pSettingDlg) ? m_pSettingDlg->m_pCmdEdit : nullptr;
      if (pArg != nullptr && pArg->GetSafeHwnd() != nullptr && pArg->IsWindowVisible()) {
        const CString argument = pArg->GetWindowText();
        if (argument.IsEmpty()) {
          AfxMessageBox(m_language.LoadString(kTextFillOption), MB_OK);
          return 0;
        }
        if (BreaksLine(argument)) {
          AfxMessageBox(L"The command option holds ';' or a line break: nothing was sent.", MB_OK);
          return 0;
        }
        line += L";" + argument;
      }
      break;
    }
    CString value;
    bool written = true;
    switch (p->nCtrlType) {
      case CTRL_COMBO: {
        const int sel = ComboSelection(p);
        if (sel < 0) {
          written = false;
          entry.nKind = 5;
          break;
        }
        if (bJson) {
          const int option = CSettingDialog::SelectedOption(p);
          if (option < 0 || option >= p->nOptions || p->pOptions == nullptr) {
            written = false;
            entry.nKind = 5;
            break;
          }
          value = brelvano::ComboChoiceToDevice(*p, option, brelvano::ComboForm::kLabel);
          entry.strValue = brelvano::EncodeComboChoice(*p, option, brelvano::ComboForm::kLabel);
        } else {
          value = Number2(sel);
          entry.strValue = value;
        }
        break;
      }
      case CTRL_EDIT:
      case CTRL_PASSWD:
      case CTRL_IP:
        value = ControlText(p);
        entry.strValue = value;
        break;
      case CTRL_EDIT_NUMBER:
        // A decimal typed in any locale goes out as the number typed.
        value = brelvano::TypedDecimal(ControlText(p));
        entry.strValue = value;
        break;
      case CTRL_ANY:
        entry.nKind = 5;
        if (p->bReserve) value = L"0";
        else written = false;
        break;
      case CTRL_ALERT_ID: {
        const BOOL bChecked = IsChecked(p->pValueWnd);
        value = bChecked ? L"01" : L"00";
        entry.strValue = value;
        if (CWnd* pExtra = LiveWnd(p->pExtraWnd)) {
          const int id = TextToInt(pExtra->GetWindowText());
          value += Hex2(id);
          entry.strValue2 = brelvano::EncodeAlertNumber(id, bJson);
        } else {
          value += L"00";
        }
        break;
      }
      case CTRL_S_ASSIGN:
      case CTRL_M_ASSIGN:
      case CTRL_L_ASSIGN:
        value = IntToPaddedText(p->assign.nNo, 2);
        entry.strValue = IsChecked(p->pValueWnd) ? L"1" : L"0";
        break;
      case CTRL_EDIT_BUTTON:
        if (p->pExtraWnd != nullptr) {
          value = ControlText(p);
          entry.strValue = value;
        } else {
          written = false;
          entry.nKind = 5;
        }
        break;
      default:
        written = false;
        break;
    }
    if (!written) continue;
    line += L";" + Number2(p->nId) + L"#" + value;
    if (i == count - 1) break;
    if ((i + 1) % kItemsPerLine == 0) {
      m_nNextItem = i + 1;
      m_bMoreLines = TRUE;
      break;
    }
  }
  m_bListBufferPending = commandPage ? FALSE : TRUE;
  EnableTabControl(FALSE);
  EnableSettingSendButton(FALSE);
  SetTimer(TIMER_REPLY_WATCHDOG, kReplyWatchdogMs);
  QueueCommand(line, TRUE);
  return 0;
}

LRESULT CBrelvanoDlg::OnWriteGroup(WPARAM wParam, LPARAM lParam) {
  auto* pList = reinterpret_cast<CPtrList*>(wParam);
  auto* pTab = reinterpret_cast<TAB_INFO*>(lParam);
  if (pList == nullptr || pTab == nullptr) return 0;
  const std::vector<PARAM_INFO*> params = ListParams(pList);
  // Nothing is stored when an alert id is not a number.
  for (const PARAM_INFO* p : params) {
    if (p != nullptr && p->nCtrlType == CTRL_ALERT_ID && LiveWnd(p->pExtraWnd) != nullptr &&
        !IsNumber(p->pExtraWnd->GetWindowText())) {
      AddLogLine(L"The alert id of \"" + Translate(p->strName) + L"\" is not a number: nothing was saved.", TRUE);
      return 0;
    }
  }
  for (PARAM_INFO* p : params) {
    if (p == nullptr) continue;
    switch (p->nCtrlType) {
      case CTRL_COMBO: {
        if (pTab->nType == TAB_TYPE_COMMAND) break;
        // The stored form the page, the profiles and the device lines read back.
        const int option = CSettingDialog::SelectedOption(p);
        if (option < 0) break;
        p->strValue = brelvano::EncodeComboChoice(*p, option, brelvano::StoredComboForm(m_bUpProtocol != 0, m_deviceInfo.bJsonParam != 0));
        break;
      }
      case CTRL_EDIT:
      case CTRL_PASSWD:
      case CTRL_IP:
        p->strValue = ControlText(p);
        break;
      case CTRL_EDIT_NUMBER:
        p->strValue = brelvano::TypedDecimal(ControlText(p));
        break;
      case CTRL_ALERT_ID:
        p->strValue = IsChecked(p->pValueWnd) ? L"01" : L"00";
        if (CWnd* pExtra = LiveWnd(p->pExtraWnd))
          p->strAlertId = brelvano::EncodeAlertNumber(TextToInt(pExtra->GetWindowText()), m_deviceInfo.bJsonParam != 0);
        break;
      case CTRL_EDIT_BUTTON:
        if (p->pExtraWnd != nullptr) p->strValue = ControlText(p);
        break;
      default:
        break;
    }
  }
  AddLogLine(L"Save Success", TRUE);
  return 0;
}

CString CBrelvanoDlg::WriteRmapTab(CPtrList* pList, TAB_INFO* pTab) {
  if (pTab == nullptr) return CString();
  CString bits;
  for (const PARAM_INFO* p : ListParams(pList)) {
    if (p == nullptr) continue;
    const int v = m_bTextProfileSaving ? TextToInt(p->strValue) : IsChecked(p->pValueWnd);
    CString digit;
    digit.Format(L"%d", v);
    bits += digit;
  }
  CString hex;
  for (unsigned char b : BinaryTextToBytes(bits)) hex += Hex2(b);
  if (hex.IsEmpty()) hex = L"0";
  const CString m1 = pTab->strMapId.Left(2);
  const CString m2 = pTab->strMapId.Mid(2);
  if (m_bTextProfileSaving) return L"RMAP,PRG;;" + m1 + L";" + m2 + L"#" + hex;
  const CString line = L"AT^PRG;" + m_defHeader.strI + L";" + m1 + L";" + m2 + L"#" + hex;
  EnableTabControl(FALSE);
  m_nWatchdogTicks = 0;
  SetTimer(TIMER_REPLY_WATCHDOG, kReplyWatchdogMs);
  QueueCommand(line, TRUE);
  if (m_hCommandAckEvent != nullptr) {
    ResetEvent(m_hCommandAckEvent);
    WaitForReply(m_hCommandAckEvent);
  }
  return line;
}

void CBrelvanoDlg::WriteListEntries(CPtrList* pList, TAB_INFO* pTab) {
  const bool add = pTab->strTitle.Find(L"Add") >= 0;
  const bool get = !add && pTab->strTitle.Find(L"Get") >= 0;
  const bool remove = !add && !get && pTab->strTitle.Find(L"Remove") >= 0;
  if (!add && !get && !remove) {
    TRACE(L"list page \"%s\": no function in its title\n", pTab->strTitle);
    return;
  }
  // The list codes address entries 1..300.
  const int limit = std::min(std::max(m_deviceInfo.nDMax, 0), kMaxListEntries);
  auto codeOf = [&](int n, int firstCode) { return n < 100 ? firstCode : (n < 200 ? 38 : 39); };
  auto refuse = [&]() {
    AddLogLine(L"NOT INVALID", TRUE);
  };
  auto* pLines = new CStringList();
  CString items[3];  // codes 18, 38, 39
  int current = -1;
  bool entryTaken = false;
  int position = 0;
  for (PARAM_INFO* p : ListParams(pList)) {
    const int i = position++;
    if (p == nullptr || (p->nCtrlType != CTRL_EDIT && p->nCtrlType != CTRL_EDIT_NUMBER)) continue;
    const CString text = ControlText(p);
    p->strValue = text;
    if (add && i % 2 == 1) {
      // The entry's data, after the entry number it belongs to.
      if (!entryTaken || text.IsEmpty()) continue;
      // A '#' is the entry's own (a USSD code "*100#"): the reader takes the item's value from its
      // first '#' on. A ';' or a line break would cut the line.
      if (BreaksLine(text)) {
        AfxMessageBox(L"The value of \"" + Translate(p->strName) + L"\" holds ';' or a line break: nothing was sent.", MB_OK);
        delete pLines;
        return;
      }
      items[current] += L"#" + text;
      continue;
    }
    if (text.IsEmpty() || !IsNumber(text)) {
      entryTaken = false;
      // An Add page's entry left empty (or not a number) is skipped; on Get and Remove pages every
      // edit is an entry number, and one that is empty or not a number sends nothing at all.
      if (add) continue;
      refuse();
      delete pLines;
      return;
    }
    const int n = TextToInt(text) - 1;
    if (n < 0 || n >= limit) {
      refuse();
      delete pLines;
      return;
    }
    const int code = codeOf(n, add ? 18 : pTab->nTabId);
    const CString index = Number2(n % 100);
    if (add) {
      current = n < 100 ? 0 : (n < 200 ? 1 : 2);
      items[current] += L";" + index;
      entryTaken = true;
    } else if (get) {
      pLines->AddTail(L"AT^REQ;" + m_defHeader.strI + L";" + Number2(code) + L";" + index);
    } else {
      pLines->AddTail(L"AT^PRG;" + m_defHeader.strI + L";" + Number2(code) + L";" + index + L"#0000000000000000");
    }
  }
  if (add) {
    const int codes[3] = {18, 38, 39};
    for (int k = 0; k < 3; ++k) {
      if (!items[k].IsEmpty()) pLines->AddTail(L"AT^PRG;" + m_defHeader.strI + L";" + Number2(codes[k]) + items[k]);
    }
  }
  SendCommandListAndWait(pLines, TRUE);
}

void CBrelvanoDlg::WriteGapGroupId(CPtrList* pList, TAB_INFO* pTab) {
  (void)pTab;
  int g = 0;
  bool haveGroup = false;
  int idx = 0;
  CString triple;
  int inTriple = 0;
  bool incomplete = false;
  CString items;
  for (const PARAM_INFO* p : ListParams(pList)) {
    if (p == nullptr) continue;
    if (p->nCtrlType == CTRL_COMBO && p->strName == L"Group ID") {
      const int sel = ComboSelection(p);
      g = TextToInt(sel >= 0 ? ComboText(p, sel) : p->strValue);
      haveGroup = true;
      continue;
    }
    if (p->nCtrlType != CTRL_EDIT && p->nCtrlType != CTRL_PASSWD && p->nCtrlType != CTRL_EDIT_NUMBER) continue;
    CString t = ControlText(p);
    if (t.IsEmpty()) {
      t = L"0";
      incomplete = true;
    }
    // Coordinates in millionths of a degree; a gap as it stands.
    triple += ScaledTextToSignedHex(t, p->strName.Find(L"Gap") >= 0 ? 0 : 6, 8);
    if (++inTriple == 3) {
      if (!incomplete) items += L";" + Number2(((g - 1) % 10) * 10 + idx) + L"#" + triple;
      ++idx;
      triple.Empty();
      inTriple = 0;
      incomplete = false;
    }
  }
  if (!haveGroup || g < 1 || g > 50) {
    AddLogLine(L"Group ID must be 1 to 50: nothing was sent.", TRUE);
    return;
  }
  const int code = 45 + (g - 1) / 10;
  QueueCommand(L"AT^PRG;" + m_defHeader.strI + L";" + Number2(code) + items, TRUE);
}

// ---- Record writes ----

LRESULT CBrelvanoDlg::OnSendGeofenceRecord(WPARAM, LPARAM lParam) {
  const auto* pText = reinterpret_cast<const CString*>(lParam);
  if (pText == nullptr) return 0;
  if (!m_bUpProtocol) {
    QueueTabCommand(*pText);
    return 0;
  }
  const int number = TextToInt(GetField(*pText, 1, L'#'));
  const CString values = GetField(*pText, 2, L'#');
  int code = 0;
  int index = 0;
  if (!GeofenceCodeIndex(number, &code, &index)) {
    CString line;
    line.Format(L"Geofence %d has no place in the device (1 to 1055): nothing was sent.", number);
    AddLogLine(line, TRUE);
    return 0;
  }
  m_strLastCommand = L"AT^PRG;" + m_defHeader.strI + L";" + Number2(code) + L";" + Number2(index) + L"#" + values + L"\r";
  QueueCommand(m_strLastCommand, FALSE);
  return 0;
}

LRESULT CBrelvanoDlg::OnSendBleRecord(WPARAM, LPARAM lParam) {
  const auto* pText = reinterpret_cast<const CString*>(lParam);
  if (pText == nullptr) return 0;
  if (!m_bUpProtocol) {
    QueueTabCommand(*pText);
    return 0;
  }
  const int slot = TextToInt(GetField(*pText, 1, L'#'));
  // The page's text ends in its own carriage return; the write line gets exactly one.
  CString values = GetField(*pText, 2, L'#');
  values.Remove(L'\r');
  values.Remove(L'\n');
  if (slot < 1 || slot > std::min(g_nBleCount, kBleSlotsAddressed)) {
    CString line;
    line.Format(L"BLE record %d has no place in the device: nothing was sent.", slot);
    AddLogLine(line, TRUE);
    return 0;
  }
  m_strLastCommand = L"AT^PRG;" + m_defHeader.strI + L";41;" + Number2(slot - 1) + L"#" + values + L"\r";
  QueueCommand(m_strLastCommand, FALSE);
  return 0;
}

LRESULT CBrelvanoDlg::OnWritePolygonZone(WPARAM wParam, LPARAM) {
  const auto* pZone = reinterpret_cast<const POLYGON_INFO*>(wParam);
  if (pZone == nullptr) return 0;
  if (pZone->nIndex < 1 || pZone->nIndex > 30) {
    CString line;
    line.Format(L"Zone %d has no place in the device (1 to 30): nothing was sent.", pZone->nIndex);
    AddLogLine(line, TRUE);
    return 0;
  }
  const CString line = L"AT^PRG;" + m_defHeader.strI + L";53;" + Number2(pZone->nIndex - 1) + L"#" + EncodeZoneValue(*pZone);
  m_nPolygonWriteStep = 1;
  QueueCommand(line, TRUE);
  return 0;
}

LRESULT CBrelvanoDlg::OnWritePolygonPoints(WPARAM wParam, LPARAM lParam) {
  const auto* pZone = reinterpret_cast<const POLYGON_INFO*>(wParam);
  const auto* pText = reinterpret_cast<const CString*>(lParam);
  if (pZone == nullptr || pText == nullptr) return 0;
  if (!m_bMoreLines) {
    if (pZone->nIndex < 1 || pZone->nIndex > 30 || pZone->nPointCount > kMaxZonePoints) {
      CString line;
      line.Format(L"Zone %d with %d points has no place in the device (zones 1 to 30, 100 points): nothing was sent.",
                  pZone->nIndex, pZone->nPointCount);
      AddLogLine(line, TRUE);
      return 0;
    }
    // The continuation lines are built from these copies.
    if (pZone != &m_pointWriteZone) m_pointWriteZone = *pZone;
    if (pText != &m_strPointWriteText) m_strPointWriteText = *pText;
    m_nLinesLeft = m_pointWriteZone.nPointCount > 0 ? (m_pointWriteZone.nPointCount - 1) / kItemsPerLine : 0;
    m_nNextItem = 0;
  }
  const int count = m_pointWriteZone.nPointCount;
  CString line = L"AT^PRG;" + m_defHeader.strI + L";" + Number2(m_pointWriteZone.nIndex + 59);
  m_bMoreLines = FALSE;
  for (int k = m_nNextItem; k < count; ++k) {
    const CString lng = GetField(m_strPointWriteText, 2 * k + 1, L'@');
    const CString lat = GetField(m_strPointWriteText, 2 * k + 2, L'@');
    line += EncodePointItem(k, lat, lng);
    if (k == count - 1) break;
    if ((k + 1) % kItemsPerLine == 0) {
      m_nNextItem = k + 1;
      m_bMoreLines = TRUE;
      break;
    }
  }
  m_nPolygonWriteStep = 2;
  QueueCommand(line, TRUE);
  return 0;
}

// ---- Record coders on this definition ----

CString CBrelvanoDlg::BuildPrgValueLines(GEOFENCE_INFO rec) { return ::BuildPrgValueLines(rec, m_bUpProtocol); }

CString CBrelvanoDlg::BuildBlePrgValueLines(BLE_INFO rec) { return ::BuildBlePrgValueLines(rec, m_bUpProtocol); }

BOOL CBrelvanoDlg::DecodeGeofenceExtraValues(CString values, GEOFENCE_INFO* pRec) {
  return ::DecodeGeofenceExtraValues(NumberedDefinition(), values, pRec);
}

BOOL CBrelvanoDlg::DecodeBleValues(CString values, BLE_INFO* pRec) {
  return ::DecodeBleValues(NumberedDefinition(), values, pRec);
}

void CBrelvanoDlg::DecodePolygonExtraValues(CString code, int nZone, CString values) {
  if (m_pPolygonTable == nullptr || nZone < 0 || nZone >= m_nPolygonMax) return;
  ::DecodePolygonExtraValues(NumberedDefinition(), code, m_pPolygonTable[nZone], values);
}

CString CBrelvanoDlg::RowValuesToHex(CString code) { return ::RowValuesToHex(NumberedDefinition(), code); }

BOOL CBrelvanoDlg::FindEnableValue(int code, CString id) { return ::FindEnableValue(NumberedDefinition(), code, id); }

CString CBrelvanoDlg::FindRowValue(CString code, int n) { return ::FindRowValue(NumberedDefinition(), code, n); }
