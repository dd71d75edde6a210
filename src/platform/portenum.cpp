// Serial port enumeration over sysfs and the registry's SERIALCOMM key.
#include "platform/portenum.h"

#include <dirent.h>
#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <mutex>
#include <string>

#include "platform/registry.h"

namespace platform {
namespace {

const wchar_t kSerialCommKey[] = L"HARDWARE\\DEVICEMAP\\SERIALCOMM";
const char kDevicePrefix[] = "\\Device\\";

std::mutex g_listerMutex;
TtyDeviceLister g_lister;

// A sysfs attribute file's text without its line end and surrounding blanks; empty when absent.
std::string Attribute(const std::string& dir, const char* name) {
  std::ifstream in(dir + "/" + name, std::ios::binary);
  if (!in) return std::string();
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const size_t first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return std::string();
  const size_t last = text.find_last_not_of(" \t\r\n");
  return text.substr(first, last - first + 1);
}

bool HasFile(const std::string& dir, const char* name) { return access((dir + "/" + name).c_str(), F_OK) == 0; }

// A number attribute in the given base ("1546", "00", "4"); -1 when absent or not a number.
int NumberAttribute(const std::string& dir, const char* name, int base) {
  const std::string value = Attribute(dir, name);
  if (value.empty()) return -1;
  char* end = nullptr;
  const long n = std::strtol(value.c_str(), &end, base);
  if (end == nullptr || *end != '\0' || n < 0 || n > 0xFFFF) return -1;
  return static_cast<int>(n);
}

std::string Parent(const std::string& dir) {
  const size_t slash = dir.find_last_of('/');
  return slash == std::string::npos || slash == 0 ? std::string() : dir.substr(0, slash);
}

std::string BaseName(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The nearest directory above dir (and below root) that holds the file: the device a tty hangs
// off holds "uevent", its USB interface "bInterfaceNumber", its USB device "idVendor".
std::string AncestorWith(const std::string& root, std::string dir, const char* file) {
  for (dir = Parent(dir); dir.size() > root.size() && dir.compare(0, root.size(), root) == 0; dir = Parent(dir))
    if (HasFile(dir, file)) return dir;
  return std::string();
}

// The device name a uevent file gives ("DEVNAME=ttyUSB0"); empty when none.
std::string DevName(const std::string& dir) {
  std::ifstream in(dir + "/uevent");
  std::string line;
  while (std::getline(in, line))
    if (line.compare(0, 8, "DEVNAME=") == 0) return line.substr(8);
  return std::string();
}

// The tty devices of sysfs that sit on a device of their own. The virtual ones (consoles, the
// terminal multiplexer) have no parent device and so no driver: never a serial port, and most of a
// machine's ttys; they are passed over at once.
std::vector<std::string> TtySysPaths(const std::string& root) {
  std::vector<std::string> paths;
  const std::string classDir = root + "/class/tty";
  DIR* dir = opendir(classDir.c_str());
  if (dir == nullptr) return paths;
  while (const dirent* entry = readdir(dir)) {
    if (entry->d_name[0] == '.') continue;
    char target[4096];
    const ssize_t n = readlinkat(dirfd(dir), entry->d_name, target, sizeof target - 1);
    if (n <= 0) continue;
    target[n] = '\0';
    if (std::strstr(target, "/devices/virtual/") != nullptr) continue;
    paths.push_back(classDir + "/" + entry->d_name);
  }
  closedir(dir);
  return paths;
}

CString Utf8(const std::string& text) { return CString::FromUtf8(text); }

}  // namespace

std::vector<TtyDeviceFacts> ListSysfsTtyDevices(const CString& sysRoot) {
  std::vector<TtyDeviceFacts> out;
  char resolved[PATH_MAX];
  if (realpath(sysRoot.ToUtf8().c_str(), resolved) == nullptr) return out;
  const std::string root = resolved;
  for (const std::string& path : TtySysPaths(root)) {
    if (realpath(path.c_str(), resolved) == nullptr) continue;
    const std::string dev = resolved;
    TtyDeviceFacts f;
    f.name = Utf8(BaseName(dev));
    const std::string devName = DevName(dev);
    if (!devName.empty()) f.devNode = Utf8("/dev/" + devName);
    f.serialType = NumberAttribute(dev, "type", 10);
    const std::string parent = AncestorWith(root, dev, "uevent");
    char driver[4096];
    const ssize_t n = parent.empty() ? -1 : readlink((parent + "/driver").c_str(), driver, sizeof driver - 1);
    if (n > 0) {
      driver[n] = '\0';
      f.parentDriver = Utf8(BaseName(driver));
    }
    const std::string iface = AncestorWith(root, dev, "bInterfaceNumber");
    if (!iface.empty()) {
      f.interfaceNumber = NumberAttribute(iface, "bInterfaceNumber", 16);
      f.interfaceName = Utf8(Attribute(iface, "interface"));
    }
    const std::string usb = AncestorWith(root, dev, "idVendor");
    if (!usb.empty()) {
      f.vendorId = NumberAttribute(usb, "idVendor", 16);
      f.productId = NumberAttribute(usb, "idProduct", 16);
      f.manufacturer = Utf8(Attribute(usb, "manufacturer"));
      f.product = Utf8(Attribute(usb, "product"));
    }
    out.push_back(f);
  }
  return out;
}

namespace {

std::vector<TtyDeviceFacts> ListTtyDevices() {
  TtyDeviceLister lister;
  {
    std::lock_guard<std::mutex> lock(g_listerMutex);
    lister = g_lister;
  }
  return lister ? lister() : ListSysfsTtyDevices(CString("/sys"));
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
  p.interfaceName = f.interfaceName;
  p.isUsb = f.vendorId >= 0 && f.productId >= 0;
  // The caption names the vendor, the model and the port's own interface, so that the ports of one
  // multi-port device differ; a part the caption already holds is not repeated.
  CString what;
  for (const CString& part : {f.manufacturer, f.product, f.interfaceName}) {
    CString upperPart = part;
    upperPart.MakeUpper();
    CString upperWhat = what;
    upperWhat.MakeUpper();
    if (part.IsEmpty() || upperWhat.Find(upperPart) >= 0) continue;
    if (!what.IsEmpty()) what += CString(" ");
    what += part;
  }
  if (what.IsEmpty()) what = CString(p.isUsb ? "USB Serial Device" : "Serial Port");
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
