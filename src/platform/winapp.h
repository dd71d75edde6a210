// CWinApp: the application object. The program defines one global object of a class derived from
// it; the layer's main() builds the Qt application and runs its InitInstance. Also the profile
// (per-application settings in the registry stand-in) and the application-wide accessors.
#pragma once

#include "platform/cstring.h"
#include "platform/wnd.h"

// InitCommonControlsEx classes (accepted and ignored: every control class is always available).
#define ICC_LISTVIEW_CLASSES 0x00000001u
#define ICC_TREEVIEW_CLASSES 0x00000002u
#define ICC_BAR_CLASSES 0x00000004u
#define ICC_TAB_CLASSES 0x00000008u
#define ICC_UPDOWN_CLASS 0x00000010u
#define ICC_PROGRESS_CLASS 0x00000020u
#define ICC_HOTKEY_CLASS 0x00000040u
#define ICC_ANIMATE_CLASS 0x00000080u
#define ICC_WIN95_CLASSES 0x000000FFu
#define ICC_STANDARD_CLASSES 0x00004000u

struct INITCOMMONCONTROLSEX {
  DWORD dwSize;
  DWORD dwICC;
};
typedef INITCOMMONCONTROLSEX* LPINITCOMMONCONTROLSEX;

// The framework's help command.
#define ID_HELP 0xE146

class CWinApp : public CCmdTarget {
 public:
  // A null name gives the program file's base name. The object registers itself as the
  // application (one per process; a second one is refused with a trace).
  explicit CWinApp(const wchar_t* lpszAppName = nullptr);
  ~CWinApp() override;

  // Runs the application; TRUE makes main() run the message loop until the main window is
  // destroyed or PostQuitMessage, FALSE ends the program at once. The default returns TRUE.
  virtual BOOL InitInstance();
  // Returns the process exit code (the PostQuitMessage code after a message loop, else 0).
  virtual int ExitInstance();
  // The message loop; returns ExitInstance().
  virtual int Run();
  // The framework's help command: nothing to show here.
  void OnHelp() {}

  CWnd* GetMainWnd() { return m_pMainWnd; }

  // Profile. With a registry key, entries live in HKEY_CURRENT_USER under
  // "Software\<registry key>\<profile name>\<section>"; without one under
  // "Software\<profile name>\<section>". Integers are DWORD values, strings REG_SZ, binary data
  // REG_BINARY.
  void SetRegistryKey(const wchar_t* lpszRegistryKey);
  void SetRegistryKey(UINT nIDRegistryKey);
  // nDefault when the entry is missing or not a DWORD.
  UINT GetProfileInt(const CString& section, const CString& entry, int nDefault);
  BOOL WriteProfileInt(const CString& section, const CString& entry, int nValue);
  // lpszDefault (null: empty) when the entry is missing or not a string.
  CString GetProfileString(const CString& section, const CString& entry, const wchar_t* lpszDefault = nullptr);
  // A null value deletes the entry; an empty entry name deletes the whole section.
  BOOL WriteProfileString(const CString& section, const CString& entry, const wchar_t* lpszValue);
  BOOL WriteProfileString(const CString& section, const CString& entry, const CString& value);
  // *ppData is a new[] block the caller deletes with delete[]; FALSE (null, 0) when missing.
  BOOL GetProfileBinary(const CString& section, const CString& entry, LPBYTE* ppData, UINT* pBytes);
  BOOL WriteProfileBinary(const CString& section, const CString& entry, LPBYTE pData, UINT nBytes);
  // The key the profile's sections live under ("Software\...\<profile name>").
  CString GetAppRegistryKeyPath() const;

  // The program's icon resource; null when there is none.
  HICON LoadIcon(UINT nIDResource) const;
  HCURSOR LoadStandardCursor(const wchar_t* lpszCursorName) const;

  CWnd* m_pMainWnd = nullptr;
  const wchar_t* m_pszAppName = nullptr;
  const wchar_t* m_pszExeName = nullptr;
  const wchar_t* m_pszRegistryKey = nullptr;
  const wchar_t* m_pszProfileName = nullptr;
  const wchar_t* m_lpCmdLine = nullptr;
  HINSTANCE m_hInstance = nullptr;
  int m_nCmdShow = SW_SHOWNORMAL;

  // Layer use: main() records the command line before InitInstance.
  void SetCommandLine(int argc, char** argv);
  // Layer use: the exit code ExitInstance returns.
  int m_nExitCode = 0;

 private:
  CString m_strAppName;
  CString m_strExeName;
  CString m_strRegistryKey;
  CString m_strProfileName;
  CString m_strCmdLine;
};

CWinApp* AfxGetApp();
// The application's main window (null without an application).
CWnd* AfxGetMainWnd();
// The application's name (empty text without an application); never null.
const wchar_t* AfxGetAppName();
HINSTANCE AfxGetInstanceHandle();
HINSTANCE AfxGetResourceHandle();
void AfxSetResourceHandle(HINSTANCE hInstResource);
// Accepted and ignored: every control is available and control containment needs nothing.
BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* picce);
void AfxEnableControlContainer(void* pContainer = nullptr);
