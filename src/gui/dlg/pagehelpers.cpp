// Helpers of the zone and record pages (see pagehelpers.h).
#include "gui/dlg/pagehelpers.h"

#include "gui/dlg/brelvanodlg.h"
#include "gui/dlg/guibase.h"
#include "platform/listctrl.h"
#include "reference/control/listctrlex/listctrlex.h"
#include "platform/winmsg.h"

namespace brelvano {

namespace {
// Button texts of the language library.
constexpr UINT kTextAdd = 1035;
constexpr UINT kTextEdit = 1052;
constexpr UINT kTextDelete = 1053;
// The value column of a zone page's row that holds its first value.
constexpr int kFirstValueColumn = 2;
}  // namespace

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

bool IsPageSwallowedKey(const MSG* pMsg) {
  return pMsg != nullptr && pMsg->message == WM_KEYDOWN && (pMsg->wParam == VK_RETURN || pMsg->wParam == VK_ESCAPE);
}

void SetPageButtonTexts(CWnd& page, GUI_Base& language, int nAddId, int nEditId, int nDeleteId) {
  if (language.LoadLanguage() == nullptr) return;
  page.SetDlgItemText(nAddId, language.m_language.LoadString(kTextAdd));
  page.SetDlgItemText(nEditId, language.m_language.LoadString(kTextEdit));
  page.SetDlgItemText(nDeleteId, language.m_language.LoadString(kTextDelete));
}

void BuildParamColumns(CListCtrlEx& list, const CPtrList* pParams, const CWnd* pParent) {
  if (list.GetSafeHwnd() == nullptr) return;
  list.DeleteAllItems();
  list.DeleteAllColumns();
  int column = 0;
  list.InsertColumn(column++, L"No", LVCFMT_LEFT, 40);
  list.InsertColumn(column++, L"Active", LVCFMT_CENTER, 50);
  if (pParams == nullptr) return;
  POSITION pos = pParams->GetHeadPosition();
  while (pos != nullptr) {
    const auto* p = static_cast<const PARAM_INFO*>(pParams->GetNext(pos));
    if (p == nullptr) continue;
    list.InsertColumn(column++, PageTranslate(pParent, p->strName), LVCFMT_CENTER, 80);
  }
}

void SetRowValues(CListCtrl& list, int nRow, const std::vector<CString>& values) {
  const int columns = list.GetHeaderCtrl() != nullptr ? list.GetHeaderCtrl()->GetItemCount() : 0;
  for (int c = kFirstValueColumn; c < columns && static_cast<size_t>(c - kFirstValueColumn) < values.size(); ++c)
    list.SetItemText(nRow, c, values[c - kFirstValueColumn]);
}

}  // namespace brelvano
