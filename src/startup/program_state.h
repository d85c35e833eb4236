#pragma once

#include <string>

#include "felica/module_felica.h"

namespace cardwedge {

// Program-wide variables shared by the start-up and both reader windows. Empty values of the
// original variants are 0 here, which is how every reader compares them.
struct ProgramState {
  std::string StartMode;      // the mode word of the command line
  int ProcessCheckOff = 0;    // 1 when the host-process watch is off
  int RosterScreenMode = 0;   // read mode of the FeliCa window: 0 lookup, 1 raw ID, 2 paused
  int FelicaTyping = 0;       // 1 while the FeliCa window types a value
  int PcscTyping = 0;         // 1 while the PC/SC window types a value
  ModuleFelica felicaModule;  // FelicaMessage, FelicaIDm, LastFelicaIDm
};

}  // namespace cardwedge
