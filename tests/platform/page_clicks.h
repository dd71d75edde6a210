// Test helper: clicks on page elements of an HTML dialog that the test adds to its page, as the
// page's own script clicks them.
#pragma once

#include <QString>
#include <QWebEnginePage>
#include <QWebEngineView>

#include "platform/htmldialog.h"

namespace testsupport {

// Adds a button with that id (holding a span) to the page and clicks it, or its span.
inline void ClickNewPageElement(CDHtmlDialog& dlg, const char* id, bool onChild = false) {
  const QString script = QStringLiteral(
                             "(function(){var b=document.createElement('button');b.id='%1';"
                             "var s=document.createElement('span');s.textContent='x';b.appendChild(s);"
                             "document.body.appendChild(b);(%2).click();})();")
                             .arg(QString::fromLatin1(id), onChild ? QStringLiteral("s") : QStringLiteral("b"));
  dlg.GetView()->page()->runJavaScript(script);
}

}  // namespace testsupport
