// What the keyboard makes of the input-method frameworks' answers.

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <utility>

#include "fake_services.h"
#include "platform/linux/input_method_keyboard.h"
#include "platform/linux/input_method_state.h"

namespace cardwedge {
namespace {

using Kind = InputMethodState::Kind;

class ScriptedBus : public InputMethodBus {
 public:
  BusAnswer<bool> FcitxRunning() override { return fcitxRunning; }
  BusAnswer<int> FcitxState() override { return fcitxState; }
  BusAnswer<std::string> FcitxInputMethod() override { return {"mozc", {}}; }
  BusAnswer<bool> IbusRunning() override { return ibusRunning; }
  BusAnswer<std::string> IbusGlobalEngine() override { return ibusEngine; }

  BusAnswer<bool> fcitxRunning{false, {}};
  BusAnswer<int> fcitxState{std::nullopt, "not asked"};
  BusAnswer<bool> ibusRunning{false, {}};
  BusAnswer<std::string> ibusEngine{std::nullopt, "not asked"};
};

const BusAnswer<bool> kNoBus{std::nullopt, "no bus address"};
const BusAnswer<int> kNoStateAnswer{std::nullopt, "State: timed out"};

TEST(InputMethodDecisionTest, AnswersOfTheFrameworksDecideWhetherTypingIsRefused) {
  struct Row {
    const char* what;
    BusAnswer<bool> fcitxRunning;
    BusAnswer<int> fcitxState;
    BusAnswer<bool> ibusRunning;
    BusAnswer<std::string> ibusEngine;
    InputMethodHints hints;
    Kind expected;
  };
  const BusAnswer<std::string> noEngine{std::nullopt, "no global engine"};
  const std::vector<Row> rows = {
      {"no framework runs", {false, {}}, {}, {false, {}}, noEngine, {}, Kind::kNotComposing},
      {"no session bus, nothing named", kNoBus, {}, kNoBus, noEngine, {}, Kind::kNotComposing},
      {"no session bus, fcitx named",
       kNoBus,
       {},
       {false, {}},
       noEngine,
       {true, false},
       Kind::kUnknown},
      {"fcitx5 on", {true, {}}, {kFcitxOn, {}}, {false, {}}, noEngine, {}, Kind::kComposing},
      {"fcitx5 off", {true, {}}, {kFcitxOff, {}}, {false, {}}, noEngine, {}, Kind::kNotComposing},
      {"fcitx5 without a focused client",
       {true, {}},
       {kFcitxNoFocusedContext, {}},
       {false, {}},
       noEngine,
       {},
       Kind::kNotComposing},
      {"fcitx5 does not answer",
       {true, {}},
       kNoStateAnswer,
       {false, {}},
       noEngine,
       {},
       Kind::kUnknown},
      {"fcitx5 answers a state it never gave",
       {true, {}},
       {7, {}},
       {false, {}},
       noEngine,
       {},
       Kind::kUnknown},
      {"IBus with a layout engine",
       {false, {}},
       {},
       {true, {}},
       {"xkb:jp::jpn", {}},
       {},
       Kind::kNotComposing},
      {"IBus with Mozc, fcitx5 off",
       {true, {}},
       {kFcitxOff, {}},
       {true, {}},
       {"mozc-jp", {}},
       {},
       Kind::kUnknown},
      {"IBus does not name its engine", {false, {}}, {}, {true, {}}, noEngine, {}, Kind::kUnknown},
      {"IBus bus file unreadable, IBus named",
       {false, {}},
       {},
       kNoBus,
       noEngine,
       {false, true},
       Kind::kUnknown},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    ScriptedBus bus;
    bus.fcitxRunning = row.fcitxRunning;
    bus.fcitxState = row.fcitxState;
    bus.ibusRunning = row.ibusRunning;
    bus.ibusEngine = row.ibusEngine;
    const InputMethodState state = QueryInputMethod(bus, row.hints);
    EXPECT_EQ(state.kind, row.expected) << state.detail;
    EXPECT_EQ(state.detail.empty(), row.expected == Kind::kNotComposing);
  }
}

TEST(InputMethodDecisionTest, EnvironmentNamesTheFrameworkOfTheSessionsPrograms) {
  ::setenv("GTK_IM_MODULE", "fcitx", 1);
  ::setenv("XMODIFIERS", "@im=ibus", 1);
  const InputMethodHints hints = InputMethodHintsFromEnvironment();
  EXPECT_TRUE(hints.fcitx);
  EXPECT_TRUE(hints.ibus);
}

class FixedAnswer : public InputMethodKeyboard::Query {
 public:
  explicit FixedAnswer(InputMethodState state) : state_(std::move(state)) {}
  void AskAhead() override {}
  InputMethodState Answer() override { return state_; }

 private:
  InputMethodState state_;
};

TEST(InputMethodDecisionTest, KeyboardSendsNothingUnlessTheInputMethodIsOff) {
  const std::vector<KeyEvent> keys = {{'1', true}, {'1', false}};
  const struct {
    InputMethodState state;
    std::optional<TypingError::Cause> refusal;
  } rows[] = {
      {{Kind::kNotComposing, {}}, std::nullopt},
      {{Kind::kComposing, "mozc"}, TypingError::Cause::kInputMethod},
      {{Kind::kUnknown, "fcitx5 did not answer"}, TypingError::Cause::kInputMethodUnknown},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.state.detail);
    FakeKeyboard keys_out;
    InputMethodKeyboard keyboard(keys_out, std::make_unique<FixedAnswer>(row.state));
    for (const auto& attempt : {std::function<void()>([&] { keyboard.CheckFocusedWindow(); }),
                                std::function<void()>([&] { keyboard.Send(keys); })}) {
      try {
        attempt();
        EXPECT_FALSE(row.refusal);
      } catch (const TypingError& error) {
        EXPECT_EQ(error.cause(), row.refusal);
        EXPECT_NE(std::string(error.what()).find(row.state.detail), std::string::npos);
      }
    }
    EXPECT_EQ(keys_out.events.size(), row.refusal ? 0u : keys.size());
  }
}

}  // namespace
}  // namespace cardwedge
