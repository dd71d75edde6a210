// The packet receivers of a definition download, started as the device starts one: the input's
// first line (up to CR) is the download start line given to the reply parser ("$PVR;StartXML;..."
// or "$PVR;StartJSON;..."); the next byte sets the delivery size (1 to 256); the rest is the
// received data, delivered in pieces of that size. The receive state stays inside its buffers.
#include <cstdint>
#include <string>

#include "gui/dlg/brelvanodlg.h"
#include "support/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes = fuzzsupport::AsBytes(data, size);
  const size_t cr = bytes.find('\r');
  if (cr == std::string::npos || cr + 1 >= bytes.size()) return 0;
  const CString start = CString::FromUtf8(bytes.substr(0, cr));
  const size_t piece = static_cast<unsigned char>(bytes[cr + 1]) + 1u;
  const std::string received = bytes.substr(cr + 2);

  CBrelvanoDlg* dlg = fuzzsupport::FreshMainWindow();
  dlg->m_bPortOpen = TRUE;
  dlg->m_deviceInfo.strVersion = L"32";
  dlg->ParseLegacyReply(start);
  for (size_t at = 0; at < received.size() && (dlg->m_bXmlDownload || dlg->m_bJsonDownload); at += piece) {
    const std::string delivery = received.substr(at, piece);
    dlg->ReceiveDownloadData(reinterpret_cast<const BYTE*>(delivery.data()), static_cast<int>(delivery.size()));
    FUZZ_CHECK(dlg->m_nXmlReceived >= 0 && dlg->m_nXmlReceived <= CBrelvanoDlg::kMaxXmlFileBytes);
    FUZZ_CHECK(dlg->m_nPacketFill >= 0 && dlg->m_nPacketFill <= static_cast<int>(sizeof(dlg->m_packetBuffer)));
    FUZZ_CHECK(dlg->m_nHeaderFill >= 0 && dlg->m_nHeaderFill <= 3);
    FUZZ_CHECK(dlg->m_jsonReceive.size() <= CBrelvanoDlg::kMaxJsonFrameBytes + delivery.size());
    FUZZ_CHECK(dlg->m_jsonData.size() <= CBrelvanoDlg::kMaxJsonBytes);
    FUZZ_CHECK(dlg->m_nCurrentFile >= 0 && dlg->m_nCurrentFile <= kMaxTabs);
  }
  fuzzsupport::CheckDefinitionModel(dlg);
  fuzzsupport::SettleMainWindow();
  fuzzsupport::CheckDefinitionModel(dlg);
  return 0;
}
