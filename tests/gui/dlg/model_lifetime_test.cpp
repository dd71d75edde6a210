// The definition model freed or replaced under shown pages, without a device: a second Open over a
// JSON definition whose settings, geofence and BLE pages are shown, and an Open that finds no port
// followed by a tab click. The pages must let go of the lists before they are freed (the address
// sanitizer catches a page that walks a freed list).
#include <gtest/gtest.h>

#include <string>

#include "definition_fixture.h"
#include "gui/dlg/bledlg.h"
#include "gui/dlg/geofencedlg.h"
#include "gui/dlg/settingdlg.h"
#include "platform/modal.h"

namespace {

const char kJsonDefinition[] = R"JSON({
 "brelvano": [
  {"info": [{"S": "VR900", "V": "278", "D": ";", "cmd": "$%s;%s", "res": "$PVR;%s"}]},
  {"General": [{"info": [{"id": "1", "hdr": "GEN"}]},
               {"Name": [{"type": "edit", "max": "16", "value": "unit"}]},
               {"Mode": [{"type": "combo", "num": "2", "value": "Day"}, {"list": [{"0": "0;Day", "1": "1;Night"}]}]}]},
  {"Zones": [{"info": [{"id": "6", "hdr": "CGF", "min": "1", "max": "10"}]}, {"Latitude": [{"type": "edit"}]}]},
  {"Beacons": [{"info": [{"id": "40", "hdr": "BLE", "min": "1"}]}, {"Mac": [{"type": "edit"}]}]}
 ]
})JSON";

class ModelLifetimeTest : public testsupport::DefinitionLoadFixture {
 protected:
  void SetUp() override {
    DefinitionLoadFixture::SetUp();
    // The JSON definition's pages are numbered-set pages; this folder holds no assignment CSV.
    TolerateMissingAssignCsv();
    m_dlgPtr = Open();
    m_dlgPtr->m_strDocumentDir = m_folder.CPath("") + L"/";
    m_folder.Write("Unit_JsonParam.json", kJsonDefinition);
  }
  void ClickOpen(const CString& path) {
    platform::ModalService::Instance().ExpectFileDialog(path);
    m_dlgPtr->SendMessage(WM_COMMAND, MAKEWPARAM(IDC_BTN_OPEN, BN_CLICKED),
                          reinterpret_cast<LPARAM>(m_dlgPtr->m_btnOpen.GetSafeHwnd()));
  }
  // Opens the JSON definition and shows its first page (its controls point into the tab's list).
  void OpenJsonAndShowFirstPage() {
    ClickOpen(m_folder.CPath("Unit_JsonParam.json"));
    ASSERT_NE(m_dlgPtr->m_pSettingDlg, nullptr);
    ASSERT_GE(m_dlgPtr->m_nTabCount, 3);
    m_dlgPtr->ShowFirstTab();
    ASSERT_NE(m_dlgPtr->m_pSettingDlg->m_pParamList, nullptr) << "the first page shows the first tab's list";
    ASSERT_NE(m_dlgPtr->m_pGeofenceDlg, nullptr);
    ASSERT_NE(m_dlgPtr->m_pBleDlg, nullptr);
  }
  CBrelvanoDlg* m_dlgPtr = nullptr;
};

TEST_F(ModelLifetimeTest, SecondOpenOverAShownJsonDefinitionReplacesItsPages) {
  OpenJsonAndShowFirstPage();
  const CString firstTitle = m_dlgPtr->m_tabInfo[0].strTitle;
  ClickOpen(m_folder.CPath("Unit_JsonParam.json"));
  ASSERT_NE(m_dlgPtr->m_pSettingDlg, nullptr);
  EXPECT_GE(m_dlgPtr->m_nTabCount, 3) << "the second definition is loaded whole";
  EXPECT_EQ(m_dlgPtr->m_tabInfo[0].strTitle, firstTitle);
  m_dlgPtr->ShowFirstTab();
  EXPECT_NE(m_dlgPtr->m_pSettingDlg->m_pParamList, nullptr);
}

TEST_F(ModelLifetimeTest, OpenWithoutAPortThenATabClickTouchesNoFreedList) {
  OpenJsonAndShowFirstPage();
  // An XML definition needs a port; there is none, so the model is gone and nothing replaces it.
  m_folder.Write("Unit_Param.xml", "<brelvano S=\"$T\"></brelvano>");
  ClickOpen(m_folder.CPath("Unit_Param.xml"));
  EXPECT_EQ(m_dlgPtr->m_pParamLists, nullptr);
  ASSERT_NE(m_dlgPtr->m_pSettingDlg, nullptr) << "the pages stay until something replaces them";
  EXPECT_EQ(m_dlgPtr->m_pSettingDlg->m_pParamList, nullptr);
  EXPECT_EQ(m_dlgPtr->m_pGeofenceDlg == nullptr ? nullptr : m_dlgPtr->m_pGeofenceDlg->m_pParams, nullptr);
  EXPECT_EQ(m_dlgPtr->m_pBleDlg == nullptr ? nullptr : m_dlgPtr->m_pBleDlg->m_pParamList, nullptr);
  // The user clicks another tab of the strip that still shows.
  if (m_dlgPtr->m_tabPages.GetItemCount() > 1) m_dlgPtr->m_tabPages.SetCurSel(1);
  NMHDR notify{m_dlgPtr->m_tabPages.GetSafeHwnd(), IDC_TAB_PAGES, TCN_SELCHANGE};
  m_dlgPtr->SendMessage(WM_NOTIFY, IDC_TAB_PAGES, reinterpret_cast<LPARAM>(&notify));
  m_dlgPtr->ShowFirstTab();
  EXPECT_EQ(m_dlgPtr->m_pSettingDlg->m_pParamList, nullptr) << "no list to show";
}

}  // namespace
