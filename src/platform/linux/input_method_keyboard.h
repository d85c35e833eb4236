#pragma once

#include <functional>

#include "platform/keyboard.h"
#include "platform/linux/input_method_state.h"

namespace cardwedge {

// A keyboard that types nothing while the session's input method would take the keys: with it
// on, digits become a composition of full-width characters and Enter only confirms it. A
// framework that runs but cannot be asked is refused alike. The wrapped keyboard's own refusals
// (no keyboard output, a focused window it cannot type into) come first; the input method is
// asked before any key is sent.
class InputMethodKeyboard : public Keyboard {
 public:
  using Query = std::function<InputMethodState()>;

  InputMethodKeyboard(Keyboard& keys, Query query);

  void Send(const std::vector<KeyEvent>& events) override;
  void CheckFocusedWindow() override;

 private:
  void RefuseWhileComposing();

  Keyboard& keys_;
  Query query_;
};

}  // namespace cardwedge
