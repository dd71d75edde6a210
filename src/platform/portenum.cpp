// Serial port enumeration over libudev and the registry's SERIALCOMM key.
#include "platform/portenum.h"

#include <dirent.h>
#include <libudev.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

#include "platform/registry.h"

namespace platform {
namespace {

const wchar_t kSerialCommKey[] = L"HARDWARE\\DEVICEMAP\\SERIALCOMM";
const char kDevicePrefix[] = "\\Device\\";

std::mutex g_listerMutex;
TtyDeviceLister g_lister;

std::string Text(const char* s) { return s != nullptr ? std::string(s) : std::string(); }

// A sysfs attribute holding a hexadecimal number ("1546", "00"); -1 when absent or not a number.
int HexAttribute(udev_device* dev, const char* name) {
  if (dev == nullptr) return -1;
  const char* value = udev_device_get_sysattr_value(dev, name);
  if (value == nullptr || *value == '\0') return -1;
  char* end = nullptr;
  const long n = std::strtol(value, &end, 16);
  while (end != nullptr && std::isspace(static_cast<unsigned char>(*end))) ++end;
  if (end == nullptr || *end != '\0' || n < 0 || n > 0xFFFF) return -1;
  return static_cast<int>(n);
}

int DecimalAttribute(udev_device* dev, const char* name) {
  const char* value = udev_device_get_sysattr_value(dev, name);
  if (value == nullptr || *value == '\0') return -1;
  char* end = nullptr;
  const long n = std::strtol(value, &end, 10);
  while (end != nullptr && std::isspace(static_cast<unsigned char>(*end))) ++end;
  if (end == nullptr || *end != '\0' || n < 0 || n > 0xFFFF) return -1;
  return static_cast<int>(n);
}

// The tty devices of sysfs that sit on a device of their own. The virtual ones (consoles, the
// terminal multiplexer) have no parent device and so no driver: never a serial port, and most of a
// machine's ttys; they are passed over without asking udev about them.
std::vector<std::string> TtySysPaths() {
  std::vector<std::string> paths;
  const char kClass[] = "/sys/class/tty";
  DIR* dir = opendir(kClass);
  if (dir == nullptr) return paths;
  while (const dirent* entry = readdir(dir)) {
    if (entry->d_name[0] == '.') continue;
    char target[4096];
    const ssize_t n = readlinkat(dirfd(dir), entry->d_name, target, sizeof target - 1);
    if (n <= 0) continue;
    target[n] = '\0';
    if (std::strstr(target, "/devices/virtual/") != nullptr) continue;
    paths.push_back(std::string(kClass) + "/" + entry->d_name);
  }
  closedir(dir);
  return paths;
}

std::vector<TtyDeviceFacts> ListUdevTtyDevices() {
  std::vector<TtyDeviceFacts> out;
  udev* u = udev_new();
  if (u == nullptr) return out;
  for (const std::string& path : TtySysPaths()) {
    udev_device* dev = udev_device_new_from_syspath(u, path.c_str());
    if (dev == nullptr) continue;
    TtyDeviceFacts f;
    f.name = CString::FromUtf8(Text(udev_device_get_sysname(dev)));
    f.devNode = CString::FromUtf8(Text(udev_device_get_devnode(dev)));
    f.serialType = DecimalAttribute(dev, "type");
    if (udev_device* parent = udev_device_get_parent(dev))  // owned by dev
      f.parentDriver = CString::FromUtf8(Text(udev_device_get_driver(parent)));
    if (udev_device* iface = udev_device_get_parent_with_subsystem_devtype(dev, "usb", "usb_interface"))
      f.interfaceNumber = HexAttribute(iface, "bInterfaceNumber");
    if (udev_device* usb = udev_device_get_parent_with_subsystem_devtype(dev, "usb", "usb_device")) {
      f.vendorId = HexAttribute(usb, "idVendor");
      f.productId = HexAttribute(usb, "idProduct");
      f.manufacturer = CString::FromUtf8(Text(udev_device_get_sysattr_value(usb, "manufacturer"))).Trim();
      f.product = CString::FromUtf8(Text(udev_device_get_sysattr_value(usb, "product"))).Trim();
    }
    out.push_back(f);
    udev_device_unref(dev);
  }
  udev_unref(u);
  return out;
}

std::vector<TtyDeviceFacts> ListTtyDevices() {
  TtyDeviceLister lister;
  {
    std::lock_guard<std::mutex> lock(g_listerMutex);
    lister = g_lister;
  }
  return lister ? lister() : ListUdevTtyDevices();
}

// Name order with runs of digits compared as numbers: ttyUSB2 before ttyUSB10.
bool NaturalLess(const std::string& a, const std::string& b) {
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    const bool da = std::isdigit(static_cast<unsigned char>(a[i])) != 0;
    const bool db = std::isdigit(static_cast<unsigned char>(b[j])) != 0;
    if (da && db) {
      size_t ei = i, ej = j;
      while (ei < a.size() && std::isdigit(static_cast<unsigned char>(a[ei]))) ++ei;
      while (ej < b.size() && std::isdigit(static_cast<unsigned char>(b[ej]))) ++ej;
      std::string na = a.substr(i, ei - i), nb = b.substr(j, ej - j);
      na.erase(0, std::min(na.find_first_not_of('0'), na.size()));
      nb.erase(0, std::min(nb.find_first_not_of('0'), nb.size()));
      if (na.size() != nb.size()) return na.size() < nb.size();
      if (na != nb) return na < nb;
      i = ei;
      j = ej;
    } else {
      if (a[i] != b[j]) return a[i] < b[j];
      ++i;
      ++j;
    }
  }
  return a.size() - i < b.size() - j;
}

SerialPortInfo FromFacts(const TtyDeviceFacts& f) {
  SerialPortInfo p;
  p.name = f.name;
  p.devicePath = f.devNode;
  p.vendorId = f.vendorId;
  p.productId = f.productId;
  p.interfaceNumber = f.interfaceNumber;
  p.driver = f.parentDriver;
  p.manufacturer = f.manufacturer;
  p.product = f.product;
  p.isUsb = f.vendorId >= 0 && f.productId >= 0;
  CString what = !p.product.IsEmpty() ? p.product : CString(p.isUsb ? "USB Serial Device" : "Serial Port");
  p.description = what + CString(" (") + p.name + CString(")");
  return p;
}

// Whether a SERIALCOMM entry is one this module writes for a real port.
bool IsOwnedEntry(const std::string& valueName, const std::string& data) {
  return data.compare(0, 3, "tty") == 0 && valueName == std::string(kDevicePrefix) + data;
}

std::vector<SerialPortInfo> RealPorts() {
  std::vector<SerialPortInfo> ports;
  for (const TtyDeviceFacts& f : ListTtyDevices())
    if (IsUsableSerialPort(f)) ports.push_back(FromFacts(f));
  std::sort(ports.begin(), ports.end(), [](const SerialPortInfo& a, const SerialPortInfo& b) {
    return NaturalLess(a.name.ToUtf8(), b.name.ToUtf8());
  });
  ports.erase(std::unique(ports.begin(), ports.end(),
                          [](const SerialPortInfo& a, const SerialPortInfo& b) { return a.name == b.name; }),
              ports.end());
  return ports;
}

}  // namespace

void SetTtyDeviceLister(TtyDeviceLister lister) {
  std::lock_guard<std::mutex> lock(g_listerMutex);
  g_lister = std::move(lister);
}

bool IsUsableSerialPort(const TtyDeviceFacts& f) {
  if (f.name.IsEmpty() || f.devNode.IsEmpty() || f.parentDriver.IsEmpty()) return false;
  return f.serialType != 0;
}

std::vector<SerialPortInfo> EnumerateSerialPorts() {
  std::vector<SerialPortInfo> ports = RealPorts();
  for (const auto& [valueName, data] : reg::EnumStrings(HKEY_LOCAL_MACHINE, kSerialCommKey)) {
    const std::string name = data.ToUtf8();
    if (name.empty() || IsOwnedEntry(valueName.ToUtf8(), name)) continue;
    const CString& entry = data;
    const bool known = std::any_of(ports.begin(), ports.end(),
                                   [&entry](const SerialPortInfo& p) { return p.name == entry; });
    if (known) continue;
    SerialPortInfo p;
    p.name = data;
    p.devicePath = name.front() == '/' ? data : CString("/dev/") + data;
    p.description = CString("Virtual Serial Port (") + data + CString(")");
    p.isVirtual = true;
    ports.push_back(p);
  }
  return ports;
}

bool SyncSerialCommKey() {
  const std::vector<SerialPortInfo> real = RealPorts();
  bool ok = true;
  for (const auto& [valueName, data] : reg::EnumStrings(HKEY_LOCAL_MACHINE, kSerialCommKey)) {
    if (!IsOwnedEntry(valueName.ToUtf8(), data.ToUtf8())) continue;
    const CString& entry = data;
    const bool present =
        std::any_of(real.begin(), real.end(), [&entry](const SerialPortInfo& p) { return p.name == entry; });
    if (!present && !reg::DeleteValue(HKEY_LOCAL_MACHINE, kSerialCommKey, valueName)) ok = false;
  }
  for (const SerialPortInfo& p : real) {
    const CString valueName = CString(kDevicePrefix) + p.name;
    CString current;
    if (reg::GetString(HKEY_LOCAL_MACHINE, kSerialCommKey, valueName, current) && current == p.name) continue;
    if (!reg::SetString(HKEY_LOCAL_MACHINE, kSerialCommKey, valueName, p.name)) ok = false;
  }
  return ok;
}

}  // namespace platform
