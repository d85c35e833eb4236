#pragma once

namespace cardwedge {

// Program-wide variables the two reader windows share. Empty values of the original variants are
// 0 here, which is how every reader compares them.
struct ProgramState {
  int ProcessCheckOff = 0;  // 1 when the host-process watch is off
  int FelicaTyping = 0;     // 1 while the FeliCa window types a value
  int PcscTyping = 0;       // 1 while the PC/SC window types a value
};

}  // namespace cardwedge
