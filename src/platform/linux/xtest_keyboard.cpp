#include "platform/linux/xtest_keyboard.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <iostream>
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
void TakeKeymapChanges(Display* display) {
  while (XPending(display) > 0) {
    XEvent event;
    XNextEvent(display, &event);
    if (event.type == MappingNotify) XRefreshKeyboardMapping(&event.xmapping);
  }
}

int CurrentGroup(Display* display) {
  XkbStateRec state{};
  if (XkbGetState(display, XkbUseCoreKbd, &state) != Success) return 0;
  return state.group;
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

// Whether a key that the modifier map makes Shift or Control, or one of its Alt or Super keys, is
// down in the server's key state: any key of the Shift and Control rows, and the keys of Mod1 to
// Mod5 whose symbol is Alt, Meta, Super or Hyper (not Num Lock or AltGr). A connection that broke
// answers no map: nothing is held, and the send finds the loss out.
bool ModifierHeld(Display* display) {
  char down[32] = {};
  XQueryKeymap(display, down);
  XModifierKeymap* map = XGetModifierMapping(display);
  if (map == nullptr) return false;
  bool held = false;
  for (int row = ShiftMapIndex; row <= Mod5MapIndex && !held; ++row) {
    if (row == LockMapIndex) continue;
    for (int i = 0; i < map->max_keypermod && !held; ++i) {
      const KeyCode keycode = map->modifiermap[row * map->max_keypermod + i];
      if (keycode == 0 || (down[keycode / 8] & (1 << (keycode % 8))) == 0) continue;
      held = row == ShiftMapIndex || row == ControlMapIndex ||
             IsAltOrSuper(XkbKeycodeToKeysym(display, keycode, 0, 0));
    }
  }
  XFreeModifiermap(map);
  return held;
}

void WaitForModifiersUp(Display* display) {
  const auto deadline = std::chrono::steady_clock::now() + kModifierWait;
  while (ModifierHeld(display)) {
    if (std::chrono::steady_clock::now() >= deadline) {
      throw TypingError(
          "Shift, Control, Alt or Super is held down, which would turn the digits into symbols "
          "or shortcuts",
          TypingError::Cause::kKeysHeld);
    }
    std::this_thread::sleep_for(kModifierPoll);
  }
}

// Caps Lock turns the case of letter keys (plain ones give capitals), which would change an
// identifier; digits keep their keys. It is locked, not held: waiting would not help.
void RefuseLettersUnderCapsLock(Display* display, const std::vector<KeyEvent>& events) {
  const bool letters = std::any_of(events.begin(), events.end(), [](const KeyEvent& event) {
    return event.virtualKey >= 'A' && event.virtualKey <= 'Z';
  });
  XkbStateRec state{};
  if (!letters || XkbGetState(display, XkbUseCoreKbd, &state) != Success) return;
  if ((state.locked_mods & LockMask) != 0) {
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

// Releases the keys a sequence stopped by a refused event left down, last pressed first.
void XtestKeyboard::ReleaseAfterRefusal(const std::vector<unsigned char>& held) {
  for (auto key = held.rbegin(); key != held.rend(); ++key) {
    XTestFakeKeyEvent(display_, *key, False, CurrentTime);
  }
  XSync(display_, False);
}

void XtestKeyboard::Send(const std::vector<KeyEvent>& events) {
  CheckFocusedWindow();
  const XErrorTrap trap(display_);
  TakeKeymapChanges(display_);
  const int group = CurrentGroup(display_);

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
    RefuseLettersUnderCapsLock(display_, events);
    WaitForModifiersUp(display_);
  }
  if (trap.displayLost()) {
    LoseDisplay();
    throw DisplayLost();
  }

  // The sequence in keycodes, Shift added around the keys whose character needs it.
  std::vector<std::pair<KeyCode, bool>> plan;
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

  // Each event waits for the server's answer, so that a refused one stops the sequence there
  // (no Enter after part of a value) and the keys it left down are known.
  std::vector<unsigned char> held;
  for (const auto& [keycode, down] : plan) {
    FakeKeyEvent(keycode, down);
    XSync(display_, False);
    if (trap.displayLost()) {
      LoseDisplay();
      throw DisplayLost();
    }
    if (trap.firstError() != 0) {
      ReleaseAfterRefusal(held);
      throw TypingError("the X server refused a key event (X error " +
                        std::to_string(trap.firstError()) +
                        "): the value is not typed whole, and the keys it held were released");
    }
    std::erase(held, keycode);
    if (down) held.push_back(keycode);
  }
}

void XtestKeyboard::FakeKeyEvent(unsigned char keycode, bool down) {
  XTestFakeKeyEvent(display_, keycode, down, CurrentTime);
}

}  // namespace cardwedge
