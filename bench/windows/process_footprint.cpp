#include "process_footprint.h"

#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

namespace cardwedge::soak {
namespace {

// NtQuerySystemInformation's list of every open handle (class 16), as ntdll gives it.
struct HandleEntry {
  ULONG processId;
  BYTE objectType;
  BYTE flags;
  USHORT handle;
  PVOID object;
  ACCESS_MASK access;
};
struct HandleList {
  ULONG count;
  HandleEntry entries[1];
};
using QuerySystemInformation = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
constexpr ULONG kSystemHandleInformation = 16;
constexpr LONG kInfoLengthMismatch = static_cast<LONG>(0xC0000004);

DWORD ListedHandles(DWORD processId) {
  static const auto query = reinterpret_cast<QuerySystemInformation>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
  if (query == nullptr) return 0;
  std::vector<char> buffer(1 << 16);
  LONG status;
  while ((status = query(kSystemHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()),
                         nullptr)) == kInfoLengthMismatch) {
    buffer.resize(buffer.size() * 2);
  }
  if (status != 0) return 0;
  const auto* list = reinterpret_cast<const HandleList*>(buffer.data());
  return static_cast<DWORD>(
      std::count_if(list->entries, list->entries + list->count,
                    [&](const HandleEntry& entry) { return entry.processId == processId; }));
}

struct WindowCount {
  DWORD processId;
  DWORD windows = 0;
};

BOOL CALLBACK CountChild(HWND, LPARAM parameter) {
  ++reinterpret_cast<WindowCount*>(parameter)->windows;
  return TRUE;
}

BOOL CALLBACK CountTopLevel(HWND window, LPARAM parameter) {
  auto& count = *reinterpret_cast<WindowCount*>(parameter);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == count.processId) {
    ++count.windows;
    EnumChildWindows(window, CountChild, parameter);
  }
  return TRUE;
}

ProcessFootprint TakeOnce(HANDLE process) {
  ProcessFootprint footprint;
  GetProcessHandleCount(process, &footprint.handles);
  footprint.listedHandles = ListedHandles(GetProcessId(process));
  footprint.gdiObjects = GetGuiResources(process, GR_GDIOBJECTS);
  footprint.userObjects = GetGuiResources(process, GR_USEROBJECTS);
  WindowCount count{GetProcessId(process)};
  EnumWindows(CountTopLevel, reinterpret_cast<LPARAM>(&count));
  footprint.windows = count.windows;
  PROCESS_MEMORY_COUNTERS_EX memory{};
  memory.cb = sizeof memory;
  if (GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory),
                           sizeof memory)) {
    footprint.privateBytes = memory.PrivateUsage;
    footprint.workingSet = memory.WorkingSetSize;
  }
  return footprint;
}

double MiB(SIZE_T bytes) { return static_cast<double>(bytes) / (1 << 20); }

}  // namespace

ProcessFootprint TakeFootprint(HANDLE process) {
  ProcessFootprint least = TakeOnce(process);
  for (int sample = 1; sample < 20; ++sample) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const ProcessFootprint now = TakeOnce(process);
    least.handles = std::min(least.handles, now.handles);
    least.listedHandles = std::min(least.listedHandles, now.listedHandles);
    least.gdiObjects = std::min(least.gdiObjects, now.gdiObjects);
    least.userObjects = std::min(least.userObjects, now.userObjects);
    least.windows = std::min(least.windows, now.windows);
    least.privateBytes = now.privateBytes;
    least.workingSet = now.workingSet;
  }
  return least;
}

bool Grew(const ProcessFootprint& start, const ProcessFootprint& end) {
  return end.handles > start.handles + kHandleNoise ||
         end.listedHandles > start.listedHandles + kHandleNoise ||
         end.gdiObjects > start.gdiObjects || end.userObjects > start.userObjects ||
         end.windows > start.windows || end.privateBytes > start.privateBytes + kMemoryNoiseBytes ||
         end.workingSet > start.workingSet + kMemoryNoiseBytes;
}

std::string Describe(const ProcessFootprint& start, const ProcessFootprint& end) {
  char text[320];
  std::snprintf(text, sizeof text,
                "handles %lu->%lu (listed %lu->%lu), GDI %lu->%lu, USER %lu->%lu, windows "
                "%lu->%lu, private %.1f->%.1f MiB, working set %.1f->%.1f MiB",
                start.handles, end.handles, start.listedHandles, end.listedHandles,
                start.gdiObjects, end.gdiObjects, start.userObjects, end.userObjects, start.windows,
                end.windows, MiB(start.privateBytes), MiB(end.privateBytes), MiB(start.workingSet),
                MiB(end.workingSet));
  return text;
}

}  // namespace cardwedge::soak
