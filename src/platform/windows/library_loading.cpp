#include "platform/windows/library_loading.h"

namespace cardwedge {
namespace {

// The system's search order without the current folder, for every later load of the process.
void KeepCurrentFolderOutOfDllSearch() { SetDllDirectoryW(L""); }

std::wstring InSystemFolder(const wchar_t* name) {
  wchar_t folder[MAX_PATH];
  const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
  return std::wstring(folder, length < MAX_PATH ? length : 0) + L"\\" + name;
}

}  // namespace

HMODULE LoadSystemLibrary(const wchar_t* name, LoadLibraryExCall load) {
  const HMODULE library = load(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (library != nullptr || GetLastError() != ERROR_INVALID_PARAMETER) return library;
  KeepCurrentFolderOutOfDllSearch();
  return load(InSystemFolder(name).c_str(), nullptr, 0);
}

HMODULE LoadLibraryBesideOrFromSystem(const std::wstring& folder, const wchar_t* name) {
  KeepCurrentFolderOutOfDllSearch();
  const std::wstring beside = folder + L"\\" + name;
  if (GetFileAttributesW(beside.c_str()) != INVALID_FILE_ATTRIBUTES) {
    // The imports are looked for in the DLL's folder first, then as for the program.
    return LoadLibraryExW(beside.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  }
  // The imports are looked for in the program's folder first.
  return LoadLibraryExW(InSystemFolder(name).c_str(), nullptr, 0);
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
