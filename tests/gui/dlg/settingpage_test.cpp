// The settings page's generic parameter pages: the one- and two-column layouts and the controls'
// rectangles, the control of every type with its style, id, content and limit, the combo selection
// rules, presets, the Diagnosis texts by reply field count, help texts and address checks, the
// $-set command that SEND composes, the numbered-set hand-over and the SET button's request.
#include <gtest/gtest.h>

#include <QTest>

#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "gui/dlg/brelvanodlg.h"
#include "gui/dlg/settingdlg.h"
#include "mainwindow_fixture.h"
#include "platform/dialog.h"
#include "platform/files.h"
#include "platform/windowimage.h"
#include "reference/control/edit/editfileread.h"
#include "reference/control/edit/numbericedit.h"

namespace {

// What the page hands its parent, in order: "send <text>", "write-current", "write-group",
// "report-map", and "assign-map" from the page's own assignment writer.
struct Journal {
  std::vector<std::string> events;
  std::vector<CString> commands;
  std::vector<std::pair<WPARAM, LPARAM>> writes;
  std::optional<REPORT_MAP_REQUEST> request;
};

class ProbeParent : public CDialog {
 public:
  Journal* journal = nullptr;
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    switch (message) {
      case WM_SEND_TAB_COMMAND:
        journal->events.push_back("send");
        journal->commands.push_back(*reinterpret_cast<const CString*>(lParam));
        return 0;
      case WM_WRITE_CURRENT_TAB:
      case WM_WRITE_GROUP:
        journal->events.push_back(message == WM_WRITE_GROUP ? "write-group" : "write-current");
        journal->writes.emplace_back(wParam, lParam);
        return 0;
      case WM_OPEN_REPORT_MAP: {
        journal->events.push_back("report-map");
        auto* request = reinterpret_cast<REPORT_MAP_REQUEST*>(lParam);
        journal->request = *request;
        CSettingDialog::FreeReportMapRequest(request);  // the receiver owns it
        return 0;
      }
      default:
        return CDialog::WindowProc(message, wParam, lParam);
    }
  }
};

// The page with its assignment map writer recorded instead of reaching a main window.
class RecordingPage : public CSettingDialog {
 public:
  explicit RecordingPage(CWnd* parent, Journal* journal) : CSettingDialog(parent), m_journal(journal) {}
  CString WriteAssignmentMap(CPtrList* pParams, TAB_INFO* pTab) override {
    m_journal->events.push_back("assign-map");
    EXPECT_EQ(pParams, m_pParamList);
    EXPECT_EQ(pTab, &m_writeTab);
    if (duringWrite) duringWrite();  // what runs while the write waits for the device
    return CString();
  }
  Journal* m_journal;
  std::function<void()> duringWrite;
};

// A parameter list as the main window owns it (records and their option arrays).
struct Params {
  ~Params() {
    for (POSITION pos = list.GetHeadPosition(); pos != nullptr;) {
      auto* p = static_cast<PARAM_INFO*>(list.GetNext(pos));
      if (p == nullptr) continue;
      FreeParamOptions(*p);
      delete p;
    }
  }
  PARAM_INFO* Add(int type, const CString& name, const CString& value = CString(), std::vector<CString> options = {}) {
    auto* p = new PARAM_INFO();
    p->nCtrlType = type;
    p->strName = name;
    p->strValue = value;
    p->strHdr = header;
    if (!options.empty()) {
      p->nOptions = static_cast<int>(options.size());
      p->pOptions = new PARAM_OPTION[options.size()];
      for (size_t k = 0; k < options.size(); ++k) {
        p->pOptions[k].strText = options[k];
        p->pOptions[k].nValue = static_cast<int>(k);
      }
    }
    list.AddTail(p);
    return p;
  }
  PARAM_INFO* At(int i) { return static_cast<PARAM_INFO*>(list.GetAt(list.FindIndex(i))); }
  int Count() const { return static_cast<int>(list.GetCount()); }
  CString header = L"GEN";
  CPtrList list;
};

CRect RectOf(const CWnd* wnd, const CWnd* page) {
  CRect rc;
  wnd->GetWindowRect(&rc);
  page->ScreenToClient(&rc);
  return rc;
}

// A drop-down list's height is its own (the rectangle's height is the list's), so for a combo the
// bottom edge is not compared.
std::string Describe(const CRect& rc, bool combo = false) {
  if (combo) return std::to_string(rc.left) + "," + std::to_string(rc.top) + "," + std::to_string(rc.right);
  return std::to_string(rc.left) + "," + std::to_string(rc.top) + "," + std::to_string(rc.right) + "," +
         std::to_string(rc.bottom);
}

class SettingBuildTest : public testsupport::MainWindowFixture {
 protected:
  void SetUp() override {
    MainWindowFixture::SetUp();
    m_parent.journal = &m_journal;
    platform::DialogTemplate t(0, 0, 0, 700, 420, WS_POPUP, 0, L"parent");
    ASSERT_TRUE(m_parent.CreateIndirect(t));
  }
  void TearDown() override {
    DestroyPage();
    m_params.clear();
    if (m_parent.GetSafeHwnd() != nullptr) m_parent.DestroyWindow();
    MainWindowFixture::TearDown();
  }

  // The page under the probe (or under another parent, such as the main window).
  RecordingPage* CreatePage(CWnd* parent = nullptr) {
    DestroyPage();
    if (parent == nullptr) parent = &m_parent;
    m_page = std::make_unique<RecordingPage>(parent, &m_journal);
    EXPECT_TRUE(m_page->Create(IDD_SETTING_DIALOG, parent));
    m_page->SetDeviceInfo(&m_device, &m_header);
    parent->ShowWindow(SW_SHOW);
    m_page->ShowWindow(SW_SHOW);
    return m_page.get();
  }
  void DestroyPage() {
    if (!m_page) return;
    m_page->ResetPage();
    if (m_page->GetSafeHwnd() != nullptr) m_page->SendMessage(WM_CLOSE);
    m_page.reset();
  }
  Params& NewParams() {
    m_params.push_back(std::make_unique<Params>());
    return *m_params.back();
  }
  void Show(int type, Params& params, BOOL bAssign = FALSE) {
    m_info.tab.nIndex = 0;
    m_info.tab.nType = type;
    m_info.tab.bAssign = bAssign;
    m_info.tab.strTitle = L"Tab";
    m_info.pParams = &params.list;
    m_page->SendMessage(WM_SETTINGS_PAGE_NOTIFY, SETTINGS_NOTIFY_PAGE, reinterpret_cast<LPARAM>(&m_info));
  }
  void Send() {
    m_page->SendMessage(WM_COMMAND, MAKEWPARAM(IDC_SETTING_SEND, BN_CLICKED),
                        reinterpret_cast<LPARAM>(m_page->GetDlgItem(IDC_SETTING_SEND)->GetSafeHwnd()));
  }
  // A user's choice in a combo of the page: the selection and its notification.
  void Choose(PARAM_INFO* p, int item) {
    auto* combo = dynamic_cast<CComboBox*>(p->pValueWnd);
    ASSERT_NE(combo, nullptr);
    combo->SetCurSel(item);
    m_page->SendMessage(WM_COMMAND, MAKEWPARAM(combo->GetDlgCtrlID(), CBN_SELCHANGE),
                        reinterpret_cast<LPARAM>(combo->GetSafeHwnd()));
  }
  CRect Rect(const CWnd* wnd) const { return RectOf(wnd, m_page.get()); }
  // Generated children: everything but the template's controls.
  std::vector<CWnd*> Generated() const {
    std::vector<CWnd*> out;
    for (CWnd* child : m_page->GetChildren()) {
      const int id = child->GetDlgCtrlID();
      if (id >= IDC_SETTING_FIRST_VALUE - 1 || id == 0xFFFF) out.push_back(child);
    }
    return out;
  }

  Journal m_journal;
  ProbeParent m_parent;
  DEVICE_INFO m_device;
  DEF_HEADER m_header;
  PAGE_INFO m_info;
  std::vector<std::unique_ptr<Params>> m_params;
  std::unique_ptr<RecordingPage> m_page;
};

// ---- Layout ---------------------------------------------------------------------------------

TEST_F(SettingBuildTest, ColumnsAndIdsFollowTheParameterCount) {
  struct Case {
    int count;
    int firstColumn;  // parameters in the first column
  };
  const Case cases[] = {{15, 15}, {16, 8}, {17, 9}};
  for (const Case& c : cases) {
    CreatePage();
    Params& params = NewParams();
    for (int i = 0; i < c.count; ++i) params.Add(CTRL_EDIT, CString::FromUtf8("P" + std::to_string(100 + i)));
    Show(2, params);
    EXPECT_EQ(m_page->m_nRowCount, c.count) << c.count;
    EXPECT_EQ(m_page->GetPageHeight(), c.count * 21 + 50) << c.count;
    int inFirst = 0;
    for (int i = 0; i < c.count; ++i) {
      PARAM_INFO* p = params.At(i);
      ASSERT_NE(p->pLabelWnd, nullptr) << c.count << " " << i;
      ASSERT_NE(p->pValueWnd, nullptr) << c.count << " " << i;
      EXPECT_EQ(p->pValueWnd->GetDlgCtrlID(), 3001 + 2 * i);
      EXPECT_EQ(p->pLabelWnd->GetDlgCtrlID(), c.count <= 15 ? 0xFFFF : 3000 + 2 * i);
      const CRect label = Rect(p->pLabelWnd);
      const bool first = label.left == (c.count <= 15 ? 200 : 80);
      if (first) ++inFirst;
      // Rows restart at the top of the second column.
      const int row = first ? i : i - c.firstColumn;
      const int pitch = c.count <= 15 ? 22 : 20;
      EXPECT_EQ(label.top, 52 + row * pitch) << c.count << " " << i;
    }
    EXPECT_EQ(inFirst, c.firstColumn) << c.count;
  }
}

TEST_F(SettingBuildTest, OneColumnRectanglesFollowTheRowArithmetic) {
  CreatePage();
  Params& params = NewParams();
  params.Add(CTRL_EDIT, L"Name", L"abc");
  params.Add(CTRL_COMBO, L"Mode", L"On", {L"On", L"Off"});
  PARAM_INFO* alert = params.Add(CTRL_ALERT_ID, L"Alarm", L"1");
  alert->strAlertId = L"0A";
  PARAM_INFO* report = params.Add(CTRL_EDIT_BUTTON, L"Report", L"ff");
  PARAM_INFO* file = params.Add(CTRL_FILE_EDIT, L"Firmware");
  Show(2, params);

  // Names of at most 8 and values of at most 3 characters: both columns are 100 pixels.
  struct Expect {
    const CWnd* wnd;
    CRect rc;
  };
  const Expect expected[] = {
      {params.At(0)->pLabelWnd, CRect(200, 52, 300, 73)}, {params.At(0)->pValueWnd, CRect(306, 50, 426, 71)},
      {params.At(1)->pLabelWnd, CRect(200, 74, 300, 95)}, {params.At(1)->pValueWnd, CRect(306, 72, 426, 93)},
      {alert->pValueWnd, CRect(160, 94, 460, 115)},       {alert->pExtraWnd, CRect(120, 90, 155, 111)},
      {report->pLabelWnd, CRect(200, 118, 300, 139)},     {report->pValueWnd, CRect(306, 116, 426, 137)},
      {report->pExtraWnd, CRect(436, 116, 536, 137)},     {file->pLabelWnd, CRect(200, 140, 300, 161)},
      {file->pValueWnd, CRect(306, 138, 456, 159)},
  };
  int n = 0;
  for (const Expect& e : expected) {
    ASSERT_NE(e.wnd, nullptr) << n;
    const bool combo = dynamic_cast<const CComboBox*>(e.wnd) != nullptr;
    EXPECT_EQ(Describe(Rect(e.wnd), combo), Describe(e.rc, combo)) << "control " << n;
    ++n;
  }
  EXPECT_EQ(alert->pLabelWnd, nullptr);
}

// A two-column page with a control of every type: 18 parameters, 9 a column; the last name is
// longer than 60 characters.
void FillEveryType(Params& params) {
  params.Add(CTRL_COMBO, L"Report Mode", L"Periodic", {L"Off", L"Periodic", L"Distance"});
  params.Add(CTRL_EDIT, L"Server Address", L"gps.example.net");
  params.Add(CTRL_PASSWD, L"Password", L"1234");
  params.Add(CTRL_IP, L"Server IP", L"192.168.10.20");
  params.Add(CTRL_CHECK_BOX, L"Ignition");
  PARAM_INFO* alert = params.Add(CTRL_ALERT_ID, L"Overspeed Alert", L"1");
  alert->strAlertId = L"1A";
  params.Add(CTRL_ANY, L"Spare");
  params.Add(CTRL_EDIT_NUMBER, L"Speed Limit", L"80.5");
  params.Add(CTRL_S_ASSIGN, L"Small Item");
  params.Add(CTRL_EDIT_BUTTON, L"Report Map", L"00ff");
  params.Add(CTRL_EDIT_HEX, L"Hex Mask");
  params.Add(CTRL_FILE_EDIT, L"Firmware File");
  params.Add(CTRL_COMBO, L"Server Type", L"UDP", {L"TCP", L"UDP"});
  params.Add(CTRL_EDIT, L"APN", L"internet");
  params.Add(CTRL_EDIT_NUMBER, L"Interval", L"30");
  params.Add(CTRL_PASSWD, L"Pin", L"0000");
  params.Add(CTRL_EDIT, L"Unit ID", L"123456");
  params.Add(CTRL_EDIT, L"Name of a parameter that is far too long to be shown whole in a label", L"x");
}

TEST_F(SettingBuildTest, TwoColumnRectanglesFollowTheColumnArithmetic) {
  CreatePage();
  Params& params = NewParams();
  FillEveryType(params);
  Show(2, params);
  // First column: labels 80..170 (15 characters), values 175..280; second column from
  // 110 + 90 + 100 = 300, labels 360 wide (long names are cut to 60 characters).
  struct Expect {
    int index;
    bool second;  // the second control instead of the value
    bool label;
    CRect rc;
  };
  const Expect expected[] = {
      {0, false, true, CRect(80, 52, 170, 73)},     {0, false, false, CRect(175, 50, 280, 71)},
      {1, false, false, CRect(175, 72, 280, 91)},   {3, false, false, CRect(175, 112, 280, 131)},
      {5, false, false, CRect(80, 134, 170, 155)},  {5, true, false, CRect(40, 130, 75, 151)},
      {6, false, true, CRect(80, 156, 170, 175)},   {7, false, true, CRect(80, 156, 170, 177)},
      {7, false, false, CRect(175, 154, 280, 175)}, {8, false, true, CRect(80, 178, 170, 197)},
      {9, false, true, CRect(300, 52, 660, 71)},    {9, false, false, CRect(665, 50, 770, 69)},
      {9, true, false, CRect(795, 50, 895, 69)},    {10, false, true, CRect(300, 72, 660, 91)},
      {11, false, false, CRect(665, 70, 800, 91)},  {12, false, false, CRect(665, 92, 770, 113)},
      {17, false, true, CRect(300, 196, 660, 215)}, {17, false, false, CRect(665, 194, 770, 213)},
  };
  for (const Expect& e : expected) {
    PARAM_INFO* p = params.At(e.index);
    const CWnd* wnd = e.label ? p->pLabelWnd : e.second ? p->pExtraWnd : p->pValueWnd;
    ASSERT_NE(wnd, nullptr) << e.index;
    const bool combo = dynamic_cast<const CComboBox*>(wnd) != nullptr;
    EXPECT_EQ(Describe(Rect(wnd), combo), Describe(e.rc, combo))
        << "parameter " << e.index << (e.label ? " label" : "");
  }
  // The long name is cut, and its tooltip holds it whole.
  EXPECT_EQ(params.At(17)->pLabelWnd->GetWindowText(), params.At(17)->strName.Left(59) + L"...");
  EXPECT_NE(m_page->m_pToolTip, nullptr);
  EXPECT_EQ(m_page->m_nRowCount, 18);
}

TEST_F(SettingBuildTest, ScreenshotOfATwoColumnPageWithEveryControlType) {
  CreatePage();
  Params& params = NewParams();
  FillEveryType(params);
  Show(2, params);
  CRect client;
  m_page->GetClientRect(&client);
  // Every control lies inside the page; the only overlaps are labels of parameters without a control
  // with the label of the parameter that shares their row.
  std::vector<std::pair<int, CRect>> boxes;
  for (int i = 0; i < params.Count(); ++i) {
    PARAM_INFO* p = params.At(i);
    for (CWnd* w : {p->pLabelWnd, p->pValueWnd, p->pExtraWnd}) {
      if (w == nullptr) continue;
      const CRect rc = Rect(w);
      EXPECT_TRUE(rc.left >= 0 && rc.right <= client.right && rc.bottom <= client.bottom) << i << " " << Describe(rc);
      boxes.emplace_back(i, rc);
    }
  }
  const std::set<int> sharing = {6, 10};  // "any" and "edit_hex": a label without a control
  for (size_t a = 0; a < boxes.size(); ++a) {
    for (size_t b = a + 1; b < boxes.size(); ++b) {
      if (boxes[a].first == boxes[b].first) continue;
      CRect both;
      if (!both.IntersectRect(boxes[a].second, boxes[b].second)) continue;
      EXPECT_TRUE(sharing.count(boxes[a].first) != 0 && boxes[b].first == boxes[a].first + 1)
          << "parameters " << boxes[a].first << " and " << boxes[b].first << " overlap";
    }
  }
  const char* dir = std::getenv("BRELVANO_SCREENSHOT_DIR");
  const CString folder = dir != nullptr ? CString::FromUtf8(dir) : CString::FromUtf8(m_folder.Path("."));
  EXPECT_TRUE(platform::SaveWindowImage(m_page.get(), platform::JoinPath(folder, L"settings_page_two_columns.png")));
}

// ---- Controls by type -----------------------------------------------------------------------

TEST_F(SettingBuildTest, EachControlTypeGetsItsControlStyleContentAndLimit) {
  enum class Kind { None, Combo, Edit, Number, Check, File };
  struct Case {
    int type;
    const wchar_t* value;
    int max;
    Kind kind;
    DWORD style;
    const wchar_t* text;
    UINT limit;  // 0: not checked
    bool label;
  };
  const Case cases[] = {
      {CTRL_COMBO, L"Off", 0, Kind::Combo, 0x50A10003, L"Off", 0, true},
      {CTRL_EDIT, L"web", 8, Kind::Edit, 0x50810080, L"web", 8, true},
      {CTRL_IP, L"1.2.3.4", 15, Kind::Edit, 0x50810080, L"1.2.3.4", 15, true},
      {CTRL_PASSWD, L"secret", 4, Kind::Edit, 0x508100A0, L"secret", 0, true},
      {CTRL_EDIT_NUMBER, L"12.5", 6, Kind::Number, 0x50810080, L"12.5", 6, true},
      {CTRL_ALERT_ID, L"1", 3, Kind::Check, 0x50010003, L"Item", 0, false},
      {CTRL_EDIT_BUTTON, L"0a1b", 10, Kind::Edit, 0x50010000, L"0A1B", 10, true},
      {CTRL_FILE_EDIT, L"x", 0, Kind::File, 0x50810080, L"Double click and set the path", 0, true},
      {CTRL_CHECK_BOX, L"1", 0, Kind::None, 0, L"", 0, false},
      {CTRL_ANY, L"1", 0, Kind::None, 0, L"", 0, true},
      {CTRL_S_ASSIGN, L"1", 0, Kind::None, 0, L"", 0, true},
      {CTRL_M_ASSIGN, L"1", 0, Kind::None, 0, L"", 0, true},
      {CTRL_L_ASSIGN, L"1", 0, Kind::None, 0, L"", 0, true},
      {CTRL_EDIT_HEX, L"1", 0, Kind::None, 0, L"", 0, true},
  };
  CreatePage();
  for (const Case& c : cases) {
    Params& params = NewParams();
    PARAM_INFO* p = params.Add(c.type, L"Item", c.value, {L"On", L"Off"});
    p->nMax = c.max;
    p->strAlertId = L"1F";
    Show(2, params);
    SCOPED_TRACE(c.type);
    EXPECT_EQ(p->pLabelWnd != nullptr, c.label);
    if (c.label) {
      EXPECT_EQ(p->pLabelWnd->GetStyle(), 0x50000002u);
    }
    if (c.kind == Kind::None) {
      EXPECT_EQ(p->pValueWnd, nullptr);
      EXPECT_EQ(p->pExtraWnd, nullptr);
      continue;
    }
    ASSERT_NE(p->pValueWnd, nullptr);
    EXPECT_EQ(p->pValueWnd->GetDlgCtrlID(), 3001);
    EXPECT_EQ(p->pValueWnd->GetStyle(), c.style);
    EXPECT_EQ(p->pValueWnd->GetFont(), &m_page->m_font);
    switch (c.kind) {
      case Kind::Combo: {
        auto* combo = dynamic_cast<CComboBox*>(p->pValueWnd);
        ASSERT_NE(combo, nullptr);
        EXPECT_EQ(combo->GetCount(), 2);
        EXPECT_EQ(combo->GetLBText(combo->GetCurSel()), CString(c.text));
        break;
      }
      case Kind::Check: {
        auto* check = dynamic_cast<CButton*>(p->pValueWnd);
        ASSERT_NE(check, nullptr);
        EXPECT_EQ(check->GetWindowText(), CString(c.text));
        EXPECT_EQ(check->GetCheck(), BST_CHECKED);
        // The alert number box: the hexadecimal identifier shown in decimal, under the same id.
        auto* number = dynamic_cast<CNumbericEdit*>(p->pExtraWnd);
        ASSERT_NE(number, nullptr);
        EXPECT_EQ(number->GetDlgCtrlID(), 3001);
        EXPECT_EQ(number->GetWindowText(), CString(L"31"));
        EXPECT_EQ(number->GetStyle(), 0x50810080u);
        EXPECT_EQ(number->GetLimitText(), 3u);
        break;
      }
      default: {
        auto* edit = dynamic_cast<CEdit*>(p->pValueWnd);
        ASSERT_NE(edit, nullptr);
        EXPECT_EQ(edit->GetWindowText(), CString(c.text));
        if (c.limit != 0) {
          EXPECT_EQ(edit->GetLimitText(), c.limit);
        }
        if (c.kind == Kind::Number) {
          EXPECT_EQ(dynamic_cast<CNumbericEdit*>(edit)->m_nDecimalPlaces, 2);
        }
        if (c.kind == Kind::File) {
          EXPECT_NE(dynamic_cast<CEditFileRead*>(edit), nullptr);
        }
        break;
      }
    }
    if (c.type == CTRL_EDIT_BUTTON) {
      EXPECT_EQ(p->strValue, CString(L"0A1B"));  // the record is upper-cased too
      auto* set = dynamic_cast<CButton*>(p->pExtraWnd);
      ASSERT_NE(set, nullptr);
      EXPECT_EQ(set->GetDlgCtrlID(), 3002);
      EXPECT_EQ(set->GetWindowText(), CString(L"SET"));
      EXPECT_EQ(set->GetStyle(), 0x50010000u);
    }
  }
  // The clearing takes every generated control and nulls the records' pointers.
  m_page->ClearPage();
  EXPECT_TRUE(Generated().empty());
}

TEST_F(SettingBuildTest, ReservedParametersKeepTheirPositionsAndIds) {
  CreatePage();
  Params& params = NewParams();
  params.Add(CTRL_EDIT, L"First", L"a")->bReserve = TRUE;
  params.Add(CTRL_EDIT, L"Second", L"b");
  params.Add(CTRL_EDIT, L"Third", L"c")->bReserve = TRUE;
  params.Add(CTRL_EDIT, L"Fourth", L"d");
  Show(2, params);
  // The reserved first parameter has a control of no width and no label; a reserved one further
  // down has nothing, and the ids follow the list positions.
  ASSERT_NE(params.At(0)->pValueWnd, nullptr);
  EXPECT_EQ(Rect(params.At(0)->pValueWnd).Width(), 0);
  EXPECT_EQ(params.At(0)->pLabelWnd, nullptr);
  EXPECT_EQ(params.At(2)->pValueWnd, nullptr);
  EXPECT_EQ(params.At(2)->pLabelWnd, nullptr);
  EXPECT_EQ(params.At(1)->pValueWnd->GetDlgCtrlID(), 3003);
  EXPECT_EQ(params.At(3)->pValueWnd->GetDlgCtrlID(), 3007);
  EXPECT_EQ(m_page->m_nRowCount, 2);
  EXPECT_EQ(Rect(params.At(1)->pLabelWnd).top, 52);
  EXPECT_EQ(Rect(params.At(3)->pLabelWnd).top, 74);
  EXPECT_EQ(m_page->m_strPageCmd, CString(L"GEN"));
}

TEST_F(SettingBuildTest, CombosSelectByTextOrByIndexAndKeepTheOptionIndex) {
  struct Case {
    const char* what;
    BOOL up;
    int json;
    int pageType;
    const wchar_t* value;
    std::vector<CString> items;
    int selected;  // option index behind the selection, -1 none
  };
  const std::vector<CString> all = {L"Off", L"Periodic", L"Distance"};
  const Case cases[] = {
      {"text, any case", FALSE, 0, 2, L"periodic", all, 1},
      {"text without match", FALSE, 0, 2, L"Sometimes", all, -1},
      {"index", TRUE, 0, 2, L"2", all, 2},
      {"index padded", TRUE, 0, 2, L"01", all, 1},
      {"index out of range", TRUE, 0, 2, L"7", all, -1},
      {"index not a number", TRUE, 0, 2, L"Distance", all, -1},
      {"JSON by text", TRUE, 1, 2, L"Distance", all, 2},
      {"command page lists commands only", TRUE, 0, TAB_TYPE_COMMAND, L"2", {L"Periodic", L"Distance"}, 2},
      {"command page of the $-set lists all", FALSE, 0, TAB_TYPE_COMMAND, L"Off", all, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CreatePage();
    m_page->m_bUpMode = c.up;
    m_device.bJsonParam = c.json;
    Params& params = NewParams();
    PARAM_INFO* p = params.Add(CTRL_COMBO, L"Mode", c.value, all);
    p->pOptions[1].strCmdId = L"11";
    p->pOptions[2].strCmdId = L"12";
    Show(c.pageType, params);
    auto* combo = dynamic_cast<CComboBox*>(p->pValueWnd);
    ASSERT_NE(combo, nullptr);
    std::vector<CString> items;
    for (int i = 0; i < combo->GetCount(); ++i) items.push_back(combo->GetLBText(i));
    EXPECT_EQ(items, c.items);
    EXPECT_EQ(CSettingDialog::SelectedOption(p), c.selected);
    if (c.selected >= 0) {
      EXPECT_EQ(combo->GetLBText(combo->GetCurSel()), all[c.selected]);
    }
  }
  m_device.bJsonParam = 0;
}

TEST_F(SettingBuildTest, GapGroupPageOffersTheRangeAndMakesOnlyItsKindsOfControl) {
  CreatePage();
  Params& params = NewParams();
  PARAM_INFO* group = params.Add(CTRL_COMBO, L"Group", L"4");
  group->nGroupMin = 2;
  group->nGroupMax = 6;
  params.Add(CTRL_EDIT_NUMBER, L"Gap", L"1.123456");
  params.Add(CTRL_ALERT_ID, L"Alert", L"1");
  params.Add(CTRL_EDIT_BUTTON, L"Map", L"ab");
  params.Add(CTRL_FILE_EDIT, L"File");
  Show(TAB_TYPE_GAP_GROUP, params);
  auto* combo = dynamic_cast<CComboBox*>(group->pValueWnd);
  ASSERT_NE(combo, nullptr);
  ASSERT_EQ(combo->GetCount(), 5);
  EXPECT_EQ(combo->GetLBText(0), CString(L"2"));
  EXPECT_EQ(combo->GetLBText(4), CString(L"6"));
  EXPECT_EQ(combo->GetLBText(combo->GetCurSel()), CString(L"4"));
  auto* gap = dynamic_cast<CNumbericEdit*>(params.At(1)->pValueWnd);
  ASSERT_NE(gap, nullptr);
  EXPECT_EQ(gap->m_nDecimalPlaces, 6);
  for (int i = 2; i < 5; ++i) EXPECT_EQ(params.At(i)->pValueWnd, nullptr) << i;
  EXPECT_EQ(m_page->m_pCmdEdit, nullptr);
}

TEST_F(SettingBuildTest, CommandPageRowFollowsTheChosenCommand) {
  CreatePage();
  Params& params = NewParams();
  params.header = L"CMD";
  PARAM_INFO* command = params.Add(CTRL_COMBO, L"Command", L"Reset", {L"Reset", L"SetUnitId"});
  command->pOptions[1].bHasType = TRUE;
  command->pOptions[1].nType = 0;
  command->pOptions[1].nMax = 6;
  Show(TAB_TYPE_COMMAND, params);
  ASSERT_NE(m_page->m_pCmdEdit, nullptr);
  ASSERT_NE(m_page->m_pCmdLabel, nullptr);
  EXPECT_EQ(m_page->m_pCmdEdit->GetDlgCtrlID(), 3002);
  EXPECT_EQ(m_page->m_pCmdLabel->GetWindowText(), CString(L"Option"));
  EXPECT_FALSE(m_page->m_pCmdEdit->IsWindowVisible()) << "the first command takes no value";
  EXPECT_EQ(m_page->GetPageHeight(), 2 * 21 + 50);
  Choose(command, 1);
  EXPECT_TRUE(m_page->m_pCmdEdit->IsWindowVisible());
  EXPECT_EQ(m_page->m_pCmdEdit->GetLimitText(), 6u);

  // A page shown with a command that takes a value offers its row at once (SEND would otherwise go
  // without the value), whatever the first command takes.
  CreatePage();
  Params& shown = NewParams();
  shown.header = L"CMD";
  PARAM_INFO* chosen = shown.Add(CTRL_COMBO, L"Command", L"SetUnitId", {L"Reset", L"SetUnitId"});
  chosen->pOptions[1].bHasType = TRUE;
  chosen->pOptions[1].nType = 0;
  chosen->pOptions[1].nMax = 6;
  Show(TAB_TYPE_COMMAND, shown);
  ASSERT_NE(m_page->m_pCmdEdit, nullptr);
  EXPECT_TRUE(m_page->m_pCmdEdit->IsWindowVisible());
  EXPECT_EQ(m_page->m_pCmdEdit->GetLimitText(), 6u);
}

TEST_F(SettingBuildTest, PresetsFillTheValuesOfTheChosenEntry) {
  CreatePage();
  m_page->m_arrPresets.Add(L"1;home;key1");
  m_page->m_arrPresets.Add(L"2;office;key2");
  m_page->m_arrPresets.Add(L"3;;");
  Params& params = NewParams();
  params.Add(CTRL_COMBO, L"Entry", L"", {L"1", L"2", L"3"});
  params.Add(CTRL_EDIT, L"SSID", L"old");
  params.Add(CTRL_EDIT_NUMBER, L"Key", L"old");
  params.Add(CTRL_PASSWD, L"Secret", L"kept");
  Show(TAB_TYPE_PRESET, params);
  struct Case {
    int preset;  // 0: the state after the build
    int choose;  // item the user chooses, -1: ApplyPreset called directly
    const wchar_t* entry;
    const wchar_t* ssid;
    const wchar_t* key;
  };
  const Case cases[] = {
      {0, -1, L"1", L"home", L"key1"},  {2, -1, L"2", L"office", L"key2"}, {0, 0, L"1", L"home", L"key1"},
      {0, 1, L"2", L"office", L"key2"}, {3, -1, L"3", L"", L""},           {5, -1, nullptr, L"", L""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.preset * 10 + c.choose);
    if (c.choose >= 0) {
      Choose(params.At(0), c.choose);
    } else if (c.preset != 0) {
      m_page->ApplyPreset(c.preset);
    }
    auto* combo = dynamic_cast<CComboBox*>(params.At(0)->pValueWnd);
    if (c.entry == nullptr) {
      EXPECT_EQ(combo->GetCurSel(), CB_ERR);
    } else {
      EXPECT_EQ(combo->GetLBText(combo->GetCurSel()), CString(c.entry));
    }
    EXPECT_EQ(params.At(1)->pValueWnd->GetWindowText(), CString(c.ssid));
    EXPECT_EQ(params.At(2)->pValueWnd->GetWindowText(), CString(c.key));
    EXPECT_EQ(params.At(3)->pValueWnd->GetWindowText(), CString(L"kept"));
  }
}

TEST_F(SettingBuildTest, DictionaryTranslatesNamesAndOptionsButNeverEditableValues) {
  CBrelvanoDlg* main = Open(9);
  ASSERT_NE(main, nullptr);
  main->m_mapLanguage.SetAt(L"NAME", L"Nome");
  main->m_mapLanguage.SetAt(L"ON", L"Ligado");
  main->m_mapLanguage.SetAt(L"WEB", L"Rede");
  main->m_mapLanguage.SetAt(L"RESET", L"Reiniciar");
  CreatePage(main);
  Params& params = NewParams();
  PARAM_INFO* combo = params.Add(CTRL_COMBO, L"Name", L"On", {L"Off", L"On"});
  PARAM_INFO* edit = params.Add(CTRL_EDIT, L"Name", L"web");
  PARAM_INFO* ip = params.Add(CTRL_IP, L"Name", L"web");
  PARAM_INFO* number = params.Add(CTRL_EDIT_NUMBER, L"Name", L"web");
  Show(2, params);
  EXPECT_EQ(combo->pLabelWnd->GetWindowText(), CString(L"Nome"));
  auto* box = dynamic_cast<CComboBox*>(combo->pValueWnd);
  EXPECT_EQ(box->GetLBText(1), CString(L"Ligado"));
  EXPECT_EQ(box->GetCurSel(), 1) << "the value is found by its translation";
  for (PARAM_INFO* p : {edit, ip, number}) EXPECT_EQ(p->pValueWnd->GetWindowText(), CString(L"web"));

  // A command page sends the command's own text, not its translation.
  Params& commands = NewParams();
  commands.header = L"CMD";
  commands.Add(CTRL_COMBO, L"Command", L"Reset", {L"Reset"});
  Show(TAB_TYPE_COMMAND, commands);
  CString text;
  ASSERT_TRUE(m_page->ComposePageCommand(text));
  EXPECT_EQ(text, CString(L"CMD;Reset"));
  DestroyPage();
}

// ---- Diagnosis ------------------------------------------------------------------------------

TEST_F(SettingBuildTest, DiagnosisLinesByReplyFieldCount) {
  struct Case {
    const wchar_t* reply;
    const wchar_t* model;
    const wchar_t* gps;
    const wchar_t* gprs;
    const wchar_t* ibutton;  // nullptr: hidden
    const wchar_t* odometer;
    const wchar_t* rpm;
  };
  const Case cases[] = {
      {L"$PVR;DIAG;0;1", L"VR835", L"GPS: Fixed", L"GPRS: Server Communication Error", nullptr, nullptr, nullptr},
      {L"$PVR;DIAG;3;9;00AB12", L"VR835", L"GPS: GPS Turned Off", L"GPRS: Communication Fail With Modem",
       L"I-Button ID: 00AB12", nullptr, nullptr},
      {L"$PVR;DIAG;1;0;00AB12;120;3.5;900;2400", L"VR835", L"GPS: Not Fixed", L"GPRS: OK", L"I-Button ID: 00AB12",
       L"Odo Pulse: 120   Dist: 3.5", L"RPM Pulse: 900   RPM: 2400"},
      {L"$PVR;DIAG;1;0;00AB12;120;3.5;900;2400", L"VR065UR", L"GPS: Not Fixed", L"GPRS: OK", L"I-Button ID: 00AB12",
       nullptr, nullptr},
      {L"$PVR;DIAG;7;12", L"VR835", L"GPS: ", L"GPRS: ", nullptr, nullptr, nullptr},
      // A field count the parser does not know: the line prefixes alone.
      {L"$PVR;DIAG;0;0;1;2;3", L"VR835", L"GPS: ", L"GPRS: ", nullptr, nullptr, nullptr},
  };
  CreatePage();
  for (const Case& c : cases) {
    SCOPED_TRACE(CString(c.reply).ToUtf8());
    m_device.strModel = c.model;
    DIAG_INFO diag = CBrelvanoDlg::BuildDiagInfo(c.reply);
    m_page->SendMessage(WM_SETTINGS_PAGE_NOTIFY, SETTINGS_NOTIFY_DIAGNOSIS, reinterpret_cast<LPARAM>(&diag));
    EXPECT_EQ(m_page->m_stGps.GetWindowText(), CString(c.gps));
    EXPECT_EQ(m_page->m_stGprs.GetWindowText(), CString(c.gprs));
    const std::pair<CStatic*, const wchar_t*> details[] = {
        {&m_page->m_stIButton, c.ibutton}, {&m_page->m_stOdometer, c.odometer}, {&m_page->m_stRpm, c.rpm}};
    for (const auto& d : details) {
      EXPECT_EQ(d.first->IsWindowVisible(), d.second != nullptr) << d.first->GetDlgCtrlID();
      if (d.second != nullptr) {
        EXPECT_EQ(d.first->GetWindowText(), CString(d.second));
      }
    }
    EXPECT_FALSE(m_page->GetDlgItem(IDC_SETTING_SEND)->IsWindowVisible());
  }
}

// ---- Help texts and address checks ---------------------------------------------------------

TEST_F(SettingBuildTest, HelpTextsAndAddressChecks) {
  CreatePage();
  EXPECT_EQ(m_page->GetHelpText(L"APN"), CString(L"Access Point Name"));
  EXPECT_EQ(m_page->GetHelpText(L"Unit ID").Left(10), CString(L"Identifier"));
  EXPECT_EQ(m_page->GetHelpText(L"TR ID"), CString()) << "the texts end at the first missing number";
  EXPECT_EQ(m_page->GetHelpText(L"Nothing"), CString());

  struct Case {
    const wchar_t* text;
    BOOL quad;
    BOOL host;
  };
  const Case cases[] = {
      {L"", FALSE, TRUE},           {L"0.0.0.0", TRUE, TRUE},     {L"192.168.1.255", TRUE, TRUE},
      {L"1.2.3", FALSE, TRUE},  // not a quad, but made of name characters
      {L"1.2.3.4.5", FALSE, TRUE},  {L"1.2.3.256", FALSE, TRUE},  {L"1..2.3", FALSE, TRUE},
      {L"1.2.3.0004", TRUE, TRUE},  {L"1.2.3.0000000000255", TRUE, TRUE}, {L"1.2.3.99999999999", FALSE, TRUE},
      {L"1.2.3.", FALSE, TRUE},     {L"abc", FALSE, FALSE},       {L"ab-.", FALSE, TRUE},
      {L"abc-", FALSE, FALSE},      {L"ab.-", FALSE, FALSE},      {L"a.bc", FALSE, TRUE},
      {L"-abc.de", FALSE, FALSE},   {L"gps_x.net", FALSE, FALSE}, {L"host.example-", FALSE, FALSE},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CSettingDialog::IsDottedQuad(c.text), c.quad) << CString(c.text).ToUtf8();
    EXPECT_EQ(CSettingDialog::IsValidHostAddress(c.text), c.host) << CString(c.text).ToUtf8();
  }
  EXPECT_TRUE(CSettingDialog::IsLetter(L'z') && CSettingDialog::IsDigit(L'7'));
  EXPECT_FALSE(CSettingDialog::IsLetter(L'5') || CSettingDialog::IsDigit(L'x'));
}

// ---- SEND -----------------------------------------------------------------------------------

TEST_F(SettingBuildTest, DollarSetCommandComposition) {
  struct Case {
    const char* what;
    int pageType;
    const wchar_t* header;  // the page's command prefix
    const wchar_t* model;   // definition header token S
    const wchar_t* delimiter;
    std::function<void(Params&)> fill;
    std::function<void(Params&)> edit;  // what the user changes before SEND
    const wchar_t* expected;
  };
  auto general = [](Params& p) {
    p.Add(CTRL_COMBO, L"Mode", L"On", {L"Off", L"On"});
    p.Add(CTRL_EDIT, L"APN", L"web");
    p.Add(CTRL_PASSWD, L"Password", L"1234");
    p.Add(CTRL_IP, L"Server IP", L"1.2.3.4");
    p.Add(CTRL_EDIT_NUMBER, L"Speed", L"80");
    p.Add(CTRL_CHECK_BOX, L"Flag", L"1");
    p.Add(CTRL_ALERT_ID, L"Alert", L"1");
    p.Add(CTRL_EDIT_BUTTON, L"Map", L"ff");
    p.Add(CTRL_S_ASSIGN, L"Item");
    p.Add(CTRL_ANY, L"Spare")->bReserve = TRUE;
  };
  auto none = [](Params&) {};
  const Case cases[] = {
      {"every kind", 2, L"GEN", L"$T", L";", general, none, L"GEN;1;web;1234;1.2.3.4;80;0"},
      {"values the user typed", 2, L"GEN", L"$T", L";", general,
       [](Params& p) {
         p.At(1)->pValueWnd->SetWindowText(L"internet");
         dynamic_cast<CComboBox*>(p.At(0)->pValueWnd)->SetCurSel(0);
       },
       L"GEN;0;internet;1234;1.2.3.4;80;0"},
      {"the definition's delimiter", 2, L"GEN", L"$T", L",", general, none, L"GEN,1,web,1234,1.2.3.4,80,0"},
      {"special names", 2, L"NET", L"$T", L";",
       [](Params& p) {
         p.Add(CTRL_COMBO, L"Authentication", L"CHAP", {L"None", L"PAP", L"CHAP"});
         p.Add(CTRL_COMBO, L"Server Type", L"UDP", {L"TCP", L"UDP"});
         p.Add(CTRL_COMBO, L"Backup Server Type", L"TCP", {L"TCP", L"UDP", L"SMS"});
         p.Add(CTRL_COMBO, L"Backup Server Type", L"SMS", {L"TCP", L"UDP", L"SMS"});
         p.Add(CTRL_COMBO, L"Authentication", L"PAP", {L"None", L"PAP", L"CHAP"});
       },
       none, L"NET;A;U;T;2;1"},
      {"server types of VR325 are numbers", 2, L"NET", L"VR325", L";",
       [](Params& p) {
         p.Add(CTRL_COMBO, L"Authentication", L"CHAP", {L"None", L"PAP", L"CHAP"});
         p.Add(CTRL_COMBO, L"Server Type", L"UDP", {L"TCP", L"UDP"});
       },
       none, L"NET;A;1"},
      {"list page sends filled edits only", 21, L"DID", L"$T", L";",
       [](Params& p) {
         p.Add(CTRL_EDIT, L"Driver 1", L"x");
         p.Add(CTRL_EDIT, L"Driver 2", L"y");
         p.Add(CTRL_EDIT, L"Driver 3", L"z");
       },
       [](Params& p) {
         p.At(0)->pValueWnd->SetWindowText(L"A1");
         p.At(2)->pValueWnd->SetWindowText(L"C3");
       },
       L"DID;A1;C3"},
      {"other pages keep empty fields", 2, L"DID", L"$T", L";",
       [](Params& p) {
         p.Add(CTRL_EDIT, L"Driver 1", L"A1");
         p.Add(CTRL_EDIT, L"Driver 2", L"");
         p.Add(CTRL_EDIT, L"Driver 3", L"C3");
       },
       none, L"DID;A1;;C3"},
      {"without a prefix the first value leads", 2, L"", L"$T", L";", general, none, L"1;web;1234;1.2.3.4;80;0"},
      {"a combo without a selection gives an empty field", 2, L"GEN", L"$T", L";",
       [](Params& p) {
         p.Add(CTRL_COMBO, L"Mode", L"Unknown", {L"Off", L"On"});
         p.Add(CTRL_EDIT, L"APN", L"web");
         p.Add(CTRL_ANY, L"Spare");
       },
       none, L"GEN;;web;"},
      {"a reserved parameter without a control gives its stored value", 2, L"GEN", L"$T", L";",
       [](Params& p) {
         p.Add(CTRL_EDIT, L"APN", L"web");
         p.Add(CTRL_EDIT, L"Hidden", L"stored")->bReserve = TRUE;
         p.Add(CTRL_COMBO, L"Hidden mode", L"1", {L"Off", L"On"})->bReserve = TRUE;
       },
       none, L"GEN;web;stored;1"},
      {"hexadecimal, unnamed and path kinds", 2, L"GEN", L"$T", L";",
       [](Params& p) {
         p.Add(CTRL_EDIT, L"APN", L"web");
         p.Add(CTRL_EDIT_HEX, L"Mask", L"0A1B");
         p.Add(15, L"Other", L"kept");
         p.Add(CTRL_FILE_EDIT, L"File", L"old.bin");
         p.Add(CTRL_FILE_EDIT, L"Second file", L"old2.bin");
       },
       [](Params& p) { p.At(3)->pValueWnd->SetWindowText(L"/data/new.bin"); },
       L"GEN;web;0A1B;kept;/data/new.bin;"},
      {"no rows: the prefix alone", 2, L"GEN", L"$T", L";",
       [](Params& p) {
         p.Add(CTRL_EDIT, L"APN", L"web")->bReserve = TRUE;
         p.Add(CTRL_EDIT, L"User", L"u")->bReserve = TRUE;
       },
       none, L"GEN"},
      {"command page", TAB_TYPE_COMMAND, L"CMD", L"$T", L";",
       [](Params& p) {
         p.Add(CTRL_COMBO, L"Command", L"Reset", {L"Reset", L"Reboot"});
       },
       none, L"CMD;Reset"},
      {"command page with its value", TAB_TYPE_COMMAND, L"CMD", L"$T", L";",
       [](Params& p) {
         PARAM_INFO* c = p.Add(CTRL_COMBO, L"Command", L"SetUnitId", {L"Reset", L"SetUnitId"});
         c->pOptions[1].bHasType = TRUE;
       },
       [](Params&) {}, L"CMD;SetUnitId=123456"},
      {"numbered command ids", TAB_TYPE_COMMAND, L"CMD", L"$T", L";",
       [](Params& p) {
         PARAM_INFO* c = p.Add(CTRL_COMBO, L"Command", L"Reboot", {L"Reset", L"Reboot"});
         c->bNumType = TRUE;
         c->pOptions[1].nValue = 7;
         c->pOptions[0].strRid = L"R0";
       },
       none, L"CMD;7"},
      {"numbered command reply id", TAB_TYPE_COMMAND, L"CMD", L"$T", L";",
       [](Params& p) {
         PARAM_INFO* c = p.Add(CTRL_COMBO, L"Command", L"Reset", {L"Reset", L"Reboot"});
         c->bNumType = TRUE;
         c->pOptions[0].strRid = L"R0";
       },
       none, L"CMD;R0"},
      {"command page with a second row", TAB_TYPE_COMMAND, L"CMD", L"$T", L";",
       [](Params& p) {
         p.Add(CTRL_COMBO, L"Command", L"Reset", {L"Reset"});
         p.Add(CTRL_EDIT, L"Target", L"all");
       },
       none, L"CMD;Reset;all"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CreatePage();
    m_header.strS = c.model;
    m_header.strD = c.delimiter;
    Params& params = NewParams();
    params.header = c.header;
    c.fill(params);
    Show(c.pageType, params);
    if (m_page->m_pCmdEdit != nullptr && m_page->m_pCmdEdit->IsWindowVisible()) {
      m_page->m_pCmdEdit->SetWindowText(L"123456");
    }
    c.edit(params);
    m_journal = Journal();
    Send();
    ASSERT_EQ(m_journal.commands.size(), 1u);
    EXPECT_EQ(m_journal.commands[0], CString(c.expected));
  }
  m_header = DEF_HEADER();
}

TEST_F(SettingBuildTest, EmptyCommandValueAsksForItAndSendsNothing) {
  CreatePage();
  Params& params = NewParams();
  params.header = L"CMD";
  PARAM_INFO* c = params.Add(CTRL_COMBO, L"Command", L"SetUnitId", {L"Reset", L"SetUnitId"});
  c->pOptions[1].bHasType = TRUE;
  Show(TAB_TYPE_COMMAND, params);
  ASSERT_TRUE(m_page->m_pCmdEdit->IsWindowVisible());
  platform::ModalService::Instance().ExpectMessageBox(IDOK);
  Send();
  EXPECT_TRUE(m_journal.events.empty());
  const auto boxes = Records(platform::ModalKind::MessageBox);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, CString(L"Fill Option Please"));
}

// A typed value holding the delimiter would add a field: it is refused by name and nothing is sent;
// a decimal typed with a comma goes out as the number typed.
TEST_F(SettingBuildTest, DollarSetSendRefusesAValueThatSplitsTheCommand) {
  CreatePage();
  Params& params = NewParams();
  params.header = L"GEN";
  m_header.strD = L";";
  PARAM_INFO* name = params.Add(CTRL_EDIT, L"Name", L"ab;cd");
  PARAM_INFO* rate = params.Add(CTRL_EDIT_NUMBER, L"Rate", L"12,5");
  Show(1, params);
  name->pValueWnd->SetWindowText(L"ab;cd");
  rate->pValueWnd->SetWindowText(L"12,5");
  platform::ModalService::Instance().ExpectMessageBox(IDOK);
  Send();
  EXPECT_TRUE(m_journal.events.empty()) << "nothing is sent";
  const auto boxes = Records(platform::ModalKind::MessageBox);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_NE(boxes[0].text.Find(L"Name"), -1);

  name->pValueWnd->SetWindowText(L"abcd");
  Send();
  ASSERT_EQ(m_journal.commands.size(), 1u);
  EXPECT_EQ(m_journal.commands.back(), CString(L"GEN;abcd;12.5"));
}

TEST_F(SettingBuildTest, OlderNumberedComposerBuildsOneLine) {
  struct Case {
    const char* what;
    int pageType;
    BOOL json;
    std::function<void(Params&)> fill;
    const wchar_t* commandValue;  // typed into the command value row when it is shown
    std::vector<CString> expected;
  };
  auto command = [](const wchar_t* cmdId, BOOL hasValue) {
    return [cmdId, hasValue](Params& p) {
      PARAM_INFO* c = p.Add(CTRL_COMBO, L"Command", L"Reset", {L"Reset", L"Other"});
      c->pOptions[0].strCmdId = cmdId;
      c->pOptions[0].bHasType = hasValue;
    };
  };
  const Case cases[] = {
      {"every kind", 2, FALSE,
       [](Params& p) {
         int id = 1;
         p.Add(CTRL_COMBO, L"Mode", L"On", {L"Off", L"On"})->nId = id++;
         p.Add(CTRL_EDIT, L"APN", L"web")->nId = id++;
         p.Add(CTRL_PASSWD, L"Password", L"1234")->nId = id++;
         p.Add(CTRL_IP, L"Server IP", L"1.2.3.4")->nId = id++;
         p.Add(CTRL_EDIT_NUMBER, L"Speed", L"80")->nId = id++;
         p.Add(CTRL_CHECK_BOX, L"Flag", L"1")->nId = id++;
         PARAM_INFO* alert = p.Add(CTRL_ALERT_ID, L"Alert", L"1");
         alert->nId = id++;
         alert->strAlertId = L"A7";
         p.Add(CTRL_EDIT_BUTTON, L"Map", L"ff")->nId = id++;
         PARAM_INFO* item = p.Add(CTRL_S_ASSIGN, L"Item");
         item->nId = id++;
         item->assign.nNo = 12;
         PARAM_INFO* spare = p.Add(CTRL_ANY, L"Spare");
         spare->nId = id++;
         spare->bReserve = TRUE;
       },
       L"", {L"AT^PRG;0001;5;1#1;2#web;3#1234;4#1.2.3.4;5#80;7#A7;9#12;10#0"}},
      {"at most twenty entries", 2, FALSE,
       [](Params& p) {
         for (int i = 0; i < 25; ++i) p.Add(CTRL_EDIT_NUMBER, L"N", L"7")->nId = i;
       },
       L"", {L"AT^PRG;0001;5;0#7;1#7;2#7;3#7;4#7;5#7;6#7;7#7;8#7;9#7;10#7;11#7;12#7;13#7;14#7;15#7;16#7;17#7;18#7;19#7"}},
      {"command", TAB_TYPE_COMMAND, FALSE, command(L"RS01", FALSE), L"", {L"AT^CMD;0001;RS01"}},
      {"command of a JSON definition", TAB_TYPE_COMMAND, TRUE, command(L"RS01", FALSE), L"", {L"AT^CMD;0001;RS;01"}},
      {"command with its value", TAB_TYPE_COMMAND, FALSE, command(L"RS01", TRUE), L"42", {L"AT^CMD;0001;RS01;42"}},
      {"command without a command id", TAB_TYPE_COMMAND, FALSE, command(L"", FALSE), L"", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CreatePage();
    m_header.strI = L"0001";
    m_device.bJsonParam = c.json;
    Params& params = NewParams();
    c.fill(params);
    m_info.tab.nTabId = 5;
    Show(c.pageType, params);
    if (m_page->m_pCmdEdit != nullptr && m_page->m_pCmdEdit->IsWindowVisible())
      m_page->m_pCmdEdit->SetWindowText(c.commandValue);
    m_journal = Journal();
    m_page->BuildNumberedCommand();
    EXPECT_EQ(m_journal.commands, c.expected);
  }
  m_header = DEF_HEADER();
  m_device = DEVICE_INFO();
}

TEST_F(SettingBuildTest, OlderNumberedComposerAsksForAnEmptyCommandValue) {
  CreatePage();
  Params& params = NewParams();
  PARAM_INFO* c = params.Add(CTRL_COMBO, L"Command", L"SetUnitId", {L"SetUnitId"});
  c->pOptions[0].strCmdId = L"UI01";
  c->pOptions[0].bHasType = TRUE;
  Show(TAB_TYPE_COMMAND, params);
  ASSERT_TRUE(m_page->m_pCmdEdit->IsWindowVisible());
  platform::ModalService::Instance().ExpectMessageBox(IDOK);
  m_page->BuildNumberedCommand();
  EXPECT_TRUE(m_journal.events.empty());
  const auto boxes = Records(platform::ModalKind::MessageBox);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, CString(L"Fill Option Please"));
}

TEST_F(SettingBuildTest, NumberedSetHandsTheTabOverInOrder) {
  struct Case {
    BOOL fileMode;
    BOOL assign;
    std::vector<std::string> events;
  };
  const Case cases[] = {
      {TRUE, FALSE, {"write-group"}},
      {TRUE, TRUE, {"write-group"}},
      {FALSE, TRUE, {"assign-map", "write-current"}},
      {FALSE, FALSE, {"write-current"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fileMode * 10 + c.assign);
    CreatePage();
    m_page->m_bUpMode = TRUE;
    g_bFileMode = c.fileMode;
    Params& params = NewParams();
    params.Add(CTRL_EDIT, L"APN", L"web");
    m_info.tab.nTabId = 17;
    Show(2, params, c.assign);
    m_journal = Journal();
    Send();
    EXPECT_EQ(m_journal.events, c.events);
    EXPECT_EQ(m_page->m_pWriteList, &params.list);
    EXPECT_EQ(m_page->m_writeTab.nTabId, 17);
    for (const auto& w : m_journal.writes) {
      EXPECT_EQ(w.first, reinterpret_cast<WPARAM>(&params.list));
      EXPECT_EQ(w.second, reinterpret_cast<LPARAM>(&m_page->m_writeTab));
    }
    EXPECT_TRUE(m_journal.commands.empty()) << "no $-set command in the numbered set";
  }
  m_info.tab.nTabId = 0;
}

TEST_F(SettingBuildTest, AssignmentWriteOfAPageClearedMeanwhileEndsThere) {
  CreatePage();
  m_page->m_bUpMode = TRUE;
  Params& params = NewParams();
  params.Add(CTRL_EDIT, L"APN", L"web");
  Params& other = NewParams();
  other.Add(CTRL_EDIT, L"User", L"u");
  Show(2, params, TRUE);
  // While the assignment lines wait for the device, the user opens another tab.
  m_page->duringWrite = [&] { Show(2, other); };
  Send();
  EXPECT_EQ(m_journal.events, std::vector<std::string>{"assign-map"});
  EXPECT_EQ(m_page->m_pWriteList, nullptr);
}

TEST_F(SettingBuildTest, SetButtonAsksForTheReportMapOfItsParameter) {
  CreatePage();
  Params& params = NewParams();
  params.Add(CTRL_EDIT, L"APN", L"web");
  PARAM_INFO* map = params.Add(CTRL_EDIT_BUTTON, L"Report Map", L"00ff");
  Show(2, params);
  ASSERT_NE(map->pExtraWnd, nullptr);
  // A click on another generated control asks nothing.
  m_page->SendMessage(WM_COMMAND, MAKEWPARAM(3001, BN_CLICKED), 0);
  m_page->SendMessage(WM_COMMAND, MAKEWPARAM(3003, BN_CLICKED), 0);
  EXPECT_TRUE(m_journal.events.empty());
  m_page->SendMessage(WM_COMMAND, MAKEWPARAM(3004, BN_CLICKED),
                      reinterpret_cast<LPARAM>(map->pExtraWnd->GetSafeHwnd()));
  ASSERT_EQ(m_journal.events, std::vector<std::string>{"report-map"});
  ASSERT_TRUE(m_journal.request.has_value());
  EXPECT_EQ(m_journal.request->nReportTab, -1);
  EXPECT_EQ(m_journal.request->pParam, map);
  EXPECT_EQ(m_journal.request->nValueCtrlId, 3003);
}

// On a two-column page a label's id (3000 + 2i) is the SET button's id of the parameter before it
// (3002 + 2(i - 1)): a click on the label asks for no map, and the label's tool tip stays on it.
TEST_F(SettingBuildTest, ALabelSharingTheSetButtonsIdIsNoSetButton) {
  CreatePage();
  Params& params = NewParams();
  PARAM_INFO* map = params.Add(CTRL_EDIT_BUTTON, L"Report Map", L"00ff");
  const CString longName(L'N', 70);
  PARAM_INFO* next = params.Add(CTRL_EDIT, longName, L"web");
  for (int i = 2; i < 16; ++i) params.Add(CTRL_EDIT, CString::FromUtf8("P" + std::to_string(100 + i)));
  Show(2, params);
  ASSERT_NE(map->pExtraWnd, nullptr);
  ASSERT_NE(next->pLabelWnd, nullptr);
  ASSERT_EQ(next->pLabelWnd->GetDlgCtrlID(), map->pExtraWnd->GetDlgCtrlID());

  // The user clicks the label.
  ASSERT_NE(next->pLabelWnd->GetWidget(), nullptr);
  QTest::mouseClick(next->pLabelWnd->GetWidget(), Qt::LeftButton, Qt::NoModifier, QPoint(2, 2));
  EXPECT_TRUE(m_journal.events.empty()) << "a click on the label opens no map";

  ASSERT_NE(m_page->m_pToolTip, nullptr);
  CString tip;
  m_page->m_pToolTip->GetText(tip, next->pLabelWnd);
  EXPECT_EQ(tip, longName);
  CString buttonTip;
  m_page->m_pToolTip->GetText(buttonTip, map->pExtraWnd);
  EXPECT_TRUE(buttonTip.IsEmpty()) << "the SET button has no tool tip of the label";

  // The user clicks the SET button.
  QTest::mouseClick(map->pExtraWnd->GetWidget(), Qt::LeftButton, Qt::NoModifier, QPoint(2, 2));
  ASSERT_EQ(m_journal.events, std::vector<std::string>{"report-map"});
  EXPECT_EQ(m_journal.request->pParam, map);
}

}  // namespace
