// CXHeaderCtrl: the grid list's flat header: items painted off-screen with their image, bitmap and
// a centred blue caption, dividers between them and a 3-D frame around the items' width.
#pragma once

#include "platform/gdi.h"
#include "platform/listctrl.h"

class CXHeaderCtrl : public CHeaderCtrl {
 public:
  CXHeaderCtrl();

  // 1 the gap, 2 two 16-bit values (kept), 3 the wide layout, 4 a value (kept); FALSE otherwise.
  BOOL SetOption(int code, DWORD value);
  int GetGap() const { return m_nGap; }
  void DrawHeader(CDC* pDC);
  virtual void PaintItem(CDC* pDC, CRect rect, LPHDITEM item);
  // Owner-drawn items are for a class of its own to draw.
  void DrawItem(LPDRAWITEMSTRUCT lpDIS) override;

  int GetImageWidth() const { return m_nImageWidth; }
  int GetImageHeight() const { return m_nImageHeight; }
  int GetOptionLow() const { return m_nOptionLow; }
  int GetOptionHigh() const { return m_nOptionHigh; }
  BOOL GetWideLayout() const { return m_bWideLayout; }

 protected:
  LRESULT OnImageListSet(WPARAM wParam, LPARAM lParam);
  // HDM_LAYOUT: with the wide layout the header is laid out two borders wider.
  LRESULT OnHeaderLayout(WPARAM wParam, LPARAM lParam);
  void OnPaint();
  void OnSysColorChange();
  BOOL OnEraseBkgnd(CDC* pDC);
  void ReadColours();
  DECLARE_MESSAGE_MAP()

  BOOL m_bOffscreenPaint = TRUE;
  int m_nGap = 6;
  int m_nImageWidth = 0;
  int m_nImageHeight = 0;
  int m_nOptionLow = 8;
  int m_nOptionHigh = 8;
  BOOL m_bWideLayout = FALSE;
  int m_nOption4 = 0;
  COLORREF m_clrLight = 0;
  COLORREF m_clrShadow = 0;
  COLORREF m_clrFace = 0;
  COLORREF m_clrText = 0;
};
