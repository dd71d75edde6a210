// Dialog templates, CDialog / CDialogEx and the dialog data exchange.
#include "platform/dialog.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QEventLoop>
#include <QFont>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QGuiApplication>
#include <QLocale>
#include <QPalette>
#include <QPointer>
#include <QScreen>
#include <QThread>
#include <QWidget>
#include <QWindow>
#include <climits>
#include <cmath>
#include <map>
#include <memory>
#include <mutex>

#include "platform/controls.h"
#include "platform/gdi.h"
#include "platform/modal.h"
#include "platform/trace.h"
#include "platform/winapp.h"

namespace platform {

// ---- templates ------------------------------------------------------------------------------

namespace {
std::mutex g_templateMutex;
std::map<UINT, std::unique_ptr<DialogTemplate>>& Templates() {
  static auto* t = new std::map<UINT, std::unique_ptr<DialogTemplate>>();
  return *t;
}
}  // namespace

void RegisterDialogTemplate(const DialogTemplate& tpl) {
  std::lock_guard<std::mutex> lock(g_templateMutex);
  std::unique_ptr<DialogTemplate>& slot = Templates()[tpl.id];
  if (slot) *slot = tpl;
  else slot = std::make_unique<DialogTemplate>(tpl);
}

const DialogTemplate* FindDialogTemplate(UINT id) {
  std::lock_guard<std::mutex> lock(g_templateMutex);
  auto it = Templates().find(id);
  return it == Templates().end() ? nullptr : it->second.get();
}

CRect DialogRectToPixels(int x, int y, int cx, int cy) {
  return CRect(DialogUnitsToPixelsX(x), DialogUnitsToPixelsY(y), DialogUnitsToPixelsX(x + cx),
               DialogUnitsToPixelsY(y + cy));
}

}  // namespace platform

namespace {

// The registered class a window was created with ("BUTTON", "EDIT", ...), empty for others.
CString ClassNameOf(const CWnd* wnd) {
  if (wnd == nullptr || wnd->GetWidget() == nullptr) return CString();
  QVariant v = wnd->GetWidget()->property("platformWindowClass");
  return v.isValid() ? CString(v.toString()) : CString();
}

bool IsClass(const CWnd* wnd, const wchar_t* name) { return ClassNameOf(wnd).CompareNoCase(CString(name)) == 0; }

bool IsPushButton(const CWnd* wnd) {
  if (!IsClass(wnd, L"BUTTON")) return false;
  DWORD type = wnd->GetStyle() & BS_TYPEMASK;
  return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON || type == BS_OWNERDRAW;
}

bool IsRadioButton(const CWnd* wnd) {
  if (!IsClass(wnd, L"BUTTON")) return false;
  DWORD type = wnd->GetStyle() & BS_TYPEMASK;
  return type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON;
}

// Whether a window is the dialog or one of its child windows (owned popups are not).
bool WithinDialog(const CWnd* dialog, const CWnd* wnd) {
  for (int depth = 0; wnd != nullptr && depth < 64; ++depth) {
    if (wnd == dialog) return true;
    if ((wnd->GetStyle() & WS_CHILD) == 0) return false;
    wnd = wnd->GetParent();
  }
  return false;
}

}  // namespace

// ---- CDialog --------------------------------------------------------------------------------

BEGIN_MESSAGE_MAP(CDialog, CWnd)
  ON_MESSAGE(WM_INITDIALOG, &CDialog::HandleInitDialog)
  ON_COMMAND(IDOK, &CDialog::OnOK)
  ON_COMMAND(IDCANCEL, &CDialog::OnCancel)
END_MESSAGE_MAP()

CDialog::CDialog() = default;

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd)
    : m_nIDHelp(nIDTemplate), m_pParentWnd(pParentWnd), m_nIDTemplate(nIDTemplate) {}

CDialog::~CDialog() {
  if (m_pModalLoop != nullptr && m_pModalLoop->isRunning()) m_pModalLoop->exit(-1);
  m_pModalLoop = nullptr;
  if (m_hWnd != nullptr) DestroyWindow();
  CWinApp* app = AfxGetApp();
  if (app != nullptr && app->m_pMainWnd == this) app->m_pMainWnd = nullptr;
}

BOOL CDialog::Create(UINT nIDTemplate, CWnd* pParentWnd) {
  const platform::DialogTemplate* tpl = platform::FindDialogTemplate(nIDTemplate);
  if (tpl == nullptr) {
    platform::TraceFormat(L"no dialog template %u", nIDTemplate);
    return FALSE;
  }
  m_nIDTemplate = nIDTemplate;
  if (m_nIDHelp == 0) m_nIDHelp = nIDTemplate;
  if (pParentWnd != nullptr) m_pParentWnd = pParentWnd;
  const platform::DialogTemplate copy = *tpl;
  return CreateFromTemplate(copy, pParentWnd, false);
}

BOOL CDialog::CreateIndirect(const platform::DialogTemplate& tpl, CWnd* pParentWnd) {
  m_nIDTemplate = tpl.id;
  if (pParentWnd != nullptr) m_pParentWnd = pParentWnd;
  const platform::DialogTemplate copy = tpl;
  return CreateFromTemplate(copy, pParentWnd, false);
}

BOOL CDialog::CreateFromTemplate(const platform::DialogTemplate& tpl, CWnd* pParentWnd, bool modal) {
  if (m_hWnd != nullptr || qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) return FALSE;
  if (pParentWnd != nullptr && pParentWnd->GetWidget() == nullptr) pParentWnd = nullptr;
  m_bEnded = false;
  m_nModalResult = -1;
  DWORD style = tpl.style & ~WS_VISIBLE;
  if (modal) style = (style & ~WS_CHILD) | WS_POPUP;
  const bool child = (style & WS_CHILD) != 0;
  if (child && pParentWnd == nullptr) {
    platform::TraceFormat(L"dialog %u: a child dialog needs a parent", tpl.id);
    return FALSE;
  }

  // Client rectangle: in the parent's client area for a child, on the screen otherwise.
  CRect rect = platform::DialogRectToPixels(tpl.x, tpl.y, tpl.cx, tpl.cy);
  if (tpl.style & DS_CENTER) {
    CRect area;
    if (pParentWnd != nullptr) {
      if (child) pParentWnd->GetClientRect(&area);
      else pParentWnd->GetWindowRect(&area);
    } else if (QScreen* screen = QGuiApplication::primaryScreen()) {
      QRect g = screen->availableGeometry();
      area = CRect(g.left(), g.top(), g.right() + 1, g.bottom() + 1);
    }
    rect.MoveToXY(area.left + (area.Width() - rect.Width()) / 2, area.top + (area.Height() - rect.Height()) / 2);
  } else if (!child && pParentWnd != nullptr) {
    POINT origin{0, 0};
    pParentWnd->ClientToScreen(&origin);
    rect.OffsetRect(origin);
  }

  CWnd* createParent = modal ? nullptr : pParentWnd;
  const CString caption = tpl.caption;
  if (!CreateEx(tpl.exStyle, nullptr, caption.IsEmpty() ? nullptr : caption.GetString(), style, rect, createParent,
                0)) {
    return FALSE;
  }
  QWidget* widget = GetWidget();
  if (!tpl.fontFace.IsEmpty()) {
    QFont font(tpl.fontFace.q());
    if (tpl.fontPointSize > 0) font.setPointSize(tpl.fontPointSize);
    widget->setFont(font);
  } else if (tpl.fontPointSize > 0) {
    QFont font = widget->font();
    font.setPointSize(tpl.fontPointSize);
    widget->setFont(font);
  }
  // A dialog answers for its font as its controls do (GetFont measures what is drawn).
  SetFont(CFont::FromHandle(platform::FontHandleOf(widget->font())), FALSE);
  if (modal) {
    const QRect geometry = widget->geometry();
    Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if (style & WS_SYSMENU) flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    widget->setWindowFlags(flags);
    // As the system's modal dialogs: only the owner's window waits for it (DoModal makes the owner
    // its transient parent); the program's other windows, also those opened while it runs, keep
    // the user's pointer and keys. A dialog without an owner keeps them from no other window.
    widget->setWindowModality(pParentWnd != nullptr ? Qt::WindowModal : Qt::NonModal);
    widget->setGeometry(geometry);
    if (pParentWnd != nullptr) SetOwner(pParentWnd->GetTopLevelParent());
  }
  OnWidgetCreated();

  m_nDefId = IDOK;
  for (const platform::DialogItemTemplate& item : tpl.items) {
    if (item.className.CompareNoCase(CString(L"BUTTON")) == 0 && (item.style & BS_TYPEMASK) == BS_DEFPUSHBUTTON) {
      m_nDefId = item.id;
      break;
    }
  }
  CreateControls(tpl);

  const HWND self = m_hWnd;
  CWnd* first = FirstTabStop();
  LRESULT focusDefault = SendMessage(WM_INITDIALOG, reinterpret_cast<WPARAM>(first != nullptr ? first->m_hWnd : nullptr), 0);
  if (m_hWnd != self || m_hWnd == nullptr) return FALSE;  // destroyed while initialising
  if (focusDefault != 0) {
    first = FirstTabStop();
    if (first != nullptr) GotoDlgCtrl(first);
  }
  if (!modal && (tpl.style & WS_VISIBLE) && !m_bEnded) ShowWindow(SW_SHOW);
  return TRUE;
}

void CDialog::CreateControls(const platform::DialogTemplate& tpl) {
  for (const platform::DialogItemTemplate& item : tpl.items) {
    const platform::WindowClassInfo* info = platform::FindWindowClass(item.className);
    CWnd* ctrl = info != nullptr && info->createWrapper ? info->createWrapper() : nullptr;
    if (ctrl == nullptr) ctrl = new CWnd();
    ctrl->SetWrapperOwned(true);
    const CRect rect = platform::DialogRectToPixels(item.x, item.y, item.cx, item.cy);
    const DWORD style = (item.style | WS_CHILD) & ~WS_POPUP;
    const CString className = item.className;
    const CString text = item.text;
    if (!ctrl->CreateEx(item.exStyle, className.IsEmpty() ? nullptr : className.GetString(),
                        text.IsEmpty() ? nullptr : text.GetString(), style, rect, this, item.id)) {
      platform::TraceFormat(L"dialog %u: control %u (%s) could not be created", tpl.id, item.id, item.className);
      delete ctrl;
      continue;
    }
    // The dialog gives each control its font, which the control then answers for as its own.
    ctrl->SetFont(CFont::FromHandle(platform::FontHandleOf(GetWidget()->font())), FALSE);
    UINT add = 0;
    if (IsClass(ctrl, L"COMBOBOX")) add = CB_ADDSTRING;
    else if (IsClass(ctrl, L"LISTBOX")) add = LB_ADDSTRING;
    for (const CString& s : item.initStrings) {
      if (add != 0) ctrl->SendMessage(add, 0, reinterpret_cast<LPARAM>(&s));
    }
  }
}

CWnd* CDialog::FirstTabStop() const {
  for (CWnd* w : GetChildren()) {
    if ((w->GetStyle() & WS_TABSTOP) && (w->GetStyle() & WS_VISIBLE) && w->IsWindowEnabled()) return w;
  }
  return nullptr;
}

INT_PTR CDialog::DoModal() {
  using namespace platform;
  if (m_hWnd != nullptr || m_pModalLoop != nullptr) return -1;
  const DialogTemplate* found = FindDialogTemplate(m_nIDTemplate);
  if (found == nullptr) {
    TraceFormat(L"no dialog template %u", m_nIDTemplate);
    return -1;
  }
  const DialogTemplate tpl = *found;

  ModalRecord record;
  record.kind = ModalKind::Dialog;
  record.title = tpl.caption;
  record.templateId = m_nIDTemplate;
  ModalAnswer answer;
  const ModalRoute route = ModalService::Instance().Route(record, &answer);
  if (route == ModalRoute::Unexpected) return IDCANCEL;
  if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr ||
      QThread::currentThread() != QCoreApplication::instance()->thread()) {
    Trace(L"a modal dialog needs the GUI thread of an application");
    return -1;
  }

  CWnd* owner = m_pParentWnd;
  if (owner == nullptr || owner->GetWidget() == nullptr) {
    CWnd* main = AfxGetMainWnd();
    owner = main != nullptr && main != this && main->GetWidget() != nullptr ? main : nullptr;
  }

  QEventLoop loop;
  m_pModalLoop = &loop;
  if (!CreateFromTemplate(tpl, owner, true)) {
    m_pModalLoop = nullptr;
    if (m_hWnd != nullptr) DestroyWindow();
    return -1;
  }

  if (!m_bEnded && m_hWnd != nullptr) {
    QWidget* widget = GetWidget();
    if (owner != nullptr && owner->GetWidget() != nullptr) {
      widget->winId();
      owner->GetWidget()->window()->winId();
      QWindow* ownerWindow = owner->GetWidget()->window()->windowHandle();
      if (ownerWindow != nullptr && widget->windowHandle() != nullptr) widget->windowHandle()->setTransientParent(ownerWindow);
    }
    ShowWindow(SW_SHOW);
    widget->raise();
    widget->activateWindow();
    if (route == ModalRoute::Scripted) {
      // What the loop would handle first (posted messages, the window becoming active).
      PumpPendingEvents();
      INT_PTR r = !m_bEnded && m_hWnd != nullptr && answer.dialog ? answer.dialog(*this) : IDCANCEL;
      if (!m_bEnded) {
        m_nModalResult = r;
        m_bEnded = true;
      }
    } else if (!m_bEnded) {
      QPointer<QWidget> guard(widget);
      QObject::connect(widget, &QObject::destroyed, &loop, [&loop] { loop.exit(-1); });
      QObject::connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, &loop,
                       [this] { KickIdle(); });
      m_nModalLevel = QThread::currentThread()->loopLevel() + 1;
      loop.exec(QEventLoop::DialogExec);
      m_nModalLevel = 0;
    }
  }
  m_pModalLoop = nullptr;
  const INT_PTR result = m_bEnded ? m_nModalResult : -1;
  if (m_hWnd != nullptr) {
    if (GetWidget() != nullptr) GetWidget()->hide();
    DestroyWindow();
  }
  return result;
}

void CDialog::KickIdle() {
  if (m_hWnd == nullptr || m_pModalLoop == nullptr || QThread::currentThread()->loopLevel() != m_nModalLevel) return;
  // While the handler asks for more idle time, it is called again with a growing count (a bound
  // keeps a handler that always asks from spinning).
  const HWND self = m_hWnd;
  for (LPARAM count = 0; count < 16; ++count) {
    if (SendMessage(WM_KICKIDLE, MSGF_DIALOGBOX, count) == 0 || m_hWnd != self) break;
  }
}

void CDialog::EndDialog(int nResult) {
  m_nModalResult = nResult;
  m_bEnded = true;
  if (m_pModalLoop != nullptr) {
    if (m_pModalLoop->isRunning()) m_pModalLoop->exit(nResult);
    return;
  }
  // A modeless dialog is hidden and gives its owner back the input.
  if (m_hWnd != nullptr) {
    ShowWindow(SW_HIDE);
    if (CWnd* owner = GetWindow(GW_OWNER)) owner->EnableWindow(TRUE);
  }
}

LRESULT CDialog::HandleInitDialog(WPARAM wParam, LPARAM lParam) {
  (void)wParam;
  (void)lParam;
  return OnInitDialog();
}

BOOL CDialog::OnInitDialog() {
  if (!UpdateData(FALSE)) {
    platform::Trace(L"the dialog's data could not be shown: it ends");
    EndDialog(-1);
    return FALSE;
  }
  return TRUE;
}

void CDialog::OnOK() {
  if (!UpdateData(TRUE)) return;
  EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

void CDialog::DoDataExchange(CDataExchange* pDX) { (void)pDX; }

BOOL CDialog::UpdateData(BOOL bSaveAndValidate) {
  if (m_hWnd == nullptr) return FALSE;
  CDataExchange dx(this, bSaveAndValidate);
  try {
    DoDataExchange(&dx);
  } catch (const platform::DataExchangeFailure&) {
    return FALSE;
  }
  return TRUE;
}

void CDialog::SetDefID(UINT nID) {
  const UINT old = m_nDefId;
  m_nDefId = nID;
  // Only the look follows: Enter is the dialog manager's (PreTranslateMessage).
  for (UINT id : {old, nID}) {
    CWnd* button = GetDlgItem(static_cast<int>(id));
    if (button == nullptr || !IsPushButton(button) || (button->GetStyle() & BS_TYPEMASK) == BS_OWNERDRAW) continue;
    button->SendMessage(BM_SETSTYLE, id == nID ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
  }
}

DWORD CDialog::GetDefID() const { return static_cast<DWORD>(MAKELONG(m_nDefId, DC_HASDEFID)); }

void CDialog::GotoDlgCtrl(CWnd* pWndCtrl) {
  if (pWndCtrl == nullptr || pWndCtrl->m_hWnd == nullptr) return;
  pWndCtrl->SetFocus();
  if (IsClass(pWndCtrl, L"EDIT")) pWndCtrl->SendMessage(EM_SETSEL, 0, -1);
}

namespace {
std::vector<CWnd*> TabStops(const CWnd* dialog) {
  std::vector<CWnd*> out;
  for (CWnd* w : dialog->GetChildren()) {
    if ((w->GetStyle() & WS_TABSTOP) && w->IsWindowVisible() && w->IsWindowEnabled()) out.push_back(w);
  }
  return out;
}

void MoveFocus(CDialog* dialog, int step) {
  std::vector<CWnd*> stops = TabStops(dialog);
  if (stops.empty()) return;
  CWnd* focus = CWnd::GetFocus();
  int n = static_cast<int>(stops.size());
  int index = step > 0 ? 0 : n - 1;
  for (int i = 0; i < n; ++i) {
    if (stops[static_cast<size_t>(i)] == focus || (focus != nullptr && stops[static_cast<size_t>(i)]->IsChild(focus))) {
      index = ((i + step) % n + n) % n;
      break;
    }
  }
  dialog->GotoDlgCtrl(stops[static_cast<size_t>(index)]);
}
}  // namespace

void CDialog::NextDlgCtrl() const { MoveFocus(const_cast<CDialog*>(this), 1); }
void CDialog::PrevDlgCtrl() const { MoveFocus(const_cast<CDialog*>(this), -1); }

void CDialog::MapDialogRect(LPRECT lpRect) const {
  if (lpRect == nullptr) return;
  lpRect->left = platform::DialogUnitsToPixelsX(lpRect->left);
  lpRect->right = platform::DialogUnitsToPixelsX(lpRect->right);
  lpRect->top = platform::DialogUnitsToPixelsY(lpRect->top);
  lpRect->bottom = platform::DialogUnitsToPixelsY(lpRect->bottom);
}

HICON CDialog::SetIcon(HICON hIcon, BOOL bBigIcon) {
  HICON& slot = bBigIcon ? m_hIconBig : m_hIconSmall;
  HICON old = slot;
  slot = hIcon;
  QWidget* widget = GetWidget();
  if (widget != nullptr && widget->isWindow()) {
    QImage image = platform::ImageFromHIcon(m_hIconBig != nullptr ? m_hIconBig : m_hIconSmall);
    widget->setWindowIcon(image.isNull() ? QIcon() : QIcon(QPixmap::fromImage(image)));
  }
  return old;
}

HICON CDialog::GetIcon(BOOL bBigIcon) const { return bBigIcon ? m_hIconBig : m_hIconSmall; }

BOOL CDialog::PreTranslateMessage(MSG* pMsg) {
  if (pMsg == nullptr || m_hWnd == nullptr || pMsg->message != WM_KEYDOWN) return FALSE;
  if (pMsg->wParam != VK_RETURN && pMsg->wParam != VK_ESCAPE) return FALSE;
  CWnd* target = CWnd::FromHandle(pMsg->hwnd);
  if (target == nullptr || !WithinDialog(this, target)) return FALSE;
  // An open popup (a combo box's list, a menu) takes its own keys.
  if (QApplication::activePopupWidget() != nullptr) return FALSE;
  if (target != this) {
    LRESULT code = target->SendMessage(WM_GETDLGCODE, pMsg->wParam, reinterpret_cast<LPARAM>(pMsg));
    if (code & DLGC_WANTALLKEYS) return FALSE;
    if (pMsg->wParam == VK_RETURN && IsClass(target, L"EDIT") &&
        (target->GetStyle() & (ES_MULTILINE | ES_WANTRETURN)) == (ES_MULTILINE | ES_WANTRETURN)) {
      return FALSE;
    }
  }
  UINT id = IDCANCEL;
  CWnd* button = nullptr;
  if (pMsg->wParam == VK_ESCAPE) {
    button = GetDlgItem(IDCANCEL);
  } else if (target != this && IsPushButton(target)) {
    button = target;
    id = static_cast<UINT>(target->GetDlgCtrlID());
  } else {
    id = m_nDefId;
    button = GetDlgItem(static_cast<int>(id));
  }
  if (button != nullptr && !button->IsWindowEnabled()) return TRUE;
  SendMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button != nullptr ? button->m_hWnd : nullptr));
  return TRUE;
}

LRESULT CDialog::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CLOSE) {
    // As the system's dialog procedure: closing is the Cancel command (refused while the Cancel
    // button is disabled).
    CWnd* cancel = GetDlgItem(IDCANCEL);
    if (cancel != nullptr && !cancel->IsWindowEnabled()) return 0;
    PostMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(cancel != nullptr ? cancel->m_hWnd : nullptr));
    return 0;
  }
  return CWnd::DefWindowProc(message, wParam, lParam);
}

LRESULT CDialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = CWnd::WindowProc(message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    if (m_pModalLoop != nullptr && m_pModalLoop->isRunning()) m_pModalLoop->exit(-1);
    // The application forgets a main window that is gone.
    CWinApp* app = AfxGetApp();
    if (app != nullptr && app->m_pMainWnd == this) app->m_pMainWnd = nullptr;
  }
  return result;
}

// ---- CDialogEx ------------------------------------------------------------------------------

void CDialogEx::SetBackgroundColor(COLORREF color, BOOL bRepaint) {
  m_bHasBackground = true;
  m_clrBackground = color;
  if (GetWidget() != nullptr) {
    OnWidgetCreated();
    if (bRepaint) GetWidget()->update();
  }
}

void CDialogEx::OnWidgetCreated() {
  QWidget* widget = GetWidget();
  if (!m_bHasBackground || widget == nullptr) return;
  QPalette palette = widget->palette();
  palette.setColor(QPalette::Window,
                   QColor(GetRValue(m_clrBackground), GetGValue(m_clrBackground), GetBValue(m_clrBackground)));
  widget->setPalette(palette);
  widget->setAutoFillBackground(true);
}

// ---- data exchange --------------------------------------------------------------------------

CDataExchange::CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate)
    : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd) {}

CWnd* CDataExchange::PrepareCtrl(int nIDC) {
  CWnd* ctrl = m_pDlgWnd != nullptr ? m_pDlgWnd->GetDlgItem(nIDC) : nullptr;
  if (ctrl == nullptr) {
    platform::TraceFormat(L"data exchange: the dialog has no control %d", nIDC);
    return nullptr;
  }
  m_idLastControl = static_cast<UINT>(nIDC);
  m_bEditLastControl = FALSE;
  return ctrl;
}

CWnd* CDataExchange::PrepareEditCtrl(int nIDC) {
  CWnd* ctrl = PrepareCtrl(nIDC);
  if (ctrl != nullptr) m_bEditLastControl = TRUE;
  return ctrl;
}

void CDataExchange::Fail() {
  if (m_bSaveAndValidate && m_pDlgWnd != nullptr && m_idLastControl != 0) {
    if (CWnd* ctrl = m_pDlgWnd->GetDlgItem(static_cast<int>(m_idLastControl))) {
      ctrl->SetFocus();
      if (m_bEditLastControl) ctrl->SendMessage(EM_SETSEL, 0, -1);
    }
  }
  throw platform::DataExchangeFailure();
}

namespace {

[[noreturn]] void FailWith(CDataExchange* pDX, const CString& message) {
  AfxMessageBox(message, MB_OK | MB_ICONEXCLAMATION);
  pDX->Fail();
}

// A whole decimal integer (sign, digits, white space around them), or false.
bool ParseLongLong(const CString& text, long long& out) {
  const QString t = text.q().trimmed();
  int i = 0;
  bool negative = false;
  if (i < t.size() && (t[i] == QLatin1Char('+') || t[i] == QLatin1Char('-'))) {
    negative = t[i] == QLatin1Char('-');
    ++i;
  }
  if (i >= t.size()) return false;
  const unsigned long long limit = 9223372036854775808ULL;  // magnitude of LLONG_MIN
  unsigned long long magnitude = 0;
  for (; i < t.size(); ++i) {
    const char16_t c = t[i].unicode();
    if (c < u'0' || c > u'9') return false;
    const unsigned digit = static_cast<unsigned>(c - u'0');
    if (magnitude > (limit - digit) / 10) return false;
    magnitude = magnitude * 10 + digit;
  }
  if (!negative && magnitude == limit) return false;
  out = negative ? (magnitude == limit ? LLONG_MIN : -static_cast<long long>(magnitude))
                 : static_cast<long long>(magnitude);
  return true;
}

// A finite number in the "C" locale ('.' as the decimal point, no group separators).
bool ParseDouble(const CString& text, double& out) {
  QLocale c = QLocale::c();
  c.setNumberOptions(QLocale::RejectGroupSeparator);
  bool ok = false;
  out = c.toDouble(text.q().trimmed(), &ok);
  return ok && std::isfinite(out);
}

template <typename T>
void ExchangeInteger(CDataExchange* pDX, int nIDC, T& value, long long minVal, long long maxVal, const wchar_t* format,
                     const wchar_t* failText) {
  CWnd* ctrl = pDX->PrepareEditCtrl(nIDC);
  if (ctrl == nullptr) return;
  if (pDX->m_bSaveAndValidate) {
    long long v = 0;
    if (!ParseLongLong(ctrl->GetWindowText(), v) || v < minVal || v > maxVal) FailWith(pDX, CString(failText));
    value = static_cast<T>(v);
  } else {
    CString s;
    s.Format(CString(format), value);
    ctrl->SetWindowText(s);
  }
}

}  // namespace

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl) {
  if (pDX == nullptr || rControl.m_hWnd != nullptr) return;
  if (pDX->m_pDlgWnd == nullptr || !rControl.SubclassDlgItem(static_cast<UINT>(nIDC), pDX->m_pDlgWnd)) {
    platform::TraceFormat(L"data exchange: control %d could not be bound to its member", nIDC);
  }
}

void DDX_Text(CDataExchange* pDX, int nIDC, CString& value) {
  CWnd* ctrl = pDX != nullptr ? pDX->PrepareEditCtrl(nIDC) : nullptr;
  if (ctrl == nullptr) return;
  if (pDX->m_bSaveAndValidate) value = ctrl->GetWindowText();
  else ctrl->SetWindowText(value);
}

void DDX_Text(CDataExchange* pDX, int nIDC, int& value) {
  if (pDX == nullptr) return;
  ExchangeInteger(pDX, nIDC, value, INT_MIN, INT_MAX, L"%d", L"Please enter an integer.");
}

void DDX_Text(CDataExchange* pDX, int nIDC, UINT& value) {
  if (pDX == nullptr) return;
  ExchangeInteger(pDX, nIDC, value, 0, UINT_MAX, L"%u", L"Please enter a positive integer.");
}

void DDX_Text(CDataExchange* pDX, int nIDC, long& value) {
  if (pDX == nullptr) return;
  ExchangeInteger(pDX, nIDC, value, LONG_MIN, LONG_MAX, L"%ld", L"Please enter an integer.");
}

void DDX_Text(CDataExchange* pDX, int nIDC, double& value) {
  CWnd* ctrl = pDX != nullptr ? pDX->PrepareEditCtrl(nIDC) : nullptr;
  if (ctrl == nullptr) return;
  if (pDX->m_bSaveAndValidate) {
    double v = 0;
    if (!ParseDouble(ctrl->GetWindowText(), v)) FailWith(pDX, CString(L"Please enter a number."));
    value = v;
  } else {
    CString s;
    s.Format(L"%.15g", value);
    ctrl->SetWindowText(s);
  }
}

void DDX_Text(CDataExchange* pDX, int nIDC, float& value) {
  CWnd* ctrl = pDX != nullptr ? pDX->PrepareEditCtrl(nIDC) : nullptr;
  if (ctrl == nullptr) return;
  if (pDX->m_bSaveAndValidate) {
    double v = 0;
    if (!ParseDouble(ctrl->GetWindowText(), v) || std::fabs(v) > 3.402823466e38) {
      FailWith(pDX, CString(L"Please enter a number."));
    }
    value = static_cast<float>(v);
  } else {
    CString s;
    s.Format(L"%.6g", static_cast<double>(value));
    ctrl->SetWindowText(s);
  }
}

void DDX_Check(CDataExchange* pDX, int nIDC, int& value) {
  CWnd* ctrl = pDX != nullptr ? pDX->PrepareCtrl(nIDC) : nullptr;
  if (ctrl == nullptr) return;
  if (pDX->m_bSaveAndValidate) {
    value = static_cast<int>(ctrl->SendMessage(BM_GETCHECK));
  } else {
    ctrl->SendMessage(BM_SETCHECK, static_cast<WPARAM>(value < 0 || value > 2 ? 0 : value));
  }
}

void DDX_Radio(CDataExchange* pDX, int nIDC, int& value) {
  CWnd* first = pDX != nullptr ? pDX->PrepareCtrl(nIDC) : nullptr;
  if (first == nullptr) return;
  if (pDX->m_bSaveAndValidate) value = -1;
  int index = 0;
  for (CWnd* w = first; w != nullptr; w = w->GetWindow(GW_HWNDNEXT)) {
    if (w != first && (w->GetStyle() & WS_GROUP)) break;
    if (!IsRadioButton(w)) continue;
    if (pDX->m_bSaveAndValidate) {
      if (value < 0 && w->SendMessage(BM_GETCHECK) == BST_CHECKED) value = index;
    } else {
      w->SendMessage(BM_SETCHECK, index == value ? BST_CHECKED : BST_UNCHECKED);
    }
    ++index;
  }
}

void DDX_CBIndex(CDataExchange* pDX, int nIDC, int& index) {
  CWnd* ctrl = pDX != nullptr ? pDX->PrepareCtrl(nIDC) : nullptr;
  if (ctrl == nullptr) return;
  if (pDX->m_bSaveAndValidate) index = static_cast<int>(ctrl->SendMessage(CB_GETCURSEL));
  else ctrl->SendMessage(CB_SETCURSEL, static_cast<WPARAM>(index));
}

void DDX_LBIndex(CDataExchange* pDX, int nIDC, int& index) {
  CWnd* ctrl = pDX != nullptr ? pDX->PrepareCtrl(nIDC) : nullptr;
  if (ctrl == nullptr) return;
  if (pDX->m_bSaveAndValidate) index = static_cast<int>(ctrl->SendMessage(LB_GETCURSEL));
  else ctrl->SendMessage(LB_SETCURSEL, static_cast<WPARAM>(index));
}

void DDX_CBString(CDataExchange* pDX, int nIDC, CString& value) {
  CWnd* ctrl = pDX != nullptr ? pDX->PrepareEditCtrl(nIDC) : nullptr;
  if (ctrl == nullptr) return;
  if (pDX->m_bSaveAndValidate) {
    value = ctrl->GetWindowText();
  } else if (static_cast<int>(ctrl->SendMessage(CB_SELECTSTRING, static_cast<WPARAM>(-1),
                                                  reinterpret_cast<LPARAM>(&value))) == CB_ERR) {
    ctrl->SetWindowText(value);
  }
}

void DDV_MaxChars(CDataExchange* pDX, const CString& value, int nChars) {
  if (pDX == nullptr) return;
  if (pDX->m_bSaveAndValidate) {
    if (value.GetLength() > nChars) {
      CString message;
      message.Format(L"Please enter no more than %d characters.", nChars);
      FailWith(pDX, message);
    }
    return;
  }
  CWnd* ctrl = pDX->m_pDlgWnd != nullptr && pDX->m_idLastControl != 0
                   ? pDX->m_pDlgWnd->GetDlgItem(static_cast<int>(pDX->m_idLastControl))
                   : nullptr;
  if (ctrl == nullptr || nChars < 0) return;
  if (IsClass(ctrl, L"EDIT")) ctrl->SendMessage(EM_LIMITTEXT, static_cast<WPARAM>(nChars));
  else if (IsClass(ctrl, L"COMBOBOX")) ctrl->SendMessage(CB_LIMITTEXT, static_cast<WPARAM>(nChars));
}

void DDV_MinMaxInt(CDataExchange* pDX, int value, int minVal, int maxVal) {
  if (pDX == nullptr || !pDX->m_bSaveAndValidate || (value >= minVal && value <= maxVal)) return;
  CString message;
  message.Format(L"Please enter an integer between %d and %d.", minVal, maxVal);
  FailWith(pDX, message);
}

void DDV_MinMaxUInt(CDataExchange* pDX, UINT value, UINT minVal, UINT maxVal) {
  if (pDX == nullptr || !pDX->m_bSaveAndValidate || (value >= minVal && value <= maxVal)) return;
  CString message;
  message.Format(L"Please enter an integer between %u and %u.", minVal, maxVal);
  FailWith(pDX, message);
}

void DDV_MinMaxDouble(CDataExchange* pDX, const double& value, double minVal, double maxVal) {
  if (pDX == nullptr || !pDX->m_bSaveAndValidate || (value >= minVal && value <= maxVal)) return;
  CString message;
  message.Format(L"Please enter a number between %g and %g.", minVal, maxVal);
  FailWith(pDX, message);
}
