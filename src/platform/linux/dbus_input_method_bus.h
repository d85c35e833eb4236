#pragma once

#include <QString>

#include "platform/linux/input_method_keyboard.h"
#include "platform/linux/input_method_state.h"

namespace cardwedge {

// The frameworks asked over Qt's D-Bus module: fcitx5 on the session bus
// (DBUS_SESSION_BUS_ADDRESS, else $XDG_RUNTIME_DIR/bus), IBus on the bus its daemon serves for
// this display (IBUS_ADDRESS, else the address in its bus file). Each call waits at most
// kCallTimeoutMs; a connection that was lost is made anew at the next call. Needs a
// QCoreApplication.
class DbusInputMethodBus : public InputMethodBus {
 public:
  static constexpr int kCallTimeoutMs = 200;

  BusAnswer<bool> FcitxRunning() override;
  BusAnswer<int> FcitxState() override;
  BusAnswer<std::string> FcitxInputMethod() override;
  BusAnswer<bool> IbusRunning() override;
  BusAnswer<std::string> IbusGlobalEngine() override;

 private:
  QString ibusAddress_;
};

// The session's input method as the program asks it: over D-Bus, with the hints of the
// environment it started in.
InputMethodKeyboard::Query SessionInputMethod();

}  // namespace cardwedge
