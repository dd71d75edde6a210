// Helpers of the zone and record pages (see pagehelpers.h).
#include "gui/dlg/pagehelpers.h"

#include <algorithm>

#include "gui/dlg/brelvanodlg.h"
#include "gui/dlg/guibase.h"
#include "gui/dlg/settingdlg.h"
#include "platform/dialog.h"
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

void PageTakeListFromSettingsPage(CWnd* pParent, CPtrList* pList) {
  auto* pMain = dynamic_cast<CBrelvanoDlg*>(pParent);
  if (pMain == nullptr || pList == nullptr || pMain->m_pSettingDlg == nullptr) return;
  if (pMain->m_pSettingDlg->m_pParamList == pList) pMain->m_pSettingDlg->ClearPage();
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

namespace {
constexpr int kRecordButtonTop = 300;
constexpr int kRecordButtonLeft = 300;
constexpr int kRecordButtonPitch = 130;
constexpr int kRecordButtonWidth = 100;
constexpr int kRecordButtonHeight = 35;
constexpr int kRecordListLeft = 155;
constexpr int kRecordListWidth = 680;
constexpr int kRecordListRightMargin = 5;
}  // namespace

void PlaceRecordPageButtons(CWnd& page, int nPageHeight, int nAddId, int nEditId, int nDeleteId) {
  CRect rc;
  page.GetWindowRect(&rc);
  page.SetWindowPos(nullptr, 0, 0, rc.Width(), nPageHeight, SWP_NOMOVE | SWP_NOZORDER);
  const int buttons[] = {nAddId, nEditId, nDeleteId};
  for (int i = 0; i < 3; ++i) {
    if (CWnd* b = page.GetDlgItem(buttons[i]))
      b->MoveWindow(kRecordButtonLeft + kRecordButtonPitch * i, kRecordButtonTop, kRecordButtonWidth, kRecordButtonHeight);
  }
}

void PlaceRecordPageList(CWnd& page, CWnd& list, CWnd& progress) {
  CRect client;
  page.GetClientRect(&client);
  const int width = std::max(0, std::min(kRecordListWidth, client.Width() - kRecordListLeft - kRecordListRightMargin));
  if (list.GetSafeHwnd() != nullptr) list.MoveWindow(kRecordListLeft, 170, width, 120);
  if (progress.GetSafeHwnd() != nullptr) progress.MoveWindow(kRecordListLeft, 80, width, 30);
}

void TakeKeyboardFocus(CDialog& dlg) {
  if (dlg.GetSafeHwnd() == nullptr || !dlg.IsWindowVisible()) return;
  CWnd* focus = CWnd::GetFocus();
  CWnd* keep = focus != nullptr && focus != &dlg && dlg.IsChild(focus) ? focus : nullptr;
  dlg.SetFocus();  // activates the dialog's window
  if (keep != nullptr) keep->SetFocus();
  else dlg.NextDlgCtrl();
}

void PlaceDetailButtons(CWnd& dlg, int nNeedWidth, int nLastBottom, int nFirstId, int nSecondId) {
  CRect client;
  dlg.GetClientRect(&client);
  CWnd* first = dlg.GetDlgItem(nFirstId);
  CWnd* second = dlg.GetDlgItem(nSecondId);
  if (first == nullptr || second == nullptr) return;
  CRect rf;
  CRect rs;
  first->GetWindowRect(&rf);
  second->GetWindowRect(&rs);
  const int width = std::max(client.Width(), nNeedWidth);
  const int buttonsTop = std::max(nLastBottom + 20, client.Height() - rf.Height() - 12);
  const int height = buttonsTop + rf.Height() + 12;
  if (width != client.Width() || height != client.Height()) {
    CRect outer;
    dlg.GetWindowRect(&outer);
    dlg.SetWindowPos(nullptr, 0, 0, outer.Width() + width - client.Width(), outer.Height() + height - client.Height(),
                     SWP_NOMOVE | SWP_NOZORDER);
  }
  second->MoveWindow(width - rs.Width() - 12, buttonsTop, rs.Width(), rs.Height());
  first->MoveWindow(width - rs.Width() - rf.Width() - 24, buttonsTop, rf.Width(), rf.Height());
}

void SetRowValues(CListCtrl& list, int nRow, const std::vector<CString>& values) {
  const int columns = list.GetHeaderCtrl() != nullptr ? list.GetHeaderCtrl()->GetItemCount() : 0;
  for (int c = kFirstValueColumn; c < columns && static_cast<size_t>(c - kFirstValueColumn) < values.size(); ++c)
    list.SetItemText(nRow, c, values[c - kFirstValueColumn]);
}

}  // namespace brelvano
