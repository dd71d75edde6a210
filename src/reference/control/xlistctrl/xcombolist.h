// CXComboList: the drop-down of a grid list's combo cell: a list box with its own vertical scroll
// bar, hover selection and keys, reporting to its parent by the registered WM_XCOMBOLIST_ messages.
// Also the six registered messages of the grid list set.
#pragma once

#include "platform/controls.h"

extern const UINT WM_XCOMBOLIST_VK_RETURN;
extern const UINT WM_XCOMBOLIST_VK_ESCAPE;
extern const UINT WM_XCOMBOLIST_KEYDOWN;
extern const UINT WM_XCOMBOLIST_LBUTTONUP;
extern const UINT WM_XLISTCTRL_COMBO_SELECTION;
extern const UINT WM_XLISTCTRL_CHECKBOX_CLICKED;

class CXComboList : public CWnd {
 public:
  explicit CXComboList(CWnd* pParent);
  ~CXComboList() override;

  // Gives the focus to the list; the first time also lays the window out for a scroll bar of
  // that width and starts the hover timer.
  void Activate(int scrollBarWidth);
  void SetListFont(CFont* pFont, BOOL bRedraw = TRUE);
  virtual CScrollBar* GetScrollBar(int nBar) {
    (void)nBar;
    return &m_wndScroll;
  }

  int AddString(const CString& text) { return m_wndList.AddString(text); }
  int GetCount() const { return m_wndList.GetCount(); }
  int FindStringExact(int startAfter, const CString& text) const { return m_wndList.FindStringExact(startAfter, text); }
  int SetCurSel(int index) { return m_wndList.SetCurSel(index); }
  void GetText(int index, CString& text) const { m_wndList.GetText(index, text); }
  int GetCurSel() const { return m_wndList.GetCurSel(); }
  CListBox& GetListBox() { return m_wndList; }
  CScrollBar& GetScrollBarCtrl() { return m_wndScroll; }

  BOOL PreTranslateMessage(MSG* pMsg) override;
  void SendToParent(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

 protected:
  int OnCreate(LPCREATESTRUCT lpCreateStruct);
  void OnLButtonDown(UINT nFlags, CPoint point);
  void OnKillFocus(CWnd* pNewWnd);
  void OnVScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar);
  void OnDestroy();
  void OnTimer(UINT_PTR nIDEvent);
  DECLARE_MESSAGE_MAP()

  CListBox m_wndList;
  CScrollBar m_wndScroll;
  CWnd* m_pNotifyWnd;
  int m_nFocusLosses = 0;
  BOOL m_bFirstActivation = TRUE;
};
