// CDHtmlDialog over QWebEngineView (see htmldialog.h).
#include "platform/htmldialog.h"

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>
#include <QMap>
#include <QPointer>
#include <QTimer>
#include <QUrl>
#include <QUuid>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>
#include <QWebEngineView>
#include <QWidget>
#include <cstdlib>
#include <memory>
#include <unistd.h>

#include "platform/modal.h"
#include "platform/trace.h"

namespace platform {

namespace {

QMap<UINT, QString>& HtmlResources() {
  static QMap<UINT, QString> table;
  return table;
}

bool IsCutCharacter(QChar c) {
  return c == u' ' || c == u',' || c == u'\'' || c == u'"' || c == u'\t' || c == u'(' || c == u')' || c == u';';
}

// One profile for every HTML dialog: kept in memory only (no cache or cookies on disk), with the
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

// The page of an HTML dialog: alerts and confirmations through the modal service, console
// messages to the trace unless the dialog is silent.
class HtmlPage : public QWebEnginePage {
 public:
  HtmlPage(CDHtmlDialog* dlg, QObject* parent) : QWebEnginePage(SharedProfile(), parent), m_dlg(dlg) {}

 protected:
  void javaScriptAlert(const QUrl&, const QString& msg) override {
    ShowMessageBox(m_dlg, CString(msg), m_dlg->GetWindowText(), MB_OK);
  }
  bool javaScriptConfirm(const QUrl&, const QString& msg) override {
    return ShowMessageBox(m_dlg, CString(msg), m_dlg->GetWindowText(), MB_OKCANCEL) == IDOK;
  }
  void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString& message, int line,
                                const QString& source) override {
    if (m_dlg->HandleClickReport(message)) return;
    if (!m_dlg->IsSilent()) TRACE(L"page %s:%d: %s\n", CString(source), line, CString(message));
  }

 private:
  CDHtmlDialog* m_dlg;
};

// Keeps the view over the dialog's client area when the dialog is shown or resized.
class HostFilter : public QObject {
 public:
  HostFilter(CDHtmlDialog* dlg, QObject* parent) : QObject(parent), m_dlg(dlg) {}
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Resize || event->type() == QEvent::Show) m_dlg->HandleHostResize();
    return QObject::eventFilter(watched, event);
  }

 private:
  CDHtmlDialog* m_dlg;
};

// Reports clicks on bound elements as console messages: the marker, then the id as JSON. It runs
// apart from the page's scripts, which neither see the marker nor change the bound ids; run again
// on the same document it only takes the new ids.
QString ClickReportScript(const CString& marker, const std::map<CString, std::function<void()>>& bindings) {
  QJsonArray ids;
  for (const auto& b : bindings) ids.append(b.first.q());
  QJsonArray markerHolder{marker.q()};
  return QStringLiteral(
             "(function(marker,ids){var state=window.__hostClicks;"
             "if(state){state.ids=ids;return;}"
             "state=window.__hostClicks={ids:ids};"
             "document.addEventListener('click',function(e){"
             "for(var el=e.target;el;el=el.parentNode){"
             "if(typeof el.id==='string'&&el.id!==''&&state.ids.indexOf(el.id)>=0){"
             "console.log(marker+JSON.stringify(el.id));return;}}},true);})(%1[0],%2);")
      .arg(QString::fromUtf8(QJsonDocument(markerHolder).toJson(QJsonDocument::Compact)),
           QString::fromUtf8(QJsonDocument(ids).toJson(QJsonDocument::Compact)));
}

constexpr const char kClickScriptName[] = "hostClicks";

}  // namespace

void RegisterHtmlResource(UINT id, const CString& url) { HtmlResources().insert(id, url.q()); }

CString FindHtmlResource(UINT id) { return CString(HtmlResources().value(id)); }

void SplitScriptCall(const CString& call, CString& name, std::vector<CString>& args) {
  args.clear();
  QString text = call.q();
  const int js = text.indexOf(QStringLiteral("javascript:"));
  if (js >= 0) text = text.mid(js + 11);
  const int open = text.indexOf(u'(');
  if (open < 0) {
    name = CString(text.trimmed());
    return;
  }
  name = CString(text.left(open).trimmed());
  QString piece;
  for (const QChar c : text.mid(open + 1)) {
    if (IsCutCharacter(c)) {
      if (!piece.isEmpty()) args.emplace_back(piece);
      piece.clear();
    } else {
      piece += c;
    }
  }
  if (!piece.isEmpty()) args.emplace_back(piece);
}

CString BuildScriptInvocation(const CString& name, const std::vector<CString>& args) {
  QJsonArray list;
  for (const CString& a : args) list.append(a.q());
  QJsonArray nameHolder{name.q()};
  const QString jsonName = QString::fromUtf8(QJsonDocument(nameHolder).toJson(QJsonDocument::Compact));
  const QString jsonArgs = QString::fromUtf8(QJsonDocument(list).toJson(QJsonDocument::Compact));
  return CString(QStringLiteral("(function(n,a){try{var f=window[n];if(typeof f!=='function')return null;"
                                "var r=f.apply(window,a);return typeof r==='string'?r:null;}catch(e){return null;}})"
                                "(%1[0],%2)")
                     .arg(jsonName, jsonArgs));
}

}  // namespace platform

namespace {

// Runs a script on the page and waits (handling events) for its result, at most timeoutMs.
QVariant RunAndWait(QWebEngineView* view, const QString& script, int timeoutMs) {
  struct State {
    QVariant result;
    bool done = false;
    QEventLoop* loop = nullptr;
  };
  auto state = std::make_shared<State>();
  view->page()->runJavaScript(script, [state](const QVariant& v) {
    state->result = v;
    state->done = true;
    if (state->loop != nullptr) state->loop->quit();
  });
  if (!state->done) {
    QEventLoop loop;
    state->loop = &loop;
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    timer.start(timeoutMs);
    loop.exec();
    state->loop = nullptr;
    if (!state->done) TRACE(L"page script gave no answer within %d ms\n", timeoutMs);
  }
  return state->result;
}

}  // namespace

CDHtmlDialog::CDHtmlDialog()
    : m_strClickMarker(L"\x01click " + CString(QUuid::createUuid().toString(QUuid::WithoutBraces)) + L" ") {}

CDHtmlDialog::CDHtmlDialog(UINT nIDTemplate, UINT nHtmlResID, CWnd* pParentWnd)
    : CDialog(nIDTemplate, pParentWnd),
      m_nHtmlResID(nHtmlResID),
      m_strClickMarker(L"\x01click " + CString(QUuid::createUuid().toString(QUuid::WithoutBraces)) + L" ") {}

CDHtmlDialog::~CDHtmlDialog() {
  // The view goes with the dialog's widget; the filter must not reach this object any more.
  if (m_pFilter != nullptr && GetWidget() != nullptr) GetWidget()->removeEventFilter(m_pFilter);
}

void CDHtmlDialog::SetHostConfig(const CString& json) { m_strHostConfig = json; }

BOOL CDHtmlDialog::OnInitDialog() {
  CDialog::OnInitDialog();
  QWidget* host = GetWidget();
  if (host == nullptr) return TRUE;
  // The view takes the client area above the topmost control of the template.
  int top = host->height();
  for (QObject* child : host->children()) {
    auto* w = qobject_cast<QWidget*>(child);
    if (w != nullptr && !w->isWindow()) top = std::min(top, w->y());
  }
  const int viewHeight = std::max(0, top - 4);
  m_nBandHeight = host->height() - viewHeight;
  m_nLastClientHeight = host->height();

  m_pView = new QWebEngineView(host);
  auto* page = new platform::HtmlPage(this, m_pView);
  m_pView->setPage(page);
  m_pView->setContextMenuPolicy(Qt::NoContextMenu);
  m_pView->setGeometry(0, 0, host->width(), viewHeight);
  page->settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, true);
  page->settings()->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
  if (!m_strHostConfig.IsEmpty()) {
    QWebEngineScript config;
    config.setName(QStringLiteral("hostConfig"));
    config.setInjectionPoint(QWebEngineScript::DocumentCreation);
    config.setWorldId(QWebEngineScript::MainWorld);
    config.setSourceCode(QStringLiteral("window.hostConfig = %1;").arg(m_strHostConfig.q()));
    page->scripts().insert(config);
  }
  UpdateClickScript();
  QObject::connect(page, &QWebEnginePage::loadFinished, m_pView, [this](bool ok) { HandlePageLoaded(ok); });
  m_pView->show();

  m_pFilter = new platform::HostFilter(this, m_pView);
  host->installEventFilter(m_pFilter);

  const CString url = platform::FindHtmlResource(m_nHtmlResID);
  if (url.IsEmpty()) {
    TRACE(L"HTML resource %u: none registered\n", m_nHtmlResID);
  } else {
    m_pView->load(QUrl(url.q()));
  }
  return TRUE;
}

void CDHtmlDialog::HandlePageLoaded(bool ok) {
  m_bPageLoaded = ok ? TRUE : FALSE;
  m_bLoadEnded = TRUE;
  if (m_pLoadLoop != nullptr) m_pLoadLoop->quit();
  if (!ok) TRACE(L"HTML resource %u did not load\n", m_nHtmlResID);
  OnDocumentComplete(m_bPageLoaded);
}

void CDHtmlDialog::OnDocumentComplete(BOOL) {}

BOOL CDHtmlDialog::WaitForDocument(int timeoutMs) {
  if (m_bLoadEnded || m_pView == nullptr) return m_bPageLoaded;
  QEventLoop loop;
  QTimer timer;
  timer.setSingleShot(true);
  QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
  timer.start(timeoutMs);
  m_pLoadLoop = &loop;
  loop.exec();
  m_pLoadLoop = nullptr;
  return m_bPageLoaded;
}

void CDHtmlDialog::HandleHostResize() {
  QWidget* host = GetWidget();
  if (host == nullptr || m_pView == nullptr) return;
  const int height = host->height();
  if (m_nLastClientHeight >= 0 && height != m_nLastClientHeight) {
    // The controls below the view keep their distance to the bottom edge.
    const int delta = height - m_nLastClientHeight;
    const int viewBottom = m_pView->y() + m_pView->height();
    for (QObject* child : host->children()) {
      auto* w = qobject_cast<QWidget*>(child);
      if (w != nullptr && w != m_pView && !w->isWindow() && w->y() >= viewBottom) w->move(w->x(), w->y() + delta);
    }
  }
  m_nLastClientHeight = height;
  m_pView->setGeometry(0, 0, host->width(), std::max(0, height - m_nBandHeight));
  // The page may want to know (a map measures its area again).
  if (m_bPageLoaded)
    m_pView->page()->runJavaScript(QStringLiteral("if(typeof window.hostResized==='function')window.hostResized();"));
}

CString CDHtmlDialog::CallScript(const CString& call) {
  if (m_pView == nullptr || !m_bPageLoaded) return CString();
  CString name;
  std::vector<CString> args;
  platform::SplitScriptCall(call, name, args);
  if (name.IsEmpty()) return CString();
  QPointer<QWebEngineView> view(m_pView);
  const QVariant result = RunAndWait(view, platform::BuildScriptInvocation(name, args).q(), m_nCallTimeoutMs);
  if (result.typeId() != QMetaType::QString) return CString();
  return CString(result.toString());
}

CString CDHtmlDialog::GetElementValue(const CString& id) {
  if (m_pView == nullptr || !m_bPageLoaded) return CString();
  QJsonArray holder{id.q()};
  const QString json = QString::fromUtf8(QJsonDocument(holder).toJson(QJsonDocument::Compact));
  const QString script = QStringLiteral(
                             "(function(i){var e=document.getElementById(i);"
                             "return e&&typeof e.value==='string'?e.value:null;})(%1[0])")
                             .arg(json);
  const QVariant result = RunAndWait(m_pView, script, m_nCallTimeoutMs);
  if (result.typeId() != QMetaType::QString) return CString();
  return CString(result.toString());
}

void CDHtmlDialog::BindElementClick(const CString& id, std::function<void()> handler) {
  if (id.IsEmpty()) return;
  m_clickBindings[id] = std::move(handler);
  UpdateClickScript();
}

void CDHtmlDialog::UpdateClickScript() {
  if (m_pView == nullptr || m_clickBindings.empty()) return;
  const QString source = platform::ClickReportScript(m_strClickMarker, m_clickBindings);
  QWebEngineScriptCollection& scripts = m_pView->page()->scripts();
  for (const QWebEngineScript& old : scripts.find(QString::fromLatin1(platform::kClickScriptName))) scripts.remove(old);
  QWebEngineScript script;
  script.setName(QString::fromLatin1(platform::kClickScriptName));
  script.setInjectionPoint(QWebEngineScript::DocumentCreation);
  script.setWorldId(QWebEngineScript::ApplicationWorld);
  script.setSourceCode(source);
  scripts.insert(script);
  // The document already there (loaded or loading) gets the new ids too.
  m_pView->page()->runJavaScript(source, QWebEngineScript::ApplicationWorld);
}

bool CDHtmlDialog::HandleClickReport(const QString& message) {
  const QString marker = m_strClickMarker.q();
  if (!message.startsWith(marker)) return false;
  const QJsonDocument doc = QJsonDocument::fromJson((u'[' + message.mid(marker.size()) + u']').toUtf8());
  const CString id(doc.array().at(0).toString());
  if (m_clickBindings.find(id) == m_clickBindings.end()) return true;
  // The handler may end the dialog or show a message box: it runs from the event loop, once the
  // engine's callback has returned, and not at all once the view, the window or this object has
  // gone.
  const std::weak_ptr<int> alive = m_pAlive;
  QMetaObject::invokeMethod(
      m_pView,
      [this, id, alive] {
        if (alive.expired() || GetSafeHwnd() == nullptr) return;
        const auto it = m_clickBindings.find(id);
        if (it != m_clickBindings.end() && it->second) it->second();
      },
      Qt::QueuedConnection);
  return true;
}
