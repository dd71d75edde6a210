// CColorListBox: an owner-drawn list box in which every line carries its own text colour, kept as
// the line's item data (0: no colour of its own, the line is drawn in the system colours). The
// communication log of the main window is one. The list box needs an owner-draw style and
// LBS_HASSTRINGS; LBS_USETABSTOPS expands tabs.
#pragma once

#include "platform/controls.h"
#include "platform/gdi.h"

class CColorListBox : public CListBox {
 public:
  CColorListBox() = default;

  // The list box's AddString / InsertString (index -1 appends); with a colour, a line that was
  // added also gets the colour. The new line's index, or the list box's error code. A colour of
  // 0 or -1 is no colour.
  int AddString(const CString& text);
  int AddString(const CString& text, COLORREF colour);
  int InsertString(int index, const CString& text);
  int InsertString(int index, const CString& text, COLORREF colour);
  // Gives a line a colour and repaints the control before returning.
  void SetItemColor(int index, COLORREF colour);

  void DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct) override;
  void MeasureItem(LPMEASUREITEMSTRUCT lpMeasureItemStruct) override;

 protected:
  DECLARE_MESSAGE_MAP()
};
