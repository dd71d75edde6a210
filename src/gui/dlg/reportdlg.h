// CReportDialog: the "Report Map" dialog, which shows a report (bit-map) parameter of the settings
// page as check boxes, one per item of the report list (or grouped into the small, medium and large
// assignment columns), and on OK writes the packed hexadecimal value back into the settings page's
// text box. Nothing is sent to the device here. While the dialog is open the main window's Connect,
// Disconnect and Open buttons, its tab strip and its menu panel are disabled. Also the byte and bit
// reversal the report values use, and the packing of check states into a value text.
#pragma once

#include <vector>

#include "gui/dlg/definitionmodel.h"
#include "gui/dlg/guibase.h"
#include "platform/controls.h"
#include "platform/dialog.h"
#include "platform/gdi.h"
#include "resources/pageresource.h"

class CReportDialog : public CDialogEx, public GUI_Base {
 public:
  // pReportTabs: the report definition's table of kMaxReportTabs tabs (kept, not owned).
  CReportDialog(const TAB_INFO* pReportTabs, CWnd* pParent);
  explicit CReportDialog(CWnd* pParent);
  ~CReportDialog() override;

  enum { IDD = IDD_REPORT_MAP };

  BOOL OnInitDialog() override;
  // The main window frees a request it replaced: the dialog stops referring to it.
  void ForgetRequest(const REPORT_MAP_REQUEST* pRequest) {
    if (m_pRequest == pRequest) m_pRequest = nullptr;
  }
  // Escape closes the dialog without writing; Enter does nothing.
  BOOL PreTranslateMessage(MSG* pMsg) override;
  // Gives the main window's controls back, destroys the check boxes and the window.
  void OnClose();
  // Destroys the check boxes of the list shown and forgets the list (the main window calls it
  // before it frees a list the dialog may show).
  void ReleaseList();

  // The bits of a hexadecimal value text: character i is bit i ("0"/"1"), bit 0 the lowest bit of
  // the last digit. Characters that are not hexadecimal digits count as 0.
  static CString BitsFromHex(const CString& hex);
  // Appends the fields of text between separators (empty ones kept, none after a trailing
  // separator).
  static void SplitText(std::vector<CString>& out, const CString& text, wchar_t sep);
  // The value text of a bit text (character m = bit m of the value) in nBytes bytes, "%02X" each,
  // most significant first: missing bytes are "00" in front, bits beyond the bytes are dropped.
  static CString PackBits(const CString& bits, int nBytes);

  const TAB_INFO* m_pReportTabs = nullptr;
  REPORT_MAP_REQUEST* m_pRequest = nullptr;  // the request of the current use (the main window's)
  TAB_INFO m_tab;
  CPtrList* m_pParamList = nullptr;  // the list shown (owned by the main window); null: none
  int m_nMatchedTab = 0;
  CString m_strBits;
  CFont m_font;
  CStatic* m_pSmallTitle = nullptr;
  CStatic* m_pMediumTitle = nullptr;
  CStatic* m_pLargeTitle = nullptr;
  int m_nScrollPos = 0;
  int m_nScrollPage = 0;
  int m_nScrollMax = 0;

 protected:
  void OnOk();
  LRESULT OnReportMapData(WPARAM wParam, LPARAM lParam);
  void OnVScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar);
  void OnSize(UINT nType, int cx, int cy);
  void EnableMainControls(BOOL bEnable);
  void LayoutAssignments();
  void LayoutPlain();
  // The settings page's value box of the request (null when there is none).
  CWnd* ValueBox() const;
  CButton* MakeCheckBox(const CString& text, const CRect& rc, UINT nId, BOOL bChecked);
  CStatic* MakeTitle(const CString& text, const CRect& rc);
  void ShowScrollBarFor(int nBottom);

  std::vector<CWnd*> m_controls;  // every control made for the list shown
  BOOL m_bScrollNeeded = FALSE;

  DECLARE_MESSAGE_MAP()
};

// out[count - 1 - j] = in[j] with its eight bits in reverse order. The count reversed, or 0
// (nothing written) for a negative count or a missing buffer. pIn and pOut may be the same.
int ReverseBitsAndBytes(const unsigned char* pIn, unsigned char* pOut, int nCount);
