// CProgressWnd: a small top-most popup with a message line, a progress bar and a Cancel button for
// long work on the GUI thread. The work advances the bar, lets the window pump the messages between
// its steps (so it repaints and Cancel or Esc are noticed) and asks whether the user cancelled. The
// title shows the percentage done; the window can be modal towards the main window, and it comes
// back where the user left it (application profile, section "Settings", "X" and "Y").
#pragma once

#include "platform/controls.h"
#include "platform/gdi.h"
#include "platform/wnd.h"

class CProgressWnd : public CWnd {
 public:
  // Control ids of the window's three controls.
  enum { IDC_PROGRESS_CANCEL = 10, IDC_PROGRESS_TEXT = 11, IDC_PROGRESS_BAR = 12 };
  // The message line holds at most this many characters.
  static constexpr int kMaxMessageChars = 511;

  // Defaults only; the window is made by Create or BeginModal.
  CProgressWnd();
  // Defaults, then Create(pParent, pszTitle, bSmooth).
  CProgressWnd(CWnd* pParent, const wchar_t* pszTitle, BOOL bSmooth = FALSE);
  ~CProgressWnd() override;

  // Makes the window with its controls (owner pParent, the application's main window when null)
  // and shows it, at its remembered place or centred on its owner. FALSE when a window could not
  // be made.
  BOOL Create(CWnd* pParent, const wchar_t* pszTitle, BOOL bSmooth = FALSE);
  // Makes the window when it does not exist yet (owned by the main window), then disables the
  // topmost enabled window of its owner chain until the window goes. FALSE when it cannot be made.
  BOOL BeginModal(const wchar_t* pszTitle = L"Progress", BOOL bSmooth = FALSE);

  void SetProgressRange(int nLower, int nUpper, int nStep = 1);
  // Each returns the position before (m_nPos alone without a window).
  int SetProgressPos(int nPos);
  int OffsetProgressPos(int nOffset);
  int StepProgress();
  int SetProgressStep(int nStep);
  // The message line, formatted with the printf rules and cut to kMaxMessageChars characters.
  template <typename... Args>
  void SetMessageText(const wchar_t* pszFormat, const Args&... args) {
    if (m_hWnd == nullptr || pszFormat == nullptr) return;
    CString text;
    text.Format(CString(pszFormat), args...);
    SetMessageLine(text);
  }
  void ResetProgress();
  void ShowProgress();
  void HideProgress();
  // Handles the waiting messages; Esc (when bCancelOnEscape) and, when modal, a left-button release
  // over Cancel cancel the work.
  void PumpMessages(BOOL bCancelOnEscape = TRUE);
  BOOL IsCancelled() const { return m_bCancelled; }
  BOOL IsModal() const { return m_bModal; }
  // Saves the position, gives the owner back its input when modal, and destroys the window.
  BOOL DestroyWindow() override;

  // ---- Members ----
  CWnd* m_pDisabledOwner = nullptr;
  BOOL m_bCancelled = FALSE;
  BOOL m_bModal = FALSE;
  BOOL m_bSavePosition = TRUE;
  int m_nPos = 0;
  int m_nShownPercent = 0;
  int m_nStep = 1;
  int m_nUpper = 100;
  int m_nLower = 0;
  int m_nTextLines = 4;
  CStatic m_wndText;
  CProgressCtrl m_wndBar;
  CButton m_wndCancel;
  CString m_strTitle = L"Progress";
  CString m_strCancelText = L" Cancel ";
  CFont m_fontMessage;

  // The percentage a position shows for a range (0 when the range is empty or reversed), halves up.
  static int PercentOf(int nPos, int nLower, int nUpper);

 protected:
  void OnCancel();
  BOOL OnEraseBkgnd(CDC* pDC);
  DECLARE_MESSAGE_MAP()

 private:
  void SetMessageLine(const CString& text);
  void LayoutControls(int nLines, int nWidth);
  void SavePosition();
  void RestorePosition();
  // The disabled owner's handle, to tell whether the window is still there when it is given back.
  HWND m_hDisabledOwner = nullptr;
  // The place the window was put back to when it was made.
  BOOL m_bRestored = FALSE;
  CPoint m_restoredPlace;
};
