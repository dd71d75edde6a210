// The web engine module of HTML dialogs (see htmlview.h): views over QWebEngineView. Built as a
// module of its own; it links the engine and Qt, nothing of the layer.
#include <QCoreApplication>
#include <QPointer>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>
#include <QWebEngineView>
#include <cstdlib>
#include <memory>
#include <unistd.h>

#include "platform/htmlview.h"

namespace {

using platform::HtmlViewClient;

// One profile for every view: kept in memory only (no cache or cookies on disk), with the
// application's name as the user agent of the page's own requests.
QWebEngineProfile* SharedProfile() {
  static QPointer<QWebEngineProfile> profile;
  if (profile.isNull()) {
    // The engine's sandbox cannot run for the superuser: it is switched off then (before the
    // engine starts).
    if (geteuid() == 0) setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 0);
    profile = new QWebEngineProfile(QCoreApplication::instance());
    QString agent = QCoreApplication::applicationName();
    if (agent.isEmpty()) agent = QStringLiteral("HtmlDialog");
    if (!QCoreApplication::applicationVersion().isEmpty()) agent += u'/' + QCoreApplication::applicationVersion();
    profile->setHttpUserAgent(agent);
  }
  return profile;
}

// The client of a view while the view object lives; the page and its connections reach it only
// through this.
struct ClientRef {
  HtmlViewClient* client = nullptr;
};

// TRUE when url lies where home does: the same scheme and host.
bool SamePlace(const QUrl& url, const QUrl& home) {
  return home.isValid() && url.scheme().compare(home.scheme(), Qt::CaseInsensitive) == 0 &&
         url.host().compare(home.host(), Qt::CaseInsensitive) == 0 && url.port() == home.port();
}

// Alerts, confirmations and console messages go to the client. The page goes nowhere but to the
// place of the page it was given (a link, a script or a redirect elsewhere is refused, in every
// frame) and opens no window.
class HtmlPage : public QWebEnginePage {
 public:
  HtmlPage(std::shared_ptr<ClientRef> ref, QObject* parent)
      : QWebEnginePage(SharedProfile(), parent), m_ref(std::move(ref)) {}
  void SetHome(const QUrl& home) { m_home = home; }
  // TRUE (once) when a failed load only reports a refused navigation: the page shown stays.
  bool TakeRefusedLoad() {
    const bool refused = m_refusedLoad;
    m_refusedLoad = false;
    return refused;
  }

 protected:
  void javaScriptAlert(const QUrl&, const QString& msg) override {
    if (m_ref->client != nullptr) m_ref->client->Alert(msg);
  }
  bool javaScriptConfirm(const QUrl&, const QString& msg) override {
    return m_ref->client != nullptr && m_ref->client->Confirm(msg);
  }
  void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString& message, int line,
                                const QString& source) override {
    if (m_ref->client != nullptr) m_ref->client->ConsoleMessage(message, line, source);
  }
  bool acceptNavigationRequest(const QUrl& url, NavigationType, bool isMainFrame) override {
    if (SamePlace(url, m_home)) return true;
    if (isMainFrame) m_refusedLoad = true;
    if (m_ref->client != nullptr) m_ref->client->NavigationRefused(url);
    return false;
  }
  QWebEnginePage* createWindow(WebWindowType) override {
    if (m_ref->client != nullptr) m_ref->client->NavigationRefused(QUrl());
    return nullptr;
  }

 private:
  std::shared_ptr<ClientRef> m_ref;
  QUrl m_home;
  bool m_refusedLoad = false;
};

class WebHtmlView : public platform::HtmlView {
 public:
  WebHtmlView(QWidget* host, HtmlViewClient* client) : m_ref(std::make_shared<ClientRef>()) {
    m_ref->client = client;
    m_view = new QWebEngineView(host);
    auto* page = new HtmlPage(m_ref, m_view);
    m_page = page;
    m_view->setPage(page);
    m_view->setContextMenuPolicy(Qt::NoContextMenu);
    page->settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, true);
    page->settings()->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    const std::shared_ptr<ClientRef> ref = m_ref;
    QObject::connect(page, &QWebEnginePage::loadFinished, m_view, [ref, page](bool ok) {
      if (page->TakeRefusedLoad() && !ok) return;
      if (ref->client != nullptr) ref->client->PageLoaded(ok);
    });
  }
  ~WebHtmlView() override { m_ref->client = nullptr; }

  QWidget* Widget() const override { return m_view; }
  QWebEngineView* EngineView() const override { return m_view; }

  void SetDocumentScript(const QString& name, const QString& source, bool pageWorld) override {
    if (m_view.isNull()) return;
    QWebEngineScriptCollection& scripts = m_view->page()->scripts();
    for (const QWebEngineScript& old : scripts.find(name)) scripts.remove(old);
    QWebEngineScript script;
    script.setName(name);
    script.setInjectionPoint(QWebEngineScript::DocumentCreation);
    script.setWorldId(pageWorld ? QWebEngineScript::MainWorld : QWebEngineScript::ApplicationWorld);
    script.setSourceCode(source);
    scripts.insert(script);
  }

  void Load(const QUrl& url) override {
    if (m_view.isNull()) return;
    // The page loaded here sets the place the view keeps to.
    m_page->SetHome(url);
    m_view->load(url);
  }

  void RunScript(const QString& source, bool pageWorld, std::function<void(const QVariant&)> done) override {
    if (m_view.isNull()) return;
    const quint32 world = pageWorld ? QWebEngineScript::MainWorld : QWebEngineScript::ApplicationWorld;
    if (done)
      m_view->page()->runJavaScript(source, world, [done = std::move(done)](const QVariant& v) { done(v); });
    else
      m_view->page()->runJavaScript(source, world);
  }

 private:
  std::shared_ptr<ClientRef> m_ref;
  QPointer<QWebEngineView> m_view;
  HtmlPage* m_page = nullptr;  // belongs to m_view
};

platform::HtmlView* CreateView(QWidget* host, HtmlViewClient* client) { return new WebHtmlView(host, client); }

}  // namespace

extern "C" __attribute__((visibility("default"))) const platform::HtmlEngine* HtmlEngineEntry() {
  static const platform::HtmlEngine engine{platform::kHtmlEngineAbi, &CreateView};
  return &engine;
}
