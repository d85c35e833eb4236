#pragma once

#include <cstdint>

namespace cardwedge {

// A library entry that answers one byte and whose arguments are not documented.
using UndocumentedEntry = std::uint8_t(__stdcall*)();

// Calls the entry as one that takes no arguments, whatever it takes. On 32-bit Windows a stdcall
// entry removes its own arguments from the stack as it returns, so an entry that takes some
// would leave the stack pointer off by their size and the caller's frame broken: the call keeps
// the stack pointer in a register the entry must preserve and puts it back afterwards, and an
// entry that reads arguments reads zeros (no handle, no address), not the caller's frame. On
// x86_64 the caller removes the arguments whatever the callee takes, so a plain call is safe.
std::uint8_t CallRestoringStack(UndocumentedEntry entry);

}  // namespace cardwedge
