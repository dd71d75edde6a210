// The reading side of an XML profile change (the command lines a file gives; nothing is sent), and
// the profile's text helpers: what escaping writes, entity decoding gives back, and a value written
// into a profile as the save writes it reads back as the same command line.
// The input's first byte picks the value separator (bit 0: ';' or ','), then a value (a length
// byte, up to 96 bytes of UTF-8); the rest is the profile file.
#include <cstdint>
#include <string>

#include "gui/dlg/brelvanodlg.h"
#include "gui/dlg/profileload.h"
#include "gui/dlg/profilexmltext.h"
#include "support/fuzz_support.h"

namespace {

constexpr wchar_t kBuyer[] = L"ACME";

// The profile file the save writes for one generic group holding one value.
std::string OneValueProfile(const CString& value) {
  const CString text = CString(L"<?xml version=\"1.0\"?>\r\n\t<profile model=\"VR600\" buyer=\"") + kBuyer +
                       L"\" protocol=\"1\" ver=\"12\">\r\n\t\t<grp hdr=\"GEN\">\r\n\t\t\t<ele>" +
                       EscapeProfileXml(value) + L"</ele>\r\n\t\t</grp>\r\n\t</profile>\r\n";
  return "\xFF\xFE" + ToUtf16LeBytes(text);
}

// A value the save can write: no control character, no white space at either end.
bool Writable(const CString& value) {
  for (int i = 0; i < value.GetLength(); ++i)
    if (static_cast<unsigned>(value[i]) < 0x20 || value[i] == 0x7F) return false;
  CString trimmed = value;
  return trimmed.Trim() == value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzsupport::InputReader input(data, size);
  const uint8_t flags = input.Byte();
  const CString value = CString::FromUtf8(input.Bytes(96));
  const std::string file = input.Rest();

  // Escaping and decoding.
  const CString escaped = EscapeProfileXml(value);
  FUZZ_CHECK(escaped.FindOneOf(L"<>\"") < 0);
  FUZZ_CHECK(DecodeProfileXmlEntities(escaped) == value);
  if (value.Find(L'&') < 0) FUZZ_CHECK(DecodeProfileXmlEntities(value) == value);

  CBrelvanoDlg* dlg = fuzzsupport::FreshMainWindow();
  dlg->m_defHeader.strD = (flags & 0x01) ? L"," : L";";
  dlg->m_deviceInfo.strBuyer = kBuyer;
  dlg->m_geoGroup.strHdr = L"GEO";

  // The file as it comes.
  const BOOL loaded = LoadXmlProfileLines(dlg, fuzzsupport::WriteScratchFile("profile.xml", file));
  FUZZ_CHECK(!loaded || !dlg->m_profileLines.empty());
  FUZZ_CHECK(dlg->m_strPendingProfileLine.IsEmpty() || dlg->m_strPendingProfileLine == dlg->m_geoGroup.strHdr ||
             dlg->m_strPendingProfileLine == L"PLS" || dlg->m_strPendingProfileLine == L"PLG");
  fuzzsupport::SettleMainWindow();

  // A value as the save writes it.
  if (Writable(value)) {
    FUZZ_CHECK(LoadXmlProfileLines(dlg, fuzzsupport::WriteScratchFile("written.xml", OneValueProfile(value))));
    FUZZ_CHECK(dlg->m_profileLines.size() == 1);
    FUZZ_CHECK(dlg->m_profileLines[0] == L"GEN" + dlg->m_defHeader.strD + value);
  }
  fuzzsupport::SettleMainWindow();
  return 0;
}
