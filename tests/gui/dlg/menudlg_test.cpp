// The side menu panel: the tab strip it fills (translated titles, table order), what it copies of
// the tab table, the input it swallows, and its busy and lock states.
#include <gtest/gtest.h>

#include "gui/dlg/menudlg.h"
#include "mainwindow_fixture.h"
#include "model_fill.h"

namespace {

using testsupport::FillTabs;

class MenuPanelTest : public testsupport::MainWindowFixture {
 protected:
  static CString TabText(CBrelvanoDlg* dlg, int i) {
    wchar_t buffer[64] = {};
    TCITEM item{};
    item.mask = TCIF_TEXT;
    item.pszText = buffer;
    item.cchTextMax = 64;
    EXPECT_TRUE(dlg->m_tabPages.GetItem(i, &item));
    return CString(buffer);
  }
};

TEST_F(MenuPanelTest, FillsTheTabStripWithTranslatedTitlesInTableOrder) {
  CBrelvanoDlg* dlg = Open();
  const wchar_t* titles[12] = {L"General", L"Network", L"Server", L"Report", L"Geofence", L"Input",
                               L"Output",  L"Alarm",   L"Power",  L"BLE",    L"Diagnosis", L"Profile"};
  const wchar_t* portuguese[12] = {L"Geral", L"Rede", L"Servidor", L"Relatório", L"Cerca", L"Entrada",
                                   L"Saída", L"Alarme", L"Energia", L"BLE", L"Diagnóstico", L"Perfil"};
  std::vector<testsupport::TabSpec> tabs;
  for (const wchar_t* title : titles) tabs.push_back({1, title, L"GEN"});
  FillTabs(dlg, tabs);
  for (int i = 0; i < 12; ++i) {
    CString key(titles[i]);
    key.MakeUpper();
    if (i != 9) dlg->m_mapLanguage.SetAt(key, portuguese[i]);  // "BLE" has no entry: stays as it is
  }
  dlg->CreateChildPages(TRUE);
  ASSERT_NE(dlg->m_pMenuDlg, nullptr);
  EXPECT_EQ(dlg->m_pMenuDlg->m_nCount, 12);
  ASSERT_EQ(dlg->m_tabPages.GetItemCount(), 12);
  for (int i = 0; i < 12; ++i) EXPECT_EQ(TabText(dlg, i), CString(portuguese[i])) << i;
  // The panel keeps untranslated copies.
  EXPECT_EQ(dlg->m_pMenuDlg->m_items[0].strTitle, CString(L"General"));
}

TEST_F(MenuPanelTest, CopiesTheUsedEntriesWithoutTheirPageType) {
  TAB_INFO tabs[kMaxTabs];
  tabs[0].nIndex = 0;
  tabs[0].nType = 6;
  tabs[0].strTitle = L"Zone";
  tabs[0].strHdr = L"GEO";
  tabs[0].bVisible = FALSE;
  tabs[0].nTabId = 9;
  tabs[0].bAssign = TRUE;
  tabs[0].strMapId = L"M";
  tabs[0].nSize = 77;
  tabs[3].nIndex = 27;
  tabs[3].strTitle = L"Diagnosis";
  CMenuDialog panel(tabs, nullptr);
  EXPECT_EQ(panel.m_nCount, 2);
  const TAB_INFO& a = panel.m_items[0];
  EXPECT_EQ(a.nIndex, 0);
  EXPECT_EQ(a.nType, TAB_TYPE_EMPTY);
  EXPECT_EQ(a.strTitle, CString(L"Zone"));
  EXPECT_EQ(a.strHdr, CString(L"GEO"));
  EXPECT_FALSE(a.bVisible);
  EXPECT_EQ(a.nTabId, 9);
  EXPECT_TRUE(a.bAssign);
  EXPECT_EQ(a.strMapId, CString(L"M"));
  EXPECT_EQ(a.nSize, 0);
  EXPECT_EQ(panel.m_items[1].nIndex, TAB_TYPE_EMPTY);
  EXPECT_TRUE(panel.m_items[1].bVisible);
  EXPECT_EQ(panel.m_items[3].nIndex, 27);
  EXPECT_EQ(panel.GetPanelHeight(), 2 * 40 + 150);
}

TEST_F(MenuPanelTest, BlockedInputSwallowsEveryMessageAndEnterOrEscapeAlways) {
  CBrelvanoDlg* dlg = Open();
  FillTabs(dlg, {{1, L"General", L"GEN"}});
  dlg->CreateChildPages(TRUE);
  CMenuDialog* panel = dlg->m_pMenuDlg;
  ASSERT_NE(panel, nullptr);
  struct Case {
    UINT message;
    WPARAM wParam;
    BOOL swallowedFree, swallowedBlocked;
  } cases[] = {
      {WM_KEYDOWN, VK_RETURN, TRUE, TRUE}, {WM_KEYDOWN, VK_ESCAPE, TRUE, TRUE}, {WM_KEYDOWN, 'A', FALSE, TRUE},
      {WM_LBUTTONDOWN, 0, FALSE, TRUE},    {WM_LBUTTONUP, 0, FALSE, TRUE},      {WM_RBUTTONDOWN, 0, FALSE, TRUE},
  };
  for (BOOL blocked : {FALSE, TRUE}) {
    panel->SetBlockInput(blocked);
    for (const Case& c : cases) {
      MSG m{};
      m.hwnd = panel->GetSafeHwnd();
      m.message = c.message;
      m.wParam = c.wParam;
      EXPECT_EQ(panel->PreTranslateMessage(&m), blocked ? c.swallowedBlocked : c.swallowedFree)
          << blocked << " " << c.message << " " << c.wParam;
    }
  }
  // Removing the pages from view blocks the panel's input.
  panel->SetBlockInput(FALSE);
  dlg->LayoutPages(TRUE, FALSE, FALSE);
  EXPECT_TRUE(panel->m_bBlockInput);
}

TEST_F(MenuPanelTest, BusyLockShowsTheWaitCursorOverThePanel) {
  CBrelvanoDlg* dlg = Open();
  FillTabs(dlg, {{1, L"General", L"GEN"}});
  dlg->CreateChildPages(TRUE);
  CMenuDialog* panel = dlg->m_pMenuDlg;
  ASSERT_NE(panel, nullptr);
  const HCURSOR wait = LoadCursor(nullptr, IDC_WAIT);
  const HCURSOR arrow = LoadCursor(nullptr, IDC_ARROW);
  struct Case {
    WPARAM lock;
    HCURSOR cursor;
  } cases[] = {{1, wait}, {0, arrow}, {1, wait}};
  for (const Case& c : cases) {
    EXPECT_EQ(panel->SendMessage(WM_UI_LOCK, c.lock, 0), 0);
    EXPECT_EQ(panel->m_bBusy, c.lock != 0);
    SetCursor(nullptr);
    panel->SendMessage(WM_SETCURSOR, reinterpret_cast<WPARAM>(panel->GetSafeHwnd()), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(SetCursor(nullptr), c.cursor) << c.lock;
  }
  // The main window's busy lock reaches the panel.
  dlg->LockUI(TRUE);
  EXPECT_TRUE(panel->m_bBusy);
  dlg->LockUI(FALSE);
  EXPECT_FALSE(panel->m_bBusy);
  // The menu lock is kept apart.
  panel->SendMessage(WM_MENU_LOCK, 1, 0);
  EXPECT_TRUE(panel->m_bLocked);
  EXPECT_FALSE(panel->m_bBusy);
  panel->SendMessage(WM_MENU_LOCK, 0, 0);
  EXPECT_FALSE(panel->m_bLocked);
}

}  // namespace
