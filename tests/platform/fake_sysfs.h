// Test helper: a sysfs tree of the shape the kernel gives, in a folder of the test's own: USB
// devices with their interfaces and the tty ports under them, and the class/tty links to the ports.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace testsupport {

class FakeSysfs {
 public:
  explicit FakeSysfs(std::string root) : m_root(std::move(root)) {}
  const std::string& Root() const { return m_root; }

  struct Port {
    std::string tty;            // "ttyUSB2"
    int interfaceNumber;        // 2
    std::string interfaceName;  // the interface's own string; empty: none
    std::string driver;         // "option1", "cdc_acm"
  };

  // One USB device (vendor and product ids in hex, its strings) at bus position `busPath` with its
  // ports. A usb-serial port (ttyUSB*) sits on a port device of its own under the interface, as the
  // kernel lays it out; an ACM port hangs off the interface itself.
  void AddUsbDevice(const std::string& busPath, const std::string& vendor, const std::string& product,
                    const std::string& manufacturer, const std::string& productName, const std::vector<Port>& ports) {
    const std::string usb = m_root + "/devices/pci0000:00/0000:00:14.0/usb1/" + busPath;
    Write(usb + "/uevent", "DEVTYPE=usb_device\n");
    Write(usb + "/idVendor", vendor + "\n");
    Write(usb + "/idProduct", product + "\n");
    if (!manufacturer.empty()) Write(usb + "/manufacturer", manufacturer + "\n");
    if (!productName.empty()) Write(usb + "/product", productName + "\n");
    for (const Port& p : ports) {
      const std::string iface = usb + "/" + busPath + ":1." + std::to_string(p.interfaceNumber);
      Write(iface + "/uevent", "DEVTYPE=usb_interface\n");
      Write(iface + "/bInterfaceNumber", "0" + std::to_string(p.interfaceNumber) + "\n");
      if (!p.interfaceName.empty()) Write(iface + "/interface", p.interfaceName + "\n");
      const bool acm = p.tty.compare(0, 6, "ttyACM") == 0;
      const std::string owner = acm ? iface : iface + "/" + p.tty;
      if (!acm) Write(owner + "/uevent", "DEVTYPE=usb_serial_port\n");
      const std::string drivers = m_root + "/bus/usb/drivers/" + p.driver;
      std::filesystem::create_directories(drivers);
      std::filesystem::create_symlink(drivers, owner + "/driver");
      AddTty(owner + "/tty/" + p.tty, p.tty);
    }
  }
  // The supported modem (2C7C:0700, Quectel EC200U-CN): one ttyUSB on the option driver per
  // interface, named as given, numbered from 0.
  void AddQuectelModem(const std::string& busPath, const std::vector<std::string>& interfaceNames) {
    std::vector<Port> ports;
    for (size_t i = 0; i < interfaceNames.size(); ++i)
      ports.push_back({"ttyUSB" + std::to_string(i), static_cast<int>(i), interfaceNames[i], "option1"});
    AddUsbDevice(busPath, "2c7c", "0700", "Quectel", "EC200U-CN", ports);
  }
  // A console of the virtual devices (no parent device).
  void AddVirtualTty(const std::string& name) { AddTty(m_root + "/devices/virtual/tty/" + name, name); }

 private:
  void AddTty(const std::string& dir, const std::string& name) {
    Write(dir + "/uevent", "MAJOR=188\nMINOR=0\nDEVNAME=" + name + "\n");
    std::filesystem::create_directories(m_root + "/class/tty");
    // Relative, as sysfs has it.
    std::filesystem::create_symlink("../.." + dir.substr(m_root.size()), m_root + "/class/tty/" + name);
  }
  static void Write(const std::string& path, const std::string& text) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << text;
  }
  std::string m_root;
};

}  // namespace testsupport
