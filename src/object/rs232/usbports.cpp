// The supported USB device table, the device port search and the plug-broadcast check.
#include "object/rs232/usbports.h"

#include <algorithm>

#include "object/rs232/modeminfo.h"

namespace {
CString UpperCopy(CString text) {
  text.MakeUpper();
  return text;
}

const SupportedUsbId* FindSupported(int vendorId, int productId) {
  for (const SupportedUsbId& id : SupportedUsbIds())
    if (id.vendorId == vendorId && id.productId == productId) return &id;
  return nullptr;
}

const SupportedUsbId* SupportedDeviceOf(const platform::SerialPortInfo& port) {
  if (!port.isUsb || port.isVirtual) return nullptr;
  return FindSupported(port.vendorId, port.productId);
}
}  // namespace

const std::vector<SupportedUsbId>& SupportedUsbIds() {
  static const std::vector<SupportedUsbId> ids = {
      {0x0E8D, 0x0023, false},
      {0x0483, 0x5740, false},
      {0x2C7C, 0x0700, true},
  };
  return ids;
}

bool IsSupportedUsbId(int vendorId, int productId) { return FindSupported(vendorId, productId) != nullptr; }

CString UsbIdText(const SupportedUsbId& id) {
  CString text;
  text.Format(L"USB#VID_%04X&PID_%04X", id.vendorId, id.productId);
  return text;
}

bool IsDebugPort(const platform::SerialPortInfo& port) {
  return UpperCopy(port.description + L" " + port.product).Find(L"DEBUG") >= 0;
}

std::optional<UsbPortChoice> FindUsbSerialPort(const std::vector<platform::SerialPortInfo>& ports) {
  const platform::SerialPortInfo* plain = nullptr;
  const platform::SerialPortInfo* modem = nullptr;
  for (const auto& port : ports) {
    const SupportedUsbId* device = SupportedDeviceOf(port);
    if (device == nullptr || IsDebugPort(port)) continue;
    if (CModemInfo::IsModemPort(port)) {
      if (device->quectelModem) return UsbPortChoice{port, true};
      if (modem == nullptr) modem = &port;
      continue;
    }
    plain = &port;
  }
  if (modem != nullptr) return UsbPortChoice{*modem, false};
  if (plain != nullptr) return UsbPortChoice{*plain, false};
  return std::nullopt;
}

std::optional<UsbPortChoice> FindUsbSerialPort() { return FindUsbSerialPort(platform::EnumerateSerialPorts()); }

bool DetectModemPort(const CString& portName, const std::vector<platform::SerialPortInfo>& ports) {
  for (const auto& port : ports) {
    if (port.name != portName) continue;
    const SupportedUsbId* device = SupportedDeviceOf(port);
    return device != nullptr && device->quectelModem && CModemInfo::IsModemPort(port);
  }
  return false;
}

BOOL IsSupportedUsbDevice(const DEV_BROADCAST_HDR* header) {
  if (header == nullptr || header->dbch_devicetype != DBT_DEVTYP_DEVICEINTERFACE) return FALSE;
  const auto* broadcast = reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE*>(header);
  const size_t nameOffset = offsetof(DEV_BROADCAST_DEVICEINTERFACE, dbcc_name);
  if (header->dbch_size <= nameOffset) return FALSE;
  // The name ends at its 0 or at the end of the record, whichever comes first.
  const size_t limit = std::min<size_t>((header->dbch_size - nameOffset) / sizeof(wchar_t), DBT_NAME_CHARS);
  std::wstring name;
  for (size_t i = 0; i < limit && broadcast->dbcc_name[i] != L'\0'; ++i) name.push_back(broadcast->dbcc_name[i]);
  const CString upper = UpperCopy(CString(name.c_str()));
  for (const SupportedUsbId& id : SupportedUsbIds())
    if (upper.Find(UsbIdText(id)) >= 0) return TRUE;
  return FALSE;
}
