// The standard control classes' registration and the helpers their widgets share.
#include <QPainter>

#include "platform/controls_widgets.h"
#include "platform/gdi.h"

namespace platform {
namespace ctl {

CWnd* OwnWnd(const QWidget* w) {
  if (w == nullptr) return nullptr;
  CWnd* wnd = CWnd::FromWidget(w);
  return wnd != nullptr && wnd->GetWidget() == w && wnd->m_hWnd != nullptr ? wnd : nullptr;
}

DWORD StyleOf(const QWidget* w, DWORD fallback) {
  CWnd* wnd = OwnWnd(w);
  return wnd != nullptr ? wnd->GetStyle() : fallback;
}

void Notify(QWidget* w, UINT code) {
  if (CWnd* wnd = OwnWnd(w)) NotifyCommand(wnd, code);
}

LRESULT SendToOwn(QWidget* w, UINT message, WPARAM wParam, LPARAM lParam) {
  CWnd* wnd = OwnWnd(w);
  return wnd != nullptr ? wnd->SendMessage(message, wParam, lParam) : 0;
}

void SendDrawItem(CWnd* wnd, DRAWITEMSTRUCT& dis, QPainter& painter) {
  if (wnd == nullptr || wnd->m_hWnd == nullptr) return;
  CDC dc;
  dc.AttachPainter(&painter);
  dis.CtlID = static_cast<UINT>(wnd->GetDlgCtrlID());
  dis.hwndItem = wnd->m_hWnd;
  dis.hDC = dc.GetSafeHdc();
  if (CWnd* parent = wnd->GetParent()) {
    parent->SendMessage(WM_DRAWITEM, dis.CtlID, reinterpret_cast<LPARAM>(&dis));
  } else {
    wnd->DrawItem(&dis);
  }
  dc.DetachPainter();
}

void SendMeasureItem(CWnd* wnd, MEASUREITEMSTRUCT& mis) {
  if (wnd == nullptr || wnd->m_hWnd == nullptr) return;
  mis.CtlID = static_cast<UINT>(wnd->GetDlgCtrlID());
  if (CWnd* parent = wnd->GetParent()) {
    parent->SendMessage(WM_MEASUREITEM, mis.CtlID, reinterpret_cast<LPARAM>(&mis));
  } else {
    wnd->MeasureItem(&mis);
  }
}

int CompareNoCase(const QString& a, const QString& b) { return CString(a).CompareNoCase(CString(b)); }

bool StartsWithNoCase(const QString& text, const QString& prefix) {
  if (prefix.size() > text.size()) return false;
  return CompareNoCase(text.left(prefix.size()), prefix) == 0;
}

ButtonState* ButtonStateOf(QWidget* w) { return dynamic_cast<ButtonState*>(w); }
EditCore* EditCoreOf(QWidget* w) { return dynamic_cast<EditCore*>(w); }

namespace {

void ApplyFrame(QFrame* frame, DWORD winStyle, DWORD exStyle) {
  if (exStyle & WS_EX_CLIENTEDGE) {
    frame->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
  } else if (exStyle & WS_EX_STATICEDGE) {
    frame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    frame->setLineWidth(1);
  } else if (winStyle & WS_BORDER) {
    frame->setFrameStyle(QFrame::Box | QFrame::Plain);
    frame->setLineWidth(1);
  } else {
    frame->setFrameStyle(QFrame::NoFrame);
  }
}

QWidget* CreateButton(CWnd*, DWORD winStyle, DWORD, QWidget* parent) {
  switch (winStyle & BS_TYPEMASK) {
    case BS_CHECKBOX:
    case BS_AUTOCHECKBOX:
    case BS_3STATE:
    case BS_AUTO3STATE:
      return new CheckBoxWidget(winStyle, parent);
    case BS_RADIOBUTTON:
    case BS_AUTORADIOBUTTON:
      return new RadioButtonWidget(winStyle, parent);
    case BS_GROUPBOX:
      return new GroupBoxWidget(winStyle, parent);
    default:
      return new PushButtonWidget(winStyle, parent);
  }
}

void SetButtonText(QWidget* w, const CString& text) {
  if (auto* b = qobject_cast<QAbstractButton*>(w)) b->setText(text.q());
  else if (auto* g = qobject_cast<QGroupBox*>(w)) g->setTitle(text.q());
}

CString GetButtonText(const QWidget* w) {
  if (auto* b = qobject_cast<const QAbstractButton*>(w)) return CString(b->text());
  if (auto* g = qobject_cast<const QGroupBox*>(w)) return CString(g->title());
  return CString();
}

QWidget* CreateEdit(CWnd*, DWORD winStyle, DWORD exStyle, QWidget* parent) {
  if (winStyle & ES_MULTILINE) {
    auto* w = new TextEditWidget(winStyle, parent);
    ApplyFrame(w, winStyle, exStyle);
    return w;
  }
  auto* w = new LineEditWidget(winStyle, parent);
  w->setFrame((winStyle & WS_BORDER) != 0 || (exStyle & (WS_EX_CLIENTEDGE | WS_EX_STATICEDGE)) != 0);
  return w;
}

void SetEditText(QWidget* w, const CString& text) {
  EditCore* e = EditCoreOf(w);
  if (e == nullptr) return;
  QString t = text.q();
  if (e->Multiline()) {
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    t.replace(QChar('\r'), QChar('\n'));
  }
  // Windows reports a set text as a change, except in multi-line edits and at creation.
  bool notify = !e->creating && !e->Multiline();
  e->creating = false;
  e->SetQtText(t);
  e->SetModified(false);
  if (notify) e->NotifyChanged();
}

CString GetEditText(const QWidget* w) {
  EditCore* e = EditCoreOf(const_cast<QWidget*>(w));
  return e != nullptr ? CString(e->WinText()) : CString();
}

QWidget* CreateStatic(CWnd*, DWORD winStyle, DWORD exStyle, QWidget* parent) {
  auto* w = new StaticWidget(winStyle, parent);
  if (exStyle & (WS_EX_CLIENTEDGE | WS_EX_STATICEDGE)) ApplyFrame(w, 0, exStyle);
  return w;
}

void SetStaticText(QWidget* w, const CString& text) {
  if (auto* s = qobject_cast<StaticWidget*>(w)) {
    s->text = text.q();
    s->update();
  }
}

CString GetStaticText(const QWidget* w) {
  if (auto* s = qobject_cast<const StaticWidget*>(w)) return CString(s->text);
  return CString();
}

void SetComboText(QWidget* w, const CString& text) {
  auto* c = qobject_cast<ComboWidget*>(w);
  if (c == nullptr) return;
  if (c->isEditable()) {
    c->quiet++;
    c->setEditText(text.q());
    c->quiet--;
    return;
  }
  // A drop-down list shows only its items: the text selects the item that has it.
  for (int i = 0; i < c->count(); ++i) {
    if (CompareNoCase(c->itemText(i), text.q()) == 0) {
      c->SetSelection(i);
      return;
    }
  }
}

CString GetComboText(const QWidget* w) {
  auto* c = qobject_cast<const ComboWidget*>(w);
  if (c == nullptr) return CString();
  if (c->isEditable()) return CString(c->currentText());
  return c->currentIndex() >= 0 ? CString(c->itemText(c->currentIndex())) : CString();
}

QWidget* CreateListBox(CWnd*, DWORD winStyle, DWORD exStyle, QWidget* parent) {
  auto* w = new ListBoxWidget(winStyle, parent);
  ApplyFrame(w, winStyle, exStyle);
  return w;
}

QWidget* CreateIp(CWnd*, DWORD winStyle, DWORD exStyle, QWidget* parent) {
  auto* w = new IpAddressWidget(winStyle, parent);
  ApplyFrame(w, winStyle | WS_BORDER, exStyle);
  return w;
}

void SetIpText(QWidget* w, const CString& text) {
  if (auto* ip = qobject_cast<IpAddressWidget*>(w)) ip->SetText(text.q());
}

CString GetIpText(const QWidget* w) {
  if (auto* ip = qobject_cast<const IpAddressWidget*>(w)) return CString(ip->Text());
  return CString();
}

}  // namespace
}  // namespace ctl

void RegisterBasicControlClasses() {
  using namespace ctl;
  WindowClassInfo button;
  button.name = CString(L"BUTTON");
  button.createWidget = CreateButton;
  button.createWrapper = [] { return static_cast<CWnd*>(new CButton()); };
  button.setText = SetButtonText;
  button.getText = GetButtonText;
  RegisterWindowClass(button);

  WindowClassInfo edit;
  edit.name = CString(L"EDIT");
  edit.createWidget = CreateEdit;
  edit.createWrapper = [] { return static_cast<CWnd*>(new CEdit()); };
  edit.setText = SetEditText;
  edit.getText = GetEditText;
  RegisterWindowClass(edit);

  WindowClassInfo stat;
  stat.name = CString(L"STATIC");
  stat.createWidget = CreateStatic;
  stat.createWrapper = [] { return static_cast<CWnd*>(new CStatic()); };
  stat.setText = SetStaticText;
  stat.getText = GetStaticText;
  RegisterWindowClass(stat);

  WindowClassInfo combo;
  combo.name = CString(L"COMBOBOX");
  combo.createWidget = [](CWnd*, DWORD winStyle, DWORD, QWidget* parent) -> QWidget* {
    return new ComboWidget(winStyle, parent);
  };
  combo.createWrapper = [] { return static_cast<CWnd*>(new CComboBox()); };
  combo.setText = SetComboText;
  combo.getText = GetComboText;
  RegisterWindowClass(combo);

  WindowClassInfo list;
  list.name = CString(L"LISTBOX");
  list.createWidget = CreateListBox;
  list.createWrapper = [] { return static_cast<CWnd*>(new CListBox()); };
  RegisterWindowClass(list);

  WindowClassInfo progress;
  progress.name = CString(L"msctls_progress32");
  progress.createWidget = [](CWnd*, DWORD winStyle, DWORD, QWidget* parent) -> QWidget* {
    return new ProgressWidget(winStyle, parent);
  };
  progress.createWrapper = [] { return static_cast<CWnd*>(new CProgressCtrl()); };
  RegisterWindowClass(progress);

  WindowClassInfo scroll;
  scroll.name = CString(L"SCROLLBAR");
  scroll.createWidget = [](CWnd*, DWORD winStyle, DWORD, QWidget* parent) -> QWidget* {
    return new ScrollBarWidget(winStyle, parent);
  };
  scroll.createWrapper = [] { return static_cast<CWnd*>(new CScrollBar()); };
  RegisterWindowClass(scroll);

  WindowClassInfo ip;
  ip.name = CString(L"SysIPAddress32");
  ip.createWidget = CreateIp;
  ip.createWrapper = [] { return static_cast<CWnd*>(new CIPAddressCtrl()); };
  ip.setText = SetIpText;
  ip.getText = GetIpText;
  RegisterWindowClass(ip);

  WindowClassInfo tip;
  tip.name = CString(L"tooltips_class32");
  tip.createWidget = [](CWnd*, DWORD winStyle, DWORD, QWidget* parent) -> QWidget* {
    return new ToolTipWidget(winStyle, parent);
  };
  tip.createWrapper = [] { return static_cast<CWnd*>(new CToolTipCtrl()); };
  // The tips show the tools' texts; the control's own window text is not shown.
  RegisterWindowClass(tip);
}

}  // namespace platform
