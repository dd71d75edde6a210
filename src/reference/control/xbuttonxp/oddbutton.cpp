#include "reference/control/xbuttonxp/oddbutton.h"

#include "platform/dialog.h"

BEGIN_MESSAGE_MAP(COddButton, CButton)
  ON_WM_GETDLGCODE()
  ON_MESSAGE(BM_SETSTYLE, &COddButton::OnSetStyle)
END_MESSAGE_MAP()

void COddButton::PreSubclassWindow() {
  const DWORD style = GetStyle();
  m_nType = style & BS_TYPEMASK;
  if (m_nType == BS_DEFPUSHBUTTON) {
    m_bCanBeDefault = TRUE;
    m_bDefault = TRUE;
    m_nType = BS_PUSHBUTTON;
  } else if (m_nType == BS_PUSHBUTTON) {
    m_bCanBeDefault = TRUE;
  }
  CButton::PreSubclassWindow();
  ModifyStyle(BS_TYPEMASK, BS_OWNERDRAW, SWP_FRAMECHANGED);
}

UINT COddButton::OnGetDlgCode() {
  // A button's own answer (the themed button's wants every key but Tab).
  UINT code = static_cast<UINT>(Default()) | DLGC_BUTTON;
  if (m_nType == BS_RADIOBUTTON || m_nType == BS_AUTORADIOBUTTON) code |= DLGC_RADIOBUTTON;
  if (m_nType == BS_GROUPBOX) return DLGC_STATIC;
  if (m_bCanBeDefault || m_bDefault) code |= m_bDefault ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON;
  return code;
}

LRESULT COddButton::OnSetStyle(WPARAM wParam, LPARAM lParam) {
  const UINT type = static_cast<UINT>(wParam) & BS_TYPEMASK;
  if (type == BS_DEFPUSHBUTTON) {
    if (m_bCanBeDefault) m_bDefault = TRUE;
  } else if (type == BS_PUSHBUTTON) {
    m_bDefault = FALSE;
  }
  const WPARAM style = (wParam & ~static_cast<WPARAM>(BS_TYPEMASK)) | BS_OWNERDRAW;
  LRESULT result = CButton::DefWindowProc(BM_SETSTYLE, style, lParam);
  if (lParam) Invalidate();
  return result;
}

void COddButton::SetCanBeDefault(BOOL canBeDefault) {
  m_bCanBeDefault = canBeDefault;
  if (canBeDefault || !m_bDefault || !::IsWindow(GetSafeHwnd())) return;
  SendMessage(BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
  // The dialog sets its default id again, which recomputes its default button.
  if (auto* dialog = dynamic_cast<CDialog*>(GetParent())) {
    const DWORD def = dialog->GetDefID();
    if (HIWORD(def) == DC_HASDEFID) dialog->SetDefID(LOWORD(def));
  }
}

namespace {
UINT DlgCodeOf(CWnd* wnd) {
  return wnd != nullptr && ::IsWindow(wnd->GetSafeHwnd()) ? static_cast<UINT>(wnd->SendMessage(WM_GETDLGCODE)) : 0;
}
bool IsPushButton(UINT code) {
  return (code & DLGC_BUTTON) != 0 && (code & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) != 0;
}
}  // namespace

void COddButton::MoveDefaultButton(CWnd* dialogWnd, UINT id) {
  auto* dialog = dynamic_cast<CDialog*>(dialogWnd);
  if (dialog == nullptr || !::IsWindow(dialog->GetSafeHwnd())) return;
  const DWORD old = dialog->GetDefID();
  const UINT oldId = HIWORD(old) == DC_HASDEFID ? LOWORD(old) : 0;
  dialog->SetDefID(id);
  if (oldId != 0) {
    CWnd* oldButton = dialog->GetDlgItem(static_cast<int>(oldId));
    const UINT code = DlgCodeOf(oldButton);
    if ((code & DLGC_BUTTON) && (code & DLGC_DEFPUSHBUTTON)) oldButton->SendMessage(BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
  }
  CWnd* newButton = dialog->GetDlgItem(static_cast<int>(id));
  const UINT newCode = DlgCodeOf(newButton);
  if (!(newCode & DLGC_BUTTON)) return;
  CWnd* focus = CWnd::GetFocus();
  const UINT focusCode = DlgCodeOf(focus);
  if (IsPushButton(focusCode)) {
    if (focus != newButton && (newCode & DLGC_DEFPUSHBUTTON)) newButton->SendMessage(BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
    if (!(focusCode & DLGC_DEFPUSHBUTTON)) focus->SendMessage(BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
  } else if (!(newCode & DLGC_DEFPUSHBUTTON)) {
    newButton->SendMessage(BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
  }
}
