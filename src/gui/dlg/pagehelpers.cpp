// Helpers of the zone and record pages (see pagehelpers.h).
#include "gui/dlg/pagehelpers.h"

#include "gui/dlg/brelvanodlg.h"

namespace brelvano {

bool PageParentUsesUpProtocol(const CWnd* pParent) {
  const auto* pMain = dynamic_cast<const CBrelvanoDlg*>(pParent);
  return pMain != nullptr && pMain->m_bUpProtocol;
}

CString PageTranslate(const CWnd* pParent, const CString& text) {
  const auto* pMain = dynamic_cast<const CBrelvanoDlg*>(pParent);
  return pMain != nullptr ? pMain->Translate(text) : text;
}

std::vector<CString> SplitJoinedValues(const CString& text, wchar_t sep) {
  std::vector<CString> values;
  if (text.IsEmpty()) return values;
  int start = text[0] == sep ? 1 : 0;
  for (;;) {
    const int next = text.Find(sep, start);
    if (next < 0) {
      values.push_back(text.Mid(start));
      break;
    }
    values.push_back(text.Mid(start, next - start));
    start = next + 1;
  }
  return values;
}

}  // namespace brelvano
