#include "startup/form1.h"

#include <gtest/gtest.h>

#include "fake_platform.h"
#include "roster/host_watch.h"
#include "startup/command_line.h"

namespace cardwedge {
namespace {

class Form1Test : public ::testing::Test {
 protected:
  Form1Test() { fake.files.Write(kRosterFileName, ""); }

  StartOutcome Start(const std::string& commandLine) {
    form1 = std::make_unique<Form1>(fake.platform, fake.state);
    return form1->Form_Load(commandLine);
  }

  FakePlatform fake;
  std::unique_ptr<Form1> form1;
};

TEST_F(Form1Test, ModeWordChoosesTheWindowsAndFlagWordTheHostWatch) {
  struct Case {
    const char* commandLine;
    bool felica;
    bool pcsc;
    int processCheckOff;
  };
  for (const Case& c :
       {Case{"1 2", true, false, 1}, Case{"0 3", false, true, 0}, Case{"1 4", true, true, 1},
        Case{"2 2", true, false, 0}, Case{"1 2 7", true, false, 1}, Case{"01 2.0", true, false, 1},
        Case{"1.0 3", false, true, 1}, Case{"1 5", false, false, 1}, Case{"1 0", false, false, 1},
        Case{"", false, false, 0}}) {
    SCOPED_TRACE(c.commandLine);
    fake.state = ProgramState{};
    const StartOutcome outcome = Start(c.commandLine);
    EXPECT_EQ(outcome, c.felica || c.pcsc ? StartOutcome::kWindowsOpen : StartOutcome::kNoWindow);
    EXPECT_EQ(form1->felicaForm() != nullptr, c.felica);
    EXPECT_EQ(form1->pcscForm() != nullptr, c.pcsc);
    if (c.felica) {
      EXPECT_TRUE(fake.toolkit.window("FelicaForm1").shown());
    }
    if (c.pcsc) {
      EXPECT_TRUE(fake.toolkit.window("PCSCfrm").shown());
    }
    EXPECT_EQ(fake.state.ProcessCheckOff, c.processCheckOff);
  }
}

TEST_F(Form1Test, MalformedCommandLinesNameTheWordAndOpenNothing) {
  struct Case {
    const char* commandLine;
    const char* mentions;
  };
  for (const Case& c : {Case{"2", "missing"}, Case{"x 2", "\"x\""}, Case{"1 x", "\"x\""},
                        Case{"1  2", "\"\" (word 2)"}, Case{" ", "\"\" (word 1)"}}) {
    SCOPED_TRACE(c.commandLine);
    try {
      Start(c.commandLine);
      ADD_FAILURE() << "accepted";
    } catch (const CommandLineError& error) {
      EXPECT_NE(std::string(error.what()).find(c.mentions), std::string::npos) << error.what();
    }
    EXPECT_TRUE(fake.toolkit.WindowNames().empty());
  }
}

TEST_F(Form1Test, AnotherInstanceEndsTheStartWithoutReadingTheCommandLine) {
  fake.guard.anotherRunning = true;
  EXPECT_EQ(Start("x"), StartOutcome::kAnotherInstanceRuns);
  EXPECT_TRUE(fake.toolkit.WindowNames().empty());
}

TEST_F(Form1Test, RosterFailureStopsBeforeAnyWindowIsShown) {
  fake.files.Remove(kRosterFileName);
  EXPECT_THROW(Start("1 4"), RosterError);
  for (const std::string& name : fake.toolkit.WindowNames()) {
    EXPECT_FALSE(fake.toolkit.window(name).shown()) << name;
  }
}

TEST_F(Form1Test, HostCheckOfEitherWindowEndsTheProgramWithoutTheHostUnlessTheFlagIsOne) {
  struct Case {
    const char* commandLine;
    bool hostRunning;
    bool ends;
  };
  for (const char* timer : {"PasoriTimer2", "Timer3"}) {
    for (const Case& c :
         {Case{"0 4", false, true}, Case{"1 4", false, false}, Case{"0 4", true, false}}) {
      SCOPED_TRACE(std::string(timer) + " after \"" + c.commandLine + "\"");
      fake.state = ProgramState{};
      fake.processes.running.clear();
      if (c.hostRunning) fake.processes.running.insert(kHostProcessName);
      Start(c.commandLine);
      if (c.ends) {
        EXPECT_THROW(fake.toolkit.Tick(timer), ProgramEnded);
      } else {
        EXPECT_NO_THROW(fake.toolkit.Tick(timer));
      }
    }
  }
}

TEST(SplitCommandLine, SplitsAtEverySingleSpace) {
  EXPECT_EQ(SplitCommandLine(""), std::vector<std::string>{});
  EXPECT_EQ(SplitCommandLine("1 2"), (std::vector<std::string>{"1", "2"}));
  EXPECT_EQ(SplitCommandLine("1  2 "), (std::vector<std::string>{"1", "", "2", ""}));
}

}  // namespace
}  // namespace cardwedge
