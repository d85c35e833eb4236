// The program's Linux keyboard against a real fcitx5 with Mozc: a GTK entry that takes its keys
// through fcitx5 gets nothing while Mozc composes, and the number with Enter once it is off.

#include <gtest/gtest.h>
#include <QCoreApplication>

#include <csignal>
#include <cstdlib>
#include <fstream>

#include "input_method_session.h"
#include "platform/linux/dbus_input_method_bus.h"
#include "platform/linux/input_method_keyboard.h"
#include "platform/linux/xtest_keyboard.h"
#include "roster/typing.h"
#include "testbed.h"

namespace cardwedge {
namespace {

using testbed::Fcitx5Session;
using testbed::Xvfb;

bool Stopped(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  const std::string line((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
  const std::size_t end_of_name = line.rfind(')');
  return end_of_name != std::string::npos && line.compare(end_of_name, 4, ") T ") == 0;
}

class Fcitx5KeyboardTest : public ::testing::Test {
 protected:
  // The program's environment in that session, before its keyboard is made.
  bool EnterSession() {
    return ::setenv("DISPLAY", xvfb.display().c_str(), 1) == 0 &&
           ::setenv("DBUS_SESSION_BUS_ADDRESS", session.bus_address().c_str(), 1) == 0 &&
           ::setenv("GTK_IM_MODULE", "fcitx", 1) == 0;
  }

  std::optional<TypingError::Cause> RefusalOf(const std::string& digits) {
    try {
      keyboard.Send(PlanDigits(digits));
      return std::nullopt;
    } catch (const TypingError& error) {
      return error.cause();
    }
  }

  // Every line of the entry's after its focus, once the entry has submitted what it is waited for.
  std::vector<std::string> EntryLinesUntil(const std::string& submitted) {
    session.entry().WaitForLine("submitted: " + submitted, testbed::kEventTimeout);
    std::vector<std::string> lines = session.entry().Lines();
    lines.erase(lines.begin(), std::find(lines.begin(), lines.end(), "focused") + 1);
    return lines;
  }

  inline static int argc = 1;
  inline static char name[] = "fcitx5_keyboard_test";
  inline static char* argv[] = {name, nullptr};
  QCoreApplication application{argc, argv};
  Xvfb xvfb;
  Fcitx5Session session{xvfb.display()};
  bool inSession = EnterSession();
  XtestKeyboard keys;
  InputMethodKeyboard keyboard{keys, SessionInputMethod()};
};

TEST_F(Fcitx5KeyboardTest, RefusedWhileMozcComposesAndTypedOnceItIsOff) {
  session.Controller("Activate");
  EXPECT_EQ(RefusalOf("12345"), TypingError::Cause::kInputMethod);

  session.Controller("Deactivate");
  EXPECT_EQ(RefusalOf("678"), std::nullopt);
  const std::vector<std::string> expected = {"text: 6", "text: 67", "text: 678", "submitted: 678"};
  EXPECT_EQ(EntryLinesUntil("678"), expected);
}

TEST_F(Fcitx5KeyboardTest, Fcitx5ThatDoesNotAnswerIsNotTakenAsOff) {
  session.fcitx5().Kill(SIGSTOP);
  ASSERT_TRUE(testbed::WaitUntil([this] { return Stopped(session.fcitx5().pid()); }));
  EXPECT_EQ(RefusalOf("12345"), TypingError::Cause::kInputMethodUnknown);

  session.fcitx5().Kill(SIGCONT);
  EXPECT_EQ(RefusalOf("678"), std::nullopt);
  const std::vector<std::string> expected = {"text: 6", "text: 67", "text: 678", "submitted: 678"};
  EXPECT_EQ(EntryLinesUntil("678"), expected);
}

}  // namespace
}  // namespace cardwedge
