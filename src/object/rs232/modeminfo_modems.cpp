// The modem readers of CModemInfo: modems recorded under the modem class key of the settings store,
// their port, default speed, reset command and an initialisation command from their settings.
#include <cstring>
#include <string>

#include "object/rs232/modeminfo.h"
#include "platform/codepage.h"
#include "platform/trace.h"
#include "reference/etc/registryex.h"

namespace {

const wchar_t kModemClassGuid[] = L"{4D36E96D-E325-11CE-BFC1-08002BE10318}";

CString IndexKey(int index) {
  CString key;
  key.Format(L"%04d", index);
  return key;
}

// The number after the first three characters ("COM12" gives 12); 0 when there is none.
int PortNumber(const CString& portName) {
  if (portName.GetLength() <= 3) return 0;
  const CString digits = portName.Mid(3);
  int value = 0;
  for (int i = 0; i < digits.GetLength() && digits[i] >= L'0' && digits[i] <= L'9'; ++i) {
    value = value * 10 + (digits[i] - L'0');
    if (value > 0xFFFF) return 0;
  }
  return value;
}

CString SettingsKey(const CString& friendlyName) {
  const int index = CModemInfo::FindModem(friendlyName);
  return index < 0 ? CString() : CModemInfo::ModemKeyPath(index) + L"\\Settings";
}

CString Setting(const CString& settingsKey, const wchar_t* name) {
  if (settingsKey.IsEmpty()) return CString();
  return CModemInfo::ReadRegText(HKEY_LOCAL_MACHINE, settingsKey, name, CString());
}

}  // namespace

bool CModemInfo::IsVirtualModemName(const CString& friendlyName) {
  return friendlyName.Find(L"IP Virtual Modem") >= 0;
}

CString CModemInfo::ReadRegText(HKEY root, const CString& subKey, const CString& name, const CString& defaultText) {
  HKEY key = nullptr;
  if (RegOpenKeyEx(root, subKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return defaultText;
  DWORD type = 0, size = 0;
  CString text = defaultText;
  if (RegQueryValueEx(key, name, nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
    if (type != REG_SZ) TRACE(L"CModemInfo::ReadRegText: %s is not a text value\n", name);
    std::string bytes(size, '\0');
    if (RegQueryValueEx(key, name, nullptr, &type, reinterpret_cast<BYTE*>(bytes.data()), &size) == ERROR_SUCCESS) {
      text = platform::reg::TextOfBytes(reinterpret_cast<const BYTE*>(bytes.data()), size);
    }
  }
  RegCloseKey(key);
  return text;
}

CString CModemInfo::ModemClassGuid() { return kModemClassGuid; }

CString CModemInfo::ModemKeyPath(int index) {
  return CString(L"SYSTEM\\CurrentControlSet\\Control\\Class\\") + ModemClassGuid() + L"\\" + IndexKey(index);
}

CString CModemInfo::ModemFriendlyName(int index) {
  return ReadRegText(HKEY_LOCAL_MACHINE, ModemKeyPath(index), L"FriendlyName", CString());
}

int CModemInfo::FindModem(const CString& friendlyName) {
  if (friendlyName.IsEmpty()) return -1;
  for (int index = 0; index < kMaxModems; ++index) {
    if (ModemFriendlyName(index).CompareNoCase(friendlyName) == 0 && ModemComPort(index) > 0) return index;
  }
  return -1;
}

int CModemInfo::ModemComPort(int index) {
  const CString attachedTo = ReadRegText(HKEY_LOCAL_MACHINE, ModemKeyPath(index), L"AttachedTo", CString());
  if (!attachedTo.IsEmpty()) return PortNumber(attachedTo);
  // A modem its bus enumerated: the device key whose driver is this modem names the port.
  CRegistryEx reg(HKEY_LOCAL_MACHINE);
  const CString deviceKey = reg.FindKeyByValue(L"Enum", L"Driver", L"Modem\\" + IndexKey(index));
  if (deviceKey.IsEmpty()) return 0;
  return PortNumber(ReadRegText(HKEY_LOCAL_MACHINE, deviceKey, L"PORTNAME", CString()));
}

int CModemInfo::ModemComPortByName(const CString& friendlyName) {
  const int index = FindModem(friendlyName);
  return index < 0 ? 0 : ModemComPort(index);
}

CString CModemInfo::ModemResetCommand(const CString& friendlyName) {
  const int index = FindModem(friendlyName);
  if (index < 0) return CString();
  const CString reset = ReadRegText(HKEY_LOCAL_MACHINE, ModemKeyPath(index), L"Reset", CString());
  return reset.CompareNoCase(L"NONE") == 0 ? CString() : reset;
}

DWORD CModemInfo::ModemBaudRate(const CString& friendlyName) {
  const int index = FindModem(friendlyName);
  if (index < 0) return 0;
  CRegistryEx reg(HKEY_LOCAL_MACHINE);
  if (!reg.Open(HKEY_LOCAL_MACHINE, ModemKeyPath(index))) return 0;
  BYTE dcb[512] = {};
  if (!reg.ReadBinary(L"DCB", dcb, 255)) return 0;
  // A block too short to hold its BaudRate field has none.
  if (reg.GetLastSize() < 8) return 0;
  DWORD rate = 0;
  std::memcpy(&rate, dcb + 4, 4);
  for (DWORD standard : {230400u, 115200u, 57600u, 38400u, 19200u, 9600u, 4800u, 2400u, 1200u, 300u, 110u})
    if (rate == standard) return rate;
  return 0;
}

BOOL CModemInfo::HasSpeakerModes(const CString& friendlyName) {
  const CString key = SettingsKey(friendlyName);
  return !Setting(key, L"SpeakerMode_Dial").IsEmpty() && !Setting(key, L"SpeakerMode_OFF").IsEmpty();
}

int CModemInfo::CountSpeakerVolumes(const CString& friendlyName) {
  const CString key = SettingsKey(friendlyName);
  int count = 0;
  for (const wchar_t* name : {L"SpeakerVolume_Low", L"SpeakerVolume_Med", L"SpeakerVolume_High"})
    if (!Setting(key, name).IsEmpty()) ++count;
  return count;
}

CString CModemInfo::BuildInitCommand(const CString& friendlyName, int speakerLevel) {
  const CString key = SettingsKey(friendlyName);
  CString command = L"AT";
  CString timer = Setting(key, L"CallSetupFailTimer");
  timer.Replace(L"<#>", L"60");
  command += timer;
  CString inactivity = Setting(key, L"InactivityTimeout");
  inactivity.Replace(L"<#>", L"0");
  command += inactivity;
  if (speakerLevel != -1 && HasSpeakerModes(friendlyName)) {
    const bool volumes = CountSpeakerVolumes(friendlyName) > 0;
    const CString dial = Setting(key, L"SpeakerMode_Dial");
    switch (speakerLevel) {
      case 0:
        command += Setting(key, L"SpeakerMode_OFF");
        break;
      case 1:
        command += volumes ? Setting(key, L"SpeakerVolume_Low") + dial : dial;
        break;
      case 2:
        if (volumes) command += Setting(key, L"SpeakerVolume_Med") + dial;
        break;
      case 3:
        if (volumes) command += Setting(key, L"SpeakerVolume_High") + dial;
        break;
      default:
        TRACE(L"CModemInfo::BuildInitCommand: speaker level %d\n", speakerLevel);
        break;
    }
  }
  for (const wchar_t* name : {L"ErrorControl_On", L"Compression_On", L"FlowControl_Hard", L"Modulation_CCITT",
                              L"Blind_Off"})
    command += Setting(key, name);
  return command + L"<cr>";
}

CString CModemInfo::FirstSubKeyName(HKEY root, const CString& keyPath) {
  CRegistryEx reg(root);
  CStringArray names;
  if (!reg.GetSubKeys(keyPath, names) || names.IsEmpty()) return CString();
  return names[0];
}
