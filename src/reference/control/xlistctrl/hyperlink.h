// CHyperLink: a static text made into a link: underlined, coloured for normal, visited and hover,
// a hand cursor, a tool tip with the target, and a click that opens the target on the desktop
// (or, failing that, with the program the settings store names for web pages).
#pragma once

#include <vector>

#include "platform/controls.h"
#include "platform/gdi.h"
#include "platform/registry.h"

class CHyperLink : public CStatic {
 public:
  // The longest fallback command line, terminator included.
  static constexpr int kMaxCommandLine = 520;

  CHyperLink();
  ~CHyperLink() override;

  void SetLinkUrl(const CString& target);
  CString GetLinkUrl() const { return m_strTarget; }
  // hover -1: the system highlight colour.
  void SetLinkColours(COLORREF link, COLORREF visited, COLORREF hover = static_cast<COLORREF>(-1));
  COLORREF GetColourNormal() const { return m_clrNormal; }
  COLORREF GetColourVisited() const { return m_clrAfterVisit; }
  COLORREF GetColourHover() const { return m_clrHover; }
  void MarkVisited(BOOL visited = TRUE);
  BOOL WasVisited() const { return m_bWasVisited; }
  // A null cursor takes the system's hand cursor.
  void SetHandCursor(HCURSOR cursor);
  HCURSOR GetHandCursor() const { return m_hHandCursor; }
  void ShowUnderline(BOOL underline = TRUE);
  BOOL HasUnderline() const { return m_bUnderlined; }
  void SetFitToText(BOOL fit = TRUE);
  BOOL GetFitToText() const { return m_bFitToText; }

  // Opens target on the desktop; when that fails, with the web page program of the settings store.
  // Above 32 on success.
  static UINT OpenUrl(const CString& target, int show);
  static void ShowOpenError(int error);
  // The fallback: the command line of the settings store cut at its "%1" placeholder, with the
  // target as one more argument. FALSE when the line would not fit kMaxCommandLine characters.
  static BOOL BuildCommandLine(const CString& command, const CString& target, std::vector<CString>& argv);
  // The default value of root\subKey, at most 259 characters; the store's status.
  static LONG ReadRegistryDefault(HKEY root, const CString& subKey, CString& text);

 protected:
  void PreSubclassWindow() override;
  BOOL PreTranslateMessage(MSG* pMsg) override;
  void OnReflectClicked();
  HBRUSH CtlColor(CDC* pDC, UINT nCtlColor);
  void OnTimer(UINT_PTR nIDEvent);
  BOOL OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message);
  void OnDestroy();
  void FitWindowToText();
  void LoadHandCursor();
  void RebuildFont();
  DECLARE_MESSAGE_MAP()

  COLORREF m_clrNormal = RGB(0, 0, 255);
  COLORREF m_clrAfterVisit = RGB(85, 26, 139);
  COLORREF m_clrHover = RGB(255, 0, 0);
  BOOL m_bCursorOver = FALSE;
  BOOL m_bWasVisited = FALSE;
  BOOL m_bUnderlined = TRUE;
  BOOL m_bFitToText = TRUE;
  CString m_strTarget;
  CFont m_fontLink;
  HCURSOR m_hHandCursor = nullptr;
  CToolTipCtrl m_wndTip;
};
