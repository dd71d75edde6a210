// The receive path of the main window with a definition loaded and its pages made: the ";Res"
// replies of the $-command set answering a pending command of any tab (the values sent written back
// to the tab), and the replies of the numbered-parameter set routed to the generic, list, record,
// geofence, BLE and zone/point parsers while a read, a walk or a write is under way.
// The input begins with the state the replies meet: a flags byte (bit 0 the numbered-parameter
// protocol, bit 1 the walk running, bit 2 its request out, bit 3 the walk done, bit 4 more lines of
// the read, bit 5 more lines of a write, bit 6 the text-profile read, bit 7 the profile read), a
// second flags byte (bit 0 the list buffer pending, bit 1 the identity awaited, bits 2-3 the zone
// write step, bit 4 the PLS answer awaited, bit 5 the text profile applied, bit 6 the JSON
// parameters, bit 7 the geofence page), the current tab, the walk's tab, the pending command's
// tab, the next element of the read, then the command's body (a length byte and the bytes). The
// rest is delivered in pieces separated by SOH (01) bytes.
#include <cstdint>
#include <string>

#include "gui/dlg/brelvanodlg.h"
#include "support/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzsupport::InputReader input(data, size);
  const uint8_t flags = input.Byte();
  const uint8_t more = input.Byte();
  const int curTab = static_cast<int>(input.Byte() % 16) - 1;
  const int walkTab = static_cast<int>(input.Byte() % 16);
  const int cmdTab = static_cast<int>(input.Byte() % 16) - 1;
  const int reqNext = input.Byte();
  const CString body = CString::FromUtf8(input.Bytes(255));
  const std::string rest = input.Rest();

  CBrelvanoDlg* dlg = fuzzsupport::FreshMainWindow();
  // The geofence page (and its table of every slot) is made only when the input asks for it: most
  // inputs run without it, several times faster.
  fuzzsupport::LoadNumberedDefinition(dlg, (more & 0x80) != 0);
  dlg->m_bPortOpen = TRUE;
  dlg->m_bUpProtocol = (flags & 0x01) != 0;
  dlg->m_defHeader.strI = L"UNIT1";
  dlg->m_bWalkActive = (flags & 0x02) != 0;
  dlg->m_bWalkRequestOut = (flags & 0x04) != 0;
  dlg->m_bReadAllDone = (flags & 0x08) != 0;
  dlg->m_bReqMore = (flags & 0x10) != 0;
  dlg->m_bMoreLines = (flags & 0x20) != 0;
  dlg->m_nLinesLeft = dlg->m_bMoreLines ? 2 : 0;
  dlg->m_bTextProfileSaving = (flags & 0x40) != 0;
  dlg->m_bProfileReading = (flags & 0x80) != 0;
  dlg->m_bListBufferPending = (more & 0x01) != 0;
  dlg->m_nListBufferTab = curTab;
  dlg->m_bEsnPending = (more & 0x02) != 0;
  dlg->m_nPolygonWriteStep = (more >> 2) & 0x03;
  dlg->m_bPlsReplyPending = (more & 0x10) != 0;
  dlg->m_bTextProfileApplying = (more & 0x20) != 0;
  dlg->m_deviceInfo.bJsonParam = (more & 0x40) != 0;
  dlg->m_nCurTab = curTab;
  dlg->m_nReadAllTab = walkTab;
  dlg->m_nReqNext = reqNext;
  if (cmdTab >= 0 && cmdTab < kMaxTabs) {
    // A command of that tab is waiting for its answer.
    dlg->m_nCmdTab = cmdTab;
    dlg->m_strCmdHeader = dlg->m_tabInfo[cmdTab].strHdr.IsEmpty() ? CString(L"GEN") : dlg->m_tabInfo[cmdTab].strHdr;
    dlg->m_strCmdBody = body;
    dlg->m_strLastCommand = L"$" + dlg->m_strCmdHeader + L";" + body + L"\r";
  }

  fuzzsupport::DeliverReceived(dlg, rest);
  dlg->FlushReceiveRest();
  fuzzsupport::CheckDefinitionModel(dlg);
  fuzzsupport::SettleMainWindow();
  fuzzsupport::CheckDefinitionModel(dlg);
  // Whatever was answered, the walk's tab and the read's position stay inside the definition.
  FUZZ_CHECK(dlg->m_nReadAllTab >= 0 && dlg->m_nReadAllTab <= dlg->m_nTabCount + 16);
  return 0;
}
