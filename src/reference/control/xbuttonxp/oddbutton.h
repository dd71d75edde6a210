// COddButton: an owner-drawn push button that keeps the dialog's default-button behaviour (the
// default look moves with the focus and the dialog's default id, as for a plain push button).
#pragma once

#include "platform/controls.h"

class COddButton : public CButton {
 public:
  COddButton() = default;

  UINT GetButtonType() const { return m_nType; }
  BOOL IsDefaultState() const { return m_bDefault; }
  // FALSE on the current default button draws it as a plain one and lets the dialog recompute.
  void SetCanBeDefault(BOOL canBeDefault);
  // Makes id the dialog's default and moves the default look to the right button.
  static void MoveDefaultButton(CWnd* dialog, UINT id);

 protected:
  void PreSubclassWindow() override;
  UINT OnGetDlgCode();
  LRESULT OnSetStyle(WPARAM wParam, LPARAM lParam);
  DECLARE_MESSAGE_MAP()

  BOOL m_bCanBeDefault = FALSE;
  BOOL m_bDefault = FALSE;
  UINT m_nType = 15;
};
