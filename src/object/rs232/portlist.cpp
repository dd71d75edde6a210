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

int CSerialDevice::CheckPorts() { return EnumComPorts() ? 2 : 1; }

bool CSerialDevice::CheckPortsChanged(int& previous) {
  const int result = CheckPorts();
  if (result == previous) return false;
  previous = result;
  return true;
}

void FillPortCombo(CComboBox& combo) {
  combo.ResetContent();
  combo.InsertString(-1, PORT_ITEM_SEARCH);
  combo.InsertString(-1, PORT_ITEM_USB);
  SyncRealPorts();
  for (const auto& entry : platform::reg::EnumStrings(HKEY_LOCAL_MACHINE, kSerialCommKey)) {
    const CString& name = entry.second;
    // What cannot be a port name (an empty text, a path out of /dev, blanks) is never offered.
    if (!CModemInfo::IsPortName(name)) continue;
    combo.InsertString(-1, name);
  }
  if (combo.GetCount() > 0) combo.SetCurSel(1);
}
