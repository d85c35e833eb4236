// Keys sent with SendInput must arrive in a real window of another process exactly as typed, on
// the layout the test runs with (CARDWEDGE_KEYBOARD_LAYOUT: us or fr).

#include "platform/windows/sendinput_keyboard.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <random>
#include <string>
#include <thread>

#include "roster/typing.h"
#include "windows_child_process.h"

namespace cardwedge {
namespace {

using wintest::WindowsChildProcess;
using wintest::WindowsPath;

std::string LayoutUnderTest() {
  const char* layout = std::getenv("CARDWEDGE_KEYBOARD_LAYOUT");
  return layout != nullptr ? layout : "us";
}

// The key target window in the foreground with the focus, reporting each line it receives.
class SendInputKeyboardTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(target.WaitForLine("ready")); }
  void TearDown() override {
    target.WriteLine("quit");
    EXPECT_TRUE(target.Wait());
  }

  // The next line the target received, skipping the single characters it also reports.
  std::string NextLine() {
    for (std::optional<std::string> line; (line = target.ReadLine());) {
      if (line->rfind("line ", 0) == 0) return line->substr(5);
    }
    return "(no line)";
  }

  WindowsChildProcess target{WindowsPath(CARDWEDGE_KEY_TARGET)};
  SendInputKeyboard keyboard;
};

// Wine takes the X layout for the keyboard (its language stays the locale's): on AZERTY the digits
// are the shifted level of the top row, which the other tests then type through.
TEST_F(SendInputKeyboardTest, TheLayoutIsTheOneUnderTest) {
  const bool azerty = LayoutUnderTest() == "fr";
  EXPECT_EQ(HIBYTE(VkKeyScanExW(L'1', GetKeyboardLayout(0))), azerty ? 1 : 0);
}

TEST_F(SendInputKeyboardTest, DigitsAndLettersArriveExactly) {
  keyboard.Send(PlanDigits("0123"));
  EXPECT_EQ(NextLine(), "0123");
  keyboard.Send(PlanText("01AFab"));
  EXPECT_EQ(NextLine(), "01AFab");
  keyboard.Send(PlanText("0aZ9qmw"));
  EXPECT_EQ(NextLine(), "0aZ9qmw");
}

TEST_F(SendInputKeyboardTest, ASequenceWithAKeyOutsideTheTableSendsNothing) {
  const std::vector<KeyEvent> withPeriod = {{'1', true}, {'1', false}, {0xBE, true}, {0xBE, false}};
  EXPECT_THROW(keyboard.Send(withPeriod), TypingError);

  keyboard.Send(PlanDigits("2"));
  EXPECT_EQ(NextLine(), "2");
}

void Press(WORD key, bool down) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = key;
  input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
  ASSERT_EQ(SendInput(1, &input, sizeof(INPUT)), 1u);
}

// Digits under a held Ctrl would be shortcuts in the host, under a held Shift symbols ("24680"
// arrives as "@$^*)" on the US layout).
TEST_F(SendInputKeyboardTest, AHeldControlOrShiftKeyIsWaitedForAndNothingIsTypedUnderIt) {
  for (const WORD key : {VK_CONTROL, VK_SHIFT}) {
    SCOPED_TRACE(key);
    Press(key, true);
    std::thread release([key] {
      Sleep(200);
      Press(key, false);
    });
    keyboard.Send(PlanDigits("12"));
    release.join();
    EXPECT_EQ(NextLine(), "12");

    Press(key, true);
    EXPECT_THROW(keyboard.Send(PlanDigits("24680")), TypingError);
    Press(key, false);
    keyboard.Send(PlanDigits("5"));
    EXPECT_EQ(NextLine(), "5");
  }
}

TEST_F(SendInputKeyboardTest, FiftyIdentifiersArriveCompleteAndInOrder) {
  std::mt19937 random(20240601);
  const char hex[] = "0123456789ABCDEF";
  std::vector<std::string> identifiers;
  for (int i = 0; i < 50; ++i) {
    std::string identifier;
    for (int j = 0; j < 16; ++j) identifier += hex[random() % 16];
    keyboard.Send(PlanText(identifier));
    identifiers.push_back(identifier);
  }
  for (const std::string& identifier : identifiers) ASSERT_EQ(NextLine(), identifier);
}

}  // namespace
}  // namespace cardwedge
