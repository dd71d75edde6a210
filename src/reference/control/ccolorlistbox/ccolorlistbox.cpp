// The coloured log list box: lines with their own text colours, drawn by the control itself.
#include "reference/control/ccolorlistbox/ccolorlistbox.h"

namespace {
// -1 ("not set") is stored as 0, the value of a line without a colour.
COLORREF Stored(COLORREF colour) { return colour == static_cast<COLORREF>(-1) ? 0 : colour; }
}  // namespace

BEGIN_MESSAGE_MAP(CColorListBox, CListBox)
END_MESSAGE_MAP()

int CColorListBox::AddString(const CString& text) { return CListBox::AddString(text); }

int CColorListBox::AddString(const CString& text, COLORREF colour) {
  int index = CListBox::AddString(text);
  if (index >= 0) CListBox::SetItemData(index, Stored(colour));
  return index;
}

int CColorListBox::InsertString(int index, const CString& text) { return CListBox::InsertString(index, text); }

int CColorListBox::InsertString(int index, const CString& text, COLORREF colour) {
  int inserted = CListBox::InsertString(index, text);
  if (inserted >= 0) CListBox::SetItemData(inserted, Stored(colour));
  return inserted;
}

void CColorListBox::SetItemColor(int index, COLORREF colour) {
  if (CListBox::SetItemData(index, Stored(colour)) == LB_ERR) return;
  RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

void CColorListBox::MeasureItem(LPMEASUREITEMSTRUCT lpMeasureItemStruct) {
  if (lpMeasureItemStruct == nullptr) return;
  lpMeasureItemStruct->itemHeight = static_cast<UINT>(::GetSystemMetrics(SM_CYMENUCHECK));
}

void CColorListBox::DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct) {
  if (lpDrawItemStruct == nullptr || static_cast<int>(lpDrawItemStruct->itemID) < 0) return;
  CDC* dc = CDC::FromHandle(lpDrawItemStruct->hDC);
  if (dc == nullptr) return;
  const COLORREF colour = Stored(static_cast<COLORREF>(lpDrawItemStruct->itemData)) & 0xFFFFFFu;
  const COLORREF inverse = RGB(255 - GetRValue(colour), 255 - GetGValue(colour), 255 - GetBValue(colour));
  const UINT action = lpDrawItemStruct->itemAction;
  const UINT state = lpDrawItemStruct->itemState;
  const bool selected = (state & ODS_SELECTED) != 0;
  CRect rc(lpDrawItemStruct->rcItem);

  if (selected && (action & (ODA_SELECT | ODA_DRAWENTIRE))) {
    CBrush brush(colour);
    dc->FillRect(&rc, &brush);
  }
  if (!selected && (action & ODA_SELECT)) {
    CBrush brush(::GetSysColor(COLOR_WINDOW));
    dc->FillRect(&rc, &brush);
  }
  if (action & ODA_FOCUS) dc->DrawFocusRect(&rc);

  const int oldMode = dc->SetBkMode(TRANSPARENT);
  COLORREF textColour;
  if (selected) textColour = colour == 0 ? ::GetSysColor(COLOR_HIGHLIGHTTEXT) : inverse;
  else if (state & ODS_DISABLED) textColour = ::GetSysColor(COLOR_GRAYTEXT);
  else textColour = colour == 0 ? ::GetSysColor(COLOR_WINDOWTEXT) : colour;
  const COLORREF oldText = dc->SetTextColor(textColour);

  CString text;
  GetText(static_cast<int>(lpDrawItemStruct->itemID), text);
  UINT format = DT_SINGLELINE | DT_VCENTER;
  if (GetStyle() & LBS_USETABSTOPS) format |= DT_EXPANDTABS;
  CRect measured = rc;
  dc->DrawText(text, &measured, format | DT_CALCRECT);
  dc->DrawText(text, &measured, format);

  dc->SetTextColor(oldText);
  dc->SetBkMode(oldMode);
}
