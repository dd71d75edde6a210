// Text profiles of the numbered-parameter set. Saving reads the readable pages from the device and
// writes "MODEL=", "VERSION=" and, page by page, the PRG lines that write the page's values back
// ("GPS,PRG;;05;01#30;03#1"). Changing checks the model and version, puts the values into the
// model's tables and pages, and sends each PRG line with "AT^" in front, one per answer, between
// the profile transfer's start and end commands.
#include <algorithm>

#include "gui/dlg/bledlg.h"
#include "gui/dlg/brelvanodlg.h"
#include "gui/dlg/brelvanodlg_helpers.h"
#include "gui/dlg/geofencedlg.h"
#include "gui/dlg/profileload.h"
#include "gui/dlg/settingdlg.h"
#include "gui/dlg/valuecodec.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/modal.h"
#include "platform/trace.h"

using brelvano::HasWindow;
using brelvano::Two;

namespace {
// Texts of the language library.
constexpr UINT kTextInvalidProfile = 1005;
constexpr UINT kTextProfileFailed = 1006;
constexpr UINT kTextProfileChanged = 1007;
constexpr UINT kTextProfileSaved = 1022;

constexpr UINT kReplyWatchdogMs = 1000;
// Items of a record, list or geofence line; list positions of a generic line; points of a line.
constexpr int kRecordItemsPerLine = 19;
constexpr int kParamsPerLine = 20;
constexpr int kPointsPerLine = 20;
constexpr int kListEntries = 300;
constexpr int kRecordEntries = 500;
constexpr int kZoneCode = 53;
// A zone's point list holds 100 points.
constexpr int kMaxZonePoints = 100;
constexpr int kFirstPointCode = 60;
constexpr int kBleCode = 41;
// A geofence item's value: latitude 8, longitude 8, radius 4, entry 2 and exit 2 characters.
constexpr int kGeofenceValueChars = 24;
// A zone item's value: point count and the two list flags, two characters each.
constexpr int kZoneValueChars = 6;

// Collects items into lines of one code: a new line starts where the code changes and after
// nPerLine items.
class LineCollector {
 public:
  LineCollector(const CString& hdr, int nPerLine) : m_hdr(hdr), m_perLine(nPerLine) {}
  void Add(int code, const CString& nn, const CString& value) {
    if (m_items > 0 && (code != m_code || m_items >= m_perLine)) Flush();
    if (m_items == 0) {
      m_code = code;
      m_line = m_hdr + L",PRG;;" + Two(code);
    }
    m_line += L";" + nn + L"#" + value;
    ++m_items;
  }
  CString Finish() {
    Flush();
    return m_out;
  }

 private:
  void Flush() {
    if (m_items > 0) m_out += m_line + L"\r\n";
    m_items = 0;
  }
  CString m_hdr;
  int m_perLine;
  int m_code = -1;
  int m_items = 0;
  CString m_line;
  CString m_out;
};

// One item of a profile line: its element number text and its value.
struct ProfileItem {
  CString nn;
  CString value;
};

// The items of a profile line (fields from the fourth on); a field without "#" is no item.
std::vector<ProfileItem> LineItems(const CString& line) {
  std::vector<ProfileItem> out;
  const int fields = GUI_Base::CountFields(line, L';');
  for (int i = 4; i <= fields; ++i) {
    const CString field = GUI_Base::GetField(line, i, L';');
    const int hash = field.Find(L'#');
    if (hash < 0) {
      out.push_back({field, CString()});
      continue;
    }
    out.push_back({field.Left(hash), field.Mid(hash + 1)});
  }
  return out;
}

CString HeaderWord(const CString& line) {
  const int comma = line.Find(L',');
  return comma < 0 ? line : line.Left(comma);
}

// The first "#" value of an encoded record ("nn#value", the value up to a further "#").
void SplitEncoded(const CString& encoded, CString& nn, CString& value) {
  const int hash = encoded.Find(L'#');
  nn = hash < 0 ? encoded : encoded.Left(hash);
  value = hash < 0 ? CString() : encoded.Mid(hash + 1);
  const int next = value.Find(L'#');
  if (next >= 0) value = value.Left(next);
}
}  // namespace

// ---- Save ----

namespace {
// Waits for the answer to a read of the save under the reply watchdog; FALSE when the session
// ended or the device did not answer.
BOOL WaitProfileRead(CBrelvanoDlg* d) {
  d->m_nWatchdogTicks = 0;
  d->m_bReplyTimeout = FALSE;
  d->SetTimer(TIMER_REPLY_WATCHDOG, kReplyWatchdogMs);
  const BOOL bAnswered = d->WaitForReply(d->m_hReadDoneEvent);
  if (d->GetSafeHwnd() != nullptr) d->KillTimer(TIMER_REPLY_WATCHDOG);
  return bAnswered && !d->m_bReplyTimeout;
}
}  // namespace

LRESULT CBrelvanoDlg::OnSaveTextProfile(WPARAM wParam, LPARAM lParam) {
  (void)wParam;
  const CString path = lParam != 0 ? CString(reinterpret_cast<const wchar_t*>(lParam)) : CString();
  m_bProfileReading = FALSE;
  m_bTextProfileSaving = TRUE;
  const unsigned generation = m_nSessionGeneration;
  BOOL bRead = TRUE;
  if (!m_bOpenedFromFile) bRead = ReadTextProfilePages();
  if (generation != m_nSessionGeneration) {
    // The session ended under the save: nothing is saved, and the next session reads and writes
    // the device again.
    m_bTextProfileSaving = FALSE;
    return 0;
  }
  if (!bRead) {
    m_bTextProfileSaving = FALSE;
    // A page the device did not answer would be saved with values it does not hold.
    AddLogLine(L"Error: the device did not answer the profile read; no profile was saved", TRUE);
    return 0;
  }
  CString text = L"MODEL=" + m_defHeader.strS + L"\r\nVERSION=" + m_defHeader.strV + L"\r\n";
  for (int t = 0; t < m_nTabCount - 2 && t < kMaxTabs; ++t) text += TextProfilePageLines(t);
  m_bTextProfileSaving = FALSE;
  if (!platform::WriteWholeFile(path, text.ToUtf8())) {
    TRACE(L"Profile File Open Fail\n");
    AfxMessageBox(L"The profile file could not be written:\n" + path, MB_OK | MB_ICONERROR);
    return 0;
  }
  AddLogLine(m_language.LoadString(kTextProfileSaved), TRUE);
  return 0;
}

BOOL CBrelvanoDlg::ReadTextProfilePages() {
  BOOL bList = FALSE, bPolygon = FALSE, bGeofence = FALSE, bRecord = FALSE, bBle = FALSE;
  for (int t = 0; t < m_nTabCount && t < kMaxTabs; ++t) {
    switch (m_tabInfo[t].nType) {
      case 21: bList = TRUE; break;
      case TAB_TYPE_POLYGON: bPolygon = TRUE; break;
      case TAB_TYPE_GEOFENCE: bGeofence = TRUE; break;
      case TAB_TYPE_GAP_GROUP: bRecord = TRUE; break;
      case TAB_TYPE_BLE: bBle = TRUE; break;
      default: break;
    }
  }
  if (bList) {
    const int n = std::min(std::max(m_deviceInfo.nDMax, 0), kListEntries);
    for (int i = 0; i < n; ++i) m_profileListValues[i].Empty();
    ResetEvent(m_hReadDoneEvent);
    m_bMoreLines = FALSE;
    SendListReadRequest();
    if (!WaitProfileRead(this)) return FALSE;
  }
  if (bPolygon && !ReadProfileZonePoints()) return FALSE;
  if (bGeofence) {
    StartGeofenceRead();
    ResetEvent(m_hReadDoneEvent);
    if (!WaitProfileRead(this)) return FALSE;
  }
  if (bRecord) {
    for (CString& v : m_profileRecordValues) v.Empty();
    EndNumberedRead();
    SendRecordReadRequest();
    ResetEvent(m_hReadDoneEvent);
    if (!WaitProfileRead(this)) return FALSE;
  }
  if (bBle) {
    StartBleRead();
    ResetEvent(m_hReadDoneEvent);
    if (!WaitProfileRead(this)) return FALSE;
  }
  return TRUE;
}

BOOL CBrelvanoDlg::ReadProfileZonePoints() {
  delete[] m_pPolygonPointLists;
  m_pPolygonPointLists = new POLYGON_POINT_LIST[kPointListZones];
  EndNumberedRead();
  for (int z = 0; z < kPointListZones; ++z) {
    if (!SendProfileReadRequest(z)) continue;  // a zone without points
    ResetEvent(m_hReadDoneEvent);
    if (!WaitProfileRead(this)) return FALSE;
    if (m_bReqMore) --z;  // the zone's further points
  }
  return TRUE;
}

CString CBrelvanoDlg::TextProfilePageLines(int nTab) {
  const TAB_INFO& tab = m_tabInfo[nTab];
  CPtrList* pList = m_pParamLists != nullptr ? &m_pParamLists[nTab] : nullptr;
  CString out = TextProfileOwnLines(nTab, pList);
  // Every assignment tab, whatever its page, ends with its assignment bits.
  if (tab.bAssign == 1 && pList != nullptr) {
    TAB_INFO copy = tab;
    const CString rmap = WriteRmapTab(pList, &copy);
    if (!rmap.IsEmpty()) out += rmap + L"\r\n";
  }
  return out;
}

CString CBrelvanoDlg::TextProfileOwnLines(int nTab, CPtrList* pList) {
  const TAB_INFO& tab = m_tabInfo[nTab];
  switch (tab.nType) {
    case 7:
    case 18:
    case 22:
    case 23:
    case 26:
    case 35:
      return CString();
    case TAB_TYPE_POLYGON:
      return BuildProfilePrgLines(tab.strHdr);
    case TAB_TYPE_GEOFENCE:
      return GeofenceProfileLines(tab.strHdr);
    case TAB_TYPE_BLE:
      return BleProfileLines(tab.strHdr);
    case 21: {
      if (m_bOpenedFromFile) return CString();
      LineCollector lines(tab.strHdr, kRecordItemsPerLine);
      const int n = std::min(std::max(m_deviceInfo.nDMax, 0), kListEntries);
      for (int p = 0; p < n; ++p) {
        CString& entry = m_profileListValues[p];
        entry.Trim();
        entry.MakeUpper();
        if (entry.IsEmpty() || entry == L"NODATA") continue;
        lines.Add(p < 100 ? 18 : (p < 200 ? 38 : 39), Two(p % 100), entry);
      }
      return lines.Finish();
    }
    case TAB_TYPE_GAP_GROUP: {
      if (m_bOpenedFromFile) return CString();
      LineCollector lines(tab.strHdr, kRecordItemsPerLine);
      for (int p = 0; p < kRecordEntries; ++p) {
        if (m_profileRecordValues[p] == L"NoData") continue;
        lines.Add(tab.nTabId + p / 100, Two(p % 100), m_profileRecordValues[p]);
      }
      return lines.Finish();
    }
    default:
      break;
  }
  // A generic page: one line per 20 list positions, written even without items.
  CString out;
  CString line = tab.strHdr + L",PRG;;" + Two(tab.nTabId);
  int k = 0;
  const int count = pList != nullptr ? static_cast<int>(pList->GetCount()) : 0;
  for (POSITION pos = pList != nullptr ? pList->GetHeadPosition() : nullptr; pos != nullptr; ++k) {
    const auto* p = static_cast<const PARAM_INFO*>(pList->GetNext(pos));
    CString value;
    if (p != nullptr && TextProfileValue(*p, value)) line += L";" + Two(p->nId) + L"#" + value;
    if ((k + 1) % kParamsPerLine == 0 && k + 1 < count) {
      out += line + L"\r\n";
      line = tab.strHdr + L",PRG;;" + Two(tab.nTabId);
    }
  }
  out += line + L"\r\n";
  return out;
}

BOOL CBrelvanoDlg::TextProfileValue(const PARAM_INFO& p, CString& value) {
  const BOOL bJson = m_deviceInfo.bJsonParam != 0;
  switch (p.nCtrlType) {
    case CTRL_COMBO:
      if (!bJson) {
        value = p.strValue;
        return TRUE;
      }
      {
        const int option = brelvano::DecodeComboChoice(p, p.strValue, brelvano::ComboForm::kLabel);
        if (option < 0) return FALSE;  // a value that matches no option is not written
        value = brelvano::ComboChoiceToDevice(p, option, brelvano::ComboForm::kLabel);
        return TRUE;
      }
    case CTRL_EDIT:
    case CTRL_PASSWD:
    case CTRL_IP:
    case CTRL_EDIT_BUTTON:
    case CTRL_EDIT_NUMBER:
      value = p.strValue;
      return TRUE;
    case CTRL_ALERT_ID: {
      value.Format(L"%02X", TextToInt(p.strValue));
      value += brelvano::AlertNumberToDevice(p.strAlertId, bJson);
      return TRUE;
    }
    case CTRL_S_ASSIGN:
    case CTRL_M_ASSIGN:
    case CTRL_L_ASSIGN:
      value = IntToPaddedText(p.assign.nNo, 2);
      return TRUE;
    case CTRL_ANY:
      // As the tab write does: "0" for a reserved parameter, nothing otherwise.
      if (!p.bReserve) return FALSE;
      value = L"0";
      return TRUE;
    default:
      return FALSE;
  }
}

CString CBrelvanoDlg::GeofenceProfileLines(const CString& strHdr) {
  const int nSlots = std::min(std::max(g_nGeofenceCount, 0), kGeofenceSlots);
  if (HasWindow(m_pGeofenceDlg) && m_pGeofenceDlg->m_pRecords != nullptr) {
    // The table takes what the page shows (the values just read).
    for (int i = 0; i < nSlots; ++i) {
      GEOFENCE_INFO& slot = m_geofenceTable[static_cast<size_t>(i)];
      slot.nId = 0;
      slot.bUsed = 0;
      slot.strLatitude.Empty();
      slot.strLongitude.Empty();
      slot.strRadius.Empty();
      slot.strExtra.Empty();
      StoreGeofenceRecord(m_pGeofenceDlg->m_pRecords[i]);
    }
  }
  LineCollector lines(strHdr, kRecordItemsPerLine);
  for (int i = 0; i < nSlots; ++i) {
    const GEOFENCE_INFO& rec = m_geofenceTable[static_cast<size_t>(i)];
    if (rec.strLatitude.IsEmpty() || !rec.bUsed) continue;
    CString nn, value;
    SplitEncoded(BuildPrgValueLines(rec), nn, value);
    int code = 0, index = 0;
    if (!GeofenceCodeIndex(TextToInt(nn), &code, &index)) continue;  // no code for that number
    lines.Add(code, Two(index), value);
  }
  return lines.Finish();
}

CString CBrelvanoDlg::BleProfileLines(const CString& strHdr) {
  const int nSlots = std::min(std::max(g_nBleCount, 0), kBleSlots);
  if (HasWindow(m_pBleDlg) && m_pBleDlg->m_pRecords != nullptr) {
    for (int i = 0; i < nSlots; ++i) {
      BLE_INFO& slot = m_bleTable[static_cast<size_t>(i)];
      slot.nSlot = 0;
      slot.bActive = 0;
      slot.strValues.Empty();
      StoreBleRecord(m_pBleDlg->m_pRecords[i]);
    }
  }
  LineCollector lines(strHdr, kRecordItemsPerLine);
  for (int i = 0; i < nSlots; ++i) {
    const BLE_INFO& rec = m_bleTable[static_cast<size_t>(i)];
    if (!rec.bActive || rec.nSlot < 1) continue;
    CString nn, value;
    // The slot's own element number, from the 101st slot on too.
    SplitEncoded(BuildBlePrgValueLines(rec), nn, value);
    lines.Add(kBleCode, nn, value);
  }
  return lines.Finish();
}

CString CBrelvanoDlg::BuildProfilePrgLines(const CString& strHdr) {
  CString out;
  const int zones = m_pPolygonTable != nullptr ? std::min(m_nPolygonMax, kPointListZones) : 0;
  for (int z = 0; z < zones; ++z) {
    const POLYGON_INFO& zone = m_pPolygonTable[z];
    if (zone.nPointCount <= 0) continue;
    out += ZonePointLines(strHdr, z);
    out += ZoneProfileLine(strHdr, z);
  }
  return out;
}

CString CBrelvanoDlg::ZonePointLines(const CString& strHdr, int nZone) {
  if (m_pPolygonPointLists == nullptr) return CString();
  const POLYGON_POINT_LIST& list = m_pPolygonPointLists[nZone];
  const int points = std::min(m_pPolygonTable[nZone].nPointCount, kMaxZonePoints);
  CString out;
  CString line;
  for (int k = 0; k < points; ++k) {
    if (k % kPointsPerLine == 0) {
      if (k > 0) out += line + L"\r\n";
      line = strHdr + L",PRG;;" + Two(kFirstPointCode + nZone);
    }
    line += EncodePointItem(k, list.strLat[k], list.strLng[k]);
  }
  if (points > 0) out += line + L"\r\n";
  return out;
}

CString CBrelvanoDlg::ZoneProfileLine(const CString& strHdr, int nZone) {
  POLYGON_INFO zone = m_pPolygonTable[nZone];
  // The further settings go only with a zone whose settings row is switched on.
  if (!FindEnableValue(90, FindRowValue(L"53", nZone))) {
    for (CString& extra : zone.strExtra) extra.Empty();
  }
  // Only the kinds a zone line carries: whole numbers and six-decimal values.
  for (int k = 0; k < kPolygonExtras; ++k) {
    const int kind = zone.nExtraType[k];
    if (kind != CTRL_COMBO && kind != CTRL_EDIT && kind != CTRL_EDIT_NUMBER) zone.strExtra[k].Empty();
  }
  return strHdr + L",PRG;;" + Two(kZoneCode) + L";" + Two(nZone) + L"#" + EncodeZoneValue(zone) + L"\r\n";
}

// ---- Change ----

BOOL LoadTextProfile(CBrelvanoDlg* d, const CString& path) {
  d->m_textProfileLines.clear();
  std::string bytes;
  if (!platform::ReadWholeFile(path, bytes)) {
    // Nothing was started: nothing is sent.
    d->AddLogLine(d->m_language.LoadString(kTextProfileFailed), TRUE);
    return FALSE;
  }
  // A profile is UTF-8 text: a file with zero bytes (UTF-16, binary) or other bytes is not one.
  if (bytes.find('\0') != std::string::npos || !platform::IsValidUtf8(bytes)) {
    TRACE(L"Profile %s refused: not UTF-8 text\n", path);
    AfxMessageBox(d->m_language.LoadString(kTextInvalidProfile), MB_OK);
    return FALSE;
  }
  CString text = CString::FromUtf8(bytes);
  text.Remove(L'\n');
  d->SplitString(d->m_textProfileLines, text, L'\r');
  const std::vector<CString>& lines = d->m_textProfileLines;

  // The profile names the model and the version it was saved for on its first two lines; a file
  // without them is refused as one of another model or version.
  auto matches = [&](size_t n, const wchar_t* key, const CString& expected) {
    if (lines.size() <= n || lines[n].Find(key) < 0) return false;
    CString value = lines[n].Mid(lines[n].Find(key) + static_cast<int>(wcslen(key)));
    CString want = expected;
    return value.Trim() == want.Trim();
  };
  if (!matches(0, L"MODEL=", d->m_defHeader.strS)) {
    AfxMessageBox(L"Profile Not Match Model", MB_OK);
    return FALSE;
  }
  if (!matches(1, L"VERSION=", d->m_defHeader.strV)) {
    AfxMessageBox(L"Profile Not Match Version", MB_OK);
    return FALSE;
  }
  d->ApplyProfileToTables(lines);
  if (lines.size() <= 2) {
    AfxMessageBox(L"Profile Empty Data", MB_OK);
    return FALSE;
  }
  return TRUE;
}

LRESULT CBrelvanoDlg::OnChangeTextProfile(WPARAM wParam, LPARAM lParam) {
  (void)wParam;
  const CString path = lParam != 0 ? CString(reinterpret_cast<const wchar_t*>(lParam)) : CString();
  m_bReplyError = FALSE;
  if (!LoadTextProfile(this, path)) return 0;

  const unsigned generation = m_nSessionGeneration;
  BeginProfileWrite();
  const size_t count = m_textProfileLines.size();
  for (size_t n = 2; n < count; ++n) {
    const CString line = m_textProfileLines[n];
    m_bTextProfileApplying = TRUE;
    m_nWatchdogTicks = 0;
    m_bReplyTimeout = FALSE;
    const int prg = line.Find(L"PRG;");
    QueueCommand(L"AT^" + (prg >= 0 ? line.Mid(prg) : line), TRUE);
    SetTimer(TIMER_REPLY_WATCHDOG, kReplyWatchdogMs);
    ResetEvent(m_hReadDoneEvent);
    const BOOL bWaited = WaitForReply(m_hReadDoneEvent);
    if (generation != m_nSessionGeneration || GetSafeHwnd() == nullptr) {
      // The session ended under the change: the window's controls come back.
      EndProfileWrite();
      return 0;
    }
    KillTimer(TIMER_REPLY_WATCHDOG);
    if (!bWaited || m_bReplyTimeout || m_bReplyError) {
      m_bReplyError = TRUE;
      break;
    }
    m_dProgressStep = 100.0 / static_cast<double>(count / n);
    if (HasWindow(m_pSettingDlg)) {
      m_pSettingDlg->m_progress.SetPos(static_cast<int>(m_dProgressStep));
      m_pSettingDlg->m_progress.ShowWindow(SW_SHOW);
    }
  }
  EndProfileWrite();
  AddLogLine(m_language.LoadString(m_bReplyError ? kTextProfileFailed : kTextProfileChanged), TRUE);
  return 0;
}

void CBrelvanoDlg::ApplyProfileToTables(std::vector<CString> lines) {
  if (m_pParamLists == nullptr) return;
  for (int t = 0; t < m_nTabCount - 2 && t < kMaxTabs; ++t) {
    const TAB_INFO& tab = m_tabInfo[t];
    switch (tab.nType) {
      case TAB_TYPE_GEOFENCE:
        if (HasWindow(m_pGeofenceDlg)) m_pGeofenceDlg->ResetRecords();
        for (size_t n = 2; n < lines.size(); ++n)
          if (HeaderWord(lines[n]) == tab.strHdr) ParseProfileValues(lines[n]);
        continue;
      case TAB_TYPE_BLE:
        if (HasWindow(m_pBleDlg)) m_pBleDlg->ResetRecords();
        for (size_t n = 2; n < lines.size(); ++n)
          if (HeaderWord(lines[n]) == tab.strHdr) ApplyProfileBleRows(lines[n]);
        continue;
      case TAB_TYPE_POLYGON:
        for (size_t n = 2; n < lines.size(); ++n)
          if (HeaderWord(lines[n]) == tab.strHdr) ApplyProfileZoneLine(lines[n]);
        continue;
      case 21:
      case 22:
      case 23:
        continue;
      default:
        ApplyProfileToGenericTab(lines, t);
        break;
    }
  }
}

void CBrelvanoDlg::ApplyProfileToGenericTab(const std::vector<CString>& lines, int nTab) {
  const TAB_INFO& tab = m_tabInfo[nTab];
  CPtrList& list = m_pParamLists[nTab];
  CString bits;
  BOOL bBitsRead = FALSE;
  // The scan position: a line and an item of it.
  size_t scanLine = 2;
  size_t scanItem = 0;
  int position = 0;
  for (POSITION pos = list.GetHeadPosition(); pos != nullptr; ++position) {
    auto* p = static_cast<PARAM_INFO*>(list.GetNext(pos));
    if (p == nullptr) continue;
    if (p->bAssign == 1 && !bBitsRead) {
      // The assignment bits of the tab, one per list position, from its RMAP line.
      bBitsRead = TRUE;
      const CString key = L"RMAP,PRG;;" + p->strMapId.Left(2) + L";" + p->strMapId.Mid(2);
      for (const CString& line : lines) {
        if (line.Find(key) < 0) continue;
        const int hash = line.Find(L'#');
        bits = IntToBinaryText(hash >= 0 ? line.Mid(hash + 1) : CString());
        bits.MakeReverse();
        break;
      }
    }
    // The first item from the scan position with the tab's header, the parameter's code and its
    // element number; a parameter without one leaves the scan where it was.
    BOOL bFound = FALSE;
    CString value;
    size_t l = scanLine;
    size_t i = scanItem;
    for (; l < lines.size() && !bFound; ++l, i = 0) {
      const CString& line = lines[l];
      if (HeaderWord(line) != p->strHdr && HeaderWord(line) != tab.strHdr) continue;
      if (TextToInt(GetField(line, 3, L';')) != p->nTabId || GetField(line, 3, L';').IsEmpty()) continue;
      const std::vector<ProfileItem> items = LineItems(line);
      for (; i < items.size(); ++i) {
        if (items[i].nn.IsEmpty() || !IsNumber(items[i].nn) || TextToInt(items[i].nn) != p->nId) continue;
        value = items[i].value;
        bFound = TRUE;
        scanLine = l;
        scanItem = i + 1;
        break;
      }
    }
    if (!bFound) continue;
    switch (p->nCtrlType) {
      case CTRL_COMBO:
        if (m_deviceInfo.bJsonParam) {
          const int option = brelvano::ComboChoiceFromDevice(*p, value, brelvano::ComboForm::kLabel);
          if (option >= 0) p->strValue = brelvano::EncodeComboChoice(*p, option, brelvano::ComboForm::kLabel);
        } else {
          p->strValue = value;
        }
        break;
      case CTRL_EDIT:
      case CTRL_PASSWD:
      case CTRL_IP:
      case CTRL_EDIT_BUTTON:
      case CTRL_EDIT_NUMBER:
        p->strValue = value;
        break;
      case CTRL_ALERT_ID:
        p->strValue = value.Left(2);
        // The alert number is kept whether or not its page is shown.
        p->strAlertId = brelvano::AlertNumberFromDevice(value.Mid(2), m_deviceInfo.bJsonParam != 0);
        break;
      case CTRL_S_ASSIGN:
      case CTRL_M_ASSIGN:
      case CTRL_L_ASSIGN:
        p->assign.nNo = HexTextToLong(value);
        p->assign.bValid = p->assign.nNo != 0 ? TRUE : FALSE;
        // A bit the map does not hold reads as 0.
        p->strValue = position < bits.GetLength() ? CString(bits[position]) : CString(L"0");
        break;
      default:
        break;
    }
  }
}

void CBrelvanoDlg::ParseProfileValues(const CString& strLine) {
  if (!HasWindow(m_pGeofenceDlg)) return;
  const int code = TextToInt(GetField(strLine, 3, L';'));
  const DefinitionView def = NumberedDefinition();
  for (const ProfileItem& item : LineItems(strLine)) {
    // An item with a short value or no element number is left out.
    if (!IsNumber(item.nn) || item.value.GetLength() < kGeofenceValueChars) {
      TRACE(L"profile geofence item '%s' skipped\n", item.nn);
      continue;
    }
    GEOFENCE_INFO rec;
    if (!DecodeGeofenceItem(def, code, TextToInt(item.nn), item.value, rec)) continue;
    if (rec.nId < 1 || rec.nId > g_nGeofenceCount) continue;
    m_pGeofenceDlg->StoreRecord(rec);
    StoreGeofenceRecord(rec);
  }
}

void CBrelvanoDlg::ApplyProfileBleRows(const CString& strLine) {
  if (TextToInt(GetField(strLine, 3, L';')) != kBleCode) return;
  const DefinitionView def = NumberedDefinition();
  for (const ProfileItem& item : LineItems(strLine)) {
    if (!IsNumber(item.nn) || item.value.GetLength() < 2) continue;
    BLE_INFO rec;
    if (!DecodeBleItem(def, TextToInt(item.nn), item.value, rec) || rec.nSlot > g_nBleCount) continue;
    if (HasWindow(m_pBleDlg)) m_pBleDlg->StoreRecord(rec);
    StoreBleRecord(rec);
  }
}

void CBrelvanoDlg::ApplyProfileZoneLine(const CString& strLine) {
  if (TextToInt(GetField(strLine, 3, L';')) != kZoneCode || m_pPolygonTable == nullptr) return;
  const std::vector<ProfileItem> items = LineItems(strLine);
  if (items.empty()) return;
  const ProfileItem& item = items.front();
  const int z = TextToInt(item.nn);
  // A zone the table does not hold, or a value too short for its fields, is left out.
  if (!IsNumber(item.nn) || z < 0 || z >= std::min(m_nPolygonMax, kPointListZones) || item.value.GetLength() < kZoneValueChars) {
    TRACE(L"profile zone item '%s' skipped\n", item.nn);
    return;
  }
  POLYGON_INFO& zone = m_pPolygonTable[z];
  zone.nIndex = z + 1;
  zone.nPointCount = HexTextToLong(item.value.Mid(0, 2));
  zone.bUpRole1 = HexTextToLong(item.value.Mid(2, 2));
  zone.bUpRole2 = HexTextToLong(item.value.Mid(4, 2));
}
