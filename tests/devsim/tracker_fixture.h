// Test helper: the main window against the simulated tracker that sends its definition (the
// session fixture with the tracker persona and the definition server), in a folder that is the
// program's own and holds its Document folder.
#pragma once

#include <string>
#include <vector>

#include "devsim/definitionserver.h"
#include "devsim/trackerdevice.h"
#include "platform/files.h"
#include "session_fixture.h"

namespace sessiontest {

class TrackerFixture : public SessionFixture {
 protected:
  void SetUp() override {
    SessionFixture::SetUp();
    if (HasFatalFailure()) return;
    const CString folder = platform::GetCurrentFolder() + L"/";
    m_dlg->m_strModuleDir = folder;
    m_dlg->m_strDocumentDir = folder + L"Document/";
    ASSERT_TRUE(platform::CreateFolder(folder + L"Document"));
  }
  void TearDown() override {
    if (m_dlg != nullptr && m_dlg->m_bPortOpen) Click(IDC_BTN_DISCONNECT);
    SessionFixture::TearDown();
  }

  // Connects a tracker of this model and firmware (json: it sends a JSON definition).
  void ConnectAs(const std::string& model, const std::string& version, int json = 0) {
    devsim::TrackerIdentity id;
    id.model = model;
    id.version = version;
    id.json = json;
    tracker.SetIdentity(id);
    Connect();
  }
  // The definition requests the server received that start with the prefix.
  std::vector<std::string> RequestsLike(const std::string& prefix) const {
    std::vector<std::string> out;
    for (const std::string& r : server.Requests())
      if (r.compare(0, prefix.size(), prefix) == 0) out.push_back(r);
    return out;
  }
  std::vector<CString> MessageTexts() const {
    std::vector<CString> out;
    for (const platform::ModalRecord& r : platform::ModalService::Instance().Records())
      if (r.kind == platform::ModalKind::MessageBox) out.push_back(r.text);
    return out;
  }
  // The definition is loaded with at least this many tabs and its first page.
  bool Loaded(int tabs) const { return m_dlg->m_pSettingDlg != nullptr && m_dlg->m_tabPages.GetItemCount() >= tabs; }

  devsim::TrackerDevice tracker{sim};
  devsim::DefinitionServer server{sim, tracker};
};

}  // namespace sessiontest
