// Test helper for the serial link's port code: an own registry file per test and a fake list of
// tty devices, both restored at the end.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/portenum.h"
#include "platform/registry.h"

namespace rs232test {

inline const wchar_t kSerialComm[] = L"HARDWARE\\DEVICEMAP\\SERIALCOMM";

// A USB tty of a device with the given ids.
inline platform::TtyDeviceFacts UsbTty(const char* name, const char* driver, int vendorId, int productId,
                                       int interfaceNumber, const char* product = "") {
  platform::TtyDeviceFacts f;
  f.name = name;
  f.devNode = CString("/dev/") + CString(name);
  f.parentDriver = driver;
  f.vendorId = vendorId;
  f.productId = productId;
  f.interfaceNumber = interfaceNumber;
  f.product = product;
  return f;
}

class PortFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "rs232-test-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    m_dir = pattern;
    platform::SetRegistryPath(CString::FromUtf8(m_dir + "/registry.txt"));
    UseDevices({});
  }
  void TearDown() override {
    platform::SetTtyDeviceLister({});
    platform::SetRegistryPath(CString());
    std::error_code ignored;
    std::filesystem::remove_all(m_dir, ignored);
  }
  void UseDevices(std::vector<platform::TtyDeviceFacts> devices) {
    platform::SetTtyDeviceLister([devices] { return devices; });
  }
  // A virtual port registered the way the simulated device does it.
  static void AddVirtual(const CString& valueName, const CString& port) {
    ASSERT_TRUE(platform::reg::SetString(HKEY_LOCAL_MACHINE, kSerialComm, valueName, port));
  }
  std::string m_dir;
};

}  // namespace rs232test
