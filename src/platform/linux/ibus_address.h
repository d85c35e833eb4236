#pragma once

#include <string>

#include "platform/linux/input_method_state.h"

namespace cardwedge {

// The D-Bus address of the IBus daemon serving this display: IBUS_ADDRESS, else the one its
// bus file names ($XDG_CONFIG_HOME/ibus/bus/MACHINE-ID-HOST-DISPLAY, written by the daemon at
// start). An empty value: no daemon runs (no file, or the process it names has ended).
BusAnswer<std::string> IbusAddress();

}  // namespace cardwedge
