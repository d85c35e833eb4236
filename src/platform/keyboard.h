#pragma once

#include <cstdint>
#include <stdexcept>
#include <vector>

namespace cardwedge {

// Windows virtual-key codes used by the typing procedures.
inline constexpr std::uint8_t kVkShift = 0x10;
inline constexpr std::uint8_t kVkReturn = 0x0D;

struct KeyEvent {
  std::uint8_t virtualKey = 0;
  bool down = true;

  bool operator==(const KeyEvent&) const = default;
};

// A text, or a key sequence, that cannot be typed. Nothing has been sent when it is raised.
class TypingError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Synthesised keyboard input into whatever window has the focus.
class Keyboard {
 public:
  virtual ~Keyboard() = default;
  // Sends the whole sequence at once, or raises TypingError without sending any key.
  virtual void Send(const std::vector<KeyEvent>& events) = 0;
};

}  // namespace cardwedge
