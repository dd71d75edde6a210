// CBrelvanoDlg: the device information list, one row with the identity of the connected device.
#include "gui/dlg/brelvanodlg.h"

#include <algorithm>

#include "platform/crt.h"
#include "platform/gdi.h"
#include "platform/listctrl.h"

namespace {
// Texts of the language library for the column headings.
constexpr UINT kTextDevice = 1030;
constexpr UINT kTextBuyer = 1031;
constexpr UINT kTextVersion = 1032;
constexpr UINT kTextVoice = 1033;
constexpr UINT kTextSecurity = 1050;
constexpr UINT kTextInput4 = 1051;
constexpr UINT kTextBleVersion = 1064;
constexpr UINT kTextWifiVersion = 1065;
// The widest version text the version column makes room for.
constexpr const wchar_t kWidestVersion[] = L"999-1C";
}  // namespace

void CBrelvanoDlg::FillDeviceInfoList(const DEVICE_INFO* pInfo) {
  if (pInfo == nullptr || m_listDevice.GetSafeHwnd() == nullptr) return;
  CDC* pDC = GetDC();
  auto extent = [pDC](const CString& text) { return pDC != nullptr ? pDC->GetTextExtent(text).cx : 0; };

  m_listDevice.Reset();
  m_listDevice.InsertColumn(0, CString(), LVCFMT_LEFT);
  m_listDevice.InsertItem(0, CString());

  int column = 1;
  auto addColumn = [&](const CString& heading, int width, const CString& cell) {
    m_listDevice.InsertColumn(column, heading, LVCFMT_CENTER, width);
    m_listDevice.SetItemText(0, column, cell);
    m_listDevice.SetColumnReadOnly(column, TRUE);
    ++column;
  };
  const CString present(L"O");

  CString heading = m_language.LoadString(kTextDevice);
  addColumn(heading, std::max(extent(heading), extent(pInfo->strModel)) + 8, pInfo->strModel);
  heading = m_language.LoadString(kTextBuyer);
  addColumn(heading, std::max(extent(heading), extent(pInfo->strBuyer)) + 5, pInfo->strBuyer);
  heading = m_language.LoadString(kTextVersion);
  const CString version = _wtof(pInfo->strVersion) > 0.0 ? pInfo->strVersion : CString();
  addColumn(heading, std::max(extent(heading), extent(kWidestVersion)) + 15, version);

  if (pInfo->bVoice != 0) {
    heading = m_language.LoadString(kTextVoice);
    addColumn(heading, extent(heading) + 20, present);
  }
  if (pInfo->bRS232 != 0) addColumn(L"RS232", extent(L"RS232") + 10, present);
  if (pInfo->bCAN != 0) addColumn(L"CAN", extent(L"CAN") + 10, present);
  if (pInfo->bSecurity != 0) {
    heading = m_language.LoadString(kTextSecurity);
    addColumn(heading, extent(heading) + 5, present);
  }
  if (pInfo->bInput4 != 0) {
    heading = m_language.LoadString(kTextInput4);
    addColumn(heading, extent(heading) + 5, present);
  }
  if (!pInfo->strVerField17.IsEmpty()) {
    heading = m_language.LoadString(kTextBleVersion);
    addColumn(heading, extent(heading) + 5, pInfo->strVerField17);
  }
  if (!pInfo->strVerField18.IsEmpty()) {
    heading = m_language.LoadString(kTextWifiVersion);
    addColumn(heading, extent(heading) + 5, pInfo->strVerField18);
  }

  m_listDevice.SetExtendedStyle(LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
  if (pDC != nullptr) ReleaseDC(pDC);
}
