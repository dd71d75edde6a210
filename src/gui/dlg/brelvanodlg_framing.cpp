// CBrelvanoDlg: framing of $-set commands. The definition header carries a request template and a
// reply template, strings of one-letter tokens that say in which order the header texts and the
// parts of a command are joined; the builders here expand them and keep the header word and the
// body of the last framed command for the reply parsers.
#include "gui/dlg/brelvanodlg.h"
#include "platform/crt.h"
#include "platform/modal.h"

namespace {
// Texts of the language library.
constexpr UINT kTextUnitIdLength = 1018;
// The password a DUVO device takes when a profile leaves it out.
constexpr const wchar_t kDefaultDevicePassword[] = L"7391";
// Fields the buyer fill pads the body to.
constexpr int kBuyerFillFields = 4;
// Firmware from which framed commands carry the "AT^" prefix.
constexpr double kAtPrefixFirmware = 100.0;
// Older single-model devices below this firmware number take the "$Set" form.
constexpr int kSetFormFirmwareLimit = 100;
// Firmware from which all driver identifiers are removed with one fixed command.
constexpr int kRemoveAllFirmwareLimit = 278;

// Splits text at the first sep into the header word and the rest (empty without a sep).
void SplitHeaderAndBody(const CString& text, wchar_t sep, CString& header, CString& body) {
  const int at = text.Find(sep);
  if (at < 0) {
    header = text;
    body.Empty();
  } else {
    header = text.Left(at);
    body = text.Mid(at + 1);
  }
}
}  // namespace

wchar_t CBrelvanoDlg::FramingSeparator() const {
  return m_defHeader.strD.IsEmpty() ? L';' : m_defHeader.strD.GetAt(0);
}

// The request template with the header texts and the pending header word and body.
static CString ExpandRequestTemplate(const DEF_HEADER& header, const CString& cmdHeader, const CString& cmdBody) {
  CString out;
  const CString& tokens = header.strCmd;
  for (int i = 0; i < tokens.GetLength(); ++i) {
    switch (tokens.GetAt(i)) {
      case L'S': out += header.strS; break;
      case L'H': out += cmdHeader; break;
      case L'I': out += header.strI; break;
      case L'P': out += header.strP; break;
      case L'V': out += header.strV; break;
      case L'C': out += cmdBody; break;
      case L'D': out += header.strD; break;
      default: break;
    }
  }
  return out;
}

// While a profile is written, a DUVO device whose command ends in an empty field gets the default
// password there.
static void ApplyDefaultPassword(CString& text, BOOL bProfileWriting, const CString& buyer, wchar_t sep) {
  if (!bProfileWriting || buyer != L"DUVO") return;
  const int fields = GUI_Base::CountFields(text, sep);
  if (GUI_Base::GetField(text, fields, sep).IsEmpty()) text += kDefaultDevicePassword;
}

CString CBrelvanoDlg::BuildFramedCommand(CString strText) {
  const wchar_t sep = FramingSeparator();
  SplitHeaderAndBody(strText, sep, m_strCmdHeader, m_strCmdBody);
  CString out = ExpandRequestTemplate(m_defHeader, m_strCmdHeader, m_strCmdBody);
  ApplyDefaultPassword(out, m_bProfileWriting, m_deviceInfo.strBuyer, sep);
  return out + L"\r";
}

CString CBrelvanoDlg::BuildRemoveDriverIdCommand(CString strText) {
  const wchar_t sep = FramingSeparator();
  if (strText.Find(L"RemoveAllDriverID") >= 0) {
    if (_wtoi(m_deviceInfo.strVersion) > kRemoveAllFirmwareLimit || m_bNewFirmware) return L"$PVRRDID\r";
    m_strCmdHeader = L"HRD";
    m_strCmdBody = L"ALL";
  } else {
    CString header, body;
    SplitHeaderAndBody(strText, sep, header, body);
    // A line without a body gives nothing to send and leaves the pending command as it was.
    if (body.IsEmpty()) return CString();
    m_strCmdHeader = header;
    m_strCmdBody = body;
  }
  CString out = ExpandRequestTemplate(m_defHeader, m_strCmdHeader, m_strCmdBody);
  ApplyDefaultPassword(out, m_bProfileWriting, m_deviceInfo.strBuyer, sep);
  return out + L"\r";
}

CString CBrelvanoDlg::BuildTabCommand(CString strText, int nTab) {
  const wchar_t sep = FramingSeparator();
  const int type = (nTab >= 0 && nTab < kMaxTabs) ? m_tabInfo[nTab].nType : TAB_TYPE_EMPTY;

  // Unit identifier on the single command page.
  if (type == TAB_TYPE_COMMAND) {
    const CString second = GetField(strText, 2, sep);
    if (second.Find(L"GetUnitId") >= 0) return L"$GetUID\r";
    if (second.Find(L"SetUnitId") >= 0) {
      const CString id = GetField(second, 2, L'=');
      if (id.GetLength() != 6) {
        AfxMessageBox(m_language.LoadString(kTextUnitIdLength), MB_OK);
        return CString();
      }
      return L"$SetUID;" + id + L"\r";
    }
  }

  CString header, body;
  SplitHeaderAndBody(strText, sep, header, body);
  m_strCmdHeader = header;
  if (type == 11 && m_deviceInfo.strBuyer.Find(L"RI3XA") >= 0) {
    // The buyer's code in front of a body padded to four fields. The body is built afresh, so a
    // command whose reply never came leaves nothing behind in the next one.
    for (int n = CountFields(body, sep); n < kBuyerFillFields; ++n) body += m_defHeader.strD;
    m_strCmdBody = m_deviceInfo.strBuyer.Left(3) + m_defHeader.strD + body;
  } else {
    m_strCmdBody = body;
  }

  // Older single-model firmware takes its own fixed form.
  if ((type == 16 || type == 9) && m_deviceInfo.strModel.Find(L"VR835") >= 0 &&
      _wtoi(m_deviceInfo.strVersion) < kSetFormFirmwareLimit && !m_bNewFirmware) {
    return L"$Set" + m_strCmdHeader + L";" + m_defHeader.strI + L";" + m_strCmdBody + L"\r";
  }

  CString out = ExpandRequestTemplate(m_defHeader, m_strCmdHeader, m_strCmdBody);
  ApplyDefaultPassword(out, m_bProfileWriting, m_deviceInfo.strBuyer, sep);
  if (type == TAB_TYPE_COMMAND && !out.IsEmpty() && out.GetAt(out.GetLength() - 1) == sep)
    out = out.Left(out.GetLength() - 1);
  return out + L"\r";
}

CString CBrelvanoDlg::BuildReplyHeader() {
  CString out;
  const CString& tokens = m_defHeader.strRes;
  for (int i = 0; i < tokens.GetLength(); ++i) {
    switch (tokens.GetAt(i)) {
      case L'S': out += m_defHeader.strS; break;
      case L'C': out += m_strCmdBody; break;
      case L'H': out += m_strCmdHeader; break;
      case L'I': out += m_defHeader.strI; break;
      case L'R': out += m_defHeader.strR; break;
      case L'V':
        for (int n = m_defHeader.strV.GetLength(); n < 3; ++n) out += L"0";
        if (m_deviceInfo.strModel == L"VR839H") out += L"H-";
        out += m_defHeader.strV;
        break;
      case L'P': out += m_defHeader.strP; break;
      case L'D': out += m_defHeader.strD; break;
      default: break;
    }
  }
  return out;
}

CString CBrelvanoDlg::PrefixFramedCommand(const CString& strBuilt) const {
  if (m_dFirmwareVersion >= kAtPrefixFirmware || m_bNewFirmware) return L"AT^" + strBuilt;
  return strBuilt;
}

void CBrelvanoDlg::QueueFramedCommand(const CString& strBuilt) {
  if (strBuilt.IsEmpty()) return;
  m_strLastCommand = PrefixFramedCommand(strBuilt);
  QueueCommand(m_strLastCommand);
}
