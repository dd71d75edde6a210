// Test support for the settings and language tests: a registry file of the test's own in a
// temporary folder (removed afterwards), and a capture of what is traced to standard error.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/registry.h"
#include "platform/reslib.h"

namespace regtest {

// Gives each test an empty registry and the default library search; the folder doubles as a
// scratch folder.
class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char name[] = "/tmp/brelvano-settings-XXXXXX";
    ASSERT_NE(mkdtemp(name), nullptr);
    m_folder = name;
    platform::SetRegistryPath(CString((m_folder + "/registry.txt").c_str()));
  }
  void TearDown() override {
    platform::SetRegistryPath(CString());
    platform::SetLibraryFolder(CString());
    std::error_code ec;
    std::filesystem::remove_all(m_folder, ec);
  }
  const std::string& Folder() const { return m_folder; }

 private:
  std::string m_folder;
};

// Sends standard error into a temporary file while alive; Text() ends the capture.
class StderrCapture {
 public:
  StderrCapture() {
    fflush(nullptr);
    char name[] = "/tmp/brelvano-stderr-XXXXXX";
    m_file = mkstemp(name);
    unlink(name);
    m_saved = dup(STDERR_FILENO);
    dup2(m_file, STDERR_FILENO);
  }
  ~StderrCapture() {
    Restore();
    close(m_file);
  }
  std::string Text() {
    Restore();
    std::string text;
    char buffer[4096];
    lseek(m_file, 0, SEEK_SET);
    for (ssize_t n; (n = read(m_file, buffer, sizeof buffer)) > 0;) text.append(buffer, static_cast<size_t>(n));
    return text;
  }

 private:
  void Restore() {
    if (m_saved < 0) return;
    fflush(nullptr);
    dup2(m_saved, STDERR_FILENO);
    close(m_saved);
    m_saved = -1;
  }
  int m_file = -1;
  int m_saved = -1;
};

}  // namespace regtest
