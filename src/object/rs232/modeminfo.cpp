// The port and modem readers of CModemInfo on the layer's registry and port enumeration.
#include "object/rs232/modeminfo.h"

#include "platform/controls.h"
#include "platform/registry.h"
#include "platform/serialport.h"
#include "platform/trace.h"

namespace {
const wchar_t kSerialCommKey[] = L"HARDWARE\\DEVICEMAP\\SERIALCOMM";
const int kQuectelVendor = 0x2C7C;
const int kQuectelModemInterface = 3;

bool Contains(const CStringArray& list, const CString& text) {
  for (INT_PTR i = 0; i < list.GetSize(); ++i)
    if (list[i] == text) return true;
  return false;
}

CString UpperCopy(CString text) {
  text.MakeUpper();
  return text;
}

std::vector<platform::SerialPortInfo> ModemPorts() {
  std::vector<platform::SerialPortInfo> modems;
  for (const auto& port : platform::EnumerateSerialPorts())
    if (port.isUsb && CModemInfo::IsModemPort(port) && !CModemInfo::IsVirtualModemName(port.description))
      modems.push_back(port);
  return modems;
}

CString FriendlyName(const platform::SerialPortInfo& port) {
  return port.description.IsEmpty() ? port.name : port.description;
}
}  // namespace

bool CModemInfo::IsPortName(const CString& text) {
  const int length = text.GetLength();
  if (length == 0 || length > 260 || text[0] == L'/') return false;
  for (int i = 0; i < length; ++i) {
    const wchar_t c = text[i];
    const bool ok = (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') ||
                    c == L'_' || c == L'-' || c == L'.' || c == L'/';
    if (!ok) return false;
  }
  int start = 0;
  while (start <= length) {
    int end = text.Find(L'/', start);
    if (end < 0) end = length;
    const CString part = text.Mid(start, end - start);
    if (part.IsEmpty() || part == L"." || part == L"..") return false;
    start = end + 1;
  }
  return true;
}

bool CModemInfo::IsModemPort(const platform::SerialPortInfo& port) {
  if (UpperCopy(port.description + L" " + port.product).Find(L"MODEM") >= 0) return true;
  return port.vendorId == kQuectelVendor && port.interfaceNumber == kQuectelModemInterface;
}

void CModemInfo::GetSerialCommPorts(CStringArray& ports, int /*reserved*/) {
  for (const auto& entry : platform::reg::EnumStrings(HKEY_LOCAL_MACHINE, kSerialCommKey)) {
    if (!IsPortName(entry.second)) {
      TRACE(L"SERIALCOMM entry %s is not a port name: \"%s\"\n", entry.first, entry.second);
      continue;
    }
    if (!Contains(ports, entry.second)) ports.Add(entry.second);
  }
}

void CModemInfo::EnumeratePorts(CArray<SerialPortRecord>& records, BOOL probe) {
  records.RemoveAll();
  m_astrComPortNames.RemoveAll();
  for (const auto& port : platform::EnumerateSerialPorts()) {
    if (probe) {
      // Ports open exclusively: one that another program holds is left out too.
      platform::SerialPort probePort;
      if (!probePort.Open(port.name)) continue;
      probePort.Close();
    }
    SerialPortRecord record;
    record.devicePath = port.devicePath;
    record.portName = port.name;
    record.displayName = port.description.IsEmpty() ? port.name : port.description;
    record.usbAttached = port.isUsb ? TRUE : FALSE;
    record.description = record.displayName;
    // "Name (ttyACM0)" describes itself as "Name"; a name with an earlier parenthesis, such as
    // "Port (A) (ttyS2)", is taken whole.
    const int open = record.description.Find(L" (");
    if (open > 0 && record.description.Find(L')') == record.description.GetLength() - 1)
      record.description = record.description.Left(open);
    records.Add(record);
    m_astrComPortNames.Add(record.displayName);
  }
}

int CModemInfo::CountModems() { return static_cast<int>(ModemPorts().size()); }

CString CModemInfo::FirstModemName() {
  const auto modems = ModemPorts();
  return modems.empty() ? CString() : FriendlyName(modems.front());
}

CString CModemInfo::ModemPortByName(const CString& friendlyName) {
  if (friendlyName.IsEmpty()) return CString();
  for (const auto& modem : ModemPorts())
    if (FriendlyName(modem).CompareNoCase(friendlyName) == 0) return modem.name;
  return CString();
}

void CModemInfo::FillModemCombo(CComboBox& combo) {
  combo.ResetContent();
  for (const auto& modem : ModemPorts()) combo.InsertString(-1, FriendlyName(modem));
}

void CModemInfo::FillModemList(CListBox& list) {
  list.ResetContent();
  for (const auto& modem : ModemPorts()) list.InsertString(-1, FriendlyName(modem));
}
