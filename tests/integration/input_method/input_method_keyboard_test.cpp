// The program's Linux keyboard against real input-method frameworks with Mozc: a GTK entry that
// takes its keys through the framework gets nothing while Mozc may compose, or while the
// framework does not answer, and the number with Enter once the input method is off.

#include <gtest/gtest.h>
#include <QCoreApplication>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <thread>

#include "input_method_session.h"
#include "platform/linux/dbus_input_method_bus.h"
#include "platform/linux/input_method_keyboard.h"
#include "platform/linux/xtest_keyboard.h"
#include "roster/typing.h"
#include "testbed.h"

namespace cardwedge {
namespace {

using testbed::InputMethodFramework;
using testbed::InputMethodSession;
using testbed::Xvfb;
using Cause = TypingError::Cause;

bool Stopped(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  const std::string line((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
  const std::size_t end_of_name = line.rfind(')');
  return end_of_name != std::string::npos && line.compare(end_of_name, 4, ") T ") == 0;
}

void Stop(testbed::ChildProcess& process) {
  process.Kill(SIGSTOP);
  ASSERT_TRUE(testbed::WaitUntil([&] { return Stopped(process.pid()); })) << process.name();
}

class InputMethodKeyboardTest : public ::testing::Test {
 protected:
  explicit InputMethodKeyboardTest(InputMethodFramework framework)
      : session(xvfb.display(), framework) {}

  // The program's environment in that session, before its keyboard is made.
  bool EnterSession() {
    return ::setenv("DISPLAY", xvfb.display().c_str(), 1) == 0 &&
           ::setenv("DBUS_SESSION_BUS_ADDRESS", session.bus_address().c_str(), 1) == 0 &&
           ::setenv("HOME", session.home().c_str(), 1) == 0 &&
           ::setenv("XDG_CONFIG_HOME", (session.home() / ".config").c_str(), 1) == 0;
  }

  std::optional<Cause> RefusalOf(const std::string& digits) {
    try {
      keyboard.Send(PlanDigits(digits));
      return std::nullopt;
    } catch (const TypingError& error) {
      refusal = error.what();
      return error.cause();
    }
  }

  // Types 678 and expects the entry to have received that alone since its focus.
  void ExpectOnlyTheLastValueTyped() {
    EXPECT_EQ(RefusalOf("678"), std::nullopt) << refusal;
    session.entry().WaitForLine("submitted: 678", testbed::kEventTimeout);
    std::vector<std::string> lines = session.entry().Lines();
    lines.erase(lines.begin(), std::find(lines.begin(), lines.end(), "focused") + 1);
    const std::vector<std::string> expected = {"text: 6", "text: 67", "text: 678",
                                               "submitted: 678"};
    EXPECT_EQ(lines, expected);
  }

  std::string refusal;  // why the last refused value was refused
  inline static int argc = 1;
  inline static char name[] = "input_method_keyboard_test";
  inline static char* argv[] = {name, nullptr};
  QCoreApplication application{argc, argv};
  Xvfb xvfb;
  InputMethodSession session;
  bool inSession = EnterSession();
  XtestKeyboard keys;
  InputMethodKeyboard keyboard{keys, std::make_unique<SessionInputMethod>()};
};

class Fcitx5KeyboardTest : public InputMethodKeyboardTest {
 protected:
  Fcitx5KeyboardTest() : InputMethodKeyboardTest(InputMethodFramework::kFcitx5) {}
};

TEST_F(Fcitx5KeyboardTest, RefusedWhileMozcComposesAndTypedOnceItIsOff) {
  // Activate acts on the input context that has the focus: again until the entry's is on.
  ASSERT_TRUE(testbed::WaitUntil([this] {
    session.Fcitx5Controller("Activate");
    return session.Fcitx5Controller("State").find("int32 2") != std::string::npos;
  }));
  EXPECT_EQ(RefusalOf("12345"), Cause::kInputMethod);

  session.Fcitx5Controller("Deactivate");
  ExpectOnlyTheLastValueTyped();
}

// An answer asked ahead, as when a card comes, serves only a check that follows at once.
TEST_F(Fcitx5KeyboardTest, AnAnswerAskedAheadIsNotTakenOnceItIsOld) {
  keyboard.ExpectValue();
  ASSERT_TRUE(testbed::WaitUntil([this] {
    session.Fcitx5Controller("Activate");
    return session.Fcitx5Controller("State").find("int32 2") != std::string::npos;
  }));
  std::this_thread::sleep_for(2 * SessionInputMethod::kAskedAheadServesFor);
  EXPECT_EQ(RefusalOf("12345"), Cause::kInputMethod);
}

// A stopped bus holds the connection itself; a stopped fcitx5 lets only its own answer wait.
TEST_F(Fcitx5KeyboardTest, StoppedBusIsNotTakenAsOff) {
  ASSERT_NO_FATAL_FAILURE(Stop(session.bus()));
  EXPECT_EQ(RefusalOf("12345"), Cause::kInputMethodUnknown);
  session.bus().Kill(SIGCONT);
  // Once the bus runs again, the question left waiting ends and the next one is answered.
  EXPECT_TRUE(testbed::WaitUntil([this] {
    try {
      keyboard.CheckFocusedWindow();
      return true;
    } catch (const TypingError&) {
      return false;
    }
  }));
}

TEST_F(Fcitx5KeyboardTest, StoppedFcitx5IsNotTakenAsOff) {
  ASSERT_NO_FATAL_FAILURE(Stop(session.framework()));
  EXPECT_EQ(RefusalOf("12345"), Cause::kInputMethodUnknown);
  session.framework().Kill(SIGCONT);
  session.WaitUntilFcitx5Answers();

  ExpectOnlyTheLastValueTyped();
}

class IbusKeyboardTest : public InputMethodKeyboardTest {
 protected:
  IbusKeyboardTest() : InputMethodKeyboardTest(InputMethodFramework::kIbus) {}
};

// Mozc starts in direct input here, but IBus does not tell its mode: it is refused all the same.
TEST_F(IbusKeyboardTest, RefusedWithMozcAndTypedWithAKeyboardLayout) {
  session.SetIbusEngine("mozc-jp");
  EXPECT_EQ(RefusalOf("12345"), Cause::kInputMethodUnknown);

  session.SetIbusEngine("xkb:us::eng");
  ExpectOnlyTheLastValueTyped();
}

}  // namespace
}  // namespace cardwedge

int main(int argc, char** argv) {
  cardwedge::testbed::BecomePlainUser();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
