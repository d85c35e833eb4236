#pragma once

#include <string>

#include "platform/linux/input_method_state.h"

namespace cardwedge {

struct IbusDaemon {
  std::string address;  // empty: no daemon runs
  long pid = 0;         // 0 where IBUS_ADDRESS named the address
};

// The IBus daemon serving this display: IBUS_ADDRESS, else the one its bus file names
// ($XDG_CONFIG_HOME/ibus/bus/MACHINE-ID-HOST-DISPLAY, written by the daemon at start; fcitx5's
// IBus frontend writes one too, naming itself). None runs where there is no file, or the process
// it names has ended.
BusAnswer<IbusDaemon> FindIbusDaemon();

}  // namespace cardwedge
