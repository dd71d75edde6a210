// Window objects ended inside a wait of their own handler: the window goes at once (a watch on it
// reports it gone), the object stays usable until the handler has returned, and is then freed from
// the event loop; for every kind of wait the layer runs. And the layer's real message box and file
// dialog when the window they were shown for is destroyed while they are open.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>
#include <QWidget>

#include <functional>
#include <type_traits>
#include <vector>

#include "platform/controls.h"
#include "platform/dialog.h"
#include "platform/htmldialog.h"
#include "platform/modal.h"
#include "platform/pumpwait.h"
#include "platform/sync.h"
#include "platform/windowlife.h"
#include "platform/wnd.h"
#include "test_main_env.h"

namespace {

using platform::test::ScriptedModalTest;

constexpr UINT kRunWait = WM_APP + 1;
constexpr UINT kEndPage = WM_APP + 2;
constexpr UINT kPageTemplate = 9960;
constexpr UINT kOwnerTemplate = 9961;
constexpr UINT kModalTemplate = 9962;
constexpr UINT kHtmlResource = 9963;

// What the page's handler saw after its wait (kept outside the page, which is freed later).
struct Seen {
  bool ran = false;
  bool goneAfterWait = false;
  int marker = 0;
  bool freed = false;
};

// A page whose handler of kRunWait runs one wait.
template <class Base>
class WaitingPage : public Base {
 public:
  explicit WaitingPage(Seen* seen) : m_seen(seen) {}
  ~WaitingPage() override { m_seen->freed = true; }
  std::function<void(WaitingPage&)> wait;
  int marker = 42;
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message != kRunWait) return Base::WindowProc(message, wParam, lParam);
    const HWND self = this->GetSafeHwnd();
    wait(*this);
    // Read after the wait: the object must still be there, its window not.
    m_seen->goneAfterWait = CWnd::FromHandle(self) != this;
    m_seen->marker = marker;
    m_seen->ran = true;
    return 0;
  }

 private:
  Seen* m_seen;
};

// The main window: its handler of kEndPage ends the page, as a session's end does.
class OwnerWindow : public CDialog {
 public:
  OwnerWindow() : CDialog(kOwnerTemplate, nullptr) {}
  CWnd* page = nullptr;
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message != kEndPage) return CDialog::WindowProc(message, wParam, lParam);
    CWnd* gone = page;
    page = nullptr;
    platform::DeleteWindowLater(gone);
    return 0;
  }
};

class HtmlPage : public CDHtmlDialog {
 public:
  HtmlPage() : CDHtmlDialog(kPageTemplate, kHtmlResource, nullptr) {}
};

class WindowLifeTest : public ScriptedModalTest {
 protected:
  void SetUp() override {
    ScriptedModalTest::SetUp();
    for (UINT id : {kPageTemplate, kOwnerTemplate, kModalTemplate}) {
      platform::RegisterDialogTemplate(platform::DialogTemplate(
          id, 0, 0, 200, 150, WS_POPUP | WS_CAPTION, 0, L"Window", CString(), 0,
          {platform::DialogItemTemplate(L"BUTTON", L"OK", IDOK, 140, 130, 50, 14, WS_VISIBLE | BS_PUSHBUTTON)}));
    }
    ASSERT_TRUE(m_dir.isValid());
    QFile file(m_dir.filePath("page.html"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("<html><body><script>function echo(t){ return t; }</script></body></html>");
    file.close();
    platform::RegisterHtmlResource(kHtmlResource, CString(QUrl::fromLocalFile(file.fileName()).toString()));
    ASSERT_TRUE(m_owner.Create(kOwnerTemplate, nullptr));
  }
  void TearDown() override {
    m_owner.DestroyWindow();
    ScriptedModalTest::TearDown();
  }

  // Makes the page, runs its handler with the wait, and checks the rule.
  template <class Base>
  void Check(const char* name, const std::function<void(WaitingPage<Base>&, OwnerWindow&)>& wait,
             bool loadFirst = false) {
    SCOPED_TRACE(name);
    Seen seen;
    auto* page = new WaitingPage<Base>(&seen);
    ASSERT_TRUE(page->Create(kPageTemplate, &m_owner));
    if constexpr (std::is_base_of_v<CDHtmlDialog, Base>) {
      if (loadFirst) {
        ASSERT_TRUE(page->WaitForDocument(30000)) << "the page loads";
      }
    }
    m_owner.page = page;
    page->wait = [&wait, this](WaitingPage<Base>& p) { wait(p, m_owner); };
    page->SendMessage(kRunWait);
    EXPECT_TRUE(seen.ran);
    EXPECT_TRUE(seen.goneAfterWait) << "the window went inside the wait";
    EXPECT_EQ(seen.marker, 42) << "the object was still there after the wait";
    EXPECT_EQ(m_owner.page, nullptr) << "the page was ended inside the wait";
    EXPECT_TRUE(platform::PumpUntil([&] { return seen.freed; }, 20000)) << "freed once the handler returned";
    EXPECT_EQ(platform::PendingWindowDeletions(), 0u);
    if (!seen.freed) {
      // Not ended: leave nothing behind.
      m_owner.page = nullptr;
      delete page;
    }
  }

  OwnerWindow m_owner;
  QTemporaryDir m_dir;
};

void EndFromOwner(OwnerWindow& owner) { owner.SendMessage(kEndPage); }

TEST_F(WindowLifeTest, APageEndedInsideAWaitOfItsHandlerIsFreedOnlyAfterTheHandler) {
  using Page = WaitingPage<CDialog>;
  Check<CDialog>("reply wait", [](Page&, OwnerWindow& owner) {
    HANDLE event = CreateEvent(nullptr, TRUE, FALSE, nullptr);
    owner.PostMessage(kEndPage);
    EXPECT_EQ(platform::WaitPumping(event, 200), static_cast<DWORD>(WAIT_TIMEOUT));
    CloseHandle(event);
  });
  Check<CDialog>("pumped pause", [](Page&, OwnerWindow& owner) {
    owner.PostMessage(kEndPage);
    platform::PumpUntil([] { return false; }, 100);
  });
  Check<CDialog>("message box", [](Page& page, OwnerWindow& owner) {
    Modal().ExpectMessageBox(IDOK, [&owner] { EndFromOwner(owner); });
    platform::ShowMessageBox(&page, L"Go on?", L"Page", MB_OKCANCEL);
  });
  Check<CDialog>("file dialog", [](Page& page, OwnerWindow& owner) {
    Modal().ExpectFileDialog(CString(), [&owner] { EndFromOwner(owner); });
    CFileDialog dlg(TRUE, nullptr, nullptr, OFN_HIDEREADONLY, nullptr, &page);
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
  });
  Check<CDialog>("modal dialog", [](Page& page, OwnerWindow& owner) {
    Modal().ExpectDialog([&owner](CDialog&) -> INT_PTR {
      EndFromOwner(owner);
      return IDCANCEL;
    });
    CDialog modal(kModalTemplate, &page);
    modal.DoModal();
  });
}

TEST_F(WindowLifeTest, AWebPageEndedInsideItsCallOrItsLoadIsFreedOnlyAfterTheHandler) {
  using Page = WaitingPage<HtmlPage>;
  Check<HtmlPage>(
      "page call",
      [](Page& page, OwnerWindow& owner) {
        owner.PostMessage(kEndPage);
        page.CallScript(L"echo", {L"x"});
      },
      true);
  Check<HtmlPage>("page load", [](Page& page, OwnerWindow& owner) {
    owner.PostMessage(kEndPage);
    EXPECT_FALSE(page.WaitForDocument(30000)) << "a page whose window went has no document";
  });
}

// A page ended by a handler that does not wait is freed at once, as before.
TEST_F(WindowLifeTest, APageEndedOutsideAnyHandlerIsFreedAtOnce) {
  Seen seen;
  auto* page = new WaitingPage<CDialog>(&seen);
  ASSERT_TRUE(page->Create(kPageTemplate, &m_owner));
  platform::DeleteWindowLater(page);
  EXPECT_TRUE(seen.freed);
}

// ---- the layer's own boxes ----

class RealBoxTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(platform::test::EnsureApplication(), nullptr);
    platform::ModalService::Instance().UninstallScript();
    platform::RegisterDialogTemplate(platform::DialogTemplate(
        kOwnerTemplate, 0, 0, 200, 150, WS_POPUP | WS_CAPTION, 0, L"Window", CString(), 0,
        {platform::DialogItemTemplate(L"BUTTON", L"OK", IDOK, 140, 130, 50, 14, WS_VISIBLE | BS_PUSHBUTTON)}));
  }
};

// The window the box is shown for is destroyed while the real box is open (the main window, or a
// page inside it): the box ends as cancelled, and nothing is freed twice.
TEST_F(RealBoxTest, ABoxEndsAsCancelledWhenItsWindowIsDestroyed) {
  struct Case {
    const char* name;
    bool fileDialog;
    bool ownerIsPage;
  };
  const Case cases[] = {
      {"message box of the main window", false, false},
      {"message box of a page", false, true},
      {"file dialog of the main window", true, false},
      {"file dialog of a page", true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto* main = new CDialog(kOwnerTemplate, nullptr);
    ASSERT_TRUE(main->Create(kOwnerTemplate, nullptr));
    main->ShowWindow(SW_SHOW);
    CWnd* page = nullptr;
    if (c.ownerIsPage) {
      page = new CWnd;
      ASSERT_TRUE(page->CreateEx(0, nullptr, L"page", WS_CHILD | WS_VISIBLE, CRect(0, 0, 50, 50), main, 100));
    }
    CWnd* owner = page != nullptr ? page : main;
    bool destroyed = false;
    bool boxSeen = false;
    // Once the box is up, its window goes; a box that stays is closed after a while (a failure).
    QTimer destroyer;
    QObject::connect(&destroyer, &QTimer::timeout, [&] {
      QWidget* modal = QApplication::activeModalWidget();
      if (modal == nullptr || destroyed) return;
      boxSeen = true;
      destroyed = true;
      if (page != nullptr) {
        page->DestroyWindow();
      } else {
        main->DestroyWindow();
      }
    });
    destroyer.start(20);
    bool forced = false;
    QTimer rescue;
    rescue.setSingleShot(true);
    QObject::connect(&rescue, &QTimer::timeout, [&] {
      if (QWidget* modal = QApplication::activeModalWidget()) {
        forced = true;
        modal->close();
      }
    });
    rescue.start(5000);
    if (c.fileDialog) {
      CFileDialog dlg(TRUE, nullptr, nullptr, OFN_HIDEREADONLY, nullptr, owner);
      EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    } else {
      EXPECT_EQ(platform::ShowMessageBox(owner, L"Go on?", L"Main", MB_OKCANCEL), IDCANCEL);
    }
    destroyer.stop();
    rescue.stop();
    EXPECT_TRUE(boxSeen);
    EXPECT_FALSE(forced) << "the box ended with its window";
    delete page;
    delete main;
  }
}

}  // namespace
