#include "reference/control/xlistctrl/hyperlink.h"

#include <string>

#include "platform/codepage.h"
#include "platform/modal.h"
#include "platform/shellexec.h"

namespace {
constexpr UINT_PTR kHoverTimer = 1;
constexpr UINT kHoverInterval = 100;
constexpr UINT_PTR kTipTool = 1;
constexpr int kDefaultValueLimit = 260;  // characters of a default value, terminator included
}  // namespace

BEGIN_MESSAGE_MAP(CHyperLink, CStatic)
  ON_CONTROL_REFLECT(STN_CLICKED, &CHyperLink::OnReflectClicked)
  ON_WM_CTLCOLOR_REFLECT()
  ON_WM_TIMER()
  ON_WM_SETCURSOR()
  ON_WM_DESTROY()
END_MESSAGE_MAP()

CHyperLink::CHyperLink() = default;

// The layer's cursors are shared identifiers: there is nothing to destroy.
CHyperLink::~CHyperLink() = default;

void CHyperLink::SetLinkUrl(const CString& target) {
  m_strTarget = target;
  if (::IsWindow(GetSafeHwnd())) {
    FitWindowToText();
    if (::IsWindow(m_wndTip.GetSafeHwnd())) m_wndTip.UpdateTipText(m_strTarget, this, kTipTool);
  }
}

void CHyperLink::SetLinkColours(COLORREF link, COLORREF visited, COLORREF hover) {
  m_clrNormal = link;
  m_clrAfterVisit = visited;
  m_clrHover = hover == static_cast<COLORREF>(-1) ? GetSysColor(COLOR_HIGHLIGHT) : hover;
  if (::IsWindow(GetSafeHwnd())) Invalidate();
}

void CHyperLink::MarkVisited(BOOL visited) {
  m_bWasVisited = visited;
  if (::IsWindow(GetSafeHwnd())) Invalidate();
}

void CHyperLink::SetHandCursor(HCURSOR cursor) {
  m_hHandCursor = cursor;
  if (m_hHandCursor == nullptr) LoadHandCursor();
}

void CHyperLink::ShowUnderline(BOOL underline) {
  m_bUnderlined = underline;
  if (::IsWindow(GetSafeHwnd())) {
    RebuildFont();
    Invalidate();
  }
}

void CHyperLink::SetFitToText(BOOL fit) {
  m_bFitToText = fit;
  if (::IsWindow(GetSafeHwnd())) FitWindowToText();
}

void CHyperLink::RebuildFont() {
  LOGFONT lf{};
  CFont* current = GetFont();
  if (current != nullptr) {
    current->GetLogFont(&lf);
  } else {
    CFont::FromHandle(static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)))->GetLogFont(&lf);
  }
  lf.lfUnderline = m_bUnderlined ? 1 : 0;
  m_fontLink.DeleteObject();
  m_fontLink.CreateFontIndirect(&lf);
  SetFont(&m_fontLink, TRUE);
}

void CHyperLink::PreSubclassWindow() {
  ModifyStyle(0, SS_NOTIFY);
  CString text;
  GetWindowText(text);
  if (m_strTarget.IsEmpty()) m_strTarget = text;
  if (text.IsEmpty()) SetWindowText(m_strTarget);
  RebuildFont();
  FitWindowToText();
  if (m_hHandCursor == nullptr) LoadHandCursor();
  m_wndTip.Create(this);
  CRect client;
  GetClientRect(&client);
  m_wndTip.AddTool(this, m_strTarget, &client, kTipTool);
  SetTimer(kHoverTimer, kHoverInterval);
  CStatic::PreSubclassWindow();
}

BOOL CHyperLink::PreTranslateMessage(MSG* pMsg) {
  if (::IsWindow(m_wndTip.GetSafeHwnd())) m_wndTip.RelayEvent(pMsg);
  return CStatic::PreTranslateMessage(pMsg);
}

void CHyperLink::OnTimer(UINT_PTR nIDEvent) {
  if (nIDEvent != kHoverTimer) {
    CStatic::OnTimer(nIDEvent);
    return;
  }
  POINT cursor{0, 0};
  GetCursorPos(&cursor);
  CRect window;
  GetWindowRect(&window);
  m_bCursorOver = window.PtInRect(cursor);
  RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

HBRUSH CHyperLink::CtlColor(CDC* pDC, UINT /*nCtlColor*/) {
  pDC->SetTextColor(m_bCursorOver ? m_clrHover : m_bWasVisited ? m_clrAfterVisit : m_clrNormal);
  pDC->SetBkMode(TRANSPARENT);
  return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
}

BOOL CHyperLink::OnSetCursor(CWnd* /*pWnd*/, UINT /*nHitTest*/, UINT /*message*/) {
  if (m_hHandCursor == nullptr) return FALSE;
  ::SetCursor(m_hHandCursor);
  return TRUE;
}

void CHyperLink::OnDestroy() {
  KillTimer(kHoverTimer);
  CStatic::OnDestroy();
}

void CHyperLink::OnReflectClicked() {
  MarkVisited(TRUE);
  OpenUrl(m_strTarget, SW_SHOW);
}

void CHyperLink::FitWindowToText() {
  if (!::IsWindow(GetSafeHwnd()) || !m_bFitToText) return;
  CRect rect;
  GetWindowRect(&rect);
  if (CWnd* parent = GetParent()) parent->ScreenToClient(&rect);
  CString text;
  GetWindowText(text);
  CClientDC dc(this);
  CFont* old = dc.SelectObject(m_fontLink.GetSafeHandle() ? &m_fontLink : GetFont());
  const CSize extent = dc.GetTextExtent(text);
  dc.SelectObject(old);
  const DWORD style = GetStyle();
  if (style & SS_CENTERIMAGE) {
    const int shrink = (rect.Height() - extent.cy) / 2;
    rect.top += shrink;
    rect.bottom = rect.top + extent.cy;
  } else {
    rect.bottom = rect.top + extent.cy;
  }
  const DWORD align = style & SS_TYPEMASK;
  if (align == SS_CENTER) {
    const int shrink = (rect.Width() - extent.cx) / 2;
    rect.left += shrink;
    rect.right = rect.left + extent.cx;
  } else if (align == SS_RIGHT) {
    rect.left = rect.right - extent.cx;
  } else {
    rect.right = rect.left + extent.cx;
  }
  SetWindowPos(nullptr, rect.left, rect.top, rect.Width(), rect.Height(), SWP_NOZORDER);
}

void CHyperLink::LoadHandCursor() {
  if (m_hHandCursor != nullptr) return;
  // The desktop's own hand cursor stands in for the old help program's.
  m_hHandCursor = LoadCursor(nullptr, IDC_HAND);
}

LONG CHyperLink::ReadRegistryDefault(HKEY root, const CString& subKey, CString& text) {
  text.Empty();
  HKEY key = nullptr;
  LONG status = RegOpenKeyEx(root, subKey, 0, KEY_QUERY_VALUE, &key);
  if (status != ERROR_SUCCESS) return status;
  BYTE buffer[kDefaultValueLimit * 2] = {};
  DWORD type = 0, size = sizeof buffer - 2;  // room left for the terminator
  status = RegQueryValueEx(key, CString(), nullptr, &type, buffer, &size);
  if (status == ERROR_SUCCESS) text = platform::reg::TextOfBytes(buffer, size);
  RegCloseKey(key);
  return status;
}

BOOL CHyperLink::BuildCommandLine(const CString& command, const CString& target, std::vector<CString>& argv) {
  CString line = command;
  int at = line.Find(L"\"%1\"");
  if (at < 0) at = line.Find(L"%1");
  if (at >= 0) line = line.Left(at);
  // The line as the system would have been given it: it must fit with its terminator.
  if (line.GetLength() + 1 + target.GetLength() >= kMaxCommandLine) return FALSE;
  argv = SplitCommandLine(line);
  argv.push_back(target);
  return TRUE;
}

UINT CHyperLink::OpenUrl(const CString& target, int show) {
  SHELLEXECUTEINFO info{};
  info.cbSize = sizeof info;
  info.lpVerb = L"open";
  info.lpFile = target.GetString();
  info.nShow = show;
  ShellExecuteEx(&info);
  const UINT shellResult = static_cast<UINT>(reinterpret_cast<intptr_t>(info.hInstApp));
  if (shellResult > 32) return shellResult;
  CString type, command;
  if (ReadRegistryDefault(HKEY_CLASSES_ROOT, L".htm", type) != ERROR_SUCCESS) return shellResult;
  if (ReadRegistryDefault(HKEY_CLASSES_ROOT, type + L"\\shell\\open\\command", command) != ERROR_SUCCESS)
    return shellResult;
  std::vector<CString> argv;
  if (!BuildCommandLine(command, target, argv)) return ERROR_FILE_NOT_FOUND;
  return StartProgram(argv, show);
}

void CHyperLink::ShowOpenError(int error) {
  CString text;
  text.Format(L"Unknown error (%d) occurred.", error);
  AfxMessageBox(L"Unable to open hyperlink:\n\n" + text, MB_ICONEXCLAMATION);
}
