// Test helper: runs a script on the page of an HTML dialog, as the test's own probe, and waits for
// its result; what a map page shows and holds.
#pragma once

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>
#include <QVariant>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <memory>
#include <vector>

#include "platform/htmldialog.h"
#include "platform/wnd.h"

namespace testsupport {

// The script's result as text (empty when it gives none within the deadline).
inline CString RunPageScript(CDHtmlDialog& dlg, const QString& script, DWORD timeoutMs = 10000) {
  struct Result {
    bool done = false;
    QVariant value;
  };
  auto result = std::make_shared<Result>();
  dlg.GetView()->page()->runJavaScript(script, [result](const QVariant& v) {
    result->value = v;
    result->done = true;
  });
  platform::PumpUntil([&] { return result->done; }, timeoutMs);
  return CString(result->value.toString());
}

// Calls a page function with any texts as its arguments (also those a call text cannot carry).
inline CString CallPageFunction(CDHtmlDialog& dlg, const CString& name, const std::vector<CString>& args) {
  return RunPageScript(dlg, platform::BuildScriptInvocation(name, args).q());
}

// What the page shows and holds after a call: its title, its script elements, the elements that
// carry an inline handler or do not belong in the shown texts, and the texts of its windows, hover
// texts, controls and point table.
struct MapPageState {
  CString title;
  int scripts = -1;
  std::vector<CString> handlers;
  std::vector<CString> strayElements;
  CString shown;
};

inline MapPageState InspectMapPage(CDHtmlDialog& page) {
  const CString json = RunPageScript(page, QStringLiteral(R"JS(
(function () {
  if (window.map && map.eachLayer) map.eachLayer(function (l) { if (l.getTooltip && l.getTooltip()) l.openTooltip(); });
  var handlers = [], stray = [];
  document.querySelectorAll('*').forEach(function (e) {
    for (var i = 0; i < e.attributes.length; i++)
      if (/^on/i.test(e.attributes[i].name)) handlers.push(e.tagName + ' ' + e.attributes[i].name);
  });
  var allowed = ['DIV', 'SPAN', 'BR', 'A', 'BUTTON', 'TR', 'TD', 'TH', 'TBODY', 'LABEL', 'INPUT', 'SECTION', 'FORM'];
  var shownIn = '.leaflet-popup-pane, .leaflet-tooltip-pane, .leaflet-control-container, #ML_table';
  var shown = '';
  document.querySelectorAll(shownIn).forEach(function (box) {
    shown += box.textContent + '\n';
    box.querySelectorAll('*').forEach(function (e) { if (allowed.indexOf(e.tagName) < 0) stray.push(e.tagName); });
  });
  return JSON.stringify({ title: document.title, scripts: document.scripts.length, handlers: handlers,
                          stray: stray, shown: shown });
})())JS"));
  const QJsonObject o = QJsonDocument::fromJson(json.q().toUtf8()).object();
  MapPageState s;
  s.title = CString(o.value(QStringLiteral("title")).toString());
  s.scripts = o.value(QStringLiteral("scripts")).toInt(-1);
  for (const QJsonValue& v : o.value(QStringLiteral("handlers")).toArray()) s.handlers.emplace_back(v.toString());
  for (const QJsonValue& v : o.value(QStringLiteral("stray")).toArray()) s.strayElements.emplace_back(v.toString());
  s.shown = CString(o.value(QStringLiteral("shown")).toString());
  return s;
}

}  // namespace testsupport
