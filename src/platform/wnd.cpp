// CWnd: creation, identity, message dispatch through message maps, placement and state.
#include "platform/wnd.h"
#include "platform/gdi.h"
#include "platform/startupwarm.h"

#include <QApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QHash>
#include <QScrollBar>
#include <QThread>
#include <QWidget>
#include <QWindow>
#include <QScreen>
#include <atomic>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "platform/listctrl_internal.h"
#include "platform/modal.h"
#include "platform/wndinternal.h"
#include "platform/accessibility.h"

namespace platform {

const int kBaseUnitX = 6;
const int kBaseUnitY = 13;
int DialogUnitsToPixelsX(int du) { return (du * kBaseUnitX) / 4; }
int DialogUnitsToPixelsY(int du) { return (du * kBaseUnitY) / 8; }

// ---- handle table -------------------------------------------------------------------------
namespace {
std::mutex g_handleMutex;
std::unordered_map<HWND, CWnd*>& HandleTable() {
  static auto* table = new std::unordered_map<HWND, CWnd*>();
  return *table;
}
std::atomic<uintptr_t> g_nextHandle{0x10000};

QHash<const QWidget*, CWnd*>& WidgetTable() {
  static auto* table = new QHash<const QWidget*, CWnd*>();
  return *table;
}

std::vector<WindowClassInfo>& ClassTable() {
  static auto* table = new std::vector<WindowClassInfo>();
  return *table;
}

thread_local CurrentMessage* t_current = nullptr;
}  // namespace

HWND AllocateHandle(CWnd* wnd) {
  HWND h = reinterpret_cast<HWND>(g_nextHandle.fetch_add(4));
  std::lock_guard<std::mutex> lock(g_handleMutex);
  HandleTable()[h] = wnd;
  return h;
}

void ReleaseHandleOf(HWND hWnd) {
  std::lock_guard<std::mutex> lock(g_handleMutex);
  HandleTable().erase(hWnd);
}

CWnd* LookupHandle(HWND hWnd) {
  if (hWnd == nullptr) return nullptr;
  std::lock_guard<std::mutex> lock(g_handleMutex);
  auto it = HandleTable().find(hWnd);
  return it == HandleTable().end() ? nullptr : it->second;
}

void RebindHandle(HWND hWnd, CWnd* wnd) {
  std::lock_guard<std::mutex> lock(g_handleMutex);
  HandleTable()[hWnd] = wnd;
}

void MapWidget(const QWidget* widget, CWnd* wnd) { WidgetTable().insert(widget, wnd); }
void UnmapWidget(const QWidget* widget) { WidgetTable().remove(widget); }
CWnd* WindowOfWidget(const QWidget* widget) { return WidgetTable().value(widget, nullptr); }

bool OnGuiThread() {
  QCoreApplication* app = QCoreApplication::instance();
  return app == nullptr || QThread::currentThread() == app->thread();
}

CurrentMessage* GetCurrentMessageState() { return t_current; }
CurrentMessage* SwapCurrentMessageState(CurrentMessage* state) {
  CurrentMessage* old = t_current;
  t_current = state;
  return old;
}

void RegisterWindowClass(const WindowClassInfo& info) {
  for (auto& existing : ClassTable()) {
    if (existing.name.CompareNoCase(info.name) == 0) {
      existing = info;
      return;
    }
  }
  ClassTable().push_back(info);
}

}  // namespace platform

const wchar_t* AfxRegisterWndClass(UINT nClassStyle, HCURSOR hCursor, HBRUSH hbrBackground, HICON hIcon) {
  static std::mutex mutex;
  static std::vector<std::unique_ptr<CString>> names;
  CString name;
  name.Format(L"Afx:%x:%llx:%llx:%llx", nClassStyle, static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(hCursor)),
              static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(hbrBackground)),
              static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(hIcon)));
  std::lock_guard<std::mutex> lock(mutex);
  for (const auto& existing : names)
    if (*existing == name) return existing->GetString();
  platform::WindowClassInfo info;
  info.name = name;
  info.classStyle = nClassStyle;
  info.cursor = hCursor;
  info.background = hbrBackground;
  platform::RegisterWindowClass(info);
  names.push_back(std::make_unique<CString>(name));
  return names.back()->GetString();
}

HCURSOR GetWindowCursor(HWND hWnd) {
  CWnd* wnd = platform::LookupHandle(hWnd);
  QWidget* widget = wnd != nullptr ? wnd->GetWidget() : nullptr;
  if (widget == nullptr) return nullptr;
  const QVariant cursor = widget->property("platformClassCursor");
  return cursor.isValid() && widget->testAttribute(Qt::WA_SetCursor)
             ? reinterpret_cast<HCURSOR>(static_cast<uintptr_t>(cursor.toULongLong()))
             : nullptr;
}

namespace platform {

const WindowClassInfo* FindWindowClass(const CString& name) {
  EnsureStandardClasses();
  for (const auto& info : ClassTable()) {
    if (info.name.CompareNoCase(name) == 0) return &info;
  }
  return nullptr;
}

void EnsureStandardClasses() {
  static bool done = false;
  if (done) return;
  done = true;
  RegisterBasicControlClasses();
  RegisterCommonControlClasses();
}

bool HasMessageEntry(const CWnd* wnd, UINT message) {
  for (const AFX_MSGMAP* map = wnd->GetMessageMap(); map != nullptr;) {
    for (const AFX_MSGMAP_ENTRY* e = map->lpEntries; e != nullptr && e->handler != nullptr; ++e) {
      if (e->nMessage == message && e->pRegistered == nullptr) return true;
    }
    const AFX_MSGMAP* base = map->pfnGetBaseMap != nullptr ? map->pfnGetBaseMap() : nullptr;
    if (base == map) break;
    map = base;
  }
  return false;
}

int ScrollCodeFromSliderAction(int action) {
  switch (action) {
    case QAbstractSlider::SliderSingleStepAdd: return SB_LINEDOWN;
    case QAbstractSlider::SliderSingleStepSub: return SB_LINEUP;
    case QAbstractSlider::SliderPageStepAdd: return SB_PAGEDOWN;
    case QAbstractSlider::SliderPageStepSub: return SB_PAGEUP;
    case QAbstractSlider::SliderToMinimum: return SB_TOP;
    case QAbstractSlider::SliderToMaximum: return SB_BOTTOM;
    case QAbstractSlider::SliderMove: return SB_THUMBTRACK;
    default: return -1;
  }
}

void PublishControlId(QWidget* widget, UINT nID) {
  // Automation tools and tests find a control by its id whatever the language.
  widget->setObjectName(QString("id=%1").arg(nID));
  widget->setAccessibleDescription(QString("id=%1").arg(nID));
  EnsureAccessibility(widget);
}

LRESULT NotifyCommand(CWnd* control, UINT code) {
  if (control == nullptr || control->m_hWnd == nullptr) return 0;
  CWnd* parent = control->GetParent();
  if (parent == nullptr) return 0;
  // A handler may destroy the control (or its page) while the control's signal is still running.
  WidgetBusyScope busy(control->GetWidget());
  return parent->SendMessage(WM_COMMAND, MAKEWPARAM(control->GetDlgCtrlID(), code),
                             reinterpret_cast<LPARAM>(control->m_hWnd));
}

LRESULT NotifyParent(CWnd* control, NMHDR* header) {
  if (control == nullptr || control->m_hWnd == nullptr || header == nullptr) return 0;
  header->hwndFrom = control->m_hWnd;
  header->idFrom = static_cast<UINT_PTR>(control->GetDlgCtrlID());
  CWnd* parent = control->GetParent();
  if (parent == nullptr) return 0;
  WidgetBusyScope busy(control->GetWidget());
  return parent->SendMessage(WM_NOTIFY, header->idFrom, reinterpret_cast<LPARAM>(header));
}

}  // namespace platform

using platform::CurrentMessage;

// ---- CCmdTarget ---------------------------------------------------------------------------

const AFX_MSGMAP* CCmdTarget::GetThisMessageMap() {
  static const AFX_MSGMAP_ENTRY entries[] = {{0, 0, 0, 0, nullptr, nullptr}};
  static const AFX_MSGMAP map = {nullptr, &entries[0]};
  return &map;
}
const AFX_MSGMAP* CCmdTarget::GetMessageMap() const { return GetThisMessageMap(); }

void CCmdTarget::BeginWaitCursor() { SetCursor(LoadCursor(nullptr, IDC_WAIT)); }
void CCmdTarget::EndWaitCursor() { SetCursor(nullptr); }
void CCmdTarget::RestoreWaitCursor() { BeginWaitCursor(); }

// ---- CWnd ---------------------------------------------------------------------------------

BEGIN_MESSAGE_MAP(CWnd, CCmdTarget)
END_MESSAGE_MAP()

struct CWnd::ScrollState {
  QScrollBar* bar[2] = {nullptr, nullptr};  // SB_HORZ, SB_VERT
  SCROLLINFO info[2] = {{sizeof(SCROLLINFO), 0, 0, 100, 0, 0, 0}, {sizeof(SCROLLINFO), 0, 0, 100, 0, 0, 0}};
  bool shown[2] = {false, false};
};

CWnd::CWnd() = default;

CWnd::~CWnd() {
  if (m_hWnd != nullptr) DestroyWindow();
  delete m_pScroll;
}

CWnd* CWnd::FromHandle(HWND hWnd) { return platform::LookupHandle(hWnd); }

CWnd* CWnd::FromWidget(const QWidget* widget) {
  for (const QWidget* w = widget; w != nullptr; w = w->parentWidget()) {
    if (CWnd* wnd = platform::WindowOfWidget(w)) return wnd;
  }
  return nullptr;
}

QWidget* CWnd::ClientWidget() const { return m_pWidget; }

BOOL CWnd::Create(const wchar_t* lpszClassName, const wchar_t* lpszWindowName, DWORD dwStyle,
                  const RECT& rect, CWnd* pParentWnd, UINT nID, void* pContext) {
  (void)pContext;
  return CreateEx(0, lpszClassName, lpszWindowName, dwStyle, rect, pParentWnd, nID, nullptr);
}

BOOL CWnd::CreateEx(DWORD dwExStyle, const wchar_t* lpszClassName, const wchar_t* lpszWindowName,
                    DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID, void* lpParam) {
  if (m_hWnd != nullptr) return FALSE;
  if (QApplication::instance() == nullptr) return FALSE;
  // Controls measure text; a top-level window is made without it while the fonts are read.
  if (dwStyle & WS_CHILD) platform::AwaitStartupFonts();
  platform::EnsureInputFilter();
  platform::EnsureDialogFont();
  CString className = lpszClassName != nullptr ? CString(lpszClassName) : CString();
  const platform::WindowClassInfo* info = className.IsEmpty() ? nullptr : platform::FindWindowClass(className);

  QWidget* parentWidget = pParentWnd != nullptr ? pParentWnd->ClientWidget() : nullptr;
  bool child = (dwStyle & WS_CHILD) != 0;
  bool ownedPopup = !child && parentWidget != nullptr;
  QWidget* widget = nullptr;
  if (info != nullptr && info->createWidget) widget = info->createWidget(this, dwStyle, dwExStyle, parentWidget);
  if (widget == nullptr) widget = new QWidget(parentWidget);
  if (widget->parentWidget() != parentWidget) widget->setParent(parentWidget);
  if (parentWidget == nullptr) widget->setWindowFlags(widget->windowFlags() | Qt::Window);
  if (info != nullptr) widget->setProperty("platformWindowClass", info->name.q());
  if (info != nullptr && info->cursor != nullptr) {
    // The class cursor shows over the window (and its children that have none of their own).
    widget->setCursor(QCursor(platform::CursorShapeOf(info->cursor)));
    widget->setProperty("platformClassCursor",
                        QVariant::fromValue(static_cast<qulonglong>(reinterpret_cast<uintptr_t>(info->cursor))));
  }

  CWnd* owner = child ? nullptr : pParentWnd;
  AttachWidget(widget, dwStyle, dwExStyle, nID, child ? pParentWnd : nullptr, owner);
  if (lpszWindowName != nullptr) SetWindowText(CString(lpszWindowName));

  CRect r(rect);
  if (ownedPopup && pParentWnd != nullptr) pParentWnd->ScreenToClient(&r);
  widget->setGeometry(r.left, r.top, std::max(0, r.Width()), std::max(0, r.Height()));
  if (dwStyle & WS_DISABLED) widget->setEnabled(false);
  if (ownedPopup) widget->raise();

  CREATESTRUCT cs{lpParam, nullptr, pParentWnd != nullptr ? pParentWnd->m_hWnd : nullptr,
                  r.Height(), r.Width(), r.top, r.left, static_cast<LONG>(dwStyle),
                  nullptr, nullptr, dwExStyle};
  if (SendMessage(WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == static_cast<LRESULT>(-1)) {
    DestroyWindow();
    return FALSE;
  }
  // Controls draw their own scroll bars; plain windows get the framework's.
  bool ownBars = info == nullptr || !info->createWidget;
  if (ownBars && (dwStyle & WS_VSCROLL)) ShowScrollBar(SB_VERT, TRUE);
  if (ownBars && (dwStyle & WS_HSCROLL)) ShowScrollBar(SB_HORZ, TRUE);
  if (dwStyle & WS_VISIBLE) widget->show();
  else widget->hide();  // stays hidden when its parent is shown, as without WS_VISIBLE on Windows
  return TRUE;
}

void CWnd::AttachWidget(QWidget* widget, DWORD style, DWORD exStyle, UINT nID, CWnd* parent, CWnd* owner) {
  (void)parent;
  m_pWidget = widget;
  m_dwStyle = style;
  m_dwExStyle = exStyle;
  m_nID = nID;
  m_pOwner = owner;
  m_hWnd = platform::AllocateHandle(this);
  platform::MapWidget(widget, this);
  m_pHook = new platform::WndHook(this, widget);
  widget->installEventFilter(m_pHook);
  widget->setMouseTracking(true);  // windows hear mouse moves without a button down
  platform::PublishControlId(widget, nID);
}

QWidget* CWnd::DetachWidget() {
  QWidget* w = m_pWidget;
  if (w != nullptr) {
    platform::UnmapWidget(w);
    if (m_pHook != nullptr) {
      w->removeEventFilter(m_pHook);
      m_pHook->deleteLater();
    }
  }
  m_pHook = nullptr;
  m_pWidget = nullptr;
  if (m_hWnd != nullptr) {
    platform::TimersKillAll(m_hWnd);
    platform::ReleaseHandleOf(m_hWnd);
    platform::AbandonSentTo(m_hWnd);
  }
  m_hWnd = nullptr;
  return w;
}

BOOL CWnd::SubclassWindow(HWND hWnd) {
  CWnd* old = FromHandle(hWnd);
  if (old == nullptr || old == this || m_hWnd != nullptr) return FALSE;
  m_pWidget = old->m_pWidget;
  m_pHook = old->m_pHook;
  m_dwStyle = old->m_dwStyle;
  m_dwExStyle = old->m_dwExStyle;
  m_nID = old->m_nID;
  m_pOwner = old->m_pOwner;
  m_strText = old->m_strText;
  std::swap(m_pScroll, old->m_pScroll);
  m_hWnd = hWnd;
  old->m_pWidget = nullptr;
  old->m_pHook = nullptr;
  old->m_hWnd = nullptr;
  platform::RebindHandle(hWnd, this);
  if (m_pWidget != nullptr) platform::MapWidget(m_pWidget, this);
  if (m_pHook != nullptr) m_pHook->Rebind(this);
  if (old->IsWrapperOwned()) {
    delete old;
  } else if (auto* header = dynamic_cast<platform::SelfDeletingHeader*>(old)) {
    // The list's own header object: nothing else would ever free it once its handle is gone.
    header->PostNcDestroy();
  }
  PreSubclassWindow();
  return TRUE;
}

BOOL CWnd::SubclassDlgItem(UINT nID, CWnd* pParent) {
  if (pParent == nullptr) return FALSE;
  CWnd* item = pParent->GetDlgItem(static_cast<int>(nID));
  return item != nullptr && SubclassWindow(item->m_hWnd);
}

HWND CWnd::UnsubclassWindow() {
  // The widget stays alive with a plain stand-in object so that its parent still finds it.
  if (m_hWnd == nullptr) return nullptr;
  HWND h = m_hWnd;
  CWnd* standIn = new CWnd();
  standIn->SetWrapperOwned(true);
  standIn->m_pWidget = m_pWidget;
  standIn->m_pHook = m_pHook;
  standIn->m_dwStyle = m_dwStyle;
  standIn->m_dwExStyle = m_dwExStyle;
  standIn->m_nID = m_nID;
  standIn->m_pOwner = m_pOwner;
  standIn->m_strText = m_strText;
  standIn->m_hWnd = h;
  platform::RebindHandle(h, standIn);
  if (m_pWidget != nullptr) platform::MapWidget(m_pWidget, standIn);
  if (m_pHook != nullptr) m_pHook->Rebind(standIn);
  m_pWidget = nullptr;
  m_pHook = nullptr;
  m_hWnd = nullptr;
  return h;
}

void CWnd::ReleaseHandle() { DetachWidget(); }

namespace {
// Collects the windows of a widget tree, parents before children.
void CollectWindows(QWidget* widget, std::vector<CWnd*>& out) {
  if (CWnd* w = platform::WindowOfWidget(widget)) out.push_back(w);
  for (QObject* child : widget->children()) {
    if (auto* cw = qobject_cast<QWidget*>(child)) CollectWindows(cw, out);
  }
}
}  // namespace

BOOL CWnd::DestroyWindow() {
  if (m_hWnd == nullptr || m_pWidget == nullptr) return FALSE;
  QWidget* widget = m_pWidget;
  std::vector<CWnd*> windows;
  CollectWindows(widget, windows);
  // Owned windows living in this window's client area but owned rather than parented are part
  // of the tree already; windows owned from elsewhere lose their owner.
  // The layer's message boxes and file dialogs of these windows end as if cancelled.
  for (CWnd* w : windows) {
    if (w->m_hWnd != nullptr) platform::EndModalBoxesOwnedBy(w->m_hWnd);
  }
  for (CWnd* w : windows) {
    if (w->m_hWnd != nullptr) w->SendMessage(WM_DESTROY);
  }
  for (auto it = windows.rbegin(); it != windows.rend(); ++it) {
    CWnd* w = *it;
    if (w->m_hWnd == nullptr) continue;
    w->SendMessage(WM_NCDESTROY);
    w->DetachWidget();
  }
  widget->hide();
  if (platform::IsWidgetBusy(widget)) {
    widget->setParent(nullptr);
    widget->deleteLater();
  } else {
    delete widget;
  }
  std::vector<CWnd*> standIns;
  std::vector<CWnd*> members;
  for (CWnd* w : windows) {
    if (w == this) continue;
    (w->IsWrapperOwned() ? standIns : members).push_back(w);
  }
  for (CWnd* w : standIns) delete w;
  for (CWnd* w : members) w->PostNcDestroy();
  PostNcDestroy();
  return TRUE;
}

// ---- dispatch -----------------------------------------------------------------------------

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return ::SendMessage(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return ::PostMessage(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::SendDlgItemMessage(int nID, UINT message, WPARAM wParam, LPARAM lParam) {
  CWnd* item = GetDlgItem(nID);
  return item != nullptr ? item->SendMessage(message, wParam, lParam) : 0;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (!OnWndMsg(message, wParam, lParam, &result)) {
    CurrentMessage* cur = platform::GetCurrentMessageState();
    if (cur != nullptr && cur->msg.message == message && cur->msg.hwnd == m_hWnd) cur->defaultCalled = true;
    result = DefWindowProc(message, wParam, lParam);
  }
  return result;
}

namespace {
const AFX_MSGMAP_ENTRY* FindEntry(const CWnd* wnd, UINT message, UINT code, UINT id, bool control) {
  for (const AFX_MSGMAP* map = wnd->GetMessageMap(); map != nullptr;) {
    for (const AFX_MSGMAP_ENTRY* e = map->lpEntries; e != nullptr && e->handler != nullptr; ++e) {
      if (control) {
        if (e->nMessage == message && e->nCode == code && id >= e->nID && id <= e->nLastID) return e;
      } else if (e->pRegistered != nullptr) {
        if (*e->pRegistered != 0 && *e->pRegistered == message) return e;
      } else if (e->nMessage == message) {
        return e;
      }
    }
    const AFX_MSGMAP* base = map->pfnGetBaseMap != nullptr ? map->pfnGetBaseMap() : nullptr;
    if (base == map) break;
    map = base;
  }
  return nullptr;
}
}  // namespace

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
  LRESULT dummy = 0;
  if (pResult == nullptr) pResult = &dummy;
  if (message == WM_COMMAND) {
    if (OnCommand(wParam, lParam)) {
      *pResult = 1;
      return TRUE;
    }
    return FALSE;
  }
  if (message == WM_NOTIFY) {
    LRESULT r = 0;
    if (OnNotify(wParam, lParam, &r)) {
      *pResult = r;
      return TRUE;
    }
    return FALSE;
  }
  const AFX_MSGMAP_ENTRY* e = FindEntry(this, message, 0, 0, false);
  if (e == nullptr) return FALSE;
  BOOL handled = TRUE;
  LRESULT r = e->handler(this, message, wParam, lParam, &handled);
  if (!handled) return FALSE;
  *pResult = r;
  return TRUE;
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam) {
  UINT id = LOWORD(wParam);
  UINT code = HIWORD(wParam);
  HWND hCtrl = reinterpret_cast<HWND>(lParam);
  if (hCtrl != nullptr) {
    CWnd* child = FromHandle(hCtrl);
    if (child != nullptr && child != this && child->OnChildNotify(WM_COMMAND, wParam, lParam, nullptr)) return TRUE;
  }
  const AFX_MSGMAP_ENTRY* e = FindEntry(this, WM_COMMAND, code, id, true);
  if (e == nullptr) return FALSE;
  BOOL handled = TRUE;
  e->handler(this, WM_COMMAND, wParam, lParam, &handled);
  return handled;
}

BOOL CWnd::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
  (void)wParam;
  NMHDR* hdr = reinterpret_cast<NMHDR*>(lParam);
  if (hdr == nullptr) return FALSE;
  CWnd* child = FromHandle(hdr->hwndFrom);
  if (child != nullptr && child != this && child->OnChildNotify(WM_NOTIFY, wParam, lParam, pResult)) return TRUE;
  const AFX_MSGMAP_ENTRY* e = FindEntry(this, WM_NOTIFY, hdr->code, static_cast<UINT>(hdr->idFrom), true);
  if (e == nullptr) return FALSE;
  BOOL handled = TRUE;
  LRESULT r = e->handler(this, WM_NOTIFY, wParam, lParam, &handled);
  if (handled && pResult != nullptr) *pResult = r;
  return handled;
}

BOOL CWnd::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
  return ReflectChildNotify(message, wParam, lParam, pResult);
}

BOOL CWnd::ReflectChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
  switch (message) {
    case WM_DRAWITEM:
      DrawItem(reinterpret_cast<LPDRAWITEMSTRUCT>(lParam));
      if (pResult != nullptr) *pResult = TRUE;
      return TRUE;
    case WM_MEASUREITEM:
      MeasureItem(reinterpret_cast<LPMEASUREITEMSTRUCT>(lParam));
      if (pResult != nullptr) *pResult = TRUE;
      return TRUE;
    case WM_COMMAND: {
      const AFX_MSGMAP_ENTRY* e = FindEntry(this, WM_REFLECT_BASE + WM_COMMAND, HIWORD(wParam), 0, true);
      if (e == nullptr) return FALSE;
      BOOL handled = TRUE;
      e->handler(this, WM_COMMAND, wParam, lParam, &handled);
      return handled;
    }
    case WM_NOTIFY: {
      NMHDR* hdr = reinterpret_cast<NMHDR*>(lParam);
      const AFX_MSGMAP_ENTRY* e = FindEntry(this, WM_REFLECT_BASE + WM_NOTIFY, hdr->code, 0, true);
      if (e == nullptr) return FALSE;
      BOOL handled = TRUE;
      LRESULT r = e->handler(this, WM_NOTIFY, wParam, lParam, &handled);
      if (handled && pResult != nullptr) *pResult = r;
      return handled;
    }
    case WM_CTLCOLOR: {
      const AFX_MSGMAP_ENTRY* e = FindEntry(this, WM_REFLECT_BASE + WM_CTLCOLOR, 0, 0, true);
      if (e == nullptr) return FALSE;
      const CtlColorArgs* a = reinterpret_cast<const CtlColorArgs*>(lParam);
      BOOL handled = TRUE;
      LRESULT r = e->handler(this, message, reinterpret_cast<WPARAM>(a->pDC), a->nCtlColor, &handled);
      if (r == 0) return FALSE;
      if (pResult != nullptr) *pResult = r;
      return handled;
    }
    default:
      return FALSE;
  }
}

LRESULT CWnd::Default() {
  CurrentMessage* cur = platform::GetCurrentMessageState();
  if (cur == nullptr) return 0;
  cur->defaultCalled = true;
  return DefWindowProc(cur->msg.message, cur->msg.wParam, cur->msg.lParam);
}

const MSG* CWnd::GetCurrentMessage() {
  CurrentMessage* cur = platform::GetCurrentMessageState();
  return cur != nullptr ? &cur->msg : nullptr;
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CLOSE:
      DestroyWindow();
      return 0;
    case WM_NCHITTEST:
      return HTCLIENT;
    case WM_NCLBUTTONDOWN:
      if (wParam == HTCAPTION && m_pWidget != nullptr) {
        QWidget* top = m_pWidget->window();
        if (top != nullptr && top->windowHandle() != nullptr) top->windowHandle()->startSystemMove();
      }
      return 0;
    case WM_SETCURSOR: {
      CWnd* parent = GetParent();
      if (parent != nullptr && (GetStyle() & WS_CHILD)) return parent->SendMessage(WM_SETCURSOR, wParam, lParam);
      return FALSE;
    }
    case WM_CONTEXTMENU: {
      CWnd* parent = GetParent();
      if (parent != nullptr && (GetStyle() & WS_CHILD)) return parent->SendMessage(WM_CONTEXTMENU, wParam, lParam);
      return 0;
    }
    case WM_DRAWITEM: {
      auto* dis = reinterpret_cast<LPDRAWITEMSTRUCT>(lParam);
      CWnd* child = dis != nullptr ? FromHandle(dis->hwndItem) : nullptr;
      LRESULT r = 0;
      if (child != nullptr && child->OnChildNotify(WM_DRAWITEM, wParam, lParam, &r)) return r;
      return FALSE;
    }
    case WM_MEASUREITEM: {
      auto* mis = reinterpret_cast<LPMEASUREITEMSTRUCT>(lParam);
      CWnd* child = mis != nullptr ? GetDlgItem(static_cast<int>(mis->CtlID)) : nullptr;
      LRESULT r = 0;
      if (child != nullptr && child->OnChildNotify(WM_MEASUREITEM, wParam, lParam, &r)) return r;
      return FALSE;
    }
    case WM_CTLCOLOR: {
      auto* a = reinterpret_cast<const CtlColorArgs*>(lParam);
      LRESULT r = 0;
      if (a != nullptr && a->pWnd != nullptr && a->pWnd != this &&
          a->pWnd->OnChildNotify(WM_CTLCOLOR, wParam, lParam, &r)) {
        return r;
      }
      return 0;
    }
    case WM_ERASEBKGND:
      return TRUE;
    default:
      return 0;
  }
}

BOOL CWnd::PreTranslateMessage(MSG* pMsg) {
  (void)pMsg;
  return FALSE;
}

// ---- identity and family ------------------------------------------------------------------

int CWnd::GetDlgCtrlID() const { return static_cast<int>(m_nID); }

int CWnd::SetDlgCtrlID(int nID) {
  int old = static_cast<int>(m_nID);
  m_nID = static_cast<UINT>(nID);
  if (m_pWidget != nullptr) platform::PublishControlId(m_pWidget, m_nID);
  return old;
}

std::vector<CWnd*> CWnd::GetChildren() const {
  std::vector<CWnd*> out;
  QWidget* client = ClientWidget();
  if (client == nullptr) return out;
  for (QObject* obj : client->children()) {
    auto* w = qobject_cast<QWidget*>(obj);
    if (w == nullptr) continue;
    CWnd* wnd = platform::WindowOfWidget(w);
    if (wnd != nullptr && wnd != this) out.push_back(wnd);
  }
  return out;
}

CWnd* CWnd::GetDlgItem(int nID) const {
  for (CWnd* w : GetChildren()) {
    if (w->GetDlgCtrlID() == nID) return w;
  }
  return nullptr;
}

void CWnd::GetDlgItem(int nID, HWND* phWnd) const {
  CWnd* w = GetDlgItem(nID);
  if (phWnd != nullptr) *phWnd = w != nullptr ? w->m_hWnd : nullptr;
}

CWnd* CWnd::GetParent() const {
  if (m_pWidget == nullptr) return nullptr;
  if ((m_dwStyle & WS_CHILD) == 0) return m_pOwner;
  return FromWidget(m_pWidget->parentWidget());
}

CWnd* CWnd::SetParent(CWnd* pWndNewParent) {
  CWnd* old = GetParent();
  if (m_pWidget == nullptr) return nullptr;
  QRect g = m_pWidget->geometry();
  bool visible = m_pWidget->isVisibleTo(m_pWidget->parentWidget());
  m_pWidget->setParent(pWndNewParent != nullptr ? pWndNewParent->ClientWidget() : nullptr);
  if ((m_dwStyle & WS_CHILD) == 0) m_pOwner = pWndNewParent;
  m_pWidget->setGeometry(g);
  if (visible) m_pWidget->show();
  return old;
}

CWnd* CWnd::GetOwner() const { return m_pOwner != nullptr ? m_pOwner : GetParent(); }
void CWnd::SetOwner(CWnd* pOwnerWnd) { m_pOwner = pOwnerWnd; }

CWnd* CWnd::GetTopLevelParent() const {
  const CWnd* w = this;
  while (true) {
    CWnd* p = w->GetParent();
    if (p == nullptr) return const_cast<CWnd*>(w);
    w = p;
  }
}

BOOL CWnd::IsChild(const CWnd* pWnd) const {
  if (pWnd == nullptr || pWnd->m_pWidget == nullptr || m_pWidget == nullptr) return FALSE;
  for (QWidget* w = pWnd->m_pWidget->parentWidget(); w != nullptr; w = w->parentWidget()) {
    if (w == m_pWidget) return TRUE;
  }
  return FALSE;
}

CWnd* CWnd::GetWindow(UINT nCmd) const {
  switch (nCmd) {
    case GW_OWNER:
      return m_pOwner;
    case GW_CHILD: {
      auto kids = GetChildren();
      return kids.empty() ? nullptr : kids.front();
    }
    case GW_HWNDFIRST:
    case GW_HWNDLAST:
    case GW_HWNDNEXT:
    case GW_HWNDPREV: {
      CWnd* parent = GetParent();
      if (parent == nullptr) return nullptr;
      auto sib = parent->GetChildren();
      if (sib.empty()) return nullptr;
      if (nCmd == GW_HWNDFIRST) return sib.front();
      if (nCmd == GW_HWNDLAST) return sib.back();
      for (size_t i = 0; i < sib.size(); ++i) {
        if (sib[i] != this) continue;
        if (nCmd == GW_HWNDNEXT) return i + 1 < sib.size() ? sib[i + 1] : nullptr;
        return i > 0 ? sib[i - 1] : nullptr;
      }
      return nullptr;
    }
    default:
      return nullptr;
  }
}

// ---- text ---------------------------------------------------------------------------------

namespace {
const platform::WindowClassInfo* ClassOf(const QWidget* widget) {
  if (widget == nullptr) return nullptr;
  QVariant v = widget->property("platformWindowClass");
  if (!v.isValid()) return nullptr;
  return platform::FindWindowClass(CString(v.toString()));
}
}  // namespace

void CWnd::SetWindowText(const CString& text) {
  m_strText = text;
  if (m_pWidget == nullptr) return;
  const platform::WindowClassInfo* info = ClassOf(m_pWidget);
  if (info != nullptr && info->setText) {
    info->setText(m_pWidget, text);
  } else {
    if (m_pWidget->isWindow()) m_pWidget->setWindowTitle(text.q());
    m_pWidget->update();
  }
  m_pWidget->setAccessibleName(text.q());
}

void CWnd::GetWindowText(CString& text) const { text = GetWindowText(); }

CString CWnd::GetWindowText() const {
  const platform::WindowClassInfo* info = ClassOf(m_pWidget);
  if (info != nullptr && info->getText) return info->getText(m_pWidget);
  return m_strText;
}

int CWnd::GetWindowTextLength() const { return GetWindowText().GetLength(); }

void CWnd::SetDlgItemText(int nID, const CString& text) {
  if (CWnd* w = GetDlgItem(nID)) w->SetWindowText(text);
}

int CWnd::GetDlgItemText(int nID, CString& text) const {
  CWnd* w = GetDlgItem(nID);
  text = w != nullptr ? w->GetWindowText() : CString();
  return text.GetLength();
}

void CWnd::SetDlgItemInt(int nID, UINT nValue, BOOL bSigned) {
  CString s;
  if (bSigned) s.Format(L"%d", static_cast<int>(nValue));
  else s.Format(L"%u", nValue);
  SetDlgItemText(nID, s);
}

UINT CWnd::GetDlgItemInt(int nID, BOOL* lpTrans, BOOL bSigned) const {
  CString s;
  GetDlgItemText(nID, s);
  s.Trim();
  bool ok = false;
  qlonglong v = s.q().toLongLong(&ok);
  if (ok && !bSigned && v < 0) ok = false;
  if (lpTrans != nullptr) *lpTrans = ok ? TRUE : FALSE;
  return ok ? static_cast<UINT>(v) : 0;
}

void CWnd::CheckDlgButton(int nIDButton, UINT nCheck) {
  if (CWnd* w = GetDlgItem(nIDButton)) w->SendMessage(0x00F1 /*BM_SETCHECK*/, nCheck, 0);
}

UINT CWnd::IsDlgButtonChecked(int nIDButton) const {
  CWnd* w = GetDlgItem(nIDButton);
  return w != nullptr ? static_cast<UINT>(w->SendMessage(0x00F0 /*BM_GETCHECK*/, 0, 0)) : 0;
}

// ---- style, state, placement --------------------------------------------------------------

BOOL CWnd::ModifyStyle(DWORD dwRemove, DWORD dwAdd, UINT nFlags) {
  (void)nFlags;
  DWORD old = m_dwStyle;
  m_dwStyle = (m_dwStyle & ~dwRemove) | dwAdd;
  if (m_pWidget != nullptr) {
    if ((old ^ m_dwStyle) & WS_DISABLED) m_pWidget->setEnabled((m_dwStyle & WS_DISABLED) == 0);
    if ((old ^ m_dwStyle) & WS_VISIBLE) m_pWidget->setVisible((m_dwStyle & WS_VISIBLE) != 0);
    m_pWidget->update();
  }
  return old != m_dwStyle;
}

BOOL CWnd::ModifyStyleEx(DWORD dwRemove, DWORD dwAdd, UINT nFlags) {
  (void)nFlags;
  DWORD old = m_dwExStyle;
  m_dwExStyle = (m_dwExStyle & ~dwRemove) | dwAdd;
  if (m_pWidget != nullptr) m_pWidget->update();
  return old != m_dwExStyle;
}

BOOL CWnd::ShowWindow(int nCmdShow) {
  if (m_pWidget == nullptr) return FALSE;
  BOOL wasVisible = m_pWidget->isVisibleTo(m_pWidget->parentWidget()) ? TRUE : FALSE;
  switch (nCmdShow) {
    case SW_HIDE:
      m_pWidget->hide();
      m_dwStyle &= ~WS_VISIBLE;
      break;
    case SW_SHOWMINIMIZED:
    case SW_MINIMIZE:
      m_pWidget->showMinimized();
      m_dwStyle |= WS_VISIBLE;
      break;
    case SW_SHOWMAXIMIZED:
      m_pWidget->showMaximized();
      m_dwStyle |= WS_VISIBLE;
      break;
    case SW_RESTORE:
      m_pWidget->showNormal();
      m_dwStyle |= WS_VISIBLE;
      break;
    case SW_SHOWNA:
    case SW_SHOWNOACTIVATE:
      m_pWidget->setAttribute(Qt::WA_ShowWithoutActivating, true);
      m_pWidget->show();
      m_dwStyle |= WS_VISIBLE;
      break;
    default:
      m_pWidget->show();
      if ((m_dwStyle & WS_CHILD) == 0 && m_pWidget->parentWidget() != nullptr) m_pWidget->raise();
      m_dwStyle |= WS_VISIBLE;
      break;
  }
  return wasVisible;
}

BOOL CWnd::IsWindowVisible() const { return m_pWidget != nullptr && m_pWidget->isVisible(); }

BOOL CWnd::EnableWindow(BOOL bEnable) {
  if (m_pWidget == nullptr) return FALSE;
  BOOL wasDisabled = m_pWidget->testAttribute(Qt::WA_ForceDisabled) ? TRUE : FALSE;
  m_pWidget->setEnabled(bEnable != FALSE);
  if (bEnable) m_dwStyle &= ~WS_DISABLED;
  else m_dwStyle |= WS_DISABLED;
  return wasDisabled;
}

BOOL CWnd::IsWindowEnabled() const {
  return m_pWidget != nullptr && !m_pWidget->testAttribute(Qt::WA_ForceDisabled);
}

namespace {
bool IsOwnedPopup(const CWnd* w, const QWidget* widget) {
  return (w->GetStyle() & WS_CHILD) == 0 && widget->parentWidget() != nullptr;
}
}  // namespace

void CWnd::MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint) {
  if (m_pWidget == nullptr) return;
  CRect r(x, y, x + nWidth, y + nHeight);
  if (IsOwnedPopup(this, m_pWidget)) {
    if (CWnd* parent = CWnd::FromWidget(m_pWidget->parentWidget())) parent->ScreenToClient(&r);
  }
  if (m_pWidget->isWindow()) {
    m_pWidget->move(r.left, r.top);
    m_pWidget->resize(std::max(0, r.Width()), std::max(0, r.Height()));
  } else {
    m_pWidget->setGeometry(r.left, r.top, std::max(0, r.Width()), std::max(0, r.Height()));
  }
  if (bRepaint) m_pWidget->update();
}

void CWnd::MoveWindow(LPCRECT lpRect, BOOL bRepaint) {
  if (lpRect == nullptr) return;
  MoveWindow(lpRect->left, lpRect->top, lpRect->right - lpRect->left, lpRect->bottom - lpRect->top, bRepaint);
}

BOOL CWnd::SetWindowPos(const CWnd* pWndInsertAfter, int x, int y, int cx, int cy, UINT nFlags) {
  if (m_pWidget == nullptr) return FALSE;
  CRect cur;
  GetWindowRect(&cur);
  if (!IsOwnedPopup(this, m_pWidget) && !m_pWidget->isWindow()) {
    if (CWnd* parent = GetParent()) parent->ScreenToClient(&cur);
  }
  int nx = (nFlags & SWP_NOMOVE) ? cur.left : x;
  int ny = (nFlags & SWP_NOMOVE) ? cur.top : y;
  int nw = (nFlags & SWP_NOSIZE) ? cur.Width() : cx;
  int nh = (nFlags & SWP_NOSIZE) ? cur.Height() : cy;
  if ((nFlags & (SWP_NOMOVE | SWP_NOSIZE)) != (SWP_NOMOVE | SWP_NOSIZE)) MoveWindow(nx, ny, nw, nh, !(nFlags & SWP_NOREDRAW));
  if (!(nFlags & SWP_NOZORDER)) {
    if (pWndInsertAfter == wndTop || pWndInsertAfter == wndTopMost) {
      m_pWidget->raise();
      if (pWndInsertAfter == wndTopMost && m_pWidget->isWindow()) {
        m_pWidget->setWindowFlag(Qt::WindowStaysOnTopHint, true);
      }
    } else if (pWndInsertAfter == wndBottom) {
      m_pWidget->lower();
    } else if (pWndInsertAfter == wndNoTopMost) {
      if (m_pWidget->isWindow()) m_pWidget->setWindowFlag(Qt::WindowStaysOnTopHint, false);
    } else if (pWndInsertAfter != nullptr && pWndInsertAfter->GetWidget() != nullptr) {
      m_pWidget->stackUnder(pWndInsertAfter->GetWidget());
    }
  }
  if (nFlags & SWP_SHOWWINDOW) ShowWindow(SW_SHOW);
  if (nFlags & SWP_HIDEWINDOW) ShowWindow(SW_HIDE);
  return TRUE;
}

void CWnd::GetWindowRect(LPRECT lpRect) const {
  if (lpRect == nullptr) return;
  if (m_pWidget == nullptr) {
    *lpRect = CRect();
    return;
  }
  QPoint tl = m_pWidget->mapToGlobal(QPoint(0, 0));
  *lpRect = CRect(tl.x(), tl.y(), tl.x() + m_pWidget->width(), tl.y() + m_pWidget->height());
}

void CWnd::GetClientRect(LPRECT lpRect) const {
  if (lpRect == nullptr) return;
  if (m_pWidget == nullptr) {
    *lpRect = CRect();
    return;
  }
  int w = m_pWidget->width();
  int h = m_pWidget->height();
  if (m_pScroll != nullptr) {
    if (m_pScroll->shown[SB_VERT] && m_pScroll->bar[SB_VERT] != nullptr) w -= m_pScroll->bar[SB_VERT]->width();
    if (m_pScroll->shown[SB_HORZ] && m_pScroll->bar[SB_HORZ] != nullptr) h -= m_pScroll->bar[SB_HORZ]->height();
  }
  *lpRect = CRect(0, 0, std::max(0, w), std::max(0, h));
}

void CWnd::ScreenToClient(LPPOINT lpPoint) const {
  if (lpPoint == nullptr || m_pWidget == nullptr) return;
  QPoint p = m_pWidget->mapFromGlobal(QPoint(lpPoint->x, lpPoint->y));
  lpPoint->x = p.x();
  lpPoint->y = p.y();
}

void CWnd::ScreenToClient(LPRECT lpRect) const {
  if (lpRect == nullptr) return;
  POINT tl{lpRect->left, lpRect->top};
  POINT br{lpRect->right, lpRect->bottom};
  ScreenToClient(&tl);
  ScreenToClient(&br);
  *lpRect = CRect(tl.x, tl.y, br.x, br.y);
}

void CWnd::ClientToScreen(LPPOINT lpPoint) const {
  if (lpPoint == nullptr || m_pWidget == nullptr) return;
  QPoint p = m_pWidget->mapToGlobal(QPoint(lpPoint->x, lpPoint->y));
  lpPoint->x = p.x();
  lpPoint->y = p.y();
}

void CWnd::ClientToScreen(LPRECT lpRect) const {
  if (lpRect == nullptr) return;
  POINT tl{lpRect->left, lpRect->top};
  POINT br{lpRect->right, lpRect->bottom};
  ClientToScreen(&tl);
  ClientToScreen(&br);
  *lpRect = CRect(tl.x, tl.y, br.x, br.y);
}

void CWnd::CenterWindow(CWnd* pAlternateOwner) {
  if (m_pWidget == nullptr) return;
  CWnd* ref = pAlternateOwner != nullptr ? pAlternateOwner : GetOwner();
  CRect area;
  if (ref != nullptr && ref->GetWidget() != nullptr) {
    ref->GetWindowRect(&area);
  } else if (QScreen* s = QGuiApplication::primaryScreen()) {
    QRect g = s->availableGeometry();
    area = CRect(g.left(), g.top(), g.right() + 1, g.bottom() + 1);
  } else {
    area = CRect(0, 0, 1920, 1080);
  }
  CRect me;
  GetWindowRect(&me);
  int x = area.left + (area.Width() - me.Width()) / 2;
  int y = area.top + (area.Height() - me.Height()) / 2;
  SetWindowPos(nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

void CWnd::BringWindowToTop() {
  if (m_pWidget == nullptr) return;
  m_pWidget->raise();
  if (m_pWidget->isWindow()) m_pWidget->activateWindow();
}

BOOL CWnd::IsIconic() const { return m_pWidget != nullptr && m_pWidget->isMinimized(); }
BOOL CWnd::IsZoomed() const { return m_pWidget != nullptr && m_pWidget->isMaximized(); }

// ---- painting -----------------------------------------------------------------------------

void CWnd::Invalidate(BOOL bErase) {
  (void)bErase;
  if (m_pWidget != nullptr) m_pWidget->update();
}

void CWnd::InvalidateRect(LPCRECT lpRect, BOOL bErase) {
  (void)bErase;
  if (m_pWidget == nullptr) return;
  if (lpRect == nullptr) m_pWidget->update();
  else m_pWidget->update(QRect(lpRect->left, lpRect->top, lpRect->right - lpRect->left, lpRect->bottom - lpRect->top));
}

void CWnd::ValidateRect(LPCRECT lpRect) { (void)lpRect; }

BOOL CWnd::RedrawWindow(LPCRECT lpRectUpdate, void* prgnUpdate, UINT flags) {
  (void)prgnUpdate;
  if (m_pWidget == nullptr) return FALSE;
  if (flags & (RDW_INVALIDATE | RDW_ERASE | RDW_FRAME)) InvalidateRect(lpRectUpdate, TRUE);
  if (flags & (RDW_UPDATENOW | RDW_ERASENOW)) m_pWidget->repaint();
  return TRUE;
}

void CWnd::UpdateWindow() {
  if (m_pWidget != nullptr && m_pWidget->isVisible()) m_pWidget->repaint();
}

namespace {
QPointer<QWidget>& LockedWidget() {
  static QPointer<QWidget> locked;
  return locked;
}
}  // namespace

BOOL CWnd::LockWindowUpdate() {
  if (m_pWidget == nullptr) return FALSE;
  QPointer<QWidget>& locked = LockedWidget();
  if (locked != nullptr && locked != m_pWidget) return FALSE;  // one window at a time, as on Windows
  locked = m_pWidget;
  m_pWidget->setUpdatesEnabled(false);
  return TRUE;
}

void CWnd::UnlockWindowUpdate() {
  QPointer<QWidget>& locked = LockedWidget();
  if (locked != nullptr) {
    locked->setUpdatesEnabled(true);
    // Everything is drawn now, at once. A repaint request that the window system delivered while
    // the lock held was dropped, and the window would wait for it forever: update() alone posts
    // no new one, so the window is repainted here directly.
    if (locked->isVisible()) locked->repaint();
    else locked->update();
  }
  locked = nullptr;
}

void CWnd::SetRedraw(BOOL bRedraw) {
  if (m_pWidget == nullptr) return;
  m_pWidget->setUpdatesEnabled(bRedraw != FALSE);
  if (bRedraw) m_pWidget->update();
}

int CWnd::MessageBox(const CString& text, const CString& caption, UINT type) {
  return platform::WndMessageBox(this, text, caption, type);
}

// ---- focus and capture --------------------------------------------------------------------

CWnd* CWnd::SetFocus() {
  CWnd* old = GetFocus();
  if (m_pWidget != nullptr) {
    if (m_pWidget->isWindow()) m_pWidget->activateWindow();
    m_pWidget->setFocus(Qt::OtherFocusReason);
  }
  return old;
}

CWnd* CWnd::GetFocus() { return FromWidget(QApplication::focusWidget()); }

namespace {
QPointer<QWidget>& CaptureWidget() {
  static QPointer<QWidget> w;
  return w;
}
}  // namespace

CWnd* CWnd::SetCapture() {
  CWnd* old = GetCapture();
  if (m_pWidget != nullptr) {
    if (CaptureWidget() != nullptr && CaptureWidget() != m_pWidget) CaptureWidget()->releaseMouse();
    CaptureWidget() = m_pWidget;
    m_pWidget->grabMouse();
  }
  return old;
}

CWnd* CWnd::GetCapture() { return FromWidget(CaptureWidget().data()); }

UINT_PTR CWnd::SetTimer(UINT_PTR nIDEvent, UINT nElapse, void (*lpfnTimer)(HWND, UINT, UINT_PTR, DWORD)) {
  if (m_hWnd == nullptr) return 0;
  platform::TimerSet(m_hWnd, nIDEvent, nElapse, lpfnTimer);
  return nIDEvent;
}

BOOL CWnd::KillTimer(UINT_PTR nIDEvent) { return platform::TimerKill(m_hWnd, nIDEvent) ? TRUE : FALSE; }

// ---- own scroll bars ----------------------------------------------------------------------

namespace {
void LayoutScrollBars(QWidget* widget, QScrollBar* horz, QScrollBar* vert, bool showH, bool showV) {
  const int thick = 17;
  int w = widget->width();
  int h = widget->height();
  if (vert != nullptr) {
    vert->setGeometry(w - thick, 0, thick, h - (showH ? thick : 0));
    vert->setVisible(showV);
    vert->raise();
  }
  if (horz != nullptr) {
    horz->setGeometry(0, h - thick, w - (showV ? thick : 0), thick);
    horz->setVisible(showH);
    horz->raise();
  }
}
}  // namespace

void CWnd::ShowScrollBar(UINT nBar, BOOL bShow) {
  if (m_pWidget == nullptr) return;
  if (m_pScroll == nullptr) m_pScroll = new ScrollState();
  for (int bar = SB_HORZ; bar <= SB_VERT; ++bar) {
    if (!(nBar == SB_BOTH || static_cast<int>(nBar) == bar)) continue;
    if (m_pScroll->bar[bar] == nullptr) {
      auto* sb = new QScrollBar(bar == SB_VERT ? Qt::Vertical : Qt::Horizontal, m_pWidget);
      sb->setProperty("platformOwnScrollBar", true);
      sb->setRange(m_pScroll->info[bar].nMin, m_pScroll->info[bar].nMax);
      HWND self = m_hWnd;
      UINT msg = bar == SB_VERT ? WM_VSCROLL : WM_HSCROLL;
      int which = bar;
      QObject::connect(sb, &QAbstractSlider::actionTriggered, sb, [self, msg, sb, which](int action) {
        CWnd* wnd = CWnd::FromHandle(self);
        if (wnd == nullptr || wnd->m_pScroll == nullptr) return;
        int code = platform::ScrollCodeFromSliderAction(action);
        if (code < 0) return;
        int pos = code == SB_THUMBTRACK ? sb->sliderPosition() : wnd->m_pScroll->info[which].nPos;
        if (code == SB_THUMBTRACK) wnd->m_pScroll->info[which].nTrackPos = pos;
        ::SendMessage(self, msg, MAKEWPARAM(code, pos), 0);
        if (code != SB_THUMBTRACK && CWnd::FromHandle(self) != nullptr && wnd->m_pScroll != nullptr) {
          sb->setSliderPosition(wnd->m_pScroll->info[which].nPos);
        }
      });
      QObject::connect(sb, &QAbstractSlider::sliderReleased, sb, [self, msg, sb, which]() {
        CWnd* wnd = CWnd::FromHandle(self);
        if (wnd == nullptr) return;
        ::SendMessage(self, msg, MAKEWPARAM(SB_THUMBPOSITION, sb->sliderPosition()), 0);
        ::SendMessage(self, msg, MAKEWPARAM(SB_ENDSCROLL, 0), 0);
        if (CWnd::FromHandle(self) != nullptr && wnd->m_pScroll != nullptr) {
          sb->setSliderPosition(wnd->m_pScroll->info[which].nPos);
        }
      });
      m_pScroll->bar[bar] = sb;
    }
    m_pScroll->shown[bar] = bShow != FALSE;
    if (bar == SB_VERT) {
      if (bShow) m_dwStyle |= WS_VSCROLL; else m_dwStyle &= ~WS_VSCROLL;
    } else {
      if (bShow) m_dwStyle |= WS_HSCROLL; else m_dwStyle &= ~WS_HSCROLL;
    }
  }
  LayoutScrollBars(m_pWidget, m_pScroll->bar[SB_HORZ], m_pScroll->bar[SB_VERT], m_pScroll->shown[SB_HORZ],
                   m_pScroll->shown[SB_VERT]);
}

BOOL CWnd::SetScrollInfo(int nBar, LPSCROLLINFO lpScrollInfo, BOOL bRedraw) {
  (void)bRedraw;
  if (lpScrollInfo == nullptr || (nBar != SB_HORZ && nBar != SB_VERT)) return FALSE;
  if (m_pScroll == nullptr) m_pScroll = new ScrollState();
  SCROLLINFO& si = m_pScroll->info[nBar];
  if (lpScrollInfo->fMask & SIF_RANGE) {
    si.nMin = lpScrollInfo->nMin;
    si.nMax = lpScrollInfo->nMax;
  }
  if (lpScrollInfo->fMask & SIF_PAGE) si.nPage = lpScrollInfo->nPage;
  if (lpScrollInfo->fMask & SIF_POS) si.nPos = lpScrollInfo->nPos;
  int maxPos = si.nMax - std::max<int>(static_cast<int>(si.nPage) - 1, 0);
  si.nPos = std::max(si.nMin, std::min(si.nPos, std::max(si.nMin, maxPos)));
  if (QScrollBar* sb = m_pScroll->bar[nBar]) {
    QSignalBlocker block(sb);
    sb->setRange(si.nMin, std::max(si.nMin, maxPos));
    sb->setPageStep(std::max<int>(1, static_cast<int>(si.nPage)));
    sb->setValue(si.nPos);
  }
  return si.nPos;
}

BOOL CWnd::GetScrollInfo(int nBar, LPSCROLLINFO lpScrollInfo, UINT nMask) const {
  if (lpScrollInfo == nullptr || (nBar != SB_HORZ && nBar != SB_VERT)) return FALSE;
  SCROLLINFO si = m_pScroll != nullptr ? m_pScroll->info[nBar] : SCROLLINFO{sizeof(SCROLLINFO), 0, 0, 100, 0, 0, 0};
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

int CWnd::GetScrollPos(int nBar) const {
  if (m_pScroll == nullptr || (nBar != SB_HORZ && nBar != SB_VERT)) return 0;
  return m_pScroll->info[nBar].nPos;
}

int CWnd::SetScrollPos(int nBar, int nPos, BOOL bRedraw) {
  int old = GetScrollPos(nBar);
  SCROLLINFO si{sizeof(SCROLLINFO), SIF_POS, 0, 0, 0, nPos, 0};
  SetScrollInfo(nBar, &si, bRedraw);
  return old;
}

void CWnd::SetScrollRange(int nBar, int nMinPos, int nMaxPos, BOOL bRedraw) {
  SCROLLINFO si{sizeof(SCROLLINFO), SIF_RANGE, nMinPos, nMaxPos, 0, 0, 0};
  SetScrollInfo(nBar, &si, bRedraw);
}

void CWnd::GetScrollRange(int nBar, LPINT lpMinPos, LPINT lpMaxPos) const {
  SCROLLINFO si{sizeof(SCROLLINFO), SIF_RANGE, 0, 0, 0, 0, 0};
  GetScrollInfo(nBar, &si);
  if (lpMinPos != nullptr) *lpMinPos = si.nMin;
  if (lpMaxPos != nullptr) *lpMaxPos = si.nMax;
}

int CWnd::GetScrollLimit(int nBar) const {
  SCROLLINFO si{sizeof(SCROLLINFO), SIF_ALL, 0, 0, 0, 0, 0};
  GetScrollInfo(nBar, &si);
  return std::max(si.nMin, si.nMax - std::max<int>(static_cast<int>(si.nPage) - 1, 0));
}

void CWnd::ScrollWindow(int xAmount, int yAmount, LPCRECT lpRect, LPCRECT lpClipRect) {
  (void)lpRect;
  (void)lpClipRect;
  if (m_pWidget == nullptr) return;
  for (QObject* obj : m_pWidget->children()) {
    auto* w = qobject_cast<QWidget*>(obj);
    if (w == nullptr || w->property("platformOwnScrollBar").toBool() || w->isWindow()) continue;
    w->move(w->pos() + QPoint(xAmount, yAmount));
  }
  m_pWidget->update();
}
