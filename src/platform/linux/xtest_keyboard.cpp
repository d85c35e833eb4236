#include "platform/linux/xtest_keyboard.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <iostream>
#include <iterator>
#include <optional>
#include <thread>
#include <utility>

#include "platform/linux/x_error_trap.h"

namespace cardwedge {
namespace {

struct XKey {
  KeyCode keycode = 0;
  bool needsShift = false;  // the character sits at the shifted level of its key
};

std::optional<KeySym> KeySymOf(std::uint8_t virtualKey) {
  if (virtualKey >= '0' && virtualKey <= '9') return XK_0 + (virtualKey - '0');
  if (virtualKey >= 'A' && virtualKey <= 'Z') return XK_a + (virtualKey - 'A');
  if (virtualKey == kVkReturn) return XK_Return;
  if (virtualKey == kVkShift) return XK_Shift_L;
  return std::nullopt;
}

// Reads the events waiting on the connection, so that Xlib notices keymap changes (setxkbmap, a
// layout switch) before the next lookup and nothing piles up unread on this send-only connection.
// True when the keymap or the modifier map changed.
bool TakeKeymapChanges(Display* display) {
  bool changed = false;
  while (XPending(display) > 0) {
    XEvent event;
    XNextEvent(display, &event);
    if (event.type == MappingNotify) {
      XRefreshKeyboardMapping(&event.xmapping);
      changed = true;
    }
  }
  return changed;
}

// The layout group in force and the modifiers of the keys held down, in one request.
XkbStateRec KeyboardState(Display* display) {
  XkbStateRec state{};
  if (XkbGetState(display, XkbUseCoreKbd, &state) != Success) return XkbStateRec{};
  return state;
}

// The key that types this keysym in the current group, unshifted or shifted.
std::optional<XKey> FindKey(Display* display, KeySym keysym, int group) {
  const KeyCode keycode = XKeysymToKeycode(display, keysym);
  if (keycode == 0) return std::nullopt;
  if (keysym == XK_Shift_L) return XKey{keycode, false};
  if (XkbKeycodeToKeysym(display, keycode, group, 0) == keysym) return XKey{keycode, false};
  if (XkbKeycodeToKeysym(display, keycode, group, 1) == keysym) return XKey{keycode, true};
  return std::nullopt;
}

// A held Shift, Control, Alt or Super key is waited for this long, in steps; the window's events
// wait as long, which a person does not notice.
constexpr auto kModifierWait = std::chrono::milliseconds(500);
constexpr auto kModifierPoll = std::chrono::milliseconds(10);

bool IsAltOrSuper(KeySym keysym) {
  switch (keysym) {
    case XK_Alt_L:
    case XK_Alt_R:
    case XK_Meta_L:
    case XK_Meta_R:
    case XK_Super_L:
    case XK_Super_R:
    case XK_Hyper_L:
    case XK_Hyper_R:
      return true;
    default:
      return false;
  }
}

// The modifiers that would turn the digits into symbols or shortcuts: Shift, Control, and each of
// Mod1 to Mod5 that the modifier map gives an Alt, Meta, Super or Hyper key (not Num Lock or
// AltGr). A connection that broke answers no map: Shift and Control only, and the send finds the
// loss out.
unsigned HeldKeyModifiers(Display* display) {
  unsigned modifiers = ShiftMask | ControlMask;
  XModifierKeymap* map = XGetModifierMapping(display);
  if (map == nullptr) return modifiers;
  for (int row = Mod1MapIndex; row <= Mod5MapIndex; ++row) {
    for (int i = 0; i < map->max_keypermod; ++i) {
      const KeyCode keycode = map->modifiermap[row * map->max_keypermod + i];
      if (keycode != 0 && IsAltOrSuper(XkbKeycodeToKeysym(display, keycode, 0, 0))) {
        modifiers |= 1U << row;
      }
    }
  }
  XFreeModifiermap(map);
  return modifiers;
}

void WaitForModifiersUp(Display* display, unsigned heldKeyModifiers, unsigned heldNow) {
  const auto deadline = std::chrono::steady_clock::now() + kModifierWait;
  while ((heldNow & heldKeyModifiers) != 0) {
    if (std::chrono::steady_clock::now() >= deadline) {
      throw TypingError(
          "Shift, Control, Alt or Super is held down, which would turn the digits into symbols "
          "or shortcuts",
          TypingError::Cause::kKeysHeld);
    }
    std::this_thread::sleep_for(kModifierPoll);
    heldNow = KeyboardState(display).base_mods;
  }
}

// Caps Lock turns the case of letter keys (plain ones give capitals), which would change an
// identifier; digits keep their keys. It is locked, not held: waiting would not help.
void RefuseLettersUnderCapsLock(const XkbStateRec& state, const std::vector<KeyEvent>& events) {
  const bool letters = std::any_of(events.begin(), events.end(), [](const KeyEvent& event) {
    return event.virtualKey >= 'A' && event.virtualKey <= 'Z';
  });
  if (letters && (state.locked_mods & LockMask) != 0) {
    throw TypingError("Caps Lock is on, which would turn the case of the letters: turn it off",
                      TypingError::Cause::kCapsLock);
  }
}

TypingError DisplayLost() {
  return TypingError(
      "the X display went away: nothing more can be typed until cardwedge starts again");
}

}  // namespace

XtestKeyboard::XtestKeyboard() {
  const char* name = std::getenv("DISPLAY");
  if (name == nullptr || *name == '\0') {
    unavailableReason_ = "DISPLAY is not set";
  } else if ((display_ = XOpenDisplay(name)) == nullptr) {
    unavailableReason_ = std::string("cannot open the X display ") + name;
  } else {
    int eventBase = 0, errorBase = 0, major = 0, minor = 0;
    int xkbOpcode = 0, xkbMajor = XkbMajorVersion, xkbMinor = XkbMinorVersion;
    if (!XTestQueryExtension(display_, &eventBase, &errorBase, &major, &minor)) {
      unavailableReason_ = std::string("the X display ") + name + " has no XTest extension";
    } else if (!XkbQueryExtension(display_, &xkbOpcode, &eventBase, &errorBase, &xkbMajor,
                                  &xkbMinor)) {
      unavailableReason_ = std::string("the X display ") + name + " has no XKEYBOARD extension";
    } else {
      XErrorTrap::KeepProcessOnLoss(display_);
      // The modifier map and the keyboard's maps are read now, not at the first card: the
      // first value would otherwise wait for them.
      heldKeyModifiers_ = HeldKeyModifiers(display_);
      XKeysymToKeycode(display_, XK_0);
    }
  }
  if (!unavailableReason_.empty()) {
    std::cerr << "cardwedge: no keyboard output (" << unavailableReason_
              << "): cards are read, but nothing can be typed\n"
              << std::flush;
  }
}

XtestKeyboard::~XtestKeyboard() {
  if (display_ != nullptr) XCloseDisplay(display_);
}

void XtestKeyboard::CheckFocusedWindow() {
  if (!unavailableReason_.empty()) {
    throw TypingError("keyboard output unavailable: " + unavailableReason_);
  }
}

XFocus XtestKeyboard::FocusedWindow() {
  if (!unavailableReason_.empty()) return XFocus::kNoDisplay;
  const XErrorTrap trap(display_);
  Window focus = None;
  int revertTo = 0;
  XGetInputFocus(display_, &focus, &revertTo);
  if (trap.displayLost()) {
    LoseDisplay();
    return XFocus::kNoDisplay;
  }
  if (focus == None) return XFocus::kNone;
  return focus == PointerRoot ? XFocus::kPointerRoot : XFocus::kWindow;
}

// A broken connection can only be closed; the reason stays for every later attempt.
void XtestKeyboard::LoseDisplay() {
  {
    const XErrorTrap trap(display_);
    XCloseDisplay(display_);
  }
  display_ = nullptr;
  unavailableReason_ = "the X display went away";
}

void XtestKeyboard::Send(const std::vector<KeyEvent>& events) {
  CheckFocusedWindow();
  const XErrorTrap trap(display_);
  // The modifier map is read again only after it changed: a read costs a round trip to the server
  // at every value typed.
  if (TakeKeymapChanges(display_) || !heldKeyModifiers_) {
    heldKeyModifiers_ = HeldKeyModifiers(display_);
  }
  const XkbStateRec state = KeyboardState(display_);
  const int group = state.group;

  // Map the whole sequence before the first key goes out.
  const KeyCode shift = XKeysymToKeycode(display_, XK_Shift_L);
  std::vector<XKey> keys;
  keys.reserve(events.size());
  for (const KeyEvent& event : events) {
    const std::optional<KeySym> keysym = KeySymOf(event.virtualKey);
    const std::optional<XKey> key =
        keysym ? FindKey(display_, *keysym, group) : std::optional<XKey>();
    if (!key || (key->needsShift && shift == 0)) {
      if (trap.displayLost()) break;
      throw NoKeyOnLayout(event.virtualKey);
    }
    keys.push_back(*key);
  }
  if (!trap.displayLost()) {
    RefuseLettersUnderCapsLock(state, events);
    WaitForModifiersUp(display_, *heldKeyModifiers_, state.base_mods);
  }
  if (trap.displayLost()) {
    LoseDisplay();
    throw DisplayLost();
  }

  // The sequence in keycodes, Shift added around the keys whose character needs it.
  KeyPlan plan;
  plan.reserve(events.size() * 2);
  bool planShiftHeld = false;
  for (std::size_t i = 0; i < events.size(); ++i) {
    const KeyEvent& event = events[i];
    const XKey& key = keys[i];
    if (event.virtualKey == kVkShift) planShiftHeld = event.down;
    const bool addShift = key.needsShift && !planShiftHeld;
    if (addShift && event.down) plan.emplace_back(shift, true);
    plan.emplace_back(key.keycode, event.down);
    if (addShift && !event.down) plan.emplace_back(shift, false);
  }

  // The keys before the last key press go in one batch, the last key (the Enter) in a second, each
  // followed by the server's answer: no Enter follows a value the server did not take whole, at two
  // round trips a value rather than one an event.
  const auto pressed = [](const auto& step) { return step.second; };
  const auto afterLastPress = std::find_if(plan.rbegin(), plan.rend(), pressed).base();
  const auto enter = afterLastPress == plan.begin() ? plan.begin() : std::prev(afterLastPress);
  SendBatch(plan, plan.begin(), enter, trap, "the value is not typed whole and no Enter followed");
  SendBatch(plan, enter, plan.end(), trap, "the value may have arrived without its Enter");
}

// Sends the plan's steps from begin to end, then waits for the server's answer. A refused event
// leaves the steps after it carried out and the key it should have released may still be down, so
// every key the plan pressed up to end is released, last pressed first.
void XtestKeyboard::SendBatch(const KeyPlan& plan, KeyPlan::const_iterator begin,
                              KeyPlan::const_iterator end, const XErrorTrap& trap,
                              const char* outcomeOnRefusal) {
  if (begin == end) return;
  for (auto step = begin; step != end; ++step) FakeKeyEvent(step->first, step->second);
  XSync(display_, False);
  if (trap.displayLost()) {
    LoseDisplay();
    throw DisplayLost();
  }
  if (trap.firstError() == 0) return;
  std::vector<unsigned char> pressed;
  for (auto step = plan.begin(); step != end; ++step) {
    if (step->second && std::find(pressed.begin(), pressed.end(), step->first) == pressed.end()) {
      pressed.push_back(step->first);
    }
  }
  for (auto key = pressed.rbegin(); key != pressed.rend(); ++key) {
    XTestFakeKeyEvent(display_, *key, False, CurrentTime);
  }
  XSync(display_, False);
  throw TypingError("the X server refused a key event (X error " +
                    std::to_string(trap.firstError()) + "): " + outcomeOnRefusal +
                    "; the keys it pressed were released");
}

void XtestKeyboard::FakeKeyEvent(unsigned char keycode, bool down) {
  XTestFakeKeyEvent(display_, keycode, down, CurrentTime);
}

}  // namespace cardwedge
