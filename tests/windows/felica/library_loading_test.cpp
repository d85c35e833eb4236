// A system DLL loaded where the loader refuses the LOAD_LIBRARY_SEARCH_* flags, as Windows 7
// without its 2011 loader update does; the thread's error mode while the FeliCa library loads.

#include "platform/windows/library_loading.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace cardwedge {
namespace {

std::vector<std::pair<std::wstring, DWORD>> calls;

HMODULE WINAPI LoaderWithoutSearchFlags(LPCWSTR name, HANDLE file, DWORD flags) {
  calls.emplace_back(name, flags);
  if ((flags & LOAD_LIBRARY_SEARCH_SYSTEM32) != 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return LoadLibraryExW(name, file, flags);
}

TEST(LibraryLoadingTest, SearchFlagsRefused) {
  wchar_t system[MAX_PATH];
  const std::wstring folder(system, GetSystemDirectoryW(system, MAX_PATH));
  EXPECT_NE(LoadSystemLibrary(L"Msftedit.dll", LoaderWithoutSearchFlags), nullptr);
  EXPECT_EQ(calls, (std::vector<std::pair<std::wstring, DWORD>>{
                       {L"Msftedit.dll", LOAD_LIBRARY_SEARCH_SYSTEM32},
                       {folder + L"\\Msftedit.dll", LOAD_WITH_ALTERED_SEARCH_PATH},
                   }));
  EXPECT_EQ(LoadSystemLibrary(L"no_such_library.dll", LoaderWithoutSearchFlags), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
}

DWORD modeDuringLoad = 0;

HMODULE WINAPI LoaderThatFindsNoDependency(LPCWSTR, HANDLE, DWORD) {
  modeDuringLoad = GetThreadErrorMode();
  SetLastError(ERROR_MOD_NOT_FOUND);
  return nullptr;
}

// A broken dependency must come back as an error code, not as the system's critical-error box
// ("SetThreadErrorMode function"); the thread's own mode is given back afterwards.
TEST(LibraryLoadingTest, CriticalErrorsGoToTheCallerDuringTheLoad) {
  ASSERT_TRUE(SetThreadErrorMode(SEM_NOGPFAULTERRORBOX, nullptr));
  EXPECT_EQ(LoadLibraryBesideOrFromSystem(L"C:\\no-such-folder", L"felica_for_vb.dll",
                                          LoaderThatFindsNoDependency),
            nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
  EXPECT_EQ(modeDuringLoad, static_cast<DWORD>(SEM_NOGPFAULTERRORBOX | SEM_FAILCRITICALERRORS));
  EXPECT_EQ(GetThreadErrorMode(), static_cast<DWORD>(SEM_NOGPFAULTERRORBOX));
}

}  // namespace
}  // namespace cardwedge
