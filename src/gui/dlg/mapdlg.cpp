// CMapDialog (see mapdlg.h).
#include "gui/dlg/mapdlg.h"

#include <json/json.h>

#include "gui/dlg/geodetaildlg.h"
#include "gui/dlg/geofencedlg.h"
#include "gui/dlg/guibase.h"
#include "gui/dlg/pagemessages.h"
#include "platform/crt.h"
#include "platform/modal.h"
#include "platform/trace.h"
#include "reference/default/appregsettings.h"

namespace {
constexpr UINT kTextSend = 1034;
constexpr UINT kTextPrevious = 1055;
constexpr UINT kTextCancel = 1056;
// The page's first load: the map library and the page come from the program itself.
constexpr int kPageLoadMs = 20000;

// The settings store's map values and their defaults: the public OpenStreetMap tiles and search.
constexpr wchar_t kMapSection[] = L"Map";
constexpr wchar_t kDefaultTileName[] = L"Road map";
constexpr wchar_t kDefaultTileUrl[] = L"https://tile.openstreetmap.org/{z}/{x}/{y}.png";
constexpr wchar_t kDefaultTileAttribution[] =
    L"\u00a9 OpenStreetMap contributors";
constexpr wchar_t kDefaultGeocoder[] = L"https://nominatim.openstreetmap.org/search?format=json&limit=1&q={query}";
// A value that is missing (as against one set empty).
constexpr wchar_t kMissing[] = L"\x01";

std::string Utf8(const CString& s) { return s.ToUtf8(); }
}  // namespace

BEGIN_MESSAGE_MAP(CMapDialog, CDHtmlDialog)
  ON_BN_CLICKED(IDOK, &CMapDialog::OnSend)
  ON_BN_CLICKED(IDCANCEL, &CMapDialog::OnBnClickedCancel)
  ON_BN_CLICKED(IDC_MAP_PREV, &CMapDialog::OnBnClickedPrev)
  ON_BN_CLICKED(IDC_MAP_ALLVIEW, &CMapDialog::OnAllView)
  ON_WM_CLOSE()
END_MESSAGE_MAP()

CMapDialog::CMapDialog(CGeofenceDialog* pPage)
    : CDHtmlDialog(IDD_GEOFENCE_MAP, IDR_HTML_CIRCLEMAP, pPage), m_pPage(pPage) {
  SetHostConfig(MapHostConfig());
  BindElementClick(L"ButtonOK", [this] { OnButtonOK(); });
  BindElementClick(L"ButtonCancel", [this] { OnButtonCancel(); });
}

CString CMapDialog::MapHostConfig() {
  CAppRegSettings settings;
  settings.SetRegistryKey(kAppRegistryKeyName);
  Json::Value config(Json::objectValue);
  Json::Value layers(Json::arrayValue);
  // The road map, then up to three more layers the user configured ("TileUrl2" ...).
  for (int n = 1; n <= 4; ++n) {
    const CString suffix = n == 1 ? CString() : CString::FromUtf8(std::to_string(n));
    const CString url = settings.GetProfileString(kMapSection, L"TileUrl" + suffix, n == 1 ? kDefaultTileUrl : L"");
    if (url.IsEmpty()) continue;
    Json::Value layer(Json::objectValue);
    layer["name"] = Utf8(settings.GetProfileString(kMapSection, L"TileName" + suffix,
                                                   n == 1 ? CString(kDefaultTileName) : L"Layer " + suffix));
    layer["url"] = Utf8(url);
    layer["attribution"] = Utf8(settings.GetProfileString(kMapSection, L"TileAttribution" + suffix,
                                                          n == 1 ? CString(kDefaultTileAttribution) : CString()));
    layers.append(layer);
  }
  config["tileLayers"] = layers;
  // A geocoder set to the empty text switches the search off.
  const CString geocoder = settings.GetProfileString(kMapSection, L"GeocoderUrl", kMissing);
  config["geocoderUrl"] = Utf8(geocoder == kMissing ? CString(kDefaultGeocoder) : geocoder);
  Json::StreamWriterBuilder writer;
  writer["indentation"] = "";
  return CString::FromUtf8(Json::writeString(writer, config));
}

BOOL CMapDialog::OnInitDialog() {
  CDHtmlDialog::OnInitDialog();
  return TRUE;
}

BOOL CMapDialog::WaitForPage() { return WaitForDocument(kPageLoadMs); }

void CMapDialog::SetDeviceInfo(DEVICE_INFO* pDeviceInfo, DEF_HEADER* pDefHeader) {
  m_pDeviceInfo = pDeviceInfo;
  m_pDefHeader = pDefHeader;
}

void CMapDialog::SetRecord(GEOFENCE_INFO* pRecord) {
  m_pRecord = pRecord;
  if (m_pPage == nullptr || m_pPage->LoadLanguage() == nullptr) return;
  const std::pair<int, UINT> texts[] = {{IDOK, kTextSend}, {IDCANCEL, kTextCancel}, {IDC_MAP_PREV, kTextPrevious}};
  for (const auto& t : texts) {
    const CString text = m_pPage->m_language.LoadString(t.second);
    if (!text.IsEmpty()) SetDlgItemText(t.first, text);
  }
}

void CMapDialog::ClearAllMarker() { CallScript(L"clearAllMarker"); }

void CMapDialog::CancelAllMarker() { CallScript(L"cancelAllMarker"); }

void CMapDialog::MoveMapToDefault() {
  if (m_pDeviceInfo != nullptr)
    CallScript(L"MoveMap", {m_pDeviceInfo->strLat, m_pDeviceInfo->strLng});
  else
    CallScript(L"MoveMap", {CString(), CString()});
}

void CMapDialog::OnSend() {
  if (m_pRecord == nullptr || m_pPage == nullptr) return;
  const CString pos = CallScript(L"getGeoPos");
  const CString lat = GUI_Base::GetField(pos, 1, L';');
  const CString lon = GUI_Base::GetField(pos, 2, L';');
  const CString radius = GUI_Base::GetField(pos, 3, L';');
  if (radius.IsEmpty() || _wtof(radius) <= 0.0 || lat.IsEmpty() || lon.IsEmpty()) {
    AfxMessageBox(L"Cannot Find Coordinate", MB_OK);
    return;
  }
  // The record is checked against its line's fields before anything changes: a value that does not
  // fit leaves the dialog open with its circle.
  GEOFENCE_INFO candidate = *m_pRecord;
  candidate.strLatitude = lat;
  candidate.strLongitude = lon;
  candidate.strRadius = radius;
  CString line;
  if (!m_pPage->EncodeRecord(&candidate, line)) return;

  m_pRecord->strLatitude = lat;
  m_pRecord->strLongitude = lon;
  m_pRecord->strRadius = radius;
  CancelAllMarker();
  if (m_pPage->m_pDetailDlg != nullptr) m_pPage->m_pDetailDlg->DestroyControls();
  m_pPage->SendRecord(m_pRecord);
  if (g_bFileMode) {
    m_pPage->StoreRecord(*m_pRecord);
    m_pPage->SendMessage(WM_GEOFENCE_RECORD, 0, reinterpret_cast<LPARAM>(m_pRecord));
  }
  EndDialog(IDOK);
  m_pPage->EnableWindow(TRUE);
}

void CMapDialog::OnBnClickedCancel() {
  CancelAllMarker();
  EndStep(IDCANCEL);
}

void CMapDialog::EndStep(int nResult) {
  if (m_pPage != nullptr && m_pPage->m_pDetailDlg != nullptr) m_pPage->m_pDetailDlg->DestroyControls();
  EndDialog(nResult);
  if (m_pPage != nullptr) m_pPage->EnableWindow(TRUE);
}

// The plain OK: the record stays as it was and nothing goes to the device, but the wizard ends as
// every other way out of it does, so the geofence page is not left disabled.
void CMapDialog::OnButtonOK() { EndStep(IDOK); }

void CMapDialog::OnButtonCancel() {
  ClearAllMarker();
  OnCancel();
}

void CMapDialog::OnBnClickedPrev() {
  if (m_pPage != nullptr && m_pPage->m_pDetailDlg != nullptr) m_pPage->m_pDetailDlg->ShowWindow(SW_SHOW);
  ShowWindow(SW_HIDE);
}

void CMapDialog::OnAllView() {
  CancelAllMarker();
  if (m_pPage == nullptr) return;
  const int count = std::min(g_nGeofenceCount, static_cast<int>(kGeofenceSlots));
  for (int i = 0; i < count; ++i) {
    const GEOFENCE_INFO& r = m_pPage->m_pRecords[i];
    if (r.bUsed != 1) continue;
    CString number;
    number.Format(L"%d", i + 1);
    CallScript(L"AllViewDrawCircle", {number, r.strLatitude, r.strLongitude, r.strRadius});
  }
}

// Enter and Escape act as the buttons they stand for; the close box cancels (the dialog is kept
// for the next ADD or EDIT).
void CMapDialog::OnOK() { OnSend(); }
void CMapDialog::OnCancel() { OnBnClickedCancel(); }
void CMapDialog::OnClose() { OnBnClickedCancel(); }
