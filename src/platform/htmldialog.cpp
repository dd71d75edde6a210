// CDHtmlDialog over QWebEngineView (see htmldialog.h).
#include "platform/htmldialog.h"

#include <QEvent>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>
#include <QCoreApplication>
#include <QMap>
#include <QOpenGLContext>
#include <QTimer>
#include <QUrl>
#include <QUuid>
#include <QWidget>
#include <dlfcn.h>
#include <map>
#include <memory>

#include "platform/files.h"
#include "platform/htmlview.h"
#include "platform/modal.h"
#include "platform/trace.h"

// The application-wide OpenGL context that web views share (exported by Qt's GUI library; the
// web engine reads it when it starts).
Q_GUI_EXPORT void qt_gl_set_global_share_context(QOpenGLContext* context);

namespace platform {

namespace {

QMap<UINT, QString>& HtmlResources() {
  static QMap<UINT, QString> table;
  return table;
}

// The module file set with SetHtmlEngineModule (empty: the default).
CString& EngineModulePath() {
  static CString path;
  return path;
}

// The web engine draws with OpenGL contexts shared with the application's. The shared context is
// made here, before the engine is first loaded, not when the application starts: made there it
// would load the OpenGL drivers into every session. Without OpenGL the engine draws without it.
void PrepareSharedContext() {
  if (QOpenGLContext::globalShareContext() != nullptr) return;
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  auto* context = new QOpenGLContext(QCoreApplication::instance());
  if (!context->create()) {
    delete context;
    return;
  }
  qt_gl_set_global_share_context(context);
}

// The engine of the module at path, opened once and kept; null with the reason in error.
const HtmlEngine* OpenHtmlEngine(CString& error) {
  CString path = EngineModulePath();
  if (path.IsEmpty()) path = GetProgramFolder() + L"/" + CString(kHtmlEngineModuleName);
  static std::map<CString, const HtmlEngine*> opened;
  const auto known = opened.find(path);
  if (known != opened.end()) return known->second;
  PrepareSharedContext();
  void* handle = dlopen(path.ToUtf8().c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    const char* reason = dlerror();
    error = reason != nullptr ? CString::FromUtf8(reason) : path;
    return nullptr;
  }
  using Entry = const HtmlEngine* (*)();
  auto entry = reinterpret_cast<Entry>(dlsym(handle, kHtmlEngineEntry));
  const HtmlEngine* engine = entry != nullptr ? entry() : nullptr;
  if (engine == nullptr || engine->abi != kHtmlEngineAbi || engine->createView == nullptr) {
    error = path + L": not a web engine module of this build";
    dlclose(handle);
    return nullptr;
  }
  // The engine stays loaded for the rest of the process (its views and threads outlive dialogs).
  opened.emplace(path, engine);
  return engine;
}

// Hands the view's reports to its dialog: alerts and confirmations through the modal service,
// console messages to the trace unless the dialog is silent.
class DialogViewClient : public HtmlViewClient {
 public:
  explicit DialogViewClient(CDHtmlDialog* dlg) : m_dlg(dlg) {}
  void PageLoaded(bool ok) override { m_dlg->HandlePageLoaded(ok); }
  void ConsoleMessage(const QString& message, int line, const QString& source) override {
    if (m_dlg->HandleClickReport(message)) return;
    if (!m_dlg->IsSilent()) TRACE(L"page %s:%d: %s\n", CString(source), line, CString(message));
  }
  void Alert(const QString& text) override { ShowMessageBox(m_dlg, CString(text), m_dlg->GetWindowText(), MB_OK); }
  bool Confirm(const QString& text) override {
    return ShowMessageBox(m_dlg, CString(text), m_dlg->GetWindowText(), MB_OKCANCEL) == IDOK;
  }
  void NavigationRefused(const QUrl& url) override {
    if (url.isEmpty())
      TRACE(L"page of HTML resource %u: a new window refused\n", m_dlg->HtmlResourceId());
    else
      TRACE(L"page of HTML resource %u: leaving for %s refused\n", m_dlg->HtmlResourceId(),
            CString(url.toDisplayString(QUrl::RemoveUserInfo).left(200)));
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

// Sets window.hostConfig to the JSON object (taken as data: a text that is no JSON object sets
// nothing), in documents of the page's own scheme and host only.
QString HostConfigScript(const QUrl& page, const QString& json) {
  const QString host = page.port() >= 0 ? page.host().toLower() + u':' + QString::number(page.port()) : page.host().toLower();
  const QJsonArray data{page.scheme().toLower() + u':', host, json};
  return QStringLiteral("(function(d){if(location.protocol!==d[0]||location.host!==d[1])return;"
                        "try{var c=JSON.parse(d[2]);if(c&&typeof c==='object')window.hostConfig=c;}catch(e){}})(%1);")
      .arg(QString::fromUtf8(QJsonDocument(data).toJson(QJsonDocument::Compact)));
}

}  // namespace

void SetHtmlEngineModule(const CString& path) { EngineModulePath() = path; }

void RegisterHtmlResource(UINT id, const CString& url) { HtmlResources().insert(id, url.q()); }

CString FindHtmlResource(UINT id) { return CString(HtmlResources().value(id)); }

bool IsScriptFunctionName(const CString& name) {
  const QString text = name.q();
  if (text.isEmpty()) return false;
  for (int i = 0; i < text.size(); ++i) {
    const QChar c = text[i];
    const bool letter = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'_' || c == u'$';
    if (!letter && (i == 0 || c < u'0' || c > u'9')) return false;
  }
  return true;
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
QVariant RunAndWait(platform::HtmlView& view, const QString& script, int timeoutMs) {
  struct State {
    QVariant result;
    bool done = false;
    QEventLoop* loop = nullptr;
  };
  auto state = std::make_shared<State>();
  view.RunScript(script, true, [state](const QVariant& v) {
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

QWebEngineView* CDHtmlDialog::GetView() const { return m_pView != nullptr ? m_pView->EngineView() : nullptr; }

void CDHtmlDialog::SetHostConfig(const CString& json) { m_strHostConfig = json; }

BOOL CDHtmlDialog::OnInitDialog() {
  CDialog::OnInitDialog();
  QWidget* host = GetWidget();
  if (host == nullptr) return TRUE;
  CString error;
  const platform::HtmlEngine* engine = platform::OpenHtmlEngine(error);
  if (engine == nullptr) {
    TRACE(L"web engine not loaded: %s\n", error);
    HandlePageLoaded(false);
    // Said once the dialog is up, from the event loop: whoever made the dialog goes on undisturbed,
    // and a dialog that has gone by then says nothing.
    const std::weak_ptr<int> alive = m_pAlive;
    const CString text = L"This window cannot show its page: the web engine could not be loaded.\n\n" + error;
    QMetaObject::invokeMethod(
        host,
        [this, alive, text] {
          if (alive.expired() || GetSafeHwnd() == nullptr) return;
          platform::ShowMessageBox(this, text, GetWindowText(), MB_OK | MB_ICONERROR);
        },
        Qt::QueuedConnection);
    return TRUE;
  }
  // The view takes the client area above the topmost control of the template.
  int top = host->height();
  for (QObject* child : host->children()) {
    auto* w = qobject_cast<QWidget*>(child);
    if (w != nullptr && !w->isWindow()) top = std::min(top, w->y());
  }
  const int viewHeight = std::max(0, top - 4);
  m_nBandHeight = host->height() - viewHeight;
  m_nLastClientHeight = host->height();

  m_pViewClient = std::make_unique<platform::DialogViewClient>(this);
  m_pView.reset(engine->createView(host, m_pViewClient.get()));
  QWidget* view = m_pView->Widget();
  view->setGeometry(0, 0, host->width(), viewHeight);
  const CString url = platform::FindHtmlResource(m_nHtmlResID);
  if (!m_strHostConfig.IsEmpty())
    m_pView->SetDocumentScript(QStringLiteral("hostConfig"), platform::HostConfigScript(QUrl(url.q()), m_strHostConfig.q()),
                               true);
  UpdateClickScript();
  view->show();

  m_pFilter = new platform::HostFilter(this, view);
  host->installEventFilter(m_pFilter);

  if (url.IsEmpty()) {
    TRACE(L"HTML resource %u: none registered\n", m_nHtmlResID);
  } else {
    m_pView->Load(QUrl(url.q()));
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
  QWidget* view = m_pView != nullptr ? m_pView->Widget() : nullptr;
  if (host == nullptr || view == nullptr) return;
  const int height = host->height();
  if (m_nLastClientHeight >= 0 && height != m_nLastClientHeight) {
    // The controls below the view keep their distance to the bottom edge.
    const int delta = height - m_nLastClientHeight;
    const int viewBottom = view->y() + view->height();
    for (QObject* child : host->children()) {
      auto* w = qobject_cast<QWidget*>(child);
      if (w != nullptr && w != view && !w->isWindow() && w->y() >= viewBottom) w->move(w->x(), w->y() + delta);
    }
  }
  m_nLastClientHeight = height;
  view->setGeometry(0, 0, host->width(), std::max(0, height - m_nBandHeight));
  // The page may want to know (a map measures its area again).
  if (m_bPageLoaded)
    m_pView->RunScript(QStringLiteral("if(typeof window.hostResized==='function')window.hostResized();"), true, nullptr);
}

CString CDHtmlDialog::CallScript(const CString& name, const std::vector<CString>& args) {
  if (!platform::IsScriptFunctionName(name)) {
    TRACE(L"page call refused: \"%s\" is no function name\n", name);
    return CString();
  }
  if (m_pView == nullptr || !m_bPageLoaded) return CString();
  const QVariant result = RunAndWait(*m_pView, platform::BuildScriptInvocation(name, args).q(), m_nCallTimeoutMs);
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
  const QVariant result = RunAndWait(*m_pView, script, m_nCallTimeoutMs);
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
  m_pView->SetDocumentScript(QString::fromLatin1(platform::kClickScriptName), source, false);
  // The document already there (loaded or loading) gets the new ids too.
  m_pView->RunScript(source, false, nullptr);
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
  QWidget* view = m_pView != nullptr ? m_pView->Widget() : nullptr;
  if (view == nullptr) return true;
  const std::weak_ptr<int> alive = m_pAlive;
  QMetaObject::invokeMethod(
      view,
      [this, id, alive] {
        if (alive.expired() || GetSafeHwnd() == nullptr) return;
        const auto it = m_clickBindings.find(id);
        if (it != m_clickBindings.end() && it->second) it->second();
      },
      Qt::QueuedConnection);
  return true;
}
