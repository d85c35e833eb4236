#include "platform/linux/input_method_keyboard.h"

#include <utility>

namespace cardwedge {

InputMethodKeyboard::InputMethodKeyboard(Keyboard& keys, std::unique_ptr<Query> query)
    : keys_(keys), query_(std::move(query)) {}

// The wrapped keyboard checks the focused window itself as it sends: checking it here too would
// cost one more round trip to the display server between the card and its keys.
void InputMethodKeyboard::Send(const std::vector<KeyEvent>& events) {
  RefuseWhileComposing();
  keys_.Send(events);
}

void InputMethodKeyboard::CheckFocusedWindow() {
  keys_.CheckFocusedWindow();
  RefuseWhileComposing();
}

void InputMethodKeyboard::ExpectValue() {
  keys_.ExpectValue();
  query_->AskAhead();
}

void InputMethodKeyboard::RefuseWhileComposing() {
  const InputMethodState state = query_->Answer();
  switch (state.kind) {
    case InputMethodState::Kind::kNotComposing:
      return;
    case InputMethodState::Kind::kComposing:
      throw TypingError("the input method (" + state.detail +
                            ") is on and would take the digits into a composition: turn it off "
                            "(direct input) and lay the card again",
                        TypingError::Cause::kInputMethod);
    case InputMethodState::Kind::kUnknown:
      throw TypingError(
          "cannot tell whether the input method would take the digits: " + state.detail,
          TypingError::Cause::kInputMethodUnknown);
  }
}

}  // namespace cardwedge
