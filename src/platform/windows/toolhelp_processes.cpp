#include "platform/windows/toolhelp_processes.h"

// clang-format off
#include <windows.h>
#include <tlhelp32.h>
// clang-format on

#include "platform/windows/wide_text.h"

namespace cardwedge {
namespace {

bool EqualIgnoringCase(const std::wstring& a, const wchar_t* b) {
  return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b, -1, TRUE) == CSTR_EQUAL;
}

}  // namespace

bool ToolhelpProcesses::IsRunning(const std::string& imageName) {
  if (imageName.empty()) return false;
  const std::wstring name = Widen(imageName);
  const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return false;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  bool found = false;
  for (BOOL more = Process32FirstW(snapshot, &entry); more && !found;
       more = Process32NextW(snapshot, &entry)) {
    found = EqualIgnoringCase(name, entry.szExeFile);
  }
  CloseHandle(snapshot);
  return found;
}

}  // namespace cardwedge
