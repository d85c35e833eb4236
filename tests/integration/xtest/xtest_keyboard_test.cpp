// Keys sent through XTest must arrive in a real X client exactly as typed, on any layout.

#include "platform/linux/xtest_keyboard.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <optional>
#include <random>
#include <thread>

#include "platform/linux/linux_keyboard.h"

#include "roster/typing.h"
#include "testbed.h"

// Last: Xlib defines macros (None, Bool) that GoogleTest's headers use as names.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace cardwedge {
namespace {

using testbed::ChildProcess;
using testbed::KeyCapture;
using testbed::ProcessOptions;
using testbed::Xvfb;

class XtestKeyboardTest : public ::testing::Test {
 protected:
  XtestKeyboardTest() { ::setenv("DISPLAY", xvfb.display().c_str(), 1); }

  // Runs an X client program on the test's display and waits for it to finish.
  void RunOnDisplay(std::vector<std::string> argv) {
    ChildProcess program(std::move(argv), ProcessOptions{{{"DISPLAY", xvfb.display()}}});
    ASSERT_EQ(program.Wait(testbed::kEventTimeout), 0);
  }

  // Whether the server's keymap puts the digit 1 on a shifted level, as the French layout does.
  bool DigitsAreShifted() {
    Display* display = XOpenDisplay(xvfb.display().c_str());
    if (display == nullptr) return false;
    const KeyCode one = XKeysymToKeycode(display, XK_1);
    int perKeycode = 0;
    KeySym* keysyms = one == 0 ? nullptr : XGetKeyboardMapping(display, one, 1, &perKeycode);
    const bool shifted = keysyms != nullptr && perKeycode > 0 && keysyms[0] != XK_1;
    if (keysyms != nullptr) XFree(keysyms);
    XCloseDisplay(display);
    return shifted;
  }

  Xvfb xvfb;
};

TEST_F(XtestKeyboardTest, DigitsAndLettersArriveExactly) {
  KeyCapture capture(xvfb.display());
  XtestKeyboard keyboard;
  ASSERT_EQ(keyboard.unavailableReason(), "");

  keyboard.Send(PlanDigits("0123"));
  EXPECT_TRUE(capture.WaitForText("0123\n")) << capture.ReceivedText();
  keyboard.Send(PlanText("01AFab"));
  EXPECT_TRUE(capture.WaitForText("0123\n01AFab\n")) << capture.ReceivedText();
}

// Caps Lock would turn the case of an identifier's letters; digits keep their keys.
TEST_F(XtestKeyboardTest, CapsLockRefusesLettersAndLetsDigitsThrough) {
  KeyCapture capture(xvfb.display());
  XtestKeyboard keyboard;
  RunOnDisplay({"xdotool", "key", "Caps_Lock"});

  try {
    keyboard.Send(PlanText("01AFab"));
    ADD_FAILURE() << "letters typed under Caps Lock";
  } catch (const TypingError& error) {
    EXPECT_EQ(error.cause(), TypingError::Cause::kCapsLock);
  }
  keyboard.Send(PlanDigits("12"));
  RunOnDisplay({"xdotool", "key", "Caps_Lock"});
  keyboard.Send(PlanText("AFab"));
  EXPECT_TRUE(capture.WaitForText("12\nAFab\n")) << capture.ReceivedText();
}

TEST_F(XtestKeyboardTest, DigitsArriveAsDigitsAfterTheLayoutChangesToFrench) {
  XtestKeyboard keyboard;
  {
    KeyCapture capture(xvfb.display(), "before");
    keyboard.Send(PlanDigits("12"));
    ASSERT_TRUE(capture.WaitForText("12\n")) << capture.ReceivedText();
  }
  // On the French layout the digits are the shifted level of the top row.
  RunOnDisplay({"setxkbmap", "fr"});
  // Some X servers (Debian 12's Xvfb among them) accept the new keymap and keep the old one.
  if (!DigitsAreShifted()) GTEST_SKIP() << "the X server kept its keymap: no AZERTY to type on";
  KeyCapture capture(xvfb.display(), "after");
  keyboard.Send(PlanDigits("12"));
  keyboard.Send(PlanText("0aZ9"));
  EXPECT_TRUE(capture.WaitForText("12\n0aZ9\n")) << capture.ReceivedText();
}

TEST_F(XtestKeyboardTest, ASequenceWithAKeyOutsideTheTableSendsNothing) {
  KeyCapture capture(xvfb.display());
  XtestKeyboard keyboard;
  const std::vector<KeyEvent> withPeriod = {{'1', true}, {'1', false}, {0xBE, true}, {0xBE, false}};
  EXPECT_THROW(keyboard.Send(withPeriod), TypingError);

  keyboard.Send(PlanDigits("2"));
  EXPECT_TRUE(capture.WaitForText("2\n")) << capture.ReceivedText();
}

// Digits under a held Shift would be symbols, under a held Control shortcuts.
TEST_F(XtestKeyboardTest, AHeldShiftOrControlKeyIsWaitedForAndNothingIsTypedUnderIt) {
  KeyCapture capture(xvfb.display());
  XtestKeyboard keyboard;
  Display* person = XOpenDisplay(xvfb.display().c_str());
  ASSERT_NE(person, nullptr);
  std::string expected;
  for (const KeySym held : {XK_Shift_L, XK_Control_L, XK_Alt_L}) {
    SCOPED_TRACE(XKeysymToString(held));
    const KeyCode keycode = XKeysymToKeycode(person, held);
    const auto press = [&](bool down) {
      XTestFakeKeyEvent(person, keycode, down, CurrentTime);
      XSync(person, False);
    };

    press(true);
    std::thread release([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
      press(false);
    });
    keyboard.Send(PlanDigits("12"));
    release.join();
    expected += "12\n";
    EXPECT_TRUE(capture.WaitForText(expected)) << capture.ReceivedText();

    press(true);
    try {
      keyboard.Send(PlanDigits("34"));
      ADD_FAILURE() << "typed under a held key";
    } catch (const TypingError& error) {
      EXPECT_EQ(error.cause(), TypingError::Cause::kKeysHeld);
    }
    press(false);
    keyboard.Send(PlanDigits("5"));
    expected += "5\n";
    EXPECT_TRUE(capture.WaitForText(expected)) << capture.ReceivedText();
  }
  XCloseDisplay(person);
}

// Without a window manager PointerRoot sends keys to the window under the pointer; None drops
// them, and is refused.
TEST_F(XtestKeyboardTest, AnXServerWhoseFocusIsNoneIsRefused) {
  LinuxKeyboard keyboard;
  Display* person = XOpenDisplay(xvfb.display().c_str());
  ASSERT_NE(person, nullptr);
  XSetInputFocus(person, None, RevertToNone, CurrentTime);
  XSync(person, False);
  try {
    keyboard.CheckFocusedWindow();
    ADD_FAILURE() << "no refusal without a focused window";
  } catch (const TypingError& error) {
    EXPECT_EQ(error.cause(), TypingError::Cause::kNoFocusedWindow);
  }
  XCloseDisplay(person);

  KeyCapture capture(xvfb.display());
  keyboard.Send(PlanDigits("7"));
  EXPECT_TRUE(capture.WaitForText("7\n")) << capture.ReceivedText();
}

TEST_F(XtestKeyboardTest, FiveHundredIdentifiersArriveCompleteAndInOrder) {
  KeyCapture capture(xvfb.display());
  XtestKeyboard keyboard;
  std::mt19937 random(20240601);
  const char hex[] = "0123456789ABCDEF";
  std::string expected;
  for (int i = 0; i < 500; ++i) {
    std::string identifier;
    for (int j = 0; j < 16; ++j) identifier += hex[random() % 16];
    keyboard.Send(PlanText(identifier));
    expected += identifier + "\n";
  }
  EXPECT_TRUE(capture.WaitForText(expected, std::chrono::seconds(120)))
      << "received " << capture.ReceivedText().size() << " of " << expected.size() << " bytes";
}

TEST(XtestKeyboardWithoutDisplay, EverySendFailsWithAReason) {
  for (const char* display : {"", ":65000"}) {
    ::setenv("DISPLAY", display, 1);
    XtestKeyboard keyboard;
    EXPECT_NE(keyboard.unavailableReason(), "") << display;
    EXPECT_THROW(keyboard.Send(PlanDigits("1")), TypingError) << display;
  }
}

// A keyboard whose second key event is one the server refuses (keycode 0 is out of range).
class RefusedSecondEvent : public XtestKeyboard {
  void FakeKeyEvent(unsigned char keycode, bool down) override {
    XtestKeyboard::FakeKeyEvent(++sent_ == 2 ? 0 : keycode, down);
  }
  int sent_ = 0;
};

// The events after the refused one are carried out; the Enter is not sent.
TEST_F(XtestKeyboardTest, ARefusedKeyEventKeepsTheEnterBackAndLeavesNoKeyDown) {
  KeyCapture capture(xvfb.display());
  RefusedSecondEvent keyboard;
  EXPECT_THROW(keyboard.Send(PlanDigits("12")), TypingError);  // the release of 1 refused

  Display* person = XOpenDisplay(xvfb.display().c_str());
  ASSERT_NE(person, nullptr);
  char down[32] = {};
  XQueryKeymap(person, down);
  XCloseDisplay(person);
  EXPECT_EQ(std::string(down, sizeof(down)), std::string(sizeof(down), '\0'));
  keyboard.Send(PlanDigits("3"));
  EXPECT_TRUE(capture.WaitForText("123\n")) << capture.ReceivedText();
}

// Xlib's default ends the process when its server goes away; the keyboard refuses instead.
TEST(XtestKeyboardDisplayGone, ASendAfterTheServerWentAwayIsRefusedAndTheProgramGoesOn) {
  auto xvfb = std::make_unique<Xvfb>();
  ::setenv("DISPLAY", xvfb->display().c_str(), 1);
  XtestKeyboard keyboard;
  ASSERT_EQ(keyboard.unavailableReason(), "");
  xvfb.reset();
  EXPECT_THROW(keyboard.Send(PlanDigits("1")), TypingError);
  EXPECT_NE(keyboard.unavailableReason(), "");
  EXPECT_THROW(keyboard.Send(PlanDigits("1")), TypingError);
}

TEST(KeyRoute, EachFocusGoesToTheKeyboardThatReachesItOrIsRefused) {
  using Cause = TypingError::Cause;
  const Desktop x11{false, false}, waylandWithout{true, false}, waylandWith{true, true};
  struct Row {
    XFocus focus;
    Desktop desktop;
    std::optional<KeyRoute> route;  // nullopt: refused
    Cause cause = Cause::kKeyboard;
  } rows[] = {
      {XFocus::kWindow, x11, KeyRoute::kXtest},
      {XFocus::kPointerRoot, x11, KeyRoute::kXtest},
      {XFocus::kNone, x11, std::nullopt, Cause::kNoFocusedWindow},
      {XFocus::kNoDisplay, x11, KeyRoute::kXtest},  // which says why it cannot type
      {XFocus::kWindow, waylandWithout, KeyRoute::kXtest},
      {XFocus::kPointerRoot, waylandWithout, std::nullopt, Cause::kNativeWayland},
      {XFocus::kNone, waylandWithout, std::nullopt, Cause::kNativeWayland},
      {XFocus::kNoDisplay, waylandWithout, std::nullopt, Cause::kNativeWayland},
      {XFocus::kWindow, waylandWith, KeyRoute::kXtest},
      {XFocus::kPointerRoot, waylandWith, KeyRoute::kWayland},
      {XFocus::kNone, waylandWith, KeyRoute::kWayland},
      {XFocus::kNoDisplay, waylandWith, KeyRoute::kWayland},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message()
                 << "focus " << static_cast<int>(row.focus) << ", wayland " << row.desktop.wayland
                 << ", virtual keyboard " << row.desktop.waylandKeyboard);
    try {
      const KeyRoute route = RouteKeys(row.focus, row.desktop);
      EXPECT_EQ(std::optional(route), row.route);
    } catch (const TypingError& error) {
      EXPECT_EQ(row.route, std::nullopt) << error.what();
      EXPECT_EQ(error.cause(), row.cause);
    }
  }
}

}  // namespace
}  // namespace cardwedge
