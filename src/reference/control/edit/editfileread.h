// CEditFileRead: a path field that tells its parent when it is double-clicked (the parent then
// offers a file chooser): WM_COMMAND with the notification code EN_DBLCLK and, as lParam, the
// address of the CEditFileRead object itself.
#pragma once

#include "platform/controls.h"

#ifndef EN_DBLCLK
#define EN_DBLCLK 5
#endif

class CEditFileRead : public CEdit {
 public:
  CEditFileRead() = default;

 protected:
  void OnLButtonDblClk(UINT nFlags, CPoint point);
  DECLARE_MESSAGE_MAP()
};
