#pragma once

#include <windows.h>

#include <string>

#include "platform/site_probes.h"

namespace cardwedge {

// The signature of LoadLibraryExW, so that a test can stand in for the system's loader.
using LoadLibraryExCall = HMODULE(WINAPI*)(LPCWSTR, HANDLE, DWORD);

// Takes the current folder out of the search for every later load of the process
// (SetDllDirectoryW with an empty string). SetDllDirectoryW is process-wide and not safe against
// loads running meanwhile on other threads ("SetDllDirectoryW function", Remarks): called once,
// first thing in the program, before any thread starts.
void KeepCurrentFolderOutOfDllSearch();

// A DLL of the system folder, never a file of that name elsewhere. Loaded with
// LOAD_LIBRARY_SEARCH_SYSTEM32 where the loader takes that flag; where it refuses it
// (ERROR_INVALID_PARAMETER: Windows 7 without its 2011 loader update), by its full path in the
// system folder with LOAD_WITH_ALTERED_SEARCH_PATH, so that its own imports too are looked for in
// the system folder before the program's.
HMODULE LoadSystemLibrary(const wchar_t* name, LoadLibraryExCall load = LoadLibraryExW);

// A DLL that the program's folder may hold: the file in `folder` when there is one, else the one
// in the system folder, each by its full path. Its imports are found as the system finds a
// program's, which is how an installer that puts a runtime on PATH expects them to be found:
// the DLL's folder first, then the system folders, then PATH; never the current folder. No
// LOAD_LIBRARY_SEARCH_* flag is used, so every Windows version takes the call.
// A missing or broken import makes the load fail with its error code (126, 193) rather than
// raise the system's critical-error box, which would block the windows until someone answers it:
// the calling thread's error mode holds SEM_FAILCRITICALERRORS for the load ("SetThreadErrorMode
// function") and is given back afterwards, GetLastError kept.
HMODULE LoadLibraryBesideOrFromSystem(const std::wstring& folder, const wchar_t* name,
                                      LoadLibraryExCall load = LoadLibraryExW);

// The file LoadLibraryBesideOrFromSystem loads for `name`: the one in `folder`, else the one in
// the system folder; empty when neither exists.
std::wstring LibraryFileBesideOrFromSystem(const std::wstring& folder, const wchar_t* name);

// What a failed load's error means, given whether the file itself was found. The loader answers
// ERROR_MOD_NOT_FOUND (126) both for a missing file and for a missing import of a file that is
// there, and ERROR_BAD_EXE_FORMAT (193) for a DLL of the other bitness ("System Error Codes
// (0-499)", learn.microsoft.com/windows/win32/debug/system-error-codes--0-499-).
LibraryLoadFault ClassifyLoadFailure(DWORD error, bool fileFound);

}  // namespace cardwedge
