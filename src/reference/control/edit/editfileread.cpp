// The path field's double-click report to its parent.
#include "reference/control/edit/editfileread.h"

BEGIN_MESSAGE_MAP(CEditFileRead, CEdit)
  ON_WM_LBUTTONDBLCLK()
END_MESSAGE_MAP()

void CEditFileRead::OnLButtonDblClk(UINT nFlags, CPoint point) {
  (void)nFlags;
  (void)point;
  HWND self = m_hWnd;
  if (CWnd* parent = GetParent()) {
    parent->SendMessage(WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(), EN_DBLCLK), reinterpret_cast<LPARAM>(this));
  }
  // The parent may have destroyed the field while it handled the report.
  if (self == nullptr || CWnd::FromHandle(self) != this) return;
  Default();  // the edit's own double-click: the word under the cursor is selected
}
