// What SendInputKeyboard does where only a real Windows desk shows the fault: an elevated host,
// an input method that is on or cannot be known to be off, held keys and Caps Lock, SendInput
// taking part of a sequence. The system
// facts come from a stand-in; the keys are mapped on the real layout.

#include <gtest/gtest.h>

#include <optional>

#include "platform/windows/sendinput_keyboard.h"
#include "roster/typing.h"

namespace cardwedge {
namespace {

class StandInForeground : public ForegroundInput {
 public:
  FocusedWindowFacts FocusedWindow() override { return focused; }
  Integrity ForegroundIntegrity() override { return integrity; }
  bool ModifierHeld() override { return waited < modifierHeldFor; }
  bool CapsLockOn() override { return capsLock; }
  void Pause(DWORD milliseconds) override { waited += milliseconds; }
  UINT Send(std::vector<INPUT>& inputs) override {
    const UINT taken = std::min<UINT>(static_cast<UINT>(inputs.size()), takes);
    sent.insert(sent.end(), inputs.begin(), inputs.begin() + taken);
    takes = UINT_MAX;
    return taken;
  }
  DWORD LastError() override { return ERROR_ACCESS_DENIED; }

  // The key events that went out, as "1+" for a press and "1-" for a release.
  std::vector<std::string> Keys() const {
    std::vector<std::string> keys;
    for (const INPUT& input : sent) {
      const bool up = (input.ki.dwFlags & KEYEVENTF_KEYUP) != 0;
      keys.push_back(std::string(1, static_cast<char>(input.ki.wVk)) + (up ? "-" : "+"));
    }
    return keys;
  }

  // An IMM32 field of a Win32 program whose IME is off.
  FocusedWindowFacts focused{true, {L"KeyTarget", L"Edit"}, true, false};
  bool capsLock = false;
  Integrity integrity = Integrity::kNotHigher;
  DWORD modifierHeldFor = 0;  // milliseconds
  DWORD waited = 0;
  UINT takes = UINT_MAX;  // events the next Send takes
  std::vector<INPUT> sent;
};

std::string RefusalOf(SendInputKeyboard& keyboard, const std::vector<KeyEvent>& events) {
  try {
    keyboard.Send(events);
  } catch (const TypingError& error) {
    return error.what();
  }
  return "(typed)";
}

class SendInputRefusalTest : public ::testing::Test {
 protected:
  StandInForeground foreground;
  SendInputKeyboard keyboard{foreground};
};

TEST_F(SendInputRefusalTest, AHostOfHigherOrUnreadableIntegrityGetsNothing) {
  foreground.integrity = ForegroundInput::Integrity::kHigher;
  EXPECT_NE(RefusalOf(keyboard, PlanDigits("12")).find("higher integrity level"),
            std::string::npos);
  foreground.integrity = ForegroundInput::Integrity::kUnreadable;
  EXPECT_NE(RefusalOf(keyboard, PlanDigits("12")).find("cannot be read"), std::string::npos);
  EXPECT_TRUE(foreground.sent.empty());
}

// Only an IME window's "closed" for a field that composes through IMM32 lets the digits go
// (ImmGetDefaultIMEWnd and WM_IME_CONTROL on learn.microsoft.com); unknown is not off.
TEST_F(SendInputRefusalTest, AnInputMethodThatIsOnOrCannotBeKnownToBeOffGetsNothing) {
  struct Row {
    FocusedWindowFacts facts;
    const char* refusal;  // nullptr: typed
  };
  const Row rows[] = {
      {{true, {L"KeyTarget", L"Edit"}, true, false}, nullptr},
      {{true, {L"KeyTarget", L"Edit"}, true, true}, "(IME) of the focused window is on"},
      {{true, {L"KeyTarget", L"Edit"}, true, std::nullopt}, "did not answer"},
      {{false, {}, false, std::nullopt}, "no window is in the foreground"},
      {{true, {L"KeyTarget", L"Edit"}, false, std::nullopt}, "no input method (IME) window"},
      {{true, {L"Chrome_WidgetWin_1", L"Chrome_RenderWidgetHostHWND"}, true, false},
       "does not tell whether"},
      {{true, {L"ApplicationFrameWindow", L"ApplicationFrameWindow"}, true, false},
       "does not tell whether"},
      {{true, {L"XLMAIN", L"EXCEL7"}, true, false}, "does not tell whether"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.refusal ? row.refusal : "typed"));
    foreground.sent.clear();
    foreground.focused = row.facts;
    const std::string outcome = RefusalOf(keyboard, PlanDigits("12"));
    if (row.refusal == nullptr) {
      EXPECT_EQ(outcome, "(typed)");
    } else {
      EXPECT_NE(outcome.find(row.refusal), std::string::npos) << outcome;
      EXPECT_TRUE(foreground.sent.empty());
    }
  }
}

// SendInput does not reset the keyboard state: Caps Lock would turn a raw identifier's letters
// to the other case, while digits alone are not touched.
TEST_F(SendInputRefusalTest, CapsLockRefusesLettersAndLetsDigitsThrough) {
  foreground.capsLock = true;
  EXPECT_NE(RefusalOf(keyboard, PlanText("01AF")).find("Caps Lock is on"), std::string::npos);
  EXPECT_TRUE(foreground.sent.empty());
  EXPECT_EQ(RefusalOf(keyboard, PlanDigits("12")), "(typed)");
}

TEST_F(SendInputRefusalTest, HeldModifiersAreWaitedForHalfASecondAtMost) {
  foreground.modifierHeldFor = 300;
  keyboard.Send(PlanDigits("1"));
  EXPECT_EQ(foreground.Keys(), (std::vector<std::string>{"1+", "1-", "\r+", "\r-"}));
  EXPECT_EQ(foreground.waited, 300u);

  foreground.sent.clear();
  foreground.waited = 0;
  foreground.modifierHeldFor = 10000;
  EXPECT_NE(RefusalOf(keyboard, PlanDigits("1")).find("held down"), std::string::npos);
  EXPECT_TRUE(foreground.sent.empty());
  EXPECT_EQ(foreground.waited, 500u);
}

// What the keyboard can tell before typing, it tells without sending or waiting.
TEST_F(SendInputRefusalTest, TheFocusedWindowIsCheckedBeforehandWithoutWaitingForHeldKeys) {
  const auto causeOfCheck = [&] {
    try {
      keyboard.CheckFocusedWindow();
    } catch (const TypingError& error) {
      return std::optional(error.cause());
    }
    return std::optional<TypingError::Cause>();
  };
  foreground.modifierHeldFor = 10000;
  EXPECT_EQ(causeOfCheck(), std::nullopt);
  EXPECT_EQ(foreground.waited, 0u);
  foreground.focused.imeOpen = true;
  EXPECT_EQ(causeOfCheck(), TypingError::Cause::kInputMethod);
  foreground.integrity = ForegroundInput::Integrity::kHigher;
  EXPECT_EQ(causeOfCheck(), TypingError::Cause::kElevatedProgram);
  EXPECT_TRUE(foreground.sent.empty());
}

TEST_F(SendInputRefusalTest, APartialSendReleasesEveryKeyItPressed) {
  // Shift down, A down went out; A up and the rest did not.
  foreground.takes = 2;
  const std::string refusal = RefusalOf(keyboard, PlanText("AB"));
  EXPECT_NE(refusal.find("took 2 of 10 key events (error 5)"), std::string::npos) << refusal;
  EXPECT_EQ(foreground.Keys(), (std::vector<std::string>{"\x10+", "A+", "A-", "\x10-"}));
}

}  // namespace
}  // namespace cardwedge
