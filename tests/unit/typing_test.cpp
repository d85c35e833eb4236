#include "roster/typing.h"

#include <gtest/gtest.h>

#include "diagnostics/diagnostics.h"
#include "fake_platform.h"
#include "roster/read_rules.h"

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

// Every text not typed sends no key, plays the warning sound and says why in one line.
class TypistTest : public ::testing::Test {
 protected:
  TypistTest() {
    fake.files.Write(kWarningSoundName, "RIFF");
    SetDiagnosticsSink([this](std::string_view line) { lines.emplace_back(line); });
  }
  ~TypistTest() override { SetDiagnosticsSink(nullptr); }

  void ExpectRefused(const std::string& why) {
    EXPECT_TRUE(fake.keyboard.events.empty());
    EXPECT_EQ(fake.sound.played, std::vector<std::string>{FakeFiles::PathOf(kWarningSoundName)});
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_TRUE(lines[0].starts_with("a value could not be typed: ")) << lines[0];
    EXPECT_NE(lines[0].find(why), std::string::npos) << lines[0];
  }

  FakePlatform fake;
  Typist typist{fake.platform, Typist::DigitsYield::kYieldFirst};
  std::vector<std::string> lines;
};

TEST_F(TypistTest, AnUntypeableTextSendsNoKeyAtAll) {
  EXPECT_THROW(typist.TypeDigits("12a3"), TypingError);
  ExpectRefused("has no key");
  EXPECT_THROW(typist.TypeText("AB:12"), TypingError);
  EXPECT_TRUE(fake.keyboard.events.empty());
}

TEST_F(TypistTest, NothingIsTypedWhileAWindowOfTheProgramIsActiveAndTheNextTextIsTyped) {
  // Active at the moment of sending, after the yield has let a click run.
  fake.toolkit.onDoEvents = [this] { fake.toolkit.ownWindowActive = true; };
  EXPECT_THROW(typist.TypeDigits("24001"), TypingError);
  ExpectRefused("a window of cardwedge is active");

  fake.toolkit.onDoEvents = [this] { fake.toolkit.ownWindowActive = false; };
  typist.TypeText("04A2");
  EXPECT_EQ(fake.keyboard.TypedText(), "04A2\n");
}

TEST_F(TypistTest, AKeyboardRefusalIsReportedTheSameWay) {
  fake.keyboard.failing = true;
  EXPECT_THROW(typist.TypeText("04A2"), TypingError);
  ExpectRefused("keyboard unavailable");
}

}  // namespace
}  // namespace cardwedge
