// The real program under Xvfb: which windows each command line opens, how malformed command lines
// and rosters are reported, and the single-instance rule between real processes.

#include <gtest/gtest.h>

#include <chrono>
#include <set>
#include <string>

#include "program_copy.h"
#include "testbed.h"

namespace cardwedge::testbed {
namespace {

using namespace std::chrono_literals;

constexpr char kFelicaTitle[] = "cardwedge - FeliCa reader";
constexpr char kPcscTitle[] = "cardwedge - PC/SC reader";

class StartupE2eTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { xvfb_ = new Xvfb(); }
  static void TearDownTestSuite() {
    delete xvfb_;
    xvfb_ = nullptr;
  }

  ChildProcess& Start(ProgramCopy& program, const std::vector<std::string>& words) {
    return program.Start(words, {{"DISPLAY", xvfb_->display()}});
  }

  // Titles of the mapped windows of this program, asked of the X server by xdotool; a title may
  // go on with the window's state.
  static std::set<std::string> OpenWindows() {
    std::set<std::string> titles;
    for (const char* title : {kFelicaTitle, kPcscTitle}) {
      ChildProcess search(
          {"xdotool", "search", "--onlyvisible", "--name", std::string("^") + title + "( |$)"},
          {{{"DISPLAY", xvfb_->display()}}, ErrorOutput::kDiscard});
      if (ExitedWith(search.Wait(kEventTimeout), 0)) titles.insert(title);
    }
    return titles;
  }

  // Waits until exactly these windows are shown.
  static bool WaitForWindows(const std::set<std::string>& expected) {
    return WaitUntil([&] { return OpenWindows() == expected; }, kStartTimeout, 100ms);
  }

  static std::string AllLines(ChildProcess& process) {
    std::string text;
    for (const std::string& line : process.Lines()) text += line + "\n";
    return text;
  }

  static Xvfb* xvfb_;
};

Xvfb* StartupE2eTest::xvfb_ = nullptr;

TEST_F(StartupE2eTest, ModeFourOpensBothReaderWindowsUntilTheProgramIsStopped) {
  ProgramCopy program;
  ChildProcess& process = Start(program, {"1", "4"});
  EXPECT_TRUE(WaitForWindows({kFelicaTitle, kPcscTitle}));
  EXPECT_FALSE(process.Wait(0ms).has_value()) << "the program ended";
  process.Kill(SIGTERM);
  ASSERT_TRUE(process.Wait(kEventTimeout).has_value());
  EXPECT_TRUE(WaitForWindows({}));
}

TEST_F(StartupE2eTest, OtherModesOpenNothingAndEndNormally) {
  for (const std::vector<std::string>& words :
       {std::vector<std::string>{"1", "5"}, {"--help"}, {"--version"}}) {
    ProgramCopy program;
    ChildProcess& process = Start(program, words);
    EXPECT_TRUE(ExitedWith(process.Wait(kStartTimeout), 0)) << AllLines(process);
    EXPECT_TRUE(OpenWindows().empty());
  }
}

TEST_F(StartupE2eTest, MalformedCommandLineIsReportedWithStatusTwo) {
  ProgramCopy program;
  ChildProcess& process = Start(program, {"1", "", "2"});
  EXPECT_TRUE(ExitedWith(process.Wait(kStartTimeout), 2));
  const std::string output = AllLines(process);
  EXPECT_NE(output.find("\"\" (word 2)"), std::string::npos) << output;
  EXPECT_NE(output.find("usage: cardwedge FLAG MODE"), std::string::npos) << output;
  EXPECT_TRUE(OpenWindows().empty());
}

TEST_F(StartupE2eTest, RosterThatCannotLoadIsReportedWithStatusThree) {
  ProgramCopy program;
  program.Write("メールデータ2.csv", "1,2,3\r\n");
  ChildProcess& process = Start(program, {"1", "4"});
  EXPECT_TRUE(ExitedWith(process.Wait(kStartTimeout), 3));
  EXPECT_NE(AllLines(process).find("record 1 (line 1)"), std::string::npos) << AllLines(process);
  EXPECT_TRUE(OpenWindows().empty());
}

TEST_F(StartupE2eTest, SecondInstanceEndsAtOnceUntilTheFirstIsKilled) {
  ProgramCopy program;
  ChildProcess& first = Start(program, {"1", "2"});
  ASSERT_TRUE(program.WaitUntilRunning());

  ChildProcess& second = Start(program, {"1", "3"});
  EXPECT_TRUE(ExitedWith(second.Wait(kStartTimeout), 0));
  EXPECT_FALSE(first.Wait(0ms).has_value()) << "the first instance was disturbed";
  EXPECT_EQ(OpenWindows(), std::set<std::string>{kFelicaTitle});

  // A killed instance leaves no lock behind.
  first.Kill(SIGKILL);
  ASSERT_TRUE(first.Wait(kEventTimeout).has_value());
  ChildProcess& third = Start(program, {"1", "3"});
  EXPECT_TRUE(WaitForWindows({kPcscTitle}));
  EXPECT_FALSE(third.Wait(0ms).has_value());
}

}  // namespace
}  // namespace cardwedge::testbed
