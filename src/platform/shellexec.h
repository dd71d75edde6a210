// Sounds and opening documents or links with the applications the desktop chooses: PlaySound and
// ShellExecuteEx. Both can be replaced by a handler (tests record what would have happened).
//
// Without a handler PlaySound plays nothing (the layer has no sound output): it answers whether the
// sound exists (a file with SND_FILENAME; the layer carries no sound resources) and TRUE for a null
// sound (stop). ShellExecuteEx opens a file or link with "open" (or no verb) through the desktop;
// other verbs are refused.
#pragma once

#include <functional>
#include <vector>

#include "platform/cstring.h"
#include "platform/winmsg.h"

#define SND_SYNC 0x00000000u
#define SND_ASYNC 0x00000001u
#define SND_NODEFAULT 0x00000002u
#define SND_MEMORY 0x00000004u
#define SND_LOOP 0x00000008u
#define SND_NOSTOP 0x00000010u
#define SND_PURGE 0x00000040u
#define SND_APPLICATION 0x00000080u
#define SND_NOWAIT 0x00002000u
#define SND_ALIAS 0x00010000u
#define SND_FILENAME 0x00020000u
#define SND_RESOURCE 0x00040004u

#define SEE_MASK_DEFAULT 0x00000000u
#define SEE_MASK_NOCLOSEPROCESS 0x00000040u
#define SEE_MASK_FLAG_NO_UI 0x00000400u

// hInstApp after ShellExecuteEx: above 32 on success, else an error number.
#define SE_ERR_FNF 2
#define SE_ERR_NOASSOC 31

struct SHELLEXECUTEINFO {
  DWORD cbSize;
  ULONG fMask;
  HWND hwnd;
  LPCTSTR lpVerb;
  LPCTSTR lpFile;
  LPCTSTR lpParameters;
  LPCTSTR lpDirectory;
  int nShow;
  HINSTANCE hInstApp;
};
typedef SHELLEXECUTEINFO* LPSHELLEXECUTEINFO;

// Starts a program with its arguments, never through a shell: argv[0] is searched on PATH and every
// element reaches the program as one argument, blanks and quotes included (WinExec's place). The
// show command is accepted and not used. Above 31 when the program started; ERROR_FILE_NOT_FOUND
// when it could not be started or argv is empty.
UINT StartProgram(const std::vector<CString>& argv, int nShow);
// Splits a command line into arguments the way Windows programs split theirs: blanks separate,
// double quotes group (and are removed), no other character is special.
std::vector<CString> SplitCommandLine(const CString& commandLine);

// pszSound: a file name (SND_FILENAME), a resource name of hmod (SND_RESOURCE) or null to stop.
BOOL PlaySound(LPCTSTR pszSound, HMODULE hmod, DWORD fdwSound);
// FALSE (with hInstApp set to an error number) when the file or link cannot be opened.
BOOL ShellExecuteEx(LPSHELLEXECUTEINFO pExecInfo);

namespace platform {

struct SoundRequest {
  CString sound;  // empty for a null sound
  HMODULE module = nullptr;
  DWORD flags = 0;
};
struct ShellRequest {
  CString verb;
  CString file;
  CString parameters;
  CString directory;
  int show = 0;
  ULONG mask = 0;
};

// Replaces what PlaySound / ShellExecuteEx do (an empty function restores the default). The
// handler's answer is the call's result.
void SetSoundHandler(std::function<BOOL(const SoundRequest&)> handler);
void SetShellHandler(std::function<BOOL(const ShellRequest&)> handler);
// Replaces what StartProgram does (an empty function restores the default); the handler's answer is
// StartProgram's result.
void SetProgramHandler(std::function<UINT(const std::vector<CString>&)> handler);

}  // namespace platform
