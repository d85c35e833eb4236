#pragma once

#include <memory>

#include "platform/keyboard.h"
#include "platform/linux/input_method_state.h"

namespace cardwedge {

// A keyboard that types nothing while the session's input method would take the keys: with it
// on, digits become a composition of full-width characters and Enter only confirms it. A
// framework that runs but cannot be asked is refused alike. In the check, the wrapped keyboard's
// own refusals (no keyboard output, a focused window it cannot type into) come first; in a send,
// the input method is asked first and the wrapped keyboard checks as it sends.
class InputMethodKeyboard : public Keyboard {
 public:
  // How the session's input method is asked.
  class Query {
   public:
    virtual ~Query() = default;
    // Starts a question and returns at once: the Answers that follow at once may take its answer.
    virtual void AskAhead() = 0;
    // What the input method would make of keys sent now.
    virtual InputMethodState Answer() = 0;
  };

  InputMethodKeyboard(Keyboard& keys, std::unique_ptr<Query> query);

  void Send(const std::vector<KeyEvent>& events) override;
  void CheckFocusedWindow() override;
  // The input method is asked ahead, while the card is still being read.
  void ExpectValue() override;

 private:
  void RefuseWhileComposing();

  Keyboard& keys_;
  std::unique_ptr<Query> query_;
};

}  // namespace cardwedge
