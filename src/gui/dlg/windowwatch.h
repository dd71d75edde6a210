// WindowWatch: whether a page or dialog still exists after a wait. A wait that pumps messages (a
// reply wait, a pumped pause, a message box, a file dialog, a modal dialog) can see the session end
// and the window deleted under it; the handler that waits starts a watch on itself before the wait
// and asks it afterwards, before it touches any member.
//
// Window handles are never given out twice, so a handle that still leads to the same object means
// the object is still the one that started the watch. An object without a window at the start is
// reported gone.
#pragma once

#include "platform/wnd.h"

class WindowWatch {
 public:
  explicit WindowWatch(const CWnd* pWnd) : m_pWnd(pWnd), m_hWnd(pWnd != nullptr ? pWnd->GetSafeHwnd() : nullptr) {}

  // TRUE while the watched object still owns the window it had when the watch began.
  bool Alive() const { return m_hWnd != nullptr && CWnd::FromHandle(m_hWnd) == m_pWnd; }

 private:
  const CWnd* m_pWnd;
  HWND m_hWnd;
};
