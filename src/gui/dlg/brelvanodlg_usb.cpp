// CBrelvanoDlg: the port selector, the search for the device's USB port and the handling of USB
// plug events (reconnect after a plug-in, session end after an unplug).
#include <optional>

#include "gui/dlg/brelvanodlg.h"
#include "object/rs232/usbports.h"
#include "platform/trace.h"

BOOL g_bModemTunnel = FALSE;

namespace {
// The device interface classes the window asks plug events for: USB devices, disks, HID devices
// and network adapters.
const GUID kGuidDisk = {0x53F56307, 0xB6BF, 0x11D0, {0x94, 0xF2, 0x00, 0xA0, 0xC9, 0x1E, 0xFB, 0x8B}};
const GUID kGuidHid = {0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};
const GUID kGuidNetwork = {0xAD498944, 0x762F, 0x11D0, {0x8D, 0xCB, 0x00, 0xC0, 0x4F, 0xC3, 0x35, 0x8C}};
}  // namespace

void CBrelvanoDlg::InitPortList() { FillPortCombo(); }

void CBrelvanoDlg::FillPortCombo() {
  m_comboPort.ResetContent();
  m_comboPort.InsertString(-1, PORT_ITEM_SEARCH);
  m_comboPort.InsertString(-1, PORT_ITEM_USB);
  for (const CString& name : ListedPortNames()) m_comboPort.InsertString(-1, name);
  if (m_comboPort.GetCount() > 0) m_comboPort.SetCurSel(1);
}

BOOL CBrelvanoDlg::RegisterDeviceNotifications() {
  const GUID* classes[4] = {&GUID_DEVINTERFACE_USB_DEVICE, &kGuidDisk, &kGuidHid, &kGuidNetwork};
  for (int i = 0; i < 4; ++i) {
    if (m_hDeviceNotify[i] != nullptr) continue;
    DEV_BROADCAST_DEVICEINTERFACE filter = {};
    filter.dbcc_size = sizeof filter;
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    filter.dbcc_classguid = *classes[i];
    m_hDeviceNotify[i] = RegisterDeviceNotification(GetSafeHwnd(), &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
    if (m_hDeviceNotify[i] == nullptr) return FALSE;
  }
  return TRUE;
}

void CBrelvanoDlg::UnregisterDeviceNotifications() {
  for (HDEVNOTIFY& handle : m_hDeviceNotify) {
    if (handle != nullptr) UnregisterDeviceNotification(handle);
    handle = nullptr;
  }
}

BOOL CBrelvanoDlg::FindDevicePort() {
  const std::optional<UsbPortChoice> choice = FindUsbSerialPort();
  g_bModemTunnel = choice && choice->modemTunnel ? TRUE : FALSE;
  // Without a port the path is emptied, so that no earlier port is opened by mistake.
  m_openPort.strPort = choice ? choice->port.devicePath : CString();
  return choice ? TRUE : FALSE;
}

BOOL CBrelvanoDlg::OnDeviceChange(UINT nEventType, DWORD_PTR dwData) {
  Default();
  const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(dwData);
  switch (nEventType) {
    case DBT_DEVICEARRIVAL:
      // The window is registered for several classes, so one plug-in may arrive more than once:
      // re-arming the timer keeps a single reconnect. A session already running is left alone.
      if (m_bUsbReconnect && !m_bPortOpen && IsSupportedUsbDevice(header)) {
        LockUI(TRUE);
        SetTimer(TIMER_USB_RECONNECT, USB_RECONNECT_MS);
      }
      break;
    case DBT_DEVICEREMOVECOMPLETE:
      if (m_bPortOpen) CheckRemovedDevice(header);
      break;
    default:
      break;
  }
  return TRUE;
}

void CBrelvanoDlg::CheckRemovedDevice(const DEV_BROADCAST_HDR* pHeader) {
  // Names are compared ignoring case, as for arrivals: the same device may report either case.
  if (IsSupportedUsbDevice(pHeader)) SetTimer(TIMER_USB_REMOVED, USB_REMOVED_MS);
}

BOOL CBrelvanoDlg::OnUsbTimer(UINT_PTR nIDEvent) {
  switch (nIDEvent) {
    case TIMER_USB_RECONNECT:
      if (m_bPortOpen) {
        // Connected meanwhile by other means: nothing to reconnect (Connect would close it first).
        KillTimer(TIMER_USB_RECONNECT);
        LockUI(FALSE);
      } else if (FindDevicePort()) {
        KillTimer(TIMER_USB_RECONNECT);
        LockUI(FALSE);
        KillTimer(TIMER_SESSION_WATCHDOG);
        if (m_bOpenMode)
          OnBnClickedOpenDefinition();
        else
          OnBnClickedConnect();
      }
      // No port yet: the timer runs on and searches again at its next expiry.
      return TRUE;
    case TIMER_USB_REMOVED:
      // One check: a port that is already closed has no session left to end, and a check left
      // running would end the next session the moment it opens.
      KillTimer(TIMER_USB_REMOVED);
      if (m_bPortOpen) EndSession();
      return TRUE;
    default:
      return FALSE;
  }
}
