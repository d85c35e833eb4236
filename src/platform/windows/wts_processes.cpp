#include "platform/windows/wts_processes.h"

// clang-format off
#include <windows.h>
#include <wtsapi32.h>
// clang-format on

#include <utility>

#include "platform/windows/library_loading.h"
#include "platform/windows/wide_text.h"

namespace cardwedge {
namespace {

// Declared here: the tool chain's wtsapi32 header and import library lack the Ex functions
// (Windows 7 and later), so they are found in the system's DLL at run time.
using EnumerateProcessesEx = BOOL(WINAPI*)(HANDLE server, DWORD* level, DWORD sessionId,
                                           LPWSTR* processInfo, DWORD* count);
using FreeMemoryEx = BOOL(WINAPI*)(int typeClass, PVOID memory, ULONG entries);
// Level 0 lists WTS_PROCESS_INFOW records; the same number names them when they are freed.
constexpr DWORD kProcessInfoLevel0 = 0;

struct WtsFunctions {
  EnumerateProcessesEx enumerate = nullptr;
  FreeMemoryEx free = nullptr;
};

// Loaded once from the system folder, never from the program's folder.
const WtsFunctions& Wts() {
  static const WtsFunctions functions = [] {
    WtsFunctions found;
    const HMODULE module = LoadSystemLibrary(L"wtsapi32.dll");
    if (module == nullptr) return found;
    found.enumerate = reinterpret_cast<EnumerateProcessesEx>(
        reinterpret_cast<void*>(GetProcAddress(module, "WTSEnumerateProcessesExW")));
    found.free = reinterpret_cast<FreeMemoryEx>(
        reinterpret_cast<void*>(GetProcAddress(module, "WTSFreeMemoryExW")));
    return found;
  }();
  return functions;
}

std::optional<std::vector<SessionProcess>> ListSystemSession(DWORD sessionId) {
  const WtsFunctions& wts = Wts();
  if (wts.enumerate == nullptr || wts.free == nullptr) return std::nullopt;
  DWORD level = kProcessInfoLevel0;
  LPWSTR buffer = nullptr;
  DWORD count = 0;
  if (!wts.enumerate(WTS_CURRENT_SERVER_HANDLE, &level, sessionId, &buffer, &count)) {
    return std::nullopt;
  }
  const auto* records = reinterpret_cast<const WTS_PROCESS_INFOW*>(buffer);
  std::vector<SessionProcess> processes;
  processes.reserve(count);
  for (DWORD i = 0; i < count; ++i) {
    const WTS_PROCESS_INFOW& record = records[i];
    processes.push_back({record.SessionId, record.pProcessName ? record.pProcessName : L""});
  }
  wts.free(static_cast<int>(kProcessInfoLevel0), buffer, count);
  return processes;
}

bool EqualIgnoringCase(const std::wstring& a, const std::wstring& b) {
  return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                              static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

}  // namespace

WtsProcesses::WtsProcesses() : WtsProcesses(ListSystemSession) {}

WtsProcesses::WtsProcesses(ListSession listSession) : listSession_(std::move(listSession)) {}

ProcessPresence WtsProcesses::Presence(const std::string& imageName) {
  if (imageName.empty()) return ProcessPresence::kNotRunning;
  DWORD ownSession = 0;
  if (!ProcessIdToSessionId(GetCurrentProcessId(), &ownSession)) return ProcessPresence::kUnknown;
  const std::optional<std::vector<SessionProcess>> processes = listSession_(ownSession);
  // The list holds at least this program, so an empty one is a failure too.
  if (!processes || processes->empty()) return ProcessPresence::kUnknown;
  const std::wstring name = Widen(imageName);
  for (const SessionProcess& process : *processes) {
    if (process.sessionId == ownSession && EqualIgnoringCase(process.imageName, name)) {
      return ProcessPresence::kRunning;
    }
  }
  return ProcessPresence::kNotRunning;
}

}  // namespace cardwedge
