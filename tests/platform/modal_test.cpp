// The modal service (scripted answers, records, unexpected requests, the real message box),
// file dialogs, menus and popup menus, and the application object's profile.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>
#include <thread>
#include <vector>

#include "platform/menu.h"
#include "platform/modal.h"
#include "platform/registry.h"
#include "platform/winapp.h"
#include "test_main_env.h"

namespace {

using platform::ModalKind;
using platform::ModalRecord;
using platform::test::ScriptedModalTest;

// ---- message boxes --------------------------------------------------------------------------

using ModalServiceTest = ScriptedModalTest;

TEST_F(ModalServiceTest, ScriptedMessageBoxesReturnTheQueuedAnswersAndAreRecorded) {
  CWinApp app(L"Caption App");
  CWnd owner;
  ASSERT_TRUE(owner.CreateEx(0, nullptr, L"owner", WS_POPUP, CRect(0, 0, 50, 50), nullptr, 0));
  struct Case {
    const char* name;
    std::function<int()> show;
    int answer;
    const wchar_t* text;
    const wchar_t* title;
    UINT flags;
  };
  const Case cases[] = {
      {"AfxMessageBox", [] { return AfxMessageBox(L"Quit now?", MB_OKCANCEL | MB_ICONQUESTION); }, IDOK,
       L"Quit now?", L"Caption App", MB_OKCANCEL | MB_ICONQUESTION},
      {"AfxMessageBox default type", [] { return AfxMessageBox(L"File not found"); }, IDOK, L"File not found",
       L"Caption App", MB_OK},
      {"CWnd message box without caption",
       [&] { return platform::WndMessageBox(&owner, L"Mode changed"); }, IDOK, L"Mode changed",
       L"Caption App", MB_OK},
      {"CWnd message box with caption",
       [&] { return platform::WndMessageBox(&owner, L"Overwrite?", L"Save", MB_YESNO); }, IDNO, L"Overwrite?",
       L"Save", MB_YESNO},
      {"system message box without caption", [&] { return MessageBox(owner.m_hWnd, L"Failed", L"", MB_RETRYCANCEL); },
       IDRETRY, L"Failed", L"Error", MB_RETRYCANCEL},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Modal().ClearRecords();
    Modal().ExpectMessageBox(c.answer);
    EXPECT_EQ(c.show(), c.answer);
    auto records = Modal().Records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].kind, ModalKind::MessageBox);
    EXPECT_EQ(records[0].text, CString(c.text));
    EXPECT_EQ(records[0].title, CString(c.title));
    EXPECT_EQ(records[0].flags, c.flags);
  }
  owner.DestroyWindow();
}

TEST_F(ModalServiceTest, UnexpectedRequestsCallTheHandlerAndAnswerCancelAtOnce) {
  std::vector<ModalRecord> unexpected;
  Modal().SetUnexpectedHandler([&](const ModalRecord& r) { unexpected.push_back(r); });

  EXPECT_EQ(AfxMessageBox(L"nobody answers", MB_YESNO), IDCANCEL);
  ASSERT_EQ(unexpected.size(), 1u);
  EXPECT_EQ(unexpected[0].text, CString(L"nobody answers"));

  // An answer of another kind does not fit, and waits for a request of its kind.
  Modal().ExpectFileDialog(L"/tmp/a.txt");
  EXPECT_EQ(AfxMessageBox(L"still nobody"), IDCANCEL);
  EXPECT_EQ(unexpected.size(), 2u);
  EXPECT_EQ(Modal().PendingAnswers(), 1u);
  CFileDialog dlg(TRUE);
  EXPECT_EQ(dlg.DoModal(), IDOK);
  EXPECT_EQ(dlg.GetPathName(), CString(L"/tmp/a.txt"));
  EXPECT_EQ(Modal().Records().size(), 3u) << "unexpected requests are recorded too";
}

TEST_F(ModalServiceTest, RequestsFromAnotherThreadAreAnsweredToo) {
  Modal().ExpectMessageBox(IDYES);
  int result = 0;
  std::thread worker([&] { result = AfxMessageBox(L"from a worker", MB_YESNO); });
  worker.join();
  EXPECT_EQ(result, IDYES);
}

TEST(MessageBoxButtonsTest, ButtonsDefaultAndEscapePerType) {
  struct Case {
    UINT type;
    std::vector<int> buttons;
    int defaultResult;
    int escapeResult;
  };
  const Case cases[] = {
      {MB_OK, {IDOK}, IDOK, IDOK},
      {MB_OKCANCEL | MB_DEFBUTTON2, {IDOK, IDCANCEL}, IDCANCEL, IDCANCEL},
      {MB_ABORTRETRYIGNORE | MB_DEFBUTTON3, {IDABORT, IDRETRY, IDIGNORE}, IDIGNORE, IDABORT},
      {MB_YESNOCANCEL | MB_ICONQUESTION, {IDYES, IDNO, IDCANCEL}, IDYES, IDCANCEL},
      {MB_YESNO | MB_DEFBUTTON2, {IDYES, IDNO}, IDNO, IDNO},
      {MB_RETRYCANCEL, {IDRETRY, IDCANCEL}, IDRETRY, IDCANCEL},
      {MB_CANCELTRYCONTINUE | MB_DEFBUTTON3, {IDCANCEL, IDTRYAGAIN, IDCONTINUE}, IDCONTINUE, IDCANCEL},
      {MB_YESNO | MB_DEFBUTTON4, {IDYES, IDNO}, IDYES, IDNO},  // out of range: the first
      {0x0000000Fu, {IDOK}, IDOK, IDOK},                          // unknown type: OK
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.type);
    EXPECT_EQ(platform::MessageBoxButtons(c.type), c.buttons);
    EXPECT_EQ(platform::MessageBoxDefaultResult(c.type), c.defaultResult);
    EXPECT_EQ(platform::MessageBoxEscapeResult(c.type), c.escapeResult);
  }
}

// Without a script a real QMessageBox is shown; a timer plays the user.
TEST(RealMessageBoxTest, TheChosenButtonIsTheResult) {
  ASSERT_NE(platform::test::EnsureApplication(), nullptr);
  ASSERT_FALSE(platform::ModalService::Instance().IsScripted());
  struct Case {
    UINT type;
    int click;  // 0: close the box instead
    int expected;
  };
  const Case cases[] = {
      {MB_YESNOCANCEL | MB_DEFBUTTON2, IDNO, IDNO},
      {MB_OK | MB_ICONERROR, IDOK, IDOK},
      {MB_ABORTRETRYIGNORE, IDIGNORE, IDIGNORE},
      {MB_CANCELTRYCONTINUE, IDCONTINUE, IDCONTINUE},
      {MB_YESNO, 0, IDNO},
      {MB_OKCANCEL, 0, IDCANCEL},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.type);
    int defaultSeen = -1;
    QTimer user;
    user.setInterval(10);
    int ticks = 0;
    QObject::connect(&user, &QTimer::timeout, [&] {
      ++ticks;
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box == nullptr) {
        if (ticks > 2000) user.stop();  // never shown: give up rather than hang
        return;
      }
      user.stop();
      if (box->defaultButton() != nullptr) defaultSeen = box->defaultButton()->property("platformResult").toInt();
      if (c.click == 0) {
        box->close();
        return;
      }
      for (QAbstractButton* b : box->buttons()) {
        if (b->property("platformResult").toInt() == c.click) {
          b->click();
          return;
        }
      }
      box->close();
    });
    user.start();
    EXPECT_EQ(platform::ShowMessageBox(nullptr, L"question", L"Title", c.type), c.expected);
    EXPECT_EQ(defaultSeen, platform::MessageBoxDefaultResult(c.type));
  }
}

// ---- file dialogs ---------------------------------------------------------------------------

TEST(FileFilterTest, FiltersConvertToQtForm) {
  struct Case {
    const wchar_t* mfc;
    const wchar_t* qt;
  };
  const Case cases[] = {
      {L"Text Files (*.txt)|*.txt|All Files (*.*)|*.*||", L"Text Files (*.txt);;All Files (*)"},
      {L"Settings Files (*.cfg)|*.cfg|", L"Settings Files (*.cfg)"},
      {L"XML Files (*.xml)|*.xml|", L"XML Files (*.xml)"},
      {L"Pictures (*.bmp,*.png)|*.bmp;*.png | All Files|*.*||", L"Pictures (*.bmp *.png);;All Files (*)"},
      {L"Images|*.bmp;*.png||", L"Images (*.bmp *.png)"},
      {L"Maps (*.csv)|*.map||", L"Maps (*.csv) (*.map)"},
      {L"|*.txt|", L"*.txt (*.txt)"},
      {L"Name only|", L""},
      {L"Broken|  |Good|*.g||", L"Good (*.g)"},
      {L"", L""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(platform::ConvertFileFilter(c.mfc), CString(c.qt)) << CString(c.mfc);
  }
}

TEST(FileFilterTest, DefaultExtensionIsAddedToANameWithoutOne) {
  struct Case {
    const wchar_t* path;
    const wchar_t* ext;
    const wchar_t* expected;
  };
  const Case cases[] = {
      {L"/a/b/name", L"txt", L"/a/b/name.txt"},
      {L"/a/b/name.xml", L"txt", L"/a/b/name.xml"},
      {L"/a.dir/name", L"bin", L"/a.dir/name.bin"},
      {L"/a/b/name", L".cfg", L"/a/b/name.cfg"},
      {L"/a/b/name.", L"txt", L"/a/b/name."},
      {L"name", L"xml", L"name.xml"},
      {L"", L"txt", L""},
      {L"/a/b/name", L"", L"/a/b/name"},
      {L"/a/b/", L"txt", L"/a/b/"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(platform::ApplyDefaultExtension(c.path, c.ext), CString(c.expected)) << CString(c.path);
  }
}

using FileDialogTest = ScriptedModalTest;

TEST_F(FileDialogTest, ScriptedChoiceGivesThePathNameExtensionAndFolder) {
  struct Case {
    const char* name;
    BOOL open;
    const wchar_t* defExt;
    const wchar_t* initialName;
    DWORD flags;
    const wchar_t* filter;
    const wchar_t* answer;
    INT_PTR result;
    const wchar_t* path;
    const wchar_t* fileName;
    const wchar_t* ext;
    const wchar_t* title;
    const wchar_t* folder;
  };
  const Case cases[] = {
      {"save adds the default extension", FALSE, L"cfg", nullptr, OFN_HIDEREADONLY,
       L"Settings Files (*.cfg)|*.cfg|", L"/tmp/out/setup", IDOK, L"/tmp/out/setup.cfg", L"setup.cfg", L"cfg",
       L"setup", L"/tmp/out"},
      {"open keeps a name with an extension", TRUE, L"bmp", nullptr, OFN_READONLY,
       L"Pictures (*.bmp,*.png)|*.bmp;*.png | All Files|*.*||", L"/data/cat.png", IDOK, L"/data/cat.png",
       L"cat.png", L"png", L"cat", L"/data"},
      {"cancel keeps the initial name", TRUE, L"xml", L"start.xml", OFN_HIDEREADONLY, L"XML Files (*.xml)|*.xml|", L"",
       IDCANCEL, L"start.xml", L"start.xml", L"xml", L"start", L""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Modal().ClearRecords();
    CFileDialog dlg(c.open, c.defExt, c.initialName, c.flags, c.filter);
    Modal().ExpectFileDialog(c.answer);
    EXPECT_EQ(dlg.DoModal(), c.result);
    EXPECT_EQ(dlg.GetPathName(), CString(c.path));
    EXPECT_EQ(dlg.GetFileName(), CString(c.fileName));
    EXPECT_EQ(dlg.GetFileExt(), CString(c.ext));
    EXPECT_EQ(dlg.GetFileTitle(), CString(c.title));
    EXPECT_EQ(dlg.GetFolderPath(), CString(c.folder));
    auto records = Modal().Records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].kind, c.open ? ModalKind::FileOpen : ModalKind::FileSave);
    EXPECT_EQ(records[0].filter, platform::ConvertFileFilter(c.filter));
    EXPECT_EQ(records[0].defaultName, CString(c.initialName));
    EXPECT_EQ(records[0].defaultExt, CString(c.defExt));
    EXPECT_EQ(records[0].flags, c.flags);
  }
}

// ---- menus ----------------------------------------------------------------------------------

constexpr UINT kMenuId = 9144;
constexpr UINT kCopy = 32784;
constexpr UINT kClear = 32785;
constexpr UINT kGray = 32786;
constexpr UINT kDeep = 32787;

void RegisterListMenu() {
  platform::RegisterMenuTemplate(
      kMenuId, {{L"Popup",
                 0,
                 MF_POPUP,
                 {{L"Copy", kCopy},
                  {L"Clear", kClear},
                  {L"", 0, MF_SEPARATOR},
                  {L"Gray", kGray, MF_GRAYED},
                  {L"More", 0, MF_POPUP, {{L"Deep", kDeep}}}}}});
}

// A window that records the commands it receives.
class CommandTarget : public CWnd {
 public:
  std::vector<UINT> commands;

 protected:
  void OnMenuCommand(UINT id) { commands.push_back(id); }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CommandTarget, CWnd)
  ON_COMMAND_RANGE(kCopy, kDeep, &CommandTarget::OnMenuCommand)
END_MESSAGE_MAP()

class PopupMenuTest : public ScriptedModalTest {
 protected:
  void SetUp() override {
    ScriptedModalTest::SetUp();
    RegisterListMenu();
    ASSERT_TRUE(target.CreateEx(0, nullptr, L"target", WS_POPUP, CRect(0, 0, 100, 100), nullptr, 0));
    ASSERT_TRUE(menu.LoadMenu(kMenuId));
  }
  void TearDown() override {
    target.DestroyWindow();
    ScriptedModalTest::TearDown();
  }
  CommandTarget target;
  CMenu menu;
};

TEST_F(PopupMenuTest, ScriptedChoiceIsPostedOrReturned) {
  struct Case {
    const char* name;
    UINT flags;
    UINT answer;
    BOOL result;
    UINT posted;  // 0: nothing reaches the window
    int unexpected;
  };
  const Case cases[] = {
      {"a choice is posted after the menu closes", TPM_RIGHTBUTTON, kCopy, TRUE, kCopy, 0},
      {"a choice in a nested popup", TPM_LEFTALIGN, kDeep, TRUE, kDeep, 0},
      {"TPM_RETURNCMD returns the choice and sends nothing", TPM_RETURNCMD, kClear, static_cast<BOOL>(kClear), 0, 0},
      {"a dismissed menu", TPM_RIGHTBUTTON, 0, TRUE, 0, 0},
      {"a dismissed menu with TPM_RETURNCMD", TPM_RETURNCMD, 0, 0, 0, 0},
      {"a grayed item cannot be chosen", TPM_RIGHTBUTTON, kGray, TRUE, 0, 1},
      {"a command the menu does not have", TPM_RETURNCMD, 4711, 0, 0, 1},
  };
  CMenu* popup = menu.GetSubMenu(0);
  ASSERT_NE(popup, nullptr);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    int unexpected = 0;
    Modal().SetUnexpectedHandler([&](const ModalRecord&) { ++unexpected; });
    target.commands.clear();
    Modal().ExpectMenu(c.answer);
    EXPECT_EQ(popup->TrackPopupMenu(c.flags, 10, 20, &target), c.result);
    EXPECT_TRUE(target.commands.empty()) << "the command is posted, not sent";
    if (c.posted != 0) {
      EXPECT_TRUE(platform::PumpUntil([&] { return !target.commands.empty(); }, 5000));
      EXPECT_EQ(target.commands, std::vector<UINT>{c.posted});
    } else {
      platform::PumpPendingEvents();
      EXPECT_TRUE(target.commands.empty());
    }
    EXPECT_EQ(unexpected, c.unexpected);
  }
  auto records = Modal().Records();
  ASSERT_FALSE(records.empty());
  EXPECT_EQ(records[0].kind, ModalKind::PopupMenu);
  EXPECT_EQ(records[0].point.x, 10);
  EXPECT_EQ(records[0].point.y, 20);
  ASSERT_EQ(records[0].menuItems.size(), 5u);
  EXPECT_EQ(records[0].menuItems[0].text, CString(L"Copy"));
  EXPECT_EQ(records[0].menuItems[1].id, kClear);
  EXPECT_TRUE(records[0].menuItems[2].flags & MF_SEPARATOR);
  EXPECT_TRUE(records[0].menuItems[3].flags & MF_GRAYED);
  ASSERT_EQ(records[0].menuItems[4].popup.size(), 1u);
  EXPECT_EQ(records[0].menuItems[4].popup[0].id, kDeep);
}

TEST_F(PopupMenuTest, TrackingNeedsAWindowAndAMenu) {
  CMenu empty;
  EXPECT_FALSE(empty.TrackPopupMenu(0, 0, 0, &target));
  EXPECT_FALSE(menu.GetSubMenu(0)->TrackPopupMenu(0, 0, 0, nullptr));
  EXPECT_TRUE(Modal().Records().empty()) << "nothing was shown";
}

TEST(RealPopupMenuTest, TheActivatedItemIsReturned) {
  ASSERT_NE(platform::test::EnsureApplication(), nullptr);
  RegisterListMenu();
  CWnd target;
  ASSERT_TRUE(target.CreateEx(0, nullptr, L"target", WS_POPUP, CRect(0, 0, 100, 100), nullptr, 0));
  CMenu menu;
  ASSERT_TRUE(menu.LoadMenu(kMenuId));
  QTimer user;
  user.setInterval(10);
  int ticks = 0;
  QObject::connect(&user, &QTimer::timeout, [&] {
    ++ticks;
    auto* shown = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (shown == nullptr) {
      if (ticks > 2000) user.stop();
      return;
    }
    user.stop();
    shown->setActiveAction(shown->actions().at(1));
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(shown, &enter);
  });
  user.start();
  EXPECT_EQ(menu.GetSubMenu(0)->TrackPopupMenu(TPM_RETURNCMD, 5, 5, &target), static_cast<BOOL>(kClear));
  target.DestroyWindow();
}

TEST(MenuTest, ItemsCanBeAddedFoundChangedAndRemoved) {
  CMenu menu;
  ASSERT_TRUE(menu.CreatePopupMenu());
  ASSERT_TRUE(menu.AppendMenu(MF_STRING, 1, L"One"));
  ASSERT_TRUE(menu.AppendMenu(MF_SEPARATOR));
  ASSERT_TRUE(menu.AppendMenu(MF_STRING | MF_GRAYED, 3, L"Three"));
  ASSERT_TRUE(menu.InsertMenu(0, MF_BYPOSITION, 4, L"Zero"));
  CMenu sub;
  ASSERT_TRUE(sub.CreatePopupMenu());
  ASSERT_TRUE(sub.AppendMenu(MF_STRING, 10, L"Ten"));
  const HMENU subHandle = sub.Detach();
  ASSERT_TRUE(menu.AppendMenu(MF_POPUP, reinterpret_cast<UINT_PTR>(subHandle), L"Sub"));

  EXPECT_EQ(menu.GetMenuItemCount(), 5);
  struct Position {
    int pos;
    UINT id;
  };
  for (Position p : {Position{0, 4}, Position{1, 1}, Position{2, 0}, Position{3, 3}, Position{4, 0xFFFFFFFFu},
                     Position{5, 0xFFFFFFFFu}, Position{-1, 0xFFFFFFFFu}}) {
    EXPECT_EQ(menu.GetMenuItemID(p.pos), p.id) << "position " << p.pos;
  }
  CString text;
  EXPECT_EQ(menu.GetMenuString(10, text, MF_BYCOMMAND), 3) << "commands are found inside popups";
  EXPECT_EQ(text, CString(L"Ten"));
  EXPECT_EQ(menu.GetMenuString(4, text, MF_BYPOSITION), 3);
  EXPECT_EQ(text, CString(L"Sub"));
  EXPECT_EQ(menu.GetMenuString(99, text, MF_BYCOMMAND), 0);
  EXPECT_TRUE(text.IsEmpty());

  EXPECT_EQ(menu.EnableMenuItem(3, MF_ENABLED), static_cast<UINT>(MF_GRAYED));
  EXPECT_EQ(menu.EnableMenuItem(3, MF_GRAYED), static_cast<UINT>(MF_ENABLED));
  EXPECT_EQ(menu.EnableMenuItem(99, MF_GRAYED), 0xFFFFFFFFu);
  EXPECT_EQ(menu.CheckMenuItem(1, MF_CHECKED), static_cast<UINT>(MF_UNCHECKED));
  EXPECT_TRUE(menu.GetMenuState(1, MF_BYCOMMAND) & MF_CHECKED);
  EXPECT_EQ(menu.CheckMenuItem(10, MF_CHECKED), static_cast<UINT>(MF_UNCHECKED));

  CMenu* subMenu = menu.GetSubMenu(4);
  ASSERT_NE(subMenu, nullptr);
  EXPECT_EQ(subMenu->m_hMenu, subHandle);
  EXPECT_EQ(menu.GetSubMenu(0), nullptr);
  EXPECT_TRUE(menu.InsertMenu(10, MF_BYCOMMAND, 11, L"Eleven")) << "inserted before Ten, inside the popup";
  EXPECT_EQ(subMenu->GetMenuItemID(0), 11u);
  EXPECT_EQ(subMenu->GetMenuItemID(1), 10u);

  // A menu cannot hold itself or a handle that is not a menu.
  EXPECT_FALSE(menu.AppendMenu(MF_POPUP, reinterpret_cast<UINT_PTR>(menu.m_hMenu), L"self"));
  EXPECT_FALSE(subMenu->AppendMenu(MF_POPUP, reinterpret_cast<UINT_PTR>(menu.m_hMenu), L"parent"));
  EXPECT_FALSE(menu.AppendMenu(MF_POPUP, 0x1234, L"junk"));

  // RemoveMenu keeps the popup alive; DeleteMenu destroys it.
  CMenu other;
  ASSERT_TRUE(other.CreatePopupMenu());
  const HMENU otherHandle = other.Detach();
  ASSERT_TRUE(menu.AppendMenu(MF_POPUP, reinterpret_cast<UINT_PTR>(otherHandle), L"Other"));
  EXPECT_TRUE(menu.RemoveMenu(5, MF_BYPOSITION));
  EXPECT_TRUE(IsMenu(otherHandle));
  EXPECT_TRUE(DestroyMenu(otherHandle));
  EXPECT_TRUE(menu.DeleteMenu(4, MF_BYPOSITION));
  EXPECT_FALSE(IsMenu(subHandle));
  EXPECT_EQ(subMenu->m_hMenu, nullptr) << "the stand-in of a destroyed menu holds no handle";
  EXPECT_EQ(subMenu->GetMenuItemCount(), -1);
  EXPECT_FALSE(menu.DeleteMenu(4, MF_BYPOSITION));

  const HMENU handle = menu.m_hMenu;
  EXPECT_TRUE(menu.DestroyMenu());
  EXPECT_FALSE(IsMenu(handle));
  EXPECT_EQ(menu.GetMenuItemCount(), -1);
  EXPECT_FALSE(menu.AppendMenu(MF_STRING, 1, L"late"));
}

TEST(MenuTest, DestroyingAMenuDestroysItsPopups) {
  RegisterListMenu();
  HMENU popupHandle = nullptr;
  {
    CMenu menu;
    ASSERT_TRUE(menu.LoadMenu(kMenuId));
    EXPECT_EQ(menu.GetMenuItemCount(), 1);
    popupHandle = menu.GetSubMenu(0)->m_hMenu;
    EXPECT_TRUE(IsMenu(popupHandle));
  }
  EXPECT_FALSE(IsMenu(popupHandle));
  CMenu missing;
  EXPECT_FALSE(missing.LoadMenu(4242));
}

// ---- the application object -----------------------------------------------------------------

class ProfileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    platform::SetRegistryPath(CString(dir.path()) + L"/registry.txt");
  }
  void TearDown() override { platform::SetRegistryPath(L""); }
  QTemporaryDir dir;
};

TEST_F(ProfileTest, EntriesRoundTripWithTheirRegistryTypes) {
  CWinApp app(L"TestApp");
  EXPECT_EQ(AfxGetApp(), &app);
  EXPECT_EQ(CString(AfxGetAppName()), CString(L"TestApp"));
  EXPECT_EQ(app.GetAppRegistryKeyPath(), CString(L"Software\\TestApp"));
  app.SetRegistryKey(L"시험용 회사 키");
  const CString key = L"Software\\시험용 회사 키\\TestApp\\Settings";
  EXPECT_EQ(app.GetAppRegistryKeyPath() + L"\\Settings", key);

  EXPECT_EQ(app.GetProfileInt(L"Settings", L"X", 77), 77u) << "missing entry";
  EXPECT_TRUE(app.WriteProfileInt(L"Settings", L"X", -5));
  EXPECT_EQ(static_cast<int>(app.GetProfileInt(L"Settings", L"X", 0)), -5);
  DWORD dw = 0;
  CString text;
  EXPECT_TRUE(platform::reg::GetDword(HKEY_CURRENT_USER, key, L"X", dw));
  EXPECT_EQ(dw, 0xFFFFFFFBu);
  EXPECT_FALSE(platform::reg::GetString(HKEY_CURRENT_USER, key, L"X", text)) << "an integer is a DWORD value";

  EXPECT_TRUE(app.WriteProfileString(L"Settings", L"Name", L"9"));
  EXPECT_EQ(app.GetProfileString(L"Settings", L"Name"), CString(L"9"));
  EXPECT_TRUE(platform::reg::GetString(HKEY_CURRENT_USER, key, L"Name", text));
  EXPECT_FALSE(platform::reg::GetDword(HKEY_CURRENT_USER, key, L"Name", dw)) << "a string is REG_SZ";
  EXPECT_EQ(app.GetProfileInt(L"Settings", L"Name", 3), 3u) << "the text \"9\" is not an integer entry";
  EXPECT_EQ(app.GetProfileString(L"Settings", L"X", L"fallback"), CString(L"fallback"));

  BYTE data[] = {0, 1, 2, 255};
  EXPECT_TRUE(app.WriteProfileBinary(L"Settings", L"Blob", data, sizeof(data)));
  LPBYTE read = nullptr;
  UINT size = 0;
  ASSERT_TRUE(app.GetProfileBinary(L"Settings", L"Blob", &read, &size));
  EXPECT_EQ(std::vector<BYTE>(read, read + size), std::vector<BYTE>(data, data + sizeof(data)));
  delete[] read;
  EXPECT_FALSE(app.GetProfileBinary(L"Settings", L"X", &read, &size)) << "a DWORD is not binary";
  EXPECT_EQ(read, nullptr);

  // Another holder of the same file sees the entries.
  {
    CWinApp second(L"TestApp");
    second.SetRegistryKey(L"시험용 회사 키");
    EXPECT_EQ(static_cast<int>(second.GetProfileInt(L"Settings", L"X", 0)), -5);
  }

  EXPECT_TRUE(app.WriteProfileString(L"Settings", L"Name", nullptr));
  EXPECT_EQ(app.GetProfileString(L"Settings", L"Name", L"gone"), CString(L"gone"));
  EXPECT_TRUE(app.WriteProfileString(L"Settings", L"", nullptr));
  EXPECT_EQ(app.GetProfileInt(L"Settings", L"X", 1), 1u) << "the section was deleted";

  EXPECT_FALSE(app.WriteProfileInt(L"..\\Escape", L"X", 1)) << "a section cannot leave the application's key";
  EXPECT_FALSE(app.WriteProfileInt(L"", L"X", 1));
}

TEST(WinAppTest, AccessorsWithoutAndWithAnApplication) {
  EXPECT_EQ(AfxGetApp(), nullptr);
  EXPECT_EQ(AfxGetMainWnd(), nullptr);
  EXPECT_EQ(CString(AfxGetAppName()), CString());
  EXPECT_NE(AfxGetInstanceHandle(), nullptr);
  EXPECT_EQ(AfxGetResourceHandle(), AfxGetInstanceHandle());
  HINSTANCE other = reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(0x1234));
  AfxSetResourceHandle(other);
  EXPECT_EQ(AfxGetResourceHandle(), other);
  AfxSetResourceHandle(nullptr);
  INITCOMMONCONTROLSEX icc{sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES};
  EXPECT_TRUE(InitCommonControlsEx(&icc));
  {
    CWinApp app;  // no name: the program file's name
    EXPECT_EQ(AfxGetApp(), &app);
    EXPECT_FALSE(CString(app.m_pszAppName).IsEmpty());
    CWinApp second(L"Second");
    EXPECT_EQ(AfxGetApp(), &app) << "one application per process";
    CWnd main;
    app.m_pMainWnd = &main;
    EXPECT_EQ(AfxGetMainWnd(), &main);
    app.m_pMainWnd = nullptr;
    char arg0[] = "prog";
    char arg1[] = "--port";
    char arg2[] = "two words";
    char* argv[] = {arg0, arg1, arg2, nullptr};
    app.SetCommandLine(3, argv);
    EXPECT_EQ(CString(app.m_lpCmdLine), CString(L"--port \"two words\""));
  }
  EXPECT_EQ(AfxGetApp(), nullptr);
}

}  // namespace
