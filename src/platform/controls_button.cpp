// Buttons (push, check box, radio button, group box, owner-drawn) and static controls.
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionButton>
#include <QStylePainter>

#include "platform/controls_widgets.h"
#include "platform/gdi.h"

namespace platform {
namespace ctl {

namespace {

DWORD ButtonType(QWidget* w) {
  ButtonState* s = ButtonStateOf(w);
  return StyleOf(w, s != nullptr ? s->winStyle : 0) & BS_TYPEMASK;
}

bool IsRadioType(DWORD type) { return type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON; }

// Unchecks the other radio buttons of the button's group: the group runs from the nearest
// sibling at or before it with WS_GROUP up to the next sibling with WS_GROUP.
void UncheckGroupSiblings(QWidget* self) {
  CWnd* me = OwnWnd(self);
  CWnd* parent = me != nullptr ? me->GetParent() : nullptr;
  if (parent == nullptr) return;
  std::vector<CWnd*> siblings = parent->GetChildren();
  size_t index = siblings.size();
  for (size_t i = 0; i < siblings.size(); ++i) {
    if (siblings[i] == me) index = i;
  }
  if (index == siblings.size()) return;
  size_t first = index;
  while (first > 0 && (siblings[first]->GetStyle() & WS_GROUP) == 0) --first;
  size_t last = index + 1;
  while (last < siblings.size() && (siblings[last]->GetStyle() & WS_GROUP) == 0) ++last;
  for (size_t i = first; i < last; ++i) {
    if (i == index) continue;
    auto* radio = qobject_cast<RadioButtonWidget*>(siblings[i]->GetWidget());
    if (radio != nullptr && IsRadioType(siblings[i]->GetStyle() & BS_TYPEMASK)) radio->setChecked(false);
  }
}

// Windows reports a double click for radio and owner-drawn buttons, and for any with BS_NOTIFY.
void DoubleClicked(QWidget* w) {
  DWORD winStyle = StyleOf(w, ButtonStateOf(w) != nullptr ? ButtonStateOf(w)->winStyle : 0);
  DWORD type = winStyle & BS_TYPEMASK;
  if ((winStyle & BS_NOTIFY) || IsRadioType(type) || type == BS_OWNERDRAW) Notify(w, BN_DOUBLECLICKED);
}

void FocusNotify(QWidget* w, UINT code, QFocusEvent* event) {
  if (event->reason() == Qt::PopupFocusReason) return;
  DWORD winStyle = StyleOf(w, ButtonStateOf(w) != nullptr ? ButtonStateOf(w)->winStyle : 0);
  if (winStyle & BS_NOTIFY) Notify(w, code);
}

template <typename Button>
void InitClickable(Button* b, DWORD winStyle) {
  b->winStyle = winStyle;
  if (winStyle & BS_LEFTTEXT) b->setLayoutDirection(Qt::RightToLeft);
  QObject::connect(b, &QAbstractButton::clicked, b, [b] { Notify(b, BN_CLICKED); });
}

QPixmap ButtonImage(const ButtonState* s) {
  if (s->bitmap != nullptr) {
    QPixmap pm = PixmapFromHBitmap(s->bitmap);
    if (!pm.isNull()) return pm;
  }
  if (s->icon != nullptr) {
    QImage img = ImageFromHIcon(s->icon);
    if (!img.isNull()) return QPixmap::fromImage(img);
  }
  return QPixmap();
}

}  // namespace

PushButtonWidget::PushButtonWidget(DWORD s, QWidget* parent) : QPushButton(parent) {
  InitClickable(this, s);
  // The dialog code decides what Enter does; Qt's default-button handling stays out of it.
  setAutoDefault(false);
  setDefault(false);
  setFlat((s & BS_FLAT) != 0);
}

void PushButtonWidget::paintEvent(QPaintEvent* event) {
  DWORD st = StyleOf(this, winStyle);
  if ((st & BS_TYPEMASK) == BS_OWNERDRAW) {
    QPainter painter(this);
    DRAWITEMSTRUCT dis{};
    dis.CtlType = ODT_BUTTON;
    dis.itemID = 0;
    dis.itemAction = ODA_DRAWENTIRE;
    if (isDown()) dis.itemState |= ODS_SELECTED;
    if (hasFocus()) dis.itemState |= ODS_FOCUS;
    if (!isEnabled()) dis.itemState |= ODS_DISABLED;
    dis.rcItem = CRect(0, 0, width(), height());
    SendDrawItem(OwnWnd(this), dis, painter);
    return;
  }
  QPixmap image = (st & (BS_BITMAP | BS_ICON)) ? ButtonImage(this) : QPixmap();
  if (image.isNull()) {
    QPushButton::paintEvent(event);
    return;
  }
  // An image button shows its image instead of its text.
  QStylePainter painter(this);
  QStyleOptionButton option;
  initStyleOption(&option);
  option.text.clear();
  option.icon = QIcon(image);
  option.iconSize = image.size();
  painter.drawControl(QStyle::CE_PushButton, option);
}

void PushButtonWidget::mouseDoubleClickEvent(QMouseEvent* event) {
  QPointer<QWidget> self(this);
  DoubleClicked(this);
  if (self != nullptr) QPushButton::mouseDoubleClickEvent(event);
}

void PushButtonWidget::focusInEvent(QFocusEvent* event) {
  QPushButton::focusInEvent(event);
  FocusNotify(this, BN_SETFOCUS, event);
}

void PushButtonWidget::focusOutEvent(QFocusEvent* event) {
  QPushButton::focusOutEvent(event);
  FocusNotify(this, BN_KILLFOCUS, event);
}

CheckBoxWidget::CheckBoxWidget(DWORD s, QWidget* parent) : QCheckBox(parent) {
  InitClickable(this, s);
  DWORD type = s & BS_TYPEMASK;
  setTristate(type == BS_3STATE || type == BS_AUTO3STATE);
}

void CheckBoxWidget::nextCheckState() {
  switch (ButtonType(this)) {
    case BS_AUTOCHECKBOX:
      setCheckState(checkState() == Qt::Unchecked ? Qt::Checked : Qt::Unchecked);
      break;
    case BS_AUTO3STATE:  // unchecked -> checked -> indeterminate -> unchecked
      setCheckState(checkState() == Qt::Unchecked ? Qt::Checked
                     : checkState() == Qt::Checked ? Qt::PartiallyChecked
                                                   : Qt::Unchecked);
      break;
    default:  // BS_CHECKBOX, BS_3STATE: the program sets the state
      break;
  }
}

void CheckBoxWidget::mouseDoubleClickEvent(QMouseEvent* event) {
  QPointer<QWidget> self(this);
  DoubleClicked(this);
  if (self != nullptr) QCheckBox::mouseDoubleClickEvent(event);
}

void CheckBoxWidget::focusInEvent(QFocusEvent* event) {
  QCheckBox::focusInEvent(event);
  FocusNotify(this, BN_SETFOCUS, event);
}

void CheckBoxWidget::focusOutEvent(QFocusEvent* event) {
  QCheckBox::focusOutEvent(event);
  FocusNotify(this, BN_KILLFOCUS, event);
}

RadioButtonWidget::RadioButtonWidget(DWORD s, QWidget* parent) : QRadioButton(parent) {
  InitClickable(this, s);
  // Groups follow WS_GROUP, not the parent widget.
  setAutoExclusive(false);
}

void RadioButtonWidget::nextCheckState() {
  if (ButtonType(this) != BS_AUTORADIOBUTTON) return;
  setChecked(true);
  UncheckGroupSiblings(this);
}

void RadioButtonWidget::mouseDoubleClickEvent(QMouseEvent* event) {
  QPointer<QWidget> self(this);
  DoubleClicked(this);
  if (self != nullptr) QRadioButton::mouseDoubleClickEvent(event);
}

void RadioButtonWidget::focusInEvent(QFocusEvent* event) {
  QRadioButton::focusInEvent(event);
  FocusNotify(this, BN_SETFOCUS, event);
}

void RadioButtonWidget::focusOutEvent(QFocusEvent* event) {
  QRadioButton::focusOutEvent(event);
  FocusNotify(this, BN_KILLFOCUS, event);
}

GroupBoxWidget::GroupBoxWidget(DWORD s, QWidget* parent) : QGroupBox(parent) {
  winStyle = s;
  // A group box only frames its neighbours; clicks go to whatever lies under it.
  setAttribute(Qt::WA_TransparentForMouseEvents, true);
  setFocusPolicy(Qt::NoFocus);
}

// ---- statics ------------------------------------------------------------------------------

StaticWidget::StaticWidget(DWORD s, QWidget* parent) : QFrame(parent), winStyle(s) {
  setFocusPolicy(Qt::NoFocus);
  if (s & SS_SUNKEN) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(1);
  } else if (s & WS_BORDER) {
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);
  }
  setAttribute(Qt::WA_TransparentForMouseEvents, (s & SS_NOTIFY) == 0);
}

void StaticWidget::ApplyBitmapSize() {
  DWORD st = StyleOf(this, winStyle);
  if ((st & SS_TYPEMASK) != SS_BITMAP || (st & (SS_CENTERIMAGE | SS_REALSIZECONTROL))) return;
  QPixmap pm = PixmapFromHBitmap(bitmap);
  if (pm.isNull()) return;
  // A bitmap static takes the size of its bitmap.
  QMargins m = contentsMargins();
  resize(pm.width() + m.left() + m.right(), pm.height() + m.top() + m.bottom());
}

void StaticWidget::paintEvent(QPaintEvent*) {
  DWORD st = StyleOf(this, winStyle);
  // Without SS_NOTIFY a static lets the mouse through to what lies under it. The style may
  // change after creation (ModifyStyle), which always repaints.
  setAttribute(Qt::WA_TransparentForMouseEvents, (st & SS_NOTIFY) == 0);
  QPainter painter(this);
  QRect all = rect();
  QRect inner = contentsRect();
  auto color = [](int index) { return QColorFromColorRef(GetSysColor(index)); };
  switch (st & SS_TYPEMASK) {
    case SS_OWNERDRAW: {
      DRAWITEMSTRUCT dis{};
      dis.CtlType = ODT_STATIC;
      dis.itemAction = ODA_DRAWENTIRE;
      if (!isEnabled()) dis.itemState |= ODS_DISABLED;
      dis.rcItem = CRect(0, 0, width(), height());
      SendDrawItem(OwnWnd(this), dis, painter);
      return;
    }
    case SS_BLACKRECT:
      painter.fillRect(all, color(COLOR_WINDOWFRAME));
      break;
    case SS_GRAYRECT:
      painter.fillRect(all, color(COLOR_BTNSHADOW));
      break;
    case SS_WHITERECT:
      painter.fillRect(all, color(COLOR_WINDOW));
      break;
    case SS_BLACKFRAME:
    case SS_GRAYFRAME:
    case SS_WHITEFRAME: {
      int type = static_cast<int>(st & SS_TYPEMASK);
      painter.setPen(color(type == SS_BLACKFRAME ? COLOR_WINDOWFRAME
                           : type == SS_GRAYFRAME ? COLOR_BTNSHADOW
                                                  : COLOR_WINDOW));
      painter.drawRect(all.adjusted(0, 0, -1, -1));
      break;
    }
    case SS_ETCHEDHORZ:
      painter.setPen(color(COLOR_BTNSHADOW));
      painter.drawLine(0, 0, width() - 1, 0);
      painter.setPen(color(COLOR_BTNHIGHLIGHT));
      painter.drawLine(0, 1, width() - 1, 1);
      break;
    case SS_ETCHEDVERT:
      painter.setPen(color(COLOR_BTNSHADOW));
      painter.drawLine(0, 0, 0, height() - 1);
      painter.setPen(color(COLOR_BTNHIGHLIGHT));
      painter.drawLine(1, 0, 1, height() - 1);
      break;
    case SS_ETCHEDFRAME:
      painter.setPen(color(COLOR_BTNSHADOW));
      painter.drawRect(all.adjusted(0, 0, -2, -2));
      painter.setPen(color(COLOR_BTNHIGHLIGHT));
      painter.drawRect(all.adjusted(1, 1, -1, -1));
      break;
    case SS_BITMAP:
    case SS_ICON: {
      QPixmap pm;
      if ((st & SS_TYPEMASK) == SS_BITMAP) pm = PixmapFromHBitmap(bitmap);
      else if (icon != nullptr) pm = QPixmap::fromImage(ImageFromHIcon(icon));
      if (pm.isNull()) break;
      if (st & SS_REALSIZECONTROL) {
        painter.drawPixmap(inner, pm);
      } else if (st & SS_CENTERIMAGE) {
        painter.drawPixmap(inner.left() + (inner.width() - pm.width()) / 2,
                           inner.top() + (inner.height() - pm.height()) / 2, pm);
      } else {
        painter.drawPixmap(inner.topLeft(), pm);
      }
      break;
    }
    default: {
      // Text. The parent may choose the colours through WM_CTLCOLOR (a control's own
      // CtlColor answers when reflected): a brush for the background and the text colour.
      QColor textColor = palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText);
      CWnd* wnd = OwnWnd(this);
      CWnd* parent = wnd != nullptr ? wnd->GetParent() : nullptr;
      if (parent != nullptr) {
        CDC dc;
        dc.AttachPainter(&painter);
        dc.SetTextColor(GetSysColor(COLOR_WINDOWTEXT));
        dc.SetBkColor(GetSysColor(COLOR_BTNFACE));
        CtlColorArgs args{&dc, wnd, CTLCOLOR_STATIC};
        QPointer<QWidget> self(this);
        LRESULT brush = parent->SendMessage(WM_CTLCOLOR, reinterpret_cast<WPARAM>(dc.GetSafeHdc()),
                                            reinterpret_cast<LPARAM>(&args));
        COLORREF chosen = dc.GetTextColor();
        dc.DetachPainter();
        if (self == nullptr) return;
        if (brush != 0) {
          QBrush qb;
          if (QBrushFromHandle(reinterpret_cast<HBRUSH>(brush), &qb)) painter.fillRect(all, qb);
          if (isEnabled()) textColor = QColorFromColorRef(chosen);
        }
      }
      int flags = 0;
      switch (st & SS_TYPEMASK) {
        case SS_CENTER: flags |= Qt::AlignHCenter; break;
        case SS_RIGHT: flags |= Qt::AlignRight; break;
        default: flags |= Qt::AlignLeft; break;
      }
      flags |= (st & SS_CENTERIMAGE) ? Qt::AlignVCenter : Qt::AlignTop;
      DWORD type = st & SS_TYPEMASK;
      if (type != SS_SIMPLE && type != SS_LEFTNOWORDWRAP) flags |= Qt::TextWordWrap;
      if ((st & SS_NOPREFIX) == 0) flags |= Qt::TextHideMnemonic;
      QString shown = text;
      if (st & SS_ENDELLIPSIS) shown = fontMetrics().elidedText(text, Qt::ElideRight, inner.width());
      painter.setPen(textColor);
      painter.setFont(font());
      painter.drawText(inner, flags, shown);
      break;
    }
  }
  drawFrame(&painter);
}

void StaticWidget::mousePressEvent(QMouseEvent* event) {
  if ((StyleOf(this, winStyle) & SS_NOTIFY) == 0 || event->button() != Qt::LeftButton) {
    event->ignore();
    return;
  }
  Notify(this, STN_CLICKED);
}

void StaticWidget::mouseReleaseEvent(QMouseEvent* event) {
  if ((StyleOf(this, winStyle) & SS_NOTIFY) == 0) event->ignore();
}

void StaticWidget::mouseDoubleClickEvent(QMouseEvent* event) {
  if ((StyleOf(this, winStyle) & SS_NOTIFY) == 0 || event->button() != Qt::LeftButton) {
    event->ignore();
    return;
  }
  Notify(this, STN_DBLCLK);
}

}  // namespace ctl
}  // namespace platform

using namespace platform::ctl;

// ---- CButton -------------------------------------------------------------------------------

BOOL CButton::Create(const CString& caption, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
  std::wstring text = caption.ToWString();
  return CWnd::Create(L"BUTTON", text.c_str(), dwStyle, rect, pParentWnd, nID);
}

int CButton::GetCheck() const {
  QWidget* w = GetWidget();
  if (auto* cb = qobject_cast<QCheckBox*>(w)) {
    switch (cb->checkState()) {
      case Qt::Checked: return BST_CHECKED;
      case Qt::PartiallyChecked: return BST_INDETERMINATE;
      default: return BST_UNCHECKED;
    }
  }
  if (auto* rb = qobject_cast<QRadioButton*>(w)) return rb->isChecked() ? BST_CHECKED : BST_UNCHECKED;
  return BST_UNCHECKED;
}

void CButton::SetCheck(int nCheck) {
  QWidget* w = GetWidget();
  if (auto* cb = qobject_cast<CheckBoxWidget*>(w)) {
    DWORD type = GetStyle() & BS_TYPEMASK;
    bool three = type == BS_3STATE || type == BS_AUTO3STATE;
    if (nCheck == BST_INDETERMINATE && three) cb->setCheckState(Qt::PartiallyChecked);
    else cb->setCheckState(nCheck != BST_UNCHECKED ? Qt::Checked : Qt::Unchecked);
  } else if (auto* rb = qobject_cast<QRadioButton*>(w)) {
    rb->setChecked(nCheck != BST_UNCHECKED);
  }
}

UINT CButton::GetState() const {
  QWidget* w = GetWidget();
  if (w == nullptr) return 0;
  UINT state = static_cast<UINT>(GetCheck());
  if (auto* b = qobject_cast<QAbstractButton*>(w)) {
    if (b->isDown()) state |= BST_PUSHED;
  }
  if (w->hasFocus()) state |= BST_FOCUS;
  return state;
}

void CButton::SetState(BOOL bHighlight) {
  if (auto* b = qobject_cast<QAbstractButton*>(GetWidget())) b->setDown(bHighlight != FALSE);
}

UINT CButton::GetButtonStyle() const { return GetWidget() != nullptr ? (GetStyle() & 0xFFFFu) : 0; }

void CButton::SetButtonStyle(UINT nStyle, BOOL bRedraw) {
  QWidget* w = GetWidget();
  if (w == nullptr) return;
  // Only the button type changes (the widget keeps its push / check / radio / group kind).
  ModifyStyle(BS_TYPEMASK, nStyle & BS_TYPEMASK);
  if (ButtonState* s = ButtonStateOf(w)) s->winStyle = GetStyle();
  if (auto* cb = qobject_cast<QCheckBox*>(w)) {
    DWORD type = nStyle & BS_TYPEMASK;
    bool three = type == BS_3STATE || type == BS_AUTO3STATE;
    if (!three && cb->checkState() == Qt::PartiallyChecked) cb->setCheckState(Qt::Checked);
    cb->setTristate(three);
  }
  if (bRedraw) w->update();
}

HBITMAP CButton::SetBitmap(HBITMAP hBitmap) {
  ButtonState* s = ButtonStateOf(GetWidget());
  if (s == nullptr) return nullptr;
  HBITMAP old = s->bitmap;
  s->bitmap = hBitmap;
  GetWidget()->update();
  return old;
}

HBITMAP CButton::GetBitmap() const {
  ButtonState* s = ButtonStateOf(GetWidget());
  return s != nullptr ? s->bitmap : nullptr;
}

HICON CButton::SetIcon(HICON hIcon) {
  ButtonState* s = ButtonStateOf(GetWidget());
  if (s == nullptr) return nullptr;
  HICON old = s->icon;
  s->icon = hIcon;
  GetWidget()->update();
  return old;
}

HICON CButton::GetIcon() const {
  ButtonState* s = ButtonStateOf(GetWidget());
  return s != nullptr ? s->icon : nullptr;
}

LRESULT CButton::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case BM_GETCHECK: return GetCheck();
    case BM_SETCHECK: SetCheck(static_cast<int>(wParam)); return 0;
    case BM_GETSTATE: return static_cast<LRESULT>(GetState());
    case BM_SETSTATE: SetState(wParam != 0); return 0;
    case BM_SETSTYLE: SetButtonStyle(static_cast<UINT>(wParam), static_cast<BOOL>(lParam)); return 0;
    case BM_CLICK:
      if (auto* b = qobject_cast<QAbstractButton*>(GetWidget())) b->click();
      return 0;
    case BM_GETIMAGE:
      return wParam == IMAGE_ICON ? reinterpret_cast<LRESULT>(GetIcon()) : reinterpret_cast<LRESULT>(GetBitmap());
    case BM_SETIMAGE:
      if (wParam == IMAGE_ICON) return reinterpret_cast<LRESULT>(SetIcon(reinterpret_cast<HICON>(lParam)));
      return reinterpret_cast<LRESULT>(SetBitmap(reinterpret_cast<HBITMAP>(lParam)));
    default:
      return CWnd::DefWindowProc(message, wParam, lParam);
  }
}

// ---- CStatic -------------------------------------------------------------------------------

BOOL CStatic::Create(const CString& text, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
  std::wstring t = text.ToWString();
  return CWnd::Create(L"STATIC", t.c_str(), dwStyle, rect, pParentWnd, nID);
}

HBITMAP CStatic::SetBitmap(HBITMAP hBitmap) {
  auto* s = qobject_cast<StaticWidget*>(GetWidget());
  if (s == nullptr) return nullptr;
  HBITMAP old = s->bitmap;
  s->bitmap = hBitmap;
  s->ApplyBitmapSize();
  s->update();
  return old;
}

HBITMAP CStatic::GetBitmap() const {
  auto* s = qobject_cast<StaticWidget*>(GetWidget());
  return s != nullptr ? s->bitmap : nullptr;
}

HICON CStatic::SetIcon(HICON hIcon) {
  auto* s = qobject_cast<StaticWidget*>(GetWidget());
  if (s == nullptr) return nullptr;
  HICON old = s->icon;
  s->icon = hIcon;
  s->update();
  return old;
}

HICON CStatic::GetIcon() const {
  auto* s = qobject_cast<StaticWidget*>(GetWidget());
  return s != nullptr ? s->icon : nullptr;
}

LRESULT CStatic::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case STM_SETICON: return reinterpret_cast<LRESULT>(SetIcon(reinterpret_cast<HICON>(wParam)));
    case STM_GETICON: return reinterpret_cast<LRESULT>(GetIcon());
    case STM_SETIMAGE:
      if (wParam == IMAGE_ICON) return reinterpret_cast<LRESULT>(SetIcon(reinterpret_cast<HICON>(lParam)));
      return reinterpret_cast<LRESULT>(SetBitmap(reinterpret_cast<HBITMAP>(lParam)));
    case STM_GETIMAGE:
      return wParam == IMAGE_ICON ? reinterpret_cast<LRESULT>(GetIcon()) : reinterpret_cast<LRESULT>(GetBitmap());
    default:
      return CWnd::DefWindowProc(message, wParam, lParam);
  }
}
