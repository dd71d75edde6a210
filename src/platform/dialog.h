// Dialogs: templates kept as data (sizes in dialog units), CDialog / CDialogEx created from them
// as modal or modeless windows with their controls, and the data exchange (DDX_ / DDV_) between a
// dialog's members and its controls.
#pragma once

#include <exception>
#include <functional>
#include <utility>
#include <vector>

#include "platform/cstring.h"
#include "platform/wnd.h"

// Dialog styles.
#define DS_ABSALIGN 0x0001u
#define DS_SYSMODAL 0x0002u
#define DS_3DLOOK 0x0004u
#define DS_FIXEDSYS 0x0008u
#define DS_NOFAILCREATE 0x0010u
#define DS_LOCALEDIT 0x0020u
#define DS_SETFONT 0x0040u
#define DS_MODALFRAME 0x0080u
#define DS_NOIDLEMSG 0x0100u
#define DS_SETFOREGROUND 0x0200u
#define DS_CONTROL 0x0400u
#define DS_CENTER 0x0800u
#define DS_CENTERMOUSE 0x1000u
#define DS_CONTEXTHELP 0x2000u
#define DS_SHELLFONT (DS_SETFONT | DS_FIXEDSYS)

// GetDefID's high word when a default button is set.
#define DC_HASDEFID 0x534B
// wParam of WM_KICKIDLE from a dialog's modal loop.
#define MSGF_DIALOGBOX 0

namespace platform {

// One control of a dialog template. The style is the control's complete style as a compiled
// template holds it: WS_VISIBLE (and WS_TABSTOP, WS_GROUP, the class's own bits) must be given;
// WS_CHILD is added. initStrings are added to a combo box or list box after it is created (the
// strings a resource script lists for it).
struct DialogItemTemplate {
  DialogItemTemplate(CString className_ = CString(), CString text_ = CString(), UINT id_ = 0, int x_ = 0, int y_ = 0,
                     int cx_ = 0, int cy_ = 0, DWORD style_ = 0, DWORD exStyle_ = 0,
                     std::vector<CString> initStrings_ = {})
      : className(std::move(className_)), text(std::move(text_)), id(id_), x(x_), y(y_), cx(cx_), cy(cy_),
        style(style_), exStyle(exStyle_), initStrings(std::move(initStrings_)) {}
  CString className;  // "BUTTON", "EDIT", "STATIC", "COMBOBOX", ... (unknown: a plain window)
  CString text;
  UINT id;
  int x, y, cx, cy;  // dialog units, in the dialog's client area
  DWORD style, exStyle;
  std::vector<CString> initStrings;
};

// A dialog template. Position and size are those of the client area in dialog units; the
// position is relative to the owner's client area (to the screen without an owner) unless the
// style has DS_CENTER. WS_VISIBLE shows a modeless dialog once it is initialised; a modal dialog
// is always shown.
struct DialogTemplate {
  DialogTemplate(UINT id_ = 0, int x_ = 0, int y_ = 0, int cx_ = 0, int cy_ = 0, DWORD style_ = 0,
                 DWORD exStyle_ = 0, CString caption_ = CString(), CString fontFace_ = CString(),
                 int fontPointSize_ = 0, std::vector<DialogItemTemplate> items_ = {})
      : id(id_), x(x_), y(y_), cx(cx_), cy(cy_), style(style_), exStyle(exStyle_), caption(std::move(caption_)),
        fontFace(std::move(fontFace_)), fontPointSize(fontPointSize_), items(std::move(items_)) {}
  UINT id;
  int x, y, cx, cy;
  DWORD style, exStyle;
  CString caption;
  CString fontFace;  // empty: the default font
  int fontPointSize;
  std::vector<DialogItemTemplate> items;
};

// Templates by number; registering an id again replaces it.
void RegisterDialogTemplate(const DialogTemplate& tpl);
// Null when there is none. The pointer stays valid (the content follows a later registration).
const DialogTemplate* FindDialogTemplate(UINT id);

// A rectangle in dialog units as pixels (each edge converted on its own).
CRect DialogRectToPixels(int x, int y, int cx, int cy);

// Thrown by CDataExchange::Fail and caught by UpdateData.
class DataExchangeFailure : public std::exception {
 public:
  const char* what() const noexcept override { return "data exchange failed"; }
};

}  // namespace platform

class CDataExchange;
class QEventLoop;

class CDialog : public CWnd {
 public:
  CDialog();
  explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
  ~CDialog() override;

  using CWnd::Create;
  // Modeless: WS_CHILD templates become children of the parent's client area; popups with a
  // parent live in the parent's client area at the template position; without a parent the
  // dialog is a top-level window. FALSE when there is no such template or no application.
  virtual BOOL Create(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
  BOOL CreateIndirect(const platform::DialogTemplate& tpl, CWnd* pParentWnd = nullptr);

  // Modal: a top-level window over its owner (the parent given, else the application's main
  // window) that blocks the rest of the application until EndDialog. Returns the EndDialog code;
  // -1 when the dialog cannot be created or its loop ended without EndDialog (quit, destroyed).
  // The window and its controls are destroyed before it returns.
  virtual INT_PTR DoModal();
  // Ends a modal run with that code (the loop returns once control is back in it). A modeless
  // dialog is hidden and its owner enabled.
  void EndDialog(int nResult);

  virtual BOOL OnInitDialog();
  virtual void OnOK();
  virtual void OnCancel();

  // Runs DoDataExchange in the given direction. FALSE when an exchange failed (the user has been
  // told in a message box, the focus is on the control).
  BOOL UpdateData(BOOL bSaveAndValidate = TRUE);

  void SetDefID(UINT nID);
  // MAKELONG(id, DC_HASDEFID).
  DWORD GetDefID() const;
  void GotoDlgCtrl(CWnd* pWndCtrl);
  void NextDlgCtrl() const;
  void PrevDlgCtrl() const;
  void MapDialogRect(LPRECT lpRect) const;
  // The window's icons (a top-level dialog shows the big one, else the small one); returns the
  // previous one.
  HICON SetIcon(HICON hIcon, BOOL bBigIcon);
  HICON GetIcon(BOOL bBigIcon) const;

  UINT GetTemplateId() const { return m_nIDTemplate; }
  bool IsModalRunning() const { return m_pModalLoop != nullptr; }

  // The dialog manager's keyboard handling for the dialog and its controls: Esc sends IDCANCEL,
  // Enter clicks the focused push button or else the default button. Controls that want the key
  // (WM_GETDLGCODE DLGC_WANTALLKEYS, multi-line edits with ES_WANTRETURN) get it.
  BOOL PreTranslateMessage(MSG* pMsg) override;
  LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

  UINT m_nIDHelp = 0;

 protected:
  virtual void DoDataExchange(CDataExchange* pDX);
  LRESULT HandleInitDialog(WPARAM wParam, LPARAM lParam);
  // Applies template-independent looks to the dialog's widget once it exists.
  virtual void OnWidgetCreated() {}

  CWnd* m_pParentWnd = nullptr;
  UINT m_nIDTemplate = 0;

  DECLARE_MESSAGE_MAP()

 private:
  BOOL CreateFromTemplate(const platform::DialogTemplate& tpl, CWnd* pParentWnd, bool modal);
  void CreateControls(const platform::DialogTemplate& tpl);
  CWnd* FirstTabStop() const;
  void KickIdle();

  QEventLoop* m_pModalLoop = nullptr;
  int m_nModalLevel = 0;
  bool m_bEnded = false;
  INT_PTR m_nModalResult = -1;
  UINT m_nDefId = IDOK;
  HICON m_hIconBig = nullptr;
  HICON m_hIconSmall = nullptr;
};

// A dialog with its own background colour.
class CDialogEx : public CDialog {
 public:
  CDialogEx() = default;
  explicit CDialogEx(UINT nIDTemplate, CWnd* pParentWnd = nullptr) : CDialog(nIDTemplate, pParentWnd) {}
  void SetBackgroundColor(COLORREF color, BOOL bRepaint = TRUE);

 protected:
  void OnWidgetCreated() override;

 private:
  bool m_bHasBackground = false;
  COLORREF m_clrBackground = 0;
};

// The state of one UpdateData run.
class CDataExchange {
 public:
  CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate);

  BOOL m_bSaveAndValidate;
  CWnd* m_pDlgWnd;
  UINT m_idLastControl = 0;
  BOOL m_bEditLastControl = FALSE;

  // The control with that id (remembered for Fail); null, traced, when the dialog has none.
  CWnd* PrepareCtrl(int nIDC);
  CWnd* PrepareEditCtrl(int nIDC);
  // Ends the exchange: the focus goes to the last prepared control (its text selected when it
  // is an edit) and UpdateData returns FALSE.
  [[noreturn]] void Fail();
};

// Binds a member object to the template control with that id (it takes over the control's
// window) unless the member has a window already.
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);
// Window text of the control.
void DDX_Text(CDataExchange* pDX, int nIDC, CString& value);
// Numbers as text in the "C" locale. Saving fails (message box, Fail) on text that is not a
// number of the type (white space around it is allowed) or is out of its range.
void DDX_Text(CDataExchange* pDX, int nIDC, int& value);
void DDX_Text(CDataExchange* pDX, int nIDC, UINT& value);
void DDX_Text(CDataExchange* pDX, int nIDC, long& value);
void DDX_Text(CDataExchange* pDX, int nIDC, double& value);
void DDX_Text(CDataExchange* pDX, int nIDC, float& value);
// Check state of a check box (BST_UNCHECKED 0, BST_CHECKED 1, BST_INDETERMINATE 2).
void DDX_Check(CDataExchange* pDX, int nIDC, int& value);
// Index of the checked radio button in the group starting at nIDC (-1 for none).
void DDX_Radio(CDataExchange* pDX, int nIDC, int& value);
// Selected index of a combo box / list box (-1 for none).
void DDX_CBIndex(CDataExchange* pDX, int nIDC, int& index);
void DDX_LBIndex(CDataExchange* pDX, int nIDC, int& index);
// Combo box text: saving takes the window text; loading selects the first item starting with the
// value (no case) or, when none does, sets the text.
void DDX_CBString(CDataExchange* pDX, int nIDC, CString& value);

// Validation after the DDX_Text of the same control. Loading sets an edit's limit.
void DDV_MaxChars(CDataExchange* pDX, const CString& value, int nChars);
void DDV_MinMaxInt(CDataExchange* pDX, int value, int minVal, int maxVal);
void DDV_MinMaxUInt(CDataExchange* pDX, UINT value, UINT minVal, UINT maxVal);
void DDV_MinMaxDouble(CDataExchange* pDX, const double& value, double minVal, double maxVal);
