// CReportDialog: the "Report Map" dialog, which shows the bits of a report (bit-map) parameter, one
// line per entry of the report list, and gives the main window's buttons and tab strip back when it
// closes. This is its least form: the check boxes and the value written back come with the full
// dialog. Also the byte and bit reversal the report values use.
#pragma once

#include "gui/dlg/definitionmodel.h"
#include "gui/dlg/guibase.h"
#include "platform/controls.h"
#include "platform/dialog.h"
#include "resources/pageresource.h"

class CReportDialog : public CDialogEx, public GUI_Base {
 public:
  // pReportTabs: the report definition's table of kMaxReportTabs tabs (kept, not owned).
  CReportDialog(const TAB_INFO* pReportTabs, CWnd* pParent);
  explicit CReportDialog(CWnd* pParent);
  ~CReportDialog() override = default;

  enum { IDD = IDD_REPORT_MAP };

  BOOL OnInitDialog() override;
  // The main window frees a request it replaced: the dialog stops referring to it.
  void ForgetRequest(const REPORT_MAP_REQUEST* pRequest) {
    if (m_pRequest == pRequest) m_pRequest = nullptr;
  }
  // Enter and Esc never close the dialog.
  BOOL PreTranslateMessage(MSG* pMsg) override;
  // Enables the main window's Connect, Disconnect and Open buttons and its tab strip again, then
  // destroys the window.
  void OnClose();

  // The bits of a hexadecimal value text: character i is bit i ("0"/"1"), bit 0 the lowest bit of
  // the last digit. Characters that are not hexadecimal digits count as 0.
  static CString BitsFromHex(const CString& hex);

  const TAB_INFO* m_pReportTabs = nullptr;
  REPORT_MAP_REQUEST* m_pRequest = nullptr;  // the request of the current use (not owned here)
  TAB_INFO m_tab;
  CPtrList* m_pParamList = nullptr;  // the report list shown (owned by the main window)
  CString m_strBits;
  CListBox m_listBits;

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  void OnOk();
  LRESULT OnReportMapData(WPARAM wParam, LPARAM lParam);
  void EnableMainControls(BOOL bEnable);

  DECLARE_MESSAGE_MAP()
};

// out[count - 1 - j] = in[j] with its eight bits in reverse order. Handles 0 to 255 bytes; the count
// reversed, or 0 (nothing written) for another count or a missing buffer.
int ReverseBitsAndBytes(const unsigned char* pIn, unsigned char* pOut, int nCount);
