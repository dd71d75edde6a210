// The receive path of the main window: received data cut into lines, the line dispatcher (echo
// filter, "System Start", the numbered-parameter words, the framed replies) and every reply parser
// reached from it, with the download receivers once a start line begins a download.
// The input's first byte sets the session state (bit 0 the numbered-parameter protocol, bit 1 the
// "AT^" form, bit 2 a definition header, bit 3 the echo filter, bit 4 the "$Get" answers awaited,
// bit 5 the ADP poll, bit 6 the ready wait, bit 7 the quiet flush of the rest at the end); the rest
// is delivered in pieces separated by SOH (01) bytes.
#include <cstdint>
#include <string>

#include "gui/dlg/brelvanodlg.h"
#include "support/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzsupport::InputReader input(data, size);
  const uint8_t flags = input.Byte();
  const std::string rest = input.Rest();

  CBrelvanoDlg* dlg = fuzzsupport::FreshMainWindow();
  dlg->m_bPortOpen = TRUE;
  dlg->m_bUpProtocol = (flags & 0x01) != 0;
  dlg->m_bAtPrefix = (flags & 0x02) != 0;
  if ((flags & 0x04) != 0) {
    dlg->m_defHeader.strS = L"$T";
    dlg->m_defHeader.strD = L";";
  }
  if ((flags & 0x08) != 0) {
    dlg->m_bEchoFilter = TRUE;
    dlg->m_strEchoText = L"$PVRVer;1416";
  }
  dlg->m_bMVoltPending = (flags & 0x10) != 0;
  dlg->m_bAdpPollRunning = (flags & 0x20) != 0;
  dlg->m_bWaitReady = (flags & 0x40) != 0;

  fuzzsupport::DeliverReceived(dlg, rest);
  if ((flags & 0x80) != 0) dlg->FlushReceiveRest();
  FUZZ_CHECK(dlg->m_strReceiveRest.GetLength() <= 65536 + static_cast<int>(rest.size()));
  fuzzsupport::CheckDefinitionModel(dlg);
  fuzzsupport::SettleMainWindow();
  fuzzsupport::CheckDefinitionModel(dlg);
  return 0;
}
