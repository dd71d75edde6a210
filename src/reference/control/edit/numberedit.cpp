// The number edits' shared base (see numberedit.h).
#include "reference/control/edit/numberedit.h"

#include <algorithm>

BEGIN_MESSAGE_MAP(CNumberEditBase, CEdit)
  ON_MESSAGE(WM_PASTE, &CNumberEditBase::OnPaste)
END_MESSAGE_MAP()

CNumberEditBase::CNumberEditBase(numberfilter::KeyTable table, const LocaleNumberSymbols* pSymbols,
                                 const wchar_t* pszPasteWarning, BYTE bAllowNegative, WORD nDecimalPlaces)
    : m_bAllowNegative(bAllowNegative),
      m_nDecimalPlaces(nDecimalPlaces),
      m_table(table),
      m_pSymbols(pSymbols),
      m_pszPasteWarning(pszPasteWarning) {}

numberfilter::Format CNumberEditBase::CurrentFormat() const {
  return numberfilter::Format{m_bAllowNegative != 0, std::min<int>(m_nDecimalPlaces, 9), *m_pSymbols};
}

BOOL CNumberEditBase::PreTranslateMessage(MSG* pMsg) {
  if (numberfilter::PreTranslate(*this, m_table, CurrentFormat(), pMsg)) return TRUE;
  return CEdit::PreTranslateMessage(pMsg);
}

CString CNumberEditBase::GetClipboardNumber() { return numberfilter::ClipboardNumber(CurrentFormat()); }

LRESULT CNumberEditBase::OnPaste(WPARAM, LPARAM) {
  numberfilter::Paste(*this, CurrentFormat(), CString(m_pszPasteWarning));
  return 0;
}
