// The port and modem readers of CModemInfo on the layer's registry and port enumeration.
#include "object/rs232/modeminfo.h"

#include <vector>


#include "platform/controls.h"
#include "platform/registry.h"
#include "platform/serialport.h"
#include "platform/trace.h"

namespace {
const wchar_t kSerialCommKey[] = L"HARDWARE\\DEVICEMAP\\SERIALCOMM";

bool Contains(const CStringArray& list, const CString& text) {
  for (INT_PTR i = 0; i < list.GetSize(); ++i)
    if (list[i] == text) return true;
  return false;
}

// The friendly names of the modems the modem lists show, in index order.
std::vector<CString> ListedModemNames() {
  std::vector<CString> names;
  for (int index = 0; index < CModemInfo::kMaxModems; ++index) {
    const CString name = CModemInfo::ModemFriendlyName(index);
    if (!name.IsEmpty() && !CModemInfo::IsVirtualModemName(name)) names.push_back(name);
  }
  return names;
}

// A port's friendly name ends in its port name in parentheses ("Modem (ttyUSB3)"), so its
// next-to-last character is a digit; other devices are not serial ports of this kind.
bool HasPortFriendlyName(const CString& friendlyName) {
  const int length = friendlyName.GetLength();
  return length >= 2 && friendlyName[length - 2] >= L'0' && friendlyName[length - 2] <= L'9';
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

void CModemInfo::GetSerialCommPorts(CStringArray& ports, int /*reserved*/) {
  for (const auto& entry : platform::reg::EnumStrings(HKEY_LOCAL_MACHINE, kSerialCommKey)) {
    if (!IsPortName(entry.second)) {
      TRACE(L"SERIALCOMM entry %s is not a port name: \"%s\"\n", entry.first, entry.second);
      continue;
    }
    ports.Add(entry.second);
  }
}

void CModemInfo::EnumeratePorts(CArray<SerialPortRecord>& records, BOOL probe) {
  records.RemoveAll();
  m_astrComPortNames.RemoveAll();
  const std::vector<platform::SerialPortInfo> ports = platform::EnumerateSerialPorts();
  // Two passes: the ports of the machine, then the ports other programs list; the second adds
  // only the ports whose friendly name the first did not find.
  for (const bool virtualPass : {false, true}) {
    for (const auto& port : ports) {
      if (port.isVirtual != virtualPass) continue;
      if (!HasPortFriendlyName(port.description)) {
        TRACE(L"EnumeratePorts: %s left out (friendly name \"%s\")\n", port.name, port.description);
        continue;
      }
      if (virtualPass && Contains(m_astrComPortNames, port.description)) continue;
      SerialPortRecord record;
      record.devicePath = port.devicePath;
      record.portName = port.name;
      record.displayName = port.description;
      record.usbAttached = port.isUsb ? TRUE : FALSE;
      records.Add(record);
      if (!virtualPass) m_astrComPortNames.Add(port.description);
    }
  }
  for (INT_PTR i = 0; i < records.GetSize();) {
    SerialPortRecord& record = records[i];
    if (probe) {
      // Ports open exclusively: one that another program holds is left out too.
      platform::SerialPort probePort;
      if (!probePort.Open(record.portName)) {
        records.RemoveAt(i);
        continue;
      }
      probePort.Close();
    }
    if (record.displayName.IsEmpty()) record.displayName = record.portName;
    if (record.description.IsEmpty()) {
      record.description = record.displayName;
      // "Name (ttyACM0)" describes itself as "Name"; a name with an earlier parenthesis, such as
      // "Port (A) (ttyS2)", is taken whole.
      const int open = record.description.Find(L" (");
      if (open > 0 && record.description.Find(L')') == record.description.GetLength() - 1)
        record.description = record.description.Left(open);
    }
    ++i;
  }
}

int CModemInfo::CountModems() { return static_cast<int>(ListedModemNames().size()); }

CString CModemInfo::FirstModemName() {
  const std::vector<CString> names = ListedModemNames();
  return names.empty() ? CString() : names.front();
}

void CModemInfo::FillModemCombo(CComboBox& combo) {
  while (combo.DeleteString(0) != CB_ERR) {
  }
  for (const CString& name : ListedModemNames()) combo.AddString(name);
}

void CModemInfo::FillModemList(CListBox& list) {
  while (list.DeleteString(0) != LB_ERR) {
  }
  for (const CString& name : ListedModemNames()) list.AddString(name);
}
