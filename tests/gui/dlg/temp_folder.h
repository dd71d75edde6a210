// Test helper: a temporary folder removed with everything in it at the end, with byte-exact file
// writes and reads, and an optional stay in it as the current folder.
#pragma once

#include <gtest/gtest.h>

#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/cstring.h"
#include "platform/files.h"

namespace testsupport {

class TempFolder {
 public:
  TempFolder() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "brelvano-dlg-XXXXXX").string();
    if (mkdtemp(&tmpl[0]) != nullptr) m_root = tmpl;
  }
  ~TempFolder() {
    if (!m_savedCurrent.IsEmpty()) platform::SetCurrentFolder(m_savedCurrent);
    std::error_code ec;
    if (!m_root.empty()) std::filesystem::remove_all(m_root, ec);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  bool Ok() const { return !m_root.empty(); }
  std::string Root() const { return m_root; }
  std::string Path(const std::string& name) const { return m_root + "/" + name; }
  CString CPath(const std::string& name) const { return CString::FromUtf8(Path(name)); }

  void Write(const std::string& name, const std::string& bytes) const {
    std::ofstream out(Path(name), std::ios::binary | std::ios::trunc);
    out << bytes;
    ASSERT_TRUE(out.good()) << name;
  }
  std::string Read(const std::string& name) const {
    std::ifstream in(Path(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  bool Exists(const std::string& name) const { return std::filesystem::exists(Path(name)); }

  // Makes the folder the current one until the end of the test.
  void Enter() {
    if (m_savedCurrent.IsEmpty()) m_savedCurrent = platform::GetCurrentFolder();
    ASSERT_TRUE(platform::SetCurrentFolder(CString::FromUtf8(m_root)));
  }

 private:
  std::string m_root;
  CString m_savedCurrent;
};

}  // namespace testsupport
