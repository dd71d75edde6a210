// Edit controls: single-line (QLineEdit) and multi-line (QPlainTextEdit) behind one CEdit, with
// the Windows text limit, filters, "\r\n" positions and clipboard messages.
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>
#include <climits>

#include "platform/controls_widgets.h"

namespace platform {
namespace ctl {

namespace {
const UINT kLargestSingleLineLimit = 0x7FFFFFFEu;
const UINT kLargestMultiLineLimit = 0xFFFFFFFFu;

enum class Source { Typed, Pasted, Program };

// Cuts text so that its length with "\r\n" line breaks stays within room.
QString CutToRoom(const QString& text, long long room, bool multiline) {
  long long used = 0;
  int i = 0;
  while (i < text.size()) {
    int units = 1;
    if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) units = 2;
    long long cost = (multiline && text[i] == QChar('\n')) ? 2 : units;
    if (used + cost > room) break;
    used += cost;
    i += units;
  }
  return text.left(i);
}

void ShowEditMenu(QWidget* w, EditCore* core, const QPoint& globalPos) {
  QPointer<QWidget> self(w);
  QMenu menu;
  int s = 0;
  int e = 0;
  core->QtSel(s, e);
  bool selection = s != e;
  bool ro = core->IsReadOnly();
  bool password = (core->Style() & ES_PASSWORD) != 0;
  QAction* undo = menu.addAction(QObject::tr("&Undo"));
  undo->setEnabled(!ro && core->UndoAvailable());
  menu.addSeparator();
  QAction* cut = menu.addAction(QObject::tr("Cu&t"));
  cut->setEnabled(selection && !ro && !password);
  QAction* copy = menu.addAction(QObject::tr("&Copy"));
  copy->setEnabled(selection && !password);
  QAction* paste = menu.addAction(QObject::tr("&Paste"));
  paste->setEnabled(!ro && !QGuiApplication::clipboard()->text().isEmpty());
  QAction* del = menu.addAction(QObject::tr("&Delete"));
  del->setEnabled(selection && !ro);
  menu.addSeparator();
  QAction* all = menu.addAction(QObject::tr("Select &All"));
  QAction* chosen = menu.exec(globalPos);
  if (chosen == nullptr || self == nullptr) return;
  if (chosen == undo) SendToOwn(w, WM_UNDO);
  else if (chosen == cut) SendToOwn(w, WM_CUT);
  else if (chosen == copy) SendToOwn(w, WM_COPY);
  else if (chosen == paste) SendToOwn(w, WM_PASTE);
  else if (chosen == del) SendToOwn(w, WM_CLEAR);
  else if (chosen == all) core->SetQtSel(0, static_cast<int>(core->QtText().size()), true);
}

// Sends a clipboard message through the window, so that its message map may take it; a window
// whose class does not know edits gets the edit's own handling.
void RouteEditMessage(QWidget* w, EditCore* core, UINT message) {
  CWnd* wnd = OwnWnd(w);
  if (wnd != nullptr && dynamic_cast<CEdit*>(wnd) != nullptr) {
    wnd->SendMessage(message);
    return;
  }
  switch (message) {
    case WM_PASTE: core->DoPaste(); break;
    case WM_COPY: core->DoCopy(); break;
    case WM_CUT: core->DoCut(); break;
    case WM_CLEAR: core->DoClear(); break;
    case WM_UNDO: if (!core->IsReadOnly()) core->DoUndo(); break;
    default: break;
  }
}

void InsertText(EditCore* core, QString text, Source source) {
  bool user = source != Source::Program;
  if (user && core->IsReadOnly()) return;
  DWORD winStyle = core->Style();
  bool multi = core->Multiline();
  if (multi) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QChar('\r'), QChar('\n'));
  } else if (source == Source::Pasted) {
    // A single-line edit takes the first line of what is pasted.
    int cut = static_cast<int>(text.indexOf(QRegularExpression(QStringLiteral("[\r\n]"))));
    if (cut >= 0) text = text.left(cut);
  }
  if (winStyle & ES_UPPERCASE) text = text.toUpper();
  else if (winStyle & ES_LOWERCASE) text = text.toLower();
  if (source == Source::Typed && (winStyle & ES_NUMBER)) {
    for (QChar c : text) {
      if (c < QChar('0') || c > QChar('9')) {
        ::MessageBeep(0);
        return;
      }
    }
  }
  QString current = core->QtText();
  int s = 0;
  int e = 0;
  core->QtSel(s, e);
  long long length = core->WinLength(current);
  long long selected = core->QtToWin(current, e) - core->QtToWin(current, s);
  long long room = static_cast<long long>(core->limit) - (length - selected);
  if (room < 0) room = 0;
  bool cut = false;
  if (core->WinLength(text) > room) {
    text = CutToRoom(text, room, multi);
    cut = true;
  }
  QPointer<QWidget> self(core->Widget());
  if (!text.isEmpty() || s != e) {
    core->QtInsert(text);
    if (self == nullptr) return;
    core->SetModified(true);
  }
  if (cut) Notify(core->Widget(), EN_MAXTEXT);
}
}  // namespace

int EditCore::WinLength(const QString& qt) const {
  return static_cast<int>(Multiline() ? qt.size() + qt.count(QChar('\n')) : qt.size());
}

int EditCore::QtToWin(const QString& qt, int qtPos) const {
  qtPos = std::max(0, std::min(qtPos, static_cast<int>(qt.size())));
  if (!Multiline()) return qtPos;
  return qtPos + static_cast<int>(QStringView(qt).left(qtPos).count(QChar('\n')));
}

int EditCore::WinToQt(const QString& qt, int winPos) const {
  if (winPos <= 0) return 0;
  if (!Multiline()) return std::min(winPos, static_cast<int>(qt.size()));
  int w = 0;
  for (int i = 0; i < qt.size(); ++i) {
    if (w >= winPos) return i;
    int step = qt[i] == QChar('\n') ? 2 : 1;
    if (w + step > winPos) return i;  // between the "\r" and "\n" of a break: before it
    w += step;
  }
  return static_cast<int>(qt.size());
}

QString EditCore::WinText() const {
  QString t = QtText();
  if (Multiline()) t.replace(QChar('\n'), QStringLiteral("\r\n"));
  return t;
}

void EditCore::InsertUserText(QString text, bool typed) {
  InsertText(this, std::move(text), typed ? Source::Typed : Source::Program);
}

void EditCore::DoPaste() {
  QString text = QGuiApplication::clipboard()->text();
  if (text.isEmpty()) return;
  InsertText(this, text, Source::Pasted);
}

void EditCore::DoCopy() {
  if (Style() & ES_PASSWORD) return;
  int s = 0;
  int e = 0;
  QtSel(s, e);
  if (s == e) return;
  QString t = QtText().mid(s, e - s);
  if (Multiline()) t.replace(QChar('\n'), QStringLiteral("\r\n"));
  QGuiApplication::clipboard()->setText(t);
}

void EditCore::DoCut() {
  if ((Style() & ES_PASSWORD) || IsReadOnly()) return;
  int s = 0;
  int e = 0;
  QtSel(s, e);
  if (s == e) return;
  DoCopy();
  QtInsert(QString());
  SetModified(true);
}

void EditCore::DoClear() {
  if (IsReadOnly()) return;
  int s = 0;
  int e = 0;
  QtSel(s, e);
  if (s == e) return;
  QtInsert(QString());
  SetModified(true);
}

bool EditCore::HandleEditKey(QKeyEvent* event) {
  QWidget* w = Widget();
  if (event->matches(QKeySequence::Paste)) {
    RouteEditMessage(w, this, WM_PASTE);
    return true;
  }
  if (event->matches(QKeySequence::Copy)) {
    RouteEditMessage(w, this, WM_COPY);
    return true;
  }
  if (event->matches(QKeySequence::Cut)) {
    RouteEditMessage(w, this, WM_CUT);
    return true;
  }
  if (event->matches(QKeySequence::Undo)) {
    RouteEditMessage(w, this, WM_UNDO);
    return true;
  }
  if (event->matches(QKeySequence::Redo)) return true;  // edits have one level of undo only
  Qt::KeyboardModifiers mods = event->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier);
  if (Multiline() && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && mods == 0) {
    InsertText(this, QStringLiteral("\n"), Source::Typed);
    return true;
  }
  QString text = event->text();
  if (text.isEmpty() || (mods & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))) return false;
  for (QChar c : text) {
    if (!c.isPrint()) return false;
  }
  InsertText(this, text, Source::Typed);
  return true;
}

void EditCore::NotifyChanged() {
  QPointer<QWidget> self(Widget());
  Notify(Widget(), EN_UPDATE);
  if (self != nullptr) Notify(self, EN_CHANGE);
}

// ---- single line ---------------------------------------------------------------------------

LineEditWidget::LineEditWidget(DWORD s, QWidget* parent) : QLineEdit(parent) {
  winStyle = s;
  // The text limit is the control's own (typing and pasting); a set text is never cut.
  setMaxLength(INT_MAX);
  setDragEnabled(false);
  setAcceptDrops(false);
  Qt::Alignment align = Qt::AlignVCenter;
  align |= (s & ES_RIGHT) ? Qt::AlignRight : (s & ES_CENTER) ? Qt::AlignHCenter : Qt::AlignLeft;
  setAlignment(align);
  if (s & ES_PASSWORD) {
    passwordChar = L'*';
    setEchoMode(QLineEdit::Password);
  }
  setReadOnly((s & ES_READONLY) != 0);
  connect(this, &QLineEdit::textChanged, this, [this] {
    if (quiet == 0) NotifyChanged();
  });
}

QString LineEditWidget::QtText() const { return text(); }

void LineEditWidget::SetQtText(const QString& t) {
  quiet++;
  setText(t);
  quiet--;
}

void LineEditWidget::QtSel(int& start, int& end) const {
  if (hasSelectedText()) {
    start = selectionStart();
    end = selectionEnd();
  } else {
    start = end = cursorPosition();
  }
}

void LineEditWidget::SetQtSel(int start, int end, bool) {
  if (start == end) {
    deselect();
    setCursorPosition(end);
  } else {
    setSelection(start, end - start);
  }
}

void LineEditWidget::QtInsert(const QString& t) { insert(t); }

void LineEditWidget::ClearUndo() {
  // Setting the same text again starts a fresh undo history.
  int s = 0;
  int e = 0;
  QtSel(s, e);
  bool modified = isModified();
  quiet++;
  setText(text());
  quiet--;
  setModified(modified);
  SetQtSel(s, e, false);
}

void LineEditWidget::ScrollBy(int, int chars) {
  if (chars != 0) setCursorPosition(std::max(0, cursorPosition() + chars));
}

void LineEditWidget::ApplyPasswordChar(wchar_t ch) { setEchoMode(ch != 0 ? QLineEdit::Password : QLineEdit::Normal); }

void LineEditWidget::keyPressEvent(QKeyEvent* event) {
  if (HandleEditKey(event)) {
    event->accept();
    return;
  }
  QLineEdit::keyPressEvent(event);
}

void LineEditWidget::inputMethodEvent(QInputMethodEvent* event) {
  if (!event->commitString().isEmpty() && event->preeditString().isEmpty() && event->replacementLength() == 0) {
    InsertText(this, event->commitString(), Source::Typed);
    event->accept();
    return;
  }
  QLineEdit::inputMethodEvent(event);
}

void LineEditWidget::contextMenuEvent(QContextMenuEvent* event) { ShowEditMenu(this, this, event->globalPos()); }

void LineEditWidget::focusInEvent(QFocusEvent* event) {
  QLineEdit::focusInEvent(event);
  if (event->reason() != Qt::PopupFocusReason) Notify(this, EN_SETFOCUS);
}

void LineEditWidget::focusOutEvent(QFocusEvent* event) {
  QLineEdit::focusOutEvent(event);
  if (event->reason() != Qt::PopupFocusReason) Notify(this, EN_KILLFOCUS);
}

// ---- multi line ----------------------------------------------------------------------------

TextEditWidget::TextEditWidget(DWORD s, QWidget* parent) : QPlainTextEdit(parent) {
  winStyle = s;
  setTabChangesFocus(true);
  setAcceptDrops(false);
  setLineWrapMode((s & ES_AUTOHSCROLL) || (s & WS_HSCROLL) ? QPlainTextEdit::NoWrap : QPlainTextEdit::WidgetWidth);
  setVerticalScrollBarPolicy((s & WS_VSCROLL) ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
  setHorizontalScrollBarPolicy((s & WS_HSCROLL) ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
  setReadOnly((s & ES_READONLY) != 0);
  if (s & (ES_CENTER | ES_RIGHT)) {
    QTextOption option = document()->defaultTextOption();
    option.setAlignment((s & ES_RIGHT) ? Qt::AlignRight : Qt::AlignHCenter);
    document()->setDefaultTextOption(option);
  }
  connect(this, &QPlainTextEdit::textChanged, this, [this] {
    if (quiet == 0) NotifyChanged();
  });
}

QString TextEditWidget::QtText() const {
  QString t = document()->toRawText();
  for (QChar& c : t) {
    if (c == QChar::ParagraphSeparator || c == QChar::LineSeparator) c = QChar('\n');
  }
  return t;
}

void TextEditWidget::SetQtText(const QString& t) {
  quiet++;
  setPlainText(t);
  quiet--;
}

void TextEditWidget::QtSel(int& start, int& end) const {
  QTextCursor c = textCursor();
  start = c.selectionStart();
  end = c.selectionEnd();
}

void TextEditWidget::SetQtSel(int start, int end, bool scroll) {
  int last = std::max(0, document()->characterCount() - 1);
  QTextCursor c(document());
  c.setPosition(std::max(0, std::min(start, last)));
  c.setPosition(std::max(0, std::min(end, last)), QTextCursor::KeepAnchor);
  setTextCursor(c);
  if (scroll) ensureCursorVisible();
}

void TextEditWidget::QtInsert(const QString& t) {
  QTextCursor c = textCursor();
  c.insertText(t);
  setTextCursor(c);
  ensureCursorVisible();
}

bool TextEditWidget::Modified() const { return document()->isModified(); }
void TextEditWidget::SetModified(bool m) { document()->setModified(m); }
bool TextEditWidget::UndoAvailable() const { return document()->isUndoAvailable(); }
void TextEditWidget::ClearUndo() { document()->clearUndoRedoStacks(); }
int TextEditWidget::FirstVisibleLine() const { return firstVisibleBlock().blockNumber(); }

void TextEditWidget::ScrollBy(int lines, int chars) {
  if (lines != 0) verticalScrollBar()->setValue(verticalScrollBar()->value() + lines);
  if (chars != 0) {
    horizontalScrollBar()->setValue(horizontalScrollBar()->value() + chars * fontMetrics().averageCharWidth());
  }
}

void TextEditWidget::keyPressEvent(QKeyEvent* event) {
  if (HandleEditKey(event)) {
    event->accept();
    return;
  }
  QPlainTextEdit::keyPressEvent(event);
}

void TextEditWidget::inputMethodEvent(QInputMethodEvent* event) {
  if (!event->commitString().isEmpty() && event->preeditString().isEmpty() && event->replacementLength() == 0) {
    InsertText(this, event->commitString(), Source::Typed);
    event->accept();
    return;
  }
  QPlainTextEdit::inputMethodEvent(event);
}

void TextEditWidget::contextMenuEvent(QContextMenuEvent* event) { ShowEditMenu(this, this, event->globalPos()); }

void TextEditWidget::focusInEvent(QFocusEvent* event) {
  QPlainTextEdit::focusInEvent(event);
  if (event->reason() != Qt::PopupFocusReason) Notify(this, EN_SETFOCUS);
}

void TextEditWidget::focusOutEvent(QFocusEvent* event) {
  QPlainTextEdit::focusOutEvent(event);
  if (event->reason() != Qt::PopupFocusReason) Notify(this, EN_KILLFOCUS);
}

}  // namespace ctl
}  // namespace platform

using platform::ctl::EditCore;
using platform::ctl::EditCoreOf;

namespace {
// Line starts (Qt positions) of a Qt text.
std::vector<int> LineStarts(const QString& qt) {
  std::vector<int> starts{0};
  for (int i = 0; i < qt.size(); ++i) {
    if (qt[i] == QChar('\n')) starts.push_back(i + 1);
  }
  return starts;
}

int LineOfQtPos(const std::vector<int>& starts, int qtPos) {
  int line = 0;
  for (size_t i = 0; i < starts.size(); ++i) {
    if (starts[i] <= qtPos) line = static_cast<int>(i);
  }
  return line;
}

int LineLengthQt(const QString& qt, const std::vector<int>& starts, int line) {
  int begin = starts[static_cast<size_t>(line)];
  int end = static_cast<size_t>(line) + 1 < starts.size() ? starts[static_cast<size_t>(line) + 1] - 1
                                                          : static_cast<int>(qt.size());
  return end - begin;
}
}  // namespace

BOOL CEdit::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
  return CWnd::Create(L"EDIT", L"", dwStyle, rect, pParentWnd, nID);
}

DWORD CEdit::GetSel() const {
  int s = 0;
  int e = 0;
  GetSel(s, e);
  return static_cast<DWORD>(MAKELONG(s, e));
}

void CEdit::GetSel(int& nStartChar, int& nEndChar) const {
  nStartChar = nEndChar = 0;
  EditCore* c = EditCoreOf(GetWidget());
  if (c == nullptr) return;
  QString qt = c->QtText();
  int s = 0;
  int e = 0;
  c->QtSel(s, e);
  nStartChar = c->QtToWin(qt, s);
  nEndChar = c->QtToWin(qt, e);
}

void CEdit::SetSel(DWORD dwSelection, BOOL bNoScroll) {
  SetSel(static_cast<int>(LOWORD(dwSelection)), static_cast<int>(HIWORD(dwSelection)), bNoScroll);
}

void CEdit::SetSel(int nStartChar, int nEndChar, BOOL bNoScroll) {
  EditCore* c = EditCoreOf(GetWidget());
  if (c == nullptr) return;
  QString qt = c->QtText();
  int length = c->WinLength(qt);
  if (nStartChar < 0) {
    // No selection, caret at the end: what appending to the text expects.
    c->SetQtSel(static_cast<int>(qt.size()), static_cast<int>(qt.size()), !bNoScroll);
    return;
  }
  if (nEndChar < 0) nEndChar = length;
  nStartChar = std::min(nStartChar, length);
  nEndChar = std::min(nEndChar, length);
  c->SetQtSel(c->WinToQt(qt, nStartChar), c->WinToQt(qt, nEndChar), !bNoScroll);
}

void CEdit::ReplaceSel(const CString& text, BOOL bCanUndo) {
  (void)bCanUndo;
  EditCore* c = EditCoreOf(GetWidget());
  if (c != nullptr) c->InsertUserText(text.q(), false);
}

void CEdit::LimitText(int nChars) { SetLimitText(nChars > 0 ? static_cast<UINT>(nChars) : 0); }

void CEdit::SetLimitText(UINT nMax) {
  EditCore* c = EditCoreOf(GetWidget());
  if (c == nullptr) return;
  if (nMax == 0) nMax = c->Multiline() ? platform::ctl::kLargestMultiLineLimit : platform::ctl::kLargestSingleLineLimit;
  if (!c->Multiline()) nMax = std::min(nMax, platform::ctl::kLargestSingleLineLimit);
  c->limit = nMax;
}

UINT CEdit::GetLimitText() const {
  EditCore* c = EditCoreOf(GetWidget());
  return c != nullptr ? c->limit : 0;
}

int CEdit::GetLineCount() const {
  EditCore* c = EditCoreOf(GetWidget());
  if (c == nullptr) return 0;
  if (!c->Multiline()) return 1;
  return static_cast<int>(c->QtText().count(QChar('\n'))) + 1;
}

int CEdit::GetLine(int nIndex, CString& text) const {
  text.Empty();
  EditCore* c = EditCoreOf(GetWidget());
  if (c == nullptr || nIndex < 0) return 0;
  QString qt = c->QtText();
  if (!c->Multiline()) {
    if (nIndex == 0) text = CString(qt);
    return text.GetLength();
  }
  std::vector<int> starts = LineStarts(qt);
  if (static_cast<size_t>(nIndex) >= starts.size()) return 0;
  text = CString(qt.mid(starts[static_cast<size_t>(nIndex)], LineLengthQt(qt, starts, nIndex)));
  return text.GetLength();
}

int CEdit::LineIndex(int nLine) const {
  EditCore* c = EditCoreOf(GetWidget());
  if (c == nullptr) return -1;
  QString qt = c->QtText();
  if (!c->Multiline()) return nLine <= 0 ? 0 : -1;
  std::vector<int> starts = LineStarts(qt);
  if (nLine < 0) {
    int s = 0;
    int e = 0;
    c->QtSel(s, e);
    nLine = LineOfQtPos(starts, e);
  }
  if (static_cast<size_t>(nLine) >= starts.size()) return -1;
  return c->QtToWin(qt, starts[static_cast<size_t>(nLine)]);
}

int CEdit::LineLength(int nLine) const {
  EditCore* c = EditCoreOf(GetWidget());
  if (c == nullptr) return 0;
  QString qt = c->QtText();
  if (!c->Multiline()) {
    if (nLine >= 0) return static_cast<int>(qt.size());
    int s = 0;
    int e = 0;
    c->QtSel(s, e);
    return static_cast<int>(qt.size()) - (e - s);
  }
  std::vector<int> starts = LineStarts(qt);
  if (nLine >= 0) {
    // The argument is a character position; the answer is the length of its line.
    int line = LineOfQtPos(starts, c->WinToQt(qt, nLine));
    return LineLengthQt(qt, starts, line);
  }
  // The unselected characters on the lines the selection touches.
  int s = 0;
  int e = 0;
  c->QtSel(s, e);
  int first = LineOfQtPos(starts, s);
  int last = LineOfQtPos(starts, e);
  int before = s - starts[static_cast<size_t>(first)];
  int after = starts[static_cast<size_t>(last)] + LineLengthQt(qt, starts, last) - e;
  return before + std::max(0, after);
}

int CEdit::LineFromChar(int nIndex) const {
  EditCore* c = EditCoreOf(GetWidget());
  if (c == nullptr) return 0;
  if (!c->Multiline()) return 0;
  QString qt = c->QtText();
  int q = 0;
  if (nIndex < 0) {
    int e = 0;
    c->QtSel(q, e);
  } else {
    q = c->WinToQt(qt, nIndex);
  }
  return LineOfQtPos(LineStarts(qt), q);
}

void CEdit::LineScroll(int nLines, int nChars) {
  if (EditCore* c = EditCoreOf(GetWidget())) c->ScrollBy(nLines, nChars);
}

int CEdit::GetFirstVisibleLine() const {
  EditCore* c = EditCoreOf(GetWidget());
  return c != nullptr ? c->FirstVisibleLine() : 0;
}

BOOL CEdit::GetModify() const {
  EditCore* c = EditCoreOf(GetWidget());
  return c != nullptr && c->Modified() ? TRUE : FALSE;
}

void CEdit::SetModify(BOOL bModified) {
  if (EditCore* c = EditCoreOf(GetWidget())) c->SetModified(bModified != FALSE);
}

BOOL CEdit::SetReadOnly(BOOL bReadOnly) {
  EditCore* c = EditCoreOf(GetWidget());
  if (c == nullptr) return FALSE;
  c->SetReadOnlyState(bReadOnly != FALSE);
  if (bReadOnly) ModifyStyle(0, ES_READONLY);
  else ModifyStyle(ES_READONLY, 0);
  return TRUE;
}

void CEdit::SetPasswordChar(TCHAR ch) {
  EditCore* c = EditCoreOf(GetWidget());
  if (c == nullptr || c->Multiline()) return;
  c->passwordChar = ch;
  c->ApplyPasswordChar(ch);
  if (ch != 0) ModifyStyle(0, ES_PASSWORD);
  else ModifyStyle(ES_PASSWORD, 0);
}

TCHAR CEdit::GetPasswordChar() const {
  EditCore* c = EditCoreOf(GetWidget());
  return c != nullptr ? c->passwordChar : 0;
}

BOOL CEdit::CanUndo() const {
  EditCore* c = EditCoreOf(GetWidget());
  return c != nullptr && c->UndoAvailable() ? TRUE : FALSE;
}

void CEdit::EmptyUndoBuffer() {
  if (EditCore* c = EditCoreOf(GetWidget())) c->ClearUndo();
}

void CEdit::Clear() { if (GetWidget() != nullptr) SendMessage(WM_CLEAR); }
void CEdit::Copy() { if (GetWidget() != nullptr) SendMessage(WM_COPY); }
void CEdit::Cut() { if (GetWidget() != nullptr) SendMessage(WM_CUT); }
void CEdit::Paste() { if (GetWidget() != nullptr) SendMessage(WM_PASTE); }
BOOL CEdit::Undo() { return GetWidget() != nullptr ? static_cast<BOOL>(SendMessage(WM_UNDO)) : FALSE; }

LRESULT CEdit::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  EditCore* c = EditCoreOf(GetWidget());
  if (c == nullptr) return CWnd::DefWindowProc(message, wParam, lParam);
  switch (message) {
    case WM_CREATE:
      c->creating = false;
      return 0;
    case WM_PASTE: c->DoPaste(); return 0;
    case WM_COPY: c->DoCopy(); return 0;
    case WM_CUT: c->DoCut(); return 0;
    case WM_CLEAR: c->DoClear(); return 0;
    case WM_UNDO:
    case EM_UNDO:
      if (c->IsReadOnly() || !c->UndoAvailable()) return FALSE;
      c->DoUndo();
      return TRUE;
    case EM_GETSEL: {
      int s = 0;
      int e = 0;
      GetSel(s, e);
      if (wParam != 0) *reinterpret_cast<DWORD*>(wParam) = static_cast<DWORD>(s);
      if (lParam != 0) *reinterpret_cast<DWORD*>(lParam) = static_cast<DWORD>(e);
      return static_cast<LRESULT>(static_cast<DWORD>(MAKELONG(s, e)));
    }
    case EM_SETSEL: SetSel(static_cast<int>(wParam), static_cast<int>(lParam)); return 0;
    case EM_SCROLLCARET: {
      int s = 0;
      int e = 0;
      c->QtSel(s, e);
      c->SetQtSel(s, e, true);
      return TRUE;
    }
    case EM_REPLACESEL:
      if (lParam != 0) ReplaceSel(*reinterpret_cast<const CString*>(lParam), static_cast<BOOL>(wParam));
      return 0;
    case EM_LIMITTEXT: SetLimitText(static_cast<UINT>(wParam)); return 0;
    case EM_GETLIMITTEXT: return static_cast<LRESULT>(GetLimitText());
    case EM_GETLINECOUNT: return GetLineCount();
    case EM_LINEINDEX: return LineIndex(static_cast<int>(wParam));
    case EM_LINELENGTH: return LineLength(static_cast<int>(wParam));
    case EM_LINEFROMCHAR: return LineFromChar(static_cast<int>(wParam));
    case EM_LINESCROLL: LineScroll(static_cast<int>(lParam), static_cast<int>(wParam)); return TRUE;
    case EM_GETFIRSTVISIBLELINE: return GetFirstVisibleLine();
    case EM_GETMODIFY: return GetModify();
    case EM_SETMODIFY: SetModify(static_cast<BOOL>(wParam)); return 0;
    case EM_SETREADONLY: return SetReadOnly(static_cast<BOOL>(wParam));
    case EM_SETPASSWORDCHAR: SetPasswordChar(static_cast<TCHAR>(wParam)); return 0;
    case EM_GETPASSWORDCHAR: return static_cast<LRESULT>(GetPasswordChar());
    case EM_CANUNDO: return CanUndo();
    case EM_EMPTYUNDOBUFFER: EmptyUndoBuffer(); return 0;
    default:
      return CWnd::DefWindowProc(message, wParam, lParam);
  }
}
