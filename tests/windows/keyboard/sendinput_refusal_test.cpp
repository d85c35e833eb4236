// What SendInputKeyboard does where only a real Windows desk shows the fault: an elevated host,
// an input method that is on, held modifier keys, SendInput taking part of a sequence. The system
// facts come from a stand-in; the keys are mapped on the real layout.

#include <gtest/gtest.h>

#include <optional>

#include "platform/windows/sendinput_keyboard.h"
#include "roster/typing.h"

namespace cardwedge {
namespace {

class StandInForeground : public ForegroundInput {
 public:
  Ime FocusedIme() override { return ime; }
  Integrity ForegroundIntegrity() override { return integrity; }
  bool ModifierHeld() override { return waited < modifierHeldFor; }
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

  Ime ime = Ime::kOff;
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

TEST_F(SendInputRefusalTest, AnInputMethodThatIsOnOrSilentGetsNothingAndIsLeftAsItIs) {
  foreground.ime = ForegroundInput::Ime::kOn;
  EXPECT_NE(RefusalOf(keyboard, PlanDigits("12")).find("(IME) of the focused window is on"),
            std::string::npos);
  foreground.ime = ForegroundInput::Ime::kNoAnswer;
  EXPECT_NE(RefusalOf(keyboard, PlanDigits("12")).find("did not answer"), std::string::npos);
  EXPECT_TRUE(foreground.sent.empty());
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
  foreground.ime = ForegroundInput::Ime::kOn;
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
