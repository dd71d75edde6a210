// What the XML and JSON definition loaders of the main window share: the limits a definition is
// held to, the check of a declared option count, the polygon zone tables a polygon tab asks for,
// and the text measure that widens the label and value columns while a definition loads.
#pragma once

#include <unordered_map>

#include "gui/dlg/definitionmodel.h"
#include "platform/cstring.h"

class CClientDC;
class CFont;
class CWnd;

namespace brelvano {

// Language texts of the two tabs every definition gets after its own.
constexpr UINT kTextDiagnosisTab = 1027;
constexpr UINT kTextProfileTab = 1028;
// Largest option count an item, row or sheet may declare; a larger one is refused.
constexpr int kMaxDefinitionOptions = 10000;
// Largest polygon count the zone tables are made for.
constexpr int kMaxDefinitionPolygons = 500;

// TRUE when nOptions is a count a definition may declare; otherwise traces the refusal of strWhat
// (pszSource names the loader in the trace) and returns FALSE.
BOOL DefinitionOptionCountValid(int nOptions, const CString& strWhat, const wchar_t* pszSource);

// A polygon count kept inside 0..kMaxDefinitionPolygons (a count outside is traced).
int ClampPolygonCount(int nMax, const wchar_t* pszSource);

// Replaces the polygon zone table and its point blocks by new ones for nZones zones; with no
// zones (0 or less) both stay as they are.
void ReplacePolygonTables(POLYGON_INFO*& pTable, POLYGON_POINT_BLOCK*& pBlocks, int nZones);

// Text widths with a window's font, one device context for a whole load. The first measure made
// is the active one until it goes; measures made while one is active do nothing, so a recursive
// pass may make one at every level. A text is measured once a load (option texts repeat a lot).
class DefinitionTextMeasure {
 public:
  explicit DefinitionTextMeasure(CWnd* pWnd);
  ~DefinitionTextMeasure();
  DefinitionTextMeasure(const DefinitionTextMeasure&) = delete;
  DefinitionTextMeasure& operator=(const DefinitionTextMeasure&) = delete;

  // Raises nWidth to the width of text with the active measure (nothing without one).
  static void Widen(int& nWidth, const CString& text);

 private:
  static DefinitionTextMeasure* s_pActive;
  CClientDC* m_pDC = nullptr;
  CFont* m_pOldFont = nullptr;
  std::unordered_map<CString, int> m_widths;
};

}  // namespace brelvano
