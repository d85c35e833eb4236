#include "roster/typing.h"

#include <gtest/gtest.h>

#include "fake_services.h"
#include "fake_toolkit.h"

namespace cardwedge {
namespace {

constexpr std::uint8_t kShift = kVkShift;
constexpr std::uint8_t kEnter = kVkReturn;

// A key pressed and released.
std::vector<KeyEvent> Tap(std::uint8_t key) { return {{key, true}, {key, false}}; }

std::vector<KeyEvent> Join(std::initializer_list<std::vector<KeyEvent>> parts) {
  std::vector<KeyEvent> events;
  for (const auto& part : parts) events.insert(events.end(), part.begin(), part.end());
  return events;
}

std::vector<KeyEvent> ShiftedTap(std::uint8_t key) {
  return Join({{{kShift, true}}, Tap(key), {{kShift, false}}});
}

TEST(PlanDigits, TypesEachDigitKeyThenEnter) {
  EXPECT_EQ(PlanDigits("0123"), Join({Tap('0'), Tap('1'), Tap('2'), Tap('3'), Tap(kEnter)}));
  EXPECT_EQ(PlanDigits(""), Tap(kEnter));
}

TEST(PlanText, CapitalsGetShiftAroundTheLetterKeySmallLettersTheBareKey) {
  EXPECT_EQ(PlanText("01AF"),
            Join({Tap('0'), Tap('1'), ShiftedTap('A'), ShiftedTap('F'), Tap(kEnter)}));
  EXPECT_EQ(PlanText("ab"), Join({Tap('A'), Tap('B'), Tap(kEnter)}));
  EXPECT_EQ(PlanText("zZ9"), Join({Tap('Z'), ShiftedTap('Z'), Tap('9'), Tap(kEnter)}));
  EXPECT_EQ(PlanText(""), Tap(kEnter));
}

TEST(PlanText, AnyOtherCharacterIsAnErrorForTheWholeText) {
  for (const char* text : {"12:34", "A B", "1.5", "-1", "é", "１"}) {
    EXPECT_THROW(PlanText(text), TypingError) << text;
  }
  for (const char* text : {"12a3", "1 2", "A", "+1", "１"}) {
    EXPECT_THROW(PlanDigits(text), TypingError) << text;
  }
}

TEST(Typist, AnUntypeableTextSendsNoKeyAtAll) {
  FakeToolkit toolkit;
  FakeKeyboard keyboard;
  Typist typist(toolkit, keyboard, Typist::DigitsYield::kYieldFirst);
  EXPECT_THROW(typist.TypeDigits("12a3"), TypingError);
  EXPECT_THROW(typist.TypeText("AB:12"), TypingError);
  EXPECT_TRUE(keyboard.events.empty());
}

}  // namespace
}  // namespace cardwedge
