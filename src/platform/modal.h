// The modal service: the one door through which every modal element of the user interface passes
// (message boxes, file dialogs, modal dialogs, popup menus). It shows the real Qt interface, or,
// while a test has installed a script, records each request and answers it from a queue without
// showing anything. Also the message-box functions and the file dialog class built on it.
#pragma once

#include <deque>
#include <functional>
#include <mutex>
#include <vector>

#include "platform/cstring.h"
#include "platform/menu.h"
#include "platform/wnd.h"

class CDialog;

// Message-box types: buttons, icon, default button, modality.
#define MB_OK 0x00000000u
#define MB_OKCANCEL 0x00000001u
#define MB_ABORTRETRYIGNORE 0x00000002u
#define MB_YESNOCANCEL 0x00000003u
#define MB_YESNO 0x00000004u
#define MB_RETRYCANCEL 0x00000005u
#define MB_CANCELTRYCONTINUE 0x00000006u
#define MB_ICONHAND 0x00000010u
#define MB_ICONERROR MB_ICONHAND
#define MB_ICONSTOP MB_ICONHAND
#define MB_ICONQUESTION 0x00000020u
#define MB_ICONEXCLAMATION 0x00000030u
#define MB_ICONWARNING MB_ICONEXCLAMATION
#define MB_ICONASTERISK 0x00000040u
#define MB_ICONINFORMATION MB_ICONASTERISK
#define MB_DEFBUTTON1 0x00000000u
#define MB_DEFBUTTON2 0x00000100u
#define MB_DEFBUTTON3 0x00000200u
#define MB_DEFBUTTON4 0x00000300u
#define MB_APPLMODAL 0x00000000u
#define MB_SYSTEMMODAL 0x00001000u
#define MB_TASKMODAL 0x00002000u
#define MB_SETFOREGROUND 0x00010000u
#define MB_TOPMOST 0x00040000u
#define MB_TYPEMASK 0x0000000Fu
#define MB_ICONMASK 0x000000F0u
#define MB_DEFMASK 0x00000F00u
#ifndef IDTRYAGAIN
#define IDTRYAGAIN 10
#endif
#ifndef IDCONTINUE
#define IDCONTINUE 11
#endif

// File-dialog flags.
#define OFN_READONLY 0x00000001u
#define OFN_OVERWRITEPROMPT 0x00000002u
#define OFN_HIDEREADONLY 0x00000004u
#define OFN_NOCHANGEDIR 0x00000008u
#define OFN_SHOWHELP 0x00000010u
#define OFN_NOVALIDATE 0x00000100u
#define OFN_ALLOWMULTISELECT 0x00000200u
#define OFN_EXTENSIONDIFFERENT 0x00000400u
#define OFN_PATHMUSTEXIST 0x00000800u
#define OFN_FILEMUSTEXIST 0x00001000u
#define OFN_CREATEPROMPT 0x00002000u
#define OFN_NOREADONLYRETURN 0x00008000u
#define OFN_NOTESTFILECREATE 0x00010000u
#define OFN_EXPLORER 0x00080000u
#define OFN_ENABLESIZING 0x00800000u
#define OFN_DONTADDTORECENT 0x02000000u
#define OFN_FORCESHOWHIDDEN 0x10000000u

namespace platform {

enum class ModalKind { MessageBox, FileOpen, FileSave, Dialog, PopupMenu };

// What a modal request would have shown.
struct ModalRecord {
  ModalKind kind = ModalKind::MessageBox;
  CString title;        // message-box caption, file-dialog title, dialog caption
  CString text;         // message-box text
  UINT flags = 0;       // MB_ flags, OFN_ flags or TPM_ flags
  UINT templateId = 0;  // dialog template of a modal dialog
  CString filter;       // file-dialog filter, already in Qt's form ("Name (*.a *.b);;All (*)")
  CString defaultName;  // file dialog's initial file name
  CString defaultExt;   // file dialog's default extension (without the dot)
  CString initialDir;   // file dialog's initial folder
  POINT point{0, 0};    // popup menu's screen position
  std::vector<MenuTemplateItem> menuItems;  // popup menu's items, nested popups included
};

// One line of text naming a request (for test failure messages and traces).
CString DescribeModalRecord(const ModalRecord& record);

// A queued answer of a script (layer use; tests queue answers with the Expect* calls).
struct ModalAnswer {
  enum class Kind { MessageBox, FileDialog, Dialog, Menu } kind = Kind::MessageBox;
  int result = 0;                          // message box: IDOK, IDYES, ...
  CString path;                            // file dialog: the chosen path, empty for Cancel
  std::function<INT_PTR(CDialog&)> dialog;  // modal dialog: runs while it is open
  UINT templateId = 0;                     // modal dialog: the template it must be on (0: any)
  UINT command = 0;                        // popup menu: the chosen command, 0 for none
  std::function<void()> whileOpen;         // message box, file dialog: runs while it is open
};

// How a modal request is to be served.
enum class ModalRoute {
  Real,        // no script: show the real interface
  Scripted,    // answered from the script (the answer is filled in)
  Unexpected,  // a script is installed but has no fitting answer: answer "cancel" at once
};

class ModalService {
 public:
  static ModalService& Instance();

  // While a script is installed nothing real is shown. Installing starts with an empty queue and
  // no records; uninstalling drops what is left of both.
  void InstallScript();
  void UninstallScript();
  bool IsScripted() const;

  // Queue the answer of the next request of that kind, in order. whileOpen, when given, runs while
  // the box or dialog is open (before the answer is returned), as what the user or the program
  // does meanwhile.
  void ExpectMessageBox(int result, std::function<void()> whileOpen = {});
  // A path chooses that file (the default extension is added when the name has none); an empty
  // path cancels.
  void ExpectFileDialog(const CString& pathOrEmpty, std::function<void()> whileOpen = {});
  // Runs fn while the dialog is open (created, initialised and shown); its return value ends the
  // dialog as EndDialog would. When the dialog ended itself inside fn (its OK handler called
  // EndDialog, say), that code stands instead. templateId 0 accepts any dialog.
  void ExpectDialog(std::function<INT_PTR(CDialog&)> fn, UINT templateId = 0);
  // 0 dismisses the menu. A command that is not an enabled item of the menu is unexpected.
  void ExpectMenu(UINT commandOrZero);

  // Called (outside the service's lock) for every request a script cannot answer; the request is
  // then answered IDCANCEL / Cancel / no command at once. Without a handler the request is traced.
  void SetUnexpectedHandler(std::function<void(const ModalRecord&)> handler);

  // Every request made while the script was installed, in order.
  std::vector<ModalRecord> Records() const;
  void ClearRecords();
  size_t PendingAnswers() const;

  // Layer use: decides how a request is served. While scripted the request is recorded; when the
  // next queued answer fits it is taken into *answer (Scripted); otherwise the unexpected handler
  // runs (Unexpected) and the answer stays queued.
  ModalRoute Route(const ModalRecord& record, ModalAnswer* answer);
  // Layer use: reports a scripted answer that turned out not to fit (a menu command the menu
  // does not offer, for instance) to the unexpected handler.
  void ReportUnexpected(const ModalRecord& record);

 private:
  ModalService() = default;
  mutable std::mutex m_mutex;
  bool m_scripted = false;
  std::deque<ModalAnswer> m_queue;
  std::vector<ModalRecord> m_records;
  std::function<void(const ModalRecord&)> m_unexpected;
};

// The buttons of a message-box type (MB_OK ... MB_CANCELTRYCONTINUE; unknown types give OK) as
// the results they return, in the order they are shown.
std::vector<int> MessageBoxButtons(UINT type);
// The result of the button that MB_DEFBUTTONn makes the default (the first one when out of range).
int MessageBoxDefaultResult(UINT type);
// The result that closing the box without choosing gives (Cancel when there is one, else the
// button that declines: No, Abort, OK).
int MessageBoxEscapeResult(UINT type);

// The message box behind every form: owner may be null.
int ShowMessageBox(CWnd* owner, const CString& text, const CString& caption, UINT type);
// CWnd::MessageBox: an empty caption gives the application's name.
int WndMessageBox(CWnd* wnd, const CString& text, const CString& caption = CString(), UINT type = MB_OK);

// Converts a file filter of the form "Text Files (*.txt)|*.txt|All Files (*.*)|*.*||" into
// Qt's "Text Files (*.txt);;All Files (*)". Patterns separated by ';' become space-separated,
// "*.*" becomes "*", names and patterns are trimmed, entries without a pattern are dropped. A name
// that already ends with its pattern list in parentheses is not given a second list.
CString ConvertFileFilter(const CString& filter);
// Appends "." + defExt (a leading dot of defExt is ignored) when the file name of path has no
// extension (no '.' in its last component). Empty paths and empty extensions are left alone.
CString ApplyDefaultExtension(const CString& path, const CString& defExt);

}  // namespace platform

// The application's message box: the caption is the application's name.
int AfxMessageBox(const CString& text, UINT type = MB_OK, UINT helpId = 0);
// The text is the string-table entry textId (empty when there is none).
int AfxMessageBox(UINT textId, UINT type = MB_OK, UINT helpId = 0);
// The system message box; an empty caption gives "Error".
int MessageBox(HWND hWnd, const CString& text, const CString& caption, UINT type);

// The file dialog settings the program reads or sets before DoModal.
struct OPENFILENAME {
  DWORD lStructSize = sizeof(OPENFILENAME);
  DWORD Flags = 0;
  DWORD nFilterIndex = 0;     // 1-based; the chosen filter after DoModal
  CString lpstrInitialDir;
  CString lpstrTitle;
  CString lpstrDefExt;
  CString lpstrFilter;        // as given to the constructor ('|' form)
  CString lpstrFile;          // initial name; the chosen path after DoModal
};

class CFileDialog {
 public:
  explicit CFileDialog(BOOL bOpenFileDialog, const wchar_t* lpszDefExt = nullptr, const wchar_t* lpszFileName = nullptr,
                       DWORD dwFlags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, const wchar_t* lpszFilter = nullptr,
                       CWnd* pParentWnd = nullptr, DWORD dwSize = 0, BOOL bVistaStyle = TRUE);
  virtual ~CFileDialog() = default;
  CFileDialog(const CFileDialog&) = delete;
  CFileDialog& operator=(const CFileDialog&) = delete;

  // IDOK when a file was chosen, IDCANCEL otherwise.
  virtual INT_PTR DoModal();

  CString GetPathName() const;   // the full path
  CString GetFileName() const;   // the last component
  CString GetFileExt() const;    // the extension without the dot
  CString GetFileTitle() const;  // the file name without its extension
  CString GetFolderPath() const; // the folder of the path, without a trailing '/'

  OPENFILENAME m_ofn;

 private:
  BOOL m_bOpenFileDialog;
  CWnd* m_pParentWnd;
};
