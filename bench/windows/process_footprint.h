#pragma once

// What a running Windows program holds, taken from another process: a long run must end holding
// no more than it held once warmed up.

#include <windows.h>

#include <string>

namespace cardwedge::soak {

struct ProcessFootprint {
  DWORD handles = 0;        // GetProcessHandleCount
  DWORD listedHandles = 0;  // the system's handle list, entries of the process
  DWORD gdiObjects = 0;     // GetGuiResources
  DWORD userObjects = 0;
  DWORD windows = 0;  // top-level and child windows of the process
  SIZE_T privateBytes = 0;
  SIZE_T workingSet = 0;
};

// The least the process holds over two seconds, and its memory at their end. Handles come and go
// with every poll (a smart-card context, the test doubles' control files); one that leaks is
// there in every sample.
ProcessFootprint TakeFootprint(HANDLE process);

// Even the least of two seconds moves by a handle or two from one look to the next (the doubles
// open their control files at every poll), and memory by about a mebibyte under Wine; more than
// this over a run is growth. A handle lost per card would be hundreds.
inline constexpr DWORD kHandleNoise = 2;
inline constexpr SIZE_T kMemoryNoiseBytes = 2 << 20;

// More handles or memory than the noise, or more of any other count.
bool Grew(const ProcessFootprint& start, const ProcessFootprint& end);

// "handles 52->52 (listed 60->60), GDI 0->0, USER 0->0, windows 31->31, private 0.0->0.0 MiB,
// working set 20.1->20.2 MiB"
std::string Describe(const ProcessFootprint& start, const ProcessFootprint& end);

}  // namespace cardwedge::soak
