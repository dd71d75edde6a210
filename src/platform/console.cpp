// The console window (see console.h).
#include "platform/console.h"

#include <QMetaObject>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTextCursor>
#include <QThread>
#include <QApplication>

#include "platform/trace.h"

namespace platform {
namespace {

QPointer<QPlainTextEdit> g_view;
int g_sinkId = -1;

void AppendText(QPlainTextEdit* view, const QString& text) {
  QTextCursor cursor(view->document());
  cursor.movePosition(QTextCursor::End);
  cursor.insertText(text);
  view->moveCursor(QTextCursor::End);
}

}  // namespace

bool OpenConsoleWindow() {
  if (!g_view.isNull()) {
    g_view->show();
    return false;
  }
  auto* view = new QPlainTextEdit();
  view->setAttribute(Qt::WA_DeleteOnClose);
  view->setReadOnly(true);
  view->setWindowTitle(QStringLiteral("Console"));
  view->setLineWrapMode(QPlainTextEdit::NoWrap);
  QFont font(QStringLiteral("Monospace"));
  font.setStyleHint(QFont::TypeWriter);
  view->setFont(font);
  view->resize(640, 360);
  g_view = view;
  QPointer<QPlainTextEdit> target = view;
  g_sinkId = AddStdoutSink([target](const CString& text) {
    const QString copy = text.q();
    QPlainTextEdit* v = target.data();
    if (v == nullptr) return;
    if (QThread::currentThread() == v->thread()) {
      AppendText(v, copy);
    } else {
      QMetaObject::invokeMethod(
          v, [target, copy] {
            if (!target.isNull()) AppendText(target.data(), copy);
          },
          Qt::QueuedConnection);
    }
  });
  view->show();
  return true;
}

bool IsConsoleWindowOpen() { return !g_view.isNull(); }

CString GetConsoleWindowText() {
  if (g_view.isNull()) return CString();
  return CString(g_view->toPlainText());
}

void CloseConsoleWindow() {
  if (g_sinkId >= 0) {
    RemoveStdoutSink(g_sinkId);
    g_sinkId = -1;
  }
  if (!g_view.isNull()) delete g_view.data();
  g_view = nullptr;
}

}  // namespace platform

BOOL AllocConsole() { return platform::OpenConsoleWindow() ? TRUE : FALSE; }

BOOL FreeConsole() {
  if (!platform::IsConsoleWindowOpen()) return FALSE;
  platform::CloseConsoleWindow();
  return TRUE;
}
