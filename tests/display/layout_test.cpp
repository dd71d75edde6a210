// On a real X display: every page type of a definition is shown in the main window at its real
// size, in the $-command set, from a JSON definition and in the numbered-parameter set, against the
// simulated tracker; no button, edit, choice or check box is covered by another control or lies
// out of the user's reach.
#include <gtest/gtest.h>

#include <QFontMetrics>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "../devsim/device_window_fixture.h"
#include "devsim/definitionserver.h"
#include "devsim/geofencedevice.h"
#include "devsim/numbereddevice.h"
#include "devsim/polygondevice.h"
#include "devsim/trackerdevice.h"
#include "gui/dlg/bledlg.h"
#include "gui/dlg/geofencedlg.h"
#include "gui/dlg/settingdlg.h"
#include "layout_check.h"
#include "platform/files.h"
#include "platform/pumpwait.h"
#include "reference/default/appregsettings.h"
#include "resources/pageresource.h"
#include "screen_util.h"

namespace {

constexpr DWORD kTimeoutMs = 20000;

// A tab of every kind of page; tabId gives the numbered-parameter codes (none in the $-set).
std::string Groups(bool numbered) {
  int code = 5;
  const auto tab = [&](const char* id, const char* title, const char* hdr, const char* extra = "") {
    std::string attrs = std::string("id=\"") + id + "\" title=\"" + title + "\" hdr=\"" + hdr + "\"" + extra;
    if (numbered) attrs += " tab_id=\"" + std::to_string(code++) + "\"";
    return "<grp " + attrs + ">";
  };
  std::string xml = tab("1", "General", "GEN");
  const char* kinds[] = {"edit", "passwd", "ip", "check box", "edit_number", "edit_hex", "edit+button"};
  int n = 0;
  for (int round = 0; round < 3; ++round) {
    for (const char* kind : kinds) {
      xml += std::string("<item fid=\"Setting number ") + std::to_string(n) + "\" type=\"" + kind + "\" ID=\"" +
             std::to_string(n) + "\" curr=\"1\" max=\"16\"/>";
      ++n;
    }
    xml += "<item fid=\"Choice " + std::to_string(n) + "\" type=\"combo\" ID=\"" + std::to_string(n) +
           "\" num=\"3\" curr=\"Medium\"><ele>Low</ele><ele>Medium</ele><ele>High</ele></item>";
    ++n;
  }
  xml += "</grp>";
  xml += tab("1", "Report", "RPT", " type=\"assign\"");
  for (int i = 0; i < 24; ++i) {
    const char* kind = i % 3 == 0 ? "sAssign" : i % 3 == 1 ? "mAssign" : "lAssign";
    xml += std::string("<item fid=\"Report item ") + std::to_string(i) + "\" type=\"" + kind + "\" ID=\"" +
           std::to_string(i) + "\" curr=\"1\"/>";
  }
  xml += "</grp>";
  xml += tab("6", "Geofence", "GEO", " unit=\"1\" min=\"1\" max=\"10\"") +
         "<item fid=\"No\" type=\"edit\"/><item fid=\"Active\" type=\"edit\"/><item fid=\"Latitude\" type=\"edit\"/>"
         "<item fid=\"Longitude\" type=\"edit\"/><item fid=\"Radius\" type=\"edit\"/><item fid=\"IN\" type=\"edit\"/>"
         "<item fid=\"OUT\" type=\"edit\"/></grp>";
  xml += tab("40", "Tags", "BLE", " min=\"1\" max=\"5\"") + "<item fid=\"Active\" type=\"edit\"/></grp>";
  xml += tab("26", "Access points", "APS") + "<item fid=\"Preset\" type=\"edit\"/></grp>";
  xml += tab("37", "Firmware", "FWD") + "<item fid=\"Main\" type=\"file_edit\"/></grp>";
  xml += tab("19", "Polygon", "PLG", " unit=\"1\" min=\"1\" max=\"6\" ptmax=\"60\"") +
         "<subgrp id=\"0\" hdr=\"PLS\" title=\"Service\">"
         "<item id=\"0\" fid=\"Polygon\" type=\"combo\" num=\"2\" curr=\"Enable\"><ele>Disable</ele><ele>Enable</ele></item>"
         "<item id=\"1\" fid=\"Interval\" type=\"edit\" curr=\"30\"/>"
         "</subgrp>"
         "<subgrp id=\"1\" hdr=\"PLA\" title=\"Zones\">"
         "<mgrp id=\"1\" title=\"Zone Setting\">"
         "<item id=\"0\" fid=\"Zone\" type=\"combo\" num=\"6\"/>"
         "<item id=\"11\" fid=\"Name\" type=\"edit\" curr=\"Area\" max=\"10\"/>"
         "</mgrp>"
         "<sheet id=\"3\" column=\"3\"><column>No</column><column>Name</column><column>Active</column></sheet>"
         "</subgrp></grp>";
  return xml;
}

// The same kinds of page in a JSON definition.
std::string JsonDefinition() {
  std::string general = R"({"General": [{"info": [{"id": "1", "hdr": "GEN"}]})";
  const char* kinds[] = {"edit", "passwd", "ip", "check box", "edit_number", "edit_hex", "edit+button"};
  int n = 0;
  for (int round = 0; round < 3; ++round) {
    for (const char* kind : kinds) {
      general += R"(, {"Setting number )" + std::to_string(n) + R"(": [{"ID": ")" + std::to_string(n) +
                 R"(", "type": ")" + kind + R"(", "value": "1", "max": "16"}]})";
      ++n;
    }
    general += R"(, {"Choice )" + std::to_string(n) + R"(": [{"ID": ")" + std::to_string(n) +
               R"(", "type": "combo", "num": "3", "value": "Medium"}, {"list": [{"0": "0;Low", "1": "1;Medium", "2": "2;High"}]}]})";
    ++n;
  }
  general += "]}";
  std::string report = R"({"Report": [{"info": [{"id": "1", "type": "assign", "hdr": "RPT"}]})";
  for (int i = 0; i < 24; ++i) {
    const char* kind = i % 3 == 0 ? "sAssign" : i % 3 == 1 ? "mAssign" : "lAssign";
    report += R"(, {"Report item )" + std::to_string(i) + R"(": [{"ID": ")" + std::to_string(i) + R"(", "type": ")" +
              kind + R"(", "value": "1"}]})";
  }
  report += "]}";
  return R"({"brelvano": [{"info": [{"S": "$T", "D": ";", "cmd": "SHDC", "res": "SDRDH"}]}, )" + general + ", " + report +
         R"(, {"Zones": [{"info": [{"id": "6", "hdr": "CGF", "unit": "1", "min": "1", "max": "10"}]},
              {"No": [{"type": "edit"}]}, {"Latitude": [{"type": "edit"}]}, {"Longitude": [{"type": "edit"}]},
              {"Radius": [{"type": "edit"}]}, {"IN": [{"type": "edit"}]}, {"OUT": [{"type": "edit"}]}]},
  {"Beacons": [{"info": [{"id": "40", "hdr": "BLE", "min": "1", "max": "5"}]}, {"Mac": [{"type": "edit"}]}]},
  {"Gap": [{"info": [{"id": "36", "hdr": "GAP", "min": "2", "max": "9"}]}, {"Slot": [{"type": "edit"}]}]},
  {"Download": [{"info": [{"id": "37", "hdr": "FWD"}]}, {"File": [{"type": "edit"}]}]},
  {"Polygons": [
    {"info": [{"id": "19", "hdr": "PLG", "unit": "1", "min": "1", "max": "6", "ptmax": "50"}]},
    {"Service": [{"info": [{"id": "0", "hdr": "PLS"}]},
                 {"Enable": [{"id": "0", "type": "combo", "num": "2", "value": "Disable"},
                             {"list": [{"0": "0;Disable", "1": "1;Enable"}]}]},
                 {"Value": [{"id": "1", "type": "edit", "value": "7"}]}]},
    {"Zones": [{"info": [{"id": "1", "hdr": "PLA"}]},
               {"sheet": [{"id": "3", "num": "3"}, {"list": [{"0": "No", "1": "Name", "2": "Active"}]}]},
               {"subDetail": [{"info": [{"id": "1", "hdr": "MG1"}]},
                              {"Zone": [{"id": "0", "num": "6", "type": "combo"}, {"list": [{"0": "1"}]}]}]}]}]}
]})";
}

class PageLayoutOnScreen : public testsupport::DeviceWindowFixture {
 protected:
  void SetUp() override {
    DeviceWindowFixture::SetUp();
    if (HasFatalFailure()) return;
    ASSERT_TRUE(displaytest::OnXDisplay()) << "run through tests/display/run_on_xvfb.sh";
    TolerateMissingAssignCsv();
    dlg->m_strModuleDir = platform::GetCurrentFolder() + L"/";
    // The assignment tables hold a few entries.
    m_folder.Write("Document/A_Header_7.csv", "NO,DATA,DES,NO,DATA,DES,NO,DATA,DES\n1,Speed,km/h,2,Heading,deg,3,Odometer,m\n");
    CAppRegSettings settings;
    settings.SetRegistryKey(kAppRegistryKeyName);
    ASSERT_TRUE(settings.WriteProfileString(L"Map", L"TileUrl", L""));
    dlg->ShowWindow(SW_SHOW);
  }

  // Shows every tab as a user picks it and collects what is covered or out of reach on each.
  std::vector<std::string> FaultsOnEveryTab() {
    std::vector<std::string> faults;
    for (int i = 0; i < dlg->m_tabPages.GetItemCount(); ++i) {
      dlg->m_tabPages.SetCurSel(i);
      dlg->OnTabSelChange(nullptr, nullptr);
      wchar_t text[64] = {};
      TCITEM item{};
      item.mask = TCIF_TEXT;
      item.pszText = text;
      item.cchTextMax = 63;
      dlg->m_tabPages.GetItem(i, &item);
      const CString title(text);
      const bool settled = platform::PumpUntil(
          [&] { return dlg->GetSafeHwnd() == nullptr || (dlg->m_tabPages.IsWindowEnabled() && dlg->m_bPolygonListDone); },
          kTimeoutMs);
      if (dlg->GetSafeHwnd() == nullptr) {
        faults.push_back("the window went");
        break;
      }
      if (!settled) faults.push_back("tab " + title.ToUtf8() + " did not settle");
      displaytest::ScreenShows(dlg->GetWidget(), [] { platform::PumpPendingEvents(); }, 3000);
      for (const std::string& f : displaytest::LayoutFaults(dlg->GetWidget())) faults.push_back(title.ToUtf8() + ": " + f);
      if (const char* dir = std::getenv("BRELVANO_SCREENSHOT_DIR")) {
        displaytest::ScreenUnder(dlg->GetWidget())
            .save(QString::fromUtf8(dir) + "/" + QString::fromUtf8(m_set) + "-" + QString::number(i) + ".png");
      }
    }
    return faults;
  }

  // The assignment page shown as a user picks its tab: each table's DATA column is at least as wide
  // as its widest entry and its title, in the font the table shows them in.
  void ExpectReadableDataColumns() {
    int tab = -1;
    for (int i = 0; i < dlg->m_tabPages.GetItemCount(); ++i)
      if (dlg->m_tabInfo[i].bAssign) tab = i;
    ASSERT_GE(tab, 0) << "the definition has an assignment page";
    dlg->m_tabPages.SetCurSel(tab);
    dlg->OnTabSelChange(nullptr, nullptr);
    ASSERT_TRUE(platform::PumpUntil([&] { return dlg->m_tabPages.IsWindowEnabled(); }, kTimeoutMs));
    CSettingDialog* page = dlg->m_pSettingDlg;
    ASSERT_NE(page, nullptr);
    int entries = 0;
    for (CListCtrl* list : {&page->m_listSmall, &page->m_listMedium, &page->m_listLarge}) {
      ASSERT_TRUE(list->IsWindowVisible());
      const QFontMetrics fm(list->GetWidget()->font());
      const int width = list->GetColumnWidth(1);
      EXPECT_GE(width, fm.horizontalAdvance(QStringLiteral("DATA"))) << "the title";
      for (int row = 0; row < list->GetItemCount(); ++row, ++entries) {
        const CString text = list->GetItemText(row, 1);
        EXPECT_GE(width, fm.horizontalAdvance(text.q())) << text.ToUtf8();
      }
    }
    EXPECT_GE(entries, 3) << "entries in each table";
    if (const char* dir = std::getenv("BRELVANO_SCREENSHOT_DIR"))
      displaytest::ScreenUnder(dlg->GetWidget()).save(QString::fromUtf8(dir) + "/" + QString::fromUtf8(m_set) + "-assign.png");
  }

  // The record pages' own layout: ADD, EDIT and DELETE in a row below the list, the
  // list and the progress bar from x 155 (as wide as the page lets them be, at most 680).
  void ExpectRecordPageLayout(CWnd* page, int list, int progress, int add, int edit, int del) {
    ASSERT_NE(page, nullptr);
    CRect client;
    page->GetClientRect(&client);
    const int width = std::min(680, client.Width() - 160);
    const auto rectOf = [&](int id) {
      CRect r;
      CWnd* w = page->GetDlgItem(id);
      if (w == nullptr) return r;
      w->GetWindowRect(&r);
      page->ScreenToClient(&r);
      return r;
    };
    EXPECT_EQ(rectOf(add), CRect(300, 300, 400, 335));
    EXPECT_EQ(rectOf(edit), CRect(430, 300, 530, 335));
    EXPECT_EQ(rectOf(del), CRect(560, 300, 660, 335));
    EXPECT_EQ(rectOf(list), CRect(155, 170, 155 + width, 290));
    EXPECT_EQ(rectOf(progress), CRect(155, 80, 155 + width, 110));
  }

  devsim::TrackerDevice tracker{sim};
  const char* m_set = "";
};

class DollarSetLayout : public PageLayoutOnScreen {
 protected:
  devsim::PolygonDevice poly{sim};
  devsim::GeofenceDevice geofences{sim};
  devsim::DefinitionServer server{sim, tracker};
};

TEST_F(DollarSetLayout, NoControlIsCoveredOrOutOfReachOnAnyPage) {
  m_set = "dollar";
  server.ServeXmlFile("<brelvano S=\"$T\" D=\";\" cmd=\"SHDC\" res=\"SDRDH\" V=\"1\">" + Groups(false) + "</brelvano>");
  devsim::TrackerIdentity id;
  id.model = "VR600";
  id.version = "150";
  tracker.SetIdentity(id);
  Connect();
  ASSERT_TRUE(platform::PumpUntil(
      [&] { return dlg->m_pSettingDlg != nullptr && !dlg->m_bDefinitionPending && dlg->m_tabPages.IsWindowEnabled(); },
      kTimeoutMs));
  ASSERT_GE(dlg->m_tabPages.GetItemCount(), 9);
  const std::vector<std::string> faults = FaultsOnEveryTab();
  EXPECT_TRUE(faults.empty()) << ::testing::PrintToString(faults);
}

class JsonLayout : public PageLayoutOnScreen {
 protected:
  devsim::PolygonDevice poly{sim};
  devsim::GeofenceDevice geofences{sim};
  devsim::DefinitionServer server{sim, tracker};
};

TEST_F(JsonLayout, NoControlIsCoveredOrOutOfReachOnAnyPage) {
  m_set = "json";
  server.ServeJson("1,Speed,km/h,2,Heading,deg,3,Odometer,m", JsonDefinition(), 4);
  devsim::TrackerIdentity id;
  id.model = "VR600";
  id.version = "2.1";
  id.json = 1;
  tracker.SetIdentity(id);
  Connect();
  ASSERT_TRUE(platform::PumpUntil(
      [&] { return dlg->m_pSettingDlg != nullptr && !dlg->m_bJsonDownload && !dlg->m_bDefinitionPending; }, kTimeoutMs));
  ASSERT_TRUE(platform::PumpUntil([&] { return dlg->m_tabPages.IsWindowEnabled(); }, kTimeoutMs));
  ASSERT_GE(dlg->m_tabPages.GetItemCount(), 9);
  const std::vector<std::string> faults = FaultsOnEveryTab();
  EXPECT_TRUE(faults.empty()) << ::testing::PrintToString(faults);
}

class NumberedSetLayout : public PageLayoutOnScreen {
 protected:
  devsim::NumberedDevice device{sim};
};

TEST_F(NumberedSetLayout, NoControlIsCoveredOrOutOfReachOnAnyPage) {
  m_set = "numbered";
  m_folder.Write("Document/A_Param_7.xml",
                 "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<BRELVANO S=\"VR600\" I=\"UNIT1\" P=\"0000\" V=\"7\" D=\";\" "
                 "R=\"RR\" cmd=\"$%s;%s\" res=\"$PVR;%s\">" +
                     Groups(true) + "</BRELVANO>\n");
  devsim::TrackerIdentity id;
  id.model = "VR600";
  id.version = "7";
  tracker.SetIdentity(id);
  tracker.SetUpProtocol(true);
  Connect();
  ASSERT_TRUE(platform::PumpUntil([&] { return dlg->m_bReadAllDone && dlg->m_nTabCount > 0; }, kTimeoutMs));
  ASSERT_GE(dlg->m_tabPages.GetItemCount(), 9);
  const std::vector<std::string> faults = FaultsOnEveryTab();
  EXPECT_TRUE(faults.empty()) << ::testing::PrintToString(faults);
  ExpectReadableDataColumns();
  {
    SCOPED_TRACE("the geofence page");
    ASSERT_NE(dlg->m_pGeofenceDlg, nullptr);
    EXPECT_EQ(dlg->m_pGeofenceDlg->GetPageHeight(), 460);
    ExpectRecordPageLayout(dlg->m_pGeofenceDlg, IDC_GEOFENCE_LIST, IDC_GEOFENCE_PROGRESS, IDC_GEOFENCE_ADD,
                           IDC_GEOFENCE_EDIT, IDC_GEOFENCE_DELETE);
  }
  {
    SCOPED_TRACE("the BLE page");
    ASSERT_NE(dlg->m_pBleDlg, nullptr);
    EXPECT_EQ(dlg->m_pBleDlg->GetPageHeight(), 460);
    ExpectRecordPageLayout(dlg->m_pBleDlg, IDC_BLE_LIST, IDC_BLE_PROGRESS, IDC_BLE_ADD, IDC_BLE_EDIT, IDC_BLE_DELETE);
  }
}

}  // namespace
