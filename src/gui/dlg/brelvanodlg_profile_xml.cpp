// XML profiles of the $-command set. Saving reads from the device the lists the pages do not hold
// (polygon zones with their points, circular geofences, access points, driver identifiers), each
// read with a time limit, then writes the file (UTF-16LE with its byte-order mark, CR LF lines, tab
// indentation, markup characters escaped): one group per generic page with the page's values, then
// the polygon, geofence and access-point groups. Changing reads the file back into command lines
// and hands them to the profile transfer.
#include <algorithm>

#include "gui/dlg/brelvanodlg.h"
#include "gui/dlg/brelvanodlg_helpers.h"
#include "gui/dlg/geofencedlg.h"
#include "gui/dlg/polygonrecords.h"
#include "gui/dlg/profileload.h"
#include "gui/dlg/profilexmltext.h"
#include "gui/dlg/settingdlg.h"
#include "gui/dlg/valuecodec.h"
#include "gui/dlg/xmltree.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/modal.h"
#include "platform/pumpwait.h"
#include "platform/trace.h"

using brelvano::HasWindow;
using brelvano::Int;

namespace {
// Texts of the language library.
constexpr UINT kTextInvalidProfile = 1005;
constexpr UINT kTextWrongProfile = 1019;
constexpr UINT kTextProfileSaved = 1022;
constexpr UINT kTextAuthentication = 1129;
constexpr UINT kTextAutomatic = 1132;
constexpr UINT kTextServerType = 1229;
constexpr UINT kTextBackupServerType = 1230;

// A read of the save that the device does not answer within this time ends the save.
constexpr DWORD kProfileReadMs = 10000;
constexpr UINT kApReadMs = 1500;
constexpr double kAtPrefixFirmware = 100.0;
constexpr const wchar_t kDefaultDevicePassword[] = L"7391";
constexpr const wchar_t kNumericServerTypeModel[] = L"VR325";

CString Line(int nTabs, const CString& text) {
  CString out;
  for (int i = 0; i < nTabs; ++i) out += L"\t";
  return out + text + L"\r\n";
}

CString Element(int nTabs, const CString& text) { return Line(nTabs, L"<ele>" + EscapeProfileXml(text) + L"</ele>"); }

CString Attribute(const wchar_t* name, const CString& value) { return CString(L" ") + name + L"=\"" + EscapeProfileXml(value) + L"\""; }

// An attribute's value with the standard entities decoded; null when there is none.
bool ProfileAttribute(const XmlIterator& it, const wchar_t* name, CString& value) {
  const CString* v = it.GetAttribute(name);
  if (v == nullptr) return false;
  value = DecodeProfileXmlEntities(*v);
  return true;
}

// Waits for an event of a profile read, at most ms; 0 answered, 1 no answer in time, 2 the session
// ended, the device started again (its definition is read anew) or the window went meanwhile.
int WaitProfileEvent(CBrelvanoDlg* d, HANDLE hEvent, DWORD ms) {
  if (hEvent == nullptr) return 1;
  const unsigned generation = d->m_nSessionGeneration;
  const unsigned model = d->m_nModelGeneration;
  const uint64_t deadline = platform::GetClock().NowMs() + ms;
  while (platform::GetClock().NowMs() < deadline) {
    const DWORD result = platform::WaitPumping(hEvent, 1);
    if (generation != d->m_nSessionGeneration || model != d->m_nModelGeneration || d->GetSafeHwnd() == nullptr)
      return 2;
    if (result == WAIT_OBJECT_0) return 0;
    if (result == WAIT_FAILED) return 1;
  }
  return 1;
}
}  // namespace

// ---- Save: the reads ----

// Sends a polygon request framed for the command tab, at once.
static void SendPolygonRequest(CBrelvanoDlg* d, const CString& text) {
  d->m_strLastCommand = d->BuildTabCommand(text, d->m_nCmdTab);
  if (d->m_dFirmwareVersion >= kAtPrefixFirmware || d->m_bNewFirmware) d->m_strLastCommand = L"AT^" + d->m_strLastCommand;
  d->TransmitCommand(d->m_strLastCommand);
}

// The zones with their points. FALSE when a read was not answered in time; nZonesRead counts the
// zones whose points were read.
static int ReadXmlProfilePolygons(CBrelvanoDlg* d, int& nZonesRead) {
  d->m_nPolygonFirst = d->m_nPolygonMin;
  // The zone settings replies are stored from the first zone on.
  d->m_nPolygonReadIndex = d->m_nPolygonMin;
  d->m_bProfileReading = TRUE;
  d->ResetPolygonTable();
  if (d->m_bPolygonServiceSeen) {
    d->m_bPolygonServiceEnable = FALSE;
    d->m_nPolygonServiceValue = 0;
    if (d->m_nPolygonFirst != 0) {
      ResetEvent(d->m_hPolygonReadEvent);
      SendPolygonRequest(d, L"PLC;GetPolygonServiceInfo");
      if (const int r = WaitProfileEvent(d, d->m_hPolygonReadEvent, kProfileReadMs)) return r;
    }
  }
  if (d->m_nPolygonFirst != 0 && !d->m_bUpProtocol) {
    ResetEvent(d->m_hPolygonReadEvent);
    SendPolygonRequest(d, L"PLC;GetPolygonGroupInfo;" + Int(d->m_nPolygonFirst));
    if (const int r = WaitProfileEvent(d, d->m_hPolygonReadEvent, kProfileReadMs)) return r;
  }
  for (int i = 0; d->m_pPolygonTable != nullptr && i < d->m_nPolygonMax; ++i) {
    const POLYGON_INFO& zone = d->m_pPolygonTable[i];
    // A zone the point tables do not hold is not read.
    if (zone.nPointCount <= 0 || zone.nIndex < 1 || zone.nIndex > d->m_nPolygonMax) continue;
    d->m_nPolygonReadZone = zone.nIndex;
    ResetEvent(d->m_hPolygonReadEvent);
    SendPolygonRequest(d, L"PLC;GetPolygonGroupPos;" + Int(zone.nIndex));
    if (HasWindow(d->m_pSettingDlg)) {
      CSettingDialog* page = d->m_pSettingDlg;
      page->m_nPointBlocksRead = 0;
      page->m_nPointBlockCount = brelvano::PolygonBlockCount(zone.nPointCount);
      delete[] page->m_pPointBlocks;
      page->m_pPointBlocks = new POLYGON_POINT_BLOCK[static_cast<size_t>(page->m_nPointBlockCount)];
    }
    if (const int r = WaitProfileEvent(d, d->m_hPolygonReadEvent, kProfileReadMs)) return r;
    ++nZonesRead;
  }
  return 0;
}

static int ReadXmlProfileGeofences(CBrelvanoDlg* d) {
  for (GEOFENCE_INFO& rec : d->m_geofenceTable) {
    rec.nId = 0;
    rec.bUsed = 0;
    rec.strLatitude.Empty();
    rec.strLongitude.Empty();
    rec.strRadius.Empty();
    rec.strExtra.Empty();
  }
  d->m_strLastCommand = d->m_bAtPrefix ? L"AT^$PVRRGEO\r" : L"$PVRRGEO\r";
  ResetEvent(d->m_hGeofenceReadEvent);
  d->TransmitCommand(d->m_strLastCommand);
  const int result = WaitProfileEvent(d, d->m_hGeofenceReadEvent, kProfileReadMs);
  // A definition opened from a file edits its geofences on the page only: the table takes what the
  // page shows, so that the profile holds them.
  if (result == 0 && g_bFileMode && HasWindow(d->m_pGeofenceDlg) && d->m_pGeofenceDlg->m_pRecords != nullptr) {
    for (int i = 0; i < kGeofenceSlots; ++i) d->StoreGeofenceRecord(d->m_pGeofenceDlg->m_pRecords[i]);
  }
  return result;
}

static int ReadXmlProfileAccessPoints(CBrelvanoDlg* d) {
  if (HasWindow(d->m_pSettingDlg)) d->m_pSettingDlg->m_arrPresets.RemoveAll();
  // The total announced by an earlier read describes the lines just emptied, not this device.
  d->m_nApTotal = 0;
  d->SetTimer(TIMER_AP_READ, kApReadMs);
  d->m_strLastCommand = L"AT^$PVRRAP\r";
  ResetEvent(d->m_hApListReadEvent);
  d->TransmitCommand(d->m_strLastCommand);
  // The list's own timer ends the read when the device has no access points to announce.
  const int r = WaitProfileEvent(d, d->m_hApListReadEvent, kProfileReadMs);
  if (d->GetSafeHwnd() != nullptr) d->KillTimer(TIMER_AP_READ);
  return r;
}

static int ReadXmlProfileDriverIds(CBrelvanoDlg* d) {
  for (CString& entry : d->m_arrDriverIds) entry.Empty();
  d->m_nDriverIdCount = 0;
  if (TextToInt(d->m_deviceInfo.strVersion) > 278 || d->m_bNewFirmware) {
    d->m_strLastCommand = L"$PVRGDID\r";
  } else {
    d->m_strLastCommand.Format(L"AT^%sHGD;;02;ALL\r", d->m_defHeader.strS);
    // The ;Res parser takes the older list's lines as the answer to the pending "HGD" command.
    d->m_strCmdHeader = L"HGD";
    d->m_strCmdBody.Empty();
  }
  ResetEvent(d->m_hDriverIdReadEvent);
  d->TransmitCommand(d->m_strLastCommand);
  d->m_bProfileReading = TRUE;
  // The list replies store their entries only while this is set.
  d->m_bSavingXmlProfile = TRUE;
  const int r = WaitProfileEvent(d, d->m_hDriverIdReadEvent, kProfileReadMs);
  d->m_bSavingXmlProfile = FALSE;
  return r;
}

// ---- Save: the elements ----

// The elements of a generic page (no driver-identifier list).
static CString GenericPageElements(CBrelvanoDlg* d, int nTab) {
  CPtrList& list = d->m_pParamLists[nTab];
  auto text = [d](UINT id) { return d->m_language.LoadString(id); };
  const int count = static_cast<int>(list.GetCount());
  CString out;
  int position = 0;
  for (POSITION pos = list.GetHeadPosition(); pos != nullptr; ++position) {
    const auto* p = static_cast<const PARAM_INFO*>(list.GetNext(pos));
    if (p == nullptr) continue;
    CString value;
    switch (p->nCtrlType) {
      case CTRL_COMBO: {
        // The $-command set keeps a choice as its option's label.
        const int chosen = brelvano::DecodeComboChoice(*p, p->strValue, brelvano::ComboForm::kLabel);
        if (chosen < 0) break;
        const PARAM_OPTION* option = &p->pOptions[chosen];
        const CString name = d->Translate(p->strName);
        if ((name.Find(text(kTextServerType)) >= 0 || name.Find(text(kTextBackupServerType)) >= 0) &&
            d->m_defHeader.strS != kNumericServerTypeModel) {
          value = p->strValue == L"TCP" ? L"T" : (p->strValue == L"UDP" ? L"U" : L"");
        } else if (name.Find(text(kTextAuthentication)) >= 0 && d->Translate(p->strValue) == text(kTextAutomatic)) {
          value = L"A";
        } else {
          value = Int(option->nValue);
        }
        break;
      }
      case CTRL_EDIT:
      case CTRL_PASSWD:
      case CTRL_IP:
      case CTRL_EDIT_NUMBER:
        value = p->strValue;
        break;
      case CTRL_ANY:
        if (p->bReserve) value = L"0";
        break;
      default:
        continue;  // no element
    }
    // A DUVO device takes its default password where the last parameter gave none.
    if (value.IsEmpty() && position == count - 1 && d->m_deviceInfo.strBuyer == L"DUVO") value = kDefaultDevicePassword;
    out += Element(3, value);
  }
  return out;
}

// The elements of a driver-identifier page: the removal of the device's list, then the entries read,
// up to the first empty one. Only the first such page carries them; a second would add every entry
// to the device twice.
static CString DriverIdElements(CBrelvanoDlg* d, BOOL& bWritten) {
  if (bWritten) return CString();
  bWritten = TRUE;
  CString out = Element(3, L"RemoveAllDriverID");
  for (const CString& entry : d->m_arrDriverIds) {
    if (entry.IsEmpty()) break;
    out += Element(3, entry);
  }
  return out;
}

// The text of one geofence element.
static CString GeofenceElementText(CBrelvanoDlg* d, const GEOFENCE_INFO& rec) {
  CString text;
  if (d->m_dFirmwareVersion < kAtPrefixFirmware && !d->m_bNewFirmware) {
    const CString& order = d->m_geoGroup.strOrd;
    for (int i = 0; i < order.GetLength(); ++i) {
      if (i > 0) text += L";";
      switch (order[i]) {
        case L'D': text += Int(rec.nId); break;
        case L'A': text += Int(rec.bUsed); break;
        case L'T': text += rec.strLatitude; break;
        case L'G': text += rec.strLongitude; break;
        case L'R': text += rec.strRadius; break;
        case L'I': text += Int(rec.bIn); break;
        case L'O': text += Int(rec.bOut); break;
        default: break;  // a letter without a field of its own gives an empty field
      }
    }
  } else {
    text = Int(rec.nId) + L";" + Int(rec.bUsed) + L";" + rec.strLatitude + L";" + rec.strLongitude + L";" + rec.strRadius +
           L";" + Int(rec.bIn) + L";" + Int(rec.bOut) + rec.strExtra;
  }
  if (d->m_deviceInfo.strBuyer == L"DUVO") text += CString(L";") + kDefaultDevicePassword;
  return text;
}

CString CBrelvanoDlg::FormatPolygonZone(const POLYGON_INFO& zone, int total) {
  CString s = L"1;" + Int(total) + L";" + Int(zone.nIndex) + L";" + Int(zone.nRole1) + L";" + zone.strRole2 + L";" +
              zone.strRole3 + L";" + Int(zone.nRole4) + L";" + zone.strRole5 + L";" + zone.strRole6 + L";" + zone.strRole7 +
              L";" + Int(zone.nRole8) + L";" + zone.strRole9 + L";" + Int(zone.nRole10) + L";" + zone.strRole11;
  for (const CString& extra : zone.strExtra)
    if (!extra.IsEmpty()) s += L";" + extra;
  return s;
}

CString CBrelvanoDlg::FormatPolygonGroup(const POLYGON_POINT_BLOCK& block, int nPacket, int total) {
  CString s = Int(nPacket) + L";" + Int(total) + L";" + Int(block.nPolygonIndex);
  for (const auto& point : block.point) s += L";" + point.strLng + L";" + point.strLat;
  return s;
}

CString CBrelvanoDlg::FormatIntTriple(int a, int b, int c) {
  return Int(a) + L";" + Int(a) + L";" + Int(b) + L";" + Int(c);
}

// The polygon group's zone list: per zone its zone packet, point packets and end packet.
static CString PolygonZoneElements(CBrelvanoDlg* d) {
  CString out;
  for (int i = 0; d->m_pPolygonTable != nullptr && i < d->m_nPolygonMax; ++i) {
    const POLYGON_INFO& zone = d->m_pPolygonTable[i];
    if (zone.nPointCount <= 0 || zone.nIndex < 1 || zone.nIndex > d->m_nPolygonMax) continue;
    const int blocks = brelvano::PolygonBlockCount(zone.nPointCount);
    const int total = blocks + 2;
    out += Element(4, CBrelvanoDlg::FormatPolygonZone(zone, total));
    for (int k = 0; k < blocks && d->m_pZonePointBlocks != nullptr; ++k) {
      const POLYGON_POINT_BLOCK& block =
          d->m_pZonePointBlocks[static_cast<size_t>(zone.nIndex - 1) * kPointBlocksPerZone + static_cast<size_t>(k)];
      out += Element(4, CBrelvanoDlg::FormatPolygonGroup(block, k + 2, total));
    }
    out += Element(4, CBrelvanoDlg::FormatIntTriple(total, zone.nIndex, zone.bActive));
  }
  return out;
}

LRESULT CBrelvanoDlg::OnSaveXmlProfile(WPARAM wParam, LPARAM lParam) {
  (void)wParam;
  const CString path = lParam != 0 ? CString(reinterpret_cast<const wchar_t*>(lParam)) : CString();
  BOOL bPolygon = FALSE, bGeofence = FALSE, bAccessPoint = FALSE, bDriverIds = FALSE;
  int apTab = -1;
  for (int t = 0; t < m_nTabCount && t < kMaxTabs; ++t) {
    switch (m_tabInfo[t].nType) {
      case TAB_TYPE_POLYGON: bPolygon = TRUE; break;
      case TAB_TYPE_GEOFENCE: bGeofence = TRUE; break;
      case TAB_TYPE_PRESET:
        bAccessPoint = TRUE;
        if (apTab < 0) apTab = t;
        break;
      case 21: bDriverIds = TRUE; break;
      default: break;
    }
  }
  int zonesRead = 0;
  int result = 0;
  const wchar_t* unanswered = nullptr;
  auto read = [&result, &unanswered](BOOL bPresent, const wchar_t* what, auto&& reader) {
    if (result != 0 || !bPresent) return;
    result = reader();
    if (result == 1) unanswered = what;
  };
  read(bPolygon, L"polygon zone", [&] { return ReadXmlProfilePolygons(this, zonesRead); });
  read(bGeofence, L"geofence", [&] { return ReadXmlProfileGeofences(this); });
  read(bAccessPoint, L"access point", [&] { return ReadXmlProfileAccessPoints(this); });
  read(bDriverIds, L"driver identifier", [&] { return ReadXmlProfileDriverIds(this); });
  if (result == 2) return 0;  // the session ended under the save
  m_bProfileReading = FALSE;
  if (unanswered != nullptr) {
    CString line;
    line.Format(L"Error: the device did not answer the %s read within %u s; no profile was saved", unanswered,
                static_cast<unsigned>(kProfileReadMs / 1000));
    AddLogLine(line, TRUE);
    return 0;
  }
  BOOL bDriverIdsWritten = FALSE;

  const DEVICE_INFO& info = m_deviceInfo;
  CString text = Line(0, L"<?xml version=\"1.0\"?>");
  text += Line(1, L"<profile" + Attribute(L"model", info.strModel) + Attribute(L"buyer", info.strBuyer) +
                      Attribute(L"protocol", info.strProtocol) + Attribute(L"ver", info.strVersion) + L">");
  for (int t = 0; t < m_nTabCount && t < kMaxTabs && m_pParamLists != nullptr; ++t) {
    if (IsSpecialTab(t)) continue;
    text += Line(2, L"<grp" + Attribute(L"hdr", m_tabInfo[t].strHdr) + L">");
    if (m_tabInfo[t].nType == 21) {
      text += DriverIdElements(this, bDriverIdsWritten);
    } else {
      text += GenericPageElements(this, t);
    }
    text += Line(2, L"</grp>");
  }
  if (zonesRead > 0) {
    text += Line(2, L"<grp" + Attribute(L"hdr", L"PLG") + Attribute(L"num", Int(zonesRead)) + L">");
    text += Line(3, L"<sub_grp_d>") + PolygonZoneElements(this) + Line(3, L"</sub_grp_d>");
    if (m_bPolygonServiceSeen) {
      text += Line(3, L"<sub_grp_s>");
      text += Element(4, Int(m_bPolygonServiceEnable) + L";" + Int(m_nPolygonServiceValue));
      text += Line(3, L"</sub_grp_s>");
    }
    text += Line(2, L"</grp>");
  }
  if (m_nGeofenceTotal > 0) {
    text += Line(2, L"<grp" + Attribute(L"hdr", m_geoGroup.strHdr) + Attribute(L"num", Int(m_nGeofenceTotal)) + L">");
    for (const GEOFENCE_INFO& rec : m_geofenceTable)
      if (rec.bUsed && (rec.bIn || rec.bOut)) text += Element(3, GeofenceElementText(this, rec));
    text += Line(2, L"</grp>");
  }
  if (apTab >= 0 && m_nApTotal > 0) {
    // The list as the device announced it: its total, and each preset line read without its CR.
    text += Line(2, L"<grp" + Attribute(L"hdr", m_tabInfo[apTab].strHdr) + Attribute(L"num", Int(m_nApTotal)) + L">");
    for (INT_PTR i = 0; HasWindow(m_pSettingDlg) && i < m_pSettingDlg->m_arrPresets.GetSize(); ++i) {
      const CString preset = m_pSettingDlg->m_arrPresets.GetAt(i);
      if (!preset.IsEmpty()) text += Element(3, preset.Left(preset.GetLength() - 1));
    }
    text += Line(2, L"</grp>");
  }
  text += Line(1, L"</profile>");
  if (!platform::WriteWholeFile(path, "\xFF\xFE" + ToUtf16LeBytes(text))) {
    TRACE(L"Profile File Open Fail\n");
    AfxMessageBox(L"The profile file could not be written:\n" + path, MB_OK | MB_ICONERROR);
    return 0;
  }
  TRACE(L"Profile Saved !!\n");
  AddLogLine(m_language.LoadString(kTextProfileSaved), TRUE);
  return 0;
}

// ---- Change ----

BOOL LoadXmlProfileLines(CBrelvanoDlg* d, const CString& path) {
  CXmlTree tree;
  if (!tree.Load(path, TRUE)) {
    d->AddLogLine(L"Error: the profile file cannot be read: " + path, TRUE);
    return FALSE;
  }
  d->m_profileLines.clear();
  d->m_strPendingProfileLine.Empty();
  if (tree.GetError() != nullptr || tree.begin() == nullptr) {
    // A profile that is not read whole (cut, malformed, empty or of another encoding) sends nothing.
    TRACE(L"Profile %s refused: %s\n", path, tree.GetError() != nullptr ? tree.GetError() : L"no element");
    AfxMessageBox(d->m_language.LoadString(kTextInvalidProfile), MB_OK);
    return FALSE;
  }
  if (!d->ParseXmlProfile(tree.begin(), 0)) {
    // An invalid or foreign profile sends nothing, not even the part read before the fault.
    d->m_profileLines.clear();
    d->m_strPendingProfileLine.Empty();
    return FALSE;
  }
  const CString& pending = d->m_strPendingProfileLine;
  if (!pending.IsEmpty() && pending != d->m_geoGroup.strHdr && pending != L"PLS" && pending != L"PLG") {
    d->m_profileLines.push_back(pending);
    d->m_strPendingProfileLine.Empty();
  }
  return d->m_profileLines.empty() ? FALSE : TRUE;
}

LRESULT CBrelvanoDlg::OnChangeXmlProfile(WPARAM wParam, LPARAM lParam) {
  (void)wParam;
  const CString path = lParam != 0 ? CString(reinterpret_cast<const wchar_t*>(lParam)) : CString();
  if (!LoadXmlProfileLines(this, path)) return 0;
  const size_t n = m_profileLines.size();
  m_dProgressStep = 100.0 / static_cast<double>(n);
  if (HasWindow(m_pSettingDlg)) {
    m_pSettingDlg->m_progress.SetPos(1);
    m_pSettingDlg->m_progress.ShowWindow(SW_SHOW);
  }
  m_nProfileLine = 0;
  m_bProfileWriting = TRUE;
  BeginProfileWrite();
  return 0;
}

BOOL CBrelvanoDlg::ParseXmlProfile(XmlIterator it, int nDepth) {
  const CString d = m_defHeader.strD;
  CString& p = m_strPendingProfileLine;
  auto invalid = [this](UINT id) {
    AfxMessageBox(m_language.LoadString(id), MB_OK);
    return FALSE;
  };
  for (; it != nullptr; ++it) {
    const CString name = it.GetName();
    const CString text = DecodeProfileXmlEntities(it.GetText());
    if (nDepth == 0) {
      if (!EqualsIgnoringCase(name, L"profile")) return invalid(kTextInvalidProfile);
      CString buyer;
      if (!ProfileAttribute(it, L"buyer", buyer)) return invalid(kTextInvalidProfile);
      if (!EqualsIgnoringCase(buyer, m_deviceInfo.strBuyer)) return invalid(kTextWrongProfile);
    } else if (nDepth == 1) {
      if (!p.IsEmpty()) {
        m_profileLines.push_back(p);
        p.Empty();
      }
      CString hdr;
      if (!EqualsIgnoringCase(name, L"grp") || !ProfileAttribute(it, L"hdr", hdr)) return invalid(kTextInvalidProfile);
      p = hdr;
    } else if (nDepth == 2) {
      if (p == L"PLS" || p == L"PLG") {
        if (EqualsIgnoringCase(name, L"sub_grp_s")) p = L"PLS";
        else if (EqualsIgnoringCase(name, L"sub_grp_d")) p = L"PLG";
        else return invalid(kTextInvalidProfile);
      } else {
        if (!EqualsIgnoringCase(name, L"ele")) return invalid(kTextInvalidProfile);
        if ((!m_geoGroup.strHdr.IsEmpty() && p == m_geoGroup.strHdr) || p == L"APS" || p == L"HAD") {
          const CString header = p;
          m_profileLines.push_back(header + d + text);
          p = header;
        } else {
          p += d + text;  // the values of a generic group are gathered into one line
        }
      }
    } else if (nDepth == 3) {
      if (!EqualsIgnoringCase(name, L"ele")) return invalid(kTextInvalidProfile);
      if (p == L"PLS" || p == L"PLG") {
        const CString header = p;
        m_profileLines.push_back(header + d + text);
        p = header;
      }
    }
    if (it.HasChildren() && !ParseXmlProfile(it.ChildBegin(), nDepth + 1)) return FALSE;
  }
  return TRUE;
}
