// CMenuDialog: the side menu panel of a loaded definition. When its window is created it puts one
// tab per definition tab, with the dictionary-translated title, into the main window's tab strip;
// afterwards it stays hidden and only keeps the busy, lock and input-block states it is sent.
#pragma once

#include "gui/dlg/definitionmodel.h"
#include "platform/dialog.h"
#include "reference/control/xbuttonxp/xbuttonxp.h"
#include "resources/pageresource.h"

class CMenuDialog : public CDialog {
 public:
  // pTabs: the main window's table of kMaxTabs tabs (the used entries are copied).
  CMenuDialog(const TAB_INFO* pTabs, CWnd* pParent);
  ~CMenuDialog() override = default;

  enum { IDD = IDD_MENU_PANEL };

  BOOL OnInitDialog() override;
  // Enter and Esc are swallowed; while input is blocked every message is.
  BOOL PreTranslateMessage(MSG* pMsg) override;

  void SetBlockInput(BOOL bBlock) { m_bBlockInput = bBlock; }
  // The height the panel would need (m_nCount * 40 + 150 pixels).
  int GetPanelHeight() const { return m_nCount * 40 + 150; }

  TAB_INFO m_items[kMaxTabs];  // copies of the used entries, at their positions; others nIndex 100
  int m_nCount = 0;            // used entries copied
  BOOL m_bBusy = FALSE;        // from WM_UI_LOCK
  BOOL m_bBlockInput = FALSE;
  BOOL m_bLocked = FALSE;      // from WM_MENU_LOCK

  // --- Themed page buttons (ids kFirstButtonId + i). They are built with the panel but no window
  // is made for them: the tab strip is what the user picks pages with.
  static constexpr UINT kFirstButtonId = 3535;
  static constexpr COLORREF kSelectedFace = RGB(245, 195, 115);
  CXButtonXP m_buttons[kMaxTabs];
  int m_nSelectedButton = -1;
  // A click on button i: it shows selected, the previous one plain, and the main window is asked
  // to activate page i. Ignored while locked or on the selected button.
  void OnPageButton(UINT nID);

 protected:
  void OnClose();
  BOOL OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message);
  BOOL OnEraseBkgnd(CDC* pDC);
  void OnPaint();
  LRESULT OnUiLock(WPARAM wParam, LPARAM lParam);
  LRESULT OnMenuLock(WPARAM wParam, LPARAM lParam);

  DECLARE_MESSAGE_MAP()
};
