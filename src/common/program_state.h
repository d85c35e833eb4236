#pragma once

#include <set>
#include <string>

namespace cardwedge {

// Program-wide values the two reader windows share. The flags are 0 or 1 and start at 0: the
// host watch is on and neither window is typing until something sets them.
struct ProgramState {
  int ProcessCheckOff = 0;  // 1 when the host-process watch is off
  int FelicaTyping = 0;     // 1 while the FeliCa window types a value
  int PcscTyping = 0;       // 1 while the PC/SC window types a value
  // The roster-fault reports logged at this start: the second window loading the same roster
  // does not repeat its report.
  std::set<std::string> RosterFaultReportsLogged;
};

}  // namespace cardwedge
