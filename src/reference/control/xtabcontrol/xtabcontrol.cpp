// The flat owner-painted tab strip.
#include "reference/control/xtabcontrol/xtabcontrol.h"

#include <algorithm>
#include <vector>

BEGIN_MESSAGE_MAP(CXTabControl, CTabCtrl)
  ON_WM_ERASEBKGND()
  ON_WM_PAINT()
END_MESSAGE_MAP()

BOOL CXTabControl::OnEraseBkgnd(CDC* pDC) {
  (void)pDC;
  // The paint handler draws every pixel.
  return TRUE;
}

void CXTabControl::OnPaint() {
  CPaintDC dc(this);
  CFont* font = GetFont();
  CFont* oldFont = font != nullptr ? dc.SelectObject(font) : nullptr;

  CBrush unselectedBrush(kUnselectedFill);
  CBrush selectedBrush(kSelectedFill);
  CPen outlinePen(PS_SOLID, 1, kOutline);
  CPen selectedPen(PS_SOLID, 1, kSelectedFill);
  CPen* oldPen = dc.SelectObject(&outlinePen);
  CBrush* oldBrush = dc.SelectObject(&selectedBrush);

  CRect client;
  GetClientRect(&client);
  const int count = GetItemCount();
  // The strip reaches down to the bottom of tab 0, whichever row tab 0 is in; the page area starts
  // there and the tabs of lower rows are drawn over it.
  int stripBottom = client.top;
  std::vector<CRect> tabs(static_cast<size_t>(std::max(0, count)));
  for (int i = 0; i < count; ++i) {
    if (GetItemRect(i, &tabs[static_cast<size_t>(i)]) && i == 0) stripBottom = std::max(stripBottom, static_cast<int>(tabs[0].bottom));
  }
  if (stripBottom > client.top) {
    CRect strip(client.left, client.top, client.right, stripBottom);
    dc.FillSolidRect(&strip, ::GetSysColor(COLOR_BTNFACE));
  }

  CRect page = client;
  page.top = std::min(client.bottom, std::max(client.top, static_cast<LONG>(stripBottom - 1)));
  dc.Rectangle(&page);

  const int selected = GetCurSel();
  for (int i = 0; i < count; ++i) {
    CRect rc = tabs[static_cast<size_t>(i)];
    if (rc.IsRectEmpty()) continue;
    const bool isSelected = i == selected;
    dc.SelectObject(&outlinePen);
    dc.SelectObject(isSelected ? &selectedBrush : &unselectedBrush);
    dc.SetBkColor(isSelected ? kSelectedFill : kUnselectedFill);
    rc.right += 1;
    dc.Rectangle(&rc);
    if (isSelected) {
      // The selected tab opens towards the page.
      dc.SelectObject(&selectedPen);
      dc.MoveTo(rc.left + 1, rc.bottom - 1);
      dc.LineTo(rc.right, rc.bottom - 1);
    }
    wchar_t buffer[kTitleBuffer] = {};
    TCITEM item{};
    item.mask = TCIF_TEXT;
    item.pszText = buffer;
    item.cchTextMax = kTitleBuffer;
    if (GetItem(i, &item)) {
      CRect textRect = tabs[static_cast<size_t>(i)];
      textRect.right += 1;
      dc.SetBkMode(OPAQUE);
      dc.DrawText(CString(buffer), &textRect, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
  }

  dc.SelectObject(oldPen);
  dc.SelectObject(oldBrush);
  if (oldFont != nullptr) dc.SelectObject(oldFont);
}
