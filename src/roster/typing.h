#pragma once

#include <string_view>
#include <vector>

#include "platform/keyboard.h"
#include "platform/toolkit.h"

namespace cardwedge {

// The key events that type a value of decimal digits, then Enter. Raises TypingError, before
// any key is planned to be sent, when the text holds anything but digits.
std::vector<KeyEvent> PlanDigits(std::string_view text);

// The key events that type letters (capitals with Shift held around the letter key) and digits,
// then Enter. Raises TypingError when the text holds anything else.
std::vector<KeyEvent> PlanText(std::string_view text);

// Types into the focused window, each text all or nothing. The PC/SC window lets pending events
// run before typing digits; both windows do before typing text.
class Typist {
 public:
  enum class DigitsYield { kNone, kYieldFirst };

  Typist(Toolkit& toolkit, Keyboard& keyboard, DigitsYield digitsYield);

  void TypeDigits(std::string_view text);
  void TypeText(std::string_view text);

 private:
  Toolkit& toolkit_;
  Keyboard& keyboard_;
  DigitsYield digitsYield_;
};

}  // namespace cardwedge
