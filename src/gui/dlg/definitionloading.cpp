// Helpers shared by the definition loaders (see definitionloading.h).
#include "gui/dlg/definitionloading.h"

#include "platform/gdi.h"
#include "platform/trace.h"
#include "platform/wnd.h"

namespace brelvano {

BOOL DefinitionOptionCountValid(int nOptions, const CString& strWhat, const wchar_t* pszSource) {
  if (nOptions >= 0 && nOptions <= kMaxDefinitionOptions) return TRUE;
  TRACE(L"%s: %s declares %d options (0..%d allowed); it is dropped\n", pszSource, strWhat, nOptions,
        kMaxDefinitionOptions);
  return FALSE;
}

int ClampPolygonCount(int nMax, const wchar_t* pszSource) {
  if (nMax >= 0 && nMax <= kMaxDefinitionPolygons) return nMax;
  TRACE(L"%s: polygon max %d outside 0..%d; kept inside\n", pszSource, nMax, kMaxDefinitionPolygons);
  return nMax < 0 ? 0 : kMaxDefinitionPolygons;
}

void ReplacePolygonTables(POLYGON_INFO*& pTable, POLYGON_POINT_BLOCK*& pBlocks, int nZones) {
  if (nZones <= 0) return;
  // The tables of an earlier polygon tab go (their owner frees the last ones when it closes).
  delete[] pTable;
  pTable = nullptr;
  delete[] pBlocks;
  pBlocks = nullptr;
  pTable = new POLYGON_INFO[nZones];
  pBlocks = new POLYGON_POINT_BLOCK[static_cast<size_t>(nZones) * kPointBlocksPerZone];
}

DefinitionTextMeasure* DefinitionTextMeasure::s_pActive = nullptr;

DefinitionTextMeasure::DefinitionTextMeasure(CWnd* pWnd) {
  if (s_pActive != nullptr || pWnd == nullptr || pWnd->GetSafeHwnd() == nullptr) return;
  m_pDC = new CClientDC(pWnd);
  if (CFont* pFont = pWnd->GetFont()) m_pOldFont = m_pDC->SelectObject(pFont);
  s_pActive = this;
}

DefinitionTextMeasure::~DefinitionTextMeasure() {
  if (s_pActive != this) return;
  if (m_pOldFont != nullptr) m_pDC->SelectObject(m_pOldFont);
  delete m_pDC;
  s_pActive = nullptr;
}

void DefinitionTextMeasure::Widen(int& nWidth, const CString& text) {
  if (s_pActive == nullptr || text.IsEmpty()) return;
  auto found = s_pActive->m_widths.find(text);
  if (found == s_pActive->m_widths.end())
    found = s_pActive->m_widths.emplace(text, s_pActive->m_pDC->GetTextExtent(text).cx).first;
  if (found->second > nWidth) nWidth = found->second;
}

}  // namespace brelvano
