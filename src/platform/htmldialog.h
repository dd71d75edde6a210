// HTML dialogs: a dialog whose client area above its own buttons is an embedded web view showing
// one of the program's HTML pages by resource number. The program talks to a loaded page by
// calling its script functions by name with text arguments, by reading the values of page
// elements, and by being told when the page has loaded. Page alerts and confirmations go through
// the modal service (so tests script them); the view offers no context menu of its own, so right
// clicks reach the page. The view stays on the dialog's own pages (the scheme and host of its
// resource): no link, script or redirect takes it elsewhere and it opens no window. This part of
// the layer is a library of its own (it needs the web engine).
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "platform/cstring.h"
#include "platform/dialog.h"

class QWebEngineView;
class QObject;
class QString;

namespace platform {

class HtmlView;
class HtmlViewClient;

// The file the web engine module is opened from; empty (the default) for htmlengine.so in the
// program's folder. A module once opened stays loaded.
void SetHtmlEngineModule(const CString& path);

// Registers (or replaces) the address of an HTML resource (for example "qrc:/map/circle.html").
void RegisterHtmlResource(UINT id, const CString& url);
// Empty when there is none.
CString FindHtmlResource(UINT id);

// TRUE when the text can name a page function: a plain script identifier (a letter, "_" or "$",
// then letters, digits, "_" or "$"), nothing else.
bool IsScriptFunctionName(const CString& name);

// The script text that calls window[name] with the arguments and gives back its result when that
// is a text, else null (unknown name, an exception, no result or another type). Name and
// arguments reach the page JSON-encoded, never as script source.
CString BuildScriptInvocation(const CString& name, const std::vector<CString>& args);

}  // namespace platform

class CDHtmlDialog : public CDialog {
 public:
  CDHtmlDialog();
  CDHtmlDialog(UINT nIDTemplate, UINT nHtmlResID, CWnd* pParentWnd = nullptr);
  ~CDHtmlDialog() override;

  // Creates the view over the client area above the template's controls and starts loading the
  // page of the HTML resource.
  BOOL OnInitDialog() override;

  // Calls the page function of that name with the texts as its arguments (each reaches the page
  // as one text, whatever it holds) and waits for its result; the empty text for anything but a
  // text result, also for a name that is no plain identifier, before the page has loaded and when
  // the page does not answer within the call time-out. Window messages and timers keep being
  // handled while it waits.
  CString CallScript(const CString& name, const std::vector<CString>& args = {});
  // The value property of the page element with that id; empty when there is none.
  CString GetElementValue(const CString& id);
  // Handles events until the page has loaded, at most timeoutMs of real time; TRUE when it has.
  BOOL WaitForDocument(int timeoutMs);
  // TRUE once the page has finished loading (successfully).
  BOOL IsPageLoaded() const { return m_bPageLoaded; }
  // Script errors are not traced (the page's console messages are dropped).
  void SetSilent(BOOL bSilent) { m_bSilent = bSilent; }
  // A JSON object the page finds as window.hostConfig before its own scripts run (set before the
  // dialog is created; later pages loads use the latest value). Only the dialog's own pages get it.
  void SetHostConfig(const CString& json);
  // The longest a script call waits for the page (milliseconds of real time).
  void SetCallTimeout(int ms) { m_nCallTimeoutMs = ms; }
  // Binds a click on the page element with that id (or on anything inside it) to a handler; it
  // runs on the GUI thread once the click has been reported, outside the page's own event
  // handling. Binding an id again replaces its handler. Bindings made after the page has loaded
  // reach that page too.
  void BindElementClick(const CString& id, std::function<void()> handler);

  // Called once the page has loaded (bOk FALSE when it failed to load).
  virtual void OnDocumentComplete(BOOL bOk);

  // Layer internals. The engine's view (null without one).
  QWebEngineView* GetView() const;
  void HandlePageLoaded(bool ok);
  void HandleHostResize();
  BOOL IsSilent() const { return m_bSilent; }
  UINT HtmlResourceId() const { return m_nHtmlResID; }
  // TRUE when a page console message was a click report (it is then handled, never traced).
  bool HandleClickReport(const QString& message);

 protected:
  UINT m_nHtmlResID = 0;

 private:
  std::unique_ptr<platform::HtmlViewClient> m_pViewClient;
  std::unique_ptr<platform::HtmlView> m_pView;
  QObject* m_pFilter = nullptr;
  BOOL m_bPageLoaded = FALSE;
  BOOL m_bLoadEnded = FALSE;
  class QEventLoop* m_pLoadLoop = nullptr;
  BOOL m_bSilent = FALSE;
  int m_nCallTimeoutMs = 10000;
  CString m_strHostConfig;
  std::map<CString, std::function<void()>> m_clickBindings;
  // Starts the page's click reports (new for every dialog, unknown to the page's own scripts).
  CString m_strClickMarker;
  // Lives as long as this object: a reported click still queued when it goes is dropped.
  std::shared_ptr<int> m_pAlive = std::make_shared<int>(0);
  void UpdateClickScript();
  // Client-area height the view leaves below itself for the dialog's own controls.
  int m_nBandHeight = 0;
  int m_nLastClientHeight = -1;
};
