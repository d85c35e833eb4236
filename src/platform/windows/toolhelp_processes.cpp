#include "platform/windows/toolhelp_processes.h"

// clang-format off
#include <windows.h>
#include <tlhelp32.h>
// clang-format on

#include <utility>

#include "platform/windows/wide_text.h"

namespace cardwedge {
namespace {

bool EqualIgnoringCase(const std::wstring& a, const wchar_t* b) {
  return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b, -1, TRUE) == CSTR_EQUAL;
}

std::optional<DWORD> SystemSessionOf(DWORD processId) {
  DWORD session = 0;
  if (!ProcessIdToSessionId(processId, &session)) return std::nullopt;
  return session;
}

}  // namespace

ToolhelpProcesses::ToolhelpProcesses() : ToolhelpProcesses(SystemSessionOf) {}

ToolhelpProcesses::ToolhelpProcesses(SessionOf sessionOf) : sessionOf_(std::move(sessionOf)) {}

ProcessPresence ToolhelpProcesses::Presence(const std::string& imageName) {
  if (imageName.empty()) return ProcessPresence::kNotRunning;
  const std::wstring name = Widen(imageName);
  const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return ProcessPresence::kUnknown;
  const std::optional<DWORD> ownSession = sessionOf_(GetCurrentProcessId());
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  // The list holds at least this program, so an empty one is a failure too.
  BOOL more = Process32FirstW(snapshot, &entry);
  ProcessPresence presence = more ? ProcessPresence::kNotRunning : ProcessPresence::kUnknown;
  for (; more && presence != ProcessPresence::kRunning; more = Process32NextW(snapshot, &entry)) {
    if (!EqualIgnoringCase(name, entry.szExeFile)) continue;
    const std::optional<DWORD> session = sessionOf_(entry.th32ProcessID);
    if (!ownSession || !session || *session == *ownSession) presence = ProcessPresence::kRunning;
  }
  CloseHandle(snapshot);
  return presence;
}

}  // namespace cardwedge
