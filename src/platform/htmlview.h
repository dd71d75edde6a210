// The web engine behind HTML dialogs, as the layer's engine module (htmlengine.so, beside the
// program) offers it: a view over a host widget that loads a page, runs scripts on it and reports
// back to its client. The layer opens the module when the first HTML dialog is made, so a program
// that never shows a web page never loads the engine. Only Qt types cross this line: the module
// holds none of the layer's own code.
#pragma once

#include <QString>
#include <QUrl>
#include <QVariant>
#include <functional>

class QWebEngineView;
class QWidget;

namespace platform {

// What a view reports, on the GUI thread. The view stops reporting once it is destroyed.
class HtmlViewClient {
 public:
  virtual ~HtmlViewClient() = default;
  virtual void PageLoaded(bool ok) = 0;
  // A console message of the page.
  virtual void ConsoleMessage(const QString& message, int line, const QString& source) = 0;
  virtual void Alert(const QString& text) = 0;
  virtual bool Confirm(const QString& text) = 0;
  // The page tried to go to url, away from its place (or to open a window: url is then empty);
  // the view stayed where it was.
  virtual void NavigationRefused(const QUrl& url) = 0;
};

// One web view over a host widget. Its widget belongs to the host widget (it goes with it);
// destroying this object only stops the reports to the client.
class HtmlView {
 public:
  virtual ~HtmlView() = default;
  // Null once the host widget has gone.
  virtual QWidget* Widget() const = 0;
  virtual QWebEngineView* EngineView() const = 0;
  // Adds (or replaces, by name) a script that runs at the creation of every document, in the
  // page's own world or in a world of its own.
  virtual void SetDocumentScript(const QString& name, const QString& source, bool pageWorld) = 0;
  // Loads the page; from then on the view goes only to pages of its scheme and host and opens no
  // window.
  virtual void Load(const QUrl& url) = 0;
  // Runs a script on the current document; done (when given) gets its result later, from the
  // event loop. A view that has gone runs nothing.
  virtual void RunScript(const QString& source, bool pageWorld, std::function<void(const QVariant&)> done) = 0;
};

// The module's one exported function, kHtmlEngineEntry, gives this table.
struct HtmlEngine {
  int abi;  // kHtmlEngineAbi of the module's build
  // A view over host (its client area, no context menu of its own) reporting to client.
  HtmlView* (*createView)(QWidget* host, HtmlViewClient* client);
};

constexpr int kHtmlEngineAbi = 2;
constexpr const char kHtmlEngineEntry[] = "HtmlEngineEntry";
constexpr const char kHtmlEngineModuleName[] = "htmlengine.so";

}  // namespace platform
