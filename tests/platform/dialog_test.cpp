// Dialogs from templates: layout in dialog units, modal and modeless creation, ending a dialog
// (keys, close, buttons, handlers, the real modal loop) and the data exchange.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QFontInfo>
#include <QFontMetrics>
#include <QImage>
#include <QPalette>
#include <QTest>
#include <QKeyEvent>
#include <QTimer>
#include <QWidget>
#include <functional>

#include "platform/controls.h"
#include "platform/dialog.h"
#include "platform/gdi.h"
#include "platform/modal.h"
#include "test_main_env.h"

namespace {

using platform::DialogItemTemplate;
using platform::DialogTemplate;
using platform::test::ScriptedModalTest;

constexpr UINT kFormId = 9101;
constexpr UINT kPageId = 9102;
constexpr UINT kRadioId = 9103;
constexpr int kStaticName = 1001;
constexpr int kCombo = 1002;
constexpr int kCheck = 1003;
constexpr int kOther = 1004;
constexpr int kMultiEdit = 1005;
constexpr int kDropDown = 1006;
constexpr int kList = 1007;
constexpr int kUnknownClass = 1008;
constexpr int kEdit = 1065;
constexpr UINT kEndRequest = WM_APP + 1;

void RegisterForm() {
  DialogTemplate t;
  t.id = kFormId;
  t.cx = 190;
  t.cy = 100;
  t.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;
  t.caption = L"Form";
  t.fontFace = L"MS Shell Dlg";
  t.fontPointSize = 8;
  const DWORD v = WS_VISIBLE;
  t.items = {
      {L"STATIC", L"Name:", kStaticName, 4, 11, 16, 8, v | SS_LEFT, 0, {}},
      {L"EDIT", L"hello", kEdit, 21, 9, 125, 14, v | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL, 0, {}},
      {L"COMBOBOX", L"", kCombo, 21, 26, 60, 40, v | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 0, {L"First", L"Second"}},
      {L"BUTTON", L"Check", kCheck, 90, 26, 50, 10, v | WS_TABSTOP | BS_AUTOCHECKBOX, 0, {}},
      {L"BUTTON", L"OK", IDOK, 21, 40, 50, 14, v | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, {}},
      {L"BUTTON", L"Cancel", IDCANCEL, 96, 40, 50, 14, v | WS_TABSTOP | BS_PUSHBUTTON, 0, {}},
      {L"BUTTON", L"Other", kOther, 150, 40, 30, 14, v | WS_TABSTOP | BS_PUSHBUTTON, 0, {}},
      {L"EDIT", L"", kMultiEdit, 4, 60, 100, 30, v | WS_TABSTOP | ES_MULTILINE | ES_WANTRETURN, 0, {}},
      {L"COMBOBOX", L"", kDropDown, 110, 60, 60, 40, v | WS_TABSTOP | CBS_DROPDOWN, 0, {L"Alpha", L"Beta"}},
      {L"LISTBOX", L"", kList, 110, 75, 60, 20, v | WS_TABSTOP | LBS_NOTIFY, 0, {L"one", L"two", L"three"}},
      {L"NoSuchClass", L"", kUnknownClass, 0, 0, 4, 4, v, 0, {}},
  };
  platform::RegisterDialogTemplate(t);
}

// A dialog whose data exchange and initialisation a test supplies, counting what reaches it.
class TestDialog : public CDialog {
 public:
  explicit TestDialog(UINT id = kFormId, CWnd* parent = nullptr) : CDialog(id, parent) {}

  std::function<void(CDataExchange*)> exchange;
  std::function<void(TestDialog&)> beforeInit;
  std::function<void(TestDialog&)> afterInit;
  int okCount = 0;
  int cancelCount = 0;
  int otherClicks = 0;
  int kickIdles = 0;
  int initReturn = -1;  // what OnInitDialog returns instead of the base's answer (-1: the base's)
  bool endOnIdle = false;
  bool initialised = false;

  void OnOK() override {
    ++okCount;
    CDialog::OnOK();
  }
  void OnCancel() override {
    ++cancelCount;
    CDialog::OnCancel();
  }

 protected:
  void DoDataExchange(CDataExchange* pDX) override {
    CDialog::DoDataExchange(pDX);
    if (exchange) exchange(pDX);
  }
  BOOL OnInitDialog() override {
    initialised = true;
    if (beforeInit) beforeInit(*this);
    BOOL r = CDialog::OnInitDialog();
    if (afterInit) afterInit(*this);
    return initReturn >= 0 ? initReturn : r;
  }
  LRESULT OnEndRequest(WPARAM wParam, LPARAM) {
    EndDialog(static_cast<int>(wParam));
    return 0;
  }
  LRESULT OnKickIdle(WPARAM, LPARAM) {
    ++kickIdles;
    if (endOnIdle) EndDialog(7);
    return 0;
  }
  void OnOther() { ++otherClicks; }

  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(TestDialog, CDialog)
  ON_MESSAGE(kEndRequest, &TestDialog::OnEndRequest)
  ON_WM_KICKIDLE()
  ON_BN_CLICKED(kOther, &TestDialog::OnOther)
END_MESSAGE_MAP()

CRect RectInDialog(const CDialog& dlg, int id) {
  CRect r;
  CWnd* ctrl = dlg.GetDlgItem(id);
  if (ctrl == nullptr) return r;
  ctrl->GetWindowRect(&r);
  dlg.ScreenToClient(&r);
  return r;
}

void PressKey(CWnd* target, int qtKey) {
  ASSERT_NE(target, nullptr);
  QWidget* w = target->GetWidget();
  if (w->focusProxy() != nullptr) w = w->focusProxy();
  QKeyEvent press(QEvent::KeyPress, qtKey, Qt::NoModifier);
  QApplication::sendEvent(w, &press);
  QKeyEvent release(QEvent::KeyRelease, qtKey, Qt::NoModifier);
  QApplication::sendEvent(w, &release);
}

class DialogTest : public ScriptedModalTest {
 protected:
  void SetUp() override {
    ScriptedModalTest::SetUp();
    RegisterForm();
  }
};

TEST_F(DialogTest, ModalTemplateDialogLaysOutItsControlsAndExchangesData) {
  TestDialog dlg;
  CString name = L"preset";
  int check = 1;
  int comboIndex = -1;
  CButton checkMember;
  dlg.exchange = [&](CDataExchange* pDX) {
    DDX_Control(pDX, kCheck, checkMember);
    DDX_Text(pDX, kEdit, name);
    DDX_Check(pDX, kCheck, check);
    DDX_CBIndex(pDX, kCombo, comboIndex);
  };
  Modal().ExpectDialog(
      [&](CDialog& d) -> INT_PTR {
        // Dialog units 6 x 13 per 4 x 8: each edge converted on its own.
        struct Expected {
          int id;
          CRect rect;
        } const table[] = {
            {kStaticName, CRect(6, 17, 30, 30)},
            {kEdit, CRect(31, 14, 219, 37)},
            {IDOK, CRect(31, 65, 106, 87)},
            {IDCANCEL, CRect(144, 65, 219, 87)},
        };
        for (const Expected& e : table) {
          CRect r = RectInDialog(d, e.id);
          EXPECT_EQ(r.left, e.rect.left) << "control " << e.id;
          EXPECT_EQ(r.top, e.rect.top) << "control " << e.id;
          EXPECT_EQ(r.right, e.rect.right) << "control " << e.id;
          EXPECT_EQ(r.bottom, e.rect.bottom) << "control " << e.id;
        }
        CRect client;
        d.GetClientRect(&client);
        EXPECT_EQ(client.Width(), 285);
        EXPECT_EQ(client.Height(), 162);
        EXPECT_TRUE(d.IsWindowVisible());
        EXPECT_TRUE(d.GetWidget()->isWindow());
        EXPECT_EQ(d.GetWindowText(), CString(L"Form"));
        // The controls are objects of their classes; the combo got the template's strings.
        EXPECT_NE(dynamic_cast<CEdit*>(d.GetDlgItem(kEdit)), nullptr);
        EXPECT_NE(dynamic_cast<CComboBox*>(d.GetDlgItem(kCombo)), nullptr);
        EXPECT_EQ(d.GetDlgItem(kCombo)->SendMessage(CB_GETCOUNT), 2);
        EXPECT_NE(d.GetDlgItem(kUnknownClass), nullptr);
        EXPECT_EQ(d.GetDlgItem(kCheck), &checkMember);
        // OnInitDialog loaded the members into the controls.
        EXPECT_EQ(d.GetDlgItem(kEdit)->GetWindowText(), CString(L"preset"));
        EXPECT_EQ(checkMember.GetCheck(), BST_CHECKED);
        // The user's input, then OK through the dialog's own handler.
        d.GetDlgItem(kEdit)->SetWindowText(L"typed value");
        d.GetDlgItem(kCombo)->SendMessage(CB_SETCURSEL, 1);
        checkMember.SetCheck(BST_UNCHECKED);
        d.SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(d.GetDlgItem(IDOK)->m_hWnd));
        return IDCANCEL;  // the dialog ended itself with IDOK already
      },
      kFormId);
  EXPECT_EQ(dlg.DoModal(), IDOK);
  EXPECT_EQ(name, CString(L"typed value"));
  EXPECT_EQ(check, BST_UNCHECKED);
  EXPECT_EQ(comboIndex, 1);
  EXPECT_EQ(dlg.m_hWnd, nullptr);
  EXPECT_EQ(checkMember.m_hWnd, nullptr) << "a member control is detached when the dialog ends";
  auto records = Modal().Records();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].kind, platform::ModalKind::Dialog);
  EXPECT_EQ(records[0].templateId, kFormId);
  EXPECT_EQ(records[0].title, CString(L"Form"));
}

TEST_F(DialogTest, ModalDialogRunsAgainAndRebindsItsMembers) {
  TestDialog dlg;
  CEdit edit;
  dlg.exchange = [&](CDataExchange* pDX) { DDX_Control(pDX, kEdit, edit); };
  for (int run = 0; run < 2; ++run) {
    Modal().ExpectDialog([&](CDialog&) -> INT_PTR {
      EXPECT_NE(edit.m_hWnd, nullptr);
      EXPECT_EQ(edit.GetWindowText(), CString(L"hello"));
      return 100 + run;
    });
    EXPECT_EQ(dlg.DoModal(), 100 + run);
    EXPECT_EQ(edit.m_hWnd, nullptr);
  }
}

TEST_F(DialogTest, OnInitDialogDecidesWhereTheFocusStarts) {
  struct Case {
    const char* name;
    BOOL initReturn;
    bool disableEdit;
    int expected;
  };
  const Case cases[] = {
      {"TRUE: the first tab stop, its text selected", TRUE, false, kEdit},
      {"TRUE: disabled controls are passed over", TRUE, true, kCombo},
      {"FALSE: where OnInitDialog put it", FALSE, false, kOther},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TestDialog dlg;
    dlg.initReturn = c.initReturn;
    dlg.afterInit = [&](TestDialog& d) {
      if (c.disableEdit) d.GetDlgItem(kEdit)->EnableWindow(FALSE);
      d.GetDlgItem(kOther)->SetFocus();
    };
    Modal().ExpectDialog([&](CDialog& d) -> INT_PTR {
      EXPECT_TRUE(platform::PumpUntil([&] { return CWnd::GetFocus() == d.GetDlgItem(c.expected); }, 5000));
      if (c.expected == kEdit) {
        LRESULT sel = d.GetDlgItem(kEdit)->SendMessage(EM_GETSEL);
        EXPECT_EQ(LOWORD(sel), 0);
        EXPECT_EQ(HIWORD(sel), 5);
      }
      return IDOK;
    });
    EXPECT_EQ(dlg.DoModal(), IDOK);
  }
}

TEST_F(DialogTest, NextDlgCtrlWalksTheTabStops) {
  TestDialog dlg;
  Modal().ExpectDialog([&](CDialog& d) -> INT_PTR {
    EXPECT_TRUE(platform::PumpUntil([&] { return CWnd::GetFocus() == d.GetDlgItem(kEdit); }, 5000));
    d.NextDlgCtrl();
    EXPECT_EQ(CWnd::GetFocus(), d.GetDlgItem(kCombo));
    d.PrevDlgCtrl();
    d.PrevDlgCtrl();  // wraps to the last tab stop
    EXPECT_EQ(CWnd::GetFocus(), d.GetDlgItem(kList));
    return IDOK;
  });
  EXPECT_EQ(dlg.DoModal(), IDOK);
}

// Each way of ending (or not ending) a running modal dialog; 77 means the dialog was still open
// when the script returned.
TEST_F(DialogTest, KeysButtonsAndCloseEndTheDialogAsTheDialogManagerDoes) {
  struct Case {
    const char* name;
    std::function<void(TestDialog&)> action;
    INT_PTR expected;
    int okCount;
    int otherClicks;
  };
  const Case cases[] = {
      {"Esc in an edit cancels", [](TestDialog& d) { PressKey(d.GetDlgItem(kEdit), Qt::Key_Escape); }, IDCANCEL, 0, 0},
      {"Enter in an edit presses the default button",
       [](TestDialog& d) { PressKey(d.GetDlgItem(kEdit), Qt::Key_Return); }, IDOK, 1, 0},
      {"Enter on a push button presses that button",
       [](TestDialog& d) { PressKey(d.GetDlgItem(IDCANCEL), Qt::Key_Return); }, IDCANCEL, 0, 0},
      {"Enter on another push button runs its handler only",
       [](TestDialog& d) { PressKey(d.GetDlgItem(kOther), Qt::Key_Return); }, 77, 0, 1},
      {"Enter follows SetDefID",
       [](TestDialog& d) {
         d.SetDefID(kOther);
         EXPECT_EQ(d.GetDefID(), static_cast<DWORD>(MAKELONG(kOther, DC_HASDEFID)));
         PressKey(d.GetDlgItem(kEdit), Qt::Key_Return);
       },
       77, 0, 1},
      {"Enter does nothing while the default button is disabled",
       [](TestDialog& d) {
         d.GetDlgItem(IDOK)->EnableWindow(FALSE);
         PressKey(d.GetDlgItem(kEdit), Qt::Key_Return);
       },
       77, 0, 0},
      {"Enter in a multi-line edit that wants it types a line break",
       [](TestDialog& d) {
         PressKey(d.GetDlgItem(kMultiEdit), Qt::Key_Return);
         EXPECT_GE(d.GetDlgItem(kMultiEdit)->GetWindowText().Find(L"\r\n"), 0);
       },
       77, 0, 0},
      {"WM_CLOSE is Cancel",
       [](TestDialog& d) {
         d.SendMessage(WM_CLOSE);
         EXPECT_TRUE(platform::PumpUntil([&] { return d.cancelCount > 0; }, 5000));
       },
       IDCANCEL, 0, 0},
      {"the window's close button is Cancel",
       [](TestDialog& d) {
         d.GetWidget()->close();
         EXPECT_TRUE(platform::PumpUntil([&] { return d.cancelCount > 0; }, 5000));
       },
       IDCANCEL, 0, 0},
      {"WM_CLOSE does nothing while Cancel is disabled",
       [](TestDialog& d) {
         d.GetDlgItem(IDCANCEL)->EnableWindow(FALSE);
         d.SendMessage(WM_CLOSE);
         platform::PumpPendingEvents();
         EXPECT_EQ(d.cancelCount, 0);
       },
       77, 0, 0},
      {"a click on OK",
       [](TestDialog& d) { qobject_cast<QAbstractButton*>(d.GetDlgItem(IDOK)->GetWidget())->click(); }, IDOK, 1, 0},
      {"EndDialog inside the script wins over its return value", [](TestDialog& d) { d.EndDialog(5); }, 5, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TestDialog dlg;
    Modal().ExpectDialog([&](CDialog& d) -> INT_PTR {
      c.action(static_cast<TestDialog&>(d));
      return 77;
    });
    EXPECT_EQ(dlg.DoModal(), c.expected);
    EXPECT_EQ(dlg.okCount, c.okCount);
    EXPECT_EQ(dlg.otherClicks, c.otherClicks);
    EXPECT_EQ(dlg.m_hWnd, nullptr);
  }
}

TEST_F(DialogTest, FailedExchangeKeepsTheDialogOpenUntilTheInputIsValid) {
  TestDialog dlg;
  int value = 0;
  dlg.exchange = [&](CDataExchange* pDX) {
    DDX_Text(pDX, kEdit, value);
    DDV_MinMaxInt(pDX, value, 0, 100);
  };
  Modal().ExpectDialog([&](CDialog& d) -> INT_PTR {
    auto pressOk = [&] { d.SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED)); };
    d.GetDlgItem(kEdit)->SetWindowText(L"12x");
    pressOk();
    d.GetDlgItem(kEdit)->SetWindowText(L"101");
    pressOk();
    d.GetDlgItem(kEdit)->SetWindowText(L" 42 ");
    pressOk();
    return 77;
  });
  Modal().ExpectMessageBox(IDOK);
  Modal().ExpectMessageBox(IDOK);
  EXPECT_EQ(dlg.DoModal(), IDOK);
  EXPECT_EQ(value, 42);
  EXPECT_EQ(dlg.okCount, 3);
  auto records = Modal().Records();
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records[1].kind, platform::ModalKind::MessageBox);
  EXPECT_EQ(records[1].text, CString(L"Please enter an integer."));
  EXPECT_EQ(records[2].text, CString(L"Please enter an integer between 0 and 100."));
  EXPECT_TRUE(records[2].flags & MB_ICONEXCLAMATION);
}

TEST_F(DialogTest, UnansweredModalDialogIsNotCreatedAndAnswersCancel) {
  std::vector<platform::ModalRecord> unexpected;
  Modal().SetUnexpectedHandler([&](const platform::ModalRecord& r) { unexpected.push_back(r); });
  TestDialog dlg;
  EXPECT_EQ(dlg.DoModal(), IDCANCEL);
  EXPECT_FALSE(dlg.initialised);
  ASSERT_EQ(unexpected.size(), 1u);
  EXPECT_EQ(unexpected[0].templateId, kFormId);

  // A script answer for another template does not fit either, and stays queued.
  Modal().ExpectDialog([](CDialog&) -> INT_PTR { return IDOK; }, kFormId + 50);
  EXPECT_EQ(dlg.DoModal(), IDCANCEL);
  EXPECT_EQ(unexpected.size(), 2u);
  EXPECT_EQ(Modal().PendingAnswers(), 1u);
  Modal().UninstallScript();
  Modal().InstallScript();
}

TEST_F(DialogTest, BadTemplatesFailCleanly) {
  DialogTemplate childTpl;
  childTpl.id = 9150;
  childTpl.cx = 10;
  childTpl.cy = 10;
  childTpl.style = WS_CHILD;
  platform::RegisterDialogTemplate(childTpl);
  {
    TestDialog dlg(9999);
    EXPECT_EQ(dlg.DoModal(), -1) << "no such template";
  }
  {
    TestDialog dlg;
    EXPECT_FALSE(dlg.Create(9999, nullptr)) << "no such template";
    EXPECT_EQ(dlg.m_hWnd, nullptr);
  }
  {
    TestDialog dlg;
    EXPECT_FALSE(dlg.Create(9150, nullptr)) << "a child dialog without a parent";
    EXPECT_EQ(dlg.m_hWnd, nullptr);
  }
}

// ---- modeless dialogs ------------------------------------------------------------------------

class ModelessTest : public DialogTest {
 protected:
  void SetUp() override {
    DialogTest::SetUp();
    ASSERT_TRUE(parent.CreateEx(0, nullptr, L"parent", WS_POPUP | WS_VISIBLE, CRect(100, 100, 600, 500), nullptr, 0));
  }
  void TearDown() override {
    parent.DestroyWindow();
    DialogTest::TearDown();
  }
  CWnd parent;
};

TEST_F(ModelessTest, CreateLivesInTheParentsClientAreaAtTheTemplatePosition) {
  struct Case {
    const char* name;
    DWORD style;
    QPoint pos;
    bool visible;
  };
  // 10,20 du -> 15,32 px; 100 x 50 du -> 150 x 81 px; centred in 500 x 400 -> 175,159.
  const Case cases[] = {
      {"visible popup", WS_POPUP | WS_VISIBLE, QPoint(15, 32), true},
      {"hidden popup", WS_POPUP, QPoint(15, 32), false},
      {"visible child", WS_CHILD | WS_VISIBLE, QPoint(15, 32), true},
      {"centred child", WS_CHILD | WS_VISIBLE | DS_CENTER, QPoint(175, 159), true},
      {"centred popup", WS_POPUP | WS_VISIBLE | DS_CENTER, QPoint(175, 159), true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DialogTemplate t;
    t.id = kPageId;
    t.x = 10;
    t.y = 20;
    t.cx = 100;
    t.cy = 50;
    t.style = c.style;
    t.items = {{L"BUTTON", L"Go", 10, 2, 2, 20, 10, WS_VISIBLE | WS_TABSTOP, 0, {}}};
    platform::RegisterDialogTemplate(t);
    TestDialog page(kPageId, &parent);
    ASSERT_TRUE(page.Create(kPageId, &parent));
    EXPECT_TRUE(page.initialised);
    EXPECT_EQ(page.GetWidget()->parentWidget(), parent.GetWidget());
    EXPECT_EQ(page.GetWidget()->geometry(), QRect(c.pos, QSize(150, 81)));
    EXPECT_EQ(page.GetWidget()->isVisible(), c.visible);
    EXPECT_EQ(page.GetParent(), &parent);
    EXPECT_NE(page.GetDlgItem(10), nullptr);
    page.DestroyWindow();
  }
}

TEST_F(ModelessTest, WithoutParentTheDialogIsATopLevelWindowWithItsIcon) {
  TestDialog dlg;
  ASSERT_TRUE(dlg.Create(kFormId, nullptr));
  EXPECT_TRUE(dlg.GetWidget()->isWindow());
  EXPECT_EQ(dlg.GetParent(), nullptr);
  QImage image(16, 16, QImage::Format_ARGB32);
  image.fill(Qt::red);
  HICON icon = platform::HIconFromImage(image);
  EXPECT_EQ(dlg.SetIcon(icon, TRUE), nullptr);
  EXPECT_EQ(dlg.GetIcon(TRUE), icon);
  EXPECT_FALSE(dlg.GetWidget()->windowIcon().isNull());
  EXPECT_EQ(dlg.SetIcon(nullptr, TRUE), icon);
  DestroyIcon(icon);
}

TEST_F(ModelessTest, BackgroundColourSetBeforeOrAfterCreation) {
  for (bool before : {true, false}) {
    SCOPED_TRACE(before ? "before" : "after");
    CDialogEx dlg(kFormId);
    if (before) dlg.SetBackgroundColor(RGB(10, 20, 30));
    ASSERT_TRUE(dlg.Create(kFormId, &parent));
    if (!before) dlg.SetBackgroundColor(RGB(10, 20, 30));
    EXPECT_TRUE(dlg.GetWidget()->autoFillBackground());
    EXPECT_EQ(dlg.GetWidget()->palette().color(QPalette::Window), QColor(10, 20, 30));
  }
}

TEST_F(ModelessTest, EndDialogHidesAModelessDialogAndEnablesItsOwner) {
  TestDialog dlg;
  ASSERT_TRUE(dlg.Create(kFormId, &parent));
  dlg.ShowWindow(SW_SHOW);
  parent.EnableWindow(FALSE);
  dlg.EndDialog(IDOK);
  EXPECT_FALSE(dlg.IsWindowVisible());
  EXPECT_NE(dlg.m_hWnd, nullptr) << "hidden, not destroyed";
  EXPECT_TRUE(parent.IsWindowEnabled());
}

// Counts the mouse presses that reach a window or one of its controls.
class PressCounter : public QObject {
 public:
  explicit PressCounter(QWidget* root) : m_root(root) { QCoreApplication::instance()->installEventFilter(this); }
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::MouseButtonPress && watched->isWidgetType() &&
        (watched == m_root || m_root->isAncestorOf(static_cast<QWidget*>(watched))))
      ++presses;
    return false;
  }
  int presses = 0;

 private:
  QWidget* m_root;
};

// A press of the user's pointer as the window system delivers it to a window.
int PressesReaching(QWidget* window) {
  PressCounter counter(window);
  QTest::mouseClick(window->windowHandle(), Qt::LeftButton, Qt::NoModifier, QPoint(3, 3));
  return counter.presses;
}

TEST_F(ModelessTest, AModalDialogKeepsTheInputOnlyFromItsOwner) {
  struct Case {
    const char* name;
    bool owned;
  } cases[] = {{"owned by the parent", true}, {"without an owner", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TestDialog modal(kFormId, c.owned ? &parent : nullptr);
    int toOwner = -1, toOther = -1;
    Modal().ExpectDialog([&](CDialog&) -> INT_PTR {
      // A window of its own that the program opens while the modal dialog runs.
      TestDialog other;
      EXPECT_TRUE(other.Create(kFormId, nullptr));
      other.ShowWindow(SW_SHOW);
      toOther = PressesReaching(other.GetWidget());
      toOwner = PressesReaching(parent.GetWidget());
      other.DestroyWindow();
      return IDOK;
    });
    EXPECT_EQ(modal.DoModal(), IDOK);
    EXPECT_GT(toOther, 0) << "another window takes the pointer";
    if (c.owned) EXPECT_EQ(toOwner, 0) << "the owner waits for the dialog";
    else EXPECT_GT(toOwner, 0);
  }
}

TEST_F(ModelessTest, DdxControlHandsTheTemplateControlToTheMember) {
  TestDialog dlg;
  CEdit edit;
  HWND templateControl = nullptr;
  CWnd* wrapper = nullptr;
  dlg.beforeInit = [&](TestDialog& d) {
    wrapper = d.GetDlgItem(kEdit);
    templateControl = wrapper != nullptr ? wrapper->m_hWnd : nullptr;
  };
  dlg.exchange = [&](CDataExchange* pDX) { DDX_Control(pDX, kEdit, edit); };
  ASSERT_TRUE(dlg.Create(kFormId, &parent));
  ASSERT_NE(templateControl, nullptr);
  EXPECT_EQ(edit.m_hWnd, templateControl);
  EXPECT_EQ(CWnd::FromHandle(templateControl), &edit);
  EXPECT_EQ(dlg.GetDlgItem(kEdit), &edit);
  EXPECT_EQ(edit.GetWindowText(), CString(L"hello"));
  EXPECT_TRUE(edit.GetStyle() & ES_AUTOHSCROLL);
  EXPECT_EQ(edit.GetDlgCtrlID(), kEdit);
  // A second exchange leaves the bound member alone.
  EXPECT_TRUE(dlg.UpdateData(TRUE));
  EXPECT_EQ(edit.m_hWnd, templateControl);
  dlg.DestroyWindow();
  EXPECT_EQ(edit.m_hWnd, nullptr);
}

// Numbers typed into an edit: what saving accepts, and the member untouched on refusal.
TEST_F(ModelessTest, NumberExchangeParsesInTheCLocaleAndRefusesBadText) {
  enum Kind { Int, UInt, Long, Double };
  struct Case {
    Kind kind;
    const wchar_t* text;
    bool ok;
    double value;
  };
  const Case cases[] = {
      {Int, L"42", true, 42},
      {Int, L"  -7 ", true, -7},
      {Int, L"+3", true, 3},
      {Int, L"-2147483648", true, -2147483648.0},
      {Int, L"2147483648", false, 0},
      {Int, L"", false, 0},
      {Int, L"12x", false, 0},
      {Int, L"1.5", false, 0},
      {Int, L"--1", false, 0},
      {Int, L"0x10", false, 0},
      {UInt, L"4294967295", true, 4294967295.0},
      {UInt, L"-1", false, 0},
      {UInt, L"4294967296", false, 0},
      {Long, L"-9223372036854775808", true, -9223372036854775808.0},
      {Long, L"9223372036854775808", false, 0},
      {Double, L"1.5", true, 1.5},
      {Double, L" -2.25e3 ", true, -2250},
      {Double, L".5", true, 0.5},
      {Double, L"1,5", false, 0},
      {Double, L"1,500", false, 0},
      {Double, L"abc", false, 0},
      {Double, L"nan", false, 0},
      {Double, L"inf", false, 0},
      {Double, L"", false, 0},
  };
  const double sentinel = 12345;
  int i = static_cast<int>(sentinel);
  UINT u = static_cast<UINT>(sentinel);
  long l = static_cast<long>(sentinel);
  double d = sentinel;
  Kind kind = Int;
  bool loaded = false;
  TestDialog dlg;
  dlg.exchange = [&](CDataExchange* pDX) {
    if (!loaded) return;
    switch (kind) {
      case Int: DDX_Text(pDX, kEdit, i); break;
      case UInt: DDX_Text(pDX, kEdit, u); break;
      case Long: DDX_Text(pDX, kEdit, l); break;
      case Double: DDX_Text(pDX, kEdit, d); break;
    }
  };
  ASSERT_TRUE(dlg.Create(kFormId, &parent));
  loaded = true;
  for (const Case& c : cases) {
    SCOPED_TRACE(CString(c.text).ToUtf8());
    kind = c.kind;
    i = static_cast<int>(sentinel);
    u = static_cast<UINT>(sentinel);
    l = static_cast<long>(sentinel);
    d = sentinel;
    dlg.GetDlgItem(kEdit)->SetWindowText(c.text);
    if (!c.ok) Modal().ExpectMessageBox(IDOK);
    EXPECT_EQ(dlg.UpdateData(TRUE), c.ok ? TRUE : FALSE);
    double got = kind == Int ? i : kind == UInt ? u : kind == Long ? static_cast<double>(l) : d;
    EXPECT_EQ(got, c.ok ? c.value : sentinel);
  }
  EXPECT_EQ(Modal().PendingAnswers(), 0u);
}

TEST_F(ModelessTest, NumbersLoadAsCLocaleText) {
  struct Case {
    const char* name;
    std::function<void(CDataExchange*)> exchange;
    const wchar_t* text;
  };
  int i = -7;
  UINT u = 4294967295u;
  double small = 0.1;
  double big = 1e20;
  double negative = -2.5;
  const Case cases[] = {
      {"int", [&](CDataExchange* p) { DDX_Text(p, kEdit, i); }, L"-7"},
      {"UINT", [&](CDataExchange* p) { DDX_Text(p, kEdit, u); }, L"4294967295"},
      {"0.1", [&](CDataExchange* p) { DDX_Text(p, kEdit, small); }, L"0.1"},
      {"1e20", [&](CDataExchange* p) { DDX_Text(p, kEdit, big); }, L"1e+20"},
      {"-2.5", [&](CDataExchange* p) { DDX_Text(p, kEdit, negative); }, L"-2.5"},
  };
  TestDialog dlg;
  const Case* current = nullptr;
  dlg.exchange = [&](CDataExchange* pDX) {
    if (current != nullptr) current->exchange(pDX);
  };
  ASSERT_TRUE(dlg.Create(kFormId, &parent));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    current = &c;
    EXPECT_TRUE(dlg.UpdateData(FALSE));
    EXPECT_EQ(dlg.GetDlgItem(kEdit)->GetWindowText(), CString(c.text));
  }
}

TEST_F(ModelessTest, SelectionExchangesForCombosListsAndCheckBoxes) {
  TestDialog dlg;
  int comboIndex = 1;
  int listIndex = 2;
  int check = BST_CHECKED;
  CString dropText = L"be";  // selects "Beta" (prefix, no case)
  dlg.exchange = [&](CDataExchange* pDX) {
    DDX_CBIndex(pDX, kCombo, comboIndex);
    DDX_LBIndex(pDX, kList, listIndex);
    DDX_Check(pDX, kCheck, check);
    DDX_CBString(pDX, kDropDown, dropText);
  };
  ASSERT_TRUE(dlg.Create(kFormId, &parent));
  EXPECT_EQ(dlg.GetDlgItem(kCombo)->SendMessage(CB_GETCURSEL), 1);
  EXPECT_EQ(dlg.GetDlgItem(kList)->SendMessage(LB_GETCURSEL), 2);
  EXPECT_EQ(dlg.IsDlgButtonChecked(kCheck), static_cast<UINT>(BST_CHECKED));
  EXPECT_EQ(dlg.GetDlgItem(kDropDown)->SendMessage(CB_GETCURSEL), 1);

  // A text no item starts with is put in the drop-down's edit.
  dropText = L"Gamma";
  comboIndex = -1;
  ASSERT_TRUE(dlg.UpdateData(FALSE));
  EXPECT_EQ(dlg.GetDlgItem(kDropDown)->GetWindowText(), CString(L"Gamma"));
  EXPECT_EQ(dlg.GetDlgItem(kCombo)->SendMessage(CB_GETCURSEL), CB_ERR);

  dlg.GetDlgItem(kCombo)->SendMessage(CB_SETCURSEL, 0);
  dlg.GetDlgItem(kList)->SendMessage(LB_SETCURSEL, 0);
  dlg.CheckDlgButton(kCheck, BST_UNCHECKED);
  dlg.GetDlgItem(kDropDown)->SetWindowText(L"typed");
  ASSERT_TRUE(dlg.UpdateData(TRUE));
  EXPECT_EQ(comboIndex, 0);
  EXPECT_EQ(listIndex, 0);
  EXPECT_EQ(check, BST_UNCHECKED);
  EXPECT_EQ(dropText, CString(L"typed"));
}

TEST_F(ModelessTest, RadioExchangeCoversOneGroup) {
  DialogTemplate t;
  t.id = kRadioId;
  t.cx = 100;
  t.cy = 100;
  t.style = WS_POPUP;
  const DWORD radio = WS_VISIBLE | BS_AUTORADIOBUTTON;
  t.items = {
      {L"BUTTON", L"A", 2001, 0, 0, 40, 10, radio | WS_GROUP | WS_TABSTOP, 0, {}},
      {L"BUTTON", L"B", 2002, 0, 10, 40, 10, radio, 0, {}},
      {L"STATIC", L"label", 2010, 0, 20, 40, 10, WS_VISIBLE, 0, {}},
      {L"BUTTON", L"C", 2003, 0, 30, 40, 10, radio, 0, {}},
      {L"BUTTON", L"next group", 2004, 0, 40, 40, 10, WS_VISIBLE | BS_AUTOCHECKBOX | WS_GROUP, 0, {}},
      {L"BUTTON", L"D", 2005, 0, 50, 40, 10, radio | WS_GROUP, 0, {}},
  };
  platform::RegisterDialogTemplate(t);
  TestDialog dlg(kRadioId);
  int choice = 1;
  dlg.exchange = [&](CDataExchange* pDX) { DDX_Radio(pDX, 2001, choice); };
  ASSERT_TRUE(dlg.Create(kRadioId, &parent));
  struct State {
    int id;
    UINT checked;
  };
  for (State s : {State{2001, 0}, State{2002, 1}, State{2003, 0}, State{2005, 0}}) {
    EXPECT_EQ(dlg.IsDlgButtonChecked(s.id), s.checked) << "button " << s.id;
  }
  dlg.CheckDlgButton(2002, BST_UNCHECKED);
  dlg.CheckDlgButton(2003, BST_CHECKED);
  dlg.CheckDlgButton(2005, BST_CHECKED);
  ASSERT_TRUE(dlg.UpdateData(TRUE));
  EXPECT_EQ(choice, 2) << "the static between the radios is not counted";
  dlg.CheckDlgButton(2003, BST_UNCHECKED);
  ASSERT_TRUE(dlg.UpdateData(TRUE));
  EXPECT_EQ(choice, -1) << "a button of the next group does not count";
}

TEST_F(ModelessTest, MaxCharsLimitsTheEditAndRefusesLongerText) {
  TestDialog dlg;
  CString text = L"abc";
  CString label = L"Name:";
  dlg.exchange = [&](CDataExchange* pDX) {
    DDX_Text(pDX, kEdit, text);
    DDV_MaxChars(pDX, text, 5);
    DDX_Text(pDX, kStaticName, label);
    DDV_MaxChars(pDX, label, 5);
  };
  ASSERT_TRUE(dlg.Create(kFormId, &parent));
  EXPECT_EQ(dlg.GetDlgItem(kEdit)->SendMessage(EM_GETLIMITTEXT), 5) << "loading limits the edit";
  struct Case {
    const wchar_t* edit;
    const wchar_t* label;
    bool ok;
  };
  const Case cases[] = {
      {L"abcde", L"Name:", true},
      {L"", L"", true},
      {L"abcde", L"Name::", false},  // a static has no limit of its own: saving refuses it
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(CString(c.label).ToUtf8());
    dlg.GetDlgItem(kEdit)->SetWindowText(c.edit);
    dlg.GetDlgItem(kStaticName)->SetWindowText(c.label);
    if (!c.ok) Modal().ExpectMessageBox(IDOK);
    EXPECT_EQ(dlg.UpdateData(TRUE), c.ok ? TRUE : FALSE);
    if (c.ok) {
      EXPECT_EQ(label, CString(c.label));
    }
  }
  auto records = Modal().Records();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].text, CString(L"Please enter no more than 5 characters."));
}

// ---- the real modal loop (no script) --------------------------------------------------------

class RealModalTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(platform::test::EnsureApplication(), nullptr);
    RegisterForm();
  }
  // Ends a dialog that is still running after a generous time, so that a fault fails the test
  // instead of hanging it.
  static void Watchdog(TestDialog& dlg, QTimer& timer) {
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, [&dlg] {
      if (dlg.IsModalRunning()) dlg.EndDialog(-99);
    });
    timer.start(20000);
  }
};

TEST_F(RealModalTest, EndDialogFromAHandlerEndsDoModal) {
  TestDialog dlg;
  dlg.afterInit = [](TestDialog& d) { d.PostMessage(kEndRequest, 42); };
  QTimer timer;
  Watchdog(dlg, timer);
  EXPECT_EQ(dlg.DoModal(), 42);
  EXPECT_EQ(dlg.m_hWnd, nullptr);
}

TEST_F(RealModalTest, IdleLoopSendsKickIdle) {
  TestDialog dlg;
  dlg.endOnIdle = true;
  QTimer timer;
  Watchdog(dlg, timer);
  EXPECT_EQ(dlg.DoModal(), 7);
  EXPECT_GE(dlg.kickIdles, 1);
}

TEST_F(RealModalTest, EndDialogDuringInitialisationSkipsTheLoop) {
  TestDialog dlg;
  dlg.afterInit = [](TestDialog& d) { d.EndDialog(3); };
  QTimer timer;
  Watchdog(dlg, timer);
  EXPECT_EQ(dlg.DoModal(), 3);
}

TEST_F(RealModalTest, DestroyingTheWindowEndsTheLoop) {
  TestDialog dlg;
  dlg.afterInit = [](TestDialog& d) {
    const HWND h = d.m_hWnd;
    QTimer::singleShot(0, qApp, [h] {
      if (CWnd* w = CWnd::FromHandle(h)) w->DestroyWindow();
    });
  };
  QTimer timer;
  Watchdog(dlg, timer);
  EXPECT_EQ(dlg.DoModal(), -1);
}

}  // namespace

namespace {

// The faces Windows programs name draw with installed faces of like metrics, and the controls of a
// dialog answer for the font they draw with, so that a program measuring its texts with GetFont
// measures what is drawn.
TEST_F(ModelessTest, DialogFontHasWindowsMetricsAndIsTheControlsOwn) {
  struct Case {
    const char* face;
    const char* installed;
  };
  const Case cases[] = {
      {"Arial", "Liberation Sans"},
      {"MS Shell Dlg", "Liberation Sans"},
      {"Tahoma", "Liberation Sans"},
      {"Times New Roman", "Liberation Serif"},
      {"Courier New", "Liberation Mono"},
  };
  platform::EnsureDialogFont();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.face);
    EXPECT_EQ(QFontInfo(QFont(QString::fromLatin1(c.face))).family(), QString::fromLatin1(c.installed));
  }
  EXPECT_EQ(QApplication::font().pixelSize(), 11);
  EXPECT_EQ(QFontInfo(QApplication::font()).family(), QString("Liberation Sans"));

  DialogTemplate t;
  t.id = kPageId;
  t.cx = 200;
  t.cy = 60;
  t.style = WS_CHILD | WS_VISIBLE;
  t.items = {{L"STATIC", L"Ignition On Output", 10, 2, 2, 64, 8, WS_VISIBLE | SS_LEFT, 0, {}},
             {L"SysTabControl32", L"", 11, 2, 14, 190, 40, WS_VISIBLE, 0, {}}};
  platform::RegisterDialogTemplate(t);
  TestDialog page(kPageId, &parent);
  ASSERT_TRUE(page.Create(kPageId, &parent));
  ASSERT_NE(page.GetFont(), nullptr) << "a dialog answers for its own font";
  EXPECT_EQ(platform::QFontFromHandle(static_cast<HFONT>(page.GetFont()->m_hObject)), page.GetWidget()->font());
  for (int id : {10, 11}) {
    SCOPED_TRACE(id);
    CFont* font = page.GetDlgItem(id)->GetFont();
    ASSERT_NE(font, nullptr) << "a control of a dialog has the dialog's font";
    LOGFONT lf{};
    ASSERT_NE(font->GetLogFont(&lf), 0);
    EXPECT_EQ(lf.lfWeight, FW_NORMAL);
    EXPECT_EQ(platform::QFontFromHandle(static_cast<HFONT>(font->m_hObject)), page.GetDlgItem(id)->GetWidget()->font());
  }
  // A label 64 units wide holds its caption on one line, as on Windows.
  const QFontMetrics metrics(page.GetDlgItem(10)->GetWidget()->font());
  EXPECT_LE(metrics.horizontalAdvance(QString("Ignition On Output")), page.GetDlgItem(10)->GetWidget()->width());
  page.DestroyWindow();
}

}  // namespace
