// The supported USB device table, the device port search and the plug-broadcast check.
#include "object/rs232/usbports.h"

#include <algorithm>


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

namespace {

// A port of the USB serial (CDC ACM) driver: the ports the search starts from.
bool IsUsbSerialDriverPort(const platform::SerialPortInfo& port) {
  return port.isUsb && !port.isVirtual && port.driver == L"cdc_acm";
}

// The port and modem rows the search walks, with their captions upper-cased: first the ports whose
// caption names Quectel (the modems of that maker), then every port.
std::vector<std::pair<const platform::SerialPortInfo*, CString>> CaptionRows(
    const std::vector<platform::SerialPortInfo>& ports) {
  std::vector<std::pair<const platform::SerialPortInfo*, CString>> rows;
  for (const auto& port : ports) {
    const CString caption = UpperCopy(PortCaption(port));
    if (caption.Find(L"QUECTEL") >= 0) rows.emplace_back(&port, caption);
  }
  for (const auto& port : ports) rows.emplace_back(&port, UpperCopy(PortCaption(port)));
  return rows;
}

}  // namespace

CString PortCaption(const platform::SerialPortInfo& port) {
  return port.description.IsEmpty() ? port.name : port.description;
}

std::optional<UsbPortChoice> FindUsbSerialPort(const std::vector<platform::SerialPortInfo>& ports) {
  // The highest port of the USB serial driver, then the captions decide.
  const platform::SerialPortInfo* found = nullptr;
  for (const auto& port : ports)
    if (IsUsbSerialDriverPort(port)) found = &port;
  for (const auto& [port, caption] : CaptionRows(ports)) {
    if (caption.Find(L"MODEM") >= 0) {
      // A Quectel modem goes through the command tunnel; any modem ends the walk.
      return UsbPortChoice{*port, caption.Find(L"QUECTEL") >= 0};
    }
    // A debug port is never used.
    if (caption.Find(L"DEBUG") >= 0 && found != nullptr && port->name == found->name) found = nullptr;
  }
  if (found == nullptr) return std::nullopt;
  return UsbPortChoice{*found, false};
}

std::optional<UsbPortChoice> FindUsbSerialPort() { return FindUsbSerialPort(platform::EnumerateSerialPorts()); }

bool DetectModemPort(const CString& portName, const std::vector<platform::SerialPortInfo>& ports) {
  (void)portName;  // any Quectel modem of the machine switches the tunnel on
  for (const auto& [port, caption] : CaptionRows(ports)) {
    (void)port;
    if (caption.Find(L"MODEM") >= 0) return caption.Find(L"QUECTEL") >= 0;
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
