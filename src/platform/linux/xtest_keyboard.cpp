#include "platform/linux/xtest_keyboard.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <chrono>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <thread>

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

// A held Control, Alt or Super key is waited for this long, in steps; the window's events wait
// as long, which a person does not notice.
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

// The modifiers that would make shortcuts of the digits: Control, and each of Mod1 to Mod5 that
// the modifier map gives an Alt, Meta, Super or Hyper key (not Num Lock or AltGr).
unsigned ShortcutModifiers(Display* display) {
  XModifierKeymap* map = XGetModifierMapping(display);
  unsigned modifiers = ControlMask;
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

void WaitForModifiersUp(Display* display, unsigned shortcutModifiers, unsigned heldNow) {
  const auto deadline = std::chrono::steady_clock::now() + kModifierWait;
  while ((heldNow & shortcutModifiers) != 0) {
    if (std::chrono::steady_clock::now() >= deadline) {
      throw TypingError(
          "Control, Alt or Super is held down, which would turn the digits into shortcuts",
          TypingError::Cause::kKeysHeld);
    }
    std::this_thread::sleep_for(kModifierPoll);
    heldNow = KeyboardState(display).base_mods;
  }
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

void XtestKeyboard::Send(const std::vector<KeyEvent>& events) {
  CheckFocusedWindow();
  // The modifier map is read again only after it changed: a read costs a round trip to the server
  // at every value typed.
  if (TakeKeymapChanges(display_) || !shortcutModifiers_) {
    shortcutModifiers_ = ShortcutModifiers(display_);
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
      throw NoKeyOnLayout(event.virtualKey);
    }
    keys.push_back(*key);
  }
  WaitForModifiersUp(display_, *shortcutModifiers_, state.base_mods);

  bool planShiftHeld = false;
  for (std::size_t i = 0; i < events.size(); ++i) {
    const KeyEvent& event = events[i];
    const XKey& key = keys[i];
    if (event.virtualKey == kVkShift) {
      planShiftHeld = event.down;
      XTestFakeKeyEvent(display_, key.keycode, event.down, CurrentTime);
      continue;
    }
    const bool addShift = key.needsShift && !planShiftHeld;
    if (addShift && event.down) XTestFakeKeyEvent(display_, shift, True, CurrentTime);
    XTestFakeKeyEvent(display_, key.keycode, event.down, CurrentTime);
    if (addShift && !event.down) XTestFakeKeyEvent(display_, shift, False, CurrentTime);
  }
  XSync(display_, False);
}

}  // namespace cardwedge
