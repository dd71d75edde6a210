// CWinApp, its profile functions and the application-wide accessors.
#include "platform/winapp.h"

#include <QApplication>
#include <QFileInfo>
#include <QPointer>
#include <QWidget>
#include <atomic>
#include <cstring>

#include "platform/files.h"
#include "platform/registry.h"
#include "platform/resources.h"
#include "platform/trace.h"

namespace {
std::atomic<CWinApp*> g_app{nullptr};
// Any non-null value: the program is one module.
HINSTANCE InstanceHandle() { return reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(0x400000)); }
std::atomic<HINSTANCE> g_resourceHandle{nullptr};

CString ProgramBaseName() {
  QString name = QFileInfo(platform::GetProgramPath().q()).completeBaseName();
  return name.isEmpty() ? CString(L"app") : CString(name);
}
}  // namespace

CWinApp::CWinApp(const wchar_t* lpszAppName) {
  m_strExeName = ProgramBaseName();
  m_strAppName = lpszAppName != nullptr && *lpszAppName != 0 ? CString(lpszAppName) : m_strExeName;
  m_strProfileName = m_strAppName;
  m_pszExeName = m_strExeName.GetString();
  m_pszAppName = m_strAppName.GetString();
  m_pszProfileName = m_strProfileName.GetString();
  m_lpCmdLine = m_strCmdLine.GetString();
  m_hInstance = InstanceHandle();
  CWinApp* expected = nullptr;
  if (!g_app.compare_exchange_strong(expected, this)) {
    platform::Trace(L"a second application object is ignored");
  }
}

CWinApp::~CWinApp() {
  CWinApp* self = this;
  g_app.compare_exchange_strong(self, nullptr);
}

BOOL CWinApp::InitInstance() { return TRUE; }

int CWinApp::ExitInstance() { return m_nExitCode; }

int CWinApp::Run() {
  if (QCoreApplication::instance() == nullptr) return ExitInstance();
  if (m_pMainWnd == nullptr || m_pMainWnd->GetWidget() == nullptr) {
    platform::Trace(L"no main window: the application ends");
    return ExitInstance();
  }
  QObject::connect(m_pMainWnd->GetWidget(), &QObject::destroyed, QCoreApplication::instance(),
                   [] { QCoreApplication::exit(0); });
  m_nExitCode = QCoreApplication::exec();
  return ExitInstance();
}

void CWinApp::SetCommandLine(int argc, char** argv) {
  CString line;
  for (int i = 1; i < argc && argv != nullptr; ++i) {
    if (argv[i] == nullptr) continue;
    CString arg = CString::FromUtf8(argv[i]);
    if (!line.IsEmpty()) line += L' ';
    if (arg.Find(L' ') >= 0 || arg.IsEmpty()) line += CString(L"\"") + arg + CString(L"\"");
    else line += arg;
  }
  m_strCmdLine = line;
  m_lpCmdLine = m_strCmdLine.GetString();
}

// ---- profile --------------------------------------------------------------------------------

void CWinApp::SetRegistryKey(const wchar_t* lpszRegistryKey) {
  m_strRegistryKey = CString(lpszRegistryKey);
  m_pszRegistryKey = m_strRegistryKey.IsEmpty() ? nullptr : m_strRegistryKey.GetString();
  m_strProfileName = m_strAppName;
  m_pszProfileName = m_strProfileName.GetString();
}

void CWinApp::SetRegistryKey(UINT nIDRegistryKey) {
  CString key;
  key.LoadString(nIDRegistryKey);
  SetRegistryKey(key.GetString());
}

CString CWinApp::GetAppRegistryKeyPath() const {
  CString path = L"Software\\";
  if (!m_strRegistryKey.IsEmpty()) path += m_strRegistryKey + CString(L"\\");
  path += m_strProfileName;
  return path;
}

namespace {
// A section or entry name must not be able to step out of the application's key.
bool UsableName(const CString& name) { return name.Find(L'\\') < 0; }
}  // namespace

UINT CWinApp::GetProfileInt(const CString& section, const CString& entry, int nDefault) {
  if (!UsableName(section)) return static_cast<UINT>(nDefault);
  DWORD value = 0;
  if (!platform::reg::GetDword(HKEY_CURRENT_USER, GetAppRegistryKeyPath() + L"\\" + section, entry, value)) {
    return static_cast<UINT>(nDefault);
  }
  return value;
}

BOOL CWinApp::WriteProfileInt(const CString& section, const CString& entry, int nValue) {
  if (!UsableName(section) || section.IsEmpty()) return FALSE;
  return platform::reg::SetDword(HKEY_CURRENT_USER, GetAppRegistryKeyPath() + L"\\" + section, entry,
                                 static_cast<DWORD>(nValue))
             ? TRUE
             : FALSE;
}

CString CWinApp::GetProfileString(const CString& section, const CString& entry, const wchar_t* lpszDefault) {
  CString value;
  if (UsableName(section) &&
      platform::reg::GetString(HKEY_CURRENT_USER, GetAppRegistryKeyPath() + L"\\" + section, entry, value)) {
    return value;
  }
  return CString(lpszDefault);
}

BOOL CWinApp::WriteProfileString(const CString& section, const CString& entry, const wchar_t* lpszValue) {
  if (!UsableName(section) || section.IsEmpty()) return FALSE;
  const CString key = GetAppRegistryKeyPath() + L"\\" + section;
  if (entry.IsEmpty()) {
    LONG r = RegDeleteKey(HKEY_CURRENT_USER, key);
    return r == ERROR_SUCCESS || r == ERROR_FILE_NOT_FOUND ? TRUE : FALSE;
  }
  if (lpszValue == nullptr) {
    HKEY h = nullptr;
    if (RegOpenKeyEx(HKEY_CURRENT_USER, key, 0, KEY_SET_VALUE, &h) != ERROR_SUCCESS) return TRUE;
    LONG r = RegDeleteValue(h, entry);
    RegCloseKey(h);
    return r == ERROR_SUCCESS || r == ERROR_FILE_NOT_FOUND ? TRUE : FALSE;
  }
  return platform::reg::SetString(HKEY_CURRENT_USER, key, entry, CString(lpszValue)) ? TRUE : FALSE;
}

BOOL CWinApp::WriteProfileString(const CString& section, const CString& entry, const CString& value) {
  return WriteProfileString(section, entry, value.GetString());
}

BOOL CWinApp::GetProfileBinary(const CString& section, const CString& entry, LPBYTE* ppData, UINT* pBytes) {
  if (ppData == nullptr || pBytes == nullptr) return FALSE;
  *ppData = nullptr;
  *pBytes = 0;
  if (!UsableName(section)) return FALSE;
  HKEY h = nullptr;
  if (RegOpenKeyEx(HKEY_CURRENT_USER, GetAppRegistryKeyPath() + L"\\" + section, 0, KEY_QUERY_VALUE, &h) !=
      ERROR_SUCCESS) {
    return FALSE;
  }
  DWORD type = 0;
  DWORD size = 0;
  BOOL ok = FALSE;
  if (RegQueryValueEx(h, entry, nullptr, &type, nullptr, &size) == ERROR_SUCCESS && type == REG_BINARY) {
    auto* data = new BYTE[size > 0 ? size : 1];
    if (RegQueryValueEx(h, entry, nullptr, &type, data, &size) == ERROR_SUCCESS && type == REG_BINARY) {
      *ppData = data;
      *pBytes = size;
      ok = TRUE;
    } else {
      delete[] data;
    }
  }
  RegCloseKey(h);
  return ok;
}

BOOL CWinApp::WriteProfileBinary(const CString& section, const CString& entry, LPBYTE pData, UINT nBytes) {
  if (!UsableName(section) || section.IsEmpty() || (pData == nullptr && nBytes > 0)) return FALSE;
  HKEY h = nullptr;
  if (RegCreateKeyEx(HKEY_CURRENT_USER, GetAppRegistryKeyPath() + L"\\" + section, 0, nullptr,
                     REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, &h, nullptr) != ERROR_SUCCESS) {
    return FALSE;
  }
  LONG r = RegSetValueEx(h, entry, 0, REG_BINARY, pData, nBytes);
  RegCloseKey(h);
  return r == ERROR_SUCCESS ? TRUE : FALSE;
}

// ---- resources ------------------------------------------------------------------------------

HICON CWinApp::LoadIcon(UINT nIDResource) const { return ::LoadIcon(AfxGetResourceHandle(), nIDResource); }

HCURSOR CWinApp::LoadStandardCursor(const wchar_t* lpszCursorName) const {
  return ::LoadCursor(nullptr, lpszCursorName);
}

// ---- accessors ------------------------------------------------------------------------------

CWinApp* AfxGetApp() { return g_app.load(); }

CWnd* AfxGetMainWnd() {
  CWinApp* app = g_app.load();
  return app != nullptr ? app->m_pMainWnd : nullptr;
}

const wchar_t* AfxGetAppName() {
  CWinApp* app = g_app.load();
  return app != nullptr && app->m_pszAppName != nullptr ? app->m_pszAppName : L"";
}

HINSTANCE AfxGetInstanceHandle() { return InstanceHandle(); }

HINSTANCE AfxGetResourceHandle() {
  HINSTANCE h = g_resourceHandle.load();
  return h != nullptr ? h : InstanceHandle();
}

void AfxSetResourceHandle(HINSTANCE hInstResource) { g_resourceHandle.store(hInstResource); }

BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* picce) {
  (void)picce;
  return TRUE;
}

void AfxEnableControlContainer(void* pContainer) { (void)pContainer; }
