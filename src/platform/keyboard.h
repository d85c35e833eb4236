#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace cardwedge {

// Windows virtual-key codes used by the typing procedures.
inline constexpr std::uint8_t kVkShift = 0x10;
inline constexpr std::uint8_t kVkReturn = 0x0D;

// One key going down or up. The virtual-key code stands for a character, whatever the keyboard
// layout: 0x30-0x39 the digits, 0x41-0x5A the letters, kVkReturn Enter and kVkShift the Shift key.
// A backend presses the key that gives that character on the layout in force when the sequence is
// sent (the layout of the focused window where layouts differ per window), and adds Shift around
// a digit only where that layout needs it (AZERTY). A sequence with letters is refused while Caps
// Lock is on (kCapsLock), since the letters would arrive in the other case; digits are not.
struct KeyEvent {
  std::uint8_t virtualKey = 0;
  bool down = true;

  bool operator==(const KeyEvent&) const = default;
};

// A text, or a key sequence, that cannot be typed. Nothing has been sent when it is raised. The
// cause lets a window say why in its own language; what() says it in the log's.
class TypingError : public std::runtime_error {
 public:
  enum class Cause {
    kKeyboard,         // no keyboard output, or the system took only part of the keys
    kNoKey,            // a character that no key types
    kOwnWindow,        // a window of this program is active
    kElevatedProgram,  // the focused program runs at a higher integrity level
    kInputMethod,      // the focused window's input method is on
    kKeysHeld,         // Shift, Ctrl, Alt or a Windows key stays held down
    kCapsLock,         // Caps Lock is on and the value has letters
    kNoFocusedWindow,  // no window has the keyboard focus
    kNativeWayland,    // a native Wayland window (or none) has the focus, and no key reaches it
    kSessionLocked,    // the screen is locked
    kSessionAway,      // another session has the console, or the remote desktop left
    kSessionUnknown,   // whether the session is locked or away cannot be told
    // Whether the focused field's input method would compose cannot be known.
    kInputMethodUnknown,
  };

  explicit TypingError(const std::string& what, Cause cause = Cause::kKeyboard)
      : std::runtime_error(what), cause_(cause) {}

  Cause cause() const { return cause_; }

 private:
  Cause cause_;
};

// The error of a virtual-key code that no key of the current layout gives.
inline TypingError NoKeyOnLayout(std::uint8_t virtualKey) {
  static constexpr char kHexDigits[] = "0123456789ABCDEF";
  return TypingError(std::string("the virtual key 0x") + kHexDigits[virtualKey >> 4] +
                         kHexDigits[virtualKey & 0xF] +
                         " has no key on the current keyboard layout",
                     TypingError::Cause::kNoKey);
}

// Synthesised keyboard input into whatever window has the focus.
class Keyboard {
 public:
  virtual ~Keyboard() = default;
  // Sends the whole sequence at once, or raises TypingError without sending any key: a code that
  // no key of the current layout gives, no keyboard output at all, or a refusal of
  // CheckFocusedWindow, which Send makes again.
  virtual void Send(const std::vector<KeyEvent>& events) = 0;
  // Raises TypingError when keys sent now could not reach the focused window as typed and waiting
  // would not change that: no keyboard output, or a focused window that would drop or transform
  // them. A held key is not such a case: Send waits for it. Sends nothing.
  virtual void CheckFocusedWindow() = 0;
  // A card has come, and a value may be sent shortly: a keyboard whose checks ask something slow
  // may ask now, once for the checks of that value. Sends nothing.
  virtual void ExpectValue() {}
};

}  // namespace cardwedge
