#include "platform/windows/library_loading.h"

namespace cardwedge {
namespace {

std::wstring InSystemFolder(const wchar_t* name) {
  wchar_t folder[MAX_PATH];
  const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
  return std::wstring(folder, length < MAX_PATH ? length : 0) + L"\\" + name;
}

HMODULE LoadWithoutCriticalErrorBox(const std::wstring& path, DWORD flags, LoadLibraryExCall load) {
  DWORD previousMode = 0;
  const bool modeSet =
      SetThreadErrorMode(GetThreadErrorMode() | SEM_FAILCRITICALERRORS, &previousMode) != 0;
  const HMODULE library = load(path.c_str(), nullptr, flags);
  const DWORD error = GetLastError();
  if (modeSet) SetThreadErrorMode(previousMode, nullptr);
  SetLastError(error);
  return library;
}

}  // namespace

void KeepCurrentFolderOutOfDllSearch() { SetDllDirectoryW(L""); }

HMODULE LoadSystemLibrary(const wchar_t* name, LoadLibraryExCall load) {
  const HMODULE library = load(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (library != nullptr || GetLastError() != ERROR_INVALID_PARAMETER) return library;
  return load(InSystemFolder(name).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

HMODULE LoadLibraryBesideOrFromSystem(const std::wstring& folder, const wchar_t* name,
                                      LoadLibraryExCall load) {
  const std::wstring beside = folder + L"\\" + name;
  if (GetFileAttributesW(beside.c_str()) != INVALID_FILE_ATTRIBUTES) {
    // The imports are looked for in the DLL's folder first, then as for the program.
    return LoadWithoutCriticalErrorBox(beside, LOAD_WITH_ALTERED_SEARCH_PATH, load);
  }
  // The imports are looked for in the program's folder first.
  return LoadWithoutCriticalErrorBox(InSystemFolder(name), 0, load);
}

std::wstring LibraryFileBesideOrFromSystem(const std::wstring& folder, const wchar_t* name) {
  for (const std::wstring& path : {folder + L"\\" + name, InSystemFolder(name)}) {
    if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) return path;
  }
  return L"";
}

LibraryLoadFault ClassifyLoadFailure(DWORD error, bool fileFound) {
  if (!fileFound) return LibraryLoadFault::kMissing;
  switch (error) {
    case ERROR_MOD_NOT_FOUND:
      return LibraryLoadFault::kMissingRuntime;
    case ERROR_BAD_EXE_FORMAT:
      return LibraryLoadFault::kWrongBitness;
    default:
      return LibraryLoadFault::kRefused;
  }
}

}  // namespace cardwedge
