// The settings page as a page: its template controls and their first states, the page
// notifications (page build, Diagnosis and Profile views) with the busy messages to the parent,
// SEND's place and text, scrolling, the clearing of generated controls, the busy lock, the
// keyboard, the tooltips, the page under the real main window, and the zone list's own handlers.
#include "gui/dlg/settingdlg.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <memory>
#include <set>
#include <utility>
#include <vector>

#include "gui/dlg/brelvanodlg.h"
#include "gui/dlg/polydetaildlg.h"
#include "mainwindow_fixture.h"
#include "platform/dialog.h"
#include "platform/trace.h"

namespace {

// A parent window that records what the page sends it.
class ParentProbe : public CDialog {
 public:
  std::vector<std::pair<UINT, WPARAM>> messages;
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_PAGE_BUSY || message == WM_SETTINGS_PAGE_NOTIFY) messages.emplace_back(message, wParam);
    return CDialog::WindowProc(message, wParam, lParam);
  }
};

// A list of parameter records as the main window owns them. Check boxes, for which the generic
// builder makes no control, so that a test's own controls are the page's only generated ones.
struct ParamList {
  explicit ParamList(int count) {
    for (int i = 0; i < count; ++i) {
      auto* p = new PARAM_INFO();
      p->nCtrlType = CTRL_CHECK_BOX;
      list.AddTail(p);
    }
  }
  ~ParamList() {
    for (POSITION pos = list.GetHeadPosition(); pos != nullptr;) delete static_cast<PARAM_INFO*>(list.GetNext(pos));
  }
  PARAM_INFO* At(int index) {
    POSITION pos = list.FindIndex(index);
    return pos != nullptr ? static_cast<PARAM_INFO*>(list.GetAt(pos)) : nullptr;
  }
  CPtrList list;
};

const UINT kTemplateIds[] = {1000, 1015, 1016, 1024, 1025, 1026, 1017, 1018, 1019, 1021, 1020,
                             1022, 1023, 1078, 1081, 1045, 1046, 1047, 1096, 1097, 1098};

class SettingPageTest : public testsupport::MainWindowFixture {
 protected:
  void SetUp() override {
    MainWindowFixture::SetUp();
    SetLanguage(9);
    platform::DialogTemplate t(0, 0, 0, 700, 420, WS_POPUP, 0, L"parent");
    ASSERT_TRUE(m_parent.CreateIndirect(t));
  }
  void TearDown() override {
    DestroyPage();
    m_lists.clear();
    if (m_parent.GetSafeHwnd() != nullptr) m_parent.DestroyWindow();
    SetCursor(nullptr);
    MainWindowFixture::TearDown();
  }

  CSettingDialog* CreatePage(CWnd* parent = nullptr) {
    if (parent == nullptr) parent = &m_parent;
    m_page = std::make_unique<CSettingDialog>(parent);
    EXPECT_TRUE(m_page->Create(IDD_SETTING_DIALOG, parent));
    // Shown, as the main window shows it over its page area.
    parent->ShowWindow(SW_SHOW);
    m_page->ShowWindow(SW_SHOW);
    return m_page.get();
  }
  // A parameter list that lives until the page is gone, as the main window's lists do.
  ParamList& NewList(int count) {
    m_lists.push_back(std::make_unique<ParamList>(count));
    return *m_lists.back();
  }
  // As the main window ends a page: reset, close, delete.
  void DestroyPage() {
    if (!m_page) return;
    m_page->ResetPage();
    if (m_page->GetSafeHwnd() != nullptr) m_page->SendMessage(WM_CLOSE);
    m_page.reset();
  }

  void ShowPage(int type, CPtrList* params, BOOL bAssign = FALSE) {
    m_pageInfo.tab.nIndex = 0;
    m_pageInfo.tab.nType = type;
    m_pageInfo.tab.strTitle = L"Tab";
    m_pageInfo.tab.bAssign = bAssign;
    m_pageInfo.pParams = params;
    m_pageInfo.nLabelWidth = 120;
    m_pageInfo.nValueWidth = 200;
    m_page->SendMessage(WM_SETTINGS_PAGE_NOTIFY, SETTINGS_NOTIFY_PAGE, reinterpret_cast<LPARAM>(&m_pageInfo));
  }

  // Position of a control in the page's client area.
  CPoint PosOf(const CWnd* control) const {
    CRect rc;
    control->GetWindowRect(&rc);
    m_page->ScreenToClient(&rc);
    return rc.TopLeft();
  }
  BOOL Visible(int id) const { return m_page->GetDlgItem(id)->IsWindowVisible(); }
  CString Text(int id) const { return m_page->GetDlgItem(id)->GetWindowText(); }

  // A control made the way the page builders make theirs (new, Create, kept in a record).
  template <typename T>
  T* MakeControl(UINT id, int y) {
    auto* control = new T();
    const CRect rc(10, y, 150, y + 18);
    bool ok = false;
    if constexpr (std::is_same_v<T, CEdit>) {
      ok = control->Create(WS_CHILD | WS_VISIBLE | WS_BORDER, rc, m_page.get(), id);
    } else if constexpr (std::is_same_v<T, CButton>) {
      ok = control->Create(L"check", WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX, rc, m_page.get(), id);
    } else {
      ok = control->Create(L"label", WS_CHILD | WS_VISIBLE, rc, m_page.get(), id);
    }
    EXPECT_TRUE(ok);
    return control;
  }

  // Children that are not controls of the template.
  std::vector<CWnd*> GeneratedChildren() const {
    const std::set<UINT> fixed(std::begin(kTemplateIds), std::end(kTemplateIds));
    std::vector<CWnd*> out;
    for (CWnd* child : m_page->GetChildren()) {
      if (fixed.count(static_cast<UINT>(child->GetDlgCtrlID())) == 0) out.push_back(child);
    }
    return out;
  }

  std::vector<std::pair<UINT, WPARAM>> TakeMessages() {
    std::vector<std::pair<UINT, WPARAM>> out;
    out.swap(m_parent.messages);
    return out;
  }

  ParentProbe m_parent;
  std::vector<std::unique_ptr<ParamList>> m_lists;
  std::unique_ptr<CSettingDialog> m_page;
  PAGE_INFO m_pageInfo;
};

TEST_F(SettingPageTest, TemplateControlsAreBoundAndStartInTheirFirstStates) {
  CSettingDialog* page = CreatePage();
  for (UINT id : kTemplateIds) EXPECT_NE(page->GetDlgItem(static_cast<int>(id)), nullptr) << id;
  EXPECT_EQ(GeneratedChildren().size(), 0u);

  struct Bound {
    int id;
    CWnd* member;
  };
  const Bound bound[] = {{1015, &page->m_stGps},         {1016, &page->m_stGprs},        {1078, &page->m_listPolygon},
                         {1081, &page->m_progress},      {1024, &page->m_stIButton},     {1025, &page->m_stOdometer},
                         {1026, &page->m_stRpm},         {1045, &page->m_listSmall},     {1046, &page->m_listMedium},
                         {1047, &page->m_listLarge},     {1096, &page->m_stTitleSmall},  {1097, &page->m_stTitleMedium},
                         {1098, &page->m_stTitleLarge}};
  for (const Bound& b : bound) {
    EXPECT_NE(b.member->GetSafeHwnd(), nullptr) << b.id;
    EXPECT_EQ(page->GetDlgItem(b.id)->GetSafeHwnd(), b.member->GetSafeHwnd()) << b.id;
  }

  // Hidden from the start: status lines, progress, assignment tables and titles, zone list.
  for (int id : {1015, 1016, 1024, 1025, 1026, 1081, 1045, 1046, 1047, 1096, 1097, 1098, 1078}) {
    EXPECT_FALSE(page->GetDlgItem(id)->GetStyle() & WS_VISIBLE) << id;
  }
  int lower = -1;
  int upper = -1;
  page->m_progress.GetRange(lower, upper);
  EXPECT_EQ(lower, 0);
  EXPECT_EQ(upper, 100);
  EXPECT_EQ(page->m_progress.GetPos(), 10);

  // Texts of the English language library.
  const std::pair<int, const wchar_t*> texts[] = {{1000, L"SEND"},         {1018, L"Load Profile"},
                                                  {1019, L"Save Profile"}, {1021, L"Change Profile"},
                                                  {1020, L"ADD"},          {1022, L"EDIT"},
                                                  {1023, L"DELETE"},       {1017, L""}};
  for (const auto& t : texts) EXPECT_EQ(Text(t.first), CString(t.second)) << t.first;

  EXPECT_EQ(page->m_pParamList, nullptr);
  EXPECT_EQ(page->m_pToolTip, nullptr);
  EXPECT_EQ(page->m_nPointLimit, 60);
  EXPECT_EQ(page->m_nTotalPointLimit, 0);
  EXPECT_EQ(page->m_nSelectedRow, -1);
  EXPECT_FALSE(page->m_bUpMode);
  EXPECT_EQ(page->GetPageHeight(), 50);
}

TEST_F(SettingPageTest, PageNotificationClearsTheOldPageAndBracketsTheBuildWithBusyMessages) {
  CSettingDialog* page = CreatePage();
  ParamList& first = NewList(3);
  ShowPage(2, &first.list);
  EXPECT_EQ(page->m_pParamList, &first.list);
  EXPECT_EQ(page->m_curTab.nType, 2);
  EXPECT_EQ(page->m_curTab.strTitle, CString(L"Tab"));
  EXPECT_EQ(page->m_nLabelWidth, 120);
  EXPECT_EQ(page->m_nValueWidth, 200);

  // Controls of the shown tab, as a builder leaves them in the records.
  first.At(0)->pLabelWnd = MakeControl<CStatic>(3000, 60);
  first.At(0)->pValueWnd = MakeControl<CEdit>(3001, 60);
  first.At(1)->pValueWnd = MakeControl<CEdit>(3003, 90);
  first.At(1)->pExtraWnd = MakeControl<CButton>(3004, 90);
  ASSERT_EQ(GeneratedChildren().size(), 4u);
  TakeMessages();

  ParamList& second = NewList(1);
  ShowPage(5, &second.list);
  EXPECT_EQ(GeneratedChildren().size(), 0u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(first.At(i)->pLabelWnd, nullptr) << i;
    EXPECT_EQ(first.At(i)->pValueWnd, nullptr) << i;
    EXPECT_EQ(first.At(i)->pExtraWnd, nullptr) << i;
  }
  EXPECT_EQ(page->m_pParamList, &second.list);
  // Busy first and last; hiding the status lines tells the parent in between.
  const std::vector<std::pair<UINT, WPARAM>> expected = {
      {WM_PAGE_BUSY, 1}, {WM_SETTINGS_PAGE_NOTIFY, 0}, {WM_PAGE_BUSY, 0}};
  EXPECT_EQ(TakeMessages(), expected);
}

TEST_F(SettingPageTest, NotificationsWithoutAPageOnlyClear) {
  CSettingDialog* page = CreatePage();
  ParamList& params = NewList(1);
  ShowPage(2, &params.list);
  params.At(0)->pValueWnd = MakeControl<CEdit>(3001, 60);
  TakeMessages();
  const std::pair<WPARAM, LPARAM> cases[] = {{0, 0}, {3, 0}, {0xFFFF, 1234}};
  for (const auto& c : cases) {
    page->SendMessage(WM_SETTINGS_PAGE_NOTIFY, c.first, c.second);
    const std::vector<std::pair<UINT, WPARAM>> expected = {{WM_PAGE_BUSY, 1}, {WM_PAGE_BUSY, 0}};
    EXPECT_EQ(TakeMessages(), expected) << c.first;
    EXPECT_EQ(GeneratedChildren().size(), 0u) << c.first;
  }
  EXPECT_EQ(params.At(0)->pValueWnd, nullptr);
  // Neither a stray polygon update nor an unknown command harms the page.
  page->SendMessage(WM_POLYGON_LIST_UPDATE, 2, 0);
  page->SendMessage(WM_POLYGON_LIST_UPDATE, 9, 0);
  EXPECT_EQ(page->SendMessage(WM_COMMAND, MAKEWPARAM(4000, 0x300), 0), 1);
  EXPECT_EQ(page->SendMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0), 1);
  EXPECT_NE(page->GetSafeHwnd(), nullptr);
}

TEST_F(SettingPageTest, SendButtonPlaceTextAndStateFollowThePage) {
  CSettingDialog* page = CreatePage();
  CWnd* send = page->GetDlgItem(IDC_SETTING_SEND);
  CRect button;
  send->GetWindowRect(&button);

  struct Case {
    int type;
    BOOL fileMode;
    BOOL upMode;
    const wchar_t* subGroupTitle;
    BOOL visible;
    const wchar_t* text;
  };
  const Case cases[] = {
      {2, FALSE, FALSE, L"", TRUE, L"SEND"},
      {2, TRUE, FALSE, L"", TRUE, L"SEND"},   // a file in the $-command set still sends
      {2, FALSE, TRUE, L"", TRUE, L"SEND"},
      {2, TRUE, TRUE, L"", TRUE, L"SAVE"},
      {TAB_TYPE_COMMAND, FALSE, FALSE, L"", TRUE, L"SEND"},
      {TAB_TYPE_POLYGON, FALSE, FALSE, L"", FALSE, L"SEND"},
      {TAB_TYPE_POLYGON, FALSE, FALSE, L"Zones", TRUE, L"SEND"},
  };
  for (const Case& c : cases) {
    g_bFileMode = c.fileMode;
    page->m_bUpMode = c.upMode;
    ParamList& params = NewList(1);
    params.At(0)->bReserve = TRUE;  // no row: the page is empty
    params.At(0)->subGroups[0].strTitle = c.subGroupTitle;
    ShowPage(c.type, &params.list);
    CRect client;
    page->GetClientRect(&client);
    EXPECT_EQ(send->IsWindowVisible(), c.visible) << c.type << c.subGroupTitle;
    EXPECT_EQ(send->GetWindowText(), CString(c.text)) << c.type << c.fileMode << c.upMode;
    const CPoint expected = c.type == TAB_TYPE_POLYGON
                                ? CPoint(client.Width() - 4 * button.Width(), 25)
                                : CPoint(client.Width() - button.Width() - 30, 20);
    EXPECT_EQ(PosOf(send), expected) << c.type;
    // The zone buttons and list belong to the polygon page alone.
    EXPECT_EQ(Visible(IDC_SETTING_POLYGON_ADD), c.type == TAB_TYPE_POLYGON) << c.type;
    EXPECT_EQ(Visible(IDC_SETTING_POLYGON_LIST), c.type == TAB_TYPE_POLYGON) << c.type;
    EXPECT_EQ(page->GetPageHeight(), c.type == TAB_TYPE_COMMAND ? 71 : 50) << c.type;
    page->ClearPage();
  }

  page->EnableSendButton(FALSE);
  EXPECT_FALSE(send->IsWindowEnabled());
  page->EnableSendButton(TRUE);
  EXPECT_TRUE(send->IsWindowEnabled());
  page->ShowSendButton(FALSE);
  EXPECT_FALSE(send->IsWindowVisible());
  page->ShowSendButton(TRUE);
  EXPECT_TRUE(send->IsWindowVisible());
}

TEST_F(SettingPageTest, ProfileViewShowsTheRowWithAnEmptyPathEachTime) {
  CSettingDialog* page = CreatePage();
  for (int round = 0; round < 2; ++round) {
    page->SetDlgItemText(IDC_SETTING_PROFILE_PATH, L"/tmp/old.xml");
    page->m_strProfilePath = L"/tmp/old.xml";
    TakeMessages();
    page->SendMessage(WM_SETTINGS_PAGE_NOTIFY, SETTINGS_NOTIFY_PROFILE, 0);
    for (int id : {1017, 1018, 1019, 1021}) EXPECT_TRUE(Visible(id)) << id;
    for (int id : {1000, 1015, 1016, 1024, 1025, 1026}) EXPECT_FALSE(Visible(id)) << id;
    EXPECT_EQ(Text(IDC_SETTING_PROFILE_PATH), CString());
    EXPECT_TRUE(page->m_strProfilePath.IsEmpty());
    const std::vector<std::pair<UINT, WPARAM>> expected = {
        {WM_PAGE_BUSY, 1}, {WM_SETTINGS_PAGE_NOTIFY, 0}, {WM_SETTINGS_PAGE_NOTIFY, 2}, {WM_PAGE_BUSY, 0}};
    EXPECT_EQ(TakeMessages(), expected) << round;
  }
  EXPECT_EQ(PosOf(page->GetDlgItem(IDC_SETTING_LOAD_PROFILE)), CPoint(200, 50));
  // A parameter page hides the row again.
  ParamList& params = NewList(1);
  ShowPage(2, &params.list);
  for (int id : {1017, 1018, 1019, 1021}) EXPECT_FALSE(Visible(id)) << id;
  EXPECT_TRUE(Visible(IDC_SETTING_SEND));
}

TEST_F(SettingPageTest, DiagnosisViewShowsTheStatusLinesOfAReading) {
  CSettingDialog* page = CreatePage();
  DEVICE_INFO device;
  page->SetDeviceInfo(&device, nullptr);
  struct Case {
    const wchar_t* model;
    int gps;
    int network;
    int extra;
    int showIButton, showOdo, showRpm;
    const wchar_t* gpsLine;
    const wchar_t* networkLine;
    bool iButton, odo, rpm;
  };
  const Case cases[] = {
      {L"VR500", -1, -1, 0, 0, 0, 0, L"GPS: ", L"GPRS: ", false, false, false},
      {L"VR500", 0, 0, 0, 0, 0, 0, L"GPS: Fixed", L"GPRS: OK", false, false, false},
      {L"VR500", 3, 9, 0, 1, 1, 1, L"GPS: GPS Turned Off", L"GPRS: Communication Fail With Modem", false, false,
       false},
      {L"VR500", 4, 10, 0, 0, 0, 0, L"GPS: ", L"GPRS: ", false, false, false},
      {L"VR500", 1, 7, 1, 1, 0, 0, L"GPS: Not Fixed", L"GPRS: Sim card is PUK-locked", true, false, false},
      {L"VR500", 2, 6, 1, 1, 1, 1, L"GPS: Antenna or Chipset Error", L"GPRS: No SIM", true, true, true},
      {L"VR065UR-2", 0, 0, 1, 1, 1, 1, L"GPS: Fixed", L"GPRS: OK", true, false, false},
  };
  for (const Case& c : cases) {
    device.strModel = c.model;
    DIAG_INFO diag;
    diag.nGpsState = c.gps;
    diag.nNetworkState = c.network;
    diag.bHasExtra = c.extra;
    diag.bShowIButton = c.showIButton;
    diag.bShowOdo = c.showOdo;
    diag.bShowRpm = c.showRpm;
    diag.strIButtonId = L"00AB";
    diag.strOdoPulse = L"12";
    diag.strDistance = L"3.5";
    diag.strRpmPulse = L"40";
    diag.strRpm = L"800";
    page->SendMessage(WM_SETTINGS_PAGE_NOTIFY, SETTINGS_NOTIFY_DIAGNOSIS, reinterpret_cast<LPARAM>(&diag));
    EXPECT_EQ(Text(1015), CString(c.gpsLine)) << c.gps;
    EXPECT_EQ(Text(1016), CString(c.networkLine)) << c.network;
    EXPECT_TRUE(Visible(1015));
    EXPECT_TRUE(Visible(1016));
    EXPECT_EQ(Visible(1024) != FALSE, c.iButton) << c.model << c.extra;
    EXPECT_EQ(Visible(1025) != FALSE, c.odo) << c.model << c.extra;
    EXPECT_EQ(Visible(1026) != FALSE, c.rpm) << c.model << c.extra;
    EXPECT_FALSE(Visible(IDC_SETTING_SEND));
    if (c.extra != 0) {
      EXPECT_EQ(Text(1024), CString(L"I-Button ID: 00AB"));
      EXPECT_EQ(Text(1025), CString(L"Odo Pulse: 12   Dist: 3.5"));
      EXPECT_EQ(Text(1026), CString(L"RPM Pulse: 40   RPM: 800"));
    }
  }
  EXPECT_EQ(PosOf(page->GetDlgItem(1015)), CPoint(200, 50));
  // A notification without a reading shows the prefixes alone.
  page->SendMessage(WM_SETTINGS_PAGE_NOTIFY, SETTINGS_NOTIFY_DIAGNOSIS, 0);
  EXPECT_EQ(Text(1015), CString(L"GPS: "));
  EXPECT_EQ(Text(1016), CString(L"GPRS: "));
  EXPECT_FALSE(Visible(1024));

  // Leaving the view for a parameter page hides the lines and tells the parent.
  ParamList& params = NewList(1);
  TakeMessages();
  ShowPage(2, &params.list);
  for (int id : {1015, 1016, 1024, 1025, 1026}) EXPECT_FALSE(Visible(id)) << id;
  const auto messages = TakeMessages();
  EXPECT_NE(std::find(messages.begin(), messages.end(), std::make_pair(UINT(WM_SETTINGS_PAGE_NOTIFY), WPARAM(0))),
            messages.end());
}

TEST_F(SettingPageTest, ScrollingMovesTheChildrenWithinTheRangeAndANewPageStartsAtTheTop) {
  CSettingDialog* page = CreatePage();
  page->MoveWindow(0, 0, 600, 300);
  CRect client;
  page->GetClientRect(&client);
  ASSERT_GT(client.Height(), 0);
  EXPECT_EQ(page->m_nScrollRange, 3 * client.Height() + 100);
  EXPECT_EQ(page->m_nScrollPage, 300);
  EXPECT_EQ(page->m_nScrollPos, 0);
  SCROLLINFO si{};
  si.cbSize = sizeof(si);
  si.fMask = SIF_ALL;
  page->GetScrollInfo(SB_VERT, &si);
  EXPECT_EQ(si.nMin, 0);
  EXPECT_EQ(si.nMax, page->m_nScrollRange - 1);
  EXPECT_EQ(static_cast<int>(si.nPage), 300);

  ParamList& params = NewList(1);
  ShowPage(2, &params.list);
  CStatic* label = MakeControl<CStatic>(3000, 100);
  params.At(0)->pLabelWnd = label;
  CWnd* progress = page->GetDlgItem(IDC_SETTING_PROGRESS);
  const CPoint progressHome = PosOf(progress);
  const int last = page->m_nScrollRange - page->m_nScrollPage;

  struct Step {
    UINT code;
    int pos;
    int expected;
  };
  const Step steps[] = {
      {SB_LINEDOWN, 0, 95},
      {SB_PAGEDOWN, 0, 395},
      {SB_THUMBPOSITION, 10, 395},  // only the tracking moves the page
      {SB_TOP, 0, 395},
      {SB_BOTTOM, 0, 395},
      {SB_THUMBTRACK, last + 500, last},  // stops at the end
      {SB_LINEDOWN, 0, last},
      {SB_PAGEUP, 0, last - 300},
      {SB_THUMBTRACK, 30, 30},
      {SB_LINEUP, 0, 0},  // stops at the top
      {SB_LINEUP, 0, 0},
  };
  for (const Step& s : steps) {
    page->SendMessage(WM_VSCROLL, MAKEWPARAM(s.code, s.pos), 0);
    EXPECT_EQ(page->m_nScrollPos, s.expected) << s.code << " " << s.pos;
    EXPECT_EQ(page->GetScrollPos(SB_VERT), s.expected) << s.code;
    EXPECT_EQ(PosOf(label).y, 100 - s.expected) << s.code;
    EXPECT_EQ(PosOf(progress).y, progressHome.y - s.expected) << s.code;
  }

  page->SendMessage(WM_VSCROLL, MAKEWPARAM(SB_PAGEDOWN, 0), 0);
  ASSERT_EQ(page->m_nScrollPos, 300);
  ShowPage(2, &params.list);
  EXPECT_EQ(page->m_nScrollPos, 0);
  EXPECT_EQ(page->GetScrollPos(SB_VERT), 0);
  EXPECT_EQ(PosOf(progress), progressHome);

  // A new size starts at the top as well.
  page->SendMessage(WM_VSCROLL, MAKEWPARAM(SB_LINEDOWN, 0), 0);
  page->MoveWindow(0, 0, 640, 320);
  EXPECT_EQ(page->m_nScrollPos, 0);
  EXPECT_EQ(page->m_nScrollPage, 320);
  EXPECT_EQ(PosOf(progress), progressHome);
}

TEST_F(SettingPageTest, ClearPageLeavesNoGeneratedControlAndNullsEveryRecordPointer) {
  CSettingDialog* page = CreatePage();
  ParamList& params = NewList(5);
  ShowPage(2, &params.list);
  params.At(0)->pLabelWnd = MakeControl<CStatic>(3000, 40);
  params.At(0)->pValueWnd = MakeControl<CEdit>(3001, 40);
  params.At(1)->nCtrlType = CTRL_ALERT_ID;
  params.At(1)->pValueWnd = MakeControl<CButton>(3003, 60);
  params.At(1)->pExtraWnd = MakeControl<CEdit>(3003, 60);
  params.At(2)->nCtrlType = CTRL_S_ASSIGN;
  params.At(2)->pValueWnd = MakeControl<CButton>(3005, 80);
  page->m_pLabelS = MakeControl<CStatic>(0xFFFF, 20);
  params.At(3)->nCtrlType = CTRL_EDIT_HEX;
  params.At(3)->pValueWnd = MakeControl<CEdit>(3007, 100);
  // A control object whose window never came to be.
  params.At(4)->nCtrlType = CTRL_ANY;
  params.At(4)->pValueWnd = new CEdit();
  params.list.AddTail(static_cast<void*>(nullptr));  // a hole in the list is skipped
  page->m_pCmdLabel = MakeControl<CStatic>(0xFFFF, 120);
  page->m_pCmdEdit = MakeControl<CEdit>(3009, 120);
  ASSERT_EQ(GeneratedChildren().size(), 9u);

  page->ClearPage();
  EXPECT_EQ(GeneratedChildren().size(), 0u);
  EXPECT_EQ(page->GetChildren().size(), std::size(kTemplateIds));
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(params.At(i)->pLabelWnd, nullptr) << i;
    EXPECT_EQ(params.At(i)->pValueWnd, nullptr) << i;
    EXPECT_EQ(params.At(i)->pExtraWnd, nullptr) << i;
  }
  EXPECT_EQ(page->m_pParamList, nullptr);
  EXPECT_EQ(page->m_pLabelS, nullptr);
  EXPECT_EQ(page->m_pCmdLabel, nullptr);
  EXPECT_EQ(page->m_pCmdEdit, nullptr);
  page->ClearPage();  // nothing left to clear
}

TEST_F(SettingPageTest, ResetThenCloseReleasesTheShownControlsWithoutTouchingTheRecordsLater) {
  CSettingDialog* page = CreatePage();
  auto params = std::make_unique<ParamList>(2);
  ShowPage(2, &params->list);
  params->At(0)->pValueWnd = MakeControl<CEdit>(3001, 40);
  params->At(1)->pLabelWnd = MakeControl<CStatic>(3002, 60);
  page->CreateToolTip();
  page->m_arrPresets.Add(L"preset");
  page->m_bBusy = TRUE;

  page->ResetPage();
  EXPECT_EQ(page->m_pParamList, nullptr);
  EXPECT_EQ(page->m_pToolTip, nullptr);
  EXPECT_EQ(page->m_arrPresets.GetSize(), 0);
  EXPECT_FALSE(page->m_bBusy);
  EXPECT_EQ(page->m_nSelectedRow, -1);
  EXPECT_EQ(params->At(0)->pValueWnd, nullptr);
  EXPECT_EQ(params->At(1)->pLabelWnd, nullptr);
  // The main window may give its lists back before the page is closed.
  params.reset();
  page->SendMessage(WM_CLOSE);
  EXPECT_EQ(page->GetSafeHwnd(), nullptr);
  m_page.reset();
}

TEST_F(SettingPageTest, BusyLockShowsTheWaitCursorAndNothingElse) {
  CSettingDialog* page = CreatePage();
  ParamList& params = NewList(1);
  ShowPage(2, &params.list);
  CButton* check = MakeControl<CButton>(3001, 60);
  params.At(0)->pValueWnd = check;
  // On the box itself (a check box takes clicks on its box and text only).
  auto onBox = [](CWnd* w) { return QPoint(6, w->GetWidget()->height() / 2); };

  page->SendMessage(WM_UI_LOCK, 1, 0);
  EXPECT_TRUE(page->m_bBusy);
  page->SendMessage(WM_SETCURSOR, reinterpret_cast<WPARAM>(page->GetSafeHwnd()), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
  // Input goes on while busy.
  QTest::mouseClick(check->GetWidget(), Qt::LeftButton, Qt::NoModifier, onBox(check));
  EXPECT_EQ(check->GetCheck(), BST_CHECKED);
  const UINT inputs[] = {WM_KEYDOWN, WM_CHAR, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_RBUTTONDOWN};
  for (UINT message : inputs) {
    MSG msg{};
    msg.hwnd = check->GetSafeHwnd();
    msg.message = message;
    msg.wParam = 'A';
    EXPECT_FALSE(page->PreTranslateMessage(&msg)) << message;
  }

  page->SendMessage(WM_UI_LOCK, 0, 0);
  EXPECT_FALSE(page->m_bBusy);
  page->SendMessage(WM_SETCURSOR, reinterpret_cast<WPARAM>(page->GetSafeHwnd()), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::ArrowCursor) << "the arrow over the page and its controls";
  SetCursor(nullptr);
  // Another box, so that the two clicks do not make a double click.
  CButton* other = MakeControl<CButton>(3003, 120);
  params.At(0)->pExtraWnd = other;
  QTest::mouseClick(other->GetWidget(), Qt::LeftButton, Qt::NoModifier, onBox(other));
  EXPECT_EQ(other->GetCheck(), BST_CHECKED);
}

TEST_F(SettingPageTest, EnterAndEscapeNeverCloseThePage) {
  CSettingDialog* page = CreatePage();
  ParamList& params = NewList(1);
  ShowPage(2, &params.list);
  CEdit* edit = MakeControl<CEdit>(3001, 60);
  params.At(0)->pValueWnd = edit;
  for (WPARAM key : {WPARAM(VK_RETURN), WPARAM(VK_ESCAPE)}) {
    for (CWnd* target : {static_cast<CWnd*>(page), page->GetDlgItem(IDC_SETTING_SEND), static_cast<CWnd*>(edit)}) {
      MSG msg = Key(target->GetSafeHwnd(), key);
      EXPECT_TRUE(page->PreTranslateMessage(&msg)) << key;
    }
  }
  for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
    QTest::keyClick(edit->GetWidget(), key);
    QTest::keyClick(page->GetWidget(), key);
  }
  EXPECT_NE(page->GetSafeHwnd(), nullptr);
  EXPECT_TRUE(page->IsWindowVisible());
  EXPECT_EQ(params.At(0)->pValueWnd, edit);
}

TEST_F(SettingPageTest, TooltipsComeAndGoWithThePage) {
  CSettingDialog* page = CreatePage();
  ASSERT_TRUE(page->CreateToolTip());
  ASSERT_NE(page->m_pToolTip, nullptr);
  page->AddToolTip(IDC_SETTING_SEND, L"Write the page");
  page->AddToolTip(4999, L"no such control");
  EXPECT_EQ(page->m_pToolTip->GetToolCount(), 1);
  EXPECT_EQ(page->m_pToolTip->GetTipBkColor(), RGB(0, 0, 0));
  EXPECT_EQ(page->m_pToolTip->GetTipTextColor(), RGB(255, 255, 255));
  page->ActivateToolTip(FALSE);
  ASSERT_TRUE(page->CreateToolTip());  // a second one replaces the first
  ParamList& params = NewList(1);
  ShowPage(2, &params.list);
  EXPECT_EQ(page->m_pToolTip, nullptr);
  page->AddToolTip(IDC_SETTING_SEND, L"ignored without a control");
  page->ActivateToolTip(TRUE);
  page->DeleteToolTip();
}

TEST_F(SettingPageTest, LayoutControlsHidesTheViewsAndPlacesSend) {
  CSettingDialog* page = CreatePage();
  page->SendMessage(WM_SETTINGS_PAGE_NOTIFY, SETTINGS_NOTIFY_PROFILE, 0);
  page->ShowStatusControls(TRUE);
  page->ShowAssignControls(TRUE);
  page->ShowPolygonControls(TRUE);
  page->ShowSendButton(TRUE);
  page->LayoutControls(TRUE);
  for (int id : {1015, 1016, 1024, 1025, 1026, 1017, 1018, 1019, 1021, 1020, 1022, 1023, 1078, 1045, 1046, 1047, 1096,
                 1097, 1098}) {
    EXPECT_FALSE(Visible(id)) << id;
  }
  CRect client;
  page->GetClientRect(&client);
  CRect button;
  page->GetDlgItem(IDC_SETTING_SEND)->GetWindowRect(&button);
  EXPECT_EQ(PosOf(page->GetDlgItem(IDC_SETTING_SEND)), CPoint(client.Width() - button.Width() - 30, 20));
}

TEST_F(SettingPageTest, UnderTheMainWindowThePageFollowsItsSessionState) {
  TolerateMissingAssignCsv();  // numbered-set pages without a CSV in the Document folder
  CBrelvanoDlg* main = Open();
  main->m_bUpProtocol = TRUE;
  main->m_nPolygonPointMax = 80;
  main->m_nPolygonTotalPointMax = 900;
  main->m_nPolygonMin = 3;
  main->m_nPolygonReadIndex = 7;
  main->m_tabPages.EnableWindow(FALSE);
  CSettingDialog* page = CreatePage(main);
  EXPECT_TRUE(page->m_bUpMode);
  EXPECT_EQ(page->m_nPointLimit, 80);
  EXPECT_EQ(page->m_nTotalPointLimit, 900);
  EXPECT_TRUE(main->m_tabPages.IsWindowEnabled());
  EXPECT_FALSE(page->GetDlgItem(IDC_SETTING_POLYGON_ADD)->IsWindowEnabled());

  page->ClearPage();
  EXPECT_EQ(main->m_nPolygonReadIndex, 3);
  page->EnableMainTabControl(FALSE);
  EXPECT_FALSE(main->m_tabPages.IsWindowEnabled());
  page->EnablePolygonButtons(TRUE);
  EXPECT_TRUE(page->GetDlgItem(IDC_SETTING_POLYGON_ADD)->IsWindowEnabled());
  DestroyPage();
}

// The points the map is given for an edited zone: from the blocks read from the device, or, with a
// definition opened from a file, from the zone's own point list (never another zone's blocks).
TEST_F(SettingPageTest, TheMapPointTextComesFromTheEditedZonesOwnPoints) {
  CBrelvanoDlg* main = Open();
  CSettingDialog* page = CreatePage(main);
  main->m_pPolygonPointLists = new POLYGON_POINT_LIST[kPointListZones];
  POLYGON_POINT_LIST& list = main->m_pPolygonPointLists[1];
  list.nCount = 2;
  list.strLng[0] = L"127.1";
  list.strLat[0] = L"37.1";
  list.strLng[1] = L"127.2";
  list.strLat[1] = L"37.2";
  // Blocks of another zone, and a block count that does not match them.
  page->m_pPointBlocks = new POLYGON_POINT_BLOCK[1];
  page->m_pPointBlocks[0].point[0].strLng = L"1.0";
  page->m_pPointBlocks[0].point[0].strLat = L"2.0";
  page->m_nPointBlockCount = 1;
  struct Case {
    const char* name;
    BOOL fileMode;
    int zone;
    const wchar_t* text;
  };
  const Case cases[] = {
      {"blocks read from the device", FALSE, 2, L"1.0@2.0\n@\n@\n@\n@\n"},
      {"a file's zone list", TRUE, 2, L"127.1@37.1\n127.2@37.2\n"},
      {"a zone without a list", TRUE, 31, L""},
  };
  for (const Case& c : cases) {
    g_bFileMode = c.fileMode;
    page->m_nEditZone = c.zone;
    page->SetMapPointText();
    EXPECT_EQ(page->m_strMapPointText, CString(c.text)) << c.name;
  }
  DestroyPage();
}

TEST(PolygonRowOrder, ZoneNumbersCompareAsTexts) {
  struct Case {
    const wchar_t* a;
    const wchar_t* b;
    LPARAM sort;
    int expected;
  };
  const Case cases[] = {
      {L"02", L"10", 1, -1}, {L"10", L"02", 1, 1},  {L"100", L"99", 1, -1}, {L"07", L"07", 1, 0},
      {L"02", L"10", 0, 1},  {L"100", L"99", 2, 1}, {L"", L"01", 1, -1},
  };
  for (const Case& c : cases) {
    const CString a(c.a);
    const CString b(c.b);
    EXPECT_EQ(CSettingDialog::ComparePolygonRows(reinterpret_cast<LPARAM>(&a), reinterpret_cast<LPARAM>(&b), c.sort),
              c.expected)
        << CString(c.a).ToUtf8() << " / " << CString(c.b).ToUtf8() << " sorted by " << c.sort;
  }
}

// The zone list as the user works it: rows sort by their number text with their other columns; a
// selection change keeps the row it changed; a double click only traces the marked row; DELETE does nothing
// while the zone wizard's first step is shown.
TEST_F(SettingPageTest, ZoneListSortsKeepsTheChangedRowAndDeleteWaitsForTheWizard) {
  CSettingDialog* page = CreatePage();
  CListCtrl& list = page->m_listPolygon;
  list.MoveWindow(10, 10, 400, 200);
  list.ShowWindow(SW_SHOW);
  list.InsertColumn(0, L"No", LVCFMT_CENTER, 100);
  list.InsertColumn(1, L"Name", LVCFMT_CENTER, 100);
  page->m_nPolygonColumns = 2;
  for (const wchar_t* n : {L"10", L"02", L"100", L"99"}) {
    const int row = list.InsertItem(list.GetItemCount(), n);
    list.SetItemText(row, 1, CString(L"zone ") + n);
  }
  page->SortPolygonList();
  std::vector<CString> rows;
  for (int i = 0; i < list.GetItemCount(); ++i) {
    rows.push_back(list.GetItemText(i, 0));
    EXPECT_EQ(list.GetItemText(i, 1), L"zone " + list.GetItemText(i, 0)) << "a row moves whole";
    EXPECT_EQ(list.GetItemData(i), DWORD_PTR(0)) << "no copy is left behind";
  }
  EXPECT_EQ(rows, (std::vector<CString>{L"02", L"10", L"100", L"99"}));

  // The list reports to the page as it does when the user clicks and double-clicks its rows.
  auto notify = [&](UINT code, int row) {
    NMLISTVIEW nm{};
    nm.hdr.hwndFrom = list.GetSafeHwnd();
    nm.hdr.idFrom = IDC_SETTING_POLYGON_LIST;
    nm.hdr.code = code;
    nm.iItem = row;
    nm.uChanged = LVIF_STATE;
    nm.uNewState = LVIS_SELECTED;
    return page->SendMessage(WM_NOTIFY, IDC_SETTING_POLYGON_LIST, reinterpret_cast<LPARAM>(&nm));
  };
  EXPECT_EQ(page->m_nSelectedRow, -1);
  for (int row : {2, 0, 0}) {
    list.SetItemState(row, LVIS_SELECTED, LVIS_SELECTED);
    EXPECT_EQ(notify(LVN_ITEMCHANGED, row), 0);
    EXPECT_EQ(page->m_nSelectedRow, row) << "the row changed last";
  }

  std::vector<CString> traces;
  const int sink = platform::AddTraceSink([&](const CString& text) { traces.push_back(text); });
  list.SetSelectionMark(1);
  EXPECT_EQ(notify(NM_DBLCLK, 1), 0);
  platform::RemoveTraceSink(sink);
  bool traced = false;
  for (const CString& t : traces) traced = traced || t.Find(L"in PolyControlList::OnDblClick: 1") >= 0;
  EXPECT_TRUE(traced);
  EXPECT_EQ(page->m_pPolyDetailDlg, nullptr) << "a double click opens nothing";
  EXPECT_TRUE(platform::ModalService::Instance().Records().empty());

  // DELETE while step 1 is shown: no question, nothing removed; once it is hidden, DELETE asks.
  CPolyDetailDlg* detail = page->PolyDetailDialog();
  ASSERT_NE(detail, nullptr);
  detail->ShowWindow(SW_SHOW);
  list.SetItemState(1, LVIS_SELECTED, LVIS_SELECTED);
  list.SetSelectionMark(1);
  ClickButton(page, IDC_SETTING_POLYGON_DELETE);
  EXPECT_TRUE(platform::ModalService::Instance().Records().empty()) << "nothing is asked while step 1 is shown";
  EXPECT_EQ(list.GetItemCount(), 4);
  detail->ShowWindow(SW_HIDE);
  platform::ModalService::Instance().ExpectMessageBox(IDCANCEL);
  ClickButton(page, IDC_SETTING_POLYGON_DELETE);
  EXPECT_EQ(platform::ModalService::Instance().Records().size(), 1u);
  EXPECT_EQ(list.GetItemCount(), 4) << "Cancel deletes nothing";
  DestroyPage();
}

}  // namespace

