// A system DLL loaded where the loader refuses the LOAD_LIBRARY_SEARCH_* flags, as Windows 7
// without its 2011 loader update does.

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
                       {folder + L"\\Msftedit.dll", 0},
                   }));
  EXPECT_EQ(LoadSystemLibrary(L"no_such_library.dll", LoaderWithoutSearchFlags), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
}

}  // namespace
}  // namespace cardwedge
