// Progress bars, scroll bar controls, IP address fields and tooltips.
#include <QApplication>
#include <QHBoxLayout>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QToolTip>

#include "platform/controls_widgets.h"
#include "platform/wndinternal.h"
#include "platform/gdi.h"

namespace platform {
namespace ctl {

// ---- progress bar -------------------------------------------------------------------------

ProgressWidget::ProgressWidget(DWORD s, QWidget* parent) : QProgressBar(parent) {
  setTextVisible(false);
  setOrientation((s & PBS_VERTICAL) ? Qt::Vertical : Qt::Horizontal);
  Sync();
}

void ProgressWidget::Sync() {
  // An empty range (low >= high) shows an empty bar; Qt would animate a busy indicator.
  if (high > low) {
    setRange(low, high);
    setValue(pos);
  } else {
    setRange(0, 1);
    setValue(0);
  }
}

void ProgressWidget::SyncColors() {
  QPalette pal = QApplication::palette(this);
  if (barColor != CLR_DEFAULT) pal.setColor(QPalette::Highlight, QColorFromColorRef(barColor));
  if (bkColor != CLR_DEFAULT) {
    pal.setColor(QPalette::Base, QColorFromColorRef(bkColor));
    pal.setColor(QPalette::Window, QColorFromColorRef(bkColor));
  }
  setPalette(pal);
}

// ---- scroll bar ---------------------------------------------------------------------------

ScrollBarWidget::ScrollBarWidget(DWORD s, QWidget* parent)
    : QScrollBar((s & SBS_VERT) ? Qt::Vertical : Qt::Horizontal, parent) {
  setSingleStep(1);
  setTracking(true);
  connect(this, &QAbstractSlider::actionTriggered, this, [this](int action) { OnAction(action); });
  connect(this, &QAbstractSlider::sliderReleased, this, [this] { OnReleased(); });
  Sync();
}

int ScrollBarWidget::MaxPos() const {
  return std::max(info.nMin, info.nMax - std::max(static_cast<int>(info.nPage) - 1, 0));
}

void ScrollBarWidget::Sync() {
  quiet++;
  setRange(info.nMin, MaxPos());
  setPageStep(std::max(1, static_cast<int>(info.nPage)));
  setValue(info.nPos);
  setSliderPosition(info.nPos);
  quiet--;
}

void ScrollBarWidget::Send(int code, int position) {
  CWnd* wnd = OwnWnd(this);
  CWnd* parent = wnd != nullptr ? wnd->GetParent() : nullptr;
  if (parent == nullptr) return;
  UINT message = orientation() == Qt::Vertical ? WM_VSCROLL : WM_HSCROLL;
  parent->SendMessage(message, MAKEWPARAM(code, position), reinterpret_cast<LPARAM>(wnd->m_hWnd));
}

void ScrollBarWidget::OnAction(int action) {
  if (quiet != 0) return;
  int code = ScrollCodeFromSliderAction(action);
  if (code < 0) return;
  if (code == SB_THUMBTRACK) {
    // The thumb follows the mouse while it is dragged; the owner decides where it stays.
    m_tracking = true;
    info.nTrackPos = sliderPosition();
    Send(SB_THUMBTRACK, info.nTrackPos);
    return;
  }
  // The bar does not move by itself: the owner sets the position it wants.
  m_acted = true;
  quiet++;
  setSliderPosition(info.nPos);
  quiet--;
  Send(code, info.nPos);
}

void ScrollBarWidget::OnReleased() {
  QPointer<QWidget> self(this);
  int track = m_tracking ? info.nTrackPos : sliderPosition();
  m_tracking = false;
  m_acted = false;
  Send(SB_THUMBPOSITION, track);
  if (self == nullptr) return;
  Send(SB_ENDSCROLL, 0);
  if (self == nullptr) return;
  info.nTrackPos = info.nPos;
  Sync();
}

void ScrollBarWidget::mouseReleaseEvent(QMouseEvent* event) {
  QPointer<QWidget> self(this);
  QScrollBar::mouseReleaseEvent(event);
  if (self == nullptr) return;
  if (m_acted) {
    m_acted = false;
    Send(SB_ENDSCROLL, 0);
  }
}

// ---- IP address ---------------------------------------------------------------------------

IpFieldEdit::IpFieldEdit(IpAddressWidget* owner, int index) : QLineEdit(owner), m_owner(owner), m_index(index) {
  setFrame(false);
  setMaxLength(3);
  setAlignment(Qt::AlignCenter);
  setAcceptDrops(false);
  connect(this, &QLineEdit::textEdited, this, [this] { m_owner->UserEdited(m_index); });
}

void IpFieldEdit::keyPressEvent(QKeyEvent* event) {
  QString text = event->text();
  bool atStart = cursorPosition() == 0 && !hasSelectedText();
  bool atEnd = cursorPosition() == this->text().size() && !hasSelectedText();
  if (text == QStringLiteral(".") || text == QStringLiteral(" ")) {
    if (!this->text().isEmpty() && m_index < 3) m_owner->FocusField(m_index + 1, true);
    return;
  }
  if (event->key() == Qt::Key_Backspace && atStart && m_index > 0) {
    m_owner->FocusField(m_index - 1, false);
    return;
  }
  if (event->key() == Qt::Key_Left && atStart && m_index > 0) {
    m_owner->FocusField(m_index - 1, false);
    return;
  }
  if (event->key() == Qt::Key_Right && atEnd && m_index < 3) {
    m_owner->FocusField(m_index + 1, true);
    return;
  }
  if (!text.isEmpty() && text[0].isPrint() && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
    if (text[0] < QChar('0') || text[0] > QChar('9')) {
      ::MessageBeep(0);
      return;
    }
    QPointer<QWidget> self(this);
    QLineEdit::keyPressEvent(event);
    if (self == nullptr) return;
    // A full field moves on to the next one.
    if (this->text().size() == 3 && cursorPosition() == 3 && m_index < 3) m_owner->FocusField(m_index + 1, true);
    return;
  }
  QLineEdit::keyPressEvent(event);
}

void IpFieldEdit::focusOutEvent(QFocusEvent* event) {
  QLineEdit::focusOutEvent(event);
  m_owner->Commit(m_index);
}

IpAddressWidget::IpAddressWidget(DWORD, QWidget* parent) : QFrame(parent) {
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(2, 0, 2, 0);
  layout->setSpacing(0);
  for (int i = 0; i < 4; ++i) {
    fields[i] = new IpFieldEdit(this, i);
    layout->addWidget(fields[i], 1);
    if (i < 3) {
      auto* dot = new QLabel(QStringLiteral("."), this);
      dot->setAlignment(Qt::AlignCenter);
      layout->addWidget(dot);
    }
  }
  setFocusProxy(fields[0]);
  setBackgroundRole(QPalette::Base);
  setAutoFillBackground(true);
}

int IpAddressWidget::FieldValue(int i) const {
  QString t = fields[i]->text();
  if (t.isEmpty()) return -1;
  bool ok = false;
  int v = t.toInt(&ok);
  return ok ? v : -1;
}

void IpAddressWidget::SetFieldValue(int i, int value) {
  quiet++;
  if (value < 0) fields[i]->clear();
  else fields[i]->setText(QString::number(std::min(value, 255)));
  quiet--;
}

void IpAddressWidget::FocusField(int i, bool selectAll) {
  if (i < 0 || i > 3) return;
  fields[i]->setFocus(Qt::OtherFocusReason);
  if (selectAll) fields[i]->selectAll();
  else fields[i]->setCursorPosition(static_cast<int>(fields[i]->text().size()));
}

void IpAddressWidget::UserEdited(int i) {
  if (quiet != 0) return;
  int value = FieldValue(i);
  if (value > highRange[i]) {
    ::MessageBeep(0);
    SetFieldValue(i, highRange[i]);
    value = highRange[i];
  }
  QPointer<QWidget> self(this);
  Notify(this, EN_CHANGE);
  CWnd* wnd = self != nullptr ? OwnWnd(this) : nullptr;
  if (wnd == nullptr) return;
  NMIPADDRESS nm{};
  nm.hdr.code = IPN_FIELDCHANGED;
  nm.iField = i;
  nm.iValue = value;
  NotifyParent(wnd, &nm.hdr);
  if (self == nullptr) return;
  // The owner may change the value it was told about.
  if (nm.iValue != value && nm.iValue >= -1 && nm.iValue <= 255) SetFieldValue(i, nm.iValue);
}

void IpAddressWidget::Commit(int i) {
  int value = FieldValue(i);
  if (value < 0) return;
  int clamped = std::max(lowRange[i], std::min(value, highRange[i]));
  if (clamped != value) SetFieldValue(i, clamped);
}

QString IpAddressWidget::Text() const {
  QStringList parts;
  for (int i = 0; i < 4; ++i) parts << QString::number(std::max(0, FieldValue(i)));
  return parts.join(QChar('.'));
}

void IpAddressWidget::SetText(const QString& text) {
  QStringList parts = text.split(QChar('.'));
  for (int i = 0; i < 4; ++i) {
    int value = -1;
    if (i < parts.size()) {
      QString p = parts[i].trimmed();
      bool ok = !p.isEmpty() && p.size() <= 3;
      for (QChar c : p) ok = ok && c >= QChar('0') && c <= QChar('9');
      if (ok) value = std::min(p.toInt(), 255);
    }
    SetFieldValue(i, value);
  }
}

// ---- tooltip ------------------------------------------------------------------------------

namespace {
const char kTipStyleProperty[] = "platformTipStyle";
}

ToolTipWidget::ToolTipWidget(DWORD, QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_TransparentForMouseEvents, true);
  hide();
}

ToolTipWidget::~ToolTipWidget() {
  for (Tool& t : tools) {
    if (t.widget == nullptr) continue;
    t.widget->removeEventFilter(this);
    Unpublish(t);
  }
}

ToolTipWidget::Tool* ToolTipWidget::Find(const QWidget* w, UINT_PTR id) {
  for (Tool& t : tools) {
    if (t.widget == w && t.id == id) return &t;
  }
  return nullptr;
}

void ToolTipWidget::Publish(Tool& tool) {
  if (tool.widget == nullptr || !tool.wholeWindow) return;
  tool.widget->setToolTip(active ? tool.text : QString());
}

void ToolTipWidget::Unpublish(Tool& tool) {
  if (tool.widget == nullptr || !tool.wholeWindow) return;
  if (tool.widget->toolTip() == tool.text) tool.widget->setToolTip(QString());
}

void ToolTipWidget::ApplyColors(QWidget* w) {
  if (w == nullptr || (bkColor == CLR_DEFAULT && textColor == CLR_DEFAULT)) return;
  // The tip colours go into the tool window's own style sheet, never over one it already has.
  if (!w->styleSheet().isEmpty() && !w->property(kTipStyleProperty).toBool()) return;
  QString rule = QStringLiteral("QToolTip {");
  if (textColor != CLR_DEFAULT) rule += QStringLiteral(" color: %1;").arg(QColorFromColorRef(textColor).name());
  if (bkColor != CLR_DEFAULT) {
    rule += QStringLiteral(" background-color: %1;").arg(QColorFromColorRef(bkColor).name());
  }
  rule += QStringLiteral(" }");
  w->setProperty(kTipStyleProperty, true);
  w->setStyleSheet(rule);
}

bool ToolTipWidget::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::ToolTip) return false;
  auto* w = qobject_cast<QWidget*>(watched);
  if (w == nullptr) return false;
  if (!active) {
    QToolTip::hideText();
    event->ignore();
    return true;
  }
  auto* help = static_cast<QHelpEvent*>(event);
  const Tool* hit = nullptr;
  for (const Tool& t : tools) {
    if (t.widget != w) continue;
    if (!t.wholeWindow && t.rect.contains(help->pos())) {
      hit = &t;
      break;
    }
    if (t.wholeWindow && hit == nullptr) hit = &t;
  }
  if (hit == nullptr || hit->text.isEmpty()) return false;
  int duration = delays[TTDT_AUTOPOP] >= 0 ? delays[TTDT_AUTOPOP] : -1;
  QToolTip::showText(help->globalPos(), hit->text, w, hit->wholeWindow ? QRect() : hit->rect, duration);
  return true;
}

}  // namespace ctl
}  // namespace platform

using platform::ctl::IpAddressWidget;
using platform::ctl::ProgressWidget;
using platform::ctl::ScrollBarWidget;
using platform::ctl::ToolTipWidget;

// ---- CProgressCtrl -------------------------------------------------------------------------

namespace {
ProgressWidget* Progress(const CWnd* w) { return qobject_cast<ProgressWidget*>(w->GetWidget()); }
ScrollBarWidget* Bar(const CWnd* w) { return qobject_cast<ScrollBarWidget*>(w->GetWidget()); }
IpAddressWidget* Ip(const CWnd* w) { return qobject_cast<IpAddressWidget*>(w->GetWidget()); }
ToolTipWidget* Tip(const CWnd* w) { return qobject_cast<ToolTipWidget*>(w->GetWidget()); }

int ClampToRange(int value, int low, int high) {
  if (high < low) return low;
  return std::max(low, std::min(value, high));
}
}  // namespace

BOOL CProgressCtrl::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
  return CWnd::Create(L"msctls_progress32", nullptr, dwStyle, rect, pParentWnd, nID);
}

void CProgressCtrl::SetRange(short nLower, short nUpper) { SetRange32(nLower, nUpper); }

void CProgressCtrl::SetRange32(int nLower, int nUpper) {
  ProgressWidget* p = Progress(this);
  if (p == nullptr) return;
  p->low = nLower;
  p->high = nUpper;
  p->pos = ClampToRange(p->pos, nLower, nUpper);
  p->Sync();
}

void CProgressCtrl::GetRange(int& nLower, int& nUpper) const {
  ProgressWidget* p = Progress(this);
  nLower = p != nullptr ? p->low : 0;
  nUpper = p != nullptr ? p->high : 0;
}

int CProgressCtrl::GetPos() const {
  ProgressWidget* p = Progress(this);
  return p != nullptr ? p->pos : 0;
}

int CProgressCtrl::SetPos(int nPos) {
  ProgressWidget* p = Progress(this);
  if (p == nullptr) return 0;
  int old = p->pos;
  p->pos = ClampToRange(nPos, p->low, p->high);
  p->Sync();
  return old;
}

int CProgressCtrl::OffsetPos(int nPos) {
  ProgressWidget* p = Progress(this);
  if (p == nullptr) return 0;
  return SetPos(static_cast<int>(std::max<long long>(INT_MIN, std::min<long long>(INT_MAX, static_cast<long long>(p->pos) + nPos))));
}

int CProgressCtrl::SetStep(int nStep) {
  ProgressWidget* p = Progress(this);
  if (p == nullptr) return 0;
  int old = p->step;
  p->step = nStep;
  return old;
}

int CProgressCtrl::StepIt() {
  ProgressWidget* p = Progress(this);
  if (p == nullptr) return 0;
  int old = p->pos;
  long long span = static_cast<long long>(p->high) - p->low;
  long long next = static_cast<long long>(p->pos) + p->step;
  if (span <= 0) {
    next = p->low;
  } else if (next > p->high) {
    // Past the end the bar starts over from the beginning.
    next = p->low + (next - p->low) % span;
  } else if (next < p->low) {
    next = p->high - (p->low - next) % span;
  }
  p->pos = static_cast<int>(next);
  p->Sync();
  return old;
}

COLORREF CProgressCtrl::SetBarColor(COLORREF clrBar) {
  ProgressWidget* p = Progress(this);
  if (p == nullptr) return CLR_DEFAULT;
  COLORREF old = p->barColor;
  p->barColor = clrBar;
  p->SyncColors();
  return old;
}

COLORREF CProgressCtrl::GetBarColor() const {
  ProgressWidget* p = Progress(this);
  return p != nullptr ? p->barColor : CLR_DEFAULT;
}

COLORREF CProgressCtrl::SetBkColor(COLORREF clrNew) {
  ProgressWidget* p = Progress(this);
  if (p == nullptr) return CLR_DEFAULT;
  COLORREF old = p->bkColor;
  p->bkColor = clrNew;
  p->SyncColors();
  return old;
}

COLORREF CProgressCtrl::GetBkColor() const {
  ProgressWidget* p = Progress(this);
  return p != nullptr ? p->bkColor : CLR_DEFAULT;
}

LRESULT CProgressCtrl::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (Progress(this) == nullptr) return CWnd::DefWindowProc(message, wParam, lParam);
  switch (message) {
    case PBM_SETRANGE: {
      int lo = 0;
      int hi = 0;
      GetRange(lo, hi);
      SetRange32(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
      return static_cast<LRESULT>(static_cast<DWORD>(MAKELONG(lo, hi)));
    }
    case PBM_SETRANGE32: {
      int lo = 0;
      int hi = 0;
      GetRange(lo, hi);
      SetRange32(static_cast<int>(wParam), static_cast<int>(lParam));
      return static_cast<LRESULT>(static_cast<DWORD>(MAKELONG(lo, hi)));
    }
    case PBM_GETRANGE: {
      int lo = 0;
      int hi = 0;
      GetRange(lo, hi);
      if (lParam != 0) {
        auto* range = reinterpret_cast<PBRANGE*>(lParam);
        range->iLow = lo;
        range->iHigh = hi;
      }
      return wParam ? lo : hi;
    }
    case PBM_SETPOS: return SetPos(static_cast<int>(wParam));
    case PBM_DELTAPOS: return OffsetPos(static_cast<int>(wParam));
    case PBM_SETSTEP: return SetStep(static_cast<int>(wParam));
    case PBM_STEPIT: return StepIt();
    case PBM_GETPOS: return GetPos();
    case PBM_SETBARCOLOR: return static_cast<LRESULT>(SetBarColor(static_cast<COLORREF>(lParam)));
    case PBM_SETBKCOLOR: return static_cast<LRESULT>(SetBkColor(static_cast<COLORREF>(lParam)));
    default: return CWnd::DefWindowProc(message, wParam, lParam);
  }
}

// ---- CScrollBar ----------------------------------------------------------------------------

BOOL CScrollBar::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
  return CWnd::Create(L"SCROLLBAR", nullptr, dwStyle, rect, pParentWnd, nID);
}

int CScrollBar::GetScrollPos() const {
  ScrollBarWidget* b = Bar(this);
  return b != nullptr ? b->info.nPos : 0;
}

int CScrollBar::SetScrollPos(int nPos, BOOL bRedraw) {
  (void)bRedraw;
  ScrollBarWidget* b = Bar(this);
  if (b == nullptr) return 0;
  int old = b->info.nPos;
  b->info.nPos = std::max(b->info.nMin, std::min(nPos, b->MaxPos()));
  b->Sync();
  return old;
}

void CScrollBar::GetScrollRange(LPINT lpMinPos, LPINT lpMaxPos) const {
  ScrollBarWidget* b = Bar(this);
  if (lpMinPos != nullptr) *lpMinPos = b != nullptr ? b->info.nMin : 0;
  if (lpMaxPos != nullptr) *lpMaxPos = b != nullptr ? b->info.nMax : 0;
}

void CScrollBar::SetScrollRange(int nMinPos, int nMaxPos, BOOL bRedraw) {
  SCROLLINFO si{sizeof(SCROLLINFO), SIF_RANGE, nMinPos, nMaxPos, 0, 0, 0};
  SetScrollInfo(&si, bRedraw);
}

BOOL CScrollBar::SetScrollInfo(LPSCROLLINFO lpScrollInfo, BOOL bRedraw) {
  (void)bRedraw;
  ScrollBarWidget* b = Bar(this);
  if (b == nullptr || lpScrollInfo == nullptr) return FALSE;
  SCROLLINFO& si = b->info;
  if (lpScrollInfo->fMask & SIF_RANGE) {
    si.nMin = lpScrollInfo->nMin;
    si.nMax = std::max(lpScrollInfo->nMin, lpScrollInfo->nMax);
  }
  if (lpScrollInfo->fMask & SIF_PAGE) si.nPage = lpScrollInfo->nPage;
  long long span = static_cast<long long>(si.nMax) - si.nMin + 1;
  if (static_cast<long long>(si.nPage) > span) si.nPage = static_cast<UINT>(span);
  if (lpScrollInfo->fMask & SIF_POS) si.nPos = lpScrollInfo->nPos;
  si.nPos = std::max(si.nMin, std::min(si.nPos, b->MaxPos()));
  if (lpScrollInfo->fMask & SIF_DISABLENOSCROLL) b->setEnabled(b->MaxPos() > si.nMin);
  b->Sync();
  return si.nPos;
}

BOOL CScrollBar::GetScrollInfo(LPSCROLLINFO lpScrollInfo, UINT nMask) const {
  ScrollBarWidget* b = Bar(this);
  if (b == nullptr || lpScrollInfo == nullptr) return FALSE;
  const SCROLLINFO& si = b->info;
  UINT mask = lpScrollInfo->fMask != 0 ? lpScrollInfo->fMask : nMask;
  if (mask & SIF_RANGE) {
    lpScrollInfo->nMin = si.nMin;
    lpScrollInfo->nMax = si.nMax;
  }
  if (mask & SIF_PAGE) lpScrollInfo->nPage = si.nPage;
  if (mask & SIF_POS) lpScrollInfo->nPos = si.nPos;
  if (mask & SIF_TRACKPOS) lpScrollInfo->nTrackPos = si.nTrackPos;
  return TRUE;
}

int CScrollBar::GetScrollLimit() const {
  ScrollBarWidget* b = Bar(this);
  return b != nullptr ? b->MaxPos() : 0;
}

void CScrollBar::ShowScrollBar(BOOL bShow) {
  if (GetWidget() != nullptr) ShowWindow(bShow ? SW_SHOW : SW_HIDE);
}

BOOL CScrollBar::EnableScrollBar(UINT nArrowFlags) {
  ScrollBarWidget* b = Bar(this);
  if (b == nullptr) return FALSE;
  b->setEnabled(nArrowFlags != ESB_DISABLE_BOTH);
  return TRUE;
}

LRESULT CScrollBar::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (Bar(this) == nullptr) return CWnd::DefWindowProc(message, wParam, lParam);
  switch (message) {
    case SBM_SETPOS: return SetScrollPos(static_cast<int>(wParam), static_cast<BOOL>(lParam));
    case SBM_GETPOS: return GetScrollPos();
    case SBM_SETRANGE:
    case SBM_SETRANGEREDRAW: {
      int old = GetScrollPos();
      SetScrollRange(static_cast<int>(wParam), static_cast<int>(lParam));
      return old;
    }
    case SBM_GETRANGE:
      GetScrollRange(reinterpret_cast<LPINT>(wParam), reinterpret_cast<LPINT>(lParam));
      return 0;
    case SBM_SETSCROLLINFO: return SetScrollInfo(reinterpret_cast<LPSCROLLINFO>(lParam), static_cast<BOOL>(wParam));
    case SBM_GETSCROLLINFO: return GetScrollInfo(reinterpret_cast<LPSCROLLINFO>(lParam));
    default: return CWnd::DefWindowProc(message, wParam, lParam);
  }
}

// ---- CIPAddressCtrl ------------------------------------------------------------------------

BOOL CIPAddressCtrl::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
  return CWnd::Create(L"SysIPAddress32", nullptr, dwStyle, rect, pParentWnd, nID);
}

void CIPAddressCtrl::SetAddress(BYTE nField0, BYTE nField1, BYTE nField2, BYTE nField3) {
  IpAddressWidget* ip = Ip(this);
  if (ip == nullptr) return;
  const BYTE values[4] = {nField0, nField1, nField2, nField3};
  for (int i = 0; i < 4; ++i) ip->SetFieldValue(i, values[i]);
}

void CIPAddressCtrl::SetAddress(DWORD dwAddress) {
  SetAddress(static_cast<BYTE>(FIRST_IPADDRESS(dwAddress)), static_cast<BYTE>(SECOND_IPADDRESS(dwAddress)),
             static_cast<BYTE>(THIRD_IPADDRESS(dwAddress)), static_cast<BYTE>(FOURTH_IPADDRESS(dwAddress)));
}

int CIPAddressCtrl::GetAddress(BYTE& nField0, BYTE& nField1, BYTE& nField2, BYTE& nField3) const {
  BYTE* out[4] = {&nField0, &nField1, &nField2, &nField3};
  IpAddressWidget* ip = Ip(this);
  int filled = 0;
  for (int i = 0; i < 4; ++i) {
    int v = ip != nullptr ? ip->FieldValue(i) : -1;
    *out[i] = static_cast<BYTE>(std::max(0, v));
    if (v >= 0) ++filled;
  }
  return filled;
}

int CIPAddressCtrl::GetAddress(DWORD& dwAddress) const {
  BYTE b[4] = {0, 0, 0, 0};
  int filled = GetAddress(b[0], b[1], b[2], b[3]);
  dwAddress = MAKEIPADDRESS(b[0], b[1], b[2], b[3]);
  return filled;
}

void CIPAddressCtrl::ClearAddress() {
  IpAddressWidget* ip = Ip(this);
  if (ip == nullptr) return;
  for (int i = 0; i < 4; ++i) ip->SetFieldValue(i, -1);
}

BOOL CIPAddressCtrl::IsBlank() const {
  IpAddressWidget* ip = Ip(this);
  if (ip == nullptr) return TRUE;
  for (int i = 0; i < 4; ++i) {
    if (ip->FieldValue(i) >= 0) return FALSE;
  }
  return TRUE;
}

void CIPAddressCtrl::SetFieldFocus(WORD nField) {
  if (IpAddressWidget* ip = Ip(this)) ip->FocusField(std::min<int>(nField, 3), true);
}

void CIPAddressCtrl::SetFieldRange(int nField, BYTE nLower, BYTE nUpper) {
  IpAddressWidget* ip = Ip(this);
  if (ip == nullptr || nField < 0 || nField > 3) return;
  if (nLower > nUpper) std::swap(nLower, nUpper);
  ip->lowRange[nField] = nLower;
  ip->highRange[nField] = nUpper;
  ip->Commit(nField);
}

LRESULT CIPAddressCtrl::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (Ip(this) == nullptr) return CWnd::DefWindowProc(message, wParam, lParam);
  switch (message) {
    case IPM_CLEARADDRESS: ClearAddress(); return 0;
    case IPM_SETADDRESS: SetAddress(static_cast<DWORD>(lParam)); return 0;
    case IPM_GETADDRESS: {
      DWORD address = 0;
      int filled = GetAddress(address);
      if (lParam != 0) *reinterpret_cast<DWORD*>(lParam) = address;
      return filled;
    }
    case IPM_SETRANGE:
      SetFieldRange(static_cast<int>(wParam), LOBYTE(lParam), HIBYTE(LOWORD(lParam)));
      return TRUE;
    case IPM_SETFOCUS: SetFieldFocus(static_cast<WORD>(wParam)); return 0;
    case IPM_ISBLANK: return IsBlank();
    default: return CWnd::DefWindowProc(message, wParam, lParam);
  }
}

// ---- CToolTipCtrl --------------------------------------------------------------------------

BOOL CToolTipCtrl::Create(CWnd* pParentWnd, DWORD dwStyle) {
  return CWnd::CreateEx(0, L"tooltips_class32", nullptr, WS_POPUP | dwStyle, CRect(0, 0, 0, 0), pParentWnd, 0);
}

BOOL CToolTipCtrl::AddTool(CWnd* pWnd, const CString& text, LPCRECT lpRectTool, UINT_PTR nIDTool) {
  ToolTipWidget* tip = Tip(this);
  if (tip == nullptr || pWnd == nullptr || pWnd->GetWidget() == nullptr) return FALSE;
  QWidget* w = pWnd->GetWidget();
  ToolTipWidget::Tool* tool = tip->Find(w, nIDTool);
  if (tool == nullptr) {
    tip->tools.push_back(ToolTipWidget::Tool());
    tool = &tip->tools.back();
    tool->widget = w;
    tool->id = nIDTool;
  }
  tool->wholeWindow = lpRectTool == nullptr;
  if (lpRectTool != nullptr) {
    tool->rect = QRect(lpRectTool->left, lpRectTool->top, lpRectTool->right - lpRectTool->left,
                       lpRectTool->bottom - lpRectTool->top);
  }
  tool->text = text.q();
  w->installEventFilter(tip);
  tip->Publish(*tool);
  tip->ApplyColors(w);
  return TRUE;
}

void CToolTipCtrl::DelTool(CWnd* pWnd, UINT_PTR nIDTool) {
  ToolTipWidget* tip = Tip(this);
  if (tip == nullptr || pWnd == nullptr) return;
  QWidget* w = pWnd->GetWidget();
  bool others = false;
  for (auto it = tip->tools.begin(); it != tip->tools.end();) {
    if (it->widget == w && it->id == nIDTool) {
      tip->Unpublish(*it);
      it = tip->tools.erase(it);
    } else {
      others = others || it->widget == w;
      ++it;
    }
  }
  if (!others && w != nullptr) w->removeEventFilter(tip);
}

void CToolTipCtrl::UpdateTipText(const CString& text, CWnd* pWnd, UINT_PTR nIDTool) {
  ToolTipWidget* tip = Tip(this);
  if (tip == nullptr || pWnd == nullptr) return;
  ToolTipWidget::Tool* tool = tip->Find(pWnd->GetWidget(), nIDTool);
  if (tool == nullptr) return;
  tip->Unpublish(*tool);
  tool->text = text.q();
  tip->Publish(*tool);
}

void CToolTipCtrl::GetText(CString& text, CWnd* pWnd, UINT_PTR nIDTool) const {
  text.Empty();
  ToolTipWidget* tip = Tip(this);
  if (tip == nullptr || pWnd == nullptr) return;
  if (ToolTipWidget::Tool* tool = tip->Find(pWnd->GetWidget(), nIDTool)) text = CString(tool->text);
}

void CToolTipCtrl::SetToolRect(CWnd* pWnd, UINT_PTR nIDTool, LPCRECT lpRect) {
  ToolTipWidget* tip = Tip(this);
  if (tip == nullptr || pWnd == nullptr || lpRect == nullptr) return;
  ToolTipWidget::Tool* tool = tip->Find(pWnd->GetWidget(), nIDTool);
  if (tool == nullptr) return;
  tip->Unpublish(*tool);
  tool->wholeWindow = false;
  tool->rect = QRect(lpRect->left, lpRect->top, lpRect->right - lpRect->left, lpRect->bottom - lpRect->top);
}

int CToolTipCtrl::GetToolCount() const {
  ToolTipWidget* tip = Tip(this);
  if (tip == nullptr) return 0;
  int n = 0;
  for (const auto& t : tip->tools) {
    if (t.widget != nullptr) ++n;
  }
  return n;
}

void CToolTipCtrl::Activate(BOOL bActivate) {
  ToolTipWidget* tip = Tip(this);
  if (tip == nullptr) return;
  tip->active = bActivate != FALSE;
  for (auto& t : tip->tools) {
    if (tip->active) tip->Publish(t);
    else tip->Unpublish(t);
  }
  if (!tip->active) QToolTip::hideText();
}

void CToolTipCtrl::SetDelayTime(UINT nDelay) { SetDelayTime(TTDT_AUTOMATIC, static_cast<int>(nDelay)); }

void CToolTipCtrl::SetDelayTime(DWORD dwDuration, int iTime) {
  ToolTipWidget* tip = Tip(this);
  if (tip == nullptr) return;
  switch (dwDuration) {
    case TTDT_AUTOMATIC:
      // One value sets all three in the Windows proportions; a negative one restores them.
      tip->delays[TTDT_INITIAL] = iTime < 0 ? -1 : iTime;
      tip->delays[TTDT_AUTOPOP] = iTime < 0 ? -1 : iTime * 10;
      tip->delays[TTDT_RESHOW] = iTime < 0 ? -1 : iTime / 5;
      break;
    case TTDT_RESHOW:
    case TTDT_AUTOPOP:
    case TTDT_INITIAL:
      tip->delays[dwDuration] = iTime < 0 ? -1 : iTime;
      break;
    default:
      break;  // not a delay kind
  }
}

int CToolTipCtrl::GetDelayTime(DWORD dwDuration) const {
  ToolTipWidget* tip = Tip(this);
  if (tip == nullptr || dwDuration > TTDT_INITIAL) return 0;
  static const int kDefaults[4] = {500, 100, 5000, 500};  // double-click time based
  int v = tip->delays[dwDuration];
  return v >= 0 ? v : kDefaults[dwDuration];
}

int CToolTipCtrl::SetMaxTipWidth(int iWidth) {
  ToolTipWidget* tip = Tip(this);
  if (tip == nullptr) return -1;
  int old = tip->maxWidth;
  tip->maxWidth = iWidth;
  return old;
}

int CToolTipCtrl::GetMaxTipWidth() const {
  ToolTipWidget* tip = Tip(this);
  return tip != nullptr ? tip->maxWidth : -1;
}

void CToolTipCtrl::SetTipBkColor(COLORREF clr) {
  ToolTipWidget* tip = Tip(this);
  if (tip == nullptr) return;
  tip->bkColor = clr;
  for (auto& t : tip->tools) tip->ApplyColors(t.widget);
}

void CToolTipCtrl::SetTipTextColor(COLORREF clr) {
  ToolTipWidget* tip = Tip(this);
  if (tip == nullptr) return;
  tip->textColor = clr;
  for (auto& t : tip->tools) tip->ApplyColors(t.widget);
}

COLORREF CToolTipCtrl::GetTipBkColor() const {
  ToolTipWidget* tip = Tip(this);
  return tip != nullptr && tip->bkColor != CLR_DEFAULT ? tip->bkColor : GetSysColor(COLOR_INFOBK);
}

COLORREF CToolTipCtrl::GetTipTextColor() const {
  ToolTipWidget* tip = Tip(this);
  return tip != nullptr && tip->textColor != CLR_DEFAULT ? tip->textColor : GetSysColor(COLOR_INFOTEXT);
}

void CToolTipCtrl::Pop() { QToolTip::hideText(); }
