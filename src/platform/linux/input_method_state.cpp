#include "platform/linux/input_method_state.h"

#include <cstdlib>
#include <string_view>

namespace cardwedge {
namespace {

using Kind = InputMethodState::Kind;

bool EnvironmentNames(const char* variable, std::string_view framework) {
  const char* value = std::getenv(variable);
  return value != nullptr && std::string_view(value).find(framework) != std::string_view::npos;
}

bool Named(std::string_view framework) {
  return EnvironmentNames("GTK_IM_MODULE", framework) ||
         EnvironmentNames("QT_IM_MODULE", framework) || EnvironmentNames("XMODIFIERS", framework);
}

InputMethodState Unknown(std::string reason) { return {Kind::kUnknown, std::move(reason)}; }

// Whether the framework runs. nullopt: it is not there. A state: it cannot be told whether it
// runs although the session names it as its input module, which is taken as running unasked.
// Without that hint a bus that cannot be asked is taken as no framework at all, so a desk without
// any input method types even where its session bus is missing or broken.
std::optional<InputMethodState> NotAsked(const BusAnswer<bool>& running, bool named,
                                         std::string_view framework) {
  if (running.value) return std::nullopt;
  if (!named) return InputMethodState{};
  return Unknown(
      std::string(framework) +
      " is the session's input method, but it cannot be asked whether it runs: " + running.error);
}

// fcitx5 answers for the input context that has the focus. State 0, no focused input context,
// means the focused window does not take its keys through fcitx5 (an X client without its input
// module or XIM): the keys reach it as typed, so that is not composing. fcitx5 follows the focus
// of its clients, not the X server's, so a client of fcitx5 left with the input method on may
// make a refusal for another window; that errs on the side of typing nothing.
InputMethodState AskFcitx(InputMethodBus& bus, bool named) {
  const BusAnswer<bool> running = bus.FcitxRunning();
  if (auto state = NotAsked(running, named, "fcitx5")) return *state;
  if (!*running.value) return {};
  const BusAnswer<int> state = bus.FcitxState();
  if (!state.value) {
    return Unknown("fcitx5 runs but did not say whether it composes: " + state.error);
  }
  switch (*state.value) {
    case kFcitxNoFocusedContext:
    case kFcitxOff:
      return {};
    case kFcitxOn: {
      const BusAnswer<std::string> method = bus.FcitxInputMethod();
      return {Kind::kComposing, method.value ? *method.value : "fcitx5"};
    }
    default:
      return Unknown("fcitx5 answered the unknown state " + std::to_string(*state.value));
  }
}

// IBus tells its engine but not the engine's own mode: Mozc or Anthy may be in direct input or
// in hiragana, and only the engine's property signals say which. A keyboard-layout engine (xkb:)
// types keys as they are; any other engine cannot be told apart from composing.
InputMethodState AskIbus(InputMethodBus& bus, bool named) {
  const BusAnswer<bool> running = bus.IbusRunning();
  if (auto state = NotAsked(running, named, "IBus")) return *state;
  if (!*running.value) return {};
  const BusAnswer<std::string> engine = bus.IbusGlobalEngine();
  if (!engine.value) return Unknown("IBus runs but did not name its engine: " + engine.error);
  if (engine.value->rfind("xkb:", 0) == 0) return {};
  return Unknown("IBus types with the engine " + *engine.value +
                 ", whose input mode cannot be read: switch IBus to a keyboard layout");
}

}  // namespace

InputMethodHints InputMethodHintsFromEnvironment() { return {Named("fcitx"), Named("ibus")}; }

InputMethodState QueryInputMethod(InputMethodBus& bus, const InputMethodHints& hints) {
  InputMethodState state = AskFcitx(bus, hints.fcitx);
  if (state.kind != Kind::kNotComposing) return state;
  return AskIbus(bus, hints.ibus);
}

}  // namespace cardwedge
