// Test helper: ending the session while the program waits. The four ways a session ends under a
// page (the user disconnects, the device is unplugged, the device restarts with "System Start", the
// user closes the window), run at the next handling of messages, that is inside the wait the program
// is about to enter (a reply wait, a pumped pause), or from a scripted message box or file dialog
// while it is open. Each way returns once the page it names has gone, so the wait that follows
// sees the session ended.
#pragma once

#include <gtest/gtest.h>

#include <QTimer>

#include <functional>

#include "devsim/devsim.h"
#include "gui/dlg/brelvanodlg.h"
#include "object/rs232/portlist.h"
#include "platform/modal.h"
#include "platform/wnd.h"
#include "resources/programresources.h"

namespace testsupport {

enum class SessionEnd { Disconnect, Unplug, SystemStart, CloseWindow };

inline const char* SessionEndName(SessionEnd how) {
  switch (how) {
    case SessionEnd::Disconnect: return "Disconnect";
    case SessionEnd::Unplug: return "unplug";
    case SessionEnd::SystemStart: return "System Start";
    case SessionEnd::CloseWindow: return "closing the window";
  }
  return "?";
}

// Ends the session of the main window with the device, the way given, and handles messages until
// the window of the page (pageWnd) is gone. Closing the window answers its question with OK.
inline void EndSessionUnderPage(SessionEnd how, CBrelvanoDlg* dlg, devsim::DeviceSimulator& sim, HWND pageWnd,
                                DWORD timeoutMs = 20000) {
  switch (how) {
    case SessionEnd::Disconnect:
      dlg->SendMessage(WM_COMMAND, MAKEWPARAM(IDC_BTN_DISCONNECT, BN_CLICKED),
                       reinterpret_cast<LPARAM>(dlg->GetDlgItem(IDC_BTN_DISCONNECT)->GetSafeHwnd()));
      break;
    case SessionEnd::Unplug:
      sim.Unplug();
      break;
    case SessionEnd::SystemStart:
      EXPECT_TRUE(sim.Send("System Start\r\n"));
      break;
    case SessionEnd::CloseWindow:
      platform::ModalService::Instance().ExpectMessageBox(IDOK);
      dlg->SendMessage(WM_CLOSE, 0, 0);
      break;
  }
  EXPECT_TRUE(platform::PumpUntil([&] { return CWnd::FromHandle(pageWnd) == nullptr; }, timeoutMs))
      << "the page goes with the session (" << SessionEndName(how) << ")";
}

// Handles messages until the port selector lists the simulator's port. A simulator started again
// after an unplug has a new port: as a user does, "SEARCH.." is chosen to have the list read again.
inline bool WaitForPortListed(CBrelvanoDlg* dlg, const devsim::DeviceSimulator& sim, DWORD timeoutMs = 20000) {
  const CString name = CString::FromUtf8(sim.PortName());
  auto listed = [&] {
    for (int i = 0; i < dlg->m_comboPort.GetCount(); ++i)
      if (dlg->m_comboPort.GetLBText(i) == name) return true;
    return false;
  };
  return platform::PumpUntil(
      [&] {
        if (listed()) return true;
        const int search = dlg->m_comboPort.FindStringExact(-1, PORT_ITEM_SEARCH);
        if (search < 0 || !dlg->m_comboPort.IsWindowEnabled()) return false;
        dlg->m_comboPort.SetCurSel(search);
        dlg->SendMessage(WM_COMMAND, MAKEWPARAM(IDC_COMBO_PORT, CBN_SELCHANGE),
                         reinterpret_cast<LPARAM>(dlg->m_comboPort.GetSafeHwnd()));
        return listed();
      },
      timeoutMs);
}

// Runs fn on the GUI thread the next time messages are handled.
inline void AtNextPump(std::function<void()> fn) { QTimer::singleShot(0, std::move(fn)); }

}  // namespace testsupport
