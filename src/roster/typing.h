#pragma once

#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace cardwedge {

// The key events that type a value of decimal digits, then Enter. Raises TypingError, before
// any key is planned to be sent, when the text holds anything but digits.
std::vector<KeyEvent> PlanDigits(std::string_view text);

// The key events that type letters (capitals with Shift held around the letter key) and digits,
// then Enter. Raises TypingError when the text holds anything else.
std::vector<KeyEvent> PlanText(std::string_view text);

// Plays the warning sound and says in one line why a value was not typed.
void ReportNotTyped(Platform& platform, const TypingError& error);

// Types into the focused window, each text all or nothing. The PC/SC window lets pending events
// run before typing digits; both windows do before typing text. Nothing is typed while a window
// of this program is active: the keys would press its buttons and fill its fields; nor while the
// session is locked, disconnected or of unknown state. Every text
// that is not typed, whatever the reason, is reported (ReportNotTyped) before the TypingError
// goes on to the caller.
class Typist {
 public:
  enum class DigitsYield { kNone, kYieldFirst };

  Typist(Platform& platform, DigitsYield digitsYield);

  // Refuses, as typing would, where keys sent now could not reach the focused window as typed,
  // so a read cycle can find a refusal out before it plays the confirmation sound. Keys held down
  // are waited for only when typing.
  void CheckFocus();
  // A card has come: the keyboard may start the slow part of its checks now.
  void ExpectValue() { platform_.keyboard.ExpectValue(); }
  void TypeDigits(std::string_view text);
  void TypeText(std::string_view text);

 private:
  void RefuseUnlessSessionAtDesk();
  void RefuseIfOwnWindowActive();
  void Type(std::string_view text, std::vector<KeyEvent> (*plan)(std::string_view), bool yield);

  Platform& platform_;
  DigitsYield digitsYield_;
};

}  // namespace cardwedge
