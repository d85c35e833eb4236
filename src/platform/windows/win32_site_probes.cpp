#include "platform/windows/win32_site_probes.h"

#include <windows.h>

#include <utility>

#include "platform/windows/library_loading.h"
#include "platform/windows/wide_text.h"

namespace cardwedge {
namespace {

constexpr UINT kJapaneseCodePage = 932;

// The full path of a module this process loaded ("GetModuleFileNameW function",
// learn.microsoft.com/windows/win32/api/libloaderapi/nf-libloaderapi-getmodulefilenamew); the
// name alone when the path does not fit.
std::string ModulePath(HMODULE module, const wchar_t* name) {
  wchar_t path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(module, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return Narrow(name);
  return Narrow(std::wstring(path, length));
}

}  // namespace

Win32SiteProbes::Win32SiteProbes(const FelicaDllLibrary& library, std::string folder)
    : library_(library), folder_(std::move(folder)) {}

// The library stays loaded once loaded, so the module handle of its name tells where it came from.
LibraryOrigin Win32SiteProbes::FelicaLibraryOrigin() {
  const HMODULE loaded = GetModuleHandleW(kFelicaLibraryFileName);
  if (loaded != nullptr) {
    const std::string where = ModulePath(loaded, kFelicaLibraryFileName);
    if (library_.ReaderState() == FelicaReaderState::kLibraryNotLoaded) {
      return {where, LibraryLoadFault::kMissingEntries, library_.loadError()};
    }
    return {.where = where};
  }
  const std::wstring file = LibraryFileBesideOrFromSystem(Widen(folder_), kFelicaLibraryFileName);
  const DWORD error = library_.loadErrorCode();
  return {file.empty() ? Narrow(kFelicaLibraryFileName) : Narrow(file),
          ClassifyLoadFailure(error, !file.empty()), library_.loadError()};
}

bool Win32SiteProbes::FolderExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesW(Widen(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// "GetUserDefaultUILanguage function",
// learn.microsoft.com/windows/win32/api/winnls/nf-winnls-getuserdefaultuilanguage.
bool Win32SiteProbes::JapaneseUser() {
  return PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_JAPANESE ||
         GetACP() == kJapaneseCodePage;
}

}  // namespace cardwedge
