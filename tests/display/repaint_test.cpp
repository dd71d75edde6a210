// On a real X display: after the definition is downloaded from the simulated tracker, as one file
// or as numbered sub-files, the screen shows the tab strip with its tabs and the first page, as
// the window draws them.
#include <QImage>
#include <QWidget>

#include <functional>
#include <string>

#include "../devsim/tracker_fixture.h"
#include "gui/dlg/settingdlg.h"
#include "platform/files.h"
#include "screen_util.h"

namespace {

std::string Group(const std::string& title, const std::string& hdr) {
  std::string xml = "<grp id=\"1\" title=\"" + title + "\" hdr=\"" + hdr + "\">\r\n";
  for (int i = 0; i < 6; ++i)
    xml += "<item fid=\"" + title + " " + std::to_string(i) + "\" type=\"edit\" ID=\"" + std::to_string(i) +
           "\" max=\"16\" curr=\"value\"/>\r\n";
  return xml + "</grp>\r\n";
}
const char* const kRoot = "<brelvano S=\"$T\" D=\";\" cmd=\"SHDC\" res=\"SDRDH\">\r\n";

class ScreenAfterDownload : public sessiontest::TrackerFixture {
 protected:
  void SetUp() override {
    TrackerFixture::SetUp();
    if (HasFatalFailure()) return;
    ASSERT_TRUE(displaytest::OnXDisplay()) << "run through tests/display/run_on_xvfb.sh";
  }
  bool ScreenShows(const QWidget* w) {
    return displaytest::ScreenShows(w, [this] { Run(10); });
  }
};

TEST_F(ScreenAfterDownload, TheTabsAndTheFirstPageAreOnTheScreenOnEveryRoad) {
  const struct {
    const char* what;
    std::function<void()> serve;
    const char* version;
  } cases[] = {
      {"single file",
       [&] { server.ServeXmlFile(std::string(kRoot) + Group("General", "H0") + Group("Report", "H1") + "</brelvano>\r\n"); },
       "150"},
      {"sub-files",
       [&] {
         server.ServeXmlSubFiles({{"RPT_SET", kRoot + Group("Report settings", "RPT") + "</brelvano>"},
                                  {"GEN", kRoot + Group("General", "GEN") + "</brelvano>"},
                                  {"EVT", kRoot + Group("Events", "EVT") + "</brelvano>"}});
       },
       "5"},
  };
  m_dlg->ShowWindow(SW_SHOW);
  QWidget* window = m_dlg->GetWidget();
  ASSERT_TRUE(ScreenShows(window)) << "the start picture is on the screen";
  const QImage start = displaytest::ScreenUnder(window);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    c.serve();
    devsim::TrackerIdentity id;
    id.model = "VR600";
    id.version = c.version;
    tracker.SetIdentity(id);
    Connect();
    ASSERT_TRUE(Drive([&] {
      return m_dlg->m_pSettingDlg != nullptr && m_dlg->m_tabPages.GetItemCount() >= 2 && !m_dlg->m_bXmlDownload &&
             m_dlg->m_pSettingDlg->m_pParamList != nullptr;
    }));
    Run(2000);
    ASSERT_TRUE(m_dlg->GetSafeHwnd() != nullptr);
    // The tab strip's row of tabs (the strip's page area lies under the page) and the whole window.
    QWidget* strip = m_dlg->m_tabPages.GetWidget();
    CRect first;
    m_dlg->m_tabPages.GetItemRect(0, &first);
    const QRect row(strip->mapTo(window, QPoint(0, 0)), QSize(strip->width(), first.bottom));
    EXPECT_GT(displaytest::DifferingShare(start.copy(row), window->grab().toImage().copy(row)), 0.01)
        << "the window draws tabs where the start picture had none";
    EXPECT_TRUE(ScreenShows(window)) << "the tab strip with its tabs and the first page";
    EXPECT_TRUE(ScreenShows(m_dlg->m_pSettingDlg->GetWidget())) << "the first page";
    Click(IDC_BTN_DISCONNECT);
  }
}

}  // namespace
