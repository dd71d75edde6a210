// HTML dialogs in the real web engine (offscreen): the names a page function may have, page
// functions called by name with their result, arguments that reach the page unchanged whatever they
// hold, element values, page alerts through the modal service, a call before the page has loaded,
// a page that tries to leave or open a window, and clicks on page elements bound by id; a web
// engine module that cannot be opened.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <vector>

#include "platform/controls.h"
#include "platform/dialog.h"
#include "platform/htmldialog.h"
#include "platform/trace.h"
#include "platform/wnd.h"
#include "page_clicks.h"
#include "test_main_env.h"

namespace {

using platform::test::ScriptedModalTest;

TEST(ScriptFunctionNames, OnlyAPlainIdentifierNamesAPageFunction) {
  const struct {
    const wchar_t* name;
    bool ok;
  } cases[] = {
      {L"getGeoPos", true},
      {L"_private$2", true},
      {L"$", true},
      {L"", false},
      {L"getGeoPos()", false},
      {L"javascript:open", false},
      {L"open(https://attacker.example/,_self)", false},
      {L"window.open", false},
      {L" echo", false},
      {L"echo;alert", false},
      {L"2nd", false},
      {L"\x00e9t\x00e9", false},
  };
  for (const auto& c : cases) EXPECT_EQ(platform::IsScriptFunctionName(c.name), c.ok) << CString(c.name).ToUtf8();
}

constexpr const char kPage[] =
    "<html><head><title>Test Page</title></head><body>"
    "<input id='field' type='hidden' value='kept value'>"
    "<script>"
    "var calls = [];"
    "function echo(){ return Array.prototype.join.call(arguments, '|'); }"
    "function count(){ return String(arguments.length); }"
    "function typeOf(a){ return typeof a; }"
    "function nothing(){ }"
    "function number(){ return 5; }"
    "function shout(t){ alert('said: ' + t); return 'done'; }"
    "function thrower(){ throw new Error('no'); }"
    "function config(){ return JSON.stringify(window.hostConfig || null); }"
    "</script></body></html>";

class HtmlDialogTest : public ScriptedModalTest {
 protected:
  void SetUp() override {
    ScriptedModalTest::SetUp();
    ASSERT_TRUE(m_dir.isValid());
    QFile file(m_dir.filePath("page.html"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(kPage);
    file.close();
    platform::RegisterHtmlResource(9950, CString(QUrl::fromLocalFile(file.fileName()).toString()));
    platform::RegisterDialogTemplate(platform::DialogTemplate(
        9950, 0, 0, 200, 150, WS_POPUP | WS_CAPTION | WS_VISIBLE, 0, L"Html", CString(), 0,
        {platform::DialogItemTemplate(L"BUTTON", L"OK", IDOK, 140, 130, 50, 14, WS_VISIBLE | BS_PUSHBUTTON)}));
  }
  void TearDown() override {
    platform::SetHtmlEngineModule(CString());
    ScriptedModalTest::TearDown();
  }
  QTemporaryDir m_dir;
};

// Counts the reports of the page's load.
class CompletionCountingDialog : public CDHtmlDialog {
 public:
  CompletionCountingDialog() : CDHtmlDialog(9950, 9950) {}
  void OnDocumentComplete(BOOL bOk) override {
    ++completions;
    lastOk = bOk;
  }
  int completions = 0;
  BOOL lastOk = TRUE;
};

constexpr const wchar_t kNoEngineText[] = L"This window cannot show its page: the web engine could not be loaded.";

TEST_F(HtmlDialogTest, PageFunctionsAreCalledByNameWithTextArguments) {
  CDHtmlDialog dlg(9950, 9950);
  dlg.SetHostConfig(L"{\"tileLayers\":[]}");
  ASSERT_TRUE(dlg.Create(9950, nullptr));
  ASSERT_TRUE(dlg.WaitForDocument(30000)) << "the page loads";

  EXPECT_EQ(dlg.CallScript(L"echo", {L"a", L"b", L"c"}), CString(L"a|b|c"));
  EXPECT_EQ(dlg.CallScript(L"count"), CString(L"0"));
  EXPECT_EQ(dlg.CallScript(L"count", {L"", L""}), CString(L"2")) << "empty texts are arguments too";
  EXPECT_EQ(dlg.CallScript(L"typeOf", {L"12"}), CString(L"string")) << "arguments are texts, never numbers";
  // Whatever an argument holds reaches the page as it is, as one text, never as script.
  for (const CString& hostile : {CString(L"javascript:open(https://attacker.example/,_self)"), CString(L"a, b,c"),
                                 CString(L"f(1)(2);"), CString(L"'\"'\""), CString(L"x\\\"]);alert(1);//\n\x00e9"),
                                 CString(L"</script><b>")}) {
    EXPECT_EQ(dlg.CallScript(L"echo", {hostile}), hostile) << hostile.ToUtf8();
    EXPECT_EQ(dlg.CallScript(L"count", {hostile}), CString(L"1")) << hostile.ToUtf8();
  }
  // A name that is no plain identifier calls nothing (an alert would reach the modal service).
  for (const wchar_t* name : {L"shout(x)", L"javascript:shout", L"window.shout", L"shout;", L""})
    EXPECT_EQ(dlg.CallScript(name, {L"x"}), CString()) << CString(name).ToUtf8();
  EXPECT_EQ(dlg.CallScript(L"config"), CString(L"{\"tileLayers\":[]}"));
  // Anything but a text gives the empty text.
  EXPECT_EQ(dlg.CallScript(L"nothing"), CString());
  EXPECT_EQ(dlg.CallScript(L"number"), CString());
  EXPECT_EQ(dlg.CallScript(L"thrower"), CString());
  EXPECT_EQ(dlg.CallScript(L"noSuchFunction"), CString());
  EXPECT_EQ(dlg.CallScript(L"calls"), CString()) << "a variable is no function";

  EXPECT_EQ(dlg.GetElementValue(L"field"), CString(L"kept value"));
  EXPECT_EQ(dlg.GetElementValue(L"missing"), CString());
  EXPECT_EQ(dlg.GetView()->contextMenuPolicy(), Qt::NoContextMenu) << "right clicks belong to the page";
  dlg.DestroyWindow();
}

TEST_F(HtmlDialogTest, PageAlertsGoThroughTheModalService) {
  CDHtmlDialog dlg(9950, 9950);
  ASSERT_TRUE(dlg.Create(9950, nullptr));
  ASSERT_TRUE(dlg.WaitForDocument(30000));
  Modal().ExpectMessageBox(IDOK);
  EXPECT_EQ(dlg.CallScript(L"shout", {L"hello"}), CString(L"done"));
  const auto records = Modal().Records();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].kind, platform::ModalKind::MessageBox);
  EXPECT_EQ(records[0].text, CString(L"said: hello"));
  dlg.DestroyWindow();
}

TEST_F(HtmlDialogTest, CallsBeforeThePageHasLoadedGiveNothing) {
  CDHtmlDialog dlg(9950, 9950);
  ASSERT_TRUE(dlg.Create(9950, nullptr));
  EXPECT_EQ(dlg.CallScript(L"echo", {L"a"}), CString());
  EXPECT_EQ(dlg.GetElementValue(L"field"), CString());
  dlg.DestroyWindow();
}

TEST_F(HtmlDialogTest, ThePageCannotLeaveItsPlaceOrOpenAWindow) {
  CDHtmlDialog dlg(9950, 9950);
  ASSERT_TRUE(dlg.Create(9950, nullptr));
  ASSERT_TRUE(dlg.WaitForDocument(30000));
  const QUrl home = dlg.GetView()->url();
  std::vector<CString> traced;
  const int sink = platform::AddTraceSink([&](const CString& text) { traced.push_back(text); });
  const struct {
    const char* name;
    const char* script;
  } cases[] = {
      {"a script sets the address", "location.href = 'http://127.0.0.1:9/away';"},
      {"a script opens another page in place", "window.open('http://127.0.0.1:9/away', '_self');"},
      {"a form goes elsewhere",
       "var f = document.createElement('form'); f.action = 'http://127.0.0.1:9/form'; f.method = 'get';"
       "document.body.appendChild(f); f.submit();"},
      {"a frame of another place", "var i = document.createElement('iframe'); i.src = 'data:text/html,x';"
                                   "document.body.appendChild(i);"},
  };
  for (const auto& c : cases) {
    traced.clear();
    dlg.GetView()->page()->runJavaScript(QString::fromUtf8(c.script));
    EXPECT_TRUE(platform::PumpUntil(
        [&] {
          for (const CString& t : traced)
            if (t.Find(L"refused") >= 0) return true;
          return false;
        },
        30000))
        << c.name;
    EXPECT_EQ(dlg.GetView()->url(), home) << c.name;
    EXPECT_TRUE(dlg.IsPageLoaded()) << c.name;
    EXPECT_EQ(dlg.CallScript(L"echo", {L"still here"}), CString(L"still here")) << c.name;
  }
  platform::RemoveTraceSink(sink);
  dlg.DestroyWindow();
}

TEST_F(HtmlDialogTest, TheViewFollowsTheDialogsSizeAndKeepsTheButtonsBelow) {
  CDHtmlDialog dlg(9950, 9950);
  ASSERT_TRUE(dlg.Create(9950, nullptr));
  QWebEngineView* view = dlg.GetView();
  ASSERT_NE(view, nullptr);
  CWnd* ok = dlg.GetDlgItem(IDOK);
  ASSERT_NE(ok, nullptr);
  CRect before;
  CRect clientBefore;
  ok->GetWindowRect(&before);
  dlg.ScreenToClient(&before);
  dlg.GetClientRect(&clientBefore);
  const int viewHeight = view->height();
  EXPECT_GT(viewHeight, 0);
  CRect outer;
  dlg.GetWindowRect(&outer);
  dlg.SetWindowPos(nullptr, 0, 0, outer.Width() + 100, outer.Height() + 80, SWP_NOMOVE | SWP_NOZORDER);
  platform::PumpPendingEvents();
  CRect after;
  CRect clientAfter;
  ok->GetWindowRect(&after);
  dlg.ScreenToClient(&after);
  dlg.GetClientRect(&clientAfter);
  const int grown = clientAfter.Height() - clientBefore.Height();
  EXPECT_GT(grown, 0);
  EXPECT_EQ(view->height(), viewHeight + grown);
  EXPECT_EQ(view->width(), clientAfter.Width());
  EXPECT_EQ(clientAfter.bottom - after.top, clientBefore.bottom - before.top) << "the buttons stay below the view";
  dlg.DestroyWindow();
}

TEST_F(HtmlDialogTest, ClicksOnBoundElementsRunTheirHandlersOnce) {
  CDHtmlDialog dlg(9950, 9950);
  int bound = 0;
  int inner = 0;
  int sentinel = 0;
  dlg.BindElementClick(L"bound", [&] { ++bound; });
  dlg.BindElementClick(L"inner", [&] { ++inner; });
  dlg.BindElementClick(L"", [&] { ADD_FAILURE() << "an empty id is never bound"; });
  ASSERT_TRUE(dlg.Create(9950, nullptr));
  ASSERT_TRUE(dlg.WaitForDocument(30000));
  // Bound after the page has loaded: the shown page reports it too.
  dlg.BindElementClick(L"sentinel", [&] { ++sentinel; });
  // A page script cannot make a report up without the dialog's marker.
  dlg.GetView()->page()->runJavaScript(QStringLiteral("console.log('\\u0001click bound ');"
                                                      "console.log(JSON.stringify('bound'));"));
  testsupport::ClickNewPageElement(dlg, "unbound", false);
  testsupport::ClickNewPageElement(dlg, "", false);
  testsupport::ClickNewPageElement(dlg, "bound", false);
  testsupport::ClickNewPageElement(dlg, "inner", true);
  testsupport::ClickNewPageElement(dlg, "sentinel", false);
  ASSERT_TRUE(platform::PumpUntil([&] { return sentinel > 0; }, 30000)) << "the last click is reported";
  platform::PumpPendingEvents();
  EXPECT_EQ(bound, 1);
  EXPECT_EQ(inner, 1) << "a click inside the element counts";
  EXPECT_EQ(sentinel, 1);

  // Binding again replaces the handler.
  int replaced = 0;
  dlg.BindElementClick(L"bound", [&] { ++replaced; });
  dlg.GetView()->page()->runJavaScript(QStringLiteral("document.getElementById('bound').click();"));
  ASSERT_TRUE(platform::PumpUntil([&] { return replaced > 0; }, 30000));
  platform::PumpPendingEvents();
  EXPECT_EQ(bound, 1);
  EXPECT_EQ(replaced, 1);
  dlg.DestroyWindow();
}

TEST_F(HtmlDialogTest, AnEngineThatCannotBeOpenedIsReportedAndTheDialogGoesOnWithoutItsPage) {
  struct Case {
    const char* name;
    CString module;
  };
  const std::vector<Case> cases = {
      {"no module file", CString(m_dir.filePath("htmlengine.so"))},
      {"a library that is no engine module", CString::FromUtf8(TESTRESLIB_PATH)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    platform::SetHtmlEngineModule(c.module);
    Modal().ClearRecords();
    Modal().ExpectMessageBox(IDOK);
    CompletionCountingDialog dlg;
    ASSERT_TRUE(dlg.Create(9950, nullptr));
    EXPECT_EQ(dlg.completions, 1) << "the page counts as failed to load";
    EXPECT_FALSE(dlg.lastOk);
    ASSERT_TRUE(platform::PumpUntil([&] { return !Modal().Records().empty(); }, 10000)) << "the dialog says so";
    const auto records = Modal().Records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].kind, platform::ModalKind::MessageBox);
    EXPECT_TRUE(records[0].text.Find(kNoEngineText) == 0) << records[0].text.ToUtf8();
    EXPECT_EQ(records[0].title, CString(L"Html"));
    EXPECT_EQ(dlg.GetView(), nullptr);
    EXPECT_FALSE(dlg.WaitForDocument(30000));
    EXPECT_FALSE(dlg.IsPageLoaded());
    EXPECT_EQ(dlg.CallScript(L"echo", {L"a"}), CString());
    EXPECT_EQ(dlg.GetElementValue(L"field"), CString());
    dlg.BindElementClick(L"bound", [] { ADD_FAILURE() << "no page, no clicks"; });
    // The dialog itself still works: it resizes and its button is there.
    CRect outer;
    dlg.GetWindowRect(&outer);
    dlg.SetWindowPos(nullptr, 0, 0, outer.Width() + 40, outer.Height() + 40, SWP_NOMOVE | SWP_NOZORDER);
    platform::PumpPendingEvents();
    EXPECT_NE(dlg.GetDlgItem(IDOK), nullptr);
    dlg.DestroyWindow();
  }

  // With the module there again the next dialog shows its page.
  platform::SetHtmlEngineModule(CString());
  Modal().ClearRecords();
  CompletionCountingDialog dlg;
  ASSERT_TRUE(dlg.Create(9950, nullptr));
  ASSERT_TRUE(dlg.WaitForDocument(30000));
  EXPECT_EQ(dlg.CallScript(L"echo", {L"a"}), CString(L"a"));
  EXPECT_EQ(Modal().Records().size(), 0u);
  dlg.DestroyWindow();
}

TEST_F(HtmlDialogTest, ADialogThatEndsAroundTheMissingEnginesMessageIsLeftAlone) {
  platform::SetHtmlEngineModule(CString(m_dir.filePath("htmlengine.so")));
  struct Case {
    const char* name;
    bool endsBeforeTheMessage;
  };
  for (const Case& c : {Case{"ends inside the message box", false}, Case{"ends before the message", true}}) {
    SCOPED_TRACE(c.name);
    Modal().ClearRecords();
    auto dlg = std::make_unique<CompletionCountingDialog>();
    int shown = 0;
    Modal().SetUnexpectedHandler([&](const platform::ModalRecord&) {
      ++shown;
      dlg.reset();
    });
    ASSERT_TRUE(dlg->Create(9950, nullptr));
    if (c.endsBeforeTheMessage) dlg.reset();
    if (c.endsBeforeTheMessage)
      platform::PumpPendingEvents();
    else
      EXPECT_TRUE(platform::PumpUntil([&] { return shown > 0; }, 10000));
    EXPECT_EQ(shown, c.endsBeforeTheMessage ? 0 : 1);
    EXPECT_EQ(dlg, nullptr);
    platform::PumpPendingEvents();
  }
}

}  // namespace
