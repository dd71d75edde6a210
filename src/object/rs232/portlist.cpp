// The port list of the device check and of the port selector.
#include "object/rs232/portlist.h"

#include "platform/controls.h"
#include "platform/portenum.h"
#include "platform/registry.h"
#include "platform/trace.h"

namespace {
const wchar_t kSerialCommKey[] = L"HARDWARE\\DEVICEMAP\\SERIALCOMM";

// Brings the real ports into the key; a registry that cannot be written still lists what it has.
void SyncRealPorts() {
  if (!platform::SyncSerialCommKey()) TRACE(L"The port list could not be brought up to date\n");
}
}  // namespace

BOOL CSerialDevice::EnumComPorts() {
  SyncRealPorts();
  CStringArray names;
  m_modemInfo.GetSerialCommPorts(names);
  m_ports.RemoveAll();
  for (INT_PTR i = 0; i < names.GetSize(); ++i) {
    tagRS232_PortDef port;
    port.strPort = names[i];
    port.nParam = PORT_TYPE_COM;
    m_ports.Add(port);
  }
  return names.GetSize() > 0 ? TRUE : FALSE;
}

void CSerialDevice::SetStatus(int code, int count, void* data, int extra0, int extra1) {
  CSingleLock lock(&m_csStatus, TRUE);
  m_status.nExtra0 = extra0;
  m_status.nCode = code;
  m_status.nCount = count;
  m_status.pData = data;
  m_status.nExtra1 = extra1;
}

int CSerialDevice::CheckPorts() { return EnumComPorts() ? 2 : 1; }

bool CSerialDevice::CheckPortsChanged(int& previous) {
  const int result = CheckPorts();
  if (result == previous) return false;
  previous = result;
  return true;
}

std::vector<CString> ListedPortNames() {
  SyncRealPorts();
  std::vector<CString> names;
  for (const auto& entry : platform::reg::EnumStrings(HKEY_LOCAL_MACHINE, kSerialCommKey)) {
    const CString& name = entry.second;
    // What cannot be a port name (an empty text, a path out of /dev, blanks) is never offered.
    if (CModemInfo::IsPortName(name)) names.push_back(name);
  }
  return names;
}
