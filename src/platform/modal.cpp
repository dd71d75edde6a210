// The modal service, message boxes and the file dialog.
#include "platform/modal.h"

#include <QAbstractButton>
#include <algorithm>
#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QPointer>
#include <QThread>
#include <QWidget>

#include "platform/files.h"
#include "platform/trace.h"
#include "platform/winapp.h"
#include "platform/wndinternal.h"

namespace platform {

// ---- the service ----------------------------------------------------------------------------

ModalService& ModalService::Instance() {
  static auto* service = new ModalService();
  return *service;
}

void ModalService::InstallScript() {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_scripted = true;
  m_queue.clear();
  m_records.clear();
}

void ModalService::UninstallScript() {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_scripted = false;
  m_queue.clear();
  m_records.clear();
  m_unexpected = nullptr;
}

bool ModalService::IsScripted() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_scripted;
}

void ModalService::ExpectMessageBox(int result, std::function<void()> whileOpen) {
  ModalAnswer a;
  a.kind = ModalAnswer::Kind::MessageBox;
  a.result = result;
  a.whileOpen = std::move(whileOpen);
  std::lock_guard<std::mutex> lock(m_mutex);
  m_queue.push_back(std::move(a));
}

void ModalService::ExpectFileDialog(const CString& pathOrEmpty, std::function<void()> whileOpen) {
  ModalAnswer a;
  a.kind = ModalAnswer::Kind::FileDialog;
  a.path = pathOrEmpty;
  a.whileOpen = std::move(whileOpen);
  std::lock_guard<std::mutex> lock(m_mutex);
  m_queue.push_back(std::move(a));
}

void ModalService::ExpectDialog(std::function<INT_PTR(CDialog&)> fn, UINT templateId) {
  ModalAnswer a;
  a.kind = ModalAnswer::Kind::Dialog;
  a.dialog = std::move(fn);
  a.templateId = templateId;
  std::lock_guard<std::mutex> lock(m_mutex);
  m_queue.push_back(std::move(a));
}

void ModalService::ExpectMenu(UINT commandOrZero) {
  ModalAnswer a;
  a.kind = ModalAnswer::Kind::Menu;
  a.command = commandOrZero;
  std::lock_guard<std::mutex> lock(m_mutex);
  m_queue.push_back(std::move(a));
}

void ModalService::SetUnexpectedHandler(std::function<void(const ModalRecord&)> handler) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_unexpected = std::move(handler);
}

std::vector<ModalRecord> ModalService::Records() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_records;
}

void ModalService::ClearRecords() {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_records.clear();
}

size_t ModalService::PendingAnswers() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_queue.size();
}

namespace {
bool AnswerFits(const ModalAnswer& a, const ModalRecord& r) {
  switch (r.kind) {
    case ModalKind::MessageBox:
      return a.kind == ModalAnswer::Kind::MessageBox;
    case ModalKind::FileOpen:
    case ModalKind::FileSave:
      return a.kind == ModalAnswer::Kind::FileDialog;
    case ModalKind::Dialog:
      return a.kind == ModalAnswer::Kind::Dialog && (a.templateId == 0 || a.templateId == r.templateId);
    case ModalKind::PopupMenu:
      return a.kind == ModalAnswer::Kind::Menu;
  }
  return false;
}
}  // namespace

ModalRoute ModalService::Route(const ModalRecord& record, ModalAnswer* answer) {
  std::function<void(const ModalRecord&)> handler;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_scripted) return ModalRoute::Real;
    m_records.push_back(record);
    if (!m_queue.empty() && AnswerFits(m_queue.front(), record)) {
      if (answer != nullptr) *answer = std::move(m_queue.front());
      m_queue.pop_front();
      return ModalRoute::Scripted;
    }
    handler = m_unexpected;
  }
  if (handler) handler(record);
  else Trace(CString(L"unexpected modal request: ") + DescribeModalRecord(record));
  return ModalRoute::Unexpected;
}

void ModalService::ReportUnexpected(const ModalRecord& record) {
  std::function<void(const ModalRecord&)> handler;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    handler = m_unexpected;
  }
  if (handler) handler(record);
  else Trace(CString(L"unexpected modal answer: ") + DescribeModalRecord(record));
}

CString DescribeModalRecord(const ModalRecord& r) {
  CString s;
  switch (r.kind) {
    case ModalKind::MessageBox:
      s.Format(L"message box \"%s\" (caption \"%s\", type 0x%X)", r.text, r.title, r.flags);
      break;
    case ModalKind::FileOpen:
    case ModalKind::FileSave:
      s.Format(L"%s file dialog (filter \"%s\", name \"%s\", extension \"%s\", flags 0x%X)",
               r.kind == ModalKind::FileOpen ? L"open" : L"save", r.filter, r.defaultName, r.defaultExt, r.flags);
      break;
    case ModalKind::Dialog:
      s.Format(L"dialog %u \"%s\"", r.templateId, r.title);
      break;
    case ModalKind::PopupMenu: {
      s.Format(L"popup menu at %d,%d (flags 0x%X):", static_cast<int>(r.point.x), static_cast<int>(r.point.y), r.flags);
      std::function<void(const std::vector<MenuTemplateItem>&, int)> list =
          [&](const std::vector<MenuTemplateItem>& items, int depth) {
            for (const MenuTemplateItem& item : items) {
              CString line;
              if (item.flags & MF_SEPARATOR) line = L"-";
              else line.Format(L"\"%s\" %u", item.text, item.id);
              s += CString(L" ") + CString(L'>', depth) + line;
              list(item.popup, depth + 1);
            }
          };
      list(r.menuItems, 0);
      break;
    }
  }
  return s;
}

// ---- message boxes --------------------------------------------------------------------------

std::vector<int> MessageBoxButtons(UINT type) {
  switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL: return {IDOK, IDCANCEL};
    case MB_ABORTRETRYIGNORE: return {IDABORT, IDRETRY, IDIGNORE};
    case MB_YESNOCANCEL: return {IDYES, IDNO, IDCANCEL};
    case MB_YESNO: return {IDYES, IDNO};
    case MB_RETRYCANCEL: return {IDRETRY, IDCANCEL};
    case MB_CANCELTRYCONTINUE: return {IDCANCEL, IDTRYAGAIN, IDCONTINUE};
    default: return {IDOK};
  }
}

int MessageBoxDefaultResult(UINT type) {
  std::vector<int> buttons = MessageBoxButtons(type);
  size_t index = (type & MB_DEFMASK) >> 8;
  return index < buttons.size() ? buttons[index] : buttons.front();
}

int MessageBoxEscapeResult(UINT type) {
  std::vector<int> buttons = MessageBoxButtons(type);
  for (int b : buttons) {
    if (b == IDCANCEL) return IDCANCEL;
  }
  for (int b : buttons) {
    if (b == IDNO || b == IDABORT) return b;
  }
  return buttons.front();
}

namespace {

QString ButtonText(int result) {
  switch (result) {
    case IDOK: return QStringLiteral("OK");
    case IDCANCEL: return QStringLiteral("Cancel");
    case IDABORT: return QStringLiteral("&Abort");
    case IDRETRY: return QStringLiteral("&Retry");
    case IDIGNORE: return QStringLiteral("&Ignore");
    case IDYES: return QStringLiteral("&Yes");
    case IDNO: return QStringLiteral("&No");
    case IDTRYAGAIN: return QStringLiteral("&Try Again");
    case IDCONTINUE: return QStringLiteral("&Continue");
    default: return QString::number(result);
  }
}

QMessageBox::ButtonRole ButtonRole(int result) {
  switch (result) {
    case IDOK: case IDYES: case IDRETRY: case IDTRYAGAIN: case IDCONTINUE: return QMessageBox::AcceptRole;
    case IDNO: return QMessageBox::NoRole;
    case IDCANCEL: case IDABORT: return QMessageBox::RejectRole;
    default: return QMessageBox::ActionRole;
  }
}

// The widget a modal window of the layer is shown over.
QWidget* OwnerWidget(CWnd* owner) {
  if (owner != nullptr && owner->GetWidget() != nullptr) return owner->GetWidget()->window();
  if (QWidget* modal = QApplication::activeModalWidget()) return modal;
  if (QWidget* active = QApplication::activeWindow()) return active;
  CWnd* main = AfxGetMainWnd();
  return main != nullptr && main->GetWidget() != nullptr ? main->GetWidget()->window() : nullptr;
}

// Runs fn on the GUI thread and waits for it (fn runs directly on the GUI thread).
template <typename Fn>
void RunOnGuiThread(Fn fn) {
  QCoreApplication* app = QCoreApplication::instance();
  if (app == nullptr || QThread::currentThread() == app->thread()) {
    fn();
    return;
  }
  QMetaObject::invokeMethod(app, fn, Qt::BlockingQueuedConnection);
}

// The real boxes open now, with the window they were shown for. A box lives on the heap under a
// guard: Qt deletes it with its parent window, and a box whose owner is destroyed is ended, so the
// run returns the cancel answer either way.
struct OpenBox {
  HWND owner;
  QPointer<QDialog> box;
  bool ownerGone;
};

std::vector<OpenBox*>& OpenBoxes() {
  static auto* boxes = new std::vector<OpenBox*>();
  return *boxes;
}

// Runs a heap box modally while it is listed under its owner; false when the box was deleted or
// its owner destroyed meanwhile (the box is then deleted here if it still exists).
bool RunOwnedBox(HWND owner, QDialog* dialog) {
  OpenBox entry{owner, dialog, false};
  OpenBoxes().push_back(&entry);
  dialog->exec();
  auto& boxes = OpenBoxes();
  boxes.erase(std::remove(boxes.begin(), boxes.end(), &entry), boxes.end());
  return !entry.box.isNull() && !entry.ownerGone;
}

int RealMessageBox(CWnd* owner, const CString& text, const CString& caption, UINT type) {
  if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) {
    Trace(CString(L"message box without a display: ") + text);
    return MessageBoxEscapeResult(type);
  }
  int result = MessageBoxEscapeResult(type);
  HWND ownerHandle = owner != nullptr ? owner->m_hWnd : nullptr;
  RunOnGuiThread([&] {
    CWnd* liveOwner = CWnd::FromHandle(ownerHandle);
    QPointer<QMessageBox> guard(new QMessageBox(OwnerWidget(liveOwner)));
    QMessageBox& box = *guard;
    box.setWindowTitle(caption.q());
    box.setText(text.q());
    box.setTextFormat(Qt::PlainText);
    switch (type & MB_ICONMASK) {
      case MB_ICONHAND: box.setIcon(QMessageBox::Critical); break;
      case MB_ICONQUESTION: box.setIcon(QMessageBox::Question); break;
      case MB_ICONEXCLAMATION: box.setIcon(QMessageBox::Warning); break;
      case MB_ICONASTERISK: box.setIcon(QMessageBox::Information); break;
      default: box.setIcon(QMessageBox::NoIcon); break;
    }
    std::vector<std::pair<QAbstractButton*, int>> buttons;
    const int defResult = MessageBoxDefaultResult(type);
    const int escResult = MessageBoxEscapeResult(type);
    for (int id : MessageBoxButtons(type)) {
      QAbstractButton* b = box.addButton(ButtonText(id), ButtonRole(id));
      b->setProperty("platformResult", id);
      buttons.emplace_back(b, id);
      if (id == defResult) box.setDefaultButton(qobject_cast<QPushButton*>(b));
      if (id == escResult) box.setEscapeButton(b);
    }
    box.setWindowModality(Qt::ApplicationModal);
    result = escResult;
    if (!RunOwnedBox(ownerHandle, guard)) {
      delete guard;
      return;
    }
    QAbstractButton* clicked = box.clickedButton();
    for (const auto& [button, id] : buttons) {
      if (button == clicked) result = id;
    }
    delete guard;
  });
  return result;
}

}  // namespace

int ShowMessageBox(CWnd* owner, const CString& text, const CString& caption, UINT type) {
  ModalRecord record;
  record.kind = ModalKind::MessageBox;
  record.title = caption;
  record.text = text;
  record.flags = type;
  ModalAnswer answer;
  switch (ModalService::Instance().Route(record, &answer)) {
    case ModalRoute::Scripted:
      if (answer.whileOpen) answer.whileOpen();
      return answer.result;
    case ModalRoute::Unexpected: return IDCANCEL;
    case ModalRoute::Real: break;
  }
  return RealMessageBox(owner, text, caption, type);
}

int WndMessageBox(CWnd* wnd, const CString& text, const CString& caption, UINT type) {
  return ShowMessageBox(wnd, text, caption.IsEmpty() ? CString(AfxGetAppName()) : caption, type);
}

// ---- file dialogs ---------------------------------------------------------------------------

namespace {
// The patterns of one filter entry, split at ';' (and ',' or blanks inside a name's
// parentheses), trimmed, "*.*" as "*".
QStringList SplitPatterns(const QString& text, bool commasToo) {
  QString t = text;
  t.replace(QLatin1Char(';'), QLatin1Char(' '));
  if (commasToo) t.replace(QLatin1Char(','), QLatin1Char(' '));
  QStringList out;
  for (const QString& part : t.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
    QString p = part.trimmed();
    if (p.isEmpty()) continue;
    if (p == QLatin1String("*.*")) p = QStringLiteral("*");
    out << p;
  }
  return out;
}
}  // namespace

CString ConvertFileFilter(const CString& filter) {
  QStringList parts = filter.q().split(QLatin1Char('|'));
  QStringList entries;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    QString name = parts[i].trimmed();
    QStringList patterns = SplitPatterns(parts[i + 1], false);
    if (patterns.isEmpty()) continue;
    QString list = patterns.join(QLatin1Char(' '));
    if (name.isEmpty()) name = list;
    // A name ending with its own pattern list in parentheses keeps it (in Qt's form).
    if (name.endsWith(QLatin1Char(')'))) {
      int open = name.lastIndexOf(QLatin1Char('('));
      if (open >= 0 && SplitPatterns(name.mid(open + 1, name.size() - open - 2), true) == patterns) {
        name = name.left(open).trimmed();
      }
    }
    entries << QStringLiteral("%1 (%2)").arg(name, list);
  }
  return CString(entries.join(QStringLiteral(";;")));
}

CString ApplyDefaultExtension(const CString& path, const CString& defExt) {
  QString ext = defExt.q().trimmed();
  while (ext.startsWith(QLatin1Char('.'))) ext.remove(0, 1);
  if (path.IsEmpty() || ext.isEmpty()) return path;
  const QString& p = path.q();
  int slash = p.lastIndexOf(QLatin1Char('/'));
  QString name = p.mid(slash + 1);
  if (name.isEmpty() || name.contains(QLatin1Char('.'))) return path;
  return CString(p + QLatin1Char('.') + ext);
}

}  // namespace platform

// ---- global message-box functions -----------------------------------------------------------

int AfxMessageBox(const CString& text, UINT type, UINT helpId) {
  (void)helpId;
  return platform::ShowMessageBox(nullptr, text, CString(AfxGetAppName()), type);
}

int AfxMessageBox(UINT textId, UINT type, UINT helpId) {
  CString text;
  text.LoadString(textId);
  return AfxMessageBox(text, type, helpId);
}

int MessageBox(HWND hWnd, const CString& text, const CString& caption, UINT type) {
  return platform::ShowMessageBox(CWnd::FromHandle(hWnd), text, caption.IsEmpty() ? CString(L"Error") : caption, type);
}

// ---- CFileDialog ----------------------------------------------------------------------------

CFileDialog::CFileDialog(BOOL bOpenFileDialog, const wchar_t* lpszDefExt, const wchar_t* lpszFileName, DWORD dwFlags,
                         const wchar_t* lpszFilter, CWnd* pParentWnd, DWORD dwSize, BOOL bVistaStyle)
    : m_bOpenFileDialog(bOpenFileDialog), m_pParentWnd(pParentWnd) {
  (void)dwSize;
  (void)bVistaStyle;
  m_ofn.Flags = dwFlags;
  m_ofn.lpstrDefExt = CString(lpszDefExt);
  m_ofn.lpstrFile = CString(lpszFileName);
  m_ofn.lpstrFilter = CString(lpszFilter);
}

INT_PTR CFileDialog::DoModal() {
  using namespace platform;
  const CString qtFilter = ConvertFileFilter(m_ofn.lpstrFilter);
  ModalRecord record;
  record.kind = m_bOpenFileDialog ? ModalKind::FileOpen : ModalKind::FileSave;
  record.title = m_ofn.lpstrTitle;
  record.flags = m_ofn.Flags;
  record.filter = qtFilter;
  record.defaultName = m_ofn.lpstrFile;
  record.defaultExt = m_ofn.lpstrDefExt;
  record.initialDir = m_ofn.lpstrInitialDir;
  ModalAnswer answer;
  CString chosen;
  int filterIndex = static_cast<int>(m_ofn.nFilterIndex);
  switch (ModalService::Instance().Route(record, &answer)) {
    case ModalRoute::Unexpected:
      return IDCANCEL;
    case ModalRoute::Scripted:
      if (answer.whileOpen) answer.whileOpen();
      chosen = answer.path;
      break;
    case ModalRoute::Real: {
      if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) return IDCANCEL;
      HWND parentHandle = m_pParentWnd != nullptr ? m_pParentWnd->m_hWnd : nullptr;
      const bool open = m_bOpenFileDialog != FALSE;
      RunOnGuiThread([&] {
        QPointer<QFileDialog> guard(new QFileDialog(OwnerWidget(CWnd::FromHandle(parentHandle))));
        QFileDialog& dlg = *guard;
        dlg.setAcceptMode(open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
        if (open) {
          dlg.setFileMode((m_ofn.Flags & OFN_FILEMUSTEXIST) ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
        }
        if (!open && !(m_ofn.Flags & OFN_OVERWRITEPROMPT)) dlg.setOption(QFileDialog::DontConfirmOverwrite, true);
        if (!m_ofn.lpstrTitle.IsEmpty()) dlg.setWindowTitle(m_ofn.lpstrTitle.q());
        QStringList filters = qtFilter.q().split(QStringLiteral(";;"), Qt::SkipEmptyParts);
        if (!filters.isEmpty()) {
          dlg.setNameFilters(filters);
          if (filterIndex >= 1 && filterIndex <= filters.size()) dlg.selectNameFilter(filters[filterIndex - 1]);
        }
        QString ext = m_ofn.lpstrDefExt.q();
        while (ext.startsWith(QLatin1Char('.'))) ext.remove(0, 1);
        if (!ext.isEmpty()) dlg.setDefaultSuffix(ext);
        if (!m_ofn.lpstrInitialDir.IsEmpty()) dlg.setDirectory(NativePath(m_ofn.lpstrInitialDir).q());
        if (!m_ofn.lpstrFile.IsEmpty()) dlg.selectFile(NativePath(m_ofn.lpstrFile).q());
        dlg.setWindowModality(Qt::ApplicationModal);
        if (!RunOwnedBox(parentHandle, guard)) {
          delete guard;
          return;
        }
        if (dlg.result() == QDialog::Accepted && !dlg.selectedFiles().isEmpty()) {
          chosen = CString(dlg.selectedFiles().front());
          int index = filters.indexOf(dlg.selectedNameFilter());
          if (index >= 0) filterIndex = index + 1;
        }
        delete guard;
      });
      break;
    }
  }
  if (chosen.IsEmpty()) return IDCANCEL;
  m_ofn.lpstrFile = ApplyDefaultExtension(chosen, m_ofn.lpstrDefExt);
  m_ofn.nFilterIndex = static_cast<DWORD>(filterIndex);
  return IDOK;
}

CString CFileDialog::GetPathName() const { return m_ofn.lpstrFile; }

CString CFileDialog::GetFileName() const {
  const QString& p = m_ofn.lpstrFile.q();
  return CString(p.mid(p.lastIndexOf(QLatin1Char('/')) + 1));
}

CString CFileDialog::GetFileExt() const {
  QString name = GetFileName().q();
  int dot = name.lastIndexOf(QLatin1Char('.'));
  return dot < 0 ? CString() : CString(name.mid(dot + 1));
}

CString CFileDialog::GetFileTitle() const {
  QString name = GetFileName().q();
  int dot = name.lastIndexOf(QLatin1Char('.'));
  return dot < 0 ? CString(name) : CString(name.left(dot));
}

CString CFileDialog::GetFolderPath() const {
  const QString& p = m_ofn.lpstrFile.q();
  int slash = p.lastIndexOf(QLatin1Char('/'));
  if (slash < 0) return CString();
  if (slash == 0) return CString(L"/");
  return CString(p.left(slash));
}

namespace platform {

void EndModalBoxesOwnedBy(HWND hWnd) {
  if (hWnd == nullptr) return;
  for (OpenBox* entry : OpenBoxes()) {
    if (entry->owner != hWnd || entry->ownerGone) continue;
    entry->ownerGone = true;
    if (!entry->box.isNull()) entry->box->reject();
  }
}

}  // namespace platform
