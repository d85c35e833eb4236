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

// Whether a key that the modifier map makes Control, or one of its Alt or Super keys, is down in
// the server's key state: any key of the Control row, and the keys of Mod1 to Mod5 whose symbol
// is Alt, Meta, Super or Hyper (not Num Lock or AltGr).
bool ModifierHeld(Display* display) {
  char down[32] = {};
  XQueryKeymap(display, down);
  XModifierKeymap* map = XGetModifierMapping(display);
  bool held = false;
  for (int row = ControlMapIndex; row <= Mod5MapIndex && !held; ++row) {
    if (row == LockMapIndex) continue;
    for (int i = 0; i < map->max_keypermod && !held; ++i) {
      const KeyCode keycode = map->modifiermap[row * map->max_keypermod + i];
      if (keycode == 0 || (down[keycode / 8] & (1 << (keycode % 8))) == 0) continue;
      held = row == ControlMapIndex || IsAltOrSuper(XkbKeycodeToKeysym(display, keycode, 0, 0));
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
          "Control, Alt or Super is held down, which would turn the digits into shortcuts",
          TypingError::Cause::kKeysHeld);
    }
    std::this_thread::sleep_for(kModifierPoll);
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
      throw NoKeyOnLayout(event.virtualKey);
    }
    keys.push_back(*key);
  }
  WaitForModifiersUp(display_);

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
