#pragma once

#include <optional>
#include <string>

namespace cardwedge {

// What the session's input-method framework would make of keys sent to the focused window now.
struct InputMethodState {
  enum class Kind {
    kNotComposing,  // no framework takes the keys, or its input method is off
    kComposing,     // the input method is on: digits would become a composition
    kUnknown,       // a framework runs and it cannot be told which
  };
  Kind kind = Kind::kNotComposing;
  // kComposing: the input method that composes ("mozc"); kUnknown: why it cannot be told.
  std::string detail;
};

// One call to a framework: its answer, or why there is none.
template <class T>
struct BusAnswer {
  std::optional<T> value;
  std::string error;  // set when value is empty
};

// fcitx5's Controller1.State: no input context has the focus, the input method is off, or on.
inline constexpr int kFcitxNoFocusedContext = 0;
inline constexpr int kFcitxOff = 1;
inline constexpr int kFcitxOn = 2;

// The frameworks' answers over D-Bus. No call blocks for long: each gives up after a short
// time-out, and a bus that is gone answers with an error at once.
class InputMethodBus {
 public:
  virtual ~InputMethodBus() = default;
  // Whether fcitx5 owns its name on the session bus; no value when that bus cannot be asked.
  virtual BusAnswer<bool> FcitxRunning() = 0;
  virtual BusAnswer<int> FcitxState() = 0;
  // The name of fcitx5's current input method ("mozc", "keyboard-us").
  virtual BusAnswer<std::string> FcitxInputMethod() = 0;
  // Whether an IBus daemon runs for this display; no value when its bus file cannot be read.
  virtual BusAnswer<bool> IbusRunning() = 0;
  // The name of IBus's global engine ("mozc-jp", "xkb:us::eng").
  virtual BusAnswer<std::string> IbusGlobalEngine() = 0;
};

// Which frameworks the session's environment names as the input module of its programs
// (GTK_IM_MODULE, QT_IM_MODULE, XMODIFIERS).
struct InputMethodHints {
  bool fcitx = false;
  bool ibus = false;
};

InputMethodHints InputMethodHintsFromEnvironment();

// Asks fcitx5, then IBus, what they would do with the keys.
InputMethodState QueryInputMethod(InputMethodBus& bus, const InputMethodHints& hints);

}  // namespace cardwedge
