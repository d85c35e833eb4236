#include "platform/windows/balanced_call.h"

namespace cardwedge {

// Kept out of line: the call site then takes every register the entry may change as changed, as
// for any call, and only the stack pointer needs the care below.
[[gnu::noinline]] std::uint8_t CallRestoringStack(UndocumentedEntry entry) {
#if defined(__i386__)
  std::uint32_t result = 0;
  // ESI is callee-saved in every 32-bit Windows calling convention. Four zero words stand where
  // arguments would be read.
  __asm__ volatile(
      "movl %%esp, %%esi\n\t"
      "pushl $0\n\t"
      "pushl $0\n\t"
      "pushl $0\n\t"
      "pushl $0\n\t"
      "call *%[entry]\n\t"
      "movl %%esi, %%esp"
      : "=a"(result)
      : [entry] "r"(entry)
      : "esi", "ecx", "edx", "memory", "cc");
  return static_cast<std::uint8_t>(result);
#else
  return entry();
#endif
}

}  // namespace cardwedge
